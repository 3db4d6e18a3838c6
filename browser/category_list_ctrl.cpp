#include "browser/category_list_ctrl.h"

#include <QByteArray>
#include <QMouseEvent>

#include "browser/list_row_delegate.h"
#include "browser/main_window_view.h"
#include "browser/ui_text.h"
#include "storage/category_names.h"

namespace veldra {
namespace {

constexpr int kNameRole = Qt::UserRole;

QListWidgetItem* MakeItem(std::string_view name) {
  auto* item = new QListWidgetItem(ToQString(name));
  item->setData(kNameRole, QByteArray(name.data(), static_cast<int>(name.size())));
  return item;
}

std::string ItemName(const QListWidgetItem* item) {
  const QByteArray bytes = item->data(kNameRole).toByteArray();
  return std::string(bytes.constData(), bytes.size());
}

}  // namespace

CategoryListCtrl::CategoryListCtrl(CMainWindowView* view, int level)
    : QListWidget(view), view_(view), level_(level) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setUniformItemSizes(true);
  setTextElideMode(Qt::ElideNone);
  setItemDelegate(new ListRowDelegate(this, /*whole_row=*/false));
}

void CategoryListCtrl::Fill(const std::vector<std::string>& names) {
  clear();
  addItem(MakeItem(kAllCategoriesName));
  for (const std::string& name : names) addItem(MakeItem(name));
}

void CategoryListCtrl::SelectText(const std::string& text) {
  int row = 0;
  for (int i = 0; i < count(); ++i) {
    if (ItemName(item(i)) == text) {
      row = i;
      break;
    }
  }
  if (count() == 0) return;
  const bool scrolls = hasAutoScroll();
  setAutoScroll(false);
  setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
  setAutoScroll(scrolls);
}

std::string CategoryListCtrl::SelectedText() const {
  for (int i = 0; i < count(); ++i) {
    if (item(i)->isSelected()) return ItemName(item(i));
  }
  return {};
}

std::vector<std::string> CategoryListCtrl::Texts() const {
  std::vector<std::string> texts;
  for (int i = 0; i < count(); ++i) texts.push_back(ItemName(item(i)));
  return texts;
}

void CategoryListCtrl::NotifyView() {
  if (view_ == nullptr) return;
  switch (level_) {
    case 1: view_->OnCat1ListClick(); break;
    case 2: view_->OnCat2ListClick(); break;
    case 3: view_->OnCat3ListClick(); break;
    default: break;
  }
}

void CategoryListCtrl::mousePressEvent(QMouseEvent* event) {
  QListWidget::mousePressEvent(event);
  if (event->button() != Qt::LeftButton) return;
  if (!indexAt(event->position().toPoint()).isValid()) clearSelection();
  NotifyView();
  selected_after_press_ = SelectedText();
}

void CategoryListCtrl::mouseReleaseEvent(QMouseEvent* event) {
  QListWidget::mouseReleaseEvent(event);
  // The item views clear a single selection when the button is released over empty space;
  // here the press alone decides.
  if (event->button() == Qt::LeftButton && SelectedText() != selected_after_press_) {
    SelectText(selected_after_press_);
  }
}

void CategoryListCtrl::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

void CategoryListCtrl::mouseMoveEvent(QMouseEvent* event) {
  // Dragging with the button down does not move the selection.
  if (event->buttons() & Qt::LeftButton) {
    event->accept();
    return;
  }
  QListWidget::mouseMoveEvent(event);
}

}  // namespace veldra
