// One definition of damage: for each shape (mostly a single byte or field changed) what
// `check` reports, whether a change is refused, what the change leaves, whether a compacted
// copy is made (it always checks sound), and what salvage recovers. Damage is refused and
// salvage brings back every entry it can, each with its own PDF; the traces of an
// interrupted write are accepted and the change puts them right.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "commands/catalog_check.h"
#include "commands/compact_copy.h"
#include "commands/salvage.h"
#include "storage/catalog_table.h"
#include "storage/catalog_tags.h"
#include "storage/chunk_format.h"
#include "storage/interrupted_rewrite.h"
#include "tests/commands/catalog_fixture.h"

namespace veldra::commands {
namespace {

using veldra::testing::ChunksOf;
using veldra::testing::PatchInt32;
using veldra::testing::TestPdfBytes;
using Ids = std::vector<int32_t>;
namespace cf = chunk_format;

constexpr char kSource[] = "/data/shape.vdc";
constexpr char kTarget[] = "/data/salvaged.vdc";
constexpr int kEntries = 8;
constexpr size_t kData = cf::kChunkHeaderSize;

enum class Verdict { kSound, kInterruptedWrite, kDamage };

uint32_t Chunk(ChunkTag tag, size_t i) { return ChunksOf(kSource, tag).at(i).offset; }

void PatchByte(int64_t at, uint8_t value) {
  auto file = platform::Platform::Current().Open(kSource, platform::OpenMode::kReadWrite);
  ASSERT_TRUE(file && file->WriteAt(at, &value, 1));
}

void Patch(ChunkTag tag, size_t i, size_t field, int32_t value) {
  ASSERT_TRUE(PatchInt32(kSource, Chunk(tag, i) + field, value));
}

Ids EntryIds(const CVeldraDocument& document) {
  Ids ids;
  for (int i = 0; i < document.entries().Count(); ++i) {
    ids.push_back(EntryAt(document.entries(), i).id);
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

// Every entry of the catalog at path has the PDF imported for it (pdf_of: for an entry kept
// under a fresh id, the entry it was), except those in without.
void ExpectOwnPdfs(const std::string& path, const std::map<int32_t, int32_t>& pdf_of,
                   const Ids& without = {}) {
  CVeldraDocument document;
  document.Load(path);
  for (int32_t id : EntryIds(document)) {
    const bool none = std::count(without.begin(), without.end(), id) > 0;
    std::vector<uint8_t> bytes;
    const int ordinal = document.AttachmentOrdinal(id);
    EXPECT_EQ(ordinal < 0, none) << "entry " << id;
    if (ordinal < 0) continue;
    ASSERT_GT(document.ReadEntryAttachment(ordinal, &bytes), 0) << "entry " << id;
    const int32_t own = pdf_of.count(id) > 0 ? pdf_of.at(id) : id;
    EXPECT_TRUE(std::string(bytes.begin(), bytes.end()) == TestPdfBytes(own)) << "entry " << id;
  }
}

struct Row {
  const char* name;
  std::function<void()> make;
  Verdict verdict;
  const char* words;  // of a line of check ("" for a sound catalog)
  Ids after_change;   // the entries after one change (not damaged)
  Ids salvaged;       // the entries salvage recovers
  std::map<int32_t, int32_t> pdf_of = {};  // of a salvaged entry kept under a fresh id
  Ids without_pdf = {};                    // salvaged entries without their PDF
  bool lost = false;                       // salvage says something could not be kept
  bool no_copy = false;  // compact refuses: the copy would keep an id held twice or negative
};

Ids All() { return {0, 1, 2, 3, 4, 5, 6, 7}; }
Ids AllBut(int32_t id, int32_t fresh = -1) {
  Ids ids = All();
  ids.erase(std::find(ids.begin(), ids.end(), id));
  if (fresh >= 0) ids.push_back(fresh);
  return ids;
}

class DamageShapesTest : public veldra::testing::CatalogTest {};

TEST_F(DamageShapesTest, CheckChangeAndSalvageAgreeOnEveryShape) {
  const int64_t id3 = kData + EntryRecord::kIdOffset;
  const std::vector<Row> rows = {
      {"sound", [] {}, Verdict::kSound, "", All(), All()},
      {"an entry's id: its sign byte set",
       [&] { PatchByte(Chunk(kTagEntry, 3) + id3 + 3, 0xFF); }, Verdict::kDamage,
       "record 3 of table 'ENTR' has the id -16777213", {}, AllBut(3, 8), {{8, 3}}, {}, false,
       true},
      {"an entry's id := -1", [] { Patch(kTagEntry, 3, kData, -1); }, Verdict::kDamage,
       "has the id -1, and no copy of it", {}, AllBut(3, 8), {{8, 3}}, {}, false, true},
      {"two entries under one id", [] { Patch(kTagEntry, 4, kData, 1); }, Verdict::kDamage,
       "entry id 1 is held by 2 entries", {}, AllBut(4, 8), {{8, 4}}, {}, false, true},
      {"a link's id: its sign byte set",
       [] { PatchByte(Chunk(kTagAttachment, 2) + kData + 3, 0xFF); }, Verdict::kDamage,
       "record 2 of table 'ATTA' has the id", {}, All(), {}, {}, false, true},
      {"a link's entry field names no entry", [] { Patch(kTagAttachment, 2, kData + 4, 77); },
       Verdict::kDamage, "attachment record 2 (entry 77) names an entry the catalog does not hold",
       {}, All()},
      {"a link's entry field names another entry", [] { Patch(kTagAttachment, 2, kData + 4, 3); },
       Verdict::kDamage, "entry 3 is named by attachment records 2 and 3", {}, All()},
      {"a link's ordinal past the PDFs", [] { Patch(kTagAttachment, 2, kData + 8, 20); },
       Verdict::kDamage, "points at attachment 20, but the file holds 8", {}, All(), {}, {2},
       true},
      {"two links point at one PDF", [] { Patch(kTagAttachment, 2, kData + 8, 3); },
       Verdict::kDamage, "attachment records 2 and 3 both point at attachment 3", {}, All(), {},
       {2}, true},
      {"a category's id := another's", [] { Patch(kTagCategory, 1, kData, 0); },
       Verdict::kSound, "", All(), All()},
      {"the root's prev-head set", [] { ASSERT_TRUE(PatchInt32(kSource, 512 + 20, 548)); },
       Verdict::kDamage, "root chunk at 512 has links other than next-head set", {}, All()},
      {"head links on a chunk that is no head",
       [] { Patch(kTagEntry, 3, cf::kPrevHeadOffset, 512); }, Verdict::kDamage,
       "is not a head but has head links 512 and -1", {}, All()},
      {"a negative link, shown as a negative number",
       [] { Patch(kTagEntry, 3, cf::kPrevInTagOffset, -2049); }, Verdict::kDamage,
       "is -2049, expected", {}, All()},
      {"a remembered folder of the wrong size",
       [] {
         ChunkFile file;
         const std::string folder(100, 'f');
         ASSERT_EQ(file.Open(kSource, kChunkModeReadWrite), kChunkOk);
         ASSERT_EQ(file.Append(kTagFolderExport, folder.size(), folder.data()), kChunkOk);
       },
       Verdict::kDamage, "('PW04') holds 100 bytes; its records are 256 bytes", {}, All(), {}, {},
       true},
      // What a deletion of entry 3 cut short leaves: its chunk marked and its id's sign byte
      // set (the first two writes), its link still in the links table.
      {"a deletion cut after its first two writes",
       [&] {
         PatchByte(Chunk(kTagEntry, 3) + kData + EntryRecord::kEncodedLength - 1,
                   kRecordMovingMark);
         PatchByte(Chunk(kTagEntry, 3) + id3 + 3, 0xFF);
       },
       Verdict::kInterruptedWrite, "table 'ENTR' holds records left by an interrupted write",
       AllBut(3), AllBut(3)},
      {"a deletion cut between the entries and their links",
       [] {
         CVeldraDocument document;
         document.Load(kSource);
         document.RemoveEntry(5);
         ASSERT_EQ(document.Save(), kSaveOk);
       },
       Verdict::kInterruptedWrite, "table 'ATTA' holds records left by an interrupted write",
       AllBut(5), AllBut(5)},
      {"an unlink of the entries' head cut before its last write",
       [this] {
         ChunkFile file;
         ASSERT_EQ(file.Open(kSource, kChunkModeReadWrite), kChunkOk);
         ASSERT_EQ(file.FindFirst(kTagEntry), kChunkOk);
         fake_.FailWriteAfter(3, /*sticky=*/true);
         EXPECT_NE(file.DeleteCurrent(), kChunkOk);
         fake_.ClearWriteFailure();
       },
       Verdict::kInterruptedWrite, "an unlink cut short left it", AllBut(0), AllBut(0)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fake_.Remove(kSource);
    fake_.Remove(kTarget);
    ASSERT_TRUE(veldra::testing::MakeCatalogWithPdfs(kSource, kEntries));
    row.make();

    // check
    const std::vector<Finding> findings = FindCatalogProblems(kSource);
    const Verdict verdict = findings.empty()          ? Verdict::kSound
                            : HasDamage(findings)    ? Verdict::kDamage
                                                     : Verdict::kInterruptedWrite;
    EXPECT_EQ(verdict, row.verdict);
    std::string lines;
    for (const Finding& finding : findings) lines += finding.text + "\n";
    EXPECT_NE(lines.find(row.words), std::string::npos) << lines;

    // a change
    const std::string before = fake_.ReadFileBytes(kSource);
    {
      CVeldraDocument document;
      document.LoadForChange(kSource);
      EXPECT_EQ(document.writable(), verdict != Verdict::kDamage) << document.damage();
      document.SetEnvironmentValue("k", "changed");
      EXPECT_EQ(document.Save() == kSaveOk, verdict != Verdict::kDamage);
    }
    if (verdict == Verdict::kDamage) {
      EXPECT_EQ(fake_.ReadFileBytes(kSource), before);
    } else {
      EXPECT_EQ(FindCatalogProblems(kSource).size(), 0u) << FindCatalogProblems(kSource)[0].text;
      CVeldraDocument after;
      after.Load(kSource);
      EXPECT_EQ(EntryIds(after), row.after_change);
      ExpectOwnPdfs(kSource, {});
      fake_.WriteFileBytes(kSource, before);
    }

    // compact
    {
      CVeldraDocument document;
      document.LoadForChange(kSource);
      const int rc = WriteCompactCopy(document, kTarget);
      EXPECT_EQ(rc, row.no_copy ? kCompactIdsDamaged : kCompactOk);
      if (rc == kCompactOk) {
        const std::vector<Finding> copy = FindCatalogProblems(kTarget);
        EXPECT_TRUE(copy.empty()) << copy.front().text;
      }
      fake_.Remove(kTarget);
    }

    // salvage
    SalvageReport report;
    ASSERT_EQ(SalvageCatalog(kSource, kTarget, &report), kSalvageOk);
    EXPECT_EQ(report.Lost(), row.lost);
    std::vector<std::string> problems;
    EXPECT_TRUE(CheckCatalog(kTarget, &problems)) << problems.front();
    CVeldraDocument salvaged;
    salvaged.LoadForChange(kTarget);
    EXPECT_TRUE(salvaged.writable());
    Ids expected = row.salvaged;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(EntryIds(salvaged), expected);
    ExpectOwnPdfs(kTarget, row.pdf_of, row.without_pdf);
  }
}

}  // namespace
}  // namespace veldra::commands
