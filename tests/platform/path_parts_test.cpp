#include "platform/path_parts.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"
#include "tests/support/test_text.h"

namespace veldra::platform {
namespace {

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
