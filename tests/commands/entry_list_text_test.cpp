#include "commands/entry_list_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "tests/commands/catalog_fixture.h"

namespace veldra::commands {
namespace {

using testing::Sjis;

// --- The cells of one entry -------------------------------------------------------------

TEST(EntryListCellsTest, EveryColumnShowsItsOwnField) {
  EntryRecord e;
  e.title.SetText("title");
  e.file_name.SetText("file.pdf");
  e.category_names[0].SetText("c1");
  e.category_names[1].SetText("c2");
  e.category_names[2].SetText("c3");
  e.file_size = 2048;
  e.update_date.bytes = {'2', '0', '2', '4', '0', '5', '0', '6', '0', '7', '0', '8', '0', '9'};
  e.my_rate = 2;
  e.author_name.SetText("author");
  e.editor_name.SetText("editor");
  e.supervisor_name.SetText("supervisor");
  e.translator_name.SetText("translator");
  e.publisher_name.SetText("publisher");
  e.note.SetText("note");
  const std::vector<std::string> expected = {
      "title", "file.pdf", "c1", "c2", "c3", "2.0 KB", "2024/05/06 07:08", "\x81\x99\x81\x99",
      "author", "editor", "supervisor", "translator", "publisher", "note"};
  EXPECT_EQ(EntryListCells(e), expected);
  for (int c = 0; c < kEntryColumnCount; ++c) EXPECT_EQ(EntryCellText(e, c), expected[c]) << c;
  EXPECT_EQ(EntryCellText(e, -1), "");
  EXPECT_EQ(EntryCellText(e, kEntryColumnCount), "");
}

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

TEST(EntryListCellsTest, TextsAreCutToTheCellBuffersOnACharacterBoundary) {
  // Two bytes a character: 127 bytes hold 63 characters, 255 bytes 127.
  const std::string a = Sjis("あ");
  EntryRecord e;
  e.title.SetText(Repeat(a, 100));
  e.author_name.SetText(Repeat(a, 63) + "x" + a);
  e.note.SetText(Repeat(a, 200));
  const std::vector<std::string> cells = EntryListCells(e);
  EXPECT_EQ(cells[static_cast<int>(EntryColumn::kTitle)], Repeat(a, 63));
  EXPECT_EQ(cells[static_cast<int>(EntryColumn::kAuthor)], Repeat(a, 63) + "x");
  EXPECT_EQ(cells[static_cast<int>(EntryColumn::kNote)], Repeat(a, 127));
}

// --- Display texts ----------------------------------------------------------------------


TEST(FormatFileSizeTest, SwitchesToMegabytesAtOneMebibyte) {
  EXPECT_EQ(FormatFileSize(1048576), "1.0 MB");
  EXPECT_EQ(FormatFileSize(1048575), "1024.0 KB");
  EXPECT_EQ(FormatFileSize(512), "0.5 KB");
  EXPECT_EQ(FormatFileSize(0), "0.0 KB");
  EXPECT_EQ(FormatFileSize(-1), "-0.0 KB");
  EXPECT_EQ(FormatFileSize(INT_MAX), "2048.0 MB");
  EXPECT_EQ(FormatFileSize(INT_MIN), "-2097152.0 KB");
}

TEST(FormatShortDateTest, ShowsYearToMinute) {
  EXPECT_EQ(FormatShortDate("20240506070809010"), "2024/05/06 07:08");
  EXPECT_EQ(FormatShortDate("abcdefghijklmnopq"), "abcd/ef/gh ij:kl") << "copied as is";
}

TEST(FormatShortDateTest, AnAllZeroTimestampShowsNothing) {
  const char zero[18] = {};
  EXPECT_EQ(FormatShortDate(zero), "");
  EXPECT_EQ(FormatShortDate(nullptr), "");
  const char year_only[18] = {'2', '0', '2', '4'};
  EXPECT_EQ(FormatShortDate(year_only), "2024/") << "the text ends at the first NUL";
}

TEST(FormatRatingStarsTest, OneToFiveWhiteStars) {
  EXPECT_EQ(FormatRatingStars(1), "\x81\x99");
  EXPECT_EQ(FormatRatingStars(3), Sjis("☆☆☆"));
  EXPECT_EQ(FormatRatingStars(5), Sjis("☆☆☆☆☆"));
}

TEST(FormatRatingStarsTest, OutOfRangeRatingsShowNothing) {
  for (int rating : {0, 6, -1, 32767, -32768}) {
    EXPECT_EQ(FormatRatingStars(rating), "") << rating;
  }
}

}  // namespace
}  // namespace veldra::commands
