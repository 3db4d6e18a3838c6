// The one normalisation of text that search compares: document pages, queries and entry
// attributes all go through Normalize, and through CanonicalForm when matched in memory.
//
// Normalize applies NFKC with case folding (ICU's NFKC_Casefold: "ＰＤＦ" and "PDF" both
// become "pdf", "ｶﾞ" becomes "ガ", "①" becomes "1") and keeps, for every character of the
// result, the bytes of the original text it came from: a character that a change made
// (a composed pair, a folded letter, "㍻" -> "平成") maps to the whole source of that change,
// so a match can always be shown as the original text.
//
// Each normalised character has a class, which the tokenizer and the canonical form use:
//   CJK        Han (with 々 〆 ヶ), Hiragana, Katakana (with ー and the phonetic extensions)
//   word       any other letter or digit (Latin, Greek, Cyrillic, Hangul, digits, ...)
//   space      white space (U+3000 is a space after NFKC)
//   page break "\f", which separates the pages of a PDF's text
//   other      everything else (punctuation, symbols), each character on its own
//
// The canonical form is the normalised text with white space dropped except between two word
// characters, where one space stays ("machine  learning" -> "machine learning", "形態 素\n解析"
// -> "形態素解析"). A term matches a text exactly when its canonical form is a substring of
// the text's canonical form: the index realises the same rule (search/search_tokenizer.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veldra::search {

enum class CharClass : uint8_t { kCjk, kWord, kSpace, kOther, kPageBreak };

// The class of a normalised character.
CharClass ClassOf(char32_t c);

// A byte range [begin, end) of a text.
struct ByteRange {
  uint32_t begin = 0;
  uint32_t end = 0;
  bool operator==(const ByteRange&) const = default;
};

struct NormalizedChar {
  char32_t code = 0;
  CharClass kind = CharClass::kOther;
  uint32_t at = 0;      // where its UTF-8 form starts in NormalizedText::text
  ByteRange source;     // the bytes of the original text it came from
};

struct NormalizedText {
  std::string text;  // UTF-8
  std::vector<NormalizedChar> chars;

  // The UTF-8 bytes of chars[i] in text.
  std::string_view CharBytes(size_t i) const {
    const size_t end = i + 1 < chars.size() ? chars[i + 1].at : text.size();
    return std::string_view(text).substr(chars[i].at, end - chars[i].at);
  }
};

// Normalises UTF-8 text. A byte that is not part of valid UTF-8 stands for itself as an
// "other" character (U+FFFD) of one byte. Texts of 4 GiB or more are not supported.
NormalizedText Normalize(std::string_view utf8);

// The canonical form of a normalised text (or of its characters [first, end)), with the
// source of each of its characters.
struct CanonicalText {
  std::string text;               // UTF-8
  std::vector<uint32_t> at;       // where each character starts in text
  std::vector<ByteRange> source;  // the original bytes of each character

  // The original bytes that the canonical bytes [begin, begin + length) came from: from the
  // first byte of the first character to the last byte of the last one.
  ByteRange SourceOf(size_t begin, size_t length) const;
};
CanonicalText CanonicalForm(const NormalizedText& normalized);
CanonicalText CanonicalForm(const NormalizedText& normalized, size_t first, size_t end);

// The canonical form of UTF-8 text (Normalize, then CanonicalForm).
CanonicalText CanonicalForm(std::string_view utf8);

// Decodes the UTF-8 character at text[i] (i < text.size()): its code point and its length
// in *length. A byte that does not start a valid sequence gives U+FFFD of length 1.
char32_t DecodeUtf8At(std::string_view text, size_t i, size_t* length);

}  // namespace veldra::search
