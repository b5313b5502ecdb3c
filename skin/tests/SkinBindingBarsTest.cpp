// Skinned progress, status, control and tool bars: the skin's frames,
// panels, grip and grabbers, the bar's share of the frame's inner
// rectangle, the grabber width that sets the bands' insets, and a skin
// change that binds them again.

#include <QTest>

#include "skin/se_binding_bars.h"
#include "skin/se_binding_buttons.h"
#include "skin/tests/SkinBindingFixture.h"

namespace {

using BarBinding = SkinBindingTest;

TEST_F(BarBinding, ProgressBarFillsItsShareOfTheFramesInside) {
  Load("devoir");
  auto* across = Place<TSeSkinProgressBar>(10, 10, 104, 16);
  auto* upright = Place<TSeSkinProgressBar>(130, 10, 16, 104);
  upright->SetOrientation(kboVertical);
  for (TSeSkinProgressBar* bar : {across, upright}) {
    bar->SetPosition(50);
    bar->SetSkinEngine(engine_.get());
  }
  Show();
  TSeSkinObject* frame = engine_->Source().GetObjectByName("ProgressBar")->FindObjectByName("Frame");
  ASSERT_EQ(frame->MarginLeft(), 2);
  // Inside 2..102: the bar covers 2..52 and the frame the rest.
  const TRect bar = Rect(2, 2, 52, 14);
  EXPECT_EQ(Shown(across, 27, 8), Part("ProgressBar", "BarHorz", bar, osNormal, 27, 8));
  EXPECT_EQ(Shown(across, 51, 8), Part("ProgressBar", "BarHorz", bar, osNormal, 51, 8));
  EXPECT_EQ(Shown(across, 77, 8), Part("ProgressBar", "Frame", Rect(0, 0, 104, 16), osNormal, 77, 8));
  // Upright: from the bottom, "BarVert".
  const TRect vbar = Rect(2, 52, 14, 102);
  EXPECT_EQ(Shown(upright, 8, 77), Part("ProgressBar", "BarVert", vbar, osNormal, 8, 77));
  EXPECT_EQ(Shown(upright, 8, 27), Part("ProgressBar", "Frame", Rect(0, 0, 16, 104), osNormal, 8, 27));

  across->SetPosition(100);
  const TSeArgb full = Part("ProgressBar", "BarHorz", Rect(2, 2, 102, 14), osNormal, 99, 8);
  EXPECT_EQ(Shown(across, 99, 8), full);
  Load("");
  EXPECT_NE(Shown(across, 99, 8), full);
}

TEST_F(BarBinding, StatusBarPanelsAndGripComeFromTheSkin) {
  Load("devoir");
  form_->SetBounds(0, 0, 320, 240);
  auto* status = Create<TSeSkinStatusBar>(form_.get());
  status->SetParent(form_.get());
  status->SetAlign(alBottom);
  status->SetSkinEngine(engine_.get());
  status->Panels()->Add()->SetWidth(100);
  status->Panels()->Add()->SetWidth(100);
  Show();
  const TRect panel = status->GetPanelRect(0);
  const int px = panel.Left + panel.Width() / 2;
  const int py = panel.Bottom - 3;
  EXPECT_EQ(Shown(status, px, py), Part("StatusBar", "Panel", panel, osNormal, px, py));
  ASSERT_TRUE(status->SizeGripActive());
  const TRect grip = status->GetSizeGripRect();
  const QImage shot = Shot(status);
  TSeBitmap piece;
  piece.SetSize(grip.Right, grip.Bottom);
  piece.Clear(0xFF000000u);
  auto gripper = CloneSkinObject(*engine_->Source().GetObjectByName("StatusBar")->FindObjectByName("Gripper"));
  se::DrawSkinPart(gripper.get(), piece.Canvas(), grip);
  int same = 0;
  int drawn = 0;
  for (int y = grip.Top; y < grip.Bottom; ++y)
    for (int x = grip.Left; x < grip.Right; ++x) {
      if ((piece.GetPixel(x, y) | 0xFF000000u) == 0xFF000000u) continue;
      ++drawn;
      same += (shot.pixel(x, y) | 0xFF000000u) == (piece.GetPixel(x, y) | 0xFF000000u);
    }
  EXPECT_GT(drawn, 0);
  EXPECT_EQ(same, drawn) << "the skin's gripper in the grip's corner";
}

TEST_F(BarBinding, ControlBarGrabbersTakeTheSkinsWidth) {
  Load("devoir");
  auto* bar = Place<TSeSkinControlBar>(0, 0, 300, 40);
  auto* tool = Create<TSeSkinToolBar>(form_.get());
  tool->SetParent(bar);
  tool->SetBounds(30, 2, 120, 26);
  auto* button = Create<TSeSkinSpeedButton>(form_.get());
  button->SetParent(tool);
  button->SetFlat(true);
  Show();
  EXPECT_EQ(bar->FindBand(tool)->Insets.Left, 11);
  bar->SetSkinEngine(engine_.get());
  tool->SetSkinEngine(engine_.get());
  button->SetSkinEngine(engine_.get());
  const TSeControlBarBand* band = bar->FindBand(tool);
  ASSERT_NE(band, nullptr);
  TSeSkinObject* grabber = engine_->Source().GetObjectByName("ControlBar")->FindObjectByName("Grabber");
  EXPECT_EQ(band->Insets.Left, grabber->Width() + 2);

  // The tool bar's frame is the skin's; its flat button is hot under the mouse.
  const int bx = button->Width() / 2;
  QTest::mouseMove(tool, QPoint(button->Left() + bx, button->Top() + 2));
  EXPECT_EQ(button->FaceState(), osHot);
  EXPECT_EQ(Shown(button, bx, 1),
            Part("SpeedButton", "FlatFace", Rect(0, 0, button->Width(), button->Height()), osHot, bx, 1));
  const int tx = tool->Width() - 3;
  EXPECT_EQ(Shown(tool, tx, tool->Height() / 2),
            Part("ToolBar", "Frame", Rect(0, 0, tool->Width(), tool->Height()), osNormal, tx, tool->Height() / 2));

  // Without a skin the grabbers take the plain width again.
  Load("");
  EXPECT_EQ(bar->FindBand(tool)->Insets.Left, 11);
}

TEST_F(BarBinding, FlatSpeedButtonsShowTheToolBarsFrameWhereTheyStand) {
  // A flat button that is not hot is see-through: the bar's frame shows in
  // it at the button's own place on the bar, in every skin.
  for (const char* skin : {"devoir", "slate", "meadow"}) {
    Load(skin);
    auto* tool = Place<TSeSkinToolBar>(12, 6, 200, 30);
    tool->SetSkinEngine(engine_.get());
    auto* first = Create<TSeSkinSpeedButton>(form_.get());
    first->SetParent(tool);
    auto* second = Create<TSeSkinSpeedButton>(form_.get());
    second->SetParent(tool);
    for (TSeSkinSpeedButton* b : {first, second}) {
      b->SetFlat(true);
      b->SetSkinEngine(engine_.get());
    }
    Show();
    QTest::mouseMove(form_.get(), QPoint(300, 200));
    ASSERT_GT(second->Left(), 0) << skin;
    const QImage bar = Picture("ToolBar", "Frame", Rect(0, 0, tool->Width(), tool->Height()), tool->Width(),
                               tool->Height());
    for (TSeSkinSpeedButton* b : {first, second}) {
      const QImage shown = Shot(b);
      // The caption sits in the middle: compare the rows above it.
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < b->Width(); ++x)
          ASSERT_EQ(shown.pixel(x, y) & 0xFFFFFF, bar.pixel(b->Left() + x, b->Top() + y) & 0xFFFFFF)
              << skin << " button at " << b->Left() << ": (" << x << ", " << y << ")";
    }
    delete tool;
  }
}

}  // namespace
