#include "storage/text_encoding.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/test_text.h"

namespace veldra {
namespace {

std::vector<uint16_t> Units(const std::vector<uint8_t>& field) {
  std::vector<uint16_t> units;
  for (size_t i = 0; i + 1 < field.size(); i += 2) {
    units.push_back(static_cast<uint16_t>(field[i] | (field[i + 1] << 8)));
  }
  return units;
}

std::vector<uint8_t> FieldOf(const std::vector<uint16_t>& units, size_t field_size) {
  std::vector<uint8_t> field(field_size, 0);
  for (size_t i = 0; i < units.size() && 2 * i + 1 < field_size; ++i) {
    field[2 * i] = static_cast<uint8_t>(units[i] & 0xFF);
    field[2 * i + 1] = static_cast<uint8_t>(units[i] >> 8);
  }
  return field;
}

std::string FromField(const std::vector<uint8_t>& field, size_t out_size) {
  std::vector<char> out(out_size, '\x7F');
  EXPECT_TRUE(FromFieldText(field.data(), field.size(), out.data(), out.size()));
  return std::string(out.data());
}

TEST(ToFieldTextTest, WritesMarkCharactersAndNulLittleEndian) {
  std::vector<uint8_t> field(256, 0);
  ASSERT_TRUE(ToFieldText(Sjis("分類１"), field.data(), field.size()));
  const std::vector<uint16_t> units = Units(field);
  EXPECT_EQ((std::vector<uint16_t>(units.begin(), units.begin() + 5)),
            (std::vector<uint16_t>{0xFEFF, 0x5206, 0x985E, 0xFF11, 0x0000}));
  EXPECT_EQ(field[0], 0xFF);
  EXPECT_EQ(field[1], 0xFE);
  for (size_t i = 5; i < units.size(); ++i) ASSERT_EQ(units[i], 0) << i;
}

TEST(ToFieldTextTest, LeavesUnitsAfterTheNulAloneExceptTheLast) {
  std::vector<uint8_t> field(12, 0xAA);
  ASSERT_TRUE(ToFieldText("ab", field.data(), field.size()));
  EXPECT_EQ(Units(field),
            (std::vector<uint16_t>{0xFEFF, 'a', 'b', 0, 0xAAAA, 0}));
}

TEST(ToFieldTextTest, CutsToTheMarkAtMostBOver2Minus2CharactersAndANul) {
  std::vector<uint8_t> field(8, 0xAA);  // four units
  ASSERT_TRUE(ToFieldText("abcdef", field.data(), field.size()));
  EXPECT_EQ(Units(field), (std::vector<uint16_t>{0xFEFF, 'a', 'b', 0}));

  std::vector<uint8_t> exact(8, 0);
  ASSERT_TRUE(ToFieldText(Sjis("あい"), exact.data(), exact.size()));
  EXPECT_EQ(Units(exact), (std::vector<uint16_t>{0xFEFF, 0x3042, 0x3044, 0}));
}

TEST(ToFieldTextTest, EmptyAndNulTerminatedSources) {
  std::vector<uint8_t> field(8, 0xAA);
  ASSERT_TRUE(ToFieldText("", field.data(), field.size()));
  EXPECT_EQ(Units(field), (std::vector<uint16_t>{0xFEFF, 0, 0xAAAA, 0}));
  std::vector<uint8_t> cut(8, 0);
  ASSERT_TRUE(ToFieldText(std::string_view("a\0b", 3), cut.data(), cut.size()));
  EXPECT_EQ(Units(cut), (std::vector<uint16_t>{0xFEFF, 'a', 0, 0}));
}

TEST(ToFieldTextTest, TinyAndOddFieldsStayInsideTheirBytes) {
  std::array<uint8_t, 4> two_units{0xAA, 0xAA, 0xAA, 0xAA};
  ASSERT_TRUE(ToFieldText("abc", two_units.data(), 4));
  EXPECT_EQ(two_units, (std::array<uint8_t, 4>{0xFF, 0xFE, 0, 0}));

  std::array<uint8_t, 4> one_unit{0xAA, 0xAA, 0xAA, 0xAA};
  ASSERT_TRUE(ToFieldText("abc", one_unit.data(), 3));  // one whole unit, one spare byte
  EXPECT_EQ(one_unit, (std::array<uint8_t, 4>{0, 0, 0xAA, 0xAA}));
}

TEST(FromFieldTextTest, DropsTheMarkAndStopsAtTheNul) {
  EXPECT_EQ(FromField(FieldOf({0xFEFF, 0x5206, 0x985E, 0xFF11, 0, 'x'}, 16), 64),
            Sjis("分類１"));
}

TEST(FromFieldTextTest, AFieldWithoutTheMarkConvertsWhole) {
  EXPECT_EQ(FromField(FieldOf({'a', 0x3042, 'b'}, 6), 64), Sjis("aあb"));
  // Only the first unit can be the mark; a later U+FEFF has no CP932 form.
  EXPECT_EQ(FromField(FieldOf({'a', 0xFEFF}, 6), 64), "a?");
}

TEST(FromFieldTextTest, CutsWithoutSplittingADoubleByteCharacter) {
  std::vector<uint16_t> units{0xFEFF};
  for (int i = 0; i < 126; ++i) units.push_back(0x3042);  // あ
  const std::vector<uint8_t> field = FieldOf(units, 256);
  const std::string text = FromField(field, 128);
  EXPECT_EQ(text.size(), 126u);
  std::string expected;
  for (int i = 0; i < 63; ++i) expected += "\x82\xA0";
  EXPECT_EQ(text, expected);

  EXPECT_EQ(FromField(FieldOf({'a', 0x3042}, 4), 3), "a") << "あ would need bytes 2 and 3";
  EXPECT_EQ(FromField(FieldOf({'a', 0x3042}, 4), 4), Sjis("aあ"));
  EXPECT_EQ(FromField(FieldOf({0xFF71, 'b'}, 4), 2), "\xB1") << "half-width kana is one byte";
}

TEST(FromFieldTextTest, UnrepresentableCharactersBecomeTheDefaultCharacter) {
  EXPECT_EQ(FromField(FieldOf({0xFEFF, 'c', 0x00E9}, 8), 16), "c?");
  EXPECT_EQ(FromField(FieldOf({0xFEFF, 0xD83D}, 6), 16), "?") << "a lone surrogate";
}

TEST(FromFieldTextTest, AFieldWithoutNulIsReadToItsEnd) {
  EXPECT_EQ(FromField(FieldOf({0xFEFF, 'a', 'b'}, 6), 16), "ab");
}

TEST(FromFieldTextTest, ABufferOfOneByteHoldsOnlyTheNulAndNoneNothing) {
  char one = 'x';
  const std::vector<uint8_t> field = FieldOf({0xFEFF, 'a'}, 4);
  ASSERT_TRUE(FromFieldText(field.data(), field.size(), &one, 1));
  EXPECT_EQ(one, '\0');
  EXPECT_FALSE(FromFieldText(field.data(), field.size(), &one, 0));
}

TEST(FromFieldTextTest, SpecialNamesRoundTripThroughAField) {
  const std::string all = Sjis("＜すべて＞");
  EXPECT_EQ(all.size(), 10u);
  std::vector<uint8_t> field(64, 0);
  ASSERT_TRUE(ToFieldText(all, field.data(), field.size()));
  EXPECT_EQ(FromField(field, 128), all);
  EXPECT_EQ(FieldToMultibyte(field.data(), field.size(), 128), all);
  EXPECT_EQ(FieldToMultibyte(field.data(), field.size(), 10), Sjis("＜すべて")) << "9 bytes";
  EXPECT_EQ(FieldToMultibyte(field.data(), field.size(), 0), "");
}

TEST(Utf8ToMultibyteTest, ConvertsAndTerminates) {
  char out[16];
  std::memset(out, 'x', sizeof(out));
  ASSERT_EQ(Utf8ToMultibyte("＜すべて＞", out, sizeof(out)), 0);
  EXPECT_EQ(std::string(out), Sjis("＜すべて＞"));
  EXPECT_EQ(Utf8ToMultibyteLength("＜すべて＞"), 10);
}

TEST(Utf8ToMultibyteTest, EmptyOrInvalidInputFails) {
  char out[8] = "keep";
  EXPECT_EQ(Utf8ToMultibyte("", out, sizeof(out)), -1);
  EXPECT_EQ(Utf8ToMultibyte(std::string_view("\0abc", 4), out, sizeof(out)), -1);
  EXPECT_EQ(Utf8ToMultibyte("a\xFF", out, sizeof(out)), -1);
  EXPECT_STREQ(out, "keep");
  EXPECT_EQ(Utf8ToMultibyteLength(""), -1);
  EXPECT_EQ(Utf8ToMultibyteLength("\xC3"), -1);
}

TEST(Utf8ToMultibyteTest, ABufferWithoutRoomForTheNulIsTooSmall) {
  char out[4] = {'k', 'e', 'e', 'p'};
  EXPECT_EQ(Utf8ToMultibyte("あい", out, 4), -2);  // four bytes of text, no room for NUL
  EXPECT_EQ(std::string(out, 4), "keep");
  char fits[5];
  EXPECT_EQ(Utf8ToMultibyte("あい", fits, 5), 0);
  EXPECT_EQ(std::string(fits), Sjis("あい"));
}

TEST(Utf8ToMultibyteTest, UnrepresentableBecomesDefaultAndCombiningMarksCompose) {
  char out[16];
  ASSERT_EQ(Utf8ToMultibyte("\u00E9t\u00E9", out, sizeof(out)), 0);
  EXPECT_STREQ(out, "?t?");
  ASSERT_EQ(Utf8ToMultibyte("\u304B\u3099", out, sizeof(out)), 0);  // か + voiced mark
  EXPECT_STREQ(out, "\x82\xAA");
  EXPECT_EQ(Utf8ToMultibyteLength("\u304B\u3099"), 2);
  EXPECT_EQ(Utf8ToMultibyteLength("e\u0301"), 1) << "é composed, then one ?";
}

TEST(Utf8ToMultibyteTest, StopsAtTheSourceNul) {
  char out[16];
  ASSERT_EQ(Utf8ToMultibyte(std::string_view("ab\0cd", 5), out, sizeof(out)), 0);
  EXPECT_STREQ(out, "ab");
}

TEST(MultibyteToUtf8Test, ConvertsMeasuresAndRefuses) {
  char out[16];
  ASSERT_EQ(MultibyteToUtf8(Sjis("分類１"), out, sizeof(out)), 0);
  EXPECT_STREQ(out, "分類１");
  EXPECT_EQ(MultibyteToUtf8Length(Sjis("分類１")), 9);
  EXPECT_EQ(MultibyteToUtf8("", out, sizeof(out)), -1);
  EXPECT_EQ(MultibyteToUtf8Length(""), -1);
  char small[9] = "untouchd";
  EXPECT_EQ(MultibyteToUtf8(Sjis("分類１"), small, sizeof(small)), -2);
  EXPECT_STREQ(small, "untouchd");
  ASSERT_EQ(MultibyteToUtf8(std::string_view("\x82\xA0\0z", 4), out, sizeof(out)), 0);
  EXPECT_STREQ(out, "あ");
}

TEST(MultibyteToUtf8Test, WindowsCharactersKeepTheirWindowsForms) {
  char out[16];
  ASSERT_EQ(MultibyteToUtf8("\x81\x60\x5C", out, sizeof(out)), 0);
  EXPECT_STREQ(out, "\uFF5E\\");
  EXPECT_EQ(Utf8ToMultibyteLength("\u301C\u00A5"), 3) << "wave dash 2 bytes, yen 1";
}

}  // namespace
}  // namespace veldra
