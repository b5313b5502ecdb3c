// The skin library's scroll bar: geometry, thumb drag, button and page
// repeat (stepped through the repeat timer), wheel, and the range rules.

#include <gtest/gtest.h>

#include <QTest>
#include <QWheelEvent>
#include <memory>
#include <vector>

#include "platform/gui/Forms.h"
#include "skin/se_drawing.h"
#include "skin/se_scrollbar.h"

namespace {

// A vertical bar 18 x 200 with a one-pixel border: buttons of 16, track
// 1, 17 .. 17, 183 (166 long), a free track of 150 for a 16-pixel thumb.
struct BarFixture : ::testing::Test {
  void SetUp() override {
    form = CreateUnique<TForm>();
    form->SetBounds(0, 0, 100, 240);
    bar = Create<TSeCustomScrollBar>(form.get());
    bar->SetParent(form.get());
    bar->SetKind(sbVertical);
    bar->SetBounds(10, 10, 18, 200);
    bar->OnScroll = [this](TControl*, TSeScrollCode code, int& position) {
      codes.push_back(code);
      if (fail) throw Exception("scroll failed");
      (void)position;
    };
    bar->OnChange = [this](TControl*) { ++changes; };
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }
  void Tick() {
    ASSERT_NE(bar->Timer(), nullptr);
    bar->Timer()->OnTimer(bar->Timer());
  }

  std::unique_ptr<TForm> form;
  TSeCustomScrollBar* bar = nullptr;
  std::vector<TSeScrollCode> codes;
  int changes = 0;
  bool fail = false;
};

TEST_F(BarFixture, PartsFollowRangePageAndPosition) {
  EXPECT_EQ(bar->GetButtonSize(), 16);
  EXPECT_EQ(bar->GetFirstButtonRect(), Rect(1, 1, 17, 17));
  EXPECT_EQ(bar->GetSecondButtonRect(), Rect(1, 183, 17, 199));
  EXPECT_EQ(bar->GetTrackRect(), Rect(1, 17, 17, 183));
  struct Case {
    int page;
    int position;
    TRect thumb;
  };
  const Case cases[] = {
      {0, 0, Rect(1, 17, 17, 33)},     {0, 50, Rect(1, 92, 17, 108)},  {0, 100, Rect(1, 167, 17, 183)},
      {10, 50, Rect(1, 99, 17, 115)},  {51, 0, Rect(1, 17, 17, 101)},  {51, 50, Rect(1, 99, 17, 183)},
      {300, 0, Rect(1, 17, 17, 183)},
  };
  for (const Case& c : cases) {
    bar->SetPageSize(c.page);
    bar->SetPosition(c.position);
    EXPECT_EQ(bar->GetThumbRect(), c.thumb) << c.page << " " << c.position;
    EXPECT_EQ(bar->GetPageBeforeRect(), Rect(1, 17, 17, c.thumb.Top));
    EXPECT_EQ(bar->GetPageAfterRect(), Rect(1, c.thumb.Bottom, 17, 183));
  }
  EXPECT_EQ(bar->PageSize(), 101);

  // Too short for two buttons: half each, no track, no thumb.
  bar->SetPageSize(0);
  bar->SetHeight(20);
  EXPECT_EQ(bar->GetButtonSize(), 9);
  EXPECT_EQ(bar->GetTrackRect().Height(), 0);
  EXPECT_FALSE(bar->IsThumbVisible());
}

TEST_F(BarFixture, ThumbDragFollowsThePointerWithinTheTrack) {
  // Grabbed at its leading pixel.
  QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(8, 17));
  EXPECT_TRUE(bar->ThumbDragging());
  struct Step {
    int y;
    int position;
  };
  const Step steps[] = {{92, 50}, {33, 11}, {500, 100}, {-50, 0}, {130, 75}};
  for (const Step& s : steps) {
    QTest::mouseMove(bar, QPoint(8, s.y));
    EXPECT_EQ(bar->Position(), s.position) << s.y;
  }
  codes.clear();
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(8, 130));
  EXPECT_FALSE(bar->ThumbDragging());
  EXPECT_EQ(codes, (std::vector<TSeScrollCode>{scPosition, scEndScroll}));
  EXPECT_EQ(bar->Position(), 75);
}

TEST_F(BarFixture, AHeldButtonStepsAtOnceThenAfterTheDelayThenAtTheRepeatRate) {
  QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(8, 190));
  EXPECT_EQ(bar->Position(), 1);
  EXPECT_TRUE(bar->SecondButtonPressed());
  EXPECT_TRUE(bar->Timer()->Enabled());
  EXPECT_EQ(bar->Timer()->Interval(), unsigned(se::GetKeyboardDelayMs()));
  Tick();
  EXPECT_EQ(bar->Position(), 2);
  EXPECT_EQ(bar->Timer()->Interval(), unsigned(se::GetKeyboardRepeatMs()));
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(8, 190));
  EXPECT_FALSE(bar->Timer()->Enabled());
  EXPECT_EQ(codes, (std::vector<TSeScrollCode>{scLineDown, scLineDown, scEndScroll}));
}

TEST_F(BarFixture, PagingStopsWhenTheThumbReachesThePointerAndResumesBeyondIt) {
  bar->SetLargeChange(10);
  QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(8, 60));
  EXPECT_EQ(bar->Position(), 10);
  Tick();
  EXPECT_EQ(bar->Position(), 20);  // thumb 47..63 now under the pointer
  Tick();
  Tick();
  EXPECT_EQ(bar->Position(), 20);
  QTest::mouseMove(bar, QPoint(8, 100));
  Tick();
  EXPECT_EQ(bar->Position(), 30);
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(8, 100));
}

TEST_F(BarFixture, AFailingHandlerStopsTheRepeatAndIsNotPassedOn) {
  fail = true;
  QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(8, 190));
  EXPECT_FALSE(bar->Timer()->Enabled());
  fail = false;
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(8, 190));
}

TEST_F(BarFixture, WithoutButtonsTheEndsAreTrack) {
  bar->SetShowButtons(false);
  bar->SetLargeChange(10);
  bar->SetPosition(100);
  EXPECT_EQ(bar->GetTrackRect(), Rect(1, 1, 17, 199));
  QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(8, 3));
  EXPECT_FALSE(bar->FirstButtonPressed());
  EXPECT_TRUE(bar->PageBeforePressed());
  EXPECT_EQ(bar->Position(), 90);
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(8, 3));
}

TEST_F(BarFixture, BackwardAndForwardRepeatsStopAtTheEnds) {
  bar->SetPosition(2);
  bar->SetScrollBackward(true);
  EXPECT_TRUE(bar->Timer()->Enabled());
  Tick();
  Tick();
  EXPECT_EQ(bar->Position(), 0);
  EXPECT_FALSE(bar->ScrollBackward());
  EXPECT_FALSE(bar->Timer()->Enabled());
  bar->SetScrollForward(true);
  bar->SetScrollBackward(true);
  EXPECT_FALSE(bar->ScrollForward());
}

TEST_F(BarFixture, RangeRulesKeepPositionInsideAndNotifyOnce) {
  bar->SetPosition(80);
  changes = 0;
  bar->SetMax(50);
  EXPECT_EQ(bar->Position(), 50);
  EXPECT_EQ(changes, 1);
  bar->SetMin(70);
  EXPECT_EQ(bar->Min(), 50);
  bar->SetPageSize(-3);
  EXPECT_EQ(bar->PageSize(), 0);
  bar->SetPosition(50);
  EXPECT_EQ(changes, 1);
  bar->SetMin(-10);
  bar->SetPageSize(100);
  EXPECT_EQ(bar->PageSize(), 61);
}

TEST_F(BarFixture, WheelAddsUpSmallTurns) {
  auto wheel = [&](int dy) {
    QWheelEvent event(QPointF(8, 100), bar->mapToGlobal(QPointF(8, 100)), QPoint(), QPoint(0, dy), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(bar, &event);
  };
  const int lines = QApplication::wheelScrollLines();
  wheel(-120);
  EXPECT_EQ(bar->Position(), lines);
  for (int i = 0; i < 6; ++i) wheel(-20);
  EXPECT_EQ(bar->Position(), 2 * lines);
  wheel(120 * 1000);
  EXPECT_EQ(bar->Position(), 0);
}

TEST(SeWheel, WholeLinesAndTheRestIsKept) {
  struct Case {
    int delta;
    int lines_per_notch;
    int lines;
    int remainder;
  };
  const Case cases[] = {{120, 3, 3, 0}, {-120, 3, -3, 0}, {40, 1, 0, 40}, {200, 1, 1, 80},
                        {120, 0, 1, 0}, {360, -5, 3, 0}, {13, 10, 1, 10}};
  for (const Case& c : cases) {
    int remainder = 0;
    EXPECT_EQ(se::WheelLines(remainder, c.delta, c.lines_per_notch), c.lines) << c.delta;
    EXPECT_EQ(remainder, c.remainder) << c.delta;
  }
}

}  // namespace
