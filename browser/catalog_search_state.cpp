#include "browser/catalog_search_state.h"

#include "browser/ui_text.h"

namespace veldra {

QString CatalogSearchState::PageFindText() const { return ToQString(last_query_).trimmed(); }

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
