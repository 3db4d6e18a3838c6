#include "shell/entry_window.h"

#include <QAction>
#include <QMdiArea>
#include <QMenu>
#include <QMoveEvent>
#include <algorithm>

#include "browser/catalog_document_host.h"
#include "browser/main_window.h"
#include "resources/app_icon.h"
#include "shell/entry_window_template.h"
#include "shell/entry_window_view.h"
#include "storage/catalog_document.h"

namespace veldra {

CEntryWindow::CEntryWindow(CatalogDocumentHost* host, QWidget* parent)
    : QMdiSubWindow(parent), host_(host), view_(new CEntryWindowView(host)) {
  setAttribute(Qt::WA_DeleteOnClose);
  // Fixed in size: the system menu offers neither to size nor to maximize it.
  setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setWindowIcon(resources::AppIcon());
  setWidget(view_);
  // The window can be moved and closed only; the shared accelerator table is the only
  // keyboard binding of the frame.
  if (QMenu* menu = systemMenu()) {
    for (QAction* action : menu->actions()) action->setShortcuts({});
  }
}

CEntryWindow::~CEntryWindow() {
  view_->CommitEntryForm();
  if (host_ != nullptr && view_->bound()) {
    auto& windows = host_->entry_windows();
    const int32_t id = view_->entry_id();
    auto it = std::find_if(windows.begin(), windows.end(),
                           [id](const CatalogDocumentHost::EntryWindowItem& item) {
                             return item.entry_id == id;
                           });
    if (it != windows.end()) windows.erase(it);
  }
}

void CEntryWindow::FitToForm() {
  const QMargins margins = contentsMargins();
  const QSize size = view_->size().grownBy(margins);
  setFixedSize(size);
}

void CEntryWindow::moveEvent(QMoveEvent* event) {
  QMdiSubWindow::moveEvent(event);
  // Maximized (the window area maximizes the active window when the one before was) or
  // minimized, the frame is not where the user put it: the stored position stays.
  if (isMaximized() || isMinimized()) return;
  CVeldraDocument* doc = view_->document();
  if (doc == nullptr || !view_->bound()) return;
  view_->SaveEntryWindowPosition();
  doc->Save();
}

QMdiSubWindow* ShowEntryWindow(CatalogDocumentHost* host, int32_t entry_id, QMdiArea* area) {
  if (host == nullptr || !host->loaded()) return nullptr;
  CVeldraDocument& doc = host->document();
  const std::optional<EntryRecord> entry = doc.FindEntry(entry_id);
  if (!entry) return nullptr;

  QMdiSubWindow* window = host->FindEntryWindow(entry_id);
  if (window != nullptr) {
    // The open window keeps its place and the edits it holds.
    if (QMdiArea* own = window->mdiArea()) own->setActiveSubWindow(window);
    window->raise();
  } else {
    auto* browser = qobject_cast<CMainWindow*>(host->browser_frame());
    if (area == nullptr && browser != nullptr) area = browser->mdiArea();
    if (area == nullptr) return nullptr;
    const EntryWindowTemplate entry_template(area);
    CEntryWindow* frame = entry_template.CreateNewFrame(host);
    entry_template.InitialUpdateFrame(frame, /*visible=*/true);
    frame->view()->PlaceEntryWindow(*entry, browser != nullptr ? browser->view() : nullptr);
    host->entry_windows().push_back({entry_id, frame});
    window = frame;
  }
  doc.StampLastView(entry_id);
  doc.SaveTables(doc.path());
  return window;
}

}  // namespace veldra
