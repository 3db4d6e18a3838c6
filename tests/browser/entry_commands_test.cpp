// The browser's entry commands: which are enabled, the selected entries they act on,
// property windows and viewers, deleting, exporting, the new save, select all and none.
#include <QApplication>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTest>
#include <memory>

#include "browser/entry_list_ctrl.h"
#include "browser/ui_text.h"
#include "commands/import_pdfs.h"
#include "resources/command_ids.h"
#include "storage/catalog_document.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/catalog_tags.h"
#include "storage/remembered_folder.h"
#include "tests/browser/gui_test_support.h"

using namespace veldra;
using namespace veldra::testing;

namespace {

constexpr char kPath[] = "/data/list.vdc";

// A PDF file's bytes as the import reads them.
std::string PdfBytes(const std::string& text) { return "%PDF-1.4\n" + text + "\n%%EOF\n"; }

// A catalog at kPath with one entry per source path (each a PDF written there first),
// imported in order with the categories "その他".
bool MakeCatalogWithPdfs(platform::FakePlatform& fake, const std::vector<std::string>& sources) {
  if (!CreateDefaultCatalog(kPath)) return false;
  CVeldraDocument doc;
  doc.OpenCatalog(kPath);
  for (const std::string& source : sources) fake.WriteFileBytes(source, PdfBytes(source));
  commands::ImportReport report;
  return commands::ImportPdfs(doc, sources, commands::OtherTriple(), &report) ==
         commands::kImportOk;
}

std::unique_ptr<CVeldraDocument> Reload() {
  auto doc = std::make_unique<CVeldraDocument>();
  doc->OpenCatalog(kPath);
  return doc;
}

// The entry ids of the rows, top to bottom.
std::vector<int32_t> RowIds(const CMainWindowView* view) {
  std::vector<int32_t> ids;
  const RecordArray& rows = view->host()->document().filtered_entries();
  for (int r = 0; r < rows.Count(); ++r) ids.push_back(EncodedEntryId(rows.At(r)));
  return ids;
}

}  // namespace

class EntryCommandsTest : public BrowserTestBase {
  Q_OBJECT

 private:
  // The catalog with a.pdf, b.pdf and c.pdf, open in a browser; rows are in title order.
  void OpenThree() {
    QVERIFY(MakeCatalogWithPdfs(env_->fake(), {"/pdf/a.pdf", "/pdf/b.pdf", "/pdf/c.pdf"}));
    frame_ = env_->OpenBrowser(kPath);
    QCOMPARE(Titles(view()), (std::vector<std::string>{"a.pdf", "b.pdf", "c.pdf"}));
  }

 private slots:
  void init() {
    env_ = std::make_unique<GuiTestEnvironment>();
    env_->fake().AddFolder("/out");
  }

  void cleanup() {
    frame_ = nullptr;
    env_.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
  }

  void enabling_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("needs_selection");
    QTest::newRow("information") << cmd::kEntryInfo << true;
    QTest::newRow("batch change") << cmd::kCategoryBatchChange << true;
    QTest::newRow("delete") << cmd::kPdfDelete << true;
    QTest::newRow("export") << cmd::kPdfExport << true;
    QTest::newRow("open") << cmd::kPdfOpen << true;
    QTest::newRow("select none") << cmd::kSelectNone << true;
    QTest::newRow("new save") << cmd::kNewSave << false;
    QTest::newRow("select all") << cmd::kEditSelectAll << false;
    QTest::newRow("label edit") << cmd::kCategoryLabelEdit << false;
  }

  void enabling() {
    QFETCH(int, id);
    QFETCH(bool, needs_selection);
    OpenThree();
    view()->entry_list()->SelectRows({});
    QCOMPARE(view()->QueryCommand(id),
             needs_selection ? CommandState::kDisabled : CommandState::kEnabled);
    view()->entry_list()->SelectRows({2});
    QCOMPARE(view()->QueryCommand(id), CommandState::kEnabled);
  }

  void selectAllWritesTheFlagsAndSelectNoneOnlyClears() {
    OpenThree();
    view()->OnSelectAll();
    QCOMPARE(view()->entry_list()->SelectedRows(), (std::vector<int>{0, 1, 2}));
    CVeldraDocument& doc = view()->host()->document();
    for (int32_t id : RowIds(view())) QCOMPARE(doc.FindEntry(id)->is_select_entrylist, uint8_t(1));
    view()->OnSelectNone();
    QVERIFY(view()->entry_list()->SelectedRows().empty());
    for (int32_t id : RowIds(view())) QCOMPARE(doc.FindEntry(id)->is_select_entrylist, uint8_t(1));
  }

  // Rows are taken in ascending order from the list as sorted now, whatever order they
  // were selected in.
  void informationAndOpenActOnTheSelectedRowsInOrder() {
    OpenThree();
    StandInOpener opener(env_->area());
    view()->host()->set_detail_opener(&opener);
    const std::vector<int32_t> ids = RowIds(view());
    view()->entry_list()->SelectRows({0, 2});
    view()->OnEntryInfo();
    env_->area()->setActiveSubWindow(frame_);
    view()->OnPdfOpen();
    QCOMPARE(opener.opened,
             (std::vector<std::string>{"entry " + std::to_string(ids[0]), "entry " + std::to_string(ids[2]),
                                       "pdf " + std::to_string(ids[0]), "pdf " + std::to_string(ids[2])}));
    CVeldraDocument& doc = view()->host()->document();
    for (const auto& item : view()->host()->pdf_windows()) {
      QCOMPARE(item.ordinal, doc.AttachmentOrdinal(item.entry_id));
    }
    QCOMPARE(view()->host()->pdf_windows()[1].ordinal, 2);
  }

  void deleteAsksFirstAndNoKeepsEverything() {
    OpenThree();
    view()->entry_list()->SelectRows({1});
    dialogs().message_answers.push_back(MessageButton::kNo);
    view()->OnPdfDelete();
    QCOMPARE(dialogs().messages.size(), size_t(1));
    const MessageRequest& q = dialogs().messages[0];
    QCOMPARE(q.caption, std::string());
    QCOMPARE(q.text, Sjis("選択しているPDFを削除してもよろしいですか？"));
    QCOMPARE(q.icon, MessageIcon::kQuestion);
    QVERIFY((q.buttons == std::vector<MessageButton>{MessageButton::kYes, MessageButton::kNo}));
    QCOMPARE(q.default_button, MessageButton::kNo);
    QVERIFY(q.owner == nullptr);
    QCOMPARE(Titles(view()).size(), size_t(3));
    QCOMPARE(Reload()->entries().Count(), 3);
  }

  void deleteClosesTheEntriesWindowsAndKeepsTheOthers() {
    OpenThree();
    StandInOpener opener(env_->area());
    CatalogDocumentHost* host = view()->host();
    const std::vector<int32_t> ids = RowIds(view());
    QPointer<QMdiSubWindow> kept = opener.OpenPdfWindow(host, ids[0], 0);
    QPointer<QMdiSubWindow> pdf = opener.OpenPdfWindow(host, ids[1], 1);
    QPointer<QMdiSubWindow> entry = opener.OpenEntryWindow(host, ids[1]);
    QPointer<QMdiSubWindow> pdf_again = opener.OpenPdfWindow(host, ids[1], 1);
    env_->area()->setActiveSubWindow(frame_);
    view()->entry_list()->SelectRows({1});
    dialogs().message_answers.push_back(MessageButton::kYes);
    view()->OnPdfDelete();
    QVERIFY(pdf->isHidden() && entry->isHidden() && pdf_again->isHidden());
    QVERIFY(!kept->isHidden());
    QCOMPARE(Titles(view()), (std::vector<std::string>{"a.pdf", "c.pdf"}));
    std::unique_ptr<CVeldraDocument> stored = Reload();
    QCOMPARE(stored->entries().Count(), 2);
    QVERIFY(!stored->FindEntry(ids[1]));
    QCOMPARE(stored->AttachmentOrdinal(ids[1]), -1);
    QCOMPARE(stored->AttachmentOrdinal(ids[2]), 2);
  }

  void exportNumbersTakenNamesAndRemembersTheFolder() {
    QVERIFY(MakeCatalogWithPdfs(env_->fake(), {"/pdf/1/a.pdf", "/pdf/2/a.pdf"}));
    frame_ = env_->OpenBrowser(kPath);
    view()->OnSelectAll();
    env_->fake().SetNow({2024, 7, 2, 10, 30, 0, 0});
    dialogs().folder_answers.push_back(std::string("/out"));
    view()->OnPdfExport();
    QCOMPARE(dialogs().folder_requests.size(), size_t(1));
    QCOMPARE(dialogs().folder_requests[0].title, Sjis("PDF取り出し"));
    QCOMPARE(dialogs().folder_requests[0].initial_folder, std::string());
    QVERIFY(dialogs().folder_requests[0].owner == frame_);
    for (const char* file : {"/out/a.pdf", "/out/a.vdb", "/out/a-1.pdf", "/out/a-1.vdb"}) {
      QVERIFY2(env_->fake().FileExists(file), file);
    }
    QCOMPARE(dialogs().messages.size(), size_t(0));
    // The rows show the exported entries' new dates and stay selected.
    QCOMPARE(view()->entry_list()->SelectedRows(), (std::vector<int>{0, 1}));
    QCOMPARE(Cell(view(), 1, 6), std::string("2024/07/02 10:30"));

    view()->entry_list()->SelectRows({0});
    dialogs().folder_answers.push_back(std::string("/out"));
    view()->OnPdfExport();
    QCOMPARE(dialogs().folder_requests[1].initial_folder, std::string("/out"));
    QVERIFY(env_->fake().FileExists("/out/a-2.pdf"));
    QVERIFY(env_->fake().FileExists("/out/a-2.vdb"));
    QCOMPARE(ReadRememberedFolder(&view()->host()->document(), kTagFolderExport), std::string("/out"));
  }

  void exportCancelledWritesNothing() {
    OpenThree();
    view()->OnSelectAll();
    const auto before = env_->fake().FilePaths();
    view()->OnPdfExport();  // the chooser is cancelled
    QCOMPARE(dialogs().folder_requests.size(), size_t(1));
    QCOMPARE(env_->fake().FilePaths(), before);
  }

  // What could not be exported is listed in one warning after the export, with the cause.
  void exportReportsWhatWasNotExported_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("without_bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("entry without PDF bytes")
        << "/out" << true
        << "次のPDFは取り出せませんでした。\n「b.pdf」：PDFのデータがないか、読み込めません";
    QTest::newRow("folder that cannot be written")
        << "/missing" << false
        << "次のPDFは取り出せませんでした。\n「a.pdf」：「/missing」にファイルを作成できません\n"
           "「b.pdf」：前のPDFで中止したため取り出していません\n"
           "「c.pdf」：前のPDFで中止したため取り出していません";
  }

  void exportReportsWhatWasNotExported() {
    QFETCH(QString, folder);
    QFETCH(bool, without_bytes);
    QFETCH(QString, text);
    QVERIFY(MakeCatalogWithPdfs(env_->fake(), {"/pdf/a.pdf", "/pdf/b.pdf", "/pdf/c.pdf"}));
    if (without_bytes) {
      std::unique_ptr<CVeldraDocument> doc = Reload();
      doc->RemoveAttachmentLink(EncodedEntryId(doc->entries().At(1)));
      QCOMPARE(doc->SaveTables(kPath), kSaveOk);
    }
    frame_ = env_->OpenBrowser(kPath);
    view()->OnSelectAll();
    dialogs().folder_answers.push_back(folder.toStdString());
    view()->OnPdfExport();
    QCOMPARE(dialogs().messages.size(), size_t(1));
    const MessageRequest& warning = dialogs().messages[0];
    QCOMPARE(ToQString(warning.text), text);
    QCOMPARE(warning.caption, std::string("VELDRA"));
    QCOMPARE(warning.icon, MessageIcon::kWarning);
    QCOMPARE(env_->fake().FileExists("/out/a.pdf"), without_bytes);
    QCOMPARE(env_->fake().FileExists("/out/c.vdb"), without_bytes);
    QVERIFY(!env_->fake().FileExists("/out/b.pdf"));
  }

  void newSaveWritesACompactCopyAndKeepsTheCatalogOpen() {
    OpenThree();
    const int32_t deleted = RowIds(view())[0];
    view()->entry_list()->SelectRows({0});
    dialogs().message_answers.push_back(MessageButton::kYes);
    view()->OnPdfDelete();
    dialogs().file_answers.push_back(std::string("/data/copy.vdc"));
    view()->OnNewSave();
    const FileRequest& request = dialogs().file_requests.at(0);
    QCOMPARE(request.kind, FileRequest::Kind::kSave);
    QCOMPARE(request.caption, Sjis("新規保存"));
    QCOMPARE(request.filters.size(), size_t(1));
    QCOMPARE(request.filters[0].name, Sjis("VELDRAファイル(*.vdc)"));
    QCOMPARE(request.filters[0].pattern, std::string("*.vdc"));
    QCOMPARE(request.default_suffix, std::string("vdc"));
    QCOMPARE(request.default_name, Sjis("list＋.vdc"));
    QVERIFY(request.confirm_overwrite);
    QCOMPARE(dialogs().messages.size(), size_t(1));  // the delete question only
    QCOMPARE(view()->host()->path(), std::string(kPath));

    CVeldraDocument copy;
    copy.OpenCatalog("/data/copy.vdc");
    QVERIFY(copy.read_complete());
    QCOMPARE(copy.entries().Count(), 2);
    QVERIFY(!copy.FindEntry(deleted));
    std::vector<int> ordinals;
    for (int i = 0; i < copy.attachments().Count(); ++i) ordinals.push_back(AttachmentAt(copy.attachments(), i).ordinal);
    QCOMPARE(ordinals, (std::vector<int>{0, 1}));
    QVERIFY(env_->fake().ReadFileBytes("/data/copy.vdc").size() <
            env_->fake().ReadFileBytes(kPath).size());
  }

  // The catalog's own file, under its own or another spelling, is refused with a warning as
  // soon as it is chosen; the dialog stays open, and another name is taken.
  void newSaveOverTheOpenCatalogIsRefused_data() {
    QTest::addColumn<QString>("target");
    QTest::newRow("same path") << QString(kPath);
    QTest::newRow("another spelling") << QStringLiteral("/data//list.vdc");
  }

  void newSaveOverTheOpenCatalogIsRefused() {
    QFETCH(QString, target);
    OpenThree();
    const std::string before = env_->fake().ReadFileBytes(kPath);
    dialogs().file_answers.push_back(target.toStdString());
    dialogs().file_answers.push_back(std::string("/data/copy.vdc"));
    view()->OnNewSave();
    QCOMPARE(dialogs().file_requests.size(), size_t(1));
    QCOMPARE(dialogs().messages.size(), size_t(1));
    QCOMPARE(dialogs().messages[0].text,
             Sjis("開いているカタログには新規保存できません。別のファイル名を指定してください。"));
    QCOMPARE(dialogs().messages[0].icon, MessageIcon::kWarning);
    QCOMPARE(env_->fake().ReadFileBytes(kPath), before);
    QCOMPARE(Reload()->entries().Count(), 3);
    CVeldraDocument copy;
    copy.OpenCatalog("/data/copy.vdc");
    QCOMPARE(copy.entries().Count(), 3);
  }

  // A copy that fails leaves the file already at the target as it was, and says so.
  void failedNewSaveKeepsTheOldFile() {
    OpenThree();
    env_->fake().WriteFileBytes("/data/old.vdc", "keep me");
    const auto files_before = env_->fake().FilePaths();
    env_->fake().FailWriteAfter(4, /*sticky=*/true);
    dialogs().file_answers.push_back(std::string("/data/old.vdc"));
    view()->OnNewSave();
    env_->fake().ClearWriteFailure();
    QCOMPARE(env_->fake().ReadFileBytes("/data/old.vdc"), std::string("keep me"));
    QCOMPARE(env_->fake().FilePaths(), files_before);
    QCOMPARE(dialogs().messages.size(), size_t(1));
    QCOMPARE(dialogs().messages[0].text,
             Sjis("「/data/old.vdc」に新規保存できませんでした。\n書き込みに失敗しました。ディスクの空き容量を確認してください。"));
  }
};

QTEST_MAIN(EntryCommandsTest)
#include "entry_commands_test.moc"
