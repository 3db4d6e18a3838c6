// The query language of full-text search:
//
//   term term "a phrase" title:term person:"a phrase" category:x note:y text:z
//
// Terms are separated by white space (U+3000 included) and must all match (AND). A quoted
// part ("..." or ＂...＂) keeps its spaces: `"machine learning"` is one term. A term may be
// limited to a field by one of five names and a colon (":" or "："): title (the title),
// person (author, editor, supervisor, translator, publisher), category (the three category
// names), note (the note) or text (the PDF's pages). Any other "name:" is part of a plain
// term ("foo:bar"). A term without a field matches the text or any of those attributes.
//
// A term matches where its canonical form (search/normalized_text.h) is a substring of the
// text's: case, full and half width do not matter, white space only between two letters
// or digits. Any length is allowed, one character included; so is any character (the
// query is UTF-8; characters outside CP932 are searched for like any other).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace veldra::search {

enum class QueryField { kAny, kTitle, kPerson, kCategory, kNote, kText };

struct QueryTerm {
  QueryField field = QueryField::kAny;
  std::string text;       // as written (UTF-8), without the quotes and the field name
  std::string canonical;  // its canonical form
  // The FTS5 query that finds it in the index: one phrase, "*" after a final word (the
  // text's word may go on: "lea" finds "learning").
  std::string fts_query;
  int positions = 0;  // the token positions the phrase spans
  bool operator==(const QueryTerm&) const = default;
};

// What is wrong with a query; the CLI words these in English (QueryErrorText), the windows
// in Japanese.
enum class QueryError {
  kNone,
  kNoTerm,           // nothing but white space
  kUnbalancedQuote,  // a quote is opened and never closed
  kEmptyTerm,        // a term that normalises to nothing ("title:" alone, "", U+200B)
  kNotUtf8,          // the query is not valid UTF-8
};

struct SearchQuery {
  std::vector<QueryTerm> terms;
  QueryError error = QueryError::kNone;
  std::string error_term;  // kEmptyTerm: the term as written
};

SearchQuery ParseQuery(std::string_view utf8);

// One English sentence, e.g. "the query has an unbalanced quote".
const char* QueryErrorText(QueryError error);

}  // namespace veldra::search
