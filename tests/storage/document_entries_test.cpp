// The document's entries by id: finding an entry, writing it back, and the setters the
// browser, the property window and the PDF viewer use.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "storage/catalog_document.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/category_names.h"
#include "tests/storage/catalog_test_support.h"
#include "tests/support/test_catalog.h"

namespace veldra {
namespace {

using testing::FakeCatalogEnvironment;
using testing::kFixedStamp;

constexpr char kCatalog[] = "/data/e.vdc";
constexpr char kLaterStamp[] = "20240305070809011";  // the fixed clock 1 ms on

// A catalog of three entries on a fixed clock: ids 0, 1, 2, of which 0 and 2 are in category
// "A" and so in the filtered entries. The clock stands 1 ms after the entries were made.
struct Catalog {
  Catalog() {
    env.fake().AddFolder("/data");
    doc.OpenCatalog(kCatalog);
    for (const char* level1 : {"A", "B", "A"}) {
      testing::AddTestEntry(doc, "/in/x.pdf", level1, "x", "y");
    }
    doc.FilterEntries("A", std::string(kAllCategoriesName), std::string(kAllCategoriesName));
    env.fake().AdvanceMs(1);
  }
  FakeCatalogEnvironment env;
  CVeldraDocument doc;
};

// The entry with id in table (a default record when there is none).
EntryRecord In(const RecordArray& table, int32_t id) {
  const int index = EntryIndex(table, id);
  return index < 0 ? EntryRecord{} : EntryAt(table, index);
}

class DocumentEntriesTest : public ::testing::Test {
 protected:
  Catalog catalog_;
  FakeCatalogEnvironment& env_ = catalog_.env;
  CVeldraDocument& doc_ = catalog_.doc;
};

TEST_F(DocumentEntriesTest, FindEntryDecodesTheFirstWithTheIdOrGivesNothing) {
  EntryRecord twin = EntryAt(doc_.entries(), 2);
  twin.id = 1;
  twin.my_rate = 5;
  AppendRecord(doc_.entries(), twin);  // a second entry with id 1 is never the one found

  const std::optional<EntryRecord> found = doc_.FindEntry(1);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(*found, EntryAt(doc_.entries(), 1));
  EXPECT_FALSE(doc_.FindEntry(3).has_value());
  EXPECT_FALSE(doc_.FindEntry(-1).has_value());
}

// One row per setter: what it does to entry `id`, and what the entry then holds.
struct SetterRow {
  const char* name;
  std::function<bool(CVeldraDocument&, int32_t)> set;
  std::function<bool(const EntryRecord&)> holds;
  bool stamps_last_view = false;
};

const WindowRect kRect{10, 20, 300, 400};

std::vector<SetterRow> SetterRows() {
  return {
      {"EntryWindowPosition",
       [](CVeldraDocument& d, int32_t id) { return d.SetEntryWindowPosition(id, kRect); },
       [](const EntryRecord& e) { return e.window_position == kRect && e.pdf_window_position == WindowRect{}; }},
      {"PdfWindowPosition",
       [](CVeldraDocument& d, int32_t id) { return d.SetPdfWindowPosition(id, kRect); },
       [](const EntryRecord& e) { return e.pdf_window_position == kRect && e.window_position == WindowRect{}; }},
      {"EntryWindowOrder",
       [](CVeldraDocument& d, int32_t id) { return d.SetEntryWindowOrder(id, 3); },
       [](const EntryRecord& e) { return e.entry_window_ordered_index == 3 && e.pdf_window_ordered_index == 0; }},
      {"PdfWindowOrder",
       [](CVeldraDocument& d, int32_t id) { return d.SetPdfWindowOrder(id, 4); },
       [](const EntryRecord& e) { return e.pdf_window_ordered_index == 4 && e.entry_window_ordered_index == 0; }},
      {"Selected",
       [](CVeldraDocument& d, int32_t id) { return d.SetEntrySelected(id, true); },
       [](const EntryRecord& e) { return e.is_select_entrylist == 1; }},
      {"LastView", [](CVeldraDocument& d, int32_t id) { return d.StampLastView(id); },
       [](const EntryRecord& e) { return e.last_view_date.Text() == kLaterStamp; }, true},
      {"UpdateEntry",
       [](CVeldraDocument& d, int32_t id) {
         EntryRecord e = *d.FindEntry(id);
         e.my_rate = 4;
         return d.UpdateEntry(e);
       },
       [](const EntryRecord& e) { return e.my_rate == 4; }},
  };
}

TEST_F(DocumentEntriesTest, EachSetterWritesBackIntoBothListsAndStampsTheUpdate) {
  for (const SetterRow& row : SetterRows()) {
    SCOPED_TRACE(row.name);
    Catalog c;
    const EntryRecord untouched = In(c.doc.entries(), 0);

    ASSERT_TRUE(row.set(c.doc, 2));
    for (const RecordArray* table : {&c.doc.entries(), &c.doc.filtered_entries()}) {
      const EntryRecord changed = In(*table, 2);
      EXPECT_TRUE(row.holds(changed));
      EXPECT_EQ(changed.update_date.Text(), kLaterStamp);
      EXPECT_EQ(changed.last_view_date.Text(), row.stamps_last_view ? kLaterStamp : "");
      EXPECT_EQ(changed.title, untouched.title);
      EXPECT_EQ(In(*table, 0), untouched);
    }
  }
}

TEST_F(DocumentEntriesTest, EachSetterRefusesAnUnknownIdAndKeepsBothLists) {
  for (const SetterRow& row : SetterRows()) {
    SCOPED_TRACE(row.name);
    Catalog c;
    const RecordArray entries = c.doc.entries();
    const RecordArray filtered = c.doc.filtered_entries();
    if (std::string(row.name) == "UpdateEntry") {
      EntryRecord stranger = EntryAt(entries, 0);
      stranger.id = 9;
      EXPECT_FALSE(c.doc.UpdateEntry(stranger));
    } else {
      EXPECT_FALSE(row.set(c.doc, 9));
    }
    ASSERT_EQ(c.doc.entries().Count(), entries.Count());
    ASSERT_EQ(c.doc.filtered_entries().Count(), filtered.Count());
    for (int i = 0; i < entries.Count(); ++i) EXPECT_EQ(EntryAt(c.doc.entries(), i), EntryAt(entries, i));
    for (int i = 0; i < filtered.Count(); ++i) {
      EXPECT_EQ(EntryAt(c.doc.filtered_entries(), i), EntryAt(filtered, i));
    }
  }
}

TEST_F(DocumentEntriesTest, AnEntryOutsideTheFilterChangesInTheEntriesOnly) {
  const int filtered_count = doc_.filtered_entries().Count();
  ASSERT_TRUE(doc_.SetEntryWindowPosition(1, kRect));
  EXPECT_EQ(In(doc_.entries(), 1).window_position, kRect);
  EXPECT_EQ(doc_.filtered_entries().Count(), filtered_count);
  EXPECT_EQ(EntryIndex(doc_.filtered_entries(), 1), -1);
}

TEST_F(DocumentEntriesTest, ResetWindowOrdersStampsEveryEntryOfBothLists) {
  ASSERT_TRUE(doc_.SetEntryWindowOrder(0, 2));
  ASSERT_TRUE(doc_.SetPdfWindowOrder(1, 1));
  env_.fake().AdvanceMs(1);
  doc_.ResetWindowOrders();
  for (const RecordArray* table : {&doc_.entries(), &doc_.filtered_entries()}) {
    for (int i = 0; i < table->Count(); ++i) {
      const EntryRecord e = EntryAt(*table, i);
      EXPECT_EQ(e.entry_window_ordered_index, -1);
      EXPECT_EQ(e.pdf_window_ordered_index, -1);
      EXPECT_EQ(e.update_date.Text(), "20240305070809012");
    }
  }
  EXPECT_TRUE(doc_.DetailWindowOrders().empty());
}

TEST_F(DocumentEntriesTest, ClearEntrySelectionsLeavesTheUpdateDates) {
  ASSERT_TRUE(doc_.SetEntrySelected(0, true));
  ASSERT_TRUE(doc_.SetEntrySelected(1, true));
  const uint64_t before = RecordArray::ChangeStampNow();
  doc_.ClearEntrySelections();
  for (const RecordArray* table : {&doc_.entries(), &doc_.filtered_entries()}) {
    for (int i = 0; i < table->Count(); ++i) {
      const EntryRecord e = EntryAt(*table, i);
      EXPECT_EQ(e.is_select_entrylist, 0);
      EXPECT_EQ(e.update_date.Text(), e.id == 2 ? kFixedStamp : kLaterStamp);
    }
  }
  // An entry that had no flag is left alone, so the next save need not rewrite it.
  EXPECT_FALSE(doc_.entries().ChangedSince(2, before));
  EXPECT_TRUE(doc_.entries().ChangedSince(0, before));
}

TEST_F(DocumentEntriesTest, DetailWindowOrdersListsTheEntriesWithAWindowNumberAbove0) {
  struct Row {
    int32_t id;
    int16_t entry_window;
    int16_t pdf_window;
  };
  const Row rows[] = {{0, 0, 2}, {1, -1, -1}, {2, 1, 3}};
  for (const Row& row : rows) {
    ASSERT_TRUE(doc_.SetEntryWindowOrder(row.id, row.entry_window));
    ASSERT_TRUE(doc_.SetPdfWindowOrder(row.id, row.pdf_window));
  }
  EXPECT_EQ(doc_.DetailWindowOrders(),
            (std::vector<DetailWindowOrder>{{0, 0, 2}, {2, 1, 3}}));
}

TEST(WindowRectTest, APlacementNeedsAWidthAndAHeightOfAtLeast1) {
  struct Row {
    WindowRect rect;  // top, left, bottom, right
    bool placed;
  };
  const Row rows[] = {
      {{0, 0, 0, 0}, false},         {{10, 20, 11, 21}, true},  {{10, 20, 300, 20}, false},
      {{10, 20, 10, 400}, false},    {{10, 20, 9, 400}, false}, {{-50, -60, -49, -59}, true},
      {{0, -32768, 1, 32767}, true},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.rect.HasPlacement(), row.placed)
        << row.rect.top << "," << row.rect.left << "," << row.rect.bottom << "," << row.rect.right;
  }
}

TEST(WindowRectTest, CutFromKeepsTheLow16Bits) {
  EXPECT_EQ(WindowRect::CutFrom(1, -2, 32767, -32768), (WindowRect{1, -2, 32767, -32768}));
  EXPECT_EQ(WindowRect::CutFrom(32768, 70000, -32769, 65536), (WindowRect{-32768, 4464, 32767, 0}));
}

}  // namespace
}  // namespace veldra
