// Speed button places (glyph, caption, chevron), its glyph image per state,
// and the spin button's halves.

#include <gtest/gtest.h>

#include "skin/se_speedbuttons_layout.h"

namespace {

TSeSpeedButtonGeometry Button(int w, int h, TPoint glyph, TPoint text) {
  TSeSpeedButtonGeometry g;
  g.Width = w;
  g.Height = h;
  g.Glyph = glyph;
  g.Text = text;
  return g;
}

}  // namespace

TEST(SeSpeedButtonGeometry, ChevronStripTakesTheRightFourteenPixels) {
  auto g = Button(43, 22, {}, {});
  g.ShowChevron = true;
  EXPECT_EQ(g.ButtonRect(), Rect(0, 0, 29, 22));
  EXPECT_EQ(g.ChevronAreaRect(), Rect(29, 0, 43, 22));
  EXPECT_EQ(g.ChevronArrowRect(), Rect(33, 9, 38, 12));
  g.ShowChevron = false;
  EXPECT_EQ(g.ButtonRect(), Rect(0, 0, 43, 22));
  EXPECT_TRUE(g.ChevronAreaRect().IsEmpty());
}

TEST(SeSpeedButtonGeometry, GlyphAndCaptionByLayoutMarginAndSpacing) {
  struct Case {
    TButtonLayout layout;
    int margin, spacing;
    TRect glyph, caption;
  } cases[] = {
      {blGlyphLeft, -1, 4, Rect(15, 12, 31, 28), Rect(35, 13, 65, 27)},
      {blGlyphRight, -1, 4, Rect(48, 12, 64, 28), Rect(14, 13, 44, 27)},
      {blGlyphLeft, 3, 4, Rect(3, 12, 19, 28), Rect(23, 13, 53, 27)},
      // Spread: three equal gaps of (80 - 16 - 30) / 3.
      {blGlyphLeft, -1, -1, Rect(11, 12, 27, 28), Rect(38, 13, 68, 27)},
      {blGlyphTop, -1, 4, Rect(32, 3, 48, 19), Rect(25, 23, 55, 37)},
      {blGlyphBottom, -1, 4, Rect(32, 20, 48, 36), Rect(25, 2, 55, 16)},
  };
  for (const auto& c : cases) {
    auto g = Button(80, 40, {16, 16}, {30, 14});
    g.Layout = c.layout;
    g.Margin = c.margin;
    g.Spacing = c.spacing;
    EXPECT_EQ(g.GlyphRect(), c.glyph) << c.layout << " " << c.margin << " " << c.spacing;
    EXPECT_EQ(g.CaptionRect(), c.caption) << c.layout << " " << c.margin << " " << c.spacing;
  }
  // A caption alone is centred in the whole button.
  EXPECT_EQ(Button(80, 40, {}, {30, 14}).CaptionRect(), Rect(25, 13, 55, 27));
  // A glyph alone is centred.
  EXPECT_EQ(Button(29, 29, {16, 16}, {}).GlyphRect(), Rect(6, 6, 22, 22));
}

TEST(SeSpeedButtonGeometry, GlyphImagePerState) {
  EXPECT_EQ(SpeedGlyphIndex(1, false, kssDisabled), 0);
  EXPECT_EQ(SpeedGlyphIndex(2, false, kssDisabled), 1);
  EXPECT_EQ(SpeedGlyphIndex(3, true, kssDown), 2);
  EXPECT_EQ(SpeedGlyphIndex(3, true, kssExclusive), 0);
  EXPECT_EQ(SpeedGlyphIndex(4, true, kssExclusive), 3);
  EXPECT_EQ(SpeedGlyphIndex(4, true, kssUp), 0);
}

TEST(SeSpeedButtonGeometry, SpinHalvesLeaveASliderStripBetweenThem) {
  struct Case {
    int height;
    bool slider;
    TRect up, down;
    int strip;
  } cases[] = {
      {21, false, Rect(0, 0, 15, 10), Rect(0, 11, 15, 21), 1},
      {20, false, Rect(0, 0, 15, 10), Rect(0, 10, 15, 20), 0},
      {21, true, Rect(0, 0, 15, 9), Rect(0, 12, 15, 21), 3},
      {20, true, Rect(0, 0, 15, 9), Rect(0, 11, 15, 20), 2},
  };
  for (const auto& c : cases) {
    const auto halves = LayoutSpinHalves(15, c.height, c.slider);
    EXPECT_EQ(halves.Up, c.up) << c.height << c.slider;
    EXPECT_EQ(halves.Down, c.down) << c.height << c.slider;
    EXPECT_EQ(halves.Slider.Height(), c.strip) << c.height << c.slider;
  }
  EXPECT_EQ(SpinSliderBand(15, 21), Rect(0, 9, 15, 11));
  // A spin button too small for its slider gets empty halves, not negative ones.
  EXPECT_EQ(LayoutSpinHalves(15, 1, true).Up, Rect(0, 0, 15, 0));
}
