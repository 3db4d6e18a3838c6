#include "shell/pdf_window.h"

#include <QMenu>
#include <algorithm>

#include "browser/catalog_document_host.h"
#include "platform/platform.h"
#include "shell/pdf_window_view.h"
#include "storage/catalog_document.h"

namespace veldra {

CPdfWindow::CPdfWindow(CatalogDocumentHost* host, viewer::ViewerComponent* component,
                       QWidget* parent)
    : QMdiSubWindow(parent), host_(host), view_(new CPdfWindowView(host, component)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWidget(view_);
  // The accelerator table is the only keyboard binding: the window menu's own Ctrl+W
  // would bypass it.
  if (QMenu* menu = systemMenu()) {
    for (QAction* action : menu->actions()) action->setShortcuts({});
  }
}

CPdfWindow::~CPdfWindow() {
  if (!view_->temporary_path().empty()) {
    platform::Platform::Current().Remove(view_->temporary_path());
  }
  if (host_ != nullptr) {
    auto& open = host_->pdf_windows();
    auto it = std::find_if(open.begin(), open.end(),
                           [this](const auto& item) { return item.window == this; });
    if (it != open.end()) open.erase(it);
  }
}

void CPdfWindow::SavePdfWindowPosition(const QRect& rect) {
  CVeldraDocument* doc = view_->document();
  if (doc == nullptr || !view_->bound()) return;
  doc->SetPdfWindowPosition(view_->entry_id(),
                            WindowRect::CutFrom(rect.top(), rect.left(), rect.top() + rect.height(),
                                                rect.left() + rect.width()));
}

void CPdfWindow::StorePositionAndSave() {
  // A maximized or minimized frame keeps the placement it had before.
  if (placing_ || !view_->bound() || isMaximized() || isMinimized()) return;
  CVeldraDocument* doc = view_->document();
  if (doc == nullptr) return;
  SavePdfWindowPosition(geometry());  // already in the window area's coordinates
  doc->Save();
}

void CPdfWindow::resizeEvent(QResizeEvent* event) {
  QMdiSubWindow::resizeEvent(event);
  StorePositionAndSave();
}

void CPdfWindow::moveEvent(QMoveEvent* event) {
  QMdiSubWindow::moveEvent(event);
  StorePositionAndSave();
}

}  // namespace veldra
