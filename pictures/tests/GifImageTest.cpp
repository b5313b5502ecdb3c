// TGIFImage: conversion of bitmaps into frames, copying, palettes, the
// clipboard, drawing through masks and Optimize.

#include <gtest/gtest.h>

#include "pictures/GifImage.h"
#include "pictures/tests/GifTestSupport.h"
#include "platform/gui/Clipboard.h"

using namespace giftest;

namespace {

// A 24-bit bitmap of `colors` distinct colours, in order of first
// appearance along the rows.
TBitmap Distinct(int colors, int width = 20) {
  TBitmap bitmap;
  const int height = (colors + width - 1) / width;
  bitmap.SetSize(width, height);
  bitmap.SetPixelFormat(pf24bit);
  for (int i = 0; i < width * height; ++i) {
    const int c = std::min(i, colors - 1);
    std::uint8_t* p = bitmap.ScanLine(i / width) + 3 * (i % width);
    p[0] = std::uint8_t(c * 3);
    p[1] = std::uint8_t(c >> 2);
    p[2] = std::uint8_t(200 - c / 2);
  }
  return bitmap;
}

}  // namespace

TEST(GifImage, AssigningBitmapsMakesOneFrame) {
  TGIFImage image;
  image.SetReductionMethod(rmNone);
  const TBitmap two = Distinct(200);
  image.AssignGraphic(two);
  ASSERT_EQ(image.Images().Count(), 1);
  EXPECT_EQ(image.Width(), 20);
  EXPECT_EQ(image.Height(), 10);
  TGIFSubImage& frame = image.Images()[0];
  ASSERT_EQ(frame.ColorMap().Count(), 200);
  for (int c = 0; c < 200; ++c) {
    const std::uint32_t bgr = two.Dib().GetColor(c % 20, c / 20);
    EXPECT_EQ(frame.ColorMap().Colors(c), TColor(bgr)) << c;
  }
  EXPECT_EQ(frame.Pixels(5, 3), 65);
  try {
    image.AssignGraphic(Distinct(300));
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Color table overflow");
  }
  // The default reduces to the web palette first.
  TGIFImage web;
  web.AssignGraphic(Distinct(300));
  EXPECT_LE(web.Images()[0].ColorMap().Count(), 216);

  // A bitmap's transparent colour becomes a black entry added at the end.
  TBitmap keyed;
  keyed.SetSize(4, 4);
  keyed.SetPixelFormat(pf24bit);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) keyed.Canvas().SetPixel(x, y, x < 2 ? clRed : clLime);
  keyed.SetTransparentColor(clLime);
  keyed.SetTransparent(true);
  TGIFImage masked;
  masked.SetReductionMethod(rmNone);
  masked.AssignGraphic(keyed);
  TGIFSubImage& m = masked.Images()[0];
  ASSERT_TRUE(m.Transparent());
  const int t = m.GraphicControlExtension()->TransparentColorIndex();
  EXPECT_EQ(t, m.ColorMap().Count() - 1);
  EXPECT_EQ(m.ColorMap().Colors(t), clBlack);
  EXPECT_EQ(m.Pixels(3, 0), t);
  EXPECT_NE(m.Pixels(0, 0), t);
}

TEST(GifImage, AssigningAnImageCopiesFramesAndFiveSettings) {
  TGIFImage source;
  AddFrame(source, 0, 0, 3, 2, {clRed, clBlue}, [](int x, int) { return x & 1; });
  AddFrame(source, 1, 0, 2, 2, {clLime, clBlue}, [](int, int y) { return y; })
      .RequireGraphicControlExtension()
      .SetDelay(9);
  source.SetPaintOptions(poAnimate);
  source.SetDitherKind(dkBurkes);
  source.SetReductionMethod(rmGrayRamp);
  source.SetPainterPriority(tpLower);
  source.SetPaintBackground(clYellow);
  source.SetReductionColorBits(3);
  source.SetEncoderKind(ekRunLength);
  source.SetAnimationSpeed(50);
  int warnings = 0;
  source.OnCodecWarning = [&](TGIFImage*, int, const std::string&) { ++warnings; };

  TGIFImage copy;
  copy.Assign(source);
  ASSERT_EQ(copy.Images().Count(), 2);
  EXPECT_EQ(copy.Images()[1].GraphicControlExtension()->Delay(), 9);
  EXPECT_EQ(copy.Images()[1].Pixels(0, 1), 1);
  EXPECT_EQ(copy.Width(), 3);
  EXPECT_EQ(copy.PaintOptions(), poAnimate);
  EXPECT_EQ(copy.DitherKind(), dkBurkes);
  EXPECT_EQ(copy.ReductionMethod(), rmGrayRamp);
  EXPECT_EQ(copy.PainterPriority(), tpLower);
  EXPECT_EQ(copy.PaintBackground(), clYellow);
  EXPECT_EQ(copy.ReductionColorBits(), 8);
  EXPECT_EQ(copy.EncoderKind(), ekLZW);
  EXPECT_EQ(copy.AnimationSpeed(), 100);
  EXPECT_FALSE(copy.OnCodecWarning);
  EXPECT_FALSE(copy.OnProgress);
  // The frames are copies: changing one leaves the source alone.
  copy.Images()[0].Pixels(0, 0) = 1;
  EXPECT_EQ(source.Images()[0].Pixels(0, 0), 0);
}

TEST(GifImage, PaletteRules) {
  TGIFImage none;
  none.SetPaintOptions(0);
  EXPECT_TRUE(none.Palette().empty());
  TGIFImage bare;
  bare.SetPaintOptions(0);
  AddFrame(bare, 0, 0, 2, 2, {}, [](int, int) { return 0; });
  try {
    bare.Palette();
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "No global or local color table defined");
  }
  // A picture without any colour table still renders (as greys).
  ASSERT_NE(bare.Images()[0].Bitmap(), nullptr);

  TGIFImage local;
  AddFrame(local, 0, 0, 2, 1, {RGB(10, 20, 30), RGB(200, 100, 0)}, [](int x, int) { return x; });
  EXPECT_FALSE(local.Dithering());  // a deep display: frames keep their palettes
  EXPECT_EQ(local.Images()[0].Bitmap()->Dib().GetColor(1, 0), ColorToRGB(RGB(200, 100, 0)));
  GifSettings().LowColorDisplay = true;
  TGIFImage low;
  AddFrame(low, 0, 0, 2, 1, {RGB(10, 20, 30), RGB(200, 100, 0)}, [](int x, int) { return x; });
  EXPECT_TRUE(low.Dithering());
  EXPECT_EQ(low.Images()[0].Palette().size(), 216u);
  const std::uint32_t c = low.Images()[0].Bitmap()->Dib().GetColor(1, 0);
  GifSettings().LowColorDisplay = false;
  EXPECT_EQ(GetRValue(c) % 51 + GetGValue(c) % 51 + GetBValue(c) % 51, 0);
}

TEST(GifImage, ClipboardCarriesTheGifStreamAndAPictureAndTakesPlainPictures) {
  FakeClipboard fake;
  ScopedService<ClipboardService> scoped(fake);
  TGIFImage image;
  AddFrame(image, 0, 0, 3, 2, {clRed, clBlue}, [](int x, int) { return x == 1; });
  image.SaveToClipboardFormat();
  EXPECT_TRUE(fake.HasFormat(kGIFClipboardFormat));
  // Other programs get the picture itself.
  ASSERT_FALSE(fake.Image().isNull());
  EXPECT_EQ(fake.Image().size(), QSize(3, 2));
  EXPECT_EQ(fake.Image().pixel(1, 0) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(fake.Image().pixel(0, 1) & 0xFFFFFF, 0xFF0000u);
  TGIFImage back;
  back.LoadFromClipboardFormat();
  ASSERT_EQ(back.Images().Count(), 1);
  EXPECT_EQ(back.Images()[0].Pixels(1, 1), 1);

  fake.Clear();
  QImage picture(4, 3, QImage::Format_RGB32);
  picture.fill(qRgb(0, 255, 0));
  fake.SetImage(picture);
  TGIFImage fromBitmap;
  fromBitmap.LoadFromClipboardFormat();
  EXPECT_EQ(fromBitmap.Width(), 4);
  EXPECT_EQ(fromBitmap.Images()[0].ColorMapInUse().Colors(fromBitmap.Images()[0].Pixels(2, 2)), clLime);
  fake.Clear();
  EXPECT_THROW(fromBitmap.LoadFromClipboardFormat(), EInvalidGraphic);
  TGIFImage empty;
  empty.SaveToClipboardFormat();
  EXPECT_FALSE(fake.HasFormat(kGIFClipboardFormat));
}

TEST(GifImage, TransparentPixelsLeaveTheDestinationAlone) {
  TGIFImage image;
  TGIFSubImage& frame = AddFrame(image, 0, 0, 3, 2, {clRed, clBlue, clWhite},
                                 [](int x, int y) { return x == 1 && y == 0 ? 2 : x % 2; });
  frame.RequireGraphicControlExtension().SetTransparent(true);
  frame.GraphicControlExtension()->SetTransparentColorIndex(2);
  for (bool stretched : {false, true}) {
    const int scale = stretched ? 3 : 1;
    TBitmap target;
    target.SetSize(10, 10);
    target.Canvas().Brush().SetColor(clYellow);
    target.Canvas().FillRect(Rect(0, 0, 10, 10));
    target.Canvas().StretchDraw(Rect(1, 1, 1 + 3 * scale, 1 + 2 * scale), image);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x) {
        const int fx = (x - 1) / scale, fy = (y - 1) / scale;
        TColor want = clYellow;
        if (x >= 1 && y >= 1 && fx < 3 && fy < 2 && !(fx == 1 && fy == 0)) want = fx % 2 ? clBlue : clRed;
        EXPECT_EQ(ColorToRGB(target.Canvas().Pixel(x, y)), ColorToRGB(want))
            << x << "," << y << " " << stretched;
      }
  }
}

TEST(GifImage, OptimizeTrimsMergesAndTidies) {
  TGIFImage image;
  image.Header().SetWidth(6);
  image.Header().SetHeight(4);
  for (TColor c : {clBlack, clWhite, clRed}) image.GlobalColorMap().Add(c);
  AddFrame(image, 0, 0, 6, 4, {}, [](int x, int) { return x < 3 ? 1 : 2; });
  // The second frame repeats the first except for one pixel.
  TGIFSubImage& second =
      AddFrame(image, 0, 0, 6, 4, {}, [](int x, int y) { return x == 4 && y == 2 ? 0 : (x < 3 ? 1 : 2); });
  second.RequireGraphicControlExtension().SetDelay(20);
  auto comment = std::make_unique<TGIFCommentExtension>(&second);
  comment->Text = {"gone"};
  second.Extensions().Add(std::move(comment));
  image.Optimize(toMergeRepeats | toTrim | toTidy, rmNone, dkNearest, 8);
  ASSERT_EQ(image.Images().Count(), 2);
  TGIFSubImage& merged = image.Images()[1];
  EXPECT_EQ(merged.BoundsRect(), Rect(4, 2, 5, 3));
  EXPECT_EQ(merged.Extensions().Count(), 1);  // the comment went, the delay stays
  EXPECT_EQ(merged.GraphicControlExtension()->Delay(), 20);
  EXPECT_EQ(merged.Pixels(0, 0), 0);
  // Composed, the picture is unchanged.
  QTemporaryDir dir;
  const std::string file = dir.path().toStdString() + "/o.gif";
  image.SaveToFile(QString::fromStdString(file));
  const std::string both = Shell("convert " + file + " -coalesce rgba:-").output;
  ASSERT_EQ(both.size(), 2u * 6 * 4 * 4);
  const std::string last = both.substr(6 * 4 * 4);
  EXPECT_EQ(std::uint8_t(last[(2 * 6 + 4) * 4]), 0);    // the changed pixel: black
  EXPECT_EQ(std::uint8_t(last[(2 * 6 + 5) * 4]), 255);  // untouched red
}
