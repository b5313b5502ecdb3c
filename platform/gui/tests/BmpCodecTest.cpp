// BMP reading and writing, checked against ImageMagick in both directions,
// and the reader's refusal of truncated and hostile files.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "platform/core/Streams.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/BmpCodec.h"

namespace {

QByteArray RunTool(const QStringList& args, int* exitCode = nullptr) {
  QProcess p;
  p.start(args.first(), args.mid(1));
  p.waitForFinished(60000);
  if (exitCode) *exitCode = p.exitCode();
  return p.readAllStandardOutput();
}

QString Convert() { return QStandardPaths::findExecutable("convert"); }

// A binary PPM (P6, maxval 255) as an RGB32 image.
QImage ReadPpm(const QByteArray& data) {
  QList<QByteArray> fields;
  qsizetype i = 0;
  while (fields.size() < 4 && i < data.size()) {
    while (i < data.size() && QChar(data[i]).isSpace()) ++i;
    if (i < data.size() && data[i] == '#') {
      while (i < data.size() && data[i] != '\n') ++i;
      continue;
    }
    const qsizetype start = i;
    while (i < data.size() && !QChar(data[i]).isSpace()) ++i;
    fields << data.mid(start, i - start);
  }
  if (fields.size() < 4 || fields[0] != "P6" || fields[3] != "255") return {};
  ++i;
  const int w = fields[1].toInt(), h = fields[2].toInt();
  if (data.size() - i < qsizetype(w) * h * 3) return {};
  QImage image(w, h, QImage::Format_RGB32);
  const auto* p = reinterpret_cast<const uchar*>(data.constData() + i);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x, p += 3) image.setPixel(x, y, qRgb(p[0], p[1], p[2]));
  return image;
}

QImage ImageMagickPixels(const QString& file) {
  return ReadPpm(RunTool({Convert(), file, "-depth", "8", "ppm:-"}));
}

// Counts differing pixels (RGB only).
int Differences(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return -1;
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) n += (a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF);
  return n;
}

// A picture with every palette entry in use (for palette formats) or a
// smooth colour field, of an odd width so rows need padding.
TBitmap Pattern(TPixelFormat format, int w = 37, int h = 23) {
  TBitmap b;
  b.SetPixelFormat(format);
  b.SetSize(w, h);
  TDib dib = b.Dib();
  const size_t colours = dib.palette.size();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (colours)
        dib.SetRaw(x, y, uint32_t((x * 7 + y * 3) % colours));
      else
        dib.SetColor(x, y, RGB(x * 255 / w, y * 255 / h, (x * y) & 0xFF));
    }
  b.SetDib(dib);
  return b;
}

std::span<const uint8_t> Bytes(const QByteArray& a) {
  return {reinterpret_cast<const uint8_t*>(a.constData()), size_t(a.size())};
}

}  // namespace

TEST(BmpCodec, OurFilesReadByImageMagick) {
  if (Convert().isEmpty()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  QTemporaryDir dir;
  for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
    TBitmap b = Pattern(f);
    const QString file = dir.filePath(QString("ours%1.bmp").arg(int(f)));
    b.SaveToFile(file);
    const QImage theirs = ImageMagickPixels(file);
    ASSERT_FALSE(theirs.isNull()) << "format " << f;
    EXPECT_EQ(Differences(theirs, b.ToQImage()), 0) << "format " << f;
    // And back through our reader, in the written depth.
    TBitmap back;
    back.LoadFromFile(file);
    EXPECT_EQ(Differences(back.ToQImage(), b.ToQImage()), 0) << "format " << f;
    const TPixelFormat written = (f == pf15bit || f == pf16bit) ? pf24bit : f;
    EXPECT_EQ(back.PixelFormat(), written);
  }
}

TEST(BmpCodec, ImageMagickFilesReadByUs) {
  if (Convert().isEmpty()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  QTemporaryDir dir;
  const QString src = dir.filePath("src.ppm");
  Pattern(pf24bit).SaveToFile(dir.filePath("src.bmp"));
  RunTool({Convert(), dir.filePath("src.bmp"), src});
  struct Case {
    const char* name;
    QStringList options;
    int bpp;
    int compression;
    int header;
  };
  const Case cases[] = {
      {"BMP3:bilevel.bmp", {"-type", "bilevel"}, 1, 0, 40},
      {"BMP3:p4.bmp", {"-colors", "12", "-type", "palette"}, 4, 0, 40},
      {"BMP3:p8.bmp", {"-type", "palette", "-compress", "None"}, 8, 0, 40},
      {"BMP3:rle8.bmp", {"-type", "palette", "-compress", "RLE"}, 8, 1, 40},
      {"BMP3:few-rle8.bmp", {"-colors", "5", "-type", "palette", "-compress", "RLE"}, 8, 1, 40},
      {"BMP3:true.bmp", {"-type", "truecolor"}, 24, 0, 40},
      {"BMP2:os2.bmp", {"-type", "palette"}, 8, 0, 12},
      {"BMP2:os2-24.bmp", {"-type", "truecolor"}, 24, 0, 12},
      {"v5-rle8.bmp", {"-type", "palette"}, 8, 1, 124},
      {"alpha.bmp", {"-alpha", "set", "-type", "truecolormatte"}, 32, 3, 124},
      {"rgb565.bmp", {"-define", "bmp:subtype=RGB565"}, 16, 3, 124},
      {"rgb555.bmp", {"-define", "bmp:subtype=RGB555"}, 16, 3, 124},
  };
  for (const Case& k : cases) {
    const QString name = QString(k.name);
    const QString file = dir.filePath(name.mid(name.indexOf(':') + 1));
    QStringList args{Convert(), src};
    args << k.options << (name.contains(':') ? name.left(name.indexOf(':') + 1) + file : file);
    RunTool(args);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << k.name;
    const QByteArray data = f.readAll();
    // The file is of the kind the case means to test.
    ASSERT_GT(data.size(), 30) << k.name;
    const auto* d = reinterpret_cast<const uchar*>(data.constData());
    const int header = d[14] | (d[15] << 8);
    const int bpp = header == 12 ? (d[24] | (d[25] << 8)) : (d[28] | (d[29] << 8));
    const int compression = header == 12 ? 0 : d[30];
    EXPECT_EQ(header, k.header) << k.name;
    EXPECT_EQ(bpp, k.bpp) << k.name;
    EXPECT_EQ(compression, k.compression) << k.name;
    TBitmap ours;
    try {
      ours.LoadFromBytes(data);
    } catch (const EInvalidGraphic& e) {
      ADD_FAILURE() << k.name << ": " << e.what();
    }
    EXPECT_EQ(Differences(ours.ToQImage(), ImageMagickPixels(file)), 0) << k.name;
  }
}

namespace {

// A bottom-up 8-bit or 4-bit BMP around given pixel bytes, for the cases
// ImageMagick does not write (RLE4, top-down, hostile headers).
QByteArray MakeBmp(int w, int h, int bpp, int compression, const QByteArray& bits, int colours = 16) {
  QByteArray out;
  auto u16 = [&](int v) { out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); };
  auto u32 = [&](uint32_t v) { u16(int(v & 0xFFFF)), u16(int(v >> 16)); };
  out.append("BM");
  u32(uint32_t(14 + 40 + colours * 4 + bits.size()));
  u32(0);
  u32(uint32_t(14 + 40 + colours * 4));
  u32(40);
  u32(uint32_t(w));
  u32(uint32_t(h));
  u16(1);
  u16(bpp);
  u32(uint32_t(compression));
  u32(uint32_t(bits.size()));
  u32(0), u32(0), u32(uint32_t(colours)), u32(0);
  for (int i = 0; i < colours; ++i) u32(uint32_t(i * 0x0F0F0F) & 0xFFFFFF);
  out.append(bits);
  return out;
}

QByteArray Hex(const char* s) { return QByteArray::fromHex(s); }

std::string Indexes(const TBitmap& b) {
  std::string s;
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) s += "0123456789ABCDEF"[b.Dib().GetRaw(x, y) & 15];
    s += '/';
  }
  return s;
}

}  // namespace

TEST(BmpCodec, RunLengthAndTopDownDecoding) {
  TBitmap b;
  // RLE4, 6 x 2: bottom row "121212" as a run, top row a literal "345" then a
  // run of three 7s, each row ended, then the end of the picture.
  b.LoadFromBytes(MakeBmp(6, 2, 4, 2,
                          Hex("0612"
                              "0000"
                              "0003"
                              "3450"
                              "0377"
                              "0000"
                              "0001")));
  EXPECT_EQ(Indexes(b), "345777/121212/");
  EXPECT_EQ(b.PixelFormat(), pf4bit);
  // RLE8 with a move: skipped pixels are index 0.
  b.LoadFromBytes(MakeBmp(5, 2, 8, 1,
                          Hex("0209"
                              "00020101"
                              "0105"
                              "0000"
                              "0001")));
  EXPECT_EQ(Indexes(b), "00050/99000/");
  // Runs past the end of a row are cut at the row's end (writers pad rows).
  b.LoadFromBytes(MakeBmp(3, 1, 8, 1,
                          Hex("0502"
                              "0000"
                              "0001")));
  EXPECT_EQ(Indexes(b), "222/");
  // Top-down rows: a negative height.
  QByteArray top = MakeBmp(2, 2, 8, 0,
                           Hex("01020000"
                               "03040000"));
  top[22] = char(0xFE), top[23] = char(0xFF), top[24] = char(0xFF), top[25] = char(0xFF);
  b.LoadFromBytes(top);
  EXPECT_EQ(Indexes(b), "12/34/");
}

TEST(BmpCodec, RejectsTruncatedAndHostileFiles) {
  const QByteArray good = Pattern(pf8bit, 9, 5).SaveToBytes();
  // Every prefix of a good file is refused, never read past its end.
  for (qsizetype n = 0; n < good.size(); ++n)
    EXPECT_THROW(ReadBmp(Bytes(good.left(n))), EInvalidGraphic) << n;
  EXPECT_NO_THROW(ReadBmp(Bytes(good)));

  auto patched = [&](QByteArray data, int at, uint32_t value) {
    for (int i = 0; i < 4; ++i) data[at + i] = char((value >> (8 * i)) & 0xFF);
    return data;
  };
  const QByteArray rle = MakeBmp(4, 2, 8, 1,
                                 Hex("0401"
                                     "0000"
                                     "0402"
                                     "0000"
                                     "0001"));
  EXPECT_NO_THROW(ReadBmp(Bytes(rle)));
  struct Case {
    const char* name;
    QByteArray data;
  };
  const Case cases[] = {
      {"huge size, tiny data", patched(patched(good, 18, 100000), 22, 100000)},
      {"width past the limit", patched(good, 18, 0x7FFFFFFF)},
      {"zero width", patched(good, 18, 0)},
      {"lowest height", patched(good, 22, 0x80000000)},
      {"pixels past the end", patched(good, 10, uint32_t(good.size() + 1))},
      {"pixels inside the header", patched(good, 10, 4)},
      {"unknown header size", patched(good, 14, 41)},
      {"odd bit count", patched(good, 28, 7 | (1 << 16))},
      {"zero planes", patched(good, 26, 0 | (8 << 16))},
      {"huge colour count", patched(good, 46, 0x40000000)},
      {"unknown compression", patched(good, 30, 9)},
      {"RLE8 on 24 bits", patched(patched(good, 28, 1 | (24 << 16)), 30, 1)},
      {"top-down RLE", patched(rle, 22, uint32_t(-2))},
      {"RLE move out of the picture", MakeBmp(4, 2, 8, 1,
                                              Hex("00020009"
                                                  "0001"))},
      {"RLE without an end", MakeBmp(4, 2, 8, 1, Hex("0401"))},
      {"RLE literal cut short", MakeBmp(4, 2, 8, 1, Hex("000401"))},
      {"bit fields not contiguous", MakeBmp(2, 1, 16, 3, Hex("0500000000000000"), 0)},
  };
  for (const Case& k : cases) EXPECT_THROW(ReadBmp(Bytes(k.data)), EInvalidGraphic) << k.name;
  // A limit keeps a small file from asking for a huge picture.
  EXPECT_THROW(ReadBmp(Bytes(MakeBmp(20000, 20000, 8, 1, Hex("0001"))), {1 << 20}), EInvalidGraphic);
  // A failed load leaves the bitmap as it was.
  TBitmap b = Pattern(pf24bit, 3, 3);
  const QImage before = b.ToQImage();
  EXPECT_THROW(b.LoadFromBytes(good.left(40)), EInvalidGraphic);
  EXPECT_EQ(b.ToQImage(), before);
}

TEST(Bitmap, FormatsConvertAndScanLinesAreTopDown) {
  TBitmap b = Pattern(pf24bit, 5, 4);
  const QImage original = b.ToQImage();
  for (TPixelFormat f : {pf32bit, pf24bit}) {
    b.SetPixelFormat(f);
    EXPECT_EQ(b.ToQImage(), original) << f;
  }
  b.SetPixelFormat(pf16bit);
  EXPECT_EQ(b.BytesPerScanLine(), 12);
  b.SetPixelFormat(pf1bit);
  EXPECT_EQ(b.Palette().size(), 2u);
  EXPECT_EQ(b.BytesPerScanLine(), 4);

  TBitmap t;
  t.SetPixelFormat(pf24bit);
  t.SetSize(2, 2);
  t.Canvas().SetPixel(0, 0, clRed);
  EXPECT_EQ(t.ScanLine(0)[2], 0xFF);  // blue, green, red: red is the third byte
  EXPECT_EQ(t.ScanLine(1)[2], 0xFF);  // a new bitmap is white
  EXPECT_THROW(t.ScanLine(2), EInvalidGraphicOperation);
  // Growing keeps the pixels, new ones are white.
  t.SetWidth(3);
  EXPECT_EQ(t.Canvas().Pixel(0, 0), clRed);
  EXPECT_EQ(t.Canvas().Pixel(2, 0), clWhite);
  // The automatic transparent colour is the bottom-left pixel.
  t.Canvas().SetPixel(0, 1, clLime);
  EXPECT_EQ(t.TransparentColor(), clLime);
  t.SetTransparentColor(clRed);
  EXPECT_EQ(t.TransparentMode(), tmFixed);
  t.Mask(clRed);
  EXPECT_EQ(t.PixelFormat(), pf1bit);
  EXPECT_EQ(t.Canvas().Pixel(0, 0), clWhite);
  EXPECT_EQ(t.Canvas().Pixel(1, 0), clBlack);
}

TEST(Bitmap, StreamsReadFromTheirPositionToTheEnd) {
  TBitmap b = Pattern(pf8bit, 5, 3);
  TMemoryStream stream;
  stream.WriteBuffer("head", 4);
  b.SaveToStream(stream);
  const std::int64_t end = stream.Position();
  stream.SetPosition(4);
  TBitmap back;
  back.LoadFromStream(stream);
  EXPECT_EQ(stream.Position(), end);
  EXPECT_EQ(back.ToQImage(), b.ToQImage());
  EXPECT_EQ(back.Palette(), b.Palette());
  stream.SetPosition(0);
  EXPECT_THROW(back.LoadFromStream(stream), EInvalidGraphic);
}
