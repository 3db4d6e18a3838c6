#include "browser/category_label_edit_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "browser/dialog_units.h"
#include "browser/ui_text.h"
#include "commands/category_triple.h"
#include "platform/cp932_chars.h"

namespace veldra {

CCategoryLabelEditDlg::CCategoryLabelEditDlg(const std::array<std::string, 3>& labels,
                                             QWidget* parent)
    : QDialog(parent),
      cancel_button_(new QPushButton(ToQString(UiText("キャンセル")), this)),
      ok_button_(new QPushButton(QStringLiteral("OK"), this)) {
  setWindowTitle(ToQString(UiText("分類ラベル編集")));
  const DialogUnits units(font());
  FixDialogSize(this, units.Size(kWidthDlu, kHeightDlu));
  static const char* const kCaptions[3] = {"分類１：", "分類２：", "分類３："};
  for (int k = 0; k < 3; ++k) {
    auto* caption = new QLabel(ToQString(UiText(kCaptions[k])), this);
    caption->setGeometry(units.Rect(12, 15 + 20 * k, 25, 8));
    edits_[k] = new QLineEdit(ToQString(labels[k]), this);
    edits_[k]->setGeometry(units.Rect(37, 12 + 20 * k, 105, 14));
  }
  cancel_button_->setGeometry(units.Rect(37, 78, 50, 16));
  ok_button_->setGeometry(units.Rect(92, 78, 50, 16));
  ok_button_->setDefault(true);
  edits_[0]->setFocus();
  connect(ok_button_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_button_, &QPushButton::clicked, this, &QDialog::reject);
}

std::array<std::string, 3> CCategoryLabelEditDlg::Labels() const {
  std::array<std::string, 3> texts;
  for (int k = 0; k < 3; ++k) {
    texts[k] = platform::CutCp932(FromQString(edits_[k]->text()), commands::kCategoryNameMaxBytes);
  }
  return texts;
}

}  // namespace veldra
