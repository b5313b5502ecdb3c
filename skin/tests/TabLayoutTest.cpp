// Where the tab control puts its tabs: rows, justification, the page area,
// rows moved next to the page or to the opposite side, single-row scrolling
// and hit testing, checked on figures worked out by hand.

#include <gtest/gtest.h>

#include "skin/se_tabs_layout.h"

namespace {

TSeTabMetrics Strip(std::vector<int> widths, int tabIndex = 0, bool multiLine = false) {
  TSeTabMetrics m;
  m.Width = 289;
  m.Height = 193;
  m.RowDepth = 20;
  m.NaturalWidths = std::move(widths);
  m.ArrowSize = {16, 16};
  m.TabIndex = tabIndex;
  m.MultiLine = multiLine;
  return m;
}

// Three rows in 285 pixels: tabs 0-1, 2-3 and 4-6.
const std::vector<int> kThreeRows = {100, 100, 100, 100, 100, 100, 50};

}  // namespace

TEST(SeTabLayout, RowsBreakBeforeTheTabThatReachesTheLengthAndAreJustified) {
  const TSeTabLayout l(Strip({80, 80, 80, 80, 80}, 0, true));
  ASSERT_EQ(l.RowCount(), 2);
  EXPECT_EQ(l.Rows()[0], (TSeTabRow{2, 15, 0}));  // 285 - 240 over three tabs
  EXPECT_EQ(l.Rows()[1], (TSeTabRow{4, 62, 1}));  // 125 over two: the last gets one more
  EXPECT_EQ(l.TabRow(1), 0);
  EXPECT_EQ(l.TabRow(3), 1);
  // Each row fills the strip exactly, from the left spacing to the right one.
  EXPECT_EQ(l.TabRect(2).Right, 287);
  EXPECT_EQ(l.TabRect(4).Right, 287);
  EXPECT_EQ(l.TabRect(3).Left, 2);

  TSeTabMetrics ragged = Strip({80, 80, 80, 80, 80}, 0, true);
  ragged.RaggedRight = true;
  EXPECT_EQ(TSeTabLayout(ragged).TabRect(4).Right, 2 + 160);
  TSeTabMetrics fixed = Strip({80, 80, 80, 80, 80}, 0, true);
  fixed.FixedTabWidth = 80;
  EXPECT_EQ(TSeTabLayout(fixed).TabLength(4), 80);
  // One row ignores the other rows for placement and length.
  EXPECT_EQ(TSeTabLayout(Strip({80, 80, 80, 80, 80})).RowCount(), 1);
  EXPECT_EQ(TSeTabLayout(Strip({80, 80, 80, 80, 80})).TabLength(0), 80);
}

TEST(SeTabLayout, ATabLongerThanTheStripHasARowOfItsOwn) {
  const TSeTabLayout l(Strip({50, 400, 50}, 0, true));
  ASSERT_EQ(l.RowCount(), 3);
  EXPECT_EQ(l.Rows()[1], (TSeTabRow{1, -115, 0}));
  EXPECT_EQ(l.TabLength(1), 285);
}

TEST(SeTabLayout, RowCountStopsAtTheTableSize) {
  const TSeTabLayout l(Strip(std::vector<int>(300, 200), 0, true));
  EXPECT_EQ(l.RowCount(), TSeTabLayout::kMaxRows);
  EXPECT_EQ(l.Rows().back().LastTab, 299);
  EXPECT_EQ(l.TabRow(299), TSeTabLayout::kMaxRows - 1);
}

TEST(SeTabLayout, TheCurrentRowLiesNextToThePage) {
  struct Case {
    bool scrollOpposite;
    int tab;  // current tab
    int stripDepth, oppositeDepth;
    int rowTop[3];  // Top (or, on the opposite side, Bottom from H) of tabs 0, 2 and 5
    bool opposite[3];
  };
  const Case cases[] = {
      // Row 2 current: row 2 next to the page, row 0 one place out, row 1 outermost.
      {false, 5, 62, 0, {22, 2, 42}, {false, false, false}},
      // Row 0 current: the rows keep their order outward.
      {false, 0, 62, 0, {42, 22, 2}, {false, false, false}},
      // Rows before the current one move to the other side, the nearest first.
      {true, 5, 22, 40, {0, 20, 2}, {true, true, false}},
  };
  for (const Case& c : cases) {
    TSeTabMetrics m = Strip(kThreeRows, c.tab, true);
    m.ScrollOpposite = c.scrollOpposite;
    const TSeTabLayout l(m);
    ASSERT_EQ(l.RowCount(), 3);
    EXPECT_EQ(l.StripDepth(), c.stripDepth) << c.tab;
    EXPECT_EQ(l.OppositeDepth(), c.oppositeDepth) << c.tab;
    EXPECT_EQ(l.PageRect(), Rect(0, c.stripDepth, 289, 193 - c.oppositeDepth));
    const int tabs[3] = {0, 2, 5};
    for (int k = 0; k < 3; ++k) {
      const TRect r = l.TabRect(tabs[k]);
      EXPECT_EQ(l.IsTabOpposite(tabs[k]), c.opposite[k]) << tabs[k];
      if (c.opposite[k]) {
        EXPECT_EQ(l.TabSide(tabs[k]), tpBottom);
        EXPECT_EQ(193 - r.Bottom, c.rowTop[k]) << tabs[k];
        EXPECT_EQ(r.Top, 193 - c.oppositeDepth - 2) << tabs[k];
      } else {
        EXPECT_EQ(r.Top, c.rowTop[k]) << tabs[k];
        EXPECT_EQ(r.Bottom, c.stripDepth + 2) << tabs[k];  // reaches into the page frame
      }
    }
  }
}

TEST(SeTabLayout, BackTabsRunFromTheFarthestRowAndHitTestsFromTheNearest) {
  const TSeTabLayout l(Strip(kThreeRows, 5, true));
  // Rows 1 (outermost), 0, then 2; the current tab comes again after the frame.
  EXPECT_EQ(l.BackTabs(), (std::vector<int>{2, 3, 0, 1, 4, 5, 6}));
  // Row order as painted: row 1 at top 2, row 0 at 22, row 2 at 42.
  EXPECT_EQ(l.TabAtPos(30, 10), 2);
  EXPECT_EQ(l.TabAtPos(30, 30), 0);
  EXPECT_EQ(l.TabAtPos(130, 50), 5);
  EXPECT_EQ(l.TabAtPos(30, 100), -1);

  TSeTabMetrics opposite = Strip(kThreeRows, 5, true);
  opposite.ScrollOpposite = true;
  const TSeTabLayout o(opposite);
  EXPECT_EQ(o.BackTabs(), (std::vector<int>{4, 5, 6, 0, 1, 2, 3}));
  EXPECT_EQ(o.TabAtPos(30, 193 - 30), 2);
  EXPECT_EQ(o.TabAtPos(30, 193 - 10), 0);
}

TEST(SeTabLayout, SidesOfTheStrip) {
  struct Case {
    TTabPosition pos;
    TRect page, tab1, client;
  };
  // Two tabs of 60 and 70, rows 20 deep, spacing 2 everywhere.
  const Case cases[] = {
      {tpTop, Rect(0, 22, 289, 193), Rect(62, 2, 132, 24), Rect(3, 25, 286, 190)},
      {tpBottom, Rect(0, 0, 289, 171), Rect(62, 169, 132, 191), Rect(3, 3, 286, 168)},
      {tpLeft, Rect(22, 0, 289, 193), Rect(2, 62, 24, 132), Rect(25, 3, 286, 190)},
      {tpRight, Rect(0, 0, 267, 193), Rect(265, 62, 287, 132), Rect(3, 3, 264, 190)},
  };
  for (const Case& c : cases) {
    TSeTabMetrics m = Strip({60, 70}, 0, c.pos == tpLeft || c.pos == tpRight);
    m.Position = c.pos;
    m.RaggedRight = true;
    const TSeTabLayout l(m);
    EXPECT_EQ(l.PageRect(), c.page) << c.pos;
    EXPECT_EQ(l.TabRect(1), c.tab1) << c.pos;
    EXPECT_EQ(l.ClientArea(), c.client) << c.pos;
    EXPECT_EQ(l.TabAtPos(c.tab1.Left + 5, c.tab1.Top + 5), 1) << c.pos;
    EXPECT_FALSE(l.ArrowsVisible());
  }
}

TEST(SeTabLayout, NoTabsLeaveTheWholeControlToThePage) {
  const TSeTabLayout l(Strip({}, -1));
  EXPECT_EQ(l.StripDepth(), 0);
  EXPECT_EQ(l.PageRect(), Rect(0, 0, 289, 193));
  EXPECT_EQ(l.TabAtPos(10, 5), -1);
  EXPECT_EQ(l.LastVisibleTab(true), -1);
  EXPECT_TRUE(l.BackTabs().empty());
  EXPECT_FALSE(l.ArrowsVisible());
}

TEST(SeTabLayout, ASingleRowTooLongScrollsBehindTwoArrows) {
  const TSeTabLayout l(Strip({80, 80, 80, 80, 80}));
  ASSERT_TRUE(l.ArrowsVisible());
  EXPECT_EQ(l.RightArrowRect(), Rect(273, 4, 289, 20));
  EXPECT_EQ(l.LeftArrowRect(), Rect(257, 4, 273, 20));
  EXPECT_EQ(l.LastVisibleTab(false), 3);  // partly shown
  EXPECT_EQ(l.LastVisibleTab(true), 2);   // whole and clear of the arrows
  EXPECT_EQ(l.TabAtPos(250, 10), 3);
  EXPECT_EQ(l.TabAtPos(260, 10), -1);  // the arrows' end of the strip selects nothing
  EXPECT_TRUE(l.IsOverRightArrow(280, 10));
  EXPECT_EQ(l.BackTabs(), (std::vector<int>{1, 2, 3}));

  // Scrolling stops at the first position that shows the last tab whole.
  EXPECT_EQ(l.ScrolledFirstVisible(1), 1);
  EXPECT_EQ(l.ScrolledFirstVisible(2), 2);
  EXPECT_EQ(l.ScrolledFirstVisible(4), 2);
  TSeTabMetrics scrolled = Strip({80, 80, 80, 80, 80});
  scrolled.FirstVisible = 2;
  const TSeTabLayout s(scrolled);
  EXPECT_EQ(s.TabRect(0).Left, 2 - 160);
  EXPECT_EQ(s.LastVisibleTab(true), 4);
  EXPECT_EQ(s.ScrolledFirstVisible(-1), 1);
  EXPECT_EQ(s.ScrolledFirstVisible(-5), 0);
  EXPECT_TRUE(s.ArrowsVisible());

  // Choosing the last tab scrolls just far enough to show it whole.
  EXPECT_EQ(TSeTabLayout(Strip({80, 80, 80, 80, 80}, 4)).FirstVisibleShowingCurrent(), 2);
  scrolled.TabIndex = 0;
  EXPECT_EQ(TSeTabLayout(scrolled).FirstVisibleShowingCurrent(), 0);
}

TEST(SeTabLayout, AStripThatFitsNeverScrolls) {
  // The last tab ends under where the arrows would be, but they are not shown.
  const TSeTabLayout l(Strip({90, 90, 90}, 2));
  ASSERT_FALSE(l.ArrowsVisible());
  EXPECT_EQ(l.LastVisibleTab(true), 2);
  EXPECT_EQ(l.FirstVisibleShowingCurrent(), 0);
  EXPECT_EQ(l.TabAtPos(265, 10), 2);
}
