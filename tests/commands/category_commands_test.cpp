// Adding and deleting category names, and editing the level labels.
#include <gtest/gtest.h>

#include "commands/category_add.h"
#include "commands/category_delete.h"
#include "commands/label_edit.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "tests/commands/catalog_fixture.h"

namespace veldra::commands {
namespace {

using veldra::testing::CatalogTest;
using Strings = std::vector<std::string>;

class CategoryAddTest : public CatalogTest {};

TEST_F(CategoryAddTest, ChecksRunInOrderWithTheirMessages) {
  EXPECT_EQ(Utf8(CheckNewCategoryName(*doc_, 1, "")), "分類名を入力してください。");
  EXPECT_EQ(Utf8(CheckNewCategoryName(*doc_, 2, Sjis("＜すべて＞"))),
            "”＜すべて＞”は追加できません。");
  EXPECT_EQ(Utf8(CheckNewCategoryName(*doc_, 3, Sjis("その他"))),
            "「その他」は、すでに登録されています。");
  EXPECT_EQ(CheckNewCategoryName(*doc_, 1, Sjis("小説")), "");
}

TEST_F(CategoryAddTest, ANameOfAnotherLevelOnlyIsAccepted) {
  ASSERT_EQ(AddCategory(*doc_, 2, "x", Sjis("その他"), Sjis("その他")), 0);
  EXPECT_EQ(CheckNewCategoryName(*doc_, 1, "x"), "");
  EXPECT_EQ(CheckNewCategoryName(*doc_, 3, "x"), "");
  EXPECT_NE(CheckNewCategoryName(*doc_, 2, "x"), "");
  // Case matters: "X" is another name.
  EXPECT_EQ(CheckNewCategoryName(*doc_, 2, "X"), "");
}

TEST_F(CategoryAddTest, OtherIsAcceptedWhereTheLevelLacksIt) {
  doc_->categories().Clear();
  NewCategoryRecord(doc_->categories(), doc_->counters(), "A", "x", "y");
  EXPECT_EQ(CheckNewCategoryName(*doc_, 1, Sjis("その他")), "");
}

TEST_F(CategoryAddTest, AllSelectedElsewhereGivesOtherAndTheFileKeepsIt) {
  ASSERT_EQ(AddCategory(*doc_, 1, Sjis("新"), SelectionAsCategory(kAllCategoriesName),
                        SelectionAsCategory(kAllCategoriesName)),
            0);
  auto reloaded = Reload();
  EXPECT_EQ(Triples(*reloaded), (Strings{"その他/その他/その他", "新/その他/その他"}));
  // The first category a user adds gets id 1 (the default one has 0).
  EXPECT_EQ(CategoryAt(reloaded->categories(), 1).id, 1);
  EXPECT_EQ(Utf8(reloaded->level_names(1).front()), "新");
}

TEST_F(CategoryAddTest, TheNewNameGoesToItsLevelBetweenTheOthers) {
  ASSERT_EQ(AddCategory(*doc_, 2, "mid", "one", "three"), 0);
  ASSERT_EQ(AddCategory(*doc_, 3, "last", "one", "two"), 0);
  EXPECT_EQ(Triples(*Reload()),
            (Strings{"その他/その他/その他", "one/mid/three", "one/two/last"}));
}

TEST_F(CategoryAddTest, ASaveThatCannotHappenIsReported) {
  fake_.WriteFileBytes("/data/junk.vdc", "not a catalog at all");
  CVeldraDocument junk;
  junk.Load("/data/junk.vdc");
  EXPECT_EQ(AddCategory(junk, 1, "A", "B", "C"), kSaveFailed);
  EXPECT_EQ(fake_.ReadFileBytes("/data/junk.vdc"), "not a catalog at all");
}

class CategoryDeleteTest : public CatalogTest {};

TEST_F(CategoryDeleteTest, ReservedNamesAreRefused) {
  for (const char* name : {"＜すべて＞", "その他"}) {
    CategoryDeleteCheck check = CheckCategoryDelete(*doc_, 1, Sjis(name));
    EXPECT_FALSE(check.allowed);
    EXPECT_EQ(Utf8(check.warning), "”＜すべて＞”と”その他”は削除できません。");
  }
}

TEST_F(CategoryDeleteTest, ANameInUseIsRefusedOnlyAtItsLevel) {
  AddSavedEntry("a.pdf", "A", "x", "p");
  CategoryDeleteCheck check = CheckCategoryDelete(*doc_, 2, "x");
  EXPECT_FALSE(check.allowed);
  EXPECT_EQ(Utf8(check.warning), "「x」は使用中です。削除できません。");
  EXPECT_TRUE(CheckCategoryDelete(*doc_, 1, "x").allowed);
}

TEST_F(CategoryDeleteTest, AllowedDeletionAsksAboutTheName) {
  CategoryDeleteCheck check = CheckCategoryDelete(*doc_, 1, "Z");
  EXPECT_TRUE(check.allowed);
  EXPECT_EQ(Utf8(check.question), "「Z」を削除してもよろしいですか？");
  EXPECT_EQ(Utf8(check.question_title), "分類削除");
}

TEST_F(CategoryDeleteTest, TheEmptyNameIsCheckedLikeAnyOther) {
  CategoryDeleteCheck check = CheckCategoryDelete(*doc_, 3, "");
  EXPECT_TRUE(check.allowed);
  EXPECT_EQ(Utf8(check.question), "「」を削除してもよろしいですか？");
  int32_t id = AddSavedEntry("e.pdf", "A", "B", "C");
  EntryRecord entry = EntryById(*doc_, id);
  entry.SetCategoryName(3, "");
  doc_->ReplaceEntry(doc_->entries(), entry);
  EXPECT_FALSE(CheckCategoryDelete(*doc_, 3, "").allowed);
}

TEST_F(CategoryDeleteTest, EveryTripleWithTheNameAtThatLevelGoes) {
  NewCategoryRecord(doc_->categories(), doc_->counters(), "A", "x", "p");
  NewCategoryRecord(doc_->categories(), doc_->counters(), "B", "x", "q");
  NewCategoryRecord(doc_->categories(), doc_->counters(), "x", "y", "x");
  ASSERT_EQ(DeleteCategory(*doc_, 2, "x"), 0);
  auto reloaded = Reload();
  EXPECT_EQ(Triples(*reloaded), (Strings{"その他/その他/その他", "x/y/x"}));
  EXPECT_EQ(reloaded->level_names(2).size(), 2u);
}

class LabelEditTest : public CatalogTest {};

TEST_F(LabelEditTest, TheThreeLabelsAreWrittenAndSaved) {
  EXPECT_EQ(Utf8(CurrentLabels(*doc_)[0]), "分類１");
  fake_.AdvanceMs(5000);
  ASSERT_EQ(EditLabels(*doc_, {Sjis("ジャンル"), "", Sjis("年代")}), 0);
  auto reloaded = Reload();
  std::array<std::string, 3> labels = CurrentLabels(*reloaded);
  EXPECT_EQ(Utf8(labels[0]), "ジャンル");
  EXPECT_EQ(labels[1], "");
  EXPECT_EQ(Utf8(labels[2]), "年代");
  LabelRecord first;
  ASSERT_TRUE(reloaded->FindLabel(1, &first));
  EXPECT_EQ(first.updated.Text(), "20240506070814010");
  EXPECT_EQ(first.id, 0);
}

TEST_F(LabelEditTest, ALevelWithoutALabelRecordIsNotAdded) {
  doc_->labels().Remove(1);  // level 2
  ASSERT_EQ(EditLabels(*doc_, {"a", "b", "c"}), 0);
  auto reloaded = Reload();
  EXPECT_EQ(reloaded->labels().Count(), 2);
  EXPECT_EQ(CurrentLabels(*reloaded), (std::array<std::string, 3>{"a", "", "c"}));
}

TEST_F(LabelEditTest, RenamingOneLevelLeavesLongLabelsOfTheOthersWhole) {
  std::string long_label;
  for (int i = 0; i < 100; ++i) long_label += Sjis("長");  // 200 bytes, 100 characters
  LabelRecord second;
  ASSERT_TRUE(doc_->FindLabel(2, &second));
  second.text.SetText(long_label);
  doc_->UpdateLabel(second);
  ASSERT_EQ(RenameLabel(*doc_, 1, "first"), 0);
  auto reloaded = Reload();
  LabelRecord first;
  ASSERT_TRUE(reloaded->FindLabel(1, &first));
  ASSERT_TRUE(reloaded->FindLabel(2, &second));
  EXPECT_EQ(first.text.Text(), "first");
  EXPECT_EQ(second.text.Text(), long_label);
  reloaded->labels().Remove(0);
  EXPECT_EQ(RenameLabel(*reloaded, 1, "x"), kRenameNoLabel);
}

}  // namespace
}  // namespace veldra::commands
