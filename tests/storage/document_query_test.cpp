// The document's queries and in-memory updates: filtering, level names, labels, entries,
// attachments and environment values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/catalog_document.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/catalog_tags.h"
#include "storage/category_names.h"
#include "tests/storage/catalog_test_support.h"
#include "tests/support/test_catalog.h"

namespace veldra {
namespace {

using testing::FakeCatalogEnvironment;
using testing::kFixedStamp;

constexpr char kCatalog[] = "/data/q.vdc";
const std::string kAll(kAllCategoriesName);
const std::string kOther(kOtherCategoryName);

class DocumentQueryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.fake().AddFolder("/data");
    doc_.OpenCatalog(kCatalog);
  }

  // Replaces the categories by the given triples.
  void SetCategories(const std::vector<std::vector<std::string>>& triples) {
    doc_.categories() = MakeTable<CategoryRecord>();
    for (const auto& t : triples) NewCategoryRecord(doc_.categories(), doc_.counters(), t[0], t[1], t[2]);
    doc_.RebuildLevelNames();
  }

  int32_t AddEntry(const std::string& c1, const std::string& c2, const std::string& c3) {
    return testing::AddTestEntry(doc_, "/in/x.pdf", c1, c2, c3).id;
  }

  std::vector<int32_t> FilteredIds(const std::string& a, const std::string& b, const std::string& c) {
    std::vector<int32_t> ids;
    const RecordArray& filtered = doc_.FilterEntries(a, b, c);
    for (int i = 0; i < filtered.Count(); ++i) ids.push_back(EntryAt(filtered, i).id);
    return ids;
  }

  FakeCatalogEnvironment env_;
  CVeldraDocument doc_;
};

TEST_F(DocumentQueryTest, LevelNamesAreDistinctAndOtherComesLast) {
  SetCategories({{"A", "x", "y"}, {kOther, "x", "y"}, {"B", "x", "y"}, {"A", "z", "y"}});
  std::vector<std::string> names{"stale"};
  doc_.ListLevelNames(1, &names);
  EXPECT_EQ(names, (std::vector<std::string>{"A", "B", kOther}));
  doc_.ListLevelNames(2, &names);
  EXPECT_EQ(names, (std::vector<std::string>{"x", "z"}));
  doc_.ListLevelNames(4, &names);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(doc_.level_names(1), (std::vector<std::string>{"A", "B", kOther}));
  EXPECT_EQ(doc_.level_names(3), (std::vector<std::string>{"y"}));
}

TEST_F(DocumentQueryTest, LevelNamesAreBuiltOnLoad) {
  NewCategoryRecord(doc_.categories(), doc_.counters(), "B", "x", "y");
  NewCategoryRecord(doc_.categories(), doc_.counters(), "A", "x", "y");
  ASSERT_EQ(doc_.Save(), kSaveOk);
  CVeldraDocument reopened;
  reopened.OpenCatalog(kCatalog);
  EXPECT_EQ(reopened.level_names(1), (std::vector<std::string>{"A", "B", kOther}));
}

TEST_F(DocumentQueryTest, MatchingNamesFollowTheOtherTwoSelections) {
  SetCategories({{"A", "x", "y"}, {kOther, "w", "y"}, {"B", "v", "y"}, {"A", "z", "q"},
                 {"A", "x", "q"}});
  EXPECT_EQ(doc_.ListMatchingNames(2, "A", kAll), (std::vector<std::string>{"x", "z"}));
  EXPECT_EQ(doc_.ListMatchingNames(2, "A", "q"), (std::vector<std::string>{"x", "z"}));
  EXPECT_EQ(doc_.ListMatchingNames(1, "x", kAll), (std::vector<std::string>{"A"}));
  EXPECT_EQ(doc_.ListMatchingNames(1, kAll, "y"), (std::vector<std::string>{"A", "B", kOther}));
  EXPECT_EQ(doc_.ListMatchingNames(3, "A", "z"), (std::vector<std::string>{"q"}));
  EXPECT_TRUE(doc_.ListMatchingNames(3, "C", kAll).empty());
  EXPECT_TRUE(doc_.ListMatchingNames(0, kAll, kAll).empty());
}

TEST_F(DocumentQueryTest, CategoryExistsComparesEveryLevelExactly) {
  SetCategories({{"A", "x", "y"}});
  EXPECT_TRUE(doc_.CategoryExists("A", "x", "y"));
  EXPECT_FALSE(doc_.CategoryExists("a", "x", "y"));
  EXPECT_FALSE(doc_.CategoryExists("A", "y", "x"));
  EXPECT_FALSE(doc_.CategoryExists(kAll, "x", "y"));
}

TEST_F(DocumentQueryTest, FilterKeepsTableOrderAndMatchesExactly) {
  const int32_t a = AddEntry("A", "x", "y");
  const int32_t b = AddEntry("B", "x", "y");
  const int32_t c = AddEntry("A", "z", "y");
  const int32_t d = AddEntry("a", "x", "y");
  EXPECT_EQ(FilteredIds(kAll, kAll, kAll), (std::vector<int32_t>{a, b, c, d}));
  EXPECT_EQ(FilteredIds("A", kAll, kAll), (std::vector<int32_t>{a, c}));
  EXPECT_EQ(FilteredIds(kAll, "x", "y"), (std::vector<int32_t>{a, b, d}));
  EXPECT_EQ(FilteredIds("A", "z", "y"), (std::vector<int32_t>{c}));
  EXPECT_TRUE(FilteredIds("nobody", kAll, kAll).empty());
  EXPECT_EQ(doc_.filtered_entries().Count(), 0);  // the result replaced the previous one
}

TEST_F(DocumentQueryTest, LabelsAreFoundAndUpdatedByLevel) {
  LabelRecord label;
  ASSERT_TRUE(doc_.FindLabel(2, &label));
  EXPECT_EQ(label.id, 1);
  EXPECT_FALSE(doc_.FindLabel(4, &label));

  env_.fake().AdvanceMs(1000);
  ASSERT_TRUE(doc_.FindLabel(2, &label));
  label.text.SetText("Genre");
  EXPECT_TRUE(doc_.UpdateLabel(label));
  LabelRecord stored;
  ASSERT_TRUE(doc_.FindLabel(2, &stored));
  EXPECT_EQ(stored.text.Text(), "Genre");
  EXPECT_EQ(stored.updated.Text(), "20240305070810010");
  EXPECT_EQ(stored.created.Text(), kFixedStamp);

  label.level = 9;
  EXPECT_FALSE(doc_.UpdateLabel(label));
  EXPECT_EQ(doc_.labels().Count(), 3);
}

TEST_F(DocumentQueryTest, ReplaceEntryStampsTheUpdateAndRefusesUnknownIds) {
  const int32_t id = AddEntry("A", "x", "y");
  doc_.FilterEntries(kAll, kAll, kAll);
  env_.fake().AdvanceMs(1);
  EntryRecord entry = EntryAt(doc_.entries(), 0);
  entry.my_rate = 4;
  EXPECT_TRUE(doc_.ReplaceEntry(doc_.entries(), entry));
  EXPECT_TRUE(doc_.ReplaceEntry(doc_.filtered_entries(), entry));
  EXPECT_EQ(EntryAt(doc_.entries(), 0).my_rate, 4);
  EXPECT_EQ(EntryAt(doc_.entries(), 0).update_date.Text(), "20240305070809011");
  EXPECT_EQ(EntryAt(doc_.filtered_entries(), 0).my_rate, 4);

  const RecordArray before = doc_.entries();
  entry.id = id + 100;
  entry.my_rate = 1;
  EXPECT_FALSE(doc_.ReplaceEntry(doc_.entries(), entry));
  EXPECT_EQ(EntryAt(doc_.entries(), 0), EntryAt(before, 0));
}

TEST_F(DocumentQueryTest, EntryIdsAreNeverReusedAfterDeletion) {
  const int32_t first = AddEntry("A", "x", "y");
  const int32_t second = AddEntry("A", "x", "y");
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 1);
  doc_.RemoveEntry(second);
  doc_.RemoveEntry(77);  // unknown: nothing happens
  ASSERT_EQ(doc_.Save(), kSaveOk);
  CVeldraDocument reopened;
  reopened.OpenCatalog(kCatalog);
  EXPECT_EQ(reopened.entries().Count(), 1);
  EntryRecord third;
  NewEntryRecord(reopened.counters(), "/in/x.pdf", "A", "x", "y", &third);
  EXPECT_EQ(third.id, 2);
}

TEST_F(DocumentQueryTest, AttachmentLinksAreFoundAndRemovedByEntry) {
  env_.fake().WriteFileBytes("/in/a.pdf", "%PDF-a");
  env_.fake().WriteFileBytes("/in/b.pdf", "%PDF-b");
  EntryRecord a;
  a.id = 10;
  EntryRecord b;
  b.id = 11;
  ASSERT_EQ(AttachPdf(a, "/in/a.pdf", kCatalog, doc_.attachments(), doc_.counters()), 0);
  ASSERT_EQ(AttachPdf(b, "/in/b.pdf", kCatalog, doc_.attachments(), doc_.counters()), 0);
  EXPECT_EQ(doc_.AttachmentOrdinal(11), 1);
  EXPECT_EQ(doc_.AttachmentOrdinal(12), -1);
  std::vector<uint8_t> bytes;
  EXPECT_EQ(doc_.ReadEntryAttachment(doc_.AttachmentOrdinal(11), &bytes), 6);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "%PDF-b");

  env_.fake().AddFolder("/out");
  EXPECT_EQ(doc_.CopyEntryAttachmentToFile(0, "/out/a.pdf"), kCopyOk);
  EXPECT_EQ(env_.fake().ReadFileBytes("/out/a.pdf"), "%PDF-a");

  doc_.RemoveAttachmentLink(10);
  doc_.RemoveAttachmentLink(99);
  EXPECT_EQ(doc_.AttachmentOrdinal(10), -1);
  EXPECT_EQ(doc_.AttachmentOrdinal(11), 1);
}

TEST_F(DocumentQueryTest, EnvironmentValuesAreSetOncePerKey) {
  std::string value = "untouched";
  EXPECT_FALSE(doc_.GetEnvironmentValue("cat1list_selection", &value));
  EXPECT_EQ(value, "untouched");
  doc_.SetEnvironmentValue("cat1list_selection", "A");
  env_.fake().AdvanceMs(2);
  doc_.SetEnvironmentValue("cat1list_selection", "B");
  doc_.SetEnvironmentValue("main_window_position", "1,2,3,4");
  ASSERT_EQ(doc_.environment().Count(), 2);
  const EnvironmentRecord record = EnvironmentAt(doc_.environment(), 0);
  EXPECT_EQ(record.id, 0);
  EXPECT_EQ(EnvironmentAt(doc_.environment(), 1).id, 1);
  EXPECT_EQ(record.updated.Text(), "20240305070809012");
  EXPECT_EQ(record.created.Text(), kFixedStamp);
  ASSERT_TRUE(doc_.GetEnvironmentValue("cat1list_selection", &value));
  EXPECT_EQ(value, "B");

  // Values are read back cut to 127 bytes, whole characters only.
  std::string kana;
  for (int i = 0; i < 100; ++i) kana += "\x82\xa0";
  doc_.SetEnvironmentValue("long", kana);
  ASSERT_TRUE(doc_.GetEnvironmentValue("long", &value));
  EXPECT_EQ(value, kana.substr(0, 126));

  // A key longer than the part that is compared still names one record.
  const std::string long_key(100, 'k');
  doc_.SetEnvironmentValue(long_key, "1");
  doc_.SetEnvironmentValue(long_key, "2");
  EXPECT_EQ(doc_.environment().Count(), 4);
}

}  // namespace
}  // namespace veldra
