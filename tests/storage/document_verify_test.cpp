// A catalog loaded for a change is checked first: the rows of tests/support/damaged_catalog.h,
// each loaded for reading (which still sees nothing wrong) and for a change.
#include <gtest/gtest.h>

#include "storage/catalog_document.h"
#include "storage/catalog_entry_record.h"
#include "storage/catalog_files.h"
#include "storage/catalog_tags.h"
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

// The check reads headers only, and in the layout imports leave (PDF, entry, attachment link)
// the loader's own reads bring every PDF's header along: a load for a change reads about one
// header (36 bytes) per entry more than a plain load, never a PDF's bytes.
TEST(DocumentVerifyTest, TheCheckReadsNoAttachmentData) {
  FakeCatalogEnvironment env;
  ASSERT_TRUE(CreateDefaultCatalog(kPath));
  {
    ChunkFile file;
    ASSERT_EQ(file.Open(kPath, kChunkModeReadWrite), kChunkOk);
    const std::string pdf(10000, '%');
    std::vector<uint8_t> entry(EntryRecord::kEncodedLength), link(AttachmentRecord::kEncodedLength);
    for (int i = 0; i < 50; ++i) {
      ASSERT_EQ(file.Append(kTagAttachmentData, pdf.size(), pdf.data()), kChunkOk);
      EntryRecord record;
      record.id = i;
      record.EncodeTo(entry.data());
      ASSERT_EQ(file.Append(kTagEntry, entry.size(), entry.data()), kChunkOk);
      ASSERT_EQ(file.Append(kTagAttachment, link.size(), link.data()), kChunkOk);
    }
  }
  env.fake().ResetCounters();
  CVeldraDocument plain;
  plain.Load(kPath);
  const int64_t plain_bytes = env.fake().BytesRead();
  env.fake().ResetCounters();
  CVeldraDocument checked;
  checked.LoadForChange(kPath);
  ASSERT_EQ(checked.load_status(), CatalogLoadStatus::kComplete);
  EXPECT_EQ(checked.entries().Count(), 50);
  EXPECT_LE(env.fake().BytesRead() - plain_bytes, (50 + 10) * 36);
}

}  // namespace
}  // namespace veldra::testing
