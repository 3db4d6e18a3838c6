// One category list of the browser: a single-column list without header, single
// selection. A left-button press selects the item under the pointer (or clears the
// selection on empty space) and then calls the view's handler of the list's level; a
// double-click is ignored entirely, so it acts as one click. Keys move the selection only.
//
// Each item keeps its CP932 name, so reading a selection gives back the exact bytes.
#pragma once

#include <QListWidget>
#include <string>
#include <vector>

namespace veldra {

class CMainCatListCtrl : public QListWidget {
  Q_OBJECT

 public:
  explicit CMainCatListCtrl(QWidget* parent = nullptr);

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
  // The view's handler for this list's level.
  virtual void NotifyView() = 0;

  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // The selection the last press and its handler left; the release keeps it.
  std::string selected_after_press_;
};

}  // namespace veldra
