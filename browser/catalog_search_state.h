// What the windows of one open catalog share about full-text search: the last query of its
// search window (kept in memory while the catalog is open), the entries that query hit, and
// whether the browser's entry list is narrowed to them. The search window writes it; the
// browser (narrowing, Ctrl+G) and the viewers (the find bar's text) read it.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace veldra {

class CatalogSearchState : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  // The query as typed (CP932); "" when none.
  const std::string& last_query() const { return last_query_; }
  void set_last_query(std::string query) { last_query_ = std::move(query); }
  // What a viewer's find bar looks for when it takes the last query: its first term that
  // may be in a PDF's text, as written; "" when none.
  QString PageFindText() const;

  // The entries with a hit, as the last search found them.
  const std::unordered_set<int32_t>& hits() const { return hits_; }
  void SetHits(const std::vector<int32_t>& ids);
  // No query any more: no hits, no narrowing.
  void Clear();

  // Whether the entry list shows only the hits (the category lists still filter).
  bool narrowing() const { return narrowing_; }
  void SetNarrowing(bool on);
  // The ids the entry list is narrowed to, or nullptr when it is not narrowed.
  const std::unordered_set<int32_t>* narrowed_ids() const { return narrowing_ ? &hits_ : nullptr; }

 signals:
  // The rows of a narrowed list change: narrowing turned on or off, or new hits while on.
  void NarrowingChanged();

 private:
  std::string last_query_;
  std::unordered_set<int32_t> hits_;
  bool narrowing_ = false;
};

}  // namespace veldra
