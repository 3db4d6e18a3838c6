// The entry list control: a table of the fourteen columns with grid lines, whole-row
// multiple selection that stays visible without focus, and clickable column headers.
#pragma once

#include <QTableView>
#include <vector>

namespace veldra {

class EntryListModel;

class EntryListCtrl : public QTableView {
  Q_OBJECT

 public:
  explicit EntryListCtrl(QWidget* parent = nullptr);

  EntryListModel* entry_model() const { return model_; }

  // Sets the widths of the fourteen columns.
  void SetupColumns();

  // The indexes of the selected rows, ascending.
  std::vector<int> SelectedRows() const;
  // Selects exactly rows (ascending) and puts the focus on the last of them.
  void SelectRows(const std::vector<int>& rows);

  // Scroll position: pixels horizontally, rows vertically.
  int HorizontalPosition() const;
  int VerticalPosition() const;
  // Scrolls to the position after the rows were rebuilt, as far as the rows allow.
  void ScrollTo(int horizontal, int vertical);

 signals:
  // A double-click anywhere in the list, on a row or on the empty space below the rows.
  void DoubleClickedAnywhere();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  EntryListModel* model_;
};

}  // namespace veldra
