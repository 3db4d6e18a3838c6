// Things dropped onto a catalog's browser: PDFs and folders go into the catalog the way the
// batch import takes a folder (one run, one progress, one list of failures, one save);
// catalogs open as File > 開く opens them. The drop plan decides which is which and what
// refuses the drop.
#include <QMdiSubWindow>

#include "browser/catalog_document_host.h"
#include "browser/dialog_service.h"
#include "browser/main_window_view.h"
#include "browser/open_catalogs.h"
#include "commands/import_messages.h"
#include "storage/catalog_document.h"

namespace veldra {

void CMainWindowView::OnDropFiles(const std::vector<commands::DroppedItem>& items) {
  if (host_ == nullptr || importing_) return;
  const commands::DropPlan plan = commands::PlanDrop(items, /*onto_catalog=*/true);
  if (!plan.refused.empty()) {
    ShowWarningBox(commands::MessageDropRefused(plan.refused), FrameWindow());
    return;
  }
  if (!plan.imports.empty()) {
    // Refused before any folder is walked: nothing could go in.
    CVeldraDocument* doc = document();
    if (doc == nullptr || !doc->writable()) {
      ShowWarningBox(commands::MessageCatalogReadOnly(), FrameWindow());
      return;
    }
    SyncEntrySelectionFlags();
    ImportSources(plan.imports);
  }
  if (OpenCatalogs* catalogs = host_->open_catalogs()) {
    for (const std::string& path : plan.catalogs) catalogs->OpenCatalog(path);
  }
}

}  // namespace veldra
