// The rows of the entry list: row i is element i of the document's displayed list (its
// filtered entries as the last refresh filtered and sorted them). The model holds no entry
// data of its own; it reads the cells from the list when they are painted.
#pragma once

#include <QAbstractTableModel>
#include <array>
#include <string>

#include "storage/catalog_entry_record.h"
#include "storage/record_array.h"

namespace veldra {

class EntryListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit EntryListModel(QObject* parent = nullptr);

  // Rebuilds every row from rows (which must outlive the model or the next Reset);
  // nullptr shows none.
  void Reset(const RecordArray* rows);
  // The titles of columns 2..4 (category levels 1..3), CP932.
  void SetCategoryTitles(const std::array<std::string, 3>& titles);
  std::string ColumnTitle(int column) const;  // CP932

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const EntryRecord* Row(int row) const;

  const RecordArray* rows_ = nullptr;
  int row_count_ = 0;
  std::array<std::string, 14> titles_;
  // The last row decoded: cells are painted row by row.
  mutable int cached_row_ = -1;
  mutable EntryRecord cached_entry_;
};

}  // namespace veldra
