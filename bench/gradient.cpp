// The start page's gradient over a 1920 x 1080 surface against Qt's own
// linear and radial gradients filling the same surface, and the task
// button's shape (shadow and face) against the same rounded rectangles as
// QPainterPath fills. Each pair draws the same pixels' worth of work into
// a 32-bit surface of the same size, in the same run.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "effects/QRXDraw.h"
#include "effects/QRXShapeGeometry.h"

namespace {

constexpr int kW = 1920, kH = 1080;

TQRXColorList Table(int count) {
  TQRXColorList colors;
  CalcGradientColors(RGB(20, 60, 160), clBlack, count, &colors, true);
  return colors;
}

QGradientStops Stops(const TQRXColorList& colors) {
  QGradientStops stops;
  const int n = int(colors.size());
  for (int i = 0; i < n; ++i) {
    const uint32_t c = ColorToRGB(colors[std::size_t(i)]);
    stops.append({n == 1 ? 0.0 : double(i) / (n - 1), QColor(GetRValue(c), GetGValue(c), GetBValue(c))});
  }
  return stops;
}

void BM_DrawGradient(benchmark::State& state) {
  const auto style = TQRXGradientStyle(state.range(0));
  const TQRXColorList colors = Table(int(state.range(1)));
  const unsigned flags = unsigned(state.range(2));
  TBitmap target;
  target.SetSize(kW, kH);
  for (auto _ : state) {
    DrawGradient(target.Canvas(), Rect(0, 0, kW, kH), style, &colors, nullptr, flags, 0);
    benchmark::DoNotOptimize(target.ScanLine(kH / 2));
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}

void BM_QtGradient(benchmark::State& state) {
  const auto style = TQRXGradientStyle(state.range(0));
  const TQRXColorList colors = Table(int(state.range(1)));
  QImage target(kW, kH, QImage::Format_RGB32);
  QGradient* gradient = nullptr;
  QLinearGradient linear(0, 0, 0, kH);
  QRadialGradient radial(kW / 2.0, kH / 2.0, kW / 1.4 / 2);
  if (style == TQRXGradientStyle::gstElliptic) {
    radial.setStops(Stops(colors));
    gradient = &radial;
  } else {
    if (style == TQRXGradientStyle::gstHorizontal) linear.setFinalStop(kW, 0);
    linear.setStops(Stops(colors));
    gradient = &linear;
  }
  for (auto _ : state) {
    QPainter p(&target);
    p.fillRect(QRect(0, 0, kW, kH), QBrush(*gradient));
    p.end();
    benchmark::DoNotOptimize(target.constScanLine(kH / 2));
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}

// Style, colour count, flags (4: through an off-screen bitmap, as the fill
// panel paints by default).
void GradientArgs(benchmark::internal::Benchmark* b) {
  for (int style : {int(TQRXGradientStyle::gstVertical), int(TQRXGradientStyle::gstHorizontal),
                    int(TQRXGradientStyle::gstElliptic)})
    for (int count : {16, 236})
      for (int flags : {0, int(kQRXDrawOffscreen)}) b->Args({style, count, flags});
}

void QtArgs(benchmark::internal::Benchmark* b) {
  for (int style : {int(TQRXGradientStyle::gstVertical), int(TQRXGradientStyle::gstHorizontal),
                    int(TQRXGradientStyle::gstElliptic)})
    for (int count : {16, 236}) b->Args({style, count});
}

BENCHMARK(BM_DrawGradient)->Apply(GradientArgs)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtGradient)->Apply(QtArgs)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// The start page's task button: a solid shadow and the face, both rounded
// rectangles with corner 16, on a 190 x 53 surface.
void BM_DrawShapeButton(benchmark::State& state) {
  TQRXSimpleBevel bevel;
  bevel.SetWidth(0);
  TQRXShadow shadow;
  shadow.SetDepth(3);
  TBrush face;
  face.SetColor(clBtnFace);
  TQRXPointList list;
  BuildShapePolygon(Rect(0, 0, 190, 53), TQRXShapeType::stRoundRect, false, 33, &bevel, &shadow, list);
  TBitmap target;
  target.SetSize(190, 53);
  for (auto _ : state) {
    DrawShape(Rect(0, 0, 190, 53), target.Canvas(), TQRXShapeType::stRoundRect, &list, false, face, 33,
              &bevel, &shadow, nullptr, clWhite, clWhite);
    benchmark::DoNotOptimize(target.ScanLine(20));
  }
}

void BM_QtShapeButton(benchmark::State& state) {
  QImage target(190, 53, QImage::Format_RGB32);
  QPainterPath shadowPath, facePath;
  shadowPath.addRoundedRect(QRectF(3, 3, 187, 50), 8, 8);
  facePath.addRoundedRect(QRectF(0, 0, 187, 50), 8, 8);
  for (auto _ : state) {
    QPainter p(&target);
    p.setPen(Qt::NoPen);
    p.fillPath(shadowPath, QColor(128, 128, 128));
    p.fillPath(facePath, QColor(212, 208, 200));
    p.end();
    benchmark::DoNotOptimize(target.constScanLine(20));
  }
}

BENCHMARK(BM_DrawShapeButton)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QtShapeButton)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
