#include "commands/entry_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "storage/catalog_table.h"
#include "storage/category_names.h"
#include "tests/support/test_text.h"

namespace veldra::commands {
namespace {

EntryRecord Entry(int32_t id, const std::string& title_utf8) {
  EntryRecord e;
  e.id = id;
  e.title.SetText(Sjis(title_utf8));
  return e;
}

std::vector<int32_t> Ids(const std::vector<EntryRecord>& entries) {
  std::vector<int32_t> ids;
  for (const EntryRecord& e : entries) ids.push_back(e.id);
  return ids;
}

SortState State(SortLevel a, SortLevel b = {}, SortLevel c = {}) {
  SortState s;
  s.levels = {a, b, c};
  return s;
}

TEST(EntrySortTest, EqualTitlesShowNewestFirstInEitherDirection) {
  std::vector<EntryRecord> entries = {Entry(1, "same"), Entry(5, "same"), Entry(3, "same")};
  SortEntries(entries, SortState());
  EXPECT_EQ(Ids(entries), (std::vector<int32_t>{5, 3, 1}));
  SortEntries(entries, State({kSortTitle, 0}));
  EXPECT_EQ(Ids(entries), (std::vector<int32_t>{5, 3, 1}));
}

TEST(EntrySortTest, TextComparesCp932BytesUnsigned) {
  // In CP932 the full-width "Ａ" (0x8260) comes before "漢" (0x8ABF), the reverse of their
  // Unicode order; upper case comes before lower case; a prefix comes first.
  std::vector<EntryRecord> entries = {Entry(1, "漢"), Entry(2, "Ａ"), Entry(3, "b"),
                                      Entry(4, "B"), Entry(5, "Bc")};
  SortEntries(entries, SortState());
  EXPECT_EQ(Ids(entries), (std::vector<int32_t>{4, 5, 3, 2, 1}));
  SortEntries(entries, State({kSortTitle, 0}));
  EXPECT_EQ(Ids(entries), (std::vector<int32_t>{1, 2, 3, 5, 4}));
}

TEST(EntrySortTest, NumbersCompareSigned) {
  EntryRecord a = Entry(1, "x"), b = Entry(2, "x"), c = Entry(3, "x");
  a.file_size = -1;
  b.file_size = 100;
  c.file_size = 7;
  a.my_rate = 5;
  b.my_rate = -1;
  c.my_rate = 0;
  std::vector<EntryRecord> entries = {a, b, c};
  SortEntries(entries, State({kSortFileSize, 1}));
  EXPECT_EQ(Ids(entries), (std::vector<int32_t>{1, 3, 2}));
  SortEntries(entries, State({kSortRating, 1}));
  EXPECT_EQ(Ids(entries), (std::vector<int32_t>{2, 3, 1}));
}

TEST(EntrySortTest, EmptyTimestampSortsFirst) {
  EntryRecord a = Entry(1, "x"), b = Entry(2, "x"), c = Entry(3, "x");
  a.last_use_date = CatalogTimestamp::FromLocalTime({2024, 5, 1, 10, 0, 0, 0});
  c.last_use_date = CatalogTimestamp::FromLocalTime({2023, 12, 31, 23, 59, 59, 999});
  std::vector<EntryRecord> entries = {a, b, c};
  SortEntries(entries, State({kSortLastUsed, 1}));
  EXPECT_EQ(Ids(entries), (std::vector<int32_t>{2, 3, 1}));
}

// Every level in use decides the ties of the levels before it, in either direction; an
// empty slot ends the levels. Each row sorts the same five entries: ids 1, 2 and 5 tie on
// title and size, id 3 ties with them on title only, id 4 has a title of its own.
struct LevelRow {
  const char* name;
  SortState state;
  std::vector<int32_t> expected;
};

void PrintTo(const LevelRow& row, std::ostream* os) { *os << row.name; }

class EntrySortLevelsTest : public ::testing::TestWithParam<LevelRow> {
 protected:
  static std::vector<EntryRecord> Entries() {
    struct Fields {
      int32_t id;
      const char* title;
      int32_t size;
      int16_t rate;
    };
    const Fields fields[] = {{1, "t", 10, 2}, {2, "t", 10, 1}, {3, "t", 20, 0},
                             {4, "s", 20, 9}, {5, "t", 10, 3}};
    std::vector<EntryRecord> entries;
    for (const Fields& f : fields) {
      EntryRecord e = Entry(f.id, f.title);
      e.file_size = f.size;
      e.my_rate = f.rate;
      entries.push_back(e);
    }
    return entries;
  }
};

TEST_P(EntrySortLevelsTest, LaterLevelsDecideTiesAndAnEmptySlotEndsThem) {
  const LevelRow& row = GetParam();
  std::vector<EntryRecord> entries = Entries();
  SortEntries(entries, row.state);
  EXPECT_EQ(Ids(entries), row.expected);

  // The browser sorts the encoded table, and the comparison alone gives the same order.
  RecordArray table = MakeTable<EntryRecord>();
  for (const EntryRecord& e : Entries()) AppendRecord(table, e);
  SortDisplayedList(table, row.state);
  std::vector<EntryRecord> displayed;
  for (int i = 0; i < table.Count(); ++i) displayed.push_back(EntryAt(table, i));
  EXPECT_EQ(Ids(displayed), row.expected);

  std::vector<EntryRecord> compared = Entries();
  std::sort(compared.begin(), compared.end(), [&](const EntryRecord& a, const EntryRecord& b) {
    return CompareEntries(a, b, row.state) < 0;
  });
  EXPECT_EQ(Ids(compared), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EntrySortLevelsTest,
    ::testing::Values(
        LevelRow{"FirstAscending", State({kSortTitle, 1}), {4, 5, 3, 2, 1}},
        LevelRow{"FirstDescending", State({kSortTitle, 0}), {5, 3, 2, 1, 4}},
        LevelRow{"SecondAscending", State({kSortTitle, 1}, {kSortFileSize, 1}),
                 {4, 5, 2, 1, 3}},
        LevelRow{"SecondDescending", State({kSortTitle, 1}, {kSortFileSize, 0}),
                 {4, 3, 5, 2, 1}},
        LevelRow{"ThirdAscending",
                 State({kSortTitle, 1}, {kSortFileSize, 1}, {kSortRating, 1}),
                 {4, 2, 1, 5, 3}},
        LevelRow{"ThirdDescending",
                 State({kSortTitle, 1}, {kSortFileSize, 1}, {kSortRating, 0}),
                 {4, 5, 1, 2, 3}},
        LevelRow{"ThirdTextKey", State({kSortFileSize, 1}, {kSortNote, 1}, {kSortTitle, 0}),
                 {5, 2, 1, 3, 4}},
        LevelRow{"ThirdBehindAnEmptySecond",
                 State({kSortTitle, 1}, {kSortNone, 1}, {kSortRating, 1}), {4, 5, 3, 2, 1}},
        LevelRow{"ThirdEmpty", State({kSortTitle, 1}, {kSortFileSize, 1}, {kSortNone, 1}),
                 {4, 5, 2, 1, 3}}),
    [](const ::testing::TestParamInfo<LevelRow>& info) { return std::string(info.param.name); });

TEST(EntrySortTest, UnlistedKeysCompareEqualAndFallThrough) {
  EntryRecord a = Entry(1, "b"), b = Entry(2, "a");
  for (int32_t key : {0, 1, 20, 99, -4}) {
    EXPECT_EQ(CompareByKey(a, b, key), 0) << key;
    EXPECT_GT(CompareEntries(a, b, State({key, 1}, {kSortTitle, 1})), 0) << key;
  }
  // A primary with no key at all falls to the id tie-break.
  EXPECT_LT(CompareEntries(b, a, State({kSortNone, 1})), 0);
}

TEST(EntrySortTest, ComparisonIsAntisymmetricAndNeverZeroForDifferentIds) {
  std::vector<EntryRecord> entries = {Entry(1, "a"), Entry(2, "a"), Entry(3, "b")};
  SortState state = State({kSortTitle, 0}, {kSortRating, 1}, {kSortNote, 1});
  for (const EntryRecord& x : entries) {
    for (const EntryRecord& y : entries) {
      int c = CompareEntries(x, y, state);
      EXPECT_EQ(c, -CompareEntries(y, x, state));
      if (x.id != y.id) {
        EXPECT_NE(c, 0);
      }
    }
  }
}

TEST(EntrySortTest, EveryTextKeyReadsItsOwnField) {
  struct Case {
    int32_t key;
    TextField<256> EntryRecord::*field;
  };
  const Case cases[] = {{kSortFileName, &EntryRecord::file_name},
                        {kSortAuthor, &EntryRecord::author_name},
                        {kSortEditor, &EntryRecord::editor_name},
                        {kSortSupervisor, &EntryRecord::supervisor_name},
                        {kSortTranslator, &EntryRecord::translator_name},
                        {kSortPublisher, &EntryRecord::publisher_name}};
  for (const Case& c : cases) {
    EntryRecord low = Entry(1, "z"), high = Entry(2, "a");
    (low.*c.field).SetText("a");
    (high.*c.field).SetText("b");
    EXPECT_LT(CompareByKey(low, high, c.key), 0) << c.key;
  }
  for (int level = 0; level < 3; ++level) {
    EntryRecord low = Entry(1, "z"), high = Entry(2, "a");
    low.category_names[level].SetText("a");
    high.category_names[level].SetText("b");
    EXPECT_LT(CompareByKey(low, high, kSortCategory1 + level), 0) << level;
  }
  EntryRecord low = Entry(1, "z"), high = Entry(2, "a");
  low.note.SetText("a");
  high.note.SetText("b");
  EXPECT_LT(CompareByKey(low, high, kSortNote), 0);
}

TEST(EntrySortTest, EveryTimestampKeyReadsItsOwnFieldAndAnyOtherDirectionByteReverses) {
  // Keys 10, 11, 13 and 14 are reached only through a stored sort state.
  struct Case {
    int32_t key;
    CatalogTimestamp EntryRecord::*field;
  };
  const Case cases[] = {{kSortFileDate, &EntryRecord::file_create_date},
                        {kSortCreated, &EntryRecord::create_date},
                        {kSortUpdated, &EntryRecord::update_date},
                        {kSortLastViewed, &EntryRecord::last_view_date},
                        {kSortLastUsed, &EntryRecord::last_use_date}};
  const CatalogTimestamp early = CatalogTimestamp::FromLocalTime({2020, 1, 2, 3, 4, 5, 6});
  const CatalogTimestamp late = CatalogTimestamp::FromLocalTime({2021, 1, 2, 3, 4, 5, 6});
  for (const Case& c : cases) {
    // Every other timestamp field runs the other way, so only the key's own field can
    // give the expected order.
    EntryRecord a = Entry(1, "x"), b = Entry(2, "x");
    for (const Case& other : cases) {
      a.*other.field = late;
      b.*other.field = early;
    }
    a.*c.field = early;
    b.*c.field = late;
    EXPECT_LT(CompareByKey(a, b, c.key), 0) << c.key;
    std::vector<EntryRecord> entries = {b, a};
    SortEntries(entries, State({c.key, 1}));
    EXPECT_EQ(Ids(entries), (std::vector<int32_t>{1, 2})) << c.key;
    SortEntries(entries, State({c.key, 2}));  // not 1: descending
    EXPECT_EQ(Ids(entries), (std::vector<int32_t>{2, 1})) << c.key;
  }
}

TEST(EntrySortTest, DisplayedListSortsLikeTheVector) {
  std::vector<EntryRecord> entries = {Entry(4, "c"), Entry(2, "a"), Entry(9, "b"),
                                      Entry(1, "a")};
  RecordArray table = MakeTable<EntryRecord>();
  for (const EntryRecord& e : entries) AppendRecord(table, e);
  SortDisplayedList(table, SortState());
  SortEntries(entries, SortState());
  ASSERT_EQ(table.Count(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(EntryAt(table, i), entries[i]) << i;
  EXPECT_EQ(Ids(entries), (std::vector<int32_t>{2, 1, 9, 4}));
}

// Rows of a table sorted in place of the records: every key, both directions, and levels
// behind it, give the order SortEntries gives the same records. Each field runs in its own
// order (with ties), so a key that read another field would show.
TEST(EntrySortTest, SortedRowsFollowTheRecordsOrderForEveryKey) {
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t range) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % range;
  };
  auto text = [&](uint32_t range) { return std::string(1, static_cast<char>('a' + next(range))); };
  auto stamp = [&]() {
    return CatalogTimestamp::FromLocalTime({2020 + static_cast<int>(next(3)), 1, 1, 0, 0, 0, 0});
  };
  RecordArray table = MakeTable<EntryRecord>();
  for (int i = 0; i < 40; ++i) {
    EntryRecord e = Entry(100 - i, text(6));
    e.file_name.SetText(text(4));
    for (auto& name : e.category_names) name.SetText(text(3));
    e.note.SetText(text(5));
    for (auto* field : {&e.author_name, &e.editor_name, &e.supervisor_name,
                        &e.translator_name, &e.publisher_name}) {
      field->SetText(text(4));
    }
    e.file_size = static_cast<int32_t>(next(5)) - 2;
    e.my_rate = static_cast<int16_t>(next(4));
    for (auto* date : {&e.file_create_date, &e.create_date, &e.update_date,
                       &e.last_view_date, &e.last_use_date}) {
      *date = stamp();
    }
    AppendRecord(table, e);
  }
  const std::vector<int> rows = {39, 3, 17, 0, 22, 8, 31, 12, 5, 27, 14, 36, 1, 20, 9, 33};
  for (int32_t key = -1; key <= 21; ++key) {
    for (const SortState& state :
         {State({key, 1}), State({key, 0}), State({key, 1}, {kSortFileSize, 0}),
          State({kSortRating, 1}, {key, 2}, {kSortTitle, 1})}) {
      std::vector<EntryRecord> records;
      for (int row : rows) records.push_back(EntryAt(table, row));
      SortEntries(records, state);
      std::vector<int32_t> from_rows;
      for (int row : SortedEntryRows(table, rows, state)) {
        from_rows.push_back(EntryAt(table, row).id);
      }
      EXPECT_EQ(from_rows, Ids(records)) << "key " << key;
    }
  }
}

// The displayed list built from sorted rows is the filtered list sorted afterwards.
TEST(EntrySortTest, ShownEntriesAreTheFilteredListSorted) {
  const std::string all(kAllCategoriesName);
  CVeldraDocument document;
  for (int i = 0; i < 12; ++i) {
    EntryRecord e = Entry(i, std::string(1, static_cast<char>('a' + (i * 5) % 4)));
    e.category_names[0].SetText(i % 3 == 0 ? "x" : "y");
    e.file_size = i % 5;
    AppendRecord(document.entries(), e);
  }
  for (const SortState& state : {SortState(), State({kSortFileSize, 0}, {kSortTitle, 1})}) {
    for (const std::string& level1 : {all, std::string("x"), std::string("none")}) {
      RecordArray filtered = document.FilterEntries(level1, all, all);
      SortDisplayedList(filtered, state);
      const RecordArray& shown = ShowSortedEntries(document, level1, all, all, state);
      EXPECT_EQ(&shown, &document.filtered_entries());
      ASSERT_EQ(shown.Count(), filtered.Count()) << level1;
      for (int k = 0; k < shown.Count(); ++k) {
        EXPECT_EQ(EntryAt(shown, k), EntryAt(filtered, k)) << level1 << " " << k;
      }
      // Narrowed to some ids (one of them not in the catalog): the same list without the
      // others, in the same order.
      const std::unordered_set<int32_t> only = {0, 3, 4, 9, 11, 99};
      std::vector<int32_t> expected;
      for (int k = 0; k < filtered.Count(); ++k) {
        if (only.count(EntryAt(filtered, k).id) > 0) expected.push_back(EntryAt(filtered, k).id);
      }
      const RecordArray& narrowed = ShowSortedEntries(document, level1, all, all, state, &only);
      std::vector<int32_t> ids;
      for (int k = 0; k < narrowed.Count(); ++k) ids.push_back(EntryAt(narrowed, k).id);
      EXPECT_EQ(ids, expected) << level1;
    }
  }
}

}  // namespace
}  // namespace veldra::commands
