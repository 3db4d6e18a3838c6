// The category lists of the browser, one per level: a single-column list without header,
// single selection. A left-button press selects the item under the pointer (or clears the
// selection on empty space) and then calls the view's handler of the list's level; a
// double-click is ignored entirely, so it acts as one click. Keys move the selection only.
//
// Each item keeps its CP932 name, so reading a selection gives back the exact bytes.
#pragma once

#include <QListWidget>
#include <string>
#include <vector>

namespace veldra {

class CMainWindowView;

class CategoryListCtrl : public QListWidget {
  Q_OBJECT

 public:
  // level is 1..3; a click calls view's handler of that level (OnCat1ListClick ..
  // OnCat3ListClick). The list is a child of view.
  CategoryListCtrl(CMainWindowView* view, int level);

  int level() const { return level_; }

  // Item 0 "＜すべて＞", then names in the given order.
  void Fill(const std::vector<std::string>& names);
  // Selects and focuses the first item whose text equals text exactly, else item 0. The
  // list is not scrolled to it.
  void SelectText(const std::string& text);
  // The text of the first selected item; "" when none is selected.
  std::string SelectedText() const;
  // The names of every item in order, item 0 included.
  std::vector<std::string> Texts() const;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // Calls the view's handler for this list's level.
  void NotifyView();

  CMainWindowView* view_;
  int level_;
  // The selection the last press and its handler left; the release keeps it.
  std::string selected_after_press_;
};

// The three lists under the names the rest of the design knows them by; they differ only
// in their level.
class CMainCat1ListCtrl : public CategoryListCtrl {
 public:
  explicit CMainCat1ListCtrl(CMainWindowView* view) : CategoryListCtrl(view, 1) {}
};

class CMainCat2ListCtrl : public CategoryListCtrl {
 public:
  explicit CMainCat2ListCtrl(CMainWindowView* view) : CategoryListCtrl(view, 2) {}
};

class CMainCat3ListCtrl : public CategoryListCtrl {
 public:
  explicit CMainCat3ListCtrl(CMainWindowView* view) : CategoryListCtrl(view, 3) {}
};

}  // namespace veldra
