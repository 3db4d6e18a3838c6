// CMainFrame: the application's main window. It hosts the child windows of every open
// catalog in its window area, shows the shared menu, binds the accelerator table, and
// routes each command to the first window that handles it: the active child's view, the
// active child, the frame itself (window arrangement), then the application. Catalogs
// dropped onto it open.
#pragma once

#include <QMainWindow>
#include <QString>
#include <map>
#include <vector>

#include "browser/command_target.h"
#include "commands/drop_plan.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QShortcut;

namespace veldra {

class CMainWindowView;
class CVeldraApp;

class CMainFrame : public QMainWindow, public CommandTarget {
  Q_OBJECT

 public:
  static constexpr int kMinWidth = 550;
  static constexpr int kMinHeight = 650;

  explicit CMainFrame(CVeldraApp* app);
  ~CMainFrame() override;

  QMdiArea* mdi_area() const { return mdi_area_; }

  // The menu item of command id (nullptr for an id the menu does not show).
  QAction* MenuAction(int id) const;
  // The accelerators, in table order.
  const std::vector<QShortcut*>& accelerators() const { return accelerators_; }

  // Whether id is enabled for the active window, and running it (nothing when disabled).
  CommandState RouteQuery(int id);
  void Dispatch(int id);

  // Enables the menu items as the active window decides, and sets the title.
  void UpdateMenus();
  // Shows the application's recent catalogs in the File menu, in place of the item
  // "最近使ったファイル", which stands alone and disabled while there are none.
  void UpdateRecentMenu();
  // Things dropped onto the frame: catalogs open; anything else refuses the drop.
  void OnDropFiles(const std::vector<commands::DroppedItem>& items);

  CommandState QueryCommand(int id) override;
  void RunCommand(int id) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Keeps the title UpdateTitle set: a maximized child window would add " - [its title]".
  void changeEvent(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateMenus();
  // The items that follow the first recent catalog in menu, hidden until the list has them.
  void CreateRecentItems(QMenu* menu);
  void CreateAccelerators();
  void UpdateTitle();
  void UpdateWindowMenu();
  void TileHorizontally();
  CommandTarget* TargetFor(int id, CommandState* state);
  // The browser of the active child window's catalog, or nullptr.
  CMainWindowView* ActiveCatalogBrowser() const;

  CVeldraApp* app_;
  QMdiArea* mdi_area_;
  QString title_;
  QMenu* window_menu_ = nullptr;
  QString recent_placeholder_text_;
  std::vector<QAction*> window_list_actions_;
  std::map<int, QAction*> actions_;
  std::vector<QShortcut*> accelerators_;
};

}  // namespace veldra
