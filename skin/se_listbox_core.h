#pragma once
// What the skin library's list box knows without a window: its strings with
// their check states and selection flags, the current item and the anchor
// of an extended selection, the layout of items in one column or several,
// the scroll range, hit testing, and the keyboard, mouse and wheel rules.
// The list box control owns one and lends it its measures, its scroll bar
// and its repaints through TSeListHost.

#include <QString>
#include <QStringList>
#include <Qt>
#include <cstdint>
#include <vector>

#include "platform/gui/Canvas.h"
#include "platform/gui/Geometry.h"
#include "platform/gui/Strings.h"

enum TSeListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbFonts, lbFontSamples, lbColors, lbColorNames };
enum TSeCheckState : std::uint8_t { csUnchecked = 0, csChecked = 1, csGrayed = 2 };

class TSeListBoxCore;

// The list's strings: every change keeps the check states and selection
// flags beside their items and tells the list.
class TVexListBoxItems final : public TStrings {
 public:
  explicit TVexListBoxItems(TSeListBoxCore& owner) : owner_(owner) {}
  int Count() const override { return static_cast<int>(strings_.size()); }
  void Clear() override;
  void Exchange(int i, int j);
  // A sorted list puts added strings in their place (ignoring case).
  bool Sorted() const { return sorted_; }
  void SetSorted(bool value);
  const QStringList& List() const { return strings_; }

 protected:
  QString Get(int index) const override { return strings_[index]; }
  void Put(int index, const QString& s) override;
  void* GetObject(int index) const override { return objects_[static_cast<std::size_t>(index)]; }
  void PutObject(int index, void* object) override;
  void InsertItem(int index, const QString& s, void* object) override;
  void DeleteItem(int index) override;
  void SetUpdateState(bool updating) override;

 private:
  TSeListBoxCore& owner_;
  QStringList strings_;
  std::vector<void*> objects_;
  bool sorted_ = false;
};

class TSeListHost {
 public:
  virtual ~TSeListHost() = default;
  virtual TRect InnerRect() const = 0;
  virtual int ItemHeight(int index) = 0;
  virtual int CheckWidth() { return 15; }
  virtual TSize CheckSize() { return {13, 13}; }
  virtual bool PtInItem(int x, int y, int /*index*/, const TRect& r) { return PtInRect(r, {x, y}); }
  virtual bool PtInCheckBox(int x, int y, int /*index*/, const TRect& r) { return PtInRect(r, {x, y}); }
  // The scroll bar. Setting the position (limited to Min..Max by the bar)
  // calls the list's ScrollBarChange when it changed.
  virtual bool HasBar() const = 0;
  virtual int BarPosition() const = 0;
  virtual void SetBarPosition(int position) = 0;
  virtual int BarMin() const = 0;
  virtual int BarMax() const = 0;
  virtual int BarPageSize() const = 0;
  virtual void SetBarRange(int min, int max, int pageSize) = 0;
  virtual bool BarVisible() const = 0;
  virtual void SetBarVisible(bool visible) = 0;
  virtual void SetBarEnabled(bool enabled) = 0;
  // Lays the bar along the inner rectangle's right side or bottom.
  virtual void PlaceBar(bool vertical, const TRect& inner) = 0;
  virtual int BarWidth() const = 0;
  virtual int BarHeight() const = 0;
  virtual void SetBarScrollBackward(bool) {}
  virtual void SetBarScrollForward(bool) {}
  virtual bool BarScrollBackward() const { return false; }
  virtual bool BarScrollForward() const { return false; }
  // The system's wheel scroll lines.
  virtual int WheelScrollLines() const { return 3; }
  virtual void Invalidate() {}
  virtual void Repaint() {}
  virtual void Click() {}
};

// One laid-out item: where its check box and text go.
struct TSeListPlace {
  int index;
  TRect check;  // empty without check boxes
  TRect text;
};

class TSeListBoxCore {
 public:
  explicit TSeListBoxCore(TSeListHost& host);

  TVexListBoxItems& Items() { return items_; }
  const TVexListBoxItems& Items() const { return items_; }
  int Count() const { return items_.Count(); }

  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int value);
  int Anchor() const { return anchor_; }
  void SelectRange();
  bool GetSelected(int index) const;
  void SetSelected(int index, bool value);
  TSeCheckState GetState(int index) const;
  void SetState(int index, TSeCheckState state);
  // The next state of a click on a check box.
  void AdvanceState(int index);
  int SelCount() const;
  int HotItem() const { return hot_item_; }
  int HotCheckBox() const { return hot_check_; }
  int FirstVisible() const { return first_visible_; }
  int LastVisible() const { return last_visible_; }

  int GetItemWidth();
  int GetItemsBottom();
  int GetItemTop(int index);
  TRect ItemRect(int index);
  int ItemAtPos(const TPoint& point, bool existing);
  void UpdateScrollBar();
  void CalcVisibleRange();
  void UpdateHotItem(int x, int y);
  // Every item that shows, in painting order.
  std::vector<TSeListPlace> VisibleItems();

  // After every change of the items.
  void ItemsChanged();
  bool Updating() const { return updating_; }

  // Input.
  bool KeyDown(int key, Qt::KeyboardModifiers modifiers);
  void MouseDown(bool leftButton, Qt::KeyboardModifiers modifiers, int x, int y);
  // Returns true when the hover look changed (the control repaints at once).
  bool MouseMove(Qt::KeyboardModifiers modifiers, int x, int y, int width, int height);
  void MouseUp() { mouse_selecting_ = false; }
  void MouseLeave();
  void FocusExit() { mouse_selecting_ = false; }
  void Wheel(int delta);
  // The scroll bar's notifications.
  void ScrollBarChange();
  void ScrollBarScroll(int& scrollPos);
  // A height that holds whole rows, for a control whose inner rectangle
  // at `height` would be `inner`.
  int SnapHeight(int height, const TRect& inner) const;

  // Options.
  bool MultiSelect() const { return multi_select_; }
  void SetMultiSelect(bool value);
  bool AllowGrayed() const { return allow_grayed_; }
  void SetAllowGrayed(bool value);
  int Columns() const { return columns_; }
  void SetColumns(int value);
  bool ShowCheckBoxes() const { return show_check_boxes_; }
  void SetShowCheckBoxes(bool value);
  bool AlwaysShowScrlBar() const { return always_show_; }
  void SetAlwaysShowScrlBar(bool value);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool value) { word_wrap_ = value; UpdateScrollBar(); host_.Invalidate(); }
  TSeListBoxStyle ListStyle() const { return list_style_; }
  void SetListStyle(TSeListBoxStyle value) { list_style_ = value; }
  int ItemHeight() const { return item_height_; }
  void SetItemHeight(int value);
  bool KeyClick() const { return key_click_; }
  void SetKeyClick(bool value) { key_click_ = value; }
  bool VariableHeights() const { return list_style_ == lbOwnerDrawVariable || word_wrap_; }

 private:
  friend class TVexListBoxItems;
  // Item bookkeeping from the items list.
  void Inserted(int index);
  void Deleted(int index);
  void Exchanged(int i, int j);
  void Permuted(const std::vector<int>& order);
  void SetUpdating(bool value) { updating_ = value; }
  void ClearSelection();
  // Walks the items as they are painted; `visit` returns false to stop.
  template <class Visit>
  void Walk(Visit visit);
  TSeListPlace Place(int index, int x, int y, int h);
  int CountColumns(int bottom);

  TSeListHost& host_;
  TVexListBoxItems items_;
  bool updating_ = false;
  bool always_show_ = false;
  bool show_check_boxes_ = false;
  bool mouse_selecting_ = false;
  int hot_item_ = -1;
  int hot_check_ = -1;
  int pointer_x_ = -1;
  int pointer_y_ = -1;
  int anchor_ = -1;
  int first_visible_ = 0;
  int last_visible_ = -1;
  bool bar_shown_ = false;
  std::vector<std::uint8_t> states_;
  bool allow_grayed_ = false;
  int item_index_ = -1;
  bool multi_select_ = false;
  int columns_ = 0;
  bool word_wrap_ = false;
  TSeListBoxStyle list_style_ = lbStandard;
  bool key_click_ = true;
  int item_height_ = 16;
  std::vector<std::uint8_t> selected_;
  // Indexes whose flag may be set, so that clearing costs what was set
  // and not the length of the list.
  std::vector<int> marked_;
  int wheel_rest_ = 0;
  bool keep_selection_ = false;
};
