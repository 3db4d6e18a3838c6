#include "browser/main_window_view.h"

#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <algorithm>
#include <utility>

#include "browser/browser_layout.h"
#include "browser/browser_position.h"
#include "browser/catalog_document_host.h"
#include "browser/dialog_service.h"
#include "commands/command_messages.h"
#include "browser/detail_window_opener.h"
#include "browser/entry_list_columns.h"
#include "browser/entry_list_ctrl.h"
#include "browser/entry_list_model.h"
#include "browser/entry_selection.h"
#include "browser/category_list_ctrl.h"
#include "browser/sort_choice.h"
#include "browser/ui_text.h"
#include "commands/entry_sort.h"
#include "resources/command_ids.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/category_names.h"

namespace veldra {
namespace {

constexpr char kSelectionKeys[3][19] = {"cat1list_selection", "cat2list_selection",
                                        "cat3list_selection"};
constexpr size_t kLabelBufferSize = 128;

// The two levels other than level (1..3), ascending.
std::pair<int, int> OtherLevels(int level) {
  switch (level) {
    case 1: return {2, 3};
    case 2: return {1, 3};
    default: return {1, 2};
  }
}

}  // namespace

CMainWindowView::CMainWindowView(CatalogDocumentHost* host, QWidget* parent)
    : QWidget(parent),
      host_(host),
      entry_list_(new EntryListCtrl(this)),
      count_label_(new QLabel(QStringLiteral("xx"), this)) {
  category_lists_ = {new CMainCat1ListCtrl(this), new CMainCat2ListCtrl(this),
                     new CMainCat3ListCtrl(this)};
  for (int k = 0; k < 3; ++k) {
    category_labels_[k] = new QLabel(ToQString(kDefaultLabelNames[k]), this);
    category_labels_[k]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    category_labels_[k]->setWordWrap(false);
    add_buttons_[k] = new QPushButton(QStringLiteral("＋"), this);
    delete_buttons_[k] = new QPushButton(QStringLiteral("－"), this);
    const int level = k + 1;
    connect(add_buttons_[k], &QPushButton::clicked, this, [this, level] { OnCategoryAdd(level); });
    connect(delete_buttons_[k], &QPushButton::clicked, this,
            [this, level] { OnCategoryDelete(level); });
  }
  count_label_->setText(ToQString(UiText("xx件")));
  count_label_->setAlignment(Qt::AlignCenter);
  connect(entry_list_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          &CMainWindowView::OnColumnClick);
  connect(entry_list_, &EntryListCtrl::DoubleClickedAnywhere, this,
          &CMainWindowView::OnEntryListDoubleClick);
  if (host_ != nullptr) {
    host_->AttachView();
    // The list follows the narrowing to the search's hits as soon as it changes.
    connect(&host_->search_state(), &CatalogSearchState::NarrowingChanged, this, [this] {
      if (!initialized_) return;
      SyncEntrySelectionFlags();
      RefreshEntryList();
    });
  }
  LayOut();
}

CMainWindowView::~CMainWindowView() {
  if (CVeldraDocument* doc = document(); doc != nullptr && initialized_) {
    SyncEntrySelectionFlags();
    doc->Save();
  }
  if (host_ != nullptr) host_->DetachView();
}

CVeldraDocument* CMainWindowView::document() const {
  return host_ != nullptr && host_->loaded() ? &host_->document() : nullptr;
}

void CMainWindowView::OnInitialUpdate() {
  if (host_ != nullptr) {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
      frame->setWindowTitle(ToQString(host_->Title()));
    }
  }
  CVeldraDocument* doc = document();
  if (doc == nullptr) return;
  SetupCategoryLists();
  LoadRememberedSelections();
  RebuildCategoryLists();
  ShowCategoryLabels();
  for (int c = 0; c < kEntryColumnCount; ++c) {
    doc->column_sort_codes()[c] = EntryColumns()[c].sort_key;
  }
  SetupEntryColumns();
  RefreshEntryList();
  initialized_ = true;
  RestoreBrowserPosition();
  ReopenDetailWindows();
}

void CMainWindowView::SetupCategoryLists() {
  CVeldraDocument* doc = document();
  for (int level = 1; level <= 3; ++level) {
    std::vector<std::string> names;
    doc->ListLevelNames(level, &names);
    category_list(level)->Fill(names);
  }
}

void CMainWindowView::LoadRememberedSelections() {
  CVeldraDocument* doc = document();
  std::array<std::string, 3> values;
  bool all_present = true;
  for (int k = 0; k < 3; ++k) all_present &= doc->GetEnvironmentValue(kSelectionKeys[k], &values[k]);
  if (!all_present) values.fill(std::string(kAllCategoriesName));
  host_->remembered_selections() = values;
}

void CMainWindowView::SaveRememberedSelections() {
  CVeldraDocument* doc = document();
  for (int k = 0; k < 3; ++k) {
    doc->SetEnvironmentValue(kSelectionKeys[k], host_->remembered_selections()[k]);
  }
}

void CMainWindowView::RebuildCategoryLists() {
  CVeldraDocument* doc = document();
  if (doc == nullptr) return;
  const std::array<std::string, 3>& r = host_->remembered_selections();
  for (int level = 1; level <= 3; ++level) {
    const auto [a, b] = OtherLevels(level);
    category_list(level)->Fill(doc->ListMatchingNames(level, r[a - 1], r[b - 1]));
    category_list(level)->SelectText(r[level - 1]);
  }
}

void CMainWindowView::ShowCategoryLabels() {
  CVeldraDocument* doc = document();
  if (doc == nullptr) return;
  for (int i = 0; i < doc->labels().Count(); ++i) {
    const LabelRecord label = RecordAt<LabelRecord>(doc->labels(), i);
    if (label.level >= 1 && label.level <= 3) {
      category_label(label.level)->setText(ToQString(label.text.Text(kLabelBufferSize)));
    }
  }
}

void CMainWindowView::SetupEntryColumns() {
  entry_list_->SetupColumns();
  ShowCategoryColumnTitles();
}

void CMainWindowView::ShowCategoryColumnTitles() {
  std::array<std::string, 3> titles;
  for (int k = 0; k < 3; ++k) titles[k] = std::string(kDefaultLabelNames[k]);
  CVeldraDocument* doc = document();
  for (int i = 0; i < doc->labels().Count(); ++i) {
    const LabelRecord label = RecordAt<LabelRecord>(doc->labels(), i);
    if (label.level >= 1 && label.level <= 3) {
      titles[label.level - 1] = label.text.Text(kLabelBufferSize);
    }
  }
  entry_list_->entry_model()->SetCategoryTitles(titles);
}

CategoryTriple CMainWindowView::ReadCategorySelection() const {
  return veldra::ReadCategorySelection(*category_lists_[0], *category_lists_[1],
                                       *category_lists_[2]);
}

CategoryTriple CMainWindowView::ReadCategoryTexts() const {
  return veldra::ReadCategoryTexts(*category_lists_[0], *category_lists_[1],
                                   *category_lists_[2]);
}

void CMainWindowView::RefreshEntryList() {
  CVeldraDocument* doc = document();
  if (doc == nullptr) return;
  RecordArray& displayed = ShowEntries(ReadCategoryTexts());
  const int horizontal = entry_list_->HorizontalPosition();
  const int vertical = entry_list_->VerticalPosition();
  entry_list_->entry_model()->Reset(&displayed);
  entry_list_->SelectRows(FlaggedRows(displayed));
  entry_list_->ScrollTo(horizontal, vertical);
  count_label_->setText(ToQString(std::to_string(displayed.Count()) + UiText("件")));
}

RecordArray& CMainWindowView::ShowEntries(const CategoryTriple& texts) {
  CVeldraDocument* doc = document();
  return commands::ShowSortedEntries(*doc, texts[0], texts[1], texts[2],
                                     commands::SortState::Of(*doc),
                                     host_->search_state().narrowed_ids());
}

void CMainWindowView::SyncEntrySelectionFlags() {
  CVeldraDocument* doc = document();
  if (doc == nullptr) return;
  veldra::SyncEntrySelectionFlags(*doc, entry_list_->SelectedRows());
}

void CMainWindowView::OnCat1ListClick() { OnCategoryListClick(1); }
void CMainWindowView::OnCat2ListClick() { OnCategoryListClick(2); }
void CMainWindowView::OnCat3ListClick() { OnCategoryListClick(3); }

void CMainWindowView::OnCategoryListClick(int level) {
  CVeldraDocument* doc = document();
  if (doc == nullptr) return;
  CategoryTriple texts = ReadCategoryTexts();
  std::string& own = texts[level - 1];
  std::array<std::string, 3>& remembered = host_->remembered_selections();
  if (own.empty()) {
    own = remembered[level - 1];
    category_list(level)->SelectText(own);
  }
  remembered[level - 1] = own;
  // Both other lists are computed from the texts as they are now, before either changes.
  std::vector<std::pair<int, std::vector<std::string>>> others;
  for (int other = 1; other <= 3; ++other) {
    if (other == level) continue;
    const auto [a, b] = OtherLevels(other);
    others.emplace_back(other, doc->ListMatchingNames(other, texts[a - 1], texts[b - 1]));
  }
  for (const auto& [other, names] : others) {
    category_list(other)->Fill(names);
    category_list(other)->SelectText(texts[other - 1]);
  }
  SyncEntrySelectionFlags();
  RefreshEntryList();
  SaveRememberedSelections();
  doc->Save();
}

void CMainWindowView::OnColumnClick(int column) {
  CVeldraDocument* doc = document();
  if (doc == nullptr || column < 0 || column >= CVeldraDocument::kColumnCount) return;
  ApplyColumnClick(doc->sort_levels(), doc->column_sort_codes()[column]);
  SyncEntrySelectionFlags();
  doc->Save();
  RefreshEntryList();
}

void CMainWindowView::ReportSave(int result) {
  // A command refused for want of ids saved nothing, and says so itself.
  if (result == kIdsExhausted) {
    ShowWarningBox(commands::MessageCategoryIdsExhausted());
    return;
  }
  // The host watches every save and queues one warning for the first failure; a command
  // shows it as soon as it has finished.
  if (result != kSaveOk && host() != nullptr) host()->ShowQueuedWarnings();
}

void CMainWindowView::OnEntryListDoubleClick() {
  CVeldraDocument* doc = document();
  if (doc == nullptr || entry_list_->SelectedRows().empty()) return;
  const std::vector<EntryRecord> entries =
      CollectSelectedEntries(SelectionSource::kListTexts, /*sync=*/true);
  if (entries.empty()) return;
  const int32_t id = entries.front().id;
  if (DetailWindowOpener* opener = host_->detail_opener()) {
    opener->OpenPdfWindow(host_, id, doc->AttachmentOrdinal(id));
  }
}

QWidget* CMainWindowView::FrameWindow() const {
  if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) return frame;
  return parentWidget();
}

void CMainWindowView::SaveBrowserPosition() {
  CVeldraDocument* doc = document();
  auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (doc == nullptr || frame == nullptr) return;
  doc->SetEnvironmentValue(kMainWindowPositionKey, FormatBrowserPosition(frame->geometry()));
}

void CMainWindowView::RestoreBrowserPosition() {
  CVeldraDocument* doc = document();
  auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (doc == nullptr || frame == nullptr) return;
  QRect rect = frame->geometry();
  std::string stored;
  if (doc->GetEnvironmentValue(kMainWindowPositionKey, &stored)) {
    ParseBrowserPosition(stored, &rect);  // a value that does not parse is ignored
  }
  frame->setGeometry(0, 0, 1000, 1000);
  frame->setGeometry(rect);
  // A hidden frame gets its move and resize events only when shown: store the result now.
  if (!frame->isVisible()) {
    SaveBrowserPosition();
    doc->Save();
  }
}

void CMainWindowView::ReopenDetailWindows() {
  CVeldraDocument* doc = document();
  DetailWindowOpener* opener = host_->detail_opener();
  if (doc == nullptr || opener == nullptr) return;
  std::vector<std::pair<int, QPointer<QMdiSubWindow>>> noted;
  // The numbers are read before any window opens: opening writes entries back.
  for (const auto& [id, entry_number, pdf_number] : doc->DetailWindowOrders()) {
    if (entry_number > 0) {
      if (QMdiSubWindow* w = opener->OpenEntryWindow(host_, id)) noted.emplace_back(entry_number, w);
    }
    if (pdf_number > 0) {
      const int ordinal = doc->AttachmentOrdinal(id);
      if (QMdiSubWindow* w = opener->OpenPdfWindow(host_, id, ordinal)) {
        noted.emplace_back(pdf_number, w);
      }
    }
  }
  std::stable_sort(noted.begin(), noted.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  for (const auto& [number, window] : noted) {
    if (!window) continue;
    if (QMdiArea* area = window->mdiArea()) {
      area->setActiveSubWindow(window);
    } else {
      window->raise();
    }
  }
}

CommandState CMainWindowView::QueryCommand(int id) {
  switch (id) {
    case cmd::kPdfImport:
    case cmd::kPdfBatchImport:
      return importing_ ? CommandState::kDisabled : CommandState::kEnabled;
    case cmd::kCloseCatalog:
    case cmd::kNewSave:
    case cmd::kEditSelectAll:
    case cmd::kCategoryLabelEdit:
      return CommandState::kEnabled;
    case cmd::kFileClose: return CommandState::kDisabled;
    case cmd::kFullTextSearch:
      return document() != nullptr ? CommandState::kEnabled : CommandState::kDisabled;
    case cmd::kFindNext:
    case cmd::kFindPrevious:
      return OnUpdateFindHit();
    case cmd::kEntryInfo:
    case cmd::kCategoryBatchChange:
    case cmd::kPdfDelete:
    case cmd::kPdfExport:
    case cmd::kPdfOpen:
    case cmd::kSelectNone:
      return OnUpdateNeedsSelection();
    default: return CommandState::kNotHandled;
  }
}

void CMainWindowView::RunCommand(int id) {
  switch (id) {
    case cmd::kCloseCatalog:
      if (QWidget* frame = FrameWindow()) frame->close();
      break;
    case cmd::kNewSave: OnNewSave(); break;
    case cmd::kEditSelectAll: OnSelectAll(); break;
    case cmd::kCategoryLabelEdit: OnCategoryLabelEdit(); break;
    case cmd::kEntryInfo: OnEntryInfo(); break;
    case cmd::kCategoryBatchChange: OnCategoryBatchChange(); break;
    case cmd::kPdfDelete: OnPdfDelete(); break;
    case cmd::kPdfExport: OnPdfExport(); break;
    case cmd::kPdfOpen: OnPdfOpen(); break;
    case cmd::kSelectNone: OnSelectNone(); break;
    case cmd::kFullTextSearch: OnFullTextSearch(); break;
    case cmd::kFindNext: OnFindHit(true); break;
    case cmd::kFindPrevious: OnFindHit(false); break;
    default: break;
  }
  if (id == cmd::kPdfImport) OnPdfImport();
  if (id == cmd::kPdfBatchImport) OnPdfBatchImport();
}

void CMainWindowView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOut();
}

void CMainWindowView::LayOut() {
  const BrowserLayout layout = ComputeBrowserLayout(width(), height());
  for (int k = 0; k < 3; ++k) {
    category_lists_[k]->setGeometry(layout.lists[k]);
    add_buttons_[k]->setGeometry(layout.add_buttons[k]);
    delete_buttons_[k]->setGeometry(layout.delete_buttons[k]);
    category_labels_[k]->setGeometry(layout.labels[k]);
  }
  entry_list_->setGeometry(layout.entry_list);
  count_label_->setGeometry(layout.count_label);
}

}  // namespace veldra
