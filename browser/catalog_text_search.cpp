#include "browser/catalog_text_search.h"

namespace veldra {

CatalogTextSearch::CatalogTextSearch(std::string index_path) : index_path_(std::move(index_path)) {}

search::StoreProblem CatalogTextSearch::Open() {
  if (store_.is_open()) return search::StoreProblem::kNone;
  if (index_path_.empty()) return search::StoreProblem::kNoCacheFolder;
  const search::StoreOpening opening = store_.Open(index_path_);
  if (!opening.set_aside.empty()) set_aside_ = opening.set_aside;
  texts_read_ = false;
  return opening.problem;
}

search::SearchOutcome CatalogTextSearch::Run(const CVeldraDocument& document,
                                             const search::SearchQuery& query,
                                             const search::SearchOptions& options) {
  search::SearchOutcome outcome;
  outcome.problem = Open();
  if (outcome.problem != search::StoreProblem::kNone) return outcome;
  if (!texts_read_) {
    search_.set_entry_texts(search::LookUpEntryTexts(search::MakeIndexPlan(document), store_));
    texts_read_ = true;
  }
  outcome = search_.Run(document, query, options);
  if (outcome.problem == search::StoreProblem::kDamaged) {
    const search::StoreOpening opening = store_.SetAsideAndRebuild();
    if (!opening.set_aside.empty()) set_aside_ = opening.set_aside;
    texts_read_ = false;
  }
  return outcome;
}

}  // namespace veldra
