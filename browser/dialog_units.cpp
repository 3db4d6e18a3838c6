#include "browser/dialog_units.h"

#include <QFontMetrics>
#include <QWidget>

namespace veldra {

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  // The average width of the 52 Latin letters, rounded, as the platform measures it.
  const QString letters =
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  base_x_ = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
  base_y_ = metrics.height();
  if (base_x_ <= 0) base_x_ = 6;
  if (base_y_ <= 0) base_y_ = 12;
}

void FixDialogSize(QWidget* dialog, QSize size) {
  dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint);
  dialog->setFixedSize(size);
}

}  // namespace veldra
