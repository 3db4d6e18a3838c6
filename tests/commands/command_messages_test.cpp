#include "commands/command_messages.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/support/test_text.h"

namespace veldra::commands {
namespace {

TEST(CommandMessagesTest, CategoryWarningsCarryTheName) {
  EXPECT_EQ(Utf8(MessageEnterCategoryName()), "分類名を入力してください。");
  EXPECT_EQ(Utf8(MessageCannotAddName(Sjis("＜すべて＞"))), "”＜すべて＞”は追加できません。");
  EXPECT_EQ(Utf8(MessageAlreadyRegistered(Sjis("小説"))), "「小説」は、すでに登録されています。");
  EXPECT_EQ(Utf8(MessageCannotDeleteReserved()), "”＜すべて＞”と”その他”は削除できません。");
  EXPECT_EQ(Utf8(MessageNameInUse(Sjis("技術"))), "「技術」は使用中です。削除できません。");
}

TEST(CommandMessagesTest, NamesAreInsertedVerbatimEvenWithPercentSigns) {
  EXPECT_EQ(MessageNameInUse("100%s"), Sjis("「100%s」は使用中です。削除できません。"));
  EXPECT_EQ(Utf8(QuestionDeleteCategory("")), "「」を削除してもよろしいですか？");
}

TEST(CommandMessagesTest, QuestionsAreCutTo127BytesOnACharacterBoundary) {
  EXPECT_EQ(Utf8(QuestionDeleteEntries()), "選択しているPDFを削除してもよろしいですか？");
  EXPECT_EQ(Utf8(QuestionTitleCategoryDelete()), "分類削除");
  // "「" is two bytes, so 62 double-byte characters after it reach 126 bytes; the 63rd does
  // not fit whole and is dropped with everything after it.
  std::string name;
  for (int i = 0; i < 70; ++i) name += Sjis("漢");
  std::string question = QuestionDeleteCategory(name);
  EXPECT_EQ(question.size(), 126u);
  EXPECT_EQ(question, Sjis("「") + name.substr(0, 124));
  std::string odd = "a" + name;
  EXPECT_EQ(QuestionDeleteCategory(odd).size(), 127u);
}

// Cutting never splits a pair: a lead byte (0x81-0x9F, 0xE0-0xFC) takes its trail byte
// along, every other byte stands alone. The rows try both edges of both lead ranges and
// the single bytes just outside them.
struct CutRow {
  const char* name;
  std::string text;
  size_t max_bytes;
  std::string expected;
};

void PrintTo(const CutRow& row, std::ostream* os) { *os << row.name; }

class CutCp932Test : public ::testing::TestWithParam<CutRow> {};

TEST_P(CutCp932Test, CutKeepsSingleBytesAndWholePairs) {
  const CutRow& row = GetParam();
  EXPECT_EQ(CutCp932(row.text, row.max_bytes), row.expected);
}

// "a", the byte under test, then "@" (0x40, a trail byte of every lead byte), cut to 2 bytes:
// a lead byte goes, a single byte stays.
CutRow ByteRow(const char* name, char byte, bool lead) {
  const std::string text = std::string("a") + byte + "@";
  return {name, text, 2, lead ? "a" : text.substr(0, 2)};
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CutCp932Test,
    ::testing::Values(
        CutRow{"SingleBytes", "abc", 2, "ab"},
        CutRow{"WholePairOnly", Sjis("あい"), 3, Sjis("あ")},
        CutRow{"PairLongerThanTheLimit", Sjis("あ"), 1, ""},
        CutRow{"LeadWithoutTrailAtTheEnd", std::string("a\x82", 2), 10, "a"},
        CutRow{"PairThatFits", std::string("a\x9F@", 3), 3, std::string("a\x9F@", 3)},
        ByteRow("Byte80", '\x80', false), ByteRow("Byte81", '\x81', true),
        ByteRow("Byte9F", '\x9F', true), ByteRow("ByteA0", '\xA0', false),
        ByteRow("ByteDF", '\xDF', false), ByteRow("ByteE0", '\xE0', true),
        ByteRow("ByteFC", '\xFC', true), ByteRow("ByteFD", '\xFD', false)),
    [](const ::testing::TestParamInfo<CutRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace veldra::commands
