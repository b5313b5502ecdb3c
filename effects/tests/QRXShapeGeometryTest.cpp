// Shape outlines and shape painting: the points of the outline for the
// cases worked out by hand, the painted areas against the shapes' analytic
// areas, and the start page's button look.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "effects/QRXShapeGeometry.h"

namespace {

std::vector<TPoint> Points(const TQRXPointList& list) {
  std::vector<TPoint> v;
  for (int i = 0; i < list.Count(); ++i) v.push_back(list.Point(i));
  return v;
}

TBitmap White(int w, int h) {
  TBitmap b;
  b.SetSize(w, h);
  b.Canvas().Brush().SetColor(clWhite);
  b.Canvas().FillRect(Rect(0, 0, w, h));
  return b;
}

int CountColor(const QImage& image, QRgb color) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) == color;
  return n;
}

}  // namespace

TEST(QRXPointList, PacksSignedPoints) {
  TQRXPointList list;
  int changes = 0;
  list.OnChange = [&](TQRXPointList*) { ++changes; };
  list.AddPoint(Point(-5, -32768));
  list.AddPoint(Point(32767, 7));
  EXPECT_EQ(list.Point(0), Point(-5, -32768));
  EXPECT_EQ(list.Point(1), Point(32767, 7));
  EXPECT_EQ(list.Item(1), 0x7FFF0007u);  // X high, Y low
  TPoint untouched{1, 2};
  list.GetPoint(2, untouched);
  EXPECT_EQ(untouched, Point(1, 2));
  list.SetPoint(5, Point(0, 0));  // ignored
  EXPECT_EQ(changes, 2);
  OffsetPointList(&list, 1, -1);
  EXPECT_EQ(list.Point(0), Point(-4, 32767));  // 16-bit coordinates wrap
  OffsetPointList(nullptr, 1, 1);
}

TEST(QRXShapeGeometry, OutlinesWorkedOutByHand) {
  TQRXSimpleBevel bevel0, bevel2;
  bevel0.SetWidth(0);
  bevel2.SetWidth(2);
  TQRXShadow shadow3, none;
  shadow3.SetDepth(3);
  none.SetStyle(TQRXShadowStyle::hssNone);
  TQRXPointList list;

  // The start page's buttons.
  BuildShapePolygon(Rect(0, 0, 190, 53), TQRXShapeType::stRoundRect, false, 33, &bevel0, &shadow3, list);
  EXPECT_EQ(Points(list), (std::vector<TPoint>{{3, 3}, {190, 53}, {16, 16}, {3, 3}, {190, 53}, {19, 19}}));

  // Square on a wide rectangle without a shadow.
  BuildShapePolygon(Rect(10, 10, 110, 70), TQRXShapeType::stRectangle, true, 0, &bevel0, nullptr, list);
  EXPECT_EQ(list.Point(0), Point(20, 0));
  EXPECT_EQ(list.Point(1), Point(80, 60));

  // hssNone: any depth counts as 0.
  BuildShapePolygon(Rect(0, 0, 50, 50), TQRXShapeType::stEllipse, false, 0, &bevel0, &none, list);
  EXPECT_EQ(list.Point(0), Point(0, 0));

  // Bevel width 1 (or none given): inner equals outer; width 2: h1 1, h2 0.
  BuildShapePolygon(Rect(0, 0, 40, 30), TQRXShapeType::stDiamond, false, 0, nullptr, nullptr, list);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(list.Point(i), list.Point(4 + i));
  BuildShapePolygon(Rect(0, 0, 40, 30), TQRXShapeType::stRectangle, false, 0, &bevel2, nullptr, list);
  EXPECT_EQ(list.Point(2), Point(1, 1));
  EXPECT_EQ(list.Point(3), Point(40, 30));

  // Comb on a box 50 high: c = 10.
  BuildShapePolygon(Rect(0, 0, 60, 50), TQRXShapeType::stComb, false, 0, &bevel0, nullptr, list);
  EXPECT_EQ(list.Point(1), Point(60, 10));
  EXPECT_EQ(list.Point(2), Point(60, 40));

  // Octagon on 100 x 100: cx = cy = 29, ex = ey = 41.
  BuildShapePolygon(Rect(0, 0, 100, 100), TQRXShapeType::stOctagon, false, 0, &bevel0, nullptr, list);
  EXPECT_EQ(list.Point(0), Point(29, 0));
  EXPECT_EQ(list.Point(1), Point(70, 0));
  EXPECT_EQ(list.Count(), 16);

  const int counts[] = {4, 4, 6, 6, 6, 6, 6, 8, 12, 16, 20};
  for (int s = 0; s <= 10; ++s) {
    BuildShapePolygon(Rect(0, 0, 80, 60), TQRXShapeType(s), false, 33, &bevel2, &shadow3, list);
    EXPECT_EQ(list.Count(), counts[s]) << s;
  }
  BuildShapePolygon(Rect(0, 0, 80, 60), TQRXShapeType(11), false, 33, &bevel2, &shadow3, list);
  EXPECT_EQ(list.Count(), 0);
}

// Each face filled without pen, shadow or bevel covers its analytic area
// within 1 %.
TEST(QRXShapeGeometry, PaintedAreasMatchAnalyticAreas) {
  const int W = 400, H = 300;
  const double box = double(W) * H;
  const double cx = std::nearbyint(W / (2 + std::numbers::sqrt2)),
               cy = std::nearbyint(H / (2 + std::numbers::sqrt2));
  const double r = std::min(W, H) * 40 / 100;
  // Star: shoelace area of its ten points as fractions of the box.
  const double star[10][2] = {{0.5, 0},    {0.65, 0.38}, {1, 0.38},  {0.7, 0.6}, {0.85, 1},
                              {0.5, 0.75}, {0.15, 1},    {0.3, 0.6}, {0, 0.38},  {0.35, 0.38}};
  double shoelace = 0;
  for (int i = 0; i < 10; ++i) {
    const auto& a = star[i];
    const auto& b = star[(i + 1) % 10];
    shoelace += a[0] * b[1] - b[0] * a[1];
  }
  const double starArea = std::abs(shoelace) / 2 * box;
  struct Case {
    TQRXShapeType shape;
    double area;
  };
  const Case cases[] = {
      {TQRXShapeType::stEllipse, std::numbers::pi * W * H / 4},
      {TQRXShapeType::stRectangle, box},
      {TQRXShapeType::stRoundRect, box - (4 - std::numbers::pi) * (r / 2) * (r / 2)},
      {TQRXShapeType::stDirectUp, box / 2},
      {TQRXShapeType::stDirectRight, box / 2},
      {TQRXShapeType::stDirectDown, box / 2},
      {TQRXShapeType::stDirectLeft, box / 2},
      {TQRXShapeType::stDiamond, box / 2},
      {TQRXShapeType::stComb, box * 0.8},
      {TQRXShapeType::stOctagon, box - 2 * cx * cy},
      {TQRXShapeType::stStar, starArea},
  };
  TQRXSimpleBevel bevel;
  bevel.SetWidth(0);
  TQRXShadow none;
  none.SetStyle(TQRXShadowStyle::hssNone);
  TBrush brush;
  brush.SetColor(clBlack);
  for (const Case& c : cases) {
    TBitmap b = White(W + 20, H + 20);
    DrawShape(Rect(10, 10, 10 + W, 10 + H), b.Canvas(), c.shape, nullptr, false, brush, 40, &bevel, &none,
              nullptr, clWhite, clWhite);
    const int painted = CountColor(b.ToQImage(), 0);
    EXPECT_NEAR(painted / c.area, 1.0, 0.01) << int(c.shape) << ": " << painted << " of " << c.area;
  }
}

TEST(QRXShapeGeometry, StartPageButtonLook) {
  TQRXSimpleBevel bevel;
  bevel.SetWidth(0);
  bevel.SetColor(33023);
  TQRXShadow shadow;
  shadow.SetDepth(3);
  shadow.SetColor(clBlack);
  TBrush face;
  face.SetColor(clYellow);
  TQRXPointList list;
  BuildShapePolygon(Rect(0, 0, 190, 53), TQRXShapeType::stRoundRect, false, 33, &bevel, &shadow, list);
  const std::vector<TPoint> before = Points(list);
  TBitmap b = White(200, 60);
  DrawShape(Rect(0, 0, 190, 53), b.Canvas(), TQRXShapeType::stRoundRect, &list, false, face, 33, &bevel,
            &shadow, nullptr, clWhite, clWhite);
  EXPECT_EQ(Points(list), before);
  const QImage img = b.ToQImage();
  auto at = [&](int x, int y) { return img.pixel(x, y) & 0xFFFFFF; };
  const QRgb yellow = 0xFFFF00, black = 0, white = 0xFFFFFF;
  EXPECT_EQ(at(90, 25), yellow);  // the face
  EXPECT_EQ(at(188, 30), black);  // shadow beyond the face at the right
  EXPECT_EQ(at(90, 51), black);   // and at the bottom
  EXPECT_EQ(at(1, 1), white);     // the face's rounded corner
  EXPECT_EQ(at(1, 25), yellow);   // no outline pen: the face reaches its edge
  EXPECT_EQ(at(190, 30), white);  // nothing past the rectangle
  EXPECT_EQ(at(2, 51), white);    // the shadow's rounded corner
  // The shadow covers (3, 3)-(190, 53) and the face (0, 0)-(187, 50): no
  // colour but the three.
  EXPECT_EQ(CountColor(img, yellow) + CountColor(img, black) + CountColor(img, white), 200 * 60);
}

TEST(QRXShapeGeometry, BevelsTracingShadowAndBitmapFace) {
  TQRXSimpleBevel bevel;
  bevel.SetWidth(2);
  bevel.SetStyle(TQRXSimpleBevelStyle::sbInset);
  bevel.SetShadowColor(clRed);
  bevel.SetLightColor(clLime);
  TQRXShadow shadow;
  shadow.SetDepth(4);
  shadow.SetColor(clBlack);
  shadow.SetStyle(TQRXShadowStyle::hssTracing);
  TBrush face;
  face.SetColor(clBlue);
  TBitmap b = White(110, 90);
  DrawShape(Rect(0, 0, 100, 80), b.Canvas(), TQRXShapeType::stRectangle, nullptr, false, face, 0, &bevel,
            &shadow, nullptr, clWhite, clWhite);
  QImage img = b.ToQImage();
  auto at = [&](int x, int y) { return img.pixel(x, y) & 0xFFFFFF; };
  EXPECT_EQ(at(1, 40), 0xFF0000u);   // inset: shadow colour at the left
  EXPECT_EQ(at(95, 40), 0x00FF00u);  // light colour at the right
  EXPECT_EQ(at(50, 40), 0x0000FFu);
  // The tracing shadow darkens every other pixel only.
  const QRgb a = at(96, 40), c = at(97, 40);
  EXPECT_NE(a, c);
  EXPECT_TRUE((a == 0 && c == 0xFFFFFF) || (a == 0xFFFFFF && c == 0));

  // A bitmap face: the texture inside the ellipse, the background outside.
  TBitmap texture;
  texture.SetSize(60, 60);
  texture.Canvas().Brush().SetColor(clFuchsia);
  texture.Canvas().FillRect(Rect(0, 0, 60, 60));
  TQRXSimpleBevel thin;
  thin.SetWidth(0);
  TBitmap e = White(70, 70);
  DrawShape(Rect(5, 5, 65, 65), e.Canvas(), TQRXShapeType::stEllipse, nullptr, false, face, 0, &thin, nullptr,
            &texture, clBlack, clWhite);
  img = e.ToQImage();
  EXPECT_EQ(at(35, 35), 0xFF00FFu);
  EXPECT_EQ(at(6, 6), 0xFFFFFFu);
  EXPECT_NEAR(CountColor(img, 0xFF00FF) / (std::numbers::pi * 30 * 30), 1.0, 0.05);
}
