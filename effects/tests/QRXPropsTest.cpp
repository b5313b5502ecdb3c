// The text, gradient, fill, effect and shape property objects: change
// notifications, colour tables, assignment, summaries, form-file data, the
// fill itself and the 24-bit pixel operations.

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "effects/QRXFillObject.h"
#include "effects/QRXPixelFormat.h"
#include "effects/QRXProps.h"
#include "effects/QRXShape.h"

namespace {

// Counts the notifications an object sends.
struct Counter {
  int count = 0;
  void Watch(TQRXObject& object) {
    object.OnChange = [this](TQRXObject*) { ++count; };
  }
};

TBitmap Filled24(int w, int h, TColor color) {
  TBitmap b;
  b.SetSize(w, h);
  b.Canvas().Brush().SetColor(color);
  b.Canvas().FillRect(Rect(0, 0, w, h));
  b.SetPixelFormat(pf24bit);
  return b;
}

std::array<int, 3> Bgr(const TBitmap& b, int x, int y) {
  const std::uint8_t* p = b.ScanLine(y) + x * 3;
  return {p[0], p[1], p[2]};
}

}  // namespace

TEST(QRXProps, GradientTableFollowsItsProperties) {
  TQRXGradient g;
  Counter n;
  n.Watch(g);
  EXPECT_EQ(g.ColorTable().size(), 16u);
  EXPECT_EQ(g.ColorTable().front(), clBlue);
  EXPECT_EQ(g.ColorTable().back(), clBlack);
  g.SetColorCount(16);  // the value it has: no rebuild, no notification
  EXPECT_EQ(n.count, 0);
  g.SetColorCount(40);
  EXPECT_EQ(n.count, 1);
  EXPECT_EQ(g.ColorTable().size(), 40u);
  EXPECT_THROW(g.SetColorCount(1), EQRXRangeError);
  EXPECT_THROW(g.SetColorCount(237), EQRXRangeError);
  EXPECT_EQ(g.ColorCount(), 40);

  // List mode: an empty list gives an empty table (nothing is painted).
  g.SetColorCount(16);
  g.SetTwoColors(false);
  EXPECT_TRUE(g.ColorTable().empty());
  // Three list colours and 16 give 5 colours for the first segment and 4
  // more for the second.
  g.SetColorList({clRed, clLime, clBlue});
  ASSERT_EQ(g.ColorTable().size(), 9u);
  EXPECT_EQ(g.ColorTable()[0], clRed);
  EXPECT_EQ(g.ColorTable()[4], clLime);
  EXPECT_EQ(g.ColorTable()[8], clBlue);

  // The rebuild happens under the lock too; only the notification waits.
  const int before = n.count;
  g.BeginUpdate();
  g.SetTwoColors(true);
  EXPECT_EQ(g.ColorTable().size(), 16u);
  EXPECT_EQ(n.count, before);
  g.EndUpdate(true);
  EXPECT_EQ(n.count, before + 1);

  EXPECT_EQ(g.Palette(), nullptr);
  g.SetPaletteRealize(true);
  ASSERT_NE(g.Palette(), nullptr);
  EXPECT_EQ(g.Palette()->colors.size(), 16u);
}

TEST(QRXProps, GradientAssignSummaryAndColorList) {
  TQRXGradient a, b;
  a.SetStyle(TQRXGradientStyle::gstTopRightDiagonal);
  a.SetColor(clYellow);
  a.SetTwoColors(false);
  a.SetColorList({clRed, clGreen});
  Counter n;
  n.Watch(b);
  b.Assign(&a);
  EXPECT_EQ(n.count, 1);
  EXPECT_EQ(b.Color(), clYellow);
  EXPECT_EQ(b.ColorList(), a.ColorList());
  EXPECT_EQ(b.ColorTable(), a.ColorTable());
  EXPECT_EQ(b.GetSummary(), "top right diag, Col: 16, mult. col mode");
  EXPECT_EQ(TQRXGradient().GetSummary(), "vertical, Col: 16, 2 col mode");

  TQRXBinaryProperties stored;
  stored.Write(a);
  ASSERT_TRUE(stored.Has("ColorList"));
  TQRXGradient c;
  c.SetTwoColors(false);
  c.SetColorList({clWhite});
  stored.Read(c);  // appends, as a form reader does
  EXPECT_EQ(c.ColorList(), (TQRXColorList{clWhite, clRed, clGreen}));
  TQRXBinaryProperties none;
  TQRXGradient plain;
  none.Write(plain);
  EXPECT_FALSE(none.Has("ColorList"));
}

TEST(QRXProps, CaptionsAndLayouts) {
  TQRXFxCaption fx;
  Counter n;
  n.Watch(fx);
  fx.SetAngle(360);
  EXPECT_EQ(fx.Angle(), 0);
  fx.SetAngle(0);
  EXPECT_EQ(n.count, 0);
  EXPECT_THROW(fx.SetAngle(361), EQRXRangeError);
  fx.SetPos(12, 34);
  EXPECT_EQ(n.count, 0);
  EXPECT_EQ(fx.PosX(), 12);
  EXPECT_EQ(fx.PosY(), 34);
  EXPECT_FALSE(fx.Updating());

  EXPECT_EQ(fx.GetSummary(), "{Disabled}");
  fx.SetAngle(45);
  EXPECT_EQ(fx.GetSummary(), "{ rot: 45\xC2\xB0}");
  fx.SetStyle(TQRXThreeDStyle::tdSunkenShadow);
  EXPECT_EQ(fx.GetSummary(), "{sunken shadow, rot: 45\xC2\xB0}");
  TQRX3DCaption plain;
  plain.SetStyle(TQRXThreeDStyle::tdPColorRaised);
  EXPECT_EQ(plain.GetSummary(), "{}");

  // Assigning a caption leaves the target's orientation as it was.
  TQRX3DCaption target;
  target.SetOrientation(TQRXThreeDOrientation::toBottomRight);
  fx.SetOrientation(TQRXThreeDOrientation::toTopRight);
  fx.SetLightDepth(4);
  target.Assign(&fx);
  EXPECT_EQ(target.Orientation(), TQRXThreeDOrientation::toBottomRight);
  EXPECT_EQ(target.LightDepth(), 4);
  EXPECT_EQ(target.Style(), TQRXThreeDStyle::tdSunkenShadow);
  TQRXFxCaption fx2;
  fx2.Assign(&fx);
  EXPECT_EQ(fx2.Angle(), 45);
  EXPECT_EQ(fx2.PosX(), 12);

  TQRXButtonLayout layout, copy;
  EXPECT_EQ(layout.Alignment(), TQRXAlignment::agCenter);
  EXPECT_EQ(TQRXGlyphTextLayout().Alignment(), TQRXAlignment::agTopLeft);
  layout.SetArrow(true);
  layout.SetArrowSize(7);
  layout.SetSpacing(9);
  EXPECT_THROW(layout.SetArrowSize(11), EQRXRangeError);
  Counter m;
  m.Watch(copy);
  copy.Assign(&layout);
  EXPECT_EQ(m.count, 1);
  EXPECT_TRUE(copy.Arrow());
  EXPECT_EQ(copy.ArrowSize(), 7);
  EXPECT_EQ(copy.Spacing(), 9);
}

TEST(QRXFill, DefaultsNotificationsAndTransparency) {
  TQRXFillObject fill;
  TQRXShapeFill shapeFill;
  EXPECT_EQ(fill.Style(), TQRXFillStyle::sfNone);
  EXPECT_EQ(shapeFill.Style(), TQRXFillStyle::sfBrush);
  EXPECT_TRUE(fill.IsTransparent());
  TBitmap canvas = Filled24(10, 10, clWhite);
  canvas.SetPixelFormat(pf32bit);
  EXPECT_FALSE(fill.DoFill(canvas.Canvas(), Rect(0, 0, 10, 10), clRed));

  Counter n;
  n.Watch(fill);
  // Alignment and offsets show only for an untiled bitmap.
  fill.SetStyle(TQRXFillStyle::sfGradient);
  n.count = 0;
  fill.SetAlignment(TQRXAlignment::agCenter);
  fill.SetOffsetX(5);
  EXPECT_EQ(n.count, 0);
  EXPECT_EQ(fill.OffsetX(), 5);
  fill.SetStyle(TQRXFillStyle::sfBitmap);
  fill.SetTileMode(TQRXTileMode::tmNone);
  n.count = 0;
  fill.SetOffsetX(6);
  EXPECT_EQ(n.count, 1);
  // Nested changes reach the owner: the gradient's colour, the brush, the
  // bitmap (also before the style selects it).
  n.count = 0;
  fill.Gradient().SetEndColor(clRed);
  fill.Brush().SetColor(clGreen);
  fill.Bitmap().Assign(Filled24(4, 4, clRed));
  EXPECT_EQ(n.count, 3);

  struct Case {
    TQRXFillStyle style;
    TQRXTileMode tile;
    bool inner;
    bool transparent;
  };
  const Case cases[] = {
      {TQRXFillStyle::sfBitmap, TQRXTileMode::tmStretch, false, false},
      {TQRXFillStyle::sfBitmap, TQRXTileMode::tmCenter, false, true},
      {TQRXFillStyle::sfBitmap, TQRXTileMode::tmCenter, true, false},
      {TQRXFillStyle::sfGradient, TQRXTileMode::tmNone, false, false},
      {TQRXFillStyle::sfBrushBitmap, TQRXTileMode::tmNone, false, false},
      {TQRXFillStyle::sfBrush, TQRXTileMode::tmNone, false, false},
  };
  for (const Case& c : cases) {
    fill.SetStyle(c.style);
    fill.SetTileMode(c.tile);
    fill.SetOptions(c.inner ? TQRXFillOptions{TQRXFillOption::foFillInner} : TQRXFillOptions{});
    EXPECT_EQ(fill.IsTransparent(), c.transparent) << int(c.style) << "/" << int(c.tile);
  }
  fill.Brush().SetStyle(bsCross);
  EXPECT_TRUE(fill.IsTransparent());
  EXPECT_EQ(fill.GetSummary(), "{Brush}");
}

TEST(QRXFill, PaintsEachStyle) {
  TBitmap picture = Filled24(4, 4, clRed);
  picture.SetPixelFormat(pf32bit);
  auto paint = [&](TQRXFillObject& fill) {
    TBitmap target;
    target.SetSize(20, 20);
    target.Canvas().Brush().SetColor(clWhite);
    target.Canvas().FillRect(Rect(0, 0, 20, 20));
    const bool painted = fill.FillRect(target.Canvas(), Rect(2, 2, 18, 18), 0, clBlue);
    EXPECT_FALSE(target.Canvas().HasClipRegion());
    return std::pair{painted, target.ToQImage()};
  };
  const QRgb white = 0xFFFFFF, red = 0xFF0000, blue = 0x0000FF, green = 0x00FF00;

  TQRXFillObject brush;
  brush.SetStyle(TQRXFillStyle::sfBrush);
  brush.Brush().SetColor(clLime);
  auto [p1, i1] = paint(brush);
  EXPECT_TRUE(p1);
  EXPECT_EQ(i1.pixel(2, 2) & white, green);
  EXPECT_EQ(i1.pixel(17, 17) & white, green);
  EXPECT_EQ(i1.pixel(18, 18) & white, white);

  // Untiled, aligned bottom-right and moved by the offsets; the rest filled
  // with the back colour.
  TQRXFillObject placed;
  placed.SetStyle(TQRXFillStyle::sfBitmap);
  placed.SetTileMode(TQRXTileMode::tmNone);
  placed.SetBitmap(picture);
  placed.SetAlignment(TQRXAlignment::agBottomRight);
  placed.SetOffsetX(-1);
  auto [p2, i2] = paint(placed);
  EXPECT_TRUE(p2);
  EXPECT_EQ(i2.pixel(13, 14) & white, red);
  EXPECT_EQ(i2.pixel(16, 17) & white, red);
  EXPECT_EQ(i2.pixel(17, 17) & white, blue);
  EXPECT_EQ(i2.pixel(2, 2) & white, blue);

  // An empty bitmap paints the back colour only and answers False.
  TQRXFillObject empty;
  empty.SetStyle(TQRXFillStyle::sfBitmap);
  auto [p3, i3] = paint(empty);
  EXPECT_FALSE(p3);
  EXPECT_EQ(i3.pixel(10, 10) & white, blue);

  // Tiles stop at the rectangle.
  TQRXFillObject tiled;
  tiled.SetStyle(TQRXFillStyle::sfBitmap);
  tiled.SetBitmap(picture);
  auto [p4, i4] = paint(tiled);
  EXPECT_EQ(i4.pixel(17, 17) & white, red);
  EXPECT_EQ(i4.pixel(18, 10) & white, white);

  TQRXFillObject gradient;
  gradient.SetStyle(TQRXFillStyle::sfGradient);
  gradient.Gradient().SetColor(clRed);
  gradient.Gradient().SetEndColor(clBlue);
  auto [p5, i5] = paint(gradient);
  EXPECT_EQ(i5.pixel(9, 2) & white, red);
  EXPECT_EQ(i5.pixel(9, 17) & white, blue);
  EXPECT_EQ(i5.pixel(9, 18) & white, white);
}

TEST(QRXPixels, Operations) {
  struct Grey {
    TColor color;
    int grey;
  };
  for (const Grey& g : {Grey{clRed, 76}, Grey{clLime, 150}, Grey{clBlue, 28}}) {
    TBitmap b = Filled24(3, 2, g.color);
    GrayScaleBitmap(b, Rect(0, 0, 3, 2), b, Point(0, 0));
    EXPECT_EQ(Bgr(b, 2, 1), (std::array<int, 3>{g.grey, g.grey, g.grey}));
  }
  TBitmap b = Filled24(3, 1, RGB(10, 100, 200));
  ChangeBrightness(b, Rect(0, 0, 3, 1), b, Point(0, 0), 0);
  EXPECT_EQ(Bgr(b, 0, 0), (std::array<int, 3>{200, 100, 10}));
  ChangeBrightness(b, Rect(0, 0, 3, 1), b, Point(0, 0), 255);
  EXPECT_EQ(Bgr(b, 1, 0), (std::array<int, 3>{255, 255, 255}));
  ChangeBrightness(b, Rect(0, 0, 3, 1), b, Point(0, 0), -255);
  EXPECT_EQ(Bgr(b, 2, 0), (std::array<int, 3>{0, 0, 0}));
  InvertBitmap(b, Rect(0, 0, 3, 1), b, Point(0, 0));
  EXPECT_EQ(Bgr(b, 2, 0), (std::array<int, 3>{255, 255, 255}));

  // Flips over rows wider than any fixed buffer would hold (12000 pixels,
  // 36000 bytes), and a rectangle that leaves the bitmap is cut, not read
  // past its edge.
  TBitmap wide = Filled24(12000, 3, clWhite);
  wide.ScanLine(0)[0] = 7;
  wide.ScanLine(2)[3 * 11999 + 2] = 9;
  FlipBitmapTopBottom(wide, Rect(0, 0, 12000, 3), wide, Point(0, 0));
  EXPECT_EQ(wide.ScanLine(2)[0], 7);
  EXPECT_EQ(wide.ScanLine(0)[3 * 11999 + 2], 9);
  FlipBitmapLeftRight(wide, Rect(0, 0, 12000, 3), wide, Point(0, 0));
  EXPECT_EQ(wide.ScanLine(2)[3 * 11999], 7);
  EXPECT_EQ(wide.ScanLine(0)[2], 9);
  FlipBitmapTopBottom(wide, Rect(-50, -50, 20000, 20000), wide, Point(0, 0));
  InvertBitmap(wide, Rect(0, 0, 100, 3), wide, Point(11990, 2));
  EXPECT_EQ(wide.ScanLine(2)[3 * 11999], 0);  // white of row 0, inverted
  EXPECT_EQ(wide.ScanLine(1)[3 * 11999], 255);

  TBitmap s1 = Filled24(4, 4, RGB(0, 100, 255)), s2 = Filled24(4, 4, clWhite), t = Filled24(4, 4, clBlack);
  AlphaBlendBitmaps(s1, s2, Rect(0, 0, 4, 4), Point(0, 0), t, 0.6f, Point(0, 0));
  // 0.6 of the colour plus 0.4 of white.
  EXPECT_EQ(Bgr(t, 3, 3), (std::array<int, 3>{255, 162, 102}));
  TBitmap eight;
  eight.SetSize(4, 4);
  eight.SetPixelFormat(pf8bit);
  try {
    AlphaBlendBitmaps(s1, s2, Rect(0, 0, 4, 4), Point(0, 0), eight, 0.5f, Point(0, 0));
    FAIL();
  } catch (const EQRXWrongPixelFormat& e) {
    EXPECT_STREQ(e.what(), "Wrong PixelFormat in Target bitmap!");
  }
}

TEST(QRXEffects, AlphaAndBufferedEffects) {
  TQRXAlphaObject alpha;
  EXPECT_EQ(alpha.GetSummary(), "{Disabled}");
  TBitmap picture = Filled24(6, 5, RGB(0, 50, 250));
  alpha.Apply(picture);  // sfNone: nothing
  EXPECT_EQ(Bgr(picture, 0, 0), (std::array<int, 3>{250, 50, 0}));
  alpha.FillObject().SetStyle(TQRXFillStyle::sfBrush);
  alpha.FillObject().Brush().SetColor(clWhite);
  EXPECT_EQ(alpha.GetSummary(), "{Enabled (brush), strength: 0.600}");
  alpha.Apply(picture);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) ASSERT_EQ(Bgr(picture, x, y), (std::array<int, 3>{252, 132, 102}));

  TQRXBitmapEffectObject fx;
  Counter n;
  n.Watch(fx);
  EXPECT_EQ(fx.GetSummary(), "{Disabled}");
  fx.SetInvert(true);
  fx.SetBuffered(true);
  fx.SetFlipHorizontal(true);
  EXPECT_EQ(fx.GetSummary(), "{FH,INV}");
  TBitmap a = Filled24(2, 2, clBlack);
  fx.Apply(a);
  EXPECT_EQ(Bgr(a, 0, 0), (std::array<int, 3>{255, 255, 255}));
  EXPECT_TRUE(fx.BufferValid());
  // A second call with no change draws the buffer: the new picture is not
  // processed.
  TBitmap b = Filled24(2, 2, clRed);
  fx.Apply(b);
  EXPECT_EQ(Bgr(b, 0, 0), (std::array<int, 3>{255, 255, 255}));
  // Any change, also deep inside the blend, processes anew.
  fx.AlphaBlend().FillObject().Brush().SetColor(clGray);
  EXPECT_FALSE(fx.BufferValid());
  TBitmap c = Filled24(2, 2, clRed);
  fx.Apply(c);
  EXPECT_EQ(Bgr(c, 0, 0), (std::array<int, 3>{255, 255, 0}));
  EXPECT_GE(n.count, 4);
  EXPECT_THROW(fx.SetBrightness(256), EQRXRangeError);
}

TEST(QRXShapeProps, DefaultsSummariesAndChain) {
  TQRXShape shape;
  EXPECT_EQ(shape.Shape(), TQRXShapeType::stRectangle);
  EXPECT_EQ(shape.RoundPercent(), 33);
  EXPECT_EQ(shape.Bevel().Width(), 2);
  EXPECT_EQ(shape.Shadow().Depth(), 6);
  Counter n;
  n.Watch(shape);
  shape.Shadow().SetDepth(3);
  shape.Bevel().SetColor(33023);
  shape.Brush().SetColor(clBtnFace);
  EXPECT_EQ(n.count, 3);
  EXPECT_EQ(shape.Shadow().GetSummary(), "{solid, 3}");
  EXPECT_EQ(shape.Bevel().GetSummary(), "{Normal}");
  EXPECT_THROW(shape.Shadow().SetDepth(41), EQRXRangeError);
  EXPECT_THROW(shape.Bevel().SetWidth(51), EQRXRangeError);
  EXPECT_THROW(shape.SetRoundPercent(101), EQRXRangeError);
  TQRXShadow none;
  none.SetStyle(TQRXShadowStyle::hssNone);
  EXPECT_EQ(none.GetSummary(), "{Disabled}");
  shape.SetShadow(none);
  EXPECT_EQ(shape.Shadow().Style(), TQRXShadowStyle::hssNone);
  EXPECT_EQ(shape.Shadow().Depth(), 6);
}
