// Regions and shaped windows: the shapes' geometry (corner tables and
// areas against their analytic values), region records, the border
// painters, and a form whose window takes the shape, drags by its client
// area and, under a real X server, shows exactly its mask.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QPolygon>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "effects/QRXRegion.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

namespace {

std::int64_t Area(const QRegion& region) {
  std::int64_t area = 0;
  for (const QRect& r : region) area += std::int64_t(r.width()) * r.height();
  return area;
}

double PolygonArea(const std::vector<TPoint>& p) {
  double twice = 0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const TPoint& a = p[i];
    const TPoint& b = p[(i + 1) % p.size()];
    twice += double(a.X) * b.Y - double(b.X) * a.Y;
  }
  return std::abs(twice) / 2;
}

TEST(QRXRegion, DefaultsAndWhichSettingsNotify) {
  TQRXRegion region;
  EXPECT_EQ(region.Shape(), TQRXRegionShape::rsRoundRect);
  EXPECT_EQ(region.RoundX(), 20);
  EXPECT_EQ(region.RoundY(), 20);
  EXPECT_EQ(region.ExtPos(), TQRXExtPos::epLeftTop);
  EXPECT_EQ(region.Shadow().Style(), TQRXShadowStyle::hssNone);
  EXPECT_EQ(region.Border().Style(), TQRXRegionBorderStyle::rbSingle);
  int changes = 0;
  region.OnChange = [&](TQRXObject*) { ++changes; };
  region.SetShape(TQRXRegionShape::rsRect);
  EXPECT_EQ(changes, 1);
  region.SetRoundX(30);
  EXPECT_EQ(region.RoundX(), 30);
  EXPECT_EQ(changes, 1);
  region.SetShape(TQRXRegionShape::rsRoundRect);
  region.SetRoundX(40);
  EXPECT_EQ(changes, 3);
  region.Border().SetStyle(TQRXRegionBorderStyle::rbRaised);
  region.Shadow().SetDepth(9);
  EXPECT_EQ(changes, 5);
}

TEST(QRXRegion, PointListsStoreTheirRegionOnlyAsAPointList) {
  TQRXRegion region;
  region.SetShape(TQRXRegionShape::rsRect);
  region.Points().AddPoint({0, 0});
  EXPECT_TRUE(region.StoredRegionData().empty());
  for (const TPoint p : {TPoint{40, 0}, TPoint{40, 30}, TPoint{20, 45}, TPoint{0, 30}}) region.Points().AddPoint(p);
  region.SetShape(TQRXRegionShape::rsPointList);
  ASSERT_FALSE(region.StoredRegionData().empty());
  QRegion stored;
  ASSERT_TRUE(RegionFromData(region.StoredRegionData(), stored));
  EXPECT_NEAR(double(Area(stored)), PolygonArea({{0, 0}, {40, 0}, {40, 30}, {20, 45}, {0, 30}}), 40);

  // The form file carries the points; reading them back rebuilds the data.
  TQRXBinaryProperties properties;
  properties.Write(region);
  TQRXRegion back;
  back.SetShape(TQRXRegionShape::rsPointList);
  properties.Read(back);
  EXPECT_EQ(back.Points().Count(), 5);
  EXPECT_EQ(back.StoredRegionData(), region.StoredRegionData());
}

// Polygons become regions pixel for pixel as the host converts them, at any
// size: self-crossing, with repeated and collinear corners, with horizontal
// and vertical edges.
TEST(QRXRegionGeometry, PolygonsFillAsTheHostFillsThem) {
  const std::vector<std::vector<TPoint>> cases = {
      {{549, 512}, {1024, 7680}, {7680, 1280}, {5120, 5120}},  // crosses itself; once slow to convert
      {{0, 0}, {37, 91}, {91, 3}, {5, 60}, {88, 70}},           // a five-pointed star drawn in one stroke
      {{10, 10}, {60, 10}, {60, 40}, {10, 40}},
      {{3, 7}, {3, 7}, {50, 9}, {50, 9}, {20, 44}},
      {{0, 0}, {20, 20}, {40, 40}, {0, 40}},
      {{-30, -5}, {25, -40}, {-2, 33}, {40, 12}, {-41, 9}, {15, 47}},
      {{0, 0}, {10, 0}, {20, 0}},
      {{5, 5}, {30, 5}},
  };
  for (const std::vector<TPoint>& points : cases) {
    // The host's own conversion is fast enough at a tenth of the size.
    for (const int scale : {1, 10}) {
      std::vector<TPoint> scaled;
      QPolygon polygon;
      for (const TPoint& p : points) {
        scaled.push_back({p.X / scale, p.Y / scale});
        polygon << QPoint(p.X / scale, p.Y / scale);
      }
      if (scale == 1 && points.front().X == 549) continue;
      const QRegion ours = PolygonRegion(scaled);
      const QRegion host(polygon, Qt::OddEvenFill);
      EXPECT_TRUE((ours ^ host).isEmpty()) << "polygon of " << points.size() << " corners at 1/" << scale;
      EXPECT_EQ(ours, host);
    }
  }
}

// A stored point list spans at most 65536 pixels each way; a large
// self-crossing one converts at once and as exactly as a small one.
TEST(QRXRegionGeometry, LargeSelfCrossingPolygonsConvertExactly) {
  // An hourglass of 2n rows: row y spans n - |n - y| .. n + |n - y|.
  const int n = 30000;
  const QRegion hourglass = PolygonRegion(std::vector<TPoint>{{0, 0}, {2 * n, 0}, {0, 2 * n}, {2 * n, 2 * n}});
  std::int64_t expected = 0;
  for (int y = 0; y < 2 * n; ++y) expected += 2 * std::abs(n - y);
  EXPECT_EQ(Area(hourglass), expected);
  EXPECT_EQ(hourglass.rectCount(), 2 * n - 1);
  EXPECT_EQ(hourglass.boundingRect(), QRect(0, 0, 2 * n, 2 * n));

  // The stored point list of a form file: read, converted and stored.
  TQRXRegion region;
  region.SetShape(TQRXRegionShape::rsPointList);
  for (const TPoint p : {TPoint{-32768, -32768}, TPoint{32767, 32767}, TPoint{32767, -32768}, TPoint{-32768, 32767}})
    region.Points().AddPoint(p);
  QRegion stored;
  ASSERT_TRUE(RegionFromData(region.StoredRegionData(), stored));
  EXPECT_EQ(stored.boundingRect(), QRect(QPoint(-32768, -32767), QPoint(32766, 32766)));
  EXPECT_NEAR(double(Area(stored)), 65535.0 * 65535.0 / 2, 65535.0 * 2);
}

// A region that would need more rectangles than a region record holds is
// refused as empty instead of taking gigabytes.
TEST(QRXRegionGeometry, PolygonsTooDetailedForARegionRecordGiveNoRegion) {
  // Teeth across the whole height, closed by a diagonal: every row is a
  // band of its own holding a span per tooth.
  std::vector<TPoint> comb;
  for (int i = 0; i <= 160; ++i) comb.push_back({i * 400 - 32000, (i % 2) ? 32000 : -32000});
  comb.push_back({32000, 32767});
  EXPECT_TRUE(PolygonRegion(comb).isEmpty());
  comb.resize(20);
  comb.push_back({32000, 32767});
  const QRegion fewer = PolygonRegion(comb);
  EXPECT_GT(fewer.rectCount(), 64000 * 9);
}

TEST(QRXRegionGeometry, CornerTables) {
  EXPECT_EQ(StarPoints(Rect(0, 0, 100, 100)),
            (std::vector<TPoint>{{50, 0}, {65, 38}, {100, 38}, {70, 60}, {85, 100}, {50, 75}, {15, 100}, {30, 60},
                                 {0, 38}, {35, 38}}));
  const std::vector<TPoint> octagon = OctagonPoints(Rect(0, 0, 100, 90));
  EXPECT_EQ(octagon[0], (TPoint{66, 0}));
  EXPECT_EQ(octagon[1], (TPoint{33, 0}));

  TRect r = Rect(0, 0, 200, 100);
  TPoint p0, p1, p2;
  NosePoints(r, 200 / 10, TQRXExtPos::epLeftTop, 5, p0, p1, p2);
  EXPECT_EQ(r, Rect(20, 20, 200, 100));
  EXPECT_EQ(p0, (TPoint{0, 0}));
  EXPECT_EQ(p1, (TPoint{20, 25}));
  EXPECT_EQ(p2, (TPoint{20, 53}));

  TRect bubbleRect = Rect(0, 0, 120, 90);
  const std::vector<TQRXBubble> bubbles = BubbleTrail(bubbleRect, 20, TQRXRegion::kBubbleCount, TQRXExtPos::epLeftTop);
  ASSERT_EQ(bubbles.size(), 7u);
  EXPECT_EQ(bubbles[0].diameter, 0);
  EXPECT_LT(bubbles[1].diameter, bubbles[5].diameter);
}

TEST(QRXRegionGeometry, AreasMatchTheirShapesWithinOnePercent) {
  const TRect r = Rect(10, 20, 410, 320);  // 400 x 300
  struct Case {
    const char* name;
    QRegion region;
    double expected;
  };
  const Case cases[] = {
      {"ellipse", EllipseRegion(r.Left, r.Top, r.Right, r.Bottom), M_PI * 200 * 150},
      {"diamond", DiamondRegion(r), 400.0 * 300 / 2},
      {"star", StarRegion(r), PolygonArea(StarPoints(r)) - 0},
      {"octagon", OctagonRegion(r), PolygonArea(OctagonPoints(r))},
      {"comb", CombRegion(r), PolygonArea(CombPoints(r))},
      {"rounded rectangle", RoundRectRegion(r, 60, 40), 400.0 * 300 - (60.0 * 40 - M_PI * 30 * 20)},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(double(Area(c.region)), c.expected, c.expected * 0.01) << c.name;
  EXPECT_TRUE(StarRegion(r).contains(QPoint(210, 190)));
  EXPECT_FALSE(StarRegion(r).contains(QPoint(30, 300)));
  // The half round is an ellipse centred on the top edge: what shows inside
  // the rectangle is its lower half.
  TQRXRegion half;
  half.SetShape(TQRXRegionShape::rsHalfRound);
  QRegion h;
  ASSERT_TRUE(half.CreateRegion(h, r));
  EXPECT_NEAR(double(Area(h & QRegion(10, 20, 400, 300))), M_PI * 200 * 300 / 2, M_PI * 200 * 300 / 2 * 0.01);
  // Shields lie in (0, 0, W, H) whatever the rectangle's corner.
  EXPECT_GE(RoundShieldRegion(r).boundingRect().left(), 0);
  EXPECT_LE(RoundShieldRegion(r).boundingRect().left(), 5);
  EXPECT_LE(SharpShieldRegion(r).boundingRect().bottom(), 300);
  EXPECT_FALSE(RoundShieldRegion(r).contains(QPoint(200, 0)));
}

TEST(QRXRegionData, RoundTripsAndRefusesWhatDoesNotHoldTogether) {
  const QRegion region = EllipseRegion(0, 0, 50, 30) + QRegion(60, 5, 10, 10);
  const std::vector<std::uint8_t> data = RegionToData(region);
  ASSERT_EQ(data.size(), 32u + 16u * std::size_t(region.rectCount()));
  QRegion back;
  ASSERT_TRUE(RegionFromData(data, back));
  EXPECT_EQ(back, region);

  struct Case {
    const char* name;
    std::size_t at;
    std::uint8_t value;
    std::size_t cut;
  };
  const Case cases[] = {{"header size", 0, 31, 0}, {"type", 4, 2, 0},          {"count past the data", 9, 1, 0},
                        {"empty rectangle", 40, 0, 0}, {"cut short", 0, 32, 20}};
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bad = data;
    bad[c.at] = c.value;
    if (c.cut) bad.resize(bad.size() - c.cut);
    QRegion untouched = QRegion(1, 1, 1, 1);
    EXPECT_FALSE(RegionFromData(bad, untouched)) << c.name;
    EXPECT_EQ(untouched, QRegion(1, 1, 1, 1)) << c.name;
  }
}

TEST(QRXRegionMask, PropertiesAndAssign) {
  TQRXRegionMask mask;
  mask.SetRegionData(RegionToData(QRegion(0, 0, 8, 8)));
  mask.BorderBmp().SetSize(8, 8);
  mask.SetCompressed(true);
  TQRXBinaryProperties properties;
  properties.Write(mask);
  EXPECT_TRUE(properties.Has("RegionData"));
  EXPECT_TRUE(properties.Has("BorderBmp"));
  EXPECT_FALSE(properties.Has("BorderUpBmp"));
  TQRXRegionMask back;
  back.SetRegionDataSize(mask.RegionDataSize());
  properties.Read(back);
  EXPECT_EQ(back.RegionData(), mask.RegionData());
  EXPECT_EQ(back.BorderBmp().Width(), 8);
  EXPECT_TRUE(back.Compressed());

  // A size claim past what the property holds is refused before allocating.
  TQRXRegionMask liar;
  liar.SetRegionDataSize(1 << 30);
  EXPECT_THROW(properties.Read(liar), EReadError);
  EXPECT_TRUE(liar.RegionData().empty());

  TQRXRegionMask copy;
  copy.Assign(&mask);
  EXPECT_EQ(copy.RegionData(), mask.RegionData());
  EXPECT_FALSE(copy.Compressed());  // not copied
  TQRXRegionMask empty;
  copy.Assign(&empty);
  EXPECT_EQ(copy.RegionDataSize(), 0);
}

TBitmap Page(int w, int h) {
  TBitmap b;
  b.SetSize(w, h);
  b.Canvas().Brush().SetColor(clWhite);
  b.Canvas().FillRect(Rect(0, 0, w, h));
  return b;
}

TEST(QRXRegionBorder, RaisedPsbRectangleEdges) {
  TQRXRegion region;
  region.SetShape(TQRXRegionShape::rsRect);
  region.Border().SetStyle(TQRXRegionBorderStyle::rbRaisedpsb);
  TBitmap page = Page(40, 30);
  page.Canvas().Brush().SetColor(clLime);
  page.Canvas().FillRect(Rect(0, 0, 40, 30));
  region.UpdateRegion(Rect(0, 0, 40, 30));
  region.PaintBorder(page.Canvas(), Rect(0, 0, 40, 30));
  TCanvas& c = page.Canvas();
  EXPECT_EQ(c.Pixel(20, 0), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(c.Pixel(0, 15), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(c.Pixel(20, 29), TColor(clBlack));
  EXPECT_EQ(c.Pixel(39, 15), TColor(clBlack));
  EXPECT_EQ(c.Pixel(20, 28), ColorToRGB(clBtnShadow));
  EXPECT_EQ(c.Pixel(38, 15), ColorToRGB(clBtnShadow));
  EXPECT_EQ(c.Pixel(20, 15), TColor(clLime));
}

TEST(QRXRegionBorder, PointListGetsItsOutlineEvenWithoutABorderStyle) {
  TQRXRegion region;
  region.SetShape(TQRXRegionShape::rsPointList);
  for (const TPoint p : {TPoint{5, 5}, TPoint{35, 5}, TPoint{35, 25}, TPoint{5, 25}}) region.Points().AddPoint(p);
  region.Border().SetStyle(TQRXRegionBorderStyle::rbNone);
  region.Border().SetLightColor(clRed);
  region.Border().SetShadowColor(clBlue);
  TBitmap page = Page(40, 30);
  region.PaintBorder(page.Canvas(), Rect(0, 0, 40, 30));
  // Right-going top edge light, down-going right edge shadow, left-going
  // bottom edge shadow, up-going left edge light.
  EXPECT_EQ(page.Canvas().Pixel(20, 5), TColor(clRed));
  EXPECT_EQ(page.Canvas().Pixel(35, 15), TColor(clBlue));
  EXPECT_EQ(page.Canvas().Pixel(20, 25), TColor(clBlue));
  EXPECT_EQ(page.Canvas().Pixel(5, 15), TColor(clRed));
}

// A shaped form, its shape component made as a form file would make it.
struct ShapedForm {
  std::unique_ptr<TForm> form = std::make_unique<TForm>();
  TQRXFormShape* shape = nullptr;
  explicit ShapedForm(TQRXRegionShape kind, int w = 200, int h = 150) {
    form->SetBorderStyle(bsNone);
    form->SetBounds(30, 40, w, h);
    shape = Create<TQRXFormShape>(form.get());
    form->BeginLoading();
    shape->Region().SetShape(kind);
    form->EndLoading();
  }
};

TEST(QRXFormShape, TheWindowTakesTheShapeAndItsShadow) {
  ShapedForm f(TQRXRegionShape::rsElliptic);
  EXPECT_TRUE(f.shape->Hooked());
  EXPECT_EQ(f.form->mask(), f.shape->WindowRegion());
  EXPECT_EQ(f.shape->WindowRegion(), EllipseRegion(-1, -1, 201, 151));

  f.shape->Region().Shadow().SetStyle(TQRXShadowStyle::hssSolid);
  f.shape->Region().Shadow().SetDepth(6);
  const QRegion body = EllipseRegion(-1, -1, 195, 145);
  EXPECT_EQ(f.shape->Region().RegionHandle(), body);
  EXPECT_EQ(f.form->mask(), body + body.translated(6, 6));

  // A resize rebuilds it.
  f.form->Show();
  f.form->SetBounds(30, 40, 100, 80);
  QApplication::processEvents();
  EXPECT_EQ(f.form->mask(), EllipseRegion(-1, -1, 95, 75) + EllipseRegion(-1, -1, 95, 75).translated(6, 6));

  // No stored region: a single pixel stays.
  f.shape->Region().Shadow().SetStyle(TQRXShadowStyle::hssNone);
  f.shape->Region().SetShape(TQRXRegionShape::rsUserRegion);
  EXPECT_EQ(f.form->mask(), QRegion(0, 0, 1, 1));
}

TEST(QRXFormShape, CaptionIsTakenAwayUnlessShown) {
  ShapedForm f(TQRXRegionShape::rsRect);
  f.form->SetBorderStyle(bsSingle);
  f.shape->ApplyRegion();
  EXPECT_FALSE(f.form->windowFlags().testFlag(Qt::FramelessWindowHint));
  f.shape->SetShowFormCaption(false);
  EXPECT_TRUE(f.form->windowFlags().testFlag(Qt::FramelessWindowHint));
  f.shape->SetShowFormCaption(true);
  EXPECT_FALSE(f.form->windowFlags().testFlag(Qt::FramelessWindowHint));
}

TEST(QRXFormShape, DraggedByAnEmptyPointButNotByAControl) {
  ShapedForm f(TQRXRegionShape::rsRect);
  auto* label = Create<TLabel>(f.form.get());
  label->SetParent(f.form.get());
  label->SetBounds(10, 10, 60, 20);
  label->SetCaption("Label");
  f.form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f.form.get()));
  const QPoint start = f.form->pos();
  QTest::mousePress(f.form.get(), Qt::LeftButton, {}, QPoint(150, 100));
  QTest::mouseMove(f.form.get(), QPoint(170, 110));
  QTest::mouseRelease(f.form.get(), Qt::LeftButton, {}, QPoint(170, 110));
  EXPECT_EQ(f.form->pos(), start + QPoint(20, 10));

  const QPoint before = f.form->pos();
  QTest::mousePress(label, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseMove(label, QPoint(25, 25));
  QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(25, 25));
  EXPECT_EQ(f.form->pos(), before);

  f.shape->SetFormDragable(false);
  QTest::mousePress(f.form.get(), Qt::LeftButton, {}, QPoint(150, 100));
  QTest::mouseMove(f.form.get(), QPoint(170, 110));
  QTest::mouseRelease(f.form.get(), Qt::LeftButton, {}, QPoint(170, 110));
  EXPECT_EQ(f.form->pos(), before);
}

TEST(QRXFormShape, BackgroundForTransparentControls) {
  ShapedForm f(TQRXRegionShape::rsBitmap);
  TBitmap& picture = f.shape->Region().Mask().BorderBmp();
  picture.SetSize(60, 40);
  picture.Canvas().Brush().SetColor(clNavy);
  picture.Canvas().FillRect(Rect(0, 0, 60, 40));
  picture.Canvas().SetPixel(25, 15, clYellow);
  f.shape->Region().Mask().SetRegionData(RegionToData(QRegion(0, 0, 60, 40)));
  // The form takes the picture's size and room for the shadow's depth,
  // whether or not the shadow shows.
  EXPECT_EQ(f.form->Width(), 60 + 6);
  EXPECT_EQ(f.form->Height(), 40 + 6);
  ASSERT_TRUE(f.shape->HasBackground());
  EXPECT_EQ(f.shape->GetBackgroundBitmap(), &picture);
  TBitmap control = Page(10, 10);
  EXPECT_TRUE(f.shape->BackgroundHook(control.Canvas(), Rect(0, 0, 10, 10), TPoint{20, 10}));
  EXPECT_EQ(control.Canvas().Pixel(5, 5), TColor(clYellow));
  EXPECT_EQ(control.Canvas().Pixel(0, 0), TColor(clNavy));

  f.shape->SetUseRgnBitmap(false);
  EXPECT_FALSE(f.shape->HasBackground());
}

// The child half of the next test: shows a red star-shaped form on an X
// server and writes which screen pixels show it.
TEST(QRXFormShape, WriteScreenForParent) {
  const QString out = qEnvironmentVariable("BURNER_SHAPE_OUT");
  if (out.isEmpty()) GTEST_SKIP() << "runs only as the child of TheXServerShowsExactlyTheMask";
  ShapedForm f(TQRXRegionShape::rsStar, 160, 120);
  f.form->SetColor(clRed);
  f.form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f.form.get()));
  QTest::qWait(300);
  const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
  QFile file(out);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  const QPoint origin = f.form->mapToGlobal(QPoint(0, 0));
  for (int y = -2; y < 124; ++y) {
    QByteArray row;
    for (int x = -2; x < 164; ++x) {
      const QPoint p = origin + QPoint(x, y);
      const bool red = screen.rect().contains(p) && (screen.pixel(p) & 0xFFFFFF) == 0xFF0000;
      row.append(red ? '#' : '.');
    }
    file.write(row + "\n");
  }
}

TEST(QRXFormShape, TheXServerShowsExactlyTheMask) {
  const QString xvfb = QStandardPaths::findExecutable("xvfb-run");
  if (xvfb.isEmpty()) GTEST_SKIP() << "xvfb-run is not installed: the X11 check did not run";
  QTemporaryDir dir;
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "xcb");
  env.insert("BURNER_SHAPE_OUT", dir.filePath("screen.txt"));
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(xvfb, {"-a", "-s", "-screen 0 640x480x24", QCoreApplication::applicationFilePath(),
                     "--gtest_filter=QRXFormShape.WriteScreenForParent"});
  ASSERT_TRUE(child.waitForFinished(120000));
  QFile file(dir.filePath("screen.txt"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << child.readAll().toStdString();
  const QList<QByteArray> rows = file.readAll().split('\n');
  const QRegion mask = StarRegion(Rect(-1, -1, 161, 121));
  int wrong = 0;
  for (int y = -2; y < 124; ++y)
    for (int x = -2; x < 164; ++x) {
      const QByteArray row = rows.value(y + 2);
      const bool shown = x + 2 < row.size() && row.at(x + 2) == '#';
      // The border's two-pixel line lies along the edge, so inside only the
      // pixels three away from it must show the form's colour; outside, no
      // pixel may show it.
      const bool inside = mask.contains(QPoint(x, y));
      if (shown && !inside) ++wrong;
      if (!shown && inside && mask.contains(QPoint(x - 3, y)) && mask.contains(QPoint(x + 3, y)) &&
          mask.contains(QPoint(x, y - 3)) && mask.contains(QPoint(x, y + 3)))
        ++wrong;
    }
  EXPECT_EQ(wrong, 0) << rows.join('\n').toStdString();
}

}  // namespace
