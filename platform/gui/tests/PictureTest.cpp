// The picture format registry, TPicture loading by extension, and icons.

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "platform/gui/Jpeg.h"
#include "platform/gui/Picture.h"

namespace {

// A graphic class of a test codec: records that it was asked to load.
class TTestGraphic : public TBitmap {
 public:
  void LoadFromBytes(const QByteArray& data) override { SetSize(int(data.size()), 1); }
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TTestGraphic>(*this); }
};

}  // namespace

TEST(Picture, LoadsByExtensionAndTheLastRegistrationWins) {
  QTemporaryDir dir;
  TBitmap b;
  b.SetSize(3, 2);
  b.SaveToFile(dir.filePath("a.BMP"));
  TPicture p;
  p.LoadFromFile(dir.filePath("a.BMP"));
  ASSERT_TRUE(dynamic_cast<TBitmap*>(p.Graphic()));
  EXPECT_EQ(p.Width(), 3);

  TJPEGImage j;
  j.Assign(b);
  j.SaveToFile(dir.filePath("b.jpeg"));
  p.LoadFromFile(dir.filePath("b.jpeg"));
  EXPECT_TRUE(dynamic_cast<TJPEGImage*>(p.Graphic()));

  // A codec registered later takes "bmp" over, whatever case it was given in.
  TPicture::RegisterFileFormat<TTestGraphic>(".BmP", "Test bitmaps");
  p.LoadFromFile(dir.filePath("a.BMP"));
  EXPECT_TRUE(dynamic_cast<TTestGraphic*>(p.Graphic()));
  int bmpEntries = 0;
  for (const TFileFormat& f : TPicture::FileFormats()) bmpEntries += f.extension == "bmp";
  EXPECT_EQ(bmpEntries, 1);
  EXPECT_TRUE(TPicture::GraphicFilter().contains("Test bitmaps (*.bmp)|*.bmp"));
  TPicture::RegisterFileFormat<TBitmap>("bmp", "Bitmaps");

  // Unknown extensions and bad data are errors that leave the picture alone.
  EXPECT_THROW(p.LoadFromFile(dir.filePath("c.xyz")), EInvalidGraphic);
  QFile bad(dir.filePath("bad.bmp"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("BMnot really");
  bad.close();
  EXPECT_THROW(p.LoadFromFile(dir.filePath("bad.bmp")), EInvalidGraphic);
  EXPECT_TRUE(dynamic_cast<TTestGraphic*>(p.Graphic()));
  EXPECT_THROW(p.LoadFromFile(dir.filePath("missing.bmp")), EFOpenError);

  // Bitmap() replaces another class by an empty bitmap.
  p.LoadFromFile(dir.filePath("b.jpeg"));
  EXPECT_TRUE(p.Bitmap().Empty());
  TPicture copy = p;
  EXPECT_NE(copy.Graphic(), p.Graphic());
}

TEST(Icon, ReadsItsOwnFilesAndDrawsBlended) {
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(qRgba(0, 0, 0, 0));
  for (int i = 0; i < 16; ++i) image.setPixel(i, i, qRgba(255, 0, 0, 255));
  image.setPixel(0, 15, qRgba(0, 0, 255, 128));
  TIcon icon;
  icon.SetImage(image);
  TIcon back;
  back.LoadFromBytes(icon.SaveToBytes());
  EXPECT_EQ(back.Image(), image);

  TBitmap canvas;
  canvas.SetSize(20, 20);
  canvas.Canvas().Draw(2, 2, back);
  EXPECT_EQ(canvas.Canvas().Pixel(5, 5), clRed);
  EXPECT_EQ(canvas.Canvas().Pixel(6, 5), clWhite);
  const uint32_t half = ColorToRGB(canvas.Canvas().Pixel(2, 17));
  EXPECT_NEAR(int(half & 0xFF), 127, 2);  // half blue over white

  EXPECT_THROW(back.LoadFromBytes(QByteArray("\0\0\1\0\1\0", 6)), EInvalidGraphic);
  QByteArray hostile = icon.SaveToBytes();
  hostile[18] = char(0xFF), hostile[19] = char(0xFF), hostile[20] = char(0xFF), hostile[21] = char(0x7F);
  EXPECT_THROW(back.LoadFromBytes(hostile), EInvalidGraphic);
  EXPECT_EQ(back.Image(), image);
}

TEST(Icon, ReadsImageMagickIcons) {
  const QString convert = QStandardPaths::findExecutable("convert");
  if (convert.isEmpty()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  QTemporaryDir dir;
  TBitmap b;
  b.SetSize(24, 24);
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 24; ++x) b.Canvas().SetPixel(x, y, RGB(x * 10, y * 10, 128));
  b.SaveToFile(dir.filePath("src.bmp"));
  for (const char* depth : {"8", "24"}) {  // palette and true-colour entries
    const QString ico = dir.filePath(QString("i%1.ico").arg(depth));
    QProcess::execute(
        convert, {dir.filePath("src.bmp"), "-type", QString(depth) == "8" ? "palette" : "truecolor", ico});
    TIcon icon;
    icon.LoadFromFile(ico);
    ASSERT_EQ(icon.Width(), 24) << depth;
    QProcess p;
    p.start(convert, {ico, "-depth", "8", "rgb:-"});
    p.waitForFinished();
    const QByteArray rgb = p.readAllStandardOutput();
    ASSERT_EQ(rgb.size(), 24 * 24 * 3);
    int differ = 0;
    for (int i = 0; i < 24 * 24; ++i) {
      const QRgb ours = icon.Image().pixel(i % 24, i / 24);
      differ += qRed(ours) != uint8_t(rgb[3 * i]) || qGreen(ours) != uint8_t(rgb[3 * i + 1]) ||
                qBlue(ours) != uint8_t(rgb[3 * i + 2]) || qAlpha(ours) != 255;
    }
    EXPECT_EQ(differ, 0) << depth;
  }
}
