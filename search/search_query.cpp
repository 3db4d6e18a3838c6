#include "search/search_query.h"

#include <array>
#include <utility>

#include "search/normalized_text.h"
#include "search/search_tokenizer.h"

namespace veldra::search {
namespace {

constexpr char32_t kFullWidthQuote = 0xFF02;
constexpr char32_t kFullWidthColon = 0xFF1A;

constexpr std::array<std::pair<std::string_view, QueryField>, 5> kFieldNames = {{
    {"title", QueryField::kTitle},
    {"person", QueryField::kPerson},
    {"category", QueryField::kCategory},
    {"note", QueryField::kNote},
    {"text", QueryField::kText},
}};

bool IsQuote(char32_t c) { return c == '"' || c == kFullWidthQuote; }

bool IsSeparator(char32_t c) {
  const CharClass kind = ClassOf(c);
  return kind == CharClass::kSpace || kind == CharClass::kPageBreak;
}

bool ValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    size_t length = 0;
    if (DecodeUtf8At(text, i, &length) == 0xFFFD && length == 1) return false;
    i += length;
  }
  return true;
}

// The field named at text[i] ("title:"), moving i past the colon; kAny, i unmoved, when
// none is.
QueryField FieldAt(std::string_view text, size_t* i) {
  for (const auto& [name, field] : kFieldNames) {
    if (text.substr(*i, name.size()) != name) continue;
    const size_t after = *i + name.size();
    if (after >= text.size()) continue;
    size_t length = 0;
    const char32_t c = DecodeUtf8At(text, after, &length);
    if (c != ':' && c != kFullWidthColon) continue;
    *i = after + length;
    return field;
  }
  return QueryField::kAny;
}

// The FTS5 phrase of a term's text and the positions it spans; false when it has no token.
bool MakePhrase(QueryTerm* term) {
  bool last_is_word = false;
  term->positions = 0;
  Tokenize(Normalize(term->text), TokenizeFor::kQuery, [&](const Token& token) {
    ++term->positions;
    last_is_word = token.word;
    return 0;
  });
  if (term->positions == 0) return false;
  std::string phrase(1, '"');
  for (char c : term->text) {
    if (c == '"') phrase.push_back('"');
    phrase.push_back(c);
  }
  phrase.push_back('"');
  if (last_is_word) phrase.append(" *");
  term->fts_query = std::move(phrase);
  return true;
}

}  // namespace

SearchQuery ParseQuery(std::string_view utf8) {
  SearchQuery query;
  if (!ValidUtf8(utf8)) {
    query.error = QueryError::kNotUtf8;
    return query;
  }
  size_t i = 0;
  size_t length = 0;
  for (;;) {
    while (i < utf8.size() && IsSeparator(DecodeUtf8At(utf8, i, &length))) i += length;
    if (i >= utf8.size()) break;
    const size_t start = i;
    QueryTerm term;
    term.field = FieldAt(utf8, &i);
    bool in_quote = false;
    while (i < utf8.size()) {
      const char32_t c = DecodeUtf8At(utf8, i, &length);
      if (IsQuote(c)) {
        in_quote = !in_quote;
      } else if (!in_quote && IsSeparator(c)) {
        break;
      } else {
        term.text.append(utf8.substr(i, length));
      }
      i += length;
    }
    if (in_quote) {
      query.error = QueryError::kUnbalancedQuote;
      query.terms.clear();
      return query;
    }
    // "title:" with nothing after it is an empty term, not a search for "title:".
    term.canonical = CanonicalForm(term.text).text;
    if (term.canonical.empty() || !MakePhrase(&term)) {
      query.error = QueryError::kEmptyTerm;
      query.error_term = std::string(utf8.substr(start, i - start));
      query.terms.clear();
      return query;
    }
    query.terms.push_back(std::move(term));
  }
  if (query.terms.empty()) query.error = QueryError::kNoTerm;
  return query;
}

const char* QueryErrorText(QueryError error) {
  switch (error) {
    case QueryError::kNone: return "no error";
    case QueryError::kNoTerm: return "the query has no term";
    case QueryError::kUnbalancedQuote: return "the query has a quote that is never closed";
    case QueryError::kEmptyTerm: return "a term of the query has no character to search for";
    case QueryError::kNotUtf8: return "the query is not valid UTF-8";
  }
  return "the query cannot be read";
}

}  // namespace veldra::search
