// The 32-bit skin bitmap: blending, masked, stretched and tiled drawing,
// colour conversions and its stream record, checked pixel by pixel.

#include <gtest/gtest.h>

#include <QImage>
#include <cstring>
#include <random>

#include "platform/core/Streams.h"
#include "skin/se_bitmap.h"
#include "skin/se_stream.h"
#include "skin/se_winxp.h"

namespace {

// A pixel that tells where it came from: x in blue, y in green, opaque.
TSeArgb Marker(int x, int y) { return 0xFF000000u | 0x00400000u | (TSeArgb(y) << 8) | TSeArgb(x); }

void FillMarkers(TSeBitmap& b) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) *b.PixelPtr(x, y) = Marker(x, y);
}

TSeArgb Rgb(const TSeBitmap& b, int x, int y) { return b.GetPixel(x, y) & 0xFFFFFF; }

// The blend written one channel at a time, to hold the two-at-a-time code to.
TSeArgb ReferenceBlend(TSeArgb f, TSeArgb b) {
  const unsigned a = f >> 24;
  if (a == 255) return f;
  if (a == 0) return b;
  TSeArgb out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const unsigned fc = (f >> shift) & 0xFF;
    const unsigned bc = (b >> shift) & 0xFF;
    out |= TSeArgb(((fc * a + 128) / 256) + ((bc * (255 - a) + 128) / 256)) << shift;
  }
  return out;
}

}  // namespace

TEST(SeBitmap, BlendPixelFollowsTheRoundedQuarterFormula) {
  EXPECT_EQ(se::BlendPixel(0x80FFFFFFu, 0xFF000000u), 0xBF808080u);
  EXPECT_EQ(se::BlendPixel(0x00ABCDEFu, 0xFF123456u), 0xFF123456u);  // alpha 0: colour bytes ignored
  EXPECT_EQ(se::BlendPixel(0xFF123456u, 0x80FFFFFFu), 0xFF123456u);
  // 254 divides by 256, so a trace of the background stays.
  EXPECT_EQ(se::BlendPixel(0xFE000000u, 0xFFFFFFFFu), 0xFD010101u);
  std::mt19937 random(7);
  for (int i = 0; i < 20000; ++i) {
    const TSeArgb f = random();
    const TSeArgb b = random();
    ASSERT_EQ(se::BlendPixel(f, b), ReferenceBlend(f, b)) << std::hex << f << " over " << b;
  }
}

TEST(SeBitmap, SizingTakesAbsoluteValuesAndNeverEmpties) {
  TSeBitmap b;
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.GetPixel(0, 0), 0xFF000000u);
  b.SetSize(-10, 5);
  EXPECT_EQ(b.Width(), 10);
  EXPECT_EQ(b.Height(), 5);
  EXPECT_EQ(b.GetPixel(9, 4), 0u);  // new pixels start cleared
  b.SetSize(0, 5);
  EXPECT_EQ(b.Width(), 10);
  EXPECT_EQ(b.GetPixel(10, 0), 0xFF000000u);
  EXPECT_EQ(b.GetPixel(-1, 0), 0xFF000000u);
}

TEST(SeBitmap, TransparentColorTakesDifferencesBelowSix) {
  TSeBitmap b;
  b.SetSize(3, 1);
  *b.PixelPtr(0, 0) = se::MakeArgb(250, 5, 255, 255);
  *b.PixelPtr(1, 0) = se::MakeArgb(249, 0, 255, 255);
  *b.PixelPtr(2, 0) = se::MakeArgb(255, 0, 255, 0);
  b.SetTransparentColor(0x00FF00FF);
  EXPECT_EQ(b.GetPixel(0, 0), KeyColor);
  EXPECT_EQ(b.GetPixel(1, 0), se::MakeArgb(249, 0, 255, 255));
  EXPECT_EQ(b.GetPixel(2, 0), KeyColor);  // alpha is not compared
}

TEST(SeBitmap, ColourConversions) {
  EXPECT_EQ(se::ColorToArgb(RGB(1, 2, 3)), 0xFF010203u);
  EXPECT_EQ(se::ColorToArgb(clBtnFace), 0xFF000000u | ((GetSysColor(COLOR_BTNFACE) & 0xFF) << 16) |
                                            (GetSysColor(COLOR_BTNFACE) & 0xFF00) |
                                            ((GetSysColor(COLOR_BTNFACE) >> 16) & 0xFF));
  EXPECT_EQ(se::ColorRefToArgb(0x00030201), 0xFF010203u);
  EXPECT_EQ(se::ArgbToColor(0x7F010203u), RGB(1, 2, 3));
  EXPECT_EQ(se::MakeArgb(-5, 300, 7, 9), 0x0900FF07u);
  EXPECT_EQ(se::ArgbSubtract(0x05102030u, 0x20, 0x10, 0x10, 0x06), 0xFF001020u);
}

TEST(SeBitmap, HueShiftWrapsOnA255StepCircle) {
  EXPECT_EQ(se::ShiftArgbHue(0xFFFF0000u, 10), 0xFFFF3C00u);  // hue 10/255 of pure red
  EXPECT_EQ(se::ShiftArgbHue(0x40808080u, 77), 0xFF808080u);  // grey stays grey, made opaque
  // Round trip without a shift keeps saturated colours.
  for (TSeArgb c : {0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu, 0xFF000000u})
    EXPECT_EQ(se::ShiftArgbHue(c, 0), c) << std::hex << c;
  // Blue is hue 170; +100 passes 255 and loses 255: hue 15.
  EXPECT_EQ(se::ShiftArgbHue(0xFF0000FFu, 100), se::HslToArgb(15 / 255.0, 1, 0.5));
  EXPECT_EQ(se::ShiftArgbHue(0xFFFF0000u, -10), se::HslToArgb(245 / 255.0, 1, 0.5));

  TSeBitmap b;
  b.SetSize(2, 1);
  *b.PixelPtr(0, 0) = 0xFFFF0000u;
  *b.PixelPtr(1, 0) = 0x00FF0000u;  // alpha 0 is left alone
  b.ChangeHue(10);
  EXPECT_EQ(b.GetPixel(0, 0), 0xFFFF3C00u);
  EXPECT_EQ(b.GetPixel(1, 0), 0x00FF0000u);
  ASSERT_NE(b.BitmapCopy(), nullptr);
}

TEST(SeBitmap, FillRectClipsAndBlends) {
  TSeBitmap b;
  b.SetSize(4, 3);
  b.Clear(0xFF000000u);
  b.FillRect(Rect(-2, 1, 9, 2), 0xFF0000FFu);
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(b.GetPixel(x, 0), 0xFF000000u);
    EXPECT_EQ(b.GetPixel(x, 1), 0xFF0000FFu);
  }
  b.SetAlphaBlend(true);
  b.FillRect(Rect(0, 2, 1, 3), 0x80FFFFFFu);
  EXPECT_EQ(b.GetPixel(0, 2), 0xBF808080u);
  b.SetAlphaRect(7, Rect(3, -5, 10, 1));
  EXPECT_EQ(b.GetPixel(3, 0), 0x07000000u);
  EXPECT_EQ(b.GetPixel(2, 0), 0xFF000000u);
}

TEST(SeBitmap, MergeBackgroundShiftsForNegativeLeft) {
  TSeBitmap back;
  back.SetSize(4, 1);
  FillMarkers(back);
  TSeBitmap front;
  front.SetSize(6, 1);
  *front.PixelPtr(0, 0) = 0x00000000u;  // outside the merged part: stays
  *front.PixelPtr(3, 0) = 0x00000000u;  // alpha 0 takes the background
  *front.PixelPtr(4, 0) = 0x80FFFFFFu;  // blended
  *front.PixelPtr(5, 0) = 0xFF112233u;  // opaque stays
  front.MergeBackground(back, 0, 0, Rect(-3, 0, 3, 1));
  EXPECT_EQ(front.GetPixel(0, 0), 0x00000000u);
  EXPECT_EQ(front.GetPixel(3, 0), Marker(0, 0));
  EXPECT_EQ(front.GetPixel(4, 0), se::BlendPixel(0x80FFFFFFu, Marker(1, 0)));
  EXPECT_EQ(front.GetPixel(5, 0), 0xFF112233u);
}

TEST(SeBitmap, TileDrawRepeatsAndClipsTheLastTiles) {
  TSeBitmap src;
  src.SetSize(10, 10);
  FillMarkers(src);
  for (bool copy : {false, true}) {
    TSeBitmap dst;
    dst.SetSize(30, 20);
    dst.Clear(0xFFEEEEEEu);
    if (copy) {
      src.UpdateBitmapCopy();
      src.TileDrawCopy(dst.Canvas(), Rect(2, 3, 27, 18), Rect(0, 0, 10, 10));
    } else {
      src.TileDraw(dst.Canvas(), Rect(2, 3, 27, 18), Rect(0, 0, 10, 10), false);
    }
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 30; ++x) {
        const bool inside = x >= 2 && x < 27 && y >= 3 && y < 18;
        const TSeArgb want = inside ? Marker((x - 2) % 10, (y - 3) % 10) : 0xEEEEEEu;
        ASSERT_EQ(Rgb(dst, x, y), want & 0xFFFFFF) << "copy " << copy << " at " << x << "," << y;
      }
  }
}

TEST(SeBitmap, MaskedDrawingLeavesOutTheKeyAtEqualAndOtherSizes) {
  TSeBitmap src;
  src.SetSize(3, 2);
  FillMarkers(src);
  *src.PixelPtr(1, 0) = KeyColor;
  *src.PixelPtr(2, 1) = 0xFF7F007Fu;  // opaque, but the key on red, green, blue
  TSeBitmap dst;
  dst.SetSize(8, 4);
  dst.Clear(0xFF000000u);
  src.Draw(dst.Canvas(), 1, 1, true);
  EXPECT_EQ(Rgb(dst, 1, 1), Marker(0, 0) & 0xFFFFFF);
  EXPECT_EQ(Rgb(dst, 2, 1), 0u);
  EXPECT_EQ(Rgb(dst, 3, 2), 0u);
  EXPECT_EQ(Rgb(dst, 3, 1), Marker(2, 0) & 0xFFFFFF);

  // 3 to 7 columns in 16.16 steps: source columns 0 0 0 1 1 2 2.
  dst.Clear(0xFF000000u);
  src.StretchDraw(dst.Canvas(), Rect(0, 0, 7, 4), Rect(0, 0, 3, 2), true);
  const int cols[7] = {0, 0, 0, 1, 1, 2, 2};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 7; ++x) {
      const int sx = cols[x];
      const int sy = y / 2;
      const TSeArgb p = src.GetPixel(sx, sy);
      const TSeArgb want = (p & 0xFFFFFF) == 0x7F007F ? 0u : (p & 0xFFFFFF);
      ASSERT_EQ(Rgb(dst, x, y), want) << x << "," << y;
    }
  // Unmasked, the key is drawn like any colour.
  src.StretchDraw(dst.Canvas(), Rect(0, 0, 7, 4), Rect(0, 0, 3, 2), false);
  EXPECT_EQ(Rgb(dst, 3, 0), 0x7F007Fu);
}

TEST(SeBitmap, CopiesOntoAnotherBitmapPlainAndBlended) {
  TSeBitmap src;
  src.SetSize(2, 2);
  *src.PixelPtr(0, 0) = 0xFF102030u;
  *src.PixelPtr(1, 0) = 0x80FFFFFFu;
  *src.PixelPtr(0, 1) = 0x00FFFFFFu;
  *src.PixelPtr(1, 1) = 0x40000000u;
  TSeBitmap dst;
  dst.SetSize(3, 3);
  dst.Clear(0xFF000000u);
  src.DrawToBitmap(dst, 2, 2, Rect(0, 0, 2, 2));  // only (0,0) lands inside
  EXPECT_EQ(dst.GetPixel(2, 2), 0xFF102030u);
  EXPECT_EQ(dst.GetPixel(1, 1), 0xFF000000u);

  dst.Clear(0xFF000000u);
  src.DrawToBitmap(dst, 0, 0, Rect(0, 0, 2, 2));  // plain copies alpha too
  EXPECT_EQ(dst.GetPixel(0, 1), 0x00FFFFFFu);

  dst.Clear(0xFF000000u);
  src.SetAlphaBlend(true);
  src.DrawToBitmap(dst, 0, 0, Rect(0, 0, 2, 2));
  EXPECT_EQ(dst.GetPixel(0, 0), 0xFF102030u);
  EXPECT_EQ(dst.GetPixel(1, 0), 0xBF808080u);
  EXPECT_EQ(dst.GetPixel(0, 1), 0xFF000000u);
  EXPECT_EQ(dst.GetPixel(1, 1), se::BlendPixel(0x40000000u, 0xFF000000u));

  // Stretched by alpha: 2 x 2 into 3 x 3, the start rounded with 65535.
  dst.Clear(0xFF000000u);
  src.StretchDrawToBitmap(dst, Rect(0, 0, 3, 3), Rect(0, 0, 2, 2));
  const int idx[3] = {0, 0, 1};  // step 43690: 0, 43690, 87380 >> 16
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) {
      const TSeArgb p = src.GetPixel(idx[x], idx[y]);
      ASSERT_EQ(dst.GetPixel(x, y), se::BlendPixel(p, 0xFF000000u)) << x << "," << y;
    }
  // Clipped at the left: the start is MulDiv(1 * 2, 65535, 3) = 43690.
  dst.Clear(0xFF000000u);
  src.StretchDrawToBitmap(dst, Rect(-1, 0, 2, 3), Rect(0, 0, 2, 2));
  EXPECT_EQ(dst.GetPixel(0, 0), se::BlendPixel(src.GetPixel(0, 0), 0xFF000000u));
  EXPECT_EQ(dst.GetPixel(1, 0), se::BlendPixel(src.GetPixel(1, 0), 0xFF000000u));
}

TEST(SeBitmap, StreamRecordRoundTripsAndRefusesDamage) {
  TSeBitmap b;
  b.SetName("Frame");
  b.SetSize(3, 2);
  FillMarkers(b);
  *b.PixelPtr(1, 1) = 0x12345678u;
  TMemoryStream stream;
  b.SaveToStream(stream);
  ASSERT_EQ(stream.Size(), 4 + 5 + 4 + 4 + 3 * 2 * 4);
  const std::uint8_t* m = stream.Memory();
  EXPECT_EQ(std::memcmp(m, "\x05\0\0\0Frame\x03\0\0\0\x02\0\0\0", 17), 0);
  EXPECT_EQ(m[17 + 4 * 4], 0x78);  // pixel (1,1): blue, green, red, alpha
  EXPECT_EQ(m[17 + 4 * 4 + 3], 0x12);

  stream.SetPosition(0);
  TSeBitmap back;
  back.LoadFromStream(stream);
  EXPECT_EQ(back.Name(), "Frame");
  ASSERT_EQ(back.Width(), 3);
  ASSERT_EQ(back.Height(), 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(back.GetPixel(x, y), b.GetPixel(x, y));

  // A zero side has no pixel block; the next record follows at once.
  TMemoryStream empty;
  se::WriteStreamString(empty, "E");
  se::WriteInt32(empty, 0);
  se::WriteInt32(empty, 7);
  se::WriteInt32(empty, 99);
  empty.SetPosition(0);
  TSeBitmap e;
  e.LoadFromStream(empty);
  EXPECT_TRUE(e.Empty());
  EXPECT_EQ(se::ReadInt32(empty), 99);

  struct Case {
    const char* what;
    std::int32_t nameLength, width, height;
    int pixelBytes;
  };
  const Case cases[] = {
      {"cut pixels", 1, 2, 2, 15},
      {"negative width", 1, -2, 2, 16},
      {"name longer than data", 1000, 1, 1, 4},
      {"negative name length", -1, 1, 1, 4},
      {"huge size", 1, 0x7FFFFFFF, 0x7FFFFFFF, 4},
  };
  for (const Case& c : cases) {
    TMemoryStream s;
    se::WriteInt32(s, c.nameLength);
    s.WriteBuffer("N", 1);
    se::WriteInt32(s, c.width);
    se::WriteInt32(s, c.height);
    std::vector<char> pixels(std::size_t(c.pixelBytes), 0);
    s.WriteBuffer(pixels.data(), c.pixelBytes);
    s.SetPosition(0);
    TSeBitmap x;
    EXPECT_THROW(x.LoadFromStream(s), EReadError) << c.what;
  }
  TMemoryStream cut;
  cut.WriteBuffer("\x01\0\0\0N\x02\0", 7);
  cut.SetPosition(0);
  EXPECT_THROW(back.LoadFromStream(cut), EReadError);
}

TEST(SeBitmap, LinksAndTheBitmapList) {
  TSeBitmapList list;
  for (const char* name : {"Button", "Frame", "BUTTON"}) {
    auto b = std::make_unique<TSeBitmap>();
    b->SetName(name);
    b->SetSize(4, 4);
    list.Add(std::move(b));
  }
  auto link = list.GetLink("button", Rect(1, 1, 3, 4));
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->Bitmap, list.GetBitmap(2));  // the later of the two
  EXPECT_EQ(link->Name, "BUTTON");
  EXPECT_TRUE(link->Valid());
  EXPECT_EQ(list.GetLink("nothing", Rect(0, 0, 1, 1)), nullptr);
  EXPECT_EQ(list.GetBitmap(3), nullptr);
  EXPECT_EQ(list.GetBitmap(-1), nullptr);
  TSeBitmapLink empty = *link;
  empty.Right = empty.Left;
  EXPECT_FALSE(empty.Valid());
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(SeBitmap, AssignFromAndToClassLibraryBitmaps) {
  TBitmap source;
  source.SetSize(2, 2);
  source.Canvas().SetPixel(1, 0, RGB(10, 20, 30));
  TSeBitmap b;
  b.Assign(source);
  ASSERT_EQ(b.Width(), 2);
  EXPECT_EQ(b.GetPixel(1, 0), 0xFF0A141Eu);
  *b.PixelPtr(0, 1) = 0x00445566u;
  TBitmap out;
  b.AssignTo(out);
  ASSERT_EQ(out.Width(), 2);
  EXPECT_EQ(out.Canvas().Pixel(0, 1), RGB(0x44, 0x55, 0x66));
  EXPECT_EQ(out.Canvas().Pixel(1, 0), RGB(10, 20, 30));
}

TEST(SeWinXp, NoThemeLibraryButCountedCalls) {
  const int before = se::ThemeLibraryRefCount();
  EXPECT_FALSE(se::InitThemeLibrary());
  EXPECT_FALSE(se::InitThemeLibrary());
  EXPECT_EQ(se::ThemeLibraryRefCount(), before + 2);
  EXPECT_FALSE(se::UseThemes());
  se::FreeThemeLibrary();
  se::FreeThemeLibrary();
  EXPECT_EQ(se::ThemeLibraryRefCount(), before);
  while (se::ThemeLibraryRefCount() > 0) se::FreeThemeLibrary();
  se::FreeThemeLibrary();  // one more than the loads: stays at zero
  EXPECT_EQ(se::ThemeLibraryRefCount(), 0);
  EXPECT_FALSE(se::ThemeLibraryLoaded());
}

// Tiling a destination far larger than the surface draws only the tiles
// the surface shows, and they line up with the destination's corner.
TEST(SeBitmap, TilingIsClippedToTheSurface) {
  TSeBitmap tile;
  tile.SetSize(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) *tile.PixelPtr(x, y) = se::MakeArgb(40 * x, 100 * y, 7, 255);
  tile.UpdateBitmapCopy();
  for (const bool copy : {false, true}) {
    TSeBitmap surface;
    surface.SetSize(20, 9);
    const TRect dest = Rect(-7, -5, 1 << 20, 1 << 20);
    if (copy)
      tile.TileDrawCopy(surface.Canvas(), dest, Rect(0, 0, 3, 2));
    else
      tile.TileDraw(surface.Canvas(), dest, Rect(0, 0, 3, 2), false);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 20; ++x)
        ASSERT_EQ(surface.GetPixel(x, y) & 0xFFFFFF, tile.GetPixel((x + 7) % 3, (y + 5) % 2) & 0xFFFFFF)
            << x << "," << y << (copy ? " copy" : "");
  }
}
