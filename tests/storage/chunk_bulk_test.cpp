// ReadAll and WriteAll: whole tables between RecordArrays and the chunks of one tag.
#include <gtest/gtest.h>

#include <cstring>

#include "storage/chunk_file.h"
#include "tests/storage/chunk_test_util.h"

namespace veldra::testing {
namespace {

class ChunkBulkTest : public ContainerTest {
 protected:
  static RecordArray Records(const std::vector<std::string>& items, size_t size) {
    RecordArray a(size);
    for (const std::string& s : items) {
      std::string r = s;
      r.resize(size, '\0');
      a.Append(r.data());
    }
    return a;
  }
  int WriteAll(ChunkTag tag, const RecordArray& a, size_t size) {
    ChunkFile f;
    const int rc = f.Open(path_, kChunkModeReadWrite);
    return rc != kChunkOk ? rc : f.WriteAll(tag, a, size);
  }
  std::unique_ptr<RecordArray> ReadAll(ChunkTag tag) {
    ChunkFile f;
    if (f.Open(path_, kChunkModeReadOnly) != kChunkOk) return nullptr;
    return f.ReadAll(tag);
  }
  // Offsets of the chunks of tag in list order.
  std::vector<int32_t> Offsets(ChunkTag tag) {
    std::vector<int32_t> out;
    ChunkFile f;
    if (f.Open(path_, kChunkModeReadOnly) != kChunkOk) return out;
    for (int rc = f.FindFirst(tag); rc == kChunkOk; rc = f.FindNext()) {
      out.push_back(f.current().self);
    }
    return out;
  }
};

TEST_F(ChunkBulkTest, ReadAllReturnsTheRecordsInListOrder) {
  MakeContainer({{kEntr, "aa"}, {kAtta, "x"}, {kEntr, "bb"}, {kEntr, "cc"}});
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
  std::unique_ptr<RecordArray> a = f.ReadAll(kEntr);
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->Count(), 3);
  EXPECT_EQ(a->record_size(), 2u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(a->At(2)), 2), "cc");
  // The walk leaves the last chunk current.
  EXPECT_TRUE(f.has_current());
  EXPECT_EQ(f.FindNext(), kChunkEndOfList);
}

TEST_F(ChunkBulkTest, ReadAllGivesNothingForAnAbsentTagOrUnequalLengths) {
  MakeContainer({{kEntr, "aa"}, {kEntr, "bbb"}});
  EXPECT_EQ(ReadAll(kAtta), nullptr);
  EXPECT_EQ(ReadAll(kEntr), nullptr);
}

TEST_F(ChunkBulkTest, ReadAllOfRecordsLargerThanTheReadWindow) {
  const std::string big1(3 * 1024 * 1024 + 5, 'p'), big2(3 * 1024 * 1024 + 5, 'q');
  MakeContainer({{kAttd, big1}, {kAttd, big2}});
  std::unique_ptr<RecordArray> a = ReadAll(kAttd);
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->Count(), 2);
  EXPECT_EQ(std::memcmp(a->At(0), big1.data(), big1.size()), 0);
  EXPECT_EQ(std::memcmp(a->At(1), big2.data(), big2.size()), 0);
}

TEST_F(ChunkBulkTest, WriteAllIntoAnEmptyContainer) {
  MakeContainer({});
  ASSERT_EQ(WriteAll(kLabe, Records({"one", "two", "six"}, 3), 3), kChunkOk);
  EXPECT_EQ(Walk(kLabe), (std::vector<std::string>{"one", "two", "six"}));
  EXPECT_EQ(FileBytes().size(), 548u + 3 * 39);
}

TEST_F(ChunkBulkTest, FewerRecordsDeleteFromTheFrontAndTheFileDoesNotShrink) {
  MakeContainer({{kEntr, "11"}, {kEntr, "22"}, {kEntr, "33"}, {kEntr, "44"}, {kEntr, "55"}});
  const std::vector<int32_t> before = Offsets(kEntr);
  const size_t size = FileBytes().size();
  ASSERT_EQ(WriteAll(kEntr, Records({"aa", "bb", "cc"}, 2), 2), kChunkOk);
  EXPECT_EQ(FileBytes().size(), size);
  EXPECT_EQ(Offsets(kEntr), (std::vector<int32_t>{before[2], before[3], before[4]}));
  EXPECT_EQ(Walk(kEntr), (std::vector<std::string>{"aa", "bb", "cc"}));
  // The deleted chunks' bytes are still in the file.
  EXPECT_EQ(FileBytes().substr(static_cast<size_t>(before[0]) + 36, 2), "11");
}

TEST_F(ChunkBulkTest, MoreRecordsAppendAtTheEndOfTheTag) {
  MakeContainer({{kEntr, "11"}, {kAtta, "a"}, {kEntr, "22"}});
  ASSERT_EQ(WriteAll(kEntr, Records({"aa", "bb", "cc", "dd"}, 2), 2), kChunkOk);
  EXPECT_EQ(Walk(kEntr), (std::vector<std::string>{"aa", "bb", "cc", "dd"}));
  EXPECT_EQ(Walk(kAtta), (std::vector<std::string>{"a"}));
}

TEST_F(ChunkBulkTest, EmptyArrayDeletesEveryChunkOfTheTag) {
  MakeContainer({{kEntr, "11"}, {kAtta, "a"}, {kEntr, "22"}});
  ASSERT_EQ(WriteAll(kEntr, RecordArray(2), 2), kChunkOk);
  int rc = 0;
  EXPECT_TRUE(Walk(kEntr, &rc).empty());
  EXPECT_EQ(rc, kChunkNoSuchTag);
  EXPECT_EQ(Walk(kAtta), (std::vector<std::string>{"a"}));
}

TEST_F(ChunkBulkTest, ADifferentRecordSizeChangesNothing) {
  MakeContainer({{kEntr, "11"}, {kEntr, "22"}});
  const std::string before = FileBytes();
  EXPECT_EQ(WriteAll(kEntr, Records({"aaa"}, 3), 3), kChunkBadArgument);
  EXPECT_EQ(WriteAll(kEntr, Records({"aaa", "bbb", "ccc"}, 3), 3), kChunkBadArgument);
  EXPECT_EQ(FileBytes(), before);
}

TEST_F(ChunkBulkTest, ARecordSizeBeyondTheArraysIsRefused) {
  MakeContainer({});
  // Writing 8 bytes of each 4-byte element would read past the elements.
  EXPECT_EQ(WriteAll(kEntr, Records({"abcd"}, 4), 8), kChunkBadArgument);
  EXPECT_EQ(FileBytes().size(), 548u);
  // A shorter size writes the front of each element.
  ASSERT_EQ(WriteAll(kEntr, Records({"abcd"}, 4), 2), kChunkOk);
  EXPECT_EQ(Walk(kEntr), (std::vector<std::string>{"ab"}));
}

// The rewrites are gathered into large writes that carry the headers between neighbouring
// chunks; the bytes must be those of one RewriteCurrent per chunk, whatever the layout.
TEST_F(ChunkBulkTest, GatheredRewritesLeaveTheBytesOfOneRewritePerChunk) {
  std::vector<std::pair<ChunkTag, std::string>> chunks;
  for (int i = 0; i < 40; ++i) {
    chunks.push_back({kEntr, std::string(300, static_cast<char>('a' + i % 26))});
    if (i % 7 == 3) chunks.push_back({kAtta, "between"});  // breaks the run
  }
  MakeContainer(chunks);
  // A reserved byte that must survive being carried.
  const std::vector<int32_t> at = Offsets(kEntr);
  PutByte(static_cast<size_t>(at[5]) + 30, 0x5A);
  const std::string original = FileBytes();

  std::vector<std::string> items;
  for (int i = 0; i < 40; ++i) items.push_back(std::string(300, static_cast<char>('A' + i % 26)));
  RecordArray records = Records(items, 300);

  // The plain way: one in-place rewrite per chunk.
  {
    ChunkFile f;
    ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
    int i = 0;
    for (int rc = f.FindFirst(kEntr); rc == kChunkOk; rc = f.FindNext(), ++i) {
      ASSERT_EQ(f.RewriteCurrent(300, records.At(i)), kChunkOk);
    }
  }
  const std::string plain = FileBytes();
  SetFileBytes(original);
  ASSERT_EQ(WriteAll(kEntr, records, 300), kChunkOk);
  EXPECT_EQ(FileBytes(), plain);
  EXPECT_EQ(static_cast<uint8_t>(FileBytes()[static_cast<size_t>(at[5]) + 30]), 0x5A);
}

TEST_F(ChunkBulkTest, GatheredRewritesAfterDeletesAndAppends) {
  std::vector<std::pair<ChunkTag, std::string>> chunks;
  for (int i = 0; i < 10; ++i) chunks.push_back({kEntr, std::string(50, 'x')});
  MakeContainer(chunks);
  for (int n : {12, 4, 9, 0, 3}) {
    std::vector<std::string> items;
    for (int i = 0; i < n; ++i) items.push_back(std::string(50, static_cast<char>('a' + i + n)));
    ASSERT_EQ(WriteAll(kEntr, Records(items, 50), 50), kChunkOk) << n;
    EXPECT_EQ(Walk(kEntr), items) << n;
  }
}

TEST_F(ChunkBulkTest, WriteAllStopsAtAFailedWrite) {
  std::vector<std::pair<ChunkTag, std::string>> chunks;
  for (int i = 0; i < 5; ++i) chunks.push_back({kEntr, "old"});
  MakeContainer(chunks);
  fake_.FailWriteAfter(1);
  EXPECT_EQ(WriteAll(kEntr, Records({"new", "new", "new", "new", "new"}, 3), 3),
            kChunkIoError);
  fake_.ClearWriteFailure();
  // Nothing half-linked: the tag still reads, and a second try succeeds.
  EXPECT_EQ(Walk(kEntr).size(), 5u);
  ASSERT_EQ(WriteAll(kEntr, Records({"new", "new"}, 3), 3), kChunkOk);
  EXPECT_EQ(Walk(kEntr), (std::vector<std::string>{"new", "new"}));
}

TEST_F(ChunkBulkTest, TheHandleStaysUsableAfterWriteAll) {
  MakeContainer({{kEntr, "11"}, {kEntr, "22"}});
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  ASSERT_EQ(f.WriteAll(kEntr, Records({"aa", "bb", "cc"}, 2), 2), kChunkOk);
  ASSERT_EQ(f.Append(kEntr, 2, "dd"), kChunkOk);
  ASSERT_EQ(f.WriteAll(kEntr, Records({"ee"}, 2), 2), kChunkOk);
  ASSERT_EQ(f.Append(kEntr, 2, "ff"), kChunkOk);
  std::unique_ptr<RecordArray> a = f.ReadAll(kEntr);
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->Count(), 2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(a->At(0)), 2), "ee");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(a->At(1)), 2), "ff");
}

TEST_F(ChunkBulkTest, AWalkGoesOnFromWhereReadAllEndedIntoAppendedChunks) {
  MakeContainer({{kEntr, "11"}, {kEntr, "22"}});
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  ASSERT_NE(f.ReadAll(kEntr), nullptr);
  ASSERT_EQ(f.Append(kEntr, 2, "33"), kChunkOk);
  // The copy of the last chunk's header predates the append: the walk ends there.
  EXPECT_EQ(f.FindNext(), kChunkEndOfList);
  ASSERT_EQ(f.WriteAll(kEntr, Records({"aa", "bb", "cc", "dd"}, 2), 2), kChunkOk);
  EXPECT_EQ(f.CurrentLength(), 2);
  EXPECT_EQ(f.FindNext(), kChunkEndOfList);
  ASSERT_EQ(f.FindFirst(kEntr), kChunkOk);
  int count = 1;
  while (f.FindNext() == kChunkOk) ++count;
  EXPECT_EQ(count, 4);
}

}  // namespace
}  // namespace veldra::testing
