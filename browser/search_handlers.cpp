// The browser's search commands: the search window, and going through the hits of the
// catalog's last search.
#include <QMdiSubWindow>

#include "browser/catalog_document_host.h"
#include "browser/entry_list_ctrl.h"
#include "browser/entry_list_model.h"
#include "browser/main_window_view.h"
#include "browser/search_window.h"
#include "commands/hit_rows.h"
#include "storage/catalog_table.h"

namespace veldra {

FullTextSearchWindow* CMainWindowView::search_window() const { return search_window_.data(); }

void CMainWindowView::OnFullTextSearch() {
  if (document() == nullptr) return;
  if (search_window_.isNull()) search_window_ = new FullTextSearchWindow(this);
  search_window_->Present();
}

CommandState CMainWindowView::OnUpdateFindHit() const {
  if (document() == nullptr) return CommandState::kDisabled;
  return host_->search_state().hits().empty() ? CommandState::kDisabled : CommandState::kEnabled;
}

void CMainWindowView::OnFindHit(bool forward) {
  CVeldraDocument* doc = document();
  if (doc == nullptr) return;
  // The rows are the displayed list as the last refresh built it.
  const QModelIndex current = entry_list_->currentIndex();
  const int row = commands::NextHitRow(doc->filtered_entries(), host_->search_state().hits(),
                                       current.isValid() ? current.row() : -1, forward);
  if (row < 0) return;
  entry_list_->SelectRows({row});
  entry_list_->scrollTo(entry_list_->model()->index(row, 0));
}

bool CMainWindowView::SelectEntry(int32_t entry_id) {
  CVeldraDocument* doc = document();
  if (doc == nullptr) return false;
  const int row = EntryIndex(doc->filtered_entries(), entry_id);
  entry_list_->SelectRows(row >= 0 ? std::vector<int>{row} : std::vector<int>{});
  if (row >= 0) entry_list_->scrollTo(entry_list_->model()->index(row, 0));
  return row >= 0;
}

}  // namespace veldra
