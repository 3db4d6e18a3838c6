// Remembered folders: the catalog's value wins over the preference file's, both are
// written after a choice, and "PW03" stays out of catalogs.
#include "storage/remembered_folder.h"

#include <gtest/gtest.h>

#include <string>

#include "storage/catalog_document.h"
#include "storage/catalog_tags.h"
#include "storage/preference_store.h"
#include "tests/storage/catalog_test_support.h"

namespace veldra {
namespace {

using testing::ChunkData;
using testing::FakeCatalogEnvironment;

constexpr char kCatalogPath[] = "/cat/c.vdc";

std::string Padded(const std::string& folder) {
  return folder + std::string(256 - folder.size(), '\0');
}

class RememberedFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake().AddFolder("/cat");
    SetPreferencePath(PreferencePath());
    catalog_.OpenCatalog(kCatalogPath);
  }
  void TearDown() override { SetPreferencePath(""); }

  platform::FakePlatform& fake() { return env_.fake(); }

  // Stores a value in the preference file only.
  void StorePreference(ChunkTag tag, const std::string& folder) {
    StoreRememberedFolder(nullptr, tag, folder);
  }

  FakeCatalogEnvironment env_;
  CVeldraDocument catalog_;
};

TEST_F(RememberedFolderTest, NothingRememberedGivesEmpty) {
  EXPECT_EQ(ReadRememberedFolder(&catalog_, kTagFolderBatchImport), "");
  EXPECT_EQ(ReadRememberedFolder(nullptr, kTagFolderNewCatalog), "");
}

TEST_F(RememberedFolderTest, CatalogValueWinsOverThePreference) {
  StorePreference(kTagFolderBatchImport, "/pref/batch");
  StoreRememberedFolder(&catalog_, kTagFolderBatchImport, "/catalog/batch");
  StorePreference(kTagFolderBatchImport, "/pref/later");

  EXPECT_EQ(ReadRememberedFolder(&catalog_, kTagFolderBatchImport), "/catalog/batch");
  EXPECT_EQ(ReadRememberedFolder(nullptr, kTagFolderBatchImport), "/pref/later");
}

TEST_F(RememberedFolderTest, CatalogWithoutAValueFallsBackToThePreference) {
  StorePreference(kTagFolderExport, "/pref/export");
  EXPECT_EQ(ReadRememberedFolder(&catalog_, kTagFolderExport), "/pref/export");

  // A catalog whose file is gone has no value either.
  ASSERT_TRUE(fake().Remove(kCatalogPath));
  EXPECT_EQ(ReadRememberedFolder(&catalog_, kTagFolderExport), "/pref/export");
}

TEST_F(RememberedFolderTest, StoreWritesBothAsZeroPaddedRecords) {
  StoreRememberedFolder(&catalog_, kTagFolderSingleImport, "/docs/");
  EXPECT_EQ(ChunkData(fake().ReadFileBytes(kCatalogPath), kTagFolderSingleImport),
            std::vector<std::string>{Padded("/docs/")});
  EXPECT_EQ(ChunkData(fake().ReadFileBytes(CurrentPreferencePath()), kTagFolderSingleImport),
            std::vector<std::string>{Padded("/docs/")});

  StoreRememberedFolder(&catalog_, kTagFolderSingleImport, "/d/");
  EXPECT_EQ(ChunkData(fake().ReadFileBytes(kCatalogPath), kTagFolderSingleImport),
            std::vector<std::string>{Padded("/d/")})
      << "a shorter folder leaves no bytes of the longer one";
}

TEST_F(RememberedFolderTest, NewCatalogFolderLivesInThePreferenceOnly) {
  StoreRememberedFolder(&catalog_, kTagFolderNewCatalog, "/new/");
  EXPECT_TRUE(ChunkData(fake().ReadFileBytes(kCatalogPath), kTagFolderNewCatalog).empty());
  EXPECT_EQ(ReadRememberedFolder(nullptr, kTagFolderNewCatalog), "/new/");
  EXPECT_EQ(ReadRememberedFolder(&catalog_, kTagFolderNewCatalog), "/new/");
}

TEST_F(RememberedFolderTest, FolderThatDoesNotFitIsNotStored) {
  StoreRememberedFolder(&catalog_, kTagFolderExport, "/old/");
  const std::string fits = "/" + std::string(254, 'f');
  StoreRememberedFolder(&catalog_, kTagFolderExport, fits);
  EXPECT_EQ(ReadRememberedFolder(&catalog_, kTagFolderExport), fits);

  StoreRememberedFolder(&catalog_, kTagFolderExport, fits + "x");
  EXPECT_EQ(ReadRememberedFolder(&catalog_, kTagFolderExport), fits);
  EXPECT_EQ(ReadRememberedFolder(nullptr, kTagFolderExport), fits);
}

TEST_F(RememberedFolderTest, UnwritablePreferenceStillStoresInTheCatalog) {
  SetPreferencePath("/nowhere/Preference.rux");
  StoreRememberedFolder(&catalog_, kTagFolderBatchImport, "/c/");
  EXPECT_EQ(ReadRememberedFolder(&catalog_, kTagFolderBatchImport), "/c/");
  EXPECT_EQ(ReadRememberedFolder(nullptr, kTagFolderBatchImport), "");
}

}  // namespace
}  // namespace veldra
