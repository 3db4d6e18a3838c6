// What the index's SQLite connection needs registered before it touches the full-text
// table: the tokenizer "veldra" (search/search_tokenizer.h) and the auxiliary function
// veldra_hits(pdf_fts), which gives for each row a query matches
//   a BLOB of 32-bit integers (this machine's byte order): the row's token count (its
//   positions), then the positions where the query's phrase starts, ascending, each once.
// Only the query's first phrase is reported: every query the index is asked is one phrase.
#pragma once

struct sqlite3;

namespace veldra::search {

// false when FTS5 is missing or a registration failed.
bool RegisterSearchFunctions(sqlite3* db);

}  // namespace veldra::search
