#include "shell/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <algorithm>

#include "browser/catalog_document_host.h"
#include "browser/dialog_service.h"
#include "browser/file_drop.h"
#include "browser/main_window.h"
#include "browser/main_window_view.h"
#include "browser/ui_text.h"
#include "commands/import_messages.h"
#include "commands/recent_catalogs.h"
#include "resources/accelerator_table.h"
#include "resources/app_icon.h"
#include "resources/app_strings.h"
#include "resources/command_ids.h"
#include "resources/menu_table.h"
#include "shell/veldra_app.h"

namespace veldra {
namespace {

// The child-window area. The keys of the accelerator table are the only keys of the
// program: the area's own window switching on Ctrl+Tab and Ctrl+Shift+Tab is left out.
class ChildWindowArea : public QMdiArea {
 public:
  using QMdiArea::QMdiArea;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Control) {
        return QAbstractScrollArea::eventFilter(object, event);
      }
    }
    return QMdiArea::eventFilter(object, event);
  }
};

}  // namespace

CMainFrame::CMainFrame(CVeldraApp* app) : app_(app), mdi_area_(new ChildWindowArea(this)) {
  setWindowTitle(ToQString(UiText(resources::kAppTitle)));
  setWindowIcon(resources::AppIcon());
  setMinimumSize(kMinWidth, kMinHeight);
  mdi_area_->setActivationOrder(QMdiArea::StackingOrder);
  // Child windows may reach past the area (a stored position from a larger main window):
  // scroll bars reach them.
  mdi_area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdi_area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(mdi_area_);
  setAcceptDrops(true);
  CreateMenus();
  CreateAccelerators();
  connect(mdi_area_, &QMdiArea::subWindowActivated, this, &CMainFrame::UpdateMenus);
  UpdateMenus();
  // Sized and laid out from the start as it is when first shown: the catalog named on the
  // command line opens before the frame shows, and its windows are placed in this room.
  adjustSize();
  layout()->invalidate();  // a hidden window's layout does not follow its resize by itself
  layout()->activate();
}

CMainFrame::~CMainFrame() {
  // The child windows hide while the frame goes: no menu updates from them any more.
  disconnect(mdi_area_, nullptr, this, nullptr);
}

void CMainFrame::CreateMenus() {
  const auto& menus = resources::SharedMenu();
  for (size_t m = 0; m < menus.size(); ++m) {
    QMenu* menu = menuBar()->addMenu(ToQString(UiText(menus[m].title)));
    for (const resources::MenuItemDef& item : menus[m].items) {
      if (item.command == 0) {
        menu->addSeparator();
        continue;
      }
      QAction* action = menu->addAction(ToQString(UiText(item.text)));
      action->setData(item.command);
      const int id = item.command;
      connect(action, &QAction::triggered, this, [this, id] { Dispatch(id); });
      actions_[id] = action;
      if (id == cmd::kRecentFile) CreateRecentItems(menu);
    }
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateMenus);
    if (static_cast<int>(m) == resources::kWindowMenuIndex) {
      window_menu_ = menu;
      connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateWindowMenu);
    }
  }
}

void CMainFrame::CreateRecentItems(QMenu* menu) {
  recent_placeholder_text_ = actions_[cmd::kRecentFile]->text();
  for (int id = cmd::kRecentFile + 1; id < cmd::kRecentFile + cmd::kRecentFileCount; ++id) {
    QAction* action = menu->addAction(QString());
    action->setData(id);
    action->setVisible(false);
    connect(action, &QAction::triggered, this, [this, id] { Dispatch(id); });
    actions_[id] = action;
  }
  // The list is read again each time the menu opens: another instance may have changed it.
  connect(menu, &QMenu::aboutToShow, app_, &CVeldraApp::ReloadRecentCatalogs);
}

void CMainFrame::UpdateRecentMenu() {
  const std::vector<std::string>& list = app_->recent_catalogs();
  for (int i = 0; i < cmd::kRecentFileCount; ++i) {
    QAction* action = MenuAction(cmd::kRecentFile + i);
    const bool listed = static_cast<size_t>(i) < list.size();
    action->setText(listed ? ToQString(commands::RecentMenuText(i, list[i]))
                           : recent_placeholder_text_);
    action->setVisible(listed || i == 0);
    action->setEnabled(RouteQuery(cmd::kRecentFile + i) == CommandState::kEnabled);
  }
}

void CMainFrame::CreateAccelerators() {
  for (const resources::AcceleratorDef& def : resources::AcceleratorTable()) {
    auto* shortcut = new QShortcut(QKeySequence(def.keys), this);
    shortcut->setContext(Qt::WindowShortcut);
    const int id = def.command;
    connect(shortcut, &QShortcut::activated, this, [this, id] { Dispatch(id); });
    accelerators_.push_back(shortcut);
  }
}

QAction* CMainFrame::MenuAction(int id) const {
  auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

CommandTarget* CMainFrame::TargetFor(int id, CommandState* state) {
  std::vector<CommandTarget*> chain;
  if (QMdiSubWindow* child = mdi_area_->currentSubWindow()) {
    if (auto* target = dynamic_cast<CommandTarget*>(child->widget())) chain.push_back(target);
    if (auto* target = dynamic_cast<CommandTarget*>(child)) chain.push_back(target);
  }
  chain.push_back(this);
  chain.push_back(app_);
  for (CommandTarget* target : chain) {
    *state = target->QueryCommand(id);
    if (*state != CommandState::kNotHandled) return target;
  }
  *state = CommandState::kNotHandled;
  return nullptr;
}

CommandState CMainFrame::RouteQuery(int id) {
  CommandState state;
  TargetFor(id, &state);
  return state;
}

void CMainFrame::Dispatch(int id) {
  CommandState state;
  CommandTarget* target = TargetFor(id, &state);
  if (target != nullptr && state == CommandState::kEnabled) target->RunCommand(id);
  UpdateMenus();
}

void CMainFrame::UpdateMenus() {
  for (auto& [id, action] : actions_) {
    action->setEnabled(RouteQuery(id) == CommandState::kEnabled);
  }
  UpdateTitle();
}

void CMainFrame::UpdateTitle() {
  std::string title = UiText(resources::kAppTitle);
  if (CatalogDocumentHost* host = app_->DocumentOf(mdi_area_->currentSubWindow())) {
    title += " - " + host->Title();
  }
  title_ = ToQString(title);
  setWindowTitle(title_);
}

void CMainFrame::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowTitleChange && !title_.isEmpty() && windowTitle() != title_) {
    setWindowTitle(title_);
  }
}

void CMainFrame::UpdateWindowMenu() {
  for (QAction* action : window_list_actions_) {
    window_menu_->removeAction(action);
    delete action;
  }
  window_list_actions_.clear();
  const QList<QMdiSubWindow*> windows = mdi_area_->subWindowList(QMdiArea::CreationOrder);
  if (windows.isEmpty()) return;
  window_list_actions_.push_back(window_menu_->addSeparator());
  int number = 0;
  for (QMdiSubWindow* window : windows) {
    ++number;
    QAction* action = window_menu_->addAction(QStringLiteral("&%1 %2").arg(number).arg(window->windowTitle()));
    action->setCheckable(true);
    action->setChecked(window == mdi_area_->currentSubWindow());
    connect(action, &QAction::triggered, this, [this, window] { mdi_area_->setActiveSubWindow(window); });
    window_list_actions_.push_back(action);
  }
}

CMainWindowView* CMainFrame::ActiveCatalogBrowser() const {
  CatalogDocumentHost* host = app_->DocumentOf(mdi_area_->currentSubWindow());
  auto* browser = host != nullptr ? qobject_cast<CMainWindow*>(host->browser_frame()) : nullptr;
  return browser != nullptr ? browser->view() : nullptr;
}

CommandState CMainFrame::QueryCommand(int id) {
  switch (id) {
    // From a window of a catalog that has no search of its own (a property window): the
    // catalog's search window.
    case cmd::kFullTextSearch:
      if (CMainWindowView* browser = ActiveCatalogBrowser()) return browser->QueryCommand(id);
      return CommandState::kNotHandled;
    case cmd::kWindowCascade:
    case cmd::kWindowTileHorizontal:
      return mdi_area_->subWindowList().isEmpty() ? CommandState::kDisabled
                                                  : CommandState::kEnabled;
    default:
      return CommandState::kNotHandled;
  }
}

void CMainFrame::RunCommand(int id) {
  if (id == cmd::kFullTextSearch) {
    if (CMainWindowView* browser = ActiveCatalogBrowser()) browser->OnFullTextSearch();
  }
  if (id == cmd::kWindowCascade) mdi_area_->cascadeSubWindows();
  if (id == cmd::kWindowTileHorizontal) TileHorizontally();
}

void CMainFrame::TileHorizontally() {
  // One window above the other, each as wide as the area, the active one at the top.
  QList<QMdiSubWindow*> windows = mdi_area_->subWindowList(QMdiArea::StackingOrder);
  std::reverse(windows.begin(), windows.end());
  windows.erase(std::remove_if(windows.begin(), windows.end(),
                               [](QMdiSubWindow* w) { return w->isHidden() || w->isMinimized(); }),
                windows.end());
  if (windows.isEmpty()) return;
  const QSize area = mdi_area_->viewport()->size();
  const int height = area.height() / static_cast<int>(windows.size());
  int y = 0;
  for (QMdiSubWindow* window : windows) {
    if (window->isMaximized()) window->showNormal();
    window->setGeometry(0, y, area.width(), height);
    y += height;
  }
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) { AcceptFileDrag(event); }

void CMainFrame::dragMoveEvent(QDragMoveEvent* event) { AcceptFileDrag(event); }

void CMainFrame::dropEvent(QDropEvent* event) {
  if (!AcceptFileDrag(event)) return;
  // Opening (and its messages) waits until the drop has returned to its source.
  const std::vector<commands::DroppedItem> items = DroppedItems(*event->mimeData());
  QMetaObject::invokeMethod(this, [this, items] { OnDropFiles(items); }, Qt::QueuedConnection);
}

void CMainFrame::OnDropFiles(const std::vector<commands::DroppedItem>& items) {
  const commands::DropPlan plan = commands::PlanDrop(items, /*onto_catalog=*/false);
  if (!plan.refused.empty()) {
    ShowWarningBox(commands::MessageDropRefused(plan.refused), this);
    return;
  }
  for (const std::string& path : plan.catalogs) app_->OpenCatalog(path);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  app_->CloseAllCatalogs();
  mdi_area_->closeAllSubWindows();
  event->accept();
}

}  // namespace veldra
