// Snippets: a hit shown in its original text with about kSnippetContext characters on each
// side. The hit's place comes from the tokenizer's positions (the index says at which token
// a term starts); the characters those tokens cover are then narrowed to the term's
// canonical form, so the match is exactly the original text of what was found (the viewer
// searches the page for it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "search/normalized_text.h"
#include "search/search_query.h"

namespace veldra::search {

constexpr size_t kSnippetContext = 40;

struct Snippet {
  int page = 0;       // from 1; 0 for an attribute
  std::string field;  // "text" or the attribute's key: en_title, en_author_name, ...
  std::string before, match, after;  // UTF-8; white space in before/after shown as one space
  bool operator==(const Snippet&) const = default;
};

// The snippet of the bytes match of original (UTF-8).
Snippet MakeSnippet(std::string_view original, ByteRange match, int page, std::string field);

// One page of a PDF's text, with the characters each token position covers.
class PageLayout {
 public:
  explicit PageLayout(std::string text);

  // The original bytes of the hit of term that starts at position (counted from the page's
  // first token); nullopt when the page has no such hit.
  std::optional<ByteRange> Locate(int64_t position, const QueryTerm& term) const;
  const std::string& text() const { return text_; }

 private:
  std::string text_;
  NormalizedText normalized_;
  std::vector<std::pair<uint32_t, uint32_t>> chars_of_position_;  // [first, end) characters
};

}  // namespace veldra::search
