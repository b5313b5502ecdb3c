#include "platform/gui/Grids.h"

#include <QHeaderView>
#include <QTableWidget>

TStringGrid::TStringGrid(TComponent* owner) : TWidgetHost(owner), table_(new QTableWidget) {
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(18);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  table_->horizontalHeader()->setHighlightSections(false);
  table_->setWordWrap(false);
  table_->setShowGrid(true);
  SetInner(table_, table_);
  // A grid's cells lie on the window colour, as the host's grids do.
  SetColor(clWindow);
  SetBounds(0, 0, 320, 120);
  SetColCount(5);
  SetRowCount(5);
  QObject::connect(table_, &QTableWidget::currentCellChanged, this, [this](int, int, int, int) {
    if (OnSelectCell) OnSelectCell(this);
  });
}

void TStringGrid::Resize() {
  table_->setColumnCount(cols_);
  table_->setRowCount(std::max(rows_ - 1, 0));
  objects_.resize(static_cast<std::size_t>(rows_));
  for (auto& row : objects_) row.resize(static_cast<std::size_t>(cols_), nullptr);
}

void TStringGrid::SetColCount(int count) {
  cols_ = std::max(count, 1);
  Resize();
}

void TStringGrid::SetRowCount(int count) {
  rows_ = std::max(count, 1);
  Resize();
}

int TStringGrid::ColWidths(int col) const { return table_->columnWidth(col); }
void TStringGrid::SetColWidths(int col, int width) { table_->setColumnWidth(col, width); }

QString TStringGrid::Cells(int col, int row) const {
  if (col < 0 || col >= cols_ || row < 0 || row >= rows_) return {};
  const QTableWidgetItem* item = row == 0 ? table_->horizontalHeaderItem(col) : table_->item(row - 1, col);
  return item ? item->text() : QString();
}

void TStringGrid::SetCells(int col, int row, const QString& text) {
  if (col < 0 || col >= cols_ || row < 0 || row >= rows_) return;
  if (row == 0) {
    auto* item = table_->horizontalHeaderItem(col);
    if (!item) {
      item = new QTableWidgetItem;
      table_->setHorizontalHeaderItem(col, item);
    }
    item->setText(text);
    item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return;
  }
  auto* item = table_->item(row - 1, col);
  if (!item) {
    item = new QTableWidgetItem;
    table_->setItem(row - 1, col, item);
  }
  item->setText(text);
}

void* TStringGrid::Objects(int col, int row) const {
  if (col < 0 || col >= cols_ || row < 0 || row >= rows_) return nullptr;
  return objects_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void TStringGrid::SetObjects(int col, int row, void* object) {
  if (col < 0 || col >= cols_ || row < 0 || row >= rows_) return;
  objects_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = object;
}

void TStringGrid::ClearRow(int row) {
  for (int c = 0; c < cols_; ++c) {
    SetCells(c, row, QString());
    SetObjects(c, row, nullptr);
  }
}

int TStringGrid::Row() const {
  const int r = table_->currentRow();
  return r < 0 ? (rows_ > 1 ? 1 : 0) : r + 1;
}

void TStringGrid::SetRow(int row) {
  if (row < 1 || row >= rows_) return;
  table_->setCurrentCell(row - 1, 0);
}
