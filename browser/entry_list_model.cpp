#include "browser/entry_list_model.h"

#include "browser/entry_list_columns.h"
#include "browser/ui_text.h"
#include "commands/entry_list_text.h"
#include "storage/catalog_table.h"

namespace veldra {

EntryListModel::EntryListModel(QObject* parent) : QAbstractTableModel(parent) {
  for (int c = 0; c < kEntryColumnCount; ++c) titles_[c] = UiText(EntryColumns()[c].title);
}

void EntryListModel::Reset(const RecordArray* rows) {
  beginResetModel();
  rows_ = rows != nullptr && HoldsRecords<EntryRecord>(*rows) ? rows : nullptr;
  row_count_ = rows_ != nullptr ? rows_->Count() : 0;
  cached_row_ = -1;
  endResetModel();
}

void EntryListModel::SetCategoryTitles(const std::array<std::string, 3>& titles) {
  for (int level = 0; level < 3; ++level) titles_[2 + level] = titles[level];
  emit headerDataChanged(Qt::Horizontal, 2, 4);
}

std::string EntryListModel::ColumnTitle(int column) const {
  return column >= 0 && column < kEntryColumnCount ? titles_[column] : std::string();
}

int EntryListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : row_count_;
}

int EntryListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kEntryColumnCount;
}

const EntryRecord* EntryListModel::Row(int row) const {
  // The list may have been rebuilt by another window since the last reset: read only what
  // is there.
  if (rows_ == nullptr || row < 0 || row >= row_count_ || row >= rows_->Count()) return nullptr;
  if (cached_row_ != row) {
    cached_entry_ = RecordAt<EntryRecord>(*rows_, row);
    cached_row_ = row;
  }
  return &cached_entry_;
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue(EntryColumns()[index.column()].alignment);
  }
  if (role != Qt::DisplayRole) return {};
  const EntryRecord* entry = Row(index.row());
  if (entry == nullptr) return {};
  return ToQString(commands::EntryCellText(*entry, index.column()));
}

QVariant EntryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kEntryColumnCount) return {};
  if (role == Qt::DisplayRole) return ToQString(titles_[section]);
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue(EntryColumns()[section].alignment);
  }
  return {};
}

}  // namespace veldra
