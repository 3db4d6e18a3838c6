// CEntryWindowTab2View: the information page "情報" of a property window: the entry's file
// name and size and its five dates, as the entry list shows them. Nothing on it is editable.
#pragma once

#include <QWidget>
#include <array>

#include "storage/catalog_entry_record.h"

class QLabel;

namespace veldra {

class CEntryWindowTab2View : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kTemplateWidthDlu = 267;
  static constexpr int kTemplateHeightDlu = 289;

  // The values, in the order of the page.
  enum Value {
    kFileName,
    kFileSize,
    kFileTimestamp,
    kCreated,
    kUpdated,
    kLastView,
    kLastUse,
    kValueCount
  };

  explicit CEntryWindowTab2View(QWidget* parent = nullptr);

  void Fill(const EntryRecord& entry);

  QLabel* label(Value value) const { return labels_[value]; }
  QLabel* value(Value value) const { return values_[value]; }

 private:
  std::array<QLabel*, kValueCount> labels_{};
  std::array<QLabel*, kValueCount> values_{};
};

}  // namespace veldra
