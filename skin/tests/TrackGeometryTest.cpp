// Track bar geometry: the value/pixel mapping with snapping, the thumb's
// outline, the track and the ticks, on the options window's slider
// (249 pixels, 1..50, thumb 9 wide, margins 9) and small made-up bars.

#include <gtest/gtest.h>

#include "skin/se_trackbar_geometry.h"

namespace {

TSeTrackGeometry Slider() {
  TSeTrackGeometry g;
  g.Min = 1;
  g.Max = 50;
  g.Length = 249;
  return g;
}

}  // namespace

TEST(SeTrackGeometry, ValuesAndPixelsMapBothWays) {
  const TSeTrackGeometry g = Slider();
  EXPECT_EQ(g.TrackLength(), 222);
  EXPECT_EQ(g.PixelFromPosition(6), 36);  // round(5 * 222 / 49) + 4 + 9
  EXPECT_EQ(g.PixelFromPosition(1), 13);
  EXPECT_EQ(g.PixelFromPosition(50), 235);
  for (int v = g.Min; v <= g.Max; ++v) EXPECT_EQ(g.PositionFromPixel(g.PixelFromPosition(v)), v) << v;
  EXPECT_EQ(g.PositionFromPixel(200), 42);
  EXPECT_EQ(g.PositionFromPixel(0), 1);     // before the track: the low end
  EXPECT_EQ(g.PositionFromPixel(249), 50);  // past it: the high end
  TSeTrackGeometry flat = g;
  flat.Max = flat.Min;
  EXPECT_EQ(flat.PixelFromPosition(1), 0);
  TSeTrackGeometry tiny = g;
  tiny.Length = 20;  // no track at all
  EXPECT_EQ(tiny.PositionFromPixel(10), 1);
}

TEST(SeTrackGeometry, PixelsSnapToTheNearestMultipleOfTheFrequency) {
  TSeTrackGeometry g;
  g.Min = 0;
  g.Max = 20;
  g.Length = 18 + 9 + 200;  // ten pixels a value
  g.Frequency = 5;
  struct Case {
    int unsnapped, want;
  };
  // A remainder above half the frequency rounds up, half or less down.
  for (const Case& c : {Case{7, 5}, Case{8, 10}, Case{2, 0}, Case{3, 5}, Case{18, 20}, Case{20, 20}}) {
    const int pixel = 13 + 10 * c.unsnapped;
    EXPECT_EQ(g.PositionFromPixel(pixel), c.want) << c.unsnapped;
  }
  // Negative ranges snap toward zero, as the remainder keeps the sign.
  g.Min = -20;
  g.Max = 0;
  EXPECT_EQ(g.PositionFromPixel(13 + 10 * 13), -5);  // -7
  EXPECT_EQ(g.PositionFromPixel(13 + 10 * 12), -5);  // -8: remainder -3 is never above 2
}

TEST(SeTrackGeometry, TheThumbPointsAtItsTicks) {
  const TSeTrackGeometry g = Slider();
  // The downward pentagon spans x 32..40 and y 7..26 at value 6.
  EXPECT_EQ(g.ThumbPolygon(36), (std::vector<TPoint>{{32, 7}, {40, 7}, {40, 22}, {36, 26}, {32, 22}}));
  EXPECT_EQ(g.ThumbRect(36), Rect(32, 7, 41, 27));
  EXPECT_TRUE(g.PtInThumb(36, {36, 15}));
  EXPECT_FALSE(g.PtInThumb(36, {45, 15}));
  EXPECT_FALSE(g.PtInThumb(36, {33, 26}));  // outside the point's slant

  TSeTrackGeometry both = g;
  both.TickMarks = tmBoth;  // band shifted by 5, a plain rectangle
  EXPECT_TRUE(both.RectangularThumb());
  EXPECT_EQ(both.ThumbRect(36), Rect(32, 12, 41, 32));
  EXPECT_TRUE(both.PtInThumb(36, {32, 31}));

  TSeTrackGeometry up = g;
  up.TickMarks = tmTopLeft;
  up.Orientation = toVertical;
  EXPECT_EQ(up.ThumbPolygon(36), (std::vector<TPoint>{{12, 36}, {16, 40}, {31, 40}, {31, 32}, {16, 32}}));
  EXPECT_EQ(up.ThumbRect(36), Rect(12, 32, 32, 41));
}

TEST(SeTrackGeometry, TrackAndInterval) {
  const TSeTrackGeometry g = Slider();
  EXPECT_EQ(g.TrackRect(9, 240), Rect(9, 9, 240, 23));
  EXPECT_EQ(g.IntervalRect(9, 240, 36, htLowInterval), Rect(9, 9, 36, 23));
  EXPECT_EQ(g.IntervalRect(9, 240, 36, htHighInterval), Rect(36, 9, 240, 23));
  EXPECT_TRUE(g.IntervalRect(9, 240, 36, htNone).IsEmpty());
  TSeTrackGeometry both = g;
  both.TickMarks = tmBoth;
  EXPECT_EQ(both.TrackRect(9, 240), Rect(9, 15, 240, 29));
  TSeTrackGeometry vertical = g;
  vertical.Orientation = toVertical;
  EXPECT_EQ(vertical.TrackRect(9, 240), Rect(9, 9, 23, 240));
}

TEST(SeTrackGeometry, TicksOnEachSideWithLongerEnds) {
  TSeTrackGeometry g;
  g.Min = 0;
  g.Max = 7;
  g.Frequency = 3;
  g.Length = 18 + 9 + 70;
  EXPECT_EQ(g.TickValues(), (std::vector<int>{0, 3, 6, 7}));
  using T = TSeTrackGeometry::Tick;
  EXPECT_EQ(g.Ticks(), (std::vector<T>{{13, false, 29, 33}, {43, false, 29, 32}, {73, false, 29, 32},
                                       {83, false, 29, 33}}));
  g.TickMarks = tmBoth;
  const std::vector<T> both = g.Ticks();
  ASSERT_EQ(both.size(), 8u);
  EXPECT_EQ(both[0], (T{13, true, 10, 6}));
  EXPECT_EQ(both[1], (T{43, true, 10, 7}));
  EXPECT_EQ(both[4], (T{13, false, 33, 37}));
  g.ShowTicks = false;
  EXPECT_TRUE(g.Ticks().empty());
  // A huge range gets no more ticks than the track can show.
  TSeTrackGeometry huge;
  huge.Min = -2000000000;
  huge.Max = 2000000000;
  huge.Length = 100;
  EXPECT_LE(huge.TickValues().size(), 203u);
  EXPECT_EQ(huge.TickValues().back(), huge.Max);
}
