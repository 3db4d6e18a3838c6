// How the rows of the browser's lists are drawn: every row as tall as the font plus the
// entry list's breathing room, and the row that has the keyboard focus framed with a dotted
// line while its list has the focus (the style's own frame shows only after a Tab).
#pragma once

#include <QStyledItemDelegate>

class QAbstractItemView;

namespace veldra {

class ListRowDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  // Space added to the font's height in every row of the lists.
  static constexpr int kRowPadding = 5;

  // view: the list drawn; whole_row: the focus frame goes round the whole row of a table.
  ListRowDelegate(QAbstractItemView* view, bool whole_row);

  // The row height of a list drawn with font metrics of height font_height.
  static int RowHeight(int font_height) { return font_height + kRowPadding; }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  QAbstractItemView* view_;
  bool whole_row_;
};

}  // namespace veldra
