#include "commands/compact_copy.h"

#include <gtest/gtest.h>

#include "commands/delete_entries.h"
#include "storage/catalog_table.h"
#include "storage/category_names.h"
#include "storage/catalog_tags.h"
#include "storage/chunk_file.h"
#include "tests/commands/catalog_fixture.h"
#include "tests/storage/catalog_test_support.h"

namespace veldra::commands {
namespace {

using veldra::testing::CatalogTest;

class CompactCopyTest : public CatalogTest {
 protected:
  static constexpr char kCopyPath[] = "/data/copy.vdc";

  std::unique_ptr<CVeldraDocument> LoadCopy() {
    auto copy = std::make_unique<CVeldraDocument>();
    copy->Load(kCopyPath);
    EXPECT_TRUE(copy->read_complete());
    return copy;
  }

  std::string Stored(const CVeldraDocument& document, int32_t id) {
    std::vector<uint8_t> bytes;
    int ordinal = document.AttachmentOrdinal(id);
    if (ordinal < 0 || document.ReadEntryAttachment(ordinal, &bytes) < 0) return "";
    return std::string(bytes.begin(), bytes.end());
  }

  int CountChunks(const std::string& path, ChunkTag tag) {
    ChunkFile file;
    int n = 0;
    if (file.Open(path, kChunkModeReadOnly) == kChunkOk) {
      for (int rc = file.FindFirst(tag); rc == kChunkOk; rc = file.FindNext()) ++n;
    }
    return n;
  }
};

TEST_F(CompactCopyTest, DeadBytesGoAndOrdinalsRunWithoutGaps) {
  int32_t a = AddSavedEntry("a.pdf");
  int32_t b = AddSavedEntry("b.pdf");
  int32_t c = AddSavedEntry("c.pdf");
  ASSERT_EQ(DeleteEntries(*doc_, {a}), 0);
  CompactReport report;
  ASSERT_EQ(WriteCompactCopy(*doc_, kCopyPath, &report), kCompactOk);
  EXPECT_EQ(report.copied_attachments, 2);
  EXPECT_LT(fake_.ReadFileBytes(kCopyPath).size(), fake_.ReadFileBytes(kCatalogPath).size());
  auto copy = LoadCopy();
  EXPECT_EQ(copy->AttachmentOrdinal(b), 0);
  EXPECT_EQ(copy->AttachmentOrdinal(c), 1);
  EXPECT_EQ(Stored(*copy, b), fake_.ReadFileBytes("/pdf/b.pdf"));
  EXPECT_EQ(Stored(*copy, c), fake_.ReadFileBytes("/pdf/c.pdf"));
  EXPECT_EQ(CountChunks(kCopyPath, kTagAttachmentData), 2);
  // Tables come over whole; sort levels and remembered folders do not.
  EXPECT_EQ(copy->entries().Count(), 2);
  EXPECT_EQ(copy->labels().Count(), 3);
  EXPECT_EQ(copy->categories().Count(), doc_->categories().Count());
  EXPECT_EQ(CountChunks(kCopyPath, kTagSortLevel), 0);
}

TEST_F(CompactCopyTest, ARecordWhoseBytesAreMissingIsSkippedWithoutAGap) {
  int32_t a = AddSavedEntry("a.pdf");
  int32_t b = AddSavedEntry("b.pdf");
  int32_t c = AddSavedEntry("c.pdf");
  AttachmentRecord broken = AttachmentAt(doc_->attachments(), 1);
  broken.ordinal = 40;  // beyond the last "ATTD" chunk
  SetRecordAt(doc_->attachments(), 1, broken);
  CompactReport report;
  ASSERT_EQ(WriteCompactCopy(*doc_, kCopyPath, &report), kCompactOk);
  EXPECT_EQ(report.skipped_attachments, 1);
  auto copy = LoadCopy();
  EXPECT_EQ(copy->AttachmentOrdinal(a), 0);
  EXPECT_EQ(copy->AttachmentOrdinal(b), -1);
  EXPECT_EQ(copy->AttachmentOrdinal(c), 1);
  EXPECT_EQ(Stored(*copy, c), fake_.ReadFileBytes("/pdf/c.pdf"));
}

TEST_F(CompactCopyTest, LargeBytesCrossInBlocksAndBytesCutShortAreSkipped) {
  // Two and a half copy blocks, with a pattern that shows a block copied twice or missed.
  std::string large(5 * 512 * 1024 + 7, '\0');
  for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>((i * 131) >> 9);
  fake_.WriteFileBytes("/pdf/large.pdf", large);
  const std::string other(kOtherCategoryName);
  struct Row {
    size_t cut;  // bytes cut off the end of the catalog file: the last PDF's tail
    int copied;
    int skipped;
  };
  for (const Row& row : {Row{0, 2, 0}, Row{1, 1, 1}, Row{large.size() - 1, 1, 1}}) {
    fake_.Remove(kCatalogPath);
    doc_ = std::make_unique<CVeldraDocument>();
    doc_->OpenCatalog(kCatalogPath);
    int32_t small = AddSavedEntry("a.pdf");
    int32_t big = AddEntry("/pdf/large.pdf", other, other, other);
    const std::string file = fake_.ReadFileBytes(kCatalogPath);
    fake_.WriteFileBytes(kCatalogPath, file.substr(0, file.size() - row.cut));
    CompactReport report;
    ASSERT_EQ(WriteCompactCopy(*doc_, kCopyPath, &report), kCompactOk) << row.cut;
    EXPECT_EQ(report.copied_attachments, row.copied) << row.cut;
    EXPECT_EQ(report.skipped_attachments, row.skipped) << row.cut;
    auto copy = LoadCopy();
    EXPECT_EQ(Stored(*copy, small), fake_.ReadFileBytes("/pdf/a.pdf")) << row.cut;
    EXPECT_TRUE(Stored(*copy, big) == (row.skipped == 0 ? large : "")) << row.cut;
    EXPECT_EQ(CountChunks(kCopyPath, kTagAttachmentData), row.copied) << row.cut;
  }
}

TEST_F(CompactCopyTest, OrdinalsOutOfOrderStillFindTheirBytes) {
  int32_t a = AddSavedEntry("a.pdf");
  int32_t b = AddSavedEntry("b.pdf");
  AttachmentRecord first = AttachmentAt(doc_->attachments(), 0);
  AttachmentRecord second = AttachmentAt(doc_->attachments(), 1);
  SetRecordAt(doc_->attachments(), 0, second);
  SetRecordAt(doc_->attachments(), 1, first);
  ASSERT_EQ(WriteCompactCopy(*doc_, kCopyPath), kCompactOk);
  auto copy = LoadCopy();
  EXPECT_EQ(copy->AttachmentOrdinal(b), 0);
  EXPECT_EQ(Stored(*copy, a), fake_.ReadFileBytes("/pdf/a.pdf"));
  EXPECT_EQ(Stored(*copy, b), fake_.ReadFileBytes("/pdf/b.pdf"));
}

TEST_F(CompactCopyTest, TheCatalogItselfIsRefusedUnderAnySpelling) {
  AddSavedEntry("a.pdf");
  std::string before = fake_.ReadFileBytes(kCatalogPath);
  for (const char* path : {"/data/cat.vdc", "/data//cat.vdc", "//data/cat.vdc/"}) {
    EXPECT_EQ(WriteCompactCopy(*doc_, path), kCompactSameFile) << path;
  }
  EXPECT_EQ(fake_.ReadFileBytes(kCatalogPath), before);
}

TEST_F(CompactCopyTest, AFailedCopyKeepsTheOldFileAndLeavesNoTemporary) {
  AddSavedEntry("a.pdf");
  AddSavedEntry("b.pdf");
  fake_.WriteFileBytes(kCopyPath, "an older copy");
  std::vector<std::string> files_before = fake_.FilePaths();
  for (int n = 1; n <= 12; ++n) {
    fake_.FailWriteAfter(n, /*sticky=*/true);
    // The first writes make the temporary container itself.
    int rc = WriteCompactCopy(*doc_, kCopyPath);
    EXPECT_TRUE(rc == (n <= 2 ? kCompactCannotCreate : kCompactWriteFailed)) << n << " " << rc;
    fake_.ClearWriteFailure();
    EXPECT_EQ(fake_.ReadFileBytes(kCopyPath), "an older copy") << n;
    EXPECT_EQ(fake_.FilePaths(), files_before) << n;
  }
  ASSERT_EQ(WriteCompactCopy(*doc_, kCopyPath), kCompactOk);
  EXPECT_EQ(LoadCopy()->entries().Count(), 2);
  EXPECT_EQ(fake_.FilePaths(), files_before);
}

TEST_F(CompactCopyTest, ACatalogNotReadCompletelyIsNotCopied) {
  fake_.WriteFileBytes("/data/junk.vdc", "junk");
  CVeldraDocument junk;
  junk.Load("/data/junk.vdc");
  EXPECT_EQ(WriteCompactCopy(junk, kCopyPath), kCompactIncomplete);
  EXPECT_FALSE(fake_.FileExists(kCopyPath));
}

TEST_F(CompactCopyTest, ATemporaryNameInUseIsNotTouched) {
  AddSavedEntry("a.pdf");
  fake_.WriteFileBytes("/data/.copy.vdc.part", "someone else's");
  ASSERT_EQ(WriteCompactCopy(*doc_, kCopyPath), kCompactOk);
  EXPECT_EQ(fake_.ReadFileBytes("/data/.copy.vdc.part"), "someone else's");
  EXPECT_FALSE(fake_.FileExists("/data/.copy.vdc.part1"));
}

TEST_F(CompactCopyTest, TablesComeInTheirOrderThenEachLinkBeforeItsBytes) {
  AddSavedEntry("a.pdf");
  AddSavedEntry("b.pdf");
  doc_->SetEnvironmentValue("k", "v");
  ASSERT_EQ(WriteCompactCopy(*doc_, kCopyPath), kCompactOk);
  // The tags of the chunks in file order, each run of one tag counted once.
  std::vector<ChunkTag> runs;
  for (const auto& chunk : veldra::testing::ScanChunks(fake_.ReadFileBytes(kCopyPath))) {
    if (runs.empty() || runs.back() != chunk.tag) runs.push_back(chunk.tag);
  }
  EXPECT_EQ(runs, (std::vector<ChunkTag>{kRootTag, kTagEntry, kTagLabel, kTagIdCounter,
                                         kTagEnvironment, kTagCategory, kTagAttachment,
                                         kTagAttachmentData, kTagAttachment,
                                         kTagAttachmentData}));
}

// The copy's bytes reach the disk before it takes the new name, and the name before the
// success is told: a power loss right after the copy leaves a whole catalog at the new path,
// never a name without its bytes, nor the file the copy replaced. When the folder's sync
// fails, a new name goes again (nothing is left there); a copy that replaced a file stays,
// the only one there is, and kCompactNotSynced says so.
TEST_F(CompactCopyTest, ACrashAfterTheCopyLeavesItWhole) {
  int32_t a = AddSavedEntry("a.pdf");
  fake_.StartCrashMode();
  struct Row {
    const char* name;
    CopyTarget rule;
    bool sync_fails;
    int expected;
  };
  const Row rows[] = {
      {"over a file", CopyTarget::kReplace, false, kCompactOk},
      {"under a new name", CopyTarget::kNewOnly, false, kCompactOk},
      {"over a file, the folder's sync failing", CopyTarget::kReplace, true, kCompactNotSynced},
      {"under a new name, the folder's sync failing", CopyTarget::kNewOnly, true,
       kCompactWriteFailed},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fake_.Remove(kCopyPath);
    if (row.rule == CopyTarget::kReplace) fake_.WriteFileBytes(kCopyPath, "old");
    fake_.SetFolderSyncFails(row.sync_fails);
    const int syncs = fake_.FolderSyncCount("/data");
    const int rc = row.rule == CopyTarget::kReplace
                       ? WriteCompactCopy(*doc_, kCopyPath)
                       : WriteCatalogFile(kCopyPath, row.rule, [&](ChunkFile& copy) {
                           return WriteCopyTables(copy, [&](ChunkTag tag) -> const RecordArray& {
                             return *doc_->table(tag);
                           });
                         });
    fake_.SetFolderSyncFails(false);
    EXPECT_EQ(rc, row.expected);
    EXPECT_EQ(fake_.FolderSyncCount("/data"), syncs + 1);
    for (const std::string& path : fake_.FilePaths()) EXPECT_EQ(path.find(".part"), std::string::npos);
    if (row.sync_fails) {
      EXPECT_EQ(fake_.FileExists(kCopyPath), row.rule == CopyTarget::kReplace);
      continue;
    }
    fake_.Crash();
    auto copy = LoadCopy();
    EXPECT_EQ(copy->entries().Count(), 1);
    if (row.rule == CopyTarget::kReplace) {
      EXPECT_EQ(Stored(*copy, a), fake_.ReadFileBytes("/pdf/a.pdf"));
    }
  }
}

}  // namespace
}  // namespace veldra::commands
