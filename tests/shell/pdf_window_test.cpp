// The PDF viewer window on the in-memory platform: opening (and refusing to open without
// the viewer component), the temporary copy, placement, the stored rectangle, closing.
#include <QApplication>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "browser/catalog_document_host.h"
#include "browser/ui_text.h"
#include "platform/viewer/component_registry.h"
#include "platform/viewer/viewer_component.h"
#include "shell/pdf_window.h"
#include "shell/pdf_window_template.h"
#include "shell/pdf_window_view.h"
#include "storage/catalog_document.h"
#include "storage/catalog_table.h"
#include "tests/browser/gui_test_support.h"
#include "tests/commands/test_pdf.h"
#include "tests/shell/viewer_test_support.h"

using namespace veldra;
using namespace veldra::testing;

namespace {

constexpr char kPath[] = "/data/viewer.vdc";

EntryRecord StoredEntry(int32_t id) {
  CVeldraDocument doc;
  doc.Load(kPath);
  for (int i = 0; i < doc.entries().Count(); ++i) {
    if (EntryAt(doc.entries(), i).id == id) return EntryAt(doc.entries(), i);
  }
  return EntryRecord{};
}

}  // namespace

class PdfWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<GuiTestEnvironment> env_;
  std::unique_ptr<viewer::ScopedComponentFolder> components_;
  std::unique_ptr<PdfWindowTemplate> template_;
  CMainWindow* browser_ = nullptr;
  std::string pdf_a_ = MakePdf("first");
  std::string pdf_b_ = MakePdf("second");

  CatalogDocumentHost* host() const { return browser_->host(); }
  EntryRecord Entry(int32_t id) const {
    const RecordArray& entries = host()->document().entries();
    for (int i = 0; i < entries.Count(); ++i) {
      if (EntryAt(entries, i).id == id) return EntryAt(entries, i);
    }
    return EntryRecord{};
  }
  CPdfWindow* Show(int32_t id) {
    const int ordinal = host()->document().AttachmentOrdinal(id);
    return qobject_cast<CPdfWindow*>(ShowPdfViewer(*template_, host(), Entry(id), ordinal));
  }
  int ViewerCount() const {
    int n = 0;
    for (QMdiSubWindow* w : env_->area()->subWindowList()) n += qobject_cast<CPdfWindow*>(w) != nullptr;
    return n;
  }
  void Open(const std::vector<ViewerTestEntry>& entries) {
    QVERIFY(MakeViewerCatalog(kPath, entries));
    browser_ = env_->OpenBrowser(kPath);
  }

 private slots:
  void init() {
    env_ = std::make_unique<GuiTestEnvironment>();
    components_ = std::make_unique<viewer::ScopedComponentFolder>(VELDRA_COMPONENT_FOLDER "/");
    template_ = std::make_unique<PdfWindowTemplate>(env_->area(), nullptr);
  }

  void cleanup() {
    template_.reset();
    components_.reset();
    env_.reset();
    browser_ = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
  }

  void missingViewerWarnsAndOpensNothing_data() {
    QTest::addColumn<QByteArray>("registration");
    QTest::newRow("not registered") << QByteArray();
    QTest::newRow("registered library gone") << QByteArray("libgone.so\n");
  }

  void missingViewerWarnsAndOpensNothing() {
    QFETCH(QByteArray, registration);
    Open({{"Alpha", "a.pdf", pdf_a_}});
    QTemporaryDir empty;
    if (!registration.isEmpty()) {
      QFile file(empty.filePath(QString::fromLatin1(viewer::kPdfViewerClassId) + ".reg"));
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(registration);
    }
    viewer::ScopedComponentFolder nowhere(empty.path().toStdString() + "/");
    const EntryRecord before = StoredEntry(0);
    env_->fake().AdvanceMs(5000);

    QCOMPARE(Show(0), nullptr);
    QCOMPARE(env_->dialogs().messages.size(), size_t(1));
    const MessageRequest& box = env_->dialogs().messages[0];
    QCOMPARE(box.caption, std::string("VELDRA"));
    QCOMPARE(box.text, UiText("Adobe ReaderがインストールされていないためPDFを表示できません。"));
    QCOMPARE(box.icon, MessageIcon::kWarning);
    QCOMPARE(box.buttons, std::vector<MessageButton>{MessageButton::kOk});
    QCOMPARE(ViewerCount(), 0);
    QVERIFY(host()->pdf_windows().empty());
    QVERIFY(!env_->fake().FileExists("/tmp/0_a.pdf"));
    QCOMPARE(StoredEntry(0).last_view_date, before.last_view_date);
    QCOMPARE(StoredEntry(0).update_date, before.update_date);
  }

  void opensAtTheStandardSizeWithTheTitleAndACopy() {
    Open({{"Alpha 文書", "a.pdf", pdf_a_}});
    env_->fake().SetNow({2025, 2, 3, 4, 5, 6, 7});
    CPdfWindow* viewer = Show(0);
    QVERIFY(viewer != nullptr);
    QCOMPARE(viewer->size(), QSize(450, 550));
    QCOMPARE(viewer->windowTitle(), QStringLiteral("Alpha 文書"));
    QCOMPARE(env_->area()->activeSubWindow(), viewer);
    QCOMPARE(viewer->view()->temporary_path(), std::string("/tmp/0_a.pdf"));
    QCOMPARE(env_->fake().ReadFileBytes("/tmp/0_a.pdf"), pdf_a_);
    QCOMPARE(host()->pdf_windows().size(), size_t(1));
    QCOMPARE(host()->pdf_windows()[0].entry_id, 0);
    QCOMPARE(host()->pdf_windows()[0].ordinal, 0);
    // The visit is in the file: last view and update both now.
    const EntryRecord stored = StoredEntry(0);
    QCOMPARE(stored.last_view_date.Text(), std::string("20250203040506007"));
    QCOMPARE(stored.update_date.Text(), std::string("20250203040506007"));
    QCOMPARE(Entry(0).last_view_date, stored.last_view_date);
  }

  void openingAnOpenViewerBringsItForward() {
    Open({{"Alpha", "a.pdf", pdf_a_}, {"Beta", "b.pdf", pdf_b_}});
    CPdfWindow* a = Show(0);
    a->move(20, 30);
    CPdfWindow* b = Show(1);
    QCOMPARE(env_->area()->activeSubWindow(), b);
    const QRect where = a->geometry();
    env_->fake().SetNow({2025, 5, 5, 5, 5, 5, 5});

    QCOMPARE(Show(0), a);
    QCOMPARE(env_->area()->activeSubWindow(), a);
    QCOMPARE(a->geometry(), where);
    QCOMPARE(ViewerCount(), 2);
    QVERIFY2(!env_->fake().FileExists("/tmp/1_a.pdf"), "not loaded again");
    QCOMPARE(StoredEntry(0).last_view_date.Text(), std::string("20250505050505005"));
  }

  void twoPdfsOfTheSameNameGetTwoNumbers() {
    Open({{"One", "same.pdf", pdf_a_}, {"Two", "same.pdf", pdf_b_}});
    QCOMPARE(Show(0)->view()->temporary_path(), std::string("/tmp/0_same.pdf"));
    QCOMPARE(Show(1)->view()->temporary_path(), std::string("/tmp/1_same.pdf"));
    QCOMPARE(env_->fake().ReadFileBytes("/tmp/1_same.pdf"), pdf_b_);
  }

  void theCopysNameIsTheLastComponentOfTheEntrysFileName_data() {
    QTest::addColumn<QString>("file_name");
    QTest::addColumn<QString>("copy");
    QTest::newRow("plain") << QStringLiteral("資料ソース表.pdf") << QStringLiteral("/tmp/0_資料ソース表.pdf");
    QTest::newRow("climbing out") << QStringLiteral("../data/viewer.vdc") << QStringLiteral("/tmp/0_viewer.vdc");
    QTest::newRow("empty") << QString() << QStringLiteral("/tmp/0_document.pdf");
    QTest::newRow("dots") << QStringLiteral("..") << QStringLiteral("/tmp/0_document.pdf");
  }

  void theCopysNameIsTheLastComponentOfTheEntrysFileName() {
    QFETCH(QString, file_name);
    QFETCH(QString, copy);
    Open({{"Alpha", file_name.toStdString(), pdf_a_}});
    const std::string catalog = env_->fake().ReadFileBytes(kPath);
    CPdfWindow* viewer = Show(0);
    QCOMPARE(ToQString(viewer->view()->temporary_path()), copy);
    QCOMPARE(env_->fake().ReadFileBytes(FromQString(copy)), pdf_a_);
    QVERIFY(env_->fake().ReadFileBytes(kPath) != pdf_a_);
  }

  void aStaleCopyIsPassedOverAndKept() {
    Open({{"Alpha", "a.pdf", pdf_a_}});
    env_->fake().WriteFileBytes("/tmp/0_a.pdf", "from a run that ended abruptly");
    QCOMPARE(Show(0)->view()->temporary_path(), std::string("/tmp/1_a.pdf"));
    QCOMPARE(env_->fake().ReadFileBytes("/tmp/0_a.pdf"), std::string("from a run that ended abruptly"));
  }

  void storedPlacement_data() {
    QTest::addColumn<QRect>("stored");  // left, top, right - left, bottom - top
    QTest::addColumn<QRect>("expected");
    QTest::newRow("stored") << QRect(40, 50, 300, 200) << QRect(40, 50, 300, 200);
    QTest::newRow("right equals left") << QRect(40, 50, 0, 200) << QRect(0, 0, 450, 550);
    QTest::newRow("bottom above top") << QRect(40, 50, 300, -5) << QRect(0, 0, 450, 550);
  }

  void storedPlacement() {
    QFETCH(QRect, stored);
    QFETCH(QRect, expected);
    Open({{"Alpha", "a.pdf", pdf_a_}});
    EntryRecord entry = Entry(0);
    entry.pdf_window_position = {static_cast<int16_t>(stored.top()), static_cast<int16_t>(stored.left()),
                                 static_cast<int16_t>(stored.top() + stored.height()),
                                 static_cast<int16_t>(stored.left() + stored.width())};
    host()->document().ReplaceEntry(host()->document().entries(), entry);
    CPdfWindow* viewer = Show(0);
    if (expected.topLeft() == QPoint(0, 0)) expected.moveTopLeft(viewer->pos());
    QCOMPARE(viewer->geometry(), expected);
  }

  void movesAndResizesAreStoredAndSaved() {
    Open({{"Alpha", "a.pdf", pdf_a_}});
    CPdfWindow* viewer = Show(0);
    viewer->setGeometry(30, 40, 500, 420);
    QCOMPARE(StoredEntry(0).pdf_window_position, (WindowRect{40, 30, 460, 530}));
    viewer->move(10, 12);
    QCOMPARE(StoredEntry(0).pdf_window_position, (WindowRect{12, 10, 432, 510}));

    // Closing keeps the rectangle; the next opening uses it.
    viewer->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(StoredEntry(0).pdf_window_position, (WindowRect{12, 10, 432, 510}));
    QCOMPARE(Show(0)->geometry(), QRect(10, 12, 500, 420));
  }

  void closingDeletesTheCopyAndLeavesTheList() {
    Open({{"Alpha", "a.pdf", pdf_a_}, {"Beta", "b.pdf", pdf_b_}});
    QPointer<CPdfWindow> a = Show(0);
    Show(1);
    a->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(a.isNull());
    QVERIFY(!env_->fake().FileExists("/tmp/0_a.pdf"));
    QVERIFY(env_->fake().FileExists("/tmp/0_b.pdf"));
    QCOMPARE(host()->pdf_windows().size(), size_t(1));
    QCOMPARE(host()->pdf_windows()[0].entry_id, 1);
  }

  void aViewerOpenedAmongMaximizedWindowsOpensMaximized() {
    Open({{"Alpha", "a.pdf", pdf_a_}});
    EntryRecord entry = Entry(0);
    entry.pdf_window_position = {50, 40, 250, 340};
    host()->document().ReplaceEntry(host()->document().entries(), entry);
    host()->document().Save();
    browser_->showMaximized();
    CPdfWindow* viewer = Show(0);
    QVERIFY(viewer->isMaximized());
    QCOMPARE(StoredEntry(0).pdf_window_position, (WindowRect{50, 40, 250, 340}));
    viewer->showNormal();
    viewer->move(5, 6);
    QCOMPARE(StoredEntry(0).pdf_window_position.left, int16_t(5));
  }

  // A maximized viewer keeps in its entry the rectangle it has when restored, whether it was
  // maximized after it was bound or opened among maximized windows, also while the window
  // area changes size.
  void maximizedViewerStoresNoMaximizedRectangle_data() {
    QTest::addColumn<bool>("opened_maximized");
    QTest::newRow("maximized after it was bound") << false;
    QTest::newRow("opened among maximized windows") << true;
  }

  void maximizedViewerStoresNoMaximizedRectangle() {
    QFETCH(bool, opened_maximized);
    Open({{"Alpha", "a.pdf", pdf_a_}});
    if (opened_maximized) browser_->showMaximized();
    CPdfWindow* viewer = Show(0);
    const WindowRect normal = StoredEntry(0).pdf_window_position;
    QCOMPARE(normal.right - normal.left, int16_t(450));
    QCOMPARE(normal.bottom - normal.top, int16_t(550));
    if (!opened_maximized) viewer->showMaximized();
    QVERIFY(viewer->isMaximized());
    env_->area()->resize(1000, 700);
    QCoreApplication::processEvents();
    env_->area()->resize(1100, 800);
    QCoreApplication::processEvents();
    QCOMPARE(StoredEntry(0).pdf_window_position, normal);
    viewer->showNormal();
    QCOMPARE(viewer->geometry(), QRect(normal.left, normal.top, 450, 550));
  }

  // Printing to a file offers the entry's title, not the temporary copy's name.
  void printToFileOffersTheTitle_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("file_name");
    QTest::addColumn<QString>("offered");
    QTest::newRow("title") << QStringLiteral("暗号入門") << QStringLiteral("crypto.pdf") << QStringLiteral("暗号入門.pdf");
    QTest::newRow("dots kept") << QStringLiteral("Qt 6.4 入門") << QStringLiteral("a.pdf") << QStringLiteral("Qt 6.4 入門.pdf");
    QTest::newRow("one line, no folders") << QStringLiteral("上巻/下巻\r\n第2版") << QStringLiteral("a.pdf") << QStringLiteral("上巻 下巻 第2版.pdf");
    QTest::newRow("already .pdf") << QStringLiteral("report.PDF") << QStringLiteral("a.pdf") << QStringLiteral("report.PDF");
    QTest::newRow("no title") << QString() << QStringLiteral("資料.pdf") << QStringLiteral("資料.pdf");
    QTest::newRow("nothing at all") << QStringLiteral(" ") << QString() << QStringLiteral("document.pdf");
  }

  void printToFileOffersTheTitle() {
    QFETCH(QString, title);
    QFETCH(QString, file_name);
    QFETCH(QString, offered);
    EntryRecord entry;
    entry.title.SetText(FromQString(title));
    entry.file_name.SetText(FromQString(file_name));
    QCOMPARE(CPdfWindowView::PrintFileName(entry), offered);
  }

  void entriesWithoutAPdfEachGetTheirOwnViewer() {
    Open({{"No file", "none.pdf", ""}, {"Also none", "none2.pdf", ""}});
    CPdfWindow* first = Show(0);
    CPdfWindow* second = Show(1);
    QVERIFY(first != second);
    QCOMPARE(first->windowTitle(), QStringLiteral("No file"));
    QCOMPARE(second->windowTitle(), QStringLiteral("Also none"));
    QVERIFY(first->view()->temporary_path().empty());
    QCOMPARE(Show(0), first);
    QCOMPARE(ViewerCount(), 2);
  }
};

QTEST_MAIN(PdfWindowTest)
#include "pdf_window_test.moc"
