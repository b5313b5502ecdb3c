#include "platform/gui/ListView.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <set>

#include "platform/core/StringList.h"
#include "platform/gui/Application.h"
#include "platform/gui/ImgList.h"

// ---- model, delegate and view ----

class ListItemModel final : public QAbstractTableModel {
 public:
  explicit ListItemModel(TListView* view) : view_(view) {}

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : view_->items_->Count();
  }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : std::max(1, view_->columns_->Count());
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= view_->items_->Count()) return {};
    const TListItem* item = view_->items_->items_[static_cast<std::size_t>(index.row())].get();
    const int column = index.column();
    switch (role) {
      case Qt::DisplayRole:
      case Qt::EditRole:
        if (column == 0) return item->caption_;
        if (column - 1 < item->sub_items_->Count()) return item->sub_items_->Strings(column - 1);
        return QString();
      case Qt::DecorationRole: {
        TImageList* images = view_->small_images_;
        if (column != 0 || !images || item->image_index_ < 0 || item->image_index_ >= images->Count())
          return {};
        return images->IconOf(item->image_index_);
      }
      case Qt::CheckStateRole:
        if (column != 0 || !view_->checkboxes_) return {};
        return item->checked_ ? Qt::Checked : Qt::Unchecked;
      case Qt::TextAlignmentRole:
        if (column < view_->columns_->Count())
          return AlignmentOf(view_->columns_->Items(column)->Alignment());
        return {};
      default:
        return {};
    }
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || section >= view_->columns_->Count()) return {};
    const TListColumn* column = view_->columns_->Items(section);
    if (role == Qt::DisplayRole) return column->Caption();
    if (role == Qt::TextAlignmentRole) return AlignmentOf(column->Alignment());
    return {};
  }

  Qt::ItemFlags flags(const QModelIndex& index) const override {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0 && !view_->read_only_) f |= Qt::ItemIsEditable;
    if (index.column() == 0 && view_->checkboxes_) f |= Qt::ItemIsUserCheckable;
    return f;
  }

  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (!index.isValid() || index.column() != 0) return false;
    TListItem* item = view_->ItemOf(index);
    if (role == Qt::CheckStateRole) {
      item->SetChecked(value.toInt() == Qt::Checked);
      return true;
    }
    if (role != Qt::EditRole) return false;
    QString text = value.toString();
    bool ok = true;
    CallGuarded(view_, [&] {
      try {
        if (view_->OnEdited) view_->OnEdited(view_, item, text);
      } catch (...) {
        ok = false;
        throw;
      }
    });
    if (ok) item->SetCaption(text);
    return ok;
  }

  void RowChanged(int row) { emit dataChanged(index(row, 0), index(row, columnCount({}) - 1)); }

  using QAbstractItemModel::beginInsertColumns;
  using QAbstractItemModel::beginInsertRows;
  using QAbstractItemModel::beginRemoveColumns;
  using QAbstractItemModel::beginRemoveRows;
  using QAbstractItemModel::beginResetModel;
  using QAbstractItemModel::endInsertColumns;
  using QAbstractItemModel::endInsertRows;
  using QAbstractItemModel::endRemoveColumns;
  using QAbstractItemModel::endRemoveRows;
  using QAbstractItemModel::endResetModel;
  using QAbstractItemModel::headerDataChanged;

 private:
  static QVariant AlignmentOf(TAlignment alignment) {
    const Qt::Alignment horizontal = alignment == taRightJustify ? Qt::AlignRight
                                     : alignment == taCenter     ? Qt::AlignHCenter
                                                                 : Qt::AlignLeft;
    return QVariant::fromValue(horizontal | Qt::AlignVCenter);
  }
  TListView* view_;
};

namespace {

// Draws the host's grid lines around every cell when asked: in the button
// face on a list of the window colour, as the host does; on a list given
// colours of its own (a skin's, light or dark) a third of the way from its
// background to its text, so that they show without shouting.
class GridDelegate final : public QStyledItemDelegate {
 public:
  GridDelegate(TListView* view, QObject* parent) : QStyledItemDelegate(parent), view_(view) {}
  static QColor LineColor(TColor back, TColor text) {
    if (back == clWindow) return ColorToQColor(clBtnFace);
    const QColor b = ColorToQColor(back), t = ColorToQColor(text);
    return QColor((2 * b.red() + t.red()) / 3, (2 * b.green() + t.green()) / 3, (2 * b.blue() + t.blue()) / 3);
  }
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    if (!view_->GridLines()) return;
    painter->save();
    painter->setPen(LineColor(view_->Color(), view_->Font()->Color()));
    const QRect r = option.rect;
    painter->drawLine(r.topRight(), r.bottomRight());
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->restore();
  }

 private:
  TListView* view_;
};

}  // namespace

class ListInnerView final : public QTreeView {
 public:
  explicit ListInnerView(TListView* list) : list_(list) {}
  using QTreeView::edit;

  bool Editing() const { return state() == QAbstractItemView::EditingState; }

 protected:
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override {
    if (!index.isValid() || list_->read_only_) return false;
    // Only the caption is edited, wherever the row was clicked.
    const QModelIndex caption = index.siblingAtColumn(0);
    if (state() == QAbstractItemView::EditingState) return QTreeView::edit(caption, trigger, event);
    if (!(editTriggers() & trigger) && trigger != AllEditTriggers) return false;
    bool allow = true;
    TListItem* item = list_->ItemOf(caption);
    CallGuarded(list_, [&] {
      if (list_->OnEditing) list_->OnEditing(list_, item, allow);
    });
    if (!allow) return false;
    return QTreeView::edit(caption, trigger, event);
  }

 private:
  TListView* list_;
};

// ---- columns ----

void TListColumn::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  view_->model_->headerDataChanged(Qt::Horizontal, index_, index_);
}

int TListColumn::Width() const { return width_; }

void TListColumn::SetWidth(int width) {
  width_ = std::max(width, 0);
  view_->view_->header()->resizeSection(index_, width_);
}

void TListColumn::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  view_->model_->headerDataChanged(Qt::Horizontal, index_, index_);
  view_->view_->viewport()->update();
}

TListColumn* TListColumns::Add() {
  const int index = Count();
  // The first column exists in the model already (captions only).
  const bool grows = index > 0;
  if (grows) view_->model_->beginInsertColumns({}, index, index);
  columns_.push_back(std::unique_ptr<TListColumn>(new TListColumn(view_)));
  columns_.back()->index_ = index;
  if (grows) view_->model_->endInsertColumns();
  view_->ColumnsChanged();
  return columns_.back().get();
}

TListColumn* TListColumns::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError("List column index out of bounds");
  return columns_[static_cast<std::size_t>(index)].get();
}

void TListColumns::Delete(int index) {
  Items(index);
  const bool shrinks = Count() > 1;
  if (shrinks) view_->model_->beginRemoveColumns({}, index, index);
  columns_.erase(columns_.begin() + index);
  for (std::size_t i = 0; i < columns_.size(); ++i) columns_[i]->index_ = static_cast<int>(i);
  if (shrinks) view_->model_->endRemoveColumns();
  view_->ColumnsChanged();
}

void TListColumns::Clear() {
  while (Count() > 0) Delete(Count() - 1);
}

// ---- items ----

TListItem::TListItem(TListItems* owner) : owner_(owner), sub_items_(std::make_unique<TQStringList>()) {
  sub_items_->OnChange = [this] { Changed(); };
}

TListItem::~TListItem() { sub_items_->OnChange = nullptr; }

TListView* TListItem::ListView() const { return owner_->view_; }

void TListItem::Changed() { ListView()->model_->RowChanged(index_); }

void TListItem::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  Changed();
}

void TListItem::SetImageIndex(int index) {
  if (index == image_index_) return;
  image_index_ = index;
  Changed();
}

void TListItem::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  Changed();
}

bool TListItem::Selected() const {
  return ListView()->view_->selectionModel()->isRowSelected(index_, QModelIndex());
}

void TListItem::SetSelected(bool selected) {
  TListView* view = ListView();
  QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::Rows;
  if (!selected)
    flags |= QItemSelectionModel::Deselect;
  else
    flags |= view->multi_select_ ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect;
  view->view_->selectionModel()->select(view->IndexOf(this), flags);
}

bool TListItem::Focused() const { return ListView()->view_->currentIndex().row() == index_; }

void TListItem::SetFocused(bool focused) {
  TListView* view = ListView();
  if (focused)
    view->view_->selectionModel()->setCurrentIndex(view->IndexOf(this), QItemSelectionModel::NoUpdate);
  else if (Focused())
    view->view_->selectionModel()->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
}

void TListItem::MakeVisible(bool) { ListView()->view_->scrollTo(ListView()->IndexOf(this)); }

TRect TListItem::DisplayRect() const {
  TListView* view = ListView();
  QRect r = view->view_->visualRect(view->IndexOf(this));
  for (int c = 1; c < view->model_->columnCount({}); ++c)
    r = r.united(view->view_->visualRect(view->IndexOf(this, c)));
  if (r.isEmpty()) return {};
  const QPoint at = view->view_->viewport()->mapTo(view, r.topLeft());
  return Bounds(at.x(), at.y(), r.width(), r.height());
}

void TListItem::Delete() { owner_->Delete(index_); }

bool TListItem::EditCaption() {
  TListView* view = ListView();
  if (view->read_only_) return false;
  view->view_->edit(view->IndexOf(this));
  return view->view_->Editing();
}

TListItems::~TListItems() = default;

TListItem* TListItems::Item(int index) const {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds");
  return items_[static_cast<std::size_t>(index)].get();
}

TListItem* TListItems::Insert(int index) {
  if (index < 0 || index > Count()) throw EListError("List index out of bounds");
  view_->model_->beginInsertRows({}, index, index);
  items_.insert(items_.begin() + index, std::unique_ptr<TListItem>(new TListItem(this)));
  for (std::size_t i = static_cast<std::size_t>(index); i < items_.size(); ++i)
    items_[i]->index_ = static_cast<int>(i);
  view_->model_->endInsertRows();
  return items_[static_cast<std::size_t>(index)].get();
}

void TListItems::Delete(int index) {
  TListItem* item = Item(index);
  CallGuarded(view_, [&] {
    if (view_->OnDeletion) view_->OnDeletion(view_, item);
  });
  if (view_->drop_target_ == item) view_->drop_target_ = nullptr;
  view_->removing_ = true;
  view_->model_->beginRemoveRows({}, index, index);
  std::unique_ptr<TListItem> doomed = std::move(items_[static_cast<std::size_t>(index)]);
  items_.erase(items_.begin() + index);
  for (std::size_t i = static_cast<std::size_t>(index); i < items_.size(); ++i)
    items_[i]->index_ = static_cast<int>(i);
  view_->model_->endRemoveRows();
  view_->removing_ = false;
}

void TListItems::Clear() {
  if (items_.empty()) return;
  if (view_->OnDeletion)
    for (auto& item : items_) CallGuarded(view_, [&] { view_->OnDeletion(view_, item.get()); });
  view_->drop_target_ = nullptr;
  view_->removing_ = true;
  view_->model_->beginResetModel();
  items_.clear();
  view_->model_->endResetModel();
  view_->removing_ = false;
}

void TListItems::BeginUpdate() {
  if (update_count_++ == 0) view_->view_->setUpdatesEnabled(false);
}

void TListItems::EndUpdate() {
  if (update_count_ > 0 && --update_count_ == 0) view_->view_->setUpdatesEnabled(true);
}

// ---- TListView ----

TListView::TListView(TComponent* owner)
    : TWidgetHost(owner),
      view_(new ListInnerView(this)),
      model_(std::make_unique<ListItemModel>(this)),
      columns_(std::make_unique<TListColumns>(this)),
      items_(std::make_unique<TListItems>(this)) {
  view_->setRootIsDecorated(false);
  view_->setItemsExpandable(false);
  view_->setUniformRowHeights(true);
  view_->setAllColumnsShowFocus(true);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
  view_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  view_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  view_->setItemDelegate(new GridDelegate(this, view_));
  view_->header()->setStretchLastSection(false);
  view_->header()->setSectionsMovable(false);
  view_->setModel(model_.get());
  SetInner(view_, view_);
  SetColor(clWindow);
  SetBounds(0, 0, 250, 150);
  SetViewStyle(vsIcon);
  QObject::connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                   [this](const QItemSelection& selected, const QItemSelection& deselected) {
                     SelectionChanged(selected, deselected);
                   });
  QObject::connect(view_->header(), &QHeaderView::sectionClicked, this, [this](int section) {
    if (section < columns_->Count())
      CallGuarded(this, [&] {
        if (OnColumnClick) OnColumnClick(this, columns_->Items(section));
      });
  });
  QObject::connect(view_->header(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
    if (section < columns_->Count()) columns_->Items(section)->width_ = size;
  });
}

TListView::~TListView() {
  MarkDestroying();
  if (small_images_) RemoveFreeNotification(small_images_);
  if (large_images_) RemoveFreeNotification(large_images_);
  QObject::disconnect(view_->selectionModel(), nullptr, this, nullptr);
  view_->setModel(nullptr);
  items_.reset();
}

QTreeView* TListView::View() const { return view_; }

QModelIndex TListView::IndexOf(const TListItem* item, int column) const {
  return item ? model_->index(item->index_, column) : QModelIndex();
}

TListItem* TListView::ItemOf(const QModelIndex& index) const {
  if (!index.isValid() || index.row() >= items_->Count()) return nullptr;
  return items_->items_[static_cast<std::size_t>(index.row())].get();
}

void TListView::SelectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  if (removing_ || !OnSelectItem) return;
  auto rows = [](const QItemSelection& selection) {
    std::set<int> result;
    for (const QItemSelectionRange& range : selection)
      for (int row = range.top(); row <= range.bottom(); ++row) result.insert(row);
    return result;
  };
  QPointer<TListView> self(this);
  for (int row : rows(deselected)) {
    if (!self || row >= items_->Count()) return;
    CallGuarded(this, [&] { OnSelectItem(this, items_->Item(row), false); });
  }
  for (int row : rows(selected)) {
    if (!self || row >= items_->Count()) return;
    CallGuarded(this, [&] { OnSelectItem(this, items_->Item(row), true); });
  }
}

TListItem* TListView::Selected() const {
  const QModelIndexList rows = view_->selectionModel()->selectedRows();
  int first = -1;
  for (const QModelIndex& index : rows)
    if (first < 0 || index.row() < first) first = index.row();
  return first < 0 ? nullptr : items_->Item(first);
}

void TListView::SetSelected(TListItem* item) {
  view_->selectionModel()->clearSelection();
  if (item) {
    item->SetSelected(true);
    view_->selectionModel()->setCurrentIndex(IndexOf(item), QItemSelectionModel::NoUpdate);
  }
}

int TListView::SelCount() const { return static_cast<int>(view_->selectionModel()->selectedRows().size()); }
void TListView::ClearSelection() { view_->selectionModel()->clearSelection(); }

void TListView::SelectAll() {
  if (multi_select_) view_->selectAll();
}

int TListView::ItemIndex() const {
  TListItem* item = Selected();
  return item ? item->index_ : -1;
}

void TListView::SetItemIndex(int index) {
  SetSelected(index >= 0 && index < items_->Count() ? items_->Item(index) : nullptr);
}

TListItem* TListView::ItemFocused() const { return ItemOf(view_->currentIndex()); }

void TListView::SetItemFocused(TListItem* item) {
  view_->selectionModel()->setCurrentIndex(IndexOf(item), QItemSelectionModel::NoUpdate);
}

TListItem* TListView::GetItemAt(int x, int y) const {
  return ItemOf(view_->indexAt(view_->viewport()->mapFrom(this, QPoint(x, y))));
}

TListItem* TListView::TopItem() const { return ItemOf(view_->indexAt(QPoint(1, 1))); }

void TListView::Scroll(int dx, int dy) {
  view_->horizontalScrollBar()->setValue(view_->horizontalScrollBar()->value() + dx);
  view_->verticalScrollBar()->setValue(view_->verticalScrollBar()->value() + dy);
}

bool TListView::IsEditing() const { return view_->Editing(); }

void TListView::SetViewStyle(TViewStyle style) {
  view_style_ = style;
  view_->setHeaderHidden(style != vsReport || !show_column_headers_);
}

void TListView::SetShowColumnHeaders(bool show) {
  show_column_headers_ = show;
  SetViewStyle(view_style_);
}

void TListView::SetMultiSelect(bool multi) {
  multi_select_ = multi;
  view_->setSelectionMode(multi ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void TListView::SetGridLines(bool grid) {
  grid_lines_ = grid;
  view_->viewport()->update();
}

void TListView::SetCheckboxes(bool checkboxes) {
  checkboxes_ = checkboxes;
  if (items_->Count() > 0)
    emit model_->dataChanged(model_->index(0, 0), model_->index(items_->Count() - 1, 0));
}

void TListView::SetSmallImages(TImageList* images) {
  if (images == small_images_) return;
  if (small_images_ && small_images_ != large_images_) RemoveFreeNotification(small_images_);
  small_images_ = images;
  if (images) {
    FreeNotification(images);
    view_->setIconSize(QSize(images->Width(), images->Height()));
  }
  view_->viewport()->update();
}

void TListView::SetLargeImages(TImageList* images) {
  if (images == large_images_) return;
  if (large_images_ && large_images_ != small_images_) RemoveFreeNotification(large_images_);
  large_images_ = images;
  if (images) FreeNotification(images);
}

void TListView::Notification(TComponent* component, TOperation operation) {
  TWidgetHost::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == small_images_) small_images_ = nullptr;
  if (component == large_images_) large_images_ = nullptr;
  if (!Destroying()) view_->viewport()->update();
}

void TListView::ColumnsChanged() {
  for (int i = 0; i < columns_->Count(); ++i) view_->header()->resizeSection(i, columns_->Items(i)->width_);
  emit model_->headerDataChanged(Qt::Horizontal, 0, std::max(0, columns_->Count() - 1));
}

void TListView::DragHover(int x, int y) { drop_target_ = GetItemAt(x, y); }
void TListView::DragEnded() { drop_target_ = nullptr; }
