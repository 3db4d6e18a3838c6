// Table writes cut short after each of their writes, whole or torn: every record that was
// to stay can still be read, a finished write gives the bytes it always gave, and the next
// full write puts the file right. Appends cut short leave a tail that no list reaches, which
// the next append cuts off.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "storage/chunk_file.h"
#include "storage/chunk_inspect.h"
#include "storage/chunk_verify.h"
#include "storage/interrupted_rewrite.h"
#include "tests/storage/chunk_test_util.h"

namespace veldra::testing {
namespace {

// A 4-byte id, 4 bytes that tell the records apart, and a reserved zero byte at the end, as
// every catalog record ends.
constexpr size_t kSize = 9;
constexpr size_t kPdf = 3000;

// The record of id; with body, the bytes of body's record under id.
std::string Rec(int32_t id, int32_t body) {
  std::string r(kSize, '\0');
  for (int b = 0; b < 4; ++b) r[b] = static_cast<char>(static_cast<uint32_t>(id) >> (8 * b));
  r[4] = 'r';
  r[5] = static_cast<char>('a' + body % 26);
  r[6] = static_cast<char>('0' + body % 10);
  r[7] = static_cast<char>('A' + body / 26 % 26);
  return r;
}
std::string Rec(int32_t id) { return Rec(id, id); }

RecordArray Table(const std::vector<int32_t>& ids) {
  RecordArray a(kSize);
  for (int32_t id : ids) a.Append(Rec(id).data());
  return a;
}

struct ShrinkRow {
  const char* name;
  int count;                   // records 0..count-1 before
  std::vector<int32_t> keep;  // the records written
};

class TableInterruptedWriteTest : public ContainerTest {
 protected:
  // The table's records behind PDFs (each record, then its PDF), as imports lay them out,
  // ids 300.. so that the high bytes of an id matter.
  void MakeTable(int count) {
    std::vector<std::pair<ChunkTag, std::string>> chunks;
    for (int i = 0; i < count; ++i) {
      chunks.push_back({kEntr, Rec(300 + i)});
      chunks.push_back({kAttd, Bytes(kPdf, static_cast<char>('A' + i % 26))});
    }
    MakeContainer(chunks);
  }

  static std::vector<int32_t> Ids(const std::vector<int32_t>& indexes) {
    std::vector<int32_t> ids;
    for (int32_t i : indexes) ids.push_back(300 + i);
    return ids;
  }

  int WriteTable(const RecordArray& table) {
    ChunkFile f;
    const int rc = f.Open(path_, kChunkModeReadWrite);
    return rc == kChunkOk ? f.WriteAll(kEntr, table, kSize) : rc;
  }

  // The table as a reader sees it: leftovers dropped; empty with a failure when unreadable.
  RecordArray ReadTable() {
    ChunkFile f;
    std::unique_ptr<RecordArray> read;
    if (f.Open(path_, kChunkModeReadOnly) == kChunkOk) read = f.ReadAll(kEntr);
    if (read == nullptr) {
      ADD_FAILURE() << "the table cannot be read";
      return RecordArray(kSize);
    }
    DropInterruptedRewriteLeftovers(*read);
    return std::move(*read);
  }

  std::vector<std::string> Problems() {
    std::vector<std::string> problems;
    VerifyContainer(path_, &problems);
    return problems;
  }
};

const ShrinkRow kShrinks[] = {
    {"first", 6, {1, 2, 3, 4, 5}},
    {"last", 6, {0, 1, 2, 3, 4}},
    {"middle", 6, {0, 1, 2, 4, 5}},
    {"every_other", 8, {0, 2, 4, 6}},
    {"all_but_last", 5, {4}},
    {"all_but_first", 5, {0}},
    {"front_and_back", 7, {2, 3, 4}},
};

// The order in which surplus chunks go changes no byte of a finished write: the same bytes
// as unlinking the front first and then rewriting every record in place.
TEST_F(TableInterruptedWriteTest, AFinishedShrinkGivesTheBytesOfFrontFirst) {
  for (const ShrinkRow& row : kShrinks) {
    SCOPED_TRACE(row.name);
    fake_.Remove(path_);
    MakeTable(row.count);
    const std::string original = FileBytes();
    const RecordArray kept = Table(Ids(row.keep));
    ASSERT_EQ(WriteTable(kept), kChunkOk);
    const std::string written = FileBytes();

    SetFileBytes(original);
    {
      ChunkFile f;
      ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
      for (size_t k = row.keep.size(); k < static_cast<size_t>(row.count); ++k) {
        ASSERT_EQ(f.FindFirst(kEntr), kChunkOk);
        ASSERT_EQ(f.DeleteCurrent(), kChunkOk);
      }
      std::vector<uint32_t> chunks;
      ASSERT_NE(f.ReadAll(kEntr, &chunks), nullptr);
      std::vector<int> all;
      for (int i = 0; i < kept.Count(); ++i) all.push_back(i);
      ASSERT_EQ(f.RewriteRecords(kEntr, chunks, kept, kSize, all), kChunkOk);
    }
    EXPECT_EQ(written, FileBytes());
  }
}

// Cut after the n-th write, for every n, with nothing of that write stored, with half of it
// stored, and with one byte of it stored: the kept records are all there, whole; no other
// record is there but the dropped ones, whole; and one full write afterwards leaves a
// sound container holding exactly the kept records.
TEST_F(TableInterruptedWriteTest, EveryCutOfAShrinkKeepsTheRecordsThatStay) {
  for (const ShrinkRow& row : kShrinks) {
    fake_.Remove(path_);
    MakeTable(row.count);
    const std::string original = FileBytes();
    const RecordArray kept = Table(Ids(row.keep));
    fake_.ResetCounters();
    ASSERT_EQ(WriteTable(kept), kChunkOk);
    const int writes = fake_.WriteCount();
    ASSERT_GT(writes, 0) << row.name;

    for (int n = 1; n <= writes; ++n) {
      for (int torn : {0, 1, 2}) {
        SCOPED_TRACE(std::string(row.name) + " cut at write " + std::to_string(n) +
                     (torn == 0 ? "" : torn == 1 ? ", half of it stored" : ", one byte stored"));
        SetFileBytes(original);
        if (torn == 0) {
          fake_.FailWriteAfter(n, /*sticky=*/true);
        } else {
          // The prefix is known only once the write comes: half of it, or a single byte.
          fake_.TearWriteAfter(n, torn == 2 ? 1 : kSize / 2, /*sticky=*/true);
        }
        EXPECT_NE(WriteTable(kept), kChunkOk);
        fake_.ClearWriteFailure();

        // What a cut write leaves is no damage: the catalog still opens for the change that
        // puts it right.
        std::vector<std::string> damage;
        EXPECT_TRUE(VerifyListsForChange(path_, {}, &damage))
            << (damage.empty() ? "" : damage.front());

        const RecordArray read = ReadTable();
        std::map<int32_t, std::string> seen;
        for (int i = 0; i < read.Count(); ++i) {
          const std::string r = Record(read, i);
          seen[LeadingRecordId(read.At(i))] = r;
          EXPECT_EQ(r, Rec(LeadingRecordId(read.At(i)))) << "a record mixed with another";
        }
        EXPECT_EQ(seen.size(), static_cast<size_t>(read.Count())) << "an id twice";
        for (int32_t id : Ids(row.keep)) EXPECT_EQ(seen.count(id), 1u) << "lost " << id;
        for (const auto& [id, bytes] : seen) {
          EXPECT_TRUE(id >= 300 && id < 300 + row.count) << "a record that never was: " << id;
        }

        // The next save writes the table in full: the file is right again.
        ASSERT_EQ(WriteTable(read), kChunkOk);
        ASSERT_EQ(WriteTable(kept), kChunkOk);
        EXPECT_EQ(Problems(), std::vector<std::string>());
        const RecordArray after = ReadTable();
        ASSERT_EQ(after.Count(), kept.Count());
        for (int i = 0; i < kept.Count(); ++i) EXPECT_EQ(Record(after, i), Record(kept, i));
      }
    }
  }
}

TEST_F(TableInterruptedWriteTest, LeftoversAreTheEarlierCopiesAndNegativeIds) {
  constexpr int32_t kSign = -16777216;  // the sign byte set over an id of 0..16777215
  struct R {
    int32_t id;
    int32_t body = -1000;  // whose bytes it carries: its own by default
    bool mark = false;     // kRecordMovingMark in its last byte
  };
  struct Row {
    const char* name;
    std::vector<R> records;
    std::vector<int> leftovers;
  };
  const Row rows[] = {
      {"sound", {{1}, {2}, {3}}, {}},
      {"one record deleted: adjacent copies", {{1}, {1}, {2}, {3}}, {0}},
      {"several deleted: copies apart", {{0}, {1}, {0}, {2}, {4}}, {0}},
      {"two copies apart", {{0}, {2}, {0}, {2}, {4}}, {0, 1}},
      {"copies crossing", {{1}, {2}, {1}, {3}, {2}}, {0, 1}},
      {"the new record whole under -1, its copy in front", {{5}, {6}, {-1, 6}, {7}}, {2}},
      {"cut while the new record went in: the mark", {{5}, {-1, 9, true}, {6}}, {1}},
      {"the sign byte over a dropped record, marked", {{5}, {kSign + 9, 9, true}, {6}}, {1}},
      {"the sign byte over a record already copied back", {{5}, {kSign + 7, 7}, {7}}, {1}},
      {"copies and a record being written", {{1}, {2}, {-1, 1}, {1}, {2}}, {0, 1, 2}},
      {"empty", {}, {}},
      // No trace of a write of ours: left alone.
      {"an id three times", {{4}, {0}, {4}, {3}, {4}, {0}}, {}},
      {"a later copy before an earlier one", {{1}, {1}, {2}, {2}}, {}},
      {"-1 between copies of one id", {{7}, {-1}, {7}, {9}, {7}}, {}},
      {"a negative id alone", {{5}, {-3}, {6}}, {}},
      {"the sign byte over a record that stands nowhere else", {{5}, {kSign + 9, 9}, {6}}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RecordArray table(kSize);
    for (const R& r : row.records) {
      std::string bytes = Rec(r.id, r.body == -1000 ? r.id : r.body);
      if (r.mark) bytes.back() = static_cast<char>(kRecordMovingMark);
      table.Append(bytes.data());
    }
    EXPECT_EQ(InterruptedRewriteLeftovers(table), row.leftovers);
    EXPECT_EQ(DropInterruptedRewriteLeftovers(table), !row.leftovers.empty());
    EXPECT_EQ(table.Count(), static_cast<int>(row.records.size() - row.leftovers.size()));
  }
  // Two records under one id that differ where a record never changes are no copies.
  RecordArray two = Table({1, 2, 1});
  two.MutableAt(0)[5] = 'x';
  EXPECT_EQ(InterruptedRewriteLeftovers(two, {4, 4}), std::vector<int>());
  EXPECT_EQ(InterruptedRewriteLeftovers(two, {6, 2}), std::vector<int>{0});
  // A mark on a record whose id is whole is a write cut before it began: it is cleared.
  RecordArray marked = Table({1, 2});
  marked.MutableAt(1)[kSize - 1] = static_cast<char>(kRecordMovingMark);
  EXPECT_TRUE(DropInterruptedRewriteLeftovers(marked));
  EXPECT_EQ(Record(marked, 1), Rec(2));
}

// An unlink cut between its writes leaves back links that disagree with the forward list;
// the next WriteAll of the tag puts them right before it writes anything else.
TEST_F(TableInterruptedWriteTest, WriteAllMendsTheBackLinksOfAnUnlinkCutShort) {
  for (int n : {2, 3}) {  // the unlink writes three headers; the first failing changes nothing
    SCOPED_TRACE("unlink cut at write " + std::to_string(n));
    fake_.Remove(path_);
    MakeContainer({{kLabe, "l"}, {kEntr, Rec(1)}, {kEntr, Rec(2)}, {kAtta, "at1"}});
    {
      ChunkFile f;
      ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
      ASSERT_EQ(f.FindFirst(kEntr), kChunkOk);
      fake_.FailWriteAfter(n, /*sticky=*/true);
      EXPECT_NE(f.DeleteCurrent(), kChunkOk);
      fake_.ClearWriteFailure();
    }
    EXPECT_NE(Problems(), std::vector<std::string>());
    ChunkFile f;
    ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
    const std::vector<ChunkFile::TableRead> read = f.ReadTables({kEntr, kAtta});
    EXPECT_TRUE(read[0].stale_back_links || read[1].stale_back_links);
    f.Close();

    const RecordArray table = Table({2});
    ASSERT_EQ(WriteTable(table), kChunkOk);
    EXPECT_EQ(Problems(), std::vector<std::string>());
    EXPECT_EQ(Walk(kEntr), std::vector<std::string>{Rec(2)});
    EXPECT_EQ(Walk(kAtta), std::vector<std::string>{"at1"});
  }
}

// An append cut short leaves a chunk that does not fit in the file, or a whole chunk that
// no link reaches. The next append, of whatever tag, cuts off either kind and puts its chunk
// where it began: behind a whole one it would stand in the middle of the file, where a
// chunk that names the live end of its list as its predecessor reads as cut off from it.
TEST_F(TableInterruptedWriteTest, TheNextAppendCutsAnUnlinkedTail) {
  struct Row {
    const char* name;
    int failing_write;  // of the append: 1 the chunk, 2 the link
    size_t stored;      // bytes of it that reach the file
  };
  const Row rows[] = {
      {"nothing stored", 1, 0},
      {"part of the header", 1, 20},
      {"the header and part of the data", 1, 36 + 100},
      {"whole chunk, no link", 2, 0},
      {"whole chunk, the link's header write cut before the link", 2, 12},
  };
  // The append killed: behind the last chunk of its tag, or as a new tag's first chunk;
  // the next append: of the same tag, or of a tag whose list ends elsewhere.
  const std::pair<ChunkTag, ChunkTag> tags[] = {
      {kAttd, kAttd}, {kAttd, kEntr}, {kLabe, kLabe}, {kLabe, kAtta}};
  for (const Row& row : rows) {
    for (const auto& [killed, next] : tags) {
      SCOPED_TRACE(std::string(row.name) + ", killed " + chunk_format::TagName(killed) +
                   ", then " + chunk_format::TagName(next));
      fake_.Remove(path_);
      MakeContainer({{kEntr, Rec(1)}, {kAttd, "pdf0"}, {kAtta, "at1"}});
      const size_t sound = FileBytes().size();
      {
        ChunkFile f;
        ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
        fake_.TearWriteAfter(row.failing_write, row.stored, /*sticky=*/true);
        const std::string pdf = Bytes(kPdf, 'p');
        EXPECT_NE(f.Append(killed, pdf.size(), pdf.data()), kChunkOk);
        fake_.ClearWriteFailure();
      }
      ASSERT_GE(FileBytes().size(), sound);

      ChunkFile f;
      ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
      ASSERT_EQ(f.Append(next, 3, "new"), kChunkOk);
      f.Close();
      EXPECT_EQ(FileBytes().size(), sound + 36 + 3);
      EXPECT_EQ(Problems(), std::vector<std::string>());
      const auto with_new = [&](ChunkTag tag, std::vector<std::string> data) {
        if (tag == next) data.push_back("new");
        return data;
      };
      EXPECT_EQ(Walk(kEntr), with_new(kEntr, {Rec(1)}));
      EXPECT_EQ(Walk(kAttd), with_new(kAttd, {"pdf0"}));
      EXPECT_EQ(Walk(kAtta), with_new(kAtta, {"at1"}));
      EXPECT_EQ(Walk(kLabe), with_new(kLabe, {}));
    }
  }
}

// A last chunk that a list reaches stays, whatever its own links back say: the next
// append goes behind it.
TEST_F(TableInterruptedWriteTest, ALastChunkAListReachesIsNeverCut) {
  const std::pair<const char*, size_t> rows[] = {
      {"the tail of its tag, its prev-in-tag naming the head", chunk_format::kPrevInTagOffset},
      {"the last head, its prev-head naming the root", chunk_format::kPrevHeadOffset},
  };
  for (const auto& [name, field] : rows) {
    SCOPED_TRACE(name);
    fake_.Remove(path_);
    MakeContainer({{kEntr, Rec(1)}, {kAtta, "at1"}, {kEntr, Rec(2)}, {kEntr, Rec(3)}});
    if (field == chunk_format::kPrevHeadOffset) {
      ChunkFile f;
      ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
      ASSERT_EQ(f.Append(kLabe, 3, "lab"), kChunkOk);
    }
    const size_t last = FileBytes().size() - 36 - (field == chunk_format::kPrevHeadOffset ? 3 : kSize);
    PutLe32(last + field, field == chunk_format::kPrevHeadOffset ? 512 : 548);
    const size_t before = FileBytes().size();

    ChunkFile f;
    ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
    ASSERT_EQ(f.Append(kAtta, 3, "at2"), kChunkOk);
    f.Close();
    EXPECT_EQ(FileBytes().size(), before + 36 + 3);
    EXPECT_EQ(Walk(kEntr), (std::vector<std::string>{Rec(1), Rec(2), Rec(3)}));
    EXPECT_EQ(Walk(kLabe).size(), field == chunk_format::kPrevHeadOffset ? 1u : 0u);
    EXPECT_EQ(Walk(kAtta), (std::vector<std::string>{"at1", "at2"}));
  }
}

}  // namespace
}  // namespace veldra::testing
