// The real text worker (veldra-pdftext) on PDFs built to hurt it, and on ranges of files as
// a catalog holds them: each ends with its failure kind or its pages, and the worker goes on.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/pdf_text_worker.h"
#include "tests/commands/test_pdf.h"
#include "tests/platform/hostile_pdf.h"

namespace veldra::platform {
namespace {

std::string Utf8(const QString& text) { return text.toStdString(); }

class PdfTextHostileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  // Writes bytes to the file name (UTF-8) in the test's folder; its path in CP932.
  std::string Write(const std::string& name, const std::string& bytes) {
    const QString path = dir_.filePath(QString::fromStdString(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    std::string cp932;
    EXPECT_TRUE(Utf8ToCp932(Utf8(path), &cp932));
    return cp932;
  }

  QTemporaryDir dir_;
};

TEST_F(PdfTextHostileTest, EachPdfEndsWithItsKindAndTheWorkerGoesOn) {
  const std::string hello = testing::MakePdf("hello world");
  const std::string garbage(777, '\x01');
  struct Row {
    const char* name;
    std::string bytes;
    int64_t offset = 0;
    int64_t length = -1;  // to the end of the file
    PdfTextLimits limits = {};
    PdfTextFailure failure = PdfTextFailure::kNone;
    std::vector<std::string> pages = {};
    bool removed = false;  // the file is gone before the worker is asked
  };
  const Row rows[] = {
      {.name = "plain.pdf", .bytes = hello, .pages = {"hello world"}},
      {.name = "inside a larger file", .bytes = garbage + hello + garbage, .offset = 777,
       .length = static_cast<int64_t>(hello.size()), .pages = {"hello world"}},
      {.name = "日本語の名前.pdf", .bytes = hello, .pages = {"hello world"}},
      {.name = "predefined Japanese encoding", .bytes = testing::MakePredefinedCMapPdf(),
       .pages = {"日本語"}},
      {.name = "no text layer", .bytes = testing::MakePictureOnlyPdf(), .pages = {""}},
      {.name = "truncated", .bytes = hello.substr(0, hello.size() / 2),
       .failure = PdfTextFailure::kNotPdf},
      {.name = "not a pdf", .bytes = std::string(5000, 'x'), .failure = PdfTextFailure::kNotPdf},
      {.name = "header after 1024 bytes", .bytes = std::string(1024, ' ') + hello,
       .failure = PdfTextFailure::kNotPdf},
      {.name = "empty range", .bytes = hello, .offset = 10, .length = 0,
       .failure = PdfTextFailure::kNotPdf},
      {.name = "range past the end", .bytes = hello, .offset = 10,
       .length = static_cast<int64_t>(hello.size()), .failure = PdfTextFailure::kUnreadable},
      {.name = "missing.pdf", .bytes = hello, .failure = PdfTextFailure::kUnreadable,
       .removed = true},
      {.name = "encrypted", .bytes = testing::MakeLockedPdf(),
       .failure = PdfTextFailure::kEncrypted},
      {.name = "flate bomb", .bytes = testing::MakeFlateBombPdf(2ull << 30),
       .limits = {.memory_bytes = 128ull << 20}, .failure = PdfTextFailure::kTooMuchMemory},
      {.name = "flate bomb, little time", .bytes = testing::MakeFlateBombPdf(2ull << 30),
       .limits = {.time_ms = 500}, .failure = PdfTextFailure::kTimedOut},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = Write(row.name, row.bytes);
    ASSERT_TRUE(!row.removed || QFile::remove(dir_.filePath(QString::fromUtf8(row.name))));
    PdfTextWorker worker(FindPdfTextWorker(), row.limits);
    const int64_t length =
        row.length >= 0 ? row.length : static_cast<int64_t>(row.bytes.size()) - row.offset;
    const PdfTextResult result = worker.Extract(path, row.offset, length);
    EXPECT_EQ(result.failure, row.failure) << PdfTextFailureName(result.failure);
    EXPECT_EQ(result.pages, row.pages);
    EXPECT_FALSE(result.truncated);
    const std::string next = Write("next.pdf", hello);
    EXPECT_EQ(worker.Extract(next, 0, static_cast<int64_t>(hello.size())).pages,
              std::vector<std::string>{"hello world"});
  }
}

// VELDRA_EMPTY_PAGES raises the count for a manual run (docs/performance.md).
TEST_F(PdfTextHostileTest, ManyEmptyPagesAreManyEmptyTexts) {
  const char* variable = std::getenv("VELDRA_EMPTY_PAGES");
  const int pages = variable != nullptr ? std::atoi(variable) : 100000;
  const std::string bytes = testing::MakeEmptyPagesPdf(pages);
  const std::string path = Write("empty.pdf", bytes);
  PdfTextWorker worker(FindPdfTextWorker(), {});
  const PdfTextResult result = worker.Extract(path, 0, static_cast<int64_t>(bytes.size()));
  ASSERT_EQ(result.failure, PdfTextFailure::kNone);
  // Each page counts against the budget as well: far more pages than this are cut.
  const size_t kept = std::min<size_t>(pages, (16u << 20) / sizeof(std::string));
  EXPECT_EQ(result.pages, std::vector<std::string>(kept));
  EXPECT_EQ(result.truncated, kept < static_cast<size_t>(pages));
}

}  // namespace
}  // namespace veldra::platform
