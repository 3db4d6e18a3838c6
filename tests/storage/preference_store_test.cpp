// The per-user preference file: where it lives, what the first write makes, rewriting in
// place, and the silence of every failure.
#include "storage/preference_store.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "storage/catalog_tags.h"
#include "tests/storage/catalog_test_support.h"

namespace veldra {
namespace {

using testing::ChunkData;
using testing::FakeCatalogEnvironment;
using testing::ScanChunks;

constexpr char kPrefPath[] = "/home/user/.config/VELDRA/VELDRA/Preference.rux";

using Record = std::array<char, 256>;

Record FolderRecord(const std::string& folder) {
  Record record{};
  folder.copy(record.data(), record.size() - 1);
  return record;
}

class PreferenceStoreTest : public ::testing::Test {
 protected:
  void TearDown() override { SetPreferencePath(""); }

  platform::FakePlatform& fake() { return env_.fake(); }

  FakeCatalogEnvironment env_;
};

TEST_F(PreferenceStoreTest, PathIsTheNestedFolderUnderAppDataAndBothFoldersAreMade) {
  ASSERT_FALSE(fake().IsDirectory("/home/user/.config/VELDRA"));
  EXPECT_EQ(PreferencePath(), kPrefPath);
  EXPECT_TRUE(fake().IsDirectory("/home/user/.config/VELDRA"));
  EXPECT_TRUE(fake().IsDirectory("/home/user/.config/VELDRA/VELDRA"));
  EXPECT_FALSE(fake().FileExists(kPrefPath)) << "the file waits for the first write";

  EXPECT_EQ(PreferencePath(), kPrefPath) << "existing folders are fine";
}

TEST_F(PreferenceStoreTest, PathWithoutAppDataIsThePiecesAlone) {
  fake().SetAppDataFolder("");
  EXPECT_EQ(PreferencePath(), "/VELDRA/VELDRA/Preference.rux");
}

TEST_F(PreferenceStoreTest, MissingAppDataFolderIsMadeWithItsParents) {
  fake().SetAppDataFolder("/home/new/.config");
  EXPECT_EQ(PreferencePath(), "/home/new/.config/VELDRA/VELDRA/Preference.rux");
  EXPECT_TRUE(fake().IsDirectory("/home/new/.config/VELDRA/VELDRA"));
  const Record value = FolderRecord("/x/");
  EXPECT_TRUE(WritePreferenceFile(PreferencePath(), kTagFolderExport, 256, value.data()));
}

TEST_F(PreferenceStoreTest, PathIsReturnedEvenWhenTheFoldersCannotBeMade) {
  fake().WriteFileBytes("/tmp/plain-file", "x");
  fake().SetAppDataFolder("/tmp/plain-file/place");
  EXPECT_EQ(PreferencePath(), "/tmp/plain-file/place/VELDRA/VELDRA/Preference.rux");
  EXPECT_FALSE(fake().IsDirectory("/tmp/plain-file/place/VELDRA"));
  const Record value = FolderRecord("/x/");
  EXPECT_FALSE(WritePreferenceFile(PreferencePath(), kTagFolderExport, 256, value.data()));
}

TEST_F(PreferenceStoreTest, FirstWriteCreatesHeaderRootAndOneChunk) {
  const std::string path = PreferencePath();
  const Record value = FolderRecord("/home/user/pdf/");
  ASSERT_TRUE(WritePreferenceFile(path, kTagFolderBatchImport, 256, value.data()));

  const std::string file = fake().ReadFileBytes(path);
  ASSERT_EQ(file.size(), 512u + 36u + 36u + 256u);
  EXPECT_EQ(file.substr(0, 3), "RUX");
  const auto chunks = ScanChunks(file);
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_EQ(chunks[0].tag, -1);
  EXPECT_EQ(chunks[1].tag, kTagFolderBatchImport);
  EXPECT_EQ(file.substr(512 + 36, 4), "10WP");
  EXPECT_EQ(chunks[1].data, std::string(value.data(), value.size()));
}

TEST_F(PreferenceStoreTest, SecondWriteOfATagRewritesItsChunkInPlace) {
  const std::string path = PreferencePath();
  const Record first = FolderRecord("/first/");
  const Record second = FolderRecord("/second/folder/");
  ASSERT_TRUE(WritePreferenceFile(path, kTagFolderSingleImport, 256, first.data()));
  const size_t size = fake().ReadFileBytes(path).size();
  ASSERT_TRUE(WritePreferenceFile(path, kTagFolderSingleImport, 256, second.data()));

  const std::string file = fake().ReadFileBytes(path);
  EXPECT_EQ(file.size(), size);
  EXPECT_EQ(ChunkData(file, kTagFolderSingleImport),
            std::vector<std::string>{std::string(second.data(), second.size())});

  Record read{};
  ASSERT_TRUE(ReadPreferenceFile(path, kTagFolderSingleImport, read.data(), read.size()));
  EXPECT_EQ(read, second);
}

TEST_F(PreferenceStoreTest, TagsAreKeptApart) {
  const std::string path = PreferencePath();
  const Record batch = FolderRecord("/batch/");
  const Record fresh = FolderRecord("/new/");
  ASSERT_TRUE(WritePreferenceFile(path, kTagFolderBatchImport, 256, batch.data()));
  ASSERT_TRUE(WritePreferenceFile(path, kTagFolderNewCatalog, 256, fresh.data()));
  Record read{};
  ASSERT_TRUE(ReadPreferenceFile(path, kTagFolderBatchImport, read.data(), read.size()));
  EXPECT_EQ(read, batch);
  ASSERT_TRUE(ReadPreferenceFile(path, kTagFolderNewCatalog, read.data(), read.size()));
  EXPECT_EQ(read, fresh);
}

TEST_F(PreferenceStoreTest, UnwrittenTagOrMissingFileReadsFalseAndLeavesTheBuffer) {
  const std::string path = PreferencePath();
  Record read = FolderRecord("untouched");
  EXPECT_FALSE(ReadPreferenceFile(path, kTagFolderExport, read.data(), read.size()));

  const Record value = FolderRecord("/a/");
  ASSERT_TRUE(WritePreferenceFile(path, kTagFolderBatchImport, 256, value.data()));
  EXPECT_FALSE(ReadPreferenceFile(path, kTagFolderExport, read.data(), read.size()));
  EXPECT_EQ(read, FolderRecord("untouched"));
}

TEST_F(PreferenceStoreTest, ForeignFileMakesReadsFalseAndWritesFail) {
  const std::string path = PreferencePath();
  const std::string foreign = "not a container at all, just text";
  fake().WriteFileBytes(path, foreign);
  const Record value = FolderRecord("/a/");
  EXPECT_FALSE(WritePreferenceFile(path, kTagFolderBatchImport, 256, value.data()));
  Record read{};
  EXPECT_FALSE(ReadPreferenceFile(path, kTagFolderBatchImport, read.data(), read.size()));
  EXPECT_EQ(fake().ReadFileBytes(path), foreign);
}

TEST_F(PreferenceStoreTest, FailedWriteIsReported) {
  const std::string path = PreferencePath();
  const Record value = FolderRecord("/a/");
  ASSERT_TRUE(WritePreferenceFile(path, kTagFolderBatchImport, 256, value.data()));
  fake().FailWriteAfter(1, /*sticky=*/true);
  EXPECT_FALSE(WritePreferenceFile(path, kTagFolderExport, 256, value.data()));
}

TEST_F(PreferenceStoreTest, ReadIntoASmallerBufferNeverRunsPastIt) {
  const std::string path = PreferencePath();
  const Record value = FolderRecord(std::string(200, 'f'));
  ASSERT_TRUE(WritePreferenceFile(path, kTagFolderBatchImport, 256, value.data()));
  std::array<char, 20> small{};
  small.fill('#');
  ASSERT_TRUE(ReadPreferenceFile(path, kTagFolderBatchImport, small.data(), 16));
  EXPECT_EQ(std::string(small.data(), 16), std::string(16, 'f'));
  EXPECT_EQ(std::string(small.data() + 16, 4), "####");
}

TEST_F(PreferenceStoreTest, ShorterRecordIsFollowedByZeros) {
  const std::string path = PreferencePath();
  ASSERT_TRUE(WritePreferenceFile(path, kTagFolderBatchImport, 4, "/ab"));
  Record read = FolderRecord(std::string(100, '#'));
  ASSERT_TRUE(ReadPreferenceFile(path, kTagFolderBatchImport, read.data(), read.size()));
  EXPECT_EQ(read, FolderRecord("/ab"));
}

TEST_F(PreferenceStoreTest, StoresUseTheHeldPath) {
  const Record value = FolderRecord("/held/");
  Record read{};
  EXPECT_EQ(CurrentPreferencePath(), "");
  EXPECT_FALSE(WritePreference(kTagFolderExport, 256, value.data())) << "no path yet";
  EXPECT_FALSE(ReadPreference(kTagFolderExport, read.data(), read.size()));

  SetPreferencePath(PreferencePath());
  EXPECT_EQ(CurrentPreferencePath(), kPrefPath);
  ASSERT_TRUE(WritePreference(kTagFolderExport, 256, value.data()));
  ASSERT_TRUE(ReadPreference(kTagFolderExport, read.data(), read.size()));
  EXPECT_EQ(read, value);
  EXPECT_TRUE(fake().FileExists(kPrefPath));
}

}  // namespace
}  // namespace veldra
