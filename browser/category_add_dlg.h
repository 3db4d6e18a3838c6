// CCategoryAddDlg ("分類追加"): asks for a new category name at one level. OK tests the
// name (commands::CheckNewCategoryName); a refused name is explained in a warning box and
// the dialog stays open.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace veldra {

class CVeldraDocument;

class CCategoryAddDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kWidthDlu = 131;
  static constexpr int kHeightDlu = 83;

  CCategoryAddDlg(const CVeldraDocument& document, int level, QWidget* parent = nullptr);

  // The accepted name (CP932, at most 127 bytes); "" until OK accepted one.
  const std::string& name() const { return name_; }

  QLabel* level_label() const { return level_label_; }
  QLineEdit* name_edit() const { return name_edit_; }
  QPushButton* ok_button() const { return ok_button_; }
  QPushButton* cancel_button() const { return cancel_button_; }

 private:
  void OnOK();

  const CVeldraDocument& document_;
  int level_;
  std::string name_;
  QLabel* level_label_;
  QLineEdit* name_edit_;
  QPushButton* cancel_button_;
  QPushButton* ok_button_;
};

}  // namespace veldra
