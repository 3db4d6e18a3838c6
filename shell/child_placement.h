// Where a child window of the main frame goes: the arithmetic on its own, then the same for a
// window of a real window area.
#pragma once

#include <QRect>
#include <QSize>
#include <optional>

class QMdiArea;
class QMdiSubWindow;

namespace veldra {

// The rectangle of a child window in an area whose visible part is room, all in the area's
// coordinates (the visible part's top left corner is 0, 0):
// - a stored rectangle that shows at least in part is kept exactly;
// - a stored rectangle wholly out of view (stored on a larger screen) keeps its size and moves
//   the least distance that brings it into view, whole when it fits;
// - without one, a window of size cascades: the window_index-th window opened goes step pixels
//   right and down from the one before, starting over at the top left corner before it would
//   reach past the right or bottom edge of room. Along a side where room leaves the window no
//   step (it is larger, or only a little smaller) it stays at 0 and cascades along the other.
QRect ChildWindowRect(const std::optional<QRect>& stored, QSize size, QSize room,
                      int window_index, int step);

// The visible part of area's client area, as its child windows are placed in it; also before
// the main frame is first shown, when the area has its size but has not laid out its viewport.
QSize ChildWindowRoom(const QMdiArea* area);

// ChildWindowRect for frame, a new child window already in area: the room is the area's,
// the window's index the number of other child windows in the area, the step a caption height.
QRect PlaceChildWindow(const QMdiArea* area, const QMdiSubWindow* frame,
                       const std::optional<QRect>& stored, QSize size);

// Where a new window without a stored position goes: PlaceChildWindow's top left corner for
// frame at its present size.
QPoint DefaultChildPlacement(const QMdiArea* area, const QMdiSubWindow* frame);

}  // namespace veldra
