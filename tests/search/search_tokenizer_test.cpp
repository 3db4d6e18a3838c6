// The tokens of documents and queries, position by position: CJK pairs with colocated
// single characters, words with colocated suffixes, page breaks, and what a query leaves out.
#include "search/search_tokenizer.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>

namespace veldra::search {
namespace {

// The tokens as "text@position", a colocated one as "+text", separated by spaces.
std::string Tokens(const std::string& text, TokenizeFor purpose) {
  std::string out;
  int position = -1;
  Tokenize(Normalize(text), purpose, [&](const Token& token) {
    if (!out.empty()) out += ' ';
    if (token.colocated) {
      out += "+" + std::string(token.text);
    } else {
      out += std::string(token.text) + "@" + std::to_string(++position);
    }
    return 0;
  });
  return out;
}

struct TokenRow {
  std::string text;
  std::string document;
  std::string query;
};

TEST(SearchTokenizer, DocumentAndQueryTokens) {
  const std::string long_word(70, 'a');
  const TokenRow rows[] = {
      {"ファイル", "ファ@0 +フ ァイ@1 +ァ イル@2 +イ ル@3", "ファ@0 ァイ@1 イル@2"},
      {"の", "の@0", "の@0"},
      {"ル。", "ル@0 。@1", "ル@0 。@1"},
      {"形態 素\n解析", "形態@0 +形 態素@1 +態 素解@2 +素 解析@3 +解 析@4",
       "形態@0 態素@1 素解@2 解析@3"},
      {"Learn", "learn@0 +earn +arn +rn +n", "learn@0"},
      {"PDFファイル", "pdf@0 +df +f ファ@1 +フ ァイ@2 +ァ イル@3 +イ ル@4",
       "pdf@0 ファ@1 ァイ@2 イル@3"},
      {"a\fb", "a@0 \f@1 b@2", "a@0 b@1"},
      {"C++ 6", "c@0 +@1 +@2 6@3", "c@0 +@1 +@2 6@3"},
      {"ｶﾞｲﾄﾞ", "ガイ@0 +ガ イド@1 +イ ド@2", "ガイ@0 イド@1"},
      {long_word, std::string(64, 'a') + "@0" + [] {
         std::string suffixes;
         for (int n = 63; n > 0; --n) suffixes += " +" + std::string(n, 'a');
         return suffixes;
       }() + " aaaaaa@1 +aaaaa +aaaa +aaa +aa +a",
       std::string(64, 'a') + "@0 aaaaaa@1"},
  };
  for (const TokenRow& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(Tokens(row.text, TokenizeFor::kDocument), row.document);
    EXPECT_EQ(Tokens(row.text, TokenizeFor::kQuery), row.query);
    EXPECT_EQ(CountPositions(Normalize(row.text)),
              std::count(row.document.begin(), row.document.end(), '@'));
  }
}

// Every token of text as "text:begin-end" (its source bytes from at), colocated ones marked.
std::string SourcedTokens(std::string_view text, size_t at) {
  std::string out;
  const NormalizedText normalized = Normalize(text);
  Tokenize(normalized, TokenizeFor::kDocument, [&](const Token& t) {
    out += (t.colocated ? "+" : " ") + std::string(t.text) + ":" +
           std::to_string(at + normalized.chars[t.first_char].source.begin) + "-" +
           std::to_string(at + normalized.chars[t.end_char - 1].source.end);
    return 0;
  });
  return out;
}

// A document cut into pieces (at every point it may be cut) gives the tokens, the offsets
// and the positions of the whole: texts of CJK runs broken by spaces and lines, words longer
// than a piece of a word, combining marks, compatibility characters, punctuation, page breaks.
TEST(SearchTokenizer, ADocumentCutIntoPiecesGivesTheTokensOfTheWhole) {
  const std::string fragments[] = {
      "形態", "素", " ", "\n", "\f", "a", "Learn", std::string(130, 'x'), "é", "e\xCC\x81",
      "ｶﾞ", "。", "、", ".", ",", "C++", "１２", "\t", "\r\n", "Ⅻ", "ﬁ", "㍻", "「", "!", "\x01",
      "ー", "9", "Ω", "\xFF"};
  std::mt19937 random(18);
  int pieces = 0;
  for (int t = 0; t < 400; ++t) {
    std::string text;
    for (size_t n = 1 + random() % 40; n > 0; --n) text += fragments[random() % std::size(fragments)];
    SCOPED_TRACE(text);
    std::string cut;
    ForEachDocumentPiece(text, 1, [&](std::string_view piece, size_t at) {
      ++pieces;
      cut += SourcedTokens(piece, at);
      return 0;
    });
    EXPECT_EQ(cut, SourcedTokens(text, 0));
    EXPECT_EQ(CountDocumentPositions(text), CountPositions(Normalize(text)));
  }
  EXPECT_GT(pieces, 2000) << "the texts were cut";
}

}  // namespace
}  // namespace veldra::search
