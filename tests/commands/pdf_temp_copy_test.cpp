// The viewer's temporary copy: its name, its number, and what it never touches.
#include "commands/pdf_temp_copy.h"

#include <gtest/gtest.h>

#include <string>

#include "storage/catalog_files.h"
#include "tests/commands/catalog_fixture.h"

namespace veldra::testing {
namespace {

using commands::TemporaryCopyName;
using commands::WriteTemporaryCopy;

struct NameCase {
  const char* file_name;  // UTF-8
  const char* expected;   // UTF-8
};

class TemporaryCopyNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(TemporaryCopyNameTest, KeepsOnlyASafeLastComponent) {
  EXPECT_EQ(Utf8(TemporaryCopyName(Sjis(GetParam().file_name))), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, TemporaryCopyNameTest,
    ::testing::Values(NameCase{"report.pdf", "report.pdf"},
                      NameCase{"../../home/user/.bashrc", ".bashrc"},
                      NameCase{"/etc/passwd", "passwd"},
                      NameCase{"", "document.pdf"},
                      NameCase{".", "document.pdf"},
                      NameCase{"..", "document.pdf"},
                      NameCase{"sub/...", "document.pdf"},
                      NameCase{"folder/", "document.pdf"},
                      // "ソ" and "表" end in the byte of "\", which is no separator here.
                      NameCase{"資料ソース表.pdf", "資料ソース表.pdf"},
                      NameCase{"a\\b.pdf", "a\\b.pdf"}),
    [](const ::testing::TestParamInfo<NameCase>& row) { return "row" + std::to_string(row.index); });

class TemporaryCopyTest : public CatalogTest {
 protected:
  void SetUp() override {
    pdf_ = AddPdfFile("/pdf/a.pdf", "copy me");
    id_ = AddEntry("/pdf/a.pdf", "", "", "");
    ASSERT_EQ(doc_->SaveTables(kCatalogPath), 0);
    ordinal_ = doc_->AttachmentOrdinal(id_);
    ASSERT_EQ(ordinal_, 0);
  }

  std::string pdf_;
  int32_t id_ = 0;
  int ordinal_ = -1;
};

TEST_F(TemporaryCopyTest, NumbersCountUpPastTakenNames) {
  EXPECT_EQ(WriteTemporaryCopy(*doc_, ordinal_, "/tmp/", "a.pdf"), "/tmp/0_a.pdf");
  EXPECT_EQ(WriteTemporaryCopy(*doc_, ordinal_, "/tmp/", "a.pdf"), "/tmp/1_a.pdf");
  EXPECT_EQ(fake_.ReadFileBytes("/tmp/0_a.pdf"), pdf_);
  EXPECT_EQ(fake_.ReadFileBytes("/tmp/1_a.pdf"), pdf_);
}

TEST_F(TemporaryCopyTest, AStaleFileAtTheNameIsPassedOverAndKept) {
  fake_.WriteFileBytes("/tmp/0_a.pdf", "left by an earlier run");
  fake_.AddFolder("/tmp/1_a.pdf");
  EXPECT_EQ(WriteTemporaryCopy(*doc_, ordinal_, "/tmp/", "a.pdf"), "/tmp/2_a.pdf");
  EXPECT_EQ(fake_.ReadFileBytes("/tmp/0_a.pdf"), "left by an earlier run");
}

TEST_F(TemporaryCopyTest, NothingIsLeftWhenThereIsNoCopy) {
  const auto before = fake_.FilePaths();
  EXPECT_EQ(WriteTemporaryCopy(*doc_, -1, "/tmp/", "a.pdf"), "");
  EXPECT_EQ(WriteTemporaryCopy(*doc_, 1, "/tmp/", "a.pdf"), "") << "no such attachment";
  EXPECT_EQ(WriteTemporaryCopy(*doc_, ordinal_, "/missing/", "a.pdf"), "");
  fake_.FailWriteAfter(1);
  EXPECT_EQ(WriteTemporaryCopy(*doc_, ordinal_, "/tmp/", "a.pdf"), "");
  EXPECT_EQ(fake_.FilePaths(), before);
}

TEST_F(TemporaryCopyTest, ACompanionNameCannotLeaveTheFolder) {
  EXPECT_EQ(WriteTemporaryCopy(*doc_, ordinal_, "/tmp/", "../data/cat.vdc"), "/tmp/0_cat.vdc");
  EXPECT_NE(fake_.ReadFileBytes(kCatalogPath), pdf_);
}

}  // namespace
}  // namespace veldra::testing
