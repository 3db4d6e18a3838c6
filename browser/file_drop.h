// The widget edge of a drop of files: which drags are taken, and what they carry as the
// drop plan's items (commands/drop_plan.h).
#pragma once

#include <vector>

#include "commands/drop_plan.h"

class QDropEvent;
class QMimeData;

namespace veldra {

// Takes a drag that carries addresses (files from a file manager, links from a browser) as
// a copy: a move would let the source delete what was dropped. Anything else is ignored.
// true when taken. For the drag's entering, moving and dropping alike.
bool AcceptFileDrag(QDropEvent* event);

// The addresses of data in order: a file of this computer as its path (CP932, cleaned of
// "." and ".." and a trailing "/"), anything else as its address without a password.
std::vector<commands::DroppedItem> DroppedItems(const QMimeData& data);

}  // namespace veldra
