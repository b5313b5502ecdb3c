// A whole repaint of the start page's launcher button (Color background,
// solid shadow, rounded face, a masked 188 x 50 glyph picture) through the
// button's own Paint, up and held down, against QPainter doing the same
// work with QPainterPath fills and an alpha picture, straight onto an image
// and through a plain widget's paint event, into a surface of the same
// size in the same run. Compare CPU times: the machine may be shared.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

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

// The same picture with QPainterPath fills and an alpha image.
class PathPainter {
 public:
  explicit PathPainter(bool down) : down_(down) {
    art_ = Artwork().ToQImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < art_.height(); ++y)
      for (int x = 0; x < art_.width(); ++x)
        if ((art_.pixel(x, y) & 0xFFFFFF) == 0xFF00FF) art_.setPixel(x, y, 0);
    shadow_.addRoundedRect(QRectF(3, 3, 187, 50), 8, 8);
    face_.addRoundedRect(QRectF(0, 0, 187, 50), 8, 8);
    down_face_.addRoundedRect(QRectF(3, 3, 187, 50), 9.5, 9.5);
  }
  void Paint(QPainter& p) const {
    p.fillRect(QRect(0, 0, kW, kH), QColor(192, 192, 192));
    p.setPen(Qt::NoPen);
    if (down_) {
      p.fillPath(down_face_, QColor(212, 208, 200));
      p.drawImage(QPoint(3, 3), art_);
    } else {
      p.fillPath(shadow_, QColor(128, 128, 128));
      p.fillPath(face_, QColor(212, 208, 200));
      p.drawImage(QPoint(0, 0), art_);
    }
  }

 private:
  bool down_;
  QImage art_;
  QPainterPath shadow_, face_, down_face_;
};

// Straight onto an image.
void BM_QtPathRepaint(benchmark::State& state) {
  const PathPainter painter(state.range(0) == 4);
  QImage target(kW, kH, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter p(&target);
    painter.Paint(p);
    p.end();
    benchmark::DoNotOptimize(target.constScanLine(20));
  }
}

// Through a widget's paint event, as the button repaints.
class PathWidget : public QWidget {
 public:
  explicit PathWidget(bool down) : painter_(down) { resize(kW, kH); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    painter_.Paint(p);
  }

 private:
  PathPainter painter_;
};

void BM_QtWidgetRepaint(benchmark::State& state) {
  PathWidget widget(state.range(0) == 4);
  QImage target(kW, kH, QImage::Format_RGB32);
  for (auto _ : state) {
    widget.render(&target);
    benchmark::DoNotOptimize(target.constScanLine(20));
  }
}

// Button state: 0 up, 4 held down.
BENCHMARK(BM_ShapeButtonRepaint)->Arg(0)->Arg(4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QtPathRepaint)->Arg(0)->Arg(4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QtWidgetRepaint)->Arg(0)->Arg(4)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
