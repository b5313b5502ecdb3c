// Progress bar fractions, smooth fill and blocks.

#include <gtest/gtest.h>

#include "skin/se_progressbar_layout.h"

namespace {

TSeProgressGeometry Bar(int w = 140, int h = 16) {
  TSeProgressGeometry g;
  g.PaintedWidth = w;
  g.PaintedHeight = h;
  return g;
}

}  // namespace

TEST(SeProgressGeometry, HalfWayOnAClassicBar) {
  const auto g = Bar();
  EXPECT_EQ(g.BarRect(), Rect(2, 2, 138, 14));
  EXPECT_EQ(g.FilledRect(50), Rect(2, 2, 70, 14));
  // Pitch 10 (12 x 0.64 = 7.68 -> 8, + 2), 13 blocks fit, 6.5 rounds to 6:
  // seven blocks of 8 pixels with 2-pixel gaps.
  const auto blocks = g.Blocks(50);
  ASSERT_EQ(blocks.size(), 7u);
  EXPECT_EQ(blocks.front(), Rect(2, 2, 10, 14));
  EXPECT_EQ(blocks[1], Rect(12, 2, 20, 14));
  EXPECT_EQ(blocks.back(), Rect(62, 2, 70, 14));
}

TEST(SeProgressGeometry, SmallAndOutOfRangeValuesShowNothing) {
  auto g = Bar();
  EXPECT_TRUE(g.Blocks(0).empty());
  EXPECT_TRUE(g.Blocks(1).empty());  // 1/100 in single precision lies below 0.01
  EXPECT_EQ(g.Blocks(2).size(), 1u);
  struct Case {
    int min, max, value;
  } empty[] = {{0, 100, 101}, {0, 100, -1}, {-10, 100, 50}, {5, 5, 5}};
  for (const auto& c : empty) {
    g.Min = c.min;
    g.Max = c.max;
    EXPECT_EQ(g.Fraction(c.value), 0.0f) << c.min << " " << c.max << " " << c.value;
    EXPECT_EQ(g.FilledRect(c.value).Width(), 0);
    EXPECT_TRUE(g.Blocks(c.value).empty());
  }
  // A range wider than an int holds does not overflow.
  g.Min = 0;
  g.Max = 2147483647;
  EXPECT_FLOAT_EQ(g.Fraction(1073741824), 0.5f);
}

TEST(SeProgressGeometry, VerticalBarsFillFromTheBottom) {
  auto g = Bar(16, 140);
  g.Orientation = kboVertical;
  EXPECT_EQ(g.FilledRect(25), Rect(2, 104, 14, 138));
  const auto blocks = g.Blocks(100);
  ASSERT_FALSE(blocks.empty());
  EXPECT_EQ(blocks.front(), Rect(2, 130, 14, 138));
  EXPECT_EQ(blocks[1], Rect(2, 120, 14, 128));
  EXPECT_EQ(blocks.back().Top, 2);  // the last block is cut to the bar
}

TEST(SeProgressGeometry, BorderAndBorderWidthInsetTheBar) {
  auto g = Bar();
  g.ShowBorder = false;
  g.BorderWidth = 3;
  EXPECT_EQ(g.BarRect(), Rect(3, 3, 137, 13));
  // A bar too small for its insets draws nothing.
  EXPECT_TRUE(Bar(3, 3).Blocks(100).empty());
  EXPECT_EQ(Bar(3, 3).FilledRect(100).Width(), 0);
}
