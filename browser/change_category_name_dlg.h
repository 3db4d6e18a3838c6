// CChangeCategoryNameDlg: the three category names to give every selected entry, one
// editable drop-down per level listing the level's names. A level whose initial name is
// empty (the entries differ there) offers "＜変更しない＞" first and starts with it.
#pragma once

#include <QDialog>
#include <array>

#include "commands/category_triple.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace veldra {

class CVeldraDocument;

class CChangeCategoryNameDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kWidthDlu = 131;
  static constexpr int kHeightDlu = 153;

  // initial: the names per level the combo boxes start with ("" for "＜変更しない＞").
  CChangeCategoryNameDlg(const CVeldraDocument& document, const commands::CategoryTriple& initial,
                         QWidget* parent = nullptr);

  // The names chosen on OK: each combo text (at most 127 bytes), "その他" for an empty one.
  // Names that may not be stored ("＜すべて＞") are refused with a warning; the dialog stays.
  const commands::CategoryTriple& chosen() const { return chosen_; }

  QLabel* level_label(int level) const { return labels_[level - 1]; }
  QComboBox* combo(int level) const { return combos_[level - 1]; }
  QPushButton* ok_button() const { return ok_button_; }
  QPushButton* cancel_button() const { return cancel_button_; }

 private:
  void OnOK();

  commands::CategoryTriple chosen_;
  std::array<QLabel*, 3> labels_{};
  std::array<QComboBox*, 3> combos_{};
  QPushButton* cancel_button_;
  QPushButton* ok_button_;
};

}  // namespace veldra
