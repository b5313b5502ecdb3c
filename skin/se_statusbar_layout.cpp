#include "skin/se_statusbar_layout.h"

#include <algorithm>

namespace {

int EffectiveWidth(const TSePanelSizing& sizing, const TSePanelPlace& place) {
  return std::min(place.CurrentWidth, sizing.MaxWidth);
}

}  // namespace

std::vector<TSePanelPlace> LayoutStatusPanels(const std::vector<TSePanelSizing>& panels, const TRect& client) {
  std::vector<TSePanelPlace> places(panels.size());
  const int available = client.Width();
  std::vector<std::size_t> list;
  long long total = 0;
  for (std::size_t i = 0; i < panels.size(); ++i) {
    if (panels[i].ViewPriority == 0) continue;
    places[i].Shown = true;
    places[i].CurrentWidth = panels[i].Width;
    list.push_back(i);
    total += panels[i].Width;
  }
  // Ties keep collection order, so the same bar always drops the same panel.
  std::stable_sort(list.begin(), list.end(), [&](std::size_t a, std::size_t b) {
    return panels[a].ViewPriority > panels[b].ViewPriority;
  });
  while (total > available && list.size() >= 2 && panels[list.back()].ViewPriority < 100) {
    const std::size_t i = list.back();
    places[i].Shown = false;
    total -= EffectiveWidth(panels[i], places[i]);
    list.pop_back();
  }

  long long spare = available - total;
  if (spare > 0) {
    std::erase_if(list, [&](std::size_t i) { return panels[i].StretchPriority == 0; });
    std::stable_sort(list.begin(), list.end(), [&](std::size_t a, std::size_t b) {
      return panels[a].StretchPriority < panels[b].StretchPriority;
    });
    while (!list.empty() && spare >= 1) {
      const std::size_t i = list.back();
      places[i].CurrentWidth = static_cast<int>(places[i].CurrentWidth + spare);
      // What MaxWidth cuts off passes on to the next.
      spare = places[i].CurrentWidth - EffectiveWidth(panels[i], places[i]);
      list.pop_back();
    }
  }

  int pos = 0;
  for (std::size_t i = 0; i < panels.size(); ++i) {
    TSePanelPlace& place = places[i];
    if (place.Shown && pos >= available) place.Shown = false;
    place.Left = client.Left + pos;
    const int width = place.Shown ? EffectiveWidth(panels[i], place) : 0;
    place.Right = place.Left + width;
    pos += width;
    // Only a shown panel reaches for the edge: a hidden last panel painted
    // to the edge would cover the bar's empty end.
    const bool last = i + 1 == panels.size();
    if (place.Shown && panels[i].StretchPriority > 0 && (pos >= available || last))
      place.Right = client.Right;
  }
  return places;
}

int StatusPanelAtPos(const std::vector<TSePanelSizing>& panels, const std::vector<TSePanelPlace>& places,
                     const TRect& client, int x, int y) {
  if (y < client.Top || y > client.Bottom || x <= client.Left) return -1;
  int edge = client.Left;
  for (std::size_t i = 0; i < panels.size() && i < places.size(); ++i) {
    if (places[i].Shown) edge += EffectiveWidth(panels[i], places[i]);
    if (edge >= x) return static_cast<int>(i);
  }
  return -1;
}

TRect TSePanelContent::ImageRect() const {
  const int iw = Image.X, ih = Image.Y, tw = Text.X;
  const int w = InnerWidth;
  int left = 0;
  if (Layout == sglGlyphLeft)
    left = Alignment == taCenter ? (w - (iw + Spacing + tw)) / 2 : Margin;
  else if (Alignment == taCenter)
    left = w - (w - (iw + Spacing + tw)) / 2 - iw;
  else
    left = w - (Margin + iw);
  return Bounds(left, (InnerHeight - ih) / 2, iw, ih);
}

TRect TSePanelContent::TextRect() const {
  const int iw = Image.X, tw = Text.X, th = Text.Y;
  const bool image = iw > 0 && Image.Y > 0;
  const int w = InnerWidth;
  int left = 0, right = 0;
  if (Layout == sglGlyphLeft) {
    if (Alignment == taCenter) {
      left = image ? (w - (iw + Spacing + tw)) / 2 + iw + Spacing : (w - tw) / 2;
      right = left + tw + 10;
    } else {
      left = image ? Margin + iw + Spacing : Margin;
      right = w - Margin;
    }
  } else if (Alignment == taCenter) {
    left = image ? (w - (iw + Spacing + tw)) / 2 : (w - tw) / 2;
    right = left + tw;
  } else {
    left = Margin;
    right = image ? w - (Margin + iw + Spacing) : w - Margin;
  }
  const int top = (InnerHeight - th) / 2;
  return Rect(left, top, right, top + th);
}
