// Targa: files ImageMagick writes read as ImageMagick decodes them; files
// we write read back in ImageMagick with the same pixels; bad files fail.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "pictures/GraphicStrings.h"
#include "pictures/RasterReaders.h"
#include "pictures/tests/RasterReadersPeer.h"

using namespace rastertest;

namespace {

TDib PatternDib(TPixelFormat format, int w, int h) {
  TDib dib;
  dib.Allocate(w, h, format);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (IsPaletteFormat(format))
        dib.SetRaw(x, y, uint32_t((x + y * 3) % int(dib.palette.size())));
      else
        dib.SetColor(x, y,
                     uint32_t(x * 8 % 256) | uint32_t(y * 16 % 256) << 8 | uint32_t((x * y) % 256) << 16);
    }
  // Long runs too, so the encoder makes run packets.
  for (int x = 0; x < w / 2; ++x) dib.SetRaw(x, 0, dib.GetRaw(0, 0));
  return dib;
}

}  // namespace

TEST(RasterReadersTarga, ReadsWhatImageMagickWrites) {
  if (Tool("convert").isEmpty()) GTEST_SKIP() << "ImageMagick is not installed";
  QTemporaryDir dir;
  const QString src = dir.filePath("src.ppm"), few = dir.filePath("few.ppm");
  WriteAll(src, PatternPpm(37, 23));
  WriteAll(few, PatternPpm(37, 23, 40));
  struct Case {
    const char* name;
    QString input;
    QStringList options;
  } cases[] = {
      {"true colour", src, {"-compress", "None"}},
      {"true colour rle", src, {"-compress", "RLE"}},
      {"palette", few, {"-type", "Palette", "-compress", "None"}},
      {"palette rle", few, {"-type", "Palette", "-compress", "RLE"}},
      {"grey", src, {"-colorspace", "Gray", "-compress", "None"}},
      {"grey rle", src, {"-colorspace", "Gray", "-compress", "RLE"}},
      {"alpha", src, {"-alpha", "set", "-compress", "RLE"}},
      {"top first", src, {"-orient", "TopLeft", "-compress", "None"}},
  };
  for (const Case& c : cases) {
    const QString file = dir.filePath(QString(c.name).replace(' ', '_') + ".tga");
    RunTool(Tool("convert"), QStringList{c.input} + c.options + QStringList{file});
    TTargaGraphic tga;
    tga.LoadFromBytes(ReadAll(file));
    ExpectSamePixels(tga, PeerPixels(file), 0, c.name);
  }
}

TEST(RasterReadersTarga, WrittenFilesReadBackInImageMagick) {
  if (Tool("convert").isEmpty()) GTEST_SKIP() << "ImageMagick is not installed";
  QTemporaryDir dir;
  for (TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit})
    for (bool compressed : {true, false}) {
      TTargaGraphic tga;
      tga.SetDib(PatternDib(format, 300, 9));
      tga.ImageID = "made here";
      const QByteArray bytes = tga.SaveToBytesCompressed(compressed);
      const QString file = dir.filePath(QString("w%1%2.tga").arg(int(format)).arg(compressed));
      WriteAll(file, bytes);
      const QString what = QString("format %1 compressed %2").arg(int(format)).arg(compressed);
      // Five-bit channels widen to eight bits by a rule of each program's own.
      const int tolerance = format == pf15bit || format == pf16bit ? 1 : 0;
      // A 5-6-5 picture is written as 5-5-5: green loses its lowest bit.
      ExpectSamePixels(tga, PeerPixels(file), format == pf16bit ? 4 : tolerance, what);
      TTargaGraphic back;
      back.LoadFromBytes(bytes);
      EXPECT_EQ(back.ImageID, "made here");
      ExpectSamePixels(back, PeerPixels(file), tolerance, what + " read back");
    }
  // An 8-bit picture is written as image type 9 with a 256-entry map of
  // 24-bit entries, rows top first.
  TTargaGraphic eight;
  eight.SetDib(PatternDib(pf8bit, 4, 4));
  const QByteArray bytes = eight.SaveToBytes();
  EXPECT_EQ(bytes[1], 1);
  EXPECT_EQ(bytes[2], 9);
  EXPECT_EQ(uint8_t(bytes[5]) | uint8_t(bytes[6]) << 8, 256);
  EXPECT_EQ(bytes[7], 24);
  EXPECT_EQ(bytes[17], 0x20);
}

TEST(RasterReadersTarga, BadFilesFail) {
  TTargaGraphic good;
  good.SetDib(PatternDib(pf24bit, 40, 10));
  const QByteArray rle = good.SaveToBytesCompressed(true);
  const QByteArray raw = good.SaveToBytesCompressed(false);
  auto header = [](int type, int bits, int w, int h) {
    QByteArray b(18, 0);
    b[2] = char(type);
    b[12] = char(w & 0xFF), b[13] = char(w >> 8), b[14] = char(h & 0xFF), b[15] = char(h >> 8);
    b[16] = char(bits);
    return b;
  };
  const QByteArray cases[] = {
      QByteArray(),
      raw.left(10),
      raw.left(raw.size() - 1),
      rle.left(rle.size() - 2),
      header(2, 24, 65535, 65535) + QByteArray(100, 0),
      header(10, 24, 65535, 65535) + QByteArray(100, char(0xFF)),
      header(2, 12, 4, 4) + QByteArray(100, 0),
      header(32, 8, 4, 4) + QByteArray(100, 0),
      header(2, 24, 0, 4),
  };
  int i = 0;
  for (const QByteArray& bytes : cases) {
    TTargaGraphic tga;
    EXPECT_THROW(tga.LoadFromBytes(bytes), EInvalidGraphic) << "case " << i;
    ++i;
  }
}
