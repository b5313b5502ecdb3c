// The tab control driven by the mouse and the keyboard: selection with
// OnChanging and OnChange, the range rules of TabIndex as the tabs change,
// the scroll arrows and their repeat, rows that move next to the page, the
// side rules, and what the plain painters put where.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "platform/core/Exceptions.h"
#include "platform/gui/Forms.h"
#include "skin/se_tabcontrol.h"

namespace {

struct Window {
  std::unique_ptr<TForm> form = CreateUnique<TForm>();
  TSeCustomTabControl* tabs;
  std::vector<int> changes;
  explicit Window(const QStringList& captions, int width = 289, int height = 193) {
    form->SetBounds(0, 0, 400, 300);
    tabs = Create<TSeCustomTabControl>(form.get());
    tabs->SetParent(form.get());
    tabs->SetBounds(0, 0, width, height);
    tabs->SetTabs(captions);
    tabs->OnChange = [this](TControl*) { changes.push_back(tabs->TabIndex()); };
    form->Show();
    QApplication::setActiveWindow(form.get());
  }
  // Inside a tab, by its outer edge: a tab's rectangle reaches down to
  // the page, under the rows nearer to it.
  QPoint At(int index) const {
    const TRect r = tabs->GetTabRect(index);
    switch (tabs->TabPosition()) {
      case tpTop:
        return QPoint((r.Left + r.Right) / 2, r.Top + 4);
      case tpBottom:
        return QPoint((r.Left + r.Right) / 2, r.Bottom - 4);
      case tpLeft:
        return QPoint(r.Left + 4, (r.Top + r.Bottom) / 2);
      case tpRight:
        return QPoint(r.Right - 4, (r.Top + r.Bottom) / 2);
    }
    return {};
  }
  void Click(int index) { QTest::mouseClick(tabs, Qt::LeftButton, {}, At(index)); }
};

QColor ToQColor(TColor c) {
  const auto v = ColorToRGB(c);
  return QColor(GetRValue(v), GetGValue(v), GetBValue(v));
}

}  // namespace

TEST(SeTabControl, MouseAndArrowKeysSelectTabsThroughOnChanging) {
  Window w({"&General", "&Burning", "&Schedule"});
  EXPECT_EQ(w.tabs->TabIndex(), 0);  // the first tab came without a change report
  EXPECT_TRUE(w.changes.empty());

  w.Click(2);
  EXPECT_EQ(w.tabs->TabIndex(), 2);
  EXPECT_TRUE(w.tabs->Focused());
  QTest::keyClick(w.tabs, Qt::Key_Right);  // past the last tab: nothing
  QTest::keyClick(w.tabs, Qt::Key_Left);
  QTest::keyClick(w.tabs, Qt::Key_Up);
  QTest::keyClick(w.tabs, Qt::Key_Down);
  EXPECT_EQ(w.changes, (std::vector<int>{2, 1, 0, 1}));

  // A refusing handler already sees the new tab and keeps the old one.
  int seen = -1;
  w.tabs->OnChanging = [&](TControl*, bool& allow) {
    seen = w.tabs->TabIndex();
    allow = false;
  };
  w.Click(2);
  EXPECT_EQ(seen, 2);
  EXPECT_EQ(w.tabs->TabIndex(), 1);
  EXPECT_EQ(w.changes.size(), 4u);
  w.tabs->OnChanging = nullptr;

  // The current value, -1 and Count are ignored without a report.
  for (int v : {1, -1, 3}) w.tabs->SetTabIndex(v);
  EXPECT_EQ(w.tabs->TabIndex(), 1);
  EXPECT_EQ(w.changes.size(), 4u);
}

TEST(SeTabControl, CtrlTabStepsThroughTheTabsOnlyWithTheFocusInside) {
  Window w({"One", "Two", "Three"});
  auto* inside = Create<TWinControl>(w.form.get());
  inside->SetParent(w.tabs);
  inside->SetBounds(20, 40, 50, 20);
  inside->SetTabStop(true);
  auto* outside = Create<TWinControl>(w.form.get());
  outside->SetParent(w.form.get());
  outside->SetBounds(300, 10, 50, 20);
  outside->SetTabStop(true);

  inside->SetFocus();
  QTest::keyClick(inside, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(w.tabs->TabIndex(), 1);
  QTest::keyClick(inside, Qt::Key_Tab, Qt::ControlModifier);
  QTest::keyClick(inside, Qt::Key_Tab, Qt::ControlModifier);  // wraps round
  EXPECT_EQ(w.tabs->TabIndex(), 0);
  QTest::keyClick(inside, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(w.tabs->TabIndex(), 2);
  w.tabs->SetFocus();
  QTest::keyClick(w.tabs, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(w.tabs->TabIndex(), 0);

  outside->SetFocus();
  QTest::keyClick(outside, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(w.tabs->TabIndex(), 0);
}

TEST(SeTabControl, AnAcceleratorSelectsItsTabFromAnywhereInTheWindow) {
  Window w({"&General", "&Burning", "S&ound"});
  auto* outside = Create<TWinControl>(w.form.get());
  outside->SetParent(w.form.get());
  outside->SetBounds(300, 10, 50, 20);
  outside->SetTabStop(true);
  outside->SetFocus();
  QTest::keyClick(outside, Qt::Key_B, Qt::AltModifier);
  EXPECT_EQ(w.tabs->TabIndex(), 1);
  QTest::keyClick(outside, Qt::Key_O, Qt::AltModifier);
  EXPECT_EQ(w.tabs->TabIndex(), 2);
  QTest::keyClick(outside, Qt::Key_B, Qt::ControlModifier);  // not an accelerator
  EXPECT_EQ(w.tabs->TabIndex(), 2);
  // The "&" takes no room: the caption measures as "Burning".
  w.tabs->SetTabs({"&Burning", "Burning"});
  EXPECT_EQ(w.tabs->GetTabRect(0).Width(), w.tabs->GetTabRect(1).Width());
}

TEST(SeTabControl, TabIndexFollowsTheTabsWithoutReports) {
  Window w({});
  EXPECT_EQ(w.tabs->TabIndex(), -1);
  w.tabs->SetTabIndex(0);
  EXPECT_EQ(w.tabs->TabIndex(), -1);
  EXPECT_EQ(w.tabs->Layout().StripDepth(), 0);
  EXPECT_EQ(w.tabs->GetPageRect(), Rect(0, 0, 289, 193));

  w.tabs->Tabs()->Add("First");
  EXPECT_EQ(w.tabs->TabIndex(), 0);
  w.tabs->Tabs()->Add("Second");
  w.tabs->Tabs()->Add("Third");
  w.tabs->SetTabIndex(2);
  w.changes.clear();
  w.tabs->Tabs()->Delete(2);
  EXPECT_EQ(w.tabs->TabIndex(), 1);
  w.tabs->Tabs()->Clear();
  EXPECT_EQ(w.tabs->TabIndex(), -1);
  EXPECT_TRUE(w.changes.empty());
}

TEST(SeTabControl, ScrollArrowsScrollAtOnceThenRepeatWhileHeld) {
  Window w({"A", "B", "C", "D", "E"});
  w.tabs->SetTabWidth(80);
  ASSERT_TRUE(w.tabs->ArrowsVisible());
  const TSeTabLayout layout = w.tabs->Layout();
  const TRect right = layout.RightArrowRect();
  const TRect left = layout.LeftArrowRect();
  EXPECT_EQ(right.Right, 289);
  EXPECT_EQ(left.Right, right.Left);
  // The strip's end where the arrows stand selects nothing.
  QTest::mouseClick(w.tabs, Qt::LeftButton, {}, QPoint(left.Left + 1, 1));
  EXPECT_EQ(w.tabs->TabIndex(), 0);
  EXPECT_EQ(w.tabs->FirstVisible(), 0);

  const QPoint on_right((right.Left + right.Right) / 2, (right.Top + right.Bottom) / 2);
  QTest::mouseMove(w.tabs, on_right);
  QTest::mousePress(w.tabs, Qt::LeftButton, {}, on_right);
  EXPECT_EQ(w.tabs->FirstVisible(), 1);  // one tab at once
  EXPECT_EQ(w.tabs->TabIndex(), 0);
  TTimer* timer = w.tabs->ArrowTimer();
  ASSERT_NE(timer, nullptr);
  EXPECT_TRUE(timer->Enabled());
  EXPECT_EQ(timer->Interval(), 300u);
  timer->OnTimer(timer);
  EXPECT_EQ(timer->Interval(), 100u);
  // Scrolling stops at the first position that shows the last tab whole.
  for (int i = 0; i < 5; ++i) timer->OnTimer(timer);
  const int stop = w.tabs->FirstVisible();
  EXPECT_EQ(w.tabs->Layout().LastVisibleTab(true), 4);
  w.tabs->ScrollTabs(-1);
  EXPECT_NE(w.tabs->Layout().LastVisibleTab(true), 4);
  w.tabs->ScrollTabs(1);
  EXPECT_EQ(w.tabs->FirstVisible(), stop);

  // Off the pressed arrow the repeat pauses; the release stops it.
  QTest::mouseMove(w.tabs, QPoint(40, 100));
  w.tabs->ScrollTabs(-2);
  const int paused = w.tabs->FirstVisible();
  timer->OnTimer(timer);
  EXPECT_EQ(w.tabs->FirstVisible(), paused);
  QTest::mouseRelease(w.tabs, Qt::LeftButton, {}, QPoint(40, 100));
  EXPECT_FALSE(timer->Enabled());

  // Selecting a tab under the arrows scrolls it into view.
  w.tabs->ScrollTabs(-5);
  ASSERT_EQ(w.tabs->FirstVisible(), 0);
  w.tabs->SetTabIndex(4);
  EXPECT_EQ(w.tabs->Layout().LastVisibleTab(true), 4);
}

TEST(SeTabControl, ClickingATabOfAnOuterRowMovesItsRowNextToThePage) {
  Window w({"Data", "Audio", "Video", "Image", "Copy", "Erase", "Verify", "Schedule", "Log"}, 200, 160);
  w.tabs->SetMultiLine(true);
  ASSERT_EQ(w.tabs->GetRowCount(), 3);
  const int h = w.tabs->CalcTabHeight();
  const TSeTabLayout before = w.tabs->Layout();
  const int last = before.RowStart(2);  // the first tab of the last row
  EXPECT_EQ(before.TabRow(last), 2);
  const int page_top = before.PageRect().Top;
  EXPECT_EQ(page_top, 3 * h + 2);

  w.Click(last);
  ASSERT_EQ(w.tabs->TabIndex(), last);
  // Row 2 next to the page, row 0 one place out, row 1 outermost.
  auto outer_edge = [&](int index) { return w.tabs->GetTabRect(index).Top; };
  EXPECT_EQ(outer_edge(last), page_top - h);
  EXPECT_EQ(outer_edge(0), page_top - 2 * h);
  EXPECT_EQ(outer_edge(before.RowStart(1)), page_top - 3 * h);

  // Rows before the current one go to the far side of the page.
  w.tabs->SetScrollOpposite(true);
  const TSeTabLayout opposite = w.tabs->Layout();
  EXPECT_TRUE(opposite.IsTabOpposite(0));
  EXPECT_FALSE(opposite.IsTabOpposite(last));
  EXPECT_EQ(opposite.PageRect(), Rect(0, h + 2, 200, 160 - 2 * h));
  EXPECT_EQ(w.tabs->GetTabRect(before.RowStart(1)).Bottom, 160 - h);
  EXPECT_EQ(w.tabs->GetTabRect(0).Bottom, 160);
}

TEST(SeTabControl, TabsOnTheLeftOrRightNeedSeveralRows) {
  Window w({"One", "Two"});
  w.tabs->SetTabPosition(tpLeft);
  EXPECT_TRUE(w.tabs->MultiLine());
  try {
    w.tabs->SetMultiLine(false);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "MultiLine must be True when TabPosition is tpLeft or tpRight");
  }
  EXPECT_TRUE(w.tabs->MultiLine());
  // The tabs stand along the left edge and the page area lies right of them.
  const int h = w.tabs->CalcTabHeight();
  EXPECT_EQ(w.tabs->GetPageRect().Left, h + 2);
  EXPECT_EQ(w.tabs->GetTabRect(1).Left, 2);
  EXPECT_EQ(w.tabs->GetTabRect(1).Right, h + 4);
  w.Click(1);
  EXPECT_EQ(w.tabs->TabIndex(), 1);
}

TEST(SeTabControl, TheCurrentTabCoversThePageFrameEdgeBelowIt) {
  Window w({"First", "Second"});
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.form.get()));
  const QImage shot = w.tabs->grab().toImage();
  const int frame_top = w.tabs->GetPageRect().Top;
  const TRect current = w.tabs->GetTabRect(0);
  const TRect other = w.tabs->GetTabRect(1);
  const QColor face = ToQColor(clBtnFace);
  const QColor light = ToQColor(clBtnHighlight);
  EXPECT_EQ(shot.pixelColor((current.Left + current.Right) / 2, frame_top), face);
  EXPECT_EQ(shot.pixelColor((other.Left + other.Right) / 2, frame_top), light);
  // The current tab's outer edge stands 2 pixels above the others'.
  EXPECT_EQ(shot.pixelColor((current.Left + current.Right) / 2, current.Top - 2), light);
  EXPECT_EQ(shot.pixelColor((other.Left + other.Right) / 2, other.Top), light);

  // Owner drawing hands every tab over and paints no face of its own.
  std::vector<std::pair<int, bool>> drawn;
  w.tabs->SetOwnerDraw(true);
  w.tabs->OnDrawTab = [&](TSeCustomTabControl*, int index, const TRect& r, bool active) {
    EXPECT_EQ(r, w.tabs->GetTabRect(index));
    drawn.emplace_back(index, active);
  };
  const QImage owner = w.tabs->grab().toImage();
  EXPECT_EQ(drawn, (std::vector<std::pair<int, bool>>{{1, false}, {0, true}}));
  EXPECT_EQ(owner.pixelColor((other.Left + other.Right) / 2, other.Top), face);
}
