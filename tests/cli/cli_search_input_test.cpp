// Bad input to search and index: each row a clear answer with its exit code, and the
// catalog byte for byte as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "storage/catalog_tags.h"
#include "storage/chunk_format.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/damaged_catalog.h"

namespace veldra::cli::testing {
namespace {

using Strings = std::vector<std::string>;

using CliSearchInputTest = CliTest;

struct InputRow {
  const char* name;
  const char* command;  // search or index
  Strings words;        // after the command and CATALOG
  int code;
  // Words of the error output ("{index}" stands for the index file's path); "": none.
  const char* err;
  std::function<void()> setup = nullptr;
};

TEST_F(CliSearchInputTest, BadInputIsAnsweredClearlyAndTheCatalogIsKept) {
  const std::string catalog = MakeCatalog({"a.pdf"});
  const std::string cache = Path("cache/veldra");
  const std::string index = cache + "/index.sqlite";
  // The store's problems are told in its words (tested with the store); here, one row each
  // shows how search and index pass them on.
  const auto folder_is_file = [&] { WriteFile("cache/veldra", "not a folder"); };
  const auto index_is_link = [&] {
    WriteFile("elsewhere.sqlite", "");
    std::filesystem::create_directories(cache);
    std::filesystem::create_symlink(Path("elsewhere.sqlite"), index);
  };
  const std::vector<InputRow> rows = {
      {"spaces only", "search", {"  ", "　 "}, 2, "veldra-cli: the query has no term\n"},
      {"an unbalanced quote", "search", {"\"形態素 解析"}, 2,
       "veldra-cli: the query has a quote that is never closed\n"},
      {"nothing to search for", "search", {"title:"}, 2,
       "veldra-cli: a term of the query has no character to search for (title:)\n"},
      {"bytes that are not UTF-8", "search", {"\xff\xfe"}, 2, "veldra-cli: the query is not valid UTF-8\n"},
      {"10,000 characters", "search", {[] {
         std::string text;
         for (int i = 0; i < 10000; ++i) text += "形";
         return text;
       }()},
       1, ""},
      {"no query", "search", {}, 2, "veldra-cli search: missing arguments\n"},
      {"an unknown option", "search", {"x", "--fuzzy"}, 2, "veldra-cli search: unknown option --fuzzy\n"},
      {"--limit 0", "search", {"x", "--limit", "0"}, 2, "--limit takes a whole number of 1 or more, not '0'"},
      {"--limit -1", "search", {"x", "--limit", "-1"}, 2, "--limit takes a whole number of 1 or more, not '-1'"},
      {"--limit x", "search", {"x", "--limit=x"}, 2, "--limit takes a whole number of 1 or more, not 'x'"},
      {"--order x", "search", {"x", "--order", "rank"}, 2, "--order is 'relevance' or 'list', not 'rank'"},
      {"search: a cache folder that is a file", "search", {"x"}, 2,
       "veldra-cli: the search index {index} cannot be opened: a file stands where the index's "
       "folder must be\n",
       folder_is_file},
      {"index: an index that is a symbolic link", "index", {}, 1,
       "veldra-cli: the search index {index} cannot be opened: the index file is a symbolic "
       "link, which is never followed\n",
       index_is_link},
      {"index: an unknown option", "index", {"--fuzzy"}, 2, "veldra-cli index: unknown option --fuzzy\n"},
      {"index: a query", "index", {"x"}, 2, "veldra-cli index: unexpected argument 'x'\n"},
  };
  const std::string before = ReadFile("cat.vdc");
  for (const InputRow& row : rows) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove_all(Path("cache"));
    if (row.setup) row.setup();
    Strings words = {row.command, catalog};
    words.insert(words.end(), row.words.begin(), row.words.end());
    const CliResult r = Run(words);
    EXPECT_EQ(r.code, row.code) << r.err;
    std::string expected = row.err;
    if (const size_t at = expected.find("{index}"); at != std::string::npos) {
      expected.replace(at, 7, index);
    }
    if (expected.empty()) {
      EXPECT_EQ(r.err, "");
    } else {
      EXPECT_NE(r.err.find(expected), std::string::npos) << r.err;
    }
    EXPECT_EQ(ReadFile("cat.vdc"), before);
  }
  std::filesystem::remove_all(Path("cache"));

  WriteFile("text.vdc", "not a catalog");
  for (const auto& [words, code] : {std::pair{Strings{"search", Path("text.vdc"), "x"}, 2},
                                    {Strings{"index", Path("text.vdc")}, 1}}) {
    const CliResult r = Run(words);
    EXPECT_EQ(r.code, code);
    EXPECT_EQ(r.err, "veldra-cli: " + Path("text.vdc") +
                         " is not a catalog (it cannot be opened or is not a container)\n");
  }
  EXPECT_EQ(ReadFile("text.vdc"), "not a catalog");
}

// A PDF whose text cannot be extracted is named with the kind of failure, and tried again
// only when asked.
TEST_F(CliSearchInputTest, APdfThatCannotBeReadIsListedWithItsKind) {
  const std::string catalog = MakeCatalog({"a.pdf"});
  WriteFile("broken.pdf", "not a PDF at all");
  RunOk({"import", catalog, Path("broken.pdf")});
  const CliResult searched = Run({"search", catalog, "title:pdf"});
  EXPECT_EQ(searched.code, 0);
  EXPECT_EQ(searched.err, "veldra-cli: warning: the text of 1 PDF(s) of " + catalog +
                              " could not be extracted ('veldra-cli index " + catalog +
                              "' lists them)\n");
  const std::string counts = "indexed: 1\nwithout text: 0\nfailed: 1 (1 not-pdf)\n";
  EXPECT_EQ(RunOk({"index", catalog}).out,
            "PDFs: 2 (extracted now: 0, 0 pages)\n" + counts +
                "  entry 1 (broken.pdf): not-pdf (an earlier run's; --retry-failed tries it again)\n");
  EXPECT_EQ(RunOk({"index", catalog, "--retry-failed"}).out,
            "PDFs: 2 (extracted now: 1, 0 pages)\n" + counts + "  entry 1 (broken.pdf): not-pdf\n");
  EXPECT_EQ(RunOk({"index", catalog, "--rebuild"}).out,
            "PDFs: 2 (extracted now: 2, 1 pages)\n" + counts + "  entry 1 (broken.pdf): not-pdf\n");
}

// A damaged catalog: what its lists reach is indexed and searched, with list's warning; the
// commands end with their error codes after the work, and the file is left as it was.
TEST_F(CliSearchInputTest, ADamagedCatalogIsIndexedAndSearchedAsFarAsItsListsReach) {
  const std::string catalog = MakeCatalog({"a.pdf", "b.pdf", "c.pdf", "d.pdf"});
  ASSERT_TRUE(veldra::testing::PatchChunk(catalog, kTagEntry, 1, chunk_format::kNextInTagOffset, -1));
  const std::string before = ReadFile("cat.vdc");
  const std::string warning = "veldra-cli: warning: " + catalog + " is damaged (";

  const CliResult indexed = Run({"index", catalog});
  EXPECT_EQ(indexed.code, 1);
  EXPECT_EQ(indexed.out, "PDFs: 2 (extracted now: 2, 2 pages)\nindexed: 2\nwithout text: 0\nfailed: 0\n");
  EXPECT_EQ(indexed.err.rfind(warning, 0), 0u) << indexed.err;

  const CliResult found = Run({"search", catalog, "--no-update", "text:pdf"});
  EXPECT_EQ(found.code, 2);
  EXPECT_EQ(found.out,
            "entry 0: a.pdf\n  hits: 2; pages: 1\n  page 1: [pdf] a.pdf\n\n"
            "entry 1: b.pdf\n  hits: 2; pages: 1\n  page 1: [pdf] b.pdf\n");
  EXPECT_EQ(found.err.rfind(warning, 0), 0u) << found.err;
  EXPECT_EQ(ReadFile("cat.vdc"), before);
}

}  // namespace
}  // namespace veldra::cli::testing
