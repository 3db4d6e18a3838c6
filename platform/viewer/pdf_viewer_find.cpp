// Finding text in the viewer: the find bar, the occurrences the PDF engine's search model
// gives, the current one and the steps from it through the whole document.
#include <QLabel>
#include <QLineEdit>
#include <QPdfLink>
#include <QPdfPageNavigator>
#include <QPdfSearchModel>
#include <QToolBar>
#include <algorithm>

#include "platform/viewer/page_column.h"
#include "platform/viewer/pdf_viewer_control.h"
#include "platform/viewer/tool_button.h"

namespace veldra::viewer {

void PdfViewerControl::CreateFindBar() {
  find_bar_ = new QToolBar(this);
  find_bar_->setObjectName(QStringLiteral("find_bar"));
  find_bar_->setIconSize(QSize(16, 16));
  find_bar_->setFloatable(false);
  find_bar_->setMovable(false);
  find_bar_->hide();
  find_field_ = new QLineEdit(find_bar_);
  find_field_->setObjectName(QStringLiteral("find_field"));
  find_field_->setPlaceholderText(QStringLiteral("このPDFの中を検索"));
  find_field_->setToolTip(QStringLiteral("Enter で次を、Shift+Enter で前を検索"));
  find_field_->setClearButtonEnabled(true);
  find_field_->installEventFilter(this);
  find_bar_->addWidget(find_field_);
  QAction* previous = AddButton(find_bar_, QStyle::SP_ArrowUp, QStringLiteral("前を検索"),
                                QStringLiteral("前を検索 (Shift+Enter)"));
  QAction* next = AddButton(find_bar_, QStyle::SP_ArrowDown, QStringLiteral("次を検索"),
                            QStringLiteral("次を検索 (Enter)"));
  find_status_ = new QLabel(find_bar_);
  find_status_->setObjectName(QStringLiteral("find_status"));
  find_bar_->addWidget(find_status_);
  QAction* close = AddButton(find_bar_, QStyle::SP_TitleBarCloseButton, QStringLiteral("閉じる"),
                             QStringLiteral("検索バーを閉じる (Esc)"));
  // The highlights follow the field while the reader types; Enter goes to them.
  connect(find_field_, &QLineEdit::textEdited, this, &PdfViewerControl::SetFindString);
  connect(previous, &QAction::triggered, this, [this] { FindFromField(false); });
  connect(next, &QAction::triggered, this, [this] { FindFromField(true); });
  connect(close, &QAction::triggered, this, &PdfViewerControl::CloseFindBar);
}

void PdfViewerControl::SetFindString(const QString& text) {
  if (search_->searchString() != text) search_->setSearchString(text);
  SetCurrentOccurrence(-1, -1, false);
  ShowFindStatus(true);
  if (text.isEmpty()) {
    view_->SetHighlights({});
    return;
  }
  view_->SetHighlights([this](int page) {
    QList<QList<QRectF>> occurrences;
    for (const QPdfLink& link : OccurrencesOn(page)) occurrences.append(link.rectangles());
    return occurrences;
  });
}

QList<QPdfLink> PdfViewerControl::OccurrencesOn(int page) const {
  if (search_->searchString().isEmpty() || page < 0 || page >= PageCount()) return {};
  return search_->resultsOnPage(page);
}

void PdfViewerControl::SetCurrentOccurrence(int page, int index, bool show) {
  const QList<QPdfLink> on_page = OccurrencesOn(page);
  if (index < 0 || index >= on_page.size()) {
    current_page_ = current_index_ = -1;
    view_->SetCurrentHighlight(-1, {});
    return;
  }
  current_page_ = page;
  current_index_ = index;
  const QList<QRectF> rects = on_page[index].rectangles();
  if (show) {
    // Through the history of views, so that Back returns to where the reader was.
    if (page != CurrentPage()) view_->pageNavigator()->jump(page, {}, view_->zoomFactor());
    view_->ShowRects(page, rects);
  }
  shown_page_ = CurrentPage();
  view_->SetCurrentHighlight(page, rects);
}

int PdfViewerControl::FindText(const QString& text, int page) {
  if (find_field_->text() != text) find_field_->setText(text);
  SetFindString(text);
  const int count = PageCount();
  if (count == 0) return 0;
  if (page >= 1) {
    const int shown = std::min(page, count) - 1;
    GoToPage(shown);
    const auto occurrences = static_cast<int>(OccurrencesOn(shown).size());
    SetCurrentOccurrence(shown, 0, true);
    return occurrences;
  }
  if (text.isEmpty()) return 0;
  FindStep(true);
  return current_page_ >= 0 ? static_cast<int>(OccurrencesOn(current_page_).size()) : 0;
}

int PdfViewerControl::FindStep(bool forward) {
  const int count = PageCount();
  if (search_->searchString().isEmpty() || count == 0) return 0;
  int page = current_page_;
  if (page < 0 || CurrentPage() != shown_page_) {
    // The reader went elsewhere since: the search goes on from the page shown, whose own
    // first (last) occurrence comes next.
    page = std::clamp(CurrentPage(), 0, count - 1);
    const auto on_page = static_cast<int>(OccurrencesOn(page).size());
    if (on_page > 0) {
      SetCurrentOccurrence(page, forward ? 0 : on_page - 1, true);
      return page + 1;
    }
  } else {
    const int index = current_index_ + (forward ? 1 : -1);
    if (index >= 0 && index < OccurrencesOn(page).size()) {
      SetCurrentOccurrence(page, index, true);
      return page + 1;
    }
  }
  for (int step = 1; step <= count; ++step) {
    const int candidate = ((page + (forward ? step : -step)) % count + count) % count;
    const auto on_page = static_cast<int>(OccurrencesOn(candidate).size());
    if (on_page > 0) {
      SetCurrentOccurrence(candidate, forward ? 0 : on_page - 1, true);
      return candidate + 1;
    }
  }
  ShowFindStatus(false);
  return 0;
}

void PdfViewerControl::FindFromField(bool forward) {
  if (find_field_->text() != search_->searchString()) SetFindString(find_field_->text());
  FindStep(forward);
}

void PdfViewerControl::ShowFindBar(const QString& text) {
  if (find_bar_->isHidden() && !text.isEmpty()) {
    find_field_->setText(text);
    SetFindString(text);
  }
  find_bar_->show();
  find_field_->setFocus();
  find_field_->selectAll();
}

void PdfViewerControl::CloseFindBar() {
  find_bar_->hide();
  SetFindString(QString());
  view_->setFocus();
}

void PdfViewerControl::ShowFindStatus(bool found) {
  find_status_->setText(found ? QString() : QStringLiteral(" 見つかりません "));
}

}  // namespace veldra::viewer
