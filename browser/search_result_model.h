// The rows of the search window: one per entry with a hit, in the order the search gave
// them, with the entry's title (read from the live document when painted), the number of
// hits, the pages that hold them and the first snippet.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "search/search_engine.h"

namespace veldra {

class CVeldraDocument;

class SearchResultModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kTitle, kHits, kPages, kSnippet, kColumnCount };
  // The snippet column's parts: {where (the attribute's name, "" for the text), before,
  // match, after}, as a QStringList.
  static constexpr int kSnippetPartsRole = Qt::UserRole + 1;
  // The entry id of the row.
  static constexpr int kEntryIdRole = Qt::UserRole + 2;
  // At most this many pages are listed; more end in "…".
  static constexpr size_t kListedPages = 10;

  explicit SearchResultModel(QObject* parent = nullptr);

  // Shows hits of document; nullptr or no hits show no row. attribute_names: what the
  // snippet of an attribute is called, by the attribute's key (CP932, e.g. the catalog's
  // label of a category level).
  void Reset(const CVeldraDocument* document, std::vector<search::EntryHit> hits,
             std::unordered_map<std::string, std::string> attribute_names);
  const std::vector<search::EntryHit>& hits() const { return hits_; }
  // The row of entry_id, -1 when it has none.
  int RowOf(int32_t entry_id) const;

  // "3, 7, 12" (at most kListedPages, then " …").
  static QString PagesText(const std::vector<int>& pages);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  QString Title(const search::EntryHit& hit) const;
  QStringList SnippetParts(const search::Snippet& snippet) const;
  QString SnippetsTip(const search::EntryHit& hit) const;

  const CVeldraDocument* document_ = nullptr;
  std::vector<search::EntryHit> hits_;
  std::unordered_map<int32_t, int> row_of_entry_;
  std::unordered_map<std::string, std::string> attribute_names_;
};

}  // namespace veldra
