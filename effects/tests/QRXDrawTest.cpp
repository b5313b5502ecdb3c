// The frame, picture and gradient routines, checked pixel by pixel against
// expectations worked out here by plain arithmetic.

#include <gtest/gtest.h>

#include <QPainter>

#include <cmath>
#include <map>
#include <set>

#include "effects/QRXDraw.h"

namespace {

TBitmap Blank(int w, int h, TColor color = clWhite) {
  TBitmap b;
  b.SetSize(w, h);
  b.Canvas().Brush().SetColor(color);
  b.Canvas().FillRect(Rect(0, 0, w, h));
  return b;
}

QRgb Px(int r, int g, int b) { return qRgb(r, g, b) & 0xFFFFFF; }

QRgb Rgb(TColor c) {
  const uint32_t v = ColorToRGB(c);
  return Px(GetRValue(v), GetGValue(v), GetBValue(v));
}

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

}  // namespace

TEST(QRXDraw, GradientColourTable) {
  TQRXColorList list;
  CalcGradientColors(clBlue, clBlack, 16, &list, true);
  ASSERT_EQ(list.size(), 16u);
  EXPECT_EQ(list.front(), TColor(0xFF0000));
  EXPECT_EQ(list.back(), TColor(0));
  // Channel i = 255 - 255 i / 15, rounded.
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(GetBValue(uint32_t(list[std::size_t(i)])), int(std::lround(255.0 - 255.0 * i / 15.0))) << i;
  // Without clearing, the first colour (the previous segment's last) is
  // left out: two colours add only the second.
  CalcGradientColors(clBlack, clRed, 2, &list, false);
  ASSERT_EQ(list.size(), 17u);
  EXPECT_EQ(list.back(), clRed);
  // One colour is the start colour; nothing for a count of 0 or no list.
  CalcGradientColors(clLime, clRed, 1, &list, true);
  EXPECT_EQ(list, TQRXColorList{clLime});
  CalcGradientColors(clLime, clRed, 0, &list, true);
  EXPECT_EQ(list.size(), 1u);
  CalcGradientColors(clLime, clRed, 5, nullptr, true);
  EXPECT_EQ(CreateGradientPalette(nullptr), nullptr);
  EXPECT_EQ(CreateGradientPalette(&list)->colors, TQRXColorList{clLime});
}

TEST(QRXDraw, LinearGradientBandsAndEndColours) {
  struct Case {
    TQRXGradientStyle style;
    int w, h, n;
    unsigned flags;
  };
  const Case cases[] = {
      {TQRXGradientStyle::gstVertical, 30, 437, 50, 0},
      {TQRXGradientStyle::gstVertical, 40, 300, 16, kQRXDrawOffscreen},
      {TQRXGradientStyle::gstHorizontal, 500, 20, 236, 0},
      {TQRXGradientStyle::gstHorizontal, 97, 10, 7, kQRXDrawOffscreen | kQRXDrawClip},
      // Few bands over a large area, and areas wider or taller than one
      // copied strip of bands.
      {TQRXGradientStyle::gstVertical, 600, 437, 8, 0},
      {TQRXGradientStyle::gstVertical, 600, 100, 50, 0},
      {TQRXGradientStyle::gstHorizontal, 700, 300, 236, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.style) * 1000 + c.n);
    TQRXColorList colors;
    CalcGradientColors(RGB(250, 10, 0), RGB(0, 10, 250), c.n, &colors, true);
    TBitmap b = Blank(c.w + 10, c.h + 10);
    DrawGradient(b.Canvas(), Rect(5, 5, 5 + c.w, 5 + c.h), c.style, &colors, nullptr, c.flags, 0);
    const QImage img = b.ToQImage();
    const bool vertical = c.style == TQRXGradientStyle::gstVertical;
    const int length = vertical ? c.h : c.w;
    // Walk along the gradient: a new band starts exactly at round(i L / n).
    std::set<QRgb> seen;
    int bands = 0;
    QRgb previous = 0xFFFFFFFF;
    for (int k = 0; k < length; ++k) {
      const QRgb p = vertical ? At(img, 5 + c.w / 2, 5 + k) : At(img, 5 + k, 5 + c.h / 2);
      // A band runs the whole way across.
      ASSERT_EQ(vertical ? At(img, 5 + c.w - 1, 5 + k) : At(img, 5 + k, 5 + c.h - 1), p) << k;
      ASSERT_EQ(vertical ? At(img, 5, 5 + k) : At(img, 5 + k, 5), p) << k;
      if (p != previous) {
        EXPECT_EQ(k, int(std::floor(double(bands) * length / c.n + 0.5))) << "band " << bands;
        ++bands;
        previous = p;
      }
      seen.insert(p);
    }
    EXPECT_EQ(bands, c.n);
    EXPECT_EQ(int(seen.size()), c.n);
    EXPECT_EQ(vertical ? At(img, 5, 5) : At(img, 5, 5 + c.h - 1), Px(250, 10, 0));
    EXPECT_EQ(vertical ? At(img, 5 + c.w - 1, 5 + c.h - 1) : At(img, 5 + c.w - 1, 5), Px(0, 10, 250));
    // Nothing outside the rectangle.
    EXPECT_EQ(At(img, 4, 4), Px(255, 255, 255));
    EXPECT_EQ(At(img, 5 + c.w, 5 + c.h), Px(255, 255, 255));
  }
}

TEST(QRXDraw, CentredAndCornerGradients) {
  TQRXColorList colors;
  CalcGradientColors(clWhite, clBlack, 8, &colors, true);
  struct Case {
    TQRXGradientStyle style;
    TPoint innermost;  // where colour 0 lies
    TPoint outermost;  // where the last colour lies
  };
  const Case cases[] = {
      {TQRXGradientStyle::gstSquare, {100, 60}, {1, 1}},
      {TQRXGradientStyle::gstElliptic, {100, 60}, {1, 1}},
      {TQRXGradientStyle::gstTopLeft, {0, 0}, {199, 119}},
      {TQRXGradientStyle::gstTopRight, {199, 0}, {0, 119}},
      {TQRXGradientStyle::gstBottomLeft, {0, 119}, {199, 0}},
      {TQRXGradientStyle::gstBottomRight, {199, 119}, {0, 0}},
      {TQRXGradientStyle::gstTopLeftDiagonal, {0, 0}, {199, 119}},
      {TQRXGradientStyle::gstTopRightDiagonal, {199, 0}, {0, 119}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.style));
    TBitmap b = Blank(200, 120, clRed);
    DrawGradient(b.Canvas(), Rect(0, 0, 200, 120), c.style, &colors, nullptr, kQRXDrawOffscreen, 0);
    const QImage img = b.ToQImage();
    EXPECT_EQ(At(img, c.innermost.X, c.innermost.Y), Px(255, 255, 255));
    EXPECT_EQ(At(img, c.outermost.X, c.outermost.Y), Px(0, 0, 0));
    std::set<QRgb> seen;
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 200; ++x) seen.insert(At(img, x, y));
    EXPECT_EQ(seen.size(), 8u);  // every band shows, nothing else
  }
}

TEST(QRXDraw, EllipticBandsCoverTheAreasOfTheirRings) {
  struct Case {
    int w, h, n;
    unsigned flags;
  };
  const Case cases[] = {{400, 300, 6, 0}, {600, 200, 10, kQRXDrawOffscreen}, {301, 151, 4, kQRXDrawClip}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.w * 1000 + c.n);
    TQRXColorList colors;
    CalcGradientColors(RGB(0, 0, 250), RGB(250, 0, 0), c.n, &colors, true);
    TBitmap b = Blank(c.w, c.h, clLime);
    DrawGradient(b.Canvas(), Rect(0, 0, c.w, c.h), TQRXGradientStyle::gstElliptic, &colors, nullptr, c.flags, 0);
    const QImage img = b.ToQImage();
    std::map<QRgb, int> area;
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) ++area[At(img, x, y)];
    // Ellipse i has the half-axes round(w (i + 1) / n / 1.4) and likewise
    // for h; the rings of the ellipses that fit in the area are whole.
    double inner = 0;
    for (int i = 0; i + 1 < c.n; ++i) {
      const double a = std::round(std::round(double(c.w) * (i + 1) / c.n) / 1.4);
      const double e = std::round(std::round(double(c.h) * (i + 1) / c.n) / 1.4);
      const double ring = M_PI * a * e - inner;
      inner = M_PI * a * e;
      if (a > c.w / 2 || e > c.h / 2) break;
      EXPECT_NEAR(area[Rgb(colors[std::size_t(i)])], ring, ring * 0.01) << "band " << i;
    }
    // The largest ellipse reaches past the corners: no pixel keeps the lime.
    EXPECT_EQ(area.count(Rgb(clLime)), 0u);
  }
}

// The gradient on every kind of surface a canvas draws on must come out
// the same as through a painter held open by the caller (a widget's paint
// event), under every kind of clip, reaching past the surface or not.
TEST(QRXDraw, GradientsAgreeOnEverySurface) {
  enum Surface { kBitmap32, kBitmap24, kBitmap8, kImageRgb32, kImageArgb32, kImageRgb24 };
  struct Case {
    TQRXGradientStyle style;
    int n;
    TRect rect;
    unsigned flags;
    bool hole;  // a clip region with a hole cut into it, set before drawing
  };
  using enum TQRXGradientStyle;
  const Case cases[] = {
      {gstVertical, 236, Rect(3, 4, 150, 110), 0, false},
      {gstVertical, 7, Rect(-20, -9, 170, 90), kQRXDrawClip, false},
      {gstVertical, 40, Rect(10, 2, 200, 140), 0, true},
      {gstHorizontal, 236, Rect(-35, 5, 121, 100), 0, true},
      {gstHorizontal, 9, Rect(0, 0, 160, 120), kQRXDrawOffscreen | kQRXDrawClip, false},
      {gstElliptic, 30, Rect(4, 6, 150, 100), 0, false},
      {gstElliptic, 12, Rect(-30, 20, 130, 130), kQRXDrawClip, true},
      {gstElliptic, 5, Rect(5, 5, 150, 115), kQRXDrawOffscreen, true},
  };
  constexpr int kW = 160, kH = 120;
  auto draw = [](TCanvas& canvas, const Case& c) {
    if (c.hole) {
      const QRegion all(0, 0, kW, kH);
      canvas.SelectClipRgn(&all);
      canvas.ExcludeClipRect(Rect(40, 30, 90, 70));
    }
    TQRXColorList colors;
    CalcGradientColors(RGB(240, 30, 5), RGB(5, 60, 230), c.n, &colors, true);
    DrawGradient(canvas, c.rect, c.style, &colors, nullptr, c.flags, 0);
    canvas.SelectClipRgn(nullptr);
  };
  auto fresh = [](QImage::Format format) {
    QImage image(kW, kH, format);
    image.fill(QColor(0, 255, 0));
    return image;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.style) * 1000 + c.n);
    QImage expected = fresh(QImage::Format_RGB32);
    {
      QPainter painter(&expected);
      TCanvas canvas;
      canvas.BeginPainting(&painter);
      draw(canvas, c);
      canvas.EndPainting();
    }
    for (Surface surface : {kBitmap32, kBitmap24, kBitmap8, kImageRgb32, kImageArgb32, kImageRgb24}) {
      SCOPED_TRACE(int(surface));
      QImage got;
      if (surface <= kBitmap8) {
        TBitmap b;
        b.SetSize(kW, kH);
        if (surface == kBitmap24) b.SetPixelFormat(pf24bit);
        if (surface == kBitmap8) {
          // A palette holding every colour drawn, so none is approximated.
          b.SetPixelFormat(pf8bit);
          TQRXColorList colors;
          CalcGradientColors(RGB(240, 30, 5), RGB(5, 60, 230), c.n, &colors, true);
          std::vector<TRGBQuad> palette{{0, 255, 0, 0}, {255, 255, 255, 0}};
          for (TColor color : colors) {
            const uint32_t v = ColorToRGB(color);
            palette.push_back({uint8_t(GetBValue(v)), uint8_t(GetGValue(v)), uint8_t(GetRValue(v)), 0});
          }
          b.SetPalette(palette);
        }
        b.Canvas().Brush().SetColor(clLime);
        b.Canvas().FillRect(Rect(0, 0, kW, kH));
        draw(b.Canvas(), c);
        got = b.ToQImage();
      } else {
        got = fresh(surface == kImageRgb32   ? QImage::Format_RGB32
                    : surface == kImageArgb32 ? QImage::Format_ARGB32
                                              : QImage::Format_RGB888);
        TCanvas canvas(&got);
        draw(canvas, c);
        got = got.convertToFormat(QImage::Format_RGB32);
      }
      ASSERT_EQ(got, expected);
    }
  }
}

TEST(QRXDraw, GradientEdgeCases) {
  TBitmap b = Blank(50, 40);
  TQRXColorList one{clGreen};
  DrawGradient(b.Canvas(), Rect(0, 0, 50, 40), TQRXGradientStyle::gstElliptic, &one, nullptr,
               kQRXDrawOffscreen, 0);
  const QImage img = b.ToQImage();
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 50; ++x) ASSERT_EQ(At(img, x, y), Rgb(clGreen)) << x << "," << y;
  // Empty list, missing list, empty rectangle: nothing at all.
  TBitmap c = Blank(20, 20);
  TQRXColorList none;
  DrawGradient(c.Canvas(), Rect(0, 0, 20, 20), TQRXGradientStyle::gstVertical, &none, nullptr, 0, 0);
  DrawGradient(c.Canvas(), Rect(0, 0, 20, 20), TQRXGradientStyle::gstVertical, nullptr, nullptr, 0, 0);
  DrawGradient(c.Canvas(), Rect(5, 5, 5, 20), TQRXGradientStyle::gstVertical, &one, nullptr, 0, 0);
  EXPECT_EQ(c.ToQImage(), Blank(20, 20).ToQImage());
}

TEST(QRXDraw, BevelFrames) {
  TBitmap b = Blank(20, 20);
  TRect r = Rect(0, 0, 20, 20);
  EXPECT_FALSE(DrawBevelFrame(b.Canvas(), r, TQRXBevelStyle::bvShadow, clWhite, clBlack, 2));
  EXPECT_FALSE(DrawBevelFrame(b.Canvas(), r, TQRXBevelStyle::bvRaised, clWhite, clBlack, 0));
  EXPECT_EQ(r, Rect(0, 0, 20, 20));
  EXPECT_TRUE(DrawBevelFrame(b.Canvas(), r, TQRXBevelStyle::bvFrameRaised, clWhite, clBlack, 2));
  EXPECT_EQ(r, Rect(3, 3, 17, 17));

  // A lowered ring of width 1: shadow along top and left, light along
  // bottom and right, the inside untouched.
  TBitmap c = Blank(10, 8, clBlue);
  TRect q = Rect(0, 0, 10, 8);
  EXPECT_TRUE(DrawBevelFrame(c.Canvas(), q, TQRXBevelStyle::bvLowered, clYellow, clRed, 1));
  EXPECT_EQ(q, Rect(1, 1, 9, 7));
  const QImage img = c.ToQImage();
  EXPECT_EQ(At(img, 0, 0), Rgb(clRed));
  EXPECT_EQ(At(img, 5, 0), Rgb(clRed));
  EXPECT_EQ(At(img, 0, 6), Rgb(clRed));
  EXPECT_EQ(At(img, 9, 7), Rgb(clYellow));
  EXPECT_EQ(At(img, 5, 7), Rgb(clYellow));
  EXPECT_EQ(At(img, 9, 3), Rgb(clYellow));
  EXPECT_EQ(At(img, 4, 4), Rgb(clBlue));

  // Width 3 raised: light top-left band, shadow bottom-right band.
  TBitmap d = Blank(30, 30, clBlue);
  TRect s = Rect(0, 0, 30, 30);
  DrawBevelFrame(d.Canvas(), s, TQRXBevelStyle::bvRaised, clWhite, clBlack, 3);
  EXPECT_EQ(s, Rect(3, 3, 27, 27));
  const QImage di = d.ToQImage();
  EXPECT_EQ(At(di, 1, 15), Rgb(clWhite));
  EXPECT_EQ(At(di, 15, 1), Rgb(clWhite));
  EXPECT_EQ(At(di, 28, 15), Rgb(clBlack));
  EXPECT_EQ(At(di, 15, 28), Rgb(clBlack));
  EXPECT_EQ(At(di, 15, 15), Rgb(clBlue));
}

TEST(QRXDraw, ShadowFrameAndBorderExtents) {
  TBitmap b = Blank(20, 20, clBlue);
  TRect r = Rect(0, 0, 20, 20);
  DrawShadowFrame(b.Canvas(), r, clWhite, clBlack, clRed, 3, 1, false);
  EXPECT_EQ(r, Rect(1, 1, 16, 16));
  const QImage img = b.ToQImage();
  EXPECT_EQ(At(img, 18, 10), Rgb(clBlack));  // shadow at the right
  EXPECT_EQ(At(img, 10, 18), Rgb(clBlack));  // and at the bottom
  EXPECT_EQ(At(img, 18, 1), Rgb(clRed));     // corner squares in the border colour
  EXPECT_EQ(At(img, 1, 18), Rgb(clRed));
  EXPECT_EQ(At(img, 0, 0), Rgb(clWhite));  // the inner frame
  EXPECT_EQ(At(img, 8, 8), Rgb(clBlue));

  EXPECT_EQ(BorderStyleExtent(TQRXBorderStyle::lsNone), 0);
  EXPECT_EQ(BorderStyleExtent(TQRXBorderStyle::lsSingleLowered), 1);
  EXPECT_EQ(BorderStyleExtent(TQRXBorderStyle::lsDoubleRaised), 2);
  // Each standard border takes exactly its extent from every side, except
  // the two whose second ring covers two sides only.
  for (int s = 0; s <= int(TQRXBorderStyle::lsDoubleLowered); ++s) {
    const auto style = TQRXBorderStyle(s);
    TBitmap e = Blank(20, 20);
    TRect q = Rect(0, 0, 20, 20);
    EXPECT_TRUE(DrawEdgeFrame(e.Canvas(), q, style, 0));
    const int k = BorderStyleExtent(style);
    if (style == TQRXBorderStyle::lsRaisedspb || style == TQRXBorderStyle::lsLoweredspb ||
        style == TQRXBorderStyle::lsSingle)
      continue;
    EXPECT_EQ(q, Rect(k, k, 20 - k, 20 - k)) << s;
  }
}

TEST(QRXDraw, Arrows) {
  TBitmap b = Blank(20, 20);
  DrawArrow(b.Canvas(), 2, 2, 4, clBlack, true, true);
  const QImage img = b.ToQImage();
  // Rows of 7, 5, 3 and 1 pixels, each one further in.
  const int widths[] = {7, 5, 3, 1};
  for (int row = 0; row < 4; ++row)
    for (int x = 0; x < 20; ++x) {
      const bool inside = x >= 2 + row && x < 2 + row + widths[row];
      EXPECT_EQ(At(img, x, 2 + row) == 0, inside) << x << "," << row;
    }
  TBitmap none = Blank(20, 20);
  DrawArrow(none.Canvas(), 2, 2, 16, clBlack, true, true);
  DrawArrow(none.Canvas(), 2, 2, 1, clBlack, false, true);
  EXPECT_EQ(none.ToQImage(), Blank(20, 20).ToQImage());
  // Disabled: the highlight copy one pixel down and right shows below the
  // grey one.
  TBitmap d = Blank(20, 20, clBlack);
  DrawArrow(d.Canvas(), 2, 2, 3, clBlack, false, false);
  const QImage di = d.ToQImage();
  EXPECT_EQ(At(di, 3, 2), Rgb(clGrayText));  // up arrow's tip at x + size div 2
  EXPECT_EQ(At(di, 4, 3), Rgb(clGrayText));
  EXPECT_EQ(At(di, 6, 5), Rgb(clHighlightText));
}

TEST(QRXDraw, StyledBitmapPlacement) {
  TBitmap tile = Blank(10, 10, clRed);
  tile.Canvas().Brush().SetColor(clBlue);
  tile.Canvas().FillRect(Rect(0, 0, 1, 1));
  const TRect src = Rect(0, 0, 10, 10);
  struct Case {
    unsigned flags;
    TRect drawn;
  };
  const Case cases[] = {
      {0, Rect(5, 5, 15, 15)},
      {kQRXDrawCenter, Rect(15, 20, 25, 30)},
      {kQRXDrawStretch, Rect(5, 5, 35, 45)},
      {kQRXDrawStretch | kQRXDrawFit, Rect(5, 5, 35, 35)},
      {kQRXDrawStretch | kQRXDrawKeepWidth, Rect(5, 5, 35, 35)},
      {kQRXDrawStretch | kQRXDrawKeepHeight, Rect(5, 5, 45, 45)},
      {kQRXDrawTile, Rect(5, 5, 15, 15)},
  };
  for (const Case& c : cases) {
    TBitmap b = Blank(60, 60);
    TRect drawn;
    DrawBitmapStyled(b.Canvas(), Rect(5, 5, 35, 45), tile.Canvas(), src, c.flags, clNone, nullptr, nullptr,
                     nullptr, &drawn);
    EXPECT_EQ(drawn, c.drawn) << c.flags;
    const QImage img = b.ToQImage();
    EXPECT_EQ(At(img, drawn.Left, drawn.Top), Px(0, 0, 255)) << c.flags;
  }
  // A 10 x 10 tile in 25 x 25 is copied 4 x 4 times: beyond the destination
  // without the clip flag, cut at its edge with it.
  TBitmap open = Blank(60, 60), clipped = Blank(60, 60);
  DrawBitmapClipped(open.Canvas(), Rect(0, 0, 25, 25), tile.Canvas(), src, kQRXDrawTile, 0, clNone, nullptr,
                    nullptr);
  DrawBitmapClipped(clipped.Canvas(), Rect(0, 0, 25, 25), tile.Canvas(), src, kQRXDrawTile | kQRXDrawClip, 0,
                    clNone, nullptr, nullptr);
  const QImage o = open.ToQImage(), c = clipped.ToQImage();
  int openCorners = 0;
  for (int r = 0; r < 5; ++r)
    for (int col = 0; col < 5; ++col) openCorners += At(o, col * 10, r * 10) == Px(0, 0, 255);
  EXPECT_EQ(openCorners, 16);
  EXPECT_EQ(At(o, 39, 39), Px(255, 0, 0));
  EXPECT_EQ(At(c, 24, 24), Px(255, 0, 0));
  EXPECT_EQ(At(c, 25, 25), Px(255, 255, 255));
  EXPECT_EQ(At(c, 30, 0), Px(255, 255, 255));
  EXPECT_FALSE(clipped.Canvas().HasClipRegion());
}

TEST(QRXDraw, BitmapTransparency) {
  // A red square with a white border; white is the transparent colour.
  TBitmap pic = Blank(8, 8, clWhite);
  pic.Canvas().Brush().SetColor(clRed);
  pic.Canvas().FillRect(Rect(2, 2, 6, 6));
  pic.SetTransparentColor(clWhite);

  TBitmap keyed = Blank(8, 8, clBlue);
  DrawBitmapPalette(keyed.Canvas(), Rect(0, 0, 8, 8), pic, kQRXDrawMaskColor, 0, clWhite);
  TBitmap brush = Blank(8, 8, clBlue);
  DrawBitmapPalette(brush.Canvas(), Rect(0, 0, 8, 8), pic, kQRXDrawBrushCopy, 0, clLime);
  TBitmap mask, image;
  MakeMaskPair(pic, mask, image, clWhite);
  TBitmap masked = Blank(8, 8, clBlue);
  DrawBitmapStyled(masked.Canvas(), Rect(0, 0, 8, 8), image.Canvas(), Rect(0, 0, 8, 8), kQRXDrawMaskCanvas,
                   clNone, nullptr, nullptr, &mask.Canvas());
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= 2 && x < 6 && y >= 2 && y < 6;
      const QRgb red = Px(255, 0, 0);
      EXPECT_EQ(At(keyed.ToQImage(), x, y), inside ? red : Px(0, 0, 255));
      EXPECT_EQ(At(brush.ToQImage(), x, y), inside ? red : Px(0, 255, 0));
      EXPECT_EQ(At(masked.ToQImage(), x, y), inside ? red : Px(0, 0, 255));
      EXPECT_EQ(At(mask.ToQImage(), x, y), inside ? 0u : 0xFFFFFFu);
      EXPECT_EQ(At(image.ToQImage(), x, y), inside ? red : 0u);
    }
}

TEST(QRXDraw, DisabledGlyphTones) {
  // Background at (0, 0). Brightnesses 765, 0, 540, 300 average 401.25, so
  // the thresholds are 751, 451 and 251.
  TBitmap glyph = Blank(5, 1, clFuchsia);
  glyph.Canvas().SetPixel(1, 0, RGB(255, 255, 255));
  glyph.Canvas().SetPixel(2, 0, RGB(0, 0, 0));
  glyph.Canvas().SetPixel(3, 0, RGB(180, 180, 180));
  glyph.Canvas().SetPixel(4, 0, RGB(100, 100, 100));
  TBitmap out;
  MakeDisabledGlyph(out, glyph);
  const QImage img = out.ToQImage();
  EXPECT_EQ(At(img, 0, 0), Rgb(clFuchsia));
  EXPECT_EQ(At(img, 1, 0), Px(255, 255, 255));
  EXPECT_EQ(At(img, 2, 0), Px(0, 0, 0));
  EXPECT_EQ(At(img, 3, 0), Rgb(clBtnHighlight));
  EXPECT_EQ(At(img, 4, 0), Rgb(clBtnShadow));
}

TEST(QRXDraw, AlignRect) {
  const TRect inner = Rect(0, 0, 10, 6), outer = Rect(100, 200, 131, 221);
  struct Case {
    TQRXAlignment a;
    int x, y;
  };
  const Case cases[] = {{TQRXAlignment::agTopLeft, 100, 200},    {TQRXAlignment::agTopCenter, 110, 200},
                        {TQRXAlignment::agTopRight, 121, 200},   {TQRXAlignment::agCenterLeft, 100, 207},
                        {TQRXAlignment::agCenter, 110, 207},     {TQRXAlignment::agCenterRight, 121, 207},
                        {TQRXAlignment::agBottomLeft, 100, 215}, {TQRXAlignment::agBottomCenter, 110, 215},
                        {TQRXAlignment::agBottomRight, 121, 215}};
  for (const Case& c : cases) EXPECT_EQ(AlignRect(c.a, inner, outer), Bounds(c.x, c.y, 10, 6)) << int(c.a);
}
