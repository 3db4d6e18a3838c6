// export, delete and compact, end to end.
#include <gtest/gtest.h>

#include <filesystem>

#include <QJsonDocument>
#include <QJsonObject>

#include "tests/cli/cli_fixture.h"

namespace veldra::cli::testing {
namespace {

using Strings = std::vector<std::string>;


class CliExportTest : public CliTest {
 protected:
  QJsonObject Show(const std::string& catalog, const std::string& id) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(RunOk({"show", catalog, id, "--json"}).out))
        .object();
  }
};

TEST_F(CliExportTest, ExportThenImportRestoresEveryAttributeUnderNewIds) {
  const std::string catalog = MakeCatalog({"a.pdf", "b.pdf"}, "技術/本/上");
  RunOk({"set", catalog, "1", "--title", "題名", "--rating", "5", "--author", "著者",
         "--editor", "E", "--supervisor", "S", "--translator", "T", "--publisher", "出版",
         "--note", "line one\nline two"});
  std::filesystem::create_directory(Path("out"));
  CliResult r = RunOk({"export", catalog, Path("out"), "--all"});
  EXPECT_EQ(Lines(r.out), (Strings{"0\t" + Path("out/a.pdf"), "1\t" + Path("out/b.pdf")}));
  EXPECT_EQ(ReadFile("out/b.pdf"), ReadFile("src/b.pdf"));
  EXPECT_TRUE(Exists("out/b.vdb"));

  // The last-use dates were saved.
  QJsonObject exported = Show(catalog, "1");
  EXPECT_EQ(exported["en_last_use_date"].toString().size(), 17);

  const std::string other = Path("other.vdc");
  RunOk({"new", other});
  WritePdf("first.pdf", "takes id 0");
  RunOk({"import", other, Path("first.pdf"), Path("out/b.pdf")});
  QJsonObject restored = Show(other, "1");
  EXPECT_EQ(restored["en_id"].toInt(), 1);
  EXPECT_EQ(exported["en_id"].toInt(), 1);
  restored.remove("en_id");
  exported.remove("en_id");
  restored.remove("attachment_ordinal");
  exported.remove("attachment_ordinal");
  EXPECT_EQ(restored, exported);
  EXPECT_NE(RunOk({"categories", other}).out.find("技術\t本\t上"), std::string::npos);
}

TEST_F(CliExportTest, ACategoryOptionUnusedByCompanionsAddsNoCategory) {
  const std::string catalog = MakeCatalog({"a.pdf"}, "A/B/C");
  std::filesystem::create_directory(Path("out"));
  RunOk({"export", catalog, Path("out"), "--all"});
  const std::string other = Path("other.vdc");
  RunOk({"new", other});
  RunOk({"import", other, Path("out"), "--category", "Q/R/S"});
  EXPECT_EQ(Lines(RunOk({"categories", other}).out),
            (Strings{"labels\t分類１\t分類２\t分類３", "0\tその他\tその他\tその他",
                     "1\tA\tB\tC"}));
}

TEST_F(CliExportTest, ChosenIdsAreExportedInOrderWithNumberedNames) {
  const std::string catalog = MakeCatalog({"a.pdf"});
  std::filesystem::create_directory(Path("out"));
  CliResult r = RunOk({"export", catalog, Path("out") + "/", "--id", "0", "0"});
  EXPECT_EQ(Lines(r.out), (Strings{"0\t" + Path("out/a.pdf"), "0\t" + Path("out/a-1.pdf")}));
  EXPECT_TRUE(Exists("out/a-1.vdb"));
}

TEST_F(CliExportTest, MistakesAreCaughtBeforeAnythingIsWritten) {
  const std::string catalog = MakeCatalog({"a.pdf"});
  const std::string before = ReadFile("cat.vdc");
  std::filesystem::create_directory(Path("out"));
  EXPECT_EQ(Run({"export", catalog, Path("out")}).code, 2);
  EXPECT_EQ(Run({"export", catalog, Path("out"), "--all", "--id", "0"}).code, 2);
  EXPECT_EQ(Run({"export", catalog, Path("out"), "--id", "x"}).code, 2);
  EXPECT_EQ(Run({"export", catalog, Path("nowhere"), "--all"}).code, 1);
  EXPECT_EQ(Run({"export", catalog, Path("out"), "--id", "0", "9"}).code, 1);
  EXPECT_TRUE(std::filesystem::is_empty(Path("out")));
  EXPECT_EQ(ReadFile("cat.vdc"), before);
}

TEST_F(CliExportTest, AnEntryWithoutBytesIsReportedAndTheOthersGoOut) {
  const std::string catalog = MakeCatalog({"a.pdf"});
  WriteFile("empty.pdf", "");
  Run({"import", catalog, Path("empty.pdf")});
  std::filesystem::create_directory(Path("out"));
  CliResult r = Run({"export", catalog, Path("out"), "--all"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "0\t" + Path("out/a.pdf") + "\n");
  EXPECT_NE(r.err.find("entry 1: the entry has no stored PDF bytes"), std::string::npos);
  EXPECT_FALSE(Exists("out/empty.pdf"));
}

// A name already in the folder, a file or a symbolic link (live or dangling), is never
// written through or replaced: the export takes the next number free for both names, and
// nothing outside the folder changes.
TEST_F(CliExportTest, NamesAlreadyThereAndTheirLinksAreLeftAlone) {
  struct Row {
    const char* planted;  // in out/
    const char* link_to;  // "": a regular file holding "mine"
    const char* victim;   // the link's target beside out/, "" for none
    bool victim_exists;
  };
  const Row rows[] = {
      {"x.vdb", "", "", false},
      {"x.vdb", "../elsewhere", "elsewhere", true},
      {"x.pdf", "../elsewhere", "elsewhere", true},
      {"x.pdf", "../OUTSIDE.pdf", "OUTSIDE.pdf", false},
  };
  const std::string catalog = MakeCatalog({"x.pdf"});
  const std::string pdf = ReadFile("src/x.pdf");
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.planted) + " -> " + row.link_to);
    std::filesystem::remove_all(Path("out"));
    std::filesystem::remove(Path("elsewhere"));
    std::filesystem::remove(Path("OUTSIDE.pdf"));
    std::filesystem::create_directory(Path("out"));
    const std::string planted = Path("out/") + row.planted;
    if (row.link_to[0] == '\0') {
      WriteFile(std::string("out/") + row.planted, "mine");
    } else {
      std::filesystem::create_symlink(row.link_to, planted);
    }
    if (row.victim_exists) WriteFile(row.victim, "keep");

    CliResult r = RunOk({"export", catalog, Path("out"), "--all"});
    EXPECT_EQ(r.out, "0\t" + Path("out/x-1.pdf") + "\n");
    EXPECT_EQ(ReadFile("out/x-1.pdf"), pdf);
    EXPECT_TRUE(Exists("out/x-1.vdb"));
    if (row.link_to[0] == '\0') {
      EXPECT_EQ(ReadFile(std::string("out/") + row.planted), "mine");
    } else {
      EXPECT_EQ(std::filesystem::read_symlink(planted), row.link_to);
    }
    if (row.victim_exists) {
      EXPECT_EQ(ReadFile(row.victim), "keep");
    } else if (row.victim[0] != '\0') {
      EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(Path(row.victim))));
    }
    size_t items = 0;
    for (const auto& item : std::filesystem::directory_iterator(Path("out"))) {
      static_cast<void>(item);
      ++items;
    }
    EXPECT_EQ(items, 3u);  // the planted name, x-1.pdf, x-1.vdb: no temporary file stays
  }
}

class CliDeleteTest : public CliTest {};

TEST_F(CliDeleteTest, EntriesGoAndUnknownIdsChangeNothing) {
  const std::string catalog = MakeCatalog({"a.pdf", "b.pdf", "c.pdf"});
  const std::string before = ReadFile("cat.vdc");
  CliResult r = Run({"delete", catalog, "--id", "0", "5"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("no entry with id 5"), std::string::npos);
  EXPECT_EQ(ReadFile("cat.vdc"), before);
  EXPECT_EQ(Run({"delete", catalog}).code, 2);
  RunOk({"delete", catalog, "--id", "0", "2"});
  Strings lines = Lines(RunOk({"list", catalog}).out);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(0, 6), "b.pdf\t");
  EXPECT_GE(ReadFile("cat.vdc").size(), before.size());
  RunOk({"check", catalog});
}

class CliCompactTest : public CliTest {};

TEST_F(CliCompactTest, TheCopyPassesCheckAndHoldsEachEntrysExactBytes) {
  const std::string catalog = MakeCatalog({"a.pdf", "b.pdf", "c.pdf"});
  RunOk({"delete", catalog, "--id", "1"});
  const std::string copy = Path("copy.vdc");
  RunOk({"compact", catalog, copy});
  RunOk({"check", copy});
  EXPECT_LT(ReadFile("copy.vdc").size(), ReadFile("cat.vdc").size());
  EXPECT_EQ(RunOk({"list", copy, "--json"}).out.find("\"attachment_ordinal\": 2"),
            std::string::npos);
  std::filesystem::create_directory(Path("out"));
  RunOk({"export", copy, Path("out"), "--all"});
  EXPECT_EQ(ReadFile("out/a.pdf"), ReadFile("src/a.pdf"));
  EXPECT_EQ(ReadFile("out/c.pdf"), ReadFile("src/c.pdf"));
  EXPECT_FALSE(Exists("out/b.pdf"));
}

TEST_F(CliCompactTest, TheCatalogItselfIsRefusedUnderAnySpelling) {
  const std::string catalog = MakeCatalog({"a.pdf"});
  const std::string before = ReadFile("cat.vdc");
  std::filesystem::create_directory(Path("sub"));
  std::filesystem::create_symlink(catalog, Path("link.vdc"));
  for (const std::string& same :
       {catalog, Path("./cat.vdc"), Path("sub/../cat.vdc"), Path("link.vdc")}) {
    CliResult r = Run({"compact", catalog, same});
    EXPECT_EQ(r.code, 1) << same;
    EXPECT_NE(r.err.find("the catalog itself"), std::string::npos) << same;
  }
  EXPECT_EQ(ReadFile("cat.vdc"), before);
  RunOk({"check", catalog});
}

TEST_F(CliCompactTest, AnExistingTargetIsReplacedWhole) {
  const std::string catalog = MakeCatalog({"a.pdf"});
  WriteFile("copy.vdc", "old contents");
  RunOk({"compact", catalog, Path("copy.vdc")});
  RunOk({"check", Path("copy.vdc")});
  for (const auto& item : std::filesystem::directory_iterator(dir_)) {
    EXPECT_EQ(item.path().filename().string().find(".part"), std::string::npos);
  }
}

}  // namespace
}  // namespace veldra::cli::testing
