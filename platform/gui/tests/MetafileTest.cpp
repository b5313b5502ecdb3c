// Metafiles: shapes land where the picture's mapping puts them in both
// formats, damaged files are refused and short records skipped, the picture
// class reads them by extension, and a rendering agrees with libwmf's.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Metafile.h"
#include "platform/gui/Picture.h"
#include "platform/gui/tests/MetafileBuilder.h"

namespace {

constexpr uint32_t kRed = 0x0000FF, kBlue = 0xFF0000, kGreen = 0x00C000;

TMetafile Load(const QByteArray& bytes) {
  TMetafile m;
  m.LoadFromBytes(bytes);
  return m;
}

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

// Red square in the top-left quarter, blue disc in the bottom-right one, on
// a box of 1000 units at 1000 units per inch (96 pixels).
QByteArray TwoShapesWmf() {
  WmfBuilder b;
  b.Pen(5, 0, 0).Brush(0, kRed).Brush(0, kBlue);
  b.Select(0).Select(1).Rectangle(100, 100, 500, 500);
  b.Select(2).Ellipse(600, 600, 900, 900);
  return b.File(0, 0, 1000, 1000, 1000);
}

}  // namespace

TEST(Metafile, PlaceableShapesFollowTheBoxAtAnySize) {
  const TMetafile m = Load(TwoShapesWmf());
  EXPECT_FALSE(m.Enhanced());
  EXPECT_EQ(m.Width(), 96);
  EXPECT_EQ(m.Height(), 96);
  EXPECT_EQ(m.MMWidth(), 2540);
  for (int size : {96, 200, 500}) {
    SCOPED_TRACE(size);
    const QImage image = m.Render(QSize(size, size), Qt::white);
    auto at = [&](double fx, double fy) { return At(image, int(fx * size), int(fy * size)); };
    EXPECT_EQ(at(0.3, 0.3), 0xFF0000u);  // inside the square
    EXPECT_EQ(at(0.75, 0.75), 0x0000FFu);  // centre of the disc
    EXPECT_EQ(at(0.05, 0.05), 0xFFFFFFu);
    EXPECT_EQ(at(0.61, 0.61), 0xFFFFFFu);  // outside the disc, inside its box
    EXPECT_EQ(at(0.3, 0.55), 0xFFFFFFu);
  }
}

TEST(Metafile, PlainMetafileTakesItsSizeFromItsWindow) {
  WmfBuilder b;
  b.WindowOrg(-50, -50).WindowExt(100, 100);
  b.Pen(5, 0, 0).Brush(0, kGreen).Select(0).Select(1).Rectangle(-25, -25, 25, 25);
  const TMetafile m = Load(b.File(0, 0, 0, 0, 0, 8, /*placeable=*/false));
  EXPECT_EQ(m.Width(), 100);
  const QImage image = m.Render(QSize(100, 100), Qt::white);
  EXPECT_EQ(At(image, 50, 50), 0x00C000u);
  EXPECT_EQ(At(image, 10, 50), 0xFFFFFFu);
  EXPECT_EQ(At(image, 80, 50), 0xFFFFFFu);
}

TEST(Metafile, EnhancedFrameTransformAndPathsMapOntoTheTarget) {
  // 960 pixels over 254 mm: 96 per inch; the frame is one inch square.
  EmfBuilder b;
  b.Pen(1, 5, 0, 0).Brush(2, 0, kRed).Brush(3, 0, kBlue).Brush(4, 0, kGreen);
  b.Select(1).Select(2).Rectangle(10, 10, 48, 48);
  b.Select(3).Ellipse(58, 58, 86, 86);
  // Doubled by the world transform: lands at 10..30 by 60..80.
  b.Select(4).Transform(2, 0, 0, 2, 0, 0).Rectangle(5, 30, 15, 40).Transform(1, 0, 0, 1, 0, 0);
  // A filled path triangle at the top right, 16-bit points.
  b.Select(2).Record(59, {}).Polygon({{60, 5}, {90, 5}, {90, 35}}, /*small=*/true).Record(60, {});
  b.Record(62, {0, 0, 0, 0});
  const TMetafile m = Load(b.File(0, 0, 2540, 2540, 8, 960, 254));
  EXPECT_TRUE(m.Enhanced());
  EXPECT_EQ(m.Width(), 96);
  EXPECT_EQ(m.MMHeight(), 2540);
  const QImage image = m.Render(QSize(192, 192), Qt::white);
  EXPECT_EQ(At(image, 58, 58), 0xFF0000u);
  EXPECT_EQ(At(image, 144, 144), 0x0000FFu);
  EXPECT_EQ(At(image, 40, 140), 0x00C000u);
  EXPECT_EQ(At(image, 170, 30), 0xFF0000u);  // inside the triangle
  EXPECT_EQ(At(image, 130, 60), 0xFFFFFFu);  // below its diagonal
  EXPECT_EQ(At(image, 5, 5), 0xFFFFFFu);
}

TEST(Metafile, DamagedFilesAreRefusedAndShortRecordsSkipped) {
  struct Case {
    const char* name;
    QByteArray bytes;
  };
  QByteArray badEmfSize = EmfBuilder().Rectangle(0, 0, 1, 1).File(0, 0, 100, 100);
  badEmfSize[88 + 4] = 22;  // the rectangle's size: not a multiple of four
  QByteArray emfPastEnd = EmfBuilder().Rectangle(0, 0, 1, 1).File(0, 0, 100, 100);
  emfPastEnd[88 + 5] = 0x7F;
  const Case refused[] = {
      {"record past the end", WmfBuilder().Lying(0x041B, 5000).File(0, 0, 10, 10, 96)},
      {"record shorter than its header", WmfBuilder().Lying(0x041B, 2).File(0, 0, 10, 10, 96)},
      {"empty box", WmfBuilder().Rectangle(0, 0, 1, 1).File(5, 5, 5, 9, 96)},
      {"plain metafile without a window", WmfBuilder().Rectangle(0, 0, 1, 1).File(0, 0, 0, 0, 0, 8, false)},
      {"truncated header", WmfBuilder().File(0, 0, 10, 10, 96).left(30)},
      {"emf record size", badEmfSize},
      {"emf record past the end", emfPastEnd},
      {"emf frame wider than any picture", EmfBuilder().File(-2100000000, 0, 2100000000, 100)},
      {"nothing", QByteArray()},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.name);
    TMetafile m;
    EXPECT_THROW(m.LoadFromBytes(c.bytes), EInvalidGraphic);
    EXPECT_TRUE(m.Empty());
  }

  // A polygon that claims more points than its record holds, a font whose
  // record ends early (it still takes its slot, 0) and a select of a slot
  // that does not exist draw nothing; the square after them is drawn.
  WmfBuilder b;
  b.Raw(0x0324, {30000, 1, 2});
  b.Raw(0x02FB, {10, 0, 0, 0, 400, 0});
  b.Select(4000).Pen(5, 0, 0).Brush(0, kRed).Select(1).Select(2).Rectangle(10, 10, 90, 90);
  const TMetafile m = Load(b.File(0, 0, 100, 100, 96));
  EXPECT_EQ(At(m.Render(QSize(100, 100), Qt::white), 50, 50), 0xFF0000u);
}

TEST(Metafile, PictureClassReadsBothExtensionsAndDrawsOnACanvas) {
  QTemporaryDir dir;
  const QString wmf = dir.filePath("shapes.WMF");
  const QString emf = dir.filePath("shapes.emf");
  const QByteArray wmfBytes = TwoShapesWmf();
  EmfBuilder e;
  e.Pen(1, 5, 0, 0).Brush(2, 0, kRed).Select(1).Select(2).Rectangle(0, 0, 96, 96);
  const QByteArray emfBytes = e.File(0, 0, 2540, 2540, 8, 960, 254);
  for (auto [path, bytes] : {std::pair{wmf, wmfBytes}, std::pair{emf, emfBytes}}) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }

  TPicture picture;
  picture.LoadFromFile(wmf);
  auto* m = dynamic_cast<TMetafile*>(picture.Graphic());
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->SaveToBytes(), wmfBytes);

  TBitmap bitmap;
  bitmap.SetSize(60, 60);
  bitmap.Canvas().Brush().SetColor(clWhite);
  bitmap.Canvas().FillRect(TRect{0, 0, 60, 60});
  // Half of the picture hangs off the bitmap: what is on it is drawn.
  bitmap.Canvas().StretchDraw(TRect{-40, -40, 60, 60}, *m);
  const QImage image = bitmap.ToQImage();
  EXPECT_EQ(At(image, 0, 0), 0xFF0000u);    // picture (0.4, 0.4): the square
  EXPECT_EQ(At(image, 35, 35), 0x0000FFu);  // picture (0.75, 0.75): the disc
  EXPECT_EQ(At(image, 59, 1), 0xFFFFFFu);   // untouched: the background stays

  picture.LoadFromFile(emf);
  m = dynamic_cast<TMetafile*>(picture.Graphic());
  ASSERT_NE(m, nullptr);
  EXPECT_TRUE(m->Enhanced());
}

TEST(Metafile, RenderingAgreesWithLibwmf) {
  const QString wmf2gd = QStandardPaths::findExecutable("wmf2gd");
  ASSERT_FALSE(wmf2gd.isEmpty()) << "wmf2gd (libwmf-bin) is installed by scripts/bootstrap";
  WmfBuilder b;
  b.WindowOrg(0, 0).WindowExt(400, 300);
  b.Pen(0, 6, 0x000000).Brush(0, 0x00A0FF).Brush(0, 0x804000).Pen(0, 1, 0x0000C0).Brush(0, 0xFFFFFF);
  // A frame over the whole box, so that both renderers fit the same area.
  b.Select(3).Select(4).Rectangle(0, 0, 400, 300);
  b.Select(0).Select(1).Rectangle(20, 20, 180, 140);
  // No ellipse here: libwmf's PNG output leaves ellipses unfilled (its SVG
  // output fills them); our ellipses are checked by the tests above.
  // The pentagon is cut by a clipping rectangle; the restored state lifts
  // it (the triangle lies wholly outside it). libwmf's PNG output draws
  // rounded rectangles square, so there are none here.
  b.Record(0x001E, {}).Record(0x0416, {200, 400, 0, 200});
  b.Select(3).Select(2).Polygon({{290, 40}, {380, 110}, {350, 280}, {230, 280}, {200, 110}});
  b.Record(0x0127, {0xFFFF}).Select(3).Select(2);
  b.Polygon({{30, 280}, {120, 160}, {190, 280}});
  b.Record(0x0214, {200, 20}).Record(0x0213, {20, 380});  // a line across the top right
  QTemporaryDir dir;
  const QString in = dir.filePath("scene.wmf"), out = dir.filePath("scene.png");
  {
    QFile f(in);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(b.File(0, 0, 400, 300, 96));
  }
  QProcess p;
  p.start(wmf2gd, {"-t", "png", "-o", out, in});
  ASSERT_TRUE(p.waitForFinished(60000));
  ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  QImage theirs(out);
  ASSERT_FALSE(theirs.isNull());
  theirs = theirs.convertToFormat(QImage::Format_RGB32);

  QFile f(in);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QImage ours = Load(f.readAll()).Render(theirs.size(), Qt::white).convertToFormat(QImage::Format_RGB32);
  // The two round coordinates and pen widths differently, so an edge may
  // fall up to two pixels apart; everything else must agree. A pixel counts
  // as differing when no pixel within two of it in the other picture is
  // close in every channel (checked both ways), and at most 0.2% may.
  auto near = [](const QImage& from, const QImage& in, int x, int y) {
    const QRgb a = from.pixel(x, y);
    for (int yy = std::max(0, y - 2); yy <= std::min(in.height() - 1, y + 2); ++yy)
      for (int xx = std::max(0, x - 2); xx <= std::min(in.width() - 1, x + 2); ++xx) {
        const QRgb c = in.pixel(xx, yy);
        if (std::abs(qRed(a) - qRed(c)) <= 40 && std::abs(qGreen(a) - qGreen(c)) <= 40 &&
            std::abs(qBlue(a) - qBlue(c)) <= 40)
          return true;
      }
    return false;
  };
  ASSERT_EQ(ours.size(), theirs.size());
  int differing = 0;
  for (int y = 0; y < ours.height(); ++y)
    for (int x = 0; x < ours.width(); ++x)
      if (!near(ours, theirs, x, y) || !near(theirs, ours, x, y)) ++differing;
  const double share = double(differing) / (ours.width() * ours.height());
  if (qEnvironmentVariableIsSet("METAFILE_DUMP")) {
    ours.save(qEnvironmentVariable("METAFILE_DUMP") + "-ours.png");
    theirs.save(qEnvironmentVariable("METAFILE_DUMP") + "-theirs.png");
  }
  EXPECT_LE(share, 0.002) << differing << " of " << ours.width() * ours.height() << " pixels differ, size "
                          << ours.width() << "x" << ours.height();
}
