// Portable maps, PCX, SGI, PSD and Photo-CD files written by ImageMagick
// and netpbm, compared with ImageMagick's decoding of the same files.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "pictures/GraphicStrings.h"
#include "pictures/RasterReaders.h"
#include "pictures/tests/RasterReadersPeer.h"

using namespace rastertest;

namespace {

struct PeerCase {
  const char* name;
  QString program;  // "convert" or a netpbm tool writing to its output
  QStringList args;
  TPixelFormat format = pfCustom;  // pfCustom: not checked
  int tolerance = 0;
};

// Makes each file with its tool, loads it with `T` and compares pixels.
template <class T>
void CheckAgainstPeer(QTemporaryDir& dir, const char* extension, const std::vector<PeerCase>& cases) {
  for (const PeerCase& c : cases) {
    const QString file = dir.filePath(QString(c.name).replace(' ', '_') + "." + extension);
    if (c.program == "convert") {
      RunTool(Tool("convert"), c.args + QStringList{file});
    } else {
      WriteAll(file, RunTool(Tool(c.program.toLatin1().constData()), c.args));
    }
    T graphic;
    try {
      graphic.LoadFromBytes(ReadAll(file));
    } catch (const EInvalidGraphic& e) {
      ADD_FAILURE() << c.name << ": " << e.what();
      continue;
    }
    if (c.format != pfCustom) {
      EXPECT_EQ(graphic.PixelFormat(), c.format) << c.name;
    }
    ExpectSamePixels(graphic, PeerPixels(file), c.tolerance, c.name);
  }
}

bool HavePeers() { return !Tool("convert").isEmpty() && !Tool("pnmtoplainpnm").isEmpty(); }

}  // namespace

TEST(RasterReadersPeerFormats, PortableMaps) {
  if (!HavePeers()) GTEST_SKIP() << "ImageMagick or netpbm missing";
  QTemporaryDir dir;
  const QString rgb = dir.filePath("rgb.ppm"), grey = dir.filePath("grey.pgm"),
                bits = dir.filePath("bits.pbm");
  WriteAll(rgb, PatternPpm(23, 13));
  WriteAll(grey, PatternPgm(23, 13));
  RunTool(Tool("convert"), {grey, "-threshold", "50%", bits});
  CheckAgainstPeer<TPPMGraphic>(
      dir, "pnm",
      {
          {"p6", "convert", {rgb}, pf24bit},
          {"p5", "convert", {grey}, pf8bit},
          {"p4", "convert", {bits}, pf1bit},
          {"p3", "pnmtoplainpnm", {rgb}, pf24bit},
          {"p2", "pnmtoplainpnm", {grey}, pf8bit},
          {"p1", "pnmtoplainpnm", {bits}, pf1bit},
          {"p6 16 bits", "convert", {rgb, "-depth", "16"}, pf24bit},
          {"p5 maximum 15", "pamdepth", {"15", grey}, pf8bit},
          {"p3 maximum 1000", "pamdepth", {"1000", dir.filePath("p3.pnm")}, pf24bit},
      });
  // Comments anywhere a number may stand, CR LF line ends, and the rest
  // of the magic line ignored.
  TPPMGraphic ppm;
  ppm.LoadFromBytes(QByteArray("P2 # kind\r\n# one\n# two\n3 # w\n1\n255\n0 128\n255\n"));
  EXPECT_EQ(ppm.Width(), 3);
  EXPECT_EQ(ppm.Dib().GetColor(1, 0), 0x808080u);
  ppm.LoadFromBytes(QByteArray("P5 9 9 255\n2 1 255\nAB"));
  EXPECT_EQ(ppm.Width(), 2);
  EXPECT_EQ(ppm.Dib().GetColor(1, 0), 0x424242u);
  const std::pair<const char*, const char*> bad[] = {
      {"", "Cannot load image. Invalid or unexpected PBM, PGM or PPM image format."},
      {"Q6\n1 1 255\nabc", "Cannot load image. Invalid or unexpected PBM, PGM or PPM image format."},
      {"P7\n1 1\n", "Cannot load image. Invalid or unexpected PBM, PGM or PPM image format."},
      {"P6\n2 2 255\nabc", "Stream read error in PPM file."},
      {"P3\n2 1 255\n1 2 3 4", "Stream read error in PPM file."},
      {"P5\n100000 100000 255\nab", "Stream read error in PPM file."},
      {"P2\n2 1 0\n0 0", "Cannot load image. Invalid or unexpected PBM, PGM or PPM image format."},
  };
  for (const auto& [bytes, error] : bad) {
    try {
      TPPMGraphic p;
      p.LoadFromBytes(QByteArray(bytes));
      ADD_FAILURE() << "loaded " << bytes;
    } catch (const EInvalidGraphic& e) {
      EXPECT_STREQ(e.what(), error) << bytes;
    }
  }
}

TEST(RasterReadersPeerFormats, Pcx) {
  if (!HavePeers() || Tool("ppmtopcx").isEmpty()) GTEST_SKIP() << "ImageMagick or netpbm missing";
  QTemporaryDir dir;
  const QString rgb = dir.filePath("rgb.ppm"), few = dir.filePath("few.ppm"), sixteen = dir.filePath("s.ppm");
  const QString two = dir.filePath("two.ppm");
  WriteAll(rgb, PatternPpm(27, 11));
  WriteAll(few, PatternPpm(27, 11, 40));
  WriteAll(sixteen, PatternPpm(27, 11, 16));
  WriteAll(two, PatternPpm(27, 11, 2));
  CheckAgainstPeer<TPCXGraphic>(dir, "pcx",
                                {
                                    {"im true colour", "convert", {rgb}, pf24bit},
                                    {"im palette", "convert", {few, "-type", "Palette"}, pf8bit},
                                    {"im bilevel", "convert", {two, "-type", "Bilevel"}},
                                    {"netpbm 24 bit", "ppmtopcx", {"-24bit", rgb}, pf24bit},
                                    {"netpbm 8 bit", "ppmtopcx", {"-8bit", few}, pf8bit},
                                    {"netpbm planes", "ppmtopcx", {sixteen}, pf4bit},
                                    {"netpbm packed", "ppmtopcx", {"-packed", sixteen}, pf4bit},
                                });
}

TEST(RasterReadersPeerFormats, Sgi) {
  if (!HavePeers() || Tool("pnmtosgi").isEmpty()) GTEST_SKIP() << "ImageMagick or netpbm missing";
  QTemporaryDir dir;
  const QString rgb = dir.filePath("rgb.ppm"), grey = dir.filePath("grey.pgm");
  WriteAll(rgb, PatternPpm(31, 17));
  WriteAll(grey, PatternPgm(31, 17));
  CheckAgainstPeer<TSGIGraphic>(
      dir, "sgi",
      {
          {"im rle", "convert", {rgb, "-compress", "RLE"}, pf24bit},
          {"im verbatim", "convert", {rgb, "-compress", "None"}, pf24bit},
          {"im grey", "convert", {grey}, pf8bit},
          {"im rgba", "convert", {rgb, "-alpha", "set"}, pf32bit},
          {"im 16 bits", "convert", {rgb, "-depth", "16", "-compress", "RLE"}, pf24bit},
          {"im grey 16 bits", "convert", {grey, "-depth", "16"}, pf8bit},
          {"netpbm rle", "pnmtosgi", {"-rle", rgb}, pf24bit},
          {"netpbm verbatim", "pnmtosgi", {"-verbatim", grey}, pf8bit},
      });
}

TEST(RasterReadersPeerFormats, Psd) {
  if (!HavePeers()) GTEST_SKIP() << "ImageMagick is not installed";
  QTemporaryDir dir;
  const QString rgb = dir.filePath("rgb.ppm"), grey = dir.filePath("grey.pgm");
  WriteAll(rgb, PatternPpm(33, 21));
  WriteAll(grey, PatternPgm(33, 21));
  CheckAgainstPeer<TPSDGraphic>(
      dir, "psd",
      {
          {"rgb", "convert", {rgb}, pf24bit},
          {"rgb raw", "convert", {rgb, "-compress", "None"}, pf24bit},
          {"rgb 16", "convert", {rgb, "-depth", "16"}, pf24bit},
          {"rgba", "convert", {rgb, "-alpha", "set"}, pf32bit},
          {"grey", "convert", {grey}, pf8bit},
          {"grey 16 raw", "convert", {grey, "-depth", "16", "-compress", "None"}, pf8bit},
          {"cmyk", "convert", {rgb, "-colorspace", "CMYK"}, pf24bit, 1},
      });
}

TEST(RasterReadersPeerFormats, PsdPaletteMatchesItsSource) {
  // ImageMagick writes indexed PSD files it cannot read back itself, so
  // the picture is checked against the colours it was made from.
  if (!HavePeers()) GTEST_SKIP() << "ImageMagick is not installed";
  QTemporaryDir dir;
  const QByteArray source = PatternPpm(33, 21, 40);
  WriteAll(dir.filePath("few.ppm"), source);
  const QString file = dir.filePath("palette.psd");
  RunTool(Tool("convert"), {dir.filePath("few.ppm"), "-type", "Palette", file});
  TPSDGraphic psd;
  psd.LoadFromBytes(ReadAll(file));
  EXPECT_EQ(psd.PixelFormat(), pf8bit);
  ExpectSamePixels(psd, ParsePnm(source), 0, "palette");
}

TEST(RasterReadersPeerFormats, PhotoCd) {
  if (!HavePeers()) GTEST_SKIP() << "ImageMagick is not installed";
  QTemporaryDir dir;
  const QString rgb = dir.filePath("rgb.ppm"), file = dir.filePath("x.pcd");
  WriteAll(rgb, PatternPpm(768, 512));
  RunTool(Tool("convert"), {rgb, file});
  const QByteArray bytes = ReadAll(file);
  TPCDGraphic pcd;
  pcd.LoadFromBytes(bytes);
  ASSERT_EQ(pcd.PixelFormat(), pf24bit);
  // ImageMagick keeps its own colour curves for Photo YCC, so its samples
  // are taken as they stand and turned into RGB with the Photo YCC
  // matrix here; chroma is upsampled by each program in its own way.
  const PeerImage ycc = ParsePnm(RunTool(
      Tool("convert"), {"-size", "768x512", file, "-set", "colorspace", "sRGB", "-depth", "8", "ppm:-"}));
  ASSERT_EQ(ycc.width, 768);
  PeerImage expected = ycc;
  for (auto& px : expected.pixels) {
    const float y = 1.3584f * float(px[0] * 255 / 65535), c1 = float(px[1] * 255 / 65535) - 156,
                c2 = float(px[2] * 255 / 65535) - 137;
    const float rgb[3] = {y + 1.8215f * c2, y - 0.4302726f * c1 - 0.9271435f * c2, y + 2.2179f * c1};
    for (int c = 0; c < 3; ++c) px[size_t(c)] = uint16_t(std::clamp(std::lrint(rgb[c]), 0L, 255L) * 257);
  }
  ExpectSamePixels(pcd, expected, 16, "base");
  for (int resolution : {0, 1}) {
    TPCDGraphic small;
    small.Resolution = resolution;
    small.LoadFromBytes(bytes);
    EXPECT_EQ(small.Width(), 192 << resolution);
  }
  // The orientation byte turns the picture.
  QByteArray turned = bytes;
  turned[194635] = char((turned[194635] & ~3) | 1);
  TPCDGraphic upright;
  upright.LoadFromBytes(turned);
  EXPECT_EQ(upright.Width(), 512);
  EXPECT_EQ(upright.Height(), 768);
  EXPECT_EQ(upright.Dib().GetColor(0, 767), pcd.Dib().GetColor(0, 0));
  TPCDGraphic odd;
  odd.Resolution = 3;
  try {
    odd.LoadFromBytes(bytes);
    ADD_FAILURE();
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(
        e.what(),
        "Cannot load image. Image sizes other than Base16, Base4 or Base are not supported for PCD files.");
  }
  EXPECT_THROW(pcd.LoadFromBytes(bytes.left(200000)), EInvalidGraphic);
}
