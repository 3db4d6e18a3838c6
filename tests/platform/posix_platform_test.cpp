#include "platform/posix_platform.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/posix_error.h"
#include "tests/support/test_text.h"

namespace veldra::platform {
namespace {

// A fresh folder under the temporary folder, removed with everything in it afterwards.
class PosixPlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = Cp932ToUtf8(platform_.TempFolder()) + "veldra_platform_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    utf8_root_ = pattern;
    root_ = Sjis(utf8_root_.c_str());
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(utf8_root_, ignored);
  }

  std::string Path(const std::string& name) const { return root_ + "/" + name; }

  PosixPlatform platform_;
  std::string root_;       // CP932
  std::string utf8_root_;  // as the system spells it
};

TEST_F(PosixPlatformTest, JapaneseNamesReachTheDiskAsUtf8) {
  const std::string name = Sjis("資料ソース表.pdf");  // "ソ" and "表" end in 0x5C
  auto file = platform_.Open(Path(name), OpenMode::kCreateNew);
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(file->WriteAt(0, "%PDF", 4));
  file.reset();

  EXPECT_TRUE(std::filesystem::exists(utf8_root_ + "/資料ソース表.pdf"));
  EXPECT_TRUE(platform_.FileExists(Path(name)));
  std::vector<DirItem> items;
  ASSERT_TRUE(platform_.ListDirectory(root_, &items));
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].name, name);
  EXPECT_FALSE(items[0].is_directory);
}

TEST_F(PosixPlatformTest, PrivateCreationIsOwnerOnlyAndNeverFollowsAPlantedName) {
  const std::string fresh = Path("fresh.pdf");
  auto created = platform_.Open(fresh, OpenMode::kCreatePrivate);
  ASSERT_NE(created, nullptr);
  created.reset();
  struct stat st {};
  ASSERT_EQ(::stat((utf8_root_ + "/fresh.pdf").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(platform_.Open(fresh, OpenMode::kCreatePrivate), nullptr) << "exists already";

  // A link planted at the name, to a file and to nothing: neither is opened or followed.
  std::ofstream(utf8_root_ + "/victim.txt") << "keep me";
  std::filesystem::create_symlink(utf8_root_ + "/victim.txt", utf8_root_ + "/link.pdf");
  std::filesystem::create_symlink(utf8_root_ + "/nowhere", utf8_root_ + "/dangling.pdf");
  EXPECT_EQ(platform_.Open(Path("link.pdf"), OpenMode::kCreatePrivate), nullptr);
  EXPECT_EQ(platform_.Open(Path("dangling.pdf"), OpenMode::kCreatePrivate), nullptr);
  EXPECT_FALSE(std::filesystem::exists(utf8_root_ + "/nowhere"));
  EXPECT_EQ(std::filesystem::file_size(utf8_root_ + "/victim.txt"), 7u);
}

// A planted name, live link or dangling one, is taken: a rename that must not replace
// leaves it and its target alone, and so does an exclusive create.
TEST_F(PosixPlatformTest, PlantedNamesAreTakenAndNeverReplacedOrFollowed) {
  std::ofstream(utf8_root_ + "/victim.txt") << "keep me";
  std::filesystem::create_symlink(utf8_root_ + "/victim.txt", utf8_root_ + "/link.pdf");
  std::filesystem::create_symlink(utf8_root_ + "/nowhere", utf8_root_ + "/dangling.pdf");
  std::ofstream(utf8_root_ + "/source.bin") << "new";
  for (const char* name : {"link.pdf", "dangling.pdf", "victim.txt"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(platform_.NameTaken(Path(name)));
    EXPECT_EQ(platform_.Open(Path(name), OpenMode::kCreateNew), nullptr);
    EXPECT_FALSE(platform_.RenameNoReplace(Path("source.bin"), Path(name)));
  }
  EXPECT_FALSE(std::filesystem::exists(utf8_root_ + "/nowhere"));
  EXPECT_EQ(std::filesystem::file_size(utf8_root_ + "/victim.txt"), 7u);
  EXPECT_TRUE(std::filesystem::is_symlink(utf8_root_ + "/link.pdf"));
  EXPECT_FALSE(platform_.NameTaken(Path("free.pdf")));
  EXPECT_TRUE(platform_.RenameNoReplace(Path("source.bin"), Path("free.pdf")));
  EXPECT_FALSE(platform_.NameTaken(Path("source.bin")));
  EXPECT_EQ(std::filesystem::file_size(utf8_root_ + "/free.pdf"), 3u);
}

TEST_F(PosixPlatformTest, OpenModes) {
  const std::string path = Path("a.bin");
  EXPECT_EQ(platform_.Open(path, OpenMode::kRead), nullptr);
  EXPECT_EQ(platform_.Open(path, OpenMode::kReadWrite), nullptr);
  auto created = platform_.Open(path, OpenMode::kCreateNew);
  ASSERT_NE(created, nullptr);
  ASSERT_TRUE(created->WriteAt(0, "abcdef", 6));
  created.reset();
  EXPECT_EQ(platform_.Open(path, OpenMode::kCreateNew), nullptr) << "exists already";

  auto reader = platform_.Open(path, OpenMode::kRead);
  ASSERT_NE(reader, nullptr);
  EXPECT_FALSE(reader->WriteAt(0, "x", 1));
  EXPECT_FALSE(reader->Truncate(0));
  EXPECT_EQ(reader->Size(), 6);

  auto writer = platform_.Open(path, OpenMode::kReadWrite);
  ASSERT_NE(writer, nullptr);
  EXPECT_EQ(writer->Size(), 6) << "kReadWrite does not truncate";
  auto truncating = platform_.Open(path, OpenMode::kCreate);
  ASSERT_NE(truncating, nullptr);
  EXPECT_EQ(truncating->Size(), 0);
  EXPECT_EQ(platform_.Open(root_, OpenMode::kRead), nullptr) << "a folder is not a file";
  EXPECT_EQ(platform_.Open(Path("missing/x"), OpenMode::kCreate), nullptr);
}

TEST_F(PosixPlatformTest, PositionedReadsAndWrites) {
  auto file = platform_.Open(Path("f"), OpenMode::kCreate);
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(file->WriteAt(3, "xyz", 3));
  EXPECT_EQ(file->Size(), 6);
  char buf[16] = {};
  EXPECT_EQ(file->ReadAt(0, buf, sizeof(buf)), 6);
  EXPECT_EQ(std::string(buf, 6), std::string("\0\0\0xyz", 6));
  EXPECT_EQ(file->ReadAt(6, buf, sizeof(buf)), 0);
  EXPECT_EQ(file->ReadAt(-5, buf, 1), -1);
  EXPECT_FALSE(file->WriteAt(-1, "a", 1));
  ASSERT_TRUE(file->Truncate(10));
  EXPECT_EQ(file->Size(), 10);
  ASSERT_TRUE(file->Truncate(2));
  EXPECT_EQ(file->Size(), 2);
  EXPECT_TRUE(file->Sync());
  auto reader = platform_.Open(Path("f"), OpenMode::kRead);
  EXPECT_TRUE(reader->Sync()) << "a file open for reading can be synced too";
}

TEST_F(PosixPlatformTest, ScatteredReadsFillEachSliceInTurn) {
  auto file = platform_.Open(Path("s"), OpenMode::kCreate);
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(file->WriteAt(0, "0123456789", 10));
  char head[3] = {};
  char empty[1] = {'e'};
  char tail[4] = {};
  const ReadSlice slices[] = {{head, 3}, {empty, 0}, {tail, 4}};
  EXPECT_EQ(file->ReadAtScattered(2, slices, 3), 7);
  EXPECT_EQ(std::string(head, 3), "234");
  EXPECT_EQ(std::string(tail, 4), "5678");
  EXPECT_EQ(empty[0], 'e');
  // At the end of the file the count falls short; a read before the start fails.
  char more[8] = {};
  const ReadSlice past[] = {{head, 3}, {more, 8}};
  EXPECT_EQ(file->ReadAtScattered(5, past, 2), 5);
  EXPECT_EQ(std::string(head, 3), "567");
  EXPECT_EQ(std::string(more, 2), "89");
  EXPECT_EQ(file->ReadAtScattered(10, past, 2), 0);
  EXPECT_EQ(file->ReadAtScattered(-1, past, 2), -1);

  // More slices than one system call takes.
  std::vector<char> bytes(3000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>('a' + i % 26);
  ASSERT_TRUE(file->WriteAt(0, bytes.data(), bytes.size()));
  std::vector<char> got(bytes.size());
  std::vector<ReadSlice> many;
  for (size_t i = 0; i < got.size(); ++i) many.push_back({&got[i], 1});
  EXPECT_EQ(file->ReadAtScattered(0, many.data(), many.size()), 3000);
  EXPECT_EQ(got, bytes);
}

TEST_F(PosixPlatformTest, RemoveRenameAndSameFile) {
  ASSERT_NE(platform_.Open(Path("a"), OpenMode::kCreate), nullptr);
  auto b = platform_.Open(Path("b"), OpenMode::kCreate);
  ASSERT_TRUE(b->WriteAt(0, "b", 1));
  b.reset();
  ASSERT_TRUE(platform_.Rename(Path("b"), Path("a")));
  EXPECT_FALSE(platform_.FileExists(Path("b")));
  auto a = platform_.Open(Path("a"), OpenMode::kRead);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->Size(), 1) << "the rename replaced the old a";

  EXPECT_TRUE(platform_.SameFile(Path("a"), root_ + "//./a"));
  ASSERT_TRUE(platform_.MakeDirectory(Path("sub")));
  EXPECT_TRUE(platform_.SameFile(Path("a"), Path("sub/../a")));
  ASSERT_EQ(::symlink("a", Cp932ToUtf8(Path("link")).c_str()), 0);
  EXPECT_TRUE(platform_.SameFile(Path("a"), Path("link")));
  ASSERT_NE(platform_.Open(Path("c"), OpenMode::kCreate), nullptr);
  EXPECT_FALSE(platform_.SameFile(Path("a"), Path("c")));
  EXPECT_FALSE(platform_.SameFile(Path("a"), Path("missing")));

  EXPECT_TRUE(platform_.Remove(Path("a")));
  EXPECT_FALSE(platform_.Remove(Path("a")));
  EXPECT_FALSE(platform_.Rename(Path("a"), Path("d")));

  // A folder's names are synced; a file or nothing is no folder to sync.
  EXPECT_TRUE(platform_.SyncFolder(root_));
  EXPECT_TRUE(platform_.SyncFolder(Path("sub/")));
  EXPECT_FALSE(platform_.SyncFolder(Path("c")));
  EXPECT_FALSE(platform_.SyncFolder(Path("missing")));
  EXPECT_EQ(LastFailure(), Failure::kNotFound);
}

TEST_F(PosixPlatformTest, FoldersAndListing) {
  EXPECT_TRUE(platform_.MakeDirectory(Path("z")));
  EXPECT_TRUE(platform_.MakeDirectory(Path("z"))) << "an existing folder is fine";
  EXPECT_FALSE(platform_.MakeDirectory(Path("x/y"))) << "no parents are made";
  ASSERT_NE(platform_.Open(Path("file"), OpenMode::kCreate), nullptr);
  EXPECT_FALSE(platform_.MakeDirectory(Path("file")));
  EXPECT_TRUE(platform_.IsDirectory(Path("z")));
  EXPECT_FALSE(platform_.IsDirectory(Path("file")));
  EXPECT_FALSE(platform_.FileExists(Path("z")));
  ASSERT_NE(platform_.Open(Path(".hidden"), OpenMode::kCreate), nullptr);
  ASSERT_NE(platform_.Open(Path("B"), OpenMode::kCreate), nullptr);
  ASSERT_EQ(::symlink("z", Cp932ToUtf8(Path("zlink")).c_str()), 0);

  std::vector<DirItem> items;
  ASSERT_TRUE(platform_.ListDirectory(root_, &items));
  std::vector<std::string> names;
  for (const DirItem& item : items) names.push_back(item.name);
  EXPECT_EQ(names, (std::vector<std::string>{".hidden", "B", "file", "z", "zlink"}));
  EXPECT_TRUE(items[0].hidden);
  EXPECT_FALSE(items[1].hidden);
  EXPECT_TRUE(items[3].is_directory);
  EXPECT_TRUE(items[4].is_directory) << "a link to a folder lists as a folder";

  items.assign(1, DirItem{"kept", false, false});
  EXPECT_FALSE(platform_.ListDirectory(Path("missing"), &items));
  EXPECT_EQ(items.size(), 1u);
}

TEST_F(PosixPlatformTest, CreationTimeIsLocalTimeWithMilliseconds) {
  ASSERT_NE(platform_.Open(Path("t"), OpenMode::kCreate), nullptr);
  struct stat st {};
  ASSERT_EQ(::stat(Cp932ToUtf8(Path("t")).c_str(), &st), 0);
  LocalTime created;
  ASSERT_TRUE(platform_.FileCreationTime(Path("t"), &created));
  // Birth time (or modification time) is the moment of creation: the same local minute
  // as the modification time, give or take one tick of the clock.
  struct tm tm {};
  ASSERT_NE(localtime_r(&st.st_mtim.tv_sec, &tm), nullptr);
  EXPECT_EQ(created.year, tm.tm_year + 1900);
  EXPECT_EQ(created.month, tm.tm_mon + 1);
  EXPECT_EQ(created.day, tm.tm_mday);
  EXPECT_EQ(created.hour, tm.tm_hour);
  EXPECT_GE(created.millisecond, 0);
  EXPECT_LE(created.millisecond, 999);
  EXPECT_FALSE(platform_.FileCreationTime(Path("missing"), &created));
}

TEST_F(PosixPlatformTest, WorkingFolderIsCp932OrCannotBeTold) {
  const std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::create_directory(utf8_root_ + "/資料");
  std::filesystem::create_directory(utf8_root_ + "/\U0001F600");  // no CP932 for it
  std::filesystem::current_path(utf8_root_ + "/資料");
  std::string folder;
  const bool told = platform_.WorkingFolder(&folder);
  std::string absolute;
  const bool made = platform_.MakeAbsolute("../a.pdf", &absolute);
  std::filesystem::current_path(utf8_root_ + "/\U0001F600");
  std::string untold = "untouched";
  const bool told_unrepresentable = platform_.MakeAbsolute("a.pdf", &untold);
  std::filesystem::current_path(saved);
  EXPECT_TRUE(told);
  EXPECT_EQ(folder, Path(Sjis("資料")));
  EXPECT_TRUE(made);
  EXPECT_EQ(absolute, Path("a.pdf"));
  EXPECT_FALSE(told_unrepresentable);
  EXPECT_EQ(untold, "untouched");
}

TEST(PosixPlatformEnvironment, TempFolderFollowsTmpdirAndEndsWithSlash) {
  PosixPlatform platform;
  const char* saved = std::getenv("TMPDIR");
  const std::string saved_value = saved ? saved : "";
  ::setenv("TMPDIR", "/var/tmp", 1);
  EXPECT_EQ(platform.TempFolder(), "/var/tmp/");
  ::setenv("TMPDIR", "/var/tmp/", 1);
  EXPECT_EQ(platform.TempFolder(), "/var/tmp/");
  ::unsetenv("TMPDIR");
  EXPECT_EQ(platform.TempFolder(), "/tmp/");
  if (saved) ::setenv("TMPDIR", saved_value.c_str(), 1);
}

TEST(PosixPlatformEnvironment, AppDataAndCacheFoldersFollowXdgElseHome) {
  PosixPlatform platform;
  struct Row {
    const char* variable;
    const char* below_home;
    std::string (PosixPlatform::*folder)();
  };
  for (const Row& row : {Row{"XDG_CONFIG_HOME", "/.config", &PosixPlatform::AppDataFolder},
                         Row{"XDG_CACHE_HOME", "/.cache", &PosixPlatform::CacheFolder}}) {
    SCOPED_TRACE(row.variable);
    const char* xdg = std::getenv(row.variable);
    const char* home = std::getenv("HOME");
    const std::string xdg_value = xdg ? xdg : "", home_value = home ? home : "";
    ::setenv(row.variable, "/cfg/", 1);
    EXPECT_EQ((platform.*row.folder)(), "/cfg");
    ::unsetenv(row.variable);
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ((platform.*row.folder)(), std::string("/home/someone") + row.below_home);
    ::setenv(row.variable, "relative", 1);  // not absolute: ignored
    EXPECT_EQ((platform.*row.folder)(), std::string("/home/someone") + row.below_home);
    ::unsetenv(row.variable);
    ::unsetenv("HOME");
    EXPECT_EQ((platform.*row.folder)(), "");
    if (xdg) ::setenv(row.variable, xdg_value.c_str(), 1);
    if (home) ::setenv("HOME", home_value.c_str(), 1);
  }
}

TEST(PosixPlatformEnvironment, OsNameIsPrettyNameAndKernelRelease) {
  PosixPlatform platform;
  std::string name;
  ASSERT_TRUE(platform.OsName(&name));
  char host[256] = {};
  ASSERT_EQ(::gethostname(host, sizeof(host) - 1), 0);
  EXPECT_EQ(platform.ComputerName(), host);
  struct utsname uts {};
  ASSERT_EQ(::uname(&uts), 0);
  const std::string release = std::string(" ") + uts.release;
  ASSERT_GT(name.size(), release.size());
  EXPECT_EQ(name.substr(name.size() - release.size()), release);
}

TEST_F(PosixPlatformTest, ALockKeepsOutEveryOtherLockerUntilReleased) {
  const std::string path = Path(Sjis("目録.vdc"));
  ASSERT_NE(platform_.Open(path, OpenMode::kCreateNew), nullptr);
  std::unique_ptr<FileLock> held, other;
  ASSERT_EQ(platform_.TryLockFile(path, &held), LockResult::kLocked);
  // Descriptors of the same file opened and closed meanwhile leave the lock in place.
  platform_.Open(path, OpenMode::kReadWrite).reset();
  platform_.Open(path, OpenMode::kRead).reset();
  EXPECT_EQ(platform_.TryLockFile(path, &other), LockResult::kHeldElsewhere);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(platform_.LockFile(path, kLockPollMs, &other), LockResult::kHeldElsewhere);
  held.reset();
  EXPECT_EQ(platform_.TryLockFile(path, &other), LockResult::kLocked);
}

TEST_F(PosixPlatformTest, ALockNeedsAnExistingFile) {
  std::unique_ptr<FileLock> lock;
  EXPECT_EQ(platform_.TryLockFile(Path("none.vdc"), &lock), LockResult::kFailed);
  EXPECT_EQ(platform_.TryLockFile(root_, &lock), LockResult::kFailed);
  EXPECT_EQ(platform_.TryLockFile("", &lock), LockResult::kFailed);
  EXPECT_EQ(lock, nullptr);
}

TEST_F(PosixPlatformTest, AReadOnlyFileCanBeLocked) {
  const std::string path = Path("ro.vdc");
  ASSERT_NE(platform_.Open(path, OpenMode::kCreateNew), nullptr);
  ASSERT_EQ(::chmod(Cp932ToUtf8(path).c_str(), 0444), 0);
  std::unique_ptr<FileLock> lock;
  EXPECT_EQ(platform_.TryLockFile(path, &lock), LockResult::kLocked);
}

// A pipe without a writer would hold an open until one came: alarm() ends the test program
// instead of leaving it waiting should that ever happen again.
TEST_F(PosixPlatformTest, OnlyRegularFilesAreOpenedOrLockedAndNothingIsWaitedFor) {
  const std::string fifo = Path("pipe.vdc");
  const std::string socket_path = Path("socket.vdc");
  ASSERT_EQ(::mkfifo(Cp932ToUtf8(fifo).c_str(), 0600), 0);
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string sys_socket = Cp932ToUtf8(socket_path);
  ASSERT_LT(sys_socket.size(), sizeof(address.sun_path));
  std::copy(sys_socket.begin(), sys_socket.end(), address.sun_path);
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  std::ofstream(Cp932ToUtf8(Path("a.pdf"))) << "x";
  EXPECT_EQ(platform_.KindOf(fifo), FileKind::kOther);
  EXPECT_EQ(platform_.KindOf(socket_path), FileKind::kOther);
  EXPECT_EQ(platform_.KindOf(Path("a.pdf")), FileKind::kRegularFile);
  EXPECT_EQ(platform_.KindOf(root_), FileKind::kDirectory);
  EXPECT_EQ(platform_.KindOf(Path("none")), FileKind::kMissing);

  ::alarm(20);
  for (const std::string& path : {fifo, socket_path, root_, std::string("/dev/null")}) {
    for (OpenMode mode : {OpenMode::kRead, OpenMode::kReadWrite, OpenMode::kCreate}) {
      SetLastFailure(Failure::kNone);
      EXPECT_EQ(platform_.Open(path, mode), nullptr) << path << " " << static_cast<int>(mode);
      EXPECT_EQ(LastFailure(), Failure::kNotRegularFile) << path << " " << static_cast<int>(mode);
    }
    std::unique_ptr<FileLock> lock;
    SetLastFailure(Failure::kNone);
    EXPECT_EQ(platform_.TryLockFile(path, &lock), LockResult::kFailed) << path;
    EXPECT_EQ(LastFailure(), Failure::kNotRegularFile) << path;
  }
  ::alarm(0);
  ::close(sock);
  EXPECT_EQ(platform_.KindOf(fifo), FileKind::kOther);  // kCreate neither replaced nor cut it

  auto file = platform_.Open(Path("a.pdf"), OpenMode::kRead);
  ASSERT_NE(file, nullptr);
  char byte = 0;
  EXPECT_EQ(file->ReadAt(0, &byte, 1), 1);
}

TEST_F(PosixPlatformTest, AFailedCallLeavesItsCause) {
  SetLastFailure(Failure::kNone);
  EXPECT_EQ(platform_.Open(root_ + "/none.pdf", OpenMode::kRead), nullptr);
  EXPECT_EQ(LastFailure(), Failure::kNotFound);
  // A call that succeeds leaves the cause as it was, as errno does.
  EXPECT_TRUE(platform_.MakeDirectory(root_ + "/sub"));
  EXPECT_EQ(LastFailure(), Failure::kNotFound);
  std::vector<DirItem> items;
  EXPECT_FALSE(platform_.ListDirectory(root_ + "/none", &items));
  EXPECT_EQ(LastFailure(), Failure::kNotFound);
  auto read_only = platform_.Open(root_ + "/r", OpenMode::kCreate);
  read_only.reset();
  read_only = platform_.Open(root_ + "/r", OpenMode::kRead);
  ASSERT_NE(read_only, nullptr);
  EXPECT_FALSE(read_only->WriteAt(0, "x", 1));
  EXPECT_EQ(LastFailure(), Failure::kDenied);
}

class FailureOfErrnoTest : public ::testing::TestWithParam<std::pair<int, Failure>> {};

TEST_P(FailureOfErrnoTest, MapsTheSystemsReason) {
  SetLastFailure(Failure::kNone);
  EXPECT_EQ(FailureOfErrno(GetParam().first), GetParam().second);
  EXPECT_NE(ResultOfErrno(GetParam().first), SysResult::kOk);
  EXPECT_EQ(LastFailure(), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, FailureOfErrnoTest,
    ::testing::Values(std::pair{ENOENT, Failure::kNotFound}, std::pair{ENOTDIR, Failure::kNotFound},
                      std::pair{EACCES, Failure::kDenied}, std::pair{EPERM, Failure::kDenied},
                      std::pair{EROFS, Failure::kDenied}, std::pair{ENOSPC, Failure::kNoSpace},
                      std::pair{EDQUOT, Failure::kNoSpace}, std::pair{EFBIG, Failure::kTooLarge},
                      std::pair{ENXIO, Failure::kNotRegularFile}, std::pair{EIO, Failure::kIoError},
                      std::pair{EBADF, Failure::kOther}));

TEST(PrettyNameTest, ReadsQuotedEscapedAndMissingValues) {
  EXPECT_EQ(PrettyNameFromOsRelease("NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 "
                                    "(bookworm)\"\nID=debian\n"),
            "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(PrettyNameFromOsRelease("PRETTY_NAME=Plain\n"), "Plain");
  EXPECT_EQ(PrettyNameFromOsRelease("PRETTY_NAME='Single \\ quoted'\n"), "Single \\ quoted");
  EXPECT_EQ(PrettyNameFromOsRelease("PRETTY_NAME=\"Say \\\"hi\\\"\"\n"), "Say \"hi\"");
  EXPECT_EQ(PrettyNameFromOsRelease("XPRETTY_NAME=\"no\"\nID=x\n"), "Linux");
  EXPECT_EQ(PrettyNameFromOsRelease(""), "Linux");
}

}  // namespace
}  // namespace veldra::platform
