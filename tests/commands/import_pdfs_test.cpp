#include "commands/import_pdfs.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "commands/import_messages.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/entry_text.h"
#include "tests/commands/catalog_fixture.h"

namespace veldra::commands {
namespace {

using veldra::testing::CatalogTest;
using Strings = std::vector<std::string>;

class ImportPdfsTest : public CatalogTest {
 protected:
  std::string Stored(const CVeldraDocument& document, int32_t id) {
    std::vector<uint8_t> bytes;
    int ordinal = document.AttachmentOrdinal(id);
    if (ordinal < 0 || document.ReadEntryAttachment(ordinal, &bytes) < 0) return "";
    return std::string(bytes.begin(), bytes.end());
  }
};

TEST_F(ImportPdfsTest, EachPdfBecomesAnEntryWithItsBytes) {
  std::string a = AddPdfFile("/pdf/a.pdf", "first");
  std::string b = AddPdfFile("/pdf/sub/b.pdf", "second");
  ImportReport report;
  ASSERT_EQ(ImportPdfs(*doc_, {"/pdf/a.pdf", "/pdf/sub/b.pdf"}, {"A", "B", "C"}, &report),
            kImportOk);
  ASSERT_EQ(report.imported.size(), 2u);
  EXPECT_EQ(report.imported[0].entry_id, 0);
  EXPECT_EQ(report.imported[1].entry_id, 1);
  EXPECT_TRUE(report.imported[1].attached);
  EXPECT_FALSE(report.imported[1].from_companion);

  auto reloaded = Reload();
  EntryRecord e = EntryById(*reloaded, 1);
  EXPECT_EQ(e.file_name.Text(), "b.pdf");
  EXPECT_EQ(e.title.Text(), "b.pdf");
  EXPECT_EQ(e.file_path.Text(), "/pdf/sub/b.pdf");
  EXPECT_EQ(e.file_size, static_cast<int32_t>(b.size()));
  EXPECT_EQ(e.CategoryName(1) + e.CategoryName(2) + e.CategoryName(3), "ABC");
  EXPECT_EQ(Stored(*reloaded, 0), a);
  EXPECT_EQ(Stored(*reloaded, 1), b);
  EXPECT_EQ(reloaded->AttachmentOrdinal(1), 1);
}

TEST_F(ImportPdfsTest, TheSamePdfTwiceIsStoredTwice) {
  std::string a = AddPdfFile("/pdf/a.pdf", "same");
  ImportReport report;
  ASSERT_EQ(ImportPdfs(*doc_, {"/pdf/a.pdf", "/pdf/a.pdf"}, OtherTriple(), &report), kImportOk);
  auto reloaded = Reload();
  EXPECT_EQ(reloaded->entries().Count(), 2);
  EXPECT_EQ(reloaded->AttachmentOrdinal(0), 0);
  EXPECT_EQ(reloaded->AttachmentOrdinal(1), 1);
  EXPECT_EQ(Stored(*reloaded, 1), a);
}

TEST_F(ImportPdfsTest, ACompanionGivesItsAttributesButNotItsId) {
  AddPdfFile("/pdf/a.pdf", "with companion");
  EntryRecord written;
  written.id = 77;
  written.title.SetText(Sjis("題"));
  written.my_rate = 4;
  written.SetCategoryName(1, "X");
  written.SetCategoryName(2, "Y");
  written.SetCategoryName(3, "Z");
  ASSERT_TRUE(WriteEntryText(written, "/pdf/a.vdb"));
  ImportReport report;
  ASSERT_EQ(ImportPdfs(*doc_, {"/pdf/a.pdf"}, OtherTriple(), &report), kImportOk);
  EXPECT_TRUE(report.imported[0].from_companion);
  auto reloaded = Reload();
  EntryRecord e = EntryById(*reloaded, 0);
  EXPECT_EQ(Utf8(e.title.Text()), "題");
  EXPECT_EQ(e.my_rate, 4);
  EXPECT_EQ(Triples(*reloaded), (Strings{"その他/その他/その他", "X/Y/Z"}));
  EXPECT_EQ(Utf8(reloaded->level_names(1).front()), "X");
}

TEST_F(ImportPdfsTest, EmptyOrMissingFilesGetEntriesWithoutBytes) {
  fake_.WriteFileBytes("/pdf/empty.pdf", "");
  AddPdfFile("/pdf/ok.pdf", "fine");
  ImportReport report;
  ASSERT_EQ(ImportPdfs(*doc_, {"/pdf/empty.pdf", "/pdf/gone.pdf", "/pdf/ok.pdf"},
                       OtherTriple(), &report),
            kImportOk);
  EXPECT_FALSE(report.imported[0].attached);
  EXPECT_FALSE(report.imported[1].attached);
  EXPECT_TRUE(report.imported[2].attached);
  auto reloaded = Reload();
  EXPECT_EQ(reloaded->entries().Count(), 3);
  EXPECT_EQ(reloaded->AttachmentOrdinal(0), -1);
  EXPECT_EQ(EntryById(*reloaded, 1).file_size, -1);
  EXPECT_EQ(reloaded->AttachmentOrdinal(2), 0);
}

// One open handle for the whole list must write what one AttachPdf per PDF writes.
TEST_F(ImportPdfsTest, TheFileIsByteIdenticalToThePlainSteps) {
  AddSavedEntry("old.pdf");
  std::vector<std::string> paths;
  for (int i = 0; i < 5; ++i) {
    paths.push_back("/pdf/n" + std::to_string(i) + ".pdf");
    AddPdfFile(paths.back(), "pdf " + std::to_string(i));
  }
  fake_.WriteFileBytes("/pdf/n4.pdf", "");  // one without bytes in the middle of the run
  fake_.WriteFileBytes("/data/plain.vdc", fake_.ReadFileBytes(kCatalogPath));
  CVeldraDocument plain;
  plain.Load("/data/plain.vdc");

  ImportReport report;
  ASSERT_EQ(ImportPdfs(*doc_, paths, {"p", "q", "r"}, &report), kImportOk);
  NewCategoryRecord(plain.categories(), plain.counters(), "p", "q", "r");  // a new triple
  for (const std::string& path : paths) {
    EntryRecord entry;
    if (!ReadEntryText(&entry, CompanionPath(path), plain)) {
      NewEntryRecord(plain.counters(), path, "p", "q", "r", &entry);
    }
    AppendRecord(plain.entries(), entry);
    AttachPdf(entry, path, plain.path(), plain.attachments(), plain.counters());
  }
  ASSERT_EQ(plain.SaveTables(plain.path()), 0);
  EXPECT_EQ(fake_.ReadFileBytes(kCatalogPath), fake_.ReadFileBytes("/data/plain.vdc"));
}

TEST_F(ImportPdfsTest, ACatalogNotReadCompletelyIsLeftAlone) {
  AddPdfFile("/pdf/a.pdf", "a");
  fake_.WriteFileBytes("/data/junk.vdc", "RUX but not really");
  CVeldraDocument junk;
  junk.Load("/data/junk.vdc");
  ImportReport report;
  EXPECT_EQ(ImportPdfs(junk, {"/pdf/a.pdf"}, OtherTriple(), &report), kImportIncomplete);
  EXPECT_EQ(fake_.ReadFileBytes("/data/junk.vdc"), "RUX but not really");
  EXPECT_TRUE(report.imported.empty());
}

TEST_F(ImportPdfsTest, AFailedSaveIsReported) {
  AddPdfFile("/pdf/a.pdf", "a");
  ImportReport report;
  // The PDF's bytes go in one block; the table writes after it fail.
  fake_.FailWriteAfter(2, /*sticky=*/true);
  EXPECT_EQ(ImportPdfs(*doc_, {"/pdf/a.pdf"}, OtherTriple(), &report), kImportSaveFailed);
  EXPECT_NE(report.save_result, 0);
}

TEST_F(ImportPdfsTest, EachPdfWhoseBytesDidNotGoInSaysWhy) {
  fake_.WriteFileBytes("/pdf/empty.pdf", "");
  AddPdfFile("/pdf/locked.pdf", "no access");
  fake_.FailOpen("/pdf/locked.pdf");
  AddPdfFile("/pdf/ok.pdf", "fine");
  ImportReport report;
  ASSERT_EQ(ImportPdfs(*doc_, {"/pdf/empty.pdf", "/pdf/gone.pdf", "/pdf/locked.pdf", "/pdf/ok.pdf"},
                       OtherTriple(), &report),
            kImportOk);
  ASSERT_EQ(report.imported.size(), 4u);
  EXPECT_EQ(report.imported[0].failure, ImportFailure::kEmpty);
  EXPECT_EQ(report.imported[1].failure, ImportFailure::kUnreadable);
  EXPECT_EQ(report.imported[1].cause, platform::Failure::kNotFound);
  EXPECT_EQ(report.imported[2].failure, ImportFailure::kUnreadable);
  EXPECT_EQ(report.imported[2].cause, platform::Failure::kDenied);
  EXPECT_EQ(report.imported[3].failure, ImportFailure::kNone);
  EXPECT_TRUE(report.imported[3].attached);
}

TEST_F(ImportPdfsTest, AFullDeviceIsTheCauseOfBytesNotStored) {
  AddPdfFile("/pdf/a.pdf", "a");
  AddPdfFile("/pdf/b.pdf", "b");
  fake_.FailWriteAfter(1);  // the first PDF's chunk
  ImportReport report;
  ASSERT_EQ(ImportPdfs(*doc_, {"/pdf/a.pdf", "/pdf/b.pdf"}, OtherTriple(), &report), kImportOk);
  EXPECT_EQ(report.imported[0].failure, ImportFailure::kNoSpace);
  EXPECT_FALSE(report.imported[0].attached);
  EXPECT_TRUE(report.imported[1].attached);
  auto reloaded = Reload();
  EXPECT_EQ(reloaded->entries().Count(), 2);
  EXPECT_EQ(Stored(*reloaded, 1), fake_.ReadFileBytes("/pdf/b.pdf"));
}

// A PDF of 2 GiB is one byte past what a chunk holds. On the real file system, as a sparse
// file: it takes no room on the disk and is never read.
TEST(ImportPdfsRealFilesTest, APdfOf2GiBIsTooLargeAndTheBoxSaysTheLimit) {
  std::string folder = (std::filesystem::temp_directory_path() / "veldra-import-XXXXXX").string();
  ASSERT_NE(::mkdtemp(folder.data()), nullptr);
  const std::string catalog = folder + "/cat.vdc";
  const std::string pdf = folder + "/big.pdf";
  std::ofstream(pdf) << "%PDF-1.4";
  std::filesystem::resize_file(pdf, uintmax_t{1} << 31);
  ASSERT_TRUE(CreateDefaultCatalog(catalog));
  CVeldraDocument document;
  document.OpenCatalog(catalog);
  ImportReport report;
  EXPECT_EQ(ImportPdfs(document, {pdf}, OtherTriple(), &report), kImportOk);
  ASSERT_EQ(report.imported.size(), 1u);
  EXPECT_EQ(report.imported[0].failure, ImportFailure::kTooLarge);
  EXPECT_EQ(veldra::testing::Utf8(MessageImportFailures(report)),
            "次のファイルのPDFは取り込めませんでした。\n\n" + pdf +
                "\n　大きすぎてカタログに入りません（PDFは1件2147483647バイトまで、カタログは"
                "全体で4GiB未満）。\n");
  EXPECT_LT(std::filesystem::file_size(catalog), uintmax_t{1} << 20);
  std::filesystem::remove_all(folder);
}

TEST_F(ImportPdfsTest, ASaveThatFailsTellsWhy) {
  AddPdfFile("/pdf/a.pdf", "a");
  fake_.SetWriteFailureCause(platform::Failure::kIoError);
  fake_.FailWriteAfter(2, /*sticky=*/true);
  ImportReport report;
  EXPECT_EQ(ImportPdfs(*doc_, {"/pdf/a.pdf"}, OtherTriple(), &report), kImportSaveFailed);
  EXPECT_EQ(report.save_cause, platform::Failure::kIoError);
}

// A pipe named like a PDF would wait for a writer for ever: it is never opened, and neither
// is a pipe named like its companion.
TEST_F(ImportPdfsTest, PipesAndDevicesAreSkippedWithoutBeingOpened) {
  fake_.AddSpecialFile("/pdf/fifo.pdf");
  AddPdfFile("/pdf/a.pdf", "a");
  fake_.AddSpecialFile("/pdf/a.vdb");
  ImportReport report;
  ASSERT_EQ(ImportPdfs(*doc_, {"/pdf/fifo.pdf", "/pdf/a.pdf"}, {"p", "q", "r"}, &report),
            kImportOk);
  EXPECT_EQ(fake_.SpecialOpenCount(), 0);
  EXPECT_EQ(report.imported[0].failure, ImportFailure::kNotRegularFile);
  EXPECT_EQ(report.imported[0].entry_id, -1);
  EXPECT_FALSE(report.imported[1].from_companion);
  EXPECT_TRUE(report.imported[1].attached);
  auto reloaded = Reload();
  EXPECT_EQ(reloaded->entries().Count(), 1);
  EXPECT_EQ(EntryById(*reloaded, report.imported[1].entry_id).CategoryName(1), "p");
}

TEST_F(ImportPdfsTest, StoppingKeepsAndSavesWhatWasImported) {
  std::vector<std::string> paths;
  for (int i = 0; i < 4; ++i) {
    paths.push_back("/pdf/n" + std::to_string(i) + ".pdf");
    AddPdfFile(paths.back(), "pdf " + std::to_string(i));
  }
  std::vector<std::pair<size_t, std::string>> told;
  auto progress = [&](size_t done, size_t total, const std::string& next) {
    EXPECT_EQ(total, 4u);
    told.emplace_back(done, next);
    return done < 2;  // stop before the third
  };
  ImportReport report;
  ASSERT_EQ(ImportPdfs(*doc_, paths, OtherTriple(), &report, progress), kImportOk);
  EXPECT_TRUE(report.stopped);
  EXPECT_EQ(report.imported.size(), 2u);
  ASSERT_EQ(told.size(), 3u);
  EXPECT_EQ(told[2], (std::pair<size_t, std::string>{2, "/pdf/n2.pdf"}));
  auto reloaded = Reload();
  EXPECT_EQ(reloaded->entries().Count(), 2);
  EXPECT_EQ(Stored(*reloaded, 1), fake_.ReadFileBytes("/pdf/n1.pdf"));
}

// A name listed with "?" for a character CP932 cannot hold reaches nothing: it is skipped
// with its reason and the rest is imported. Only nothing but such names (a single chosen
// file) is refused, the catalog left as it was.
TEST_F(ImportPdfsTest, APathThatReachesNothingIsSkippedUnlessItIsAllThereIs) {
  struct Row {
    Strings paths;
    int result;
    Strings skipped;  // kUnnamable in the report, or report.unnamable when refused
    int entries;
  } rows[] = {
      {{"/pdf/b?.pdf"}, kImportUnnamable, {"/pdf/b?.pdf"}, 0},
      {{"/pdf/b?.pdf", "/pdf/q?"}, kImportUnnamable, {"/pdf/b?.pdf", "/pdf/q?"}, 0},
      {{"/pdf/b?.pdf", "/pdf/a.pdf", "/pdf/q?"}, kImportOk, {"/pdf/b?.pdf", "/pdf/q?"}, 1},
      {{"/pdf/real?.pdf"}, kImportOk, {}, 1},  // a "?" truly in the name is a name
  };
  AddPdfFile("/pdf/a.pdf", "a");
  AddPdfFile("/pdf/real?.pdf", "r");
  fake_.AddUnreachableItem("/pdf/b?.pdf", false);
  fake_.AddUnreachableItem("/pdf/q?", true);
  for (const Row& row : rows) {
    const std::string before = fake_.ReadFileBytes(kCatalogPath);
    const int count = doc_->entries().Count();
    ImportReport report;
    EXPECT_EQ(ImportPdfs(*doc_, row.paths, OtherTriple(), &report), row.result) << row.paths[0];
    Strings skipped = report.unnamable;
    for (const ImportedPdf& pdf : report.imported) {
      if (pdf.failure == ImportFailure::kUnnamable && pdf.entry_id < 0) skipped.push_back(pdf.path);
    }
    EXPECT_EQ(skipped, row.skipped) << row.paths[0];
    EXPECT_EQ(Reload()->entries().Count(), count + row.entries) << row.paths[0];
    if (row.result != kImportOk) {
      EXPECT_EQ(fake_.ReadFileBytes(kCatalogPath), before) << row.paths[0];
    }
  }
}

TEST_F(ImportPdfsTest, ACatalogThatCannotBeOpenedTellsWhy) {
  AddPdfFile("/pdf/a.pdf", "a");
  fake_.FailOpen(kCatalogPath);
  ImportReport report;
  EXPECT_EQ(ImportPdfs(*doc_, {"/pdf/a.pdf"}, OtherTriple(), &report), kImportCannotOpen);
  EXPECT_EQ(report.catalog_cause, platform::Failure::kDenied);
  EXPECT_EQ(doc_->entries().Count(), 0);
}

TEST_F(ImportPdfsTest, AnEntryThatTakesANewTripleMakesItACategoryOnce) {
  AddPdfFile("/pdf/a.pdf", "a");
  AddPdfFile("/pdf/b.pdf", "b");
  AddPdfFile("/pdf/c.pdf", "c");
  EntryRecord companion;
  companion.SetCategoryName(1, "X");
  companion.SetCategoryName(2, "Y");
  companion.SetCategoryName(3, "Z");
  ASSERT_TRUE(WriteEntryText(companion, "/pdf/b.vdb"));
  fake_.WriteFileBytes("/pdf/c.vdb", std::string(kMaxEntryTextFileSize + 1, '\n'));
  struct Row {
    Strings pdfs;
    CategoryTriple triple;
    Strings triples;  // the categories afterwards, in table order
  } rows[] = {
      {{"/pdf/a.pdf", "/pdf/a.pdf"}, {"A", "B", "C"}, {"その他/その他/その他", "A/B/C"}},
      // The triple's category comes before the companion's, as it did from the start.
      {{"/pdf/b.pdf", "/pdf/a.pdf"}, {"A", "B", "C"},
       {"その他/その他/その他", "A/B/C", "X/Y/Z"}},
      {{"/pdf/b.pdf"}, {"A", "B", "C"}, {"その他/その他/その他", "X/Y/Z"}},
      // A companion too large to read: the entry takes the triple after all.
      {{"/pdf/b.pdf", "/pdf/c.pdf"}, {"A", "B", "C"},
       {"その他/その他/その他", "X/Y/Z", "A/B/C"}},
      {{"/pdf/a.pdf"}, OtherTriple(), {"その他/その他/その他"}},
      {{}, {"A", "B", "C"}, {"その他/その他/その他"}},
  };
  for (const Row& row : rows) {
    fake_.Remove(kCatalogPath);
    doc_ = std::make_unique<CVeldraDocument>();
    doc_->OpenCatalog(kCatalogPath);
    ImportReport report;
    ASSERT_EQ(ImportPdfs(*doc_, row.pdfs, row.triple, &report), kImportOk);
    EXPECT_EQ(Triples(*Reload()), row.triples) << row.pdfs.size() << row.triple[0];
  }
  // Nothing at all when the catalog cannot take the import.
  fake_.FailOpen(kCatalogPath);
  const int before = doc_->categories().Count();
  ImportReport report;
  EXPECT_EQ(ImportPdfs(*doc_, {"/pdf/a.pdf"}, {"N", "E", "W"}, &report), kImportCannotOpen);
  EXPECT_EQ(doc_->categories().Count(), before);
}

TEST(CollectPdfsBelowTest, ExactExtensionAndNoHiddenFolders) {
  platform::FakePlatform fake;
  platform::ScopedPlatform use(&fake);
  for (const char* path : {"/in/x.pdf", "/in/y.PDF", "/in/c.pdf.bak", "/in/d", "/in/sub/z.pdf",
                           "/in/.hidden/w.pdf", "/in/.h.pdf"}) {
    fake.WriteFileBytes(path, "%PDF-1.4");
  }
  std::vector<std::string> found;
  ASSERT_EQ(CollectPdfsBelow("/in", &found), kCollectOk);
  EXPECT_EQ(found, (Strings{"/in/.h.pdf", "/in/sub/z.pdf", "/in/x.pdf"}));
  EXPECT_EQ(CollectPdfsBelow("/nowhere", &found), kCollectCannotSearch);
  EXPECT_EQ(found.size(), 3u);
}

// Names that reach nothing are listed after the others, for the import to skip and name.
TEST(CollectPdfsBelowTest, NamesThatReachNothingFollowTheOthers) {
  struct Row {
    const char* item;  // listed with "?" for a character CP932 cannot hold; reaches nothing
    bool is_directory;
    Strings unnamable;
  } rows[] = {
      {"/in/sub/x?.pdf", false, {"/in/sub/x?.pdf"}},
      {"/in/?", true, {"/in/?"}},
      {"/in/x?.PDF", false, {}},         // not a PDF to the batch import
      {"/in/.h?", true, {}},             // hidden folders are not searched
      {"/in/sub/y?.txt", false, {}},
  };
  for (const Row& row : rows) {
    platform::FakePlatform fake;
    platform::ScopedPlatform use(&fake);
    for (const char* path : {"/in/a.pdf", "/in/sub/b.pdf", "/in/real?.pdf", "/in/q?/c.pdf"}) {
      fake.WriteFileBytes(path, "%PDF-1.4");
    }
    fake.AddUnreachableItem(row.item, row.is_directory);
    std::vector<std::string> found = {"kept"};
    EXPECT_EQ(CollectPdfsBelow("/in", &found), kCollectOk) << row.item;
    // A "?" that is truly part of a name is an ordinary name.
    Strings expected = {"kept", "/in/a.pdf", "/in/q?/c.pdf", "/in/real?.pdf", "/in/sub/b.pdf"};
    expected.insert(expected.end(), row.unnamable.begin(), row.unnamable.end());
    EXPECT_EQ(found, expected) << row.item;
  }
}

}  // namespace
}  // namespace veldra::commands
