// A skinned window driven by the mouse and the keyboard as a user drives
// it: the tool window's caption buttons light up, press and roll its body
// in and out (the window's outline follows), its caption picture follows
// the window's activation, and the form's options decide what a drag, a
// double click or Alt+F4 may do (moving, sizing, outline drags, snapping
// to the work area, the border icons).

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QMouseEvent>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/gui/Forms.h"
#include "skin/se_engine.h"
#include "skin/se_objectclasses.h"
#include "skin/se_objectclasses2.h"
#include "skin/se_skinform.h"
#include "skin/se_skinsource.h"

namespace fs = std::filesystem;

namespace {

class SkinFrameInput : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterSkinObjectClasses();
    RegisterSkinFilters();
    dir_ = fs::temp_directory_path() / ("skinframeinput-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    for (const char* name : {"devoir", "slate", "meadow"}) {
      TSeSkinSource skin;
      skin.LoadFromSourceFile(std::string(BURNER_SOURCE_DIR) + "/resources/skins/" + name + "/skin.txt");
      skin.SaveToFile((dir_ / (std::string(name) + ".mskn")).string());
    }
    engine_ = CreateUnique<TSeSkinEngine>();
    form_ = Create<TForm>(nullptr);
    form_->SetBounds(200, 150, 300, 200);
    form_->SetCaption("Input test");
    frame_ = Create<TSeSkinForm>(form_);
    frame_->Gravitation()->SetEnabled(false);
    frame_->SetMinimizeApplication(false);
    frame_->SetSkinEngine(engine_.get());
  }
  void TearDown() override {
    delete form_;
    engine_.reset();
    fs::remove_all(dir_);
  }

  void Load(const std::string& name) { engine_->SetSkinFile((dir_ / (name + ".mskn")).string()); }
  void Show() {
    form_->Show();
    QCoreApplication::processEvents();
  }
  TSeSkinObject* Object(const char* name) {
    TSeSkinObject* o = frame_->SkinCopy() ? frame_->SkinCopy()->FindObjectByName(name) : nullptr;
    EXPECT_NE(o, nullptr) << name;
    return o;
  }
  // Window coordinates of the centre of a part of the frame's copy.
  QPoint Centre(const char* name) {
    TSeSkinObject* o = Object(name);
    return o ? QPoint(o->Left() + o->Width() / 2, o->Top() + o->Height() / 2) : QPoint();
  }
  QPoint Caption() { return {frame_->FrameWidth() / 2, 10}; }

  // Mouse events as the window system delivers them: the screen point is
  // what the frame goes by, so a window that moves under the mouse sees
  // the same screen point at a new window point.
  void Send(QEvent::Type type, QPoint screen, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(screen - form_->pos()), QPointF(screen), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(form_, &e);
  }
  QPoint Screen(QPoint window) const { return form_->pos() + window; }
  void Move(QPoint window) { Send(QEvent::MouseMove, Screen(window), Qt::NoButton, Qt::NoButton); }
  void Press(QPoint window) { Send(QEvent::MouseButtonPress, Screen(window), Qt::LeftButton, Qt::LeftButton); }
  void Release(QPoint window) { Send(QEvent::MouseButtonRelease, Screen(window), Qt::LeftButton, Qt::NoButton); }
  void Click(QPoint window) {
    Move(window);
    Press(window);
    Release(window);
  }
  void DoubleClick(QPoint window) {
    const QPoint g = Screen(window);
    Send(QEvent::MouseButtonPress, g, Qt::LeftButton, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease, g, Qt::LeftButton, Qt::NoButton);
    Send(QEvent::MouseButtonDblClick, g, Qt::LeftButton, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease, g, Qt::LeftButton, Qt::NoButton);
  }
  // Presses at a window point and moves the mouse on the screen through
  // each offset from there in turn; released at the last unless `hold`.
  void Drag(QPoint at, std::initializer_list<QPoint> path, bool hold = false) {
    const QPoint g = Screen(at);
    Send(QEvent::MouseButtonPress, g, Qt::LeftButton, Qt::LeftButton);
    QPoint last = g;
    for (QPoint d : path) Send(QEvent::MouseMove, last = g + d, Qt::NoButton, Qt::LeftButton);
    if (!hold) Send(QEvent::MouseButtonRelease, last, Qt::LeftButton, Qt::NoButton);
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods) {
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QCoreApplication::sendEvent(form_, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
    QCoreApplication::sendEvent(form_, &release);
  }

  // How many of the picture's pixels (key colour left out) the window does
  // not show unscaled at the object's place; -1 when the picture has none.
  int PictureMisses(TSeSkinObject* at, const TSeBitmapLink& link) {
    const QImage shot = form_->grab().toImage();
    int seen = 0;
    int misses = 0;
    for (int y = 0; y < at->Height(); ++y)
      for (int x = 0; x < at->Width(); ++x) {
        const TSeArgb p = link.Bitmap->GetPixel(link.Left + x, link.Top + y);
        if ((p & 0xFFFFFFu) == (KeyColor & 0xFFFFFFu)) continue;
        ++seen;
        if ((shot.pixel(at->Left() + x, at->Top() + y) & 0xFFFFFFu) != (p & 0xFFFFFFu)) ++misses;
      }
    return seen ? misses : -1;
  }

  fs::path dir_;
  std::unique_ptr<TSeSkinEngine> engine_;
  TForm* form_ = nullptr;
  TSeSkinForm* frame_ = nullptr;
};

}  // namespace

TEST_F(SkinFrameInput, AToolWindowsRollButtonLightsPressesAndRollsItsBody) {
  for (const char* skin : {"devoir", "slate", "meadow"}) {
    SCOPED_TRACE(skin);
    Load(skin);
    frame_->SetBorderStyle(kbsToolWindow);
    Show();
    auto* roll = dynamic_cast<TSeSysButtonSkinObject*>(Object("Roll"));
    auto* body = dynamic_cast<TSeRollPanelObject*>(Object("Body"));
    ASSERT_TRUE(roll && body);
    ASSERT_TRUE(roll->Bitmap().Valid() && roll->BitmapHover().Valid() && roll->BitmapDown().Valid());
    ASSERT_EQ(roll->Width(), roll->Bitmap().Right - roll->Bitmap().Left) << "drawn unscaled";
    const int open = body->Height();
    const int height = form_->height();
    const QPoint button = Centre("Roll");
    const QPoint inBody(frame_->FrameWidth() / 2, body->Top() + open / 2);

    EXPECT_EQ(PictureMisses(roll, roll->Bitmap()), 0);
    Move(button);
    EXPECT_EQ(PictureMisses(roll, roll->BitmapHover()), 0) << "hot under the mouse";
    Press(button);
    EXPECT_EQ(PictureMisses(roll, roll->BitmapDown()), 0) << "pressed";
    // Dragged off and released over the caption: no roll, the plain look.
    Move(Caption());
    Release(Caption());
    EXPECT_EQ(body->Height(), open);
    EXPECT_EQ(PictureMisses(roll, roll->Bitmap()), 0);

    // A click rolls the body up to its rolled height: the window keeps its
    // size but its outline leaves out what the body gave up.
    Click(button);
    EXPECT_EQ(body->Height(), body->RollValue());
    EXPECT_EQ(form_->height(), height);
    EXPECT_TRUE(form_->mask().contains(Caption()));
    EXPECT_FALSE(form_->mask().contains(inBody));
    // The second click brings it back, outline and all.
    Click(button);
    EXPECT_EQ(body->Height(), open);
    EXPECT_TRUE(form_->mask().isEmpty() || form_->mask().contains(inBody));
    frame_->SetBorderStyle(kbsStandard);
    form_->Hide();
  }
}

TEST_F(SkinFrameInput, AToolWindowsCaptionPictureFollowsTheWindowsActivation) {
  Load("devoir");
  frame_->SetBorderStyle(kbsToolWindow);
  Show();
  auto* caption = dynamic_cast<TSeFormBitmapSkinObject*>(Object("Caption"));
  ASSERT_NE(caption, nullptr);
  // The picture is stretched over the caption: compare with the object
  // drawn on its own in each state.
  auto alone = [&](bool active) {
    auto clone = CloneSkinObject(*caption);
    clone->SetText("");
    clone->SetActive(active);
    TSeBitmap b;
    b.SetSize(caption->Left() + caption->Width(), caption->Top() + caption->Height());
    clone->Draw(b.Canvas());
    return b.GetPixel(caption->Left() + 2, caption->Top() + 2) & 0xFFFFFFu;
  };
  ASSERT_NE(alone(true), alone(false));
  const QPoint corner(caption->Left() + 2, caption->Top() + 2);
  for (bool active : {false, true, false}) {
    QEvent e(active ? QEvent::WindowActivate : QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(form_, &e);
    EXPECT_EQ(form_->grab().toImage().pixel(corner) & 0xFFFFFFu, alone(active)) << active;
  }
}

TEST_F(SkinFrameInput, DraggingOptionsDecideWhetherCaptionAndEdgesMoveAndSize) {
  const struct Case {
    bool moveable, sizeable;
  } cases[] = {{true, true}, {false, true}, {true, false}, {false, false}};
  Load("devoir");
  Show();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "moveable " << c.moveable << ", sizeable " << c.sizeable);
    frame_->Dragging()->SetMoveable(c.moveable);
    frame_->Dragging()->SetSizeable(c.sizeable);
    TRect b = form_->BoundsRect();
    Drag(Caption(), {{15, 10}, {30, 20}});
    const int dx = c.moveable ? 30 : 0;
    const int dy = c.moveable ? 20 : 0;
    EXPECT_EQ(form_->BoundsRect(), Rect(b.Left + dx, b.Top + dy, b.Right + dx, b.Bottom + dy));

    b = form_->BoundsRect();
    const QPoint right(frame_->FrameWidth() - 2, frame_->FrameHeight() / 2);
    Move(right);
    EXPECT_EQ(form_->cursor().shape(), c.sizeable ? Qt::SizeHorCursor : Qt::ArrowCursor);
    Drag(right, {{25, 4}});
    EXPECT_EQ(form_->BoundsRect(), Rect(b.Left, b.Top, b.Right + (c.sizeable ? 25 : 0), b.Bottom));
    b = form_->BoundsRect();
    Drag({frame_->FrameWidth() / 2, frame_->FrameHeight() - 2}, {{3, -18}});
    EXPECT_EQ(form_->BoundsRect(), Rect(b.Left, b.Top, b.Right, b.Bottom - (c.sizeable ? 18 : 0)));
  }
  // Sizing keeps the constraints' minimum.
  frame_->Dragging()->SetSizeable(true);
  frame_->SetConstraints({220, 0, 0, 0});
  const TRect b = form_->BoundsRect();
  Drag({1, frame_->FrameHeight() / 2}, {{200, 0}});
  EXPECT_EQ(form_->BoundsRect(), Rect(b.Right - 220, b.Top, b.Right, b.Bottom));
}

TEST_F(SkinFrameInput, AnOutlineDragMovesTheWindowOnlyOnTheRelease) {
  Load("devoir");
  Show();
  frame_->Dragging()->SetDragMode(kfdmBorder);
  const TRect b = form_->BoundsRect();
  Drag(Caption(), {{20, 5}, {40, 12}}, /*hold=*/true);
  EXPECT_EQ(form_->BoundsRect(), b) << "only the outline moves";
  Send(QEvent::MouseButtonRelease, Screen(Caption()) + QPoint(40, 12), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(form_->BoundsRect(), Rect(b.Left + 40, b.Top + 12, b.Right + 40, b.Bottom + 12));
  // Sizing by the outline as well.
  const QPoint right(frame_->FrameWidth() - 2, frame_->FrameHeight() / 2);
  Drag(right, {{10, 10}, {16, 22}}, true);
  EXPECT_EQ(form_->width(), b.Width());
  Send(QEvent::MouseButtonRelease, Screen(right) + QPoint(16, 22), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(form_->BoundsRect(), Rect(b.Left + 40, b.Top + 12, b.Right + 56, b.Bottom + 12));
}

TEST_F(SkinFrameInput, ACaptionDragSnapsToTheWorkAreaWithinTheGravitationsReach) {
  const struct Case {
    bool enabled;
    int size;
    int snapped;  // the left edge from the work area's when the mouse leaves it 15 away
  } cases[] = {{true, 20, 0}, {true, 10, 15}, {false, 20, 15}};
  Load("devoir");
  Show();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.enabled << " " << c.size);
    frame_->Gravitation()->SetEnabled(c.enabled);
    frame_->Gravitation()->SetSize(c.size);
    const TRect work = frame_->GetWorkArea();
    form_->SetBounds(work.Left + 60, work.Top + 80, 300, 200);
    const int top = form_->Top();
    // 45 to the left brings the edge 15 from the work area's; 40 back it
    // follows the mouse again with no offset left from the snap.
    const QPoint g = Screen(Caption());
    Drag(Caption(), {{-45, 0}}, /*hold=*/true);
    EXPECT_EQ(form_->Left(), work.Left + c.snapped);
    Send(QEvent::MouseMove, g + QPoint(-5, 3), Qt::NoButton, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease, g + QPoint(-5, 3), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(form_->Left(), work.Left + 55);
    EXPECT_EQ(form_->Top(), top + 3);
  }
}

TEST_F(SkinFrameInput, BorderIconsDecideWhatTheCaptionAndTheKeysMayDo) {
  Load("devoir");
  Show();
  int closes = 0;
  frame_->OnClose = [&](TComponent*, bool& callDefault) {
    ++closes;
    callDefault = false;
  };
  frame_->SetBorderIcons(kbiClose | kbiSystemMenu | kbiMinimize);
  frame_->HitTest(0, 0);  // the copy takes the state and the icons
  EXPECT_FALSE(Object("Maximize")->Visible());
  const TRect normal = form_->BoundsRect();
  DoubleClick(Caption());
  EXPECT_EQ(frame_->WindowState(), kwsNormal);
  EXPECT_EQ(form_->BoundsRect(), normal);
  Key(Qt::Key_F4, Qt::AltModifier);
  EXPECT_EQ(closes, 1);

  frame_->SetBorderIcons(kbiSystemMenu | kbiMinimize | kbiMaximize);
  frame_->HitTest(0, 0);
  EXPECT_FALSE(Object("Close")->Visible());
  EXPECT_TRUE(Object("Maximize")->Visible());
  Key(Qt::Key_F4, Qt::AltModifier);
  EXPECT_EQ(closes, 1) << "no close icon, no Alt+F4";
  DoubleClick(Caption());
  EXPECT_EQ(frame_->WindowState(), kwsMaximized);
  DoubleClick(Caption());
  EXPECT_EQ(frame_->WindowState(), kwsNormal);
  EXPECT_EQ(form_->BoundsRect(), normal);
  Click(Centre("Minimize"));
  EXPECT_EQ(frame_->WindowState(), kwsMinimized);
}
