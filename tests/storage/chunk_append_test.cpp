// Appending: failure leaves the container as it was, the 4 GiB offset limit, streaming,
// and the handle's memory of list ends never changing what lands on disk.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "storage/chunk_file.h"
#include "tests/storage/chunk_test_util.h"

namespace veldra::testing {
namespace {

using ChunkAppendTest = ContainerTest;

// Appends with a write failing at every position in turn (cleanly, and torn after a few
// bytes). Each failure must leave the file exactly as it was; the handle must then append
// as if nothing had happened.
void SweepFailures(ContainerTest* t, platform::FakePlatform& fake, const std::string& path,
                   const std::function<int(ChunkFile&)>& append, bool torn) {
  const std::string base = fake.ReadFileBytes(path);
  ChunkFile clean;
  ASSERT_EQ(clean.Open(path, kChunkModeReadWrite), kChunkOk);
  ASSERT_EQ(append(clean), kChunkOk);
  clean.Close();
  const std::string expected = fake.ReadFileBytes(path);

  for (int n = 1;; ++n) {
    ASSERT_LT(n, 50) << "the append never ran out of writes";
    fake.WriteFileBytes(path, base);
    ChunkFile f;
    ASSERT_EQ(f.Open(path, kChunkModeReadWrite), kChunkOk);
    // Walk first, so that the handle remembers the list ends when the failure comes.
    f.ReadAll(kEntr);
    if (torn) {
      fake.TearWriteAfter(n, 18);
    } else {
      fake.FailWriteAfter(n);
    }
    const int rc = append(f);
    fake.ClearWriteFailure();
    if (rc == kChunkOk) {
      EXPECT_GT(n, 1);
      EXPECT_EQ(fake.ReadFileBytes(path), expected);
      break;
    }
    EXPECT_EQ(rc, kChunkIoError) << "write " << n;
    EXPECT_EQ(fake.ReadFileBytes(path), base) << "write " << n << " failed";
    ASSERT_EQ(append(f), kChunkOk) << "write " << n;
    f.Close();
    EXPECT_EQ(fake.ReadFileBytes(path), expected) << "write " << n;
  }
}

TEST_F(ChunkAppendTest, FailedAppendLeavesTheContainerAsItWas) {
  MakeContainer({{kEntr, "e1"}, {kAtta, "a1"}, {kEntr, "e2"}});
  const std::string small = "e3";
  const std::string large(200 * 1024, 'L');
  for (bool torn : {false, true}) {
    SCOPED_TRACE(torn ? "torn" : "clean");
    // Behind the last chunk of a tag, and as the first chunk of a new tag.
    SweepFailures(this, fake_, path_, [&](ChunkFile& f) {
      return f.Append(kEntr, small.size(), small.data());
    }, torn);
    SweepFailures(this, fake_, path_, [&](ChunkFile& f) {
      return f.Append(kAttd, large.size(), large.data());
    }, torn);
    SweepFailures(this, fake_, path_, [&](ChunkFile& f) {
      return f.AppendStream(kEntr, 2500 * 1024, [](uint8_t* buf, size_t n) {
        std::memset(buf, 's', n);
        return true;
      });
    }, torn);
  }
}

TEST_F(ChunkAppendTest, AStickyFailureLeavesOnlyUnreachableBytes) {
  MakeContainer({{kEntr, "e1"}, {kEntr, "e2"}});
  const std::string base = FileBytes();
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  fake_.TearWriteAfter(1, 20, /*sticky=*/true);  // as if the program died mid-write
  EXPECT_EQ(f.Append(kEntr, 4, "e3e3"), kChunkIoError);
  f.Close();
  fake_.ClearWriteFailure();
  EXPECT_EQ(FileBytes().substr(0, base.size()), base);
  EXPECT_EQ(Walk(kEntr), (std::vector<std::string>{"e1", "e2"}));
}

TEST_F(ChunkAppendTest, AppendStreamWritesTheBytesAppendWould) {
  std::string data(2 * 1024 * 1024 + 77, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 4096);
  MakeContainer({{kEntr, "e"}});
  const std::string base = FileBytes();
  {
    ChunkFile f;
    ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
    ASSERT_EQ(f.Append(kAttd, data.size(), data.data()), kChunkOk);
  }
  const std::string by_append = FileBytes();
  SetFileBytes(base);
  size_t given = 0;
  int calls = 0;
  {
    ChunkFile f;
    ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
    ASSERT_EQ(f.AppendStream(kAttd, static_cast<int64_t>(data.size()),
                             [&](uint8_t* buf, size_t n) {
                               std::memcpy(buf, data.data() + given, n);
                               given += n;
                               ++calls;
                               return true;
                             }),
              kChunkOk);
  }
  EXPECT_EQ(given, data.size());
  EXPECT_GT(calls, 1);  // in blocks, not all at once
  EXPECT_EQ(FileBytes(), by_append);

  // Read back in pieces.
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
  ASSERT_EQ(f.FindFirst(kAttd), kChunkOk);
  std::string back(data.size(), '\0');
  for (size_t at = 0; at < data.size(); at += 600000) {
    const size_t n = std::min<size_t>(600000, data.size() - at);
    ASSERT_EQ(f.ReadCurrentRange(static_cast<int64_t>(at), n, back.data() + at), kChunkOk);
  }
  EXPECT_EQ(back, data);
}

TEST_F(ChunkAppendTest, AbandonedStreamLeavesTheContainerAsItWas) {
  MakeContainer({{kEntr, "e"}});
  const std::string base = FileBytes();
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  int calls = 0;
  EXPECT_EQ(f.AppendStream(kAttd, 3 * 1024 * 1024,
                           [&](uint8_t* buf, size_t n) {
                             std::memset(buf, 1, n);
                             return ++calls < 2;
                           }),
            kChunkIoError);
  EXPECT_EQ(FileBytes(), base);
  EXPECT_EQ(f.AppendStream(kAttd, 5, {}), kChunkBadArgument);
  EXPECT_EQ(f.AppendStream(kAttd, -1, [](uint8_t*, size_t) { return true; }),
            kChunkBadArgument);
  ASSERT_EQ(f.Append(kAttd, 2, "ok"), kChunkOk);
  f.Close();
  EXPECT_EQ(Walk(kAttd), (std::vector<std::string>{"ok"}));
}

// Two containers receive the same operations: one through a single handle that remembers
// the list ends, the other reopened for every operation. Their bytes must never differ.
TEST_F(ChunkAppendTest, RememberedListEndsWriteWhatAFreshWalkWould) {
  const std::string a = "/a.vdc", b = "/b.vdc";
  ChunkFile kept;
  ASSERT_EQ(kept.Create(a), kChunkOk);
  {
    ChunkFile f;
    ASSERT_EQ(f.Create(b), kChunkOk);
  }
  const ChunkTag tags[] = {kEntr, kAtta, kLabe, kAttd};
  const size_t sizes[] = {8, 5, 3, 11};
  std::mt19937 rng(1234);
  auto apply = [&](ChunkFile& f, int op, int t, int k, int n) {
    const ChunkTag tag = tags[t];
    if (op < 5) {
      const std::string data(sizes[t], static_cast<char>('a' + k % 26));
      return f.Append(tag, data.size(), data.data());
    }
    if (op < 8) {  // delete the k-th chunk of the tag, if it has one
      int rc = f.FindFirst(tag);
      for (int i = 0; rc == kChunkOk && i < k % 4; ++i) rc = f.FindNext();
      if (rc == kChunkNoSuchTag) return kChunkOk;
      if (rc == kChunkEndOfList) rc = kChunkOk;  // the last one, then
      return rc == kChunkOk ? f.DeleteCurrent() : rc;
    }
    RecordArray records(sizes[t]);
    for (int i = 0; i < n; ++i) {
      const std::string data(sizes[t], static_cast<char>('A' + (k + i) % 26));
      records.Append(data.data());
    }
    return f.WriteAll(tag, records, sizes[t]);
  };
  for (int step = 0; step < 400; ++step) {
    const int op = static_cast<int>(rng() % 10);
    const int t = static_cast<int>(rng() % 4);
    const int k = static_cast<int>(rng() % 100);
    const int n = static_cast<int>(rng() % 7);
    ASSERT_EQ(apply(kept, op, t, k, n), kChunkOk) << "step " << step;
    ChunkFile fresh;
    ASSERT_EQ(fresh.Open(b, kChunkModeReadWrite), kChunkOk);
    ASSERT_EQ(apply(fresh, op, t, k, n), kChunkOk) << "step " << step;
    fresh.Close();
    ASSERT_EQ(fake_.ReadFileBytes(a), fake_.ReadFileBytes(b)) << "step " << step << " op " << op;
  }
}

// Offsets are 32 bits with 0xFFFFFFFF for none: a sparse real file brings the end near it.
class ChunkOffsetLimitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/veldra-chunk-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    path_ = dir_ + "/big.vdc";
  }
  void TearDown() override {
    std::remove(path_.c_str());
    rmdir(dir_.c_str());
  }
  std::string dir_, path_;
};

TEST_F(ChunkOffsetLimitTest, NoByteOfAChunkMayReachOffset0xFFFFFFFF) {
  {
    ChunkFile f;
    ASSERT_EQ(f.Create(path_), kChunkOk);
    ASSERT_EQ(f.Append(kEntr, 4, "head"), kChunkOk);
  }
  // Nothing links the zeros in between: they are dead bytes, as a container may hold.
  const int64_t end = 0xFFFFFFFFLL - 36 - 100;
  ASSERT_EQ(truncate(path_.c_str(), end), 0);
  ChunkFile f;
  ASSERT_EQ(f.Open(path_, kChunkModeReadWrite), kChunkOk);
  std::string data(101, 'x');
  EXPECT_EQ(f.Append(kEntr, data.size(), data.data()), kChunkBadArgument);
  EXPECT_EQ(f.AppendStream(kEntr, 101, [](uint8_t*, size_t) { return true; }),
            kChunkBadArgument);
  RecordArray two(4);
  two.Append("aaaa");
  two.Append("bbbb");
  ASSERT_EQ(f.FindFirst(kEntr), kChunkOk);
  EXPECT_EQ(f.WriteAll(kEntr, two, 4), kChunkOk);  // 36 + 4 bytes fit below the limit
  struct stat st {};
  ASSERT_EQ(stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, end + 40);
  EXPECT_EQ(f.Append(kEntr, 61, data.data()), kChunkBadArgument);
  // The last byte may sit at 0xFFFFFFFE.
  ASSERT_EQ(f.Append(kEntr, 60, data.data()), kChunkOk);
  ASSERT_EQ(stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 0xFFFFFFFFLL);
  f.Close();

  ASSERT_EQ(f.Open(path_, kChunkModeReadOnly), kChunkOk);
  std::unique_ptr<RecordArray> all = f.ReadAll(kEntr);
  EXPECT_EQ(all, nullptr);  // lengths 4, 4, 60 differ
  ASSERT_EQ(f.FindFirst(kEntr), kChunkOk);
  ASSERT_EQ(f.FindNext(), kChunkOk);
  ASSERT_EQ(f.FindNext(), kChunkOk);
  EXPECT_EQ(f.CurrentLength(), 60);
  char back[60];
  ASSERT_EQ(f.ReadCurrent(sizeof back, back), kChunkOk);
  EXPECT_EQ(std::string(back, 60), std::string(60, 'x'));
}

}  // namespace
}  // namespace veldra::testing
