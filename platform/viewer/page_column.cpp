#include "platform/viewer/page_column.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPdfDocument>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace veldra::viewer {
namespace {

// QPdfView's reading line: 40 % down the viewport, cut to a whole pixel (scroll >= 0).
int ReadingLine(int scroll, int viewport_height) {
  return scroll + static_cast<int>(viewport_height * 0.4);
}

// A page's size in pixels, rounded as QPdfView rounds it.
QSize PageSize(const QSizeF& points, const ColumnLayout& layout) {
  const QSize natural = (points * layout.pixels_per_point).toSize();
  switch (layout.mode) {
    case QPdfView::ZoomMode::Custom:
      return (points * layout.pixels_per_point * layout.zoom).toSize();
    case QPdfView::ZoomMode::FitToWidth: {
      if (natural.width() <= 0) return natural;
      const int room = layout.viewport.width() - layout.margins.left() - layout.margins.right();
      return natural * (qreal(room) / qreal(natural.width()));
    }
    case QPdfView::ZoomMode::FitInView: {
      const QSize room = layout.viewport + QSize(-layout.margins.left() - layout.margins.right(),
                                                 -layout.spacing);
      return natural.scaled(room, Qt::KeepAspectRatio);
    }
  }
  return natural;
}

}  // namespace

std::vector<QRect> LayOutColumn(const std::vector<QSizeF>& page_points, const ColumnLayout& layout) {
  std::vector<QRect> pages;
  pages.reserve(page_points.size());
  int width = 0;
  for (const QSizeF& points : page_points) {
    pages.emplace_back(QPoint(0, 0), PageSize(points, layout));
    width = std::max(width, pages.back().width());
  }
  width += layout.margins.left() + layout.margins.right();
  int y = layout.margins.top();
  for (QRect& page : pages) {
    page.moveTopLeft(QPoint((std::max(width, layout.viewport.width()) - page.width()) / 2, y));
    y += page.height() + layout.spacing;
  }
  return pages;
}

ReadingPlace PlaceAt(const std::vector<QRect>& pages, int scroll, int viewport_height) {
  const int line = ReadingLine(scroll, viewport_height);
  ReadingPlace place;
  for (size_t i = 0; i < pages.size() && pages[i].top() <= line + 1; ++i) {
    const QRect& page = pages[i];
    place.page = static_cast<int>(i);
    place.depth = std::clamp(qreal(line - page.top()) / std::max(1, page.height()), 0.0, 1.0);
    if (page.bottom() >= line) break;  // the line crosses this page
  }
  return place;
}

int ScrollFor(const std::vector<QRect>& pages, const ReadingPlace& place, int viewport_height) {
  if (place.page < 0 || place.page >= static_cast<int>(pages.size())) return 0;
  const QRect& page = pages[static_cast<size_t>(place.page)];
  const int line = std::clamp(page.top() + static_cast<int>(std::lround(place.depth * page.height())),
                              page.top(), page.bottom());
  return line - ReadingLine(0, viewport_height);
}

int ScrollToShow(const std::vector<QRect>& pages, int page, const QRect& target,
                 int viewport_height) {
  if (page < 0 || page >= static_cast<int>(pages.size())) return 0;
  const QRect& on = pages[static_cast<size_t>(page)];
  const int reading_line = ReadingLine(0, viewport_height);
  // QPdfView's reading line is two pixels high: it crosses the page from its top row to
  // the row above its bottom row.
  return std::clamp(target.top() - viewport_height / 3, on.top() - reading_line,
                    std::max(on.top(), on.bottom() - 1) - reading_line);
}

QList<QRectF> PointsToPixels(const QList<QRectF>& rects, const QSizeF& page_points,
                             const QRect& page_rect) {
  QList<QRectF> pixels;
  if (page_points.isEmpty()) return pixels;
  const qreal sx = page_rect.width() / page_points.width();
  const qreal sy = page_rect.height() / page_points.height();
  for (const QRectF& r : rects) {
    const QRectF mapped(page_rect.left() + r.left() * sx, page_rect.top() + r.top() * sy,
                        r.width() * sx, r.height() * sy);
    // The engine gives a rectangle per character: one band per line reads better.
    if (!pixels.isEmpty()) {
      QRectF& last = pixels.last();
      const qreal height = std::max(last.height(), mapped.height());
      const bool same_line = std::abs(last.center().y() - mapped.center().y()) < height / 2;
      const qreal gap = mapped.left() - last.right();
      if (same_line && gap < height && gap > -height) {
        last = last.united(mapped);
        continue;
      }
    }
    pixels.append(mapped);
  }
  return pixels;
}

PageColumnView::PageColumnView(QWidget* parent) : QPdfView(parent) {
  // As QPdfView measures the screen: once, when it is made.
  const QScreen* screen = QGuiApplication::primaryScreen();
  pixels_per_point_ = (screen != nullptr ? screen->logicalDotsPerInch() : 72.0) / 72.0;
}

std::vector<QRect> PageColumnView::Column(QSize viewport) const {
  std::vector<QSizeF> points;
  const QPdfDocument* doc = document();
  if (doc == nullptr || doc->status() != QPdfDocument::Status::Ready) return {};
  points.reserve(static_cast<size_t>(doc->pageCount()));
  for (int page = 0; page < doc->pageCount(); ++page) points.push_back(doc->pagePointSize(page));
  return LayOutColumn(points, {zoomMode(), zoomFactor(), viewport, pixels_per_point_,
                               documentMargins(), pageSpacing()});
}

ReadingPlace PageColumnView::Place() const {
  const QSize size = viewport()->size();
  return PlaceAt(Column(size), verticalScrollBar()->value(), size.height());
}

void PageColumnView::ShowPlace(const ReadingPlace& place) {
  if (place.page < 0) return;
  const QSize size = viewport()->size();
  verticalScrollBar()->setValue(ScrollFor(Column(size), place, size.height()));
}

void PageColumnView::SetHighlights(HighlightSource source) {
  highlights_ = std::move(source);
  viewport()->update();
}

void PageColumnView::SetCurrentHighlight(int page, const QList<QRectF>& rects) {
  current_page_ = page;
  current_rects_ = rects;
  viewport()->update();
}

void PageColumnView::ShowRects(int page, const QList<QRectF>& rects) {
  const QSize size = viewport()->size();
  const std::vector<QRect> pages = Column(size);
  if (page < 0 || page >= static_cast<int>(pages.size()) || rects.isEmpty()) return;
  const QRect& on = pages[static_cast<size_t>(page)];
  QRectF target;
  for (const QRectF& r : PointsToPixels(rects, document()->pagePointSize(page), on)) {
    target = target.united(r);
  }
  const QRect shown = target.toAlignedRect();
  verticalScrollBar()->setValue(ScrollToShow(pages, page, shown, size.height()));
  // Sideways only when the occurrence is out of view (a zoom wider than the viewport).
  QScrollBar* across = horizontalScrollBar();
  if (shown.left() < across->value() || shown.right() > across->value() + size.width()) {
    across->setValue(shown.left() - size.width() / 4);
  }
}

void PageColumnView::paintEvent(QPaintEvent* event) {
  QPdfView::paintEvent(event);
  if (highlights_ || current_page_ >= 0) PaintHighlights();
}

void PageColumnView::PaintHighlights() {
  const QSize size = viewport()->size();
  const std::vector<QRect> pages = Column(size);
  const QRect in_view(horizontalScrollBar()->value(), verticalScrollBar()->value(), size.width(),
                      size.height());
  QPainter painter(viewport());
  painter.translate(-in_view.topLeft());
  // Multiplied over the page, as a highlighter pen marks paper: the text stays black.
  painter.setCompositionMode(QPainter::CompositionMode_Multiply);
  painter.setPen(Qt::NoPen);
  for (int page = 0; page < static_cast<int>(pages.size()); ++page) {
    const QRect& on = pages[static_cast<size_t>(page)];
    if (!on.intersects(in_view)) continue;
    const QSizeF points = document()->pagePointSize(page);
    if (highlights_) {
      painter.setBrush(QColor(255, 226, 64));
      for (const QList<QRectF>& occurrence : highlights_(page)) {
        for (const QRectF& r : PointsToPixels(occurrence, points, on)) painter.drawRect(r);
      }
    }
    if (page == current_page_) {
      painter.setBrush(QColor(255, 160, 40));
      for (const QRectF& r : PointsToPixels(current_rects_, points, on)) painter.drawRect(r);
    }
  }
}

void PageColumnView::resizeEvent(QResizeEvent* event) {
  QScrollBar* bar = verticalScrollBar();
  // A resize that waited while the view was hidden (a viewer being maximized or restored)
  // comes without the old size: the size of the last layout is what counts.
  const QSize before = laid_out_size_.isValid() ? laid_out_size_ : event->oldSize();
  laid_out_size_ = event->size();
  ReadingPlace place;
  int scroll = 0;
  if (before.isValid() && !before.isEmpty()) {
    place = PlaceAt(Column(before), bar->value(), before.height());
    scroll = ScrollFor(Column(event->size()), place, event->size().height());
  }
  if (place.page >= 0) {
    // Scrolled to the place before QPdfView lays the column out anew, so that the page it
    // finds at its reading line is the reader's, without a detour through another page in
    // the history of views.
    bar->setRange(bar->minimum(), std::max(bar->maximum(), scroll));
    bar->setValue(scroll);
  }
  QPdfView::resizeEvent(event);
  if (place.page >= 0 && bar->value() != scroll) bar->setValue(scroll);
}

}  // namespace veldra::viewer
