// Tool bar layout: sizes given by the bar, order by position along the bar,
// stacking in a vertical bar.

#include <gtest/gtest.h>

#include "skin/se_toolbar_layout.h"

namespace {

using Item = TSeToolBarItem;

TSeToolBarShape MainWindowBar() {
  // 235 x 42 with a border of 2: buttons 38 wide.
  return {true, Rect(2, 2, 233, 40), 38, 8, true};
}

std::vector<TRect> BoundsInItemOrder(const std::vector<TSeToolBarPlacement>& placed, std::size_t n) {
  std::vector<TRect> out(n);
  for (const auto& p : placed) out[static_cast<std::size_t>(p.Item)] = p.Bounds;
  return out;
}

}  // namespace

TEST(SeToolBarLayout, ButtonsAndDividersAreSizedAndLinedUpByPosition) {
  const std::vector<Item> items = {
      {Item::Button, Bounds(100, 0, 23, 22)},
      {Item::Divider, Bounds(60, 0, 3, 22)},
      {Item::Button, Bounds(0, 5, 23, 22), 14},  // shows a chevron
      {Item::Other, Bounds(150, 9, 30, 12)},
  };
  const auto placed = LayoutToolBar(MainWindowBar(), items, -1);
  ASSERT_EQ(placed.size(), 4u);
  EXPECT_EQ(placed[0].Item, 2);
  EXPECT_EQ(placed[1].Item, 1);
  EXPECT_EQ(placed[2].Item, 0);
  EXPECT_EQ(placed[3].Item, 3);
  EXPECT_EQ(BoundsInItemOrder(placed, 4), (std::vector<TRect>{Rect(62, 2, 100, 40), Rect(54, 2, 62, 40),
                                                               Rect(2, 2, 54, 40), Rect(100, 2, 130, 40)}));
  // Without auto size every child keeps its extent but is still lined up.
  TSeToolBarShape manual = MainWindowBar();
  manual.ButtonAutoSize = false;
  EXPECT_EQ(BoundsInItemOrder(LayoutToolBar(manual, items, -1), 4),
            (std::vector<TRect>{Rect(28, 2, 51, 40), Rect(25, 2, 28, 40), Rect(2, 2, 25, 40), Rect(51, 2, 81, 40)}));
}

TEST(SeToolBarLayout, AButtonMovedBeforeAnotherTakesItsPlace) {
  std::vector<Item> items = {{Item::Button, Bounds(2, 2, 38, 38)},
                             {Item::Button, Bounds(40, 2, 38, 38)},
                             {Item::Button, Bounds(78, 2, 38, 38)}};
  items[2].Bounds = Bounds(30, 2, 38, 38);  // dragged onto the first button's right half
  const auto placed = LayoutToolBar(MainWindowBar(), items, 2);
  EXPECT_EQ(BoundsInItemOrder(placed, 3), (std::vector<TRect>{Rect(2, 2, 40, 40), Rect(78, 2, 116, 40),
                                                               Rect(40, 2, 78, 40)}));
  // Ties go to the one that moved.
  items[2].Bounds = Bounds(40, 2, 38, 38);
  EXPECT_EQ(LayoutToolBar(MainWindowBar(), items, 2)[1].Item, 2);
  EXPECT_EQ(LayoutToolBar(MainWindowBar(), items, -1)[1].Item, 1);
}

TEST(SeToolBarLayout, ATallBarStacksFromTheTop) {
  EXPECT_FALSE(ToolBarIsHorizontal(42, 200, false));
  EXPECT_TRUE(ToolBarIsHorizontal(42, 200, true));
  EXPECT_TRUE(ToolBarIsHorizontal(50, 50, false));
  const TSeToolBarShape bar{false, Rect(2, 2, 40, 198), 38, 4, true};
  const std::vector<Item> items = {{Item::Button, Bounds(0, 50, 20, 20)}, {Item::Divider, Bounds(0, 10, 20, 3)}};
  EXPECT_EQ(BoundsInItemOrder(LayoutToolBar(bar, items, -1), 2),
            (std::vector<TRect>{Rect(2, 6, 40, 44), Rect(2, 2, 40, 6)}));
}
