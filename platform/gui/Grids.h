#pragma once
// TStringGrid: a grid of texts with one fixed heading row (row 0, shown as
// the column headings) and no fixed column. Every cell can carry an object
// pointer the program owns. Row is the selected row (1 and up; 0 when the
// grid has no data rows).

#include <QString>
#include <functional>
#include <vector>

#include "platform/gui/WidgetHost.h"

class QTableWidget;

class TStringGrid : public TWidgetHost {
  Q_OBJECT

 public:
  explicit TStringGrid(TComponent* owner = nullptr);
  QTableWidget* Table() const { return table_; }

  int ColCount() const { return cols_; }
  void SetColCount(int count);
  // Rows with the heading row.
  int RowCount() const { return rows_; }
  void SetRowCount(int count);
  int ColWidths(int col) const;
  void SetColWidths(int col, int width);

  QString Cells(int col, int row) const;
  void SetCells(int col, int row, const QString& text);
  void* Objects(int col, int row) const;
  void SetObjects(int col, int row, void* object);
  // Empties every cell of `row` and drops its objects.
  void ClearRow(int row);

  int Row() const;
  void SetRow(int row);

  std::function<void(TControl*)> OnSelectCell;

 private:
  void Resize();
  QTableWidget* table_;
  int cols_ = 0;
  int rows_ = 1;
  std::vector<std::vector<void*>> objects_;  // [row][col], data rows and heading
};
