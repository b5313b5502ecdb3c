// A whole repaint of the start page's launcher button (Color background,
// solid shadow, rounded face, a masked 188 x 50 glyph picture) through the
// button's own Paint, up and held down, against QPainter doing the same
// work with QPainterPath fills and an alpha picture, into a surface of the
// same size in the same run.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "effects/QRXShapeButton.h"
#include "platform/gui/Forms.h"

namespace {

constexpr int kW = 190, kH = 53;

// The glyph: a disc and a bar on the transparent colour (bottom-left).
TBitmap Artwork() {
  TBitmap b;
  b.SetSize(188, 50);
  TCanvas& c = b.Canvas();
  c.Brush().SetColor(clFuchsia);
  c.FillRect(Rect(0, 0, 188, 50));
  c.Brush().SetColor(clSilver);
  c.Pen().SetColor(clGray);
  c.Ellipse(8, 5, 48, 45);
  c.Brush().SetColor(clNavy);
  c.FillRect(Rect(60, 20, 170, 30));
  return b;
}

void BM_ShapeButtonRepaint(benchmark::State& state) {
  auto form = CreateUnique<TForm>();
  auto* button = Create<TQRXShapeButton>(form.get());
  button->SetParent(form.get());
  button->SetBounds(0, 0, kW, kH);
  button->Shape().SetShape(TQRXShapeType::stRoundRect);
  button->Shape().Shadow().SetDepth(3);
  button->Shape().Bevel().SetWidth(0);
  button->SetColor(clSilver);
  const TBitmap art = Artwork();
  button->SetGlyph(&art);
  button->SetButtonState(std::uint8_t(state.range(0)));
  QImage target(kW, kH, QImage::Format_RGB32);
  for (auto _ : state) {
    button->render(&target);
    benchmark::DoNotOptimize(target.constScanLine(20));
  }
}

void BM_QtPathRepaint(benchmark::State& state) {
  const bool down = state.range(0) == 4;
  QImage target(kW, kH, QImage::Format_RGB32);
  QImage art = Artwork().ToQImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < art.height(); ++y)
    for (int x = 0; x < art.width(); ++x)
      if ((art.pixel(x, y) & 0xFFFFFF) == 0xFF00FF) art.setPixel(x, y, 0);
  QPainterPath shadowPath, facePath, downPath;
  shadowPath.addRoundedRect(QRectF(3, 3, 187, 50), 8, 8);
  facePath.addRoundedRect(QRectF(0, 0, 187, 50), 8, 8);
  downPath.addRoundedRect(QRectF(3, 3, 187, 50), 9.5, 9.5);
  for (auto _ : state) {
    QPainter p(&target);
    p.fillRect(QRect(0, 0, kW, kH), QColor(192, 192, 192));
    p.setPen(Qt::NoPen);
    if (down) {
      p.fillPath(downPath, QColor(212, 208, 200));
      p.drawImage(QPoint(3, 3), art);
    } else {
      p.fillPath(shadowPath, QColor(128, 128, 128));
      p.fillPath(facePath, QColor(212, 208, 200));
      p.drawImage(QPoint(0, 0), art);
    }
    p.end();
    benchmark::DoNotOptimize(target.constScanLine(20));
  }
}

// Button state: 0 up, 4 held down.
BENCHMARK(BM_ShapeButtonRepaint)->Arg(0)->Arg(4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QtPathRepaint)->Arg(0)->Arg(4)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
