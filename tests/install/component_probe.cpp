// Looks up and loads the PDF viewer component the way the application does, from the folder
// of this program's own executable; the install test places it beside the installed
// application. Prints the registered library; exit 0 when the component loads.
#include <QApplication>
#include <cstdio>
#include <string>

#include "platform/viewer/component_registry.h"
#include "platform/viewer/viewer_component.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  using namespace veldra::viewer;
  const std::string library = RegisteredLibrary(kPdfViewerClassId);
  std::printf("folder %s\nlibrary %s\n", ComponentFolder().c_str(), library.c_str());
  if (library.empty()) return 1;
  return LoadViewerComponent(kPdfViewerClassId) != nullptr ? 0 : 1;
}
