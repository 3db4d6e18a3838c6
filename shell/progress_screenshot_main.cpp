// veldra_progress_screenshot OUTPUT.png: shows the batch import's progress dialog over the
// main window, part of the way through a folder, and saves a picture of it. Used by
// scripts/screenshot.sh for the documentation.
#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "browser/progress_dlg.h"
#include "browser/ui_text.h"
#include "resources/app_icon.h"
#include "shell/app_font.h"
#include "shell/main_frame.h"
#include "shell/veldra_app.h"

int main(int argc, char** argv) {
  QApplication qt_app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: veldra_progress_screenshot OUTPUT.png\n");
    return 2;
  }
  QApplication::setWindowIcon(veldra::resources::AppIcon());
  veldra::UseDialogFont();
  const QString output = QString::fromLocal8Bit(argv[1]);
  veldra::CVeldraApp app;
  if (!app.InitInstance({})) return 1;
  app.main_frame()->resize(800, 500);

  veldra::ProgressRequest request;
  request.title = veldra::UiText("PDF一括取り込み");
  request.total = 120;
  request.owner = app.main_frame();
  veldra::ProgressDlg progress(request, /*show_after_ms=*/0);
  const std::string file = veldra::UiText("/home/user/論文/2024/量子計算の基礎.pdf");
  progress.Step(41, veldra::ImportProgressLabel(41, 120, file));
  progress.show();

  QTimer::singleShot(600, [&] {
    const bool saved = progress.grab().save(output, "PNG");
    std::fprintf(stderr, saved ? "saved %s\n" : "cannot save %s\n", argv[1]);
    QApplication::exit(saved ? 0 : 1);
  });
  return qt_app.exec();
}
