#include "shell/app_font.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

namespace veldra {

void UseDialogFont() {
  const QString family = QStringLiteral("IPAexGothic");
  if (!QFontDatabase::families().contains(family)) return;
  QFont font(family, 9);
  font.setStyleHint(QFont::SansSerif);
  QApplication::setFont(font);
}

}  // namespace veldra
