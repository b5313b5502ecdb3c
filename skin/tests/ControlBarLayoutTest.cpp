// Control bar bands: rows, pushing into gaps, shrinking and wrapping, band
// drags that reorder or start rows, row snapping, and band info.

#include <gtest/gtest.h>

#include "skin/se_controlbar_layout.h"

namespace {

constexpr TSeBandId kLeft = 1;
constexpr TSeBandId kRight = 2;

struct Bar {
  TSeControlBarBands bands;
  std::vector<TSeBandChild> children;
  TRect client;

  explicit Bar(int width) : client(Rect(0, 0, width, 60)) {}
  void Add(TSeBandId id, TRect bounds, int minWidth = 0) { children.push_back({id, bounds, true, minWidth}); }
  TRect BoundsOf(TSeBandId id) const {
    for (const auto& c : children)
      if (c.Id == id) return c.Bounds;
    return {};
  }
  void Layout(TSeBandId moved = 0) { bands.AlignControls(children, moved, client); }
  // A drag of the band under `from` to `to`, as the bar's mouse handlers do.
  void Drag(TPoint from, TPoint to) {
    bands.Clear();
    Layout();
    TSeControlBarBand* band = bands.BandAtPos(children, from.X, from.Y);
    ASSERT_NE(band, nullptr);
    bands.DraggedControl = band->Control;
    bands.StickControls(children);
    bands.GrabOffset = Point(band->X - from.X, band->Y - from.Y);
    bands.DragTo(children, to.X, to.Y);
    Layout(bands.DraggedControl);
    bands.DraggedControl = 0;
  }
};

}  // namespace

TEST(SeControlBarLayout, BandsKeepTheirControlsRightOfAGrabber) {
  Bar bar(300);
  bar.Add(kLeft, Bounds(11, 5, 100, 22));
  bar.Layout();
  // Moved into the row: the grabber's 11 pixels left of it and 2 above.
  EXPECT_EQ(bar.BoundsOf(kLeft), Bounds(11, 2, 100, 22));
  ASSERT_EQ(bar.bands.Bands().size(), 1u);
  EXPECT_EQ(bar.bands.Bands()[0]->BoundsRect(), Rect(0, 0, 113, 26));
  EXPECT_EQ(bar.bands.AutoSizeExtent(bar.children, false), 26);
  // A band-info handler that widens the grabber moves the control.
  bar.bands.BandInfo = [](TSeBandId, TRect& insets, int&, int&) { insets.Left = 20; };
  bar.Layout();
  EXPECT_EQ(bar.BoundsOf(kLeft), Bounds(20, 2, 100, 22));
}

TEST(SeControlBarLayout, ARowTooWideIsPushedShrunkThenWrapped) {
  // Two tool bars side by side with a gap, together wider than the bar.
  Bar bar(200);
  bar.Add(kLeft, Bounds(11, 2, 100, 22), 90);
  bar.Add(kRight, Bounds(135, 2, 100, 22), 90);
  bar.Layout();
  // The gap is taken, both shrink to their least and still do not fit: the
  // right one starts a row of its own.
  EXPECT_EQ(bar.BoundsOf(kLeft), Bounds(11, 2, 100, 22));
  EXPECT_EQ(bar.BoundsOf(kRight), Bounds(11, 28, 100, 22));
  EXPECT_EQ(bar.bands.AutoSizeExtent(bar.children, false), 52);

  // Room enough after using the gap and shrinking the right one only.
  Bar fits(220);
  fits.Add(kLeft, Bounds(11, 2, 100, 22), 90);
  fits.Add(kRight, Bounds(135, 2, 100, 22), 90);
  fits.Layout();
  EXPECT_EQ(fits.BoundsOf(kLeft), Bounds(11, 2, 100, 22));
  EXPECT_EQ(fits.BoundsOf(kRight), Bounds(124, 2, 94, 22));
}

TEST(SeControlBarLayout, DraggingABandReordersOrStartsARow) {
  Bar bar(300);
  bar.Add(kLeft, Bounds(11, 2, 100, 22));
  bar.Add(kRight, Bounds(135, 2, 100, 22));
  bar.Layout();
  EXPECT_EQ(bar.BoundsOf(kRight), Bounds(135, 2, 100, 22));  // the gap stays

  // The right band's grabber dropped left of its neighbour: they swap.
  bar.Drag(Point(130, 10), Point(2, 10));
  EXPECT_EQ(bar.BoundsOf(kRight), Bounds(11, 2, 100, 22));
  EXPECT_EQ(bar.BoundsOf(kLeft), Bounds(124, 2, 100, 22));

  // Dropped below the last row: a new row.
  bar.Drag(Point(118, 10), Point(118, 40));
  EXPECT_EQ(bar.BoundsOf(kRight), Bounds(11, 2, 100, 22));
  EXPECT_EQ(bar.BoundsOf(kLeft), Bounds(124, 28, 100, 22));
  EXPECT_EQ(bar.bands.AutoSizeExtent(bar.children, false), 52);

  // And back up into the first row, right of the other.
  bar.Drag(Point(118, 36), Point(140, 8));
  EXPECT_EQ(bar.BoundsOf(kLeft).Top, 2);
  EXPECT_EQ(bar.BoundsOf(kRight), Bounds(11, 2, 100, 22));
  EXPECT_EQ(bar.bands.AutoSizeExtent(bar.children, false), 26);
}

TEST(SeControlBarLayout, RowSnapMakesRowsRowSizeHigh) {
  Bar bar(300);
  bar.bands.RowSnap = true;
  bar.Add(kLeft, Bounds(11, 2, 100, 16));
  bar.Add(kRight, Bounds(11, 40, 100, 16));
  bar.Layout();
  EXPECT_EQ(bar.BoundsOf(kLeft), Bounds(11, 2, 100, 22));
  EXPECT_EQ(bar.BoundsOf(kRight), Bounds(11, 28, 100, 22));
  for (const auto& band : bar.bands.Bands()) EXPECT_EQ(band->Height, 26);
}

TEST(SeControlBarLayout, HiddenAndRemovedControlsLeaveTheirRows) {
  Bar bar(300);
  bar.Add(kLeft, Bounds(11, 2, 100, 22));
  bar.Add(kRight, Bounds(11, 28, 100, 22));
  bar.Layout();
  EXPECT_EQ(bar.BoundsOf(kRight), Bounds(11, 28, 100, 22));
  // A hidden control's row closes up and opens again when it shows.
  bar.children[0].Visible = false;
  bar.Layout();
  EXPECT_EQ(bar.BoundsOf(kRight), Bounds(11, 2, 100, 22));
  EXPECT_EQ(bar.bands.AutoSizeExtent(bar.children, false), 26);
  bar.children[0].Visible = true;
  bar.Layout();
  EXPECT_EQ(bar.BoundsOf(kRight), Bounds(11, 28, 100, 22));
  bar.bands.RemoveControl(kLeft);
  bar.children.erase(bar.children.begin());
  bar.Layout();
  EXPECT_EQ(bar.BoundsOf(kRight), Bounds(11, 2, 100, 22));
  EXPECT_EQ(bar.bands.FindBand(kLeft), nullptr);
}
