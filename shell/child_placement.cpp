#include "shell/child_placement.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <algorithm>

namespace veldra {

QPoint DefaultChildPlacement(const QMdiArea* area, const QMdiSubWindow* frame) {
  const int step =
      std::max(1, frame->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, frame));
  const QSize room = area->viewport()->size();
  const int steps = std::max(1, std::min(room.width(), room.height()) / 2 / step);
  const int others = static_cast<int>(area->subWindowList().size()) - 1;
  const int k = std::max(0, others) % steps;
  return QPoint(k * step, k * step);
}

}  // namespace veldra
