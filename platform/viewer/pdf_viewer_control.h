// The PDF viewer control: a compact tool bar (first, previous, next and last page, back and
// forward in the history of views, the page number with a field to jump to a page, zoom in
// and out, fit width and fit page, the outline), the pages in one continuous column, and an
// outline panel beside them when the document has one. A find bar under the tool bar finds
// text in the document: the PDF engine's search model gives the places, and the column
// paints them over the pages. The panel starts as the reader last
// chose it (page mode "bookmarks" or "none"), else shown only in a viewer wide enough for
// both. A file that cannot be shown is named so in place of the pages. Printing renders the
// chosen pages to the printer.
#pragma once

#include <QPdfView>
#include <QString>
#include <QWidget>
#include <optional>

#include "platform/viewer/viewer_component.h"

class QAction;
class QLabel;
class QLineEdit;
class QPdfBookmarkModel;
class QPdfDocument;
class QPdfLink;
class QPdfSearchModel;
class QPrinter;
class QSplitter;
class QStackedWidget;
class QToolBar;
class QTreeView;

namespace veldra::viewer {

class PageColumnView;

class PdfViewerControl : public QWidget, public ViewerControl {
  Q_OBJECT

 public:
  static constexpr qreal kZoomStep = 1.25;
  static constexpr qreal kMinZoom = 0.1;
  static constexpr qreal kMaxZoom = 8.0;
  // Pages are printed at the printer's resolution up to this many dots per inch.
  static constexpr int kMaxPrintDpi = 300;
  // Narrower than this, a viewer starts with its outline hidden unless the reader chose it.
  static constexpr int kOutlineMinWidth = 640;
  // The outline takes at most this share of the width when it is shown.
  static constexpr qreal kOutlineShare = 0.3;

  explicit PdfViewerControl(QWidget* parent = nullptr);
  ~PdfViewerControl() override;

  QWidget* Widget() override { return this; }
  QVariant Invoke(int dispatch_id, const QVariantList& args) override;
  void SetPrintDialogHook(PrintDialogHook hook) override { print_hook_ = std::move(hook); }
  void SetOutlineChoiceHook(OutlineChoiceHook hook) override { outline_hook_ = std::move(hook); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void CreateToolBar();
  bool LoadFile(const QString& path);
  bool SetPageMode(const QString& mode);
  void ShowOutline(bool shown);
  void FitOutlineWidth();
  // The panel and the state of its button, without telling anyone.
  void SetOutlineShown(bool shown);
  // The message in place of the pages when the file cannot be shown ("" when it can).
  static QString LoadFailureText(int error, int page_count);
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

  // Finding text (dispatch ids kFindText .. kFindString).
  void CreateFindBar();
  int FindText(const QString& text, int page);
  int FindStep(bool forward);
  void ShowFindBar(const QString& text);
  void CloseFindBar();
  // The text whose occurrences are highlighted; no current occurrence.
  void SetFindString(const QString& text);
  // Enter (forward) or Shift+Enter in the find field.
  void FindFromField(bool forward);
  // The occurrences on page (from 0).
  QList<QPdfLink> OccurrencesOn(int page) const;
  // Makes occurrence index of page the current one (-1, -1: none), in view when shown.
  void SetCurrentOccurrence(int page, int index, bool show);
  void ShowFindStatus(bool found);

  QPdfDocument* document_;
  PageColumnView* view_;
  QPdfBookmarkModel* bookmarks_;
  QTreeView* outline_;
  QSplitter* splitter_ = nullptr;
  QStackedWidget* body_ = nullptr;   // the pages with the outline, or load_message_
  QLabel* load_message_ = nullptr;
  QToolBar* toolbar_ = nullptr;
  QLineEdit* page_field_ = nullptr;
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
  QPdfSearchModel* search_ = nullptr;
  QToolBar* find_bar_ = nullptr;
  QLineEdit* find_field_ = nullptr;
  QLabel* find_status_ = nullptr;
  int current_page_ = -1;   // the current occurrence: its page (from 0) and index on it
  int current_index_ = -1;
  int shown_page_ = -1;     // the page shown when the current occurrence was made current
  PrintDialogHook print_hook_;
  OutlineChoiceHook outline_hook_;
  std::optional<bool> outline_wanted_;  // the page mode set, or the reader's last choice
  bool outline_undecided_ = false;       // loaded while hidden: the width decides when shown
  bool outline_width_pending_ = false;   // shown while hidden: fitted when the control shows
  QString loaded_path_;
};

}  // namespace veldra::viewer
