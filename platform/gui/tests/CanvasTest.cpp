// Canvas primitives checked pixel by pixel on bitmaps.

#include <gtest/gtest.h>

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
