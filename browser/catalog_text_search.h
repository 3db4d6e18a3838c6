// The search of one open catalog as its search window runs it: a connection to the index
// (opened at the first search), what the index holds of the catalog's PDFs, and the search
// core that joins the index with the live document. The same core as veldra-cli search.
#pragma once

#include <memory>
#include <string>

#include "search/index_plan.h"
#include "search/index_store.h"
#include "search/search_engine.h"
#include "storage/catalog_document.h"

namespace veldra {

class CatalogTextSearch {
 public:
  // index_path: the index file (CP932); the user's (IndexStore::DefaultPath) by default.
  explicit CatalogTextSearch(std::string index_path = search::IndexStore::DefaultPath());

  // Opens the index unless it is open. Why it cannot be (kNone when it is open), and the name
  // a broken index was moved to on the way ("" when none).
  search::StoreProblem Open();
  const std::string& set_aside() const { return set_aside_; }

  // What the index holds of document's PDFs is read again at the next search: PDFs were
  // imported, deleted or indexed since.
  void Forget() { texts_read_ = false; }

  // The entries of document that match every term of query (which has no error). A damaged
  // index is set aside and made anew, once; the outcome then tells what failed.
  search::SearchOutcome Run(const CVeldraDocument& document, const search::SearchQuery& query,
                            const search::SearchOptions& options = {});

 private:
  std::string index_path_;
  std::string set_aside_;
  search::IndexStore store_;
  search::CatalogSearch search_{store_};
  bool texts_read_ = false;
};

}  // namespace veldra
