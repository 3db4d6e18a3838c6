// PdfWindowTemplate: makes the PDF viewer windows of the open catalogs in the main frame's
// window area, and ShowPdfViewer, the one way every viewer is opened (the open command, a
// double-click in the entry list, the reopening of a catalog's windows).
#pragma once

#include <QMdiSubWindow>
#include <cstdint>

namespace veldra {

class CatalogDocumentHost;
class CPdfWindow;
struct EntryRecord;

namespace viewer {
class ViewerComponent;
}

// The message shown when the viewer component is not there.
inline constexpr char kViewerMissingMessage[] =
    "Adobe ReaderがインストールされていないためPDFを表示できません。";

class PdfWindowTemplate {
 public:
  // Windows go into area; messages are owned by owner.
  PdfWindowTemplate(QMdiArea* area, QWidget* owner);

  QMdiArea* area() const { return area_; }
  QWidget* owner() const { return owner_; }

  // A new viewer frame for host added to the area but not yet shown (the caller registers
  // it with its catalog first), its view not yet bound.
  CPdfWindow* CreateFrame(CatalogDocumentHost* host, viewer::ViewerComponent* component);

 private:
  QMdiArea* area_;
  QWidget* owner_;
};

// Shows the viewer of entry (of host's catalog), whose attachment ordinal is ordinal: the
// open viewer of that PDF is brought to the front, else a new one is opened and loaded; then
// the entry's last-view date is stamped and the tables are written. With the viewer
// component missing, a warning is shown and nothing else happens. Returns the viewer's
// frame, or nullptr.
QMdiSubWindow* ShowPdfViewer(PdfWindowTemplate& templ, CatalogDocumentHost* host,
                             const EntryRecord& entry, int ordinal);

}  // namespace veldra
