// ReadTables: several tags' lists walked together, a chunk of another tag that lies directly
// behind the one being read carried by the same read.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "storage/chunk_file.h"
#include "tests/storage/chunk_test_util.h"

namespace veldra::testing {
namespace {

constexpr size_t kPdf = 64 * 1024;
constexpr ChunkTag kSort = MakeTag("SORT");

// Counts the reads that reach the files (ReadAt and ReadAtScattered calls), passing
// everything on to the platform below.
class ReadCountingPlatform : public platform::Platform {
 public:
  explicit ReadCountingPlatform(platform::Platform& below) : below_(below) {}
  int reads() const { return reads_; }
  void ResetReads() { reads_ = 0; }

  platform::LocalTime Now() override { return below_.Now(); }
  std::unique_ptr<platform::File> Open(const std::string& path, platform::OpenMode mode) override {
    std::unique_ptr<platform::File> file = below_.Open(path, mode);
    if (!file) return nullptr;
    return std::make_unique<CountingFile>(std::move(file), &reads_);
  }
  platform::LockResult TryLockFile(const std::string& path,
                                   std::unique_ptr<platform::FileLock>* lock) override {
    return below_.TryLockFile(path, lock);
  }
  void Sleep(int milliseconds) override { below_.Sleep(milliseconds); }
  bool FileExists(const std::string& path) override { return below_.FileExists(path); }
  bool Remove(const std::string& path) override { return below_.Remove(path); }
  bool Rename(const std::string& from, const std::string& to) override {
    return below_.Rename(from, to);
  }
  bool SyncFolder(const std::string& folder) override { return below_.SyncFolder(folder); }
  bool MakeDirectory(const std::string& path) override { return below_.MakeDirectory(path); }
  bool IsDirectory(const std::string& path) override { return below_.IsDirectory(path); }
  bool ListDirectory(const std::string& path, std::vector<platform::DirItem>* items) override {
    return below_.ListDirectory(path, items);
  }
  bool FileCreationTime(const std::string& path, platform::LocalTime* out) override {
    return below_.FileCreationTime(path, out);
  }
  bool SameFile(const std::string& a, const std::string& b) override {
    return below_.SameFile(a, b);
  }
  bool OsName(std::string* out) override { return below_.OsName(out); }
  std::string ComputerName() override { return below_.ComputerName(); }
  std::string TempFolder() override { return below_.TempFolder(); }
  std::string AppDataFolder() override { return below_.AppDataFolder(); }
  bool WorkingFolder(std::string* out) override { return below_.WorkingFolder(out); }

 private:
  class CountingFile : public platform::File {
   public:
    CountingFile(std::unique_ptr<platform::File> file, int* reads)
        : file_(std::move(file)), reads_(reads) {}
    int64_t ReadAt(int64_t offset, void* buf, size_t n) override {
      ++*reads_;
      return file_->ReadAt(offset, buf, n);
    }
    int64_t ReadAtScattered(int64_t offset, const platform::ReadSlice* slices,
                            size_t count) override {
      ++*reads_;
      return file_->ReadAtScattered(offset, slices, count);
    }
    bool WriteAt(int64_t offset, const void* buf, size_t n) override {
      return file_->WriteAt(offset, buf, n);
    }
    int64_t Size() override { return file_->Size(); }
    bool Truncate(int64_t length) override { return file_->Truncate(length); }
    bool Sync() override { return file_->Sync(); }

   private:
    std::unique_ptr<platform::File> file_;
    int* reads_;
  };

  platform::Platform& below_;
  int reads_ = 0;
};

class ChunkReadTablesTest : public ContainerTest {
 protected:
  // The offset of the chunk of tag whose data is data.
  size_t ChunkWith(const std::string& data) const {
    const size_t at = FileBytes().find(data);
    EXPECT_NE(at, std::string::npos);
    return at - 36;
  }

  ReadCountingPlatform counting_{fake_};
};

TEST_F(ChunkReadTablesTest, GivesWhatReadAllGivesForEachTag) {
  MakeImportLayout(5, kPdf);
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
  std::vector<ChunkFile::TableRead> reads = f.ReadTables({kEntr, kSort, kAtta, kRootTag, kEntr});
  ASSERT_EQ(reads.size(), 5u);
  EXPECT_EQ(reads[1].result, kChunkNoSuchTag);
  EXPECT_EQ(reads[1].records, nullptr);
  EXPECT_EQ(reads[3].result, kChunkBadArgument);
  // The walk ends on the last chunk of the last tag read.
  EXPECT_EQ(f.current().tag, kEntr);
  EXPECT_EQ(f.FindNext(), kChunkEndOfList);
  for (const size_t i : {size_t{0}, size_t{2}, size_t{4}}) {
    ASSERT_EQ(reads[i].result, kChunkOk) << i;
    std::vector<uint32_t> chunks;
    std::unique_ptr<RecordArray> alone = f.ReadAll(reads[i].tag, &chunks);
    ASSERT_NE(alone, nullptr);
    ASSERT_EQ(reads[i].records->Count(), alone->Count());
    EXPECT_EQ(reads[i].records->record_size(), alone->record_size());
    for (int k = 0; k < alone->Count(); ++k) {
      EXPECT_EQ(Record(*reads[i].records, k), Record(*alone, k));
    }
    EXPECT_EQ(reads[i].chunks, chunks);
  }
  EXPECT_EQ(Record(*reads[2].records, 4), "at4");

  ChunkFile closed;
  EXPECT_EQ(closed.ReadTables({kEntr}).front().result, kChunkBadArgument);
}

TEST_F(ChunkReadTablesTest, AnEntryAndTheLinkBehindItComeInOneRead) {
  constexpr int kCount = 6;
  MakeImportLayout(kCount, kPdf);
  platform::ScopedPlatform use_counting(&counting_);
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
  fake_.ResetCounters();
  counting_.ResetReads();
  std::vector<ChunkFile::TableRead> reads = f.ReadTables({kEntr, kAtta});
  ASSERT_EQ(reads[0].result, kChunkOk);
  ASSERT_EQ(reads[1].result, kChunkOk);
  EXPECT_EQ(Record(*reads[0].records, 5), "entr5");
  EXPECT_EQ(Record(*reads[1].records, 5), "at5");
  // The heads first, then one read per entry and its link, never a PDF.
  EXPECT_LE(counting_.reads(), kCount + 4);
  EXPECT_LT(fake_.BytesRead(), static_cast<int64_t>(kPdf));

  // One by one it takes a read for each entry and another for each link.
  counting_.ResetReads();
  ASSERT_NE(f.ReadAll(kEntr), nullptr);
  ASSERT_NE(f.ReadAll(kAtta), nullptr);
  EXPECT_GE(counting_.reads(), 2 * (kCount - 1));
}

TEST_F(ChunkReadTablesTest, DamageInACarriedChunkFailsItsTagOnly) {
  MakeImportLayout(4, kPdf);
  const size_t link2 = ChunkWith("at2");
  {
    // A link record of another length.
    PutLe32(link2 + 4, 4);
    ChunkFile f;
    ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
    std::vector<ChunkFile::TableRead> reads = f.ReadTables({kEntr, kAtta});
    ASSERT_EQ(reads[0].result, kChunkOk);
    EXPECT_EQ(reads[0].records->Count(), 4);
    EXPECT_EQ(reads[1].result, kChunkIoError);
    EXPECT_EQ(reads[1].records, nullptr);
    EXPECT_EQ(f.ReadAll(kAtta), nullptr);
    PutLe32(link2 + 4, 3);
  }
  {
    // A self field that is not where the chunk lies.
    PutLe32(link2 + 8, static_cast<uint32_t>(link2 + 1));
    ChunkFile f;
    ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
    std::vector<ChunkFile::TableRead> reads = f.ReadTables({kAtta, kEntr});
    EXPECT_EQ(reads[0].result, kChunkIoError);
    ASSERT_EQ(reads[1].result, kChunkOk);
    EXPECT_EQ(Record(*reads[1].records, 3), "entr3");
    PutLe32(link2 + 8, static_cast<uint32_t>(link2));
  }
  {
    // A chunk of the right size but another tag.
    PutLe32(link2, static_cast<uint32_t>(kLabe));
    ChunkFile f;
    ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
    std::vector<ChunkFile::TableRead> reads = f.ReadTables({kEntr, kAtta});
    EXPECT_EQ(reads[0].result, kChunkOk);
    EXPECT_EQ(reads[1].result, kChunkIoError);
  }
}

TEST_F(ChunkReadTablesTest, ACycleInOneListEndsThatListOnly) {
  MakeImportLayout(4, kPdf);
  // The last link leads back to the second: the walk runs out of budget.
  const size_t link1 = ChunkWith("at1");
  const size_t link3 = ChunkWith("at3");
  PutLe32(link3 + 16, static_cast<uint32_t>(link1));
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
  std::vector<ChunkFile::TableRead> reads = f.ReadTables({kEntr, kAtta});
  EXPECT_EQ(reads[0].result, kChunkOk);
  EXPECT_EQ(reads[1].result, kChunkIoError);
  EXPECT_EQ(f.ReadAll(kAtta), nullptr);
}

TEST_F(ChunkReadTablesTest, ACarriedChunkPastTheEndOfTheFileFailsItsTag) {
  // entry, link, PDF, entry: the first link's next link points where the file ends, right
  // behind the second entry, which is read behind a gap.
  MakeContainer({{kEntr, "entr0"},
                 {kAtta, "at0"},
                 {kAttd, Bytes(kPdf, 'p')},
                 {kEntr, "entr1"}});
  const size_t link0 = ChunkWith("at0");
  PutLe32(link0 + 16, static_cast<uint32_t>(FileBytes().size()));
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
  std::vector<ChunkFile::TableRead> reads = f.ReadTables({kEntr, kAtta});
  ASSERT_EQ(reads[0].result, kChunkOk);
  EXPECT_EQ(Record(*reads[0].records, 1), "entr1");
  EXPECT_EQ(reads[1].result, kChunkIoError);
  EXPECT_EQ(f.ReadAll(kAtta), nullptr);
}

TEST_F(ChunkReadTablesTest, NeighboursOfDifferentTagsWithoutGapsComeBackInOrder) {
  // Entries and links alternate with nothing between them, then a PDF, then more.
  std::vector<std::pair<ChunkTag, std::string>> chunks;
  for (int i = 0; i < 40; ++i) {
    if (i == 20) chunks.push_back({kAttd, Bytes(kPdf, 'p')});
    chunks.push_back({kEntr, "e" + std::to_string(100 + i)});
    chunks.push_back({kAtta, "a" + std::to_string(100 + i)});
  }
  MakeContainer(chunks);
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
  fake_.ResetCounters();
  std::vector<ChunkFile::TableRead> reads = f.ReadTables({kAtta, kEntr});
  ASSERT_EQ(reads[0].result, kChunkOk);
  ASSERT_EQ(reads[1].result, kChunkOk);
  ASSERT_EQ(reads[0].records->Count(), 40);
  ASSERT_EQ(reads[1].records->Count(), 40);
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(Record(*reads[1].records, i), "e" + std::to_string(100 + i));
    EXPECT_EQ(Record(*reads[0].records, i), "a" + std::to_string(100 + i));
  }
}

// ReadTables against the plain walk with FindFirst and FindNext, on containers made by a
// small deterministic generator: tables interleaved, heads deleted (a new head then lies
// anywhere in the file), unlinked chunks left behind as dead bytes between live ones,
// records rewritten, and a tag whose chunks differ in length (which fails that tag only).
TEST_F(ChunkReadTablesTest, ReadsWhatThePlainWalkReads) {
  struct Row {
    uint32_t seed;
    int steps;
    int delete_percent;
    size_t attd_min, attd_max;  // lengths of the ATTD chunks; equal when min == max
  };
  const Row rows[] = {
      {1, 60, 0, 40, 40},            // interleaved appends only
      {7, 120, 30, 10, 900},         // deletions, gaps of several sizes
      {23, 150, 45, 1, 1},           // mostly deletions: heads replaced again and again
      {99, 200, 25, 300, 300},       // ATTD readable as a table of its own
      {4242, 16, 20, 1100000, 1100000},  // records larger than the read window
  };
  struct TagShape {
    ChunkTag tag;
    size_t length;  // 0: ATTD's
  };
  const TagShape shapes[] = {{kEntr, 5}, {kAtta, 3}, {kLabe, 7}, {kAttd, 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.seed);
    uint32_t state = row.seed;
    auto next = [&state](uint32_t range) {
      state = state * 1664525u + 1013904223u;
      return (state >> 8) % range;
    };
    fake_.Remove(path_);
    ChunkFile build;
    ASSERT_EQ(build.Create(path_), kChunkOk);
    for (int step = 0; step < row.steps; ++step) {
      const TagShape& shape = shapes[next(4)];
      const size_t length =
          shape.length != 0 ? shape.length
                           : row.attd_min + next(static_cast<uint32_t>(row.attd_max - row.attd_min + 1));
      const std::string data(length, static_cast<char>('a' + step % 26));
      if (next(100) >= static_cast<uint32_t>(row.delete_percent)) {
        ASSERT_EQ(build.Append(shape.tag, data.size(), data.data()), kChunkOk);
        continue;
      }
      // The chunk of the tag at a random place in its list: deleted, or now and then
      // rewritten.
      int rc = build.FindFirst(shape.tag);
      for (uint32_t k = next(4); rc == kChunkOk && k > 0; --k) rc = build.FindNext();
      if (rc != kChunkOk) continue;
      if (next(5) == 0) {
        const std::string again(static_cast<size_t>(build.CurrentLength()), '#');
        ASSERT_EQ(build.RewriteCurrent(again.size(), again.data()), kChunkOk);
      } else {
        ASSERT_EQ(build.DeleteCurrent(), kChunkOk);
      }
    }
    const std::vector<ChunkTag> tags = {kLabe, kAttd, kEntr, MakeTag("NONE"), kAtta};

    ChunkFile fresh;
    ASSERT_EQ(fresh.Open(path_, kChunkModeReadOnly), kChunkOk);
    for (ChunkFile* file : {&fresh, &build}) {
      const std::vector<ChunkFile::TableRead> reads = file->ReadTables(tags);
      ASSERT_EQ(reads.size(), tags.size());
      uint32_t last_chunk = chunk_format::kNoOffset;
      for (size_t i = 0; i < tags.size(); ++i) {
        // The plain walk, through a handle of its own.
        ChunkFile walker;
        ASSERT_EQ(walker.Open(path_, kChunkModeReadOnly), kChunkOk);
        std::vector<std::string> data;
        std::vector<uint32_t> offsets;
        bool equal_lengths = true;
        int rc = walker.FindFirst(tags[i]);
        while (rc == kChunkOk) {
          std::string bytes(static_cast<size_t>(walker.CurrentLength()), '\0');
          ASSERT_EQ(walker.ReadCurrent(bytes.size(), bytes.data()), kChunkOk);
          equal_lengths = equal_lengths && (data.empty() || bytes.size() == data[0].size());
          data.push_back(bytes);
          offsets.push_back(chunk_format::AsOffset(walker.current().self));
          rc = walker.FindNext();
        }
        const int expected = rc == kChunkNoSuchTag ? kChunkNoSuchTag
                             : rc != kChunkEndOfList || !equal_lengths ? kChunkIoError
                                                                       : kChunkOk;
        ASSERT_EQ(reads[i].result, expected) << "tag " << i;
        if (expected != kChunkOk) {
          EXPECT_EQ(reads[i].records, nullptr);
          continue;
        }
        ASSERT_EQ(reads[i].records->Count(), static_cast<int>(data.size())) << "tag " << i;
        for (size_t k = 0; k < data.size(); ++k) {
          EXPECT_EQ(Record(*reads[i].records, static_cast<int>(k)), data[k]) << i << "/" << k;
        }
        EXPECT_EQ(reads[i].chunks, offsets) << "tag " << i;
        last_chunk = offsets.back();
      }
      // The handle's walk ends on the last chunk of the last tag read.
      if (last_chunk != chunk_format::kNoOffset) {
        EXPECT_EQ(chunk_format::AsOffset(file->current().self), last_chunk);
      }
    }
  }
}

}  // namespace
}  // namespace veldra::testing
