// A skinned tool bar like the main window's, used with the mouse through
// the window as a user does: a click lands on the button under it, group
// buttons stay exclusive or toggle, the chevron strip of a drop-down
// button answers apart from its face and drops its menu below it, a press dragged off clicks nothing,
// the hot look follows the mouse from button to button, and an upright
// bar or a hidden button moves what lies under the mouse.

#include <QWindow>

#include "skin/se_binding_bars.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_skinmenus.h"
#include "skin/se_speedbuttons.h"
#include "skin/tests/MenuSteps.h"
#include "skin/tests/SkinBindingFixture.h"

namespace {

class ToolBarInput : public SkinBindingTest {
 protected:
  void SetUp() override {
    SkinBindingTest::SetUp();
    Load("devoir");
    bar_ = Place<TSeSkinToolBar>(0, 0, 320, 42);
    bar_->SetAlign(alTop);
    bar_->SetDividerWidth(4);
    bar_->SetSkinEngine(engine_.get());
    // Placed in order, each beyond what the bar has lined up so far.
    open_ = Button(0, "Open");
    divider_ = Create<TSeSpeedDivider>(form_.get());
    divider_->SetLeft(100);
    divider_->SetParent(bar_);
    left_ = Button(200, "Left");
    centre_ = Button(300, "Centre");
    bold_ = Button(400, "Bold");
    burn_ = Button(500, "Burn");
    left_->SetGroupIndex(1);
    centre_->SetGroupIndex(1);
    bold_->SetGroupIndex(2);
    bold_->SetAllowAllUp(true);
    burn_->SetShowChevron(true);
    burn_->OnChevronClick = [this](TControl* sender) { clicks_.push_back(sender->Name() + "+"); };
    Show();
  }

  TSeSkinSpeedButton* Button(int left, const char* name) {
    auto* b = Create<TSeSkinSpeedButton>(form_.get());
    b->SetName(name);
    b->SetLeft(left);
    b->SetFlat(true);
    b->SetParent(bar_);
    b->SetSkinEngine(engine_.get());
    b->OnClick = [this](TControl* sender) { clicks_.push_back(sender->Name()); };
    return b;
  }

  // Mouse events to the window at a point of the bar: Qt finds the widget.
  QPoint InWindow(QPoint onBar) const { return bar_->mapTo(form_.get(), onBar); }
  void ClickAt(QPoint onBar) { QTest::mouseClick(form_->windowHandle(), Qt::LeftButton, {}, InWindow(onBar)); }
  void MoveTo(QPoint onBar) { QTest::mouseMove(form_->windowHandle(), InWindow(onBar)); }
  std::vector<std::string> TakeClicks() { return std::exchange(clicks_, {}); }

  TSeSkinToolBar* bar_ = nullptr;
  TSeSkinSpeedButton *open_, *left_, *centre_, *bold_, *burn_;
  TSeSpeedDivider* divider_ = nullptr;
  std::vector<std::string> clicks_;
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(ToolBarInput, AClickLandsOnTheButtonUnderTheMouse) {
  // Buttons 38 wide from x = 2, the divider 4, the drop-down 38 + 14.
  const struct {
    int x, y;
    Names clicked;
  } cases[] = {
      {21, 21, {"Open"}},    {41, 21, {}},  // the divider
      {63, 21, {"Left"}},    {101, 3, {"Centre"}},  {139, 38, {"Bold"}},
      {176, 21, {"Burn"}},   {203, 21, {"Burn+"}},  // the chevron strip
      {1, 21, {}},           {21, 0, {}},   // the bar's border
      {260, 21, {}},         // past the last button
  };
  for (const auto& c : cases) {
    ClickAt({c.x, c.y});
    EXPECT_EQ(TakeClicks(), c.clicked) << c.x << "," << c.y;
  }
}

TEST_F(ToolBarInput, GroupButtonsStayExclusiveOrToggleUnderClicks) {
  const struct {
    TSeSkinSpeedButton* clicked;
    bool left, centre, bold;
  } steps[] = {
      {left_, true, false, false},   {centre_, false, true, false},
      {centre_, false, true, false},  // a group without AllowAllUp keeps one down
      {bold_, false, true, true},     {bold_, false, true, false},  // alone and AllowAllUp: toggles
      {open_, false, true, false},    {left_, true, false, false},
  };
  int n = 0;
  for (const auto& s : steps) {
    ClickAt(QPoint(s.clicked->Left() + 10, 20));
    EXPECT_EQ(left_->Down(), s.left) << n;
    EXPECT_EQ(centre_->Down(), s.centre) << n;
    EXPECT_EQ(bold_->Down(), s.bold) << n;
    ++n;
  }
  // A button that is down shows the skin's look for it.
  MoveTo({300, 20});
  const TRect face(0, 0, left_->Width(), left_->Height());
  EXPECT_EQ(left_->FaceState(), osFocused);
  EXPECT_EQ(Shown(left_, 10, 1), Part("SpeedButton", "FlatFace", face, osFocused, 10, 1));
}

TEST_F(ToolBarInput, APressDraggedOffClicksNothingAndBackOnItClicks) {
  QWindow* window = form_->windowHandle();
  const QPoint open = InWindow({21, 21});
  const QPoint left = InWindow({63, 21});
  QTest::mousePress(window, Qt::LeftButton, {}, open);
  EXPECT_EQ(open_->FaceState(), osPressed);
  EXPECT_EQ(Shown(open_, 10, 1), Part("SpeedButton", "FlatFace", Rect(0, 0, 38, 38), osPressed, 10, 1));
  QTest::mouseMove(window, left);
  EXPECT_NE(open_->FaceState(), osPressed);
  QTest::mouseRelease(window, Qt::LeftButton, {}, left);
  EXPECT_EQ(TakeClicks(), Names{});
  EXPECT_FALSE(left_->Down());

  QTest::mousePress(window, Qt::LeftButton, {}, open);
  QTest::mouseMove(window, left);
  QTest::mouseMove(window, open);
  EXPECT_EQ(open_->FaceState(), osPressed);
  QTest::mouseRelease(window, Qt::LeftButton, {}, open);
  EXPECT_EQ(TakeClicks(), Names{"Open"});

  // A disabled button neither presses nor clicks.
  open_->SetEnabled(false);
  ClickAt({21, 21});
  EXPECT_EQ(TakeClicks(), Names{});
  EXPECT_EQ(open_->FaceState(), osDisabled);
}

TEST_F(ToolBarInput, TheHotLookFollowsTheMouseFromButtonToButton) {
  TSeSkinSpeedButton* all[] = {open_, left_, centre_, bold_, burn_};
  auto hot = [&] {
    Names names;
    for (auto* b : all)
      if (b->FaceState() == osHot) names.push_back(b->Name());
    return names;
  };
  const struct {
    int x;
    Names hot;
  } path[] = {{300, {}}, {21, {"Open"}}, {41, {}}, {63, {"Left"}}, {101, {"Centre"}}, {203, {"Burn"}}, {300, {}}};
  // The mouse comes in from below the bar (a move to where the mouse
  // already is would tell nothing).
  QTest::mouseMove(form_->windowHandle(), QPoint(7, 229));
  for (const auto& p : path) {
    MoveTo({p.x, 21});
    EXPECT_EQ(hot(), p.hot) << p.x;
  }
  MoveTo({101, 21});
  const TRect face(0, 0, centre_->Width(), centre_->Height());
  EXPECT_EQ(Shown(centre_, 10, 1), Part("SpeedButton", "FlatFace", face, osHot, 10, 1));
  // Off the bar nothing stays hot, and a flat button that is not hot
  // shows the bar behind it.
  QTest::mouseMove(form_->windowHandle(), QPoint(160, 200));
  EXPECT_EQ(hot(), Names{});
  EXPECT_EQ(Shown(centre_, 10, 1), Part("ToolBar", "Frame", Rect(0, 0, bar_->Width(), bar_->Height()), osNormal,
                                        centre_->Left() + 10, centre_->Top() + 1));
}

TEST_F(ToolBarInput, WhatLiesUnderTheMouseFollowsTheBarsShapeAndHiddenButtons) {
  // A hidden button gives its place to the next one.
  left_->SetVisible(false);
  ClickAt({63, 21});
  EXPECT_EQ(TakeClicks(), Names{"Centre"});
  left_->SetVisible(true);
  ClickAt({63, 21});
  EXPECT_EQ(TakeClicks(), Names{"Left"});

  // Upright along the window's left side the buttons stack from the top,
  // each as wide as the bar, and the window's height leaves them be.
  bar_->SetAlign(alLeft);
  bar_->SetWidth(42);
  ASSERT_FALSE(bar_->IsHorizontal());
  form_->SetHeight(form_->Height() + 60);
  QCoreApplication::processEvents();
  const struct {
    int y;
    Names clicked;
  } cases[] = {{21, {"Open"}}, {41, {}}, {63, {"Left"}}, {101, {"Centre"}}, {139, {"Bold"}}, {176, {"Burn"}}};
  for (const auto& c : cases) {
    ClickAt({21, c.y});
    EXPECT_EQ(TakeClicks(), c.clicked) << c.y;
  }
  EXPECT_EQ(burn_->BoundsRect(), Rect(2, 158, 40, 210));
}

TEST_F(ToolBarInput, ADropDownButtonsStripDropsItsMenuBelowItAndTheMouseChooses) {
  auto* menu = Create<TSeSkinPopupMenu>(form_.get());
  menu->SetSkinEngine(engine_.get());
  for (const char* caption : {"Disc", "Image"}) {
    auto* item = new TSeSkinItem(nullptr);
    item->SetCaption(caption);
    item->OnClick = [this, caption](TComponent*) { clicks_.push_back(caption); };
    menu->Items()->Add(item);
  }
  burn_->SetChevronMenu(menu);
  QPoint droppedAt;
  menusteps::Run(
      {[&] { droppedAt = se::InnermostMenu()->Window()->geometry().topLeft(); },
       [] { menusteps::MouseInMenu(QEvent::MouseMove, "Image"); },
       [] { menusteps::MouseInMenu(QEvent::MouseButtonPress, "Image", Qt::LeftButton); }, [] {}},
      [&] { ClickAt({203, 21}); });
  EXPECT_EQ(TakeClicks(), (Names{"Burn+", "Image"}));
  // Under the button, from where its chevron strip begins.
  EXPECT_EQ(droppedAt, burn_->mapToGlobal(QPoint(burn_->Width() - 14 - 1, burn_->Height())));
  EXPECT_EQ(se::InnermostMenu(), nullptr);
  // The face still clicks without the menu.
  ClickAt({176, 21});
  EXPECT_EQ(TakeClicks(), Names{"Burn"});
}
