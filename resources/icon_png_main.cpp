// veldra_icon_png FOLDER: writes the application icon as FOLDER/<size>x<size>/apps/veldra.png
// at the sizes of the desktop's icon theme, drawn by the code that draws the main frame's.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>

#include "resources/app_icon.h"

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fputs("usage: veldra_icon_png FOLDER\n", stderr);
    return 2;
  }
  const QString root = QString::fromLocal8Bit(argv[1]);
  for (int size : {16, 32, 48, 64, 128, 256}) {
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
    if (!QDir().mkpath(folder) ||
        !veldra::resources::AppIconPixmap(size).save(folder + QStringLiteral("/veldra.png"),
                                                     "PNG")) {
      std::fprintf(stderr, "veldra_icon_png: cannot write %s\n", qPrintable(folder));
      return 1;
    }
  }
  return 0;
}
