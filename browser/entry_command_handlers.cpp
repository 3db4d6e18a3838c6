// The browser's entry commands: property windows, viewers, deleting, exporting, the new
// save, and selecting all or no entries.
#include <QMdiSubWindow>
#include <QPointer>

#include "browser/catalog_document_host.h"
#include "browser/detail_window_opener.h"
#include "browser/dialog_service.h"
#include "browser/entry_list_ctrl.h"
#include "browser/entry_list_model.h"
#include "browser/main_window_view.h"
#include "browser/open_catalogs.h"
#include "browser/ui_text.h"
#include "commands/command_messages.h"
#include "commands/compact_copy.h"
#include "commands/delete_entries.h"
#include "commands/entry_sort.h"
#include "commands/export_entries.h"
#include "platform/path_parts.h"
#include "storage/catalog_table.h"
#include "storage/catalog_tags.h"
#include "storage/remembered_folder.h"

namespace veldra {
namespace {

std::vector<int32_t> IdsOf(const std::vector<EntryRecord>& entries) {
  std::vector<int32_t> ids;
  ids.reserve(entries.size());
  for (const EntryRecord& e : entries) ids.push_back(e.id);
  return ids;
}

// The text of a file name before its last ".".
std::string BaseOf(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

// Closes the windows of list whose entry is entry_id, last to first: each one leaves the
// list while it closes.
template <typename Item>
void CloseWindowsOf(std::vector<Item>& list, int32_t entry_id) {
  for (size_t i = list.size(); i-- > 0;) {
    if (i >= list.size() || list[i].entry_id != entry_id) continue;
    QPointer<QMdiSubWindow> window = list[i].window;
    if (window) window->close();
  }
}

}  // namespace

std::vector<EntryRecord> CMainWindowView::CollectSelectedEntries(SelectionSource source,
                                                                 bool sync) {
  std::vector<EntryRecord> entries;
  CVeldraDocument* doc = document();
  if (doc == nullptr) return entries;
  const CategoryTriple texts =
      source == SelectionSource::kRemembered ? host_->remembered_selections() : ReadCategoryTexts();
  RecordArray& displayed = ShowEntries(texts);
  const std::vector<int> rows = entry_list_->SelectedRows();
  if (sync) SyncEntrySelectionFlags();
  for (int row : rows) {
    if (row < displayed.Count()) entries.push_back(EntryAt(displayed, row));
  }
  return entries;
}

CommandState CMainWindowView::OnUpdateNeedsSelection() const {
  return entry_list_->SelectedRows().empty() ? CommandState::kDisabled : CommandState::kEnabled;
}

void CMainWindowView::OnEntryInfo() {
  if (document() == nullptr) return;
  const std::vector<EntryRecord> entries =
      CollectSelectedEntries(SelectionSource::kRemembered, /*sync=*/true);
  DetailWindowOpener* opener = host_->detail_opener();
  if (opener == nullptr) return;
  for (const EntryRecord& entry : entries) opener->OpenEntryWindow(host_, entry.id);
}

void CMainWindowView::OnPdfOpen() {
  CVeldraDocument* doc = document();
  if (doc == nullptr) return;
  const std::vector<EntryRecord> entries =
      CollectSelectedEntries(SelectionSource::kListTexts, /*sync=*/true);
  DetailWindowOpener* opener = host_->detail_opener();
  if (opener == nullptr) return;
  for (const EntryRecord& entry : entries) {
    opener->OpenPdfWindow(host_, entry.id, doc->AttachmentOrdinal(entry.id));
  }
}

void CMainWindowView::OnSelectAll() {
  if (document() == nullptr) return;
  entry_list_->selectAll();
  SyncEntrySelectionFlags();
}

void CMainWindowView::OnSelectNone() { entry_list_->clearSelection(); }

void CMainWindowView::OnPdfDelete() {
  CVeldraDocument* doc = document();
  if (doc == nullptr || entry_list_->SelectedRows().empty()) return;
  const std::vector<EntryRecord> entries =
      CollectSelectedEntries(SelectionSource::kListTexts, /*sync=*/true);

  MessageRequest question;
  question.text = commands::QuestionDeleteEntries();
  question.icon = MessageIcon::kQuestion;
  question.buttons = {MessageButton::kYes, MessageButton::kNo};
  question.default_button = MessageButton::kNo;
  if (DialogService::Current().ShowMessage(question) != MessageButton::kYes) return;

  for (const EntryRecord& entry : entries) {
    CloseWindowsOf(host_->pdf_windows(), entry.id);
    CloseWindowsOf(host_->entry_windows(), entry.id);
  }
  const int saved = commands::DeleteEntries(*doc, IdsOf(entries));
  RefreshEntryList();
  RebuildCategoryLists();
  ReportSave(saved);
}

void CMainWindowView::OnPdfExport() {
  CVeldraDocument* doc = document();
  if (doc == nullptr) return;
  const std::vector<EntryRecord> entries =
      CollectSelectedEntries(SelectionSource::kListTexts, /*sync=*/false);
  if (entries.empty()) return;

  FolderRequest request;
  request.title = UiText("PDF取り出し");
  request.initial_folder = ReadRememberedFolder(doc, kTagFolderExport);
  request.owner = FrameWindow();
  std::string folder;
  if (!DialogService::Current().ChooseFolder(request, &folder)) return;
  StoreRememberedFolder(doc, kTagFolderExport, folder);

  std::vector<commands::ExportedEntry> report;
  commands::ExportEntries(*doc, IdsOf(entries), folder, &report);
  // The rows show the new last-use dates; the selection and the scroll position stay.
  const std::vector<int> rows = entry_list_->SelectedRows();
  const int horizontal = entry_list_->HorizontalPosition();
  const int vertical = entry_list_->VerticalPosition();
  entry_list_->entry_model()->Reset(&doc->filtered_entries());
  entry_list_->SelectRows(rows);
  entry_list_->ScrollTo(horizontal, vertical);

  std::vector<commands::ExportProblem> problems;
  for (size_t i = 0; i < report.size(); ++i) {
    if (report[i].status == commands::ExportStatus::kExported) continue;
    std::string name = entries[i].file_name.Text(128);
    if (name.empty()) name = entries[i].title.Text(128);
    problems.push_back({name, report[i].status});
  }
  if (!problems.empty()) ShowWarningBox(commands::MessageExportProblems(problems, folder));
}

void CMainWindowView::OnNewSave() {
  CVeldraDocument* doc = document();
  if (doc == nullptr) return;
  FileRequest request;
  request.kind = FileRequest::Kind::kSave;
  request.caption = UiText("新規保存");
  request.filters = {{UiText("VELDRAファイル(*.vdc)"), "*.vdc"}};
  request.default_suffix = "vdc";
  request.initial_folder = platform::FolderOfPath(doc->path());
  request.default_name = BaseOf(host_->Title()) + UiText("＋") + ".vdc";
  request.confirm_overwrite = true;
  request.owner = FrameWindow();
  // A file that is an open catalog, this one or another, is never written over: the copy
  // would replace the file under the catalog that saves into it. It is refused as soon as it
  // is chosen, before the dialog asks whether to replace it.
  OpenCatalogs* open = host_->open_catalogs();
  request.refuse_path = [host = host_, open](const std::string& path) {
    const bool is_open =
        host->HoldsFile(path) || (open != nullptr && open->FindOpenCatalog(path) != nullptr);
    return is_open ? commands::MessageNewSaveIsOpenCatalog() : std::string();
  };
  std::string target;
  if (!DialogService::Current().ChooseFile(request, &target)) return;
  // Once more for a dialog that did not ask: the rule must hold whatever chose the path.
  if (const std::string refusal = request.refuse_path(target); !refusal.empty()) {
    ShowWarningBox(refusal);
    return;
  }
  SyncEntrySelectionFlags();
  // The copy goes to a temporary file that replaces the target only when complete, so a
  // file already at the target is kept when the copy fails.
  const int rc = commands::WriteCompactCopy(*doc, target);
  if (rc != commands::kCompactOk) ShowWarningBox(commands::MessageNewSaveFailed(rc, target));
}

}  // namespace veldra
