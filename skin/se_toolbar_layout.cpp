#include "skin/se_toolbar_layout.h"

bool ToolBarIsHorizontal(int width, int height, bool alignedTopOrBottom) {
  return width >= height || alignedTopOrBottom;
}

std::vector<TSeToolBarPlacement> LayoutToolBar(const TSeToolBarShape& bar, const std::vector<TSeToolBarItem>& items,
                                               int moved) {
  const bool h = bar.Horizontal;
  auto along = [h](const TRect& r) { return h ? r.Left : r.Top; };
  auto extent = [&](int i) {
    const TSeToolBarItem& item = items[static_cast<std::size_t>(i)];
    if (bar.ButtonAutoSize && item.ItemKind == TSeToolBarItem::Button) return bar.ButtonWidth + item.ChevronWidth;
    if (bar.ButtonAutoSize && item.ItemKind == TSeToolBarItem::Divider) return bar.DividerWidth;
    return h ? item.Bounds.Width() : item.Bounds.Height();
  };

  // The moved child first; every other one before the first that lies
  // further along the bar; equal positions keep their order.
  std::vector<int> order;
  if (moved >= 0 && moved < static_cast<int>(items.size())) order.push_back(moved);
  for (int i = 0; i < static_cast<int>(items.size()); ++i) {
    if (i == moved) continue;
    auto at = order.begin();
    while (at != order.end() && along(items[static_cast<std::size_t>(*at)].Bounds) <=
                                    along(items[static_cast<std::size_t>(i)].Bounds))
      ++at;
    order.insert(at, i);
  }

  std::vector<TSeToolBarPlacement> placed;
  int start = h ? bar.Client.Left : bar.Client.Top;
  for (int i : order) {
    const int e = extent(i);
    const TRect r = h ? Rect(start, bar.Client.Top, start + e, bar.Client.Bottom)
                      : Rect(bar.Client.Left, start, bar.Client.Right, start + e);
    placed.push_back({i, r});
    start += e;
  }
  return placed;
}
