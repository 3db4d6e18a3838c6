#include "shell/child_placement.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <algorithm>

namespace veldra {
namespace {

// The start of a span of length that overlaps [0, room) nowhere, moved the least distance
// that brings it in: whole when it fits, else from 0.
int MovedIn(int start, int length, int room) {
  return std::clamp(start, 0, std::max(0, room - length));
}

// How many cascade steps of step pixels a span of length can go before it passes room; none
// when it cannot go one (it stays at 0 and does not limit the cascade).
std::optional<int> CascadeSteps(int length, int room, int step) {
  if (room - length < step) return std::nullopt;
  return (room - length) / step;
}

}  // namespace

QRect ChildWindowRect(const std::optional<QRect>& stored, QSize size, QSize room,
                      int window_index, int step) {
  const QRect visible(QPoint(0, 0), room);
  if (stored) {
    if (stored->intersects(visible)) return *stored;
    return QRect(MovedIn(stored->left(), stored->width(), room.width()),
                 MovedIn(stored->top(), stored->height(), room.height()), stored->width(),
                 stored->height());
  }
  step = std::max(1, step);
  const std::optional<int> across = CascadeSteps(size.width(), room.width(), step);
  const std::optional<int> down = CascadeSteps(size.height(), room.height(), step);
  int positions = 1;
  if (across || down) {
    positions += std::min(across.value_or(down.value_or(0)), down.value_or(across.value_or(0)));
  }
  const int k = std::max(0, window_index) % positions;
  return QRect(across ? k * step : 0, down ? k * step : 0, size.width(), size.height());
}

QSize ChildWindowRoom(const QMdiArea* area) {
  // A hidden area lays out its viewport only when it is shown; until then the viewport will
  // take the area's contents rectangle.
  return area->isVisible() ? area->viewport()->size() : area->contentsRect().size();
}

QRect PlaceChildWindow(const QMdiArea* area, const QMdiSubWindow* frame,
                       const std::optional<QRect>& stored, QSize size) {
  const int step = frame->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, frame);
  int others = 0;
  for (const QMdiSubWindow* window : area->subWindowList()) others += window != frame;
  return ChildWindowRect(stored, size, ChildWindowRoom(area), others, step);
}

QPoint DefaultChildPlacement(const QMdiArea* area, const QMdiSubWindow* frame) {
  return PlaceChildWindow(area, frame, std::nullopt, frame->size()).topLeft();
}

}  // namespace veldra
