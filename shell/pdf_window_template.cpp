#include "shell/pdf_window_template.h"

#include <QMdiArea>

#include "browser/catalog_document_host.h"
#include "browser/dialog_service.h"
#include "browser/ui_text.h"
#include "platform/viewer/component_registry.h"
#include "platform/viewer/viewer_component.h"
#include "shell/pdf_window.h"
#include "shell/pdf_window_view.h"
#include "storage/catalog_document.h"

namespace veldra {

PdfWindowTemplate::PdfWindowTemplate(QMdiArea* area, QWidget* owner)
    : area_(area), owner_(owner) {}

CPdfWindow* PdfWindowTemplate::CreateFrame(CatalogDocumentHost* host,
                                           viewer::ViewerComponent* component) {
  auto* frame = new CPdfWindow(host, component);
  frame->setWindowIcon(owner_ != nullptr ? owner_->windowIcon() : QIcon());
  area_->addSubWindow(frame);
  return frame;
}

QMdiSubWindow* ShowPdfViewer(PdfWindowTemplate& templ, CatalogDocumentHost* host,
                             const EntryRecord& entry, int ordinal) {
  viewer::ViewerComponent* component = viewer::LoadViewerComponent(viewer::kPdfViewerClassId);
  if (component == nullptr) {
    ShowWarningBox(UiText(kViewerMissingMessage), templ.owner());
    return nullptr;
  }
  if (host == nullptr || !host->loaded()) return nullptr;
  QMdiSubWindow* window = nullptr;
  // An entry without a PDF has no ordinal of its own: its viewer is told by the entry.
  for (const auto& item : host->pdf_windows()) {
    if (item.window && item.ordinal == ordinal && (ordinal >= 0 || item.entry_id == entry.id)) {
      window = item.window;
      break;
    }
  }
  if (window != nullptr) {
    templ.area()->setActiveSubWindow(window);
  } else {
    CPdfWindow* frame = templ.CreateFrame(host, component);
    // Registered with its catalog before it is shown: showing activates it, and the main
    // window's title names the catalog of the active window. LoadPdf shows it once placed.
    host->pdf_windows().push_back({entry.id, ordinal, frame});
    frame->view()->LoadPdf(entry);
    frame->show();
    window = frame;
  }
  CVeldraDocument& document = host->document();
  if (document.StampLastView(entry.id)) document.SaveTables(document.path());
  return window;
}

}  // namespace veldra
