// Running a query on a catalog: the full text from the index, the attributes from the live
// document, joined per entry.
//
// Each term is one FTS5 phrase query (search/search_query.h) whose rows give, per PDF, the
// positions where the term starts; a term that may match attributes is also matched in
// memory on their canonical form. An entry is a hit when every term matches it, in its
// PDF's text or an attribute (AND at the level of entries, so "田中 形態素" finds a PDF
// about morphology whose author is 田中). Only entries of the document are ever named: a
// deleted entry's text may stay in the index, but no hit leads to it.
//
// Relevance is BM25 computed here (k1 = 1.2, b = 0.75), not by FTS5 (its bm25() and ORDER
// BY rank cost 30-80 times the query): per term, idf from the number of entries it matches
// among the catalog's, text frequency saturated against the PDF's length relative to the
// index's average, plus the attribute hits weighted by field (title 3, person and
// category 2, note 1). Ties, and the list order on request, follow the entry list's sort
// (commands/entry_sort.h). Pages come from the positions through each page's first token;
// snippets only for the first entries asked.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "search/entry_attributes.h"
#include "search/index_plan.h"
#include "search/index_store.h"
#include "search/search_query.h"
#include "search/search_snippets.h"
#include "storage/catalog_document.h"

namespace veldra::search {

struct EntryHit {
  int32_t entry_id = 0;
  double score = 0;
  int hits = 0;  // occurrences of all terms, in the text and the attributes
  std::vector<int> pages;          // the pages (from 1) with a hit, ascending
  std::vector<Snippet> snippets;   // at most kSnippetsPerEntry
};

struct SearchOutcome {
  std::vector<EntryHit> entries;
  int indexed = 0;  // the catalog's PDFs the index knows
  int total = 0;    // the catalog's PDFs
  bool partial = false;  // some PDFs are not indexed yet: their text was not searched
  StoreProblem problem = StoreProblem::kNone;  // the index failed during the search
};

enum class ResultOrder { kRelevance, kListOrder };

constexpr size_t kSnippetsPerEntry = 3;

struct SearchOptions {
  ResultOrder order = ResultOrder::kRelevance;
  size_t snippet_entries = 100;  // the first entries that get snippets
  size_t limit = 0;              // at most this many entries (0: all)
};

// Searches one catalog; keeps what it learns of the entries' attributes and of the PDFs'
// pages between searches.
class CatalogSearch {
 public:
  explicit CatalogSearch(IndexStore& store) : store_(store) {}

  // Which full-text row holds each entry's text (LookUpEntryTexts, or the indexer's).
  void set_entry_texts(EntryTexts texts) { texts_ = std::move(texts); }
  const EntryTexts& entry_texts() const { return texts_; }

  // The entries of document that match every term of query (which has no error).
  SearchOutcome Run(const CVeldraDocument& document, const SearchQuery& query,
                    const SearchOptions& options = {});

 private:
  IndexStore& store_;
  EntryTexts texts_;
  AttributeCache attributes_;
  // Where the pages of each full-text row start, as read so far: a row's pages never change
  // (a PDF written again gets a new row).
  std::unordered_map<int64_t, std::vector<int64_t>> page_starts_;
};

}  // namespace veldra::search
