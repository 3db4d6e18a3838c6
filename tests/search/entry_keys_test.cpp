// The index keys an entry's text by its PDF's bytes: a moved, copied, compacted or salvaged
// catalog finds the texts it had (without extracting again, and without even hashing where
// the chunks did not move); a catalog replaced under the same name never shows the old
// file's text; a deleted entry is never named.
#include "search/index_plan.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "commands/compact_copy.h"
#include "commands/salvage.h"
#include "search/search_engine.h"
#include "tests/commands/catalog_fixture.h"
#include "storage/catalog_tags.h"
#include "storage/chunk_format.h"
#include "tests/search/search_test_support.h"
#include "tests/support/damaged_catalog.h"

namespace veldra::search {
namespace {

// A catalog of two entries whose PDFs' texts are in the index.
class IndexedCatalogTest : public veldra::testing::CatalogTest {
 public:
  using CatalogTest::doc_;
  using CatalogTest::fake_;
  using CatalogTest::kCatalogPath;

  void SetUp() override {
    ASSERT_EQ(store_.Open(folder_.Path("index.sqlite")).problem, StoreProblem::kNone);
    alpha_ = Import("a.pdf", "first document");
    beta_ = Import("b.pdf", "second document");
    // Index the catalog: its PDFs are hashed once and their texts put in directly.
    const IndexPlan plan = MakeIndexPlan(*doc_);
    ASSERT_EQ(plan.pdfs.size(), 2u);
    const ResolvedDigests resolved = ResolveDigests(plan, store_);
    ASSERT_EQ(resolved.hashed, 2);
    ASSERT_TRUE(resolved.digests[0] && resolved.digests[1]);
    ASSERT_EQ(store_.PutText(*resolved.digests[0], PdfText{{"alpha 一ページ目"}}),
              StoreProblem::kNone);
    ASSERT_EQ(store_.PutText(*resolved.digests[1], PdfText{{"beta 二ページ目"}}),
              StoreProblem::kNone);
  }

  int32_t Import(const std::string& name, const std::string& text) {
    AddPdfFile("/pdf/" + name, text);
    const int32_t id = AddEntry("/pdf/" + name, Sjis("a"), Sjis("b"), Sjis("c"));
    EXPECT_EQ(doc_->SaveTables(doc_->path()), 0);
    return id;
  }

  // The entries a search of the catalog at path finds for term, after the catalog's keys
  // were resolved (as the indexer does before it extracts anything).
  std::vector<int32_t> Find(const CVeldraDocument& document, const std::string& term,
                            int* hashed, int* indexed) {
    const IndexPlan plan = MakeIndexPlan(document);
    *hashed = ResolveDigests(plan, store_).hashed;
    CatalogSearch search(store_);
    search.set_entry_texts(LookUpEntryTexts(plan, store_));
    *indexed = search.entry_texts().indexed;
    std::vector<int32_t> ids;
    for (const EntryHit& hit : search.Run(document, ParseQuery(term)).entries) {
      ids.push_back(hit.entry_id);
    }
    return ids;
  }

  testing::TempFolder folder_;
  IndexStore store_;
  int32_t alpha_ = 0;
  int32_t beta_ = 0;
};

struct KeyRow {
  const char* name;
  // Changes the catalog; returns the path of the catalog to search then.
  std::function<std::string(IndexedCatalogTest&)> change;
  int hashed;   // PDFs whose bytes had to be read again
  int indexed;  // PDFs whose text the index holds
  bool alpha_found;
};

class EntryKeysTest : public IndexedCatalogTest, public ::testing::WithParamInterface<KeyRow> {};

constexpr const char* kPath = IndexedCatalogTest::kCatalogPath;

const KeyRow kRows[] = {
    {"opened again", [](IndexedCatalogTest&) { return std::string(kPath); }, 0, 2, true},
    {"moved",
     [](IndexedCatalogTest& t) {
       t.doc_.reset();
       EXPECT_TRUE(t.fake_.Rename(kPath, "/data/moved.vdc"));
       return std::string("/data/moved.vdc");
     },
     0, 2, true},
    {"copied",
     [](IndexedCatalogTest& t) {
       t.fake_.WriteFileBytes("/data/copy.vdc", t.fake_.ReadFileBytes(kPath));
       return std::string("/data/copy.vdc");
     },
     0, 2, true},
    {"compacted",
     [](IndexedCatalogTest& t) {
       EXPECT_EQ(commands::WriteCompactCopy(*t.doc_, "/data/compact.vdc"), commands::kCompactOk);
       return std::string("/data/compact.vdc");
     },
     2, 2, true},
    {"salvaged",
     [](IndexedCatalogTest&) {
       commands::SalvageReport report;
       EXPECT_EQ(commands::SalvageCatalog(kPath, "/data/salvaged.vdc",
                                          &report),
                 commands::kSalvageOk);
       return std::string("/data/salvaged.vdc");
     },
     2, 2, true},
    {"replaced under the same name by a catalog of other PDFs",
     [](IndexedCatalogTest& t) {
       t.doc_.reset();
       EXPECT_TRUE(t.fake_.Remove(kPath));
       t.doc_ = std::make_unique<CVeldraDocument>();
       t.doc_->OpenCatalog(kPath);
       EXPECT_EQ(t.Import("a.pdf", "first replaced"), t.alpha_);
       EXPECT_EQ(t.Import("b.pdf", "second replaced"), t.beta_);
       return std::string(kPath);
     },
     2, 0, false},
};

TEST_P(EntryKeysTest, CopiesReuseTextsAndAReplacedCatalogNeverShowsTheOldOne) {
  const KeyRow& row = GetParam();
  const std::string path = row.change(*this);
  CVeldraDocument document;
  document.Load(path);
  ASSERT_TRUE(document.read_complete());
  int hashed = -1;
  int indexed = -1;
  const std::vector<int32_t> found = Find(document, "alpha", &hashed, &indexed);
  EXPECT_EQ(hashed, row.hashed);
  EXPECT_EQ(indexed, row.indexed);
  EXPECT_EQ(found, row.alpha_found ? std::vector<int32_t>{alpha_} : std::vector<int32_t>{});
  EXPECT_EQ(Find(document, "alpha", &hashed, &indexed), found) << "the same once more";
  EXPECT_EQ(hashed, 0) << "the keys were remembered";
}

INSTANTIATE_TEST_SUITE_P(Catalogs, EntryKeysTest, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return "row" + std::to_string(info.index); });

TEST_F(IndexedCatalogTest, ADeletedEntryIsNeverNamed) {
  doc_->RemoveEntry(alpha_);
  int hashed = 0;
  int indexed = 0;
  EXPECT_EQ(Find(*doc_, "alpha", &hashed, &indexed), std::vector<int32_t>{});
  EXPECT_EQ(Find(*doc_, "ページ目", &hashed, &indexed), std::vector<int32_t>{beta_});
}


// A damaged list of PDFs: the plan holds what the lists reach, names the entries whose PDF
// they do not, and hashes each reached PDF's own bytes; the catalog is never written.
struct DamagedPlanRow {
  const char* name;
  bool (*damage)(const std::string& path);
  std::vector<int> planned;      // ordinals of the PDFs planned
  std::vector<int> unreachable;  // the entries (by import order) left out
  bool lists_complete;
};

TEST_F(IndexedCatalogTest, ADamagedListOfPdfsIsPlannedAsFarAsItReaches) {
  using veldra::testing::PatchChunk;
  const int32_t gamma = Import("c.pdf", "third document");
  const std::vector<int32_t> ids = {alpha_, beta_, gamma};
  std::vector<Digest> digests;  // of the sound catalog's PDFs, by ordinal
  for (const auto& digest : ResolveDigests(MakeIndexPlan(*doc_), store_).digests) {
    digests.push_back(*digest);
  }
  const std::string sound_bytes = fake_.ReadFileBytes(kCatalogPath);
  const DamagedPlanRow rows[] = {
      {"sound", [](const std::string&) { return true; }, {0, 1, 2}, {}, true},
      {"the list of PDFs ends after the second",
       [](const std::string& p) {
         return PatchChunk(p, kTagAttachmentData, 1, chunk_format::kNextInTagOffset, -1);
       },
       {0, 1}, {2}, true},
      {"the first PDF links to a place past the end",
       [](const std::string& p) {
         return PatchChunk(p, kTagAttachmentData, 0, chunk_format::kNextInTagOffset, 0x7FFFFF00);
       },
       {0}, {1, 2}, false},
      {"a link names a PDF that is not there",
       [](const std::string& p) {
         return PatchChunk(p, kTagAttachment, 1, chunk_format::kChunkHeaderSize + 8, 7);
       },
       {0, 2}, {1}, true},
  };
  for (const DamagedPlanRow& row : rows) {
    SCOPED_TRACE(row.name);
    fake_.WriteFileBytes(kCatalogPath, sound_bytes);
    ASSERT_TRUE(row.damage(kCatalogPath));
    const std::string damaged_bytes = fake_.ReadFileBytes(kCatalogPath);
    CVeldraDocument document;
    document.Load(kCatalogPath);
    const IndexPlan plan = MakeIndexPlan(document);
    std::vector<int> planned;
    for (const PlannedPdf& pdf : plan.pdfs) planned.push_back(pdf.ordinal);
    EXPECT_EQ(planned, row.planned);
    std::vector<int32_t> unreachable;
    for (int i : row.unreachable) unreachable.push_back(ids[static_cast<size_t>(i)]);
    EXPECT_EQ(plan.unreachable, unreachable);
    EXPECT_EQ(plan.lists_complete, row.lists_complete);
    const ResolvedDigests resolved = ResolveDigests(plan, store_);
    for (size_t i = 0; i < plan.pdfs.size(); ++i) {
      EXPECT_EQ(resolved.digests[i], digests[static_cast<size_t>(plan.pdfs[i].ordinal)]);
    }
    EXPECT_EQ(fake_.ReadFileBytes(kCatalogPath), damaged_bytes) << "the catalog is not written";
  }
}

}  // namespace
}  // namespace veldra::search
