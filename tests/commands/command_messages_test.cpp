#include "commands/command_messages.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace veldra::commands
