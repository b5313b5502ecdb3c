// Speed-button groups and held repeat, progress bar repaints, status bar
// panel clicks and control bar band drags, driven with real input events.

#include <gtest/gtest.h>

#include <QTest>

#include "platform/gui/Forms.h"
#include "skin/se_controlbar.h"
#include "skin/se_progressbar.h"
#include "skin/se_speedbuttons.h"
#include "skin/se_statusbar.h"

namespace {

struct Window {
  std::unique_ptr<TForm> form = CreateUnique<TForm>();
  Window() {
    form->SetBounds(0, 0, 400, 300);
    form->Show();
  }
  template <class T>
  T* Add(TWinControl* parent, int left, int top, int width, int height) {
    auto* c = Create<T>(form.get());
    c->SetParent(parent);
    c->SetBounds(left, top, width, height);
    return c;
  }
};

}  // namespace

TEST(SeSpeedButtons, AGroupKeepsOneButtonDown) {
  Window w;
  TSeCustomSpeedButton* b[3];
  for (int i = 0; i < 3; ++i) {
    b[i] = w.Add<TSeCustomSpeedButton>(w.form.get(), 10 + 30 * i, 10, 29, 29);
    b[i]->SetGroupIndex(1);
  }
  QTest::mouseClick(b[0], Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_TRUE(b[0]->Down());
  QTest::mouseClick(b[2], Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_TRUE(b[2]->Down());
  EXPECT_FALSE(b[0]->Down());
  QTest::mouseClick(b[2], Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_TRUE(b[2]->Down());  // stays down without AllowAllUp
  b[2]->SetAllowAllUp(true);
  QTest::mouseClick(b[2], Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_FALSE(b[2]->Down());
}

TEST(SeSpeedButtons, AHeldButtonRepeatsItsClick) {
  Window w;
  auto* button = w.Add<TSeCustomSpeedButton>(w.form.get(), 10, 10, 29, 29);
  button->SetAllowTimer(true);
  int clicks = 0;
  button->OnClick = [&](TControl*) { ++clicks; };
  QTest::mousePress(button, Qt::LeftButton, {}, QPoint(10, 10));
  ASSERT_NE(button->RepeatTimer(), nullptr);
  EXPECT_EQ(button->RepeatTimer()->Interval(), 400u);
  EXPECT_TRUE(button->RepeatTimer()->Enabled());
  // One second held: the first tick at 400 ms, then every 100 ms.
  for (int tick = 0; tick < 7; ++tick) button->RepeatTimer()->OnTimer(button->RepeatTimer());
  EXPECT_EQ(button->RepeatTimer()->Interval(), 100u);
  EXPECT_EQ(clicks, 7);
  QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(clicks, 8);
  EXPECT_FALSE(button->RepeatTimer()->Enabled());
}

TEST(SeSpeedButtons, TheChevronStripNeverClicks) {
  Window w;
  auto* button = w.Add<TSeCustomSpeedButton>(w.form.get(), 10, 10, 29, 29);
  button->SetShowChevron(true);
  EXPECT_EQ(button->Width(), 43);
  int clicks = 0, chevrons = 0;
  button->OnClick = [&](TControl*) { ++clicks; };
  button->OnChevronClick = [&](TControl*) { ++chevrons; };
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(38, 10));
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(chevrons, 1);
  button->SetShowChevron(false);
  EXPECT_EQ(button->Width(), 29);
}

TEST(SeSpinButton, StepsClampAndAsk) {
  Window w;
  auto* spin = Create<TSeCustomSpinButton>(w.form.get());
  spin->SetParent(w.form.get());
  spin->SetMax(10);
  spin->SetPosition(10);
  int changing = 0, ups = 0;
  spin->OnChanging = [&](TControl*, bool&) { ++changing; };
  spin->OnUpClick = [&](TControl*) { ++ups; };
  spin->UpButton()->Click();
  EXPECT_EQ(spin->Position(), 10);
  EXPECT_EQ(changing, 1);
  EXPECT_EQ(ups, 1);
  spin->OnChanging = [&](TControl*, bool& allow) { allow = false; };
  spin->DownButton()->Click();
  EXPECT_EQ(spin->Position(), 10);
  spin->OnChanging = nullptr;
  spin->SetMax(5);
  EXPECT_EQ(spin->Position(), 5);
}

TEST(SeProgressBar, RepaintsOnlyWhenTheFractionMoves) {
  Window w;
  auto* bar = w.Add<TSeCustomProgressBar>(w.form.get(), 10, 10, 140, 16);
  bar->SetPosition(10);
  EXPECT_EQ(bar->GetFraction(10), 0.1f);
  bar->SetPosition(11);
  EXPECT_EQ(bar->Position(), 11);
  bar->SetPosition(500);  // outside the range: empty bar, value kept
  EXPECT_EQ(bar->Position(), 500);
  EXPECT_EQ(bar->GetFraction(500), 0.0f);
}

TEST(SeStatusBar, PanelsClickAndRefuseTheirOwnBar) {
  Window w;
  auto* bar = Create<TSeCustomStatusBar>(w.form.get());
  bar->SetParent(w.form.get());
  bar->SetAlign(alBottom);
  for (int i = 0; i < 2; ++i) bar->Panels()->Add()->SetWidth(100);
  TSeStatusPanel* clicked = nullptr;
  bar->OnPanelClick = [&](TSeCustomStatusBar*, TSeStatusPanel* p) { clicked = p; };
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(150, 10));
  EXPECT_EQ(clicked, bar->Panels()->Items(1));
  bar->Panels()->Items(0)->SetWidth(20000);
  EXPECT_EQ(bar->Panels()->Items(0)->Width(), 10000);
  bar->Panels()->Items(0)->SetWidth(-5);
  EXPECT_EQ(bar->Panels()->Items(0)->Width(), 0);
  EXPECT_THROW(bar->Panels()->Items(1)->SetControl(w.form.get()), EInvalidOperation);
  EXPECT_EQ(bar->Panels()->Items(1)->Control(), nullptr);
  // The grip shows while the bar sits in the form's bottom-right corner.
  EXPECT_TRUE(bar->SizeGripActive());
  bar->SetAlign(alTop);
  EXPECT_FALSE(bar->SizeGripActive());
}

TEST(SeControlBar, DraggingAGrabberReordersBands) {
  Window w;
  auto* bar = w.Add<TSeCustomControlBar>(w.form.get(), 0, 0, 400, 30);
  // Placed before they join the bar, as a form resource places them.
  auto band = [&](int left) {
    auto* c = Create<TSeSpeedContainer>(w.form.get());
    c->SetBounds(left, 2, 100, 22);
    c->SetParent(bar);
    return c;
  };
  auto* left = band(11);
  auto* right = band(135);
  EXPECT_EQ(right->Left(), 135);
  QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(130, 10));
  QMouseEvent move(QEvent::MouseMove, QPointF(2, 10), bar->mapToGlobal(QPointF(2, 10)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(bar, &move);
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(2, 10));
  EXPECT_EQ(right->Left(), 11);
  EXPECT_EQ(left->Left(), 124);
}
