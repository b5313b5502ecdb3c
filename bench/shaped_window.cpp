// A shaped window's repaint: its window region built from the shape (a
// rounded speech bubble with a drop shadow), the background filled inside
// it and the shadow and three-dimensional border drawn along it, on a
// 320 x 200 surface; against QPainterPath doing the same work in the same
// run (path of the shape, region of the path, fill, shadow, stroked
// border). Both draw without antialiasing, as the program does.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "effects/QRXRegion.h"
#include "platform/gui/Canvas.h"

namespace {

constexpr int kW = 320, kH = 200, kDepth = 6;

void OurRepaint(benchmark::State& state) {
  TQRXRegion region;
  region.SetShape(TQRXRegionShape::rsRoundNoseRect);
  region.SetExtPos(TQRXExtPos::epBottomLeft);
  region.Border().SetStyle(TQRXRegionBorderStyle::rbRaisedpsb);
  region.Shadow().SetStyle(TQRXShadowStyle::hssSolid);
  region.Shadow().SetDepth(kDepth);
  TBitmap surface;
  surface.SetSize(kW, kH);
  for (auto _ : state) {
    region.UpdateRegion(Rect(-1, -1, kW + 1, kH + 1));
    const QRegion window = region.RegionHandle() + region.RegionHandle().translated(kDepth, kDepth);
    TCanvas& c = surface.Canvas();
    c.SelectClipRgn(&window);
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(clInfoBk);
    c.FillRect(Rect(0, 0, kW, kH));
    c.SelectClipRgn(nullptr);
    region.PaintBorder(c, Rect(0, 0, kW, kH));
    benchmark::DoNotOptimize(window.rectCount());
  }
}

QPainterPath BubblePath(const QRectF& r) {
  const double n = r.width() / 10;
  QPainterPath body;
  body.addRoundedRect(r.adjusted(n, 0, 0, -n), 10, 10);
  QPainterPath nose;
  nose.moveTo(r.left(), r.bottom());
  nose.lineTo(r.left() + n + 20, r.bottom() - n);
  nose.lineTo(r.left() + n + 48, r.bottom() - n);
  nose.closeSubpath();
  return body.united(nose);
}

void PainterPathRepaint(benchmark::State& state) {
  QImage surface(kW, kH, QImage::Format_RGB32);
  const QColor fill(0xFF, 0xFF, 0xE1), light(Qt::white), dark(Qt::black), shadowLine(0x80, 0x80, 0x80);
  for (auto _ : state) {
    const QPainterPath shape = BubblePath(QRectF(-1, -1, kW + 2 - kDepth, kH + 2 - kDepth));
    const QRegion body(shape.toFillPolygon().toPolygon(), Qt::OddEvenFill);
    const QRegion window = body + body.translated(kDepth, kDepth);
    QPainter p(&surface);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setClipRegion(window);
    p.fillRect(surface.rect(), fill);
    p.fillPath(shape.translated(kDepth, kDepth).subtracted(shape), QColor(0x80, 0x80, 0x80));
    p.setClipping(false);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(light, 2));
    p.drawPath(shape);
    p.setPen(QPen(dark, 2));
    p.drawPath(shape.translated(0.5, 0.5));
    p.setPen(QPen(shadowLine, 2));
    p.drawPath(shape.translated(-1.5, -1.5));
    benchmark::DoNotOptimize(window.rectCount());
  }
}

BENCHMARK(OurRepaint)->Unit(benchmark::kMicrosecond);
BENCHMARK(PainterPathRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
