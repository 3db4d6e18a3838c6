#include "storage/os_name.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/fake_platform.h"

namespace veldra {
namespace {

using platform::FakePlatform;
using platform::ScopedPlatform;

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

}  // namespace
}  // namespace veldra
