// Ids, the default catalog, new records, attachments and the companion and export paths.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/catalog_tags.h"
#include "storage/category_names.h"
#include "tests/storage/catalog_test_support.h"

namespace veldra {
namespace {

using testing::ChunkData;
using testing::FakeCatalogEnvironment;
using testing::I32At;
using testing::kFixedStamp;
using testing::PutBytes;
using testing::PutI32;
using testing::RawChunk;
using testing::ScanChunks;
using testing::StampField;
using testing::Utf16Field;

constexpr char kCatalog[] = "/data/books.vdc";

std::string CounterRowBytes(int32_t row_id, int32_t tag, const std::string& key, int32_t value) {
  std::string row(140, '\0');
  PutI32(&row, 0, row_id);
  PutI32(&row, 4, tag);
  PutBytes(&row, 8, key);
  PutI32(&row, 72, value);
  PutBytes(&row, 76, StampField(kFixedStamp));
  PutBytes(&row, 94, StampField(kFixedStamp));
  return row;
}

TEST(NextIdTest, CountsPerKeyAndAddsRowsForNewKeys) {
  FakeCatalogEnvironment env;
  IdCounterTable counters = MakeTable<IdCounterRow>();
  // Without an "ic_id" row the counter table's own ids start at 0 and add nothing.
  EXPECT_EQ(NextId(counters, kTagIdCounter, kCounterKeyCounter), 0);
  EXPECT_EQ(counters.Count(), 0);

  EXPECT_EQ(NextId(counters, kTagEntry, kCounterKeyEntry), 0);
  EXPECT_EQ(NextId(counters, kTagEntry, kCounterKeyEntry), 1);
  EXPECT_EQ(NextId(counters, kTagCategory, kCounterKeyCategory), 0);
  ASSERT_EQ(counters.Count(), 2);
  EXPECT_EQ(CounterAt(counters, 0).Key(), "en_id");
  EXPECT_EQ(CounterAt(counters, 0).next_value, 2);
  EXPECT_EQ(CounterAt(counters, 1).serving_tag, kTagCategory);
  // The same key under another tag is another counter.
  EXPECT_EQ(NextId(counters, kTagAttachment, kCounterKeyEntry), 0);
  EXPECT_EQ(counters.Count(), 3);
}

TEST(NextIdTest, StampsTheUpdatedTimeOnEveryRequest) {
  FakeCatalogEnvironment env;
  IdCounterTable counters = MakeTable<IdCounterRow>();
  NextId(counters, kTagEntry, kCounterKeyEntry);
  env.fake().AdvanceMs(5);
  NextId(counters, kTagEntry, kCounterKeyEntry);
  const IdCounterRow row = CounterAt(counters, 0);
  EXPECT_EQ(row.created.Text(), kFixedStamp);
  EXPECT_EQ(row.updated.Text(), "20240305070809015");
}

// A damaged or forged file can hold a counter at the top of the 32-bit range, or below 0.
// Such a counter issues no id at all, rather than wrap to negative ids (what an interrupted
// write leaves), and nothing is changed; nor does a new key get a row once the counters'
// own counter has no id left. The builders of new records then add nothing.
TEST(NextIdTest, ACounterAtTheTopOfTheRangeRefusesInsteadOfWrapping) {
  struct Row {
    const char* name;
    int32_t entry_counter;  // INT32_MIN: no row for "en_id"
    int32_t own_counter;    // the "ic_id" row's value
    std::vector<int32_t> issued;  // the ids of the next requests, kNoIdLeft once refused
  };
  const Row rows[] = {
      {"one id left", 2147483646, 10, {2147483646, kNoIdLeft, kNoIdLeft}},
      {"at 2147483647", 2147483647, 10, {kNoIdLeft}},
      {"below 0", -5, 10, {kNoIdLeft}},
      {"no row, the counters' own counter at 2147483647", INT32_MIN, 2147483647, {kNoIdLeft}},
      {"no row, a row id left", INT32_MIN, 2147483646, {0, 1}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeCatalogEnvironment env;
    IdCounterTable counters = MakeTable<IdCounterRow>();
    const auto add = [&](int32_t row_id, ChunkTag tag, std::string_view key, int32_t value) {
      IdCounterRow counter;
      counter.row_id = row_id;
      counter.serving_tag = tag;
      counter.SetKey(key);
      counter.next_value = value;
      ASSERT_EQ(AppendRecord(counters, counter), 0);
    };
    add(0, kTagIdCounter, kCounterKeyCounter, row.own_counter);
    if (row.entry_counter != INT32_MIN) add(1, kTagEntry, kCounterKeyEntry, row.entry_counter);
    for (int32_t expected : row.issued) {
      const int64_t left = IdsLeft(counters, kTagEntry, kCounterKeyEntry);
      EXPECT_EQ(left > 0, expected != kNoIdLeft);
      const RecordArray before = counters;
      EXPECT_EQ(NextId(counters, kTagEntry, kCounterKeyEntry), expected);
      if (expected == kNoIdLeft) {
        EXPECT_EQ(counters.Count(), before.Count());
        for (int i = 0; i < counters.Count(); ++i) EXPECT_EQ(CounterAt(counters, i), CounterAt(before, i));
      } else {
        EXPECT_EQ(IdsLeft(counters, kTagEntry, kCounterKeyEntry), left - 1);
      }
    }
  }
  // The builders of new records add nothing for a counter that refuses.
  FakeCatalogEnvironment env;
  IdCounterTable counters = MakeTable<IdCounterRow>();
  for (const auto& [tag, key] : {std::pair{kTagCategory, kCounterKeyCategory},
                                 std::pair{kTagEntry, kCounterKeyEntry},
                                 std::pair{kTagAttachment, kCounterKeyAttachment}}) {
    ASSERT_TRUE(RaiseCounter(counters, tag, key, kLastIdValue));
  }
  RecordArray categories = MakeTable<CategoryRecord>();
  EXPECT_FALSE(NewCategoryRecord(categories, counters, "a", "b", "c"));
  EXPECT_EQ(categories.Count(), 0);
  EntryRecord entry;
  EXPECT_FALSE(NewEntryRecord(counters, "/in/a.pdf", "a", "b", "c", &entry));
  EXPECT_EQ(entry, EntryRecord{});
  RecordArray links = MakeTable<AttachmentRecord>();
  EXPECT_EQ(AppendAttachmentLink(links, counters, 0, 0), -1);
  env.fake().WriteFileBytes("/in/a.pdf", "%PDF");
  ASSERT_TRUE(CreateDefaultCatalog("/c.vdc"));
  const std::string file = env.fake().ReadFileBytes("/c.vdc");
  EXPECT_EQ(AttachPdf(entry, "/in/a.pdf", "/c.vdc", links, counters), -1);
  EXPECT_EQ(env.fake().ReadFileBytes("/c.vdc"), file) << "no bytes that no link could name";
  EXPECT_EQ(links.Count(), 0);
}

// A new file takes its name only once its bytes are on the device, and the name reaches the
// device (its folder synced) before kCopyOk: a power loss afterwards leaves it whole. A
// folder sync that fails takes the file away again, and says so.
TEST(WriteNewFileTest, TheNameReachesTheDeviceBeforeSuccessIsTold) {
  for (const bool sync_fails : {false, true}) {
    SCOPED_TRACE(sync_fails ? "the folder's sync failing" : "synced");
    FakeCatalogEnvironment env;
    env.fake().AddFolder("/out");
    env.fake().StartCrashMode();
    env.fake().SetFolderSyncFails(sync_fails);
    const int rc = WriteNewFile("/out/x.pdf", [](platform::File& file) {
      return file.WriteAt(0, "%PDF", 4);
    });
    env.fake().SetFolderSyncFails(false);
    EXPECT_EQ(rc, sync_fails ? kCopyFailed : kCopyOk);
    EXPECT_EQ(env.fake().FolderSyncCount("/out"), 1);
    if (!sync_fails) env.fake().Crash();
    EXPECT_EQ(env.fake().FilePaths(),
              sync_fails ? std::vector<std::string>{} : std::vector<std::string>{"/out/x.pdf"});
    EXPECT_EQ(env.fake().ReadFileBytes("/out/x.pdf"), sync_fails ? "" : "%PDF");
  }
}

TEST(DefaultCatalogTest, ChunksMatchTheLayoutByteForByte) {
  FakeCatalogEnvironment env;
  env.fake().AddFolder("/data");
  ASSERT_TRUE(CreateDefaultCatalog(kCatalog));
  const std::string file = env.fake().ReadFileBytes(kCatalog);
  const std::vector<RawChunk> chunks = ScanChunks(file);

  const std::vector<int32_t> tags = {-1,        kTagLabel,     kTagLabel,     kTagLabel,
                                     kTagCategory, kTagIdCounter, kTagIdCounter, kTagIdCounter};
  ASSERT_EQ(chunks.size(), tags.size());
  for (size_t i = 0; i < tags.size(); ++i) EXPECT_EQ(chunks[i].tag, tags[i]) << i;
  EXPECT_EQ(file.substr(548, 4), "EBAL");  // the first label's tag on disk

  const std::u16string label_names[3] = {u"\u5206\u985E\uFF11", u"\u5206\u985E\uFF12",
                                         u"\u5206\u985E\uFF13"};
  for (int i = 0; i < 3; ++i) {
    std::string label(328, '\0');
    PutI32(&label, 0, i);
    PutI32(&label, 4, i + 1);
    PutBytes(&label, 8, Utf16Field(label_names[i], 256));
    PutBytes(&label, 264, StampField(kFixedStamp));
    PutBytes(&label, 282, StampField(kFixedStamp));
    EXPECT_EQ(chunks[1 + i].data, label) << "label " << i;
  }

  std::string category(836, '\0');
  for (int level = 0; level < 3; ++level) {
    PutBytes(&category, 4 + 256 * level, Utf16Field(u"\u305D\u306E\u4ED6", 256));
  }
  PutBytes(&category, 772, StampField(kFixedStamp));
  PutBytes(&category, 790, StampField(kFixedStamp));
  EXPECT_EQ(chunks[4].data, category);

  EXPECT_EQ(chunks[5].data, CounterRowBytes(0, kTagIdCounter, "ic_id", 3));
  EXPECT_EQ(chunks[6].data, CounterRowBytes(1, kTagLabel, "la_id", 3));
  EXPECT_EQ(chunks[7].data, CounterRowBytes(2, kTagCategory, "ct_id", 1));
}

TEST(DefaultCatalogTest, AnExistingFileIsNeverOverwritten) {
  FakeCatalogEnvironment env;
  env.fake().WriteFileBytes(kCatalog, "precious");
  EXPECT_FALSE(CreateDefaultCatalog(kCatalog));
  EXPECT_EQ(env.fake().ReadFileBytes(kCatalog), "precious");
}

TEST(DefaultCatalogTest, AHalfWrittenCatalogIsRemoved) {
  FakeCatalogEnvironment env;
  env.fake().AddFolder("/data");
  env.fake().FailWriteAfter(4);  // after the header and root, in the tables
  EXPECT_FALSE(CreateDefaultCatalog(kCatalog));
  EXPECT_FALSE(env.fake().FileExists(kCatalog));
  EXPECT_FALSE(CreateDefaultCatalog("/no/such/folder/x.vdc"));
}

TEST(NewRecordsTest, FirstUserCategoryGetsIdOne) {
  FakeCatalogEnvironment env;
  IdCounterTable counters = MakeTable<IdCounterRow>();
  RecordArray categories = MakeTable<CategoryRecord>();
  NewCategoryRecord(categories, counters, kOtherCategoryName, kOtherCategoryName,
                    kOtherCategoryName);
  NewCategoryRecord(categories, counters, "A", "B", "C");
  // No check for duplicates: the caller looks first.
  NewCategoryRecord(categories, counters, "A", "B", "C");
  ASSERT_EQ(categories.Count(), 3);
  EXPECT_EQ(CategoryAt(categories, 1).id, 1);
  EXPECT_EQ(CategoryAt(categories, 1).Name(2), "B");
  EXPECT_EQ(CategoryAt(categories, 2).id, 2);
}

TEST(NewRecordsTest, EntryTakesNamesSizeTimesAndSystemNames) {
  FakeCatalogEnvironment env;
  env.fake().SetNow({2023, 1, 2, 3, 4, 5, 6});
  env.fake().WriteFileBytes("/in/sub.dir/Report 1.pdf", std::string(1234, 'p'));
  env.fake().SetNow({2024, 3, 5, 7, 8, 9, 10});
  env.fake().SetComputerName(std::string(70, 'h'));
  env.fake().SetOsName("Debian GNU/Linux 12 (bookworm) 6.1.0-18-amd64");

  IdCounterTable counters = MakeTable<IdCounterRow>();
  EntryRecord entry;
  entry.my_rate = 3;  // whatever the caller left is reset
  NewEntryRecord(counters, "/in/sub.dir/Report 1.pdf", "a", "b", "c", &entry);
  EXPECT_EQ(entry.id, 0);
  EXPECT_EQ(entry.file_name.Text(), "Report 1.pdf");
  EXPECT_EQ(entry.title.Text(), "Report 1.pdf");
  EXPECT_EQ(entry.file_path.Text(), "/in/sub.dir/Report 1.pdf");
  EXPECT_EQ(entry.CategoryName(1), "a");
  EXPECT_EQ(entry.CategoryName(3), "c");
  EXPECT_EQ(entry.file_size, 1234);
  EXPECT_EQ(entry.file_create_date.Text(), "20230102030405006");
  EXPECT_EQ(entry.create_date.Text(), kFixedStamp);
  EXPECT_EQ(entry.update_date.Text(), kFixedStamp);
  EXPECT_EQ(entry.os.Text(), "Debian GNU/Linux 12 (bookworm) 6.1.0-18-amd64");
  EXPECT_EQ(entry.machine_name.Text(), std::string(63, 'h'));
  EXPECT_EQ(entry.my_rate, 0);
  EXPECT_TRUE(entry.last_view_date.empty());

  EntryRecord second;
  NewEntryRecord(counters, "/in/missing.pdf", "a", "b", "c", &second);
  EXPECT_EQ(second.id, 1);
  EXPECT_EQ(second.file_size, -1);
  EXPECT_TRUE(second.file_create_date.empty());
}

TEST(NewRecordsTest, OsNameTooLongOrUnknownStaysEmpty) {
  FakeCatalogEnvironment env;
  env.fake().SetOsName(std::string(80, 'o'));
  IdCounterTable counters = MakeTable<IdCounterRow>();
  EntryRecord entry;
  NewEntryRecord(counters, "/x.pdf", "a", "b", "c", &entry);
  EXPECT_EQ(entry.os.Text(), "");
  env.fake().SetComputerName("");
  NewEntryRecord(counters, "/x.pdf", "a", "b", "c", &entry);
  EXPECT_EQ(entry.machine_name.Text(), "");
}

class AttachmentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.fake().AddFolder("/data");
    ASSERT_TRUE(CreateDefaultCatalog(kCatalog));
    env_.fake().WriteFileBytes("/in/a.pdf", "%PDF-a");
    env_.fake().WriteFileBytes("/in/b.pdf", "%PDF-bb");
  }
  int Attach(int32_t entry_id, const std::string& pdf) {
    EntryRecord entry;
    entry.id = entry_id;
    return AttachPdf(entry, pdf, kCatalog, attachments_, counters_);
  }

  FakeCatalogEnvironment env_;
  RecordArray attachments_ = MakeTable<AttachmentRecord>();
  IdCounterTable counters_ = MakeTable<IdCounterRow>();
};

TEST_F(AttachmentTest, SamePdfTwiceGivesTwoChunksAndOrdinals) {
  ASSERT_EQ(Attach(7, "/in/a.pdf"), 0);
  ASSERT_EQ(Attach(8, "/in/a.pdf"), 0);
  const std::vector<std::string> data =
      ChunkData(env_.fake().ReadFileBytes(kCatalog), kTagAttachmentData);
  EXPECT_EQ(data, (std::vector<std::string>{"%PDF-a", "%PDF-a"}));
  ASSERT_EQ(attachments_.Count(), 2);
  EXPECT_EQ(AttachmentAt(attachments_, 0).entry_id, 7);
  EXPECT_EQ(AttachmentAt(attachments_, 0).ordinal, 0);
  EXPECT_EQ(AttachmentAt(attachments_, 1).ordinal, 1);
  EXPECT_EQ(AttachmentAt(attachments_, 1).id, 1);
  EXPECT_EQ(AttachmentAt(attachments_, 1).created.Text(), kFixedStamp);
}

TEST_F(AttachmentTest, OrdinalCountsOrphanedData) {
  ASSERT_EQ(Attach(1, "/in/a.pdf"), 0);
  ASSERT_EQ(Attach(2, "/in/b.pdf"), 0);
  attachments_.Remove(1);  // the entry went; its data stays in the file
  ASSERT_EQ(Attach(3, "/in/a.pdf"), 0);
  EXPECT_EQ(AttachmentAt(attachments_, 1).ordinal, 2);
  std::vector<uint8_t> bytes;
  EXPECT_EQ(ReadAttachment(kCatalog, 1, &bytes), 7);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "%PDF-bb");
}

TEST_F(AttachmentTest, FailuresAddNoRecord) {
  env_.fake().WriteFileBytes("/in/empty.pdf", "");
  EXPECT_EQ(Attach(1, "/in/empty.pdf"), -1);
  EXPECT_EQ(Attach(1, "/in/none.pdf"), -1);
  EXPECT_EQ(AttachPdf(EntryRecord{}, "/in/a.pdf", "/data/none.vdc", attachments_, counters_), -1);
  env_.fake().FailWriteAfter(1);
  EXPECT_EQ(Attach(1, "/in/a.pdf"), -1);
  EXPECT_EQ(attachments_.Count(), 0);
  EXPECT_EQ(counters_.Count(), 0);
  // The failed append left the container usable: the next one gets ordinal 0.
  ASSERT_EQ(Attach(2, "/in/b.pdf"), 0);
  EXPECT_EQ(AttachmentAt(attachments_, 0).ordinal, 0);
}

TEST_F(AttachmentTest, LargePdfIsCopiedExactlyInBlocks) {
  std::string big(3 * kAttachmentBlockSize + 12345, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 131) >> 7);
  env_.fake().WriteFileBytes("/in/big.pdf", big);
  ASSERT_EQ(Attach(1, "/in/big.pdf"), 0);
  EXPECT_EQ(ChunkData(env_.fake().ReadFileBytes(kCatalog), kTagAttachmentData).at(0), big);
  EXPECT_EQ(AttachmentLength(kCatalog, 0), static_cast<int64_t>(big.size()));

  ASSERT_EQ(CopyAttachmentToFile(kCatalog, 0, "/out/big.pdf"), kCopyCannotCreate);
  env_.fake().AddFolder("/out");
  ASSERT_EQ(CopyAttachmentToFile(kCatalog, 0, "/out/big.pdf"), kCopyOk);
  EXPECT_EQ(env_.fake().ReadFileBytes("/out/big.pdf"), big);
}

TEST_F(AttachmentTest, ReadingBeyondTheLastAttachmentFails) {
  std::vector<uint8_t> bytes;
  EXPECT_EQ(ReadAttachment(kCatalog, 0, &bytes), -1);
  ASSERT_EQ(Attach(1, "/in/a.pdf"), 0);
  EXPECT_EQ(ReadAttachment(kCatalog, 0, &bytes), 6);
  EXPECT_EQ(ReadAttachment(kCatalog, 1, &bytes), -1);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(ReadAttachment(kCatalog, -1, &bytes), -1);
  EXPECT_EQ(CopyAttachmentToFile(kCatalog, 1, "/in/x.pdf"), kCopyNoAttachment);
  EXPECT_FALSE(env_.fake().FileExists("/in/x.pdf"));
}

TEST_F(AttachmentTest, FailedCopyLeavesNoHalfFile) {
  std::string big(2 * kAttachmentBlockSize + 1, 'q');
  env_.fake().WriteFileBytes("/in/big.pdf", big);
  ASSERT_EQ(Attach(1, "/in/big.pdf"), 0);
  env_.fake().FailWriteAfter(2);
  EXPECT_EQ(CopyAttachmentToFile(kCatalog, 0, "/in/out.pdf"), kCopyFailed);
  EXPECT_FALSE(env_.fake().FileExists("/in/out.pdf"));
}

TEST_F(AttachmentTest, CopyIntoAnOpenFileGoesInBlocksAndReportsFailures) {
  std::string big(2 * kAttachmentBlockSize + 7, 'r');
  env_.fake().WriteFileBytes("/in/big.pdf", big);
  ASSERT_EQ(Attach(1, "/in/big.pdf"), 0);
  auto target = env_.fake().Open("/in/copy.pdf", platform::OpenMode::kCreatePrivate);
  ASSERT_NE(target, nullptr);
  env_.fake().ResetCounters();
  ASSERT_EQ(CopyAttachmentIntoFile(kCatalog, 0, *target), kCopyOk);
  EXPECT_EQ(env_.fake().WriteCount(), 3) << "one write per block, never the whole PDF at once";
  EXPECT_EQ(env_.fake().ReadFileBytes("/in/copy.pdf"), big);
  EXPECT_EQ(CopyAttachmentIntoFile(kCatalog, 1, *target), kCopyNoAttachment);
  env_.fake().FailWriteAfter(2);
  EXPECT_EQ(CopyAttachmentIntoFile(kCatalog, 0, *target), kCopyFailed);
}

TEST_F(AttachmentTest, ChunkCopyBetweenCatalogs) {
  ASSERT_EQ(Attach(1, "/in/a.pdf"), 0);
  ASSERT_EQ(Attach(2, "/in/b.pdf"), 0);
  ChunkFile source;
  ChunkFile target;
  ASSERT_EQ(source.Open(kCatalog, kChunkModeReadOnly), 0);
  ASSERT_EQ(target.Create("/data/copy.vdc"), 0);
  EXPECT_EQ(CopyAttachmentChunk(source, 1, target), 0);
  EXPECT_NE(CopyAttachmentChunk(source, 2, target), 0);
  source.Close();
  target.Close();
  EXPECT_EQ(ChunkData(env_.fake().ReadFileBytes("/data/copy.vdc"), kTagAttachmentData),
            std::vector<std::string>{"%PDF-bb"});
}

TEST(CompanionPathTest, ReplacesTheTextAfterTheLastDot) {
  EXPECT_EQ(CompanionPath("/docs/a.pdf"), "/docs/a.vdb");
  EXPECT_EQ(CompanionPath("/d/ver.2/readme"), "/d/ver.vdb");
  EXPECT_EQ(CompanionPath("/d/readme"), ".vdb");
  EXPECT_EQ(CompanionPath("/d/a.b.pdf"), "/d/a.b.vdb");
}

TEST(UniqueExportPathTest, NumbersTakenNames) {
  FakeCatalogEnvironment env;
  EXPECT_EQ(UniqueExportPath("report.pdf", "/out"), "/out/report.pdf");
  env.fake().WriteFileBytes("/out/report.pdf", "x");
  EXPECT_EQ(UniqueExportPath("report.pdf", "/out"), "/out/report-1.pdf");
  env.fake().WriteFileBytes("/out/report-1.pdf", "x");
  EXPECT_EQ(UniqueExportPath("report.pdf", "/out"), "/out/report-2.pdf");
  env.fake().WriteFileBytes("/out/report-2.vdb", "x");  // a taken companion takes the number
  EXPECT_EQ(UniqueExportPath("report.pdf", "/out"), "/out/report-3.pdf");
  EXPECT_EQ(UniqueExportPath("report", "/out"), "/out/.pdf");
  EXPECT_EQ(UniqueExportPath("a.b.txt", "/out"), "/out/a.b.pdf");
}

}  // namespace
}  // namespace veldra
