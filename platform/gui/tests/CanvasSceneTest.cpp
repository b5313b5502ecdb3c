// One scene of every canvas primitive, DrawText flag mix and painter, which
// must come out pixel for pixel the same in every run, on every Qt platform
// (offscreen and a real X server under Xvfb) and on every kind of surface
// (a bitmap, a plain QImage, a widget during its paint event).

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWidget>

#include "platform/gui/Bitmap.h"
#include "platform/gui/DrawText.h"
#include "platform/gui/Painters.h"

namespace {

constexpr int kW = 320, kH = 240;

void PaintScene(TCanvas& c) {
  c.Brush().SetColor(clWhite);
  c.FillRect(Rect(0, 0, kW, kH));
  // Lines in every style and a few pen modes.
  const TPenStyle styles[] = {psSolid, psDash, psDot, psDashDot, psDashDotDot};
  for (int i = 0; i < 5; ++i) {
    c.Pen().SetStyle(styles[i]);
    c.Pen().SetColor(RGB(40 * i, 0, 200));
    c.MoveTo(4, 4 + 3 * i);
    c.LineTo(120, 10 + 3 * i);
  }
  c.Pen().SetStyle(psSolid);
  c.Pen().SetWidth(3);
  c.MoveTo(130, 4);
  c.LineTo(200, 30);
  c.Pen().SetWidth(1);
  // Shapes with every brush style.
  const TBrushStyle brushes[] = {bsSolid,     bsHorizontal, bsVertical, bsFDiagonal,
                                 bsBDiagonal, bsCross,      bsDiagCross};
  for (int i = 0; i < 7; ++i) {
    c.Brush().SetColor(RGB(0, 30 * i, 120));
    c.Brush().SetStyle(brushes[i]);
    c.SetBrushOrigin(Point(i, 0));
    c.Rectangle(4 + 30 * i, 30, 30 + 30 * i, 56);
  }
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(clYellow);
  c.Ellipse(220, 4, 260, 30);
  c.RoundRect(262, 4, 316, 30, 10, 10);
  const TPoint star[] = {{240, 36}, {252, 70}, {222, 48}, {258, 48}, {228, 70}};
  c.Polygon(star);
  c.Pie(262, 34, 316, 70, 316, 52, 262, 52);
  c.Arc(262, 34, 316, 70, 262, 52, 316, 52);
  c.Pen().SetMode(pmXor);
  c.Pen().SetColor(clWhite);
  c.Rectangle(2, 28, 220, 58);
  c.Pen().SetMode(pmCopy);
  c.Pen().SetColor(clBlack);
  // Clipped fills.
  c.IntersectClipRect(Rect(4, 62, 100, 90));
  c.ExcludeClipRect(Rect(30, 66, 60, 80));
  c.Brush().SetColor(clTeal);
  c.FillRect(Rect(0, 60, 120, 100));
  c.SelectClipRgn(nullptr);
  c.FrameRect(Rect(104, 62, 140, 90));
  c.DrawFocusRect(Rect(144, 62, 200, 90));
  // Text in several faces and DrawText flag mixes.
  const char* faces[] = {"MS Sans Serif", "Tahoma", "Courier New", "Times New Roman", "Impact"};
  c.Brush().SetStyle(bsClear);
  for (int i = 0; i < 5; ++i) {
    c.Font().SetName(faces[i]);
    c.Font().SetStyle(TFontStyles(i));  // none, bold, italic, bold italic, underline
    c.Font().SetColor(RGB(0, 0, 40 * i));
    c.TextOut(4, 94 + 14 * i, QString("%1 Quick").arg(faces[i]));
  }
  c.Font().SetName("Tahoma");
  c.Font().SetStyle(0);
  const unsigned flags[] = {DT_SINGLELINE | DT_CENTER | DT_VCENTER, DT_WORDBREAK,
                            DT_SINGLELINE | DT_END_ELLIPSIS, DT_SINGLELINE | DT_PATH_ELLIPSIS,
                            DT_SINGLELINE | DT_RIGHT | DT_BOTTOM | DT_EXPANDTABS};
  const char* texts[] = {"&Centred", "Words that wrap in the box", "Ends with an ellipsis when long",
                         "C:\\Folder\\Deeper\\File.txt", "Tab\there"};
  for (int i = 0; i < 5; ++i) {
    TRect r = Rect(170, 94 + 26 * i, 316, 118 + 26 * i);
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(clSilver);
    c.FillRect(r);
    c.Brush().SetStyle(i % 2 ? bsClear : bsSolid);
    c.Brush().SetColor(clAqua);
    DrawText(c, texts[i], r, flags[i]);
  }
  c.Brush().SetStyle(bsSolid);
  // Painters.
  TRect e = Rect(4, 170, 40, 200);
  DrawEdge(c, e, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  e = Rect(44, 170, 80, 200);
  DrawEdge(c, e, EDGE_SUNKEN, BF_RECT | BF_SOFT);
  e = Rect(84, 170, 120, 200);
  DrawEdge(c, e, EDGE_ETCHED, BF_RECT);
  e = Rect(124, 170, 160, 200);
  DrawEdge(c, e, EDGE_BUMP, BF_RECT | BF_FLAT);
  const unsigned controls[][2] = {{DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED},
                                  {DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED},
                                  {DFC_SCROLL, DFCS_SCROLLUP},
                                  {DFC_SCROLL, DFCS_SCROLLRIGHT | DFCS_INACTIVE},
                                  {DFC_CAPTION, DFCS_CAPTIONCLOSE},
                                  {DFC_CAPTION, DFCS_CAPTIONRESTORE | DFCS_PUSHED},
                                  {DFC_SCROLL, DFCS_SCROLLSIZEGRIP}};
  for (int i = 0; i < 7; ++i) {
    TRect r = Bounds(4 + 20 * i, 206, 16, 16);
    DrawFrameControl(c, r, controls[i][0], controls[i][1]);
  }
  // A picture with a transparent colour, stretched.
  TBitmap pic;
  pic.SetSize(4, 4);
  pic.Canvas().Brush().SetColor(clFuchsia);
  pic.Canvas().FillRect(Rect(0, 0, 4, 4));
  pic.Canvas().SetPixel(1, 1, clRed);
  pic.Canvas().SetPixel(2, 2, clBlue);
  pic.SetTransparent(true);
  pic.SetTransparentColor(clFuchsia);
  c.StretchDraw(Rect(170, 206, 202, 238), pic);
}

QImage RenderOnBitmap() {
  TBitmap b;
  b.SetSize(kW, kH);
  PaintScene(b.Canvas());
  return b.ToQImage();
}

QImage RenderOnImage() {
  QImage image(kW, kH, QImage::Format_RGB32);
  TCanvas c(&image);
  PaintScene(c);
  return image;
}

class SceneWidget : public QWidget {
 public:
  SceneWidget() { resize(kW, kH); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    TCanvas c;
    c.BeginPainting(&p);
    PaintScene(c);
    c.EndPainting();
  }
};

QImage RenderOnWidget() {
  SceneWidget w;
  return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QString Digest(const QImage& image) {
  QByteArray bytes;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y) & 0xFFFFFF;
      bytes.append(char(p >> 16)).append(char(p >> 8)).append(char(p));
    }
  return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// Where the child run writes its digests (one line per surface).
QString WriteDigests() {
  return Digest(RenderOnBitmap()) + "\n" + Digest(RenderOnImage()) + "\n" + Digest(RenderOnWidget()) + "\n";
}

QString RunChild(const QStringList& prefix, const QString& platform, const QString& out, QString* log) {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", platform);
  env.insert("BURNER_SCENE_OUT", out);
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  QStringList args = prefix;
  args << QCoreApplication::applicationFilePath() << "--gtest_filter=CanvasScene.WriteDigestsForParent";
  child.start(args.takeFirst(), args);
  child.waitForFinished(120000);
  *log = QString::fromLocal8Bit(child.readAll());
  QFile f(out);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromLatin1(f.readAll());
}

}  // namespace

TEST(CanvasScene, SameOnEverySurfaceAndEveryRun) {
  const QImage first = RenderOnBitmap();
  EXPECT_EQ(first, RenderOnBitmap());
  const QImage image = RenderOnImage();
  const QImage widget = RenderOnWidget();
  int differ = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      differ += (first.pixel(x, y) & 0xFFFFFF) != (image.pixel(x, y) & 0xFFFFFF);
      differ += (first.pixel(x, y) & 0xFFFFFF) != (widget.pixel(x, y) & 0xFFFFFF);
    }
  EXPECT_EQ(differ, 0);
  if (qEnvironmentVariableIsSet("BURNER_SCENE_PNG")) first.save(qEnvironmentVariable("BURNER_SCENE_PNG"));
}

// The child half of the next test; does nothing in a normal run.
TEST(CanvasScene, WriteDigestsForParent) {
  const QString out = qEnvironmentVariable("BURNER_SCENE_OUT");
  if (out.isEmpty()) GTEST_SKIP() << "runs only as the child of SameInAnotherProcessAndUnderXvfb";
  QFile f(out);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(WriteDigests().toLatin1());
}

TEST(CanvasScene, SameInAnotherProcessAndUnderXvfb) {
  const QString here = WriteDigests();
  QTemporaryDir dir;
  QString log;
  EXPECT_EQ(RunChild({}, "offscreen", dir.filePath("offscreen.txt"), &log), here) << log.toStdString();
  const QString xvfb = QStandardPaths::findExecutable("xvfb-run");
  if (xvfb.isEmpty()) GTEST_SKIP() << "xvfb-run is not installed: the X11 comparison did not run";
  EXPECT_EQ(RunChild({xvfb, "-a", "-s", "-screen 0 1024x768x24"}, "xcb", dir.filePath("xcb.txt"), &log), here)
      << log.toStdString();
}
