#include "browser/search_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <unordered_map>

#include "browser/catalog_document_host.h"
#include "browser/catalog_indexer.h"
#include "browser/detail_window_opener.h"
#include "browser/entry_list_ctrl.h"
#include "browser/entry_list_model.h"
#include "browser/list_row_delegate.h"
#include "browser/main_window_view.h"
#include "browser/search_messages.h"
#include "browser/search_result_model.h"
#include "browser/snippet_delegate.h"
#include "browser/ui_text.h"
#include "commands/entry_list_text.h"
#include "platform/codepage.h"
#include "search/entry_attributes.h"

namespace veldra {
namespace {

// The entry list's column that shows each attribute a snippet may come from.
constexpr std::pair<const char*, int> kAttributeColumns[] = {
    {"en_title", 0},         {"en_c1_name", 2},         {"en_c2_name", 3},
    {"en_c3_name", 4},       {"en_author_name", 8},     {"en_editor_name", 9},
    {"en_supervisor_name", 10}, {"en_translator_name", 11}, {"en_publisher_name", 12},
    {"en_note", 13},
};

// The snippet of hit to show page with: the first from that page's text.
const search::Snippet* SnippetOfPage(const search::EntryHit& hit, int page) {
  for (const search::Snippet& snippet : hit.snippets) {
    if (snippet.field == "text" && snippet.page == page && !snippet.match.empty()) return &snippet;
  }
  return nullptr;
}

}  // namespace

FullTextSearchWindow::FullTextSearchWindow(CMainWindowView* browser, std::string index_path)
    : QWidget(browser, Qt::Window),
      browser_(browser),
      host_(browser->host()),
      search_(std::move(index_path)),
      query_(new QLineEdit(this)),
      narrow_(new QCheckBox(QStringLiteral("一覧を絞り込む"), this)),
      status_(new QLabel(this)),
      progress_(new QLabel(this)),
      failure_box_(new QWidget(this)),
      failures_(new QListWidget(failure_box_)),
      retry_(new QPushButton(QStringLiteral("もう一度読み取る"), failure_box_)),
      results_(new QTableView(this)),
      model_(new SearchResultModel(this)),
      debounce_(new QTimer(this)),
      since_refresh_(std::make_unique<QElapsedTimer>()) {
  setWindowTitle(QStringLiteral("PDF本文検索 - ") + ToQString(host_->Title()));
  setAttribute(Qt::WA_DeleteOnClose, false);  // closed, it keeps its query for the next Ctrl+F
  query_->setObjectName(QStringLiteral("query"));
  query_->setPlaceholderText(QStringLiteral("検索する語（例: 形態素 title:入門 \"machine learning\"）"));
  query_->setClearButtonEnabled(true);
  query_->installEventFilter(this);
  narrow_->setObjectName(QStringLiteral("narrow"));
  narrow_->setToolTip(QStringLiteral("カタログの一覧に、見つかったPDFだけを表示します"));
  status_->setObjectName(QStringLiteral("status"));
  status_->setWordWrap(true);
  results_->setObjectName(QStringLiteral("results"));
  results_->setModel(model_);
  results_->setSelectionBehavior(QAbstractItemView::SelectRows);
  results_->setSelectionMode(QAbstractItemView::SingleSelection);
  results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  results_->setWordWrap(false);
  results_->setShowGrid(false);
  results_->verticalHeader()->hide();
  results_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  results_->verticalHeader()->setDefaultSectionSize(
      ListRowDelegate::RowHeight(fontMetrics().height()));
  results_->setItemDelegate(new ListRowDelegate(results_, /*whole_row=*/true));
  results_->setItemDelegateForColumn(SearchResultModel::kSnippet,
                                     new SnippetDelegate(SearchResultModel::kSnippetPartsRole, results_));
  results_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  results_->horizontalHeader()->setStretchLastSection(true);
  results_->setColumnWidth(SearchResultModel::kTitle, 170);
  results_->setColumnWidth(SearchResultModel::kHits, 44);
  results_->setColumnWidth(SearchResultModel::kPages, 80);

  progress_->setObjectName(QStringLiteral("progress"));
  progress_->setWordWrap(true);
  failures_->setObjectName(QStringLiteral("failures"));
  failures_->setMaximumHeight(fontMetrics().height() * 5);
  retry_->setObjectName(QStringLiteral("retry"));
  retry_->setToolTip(QStringLiteral("読み取れなかったPDFの本文を、もう一度読み取ります"));
  auto* failure_title = new QHBoxLayout;
  failure_title->addWidget(new QLabel(QStringLiteral("本文を読み取れなかったPDF:"), failure_box_), 1);
  failure_title->addWidget(retry_);
  auto* failure_layout = new QVBoxLayout(failure_box_);
  failure_layout->setContentsMargins(0, 0, 0, 0);
  failure_layout->addLayout(failure_title);
  failure_layout->addWidget(failures_);
  failure_box_->hide();

  auto* top = new QHBoxLayout;
  top->addWidget(query_, 1);
  top->addWidget(narrow_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(status_);
  layout->addWidget(results_, 1);
  layout->addWidget(progress_);
  layout->addWidget(failure_box_);
  resize(kDefaultWidth, kDefaultHeight);

  debounce_->setSingleShot(true);
  debounce_->setInterval(kDebounceMs);
  connect(debounce_, &QTimer::timeout, this, &FullTextSearchWindow::RunSearch);
  connect(query_, &QLineEdit::textChanged, debounce_, qOverload<>(&QTimer::start));
  connect(narrow_, &QCheckBox::toggled, this, &FullTextSearchWindow::ApplyNarrowing);
  connect(results_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &FullTextSearchWindow::OnRowChanged);
  connect(results_, &QTableView::activated, this,
          [this](const QModelIndex& index) { OpenRow(index.row()); });
  // The search keys of the main window, here: the next and previous row.
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), this), &QShortcut::activated, this,
          [this] { MoveRow(1); });
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G), this),
          &QShortcut::activated, this, [this] { MoveRow(-1); });
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this), &QShortcut::activated, this,
          &FullTextSearchWindow::Present);
  // An entry deleted, imported or edited: the results follow once the change has settled.
  connect(host_, &CatalogDocumentHost::DocumentSaved, this, [this] {
    if (isVisible() && has_query_) debounce_->start();
  });
  CatalogIndexer& indexer = host_->indexer();
  connect(&indexer, &CatalogIndexer::Progressed, this, &FullTextSearchWindow::OnIndexerProgressed);
  connect(&indexer, &CatalogIndexer::Finished, this, &FullTextSearchWindow::OnIndexerFinished);
  connect(retry_, &QPushButton::clicked, this, [this] {
    if (CVeldraDocument* doc = document()) host_->indexer().Start(*doc, /*retry_failed=*/true);
    ShowIndexing();
  });
  since_refresh_->start();
  ShowIndexing();
}

FullTextSearchWindow::~FullTextSearchWindow() = default;

CVeldraDocument* FullTextSearchWindow::document() const { return browser_->document(); }

void FullTextSearchWindow::Present() {
  if (!isVisible()) {
    // Beside the main window when the screen has room there, else over its lower right
    // corner, where it hides the least of the lists.
    const QRect main = browser_->window()->frameGeometry();
    QPoint at(main.right() + 1, main.top() + 60);
    if (const QScreen* screen = QGuiApplication::screenAt(main.center())) {
      const QRect room = screen->availableGeometry();
      if (at.x() + width() > room.right()) at = main.bottomRight() - QPoint(width() + 16, height() + 16);
      at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - width())));
      at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() - height())));
    }
    move(at);
    show();
    if (!query_->text().trimmed().isEmpty()) SearchNow();
  }
  raise();
  activateWindow();
  query_->setFocus();
  query_->selectAll();
}

void FullTextSearchWindow::SearchNow() { RunSearch(); }

void FullTextSearchWindow::RunSearch() {
  debounce_->stop();
  CVeldraDocument* doc = document();
  const std::string typed = FromQString(query_->text());
  const search::SearchQuery query = search::ParseQuery(platform::Cp932ToUtf8(typed));
  if (doc == nullptr || query.error == search::QueryError::kNoTerm) {
    Clear();
    return;
  }
  if (query.error != search::QueryError::kNone) {
    // The results of the last good query stay while this one is being written.
    SetStatus(MessageQueryError(query), true);
    return;
  }
  if (doc->entries().Count() != entries_seen_) {
    search_.Forget();  // PDFs came or went: what the index holds of them is read again
    entries_seen_ = doc->entries().Count();
  }
  host_->search_state().set_last_query(typed);
  ShowOutcome(search_.Run(*doc, query));
}

void FullTextSearchWindow::ShowOutcome(const search::SearchOutcome& outcome) {
  const QModelIndex current = results_->currentIndex();
  const int32_t selected = current.isValid() ? current.data(SearchResultModel::kEntryIdRole).toInt() : -1;
  const int scrolled = results_->verticalScrollBar()->value();
  std::unordered_map<std::string, std::string> names;
  for (const auto& [key, column] : kAttributeColumns) {
    names[key] = browser_->entry_list()->entry_model()->ColumnTitle(column);
  }
  std::vector<int32_t> ids;
  ids.reserve(outcome.entries.size());
  for (const search::EntryHit& hit : outcome.entries) ids.push_back(hit.entry_id);
  {
    const QSignalBlocker quiet(results_->selectionModel());
    model_->Reset(document(), outcome.entries, std::move(names));
    const int row = model_->RowOf(selected);
    if (row >= 0) results_->selectionModel()->setCurrentIndex(
        model_->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    results_->verticalScrollBar()->setValue(scrolled);
  }
  has_query_ = outcome.problem == search::StoreProblem::kNone;
  host_->search_state().SetHits(ids);
  ApplyNarrowing();

  std::string text;
  if (!search_.set_aside().empty()) text = MessageIndexSetAside(search_.set_aside()) + "\n";
  if (outcome.problem != search::StoreProblem::kNone) {
    SetStatus(text + MessageIndexProblem(outcome.problem), true);
    return;
  }
  text += MessageSearchFound(outcome.entries.size());
  if (outcome.partial) text += UiText("　") + MessageSearchPartial(outcome.total - outcome.indexed);
  SetStatus(text, false);
}

void FullTextSearchWindow::Clear() {
  model_->Reset(nullptr, {}, {});
  has_query_ = false;
  host_->search_state().Clear();  // the narrowing ends with the hits
  SetStatus(std::string(), false);
}

void FullTextSearchWindow::ApplyNarrowing() {
  host_->search_state().SetNarrowing(narrow_->isChecked() && isVisible() && has_query_);
}

void FullTextSearchWindow::SetStatus(const std::string& cp932, bool trouble) {
  status_->setText(ToQString(cp932));
  status_->setStyleSheet(trouble ? QStringLiteral("color: #b00000;") : QString());
}

void FullTextSearchWindow::ShowIndexing() {
  const CatalogIndexer& indexer = host_->indexer();
  if (indexer.running()) {
    progress_->setText(ToQString(MessageIndexing(indexer.progress().done, indexer.progress().total)));
    progress_->setStyleSheet(QString());
    progress_->show();
  } else {
    const std::string stopped = indexer.has_report() ? MessageIndexerStopped(indexer.report())
                                                      : std::string();
    progress_->setText(ToQString(stopped));
    progress_->setStyleSheet(QStringLiteral("color: #b00000;"));
    progress_->setVisible(!stopped.empty());
  }
  // The PDFs whose text could not be read, listed once with the reason.
  failures_->clear();
  CVeldraDocument* doc = document();
  if (indexer.has_report() && doc != nullptr) {
    for (const search::IndexedFailure& failure : indexer.report().failed) {
      const std::optional<EntryRecord> entry = doc->FindEntry(failure.entry_id);
      if (!entry) continue;  // deleted since
      failures_->addItem(ToQString(commands::EntryCellText(*entry, 0) + UiText("：") +
                                   MessagePdfFailure(failure.kind)));
    }
  }
  failure_box_->setVisible(failures_->count() > 0);
  retry_->setEnabled(!indexer.running());
}

void FullTextSearchWindow::OnIndexerProgressed() {
  ShowIndexing();
  // The results take in what was indexed since, now and then: a search per progress step
  // would take the time from typing.
  if (isVisible() && has_query_ && since_refresh_->elapsed() >= kIndexingRefreshMs) {
    search_.Forget();
    since_refresh_->restart();
    RunSearch();
  }
}

void FullTextSearchWindow::OnIndexerFinished() {
  ShowIndexing();
  search_.Forget();
  if (isVisible() && has_query_) RunSearch();
}

void FullTextSearchWindow::OnRowChanged() {
  const QModelIndex current = results_->currentIndex();
  if (current.isValid()) browser_->SelectEntry(current.data(SearchResultModel::kEntryIdRole).toInt());
}

void FullTextSearchWindow::MoveRow(int delta) {
  const int rows = model_->rowCount();
  if (rows == 0) return;
  const QModelIndex current = results_->currentIndex();
  const int row = current.isValid() ? std::clamp(current.row() + delta, 0, rows - 1) : 0;
  results_->selectionModel()->setCurrentIndex(
      model_->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  results_->scrollTo(model_->index(row, 0));
}

void FullTextSearchWindow::OpenRow(int row) {
  CVeldraDocument* doc = document();
  DetailWindowOpener* opener = host_->detail_opener();
  if (doc == nullptr || opener == nullptr || row < 0 || row >= model_->rowCount()) return;
  const search::EntryHit& hit = model_->hits()[static_cast<size_t>(row)];
  const int32_t id = hit.entry_id;
  const int ordinal = doc->AttachmentOrdinal(id);
  // The keys go to the viewer from now on (Ctrl+G steps through its occurrences); this
  // window stays where it is.
  struct ToTheViewer {
    QWidget* main;
    ~ToTheViewer() { main->activateWindow(); }
  } to_the_viewer{browser_->window()};
  if (hit.pages.empty() || ordinal < 0) {
    opener->OpenPdfWindow(host_, id, ordinal);  // a hit in the attributes only
    return;
  }
  const int page = hit.pages.front();
  const search::Snippet* snippet = SnippetOfPage(hit, page);
  search::SearchOutcome more;
  if (snippet == nullptr) {
    // Past the rows that got snippets: the search is run again with snippets down to it.
    search::SearchOptions options;
    options.snippet_entries = static_cast<size_t>(row) + 1;
    more = search_.Run(*doc, search::ParseQuery(platform::Cp932ToUtf8(host_->search_state().last_query())),
                       options);
    for (const search::EntryHit& again : more.entries) {
      if (again.entry_id == id) snippet = SnippetOfPage(again, page);
    }
  }
  if (snippet == nullptr) {
    opener->OpenPdfWindow(host_, id, ordinal);
    return;
  }
  opener->OpenPdfWindowAtHit(host_, id, ordinal, QString::fromUtf8(snippet->match), page);
}

void FullTextSearchWindow::closeEvent(QCloseEvent* event) {
  host_->search_state().SetNarrowing(false);
  QWidget::closeEvent(event);
}

void FullTextSearchWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

bool FullTextSearchWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == query_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter: {
        if (debounce_->isActive()) SearchNow();
        const QModelIndex current = results_->currentIndex();
        OpenRow(current.isValid() ? current.row() : 0);
        return true;
      }
      case Qt::Key_Down: MoveRow(1); return true;
      case Qt::Key_Up: MoveRow(-1); return true;
      case Qt::Key_PageDown: MoveRow(10); return true;
      case Qt::Key_PageUp: MoveRow(-10); return true;
      default: break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace veldra
