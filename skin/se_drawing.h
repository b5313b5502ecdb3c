#pragma once
// The drawing routines every painter of the skin library calls: rectangle
// arithmetic, text drawing and measuring, frames, bevels, solid, checkered
// and gradient fills, polygons, a region made of a bitmap's non-key pixels,
// keyboard repeat timings, a counted mouse capture, and TSeTimer, the
// stopwatch that paces window animations.

#include <QRegion>
#include <QString>
#include <cstdint>
#include <memory>
#include <span>

#include "platform/gui/Canvas.h"
#include "platform/gui/Color.h"
#include "platform/gui/Geometry.h"
#include "platform/gui/Icon.h"

class QWidget;
class TSeBitmap;

namespace se {

// Rectangles (div truncates toward zero).
inline int RectWidth(const TRect& r) { return r.Right - r.Left; }
inline int RectHeight(const TRect& r) { return r.Bottom - r.Top; }
// Moves r (and returns it) centred in bounds both ways, size kept.
TRect CenterRect(TRect& r, const TRect& bounds);
// Moves r to bounds.Left, centred vertically.
TRect CenterRectVert(TRect& r, const TRect& bounds);
TRect GrowRect(const TRect& r, int n);
inline bool RectIsEmpty(const TRect& r) { return RectWidth(r) < 1 || RectHeight(r) < 1; }
inline bool RectsEqual(const TRect& a, const TRect& b) { return a == b; }
// Inside the polygon of `points` (winding fill).
bool PtInPolygon(const TPoint& p, std::span<const TPoint> points);

// Text with the canvas's font and colour, without filling behind it.
// Returns the text height; with DT_CALCRECT `rect` receives the measure.
int DrawWideText(TCanvas& canvas, const QString& text, TRect& rect, unsigned flags);
int WideTextWidth(TCanvas& canvas, const QString& text, unsigned flags = 0);
int WideTextHeight(TCanvas& canvas, const QString& text);
// `text`, or its longest prefix that fits `maxWidth` with "..." after it
// (just "..." when not one character fits).
QString GetEllipsisText(TCanvas& canvas, const QString& text, int maxWidth);
// Text turned by 90 degrees into rect, in the canvas's font.
int DrawVerticalText(TCanvas& canvas, const QString& text, const TRect& rect, bool clockwise, unsigned flags);

// Lines, frames and fills. Rectangles given as four numbers are corners.
void CanvasMoveTo(TCanvas& canvas, int x, int y);
void CanvasLineTo(TCanvas& canvas, int x, int y, TColor color);
void DrawBevelRect(TCanvas& canvas, const TRect& rect, TColor topLeft, TColor bottomRight);
// Sides: 1 left, 2 top, 4 right, 8 bottom. Width passes, each one pixel
// further in; `rect` comes back shrunk.
void DrawBevelLines(TCanvas& canvas, TRect& rect, std::uint8_t sides, int width, TColor topLeft,
                    TColor bottomRight);
void DrawFrameRect(TCanvas& canvas, const TRect& rect, TColor color);
void DrawFrameRectXY(TCanvas& canvas, int left, int top, int right, int bottom, TColor color);
void DrawFocusRectColor(TCanvas& canvas, const TRect& rect, TColor color);
void FillRectColor(TCanvas& canvas, const TRect& rect, TColor color);
void FillRectXY(TCanvas& canvas, int left, int top, int right, int bottom, TColor color);
void FillRoundRect(TCanvas& canvas, const TRect& rect, int radius, TColor color);
// A two-colour checkerboard of single pixels anchored at the brush origin.
void FillDitherRect(TCanvas& canvas, TRect rect, TColor color1, TColor color2);
void FillPolygon(TCanvas& canvas, std::span<const TPoint> points, TColor color);
void FillDitherPolygon(TCanvas& canvas, std::span<const TPoint> points, TColor color1, TColor color2);
// At most 255 bands of solid colour, each channel stepping from `from`
// toward `to` (the last band stops one step short of `to`).
void GradientFillRect(TCanvas& canvas, const TRect& rect, TColor from, TColor to, bool vertical);
// The icon at its own size from the top-left corner of a 16 x 16 box
// centred in rect.
void DrawIconCentered(TCanvas& canvas, const TRect& rect, TIcon* icon);

// Every pixel of the bitmap that is not the key colour (compared on red,
// green and blue), moved by (dx, dy); empty for an empty bitmap.
QRegion CreateRegionFromBitmap(const TSeBitmap& bitmap, int dx, int dy);

// Keyboard repeat timings from the desktop's settings (delay 0..3, speed
// 0..31). The defaults are those of a fresh desktop: delay 1, speed 31.
int GetKeyboardDelayMs(int delaySetting = 1);
int GetKeyboardRepeatMs(int speedSetting = 31);

// Nested mouse capture for the menu loop: the first call captures for
// `window`, later ones only count; the last release lets go if the window
// still holds the capture.
void SetCaptureCounted(QWidget* window);
void ReleaseCaptureCounted();
int CaptureCount();
// The menu loop's names for the same pair.
inline void BeginMenuCapture(QWidget* window) { SetCaptureCounted(window); }
inline void EndMenuCapture() { ReleaseCaptureCounted(); }

}  // namespace se

// A stopwatch on the program's clock.
class TSeTimer {
 public:
  TSeTimer();
  void Start();
  void Stop();
  // Seconds from Start to Stop, less the cost of one clock reading.
  double Elapsed() const;

 private:
  std::int64_t start_ = 0;
  std::int64_t stop_ = 0;
  std::int64_t frequency_ = 1000;
  std::int64_t overhead_ = 0;
};

namespace se {
// Creates the timer when there is none, then starts it.
void StartStopwatch(std::unique_ptr<TSeTimer>& timer);
// Seconds since StartStopwatch; 0 without a timer. Repeatable.
float ReadStopwatch(std::unique_ptr<TSeTimer>& timer);
// The animation driver's names for the same pair.
inline void StartTimer(std::unique_ptr<TSeTimer>& timer) { StartStopwatch(timer); }
inline float ReadTimer(std::unique_ptr<TSeTimer>& timer) { return ReadStopwatch(timer); }
}  // namespace se
