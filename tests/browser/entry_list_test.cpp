// The entry list: columns, cells, the sort order and the header clicks, the selection kept
// in the entries, and the scroll position across a rebuild.
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <memory>

#include "browser/entry_list_columns.h"
#include "browser/entry_list_ctrl.h"
#include "browser/entry_list_model.h"
#include "browser/category_list_ctrl.h"
#include "browser/sort_choice.h"
#include "resources/command_ids.h"
#include "storage/catalog_document.h"
#include "storage/catalog_table.h"
#include "tests/browser/gui_test_support.h"

using namespace veldra;
using namespace veldra::testing;
using Names = std::vector<std::string>;

namespace {

constexpr char kPath[] = "/data/list.vdc";
enum Column {
  kTitle, kFile, kCat1, kCat2, kCat3, kSize, kUpdated, kRating,
  kAuthor, kEditor, kSupervisor, kTranslator, kPublisher, kNote
};

SortLevels Levels(std::initializer_list<SortLevel> levels) {
  SortLevels out{};
  int i = 0;
  for (const SortLevel& l : levels) out[i++] = l;
  return out;
}

}  // namespace

class EntryListTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<GuiTestEnvironment> env_;
  CMainWindow* frame_ = nullptr;
  CMainWindowView* view() const { return frame_->view(); }
  CVeldraDocument& doc() const { return *view()->document(); }
  void Open(const std::vector<TestEntry>& entries,
            const std::vector<std::array<std::string, 3>>& triples = {}) {
    QVERIFY(MakeTestCatalog(kPath, triples, entries));
    frame_ = env_->OpenBrowser(kPath);
  }
  void ClickHeader(int column) {
    QHeaderView* header = view()->entry_list()->horizontalHeader();
    const int x = header->sectionViewportPosition(column) + 5;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, 5));
  }
  void Reopen() {
    env_->CloseBrowser(frame_);
    frame_ = env_->OpenBrowser(kPath);
  }
  // The sizes of the rows, top to bottom: they tell entries with equal titles apart.
  std::vector<std::string> Sizes() const {
    std::vector<std::string> sizes;
    for (int r = 0; r < view()->entry_list()->entry_model()->rowCount(); ++r) {
      sizes.push_back(Cell(view(), r, kSize));
    }
    return sizes;
  }

 private slots:
  void init() { env_ = std::make_unique<GuiTestEnvironment>(); }

  void cleanup() {
    env_.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
  }

  void columns_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("right");
    const char* titles[] = {"タイトル", "ファイル", "分類１", "分類２", "分類３", "サイズ", "修正日時",
                            "マイレート", "著者", "編集者", "監修者", "翻訳者", "出版社", "ノート"};
    const int widths[] = {150, 150, 100, 100, 100, 70, 110, 75, 100, 100, 100, 100, 100, 150};
    for (int c = 0; c < 14; ++c) {
      QTest::newRow(titles[c]) << c << QString::fromUtf8(titles[c]) << widths[c] << (c == 5);
    }
  }

  void columns() {
    QFETCH(int, column);
    QFETCH(QString, title);
    QFETCH(int, width);
    QFETCH(bool, right);
    Open({{"a", {"その他", "その他", "その他"}}});
    const EntryListModel* model = view()->entry_list()->entry_model();
    QCOMPARE(model->columnCount(), 14);
    QCOMPARE(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(), title);
    QCOMPARE(view()->entry_list()->columnWidth(column), width);
    const auto align = model->data(model->index(0, column), Qt::TextAlignmentRole).value<Qt::Alignment>();
    QCOMPARE(bool(align & Qt::AlignRight), right);
  }

  void categoryColumnsShowTheLabels() {
    QVERIFY(MakeTestCatalog(kPath, {}, {}));
    {
      CVeldraDocument d;
      d.OpenCatalog(kPath);
      LabelRecord label;
      QVERIFY(d.FindLabel(3, &label));
      label.text.SetText(Sjis("出版年"));
      d.UpdateLabel(label);
      QCOMPARE(d.Save(), kSaveOk);
    }
    frame_ = env_->OpenBrowser(kPath);
    const EntryListModel* model = view()->entry_list()->entry_model();
    QCOMPARE(model->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("分類１"));
    QCOMPARE(model->headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("出版年"));
    QCOMPARE(view()->count_label()->text(), QStringLiteral("0件"));
  }

  // Every column shows its own field: each text field of the entry "six" holds a name of
  // its own, so a column reading a neighbour's field shows the wrong one.
  void cellTexts_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    const struct {
      const char* name;
      int row;
      int column;
      const char* text;
    } rows[] = {
        {"title", 0, kTitle, "six"},
        {"file", 0, kFile, "six.pdf"},
        {"category 1", 0, kCat1, "甲"},
        {"category 2", 0, kCat2, "乙"},
        {"category 3", 0, kCat3, "丙"},
        {"category 1 of another", 1, kCat1, "その他"},
        {"size", 0, kSize, "0.5 KB"},
        {"size of a megabyte", 1, kSize, "1.0 MB"},
        {"negative size", 2, kSize, "-0.0 KB"},
        {"updated", 1, kUpdated, "2024/03/05 07:08"},
        {"updated never", 2, kUpdated, ""},
        {"rating", 1, kRating, "☆☆☆"},
        {"rating above five", 0, kRating, ""},
        {"rating none", 2, kRating, ""},
        {"author", 0, kAuthor, "山田"},
        {"editor", 0, kEditor, "鈴木"},
        {"supervisor", 0, kSupervisor, "佐藤"},
        {"translator", 0, kTranslator, "田中"},
        {"publisher", 0, kPublisher, "技術出版"},
        {"note", 0, kNote, "覚え書き"},
        {"author of another", 1, kAuthor, ""},
    };
    for (const auto& r : rows) {
      QTest::newRow(r.name) << r.row << r.column << QString::fromUtf8(r.text);
    }
  }

  void cellTexts() {
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    Open({{"zero", {"その他", "その他", "その他"}, -1, 0, ""},
          {"three", {"その他", "その他", "その他"}, 1048576, 3, "20240305070809010"},
          {"six", {"甲", "乙", "丙"}, 512, 6, "20240305070809010",
           {"山田", "鈴木", "佐藤", "田中", "技術出版"}, "覚え書き"}},
         {{"甲", "乙", "丙"}});
    // Default order: by title ascending.
    QCOMPARE(Titles(view()), (Names{"six", "three", "zero"}));
    QCOMPARE(QString::fromStdString(Cell(view(), row, column)), text);
  }

  void equalTitlesShowNewestFirstInBothDirections() {
    Open({{"T", {"その他", "その他", "その他"}, 1024},
          {"T", {"その他", "その他", "その他"}, 2048},
          {"A", {"その他", "その他", "その他"}, 512}});
    QCOMPARE(Sizes(), (Names{"0.5 KB", "2.0 KB", "1.0 KB"}));
    ClickHeader(kTitle);  // title, descending
    QCOMPARE(doc().sort_levels()[0], (SortLevel{2, 0}));
    QCOMPARE(Sizes(), (Names{"2.0 KB", "1.0 KB", "0.5 KB"}));
  }

  void headerClicksRememberTheMostRecentKeys() {
    Open({{"b", {"その他", "その他", "その他"}, 2048},
          {"a", {"その他", "その他", "その他"}, 2048},
          {"c", {"その他", "その他", "その他"}, 1024}});
    ClickHeader(kSize);
    QCOMPARE(doc().sort_levels(), Levels({{7, 1}, {2, 1}, {0, 0}}));
    QCOMPARE(Titles(view()), (Names{"c", "a", "b"}));
    ClickHeader(kSize);
    QCOMPARE(doc().sort_levels(), Levels({{7, 0}, {2, 1}, {0, 0}}));
    QCOMPARE(Titles(view()), (Names{"a", "b", "c"}));
    ClickHeader(kTitle);
    QCOMPARE(doc().sort_levels(), Levels({{2, 1}, {7, 0}, {0, 0}}));
    QCOMPARE(Titles(view()), (Names{"a", "b", "c"}));

    // The sort survives closing and reopening; the column table is rebuilt.
    Reopen();
    QCOMPARE(doc().sort_levels(), Levels({{2, 1}, {7, 0}, {0, 0}}));
    QCOMPARE(doc().column_sort_codes()[kUpdated], 12);
    QCOMPARE(Titles(view()), (Names{"a", "b", "c"}));
  }

  void mostRecentlyUsedRules_data() {
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QList<int>>("expected");  // key, ascending, key, ascending, ...
    QTest::newRow("fourth drops the oldest") << QList<int>{7, 6, 8}
                                             << QList<int>{8, 1, 6, 1, 7, 1};
    QTest::newRow("third comes to the front with its direction")
        << QList<int>{7, 7, 6, 15, 7} << QList<int>{7, 0, 15, 1, 6, 1};
    QTest::newRow("second swaps with the first") << QList<int>{7, 2}
                                                 << QList<int>{2, 1, 7, 1, 0, 0};
    QTest::newRow("none moves to the front, no key lost") << QList<int>{0}
                                                          << QList<int>{0, 0, 2, 1, 0, 0};
    QTest::newRow("none clicked twice only flips") << QList<int>{0, 0}
                                                   << QList<int>{0, 1, 2, 1, 0, 0};
  }

  void mostRecentlyUsedRules() {
    QFETCH(QList<int>, keys);
    QFETCH(QList<int>, expected);
    SortLevels levels = Levels({{2, 1}, {0, 0}, {0, 0}});
    for (int key : keys) ApplyColumnClick(levels, key);
    for (int i = 0; i < 3; ++i) {
      QCOMPARE(levels[i].key_code, expected[2 * i]);
      QCOMPARE(int(levels[i].ascending), expected[2 * i + 1]);
    }
  }

  void noteHeaderSortsByTheFollowingKeys() {
    Open({{"b", {"その他", "その他", "その他"}}, {"a", {"その他", "その他", "その他"}}});
    ClickHeader(kNote);
    QCOMPARE(doc().sort_levels(), Levels({{0, 0}, {2, 1}, {0, 0}}));
    QCOMPARE(Titles(view()), (Names{"a", "b"}));
  }

  void selectionSurvivesRebuildsWhileShown() {
    Open({{"a1", {"A", "x", "p"}}, {"a2", {"A", "x", "p"}}, {"b1", {"B", "x", "p"}}},
         {{"A", "x", "p"}, {"B", "x", "p"}});
    QCOMPARE(Titles(view()), (Names{"a1", "a2", "b1"}));
    view()->entry_list()->SelectRows({1, 2});  // a2, b1
    ClickRow(view()->category_list(1), 1);     // A: b1 hidden
    QCOMPARE(Titles(view()), (Names{"a1", "a2"}));
    QCOMPARE(view()->entry_list()->SelectedRows(), (std::vector<int>{1}));
    ClickRow(view()->category_list(1), 0);     // all: b1 shown again, not selected
    QCOMPARE(Titles(view()), (Names{"a1", "a2", "b1"}));
    QCOMPARE(view()->entry_list()->SelectedRows(), (std::vector<int>{1}));

    // The selection is in the catalog after closing.
    Reopen();
    QCOMPARE(view()->entry_list()->SelectedRows(), (std::vector<int>{1}));
  }

  // A search's hits narrow the list, under the category selection, until the narrowing
  // ends; Ctrl+G and Ctrl+Shift+G go through the listed hits in the list's order.
  void narrowedToTheHitsAndSteppedThrough() {
    Open({{"a1", {"A", "x", "p"}}, {"a2", {"A", "x", "p"}}, {"a3", {"A", "x", "p"}},
          {"b1", {"B", "x", "p"}}},
         {{"A", "x", "p"}, {"B", "x", "p"}});
    CatalogSearchState& search = view()->host()->search_state();
    QCOMPARE(view()->QueryCommand(cmd::kFindNext), CommandState::kDisabled);
    search.SetHits({0, 2, 3});  // a1, a3, b1
    view()->entry_list()->SelectRows({1});
    for (const char* title : {"a3", "b1", "a1", "a3"}) {
      view()->RunCommand(cmd::kFindNext);
      QCOMPARE(Titles(view())[view()->entry_list()->SelectedRows().at(0)], std::string(title));
    }
    view()->RunCommand(cmd::kFindPrevious);
    QCOMPARE(view()->entry_list()->SelectedRows(), (std::vector<int>{0}));

    search.SetNarrowing(true);
    QCOMPARE(Titles(view()), (Names{"a1", "a3", "b1"}));
    QCOMPARE(view()->count_label()->text(), QStringLiteral("3件"));
    ClickRow(view()->category_list(1), 1);  // A
    QCOMPARE(Titles(view()), (Names{"a1", "a3"}));
    QCOMPARE(view()->count_label()->text(), QStringLiteral("2件"));
    search.SetHits({2});
    QCOMPARE(Titles(view()), (Names{"a3"}));
    // The commands resolve the rows as the list shows them.
    view()->entry_list()->SelectRows({0});
    QCOMPARE(view()->CollectSelectedEntries(CMainWindowView::SelectionSource::kListTexts, false)
                 .at(0).id, 2);
    search.SetNarrowing(false);
    QCOMPARE(Titles(view()), (Names{"a1", "a2", "a3"}));
    QCOMPARE(view()->entry_list()->SelectedRows(), (std::vector<int>{2}));
    QVERIFY(!view()->SelectEntry(3));  // b1 is not listed under A
    QVERIFY(view()->entry_list()->SelectedRows().empty());
  }

  void syncStampsTheSelectedEntries() {
    Open({{"a", {"その他", "その他", "その他"}}, {"b", {"その他", "その他", "その他"}}});
    QCOMPARE(Cell(view(), 0, kUpdated), std::string("2024/01/01 12:00"));
    view()->entry_list()->SelectRows({1});
    env_->fake().SetNow({2024, 7, 8, 10, kTranslator, 0, 0});
    ClickHeader(kSize);
    QCOMPARE(Titles(view()), (Names{"a", "b"}));  // equal sizes, then by title
    QCOMPARE(Cell(view(), 1, kUpdated), std::string("2024/07/08 10:11"));
    QCOMPARE(Cell(view(), 0, kUpdated), std::string("2024/01/01 12:00"));
  }

  void scrollPositionIsKeptAcrossARebuild() {
    std::vector<TestEntry> entries;
    for (int i = 0; i < 200; ++i) {
      entries.push_back({"t" + std::to_string(1000 + i), {"その他", "その他", "その他"}, 1000 + i});
    }
    Open(entries);
    EntryListCtrl* list = view()->entry_list();
    list->verticalScrollBar()->setValue(50);
    list->horizontalScrollBar()->setValue(120);
    ClickHeader(kSize);  // reorders all rows
    QCOMPARE(list->verticalScrollBar()->value(), 50);
    QCOMPARE(list->horizontalScrollBar()->value(), 120);
    QCOMPARE(view()->count_label()->text(), QStringLiteral("200件"));
  }
};

QTEST_MAIN(EntryListTest)
#include "entry_list_test.moc"
