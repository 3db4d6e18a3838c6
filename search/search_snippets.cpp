#include "search/search_snippets.h"

#include "search/search_tokenizer.h"

namespace veldra::search {
namespace {

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Appends text[from, to) as valid UTF-8; with squeeze, each run of white space and control
// characters becomes one space.
void AppendClean(std::string* out, std::string_view text, size_t from, size_t to, bool squeeze) {
  bool in_space = false;
  for (size_t i = from; i < to;) {
    size_t length = 0;
    const char32_t c = DecodeUtf8At(text, i, &length);
    const bool space = c < 0x20 || c == 0x7F || ClassOf(c) == CharClass::kSpace;
    if (squeeze && space) {
      if (!in_space) out->push_back(' ');
      in_space = true;
    } else if (c == 0xFFFD && length == 1) {
      out->append("\xEF\xBF\xBD");
      in_space = false;
    } else {
      out->append(text.substr(i, length));
      in_space = false;
    }
    i += length;
  }
}

}  // namespace

Snippet MakeSnippet(std::string_view original, ByteRange match, int page, std::string field) {
  Snippet snippet;
  snippet.page = page;
  snippet.field = std::move(field);
  size_t begin = std::min<size_t>(match.begin, original.size());
  size_t end = std::min<size_t>(std::max(match.end, match.begin), original.size());
  size_t from = begin;
  for (size_t n = 0; n < kSnippetContext && from > 0; ++n) {
    do --from;
    while (from > 0 && IsContinuation(original[from]));
  }
  size_t to = end;
  for (size_t n = 0; n < kSnippetContext && to < original.size(); ++n) {
    size_t length = 0;
    DecodeUtf8At(original, to, &length);
    to += length;
  }
  AppendClean(&snippet.before, original, from, begin, true);
  AppendClean(&snippet.match, original, begin, end, false);
  AppendClean(&snippet.after, original, end, to, true);
  return snippet;
}

PageLayout::PageLayout(std::string text) : text_(std::move(text)), normalized_(Normalize(text_)) {
  Tokenize(normalized_, TokenizeFor::kDocument, [&](const Token& token) {
    if (!token.colocated) {
      chars_of_position_.emplace_back(static_cast<uint32_t>(token.first_char),
                                      static_cast<uint32_t>(token.end_char));
    }
    return 0;
  });
}

std::optional<ByteRange> PageLayout::Locate(int64_t position, const QueryTerm& term) const {
  const int64_t last = position + term.positions - 1;
  if (position < 0 || term.positions <= 0 ||
      last >= static_cast<int64_t>(chars_of_position_.size())) {
    return std::nullopt;
  }
  const size_t first_char = chars_of_position_[static_cast<size_t>(position)].first;
  const size_t end_char = chars_of_position_[static_cast<size_t>(last)].second;
  const CanonicalText window = CanonicalForm(normalized_, first_char, end_char);
  const size_t at = window.text.find(term.canonical);
  if (at == std::string::npos) return std::nullopt;
  return window.SourceOf(at, term.canonical.size());
}

}  // namespace veldra::search
