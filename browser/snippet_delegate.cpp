#include "browser/snippet_delegate.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>

namespace veldra {
namespace {

// text cut to width (from the side mode says), left whole when it fits.
QString Fit(const QFontMetrics& metrics, const QString& text, Qt::TextElideMode mode, int width) {
  if (metrics.horizontalAdvance(text) <= width) return text;
  return metrics.elidedText(text, mode, std::max(0, width));
}

}  // namespace

SnippetDelegate::SnippetDelegate(int parts_role, QObject* parent)
    : QStyledItemDelegate(parent), parts_role_(parts_role) {}

void SnippetDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  QStyleOptionViewItem item(option);
  initStyleOption(&item, index);
  item.text.clear();
  const QStyle* style = item.widget != nullptr ? item.widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);
  const QStringList parts = index.data(parts_role_).toStringList();
  if (parts.size() != 4) return;

  painter->save();
  const bool selected = item.state & QStyle::State_Selected;
  const QColor ink = item.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
  QFont bold = item.font;
  bold.setBold(true);
  const QFontMetrics plain_metrics(item.font);
  const QFontMetrics bold_metrics(bold);
  QRect room = item.rect.adjusted(4, 0, -4, 0);
  const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
  auto draw = [&](const QString& text, const QFont& font, const QColor& color, int width) {
    painter->setFont(font);
    painter->setPen(color);
    painter->drawText(QRect(room.left(), room.top(), width, room.height()), flags, text);
    room.setLeft(room.left() + width);
  };
  if (!parts[0].isEmpty()) {
    const QString where = QStringLiteral("[%1] ").arg(parts[0]);
    draw(where, item.font, item.palette.color(QPalette::PlaceholderText),
         std::min(plain_metrics.horizontalAdvance(where), room.width()));
  }
  const QString match = Fit(bold_metrics, parts[2], Qt::ElideRight, room.width());
  const int match_width = bold_metrics.horizontalAdvance(match);
  // The text before the match gets at most two fifths of what the match leaves.
  const int before_room = std::min(plain_metrics.horizontalAdvance(parts[1]),
                                   (room.width() - match_width) * 2 / 5);
  const QString before = Fit(plain_metrics, parts[1], Qt::ElideLeft, before_room);
  draw(before, item.font, ink, plain_metrics.horizontalAdvance(before));
  draw(match, bold, ink, match_width);
  draw(Fit(plain_metrics, parts[3], Qt::ElideRight, room.width()), item.font, ink,
       std::max(0, room.width()));
  painter->restore();
}

}  // namespace veldra
