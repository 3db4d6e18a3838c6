// How the search window draws a snippet: where it was found (an attribute's name, greyed),
// the text before the match cut from the left, the match in bold, the text after it cut at
// the right; the match stays in view however narrow the column.
#pragma once

#include <QStyledItemDelegate>

namespace veldra {

class SnippetDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  // parts_role: the role that gives {where, before, match, after} as a QStringList.
  SnippetDelegate(int parts_role, QObject* parent = nullptr);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 private:
  int parts_role_;
};

}  // namespace veldra
