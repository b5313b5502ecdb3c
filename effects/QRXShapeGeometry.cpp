#include "effects/QRXShapeGeometry.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "effects/QRXClass.h"
#include "effects/QRXDraw.h"

// --- TQRXPointList ---

namespace {

std::uint32_t Pack(const TPoint& p) {
  return (std::uint32_t(std::uint16_t(std::int16_t(p.X))) << 16) |
         std::uint32_t(std::uint16_t(std::int16_t(p.Y)));
}

TPoint Unpack(std::uint32_t item) {
  return {int(std::int16_t(std::uint16_t(item >> 16))), int(std::int16_t(std::uint16_t(item & 0xFFFF)))};
}

// Round half to even, as the geometry is defined.
int RoundEven(double v) { return int(std::nearbyint(v)); }

}  // namespace

void TQRXPointList::GetPoint(int index, TPoint& p) const {
  if (index < 0 || index >= Count()) return;
  p = Unpack(items_[std::size_t(index)]);
}

void TQRXPointList::SetPoint(int index, const TPoint& p) {
  if (index < 0 || index >= Count()) return;
  items_[std::size_t(index)] = Pack(p);
  Changed();
}

void TQRXPointList::AddPoint(const TPoint& p) {
  items_.push_back(Pack(p));
  Changed();
}

void OffsetPointList(TQRXPointList* list, int dx, int dy) {
  if (!list) return;
  list->BeginUpdate();
  for (int i = 0; i < list->Count(); ++i) {
    const TPoint p = list->Point(i);
    list->SetPoint(i, ::Point(p.X + dx, p.Y + dy));
  }
  list->EndUpdate();
  list->Changed();
}

// --- BuildShapePolygon ---

namespace {

int ShadowDepth(const TQRXShadow* shadow) {
  return shadow && shadow->Style() != TQRXShadowStyle::hssNone ? shadow->Depth() : 0;
}

// The derived values of a shape's box.
struct TShapeBox {
  int X1, Y1, X2, Y2;
  int mx, my, c, cx, cy, ex, ey;
  explicit TShapeBox(int x1, int y1, int x2, int y2) : X1(x1), Y1(y1), X2(x2), Y2(y2) {
    mx = X1 + (X2 - X1) / 2;
    my = Y1 + (Y2 - Y1) / 2;
    c = RoundEven((Y2 - Y1) / 5.0);
    const double k = 2.0 + std::sqrt(2.0);
    cx = RoundEven((X2 - X1) / k);
    cy = RoundEven((Y2 - Y1) / k);
    ex = RoundEven(std::sqrt(2.0) * cx);
    ey = RoundEven(std::sqrt(2.0) * cy);
  }
  int x(double f) const { return X1 + RoundEven((X2 - X1) * f); }
  int y(double f) const { return Y1 + RoundEven((Y2 - Y1) * f); }
};

}  // namespace

void BuildShapePolygon(const TRect& rect, TQRXShapeType shape, bool square, int roundPercent,
                       const TQRXSimpleBevel* bevel, const TQRXShadow* shadow, TQRXPointList& list) {
  using enum TQRXShapeType;
  list.BeginUpdate();
  list.Clear();
  const int W = rect.Width(), H = rect.Height();
  const int d = ShadowDepth(shadow);
  const int bw = bevel ? bevel->Width() : 1;
  const int h1 = bw / 2, h2 = (bw - 1) / 2;
  int sx = 0, sy = 0;
  if (square) {
    if (W > H)
      sx = (W - H) / 2;
    else
      sy = (H - W) / 2;
  }
  const TShapeBox b(sx + d, sy + d, W - sx, H - sy);
  const int X1 = b.X1, Y1 = b.Y1, X2 = b.X2, Y2 = b.Y2, mx = b.mx, my = b.my, c = b.c;
  const int r = std::min(W - d, H - d) * roundPercent / 100;
  std::vector<TPoint> outer, inner;
  switch (shape) {
    case stEllipse:
    case stRectangle:
      outer = {{X1, Y1}, {X2, Y2}};
      inner = {{X1 + h1, Y1 + h1}, {X2 - h2, Y2 - h2}};
      break;
    case stRoundRect:
      outer = {{X1, Y1}, {X2, Y2}, {r, r}};
      inner = {{X1 + h1, Y1 + h1}, {X2, Y2}, {r + d, r + d}};
      break;
    case stDirectUp:
      outer = {{mx, Y1}, {X2, Y2}, {X1, Y2}};
      inner = {{mx, Y1 + h1}, {X2 - h2, Y2 - h2}, {X1 + 2 * h1, Y2}};
      break;
    case stDirectRight:
      outer = {{X1, Y1}, {X2, my}, {X1, Y2}};
      inner = {{X1 + h1, Y1 + h1}, {X2 - h2, my}, {X1 + h1, Y2 - h2}};
      break;
    case stDirectDown:
      outer = {{X1, Y1}, {X2, Y1}, {mx, Y2}};
      inner = {{X1 + h1, Y1 + h1}, {X2 - h2, Y1 + h1}, {mx, Y2}};
      break;
    case stDirectLeft:
      outer = {{X2, Y1}, {X1, my}, {X2, Y2}};
      inner = {{X2 - h2, Y1 + h1}, {X1 + h1, my}, {X2 - h2, Y2 - h2}};
      break;
    case stDiamond:
      outer = {{mx, Y1}, {X2, my}, {mx, Y2}, {X1, my}};
      inner = {{mx, Y1 + h1}, {X2 - h2, my}, {mx, Y2 - h2}, {X1 + h1, my}};
      break;
    case stComb:
      outer = {{mx, Y1}, {X2, Y1 + c}, {X2, Y1 + 4 * c}, {mx, Y2}, {X1, Y1 + 4 * c}, {X1, Y1 + c}};
      inner = {{mx, Y1 + h1}, {X2 - h2, Y1 + c + h1},     {X2 - h2, Y1 + 4 * c + h1},
               {mx, Y2 - h2}, {X1 + h1, Y1 + 4 * c + h1}, {X1 + h1, Y1 + c + h1}};
      break;
    case stOctagon: {
      const int cx = b.cx, cy = b.cy, ex = b.ex, ey = b.ey;
      outer = {{X1 + cx, Y1},      {X1 + cx + ex, Y1}, {X2, Y1 + cy},      {X2, Y1 + cy + ey},
               {X1 + cx + ex, Y2}, {X1 + cx, Y2},      {X1, Y1 + cy + ey}, {X1, Y1 + cy}};
      inner = {{X1 + cx + h1, Y1 + h1},      {X1 + cx + ex + h1, Y1 + h1}, {X2 - h2, Y1 + cy + h1},
               {X2 - h2, Y1 + cy + ey + h1}, {X1 + cx + ex + h1, Y2 - h2}, {X1 + cx + h1, Y2 - h2},
               {X1 + h1, Y1 + cy + ey + h1}, {X1 + h1, Y1 + cy + h1}};
      break;
    }
    case stStar:
      outer = {{mx, Y1},        {b.x(0.65), b.y(0.38)}, {X2, b.y(0.38)}, {b.x(0.7), b.y(0.6)},
               {b.x(0.85), Y2}, {mx, b.y(0.75)},        {b.x(0.15), Y2}, {b.x(0.3), b.y(0.6)},
               {X1, b.y(0.38)}, {b.x(0.35), b.y(0.38)}};
      inner = outer;
      inner[0] = {mx, Y1 + h1};
      inner[2] = {X2 - h2, b.y(0.38)};
      inner[4] = {b.x(0.85), Y2 - h2};
      inner[6] = {b.x(0.15), Y2 - h2};
      inner[8] = {X1 + h2, b.y(0.38)};
      break;
  }
  for (const TPoint& p : outer) list.AddPoint(p);
  for (const TPoint& p : inner) list.AddPoint(p);
  list.EndUpdate();
  list.Changed();
}

// --- DrawShape ---

namespace {

std::vector<TPoint> Half(const TQRXPointList& list, bool inner) {
  const int n = list.Count() / 2;
  std::vector<TPoint> points;
  for (int i = 0; i < n; ++i) points.push_back(list.Point(inner ? n + i : i));
  return points;
}

// Draws the outline `points` of `shape` with the canvas's pen and brush;
// `corner` is the round rectangle's corner size.
void DrawOutline(TCanvas& canvas, TQRXShapeType shape, const std::vector<TPoint>& points, int corner) {
  using enum TQRXShapeType;
  if (points.size() < 2) return;
  switch (shape) {
    case stEllipse:
      canvas.Ellipse(points[0].X, points[0].Y, points[1].X, points[1].Y);
      break;
    case stRectangle:
      canvas.Rectangle(points[0].X, points[0].Y, points[1].X, points[1].Y);
      break;
    case stRoundRect:
      canvas.RoundRect(points[0].X, points[0].Y, points[1].X, points[1].Y, corner, corner);
      break;
    default:
      canvas.Polygon(points);
      break;
  }
}

void Line(TCanvas& canvas, std::initializer_list<TPoint> points) {
  const std::vector<TPoint> v(points);
  canvas.Polyline(v);
}

void DrawBevelLines(TCanvas& canvas, TQRXShapeType shape, const std::vector<TPoint>& outer, int corner,
                    int bw, int h1, int h2, TColor first, TColor second) {
  using enum TQRXShapeType;
  int l = outer[0].X, t = outer[0].Y, rt = outer[0].X, b = outer[0].Y;
  for (const TPoint& p : outer) {
    l = std::min(l, p.X);
    t = std::min(t, p.Y);
    rt = std::max(rt, p.X);
    b = std::max(b, p.Y);
  }
  if (shape == stRoundRect) {  // the third entry is the corner, not a point
    l = outer[0].X;
    t = outer[0].Y;
    rt = outer[1].X;
    b = outer[1].Y;
  }
  const TShapeBox box(l, t, rt, b);
  const int li = l + h1, ti = t + h1, ri = rt - h2, bi = b - h2;
  const int mx = box.mx, my = box.my, c = box.c, cx = box.cx, cy = box.cy, ex = box.ex;
  const int ey = box.ey;
  auto pen = [&](TColor color) {
    canvas.Pen().SetStyle(psSolid);
    canvas.Pen().SetMode(pmCopy);
    canvas.Pen().SetWidth(bw);
    canvas.Pen().SetColor(color);
  };
  auto P = [](int x, int y) { return ::Point(x, y); };
  switch (shape) {
    case stEllipse:
      pen(first);
      canvas.Arc(li, ti, ri, bi, ri, ti, li, bi);
      pen(second);
      canvas.Arc(li, ti, ri, bi, li, bi, ri, ti);
      break;
    case stRectangle:
      pen(first);
      Line(canvas, {P(li, bi), P(li, ti), P(ri, ti)});
      pen(second);
      Line(canvas, {P(ri - 1, ti), P(ri - 1, bi - 1), P(li, bi - 1)});
      break;
    case stRoundRect: {
      const int r = corner, q = r / 2;
      pen(first);
      canvas.Arc(li, ti, li + r, ti + r, li + q, ti, li, ti + q);
      canvas.Arc(ri - r, ti, ri, ti + r, ri, ti, ri - q, ti);
      canvas.Arc(li, bi - r, li + r, bi, li, bi - q, li, bi);
      Line(canvas, {P(li, ti + q), P(li, bi - q)});
      Line(canvas, {P(li + q, ti), P(ri - q, ti)});
      pen(second);
      canvas.Arc(ri - r, ti, ri, ti + r, ri, ti + q, ri, ti);
      canvas.Arc(ri - r, bi - r, ri, bi, ri - q, bi, ri, bi - q);
      canvas.Arc(li, bi - r, li + r, bi, li, bi, li + q, bi);
      Line(canvas, {P(ri - 1, ti + q), P(ri - 1, bi - q)});
      Line(canvas, {P(li + q, bi - 1), P(ri - q, bi - 1)});
      break;
    }
    case stDirectUp:
      pen(first);
      Line(canvas, {P(l, b), P(mx, t), P(rt, b)});
      pen(second);
      Line(canvas, {P(rt, b), P(l, b)});
      break;
    case stDirectRight:
      pen(first);
      Line(canvas, {P(li, ti), P(li, bi)});
      pen(second);
      Line(canvas, {P(li, ti), P(ri, my), P(li, bi)});
      break;
    case stDirectDown:
      pen(second);
      Line(canvas, {P(l - h2, ti), P(mx, bi), P(ri, ti)});
      pen(first);
      Line(canvas, {P(li, ti), P(ri, t - h2)});
      break;
    case stDirectLeft:
      pen(second);
      Line(canvas, {P(rt - h1 - 1, ti), P(rt - h1 - 1, bi)});
      pen(first);
      Line(canvas, {P(rt - h1 - 1, ti), P(li, my + h1), P(rt - h1 - 1, b - h1)});
      break;
    case stDiamond:
      pen(first);
      Line(canvas, {P(li, my), P(mx, ti), P(ri, my)});
      pen(second);
      Line(canvas, {P(ri, my), P(mx, bi), P(li, my)});
      break;
    case stComb:
      pen(first);
      Line(canvas, {P(li, t + 4 * c), P(li, t + c), P(mx, ti), P(ri - 1, t + c)});
      pen(second);
      Line(canvas, {P(ri - 1, t + c), P(ri - 1, t + 4 * c), P(mx, bi), P(li, t + 4 * c)});
      break;
    case stOctagon:
      pen(first);
      Line(canvas, {P(li, t + cy + ey), P(li, t + cy), P(l + cx, ti), P(l + cx + ex, ti), P(ri - 1, t + cy)});
      pen(second);
      Line(canvas, {P(ri - 1, t + cy), P(ri - 1, t + cy + ey), P(l + cx + ex, bi), P(l + cx, bi),
                    P(li, t + cy + ey)});
      break;
    case stStar: {
      const auto& S = outer;
      if (S.size() < 10) break;
      pen(first);
      Line(canvas, {S[1], S[2]});
      Line(canvas, {S[3], S[4]});
      Line(canvas, {S[8], S[9], S[0]});
      Line(canvas, {S[6], S[7]});
      pen(second);
      Line(canvas, {S[0], S[1]});
      Line(canvas, {S[2], S[3]});
      Line(canvas, {S[4], S[5], S[6]});
      Line(canvas, {S[7], S[8]});
      break;
    }
  }
}

// Moves the list back however painting ends.
class ListMove {
 public:
  explicit ListMove(TQRXPointList& list) : list_(list) {}
  void By(int dx, int dy) {
    OffsetPointList(&list_, dx, dy);
    dx_ += dx;
    dy_ += dy;
  }
  ~ListMove() {
    if (dx_ != 0 || dy_ != 0) OffsetPointList(&list_, -dx_, -dy_);
  }
  ListMove(const ListMove&) = delete;
  ListMove& operator=(const ListMove&) = delete;

 private:
  TQRXPointList& list_;
  int dx_ = 0;
  int dy_ = 0;
};

}  // namespace

void DrawShape(const TRect& rect, TCanvas& canvas, TQRXShapeType shape, TQRXPointList* list, bool square,
               const TBrush& faceBrush, int roundPercent, const TQRXSimpleBevel* bevel,
               const TQRXShadow* shadow, TBitmap* fillBitmap, TColor maskBackColor, TColor hatchBackColor) {
  using enum TQRXShapeType;
  std::unique_ptr<TQRXPointList> temporary;
  if (!list) {
    temporary = std::make_unique<TQRXPointList>();
    BuildShapePolygon(rect, shape, square, roundPercent, bevel, shadow, *temporary);
    list = temporary.get();
  }
  if (list->Count() < 4) return;
  const int d = ShadowDepth(shadow);
  const int bw = bevel ? bevel->Width() : 1;
  const int h1 = bw / 2, h2 = (bw - 1) / 2;
  const TQRXSimpleBevelStyle bevelStyle = bevel ? bevel->Style() : TQRXSimpleBevelStyle::sbNormal;
  const TColor bevelColor = bevel ? bevel->Color() : clBlack;
  // Corner sizes are sizes, not positions: they are read before any move.
  const int half = list->Count() / 2;
  const int shadowCorner = shape == stRoundRect ? list->Point(2).X : 0;
  const int faceCorner = shape == stRoundRect ? list->Point(half + 2).X - d : 0;
  const int W = rect.Width(), H = rect.Height();

  ListMove move(*list);
  move.By(rect.Left, rect.Top);

  if (d > 0) {
    canvas.Pen().SetStyle(psClear);
    canvas.Pen().SetMode(pmCopy);
    canvas.Brush().SetBitmap(nullptr);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(shadow->Color());
    if (shadow->Style() == TQRXShadowStyle::hssTracing) {
      canvas.Brush().SetBitmap(&QRXApplication().GetPatternBitmap(shadow->Color()));
      canvas.Pen().SetMode(pmMask);
    }
    DrawOutline(canvas, shape, Half(*list, false), shadowCorner);
    canvas.Brush().SetBitmap(nullptr);
    canvas.Pen().SetMode(pmCopy);
  }

  move.By(-d, -d);

  auto outlinePen = [&] {
    canvas.Pen().SetMode(pmCopy);
    if (bw <= 0) {
      canvas.Pen().SetStyle(psClear);
      return;
    }
    canvas.Pen().SetStyle(psSolid);
    canvas.Pen().SetWidth(bw);
    canvas.Pen().SetColor(bevelColor);
    if (bevelStyle != TQRXSimpleBevelStyle::sbNormal) canvas.Pen().SetColor(canvas.Brush().Color());
  };

  if (!fillBitmap) {
    // The face in its second pass only: in copy mode it paints every pixel
    // of the first pass again in the same colour (the same brush, or an
    // opaque hatch over the clear one; the same outline pen, or one in the
    // face colour over none), so the first would only cost a fill.
    canvas.Brush().Assign(faceBrush);
    outlinePen();
    TBitmap hatch;
    if (faceBrush.Style() != bsSolid && faceBrush.Style() != bsClear && !faceBrush.Bitmap()) {
      // Hatches lie on the hatch back colour, as on an opaque background.
      hatch = MakeOpaqueHatch(faceBrush.Style(), faceBrush.Color(), hatchBackColor);
      canvas.Brush().SetBitmap(&hatch);
    }
    DrawOutline(canvas, shape, Half(*list, true), faceCorner);
    canvas.Brush().SetBitmap(nullptr);
    canvas.Brush().Assign(faceBrush);
  } else if (W > 0 && H > 0) {
    // The mask is drawn in the rectangle's own coordinates.
    TBitmap mask;
    mask.SetSize(W, H);
    TCanvas& m = mask.Canvas();
    m.Brush().SetStyle(bsSolid);
    m.Brush().SetColor(maskBackColor);
    m.FillRect(Rect(0, 0, W, H));
    m.Brush().SetColor(clWhite);
    if (bw > 0) {
      m.Pen().SetStyle(psSolid);
      m.Pen().SetWidth(bw);
      m.Pen().SetColor(clWhite);
    } else {
      m.Pen().SetStyle(psClear);
    }
    std::vector<TPoint> local = Half(*list, true);
    for (TPoint& p : local) {
      p.X -= rect.Left;
      p.Y -= rect.Top;
    }
    DrawOutline(m, shape, local, faceCorner);
    TBitmap texture;
    texture.Assign(*fillBitmap);
    DrawMaskedTexture(canvas, Bounds(rect.Left, rect.Top, W, H), mask, texture, clWhite, maskBackColor);
    canvas.Brush().SetStyle(bsClear);
    outlinePen();
    DrawOutline(canvas, shape, Half(*list, true), faceCorner);
  }

  if (bw > 0 && bevelStyle != TQRXSimpleBevelStyle::sbNormal && bevel) {
    const bool inset = bevelStyle == TQRXSimpleBevelStyle::sbInset;
    const TColor first = inset ? bevel->ShadowColor() : bevel->LightColor();
    const TColor second = inset ? bevel->LightColor() : bevel->ShadowColor();
    std::vector<TPoint> outer = Half(*list, false);
    if (shape == stRoundRect) outer.resize(2);
    DrawBevelLines(canvas, shape, outer, faceCorner, bw, h1, h2, first, second);
  }
}
