// ReadAll across gaps and RewriteRecords: tables whose chunks lie between other tags' data,
// as imports lay them out.
#include <gtest/gtest.h>

#include <cstring>

#include "storage/chunk_file.h"
#include "tests/storage/chunk_test_util.h"

namespace veldra::testing {
namespace {

constexpr size_t kPdf = 64 * 1024;

using ChunkRewriteTest = ContainerTest;

TEST_F(ChunkRewriteTest, ReadAllSkipsTheDataBetweenChunksAndReportsWhereTheyLie) {
  MakeImportLayout(6, kPdf);
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
  fake_.ResetCounters();
  std::vector<uint32_t> chunks;
  std::unique_ptr<RecordArray> a = f.ReadAll(kEntr, &chunks);
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->Count(), 6);
  EXPECT_EQ(Record(*a, 5), "entr5");
  // Far less than a single PDF: only heads, headers and the records were read.
  EXPECT_LT(fake_.BytesRead(), static_cast<int64_t>(kPdf));
  ASSERT_EQ(chunks.size(), 6u);
  for (size_t i = 0; i < chunks.size(); ++i) {
    EXPECT_EQ(FileBytes().substr(chunks[i] + 36, 5), Record(*a, static_cast<int>(i)));
  }
  std::unique_ptr<RecordArray> links = f.ReadAll(kAtta, &chunks);
  ASSERT_NE(links, nullptr);
  EXPECT_EQ(Record(*links, 3), "at3");
  EXPECT_EQ(chunks.size(), 6u);
}

TEST_F(ChunkRewriteTest, ReadAllBehindAGapStillRefusesOtherLengthsAndDamage) {
  MakeContainer({{kEntr, "aa"}, {kAttd, Bytes(kPdf, 'p')}, {kEntr, "bbb"}});
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
  EXPECT_EQ(f.ReadAll(kEntr), nullptr);

  // A next-in-tag link into the middle of the PDF.
  f.Close();
  fake_.Remove(path_);
  MakeContainer({{kEntr, "aa"}, {kAttd, Bytes(kPdf, 'p')}, {kEntr, "bb"}});
  const size_t second_entr = 548 + 36 + 2 + 36 + kPdf;
  ASSERT_EQ(Le32(548 + 16), second_entr);
  PutLe32(548 + 16, static_cast<uint32_t>(548 + 36 + 2 + 36 + 1000));
  ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
  EXPECT_EQ(f.ReadAll(kEntr), nullptr);
}

TEST_F(ChunkRewriteTest, RewritesInPlaceGiveTheBytesOfWriteAll) {
  // Neighbours (the last three) and lone chunks behind PDFs.
  MakeImportLayout(4, kPdf);
  {
    ChunkFile f;
    ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
    for (const char* r : {"entrx", "entry", "entrz"}) ASSERT_EQ(f.Append(kEntr, 5, r), kChunkOk);
  }
  const std::string original = FileBytes();
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  std::vector<uint32_t> chunks;
  std::unique_ptr<RecordArray> a = f.ReadAll(kEntr, &chunks);
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->Count(), 7);
  for (int i : {1, 2, 4, 5, 6}) std::memcpy(a->MutableAt(i), "NEW", 3);
  fake_.ResetCounters();
  ASSERT_EQ(f.RewriteRecords(kEntr, chunks, *a, 5, {1, 2, 4, 5, 6}), kChunkOk);
  EXPECT_EQ(fake_.WriteCount(), 3);  // 1, 2, then 4 to 6 in one write
  EXPECT_LT(fake_.BytesRead(), static_cast<int64_t>(kPdf));
  f.Close();
  const std::string rewritten = FileBytes();

  SetFileBytes(original);
  ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  std::vector<uint32_t> after_write_all;
  ASSERT_EQ(f.WriteAll(kEntr, *a, 5, &after_write_all), kChunkOk);
  f.Close();
  EXPECT_EQ(rewritten, FileBytes());
  EXPECT_EQ(after_write_all, chunks);
}

TEST_F(ChunkRewriteTest, AListThatChangedBehindTheCallerIsNotWritten) {
  MakeImportLayout(4, kPdf);
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  std::vector<uint32_t> chunks;
  std::unique_ptr<RecordArray> a = f.ReadAll(kEntr, &chunks);
  ASSERT_NE(a, nullptr);
  f.Close();

  // The second entry unlinked from the middle: its own header is untouched, its
  // neighbours no longer point at it.
  ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  ASSERT_EQ(f.FindFirst(kEntr), kChunkOk);
  ASSERT_EQ(f.FindNext(), kChunkOk);
  ASSERT_EQ(f.DeleteCurrent(), kChunkOk);
  const std::string before = FileBytes();
  fake_.ResetCounters();
  EXPECT_EQ(f.RewriteRecords(kEntr, chunks, *a, 5, {1}), kChunkNotAsRemembered);
  EXPECT_EQ(f.RewriteRecords(kEntr, chunks, *a, 5, {0}), kChunkNotAsRemembered);
  EXPECT_EQ(f.RewriteRecords(kEntr, chunks, *a, 5, {2}), kChunkNotAsRemembered);
  EXPECT_EQ(f.RewriteRecords(kEntr, chunks, *a, 5, {0, 1, 2, 3}), kChunkNotAsRemembered);
  EXPECT_EQ(fake_.WriteCount(), 0);
  EXPECT_EQ(FileBytes(), before);
  f.Close();

  // A chunk appended behind the remembered last one.
  f.Close();
  fake_.Remove(path_);
  MakeImportLayout(4, kPdf);
  ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  a = f.ReadAll(kEntr, &chunks);
  ASSERT_EQ(f.Append(kEntr, 5, "entr9"), kChunkOk);
  fake_.ResetCounters();
  EXPECT_EQ(f.RewriteRecords(kEntr, chunks, *a, 5, {0}), kChunkNotAsRemembered);
  EXPECT_EQ(fake_.WriteCount(), 0);

  // Arguments that do not fit together.
  EXPECT_EQ(f.RewriteRecords(kEntr, {chunks[0]}, *a, 5, {0}), kChunkBadArgument);
  EXPECT_EQ(f.RewriteRecords(kEntr, chunks, *a, 5, {2, 1}), kChunkBadArgument);
  EXPECT_EQ(f.RewriteRecords(kEntr, chunks, *a, 6, {0}), kChunkBadArgument);
}

TEST_F(ChunkRewriteTest, AFailedRewriteIsReported) {
  MakeImportLayout(3, kPdf);
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  std::vector<uint32_t> chunks;
  std::unique_ptr<RecordArray> a = f.ReadAll(kEntr, &chunks);
  ASSERT_NE(a, nullptr);
  fake_.FailWriteAfter(1);
  EXPECT_EQ(f.RewriteRecords(kEntr, chunks, *a, 5, {0, 2}), kChunkIoError);
}

}  // namespace
}  // namespace veldra::testing
