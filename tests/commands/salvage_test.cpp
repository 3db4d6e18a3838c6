#include "commands/salvage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <map>

#include "commands/catalog_check.h"
#include "commands/delete_entries.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/catalog_tags.h"
#include "storage/chunk_format.h"
#include "tests/commands/catalog_fixture.h"

namespace veldra::commands {
namespace {

using veldra::testing::ChunksOf;
using veldra::testing::PatchInt32;
using veldra::testing::TestPdfBytes;
using Ids = std::vector<int32_t>;

constexpr char kSource[] = "/data/damaged.vdc";
constexpr char kTarget[] = "/data/new.vdc";
constexpr int kEntries = 8;

namespace cf = chunk_format;

// The i-th live chunk of tag in the source.
ChunkRecord Live(ChunkTag tag, size_t i) { return ChunksOf(kSource, tag).at(i); }

// Sets one field of the i-th live chunk of tag's header.
void Patch(ChunkTag tag, size_t i, size_t field, int32_t value) {
  ASSERT_TRUE(PatchInt32(kSource, Live(tag, i).offset + field, value));
}

// Overwrites the whole header of the i-th live chunk of tag.
void Overwrite(ChunkTag tag, size_t i) {
  const uint32_t at = Live(tag, i).offset;
  for (size_t k = 0; k < cf::kChunkHeaderSize; k += 4) {
    ASSERT_TRUE(PatchInt32(kSource, at + k, static_cast<int32_t>(0xABABABAB)));
  }
}

// Unlinks the i-th live chunk of tag from the middle of its list, as a delete does.
void UnlinkMiddle(ChunkTag tag, size_t i) {
  const ChunkRecord prev = Live(tag, i - 1), next = Live(tag, i + 1);
  ASSERT_TRUE(PatchInt32(kSource, prev.offset + cf::kNextInTagOffset,
                         static_cast<int32_t>(next.offset)));
  ASSERT_TRUE(PatchInt32(kSource, next.offset + cf::kPrevInTagOffset,
                         static_cast<int32_t>(prev.offset)));
}

class SalvageTest : public veldra::testing::CatalogTest {
 protected:
  void SetUp() override { ASSERT_TRUE(veldra::testing::MakeCatalogWithPdfs(kSource, kEntries)); }

  // Salvages the source and checks what every salvage must give: a sound catalog whose
  // entries are those expected, each with its own PDF's bytes unless it is named as without
  // one, and whose id counters lie above every id in it. pdf_of: an entry kept under a fresh
  // id, and the entry whose PDF it has.
  SalvageReport Salvage(const Ids& expected, const Ids& without_pdf = {},
                        std::map<int32_t, int32_t> pdf_of = {}) {
    SalvageReport report;
    EXPECT_EQ(SalvageCatalog(kSource, kTarget, &report), kSalvageOk);
    std::vector<std::string> problems;
    EXPECT_TRUE(CheckCatalog(kTarget, &problems)) << ::testing::PrintToString(problems);
    CVeldraDocument copy;
    copy.Load(kTarget);
    Ids ids;
    for (int i = 0; i < copy.entries().Count(); ++i) ids.push_back(EntryAt(copy.entries(), i).id);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, expected);
    Ids reported;
    for (const auto& entry : report.without_pdf) reported.push_back(entry.id);
    EXPECT_EQ(reported, without_pdf);
    for (int32_t id : ids) {
      std::vector<uint8_t> bytes;
      const int ordinal = copy.AttachmentOrdinal(id);
      const bool lost = std::count(without_pdf.begin(), without_pdf.end(), id) > 0;
      EXPECT_EQ(ordinal < 0, lost) << "entry " << id;
      if (!lost && copy.ReadEntryAttachment(ordinal, &bytes) > 0) {
        const int32_t own = pdf_of.count(id) > 0 ? pdf_of[id] : id;
        EXPECT_TRUE(std::string(bytes.begin(), bytes.end()) == TestPdfBytes(own))
            << "the PDF of entry " << id;
      }
      int32_t next = -1;
      for (int i = 0; i < copy.counters().Count(); ++i) {
        const IdCounterRow row = CounterAt(copy.counters(), i);
        if (row.Key() == kCounterKeyEntry) next = row.next_value;
      }
      EXPECT_GT(next, id);
    }
    return report;
  }
};

Ids All() { return {0, 1, 2, 3, 4, 5, 6, 7}; }

// One row of the results in docs/reliability.md ("Salvage").
// reached: the entries the source's lists still reach, as the application loads them.
void PrintResult(const std::string& damage, int in_source, const SalvageReport& report) {
  CVeldraDocument source;
  source.Load(kSource);
  const int recovered = report.live_entries + report.cut_off_entries;
  std::cout << "| " << damage << " | " << in_source << " | " << source.entries().Count()
            << " | " << recovered << " ("
            << report.cut_off_entries << " cut off, " << report.without_pdf.size()
            << " without PDF) | " << in_source - recovered << " |\n";
}

struct DamageRow {
  const char* name;
  std::function<void()> damage;
  Ids recovered;
  Ids without_pdf;
  int cut_off;  // entries recovered from cut-off chunks
  bool lost;
};

TEST_F(SalvageTest, EveryDamageGivesASoundCatalogWithEverythingThatSurvived) {
  const std::vector<DamageRow> rows = {
      {"sound", [] {}, All(), {}, 0, false},
      {"entry next -1 in the middle", [] { Patch(kTagEntry, 3, cf::kNextInTagOffset, -1); },
       All(), {}, 4, false},
      {"entry next wild", [] { Patch(kTagEntry, 3, cf::kNextInTagOffset, 0x7FFFFF00); }, All(),
       {}, 4, false},
      {"entry next into the file header",
       [] { Patch(kTagEntry, 3, cf::kNextInTagOffset, 100); }, All(), {}, 4, false},
      {"wrong prev links",
       [] {
         Patch(kTagEntry, 5, cf::kPrevInTagOffset, static_cast<int32_t>(Live(kTagEntry, 1).offset));
         Patch(kTagAttachment, 2, cf::kPrevInTagOffset, 12345);
         Patch(kTagAttachmentData, 4, cf::kPrevInTagOffset, -1);
       },
       All(), {}, 0, false},
      {"a second head of the entries",
       [] {
         const ChunkRecord fourth = Live(kTagEntry, 4);
         Patch(kTagEntry, 3, cf::kNextInTagOffset, -1);
         ContainerReport report;
         InspectContainer(kSource, &report);
         uint32_t last = cf::kRootOffset;
         for (const ChunkRecord& c : report.chunks) {
           if (c.live && c.header.prev_in_tag == -1 && c.header.next_head == -1) last = c.offset;
         }
         ASSERT_TRUE(PatchInt32(kSource, last + cf::kNextHeadOffset, static_cast<int32_t>(fourth.offset)));
         ASSERT_TRUE(PatchInt32(kSource, fourth.offset + cf::kPrevHeadOffset, static_cast<int32_t>(last)));
         ASSERT_TRUE(PatchInt32(kSource, fourth.offset + cf::kPrevInTagOffset, -1));
       },
       All(), {}, 0, false},
      {"a torn chunk at the end of the file",
       [] {
         auto file = platform::Platform::Current().Open(kSource, platform::OpenMode::kReadWrite);
         ASSERT_TRUE(file && file->Truncate(file->Size() - 20));
       },
       All(), {7}, 0, true},
      {"an entry's wild length", [] { Patch(kTagEntry, 3, cf::kLengthOffset, 0x40000000); },
       {0, 1, 2, 4, 5, 6, 7}, {}, 4, true},
      {"an entry's header overwritten", [] { Overwrite(kTagEntry, 3); }, {0, 1, 2, 4, 5, 6, 7},
       {}, 4, true},
      {"an entry's tag overwritten", [] { Patch(kTagEntry, 3, cf::kTagOffset, 0x58585858); },
       {0, 1, 2, 4, 5, 6, 7}, {}, 4, true},
      {"the root's header overwritten",
       [] {
         for (size_t k = 0; k < cf::kChunkHeaderSize; k += 4) {
           ASSERT_TRUE(PatchInt32(kSource, cf::kRootOffset + k, 0x01020304));
         }
       },
       All(), {}, 8, true},
      {"a PDF's header overwritten", [] { Overwrite(kTagAttachmentData, 3); }, All(), {3}, 0,
       true},
      {"the first PDF's header overwritten", [] { Overwrite(kTagAttachmentData, 0); }, All(),
       {0}, 8, true},
      {"the PDFs' next -1", [] { Patch(kTagAttachmentData, 3, cf::kNextInTagOffset, -1); },
       All(), {}, 0, false},
      {"the PDFs' next wild and the links' next -1",
       [] {
         Patch(kTagAttachmentData, 2, cf::kNextInTagOffset, 0x12345678);
         Patch(kTagAttachment, 5, cf::kNextInTagOffset, -1);
       },
       All(), {}, 0, false},
      {"the entry counter's header overwritten", [] { Overwrite(kTagIdCounter, 3); }, All(), {},
       0, true},
  };
  for (const DamageRow& row : rows) {
    SCOPED_TRACE(row.name);
    fake_.Remove(kSource);
    fake_.Remove(kTarget);
    ASSERT_TRUE(veldra::testing::MakeCatalogWithPdfs(kSource, kEntries));
    row.damage();
    const SalvageReport report = Salvage(row.recovered, row.without_pdf);
    EXPECT_EQ(report.cut_off_entries, row.cut_off);
    EXPECT_EQ(report.live_entries + report.cut_off_entries,
              static_cast<int>(row.recovered.size()));
    EXPECT_EQ(report.Lost(), row.lost) << ::testing::PrintToString(report.unreadable.size());
    EXPECT_TRUE(report.duplicates.empty());
    PrintResult(row.name, kEntries, report);
  }
}

// Deleted on purpose stays deleted: a table written with fewer records leaves dead chunks at
// the front of its list (one of them holds the deleted entry, another an old copy of a live
// one), and a chunk unlinked from the middle is skipped by its neighbours.
TEST_F(SalvageTest, DeletedEntriesDoNotComeBack) {
  struct Row {
    const char* name;
    Ids deleted;  // through the delete command
    std::function<void()> damage;
    Ids recovered;
    int cut_off;
  };
  const std::vector<Row> rows = {
      {"the first", {0}, [] {}, {1, 2, 3, 4, 5, 6, 7}, 0},
      {"one in the middle", {5}, [] {}, {0, 1, 2, 3, 4, 6, 7}, 0},
      {"all", {0, 1, 2, 3, 4, 5, 6, 7}, [] {}, {}, 0},
      {"unlinked from the middle with its link",
       {0},
       [] {
         UnlinkMiddle(kTagEntry, 2);
         UnlinkMiddle(kTagAttachment, 2);
       },
       {1, 2, 4, 5, 6, 7}, 0},
      {"the first, then a cut behind it",
       {0},
       [] { Patch(kTagEntry, 2, cf::kNextInTagOffset, -1); },
       {1, 2, 3, 4, 5, 6, 7}, 4},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fake_.Remove(kSource);
    fake_.Remove(kTarget);
    ASSERT_TRUE(veldra::testing::MakeCatalogWithPdfs(kSource, kEntries));
    {
      CVeldraDocument doc;
      doc.Load(kSource);
      ASSERT_EQ(DeleteEntries(doc, row.deleted), kSaveOk);
    }
    row.damage();
    const SalvageReport report = Salvage(row.recovered);
    EXPECT_EQ(report.cut_off_entries, row.cut_off);
    EXPECT_TRUE(report.duplicates.empty());
    EXPECT_FALSE(report.Lost());
    PrintResult(std::string("deleted: ") + row.name, static_cast<int>(row.recovered.size()),
                report);
  }
}

// Copies of one record under one id (alike where a record never changes): the later updated
// timestamp wins, then the later chunk. The record of entry 5 is overwritten with a copy of
// entry 2's; entry 5 is gone, and its link, which no entry takes, with it.
TEST_F(SalvageTest, OfTwoCopiesOfOneRecordTheNewestIsKept) {
  struct Row {
    const char* name;
    const char* updated;  // of the copy in entry 5's chunk
    const char* kept;     // "second" or "fifth": the chunk whose record is kept
  };
  const Row rows[] = {
      {"one record twice, the later newer", "20990101000000000", "fifth"},
      {"one record twice, the later older", "20000101000000000", "second"},
      {"one record twice, at the same time", nullptr, "fifth"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fake_.Remove(kSource);
    fake_.Remove(kTarget);
    ASSERT_TRUE(veldra::testing::MakeCatalogWithPdfs(kSource, kEntries));
    const ChunkRecord second = Live(kTagEntry, 2), fifth = Live(kTagEntry, 5);
    {
      auto file = platform::Platform::Current().Open(kSource, platform::OpenMode::kReadWrite);
      std::string record(EntryRecord::kEncodedLength, '\0');
      ASSERT_EQ(file->ReadAt(second.offset + cf::kChunkHeaderSize, record.data(), record.size()),
                static_cast<int64_t>(record.size()));
      if (row.updated != nullptr) {
        record.replace(EntryRecord::kUpdateDateOffset, 17, row.updated);
      }
      ASSERT_TRUE(file->WriteAt(fifth.offset + cf::kChunkHeaderSize, record.data(), record.size()));
    }
    const SalvageReport report = Salvage({0, 1, 2, 3, 4, 6, 7});
    ASSERT_EQ(report.duplicates.size(), 1u);
    const bool later = std::string(row.kept) == "fifth";
    EXPECT_EQ(report.duplicates[0].id, 2);
    EXPECT_EQ(report.duplicates[0].kept_at, later ? fifth.offset : second.offset);
    EXPECT_EQ(report.duplicates[0].dropped_at,
              std::vector<int64_t>{later ? second.offset : fifth.offset});
    EXPECT_TRUE(report.renumbered.empty());
    EXPECT_FALSE(report.Lost());
    PrintResult(row.name, kEntries, report);
  }
}

// Records under one id that differ where a record never changes, or with a negative id that
// no interrupted write left, are entries of their own: each is kept, under a fresh id above
// every id and counter, with its own PDF. (The later of two under one id, and an id's sign
// byte set, are rows of damage_shapes_test.cpp as well.)
TEST_F(SalvageTest, TwoEntriesUnderOneIdAndNegativeIdsAreKeptUnderFreshIds) {
  struct Row {
    const char* name;
    size_t chunk;  // the entry chunk whose id is changed
    int32_t id;
    int32_t lost_id;  // the id that entry had
  };
  const Row rows[] = {
      {"two entries under one id, the earlier changed", 2, 5, 2},
      {"an entry's id made negative", 3, -3, 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fake_.Remove(kSource);
    fake_.Remove(kTarget);
    ASSERT_TRUE(veldra::testing::MakeCatalogWithPdfs(kSource, kEntries));
    const ChunkRecord changed = Live(kTagEntry, row.chunk);
    ASSERT_TRUE(PatchInt32(kSource, changed.offset + cf::kChunkHeaderSize, row.id));
    Ids expected = {0, 1, 2, 3, 4, 5, 6, 7, kEntries};
    expected.erase(std::find(expected.begin(), expected.end(), row.lost_id));
    // The id kept by the earlier record; the later (or the negative one) gets 8, the first
    // id no counter has issued, and keeps its own PDF.
    std::map<int32_t, int32_t> pdf_of = {{kEntries, row.lost_id}};
    if (row.id >= 0 && row.chunk < 4) pdf_of = {{kEntries, row.id}, {row.id, row.lost_id}};
    const SalvageReport report = Salvage(expected, {}, pdf_of);
    ASSERT_EQ(report.renumbered.size(), 1u);
    EXPECT_EQ(report.renumbered[0].new_id, kEntries);
    EXPECT_TRUE(report.duplicates.empty());
    EXPECT_FALSE(report.Lost());
    PrintResult(row.name, kEntries, report);
  }
}

// Ids once issued are never issued again, also when every counter row is destroyed: the
// counters are rebuilt above every id found, a deleted record's included, and the entry
// counter above every entry a link names, a deleted link's included.
TEST_F(SalvageTest, NoIdIsIssuedTwiceWhenTheCountersAreGone) {
  struct Row {
    const char* name;
    ChunkTag tag;  // the first record of this table is given the id, then deleted
    size_t field;  // the id field of that record
    int32_t next_entry_id;
  };
  const Row rows[] = {
      {"a deleted entry held the highest id", kTagEntry, 0, 21},
      {"a deleted link named the highest entry id", kTagAttachment, 4, 21},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fake_.Remove(kSource);
    fake_.Remove(kTarget);
    ASSERT_TRUE(veldra::testing::MakeCatalogWithPdfs(kSource, kEntries));
    ASSERT_TRUE(PatchInt32(kSource, Live(row.tag, 0).offset + cf::kChunkHeaderSize + row.field, 20));
    {
      ChunkFile file;
      ASSERT_EQ(file.Open(kSource, kChunkModeReadWrite), kChunkOk);
      ASSERT_EQ(file.FindFirst(row.tag), kChunkOk);
      ASSERT_EQ(file.DeleteCurrent(), kChunkOk);
    }
    for (size_t i = 0; i < ChunksOf(kSource, kTagIdCounter).size(); ++i) {
      Patch(kTagIdCounter, i, cf::kTagOffset, static_cast<int32_t>(kTagCategory));
    }
    SalvageReport report;
    ASSERT_EQ(SalvageCatalog(kSource, kTarget, &report), kSalvageOk);
    CVeldraDocument copy;
    copy.LoadForChange(kTarget);
    ASSERT_TRUE(copy.writable()) << copy.damage();
    EXPECT_EQ(NextId(copy.counters(), kTagEntry, kCounterKeyEntry), row.next_entry_id);
    EXPECT_GE(NextId(copy.counters(), kTagAttachment, kCounterKeyAttachment), kEntries);
    EXPECT_GT(NextId(copy.counters(), kTagIdCounter, kCounterKeyCounter), 0);
  }
}

TEST_F(SalvageTest, ASoundCatalogComesOverWhole) {
  {
    CVeldraDocument doc;
    doc.Load(kSource);
    doc.SetEnvironmentValue("cat1list_selection", "a");
    ASSERT_EQ(doc.SaveTables(kSource), kSaveOk);
    RememberedFolder folder;
    folder.SetPath("/in");
    std::vector<uint8_t> bytes(RememberedFolder::kEncodedLength);
    folder.EncodeTo(bytes.data());
    ASSERT_TRUE(doc.WriteSetting(kTagFolderBatchImport, bytes.size(), bytes.data()));
  }
  const std::string before = fake_.ReadFileBytes(kSource);
  fake_.AdvanceMs(5);  // new records would carry another time
  SalvageReport report;
  ASSERT_EQ(SalvageCatalog(kSource, kTarget, &report), kSalvageOk);
  CVeldraDocument source, copy;
  source.Load(kSource);
  copy.Load(kTarget);
  for (ChunkTag tag :
       {kTagEntry, kTagLabel, kTagCategory, kTagIdCounter, kTagAttachment, kTagEnvironment}) {
    SCOPED_TRACE(TagText(tag));
    const RecordArray &a = *source.table(tag), &b = *copy.table(tag);
    ASSERT_EQ(a.Count(), b.Count());
    for (int i = 0; i < a.Count(); ++i) {
      EXPECT_TRUE(std::equal(a.At(i), a.At(i) + a.record_size(), b.At(i))) << i;
    }
  }
  EXPECT_EQ(report.pdfs, kEntries);
  RememberedFolder folder;
  ASSERT_TRUE(copy.ReadSetting(kTagFolderBatchImport, sizeof folder.path, folder.path.data()));
  EXPECT_EQ(folder.Path(), "/in");
  EXPECT_EQ(fake_.ReadFileBytes(kSource), before);
}

TEST_F(SalvageTest, NothingAtTheTargetIsEverReplaced) {
  fake_.WriteFileBytes(kTarget, "mine");
  SalvageReport report;
  EXPECT_EQ(SalvageCatalog(kSource, kTarget, &report), kSalvageTargetTaken);
  EXPECT_EQ(fake_.ReadFileBytes(kTarget), "mine");
  fake_.WriteFileBytes("/data/not.vdc", "not a catalog");
  EXPECT_EQ(SalvageCatalog("/data/not.vdc", "/data/other.vdc", &report), kSalvageNotContainer);
  EXPECT_FALSE(fake_.FileExists("/data/other.vdc"));
}

// ChunkFates on hand-made chains of one tag behind a sound root.
TEST(ChunkFatesTest, DeletedIsToldFromCutOff) {
  constexpr ChunkTag kT = kTagEntry;
  constexpr int32_t kNone = -1;
  using F = ChunkFate;
  struct C {
    uint32_t at;
    int32_t prev, next;
    bool live;
    int32_t prev_head = kNone, next_head = kNone;
  };
  struct Row {
    const char* name;
    std::vector<C> chunks;
    std::vector<F> fates;
  };
  const std::vector<Row> rows = {
      {"a former head",
       {{600, kNone, 700, false, 512}, {700, kNone, kNone, true, 512}},
       {F::kDeleted, F::kLive}},
      {"skipped by its neighbours",
       {{600, kNone, 800, true, 512}, {700, 600, 800, false}, {800, 600, kNone, true}},
       {F::kLive, F::kDeleted, F::kLive}},
      {"behind a skipped chunk",
       {{600, kNone, 900, true, 512}, {700, 600, 800, false}, {800, 700, 900, false},
        {900, 600, kNone, true}},
       {F::kLive, F::kDeleted, F::kDeleted, F::kLive}},
      {"behind next -1",
       {{600, kNone, kNone, true, 512}, {700, 600, 800, false}, {800, 700, kNone, false}},
       {F::kLive, F::kCutOff, F::kCutOff}},
      {"behind a wild next, with a wrong prev further on",
       {{600, kNone, 99999, true, 512}, {700, 600, 800, false}, {800, 4, kNone, false}},
       {F::kLive, F::kCutOff, F::kCutOff}},
      {"behind a damaged header the list runs into",
       {{600, kNone, 650, true, 512}, {700, 650, kNone, false}}, {F::kLive, F::kCutOff}},
      {"a head the list of heads runs past",
       {{600, kNone, kNone, false, 512}}, {F::kDeleted}},
      {"a head the list of heads lost, its successor still naming it",
       {{600, kNone, 700, false, 512}, {700, 600, kNone, false}}, {F::kCutOff, F::kCutOff}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<ChunkRecord> chunks;
    ChunkHeader root;
    root.tag = kRootTag;
    root.self = 512;
    root.next_head = row.chunks.front().live ? 600 : kNone;
    chunks.push_back({512, root, true});
    for (const C& c : row.chunks) {
      ChunkHeader h;
      h.tag = kT;
      h.length = 64;
      h.self = static_cast<int32_t>(c.at);
      h.prev_in_tag = c.prev;
      h.next_in_tag = c.next;
      h.prev_head = c.prev_head;
      h.next_head = c.next_head;
      chunks.push_back({c.at, h, c.live});
    }
    std::vector<F> fates = ChunkFates(chunks);
    EXPECT_EQ(fates.front(), F::kLive);
    fates.erase(fates.begin());
    EXPECT_EQ(fates, row.fates);
  }
}

// With the root's header destroyed nothing is live: the heads that named it, and the chunks
// behind them, are cut off; a former head of a tag is still deleted.
TEST(ChunkFatesTest, AListOfHeadsWithoutItsRootIsCutOff) {
  auto chunk = [](uint32_t at, ChunkTag tag, int32_t prev, int32_t next, int32_t prev_head,
                  int32_t next_head) {
    ChunkHeader h;
    h.tag = tag;
    h.length = 64;
    h.self = static_cast<int32_t>(at);
    h.prev_in_tag = prev;
    h.next_in_tag = next;
    h.prev_head = prev_head;
    h.next_head = next_head;
    return ChunkRecord{at, h, false};
  };
  const std::vector<ChunkRecord> chunks = {
      chunk(600, kTagLabel, -1, 700, 512, 800),  // the first head, named by the lost root
      chunk(700, kTagLabel, 600, -1, -1, -1),
      chunk(750, kTagEntry, -1, 800, 600, -1),   // a former head of the entries
      chunk(800, kTagEntry, -1, 900, 600, -1),   // their head, after the labels' head
      chunk(900, kTagEntry, 800, -1, -1, -1),
  };
  using F = ChunkFate;
  EXPECT_EQ(ChunkFates(chunks),
            (std::vector<F>{F::kCutOff, F::kCutOff, F::kDeleted, F::kCutOff, F::kCutOff}));

  // Behind a live head whose next-head is wild, or -1 (as a table emptied on purpose leaves
  // it): the first is cut off, the second not.
  for (int32_t next_head : {0x7000000, -1}) {
    ChunkRecord root = chunk(512, kRootTag, -1, -1, -1, 600);
    ChunkRecord label = chunk(600, kTagLabel, -1, -1, 512, next_head);
    root.live = label.live = true;
    EXPECT_EQ(ChunkFates({root, label, chunk(800, kTagEntry, -1, -1, 600, -1)}).back(),
              next_head == -1 ? F::kDeleted : F::kCutOff);
  }
}

}  // namespace
}  // namespace veldra::commands
