#include "shell/entry_window_template.h"

#include <QMdiArea>

#include "shell/child_placement.h"
#include "shell/entry_window.h"
#include "shell/entry_window_view.h"

namespace veldra {

EntryWindowTemplate::EntryWindowTemplate(QMdiArea* area) : area_(area) {}

CEntryWindow* EntryWindowTemplate::CreateNewFrame(CatalogDocumentHost* host) const {
  auto* frame = new CEntryWindow(host);
  area_->addSubWindow(frame);
  return frame;
}

void EntryWindowTemplate::InitialUpdateFrame(CEntryWindow* frame, bool visible) const {
  frame->view()->OnInitialUpdate();
  frame->FitToForm();
  frame->move(DefaultChildPlacement(area_, frame));
  if (visible) {
    frame->show();
    area_->setActiveSubWindow(frame);
  }
}

}  // namespace veldra
