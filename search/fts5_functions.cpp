#include "search/fts5_functions.h"

#include <sqlite3.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "search/normalized_text.h"
#include "search/search_tokenizer.h"

namespace veldra::search {
namespace {

fts5_api* Fts5Api(sqlite3* db) {
  fts5_api* api = nullptr;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &statement, nullptr) == SQLITE_OK) {
    sqlite3_bind_pointer(statement, 1, &api, "fts5_api_ptr", nullptr);
    sqlite3_step(statement);
  }
  sqlite3_finalize(statement);
  return api;
}

// The tokenizer keeps no state: every instance is this one object.
char tokenizer_instance;

int CreateTokenizer(void*, const char**, int, Fts5Tokenizer** out) {
  *out = reinterpret_cast<Fts5Tokenizer*>(&tokenizer_instance);
  return SQLITE_OK;
}

void DeleteTokenizer(Fts5Tokenizer*) {}

// Hands the tokens of text to FTS5, their offsets counted from base.
int TokenizePart(std::string_view text, size_t base, TokenizeFor purpose, void* context,
                 int (*token)(void*, int, const char*, int, int, int)) {
  const NormalizedText normalized = Normalize(text);
  return Tokenize(normalized, purpose, [&](const Token& t) {
    return token(context, t.colocated ? FTS5_TOKEN_COLOCATED : 0, t.text.data(),
                 static_cast<int>(t.text.size()),
                 static_cast<int>(base + normalized.chars[t.first_char].source.begin),
                 static_cast<int>(base + normalized.chars[t.end_char - 1].source.end));
  });
}

// A document is tokenized piece by piece (search_tokenizer.h): the tokens are the same as
// the whole text's, and normalising a PDF of 16 MiB of text holds one piece's characters at
// a time (about 20 bytes each), not all of them.
int TokenizeText(Fts5Tokenizer*, void* context, int flags, const char* text, int length,
                 int (*token)(void*, int, const char*, int, int, int)) {
  if (length <= 0) return SQLITE_OK;
  const std::string_view all(text, static_cast<size_t>(length));
  if ((flags & FTS5_TOKENIZE_QUERY) != 0) {
    return TokenizePart(all, 0, TokenizeFor::kQuery, context, token);
  }
  return ForEachDocumentPiece(all, kDocumentPieceBytes, [&](std::string_view piece, size_t at) {
    return TokenizePart(piece, at, TokenizeFor::kDocument, context, token);
  });
}

void Hits(const Fts5ExtensionApi* api, Fts5Context* context, sqlite3_context* result, int,
          sqlite3_value**) {
  int tokens = 0;
  if (api->xColumnSize(context, 0, &tokens) != SQLITE_OK) tokens = 0;
  std::vector<int32_t> out;
  out.reserve(16);
  out.push_back(tokens);
  Fts5PhraseIter it;
  int column = -1;
  int offset = -1;
  if (api->xPhraseCount(context) > 0 &&
      api->xPhraseFirst(context, 0, &it, &column, &offset) == SQLITE_OK) {
    for (; column >= 0; api->xPhraseNext(context, &it, &column, &offset)) {
      if (out.size() == 1 || out.back() != offset) out.push_back(offset);
    }
  }
  sqlite3_result_blob(result, out.data(), static_cast<int>(out.size() * sizeof(int32_t)),
                      SQLITE_TRANSIENT);
}

}  // namespace

bool RegisterSearchFunctions(sqlite3* db) {
  fts5_api* api = Fts5Api(db);
  if (api == nullptr || api->iVersion < 2) return false;
  fts5_tokenizer tokenizer{CreateTokenizer, DeleteTokenizer, TokenizeText};
  return api->xCreateTokenizer(api, "veldra", nullptr, &tokenizer, nullptr) == SQLITE_OK &&
         api->xCreateFunction(api, "veldra_hits", nullptr, Hits, nullptr) == SQLITE_OK;
}

}  // namespace veldra::search
