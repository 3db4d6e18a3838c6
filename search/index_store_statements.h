// The statements an open IndexStore prepares once (index_store*.cpp only).
#pragma once

#include "search/index_store.h"
#include "search/sqlite_statement.h"

namespace veldra::search {

struct IndexStore::Statements {
  Statement key_digest;     // ?1 key -> digest
  Statement remember_key;   // ?1 key, ?2 digest
  Statement find_pdf;       // ?1 digest -> id, state, failure, pages, tokens, truncated, extractor
  Statement insert_pdf;     // ?1 digest ... ?8 indexed_at, ?9 page_starts
  Statement delete_pdf;     // ?1 id
  Statement insert_page;    // ?1 pdf id, ?2 page_no, ?3 text
  Statement delete_pages;   // ?1 pdf id
  Statement page_texts;     // ?1 pdf id -> text, in page order
  Statement insert_fts;     // ?1 rowid, ?2 body
  Statement delete_fts;     // ?1 rowid, ?2 body as inserted
  Statement find_claim;     // ?1 digest -> pid, boot_id, started
  Statement put_claim;      // ?1 digest, ?2 pid, ?3 boot_id, ?4 started
  Statement delete_claim;   // ?1 digest
  Statement match;          // ?1 FTS5 query -> rowid, veldra_hits
  Statement totals;         // -> documents, tokens
  Statement page_starts;    // ?1 pdf id -> page_starts
  Statement page_text;      // ?1 pdf id, ?2 page_no -> text

  int PrepareAll(sqlite3* db);
};

}  // namespace veldra::search
