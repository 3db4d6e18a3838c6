// Dialog units to pixels, from the base units of the dialog font: a horizontal dialog unit
// is a quarter of the font's average character width, a vertical one an eighth of its
// height.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

namespace veldra {

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  int X(int dlu) const { return (dlu * base_x_ + 2) / 4; }
  int Y(int dlu) const { return (dlu * base_y_ + 4) / 8; }
  QSize Size(int width, int height) const { return QSize(X(width), Y(height)); }
  QRect Rect(int x, int y, int width, int height) const {
    return QRect(X(x), Y(y), X(width), Y(height));
  }

 private:
  int base_x_;
  int base_y_;
};

// Fixes a dialog (a top-level window) at size: the user can move and close it but not
// resize, minimise or maximise it, and its system menu offers neither to size nor to maximize.
void FixDialogSize(QWidget* dialog, QSize size);

}  // namespace veldra
