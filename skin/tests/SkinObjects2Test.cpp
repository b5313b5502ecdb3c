// The second family of skin objects: files with every class, picture
// drawing without children, inactive window pictures, boxes by state,
// colour buttons, caption buttons from pictures and rolling panels.

#include <gtest/gtest.h>

#include <memory>

#include "platform/gui/Controls.h"
#include "skin/se_objectclasses2.h"
#include "skin/se_skinsource.h"

namespace {

class SkinObjects2 : public ::testing::Test {
 protected:
  void SetUp() override { RegisterSkinFilters(); }
};

// An 8 x 2 picture: four one-pixel columns (red, green, blue, grey) on the
// left, a yellow 4 x 2 block on the right.
constexpr TSeArgb kTop[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFF808080u};
constexpr TSeArgb kOther = 0xFFFFFF00u;

std::unique_ptr<TSeBitmap> Picture() {
  auto b = std::make_unique<TSeBitmap>();
  b->SetName("Pic");
  b->SetSize(8, 2);
  for (int x = 0; x < 4; ++x)
    for (int y = 0; y < 2; ++y) *b->PixelPtr(x, y) = kTop[x];
  b->FillRect(Rect(4, 0, 8, 2), kOther);
  return b;
}

void Link(TSeBitmapLink& link, TSeBitmapList& list, const TRect& r) {
  link.Name = "Pic";
  link.Left = r.Left;
  link.Top = r.Top;
  link.Right = r.Right;
  link.Bottom = r.Bottom;
  link.Bitmap = list.GetBitmap(0);
}

TSeArgb Rgb(TSeBitmap& b, int x, int y) { return b.GetPixel(x, y) | 0xFF000000u; }

// A window with a skinned frame, as caption buttons reach it.
class Frame : public TControl, public TSeFrameActions {
 public:
  using TControl::TControl;
  std::vector<std::string> calls;
  int repaints = 0;
  TSeBorderIcons FrameBorderIcons() const override { return kbiClose | kbiMinimize | kbiMaximize; }
  void Close() override { calls.push_back("Close"); }
  void ContextHelp() override {}
  void Minimize() override { calls.push_back("Minimize"); }
  void Maximize() override {}
  void Restore() override {}
  void Rollup() override {}
  void MinimizeToTray() override {}
  void ShowSystemMenu() override {}
  void CustomAction(TSeSkinObject*) override { calls.push_back("Custom"); }

 protected:
  void Dispatch(TMessage& m) override {
    if (m.Msg == SKM_GETSKINFORM) m.Result = reinterpret_cast<std::intptr_t>(static_cast<TSeFrameActions*>(this));
    if (m.Msg == SKM_SKINCHANGED) ++repaints;
  }
};

}  // namespace

TEST_F(SkinObjects2, EveryClassTravelsInEveryFormat) {
  TSeSkinSource skin;
  skin.Bitmaps().Add(Picture());
  auto form = CreateUnique<TSeFormBitmapSkinObject>();
  form->SetName("Form");
  form->SetKind(skForm);
  form->SetBoundsRect(Rect(0, 0, 50, 40));
  form->Bitmap().Name = "Pic";
  form->Bitmap().Right = 4;
  form->Bitmap().Bottom = 2;
  form->InactiveBitmap().Name = "Pic";
  form->InactiveBitmap().Left = 4;
  form->InactiveBitmap().Right = 8;
  form->InactiveBitmap().Bottom = 2;
  auto* link = Create<TSeLinkSkinObject>(form.get());
  link->SetName("Place");
  link->SetLinkControl("Edit1");
  auto* button = Create<TSeSysButtonSkinObject>(form.get());
  button->SetName("Roll");
  button->SetAction(sbaRollPanel);
  button->SetRollPanel("Panel");
  button->BitmapDown().Name = "Pic";
  auto* active = Create<TSeActiveSkinObject>(form.get());
  active->SetName("Active");
  active->SetActiveColor(clRed);
  active->ActiveFont().SetHeight(-15);
  auto* colours = Create<TSeColorButtonObject>(form.get());
  colours->SetName("Colours");
  colours->SetPressedColor(clNavy);
  colours->DisabledFont().SetStyle(TFontStyles(fsItalic));
  auto* box = Create<TSeBitmapBoxObject>(form.get());
  box->SetName("Box");
  box->SetBorderTileStyle(tsStretch);
  auto* activeBox = Create<TSeActiveBitmapBoxObject>(form.get());
  activeBox->SetName("ActiveBox");
  activeBox->FocusedBitmap().Right = 3;
  auto* buttonBox = Create<TSeButtonBitmapBoxObject>(form.get());
  buttonBox->SetName("ButtonBox");
  buttonBox->DisabledBitmap().Bottom = 2;
  auto* panel = Create<TSeRollPanelObject>(form.get());
  panel->SetName("Panel");
  panel->SetRollKind(rkBottom);
  panel->SetRollValue(7);
  auto* picture = Create<TSeBitmapSkinObject>(form.get());
  picture->SetName("Picture");
  picture->SetTileStyle(tsCenter);
  skin.AddObject(std::move(form));
  const std::string before = se::ComponentImageToText(SkinObjectImage(*skin.GetObject(0)));
  const std::string dir = ::testing::TempDir();
  for (const char* ext : {"uskn", "mskn"}) {
    const std::string file = dir + "/second-family." + ext;
    skin.SaveToFile(file);
    TSeSkinSource back;
    back.LoadFromFile(file);
    ASSERT_EQ(back.Count(), 1) << ext;
    EXPECT_EQ(se::ComponentImageToText(SkinObjectImage(*back.GetObject(0))), before) << ext;
    auto* loaded = dynamic_cast<TSeFormBitmapSkinObject*>(back.GetObject(0));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->InactiveBitmap().Bitmap, back.Bitmaps().GetBitmap(0)) << "links resolve after loading";
    auto clone = CloneSkinObject(*loaded);
    EXPECT_EQ(se::ComponentImageToText(SkinObjectImage(*clone)), before) << ext;
    EXPECT_EQ(dynamic_cast<TSeSysButtonSkinObject*>(clone->FindObjectByName("Roll"))->Kind(), skSysButton);
  }
}

TEST_F(SkinObjects2, PicturesDrawTextButNoChildrenAndFollowTheWindow) {
  TSeBitmapList list;
  list.Add(Picture());
  auto form = CreateUnique<TSeFormBitmapSkinObject>();
  form->SetBoundsRect(Rect(0, 0, 8, 4));
  form->SetMasked(false);
  Link(form->Bitmap(), list, Rect(0, 0, 4, 2));
  auto* child = Create<TSeSkinObject>(form.get());
  child->SetBoundsRect(Rect(0, 0, 8, 4));
  child->SetColor(clWhite);
  TSeBitmap surface;
  surface.SetSize(8, 4);
  form->Draw(surface.Canvas());
  EXPECT_EQ(Rgb(surface, 1, 0), kTop[1]) << "tiled picture, the child is not drawn";
  EXPECT_EQ(Rgb(surface, 6, 3), kTop[2]);
  // Inactive without an inactive picture: the picture; with one: that.
  form->SetActive(false);
  form->Draw(surface.Canvas());
  EXPECT_EQ(Rgb(surface, 1, 0), kTop[1]);
  Link(form->InactiveBitmap(), list, Rect(4, 0, 8, 2));
  form->Draw(surface.Canvas());
  EXPECT_EQ(Rgb(surface, 1, 0), kOther);
  form->SetActive(true);
  form->Draw(surface.Canvas());
  EXPECT_EQ(Rgb(surface, 1, 0), kTop[1]);
}

TEST_F(SkinObjects2, BoxesPickTheirPictureByState) {
  TSeBitmapList list;
  list.Add(Picture());
  auto box = CreateUnique<TSeButtonBitmapBoxObject>();
  box->SetBoundsRect(Rect(0, 0, 10, 6));
  box->SetMarginLeft(1);
  box->SetMarginRight(1);
  Link(box->Bitmap(), list, Rect(0, 0, 4, 2));
  Link(box->PressedBitmap(), list, Rect(4, 0, 8, 2));
  TSeBitmap surface;
  surface.SetSize(10, 6);
  box->Draw(surface.Canvas());
  // Left edge column 0, centre tiles columns 1..2, right edge column 3.
  EXPECT_EQ(Rgb(surface, 0, 3), kTop[0]);
  EXPECT_EQ(Rgb(surface, 1, 3), kTop[1]);
  EXPECT_EQ(Rgb(surface, 2, 3), kTop[2]);
  EXPECT_EQ(Rgb(surface, 3, 3), kTop[1]) << "the centre repeats";
  EXPECT_EQ(Rgb(surface, 9, 3), kTop[3]);
  box->SetState(osPressed);
  box->Draw(surface.Canvas());
  EXPECT_EQ(Rgb(surface, 5, 3), kOther);
  box->SetState(osHot);  // no hot picture: the plain one
  box->Draw(surface.Canvas());
  EXPECT_EQ(Rgb(surface, 9, 3), kTop[3]);

  auto active = CreateUnique<TSeActiveBitmapBoxObject>();
  active->SetBoundsRect(Rect(0, 0, 4, 2));
  Link(active->Bitmap(), list, Rect(0, 0, 4, 2));
  Link(active->FocusedBitmap(), list, Rect(4, 0, 8, 2));
  for (const auto& [state, want] : {std::pair{osNormal, kTop[0]}, {osHot, kOther}, {osFocused, kOther},
                                    {osPressed, kTop[0]}}) {
    active->SetState(state);
    active->Draw(surface.Canvas());
    EXPECT_EQ(Rgb(surface, 0, 0), want) << int(state);
  }
}

TEST_F(SkinObjects2, ColourButtonsAndActiveObjectsChangeTheirLookByState) {
  auto button = CreateUnique<TSeColorButtonObject>();
  button->SetBoundsRect(Rect(0, 0, 4, 4));
  button->SetColor(clWhite);
  button->SetHotColor(clRed);
  button->SetPressedColor(clNavy);
  button->SetDisabledColor(clGray);
  button->SetFocusedColor(clLime);
  TSeBitmap surface;
  surface.SetSize(4, 4);
  const struct {
    TSeObjectState state;
    TSeArgb want;
  } cases[] = {{osNormal, 0xFFFFFFFFu}, {osHot, 0xFFFF0000u}, {osPressed, 0xFF000080u},
               {osFocused, 0xFF00FF00u}, {osDisabled, 0xFF808080u}, {osMaximized, 0xFFFFFFFFu}};
  for (const auto& c : cases) {
    button->SetState(c.state);
    button->Draw(surface.Canvas());
    EXPECT_EQ(Rgb(surface, 1, 1), c.want) << int(c.state);
    EXPECT_EQ(button->Color(), clWhite) << "the colour comes back after drawing";
  }

  Frame frame;
  auto active = CreateUnique<TSeActiveSkinObject>();
  active->SetBoundsRect(Rect(0, 0, 4, 4));
  active->SetColor(clWhite);
  active->SetActiveColor(clRed);
  active->SetOwnerControl(&frame);
  active->MouseEnter();
  EXPECT_EQ(active->State(), osHot);
  active->Draw(surface.Canvas());
  EXPECT_EQ(Rgb(surface, 1, 1), 0xFFFF0000u);
  active->MouseLeave();
  active->Draw(surface.Canvas());
  EXPECT_EQ(Rgb(surface, 1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(frame.repaints, 2);
}

TEST_F(SkinObjects2, PanelsRollAndCaptionButtonsRollThem) {
  auto root = CreateUnique<TSeSkinObject>();
  root->SetBoundsRect(Rect(0, 0, 300, 200));
  auto* panel = Create<TSeRollPanelObject>(root.get());
  panel->SetName("Side");
  panel->SetBoundsRect(Bounds(50, 10, 100, 80));
  panel->SetRollKind(rkLeft);
  panel->SetRollValue(20);
  panel->Toggle();
  EXPECT_EQ(panel->BoundsRect(), Bounds(130, 10, 20, 80));
  panel->Toggle();
  EXPECT_EQ(panel->BoundsRect(), Bounds(50, 10, 100, 80));

  auto* top = Create<TSeRollPanelObject>(root.get());
  top->SetBoundsRect(Bounds(0, 100, 60, 50));
  top->SetRollKind(rkTop);
  top->SetRollValue(50);
  top->Toggle();  // already at its rolled size: opens to the size it never had
  EXPECT_EQ(top->BoundsRect(), Bounds(0, 150, 60, 0));

  TSeRollPanelObject alone;
  alone.SetBoundsRect(Bounds(0, 0, 40, 40));
  alone.SetRollValue(5);
  alone.Toggle();
  EXPECT_EQ(alone.Width(), 40) << "a panel without an owner stays";

  // A caption button finds the panel from the root of its tree, and only
  // with a frame to act on.
  auto* caption = Create<TSeSkinObject>(root.get());
  auto* roll = Create<TSeSysButtonSkinObject>(caption);
  roll->SetBoundsRect(Bounds(0, 0, 10, 10));
  roll->SetAction(sbaRollPanel);
  roll->SetRollPanel("side");
  auto click = [&] {
    roll->MouseDown(mbLeft, 1, 1);
    roll->MouseUp(mbLeft, 1, 1);
  };
  click();
  EXPECT_EQ(panel->Width(), 100) << "no frame: nothing happens";
  Frame frame;
  root->SetOwnerControl(&frame);
  click();
  EXPECT_EQ(panel->BoundsRect(), Bounds(130, 10, 20, 80));
  EXPECT_GT(frame.repaints, 0);
  roll->SetRollPanel("Missing");
  click();
  EXPECT_EQ(panel->Width(), 20);
  roll->SetAction(sbaMinimize);
  roll->MouseEnter();
  roll->MouseDown(mbLeft, 1, 1);
  roll->MouseLeave();
  roll->MouseUp(mbLeft, 1, 1);
  EXPECT_TRUE(frame.calls.empty()) << "released after leaving";
  click();
  EXPECT_EQ(frame.calls, std::vector<std::string>{"Minimize"});
}

TEST_F(SkinObjects2, CaptionButtonsDrawTheirStatePictures) {
  TSeBitmapList list;
  list.Add(Picture());
  auto button = CreateUnique<TSeSysButtonSkinObject>();
  button->SetBoundsRect(Rect(0, 0, 4, 2));
  button->SetMasked(false);
  Link(button->Bitmap(), list, Rect(0, 0, 4, 2));
  Link(button->BitmapDown(), list, Rect(4, 0, 8, 2));
  TSeBitmap surface;
  surface.SetSize(4, 2);
  button->MouseEnter();  // hot without a hover picture: the plain one
  button->Draw(surface.Canvas());
  EXPECT_EQ(Rgb(surface, 0, 0), kTop[0]);
  button->MouseDown(mbLeft, 0, 0);
  button->Draw(surface.Canvas());
  EXPECT_EQ(Rgb(surface, 0, 0), kOther);
}
