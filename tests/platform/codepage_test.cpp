#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace veldra::platform {
namespace {

std::string Cp932Of(const char* utf8) {
  std::string out;
  EXPECT_TRUE(Utf8ToCp932(utf8, &out)) << utf8;
  return out;
}

// The characters Windows' CP932 maps differently from plain Shift-JIS tables.
TEST(CodepageWindowsMappings, CharactersMapAsWindowsMapsThem) {
  EXPECT_EQ(Cp932Of("\u00A5"), "\x5C");      // YEN SIGN
  EXPECT_EQ(Cp932Of("\u301C"), "\x81\x60");  // WAVE DASH
  EXPECT_EQ(Cp932Of("\u2212"), "\x81\x7C");  // MINUS SIGN
  EXPECT_EQ(Cp932Of("\u2016"), "\x81\x61");  // DOUBLE VERTICAL LINE
  EXPECT_EQ(Cp932Of("\uFF5E"), "\x81\x60");  // FULLWIDTH TILDE, the round-trip form
  EXPECT_EQ(Cp932Of("\u2606"), "\x81\x99");  // WHITE STAR
  EXPECT_EQ(Cp932Of("\uFF11"), "\x82\x50");  // FULLWIDTH DIGIT ONE
}

TEST(CodepageWindowsMappings, Cp932DecodesToTheWindowsCharacters) {
  EXPECT_EQ(Cp932ToUtf16("\x81\x60"), u"\uFF5E");
  EXPECT_EQ(Cp932ToUtf16("\x81\x7C"), u"\uFF0D");
  EXPECT_EQ(Cp932ToUtf16("\x81\x61"), u"\u2225");
  EXPECT_EQ(Cp932ToUtf16("\x5C\x7E"), u"\\~");
  EXPECT_EQ(Cp932ToUtf16("\x87\x40"), u"\u2460");  // NEC special: CIRCLED DIGIT ONE
  EXPECT_EQ(Cp932ToUtf16("\xB1"), u"\uFF71");      // half-width katakana
}

// ASCII is the same byte in CP932 and the same character in UTF-16 and UTF-8, both ways,
// except the three control characters the converter's table exchanges (0x1A, 0x1C, 0x7F).
// A text converts as its characters one by one would, however much of it is plain ASCII.
TEST(CodepageWindowsMappings, AsciiIsTheSameEveryWayButThreeControls) {
  std::string all, all_one_by_one, back_one_by_one;
  std::u16string all16;
  for (int c = 1; c < 0x80; ++c) {
    const std::string one(1, static_cast<char>(c));
    const std::u16string one16(1, static_cast<char16_t>(c));
    if (c != 0x1A && c != 0x1C && c != 0x7F) {
      EXPECT_EQ(Cp932ToUtf16(one), one16) << c;
      EXPECT_EQ(Utf16ToCp932(one16), one) << c;
      EXPECT_EQ(Cp932ToUtf8(one), one) << c;
    }
    EXPECT_EQ(Utf16ToCp932(Cp932ToUtf16(one)), one) << c;
    all += one;
    all16 += one16;
    all_one_by_one += Cp932ToUtf8(one);
    back_one_by_one += Utf16ToCp932(one16);
  }
  EXPECT_EQ(Cp932ToUtf8(all), all_one_by_one);
  EXPECT_EQ(Utf16ToCp932(all16), back_one_by_one);
  EXPECT_EQ(Cp932ToUtf8("plain text"), "plain text");
  // One character outside ASCII anywhere takes the whole text through the converter.
  EXPECT_EQ(Cp932ToUtf8("a~\\\x82\xA0"), "a~\\\u3042");
  EXPECT_EQ(Cp932ToUtf8("\x82\xA0z"), "\u3042z");
  EXPECT_EQ(Utf16ToCp932(u"a\u00A5"), "a\x5C");
  EXPECT_EQ(Cp932ToUtf8("a\x80"), "a\uFFFD");
}

TEST(CodepageUnmappable, CharactersWithoutAFormBecomeAQuestionMark) {
  EXPECT_EQ(Cp932Of("caf\u00E9"), "caf?");
  EXPECT_EQ(Cp932Of("\u00AB\u00A2"), "??");
  EXPECT_EQ(Cp932Of("\U0001F600"), "?") << "one mark for a whole surrogate pair";
  // ICU drops default-ignorable characters silently; here they are marked like the rest.
  EXPECT_EQ(Cp932Of("a\u00ADb"), "a?b");
  EXPECT_EQ(Cp932Of("a\u200Bb"), "a?b");
  EXPECT_EQ(Utf16ToCp932(u"x\xD800y"), "x?y") << "a lone surrogate";
}

TEST(CodepageUnmappable, InvalidCp932BytesBecomeReplacementCharacters) {
  EXPECT_EQ(Cp932ToUtf16("a\x81"), u"a\uFFFD") << "a lead byte at the end";
  EXPECT_EQ(Cp932ToUtf16("\x81\x20"), u"\uFFFD ") << "a lead byte before a blank";
  EXPECT_EQ(Cp932ToUtf8("\x81"), "\xEF\xBF\xBD");
}

TEST(CodepageNfc, CombiningSequencesAreComposedBeforeConversion) {
  // "が" written as "か" + COMBINING KATAKANA-HIRAGANA VOICED SOUND MARK.
  EXPECT_EQ(Cp932Of("\u304B\u3099"), "\x82\xAA");
  EXPECT_EQ(ComposeNfc(u"e\u0301"), u"\u00E9");
  EXPECT_EQ(ComposeNfc(u""), u"");
}

TEST(CodepageUtf8, InvalidUtf8IsRefused) {
  std::string out = "old";
  EXPECT_FALSE(Utf8ToCp932("\xC3", &out));
  EXPECT_EQ(out, "");
  std::u16string utf16 = u"old";
  EXPECT_FALSE(Utf8ToUtf16("a\xFF" "b", &utf16));
  EXPECT_EQ(utf16, u"");
  EXPECT_FALSE(Utf8ToUtf16("\xED\xA0\x80", &utf16)) << "an encoded surrogate";
  EXPECT_TRUE(Utf8ToUtf16("", &utf16));
  EXPECT_TRUE(utf16.empty());
}

TEST(CodepageUtf8, RoundTripsJapaneseText) {
  const std::string utf8 = "資料\u30BD\u30FC\u30B9表１ａ";
  std::string cp932;
  ASSERT_TRUE(Utf8ToCp932(utf8, &cp932));
  EXPECT_EQ(cp932, "\x8E\x91\x97\xBF\x83\x5C\x81\x5B\x83\x58\x95\x5C\x82\x50\x82\x81");
  EXPECT_EQ(Cp932ToUtf8(cp932), utf8);
  EXPECT_EQ(Utf16ToUtf8(u"\u2606"), "\xE2\x98\x86");
  EXPECT_EQ(Utf16ToUtf8(u"a\xDC00"), "a\xEF\xBF\xBD") << "a lone surrogate";
}

TEST(CodepageUtf8, ValidUtf8ReplacesEachIllFormedPart) {
  const std::string kFffd = "\xEF\xBF\xBD";
  struct Row {
    std::string in, out;
  };
  const Row rows[] = {
      {"", ""},
      {"\xE6\x97\xA5 ok", "\xE6\x97\xA5 ok"},
      {"cut \xE6\x97", "cut " + kFffd},         // a sequence cut off at the end
      {"\xC0\xAF", kFffd + kFffd},              // overlong "/"
      {"\xED\xA0\x80!", kFffd + kFffd + kFffd + "!"},  // an encoded surrogate
      {"\xFF\xFE", kFffd + kFffd},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const Row& row : rows) EXPECT_EQ(ValidUtf8(row.in), row.out) << row.in;
}

TEST(CodepageUtf8, EmbeddedNulBytesAreKept) {
  std::string out;
  ASSERT_TRUE(Utf8ToCp932(std::string_view("a\0b", 3), &out));
  EXPECT_EQ(out, std::string("a\0b", 3));
}

TEST(CodepageExact, RefusesWhatWouldBecomeAQuestionMark) {
  std::string out = "old";
  EXPECT_FALSE(Utf8ToCp932Exact("caf\u00E9", &out));
  EXPECT_EQ(out, "");
  EXPECT_FALSE(Utf8ToCp932Exact("a\u00ADb", &out));
  EXPECT_FALSE(Utf8ToCp932Exact("\xC3", &out));
  ASSERT_TRUE(Utf8ToCp932Exact("what? \u00A5100", &out)) << "a real ? and a fallback";
  EXPECT_EQ(out, "what? \x5C" "100");
  ASSERT_TRUE(Utf8ToCp932Exact("\u304B\u3099", &out));
  EXPECT_EQ(out, "\x82\xAA");
}

}  // namespace
}  // namespace veldra::platform
