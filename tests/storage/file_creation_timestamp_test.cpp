#include "storage/file_creation_timestamp.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/codepage.h"
#include "platform/fake_platform.h"
#include "tests/support/test_text.h"

namespace veldra {
namespace {

using platform::FakePlatform;
using platform::ScopedPlatform;

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

}  // namespace
}  // namespace veldra
