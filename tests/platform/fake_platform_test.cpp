#include "platform/fake_platform.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace veldra::platform {
namespace {

std::string ReadAll(File& file) {
  std::string bytes(static_cast<size_t>(file.Size()), '\0');
  EXPECT_EQ(file.ReadAt(0, bytes.data(), bytes.size()), static_cast<int64_t>(bytes.size()));
  return bytes;
}

std::vector<std::string> Names(const std::vector<DirItem>& items) {
  std::vector<std::string> names;
  for (const DirItem& item : items) names.push_back(item.name);
  return names;
}

bool SameTime(const LocalTime& a, const LocalTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
         a.minute == b.minute && a.second == b.second && a.millisecond == b.millisecond;
}

TEST(FakePlatformClock, NowStaysWhereItIsSet) {
  FakePlatform fake;
  fake.SetNow({2023, 4, 5, 6, 7, 8, 9});
  EXPECT_TRUE(SameTime(fake.Now(), {2023, 4, 5, 6, 7, 8, 9}));
  EXPECT_TRUE(SameTime(fake.Now(), {2023, 4, 5, 6, 7, 8, 9}));
}

TEST(FakePlatformClock, AdvanceCarriesThroughTheCalendar) {
  FakePlatform fake;
  fake.SetNow({2023, 12, 31, 23, 59, 59, 999});
  fake.AdvanceMs(1);
  EXPECT_TRUE(SameTime(fake.Now(), {2024, 1, 1, 0, 0, 0, 0}));
  fake.SetNow({2024, 2, 28, 12, 0, 0, 500});
  fake.AdvanceMs(24LL * 3600 * 1000);
  EXPECT_TRUE(SameTime(fake.Now(), {2024, 2, 29, 12, 0, 0, 500}));  // a leap day
  fake.AdvanceMs(-1000);
  EXPECT_TRUE(SameTime(fake.Now(), {2024, 2, 29, 11, 59, 59, 500}));
}

TEST(FakePlatformClock, NewFilesTakeTheCurrentTimeAsCreationTime) {
  FakePlatform fake;
  fake.SetNow({2022, 1, 2, 3, 4, 5, 6});
  fake.WriteFileBytes("/d/a.pdf", "x");
  fake.AdvanceMs(5000);
  ASSERT_NE(fake.Open("/d/b.pdf", OpenMode::kCreateNew), nullptr);
  LocalTime a, b;
  ASSERT_TRUE(fake.FileCreationTime("/d/a.pdf", &a));
  ASSERT_TRUE(fake.FileCreationTime("/d/b.pdf", &b));
  EXPECT_TRUE(SameTime(a, {2022, 1, 2, 3, 4, 5, 6}));
  EXPECT_TRUE(SameTime(b, {2022, 1, 2, 3, 4, 10, 6}));
  ASSERT_TRUE(fake.SetCreationTime("/d/a.pdf", {1999, 9, 9, 9, 9, 9, 9}));
  ASSERT_TRUE(fake.FileCreationTime("/d/a.pdf", &a));
  EXPECT_TRUE(SameTime(a, {1999, 9, 9, 9, 9, 9, 9}));
  EXPECT_FALSE(fake.SetCreationTime("/d/none.pdf", {1999, 9, 9, 9, 9, 9, 9}));
  EXPECT_FALSE(fake.FileCreationTime("/d/none.pdf", &a));
}

TEST(FakePlatformFiles, OpenModesFollowTheContract) {
  FakePlatform fake;
  EXPECT_EQ(fake.Open("/data/a.vdc", OpenMode::kRead), nullptr);
  EXPECT_EQ(fake.Open("/data/a.vdc", OpenMode::kReadWrite), nullptr);
  EXPECT_EQ(fake.Open("/data/a.vdc", OpenMode::kCreate), nullptr) << "no folder /data";
  fake.AddFolder("/data");
  auto created = fake.Open("/data/a.vdc", OpenMode::kCreateNew);
  ASSERT_NE(created, nullptr);
  ASSERT_TRUE(created->WriteAt(0, "hello", 5));
  EXPECT_EQ(fake.Open("/data/a.vdc", OpenMode::kCreateNew), nullptr);

  auto reader = fake.Open("/data/a.vdc", OpenMode::kRead);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(ReadAll(*reader), "hello");
  EXPECT_FALSE(reader->WriteAt(0, "x", 1)) << "read-only handle";
  EXPECT_FALSE(reader->Truncate(0));

  auto truncating = fake.Open("/data/a.vdc", OpenMode::kCreate);
  ASSERT_NE(truncating, nullptr);
  EXPECT_EQ(truncating->Size(), 0);
  EXPECT_EQ(fake.Open("/data", OpenMode::kRead), nullptr) << "a folder is not a file";
}

TEST(FakePlatformFiles, WritesPastTheEndFillWithZerosAndReadsStopAtTheEnd) {
  FakePlatform fake;
  auto file = fake.Open("/f.bin", OpenMode::kCreate);
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(file->WriteAt(4, "ab", 2));
  EXPECT_EQ(fake.ReadFileBytes("/f.bin"), std::string("\0\0\0\0ab", 6));
  char buf[8] = {};
  EXPECT_EQ(file->ReadAt(3, buf, sizeof(buf)), 3);
  EXPECT_EQ(file->ReadAt(6, buf, sizeof(buf)), 0);
  EXPECT_EQ(file->ReadAt(-1, buf, 1), -1);
  ASSERT_TRUE(file->Truncate(8));
  EXPECT_EQ(fake.ReadFileBytes("/f.bin"), std::string("\0\0\0\0ab\0\0", 8));
  ASSERT_TRUE(file->Truncate(1));
  EXPECT_EQ(file->Size(), 1);
}

TEST(FakePlatformFiles, ScatteredReadsFillEachSliceInTurnAndAreCounted) {
  FakePlatform fake;
  fake.WriteFileBytes("/s.bin", "0123456789");
  auto file = fake.Open("/s.bin", OpenMode::kRead);
  ASSERT_NE(file, nullptr);
  fake.ResetCounters();
  char head[3] = {};
  char tail[4] = {};
  const ReadSlice slices[] = {{head, 3}, {tail, 4}};
  EXPECT_EQ(file->ReadAtScattered(2, slices, 2), 7);
  EXPECT_EQ(std::string(head, 3), "234");
  EXPECT_EQ(std::string(tail, 4), "5678");
  EXPECT_EQ(file->ReadAtScattered(8, slices, 2), 2);
  EXPECT_EQ(std::string(head, 2), "89");
  EXPECT_EQ(file->ReadAtScattered(-1, slices, 2), -1);
  EXPECT_EQ(fake.BytesRead(), 9);
  fake.ResetCounters();
  EXPECT_EQ(fake.BytesRead(), 0);
}

TEST(FakePlatformFiles, RenameReplacesTheTargetAndKeepsOpenHandlesWorking) {
  FakePlatform fake;
  fake.WriteFileBytes("/d/new.tmp", "new");
  fake.WriteFileBytes("/d/old.vdc", "old");
  auto handle = fake.Open("/d/new.tmp", OpenMode::kReadWrite);
  ASSERT_TRUE(fake.Rename("/d/new.tmp", "/d/old.vdc"));
  EXPECT_FALSE(fake.FileExists("/d/new.tmp"));
  EXPECT_EQ(fake.ReadFileBytes("/d/old.vdc"), "new");
  ASSERT_TRUE(handle->WriteAt(3, "!", 1));
  EXPECT_EQ(fake.ReadFileBytes("/d/old.vdc"), "new!");
  EXPECT_FALSE(fake.Rename("/d/missing", "/d/x"));
  EXPECT_FALSE(fake.Rename("/d/old.vdc", "/nofolder/x"));
  EXPECT_TRUE(fake.Remove("/d/old.vdc"));
  EXPECT_FALSE(fake.Remove("/d/old.vdc"));
}

TEST(FakePlatformFiles, PathsIgnoreRepeatedAndTrailingSeparators) {
  FakePlatform fake;
  fake.WriteFileBytes("/a//b/c.txt", "c");
  EXPECT_TRUE(fake.FileExists("/a/b/c.txt"));
  EXPECT_TRUE(fake.IsDirectory("/a/b/"));
  EXPECT_TRUE(fake.SameFile("/a/b/c.txt", "/a//b/c.txt"));
  EXPECT_FALSE(fake.SameFile("/a/b/c.txt", "/a/b/d.txt"));
}

TEST(FakePlatformFolders, MakeDirectoryNeedsItsParentAndAcceptsAnExistingFolder) {
  FakePlatform fake;
  EXPECT_FALSE(fake.MakeDirectory("/x/y"));
  EXPECT_TRUE(fake.MakeDirectory("/x"));
  EXPECT_TRUE(fake.MakeDirectory("/x"));
  EXPECT_TRUE(fake.MakeDirectory("/x/y"));
  fake.WriteFileBytes("/x/file", "");
  EXPECT_FALSE(fake.MakeDirectory("/x/file"));
  EXPECT_TRUE(fake.IsDirectory("/x/y"));
  EXPECT_FALSE(fake.IsDirectory("/x/file"));
  EXPECT_TRUE(fake.IsDirectory("/tmp"));
  EXPECT_TRUE(fake.IsDirectory(fake.AppDataFolder()));
}

TEST(FakePlatformFolders, ListsDirectChildrenInByteOrderWithHiddenMarked) {
  FakePlatform fake;
  fake.WriteFileBytes("/r/b.pdf", "");
  fake.WriteFileBytes("/r/B.pdf", "");
  fake.WriteFileBytes("/r/.hidden", "");
  fake.WriteFileBytes("/r/sub/deep.pdf", "");
  fake.WriteFileBytes("/r/\x83\x5c.pdf", "");  // CP932 "ソ": sorts after ASCII
  fake.AddFolder("/r/a-folder");
  fake.WriteFileBytes("/rest.pdf", "");  // shares the prefix "/r", not the folder

  std::vector<DirItem> items;
  ASSERT_TRUE(fake.ListDirectory("/r", &items));
  EXPECT_EQ(Names(items), (std::vector<std::string>{".hidden", "B.pdf", "a-folder", "b.pdf",
                                                    "sub", "\x83\x5c.pdf"}));
  EXPECT_TRUE(items[0].hidden);
  EXPECT_FALSE(items[1].hidden);
  EXPECT_TRUE(items[2].is_directory);
  EXPECT_FALSE(items[3].is_directory);
  EXPECT_TRUE(items[4].is_directory);
}

TEST(FakePlatformFolders, UnreadableOrMissingFoldersLeaveTheListAlone) {
  FakePlatform fake;
  fake.WriteFileBytes("/r/a.pdf", "");
  std::vector<DirItem> items(1);
  items[0].name = "untouched";
  EXPECT_FALSE(fake.ListDirectory("/missing", &items));
  EXPECT_FALSE(fake.ListDirectory("/r/a.pdf", &items));
  fake.FailListDirectory("/r");
  EXPECT_FALSE(fake.ListDirectory("/r", &items));
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].name, "untouched");
  fake.ClearFailListDirectory("/r");
  EXPECT_TRUE(fake.ListDirectory("/r", &items));
  EXPECT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].name, "a.pdf");
}

TEST(FakePlatformFaults, TheNthWriteFailsAndLaterOnesSucceed) {
  FakePlatform fake;
  auto file = fake.Open("/f", OpenMode::kCreate);
  fake.FailWriteAfter(2);
  EXPECT_TRUE(file->WriteAt(0, "aa", 2));
  EXPECT_FALSE(file->WriteAt(2, "bb", 2));
  EXPECT_TRUE(file->WriteAt(4, "cc", 2));
  EXPECT_EQ(fake.ReadFileBytes("/f"), std::string("aa\0\0cc", 6));
  EXPECT_EQ(fake.WriteCount(), 3);
  EXPECT_EQ(fake.FailedWriteCount(), 1);
  EXPECT_EQ(fake.BytesWritten(), 4);
}

TEST(FakePlatformFaults, ATornWriteStoresItsPrefixAndStickyFailureStopsEverything) {
  FakePlatform fake;
  auto file = fake.Open("/f", OpenMode::kCreate);
  fake.TearWriteAfter(1, 3, /*sticky=*/true);
  EXPECT_FALSE(file->WriteAt(0, "abcdef", 6));
  EXPECT_EQ(fake.ReadFileBytes("/f"), "abc");
  EXPECT_FALSE(file->WriteAt(3, "x", 1));
  EXPECT_FALSE(file->Truncate(0));
  EXPECT_EQ(fake.ReadFileBytes("/f"), "abc");
  fake.ClearWriteFailure();
  EXPECT_TRUE(file->WriteAt(3, "d", 1));
  EXPECT_EQ(fake.ReadFileBytes("/f"), "abcd");
}

TEST(FakePlatformFaults, ACrashKeepsWhatWasSyncedAndDropsTheRest) {
  FakePlatform fake;
  fake.WriteFileBytes("/old", "before");
  fake.StartCrashMode();
  auto old_file = fake.Open("/old", OpenMode::kReadWrite);
  auto new_file = fake.Open("/new", OpenMode::kCreate);
  ASSERT_TRUE(old_file->WriteAt(0, "AB", 2));
  ASSERT_TRUE(new_file->WriteAt(0, "one", 3));
  EXPECT_TRUE(new_file->Sync());
  ASSERT_TRUE(new_file->WriteAt(3, "two", 3));
  ASSERT_TRUE(new_file->Truncate(1));
  EXPECT_EQ(fake.SyncCount(), 1);
  fake.Crash();
  EXPECT_EQ(fake.ReadFileBytes("/old"), "before") << "never synced since crash mode began";
  EXPECT_EQ(fake.ReadFileBytes("/new"), "one") << "the write and the cut after the sync go";
  EXPECT_EQ(ReadAll(*new_file), "one");
  // A sticky failure stands for the program stopping there: its Sync fails too, and the
  // crash restarts it with writes working again.
  fake.FailWriteAfter(1, /*sticky=*/true);
  EXPECT_FALSE(old_file->WriteAt(0, "x", 1));
  EXPECT_FALSE(old_file->Sync());
  fake.Crash();
  EXPECT_TRUE(old_file->WriteAt(0, "B", 1));
  EXPECT_TRUE(old_file->Sync());
  fake.Crash();
  EXPECT_EQ(fake.ReadFileBytes("/old"), "Before");
  EXPECT_EQ(fake.SyncCount(), 3);
}

// A rename is kept by a crash only once the folder it renamed into was synced; one that was
// not goes back, the file it replaced included.
TEST(FakePlatformFaults, ACrashUndoesARenameItsFolderWasNotSyncedFor) {
  FakePlatform fake;
  fake.WriteFileBytes("/d/new", "new");
  fake.WriteFileBytes("/d/old", "old");
  fake.WriteFileBytes("/e/other", "other");
  fake.StartCrashMode();
  ASSERT_TRUE(fake.Rename("/d/new", "/d/old"));
  ASSERT_TRUE(fake.SyncFolder("/e"));
  fake.Crash();
  EXPECT_EQ(fake.FilePaths(), (std::vector<std::string>{"/d/new", "/d/old", "/e/other"}));
  EXPECT_EQ(fake.ReadFileBytes("/d/old"), "old");

  ASSERT_TRUE(fake.Rename("/d/new", "/d/old"));
  ASSERT_TRUE(fake.SyncFolder("/d/"));
  fake.Crash();
  EXPECT_EQ(fake.FilePaths(), (std::vector<std::string>{"/d/old", "/e/other"}));
  EXPECT_EQ(fake.ReadFileBytes("/d/old"), "new");
  EXPECT_EQ(fake.FolderSyncCount("/d"), 1);
  EXPECT_EQ(fake.FolderSyncCount("/e"), 1);

  fake.SetFolderSyncFails(true);
  EXPECT_FALSE(fake.SyncFolder("/d"));
  fake.SetFolderSyncFails(false);
  EXPECT_FALSE(fake.SyncFolder("/missing"));
  EXPECT_EQ(fake.FolderSyncCount("/d"), 2);
}

TEST(FakePlatformFaults, WithoutCrashModeACrashChangesNothing) {
  FakePlatform fake;
  auto file = fake.Open("/f", OpenMode::kCreate);
  ASSERT_TRUE(file->WriteAt(0, "kept", 4));
  fake.Crash();
  EXPECT_EQ(fake.ReadFileBytes("/f"), "kept");
}

TEST(FakePlatformFaults, FailOpenRefusesEveryModeUntilCleared) {
  FakePlatform fake;
  fake.WriteFileBytes("/a.vdc", "x");
  fake.FailOpen("/a.vdc");
  EXPECT_EQ(fake.Open("/a.vdc", OpenMode::kRead), nullptr);
  EXPECT_EQ(fake.Open("/a.vdc", OpenMode::kCreate), nullptr);
  EXPECT_EQ(fake.ReadFileBytes("/a.vdc"), "x") << "a refused kCreate truncates nothing";
  fake.ClearFailOpen("/a.vdc");
  EXPECT_NE(fake.Open("/a.vdc", OpenMode::kRead), nullptr);
  EXPECT_EQ(fake.OpenCount(), 1);
}

TEST(FakePlatformLocks, LocksExcludeEachOtherUntilReleased) {
  FakePlatform fake;
  fake.WriteFileBytes("/d/cat.vdc", "x");
  std::unique_ptr<FileLock> first, second;
  EXPECT_EQ(fake.TryLockFile("/d/cat.vdc", &first), LockResult::kLocked);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(fake.TryLockFile("/d//cat.vdc/", &second), LockResult::kHeldElsewhere);
  EXPECT_EQ(second, nullptr);
  EXPECT_FALSE(fake.HoldLockElsewhere("/d/cat.vdc"));
  first.reset();
  EXPECT_FALSE(fake.IsLocked("/d/cat.vdc"));
  EXPECT_TRUE(fake.HoldLockElsewhere("/d/cat.vdc"));
  EXPECT_EQ(fake.TryLockFile("/d/cat.vdc", &second), LockResult::kHeldElsewhere);
  fake.ReleaseLockElsewhere("/d/cat.vdc");
  EXPECT_EQ(fake.TryLockFile("/d/cat.vdc", &second), LockResult::kLocked);
}

TEST(FakePlatformLocks, MissingFilesFoldersAndLocklessFileSystemsFail) {
  FakePlatform fake;
  fake.WriteFileBytes("/d/cat.vdc", "x");
  std::unique_ptr<FileLock> lock;
  EXPECT_EQ(fake.TryLockFile("/d/none.vdc", &lock), LockResult::kFailed);
  EXPECT_EQ(fake.TryLockFile("/d", &lock), LockResult::kFailed);
  fake.SetLocksFail(true);
  EXPECT_EQ(fake.TryLockFile("/d/cat.vdc", &lock), LockResult::kFailed);
  EXPECT_EQ(lock, nullptr);
  fake.SetLocksFail(false);
  EXPECT_EQ(fake.TryLockFile("/d/cat.vdc", &lock), LockResult::kLocked);
}

TEST(FakePlatformLocks, LockFileWaitsInStepsUntilTheOtherHolderLetsGo) {
  struct Row {
    int64_t release_after_ms;  // -1: never
    int64_t wait_ms;
    LockResult expected;
    int64_t slept_ms;
  };
  const Row rows[] = {
      {-1, 0, LockResult::kHeldElsewhere, 0},      // no waiting: one try
      {250, 1000, LockResult::kLocked, 300},       // free after the third step
      {1000, 1000, LockResult::kLocked, 1000},     // free exactly at the last try
      {1001, 1000, LockResult::kHeldElsewhere, 1000},
      {-1, 450, LockResult::kHeldElsewhere, 500},  // a started step is slept in full
  };
  for (const Row& row : rows) {
    FakePlatform fake;
    fake.WriteFileBytes("/cat.vdc", "x");
    ASSERT_TRUE(fake.HoldLockElsewhere("/cat.vdc", row.release_after_ms));
    std::unique_ptr<FileLock> lock;
    EXPECT_EQ(fake.LockFile("/cat.vdc", row.wait_ms, &lock), row.expected)
        << row.release_after_ms << " " << row.wait_ms;
    EXPECT_EQ(lock != nullptr, row.expected == LockResult::kLocked);
    EXPECT_EQ(fake.SleptMs(), row.slept_ms) << row.release_after_ms << " " << row.wait_ms;
  }
}

TEST(FakePlatformEnvironment, NamesAndFoldersAreSettable) {
  FakePlatform fake;
  std::string name;
  fake.SetOsName("Test OS 1.0");
  ASSERT_TRUE(fake.OsName(&name));
  EXPECT_EQ(name, "Test OS 1.0");
  fake.SetOsNameFails(true);
  name = "kept";
  EXPECT_FALSE(fake.OsName(&name));
  EXPECT_EQ(name, "kept");
  fake.SetComputerName("PC01");
  fake.SetTempFolder("/var/tmp/");
  fake.SetAppDataFolder("/cfg");
  EXPECT_EQ(fake.ComputerName(), "PC01");
  EXPECT_EQ(fake.TempFolder(), "/var/tmp/");
  EXPECT_EQ(fake.AppDataFolder(), "/cfg");
}

TEST(PlatformMakeAbsolute, RelativePathsJoinTheWorkingFolder) {
  FakePlatform fake;
  fake.SetWorkingFolder("/home/\x93\xfa/docs");  // 日: "/" and "." never inside it
  struct Row {
    const char* path;
    const char* absolute;
  } rows[] = {
      {"a.pdf", "/home/\x93\xfa/docs/a.pdf"},
      {"./sub/../a.pdf", "/home/\x93\xfa/docs/a.pdf"},
      {"../../../../x", "/x"},
      {"\x95\x5c/b.pdf", "/home/\x93\xfa/docs/\x95\x5c/b.pdf"},  // 表: a "\" second byte
      {"/abs//./kept as given", "/abs//./kept as given"},
  };
  for (const Row& row : rows) {
    std::string out;
    ASSERT_TRUE(fake.MakeAbsolute(row.path, &out)) << row.path;
    EXPECT_EQ(out, row.absolute) << row.path;
  }
  fake.SetWorkingFolder("");
  std::string out = "untouched";
  EXPECT_FALSE(fake.MakeAbsolute("a.pdf", &out));
  EXPECT_EQ(out, "untouched");
  EXPECT_TRUE(fake.MakeAbsolute("/a.pdf", &out));
}

TEST(ScopedPlatformTest, InstallsAndRestores) {
  Platform* real = &Platform::Real();
  EXPECT_EQ(&Platform::Current(), real);
  {
    FakePlatform outer;
    ScopedPlatform use_outer(&outer);
    EXPECT_EQ(&Platform::Current(), &outer);
    {
      FakePlatform inner;
      ScopedPlatform use_inner(&inner);
      EXPECT_EQ(&Platform::Current(), &inner);
      EXPECT_EQ(&Platform::Real(), real);
    }
    EXPECT_EQ(&Platform::Current(), &outer);
  }
  EXPECT_EQ(&Platform::Current(), real);
}

}  // namespace
}  // namespace veldra::platform
