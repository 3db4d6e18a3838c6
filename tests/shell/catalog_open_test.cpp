// Opening and making catalogs in the application: from the command line, File > 新規 and
// 開く, the same file under other names, files that are no catalog, damaged catalogs and
// catalogs open in another process.
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

}  // namespace

class CatalogOpenTest : public AppTestBase {
  Q_OBJECT

  // The real platform's files in a folder of the test's own, which holds the settings and
  // the catalog's index too.
  struct RealFiles {
    QTemporaryDir dir;
    platform::PosixPlatform real;
    platform::ScopedPlatform use_real{&real};
    ScopedEnv use_config{"XDG_CONFIG_HOME", dir.path()};
    ScopedEnv use_cache{"XDG_CACHE_HOME", dir.path()};
  };

 private slots:
  // Without a window area of the environment's own: the application's is the only one, as
  // in the program.
  void init() { env_ = std::make_unique<GuiTestEnvironment>(/*with_area=*/false); }

  void cleanup() { TearDown(); }

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
    RealFiles real;
    QVERIFY(real.dir.isValid());
    const QTemporaryDir& dir = real.dir;
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
    RealFiles real;
    QVERIFY(real.dir.isValid());
    const QTemporaryDir& dir = real.dir;
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
};

QTEST_MAIN(CatalogOpenTest)
#include "catalog_open_test.moc"
