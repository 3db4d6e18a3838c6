// BrowserTemplate: makes the document of a catalog and its browser window. It is the only
// template that creates and opens documents, and it keeps the list of the open ones.
#pragma once

#include <QPointer>
#include <string>
#include <vector>

#include "browser/open_catalogs.h"

class QMdiArea;
class QWidget;

namespace veldra {

class CatalogDocumentHost;
class DetailWindowOpener;

class BrowserTemplate {
 public:
  // The document string of resource 129 (UTF-8).
  static const char* DocumentString();

  // Windows go into area; warnings are owned by owner.
  BrowserTemplate(QMdiArea* area, QWidget* owner);
  ~BrowserTemplate() = default;

  // Opens the catalog at path (CP932, full path) as a new document with its browser window,
  // and runs the window's start-up. A file that is not a catalog, or one that could not be
  // read completely, opens with what could be read after a warning that nothing will be
  // saved. Returns the document.
  CatalogDocumentHost* OpenDocumentFile(const std::string& path, bool make_visible = true);

  // The open documents, oldest first.
  std::vector<CatalogDocumentHost*> Documents() const;

  // The open catalog (one with a browser window) whose file path names, or nullptr.
  CatalogDocumentHost* FindOpenCatalog(const std::string& path) const;

  void set_detail_opener(DetailWindowOpener* opener) { detail_opener_ = opener; }
  // What the catalogs' browsers ask about the application's catalogs (and open through).
  void set_open_catalogs(OpenCatalogs* catalogs) { open_catalogs_ = catalogs; }

 private:
  QMdiArea* area_;
  QWidget* owner_;
  DetailWindowOpener* detail_opener_ = nullptr;
  OpenCatalogs* open_catalogs_ = nullptr;
  std::vector<QPointer<CatalogDocumentHost>> documents_;
};

}  // namespace veldra
