// Opening and loading a catalog, and what a document does with a file it could not read.
#include <gtest/gtest.h>

#include <memory>
#include <string>

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
using testing::PutI32;
using testing::RawChunk;
using testing::ScanChunks;

constexpr char kCatalog[] = "/data/books.vdc";
const std::string kOther(kOtherCategoryName);

class DocumentLoadTest : public ::testing::Test {
 protected:
  void SetUp() override { env_.fake().AddFolder("/data"); }

  // A catalog with three entries and a remembered sort order, written by a document.
  void MakeCatalogWithEntries() {
    CVeldraDocument doc;
    doc.OpenCatalog(kCatalog);
    testing::AddTestEntries(doc, 3);
    doc.SetEnvironmentValue("k", "v");
    doc.sort_levels()[0] = SortLevel{5, 0};
    doc.sort_levels()[1] = SortLevel{2, 1};
    ASSERT_EQ(doc.Save(), kSaveOk);
  }

  std::string File() { return env_.fake().ReadFileBytes(kCatalog); }

  // Expects that nothing the document offers writes to the catalog file.
  void ExpectNeverWrites(CVeldraDocument& doc) {
    const std::string before = File();
    EXPECT_EQ(doc.Save(), kSaveFailed);
    EXPECT_NE(doc.SaveTables(kCatalog), 0);
    RememberedFolder folder;
    EXPECT_FALSE(doc.WriteSetting(kTagFolderExport, RememberedFolder::kEncodedLength, folder.path.data()));
    EXPECT_EQ(File(), before);
  }

  FakeCatalogEnvironment env_;
};

TEST_F(DocumentLoadTest, MissingFileBecomesADefaultCatalog) {
  CVeldraDocument doc;
  EXPECT_TRUE(doc.OpenCatalog(kCatalog));
  EXPECT_TRUE(env_.fake().FileExists(kCatalog));
  EXPECT_EQ(doc.load_status(), CatalogLoadStatus::kComplete);
  EXPECT_EQ(doc.labels().Count(), 3);
  EXPECT_EQ(doc.categories().Count(), 1);
  EXPECT_EQ(doc.counters().Count(), 3);
  EXPECT_EQ(doc.entries().Count(), 0);
  for (int level = 1; level <= 3; ++level) {
    EXPECT_EQ(doc.level_names(level), std::vector<std::string>{kOther}) << level;
  }
  EXPECT_EQ(doc.path(), kCatalog);
  // No "ENSO": by title, ascending, nothing after it.
  EXPECT_EQ(doc.sort_levels(), CVeldraDocument::DefaultSortLevels());
  EXPECT_EQ(doc.sort_levels()[0], (SortLevel{2, 1}));
  EXPECT_EQ(doc.sort_levels()[1], (SortLevel{0, 0}));
}

TEST_F(DocumentLoadTest, TablesAndSortLevelsComeBack) {
  MakeCatalogWithEntries();
  CVeldraDocument doc;
  doc.OpenCatalog(kCatalog);
  EXPECT_TRUE(doc.read_complete());
  ASSERT_EQ(doc.entries().Count(), 3);
  EXPECT_EQ(EntryAt(doc.entries(), 2).file_name.Text(), "2.pdf");
  EXPECT_EQ(doc.sort_levels()[0], (SortLevel{5, 0}));
  EXPECT_EQ(doc.sort_levels()[1], (SortLevel{2, 1}));
  EXPECT_EQ(doc.sort_levels()[2], (SortLevel{0, 0}));
  std::string value;
  EXPECT_TRUE(doc.GetEnvironmentValue("k", &value));
  EXPECT_EQ(value, "v");
}

TEST_F(DocumentLoadTest, SortLevelsGoByChunkOrderNotByStoredIndex) {
  ASSERT_TRUE(CreateDefaultCatalog(kCatalog));
  RecordArray levels(SortLevelRecord::kEncodedLength);
  for (int i = 0; i < 3; ++i) {
    SortLevelRecord record;
    record.level_index = 2 - i;
    record.key_code = 10 + i;
    record.ascending = static_cast<uint8_t>(i % 2);
    AppendRecord(levels, record);
  }
  ChunkFile file;
  ASSERT_EQ(file.Open(kCatalog, kChunkModeReadWrite), 0);
  ASSERT_EQ(file.WriteAll(kTagSortLevel, levels, SortLevelRecord::kEncodedLength), 0);
  file.Close();
  CVeldraDocument doc;
  doc.OpenCatalog(kCatalog);
  EXPECT_EQ(doc.sort_levels()[0], (SortLevel{10, 0}));
  EXPECT_EQ(doc.sort_levels()[1], (SortLevel{11, 1}));
  EXPECT_EQ(doc.sort_levels()[2], (SortLevel{12, 0}));
}

TEST_F(DocumentLoadTest, ForeignFileOpensEmptyAndIsNeverWritten) {
  env_.fake().WriteFileBytes(kCatalog, std::string(600, 'z'));
  CVeldraDocument doc;
  EXPECT_TRUE(doc.OpenCatalog(kCatalog));
  EXPECT_EQ(doc.load_status(), CatalogLoadStatus::kNotContainer);
  EXPECT_EQ(doc.labels().Count(), 0);
  EXPECT_EQ(doc.categories().Count(), 0);
  EXPECT_TRUE(doc.level_names(1).empty());
  ExpectNeverWrites(doc);
  EXPECT_EQ(File(), std::string(600, 'z'));
}

TEST_F(DocumentLoadTest, UnreadableFileIsNotReplacedByANewCatalog) {
  MakeCatalogWithEntries();
  const std::string before = File();
  env_.fake().FailOpen(kCatalog);
  CVeldraDocument doc;
  doc.OpenCatalog(kCatalog);
  EXPECT_EQ(doc.load_status(), CatalogLoadStatus::kNotContainer);
  env_.fake().ClearFailOpen(kCatalog);
  EXPECT_EQ(File(), before);
  // Readable again: the document still never writes what it did not read.
  ExpectNeverWrites(doc);
}

TEST_F(DocumentLoadTest, ACatalogOpenElsewhereIsReadButNeverWritten) {
  MakeCatalogWithEntries();
  ASSERT_TRUE(env_.fake().HoldLockElsewhere(kCatalog));
  CVeldraDocument doc;
  doc.OpenCatalog(kCatalog);
  EXPECT_TRUE(doc.read_complete());
  EXPECT_TRUE(doc.open_elsewhere());
  EXPECT_FALSE(doc.writable());
  EXPECT_EQ(doc.entries().Count(), 3);
  ExpectNeverWrites(doc);
  // The other holder leaving later does not make this document a writer.
  env_.fake().ReleaseLockElsewhere(kCatalog);
  ExpectNeverWrites(doc);
  // A copy somewhere else may still be written.
  ASSERT_TRUE(CreateDefaultCatalog("/data/copy.vdc"));
  EXPECT_EQ(doc.SaveTables("/data/copy.vdc"), 0);
  CVeldraDocument copy;
  copy.Load("/data/copy.vdc");
  EXPECT_EQ(copy.entries().Count(), 3);
}

TEST_F(DocumentLoadTest, AnOpenCatalogHoldsItsLockUntilTheDocumentGoes) {
  auto doc = std::make_unique<CVeldraDocument>();
  doc->OpenCatalog(kCatalog);
  EXPECT_FALSE(doc->open_elsewhere());
  EXPECT_TRUE(doc->writable());
  EXPECT_TRUE(env_.fake().IsLocked(kCatalog));
  // A second document of the same file is a second writer: it opens read-only.
  CVeldraDocument second;
  second.OpenCatalog(kCatalog);
  EXPECT_TRUE(second.open_elsewhere());
  // Opening again keeps the document's own lock from shutting itself out.
  doc->OpenCatalog(kCatalog);
  EXPECT_FALSE(doc->open_elsewhere());
  EXPECT_EQ(doc->Save(), kSaveOk);
  doc.reset();
  EXPECT_FALSE(env_.fake().IsLocked(kCatalog));
  // A plain Load takes no lock and lets go of one taken before.
  CVeldraDocument loader;
  loader.OpenCatalog(kCatalog);
  loader.Load(kCatalog);
  EXPECT_FALSE(env_.fake().IsLocked(kCatalog));
}

TEST_F(DocumentLoadTest, AFileSystemWithoutLocksLeavesTheCatalogWritable) {
  MakeCatalogWithEntries();
  env_.fake().SetLocksFail(true);
  CVeldraDocument doc;
  doc.OpenCatalog(kCatalog);
  EXPECT_FALSE(doc.open_elsewhere());
  EXPECT_EQ(doc.Save(), kSaveOk);
}

TEST_F(DocumentLoadTest, PathThatCannotBeCreatedGivesAnEmptyDocument) {
  CVeldraDocument doc;
  EXPECT_TRUE(doc.OpenCatalog("/no/such/folder/a.vdc"));
  EXPECT_EQ(doc.load_status(), CatalogLoadStatus::kNotContainer);
  EXPECT_EQ(doc.Save(), kSaveFailed);
  EXPECT_FALSE(env_.fake().FileExists("/no/such/folder/a.vdc"));
}

TEST_F(DocumentLoadTest, BrokenEntryChainKeepsTheFileIntact) {
  MakeCatalogWithEntries();
  std::string file = File();
  // Point the first entry's next-in-tag into the middle of nowhere.
  for (const RawChunk& chunk : ScanChunks(file)) {
    if (chunk.tag == kTagEntry) {
      PutI32(&file, chunk.self + 16, chunk.self + 7);
      break;
    }
  }
  env_.fake().WriteFileBytes(kCatalog, file);

  CVeldraDocument doc;
  doc.OpenCatalog(kCatalog);
  EXPECT_EQ(doc.load_status(), CatalogLoadStatus::kIncomplete);
  EXPECT_FALSE(doc.read_complete());
  EXPECT_EQ(doc.entries().Count(), 0);
  EXPECT_EQ(doc.labels().Count(), 3);  // the readable tables are there
  ExpectNeverWrites(doc);
  EXPECT_EQ(File(), file);
}

TEST_F(DocumentLoadTest, RecordsOfAnotherSizeAreNotReadAsEntries) {
  ASSERT_TRUE(CreateDefaultCatalog(kCatalog));
  ChunkFile chunks;
  ASSERT_EQ(chunks.Open(kCatalog, kChunkModeReadWrite), 0);
  const std::string small(100, '\x41');
  ASSERT_EQ(chunks.Append(kTagEntry, small.size(), small.data()), 0);
  ASSERT_EQ(chunks.Append(kTagEntry, small.size(), small.data()), 0);
  chunks.Close();

  CVeldraDocument doc;
  doc.OpenCatalog(kCatalog);
  EXPECT_EQ(doc.load_status(), CatalogLoadStatus::kIncomplete);
  EXPECT_EQ(doc.entries().Count(), 0);
  EXPECT_EQ(doc.entries().record_size(), EntryRecord::kEncodedLength);
  ExpectNeverWrites(doc);
}

TEST_F(DocumentLoadTest, RecordsOfMixedSizesMakeTheLoadIncomplete) {
  MakeCatalogWithEntries();
  ChunkFile chunks;
  ASSERT_EQ(chunks.Open(kCatalog, kChunkModeReadWrite), 0);
  const std::string odd(10, '\x41');
  ASSERT_EQ(chunks.Append(kTagAttachment, odd.size(), odd.data()), 0);
  ASSERT_EQ(chunks.Append(kTagEnvironment, odd.size(), odd.data()), 0);
  chunks.Close();

  CVeldraDocument doc;
  doc.OpenCatalog(kCatalog);
  EXPECT_EQ(doc.load_status(), CatalogLoadStatus::kIncomplete);
  EXPECT_EQ(doc.entries().Count(), 3);
  EXPECT_EQ(doc.environment().Count(), 0);
  ExpectNeverWrites(doc);
  // Another file may still receive the tables.
  ASSERT_TRUE(CreateDefaultCatalog("/data/rescue.vdc"));
  EXPECT_EQ(doc.SaveTables("/data/rescue.vdc"), 0);
}

TEST_F(DocumentLoadTest, ReloadStartsFromScratch) {
  MakeCatalogWithEntries();
  CVeldraDocument doc;
  doc.OpenCatalog(kCatalog);
  doc.FilterEntries(kAllCategoriesName, kAllCategoriesName, kAllCategoriesName);
  ASSERT_EQ(doc.filtered_entries().Count(), 3);
  env_.fake().WriteFileBytes("/data/junk.vdc", "junk");
  doc.Load("/data/junk.vdc");
  EXPECT_EQ(doc.entries().Count(), 0);
  EXPECT_EQ(doc.filtered_entries().Count(), 0);
  EXPECT_EQ(doc.sort_levels(), CVeldraDocument::DefaultSortLevels());
  EXPECT_EQ(doc.path(), "/data/junk.vdc");
}

}  // namespace
}  // namespace veldra

namespace veldra {
namespace {

TEST(DocumentLoadLayoutTest, ImportedLayoutLoadsWithoutReadingThePdfsAndSavesInPlace) {
  testing::FakeCatalogEnvironment env;
  env.fake().AddFolder("/data");
  ASSERT_TRUE(CreateDefaultCatalog(kCatalog));
  constexpr size_t kPdf = 256 * 1024;
  constexpr int kCount = 8;
  {
    // As imports lay them out: the PDF, its entry, its link, one after the other.
    ChunkFile file;
    ASSERT_EQ(file.Open(kCatalog, kChunkModeReadWrite), kChunkOk);
    const std::string pdf(kPdf, '%');
    std::vector<uint8_t> bytes(EntryRecord::kEncodedLength);
    for (int i = 0; i < kCount; ++i) {
      ASSERT_EQ(file.Append(kTagAttachmentData, pdf.size(), pdf.data()), kChunkOk);
      EntryRecord entry;
      entry.id = i;
      entry.title.SetText("t" + std::to_string(i));
      entry.EncodeTo(bytes.data());
      ASSERT_EQ(file.Append(kTagEntry, EntryRecord::kEncodedLength, bytes.data()), kChunkOk);
      AttachmentRecord link;
      link.id = i;
      link.entry_id = i;
      link.ordinal = i;
      link.EncodeTo(bytes.data());
      ASSERT_EQ(file.Append(kTagAttachment, AttachmentRecord::kEncodedLength, bytes.data()), kChunkOk);
    }
  }
  {
    // The records above came without their id counters: the first save writes them.
    CVeldraDocument settle;
    settle.Load(kCatalog);
    ASSERT_EQ(settle.SaveTables(kCatalog), 0);
  }
  env.fake().ResetCounters();
  CVeldraDocument doc;
  doc.Load(kCatalog);
  ASSERT_TRUE(doc.read_complete());
  ASSERT_EQ(doc.entries().Count(), kCount);
  ASSERT_EQ(doc.attachments().Count(), kCount);
  EXPECT_EQ(EntryAt(doc.entries(), 5).title.Text(), "t5");
  EXPECT_EQ(AttachmentAt(doc.attachments(), 7).ordinal, 7);
  EXPECT_LT(env.fake().BytesRead(), static_cast<int64_t>(kPdf));

  // One changed entry: its record is written, nothing of the PDFs is read.
  EntryRecord entry = EntryAt(doc.entries(), 3);
  entry.my_rate = 4;
  ASSERT_TRUE(doc.ReplaceEntry(doc.entries(), entry));
  env.fake().ResetCounters();
  ASSERT_EQ(doc.SaveTables(kCatalog), 0);
  EXPECT_EQ(env.fake().WriteCount(), 1);
  EXPECT_LT(env.fake().BytesRead(), static_cast<int64_t>(kPdf));
  CVeldraDocument reopened;
  reopened.Load(kCatalog);
  EXPECT_EQ(EntryAt(reopened.entries(), 3).my_rate, 4);
}

// A link record that is not what it claims to be, right behind its entry (the read that
// brings the entry brings it too): the links are not loaded, the entries are.
TEST(DocumentLoadLayoutTest, ADamagedLinkBehindItsEntryFailsTheLinksOnly) {
  testing::FakeCatalogEnvironment env;
  env.fake().AddFolder("/data");
  ASSERT_TRUE(CreateDefaultCatalog(kCatalog));
  constexpr int kCount = 5;
  {
    ChunkFile file;
    ASSERT_EQ(file.Open(kCatalog, kChunkModeReadWrite), kChunkOk);
    const std::string pdf(8 * 1024, '%');
    std::vector<uint8_t> bytes(EntryRecord::kEncodedLength);
    for (int i = 0; i < kCount; ++i) {
      ASSERT_EQ(file.Append(kTagAttachmentData, pdf.size(), pdf.data()), kChunkOk);
      EntryRecord entry;
      entry.id = i;
      entry.EncodeTo(bytes.data());
      ASSERT_EQ(file.Append(kTagEntry, EntryRecord::kEncodedLength, bytes.data()), kChunkOk);
      AttachmentRecord link;
      link.entry_id = i;
      link.EncodeTo(bytes.data());
      ASSERT_EQ(file.Append(kTagAttachment, AttachmentRecord::kEncodedLength, bytes.data()), kChunkOk);
    }
  }
  std::string file = env.fake().ReadFileBytes(kCatalog);
  int links = 0;
  for (const RawChunk& chunk : ScanChunks(file)) {
    if (chunk.tag == kTagAttachment && ++links == 3) {
      PutI32(&file, chunk.self + 8, chunk.self + 4);  // self is not where it lies
    }
  }
  env.fake().WriteFileBytes(kCatalog, file);

  CVeldraDocument doc;
  doc.Load(kCatalog);
  EXPECT_EQ(doc.load_status(), CatalogLoadStatus::kIncomplete);
  EXPECT_EQ(doc.entries().Count(), kCount);
  EXPECT_EQ(EntryAt(doc.entries(), 4).id, 4);
  EXPECT_EQ(doc.attachments().Count(), 0);
  EXPECT_EQ(doc.attachments().record_size(), AttachmentRecord::kEncodedLength);
  EXPECT_EQ(doc.labels().Count(), 3);
  EXPECT_EQ(doc.Save(), kSaveFailed);
  EXPECT_EQ(env.fake().ReadFileBytes(kCatalog), file);
}

}  // namespace
}  // namespace veldra
