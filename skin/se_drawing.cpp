#include "skin/se_drawing.h"

#include <QPointer>
#include <QPolygon>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/core/Clock.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/DrawText.h"
#include "skin/se_bitmap.h"

namespace se {
namespace {

int MulDiv(std::int64_t a, std::int64_t b, std::int64_t c) {
  if (c == 0) return -1;
  const std::int64_t p = a * b;
  const std::int64_t q = (std::llabs(p) + std::llabs(c) / 2) / std::llabs(c);
  return static_cast<int>(((p < 0) != (c < 0)) ? -q : q);
}

void SolidBrush(TCanvas& canvas, TColor color) {
  canvas.Brush().SetBitmap(nullptr);
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(color);
}

void SolidPen(TCanvas& canvas, TColor color) {
  canvas.Pen().SetStyle(psSolid);
  canvas.Pen().SetColor(color);
}

// The 8 x 8 checkerboard: color2 where x and y are both even or both odd.
void MakeDither(TBitmap& pattern, TColor color1, TColor color2) {
  pattern.SetSize(8, 8);
  QImage image(8, 8, QImage::Format_RGB32);
  const QRgb c1 = ColorToQColor(color1).rgb();
  const QRgb c2 = ColorToQColor(color2).rgb();
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) image.setPixel(x, y, (x % 2) == (y % 2) ? c2 : c1);
  pattern.AssignQImage(image);
}

// The module's one piece of mutable state: the counted capture.
struct CaptureState {
  int count = 0;
  QPointer<QWidget> window;
};

CaptureState& Capture() {
  static CaptureState state;
  return state;
}

}  // namespace

TRect CenterRect(TRect& r, const TRect& bounds) {
  const int w = RectWidth(r);
  const int h = RectHeight(r);
  r.Left = bounds.Left + (RectWidth(bounds) - w) / 2;
  r.Top = bounds.Top + (RectHeight(bounds) - h) / 2;
  r.Right = r.Left + w;
  r.Bottom = r.Top + h;
  return r;
}

TRect CenterRectVert(TRect& r, const TRect& bounds) {
  const int w = RectWidth(r);
  const int h = RectHeight(r);
  r.Left = bounds.Left;
  r.Top = bounds.Top + (RectHeight(bounds) - h) / 2;
  r.Right = r.Left + w;
  r.Bottom = r.Top + h;
  return r;
}

TRect GrowRect(const TRect& r, int n) { return {r.Left - n, r.Top - n, r.Right + n, r.Bottom + n}; }

bool PtInPolygon(const TPoint& p, std::span<const TPoint> points) {
  QPolygon polygon;
  for (const TPoint& q : points) polygon << q.ToQPoint();
  return polygon.containsPoint(p.ToQPoint(), Qt::WindingFill);
}

int DrawWideText(TCanvas& canvas, const QString& text, TRect& rect, unsigned flags) {
  // The transparent background mode: nothing is filled behind the text.
  const TBrushStyle style = canvas.Brush().Style();
  canvas.Brush().SetStyle(bsClear);
  const int result = DrawText(canvas, text, rect, flags);
  canvas.Brush().SetStyle(style);
  return result;
}

int WideTextWidth(TCanvas& canvas, const QString& text, unsigned flags) {
  TRect r{0, 0, 0, 0};
  DrawText(canvas, text, r, flags | DT_CALCRECT);
  return r.Right;
}

int WideTextHeight(TCanvas& canvas, const QString& text) {
  TRect r{0, 0, 0, 0};
  DrawText(canvas, text, r, DT_CALCRECT);
  return r.Bottom;
}

QString GetEllipsisText(TCanvas& canvas, const QString& text, int maxWidth) {
  if (canvas.TextWidth(text) <= maxWidth) return text;
  const QString dots = QStringLiteral("...");
  QString result;
  for (qsizetype i = 0; i < text.size();) {
    // A character outside the basic plane is a surrogate pair: it goes
    // whole or not at all.
    const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
    const QString next = text.mid(i, n);
    if (canvas.TextWidth(result + next + dots) > maxWidth) break;
    result += next;
    i += n;
  }
  return result + dots;
}

int DrawVerticalText(TCanvas& canvas, const QString& text, const TRect& rect, bool clockwise,
                     unsigned flags) {
  const int w = RectWidth(rect);
  const int h = RectHeight(rect);
  if (w < 1 || h < 1) return 0;
  TSeBitmap lying;
  lying.SetSize(h, w);
  lying.Clear(KeyColor);
  TSeBitmap standing;
  standing.SetSize(w, h);
  standing.Clear(KeyColor);
  lying.Canvas().SetFont(canvas.Font());
  TRect r{0, 0, h, w};
  const int result = DrawWideText(lying.Canvas(), text, r, flags);
  for (int y = 0; y < w; ++y)
    for (int x = 0; x < h; ++x) {
      const TSeArgb p = lying.GetPixel(x, y);
      if ((p & 0xFFFFFF) == (KeyColor & 0xFFFFFF)) continue;
      if (clockwise)
        *standing.PixelPtr(w - 1 - y, x) = p;
      else
        *standing.PixelPtr(y, h - 1 - x) = p;
    }
  standing.Draw(canvas, rect.Left, rect.Top, true);
  return result;
}

void CanvasMoveTo(TCanvas& canvas, int x, int y) { canvas.MoveTo(x, y); }

void CanvasLineTo(TCanvas& canvas, int x, int y, TColor color) {
  SolidPen(canvas, color);
  canvas.LineTo(x, y);
}

void DrawBevelRect(TCanvas& canvas, const TRect& r, TColor topLeft, TColor bottomRight) {
  canvas.Brush().SetStyle(bsClear);
  SolidPen(canvas, topLeft);
  canvas.MoveTo(r.Left, r.Bottom - 2);
  canvas.LineTo(r.Left, r.Top);
  canvas.LineTo(r.Right - 1, r.Top);
  canvas.Pen().SetColor(bottomRight);
  canvas.LineTo(r.Right - 1, r.Bottom - 1);
  canvas.LineTo(r.Left - 1, r.Bottom - 1);
}

void DrawBevelLines(TCanvas& canvas, TRect& r, std::uint8_t sides, int width, TColor topLeft,
                    TColor bottomRight) {
  if (width < 1) return;
  SolidPen(canvas, topLeft);
  for (int pass = 0; pass < width; ++pass) {
    if (sides & 1) {
      canvas.Pen().SetColor(topLeft);
      canvas.MoveTo(r.Left, r.Top);
      canvas.LineTo(r.Left, r.Bottom);
    }
    if (sides & 2) {
      canvas.Pen().SetColor(topLeft);
      canvas.MoveTo(r.Left, r.Top);
      canvas.LineTo(r.Right, r.Top);
    }
    if (sides & 8) {
      canvas.Pen().SetColor(bottomRight);
      canvas.MoveTo(r.Left, r.Bottom - 1);
      canvas.LineTo(r.Right, r.Bottom - 1);
    }
    if (sides & 4) {
      canvas.Pen().SetColor(bottomRight);
      canvas.MoveTo(r.Right - 1, r.Top);
      canvas.LineTo(r.Right - 1, r.Bottom);
    }
    if (sides & 1) ++r.Left;
    if (sides & 2) ++r.Top;
    if (sides & 4) --r.Right;
    if (sides & 8) --r.Bottom;
  }
}

void DrawFrameRect(TCanvas& canvas, const TRect& rect, TColor color) {
  canvas.Brush().SetStyle(bsClear);
  SolidPen(canvas, color);
  canvas.Rectangle(rect);
}

void DrawFrameRectXY(TCanvas& canvas, int left, int top, int right, int bottom, TColor color) {
  DrawFrameRect(canvas, Rect(left, top, right, bottom), color);
}

void DrawFocusRectColor(TCanvas& canvas, const TRect& rect, TColor color) {
  SolidBrush(canvas, color);
  canvas.DrawFocusRect(rect);
}

void FillRectColor(TCanvas& canvas, const TRect& rect, TColor color) {
  SolidBrush(canvas, color);
  canvas.FillRect(rect);
}

void FillRectXY(TCanvas& canvas, int left, int top, int right, int bottom, TColor color) {
  FillRectColor(canvas, Rect(left, top, right, bottom), color);
}

void FillRoundRect(TCanvas& canvas, const TRect& r, int radius, TColor color) {
  SolidBrush(canvas, color);
  SolidPen(canvas, color);
  canvas.RoundRect(r.Left, r.Top, r.Right, r.Bottom, radius, radius);
}

void FillDitherRect(TCanvas& canvas, TRect rect, TColor color1, TColor color2) {
  rect.Left = std::max(rect.Left, 0);
  rect.Top = std::max(rect.Top, 0);
  if (RectIsEmpty(rect)) return;
  TBitmap pattern;
  MakeDither(pattern, color1, color2);
  canvas.Brush().SetBitmap(&pattern);
  canvas.FillRect(rect);
  canvas.Brush().SetBitmap(nullptr);
}

void FillPolygon(TCanvas& canvas, std::span<const TPoint> points, TColor color) {
  SolidBrush(canvas, color);
  SolidPen(canvas, color);
  canvas.Polygon(points);
}

void FillDitherPolygon(TCanvas& canvas, std::span<const TPoint> points, TColor color1, TColor color2) {
  TBitmap pattern;
  MakeDither(pattern, color1, color2);
  canvas.Brush().SetBitmap(&pattern);
  canvas.Pen().SetStyle(psClear);
  canvas.Polygon(points);
  canvas.Brush().SetBitmap(nullptr);
}

void GradientFillRect(TCanvas& canvas, const TRect& rect, TColor from, TColor to, bool vertical) {
  if (RectIsEmpty(rect)) return;
  const int size = vertical ? RectHeight(rect) : RectWidth(rect);
  const int n = std::min(255, size);
  const std::uint32_t c1 = ColorToRGB(from);
  const std::uint32_t c2 = ColorToRGB(to);
  auto channel = [n](int a, int b, int i) { return int(std::lrint(a + double(i) * (b - a) / n)); };
  for (int i = 0; i < n; ++i) {
    const int a = MulDiv(i, size, n);
    const int b = MulDiv(i + 1, size, n);
    const TColor color =
        RGB(channel(GetRValue(c1), GetRValue(c2), i), channel(GetGValue(c1), GetGValue(c2), i),
            channel(GetBValue(c1), GetBValue(c2), i));
    const TRect band = vertical ? Rect(rect.Left, rect.Top + a, rect.Right, rect.Top + b)
                                : Rect(rect.Left + a, rect.Top, rect.Left + b, rect.Bottom);
    FillRectColor(canvas, band, color);
  }
}

void DrawIconCentered(TCanvas& canvas, const TRect& rect, TIcon* icon) {
  if (!icon || icon->Empty()) return;
  TRect box{0, 0, 16, 16};
  CenterRect(box, rect);
  icon->Draw(canvas, Bounds(box.Left, box.Top, icon->Width(), icon->Height()));
}

QRegion CreateRegionFromBitmap(const TSeBitmap& bitmap, int dx, int dy) {
  if (bitmap.Empty()) return {};
  std::vector<QRect> runs;
  const TSeArgb* bits = bitmap.Bits();
  const int w = bitmap.Width();
  for (int y = 0; y < bitmap.Height(); ++y) {
    const TSeArgb* row = bits + std::size_t(y) * std::size_t(w);
    int x = 0;
    while (x < w) {
      while (x < w && (row[x] & 0xFFFFFF) == (KeyColor & 0xFFFFFF)) ++x;
      const int start = x;
      while (x < w && (row[x] & 0xFFFFFF) != (KeyColor & 0xFFFFFF)) ++x;
      if (x > start) runs.emplace_back(dx + start, dy + y, x - start, 1);
    }
  }
  // Rows top to bottom, runs left to right: already the banded order a
  // region is made of, so there is no run limit.
  QRegion region;
  if (!runs.empty()) region.setRects(runs.data(), int(runs.size()));
  return region;
}

int GetKeyboardDelayMs(int delaySetting) { return (delaySetting + 1) * 200; }

int GetKeyboardRepeatMs(int speedSetting) { return int(std::lrint(1000.0 / ((speedSetting + 1) * 2.3))); }

void SetCaptureCounted(QWidget* window) {
  CaptureState& s = Capture();
  if (s.count == 0) {
    s.window = window;
    if (window) window->grabMouse();
  }
  ++s.count;
}

void ReleaseCaptureCounted() {
  CaptureState& s = Capture();
  if (s.count <= 0) return;  // an unpaired release must not go negative
  if (--s.count > 0) return;
  if (s.window && QWidget::mouseGrabber() == s.window) s.window->releaseMouse();
  s.window = nullptr;
}

int CaptureCount() { return Capture().count; }

void StartStopwatch(std::unique_ptr<TSeTimer>& timer) {
  if (!timer) timer = std::make_unique<TSeTimer>();
  timer->Start();
}

float ReadStopwatch(std::unique_ptr<TSeTimer>& timer) {
  if (!timer) return 0.0f;
  timer->Stop();
  return static_cast<float>(timer->Elapsed());
}

}  // namespace se

TSeTimer::TSeTimer() {
  start_ = static_cast<std::int64_t>(TheClock().TickMs());
  stop_ = static_cast<std::int64_t>(TheClock().TickMs());
  overhead_ = stop_ - start_;
}

void TSeTimer::Start() { start_ = static_cast<std::int64_t>(TheClock().TickMs()); }
void TSeTimer::Stop() { stop_ = static_cast<std::int64_t>(TheClock().TickMs()); }
double TSeTimer::Elapsed() const { return double(stop_ - start_ - overhead_) / double(frequency_); }
