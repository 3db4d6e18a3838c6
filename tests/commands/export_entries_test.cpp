#include "commands/export_entries.h"

#include <gtest/gtest.h>

#include "commands/import_pdfs.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/category_names.h"
#include "storage/entry_text.h"
#include "tests/commands/catalog_fixture.h"

namespace veldra::commands {
namespace {

using veldra::testing::CatalogTest;
using Strings = std::vector<std::string>;

class ExportEntriesTest : public CatalogTest {
 protected:
  ExportEntriesTest() { fake_.AddFolder("/out"); }

  std::vector<ExportedEntry> Export(const std::vector<int32_t>& ids, bool expect_ok = true) {
    std::vector<ExportedEntry> report;
    EXPECT_EQ(ExportEntries(*doc_, ids, "/out", &report), expect_ok);
    return report;
  }

  void SetFileName(int32_t id, const std::string& name) {
    EntryRecord e = EntryById(*doc_, id);
    e.file_name.SetText(name);
    doc_->ReplaceEntry(doc_->entries(), e);
  }
};

TEST(SafeExportNameTest, OnlyTheLastComponentAndNeverOnlyDots) {
  EXPECT_EQ(SafeExportName("a.pdf"), "a.pdf");
  EXPECT_EQ(SafeExportName("../../etc/evil.pdf"), "evil.pdf");
  EXPECT_EQ(SafeExportName("/abs/x.pdf"), "x.pdf");
  EXPECT_EQ(SafeExportName(".."), "");
  EXPECT_EQ(SafeExportName("a/.."), "");
  EXPECT_EQ(SafeExportName("dir/"), "");
  EXPECT_EQ(SafeExportName("..pdf"), "..pdf");
  // A backslash is an ordinary byte here (and a trail byte of characters such as 表).
  EXPECT_EQ(SafeExportName(Sjis("表.pdf")), Sjis("表.pdf"));
}

TEST_F(ExportEntriesTest, TakenNamesAreNumberedAndCompanionsFollow) {
  int32_t a = AddSavedEntry("a.pdf");
  int32_t b = AddSavedEntry("b.pdf");
  SetFileName(b, "a.pdf");
  std::vector<ExportedEntry> report = Export({a, b});
  EXPECT_EQ(report[0].pdf_path, "/out/a.pdf");
  EXPECT_EQ(report[1].pdf_path, "/out/a-1.pdf");
  EXPECT_TRUE(fake_.FileExists("/out/a.vdb"));
  EXPECT_TRUE(fake_.FileExists("/out/a-1.vdb"));
  EXPECT_EQ(Export({a})[0].pdf_path, "/out/a-2.pdf");
  EXPECT_TRUE(fake_.FileExists("/out/a-2.vdb"));
  EXPECT_EQ(fake_.ReadFileBytes("/out/a-1.pdf"), fake_.ReadFileBytes("/pdf/b.pdf"));
}

TEST_F(ExportEntriesTest, ANameWithoutADotHasAnEmptyBase) {
  int32_t a = AddSavedEntry("a.pdf");
  SetFileName(a, "README");
  EXPECT_EQ(Export({a})[0].pdf_path, "/out/.pdf");
  EXPECT_EQ(Export({a})[0].pdf_path, "/out/-1.pdf");
}

TEST_F(ExportEntriesTest, NamesFromCompanionsNeverLeaveTheFolder) {
  int32_t a = AddSavedEntry("a.pdf");
  int32_t b = AddSavedEntry("b.pdf");
  int32_t c = AddSavedEntry("c.pdf");
  SetFileName(a, "../../data/evil.pdf");
  SetFileName(b, "..");
  SetFileName(c, "sub/../../x.pdf");
  std::vector<ExportedEntry> report = Export({a, b, c});
  EXPECT_EQ(report[0].pdf_path, "/out/evil.pdf");
  EXPECT_EQ(report[1].pdf_path, "/out/.pdf");
  EXPECT_EQ(report[2].pdf_path, "/out/x.pdf");
  for (const std::string& path : fake_.FilePaths()) {
    EXPECT_TRUE(path.starts_with("/out/") || path.starts_with("/pdf/") || path == kCatalogPath)
        << path;
  }
}

TEST_F(ExportEntriesTest, ExportStampsTheLastUseDateInMemory) {
  int32_t a = AddSavedEntry("a.pdf");
  const std::string all(kAllCategoriesName);
  doc_->FilterEntries(all, all, all);
  fake_.AdvanceMs(2000);
  Export({a});
  EntryRecord e = EntryById(*doc_, a);
  EXPECT_EQ(e.last_use_date.Text(), "20240506070811011");
  EXPECT_EQ(e.update_date.Text(), "20240506070811011");
  // The list the browser shows has the new date too.
  ASSERT_EQ(doc_->filtered_entries().Count(), 1);
  EXPECT_EQ(EntryAt(doc_->filtered_entries(), 0), e);
  // Nothing was saved: the file still has the old entry.
  EXPECT_TRUE(EntryById(*Reload(), a).last_use_date.empty());
  // The companion carries the new dates.
  EntryRecord read;
  ASSERT_TRUE(ReadEntryText(&read, "/out/a.vdb", *doc_));
  EXPECT_EQ(read.last_use_date.Text(), "20240506070811011");
}

TEST_F(ExportEntriesTest, EntriesWithoutBytesAreSkippedAndTheRestGoOn) {
  fake_.WriteFileBytes("/pdf/empty.pdf", "");
  int32_t empty = AddEntry("/pdf/empty.pdf", "", "", "");
  int32_t a = AddSavedEntry("a.pdf");
  std::vector<ExportedEntry> report = Export({empty, 12345, a}, false);
  EXPECT_EQ(report[0].status, ExportStatus::kNoAttachment);
  EXPECT_EQ(report[1].status, ExportStatus::kNoSuchEntry);
  EXPECT_EQ(report[2].status, ExportStatus::kExported);
  EXPECT_FALSE(fake_.FileExists("/out/empty.pdf"));
  EXPECT_FALSE(fake_.FileExists("/out/empty.vdb"));
}

TEST_F(ExportEntriesTest, AnUncreatableTargetEndsTheExport) {
  int32_t a = AddSavedEntry("a.pdf");
  int32_t b = AddSavedEntry("b.pdf");
  int32_t c = AddSavedEntry("c.pdf");
  fake_.FailOpen(TemporaryPathBeside("/out/b.pdf", 0));
  std::vector<ExportedEntry> report = Export({a, b, c}, false);
  EXPECT_EQ(report[0].status, ExportStatus::kExported);
  EXPECT_EQ(report[1].status, ExportStatus::kCannotCreate);
  EXPECT_EQ(report[2].status, ExportStatus::kNotReached);
  EXPECT_FALSE(fake_.FileExists("/out/c.pdf"));
}

TEST_F(ExportEntriesTest, AFailedCopyLeavesNoPartialFile) {
  int32_t a = AddSavedEntry("a.pdf");
  fake_.FailWriteAfter(1);
  std::vector<ExportedEntry> report = Export({a}, false);
  EXPECT_EQ(report[0].status, ExportStatus::kWriteFailed);
  EXPECT_FALSE(fake_.FileExists("/out/a.pdf"));
  EXPECT_TRUE(EntryById(*doc_, a).last_use_date.empty());
}

// A write that fails part way through the PDF or its companion leaves nothing under the
// final name and no temporary file: the folder holds only what was finished.
TEST_F(ExportEntriesTest, AWriteCutShortLeavesNeitherTheFinalNameNorATemporaryFile) {
  const std::string pdf(3 * kAttachmentBlockSize + 17, 'p');
  fake_.WriteFileBytes("/pdf/big.pdf", pdf);
  int32_t big = AddEntry("/pdf/big.pdf", "", "", "");
  ASSERT_EQ(doc_->SaveTables(doc_->path()), 0);
  struct Row {
    int failing_write;  // counted from the export's first write
    ExportStatus status;
    Strings left;       // what /out holds afterwards
  };
  const Row rows[] = {
      {1, ExportStatus::kWriteFailed, {}},
      {3, ExportStatus::kWriteFailed, {}},            // in the middle of the PDF
      {5, ExportStatus::kCompanionFailed, {"big.pdf"}},  // the companion's only write
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.failing_write);
    for (const std::string& name : row.left) fake_.Remove("/out/" + name);
    fake_.TearWriteAfter(row.failing_write, 5);
    std::vector<ExportedEntry> report = Export({big}, false);
    fake_.ClearWriteFailure();
    EXPECT_EQ(report[0].status, row.status);
    std::vector<platform::DirItem> items;
    ASSERT_TRUE(fake_.ListDirectory("/out", &items));
    Strings left;
    for (const platform::DirItem& item : items) left.push_back(item.name);
    EXPECT_EQ(left, row.left);
    if (!row.left.empty()) {
      EXPECT_EQ(fake_.ReadFileBytes("/out/big.pdf"), pdf);
    }
  }
}

TEST_F(ExportEntriesTest, ANumberIsFreeOnlyWhenBothItsNamesAre) {
  int32_t a = AddSavedEntry("a.pdf");
  fake_.WriteFileBytes("/out/a.vdb", "mine");
  fake_.AddFolder("/out/a-1.pdf");
  std::vector<ExportedEntry> report = Export({a});
  EXPECT_EQ(report[0].pdf_path, "/out/a-2.pdf");
  EXPECT_FALSE(fake_.FileExists("/out/a.pdf"));
  EXPECT_EQ(fake_.ReadFileBytes("/out/a.vdb"), "mine");
  EXPECT_TRUE(fake_.FileExists("/out/a-2.vdb"));
}

TEST_F(ExportEntriesTest, ExportThenImportRestoresEveryAttributeUnderNewIds) {
  int32_t a = AddSavedEntry("a.pdf", "甲", "乙", "丙");
  EntryRecord e = EntryById(*doc_, a);
  e.title.SetText(Sjis("長い題名"));
  e.note.SetText("one\ntwo\nthree");
  e.my_rate = 5;
  e.author_name.SetText("Author");
  e.publisher_name.SetText(Sjis("出版社"));
  e.window_position = {1, 2, 3, 4};
  doc_->ReplaceEntry(doc_->entries(), e);
  Export({a});
  EntryRecord exported = EntryById(*doc_, a);

  AddSavedEntry("filler.pdf");
  Export({a + 1});  // ids in the two catalogs differ: the second entry exported comes first
  CVeldraDocument other;
  other.OpenCatalog("/data/other.vdc");
  ImportReport report;
  ASSERT_EQ(ImportPdfs(other, {"/out/filler.pdf", "/out/a.pdf"}, OtherTriple(), &report),
            kImportOk);
  CVeldraDocument reloaded;
  reloaded.Load("/data/other.vdc");
  EntryRecord restored = EntryAt(reloaded.entries(), 1);
  EXPECT_EQ(restored.id, 1);
  EXPECT_NE(restored.id, exported.id);
  restored.id = exported.id;
  // An empty text comes back as an empty field with its byte-order mark.
  for (EntryRecord* r : {&restored, &exported}) {
    for (TextField<256>* f : {&r->editor_name, &r->supervisor_name, &r->translator_name}) {
      EXPECT_EQ(f->Text(), "");
      f->SetText("");
    }
  }
  EXPECT_EQ(restored, exported);
  EXPECT_EQ(Triples(reloaded), (Strings{"その他/その他/その他", "甲/乙/丙"}));
}

}  // namespace
}  // namespace veldra::commands
