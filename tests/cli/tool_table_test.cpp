#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "cli/cli_text.h"
#include "cli/tool.h"

namespace veldra::cli {
namespace {

struct Result {
  int code;
  std::string out;
  std::string err;
};

Result RunTool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  int code = RunCli(args, out, err);
  return {code, out.str(), err.str()};
}

TEST(ToolTableTest, EveryCommandOfTheToolIsInTheTable) {
  std::set<std::string> names;
  for (const Tool& tool : Tools()) names.insert(tool.name);
  EXPECT_EQ(names, (std::set<std::string>{"new", "import", "list", "show", "export", "delete",
                                          "compact", "categories", "label", "category-add",
                                          "category-delete", "recategorize", "set", "check",
                                          "dump", "salvage", "index", "search"}));
  for (const Tool& tool : Tools()) {
    EXPECT_EQ(FindTool(tool.name), &tool);
    EXPECT_NE(tool.run, nullptr);
  }
  EXPECT_EQ(FindTool("List"), nullptr);
}

TEST(ToolTableTest, ExactlyTheWritingCommandsTakeWait) {
  std::set<std::string> writers;
  for (const Tool& tool : Tools()) {
    bool takes_wait = false;
    for (const OptionSpec& option : tool.options) {
      takes_wait = takes_wait || std::string(option.name) == "--wait";
    }
    EXPECT_EQ(takes_wait, tool.writes != Writes::kNothing) << tool.name;
    if (tool.writes != Writes::kNothing) writers.insert(tool.name);
  }
  EXPECT_EQ(writers, (std::set<std::string>{"new", "import", "export", "delete", "compact",
                                            "label", "category-add", "category-delete",
                                            "recategorize", "set", "salvage"}));
  EXPECT_EQ(FindTool("compact")->writes, Writes::kNewPath);
  EXPECT_EQ(FindTool("salvage")->writes, Writes::kNewPath);
}

TEST(ToolTableTest, HelpListsEveryCommandAndExitsZero) {
  Result r = RunTool({"--help"});
  EXPECT_EQ(r.code, kExitOk);
  for (const Tool& tool : Tools()) EXPECT_NE(r.out.find(tool.name), std::string::npos);
  EXPECT_NE(r.out.find("exit codes"), std::string::npos);
}

TEST(ToolTableTest, EachCommandHasItsOwnHelp) {
  Result r = RunTool({"export", "--help"});
  EXPECT_EQ(r.code, kExitOk);
  EXPECT_NE(r.out.find("usage: veldra-cli export CATALOG DIR (--all | --id N...)"),
            std::string::npos);
  EXPECT_EQ(RunTool({"help", "set"}).out, RunTool({"set", "--help"}).out);
}

TEST(ToolTableTest, NoCommandIsAUsageError) {
  Result r = RunTool({});
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_NE(r.err.find("usage:"), std::string::npos);
}

TEST(ToolTableTest, AnUnknownCommandGetsASuggestion) {
  Result r = RunTool({"imprt", "x.vdc"});
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_NE(r.err.find("unknown command 'imprt', did you mean 'import'?"), std::string::npos);
  EXPECT_EQ(SuggestTool("lst"), "list");
  EXPECT_EQ(SuggestTool("category-ad"), "category-add");
  EXPECT_EQ(SuggestTool("cat"), "categories");
  EXPECT_EQ(SuggestTool("frobnicate"), "");
  EXPECT_EQ(SuggestTool("x"), "");
}

TEST(ToolTableTest, WrongArgumentCountsAndOptionsAreUsageErrors) {
  EXPECT_EQ(RunTool({"new"}).code, kExitUsage);
  EXPECT_EQ(RunTool({"new", "a.vdc", "b.vdc"}).code, kExitUsage);
  EXPECT_EQ(RunTool({"import", "a.vdc"}).code, kExitUsage);
  Result r = RunTool({"list", "a.vdc", "--bogus"});
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_NE(r.err.find("veldra-cli list: unknown option --bogus"), std::string::npos);
  EXPECT_NE(r.err.find("usage: veldra-cli list CATALOG"), std::string::npos);
  // Options of another command are not accepted.
  EXPECT_EQ(RunTool({"show", "a.vdc", "1", "--all"}).code, kExitUsage);
}

TEST(CliTextTest, CellsEscapeTheirSeparators) {
  EXPECT_EQ(EscapeCell("a\tb\nc\rd\\e"), "a\\tb\\nc\\rd\\\\e");
  EXPECT_EQ(EscapeCell("日本"), "日本");
}

TEST(CliTextTest, ArgumentsCp932CannotHoldAreRefused) {
  std::ostringstream out, err;
  ToolIo io{out, err};
  std::string converted;
  EXPECT_TRUE(ArgToCp932(io, "name", "技術", &converted));
  EXPECT_EQ(converted, "\x8b\x5a\x8f\x70");
  EXPECT_FALSE(ArgToCp932(io, "name", "caf\xc3\xa9", &converted));  // é
  EXPECT_FALSE(ArgToCp932(io, "name", "\xf0\x9f\x98\x80", &converted));
  EXPECT_FALSE(ArgToCp932(io, "name", "\xff", &converted));  // not UTF-8
  EXPECT_NE(err.str().find("CP932"), std::string::npos);
}

// True when text is well-formed UTF-8 (checked by hand: lead byte, continuation bytes).
bool IsUtf8(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    size_t n = c < 0x80 ? 1 : (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3
             : (c >= 0xF0 && c <= 0xF4) ? 4 : 0;
    if (n == 0 || i + n > text.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

TEST(CliTextTest, ComplaintsAboutBytesThatAreNotUtf8AreUtf8Themselves) {
  for (const std::vector<std::string>& words :
       {std::vector<std::string>{"list", "\xff\xfe.vdc"}, {"new", "caf\xe9.vdc"},
        {"list", "a.vdc", "\x82\xa0"}, {"show", "a.vdc", "\xff"}, {"list", "--c\xff"},
        {"\xffnew"}}) {
    Result r = RunTool(words);
    EXPECT_NE(r.code, 0);
    EXPECT_FALSE(r.err.empty());
    EXPECT_TRUE(IsUtf8(r.err)) << r.err;
  }
}

TEST(CliTextTest, NamesMustBeKeptWhole) {
  std::ostringstream out, err;
  ToolIo io{out, err};
  std::string converted;
  EXPECT_TRUE(ArgToName(io, "name", std::string(126, 'a'), &converted));
  EXPECT_FALSE(ArgToName(io, "name", std::string(127, 'a'), &converted));
  std::string wide;
  for (int i = 0; i < 64; ++i) wide += "漢";  // 128 bytes in CP932
  EXPECT_FALSE(ArgToName(io, "name", wide, &converted));
}

}  // namespace
}  // namespace veldra::cli
