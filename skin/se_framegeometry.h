#pragma once
// Where the parts of a self-drawn window frame lie: the client area, the
// caption strip and its buttons, the frame part under a point, and the
// rectangles of the maximized, rolled-up and minimized window. Plain
// arithmetic on a TSeFrameLayout; the form frame (se_form.h) fills one from
// its window and asks these functions, and a skinned frame may override.
//
// All rectangles are half-open (right and bottom excluded), so every pixel
// of the frame belongs to exactly one part.

#include <cstdint>

#include "platform/gui/Geometry.h"
#include "skin/se_messages.h"

enum TSeBorderStyle { kbsNone, kbsStandard, kbsToolWindow };
enum TSeWindowState { kwsNormal, kwsMaximized, kwsMinimized, kwsRollup, kwsTray };
enum TSeFormPerformance { tbfpNoBuffer, tbfpSharedBuffer, tbfpPersistentBuffer, tbfpDoubleBuffer };

// The frame part under a point (the answer of HitTest).
enum TSeFramePart : std::uint8_t {
  kfpClient = 0,
  kfpCaption = 1,
  kfpLeft = 2,
  kfpTop = 3,
  kfpRight = 4,
  kfpBottom = 5,
  kfpBorder = 6,
  kfpTopLeft = 7,
  kfpTopRight = 8,
  kfpBottomLeft = 9,
  kfpBottomRight = 10,
  kfpCloseButton = 11,
  kfpHelpButton = 12,
  kfpMinimizeButton = 13,
  kfpMaximizeButton = 14,
  kfpRollupButton = 15,
  kfpTrayButton = 16,
  kfpSystemMenuIcon = 17,
  kfpOtherButton = 18,
};

inline bool IsSizingPart(std::uint8_t part) {
  return (part >= kfpLeft && part <= kfpBottomRight) && part != kfpBorder;
}

// The desktop's frame measures; read once at start and again when the
// desktop's theme changes.
struct TSeFrameMetrics {
  int CaptionHeight = 18;
  int SmallCaptionHeight = 15;
  int FrameWidth = 4;
  int ButtonWidth = 16;
  int ButtonHeight = 14;
};

namespace se {

TSeFrameMetrics& FrameMetrics();
// Reads the metrics table again.
void GetFrameMetrics();

// The side length of the corner zones that size both ways.
inline constexpr int kFrameCornerSize = 20;

}  // namespace se

struct TSeFrameLayout {
  int FrameWidth = 0;  // the window without its shadow band
  int FrameHeight = 0;
  TSeBorderStyle BorderStyle = kbsStandard;
  TSeBorderIcons BorderIcons = 0;
  TSeWindowState WindowState = kwsNormal;
};

namespace se {

TRect FrameClientArea(const TSeFrameLayout& layout);
// The strip between the top border and the client area that the caption
// buttons sit in.
TRect FrameCaptionStrip(const TSeFrameLayout& layout);
// One caption button (a kbi* bit); empty when the frame does not show it.
TRect FrameBorderIconRect(const TSeFrameLayout& layout, unsigned icon);
// The frame part at a point in window coordinates; `sizeGrip`, when not
// empty, is a status bar's size grip in window coordinates.
std::uint8_t FrameHitTest(const TSeFrameLayout& layout, int x, int y, const TRect& sizeGrip = {});
// The caption, borders and buttons shown by a window that is rolled up.
TRect FrameRollupRect(const TSeFrameLayout& layout, int left, int top);
// `area` (the work area of the window's screen, or its whole screen for a
// window on top of everything) grown by the side border, so that only the
// caption and the client area stay on screen.
TRect FrameMaximizedRect(const TSeFrameLayout& layout, const TRect& area);

}  // namespace se
