// Writing a document back: the order of tables, rewriting only what changed with the same
// bytes as a full rewrite, and what failed saves leave behind.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "storage/catalog_document.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/catalog_table_snapshot.h"
#include "storage/catalog_tags.h"
#include "storage/chunk_inspect.h"
#include "tests/storage/catalog_test_support.h"
#include "tests/support/test_catalog.h"

namespace veldra {
namespace {

using testing::FakeCatalogEnvironment;
using testing::RawChunk;
using testing::ScanChunks;

constexpr char kCatalog[] = "/data/s.vdc";
constexpr char kReference[] = "/data/reference.vdc";
constexpr int kEntries = 40;

class DocumentSaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.fake().AddFolder("/data");
    {
      CVeldraDocument maker;
      maker.OpenCatalog(kCatalog);
      testing::AddTestEntries(maker, kEntries);
      maker.SetEnvironmentValue("k", "v");
      ASSERT_EQ(maker.SaveTables(kCatalog), 0);
    }
    doc_.OpenCatalog(kCatalog);
    ASSERT_TRUE(doc_.read_complete());
    original_ = File();
  }

  std::string File() { return env_.fake().ReadFileBytes(kCatalog); }

  // What the file would be if every table of the document were written in full over the
  // original file, with the sort levels when with_sort_levels.
  std::string FullRewriteOfOriginal(bool with_sort_levels) {
    env_.fake().WriteFileBytes(kReference, original_);
    ChunkFile file;
    EXPECT_EQ(file.Open(kReference, kChunkModeReadWrite), 0);
    EXPECT_EQ(file.WriteAll(kTagIdCounter, doc_.counters(), IdCounterRow::kEncodedLength), 0);
    EXPECT_EQ(file.WriteAll(kTagLabel, doc_.labels(), LabelRecord::kEncodedLength), 0);
    EXPECT_EQ(file.WriteAll(kTagEntry, doc_.entries(), EntryRecord::kEncodedLength), 0);
    EXPECT_EQ(file.WriteAll(kTagAttachment, doc_.attachments(), AttachmentRecord::kEncodedLength), 0);
    EXPECT_EQ(file.WriteAll(kTagEnvironment, doc_.environment(), EnvironmentRecord::kEncodedLength), 0);
    EXPECT_EQ(file.WriteAll(kTagCategory, doc_.categories(), CategoryRecord::kEncodedLength), 0);
    if (with_sort_levels) {
      RecordArray levels(SortLevelRecord::kEncodedLength);
      for (int i = 0; i < 3; ++i) {
        SortLevelRecord record;
        record.level_index = i;
        record.key_code = doc_.sort_levels()[i].key_code;
        record.ascending = doc_.sort_levels()[i].ascending;
        record.created = CatalogTimestamp::Now();
        record.updated = record.created;
        AppendRecord(levels, record);
      }
      EXPECT_EQ(file.WriteAll(kTagSortLevel, levels, SortLevelRecord::kEncodedLength), 0);
    }
    file.Close();
    return env_.fake().ReadFileBytes(kReference);
  }

  void ChangeEntry(int index, int16_t rate) {
    EntryRecord entry = EntryAt(doc_.entries(), index);
    entry.my_rate = rate;
    ASSERT_TRUE(doc_.ReplaceEntry(doc_.entries(), entry));
  }

  FakeCatalogEnvironment env_;
  CVeldraDocument doc_;
  std::string original_;
};

TEST_F(DocumentSaveTest, SaveWritesSortLevelsLastAndTheyComeBack) {
  doc_.sort_levels()[0] = SortLevel{7, 0};
  ASSERT_EQ(doc_.Save(), kSaveOk);
  const std::vector<RawChunk> chunks = ScanChunks(File());
  ASSERT_GE(chunks.size(), 3u);
  for (size_t i = chunks.size() - 3; i < chunks.size(); ++i) EXPECT_EQ(chunks[i].tag, kTagSortLevel);
  CVeldraDocument reopened;
  reopened.OpenCatalog(kCatalog);
  EXPECT_EQ(reopened.sort_levels()[0], (SortLevel{7, 0}));
}

TEST_F(DocumentSaveTest, SaveTablesKeepsTheStoredSortLevels) {
  doc_.sort_levels()[0] = SortLevel{7, 0};
  ASSERT_EQ(doc_.Save(), kSaveOk);
  doc_.sort_levels()[0] = SortLevel{3, 1};
  ASSERT_EQ(doc_.SaveTables(kCatalog), 0);
  CVeldraDocument reopened;
  reopened.OpenCatalog(kCatalog);
  EXPECT_EQ(reopened.sort_levels()[0], (SortLevel{7, 0}));
}

TEST_F(DocumentSaveTest, ChangingOneEntryRewritesOnlyItWithTheFullRewriteBytes) {
  ChangeEntry(17, 5);
  doc_.entries().MutableAt(3)[EntryRecord::kIsSelectEntryListOffset] = 1;  // changed in place
  env_.fake().ResetCounters();
  ASSERT_EQ(doc_.SaveTables(kCatalog), 0);
  EXPECT_LE(env_.fake().BytesWritten(), 2 * static_cast<int64_t>(EntryRecord::kEncodedLength));
  EXPECT_EQ(File(), FullRewriteOfOriginal(false));

  // A save with nothing changed writes nothing but the sort levels.
  env_.fake().ResetCounters();
  ASSERT_EQ(doc_.Save(), kSaveOk);
  EXPECT_LT(env_.fake().BytesWritten(), static_cast<int64_t>(EntryRecord::kEncodedLength));
  EXPECT_EQ(File(), FullRewriteOfOriginal(true));
}

TEST_F(DocumentSaveTest, ChangedCountsFallBackToAFullRewrite) {
  doc_.RemoveEntry(EntryAt(doc_.entries(), 0).id);
  for (const char* path : {"/in/new.pdf", "/in/new2.pdf"}) {
    EntryRecord added;
    NewEntryRecord(doc_.counters(), path, "a", "b", "c", &added);
    AppendRecord(doc_.entries(), added);
  }
  doc_.SetEnvironmentValue("k2", "v2");
  ASSERT_EQ(doc_.Save(), kSaveOk);
  EXPECT_EQ(File(), FullRewriteOfOriginal(true));
  CVeldraDocument reopened;
  reopened.OpenCatalog(kCatalog);
  EXPECT_EQ(reopened.entries().Count(), kEntries + 1);
  EXPECT_EQ(reopened.environment().Count(), 2);
}

TEST_F(DocumentSaveTest, AFileChangedBehindTheDocumentIsRewrittenInFull) {
  // Another writer, one that takes no lock, removed the last entry's chunk: the document
  // must not trust its memory of the file.
  {
    CVeldraDocument other;
    other.Load(kCatalog);
    other.RemoveEntry(EntryAt(other.entries(), kEntries - 1).id);
    ASSERT_EQ(other.SaveTables(kCatalog), 0);
  }
  ChangeEntry(0, 2);
  ASSERT_EQ(doc_.SaveTables(kCatalog), 0);
  CVeldraDocument reopened;
  reopened.OpenCatalog(kCatalog);
  ASSERT_EQ(reopened.entries().Count(), kEntries);
  EXPECT_EQ(EntryAt(reopened.entries(), 0).my_rate, 2);
  EXPECT_EQ(reopened.entries().Count(), doc_.entries().Count());
}

TEST_F(DocumentSaveTest, NothingStaleAfterATornSave) {
  const EntryRecord before = EntryAt(doc_.entries(), 5);
  ChangeEntry(5, 4);
  env_.fake().TearWriteAfter(1, 2000);  // the rewrite of entry 5 stops past its rate
  EXPECT_EQ(doc_.Save(), kSaveFailed);
  env_.fake().ClearWriteFailure();
  // The entry goes back to what the document last saw in the file; the file, though,
  // holds a torn record that must be written over.
  doc_.entries().Set(5, [&] {
    static std::vector<uint8_t> bytes(EntryRecord::kEncodedLength);
    before.EncodeTo(bytes.data());
    return bytes.data();
  }());
  ASSERT_EQ(doc_.SaveTables(kCatalog), 0);
  EXPECT_EQ(File(), FullRewriteOfOriginal(false));
  CVeldraDocument reopened;
  reopened.OpenCatalog(kCatalog);
  EXPECT_EQ(EntryAt(reopened.entries(), 5), before);
}

TEST_F(DocumentSaveTest, ReadOnlyMediaFailsEverySaveWithoutDamage) {
  ChangeEntry(1, 3);
  env_.fake().FailWriteAfter(1, /*sticky=*/true);
  EXPECT_EQ(doc_.Save(), kSaveFailed);
  EXPECT_EQ(doc_.SaveTables(kCatalog), kChunkIoError);
  RememberedFolder folder;
  folder.SetPath("/home/u");
  EXPECT_FALSE(doc_.WriteSetting(kTagFolderExport, RememberedFolder::kEncodedLength, folder.path.data()));
  EXPECT_EQ(File(), original_);
}

TEST_F(DocumentSaveTest, SaveTablesTriesEveryTableAndReportsTheFirstFailure) {
  // The target's labels are records of another size: that table cannot be written, the
  // tables after it still are.
  ASSERT_TRUE(CreateDefaultCatalog("/data/t.vdc"));
  {
    ChunkFile target;
    ASSERT_EQ(target.Open("/data/t.vdc", kChunkModeReadWrite), 0);
    RecordArray odd(12);
    odd.Append(std::string(12, 'x').data());
    ASSERT_EQ(target.WriteAll(kTagLabel, RecordArray(328), 328), 0);  // remove the labels
    ASSERT_EQ(target.WriteAll(kTagLabel, odd, 12), 0);
  }
  EXPECT_EQ(doc_.SaveTables("/data/t.vdc"), kChunkBadArgument);
  CVeldraDocument target;
  target.Load("/data/t.vdc");
  EXPECT_EQ(target.entries().Count(), kEntries);
  EXPECT_EQ(target.environment().Count(), 1);

  EXPECT_EQ(doc_.SaveTables("/data/none.vdc"), kChunkBadArgument);
  EXPECT_EQ(doc_.Save(), kSaveOk);  // its own file was never touched by the above
}

TEST_F(DocumentSaveTest, SaveOfAVanishedFileFails) {
  env_.fake().Remove(kCatalog);
  EXPECT_EQ(doc_.Save(), kSaveFailed);
  EXPECT_FALSE(env_.fake().FileExists(kCatalog));
}

TEST_F(DocumentSaveTest, SettingsAreOneRecordPerTag) {
  RememberedFolder folder;
  std::vector<uint8_t> out(RememberedFolder::kEncodedLength, 0xEE);
  EXPECT_FALSE(doc_.ReadSetting(kTagFolderSingleImport, out.size(), out.data()));
  EXPECT_EQ(out, std::vector<uint8_t>(out.size(), 0));

  folder.SetPath("/home/u/in/");
  ASSERT_TRUE(doc_.WriteSetting(kTagFolderSingleImport, RememberedFolder::kEncodedLength, folder.path.data()));
  folder.SetPath("/home/u/other/");
  ASSERT_TRUE(doc_.WriteSetting(kTagFolderSingleImport, RememberedFolder::kEncodedLength, folder.path.data()));
  ASSERT_TRUE(doc_.ReadSetting(kTagFolderSingleImport, out.size(), out.data()));
  EXPECT_EQ(RememberedFolder::DecodeFrom(out.data()).Path(), "/home/u/other/");

  int count = 0;
  for (const RawChunk& chunk : ScanChunks(File())) count += chunk.tag == kTagFolderSingleImport;
  EXPECT_EQ(count, 1);
  // Settings are not tables: a later save of the tables leaves them alone.
  ASSERT_EQ(doc_.Save(), kSaveOk);
  ASSERT_TRUE(doc_.ReadSetting(kTagFolderSingleImport, out.size(), out.data()));
  EXPECT_EQ(RememberedFolder::DecodeFrom(out.data()).Path(), "/home/u/other/");
}

// Every way the document writes its file after a PDF's append was killed before its link
// (whole chunk, or torn): the chunk no list reaches is cut first, so nothing the save
// appends lands behind it, and the file then checks sound and opens for a change.
TEST_F(DocumentSaveTest, EverySaveCutsAnAppendKilledBeforeItsLink) {
  const std::pair<const char*, std::function<bool()>> saves[] = {
      {"Save, appending the sort levels", [&] { return doc_.Save() == kSaveOk; }},
      {"SaveTables with nothing to append", [&] { return doc_.SaveTables(kCatalog) == 0; }},
      {"SaveTables of a new entry",
       [&] {
         testing::AddTestEntry(doc_, "/in/new.pdf");
         return doc_.SaveTables(kCatalog) == 0;
       }},
      {"WriteSetting of a new folder",
       [&] {
         RememberedFolder folder;
         folder.SetPath("/home/u");
         return doc_.WriteSetting(kTagFolderExport, RememberedFolder::kEncodedLength,
                                  folder.path.data());
       }},
      {"AttachPdf, then SaveTables",
       [&] {
         env_.fake().WriteFileBytes("/in/new.pdf", "%PDF-1.4 new");
         const EntryRecord entry = testing::AddTestEntry(doc_, "/in/new.pdf");
         return AttachPdf(entry, "/in/new.pdf", kCatalog, doc_.attachments(),
                          doc_.counters()) == 0 &&
                doc_.SaveTables(kCatalog) == 0;
       }},
  };
  // The append's failing write (1: the chunk, 2: its link) and what of it reached the file.
  const std::pair<int, size_t> kills[] = {{2, 0}, {1, 36 + 100}};
  const std::string pdf(3000, 'k');
  for (const auto& [name, save] : saves) {
    for (const auto& [failing_write, stored] : kills) {
      SCOPED_TRACE(std::string(name) + (failing_write == 2 ? ", whole chunk" : ", torn chunk"));
      env_.fake().WriteFileBytes(kCatalog, original_);
      doc_.OpenCatalog(kCatalog);
      ASSERT_TRUE(doc_.writable());
      {
        ChunkFile file;
        ASSERT_EQ(file.Open(kCatalog, kChunkModeReadWrite), 0);
        env_.fake().TearWriteAfter(failing_write, stored, /*sticky=*/true);
        EXPECT_NE(file.Append(kTagAttachmentData, pdf.size(), pdf.data()), 0);
        env_.fake().ClearWriteFailure();
      }
      ASSERT_NE(File().find(pdf.substr(0, 64)), std::string::npos);
      ASSERT_TRUE(save());
      EXPECT_EQ(File().find(pdf.substr(0, 64)), std::string::npos);
      std::vector<std::string> problems;
      EXPECT_TRUE(VerifyContainer(kCatalog, &problems)) << problems.front();
      CVeldraDocument reopened;
      reopened.LoadForChange(kCatalog);
      EXPECT_TRUE(reopened.writable()) << reopened.damage();
      EXPECT_EQ(reopened.entries().Count(), doc_.entries().Count());
    }
  }
}

}  // namespace
}  // namespace veldra

namespace veldra {
namespace {

TEST(RecordFingerprintTest, AnyChangedByteChangesTheFingerprint) {
  std::vector<uint8_t> record(EntryRecord::kEncodedLength + 3);  // a ragged tail as well
  for (size_t i = 0; i < record.size(); ++i) record[i] = static_cast<uint8_t>(i * 7);
  const RecordFingerprint original = FingerprintRecord(record.data(), record.size());
  for (size_t i = 0; i < record.size(); ++i) {
    for (uint8_t delta : {uint8_t{1}, uint8_t{0x80}, uint8_t{0xFF}}) {
      record[i] = static_cast<uint8_t>(record[i] + delta);
      ASSERT_NE(FingerprintRecord(record.data(), record.size()), original) << i;
      record[i] = static_cast<uint8_t>(record[i] - delta);
    }
  }
  // Two records that swap two words differ too.
  std::swap(record[8], record[16]);
  EXPECT_NE(FingerprintRecord(record.data(), record.size()), original);
}

}  // namespace
}  // namespace veldra
