// TIFF: files ImageMagick and libtiff write, compared with ImageMagick's
// own decoding; hand-made YCbCr, CIE L*a*b* and sample-plane files compared
// with what libtiff's tiff2rgba makes of them; YCbCr no peer reads (16 bits,
// subsampled planes) coded here from a random RGB picture and read back;
// compressions and variants the reader does not take are refused, damaged
// files fail cleanly.

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>

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
      {"rgb tiles", src, {"-compress", "None", "-define", "tiff:tile-geometry=16x16"}, 0, pf24bit},
      {"rgb planes packbits tiles",
       src,
       {"-interlace", "Plane", "-compress", "RLE", "-define", "tiff:tile-geometry=16x32"},
       0,
       pf24bit},
      {"grey 16 packbits tiles",
       src,
       {"-colorspace", "Gray", "-depth", "16", "-compress", "RLE", "-define", "tiff:tile-geometry=32x16"},
       0,
       pf8bit},
      {"bilevel tiles",
       grey,
       {"-type", "Bilevel", "-depth", "1", "-compress", "None", "-define", "tiff:tile-geometry=16x16"},
       0,
       pf1bit},
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

namespace {

// What libtiff's own RGBA path makes of a file: tiff2rgba writes plain RGBA,
// which the peer then reads back.
PeerImage LibtiffPixels(const QTemporaryDir& dir, const QString& file) {
  const QString out = dir.filePath(QFileInfo(file).baseName() + "-rgba.tif");
  RunTool(Tool("tiff2rgba"), {"-c", "none", file, out});
  return PeerPixels(out);
}

// A single-directory TIFF in either byte order: tags of SHORT values, LONG
// for the strip and tile tables and RATIONAL for the white point, luma
// coefficients and reference black and white (numerator, denominator
// pairs); then the strips or tiles, one after another, their offsets filled
// in from their byte counts.
QByteArray BuildTiff(std::vector<std::pair<uint16_t, std::vector<uint32_t>>> tags, const QByteArray& data,
                     bool big = false) {
  QByteArray dirBytes, extra;
  auto put16 = [big](QByteArray& f, uint32_t v) {
    const char lo = char(v & 0xFF), hi = char(v >> 8 & 0xFF);
    f.append(big ? hi : lo), f.append(big ? lo : hi);
  };
  auto put32 = [&](QByteArray& f, uint32_t v) {
    put16(f, big ? v >> 16 : v & 0xFFFF), put16(f, big ? v & 0xFFFF : v >> 16);
  };
  auto isOffsets = [](uint16_t tag) { return tag == 273 || tag == 324; };
  auto isCounts = [](uint16_t tag) { return tag == 279 || tag == 325; };
  auto type = [&](uint16_t tag) {
    return isOffsets(tag) || isCounts(tag) ? 4 : tag == 318 || tag == 529 || tag == 532 ? 5 : 3;
  };
  auto bytes = [&](uint16_t tag, size_t count) { return count * (type(tag) == 3 ? 2 : 4); };
  const uint32_t extraStart = 8 + 2 + uint32_t(tags.size()) * 12 + 4;
  uint32_t extraSize = 0;
  std::vector<uint32_t> counts;
  for (const auto& t : tags) {
    if (isCounts(t.first)) counts = t.second;
    if (isOffsets(t.first) || isCounts(t.first)) continue;
    if (bytes(t.first, t.second.size()) > 4) extraSize += uint32_t(bytes(t.first, t.second.size()));
  }
  if (counts.size() > 1) extraSize += uint32_t(counts.size()) * 8;
  std::vector<uint32_t> offsets;
  for (uint32_t at = extraStart + extraSize; uint32_t count : counts) offsets.push_back(at), at += count;
  put16(dirBytes, uint32_t(tags.size()));
  for (auto& [tag, values] : tags) {
    if (isOffsets(tag)) values = offsets;
    put16(dirBytes, tag);
    put16(dirBytes, uint32_t(type(tag)));
    put32(dirBytes, uint32_t(type(tag) == 5 ? values.size() / 2 : values.size()));
    if (bytes(tag, values.size()) > 4) {
      put32(dirBytes, extraStart + uint32_t(extra.size()));
      for (uint32_t v : values) type(tag) == 3 ? put16(extra, v) : put32(extra, v);
    } else if (type(tag) == 4) {
      put32(dirBytes, values[0]);
    } else {
      put16(dirBytes, values[0]);
      put16(dirBytes, values.size() > 1 ? values[1] : 0);
    }
  }
  put32(dirBytes, 0);
  return QByteArray(big ? "MM\0*\0\0\0\x08" : "II*\0\x08\0\0\0", 8) + dirBytes + extra + data;
}

// YCbCr in data units of h x v luma samples and one Cb, Cr pair, from a
// pattern that makes every sample differ.
QByteArray YCbCrUnits(int width, int height, int h, int v) {
  QByteArray data;
  int seed = 7;
  for (int by = 0; by < (height + v - 1) / v; ++by)
    for (int bx = 0; bx < (width + h - 1) / h; ++bx) {
      for (int i = 0; i < h * v; ++i) data.append(char(16 + (seed = (seed * 29 + 11) % 224)));
      data.append(char(60 + (bx * 37 + by * 11) % 140));
      data.append(char(200 - (bx * 13 + by * 41) % 150));
    }
  return data;
}

// A picture stored as YCbCr the way a writer makes it: random RGB
// samples of 8 or 16 bits become luma and colour differences by the luma
// coefficients, the colour differences are averaged over each data unit
// (its pixels inside the picture), and every value is coded between its
// reference black and white. `expected` is what a reader should show: the
// source with each unit's averaged chroma, so without subsampling it is the
// source itself.
struct YCbCrPicture {
  uint32_t width = 0, height = 0, bits = 8, subH = 1, subV = 1;
  bool big = false;
  // The file names BT.709 coefficients and studio headroom; without, it
  // leaves both out and the defaults apply.
  bool tagged = false;

  uint32_t unitColumns = 0, unitRows = 0;
  std::vector<uint32_t> y{}, cb{}, cr{};  // codes: luma per pixel, chroma per unit
  PeerImage expected{};

  void Make(uint32_t seed) {
    const double max = bits == 16 ? 65535 : 255, chromaRange = (max - 1) / 2, half = chromaRange + 1;
    const double lr = tagged ? 0.2126 : 0.299, lg = tagged ? 0.7152 : 0.587, lb = tagged ? 0.0722 : 0.114;
    const double scale = max / 255;
    const std::array<double, 6> ref =
        tagged ? std::array<double, 6>{16 * scale, 235 * scale, half, 240 * scale, half, 240 * scale}
               : std::array<double, 6>{0, max, half, max, half, max};
    auto code = [max](double v, double black, double white, double range) {
      return uint32_t(std::clamp(std::lround(v * (white - black) / range + black), 0L, long(max)));
    };
    unitColumns = (width + subH - 1) / subH, unitRows = (height + subV - 1) / subV;
    std::vector<double> luma(size_t(width) * height), sumCb(size_t(unitColumns) * unitRows),
        sumCr(sumCb.size()), count(sumCb.size());
    for (uint32_t py = 0; py < height; ++py)
      for (uint32_t px = 0; px < width; ++px) {
        double rgb[3];
        for (double& v : rgb) v = double(((seed = seed * 1103515245 + 12345) >> 8) % (uint32_t(max) + 1));
        const double l = lr * rgb[0] + lg * rgb[1] + lb * rgb[2];
        luma[size_t(py) * width + px] = l;
        const size_t u = size_t(py / subV) * unitColumns + px / subH;
        sumCb[u] += (rgb[2] - l) / (2 - 2 * lb), sumCr[u] += (rgb[0] - l) / (2 - 2 * lr), count[u] += 1;
      }
    y.clear(), cb.clear(), cr.clear();
    expected = {int(width), int(height), {}};
    for (size_t i = 0; i < luma.size(); ++i) y.push_back(code(luma[i], ref[0], ref[1], max));
    for (size_t u = 0; u < count.size(); ++u) {
      cb.push_back(code(sumCb[u] / count[u], ref[2], ref[3], chromaRange));
      cr.push_back(code(sumCr[u] / count[u], ref[4], ref[5], chromaRange));
    }
    for (uint32_t py = 0; py < height; ++py)
      for (uint32_t px = 0; px < width; ++px) {
        const size_t u = size_t(py / subV) * unitColumns + px / subH;
        const double l = luma[size_t(py) * width + px];
        const double r = l + sumCr[u] / count[u] * (2 - 2 * lr), b = l + sumCb[u] / count[u] * (2 - 2 * lb);
        const double g = (l - lb * b - lr * r) / lg;
        const double rgb[3] = {r, g, b};
        std::array<uint16_t, 3> pixel;
        for (size_t c = 0; c < 3; ++c)
          pixel[c] = uint16_t(257 * std::clamp(std::lround(rgb[c] / scale), 0L, 255L));
        expected.pixels.push_back(pixel);
      }
  }

  QByteArray Sample(uint32_t v) const {
    if (bits == 8) return QByteArray(1, char(v));
    const char bytes[2] = {char(big ? v >> 8 : v & 0xFF), char(big ? v & 0xFF : v >> 8)};
    return QByteArray(bytes, 2);
  }

  // A plane of cells (samples, or whole data units) in rows.
  struct Grid {
    uint32_t columns, rows;
    std::vector<QByteArray> cells;
    // Rows [first, first + count) of the grid, clipped at its end.
    QByteArray Rows(uint32_t first, uint32_t count) const {
      QByteArray out;
      for (uint32_t r = first; r < std::min(rows, first + count); ++r)
        for (uint32_t c = 0; c < columns; ++c) out += cells[size_t(r) * columns + c];
      return out;
    }
    // A tile of w x h cells; cells beyond the grid are filled with 0xA5.
    QByteArray Tile(uint32_t x0, uint32_t y0, uint32_t w, uint32_t h) const {
      QByteArray out;
      for (uint32_t r = y0; r < y0 + h; ++r)
        for (uint32_t c = x0; c < x0 + w; ++c)
          out +=
              r < rows && c < columns ? cells[size_t(r) * columns + c] : QByteArray(cells[0].size(), '\xA5');
      return out;
    }
  };

  // Interleaved: one grid of data units (luma beyond the picture's edge
  // coded as white). In planes: luma per pixel, then Cb and Cr per unit.
  std::vector<Grid> Planes(bool planar) const {
    if (planar) {
      Grid luma{width, height, {}}, blue{unitColumns, unitRows, {}}, red{unitColumns, unitRows, {}};
      for (uint32_t v : y) luma.cells.push_back(Sample(v));
      for (size_t u = 0; u < cb.size(); ++u)
        blue.cells.push_back(Sample(cb[u])), red.cells.push_back(Sample(cr[u]));
      return {luma, blue, red};
    }
    Grid units{unitColumns, unitRows, {}};
    for (uint32_t uy = 0; uy < unitRows; ++uy)
      for (uint32_t ux = 0; ux < unitColumns; ++ux) {
        QByteArray unit;
        for (uint32_t j = 0; j < subV; ++j)
          for (uint32_t i = 0; i < subH; ++i) {
            const uint32_t px = ux * subH + i, py = uy * subV + j;
            unit +=
                Sample(px < width && py < height ? y[size_t(py) * width + px] : (bits == 16 ? 65535 : 255));
          }
        units.cells.push_back(unit + Sample(cb[size_t(uy) * unitColumns + ux]) +
                              Sample(cr[size_t(uy) * unitColumns + ux]));
      }
    return {units};
  }

  // The whole file, in strips of `rowsPerStrip` rows or in tiles of
  // tileSize x tileSize pixels.
  using Tags = std::vector<std::pair<uint16_t, std::vector<uint32_t>>>;
  QByteArray File(bool planar, uint32_t rowsPerStrip, uint32_t tileSize = 0,
                  const std::function<void(Tags&)>& edit = {}) const {
    const auto grids = Planes(planar);
    QByteArray data;
    std::vector<uint32_t> counts;
    for (size_t p = 0; p < grids.size(); ++p) {
      const Grid& g = grids[p];
      // Picture rows and columns of one cell of this grid.
      const uint32_t h = planar && p == 0 ? 1 : subH, v = planar && p == 0 ? 1 : subV;
      if (tileSize == 0) {
        for (uint32_t row = 0; row < height; row += rowsPerStrip) {
          const QByteArray strip = g.Rows(row / v, (rowsPerStrip + v - 1) / v);
          counts.push_back(uint32_t(strip.size())), data += strip;
        }
      } else {
        for (uint32_t ty = 0; ty < height; ty += tileSize)
          for (uint32_t tx = 0; tx < width; tx += tileSize) {
            const QByteArray tile = g.Tile(tx / h, ty / v, tileSize / h, tileSize / v);
            counts.push_back(uint32_t(tile.size())), data += tile;
          }
      }
    }
    Tags tags = {{256, {width}}, {257, {height}}, {258, {bits, bits, bits}}, {259, {1}}, {262, {6}}};
    if (tileSize == 0)
      tags.insert(tags.end(),
                  {{273, {}}, {277, {3}}, {278, {rowsPerStrip}}, {279, counts}, {284, {planar ? 2u : 1u}}});
    else
      tags.insert(tags.end(), {{277, {3}},
                               {284, {planar ? 2u : 1u}},
                               {322, {tileSize}},
                               {323, {tileSize}},
                               {324, {}},
                               {325, counts}});
    const uint32_t s = bits == 16 ? 257 : 1;
    if (tagged) tags.push_back({529, {2126, 10000, 7152, 10000, 722, 10000}});
    tags.push_back({530, {subH, subV}});
    if (tagged)
      tags.push_back({532,
                      {16 * s, 1, 235 * s, 1, (bits == 16 ? 32768u : 128u), 1, 240 * s, 1,
                       (bits == 16 ? 32768u : 128u), 1, 240 * s, 1}});
    if (edit) edit(tags);
    return BuildTiff(tags, data, big);
  }
};

}  // namespace

TEST(RasterReadersTiff, YCbCrMadeByTheFormulasReadsBack) {
  // Odd sizes leave partial data units at the right and bottom; tiles of 16
  // leave partial tiles there too, three across and two down.
  struct Case {
    const char* name;
    uint32_t bits, subH, subV;
    bool planar, big, tagged;
    uint32_t width, height, rowsPerStrip, tileSize;
  } cases[] = {
      {"16 bits 1x1", 16, 1, 1, false, false, false, 37, 21, 5, 0},
      {"16 bits 2x1 big-endian", 16, 2, 1, false, true, true, 37, 21, 4, 0},
      {"16 bits 2x2", 16, 2, 2, false, false, true, 37, 21, 6, 0},
      {"16 bits 4x2 tiles big-endian", 16, 4, 2, false, true, false, 39, 23, 0, 16},
      {"8 bits 2x2 tiles", 8, 2, 2, false, false, false, 37, 21, 0, 16},
      {"8 bits 2x1 planes", 8, 2, 1, true, false, false, 37, 21, 3, 0},
      {"8 bits 2x2 planes", 8, 2, 2, true, false, true, 37, 21, 4, 0},
      {"8 bits 4x4 planes one strip", 8, 4, 4, true, true, false, 38, 22, 22, 0},
      {"8 bits 4x2 planes tiles", 8, 4, 2, true, false, true, 37, 21, 0, 16},
      {"8 bits 1x1 planes tiles", 8, 1, 1, true, true, false, 37, 21, 0, 16},
      {"16 bits 2x2 planes", 16, 2, 2, true, false, false, 37, 21, 4, 0},
      {"16 bits 4x4 planes big-endian", 16, 4, 4, true, true, true, 35, 19, 8, 0},
      {"16 bits 2x2 planes tiles big-endian", 16, 2, 2, true, true, true, 37, 21, 0, 16},
      {"16 bits 4x1 planes tiles", 16, 4, 1, true, false, false, 35, 19, 0, 16},
  };
  uint32_t seed = 4242;
  for (const Case& c : cases) {
    YCbCrPicture picture{c.width, c.height, c.bits, c.subH, c.subV, c.big, c.tagged};
    picture.Make(seed++);
    TTIFFGraphic tiff;
    try {
      tiff.LoadFromBytes(picture.File(c.planar, c.rowsPerStrip, c.tileSize));
    } catch (const EInvalidGraphic& e) {
      ADD_FAILURE() << c.name << ": " << e.what();
      continue;
    }
    EXPECT_EQ(tiff.PixelFormat(), pf24bit) << c.name;
    // Codes are whole numbers: an 8-bit channel may land two steps away.
    ExpectSamePixels(tiff, picture.expected, 2, c.name);
  }
}

TEST(RasterReadersTiff, YCbCrMatchesLibtiff) {
  if (Tool("convert").isEmpty() || Tool("tiff2rgba").isEmpty())
    GTEST_SKIP() << "ImageMagick or libtiff tools missing";
  QTemporaryDir dir;
  const QString src = dir.filePath("src.ppm");
  WriteAll(src, PatternPpm(45, 31));
  struct Made {
    const char* name;
    QStringList options;
  } made[] = {
      {"ycbcr", {"-colorspace", "YCbCr", "-compress", "None"}},
      {"ycbcr big-endian", {"-colorspace", "YCbCr", "-endian", "MSB", "-compress", "None"}},
      {"ycbcr packbits strips", {"-colorspace", "YCbCr", "-compress", "RLE", "-define", "tiff:rows-per-strip=4"}},
  };
  std::vector<std::pair<std::string, QString>> files;
  for (const Made& m : made) {
    const QString file = dir.filePath(QString(m.name).replace(' ', '_') + ".tif");
    RunTool(Tool("convert"), QStringList{src} + m.options + QStringList{file});
    files.emplace_back(m.name, file);
  }
  // Subsampled YCbCr, hand-made: odd sizes leave partial data units at the
  // right and bottom edges; without the subsampling tag units are 2 x 2.
  // libtiff reads a strip of 4 x 4 units as rows of a quarter unit row each,
  // rounded down, so it loses the end of the strip unless a unit row's
  // bytes divide by 4: that picture is 13 wide (four units to a row).
  struct Sub {
    int h, v;
    bool tagged;
    int width = 11;
  } subs[] = {{1, 1, true}, {2, 1, true}, {2, 2, true}, {4, 1, true},
              {4, 2, true}, {4, 4, true, 13}, {2, 2, false}};
  for (const Sub& s : subs) {
    const int width = s.width, height = 9;
    const QByteArray data = YCbCrUnits(width, height, s.h, s.v);
    std::vector<std::pair<uint16_t, std::vector<uint32_t>>> tags = {
        {256, {uint32_t(width)}}, {257, {uint32_t(height)}}, {258, {8, 8, 8}}, {259, {1}}, {262, {6}},
        {273, {0}},               {277, {3}},                {278, {uint32_t(height)}}, {279, {uint32_t(data.size())}},
        {284, {1}},               {530, {uint32_t(s.h), uint32_t(s.v)}}};
    if (!s.tagged) tags.pop_back();
    const QString name = QString("ycbcr_%1x%2%3").arg(s.h).arg(s.v).arg(s.tagged ? "" : "_default");
    const QString file = dir.filePath(name + ".tif");
    WriteAll(file, BuildTiff(tags, data));
    files.emplace_back(name.toStdString(), file);
  }
  for (const auto& [name, file] : files) {
    TTIFFGraphic tiff;
    try {
      tiff.LoadFromBytes(ReadAll(file));
    } catch (const EInvalidGraphic& e) {
      ADD_FAILURE() << name << ": " << e.what();
      continue;
    }
    EXPECT_EQ(tiff.PixelFormat(), pf24bit) << name;
    // libtiff turns YCbCr into RGB through fixed-point tables, so a channel
    // may round one step away from the exact product.
    ExpectSamePixels(tiff, LibtiffPixels(dir, file), 1, QString::fromStdString(name));
  }
  // Made by the same writer as the 16-bit and subsampled-plane pictures
  // whose decoding no peer can check: chunky tiles, planes in tiles, and
  // the luma coefficients and headroom given in the file. We land within
  // two steps of the exact colours; with headroom, libtiff's integer tables
  // land up to four from them (blue below the mark), three from ours.
  struct Written {
    const char* name;
    uint32_t subH, subV;
    bool planar, tagged;
    uint32_t rowsPerStrip, tileSize;
  } written[] = {{"ycbcr_2x2_tiles", 2, 2, false, false, 0, 16},
                 {"ycbcr_4x2_tiles_tagged", 4, 2, false, true, 0, 16},
                 {"ycbcr_1x1_planes_tiles", 1, 1, true, false, 0, 16},
                 {"ycbcr_2x1_tagged", 2, 1, false, true, 4, 0}};
  for (const Written& w : written) {
    YCbCrPicture picture{37, 21, 8, w.subH, w.subV, false, w.tagged};
    picture.Make(77);
    const QString file = dir.filePath(QString(w.name) + ".tif");
    WriteAll(file, picture.File(w.planar, w.rowsPerStrip, w.tileSize));
    TTIFFGraphic tiff;
    tiff.LoadFromBytes(ReadAll(file));
    ExpectSamePixels(tiff, picture.expected, 2, w.name);
    ExpectSamePixels(tiff, LibtiffPixels(dir, file), w.tagged ? 3 : 1, w.name);
  }
}

TEST(RasterReadersTiff, YCbCrVariantsNotReadAreRefused) {
  const std::string invalid = "Invalid color format in TIF/TIFF file.";
  struct Case {
    const char* name;
    uint32_t bits, h, v, planar;
    std::string message;
  } cases[] = {
      {"taller than wide", 8, 1, 2, 1, invalid},
      {"2 x 4 units", 8, 2, 4, 1, invalid},
      {"3 x 1 units", 8, 3, 1, 1, invalid},
      {"0 x 0 units", 8, 0, 0, 1, invalid},
      {"8 x 8 units in planes", 16, 8, 8, 2, invalid},
      {"planar configuration 3", 8, 1, 1, 3, invalid},
      {"12 bits", 12, 1, 1, 1, invalid},
      {"4 bits in planes", 4, 2, 2, 2, invalid},
  };
  for (const Case& c : cases) {
    const QByteArray data(4096, '\x80');
    const QByteArray file = BuildTiff({{256, {4}},
                                       {257, {4}},
                                       {258, {c.bits, c.bits, c.bits}},
                                       {259, {1}},
                                       {262, {6}},
                                       {273, {0}},
                                       {277, {3}},
                                       {278, {4}},
                                       {279, {uint32_t(data.size())}},
                                       {284, {c.planar}},
                                       {530, {c.h, c.v}}},
                                      data);
    EXPECT_EQ(LoadError(file), c.message) << c.name;
  }
}

TEST(RasterReadersTiff, SamplesInPlanesReadAsWhenInterleaved) {
  const bool peer = !Tool("convert").isEmpty() && !Tool("tiff2rgba").isEmpty();
  QTemporaryDir dir;
  // 7 x 5 in strips of 2 rows: each plane has three strips, the last short.
  const uint32_t width = 7, height = 5, rowsPerStrip = 2;
  struct Case {
    const char* name;
    uint32_t photometric, samples, bits;
    int peerTolerance;  // against tiff2rgba; -1 where it shows something else
  } cases[] = {
      {"rgb", 2, 3, 8, 0},
      {"rgb 16", 2, 3, 16, 1},  // libtiff rounds 16-bit samples to 8 bits
      {"cmyk", 5, 4, 8, 1},
      {"ycbcr", 6, 3, 8, 1},
      // libtiff mixes alpha into the colours and does not read Lab planes.
      {"rgba", 2, 4, 8, -1},
      {"grey alpha", 1, 2, 8, -1},
      {"lab", 8, 3, 8, -1},
  };
  uint32_t seed = 99;
  for (const Case& c : cases) {
    const size_t sampleBytes = c.bits / 8;
    // Plane p holds sample p of every pixel.
    std::vector<QByteArray> planeData(c.samples);
    for (QByteArray& p : planeData)
      for (size_t i = 0; i < width * height * sampleBytes; ++i)
        p.append(char((seed = seed * 69069 + 1) >> 24));
    QByteArray chunky, planar;
    for (size_t i = 0; i < width * height; ++i)
      for (const QByteArray& p : planeData)
        chunky.append(p.mid(qsizetype(i * sampleBytes), qsizetype(sampleBytes)));
    std::vector<uint32_t> chunkyCounts, planarCounts;
    const uint32_t strips = (height + rowsPerStrip - 1) / rowsPerStrip;
    auto stripBytes = [&](uint32_t k) {
      return std::min(rowsPerStrip, height - k * rowsPerStrip) * width * uint32_t(sampleBytes);
    };
    for (uint32_t k = 0; k < strips; ++k) chunkyCounts.push_back(stripBytes(k) * c.samples);
    for (const QByteArray& p : planeData) {
      planar += p;
      for (uint32_t k = 0; k < strips; ++k) planarCounts.push_back(stripBytes(k));
    }
    auto build = [&](uint32_t configuration, const std::vector<uint32_t>& counts, const QByteArray& data) {
      std::vector<std::pair<uint16_t, std::vector<uint32_t>>> tags = {
          {256, {width}}, {257, {height}}, {258, std::vector<uint32_t>(c.samples, c.bits)},
          {259, {1}},     {262, {c.photometric}}, {273, {}},
          {277, {c.samples}}, {278, {rowsPerStrip}}, {279, counts},
          {284, {configuration}}};
      if (c.samples == 2 || (c.samples == 4 && c.photometric == 2)) tags.push_back({338, {2}});
      if (c.photometric == 6) tags.push_back({530, {1, 1}});
      return BuildTiff(tags, data);
    };
    TTIFFGraphic interleaved, inPlanes;
    const QByteArray planarFile = build(2, planarCounts, planar);
    try {
      interleaved.LoadFromBytes(build(1, chunkyCounts, chunky));
      inPlanes.LoadFromBytes(planarFile);
    } catch (const EInvalidGraphic& e) {
      ADD_FAILURE() << c.name << ": " << e.what();
      continue;
    }
    ASSERT_EQ(inPlanes.PixelFormat(), interleaved.PixelFormat()) << c.name;
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t x = 0; x < width; ++x)
        ASSERT_EQ(inPlanes.Dib().GetColor(int(x), int(y)), interleaved.Dib().GetColor(int(x), int(y)))
            << c.name << " at " << x << "," << y;
    if (peer && c.peerTolerance >= 0) {
      const QString file = dir.filePath(QString(c.name).replace(' ', '_') + "-planes.tif");
      WriteAll(file, planarFile);
      ExpectSamePixels(inPlanes, LibtiffPixels(dir, file), c.peerTolerance, c.name);
    }
  }
  // Fewer strips than planes: no plane has a strip of its own.
  const QByteArray data(width * height * 3, '\x40');
  EXPECT_EQ(LoadError(BuildTiff({{256, {width}},
                                 {257, {height}},
                                 {258, {8, 8, 8}},
                                 {259, {1}},
                                 {262, {2}},
                                 {273, {}},
                                 {277, {3}},
                                 {278, {height}},
                                 {279, {uint32_t(data.size() / 2), uint32_t(data.size() / 2)}},
                                 {284, {2}}},
                                data)),
            "Cannot load image. Invalid or unexpected TIF/TIFF image format.");
}

TEST(RasterReadersTiff, DifferencingStartsAfreshInEachTile) {
  // 20 x 3 in tiles of 16: two tiles across, each row of each tile
  // differenced from its own left edge; the right tile is padded.
  const uint32_t width = 20, height = 3, tile = 16;
  struct Case {
    const char* name;
    uint32_t samples, bits;
    bool planar, big;
  } cases[] = {
      {"grey", 1, 8, false, false},
      {"rgb", 3, 8, false, true},
      {"rgb 16 planes", 3, 16, true, true},
      {"rgba 16", 4, 16, false, false},
  };
  uint32_t seed = 31;
  for (const Case& c : cases) {
    const uint32_t max = (1u << c.bits) - 1;
    std::vector<uint32_t> source(width * height * c.samples);
    for (uint32_t& v : source) v = ((seed = seed * 69069 + 1) >> 8) & max;
    auto put = [&](QByteArray& out, uint32_t v) {
      if (c.bits == 8) return void(out.append(char(v)));
      const char bytes[2] = {char(c.big ? v >> 8 : v & 0xFF), char(c.big ? v & 0xFF : v >> 8)};
      out.append(bytes, 2);
    };
    QByteArray data;
    std::vector<uint32_t> counts;
    const uint32_t planes = c.planar ? c.samples : 1, stride = c.planar ? 1 : c.samples;
    for (uint32_t p = 0; p < planes; ++p)
      for (uint32_t x0 = 0; x0 < width; x0 += tile) {
        QByteArray bytes;
        for (uint32_t y = 0; y < tile; ++y)
          for (uint32_t x = x0; x < x0 + tile; ++x)
            for (uint32_t s = 0; s < stride; ++s) {
              auto at = [&](uint32_t px) {
                return px < width && y < height ? source[(y * width + px) * c.samples + p + s] : 0;
              };
              put(bytes, x == x0 ? at(x) : (at(x) - at(x - 1)) & max);
            }
        counts.push_back(uint32_t(bytes.size())), data += bytes;
      }
    std::vector<std::pair<uint16_t, std::vector<uint32_t>>> tags = {
        {256, {width}},
        {257, {height}},
        {258, std::vector<uint32_t>(c.samples, c.bits)},
        {259, {1}},
        {262, {c.samples == 1 ? 1u : 2u}},
        {277, {c.samples}},
        {284, {c.planar ? 2u : 1u}},
        {317, {2}},
        {322, {tile}},
        {323, {tile}},
        {324, {}},
        {325, counts}};
    if (c.samples == 4) tags.push_back({338, {2}});
    TTIFFGraphic tiff;
    try {
      tiff.LoadFromBytes(BuildTiff(tags, data, c.big));
    } catch (const EInvalidGraphic& e) {
      ADD_FAILURE() << c.name << ": " << e.what();
      continue;
    }
    PeerImage expected{int(width), int(height), {}};
    for (uint32_t i = 0; i < width * height; ++i) {
      auto sample = [&](uint32_t s) {
        return uint16_t(source[i * c.samples + std::min(s, c.samples - 1)] * (c.bits == 8 ? 257 : 1));
      };
      expected.pixels.push_back({sample(0), sample(1), sample(2)});
    }
    ExpectSamePixels(tiff, expected, 0, c.name);
  }
}

TEST(RasterReadersTiff, CieLabMatchesLibtiff) {
  if (Tool("convert").isEmpty() || Tool("tiff2rgba").isEmpty())
    GTEST_SKIP() << "ImageMagick or libtiff tools missing";
  QTemporaryDir dir;
  // L*, a*, b* spread over their whole ranges, dark and saturated colours
  // included (those fall outside sRGB and are clipped).
  const int width = 64, height = 40;
  QByteArray lab8, lab16LE, lab16BE;
  uint32_t seed = 12345;
  auto next = [&seed] { return (seed = seed * 1103515245 + 12345) >> 8; };
  for (int i = 0; i < width * height; ++i) {
    const uint16_t l = uint16_t(next()), a = uint16_t(next()), b = uint16_t(next());
    for (uint16_t v : {uint16_t(l >> 8), uint16_t(a >> 8), uint16_t(b >> 8)}) lab8.append(char(v));
    for (uint16_t v : {l, a, b}) {
      lab16LE.append(char(v & 0xFF)), lab16LE.append(char(v >> 8));
      lab16BE.append(char(v >> 8)), lab16BE.append(char(v & 0xFF));
    }
  }
  auto build = [&](uint32_t bits, const QByteArray& data, bool big, std::vector<uint32_t> whitePoint) {
    std::vector<std::pair<uint16_t, std::vector<uint32_t>>> tags = {
        {256, {uint32_t(width)}}, {257, {uint32_t(height)}}, {258, {bits, bits, bits}},
        {259, {1}},               {262, {8}},                {273, {}},
        {277, {3}},               {278, {uint32_t(height)}}, {279, {uint32_t(data.size())}},
        {284, {1}}};
    if (!whitePoint.empty()) tags.push_back({318, whitePoint});
    return BuildTiff(tags, data, big);
  };
  const std::vector<uint32_t> d65 = {3127, 10000, 3290, 10000};
  struct Case {
    const char* name;
    QByteArray file;
  } cases[] = {
      {"lab 8", build(8, lab8, false, {})},
      {"lab 8 big-endian", build(8, lab8, true, {})},
      {"lab 16", build(16, lab16LE, false, {})},
      {"lab 16 big-endian", build(16, lab16BE, true, {})},
      {"lab 8 white D65", build(8, lab8, false, d65)},
      {"lab 16 big-endian white D65", build(16, lab16BE, true, d65)},
  };
  for (const Case& c : cases) {
    const QString file = dir.filePath(QString(c.name).replace(' ', '_') + ".tif");
    WriteAll(file, c.file);
    TTIFFGraphic tiff;
    try {
      tiff.LoadFromBytes(c.file);
    } catch (const EInvalidGraphic& e) {
      ADD_FAILURE() << c.name << ": " << e.what();
      continue;
    }
    EXPECT_EQ(tiff.PixelFormat(), pf24bit) << c.name;
    // libtiff works in single precision: a gun's light at the very edge of
    // one of its 1500 steps may fall one step away.
    ExpectSamePixels(tiff, LibtiffPixels(dir, file), 1, c.name);
  }
  // A white point with no luminance is refused, as libtiff refuses it.
  EXPECT_EQ(LoadError(build(8, lab8, false, {3127, 10000, 0, 1})),
            "Cannot load image. Invalid or unexpected TIF/TIFF image format.");
}

TEST(RasterReadersTiff, DamagedPlanesAndLabFilesFailCleanly) {
  // 16-bit samples in three planes of two strips each, big-endian 16-bit
  // L*a*b* with a white point, and subsampled YCbCr in planes (16 bits in
  // strips, 8 bits in tiles): every byte of the header, directory, tables
  // and first samples flipped in turn gives a picture or a refusal.
  const QByteArray samples(6 * 4 * 2 * 3, '\x5A');
  const std::vector<uint32_t> halves(6, uint32_t(samples.size() / 6));
  const QByteArray planes = BuildTiff({{256, {6}},
                                       {257, {4}},
                                       {258, {16, 16, 16}},
                                       {259, {1}},
                                       {262, {2}},
                                       {273, {}},
                                       {277, {3}},
                                       {278, {2}},
                                       {279, halves},
                                       {284, {2}}},
                                      samples);
  const QByteArray lab = BuildTiff({{256, {6}},
                                    {257, {4}},
                                    {258, {16, 16, 16}},
                                    {259, {1}},
                                    {262, {8}},
                                    {273, {}},
                                    {277, {3}},
                                    {278, {4}},
                                    {279, {uint32_t(samples.size())}},
                                    {284, {1}},
                                    {318, {3127, 10000, 3290, 10000}}},
                                   samples, true);
  YCbCrPicture wide{6, 5, 16, 2, 2, true, true}, narrow{6, 5, 8, 4, 2, false, false};
  wide.Make(1), narrow.Make(2);
  for (const QByteArray& good : {planes, lab, wide.File(true, 2), narrow.File(true, 0, 16)}) {
    {
      TTIFFGraphic intact;
      intact.LoadFromBytes(good);
      EXPECT_EQ(intact.Width(), 6);
    }
    for (int i = 0; i < std::min<int>(int(good.size()), 260); ++i) {
      for (const char bits : {'\xFF', '\x01', '\x80'}) {
        QByteArray bad = good;
        bad[i] = char(bad[i] ^ bits);
        try {
          TTIFFGraphic tiff;
          tiff.LoadFromBytes(bad);
        } catch (const EInvalidGraphic&) {
        }
      }
    }
    for (int cut = 0; cut < good.size(); cut += 7) EXPECT_NE(LoadError(good.left(cut)), "") << cut;
  }
}

TEST(RasterReadersTiff, ShortOrLyingYCbCrPlanesAreRefused) {
  YCbCrPicture picture{37, 21, 16, 2, 2, false, false};
  picture.Make(9);
  using Tags = YCbCrPicture::Tags;
  auto tag = [](Tags& tags, uint16_t id) -> std::vector<uint32_t>& {
    return std::find_if(tags.begin(), tags.end(), [id](const auto& t) { return t.first == id; })->second;
  };
  const QByteArray strips = picture.File(true, 4), tiles = picture.File(true, 0, 16);
  const std::string invalid = "Cannot load image. Invalid or unexpected TIF/TIFF image format.",
                    color = "Invalid color format in TIF/TIFF file.",
                    truncated = "Stream read error in TIF/TIFF file.";
  struct Case {
    const char* name;
    QByteArray file;
    std::string message;
  } cases[] = {
      {"strips", strips, ""},
      {"tiles", tiles, ""},
      // The last Cr strip, or tile, runs past the end of the file.
      {"strips cut short", strips.left(strips.size() - 3), truncated},
      {"tiles cut short", tiles.left(tiles.size() - 3), truncated},
      // Strips of 3 rows end inside a row of chroma.
      {"strips of odd rows", picture.File(true, 3), color},
      // The strip table lacks the last Cr strip; the tile table a Cr tile.
      {"strip missing", picture.File(true, 4, 0, [&](Tags& t) { tag(t, 279).pop_back(); }), truncated},
      {"tile missing", picture.File(true, 0, 16, [&](Tags& t) { tag(t, 325).pop_back(); }), invalid},
      // Tiles are multiples of 16 pixels.
      {"tiles of 8", picture.File(true, 0, 16, [&](Tags& t) { tag(t, 322) = {8}; }), invalid},
      {"tiles of 0", picture.File(true, 0, 16, [&](Tags& t) { tag(t, 323) = {0}; }), invalid},
      // Tiles far larger than the file could hold.
      {"huge tiles",
       picture.File(true, 0, 16, [&](Tags& t) { tag(t, 322) = {65520}, tag(t, 323) = {65520}; }), truncated},
  };
  for (const Case& c : cases) EXPECT_EQ(LoadError(c.file), c.message) << c.name;
}
