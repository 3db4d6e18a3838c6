// The browser's category commands: the "＋" and "－" buttons of each level, the label
// editor and the batch change of the selected entries' categories.
#include <QMdiSubWindow>

#include "browser/catalog_document_host.h"
#include "browser/category_add_dlg.h"
#include "browser/category_label_edit_dlg.h"
#include "browser/change_category_name_dlg.h"
#include "browser/dialog_service.h"
#include "browser/entry_list_ctrl.h"
#include "browser/category_list_ctrl.h"
#include "browser/main_window_view.h"
#include "commands/batch_category_change.h"
#include "commands/category_add.h"
#include "commands/category_delete.h"
#include "commands/label_edit.h"
#include "storage/category_names.h"

namespace veldra {

void CMainWindowView::OnCategoryAdd(int level) {
  CVeldraDocument* doc = document();
  if (doc == nullptr) return;
  CCategoryAddDlg dialog(*doc, level, this);
  if (DialogService::Current().RunModal(&dialog) == QDialog::Accepted) {
    const CategoryTriple selected = ReadCategorySelection();
    std::string others[2];
    int next = 0;
    for (int other = 1; other <= 3; ++other) {
      if (other != level) others[next++] = selected[other - 1];
    }
    ReportSave(commands::AddCategory(*doc, level, dialog.name(), others[0], others[1]));
  }
  RebuildCategoryLists();
}

void CMainWindowView::OnCategoryDelete(int level) {
  CVeldraDocument* doc = document();
  if (doc == nullptr) return;
  const std::string name = category_list(level)->SelectedText();
  const commands::CategoryDeleteCheck check = commands::CheckCategoryDelete(*doc, level, name);
  if (!check.allowed) {
    ShowWarningBox(check.warning);
    return;
  }
  MessageRequest question;
  question.caption = check.question_title;
  question.text = check.question;
  question.icon = MessageIcon::kQuestion;
  question.buttons = {MessageButton::kYes, MessageButton::kNo};
  question.default_button = MessageButton::kNo;
  if (DialogService::Current().ShowMessage(question) != MessageButton::kYes) return;

  // The level's remembered selection goes back to "＜すべて＞" with the list's: a
  // remembered name that no longer exists would filter the other lists down to nothing.
  std::string& remembered = host_->remembered_selections()[level - 1];
  if (remembered == name) {
    remembered = std::string(kAllCategoriesName);
    SaveRememberedSelections();
  }
  const int saved = commands::DeleteCategory(*doc, level, name);
  category_list(level)->SelectText(std::string(kAllCategoriesName));
  SyncEntrySelectionFlags();
  RebuildCategoryLists();
  RefreshEntryList();
  ReportSave(saved);
}

void CMainWindowView::OnCategoryLabelEdit() {
  CVeldraDocument* doc = document();
  if (doc == nullptr) return;
  CCategoryLabelEditDlg dialog(commands::CurrentLabels(*doc), this);
  if (DialogService::Current().RunModal(&dialog) != QDialog::Accepted) return;
  const int saved = commands::EditLabels(*doc, dialog.Labels());
  ShowCategoryLabels();
  ShowCategoryColumnTitles();
  ReportSave(saved);
}

void CMainWindowView::OnCategoryBatchChange() {
  CVeldraDocument* doc = document();
  if (doc == nullptr || entry_list_->SelectedRows().empty()) return;
  const std::vector<EntryRecord> entries =
      CollectSelectedEntries(SelectionSource::kListTexts, /*sync=*/true);
  CChangeCategoryNameDlg dialog(*doc, commands::InitialBatchNames(entries), this);
  int saved;
  if (DialogService::Current().RunModal(&dialog) == QDialog::Accepted) {
    std::vector<int32_t> ids;
    for (const EntryRecord& e : entries) ids.push_back(e.id);
    saved = commands::ChangeCategories(*doc, ids, dialog.chosen());
  } else {
    // The selection flags were written: the catalog is saved either way.
    saved = doc->Save();
  }
  RefreshEntryList();
  RebuildCategoryLists();
  ReportSave(saved);
}

}  // namespace veldra
