// CCategoryLabelEditDlg ("分類ラベル編集"): the labels of the three category levels in
// three edit boxes. Any text is accepted, the empty one included.
#pragma once

#include <QDialog>
#include <array>
#include <string>

class QLineEdit;
class QPushButton;

namespace veldra {

class CCategoryLabelEditDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kWidthDlu = 155;
  static constexpr int kHeightDlu = 105;

  // labels: the texts of levels 1, 2, 3 (CP932).
  explicit CCategoryLabelEditDlg(const std::array<std::string, 3>& labels,
                                 QWidget* parent = nullptr);

  // The three texts as the edit boxes hold them (CP932, each at most 127 bytes).
  std::array<std::string, 3> Labels() const;

  QLineEdit* label_edit(int level) const { return edits_[level - 1]; }
  QPushButton* ok_button() const { return ok_button_; }
  QPushButton* cancel_button() const { return cancel_button_; }

 private:
  std::array<QLineEdit*, 3> edits_{};
  QPushButton* cancel_button_;
  QPushButton* ok_button_;
};

}  // namespace veldra
