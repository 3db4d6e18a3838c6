// Damaged containers: single bytes changed in headers must give -2 (reads) or a refusal
// (writes), never a hang, a crash, an allocation beyond the file, or a write.
#include <gtest/gtest.h>

#include "storage/chunk_file.h"
#include "tests/storage/chunk_test_util.h"

namespace veldra::testing {
namespace {

// Layout of the container every test starts from (data lengths 2, 1, 2, 2):
constexpr uint32_t kE1 = 548;  // ENTR head
constexpr uint32_t kA1 = 586;  // ATTA head
constexpr uint32_t kE2 = 623;  // ENTR
constexpr uint32_t kE3 = 661;  // ENTR, last
constexpr uint32_t kSize = 699;
constexpr size_t kTag = 0, kLength = 4, kSelf = 8, kPrevInTag = 12, kNextInTag = 16,
                 kPrevHead = 20, kNextHead = 24;

class ChunkDamageTest : public ContainerTest {
 protected:
  void SetUp() override {
    fake_.Remove(path_);
    MakeContainer({{kEntr, "e1"}, {kAtta, "a"}, {kEntr, "e2"}, {kEntr, "e3"}});
    ASSERT_EQ(FileBytes().size(), kSize);
  }

  // Every writing operation on the damaged file is refused and writes nothing.
  void ExpectWritesRefused(ChunkTag tag) {
    const std::string before = FileBytes();
    ChunkFile f;
    ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
    EXPECT_EQ(f.Append(tag, 2, "xx"), kChunkIoError);
    EXPECT_EQ(f.AppendStream(tag, 2, [](uint8_t* b, size_t n) { return b[0] = b[1] = 'y', true; }),
              kChunkIoError);
    RecordArray records(2);
    records.Append("zz");
    EXPECT_EQ(f.WriteAll(tag, records, 2), kChunkIoError);
    f.Close();
    EXPECT_EQ(FileBytes(), before);
  }
};

TEST_F(ChunkDamageTest, CycleInATagList) {
  PutLe32(kE3 + kNextInTag, kE1);
  int rc = 0;
  const std::vector<std::string> seen = Walk(kEntr, &rc);
  EXPECT_EQ(rc, kChunkIoError);
  EXPECT_LE(seen.size(), 6u);  // bounded by what the file can hold
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
  EXPECT_EQ(f.ReadAll(kEntr), nullptr);
  f.Close();
  ExpectWritesRefused(kEntr);
}

TEST_F(ChunkDamageTest, ChunkLinkedToItself) {
  PutLe32(kE2 + kNextInTag, kE2);
  int rc = 0;
  Walk(kEntr, &rc);
  EXPECT_EQ(rc, kChunkIoError);
  ExpectWritesRefused(kEntr);
  // Deleting the looping chunk would tie its neighbours into the loop: refused too.
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  ASSERT_EQ(f.FindFirst(kEntr), kChunkOk);
  ASSERT_EQ(f.FindNext(), kChunkOk);
  const std::string before = FileBytes();
  EXPECT_EQ(f.DeleteCurrent(), kChunkIoError);
  EXPECT_EQ(FileBytes(), before);
}

TEST_F(ChunkDamageTest, CycleInTheListOfHeads) {
  PutLe32(kA1 + kNextHead, kE1);
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
  EXPECT_EQ(f.FindFirst(kLabe), kChunkIoError);
  EXPECT_EQ(f.FindFirst(kEntr), kChunkOk);  // found before the loop closes
  EXPECT_EQ(f.ReadAll(kLabe), nullptr);
  f.Close();
  ExpectWritesRefused(kLabe);
}

TEST_F(ChunkDamageTest, LinksPastTheEndOrIntoTheFileHeader) {
  for (uint32_t bad : {kSize, kSize - 20, kSize + 1000, 0x7FFFFFF0u, 100u, 0u}) {
    SCOPED_TRACE(bad);
    SetUp();
    PutLe32(kE2 + kNextInTag, bad);
    int rc = 0;
    EXPECT_EQ(Walk(kEntr, &rc).size(), 2u);
    EXPECT_EQ(rc, kChunkIoError);
    ExpectWritesRefused(kEntr);
  }
}

TEST_F(ChunkDamageTest, SelfFieldDisagreeingWithItsOffset) {
  PutByte(kE2 + kSelf, static_cast<uint8_t>(kE2 + 1));
  int rc = 0;
  EXPECT_EQ(Walk(kEntr, &rc).size(), 1u);
  EXPECT_EQ(rc, kChunkIoError);
  ExpectWritesRefused(kEntr);
  // Another tag is untouched by the damage.
  EXPECT_EQ(Walk(kAtta), (std::vector<std::string>{"a"}));
}

TEST_F(ChunkDamageTest, LengthPastTheEndIsRefusedBeforeAnyAllocation) {
  PutLe32(kE1 + kLength, 0x7FFFFFF0u);  // would be a 2 GiB record
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
  EXPECT_EQ(f.ReadAll(kEntr), nullptr);
  EXPECT_EQ(f.FindFirst(kEntr), kChunkIoError);
  EXPECT_EQ(f.FindFirst(kAtta), kChunkIoError);  // the head list runs through it
  f.Close();
  SetUp();
  PutLe32(kE3 + kLength, 3);  // one byte past the end
  int rc = 0;
  EXPECT_EQ(Walk(kEntr, &rc).size(), 2u);
  EXPECT_EQ(rc, kChunkIoError);
  SetUp();
  PutLe32(kE3 + kLength, 0x80000000u);  // negative
  Walk(kEntr, &rc);
  EXPECT_EQ(rc, kChunkIoError);
}

TEST_F(ChunkDamageTest, ALinkToAChunkOfAnotherTag) {
  PutLe32(kE1 + kNextInTag, kA1);
  int rc = 0;
  EXPECT_EQ(Walk(kEntr, &rc).size(), 1u);
  EXPECT_EQ(rc, kChunkIoError);
  ExpectWritesRefused(kEntr);
}

TEST_F(ChunkDamageTest, DamagedRootOrTruncatedFile) {
  const std::string good = FileBytes();
  PutByte(512 + kSelf, 1);
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  EXPECT_EQ(f.FindFirst(kEntr), kChunkIoError);
  EXPECT_EQ(f.Append(kLabe, 1, "l"), kChunkIoError);
  f.Close();
  SetFileBytes(good.substr(0, 530));  // the root cut in half
  ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  EXPECT_EQ(f.FindFirst(kEntr), kChunkIoError);
  EXPECT_EQ(f.Append(kLabe, 1, "l"), kChunkIoError);
  f.Close();
  EXPECT_EQ(FileBytes().size(), 530u);
}

TEST_F(ChunkDamageTest, DeleteRefusesNeighboursThatDoNotPointBack) {
  // E3 no longer names E2 as its previous chunk: unlinking E2 would patch a stranger.
  PutLe32(kE3 + kPrevInTag, kE1);
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  ASSERT_EQ(f.FindFirst(kEntr), kChunkOk);
  ASSERT_EQ(f.FindNext(), kChunkOk);
  const std::string before = FileBytes();
  EXPECT_EQ(f.DeleteCurrent(), kChunkIoError);
  EXPECT_EQ(FileBytes(), before);
  // The same for a head whose previous head does not lead to it.
  SetUp();
  PutLe32(kA1 + kPrevHead, 512);
  ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  ASSERT_EQ(f.FindFirst(kAtta), kChunkOk);
  const std::string before2 = FileBytes();
  EXPECT_EQ(f.DeleteCurrent(), kChunkIoError);
  EXPECT_EQ(FileBytes(), before2);
}

// Every single byte of every header changed in turn: whatever the damage, each operation
// returns one of its codes, and the reads that succeed return chunks of the right tag.
TEST_F(ChunkDamageTest, EveryHeaderByteChangedInTurn) {
  const std::string good = FileBytes();
  const uint32_t headers[] = {512, kE1, kA1, kE2, kE3};
  for (uint32_t h : headers) {
    for (size_t i = 0; i < 28; ++i) {
      for (uint8_t flip : {0x01, 0x80, 0xFF}) {
        SCOPED_TRACE(::testing::Message() << "header " << h << " byte " << i << " ^" << int{flip});
        std::string bad = good;
        bad[h + i] = static_cast<char>(bad[h + i] ^ flip);
        SetFileBytes(bad);
        ChunkFile f;
        ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
        for (ChunkTag tag : {kEntr, kAtta}) {
          std::unique_ptr<RecordArray> all = f.ReadAll(tag);
          if (all) {
            EXPECT_LE(all->Count(), 6);
          }
          int rc = f.FindFirst(tag);
          for (int steps = 0; rc == kChunkOk; ++steps) {
            ASSERT_LT(steps, 20);
            EXPECT_EQ(f.current().tag, tag);
            rc = f.FindNext();
          }
          EXPECT_TRUE(rc == kChunkEndOfList || rc == kChunkNoSuchTag || rc == kChunkIoError)
              << rc;
        }
        const int appended = f.Append(kEntr, 2, "e4");
        EXPECT_TRUE(appended == kChunkOk || appended == kChunkIoError) << appended;
        if (appended != kChunkOk) {
          EXPECT_EQ(FileBytes(), bad);
        }
        if (f.FindFirst(kEntr) == kChunkOk) {
          const int deleted = f.DeleteCurrent();
          EXPECT_TRUE(deleted == kChunkOk || deleted == kChunkIoError) << deleted;
        }
      }
    }
  }
}

}  // namespace
}  // namespace veldra::testing
