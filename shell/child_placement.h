// Where a new child window of the main frame goes when nothing else places it.
#pragma once

#include <QPoint>

class QMdiArea;
class QMdiSubWindow;

namespace veldra {

// Cascaded from the top left corner of the area by one caption height per child window
// already open, starting over at the corner before the cascade reaches the middle of the
// area. frame is the new window, already in the area.
QPoint DefaultChildPlacement(const QMdiArea* area, const QMdiSubWindow* frame);

}  // namespace veldra
