// A catalog loaded for a change is checked first: the rows of tests/support/damaged_catalog.h,
// each loaded for reading (which still sees nothing wrong) and for a change.
#include <gtest/gtest.h>

#include "storage/catalog_document.h"
#include "tests/storage/catalog_test_support.h"
#include "tests/support/damaged_catalog.h"

namespace veldra::testing {
namespace {

constexpr char kPath[] = "/c.vdc";

TEST(DocumentVerifyTest, DamageMakesTheDocumentReadOnlyAndNothingIsWritten) {
  for (const DamageRow& row : DamageRows()) {
    SCOPED_TRACE(row.name);
    FakeCatalogEnvironment env;
    ASSERT_TRUE(MakeDamageBaseCatalog(kPath));
    ASSERT_TRUE(row.make(kPath));
    const std::string before = env.fake().ReadFileBytes(kPath);

    CVeldraDocument read;
    read.Load(kPath);
    EXPECT_EQ(read.load_status(), CatalogLoadStatus::kComplete);

    CVeldraDocument doc;
    doc.LoadForChange(kPath);
    EXPECT_EQ(doc.load_status(),
              row.damaged ? CatalogLoadStatus::kDamaged : CatalogLoadStatus::kComplete);
    EXPECT_NE(doc.damage().find(row.damage_words), std::string::npos) << doc.damage();
    EXPECT_EQ(doc.damage().empty(), !row.damaged);
    EXPECT_EQ(doc.entries().Count(), read.entries().Count());  // still shown as read
    doc.SetEnvironmentValue("k", "changed");
    EXPECT_EQ(doc.Save() == kSaveOk, !row.damaged);
    EXPECT_EQ(doc.SaveTables(kPath) == kSaveOk, !row.damaged);
    EXPECT_EQ(env.fake().ReadFileBytes(kPath) == before, row.damaged);
  }
}

// The application opens for a change unless another process holds the catalog.
TEST(DocumentVerifyTest, OpenCatalogChecksUnlessTheCatalogIsOpenElsewhere) {
  for (const bool elsewhere : {false, true}) {
    SCOPED_TRACE(elsewhere ? "open elsewhere" : "not open elsewhere");
    FakeCatalogEnvironment env;
    ASSERT_TRUE(MakeDamageBaseCatalog(kPath));
    ASSERT_TRUE(DamageRows().front().make(kPath));
    if (elsewhere) {
      ASSERT_TRUE(env.fake().HoldLockElsewhere(kPath));
    }
    CVeldraDocument doc;
    doc.OpenCatalog(kPath);
    EXPECT_EQ(doc.load_status(),
              elsewhere ? CatalogLoadStatus::kComplete : CatalogLoadStatus::kDamaged);
    EXPECT_FALSE(doc.writable());
  }
}

}  // namespace
}  // namespace veldra::testing
