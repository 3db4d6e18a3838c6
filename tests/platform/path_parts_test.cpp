#include "platform/path_parts.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"

namespace veldra::platform {
namespace {

std::string Sjis(const char* utf8) {
  std::string out;
  EXPECT_TRUE(platform::Utf8ToCp932Exact(utf8, &out)) << utf8;
  return out;
}

TEST(FolderOfPathTest, KeepsEverythingUpToTheLastSeparator) {
  EXPECT_EQ(FolderOfPath("/home/u/a.pdf"), "/home/u/");
  EXPECT_EQ(FolderOfPath("/a.pdf"), "/");
  EXPECT_EQ(FolderOfPath("/home/u/"), "/home/u/");
  EXPECT_EQ(FolderOfPath("a.pdf"), "");
  EXPECT_EQ(FolderOfPath(""), "");
  const std::string folder = "/" + Sjis("ソース") + "/";
  EXPECT_EQ(FolderOfPath(folder + Sjis("表.pdf")), folder);
}

}  // namespace
}  // namespace veldra::platform
