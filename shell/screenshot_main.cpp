// veldra_screenshot OUTPUT.png CATALOG: opens CATALOG (made with sample data when it does not
// exist) in the application, chooses a category and a few rows as a user would, and saves
// a picture of the main window. Used by scripts/screenshot.sh for the documentation.
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <string>

#include "browser/catalog_document_host.h"
#include "browser/entry_list_ctrl.h"
#include "browser/category_list_ctrl.h"
#include "browser/main_window_view.h"
#include "browser/sample_catalog.h"
#include "browser/ui_text.h"
#include "platform/platform.h"
#include "resources/app_icon.h"
#include "shell/app_font.h"
#include "shell/main_frame.h"
#include "shell/veldra_app.h"

int main(int argc, char** argv) {
  QApplication qt_app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: veldra_screenshot OUTPUT.png CATALOG\n");
    return 2;
  }
  QApplication::setWindowIcon(veldra::resources::AppIcon());
  veldra::UseDialogFont();
  const QString output = QString::fromLocal8Bit(argv[1]);
  const std::string catalog = veldra::FromQString(QString::fromLocal8Bit(argv[2]));
  if (!veldra::platform::Platform::Current().FileExists(catalog)) {
    veldra::SampleCatalogShape shape;
    shape.entries = 36;
    shape.triples = 14;
    shape.japanese = true;
    if (!veldra::MakeSampleCatalog(catalog, shape)) {
      std::fprintf(stderr, "cannot make a sample catalog at %s\n", argv[2]);
      return 1;
    }
  }

  veldra::CVeldraApp app;
  if (!app.InitInstance({catalog})) return 1;
  veldra::CMainFrame* frame = app.main_frame();
  frame->resize(1000, 700);
  if (app.Documents().empty()) return 1;
  auto* browser = app.Documents().front()->browser_frame();
  auto* view = static_cast<veldra::CMainWindowView*>(browser->widget());

  QTimer::singleShot(300, [&] {
    browser->setGeometry(QRect(QPoint(0, 0), frame->mdi_area()->viewport()->size()));
    // A category chosen in the first list, and two rows selected.
    view->category_list(1)->SelectText(veldra::UiText("技術書"));
    view->OnCat1ListClick();
    view->entry_list()->SelectRows({1, 2});
    view->entry_list()->setFocus();
  });
  QTimer::singleShot(900, [&] {
    const bool saved = frame->grab().save(output, "PNG");
    std::fprintf(stderr, saved ? "saved %s\n" : "cannot save %s\n", argv[1]);
    QApplication::exit(saved ? 0 : 1);
  });
  return qt_app.exec();
}
