// The column of pages a QPdfView shows in its continuous page mode, laid out as QPdfView lays
// it out, and the reader's place in it. QPdfView takes for the current page the first page
// crossed by a reading line 40 % down its viewport; when the column is laid out anew (the
// window resized, the outline shown or hidden, another zoom), the same scroll value falls on
// another page. The place found before and the scroll value computed after keep the reader
// on the page, as far down it as before.
#pragma once

#include <QList>
#include <QMargins>
#include <QPdfView>
#include <QRect>
#include <QRectF>
#include <QSizeF>
#include <QWidget>
#include <functional>
#include <vector>

namespace veldra::viewer {

struct ColumnLayout {
  QPdfView::ZoomMode mode = QPdfView::ZoomMode::FitToWidth;
  qreal zoom = 1.0;               // for ZoomMode::Custom
  QSize viewport;                 // the viewport the column is laid out for
  qreal pixels_per_point = 1.0;   // of the screen, at zoom 1
  QMargins margins;               // QPdfView::documentMargins()
  int spacing = 0;                // QPdfView::pageSpacing()
};

// The rectangle of each page, in the column's coordinates (0 is the top of the column).
std::vector<QRect> LayOutColumn(const std::vector<QSizeF>& page_points, const ColumnLayout& layout);

struct ReadingPlace {
  int page = -1;        // -1: no page
  qreal depth = 0.0;    // how far down the page the reading line is, 0 (top) to 1 (bottom)
};

// Where the reading line of a viewport viewport_height pixels high, scrolled to scroll, is.
// A line in the gap between two pages counts as the bottom of the page above.
ReadingPlace PlaceAt(const std::vector<QRect>& pages, int scroll, int viewport_height);

// The scroll value that puts the reading line at place (not limited to the scroll range).
int ScrollFor(const std::vector<QRect>& pages, const ReadingPlace& place, int viewport_height);

// The scroll value that shows target (pixels in the column's coordinates, on page page) a
// third of the way down the viewport, held where the reading line still crosses that page:
// the page stays the current one, and target is in view. (Not limited to the scroll range.)
int ScrollToShow(const std::vector<QRect>& pages, int page, const QRect& target,
                 int viewport_height);

// rects (points on a page of page_points, top left origin) in the pixels of page_rect, the
// page as the column lays it out; the rectangles of neighbouring characters on one line
// joined into one.
QList<QRectF> PointsToPixels(const QList<QRectF>& rects, const QSizeF& page_points,
                             const QRect& page_rect);

// A QPdfView (continuous pages) that keeps the reader's place when a resize lays the column
// out anew, and paints highlights over its pages.
class PageColumnView : public QPdfView {
 public:
  // The highlights of page (from 0): one list of rectangles in points per occurrence.
  using HighlightSource = std::function<QList<QList<QRectF>>(int page)>;

  explicit PageColumnView(QWidget* parent = nullptr);

  // The reader's place in the column as it is laid out now.
  ReadingPlace Place() const;
  // Scrolls so that place is at the reading line of the column as it is laid out now.
  void ShowPlace(const ReadingPlace& place);

  // What is highlighted; an empty source highlights nothing.
  void SetHighlights(HighlightSource source);
  // The occurrence painted as the current one (rectangles in points), -1 for none.
  void SetCurrentHighlight(int page, const QList<QRectF>& rects);
  // Scrolls so that rects (points) of page are in view, the page staying the current one.
  void ShowRects(int page, const QList<QRectF>& rects);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<QRect> Column(QSize viewport) const;
  void PaintHighlights();

  qreal pixels_per_point_;
  QSize laid_out_size_;  // the viewport's size at the last resize
  HighlightSource highlights_;
  int current_page_ = -1;
  QList<QRectF> current_rects_;
};

}  // namespace veldra::viewer
