// The search window of a catalog, on an index with known text per page: rows while typing,
// the narrowing of the browser's list, the selection and the viewer at the hit, the query's
// and the index's troubles worded in the window, and the results following the catalog.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "browser/catalog_document_host.h"
#include "browser/entry_list_ctrl.h"
#include "browser/search_result_model.h"
#include "browser/search_window.h"
#include "browser/ui_text.h"
#include "resources/command_ids.h"
#include "tests/browser/gui_test_support.h"
#include "tests/shell/viewer_test_support.h"

using namespace veldra;
using namespace veldra::testing;
using Names = std::vector<std::string>;

namespace {

constexpr char kPath[] = "/data/search.vdc";

}  // namespace

class SearchWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<GuiTestEnvironment> env_;
  std::unique_ptr<QTemporaryDir> cache_;
  std::unique_ptr<StandInOpener> opener_;
  CMainWindow* frame_ = nullptr;
  CMainWindowView* view() const { return frame_->view(); }
  FullTextSearchWindow* window() const { return view()->search_window(); }
  CatalogSearchState& state() const { return view()->host()->search_state(); }

  // Alpha has "comet" on page 7, Beta on page 2; Gamma's text is not indexed; Delta has
  // none, but "田中" on page 2 as Qt's PDF writer stores it (the Kangxi radical ⽥, U+2F65).
  void Open() {
    QVERIFY(MakeViewerCatalog(kPath, {{"Alpha", "a.pdf", "%PDF a"}, {"Beta", "b.pdf", "%PDF b"},
                                      {"Gamma", "c.pdf", "%PDF c"}, {"Delta", "d.pdf", "%PDF d"}}));
    std::vector<std::string> alpha(8, "stars and planets");
    alpha[6] = "the comet returns, and a comet again";
    QVERIFY(PutIndexTexts(kPath, IndexPath(), {{0, alpha},
                                               {1, {"nothing", "a comet tail"}},
                                               {3, {"only stars", "\u2f65中の形態素解析"}}}));
    frame_ = env_->OpenBrowser(kPath);
    view()->host()->set_detail_opener(opener_.get());
    view()->RunCommand(cmd::kFullTextSearch);
    QVERIFY(window() != nullptr && window()->isVisible());
  }
  std::string IndexPath() const { return cache_->path().toStdString() + "/veldra/index.sqlite"; }
  void Type(const QString& query) {
    window()->query_field()->setText(query);
    window()->SearchNow();
  }
  QString Status() const { return window()->status_label()->text(); }
  QString Cell(int row, int column) const {
    return window()->result_model()->index(row, column).data().toString();
  }

 private slots:
  void init() {
    env_ = std::make_unique<GuiTestEnvironment>();
    cache_ = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(cache_->path()).mkpath("veldra"));
    env_->fake().SetCacheFolder(cache_->path().toStdString());
    opener_ = std::make_unique<StandInOpener>(env_->area());
  }

  void cleanup() {
    env_.reset();
    opener_.reset();
    cache_.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
  }

  void rowsWhileTyping() {
    Open();
    QCOMPARE(window()->windowTitle(), QStringLiteral("PDF本文検索 - search.vdc"));
    window()->query_field()->setText(QStringLiteral("comet"));
    QCOMPARE(window()->result_model()->rowCount(), 0);  // not before the pause
    QTRY_COMPARE(window()->result_model()->rowCount(), 2);
    const int alpha = window()->result_model()->RowOf(0);
    const int beta = window()->result_model()->RowOf(1);
    QCOMPARE(Cell(alpha, SearchResultModel::kTitle), QStringLiteral("Alpha"));
    QCOMPARE(Cell(alpha, SearchResultModel::kHits), QStringLiteral("2"));
    QCOMPARE(Cell(alpha, SearchResultModel::kPages), QStringLiteral("7"));
    QCOMPARE(Cell(beta, SearchResultModel::kTitle), QStringLiteral("Beta"));
    QCOMPARE(Cell(beta, SearchResultModel::kPages), QStringLiteral("2"));
    QCOMPARE(window()->result_model()->index(beta, SearchResultModel::kSnippet)
                 .data(SearchResultModel::kSnippetPartsRole).toStringList(),
             (QStringList{"", "a ", "comet", " tail"}));
    QCOMPARE(Status(), QStringLiteral("2件見つかりました　本文の索引がまだないPDFが1件あり、その本文は検索していません。"));
    QCOMPARE(state().last_query(), std::string("comet"));
    // An attribute hit names its field.
    Type(QStringLiteral("gam"));
    QCOMPARE(window()->result_model()->index(0, SearchResultModel::kSnippet)
                 .data(SearchResultModel::kSnippetPartsRole).toStringList().at(0),
             QStringLiteral("タイトル"));
    Type(QStringLiteral("nebula"));
    QVERIFY(Status().startsWith(QStringLiteral("見つかりませんでした　")));
    QCOMPARE(window()->result_model()->rowCount(), 0);
  }

  void queryTroublesAreWordedInTheWindow_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("status");
    QTest::newRow("unbalanced quote") << QStringLiteral("\"comet tail") << QStringLiteral("引用符（\"）が閉じられていません。");
    QTest::newRow("field without a term") << QStringLiteral("comet title:")
                                          << QStringLiteral("「title:」には検索できる文字がありません。");
  }

  void queryTroublesAreWordedInTheWindow() {
    QFETCH(QString, query);
    QFETCH(QString, status);
    Open();
    Type(QStringLiteral("comet"));
    Type(query);
    QCOMPARE(Status(), status);
    QCOMPARE(window()->result_model()->rowCount(), 2);  // the last good results stay
  }

  void anIndexThatCannotBeUsedIsNamed() {
    Open();
    window()->close();
    delete window();
    // A file where the index's folder must be.
    const QString blocked = cache_->filePath("blocked");
    QVERIFY(QDir().mkpath(blocked));
    QVERIFY(QFile(blocked + "/veldra").open(QIODevice::WriteOnly));
    env_->fake().SetCacheFolder(blocked.toStdString());
    view()->RunCommand(cmd::kFullTextSearch);
    Type(QStringLiteral("comet"));
    QCOMPARE(Status(), QStringLiteral("索引を使えないため検索できません（索引のフォルダの場所にファイルがあります）。"));
  }

  // The list is narrowed while the box is checked, the window open and the query good; the
  // category lists still filter it.
  void narrowingTheBrowsersList() {
    Open();
    Type(QStringLiteral("comet"));
    QCOMPARE(Titles(view()), (Names{"Alpha", "Beta", "Delta", "Gamma"}));
    window()->narrow_box()->setChecked(true);
    QCOMPARE(Titles(view()), (Names{"Alpha", "Beta"}));
    QCOMPARE(view()->count_label()->text(), QStringLiteral("2件"));
    Type(QString());
    QCOMPARE(Titles(view()).size(), size_t(4));
    QCOMPARE(state().last_query(), std::string());
    Type(QStringLiteral("tail"));
    QCOMPARE(Titles(view()), (Names{"Beta"}));
    window()->close();
    QCOMPARE(Titles(view()).size(), size_t(4));
    QCOMPARE(state().last_query(), std::string("tail"));  // Ctrl+G and the viewers keep it
    QCOMPARE(view()->QueryCommand(cmd::kFindNext), CommandState::kEnabled);
    // Ctrl+F again: the same window, its query selected, the list narrowed again.
    view()->RunCommand(cmd::kFullTextSearch);
    QCOMPARE(Titles(view()), (Names{"Beta"}));
    QCOMPARE(window()->query_field()->selectedText(), QStringLiteral("tail"));
    QCOMPARE(view()->findChildren<FullTextSearchWindow*>().size(), qsizetype(1));
  }

  void selectingAndOpeningRows() {
    Open();
    Type(QStringLiteral("comet"));
    const int alpha = window()->result_model()->RowOf(0);
    for (int i = 0; i <= alpha; ++i) QTest::keyClick(window()->query_field(), Qt::Key_Down);
    QCOMPARE(view()->entry_list()->SelectedRows(), (std::vector<int>{0}));  // Alpha
    QTest::keyClick(window()->query_field(), Qt::Key_Return);
    QTableView* list = window()->result_list();
    const int beta = window()->result_model()->RowOf(1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualRect(window()->result_model()->index(beta, 0)).center());
    QCOMPARE(view()->entry_list()->SelectedRows(), (std::vector<int>{1}));  // Beta
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                       list->visualRect(window()->result_model()->index(beta, 0)).center());
    QCOMPARE(opener_->opened, (std::vector<std::string>{"pdf 0 at 7: comet", "pdf 1 at 2: comet"}));
    // The viewer looks for the text as the PDF has it, not for the query.
    Type(QStringLiteral("田中"));
    QTest::keyClick(window()->query_field(), Qt::Key_Return);
    QCOMPARE(opener_->opened.back(), std::string("pdf 3 at 2: \u2f65中"));
  }

  // A deleted entry leaves the results as soon as the deletion is saved.
  void resultsFollowTheCatalog() {
    Open();
    Type(QStringLiteral("comet"));
    view()->entry_list()->SelectRows({1});
    env_->dialogs().message_answers.push_back(MessageButton::kYes);
    view()->RunCommand(cmd::kPdfDelete);
    QTRY_COMPARE(window()->result_model()->rowCount(), 1);
    QCOMPARE(Cell(0, SearchResultModel::kTitle), QStringLiteral("Alpha"));
  }
};

QTEST_MAIN(SearchWindowTest)
#include "search_window_test.moc"
