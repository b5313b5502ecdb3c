#include "skin/se_listbox_core.h"

#include <algorithm>
#include <numeric>

#include "skin/se_controls.h"

// ---- the items ----

void TVexListBoxItems::Clear() {
  if (strings_.isEmpty()) return;
  strings_.clear();
  objects_.clear();
  owner_.ItemsChanged();
}

void TVexListBoxItems::Put(int index, const QString& s) {
  strings_[index] = s;
  owner_.ItemsChanged();
}

void TVexListBoxItems::PutObject(int index, void* object) {
  objects_[static_cast<std::size_t>(index)] = object;
  owner_.ItemsChanged();
}

void TVexListBoxItems::InsertItem(int index, const QString& s, void* object) {
  if (sorted_ && index == Count()) {
    // Equal strings keep their order of arrival.
    auto it = std::upper_bound(strings_.cbegin(), strings_.cend(), s, [](const QString& a, const QString& b) {
      return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    index = static_cast<int>(it - strings_.cbegin());
  }
  strings_.insert(index, s);
  objects_.insert(objects_.begin() + index, object);
  // The states follow their items wherever the new string lands.
  owner_.Inserted(index);
  owner_.ItemsChanged();
}

void TVexListBoxItems::DeleteItem(int index) {
  strings_.removeAt(index);
  objects_.erase(objects_.begin() + index);
  owner_.Deleted(index);
  owner_.ItemsChanged();
}

void TVexListBoxItems::Exchange(int i, int j) {
  CheckIndex(i);
  CheckIndex(j);
  owner_.Exchanged(i, j);
  strings_.swapItemsAt(i, j);
  std::swap(objects_[static_cast<std::size_t>(i)], objects_[static_cast<std::size_t>(j)]);
  owner_.ItemsChanged();
}

void TVexListBoxItems::SetSorted(bool value) {
  sorted_ = value;
  if (!value || strings_.size() < 2) return;
  std::vector<int> order(static_cast<std::size_t>(strings_.size()));
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return strings_[a].compare(strings_[b], Qt::CaseInsensitive) < 0;
  });
  QStringList strings;
  std::vector<void*> objects;
  strings.reserve(strings_.size());
  objects.reserve(objects_.size());
  for (int i : order) {
    strings.append(strings_[i]);
    objects.push_back(objects_[static_cast<std::size_t>(i)]);
  }
  strings_ = std::move(strings);
  objects_ = std::move(objects);
  owner_.Permuted(order);
  owner_.ItemsChanged();
}

void TVexListBoxItems::SetUpdateState(bool updating) {
  owner_.SetUpdating(updating);
  if (!updating) owner_.ItemsChanged();
}

// ---- the list ----

TSeListBoxCore::TSeListBoxCore(TSeListHost& host) : host_(host), items_(*this) {}

void TSeListBoxCore::Inserted(int index) {
  const auto at = static_cast<std::size_t>(std::min<std::size_t>(index, states_.size()));
  states_.insert(states_.begin() + static_cast<std::ptrdiff_t>(at), csUnchecked);
  const bool atEnd = at == selected_.size();
  selected_.insert(selected_.begin() + static_cast<std::ptrdiff_t>(at), 0);
  if (!atEnd) {
    for (int& i : marked_)
      if (i >= index) ++i;
  }
}

void TSeListBoxCore::Deleted(int index) {
  const auto at = static_cast<std::size_t>(index);
  if (at < states_.size()) states_.erase(states_.begin() + static_cast<std::ptrdiff_t>(at));
  if (at < selected_.size()) selected_.erase(selected_.begin() + static_cast<std::ptrdiff_t>(at));
  std::erase(marked_, index);
  for (int& i : marked_)
    if (i > index) --i;
}

void TSeListBoxCore::Exchanged(int i, int j) {
  const auto a = static_cast<std::size_t>(i), b = static_cast<std::size_t>(j);
  if (a < states_.size() && b < states_.size()) std::swap(states_[a], states_[b]);
  if (a < selected_.size() && b < selected_.size()) {
    std::swap(selected_[a], selected_[b]);
    marked_.push_back(i);
    marked_.push_back(j);
  }
}

void TSeListBoxCore::Permuted(const std::vector<int>& order) {
  std::vector<std::uint8_t> states(order.size()), selected(order.size());
  marked_.clear();
  for (std::size_t k = 0; k < order.size(); ++k) {
    const auto from = static_cast<std::size_t>(order[k]);
    states[k] = from < states_.size() ? states_[from] : std::uint8_t{csUnchecked};
    selected[k] = from < selected_.size() ? selected_[from] : std::uint8_t{0};
    if (selected[k]) marked_.push_back(static_cast<int>(k));
  }
  states_ = std::move(states);
  selected_ = std::move(selected);
}

void TSeListBoxCore::ItemsChanged() {
  const int count = Count();
  if (count == 0)
    item_index_ = -1;
  else if (item_index_ == -1)
    item_index_ = 0;
  else if (item_index_ > count - 1)
    item_index_ = count - 1;  // never left on an item that is gone
  states_.resize(static_cast<std::size_t>(count), csUnchecked);
  selected_.resize(static_cast<std::size_t>(count), 0);
  if (!updating_) {
    UpdateScrollBar();
    host_.Invalidate();
  }
}

bool TSeListBoxCore::GetSelected(int index) const {
  return index >= 0 && static_cast<std::size_t>(index) < selected_.size() && selected_[static_cast<std::size_t>(index)];
}

void TSeListBoxCore::SetSelected(int index, bool value) {
  if (index < 0 || static_cast<std::size_t>(index) >= selected_.size()) return;
  auto& flag = selected_[static_cast<std::size_t>(index)];
  if (bool(flag) == value) return;
  flag = value;
  if (value) marked_.push_back(index);
  host_.Invalidate();
}

void TSeListBoxCore::ClearSelection() {
  bool any = false;
  for (int i : marked_) {
    if (static_cast<std::size_t>(i) < selected_.size() && selected_[static_cast<std::size_t>(i)]) {
      selected_[static_cast<std::size_t>(i)] = 0;
      any = true;
    }
  }
  marked_.clear();
  if (any) host_.Invalidate();
}

int TSeListBoxCore::SelCount() const { return static_cast<int>(std::count(selected_.begin(), selected_.end(), 1)); }

TSeCheckState TSeListBoxCore::GetState(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= states_.size()) return csUnchecked;
  return static_cast<TSeCheckState>(states_[static_cast<std::size_t>(index)]);
}

void TSeListBoxCore::SetState(int index, TSeCheckState state) {
  if (index < 0 || static_cast<std::size_t>(index) >= states_.size()) return;
  if (states_[static_cast<std::size_t>(index)] == state) return;
  states_[static_cast<std::size_t>(index)] = state;
  host_.Invalidate();
}

void TSeListBoxCore::AdvanceState(int index) {
  switch (GetState(index)) {
    case csUnchecked: SetState(index, csChecked); break;
    case csChecked: SetState(index, allow_grayed_ ? csGrayed : csUnchecked); break;
    case csGrayed: SetState(index, csUnchecked); break;
  }
}

void TSeListBoxCore::SelectRange() {
  if (anchor_ == -1 || keep_selection_) return;
  ClearSelection();
  if (multi_select_) {
    const int from = std::max(0, std::min(anchor_, item_index_));
    const int to = std::min(Count() - 1, std::max(anchor_, item_index_));
    for (int i = from; i <= to; ++i) SetSelected(i, true);
  } else {
    SetSelected(item_index_, true);
  }
  host_.Repaint();
}

int TSeListBoxCore::GetItemWidth() {
  const TRect r = host_.InnerRect();
  int w = r.Width();
  if (!host_.HasBar()) return w;
  if (columns_ >= 1)
    w /= columns_;
  else if ((host_.BarVisible() && bar_shown_) || always_show_)
    w -= host_.BarWidth();
  if (show_check_boxes_) w -= host_.CheckWidth();
  return w;
}

int TSeListBoxCore::GetItemsBottom() {
  const TRect r = host_.InnerRect();
  if (host_.HasBar() && columns_ >= 1 && (host_.BarVisible() || always_show_)) return r.Bottom - host_.BarHeight();
  return r.Bottom;
}

int TSeListBoxCore::GetItemTop(int index) {
  if (!host_.HasBar() || index < host_.BarPosition()) return -1;
  int y = host_.InnerRect().Top;
  for (int i = host_.BarPosition(); i < index; ++i) y += host_.ItemHeight(i);
  return y;
}

TRect TSeListBoxCore::ItemRect(int index) {
  if (!host_.HasBar()) return {};
  const TRect r = host_.InnerRect();
  const int top = GetItemTop(index);
  return {r.Left, top, r.Right - host_.BarWidth(), top + host_.ItemHeight(index)};
}

int TSeListBoxCore::ItemAtPos(const TPoint& point, bool existing) {
  if (host_.HasBar()) {
    const TRect r = host_.InnerRect();
    int y = r.Top;
    for (int i = std::max(0, host_.BarPosition()); i < Count() && y <= point.Y; ++i) {
      const int h = host_.ItemHeight(i);
      if (PtInRect({r.Left, y, r.Right - host_.BarWidth(), y + h}, point)) return i;
      y += h;
    }
  }
  return existing ? -1 : Count();
}

TSeListPlace TSeListBoxCore::Place(int index, int x, int y, int h) {
  TSeListPlace place{index, {}, {}};
  int left = x;
  if (show_check_boxes_) {
    const TSize size = host_.CheckSize();
    const int cl = x + (host_.CheckWidth() - size.cx) / 2;
    const int ct = y + (h - size.cy) / 2;
    place.check = {cl, ct, cl + size.cx, ct + size.cy};
    left = x + host_.CheckWidth();
  }
  place.text = {left, y, left + GetItemWidth(), y + h};
  return place;
}

template <class Visit>
void TSeListBoxCore::Walk(Visit visit) {
  if (!host_.HasBar()) return;
  const TRect r = host_.InnerRect();
  const int position = host_.BarPosition();
  const int count = Count();
  if (columns_ < 1) {
    int y = r.Top;
    for (int i = std::max(0, position); y < r.Bottom && i < count; ++i) {
      const int h = host_.ItemHeight(i);
      if (!visit(Place(i, r.Left, y, h), true)) return;
      y += h;
    }
    return;
  }
  const int pitch = GetItemWidth() + (show_check_boxes_ ? host_.CheckWidth() : 0);
  const int bottom = GetItemsBottom();
  int c = 0, i = 0, y = r.Top;
  bool empty = true;
  while (c - position < columns_ && i < count) {
    const int h = host_.ItemHeight(i);
    const int x = r.Left + (c - position) * pitch;
    if (y + h <= bottom) {
      if (!visit(Place(i, x, y, h), c >= position)) return;
      y += h;
      ++i;
      empty = false;
      continue;
    }
    if (empty) {
      // Taller than a column: placed at its top anyway, cut at the bottom.
      if (!visit(Place(i, x, y, h), c >= position)) return;
      ++i;
    }
    ++c;
    y = r.Top;
    empty = true;
  }
}

std::vector<TSeListPlace> TSeListBoxCore::VisibleItems() {
  std::vector<TSeListPlace> places;
  Walk([&](const TSeListPlace& p, bool shown) {
    if (shown) places.push_back(p);
    return true;
  });
  return places;
}

int TSeListBoxCore::CountColumns(int bottom) {
  const TRect r = host_.InnerRect();
  int n = 1, y = r.Top;
  for (int i = 0; i < Count(); ++i) {
    const int h = host_.ItemHeight(i);
    y += h;
    if (y > bottom) {
      ++n;
      y = r.Top + h;
    }
    if (n > columns_ && bottom == r.Bottom) return -1;  // the bar takes room: count again
  }
  return n;
}

void TSeListBoxCore::UpdateScrollBar() {
  if (!host_.HasBar()) return;
  const TRect r = host_.InnerRect();
  const int count = Count();
  int max = 0, page = 0;
  if (columns_ >= 1) {
    host_.PlaceBar(false, r);
    int bottom = always_show_ ? r.Bottom - host_.BarHeight() : r.Bottom;
    int n = CountColumns(bottom);
    if (n < 0) n = CountColumns(r.Bottom - host_.BarHeight());
    max = n - 1;
    page = columns_;
  } else if (VariableHeights()) {
    host_.PlaceBar(true, r);
    if (count > 0) {
      bar_shown_ = false;
      host_.SetBarVisible(true);
      int k = count - 1;
      int y = r.Bottom - host_.ItemHeight(k);
      while (k > 0) {
        const int h = host_.ItemHeight(k - 1);
        if (y - h < r.Top && bar_shown_) break;
        y -= h;
        --k;
        if (y < r.Top && !bar_shown_) {
          // The bar shows after all: measure again at the narrower width.
          bar_shown_ = true;
          k = count - 1;
          y = r.Bottom - host_.ItemHeight(k);
        }
      }
      max = k;
    }
  } else {
    host_.PlaceBar(true, r);
    max = std::max(0, count - 1);
    const int h = count > 0 ? host_.ItemHeight(0) : 0;
    page = h >= 1 ? r.Height() / h : 0;
  }
  host_.SetBarRange(0, max, page);
  const bool scrollable = max + 1 > page && max != 0;
  host_.SetBarVisible(always_show_ || scrollable);
  bar_shown_ = host_.BarVisible();
  host_.SetBarEnabled(scrollable);
}

void TSeListBoxCore::CalcVisibleRange() {
  if (!host_.HasBar()) return;
  if (columns_ < 1) {
    const TRect r = host_.InnerRect();
    first_visible_ = host_.BarPosition();
    last_visible_ = -1;
    int y = r.Top;
    for (int i = std::max(0, first_visible_); y < r.Bottom && i < Count(); ++i) {
      const int h = host_.ItemHeight(i);
      if (y + h <= r.Bottom) last_visible_ = i;
      y += h;
    }
    return;
  }
  first_visible_ = last_visible_ = -1;
  Walk([&](const TSeListPlace& p, bool shown) {
    if (shown) {
      if (first_visible_ == -1) first_visible_ = p.index;
      last_visible_ = p.index;
    }
    return true;
  });
}

void TSeListBoxCore::SetItemIndex(int value) {
  if (value == item_index_) {
    if (anchor_ == -1) anchor_ = item_index_;
    SelectRange();
    return;
  }
  const int count = Count();
  item_index_ = value > count - 1 ? count - 1 : value < -1 ? 0 : value;
  if (count == 0) item_index_ = -1;
  CalcVisibleRange();
  if (item_index_ != -1 && host_.HasBar()) {
    if (columns_ < 1) {
      // One jump to the nearest position that shows the item whole, not a
      // step per row: End in a long list is one scroll.
      if (item_index_ > last_visible_) {
        const int height = host_.InnerRect().Height();
        int first = item_index_;
        int sum = host_.ItemHeight(first);
        while (first > 0 && sum + host_.ItemHeight(first - 1) <= height) sum += host_.ItemHeight(--first);
        host_.SetBarPosition(std::max(first, host_.BarPosition() + 1));
        CalcVisibleRange();
      }
      if (item_index_ < first_visible_) {
        host_.SetBarPosition(item_index_);
        CalcVisibleRange();
      }
    } else {
      while (item_index_ > last_visible_) {
        const int before = host_.BarPosition();
        host_.SetBarPosition(before + 1);
        CalcVisibleRange();
        if (host_.BarPosition() == before) break;
      }
      while (item_index_ < first_visible_) {
        const int before = host_.BarPosition();
        host_.SetBarPosition(before - 1);
        CalcVisibleRange();
        if (host_.BarPosition() == before) break;
      }
    }
    if (anchor_ == -1) anchor_ = item_index_;
  }
  SelectRange();
  UpdateScrollBar();
  host_.Invalidate();
}

void TSeListBoxCore::UpdateHotItem(int x, int y) {
  if (!host_.HasBar()) return;
  hot_item_ = hot_check_ = -1;
  Walk([&](const TSeListPlace& p, bool shown) {
    if (!shown) return true;
    if (show_check_boxes_ && host_.PtInCheckBox(x, y, p.index, p.check)) {
      hot_check_ = p.index;
      return false;
    }
    if (host_.PtInItem(x, y, p.index, p.text)) {
      hot_item_ = p.index;
      return false;
    }
    return true;
  });
}

bool TSeListBoxCore::KeyDown(int key, Qt::KeyboardModifiers modifiers) {
  const int old = item_index_;
  bool navigation = true;
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      AdvanceState(item_index_);
      navigation = false;
      break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
      if (!host_.HasBar()) break;
      int step = host_.BarPageSize() - 1;
      if (host_.BarPageSize() == 0) {
        // Rows of different heights: a page is what shows now, less one row.
        CalcVisibleRange();
        step = std::max(1, last_visible_ - first_visible_);
      }
      SetItemIndex(key == Qt::Key_PageUp ? item_index_ - step : item_index_ + step);
      break;
    }
    case Qt::Key_End: SetItemIndex(Count() - 1); break;
    case Qt::Key_Home: SetItemIndex(0); break;
    case Qt::Key_Left:
    case Qt::Key_Up:
      if (item_index_ > 0) SetItemIndex(item_index_ - 1);
      break;
    case Qt::Key_Right:
    case Qt::Key_Down: SetItemIndex(item_index_ + 1); break;
    default: navigation = false; break;
  }
  if (item_index_ < 0) SetItemIndex(0);
  if (key_click_ && item_index_ != old) host_.Click();
  if (navigation) {
    if (!(modifiers & Qt::ShiftModifier)) anchor_ = item_index_;
    SelectRange();
  }
  return navigation || key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
}

void TSeListBoxCore::MouseDown(bool leftButton, Qt::KeyboardModifiers modifiers, int x, int y) {
  if (!leftButton) return;
  mouse_selecting_ = true;
  pointer_x_ = x;
  pointer_y_ = y;
  UpdateHotItem(x, y);
  if (hot_item_ == -1 && hot_check_ == -1) return;
  // Ctrl+click changes one flag and leaves the rest of the selection.
  const bool toggle = (modifiers & Qt::ControlModifier) && multi_select_;
  keep_selection_ = toggle;
  if (hot_item_ != -1) {
    SetItemIndex(hot_item_);
  } else {
    SetItemIndex(hot_check_);
    AdvanceState(item_index_);
  }
  keep_selection_ = false;
  if (!(modifiers & Qt::ShiftModifier)) anchor_ = item_index_;
  if (toggle)
    SetSelected(item_index_, !GetSelected(item_index_));
  else
    SelectRange();
}

bool TSeListBoxCore::MouseMove(Qt::KeyboardModifiers modifiers, int x, int y, int width, int height) {
  pointer_x_ = x;
  pointer_y_ = y;
  const int oldHot = hot_item_, oldCheck = hot_check_;
  UpdateHotItem(x, y);
  const bool changed = hot_item_ != oldHot || hot_check_ != oldCheck;
  if (changed) host_.Invalidate();
  if (!host_.HasBar() || !mouse_selecting_) return changed;
  const int along = columns_ == 0 ? y : x;
  const int extent = columns_ == 0 ? height : width;
  if (along < 0) {
    host_.SetBarScrollBackward(true);
    return changed;
  }
  if (along > extent) {
    host_.SetBarScrollForward(true);
    return changed;
  }
  host_.SetBarScrollBackward(false);
  host_.SetBarScrollForward(false);
  if (hot_item_ != -1 && !(modifiers & Qt::ControlModifier)) {
    SetItemIndex(hot_item_);
    SelectRange();
  }
  return changed;
}

void TSeListBoxCore::MouseLeave() {
  pointer_x_ = pointer_y_ = -1;
  if (hot_item_ != -1 || hot_check_ != -1) {
    hot_item_ = hot_check_ = -1;
    host_.Invalidate();
  }
}

void TSeListBoxCore::Wheel(int delta) {
  if (!host_.HasBar() || delta == 0) return;
  const int d = se::WheelLines(wheel_rest_, delta, host_.WheelScrollLines());
  if (d == 0) return;
  const int p = host_.BarPosition() - d;
  const int page = host_.BarPageSize();
  if (page != 0 && p > host_.BarMax() - page + 1)
    host_.SetBarPosition(host_.BarMax() - page + 1);
  else
    host_.SetBarPosition(p);
}

void TSeListBoxCore::ScrollBarChange() {
  if (host_.BarScrollBackward()) {
    CalcVisibleRange();
    SetItemIndex(first_visible_);
    SelectRange();
  } else if (host_.BarScrollForward()) {
    CalcVisibleRange();
    SetItemIndex(last_visible_);
    SelectRange();
  }
  UpdateHotItem(pointer_x_, pointer_y_);
  host_.Invalidate();
}

void TSeListBoxCore::ScrollBarScroll(int& scrollPos) {
  const int page = host_.BarPageSize();
  if (page != 0 && scrollPos > host_.BarMax() - page + 1) scrollPos = host_.BarMax() - page + 1;
}

int TSeListBoxCore::SnapHeight(int height, const TRect& inner) const {
  if (word_wrap_ || list_style_ == lbOwnerDrawVariable || item_height_ <= 0) return height;
  return (inner.Height() / item_height_) * item_height_ + inner.Top + (height - inner.Bottom);
}

void TSeListBoxCore::SetMultiSelect(bool value) {
  if (value == multi_select_) return;
  multi_select_ = value;
  std::fill(selected_.begin(), selected_.end(), 0);
  marked_.clear();
  host_.Invalidate();
}

void TSeListBoxCore::SetAllowGrayed(bool value) {
  if (value == allow_grayed_) return;
  allow_grayed_ = value;
  for (auto& s : states_)
    if (s == csGrayed) s = csChecked;
  host_.Invalidate();
}

void TSeListBoxCore::SetColumns(int value) {
  value = std::max(0, value);  // fewer than none is one column
  if (value == columns_) return;
  columns_ = value;
  UpdateScrollBar();
  host_.Invalidate();
}

void TSeListBoxCore::SetShowCheckBoxes(bool value) {
  if (value == show_check_boxes_) return;
  show_check_boxes_ = value;
  host_.Invalidate();
}

void TSeListBoxCore::SetAlwaysShowScrlBar(bool value) {
  if (value == always_show_) return;
  always_show_ = value;
  UpdateScrollBar();
}

void TSeListBoxCore::SetItemHeight(int value) {
  if (value == item_height_) return;
  item_height_ = value;
  host_.Invalidate();
}
