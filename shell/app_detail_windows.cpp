#include "shell/app_detail_windows.h"

#include "browser/catalog_document_host.h"
#include "shell/entry_window.h"
#include "shell/pdf_window.h"
#include "shell/pdf_window_template.h"
#include "shell/pdf_window_view.h"
#include "storage/catalog_document.h"

namespace veldra {

QMdiSubWindow* AppDetailWindows::OpenEntryWindow(CatalogDocumentHost* host, int32_t entry_id) {
  return ShowEntryWindow(host, entry_id);
}

QMdiSubWindow* AppDetailWindows::OpenPdfWindow(CatalogDocumentHost* host, int32_t entry_id,
                                               int ordinal) {
  if (host == nullptr) return nullptr;
  const std::optional<EntryRecord> entry = host->document().FindEntry(entry_id);
  return entry ? ShowPdfViewer(*pdf_template_, host, *entry, ordinal) : nullptr;
}

QMdiSubWindow* AppDetailWindows::OpenPdfWindowAtHit(CatalogDocumentHost* host, int32_t entry_id,
                                                    int ordinal, const QString& text, int page) {
  QMdiSubWindow* window = OpenPdfWindow(host, entry_id, ordinal);
  if (auto* viewer = qobject_cast<CPdfWindow*>(window)) viewer->view()->ShowHit(text, page);
  return window;
}

}  // namespace veldra
