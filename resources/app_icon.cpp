#include "resources/app_icon.h"

#include <QColor>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace veldra::resources {

QPixmap AppIconPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size / 32.0;
  p.scale(s, s);

  // The binder: a dark blue cover behind the page.
  QLinearGradient cover(0, 0, 0, 32);
  cover.setColorAt(0, QColor(0x2f, 0x5d, 0x9e));
  cover.setColorAt(1, QColor(0x1b, 0x3a, 0x6b));
  p.setPen(QPen(QColor(0x12, 0x28, 0x4a), 1));
  p.setBrush(cover);
  p.drawRoundedRect(QRectF(2.5, 3.5, 22, 26), 2, 2);

  // The page, with a folded corner.
  QPainterPath page;
  page.moveTo(9.5, 1.5);
  page.lineTo(24.5, 1.5);
  page.lineTo(29.5, 6.5);
  page.lineTo(29.5, 30.5);
  page.lineTo(9.5, 30.5);
  page.closeSubpath();
  p.setPen(QPen(QColor(0x70, 0x70, 0x70), 1));
  p.setBrush(Qt::white);
  p.drawPath(page);
  QPainterPath fold;
  fold.moveTo(24.5, 1.5);
  fold.lineTo(24.5, 6.5);
  fold.lineTo(29.5, 6.5);
  p.setBrush(QColor(0xdd, 0xdd, 0xdd));
  p.drawPath(fold);

  // Lines of text on the page.
  p.setPen(QPen(QColor(0x9a, 0xa8, 0xbc), 1));
  for (int y = 10; y <= 16; y += 3) p.drawLine(QPointF(12, y + 0.5), QPointF(27, y + 0.5));

  // The red PDF band.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xc6, 0x28, 0x28));
  p.drawRect(QRectF(7, 20, 20, 8));
  if (size >= 24) {
    QFont font;
    font.setBold(true);
    font.setPixelSize(7);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(7, 20, 20, 8), Qt::AlignCenter, QStringLiteral("PDF"));
  }
  return pixmap;
}

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64}) icon.addPixmap(AppIconPixmap(size));
  return icon;
}

}  // namespace veldra::resources
