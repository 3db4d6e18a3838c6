// veldra_dialog_screenshot OUTPUT.png CATALOG: opens CATALOG (made with sample data when it
// does not exist) in the application, selects a few entries, opens the batch category change
// as a user would from the PDF menu and saves a picture of its dialog. Used by
// scripts/screenshot.sh for the documentation.
#include <QApplication>
#include <QDialog>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "browser/catalog_document_host.h"
#include "browser/entry_list_ctrl.h"
#include "browser/main_window_view.h"
#include "resources/command_ids.h"
#include "shell/main_frame.h"
#include "shell/screenshot_setup.h"
#include "shell/veldra_app.h"

int main(int argc, char** argv) {
  QApplication qt_app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: veldra_dialog_screenshot OUTPUT.png CATALOG\n");
    return 2;
  }
  const QString output = QString::fromLocal8Bit(argv[1]);
  veldra::CVeldraApp app;
  if (!veldra::StartScreenshotApp(app, argv[2])) return 1;
  if (app.Documents().empty()) return 1;
  auto* view = static_cast<veldra::CMainWindowView*>(app.Documents().front()->browser_frame()->widget());

  int result = 1;
  QTimer::singleShot(300, [&] {
    view->entry_list()->SelectRows({0, 1, 2});
    // The dialog runs modally; the picture is taken once it is up, then it is cancelled.
    QTimer::singleShot(600, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (dialog != nullptr) {
        const bool saved = dialog->grab().save(output, "PNG");
        std::fprintf(stderr, saved ? "saved %s\n" : "cannot save %s\n", argv[1]);
        result = saved ? 0 : 1;
        dialog->reject();
      } else {
        std::fprintf(stderr, "the dialog did not open\n");
      }
    });
    app.main_frame()->Dispatch(veldra::cmd::kCategoryBatchChange);
    QApplication::exit(result);
  });
  return qt_app.exec();
}
