// The PDF viewer component as a plugin: the factory of PdfViewerControl.
#include <QObject>

#include "platform/viewer/pdf_viewer_control.h"
#include "platform/viewer/viewer_component.h"

namespace veldra::viewer {

class PdfViewerComponent : public QObject, public ViewerComponent {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID "org.veldra.ViewerComponent/2")
  Q_INTERFACES(veldra::viewer::ViewerComponent)

 public:
  ViewerControl* CreateControl(QWidget* parent) override { return new PdfViewerControl(parent); }
};

}  // namespace veldra::viewer

#include "pdf_viewer_plugin.moc"
