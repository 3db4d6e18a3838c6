#include "browser/list_row_delegate.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QPen>
#include <algorithm>

namespace veldra {

ListRowDelegate::ListRowDelegate(QAbstractItemView* view, bool whole_row)
    : QStyledItemDelegate(view), view_(view), whole_row_(whole_row) {}

void ListRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  QStyledItemDelegate::paint(painter, option, index);
  const QModelIndex current = view_->currentIndex();
  const bool focused = view_->hasFocus() && current.isValid() &&
                       (whole_row_ ? current.row() == index.row() : current == index);
  if (!focused) return;
  painter->save();
  QPen pen(option.palette.color(QPalette::Text));
  pen.setStyle(Qt::DotLine);
  painter->setPen(pen);
  const QRect r = option.rect.adjusted(0, 0, -1, -1);
  if (!whole_row_) {
    painter->drawRect(r);
  } else {
    painter->drawLine(r.topLeft(), r.topRight());
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    if (index.column() == 0) painter->drawLine(r.topLeft(), r.bottomLeft());
    if (index.column() == index.model()->columnCount() - 1) {
      painter->drawLine(r.topRight(), r.bottomRight());
    }
  }
  painter->restore();
}

QSize ListRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  size.setHeight(std::max(size.height(), RowHeight(option.fontMetrics.height())));
  return size;
}

}  // namespace veldra
