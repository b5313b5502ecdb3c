#pragma once
// TListView: the host's list view in report style: columns with captions
// and widths, items with a caption, sub-items, an image, a check box, a
// data pointer and a selection state, label editing of the caption, and the
// drag and drop protocol of the host (DropTarget names the row under the
// mouse while a drag is over the list and during OnDragDrop).
//
// The items are ours (TListItem, owned by TListItems), shown by a small
// table model in a QTreeView; an item knows its index, so Items(i),
// Index() and deleting from the end cost no search. Selection lives in the
// view, so OnSelectItem fires for every change, by the user or in code, but
// not for items being deleted.

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/StdCtrls.h"
#include "platform/gui/Strings.h"
#include "platform/gui/WidgetHost.h"

class QItemSelection;
class QModelIndex;
class QTreeView;
class TImageList;
class TListItems;
class TListView;
class ListItemModel;
class ListInnerView;

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };

class TListColumn {
 public:
  const QString& Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  int Width() const;
  void SetWidth(int width);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  int Index() const { return index_; }

 private:
  friend class TListColumns;
  friend class TListView;
  explicit TListColumn(TListView* view) : view_(view) {}
  TListView* view_;
  QString caption_;
  int width_ = 50;
  TAlignment alignment_ = taLeftJustify;
  int index_ = 0;
};

class TListColumns {
 public:
  explicit TListColumns(TListView* view) : view_(view) {}
  TListColumn* Add();
  int Count() const { return static_cast<int>(columns_.size()); }
  TListColumn* Items(int index) const;
  TListColumn* operator[](int index) const { return Items(index); }
  void Delete(int index);
  void Clear();

 private:
  TListView* view_;
  std::vector<std::unique_ptr<TListColumn>> columns_;
};

class TListItem {
 public:
  TListItem(const TListItem&) = delete;
  TListItem& operator=(const TListItem&) = delete;
  ~TListItem();

  TListItems* Owner() const { return owner_; }
  TListView* ListView() const;
  const QString& Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  // Texts of the columns after the first.
  TStrings* SubItems() { return sub_items_.get(); }
  const TStrings* SubItems() const { return sub_items_.get(); }
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int index);
  void* Data() const { return data_; }
  void SetData(void* data) { data_ = data; }
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  int Index() const { return index_; }

  bool Selected() const;
  void SetSelected(bool selected);
  bool Focused() const;
  void SetFocused(bool focused);
  void MakeVisible(bool partialOk = true);
  // The item's row (all columns) in the list view's coordinates.
  TRect DisplayRect() const;
  void Delete();
  bool EditCaption();

 private:
  friend class TListItems;
  friend class TListView;
  friend class ListItemModel;
  explicit TListItem(TListItems* owner);
  void Changed();

  TListItems* owner_;
  QString caption_;
  std::unique_ptr<TQStringList> sub_items_;
  int image_index_ = -1;
  void* data_ = nullptr;
  bool checked_ = false;
  int index_ = 0;
};

class TListItems {
 public:
  explicit TListItems(TListView* view) : view_(view) {}
  ~TListItems();
  TListView* Owner() const { return view_; }
  int Count() const { return static_cast<int>(items_.size()); }
  // Raises EListError for an index outside 0..Count-1.
  TListItem* Item(int index) const;
  TListItem* operator[](int index) const { return Item(index); }
  TListItem* Add() { return Insert(Count()); }
  TListItem* Insert(int index);
  void Delete(int index);
  void Clear();
  int IndexOf(const TListItem* item) const { return item && item->owner_ == this ? item->index_ : -1; }
  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return update_count_ > 0; }

 private:
  friend class TListItem;
  friend class TListView;
  friend class ListItemModel;
  TListView* view_;
  std::vector<std::unique_ptr<TListItem>> items_;
  int update_count_ = 0;
};

class TListView : public TWidgetHost {
  Q_OBJECT

 public:
  explicit TListView(TComponent* owner = nullptr);
  ~TListView() override;
  QTreeView* View() const;

  TListColumns* Columns() { return columns_.get(); }
  TListItems* Items() { return items_.get(); }

  // The first selected item (null for none); setting it selects that item
  // alone.
  TListItem* Selected() const;
  void SetSelected(TListItem* item);
  int SelCount() const;
  void ClearSelection();
  void SelectAll();
  // The index of Selected (-1 for none).
  int ItemIndex() const;
  void SetItemIndex(int index);
  TListItem* ItemFocused() const;
  void SetItemFocused(TListItem* item);
  TListItem* GetItemAt(int x, int y) const;
  TListItem* TopItem() const;
  TListItem* DropTarget() const { return drop_target_; }
  void SetDropTarget(TListItem* item) { drop_target_ = item; }
  // Scrolls by pixels.
  void Scroll(int dx, int dy);
  bool IsEditing() const;

  TViewStyle ViewStyle() const { return view_style_; }
  void SetViewStyle(TViewStyle style);
  bool MultiSelect() const { return multi_select_; }
  void SetMultiSelect(bool multi);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool readOnly) { read_only_ = readOnly; }
  bool GridLines() const { return grid_lines_; }
  void SetGridLines(bool grid);
  bool RowSelect() const { return row_select_; }
  void SetRowSelect(bool rowSelect) { row_select_ = rowSelect; }
  bool HideSelection() const { return hide_selection_; }
  void SetHideSelection(bool hide) { hide_selection_ = hide; }
  bool Checkboxes() const { return checkboxes_; }
  void SetCheckboxes(bool checkboxes);
  bool ShowColumnHeaders() const { return show_column_headers_; }
  void SetShowColumnHeaders(bool show);
  TImageList* SmallImages() const { return small_images_; }
  void SetSmallImages(TImageList* images);
  TImageList* LargeImages() const { return large_images_; }
  void SetLargeImages(TImageList* images);

  std::function<void(TControl* sender, TListItem* item, bool selected)> OnSelectItem;
  std::function<void(TControl* sender, TListItem* item, bool& allow)> OnEditing;
  std::function<void(TControl* sender, TListItem* item, QString& text)> OnEdited;
  std::function<void(TControl* sender, TListItem* item)> OnDeletion;
  std::function<void(TControl* sender, TListColumn* column)> OnColumnClick;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  void DragHover(int x, int y) override;
  void DragEnded() override;

 private:
  friend class TListColumn;
  friend class TListColumns;
  friend class TListItem;
  friend class TListItems;
  friend class ListItemModel;
  friend class ListInnerView;
  QModelIndex IndexOf(const TListItem* item, int column = 0) const;
  TListItem* ItemOf(const QModelIndex& index) const;
  void ColumnsChanged();
  void SelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);

  ListInnerView* view_;
  std::unique_ptr<ListItemModel> model_;
  std::unique_ptr<TListColumns> columns_;
  std::unique_ptr<TListItems> items_;
  TListItem* drop_target_ = nullptr;
  TImageList* small_images_ = nullptr;
  TImageList* large_images_ = nullptr;
  TViewStyle view_style_ = vsIcon;
  bool multi_select_ = false;
  bool read_only_ = false;
  bool grid_lines_ = false;
  bool row_select_ = false;
  bool hide_selection_ = true;
  bool checkboxes_ = false;
  bool show_column_headers_ = true;
  bool removing_ = false;
};
