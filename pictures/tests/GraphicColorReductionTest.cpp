// Colour lookups, the error-diffusion ditherers and the colour reduction of
// bitmaps to palettes.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "pictures/Dither.h"
#include "pictures/GifCommon.h"
#include "pictures/GraphicColorReduction.h"

namespace {

// A 24-bit picture: a smooth ramp over the width, another over the height,
// and a little noise.
TBitmap Picture(int w, int h, unsigned seed = 1) {
  TBitmap bitmap;
  bitmap.SetSize(w, h);
  bitmap.SetPixelFormat(pf24bit);
  std::mt19937 random(seed);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      row[3 * x + 2] = std::uint8_t(x * 255 / std::max(1, w - 1));
      row[3 * x + 1] = std::uint8_t(y * 255 / std::max(1, h - 1));
      row[3 * x + 0] = std::uint8_t((x * 3 + y * 5 + random() % 16) & 0xFF);
    }
  }
  return bitmap;
}

std::array<double, 3> MeanColor(const TBitmap& bitmap) {
  std::array<double, 3> sum{};
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) {
      const std::uint32_t c = bitmap.Dib().GetColor(x, y);
      sum[0] += c & 0xFF;
      sum[1] += (c >> 8) & 0xFF;
      sum[2] += (c >> 16) & 0xFF;
    }
  for (double& s : sum) s /= double(bitmap.Width()) * bitmap.Height();
  return sum;
}

}  // namespace

TEST(ColorLookup, FixedLookups) {
  std::uint8_t r, g, b;
  TMonochromeLookup mono;
  EXPECT_EQ(mono.MatchColor(128, 128, 128, r, g, b), 1);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(mono.MatchColor(127, 127, 127, r, g, b), 0);
  EXPECT_EQ(g, 0);
  TNetscapeColorLookup web;
  EXPECT_EQ(web.MatchColor(47, 0, 0, r, g, b), 0);
  EXPECT_EQ(web.MatchColor(48, 0, 0, r, g, b), 36);
  EXPECT_EQ(r, 51);
  EXPECT_EQ(web.MatchColor(255, 255, 255, r, g, b), 215);
  TGrayScaleLookup gray;
  EXPECT_EQ(gray.MatchColor(255, 0, 0, r, g, b), 76);
  EXPECT_EQ(gray.MatchColor(0, 0, 255, r, g, b), 28);
  EXPECT_EQ(b, 28);
}

TEST(ColorLookup, FastLookupFindsTheNearestAndKeepsExactColours) {
  // Entries 1 and 2 share the 15-bit key of (8, 8, 8); entries 3 and 4 are
  // at the same distance from (100, 100, 100).
  const std::vector<TRGBQuad> palette = {
      {0, 0, 0, 0}, {8, 8, 8, 0}, {9, 9, 9, 0}, {90, 100, 100, 0}, {100, 100, 110, 0}};
  TFastColorLookup lookup(palette);
  EXPECT_EQ(lookup.ColorCount(), 5);
  std::uint8_t r, g, b;
  EXPECT_EQ(lookup.MatchColor(9, 9, 9, r, g, b), 2);  // its own entry, not the key's first
  EXPECT_EQ(lookup.MatchColor(8, 8, 8, r, g, b), 1);
  EXPECT_EQ(lookup.MatchColor(100, 100, 100, r, g, b), 3);  // the lower of equal entries
  EXPECT_EQ(lookup.MatchColor(100, 100, 99, r, g, b), 3);
  EXPECT_EQ(r, 100);
  EXPECT_EQ(b, 90);
  EXPECT_EQ(TFastColorLookup({}).ColorCount(), 0);
}

TEST(Ditherer, SerpentineWalkAndNearestMapping) {
  TGrayScaleLookup gray;
  TDitherEngine engine(5, gray);
  EXPECT_EQ(engine.Direction(), 1);
  EXPECT_EQ(engine.Column(), 0);
  engine.StartNextRow();
  EXPECT_EQ(engine.Direction(), -1);
  EXPECT_EQ(engine.Column(), 4);
  engine.StartNextRow();
  EXPECT_EQ(engine.Column(), 0);
  for (int row = 0; row < 3; ++row) {
    while (engine.Column() >= 0 && engine.Column() < 5) {
      const int x = engine.Column();
      EXPECT_EQ(engine.DitherPixel(std::uint8_t(x * 50), 0, 0), (77 * x * 50) >> 8);
    }
    engine.StartNextRow();
  }
}

TEST(ColorReduction, EveryMethodAndDitherGivesAValidPaletteImage) {
  const TColorPalette custom = {
      {0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}, {255, 255, 255, 0}};
  struct Method {
    TReductionMethod method;
    size_t paletteSize;
  };
  const std::vector<Method> methods = {
      {rmSystemColors, 20}, {rmHalftone, 256},  {rmFourGrays, 4},  {rmBlackWhite, 2},
      {rmGrayRamp, 256},    {rmWebColors, 216}, {rmOptimized, 16}, {rmOptimizedWithSystem, 256},
      {rmCustomPalette, 5}};
  const TBitmap colour = Picture(61, 37);
  // Grey palettes hold no hue: they are given a grey picture to keep.
  TBitmap grey(colour);
  for (int y = 0; y < 37; ++y)
    for (int x = 0; x < 61; ++x) {
      std::uint8_t* p = grey.ScanLine(y) + 3 * x;
      p[0] = p[1] = p[2] = std::uint8_t((77 * p[2] + 150 * p[1] + 29 * p[0]) >> 8);
    }
  for (const Method& m : methods)
    for (int kind = dkNearest; kind <= dkBurkes; ++kind) {
      SCOPED_TRACE("method " + std::to_string(m.method) + " dither " + std::to_string(kind));
      const bool greys = m.method == rmBlackWhite || m.method == rmFourGrays || m.method == rmGrayRamp;
      const TBitmap& source = greys ? grey : colour;
      const auto sourceMean = MeanColor(source);
      TBitmap input(source);
      auto result = ReduceBitmapColors(input, m.method, TDitherKind(kind), 4, &custom);
      EXPECT_EQ(input.PixelFormat(), pf24bit);
      ASSERT_EQ(result->PixelFormat(), pf8bit);
      ASSERT_EQ(result->Width(), 61);
      ASSERT_EQ(result->Height(), 37);
      EXPECT_EQ(result->Palette().size(), m.paletteSize);
      for (int y = 0; y < 37; ++y)
        for (int x = 0; x < 61; ++x) ASSERT_LT(result->ScanLine(y)[x], m.paletteSize);
      // Error diffusion keeps the picture's mean colour; the grey methods
      // keep its mean brightness.
      if (kind != dkNearest) {
        const auto mean = MeanColor(*result);
        if (greys) {
          auto luma = [](const std::array<double, 3>& c) {
            return (77 * c[0] + 150 * c[1] + 29 * c[2]) / 256;
          };
          EXPECT_NEAR(luma(mean), luma(sourceMean), 8.0);
        } else if (m.method != rmCustomPalette) {
          for (int c = 0; c < 3; ++c) EXPECT_NEAR(mean[size_t(c)], sourceMean[size_t(c)], 6.0) << c;
        }
      }
    }
}

TEST(ColorReduction, OptimizedPaletteKeepsExactColoursWhenTheyFit) {
  // 12 distinct colours, two of them a step apart, fit a 16-entry palette.
  TBitmap source;
  source.SetSize(12, 5);
  source.SetPixelFormat(pf24bit);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 12; ++x) {
      std::uint8_t* p = source.ScanLine(y) + 3 * x;
      p[0] = std::uint8_t(x == 11 ? 201 : x * 20);  // 200 and 201 share a cache key
      p[1] = 7;
      p[2] = std::uint8_t(255 - x);
    }
  for (int kind = dkNearest; kind <= dkBurkes; ++kind) {
    TBitmap input(source);
    auto result = ReduceBitmapColors(input, rmOptimized, TDitherKind(kind), 4);
    ASSERT_EQ(result->Palette().size(), 16u);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 12; ++x) EXPECT_EQ(result->Dib().GetColor(x, y), source.Dib().GetColor(x, y)) << x;
  }
  // More colours than entries: at most 2^bits, and still a fair likeness.
  TBitmap many = Picture(40, 40, 5);
  auto reduced = ReduceBitmapColors(many, rmOptimized, dkNearest, 3);
  EXPECT_EQ(reduced->Palette().size(), 8u);
}

TEST(ColorReduction, DriverEdgeCases) {
  TBitmap source = Picture(4, 3);
  source.SetPixelFormat(pf32bit);
  auto copy = ReduceBitmapColors(source, rmNone, dkNearest, 8);
  EXPECT_EQ(copy->PixelFormat(), pf24bit);
  EXPECT_EQ(source.PixelFormat(), pf32bit);
  EXPECT_EQ(copy->Dib().GetColor(3, 2), source.Dib().GetColor(3, 2));
  EXPECT_TRUE(ReduceBitmapColors(source, TReductionMethod(10), dkNearest, 8)->Empty());
  EXPECT_TRUE(ReduceBitmapColors(source, rmWebColors, TDitherKind(7), 8)->Empty());
  EXPECT_TRUE(ReduceBitmapColors(source, rmCustomPalette, dkNearest, 8)->Empty());
  TBitmap empty;
  try {
    ReduceBitmapColors(empty, rmWebColors, dkNearest, 8);
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Invalid image dimensions");
  }

  TBitmap gray;
  gray.SetSize(3, 1);
  gray.SetPixelFormat(pf24bit);
  const std::uint8_t px[9] = {10, 200, 30, 128, 128, 128, 255, 0, 0};  // blue, green, red
  std::copy(px, px + 9, gray.ScanLine(0));
  auto ramp = ReduceBitmapColors(gray, rmGrayRamp, dkNearest, 8);
  EXPECT_EQ(ramp->ScanLine(0)[0], (77 * 30 + 150 * 200 + 29 * 10) >> 8);
  EXPECT_EQ(ramp->ScanLine(0)[2], 28);
  auto bw = ReduceBitmapColors(gray, rmBlackWhite, dkNearest, 8);
  EXPECT_EQ(bw->ScanLine(0)[1], 1);
  ASSERT_EQ(bw->Palette().size(), 2u);
  EXPECT_EQ(bw->Palette()[1], (TRGBQuad{255, 255, 255, 0}));

  TBitmap target;
  EXPECT_THROW(TDIBWriter(target, pf16bit, 2, 2, {}), GIFException);
  EXPECT_THROW(TDIBWriter(target, pf8bit, 0, 2, {}), GIFException);
  TDIBWriter writer(target, pf8bit, 2, 2, {{1, 2, 3, 0}});
  EXPECT_THROW(writer.ScanLine(-1), EInvalidGraphicOperation);
  EXPECT_THROW(writer.ScanLine(2), EInvalidGraphicOperation);
  writer.ScanLine(1)[1] = 0;
  writer.Finish();
  EXPECT_EQ(target.Width(), 2);
  EXPECT_EQ(target.Palette().size(), 1u);
}

namespace {

// Error diffusion written out plainly from the published kernels: a full
// error buffer, the weights as a matrix around the pixel (mirrored on rows
// walked right to left), each pixel's sum divided once, rounding as C
// does, errors past the edges dropped. An independent account of what
// every ditherer must produce.
struct ReferenceKernel {
  TDitherKind kind;
  int divisor;
  int centre;                         // column of the pixel in each row below
  std::vector<std::vector<int>> rows;  // row 0 starts at the pixel itself
};

std::vector<std::uint8_t> ReferenceDither(const ReferenceKernel& k, const std::vector<std::array<int, 3>>& pixels,
                                          int width, int height, const std::vector<TRGBQuad>& palette) {
  std::vector<std::array<int, 3>> error(size_t(width * height), {0, 0, 0});
  std::vector<std::uint8_t> out(size_t(width * height));
  for (int y = 0; y < height; ++y) {
    const int dir = y % 2 == 0 ? 1 : -1;
    for (int i = 0; i < width; ++i) {
      const int x = dir == 1 ? i : width - 1 - i;
      std::array<int, 3> value;
      for (int c = 0; c < 3; ++c) {
        const int e = error[size_t(y * width + x)][size_t(c)];
        value[size_t(c)] = std::clamp(pixels[size_t(y * width + x)][size_t(c)] + (e + k.divisor / 2) / k.divisor, 0, 255);
      }
      int best = 0, best_distance = 1 << 30;
      for (size_t p = 0; p < palette.size(); ++p) {
        const int d = std::abs(value[0] - palette[p].rgbRed) + std::abs(value[1] - palette[p].rgbGreen) +
                      std::abs(value[2] - palette[p].rgbBlue);
        if (d < best_distance) best = int(p), best_distance = d;
      }
      out[size_t(y * width + x)] = std::uint8_t(best);
      const std::array<int, 3> chosen = {palette[size_t(best)].rgbRed, palette[size_t(best)].rgbGreen,
                                         palette[size_t(best)].rgbBlue};
      for (size_t row = 0; row < k.rows.size(); ++row)
        for (size_t col = 0; col < k.rows[row].size(); ++col) {
          const int weight = k.rows[row][col];
          const int tx = x + dir * (int(col) - k.centre), ty = y + int(row);
          if (weight == 0 || tx < 0 || tx >= width || ty >= height) continue;
          for (int c = 0; c < 3; ++c)
            error[size_t(ty * width + tx)][size_t(c)] += weight * (value[size_t(c)] - chosen[size_t(c)]);
        }
    }
  }
  return out;
}

}  // namespace

TEST(Ditherer, EveryKernelMatchesThePlainAccountOfItsWeights) {
  const std::vector<ReferenceKernel> kernels = {
      {dkFloydSteinberg, 16, 1, {{0, 0, 7}, {3, 5, 1}}},
      {dkStucki, 42, 2, {{0, 0, 0, 8, 4}, {2, 4, 8, 4, 2}, {1, 2, 4, 2, 1}}},
      {dkSierra, 32, 2, {{0, 0, 0, 5, 3}, {2, 4, 5, 4, 2}, {0, 2, 3, 2, 0}}},
      {dkJaJuNi, 48, 2, {{0, 0, 0, 7, 5}, {3, 5, 7, 5, 3}, {1, 3, 5, 3, 1}}},
      {dkSteveArche, 200, 3,
       {{0, 0, 0, 0, 0, 32, 0}, {12, 0, 26, 0, 30, 0, 16}, {0, 12, 0, 26, 0, 12, 0}, {5, 0, 12, 0, 12, 0, 5}}},
      {dkBurkes, 32, 2, {{0, 0, 0, 8, 4}, {2, 4, 8, 4, 2}}},
  };
  const std::vector<TRGBQuad> palette = {{0, 0, 0, 0},     {255, 255, 255, 0}, {0, 0, 255, 0},
                                         {0, 255, 0, 0},   {255, 0, 0, 0},     {128, 128, 128, 0}};
  const int width = 23, height = 9;
  std::vector<std::array<int, 3>> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels.push_back({x * 11, y * 28, (x * 7 + y * 13) % 256});
  for (const ReferenceKernel& k : kernels) {
    SCOPED_TRACE("ditherer " + std::to_string(k.kind));
    const std::vector<std::uint8_t> expected = ReferenceDither(k, pixels, width, height, palette);
    TFastColorLookup lookup(palette);
    std::unique_ptr<TDitherEngine> engine = MakeDitherer(k.kind, width, lookup);
    ASSERT_NE(engine, nullptr);
    for (int y = 0; y < height; ++y) {
      for (int i = 0; i < width; ++i) {
        const int x = engine->Column();
        const auto& p = pixels[size_t(y * width + x)];
        EXPECT_EQ(engine->DitherPixel(std::uint8_t(p[0]), std::uint8_t(p[1]), std::uint8_t(p[2])),
                  expected[size_t(y * width + x)])
            << "at " << x << "," << y;
      }
      engine->StartNextRow();
    }
  }
}
