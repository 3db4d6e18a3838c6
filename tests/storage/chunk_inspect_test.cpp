// The verifier: the walk in file order, liveness, and the wording of each fault found
// after a single byte was changed.
#include "storage/chunk_inspect.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/storage/chunk_test_util.h"

namespace veldra::testing {
namespace {

// The same layout as the damage tests: ENTR head, ATTA head, two more ENTR.
constexpr uint32_t kE1 = 548, kA1 = 586, kE2 = 623, kE3 = 661, kSize = 699;
constexpr size_t kLength = 4, kSelf = 8, kPrevInTag = 12, kNextInTag = 16, kPrevHead = 20,
                 kNextHead = 24;

class ChunkInspectTest : public ContainerTest {
 protected:
  void SetUp() override {
    MakeContainer({{kEntr, "e1"}, {kAtta, "a"}, {kEntr, "e2"}, {kEntr, "e3"}});
    ASSERT_EQ(FileBytes().size(), kSize);
    good_ = FileBytes();
  }
  std::vector<std::string> Problems() {
    std::vector<std::string> problems;
    const bool sound = VerifyContainer(path_, &problems);
    EXPECT_EQ(sound, problems.empty());
    return problems;
  }
  bool Has(const std::vector<std::string>& problems, const std::string& text) {
    return std::find(problems.begin(), problems.end(), text) != problems.end();
  }
  std::string good_;
};

TEST_F(ChunkInspectTest, SoundContainerWithDeadChunks) {
  {
    ChunkFile f;
    ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
    ASSERT_EQ(f.FindFirst(kEntr), kChunkOk);
    ASSERT_EQ(f.FindNext(), kChunkOk);
    ASSERT_EQ(f.DeleteCurrent(), kChunkOk);  // E2 dead
    ASSERT_EQ(f.FindFirst(kEntr), kChunkOk);
    ASSERT_EQ(f.DeleteCurrent(), kChunkOk);  // E1 dead, E3 the head
  }
  EXPECT_TRUE(Problems().empty());
  ContainerReport report;
  ASSERT_TRUE(InspectContainer(path_, &report));
  EXPECT_EQ(report.file_size, kSize);
  ASSERT_EQ(report.chunks.size(), 5u);
  const uint32_t offsets[] = {512, kE1, kA1, kE2, kE3};
  const bool live[] = {true, false, true, false, true};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(report.chunks[i].offset, offsets[i]);
    EXPECT_EQ(report.chunks[i].live, live[i]) << offsets[i];
  }
  EXPECT_EQ(report.chunks[4].header.tag, kEntr);
  EXPECT_EQ(report.chunks[4].header.length, 2);
  EXPECT_EQ(report.chunks[4].header.prev_head, 512);  // the place of the old head
  EXPECT_EQ(report.chunks[2].header.prev_head, static_cast<int32_t>(kE3));
}

TEST_F(ChunkInspectTest, NotAContainer) {
  std::vector<std::string> problems;
  EXPECT_FALSE(VerifyContainer("/nothing.vdc", &problems));
  EXPECT_EQ(problems, (std::vector<std::string>{"cannot open /nothing.vdc"}));
  PutByte(0, 'r');
  EXPECT_EQ(Problems(), (std::vector<std::string>{"file does not start with \"RUX\""}));
  SetFileBytes(good_);
  PutByte(4, 1);
  EXPECT_EQ(Problems(), (std::vector<std::string>{"format version is 1, not 2"}));
  SetFileBytes(good_.substr(0, 100));
  EXPECT_EQ(Problems(), (std::vector<std::string>{
                            "file is 100 bytes, shorter than the 512-byte file header"}));
  SetFileBytes(good_);
  PutByte(300, 7);
  EXPECT_EQ(Problems(), (std::vector<std::string>{"file header byte 300 is not zero"}));
}

TEST_F(ChunkInspectTest, LinkPastEndOfFile) {
  PutByte(kE2 + kNextInTag + 1, 0x22);  // -1 becomes 0xFFFF22FF
  EXPECT_EQ(Problems(),
            (std::vector<std::string>{"next-in-tag of chunk at 623 points past end of file"}));
}

TEST_F(ChunkInspectTest, LinkIntoTheFileHeader) {
  PutLe32(kA1 + kNextHead, 40);
  EXPECT_EQ(Problems(), (std::vector<std::string>{
                            "next-head of chunk at 586 points into the file header (40)"}));
}

TEST_F(ChunkInspectTest, CyclesInATagListAndInTheListOfHeads) {
  PutLe32(kE3 + kNextInTag, kE1);
  EXPECT_EQ(Problems(), (std::vector<std::string>{
                            "next-in-tag of chunk at 661 points back to chunk at 548: the "
                            "list of ENTR has a cycle"}));
  SetFileBytes(good_);
  PutLe32(kA1 + kNextHead, kE1);
  EXPECT_EQ(Problems(), (std::vector<std::string>{
                            "next-head of chunk at 586 points back to chunk at 548: the list "
                            "of heads has a cycle"}));
}

TEST_F(ChunkInspectTest, SelfFieldWrong) {
  PutByte(kE2 + kSelf, static_cast<uint8_t>(kE2 + 1));
  EXPECT_EQ(Problems(),
            (std::vector<std::string>{
                "header at 623 has self field 624; the next chunk header found in file order "
                "is at 661",
                "next-in-tag of chunk at 548 points to 623, where the header's self field is "
                "624"}));
  ContainerReport report;
  ASSERT_TRUE(InspectContainer(path_, &report));
  ASSERT_EQ(report.unread.size(), 1u);
  EXPECT_EQ(report.unread[0].offset, 623);
  EXPECT_EQ(report.unread[0].end, 661);
  EXPECT_EQ(report.unread[0].reason, report.problems[0]);
}

TEST_F(ChunkInspectTest, LengthRunningPastTheEnd) {
  PutByte(kE3 + kLength, 3);
  EXPECT_EQ(Problems(),
            (std::vector<std::string>{
                "chunk at 661 has length 3, which runs past end of file; no chunk header "
                "follows up to end of file",
                "next-in-tag of chunk at 623 points to chunk at 661, whose length 3 runs past "
                "end of file"}));
  ContainerReport report;
  ASSERT_TRUE(InspectContainer(path_, &report));
  ASSERT_EQ(report.unread.size(), 1u);
  EXPECT_EQ(report.unread[0].offset, 661);
  EXPECT_EQ(report.unread[0].end, report.file_size);
}

TEST_F(ChunkInspectTest, LengthBreakingTheChainInFileOrder) {
  PutByte(kA1 + kLength, 2);  // ATTA's data now swallows the first byte of E2
  const std::vector<std::string> problems = Problems();
  ASSERT_FALSE(problems.empty());
  EXPECT_EQ(problems[0].rfind("header at 624 has self field ", 0), 0u) << problems[0];
  EXPECT_TRUE(Has(problems, "next-in-tag of chunk at 548 points to 623, which is not on the "
                            "chain of chunks in file order"));
}

TEST_F(ChunkInspectTest, BackLinksThatDisagree) {
  PutByte(kE3 + kPrevInTag, static_cast<uint8_t>(kE1));  // 623 -> 548: both are 0x02xx
  EXPECT_EQ(Problems(),
            (std::vector<std::string>{"prev-in-tag of chunk at 661 is 548, expected 623"}));
  SetFileBytes(good_);
  PutLe32(kA1 + kPrevHead, 512);
  EXPECT_EQ(Problems(),
            (std::vector<std::string>{"prev-head of chunk at 586 is 512, expected 548"}));
  SetFileBytes(good_);
  PutByte(kE2 + kPrevHead, 0x7F);
  EXPECT_EQ(Problems(), (std::vector<std::string>{
                            "chunk at 623 is not a head but has head links -129 and -1"}));
}

TEST_F(ChunkInspectTest, TagsThatDisagree) {
  PutByte(kE2 + 3, 'X');  // "ENTR" is stored "RTNE": byte 3 is the first letter
  EXPECT_EQ(Problems(), (std::vector<std::string>{
                            "next-in-tag of chunk at 548 reaches chunk at 623 of tag XNTR, "
                            "not ENTR"}));
  SetFileBytes(good_);
  PutByte(512, 0);
  EXPECT_EQ(Problems(), (std::vector<std::string>{
                            "root chunk at 512 has tag \\xFF\\xFF\\xFF\\x00, not -1"}));
}

// An append cut short is no damage: the next change cuts it off. Bytes that a link reaches
// are.
TEST_F(ChunkInspectTest, TornAppendAtTheEnd) {
  SetFileBytes(good_ + std::string("\x01\x02\x03", 3));
  EXPECT_EQ(Problems(), (std::vector<std::string>{
                            "3 bytes at 699 after the last chunk are too short for a header: an "
                            "append cut short left it, and the next change cuts it off"}));
  ContainerReport report;
  ASSERT_TRUE(InspectContainer(path_, &report));
  EXPECT_FALSE(HasDamage(report.findings));
  PutLe32(kE3 + kNextInTag, kSize);
  ASSERT_TRUE(InspectContainer(path_, &report));
  EXPECT_TRUE(HasDamage(report.findings));
}

// Every byte of the length, self and link fields of every live header, and the tags of
// chunks whose tag is checked against a neighbour: any change is found.
TEST_F(ChunkInspectTest, EverySingleByteChangeIsFound) {
  const uint32_t headers[] = {512, kE1, kA1, kE2, kE3};
  for (uint32_t h : headers) {
    for (size_t i = 0; i < 28; ++i) {
      if (i < 4 && h == kA1) continue;  // ATTA's only chunk may carry any tag
      for (uint8_t flip : {0x01, 0x10, 0x80, 0xFF}) {
        std::string bad = good_;
        bad[h + i] = static_cast<char>(bad[h + i] ^ flip);
        SetFileBytes(bad);
        EXPECT_FALSE(Problems().empty()) << "header " << h << " byte " << i << " ^" << int{flip};
      }
    }
  }
}

}  // namespace
}  // namespace veldra::testing
