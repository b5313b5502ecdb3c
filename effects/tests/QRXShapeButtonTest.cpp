// The shape button and the graphic-button state machine under it, driven
// by real mouse and key events on shown widgets: pressing, dragging off and
// back, releasing outside, the shape's hit test, groups, repeated clicks on
// a fake clock, the accelerator and the drop-down menu; and the pixels of
// the start page's button in its up and down looks.

#include <gtest/gtest.h>

#include <QMenu>
#include <QTest>

#include "effects/QRXClass.h"
#include "effects/QRXShapeButton.h"
#include "effects/QRXTimer.h"
#include "platform/core/Clock.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"

namespace {

QImage Grab(TControl& control) { return control.grab().toImage().convertToFormat(QImage::Format_RGB32); }

int Differing(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return -1;
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) n += (a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF);
  return n;
}

// Counts the paints a widget receives.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
  int count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++count;
    return false;
  }
};

// A start-page button (190 x 53, round rectangle, shadow depth 3, no bevel
// line) on a shown form, with colours that tell the states apart.
struct StartButton {
  std::unique_ptr<TForm> form = CreateUnique<TForm>();
  TQRXShapeButton* button = nullptr;
  int clicks = 0;

  explicit StartButton(bool distinctColours = true) {
    form->SetBounds(0, 0, 300, 200);
    button = Create<TQRXShapeButton>(form.get());
    button->SetParent(form.get());
    button->SetBounds(40, 40, 190, 53);
    button->Shape().SetShape(TQRXShapeType::stRoundRect);
    button->Shape().Shadow().SetDepth(3);
    button->Shape().Bevel().SetWidth(0);
    button->Shape().Bevel().SetColor(33023);
    button->SetColor(clWhite);
    if (distinctColours) {
      button->Shape().Shadow().SetColor(clGreen);
      button->Colors().SetUp(clRed);
      button->Colors().SetMouseOver(clRed);
      button->Colors().SetDown(clBlue);
      button->Colors().SetDisabled(clGray);
    }
    button->OnClick = [this](TControl*) { ++clicks; };
    form->Show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }
  void Press(QPoint p) { QTest::mousePress(button, Qt::LeftButton, {}, p); }
  void Move(QPoint p) { QTest::mouseMove(button, p); }
  void Release(QPoint p) { QTest::mouseRelease(button, Qt::LeftButton, {}, p); }
  int State() const { return button->ButtonState(); }
};

// The expected look drawn straight from the measurements, with the
// canvas's own round rectangle.
QImage Expected(bool down, TColor face) {
  TBitmap b;
  b.SetSize(190, 53);
  TCanvas& c = b.Canvas();
  c.Brush().SetColor(clWhite);
  c.FillRect(Rect(0, 0, 190, 53));
  c.Pen().SetStyle(psClear);
  if (!down) {
    c.Brush().SetColor(clGreen);
    c.RoundRect(3, 3, 190, 53, 16, 16);
    c.Brush().SetColor(face);
    c.RoundRect(0, 0, 187, 50, 16, 16);
  } else {
    c.Brush().SetColor(face);
    c.RoundRect(3, 3, 190, 53, 19, 19);
  }
  return b.ToQImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace

TEST(QRXShapeButton, StartPageButtonUpAndHeldDown) {
  StartButton f;
  EXPECT_EQ(Differing(Grab(*f.button), Expected(false, clRed)), 0);
  EXPECT_EQ(f.button->ContentRect(), Rect(1, 1, 186, 49));

  f.Press(QPoint(93, 25));
  ASSERT_EQ(f.State(), 4);
  EXPECT_EQ(Differing(Grab(*f.button), Expected(true, clBlue)), 0);
  EXPECT_EQ(f.button->ContentRect(), Rect(4, 4, 189, 52));
  f.Release(QPoint(93, 25));
  EXPECT_EQ(f.clicks, 1);
  EXPECT_EQ(Differing(Grab(*f.button), Expected(false, clRed)), 0);

  f.button->SetEnabled(false);
  EXPECT_EQ(f.State(), 1);
  EXPECT_EQ(Differing(Grab(*f.button), Expected(false, clGray)), 0);
}

TEST(QRXShapeButton, HitTestFollowsTheFaceNotTheShadow) {
  StartButton f;
  const struct {
    QPoint p;
    bool inside;
  } cases[] = {{{93, 0}, true},   {{186, 25}, true},  {{0, 0}, false}, {{187, 25}, false},
               {{188, 51}, false}, {{5, 5}, true},    {{1, 1}, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(f.button->PointInButton(c.p.x(), c.p.y()), c.inside) << c.p.x() << "," << c.p.y();
    if (c.p.isNull()) continue;  // QTest reads (0, 0) as the widget's centre
    // A press there presses the button only inside the face.
    f.Press(c.p);
    EXPECT_EQ(f.State(), c.inside ? 4 : 0) << c.p.x() << "," << c.p.y();
    f.Release(c.p);
    EXPECT_EQ(f.State(), c.inside ? 2 : 0);
    f.button->SetButtonState(0);
  }
  EXPECT_EQ(f.clicks, 3);
}

TEST(QRXShapeButton, DragOffAndBackAndReleaseOutside) {
  StartButton f;
  f.Press(QPoint(50, 20));
  EXPECT_EQ(f.State(), 4);
  f.Move(QPoint(250, 20));  // off the button
  EXPECT_EQ(f.State(), 0);
  f.Move(QPoint(60, 20));  // back on it
  EXPECT_EQ(f.State(), 4);
  f.Move(QPoint(188, 51));  // the shadow strip is not the button
  EXPECT_EQ(f.State(), 0);
  f.Release(QPoint(188, 51));
  EXPECT_EQ(f.State(), 0);
  EXPECT_EQ(f.clicks, 0);

  // Released over the transparent corner: no click, not left looking down.
  f.Press(QPoint(50, 20));
  f.Release(QPoint(1, 1));
  EXPECT_EQ(f.State(), 0);
  EXPECT_EQ(f.clicks, 0);

  // The right button does nothing.
  QTest::mousePress(f.button, Qt::RightButton, {}, QPoint(50, 20));
  EXPECT_NE(f.State(), 4);
  QTest::mouseRelease(f.button, Qt::RightButton, {}, QPoint(50, 20));
  EXPECT_EQ(f.clicks, 0);
}

TEST(QRXShapeButton, HoverRepaintsOnlyWhenTheHoverColourDiffers) {
  StartButton f(false);  // every state colour clBtnFace, as on the start page
  f.Move(QPoint(1, 2));
  PaintCounter paints(f.button);
  QCoreApplication::processEvents();
  paints.count = 0;
  f.Move(QPoint(90, 20));
  QCoreApplication::processEvents();
  EXPECT_EQ(f.State(), 2);
  EXPECT_TRUE(f.button->MouseOver());
  f.Move(QPoint(1, 1));  // the corner: off the shape
  QCoreApplication::processEvents();
  EXPECT_EQ(f.State(), 0);
  EXPECT_EQ(paints.count, 0);

  // Pressing and releasing does repaint.
  f.Press(QPoint(90, 20));
  f.Release(QPoint(90, 20));
  QCoreApplication::processEvents();
  EXPECT_GE(paints.count, 2);

  f.button->SetButtonState(0);
  f.button->Colors().SetMouseOver(clYellow);
  QCoreApplication::processEvents();
  paints.count = 0;
  f.Move(QPoint(90, 20));
  QCoreApplication::processEvents();
  EXPECT_EQ(paints.count, 1);
  EXPECT_EQ(QColor(Grab(*f.button).pixel(90, 20)), QColor(Qt::yellow));
}

TEST(QRXShapeButton, MouseOverPollLeavesWhenTheCursorIsGone) {
  StartButton f;
  f.Move(QPoint(60, 30));
  f.Move(QPoint(90, 20));
  ASSERT_EQ(f.State(), 2);
  EXPECT_NE(f.button->ButtonTimer(0), 0);
  // The cursor leaves without a move event reaching the button.
  QCursor::setPos(f.button->mapToGlobal(QPoint(250, 150)));
  f.button->CheckMouseOver();
  EXPECT_EQ(f.State(), 0);
  EXPECT_EQ(f.button->ButtonTimer(0), 0);
}

TEST(QRXShapeButton, GroupedButtonsReleaseEachOther) {
  StartButton f;
  auto* second = Create<TQRXShapeButton>(f.form.get());
  second->SetParent(f.form.get());
  second->SetBounds(40, 120, 190, 53);
  second->Shape().SetShape(TQRXShapeType::stRoundRect);
  int secondClicks = 0;
  second->OnClick = [&](TControl*) { ++secondClicks; };

  f.button->SetPressed(true);
  EXPECT_FALSE(f.button->Pressed());  // GroupIndex 0 cannot latch

  f.button->SetGroupIndex(1);
  second->SetGroupIndex(1);
  f.Press(QPoint(50, 20));
  f.Release(QPoint(50, 20));
  EXPECT_TRUE(f.button->Pressed());
  EXPECT_EQ(f.State(), 3);
  EXPECT_EQ(f.clicks, 1);

  QTest::mouseClick(second, Qt::LeftButton, {}, QPoint(50, 20));
  EXPECT_TRUE(second->Pressed());
  EXPECT_FALSE(f.button->Pressed());
  EXPECT_EQ(f.State(), 0);
  EXPECT_EQ(secondClicks, 1);

  // Without AllowAllUp a down button cannot be clicked up.
  QTest::mouseClick(second, Qt::LeftButton, {}, QPoint(50, 20));
  EXPECT_TRUE(second->Pressed());
  EXPECT_EQ(secondClicks, 1);
  second->SetPressed(false);
  EXPECT_TRUE(second->Pressed());

  // With it, a second click releases, and the group shares the setting.
  second->SetAllowAllUp(true);
  EXPECT_TRUE(f.button->AllowAllUp());
  QTest::mouseClick(second, Qt::LeftButton, {}, QPoint(50, 20));
  EXPECT_FALSE(second->Pressed());
  EXPECT_EQ(second->ButtonState(), 0);
  EXPECT_EQ(secondClicks, 2);
}

TEST(QRXShapeButton, RepeatedClicksFollowTheClockWhileHeldOver) {
  FakeClock clock;
  ScopedClock use(clock);
  StartButton f;
  f.button->SetRepeatedClick(true);
  TQRXTimerPool& pool = QRXApplication().TimerPool();
  const auto wait = [&](int ms) {
    for (int t = 0; t < ms; t += 50) {
      clock.Advance(std::chrono::milliseconds(50));
      pool.Tick();
    }
  };
  f.Press(QPoint(50, 20));
  EXPECT_EQ(f.clicks, 1);  // at once
  wait(450);
  EXPECT_EQ(f.clicks, 1);
  wait(50);
  EXPECT_EQ(f.clicks, 2);  // after the delay
  wait(300);
  EXPECT_EQ(f.clicks, 5);  // then every interval

  f.Move(QPoint(250, 20));  // off the button: paused
  wait(300);
  EXPECT_EQ(f.clicks, 5);
  f.Move(QPoint(50, 20));
  wait(100);
  EXPECT_EQ(f.clicks, 6);

  f.Release(QPoint(50, 20));  // no extra click on release
  EXPECT_EQ(f.clicks, 6);
  EXPECT_EQ(f.button->ButtonTimer(1), 0);
  wait(500);
  EXPECT_EQ(f.clicks, 6);
}

TEST(QRXShapeButton, TimersPerIndexAndWhenThePoolIsFull) {
  StartButton f;
  f.button->AllocButtonTimer(2, 100, [] {});
  EXPECT_EQ(f.button->ButtonTimer(2), 0);

  std::vector<std::uint16_t> taken;
  for (std::uint16_t id; (id = QRXApplication().AllocTimer(100, nullptr)) != 0;) taken.push_back(id);
  EXPECT_THROW(f.button->AllocButtonTimer(0, 100, [] {}), EOutOfResources);
  EXPECT_EQ(f.button->ButtonTimer(0), 0);
  for (std::uint16_t id : taken) QRXApplication().ReleaseTimer(id);

  f.button->AllocButtonTimer(0, 100, [] {});
  const std::uint16_t id = f.button->ButtonTimer(0);
  EXPECT_NE(id, 0);
  f.button->AllocButtonTimer(0, 100, [] {});  // in use: unchanged
  EXPECT_EQ(f.button->ButtonTimer(0), id);
  f.button->ReleaseButtonTimer(0);
  EXPECT_EQ(QRXApplication().GetTimerItem(id), nullptr);
}

TEST(QRXShapeButton, AcceleratorClicksOnce) {
  StartButton f;
  f.button->SetCaption("&Burn");
  QTest::keyClick(f.form.get(), Qt::Key_B, Qt::AltModifier);
  EXPECT_EQ(f.clicks, 1);
  QTest::keyClick(f.form.get(), Qt::Key_X, Qt::AltModifier);
  EXPECT_EQ(f.clicks, 1);
  f.button->SetEnabled(false);
  QTest::keyClick(f.form.get(), Qt::Key_B, Qt::AltModifier);
  EXPECT_EQ(f.clicks, 1);

  // A grouped button latches by its accelerator, and without AllowAllUp
  // the accelerator cannot release it again.
  f.button->SetEnabled(true);
  f.button->SetGroupIndex(3);
  QTest::keyClick(f.form.get(), Qt::Key_B, Qt::AltModifier);
  EXPECT_TRUE(f.button->Pressed());
  EXPECT_EQ(f.State(), 3);
  EXPECT_EQ(f.clicks, 2);
  QTest::keyClick(f.form.get(), Qt::Key_B, Qt::AltModifier);
  EXPECT_TRUE(f.button->Pressed());
  EXPECT_EQ(f.clicks, 2);
}

TEST(QRXShapeButton, FocusedButtonTakesSpaceAndEnter) {
  StartButton f;
  f.form->activateWindow();
  f.button->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return f.button->hasFocus(); }));
  // Nothing takes the focus by itself: the button is windowless.
  EXPECT_EQ(f.button->focusPolicy(), Qt::NoFocus);

  // Space looks pressed while held and clicks on release.
  QTest::keyPress(f.button, Qt::Key_Space);
  EXPECT_EQ(f.State(), 4);
  EXPECT_EQ(f.clicks, 0);
  QTest::keyRelease(f.button, Qt::Key_Space);
  EXPECT_EQ(f.State(), 0);
  EXPECT_EQ(f.clicks, 1);

  const struct {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int clicks;
  } cases[] = {
      {Qt::Key_Return, Qt::NoModifier, 1},
      {Qt::Key_Enter, Qt::KeypadModifier, 1},
      {Qt::Key_Space, Qt::NoModifier, 1},
      {Qt::Key_Space, Qt::ControlModifier, 0},
      {Qt::Key_X, Qt::NoModifier, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    const int before = f.clicks;
    QTest::keyClick(f.button, c.key, c.modifiers);
    EXPECT_EQ(f.clicks - before, c.clicks);
    EXPECT_EQ(f.State(), 0);
  }

  // Held Space let go after the focus went elsewhere: up again, no click.
  QTest::keyPress(f.button, Qt::Key_Space);
  f.button->clearFocus();
  EXPECT_EQ(f.State(), 0);
  QTest::keyRelease(f.form.get(), Qt::Key_Space);
  EXPECT_EQ(f.clicks, 4);

  // A grouped button latches on Space as on its accelerator.
  f.button->setFocus();
  f.button->SetGroupIndex(5);
  QTest::keyClick(f.button, Qt::Key_Space);
  EXPECT_TRUE(f.button->Pressed());
  EXPECT_EQ(f.clicks, 5);
}

TEST(QRXShapeButton, DoubleClickCountsOnlyOnALatchedButton) {
  StartButton f;
  int doubles = 0;
  f.button->OnDblClick = [&](TControl*) { ++doubles; };
  QTest::mouseDClick(f.button, Qt::LeftButton, {}, QPoint(50, 20));
  EXPECT_EQ(doubles, 0);
  f.button->SetGroupIndex(1);
  f.button->SetPressed(true);
  QTest::mouseDClick(f.button, Qt::LeftButton, {}, QPoint(50, 20));
  EXPECT_EQ(doubles, 1);
  EXPECT_TRUE(f.button->Pressed());
}

TEST(QRXShapeButton, DropDownMenuOpensInsteadOfClicking) {
  StartButton f;
  auto* menu = Create<TPopupMenu>(f.form.get());
  menu->Items()->Add(NewItem(menu, "One"));
  f.button->SetDropDownMenu(menu);
  int dropped = 0;
  f.button->OnDropDown = [&](TControl*) { ++dropped; };
  f.Press(QPoint(50, 20));
  EXPECT_EQ(dropped, 1);
  EXPECT_EQ(f.State(), 6);
  ASSERT_NE(menu->Shown(), nullptr);
  f.Release(QPoint(50, 20));
  EXPECT_EQ(f.clicks, 0);
  menu->Shown()->close();
  QCoreApplication::processEvents();
  EXPECT_EQ(f.State(), 2);
  EXPECT_EQ(f.clicks, 0);

  // Freeing the menu clears the reference.
  delete menu;
  EXPECT_EQ(f.button->DropDownMenu(), nullptr);
}

TEST(QRXShapeButton, ThreeDStyleHasNoShadowAndSinksByTwo) {
  StartButton f;
  f.button->SetStyle(TQRXShapeButtonStyle::sbs3D);
  f.button->Shape().SetShape(TQRXShapeType::stRectangle);
  f.button->Shape().Bevel().SetWidth(2);
  f.button->Shape().Bevel().SetLightColor(clWhite);
  f.button->Shape().Bevel().SetShadowColor(clBlack);
  // The whole face is the button.
  EXPECT_TRUE(f.button->PointInButton(188, 51));
  EXPECT_TRUE(f.button->PointInButton(0, 0));
  QImage up = Grab(*f.button);
  EXPECT_EQ(QColor(up.pixel(0, 0)), QColor(Qt::white));  // raised: light top-left
  EXPECT_EQ(QColor(up.pixel(189, 52)), QColor(Qt::black));
  EXPECT_EQ(QColor(up.pixel(95, 26)), QColor(Qt::red));

  f.Press(QPoint(95, 26));
  QImage down = Grab(*f.button);
  EXPECT_EQ(QColor(down.pixel(0, 0)), QColor(Qt::black));  // sunken
  EXPECT_EQ(QColor(down.pixel(189, 52)), QColor(Qt::white));
  EXPECT_EQ(QColor(down.pixel(95, 26)), QColor(Qt::blue));
  const int bw = 2, d = 3;
  EXPECT_EQ(f.button->ContentRect(), Rect(bw + 1 + 2, bw + 1 + 2, 190 - 2 * bw - d - 1 + 2, 53 - 2 * bw - d - 1 + 2));
  f.Release(QPoint(95, 26));
}

TEST(QRXShapeButton, OutlineFollowsSizeAndFillPictureFollowsMode) {
  StartButton f;
  EXPECT_EQ(f.button->Outline().Point(1), (TPoint{190, 53}));
  f.button->SetBounds(40, 40, 120, 40);
  EXPECT_EQ(f.button->Outline().Point(1), (TPoint{120, 40}));
  EXPECT_TRUE(f.button->FillCache().Empty());

  f.button->SetColor(clSilver);
  f.button->ShapeFill().SetStyle(TQRXFillStyle::sfGradient);
  f.button->ShapeFill().Gradient().SetColor(clBlack);
  f.button->ShapeFill().Gradient().SetEndColor(clWhite);
  f.button->SetMode(TQRXShapeButtonMode::sbmShapeFill);
  EXPECT_EQ(f.button->FillCache().Width(), 120);
  EXPECT_EQ(f.button->FillCache().Height(), 40);
  // The gradient shows on the face, darker at the top than at the bottom.
  const QImage shot = Grab(*f.button);
  EXPECT_LT(qGray(shot.pixel(50, 4)), qGray(shot.pixel(50, 32)));
  EXPECT_EQ(shot.pixel(118, 2) & 0xFFFFFF, 0xC0C0C0u);  // Color outside the shape
  EXPECT_EQ(QColor(shot.pixel(60, 38)), QColor(Qt::darkGreen));  // the shadow

  f.button->SetMode(TQRXShapeButtonMode::sbmShapeFast);
  EXPECT_TRUE(f.button->FillCache().Empty());

  f.button->SetShapeFillImageIndex(5);
  EXPECT_EQ(f.button->ShapeFillImageIndex(), 5);  // no list: stored only
  f.button->SetShapeFillImageIndex(-1);
  EXPECT_EQ(f.button->ShapeFillImageIndex(), 5);
}

TEST(QRXShapeButton, GlyphIsDrawnMaskedInTheContentRectangle) {
  StartButton f;
  TBitmap glyph;
  glyph.SetSize(188, 50);
  glyph.Canvas().Brush().SetColor(clFuchsia);  // the bottom-left colour: transparent
  glyph.Canvas().FillRect(Rect(0, 0, 188, 50));
  glyph.Canvas().Brush().SetColor(clNavy);
  glyph.Canvas().FillRect(Rect(80, 10, 100, 30));
  f.button->SetGlyph(&glyph);
  EXPECT_EQ(f.button->NumGlyphs(), 1);
  // Centred in (1, 1, 186, 49), the picture lands where it would at (0, 0).
  QImage up = Grab(*f.button);
  EXPECT_EQ(QColor(up.pixel(80, 10)), QColor(Qt::darkBlue));
  EXPECT_EQ(QColor(up.pixel(99, 29)), QColor(Qt::darkBlue));
  EXPECT_EQ(QColor(up.pixel(79, 10)), QColor(Qt::red));
  EXPECT_EQ(QColor(up.pixel(100, 29)), QColor(Qt::red));
  EXPECT_EQ(QColor(up.pixel(40, 25)), QColor(Qt::red));  // transparent part shows the face

  f.Press(QPoint(93, 25));
  QImage down = Grab(*f.button);
  EXPECT_EQ(QColor(down.pixel(80 + 3, 10 + 3)), QColor(Qt::darkBlue));
  EXPECT_EQ(QColor(down.pixel(79 + 3, 10 + 3)), QColor(Qt::blue));
  EXPECT_EQ(QColor(down.pixel(40, 25)), QColor(Qt::blue));
  f.Release(QPoint(93, 25));
}
