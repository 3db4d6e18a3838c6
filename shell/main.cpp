// veldra [CATALOG]: starts the application, opening CATALOG when it is given (a path that
// does not exist becomes a new catalog).
#include <QApplication>
#include <string>
#include <vector>

#include "browser/ui_text.h"
#include "resources/app_icon.h"
#include "shell/app_font.h"
#include "shell/veldra_app.h"

int main(int argc, char** argv) {
  QApplication qt_app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("VELDRA"));
  QApplication::setWindowIcon(veldra::resources::AppIcon());
  veldra::UseDialogFont();

  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(veldra::FromQString(QString::fromLocal8Bit(argv[i])));

  veldra::CVeldraApp app;
  if (!app.InitInstance(args)) return 1;
  return qt_app.exec();
}
