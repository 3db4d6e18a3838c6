// Changing entries: the batch category change, the attribute edit and the delete.
#include <gtest/gtest.h>

#include <algorithm>

#include "commands/batch_category_change.h"
#include "commands/delete_entries.h"
#include "commands/entry_edit.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "tests/commands/catalog_fixture.h"

namespace veldra::commands {
namespace {

using veldra::testing::CatalogTest;
using Strings = std::vector<std::string>;

const std::string kUnchanged(kUnchangedCategoryName);

class BatchCategoryChangeTest : public CatalogTest {};

TEST_F(BatchCategoryChangeTest, InitialNamesAreTheSharedOnes) {
  int32_t a = AddSavedEntry("a.pdf", "A", "x", "p");
  int32_t b = AddSavedEntry("b.pdf", "B", "x", "p");
  EXPECT_EQ(InitialBatchNames({EntryById(*doc_, a)}), (CategoryTriple{"A", "x", "p"}));
  EXPECT_EQ(InitialBatchNames({EntryById(*doc_, a), EntryById(*doc_, b)}),
            (CategoryTriple{"", "x", "p"}));
  EXPECT_EQ(BatchComboStartText(""), kUnchanged);
  EXPECT_EQ(BatchComboStartText("x"), "x");
}

TEST_F(BatchCategoryChangeTest, AClearedComboMeansOther) {
  EXPECT_EQ(ChosenBatchNames({"", kUnchanged, "n"}),
            (CategoryTriple{std::string(kOtherCategoryName), kUnchanged, "n"}));
}

TEST_F(BatchCategoryChangeTest, NewNamesMakeOneTriplePerDistinctCombination) {
  int32_t a = AddSavedEntry("a.pdf", "A", "x", "p");
  int32_t b = AddSavedEntry("b.pdf", "B", "x", "p");
  int32_t c = AddSavedEntry("c.pdf", "A", "y", "p");
  ASSERT_EQ(ChangeCategories(*doc_, {a, b, c}, {kUnchanged, "new", kUnchanged}), 0);
  // The category lists offer the new name at once.
  EXPECT_EQ(doc_->level_names(2), (Strings{"new", "x", "y", Sjis("その他")}));
  auto reloaded = Reload();
  EXPECT_EQ(Utf8(EntryById(*reloaded, a).CategoryName(2)), "new");
  EXPECT_EQ(EntryById(*reloaded, b).CategoryName(1), "B");
  EXPECT_EQ(Triples(*reloaded),
            (Strings{"その他/その他/その他", "A/x/p", "B/x/p", "A/y/p", "A/new/p", "B/new/p"}));
}

TEST_F(BatchCategoryChangeTest, AllUnchangedStillStampsEveryEntryAndSaves) {
  int32_t a = AddSavedEntry("a.pdf", "A", "x", "p");
  int32_t b = AddSavedEntry("b.pdf", "A", "x", "q");
  fake_.AdvanceMs(60000);
  ASSERT_EQ(ChangeCategories(*doc_, {a, b}, {kUnchanged, kUnchanged, kUnchanged}), 0);
  auto reloaded = Reload();
  EXPECT_EQ(Triples(*reloaded).size(), 3u);
  EXPECT_EQ(EntryById(*reloaded, a).update_date.Text(), "20240506070909012");
  EXPECT_EQ(EntryById(*reloaded, b).update_date.Text(), "20240506070909012");
}

TEST_F(BatchCategoryChangeTest, UnknownIdsAreSkipped) {
  int32_t a = AddSavedEntry("a.pdf", "A", "x", "p");
  ASSERT_EQ(ChangeCategories(*doc_, {a + 100, a}, {"Z", kUnchanged, kUnchanged}), 0);
  EXPECT_EQ(Reload()->entries().Count(), 1);
  EXPECT_EQ(EntryById(*Reload(), a).CategoryName(1), "Z");
}

TEST_F(BatchCategoryChangeTest, TheAllItemIsRefusedAtEveryLevelAndNothingChanges) {
  int32_t a = AddSavedEntry("a.pdf", "A", "x", "p");
  const std::string all(kAllCategoriesName);
  const std::string before = fake_.ReadFileBytes(kCatalogPath);
  struct Row {
    CategoryTriple chosen;
    bool refused;
  } rows[] = {
      {{all, kUnchanged, kUnchanged}, true},
      {{kUnchanged, all, kUnchanged}, true},
      {{"n", "m", all}, true},
      {{all + "x", kUnchanged, "x" + all}, false},  // only the name itself is the all item
      {{kUnchanged, kUnchanged, kUnchanged}, false},
  };
  for (const Row& row : rows) {
    const std::string warning = CheckBatchNames(row.chosen);
    EXPECT_EQ(Utf8(warning), row.refused ? "”＜すべて＞”は追加できません。" : "");
    if (!row.refused) continue;
    fake_.AdvanceMs(1000);
    EXPECT_EQ(ChangeCategories(*doc_, {a}, row.chosen), kBatchNamesRefused);
    EXPECT_TRUE(fake_.ReadFileBytes(kCatalogPath) == before);
    EXPECT_EQ(Utf8(EntryById(*doc_, a).CategoryName(1)), "A") << "nothing changed in memory";
    EXPECT_EQ(doc_->categories().Count(), 2);
  }
}

class EntryEditTest : public CatalogTest {};

TEST_F(EntryEditTest, GivenFieldsChangeAndTheOthersStay) {
  int32_t id = AddSavedEntry("a.pdf", "A", "x", "p");
  EntryEdit edit;
  edit.title = Sjis("題名");
  edit.rating = 3;
  edit.translator = "T";
  edit.note = "line1\nline2";
  fake_.AdvanceMs(1000);
  ASSERT_EQ(EditEntry(*doc_, id, edit), 0);
  EntryRecord e = EntryById(*Reload(), id);
  EXPECT_EQ(Utf8(e.title.Text()), "題名");
  EXPECT_EQ(e.my_rate, 3);
  EXPECT_EQ(e.translator_name.Text(), "T");
  EXPECT_EQ(e.note.Text(), "line1\nline2");
  EXPECT_EQ(e.file_name.Text(), "a.pdf");
  EXPECT_EQ(e.author_name.Text(), "");
  EXPECT_EQ(e.update_date.Text(), "20240506070810011");
}

TEST_F(EntryEditTest, TextsAreCutAtThePropertyWindowsLimits) {
  int32_t id = AddSavedEntry("a.pdf");
  EntryEdit edit;
  edit.title = std::string(200, 't');
  edit.author = "a" + std::string(70, ' ') + Sjis(std::string(40, 'x').replace(0, 3, "漢"));
  edit.note = std::string(300, 'n');
  ASSERT_EQ(EditEntry(*doc_, id, edit), 0);
  EntryRecord e = EntryById(*Reload(), id);
  // The window keeps 127 bytes (255 for the note); the field then holds 126 characters
  // (254 for the note).
  EXPECT_EQ(e.title.Text(), std::string(126, 't'));
  EXPECT_EQ(e.note.Text(), std::string(254, 'n'));
  EXPECT_LE(e.author_name.Text().size(), 127u);
  EXPECT_TRUE(e.author_name.Text().starts_with("a "));
}

TEST(EntryFieldFitTest, TextFitsWhenTheLimitAndTheFieldBothHoldIt) {
  EXPECT_TRUE(FitsEntryField(std::string(126, 'a'), kTitleMaxBytes, 256));
  EXPECT_FALSE(FitsEntryField(std::string(127, 'a'), kTitleMaxBytes, 256));
  std::string wide;
  for (int i = 0; i < 63; ++i) wide += Sjis("漢");
  EXPECT_TRUE(FitsEntryField(wide, kTitleMaxBytes, 256));
  EXPECT_FALSE(FitsEntryField(wide + Sjis("漢"), kTitleMaxBytes, 256));
  EXPECT_TRUE(FitsEntryField(std::string(254, 'n'), kNoteMaxBytes, 512));
  EXPECT_FALSE(FitsEntryField(std::string(255, 'n'), kNoteMaxBytes, 512));
}

TEST_F(EntryEditTest, AnUnknownIdChangesNothing) {
  AddSavedEntry("a.pdf");
  std::string before = fake_.ReadFileBytes(kCatalogPath);
  EntryEdit edit;
  edit.title = "x";
  EXPECT_EQ(EditEntry(*doc_, 999, edit), kEditNoSuchEntry);
  EXPECT_EQ(fake_.ReadFileBytes(kCatalogPath), before);
}

TEST_F(EntryEditTest, AMissingTripleOfTheEntryIsAdded) {
  int32_t id = AddSavedEntry("a.pdf", "A", "B", "C");
  doc_->categories().Clear();
  ASSERT_EQ(EditEntry(*doc_, id, EntryEdit{}), 0);
  EXPECT_EQ(Triples(*Reload()), (Strings{"A/B/C"}));
}

TEST_F(EntryEditTest, CategoryNamesAreCutOnACharacterAndAnEmptyNameIsOther) {
  int32_t id = AddSavedEntry("a.pdf", "A", "B", "C");
  std::string kanji63;
  for (int i = 0; i < 63; ++i) kanji63 += Sjis("漢");
  EntryEdit edit;
  edit.categories[0] = "";
  edit.categories[1] = "a" + kanji63 + Sjis("漢");  // 129 bytes: the last character goes
  edit.categories[2] = kanji63 + Sjis("漢");        // 128 bytes: the last character goes
  ASSERT_EQ(EditEntry(*doc_, id, edit), 0);
  auto reloaded = Reload();
  EntryRecord e = EntryById(*reloaded, id);
  EXPECT_EQ(Utf8(e.CategoryName(1)), "その他");
  EXPECT_EQ(e.CategoryName(2), "a" + kanji63);
  EXPECT_EQ(e.CategoryName(3), kanji63);
  // The new triple is a category of its own, and the lists of level names know it.
  EXPECT_TRUE(reloaded->CategoryExists(e.CategoryName(1), e.CategoryName(2), e.CategoryName(3)));
  std::vector<std::string> level2;
  doc_->ListLevelNames(2, &level2);
  EXPECT_NE(std::find(level2.begin(), level2.end(), "a" + kanji63), level2.end());
}

TEST_F(EntryEditTest, AnExistingTripleIsNotAddedAgain) {
  int32_t id = AddSavedEntry("a.pdf", "A", "B", "C");
  AddSavedEntry("b.pdf", "X", "Y", "Z");
  const size_t before = Triples(*Reload()).size();
  EntryEdit edit;
  edit.categories = {"X", "Y", "Z"};
  ASSERT_EQ(EditEntry(*doc_, id, edit), 0);
  EXPECT_EQ(Triples(*Reload()).size(), before);
  EXPECT_EQ(EntryById(*Reload(), id).CategoryName(3), "Z");
}

class DeleteEntriesTest : public CatalogTest {};

TEST_F(DeleteEntriesTest, EntriesAndLinksGoTheBytesStay) {
  int32_t a = AddSavedEntry("a.pdf");
  int32_t b = AddSavedEntry("b.pdf");
  int32_t c = AddSavedEntry("c.pdf");
  size_t size_before = fake_.ReadFileBytes(kCatalogPath).size();
  ASSERT_EQ(DeleteEntries(*doc_, {a, c}), 0);
  auto reloaded = Reload();
  ASSERT_EQ(reloaded->entries().Count(), 1);
  EXPECT_EQ(EntryAt(reloaded->entries(), 0).id, b);
  ASSERT_EQ(reloaded->attachments().Count(), 1);
  EXPECT_EQ(AttachmentAt(reloaded->attachments(), 0).entry_id, b);
  EXPECT_EQ(reloaded->AttachmentOrdinal(b), 1);
  EXPECT_GE(fake_.ReadFileBytes(kCatalogPath).size(), size_before);
  // Ids are never reused, and the next attachment counts the orphaned bytes too.
  int32_t d = AddSavedEntry("d.pdf");
  EXPECT_EQ(d, c + 1);
  EXPECT_EQ(doc_->AttachmentOrdinal(d), 3);
}

TEST_F(DeleteEntriesTest, AFailedSaveIsReported) {
  int32_t a = AddSavedEntry("a.pdf");
  fake_.FailWriteAfter(1, /*sticky=*/true);
  EXPECT_NE(DeleteEntries(*doc_, {a}), 0);
}

}  // namespace
}  // namespace veldra::commands
