#include "platform/cp932_chars.h"

#include <gtest/gtest.h>

#include <string>

namespace veldra::platform {
namespace {

TEST(Cp932CharsTest, LeadBytesAreTheTwoRangesAndNothingElse) {
  struct Row {
    unsigned char byte;
    bool lead;
  };
  const Row rows[] = {
      {0x00, false}, {0x40, false}, {0x7F, false}, {0x80, false}, {0x81, true},
      {0x9F, true},  {0xA0, false}, {0xA1, false}, {0xDF, false}, {0xE0, true},
      {0xEF, true},  {0xFC, true},  {0xFD, false}, {0xFF, false},
  };
  for (const Row& row : rows) EXPECT_EQ(IsCp932LeadByte(row.byte), row.lead) << int(row.byte);
  int count = 0;
  for (int c = 0; c < 256; ++c) count += IsCp932LeadByte(static_cast<unsigned char>(c)) ? 1 : 0;
  EXPECT_EQ(count, 31 + 29);
}

TEST(Cp932CharsTest, CharLengthIs2OnlyForALeadByteWithAByteAfterIt) {
  struct Row {
    std::string text;
    size_t at;
    size_t length;
  };
  const Row rows[] = {
      {"\x81\x40", 0, 2}, {"\x9F\x40", 0, 2}, {"\xE0\x40", 0, 2}, {"\xFC\x4B", 0, 2},
      {"\x80\x40", 0, 1}, {"\xA0\x40", 0, 1}, {"\xDF\x40", 0, 1}, {"\xFD\x40", 0, 1},
      {"a\x81", 1, 1},    {"a\xFC", 1, 1},    {"\x81\x81", 0, 2}, {"ab", 1, 1},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Cp932CharLength(row.text, row.at), row.length) << row.text << " at " << row.at;
  }
}

TEST(Cp932CharsTest, ACutSplitsNoCharacterAndNeverEndsInALeadByte) {
  struct Row {
    std::string text;
    size_t max_bytes;
    std::string cut;
  };
  const Row rows[] = {
      {"abc", 2, "ab"},
      {"abc", 0, ""},
      {"", 5, ""},
      {"\x82\xA0\x82\xA2", 3, "\x82\xA0"},          // あい
      {"\x82\xA0", 1, ""},
      {"ab\x82\xA0", 3, "ab"},
      {"\x81\x40", 2, "\x81\x40"},                  // the first pair of the lower range
      {"\x9F\xFC" "a", 2, "\x9F\xFC"},              // the last lead byte of the lower range
      {"\xE0\x40" "a", 2, "\xE0\x40"},              // the first of the upper range
      {"\xFC\x4B" "a", 3, "\xFC\x4B" "a"},          // the last of the upper range
      {"\xFC\x4B", 1, ""},
      {"\x81\x81\x40", 3, "\x81\x81\x40"},          // a lead byte as second byte is a pair's
      {"\x81\x81\x40", 2, "\x81\x81"},
      // A lead byte without its second byte at the end goes, whatever room is left.
      {"a\x81", 10, "a"},
      {"a\x82", 10, "a"},
      {"a\x9F", 2, "a"},
      {"a\xE0", 10, "a"},
      {"a\xFC", 10, "a"},
      {"\x9F\x40\xE0", 10, "\x9F\x40"},
      // Bytes beside the ranges are characters of their own.
      {"a\x80", 10, "a\x80"},
      {"a\xA0", 2, "a\xA0"},
      {"\xA1\xDF", 1, "\xA1"},                      // half-width katakana
      {"a\xFD", 10, "a\xFD"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(CutCp932(row.text, row.max_bytes), row.cut) << row.text << " / " << row.max_bytes;
    EXPECT_EQ(Cp932CutLength(row.text, row.max_bytes), row.cut.size());
  }
}

}  // namespace
}  // namespace veldra::platform
