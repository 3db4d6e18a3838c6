// salvage, end to end: a damaged catalog in, a sound one out, the report and the exit code.
#include <gtest/gtest.h>

#include <filesystem>

#include "storage/catalog_tags.h"
#include "storage/chunk_format.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/test_catalog.h"

namespace veldra::cli::testing {
namespace {

using veldra::testing::ChunksOf;
using veldra::testing::PatchInt32;

class CliSalvageTest : public CliTest {
 protected:
  void SetUp() override { catalog_ = MakeCatalog({"a.pdf", "b.pdf", "c.pdf", "d.pdf"}); }

  // Every PDF of the catalog at name, exported into the folder out_name, equals its source.
  void ExpectPdfsOf(const std::string& name, const std::string& out_name) {
    std::filesystem::create_directory(Path(out_name));
    RunOk({"export", Path(name), Path(out_name), "--all"});
    for (const char* pdf : {"a.pdf", "b.pdf", "c.pdf", "d.pdf"}) {
      EXPECT_EQ(ReadFile(out_name + "/" + pdf), ReadFile(std::string("src/") + pdf)) << pdf;
    }
  }

  std::string catalog_;
};

TEST_F(CliSalvageTest, EntriesCutOffByABrokenLinkComeBackWithTheirPdfs) {
  const ChunkRecord second = ChunksOf(catalog_, kTagEntry).at(1);
  ASSERT_TRUE(PatchInt32(catalog_, second.offset + chunk_format::kNextInTagOffset, -1));
  EXPECT_EQ(Lines(RunOk({"list", catalog_}).out).size(), 2u);  // what the lists still reach

  const std::string before = ReadFile("cat.vdc");
  CliResult r = RunOk({"salvage", catalog_, Path("new.vdc")});
  EXPECT_EQ(ReadFile("cat.vdc"), before);
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                              "entries recovered: 4 (2 live, 2 from cut-off chunks)",
                              "PDFs copied: 4"}));
  RunOk({"check", Path("new.vdc")});
  ExpectPdfsOf("new.vdc", "out");
}

TEST_F(CliSalvageTest, WhatWasLostIsReportedAndTheRestStillWritten) {
  std::filesystem::resize_file(catalog_, std::filesystem::file_size(catalog_) - 20);
  CliResult r = Run({"salvage", catalog_, Path("new.vdc")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("entries recovered: 4 (4 live, 0 from cut-off chunks)"),
            std::string::npos) << r.out;
  EXPECT_NE(r.out.find("entry 3 (d.pdf) recovered without its PDF"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("could not be read at"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("not everything found could be recovered"), std::string::npos) << r.err;
  RunOk({"check", Path("new.vdc")});
}

TEST_F(CliSalvageTest, NothingAtNewPathIsReplacedOrFollowed) {
  WriteFile("taken.vdc", "mine");
  std::filesystem::create_symlink(Path("elsewhere.vdc"), Path("link.vdc"));
  for (const char* name : {"taken.vdc", "link.vdc"}) {
    CliResult r = Run({"salvage", catalog_, Path(name)});
    EXPECT_EQ(r.code, 1) << name;
    EXPECT_NE(r.err.find("never replaced"), std::string::npos) << r.err;
  }
  EXPECT_EQ(ReadFile("taken.vdc"), "mine");
  EXPECT_TRUE(std::filesystem::is_symlink(Path("link.vdc")));
  EXPECT_FALSE(Exists("elsewhere.vdc"));
  EXPECT_EQ(Run({"salvage", catalog_}).code, 2);
  WriteFile("not.vdc", "not a catalog");
  EXPECT_EQ(Run({"salvage", Path("not.vdc"), Path("new.vdc")}).code, 1);
  EXPECT_FALSE(Exists("new.vdc"));
}

}  // namespace
}  // namespace veldra::cli::testing
