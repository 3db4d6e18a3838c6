#include "shell/app_detail_windows.h"

#include "browser/catalog_document_host.h"
#include "shell/pdf_window_entry.h"
#include "shell/pdf_window_template.h"

namespace veldra {

QMdiSubWindow* AppDetailWindows::OpenEntryWindow(CatalogDocumentHost*, int32_t) {
  return nullptr;
}

QMdiSubWindow* AppDetailWindows::OpenPdfWindow(CatalogDocumentHost* host, int32_t entry_id,
                                               int ordinal) {
  EntryRecord entry;
  if (host == nullptr || !FindViewerEntry(host->document(), entry_id, &entry)) return nullptr;
  return ShowPdfViewer(*pdf_template_, host, entry, ordinal);
}

}  // namespace veldra
