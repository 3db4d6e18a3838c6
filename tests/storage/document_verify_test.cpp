// A catalog loaded for a change is checked first: the rows of tests/support/damaged_catalog.h,
// each loaded for reading (which still sees nothing wrong) and for a change.
#include <gtest/gtest.h>

#include <cstring>

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
    if (row.damaged) {
      EXPECT_NE(doc.damage().find(row.words), std::string::npos) << doc.damage();
    }
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
// header (36 bytes) per entry more than a plain load, and the file header, never a PDF's bytes.
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
      AttachmentRecord pdf_link;
      pdf_link.id = i;
      pdf_link.entry_id = i;
      pdf_link.ordinal = i;
      pdf_link.EncodeTo(link.data());
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
  ASSERT_EQ(checked.load_status(), CatalogLoadStatus::kComplete) << checked.damage();
  EXPECT_EQ(checked.entries().Count(), 50);
  EXPECT_LE(env.fake().BytesRead() - plain_bytes, (50 + 10) * 36 + 512);  // and the file header
}

}  // namespace
}  // namespace veldra::testing

namespace veldra::testing {
namespace {

// A damaged file can hold a counter at or below an id already in use (by an entry, or by the
// entry a link names): the counter is raised on load, so no id is ever handed out twice.
TEST(DocumentVerifyTest, NoCounterIssuesAnIdInUse) {
  struct Row {
    const char* name;
    int32_t counter;     // the entry counter's next value as stored
    int32_t link_entry;  // the entry id a link is added for; -1: none
    int32_t expected;    // the next entry id, as an offset from the number of entries
  };
  const Row rows[] = {
      {"counter sound", 1000, -1, 1000},
      {"counter at the first entry", 0, -1, 0},
      {"counter below the last entry", 2, -1, 0},
      {"a link names an entry above every entry", 0, 40, 41},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeCatalogEnvironment env;
    ASSERT_TRUE(MakeDamageBaseCatalog(kPath));
    int32_t entries = 0;
    {
      CVeldraDocument doc;
      doc.Load(kPath);
      entries = doc.entries().Count();
      ASSERT_GT(entries, 2);
      if (row.link_entry >= 0) {
        ASSERT_EQ(AppendAttachmentLink(doc.attachments(), doc.counters(), row.link_entry, 0), 0);
      }
      RecordArray& counters = doc.counters();
      for (int i = 0; i < counters.Count(); ++i) {
        const std::string key(reinterpret_cast<const char*>(counters.At(i)) + 8);
        // The counters' own counter below its rows' ids (-1: it would issue a negative id).
        const int32_t value = key == kCounterKeyEntry ? row.counter : -1;
        if (key == kCounterKeyEntry || key == kCounterKeyCounter) {
          std::memcpy(counters.MutableAt(i) + 72, &value, sizeof value);
        }
      }
      ASSERT_EQ(doc.SaveTables(kPath), kSaveOk);
    }
    CVeldraDocument doc;
    doc.LoadForChange(kPath);
    ASSERT_EQ(doc.load_status(), CatalogLoadStatus::kComplete) << doc.damage();
    const int32_t expected = row.expected >= 40 || row.counter >= 1000 ? row.expected
                                                                       : entries + row.expected;
    EXPECT_EQ(NextId(doc.counters(), kTagEntry, kCounterKeyEntry), expected);
    EXPECT_EQ(NextId(doc.counters(), kTagIdCounter, kCounterKeyCounter),
              doc.counters().Count());  // rows 0 .. count-1 are in use
  }
}

}  // namespace
}  // namespace veldra::testing
