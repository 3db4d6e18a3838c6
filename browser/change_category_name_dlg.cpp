#include "browser/change_category_name_dlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>
#include <vector>

#include "browser/dialog_service.h"
#include "browser/dialog_units.h"
#include "browser/ui_text.h"
#include "commands/batch_category_change.h"
#include "platform/cp932_chars.h"
#include "storage/catalog_document.h"
#include "storage/category_names.h"

namespace veldra {
namespace {

constexpr int kNameRole = Qt::UserRole;

void AddName(QComboBox* combo, std::string_view name) {
  combo->addItem(ToQString(name), QByteArray(name.data(), static_cast<int>(name.size())));
}

// The item whose name is text, or -1. The search is exact: a name that only begins like
// another, or differs from it in case, is another category.
int FindName(const QComboBox* combo, const std::string& text) {
  for (int i = 0; i < combo->count(); ++i) {
    const QByteArray bytes = combo->itemData(i, kNameRole).toByteArray();
    if (std::string(bytes.constData(), bytes.size()) == text) return i;
  }
  return -1;
}

}  // namespace

CChangeCategoryNameDlg::CChangeCategoryNameDlg(const CVeldraDocument& document,
                                               const commands::CategoryTriple& initial,
                                               QWidget* parent)
    : QDialog(parent),
      cancel_button_(new QPushButton(ToQString(UiText("キャンセル")), this)),
      ok_button_(new QPushButton(QStringLiteral("OK"), this)) {
  setWindowTitle(ToQString(UiText("ダイアログ")));
  const DialogUnits units(font());
  FixDialogSize(this, units.Size(kWidthDlu, kHeightDlu));
  for (int k = 0; k < 3; ++k) {
    const int level = k + 1;
    labels_[k] = new QLabel(ToQString(kDefaultLabelNames[k]), this);
    labels_[k]->setGeometry(units.Rect(12, 15 + 34 * k, 107, 8));
    LabelRecord label;
    labels_[k]->setText(document.FindLabel(level, &label)
                            ? ToQString(label.text.Text(kCategoryNameBufferSize))
                            : QString());

    QComboBox* combo = new QComboBox(this);
    combos_[k] = combo;
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setDuplicatesEnabled(true);
    // A typed name stays as typed: no completion, and Enter picks a listed name only when
    // the text is that name exactly, case included.
    combo->setCompleter(nullptr);
    const QRect box = units.Rect(12, 27 + 34 * k, 107, 14);
    combo->setGeometry(box.x(), box.y(), box.width(), combo->sizeHint().height());
    std::vector<std::string> names;
    document.ListLevelNames(level, &names);
    if (initial[k].empty()) AddName(combo, kUnchangedCategoryName);
    for (const std::string& name : names) AddName(combo, name);
    const int start = FindName(combo, commands::BatchComboStartText(initial[k]));
    combo->setCurrentIndex(start);
    if (start < 0) combo->setEditText(QString());
  }
  cancel_button_->setGeometry(units.Rect(12, 125, 50, 16));
  ok_button_->setGeometry(units.Rect(69, 125, 50, 16));
  ok_button_->setDefault(true);
  connect(ok_button_, &QPushButton::clicked, this, &CChangeCategoryNameDlg::OnOK);
  connect(cancel_button_, &QPushButton::clicked, this, &QDialog::reject);
}

void CChangeCategoryNameDlg::OnOK() {
  commands::CategoryTriple texts;
  for (int k = 0; k < 3; ++k) {
    const QComboBox* combo = combos_[k];
    const int index = combo->currentIndex();
    // A listed name keeps its exact bytes; a typed one is converted.
    if (index >= 0 && combo->currentText() == combo->itemText(index)) {
      const QByteArray bytes = combo->itemData(index, kNameRole).toByteArray();
      texts[k] = std::string(bytes.constData(), bytes.size());
    } else {
      texts[k] = platform::CutCp932(FromQString(combo->currentText()),
                                    commands::kCategoryNameMaxBytes);
    }
  }
  const commands::CategoryTriple chosen = commands::ChosenBatchNames(texts);
  if (const std::string warning = commands::CheckBatchNames(chosen); !warning.empty()) {
    ShowWarningBox(warning, this);
    return;
  }
  chosen_ = chosen;
  accept();
}

}  // namespace veldra
