#include "browser/environment_info.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/fake_platform.h"
#include "platform/posix_platform.h"
#include "tests/support/test_text.h"

namespace veldra {
namespace {

using platform::FakePlatform;
using platform::ScopedPlatform;
using Paths = std::vector<std::string>;

// --- Operating-system names -------------------------------------------------------------

struct OsRow {
  int major, minor, platform_id;
  const char* expected;
};

TEST(OsNameFromVersionTest, NamesEveryListedVersionWithTheServicePack) {
  const OsRow rows[] = {
      {4, 0, 2, "Windows NT 4.0 SP6"}, {4, 0, 1, "Windows 95 SP6"},
      {4, 10, 1, "Windows 98 SP6"},    {4, 90, 1, "Windows Me SP6"},
      {5, 0, 2, "Windows 2000 SP6"},   {5, 1, 2, "Windows XP SP6"},
      {5, 2, 2, "Windows 2003 Server SP6"}, {6, 0, 2, "Windows Vista SP6"},
      {6, 3, 2, "Windows Vista SP6"},
  };
  for (const OsRow& row : rows) {
    std::string out;
    EXPECT_EQ(OsNameFromVersion({row.major, row.minor, row.platform_id, "SP6"}, 64, &out),
              kOsNameOk);
    EXPECT_EQ(out, row.expected);
  }
}

TEST(OsNameFromVersionTest, AnEmptyServicePackStillEndsInABlank) {
  std::string out;
  ASSERT_EQ(OsNameFromVersion({6, 1, 2, ""}, 64, &out), kOsNameOk);
  EXPECT_EQ(out, "Windows Vista ");
}

TEST(OsNameFromVersionTest, UnlistedVersionsWriteNothing) {
  const OsVersionRecord unlisted[] = {{4, 1, 2, ""}, {5, 3, 2, ""}, {3, 51, 2, ""},
                                      {10, 0, 2, ""}};
  for (const OsVersionRecord& version : unlisted) {
    std::string out = "kept";
    EXPECT_EQ(OsNameFromVersion(version, 64, &out), kOsNameUnlisted);
    EXPECT_EQ(out, "kept");
  }
}

TEST(OsNameFromVersionTest, TheTextAndItsTerminatorMustFit) {
  std::string out = "kept";
  // "Windows XP SP2" is 14 bytes: 15 with its terminator.
  EXPECT_EQ(OsNameFromVersion({5, 1, 2, "SP2"}, 14, &out), kOsNameFailed);
  EXPECT_EQ(out, "kept");
  EXPECT_EQ(OsNameFromVersion({5, 1, 2, "SP2"}, 15, &out), kOsNameOk);
  EXPECT_EQ(out, "Windows XP SP2");
}

TEST(GetOsNameTest, TakesThePlatformsNameWhenItFits) {
  FakePlatform fake;
  ScopedPlatform use(&fake);
  fake.SetOsName("Debian GNU/Linux 12 (bookworm) 6.1.0-18-amd64");  // 45 bytes
  std::string out;
  ASSERT_EQ(GetOsName(64, &out), kOsNameOk);
  EXPECT_EQ(out, "Debian GNU/Linux 12 (bookworm) 6.1.0-18-amd64");
  out = "kept";
  EXPECT_EQ(GetOsName(45, &out), kOsNameFailed);
  EXPECT_EQ(out, "kept");
  EXPECT_EQ(GetOsName(46, &out), kOsNameOk);
}

TEST(GetOsNameTest, AFailedQueryLeavesTheOutputAlone) {
  FakePlatform fake;
  ScopedPlatform use(&fake);
  fake.SetOsNameFails(true);
  std::string out = "kept";
  EXPECT_EQ(GetOsName(64, &out), kOsNameFailed);
  EXPECT_EQ(out, "kept");
}

// --- File creation time stamps ----------------------------------------------------------

class CreationTimestampTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_.WriteFileBytes("/d/b.pdf", "");
    fake_.WriteFileBytes("/d/a.pdf", "");
    fake_.WriteFileBytes("/d/" + Sjis("ソース") + ".pdf", "");  // 0x5C second bytes
    fake_.WriteFileBytes("/d/" + Sjis("データ") + ".txt", "");  // "ー" is 0x81 0x5B
    fake_.SetCreationTime("/d/a.pdf", {2024, 5, 6, 7, 8, 9, 10});
    fake_.SetCreationTime("/d/b.pdf", {1999, 12, 31, 23, 59, 58, 999});
    fake_.SetCreationTime("/d/" + Sjis("ソース") + ".pdf", {2001, 2, 3, 4, 5, 6, 7});
    fake_.SetCreationTime("/d/" + Sjis("データ") + ".txt", {2002, 2, 3, 4, 5, 6, 7});
  }

  std::string Stamp(const std::string& path, int expected_result = 0) {
    char buffer[18];
    std::memset(buffer, '#', sizeof(buffer));
    EXPECT_EQ(MakeFileCreationTimestamp(sizeof(buffer), buffer, path), expected_result);
    return expected_result == 0 ? std::string(buffer) : std::string(buffer, sizeof(buffer));
  }

  FakePlatform fake_;
  ScopedPlatform use_{&fake_};
};

TEST_F(CreationTimestampTest, PrintsLocalTimeToTheMillisecond) {
  EXPECT_EQ(Stamp("/d/a.pdf"), "20240506070809010");
  EXPECT_EQ(Stamp("/d/b.pdf"), "19991231235958999");
}

TEST_F(CreationTimestampTest, SmallBuffersAndMissingFilesWriteNothing) {
  char buffer[18];
  std::memset(buffer, '#', sizeof(buffer));
  EXPECT_EQ(MakeFileCreationTimestamp(16, buffer, "/d/a.pdf"), -1);
  // Seventeen bytes hold the digits but not the NUL after them.
  EXPECT_EQ(MakeFileCreationTimestamp(17, buffer, "/d/a.pdf"), -1);
  EXPECT_EQ(std::string(buffer, 18), std::string(18, '#'));
  EXPECT_EQ(Stamp("/d/none.pdf", -1), std::string(18, '#'));
  EXPECT_EQ(Stamp("/nofolder/*.pdf", -1), std::string(18, '#'));
  EXPECT_EQ(Stamp("/d/*.doc", -1), std::string(18, '#'));
}

TEST_F(CreationTimestampTest, AWildcardPathTakesTheFirstMatchInByteOrder) {
  EXPECT_EQ(Stamp("/d/*.pdf"), "20240506070809010");
  EXPECT_EQ(Stamp("/d/?.pdf"), "20240506070809010");
  EXPECT_EQ(Stamp("/d/b*"), "19991231235958999");
  EXPECT_EQ(Stamp("/d/" + Sjis("ソ") + "*"), "20010203040506007");
}

TEST_F(CreationTimestampTest, DoubleByteCharactersAreNeverTakenForWildcardSyntax) {
  // "?" stands for a whole double-byte character, and the 0x5B second byte of "ー" is no
  // bracket expression.
  EXPECT_EQ(Stamp("/d/" + Sjis("ソ") + "??.pdf"), "20010203040506007");
  EXPECT_EQ(Stamp("/d/" + Sjis("デー") + "*"), "20020203040506007");
  EXPECT_EQ(Stamp("/d/" + Sjis("ソ") + "???.pdf", -1), std::string(18, '#'));
}

// --- Finding files by extension ---------------------------------------------------------

class EnumerateTest : public ::testing::Test {
 protected:
  FakePlatform fake_;
  ScopedPlatform use_{&fake_};
};

TEST_F(EnumerateTest, JoinsWithExactlyOneSeparator) {
  fake_.WriteFileBytes("/c/x.pdf", "");
  fake_.WriteFileBytes("/c/sub/y.pdf", "");
  Paths out;
  ASSERT_EQ(EnumerateFilesByExtension("/c", "pdf", &out), 0);
  EXPECT_EQ(out, (Paths{"/c/sub/y.pdf", "/c/x.pdf"}));
  out.clear();
  ASSERT_EQ(EnumerateFilesByExtension("/c/", "pdf", &out), 0);
  EXPECT_EQ(out, (Paths{"/c/sub/y.pdf", "/c/x.pdf"}));
}

TEST_F(EnumerateTest, ASearchOfTheRootUsesOneSeparator) {
  FakePlatform bare;
  ScopedPlatform use(&bare);
  bare.WriteFileBytes("/x.pdf", "");
  bare.WriteFileBytes("/sub/y.pdf", "");
  Paths out;
  ASSERT_EQ(EnumerateFilesByExtension("/", "pdf", &out), 0);
  EXPECT_EQ(out, (Paths{"/sub/y.pdf", "/x.pdf"}));
}

TEST_F(EnumerateTest, TheExtensionMustMatchExactly) {
  for (const char* name : {"a.pdf", "b.PDF", "c.pdf.bak", "d", "e.", "f.xpdf", ".pdf"}) {
    fake_.WriteFileBytes(std::string("/e/") + name, "");
  }
  Paths out;
  ASSERT_EQ(EnumerateFilesByExtension("/e", "pdf", &out), 0);
  EXPECT_EQ(out, (Paths{"/e/.pdf", "/e/a.pdf"})) << "a hidden file is taken";
  out.clear();
  ASSERT_EQ(EnumerateFilesByExtension("/e", "", &out), 0);
  EXPECT_EQ(out, (Paths{"/e/e."}));
}

TEST_F(EnumerateTest, DescendsDepthFirstInByteOrder) {
  fake_.WriteFileBytes("/r/a.pdf", "");
  fake_.WriteFileBytes("/r/b/c.pdf", "");
  fake_.WriteFileBytes("/r/b/z/y.pdf", "");
  fake_.WriteFileBytes("/r/b/d.pdf", "");
  fake_.WriteFileBytes("/r/e.pdf", "");
  fake_.WriteFileBytes("/r/" + Sjis("資料") + "/f.pdf", "");
  Paths out{"/earlier.pdf"};
  ASSERT_EQ(EnumerateFilesByExtension("/r", "pdf", &out), 0);
  EXPECT_EQ(out, (Paths{"/earlier.pdf", "/r/a.pdf", "/r/b/c.pdf", "/r/b/d.pdf",
                        "/r/b/z/y.pdf", "/r/e.pdf", "/r/" + Sjis("資料") + "/f.pdf"}));
}

TEST_F(EnumerateTest, HiddenFoldersAreNotSearched) {
  fake_.WriteFileBytes("/h/.git/x.pdf", "");
  fake_.WriteFileBytes("/h/.shown.pdf", "");
  fake_.WriteFileBytes("/h/v/.also.pdf", "");
  Paths out;
  ASSERT_EQ(EnumerateFilesByExtension("/h", "pdf", &out), 0);
  EXPECT_EQ(out, (Paths{"/h/.shown.pdf", "/h/v/.also.pdf"}));
}

TEST_F(EnumerateTest, AStartFolderThatCannotBeSearchedLeavesTheListUnchanged) {
  fake_.WriteFileBytes("/u/a.pdf", "");
  fake_.FailListDirectory("/u");
  Paths out{"kept"};
  EXPECT_EQ(EnumerateFilesByExtension("/u", "pdf", &out), -1);
  EXPECT_EQ(EnumerateFilesByExtension("/missing", "pdf", &out), -1);
  EXPECT_EQ(EnumerateFilesByExtension("/u/a.pdf", "pdf", &out), -1) << "a file";
  EXPECT_EQ(out, (Paths{"kept"}));
}

TEST_F(EnumerateTest, AnUnreadableSubfolderIsSkippedAndTheSearchGoesOn) {
  fake_.WriteFileBytes("/s/a/x.pdf", "");
  fake_.WriteFileBytes("/s/b/y.pdf", "");
  fake_.WriteFileBytes("/s/c.pdf", "");
  fake_.FailListDirectory("/s/a");
  Paths out;
  ASSERT_EQ(EnumerateFilesByExtension("/s", "pdf", &out), 0);
  EXPECT_EQ(out, (Paths{"/s/b/y.pdf", "/s/c.pdf"}));
}

TEST(EnumerateOnDiskTest, ALinkBackToAnAncestorIsNotFollowedRoundAndRound) {
  namespace fs = std::filesystem;
  platform::PosixPlatform real;
  ScopedPlatform use(&real);
  std::string root = platform::Cp932ToUtf8(real.TempFolder()) + "veldra_env_XXXXXX";
  ASSERT_NE(::mkdtemp(root.data()), nullptr);
  fs::create_directories(root + "/sub");
  std::FILE* pdf = std::fopen((root + "/sub/a.pdf").c_str(), "w");
  ASSERT_NE(pdf, nullptr);
  std::fclose(pdf);
  fs::create_directory_symlink("..", root + "/sub/up");
  Paths out;
  const int result = EnumerateFilesByExtension(Sjis(root.c_str()), "pdf", &out);
  fs::remove_all(root);
  ASSERT_EQ(result, 0);
  EXPECT_EQ(out, (Paths{Sjis(root.c_str()) + "/sub/a.pdf"}));
}

// --- Paths and display texts ------------------------------------------------------------

TEST(FolderOfPathTest, KeepsEverythingUpToTheLastSeparator) {
  EXPECT_EQ(FolderOfPath("/home/u/a.pdf"), "/home/u/");
  EXPECT_EQ(FolderOfPath("/a.pdf"), "/");
  EXPECT_EQ(FolderOfPath("/home/u/"), "/home/u/");
  EXPECT_EQ(FolderOfPath("a.pdf"), "");
  EXPECT_EQ(FolderOfPath(""), "");
  const std::string folder = "/" + Sjis("ソース") + "/";
  EXPECT_EQ(FolderOfPath(folder + Sjis("表.pdf")), folder);
}

TEST(FormatFileSizeTest, SwitchesToMegabytesAtOneMebibyte) {
  EXPECT_EQ(FormatFileSize(1048576), "1.0 MB");
  EXPECT_EQ(FormatFileSize(1048575), "1024.0 KB");
  EXPECT_EQ(FormatFileSize(512), "0.5 KB");
  EXPECT_EQ(FormatFileSize(0), "0.0 KB");
  EXPECT_EQ(FormatFileSize(-1), "-0.0 KB");
  EXPECT_EQ(FormatFileSize(INT_MAX), "2048.0 MB");
  EXPECT_EQ(FormatFileSize(INT_MIN), "-2097152.0 KB");
}

TEST(FormatShortDateTest, ShowsYearToMinute) {
  EXPECT_EQ(FormatShortDate("20240506070809010"), "2024/05/06 07:08");
  EXPECT_EQ(FormatShortDate("abcdefghijklmnopq"), "abcd/ef/gh ij:kl") << "copied as is";
}

TEST(FormatShortDateTest, AnAllZeroTimestampShowsNothing) {
  const char zero[18] = {};
  EXPECT_EQ(FormatShortDate(zero), "");
  EXPECT_EQ(FormatShortDate(nullptr), "");
  const char year_only[18] = {'2', '0', '2', '4'};
  EXPECT_EQ(FormatShortDate(year_only), "2024/") << "the text ends at the first NUL";
}

TEST(FormatRatingStarsTest, OneToFiveWhiteStars) {
  EXPECT_EQ(FormatRatingStars(1), "\x81\x99");
  EXPECT_EQ(FormatRatingStars(3), Sjis("☆☆☆"));
  EXPECT_EQ(FormatRatingStars(5), Sjis("☆☆☆☆☆"));
}

TEST(FormatRatingStarsTest, OutOfRangeRatingsShowNothing) {
  for (int rating : {0, 6, -1, 32767, -32768}) {
    EXPECT_EQ(FormatRatingStars(rating), "") << rating;
  }
}

}  // namespace
}  // namespace veldra
