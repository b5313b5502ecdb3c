// Button glyph images: how a strip splits into images, which image each
// button state shows, and the shared glyph lists and their cache.

#include <gtest/gtest.h>

#include "effects/QRXGlyphs.h"
#include "platform/gui/Canvas.h"

namespace {

// A strip of n images, image i filled with colours[i], on a fuchsia
// background border so the transparent colour is fuchsia.
TBitmap Strip(int w, int h, const std::vector<TColor>& colours) {
  TBitmap b;
  b.SetSize(w * int(colours.size()), h);
  b.Canvas().Brush().SetColor(clFuchsia);
  b.Canvas().FillRect(Rect(0, 0, b.Width(), h));
  for (std::size_t i = 0; i < colours.size(); ++i) {
    b.Canvas().Brush().SetColor(colours[i]);
    b.Canvas().FillRect(Rect(int(i) * w + 2, 2, int(i + 1) * w - 2, h - 2));
  }
  return b;
}

TEST(QRXGlyph, NumGlyphsFollowsTheStripShape) {
  struct Case {
    int w, h, expected;
  };
  for (const Case c : {Case{188, 50, 1}, Case{72, 24, 3}, Case{144, 24, 1}, Case{48, 24, 2}}) {
    TQRXGlyph glyph;
    TBitmap b;
    b.SetSize(c.w, c.h);
    glyph.SetGlyph(&b);
    EXPECT_EQ(glyph.NumGlyphs(), c.expected) << c.w << "x" << c.h;
  }
  TQRXGlyph glyph;
  glyph.SetNumGlyphs(0);
  EXPECT_EQ(glyph.NumGlyphs(), 1);
}

TEST(QRXGlyph, StatesShareImagesAsTheyMap) {
  TQRXGlyph glyph;
  const TBitmap one = Strip(16, 16, {clRed});
  glyph.SetGlyph(&one);
  const int up = glyph.CreateButtonGlyph(0);
  ASSERT_GE(up, 0);
  EXPECT_EQ(glyph.CreateButtonGlyph(2), up);
  EXPECT_EQ(glyph.CreateButtonGlyph(3), up);
  EXPECT_EQ(glyph.CreateButtonGlyph(4), up);
  const int disabled = glyph.CreateButtonGlyph(1);
  EXPECT_NE(disabled, up);
  EXPECT_EQ(glyph.CreateButtonGlyph(7), disabled);
  EXPECT_EQ(glyph.List()->UsedCount(), 2);

  // Three images: up, disabled, hover; grey until hover shows the first grey.
  TQRXGlyph three;
  const TBitmap strip = Strip(16, 16, {clRed, clGray, clBlue});
  three.SetGlyph(&strip);
  ASSERT_EQ(three.NumGlyphs(), 3);
  const auto colourOf = [&](int state) {
    TBitmap target;
    target.SetSize(16, 16);
    target.Canvas().Brush().SetColor(clWhite);
    target.Canvas().FillRect(Rect(0, 0, 16, 16));
    EXPECT_TRUE(three.DrawImage(target.Canvas(), 0, 0, state));
    return std::make_pair(target.Canvas().Pixel(8, 8), target.Canvas().Pixel(0, 0));
  };
  EXPECT_EQ(colourOf(0), std::make_pair(TColor(clRed), TColor(clWhite)));  // fuchsia masked out
  EXPECT_EQ(colourOf(1).first, TColor(clGray));
  EXPECT_EQ(colourOf(2).first, TColor(clBlue));
  EXPECT_EQ(colourOf(3).first, TColor(clRed));
  three.SetGreyUntilHover(true);
  const TColor grey = colourOf(0).first;
  EXPECT_NE(grey, TColor(clRed));
  EXPECT_EQ(GetRValue(grey), GetGValue(grey));
  EXPECT_EQ(colourOf(3).first, TColor(clBlue));
}

TEST(QRXGlyph, ListsAreSharedByImageSizeAndFreedWithTheirLastImage) {
  {
    TQRXGlyph a, b, other;
    const TBitmap red = Strip(16, 16, {clRed}), blue = Strip(16, 16, {clBlue}), big = Strip(24, 24, {clRed});
    a.SetGlyph(&red);
    b.SetGlyph(&blue);
    other.SetGlyph(&big);
    a.CreateButtonGlyph(0);
    b.CreateButtonGlyph(0);
    other.CreateButtonGlyph(0);
    EXPECT_EQ(a.List(), b.List());
    EXPECT_NE(a.List(), other.List());
    ASSERT_NE(GlyphCache(), nullptr);
    EXPECT_EQ(GlyphCache()->ListCount(), 2);

    // A freed cell is reused before the strip grows.
    TQRXGlyphList* list = a.List();
    const int width = list->ImageStrip().Width();
    const int freed = b.CreateButtonGlyph(0);
    b.ReleaseImages();
    EXPECT_EQ(list->AddMasked(red, clFuchsia), freed);
    EXPECT_EQ(list->ImageStrip().Width(), width);
    list->Delete(freed);
  }
  EXPECT_EQ(GlyphCache(), nullptr);
}

TEST(QRXGlyph, ChangingTheBitmapInPlaceDropsTheImages) {
  TQRXGlyph glyph;
  int changes = 0;
  glyph.OnChange = [&](TQRXGlyph*) { ++changes; };
  const TBitmap one = Strip(16, 16, {clRed});
  glyph.SetGlyph(&one);
  EXPECT_EQ(changes, 0);
  glyph.CreateButtonGlyph(0);
  ASSERT_NE(glyph.List(), nullptr);
  glyph.Glyph().Canvas().Brush().SetColor(clLime);
  glyph.Glyph().Canvas().FillRect(Rect(0, 0, 16, 16));
  EXPECT_GE(changes, 1);
  EXPECT_EQ(glyph.List(), nullptr);
  EXPECT_EQ(glyph.TransparentColor(), TColor(clLime));
  TQRXGlyph empty;
  EXPECT_EQ(empty.CreateButtonGlyph(0), -1);
}

}  // namespace
