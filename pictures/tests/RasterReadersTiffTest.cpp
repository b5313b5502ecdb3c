// TIFF: files ImageMagick and libtiff write, compared with ImageMagick's
// own decoding; compressions the reader does not take are refused.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "pictures/GraphicStrings.h"
#include "pictures/RasterReaders.h"
#include "pictures/tests/RasterReadersPeer.h"

using namespace rastertest;

namespace {

std::string LoadError(const QByteArray& bytes) {
  try {
    TTIFFGraphic tiff;
    tiff.LoadFromBytes(bytes);
  } catch (const EInvalidGraphic& e) {
    return e.what();
  }
  return "";
}

const std::string kCompressionRefused =
    "Cannot load image. The compression scheme is not supported for TIF/TIFF files.";

}  // namespace

TEST(RasterReadersTiff, ReadsWhatImageMagickWrites) {
  if (Tool("convert").isEmpty()) GTEST_SKIP() << "ImageMagick is not installed";
  QTemporaryDir dir;
  const QString src = dir.filePath("src.ppm"), few = dir.filePath("few.ppm"), grey = dir.filePath("grey.pgm");
  const QString sixteen = dir.filePath("sixteen.ppm");
  WriteAll(src, PatternPpm(45, 31));
  WriteAll(few, PatternPpm(45, 31, 40));
  WriteAll(sixteen, PatternPpm(45, 31, 16));
  WriteAll(grey, PatternPgm(45, 31, 2));
  struct Case {
    const char* name;
    QString input;
    QStringList options;
    int tolerance;
    TPixelFormat format;
  } cases[] = {
      {"rgb", src, {"-compress", "None"}, 0, pf24bit},
      {"rgb packbits", src, {"-compress", "RLE"}, 0, pf24bit},
      {"rgb strips", src, {"-compress", "None", "-define", "tiff:rows-per-strip=4"}, 0, pf24bit},
      {"rgb packbits strips", src, {"-compress", "RLE", "-define", "tiff:rows-per-strip=5"}, 0, pf24bit},
      {"rgb big-endian", src, {"-endian", "MSB", "-compress", "None"}, 0, pf24bit},
      {"rgb 16", src, {"-depth", "16", "-compress", "None"}, 0, pf24bit},
      {"rgb 16 big-endian", src, {"-depth", "16", "-endian", "MSB", "-compress", "RLE"}, 0, pf24bit},
      {"rgba", src, {"-alpha", "set", "-compress", "None"}, 0, pf32bit},
      {"grey", src, {"-colorspace", "Gray", "-compress", "None"}, 0, pf8bit},
      {"grey 16",
       src,
       {"-colorspace", "Gray", "-depth", "16", "-endian", "MSB", "-compress", "None"},
       0,
       pf8bit},
      {"grey alpha", src, {"-colorspace", "Gray", "-alpha", "set", "-compress", "None"}, 0, pf8bit},
      {"palette", few, {"-type", "Palette", "-compress", "None"}, 0, pf8bit},
      {"palette 4 bits", sixteen, {"-type", "Palette", "-depth", "4", "-compress", "None"}, 0, pf4bit},
      {"bilevel", grey, {"-type", "Bilevel", "-depth", "1", "-compress", "None"}, 0, pf1bit},
      {"bilevel min-is-white",
       grey,
       {"-type", "Bilevel", "-depth", "1", "-define", "tiff:photometric=min-is-white", "-compress", "None"},
       0,
       pf1bit},
      {"bilevel packbits", grey, {"-type", "Bilevel", "-depth", "1", "-compress", "RLE"}, 0, pf1bit},
      {"fax", grey, {"-type", "Bilevel", "-depth", "1", "-compress", "Fax"}, 0, pf1bit},
      {"cmyk", src, {"-colorspace", "CMYK", "-compress", "None"}, 1, pf24bit},
      {"cmyk 16",
       src,
       {"-colorspace", "CMYK", "-depth", "16", "-endian", "MSB", "-compress", "None"},
       1,
       pf24bit},
  };
  for (const Case& c : cases) {
    const QString file = dir.filePath(QString(c.name).replace(' ', '_') + ".tif");
    RunTool(Tool("convert"), QStringList{c.input} + c.options + QStringList{file});
    TTIFFGraphic tiff;
    try {
      tiff.LoadFromBytes(ReadAll(file));
    } catch (const EInvalidGraphic& e) {
      ADD_FAILURE() << c.name << ": " << e.what();
      continue;
    }
    EXPECT_EQ(tiff.PixelFormat(), c.format) << c.name;
    ExpectSamePixels(tiff, PeerPixels(file), c.tolerance, c.name);
  }
}

TEST(RasterReadersTiff, LibtiffFaxAndRefusedCompressions) {
  if (Tool("convert").isEmpty() || Tool("tiffcp").isEmpty())
    GTEST_SKIP() << "ImageMagick or libtiff tools missing";
  QTemporaryDir dir;
  const QString grey = dir.filePath("grey.pgm"), plain = dir.filePath("plain.tif");
  WriteAll(grey, PatternPgm(61, 17, 2));
  RunTool(Tool("convert"), {grey, "-type", "Bilevel", "-depth", "1", "-compress", "None", plain});
  struct Case {
    const char* name;
    QStringList options;
    bool readable;
  } cases[] = {
      {"g3", {"-c", "g3"}, true},
      {"g3 fill", {"-c", "g3:1d:fill"}, true},
      {"g3 lsb first", {"-c", "g3", "-f", "lsb2msb"}, true},
      {"g3 strips", {"-c", "g3", "-r", "3"}, true},
      {"packbits strips", {"-c", "packbits", "-r", "2"}, true},
      {"g3 2d", {"-c", "g3:2d"}, false},
      {"g4", {"-c", "g4"}, false},
      {"lzw", {"-c", "lzw"}, false},
      {"zip", {"-c", "zip"}, false},
  };
  for (const Case& c : cases) {
    const QString file = dir.filePath(QString(c.name).replace(' ', '_') + ".tif");
    RunTool(Tool("tiffcp"), c.options + QStringList{plain, file});
    if (c.readable) {
      TTIFFGraphic tiff;
      tiff.LoadFromBytes(ReadAll(file));
      ExpectSamePixels(tiff, PeerPixels(file), 0, c.name);
    } else {
      EXPECT_EQ(LoadError(ReadAll(file)), kCompressionRefused) << c.name;
    }
  }
}

TEST(RasterReadersTiff, ModifiedHuffmanAndPredictorFixtures) {
  // A hand-made little-endian TIFF: one strip, 8 x 2, 1 bit,
  // WhiteIsZero, compression 2; each row white 3, black 2, white 3.
  auto build = [](std::vector<std::array<uint32_t, 3>> tags, const QByteArray& data) {
    QByteArray f("II*\0\x08\0\0\0", 8);
    auto put16 = [&](uint32_t v) { f.append(char(v & 0xFF)), f.append(char(v >> 8 & 0xFF)); };
    auto put32 = [&](uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
    put16(uint32_t(tags.size()));
    const uint32_t dataOffset = 8 + 2 + uint32_t(tags.size()) * 12 + 4;
    for (auto& t : tags) {
      put16(t[0]);
      put16(t[1]);
      put32(1);
      if (t[0] == 273) t[2] = dataOffset;
      if (t[1] == 3)
        put16(t[2]), put16(0);
      else
        put32(t[2]);
    }
    put32(0);
    return f + data;
  };
  const QByteArray mh("\x8E\x00\x8E\x00", 4);
  const QByteArray tiff = build({{{256, 3, 8}},
                                 {{257, 3, 2}},
                                 {{258, 3, 1}},
                                 {{259, 3, 2}},
                                 {{262, 3, 0}},
                                 {{273, 4, 0}},
                                 {{279, 4, 4}}},
                                mh);
  TTIFFGraphic fax;
  fax.LoadFromBytes(tiff);
  ASSERT_EQ(fax.PixelFormat(), pf1bit);
  EXPECT_EQ(fax.Palette()[0].rgbRed, 255);  // WhiteIsZero: white at index 0
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(fax.Dib().GetColor(x, y), (x == 3 || x == 4) ? 0u : 0xFFFFFFu) << x;

  // 8-bit grey with horizontal differencing.
  const QByteArray diff("\x10\x05\x05\xFB", 4);
  const QByteArray pred = build({{{256, 3, 4}},
                                 {{257, 3, 1}},
                                 {{258, 3, 8}},
                                 {{259, 3, 1}},
                                 {{262, 3, 1}},
                                 {{273, 4, 0}},
                                 {{279, 4, 4}},
                                 {{317, 3, 2}}},
                                diff);
  TTIFFGraphic grey;
  grey.LoadFromBytes(pred);
  EXPECT_EQ(grey.Dib().GetColor(0, 0), 0x101010u);
  EXPECT_EQ(grey.Dib().GetColor(2, 0), 0x1A1A1Au);
  EXPECT_EQ(grey.Dib().GetColor(3, 0), 0x151515u);

  // Without a Compression tag the file is refused.
  const QByteArray noCompression =
      build({{{256, 3, 4}}, {{257, 3, 1}}, {{258, 3, 8}}, {{262, 3, 1}}, {{273, 4, 0}}, {{279, 4, 4}}}, diff);
  EXPECT_EQ(LoadError(noCompression), kCompressionRefused);
}

TEST(RasterReadersTiff, HostileFilesFail) {
  QTemporaryDir dir;
  QByteArray good;
  if (!Tool("convert").isEmpty()) {
    WriteAll(dir.filePath("s.ppm"), PatternPpm(20, 20));
    RunTool(Tool("convert"), {dir.filePath("s.ppm"), "-compress", "RLE", dir.filePath("s.tif")});
    good = ReadAll(dir.filePath("s.tif"));
  }
  std::vector<QByteArray> cases = {QByteArray(), QByteArray("II*\0", 4), QByteArray("II+\0\x08\0\0\0", 8),
                                   QByteArray("II*\0\xFF\xFF\0\0", 8),
                                   QByteArray("MM\0*\0\0\0\x08\xFF\xFF", 10)};
  for (int cut = 16; cut < good.size(); cut += good.size() / 7) cases.push_back(good.left(cut));
  // Every byte of the directory and strip tables flipped in turn must give
  // a picture or a clean refusal.
  for (int i = 8; i < std::min<int>(int(good.size()), 400); ++i) {
    QByteArray bad = good;
    bad[i] = char(bad[i] ^ 0xFF);
    try {
      TTIFFGraphic tiff;
      tiff.LoadFromBytes(bad);
    } catch (const EInvalidGraphic&) {
    }
  }
  for (const QByteArray& bytes : cases) EXPECT_NE(LoadError(bytes), "") << bytes.size();
}
