// Formats no installed peer writes (PSP, RLA, CUT, Autodesk) from bytes
// laid out here by the formats' descriptions, with exact pixels; and a
// sweep of damaged copies of every format that must read or be refused,
// never crash.

#include <gtest/gtest.h>
#include <zlib.h>

#include <QTemporaryDir>
#include <functional>

#include "pictures/GraphicStrings.h"
#include "pictures/RasterReaders.h"
#include "pictures/tests/RasterReadersPeer.h"

using namespace rastertest;

namespace {

struct Bytes {
  QByteArray d;
  Bytes& u8(int v) { return d.append(char(uint8_t(v))), *this; }
  Bytes& le16(int v) { return u8(v & 0xFF).u8(v >> 8 & 0xFF); }
  Bytes& le32(uint32_t v) { return le16(int(v & 0xFFFF)).le16(int(v >> 16)); }
  Bytes& be16(int v) { return u8(v >> 8 & 0xFF).u8(v & 0xFF); }
  Bytes& be32(uint32_t v) { return be16(int(v >> 16)).be16(int(v & 0xFFFF)); }
  Bytes& raw(const QByteArray& b) { return d.append(b), *this; }
  Bytes& zeros(int n) { return d.append(QByteArray(n, '\0')), *this; }
};

template <class T>
std::string LoadError(const QByteArray& bytes) {
  try {
    T g;
    g.LoadFromBytes(bytes);
  } catch (const EInvalidGraphic& e) {
    return e.what();
  }
  return "";
}

// A Paint Shop Pro file of version `major` with one raster layer whose
// channels are given packed as the attributes' compression says.
QByteArray Psp(int major, int width, int height, int depth, int compression,
               const std::vector<QByteArray>& channels, const std::vector<QByteArray>& unpacked,
               const QByteArray& palette = {}) {
  auto block = [&](int id, const QByteArray& body) {
    Bytes b;
    b.raw("~BK").u8(0).le16(id);
    if (major == 3) b.le32(uint32_t(body.size()));
    b.le32(uint32_t(body.size()));
    return b.raw(body).d;
  };
  Bytes file;
  file.raw(QByteArray("Paint Shop Pro Image File\n\x1a", 27)).zeros(5).le16(major).le16(0);
  Bytes attributes;
  if (major == 4) attributes.le32(46);
  attributes.le32(uint32_t(width)).le32(uint32_t(height)).zeros(9).le16(compression).le16(depth).zeros(20);
  file.raw(block(0, attributes.d));
  if (!palette.isEmpty()) {
    Bytes p;
    if (major == 4) p.le32(8);
    p.le32(uint32_t(palette.size() / 4)).raw(palette);
    file.raw(block(2, p.d));
  }
  Bytes layer;
  if (major == 3) {
    layer.zeros(256).u8(0).zeros(114);
  } else {
    layer.le32(4 + 2 + 4 + 115 + 4).le16(4).raw("name").u8(0).zeros(114);
  }
  layer.le16(1).le16(int(channels.size()));
  for (size_t c = 0; c < channels.size(); ++c) {
    Bytes ch;
    if (major == 4) ch.le32(16);
    ch.le32(uint32_t(channels[c].size())).le32(uint32_t(unpacked[c].size())).le16(0);
    ch.le16(channels.size() == 1 ? 0 : int(c) + 1).raw(channels[c]);
    layer.raw(block(5, ch.d));
  }
  file.raw(block(3, block(4, layer.d)));
  return file.d;
}

QByteArray Deflated(const QByteArray& raw) {
  uLongf size = compressBound(uLong(raw.size()));
  QByteArray out(qsizetype(size), 0);
  compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.constData()),
           uLong(raw.size()));
  out.resize(qsizetype(size));
  return out;
}

// One RLA file, 3 x 2, bottom row first, with or without a matte.
QByteArray Rla(bool matte, const char* channelName = "rgb") {
  Bytes h;
  h.be16(0).be16(2).be16(0).be16(1);  // window
  h.be16(0).be16(2).be16(0).be16(1);  // active window: 3 wide, bottom 0 < top 1
  h.be16(0).be16(0).be16(3).be16(matte ? 1 : 0).be16(0).be16(0);
  h.raw(QByteArray("1.0").leftJustified(16, '\0'));
  h.zeros(580 - 44);
  h.raw(QByteArray(channelName).leftJustified(32, '\0'));
  h.zeros(658 - 612).be16(8).zeros(740 - 660);
  const int channels = matte ? 4 : 3;
  // Row 0 (the bottom): a run of 3 of each channel's value; row 1 literals.
  QByteArray rows[2];
  for (int c = 0; c < channels; ++c) {
    rows[0] += QByteArray("\x00\x02", 2) + QByteArray(1, char(0)) + QByteArray(1, char(10 * (c + 1)));
    rows[1] += QByteArray("\x00\x04", 2) + QByteArray(1, char(0xFD)) + QByteArray(1, char(c + 1)) +
               QByteArray(1, char(c + 2)) + QByteArray(1, char(c + 3));
  }
  for (QByteArray& r : rows) r.replace(QByteArray("\x00\x02\x00", 3), QByteArray("\x00\x02\x02", 3));
  const uint32_t first = uint32_t(h.d.size()) + 8;
  h.be32(first).be32(first + uint32_t(rows[0].size()));
  return h.raw(rows[0]).raw(rows[1]).d;
}

}  // namespace

TEST(RasterReadersFixtures, PaintShopPro) {
  // 3 x 2, 24 bits: red, green and blue planes.
  const std::vector<QByteArray> planes = {QByteArray("\x01\x02\x03\x04\x05\x06", 6),
                                          QByteArray("\x11\x12\x13\x14\x15\x16", 6),
                                          QByteArray("\x21\x22\x23\x24\x25\x26", 6)};
  auto check = [&](const QByteArray& file, const char* what) {
    TPSPGraphic psp;
    try {
      psp.LoadFromBytes(file);
    } catch (const EInvalidGraphic& e) {
      ADD_FAILURE() << what << ": " << e.what();
      return;
    }
    ASSERT_EQ(psp.PixelFormat(), pf24bit) << what;
    ASSERT_EQ(psp.Width(), 3);
    EXPECT_EQ(psp.Dib().GetColor(0, 0), 0x211101u) << what;
    EXPECT_EQ(psp.Dib().GetColor(2, 1), 0x261606u) << what;
  };
  check(Psp(4, 3, 2, 24, 0, planes, planes), "raw");
  check(Psp(3, 3, 2, 24, 0, planes, planes), "version 3");
  std::vector<QByteArray> rle, lz;
  for (const QByteArray& p : planes) {
    rle.push_back(QByteArray(1, char(6)) + p);
    lz.push_back(Deflated(p));
  }
  rle[0] = QByteArray("\x83\x01\x03\x04\x05\x06", 6);  // a run of three, then a literal
  check(Psp(4, 3, 2, 24, 1, rle, planes), "run-length");
  const std::vector<QByteArray> expectedRle = {QByteArray("\x01\x01\x01\x04\x05\x06", 6), planes[1],
                                               planes[2]};
  TPSPGraphic runs;
  runs.LoadFromBytes(Psp(4, 3, 2, 24, 1, rle, planes));
  EXPECT_EQ(runs.Dib().GetColor(1, 0), 0x221201u);
  check(Psp(4, 3, 2, 24, 2, lz, planes), "deflate");

  // 8 bits with a palette of blue, green, red entries.
  const QByteArray palette("\x00\x00\xFF\x00\x00\xFF\x00\x00\xFF\x00\x00\x00", 12);
  TPSPGraphic indexed;
  indexed.LoadFromBytes(
      Psp(4, 3, 2, 8, 0, {QByteArray("\x00\x01\x02\x02\x01\x00", 6)}, {QByteArray(6, 0)}, palette));
  ASSERT_EQ(indexed.PixelFormat(), pf8bit);
  EXPECT_EQ(indexed.Dib().GetColor(0, 0), 0x0000FFu);  // red
  EXPECT_EQ(indexed.Dib().GetColor(1, 0), 0x00FF00u);
  EXPECT_EQ(indexed.Dib().GetColor(2, 0), 0xFF0000u);

  QByteArray v5 = Psp(4, 3, 2, 24, 0, planes, planes);
  v5[32] = 5;
  QByteArray badSignature = Psp(4, 3, 2, 24, 0, planes, planes);
  badSignature[3] = 'x';
  EXPECT_EQ(LoadError<TPSPGraphic>(v5),
            "Cannot load image. File versions other than 3 or 4 are not supported for PSP files.");
  EXPECT_EQ(LoadError<TPSPGraphic>(badSignature),
            "Cannot load image. Invalid or unexpected PSP image format.");
  EXPECT_EQ(LoadError<TPSPGraphic>(Psp(4, 3, 2, 16, 0, planes, planes)), "Invalid color format in PSP file.");
  // Deflate cannot make that much of a file this small: refused before
  // anything is allocated.
  EXPECT_EQ(LoadError<TPSPGraphic>(Psp(4, 100000, 100000, 24, 2, lz, planes)),
            "Cannot load image. Invalid or unexpected PSP image format.");
  EXPECT_EQ(LoadError<TPSPGraphic>(Psp(4, 8000, 8000, 24, 2, lz, planes)),
            "Cannot load image. Invalid or unexpected PSP image format.");
}

TEST(RasterReadersFixtures, AliasWavefront) {
  TRLAGraphic rla;
  rla.LoadFromBytes(Rla(false));
  ASSERT_EQ(rla.PixelFormat(), pf24bit);
  ASSERT_EQ(rla.Height(), 2);
  // The first stored row is the bottom one.
  EXPECT_EQ(rla.Dib().GetColor(1, 1), 0x1E140Au);
  EXPECT_EQ(rla.Dib().GetColor(0, 0), 0x030201u);
  EXPECT_EQ(rla.Dib().GetColor(2, 0), 0x050403u);
  TRLAGraphic matte;
  matte.LoadFromBytes(Rla(true));
  EXPECT_EQ(matte.PixelFormat(), pf32bit);
  EXPECT_EQ(matte.Dib().Row(1)[3], 40);  // the matte is the alpha
  EXPECT_EQ(LoadError<TRLAGraphic>(Rla(false, "XYZ")), "Invalid color format in RLA file.");
  EXPECT_EQ(LoadError<TRLAGraphic>(Rla(false).left(760)), "Stream read error in RLA file.");
}

TEST(RasterReadersFixtures, DrHaloWithAndWithoutPalette) {
  Bytes cut;
  cut.le16(3).le16(2).le16(0);
  cut.le16(3).u8(0x83).u8(7).u8(0);              // row 0: a run of three 7s
  cut.le16(5).u8(0x03).u8(1).u8(2).u8(3).u8(0);  // row 1: three literals
  TCUTGraphic grey;
  grey.LoadFromBytes(cut.d);
  EXPECT_EQ(grey.Dib().GetColor(2, 0), 0x070707u);
  EXPECT_EQ(grey.Dib().GetColor(1, 1), 0x020202u);

  QTemporaryDir dir;
  WriteAll(dir.filePath("pic.cut"), cut.d);
  Bytes pal;
  pal.zeros(12).le16(7).zeros(40 - 14);
  for (int i = 0; i < 8; ++i) pal.le16(i * 30).le16(i * 20).le16(i * 10);
  WriteAll(dir.filePath("pic.pal"), pal.d);
  TCUTGraphic coloured;
  coloured.LoadFromFile(dir.filePath("pic.cut"));
  EXPECT_EQ(coloured.PaletteFile, dir.filePath("pic.pal"));
  EXPECT_EQ(coloured.Dib().GetColor(0, 0), uint32_t(RGB(210, 140, 70)));
  EXPECT_EQ(coloured.Dib().GetColor(2, 1), uint32_t(RGB(90, 60, 30)));
  EXPECT_EQ(LoadError<TCUTGraphic>(cut.d.left(8)), "Stream read error in CUT file.");

  // Pictures copied from other systems come with upper-case names, and the
  // palette's extension need not share the picture's case.
  const std::pair<const char*, const char*> names[] = {
      {"OLD.CUT", "OLD.PAL"}, {"scan.cut", "scan.PAL"}, {"Mixed.CUT", "Mixed.pal"}, {"odd.Cut", "odd.pAl"}};
  for (const auto& [picture, palette] : names) {
    WriteAll(dir.filePath(picture), cut.d);
    WriteAll(dir.filePath(palette), pal.d);
    TCUTGraphic found;
    found.LoadFromFile(dir.filePath(picture));
    EXPECT_EQ(found.PaletteFile, dir.filePath(palette)) << picture;
    EXPECT_EQ(found.Dib().GetColor(0, 0), uint32_t(RGB(210, 140, 70))) << picture;
  }
}

TEST(RasterReadersFixtures, AutodeskAnimator) {
  Bytes cel;
  cel.le16(0x9119).le16(2).le16(2).zeros(26);
  for (int i = 0; i < 256; ++i) cel.u8(i % 64).u8(63 - i % 64).u8(1);
  cel.u8(0).u8(1).u8(2).u8(63);
  TAutodeskGraphic g;
  g.LoadFromBytes(cel.d);
  ASSERT_EQ(g.PixelFormat(), pf8bit);
  EXPECT_EQ(g.Dib().GetColor(1, 0), uint32_t(RGB(4, 248, 4)));
  EXPECT_EQ(g.Dib().GetColor(1, 1), uint32_t(RGB(252, 0, 4)));
  EXPECT_EQ(LoadError<TAutodeskGraphic>(cel.d.left(cel.d.size() - 1)), "Stream read error in Autodesk file.");
  QByteArray wrong = cel.d;
  wrong[0] = 0;
  EXPECT_EQ(LoadError<TAutodeskGraphic>(wrong),
            "Cannot load image. Invalid or unexpected Autodesk image format.");
}

TEST(RasterReadersFixtures, DamagedCopiesReadOrFail) {
  if (Tool("convert").isEmpty()) GTEST_SKIP() << "ImageMagick is not installed";
  QTemporaryDir dir;
  WriteAll(dir.filePath("s.ppm"), PatternPpm(21, 9));
  struct Sample {
    const char* extension;
    std::function<std::unique_ptr<TGraphic>()> make;
  } samples[] = {
      {"tif", [] { return std::make_unique<TTIFFGraphic>(); }},
      {"tga", [] { return std::make_unique<TTargaGraphic>(); }},
      {"png", [] { return std::make_unique<TPNGGraphic>(); }},
      {"sgi", [] { return std::make_unique<TSGIGraphic>(); }},
      {"pcx", [] { return std::make_unique<TPCXGraphic>(); }},
      {"psd", [] { return std::make_unique<TPSDGraphic>(); }},
      {"ppm", [] { return std::make_unique<TPPMGraphic>(); }},
  };
  std::vector<std::pair<QByteArray, std::function<std::unique_ptr<TGraphic>()>>> files;
  for (const Sample& s : samples) {
    const QString file = dir.filePath(QString("s.") + s.extension);
    RunTool(Tool("convert"), {dir.filePath("s.ppm"), "-compress", "RLE", file});
    files.emplace_back(ReadAll(file), s.make);
  }
  files.emplace_back(Rla(true), [] { return std::make_unique<TRLAGraphic>(); });
  files.emplace_back(Psp(4, 1, 1, 24, 1, {"\x01\x05", "\x01\x06", "\x01\x07"}, {"a", "b", "c"}),
                     [] { return std::make_unique<TPSPGraphic>(); });
  uint32_t seed = 12345;
  auto random = [&] { return seed = seed * 1103515245 + 12345, seed >> 8; };
  for (const auto& [bytes, make] : files) {
    ASSERT_FALSE(bytes.isEmpty());
    const auto whole = make();
    whole->LoadFromBytes(bytes);  // the undamaged file reads
    const TDib& full = dynamic_cast<TBitmap&>(*whole).Dib();
    // A cut file is refused, unless all the reader needs came before the
    // cut (a TIFF's trailing tag data): then it is the same picture.
    for (qsizetype cut = 0; cut < bytes.size(); cut += std::max<qsizetype>(1, bytes.size() / 40)) {
      const auto part = make();
      try {
        part->LoadFromBytes(bytes.left(cut));
      } catch (const EInvalidGraphic&) {
        continue;
      }
      const TDib& got = dynamic_cast<TBitmap&>(*part).Dib();
      EXPECT_TRUE(got.bits == full.bits && got.palette == full.palette) << cut << " of " << bytes.size();
    }
    for (int round = 0; round < 300; ++round) {
      QByteArray bad = bytes;
      for (int k = 0; k < 3; ++k) bad[qsizetype(random() % uint32_t(bad.size()))] = char(random());
      try {
        make()->LoadFromBytes(bad);
      } catch (const EInvalidGraphic&) {
      }
    }
  }
}
