#include "cli/arguments.h"

#include <gtest/gtest.h>

namespace veldra::cli {
namespace {

using Words = std::vector<std::string>;

constexpr OptionSpec kSpecs[] = {{"--json", OptionKind::kFlag},
                                 {"--c1", OptionKind::kValue},
                                 {"--id", OptionKind::kList}};

ParsedArgs Parse(const Words& words) {
  ParsedArgs parsed;
  std::string error;
  EXPECT_TRUE(ParseArguments(words, kSpecs, &parsed, &error)) << error;
  return parsed;
}

std::string ParseError(const Words& words) {
  ParsedArgs parsed;
  std::string error;
  EXPECT_FALSE(ParseArguments(words, kSpecs, &parsed, &error));
  return error;
}

TEST(ArgumentsTest, PositionalsFlagsValuesAndListsMix) {
  ParsedArgs p = Parse({"cat.vdc", "--id", "3", "4", "--json", "dir", "--c1", "--weird", "x"});
  EXPECT_EQ(p.positionals, (Words{"cat.vdc", "dir", "x"}));
  EXPECT_TRUE(p.Flag("--json"));
  EXPECT_EQ(p.List("--id"), (Words{"3", "4"}));
  // A value option takes the next word whatever it looks like.
  EXPECT_EQ(p.Value("--c1"), "--weird");
  EXPECT_FALSE(p.Has("--nothing"));
  EXPECT_EQ(p.Value("--nothing"), "");
}

TEST(ArgumentsTest, EqualsFormAndRepeatedLists) {
  ParsedArgs p = Parse({"--c1=A=B", "--id=1", "2", "--id", "5"});
  EXPECT_EQ(p.Value("--c1"), "A=B");
  EXPECT_EQ(p.List("--id"), (Words{"1", "2", "5"}));
  EXPECT_EQ(Parse({"--c1="}).Value("--c1"), "");
}

TEST(ArgumentsTest, DoubleDashEndsOptions) {
  ParsedArgs p = Parse({"--id", "1", "--", "--json", "-x"});
  EXPECT_EQ(p.List("--id"), (Words{"1"}));
  EXPECT_EQ(p.positionals, (Words{"--json", "-x"}));
  EXPECT_FALSE(p.Flag("--json"));
  // Single-dash words and a lone "-" are positional.
  EXPECT_EQ(Parse({"-", "-3"}).positionals, (Words{"-", "-3"}));
}

TEST(ArgumentsTest, MistakesAreNamed) {
  EXPECT_EQ(ParseError({"--bogus"}), "unknown option --bogus");
  EXPECT_EQ(ParseError({"--c1"}), "option --c1 needs a value");
  EXPECT_EQ(ParseError({"--c1", "a", "--c1", "b"}), "option --c1 given twice");
  EXPECT_EQ(ParseError({"--id", "--json"}), "option --id needs at least one value");
  EXPECT_EQ(ParseError({"--json=1"}), "option --json takes no value");
}

TEST(ArgumentsTest, Int32ParsingIsWholeAndBounded) {
  int v = 0;
  EXPECT_TRUE(ParseInt32("42", &v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(ParseInt32("-2147483648", &v));
  EXPECT_EQ(v, -2147483648);
  for (const char* bad : {"", "2147483648", "4x", " 4", "+4", "0x10", "1.0"}) {
    EXPECT_FALSE(ParseInt32(bad, &v)) << bad;
  }
}

}  // namespace
}  // namespace veldra::cli
