#include "browser/catalog_search_state.h"

#include "platform/codepage.h"
#include "search/search_query.h"

namespace veldra {

QString CatalogSearchState::PageFindText() const {
  // The first term that may be in a PDF's text, as written: a page shows what the user
  // typed, not its canonical form.
  const search::SearchQuery query = search::ParseQuery(platform::Cp932ToUtf8(last_query_));
  for (const search::QueryTerm& term : query.terms) {
    if (term.field == search::QueryField::kAny || term.field == search::QueryField::kText) {
      return QString::fromStdString(term.text);
    }
  }
  return QString();
}

void CatalogSearchState::SetHits(const std::vector<int32_t>& ids) {
  std::unordered_set<int32_t> hits(ids.begin(), ids.end());
  if (hits == hits_) return;
  hits_ = std::move(hits);
  if (narrowing_) emit NarrowingChanged();
}

void CatalogSearchState::Clear() {
  last_query_.clear();
  SetNarrowing(false);
  hits_.clear();
}

void CatalogSearchState::SetNarrowing(bool on) {
  if (on == narrowing_) return;
  narrowing_ = on;
  emit NarrowingChanged();
}

}  // namespace veldra
