// The application: start-up, the shared menu and its enabling, the accelerators, the main
// frame, the about box and help (opening catalogs: catalog_open_test.cpp).
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

}  // namespace

class ApplicationTest : public AppTestBase {
  Q_OBJECT

 private:
  void Press(QKeyCombination keys) {
    QTest::keyClick(frame(), keys.key(), keys.keyboardModifiers());
  }

 private slots:
  // Without a window area of the environment's own: the application's is the only one, as
  // in the program.
  void init() { env_ = std::make_unique<GuiTestEnvironment>(/*with_area=*/false); }

  void cleanup() { TearDown(); }

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
