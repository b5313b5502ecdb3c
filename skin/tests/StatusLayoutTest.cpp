// Status bar panels by view and stretch priority, the panel under a point,
// and image and text places inside a panel.

#include <gtest/gtest.h>

#include "skin/se_statusbar_layout.h"

namespace {

std::vector<TSePanelSizing> Panels(std::initializer_list<TSePanelSizing> sizings) { return sizings; }

std::vector<std::pair<int, int>> Extents(const std::vector<TSePanelPlace>& places) {
  std::vector<std::pair<int, int>> out;
  for (const auto& p : places) out.emplace_back(p.Left, p.Right);
  return out;
}

}  // namespace

TEST(SeStatusLayout, LowViewPriorityPanelsGiveWayWhenTheBarIsNarrow) {
  const TRect client = Rect(2, 2, 252, 20);  // 250 wide
  auto places =
      LayoutStatusPanels(Panels({{100, 10000, 100, 0}, {100, 10000, 50, 0}, {100, 10000, 100, 0}}), client);
  EXPECT_TRUE(places[0].Shown);
  EXPECT_FALSE(places[1].Shown);
  EXPECT_TRUE(places[2].Shown);
  EXPECT_EQ(Extents(places), (std::vector<std::pair<int, int>>{{2, 102}, {102, 102}, {102, 202}}));
  // All of priority 100: none is hidden, the third runs past the edge.
  places =
      LayoutStatusPanels(Panels({{100, 10000, 100, 0}, {100, 10000, 100, 0}, {100, 10000, 100, 0}}), client);
  EXPECT_EQ(Extents(places), (std::vector<std::pair<int, int>>{{2, 102}, {102, 202}, {202, 302}}));
  // A single panel stays whatever its priority; priority 0 is never shown.
  EXPECT_TRUE(LayoutStatusPanels(Panels({{400, 10000, 10, 0}}), client)[0].Shown);
  EXPECT_FALSE(LayoutStatusPanels(Panels({{40, 10000, 0, 0}}), client)[0].Shown);
}

TEST(SeStatusLayout, SpareRoomGoesToTheHighestStretchPriorityUpToItsMaxWidth) {
  const TRect client = Rect(0, 0, 400, 20);
  auto places =
      LayoutStatusPanels(Panels({{50, 10000, 100, 20}, {50, 10000, 100, 80}, {50, 10000, 100, 0}}), client);
  EXPECT_EQ(places[0].CurrentWidth, 50);
  EXPECT_EQ(places[1].CurrentWidth, 300);
  EXPECT_EQ(Extents(places), (std::vector<std::pair<int, int>>{{0, 50}, {50, 350}, {350, 400}}));
  // MaxWidth stops the first; the rest passes to the next.
  places =
      LayoutStatusPanels(Panels({{50, 10000, 100, 20}, {50, 100, 100, 80}, {50, 10000, 100, 0}}), client);
  EXPECT_EQ(Extents(places), (std::vector<std::pair<int, int>>{{0, 250}, {250, 350}, {350, 400}}));
  // The last stretchable panel ends exactly at the client's right edge.
  places = LayoutStatusPanels(Panels({{50, 10000, 100, 0}, {50, 120, 100, 10}}), client);
  EXPECT_EQ(places[1].Right, 400);
}

TEST(SeStatusLayout, PanelAtPosWalksTheShownWidths) {
  const TRect client = Rect(2, 2, 252, 20);
  const auto sizings = Panels({{100, 10000, 100, 0}, {100, 10000, 50, 0}, {100, 10000, 100, 0}});
  const auto places = LayoutStatusPanels(sizings, client);
  struct Case {
    int x, y, panel;
  } cases[] = {{2, 10, -1},   {3, 10, 0},  {102, 10, 0}, {103, 10, 2}, {202, 10, 2},
               {203, 10, -1}, {50, 1, -1}, {50, 20, 0},  {50, 21, -1}};
  for (const auto& c : cases)
    EXPECT_EQ(StatusPanelAtPos(sizings, places, client, c.x, c.y), c.panel) << c.x << "," << c.y;
  EXPECT_EQ(StatusPanelAtPos({}, {}, client, 50, 10), -1);
}

TEST(SeStatusLayout, ImageAndTextPlacesByLayoutAndAlignment) {
  TSePanelContent c;
  c.InnerWidth = 100;
  c.InnerHeight = 18;
  c.Image = {16, 16};
  c.Text = {40, 13};
  struct Case {
    TSeStatusGliphLayout layout;
    TAlignment alignment;
    TRect image, text;
  } cases[] = {
      {sglGlyphLeft, taLeftJustify, Rect(2, 1, 18, 17), Rect(22, 2, 98, 15)},
      {sglGlyphLeft, taCenter, Rect(20, 1, 36, 17), Rect(40, 2, 90, 15)},
      {sglGlyphRight, taRightJustify, Rect(82, 1, 98, 17), Rect(2, 2, 78, 15)},
      {sglGlyphRight, taCenter, Rect(64, 1, 80, 17), Rect(20, 2, 60, 15)},
  };
  for (const auto& k : cases) {
    c.Layout = k.layout;
    c.Alignment = k.alignment;
    EXPECT_EQ(c.ImageRect(), k.image) << k.layout << k.alignment;
    EXPECT_EQ(c.TextRect(), k.text) << k.layout << k.alignment;
  }
  c.Image = {};
  c.Layout = sglGlyphLeft;
  c.Alignment = taCenter;
  EXPECT_EQ(c.TextRect(), Rect(30, 2, 80, 15));
}
