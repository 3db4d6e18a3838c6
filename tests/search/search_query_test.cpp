// The query language: how a query splits into terms and fields, and which queries are errors.
#include "search/search_query.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/search/search_test_support.h"

namespace veldra::search {
namespace {

using testing::Repeat;

using Terms = std::vector<std::pair<QueryField, std::string>>;  // field, canonical form

struct QueryRow {
  std::string query;
  QueryError error;
  Terms terms;
};

const QueryField kAny = QueryField::kAny;

TEST(SearchQuery, TermsFieldsAndErrors) {
  const std::string long_query = Repeat("形態素解析とPDF ", 1000);  // 10,000 characters
  Terms long_terms;
  for (int i = 0; i < 1000; ++i) long_terms.emplace_back(kAny, "形態素解析とpdf");
  const std::vector<QueryRow> rows = {
      {"形態素 解析", QueryError::kNone, {{kAny, "形態素"}, {kAny, "解析"}}},
      {"\"Machine  Learning\" ＰＤＦ", QueryError::kNone,
       {{kAny, "machine learning"}, {kAny, "pdf"}}},
      {"検索\u3000エンジン", QueryError::kNone, {{kAny, "検索"}, {kAny, "エンジン"}}},
      {"＂全角 引用＂", QueryError::kNone, {{kAny, "全角引用"}}},
      {"title:\"A B\" person:田中", QueryError::kNone,
       {{QueryField::kTitle, "a b"}, {QueryField::kPerson, "田中"}}},
      {"category:論文 note:要確認 text:bm25", QueryError::kNone,
       {{QueryField::kCategory, "論文"}, {QueryField::kNote, "要確認"}, {QueryField::kText, "bm25"}}},
      {"title：ｶﾞｲﾄﾞ", QueryError::kNone, {{QueryField::kTitle, "ガイド"}}},
      {"foo:bar Title:x", QueryError::kNone, {{kAny, "foo:bar"}, {kAny, "title:x"}}},
      {"ab\"cd ef\"gh", QueryError::kNone, {{kAny, "abcd efgh"}}},
      {"AND NEAR(a *", QueryError::kNone, {{kAny, "and"}, {kAny, "near(a"}, {kAny, "*"}}},
      {"の", QueryError::kNone, {{kAny, "の"}}},
      {"𠮷野家 😀", QueryError::kNone, {{kAny, "𠮷野家"}, {kAny, "😀"}}},
      {long_query, QueryError::kNone, long_terms},
      {"", QueryError::kNoTerm, {}},
      {" \u3000\t ", QueryError::kNoTerm, {}},
      {"\"形態素 解析", QueryError::kUnbalancedQuote, {}},
      {"a \"b\" \"c", QueryError::kUnbalancedQuote, {}},
      {"title:", QueryError::kEmptyTerm, {}},
      {"ok \"\"", QueryError::kEmptyTerm, {}},
      {"\u200b", QueryError::kEmptyTerm, {}},
      {"abc\xff", QueryError::kNotUtf8, {}},
  };
  for (const QueryRow& row : rows) {
    SCOPED_TRACE(row.query.substr(0, 60));
    const SearchQuery query = ParseQuery(row.query);
    EXPECT_EQ(query.error, row.error);
    Terms terms;
    for (const QueryTerm& term : query.terms) {
      terms.emplace_back(term.field, term.canonical);
      EXPECT_GT(term.positions, 0);
      EXPECT_FALSE(term.fts_query.empty());
    }
    EXPECT_EQ(terms, row.terms);
  }
}

}  // namespace
}  // namespace veldra::search
