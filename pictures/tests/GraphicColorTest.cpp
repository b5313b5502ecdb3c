// The colour manager: setter checks, converter choice, the arithmetic of
// each converter family, masks, gamma and palettes.

#include "pictures/GraphicColor.h"

#include <gtest/gtest.h>

#include <cstring>

#include "pictures/GraphicStrings.h"

namespace {

template <class F>
std::string ErrorOf(F&& f) {
  try {
    f();
  } catch (const EColorConversionError& e) {
    return e.what();
  }
  return "";
}

void Configure(TColorManager& cm, TPixelScheme from, TPixelScheme to, int sourceBits = 8,
               int targetBits = 8) {
  cm.SetSourceBitsPerSample(sourceBits);
  cm.SetTargetBitsPerSample(targetBits);
  cm.SetSourceScheme(from);
  cm.SetTargetScheme(to);
}

}  // namespace

TEST(GraphicColor, SettersCheckTheirValuesAndKeepTheOldOne) {
  TColorManager cm;
  for (int bits : {0, 3, 5, 32})
    EXPECT_EQ(ErrorOf([&] { cm.SetSourceBitsPerSample(bits); }), gs::kInvalidColorDepth) << bits;
  EXPECT_EQ(cm.SourceBitsPerSample(), 8);
  EXPECT_EQ(ErrorOf([&] { cm.SetTargetSamplesPerPixel(2); }), gs::kInvalidSampleCount);
  EXPECT_EQ(cm.TargetSamplesPerPixel(), 3);
  cm.SetSourceSamplesPerPixel(1);
  EXPECT_EQ(cm.SourceScheme(), psIndexed);
  cm.SetTargetScheme(psIndexed);
  EXPECT_EQ(cm.TargetSamplesPerPixel(), 1);
}

TEST(GraphicColor, DefaultManagerTurnsRGBIntoBGR) {
  TColorManager cm;
  const uint8_t in[] = {10, 20, 30, 1, 2, 3};
  uint8_t out[6] = {};
  cm.ConvertRow({in}, out, 2);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 6), (std::vector<uint8_t>{30, 20, 10, 3, 2, 1}));
}

TEST(GraphicColor, SchemePairsWithoutAConverterFail) {
  struct Case {
    TPixelScheme from, to;
    const char* error;
  } cases[] = {
      {psGray, psIndexed, gs::kIndexedConversion}, {psRGB, psIndexed, gs::kIndexedConversion},
      {psIndexed, psBGR, gs::kIndexedConversion},  {psCMYK, psGray, gs::kNoConversion},
      {psCMY, psBGR, gs::kNoConversion},           {psGrayAlpha, psIndexed, ""},
  };
  for (const Case& c : cases) {
    TColorManager cm;
    cm.SetSourceScheme(c.from);
    cm.SetTargetScheme(c.to);
    uint8_t in[8] = {}, out[8] = {};
    EXPECT_EQ(ErrorOf([&] { cm.ConvertRow({in}, out, 1); }), c.error) << int(c.from) << "->" << int(c.to);
    // A failed choice stays failed until a setting changes.
    if (*c.error) {
      EXPECT_EQ(ErrorOf([&] { cm.ConvertRow({in}, out, 1); }), c.error);
    }
  }
}

TEST(GraphicColor, IndexedRescalesBetweenDepths) {
  TColorManager cm;
  Configure(cm, psIndexed, psIndexed, 4, 8);
  const uint8_t nibbles[] = {0x1F};
  uint8_t bytes[2] = {};
  cm.ConvertRow({nibbles}, bytes, 2);
  EXPECT_EQ(bytes[0], 17);
  EXPECT_EQ(bytes[1], 255);
  Configure(cm, psIndexed, psIndexed, 8, 4);
  const uint8_t wide[] = {255, 17};
  uint8_t packed[1] = {};
  cm.ConvertRow({wide}, packed, 2);
  EXPECT_EQ(packed[0], 0xF1);
  // 16-bit indexes into 8 bits, high byte first.
  Configure(cm, psIndexed, psIndexed, 16, 8);
  cm.SourceOptions = optSwapBytes;
  const uint8_t big[] = {0xFF, 0xFF, 0x01, 0x01};
  uint8_t narrow[2] = {};
  cm.ConvertRow({big}, narrow, 2);
  EXPECT_EQ(narrow[0], 255);
  EXPECT_EQ(narrow[1], 1);
}

TEST(GraphicColor, MaskWritesOnlyThePassPixels) {
  TColorManager cm;
  Configure(cm, psIndexed, psIndexed, 8, 8);
  const uint8_t in[] = {7, 9};
  std::vector<uint8_t> out(16, 0xEE);
  cm.ConvertRow({in}, out.data(), 16, 0x80);
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(out[i], i == 0 ? 7 : i == 8 ? 9 : 0xEE) << i;
  // The same for RGB: the source holds only the written pixels.
  TColorManager rgb;
  const uint8_t px[] = {1, 2, 3, 4, 5, 6};
  std::vector<uint8_t> row(16 * 3, 0);
  rgb.ConvertRow({px}, row.data(), 16, 0x80);
  EXPECT_EQ(row[0], 3);
  EXPECT_EQ(row[8 * 3], 6);
  EXPECT_EQ(row[3], 0);
}

TEST(GraphicColor, SixteenBitSamples) {
  TColorManager cm;
  Configure(cm, psRGB, psBGR, 16, 8);
  const uint16_t in[] = {65535, 0, 32768};
  uint8_t out[3] = {};
  cm.ConvertRow({reinterpret_cast<const uint8_t*>(in)}, out, 1);
  EXPECT_EQ(out[0], 127);
  EXPECT_EQ(out[1], 0);
  EXPECT_EQ(out[2], 255);

  TColorManager grey;
  grey.SetSourceScheme(psGrayAlpha);
  grey.SetTargetScheme(psIndexed);
  grey.SetSourceBitsPerSample(16);
  const uint16_t g[] = {65535, 0, 257, 0, 256, 0};
  uint8_t gout[3] = {};
  grey.ConvertRow({reinterpret_cast<const uint8_t*>(g)}, gout, 3);
  EXPECT_EQ(std::vector<uint8_t>(gout, gout + 3), (std::vector<uint8_t>{255, 1, 0}));

  grey.SourceOptions = optSwapBytes;
  const uint8_t swapped[] = {0x00, 0xFF, 0, 0};  // read as 0x00FF high byte first
  uint8_t sout[1] = {};
  grey.ConvertRow({swapped}, sout, 1);
  EXPECT_EQ(sout[0], 0);
  const uint8_t swapped2[] = {0xFF, 0x00, 0, 0};
  grey.ConvertRow({swapped2}, sout, 1);
  EXPECT_EQ(sout[0], 254);  // 0xFF00 x 255 div 65535

  TColorManager four;
  four.SetSourceBitsPerSample(4);
  four.SetSourceScheme(psGrayAlpha);
  four.SetTargetScheme(psIndexed);
  uint8_t untouched[2] = {0xAB, 0xCD};
  const uint8_t src[2] = {0x12, 0x34};
  four.ConvertRow({src}, untouched, 2);
  EXPECT_EQ(untouched[0], 0xAB);
}

TEST(GraphicColor, ColourSpaces) {
  struct Case {
    TPixelScheme from, to;
    uint8_t opts;
    std::vector<uint8_t> in, want;
  } cases[] = {
      {psCMYK, psRGB, 0, {0, 0, 0, 255}, {0, 0, 0}},
      {psCMYK, psRGB, 0, {100, 0, 0, 0}, {155, 255, 255}},
      {psCMYK, psBGR, 0, {100, 50, 0, 0}, {255, 205, 155}},
      {psYCbCr, psBGR, 0, {0, 156, 137}, {0, 0, 0}},
      {psYCbCr, psBGR, 0, {188, 156, 137}, {255, 255, 255}},
      {psCIELab, psRGB, optLabScaledL | optLabOffsetChroma, {255, 128, 128}, {255, 255, 255}},
      {psCIELab, psRGB, 0, {0, 0, 0}, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    TColorManager cm;
    cm.SetSourceSamplesPerPixel(int(c.in.size()));
    cm.SetSourceScheme(c.from);
    cm.SetTargetScheme(c.to);
    cm.SourceOptions = c.opts;
    std::vector<uint8_t> out(3);
    cm.ConvertRow({c.in.data()}, out.data(), 1);
    EXPECT_EQ(out, c.want) << int(c.from);
  }
  // Planar CMYK gives the same as interleaved.
  TColorManager cm;
  cm.SetSourceSamplesPerPixel(4);
  cm.SetSourceScheme(psCMYK);
  const uint8_t c[] = {100, 10}, m[] = {50, 20}, y[] = {0, 30}, k[] = {0, 40};
  uint8_t out[6];
  cm.ConvertRow({c, m, y, k}, out, 2);
  EXPECT_EQ(out[0], 255);
  EXPECT_EQ(out[1], 205);
  EXPECT_EQ(out[2], 155);
  EXPECT_EQ(out[5], 255 - (10 + 40 - 10 * 40 / 255));
}

TEST(GraphicColor, GammaTable) {
  TColorManager cm;
  EXPECT_EQ(cm.GammaTable()[128], 186);
  EXPECT_EQ(cm.GammaTable()[0], 0);
  EXPECT_EQ(cm.GammaTable()[255], 255);
  cm.SetGamma(0, 0);
  EXPECT_EQ(cm.GammaTable()[128], 186);
  cm.SetGamma(1 / 2.2f, 2.2f);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(cm.GammaTable()[size_t(i)], i);
  cm.SetGamma(1.0f, 2.2f);
  cm.TargetOptions = optGamma;
  const uint8_t in[] = {128, 0, 255};
  uint8_t out[3];
  cm.ConvertRow({in}, out, 1);
  EXPECT_EQ(out[2], 186);
  EXPECT_EQ(out[0], 255);
}

TEST(GraphicColor, PixelFormats) {
  EXPECT_EQ(TColorManager::PixelFormatFor(3, 8), pf24bit);
  EXPECT_EQ(TColorManager::PixelFormatFor(4, 16), pf32bit);
  EXPECT_EQ(TColorManager::PixelFormatFor(1, 16), pf8bit);
  EXPECT_EQ(TColorManager::PixelFormatFor(1, 2), pf4bit);
  EXPECT_EQ(TColorManager::PixelFormatFor(1, 1), pf1bit);
  EXPECT_EQ(TColorManager::PixelFormatFor(3, 4), pf15bit);
  EXPECT_EQ(TColorManager::PixelFormatFor(4, 4), pfCustom);
}

TEST(GraphicColor, Palettes) {
  TColorManager cm;
  cm.SetTargetSamplesPerPixel(1);
  const auto inverted = cm.CreateGrayscalePalette(true);
  ASSERT_EQ(inverted.size(), 256u);
  EXPECT_EQ(inverted[0].rgbRed, 255);
  EXPECT_EQ(inverted[255].rgbRed, 0);
  cm.SetTargetBitsPerSample(4);
  const auto sixteen = cm.CreateGrayscalePalette(false);
  ASSERT_EQ(sixteen.size(), 16u);
  EXPECT_EQ(sixteen[1].rgbGreen, 17);

  // 16 colours of 4-bit indexes into an 8-bit target: each repeated over
  // the 17 entries its rescaled index covers.
  TColorManager pm;
  pm.SetSourceBitsPerSample(4);
  pm.SetTargetBitsPerSample(8);
  std::vector<uint8_t> triples(16 * 3);
  for (int i = 0; i < 16; ++i) triples[size_t(i * 3)] = uint8_t(i * 10);
  const auto palette = pm.CreatePaletteFromPlanes({triples.data()}, 0, 16, false);
  ASSERT_EQ(palette.size(), 256u);
  EXPECT_EQ(palette[17].rgbRed, 10);
  EXPECT_EQ(palette[33].rgbRed, 10);
  EXPECT_EQ(palette[34].rgbRed, 20);
  EXPECT_EQ(palette[255].rgbRed, 150);
  EXPECT_EQ(palette[254].rgbRed, 140);

  // Blue-first quadruples and 16-bit planes high byte first.
  TColorManager qm;
  const uint8_t quads[] = {1, 2, 3, 99};
  const auto q = qm.CreatePaletteFromPlanes({quads}, 1, 1, true);
  EXPECT_EQ(q[0], (TRGBQuad{1, 2, 3, 0}));
  qm.SourceOptions = optSwapBytes;
  const uint8_t r[] = {0xFF, 0xFF}, g[] = {0x80, 0x00}, b[] = {0x00, 0x00};
  const auto p16 = qm.CreatePaletteFromPlanes({r, g, b}, 6, 1, false);
  EXPECT_EQ(p16[0], (TRGBQuad{0, 127, 255, 0}));
}
