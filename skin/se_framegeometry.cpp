#include "skin/se_framegeometry.h"

#include "platform/gui/Color.h"

namespace se {

namespace {
TSeFrameMetrics ReadFrameMetrics() {
  TSeFrameMetrics m;
  m.CaptionHeight = GetSystemMetrics(SM_CYCAPTION);
  m.SmallCaptionHeight = GetSystemMetrics(SM_CYSMCAPTION);
  m.FrameWidth = GetSystemMetrics(SM_CXFRAME);
  m.ButtonWidth = GetSystemMetrics(SM_CXSIZE);
  m.ButtonHeight = GetSystemMetrics(SM_CYSIZE);
  return m;
}
}  // namespace

TSeFrameMetrics& FrameMetrics() {
  static TSeFrameMetrics metrics = ReadFrameMetrics();
  return metrics;
}

void GetFrameMetrics() { FrameMetrics() = ReadFrameMetrics(); }

namespace {

int CaptionHeightOf(TSeBorderStyle style) {
  switch (style) {
    case kbsStandard:
      return FrameMetrics().CaptionHeight;
    case kbsToolWindow:
      return FrameMetrics().SmallCaptionHeight;
    default:
      return 0;
  }
}

bool Inside(const TRect& r, int x, int y) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }

}  // namespace

TRect FrameClientArea(const TSeFrameLayout& layout) {
  TRect r{0, 0, layout.FrameWidth, layout.FrameHeight};
  if (layout.BorderStyle == kbsNone) return r;
  const int f = FrameMetrics().FrameWidth;
  r = {r.Left + f, r.Top + f, r.Right - f, r.Bottom - f};
  r.Top += CaptionHeightOf(layout.BorderStyle);
  return r;
}

TRect FrameCaptionStrip(const TSeFrameLayout& layout) {
  const TRect c = FrameClientArea(layout);
  return {c.Left, FrameMetrics().FrameWidth + 1, c.Right, c.Top};
}

TRect FrameBorderIconRect(const TSeFrameLayout& layout, unsigned icon) {
  if (!(layout.BorderIcons & icon) || layout.BorderStyle == kbsNone) return {};
  const TRect s = FrameCaptionStrip(layout);
  const int h = s.Bottom - s.Top;
  if (icon == kbiSystemMenu) return {s.Left, s.Top, s.Left + h, s.Bottom};
  const int w = h - 2;
  const int bh = h - 4;
  const int top = s.Top + 2;
  int x = s.Right - 2 - w;
  auto at = [&](int left) { return TRect{left, top, left + w, top + bh}; };
  const bool minimized = layout.WindowState == kwsMinimized;

  if (layout.BorderIcons & kbiClose) {
    if (icon == kbiClose) return at(x);
    x -= w + 2;
  }
  if (layout.BorderStyle == kbsToolWindow) return {};
  if ((layout.BorderIcons & kbiMaximize) && !minimized) {
    if (icon == kbiMaximize) return at(x);
    x -= w;
  }
  if (layout.BorderIcons & kbiMinimize) {
    if (icon == kbiMinimize) return at(x);
    x -= w;
  }
  if ((layout.BorderIcons & kbiRollup) && !minimized) {
    x -= 2;
    if (icon == kbiRollup) return at(x);
    x -= w;
  }
  if ((layout.BorderIcons & kbiTray) && !minimized) {
    if (icon == kbiTray) return at(x);
    x -= w;
  }
  if (icon == kbiHelp && layout.WindowState != kwsRollup && !minimized) return at(x - 2);
  return {};
}

std::uint8_t FrameHitTest(const TSeFrameLayout& layout, int x, int y, const TRect& sizeGrip) {
  std::uint8_t result = kfpClient;
  const TRect c = FrameClientArea(layout);
  const int w = layout.FrameWidth;
  const int h = layout.FrameHeight;
  if (x < 0 || y < 0 || x >= w || y >= h) return kfpClient;
  if (y < c.Top) result = kfpCaption;

  static constexpr struct {
    unsigned icon;
    std::uint8_t part;
  } kButtons[] = {{kbiSystemMenu, kfpSystemMenuIcon}, {kbiClose, kfpCloseButton},
                  {kbiMinimize, kfpMinimizeButton},   {kbiMaximize, kfpMaximizeButton},
                  {kbiHelp, kfpHelpButton},           {kbiRollup, kfpRollupButton},
                  {kbiTray, kfpTrayButton}};
  for (const auto& b : kButtons)
    if (Inside(FrameBorderIconRect(layout, b.icon), x, y)) result = b.part;

  if (layout.WindowState != kwsNormal && layout.WindowState != kwsTray) return result;
  const int corner = se::kFrameCornerSize;
  const int topBand = c.Top - CaptionHeightOf(layout.BorderStyle);
  // Each border band is half-open: the first client row or column is client.
  if (y < topBand) result = x < corner ? kfpTopLeft : x < w - corner ? kfpTop : kfpTopRight;
  if (y >= c.Bottom) result = x < corner ? kfpBottomLeft : x < w - corner ? kfpBottom : kfpBottomRight;
  if (x < c.Left) result = y < corner ? kfpTopLeft : y < h - corner ? kfpLeft : kfpBottomLeft;
  if (x >= c.Right) result = y < corner ? kfpTopRight : y < h - corner ? kfpRight : kfpBottomRight;
  if (Inside(sizeGrip, x, y)) result = kfpBottomRight;
  return result;
}

TRect FrameRollupRect(const TSeFrameLayout& layout, int left, int top) {
  const TRect c = FrameClientArea(layout);
  return Bounds(left, top, layout.FrameWidth, c.Top + layout.FrameHeight - c.Bottom);
}

TRect FrameMaximizedRect(const TSeFrameLayout& layout, const TRect& area) {
  const int grow = FrameClientArea(layout).Left;
  return {area.Left - grow, area.Top - grow, area.Right + grow, area.Bottom + grow};
}

}  // namespace se
