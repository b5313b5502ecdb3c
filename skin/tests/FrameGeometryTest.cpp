// Where the parts of a self-drawn frame lie: client area, caption buttons,
// the part under each point (every border pixel in exactly one zone), and
// the maximized and rolled-up rectangles.

#include <gtest/gtest.h>

#include "skin/se_framegeometry.h"

namespace {

constexpr unsigned kAllIcons = kbiClose | kbiSystemMenu | kbiMinimize | kbiMaximize | kbiRollup | kbiTray;

TSeFrameLayout Layout(TSeWindowState state = kwsNormal, unsigned icons = kAllIcons,
                      TSeBorderStyle style = kbsStandard) {
  TSeFrameLayout l;
  l.FrameWidth = 300;
  l.FrameHeight = 200;
  l.BorderStyle = style;
  l.BorderIcons = icons;
  l.WindowState = state;
  return l;
}

}  // namespace

TEST(FrameGeometry, ClientAreaLeavesBorderAndCaption) {
  const TSeFrameMetrics& m = se::FrameMetrics();
  const int f = m.FrameWidth;
  EXPECT_EQ(se::FrameClientArea(Layout()), Rect(f, f + m.CaptionHeight, 300 - f, 200 - f));
  EXPECT_EQ(se::FrameClientArea(Layout(kwsNormal, kAllIcons, kbsToolWindow)),
            Rect(f, f + m.SmallCaptionHeight, 300 - f, 200 - f));
  EXPECT_EQ(se::FrameClientArea(Layout(kwsNormal, kAllIcons, kbsNone)), Rect(0, 0, 300, 200));
}

TEST(FrameGeometry, CaptionButtonsRunFromTheRightWithoutOverlap) {
  const TSeFrameLayout l = Layout();
  const TRect s = se::FrameCaptionStrip(l);
  const int h = s.Height();
  const int w = h - 2;
  const TRect close = se::FrameBorderIconRect(l, kbiClose);
  EXPECT_EQ(close, Bounds(s.Right - 2 - w, s.Top + 2, w, h - 4));
  EXPECT_EQ(se::FrameBorderIconRect(l, kbiMaximize).Right, close.Left - 2);
  EXPECT_EQ(se::FrameBorderIconRect(l, kbiMinimize).Right, se::FrameBorderIconRect(l, kbiMaximize).Left);
  EXPECT_EQ(se::FrameBorderIconRect(l, kbiRollup).Right, se::FrameBorderIconRect(l, kbiMinimize).Left - 2);
  EXPECT_EQ(se::FrameBorderIconRect(l, kbiTray).Right, se::FrameBorderIconRect(l, kbiRollup).Left);
  EXPECT_EQ(se::FrameBorderIconRect(l, kbiSystemMenu), Rect(s.Left, s.Top, s.Left + h, s.Bottom));
  // Help is shown only when asked for; a minimized frame keeps close and
  // minimize (its restore button) only.
  EXPECT_TRUE(se::FrameBorderIconRect(l, kbiHelp).IsEmpty());
  EXPECT_FALSE(se::FrameBorderIconRect(Layout(kwsNormal, kAllIcons | kbiHelp), kbiHelp).IsEmpty());
  const TSeFrameLayout minimized = Layout(kwsMinimized);
  EXPECT_TRUE(se::FrameBorderIconRect(minimized, kbiMaximize).IsEmpty());
  EXPECT_TRUE(se::FrameBorderIconRect(minimized, kbiTray).IsEmpty());
  EXPECT_EQ(se::FrameBorderIconRect(minimized, kbiMinimize).Right, close.Left - 2);
  // A tool window shows the close button only.
  const TSeFrameLayout tool = Layout(kwsNormal, kAllIcons, kbsToolWindow);
  EXPECT_FALSE(se::FrameBorderIconRect(tool, kbiClose).IsEmpty());
  EXPECT_TRUE(se::FrameBorderIconRect(tool, kbiMinimize).IsEmpty());
  EXPECT_TRUE(se::FrameBorderIconRect(Layout(kwsNormal, kAllIcons & ~kbiClose), kbiClose).IsEmpty());
}

TEST(FrameGeometry, EveryBorderPixelBelongsToOneZone) {
  const TSeFrameLayout l = Layout();
  const TRect c = se::FrameClientArea(l);
  const TRect close = se::FrameBorderIconRect(l, kbiClose);
  const TRect sys = se::FrameBorderIconRect(l, kbiSystemMenu);
  const int corner = se::kFrameCornerSize;
  struct Case {
    int x, y;
    std::uint8_t part;
  } cases[] = {
      {150, c.Top - 5, kfpCaption},
      {150, 0, kfpTop},
      {150, c.Top - se::FrameMetrics().CaptionHeight - 1, kfpTop},
      {150, c.Top - se::FrameMetrics().CaptionHeight, kfpCaption},
      {0, 100, kfpLeft},
      {c.Left - 1, 100, kfpLeft},
      {c.Left, 100, kfpClient},
      {c.Right - 1, 100, kfpClient},
      {c.Right, 100, kfpRight},
      {299, 100, kfpRight},
      {150, c.Bottom - 1, kfpClient},
      {150, c.Bottom, kfpBottom},  // the first row under the client area
      {150, 199, kfpBottom},
      {corner - 1, 0, kfpTopLeft},
      {corner, 0, kfpTop},
      {300 - corner - 1, 0, kfpTop},
      {300 - corner, 0, kfpTopRight},
      {0, corner - 1, kfpTopLeft},
      {0, corner, kfpLeft},
      {0, 200 - corner - 1, kfpLeft},
      {0, 200 - corner, kfpBottomLeft},
      {corner - 1, 199, kfpBottomLeft},
      {300 - corner, 199, kfpBottomRight},
      {299, 200 - corner, kfpBottomRight},
      {299, corner - 1, kfpTopRight},
      {close.Left, close.Top, kfpCloseButton},
      {close.Right - 1, close.Bottom - 1, kfpCloseButton},
      {close.Right, close.Top, kfpCaption},
      {sys.Left + 2, sys.Top + 2, kfpSystemMenuIcon},
      {se::FrameBorderIconRect(l, kbiMinimize).Left, close.Top, kfpMinimizeButton},
      {se::FrameBorderIconRect(l, kbiMaximize).Left, close.Top, kfpMaximizeButton},
      {se::FrameBorderIconRect(l, kbiRollup).Left, close.Top, kfpRollupButton},
      {se::FrameBorderIconRect(l, kbiTray).Left, close.Top, kfpTrayButton},
      {300, 100, kfpClient},  // outside the frame (the shadow band)
      {-1, 100, kfpClient},
  };
  for (const Case& k : cases) EXPECT_EQ(se::FrameHitTest(l, k.x, k.y), k.part) << k.x << "," << k.y;
}

TEST(FrameGeometry, MaximizedFrameHasNoSizingZones) {
  const TSeFrameLayout l = Layout(kwsMaximized);
  const TRect close = se::FrameBorderIconRect(l, kbiClose);
  EXPECT_EQ(se::FrameHitTest(l, 150, 0), kfpCaption);
  EXPECT_EQ(se::FrameHitTest(l, 0, 100), kfpClient);
  EXPECT_EQ(se::FrameHitTest(l, 150, 199), kfpClient);
  EXPECT_EQ(se::FrameHitTest(l, close.Left + 1, close.Top + 1), kfpCloseButton);
  // In the tray state the borders size as in the normal state.
  EXPECT_EQ(se::FrameHitTest(Layout(kwsTray), 0, 100), kfpLeft);
}

TEST(FrameGeometry, SizeGripActsAsBottomRightCorner) {
  const TSeFrameLayout l = Layout();
  const TRect grip = Rect(270, 170, 290, 190);
  EXPECT_EQ(se::FrameHitTest(l, 275, 175, grip), kfpBottomRight);
  EXPECT_EQ(se::FrameHitTest(l, 269, 175, grip), kfpClient);
}

TEST(FrameGeometry, MaximizedAndRolledUpRectangles) {
  const TSeFrameLayout l = Layout();
  const int f = se::FrameMetrics().FrameWidth;
  // The area of a second screen stays where it is; only the border goes off it.
  EXPECT_EQ(se::FrameMaximizedRect(l, Rect(1024, 0, 2048, 740)), Rect(1024 - f, -f, 2048 + f, 740 + f));
  EXPECT_EQ(se::FrameMaximizedRect(Layout(kwsNormal, kAllIcons, kbsNone), Rect(0, 0, 800, 600)),
            Rect(0, 0, 800, 600));
  const TRect c = se::FrameClientArea(l);
  EXPECT_EQ(se::FrameRollupRect(l, 40, 50), Bounds(40, 50, 300, c.Top + 200 - c.Bottom));
}
