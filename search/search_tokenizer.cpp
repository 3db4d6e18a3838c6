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

}  // namespace

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
