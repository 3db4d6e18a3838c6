// A catalog whose id counters have run out (a forged or damaged file: a counter stops at
// 2147483647): every command that would make a record it has no id for refuses with
// kIdsExhausted and changes nothing, in memory or in the file; commands that need no new
// id still work.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "commands/batch_category_change.h"
#include "commands/category_add.h"
#include "commands/entry_edit.h"
#include "commands/import_pdfs.h"
#include "storage/catalog_files.h"
#include "storage/catalog_tags.h"
#include "storage/category_names.h"
#include "tests/commands/catalog_fixture.h"

namespace veldra::testing {
namespace {

using commands::CategoryTriple;

class CounterExhaustionTest : public CatalogTest {};

TEST_F(CounterExhaustionTest, CommandsThatNeedAnIdLeftRefuseAndChangeNothing) {
  struct Row {
    const char* name;
    ChunkTag counter;
    const char* key;
    int32_t ids_left;
    std::function<int(CVeldraDocument&)> command;
    int expected;
  };
  const CategoryTriple other = commands::OtherTriple();
  const CategoryTriple fresh = {"X", "Y", "Z"};
  const auto import = [](std::vector<std::string> paths, CategoryTriple triple) {
    return [=](CVeldraDocument& doc) {
      commands::ImportReport report;
      return commands::ImportPdfs(doc, paths, triple, &report);
    };
  };
  const auto edit = [](std::optional<std::string> title, std::optional<std::string> c1) {
    return [=](CVeldraDocument& doc) {
      commands::EntryEdit e;
      e.title = title;
      e.categories[0] = c1;
      return commands::EditEntry(doc, 0, e);
    };
  };
  const auto recategorize = [](std::string c1) {
    return [=](CVeldraDocument& doc) {
      return commands::ChangeCategories(doc, {0, 1}, {c1, std::string(kUnchangedCategoryName), std::string(kUnchangedCategoryName)});
    };
  };
  const Row rows[] = {
      {"import, no entry id", kTagEntry, kCounterKeyEntry, 0, import({"/pdf/n.pdf"}, other),
       commands::kImportIdsExhausted},
      {"import of two, one entry id", kTagEntry, kCounterKeyEntry, 1,
       import({"/pdf/n.pdf", "/pdf/m.pdf"}, other), commands::kImportIdsExhausted},
      {"import of one, one entry id", kTagEntry, kCounterKeyEntry, 1, import({"/pdf/n.pdf"}, other),
       commands::kImportOk},
      {"import, no link id", kTagAttachment, kCounterKeyAttachment, 0,
       import({"/pdf/n.pdf"}, other), commands::kImportIdsExhausted},
      {"import into a new category, no category id", kTagCategory, kCounterKeyCategory, 0,
       import({"/pdf/n.pdf"}, fresh), commands::kImportIdsExhausted},
      {"import into a category there is, no category id", kTagCategory, kCounterKeyCategory, 0,
       import({"/pdf/n.pdf"}, other), commands::kImportOk},
      {"category-add, no category id", kTagCategory, kCounterKeyCategory, 0,
       [](CVeldraDocument& doc) { return commands::AddCategory(doc, 1, "new", "a", "b"); },
       kIdsExhausted},
      {"set into a new category, no category id", kTagCategory, kCounterKeyCategory, 0,
       edit("changed", "new"), kIdsExhausted},
      {"set of the title alone, no category id", kTagCategory, kCounterKeyCategory, 0,
       edit("changed", std::nullopt), kSaveOk},
      {"recategorize into a new category, no category id", kTagCategory, kCounterKeyCategory, 0,
       recategorize("new"), kIdsExhausted},
      {"recategorize into a category there is, no category id", kTagCategory,
       kCounterKeyCategory, 0, recategorize(std::string(kOtherCategoryName)), kSaveOk},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fake_.Remove(kCatalogPath);
    doc_ = std::make_unique<CVeldraDocument>();
    doc_->OpenCatalog(kCatalogPath);
    AddSavedEntry("a.pdf");
    AddSavedEntry("b.pdf");
    AddPdfFile("/pdf/n.pdf", "n");
    AddPdfFile("/pdf/m.pdf", "m");
    ASSERT_TRUE(RaiseCounter(doc_->counters(), row.counter, row.key, kLastIdValue - row.ids_left));
    ASSERT_EQ(doc_->SaveTables(kCatalogPath), kSaveOk);
    // A load keeps the counter where the file has it.
    doc_ = std::make_unique<CVeldraDocument>();
    doc_->OpenCatalog(kCatalogPath);
    ASSERT_TRUE(doc_->writable());
    ASSERT_EQ(IdsLeft(doc_->counters(), row.counter, row.key), row.ids_left);
    const std::string file = fake_.ReadFileBytes(kCatalogPath);
    const RecordArray entries = doc_->entries();
    const RecordArray categories = doc_->categories();
    const RecordArray counters = doc_->counters();

    EXPECT_EQ(row.command(*doc_), row.expected);
    if (row.expected != kIdsExhausted) continue;
    EXPECT_EQ(fake_.ReadFileBytes(kCatalogPath), file);
    for (const auto& [now, before] : {std::pair{&doc_->entries(), &entries},
                                      std::pair{&doc_->categories(), &categories},
                                      std::pair{&doc_->counters(), &counters}}) {
      ASSERT_EQ(now->Count(), before->Count());
      for (int i = 0; i < now->Count(); ++i) {
        EXPECT_EQ(std::memcmp(now->At(i), before->At(i), now->record_size()), 0) << i;
      }
    }
  }
}

}  // namespace
}  // namespace veldra::testing
