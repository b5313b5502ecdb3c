// PNG: every colour type and bit depth, interlaced or not, written by
// ImageMagick and netpbm and compared with ImageMagick's decoding; damaged
// files fail with the reader's messages.

#include <gtest/gtest.h>
#include <zlib.h>

#include <QTemporaryDir>

#include "pictures/GraphicStrings.h"
#include "pictures/RasterReaders.h"
#include "pictures/tests/RasterReadersPeer.h"

using namespace rastertest;

namespace {

std::string LoadError(const QByteArray& bytes) {
  try {
    TPNGGraphic png;
    png.LoadFromBytes(bytes);
  } catch (const EInvalidGraphic& e) {
    return e.what();
  }
  return "";
}

QByteArray Chunk(const char* type, const QByteArray& data) {
  QByteArray out;
  const uint32_t n = uint32_t(data.size());
  out.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
  const QByteArray body = QByteArray(type, 4) + data;
  out += body;
  const uint32_t crc =
      uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size())));
  out.append(char(crc >> 24)).append(char(crc >> 16)).append(char(crc >> 8)).append(char(crc));
  return out;
}

QByteArray Ihdr(uint32_t w, uint32_t h, int depth, int type, int interlace = 0, int compression = 0) {
  QByteArray d;
  for (uint32_t v : {w, h})
    d.append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v));
  d.append(char(depth)).append(char(type)).append(char(compression)).append('\0').append(char(interlace));
  return Chunk("IHDR", d);
}

QByteArray Deflate(const QByteArray& raw) {
  uLongf size = compressBound(uLong(raw.size()));
  QByteArray out(qsizetype(size), 0);
  compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.constData()),
           uLong(raw.size()));
  out.resize(qsizetype(size));
  return out;
}

const QByteArray kSignature("\x89PNG\r\n\x1a\n", 8);

}  // namespace

TEST(RasterReadersPng, EveryColourTypeAndDepth) {
  if (Tool("convert").isEmpty()) GTEST_SKIP() << "ImageMagick is not installed";
  QTemporaryDir dir;
  const QString rgb = dir.filePath("rgb.ppm"), few = dir.filePath("few.ppm");
  WriteAll(rgb, PatternPpm(29, 19));
  WriteAll(few, PatternPpm(29, 19, 40));
  struct Case {
    const char* name;
    QString input;
    QStringList options;
    TPixelFormat format;
  } cases[] = {
      {"grey 1",
       dir.filePath("g2.pgm"),
       {"-define", "png:color-type=0", "-define", "png:bit-depth=1"},
       pf1bit},
      {"grey 2",
       dir.filePath("g4.pgm"),
       {"-define", "png:color-type=0", "-define", "png:bit-depth=2"},
       pf4bit},
      {"grey 4",
       dir.filePath("g16.pgm"),
       {"-define", "png:color-type=0", "-define", "png:bit-depth=4"},
       pf4bit},
      {"grey 8",
       dir.filePath("g256.pgm"),
       {"-define", "png:color-type=0", "-define", "png:bit-depth=8"},
       pf8bit},
      {"grey 16", rgb, {"-colorspace", "Gray", "-depth", "16", "-define", "png:color-type=0"}, pf8bit},
      {"rgb 8", rgb, {"-define", "png:color-type=2", "-depth", "8"}, pf24bit},
      {"rgb 16", rgb, {"-define", "png:color-type=2", "-depth", "16"}, pf24bit},
      // ImageMagick picks its own depth for these; netpbm's cases below
      // check the small palette depths.
      {"palette 1",
       dir.filePath("c2.ppm"),
       {"-define", "png:color-type=3", "-define", "png:bit-depth=1"},
       pfCustom},
      {"palette 2",
       dir.filePath("c4.ppm"),
       {"-define", "png:color-type=3", "-define", "png:bit-depth=2"},
       pfCustom},
      {"palette 4",
       dir.filePath("c16.ppm"),
       {"-define", "png:color-type=3", "-define", "png:bit-depth=4"},
       pfCustom},
      {"palette 8", few, {"-define", "png:color-type=3", "-define", "png:bit-depth=8"}, pf8bit},
      {"grey alpha 8",
       rgb,
       {"-colorspace", "Gray", "-alpha", "set", "-define", "png:color-type=4", "-depth", "8"},
       pf8bit},
      {"grey alpha 16",
       rgb,
       {"-colorspace", "Gray", "-alpha", "set", "-define", "png:color-type=4", "-depth", "16"},
       pf8bit},
      {"rgba 8", rgb, {"-alpha", "set", "-define", "png:color-type=6", "-depth", "8"}, pf32bit},
      {"rgba 16", rgb, {"-alpha", "set", "-define", "png:color-type=6", "-depth", "16"}, pf32bit},
  };
  for (int levels : {2, 4, 16, 256})
    WriteAll(dir.filePath(QString("g%1.pgm").arg(levels)), PatternPgm(29, 19, levels));
  for (int colours : {2, 4, 16})
    WriteAll(dir.filePath(QString("c%1.ppm").arg(colours)), PatternPpm(29, 19, colours));
  for (const Case& c : cases)
    for (bool interlaced : {false, true}) {
      const QString what = QString(c.name) + (interlaced ? " interlaced" : "");
      const QString file = dir.filePath(QString(what).replace(' ', '_') + ".png");
      RunTool(Tool("convert"), QStringList{c.input} + c.options +
                                   QStringList{"-interlace", interlaced ? "PNG" : "None", file});
      TPNGGraphic png;
      try {
        png.LoadFromBytes(ReadAll(file));
      } catch (const EInvalidGraphic& e) {
        ADD_FAILURE() << what.toStdString() << ": " << e.what();
        continue;
      }
      if (c.format != pfCustom) {
        EXPECT_EQ(png.PixelFormat(), c.format) << what.toStdString();
      }
      ExpectSamePixels(png, PeerPixels(file), 0, what);
    }
}

TEST(RasterReadersPng, NetpbmFilesAndTransparency) {
  if (Tool("convert").isEmpty() || Tool("pnmtopng").isEmpty())
    GTEST_SKIP() << "ImageMagick or netpbm missing";
  QTemporaryDir dir;
  const QString rgb = dir.filePath("rgb.ppm"), grey = dir.filePath("grey.pgm");
  WriteAll(rgb, PatternPpm(1, 9));
  WriteAll(grey, PatternPgm(17, 5));
  WriteAll(dir.filePath("wide.ppm"), PatternPpm(40, 10));
  struct Case {
    const char* name;
    QString input;
    QStringList options;
    std::optional<TColor> transparent;
    TPixelFormat format;
  } cases[] = {
      {"one pixel wide interlaced", rgb, {"-interlace"}, {}, pfCustom},
      {"rgb transparent", dir.filePath("wide.ppm"), {"-transparent", "rgb:00/00/00"}, RGB(0, 0, 0), pf24bit},
      {"grey transparent", grey, {"-transparent", "rgb:ff/ff/ff"}, RGB(255, 255, 255), pf8bit},
      {"text chunks", grey, {"-text", dir.filePath("text.txt"), "-interlace"}, {}, pf8bit},
      {"palette 1 bit", dir.filePath("c2.ppm"), {"-interlace"}, {}, pf1bit},
      {"palette 2 bits", dir.filePath("c4.ppm"), {}, {}, pf4bit},
      {"palette 4 bits", dir.filePath("c16.ppm"), {"-interlace"}, {}, pf4bit},
      {"palette transparent", dir.filePath("c16.ppm"), {"-transparent", "rgb:00/00/ff"}, {}, pf4bit},
  };
  for (int colours : {2, 4, 16})
    WriteAll(dir.filePath(QString("c%1.ppm").arg(colours)), PatternPpm(19, 11, colours));
  WriteAll(dir.filePath("text.txt"), "Title Made here\nAuthor Nobody\n");
  for (const Case& c : cases) {
    const QString file = dir.filePath(QString(c.name).replace(' ', '_') + ".png");
    WriteAll(file, RunTool(Tool("pnmtopng"), c.options + QStringList{c.input}));
    TPNGGraphic png;
    png.LoadFromBytes(ReadAll(file));
    ExpectSamePixels(png, PeerPixels(file), 0, c.name);
    if (c.format != pfCustom) {
      EXPECT_EQ(png.PixelFormat(), c.format) << c.name;
    }
    EXPECT_EQ(png.Transparent(), c.transparent.has_value()) << c.name;
    if (c.transparent) {
      EXPECT_EQ(png.TransparentColor(), *c.transparent) << c.name;
    }
  }
}

TEST(RasterReadersPng, HandMadeFilesAndDamage) {
  // 2 x 2 RGB, filter Sub on the first row and Paeth on the second, with
  // an ancillary chunk before and one after the image data.
  const QByteArray raw(
      "\x01\x0A\x14\x1E\x05\x05\x05"
      "\x04\x01\x02\x03\x01\x01\x01",
      14);
  const QByteArray idat = Chunk("IDAT", Deflate(raw));
  const QByteArray good =
      kSignature + Ihdr(2, 2, 8, 2) + Chunk("tEXt", "a\0b") + idat + Chunk("zzZz", "x") + Chunk("IEND", "");
  TPNGGraphic png;
  png.LoadFromBytes(good);
  EXPECT_EQ(png.Dib().GetColor(0, 0), 0x1E140Au);
  EXPECT_EQ(png.Dib().GetColor(1, 0), 0x23190Fu);
  EXPECT_EQ(png.Dib().GetColor(0, 1), 0x21160Bu);
  EXPECT_EQ(png.Dib().GetColor(1, 1), 0x241A10u);

  // The same data split over three IDAT chunks, one of them empty.
  const QByteArray z = Deflate(raw);
  const QByteArray split = kSignature + Ihdr(2, 2, 8, 2) + Chunk("IDAT", z.left(5)) + Chunk("IDAT", "") +
                           Chunk("IDAT", z.mid(5)) + Chunk("IEND", "");
  TPNGGraphic parts;
  parts.LoadFromBytes(split);
  EXPECT_EQ(parts.Dib().GetColor(1, 1), 0x241A10u);

  QByteArray badCrc = good;
  badCrc[60] = char(badCrc[60] ^ 1);  // in the image data
  QByteArray badZlib = kSignature + Ihdr(2, 2, 8, 2) +
                       Chunk("IDAT", QByteArray("\x78\x9c\xff\xff\xff\xff", 6)) + Chunk("IEND", "");
  const struct {
    QByteArray bytes;
    std::string error;
  } cases[] = {
      {QByteArray("\x89PNG\r\n\x1a\x0b", 8), "Cannot load image. Invalid or unexpected PNG image format."},
      {kSignature + Chunk("tEXt", "a") + Ihdr(2, 2, 8, 2),
       "Cannot load image. Invalid or unexpected PNG image format."},
      {kSignature + Ihdr(0, 2, 8, 2), "Cannot load image. Invalid or unexpected PNG image format."},
      {kSignature + Ihdr(2, 2, 8, 2, 0, 1),
       "Cannot load image. The compression scheme is not supported for PNG files."},
      {kSignature + Ihdr(2, 2, 8, 3) + Chunk("PLTE", "ab"),
       "Cannot load image. Palette in PNG file is invalid."},
      {kSignature + Ihdr(2, 2, 3, 2) + idat, "Invalid color format in PNG file."},
      {kSignature + Ihdr(2, 2, 16, 3) + idat, "Invalid color format in PNG file."},
      {kSignature + Ihdr(2, 2, 8, 2) + Chunk("ZZZZ", "") + idat,
       "Cannot load PNG image. Unexpected but critical chunk detected."},
      {badCrc, "Cannot load image. CRC error found in PNG file."},
      {badZlib, "Cannot load image. Compression error found in PNG file."},
      {kSignature + Ihdr(2, 3, 8, 2) + idat + Chunk("IEND", ""),
       "Cannot load image. Extra compressed data found in PNG file."},
      {kSignature + Ihdr(2, 2, 8, 2) + Chunk("IDAT", Deflate(raw + "xx")) + Chunk("IEND", ""), ""},
      {good.left(good.size() - 5), "Stream read error in PNG file."},
      {kSignature + Ihdr(2, 2, 8, 2) + Chunk("IEND", ""),
       "Cannot load image. Invalid or unexpected PNG image format."},
      // A tiny file claiming a huge picture: refused before allocating.
      {kSignature + Ihdr(60000, 60000, 8, 6) + idat,
       "Cannot load image. Invalid or unexpected PNG image format."},
      {kSignature + Ihdr(0x7FFFFFFF, 1, 8, 2) + idat,
       "Cannot load image. Invalid or unexpected PNG image format."},
  };
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(LoadError(cases[i].bytes), cases[i].error) << "case " << i;
}

TEST(RasterReadersPng, DecompressionBombIsCut) {
  // 4000 x 4000 RGBA of zeros deflates to about 60 KB; the reader must
  // take it (it is real) without reading past its rows.
  const QByteArray row(1 + 4000 * 4, 0);
  QByteArray raw;
  for (int y = 0; y < 4000; ++y) raw += row;
  const QByteArray file =
      kSignature + Ihdr(4000, 4000, 8, 6) + Chunk("IDAT", Deflate(raw)) + Chunk("IEND", "");
  TPNGGraphic png;
  png.LoadFromBytes(file);
  EXPECT_EQ(png.Width(), 4000);
  EXPECT_EQ(png.Dib().GetColor(3999, 3999), 0u);
}
