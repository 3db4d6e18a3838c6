#include "platform/file_search.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/fake_platform.h"
#include "platform/posix_platform.h"
#include "tests/support/test_text.h"

namespace veldra::platform {
namespace {

using Paths = std::vector<std::string>;

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

}  // namespace
}  // namespace veldra::platform
