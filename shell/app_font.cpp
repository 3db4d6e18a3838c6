#include "shell/app_font.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

namespace veldra {

void UseDialogFont() {
  const QString family = QStringLiteral("IPAexGothic");
  if (!QFontDatabase::families().contains(family)) return;
  // The list columns and the form layouts are fixed in pixels for a Japanese UI font whose
  // digits are 6 pixels wide. IPAex Gothic is wider at the usual 9 points (12 pixels): a date
  // "2024/01/25 00:00" would need 116 of the 110 pixels its column has. At 11 pixels every
  // cell of the default widths shows whole.
  QFont font(family);
  font.setPixelSize(11);
  font.setStyleHint(QFont::SansSerif);
  QApplication::setFont(font);
}

}  // namespace veldra
