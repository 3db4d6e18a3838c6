#include "browser/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMdiArea>
#include <QMenu>
#include <QStyle>
#include <algorithm>

#include "browser/catalog_document_host.h"
#include "browser/file_drop.h"
#include "browser/main_window_view.h"

namespace veldra {
namespace {

constexpr int kMinViewWidth = 282;
constexpr int kMinViewHeight = 308;

}  // namespace

CMainWindow::CMainWindow(CatalogDocumentHost* host, QWidget* parent)
    : QMdiSubWindow(parent), host_(host), view_(new CMainWindowView(host)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWidget(view_);
  // The shared accelerator table is the only keyboard binding of the frame: the window
  // menu's own shortcuts (Ctrl+W closes on this platform) would bypass it.
  if (QMenu* menu = systemMenu()) {
    for (QAction* action : menu->actions()) action->setShortcuts({});
  }
  setMinimumSize(MinimumFrameSize());
  // Files dropped anywhere on the frame are the catalog's (the view's controls take none).
  setAcceptDrops(true);
  if (host_ != nullptr) host_->set_browser_frame(this);
}

CMainWindow::~CMainWindow() = default;

QSize CMainWindow::MinimumFrameSize() const {
  const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
  const int caption = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
  return QSize(kMinViewWidth + 2 * border + 1, kMinViewHeight + border + caption);
}

QSize CMainWindow::FrameSizeFor(const QSize& view_size) const {
  const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
  const int caption = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
  return QSize(view_size.width() + 2 * border, view_size.height() + border + caption);
}

void CMainWindow::StorePositionAndSave() {
  if (!view_->initialized()) return;
  CVeldraDocument* doc = view_->document();
  if (doc == nullptr) return;
  view_->SaveBrowserPosition();
  doc->Save();
}

void CMainWindow::resizeEvent(QResizeEvent* event) {
  QMdiSubWindow::resizeEvent(event);
  StorePositionAndSave();
}

void CMainWindow::moveEvent(QMoveEvent* event) {
  QMdiSubWindow::moveEvent(event);
  StorePositionAndSave();
}

void CMainWindow::dragEnterEvent(QDragEnterEvent* event) { dragMoveEvent(event); }

void CMainWindow::dragMoveEvent(QDragMoveEvent* event) {
  // While an import runs, nothing more is taken.
  if (view_->importing()) {
    event->ignore();
  } else {
    AcceptFileDrag(event);
  }
}

void CMainWindow::dropEvent(QDropEvent* event) {
  if (view_->importing() || !AcceptFileDrag(event)) return;
  // The work (messages, the import's progress) comes after the drop has returned to the
  // source: a file manager waits for the drop to end.
  const std::vector<commands::DroppedItem> items = DroppedItems(*event->mimeData());
  QMetaObject::invokeMethod(
      view_, [view = view_, items] { view->OnDropFiles(items); }, Qt::QueuedConnection);
}

void CMainWindow::closeEvent(QCloseEvent* event) {
  QMdiSubWindow::closeEvent(event);
  if (!event->isAccepted()) return;
  if (host_ != nullptr && host_->browser_frame() == this) host_->set_browser_frame(nullptr);
  RecordAndCloseDetailWindows();
}

void CMainWindow::RecordAndCloseDetailWindows() {
  CVeldraDocument* doc = view_->document();
  QMdiArea* area = mdiArea();
  if (doc == nullptr || area == nullptr) return;
  // The other child windows, topmost first. The window that is active once this one is
  // gone starts the count; without one, nothing is recorded.
  QList<QMdiSubWindow*> stack = area->subWindowList(QMdiArea::StackingOrder);
  std::reverse(stack.begin(), stack.end());
  stack.removeAll(this);
  stack.erase(std::remove_if(stack.begin(), stack.end(),
                             [](QMdiSubWindow* w) { return w->isHidden(); }),
              stack.end());
  QMdiSubWindow* active = area->currentSubWindow();
  if (active == this || !stack.contains(active)) active = stack.isEmpty() ? nullptr : stack.first();
  if (active == nullptr) return;

  doc->ResetWindowOrders();
  int number = 0;
  for (qsizetype i = stack.indexOf(active); i < stack.size(); ++i) {
    QMdiSubWindow* window = stack[i];
    ++number;
    for (const auto& item : host_->entry_windows()) {
      if (item.window == window) doc->SetEntryWindowOrder(item.entry_id, static_cast<int16_t>(number));
    }
    for (const auto& item : host_->pdf_windows()) {
      if (item.window == window) doc->SetPdfWindowOrder(item.entry_id, static_cast<int16_t>(number));
    }
  }
  // Each window leaves its list while it closes: walk copies, last to first.
  const auto pdf_windows = host_->pdf_windows();
  for (auto it = pdf_windows.rbegin(); it != pdf_windows.rend(); ++it) {
    if (it->window) it->window->close();
  }
  const auto entry_windows = host_->entry_windows();
  for (auto it = entry_windows.rbegin(); it != entry_windows.rend(); ++it) {
    if (it->window) it->window->close();
  }
  doc->Save();
}

}  // namespace veldra
