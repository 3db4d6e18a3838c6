// Whole-process start-up probes, timed from outside (e.g. with /usr/bin/time or hyperfine):
//
//   startup_probe veldra     the application's own start-up, up to the shown main frame
//                            (or, with a catalog path after it, up to its shown browser)
//   startup_probe baseline   a bare Qt program that shows an empty main window
//
// Each quits as soon as the event loop has shown and painted its first window, so the two
// differ only by what VELDRA adds to a plain Qt start.
#include <QApplication>
#include <QMainWindow>
#include <QTimer>
#include <cstring>
#include <string>
#include <vector>

#include "browser/ui_text.h"
#include "resources/app_icon.h"
#include "shell/app_font.h"
#include "shell/veldra_app.h"

int main(int argc, char** argv) {
  if (argc < 2 || (std::strcmp(argv[1], "veldra") != 0 && std::strcmp(argv[1], "baseline") != 0)) {
    return 2;
  }
  QApplication qt_app(argc, argv);
  QTimer::singleShot(0, &qt_app, &QCoreApplication::quit);
  if (std::strcmp(argv[1], "baseline") == 0) {
    QMainWindow window;
    window.show();
    return qt_app.exec();
  }
  QApplication::setApplicationName(QStringLiteral("VELDRA"));
  QApplication::setWindowIcon(veldra::resources::AppIcon());
  veldra::UseDialogFont();
  std::vector<std::string> args;
  for (int i = 2; i < argc; ++i) args.push_back(veldra::FromQString(QString::fromLocal8Bit(argv[i])));
  veldra::CVeldraApp app;
  if (!app.InitInstance(args)) return 1;
  return qt_app.exec();
}
