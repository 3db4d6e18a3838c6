// The PDF viewer in the application: opened by a double-click in the entry list, its
// commands routed by the main frame, reopened with its catalog in the stacking order it had,
// and, on real files, the temporary copy's life from opening to closing.
#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QToolBar>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <sys/stat.h>

#include "browser/catalog_document_host.h"
#include "browser/entry_list_ctrl.h"
#include "browser/ui_text.h"
#include "platform/viewer/component_registry.h"
#include "platform/viewer/viewer_component.h"
#include "resources/command_ids.h"
#include "shell/main_frame.h"
#include "shell/pdf_window.h"
#include "shell/pdf_window_view.h"
#include "shell/veldra_app.h"
#include "storage/catalog_document.h"
#include "storage/catalog_table.h"
#include "storage/catalog_tags.h"
#include "storage/remembered_folder.h"
#include "tests/browser/gui_test_support.h"
#include "tests/commands/test_pdf.h"
#include "tests/platform/viewer_test_pdf.h"
#include "tests/shell/viewer_test_support.h"

using namespace veldra;
using namespace veldra::testing;

namespace {

constexpr char kPath[] = "/data/app_viewer.vdc";


QAction* ToolButton(QMdiSubWindow* viewer, const QString& tip) {
  for (QAction* action : viewer->findChild<QToolBar*>("toolbar")->actions()) {
    if (action->toolTip() == tip) return action;
  }
  return nullptr;
}

QString PageText(QMdiSubWindow* viewer) {
  return viewer->findChild<QLineEdit*>("page_field")->text() +
         viewer->findChild<QLabel*>("page_total")->text().trimmed();
}

}  // namespace

class PdfViewerAppTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<GuiTestEnvironment> env_;
  std::unique_ptr<viewer::ScopedComponentFolder> components_;
  std::unique_ptr<CVeldraApp> app_;

  CMainFrame* frame() const { return app_->main_frame(); }
  bool Enabled(int id) { return frame()->RouteQuery(id) == CommandState::kEnabled; }
  void Start(const std::string& catalog) {
    app_ = std::make_unique<CVeldraApp>();
    QVERIFY(app_->InitInstance({catalog}));
    frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame()));
  }
  // The real platform's files, with the dialogs faked and the temporary, cache and settings
  // folders each one of the test's own (the test drops env_ first).
  struct RealFiles {
    FakeDialogService dialogs;
    ScopedDialogService use_dialogs{&dialogs};
    QTemporaryDir data, temp, config;
    ScopedEnv use_temp{"TMPDIR", temp.path()};
    ScopedEnv use_cache{"XDG_CACHE_HOME", data.path()};  // the catalog is indexed there
    ScopedEnv use_config{"XDG_CONFIG_HOME", config.path()};
  };
  CMainWindow* Browser() const {
    for (QMdiSubWindow* w : frame()->mdi_area()->subWindowList()) {
      if (auto* browser = qobject_cast<CMainWindow*>(w)) return browser;
    }
    return nullptr;
  }
  std::vector<CPdfWindow*> Viewers(QMdiArea::WindowOrder order) const {
    std::vector<CPdfWindow*> viewers;
    for (QMdiSubWindow* w : frame()->mdi_area()->subWindowList(order)) {
      if (auto* viewer = qobject_cast<CPdfWindow*>(w)) viewers.push_back(viewer);
    }
    return viewers;
  }
  // A double-click on row of the entry list, or below the rows when row < 0.
  void DoubleClickRow(int row) {
    EntryListCtrl* list = Browser()->view()->entry_list();
    QPoint at;
    if (row >= 0) {
      at = list->visualRect(list->model()->index(row, 0)).center();
    } else {
      const QRect last = list->visualRect(list->model()->index(list->model()->rowCount() - 1, 0));
      at = QPoint(last.center().x(), last.bottom() + 10);
    }
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  }

 private slots:
  void init() {
    env_ = std::make_unique<GuiTestEnvironment>(/*with_area=*/false);
    components_ = std::make_unique<viewer::ScopedComponentFolder>(VELDRA_COMPONENT_FOLDER "/");
  }

  void cleanup() {
    app_.reset();
    components_.reset();
    env_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
  }

  void doubleClickOpensTheSelectedEntrysViewer_data() {
    QTest::addColumn<int>("clicked_row");
    QTest::newRow("on the row") << 1;
    QTest::newRow("below the rows") << -1;
  }

  void doubleClickOpensTheSelectedEntrysViewer() {
    QFETCH(int, clicked_row);
    QVERIFY(MakeViewerCatalog(kPath, {{"Alpha", "a.pdf", MakePdf("a")}, {"Beta", "b.pdf", MakePdf("b")}}));
    Start(kPath);
    Browser()->view()->entry_list()->SelectRows({1});
    DoubleClickRow(clicked_row);
    const auto viewers = Viewers(QMdiArea::CreationOrder);
    QCOMPARE(viewers.size(), size_t(1));
    QCOMPARE(viewers[0]->windowTitle(), Browser()->view()->entry_list()->model()->index(1, 0).data().toString());
    QCOMPARE(frame()->mdi_area()->activeSubWindow(), viewers[0]);
    // The main window names the catalog the active viewer belongs to.
    QVERIFY2(frame()->windowTitle().endsWith(QStringLiteral(" - app_viewer.vdc")), qPrintable(frame()->windowTitle()));
    QCOMPARE(StoredEntry(kPath, viewers[0]->view()->entry_id()).is_select_entrylist, uint8_t(1));
  }

  void doubleClickWithNothingSelectedOpensNothing() {
    QVERIFY(MakeViewerCatalog(kPath, {{"Alpha", "a.pdf", MakePdf("a")}}));
    Start(kPath);
    Browser()->view()->entry_list()->SelectRows({});
    DoubleClickRow(-1);
    QVERIFY(Viewers(QMdiArea::CreationOrder).empty());
  }

  void commandsWhileAViewerIsActive_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("with_viewer");
    QTest::addColumn<bool>("with_browser");
    QTest::newRow("print") << cmd::kPrint << true << false;
    QTest::newRow("close") << cmd::kFileClose << true << false;
    QTest::newRow("first page") << cmd::kPdfFirstPage << true << false;
    QTest::newRow("nothing") << cmd::kPdfNoOperation << true << false;
    QTest::newRow("forward") << cmd::kPdfForward << true << false;
    QTest::newRow("close catalog") << cmd::kCloseCatalog << false << true;
  }

  void commandsWhileAViewerIsActive() {
    QFETCH(int, id);
    QFETCH(bool, with_viewer);
    QFETCH(bool, with_browser);
    QVERIFY(MakeViewerCatalog(kPath, {{"Alpha", "a.pdf", MakePdf("a")}}));
    Start(kPath);
    QCOMPARE(frame()->RouteQuery(id) == CommandState::kEnabled, with_browser);
    Browser()->view()->entry_list()->SelectRows({0});
    DoubleClickRow(0);
    QCOMPARE(frame()->RouteQuery(id) == CommandState::kEnabled, with_viewer);
    frame()->UpdateMenus();
    if (QAction* item = frame()->MenuAction(id)) QCOMPARE(item->isEnabled(), with_viewer);
  }

  void ctrlWClosesTheViewerOnly() {
    QVERIFY(MakeViewerCatalog(kPath, {{"Alpha", "a.pdf", MakePdf("a")}}));
    Start(kPath);
    Browser()->view()->entry_list()->SelectRows({0});
    DoubleClickRow(0);
    QTest::keyClick(frame(), Qt::Key_W, Qt::ControlModifier);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(Viewers(QMdiArea::CreationOrder).empty());
    QVERIFY(Browser() != nullptr);
    QVERIFY(!env_->fake().FileExists("/tmp/0_a.pdf"));
  }

  void reopeningRestoresTheViewersInTheirStackingOrder() {
    QVERIFY(MakeViewerCatalog(kPath, {{"Alpha", "a.pdf", MakePdf("a")},
                                      {"Beta", "b.pdf", MakePdf("b")},
                                      {"Gamma", "c.pdf", MakePdf("c")}}));
    Start(kPath);
    for (int row : {0, 1, 2}) {
      Browser()->view()->entry_list()->SelectRows({row});
      DoubleClickRow(row);
    }
    // Beta on top, then Gamma, then Alpha.
    frame()->mdi_area()->setActiveSubWindow(Viewers(QMdiArea::CreationOrder)[1]);
    QStringList before;
    for (CPdfWindow* v : Viewers(QMdiArea::StackingOrder)) before.prepend(v->windowTitle());
    QCOMPARE(before, (QStringList{"Beta", "Gamma", "Alpha"}));
    Browser()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(Viewers(QMdiArea::CreationOrder).empty());
    QCOMPARE(StoredEntry(kPath, 1).pdf_window_ordered_index, int16_t(1));
    QCOMPARE(StoredEntry(kPath, 2).pdf_window_ordered_index, int16_t(2));
    QCOMPARE(StoredEntry(kPath, 0).pdf_window_ordered_index, int16_t(3));

    env_->fake().SetNow({2026, 1, 2, 3, 4, 5, 6});
    app_->OpenCatalog(kPath);
    QStringList after;
    for (CPdfWindow* v : Viewers(QMdiArea::StackingOrder)) after.prepend(v->windowTitle());
    QCOMPARE(after, before);
    for (int32_t id : {0, 1, 2}) {
      QCOMPARE(StoredEntry(kPath, id).last_view_date.Text(), std::string("20260102030405006"));
    }
  }

  void onRealFilesTheCopyIsPrivateAndGoesWithTheViewer() {
    env_.reset();
    RealFiles real;
    const QString source = real.data.filePath("source.pdf");
    QVERIFY(WriteNumberedPdf(source, 6));
    QFile pdf(source);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const std::string catalog = real.data.filePath("real.vdc").toStdString();
    QVERIFY(MakeViewerCatalog(catalog, {{"Real", "real.pdf", pdf.readAll().toStdString()}}));
    Start(catalog);
    Browser()->view()->entry_list()->SelectRows({0});
    DoubleClickRow(0);
    QMdiSubWindow* viewer = Viewers(QMdiArea::CreationOrder).at(0);
    const QString copy = real.temp.filePath("0_real.pdf");
    QCOMPARE(QFileInfo(copy).permissions() & 0x7777,
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    QCOMPARE(PageText(viewer), QStringLiteral("1/ 6"));

    frame()->Dispatch(cmd::kPdfNextPage);
    QTRY_COMPARE(PageText(viewer), QStringLiteral("2/ 6"));
    frame()->Dispatch(cmd::kPdfLastPage);
    QTRY_COMPARE(PageText(viewer), QStringLiteral("6/ 6"));
    frame()->Dispatch(cmd::kPdfBackward);
    QTRY_COMPARE(PageText(viewer), QStringLiteral("2/ 6"));
    frame()->Dispatch(cmd::kPdfForward);
    QTRY_COMPARE(PageText(viewer), QStringLiteral("6/ 6"));
    frame()->Dispatch(cmd::kPdfPreviousPage);
    QTRY_COMPARE(PageText(viewer), QStringLiteral("5/ 6"));
    frame()->Dispatch(cmd::kPdfFirstPage);
    QTRY_COMPARE(PageText(viewer), QStringLiteral("1/ 6"));

    const QString printed = real.data.filePath("printed.pdf");
    QString offered_name;
    real.dialogs.print_handler = [&](QPrinter* printer) {
      offered_name = printer->docName();
      printer->setOutputFormat(QPrinter::PdfFormat);
      printer->setOutputFileName(printed);
      return true;
    };
    QTest::keyClick(frame(), Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(real.dialogs.print_requests.size(), size_t(1));
    QCOMPARE(real.dialogs.print_requests[0].page_count, 6);
    QCOMPARE(real.dialogs.print_requests[0].current_page, 1);
    QVERIFY(QFileInfo(printed).size() > 0);
    QCOMPARE(offered_name, QStringLiteral("Real.pdf"));  // the title, not "0_real.pdf"

    QTest::keyClick(frame(), Qt::Key_W, Qt::ControlModifier);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!QFile::exists(copy));
    app_.reset();
  }

  // A search hit opens the viewer at its page with the hit highlighted; Ctrl+G and
  // Ctrl+Shift+G then step through the occurrences, and Ctrl+F opens the find bar with the
  // catalog's last query.
  void theViewerShowsAHitAndStepsThroughTheOccurrences() {
    env_.reset();  // the viewer reads a real copy of the PDF
    RealFiles real;
    QStringList pages(8, QStringLiteral("banana"));
    pages[1] = QStringLiteral("an apple a day");
    pages[4] = QStringLiteral("apple, and one more apple");
    pages[6] = QStringLiteral("Apple");
    const QString source = real.data.filePath("words.pdf");
    QVERIFY(WriteTextPdf(source, pages));
    QFile pdf(source);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const std::string catalog = real.data.filePath("words.vdc").toStdString();
    QVERIFY(MakeViewerCatalog(catalog, {{"Words", "words.pdf", pdf.readAll().toStdString()}}));
    Start(catalog);
    CatalogDocumentHost* host = app_->Documents().front();
    QVERIFY(!Enabled(cmd::kFindNext));  // no query, no viewer
    // A hit across a line break: the engine reads the break as a space.
    QMdiSubWindow* viewer = host->detail_opener()->OpenPdfWindowAtHit(
        host, 0, host->document().AttachmentOrdinal(0), QStringLiteral("apple,\nand"), 5);
    QVERIFY(viewer != nullptr);
    QCOMPARE(PageText(viewer), QStringLiteral("5/ 8"));
    QCOMPARE(static_cast<CPdfWindow*>(viewer)->view()->control()->Invoke(viewer::dispid::kFindString),
             QVariant(QStringLiteral("apple, and")));
    QVERIFY(Enabled(cmd::kFindNext));
    host->search_state().set_last_query("title:Words apple");  // the first term of the text
    QTest::keyClick(frame(), Qt::Key_F, Qt::ControlModifier);
    auto* field = viewer->findChild<QLineEdit*>("find_field");
    QVERIFY(field->isVisible());
    QCOMPARE(field->text(), QStringLiteral("apple"));
    // From the page shown: its two occurrences, then on through the end and round.
    for (const char* shown : {"5/ 8", "5/ 8", "7/ 8", "2/ 8"}) {
      QTest::keyClick(frame(), Qt::Key_G, Qt::ControlModifier);
      QTRY_COMPARE(PageText(viewer), QString::fromLatin1(shown));
    }
    QTest::keyClick(frame(), Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_COMPARE(PageText(viewer), QStringLiteral("7/ 8"));
    app_.reset();
  }

  // The reader's last choice of the outline panel is theirs: kept in the preference file and
  // taken by the next viewer, which starts narrow and so without it until then.
  void theReadersOutlineChoiceIsKeptForTheNextViewer() {
    env_.reset();
    RealFiles real;
    const std::string catalog = real.data.filePath("book.vdc").toStdString();
    QVERIFY(MakeViewerCatalog(catalog, {{"Book", "book.pdf", MakeBookPdf(30, 3)}}));
    Start(catalog);
    auto open_viewer = [&] {
      Browser()->view()->entry_list()->SelectRows({0});
      DoubleClickRow(0);
      return Viewers(QMdiArea::CreationOrder).at(0);
    };
    auto close_viewer = [&] {
      QTest::keyClick(frame(), Qt::Key_W, Qt::ControlModifier);
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    const QString toggle = QStringLiteral("しおりを表示");
    for (bool choice : {true, false}) {
      CPdfWindow* viewer = open_viewer();
      QCOMPARE(viewer->findChild<QWidget*>("outline")->isVisible(), !choice);
      ToolButton(viewer, toggle)->trigger();
      QCOMPARE(ReadPreferenceText(kTagViewerPageMode), std::string(choice ? "bookmarks" : "none"));
      close_viewer();
      viewer = open_viewer();
      QCOMPARE(viewer->findChild<QWidget*>("outline")->isVisible(), choice);
      close_viewer();
    }
  }
};

QTEST_MAIN(PdfViewerAppTest)
#include "pdf_viewer_app_test.moc"
