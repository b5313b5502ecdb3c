// The tray icon: its life in the tray service, the mouse messages turned
// into events, the owner form hidden instead of minimised or closed, and
// the animation through an image list; with the fake service and with the
// real one (the stand-in window where the desktop has no tray).

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QTest>
#include <string>
#include <vector>

#include "effects/QRXClass.h"
#include "effects/QRXImgList.h"
#include "effects/QRXTrayIcon.h"
#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/gui/Tray.h"

namespace {

struct TrayRig {
  FakeTrayFactory factory;
  ScopedService<TrayFactory> scoped{factory};
  std::unique_ptr<TForm> form = std::make_unique<TForm>();
  TQRXTrayIcon* tray = Create<TQRXTrayIcon>(form.get());
  FakeTrayIcon& icon() { return *factory.made.at(0); }
  std::vector<std::string> log;

  TrayRig() {
    tray->OnClick = [this](TComponent*) { log.push_back("click"); };
    tray->OnDblClick = [this](TComponent*) { log.push_back("dblclick"); };
    tray->OnPopUp = [this](TComponent*) { log.push_back("popup"); };
    tray->OnMouseDown = [this](TComponent*, TMouseButton b, TShiftState s, int x, int y) {
      log.push_back("down" + std::to_string(b) + (s & ssDouble ? "d" : "") + "@" + std::to_string(x) + "," +
                    std::to_string(y));
    };
    tray->OnMouseUp = [this](TComponent*, TMouseButton b, TShiftState, int, int) {
      log.push_back("up" + std::to_string(b));
    };
  }
  ~TrayRig() { form.reset(); }
  void Activate() {
    tray->SetActive(false);
    tray->SetActive(true);
  }
};

TEST(QRXTrayIcon, ShowsOnlyOnceActivatedAndTheTipIsCutTo63Characters) {
  TrayRig rig;
  ASSERT_EQ(rig.factory.made.size(), 1u);
  EXPECT_TRUE(rig.tray->Active());
  EXPECT_FALSE(rig.icon().Visible());
  EXPECT_FALSE(rig.tray->Hooked());

  // Set while inactive: nothing is sent, the next add carries it.
  rig.tray->SetActive(false);
  const QString hint(100, 'h');
  rig.tray->SetHint(hint);
  EXPECT_EQ(rig.icon().Hint(), "");
  rig.tray->SetActive(true);
  EXPECT_TRUE(rig.icon().Visible());
  EXPECT_EQ(rig.icon().Hint(), hint.left(63));
  EXPECT_TRUE(rig.tray->Hooked());
  EXPECT_FALSE(Application().ShowMainForm());

  rig.tray->SetHint("3 Backup Tasks");
  EXPECT_EQ(rig.icon().Hint(), "3 Backup Tasks");

  rig.tray->SetActive(false);
  EXPECT_FALSE(rig.icon().Visible());
  EXPECT_FALSE(rig.tray->Hooked());
  EXPECT_TRUE(Application().ShowMainForm());
}

TEST(QRXTrayIcon, ClicksBecomeThePressAndReleaseEvents) {
  struct Case {
    TrayEvent event;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {TrayEvent::Click, {"down0@5,7", "click", "up0"}},
      {TrayEvent::DoubleClick, {"dblclick", "down0d@5,7", "click", "up0"}},
      {TrayEvent::RightClick, {"down1@5,7", "click", "up1"}},
      {TrayEvent::MiddleClick, {"down2@5,7", "click", "up2"}},
  };
  for (const Case& c : cases) {
    TrayRig rig;
    rig.Activate();
    rig.icon().Fire(c.event, QPoint(5, 7));
    EXPECT_EQ(rig.log, c.expected) << int(c.event);
  }
}

TEST(QRXTrayIcon, RightButtonOpensThePopupMenuAtTheCursorAfterOnPopUp) {
  TrayRig rig;
  rig.Activate();
  TPopupMenu* menu = Create<TPopupMenu>(rig.form.get());
  NewItem(menu, "Exit");
  menu->Items()->Add(static_cast<TMenuItem*>(menu->Components(0)));
  rig.tray->SetPopupMenu(menu);
  rig.tray->TrayMessage(TQRXTrayIcon::kRButtonDown, TPoint{40, 50});
  EXPECT_EQ(rig.log, (std::vector<std::string>{"down1@40,50", "popup"}));
  ASSERT_NE(menu->Shown(), nullptr);
  EXPECT_EQ(menu->PopupComponent(), rig.tray);
  menu->Shown()->close();

  // The menu's going clears the reference.
  delete menu;
  EXPECT_EQ(rig.tray->PopupMenu(), nullptr);
  rig.log.clear();
  rig.tray->TrayMessage(TQRXTrayIcon::kRButtonDown, TPoint{1, 2});
  EXPECT_EQ(rig.log, (std::vector<std::string>{"down1@1,2"}));
}

TEST(QRXTrayIcon, SystemCloseHidesTheFormOnlyWithNoCloseWhileActive) {
  for (const bool noClose : {false, true}) {
    TrayRig rig;
    rig.tray->SetNoClose(noClose);
    rig.Activate();
    rig.form->Show();
    bool closeRan = false;
    rig.form->OnClose = [&](TControl*, TCloseAction&) { closeRan = true; };
    QCloseEvent close;
    QApplication::sendEvent(rig.form.get(), &close);
    QApplication::processEvents();
    // Without NoClose the form's own close protocol runs (it hides a form
    // that is not the main one); with it the form never hears of it.
    EXPECT_EQ(rig.form->Visible(), false) << noClose;
    EXPECT_EQ(closeRan, !noClose);
  }
}

TEST(QRXTrayIcon, MinimisingHidesTheFormUnlessTheTaskBarButtonIsKept) {
  for (const bool keep : {false, true}) {
    TrayRig rig;
    rig.tray->SetShowMinimizedIcon(keep);
    rig.Activate();
    rig.form->Show();
    rig.form->showMinimized();
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(rig.form->Visible(), keep) << keep;
  }
}

TEST(QRXTrayIcon, PoolIntervalIsRoundedUpToTheTick) {
  struct Case {
    std::uint16_t interval, expected;
  };
  for (const Case c : {Case{120, 150}, Case{200, 200}, Case{1, 50}, Case{65535, 65500}}) {
    TrayRig rig;
    rig.tray->SetInterval(c.interval);
    rig.tray->SetAnimated(true);
    EXPECT_EQ(rig.tray->Interval(), c.expected) << c.interval;
    ASSERT_NE(rig.tray->PoolTimer(), 0);
    TQRXTimerItem* item = QRXApplication().GetTimerItem(rig.tray->PoolTimer());
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->Enabled());
    EXPECT_EQ(item->Interval(), c.expected);
    const std::uint16_t ident = rig.tray->PoolTimer();
    rig.tray->SetAnimated(false);
    EXPECT_EQ(QRXApplication().GetTimerItem(ident), nullptr);
  }
}

// A list of frames of distinct solid colours.
void AddFrames(TQRXImageList& list, const std::vector<TColor>& colours) {
  auto* item = static_cast<TQRXImageListItem*>(list.Items(list.Add()));
  for (TColor colour : colours) {
    TBitmap frame;
    frame.SetSize(16, 16);
    frame.Canvas().Brush().SetColor(colour);
    frame.Canvas().FillRect(Rect(0, 0, 16, 16));
    item->Add(&frame);
  }
}

QRgb Shown(FakeTrayIcon& icon) { return icon.icon.pixmap(16, 16).toImage().pixel(8, 8) & 0xFFFFFF; }

TEST(QRXTrayIcon, AnimationCyclesThroughTheImagesInOrder) {
  TrayRig rig;
  TQRXImageList* list = Create<TQRXImageList>(rig.form.get());
  AddFrames(*list, {clRed, clLime, clBlue});
  rig.tray->SetImageList(list);
  rig.Activate();
  std::vector<QRgb> shown;
  for (int i = 0; i < 5; ++i) {
    rig.tray->NextFrame();
    shown.push_back(Shown(rig.icon()));
  }
  EXPECT_EQ(shown, (std::vector<QRgb>{0xFF0000, 0x00FF00, 0x0000FF, 0xFF0000, 0x00FF00}));

  // One image: that image every time. The list's going leaves no reference.
  TQRXImageList* single = Create<TQRXImageList>(rig.form.get());
  AddFrames(*single, {clYellow});
  rig.tray->SetImageList(single);
  rig.tray->NextFrame();
  rig.tray->NextFrame();
  EXPECT_EQ(Shown(rig.icon()), 0xFFFF00u);
  delete single;
  EXPECT_EQ(rig.tray->ImageList(), nullptr);
  rig.tray->NextFrame();
}

TEST(QRXTrayIcon, PoolTimerDrivesTheAnimationAndOwnTimersReplaceIt) {
  TrayRig rig;
  TQRXImageList* list = Create<TQRXImageList>(rig.form.get());
  AddFrames(*list, {clRed, clLime});
  rig.tray->SetImageList(list);
  rig.tray->SetInterval(50);
  rig.tray->SetAnimated(true);
  rig.Activate();
  TQRXTimerPool& pool = QRXApplication().TimerPool();
  pool.Tick();
  EXPECT_EQ(Shown(rig.icon()), 0xFF0000u);
  EXPECT_EQ(rig.tray->FrameCounter(), 1);

  rig.tray->SetTimerMode(tmHiTimer);
  EXPECT_EQ(rig.tray->PoolTimer(), 0);
  ASSERT_NE(rig.tray->HiTimer(), nullptr);
  EXPECT_FALSE(rig.tray->HiTimer()->UseThread());
  // The new timer starts disabled until the animation is enabled again.
  EXPECT_FALSE(rig.tray->HiTimer()->Enabled());
  rig.tray->SetAnimated(false);
  EXPECT_EQ(rig.tray->HiTimer(), nullptr);
  rig.tray->SetTimerMode(tmThreaded);
  rig.tray->SetAnimated(true);
  ASSERT_NE(rig.tray->HiTimer(), nullptr);
  EXPECT_TRUE(rig.tray->HiTimer()->UseThread());
  EXPECT_TRUE(rig.tray->HiTimer()->Enabled());
  const int before = rig.tray->FrameCounter();
  EXPECT_TRUE(QTest::qWaitFor([&] { return rig.tray->FrameCounter() != before; }, 5000));
}

TEST(QRXTrayIcon, RealServiceShowsTheIconAndAnswersClicks) {
  // No fake: the offscreen platform has no tray, so the stand-in shows.
  TForm form;
  TQRXTrayIcon* tray = Create<TQRXTrayIcon>(&form);
  int clicks = 0;
  tray->OnDblClick = [&](TComponent*) { ++clicks; };
  TIcon icon;
  QImage picture(16, 16, QImage::Format_ARGB32);
  picture.fill(Qt::red);
  icon.SetImage(picture);
  tray->SetIcon(icon);
  tray->SetHint("2 Backup Tasks");
  tray->SetActive(false);
  tray->SetActive(true);
  ASSERT_NE(tray->Tray(), nullptr);
  EXPECT_TRUE(tray->Tray()->Visible());
  EXPECT_EQ(tray->Tray()->Hint(), "2 Backup Tasks");
  QWidget* window = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->windowTitle() == "2 Backup Tasks") window = w;
  ASSERT_NE(window, nullptr);
  QTest::mouseDClick(window, Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_EQ(clicks, 1);
  tray->SetActive(false);
  EXPECT_FALSE(window->isVisible());
}

}  // namespace
