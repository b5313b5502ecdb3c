// The self-drawn frame on a real form: caption drags move it, border points
// size it the right way with the minimum size kept, a double click on the
// caption maximizes and restores, caption buttons act only on a release
// over them, moves snap to the work area, and the system menu follows the
// state. The same tests run again under Xvfb on the X11 platform.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <chrono>
#include <memory>
#include <vector>

#include "skin/tests/ScreenMouse.h"
#include "platform/core/Clock.h"

#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"
#include "skin/se_form.h"
#include "skin/se_menubar.h"
#include "skin/tests/XvfbChild.h"
#include "skin/se_menus.h"

namespace {

struct FrameRig {
  TForm* form;
  TSeCustomForm* frame;

  FrameRig() {
    form = Create<TForm>(nullptr);
    form->SetBounds(200, 150, 300, 200);
    form->SetCaption("Frame test");
    frame = Create<TSeCustomForm>(form);
    frame->Gravitation()->SetEnabled(false);
    frame->SetMinimizeApplication(false);
    form->Show();
    QCoreApplication::processEvents();
  }
  ~FrameRig() { delete form; }

  ScreenMouse<TForm> mouse{form};
  QPoint Screen(const QPoint& window) const { return mouse.Screen(window); }
  void Send(QEvent::Type type, QPoint global, Qt::MouseButton button, Qt::MouseButtons buttons) {
    mouse.Send(type, global, button, buttons);
  }
  // Press at a window point, move the mouse by `delta` on the screen in
  // two steps, release.
  void Drag(QPoint at, QPoint delta) {
    const QPoint g = Screen(at);
    Send(QEvent::MouseButtonPress, g, Qt::LeftButton, Qt::LeftButton);
    Send(QEvent::MouseMove, g + delta / 2, Qt::NoButton, Qt::LeftButton);
    Send(QEvent::MouseMove, g + delta, Qt::NoButton, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease, g + delta, Qt::LeftButton, Qt::NoButton);
  }
  void Click(QPoint at) {
    const QPoint g = Screen(at);
    Send(QEvent::MouseButtonPress, g, Qt::LeftButton, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease, g, Qt::LeftButton, Qt::NoButton);
  }
  void DoubleClick(QPoint at) { mouse.DoubleClick(at); }
  QPoint Center(unsigned icon) {
    const TRect r = frame->GetBorderIconRect(icon);
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  TRect Bounds() const { return form->BoundsRect(); }
};

}  // namespace

TEST(FormFrame, TakesTheWindowAndKeepsChildrenInTheClientArea) {
  FrameRig rig;
  const TRect c = rig.frame->GetClientArea();
  EXPECT_TRUE(rig.form->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(rig.form->ClientWidth(), c.Width());
  EXPECT_EQ(rig.form->ClientHeight(), c.Height());
  auto* button = Create<TButton>(rig.form);
  button->SetParent(rig.form);
  button->SetBounds(0, 0, 50, 20);
  EXPECT_EQ(button->Left(), 0);
  EXPECT_EQ(button->x(), c.Left);
  EXPECT_EQ(button->y(), c.Top);
}

TEST(FormFrame, ItsMenuBarLinkIsDroppedWhenTheBarGoes) {
  FrameRig rig;
  auto* bar = Create<TSeCustomMenuBar>(rig.form);
  bar->SetParent(rig.form);
  rig.frame->SetMenuBar(bar);
  EXPECT_EQ(rig.frame->MenuBar(), bar);
  // The form still takes new components with the link in place.
  auto* button = Create<TButton>(rig.form);
  button->SetParent(rig.form);
  EXPECT_EQ(button->Owner(), rig.form);
  delete bar;
  EXPECT_EQ(rig.frame->MenuBar(), nullptr);
}

TEST(FormFrame, DraggingTheCaptionMovesTheWindow) {
  FrameRig rig;
  const TRect before = rig.Bounds();
  rig.Drag({150, 12}, {37, 21});
  EXPECT_EQ(rig.Bounds(), Rect(before.Left + 37, before.Top + 21, before.Right + 37, before.Bottom + 21));
  EXPECT_FALSE(rig.frame->DragInProgress());
}

TEST(FormFrame, BorderPointsSizeInTheirDirection) {
  struct Case {
    const char* name;
    QPoint at, delta;
    int dl, dt, dr, db;
  } cases[] = {
      {"left", {1, 100}, {-20, 5}, -20, 0, 0, 0},
      {"right", {298, 100}, {25, 5}, 0, 0, 25, 0},
      {"top", {150, 1}, {5, -15}, 0, -15, 0, 0},
      {"bottom", {150, 198}, {5, 18}, 0, 0, 0, 18},
      {"top-left", {2, 2}, {-10, -12}, -10, -12, 0, 0},
      {"top-right", {297, 2}, {11, -9}, 0, -9, 11, 0},
      {"bottom-left", {2, 197}, {-8, 13}, -8, 0, 0, 13},
      {"bottom-right", {297, 197}, {14, 16}, 0, 0, 14, 16},
  };
  for (const Case& k : cases) {
    FrameRig rig;
    const TRect b = rig.Bounds();
    rig.Drag(k.at, k.delta);
    EXPECT_EQ(rig.Bounds(), Rect(b.Left + k.dl, b.Top + k.dt, b.Right + k.dr, b.Bottom + k.db)) << k.name;
  }
}

TEST(FormFrame, SizingKeepsTheMinimumSize) {
  {
    FrameRig rig;
    const TRect b = rig.Bounds();
    rig.Drag({1, 100}, {250, 0});  // the left edge far past the right one
    EXPECT_EQ(rig.Bounds(), Rect(b.Right - 150, b.Top, b.Right, b.Bottom));
  }
  {
    FrameRig rig;
    const TRect b = rig.Bounds();
    rig.Drag({150, 198}, {0, -190});
    EXPECT_EQ(rig.Bounds(), Rect(b.Left, b.Top, b.Right, b.Top + 40));
  }
  {
    FrameRig rig;
    rig.frame->SetConstraints({200, 120, 0, 0});
    const TRect b = rig.Bounds();
    rig.Drag({298, 100}, {-250, 0});
    EXPECT_EQ(rig.Bounds(), Rect(b.Left, b.Top, b.Left + 200, b.Bottom));
  }
}

TEST(FormFrame, DoubleClickOnTheCaptionMaximizesAndRestores) {
  FrameRig rig;
  const TRect normal = rig.Bounds();
  rig.DoubleClick({150, 12});
  EXPECT_EQ(rig.frame->WindowState(), kwsMaximized);
  EXPECT_EQ(rig.Bounds(), rig.frame->GetMaximizedRect());
  // The maximized window covers the work area of its own screen, its
  // border just outside it.
  const TRect work = rig.frame->GetWorkArea();
  const int f = rig.frame->GetClientArea().Left;
  EXPECT_EQ(rig.Bounds(), Rect(work.Left - f, work.Top - f, work.Right + f, work.Bottom + f));
  rig.DoubleClick({150, 12});
  EXPECT_EQ(rig.frame->WindowState(), kwsNormal);
  EXPECT_EQ(rig.Bounds(), normal);
  // Without a maximize button the double click does nothing.
  rig.frame->SetBorderIcons(kbiClose | kbiSystemMenu);
  rig.DoubleClick({150, 12});
  EXPECT_EQ(rig.frame->WindowState(), kwsNormal);
}

TEST(FormFrame, CaptionButtonsActOnlyOnReleaseOverThem) {
  FrameRig rig;
  // Pressed, moved off, released elsewhere: nothing.
  const QPoint close = rig.Center(kbiClose);
  const QPoint g = rig.Screen(close);
  rig.Send(QEvent::MouseButtonPress, g, Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(rig.frame->PressedPart(), kfpCloseButton);
  rig.Send(QEvent::MouseMove, g - QPoint(80, 0), Qt::NoButton, Qt::LeftButton);
  rig.Send(QEvent::MouseButtonRelease, g - QPoint(80, 0), Qt::LeftButton, Qt::NoButton);
  EXPECT_TRUE(rig.form->isVisible());
  EXPECT_EQ(rig.frame->WindowState(), kwsNormal);
  const TRect normal = rig.Bounds();

  rig.Click(rig.Center(kbiMaximize));
  EXPECT_EQ(rig.frame->WindowState(), kwsMaximized);
  rig.Click(rig.Center(kbiMaximize));  // now the restore button
  EXPECT_EQ(rig.frame->WindowState(), kwsNormal);
  EXPECT_EQ(rig.Bounds(), normal);
  rig.Click(rig.Center(kbiMinimize));
  EXPECT_EQ(rig.frame->WindowState(), kwsMinimized);
  rig.frame->Restore();
  EXPECT_EQ(rig.frame->WindowState(), kwsNormal);
  EXPECT_EQ(rig.Bounds(), normal);
  rig.Click(rig.Center(kbiRollup));
  EXPECT_EQ(rig.frame->WindowState(), kwsRollup);
  EXPECT_EQ(rig.Bounds().Height(), rig.frame->GetRollupRect().Height());
  rig.Click(rig.Center(kbiRollup));
  EXPECT_EQ(rig.Bounds(), normal);
  rig.Click(rig.Center(kbiClose));
  EXPECT_FALSE(rig.form->isVisible());
}

TEST(FormFrame, HandlersMayCancelAnAction) {
  FrameRig rig;
  int asked = 0;
  rig.frame->OnClose = [&](TComponent*, bool& callDefault) {
    ++asked;
    callDefault = false;
  };
  rig.Click(rig.Center(kbiClose));
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(rig.form->isVisible());
}

TEST(FormFrame, MovesSnapToTheWorkAreaWithinTheDistance) {
  FrameRig rig;
  rig.frame->Gravitation()->SetEnabled(true);
  const TRect w = rig.frame->GetWorkArea();
  const TRect at19 = Bounds(w.Left + 19, w.Top + 100, 300, 200);
  EXPECT_EQ(rig.frame->ApplyGravitation(at19), Bounds(w.Left, w.Top + 100, 300, 200));
  const TRect at20 = Bounds(w.Left + 20, w.Top + 100, 300, 200);
  EXPECT_EQ(rig.frame->ApplyGravitation(at20), at20);
  // The frame snaps, not its shadow band.
  rig.frame->Shadow()->SetEnabled(true);
  const TRect nearRight = Bounds(w.Right - 300 + 4 - 5, w.Top + 100, 300, 200);
  EXPECT_EQ(rig.frame->ApplyGravitation(nearRight).Right, w.Right + 4);
}

TEST(FormFrame, SystemMenuFollowsTheState) {
  FrameRig rig;
  auto captions = [&] {
    rig.frame->BuildSystemMenu();
    QStringList list;
    for (int i = 0; i < rig.frame->SystemMenu()->Count(); ++i) list << rig.frame->SystemMenu()->Items(i)->Caption();
    return list.join("|");
  };
  EXPECT_EQ(captions(), "Mi&nimize|Ma&ximize|Ro&llup|Minimize to &Tray|-|&Close");
  rig.frame->Maximize();
  EXPECT_EQ(captions(), "&Restore|Mi&nimize|Ro&llup|Minimize to &Tray|-|&Close");
  // Choosing an item acts on the frame.
  rig.frame->BuildSystemMenu();
  rig.frame->SystemMenuClick(rig.frame->SystemMenu()->Items(0));
  EXPECT_EQ(rig.frame->WindowState(), kwsNormal);
}

TEST(FormFrame, ShadowBandFadesOutward) {
  FrameRig rig;
  rig.frame->Shadow()->SetEnabled(true);
  EXPECT_EQ(rig.frame->FrameWidth(), rig.form->width() - 4);
  if (rig.frame->Composited()) GTEST_SKIP() << "a compositor draws the band";
  const QImage image = rig.form->grab().toImage();
  // Over a black snapshot the band's grey shows its alpha: 63 * a / 255.
  const int y = 100;
  const int x0 = rig.frame->FrameWidth();
  int last = 256;
  for (int i = 0; i < 4; ++i) {
    const int g = qGreen(image.pixel(x0 + i, y));
    EXPECT_LT(g, last) << i;
    last = g;
  }
}

// The child half of the next test; does nothing in a normal run.
TEST(FormFrameXvfb, Child) {
  if (!qEnvironmentVariableIsSet("BURNER_FRAME_CHILD")) GTEST_SKIP() << "runs only under SameUnderXvfb";
  EXPECT_EQ(QGuiApplication::platformName(), "xcb");
}

TEST(FormFrameXvfb, SameUnderXvfb) {
  if (qEnvironmentVariableIsSet("BURNER_FRAME_CHILD")) GTEST_SKIP();
  const XvfbChild child =
      RunUnderXvfb("FormFrame.*:FormFrameXvfb.Child:MenuLoop.*", {{"BURNER_FRAME_CHILD", "1"}}, 180000);
  if (!child.ran) GTEST_SKIP() << "xvfb-run is not installed: the X11 run did not happen";
  EXPECT_EQ(child.exit_code, 0) << child.log.toStdString();
  EXPECT_TRUE(child.log.contains("[  PASSED  ]")) << child.log.toStdString();
}

TEST(FormFrame, ShowEffectEndsOnTheFormsOwnPicture) {
  FakeClock clock;
  ScopedClock useClock(clock);
  for (int effect = 1; effect <= 14; ++effect) {
    TForm* form = Create<TForm>(nullptr);
    form->SetBounds(120, 100, 200, 120);
    auto* frame = Create<TSeCustomForm>(form);
    frame->Animation()->SetEnabled(true);
    frame->Animation()->SetEffect(static_cast<TkeEffect>(effect));
    frame->Animation()->SetTime(200);
    std::vector<int> steps;
    frame->OnAnimationStep = [&](TComponent*, int step) {
      steps.push_back(step);
      clock.Advance(std::chrono::milliseconds(50));
    };
    form->Show();
    QCoreApplication::processEvents();
    // 0, 50, 100 and 150 ms: four frames in the 200 ms.
    EXPECT_EQ(steps.size(), 4u) << effect;
    const QImage after = form->grab().toImage();
    frame->Animation()->SetEnabled(false);
    form->repaint();
    EXPECT_EQ(after, form->grab().toImage()) << effect;
    delete form;
  }
}
