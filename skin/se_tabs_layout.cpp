#include "skin/se_tabs_layout.h"

#include <algorithm>
#include <utility>

namespace {

bool Meets(const TRect& a, const TRect& b) { return !IntersectRect(a, b).IsEmpty(); }

bool IsHorizontalStrip(TTabPosition p) { return p == tpTop || p == tpBottom; }

TTabPosition OppositeSide(TTabPosition p) {
  switch (p) {
    case tpTop:
      return tpBottom;
    case tpBottom:
      return tpTop;
    case tpLeft:
      return tpRight;
    case tpRight:
      return tpLeft;
  }
  return p;
}

}  // namespace

TSeTabLayout::TSeTabLayout(TSeTabMetrics metrics) : m_(std::move(metrics)) { BuildRows(); }

int TSeTabLayout::NaturalWidth(int index) const {
  if (index < 0 || index >= Count()) return 0;
  return m_.NaturalWidths[static_cast<std::size_t>(index)];
}

int TSeTabLayout::StripSpacing() const {
  switch (m_.Position) {
    case tpTop:
      return m_.TopSpacing;
    case tpBottom:
      return m_.BottomSpacing;
    case tpLeft:
      return m_.LeftSpacing;
    case tpRight:
      return m_.RightSpacing;
  }
  return 0;
}

void TSeTabLayout::BuildRows() {
  rows_.clear();
  const int count = Count();
  if (count == 0) return;
  const int available = (IsHorizontalStrip(m_.Position) ? m_.Width : m_.Height) - m_.LeftSpacing - m_.RightSpacing;
  auto close_row = [&](int last, int start, int used) {
    const int tabs = last - start + 1;
    const int extra = (available - used) / tabs;
    rows_.push_back({last, extra, (available - used) - tabs * extra});
  };
  int used = NaturalWidth(0);
  int start = 0;
  for (int i = 1; i < count; ++i) {
    const int w = NaturalWidth(i);
    if (used + w >= available && static_cast<int>(rows_.size()) < kMaxRows - 1) {
      close_row(i - 1, start, used);
      used = w;
      start = i;
    } else {
      used += w;
    }
  }
  close_row(count - 1, start, used);
}

int TSeTabLayout::RowCount() const {
  return m_.MultiLine && !rows_.empty() ? static_cast<int>(rows_.size()) : 1;
}

int TSeTabLayout::TabRow(int index) const {
  if (RowCount() == 1) return 0;
  for (int r = 1; r < RowCount(); ++r)
    if (rows_[static_cast<std::size_t>(r - 1)].LastTab < index && index <= RowEnd(r)) return r;
  return 0;
}

int TSeTabLayout::RowStart(int row) const { return row == 0 ? 0 : RowEnd(row - 1) + 1; }

int TSeTabLayout::TabLength(int index) const {
  if (m_.RaggedRight || m_.FixedTabWidth != 0 || !m_.MultiLine || rows_.empty()) return NaturalWidth(index);
  const TSeTabRow& row = rows_[static_cast<std::size_t>(TabRow(index))];
  return NaturalWidth(index) + row.Extra + (index == row.LastTab ? row.Remainder : 0);
}

int TSeTabLayout::RowOffset(int row) const {
  const int cur = CurrentRow();
  int steps;
  if (m_.ScrollOpposite)
    steps = row < cur ? cur - row : row - cur + 1;
  else
    steps = row < cur ? row + RowCount() - cur + 1 : row - cur + 1;
  return steps * m_.RowDepth;
}

int TSeTabLayout::StripDepth() const {
  if (Count() == 0) return 0;
  const int rows = m_.ScrollOpposite ? RowCount() - CurrentRow() : RowCount();
  return m_.RowDepth * rows + StripSpacing();
}

int TSeTabLayout::OppositeDepth() const { return m_.ScrollOpposite ? CurrentRow() * m_.RowDepth : 0; }

bool TSeTabLayout::IsTabOpposite(int index) const {
  return m_.MultiLine && m_.ScrollOpposite && TabRow(index) < CurrentRow();
}

TTabPosition TSeTabLayout::TabSide(int index) const {
  return IsTabOpposite(index) ? OppositeSide(m_.Position) : m_.Position;
}

TRect TSeTabLayout::PageRect() const {
  TRect r = Rect(0, 0, m_.Width, m_.Height);
  const int strip = StripDepth();
  const int opposite = OppositeDepth();
  switch (m_.Position) {
    case tpTop:
      r.Top += strip;
      r.Bottom -= opposite;
      break;
    case tpBottom:
      r.Bottom -= strip;
      r.Top += opposite;
      break;
    case tpLeft:
      r.Left += strip;
      r.Right -= opposite;
      break;
    case tpRight:
      r.Right -= strip;
      r.Left += opposite;
      break;
  }
  return r;
}

TRect TSeTabLayout::ClientArea() const {
  const TRect p = PageRect();
  return Rect(p.Left + m_.LeftSpacing + 1, p.Top + m_.TopSpacing + 1, p.Right - m_.RightSpacing - 1,
              p.Bottom - m_.BottomSpacing - 1);
}

TRect TSeTabLayout::TabRect(int index) const {
  int offset = 0;
  if (m_.MultiLine) {
    for (int i = RowStart(TabRow(index)); i < index; ++i) offset += TabLength(i);
  } else if (index >= m_.FirstVisible) {
    for (int i = m_.FirstVisible; i < index; ++i) offset += TabLength(i);
  } else {
    for (int i = index; i < m_.FirstVisible; ++i) offset -= TabLength(i);
  }
  const bool opposite = IsTabOpposite(index);
  const TTabPosition side = opposite ? OppositeSide(m_.Position) : m_.Position;
  const int depth = opposite ? OppositeDepth() : StripDepth();
  const int edge = depth - RowOffset(TabRow(index));
  const int len = TabLength(index);
  TRect r;
  switch (side) {
    case tpTop:
      r.Left = offset + m_.LeftSpacing;
      r.Right = r.Left + len;
      r.Top = edge;
      r.Bottom = depth + m_.TopSpacing;
      break;
    case tpBottom:
      r.Left = offset + m_.LeftSpacing;
      r.Right = r.Left + len;
      r.Bottom = m_.Height - edge;
      r.Top = m_.Height - depth - m_.BottomSpacing;
      break;
    case tpLeft:
      r.Left = edge;
      r.Right = depth + m_.LeftSpacing;
      r.Top = offset + m_.TopSpacing;
      r.Bottom = r.Top + len;
      break;
    case tpRight:
      r.Right = m_.Width - edge;
      r.Left = m_.Width - depth - m_.RightSpacing;
      r.Top = offset + m_.TopSpacing;
      r.Bottom = r.Top + len;
      break;
  }
  return r;
}

int TSeTabLayout::LastVisibleTab(bool exact) const {
  const int count = Count();
  if (count == 0) return -1;
  const int available = IsHorizontalStrip(m_.Position) ? m_.Width - m_.LeftSpacing - m_.RightSpacing
                                                       : m_.Height - m_.TopSpacing - m_.BottomSpacing;
  int i = m_.FirstVisible;
  int used = NaturalWidth(i);
  while (i <= count - 2 && used + NaturalWidth(i + 1) <= available) {
    used += NaturalWidth(i + 1);
    ++i;
  }
  if (i < count - 1) ++i;  // the partly shown tab counts
  if (!exact) return i;
  // The arrows hide what lies under them only while they are shown; a strip
  // that fits keeps its last tab even where the arrows would go.
  const bool arrows = ArrowsVisible();
  auto whole = [&](int tab) {
    const TRect r = TabRect(tab);
    return r.Right <= m_.Width && !(arrows && (Meets(r, LeftArrowRect()) || Meets(r, RightArrowRect())));
  };
  while (i > 0 && !whole(i)) --i;
  return i;
}

bool TSeTabLayout::ArrowsVisible() const {
  const int count = Count();
  return IsHorizontalStrip(m_.Position) && count >= 2 && !m_.MultiLine &&
         (m_.FirstVisible > 0 || TabRect(count - 1).Right > m_.Width);
}

TRect TSeTabLayout::RightArrowRect() const {
  const TPoint size = m_.ArrowSize;
  const int top = m_.Position == tpTop ? StripDepth() - size.Y - m_.TopSpacing
                                       : m_.Height - StripDepth() + m_.BottomSpacing;
  return Rect(m_.Width - size.X, top, m_.Width, top + size.Y);
}

TRect TSeTabLayout::LeftArrowRect() const {
  TRect r = RightArrowRect();
  OffsetRect(r, -m_.ArrowSize.X, 0);
  return r;
}

bool TSeTabLayout::IsOverLeftArrow(int x, int y) const {
  return ArrowsVisible() && PtInRect(LeftArrowRect(), {x, y});
}

bool TSeTabLayout::IsOverRightArrow(int x, int y) const {
  return ArrowsVisible() && PtInRect(RightArrowRect(), {x, y});
}

int TSeTabLayout::TabAtPos(int x, int y) const {
  const int count = Count();
  if (count == 0) return -1;
  const TPoint p{x, y};
  const int strip = StripDepth();
  const int arrows_left = m_.Width - 2 * m_.ArrowSize.X;
  if (m_.Position == tpTop && PtInRect(Rect(arrows_left, 0, m_.Width, strip), p) && ArrowsVisible()) return -1;
  if (m_.Position == tpBottom && PtInRect(Rect(arrows_left, m_.Height - strip, m_.Width, m_.Height), p) &&
      ArrowsVisible())
    return -1;
  if (m_.TabIndex >= 0 && m_.TabIndex < count && PtInRect(TabRect(m_.TabIndex), p)) return m_.TabIndex;
  if (RowCount() == 1) {
    const int last = LastVisibleTab(false);
    for (int i = m_.FirstVisible; i <= count - 1 && i <= last; ++i) {
      TRect r = TabRect(i);
      switch (m_.Position) {
        case tpTop:
          r.Bottom -= m_.TopSpacing;
          break;
        case tpBottom:
          r.Top += m_.BottomSpacing;
          break;
        case tpLeft:
          r.Right -= m_.LeftSpacing;
          break;
        case tpRight:
          r.Left += m_.RightSpacing;
          break;
      }
      if (PtInRect(r, p)) return i;
    }
    return -1;
  }
  const int cur = CurrentRow();
  std::vector<int> order;
  if (m_.ScrollOpposite) {
    for (int r = cur - 1; r >= 0; --r) order.push_back(r);
    for (int r = cur; r < RowCount(); ++r) order.push_back(r);
  } else {
    for (int r = cur; r < RowCount(); ++r) order.push_back(r);
    for (int r = 0; r < cur; ++r) order.push_back(r);
  }
  for (int row : order)
    for (int i = RowStart(row); i <= RowEnd(row); ++i)
      if (PtInRect(TabRect(i), p)) return i;
  return -1;
}

std::vector<int> TSeTabLayout::BackTabs() const {
  std::vector<int> tabs;
  const int count = Count();
  if (count == 0) return tabs;
  if (RowCount() == 1) {
    const int last = LastVisibleTab(false);
    for (int i = m_.FirstVisible; i <= count - 1 && i <= last; ++i)
      if (i != m_.TabIndex) tabs.push_back(i);
    return tabs;
  }
  const int cur = CurrentRow();
  const int rows = RowCount();
  std::vector<int> order;
  if (m_.ScrollOpposite) {
    for (int r = rows - 1; r >= cur; --r) order.push_back(r);
    for (int r = 0; r < cur; ++r) order.push_back(r);
  } else {
    for (int r = cur - 1; r >= 0; --r) order.push_back(r);
    for (int r = rows - 1; r >= cur; --r) order.push_back(r);
  }
  for (int row : order)
    for (int i = RowStart(row); i <= RowEnd(row); ++i) tabs.push_back(i);
  return tabs;
}

TSeTabLayout TSeTabLayout::WithFirstVisible(int first) const {
  TSeTabMetrics m = m_;
  m.FirstVisible = first;
  return TSeTabLayout(std::move(m));
}

int TSeTabLayout::ScrolledFirstVisible(int delta) const {
  const int count = Count();
  if (delta == 0) return m_.FirstVisible;
  if (count == 0) return -1;
  int first = std::clamp(m_.FirstVisible + delta, 0, count - 1);
  // Step back while the tab before still leaves the last tab whole; a strip
  // that can show everything from the first tab scrolls back to it.
  while (first > 0 && WithFirstVisible(first - 1).LastVisibleTab(true) == count - 1) --first;
  return first;
}

int TSeTabLayout::FirstVisibleShowingCurrent() const {
  const int count = Count();
  const int current = m_.TabIndex;
  if (current < 0 || current >= count) return m_.FirstVisible;
  int first = m_.FirstVisible;
  auto at = [&](int f) { return WithFirstVisible(f); };
  for (;;) {
    const TSeTabLayout l = at(first);
    const TRect r = l.TabRect(current);
    if (first >= count - 1 || !l.ArrowsVisible() || !(Meets(r, l.LeftArrowRect()) || Meets(r, l.RightArrowRect())))
      break;
    ++first;
  }
  while (first > current) --first;
  if (!m_.MultiLine) {
    for (;;) {
      const int last = at(first).LastVisibleTab(true);
      if (last == 0 || last >= current || first >= current) break;
      ++first;
    }
  }
  return first;
}
