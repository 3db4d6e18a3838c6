// PDFs and folders dropped onto a browser: imported in one run the way the batch import
// takes a folder; a drop that holds anything else, or one onto a catalog opened read-only,
// is refused whole. The drops are Qt's drag and drop events on the real browser frame.
#include <QApplication>
#include <QTest>
#include <memory>

#include "browser/category_list_ctrl.h"
#include "storage/catalog_document.h"
#include "storage/catalog_entry_record.h"
#include "storage/preference_store.h"
#include "tests/browser/gui_test_support.h"

using namespace veldra;
using namespace veldra::testing;
using Names = std::vector<std::string>;

namespace {

constexpr char kPath[] = "/data/cats.vdc";

QUrl Local(const char* path) { return QUrl::fromLocalFile(QString::fromUtf8(path)); }

// "file name c1/c2/c3" of every entry the catalog file holds, in table order (UTF-8).
Names StoredEntries() {
  CVeldraDocument doc;
  doc.Load(kPath);
  Names entries;
  for (int i = 0; i < doc.entries().Count(); ++i) {
    const EntryRecord e = EntryRecord::DecodeFrom(doc.entries().At(i));
    entries.push_back(Utf8(e.file_name.Text()) + " " + Utf8(e.CategoryName(1)) + "/" +
                      Utf8(e.CategoryName(2)) + "/" + Utf8(e.CategoryName(3)));
  }
  return entries;
}

}  // namespace

class DropImportTest : public BrowserTestBase {
  Q_OBJECT

 private:
  platform::FakePlatform& fake() { return env_->fake(); }
  void AddPdf(const std::string& path) { fake().WriteFileBytes(path, "%PDF-1.4 " + path); }

 private slots:
  void init() {
    env_ = std::make_unique<GuiTestEnvironment>();
    SetPreferencePath(PreferencePath());
    QVERIFY(MakeTestCatalog(kPath, {{"A", "x", "p"}, {"B", "y", "q"}}, {{"old", {"A", "x", "p"}}}));
    frame_ = env_->OpenBrowser(kPath);
  }

  void cleanup() {
    env_.reset();
    SetPreferencePath("");
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
  }

  void twoPdfsAndAFolderGoInWithTheSelectedCategories() {
    for (int level = 1; level <= 3; ++level) ClickRow(view()->category_list(level), 1);
    AddPdf("/in/b.pdf");
    AddPdf("/in/a.PDF");
    AddPdf("/in/dir/c.pdf");
    AddPdf("/in/dir/sub/d.pdf");
    AddPdf("/in/dir/e.PDF");  // a folder is walked as the batch walks it: "pdf" exactly
    // Dropped onto the entry list, the drop reaches the frame: no control takes drops.
    for (QWidget* child : frame_->findChildren<QWidget*>()) QVERIFY(!child->acceptDrops());

    QVERIFY(DropUrls(frame_, {Local("/in/b.pdf"), Local("/in/a.PDF"), Local("/in/dir/")}));
    QCOMPARE(StoredEntries(), (Names{"old.pdf A/x/p", "b.pdf A/x/p", "a.PDF A/x/p",
                                     "c.pdf A/x/p", "d.pdf A/x/p"}));
    QCOMPARE(dialogs().progress_requests.size(), size_t(1));
    QCOMPARE(Utf8(dialogs().progress_requests[0].title), std::string("PDF一括取り込み"));
    QCOMPARE(dialogs().progress_requests[0].total, 4);
    QCOMPARE(WarningTexts(dialogs()), Names{});
    QCOMPARE(Titles(view()).size(), size_t(5));
  }

  void aDropHoldingAnythingElseChangesNothing() {
    AddPdf("/in/a.pdf");
    fake().WriteFileBytes("/in/notes.txt", "x");
    const std::string before = fake().ReadFileBytes(kPath);
    QVERIFY(DropUrls(frame_, {Local("/in/a.pdf"), Local("/in/notes.txt"),
                              QUrl(QStringLiteral("https://example.com/b.pdf"))}));
    QCOMPARE(WarningTexts(dialogs()),
             Names{"ドロップされた次のものは扱えないため、何も取り込まず、何も開きませんでした。\n\n"
                   "/in/notes.txt\n　PDFファイルでもフォルダでもカタログ（*.vdc）でもありません。\n"
                   "https://example.com/b.pdf\n　このコンピュータのファイルではありません。\n"});
    QCOMPARE(fake().ReadFileBytes(kPath), before);
    QCOMPARE(Titles(view()), Names{"old"});
    QVERIFY(dialogs().progress_requests.empty());
  }

  void aCatalogOpenedReadOnlyRefusesTheDrop() {
    env_->CloseBrowser(frame_);
    QVERIFY(fake().HoldLockElsewhere(kPath));
    frame_ = env_->OpenBrowser(kPath);
    dialogs().messages.clear();
    const std::string before = fake().ReadFileBytes(kPath);
    AddPdf("/in/dir/a.pdf");
    QVERIFY(DropUrls(frame_, {Local("/in/dir")}));
    QCOMPARE(WarningTexts(dialogs()),
             Names{"このカタログは読み取り専用で開かれているため、取り込めません。"});
    QCOMPARE(fake().ReadFileBytes(kPath), before);
    QVERIFY(dialogs().progress_requests.empty());
  }

  void theDragIsTakenAsACopyOnly_data() {
    QTest::addColumn<int>("offered");
    QTest::addColumn<bool>("taken");
    QTest::newRow("copy or move") << int(Qt::CopyAction | Qt::MoveAction) << true;
    QTest::newRow("copy") << int(Qt::CopyAction) << true;
    QTest::newRow("move only: the source would delete the files") << int(Qt::MoveAction) << false;
    QTest::newRow("link only") << int(Qt::LinkAction) << false;
  }
  void theDragIsTakenAsACopyOnly() {
    QFETCH(int, offered);
    QFETCH(bool, taken);
    AddPdf("/in/a.pdf");
    QCOMPARE(DropUrls(frame_, {Local("/in/a.pdf")}, Qt::DropActions(offered)), taken);
    QCOMPARE(Titles(view()).size(), size_t(taken ? 2 : 1));
  }
};

QTEST_MAIN(DropImportTest)
#include "drop_import_test.moc"
