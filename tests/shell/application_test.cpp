// The application: start-up, the shared menu and its enabling, the accelerators, the main
// frame, new and open catalog, the about box and help.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QFile>
#include <QLibraryInfo>
#include <QShortcut>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTranslator>
#include <QTest>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

#include "browser/catalog_document_host.h"
#include "browser/category_add_dlg.h"
#include "browser/category_label_edit_dlg.h"
#include "browser/change_category_name_dlg.h"
#include "browser/entry_list_ctrl.h"
#include "browser/category_list_ctrl.h"
#include "browser/ui_text.h"
#include "browser/main_window.h"
#include "browser/main_window_view.h"
#include "platform/posix_platform.h"
#include "resources/command_ids.h"
#include "resources/menu_table.h"
#include "shell/about_dialog.h"
#include "shell/main_frame.h"
#include "shell/new_catalog_path.h"
#include "shell/qt_translations.h"
#include "shell/veldra_app.h"
#include "storage/catalog_document.h"
#include "storage/catalog_table.h"
#include "storage/catalog_tags.h"
#include "storage/remembered_folder.h"
#include "tests/browser/gui_test_support.h"
#include "tests/shell/viewer_test_support.h"
#include "tests/shell/app_test_base.h"
#include "tests/support/damaged_catalog.h"

using namespace veldra;
using namespace veldra::testing;

namespace {

constexpr char kPath[] = "/data/app.vdc";

// A child window that takes every command and records what it was asked to run.
class CommandRecorder : public QWidget, public CommandTarget {
 public:
  CommandState QueryCommand(int) override { return CommandState::kEnabled; }
  void RunCommand(int id) override { ran.push_back(id); }
  std::vector<int> ran;
};

// The command of the menu item whose text names shortcut ("Ctrl+1" in "...\tCtrl+1"); 0
// when no item or more than one does.
int MenuCommandNamed(const QString& shortcut) {
  int found = 0;
  int count = 0;
  for (const resources::MenuDef& menu : resources::SharedMenu()) {
    for (const resources::MenuItemDef& item : menu.items) {
      if (item.text != nullptr && QString::fromUtf8(item.text).endsWith("\t" + shortcut)) {
        found = item.command;
        ++count;
      }
    }
  }
  return count == 1 ? found : 0;
}

int EntryCount(const std::string& path) {
  CVeldraDocument doc;
  doc.OpenCatalog(path);
  return doc.entries().Count();
}

}  // namespace

class ApplicationTest : public AppTestBase {
  Q_OBJECT

 private:
  bool Enabled(int id) const { return frame()->RouteQuery(id) == CommandState::kEnabled; }
  void Press(QKeyCombination keys) {
    QTest::keyClick(frame(), keys.key(), keys.keyboardModifiers());
  }

 private slots:
  // Without a window area of the environment's own: the application's is the only one, as
  // in the program.
  void init() { env_ = std::make_unique<GuiTestEnvironment>(/*with_area=*/false); }

  void cleanup() {
    app_.reset();
    env_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
  }

  void startsEmptyWithoutArguments() {
    const auto files_before = env_->fake().FilePaths();
    Start();
    QVERIFY(frame()->isVisible());
    QCOMPARE(frame()->windowTitle(), QStringLiteral("VELDRA"));
    QVERIFY(frame()->mdi_area()->subWindowList().isEmpty());
    QCOMPARE(env_->fake().FilePaths(), files_before);
    QCOMPARE(frame()->menuBar()->actions().size(), 6);
    QCOMPARE(app_->preference_path(), std::string("/home/user/.config/VELDRA/VELDRA/Preference.rux"));
  }

  void menuEnablingWithoutACatalog_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("new") << cmd::kFileNew << true;
    QTest::newRow("open") << cmd::kFileOpen << true;
    QTest::newRow("printer setup") << cmd::kPrintSetup << true;
    QTest::newRow("exit") << cmd::kAppExit << true;
    QTest::newRow("about") << cmd::kAppAbout << true;
    QTest::newRow("help") << cmd::kHelp << true;
    QTest::newRow("close window") << cmd::kFileClose << false;
    QTest::newRow("close catalog") << cmd::kCloseCatalog << false;
    QTest::newRow("import") << cmd::kPdfImport << false;
    QTest::newRow("batch import") << cmd::kPdfBatchImport << false;
    QTest::newRow("print") << cmd::kPrint << false;
    QTest::newRow("recent files") << cmd::kRecentFile << false;
    QTest::newRow("cascade") << cmd::kWindowCascade << false;
    QTest::newRow("duplicate") << cmd::kPdfDuplicate << false;
    QTest::newRow("search") << cmd::kFullTextSearch << false;
    QTest::newRow("find next") << cmd::kFindNext << false;
    QTest::newRow("find previous") << cmd::kFindPrevious << false;
  }

  void menuEnablingWithoutACatalog() {
    QFETCH(int, id);
    QFETCH(bool, enabled);
    Start();
    QCOMPARE(frame()->MenuAction(id)->isEnabled(), enabled);
  }

  void menuTextsKeepTheirShortcutText() {
    Start();
    QCOMPARE(frame()->MenuAction(cmd::kFileNew)->text(), QStringLiteral("新規(&N)...\tCtrl+N"));
    QCOMPARE(frame()->MenuAction(cmd::kEditRedo)->text(), QStringLiteral("やり直し(&R)\tCtrl+Shift+Z"));
    QCOMPARE(frame()->MenuAction(cmd::kCloseCatalog)->text(), QStringLiteral("ファイルを閉じる"));
    QCOMPARE(frame()->MenuAction(cmd::kHelp)->text(), QStringLiteral("ヘルプ..."));
    for (auto& [id, action] : std::map<int, QAction*>{{cmd::kFileNew, frame()->MenuAction(cmd::kFileNew)}}) {
      QVERIFY2(action->shortcut().isEmpty(), "keys are bound by the accelerator table only");
    }
    QCOMPARE(frame()->menuBar()->actions()[4]->text(), QStringLiteral("ウィンドウ(&W)"));
  }

  void acceleratorTableIsCompleteAndNoMore() {
    Start();
    QStringList keys;
    for (QShortcut* s : frame()->accelerators()) keys << s->key().toString();
    QCOMPARE(keys, (QStringList{"Ctrl+Shift+T", "Ctrl+C", "Ctrl+Ins", "Shift+Del", "Ctrl+X",
                                "Ctrl+V", "Shift+Ins", "Ctrl+A", "Alt+Backspace", "Ctrl+Z",
                                "Ctrl+3", "Ctrl+1", "Ctrl+2", "Ctrl+N", "Ctrl+O", "Ctrl+P",
                                "Ctrl+Shift+P", "Ctrl+S", "F6", "Ctrl+I", "Shift+F6", "Ctrl+W",
                                "Ctrl+F", "Ctrl+G", "Ctrl+Shift+G"}));
    for (QAction* action : frame()->findChildren<QAction*>()) {
      QVERIFY2(action->shortcut() != QKeySequence("Ctrl+Shift+Z"), "redo is menu-only");
    }
  }

  void acceleratorsRunTheirCommands() {
    Start();
    frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame()));
    Press(Qt::CTRL | Qt::Key_N);
    QCOMPARE(env_->dialogs().file_requests.size(), size_t(1));
    QCOMPARE(Utf8(env_->dialogs().file_requests[0].caption), std::string("新規作成"));
    Press(Qt::CTRL | Qt::Key_O);
    QCOMPARE(env_->dialogs().file_requests.size(), size_t(2));
    QCOMPARE(env_->dialogs().file_requests[1].caption, std::string("Open"));
    Press(Qt::CTRL | Qt::SHIFT | Qt::Key_P);
    QCOMPARE(env_->dialogs().printer_setups, 1);
    Press(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);  // bound to nothing
    Press(Qt::CTRL | Qt::Key_S);              // bound, handled by no window
    QCOMPARE(env_->dialogs().file_requests.size(), size_t(2));
    QCOMPARE(env_->dialogs().modals.size(), size_t(0));
  }

  void ctrlOneAndTwoImportIntoTheActiveCatalog() {
    QVERIFY(MakeTestCatalog(kPath, {}, {}));
    env_->fake().WriteFileBytes("/pdf/a.pdf", "%PDF-1.4 a");
    env_->fake().WriteFileBytes("/pdf/sub/b.pdf", "%PDF-1.4 b");
    Start({kPath});
    QVERIFY(Enabled(cmd::kPdfImport));
    QVERIFY(Enabled(cmd::kPdfBatchImport));
    QCOMPARE(frame()->MenuAction(cmd::kPdfImport)->isEnabled(), true);
    frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame()));
    env_->dialogs().file_answers.push_back(std::string("/pdf/a.pdf"));
    Press(Qt::CTRL | Qt::Key_1);
    QCOMPARE(EntryCount(kPath), 1);
    env_->dialogs().folder_answers.push_back(std::string("/pdf/sub"));
    Press(Qt::CTRL | Qt::Key_2);
    QCOMPARE(env_->dialogs().folder_requests.size(), size_t(1));
    QCOMPARE(EntryCount(kPath), 2);
  }

  // Qt's own texts: the standard dialogs, the buttons of the message boxes, the system menu
  // of a child window.
  void qtSpeaksJapanese() {
    Start();
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("アドレス:"));
    QCOMPARE(QCoreApplication::translate("QMdiSubWindow", "&Close"), QStringLiteral("閉じる(&C)"));
  }

  void translationsComeFromTheFirstFolderThatHasThem() {
    QTemporaryDir empty;
    QTemporaryDir moved;
    QVERIFY(QFile::copy(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_ja.qm",
                        moved.path() + "/qtbase_ja.qm"));
    std::unique_ptr<QTranslator> found = LoadQtTranslator({empty.path(), moved.path()});
    QVERIFY(found != nullptr);
    QCOMPARE(found->filePath(), moved.path() + "/qtbase_ja.qm");
    QVERIFY(LoadQtTranslator({empty.path()}) == nullptr);
    const QStringList folders = QtTranslationFolders();
    QCOMPARE(folders, (QStringList{QCoreApplication::applicationDirPath() + "/translations",
                                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)}));
  }

  // Each key runs the command of the menu item that names it (or names the key it stands
  // in for); keys that only the menu names run nothing.
  void acceleratorsRunTheirMenuItemsCommands_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("menu");  // the shortcut text of the item whose command runs
    QTest::addColumn<int>("command");   // when no menu item names it; 0: nothing runs
    const struct {
      const char* keys;
      const char* menu;
      int command;
    } rows[] = {
        {"Ctrl+Shift+T", "Ctrl+Shift+T", 0}, {"Ctrl+C", "Ctrl+C", 0},
        {"Ctrl+Ins", "Ctrl+C", 0},           {"Shift+Del", "Ctrl+X", 0},
        {"Ctrl+X", "Ctrl+X", 0},             {"Ctrl+V", "Ctrl+V", 0},
        {"Shift+Ins", "Ctrl+V", 0},          {"Ctrl+A", "Ctrl+A", 0},
        {"Alt+Backspace", "Ctrl+Z", 0},      {"Ctrl+Z", "Ctrl+Z", 0},
        {"Ctrl+3", "Ctrl+3", 0},             {"Ctrl+1", "Ctrl+1", 0},
        {"Ctrl+2", "Ctrl+2", 0},             {"Ctrl+N", "Ctrl+N", 0},
        {"Ctrl+O", "Ctrl+O", 0},             {"Ctrl+P", "Ctrl+P", 0},
        {"Ctrl+Shift+P", "Ctrl+Shift+P", 0}, {"Ctrl+S", "", cmd::kFileSave},
        {"F6", "", cmd::kNextPane},          {"Ctrl+I", "Ctrl+I", 0},
        {"Shift+F6", "", cmd::kPreviousPane}, {"Ctrl+W", "Ctrl+W", 0},
        {"Ctrl+Shift+Z", "", 0},             {"Ctrl+D", "", 0},
        {"Ctrl+F", "Ctrl+F", 0},             {"Ctrl+G", "Ctrl+G", 0},
        {"Ctrl+Shift+G", "Ctrl+Shift+G", 0},
    };
    for (const auto& r : rows) {
      QTest::newRow(r.keys) << QString(r.keys) << QString(r.menu) << r.command;
    }
  }

  void acceleratorsRunTheirMenuItemsCommands() {
    QFETCH(QString, keys);
    QFETCH(QString, menu);
    QFETCH(int, command);
    const int expected = menu.isEmpty() ? command : MenuCommandNamed(menu);
    QVERIFY2(menu.isEmpty() || expected != 0, "exactly one menu item names the key");
    QVERIFY2(expected != 0 || MenuCommandNamed(keys) != 0,
             "a key that runs nothing is one the menu names");
    Start();
    auto* recorder = new CommandRecorder;
    QMdiSubWindow* child = frame()->mdi_area()->addSubWindow(recorder);
    // As the program's child windows do: the window menu binds no keys of its own.
    for (QAction* action : child->systemMenu()->actions()) action->setShortcuts({});
    child->show();
    frame()->mdi_area()->setActiveSubWindow(child);
    frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame()));
    Press(QKeySequence(keys)[0]);
    QCOMPARE(recorder->ran, expected == 0 ? std::vector<int>{} : std::vector<int>{expected});
  }

  void ctrlWDoesNotCloseTheBrowser() {
    Start({kPath});
    frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame()));
    QPointer<QMdiSubWindow> browser = app_->Documents()[0]->browser_frame();
    Press(Qt::CTRL | Qt::Key_W);
    Press(Qt::CTRL | Qt::Key_F4);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!browser.isNull());
    QVERIFY(browser->isVisible());
  }

  void windowAreaAddsNoKeysOfItsOwn_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Ctrl+Tab") << int(Qt::Key_Tab) << int(Qt::ControlModifier);
    QTest::newRow("Ctrl+Shift+Tab") << int(Qt::Key_Backtab) << int(Qt::ControlModifier | Qt::ShiftModifier);
    QTest::newRow("Ctrl+F6") << int(Qt::Key_F6) << int(Qt::ControlModifier);
    QTest::newRow("Ctrl+Shift+F6") << int(Qt::Key_F6) << int(Qt::ControlModifier | Qt::ShiftModifier);
    QTest::newRow("Ctrl+F4") << int(Qt::Key_F4) << int(Qt::ControlModifier);
    QTest::newRow("Ctrl+F5") << int(Qt::Key_F5) << int(Qt::ControlModifier);
    QTest::newRow("Ctrl+F7") << int(Qt::Key_F7) << int(Qt::ControlModifier);
    QTest::newRow("Ctrl+F8") << int(Qt::Key_F8) << int(Qt::ControlModifier);
    QTest::newRow("Ctrl+F9") << int(Qt::Key_F9) << int(Qt::ControlModifier);
    QTest::newRow("Ctrl+F10") << int(Qt::Key_F10) << int(Qt::ControlModifier);
    QTest::newRow("Alt+Minus") << int(Qt::Key_Minus) << int(Qt::AltModifier);
  }

  // Only the accelerator table binds keys: the window area switches, closes, moves and
  // resizes no child window on a key of its own.
  void windowAreaAddsNoKeysOfItsOwn() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QVERIFY(MakeTestCatalog(kPath, {}, {}));
    QVERIFY(MakeTestCatalog("/data/second.vdc", {}, {}));
    Start({kPath});
    app_->OpenCatalog("/data/second.vdc");
    frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame()));
    QMdiArea* area = frame()->mdi_area();
    QPointer<QMdiSubWindow> first = app_->Documents()[0]->browser_frame();
    QPointer<QMdiSubWindow> second = app_->Documents()[1]->browser_frame();
    QCOMPARE(area->currentSubWindow(), second.data());
    static_cast<CMainWindow*>(second.data())->view()->entry_list()->setFocus();
    const QRect before = second->geometry();
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : frame();
    QTest::keyPress(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTest::keyRelease(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTest::keyRelease(target, Qt::Key_Control, Qt::NoModifier);
    QTest::keyRelease(target, Qt::Key_Alt, Qt::NoModifier);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!first.isNull() && !second.isNull());
    QVERIFY(second->isVisible() && !second->isMinimized() && !second->isMaximized());
    QCOMPARE(area->currentSubWindow(), second.data());
    QCOMPARE(second->geometry(), before);
    QVERIFY(QApplication::activePopupWidget() == nullptr);
  }

  // The title is "VELDRA - " and the active catalog's name, also while the child windows
  // are maximized.
  void titleWithAMaximizedBrowser() {
    QVERIFY(MakeTestCatalog(kPath, {}, {}));
    Start({kPath});
    QMdiSubWindow* browser = app_->Documents()[0]->browser_frame();
    browser->showMaximized();
    QCoreApplication::processEvents();
    QCOMPARE(frame()->windowTitle(), QStringLiteral("VELDRA - app.vdc"));
    QVERIFY(MakeTestCatalog("/data/second.vdc", {}, {}));
    app_->OpenCatalog("/data/second.vdc");
    QCoreApplication::processEvents();
    QCOMPARE(frame()->windowTitle(), QStringLiteral("VELDRA - second.vdc"));
    frame()->mdi_area()->setActiveSubWindow(browser);
    QCoreApplication::processEvents();
    QCOMPARE(frame()->windowTitle(), QStringLiteral("VELDRA - app.vdc"));
    browser->showNormal();
    QCoreApplication::processEvents();
    QCOMPARE(frame()->windowTitle(), QStringLiteral("VELDRA - app.vdc"));
  }

  // New catalogs, which have no stored position, cascade instead of covering one another.
  void newCatalogsCascade() {
    Start();
    frame()->resize(CMainFrame::kMinWidth, CMainFrame::kMinHeight);  // little room
    app_->OpenCatalog("/data/one.vdc");
    app_->OpenCatalog("/data/two.vdc");
    app_->OpenCatalog("/data/three.vdc");
    const QRect room = frame()->mdi_area()->viewport()->rect();
    std::vector<QPoint> corners;
    for (CatalogDocumentHost* host : app_->Documents()) {
      const QPoint corner = host->browser_frame()->geometry().topLeft();
      QVERIFY(room.contains(corner));
      QVERIFY(std::find(corners.begin(), corners.end(), corner) == corners.end());
      corners.push_back(corner);
    }
    QCOMPARE(corners.size(), size_t(3));
  }

  // A child window that reaches past the edge of the window area can be scrolled into
  // view, as in the platform's child-window area.
  void windowAreaScrollsToChildWindowsPastItsEdge() {
    QVERIFY(MakeTestCatalog(kPath, {}, {}));
    Start({kPath});
    frame()->resize(CMainFrame::kMinWidth, CMainFrame::kMinHeight);
    QMdiArea* area = frame()->mdi_area();
    QMdiSubWindow* browser = app_->Documents()[0]->browser_frame();
    QCoreApplication::processEvents();
    browser->setGeometry(QRect(QPoint(0, 0), area->viewport()->size() / 2));
    QCoreApplication::processEvents();
    QVERIFY(!area->horizontalScrollBar()->isVisible());
    QVERIFY(!area->verticalScrollBar()->isVisible());
    browser->setGeometry(200, 300, 900, 800);
    QCoreApplication::processEvents();
    QVERIFY(area->horizontalScrollBar()->isVisible());
    QVERIFY(area->verticalScrollBar()->isVisible());
    QVERIFY(area->horizontalScrollBar()->maximum() > 0);
  }

  void mainFrameHasAMinimumSize() {
    Start();
    frame()->resize(300, 300);
    QCOMPARE(frame()->size(), QSize(550, 650));
  }

  void nonexistentPathOnTheCommandLineBecomesANewCatalog() {
    Start({kPath});
    QVERIFY(env_->fake().FileExists(kPath));
    QCOMPARE(app_->Documents().size(), size_t(1));
    auto* browser = static_cast<CMainWindow*>(app_->Documents()[0]->browser_frame());
    QCOMPARE(browser->windowTitle(), QStringLiteral("app.vdc"));
    QCOMPARE(frame()->windowTitle(), QStringLiteral("VELDRA - app.vdc"));
    QCOMPARE(browser->view()->category_label(1)->text(), QStringLiteral("分類１"));
    QCOMPARE(browser->view()->category_label(3)->text(), QStringLiteral("分類３"));
    QCOMPARE(ItemTexts(browser->view()->category_list(2)),
             (std::vector<std::string>{"＜すべて＞", "その他"}));
    QCOMPARE(browser->view()->count_label()->text(), QStringLiteral("0件"));
    QVERIFY(env_->dialogs().messages.empty());
    QVERIFY(frame()->MenuAction(cmd::kCloseCatalog)->isEnabled());
    QVERIFY(!frame()->MenuAction(cmd::kFileClose)->isEnabled());
    QVERIFY(frame()->MenuAction(cmd::kWindowCascade)->isEnabled());
  }

  void newCatalogWithoutExtension() {
    Start();
    env_->fake().AddFolder("/data/books");
    env_->dialogs().file_answers.push_back(std::string("/data/books/library"));
    app_->OnFileNew();
    const FileRequest& request = env_->dialogs().file_requests.at(0);
    QCOMPARE(request.kind, FileRequest::Kind::kSave);
    QCOMPARE(request.filters.size(), size_t(1));
    QCOMPARE(Utf8(request.filters[0].name), std::string("VELDRAファイル(*.vdc)"));
    QCOMPARE(request.filters[0].pattern, std::string("*.vdc"));
    QCOMPARE(request.default_suffix, std::string("vdc"));
    QVERIFY(request.confirm_overwrite);
    QVERIFY(env_->fake().FileExists("/data/books/library.vdc"));
    QCOMPARE(ReadRememberedFolder(nullptr, kTagFolderNewCatalog), std::string("/data/books/"));
    QCOMPARE(app_->Documents().size(), size_t(1));

    // The next time the dialog starts in that folder; cancelling changes nothing.
    app_->OnFileNew();
    QCOMPARE(env_->dialogs().file_requests.at(1).initial_folder, std::string("/data/books/"));
    QCOMPARE(app_->Documents().size(), size_t(1));
  }

  void newCatalogReplacesAnExistingFile() {
    QVERIFY(MakeTestCatalog(kPath, {}, {{"old", {"その他", "その他", "その他"}}}));
    QCOMPARE(EntryCount(kPath), 1);
    Start();
    env_->dialogs().file_answers.push_back(std::string(kPath));
    app_->OnFileNew();
    QCOMPARE(EntryCount(kPath), 0);
    QCOMPARE(app_->Documents().size(), size_t(1));
  }

  void newCatalogOverAnOpenCatalogClosesItFirst() {
    QVERIFY(MakeTestCatalog(kPath, {}, {{"old", {"その他", "その他", "その他"}}}));
    Start({kPath});
    QPointer<CatalogDocumentHost> old = app_->Documents()[0];
    env_->dialogs().file_answers.push_back(std::string(kPath));
    app_->OnFileNew();
    QVERIFY(old.isNull());
    QCOMPARE(app_->Documents().size(), size_t(1));
    // Closing the new catalog leaves it empty: nothing of the old one was written into it.
    app_.reset();
    QCOMPARE(EntryCount(kPath), 0);
  }

  void openingAnOpenCatalogActivatesItsBrowser() {
    QVERIFY(MakeTestCatalog(kPath, {}, {}));
    QVERIFY(MakeTestCatalog("/data/second.vdc", {}, {}));
    Start({kPath});
    env_->dialogs().file_answers.push_back(std::string("/data/second.vdc"));
    app_->OnFileOpen();
    const FileRequest& request = env_->dialogs().file_requests.at(0);
    QCOMPARE(request.caption, std::string("Open"));
    QCOMPARE(request.filters.size(), size_t(2));
    QCOMPARE(Utf8(request.filters[0].name), std::string("VELDRAファイル (*.vdc)"));
    QCOMPARE(request.filters[1].name, std::string("All Files (*.*)"));
    QCOMPARE(request.filters[1].pattern, std::string("*.*"));
    QVERIFY(request.file_must_exist);
    QCOMPARE(app_->Documents().size(), size_t(2));
    QCOMPARE(frame()->windowTitle(), QStringLiteral("VELDRA - second.vdc"));

    env_->dialogs().file_answers.push_back(std::string("/data//app.vdc"));
    app_->OnFileOpen();
    QCOMPARE(app_->Documents().size(), size_t(2));
    QCOMPARE(frame()->mdi_area()->currentSubWindow(), app_->Documents()[0]->browser_frame());
    QCOMPARE(frame()->windowTitle(), QStringLiteral("VELDRA - app.vdc"));
  }

  // Names that differ only in case are different files, so different catalogs: one opens
  // beside the other, and a new catalog under one leaves the other open and whole.
  void namesDifferingInCaseAreTwoCatalogs() {
    QVERIFY(MakeTestCatalog(kPath, {}, {{"kept", {"その他", "その他", "その他"}}}));
    QVERIFY(MakeTestCatalog("/data/APP.vdc", {}, {}));
    Start({kPath});
    QPointer<CatalogDocumentHost> lower = app_->Documents()[0];
    env_->dialogs().file_answers.push_back(std::string("/data/APP.vdc"));
    app_->OnFileOpen();
    QCOMPARE(app_->Documents().size(), size_t(2));
    QCOMPARE(app_->Documents()[1]->path(), std::string("/data/APP.vdc"));

    env_->dialogs().file_answers.push_back(std::string("/data/APP.vdc"));
    app_->OnFileNew();
    QVERIFY(!lower.isNull());
    QCOMPARE(app_->Documents().size(), size_t(2));
    app_.reset();
    QCOMPARE(EntryCount(kPath), 1);
  }

  // A new save never writes over a catalog open in another window: that catalog would go on
  // saving into the copy.
  void newSaveOverAnotherOpenCatalogIsRefused() {
    QVERIFY(MakeTestCatalog(kPath, {}, {{"a", {"その他", "その他", "その他"}}}));
    QVERIFY(MakeTestCatalog("/data/second.vdc", {}, {}));
    Start({kPath});
    env_->dialogs().file_answers.push_back(std::string("/data/second.vdc"));
    app_->OnFileOpen();
    const std::string before = env_->fake().ReadFileBytes("/data/second.vdc");
    frame()->mdi_area()->setActiveSubWindow(app_->Documents()[0]->browser_frame());
    env_->dialogs().file_answers.push_back(std::string("/data//second.vdc"));
    frame()->Dispatch(cmd::kNewSave);
    QCOMPARE(env_->dialogs().messages.size(), size_t(1));
    QCOMPARE(env_->dialogs().messages[0].text,
             UiText("開いているカタログには新規保存できません。別のファイル名を指定してください。"));
    QCOMPARE(env_->fake().ReadFileBytes("/data/second.vdc"), before);
  }

  // A link to an open catalog names that catalog's file: opening it activates the catalog
  // instead of opening a second document on the same file.
  void aLinkToAnOpenCatalogIsThatCatalog() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    platform::PosixPlatform real;
    platform::ScopedPlatform use_real(&real);
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    ScopedEnv cache("XDG_CACHE_HOME", dir.path());  // the catalog's index goes there
    const std::string path = dir.path().toStdString() + "/work.vdc";
    const std::string link = dir.path().toStdString() + "/link.vdc";
    QVERIFY(MakeTestCatalog(path, {}, {{"e", {"その他", "その他", "その他"}}}));
    QVERIFY(QFile::link(QString::fromStdString(path), QString::fromStdString(link)));
    Start({path});
    env_->dialogs().file_answers.push_back(link);
    app_->OnFileOpen();
    const size_t documents = app_->Documents().size();
    env_->dialogs().file_answers.push_back(dir.path().toStdString() + "/WORK.vdc");
    app_->OnFileOpen();
    const size_t with_other_case = app_->Documents().size();
    app_.reset();
    qputenv("XDG_CONFIG_HOME", config);
    QCOMPARE(documents, size_t(1));
    QCOMPARE(with_other_case, size_t(2));
    QCOMPARE(EntryCount(path), 1);
  }

  // A pipe given as the catalog, on the command line or through File > Open, is never read
  // (that would wait for a writer for ever; alarm() ends the test program should it ever do
  // so again), nor locked, nor replaced: an empty window that never writes, and a box that
  // says why.
  void aPipeAsTheCatalogIsNeitherReadNorWaitedFor_data() {
    QTest::addColumn<bool>("command_line");
    QTest::newRow("command line") << true;
    QTest::newRow("File > Open") << false;
  }

  void aPipeAsTheCatalogIsNeitherReadNorWaitedFor() {
    QFETCH(bool, command_line);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    platform::PosixPlatform real;
    platform::ScopedPlatform use_real(&real);
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    ScopedEnv cache("XDG_CACHE_HOME", dir.path());  // the catalog's index goes there
    const std::string fifo = dir.path().toStdString() + "/pipe.vdc";
    QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
    ::alarm(60);
    Start(command_line ? std::vector<std::string>{fifo} : std::vector<std::string>{});
    if (!command_line) {
      env_->dialogs().file_answers.push_back(fifo);
      app_->OnFileOpen();
    }
    ::alarm(0);
    QCOMPARE(app_->Documents().size(), size_t(1));
    const CVeldraDocument& doc = app_->Documents()[0]->document();
    QVERIFY(!doc.writable());
    QCOMPARE(doc.entries().Count(), 0);
    QCOMPARE(env_->dialogs().messages.size(), size_t(1));
    QCOMPARE(Utf8(env_->dialogs().messages[0].text),
             std::string("このファイルは通常のファイルではない（フォルダ、パイプ、デバイスなど）ため、"
                         "カタログとして開きませんでした。変更は保存されません。"));
    app_.reset();
    qputenv("XDG_CONFIG_HOME", config);
    struct stat st {};
    QCOMPARE(::lstat(fifo.c_str(), &st), 0);
    QVERIFY(S_ISFIFO(st.st_mode));
  }

  void unreadableFileOpensWithAWarning() {
    env_->fake().WriteFileBytes(kPath, "not a catalog at all");
    Start({kPath});
    QCOMPARE(env_->dialogs().messages.size(), size_t(1));
    const MessageRequest& box = env_->dialogs().messages[0];
    QCOMPARE(box.caption, std::string("VELDRA"));
    QCOMPARE(Utf8(box.text),
             std::string("このファイルはカタログとして読み込めませんでした。変更は保存されません。"));
    QCOMPARE(box.icon, MessageIcon::kWarning);
    QCOMPARE(box.buttons, std::vector<MessageButton>{MessageButton::kOk});
    QCOMPARE(box.default_button, MessageButton::kOk);
    app_.reset();
    QCOMPARE(env_->fake().ReadFileBytes(kPath), std::string("not a catalog at all"));
  }

  // A catalog opened for a change is checked first; damage gets the warning of a catalog
  // not read completely, and nothing is written when the application closes (which writes
  // a sound catalog, as the control rows show).
  void damagedCatalogOpensReadOnlyWithTheUnreadableWarning_data() {
    QTest::addColumn<int>("row");
    for (size_t i = 0; i < DamageRows().size(); ++i) {
      QTest::newRow(DamageRows()[i].name) << static_cast<int>(i);
    }
  }

  void damagedCatalogOpensReadOnlyWithTheUnreadableWarning() {
    QFETCH(int, row);
    const DamageRow& damage = DamageRows()[static_cast<size_t>(row)];
    QVERIFY(MakeDamageBaseCatalog(kPath));
    QVERIFY(damage.make(kPath));
    const std::string before = env_->fake().ReadFileBytes(kPath);
    Start({kPath});
    QCOMPARE(app_->Documents().size(), size_t(1));
    CVeldraDocument& doc = app_->Documents()[0]->document();
    QCOMPARE(doc.writable(), !damage.damaged);
    if (damage.damaged) {
      QCOMPARE(env_->dialogs().messages.size(), size_t(1));
      QCOMPARE(Utf8(env_->dialogs().messages[0].text),
               std::string("このファイルはカタログとして読み込めませんでした。変更は保存されません。"));
    } else {
      QVERIFY(env_->dialogs().messages.empty());
    }
    doc.SetEnvironmentValue("k", "changed");
    app_.reset();
    QCOMPARE(env_->fake().ReadFileBytes(kPath) == before, damage.damaged);
  }

  // Closing the application saves the window position and the sort order: the control
  // row shows that this changes the file, so that an unchanged file means nothing was
  // written.
  void catalogOpenElsewhereOpensReadOnlyWithAWarning_data() {
    QTest::addColumn<bool>("elsewhere");
    QTest::newRow("open elsewhere") << true;
    QTest::newRow("control: not open elsewhere") << false;
  }

  void catalogOpenElsewhereOpensReadOnlyWithAWarning() {
    QFETCH(bool, elsewhere);
    QVERIFY(MakeTestCatalog(kPath, {}, {{"old", {"その他", "その他", "その他"}}}));
    const std::string before = env_->fake().ReadFileBytes(kPath);
    if (elsewhere) QVERIFY(env_->fake().HoldLockElsewhere(kPath));
    Start({kPath});
    QCOMPARE(app_->Documents().size(), size_t(1));
    CVeldraDocument& doc = app_->Documents()[0]->document();
    QCOMPARE(doc.entries().Count(), 1);  // shown as it is
    QCOMPARE(doc.writable(), !elsewhere);
    if (elsewhere) {
      QCOMPARE(env_->dialogs().messages.size(), size_t(1));
      const MessageRequest& box = env_->dialogs().messages[0];
      QCOMPARE(box.caption, std::string("VELDRA"));
      QCOMPARE(Utf8(box.text),
               std::string("このカタログは別のVELDRAで開かれています。変更は保存されません。"));
      QCOMPARE(box.icon, MessageIcon::kWarning);
      QCOMPARE(box.buttons, std::vector<MessageButton>{MessageButton::kOk});
    } else {
      QVERIFY(env_->dialogs().messages.empty());
    }
    doc.SetEnvironmentValue("k", "changed");
    app_.reset();
    QCOMPARE(env_->fake().ReadFileBytes(kPath) == before, elsewhere);
  }

  void anOpenCatalogIsLockedUntilItsBrowserCloses() {
    QVERIFY(MakeTestCatalog(kPath, {}, {}));
    QVERIFY(!env_->fake().IsLocked(kPath));
    Start({kPath});
    QVERIFY(env_->fake().IsLocked(kPath));
    app_->Documents()[0]->browser_frame()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(app_->Documents().empty());
    QVERIFY(!env_->fake().IsLocked(kPath));
  }

  void newCatalogOverOneOpenElsewhereLeavesItAlone() {
    QVERIFY(MakeTestCatalog(kPath, {}, {{"old", {"その他", "その他", "その他"}}}));
    const std::string before = env_->fake().ReadFileBytes(kPath);
    QVERIFY(env_->fake().HoldLockElsewhere(kPath));
    Start();
    env_->dialogs().file_answers.push_back(std::string(kPath));
    app_->OnFileNew();
    QCOMPARE(app_->Documents().size(), size_t(1));
    QVERIFY(app_->Documents()[0]->document().open_elsewhere());
    QCOMPARE(env_->dialogs().messages.size(), size_t(1));
    QCOMPARE(Utf8(env_->dialogs().messages[0].text),
             std::string("このカタログは別のVELDRAで開かれています。変更は保存されません。"));
    app_.reset();
    QCOMPARE(env_->fake().ReadFileBytes(kPath), before);
  }

  void aboutBox() {
    Start();
    std::string title, home, close_text;
    bool close_is_default = false;
    env_->dialogs().modal_handler = [&](QDialog* dialog) {
      auto* about = qobject_cast<CAboutDlg*>(dialog);
      if (about == nullptr) return 0;
      title = dialog->windowTitle().toStdString();
      close_text = about->close_button()->text().toStdString();
      close_is_default = about->close_button()->isDefault();
      about->home_page_button()->click();
      home = about->home_page_button()->text().toStdString();
      QStringList texts;
      for (QLabel* label : dialog->findChildren<QLabel*>()) texts << label->text();
      if (!texts.contains(QStringLiteral("バージョン0.9")) || !texts.contains(QStringLiteral("VELDRA"))) {
        title = "texts missing";
      }
      return 1;
    };
    frame()->Dispatch(cmd::kAppAbout);
    QCOMPARE(title, std::string("VELDRA について"));
    QCOMPARE(close_text, std::string("閉じる"));
    QVERIFY(close_is_default);
    QCOMPARE(env_->dialogs().opened_urls, std::vector<std::string>{home});
  }

  // The dialogs are fixed in size: they can be moved and closed, and their system menu offers
  // neither to size nor to maximize them.
  void dialogsAreFixedInSize() {
    const CVeldraDocument doc;
    std::vector<std::unique_ptr<QDialog>> boxes;
    boxes.push_back(std::make_unique<CAboutDlg>());
    boxes.push_back(std::make_unique<CCategoryAddDlg>(doc, 1));
    boxes.push_back(std::make_unique<CCategoryLabelEditDlg>(std::array<std::string, 3>{}));
    boxes.push_back(std::make_unique<CChangeCategoryNameDlg>(doc, commands::CategoryTriple{}));
    const Qt::WindowFlags looked_at = Qt::WindowType_Mask | Qt::CustomizeWindowHint |
                                      Qt::MSWindowsFixedSizeDialogHint | Qt::WindowSystemMenuHint |
                                      Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint |
                                      Qt::WindowMinimizeButtonHint;
    const Qt::WindowFlags fixed = Qt::Dialog | Qt::CustomizeWindowHint |
                                  Qt::MSWindowsFixedSizeDialogHint | Qt::WindowSystemMenuHint |
                                  Qt::WindowCloseButtonHint;
    for (const auto& box : boxes) {
      const char* name = box->metaObject()->className();
      QVERIFY2((box->windowFlags() & looked_at) == fixed, name);
      QVERIFY2(box->minimumSize() == box->maximumSize(), name);
    }
  }

  void helpOpensTheShippedPage() {
    Start();
    frame()->Dispatch(cmd::kHelp);
    QCOMPARE(env_->dialogs().opened_urls.size(), size_t(1));
    const QString url = QString::fromStdString(env_->dialogs().opened_urls[0]);
    QVERIFY(url.startsWith(QStringLiteral("file://")));
    QVERIFY(url.endsWith(QStringLiteral("/help/index.html")));
  }

  void exitClosesEveryCatalog() {
    QVERIFY(MakeTestCatalog(kPath, {}, {{"a", {"その他", "その他", "その他"}}}));
    Start({kPath});
    auto* browser = static_cast<CMainWindow*>(app_->Documents()[0]->browser_frame());
    browser->view()->entry_list()->selectRow(0);
    frame()->Dispatch(cmd::kAppExit);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(app_->Documents().empty());
    CVeldraDocument doc;
    doc.OpenCatalog(kPath);
    QCOMPARE(int(RecordAt<EntryRecord>(doc.entries(), 0).is_select_entrylist), 1);
  }

  void newCatalogPath_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("path");
    QTest::newRow("no extension") << "/d/lib" << "/d/lib.vdc";
    QTest::newRow("vdc") << "/d/lib.vdc" << "/d/lib.vdc";
    QTest::newRow("other extension") << "/d/lib.bak" << "/d/lib.bak";
    QTest::newRow("dot in folder only") << "/d.x/lib" << "/d.x/lib.vdc";
  }

  void newCatalogPath() {
    QFETCH(QString, chosen);
    QFETCH(QString, path);
    QCOMPARE(NewCatalogPath(chosen.toStdString()), path.toStdString());
  }
};

QTEST_MAIN(ApplicationTest)
#include "application_test.moc"
