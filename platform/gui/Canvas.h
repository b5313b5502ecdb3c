#pragma once
// TCanvas: the host's drawing surface on QPainter, with the host's
// conventions: right and bottom edges of rectangles are exclusive, a line
// leaves out its end point, the pen mode combines the pen with what is
// there, hatches and pattern brushes are anchored at the brush origin, and
// clipping is a region that can be narrowed and have holes cut into it.
//
// Pixel exactness: everything is drawn without antialiasing and text is
// drawn in one-bit glyphs from the DejaVu fonts, so a picture comes out the
// same on every machine and on every Qt platform (offscreen, X11).
//
// A canvas draws onto one of:
//  - a QImage or any QPaintDevice given with SetPaintDevice (a painter is
//    opened and closed around each call);
//  - a painter that is already open, given with BeginPainting during a
//    widget's paint event (the canvas saves and restores its state around
//    each call and leaves it open);
//  - a TBitmap, through the bitmap's own canvas (see Bitmap.h).

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QString>
#include <functional>
#include <optional>
#include <span>

#include "platform/gui/Color.h"
#include "platform/gui/Geometry.h"
#include "platform/gui/Graphics.h"

class TGraphic;
class TBitmap;

struct TSize {
  int cx = 0;
  int cy = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

// Raster operations of CopyRect and Draw (the host's ternary raster codes).
using TCopyMode = uint32_t;
constexpr TCopyMode cmBlackness = 0x00000042;
constexpr TCopyMode cmDstInvert = 0x00550009;
constexpr TCopyMode cmMergeCopy = 0x00C000CA;
constexpr TCopyMode cmMergePaint = 0x00BB0226;
constexpr TCopyMode cmNotSrcCopy = 0x00330008;
constexpr TCopyMode cmNotSrcErase = 0x001100A6;
constexpr TCopyMode cmPatCopy = 0x00F00021;
constexpr TCopyMode cmPatInvert = 0x005A0049;
constexpr TCopyMode cmPatPaint = 0x00FB0A09;
constexpr TCopyMode cmSrcAnd = 0x008800C6;
constexpr TCopyMode cmSrcCopy = 0x00CC0020;
constexpr TCopyMode cmSrcErase = 0x00440328;
constexpr TCopyMode cmSrcInvert = 0x00660046;
constexpr TCopyMode cmSrcPaint = 0x00EE0086;
constexpr TCopyMode cmWhiteness = 0x00FF0062;
constexpr TCopyMode SRCCOPY = cmSrcCopy;
constexpr TCopyMode SRCAND = cmSrcAnd;
constexpr TCopyMode SRCPAINT = cmSrcPaint;
constexpr TCopyMode SRCINVERT = cmSrcInvert;
constexpr TCopyMode PATCOPY = cmPatCopy;

// One raster operation on three 24-bit colour values: pattern P, source S,
// destination D (the low byte of the code's high word is the truth table).
uint32_t ApplyRop3(uint32_t rop, uint32_t p, uint32_t s, uint32_t d);

// The part of `area` (in the painter's logical coordinates) that painting
// can change: inside the region being repainted when the painter is on a
// window, and inside the painter's own clip.
QRect PaintableRect(const QPainter& painter, const QRect& area);

class TCanvas {
 public:
  TCanvas();
  explicit TCanvas(QPaintDevice* device);
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;
  virtual ~TCanvas();

  // Where the canvas draws. A device stays the caller's.
  void SetPaintDevice(QPaintDevice* device);
  QPaintDevice* PaintDevice() const { return device_; }
  // During a widget's paint event: draw through `painter` until EndPainting.
  void BeginPainting(QPainter* painter);
  void EndPainting();
  // True when there is something to draw on.
  bool HandleAllocated() const;

  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  void SetFont(const TFont& font) { font_.Assign(font); }
  TPen& Pen() { return pen_; }
  const TPen& Pen() const { return pen_; }
  void SetPen(const TPen& pen) { pen_.Assign(pen); }
  TBrush& Brush() { return brush_; }
  const TBrush& Brush() const { return brush_; }
  void SetBrush(const TBrush& brush) { brush_.Assign(brush); }
  TCopyMode CopyMode() const { return copy_mode_; }
  void SetCopyMode(TCopyMode mode) { copy_mode_ = mode; }
  TPoint PenPos() const { return pen_pos_; }
  void SetPenPos(TPoint p) { pen_pos_ = p; }
  // Where hatches and pattern bitmaps start (the host's brush origin).
  TPoint BrushOrigin() const { return brush_origin_; }
  void SetBrushOrigin(TPoint p) { brush_origin_ = p; }

  // Clipping. ClipRect is the bounding box of what may be drawn: the clip
  // region's box, or the whole surface when there is no region.
  TRect ClipRect() const;
  bool HasClipRegion() const { return clip_.has_value(); }
  QRegion ClipRegion() const;
  // Null removes the clip region; otherwise the region is copied.
  void SelectClipRgn(const QRegion* region);
  void IntersectClipRect(const TRect& r);
  void ExcludeClipRect(const TRect& r);

  // Pen lines: the end point is not drawn.
  void MoveTo(int x, int y) { pen_pos_ = {x, y}; }
  void LineTo(int x, int y);
  void Polyline(std::span<const TPoint> points);
  // Shapes: outline with the pen, inside with the brush; the bounding
  // rectangle's right and bottom edges are outside the shape. Without a pen
  // a rectangle's inside loses one more pixel at the right and bottom, as
  // on the host; a pen wider than one pixel is drawn inside the rectangle.
  // The pen mode applies to outline and inside alike.
  void Rectangle(int x1, int y1, int x2, int y2);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void Ellipse(int x1, int y1, int x2, int y2);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
  void Polygon(std::span<const TPoint> points);
  // Arcs run counter-clockwise from the ray through (x3,y3) to the ray
  // through (x4,y4), on the ellipse of the bounding rectangle.
  void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  // The brush over the rectangle (the pen is not used).
  void FillRect(const TRect& r);
  // A one-pixel frame in the brush colour.
  void FrameRect(const TRect& r);
  // The dotted frame drawn by inverting every other pixel; drawing it twice
  // restores what was there.
  void DrawFocusRect(const TRect& r);

  // Pixels[x, y]: clNone outside the surface or when it cannot be read.
  TColor Pixel(int x, int y);
  void SetPixel(int x, int y, TColor color);

  // Text in the canvas's font and Font().Color(); the background is filled
  // with the brush unless the brush is clear. (x, y) is the top-left corner.
  void TextOut(int x, int y, const QString& text);
  // As TextOut, clipped to r; an opaque brush fills all of r.
  void TextRect(const TRect& r, int x, int y, const QString& text);
  // One run of text (no line breaks or tabs) at (x, y) for DrawText:
  // clipped to `clip` when given, the background filled as in TextOut, and
  // the characters [underlineFrom, underlineFrom + underlineCount) underlined.
  void TextRun(int x, int y, const QString& text, const TRect* clip, int underlineFrom = -1,
               int underlineCount = 0);
  int TextWidth(const QString& text) const;
  int TextHeight(const QString& text) const;
  TSize TextExtent(const QString& text) const;

  // Pictures.
  void Draw(int x, int y, TGraphic& graphic);
  void StretchDraw(const TRect& r, TGraphic& graphic);
  // The source rectangle of another canvas into dest, stretched when the
  // sizes differ (nearest pixel), combined by CopyMode.
  void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect);
  // Copies the bitmap, painting the brush where it has `color`.
  void BrushCopy(const TRect& dest, TBitmap& source, const TRect& sourceRect, TColor color);

  // Fires before and after the canvas changes its surface.
  std::function<void(TCanvas* sender)> OnChanging;
  std::function<void(TCanvas* sender)> OnChange;

  // The surface's pixels as an image (a copy), for reading: CopyRect from
  // this canvas, Pixels, tests. Null image when the surface cannot be read.
  virtual QImage Snapshot();
  // Draws `image` with its top-left pixel at `at`, combined with CopyMode;
  // pixels of the colour `transparent` (when given) are left out, and the
  // image's alpha is blended over the surface when `blend` is set.
  void DrawImage(const QPoint& at, const QImage& image, std::optional<TColor> transparent = std::nullopt,
                 bool blend = false);
  // For routines that fill many pixels at once: when the canvas opens its
  // surface itself (no painter from BeginPainting) and the surface is a
  // 32-bit image, `work` gets the image and the part of it that may be
  // written (the surface within the clip region) and true is returned;
  // `work` must write whole opaque pixels, as a solid fill does. Otherwise
  // nothing happens and false is returned: draw through the other calls.
  bool PaintPixels(const std::function<void(QImage& image, const QRegion& writable)>& work);

 protected:
  // Opens the surface for drawing; the image, when the surface is one, is
  // where pixel-level operations write. End closes it.
  virtual QPaintDevice* BeginSurface();
  virtual void EndSurface();
  // The size of the surface, for ClipRect and bounds checks.
  // The surface in the painter's logical coordinates.
  QRect LogicalSurface() const;
  virtual QSize SurfaceSize() const;
  // One pixel of the surface (inside it) as 0x00BBGGRR, when it can be read
  // without copying the surface.
  virtual std::optional<uint32_t> ReadPixel(int x, int y);

 private:
  friend class CanvasPainter;
  template <class F>
  void Paint(F&& draw);
  void DrawPixels(QPainter& painter, const std::vector<QPoint>& points, const QColor& color);
  void StrokePath(QPainter& painter, const std::vector<TPoint>& points, bool closed);
  QBrush MakeBrush() const;
  void ApplyPenMode(QPainter& painter) const;
  template <class F>
  bool PaintImage(F&& work);

  QPaintDevice* device_ = nullptr;
  QPainter* external_ = nullptr;
  TFont font_;
  TPen pen_;
  TBrush brush_;
  TCopyMode copy_mode_ = cmSrcCopy;
  TPoint pen_pos_;
  TPoint brush_origin_;
  std::optional<QRegion> clip_;
};
