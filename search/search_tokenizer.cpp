#include "search/search_tokenizer.h"

#include <algorithm>
#include <string>
#include <vector>

namespace veldra::search {
namespace {

bool IsKind(const NormalizedText& text, size_t i, CharClass kind) {
  return i < text.chars.size() && text.chars[i].kind == kind;
}

// The first character at or after i that is not white space.
size_t SkipSpace(const NormalizedText& text, size_t i) {
  while (IsKind(text, i, CharClass::kSpace)) ++i;
  return i;
}

// The end of the word run that starts at i.
size_t WordRunEnd(const NormalizedText& text, size_t i) {
  while (IsKind(text, i, CharClass::kWord)) ++i;
  return i;
}

// The characters of the CJK run that starts at i (white space between two of its characters
// left out) into *run; returns the index after its last character.
size_t CjkRun(const NormalizedText& text, size_t i, std::vector<size_t>* run) {
  run->clear();
  run->push_back(i);
  size_t j = i + 1;
  for (;;) {
    const size_t next = SkipSpace(text, j);
    if (!IsKind(text, next, CharClass::kCjk)) return j;
    run->push_back(next);
    j = next + 1;
  }
}

// Where the bytes of character i end in text.
size_t ByteEnd(const NormalizedText& text, size_t i) {
  return i < text.chars.size() ? text.chars[i].at : text.text.size();
}

std::string_view Bytes(const NormalizedText& text, size_t first, size_t end) {
  const size_t begin = text.chars[first].at;
  return std::string_view(text.text).substr(begin, ByteEnd(text, end) - begin);
}

bool IsAsciiAlnum(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsAsciiGraph(unsigned char c) { return c > ' ' && c < 0x7F; }
bool IsAsciiSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

int ForEachDocumentPiece(std::string_view utf8, size_t piece_bytes,
                         const std::function<int(std::string_view piece, size_t at)>& part) {
  const size_t n = utf8.size();
  size_t begin = 0;
  size_t cut = 0;  // the last point after begin where the text may be cut (0: none yet)
  // The run of ASCII letters and digits that ends before p began at run; it is a word run of
  // its own (its pieces counted from run) when the byte before it is ASCII.
  size_t run = 0;
  bool run_alone = true;
  for (size_t p = 1; p < n; ++p) {
    const auto b = static_cast<unsigned char>(utf8[p - 1]);
    const auto c = static_cast<unsigned char>(utf8[p]);
    if (!IsAsciiAlnum(b)) {
      run = p;
      run_alone = b < 0x80;
    }
    if (c == '\f') {
      if (const int rc = part(utf8.substr(begin, p - begin), begin); rc != 0) return rc;
      begin = p;
      cut = 0;
      continue;
    }
    // "、" and "。" (E3 80 81/82), which end Japanese clauses and sentences, count as
    // punctuation.
    const bool punctuation =
        (IsAsciiGraph(c) && !IsAsciiAlnum(c)) ||
        (c == 0xE3 && p + 2 < n && utf8[p + 1] == '\x80' &&
         (utf8[p + 2] == '\x81' || utf8[p + 2] == '\x82'));
    const bool space_after_ascii = IsAsciiSpace(c) && IsAsciiGraph(b);
    const bool piece_of_run =
        run_alone && IsAsciiAlnum(c) && p > run && (p - run) % kWordPiece == 0;
    if (punctuation || space_after_ascii || piece_of_run) cut = p;
    if (p - begin >= piece_bytes && cut > begin) {
      if (const int rc = part(utf8.substr(begin, cut - begin), begin); rc != 0) return rc;
      begin = cut;
    }
  }
  return n > begin ? part(utf8.substr(begin), begin) : 0;
}

int64_t CountDocumentPositions(std::string_view utf8) {
  int64_t positions = 0;
  ForEachDocumentPiece(utf8, kDocumentPieceBytes, [&](std::string_view piece, size_t) {
    positions += CountPositions(Normalize(piece));
    return 0;
  });
  return positions;
}

int Tokenize(const NormalizedText& text, TokenizeFor purpose,
             const std::function<int(const Token&)>& emit) {
  const bool query = purpose == TokenizeFor::kQuery;
  const size_t n = text.chars.size();
  std::vector<size_t> run;
  std::string bigram;
  int rc = 0;
  for (size_t i = 0; i < n && rc == 0;) {
    switch (text.chars[i].kind) {
      case CharClass::kSpace:
        ++i;
        break;
      case CharClass::kPageBreak:
        if (!query) rc = emit({"\f", i, i + 1});
        ++i;
        break;
      case CharClass::kOther:
        rc = emit({text.CharBytes(i), i, i + 1});
        ++i;
        break;
      case CharClass::kWord: {
        const size_t end = WordRunEnd(text, i);
        for (size_t piece = i; piece < end && rc == 0; piece += kWordPiece) {
          const size_t piece_end = std::min(piece + kWordPiece, end);
          rc = emit({Bytes(text, piece, piece_end), piece, piece_end, false, true});
          for (size_t s = piece + 1; !query && s < piece_end && rc == 0; ++s) {
            rc = emit({Bytes(text, s, piece_end), s, piece_end, true, true});
          }
        }
        i = end;
        break;
      }
      case CharClass::kCjk: {
        const size_t end = CjkRun(text, i, &run);
        const bool ends_query = query && SkipSpace(text, end) == n;
        const size_t m = run.size();
        for (size_t a = 0; a < m && rc == 0; ++a) {
          const std::string_view unigram = text.CharBytes(run[a]);
          if (a + 1 < m) {
            bigram.assign(unigram);
            bigram.append(text.CharBytes(run[a + 1]));
            rc = emit({bigram, run[a], run[a + 1] + 1});
            if (!query && rc == 0) rc = emit({unigram, run[a], run[a] + 1, true});
          } else if (!ends_query || m == 1) {
            rc = emit({unigram, run[a], run[a] + 1});
          }
        }
        i = end;
        break;
      }
    }
  }
  return rc;
}

int64_t CountPositions(const NormalizedText& text) {
  const size_t n = text.chars.size();
  std::vector<size_t> run;
  int64_t positions = 0;
  for (size_t i = 0; i < n;) {
    switch (text.chars[i].kind) {
      case CharClass::kSpace:
        ++i;
        break;
      case CharClass::kPageBreak:
      case CharClass::kOther:
        ++positions;
        ++i;
        break;
      case CharClass::kWord: {
        const size_t end = WordRunEnd(text, i);
        positions += static_cast<int64_t>((end - i + kWordPiece - 1) / kWordPiece);
        i = end;
        break;
      }
      case CharClass::kCjk: {
        const size_t end = CjkRun(text, i, &run);
        positions += static_cast<int64_t>(run.size());
        i = end;
        break;
      }
    }
  }
  return positions;
}

}  // namespace veldra::search
