// The fixed system colour table and metrics table, and the colour helpers
// that resolve system colours through them.

#include <array>

#include "platform/gui/Color.h"
#include "platform/gui/Geometry.h"

namespace {

// Written as 0xRRGGBB for reading; converted to the host's 0x00BBGGRR below.
constexpr std::array<uint32_t, COLOR_ENDCOLORS + 1> kSysColorsRgb = {
    0xD4D0C8,  // scroll bar
    0x3A6EA5,  // desktop
    0x0A246A,  // active caption
    0x808080,  // inactive caption
    0xD4D0C8,  // menu
    0xFFFFFF,  // window
    0x000000,  // window frame
    0x000000,  // menu text
    0x000000,  // window text
    0xFFFFFF,  // caption text
    0xD4D0C8,  // active border
    0xD4D0C8,  // inactive border
    0x808080,  // application work space
    0x0A246A,  // highlight
    0xFFFFFF,  // highlight text
    0xD4D0C8,  // button face
    0x808080,  // button shadow
    0x808080,  // grey text
    0x000000,  // button text
    0xD4D0C8,  // inactive caption text
    0xFFFFFF,  // button highlight
    0x404040,  // 3D dark shadow
    0xD4D0C8,  // 3D light
    0x000000,  // tooltip text
    0xFFFFE1,  // tooltip background
    0xB5B5B5,  // (unused slot)
    0x000080,  // hot-tracked item
    0xA6CAF0,  // gradient of the active caption
    0xC0C0C0,  // gradient of the inactive caption
    0x316AC5,  // menu highlight
    0xD4D0C8,  // menu bar
};

constexpr uint32_t Swap(uint32_t rgb) { return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF); }

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

// A classic desktop at 96 pixels per inch.
constexpr std::array<int, 82> kMetrics = {
    kScreenWidth,
    kScreenHeight,
    16,
    16,  // vertical scroll bar width, horizontal scroll bar height
    19,  // caption
    1,
    1,  // border
    3,
    3,  // dialog frame
    16,
    16,  // thumbs
    32,
    32,
    32,
    32,  // icon, cursor
    19,  // menu bar
    kScreenWidth,
    kScreenHeight - 19 - 28,  // client area of a maximised window above the task bar
    0,
    1,  // kanji window, mouse present
    16,
    16,  // scroll arrows
    0,
    0,  // debug, swapped buttons
    0,
    0,
    0,
    0,  // reserved
    112,
    27,  // minimum window
    18,
    18,  // caption buttons
    4,
    4,  // sizing frame
    112,
    27,  // minimum tracking size
    4,
    4,  // double-click rectangle
    75,
    75,  // icon spacing
    0,
    0,
    0,  // menu alignment, pen windows, DBCS
    3,
    0,  // mouse buttons, secure
    2,
    2,  // 3D edge
    160,
    24,  // minimised spacing
    16,
    16,  // small icon
    15,  // small caption
    15,
    15,  // small caption buttons
    18,
    18,  // menu bar buttons
    8,   // arrangement
    160,
    24,  // minimised window
    kScreenWidth + 12,
    kScreenHeight + 12,  // maximum tracking size
    kScreenWidth + 8,
    kScreenHeight - 28 + 8,  // maximised window
    3,                       // network present
    0,
    0,
    0,  // reserved
    0,  // clean boot
    4,
    4,  // drag threshold
    0,  // show sounds
    13,
    13,  // menu check mark
    0,
    0,
    1,  // slow machine, middle east, wheel
    0,
    0,
    kScreenWidth,
    kScreenHeight,  // virtual screen
    1,
    1,  // monitors, same display format
};

}  // namespace

uint32_t GetSysColor(int index) {
  if (index < 0 || index > COLOR_ENDCOLORS) return 0;
  return Swap(kSysColorsRgb[size_t(index)]);
}

int GetSystemMetrics(int index) {
  if (index < 0 || size_t(index) >= kMetrics.size()) return 0;
  return kMetrics[size_t(index)];
}

uint32_t ColorToRGB(TColor color) {
  if (color == clNone) return 0;
  if (color == clDefault) return GetSysColor(COLOR_WINDOW);
  if (color < 0) return GetSysColor(color & 0xFF);
  return uint32_t(color) & 0xFFFFFF;
}

QColor ColorToQColor(TColor color) {
  const uint32_t c = ColorToRGB(color);
  return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

TColor QColorToColor(const QColor& color) { return RGB(color.red(), color.green(), color.blue()); }

TRect IntersectRect(const TRect& a, const TRect& b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
  if (r.IsEmpty()) return {};
  return r;
}

void InflateRect(TRect& r, int dx, int dy) {
  r.Left -= dx;
  r.Right += dx;
  r.Top -= dy;
  r.Bottom += dy;
}

void OffsetRect(TRect& r, int dx, int dy) {
  r.Left += dx;
  r.Right += dx;
  r.Top += dy;
  r.Bottom += dy;
}

bool PtInRect(const TRect& r, const TPoint& p) {
  return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}
