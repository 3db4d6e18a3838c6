#include "platform/viewer/pdf_viewer_control.h"

#include <QAction>
#include <QGuiApplication>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPdfBookmarkModel>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfSearchModel>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyle>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

#include "platform/viewer/page_column.h"
#include "platform/viewer/tool_button.h"

namespace veldra::viewer {
namespace {

// QPdfView's own margins around the pages and the space between two pages.
constexpr int kDocumentMargin = 6;
constexpr int kPageSpacing = 3;

// Points to screen pixels, as QPdfView scales pages.
qreal ScreenPixelsPerPoint() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return (screen != nullptr ? screen->logicalDotsPerInch() : 96.0) / 72.0;
}

}  // namespace

PdfViewerControl::PdfViewerControl(QWidget* parent)
    : QWidget(parent),
      document_(new QPdfDocument(this)),
      view_(new PageColumnView(this)),
      bookmarks_(new QPdfBookmarkModel(this)),
      outline_(new QTreeView(this)),
      search_(new QPdfSearchModel(this)) {
  view_->setObjectName(QStringLiteral("pages"));
  view_->setDocument(document_);
  view_->setPageMode(QPdfView::PageMode::MultiPage);
  view_->setZoomMode(QPdfView::ZoomMode::FitToWidth);
  view_->setFocusPolicy(Qt::StrongFocus);
  view_->installEventFilter(this);
  view_->viewport()->installEventFilter(this);

  bookmarks_->setDocument(document_);
  search_->setDocument(document_);
  outline_->setObjectName(QStringLiteral("outline"));
  outline_->setModel(bookmarks_);
  outline_->setHeaderHidden(true);
  outline_->setToolTip(QStringLiteral("しおり"));
  outline_->hide();
  connect(outline_, &QTreeView::activated, this, [this](const QModelIndex& index) {
    GoToPage(index.data(static_cast<int>(QPdfBookmarkModel::Role::Page)).toInt());
  });
  connect(outline_, &QTreeView::clicked, outline_, &QTreeView::activated);

  CreateToolBar();
  CreateFindBar();
  splitter_ = new QSplitter(Qt::Horizontal, this);
  splitter_->addWidget(outline_);
  splitter_->addWidget(view_);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  splitter_->setChildrenCollapsible(false);
  load_message_ = new QLabel(this);
  load_message_->setObjectName(QStringLiteral("load_message"));
  load_message_->setAlignment(Qt::AlignCenter);
  load_message_->setWordWrap(true);
  load_message_->setMargin(12);
  body_ = new QStackedWidget(this);
  body_->addWidget(splitter_);
  body_->addWidget(load_message_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(toolbar_);
  layout->addWidget(find_bar_);
  layout->addWidget(body_, 1);

  QPdfPageNavigator* navigator = view_->pageNavigator();
  connect(navigator, &QPdfPageNavigator::currentPageChanged, this, &PdfViewerControl::UpdateControls);
  connect(navigator, &QPdfPageNavigator::backAvailableChanged, this, &PdfViewerControl::UpdateControls);
  connect(navigator, &QPdfPageNavigator::forwardAvailableChanged, this,
          &PdfViewerControl::UpdateControls);
  connect(document_, &QPdfDocument::statusChanged, this, &PdfViewerControl::UpdateControls);
  UpdateControls();
}

PdfViewerControl::~PdfViewerControl() = default;

void PdfViewerControl::CreateToolBar() {
  toolbar_ = new QToolBar(this);
  toolbar_->setObjectName(QStringLiteral("toolbar"));
  toolbar_->setIconSize(QSize(16, 16));
  toolbar_->setFloatable(false);
  toolbar_->setMovable(false);

  outline_toggle_ = AddTextButton(toolbar_, QStringLiteral("しおり"), QStringLiteral("しおりを表示"));
  outline_toggle_->setCheckable(true);
  connect(outline_toggle_, &QAction::toggled, this, &PdfViewerControl::ShowOutline);
  // Only the reader's own clicks are remembered, not the state a load starts with.
  connect(outline_toggle_, &QAction::triggered, this, [this](bool shown) {
    outline_wanted_ = shown;
    outline_undecided_ = false;
    if (outline_hook_) outline_hook_(shown);
  });
  toolbar_->addSeparator();
  first_ = AddButton(toolbar_, QStyle::SP_MediaSkipBackward, QStringLiteral("最初"),
                     QStringLiteral("最初のページ"));
  previous_ = AddButton(toolbar_, QStyle::SP_ArrowUp, QStringLiteral("前"),
                        QStringLiteral("前のページ"));
  page_field_ = new QLineEdit(toolbar_);
  page_field_->setObjectName(QStringLiteral("page_field"));
  // Any number is taken as typed; Enter goes to it when the document has that page.
  page_field_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), page_field_));
  page_field_->setAlignment(Qt::AlignRight);
  page_field_->setMaximumWidth(page_field_->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
  page_field_->setToolTip(QStringLiteral("ページ番号を入力して Enter で移動"));
  page_field_->installEventFilter(this);
  toolbar_->addWidget(page_field_);
  page_total_ = new QLabel(toolbar_);
  page_total_->setObjectName(QStringLiteral("page_total"));
  toolbar_->addWidget(page_total_);
  next_ = AddButton(toolbar_, QStyle::SP_ArrowDown, QStringLiteral("次"), QStringLiteral("次のページ"));
  last_ = AddButton(toolbar_, QStyle::SP_MediaSkipForward, QStringLiteral("最後"),
                    QStringLiteral("最後のページ"));
  toolbar_->addSeparator();
  back_ = AddButton(toolbar_, QStyle::SP_ArrowBack, QStringLiteral("戻る"),
                    QStringLiteral("前の表示に戻る"));
  forward_ = AddButton(toolbar_, QStyle::SP_ArrowForward, QStringLiteral("進む"),
                       QStringLiteral("次の表示に進む"));
  toolbar_->addSeparator();
  zoom_out_ = AddTextButton(toolbar_, QStringLiteral("－"), QStringLiteral("縮小 (Ctrl+ホイール)"));
  zoom_in_ = AddTextButton(toolbar_, QStringLiteral("＋"), QStringLiteral("拡大 (Ctrl+ホイール)"));
  fit_width_ = AddTextButton(toolbar_, QStringLiteral("幅"), QStringLiteral("幅に合わせる"));
  fit_page_ = AddTextButton(toolbar_, QStringLiteral("全体"), QStringLiteral("ページ全体を表示"));
  fit_width_->setCheckable(true);
  fit_page_->setCheckable(true);

  connect(first_, &QAction::triggered, this, [this] { GoToPage(0); });
  connect(previous_, &QAction::triggered, this, [this] { GoToPage(CurrentPage() - 1); });
  connect(next_, &QAction::triggered, this, [this] { GoToPage(CurrentPage() + 1); });
  connect(last_, &QAction::triggered, this, [this] { GoToPage(PageCount() - 1); });
  connect(back_, &QAction::triggered, this, &PdfViewerControl::GoBack);
  connect(forward_, &QAction::triggered, this, &PdfViewerControl::GoForward);
  connect(page_field_, &QLineEdit::returnPressed, this, &PdfViewerControl::JumpToTypedPage);
  connect(zoom_in_, &QAction::triggered, this, [this] { ZoomBy(kZoomStep); });
  connect(zoom_out_, &QAction::triggered, this, [this] { ZoomBy(1 / kZoomStep); });
  connect(fit_width_, &QAction::triggered, this,
          [this] { SetFitMode(QPdfView::ZoomMode::FitToWidth); });
  connect(fit_page_, &QAction::triggered, this,
          [this] { SetFitMode(QPdfView::ZoomMode::FitInView); });
}

QVariant PdfViewerControl::Invoke(int dispatch_id, const QVariantList& args) {
  switch (dispatch_id) {
    case dispid::kLoadFile:
      if (args.size() != 1 || !args[0].canConvert<QString>()) return {};
      return LoadFile(args[0].toString());
    case dispid::kGotoFirstPage: GoToPage(0); return true;
    case dispid::kGotoLastPage: GoToPage(PageCount() - 1); return true;
    case dispid::kGotoNextPage: GoToPage(CurrentPage() + 1); return true;
    case dispid::kGotoPreviousPage: GoToPage(CurrentPage() - 1); return true;
    case dispid::kGoForwardStack: GoForward(); return true;
    case dispid::kGoBackwardStack: GoBack(); return true;
    case dispid::kSetPageMode:
      if (args.size() != 1 || !args[0].canConvert<QString>()) return {};
      return SetPageMode(args[0].toString());
    case dispid::kPrint: Print(); return true;
    case dispid::kFindText:
      if (args.isEmpty() || args.size() > 2 || !args[0].canConvert<QString>()) return {};
      return FindText(args[0].toString(), args.size() == 2 ? args[1].toInt() : 0);
    case dispid::kFindNext: return FindStep(true);
    case dispid::kFindPrevious: return FindStep(false);
    case dispid::kShowFindBar:
      if (args.size() > 1) return {};
      ShowFindBar(args.isEmpty() ? QString() : args[0].toString());
      return true;
    case dispid::kFindString: return search_->searchString();
    default: return {};
  }
}

bool PdfViewerControl::LoadFile(const QString& path) {
  const QPdfDocument::Error error = document_->load(path);
  const bool loaded = error == QPdfDocument::Error::None;
  loaded_path_ = loaded ? path : QString();
  view_->pageNavigator()->clear();
  SetFindString(QString());
  const QString failure = LoadFailureText(static_cast<int>(error), PageCount());
  load_message_->setText(failure);
  body_->setCurrentWidget(failure.isEmpty() ? static_cast<QWidget*>(splitter_) : load_message_);
  const bool has_outline = loaded && bookmarks_->rowCount() > 0;
  if (has_outline) outline_->expandToDepth(0);
  // Without a choice of the reader's, the width decides; a control loaded while hidden (a
  // viewer reopened before the main window shows) has its width only when it is shown.
  outline_undecided_ = has_outline && !outline_wanted_ && !isVisible();
  SetOutlineShown(has_outline && outline_wanted_.value_or(width() >= kOutlineMinWidth));
  UpdateControls();
  return loaded;
}

QString PdfViewerControl::LoadFailureText(int error, int page_count) {
  switch (static_cast<QPdfDocument::Error>(error)) {
    case QPdfDocument::Error::None:
      return page_count > 0 ? QString() : QStringLiteral("このPDFには表示できるページがありません。");
    case QPdfDocument::Error::FileNotFound:
      return QStringLiteral("PDFのファイルが見つからないため表示できません。");
    case QPdfDocument::Error::InvalidFileFormat:
      return QStringLiteral("このファイルはPDFとして読み込めませんでした。PDFではないか、壊れています。");
    case QPdfDocument::Error::IncorrectPassword:
      return QStringLiteral("このPDFはパスワードで保護されているため表示できません。");
    case QPdfDocument::Error::UnsupportedSecurityScheme:
      return QStringLiteral("このPDFは対応していない方式で保護されているため表示できません。");
    default:
      return QStringLiteral("このファイルはPDFとして読み込めませんでした。");
  }
}

bool PdfViewerControl::SetPageMode(const QString& mode) {
  if (mode != QLatin1String("bookmarks") && mode != QLatin1String("none")) return false;
  outline_wanted_ = mode == QLatin1String("bookmarks");
  outline_undecided_ = false;
  SetOutlineShown(*outline_wanted_ && PageCount() > 0 && bookmarks_->rowCount() > 0);
  return true;
}

void PdfViewerControl::SetOutlineShown(bool shown) {
  const QSignalBlocker quiet(outline_toggle_);
  outline_toggle_->setChecked(shown);
  ShowOutline(shown);
}

void PdfViewerControl::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (outline_undecided_) {
    outline_undecided_ = false;
    SetOutlineShown(width() >= kOutlineMinWidth);
  }
  if (outline_width_pending_ && outline_->isVisibleTo(this)) FitOutlineWidth();
}

void PdfViewerControl::ShowOutline(bool shown) {
  if (shown == outline_->isVisibleTo(this)) return;
  outline_->setVisible(shown);
  if (shown) FitOutlineWidth();
}

void PdfViewerControl::FitOutlineWidth() {
  // Hidden, the control does not have its width yet: the panel is fitted when it shows.
  outline_width_pending_ = !isVisible();
  if (outline_width_pending_) return;
  // Beside the pages, not over most of them.
  const int total = splitter_->width();
  const int side = std::min(outline_->sizeHint().width(), static_cast<int>(total * kOutlineShare));
  splitter_->setSizes({side, total - side});
}

int PdfViewerControl::CurrentPage() const { return view_->pageNavigator()->currentPage(); }

int PdfViewerControl::PageCount() const {
  return document_->status() == QPdfDocument::Status::Ready ? document_->pageCount() : 0;
}

void PdfViewerControl::GoToPage(int page) {
  const int count = PageCount();
  if (count == 0) return;
  page = std::clamp(page, 0, count - 1);
  if (page != CurrentPage()) {
    view_->pageNavigator()->jump(page, {}, view_->zoomFactor());
  } else if (page == 0) {
    view_->verticalScrollBar()->setValue(0);  // back to the top of the first page
  }
}

void PdfViewerControl::GoBack() {
  if (view_->pageNavigator()->backAvailable()) view_->pageNavigator()->back();
}

void PdfViewerControl::GoForward() {
  if (view_->pageNavigator()->forwardAvailable()) view_->pageNavigator()->forward();
}

void PdfViewerControl::JumpToTypedPage() {
  bool ok = false;
  const int typed = page_field_->text().toInt(&ok);
  if (ok && typed >= 1 && typed <= PageCount()) GoToPage(typed - 1);
  UpdateControls();  // a number out of range shows the current page again
}

qreal PdfViewerControl::EffectiveZoom() const {
  if (view_->zoomMode() == QPdfView::ZoomMode::Custom || PageCount() == 0) {
    return view_->zoomFactor();
  }
  const QSizeF page = document_->pagePointSize(std::max(0, CurrentPage())) * ScreenPixelsPerPoint();
  if (page.isEmpty()) return view_->zoomFactor();
  const QSize room = view_->viewport()->size();
  const qreal by_width = (room.width() - 2 * kDocumentMargin) / page.width();
  if (view_->zoomMode() == QPdfView::ZoomMode::FitToWidth) return by_width;
  return std::min(by_width, (room.height() - kPageSpacing) / page.height());
}

void PdfViewerControl::ZoomBy(qreal factor) {
  if (PageCount() == 0) return;
  const qreal zoom = std::clamp(EffectiveZoom() * factor, kMinZoom, kMaxZoom);
  // The reader stays at the same place of the same page.
  const ReadingPlace place = view_->Place();
  view_->setZoomMode(QPdfView::ZoomMode::Custom);
  view_->setZoomFactor(zoom);
  view_->ShowPlace(place);
  UpdateControls();
}

void PdfViewerControl::SetFitMode(QPdfView::ZoomMode mode) {
  if (PageCount() > 0) {
    const ReadingPlace place = view_->Place();
    view_->setZoomMode(mode);
    view_->ShowPlace(place);
  }
  UpdateControls();
}

void PdfViewerControl::UpdateControls() {
  const int count = PageCount();
  const int current = count > 0 ? std::clamp(CurrentPage(), 0, count - 1) : -1;
  page_field_->setText(count > 0 ? QString::number(current + 1) : QString());
  page_field_->setEnabled(count > 0);
  page_total_->setText(QStringLiteral(" / %1 ").arg(count));
  first_->setEnabled(count > 0 && current > 0);
  previous_->setEnabled(count > 0 && current > 0);
  next_->setEnabled(count > 0 && current < count - 1);
  last_->setEnabled(count > 0 && current < count - 1);
  back_->setEnabled(count > 0 && view_->pageNavigator()->backAvailable());
  forward_->setEnabled(count > 0 && view_->pageNavigator()->forwardAvailable());
  zoom_in_->setEnabled(count > 0);
  zoom_out_->setEnabled(count > 0);
  fit_width_->setEnabled(count > 0);
  fit_page_->setEnabled(count > 0);
  fit_width_->setChecked(view_->zoomMode() == QPdfView::ZoomMode::FitToWidth);
  fit_page_->setChecked(view_->zoomMode() == QPdfView::ZoomMode::FitInView);
  outline_toggle_->setEnabled(count > 0 && bookmarks_->rowCount() > 0);
}

bool PdfViewerControl::eventFilter(QObject* watched, QEvent* event) {
  if (watched == find_field_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      FindFromField(!(key->modifiers() & Qt::ShiftModifier));
      return true;
    }
    if (key->key() == Qt::Key_Escape) {
      CloseFindBar();
      return true;
    }
  }
  // A number left unfinished in the page field gives way to the page shown.
  if (watched == page_field_ && event->type() == QEvent::FocusOut) UpdateControls();
  if (watched == view_->viewport() && event->type() == QEvent::Wheel) {
    auto* wheel = static_cast<QWheelEvent*>(event);
    if (wheel->modifiers() & Qt::ControlModifier) {
      const int delta = wheel->angleDelta().y();
      if (delta != 0) ZoomBy(delta > 0 ? kZoomStep : 1 / kZoomStep);
      return true;
    }
  }
  if (watched == view_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
      if (key->key() == Qt::Key_Home) {
        GoToPage(0);
        return true;
      }
      if (key->key() == Qt::Key_End) {
        GoToPage(PageCount() - 1);
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void PdfViewerControl::Print() {
  const int count = PageCount();
  if (count == 0) return;
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(QFileInfo(loaded_path_).fileName());
  printer.setFromTo(1, count);
  const int current = CurrentPage() + 1;
  bool go = false;
  if (print_hook_) {
    go = print_hook_(&printer, count, current, this);
  } else {
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, count);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, true);
    go = dialog.exec() == QDialog::Accepted;
  }
  if (!go) return;
  int first = 1;
  int last = count;
  switch (printer.printRange()) {
    case QPrinter::PageRange:
      first = std::clamp(printer.fromPage(), 1, count);
      last = std::clamp(printer.toPage() > 0 ? printer.toPage() : count, first, count);
      break;
    case QPrinter::CurrentPage:
      first = last = current;
      break;
    case QPrinter::AllPages:
    case QPrinter::Selection:
      break;
  }
  PrintPages(&printer, first, last);
}

void PdfViewerControl::PrintPages(QPrinter* printer, int first, int last) {
  QPainter painter;
  if (!painter.begin(printer)) return;
  const QRect area = painter.viewport();
  const qreal device_per_point = printer->resolution() / 72.0;
  const qreal image_per_device =
      std::min<qreal>(1.0, qreal(kMaxPrintDpi) / std::max(1, printer->resolution()));
  for (int page = first; page <= last; ++page) {
    if (page != first && !printer->newPage()) break;
    QSizeF size = document_->pagePointSize(page - 1) * device_per_point;
    if (size.width() > area.width() || size.height() > area.height()) {
      size.scale(area.size(), Qt::KeepAspectRatio);
    }
    const QRect target(area.x() + (area.width() - qRound(size.width())) / 2,
                       area.y() + (area.height() - qRound(size.height())) / 2,
                       qRound(size.width()), qRound(size.height()));
    const QSize pixels = (size * image_per_device).toSize().expandedTo(QSize(1, 1));
    painter.drawImage(target, document_->render(page - 1, pixels));
  }
  painter.end();
}

}  // namespace veldra::viewer
