#include "browser/entry_list_ctrl.h"

#include <QHeaderView>
#include <QItemSelection>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>

#include "browser/entry_list_columns.h"
#include "browser/entry_list_model.h"
#include "browser/list_row_delegate.h"

namespace veldra {

EntryListCtrl::EntryListCtrl(QWidget* parent)
    : QTableView(parent), model_(new EntryListModel(this)) {
  setModel(model_);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setShowGrid(true);
  setWordWrap(false);
  setSortingEnabled(false);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setTabKeyNavigation(false);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(ListRowDelegate::RowHeight(fontMetrics().height()));
  setItemDelegate(new ListRowDelegate(this, /*whole_row=*/true));
  horizontalHeader()->setSectionsClickable(true);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setStretchLastSection(false);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void EntryListCtrl::mousePressEvent(QMouseEvent* event) {
  // A press on the empty space below the rows keeps the selection, so that a double-click
  // there opens the selected entry.
  if (!indexAt(event->position().toPoint()).isValid()) {
    event->accept();
    return;
  }
  QTableView::mousePressEvent(event);
}

void EntryListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  QTableView::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) emit DoubleClickedAnywhere();
  event->accept();
}

void EntryListCtrl::SetupColumns() {
  for (int c = 0; c < kEntryColumnCount; ++c) setColumnWidth(c, EntryColumns()[c].width);
}

std::vector<int> EntryListCtrl::SelectedRows() const {
  std::vector<int> rows;
  for (const QItemSelectionRange& range : selectionModel()->selection()) {
    for (int r = range.top(); r <= range.bottom(); ++r) rows.push_back(r);
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

void EntryListCtrl::SelectRows(const std::vector<int>& rows) {
  QItemSelection selection;
  const int last_column = model_->columnCount() - 1;
  size_t i = 0;
  while (i < rows.size()) {
    size_t j = i;
    while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1) ++j;
    selection.select(model_->index(rows[i], 0), model_->index(rows[j], last_column));
    i = j + 1;
  }
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  if (!rows.empty()) {
    selectionModel()->setCurrentIndex(model_->index(rows.back(), 0),
                                      QItemSelectionModel::NoUpdate);
  }
}

int EntryListCtrl::HorizontalPosition() const { return horizontalScrollBar()->value(); }

int EntryListCtrl::VerticalPosition() const { return verticalScrollBar()->value(); }

void EntryListCtrl::ScrollTo(int horizontal, int vertical) {
  updateGeometries();  // the ranges of the scroll bars follow the new rows now
  horizontalScrollBar()->setValue(horizontal);
  verticalScrollBar()->setValue(vertical);
}

}  // namespace veldra
