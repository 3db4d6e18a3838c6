// The container's operations, their return codes and the bytes they leave on disk.
#include "storage/chunk_file.h"

#include <gtest/gtest.h>

#include "tests/storage/chunk_test_util.h"

namespace veldra::testing {
namespace {

using ChunkFileTest = ContainerTest;

TEST_F(ChunkFileTest, NewContainerIsHeaderAndRootOnly) {
  ChunkFile f;
  ASSERT_EQ(f.Create(path_), kChunkOk);
  EXPECT_TRUE(f.is_open());
  EXPECT_FALSE(f.has_current());
  f.Close();
  std::string expected(548, '\0');
  expected.replace(0, 3, "RUX");
  expected[4] = 2;
  const std::string root =
      std::string("\xFF\xFF\xFF\xFF", 4) + std::string(4, '\0') + std::string("\x00\x02\x00\x00", 4) +
      std::string(16, '\xFF');
  expected.replace(512, root.size(), root);
  EXPECT_EQ(FileBytes(), expected);
}

TEST_F(ChunkFileTest, CreateRefusesExistingFileAndLeavesItAlone) {
  SetFileBytes("precious");
  ChunkFile f;
  EXPECT_EQ(f.Create(path_), kChunkBadArgument);
  EXPECT_FALSE(f.is_open());
  EXPECT_EQ(FileBytes(), "precious");
}

TEST_F(ChunkFileTest, FailedCreateLeavesNoHalfMadeFile) {
  for (int n = 1; n <= 2; ++n) {
    fake_.FailWriteAfter(n);
    ChunkFile f;
    EXPECT_EQ(f.Create(path_), kChunkIoError) << n;
    EXPECT_FALSE(f.is_open());
    EXPECT_FALSE(fake_.FileExists(path_)) << n;
  }
  ChunkFile f;
  EXPECT_EQ(f.Create(path_), kChunkOk);  // the path is free again
}

TEST_F(ChunkFileTest, OpenChecksModeMagicVersionAndLength) {
  ChunkFile f;
  EXPECT_EQ(f.Open("/missing.vdc", kChunkModeReadOnly), kChunkBadArgument);
  MakeContainer({});
  EXPECT_EQ(f.Open(path_, 2), kChunkBadArgument);
  EXPECT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  f.Close();

  const std::string good = FileBytes();
  PutByte(1, 'V');  // "RVX"
  EXPECT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkBadArgument);
  EXPECT_FALSE(f.is_open());
  SetFileBytes(good);
  PutByte(4, 3);  // version 3
  EXPECT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkBadArgument);
  SetFileBytes(good);
  PutByte(5, 1);  // version 0x0102
  EXPECT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkBadArgument);
  SetFileBytes(good.substr(0, 511));
  EXPECT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkIoError);
  EXPECT_EQ(f.Close(), kChunkOk);
  EXPECT_EQ(f.Close(), kChunkOk);
}

TEST_F(ChunkFileTest, FirstChunkOfATagHangsFromTheRoot) {
  MakeContainer({{kEntr, "abcd"}});
  const std::string b = FileBytes();
  ASSERT_EQ(b.size(), 548u + 36 + 4);
  EXPECT_EQ(Le32(512 + 24), 548u);  // root next-head
  EXPECT_EQ(b.substr(548, 4), "RTNE");
  EXPECT_EQ(Le32(548 + 4), 4u);
  EXPECT_EQ(Le32(548 + 8), 548u);
  EXPECT_EQ(Le32(548 + 12), 0xFFFFFFFFu);
  EXPECT_EQ(Le32(548 + 16), 0xFFFFFFFFu);
  EXPECT_EQ(Le32(548 + 20), 512u);  // prev-head: the root
  EXPECT_EQ(Le32(548 + 24), 0xFFFFFFFFu);
  EXPECT_EQ(b.substr(548 + 28, 8), std::string(8, '\0'));
  EXPECT_EQ(b.substr(584), "abcd");
}

TEST_F(ChunkFileTest, ChainsWithinATagAndAcrossHeads) {
  // 548: ENTR#1 (4), 588: ATTA#1 (2), 626: ENTR#2 (3)
  MakeContainer({{kEntr, "e1e1"}, {kAtta, "a1"}, {kEntr, "e2e"}});
  EXPECT_EQ(FileBytes().substr(588, 4), "ATTA");
  EXPECT_EQ(Le32(548 + 16), 626u);         // ENTR#1 next-in-tag
  EXPECT_EQ(Le32(548 + 24), 588u);         // ENTR head's next-head: ATTA
  EXPECT_EQ(Le32(588 + 20), 548u);         // ATTA prev-head
  EXPECT_EQ(Le32(626 + 12), 548u);         // ENTR#2 prev-in-tag
  EXPECT_EQ(Le32(626 + 20), 0xFFFFFFFFu);  // not a head
  EXPECT_EQ(Le32(626 + 24), 0xFFFFFFFFu);
  EXPECT_EQ(Walk(kEntr), (std::vector<std::string>{"e1e1", "e2e"}));
  EXPECT_EQ(Walk(kAtta), (std::vector<std::string>{"a1"}));
}

TEST_F(ChunkFileTest, FindFirstCodes) {
  MakeContainer({{kEntr, "x"}});
  ChunkFile f;
  EXPECT_EQ(f.FindFirst(kEntr), kChunkBadArgument);  // not open
  ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
  EXPECT_EQ(f.FindFirst(kAttd), kChunkNoSuchTag);
  EXPECT_EQ(f.FindFirst(kRootTag), kChunkBadArgument);
  EXPECT_FALSE(f.has_current());
  EXPECT_EQ(f.FindFirst(kEntr), kChunkOk);
  EXPECT_EQ(f.current().self, 548);
}

TEST_F(ChunkFileTest, FindNextAtTheEndKeepsTheCurrentChunk) {
  MakeContainer({{kEntr, "1"}, {kEntr, "22"}});
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
  EXPECT_EQ(f.FindNext(), kChunkNoCurrent);
  ASSERT_EQ(f.FindFirst(kEntr), kChunkOk);
  ASSERT_EQ(f.FindNext(), kChunkOk);
  EXPECT_EQ(f.FindNext(), kChunkEndOfList);
  EXPECT_TRUE(f.has_current());
  EXPECT_EQ(f.CurrentLength(), 2);
  char buf[2];
  EXPECT_EQ(f.ReadCurrent(sizeof buf, buf), kChunkOk);
  EXPECT_EQ(std::string(buf, 2), "22");
}

TEST_F(ChunkFileTest, CurrentLengthAndReadCurrentCodes) {
  MakeContainer({{kEntr, "hello"}});
  ChunkFile f;
  EXPECT_EQ(f.CurrentLength(), -1);
  char buf[8] = {};
  EXPECT_EQ(f.ReadCurrent(sizeof buf, buf), kChunkNoCurrent);
  ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
  EXPECT_EQ(f.CurrentLength(), -1);
  ASSERT_EQ(f.FindFirst(kEntr), kChunkOk);
  EXPECT_EQ(f.CurrentLength(), 5);
  EXPECT_EQ(f.ReadCurrent(4, buf), kChunkBadArgument);
  EXPECT_EQ(f.ReadCurrent(5, buf), kChunkOk);
  EXPECT_EQ(std::string(buf), "hello");
}

TEST_F(ChunkFileTest, ReadCurrentRangeStaysInsideTheData) {
  MakeContainer({{kAtta, "0123456789"}});
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
  char buf[16] = {};
  EXPECT_EQ(f.ReadCurrentRange(0, 1, buf), kChunkNoCurrent);
  ASSERT_EQ(f.FindFirst(kAtta), kChunkOk);
  EXPECT_EQ(f.ReadCurrentRange(3, 4, buf), kChunkOk);
  EXPECT_EQ(std::string(buf, 4), "3456");
  EXPECT_EQ(f.ReadCurrentRange(6, 4, buf), kChunkOk);
  EXPECT_EQ(std::string(buf, 4), "6789");
  EXPECT_EQ(f.ReadCurrentRange(10, 0, buf), kChunkOk);
  EXPECT_EQ(f.ReadCurrentRange(7, 4, buf), kChunkBadArgument);
  EXPECT_EQ(f.ReadCurrentRange(-1, 2, buf), kChunkBadArgument);
  EXPECT_EQ(f.ReadCurrentRange(11, 0, buf), kChunkBadArgument);
}

TEST_F(ChunkFileTest, RewriteCurrentInPlaceWithTheSameLength) {
  MakeContainer({{kEntr, "aaaa"}, {kEntr, "bbbb"}});
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  EXPECT_EQ(f.RewriteCurrent(4, "zzzz"), kChunkNoCurrent);
  ASSERT_EQ(f.FindFirst(kEntr), kChunkOk);
  ASSERT_EQ(f.FindNext(), kChunkOk);
  const size_t size = FileBytes().size();
  EXPECT_EQ(f.RewriteCurrent(3, "zzz"), kChunkBadArgument);
  EXPECT_EQ(f.RewriteCurrent(5, "zzzzz"), kChunkBadArgument);
  EXPECT_EQ(f.RewriteCurrent(4, "cccc"), kChunkOk);
  f.Close();
  EXPECT_EQ(FileBytes().size(), size);
  EXPECT_EQ(Walk(kEntr), (std::vector<std::string>{"aaaa", "cccc"}));
}

TEST_F(ChunkFileTest, AppendRefusesBadArguments) {
  ChunkFile f;
  EXPECT_EQ(f.Append(kEntr, 1, "x"), kChunkBadArgument);  // not open
  ASSERT_EQ(f.Create(path_), kChunkOk);
  EXPECT_EQ(f.Append(kRootTag, 1, "x"), kChunkBadArgument);
  EXPECT_EQ(f.Append(kEntr, 1, nullptr), kChunkBadArgument);
  EXPECT_EQ(f.Append(kEntr, size_t{1} << 31, "x"), kChunkBadArgument);
  f.Close();
  EXPECT_EQ(FileBytes().size(), 548u);
}

TEST_F(ChunkFileTest, EveryWriteOnAReadOnlyHandleIsRefused) {
  MakeContainer({{kEntr, "1111"}, {kEntr, "2222"}});
  const std::string before = FileBytes();
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
  ASSERT_EQ(f.FindFirst(kEntr), kChunkOk);
  EXPECT_EQ(f.RewriteCurrent(4, "zzzz"), kChunkReadOnly);
  EXPECT_EQ(f.DeleteCurrent(), kChunkReadOnly);
  EXPECT_EQ(f.Append(kEntr, 4, "3333"), kChunkReadOnly);
  EXPECT_EQ(f.AppendStream(kEntr, 1, [](uint8_t* b, size_t) { return *b = 'q', true; }),
            kChunkReadOnly);
  RecordArray records(4);
  records.Append("9999");
  EXPECT_EQ(f.WriteAll(kEntr, records, 4), kChunkReadOnly);
  f.Close();
  EXPECT_EQ(FileBytes(), before);
}

TEST_F(ChunkFileTest, AppendLeavesTheCurrentChunkAsItWas) {
  MakeContainer({{kEntr, "1"}});
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  EXPECT_EQ(f.Append(kEntr, 1, "2"), kChunkOk);
  EXPECT_FALSE(f.has_current());
  ASSERT_EQ(f.FindFirst(kEntr), kChunkOk);
  ASSERT_EQ(f.Append(kEntr, 1, "3"), kChunkOk);
  EXPECT_EQ(f.current().self, 548);
  EXPECT_EQ(f.CurrentLength(), 1);
}

// The copy of the current header does not see a chunk appended behind it; deleting the
// current chunk must still use the links on disk, or the new chunk falls out of the list.
TEST_F(ChunkFileTest, DeleteAfterAnAppendBehindTheCurrentChunkKeepsTheNewChunk) {
  MakeContainer({{kEntr, "1"}, {kEntr, "2"}});
  {
    ChunkFile f;
    ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
    ASSERT_EQ(f.FindFirst(kEntr), kChunkOk);
    ASSERT_EQ(f.FindNext(), kChunkOk);  // the tail, next-in-tag -1 in the copy
    ASSERT_EQ(f.Append(kEntr, 1, "3"), kChunkOk);
    ASSERT_EQ(f.DeleteCurrent(), kChunkOk);
  }
  EXPECT_EQ(Walk(kEntr), (std::vector<std::string>{"1", "3"}));
  // The same for the last head and a new tag hung behind it.
  {
    ChunkFile f;
    ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
    ASSERT_EQ(f.FindFirst(kEntr), kChunkOk);
    ASSERT_EQ(f.Append(kAtta, 1, "a"), kChunkOk);
    ASSERT_EQ(f.DeleteCurrent(), kChunkOk);
  }
  EXPECT_EQ(Walk(kEntr), (std::vector<std::string>{"3"}));
  EXPECT_EQ(Walk(kAtta), (std::vector<std::string>{"a"}));
}

TEST_F(ChunkFileTest, DeletingAHeadHandsItsPlaceToTheSecondChunk) {
  // Head list: LABE, ENTR, ATTA. ENTR has three chunks.
  MakeContainer({{kLabe, "L"}, {kEntr, "e1"}, {kAtta, "A"}, {kEntr, "e2"}, {kEntr, "e3"}});
  const uint32_t labe = 548, entr1 = 585, atta = 623, entr2 = 660;
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  ASSERT_EQ(f.FindFirst(kEntr), kChunkOk);
  ASSERT_EQ(f.current().self, static_cast<int32_t>(entr1));
  const size_t size = FileBytes().size();
  ASSERT_EQ(f.DeleteCurrent(), kChunkOk);
  EXPECT_FALSE(f.has_current());
  EXPECT_EQ(f.DeleteCurrent(), kChunkNoCurrent);
  std::unique_ptr<RecordArray> all = f.ReadAll(kEntr);
  ASSERT_NE(all, nullptr);
  EXPECT_EQ(all->Count(), 2);
  f.Close();
  EXPECT_EQ(FileBytes().size(), size);
  EXPECT_EQ(Le32(labe + 24), entr2);   // LABE -> ENTR#2
  EXPECT_EQ(Le32(entr2 + 12), 0xFFFFFFFFu);
  EXPECT_EQ(Le32(entr2 + 20), labe);
  EXPECT_EQ(Le32(entr2 + 24), atta);
  EXPECT_EQ(Le32(atta + 20), entr2);
  EXPECT_EQ(Walk(kEntr), (std::vector<std::string>{"e2", "e3"}));
  EXPECT_EQ(Walk(kAtta), (std::vector<std::string>{"A"}));
  EXPECT_EQ(Walk(kLabe), (std::vector<std::string>{"L"}));
}

TEST_F(ChunkFileTest, DeletingTheOnlyChunkRemovesTheTag) {
  MakeContainer({{kLabe, "L"}, {kEntr, "e"}, {kAtta, "A"}});
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  ASSERT_EQ(f.FindFirst(kEntr), kChunkOk);
  ASSERT_EQ(f.DeleteCurrent(), kChunkOk);
  EXPECT_EQ(f.FindFirst(kEntr), kChunkNoSuchTag);
  EXPECT_EQ(f.FindFirst(kLabe), kChunkOk);
  EXPECT_EQ(f.FindFirst(kAtta), kChunkOk);
  // The tag can come back; it joins the end of the list of heads.
  ASSERT_EQ(f.Append(kEntr, 2, "e9"), kChunkOk);
  f.Close();
  EXPECT_EQ(Le32(548 + 24), 622u);  // LABE -> ATTA
  EXPECT_EQ(Walk(kEntr), (std::vector<std::string>{"e9"}));
  EXPECT_EQ(Walk(kAtta), (std::vector<std::string>{"A"}));
}

TEST_F(ChunkFileTest, DeletingMiddleAndLastChunks) {
  MakeContainer({{kEntr, "1"}, {kEntr, "2"}, {kEntr, "3"}, {kEntr, "4"}});
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  ASSERT_EQ(f.FindFirst(kEntr), kChunkOk);
  ASSERT_EQ(f.FindNext(), kChunkOk);
  ASSERT_EQ(f.DeleteCurrent(), kChunkOk);  // 1 3 4
  ASSERT_EQ(f.FindFirst(kEntr), kChunkOk);
  ASSERT_EQ(f.FindNext(), kChunkOk);
  ASSERT_EQ(f.FindNext(), kChunkOk);
  ASSERT_EQ(f.DeleteCurrent(), kChunkOk);  // 1 3
  ASSERT_EQ(f.Append(kEntr, 1, "5"), kChunkOk);
  f.Close();
  EXPECT_EQ(Walk(kEntr), (std::vector<std::string>{"1", "3", "5"}));
}

}  // namespace
}  // namespace veldra::testing
