// Golden pictures of the scroll bar and track bar in each of their states
// (normal, pressed parts, dragged thumb, disabled), compared pixel for
// pixel. BURNER_WRITE_GOLDEN=1 writes them anew after a deliberate change;
// look at the PNG before committing it.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTest>
#include <cstdlib>
#include <functional>
#include <memory>

#include "platform/gui/Forms.h"
#include "skin/se_scrollbar.h"
#include "skin/se_trackbar.h"

namespace {

QString GoldenPath(const char* name) {
  return QString(BURNER_SOURCE_DIR) + "/skin/tests/golden/" + name + ".png";
}

void ExpectGolden(const QImage& actual, const char* name) {
  const QString path = GoldenPath(name);
  if (std::getenv("BURNER_WRITE_GOLDEN")) {
    ASSERT_TRUE(actual.save(path)) << path.toStdString();
    return;
  }
  QImage expected(path);
  ASSERT_FALSE(expected.isNull()) << "missing " << path.toStdString() << " (BURNER_WRITE_GOLDEN=1 makes it)";
  expected = expected.convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(actual.size(), expected.size()) << name;
  int differing = 0;
  for (int y = 0; y < actual.height(); ++y)
    for (int x = 0; x < actual.width(); ++x)
      if (actual.pixel(x, y) != expected.pixel(x, y)) ++differing;
  EXPECT_EQ(differing, 0) << name;
}

// One control on its own form, put into a state, photographed.
template <class Control>
QImage Shot(int width, int height, const std::function<void(Control*)>& setup,
            const std::function<void(Control*)>& act) {
  auto form = CreateUnique<TForm>();
  form->SetBounds(0, 0, width + 20, height + 20);
  auto* control = Create<Control>(form.get());
  control->SetParent(form.get());
  control->SetBounds(10, 10, width, height);
  setup(control);
  form->Show();
  if (!QTest::qWaitForWindowExposed(form.get())) return {};
  if (act) act(control);
  return control->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QImage Stack(const std::vector<QImage>& shots) {
  int w = 0;
  int h = 0;
  for (const QImage& s : shots) w = std::max(w, s.width()), h += s.height() + 2;
  QImage all(w, h, QImage::Format_RGB32);
  all.fill(Qt::white);
  QPainter painter(&all);
  int y = 0;
  for (const QImage& s : shots) {
    painter.drawImage(0, y, s);
    y += s.height() + 2;
  }
  return all;
}

TEST(Golden, ScrollBarStates) {
  auto setup = [](TSeCustomScrollBar* bar) {
    bar->SetPosition(30);
    bar->SetLargeChange(10);
  };
  using Act = std::function<void(TSeCustomScrollBar*)>;
  const Act acts[] = {
      nullptr,
      [](TSeCustomScrollBar* bar) { QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(5, 9)); },
      [](TSeCustomScrollBar* bar) { QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(bar->Width() - 5, 9)); },
      [](TSeCustomScrollBar* bar) { QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(140, 9)); },
      [](TSeCustomScrollBar* bar) {
        const TRect thumb = bar->GetThumbRect();
        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(thumb.Left + 2, 9));
      },
      [](TSeCustomScrollBar* bar) { bar->SetEnabled(false); },
  };
  std::vector<QImage> shots;
  for (const Act& act : acts) shots.push_back(Shot<TSeCustomScrollBar>(160, 18, setup, act));
  shots.push_back(Shot<TSeCustomScrollBar>(18, 90, [](TSeCustomScrollBar* bar) {
    bar->SetKind(sbVertical);
    bar->SetPageSize(30);
    bar->SetPosition(40);
  }, nullptr));
  ExpectGolden(Stack(shots), "scrollbar");
}

TEST(Golden, TrackBarStates) {
  using Setup = std::function<void(TSeCustomTrackBar*)>;
  const Setup setups[] = {
      [](TSeCustomTrackBar*) {},
      [](TSeCustomTrackBar* bar) {
        bar->SetTickMarks(tmTopLeft);
        bar->SetIntervalHighlightType(htLowInterval);
      },
      [](TSeCustomTrackBar* bar) { bar->SetTickMarks(tmBoth); },
      [](TSeCustomTrackBar* bar) { bar->SetEnabled(false); },
  };
  std::vector<QImage> shots;
  for (const Setup& setup : setups) shots.push_back(Shot<TSeCustomTrackBar>(150, 45, setup, nullptr));
  shots.push_back(Shot<TSeCustomTrackBar>(150, 45, [](TSeCustomTrackBar*) {}, [](TSeCustomTrackBar* bar) {
    const int pixel = bar->Geometry().PixelFromPosition(bar->Position());
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(pixel, 15));
  }));
  ExpectGolden(Stack(shots), "trackbar");
}

}  // namespace
