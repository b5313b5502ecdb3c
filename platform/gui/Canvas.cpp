// TCanvas on QPainter. Lines of one-pixel pens are rasterised here (so the
// end point and the dash pattern are ours and the same everywhere); filled
// shapes go to QPainter without antialiasing; operations that must read
// the surface (raster codes, transparent copies) work on the surface's
// image when it has one.

#include "platform/gui/Canvas.h"

#include <QPaintEngine>
#include <QPainterPath>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Graphic.h"

namespace {

uint32_t ToArgb(uint32_t bgr) {
  return 0xFF000000u | ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
}

// Dash patterns of one-pixel styled pens, in pixels on and off.
std::span<const int> DashPattern(TPenStyle style) {
  static constexpr int kDash[] = {18, 6};
  static constexpr int kDot[] = {3, 3};
  static constexpr int kDashDot[] = {9, 6, 3, 6};
  static constexpr int kDashDotDot[] = {9, 3, 3, 3, 3, 3};
  switch (style) {
    case psDash:
      return kDash;
    case psDot:
      return kDot;
    case psDashDot:
      return kDashDot;
    case psDashDotDot:
      return kDashDotDot;
    default:
      return {};
  }
}

// The 8 x 8 hatch cells, one byte per row, bit 7 the leftmost pixel.
std::array<uint8_t, 8> HatchRows(TBrushStyle style) {
  switch (style) {
    case bsHorizontal:
      return {0, 0, 0, 0xFF, 0, 0, 0, 0};
    case bsVertical:
      return {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08};
    case bsFDiagonal:
      return {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};
    case bsBDiagonal:
      return {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80};
    case bsCross:
      return {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08};
    case bsDiagCross:
      return {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81};
    default:
      return {};
  }
}

QPainter::CompositionMode PenComposition(TPenMode mode) {
  switch (mode) {
    case pmNot:
      return QPainter::RasterOp_NotDestination;
    case pmNotCopy:
      return QPainter::RasterOp_NotSource;
    case pmMergePenNot:
      return QPainter::RasterOp_SourceOrNotDestination;
    case pmMaskPenNot:
      return QPainter::RasterOp_SourceAndNotDestination;
    case pmMergeNotPen:
      return QPainter::RasterOp_NotSourceOrDestination;
    case pmMaskNotPen:
      return QPainter::RasterOp_NotSourceAndDestination;
    case pmMerge:
      return QPainter::RasterOp_SourceOrDestination;
    case pmNotMerge:
      return QPainter::RasterOp_NotSourceAndNotDestination;
    case pmMask:
      return QPainter::RasterOp_SourceAndDestination;
    case pmNotMask:
      return QPainter::RasterOp_NotSourceOrNotDestination;
    case pmXor:
      return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor:
      return QPainter::RasterOp_NotSourceXorDestination;
    default:
      return QPainter::CompositionMode_Source;
  }
}

// The points of a one-pixel line from a to b, b itself left out.
void LinePoints(QPoint a, QPoint b, std::vector<QPoint>& out) {
  int x = a.x(), y = a.y();
  const int dx = std::abs(b.x() - x), dy = -std::abs(b.y() - y);
  const int sx = x < b.x() ? 1 : -1, sy = y < b.y() ? 1 : -1;
  int err = dx + dy;
  while (x != b.x() || y != b.y()) {
    out.emplace_back(x, y);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

// The points of that line that lie inside `box`. A level or upright line
// is cut to the box first, so a line along a huge control costs what
// shows; a slanted one is walked whole and filtered.
void LinePointsWithin(QPoint a, QPoint b, const QRect& box, std::vector<QPoint>& out) {
  if (a == b || box.isEmpty()) return;
  if (a.y() == b.y() || a.x() == b.x()) {
    const bool level = a.y() == b.y();
    const int from = level ? a.x() : a.y(), to = level ? b.x() : b.y();
    const int across = level ? a.y() : a.x();
    if (across < (level ? box.top() : box.left()) || across > (level ? box.bottom() : box.right())) return;
    int lo = from < to ? from : to + 1;
    int hi = from < to ? to - 1 : from;
    lo = std::max(lo, level ? box.left() : box.top());
    hi = std::min(hi, level ? box.right() : box.bottom());
    for (int i = lo; i <= hi; ++i) out.push_back(level ? QPoint(i, across) : QPoint(across, i));
    return;
  }
  const std::size_t first = out.size();
  LinePoints(a, b, out);
  out.erase(std::remove_if(out.begin() + std::ptrdiff_t(first), out.end(),
                           [&](const QPoint& p) { return !box.contains(p); }),
            out.end());
}

double AngleOf(double cx, double cy, int x, int y) {
  return std::atan2(-(y - cy), x - cx) * 180.0 / std::numbers::pi;
}

}  // namespace

uint32_t ApplyRop3(uint32_t rop, uint32_t p, uint32_t s, uint32_t d) {
  const uint32_t table = (rop >> 16) & 0xFF;
  uint32_t r = 0;
  for (int i = 0; i < 8; ++i) {
    if (!(table & (1u << i))) continue;
    const uint32_t pm = (i & 4) ? p : ~p;
    const uint32_t sm = (i & 2) ? s : ~s;
    const uint32_t dm = (i & 1) ? d : ~d;
    r |= pm & sm & dm;
  }
  return r & 0xFFFFFF;
}

TCanvas::TCanvas() = default;
TCanvas::TCanvas(QPaintDevice* device) : device_(device) {}
TCanvas::~TCanvas() = default;

void TCanvas::SetPaintDevice(QPaintDevice* device) { device_ = device; }
void TCanvas::BeginPainting(QPainter* painter) { external_ = painter; }
void TCanvas::EndPainting() { external_ = nullptr; }
bool TCanvas::HandleAllocated() const { return external_ || device_ || !SurfaceSize().isEmpty(); }

QPaintDevice* TCanvas::BeginSurface() { return device_; }
void TCanvas::EndSurface() {}

QSize TCanvas::SurfaceSize() const {
  if (external_ && external_->device()) return {external_->device()->width(), external_->device()->height()};
  if (device_) return {device_->width(), device_->height()};
  return {};
}

std::optional<uint32_t> TCanvas::ReadPixel(int x, int y) {
  if (external_ || !device_ || device_->devType() != QInternal::Image) return std::nullopt;
  return uint32_t(QColorToColor(QColor(static_cast<QImage*>(device_)->pixel(x, y))));
}

QImage TCanvas::Snapshot() {
  QPaintDevice* dev = external_ ? external_->device() : device_;
  if (!dev) return {};
  // Grabbing a widget repaints it: not from inside its own paint event.
  if (external_ && dev->devType() == QInternal::Widget) return {};
  if (dev->devType() == QInternal::Image)
    return static_cast<QImage*>(dev)->convertToFormat(QImage::Format_RGB32);
  if (dev->devType() == QInternal::Widget)
    return static_cast<QWidget*>(dev)->grab().toImage().convertToFormat(QImage::Format_RGB32);
  return {};
}

template <class F>
void TCanvas::Paint(F&& draw) {
  if (OnChanging) OnChanging(this);
  auto setup = [this](QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (clip_) p.setClipRegion(*clip_, p.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    p.setBrushOrigin(brush_origin_.ToQPoint());
  };
  if (external_) {
    external_->save();
    setup(*external_);
    draw(*external_);
    external_->restore();
  } else {
    QPaintDevice* dev = BeginSurface();
    if (!dev) return;
    {
      QPainter p(dev);
      setup(p);
      draw(p);
    }
    EndSurface();
  }
  if (OnChange) OnChange(this);
}

QRect TCanvas::LogicalSurface() const {
  const QSize s = SurfaceSize();
  QRect surface(0, 0, s.width(), s.height());
  if (!external_) return surface;
  // A painter moved to a child's or a page's origin shows another part of
  // the logical plane, as a moved window origin does.
  if (external_->worldMatrixEnabled() && !external_->worldTransform().isIdentity())
    surface = external_->worldTransform().inverted().mapRect(surface);
  // A huge control repaints at the cost of what is shown, not of its size.
  return PaintableRect(*external_, surface);
}

QRect PaintableRect(const QPainter& painter, const QRect& area) {
  QRect r = area;
  // Of a window only the region being repainted can change; the paint
  // engine keeps it in device coordinates.
  if (const QPaintEngine* engine = painter.paintEngine(); engine && !engine->systemClip().isEmpty())
    r &= painter.deviceTransform().inverted().mapRect(engine->systemClip().boundingRect());
  if (painter.hasClipping()) r &= painter.clipBoundingRect().toAlignedRect();
  return r;
}

TRect TCanvas::ClipRect() const {
  // A clip region may reach far past the surface (a ring around a huge
  // control): only the part on the surface can be drawn.
  if (clip_) return TRect::FromQRect(clip_->boundingRect() & LogicalSurface());
  return TRect::FromQRect(LogicalSurface());
}

QRegion TCanvas::ClipRegion() const {
  if (clip_) return *clip_;
  return QRegion(LogicalSurface());
}

void TCanvas::SelectClipRgn(const QRegion* region) {
  if (region)
    clip_ = *region;
  else
    clip_.reset();
}

void TCanvas::IntersectClipRect(const TRect& r) { clip_ = ClipRegion().intersected(r.ToQRect()); }

void TCanvas::ExcludeClipRect(const TRect& r) { clip_ = ClipRegion().subtracted(r.ToQRect()); }

void TCanvas::ApplyPenMode(QPainter& painter) const {
  painter.setCompositionMode(PenComposition(pen_.Mode()));
}

QBrush TCanvas::MakeBrush() const {
  const QColor color = ColorToQColor(brush_.Color());
  if (brush_.Bitmap() && !brush_.Bitmap()->Empty()) return QBrush(brush_.Bitmap()->ToQImage());
  switch (brush_.Style()) {
    case bsSolid:
      return QBrush(color);
    case bsClear:
      return QBrush(Qt::NoBrush);
    default: {
      QImage cell(8, 8, QImage::Format_ARGB32);
      cell.fill(Qt::transparent);
      const auto rows = HatchRows(brush_.Style());
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
          if (rows[size_t(y)] & (0x80 >> x)) cell.setPixel(x, y, color.rgb());
      return QBrush(cell);
    }
  }
}

void TCanvas::DrawPixels(QPainter& painter, const std::vector<QPoint>& points, const QColor& color) {
  if (points.empty()) return;
  QPen pen(color, 1);
  pen.setCosmetic(true);
  painter.setPen(pen);
  painter.drawPoints(points.data(), int(points.size()));
}

// Strokes a path of points with the pen: each segment without its end
// point, so an open path leaves out its last point and a closed one draws
// every point once (which keeps XOR strokes reversible).
void TCanvas::StrokePath(QPainter& painter, const std::vector<TPoint>& points, bool closed) {
  if (pen_.Style() == psClear || pen_.Mode() == pmNop || points.size() < 2) return;
  QColor color = ColorToQColor(pen_.Color());
  if (pen_.Mode() == pmBlack) color = Qt::black;
  if (pen_.Mode() == pmWhite) color = Qt::white;
  ApplyPenMode(painter);
  if (pen_.Width() > 1) {
    QPen pen(color, pen_.Width(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    QPolygon poly;
    for (const TPoint& p : points) poly << p.ToQPoint();
    if (closed)
      painter.drawPolygon(poly);
    else
      painter.drawPolyline(poly);
    return;
  }
  std::vector<QPoint> pixels;
  const size_t n = points.size();
  const auto pattern = DashPattern(pen_.Style());
  if (pattern.empty()) {
    // Solid: only the pixels that can be drawn.
    const QRect box = ClipRect().ToQRect();
    for (size_t i = 0; i + 1 < n; ++i)
      LinePointsWithin(points[i].ToQPoint(), points[i + 1].ToQPoint(), box, pixels);
    if (closed && !(points.back() == points.front()))
      LinePointsWithin(points.back().ToQPoint(), points.front().ToQPoint(), box, pixels);
    DrawPixels(painter, pixels, color);
    return;
  }
  // A dash's phase runs along the whole path.
  for (size_t i = 0; i + 1 < n; ++i) LinePoints(points[i].ToQPoint(), points[i + 1].ToQPoint(), pixels);
  if (closed && !(points.back() == points.front()))
    LinePoints(points.back().ToQPoint(), points.front().ToQPoint(), pixels);
  {
    std::vector<QPoint> on;
    size_t part = 0;
    int left = pattern[0];
    for (const QPoint& p : pixels) {
      if (part % 2 == 0) on.push_back(p);
      if (--left == 0) {
        part = (part + 1) % pattern.size();
        left = pattern[part];
      }
    }
    pixels.swap(on);
  }
  DrawPixels(painter, pixels, color);
}

void TCanvas::LineTo(int x, int y) {
  const std::vector<TPoint> path{pen_pos_, {x, y}};
  Paint([&](QPainter& p) { StrokePath(p, path, false); });
  pen_pos_ = {x, y};
}

void TCanvas::Polyline(std::span<const TPoint> points) {
  if (points.empty()) return;
  const std::vector<TPoint> path(points.begin(), points.end());
  Paint([&](QPainter& p) { StrokePath(p, path, false); });
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  Paint([&](QPainter& p) {
    const bool noPen = pen_.Style() == psClear || pen_.Mode() == pmNop;
    // Without a pen the host fills one pixel less to the right and bottom.
    const int inset = noPen ? 0 : std::max(1, pen_.Width());
    QRect inside = noPen ? QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1)
                         : QRect(x1 + inset, y1 + inset, x2 - x1 - 2 * inset, y2 - y1 - 2 * inset);
    if (inside.isValid() && brush_.Style() != bsClear) {
      ApplyPenMode(p);
      p.fillRect(inside, MakeBrush());
    }
    if (noPen || x2 - x1 < 1 || y2 - y1 < 1) return;
    QColor color = ColorToQColor(pen_.Color());
    if (pen_.Mode() == pmBlack) color = Qt::black;
    if (pen_.Mode() == pmWhite) color = Qt::white;
    if (pen_.Width() > 1 || pen_.Style() == psSolid || pen_.Style() == psInsideFrame) {
      // A solid frame of the pen's width inside the rectangle, each pixel once.
      ApplyPenMode(p);
      QRegion frame(x1, y1, x2 - x1, y2 - y1);
      frame -= QRegion(x1 + inset, y1 + inset, x2 - x1 - 2 * inset, y2 - y1 - 2 * inset);
      for (const QRect& r : frame) p.fillRect(r, color);
      return;
    }
    StrokePath(p, {{x1, y1}, {x2 - 1, y1}, {x2 - 1, y2 - 1}, {x1, y2 - 1}}, true);
  });
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  Paint([&](QPainter& p) {
    ApplyPenMode(p);
    const bool noPen = pen_.Style() == psClear || pen_.Mode() == pmNop;
    if (noPen) {
      p.setPen(Qt::NoPen);
    } else {
      QPen pen(ColorToQColor(pen_.Color()), std::max(1, pen_.Width()));
      pen.setCosmetic(pen_.Width() <= 1);
      p.setPen(pen);
    }
    p.setBrush(MakeBrush());
    p.drawEllipse(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
  });
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  Paint([&](QPainter& p) {
    ApplyPenMode(p);
    if (pen_.Style() == psClear || pen_.Mode() == pmNop) {
      p.setPen(Qt::NoPen);
    } else {
      QPen pen(ColorToQColor(pen_.Color()), std::max(1, pen_.Width()));
      pen.setCosmetic(pen_.Width() <= 1);
      p.setPen(pen);
    }
    p.setBrush(MakeBrush());
    p.drawRoundedRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1), x3 / 2.0, y3 / 2.0, Qt::AbsoluteSize);
  });
}

void TCanvas::Polygon(std::span<const TPoint> points) {
  if (points.size() < 2) return;
  const std::vector<TPoint> path(points.begin(), points.end());
  Paint([&](QPainter& p) {
    if (brush_.Style() != bsClear && path.size() > 2) {
      ApplyPenMode(p);
      QPolygon poly;
      for (const TPoint& pt : path) poly << pt.ToQPoint();
      p.setPen(Qt::NoPen);
      p.setBrush(MakeBrush());
      p.drawPolygon(poly, Qt::OddEvenFill);
    }
    StrokePath(p, path, true);
  });
}

namespace {
enum class ArcKind { Arc, Pie, Chord };
}

static void DrawArcShape(TCanvas& canvas, QPainter& p, ArcKind kind, int x1, int y1, int x2, int y2, int x3,
                         int y3, int x4, int y4, const QPen& pen, const QBrush& brush) {
  (void)canvas;
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  const double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0;
  const double a1 = AngleOf(cx, cy, x3, y3);
  double span = AngleOf(cx, cy, x4, y4) - a1;
  while (span <= 0) span += 360;
  // Through pixel centres, so the outline reaches the last row and column
  // inside the bounding rectangle as the ellipse does.
  const QRectF box(x1 + 0.5, y1 + 0.5, x2 - x1 - 1, y2 - y1 - 1);
  QPainterPath path;
  if (kind == ArcKind::Pie) {
    path.moveTo(box.center());
    path.arcTo(box, a1, span);
    path.closeSubpath();
  } else {
    path.arcMoveTo(box, a1);
    path.arcTo(box, a1, span);
    if (kind == ArcKind::Chord) path.closeSubpath();
  }
  p.setPen(pen);
  p.setBrush(kind == ArcKind::Arc ? QBrush(Qt::NoBrush) : brush);
  p.drawPath(path);
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  Paint([&](QPainter& p) {
    if (pen_.Style() == psClear || pen_.Mode() == pmNop) return;
    ApplyPenMode(p);
    QPen pen(ColorToQColor(pen_.Color()), std::max(1, pen_.Width()));
    pen.setCosmetic(pen_.Width() <= 1);
    DrawArcShape(*this, p, ArcKind::Arc, x1, y1, x2, y2, x3, y3, x4, y4, pen, Qt::NoBrush);
  });
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  Paint([&](QPainter& p) {
    ApplyPenMode(p);
    QPen pen(ColorToQColor(pen_.Color()), std::max(1, pen_.Width()));
    pen.setCosmetic(pen_.Width() <= 1);
    if (pen_.Style() == psClear || pen_.Mode() == pmNop) pen = QPen(Qt::NoPen);
    DrawArcShape(*this, p, ArcKind::Pie, x1, y1, x2, y2, x3, y3, x4, y4, pen, MakeBrush());
  });
}

void TCanvas::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  Paint([&](QPainter& p) {
    ApplyPenMode(p);
    QPen pen(ColorToQColor(pen_.Color()), std::max(1, pen_.Width()));
    pen.setCosmetic(pen_.Width() <= 1);
    if (pen_.Style() == psClear || pen_.Mode() == pmNop) pen = QPen(Qt::NoPen);
    DrawArcShape(*this, p, ArcKind::Chord, x1, y1, x2, y2, x3, y3, x4, y4, pen, MakeBrush());
  });
}

void TCanvas::FillRect(const TRect& r) {
  if (r.IsEmpty() || brush_.Style() == bsClear) return;
  Paint([&](QPainter& p) {
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.fillRect(r.ToQRect(), MakeBrush());
  });
}

void TCanvas::FrameRect(const TRect& r) {
  if (r.IsEmpty()) return;
  Paint([&](QPainter& p) {
    QRegion frame(r.ToQRect());
    frame -= QRegion(r.Left + 1, r.Top + 1, r.Width() - 2, r.Height() - 2);
    const QBrush brush(ColorToQColor(brush_.Color()));
    for (const QRect& part : frame) p.fillRect(part, brush);
  });
}

void TCanvas::DrawFocusRect(const TRect& r) {
  if (r.IsEmpty()) return;
  // Every other pixel of the frame, counted from the surface's origin, so
  // two focus rectangles that share an edge agree on its dots.
  std::vector<QPoint> dots;
  auto add = [&](int x, int y) {
    if (((x + y) & 1) == 0) dots.emplace_back(x, y);
  };
  for (int x = r.Left; x < r.Right; ++x) {
    add(x, r.Top);
    if (r.Bottom - 1 > r.Top) add(x, r.Bottom - 1);
  }
  for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
    add(r.Left, y);
    if (r.Right - 1 > r.Left) add(r.Right - 1, y);
  }
  Paint([&](QPainter& p) {
    p.setCompositionMode(QPainter::RasterOp_NotDestination);
    DrawPixels(p, dots, Qt::white);
  });
}

TColor TCanvas::Pixel(int x, int y) {
  const QSize s = SurfaceSize();
  if (x < 0 || y < 0 || x >= s.width() || y >= s.height()) return clNone;
  if (clip_ && !clip_->contains(QPoint(x, y))) return clNone;
  if (const auto direct = ReadPixel(x, y)) return TColor(*direct);
  const QImage image = Snapshot();
  if (image.isNull() || !image.valid(x, y)) return clNone;
  return QColorToColor(QColor(image.pixel(x, y)));
}

void TCanvas::SetPixel(int x, int y, TColor color) {
  Paint([&](QPainter& p) {
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(QRect(x, y, 1, 1), ColorToQColor(color));
  });
}

namespace {

// Draws a line of text with its top-left corner at (x, y). Italic is a
// slant of the upright face so that the result does not depend on which
// oblique faces a machine has installed.
void DrawTextLine(QPainter& p, const TFont& font, int x, int y, const QString& text) {
  const QFont qf = font.ToQFont();
  const QFontMetrics fm(qf);
  p.setFont(qf);
  p.setPen(ColorToQColor(font.Color()));
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  if (font.Style() & fsItalic) {
    p.save();
    p.translate(x, y + fm.ascent());
    p.shear(-0.21, 0);
    p.drawText(0, 0, text);
    p.restore();
  } else {
    p.drawText(x, y + fm.ascent(), text);
  }
}

}  // namespace

void TCanvas::TextOut(int x, int y, const QString& text) {
  const TSize size = TextExtent(text);
  Paint([&](QPainter& p) {
    if (brush_.Style() != bsClear) p.fillRect(QRect(x, y, size.cx, size.cy), ColorToQColor(brush_.Color()));
    DrawTextLine(p, font_, x, y, text);
  });
  pen_pos_ = {x + size.cx, y};
}

void TCanvas::TextRect(const TRect& r, int x, int y, const QString& text) {
  Paint([&](QPainter& p) {
    if (brush_.Style() != bsClear && !r.IsEmpty()) p.fillRect(r.ToQRect(), ColorToQColor(brush_.Color()));
    p.setClipRect(r.ToQRect(), Qt::IntersectClip);
    DrawTextLine(p, font_, x, y, text);
  });
}

void TCanvas::TextRun(int x, int y, const QString& text, const TRect* clip, int underlineFrom,
                      int underlineCount) {
  const QFont qf = font_.ToQFont();
  const QFontMetrics fm(qf);
  const int width = fm.horizontalAdvance(text);
  Paint([&](QPainter& p) {
    if (clip) p.setClipRect(clip->ToQRect(), Qt::IntersectClip);
    if (brush_.Style() != bsClear && !text.isEmpty())
      p.fillRect(QRect(x, y, width, fm.height()), ColorToQColor(brush_.Color()));
    DrawTextLine(p, font_, x, y, text);
    if (underlineFrom >= 0 && underlineCount > 0 && underlineFrom < text.size()) {
      const int from = x + fm.horizontalAdvance(text.left(underlineFrom));
      const int to = x + fm.horizontalAdvance(text.left(underlineFrom + underlineCount));
      const int top = y + fm.ascent() + std::max(1, fm.underlinePos());
      p.fillRect(QRect(from, top, to - from, std::max(1, fm.lineWidth())), ColorToQColor(font_.Color()));
    }
  });
}

int TCanvas::TextWidth(const QString& text) const { return TextExtent(text).cx; }
int TCanvas::TextHeight(const QString& text) const { return TextExtent(text).cy; }

TSize TCanvas::TextExtent(const QString& text) const {
  const QFontMetrics fm(font_.ToQFont());
  return {fm.horizontalAdvance(text), fm.height()};
}

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
  if (graphic.Empty()) return;
  graphic.Draw(*this, Bounds(x, y, graphic.Width(), graphic.Height()));
}

void TCanvas::StretchDraw(const TRect& r, TGraphic& graphic) {
  if (graphic.Empty()) return;
  graphic.Draw(*this, r);
}

template <class F>
bool TCanvas::PaintImage(F&& work) {
  if (external_) return false;
  QPaintDevice* dev = BeginSurface();
  if (!dev) return false;
  if (dev->devType() != QInternal::Image) {
    EndSurface();
    return false;
  }
  if (OnChanging) OnChanging(this);
  work(*static_cast<QImage*>(dev));
  EndSurface();
  if (OnChange) OnChange(this);
  return true;
}

bool TCanvas::PaintPixels(const std::function<void(QImage& image, const QRegion& writable)>& work) {
  if (external_) return false;
  QPaintDevice* dev = BeginSurface();
  if (!dev) return false;
  auto* image = dev->devType() == QInternal::Image ? static_cast<QImage*>(dev) : nullptr;
  if (!image || image->devicePixelRatio() != 1.0 ||
      (image->format() != QImage::Format_RGB32 && image->format() != QImage::Format_ARGB32)) {
    EndSurface();
    return false;
  }
  QRegion writable(image->rect());
  if (clip_) writable &= *clip_;
  if (OnChanging) OnChanging(this);
  work(*image, writable);
  EndSurface();
  if (OnChange) OnChange(this);
  return true;
}

void TCanvas::DrawImage(const QPoint& at, const QImage& source, std::optional<TColor> transparent,
                        bool blend) {
  if (source.isNull()) return;
  const QImage src = source.convertToFormat(blend ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  std::optional<uint32_t> key;
  if (transparent) key = ToArgb(ColorToRGB(*transparent)) & 0xFFFFFF;
  if (blend || (copy_mode_ == cmSrcCopy && !key)) {
    Paint([&](QPainter& p) {
      p.setCompositionMode(blend ? QPainter::CompositionMode_SourceOver : QPainter::CompositionMode_Source);
      p.drawImage(at, src);
    });
    return;
  }
  const uint32_t pattern = ToArgb(ColorToRGB(brush_.Color())) & 0xFFFFFF;
  // Pixel by pixel where the surface is an image: the raster code and the
  // transparent colour exactly.
  const bool done = PaintImage([&](QImage& dst) {
    for (int y = 0; y < src.height(); ++y) {
      const int dy = at.y() + y;
      if (dy < 0 || dy >= dst.height()) continue;
      const auto* s = reinterpret_cast<const uint32_t*>(src.constScanLine(y));
      for (int x = 0; x < src.width(); ++x) {
        const int dx = at.x() + x;
        if (dx < 0 || dx >= dst.width()) continue;
        if (clip_ && !clip_->contains(QPoint(dx, dy))) continue;
        const uint32_t sp = s[x] & 0xFFFFFF;
        if (key && sp == *key) continue;
        const uint32_t dp = dst.pixel(dx, dy) & 0xFFFFFF;
        dst.setPixel(dx, dy, 0xFF000000u | ApplyRop3(copy_mode_, pattern, sp, dp));
      }
    }
  });
  if (done) return;
  // A surface we cannot read (a widget): the transparent colour through
  // alpha, the common raster codes through Qt's raster operations.
  QImage masked = src.convertToFormat(QImage::Format_ARGB32);
  if (key)
    for (int y = 0; y < masked.height(); ++y) {
      auto* line = reinterpret_cast<uint32_t*>(masked.scanLine(y));
      for (int x = 0; x < masked.width(); ++x)
        if ((line[x] & 0xFFFFFF) == *key) line[x] = 0;
    }
  QPainter::CompositionMode mode =
      key ? QPainter::CompositionMode_SourceOver : QPainter::CompositionMode_Source;
  switch (copy_mode_) {
    case cmSrcAnd:
      mode = QPainter::RasterOp_SourceAndDestination;
      break;
    case cmSrcPaint:
      mode = QPainter::RasterOp_SourceOrDestination;
      break;
    case cmSrcInvert:
      mode = QPainter::RasterOp_SourceXorDestination;
      break;
    case cmNotSrcCopy:
      mode = QPainter::RasterOp_NotSource;
      break;
    case cmSrcErase:
      mode = QPainter::RasterOp_SourceAndNotDestination;
      break;
    case cmMergePaint:
      mode = QPainter::RasterOp_NotSourceOrDestination;
      break;
    case cmNotSrcErase:
      mode = QPainter::RasterOp_NotSourceAndNotDestination;
      break;
    default:
      break;
  }
  Paint([&](QPainter& p) {
    p.setCompositionMode(mode);
    p.drawImage(at, masked);
  });
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect) {
  if (dest.IsEmpty() || sourceRect.Width() == 0 || sourceRect.Height() == 0) return;
  const QImage whole = source.Snapshot();
  if (whole.isNull()) return;
  TRect s = sourceRect;
  const bool mirrorX = s.Width() < 0, mirrorY = s.Height() < 0;
  if (mirrorX) std::swap(s.Left, s.Right);
  if (mirrorY) std::swap(s.Top, s.Bottom);
  QImage part = whole.copy(s.ToQRect());
  if (mirrorX || mirrorY) part = part.mirrored(mirrorX, mirrorY);
  if (part.size() != QSize(dest.Width(), dest.Height()))
    part = part.scaled(dest.Width(), dest.Height(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
  DrawImage(QPoint(dest.Left, dest.Top), part);
}

void TCanvas::BrushCopy(const TRect& dest, TBitmap& source, const TRect& sourceRect, TColor color) {
  if (dest.IsEmpty() || source.Empty()) return;
  QImage part = source.ToQImage().copy(sourceRect.ToQRect()).convertToFormat(QImage::Format_RGB32);
  if (part.size() != QSize(dest.Width(), dest.Height()))
    part = part.scaled(dest.Width(), dest.Height(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
  const uint32_t keyArgb = ToArgb(ColorToRGB(color)) & 0xFFFFFF;
  const uint32_t brush = ToArgb(ColorToRGB(brush_.Color()));
  for (int y = 0; y < part.height(); ++y) {
    auto* line = reinterpret_cast<uint32_t*>(part.scanLine(y));
    for (int x = 0; x < part.width(); ++x)
      if ((line[x] & 0xFFFFFF) == keyArgb) line[x] = brush;
  }
  const TCopyMode saved = copy_mode_;
  copy_mode_ = cmSrcCopy;
  DrawImage(QPoint(dest.Left, dest.Top), part);
  copy_mode_ = saved;
}
