// The application's recent catalogs in the File menu (kept across runs, opened from the
// menu, a file that is gone taken off with a message) and catalogs dropped onto the
// application.
#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <memory>
#include <set>

#include "browser/catalog_document_host.h"
#include "commands/recent_catalogs.h"
#include "resources/command_ids.h"
#include "shell/main_frame.h"
#include "shell/veldra_app.h"
#include "tests/browser/gui_test_support.h"
#include "tests/shell/app_test_base.h"

using namespace veldra;
using namespace veldra::testing;
using Names = std::vector<std::string>;

namespace {

constexpr char kListPath[] = "/home/user/.config/VELDRA/VELDRA/RecentCatalogs.rux";

QUrl Local(const char* path) { return QUrl::fromLocalFile(QString::fromUtf8(path)); }

}  // namespace

class RecentCatalogsAppTest : public AppTestBase {
  Q_OBJECT

 private:
  void Open(const std::string& path) {
    env_->dialogs().file_answers.push_back(path);
    app_->OnFileOpen();
  }
  QMenu* FileMenu() const { return frame()->menuBar()->actions().at(0)->menu(); }
  // The visible recent items of the File menu as the user sees it open: "text|enabled".
  Names RecentItems() {
    emit FileMenu()->aboutToShow();
    Names items;
    for (int id = cmd::kRecentFile; id < cmd::kRecentFile + cmd::kRecentFileCount; ++id) {
      QAction* action = frame()->MenuAction(id);
      if (action->isVisible()) {
        items.push_back(action->text().toStdString() + (action->isEnabled() ? "|on" : "|off"));
      }
    }
    return items;
  }
  std::string ActiveCatalog() const {
    CatalogDocumentHost* host = app_->DocumentOf(frame()->mdi_area()->currentSubWindow());
    return host != nullptr ? host->path() : std::string();
  }

 private slots:
  void init() {
    env_ = std::make_unique<GuiTestEnvironment>(/*with_area=*/false);
    env_->fake().AddFolder("/c");
    for (const char* path : {"/c/one.vdc", "/c/two.vdc", "/c/three.vdc", "/c/four.vdc"}) {
      QVERIFY(MakeTestCatalog(path, {}, {}));
    }
  }

  void cleanup() { TearDown(); }

  // Catalogs opened are listed newest first in the next run and open from the menu, an open
  // one brought forward; one that is gone is taken off with a message.
  void catalogsOpenedAreListedNewestFirstInTheNextRun() {
    Start();
    Open("/c/one.vdc");
    Open("/c/two.vdc");
    Open("/c/three.vdc");
    app_.reset();
    env_->fake().Remove("/c/one.vdc");

    Start();
    QCOMPARE(RecentItems(), (Names{"1 /c/three.vdc(&A)|on", "2 /c/two.vdc(&B)|on",
                                   "3 /c/one.vdc(&C)|on"}));
    frame()->MenuAction(cmd::kRecentFile + 1)->trigger();
    QCOMPARE(ActiveCatalog(), std::string("/c/two.vdc"));
    QCOMPARE(RecentItems(), (Names{"1 /c/two.vdc(&A)|on", "2 /c/three.vdc(&B)|on",
                                   "3 /c/one.vdc(&C)|on"}));
    frame()->MenuAction(cmd::kRecentFile + 2)->trigger();
    QCOMPARE(WarningTexts(env_->dialogs()),
             Names{"ファイル「/c/one.vdc」が見つかりません。最近使ったファイルの一覧から外しました。"});
    QVERIFY(!env_->fake().FileExists("/c/one.vdc"));  // no new catalog is made in its place
    QCOMPARE(app_->Documents().size(), size_t(1));
    QCOMPARE(RecentItems(), (Names{"1 /c/two.vdc(&A)|on", "2 /c/three.vdc(&B)|on"}));
    QCOMPARE(commands::LoadRecentCatalogs(kListPath), (Names{"/c/two.vdc", "/c/three.vdc"}));
    frame()->MenuAction(cmd::kRecentFile + 1)->trigger();
    QCOMPARE(ActiveCatalog(), std::string("/c/three.vdc"));
    frame()->MenuAction(cmd::kRecentFile + 1)->trigger();
    QCOMPARE(ActiveCatalog(), std::string("/c/two.vdc"));
    QCOMPARE(app_->Documents().size(), size_t(2));  // an open catalog is brought forward
    QCOMPARE(WarningTexts(env_->dialogs()).size(), size_t(1));
  }

  // The command line, a new catalog, and catalogs dropped onto the main frame and onto a
  // browser each put the catalog first (File > Open: above); a file that is no catalog is
  // not listed.
  void everyWayOfOpeningPutsTheCatalogFirst() {
    Start({"/c/one.vdc"});
    env_->dialogs().file_answers.push_back(std::string("/c/new"));
    app_->OnFileNew();
    QVERIFY(DropUrls(frame(), {Local("/c/two.vdc")}));
    QCOMPARE(ActiveCatalog(), std::string("/c/two.vdc"));
    QVERIFY(DropUrls(app_->Documents()[0]->browser_frame(), {Local("/c/three.vdc")}));
    QCOMPARE(ActiveCatalog(), std::string("/c/three.vdc"));
    env_->fake().WriteFileBytes("/c/notes.vdc", "not a catalog at all");
    Open("/c/notes.vdc");
    const Names expected = {"/c/three.vdc", "/c/two.vdc", "/c/new.vdc", "/c/one.vdc"};
    QCOMPARE(app_->recent_catalogs(), expected);
    QCOMPARE(commands::LoadRecentCatalogs(kListPath), expected);
  }

  // The menu shows what another instance wrote since; a full menu's mnemonics do not clash.
  void aListAnotherInstanceWroteIsShownWithItsOwnMnemonics() {
    Start();
    QVERIFY(commands::SaveRecentCatalogs(
        kListPath, {"/c/one.vdc", "/c/two.vdc", "/c/three.vdc", "/c/four.vdc"}));
    QCOMPARE(RecentItems(), (Names{"1 /c/one.vdc(&A)|on", "2 /c/two.vdc(&B)|on",
                                   "3 /c/three.vdc(&C)|on", "4 /c/four.vdc(&D)|on"}));
    std::set<int> seen;
    for (QAction* action : FileMenu()->actions()) {
      if (action->isSeparator() || !action->isVisible()) continue;
      const int key = QKeySequence::mnemonic(action->text())[0].toCombined();
      const bool recent = action->data().toInt() >= cmd::kRecentFile &&
                          action->data().toInt() < cmd::kRecentFile + cmd::kRecentFileCount;
      QVERIFY2(key != 0 || !recent, qPrintable(action->text()));
      QVERIFY2(key == 0 || seen.insert(key).second, qPrintable(action->text()));
    }
    QVERIFY2(seen.size() >= 4 + 3, "the import and export items' &1 to &3 are among them");
  }

  // With an empty list the item stands alone and disabled.
  void aDamagedListIsIgnoredAndWrittenAnew() {
    env_->fake().WriteFileBytes(kListPath, "RUX damaged");
    Start();
    QCOMPARE(RecentItems(), Names{"最近使ったファイル|off"});
    commands::RecentFileState state = commands::RecentFileState::kDamaged;
    QVERIFY(commands::LoadRecentCatalogs(kListPath, &state).empty());
    QCOMPARE(state, commands::RecentFileState::kRead);
    Open("/c/one.vdc");
    QCOMPARE(commands::LoadRecentCatalogs(kListPath), Names{"/c/one.vdc"});
  }

  void thingsDroppedOntoTheMainFrameThatAreNoCatalogsAreRefused() {
    env_->fake().WriteFileBytes("/in/a.pdf", "%PDF");
    Start();
    QVERIFY(DropUrls(frame(), {Local("/c/one.vdc"), Local("/in/a.pdf")}));
    QCOMPARE(WarningTexts(env_->dialogs()),
             Names{"ドロップされた次のものは扱えないため、何も取り込まず、何も開きませんでした。\n\n"
                   "/in/a.pdf\n　PDFとフォルダは、取り込み先のカタログのウィンドウにドロップしてください。\n"});
    QVERIFY(app_->Documents().empty());
  }
};

QTEST_MAIN(RecentCatalogsAppTest)
#include "recent_catalogs_app_test.moc"
