// The shared drawing routines: rectangles, text fitting, fills, bevels,
// regions from bitmaps, stream strings, keyboard timings, the stopwatch and
// the counted capture.

#include <gtest/gtest.h>

#include <QWidget>
#include <chrono>

#include "platform/core/Clock.h"
#include "platform/gui/DrawText.h"
#include "skin/se_bitmap.h"
#include "skin/se_drawing.h"
#include "skin/se_stream.h"

namespace {

TSeArgb Rgb(const TSeBitmap& b, int x, int y) { return b.GetPixel(x, y) & 0xFFFFFF; }

}  // namespace

TEST(SeDrawing, RectangleArithmeticTruncatesTowardZero) {
  TRect r{0, 0, 3, 3};
  EXPECT_EQ(se::CenterRect(r, Rect(0, 0, 10, 8)), Rect(3, 2, 6, 5));
  EXPECT_EQ(r, Rect(3, 2, 6, 5));
  TRect wide{0, 0, 5, 5};
  EXPECT_EQ(se::CenterRect(wide, Rect(10, 10, 12, 12)), Rect(9, 9, 14, 14));  // (2-5)/2 = -1
  TRect v{7, 7, 9, 11};
  EXPECT_EQ(se::CenterRectVert(v, Rect(1, 0, 20, 10)), Rect(1, 3, 3, 7));
  EXPECT_EQ(se::GrowRect(Rect(5, 5, 8, 8), -1), Rect(6, 6, 7, 7));
  EXPECT_TRUE(se::RectIsEmpty(Rect(0, 0, 0, 5)));
  EXPECT_FALSE(se::RectIsEmpty(Rect(0, 0, 1, 1)));
  const TPoint triangle[] = {{0, 0}, {10, 0}, {0, 10}};
  EXPECT_TRUE(se::PtInPolygon({2, 2}, triangle));
  EXPECT_FALSE(se::PtInPolygon({8, 8}, triangle));
}

TEST(SeDrawing, EllipsisTextKeepsTheLongestPrefixThatFits) {
  TSeBitmap b;
  b.SetSize(10, 10);
  TCanvas& c = b.Canvas();
  const int fits = c.TextWidth("Hel...");
  ASSERT_GT(c.TextWidth("Hell..."), fits);
  EXPECT_EQ(se::GetEllipsisText(c, "Hello there", fits), "Hel...");
  EXPECT_EQ(se::GetEllipsisText(c, "Hello", c.TextWidth("Hello")), "Hello");
  EXPECT_EQ(se::GetEllipsisText(c, "Hello there", 1), "...");
}

TEST(SeDrawing, GradientUsesOneBandPerPixelWhenNarrow) {
  TSeBitmap b;
  b.SetSize(12, 2);
  b.Clear(0xFF0000FFu);
  se::GradientFillRect(b.Canvas(), Rect(1, 0, 11, 2), clBlack, clWhite, false);
  // Band i is round(255 * i / 10), halves to even; the last stops short.
  const int want[10] = {0, 26, 51, 76, 102, 128, 153, 178, 204, 230};
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(Rgb(b, 1 + i, 0), TSeArgb(want[i]) * 0x010101u) << i;
    EXPECT_EQ(Rgb(b, 1 + i, 1), TSeArgb(want[i]) * 0x010101u) << i;
  }
  EXPECT_EQ(Rgb(b, 0, 0), 0x0000FFu);
  EXPECT_EQ(Rgb(b, 11, 0), 0x0000FFu);
  // Vertical, taller than 255: bands of two or three rows, first row black.
  TSeBitmap tall;
  tall.SetSize(1, 600);
  se::GradientFillRect(tall.Canvas(), Rect(0, 0, 1, 600), clBlack, RGB(0, 0, 255), true);
  EXPECT_EQ(Rgb(tall, 0, 0), 0u);
  EXPECT_EQ(Rgb(tall, 0, 599), 254u);
}

TEST(SeDrawing, DitherFillStartsAtZeroForNegativeCorners) {
  TSeBitmap b;
  b.SetSize(6, 4);
  b.Clear(0xFF0000FFu);
  se::FillDitherRect(b.Canvas(), Rect(-3, -2, 4, 3), clBlack, clWhite);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) {
      TSeArgb want = 0x0000FF;
      if (x < 4 && y < 3) want = (x % 2) == (y % 2) ? 0xFFFFFF : 0x000000;
      EXPECT_EQ(Rgb(b, x, y), want) << x << "," << y;
    }
}

TEST(SeDrawing, BevelsAndFrames) {
  TSeBitmap b;
  b.SetSize(6, 6);
  b.Clear(0xFF000000u);
  TRect r{0, 0, 6, 6};
  se::DrawBevelLines(b.Canvas(), r, 1 | 2 | 4 | 8, 2, clWhite, clRed);
  EXPECT_EQ(r, Rect(2, 2, 4, 4));
  EXPECT_EQ(Rgb(b, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(Rgb(b, 0, 5), 0xFF0000u);  // bottom drawn after left
  EXPECT_EQ(Rgb(b, 5, 0), 0xFF0000u);  // right drawn last
  EXPECT_EQ(Rgb(b, 1, 1), 0xFFFFFFu);
  EXPECT_EQ(Rgb(b, 4, 4), 0xFF0000u);
  EXPECT_EQ(Rgb(b, 2, 2), 0u);

  b.Clear(0xFF000000u);
  se::DrawBevelRect(b.Canvas(), Rect(1, 1, 5, 5), clWhite, clRed);
  EXPECT_EQ(Rgb(b, 1, 1), 0xFFFFFFu);
  EXPECT_EQ(Rgb(b, 1, 3), 0xFFFFFFu);
  EXPECT_EQ(Rgb(b, 1, 4), 0xFF0000u);  // the left line stops at Bottom - 2
  EXPECT_EQ(Rgb(b, 4, 1), 0xFF0000u);
  EXPECT_EQ(Rgb(b, 2, 2), 0u);

  b.Clear(0xFF000000u);
  se::DrawFrameRectXY(b.Canvas(), 1, 1, 4, 4, clLime);
  EXPECT_EQ(Rgb(b, 1, 1), 0x00FF00u);
  EXPECT_EQ(Rgb(b, 3, 3), 0x00FF00u);
  EXPECT_EQ(Rgb(b, 2, 2), 0u);
  EXPECT_EQ(Rgb(b, 4, 4), 0u);
  se::FillRectXY(b.Canvas(), 2, 2, 3, 3, clBlue);
  EXPECT_EQ(Rgb(b, 2, 2), 0x0000FFu);
}

TEST(SeDrawing, VerticalTextTurnsTheFirstColumnIntoTheTopRow) {
  const int w = 14, h = 40;
  TSeBitmap lying;
  lying.SetSize(h, w);
  lying.Clear(KeyColor);
  lying.Canvas().Font().SetColor(clWhite);
  TRect r{0, 0, h, w};
  se::DrawWideText(lying.Canvas(), "Ab", r, DT_SINGLELINE);
  for (bool clockwise : {true, false}) {
    TSeBitmap out;
    out.SetSize(w, h);
    out.Clear(0xFF000000u);
    out.Canvas().Font().SetColor(clWhite);
    se::DrawVerticalText(out.Canvas(), "Ab", Rect(0, 0, w, h), clockwise, DT_SINGLELINE);
    int lit = 0;
    for (int y = 0; y < w; ++y)
      for (int x = 0; x < h; ++x) {
        const bool on = Rgb(lying, x, y) == 0xFFFFFF;
        lit += on;
        const TSeArgb got = clockwise ? Rgb(out, w - 1 - y, x) : Rgb(out, y, h - 1 - x);
        ASSERT_EQ(got, on ? 0xFFFFFFu : 0u) << clockwise << " " << x << "," << y;
      }
    EXPECT_GT(lit, 10);
  }
}

TEST(SeDrawing, RegionFromBitmapLeavesOutTheKey) {
  TSeBitmap b;
  b.SetSize(4, 2);
  b.Clear(0xFF000000u);
  *b.PixelPtr(1, 0) = KeyColor;
  *b.PixelPtr(2, 0) = 0xFF7F007Fu;
  *b.PixelPtr(0, 1) = KeyColor;
  const QRegion region = se::CreateRegionFromBitmap(b, 10, 20);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) {
      const bool key = (Rgb(b, x, y) == 0x7F007F);
      EXPECT_EQ(region.contains(QPoint(10 + x, 20 + y)), !key) << x << "," << y;
    }
  EXPECT_FALSE(region.contains(QPoint(0, 0)));
  EXPECT_TRUE(se::CreateRegionFromBitmap(TSeBitmap(), 0, 0).isEmpty());
  // More runs than a fixed table would hold.
  TSeBitmap stripes;
  stripes.SetSize(200, 40);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x) *stripes.PixelPtr(x, y) = (x % 2) ? KeyColor : 0xFF000000u;
  const QRegion many = se::CreateRegionFromBitmap(stripes, 0, 0);
  EXPECT_TRUE(many.contains(QPoint(198, 39)));
  EXPECT_FALSE(many.contains(QPoint(199, 39)));
}

TEST(SeDrawing, StreamStringsAreLengthPrefixedAndChecked) {
  TMemoryStream s;
  se::WriteStreamString(s, "abc");
  se::WriteStreamString(s, "");
  ASSERT_EQ(s.Size(), 11);
  s.SetPosition(0);
  EXPECT_EQ(se::ReadStreamString(s), "abc");
  EXPECT_EQ(se::ReadStreamString(s), "");
  EXPECT_THROW(se::ReadStreamString(s), EReadError);  // nothing left

  TMemoryStream lying;
  se::WriteInt32(lying, 1 << 30);
  lying.WriteBuffer("xy", 2);
  lying.SetPosition(0);
  EXPECT_THROW(se::ReadStreamString(lying), EReadError);
  TMemoryStream negative;
  se::WriteInt32(negative, -4);
  negative.SetPosition(0);
  EXPECT_THROW(se::ReadStreamString(negative), EReadError);
}

TEST(SeDrawing, KeyboardTimings) {
  EXPECT_EQ(se::GetKeyboardDelayMs(0), 200);
  EXPECT_EQ(se::GetKeyboardDelayMs(1), 400);
  EXPECT_EQ(se::GetKeyboardDelayMs(3), 800);
  EXPECT_EQ(se::GetKeyboardRepeatMs(0), 435);
  EXPECT_EQ(se::GetKeyboardRepeatMs(31), 14);
}

TEST(SeDrawing, StopwatchReadsTheProgramClock) {
  FakeClock clock;
  ScopedClock scoped(clock);
  std::unique_ptr<TSeTimer> timer;
  EXPECT_EQ(se::ReadStopwatch(timer), 0.0f);
  se::StartStopwatch(timer);
  ASSERT_NE(timer, nullptr);
  clock.Advance(std::chrono::milliseconds(250));
  EXPECT_FLOAT_EQ(se::ReadStopwatch(timer), 0.25f);
  clock.Advance(std::chrono::milliseconds(250));
  EXPECT_FLOAT_EQ(se::ReadStopwatch(timer), 0.5f);  // measured from the same start
}

TEST(SeDrawing, CountedCaptureNests) {
  QWidget a;
  QWidget b;
  a.show();
  b.show();
  se::SetCaptureCounted(&a);
  se::SetCaptureCounted(&b);  // only counts
  EXPECT_EQ(se::CaptureCount(), 2);
  EXPECT_EQ(QWidget::mouseGrabber(), &a);
  se::ReleaseCaptureCounted();
  EXPECT_EQ(QWidget::mouseGrabber(), &a);
  se::ReleaseCaptureCounted();
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  se::ReleaseCaptureCounted();
  EXPECT_EQ(se::CaptureCount(), 0);
}
