// The browser window: layout arithmetic, the stored position, the minimum size, closing
// with the detail windows of the catalog, and catalogs that could not be read.
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "browser/browser_layout.h"
#include "browser/browser_position.h"
#include "browser/detail_window_opener.h"
#include "browser/entry_list_ctrl.h"
#include "browser/category_list_ctrl.h"
#include "resources/command_ids.h"
#include "storage/catalog_document.h"
#include "storage/catalog_table.h"
#include "tests/browser/gui_test_support.h"

using namespace veldra;
using namespace veldra::testing;

namespace {

constexpr char kPath[] = "/data/window.vdc";
constexpr char kOtherPath[] = "/data/other.vdc";

EntryRecord EntryById(const std::string& path, int32_t id) {
  CVeldraDocument doc;
  doc.OpenCatalog(path);
  for (int i = 0; i < doc.entries().Count(); ++i) {
    EntryRecord e = RecordAt<EntryRecord>(doc.entries(), i);
    if (e.id == id) return e;
  }
  return {};
}

std::string StoredPosition(const std::string& path) {
  CVeldraDocument doc;
  doc.OpenCatalog(path);
  std::string value;
  return doc.GetEnvironmentValue(kMainWindowPositionKey, &value) ? value : "<none>";
}

const std::vector<TestEntry> kThreeEntries = {
    {"e0", {"その他", "その他", "その他"}}, {"e1", {"その他", "その他", "その他"}},
    {"e2", {"その他", "その他", "その他"}}};

}  // namespace

class BrowserWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<GuiTestEnvironment> env_;

 private slots:
  void init() { env_ = std::make_unique<GuiTestEnvironment>(); }

  void cleanup() {
    env_.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
  }

  void layoutWidths_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("w1");
    QTest::addColumn<int>("w3");
    QTest::addColumn<int>("x3");
    QTest::newRow("300") << 300 << 100 << 100 << 200;
    QTest::newRow("301") << 301 << 100 << 101 << 200;
    QTest::newRow("302") << 302 << 100 << 101 << 200;
    QTest::newRow("282") << 282 << 94 << 94 << 188;
    QTest::newRow("281") << 281 << 94 << 94 << 188;
    QTest::newRow("200") << 200 << 94 << 94 << 188;
  }

  void layoutWidths() {
    QFETCH(int, width);
    QFETCH(int, w1);
    QFETCH(int, w3);
    QFETCH(int, x3);
    const BrowserLayout layout = ComputeBrowserLayout(width, 400);
    QCOMPARE(layout.lists[0], QRect(0, 36, w1, 97));
    QCOMPARE(layout.lists[1], QRect(w1, 36, w1, 97));
    QCOMPARE(layout.lists[2], QRect(x3, 36, w3, 97));
    QCOMPARE(layout.add_buttons[2], QRect(x3 + 2, 7, 22, 22));
    QCOMPARE(layout.delete_buttons[2], QRect(x3 + 29, 7, 22, 22));
    QCOMPARE(layout.labels[2], QRect(x3 + 56, 13, w3 - 61, 22));
    QCOMPARE(layout.entry_list, QRect(0, 138, width, 400 - 158));
    QCOMPARE(layout.count_label, QRect(0, 386, width, 14));
  }

  void viewAppliesTheLayout() {
    QVERIFY(MakeTestCatalog(kPath, {}, kThreeEntries));
    CMainWindow* frame = env_->OpenBrowser(kPath);
    frame->resize(frame->FrameSizeFor(QSize(301, 420)));
    CMainWindowView* view = frame->view();
    QCOMPARE(view->size(), QSize(301, 420));
    QCOMPARE(view->category_list(3)->geometry(), QRect(200, 36, 101, 97));
    QCOMPARE(view->entry_list()->geometry(), QRect(0, 138, 301, 262));
    QCOMPARE(view->count_label()->geometry(), QRect(0, 406, 301, 14));
    QCOMPARE(view->count_label()->text(), QStringLiteral("3件"));
  }

  void positionText() {
    QCOMPARE(FormatBrowserPosition(QRect(QPoint(10, 20), QPoint(609, 419))),
             std::string("20,10,420,610"));
    QRect rect;
    QVERIFY(ParseBrowserPosition("20,10,420,610", &rect));
    QCOMPARE(rect, QRect(10, 20, 600, 400));
    QVERIFY(!ParseBrowserPosition("20,10,420", &rect));
    QVERIFY(!ParseBrowserPosition("20,10,420,610x", &rect));
    QCOMPARE(rect, QRect(10, 20, 600, 400));
  }

  void positionIsStoredAtOnceAndRestored() {
    QVERIFY(MakeTestCatalog(kPath, {}, kThreeEntries));
    CMainWindow* frame = env_->OpenBrowser(kPath);
    const QRect placed = frame->geometry();
    // Stored at once, although it was never stored before.
    QCOMPARE(StoredPosition(kPath), FormatBrowserPosition(placed));
    frame->setGeometry(10, 20, 600, 400);
    QCOMPARE(StoredPosition(kPath), std::string("20,10,420,610"));
    env_->CloseBrowser(frame);
    frame = env_->OpenBrowser(kPath);
    QCOMPARE(frame->geometry(), QRect(10, 20, 600, 400));
  }

  void unparsableStoredPositionIsIgnored() {
    QVERIFY(MakeTestCatalog(kPath, {}, kThreeEntries));
    {
      CVeldraDocument doc;
      doc.OpenCatalog(kPath);
      doc.SetEnvironmentValue(kMainWindowPositionKey, "garbage");
      QCOMPARE(doc.Save(), kSaveOk);
    }
    CMainWindow* frame = env_->OpenBrowser(kPath);
    QVERIFY(frame->width() < 1000);
    QCOMPARE(StoredPosition(kPath), FormatBrowserPosition(frame->geometry()));
  }

  void frameCannotBeMadeSmallerThanItsMinimum() {
    QVERIFY(MakeTestCatalog(kPath, {}, kThreeEntries));
    CMainWindow* frame = env_->OpenBrowser(kPath);
    const QSize minimum = frame->MinimumFrameSize();
    QCOMPARE(frame->minimumSize(), minimum);
    QVERIFY(minimum.width() > 282 && minimum.height() > 308);
    frame->resize(100, 100);
    QCOMPARE(frame->size(), minimum);
    QVERIFY(frame->view()->width() >= 282);
  }

  void closeCommandsOfTheBrowser() {
    QVERIFY(MakeTestCatalog(kPath, {}, kThreeEntries));
    CMainWindow* frame = env_->OpenBrowser(kPath);
    QCOMPARE(frame->view()->QueryCommand(cmd::kFileClose), CommandState::kDisabled);
    QCOMPARE(frame->view()->QueryCommand(cmd::kCloseCatalog), CommandState::kEnabled);
    QPointer<CMainWindow> guard(frame);
    QPointer<CatalogDocumentHost> host(frame->host());
    frame->view()->RunCommand(cmd::kCloseCatalog);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(guard.isNull());
    QVERIFY(host.isNull());  // the catalog ends with its last window
  }

  void closingRecordsAndReopensTheDetailWindowsInOrder() {
    QVERIFY(MakeTestCatalog(kPath, {}, kThreeEntries));
    StandInOpener opener(env_->area());
    CMainWindow* frame = env_->OpenBrowser(kPath);
    CatalogDocumentHost* host = frame->host();
    host->set_detail_opener(&opener);
    QPointer<QMdiSubWindow> entry = opener.OpenEntryWindow(host, 0);
    QPointer<QMdiSubWindow> pdf1 = opener.OpenPdfWindow(host, 1, 0);
    QPointer<QMdiSubWindow> pdf2 = opener.OpenPdfWindow(host, 2, 1);
    env_->area()->setActiveSubWindow(entry);  // stack, top first: entry, pdf2, pdf1
    env_->fake().SetNow({2024, 8, 1, 0, 0, 0, 0});
    env_->CloseBrowser(frame);
    QVERIFY(entry.isNull() && pdf1.isNull() && pdf2.isNull());

    QCOMPARE(EntryById(kPath, 0).entry_window_ordered_index, int16_t(1));
    QCOMPARE(EntryById(kPath, 2).pdf_window_ordered_index, int16_t(2));
    QCOMPARE(EntryById(kPath, 1).pdf_window_ordered_index, int16_t(3));
    QCOMPARE(EntryById(kPath, 1).entry_window_ordered_index, int16_t(-1));
    // Every entry was written back at the close.
    for (int id = 0; id < 3; ++id) {
      QCOMPARE(EntryById(kPath, id).update_date.Text(), std::string("20240801000000000"));
    }

    // Reopening opens them in stored order and stacks them as they were.
    opener.opened.clear();
    auto* host2 = new CatalogDocumentHost();
    host2->Open(kPath);
    host2->set_detail_opener(&opener);
    auto* frame2 = new CMainWindow(host2);
    env_->area()->addSubWindow(frame2);
    frame2->show();
    frame2->view()->OnInitialUpdate();
    QCOMPARE(opener.opened, (std::vector<std::string>{"entry 0", "pdf 1", "pdf 2"}));
    QList<QMdiSubWindow*> stack = env_->area()->subWindowList(QMdiArea::StackingOrder);
    QCOMPARE(stack.last()->windowTitle(), QStringLiteral("entry 0"));
    QCOMPARE(stack[stack.size() - 2]->windowTitle(), QStringLiteral("pdf 2"));
    QCOMPARE(stack[stack.size() - 3]->windowTitle(), QStringLiteral("pdf 1"));
  }

  // The selection is written into the entries after the detail windows were recorded: it
  // keeps what the close recorded in the selected entries.
  void selectedEntriesKeepTheirRecordedWindowOrder() {
    QVERIFY(MakeTestCatalog(kPath, {}, kThreeEntries));
    StandInOpener opener(env_->area());
    CMainWindow* frame = env_->OpenBrowser(kPath);
    CatalogDocumentHost* host = frame->host();
    host->set_detail_opener(&opener);
    QPointer<QMdiSubWindow> entry = opener.OpenEntryWindow(host, 0);
    QPointer<QMdiSubWindow> pdf = opener.OpenPdfWindow(host, 1, 0);
    QCOMPARE(Titles(frame->view()), (std::vector<std::string>{"e0", "e1", "e2"}));
    frame->view()->entry_list()->SelectRows({0, 1});
    env_->CloseBrowser(frame);
    QVERIFY(entry.isNull() && pdf.isNull());

    QCOMPARE(int(EntryById(kPath, 0).is_select_entrylist), 1);
    QCOMPARE(int(EntryById(kPath, 1).is_select_entrylist), 1);
    QCOMPARE(EntryById(kPath, 1).pdf_window_ordered_index, int16_t(1));
    QCOMPARE(EntryById(kPath, 0).entry_window_ordered_index, int16_t(2));

    opener.opened.clear();
    auto* host2 = new CatalogDocumentHost();
    host2->Open(kPath);
    host2->set_detail_opener(&opener);
    auto* frame2 = new CMainWindow(host2);
    env_->area()->addSubWindow(frame2);
    frame2->show();
    frame2->view()->OnInitialUpdate();
    QCOMPARE(opener.opened, (std::vector<std::string>{"entry 0", "pdf 1"}));
  }

  void closingWhileAnotherCatalogIsActiveCountsFromThatWindow() {
    QVERIFY(MakeTestCatalog(kPath, {}, kThreeEntries));
    QVERIFY(MakeTestCatalog(kOtherPath, {}, {}));
    StandInOpener opener(env_->area());
    CMainWindow* frame = env_->OpenBrowser(kPath);
    opener.OpenPdfWindow(frame->host(), 1, 0);
    CMainWindow* other = env_->OpenBrowser(kOtherPath);  // active, on top
    env_->CloseBrowser(frame);
    QCOMPARE(EntryById(kPath, 1).pdf_window_ordered_index, int16_t(2));
    env_->CloseBrowser(other);
  }

  void closingTheOnlyWindowRecordsNothing() {
    QVERIFY(MakeTestCatalog(kPath, {}, kThreeEntries));
    CMainWindow* frame = env_->OpenBrowser(kPath);
    env_->fake().SetNow({2024, 8, 1, 0, 0, 0, 0});
    env_->CloseBrowser(frame);
    QCOMPARE(EntryById(kPath, 0).update_date.Text(), std::string("20240101120000000"));
    QCOMPARE(EntryById(kPath, 0).entry_window_ordered_index, int16_t(-1));
  }

  void fileThatIsNotACatalogIsLeftAlone() {
    const std::string bytes = "%PDF-1.4 this is not a catalog";
    env_->fake().WriteFileBytes(kPath, bytes);
    CMainWindow* frame = env_->OpenBrowser(kPath);
    CMainWindowView* view = frame->view();
    QVERIFY(view->document() == nullptr);
    QCOMPARE(view->category_list(1)->count(), 0);
    QCOMPARE(frame->windowTitle(), QStringLiteral("window.vdc"));
    ClickRow(view->category_list(1), -1);
    frame->setGeometry(5, 5, 700, 500);
    env_->CloseBrowser(frame);
    QCOMPARE(env_->fake().ReadFileBytes(kPath), bytes);
  }

  void damagedCatalogShowsWhatCouldBeReadAndIsNeverWritten() {
    QVERIFY(MakeTestCatalog(kPath, {{"A", "x", "p"}}, kThreeEntries));
    std::string bytes = env_->fake().ReadFileBytes(kPath);
    // Cut the file in the middle of its last chunk.
    bytes.resize(bytes.size() - 40);
    env_->fake().WriteFileBytes(kPath, bytes);
    CMainWindow* frame = env_->OpenBrowser(kPath);
    QVERIFY(frame->view()->document() != nullptr);
    QVERIFY(!frame->view()->document()->read_complete());
    ClickRow(frame->view()->category_list(1), 0);
    frame->setGeometry(5, 5, 700, 500);
    env_->CloseBrowser(frame);
    QCOMPARE(env_->fake().ReadFileBytes(kPath), bytes);
  }

  void readOnlyCatalogOpensAndEverySaveFails() {
    QVERIFY(MakeTestCatalog(kPath, {{"A", "x", "p"}}, kThreeEntries));
    const std::string bytes = env_->fake().ReadFileBytes(kPath);
    env_->fake().FailWriteAfter(1, /*sticky=*/true);
    CMainWindow* frame = env_->OpenBrowser(kPath);
    QCOMPARE(frame->view()->count_label()->text(), QStringLiteral("3件"));
    ClickRow(frame->view()->category_list(1), 1);
    QCOMPARE(frame->view()->count_label()->text(), QStringLiteral("0件"));
    frame->setGeometry(5, 5, 700, 500);
    env_->CloseBrowser(frame);
    env_->fake().ClearWriteFailure();
    QCOMPARE(env_->fake().ReadFileBytes(kPath), bytes);
  }
};

QTEST_MAIN(BrowserWindowTest)
#include "browser_window_test.moc"
