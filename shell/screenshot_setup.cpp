#include "shell/screenshot_setup.h"

#include <QApplication>
#include <cstdio>
#include <string>

#include "browser/sample_catalog.h"
#include "browser/ui_text.h"
#include "platform/platform.h"
#include "resources/app_icon.h"
#include "shell/app_font.h"
#include "shell/veldra_app.h"

namespace veldra {

bool StartScreenshotApp(CVeldraApp& app, const char* catalog_arg) {
  QApplication::setWindowIcon(resources::AppIcon());
  UseDialogFont();
  const std::string catalog = FromQString(QString::fromLocal8Bit(catalog_arg));
  if (!platform::Platform::Current().FileExists(catalog)) {
    SampleCatalogShape shape;
    shape.entries = 36;
    shape.triples = 14;
    shape.japanese = true;
    if (!MakeSampleCatalog(catalog, shape)) {
      std::fprintf(stderr, "cannot make a sample catalog at %s\n", catalog_arg);
      return false;
    }
  }
  return app.InitInstance({catalog});
}

}  // namespace veldra
