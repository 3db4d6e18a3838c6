// The PDF viewer control: a compact tool bar (first, previous, next and last page, back and
// forward in the history of views, the page number with a field to jump to a page, zoom in
// and out, fit width and fit page, the outline), the pages in one continuous column, and an
// outline panel beside them when the document has one. Printing renders the chosen pages to
// the printer.
#pragma once

#include <QPdfView>
#include <QString>
#include <QWidget>

#include "platform/viewer/viewer_component.h"

class QAction;
class QIntValidator;
class QLabel;
class QLineEdit;
class QPdfBookmarkModel;
class QPdfDocument;
class QPrinter;
class QToolBar;
class QTreeView;

namespace veldra::viewer {

class PdfViewerControl : public QWidget, public ViewerControl {
  Q_OBJECT

 public:
  static constexpr qreal kZoomStep = 1.25;
  static constexpr qreal kMinZoom = 0.1;
  static constexpr qreal kMaxZoom = 8.0;
  // Pages are printed at the printer's resolution up to this many dots per inch.
  static constexpr int kMaxPrintDpi = 300;

  explicit PdfViewerControl(QWidget* parent = nullptr);
  ~PdfViewerControl() override;

  QWidget* Widget() override { return this; }
  QVariant Invoke(int dispatch_id, const QVariantList& args) override;
  void SetPrintDialogHook(PrintDialogHook hook) override { print_hook_ = std::move(hook); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateToolBar();
  bool LoadFile(const QString& path);
  int CurrentPage() const;
  int PageCount() const;
  void GoToPage(int page);
  void GoBack();
  void GoForward();
  void JumpToTypedPage();
  void ZoomBy(qreal factor);
  // The scale in use, whatever the zoom mode: pixels per point over the screen's.
  qreal EffectiveZoom() const;
  void SetFitMode(QPdfView::ZoomMode mode);
  void UpdateControls();
  void Print();
  void PrintPages(QPrinter* printer, int first, int last);

  QPdfDocument* document_;
  QPdfView* view_;
  QPdfBookmarkModel* bookmarks_;
  QTreeView* outline_;
  QToolBar* toolbar_ = nullptr;
  QLineEdit* page_field_ = nullptr;
  QIntValidator* page_range_ = nullptr;
  QLabel* page_total_ = nullptr;
  QAction* first_ = nullptr;
  QAction* previous_ = nullptr;
  QAction* next_ = nullptr;
  QAction* last_ = nullptr;
  QAction* back_ = nullptr;
  QAction* forward_ = nullptr;
  QAction* zoom_in_ = nullptr;
  QAction* zoom_out_ = nullptr;
  QAction* fit_width_ = nullptr;
  QAction* fit_page_ = nullptr;
  QAction* outline_toggle_ = nullptr;
  PrintDialogHook print_hook_;
  QString loaded_path_;
};

}  // namespace veldra::viewer
