// The tokens the full-text index holds and a query asks for (the FTS5 tokenizer "veldra"
// calls this; so do the page and snippet code, which need the same positions).
//
// Tokens are made from a normalised text (search/normalized_text.h). Positions count the
// tokens that are not colocated (a colocated token shares the position of the one before):
// - a word run (letters and digits up to white space or another class) is one token; in
//   documents each of its proper suffixes follows, colocated, so that any substring of a
//   word is the prefix of one token ("learning", "earning", ..., "g"). A run longer than
//   kWordPiece characters is cut into pieces of kWordPiece, each a token of its own: a
//   substring that crosses a cut is not found.
// - a CJK run (white space between two CJK characters is dropped first, as a line break in
//   Japanese text means nothing): for each character but the last, the bigram of it and the
//   next and, colocated in documents, the character alone; for the last, the character
//   alone.
// - every other character is a token of its own; "\f" (a page break) too, so that no match
//   spans two pages; white space is none.
// For a query (kQuery), word runs give no suffixes, a CJK run that ends the query omits
// its final unigram when it has two or more characters (the text's run may go on), and a
// page break is white space. Such a query token sequence, as an FTS5 phrase with a prefix
// "*" after a final word token, finds exactly the texts whose canonical form holds the
// query's canonical form.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "search/normalized_text.h"

namespace veldra::search {

enum class TokenizeFor { kDocument, kQuery };

// The longest token a word run gives, in characters.
constexpr size_t kWordPiece = 64;

struct Token {
  std::string_view text;  // UTF-8 (valid until the next token)
  size_t first_char = 0;  // the characters [first_char, end_char) of the normalised text
  size_t end_char = 0;    // it covers (white space dropped inside a CJK run included)
  bool colocated = false;
  bool word = false;      // a word run (or a piece or suffix of one)
};

// Calls emit for every token of text in order. emit returns 0 to go on; any other value
// stops the walk and is returned. 0 when every token was emitted.
int Tokenize(const NormalizedText& text, TokenizeFor purpose,
             const std::function<int(const Token&)>& emit);

// The number of positions Tokenize(text, kDocument, ...) gives, without making the tokens.
int64_t CountPositions(const NormalizedText& text);

// Normalising holds about 20 bytes per character: a document (a PDF's pages, up to 16 MiB)
// is normalised and tokenized piece by piece. A piece ends before every page break and,
// once it has piece_bytes, at the next point where the document's tokens do not change when
// it is cut there: before ASCII punctuation or "、" "。", before ASCII white space that
// follows an ASCII character other than white space, or inside a run of ASCII letters and
// digits where one of its pieces of kWordPiece ends. (Text with no such point, e.g. Japanese
// without punctuation, stays whole up to the next page break.) Calls part with each piece
// and where it starts in utf8; part returns 0 to go on, anything else stops the walk and is
// returned.
constexpr size_t kDocumentPieceBytes = 256 << 10;
int ForEachDocumentPiece(std::string_view utf8, size_t piece_bytes,
                         const std::function<int(std::string_view piece, size_t at)>& part);

// CountPositions of a document's text, piece by piece.
int64_t CountDocumentPositions(std::string_view utf8);

}  // namespace veldra::search
