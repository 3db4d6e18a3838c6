#include "platform/whole_file.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/fake_platform.h"

namespace veldra::platform {
namespace {

TEST(ReadWholeFileTest, ReadsUpToTheLimitAndLeavesOutAloneOtherwise) {
  struct Row {
    const char* name;
    std::string bytes;  // what the file holds
    bool exists;
    uint64_t max_bytes;
    bool read;
  };
  const Row rows[] = {
      {"empty", "", true, 0, true},
      {"exactly the limit, a NUL inside", std::string("abc\0d", 5), true, 5, true},
      {"one byte over", "abcdef", true, 5, false},
      {"missing", "", false, 100, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakePlatform fake;
    if (row.exists) fake.WriteFileBytes("/d/f", row.bytes);
    std::string out = "before";
    EXPECT_EQ(ReadWholeFile(fake, "/d/f", row.max_bytes, &out), row.read);
    EXPECT_EQ(out, row.read ? row.bytes : "before");
  }
}

TEST(ReadWholeFileTest, AFileThatCannotBeOpenedIsNotRead) {
  FakePlatform fake;
  fake.WriteFileBytes("/d/f", "x");
  fake.FailOpen("/d/f");
  std::string out;
  EXPECT_FALSE(ReadWholeFile(fake, "/d/f", 10, &out));
}

}  // namespace
}  // namespace veldra::platform
