#include "browser/category_add_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "browser/dialog_service.h"
#include "browser/dialog_units.h"
#include "browser/ui_text.h"
#include "commands/category_add.h"
#include "platform/cp932_chars.h"
#include "storage/catalog_document.h"

namespace veldra {

CCategoryAddDlg::CCategoryAddDlg(const CVeldraDocument& document, int level, QWidget* parent)
    : QDialog(parent),
      document_(document),
      level_(level),
      level_label_(new QLabel(this)),
      name_edit_(new QLineEdit(this)),
      cancel_button_(new QPushButton(ToQString(UiText("キャンセル")), this)),
      ok_button_(new QPushButton(QStringLiteral("OK"), this)) {
  setWindowTitle(ToQString(UiText("分類追加")));
  const DialogUnits units(font());
  FixDialogSize(this, units.Size(kWidthDlu, kHeightDlu));
  level_label_->setGeometry(units.Rect(12, 16, 107, 8));
  name_edit_->setGeometry(units.Rect(12, 29, 107, 14));
  cancel_button_->setGeometry(units.Rect(12, 56, 50, 16));
  ok_button_->setGeometry(units.Rect(70, 56, 50, 16));
  ok_button_->setDefault(true);

  // A level without a label record shows an empty label.
  LabelRecord label;
  if (document_.FindLabel(level_, &label)) {
    level_label_->setText(ToQString(label.text.Text(commands::kCategoryNameMaxBytes + 1)));
  }
  name_edit_->setFocus();
  connect(ok_button_, &QPushButton::clicked, this, &CCategoryAddDlg::OnOK);
  connect(cancel_button_, &QPushButton::clicked, this, &QDialog::reject);
}

void CCategoryAddDlg::OnOK() {
  const std::string name =
      platform::CutCp932(FromQString(name_edit_->text()), commands::kCategoryNameMaxBytes);
  const std::string warning = commands::CheckNewCategoryName(document_, level_, name);
  if (!warning.empty()) {
    ShowWarningBox(warning, this);
    activateWindow();
    name_edit_->setFocus();
    name_edit_->selectAll();
    return;
  }
  name_ = name;
  accept();
}

}  // namespace veldra
