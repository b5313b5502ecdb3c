// Canvas primitives checked pixel by pixel on bitmaps.

#include <gtest/gtest.h>

#include <QPainter>
#include <QTest>
#include <QWidget>
#include <functional>
#include <vector>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"

namespace {

// A white 20 x 20 bitmap of the given format.
std::unique_ptr<TBitmap> White(TPixelFormat format = pf24bit, int w = 20, int h = 20) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(format);
  b->SetSize(w, h);
  return b;
}

// The pixels of a bitmap as text, one char per pixel: '.' white, '#' the
// probe colour, '?' anything else.
std::string Row(TBitmap& b, int y, TColor ink) {
  std::string s;
  for (int x = 0; x < b.Width(); ++x) {
    const TColor c = b.Canvas().Pixel(x, y);
    s += c == clWhite ? '.' : c == ink ? '#' : '?';
  }
  return s;
}

}  // namespace

TEST(Canvas, FillRectExcludesRightAndBottom) {
  auto b = White();
  b->Canvas().Brush().SetColor(clRed);
  b->Canvas().FillRect(Rect(2, 3, 6, 5));
  EXPECT_EQ(Row(*b, 2, clRed), "....................");
  EXPECT_EQ(Row(*b, 3, clRed), "..####..............");
  EXPECT_EQ(Row(*b, 4, clRed), "..####..............");
  EXPECT_EQ(Row(*b, 5, clRed), "....................");
}

TEST(Canvas, LineLeavesOutItsEndPoint) {
  auto b = White();
  TCanvas& c = b->Canvas();
  c.Pen().SetColor(clBlue);
  c.MoveTo(1, 1);
  c.LineTo(6, 1);
  EXPECT_EQ(Row(*b, 1, clBlue), ".#####..............");
  EXPECT_EQ(c.PenPos(), Point(6, 1));
  c.LineTo(6, 4);  // continues from the end point, which it draws now
  EXPECT_EQ(c.Pixel(6, 1), clBlue);
  EXPECT_EQ(c.Pixel(6, 3), clBlue);
  EXPECT_EQ(c.Pixel(6, 4), clWhite);
}

// Lines are cut to what can be drawn before their pixels are made; the
// cut keeps every pixel the whole line puts on the surface and still
// leaves out the end point.
TEST(Canvas, LinesReachingFarPastTheSurfaceDrawTheirPartOfIt) {
  const struct Case {
    const char* name;
    TPoint from, to;
    TRect clip;   // empty: no clip region
    bool column;  // read column `at` top to bottom, else row `at`
    int at;
    const char* expect;
  } cases[] = {
      {"level, both ends far out", {-40000, 2}, {40000, 2}, {}, false, 2, "####################"},
      {"level, leftwards from inside", {12, 3}, {-40000, 3}, {}, false, 3, "#############......."},
      {"level, ending inside", {-40000, 4}, {12, 4}, {}, false, 4, "############........"},
      {"level, leftwards to inside", {40000, 5}, {12, 5}, {}, false, 5, ".............#######"},
      {"level, in a clip region", {-40000, 6}, {40000, 6}, {5, 0, 15, 20}, false, 6, ".....##########....."},
      {"level, row clipped away", {-40000, 7}, {40000, 7}, {0, 8, 20, 20}, false, 7, "...................."},
      {"upright, upwards far out", {5, 40000}, {5, -40000}, {}, true, 5, "####################"},
      {"upright, ending inside", {6, -40000}, {6, 9}, {}, true, 6, "#########..........."},
      {"upright, upwards to inside", {7, 40000}, {7, 9}, {}, true, 7, "..........##########"},
      {"slanted through the corner", {-40000, -40000}, {40000, 40000}, {}, false, 7, ".......#............"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    auto b = White();
    TCanvas& c = b->Canvas();
    if (!k.clip.IsEmpty()) c.IntersectClipRect(k.clip);
    c.Pen().SetColor(clBlue);
    c.MoveTo(k.from.X, k.from.Y);
    c.LineTo(k.to.X, k.to.Y);
    c.SelectClipRgn(nullptr);
    std::string seen;
    if (k.column)
      for (int y = 0; y < b->Height(); ++y) seen += c.Pixel(k.at, y) == clBlue ? '#' : '.';
    else
      seen = Row(*b, k.at, clBlue);
    EXPECT_EQ(seen, k.expect);
  }
}

TEST(Canvas, RectangleOutlineAndInside) {
  auto b = White();
  TCanvas& c = b->Canvas();
  c.Pen().SetColor(clBlack);
  c.Brush().SetColor(clRed);
  c.Rectangle(1, 1, 6, 5);
  EXPECT_EQ(Row(*b, 1, clBlack), ".#####..............");
  EXPECT_EQ(Row(*b, 2, clBlack), ".#???#..............");
  EXPECT_EQ(c.Pixel(2, 2), clRed);
  EXPECT_EQ(Row(*b, 4, clBlack), ".#####..............");
  EXPECT_EQ(Row(*b, 5, clBlack), "....................");
}

TEST(Canvas, RectangleWithoutPenIsOnePixelSmaller) {
  auto b = White();
  TCanvas& c = b->Canvas();
  c.Pen().SetStyle(psClear);
  c.Brush().SetColor(clRed);
  c.Rectangle(1, 1, 6, 5);
  EXPECT_EQ(Row(*b, 1, clRed), ".####...............");
  EXPECT_EQ(Row(*b, 3, clRed), ".####...............");
  EXPECT_EQ(Row(*b, 4, clRed), "....................");
}

TEST(Canvas, PenModesCombineWithWhatIsThere) {
  struct Case {
    TPenMode mode;
    TColor under;
    TColor pen;
    TColor expect;
  };
  const Case cases[] = {
      {pmCopy, clWhite, clRed, clRed},
      {pmXor, RGB(0xF0, 0x0F, 0x55), RGB(0xFF, 0xFF, 0x00), RGB(0x0F, 0xF0, 0x55)},
      {pmNot, RGB(0x12, 0x34, 0x56), clRed, RGB(0xED, 0xCB, 0xA9)},
      {pmMask, RGB(0xF0, 0xF0, 0xF0), RGB(0x3C, 0x3C, 0x3C), RGB(0x30, 0x30, 0x30)},
      {pmMerge, RGB(0xF0, 0x00, 0x0F), RGB(0x0F, 0x00, 0xF0), RGB(0xFF, 0x00, 0xFF)},
      {pmNotCopy, clWhite, RGB(0x00, 0xFF, 0x10), RGB(0xFF, 0x00, 0xEF)},
      {pmBlack, clWhite, clRed, clBlack},
      {pmWhite, clBlack, clRed, clWhite},
      {pmNop, clBlue, clRed, clBlue},
  };
  for (const Case& c : cases) {
    for (TPixelFormat f : {pf24bit, pf32bit}) {
      auto b = White(f);
      TCanvas& cv = b->Canvas();
      cv.Brush().SetColor(c.under);
      cv.FillRect(Rect(0, 0, 20, 20));
      cv.Pen().SetColor(c.pen);
      cv.Pen().SetMode(c.mode);
      cv.MoveTo(2, 5);
      cv.LineTo(10, 5);
      EXPECT_EQ(cv.Pixel(5, 5), c.expect) << "mode " << c.mode << " format " << f;
      EXPECT_EQ(cv.Pixel(10, 5), c.under) << "end point, mode " << c.mode;
    }
  }
}

TEST(Canvas, XorRectangleTwiceRestores) {
  auto b = White();
  TCanvas& c = b->Canvas();
  c.Brush().SetColor(clTeal);
  c.FillRect(Rect(3, 3, 12, 12));
  const QImage before = b->ToQImage();
  c.Pen().SetMode(pmXor);
  c.Pen().SetColor(clWhite);
  c.Brush().SetStyle(bsClear);
  c.Rectangle(1, 1, 15, 9);
  EXPECT_NE(b->ToQImage(), before);
  c.Rectangle(1, 1, 15, 9);
  EXPECT_EQ(b->ToQImage(), before);
  c.DrawFocusRect(Rect(2, 2, 17, 17));
  EXPECT_NE(b->ToQImage(), before);
  c.DrawFocusRect(Rect(2, 2, 17, 17));
  EXPECT_EQ(b->ToQImage(), before);
}

TEST(Canvas, DashedPensFollowTheirPattern) {
  auto b = White(pf24bit, 40, 4);
  TCanvas& c = b->Canvas();
  c.Pen().SetColor(clBlack);
  c.Pen().SetStyle(psDot);
  c.MoveTo(0, 1);
  c.LineTo(40, 1);
  EXPECT_EQ(Row(*b, 1, clBlack), "###...###...###...###...###...###...###.");
  c.Pen().SetStyle(psDash);
  c.MoveTo(0, 2);
  c.LineTo(30, 2);
  EXPECT_EQ(Row(*b, 2, clBlack), "##################......######..........");
}

TEST(Canvas, HatchAndPatternBrushesAreAnchoredAtTheBrushOrigin) {
  auto b = White(pf24bit, 16, 16);
  TCanvas& c = b->Canvas();
  c.Brush().SetColor(clBlack);
  c.Brush().SetStyle(bsVertical);
  c.FillRect(Rect(0, 0, 16, 8));
  // The hatch is drawn on a transparent background: white stays white.
  EXPECT_EQ(Row(*b, 0, clBlack), "....#.......#...");
  c.SetBrushOrigin(Point(2, 0));
  c.FillRect(Rect(0, 8, 16, 16));
  EXPECT_EQ(Row(*b, 8, clBlack), "......#.......#.");

  TBitmap pattern;
  pattern.SetSize(2, 2);
  pattern.Canvas().SetPixel(0, 0, clRed);
  pattern.Canvas().SetPixel(1, 1, clRed);
  auto d = White(pf24bit, 6, 3);
  d->Canvas().Brush().SetBitmap(&pattern);
  d->Canvas().SetBrushOrigin(Point(1, 0));
  d->Canvas().FillRect(Rect(0, 0, 6, 3));
  EXPECT_EQ(Row(*d, 0, clRed), ".#.#.#");
  EXPECT_EQ(Row(*d, 1, clRed), "#.#.#.");
}

TEST(Canvas, ClipRegionsNarrowAndExclude) {
  auto b = White();
  TCanvas& c = b->Canvas();
  c.IntersectClipRect(Rect(2, 0, 12, 20));
  c.ExcludeClipRect(Rect(5, 0, 8, 20));
  EXPECT_EQ(c.ClipRect(), Rect(2, 0, 12, 20));
  c.Brush().SetColor(clRed);
  c.FillRect(Rect(0, 0, 20, 2));
  // Pixels outside the clip region cannot be read.
  EXPECT_EQ(c.Pixel(0, 0), clNone);
  const QRegion only(QRect(15, 10, 2, 2));
  c.SelectClipRgn(&only);
  c.FillRect(Rect(0, 0, 20, 20));
  c.SelectClipRgn(nullptr);
  EXPECT_EQ(Row(*b, 0, clRed), "..###...####........");
  EXPECT_EQ(Row(*b, 10, clRed), "...............##...");
  EXPECT_FALSE(c.HasClipRegion());
  const QRegion beyond(-100, 15, 1000, 1000);
  c.SelectClipRgn(&beyond);
  EXPECT_EQ(c.ClipRect(), Rect(0, 15, 20, 20));
  c.SelectClipRgn(nullptr);
  EXPECT_EQ(c.ClipRect(), Rect(0, 0, 20, 20));
}

// Drawing code sizes its work by the clip box (tiles, sampled pictures):
// on a window's painter that is the region being repainted, narrowed by
// the painter's own clip, never the whole of a huge control.
TEST(Canvas, OnAWindowsPainterTheClipBoxIsWhatIsRepainted) {
  struct Probe : QWidget {
    using QWidget::QWidget;
    std::vector<TRect> seen;
    void paintEvent(QPaintEvent*) override {
      QPainter painter(this);
      TCanvas canvas(this);
      canvas.BeginPainting(&painter);
      seen.push_back(canvas.ClipRect());
      painter.setClipRect(0, 0, 25, 25);
      seen.push_back(canvas.ClipRect());
      painter.setClipping(false);
      // A region selected on the canvas may reach past the surface too.
      const QRegion most(30, 0, 39970, 40000);
      canvas.SelectClipRgn(&most);
      seen.push_back(canvas.ClipRect());
      canvas.SelectClipRgn(nullptr);
      painter.translate(-1000, -2000);
      seen.push_back(canvas.ClipRect());
      canvas.EndPainting();
    }
  };
  QWidget window;
  window.resize(200, 150);
  auto* probe = new Probe(&window);
  probe->setGeometry(0, 0, 40000, 40000);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  probe->seen.clear();
  probe->repaint(10, 20, 30, 40);
  ASSERT_EQ(probe->seen.size(), 4u);
  EXPECT_EQ(probe->seen[0], Rect(10, 20, 40, 60));
  EXPECT_EQ(probe->seen[1], Rect(10, 20, 25, 25));
  EXPECT_EQ(probe->seen[2], Rect(30, 20, 40, 60));
  EXPECT_EQ(probe->seen[3], Rect(1010, 2020, 1040, 2060));
}

TEST(Canvas, ShapesStayInsideTheirBoundingRectangle) {
  struct Case {
    const char* name;
    std::function<void(TCanvas&)> draw;
  };
  const Case cases[] = {
      {"Ellipse", [](TCanvas& c) { c.Ellipse(2, 3, 12, 9); }},
      {"RoundRect", [](TCanvas& c) { c.RoundRect(2, 3, 12, 9, 4, 4); }},
      {"Pie", [](TCanvas& c) { c.Pie(2, 3, 12, 9, 2, 6, 12, 6); }},
      {"Polygon",
       [](TCanvas& c) {
         const TPoint pts[] = {{2, 3}, {11, 3}, {11, 8}, {2, 8}};
         c.Polygon(pts);
       }},
  };
  for (const Case& k : cases) {
    auto b = White();
    b->Canvas().Pen().SetColor(clBlack);
    b->Canvas().Brush().SetColor(clRed);
    k.draw(b->Canvas());
    int minX = 99, minY = 99, maxX = -1, maxY = -1;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x)
        if (b->Canvas().Pixel(x, y) != clWhite) {
          minX = std::min(minX, x), maxX = std::max(maxX, x);
          minY = std::min(minY, y), maxY = std::max(maxY, y);
        }
    EXPECT_EQ(minX, 2) << k.name;
    EXPECT_EQ(maxX, 11) << k.name;
    EXPECT_GE(minY, 3) << k.name;
    EXPECT_EQ(maxY, 8) << k.name;
  }
}

TEST(Canvas, PaletteBitmapsTakeTheNearestEntryAndKeepUntouchedIndexes) {
  TBitmap b;
  b.SetPixelFormat(pf8bit);
  b.SetSize(4, 1);
  std::vector<TRGBQuad> pal(4);
  pal[0] = {0, 0, 0, 0};
  pal[1] = {0, 0, 0, 0};  // the same colour twice: index 1 must survive
  pal[2] = {0, 0, 250, 0};
  pal[3] = {255, 255, 255, 0};
  b.SetPalette(pal);
  b.ScanLine(0)[0] = 1;
  b.ScanLine(0)[1] = 3;
  b.Canvas().SetPixel(2, 0, clRed);
  b.Canvas().Brush().SetColor(RGB(200, 10, 10));
  b.Canvas().FillRect(Rect(3, 0, 4, 1));
  EXPECT_EQ(b.ScanLine(0)[0], 1);
  EXPECT_EQ(b.ScanLine(0)[1], 3);
  EXPECT_EQ(b.ScanLine(0)[2], 2);
  EXPECT_EQ(b.ScanLine(0)[3], 2);
}

// Whatever moves or replaces a 32-bit bitmap's pixels between two calls,
// the next call draws into the pixels the bitmap has then, and nowhere else.
TEST(Canvas, BitmapCanvasFollowsItsPixelMemory) {
  struct Case {
    const char* what;
    std::function<void(TBitmap& b, TBitmap& other)> change;
  };
  const Case cases[] = {
      {"resized away and back",
       [](TBitmap& b, TBitmap&) {
         b.SetSize(300, 200);
         b.SetSize(20, 20);
       }},
      {"assigned one of its size", [](TBitmap& b, TBitmap& other) { b.Assign(other); }},
      {"assigned another size",
       [](TBitmap& b, TBitmap& other) {
         other.SetSize(25, 22);
         b.Assign(other);
       }},
      {"through 24 bits and back",
       [](TBitmap& b, TBitmap&) {
         b.SetPixelFormat(pf24bit);
         b.SetPixelFormat(pf32bit);
       }},
      {"loaded from bytes", [](TBitmap& b, TBitmap& other) { b.LoadFromBytes(other.SaveToBytes()); }},
  };
  auto pixel = [](const TBitmap& b, int x, int y) {
    return reinterpret_cast<const uint32_t*>(b.ScanLine(y))[x] & 0xFFFFFF;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto b = White(pf32bit);
    auto other = White(pf32bit);
    b->Canvas().Brush().SetColor(clRed);
    b->Canvas().FillRect(Rect(0, 0, 2, 2));
    ASSERT_EQ(pixel(*b, 1, 1), 0xFF0000u);
    c.change(*b, *other);
    b->Canvas().Brush().SetColor(clBlue);
    b->Canvas().FillRect(Rect(5, 6, 8, 9));
    EXPECT_EQ(pixel(*b, 6, 7), 0x0000FFu);
    EXPECT_EQ(pixel(*b, 9, 7), 0xFFFFFFu);
    EXPECT_EQ(pixel(*other, 6, 7), 0xFFFFFFu);
  }
}

TEST(Canvas, CopyRectWithRasterCodesAndTransparentDraw) {
  auto src = White(pf24bit, 4, 1);
  src->Canvas().SetPixel(0, 0, RGB(0xF0, 0x0F, 0x00));
  src->Canvas().SetPixel(1, 0, clFuchsia);
  auto dst = White(pf24bit, 4, 1);
  dst->Canvas().Brush().SetColor(RGB(0x3C, 0x3C, 0x3C));
  dst->Canvas().FillRect(Rect(0, 0, 4, 1));
  dst->Canvas().SetCopyMode(cmSrcAnd);
  dst->Canvas().CopyRect(Rect(0, 0, 4, 1), src->Canvas(), Rect(0, 0, 4, 1));
  EXPECT_EQ(dst->Canvas().Pixel(0, 0), RGB(0x30, 0x0C, 0x00));
  EXPECT_EQ(dst->Canvas().Pixel(2, 0), RGB(0x3C, 0x3C, 0x3C));

  // BrushCopy paints the brush where the source has the given colour.
  auto brushed = White(pf24bit, 4, 1);
  brushed->Canvas().Brush().SetColor(clNavy);
  brushed->Canvas().BrushCopy(Rect(0, 0, 4, 1), *src, Rect(0, 0, 4, 1), clFuchsia);
  EXPECT_EQ(brushed->Canvas().Pixel(0, 0), RGB(0xF0, 0x0F, 0x00));
  EXPECT_EQ(brushed->Canvas().Pixel(1, 0), clNavy);
  EXPECT_EQ(brushed->Canvas().Pixel(2, 0), clWhite);

  auto back = White(pf24bit, 4, 1);
  back->Canvas().Brush().SetColor(clGreen);
  back->Canvas().FillRect(Rect(0, 0, 4, 1));
  src->SetTransparent(true);
  src->SetTransparentColor(clFuchsia);
  back->Canvas().Draw(0, 0, *src);
  EXPECT_EQ(back->Canvas().Pixel(0, 0), RGB(0xF0, 0x0F, 0x00));
  EXPECT_EQ(back->Canvas().Pixel(1, 0), clGreen);
  EXPECT_EQ(back->Canvas().Pixel(2, 0), clWhite);
}

TEST(Canvas, TextUsesTheMappedFontAndMeasuresConsistently) {
  auto b = White(pf24bit, 100, 20);
  TCanvas& c = b->Canvas();
  EXPECT_EQ(QFontInfo(c.Font().ToQFont()).family(), "DejaVu Sans");
  c.Font().SetName("Courier New");
  EXPECT_EQ(QFontInfo(c.Font().ToQFont()).family(), "DejaVu Sans Mono");
  EXPECT_EQ(c.TextWidth("iii"), c.TextWidth("MMM"));
  c.Font().SetName("Tahoma");
  EXPECT_LT(c.TextWidth("iii"), c.TextWidth("MMM"));
  EXPECT_EQ(c.TextExtent("Ab").cx, c.TextWidth("A") + c.TextWidth("b"));
  c.Brush().SetColor(clYellow);
  c.Font().SetColor(clBlack);
  c.TextOut(3, 2, "Hi");
  const TSize e = c.TextExtent("Hi");
  EXPECT_EQ(c.PenPos(), Point(3 + e.cx, 2));
  // The opaque background covers the text cell exactly.
  EXPECT_EQ(c.Pixel(3, 2), clYellow);
  EXPECT_EQ(c.Pixel(3 + e.cx, 2), clWhite);
  EXPECT_EQ(c.Pixel(3, 2 + e.cy), clWhite);
  int ink = 0;
  for (int y = 2; y < 2 + e.cy; ++y)
    for (int x = 3; x < 3 + e.cx; ++x) {
      const TColor p = c.Pixel(x, y);
      EXPECT_TRUE(p == clBlack || p == clYellow) << "antialiased pixel at " << x << "," << y;
      ink += p == clBlack;
    }
  EXPECT_GT(ink, 10);
}

TEST(Font, SizeAndHeightFollowTheHostsRounding) {
  TFont f;
  EXPECT_EQ(f.Height(), -11);
  EXPECT_EQ(f.Size(), 8);
  f.SetSize(10);
  EXPECT_EQ(f.Height(), -13);
  f.SetSize(21);
  EXPECT_EQ(f.Height(), -28);
  int changes = 0;
  f.OnChange = [&](TGraphicsObject*) { ++changes; };
  f.SetSize(21);
  f.SetStyle(fsBold | fsItalic);
  EXPECT_EQ(changes, 1);
  // A positive height is the cell height (ascent + descent).
  for (int cell : {13, 16, 21, 30}) {
    f.SetHeight(cell);
    EXPECT_NEAR(QFontMetrics(f.ToQFont()).height(), cell, 1) << cell;
  }
  bool bold = false;
  EXPECT_EQ(MapFontName("Impact", &bold), "DejaVu Sans");
  EXPECT_TRUE(bold);
  EXPECT_EQ(MapFontName("Times New Roman"), "DejaVu Serif");
  EXPECT_EQ(MapFontName("VERDANA"), "DejaVu Sans");
  EXPECT_EQ(MapFontName("No Such Face"), "DejaVu Sans");
}

TEST(Colors, SystemColoursAndMetricsAreFixed) {
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xC8D0D4u);
  EXPECT_EQ(ColorToRGB(clWindow), 0xFFFFFFu);
  EXPECT_EQ(ColorToRGB(clRed), 0x0000FFu);
  EXPECT_EQ(ColorToRGB(TColor(0x02123456)), 0x123456u);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 16);
  EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), 16);
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 1);
  EXPECT_EQ(GetSystemMetrics(SM_SAMEDISPLAYFORMAT), 1);
  EXPECT_EQ(GetSystemMetrics(999), 0);
  EXPECT_EQ(ApplyRop3(cmSrcCopy, 1, 0x123456, 2), 0x123456u);
  EXPECT_EQ(ApplyRop3(cmSrcPaint, 0, 0x0F0000, 0x0000F0), 0x0F00F0u);
  EXPECT_EQ(ApplyRop3(cmPatInvert, 0xFFFFFF, 0, 0x00FF00), 0xFF00FFu);
}
