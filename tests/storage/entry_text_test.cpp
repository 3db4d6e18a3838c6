// The entry text record (.vdb): the bytes the writer produces, and how the reader takes
// values apart, drops what does not fit and fills the catalog's counters and categories.
#include "storage/entry_text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>

#include "storage/catalog_document.h"
#include "storage/catalog_tags.h"
#include "tests/storage/catalog_test_support.h"
#include "tests/support/test_text.h"

namespace veldra {
namespace {

using testing::FakeCatalogEnvironment;

constexpr char kCatalogPath[] = "/cat/c.vdc";
constexpr char kCompanion[] = "/out/a.vdb";

CatalogTimestamp Stamp(const char* digits) {
  CatalogTimestamp stamp;
  std::memcpy(stamp.bytes.data(), digits, std::strlen(digits));
  return stamp;
}

// Every field set, Japanese text in every text field, a note of three lines.
EntryRecord FullEntry() {
  EntryRecord e;
  e.id = 41;
  e.file_name.SetText(Sjis("報告書.pdf"));
  e.title.SetText(Sjis("年次報告書　第２版"));
  e.file_create_date = Stamp("20230102030405006");
  e.SetCategoryName(1, Sjis("仕事"));
  e.SetCategoryName(2, Sjis("報告"));
  e.SetCategoryName(3, Sjis("二〇二三年"));
  e.note.SetText(Sjis("一行目\n二行目：メモ\n三行目"));
  e.my_rate = 4;
  e.co_id = -12;
  e.create_date = Stamp("20240305070809010");
  e.update_date = Stamp("20240306070809010");
  e.last_view_date = Stamp("20240307070809010");
  e.last_use_date = Stamp("20240308070809010");
  e.window_position = {10, -20, 300, 400};
  e.window_z_index = 3;
  e.focus_item = 1001;
  e.detail_toggle = 1;
  e.scroll_position = 55;
  e.caret_position = -7;
  e.selection_start = 2;
  e.selection_end = 9;
  e.author_name.SetText(Sjis("山田太郎"));
  e.editor_name.SetText(Sjis("鈴木花子"));
  e.supervisor_name.SetText(Sjis("佐藤一郎"));
  e.publisher_name.SetText(Sjis("技術出版社"));
  e.translator_name.SetText(Sjis("田中次郎"));
  e.dlg_focus_tab = 1;
  e.dlg_focus_item = 1017;
  e.file_size = 123456;
  e.file_path.SetText(Sjis("/文書/報告書.pdf"));
  e.os.SetText(Sjis("Debian GNU/Linux 12 (bookworm) 日本語"));
  e.machine_name.SetText(Sjis("開発機"));
  e.pdf_window_position = {-5, 0, 700, 800};
  e.entry_window_ordered_index = 2;
  e.pdf_window_ordered_index = 5;
  e.is_select_entrylist = 1;
  return e;
}

// Replaces the value of key (up to the line feed before the next key, so all lines of a
// note) by value.
std::string WithValue(std::string text, const std::string& key, const std::string& value) {
  const size_t line = text.find("\n" + key + " ");
  EXPECT_NE(line, std::string::npos) << key;
  const size_t start = line + key.size() + 2;
  text.replace(start, text.find("\n[", start) - start, value);
  return text;
}

// The text up to and including the line of key.
std::string EndingAfter(const std::string& text, const std::string& key) {
  const size_t line = text.find("\n" + key + " ");
  EXPECT_NE(line, std::string::npos) << key;
  return text.substr(0, text.find('\n', line + 1) + 1);
}

class EntryTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake().AddFolder("/cat");
    fake().AddFolder("/out");
    catalog_.OpenCatalog(kCatalogPath);
  }

  platform::FakePlatform& fake() { return env_.fake(); }

  // The companion text of FullEntry as the writer makes it (UTF-8).
  std::string WrittenFullEntry() {
    EXPECT_TRUE(WriteEntryText(FullEntry(), kCompanion));
    return fake().ReadFileBytes(kCompanion);
  }

  // Reads UTF-8 text as a companion file.
  EntryRecord ReadText(const std::string& text) {
    fake().WriteFileBytes(kCompanion, text);
    EntryRecord e;
    EXPECT_TRUE(ReadEntryText(&e, kCompanion, catalog_));
    return e;
  }

  FakeCatalogEnvironment env_;
  CVeldraDocument catalog_;
};

// --- Writing

TEST_F(EntryTextTest, WritesEveryKeyInOrderAfterAnEmptyLine) {
  EntryRecord e;
  e.id = 7;
  e.file_name.SetText("a.pdf");
  e.title.SetText(Sjis("報告書"));
  e.file_create_date = Stamp("20240101120000000");
  e.SetCategoryName(1, Sjis("分類"));
  e.SetCategoryName(3, Sjis("その他"));
  e.my_rate = 3;
  e.co_id = -1;
  e.create_date = Stamp("20240305070809010");
  e.window_position = {1, 2, 3, 4};
  e.window_z_index = -2;
  e.focus_item = 5;
  e.detail_toggle = 2;
  e.scroll_position = 6;
  e.caret_position = 7;
  e.selection_start = 8;
  e.selection_end = 9;
  e.author_name.SetText(Sjis("著者"));
  e.dlg_focus_tab = 1;
  e.dlg_focus_item = 2;
  e.file_size = -1;
  e.file_path.SetText("/d/a.pdf");
  e.os.SetText("Debian");
  e.machine_name.SetText("HOST");
  e.pdf_window_position = {-1, 0, 100, 200};
  e.entry_window_ordered_index = 3;
  e.pdf_window_ordered_index = -4;
  e.is_select_entrylist = 9;
  ASSERT_TRUE(WriteEntryText(e, kCompanion));

  EXPECT_EQ(fake().ReadFileBytes(kCompanion),
            "\n"
            "[vdc_version] 0090\n"
            "[en_id] 7\n"
            "[en_file_name] a.pdf\n"
            "[en_title] 報告書\n"
            "[en_file_create_date] 20240101120000000\n"
            "[en_c1_name] 分類\n"
            "[en_c2_name] \n"
            "[en_c3_name] その他\n"
            "[en_note] \n"
            "[en_my_rate] 3\n"
            "[en_co_id] -1\n"
            "[en_create_date] 20240305070809010\n"
            "[en_update_date] \n"
            "[en_last_view_date] \n"
            "[en_last_use_date] \n"
            "[en_window_position] 1,2,3,4\n"
            "[en_window_z_index] -2\n"
            "[en_focus_item] 5\n"
            "[en_detail_toggle] 1\n"
            "[en_scroll_position] 6\n"
            "[en_caret_position] 7\n"
            "[en_selection_start] 8\n"
            "[en_selection_end] 9\n"
            "[en_author_name] 著者\n"
            "[en_editor_name] \n"
            "[en_supervisor_name] \n"
            "[en_publisher_name] \n"
            "[en_translator_name] \n"
            "[en_dlg_focus_tab] 1\n"
            "[en_dlg_focus_item] 2\n"
            "[en_file_size] -1\n"
            "[en_file_path] /d/a.pdf\n"
            "[en_os] Debian\n"
            "[en_machine_name] HOST\n"
            "[en_pdf_window_position] -1,0,100,200\n"
            "[en_entry_window_ordered_index] 3\n"
            "[en_pdf_window_ordered_index] -4\n"
            "[en_is_select_entrylist] 1\n");
}

TEST_F(EntryTextTest, WrittenNoteKeepsItsLineBreaksInsideTheValue) {
  const std::string text = WrittenFullEntry();
  EXPECT_NE(text.find("\n[en_note] 一行目\n二行目：メモ\n三行目\n[en_my_rate] 4\n"),
            std::string::npos);
  EXPECT_EQ(text.find('\r'), std::string::npos);
}

std::string Repeated(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

TEST_F(EntryTextTest, WrittenTextsAreCutToTheirBuffers) {
  EntryRecord e;
  e.note.SetText(Sjis(Repeated("あ", 200)));   // 400 bytes; the buffer takes 255
  e.os.SetText(Sjis(Repeated("あ", 60)));      // 120 bytes; the buffer takes 63
  e.title.SetText(Sjis(Repeated("あ", 100)));  // 200 bytes; the buffer takes 127
  e.file_path.SetText(Sjis(Repeated("あ", 300)));  // 600 bytes; the buffer takes 511
  ASSERT_TRUE(WriteEntryText(e, kCompanion));
  const std::string text = fake().ReadFileBytes(kCompanion);

  EXPECT_NE(text.find("\n[en_note] " + Repeated("あ", 127) + "\n[en_my_rate] "), std::string::npos);
  EXPECT_NE(text.find("\n[en_os] " + Repeated("あ", 31) + "\n"), std::string::npos);
  EXPECT_NE(text.find("\n[en_title] " + Repeated("あ", 63) + "\n"), std::string::npos);
  EXPECT_NE(text.find("\n[en_file_path] " + Repeated("あ", 255) + "\n"), std::string::npos);
}

TEST_F(EntryTextTest, WriteReplacesAnExistingFile) {
  ASSERT_TRUE(WriteEntryText(EntryRecord(), "/out/fresh.vdb"));
  fake().WriteFileBytes(kCompanion, std::string(10000, 'Q'));
  ASSERT_TRUE(WriteEntryText(EntryRecord(), kCompanion));
  EXPECT_EQ(fake().ReadFileBytes(kCompanion), fake().ReadFileBytes("/out/fresh.vdb"));
}

TEST_F(EntryTextTest, WriteFailsWhenTheFileCannotBeCreated) {
  EXPECT_FALSE(WriteEntryText(FullEntry(), "/missing/a.vdb"));
  EXPECT_FALSE(fake().FileExists("/missing/a.vdb"));
}

TEST_F(EntryTextTest, FailedWriteIsReportedAndLeavesNoFile) {
  fake().FailWriteAfter(1);
  EXPECT_FALSE(WriteEntryText(FullEntry(), kCompanion));
  EXPECT_FALSE(fake().FileExists(kCompanion));
}

TEST_F(EntryTextTest, TornWriteIsReportedAndLeavesNoFile) {
  fake().TearWriteAfter(1, 40);
  EXPECT_FALSE(WriteEntryText(FullEntry(), kCompanion));
  EXPECT_FALSE(fake().FileExists(kCompanion));
}

// --- Round trip

TEST_F(EntryTextTest, RoundTripKeepsEveryFieldButTheId) {
  const EntryRecord original = FullEntry();
  ASSERT_TRUE(WriteEntryText(original, kCompanion));
  const int categories_before = catalog_.categories().Count();

  EntryRecord read;
  ASSERT_TRUE(ReadEntryText(&read, kCompanion, catalog_));

  EXPECT_EQ(read.id, 0) << "the first entry id of a new catalog";
  EXPECT_EQ(read.note.Text(), Sjis("一行目\n二行目：メモ\n三行目"));
  EXPECT_EQ(read.title.Text(), Sjis("年次報告書　第２版"));
  EXPECT_EQ(read.os.Text(), Sjis("Debian GNU/Linux 12 (bookworm) 日本語"));
  EXPECT_EQ(read.window_position, original.window_position);
  EXPECT_EQ(read.pdf_window_position, original.pdf_window_position);
  read.id = original.id;
  EXPECT_TRUE(read == original);

  EXPECT_EQ(catalog_.categories().Count(), categories_before + 1);
  EXPECT_TRUE(catalog_.CategoryExists(Sjis("仕事"), Sjis("報告"), Sjis("二〇二三年")));
}

TEST_F(EntryTextTest, ParseTakesTheFieldsOfTheTextAndTouchesNothingElse) {
  const std::string text = WithValue(WrittenFullEntry(), "[en_id]", "777");
  fake().ResetCounters();
  const int categories_before = catalog_.categories().Count();
  EntryRecord parsed;
  ParseEntryText(text, &parsed);
  EXPECT_EQ(parsed.id, 777) << "the id as the text has it";
  EXPECT_EQ(fake().OpenCount(), 0);
  EXPECT_EQ(catalog_.categories().Count(), categories_before);
  parsed.id = FullEntry().id;
  EXPECT_TRUE(parsed == FullEntry());
}

TEST(ParseEntryTextTest, TextsThatEndInsideAKeyLineGiveTheEntryOfNoKeys) {
  EntryRecord no_keys;
  ParseEntryText("no keys", &no_keys);
  EXPECT_EQ(no_keys.title.Text(), "");
  // Each ends where a careless reader would run past the end of the text.
  const std::string rows[] = {
      "", "\n", "\n[en_title]", "\n[en_title] ", "\n[en_c1_name] ", "\n[en_file_path] ",
      "\n[en_is_select_entrylist] ", "\n[en_os] \n[en_machine_name] ", std::string(1, '\0'),
      "\n[en_id] " + std::string(1, '\0') + "5\n[en_file_name] a\n"};
  for (const std::string& text : rows) {
    EntryRecord parsed;
    ParseEntryText(text, &parsed);
    EXPECT_TRUE(parsed == no_keys) << text;
  }
}

TEST_F(EntryTextTest, ReadingTheSameCompanionTwiceGivesNewIdsAndOneCategory) {
  ASSERT_TRUE(WriteEntryText(FullEntry(), kCompanion));
  const int categories_before = catalog_.categories().Count();
  EntryRecord first;
  EntryRecord second;
  ASSERT_TRUE(ReadEntryText(&first, kCompanion, catalog_));
  ASSERT_TRUE(ReadEntryText(&second, kCompanion, catalog_));
  EXPECT_EQ(first.id, 0);
  EXPECT_EQ(second.id, 1);
  EXPECT_EQ(catalog_.categories().Count(), categories_before + 1);
}

TEST_F(EntryTextTest, IdInTheFileIsNeverKept) {
  const std::string text = WithValue(WrittenFullEntry(), "[en_id]", "777");
  EXPECT_EQ(ReadText(text).id, 0);
  EXPECT_EQ(ReadText(text).id, 1);
}

TEST_F(EntryTextTest, ExistingCategoryIsNotAddedAgain) {
  std::string text = WithValue(WrittenFullEntry(), "[en_c1_name]", "その他");
  text = WithValue(text, "[en_c2_name]", "その他");
  text = WithValue(text, "[en_c3_name]", "その他");
  const int before = catalog_.categories().Count();
  EntryRecord e = ReadText(text);
  EXPECT_EQ(e.CategoryName(1), Sjis("その他"));
  EXPECT_EQ(catalog_.categories().Count(), before);
}

// Every line feed of text preceded by a carriage return.
std::string WithCrLf(const std::string& text) {
  std::string out;
  for (const char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

TEST_F(EntryTextTest, CrLfFileGivesTheEntryOfTheLfFile) {
  const std::string full = WrittenFullEntry();
  struct Row {
    const char* what;
    std::string lf_text;
    std::string note;  // the note the LF text gives (UTF-8)
  };
  const Row rows[] = {
      {"every field, a note of three lines", full, "一行目\n二行目：メモ\n三行目"},
      {"lone CRs inside the note stay", WithValue(full, "[en_note]", "a\rb\n\rc"),
       "a\rb\n\rc"},
      {"empty lines after the last", full + "\n\n", "一行目\n二行目：メモ\n三行目"},
  };
  for (const Row& row : rows) {
    EntryRecord lf;
    EntryRecord crlf;
    ParseEntryText(row.lf_text, &lf);
    ParseEntryText(WithCrLf(row.lf_text), &crlf);
    EXPECT_EQ(lf.note.Text(), Sjis(row.note)) << row.what;
    EXPECT_EQ(crlf.title.Text(), Sjis("年次報告書　第２版")) << row.what;
    EXPECT_EQ(crlf.is_select_entrylist, 1) << row.what;
    EXPECT_TRUE(crlf == lf) << row.what;
  }

  const int before = catalog_.categories().Count();
  EXPECT_EQ(ReadText(WithCrLf(full)).CategoryName(3), Sjis("二〇二三年"));
  EXPECT_EQ(catalog_.categories().Count(), before + 1);
  EXPECT_TRUE(catalog_.CategoryExists(Sjis("仕事"), Sjis("報告"), Sjis("二〇二三年")));
}

TEST_F(EntryTextTest, AllItemAsACategoryNameIsReadAsOther) {
  const char* const keys[] = {"[en_c1_name]", "[en_c2_name]", "[en_c3_name]"};
  const std::string written[] = {Sjis("仕事"), Sjis("報告"), Sjis("二〇二三年")};
  for (int level = 1; level <= 3; ++level) {
    const EntryRecord e = ReadText(WithValue(WrittenFullEntry(), keys[level - 1], "＜すべて＞"));
    std::string expected[3] = {written[0], written[1], written[2]};
    expected[level - 1] = Sjis("その他");
    for (int l = 1; l <= 3; ++l) EXPECT_EQ(e.CategoryName(l), expected[l - 1]) << level;
    EXPECT_TRUE(catalog_.CategoryExists(expected[0], expected[1], expected[2])) << level;
  }
  // Only the name as a whole stands for all.
  EXPECT_EQ(ReadText(WithValue(WrittenFullEntry(), "[en_c1_name]", "＜すべて＞２")).CategoryName(1),
            Sjis("＜すべて＞２"));
}

// --- Reading: failures and empty files

TEST_F(EntryTextTest, MissingFileIsFalseAndTouchesNothing) {
  EntryRecord e;
  e.my_rate = 5;
  const int categories = catalog_.categories().Count();
  const int counters = catalog_.counters().Count();
  EXPECT_FALSE(ReadEntryText(&e, "/out/none.vdb", catalog_));
  ASSERT_TRUE(WriteEntryText(FullEntry(), kCompanion));
  fake().FailOpen(kCompanion);
  EXPECT_FALSE(ReadEntryText(&e, kCompanion, catalog_));
  EXPECT_EQ(e.my_rate, 5);
  EXPECT_EQ(catalog_.categories().Count(), categories);
  EXPECT_EQ(catalog_.counters().Count(), counters);
}

TEST_F(EntryTextTest, FileOverOneMebibyteIsRefused) {
  const std::string text = WrittenFullEntry();
  fake().WriteFileBytes(kCompanion, text + std::string(kMaxEntryTextFileSize - text.size() + 1, '\n'));
  EntryRecord e;
  const int counters = catalog_.counters().Count();
  EXPECT_FALSE(ReadEntryText(&e, kCompanion, catalog_));
  EXPECT_TRUE(e == EntryRecord());
  EXPECT_EQ(catalog_.counters().Count(), counters);

  fake().WriteFileBytes(kCompanion, text + std::string(kMaxEntryTextFileSize - text.size(), '\n'));
  ASSERT_TRUE(ReadEntryText(&e, kCompanion, catalog_));
  EXPECT_EQ(e.my_rate, 4) << "a file of exactly the limit is still read";
}

TEST_F(EntryTextTest, FileWithoutKeysGivesAnEmptyEntryAndAnEmptyCategory) {
  const int before = catalog_.categories().Count();
  EntryRecord e = ReadText("just some text\nwithout keys\n");
  EXPECT_EQ(e.id, 0);
  EXPECT_EQ(e.title.Text(), "");
  EXPECT_EQ(e.my_rate, 0);
  EXPECT_TRUE(e.create_date.empty());
  EXPECT_TRUE(e.file_path == TextField<1024>()) << "tail fields stay untouched";
  EXPECT_EQ(catalog_.categories().Count(), before + 1);
  EXPECT_TRUE(catalog_.CategoryExists("", "", ""));

  ReadText("");
  EXPECT_EQ(catalog_.categories().Count(), before + 1) << "the empty triple exists now";
}

// --- Reading: where values start and end

TEST_F(EntryTextTest, KeyOnTheFirstLineWithoutLeadingLineFeedIsNotFound) {
  const std::string text = WrittenFullEntry();
  EntryRecord e = ReadText(text.substr(text.find("[en_file_name]")));
  EXPECT_EQ(e.file_name.Text(), "") << "a key needs a line feed before it";
  EXPECT_EQ(e.title.Text(), Sjis("年次報告書　第２版"));
}

// Every text key is read into a buffer of its own size: a value one byte shorter is kept,
// a value that fills the buffer (no room for its NUL) is dropped.
struct LimitRow {
  const char* key;
  int limit;
  bool tail;  // a tail key: dropping it leaves the tail values after it empty
  std::string (*field)(const EntryRecord&);
};

void PrintTo(const LimitRow& row, std::ostream* os) { *os << row.key; }

const LimitRow kLimitRows[] = {
    {"[en_file_name]", 128, false, [](const EntryRecord& e) { return e.file_name.Text(); }},
    {"[en_title]", 128, false, [](const EntryRecord& e) { return e.title.Text(); }},
    {"[en_c1_name]", 128, false, [](const EntryRecord& e) { return e.CategoryName(1); }},
    {"[en_c2_name]", 128, false, [](const EntryRecord& e) { return e.CategoryName(2); }},
    {"[en_c3_name]", 128, false, [](const EntryRecord& e) { return e.CategoryName(3); }},
    {"[en_note]", 256, false, [](const EntryRecord& e) { return e.note.Text(); }},
    {"[en_author_name]", 128, false, [](const EntryRecord& e) { return e.author_name.Text(); }},
    {"[en_editor_name]", 128, false, [](const EntryRecord& e) { return e.editor_name.Text(); }},
    {"[en_supervisor_name]", 128, false,
     [](const EntryRecord& e) { return e.supervisor_name.Text(); }},
    {"[en_publisher_name]", 128, false,
     [](const EntryRecord& e) { return e.publisher_name.Text(); }},
    {"[en_translator_name]", 128, false,
     [](const EntryRecord& e) { return e.translator_name.Text(); }},
    {"[en_file_path]", 512, true, [](const EntryRecord& e) { return e.file_path.Text(); }},
    {"[en_os]", 62, true, [](const EntryRecord& e) { return e.os.Text(); }},
    {"[en_machine_name]", 128, true, [](const EntryRecord& e) { return e.machine_name.Text(); }},
};

class EntryTextLimitTest : public EntryTextTest,
                           public ::testing::WithParamInterface<LimitRow> {};

TEST_P(EntryTextLimitTest, OneByteBelowTheLimitIsKeptAndTheLimitIsDropped) {
  const LimitRow& row = GetParam();
  // Double-byte characters, and one single byte when the length is odd.
  auto value_of = [](int bytes) { return Repeated("あ", bytes / 2) + (bytes % 2 ? "a" : ""); };
  const std::string below = value_of(row.limit - 1);
  const std::string at = value_of(row.limit);

  EXPECT_EQ(row.field(ReadText(WithValue(WrittenFullEntry(), row.key, below))), Sjis(below));
  const EntryRecord plain = ReadText(WrittenFullEntry());
  const EntryRecord dropped = ReadText(WithValue(WrittenFullEntry(), row.key, at));
  EXPECT_EQ(row.field(dropped), "");
  // Only that field is dropped, except that a dropped tail value takes the tail values after
  // it along (the rows are in key order).
  bool after = false;
  for (const LimitRow& other : kLimitRows) {
    if (std::string_view(other.key) == row.key) {
      after = true;
    } else if (row.tail && other.tail) {
      EXPECT_EQ(other.field(dropped), after ? "" : other.field(plain)) << other.key;
    } else {
      EXPECT_EQ(other.field(dropped), other.field(plain)) << other.key;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryTextKey, EntryTextLimitTest, ::testing::ValuesIn(kLimitRows),
                         [](const ::testing::TestParamInfo<LimitRow>& info) {
                           std::string name;
                           for (char c : std::string_view(info.param.key)) {
                             if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                           }
                           return name;
                         });

TEST_F(EntryTextTest, CarriageReturnsBeforeLineFeedsAreNotPartOfTextValues) {
  // Every line but the empty first one ends in CR LF: line ends may be mixed.
  std::string text = WrittenFullEntry();
  for (size_t at = text.find('\n', 1); at != std::string::npos; at = text.find('\n', at + 2)) {
    text.insert(at, "\r");
  }
  EntryRecord e = ReadText(text);
  EXPECT_EQ(e.title.Text(), Sjis("年次報告書　第２版"));
  EXPECT_EQ(e.author_name.Text(), Sjis("山田太郎"));
  EXPECT_EQ(e.my_rate, 4);
  EXPECT_EQ(e.file_path.Text(), Sjis("/文書/報告書.pdf"));
}

TEST_F(EntryTextTest, NoteMissingItsNextKeyIsEmptyButNamesRunToTheEnd) {
  // Without "[en_my_rate]" the note has no end and is taken as empty.
  std::string text = WrittenFullEntry();
  const size_t rate = text.find("\n[en_my_rate]");
  text.erase(rate, text.find('\n', rate + 1) - rate);
  EntryRecord e = ReadText(text);
  EXPECT_EQ(e.note.Text(), "");
  EXPECT_EQ(e.my_rate, 0);
  EXPECT_EQ(e.co_id, -12);

  // Without "[en_c3_name]" the level-2 name runs to the end of the text; it is stored even
  // though it spans lines, and the level-3 name is empty.
  e = ReadText("\n[en_c2_name] B\n[en_note] x\n\n\n");
  EXPECT_EQ(e.CategoryName(2), "B\n[en_note] x");
  EXPECT_EQ(e.CategoryName(3), "");

  // The level-3 name already counts among the keys whose value is empty then.
  e = ReadText("\n[en_c3_name] C\n[en_my_rate] 1\n");
  EXPECT_EQ(e.CategoryName(3), "");
  EXPECT_EQ(e.my_rate, 0);
}

TEST_F(EntryTextTest, FileSizeBeforeAMissingPathIsEmpty) {
  const std::string text = EndingAfter(WrittenFullEntry(), "[en_file_size]");
  EntryRecord e = ReadText(text);
  EXPECT_EQ(e.file_size, 0);
  EXPECT_EQ(e.dlg_focus_item, 1017);
}

TEST_F(EntryTextTest, KeysOutOfOrderGiveEmptyValues) {
  // The title's next key stands before it: the title has no bytes.
  EntryRecord e = ReadText("\n[en_file_create_date] 20240101000000000\n[en_title] late\n");
  EXPECT_EQ(e.title.Text(), "");
  EXPECT_EQ(e.file_create_date.Text(), "") << "its next key is missing";
}

TEST_F(EntryTextTest, InvalidUtf8IsDropped) {
  EntryRecord e = ReadText(WithValue(WrittenFullEntry(), "[en_author_name]", "\xff\xfe"));
  EXPECT_EQ(e.author_name.Text(), "");
  EXPECT_EQ(e.editor_name.Text(), Sjis("鈴木花子"));
}

TEST_F(EntryTextTest, TextUpToAnEmbeddedNulIsRead) {
  std::string text = WrittenFullEntry();
  text.insert(text.find("\n[en_author_name]"), std::string(1, '\0'));
  EntryRecord e = ReadText(text);
  EXPECT_EQ(e.selection_end, 0) << "its next key lies after the NUL";
  EXPECT_EQ(e.selection_start, 2);
  EXPECT_EQ(e.author_name.Text(), "");
}

// --- Reading: numbers

TEST_F(EntryTextTest, WindowPositionWithTwoValuesFillsTheRestWithZero) {
  EntryRecord e = ReadText(WithValue(WrittenFullEntry(), "[en_window_position]", "10,20"));
  EXPECT_EQ(e.window_position, (WindowRect{10, 20, 0, 0}));
}

TEST_F(EntryTextTest, WindowPositionPartsParseLikeAtoiAndAreCutTo16Bits) {
  EntryRecord e =
      ReadText(WithValue(WrittenFullEntry(), "[en_window_position]", " -3,,70000x,5,6"));
  EXPECT_EQ(e.window_position, (WindowRect{-3, 0, 4464, 5}));
  e = ReadText(WithValue(WrittenFullEntry(), "[en_pdf_window_position]", "1,-70000"));
  EXPECT_EQ(e.pdf_window_position, (WindowRect{1, -4464, 0, 0}));
}

// One number value read from an otherwise complete file.
struct NumberCase {
  const char* key;
  const char* value;
  int64_t (*field)(const EntryRecord&);
  int64_t expected;
};

TEST_F(EntryTextTest, NumbersParseLikeAtoiAndAreCutToTheirFields) {
  const auto rate = [](const EntryRecord& e) -> int64_t { return e.my_rate; };
  const auto co_id = [](const EntryRecord& e) -> int64_t { return e.co_id; };
  const auto size = [](const EntryRecord& e) -> int64_t { return e.file_size; };
  const auto toggle = [](const EntryRecord& e) -> int64_t { return e.detail_toggle; };
  const auto entry_order = [](const EntryRecord& e) -> int64_t {
    return e.entry_window_ordered_index;
  };
  const auto pdf_order = [](const EntryRecord& e) -> int64_t {
    return e.pdf_window_ordered_index;
  };
  const auto selected = [](const EntryRecord& e) -> int64_t { return e.is_select_entrylist; };
  const NumberCase cases[] = {
      {"[en_my_rate]", "70000", rate, 4464},
      {"[en_my_rate]", "-32769", rate, 32767},
      {"[en_my_rate]", "12345678", rate, 0},  // eight bytes do not fit the limit of 8
      {"[en_co_id]", " \t+42abc", co_id, 42},
      {"[en_co_id]", "-8-1", co_id, -8},
      {"[en_co_id]", "x5", co_id, 0},
      {"[en_co_id]", "", co_id, 0},
      {"[en_file_size]", "99999999999", size, 2147483647},
      {"[en_file_size]", "-99999999999", size, -2147483647 - 1},
      {"[en_detail_toggle]", "5", toggle, 1},
      {"[en_detail_toggle]", "-1", toggle, 1},
      {"[en_detail_toggle]", "0", toggle, 0},
      {"[en_entry_window_ordered_index]", "65537", entry_order, 1},
      {"[en_pdf_window_ordered_index]", "-65538", pdf_order, -2},
      {"[en_is_select_entrylist]", "258", selected, 2},
  };
  for (const NumberCase& c : cases) {
    EXPECT_EQ(c.field(ReadText(WithValue(WrittenFullEntry(), c.key, c.value))), c.expected)
        << c.key << " " << c.value;
  }
}

TEST_F(EntryTextTest, DatesAreCopiedAsTheyStand) {
  EntryRecord e = ReadText(WithValue(WrittenFullEntry(), "[en_last_use_date]", "2024"));
  EXPECT_EQ(e.last_use_date.Text(), "2024");
  e = ReadText(WithValue(WrittenFullEntry(), "[en_last_use_date]", "202401010000000001"));
  EXPECT_TRUE(e.last_use_date.empty()) << "18 digits do not fit the limit of 18";
}

// --- Reading: the tail keys

TEST_F(EntryTextTest, FileEndingAfterThePathLeavesTheLaterTailFieldsZero) {
  EntryRecord e = ReadText(EndingAfter(WrittenFullEntry(), "[en_file_path]"));
  EXPECT_EQ(e.file_path.Text(), Sjis("/文書/報告書.pdf"));
  EXPECT_EQ(e.file_size, 123456);
  EXPECT_TRUE(e.os == TextField<128>());
  EXPECT_TRUE(e.machine_name == TextField<256>());
  EXPECT_EQ(e.pdf_window_position, WindowRect());
  EXPECT_EQ(e.entry_window_ordered_index, 0);
  EXPECT_EQ(e.pdf_window_ordered_index, 0);
  EXPECT_EQ(e.is_select_entrylist, 0);
}

TEST_F(EntryTextTest, FileEndingAfterAnyTailKeyIsReadToThatKey) {
  const EntryRecord full = FullEntry();
  EntryRecord e = ReadText(EndingAfter(WrittenFullEntry(), "[en_pdf_window_position]"));
  EXPECT_EQ(e.machine_name.Text(), Sjis("開発機"));
  EXPECT_EQ(e.pdf_window_position, full.pdf_window_position);
  EXPECT_EQ(e.entry_window_ordered_index, 0);

  e = ReadText(EndingAfter(WrittenFullEntry(), "[en_pdf_window_ordered_index]") + "\n\n");
  EXPECT_EQ(e.pdf_window_ordered_index, 5) << "trailing empty lines are not part of the value";
  EXPECT_EQ(e.is_select_entrylist, 0);
}

TEST_F(EntryTextTest, EmptyOsLeavesTheLaterTailFieldsZero) {
  EntryRecord e = ReadText(WithValue(WrittenFullEntry(), "[en_os]", ""));
  EXPECT_EQ(e.file_path.Text(), Sjis("/文書/報告書.pdf"));
  EXPECT_TRUE(e.os == TextField<128>());
  EXPECT_TRUE(e.machine_name == TextField<256>());
  EXPECT_EQ(e.pdf_window_position, WindowRect());
  EXPECT_EQ(e.entry_window_ordered_index, 0);
  EXPECT_EQ(e.pdf_window_ordered_index, 0);
  EXPECT_EQ(e.is_select_entrylist, 0);
}

TEST_F(EntryTextTest, TooLongPathLeavesTheWholeTailZero) {
  EntryRecord e = ReadText(WithValue(WrittenFullEntry(), "[en_file_path]", std::string(512, 'p')));
  EXPECT_TRUE(e.file_path == TextField<1024>());
  EXPECT_TRUE(e.os == TextField<128>());
  EXPECT_EQ(e.is_select_entrylist, 0);
  EXPECT_EQ(e.file_size, 123456) << "keys before the tail are not affected";
}

TEST_F(EntryTextTest, MultiLineMachineNameIsRejectedWithWhatFollows) {
  EntryRecord e = ReadText(WithValue(WrittenFullEntry(), "[en_machine_name]", "a\nb"));
  EXPECT_EQ(e.os.Text(), Sjis("Debian GNU/Linux 12 (bookworm) 日本語"));
  EXPECT_TRUE(e.machine_name == TextField<256>());
  EXPECT_EQ(e.pdf_window_position, WindowRect());
  EXPECT_EQ(e.is_select_entrylist, 0);
}

TEST_F(EntryTextTest, MissingMachineNameKeyAlsoDropsTheOs) {
  // The path moves the limit to the missing "[en_machine_name]", so every later value runs to
  // the end of the text: all span several lines and are rejected, except the last one.
  std::string text = WrittenFullEntry();
  const size_t line = text.find("\n[en_machine_name]");
  text.erase(line, text.find('\n', line + 1) - line);
  EntryRecord e = ReadText(text);
  EXPECT_EQ(e.file_path.Text(), Sjis("/文書/報告書.pdf"));
  EXPECT_TRUE(e.os == TextField<128>());
  EXPECT_EQ(e.pdf_window_position, WindowRect());
  EXPECT_EQ(e.pdf_window_ordered_index, 0);
  EXPECT_EQ(e.is_select_entrylist, 1);
}

}  // namespace
}  // namespace veldra
