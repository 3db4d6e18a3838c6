// The application icon (icons 128 and 129): a catalog binder with a PDF page, drawn at each
// size it is asked for.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace veldra::resources {

QPixmap AppIconPixmap(int size);
QIcon AppIcon();

}  // namespace veldra::resources
