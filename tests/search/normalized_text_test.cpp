// The one normalisation of search: what each text's canonical form is, and which original
// bytes a match found in it shows.
#include "search/normalized_text.h"

#include <gtest/gtest.h>

#include <string>

namespace veldra::search {
namespace {

struct NormalizationRow {
  const char* text;
  const char* canonical;
  const char* find;      // a canonical term ...
  const char* original;  // ... and the original text its first occurrence shows
};

const NormalizationRow kRows[] = {
    {"ＰＤＦファイル", "pdfファイル", "pdf", "ＰＤＦ"},
    {"PDF Reference", "pdf reference", "pdf r", "PDF R"},
    {"ｶﾞｲﾄﾞﾌﾞｯｸ", "ガイドブック", "ガ", "ｶﾞ"},
    {"ﾃﾞｰﾀﾍﾞｰｽ入門", "データベース入門", "ベース", "ﾍﾞｰｽ"},
    {"データベース", "データベース", "タベ", "タベ"},
    {"Machine  Learning", "machine learning", "e l", "e  L"},
    {"形態 素\n解析", "形態素解析", "素解", "素\n解"},
    {"日本語\u3000テキスト", "日本語テキスト", "語テ", "語\u3000テ"},
    {"Ａ\u3000Ｂ", "a b", "a b", "Ａ\u3000Ｂ"},
    {"C++ と Qt 6", "c++とqt 6", "とqt", "と Qt"},
    {"tab\there\r\nnext", "tab here next", "here n", "here\r\nn"},
    {"①②番", "12番", "2番", "②番"},
    {"㍻元年", "平成元年", "成", "㍻"},
    {"Straße", "strasse", "ss", "ß"},
    {"ﬁle", "file", "fi", "ﬁ"},
    {"A\u0300 la carte", "\u00e0 la carte", "\u00e0", "A\u0300"},
    {"ΑΒΓ Привет", "αβγ привет", "γ п", "Γ П"},
    {"𠮷野家", "𠮷野家", "𠮷", "𠮷"},
    {"a\xff" "b", "a\xff" "b", "b", "b"},
};

TEST(NormalizedText, CanonicalFormAndTheOriginalOfAMatch) {
  for (const NormalizationRow& row : kRows) {
    SCOPED_TRACE(row.text);
    const std::string text = row.text;
    const CanonicalText canonical = CanonicalForm(text);
    EXPECT_EQ(canonical.text, row.canonical);
    const size_t at = canonical.text.find(row.find);
    ASSERT_NE(at, std::string::npos);
    const ByteRange source = canonical.SourceOf(at, std::string(row.find).size());
    EXPECT_EQ(text.substr(source.begin, source.end - source.begin), row.original);
  }
}

}  // namespace
}  // namespace veldra::search
