// CatalogDocumentHost: the window side of one open catalog. It owns the storage document
// (CVeldraDocument), the three remembered category selections, and the lists of the
// catalog's open windows: its browser frame and the entry and PDF viewer windows opened
// for its entries. Every window of the catalog attaches itself as a view; the host deletes
// itself when its last view detaches, so the catalog ends with its last window.
#pragma once

#include <QObject>
#include <QPointer>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "browser/catalog_indexer.h"
#include "browser/catalog_search_state.h"
#include "storage/catalog_document.h"

class QMdiSubWindow;

namespace veldra {

class DetailWindowOpener;
class OpenCatalogs;

class CatalogDocumentHost : public QObject {
  Q_OBJECT

 public:
  struct EntryWindowItem {
    int32_t entry_id;
    QPointer<QMdiSubWindow> window;
  };
  struct PdfWindowItem {
    int32_t entry_id;
    int ordinal;
    QPointer<QMdiSubWindow> window;
  };

  CatalogDocumentHost();
  ~CatalogDocumentHost() override;

  // Opens the catalog at path (CP932, full path): makes a default catalog there when no file
  // can be read, then loads it.
  void Open(const std::string& path);

  CVeldraDocument& document() { return *document_; }
  const CVeldraDocument& document() const { return *document_; }
  const std::string& path() const { return document_->path(); }
  // True when path names the catalog's file: the same path, or the same file (device and
  // inode) under another name.
  bool HoldsFile(const std::string& path) const;
  // The file-name part of the path, extension included.
  std::string Title() const;
  // False when the file was not a catalog at all: the browser then stays empty.
  bool loaded() const;

  // The remembered category selections of levels 1..3 (index 0..2), CP932.
  std::array<std::string, 3>& remembered_selections() { return remembered_selections_; }

  // The catalog's last search, its hits and the narrowing of the entry list.
  CatalogSearchState& search_state() { return *search_state_; }
  // What brings the index up to date with the catalog's PDFs in the background (started by
  // the application when it opens the catalog; cancelled when the catalog closes).
  CatalogIndexer& indexer() { return *indexer_; }

  // The catalog's browser frame (its first view's window).
  QMdiSubWindow* browser_frame() const { return browser_frame_; }
  void set_browser_frame(QMdiSubWindow* frame) { browser_frame_ = frame; }

  std::vector<EntryWindowItem>& entry_windows() { return entry_windows_; }
  std::vector<PdfWindowItem>& pdf_windows() { return pdf_windows_; }
  // The entry window of entry_id, or nullptr.
  QMdiSubWindow* FindEntryWindow(int32_t entry_id) const;
  // The PDF viewer window of the attachment ordinal, or nullptr.
  QMdiSubWindow* FindPdfWindow(int ordinal) const;

  // Opens the entry and PDF windows when the browser reopens them; may be null.
  DetailWindowOpener* detail_opener() const { return detail_opener_; }
  void set_detail_opener(DetailWindowOpener* opener) { detail_opener_ = opener; }

  // Every save of the document is watched: the first one that fails (on a catalog that
  // may be written) queues one warning box that says why; later failures add none until a
  // save succeeds again. ShowQueuedWarnings shows a queued one now.
  bool save_failing() const { return save_failing_; }
  void ShowQueuedWarnings();
  // The application's open catalogs; may be null.
  OpenCatalogs* open_catalogs() const { return open_catalogs_; }
  void set_open_catalogs(OpenCatalogs* catalogs) { open_catalogs_ = catalogs; }

  // Views: each window of the catalog attaches once and detaches when it is destroyed.
  void AttachView();
  void DetachView();
  int view_count() const { return view_count_; }

 signals:
  // After every save of the document, whether it succeeded or not: the catalog in memory
  // may have changed under the open windows, which take what concerns them.
  void DocumentSaved();

 private:
  std::unique_ptr<CVeldraDocument> document_;
  std::array<std::string, 3> remembered_selections_;
  CatalogSearchState* search_state_;  // a child of the host
  CatalogIndexer* indexer_;           // a child of the host
  QPointer<QMdiSubWindow> browser_frame_;
  std::vector<EntryWindowItem> entry_windows_;
  std::vector<PdfWindowItem> pdf_windows_;
  void OnSaved(int result);

  DetailWindowOpener* detail_opener_ = nullptr;
  OpenCatalogs* open_catalogs_ = nullptr;
  int view_count_ = 0;
  bool save_failing_ = false;
  std::string queued_warning_;
};

}  // namespace veldra
