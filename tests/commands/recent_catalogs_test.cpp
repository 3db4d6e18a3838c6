// The recent catalogs: the list's order and limit, the menu's text, and the list file, its
// atomic replacement and the files it ignores.
#include "commands/recent_catalogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fake_platform.h"
#include "storage/chunk_file.h"
#include "storage/record_array.h"
#include "tests/support/test_text.h"

namespace veldra::commands {
namespace {

using List = std::vector<std::string>;

constexpr char kListPath[] = "/home/user/.config/VELDRA/VELDRA/RecentCatalogs.rux";

class RecentCatalogsTest : public ::testing::Test {
 protected:
  RecentCatalogsTest() { fake_.AddFolder("/home/user/.config/VELDRA/VELDRA"); }

  // A container at kListPath whose "RCNT" chunks are records, each record_size bytes (the
  // text, then zeros).
  void WriteListFile(const List& records, size_t record_size) {
    ChunkFile file;
    ASSERT_EQ(file.Create(kListPath), kChunkOk);
    RecordArray array(record_size);
    for (const std::string& text : records) {
      std::string record = text;
      record.resize(record_size, '\0');
      ASSERT_EQ(array.Append(record.data()), 0);
    }
    ASSERT_EQ(file.WriteAll(kTagRecentCatalog, array, record_size), kChunkOk);
    file.Close();
  }

  platform::FakePlatform fake_;
  platform::ScopedPlatform use_fake_{&fake_};
};

struct FirstRow {
  const char* name;
  List before;
  std::string opened;
  List after;
};

TEST_F(RecentCatalogsTest, OpenedCatalogComesFirstOnceAndTheOldestGoes) {
  fake_.WriteFileBytes("/d/a.vdc", "x");
  const std::string too_long = "/d/" + std::string(kRecentPathRecordSize, 'n') + ".vdc";
  const FirstRow rows[] = {
      {"into an empty list", {}, "/d/a.vdc", {"/d/a.vdc"}},
      {"newest first", {"/d/a.vdc"}, "/d/b.vdc", {"/d/b.vdc", "/d/a.vdc"}},
      {"an older one moves up", {"/d/a.vdc", "/d/b.vdc", "/d/c.vdc"}, "/d/c.vdc",
       {"/d/c.vdc", "/d/a.vdc", "/d/b.vdc"}},
      {"the first stays first", {"/d/a.vdc", "/d/b.vdc"}, "/d/a.vdc", {"/d/a.vdc", "/d/b.vdc"}},
      {"a fifth drops the oldest", {"/d/1.vdc", "/d/2.vdc", "/d/3.vdc", "/d/4.vdc"}, "/d/5.vdc",
       {"/d/5.vdc", "/d/1.vdc", "/d/2.vdc", "/d/3.vdc"}},
      {"the same file under another spelling", {"/d/b.vdc", "/d//a.vdc"}, "/d/a.vdc",
       {"/d/a.vdc", "/d/b.vdc"}},
      {"case makes another file", {"/d/A.vdc"}, "/d/a.vdc", {"/d/a.vdc", "/d/A.vdc"}},
      {"a path too long for a record is not listed", {"/d/a.vdc"}, too_long, {"/d/a.vdc"}},
      {"nor a relative one", {"/d/a.vdc"}, "d/b.vdc", {"/d/a.vdc"}},
  };
  for (const FirstRow& row : rows) {
    EXPECT_EQ(WithCatalogFirst(row.before, row.opened), row.after) << row.name;
  }
  EXPECT_EQ(WithoutCatalog({"/d/b.vdc", "/d//a.vdc", "/d/c.vdc"}, "/d/a.vdc"),
            (List{"/d/b.vdc", "/d/c.vdc"}));
}

struct ShortenRow {
  const char* name;
  std::string path;  // UTF-8
  size_t width;
  std::string shown;  // UTF-8
};

TEST_F(RecentCatalogsTest, LongPathsAreShortenedInTheMiddle) {
  const ShortenRow rows[] = {
      {"fits", "/home/user/a.vdc", 16, "/home/user/a.vdc"},
      {"middle folders go", "/home/user/documents/catalogs/2024/library.vdc", 30,
       "/home/.../2024/library.vdc"},
      {"as many last folders as fit", "/home/user/documents/catalogs/2024/library.vdc", 40,
       "/home/.../catalogs/2024/library.vdc"},
      {"only the name beside the first folder", "/home/user/documents/library.vdc", 24,
       "/home/.../library.vdc"},
      {"a long first folder gives way", "/a-very-long-first-folder/x/library.vdc", 20,
       ".../library.vdc"},
      {"a long name is cut in its middle", "/d/abcdefghijklmnopqrstuvwxyz.vdc", 16,
       "abcdef...xyz.vdc"},
      {"double-byte folders count two bytes each", "/ホーム/書類/カタログ/蔵書.vdc", 24,
       "/ホーム/.../蔵書.vdc"},
      {"a cut never splits a character", "/d/あいうえおかきくけこ.vdc", 13, "あい...こ.vdc"},
      {"a name without folders", "abcdefghijk", 9, "abc...ijk"},
  };
  for (const ShortenRow& row : rows) {
    const std::string shown = ShortenPathInMiddle(Sjis(row.path), row.width);
    EXPECT_EQ(Utf8(shown), row.shown) << row.name;
    EXPECT_LE(shown.size(), row.width) << row.name;
  }
}

TEST_F(RecentCatalogsTest, MenuTextNumbersTheItemAndGivesItsOwnLetter) {
  EXPECT_EQ(RecentMenuText(0, "/d/a.vdc"), "1 /d/a.vdc(&A)");
  EXPECT_EQ(RecentMenuText(3, "/d/a.vdc"), "4 /d/a.vdc(&D)");
  EXPECT_EQ(RecentMenuText(1, "/d/R&D.vdc"), "2 /d/R&&D.vdc(&B)") << "a path's & is no mnemonic";
  const std::string long_path = "/home/user/" + std::string(60, 'f') + "/library.vdc";
  EXPECT_EQ(RecentMenuText(0, long_path), "1 /home/.../library.vdc(&A)");
}

TEST_F(RecentCatalogsTest, SavedListReadsBackAndReplacesTheOldOneWhole) {
  EXPECT_EQ(RecentCatalogsPath("/home/user/.config/VELDRA/VELDRA/Preference.rux"), kListPath);
  RecentFileState state = RecentFileState::kRead;
  EXPECT_TRUE(LoadRecentCatalogs(kListPath, &state).empty());
  EXPECT_EQ(state, RecentFileState::kMissing);

  const List list = {Sjis("/ホーム/蔵書.vdc"), "/d/b.vdc", "/d/c.vdc"};
  ASSERT_TRUE(SaveRecentCatalogs(kListPath, list));
  EXPECT_EQ(LoadRecentCatalogs(kListPath, &state), list);
  EXPECT_EQ(state, RecentFileState::kRead);

  ASSERT_TRUE(SaveRecentCatalogs(kListPath, {"/d/z.vdc"}));
  EXPECT_EQ(LoadRecentCatalogs(kListPath), List{"/d/z.vdc"});
  ASSERT_TRUE(SaveRecentCatalogs(kListPath, {}));
  EXPECT_TRUE(LoadRecentCatalogs(kListPath, &state).empty());
  EXPECT_EQ(state, RecentFileState::kRead);
  EXPECT_EQ(fake_.FilePaths(), List{kListPath}) << "no temporary file is left";
}

TEST_F(RecentCatalogsTest, SaveKeepsFourPathsTheReaderTakes) {
  const std::string too_long = "/d/" + std::string(kRecentPathRecordSize, 'n');
  ASSERT_TRUE(SaveRecentCatalogs(kListPath, {"/1", too_long, "/2", "rel", "/1", "/3", "/4", "/5"}));
  EXPECT_EQ(LoadRecentCatalogs(kListPath), (List{"/1", "/2", "/3", "/4"}));
}

TEST_F(RecentCatalogsTest, FailedSaveLeavesTheOldList) {
  ASSERT_TRUE(SaveRecentCatalogs(kListPath, {"/d/a.vdc"}));
  for (int n = 1; n <= 4; ++n) {
    fake_.FailWriteAfter(n);
    EXPECT_FALSE(SaveRecentCatalogs(kListPath, {"/d/b.vdc", "/d/a.vdc"})) << "write " << n;
    fake_.ClearWriteFailure();
    EXPECT_EQ(LoadRecentCatalogs(kListPath), List{"/d/a.vdc"}) << "write " << n;
    EXPECT_EQ(fake_.FilePaths(), List{kListPath}) << "write " << n;
  }
}

struct DamageRow {
  const char* name;
  List records;
  size_t record_size;  // 0: records[0] is the whole file
};

TEST_F(RecentCatalogsTest, DamagedOrForeignFilesAreIgnoredWhole) {
  ASSERT_TRUE(SaveRecentCatalogs(kListPath, {"/d/a.vdc", "/d/b.vdc"}));
  const std::string whole = fake_.ReadFileBytes(kListPath);
  const std::string no_nul(kRecentPathRecordSize, 'x');
  const DamageRow rows[] = {
      {"records of another size", {"/d/a.vdc"}, 256},
      {"more than four", {"/1", "/2", "/3", "/4", "/5"}, kRecentPathRecordSize},
      {"a record without its end", {"/d/a.vdc", no_nul}, kRecentPathRecordSize},
      {"an empty path", {"/d/a.vdc", ""}, kRecentPathRecordSize},
      {"a relative path", {"/d/a.vdc", "d/b.vdc"}, kRecentPathRecordSize},
      {"a path listed twice", {"/d/a.vdc", "/d/a.vdc"}, kRecentPathRecordSize},
      {"not a container", {"not a container"}, 0},
      {"an empty file", {""}, 0},
      {"a cut file", {whole.substr(0, whole.size() - 100)}, 0},
  };
  for (const DamageRow& row : rows) {
    if (row.record_size == 0) {
      fake_.WriteFileBytes(kListPath, row.records[0]);
    } else {
      fake_.Remove(kListPath);
      WriteListFile(row.records, row.record_size);
    }
    RecentFileState state = RecentFileState::kRead;
    EXPECT_TRUE(LoadRecentCatalogs(kListPath, &state).empty()) << row.name;
    EXPECT_EQ(state, RecentFileState::kDamaged) << row.name;
  }

  ASSERT_TRUE(SaveRecentCatalogs(kListPath, {"/d/c.vdc"})) << "a damaged file is replaced";
  EXPECT_EQ(LoadRecentCatalogs(kListPath), List{"/d/c.vdc"});
}

}  // namespace
}  // namespace veldra::commands
