// Changing commands refuse a catalog that shows damage a change would make permanent, name
// it in one line and write nothing; check names it too; reading commands and compact still
// work. The rows are those of tests/support/damaged_catalog.h.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "storage/catalog_tags.h"
#include "storage/chunk_format.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/damaged_catalog.h"

namespace veldra::cli::testing {
namespace {

using veldra::testing::ChunkOfTag;
using veldra::testing::DamageRow;
using veldra::testing::DamageRows;
using veldra::testing::MakeDamageBaseCatalog;

class CliDamageTest : public CliTest {
 protected:
  std::string MakeRow(const DamageRow& row) {
    const std::string path = Path("cat.vdc");
    EXPECT_TRUE(MakeDamageBaseCatalog(path));
    EXPECT_TRUE(row.make(path));
    return path;
  }
};

TEST_F(CliDamageTest, ChangingCommandsRefuseDamageAndCheckNamesIt) {
  for (const DamageRow& row : DamageRows()) {
    SCOPED_TRACE(row.name);
    const std::string catalog = MakeRow(row);
    const std::string before = ReadFile("cat.vdc");
    const CliResult check = Run({"check", catalog});
    if (*row.words == '\0') {
      EXPECT_EQ(check.code, 0) << check.err;
    } else {
      EXPECT_EQ(check.code, 1);
      EXPECT_NE(check.err.find(row.words), std::string::npos) << check.err;
    }
    const CliResult label = Run({"label", catalog, "1", "changed"});
    if (row.damaged) {
      EXPECT_EQ(label.code, 1);
      const size_t named = label.err.find(" is damaged (");
      EXPECT_NE(named, std::string::npos) << label.err;
      EXPECT_NE(label.err.find(row.words, named), std::string::npos) << label.err;
      EXPECT_EQ(ReadFile("cat.vdc"), before);
      // Reading still works, but never passes off what the lists reach as the whole catalog.
      const CliResult list = Run({"list", catalog});
      EXPECT_EQ(list.code, 1);
      EXPECT_NE(list.err.find(" is damaged ("), std::string::npos) << list.err;
      EXPECT_NE(list.err.find("only what its lists still reach was read"), std::string::npos);
    } else {
      // The change is taken, and puts right what an interrupted write left.
      EXPECT_EQ(label.code, 0) << label.err;
      const CliResult after = Run({"check", catalog});
      EXPECT_EQ(after.code, 0) << after.err;
    }
  }
}

// The whole line, for the cut in the middle of the entries; every changing command gives it.
TEST_F(CliDamageTest, TheErrorNamesTheDamageAndPointsToCheckSalvageAndCompact) {
  const std::string catalog = Path("cat.vdc");
  ASSERT_TRUE(MakeDamageBaseCatalog(catalog));
  const int64_t cut = ChunkOfTag(catalog, kTagEntry, 2);
  const int64_t behind = ChunkOfTag(catalog, kTagEntry, 3);
  ASSERT_TRUE(DamageRows().front().make(catalog));
  const std::string before = ReadFile("cat.vdc");
  const std::string expected =
      "veldra-cli: " + catalog + " is damaged (next-in-tag of chunk at " + std::to_string(cut) +
      " is -1, yet chunk at " + std::to_string(behind) + " still links back to it: 3 chunks of " +
      "ENTR from " + std::to_string(behind) + " on are cut off from the list); nothing was " +
      "changed. Run 'veldra-cli check " + catalog + "' for details, then 'veldra-cli salvage " +
      catalog + " NEWPATH' (or 'veldra-cli compact') to write a sound copy\n";
  WritePdf("new.pdf", "new");
  for (const std::vector<std::string>& words :
       {std::vector<std::string>{"import", catalog, Path("new.pdf")},
        {"export", catalog, dir_, "--all"}, {"delete", catalog, "--id", "0"},
        {"label", catalog, "1", "x"}, {"category-add", catalog, "1", "x"},
        {"category-delete", catalog, "1", "x"}, {"recategorize", catalog, "--id", "0", "--c1", "x"},
        {"set", catalog, "0", "--title", "x"}}) {
    const CliResult r = Run(words);
    EXPECT_EQ(r.code, 1) << words[0];
    EXPECT_EQ(r.err, expected) << words[0];
  }
  EXPECT_EQ(ReadFile("cat.vdc"), before);
  EXPECT_FALSE(Exists("0.pdf"));

  // compact writes a new file: it copies what the lists reach, says what it could not, and
  // the copy is sound.
  const CliResult compact = Run({"compact", catalog, Path("copy.vdc")});
  EXPECT_EQ(compact.code, 1);
  EXPECT_EQ(compact.err, "veldra-cli: warning: " + catalog + " is damaged (next-in-tag of chunk at " +
                             std::to_string(cut) + " is -1, yet chunk at " + std::to_string(behind) +
                             " still links back to it: 3 chunks of ENTR from " +
                             std::to_string(behind) + " on are cut off from the list); only what "
                             "its lists still reach was read ('veldra-cli salvage " + catalog +
                             " NEWPATH' also recovers what they no longer reach)\n");
  EXPECT_EQ(ReadFile("cat.vdc"), before);
  RunOk({"check", Path("copy.vdc")});
  RunOk({"label", Path("copy.vdc"), "1", "changed"});
}

// An import killed after a PDF's bytes were written and before its link (the chunk whole,
// or torn): every changing command then succeeds, check passes after it, further changes
// are accepted, and every entry keeps its PDF. The catalog has no sort levels yet (as after
// `new` and `import`), so the first save that writes them appends at the end of the file.
TEST_F(CliDamageTest, EveryChangeAfterAnImportKilledBeforeItsLinkLeavesASoundCatalog) {
  const std::string catalog = Path("cat.vdc");
  const std::vector<std::vector<std::string>> changes = {
      {"import", catalog, Path("new.pdf")},
      {"delete", catalog, "--id", "2"},
      {"label", catalog, "1", "x"},
      {"set", catalog, "0", "--title", "x"},
      {"category-add", catalog, "1", "added"},
      {"category-delete", catalog, "1", "spare"},
      {"recategorize", catalog, "--id", "0", "--c1", "moved"},
      {"export", catalog, Path("out"), "--all"},
      {"compact", catalog, Path("copy.vdc")},
  };
  for (const bool torn : {false, true}) {
    for (const std::vector<std::string>& words : changes) {
      SCOPED_TRACE(words[0] + (torn ? ", torn" : ", whole"));
      for (const char* name : {"cat.vdc", "copy.vdc", "out", "back"}) {
        std::filesystem::remove_all(Path(name));
      }
      std::filesystem::create_directory(Path("out"));
      std::filesystem::create_directory(Path("back"));
      MakeCatalog({"a.pdf", "b.pdf", "c.pdf"});
      // A category no entry uses, made without writing the sort levels (entry 3 goes again).
      RunOk({"import", catalog, Path("src/a.pdf"), "--category", "spare/x/y"});
      RunOk({"delete", catalog, "--id", "3"});
      ASSERT_TRUE(veldra::testing::AppendUnlinked(catalog, kTagAttachmentData,
                                                  std::string(500, 'k'), torn));
      std::map<std::string, std::string> pdfs = {{"0", ReadFile("src/a.pdf")},
                                                 {"1", ReadFile("src/b.pdf")},
                                                 {"2", ReadFile("src/c.pdf")}};
      if (words[0] == "import") pdfs["4"] = WritePdf("new.pdf", "new");
      if (words[0] == "delete") pdfs.erase("2");

      RunOk(words);
      // compact writes nothing to the catalog (which reports a torn tail until its next
      // change): its copy is checked.
      RunOk({"check", words[0] == "compact" ? Path("copy.vdc") : catalog});
      RunOk({"label", catalog, "2", "accepted"});
      RunOk({"check", catalog});
      std::map<std::string, std::string> back;
      for (const std::string& line : Lines(RunOk({"export", catalog, Path("back"), "--all"}).out)) {
        const size_t tab = line.find('\t');
        std::ifstream in(line.substr(tab + 1), std::ios::binary);
        back[line.substr(0, tab)] = std::string(std::istreambuf_iterator<char>(in), {});
      }
      EXPECT_EQ(back, pdfs);
    }
  }
}

}  // namespace
}  // namespace veldra::cli::testing
