// JPEG decoding against djpeg's output, encoding, and refusal of bad data.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "platform/gui/Jpeg.h"

namespace {

QByteArray RunTool(const QStringList& args) {
  QProcess p;
  p.start(args.first(), args.mid(1));
  p.waitForFinished(60000);
  return p.readAllStandardOutput();
}

// djpeg's PPM (P6) or PGM (P5) output as rows of bytes: RGB, or grey.
struct Netpbm {
  int w = 0, h = 0, channels = 0;
  QByteArray pixels;
};

Netpbm ReadNetpbm(const QByteArray& data) {
  Netpbm out;
  QList<QByteArray> fields;
  qsizetype i = 0;
  while (fields.size() < 4 && i < data.size()) {
    while (i < data.size() && QChar(data[i]).isSpace()) ++i;
    const qsizetype start = i;
    while (i < data.size() && !QChar(data[i]).isSpace()) ++i;
    fields << data.mid(start, i - start);
  }
  if (fields.size() < 4) return out;
  out.channels = fields[0] == "P6" ? 3 : fields[0] == "P5" ? 1 : 0;
  out.w = fields[1].toInt();
  out.h = fields[2].toInt();
  out.pixels = data.mid(i + 1);
  return out;
}

// Our decoded picture in the same layout.
QByteArray OurPixels(const TBitmap& b, int channels) {
  QByteArray out;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const uint32_t c = b.Dib().GetColor(x, y);
      if (channels == 1) {
        out.append(char(c & 0xFF));
      } else {
        out.append(char(c & 0xFF)).append(char((c >> 8) & 0xFF)).append(char((c >> 16) & 0xFF));
      }
    }
  return out;
}

TBitmap Picture(int w, int h) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(w, h);
  TDib dib = b.Dib();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) dib.SetColor(x, y, RGB(x * 255 / w, (x ^ y) & 0xFF, y * 255 / h));
  b.SetDib(dib);
  return b;
}

}  // namespace

TEST(Jpeg, DecodesLikeDjpeg) {
  const QString djpeg = QStandardPaths::findExecutable("djpeg");
  const QString cjpeg = QStandardPaths::findExecutable("cjpeg");
  if (djpeg.isEmpty() || cjpeg.isEmpty())
    GTEST_SKIP() << "djpeg/cjpeg (libjpeg-turbo-progs) are not installed";
  QTemporaryDir dir;
  TBitmap source = Picture(61, 37);
  source.SaveToFile(dir.filePath("src.bmp"));
  struct Case {
    const char* name;
    QStringList cjpegOptions;
    bool grayscale;
    TJPEGScale scale;
  };
  const Case cases[] = {
      {"baseline", {"-quality", "85"}, false, jsFullSize},
      {"progressive", {"-progressive"}, false, jsFullSize},
      {"4:4:4", {"-sample", "1x1"}, false, jsFullSize},
      {"grey file", {"-grayscale"}, false, jsFullSize},
      {"decoded as grey", {}, true, jsFullSize},
      {"half", {}, false, jsHalf},
      {"eighth", {}, false, jsEighth},
  };
  for (const Case& k : cases) {
    const QString file = dir.filePath(QString(k.name) + ".jpg");
    QStringList args{cjpeg};
    args << k.cjpegOptions << "-outfile" << file << dir.filePath("src.bmp");
    RunTool(args);
    QStringList dargs{djpeg};
    if (k.grayscale) dargs << "-grayscale";
    if (k.scale != jsFullSize) dargs << "-scale" << QString("1/%1").arg(1 << int(k.scale));
    dargs << file;
    const Netpbm theirs = ReadNetpbm(RunTool(dargs));
    ASSERT_GT(theirs.channels, 0) << k.name;
    TJPEGImage jpeg;
    jpeg.SetGrayscale(k.grayscale);
    jpeg.SetScale(k.scale);
    jpeg.LoadFromFile(file);
    EXPECT_EQ(jpeg.Width(), theirs.w) << k.name;
    EXPECT_EQ(jpeg.Height(), theirs.h) << k.name;
    EXPECT_EQ(jpeg.Bitmap().PixelFormat(), theirs.channels == 1 ? pf8bit : pf24bit) << k.name;
    EXPECT_TRUE(OurPixels(jpeg.Bitmap(), theirs.channels) == theirs.pixels) << k.name;
  }
}

TEST(Jpeg, EncodesWithTheQualityAsked) {
  TJPEGImage jpeg;
  jpeg.Assign(Picture(40, 30));
  jpeg.SetCompressionQuality(95);
  const QByteArray fine = jpeg.SaveToBytes();
  jpeg.SetCompressionQuality(10);
  const QByteArray coarse = jpeg.SaveToBytes();
  EXPECT_LT(coarse.size(), fine.size());
  TJPEGImage back;
  back.LoadFromBytes(fine);
  ASSERT_EQ(back.Width(), 40);
  // Close to the original at quality 95.
  const TBitmap original = Picture(40, 30);
  long long error = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const uint32_t a = back.Bitmap().Dib().GetColor(x, y), b = original.Dib().GetColor(x, y);
      for (int s = 0; s < 24; s += 8) error += std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF));
    }
  EXPECT_LT(error / (40 * 30 * 3), 6);
  EXPECT_THROW(back.SetWidth(3), EInvalidGraphicOperation);
  EXPECT_EQ(back.SaveToBytes(), fine);  // a loaded picture saves its own data
}

TEST(Jpeg, RefusesTruncatedAndHostileData) {
  TJPEGImage jpeg;
  jpeg.Assign(Picture(32, 32));
  const QByteArray good = jpeg.SaveToBytes();
  for (qsizetype n :
       {qsizetype(0), qsizetype(2), qsizetype(20), good.size() / 3, good.size() / 2, good.size() - 3})
    EXPECT_THROW(DecodeJpeg(good.left(n), false, 1, false), EInvalidGraphic) << n;
  EXPECT_NO_THROW(DecodeJpeg(good, false, 1, false));
  EXPECT_THROW(DecodeJpeg("not a jpeg at all", false, 1, false), EInvalidGraphic);
  // A frame header claiming 60000 x 60000: refused before any allocation.
  QByteArray huge = good;
  const qsizetype sof = huge.indexOf("\xFF\xC0");
  ASSERT_GT(sof, 0);
  huge[sof + 5] = char(0xEA), huge[sof + 6] = char(0x60), huge[sof + 7] = char(0xEA),
             huge[sof + 8] = char(0x60);
  EXPECT_THROW(DecodeJpeg(huge, false, 1, false), EInvalidGraphic);
  // A failed load leaves the image as it was.
  TJPEGImage kept;
  kept.LoadFromBytes(good);
  EXPECT_THROW(kept.LoadFromBytes(good.left(good.size() / 2)), EInvalidGraphic);
  EXPECT_EQ(kept.Width(), 32);
}
