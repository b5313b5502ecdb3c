// The track bar widget: mouse (thumb drag, paging beside it), keys, and the
// range rules, on the options window's slider.

#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "platform/gui/Forms.h"
#include "skin/se_trackbar.h"

namespace {

struct SliderFixture : ::testing::Test {
  void SetUp() override {
    form = CreateUnique<TForm>();
    form->SetBounds(0, 0, 300, 80);
    bar = Create<TSeCustomTrackBar>(form.get());
    bar->SetParent(form.get());
    bar->SetBounds(10, 10, 249, 31);
    bar->SetMin(1);
    bar->SetMax(50);
    bar->SetPosition(6);
    bar->SetTransparent(true);
    bar->OnChange = [this](TControl*) { ++changes; };
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    changes = 0;
  }
  std::unique_ptr<TForm> form;
  TSeCustomTrackBar* bar = nullptr;
  int changes = 0;
};

TEST_F(SliderFixture, ClicksBesideTheThumbPageAndTheThumbDrags) {
  EXPECT_EQ(bar->Geometry().PixelFromPosition(6), 36);
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(200, 15));
  EXPECT_EQ(bar->Position(), 8);
  bar->SetPosition(6);
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(10, 15));
  EXPECT_EQ(bar->Position(), 4);
  bar->SetPosition(6);

  QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(36, 15));
  EXPECT_TRUE(bar->Dragging());
  struct Step {
    int x;
    int position;
  };
  for (const Step& s : {Step{1000, 50}, Step{-40, 1}, Step{36, 6}}) {
    QTest::mouseMove(bar, QPoint(s.x, 15));
    EXPECT_EQ(bar->Position(), s.position) << s.x;
  }
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(36, 15));
  EXPECT_FALSE(bar->Dragging());
}

TEST_F(SliderFixture, KeysStepByLineAndPageAndJumpToTheEnds) {
  bar->SetFocus();
  struct Step {
    Qt::Key key;
    int position;
  };
  const Step steps[] = {{Qt::Key_Right, 7}, {Qt::Key_Up, 6},     {Qt::Key_PageUp, 4},
                        {Qt::Key_End, 50},  {Qt::Key_Down, 50}, {Qt::Key_Home, 1}};
  for (const Step& s : steps) {
    QTest::keyClick(bar, s.key);
    EXPECT_EQ(bar->Position(), s.position) << s.key;
  }
}

TEST(SeTrackBar, RangeRules) {
  TSeCustomTrackBar bar;
  int changes = 0;
  bar.OnChange = [&](TControl*) { ++changes; };
  bar.SetPosition(99);
  EXPECT_EQ(bar.Position(), 10);
  bar.SetPosition(99);
  EXPECT_EQ(changes, 2);
  bar.SetMax(bar.Min());
  EXPECT_EQ(bar.Max(), 10);
  bar.SetMax(4);
  EXPECT_EQ(bar.Position(), 4);
  EXPECT_EQ(changes, 3);
  bar.SetMin(9);
  EXPECT_EQ(bar.Min(), 0);
  bar.SetFrequency(0);
  EXPECT_EQ(bar.Frequency(), 1);
}

TEST(SeTrackBar, BothTickSidesMakeARectangularThumbShiftedPastTheTicks) {
  TSeCustomTrackBar bar;
  bar.SetBounds(0, 0, 150, 45);
  bar.SetTickMarks(tmBoth);
  const TSeTrackGeometry g = bar.Geometry();
  const int pixel = g.PixelFromPosition(bar.Position());
  EXPECT_EQ(g.ThumbRect(pixel), Rect(pixel - 4, 12, pixel + 5, 32));
  EXPECT_TRUE(bar.PtInThumb(pixel + 4, 12));
  EXPECT_FALSE(bar.PtInThumb(pixel + 4, 11));
}

}  // namespace
