// The list box's model without a window: the items with their check states
// and selection flags, the current item, extended selection, the scroll
// range of fixed, variable and column layouts, hit tests, keys, clicks and
// the wheel, on a made-up scroll bar.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "skin/se_listbox_core.h"

namespace {

struct Host : TSeListHost {
  TRect inner{2, 2, 119, 98};  // 96 high
  std::map<int, int> heights;  // variable heights by item
  int fixedHeight = 16;
  int lines = 3;
  TSeListBoxCore* core = nullptr;
  int position = 0, min = 0, max = 0, page = 0;
  bool visible = true, enabled = true, vertical = true;
  int clicks = 0;

  TRect InnerRect() const override { return inner; }
  int ItemHeight(int i) override {
    auto it = heights.find(i);
    return it != heights.end() ? it->second : fixedHeight;
  }
  bool HasBar() const override { return true; }
  int BarPosition() const override { return position; }
  void SetBarPosition(int p) override {
    p = std::clamp(p, min, std::max(min, max));
    if (p == position) return;
    position = p;
    core->ScrollBarChange();
  }
  int BarMin() const override { return min; }
  int BarMax() const override { return max; }
  int BarPageSize() const override { return page; }
  void SetBarRange(int mn, int mx, int pg) override {
    min = mn, max = mx, page = pg;
    SetBarPosition(position);
  }
  bool BarVisible() const override { return visible; }
  void SetBarVisible(bool v) override { visible = v; }
  void SetBarEnabled(bool e) override { enabled = e; }
  void PlaceBar(bool v, const TRect&) override { vertical = v; }
  int BarWidth() const override { return 17; }
  int BarHeight() const override { return 17; }
  int WheelScrollLines() const override { return lines; }
  void Click() override { ++clicks; }
};

struct List {
  Host host;
  TSeListBoxCore core{host};
  explicit List(int n = 0) {
    host.core = &core;
    core.Items().BeginUpdate();
    for (int i = 0; i < n; ++i) core.Items().Add(QString("item %1").arg(i));
    core.Items().EndUpdate();
  }
  void Key(int key, Qt::KeyboardModifiers m = Qt::NoModifier) { core.KeyDown(key, m); }
  // A click in the middle of row `row` of the single column.
  void ClickRow(int row, Qt::KeyboardModifiers m = Qt::NoModifier, int x = 60) {
    const int y = host.inner.Top + row * host.fixedHeight + host.fixedHeight / 2;
    core.MouseMove(m, x, y, 121, 100);
    core.MouseDown(true, m, x, y);
    core.MouseUp();
  }
  std::vector<int> Selected() const {
    std::vector<int> s;
    for (int i = 0; i < core.Count(); ++i)
      if (core.GetSelected(i)) s.push_back(i);
    return s;
  }
};

}  // namespace

TEST(SeListBoxCore, AnEmptyListHasNoCurrentItemAndKeysChangeNothing) {
  List l;
  EXPECT_EQ(l.core.ItemIndex(), -1);
  for (int key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_End, Qt::Key_Home, Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_Space})
    l.Key(key);
  EXPECT_EQ(l.core.ItemIndex(), -1);
  EXPECT_EQ(l.core.SelCount(), 0);
  EXPECT_FALSE(l.host.visible);
  l.core.SetItemIndex(-7);
  EXPECT_EQ(l.core.ItemIndex(), -1);
  l.core.Wheel(-120);
  EXPECT_EQ(l.host.position, 0);

  // The first item becomes current; it shows selected after a selection pass.
  l.core.Items().Add("one");
  EXPECT_EQ(l.core.ItemIndex(), 0);
  EXPECT_FALSE(l.core.GetSelected(0));
  l.Key(Qt::Key_Home);
  EXPECT_TRUE(l.core.GetSelected(0));
}

TEST(SeListBoxCore, ItemIndexIsClampedToTheItems) {
  List l(10);
  struct Case {
    int value, expected;
  } cases[] = {{-5, 0}, {13, 9}, {4, 4}, {-1, -1}};
  for (auto c : cases) {
    l.core.SetItemIndex(c.value);
    EXPECT_EQ(l.core.ItemIndex(), c.expected) << c.value;
  }
  // Deleting past the current item leaves it on the new last one.
  l.core.SetItemIndex(9);
  l.core.Items().Delete(9);
  l.core.Items().Delete(8);
  EXPECT_EQ(l.core.ItemIndex(), 7);
  l.Key(Qt::Key_Space);  // checks an item that exists
  EXPECT_EQ(l.core.GetState(7), csChecked);
  EXPECT_EQ(l.core.GetState(8), csUnchecked);
  EXPECT_FALSE(l.core.GetSelected(-1));
  l.core.SetSelected(50, true);  // ignored
  EXPECT_EQ(l.core.SelCount(), 0);
}

TEST(SeListBoxCore, SpaceAndClicksCycleCheckStates) {
  List l(3);
  l.core.SetShowCheckBoxes(true);
  l.core.SetItemIndex(1);
  const TSeCheckState plain[] = {csChecked, csUnchecked, csChecked};
  for (TSeCheckState s : plain) {
    l.Key(Qt::Key_Space);
    EXPECT_EQ(l.core.GetState(1), s);
  }
  l.core.SetAllowGrayed(true);
  const TSeCheckState grayed[] = {csGrayed, csUnchecked, csChecked, csGrayed};
  for (TSeCheckState s : grayed) {
    l.Key(Qt::Key_Return);
    EXPECT_EQ(l.core.GetState(1), s);
  }
  // Switching the option either way turns gray into checked.
  l.core.SetAllowGrayed(false);
  EXPECT_EQ(l.core.GetState(1), csChecked);

  // A click on a check box makes its item current and advances it; a click
  // on the text only makes it current.
  l.ClickRow(2, Qt::NoModifier, 2 + 7);
  EXPECT_EQ(l.core.ItemIndex(), 2);
  EXPECT_EQ(l.core.GetState(2), csChecked);
  l.ClickRow(0);
  EXPECT_EQ(l.core.ItemIndex(), 0);
  EXPECT_EQ(l.core.GetState(0), csUnchecked);
}

TEST(SeListBoxCore, CheckStatesStayWithTheirItems) {
  List l;
  auto& items = l.core.Items();
  items.Add("b");
  items.Add("d");
  l.core.SetState(0, csChecked);  // b
  items.Insert(0, "a");
  EXPECT_EQ(l.core.GetState(1), csChecked);
  items.Exchange(1, 2);  // d, b
  EXPECT_EQ(l.core.GetState(2), csChecked);
  items.Delete(0);
  EXPECT_EQ(l.core.GetState(1), csChecked);  // b
  items.SetSorted(true);                     // b, d
  EXPECT_EQ(items[0], "b");
  EXPECT_EQ(l.core.GetState(0), csChecked);
  items.Add("c");  // lands between them
  EXPECT_EQ(items[1], "c");
  EXPECT_EQ(l.core.GetState(0), csChecked);
  EXPECT_EQ(l.core.GetState(1), csUnchecked);
  EXPECT_EQ(l.core.GetState(2), csUnchecked);
}

TEST(SeListBoxCore, FixedRowsGiveAPageAndStopAtTheLastFullPage) {
  List l(20);
  EXPECT_EQ(l.host.page, 6);
  EXPECT_EQ(l.host.max, 19);
  EXPECT_TRUE(l.host.visible);
  EXPECT_TRUE(l.host.enabled);
  int pos = 19;
  l.core.ScrollBarScroll(pos);
  EXPECT_EQ(pos, 14);
  for (int i = 0; i < 10; ++i) l.core.Wheel(-120);
  EXPECT_EQ(l.host.position, 14);

  List few(6);
  EXPECT_FALSE(few.host.visible);
  few.core.SetAlwaysShowScrlBar(true);
  EXPECT_TRUE(few.host.visible);
  EXPECT_FALSE(few.host.enabled);

  // Rows are snapped whole: with a 2-pixel border, 105 becomes 100.
  EXPECT_EQ(l.core.SnapHeight(105, {2, 2, 119, 103}), 100);
}

TEST(SeListBoxCore, VariableRowsScrollToTheFirstItemFromWhichTheRestFit) {
  List l(6);
  l.core.SetListStyle(lbOwnerDrawVariable);
  l.host.heights = {{0, 40}, {1, 40}, {2, 10}, {3, 30}, {4, 30}, {5, 30}};
  l.core.UpdateScrollBar();
  EXPECT_EQ(l.host.max, 3);  // 30 + 30 + 30 fit in 96, 10 more too
  EXPECT_EQ(l.host.page, 0);
  EXPECT_TRUE(l.host.visible);
  l.host.heights = {{0, 10}, {1, 10}};
  l.core.UpdateScrollBar();
  EXPECT_EQ(l.host.max, 0);
  EXPECT_FALSE(l.host.visible);
}

TEST(SeListBoxCore, ExtendedSelectionByKeysAndClicks) {
  List l(10);
  l.core.SetMultiSelect(true);
  l.core.SetItemIndex(2);
  l.Key(Qt::Key_Down, Qt::ShiftModifier);
  l.Key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(l.Selected(), (std::vector<int>{2, 3, 4}));
  l.Key(Qt::Key_Down);  // moves the anchor
  EXPECT_EQ(l.Selected(), (std::vector<int>{5}));
  l.Key(Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_EQ(l.Selected(), (std::vector<int>{4, 5}));
  l.ClickRow(1, Qt::ControlModifier);
  EXPECT_EQ(l.Selected(), (std::vector<int>{1, 4, 5}));
  l.ClickRow(4, Qt::ControlModifier);
  EXPECT_EQ(l.Selected(), (std::vector<int>{1, 5}));
  l.ClickRow(3, Qt::ShiftModifier);  // from the anchor (4) to here
  EXPECT_EQ(l.Selected(), (std::vector<int>{3, 4}));
  l.Key(Qt::Key_End, Qt::ShiftModifier);
  EXPECT_EQ(l.core.SelCount(), 6);

  // Dragging selects from where the button went down.
  List d(10);
  d.core.SetMultiSelect(true);
  d.core.MouseDown(true, Qt::NoModifier, 60, 2 + 8);
  d.core.MouseMove(Qt::NoModifier, 60, 2 + 16 * 3 + 8, 121, 100);
  d.core.MouseUp();
  EXPECT_EQ(d.Selected(), (std::vector<int>{0, 1, 2, 3}));
}

TEST(SeListBoxCore, TheWheelScrollsLinesAndLeavesTheCurrentItem) {
  List l(50);
  l.core.SetItemIndex(0);
  l.core.Wheel(-120);
  EXPECT_EQ(l.host.position, 3);
  EXPECT_EQ(l.core.ItemIndex(), 0);
  l.core.Wheel(120);
  EXPECT_EQ(l.host.position, 0);
  // More lines than a notch has units never divides by zero.
  l.host.lines = 500;
  l.core.Wheel(-120);
  EXPECT_EQ(l.host.position, 44);  // stops at the last full page
  // Fine wheels send small steps; they add up.
  l.host.lines = 3;
  l.host.position = 0;
  for (int i = 0; i < 8; ++i) l.core.Wheel(-15);
  EXPECT_EQ(l.host.position, 3);
}

TEST(SeListBoxCore, KeysPageAndClickOnlyWhenTheItemMoves) {
  List l(100);
  l.core.SetItemIndex(0);
  l.Key(Qt::Key_PageDown);
  EXPECT_EQ(l.core.ItemIndex(), 5);
  EXPECT_EQ(l.host.clicks, 1);
  l.Key(Qt::Key_End);
  EXPECT_EQ(l.core.ItemIndex(), 99);
  EXPECT_EQ(l.core.FirstVisible(), 94);
  l.Key(Qt::Key_Down);
  EXPECT_EQ(l.host.clicks, 2);
  l.Key(Qt::Key_Home);
  EXPECT_EQ(l.host.position, 0);
  l.core.SetKeyClick(false);
  l.Key(Qt::Key_Down);
  EXPECT_EQ(l.host.clicks, 3);
}

TEST(SeListBoxCore, ColumnsLayOutItemsSideBySide) {
  List l(20);
  l.core.SetColumns(2);  // 6 rows a column: 4 columns, 2 showing
  EXPECT_FALSE(l.host.vertical);
  EXPECT_EQ(l.host.page, 2);
  EXPECT_EQ(l.host.max, 4);  // 4 columns of 6 need the bar, whose 17 pixels leave 4 rows: 5 columns
  const auto places = l.core.VisibleItems();
  ASSERT_FALSE(places.empty());
  EXPECT_EQ(places.front().text.Left, 2);
  const int perColumn = static_cast<int>(std::count_if(places.begin(), places.end(), [](auto& p) { return p.text.Left == 2; }));
  const TSeListPlace second = places[static_cast<std::size_t>(perColumn)];
  EXPECT_EQ(second.text.Left, 2 + 117 / 2);
  l.core.UpdateHotItem(second.text.Left + 3, second.text.Top + 3);
  EXPECT_EQ(l.core.HotItem(), second.index);
}

TEST(SeListBoxCore, AMillionItemsLoadAndPageThrough) {
  List l;
  QStringList strings;
  strings.reserve(1000000);
  for (int i = 0; i < 1000000; ++i) strings.append(QString::number(i));
  l.core.Items().Assign(strings);
  EXPECT_EQ(l.core.Count(), 1000000);
  EXPECT_EQ(l.host.max, 999999);
  l.core.SetMultiSelect(true);
  l.Key(Qt::Key_End);
  EXPECT_EQ(l.host.position, 999994);
  l.Key(Qt::Key_Home, Qt::ShiftModifier);
  EXPECT_EQ(l.core.SelCount(), 1000000);
  l.Key(Qt::Key_Down);
  EXPECT_EQ(l.core.SelCount(), 1);
  l.core.Items().Clear();
  EXPECT_EQ(l.core.ItemIndex(), -1);
}
