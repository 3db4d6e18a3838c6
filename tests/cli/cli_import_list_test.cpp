// new, import, list and show, end to end.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>

#include "storage/catalog_document.h"
#include "tests/cli/cli_fixture.h"

namespace veldra::cli::testing {
namespace {

using Strings = std::vector<std::string>;

QJsonArray JsonArray(const std::string& text) {
  QJsonParseError error;
  QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
  return doc.array();
}

QJsonObject JsonObject(const std::string& text) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

class CliNewTest : public CliTest {};

TEST_F(CliNewTest, ACatalogIsMadeOnceAndNeverOverwritten) {
  const std::string catalog = Path("cat.vdc");
  RunOk({"new", catalog});
  const std::string bytes = ReadFile("cat.vdc");
  CliResult again = Run({"new", catalog});
  EXPECT_EQ(again.code, 1);
  EXPECT_NE(again.err.find("exists"), std::string::npos);
  EXPECT_EQ(ReadFile("cat.vdc"), bytes);
  EXPECT_EQ(RunOk({"check", catalog}).err, "");
}

TEST_F(CliNewTest, EveryOtherCommandNeedsAnExistingCatalog) {
  const std::string missing = Path("missing.vdc");
  WritePdf("a.pdf", "a");
  for (const Strings& words :
       {Strings{"import", missing, Path("a.pdf")}, Strings{"list", missing},
        Strings{"show", missing, "0"}, Strings{"export", missing, dir_, "--all"},
        Strings{"delete", missing, "--id", "0"}, Strings{"compact", missing, Path("c.vdc")},
        Strings{"categories", missing}, Strings{"label", missing, "1", "x"},
        Strings{"category-add", missing, "1", "x"}, Strings{"category-delete", missing, "1", "x"},
        Strings{"recategorize", missing, "--id", "0"}, Strings{"set", missing, "0"},
        Strings{"check", missing}, Strings{"dump", missing}}) {
    CliResult r = Run(words);
    EXPECT_EQ(r.code, 1) << words[0];
    EXPECT_NE(r.err.find("no catalog at"), std::string::npos) << words[0] << r.err;
  }
  EXPECT_FALSE(Exists("missing.vdc"));
}

TEST_F(CliNewTest, AFileThatIsNoCatalogIsRefused) {
  WriteFile("text.vdc", "hello");
  CliResult r = Run({"list", Path("text.vdc")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("is not a catalog"), std::string::npos);
  EXPECT_EQ(Run({"label", Path("text.vdc"), "1", "x"}).code, 1);
  EXPECT_EQ(ReadFile("text.vdc"), "hello");
}

class CliImportTest : public CliTest {};

TEST_F(CliImportTest, FoldersAreSearchedLikeTheBatchImport) {
  const std::string catalog = MakeCatalog({});
  WritePdf("in/a.pdf", "a");
  WritePdf("in/sub/b.pdf", "b");
  WritePdf("in/.hidden/c.pdf", "c");
  WritePdf("in/d.PDF", "d");
  WritePdf("in/e.pdf.bak", "e");
  WritePdf("single.pdf", "s");
  CliResult r = RunOk({"import", catalog, Path("in"), Path("single.pdf")});
  EXPECT_EQ(Lines(r.out), (Strings{"0\t" + Path("in/a.pdf"), "1\t" + Path("in/sub/b.pdf"),
                                    "2\t" + Path("single.pdf")}));
  QJsonArray entries = JsonArray(RunOk({"list", catalog, "--json"}).out);
  ASSERT_EQ(entries.size(), 3);
  EXPECT_EQ(entries[0].toObject()["en_file_path"].toString().toStdString(), Path("in/a.pdf"));
  EXPECT_EQ(entries[0].toObject()["en_c1_name"].toString().toStdString(), "その他");
}

// A pipe named like a PDF would hold the command for ever if it were opened for reading.
TEST_F(CliImportTest, APipeNamedLikeAPdfIsSkippedWithoutWaiting) {
  const std::string catalog = MakeCatalog({});
  WritePdf("in/a.pdf", "a");
  ASSERT_EQ(::mkfifo(Path("in/b.pdf").c_str(), 0600), 0);
  CliResult r = Run({"import", catalog, Path("in")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "0\t" + Path("in/a.pdf") + "\n");
  EXPECT_NE(r.err.find(Path("in/b.pdf") + ": not a regular file (a pipe or a device); skipped"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(RunOk({"check", catalog}).err, "");
}

TEST_F(CliImportTest, RelativePathsAreStoredInFull) {
  const std::string catalog = MakeCatalog({});
  WritePdf("rel.pdf", "r");
  std::filesystem::path old = std::filesystem::current_path();
  std::filesystem::current_path(dir_);
  CliResult r = Run({"import", "cat.vdc", "./rel.pdf"});
  std::filesystem::current_path(old);
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "0\t" + Path("rel.pdf") + "\n");
}

TEST_F(CliImportTest, TheCategoryOptionMapsAllToOtherAndAddsTheTriple) {
  const std::string catalog = MakeCatalog({"a.pdf"}, "技術/＜すべて＞/本");
  QJsonObject entry = JsonObject(RunOk({"show", catalog, "0", "--json"}).out);
  EXPECT_EQ(entry["en_c1_name"].toString().toStdString(), "技術");
  EXPECT_EQ(entry["en_c2_name"].toString().toStdString(), "その他");
  EXPECT_EQ(entry["en_c3_name"].toString().toStdString(), "本");
  EXPECT_EQ(Lines(RunOk({"categories", catalog}).out),
            (Strings{"labels\t分類１\t分類２\t分類３", "0\tその他\tその他\tその他",
                     "1\t技術\tその他\t本"}));
}

TEST_F(CliImportTest, BadInputChangesNothing) {
  const std::string catalog = MakeCatalog({"a.pdf"});
  const std::string before = ReadFile("cat.vdc");
  WritePdf("b.pdf", "b");
  EXPECT_EQ(Run({"import", catalog, Path("b.pdf"), "--category", "a/b"}).code, 2);
  CliResult r = Run({"import", catalog, Path("b.pdf"), "--category", "caf\xc3\xa9/b/c"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("CP932"), std::string::npos);
  r = Run({"import", catalog, Path("b.pdf"), Path("nothing.pdf")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("no file or folder at"), std::string::npos);
  EXPECT_EQ(Run({"import", catalog, Path("b.pdf"), "--category",
                 std::string(127, 'x') + "/b/c"}).code,
            1);
  EXPECT_EQ(ReadFile("cat.vdc"), before);
}

TEST_F(CliImportTest, ANameBelowAFolderThatCp932CannotHoldIsSkippedAndNamed) {
  const std::string catalog = MakeCatalog({"a.pdf"});
  WritePdf("in/ok.pdf", "o");
  WritePdf("in/caf\xc3\xa9.pdf", "c");  // "café.pdf"
  WritePdf("in/sub/\xc3\xa8.pdf", "e");   // "è.pdf"
  WritePdf("in/\xc3\xa9t\xc3\xa9/x.pdf", "x");  // "été/x.pdf": a folder that cannot be searched
  CliResult r = Run({"import", catalog, Path("in")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "1\t" + Path("in/ok.pdf") + "\n");
  // Every such name is given, depth first.
  EXPECT_LT(r.err.find(Path("in/caf?.pdf")), r.err.find(Path("in/sub/?.pdf"))) << r.err;
  EXPECT_NE(r.err.find(Path("in/?t?") + " holds a character that CP932 cannot represent "
                                          "(shown as ?); skipped"),
            std::string::npos)
      << r.err;

  // Names that do not end in ".pdf" and hidden folders are not looked at.
  std::filesystem::remove_all(Path("in"));
  WritePdf("in/ok.pdf", "o");
  WriteFile("in/caf\xc3\xa9.txt", "t");
  WritePdf("in/.\xc3\xa9/y.pdf", "y");
  r = Run({"import", catalog, Path("in")});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "2\t" + Path("in/ok.pdf") + "\n");
}

TEST_F(CliImportTest, AnEmptyPdfIsAnEntryWithoutBytesAndIsReported) {
  const std::string catalog = MakeCatalog({});
  WriteFile("empty.pdf", "");
  CliResult r = Run({"import", catalog, Path("empty.pdf")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "0\t" + Path("empty.pdf") + "\n");
  EXPECT_NE(r.err.find("has no attachment"), std::string::npos);
  QJsonObject entry = JsonObject(RunOk({"show", catalog, "0", "--json"}).out);
  EXPECT_EQ(entry["attachment_ordinal"].toInt(), -1);
  EXPECT_EQ(entry["en_file_size"].toInt(), 0);
}

class CliListTest : public CliTest {};

TEST_F(CliListTest, EntriesComeInTheStoredSortOrderWithNewestFirstOnTies) {
  const std::string catalog = MakeCatalog({"b.pdf", "a.pdf", "c.pdf"});
  RunOk({"set", catalog, "2", "--title", "a.pdf"});
  Strings titles;
  for (const std::string& line : Lines(RunOk({"list", catalog}).out)) {
    titles.push_back(line.substr(0, line.find('\t')) + "#" +
                     line.substr(line.find('\t') + 1, 5));
  }
  EXPECT_EQ(titles, (Strings{"a.pdf#c.pdf", "a.pdf#a.pdf", "b.pdf#b.pdf"}));
}

TEST_F(CliListTest, AStoredSortStateIsFollowed) {
  const std::string catalog = MakeCatalog({});
  WritePdf("small.pdf", "s", 1000);
  WritePdf("large.pdf", "l", 5000);
  WritePdf("middle.pdf", "m", 3000);
  RunOk({"import", catalog, Path("small.pdf"), Path("large.pdf"), Path("middle.pdf")});
  {
    CVeldraDocument document;
    document.Load(catalog);
    document.sort_levels() = {SortLevel{7, 0}, SortLevel{0, 0}, SortLevel{0, 0}};
    ASSERT_EQ(document.Save(), 0);
  }
  Strings files;
  for (const std::string& line : Lines(RunOk({"list", catalog}).out)) {
    files.push_back(line.substr(0, line.find('\t')));
  }
  EXPECT_EQ(files, (Strings{"large.pdf", "middle.pdf", "small.pdf"}));
}

TEST_F(CliListTest, TheFourteenCellsAreTabSeparatedAndEscaped) {
  const std::string catalog = MakeCatalog({"a.pdf"}, "x/y/z");
  RunOk({"set", catalog, "0", "--rating", "3", "--author", "著者", "--note", "one\ttwo\nthree",
         "--title", "題名", "--editor", "編者", "--supervisor", "監修", "--translator", "訳者",
         "--publisher", "版元"});
  Strings lines = Lines(RunOk({"list", catalog}).out);
  ASSERT_EQ(lines.size(), 1u);
  Strings cells;
  std::string line = lines[0] + "\t";
  for (size_t start = 0, tab; (tab = line.find('\t', start)) != std::string::npos;
       start = tab + 1) {
    cells.push_back(line.substr(start, tab - start));
  }
  ASSERT_EQ(cells.size(), 14u);
  EXPECT_EQ(cells[6].size(), 16u);  // YYYY/MM/DD HH:MM, the time of the change
  cells[6] = "updated";
  // Every column shows its own field.
  EXPECT_EQ(cells, (Strings{"題名", "a.pdf", "x", "y", "z", "0.6 KB", "updated", "☆☆☆", "著者",
                            "編者", "監修", "訳者", "版元", "one\\ttwo\\nthree"}));
}

TEST_F(CliListTest, FiltersKeepOnlyMatchingLevels) {
  const std::string catalog = MakeCatalog({"a.pdf", "b.pdf"}, "A/x/p");
  WritePdf("c.pdf", "c");
  RunOk({"import", catalog, Path("c.pdf"), "--category", "B/x/q"});
  EXPECT_EQ(Lines(RunOk({"list", catalog, "--c1", "A"}).out).size(), 2u);
  EXPECT_EQ(Lines(RunOk({"list", catalog, "--c2", "x", "--c3", "q"}).out).size(), 1u);
  EXPECT_EQ(Lines(RunOk({"list", catalog, "--c1", "＜すべて＞"}).out).size(), 3u);
  EXPECT_EQ(RunOk({"list", catalog, "--c1", "none"}).out, "");
  EXPECT_EQ(RunOk({"list", catalog, "--c1", "none", "--json"}).out, "[\n]\n");
}

TEST_F(CliListTest, JsonHasEveryKeyWithItsType) {
  const std::string catalog = MakeCatalog({"a.pdf"});
  QJsonArray entries = JsonArray(RunOk({"list", catalog, "--json"}).out);
  ASSERT_EQ(entries.size(), 1);
  QJsonObject e = entries[0].toObject();
  EXPECT_EQ(e.size(), 38);  // 37 text-record keys and attachment_ordinal
  for (const char* key : {"en_id", "en_my_rate", "en_co_id", "en_window_z_index",
                          "en_detail_toggle", "en_file_size", "en_is_select_entrylist",
                          "en_entry_window_ordered_index", "attachment_ordinal"}) {
    EXPECT_TRUE(e[key].isDouble()) << key;
  }
  for (const char* key : {"en_window_position", "en_pdf_window_position"}) {
    ASSERT_TRUE(e[key].isArray()) << key;
    EXPECT_EQ(e[key].toArray().size(), 4);
  }
  EXPECT_EQ(e["en_create_date"].toString().size(), 17);
  EXPECT_EQ(e["en_last_use_date"].toString(), "");
  EXPECT_EQ(e["en_title"].toString(), "a.pdf");
  EXPECT_EQ(e["attachment_ordinal"].toInt(), 0);
  EXPECT_FALSE(e.contains("vdc_version"));
}

class CliShowTest : public CliTest {};

TEST_F(CliShowTest, OneLinePerFieldAndUnknownIdsFail) {
  const std::string catalog = MakeCatalog({"a.pdf"});
  Strings lines = Lines(RunOk({"show", catalog, "0"}).out);
  ASSERT_EQ(lines.size(), 38u);
  EXPECT_EQ(lines.front(), "en_id\t0");
  EXPECT_EQ(lines[1], "en_file_name\ta.pdf");
  EXPECT_EQ(lines.back(), "attachment_ordinal\t0");
  CliResult r = Run({"show", catalog, "7"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("no entry with id 7"), std::string::npos);
  EXPECT_EQ(Run({"show", catalog, "seven"}).code, 2);
}

TEST_F(CliShowTest, ADateFromAForeignCompanionIsPrintedAsUtf8) {
  // A companion file written elsewhere may hold any text as a date; the catalog keeps its
  // CP932 bytes, and the output must still be UTF-8.
  const std::string catalog = MakeCatalog({});
  WritePdf("in/a.pdf", "a");
  WriteFile("in/a.vdb", "\n[vdc_version] 0090\n[en_id] 5\n[en_file_name] a.pdf\n[en_title] T\n"
                        "[en_file_create_date] \xe6\x97\xa5\xe4\xbb\x98\n"  // "日付"
                        "[en_c1_name] x\n[en_c2_name] y\n[en_c3_name] z\n");
  RunOk({"import", catalog, Path("in/a.pdf")});
  Strings lines = Lines(RunOk({"show", catalog, "0"}).out);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[3], "en_file_create_date\t\xe6\x97\xa5\xe4\xbb\x98");
  QJsonObject entry = JsonObject(RunOk({"show", catalog, "0", "--json"}).out);
  EXPECT_EQ(entry["en_file_create_date"].toString().toStdString(), "\xe6\x97\xa5\xe4\xbb\x98");
}

}  // namespace
}  // namespace veldra::cli::testing
