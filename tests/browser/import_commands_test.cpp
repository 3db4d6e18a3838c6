// The import commands in the browser: the dialogs they ask, the categories and remembered
// folders they use, the progress of a batch and its cancel, and every message they show;
// and PDFs and folders dropped onto the browser, which go in as a batch does.
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <memory>

#include "browser/category_list_ctrl.h"
#include "browser/ui_text.h"
#include "resources/command_ids.h"
#include "storage/catalog_document.h"
#include "storage/catalog_entry_record.h"
#include "storage/catalog_tags.h"
#include "storage/entry_text.h"
#include "storage/preference_store.h"
#include "storage/remembered_folder.h"
#include "tests/browser/gui_test_support.h"

using namespace veldra;
using namespace veldra::testing;
using Names = std::vector<std::string>;
using Triple = std::array<std::string, 3>;

namespace {

constexpr char kPath[] = "/data/cats.vdc";

std::unique_ptr<CVeldraDocument> Reloaded() {
  auto doc = std::make_unique<CVeldraDocument>();
  doc->Load(kPath);
  return doc;
}

QUrl Local(const char* path) { return QUrl::fromLocalFile(QString::fromUtf8(path)); }

// The UTF-8 category triple of the entry at index i of the catalog file.
Triple StoredTriple(int i) {
  auto doc = Reloaded();
  EntryRecord e = EntryRecord::DecodeFrom(doc->entries().At(i));
  return {Utf8(e.CategoryName(1)), Utf8(e.CategoryName(2)), Utf8(e.CategoryName(3))};
}

}  // namespace

class ImportCommandsTest : public BrowserTestBase {
  Q_OBJECT

 private:
  platform::FakePlatform& fake() { return env_->fake(); }
  void AddPdf(const std::string& path) { fake().WriteFileBytes(path, "%PDF-1.4 " + path); }
  // The texts of the warning boxes shown so far (UTF-8); each must be the application's.
  Names Warnings() { return WarningTexts(dialogs()); }
  void BatchImport(const std::string& folder) {
    dialogs().folder_answers.push_back(folder);
    view()->RunCommand(cmd::kPdfBatchImport);
  }

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

  void bothCommandsAreEnabled() {
    QCOMPARE(view()->QueryCommand(cmd::kPdfImport), CommandState::kEnabled);
    QCOMPARE(view()->QueryCommand(cmd::kPdfBatchImport), CommandState::kEnabled);
  }

  void singleImportAsksForOnePdf() {
    AddPdf("/pdf/a.pdf");
    dialogs().file_answers.push_back(std::string("/pdf/a.pdf"));
    view()->RunCommand(cmd::kPdfImport);
    QCOMPARE(dialogs().file_requests.size(), size_t(1));
    const FileRequest& r = dialogs().file_requests[0];
    QVERIFY(r.kind == FileRequest::Kind::kOpen);
    QCOMPARE(r.filters.size(), size_t(1));
    QCOMPARE(Utf8(r.filters[0].name), std::string("PDFファイル(*.pdf)"));
    QCOMPARE(r.filters[0].pattern, std::string("*.pdf"));
    QVERIFY(r.file_must_exist);
    QCOMPARE(r.owner, static_cast<QWidget*>(frame_));
    QCOMPARE(Titles(view()), (Names{"a.pdf", "old"}));
    QCOMPARE(Reloaded()->entries().Count(), 2);
    QCOMPARE(Warnings(), Names{});
  }

  void cancelledDialogsChangeNothing() {
    const std::string before = fake().ReadFileBytes(kPath);
    view()->RunCommand(cmd::kPdfImport);
    view()->RunCommand(cmd::kPdfBatchImport);
    QCOMPARE(dialogs().file_requests.size(), size_t(1));
    QCOMPARE(dialogs().folder_requests.size(), size_t(1));
    QCOMPARE(Utf8(dialogs().folder_requests[0].title), std::string("PDF一括取り込み"));
    QCOMPARE(ReadRememberedFolder(nullptr, kTagFolderBatchImport), std::string());
    QVERIFY(dialogs().progress_requests.empty());
    QCOMPARE(Reloaded()->entries().Count(), 1);
  }

  void newEntriesTakeTheSelectedCategories_data() {
    QTest::addColumn<QList<int>>("rows");  // the row clicked in each list, -1 none
    QTest::addColumn<Triple>("expected");
    QTest::newRow("all everywhere") << QList<int>{-1, -1, -1} << Triple{"その他", "その他", "その他"};
    QTest::newRow("B, then all") << QList<int>{2, -1, -1} << Triple{"B", "その他", "その他"};
    QTest::newRow("A x p") << QList<int>{1, 1, 1} << Triple{"A", "x", "p"};
  }
  void newEntriesTakeTheSelectedCategories() {
    QFETCH(QList<int>, rows);
    QFETCH(Triple, expected);
    for (int level = 1; level <= 3; ++level) {
      if (rows[level - 1] >= 0) ClickRow(view()->category_list(level), rows[level - 1]);
    }
    AddPdf("/pdf/a.pdf");
    dialogs().file_answers.push_back(std::string("/pdf/a.pdf"));
    view()->RunCommand(cmd::kPdfImport);
    QCOMPARE(StoredTriple(1), expected);
  }

  void noSelectionInAListLeavesThatLevelEmpty() {
    view()->category_list(3)->clearSelection();
    AddPdf("/pdf/a.pdf");
    dialogs().file_answers.push_back(std::string("/pdf/a.pdf"));
    view()->RunCommand(cmd::kPdfImport);
    QCOMPARE(StoredTriple(1), (Triple{"その他", "その他", ""}));
  }

  void aCompanionKeepsItsCategoriesAndTheListsOfferThem() {
    AddPdf("/pdf/a.pdf");
    EntryRecord written;
    written.id = 40;
    written.title.SetText(Sjis("題名"));
    written.SetCategoryName(1, "C");
    written.SetCategoryName(2, "z");
    written.SetCategoryName(3, "r");
    QVERIFY(WriteEntryText(written, "/pdf/a.vdb"));
    ClickRow(view()->category_list(1), 1);  // A: ignored for a PDF with a companion
    dialogs().file_answers.push_back(std::string("/pdf/a.pdf"));
    view()->RunCommand(cmd::kPdfImport);
    QCOMPARE(StoredTriple(1), (Triple{"C", "z", "r"}));
    QCOMPARE(EntryRecord::DecodeFrom(Reloaded()->entries().At(1)).id, 1);
    ClickRow(view()->category_list(1), 0);  // back to all
    QVERIFY(ItemTexts(view()->category_list(1)) ==
            (Names{"＜すべて＞", "A", "B", "C", "その他"}));
    QCOMPARE(Titles(view()), (Names{"old", "題名"}));
  }

  void theRememberedFolderIsKeptInBothPlaces_data() {
    QTest::addColumn<bool>("batch");
    QTest::newRow("single import, PW02") << false;
    QTest::newRow("batch import, PW01") << true;
  }
  void theRememberedFolderIsKeptInBothPlaces() {
    QFETCH(bool, batch);
    const ChunkTag tag = batch ? kTagFolderBatchImport : kTagFolderSingleImport;
    AddPdf("/pdf/sub/a.pdf");
    if (batch) {
      BatchImport("/pdf/sub");
    } else {
      dialogs().file_answers.push_back(std::string("/pdf/sub/a.pdf"));
      view()->RunCommand(cmd::kPdfImport);
    }
    const std::string folder = batch ? "/pdf/sub" : "/pdf/sub/";
    QCOMPARE(ReadRememberedFolder(Reloaded().get(), tag), folder);
    QCOMPARE(ReadRememberedFolder(nullptr, tag), folder);

    // The next dialog opens there; a catalog without the value takes the preference's.
    view()->RunCommand(batch ? cmd::kPdfBatchImport : cmd::kPdfImport);
    QVERIFY(MakeTestCatalog("/data/other.vdc", {}, {}));
    CMainWindow* other = env_->OpenBrowser("/data/other.vdc");
    StoreRememberedFolder(nullptr, tag, "/elsewhere/");
    other->view()->RunCommand(batch ? cmd::kPdfBatchImport : cmd::kPdfImport);
    Names initial;
    for (const FileRequest& r : dialogs().file_requests) initial.push_back(r.initial_folder);
    for (const FolderRequest& r : dialogs().folder_requests) initial.push_back(r.initial_folder);
    QCOMPARE(initial, (Names{"", folder, "/elsewhere/"}));
  }

  void aBatchShowsItsProgressAndImportsTheTree() {
    AddPdf("/pdf/x.pdf");
    fake().WriteFileBytes("/pdf/y.PDF", "%PDF-1.4");
    AddPdf("/pdf/sub/z.pdf");
    AddPdf("/pdf/.hidden/h.pdf");
    BatchImport("/pdf");
    QCOMPARE(dialogs().progress_requests.size(), size_t(1));
    QCOMPARE(Utf8(dialogs().progress_requests[0].title), std::string("PDF一括取り込み"));
    QCOMPARE(dialogs().progress_requests[0].total, 2);
    QCOMPARE(dialogs().progress_steps.size(), size_t(2));
    QCOMPARE(dialogs().progress_steps[1].done, 1);  // the platform lists sub before x.pdf
    QCOMPARE(Utf8(dialogs().progress_steps[1].label), std::string("2 / 2 件目を取り込んでいます\nx.pdf"));
    QCOMPARE(dialogs().open_progress, 0);
    QCOMPARE(Titles(view()), (Names{"old", "x.pdf", "z.pdf"}));
    QVERIFY(!view()->importing());
  }

  void cancelMidBatchKeepsAndSavesWhatWasImported() {
    for (int i = 0; i < 5; ++i) AddPdf("/pdf/n" + std::to_string(i) + ".pdf");
    dialogs().stop_progress_at_step = 3;  // asked before the third PDF
    BatchImport("/pdf");
    QCOMPARE(dialogs().progress_steps.size(), size_t(3));
    QCOMPARE(Titles(view()), (Names{"n0.pdf", "n1.pdf", "old"}));
    QCOMPARE(view()->count_label()->text(), QStringLiteral("3件"));
    auto saved = Reloaded();
    QCOMPARE(saved->entries().Count(), 3);
    QCOMPARE(saved->AttachmentOrdinal(2), 1);
    QCOMPARE(Warnings(), Names{});
  }

  void theFailureBoxNamesEachFileAndWhy() {
    fake().WriteFileBytes("/pdf/a_empty.pdf", "");
    AddPdf("/pdf/b_locked.pdf");
    fake().FailOpen("/pdf/b_locked.pdf");
    fake().AddSpecialFile("/pdf/c_fifo.pdf");
    AddPdf("/pdf/d_ok.pdf");
    fake().AddSpecialFile("/pdf/d_ok.vdb");  // a pipe with a companion's name
    BatchImport("/pdf");
    QCOMPARE(fake().SpecialOpenCount(), 0);
    QCOMPARE(Warnings(), Names{"次のファイルのPDFは取り込めませんでした。\n\n"
                               "/pdf/a_empty.pdf\n　空のファイルです。\n"
                               "/pdf/b_locked.pdf\n　読み込めませんでした（アクセスが許可されていません）。\n"
                               "/pdf/c_fifo.pdf\n　通常のファイルではないため、取り込みませんでした。\n"
                               "\n次の付属ファイルは読み込めませんでした。\n\n"
                               "/pdf/d_ok.vdb\n　読み込みませんでした（通常のファイルではありません）。"
                               "PDFは付属ファイルなしで取り込みました。\n"});
    QCOMPARE(Titles(view()), (Names{"a_empty.pdf", "b_locked.pdf", "d_ok.pdf", "old"}));
  }

  void aFullDeviceIsNamedAsTheCause() {
    AddPdf("/pdf/a.pdf");
    dialogs().on_progress_step = [this](int) { fake().FailWriteAfter(1); };
    BatchImport("/pdf");
    QCOMPARE(Warnings(), Names{"次のファイルのPDFは取り込めませんでした。\n\n"
                               "/pdf/a.pdf\n　ディスクの空き容量が足りません。\n"});
  }

  // The batch imports what it can and names the rest in its one failure list; a single
  // chosen file whose name came back with "?" is refused.
  void namesTheCatalogCannotHoldAreSkippedOrRefused() {
    AddPdf("/pdf/a.pdf");
    fake().AddFolder("/pdf/sub");
    fake().AddUnreachableItem("/pdf/sub/b?.pdf", false);
    BatchImport("/pdf");
    QCOMPARE(Warnings(), Names{"次のファイルのPDFは取り込めませんでした。\n\n/pdf/sub/b?.pdf\n"
                               "　名前にカタログで扱えない文字（?の部分）が含まれているため、"
                               "取り込みませんでした。\n"});
    QCOMPARE(Titles(view()), (Names{"a.pdf", "old"}));
    QCOMPARE(Reloaded()->entries().Count(), 2);

    fake().AddUnreachableItem("/pdf/c?.pdf", false);
    dialogs().file_answers.push_back(std::string("/pdf/c?.pdf"));
    view()->RunCommand(cmd::kPdfImport);
    QCOMPARE(Warnings().size(), size_t(2));
    QCOMPARE(Warnings()[1], std::string("次の名前には、カタログで扱えない文字（?の部分）が含まれています。"
                                        "何も取り込みませんでした。\n\n/pdf/c?.pdf\n"));
    QCOMPARE(Reloaded()->entries().Count(), 2);
  }

  // A forged catalog whose entry counter stands at the top of its range imports nothing.
  void aCatalogOutOfIdsImportsNothingAndSaysSo() {
    QVERIFY(ReopenWithCounterAtTop(kPath, kTagEntry, kCounterKeyEntry));
    AddPdf("/pdf/a.pdf");
    BatchImport("/pdf");
    QCOMPARE(Warnings(), Names{"このカタログはID番号が上限（2147483647）に近づいたため、"
                               "これだけのPDFを取り込めません。何も取り込みませんでした。"});
    QCOMPARE(Titles(view()), Names{"old"});
    QCOMPARE(Reloaded()->entries().Count(), 1);
  }

  void aFolderThatCannotBeSearchedIsNamed() {
    fake().AddFolder("/locked");
    fake().FailListDirectory("/locked");
    BatchImport("/locked");
    QCOMPARE(Warnings(), Names{"フォルダ「/locked」を検索できません（アクセスが許可されていません）。"
                               "何も取り込みませんでした。"});
    QCOMPARE(Reloaded()->entries().Count(), 1);
  }

  void aCatalogOpenElsewhereIsNotChanged() {
    env_->CloseBrowser(frame_);
    QVERIFY(fake().HoldLockElsewhere(kPath));
    frame_ = env_->OpenBrowser(kPath);
    dialogs().messages.clear();
    const std::string before = fake().ReadFileBytes(kPath);
    AddPdf("/pdf/a.pdf");
    dialogs().file_answers.push_back(std::string("/pdf/a.pdf"));
    view()->RunCommand(cmd::kPdfImport);
    QCOMPARE(Warnings(), Names{"このカタログは読み取り専用で開かれているため、取り込めません。"});
    // Its saves fail by design; that was told when it opened, not again after each one.
    view()->OnColumnClick(1);
    QCoreApplication::processEvents();
    QCOMPARE(Warnings().size(), size_t(1));
    QCOMPARE(Titles(view()), Names{"old"});
    QCOMPARE(fake().ReadFileBytes(kPath), before);
  }

  // Two PDFs and a folder dropped onto the browser (Qt's drag and drop events on its frame)
  // go in as one batch run, with the selected categories.
  void droppedPdfsAndFoldersGoInAsOneBatch() {
    ClickRow(view()->category_list(1), 2);  // "B", the other levels "＜すべて＞"
    AddPdf("/in/b.pdf");
    AddPdf("/in/a.PDF");
    AddPdf("/in/dir/c.pdf");
    AddPdf("/in/dir/sub/d.pdf");
    AddPdf("/in/dir/e.PDF");  // a folder is walked as the batch walks it: "pdf" exactly
    // A drop onto the lists reaches the frame: no control takes drops itself.
    for (QWidget* child : frame_->findChildren<QWidget*>()) QVERIFY(!child->acceptDrops());

    QVERIFY(DropUrls(frame_, {Local("/in/b.pdf"), Local("/in/a.PDF"), Local("/in/dir/")}));
    auto doc = Reloaded();
    Names files;
    for (int i = 0; i < doc->entries().Count(); ++i) {
      files.push_back(EntryRecord::DecodeFrom(doc->entries().At(i)).file_name.Text());
    }
    QCOMPARE(files, (Names{"old.pdf", "b.pdf", "a.PDF", "c.pdf", "d.pdf"}));
    for (int i = 1; i <= 4; ++i) QCOMPARE(StoredTriple(i), (Triple{"B", "その他", "その他"}));
    QCOMPARE(dialogs().progress_requests.size(), size_t(1));
    QCOMPARE(Utf8(dialogs().progress_requests[0].title), std::string("PDF一括取り込み"));
    QCOMPARE(dialogs().progress_requests[0].total, 4);
    QCOMPARE(Warnings(), Names{});
  }

  void aDropHoldingAnythingElseChangesNothing() {
    AddPdf("/in/a.pdf");
    fake().WriteFileBytes("/in/notes.txt", "x");
    const std::string before = fake().ReadFileBytes(kPath);
    QVERIFY(DropUrls(frame_, {Local("/in/a.pdf"), Local("/in/notes.txt"),
                              QUrl(QStringLiteral("https://example.com/b.pdf"))}));
    QCOMPARE(Warnings(),
             Names{"ドロップされた次のものは扱えないため、何も取り込まず、何も開きませんでした。\n\n"
                   "/in/notes.txt\n　PDFファイルでもフォルダでもカタログ（*.vdc）でもありません。\n"
                   "https://example.com/b.pdf\n　このコンピュータのファイルではありません。\n"});
    QCOMPARE(fake().ReadFileBytes(kPath), before);
    QVERIFY(dialogs().progress_requests.empty());
  }

  void aDropOnACatalogOpenElsewhereIsRefused() {
    env_->CloseBrowser(frame_);
    QVERIFY(fake().HoldLockElsewhere(kPath));
    frame_ = env_->OpenBrowser(kPath);
    dialogs().messages.clear();
    const std::string before = fake().ReadFileBytes(kPath);
    AddPdf("/in/dir/a.pdf");
    QVERIFY(DropUrls(frame_, {Local("/in/dir")}));
    QCOMPARE(Warnings(), Names{"このカタログは読み取り専用で開かれているため、取り込めません。"});
    QCOMPARE(fake().ReadFileBytes(kPath), before);
    QVERIFY(dialogs().progress_requests.empty());
  }

  void aDragIsTakenAsACopyOnly_data() {
    QTest::addColumn<int>("offered");
    QTest::addColumn<bool>("taken");
    QTest::newRow("copy or move") << int(Qt::CopyAction | Qt::MoveAction) << true;
    QTest::newRow("move only: the source would delete the files") << int(Qt::MoveAction) << false;
    QTest::newRow("link only") << int(Qt::LinkAction) << false;
  }
  void aDragIsTakenAsACopyOnly() {
    QFETCH(int, offered);
    QFETCH(bool, taken);
    AddPdf("/in/a.pdf");
    QCOMPARE(DropUrls(frame_, {Local("/in/a.pdf")}, Qt::DropActions(offered)), taken);
    QCOMPARE(Reloaded()->entries().Count(), taken ? 2 : 1);
  }

  void aFailedSaveIsToldOnceUntilASaveSucceeds() {
    fake().FailWriteAfter(1, /*sticky=*/true);
    for (int i = 0; i < 3; ++i) view()->OnColumnClick(1);
    QTRY_COMPARE(dialogs().messages.size(), size_t(1));
    QCoreApplication::processEvents();
    // A column click changes the sort order alone: that is what did not reach the file.
    QCOMPARE(Warnings(), Names{"カタログファイル「/data/cats.vdc」に並べ替えの設定を保存できません"
                               "でした（ディスクの空き容量が足りません）。ほかの変更はファイルに書き込ま"
                               "れています。"});
    QCOMPARE(dialogs().messages[0].owner, static_cast<QWidget*>(frame_));
    fake().ClearWriteFailure();
    view()->OnColumnClick(1);  // saved again
    QCoreApplication::processEvents();
    QCOMPARE(dialogs().messages.size(), size_t(1));
    fake().FailWriteAfter(1, /*sticky=*/true);
    view()->OnColumnClick(1);
    QTRY_COMPARE(dialogs().messages.size(), size_t(2));
    fake().ClearWriteFailure();
  }

  void aFailedSaveOfAnImportIsToldBeforeItsFiles() {
    AddPdf("/pdf/a.pdf");
    fake().WriteFileBytes("/pdf/b.pdf", "");
    // Every write from the first PDF on fails: its bytes and then the tables.
    dialogs().on_progress_step = [this](int done) {
      if (done == 0) fake().FailWriteAfter(1, /*sticky=*/true);
    };
    BatchImport("/pdf");
    const Names warnings = Warnings();
    QCOMPARE(warnings.size(), size_t(2));
    QVERIFY(warnings[0].starts_with("カタログファイル「/data/cats.vdc」に保存できませんでした"));
    QVERIFY(warnings[1].ends_with("/pdf/b.pdf\n　空のファイルです。\n"));
    QCoreApplication::processEvents();
    QCOMPARE(dialogs().messages.size(), size_t(2));
    fake().ClearWriteFailure();
  }
};

QTEST_MAIN(ImportCommandsTest)
#include "import_commands_test.moc"
