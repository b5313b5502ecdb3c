// The skinned window frame on a real form: it draws its caption and borders
// from the skin's "Form" object, the object's parts decide what the mouse
// hits, caption buttons act only on a release over themselves, a skin
// change or "(none)" binds again with the client size kept, and no pointer
// into a replaced or freed skin survives. A small skin made here shows a
// frame without a client part, link objects and a custom button.
// Driven as a user drives it: the tool window's caption buttons light up,
// press and roll its body in and out (the window's outline follows), its
// caption picture follows the window's activation, and the form's options
// decide what a drag, a double click or Alt+F4 may do (moving, sizing,
// outline drags, snapping to the work area, the border icons).

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "skin/tests/ScreenMouse.h"
#include "platform/gui/Forms.h"
#include "skin/se_engine.h"
#include "skin/se_objectclasses.h"
#include "skin/se_objectclasses2.h"
#include "skin/se_skinform.h"

namespace fs = std::filesystem;

// SkinFormGrip.cpp
QPoint AddStatusBarWithGrip(TForm* form);

namespace {

// A frame without a client part (the window takes its size), a custom
// caption button, one link object inside the frame and one outside it.
constexpr const char* kFixedSkin = R"(SkinName = 'Fixed'
SkinVersion = '1.0'
Author = 'Tests'
AuthorEMail = ''
AuthorURL = ''

object Form: TSeSkinObject
  Kind = skForm
  Color = 12615680
  Width = 260
  Height = 150
  object Caption: TSeSkinObject
    Kind = skCaption
    Color = 8421376
    Width = 260
    Height = 20
    object Custom: TSeSystemButton
      Left = 236
      Top = 2
      Width = 16
      Height = 16
      Action = sbaCustom
    end
  end
  object Inside: TSeLinkSkinObject
    Left = 10
    Top = 30
    Width = 100
    Height = 20
    LinkControl = 'Shown'
  end
  object Outside: TSeLinkSkinObject
    Left = 400
    Top = 30
    Width = 50
    Height = 20
    LinkControl = 'Hidden'
  end
end
)";

class SkinForm : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterSkinObjectClasses();
    RegisterSkinFilters();
    dir_ = fs::temp_directory_path() / ("skinform-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    for (const char* name : {"devoir", "slate", "meadow"}) {
      TSeSkinSource skin;
      skin.LoadFromSourceFile(std::string(BURNER_SOURCE_DIR) + "/resources/skins/" + name + "/skin.txt");
      skin.SaveToFile(Path(std::string(name) + ".mskn"));
    }
    std::ofstream(dir_ / "skin.txt") << kFixedSkin;
    TSeSkinSource fixed;
    fixed.LoadFromSourceFile((dir_ / "skin.txt").string());
    fixed.SaveToFile(Path("fixed.mskn"));

    engine_ = CreateUnique<TSeSkinEngine>();
    form_ = Create<TForm>(nullptr);
    form_->SetBounds(200, 150, 300, 200);
    form_->SetCaption("Skin test");
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

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Load(const std::string& name) { engine_->SetSkinFile(name.empty() ? std::string() : Path(name + ".mskn")); }
  void Show() {
    form_->Show();
    QCoreApplication::processEvents();
  }

  TSeSkinObject* Object(const char* name) {
    TSeSkinObject* o = frame_->SkinCopy() ? frame_->SkinCopy()->FindObjectByName(name) : nullptr;
    EXPECT_NE(o, nullptr) << name;
    return o;
  }
  // Window coordinates of the centre of a named part of the frame's copy.
  QPoint Centre(const char* name) {
    TSeSkinObject* o = Object(name);
    return o ? QPoint(o->Left() + o->Width() / 2, o->Top() + o->Height() / 2) : QPoint();
  }
  QPoint Caption() { return {frame_->FrameWidth() / 2, 10}; }
  // Closing the window only counts in closes_.
  void CountClosesInstead() {
    frame_->OnClose = [this](TComponent*, bool& callDefault) {
      ++closes_;
      callDefault = false;
    };
  }

  // Mouse events go by their screen point, as the window system sends them.
  void Send(QEvent::Type type, QPoint screen, Qt::MouseButton button, Qt::MouseButtons buttons) {
    mouse_.Send(type, screen, button, buttons);
  }
  QPoint Screen(QPoint window) const { return mouse_.Screen(window); }
  void Move(QPoint window) { Send(QEvent::MouseMove, Screen(window), Qt::NoButton, held_); }
  void Press(QPoint window) { Send(QEvent::MouseButtonPress, Screen(window), Qt::LeftButton, held_ = Qt::LeftButton); }
  void Release(QPoint window) { Send(QEvent::MouseButtonRelease, Screen(window), Qt::LeftButton, held_ = {}); }
  void Click(QPoint window) {
    Move(window);
    Press(window);
    Release(window);
  }
  void DoubleClick(QPoint window) { mouse_.DoubleClick(window); }
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

  // True when every picture the caption and its buttons draw from belongs
  // to the engine's skin as it is now.
  bool DrawsFromTheCurrentSkin() {
    auto owned = [&](const TSeBitmapLink& link) {
      for (int i = 0; i < engine_->Source().Bitmaps().Count(); ++i)
        if (engine_->Source().Bitmaps().GetBitmap(i) == link.Bitmap) return true;
      return false;
    };
    auto* caption = dynamic_cast<TSeActiveBitmap*>(frame_->SkinCopy()->FindObjectByName("Caption"));
    auto* close = dynamic_cast<TSeSystemButton*>(frame_->SkinCopy()->FindObjectByName("Close"));
    return caption && close && owned(caption->Bitmap()) && owned(caption->ActiveBitmap()) &&
           owned(close->Bitmap()) && owned(close->BitmapPressed());
  }

  fs::path dir_;
  std::unique_ptr<TSeSkinEngine> engine_;
  TForm* form_ = nullptr;
  ScreenMouse<TForm> mouse_{form_};
  TSeSkinForm* frame_ = nullptr;
  Qt::MouseButtons held_;
  int closes_ = 0;
};

QRgb Rgb(TSeArgb argb) { return argb & 0xFFFFFFu; }

}  // namespace

TEST_F(SkinForm, DrawsCaptionAndBordersFromTheFormObject) {
  Show();
  const int plainClientW = form_->ClientWidth();
  const int plainClientH = form_->ClientHeight();
  Load("devoir");
  ASSERT_TRUE(frame_->UseSkin());
  EXPECT_EQ(frame_->SkinCopy()->Name(), "Form");
  // The client part of the object is the client area, and the window grew
  // around the client the form was designed with.
  const int w = frame_->FrameWidth();
  const int h = frame_->FrameHeight();
  EXPECT_EQ(frame_->GetClientArea(), Rect(4, 24, w - 4, h - 4));
  EXPECT_EQ(form_->ClientWidth(), plainClientW);
  EXPECT_EQ(form_->ClientHeight(), plainClientH);
  EXPECT_TRUE(frame_->GetBorderIconRect(kbiClose).IsEmpty());

  // The caption's middle shows the skin's caption picture, active and then
  // inactive; the title object carries the window's caption.
  TSeBitmap* picture = nullptr;
  for (int i = 0; i < engine_->Source().Bitmaps().Count(); ++i)
    if (engine_->Source().Bitmaps().GetBitmap(i)->Name() == "Frame") picture = engine_->Source().Bitmaps().GetBitmap(i);
  ASSERT_NE(picture, nullptr);
  QEvent activate(QEvent::WindowActivate);
  QCoreApplication::sendEvent(form_, &activate);
  QImage shot = form_->grab().toImage();
  EXPECT_EQ(shot.pixel(w / 2, 12) & 0xFFFFFFu, Rgb(*picture->PixelPtr(24, 12)));
  EXPECT_EQ(shot.pixel(1, h / 2) & 0xFFFFFFu, Rgb(*picture->PixelPtr(1, 26))) << "left border";
  ASSERT_NE(frame_->TitleObject(), nullptr);
  EXPECT_EQ(frame_->TitleObject()->Text(), "Skin test");
  QEvent deactivate(QEvent::WindowDeactivate);
  QCoreApplication::sendEvent(form_, &deactivate);
  shot = form_->grab().toImage();
  EXPECT_EQ(shot.pixel(w / 2, 12) & 0xFFFFFFu, Rgb(*picture->PixelPtr(72, 12)));
  // The client background is the client part's colour.
  EXPECT_EQ(shot.pixel(w / 2, h / 2) & 0xFFFFFFu, QColor(ColorToQColor(frame_->ClientObject()->Color())).rgb() & 0xFFFFFFu);
}

TEST_F(SkinForm, TheObjectUnderThePointDecidesWhatTheMouseHits) {
  Load("devoir");
  Show();
  const int w = frame_->FrameWidth();
  const int h = frame_->FrameHeight();
  const QPoint close = Centre("Close");
  const struct {
    QPoint at;
    std::uint8_t part;
  } cases[] = {
      {{w / 2, 12}, kfpCaption},  // the title
      {{2, 12}, kfpCaption},      // the caption's edge, outside the title
      {{1, h / 2}, kfpLeft},         {{w - 2, h / 2}, kfpRight},       {{w / 2, h - 2}, kfpBottom},
      {close, kfpOtherButton},       {{w / 2, h / 2}, kfpClient},
  };
  for (const auto& c : cases) EXPECT_EQ(frame_->HitTest(c.at.x(), c.at.y()), c.part) << c.at.x() << "," << c.at.y();
  // A status bar's grip in the window's corner sizes it like a corner.
  const QPoint grip = AddStatusBarWithGrip(form_);
  EXPECT_EQ(frame_->HitTest(grip.x(), grip.y()), kfpBottomRight);

  // Restore and Maximize share a place: the window state shows one.
  EXPECT_TRUE(frame_->SkinCopy()->FindObjectByName("Maximize")->Visible());
  EXPECT_FALSE(frame_->SkinCopy()->FindObjectByName("Restore")->Visible());
  frame_->Maximize();
  frame_->HitTest(0, 0);
  EXPECT_FALSE(frame_->SkinCopy()->FindObjectByName("Maximize")->Visible());
  EXPECT_TRUE(frame_->SkinCopy()->FindObjectByName("Restore")->Visible());
  // A skinned window maximizes over the work area itself, not beyond it.
  EXPECT_EQ(form_->BoundsRect(), frame_->GetWorkArea());
}

TEST_F(SkinForm, CaptionButtonsActOnlyOnAReleaseOverThemselves) {
  Load("devoir");
  Show();
  CountClosesInstead();
  const QPoint close = Centre("Close");
  const QPoint caption(frame_->FrameWidth() / 2, 12);

  // Pressed, then released over the caption: nothing.
  Press(close);
  EXPECT_EQ(frame_->CapturedObject(), frame_->SkinCopy()->FindObjectByName("Close"));
  Move(caption);
  Release(caption);
  EXPECT_EQ(closes_, 0);
  EXPECT_EQ(frame_->CapturedObject(), nullptr);
  // Pressed on the caption, released over the button: nothing.
  Press(caption);
  Move(close);
  Release(close);
  EXPECT_EQ(closes_, 0);
  // Out and back in before the release: it acts.
  Press(close);
  Move(caption);
  Move(close);
  Release(close);
  EXPECT_EQ(closes_, 1);

  // Maximize, then its place shows Restore, which restores.
  const TRect normal = form_->BoundsRect();
  const QPoint maximize = Centre("Maximize");
  Press(maximize);
  Release(maximize);
  EXPECT_EQ(frame_->WindowState(), kwsMaximized);
  const QPoint restore = Centre("Restore");
  Press(restore);
  Release(restore);
  EXPECT_EQ(frame_->WindowState(), kwsNormal);
  EXPECT_EQ(form_->BoundsRect(), normal);
}

TEST_F(SkinForm, ASkinChangeBindsAgainAndNoPointerOutlivesTheOldSkin) {
  Load("devoir");
  Show();
  const int clientW = form_->ClientWidth();
  const int clientH = form_->ClientHeight();
  const TRect plainClient = se::FrameClientArea(frame_->Layout());
  for (const char* next : {"slate", "", "meadow", "devoir", ""}) {
    // Something of the old copy is hot and captured when the skin goes.
    const QPoint close = Centre("Close");
    Move(close);
    Press(close);
    ASSERT_NE(frame_->HotObject(), nullptr);
    ASSERT_NE(frame_->CapturedObject(), nullptr);
    Load(next);
    // The change lets events run, and the hover timer may already mark the
    // new skin's button under the mouse; nothing of the old copy may stay.
    const auto* newClose = frame_->SkinCopy() ? frame_->SkinCopy()->FindObjectByName("Close") : nullptr;
    EXPECT_TRUE(frame_->HotObject() == nullptr || frame_->HotObject() == newClose) << next;
    EXPECT_EQ(frame_->CapturedObject(), nullptr) << next;
    Release(close);
    form_->grab();
    EXPECT_EQ(form_->ClientWidth(), clientW) << next;
    EXPECT_EQ(form_->ClientHeight(), clientH) << next;
    if (*next) {
      ASSERT_TRUE(frame_->UseSkin()) << next;
      EXPECT_TRUE(DrawsFromTheCurrentSkin()) << next;
      EXPECT_EQ(form_->Color(), frame_->ClientObject()->Color()) << next;
    } else {
      // "(none)": the plain frame, its buttons and its colour.
      EXPECT_FALSE(frame_->UseSkin());
      EXPECT_EQ(frame_->SkinCopy(), nullptr);
      EXPECT_EQ(frame_->GetClientArea().Top, plainClient.Top);
      EXPECT_FALSE(frame_->GetBorderIconRect(kbiClose).IsEmpty());
      EXPECT_EQ(form_->Color(), clBtnFace);
      Load("devoir");
    }
  }
}

TEST_F(SkinForm, AFreedEngineTakesTheCopyWithIt) {
  Load("devoir");
  Show();
  Move(Centre("Minimize"));
  ASSERT_NE(frame_->HotObject(), nullptr);
  engine_.reset();
  EXPECT_EQ(frame_->SkinEngine(), nullptr);
  EXPECT_EQ(frame_->SkinCopy(), nullptr);
  EXPECT_EQ(frame_->HotObject(), nullptr);
  // The plain frame answers the mouse and paints.
  const TRect close = frame_->GetBorderIconRect(kbiClose);
  EXPECT_EQ(frame_->HitTest((close.Left + close.Right) / 2, (close.Top + close.Bottom) / 2), kfpCloseButton);
  EXPECT_FALSE(form_->grab().isNull());
}

TEST_F(SkinForm, AFrameWithoutAClientPartFixesTheWindowAndPlacesLinkedControls) {
  auto* shown = Create<TWinControl>(form_);
  shown->SetName("Shown");
  shown->SetParent(form_);
  auto* hidden = Create<TWinControl>(form_);
  hidden->SetName("Hidden");
  hidden->SetParent(form_);
  hidden->SetBounds(5, 5, 60, 20);
  Load("fixed");
  Show();
  EXPECT_EQ(form_->Width(), 260);
  EXPECT_EQ(form_->Height(), 150);
  EXPECT_EQ(frame_->GetClientArea(), Rect(0, 0, 260, 150));
  EXPECT_EQ(shown->BoundsRect(), Rect(10, 30, 110, 50));
  EXPECT_EQ(hidden->BoundsRect(), Rect(0, 0, 0, 0));
  // The whole window shows the object: its colour in the middle.
  EXPECT_EQ(form_->grab().toImage().pixel(200, 120) & 0xFFFFFFu, QColor(ColorToQColor(12615680)).rgb() & 0xFFFFFFu);

  // The caption still moves the window, and the custom button reports
  // itself on release.
  TSeSkinObject* pressed = nullptr;
  frame_->OnCustomAction = [&](TComponent*, TSeSkinObject* button) { pressed = button; };
  Press({245, 10});
  Release({245, 10});
  ASSERT_NE(pressed, nullptr);
  EXPECT_EQ(pressed->Name(), "Custom");
  const QPoint before = form_->pos();
  Press({100, 10});
  Move({130, 30});
  Release({130, 30});
  EXPECT_EQ(form_->pos(), before + QPoint(30, 20));
}

TEST_F(SkinForm, TheWindowsOutlineNeverReachesPastItsFrame) {
  // Every skin here parks a link place outside the frame; an outline that
  // took it in would blank that spot of the window beside this one.
  for (const char* skin : {"fixed", "devoir", "slate", "meadow"}) {
    SCOPED_TRACE(skin);
    Load(skin);
    Show();
    // No mask at all means the window's own rectangle.
    const QRegion outline = form_->mask();
    const QRect box = outline.boundingRect();
    EXPECT_EQ(outline.intersected(QRect(0, 0, form_->width(), form_->height())), outline)
        << box.x() << "," << box.y() << " " << box.width() << "x" << box.height();
    form_->Hide();
  }
}

TEST_F(SkinForm, AToolWindowUsesTheToolWindowObjectOrFallsBackToTheForm) {
  const struct {
    const char* skin;
    const char* object;
  } cases[] = {{"devoir", "ToolWindow"}, {"fixed", "Form"}};
  for (const auto& c : cases) {
    Load(c.skin);
    frame_->SetBorderStyle(kbsToolWindow);
    EXPECT_EQ(frame_->SkinObject(), "ToolWindow");
    ASSERT_NE(frame_->SkinCopy(), nullptr) << c.skin;
    EXPECT_EQ(frame_->SkinCopy()->Name(), c.object) << c.skin;
    frame_->SetBorderStyle(kbsStandard);
    EXPECT_EQ(frame_->SkinCopy()->Name(), "Form") << c.skin;
  }
}

TEST_F(SkinForm, AToolWindowsRollButtonLightsPressesAndRollsItsBody) {
  CountClosesInstead();
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
    // Rolled up, its close button still acts.
    const int closed = closes_;
    Click(Centre("Close"));
    EXPECT_EQ(closes_, closed + 1);
    // The second click brings it back, outline and all.
    Click(button);
    EXPECT_EQ(body->Height(), open);
    EXPECT_TRUE(form_->mask().isEmpty() || form_->mask().contains(inBody));
    frame_->SetBorderStyle(kbsStandard);
    form_->Hide();
  }
}

TEST_F(SkinForm, AToolWindowsCaptionPictureFollowsTheWindowsActivation) {
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

TEST_F(SkinForm, DraggingOptionsDecideWhetherCaptionAndEdgesMoveAndSize) {
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

TEST_F(SkinForm, AnOutlineDragMovesTheWindowOnlyOnTheRelease) {
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

TEST_F(SkinForm, ACaptionDragSnapsToTheWorkAreaWithinTheGravitationsReach) {
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

TEST_F(SkinForm, BorderIconsDecideWhatTheCaptionAndTheKeysMayDo) {
  Load("devoir");
  Show();
  CountClosesInstead();
  frame_->SetBorderIcons(kbiClose | kbiSystemMenu | kbiMinimize);
  frame_->HitTest(0, 0);  // the copy takes the state and the icons
  EXPECT_FALSE(Object("Maximize")->Visible());
  const TRect normal = form_->BoundsRect();
  DoubleClick(Caption());
  EXPECT_EQ(frame_->WindowState(), kwsNormal);
  EXPECT_EQ(form_->BoundsRect(), normal);
  Key(Qt::Key_F4, Qt::AltModifier);
  EXPECT_EQ(closes_, 1);

  frame_->SetBorderIcons(kbiSystemMenu | kbiMinimize | kbiMaximize);
  frame_->HitTest(0, 0);
  EXPECT_FALSE(Object("Close")->Visible());
  EXPECT_TRUE(Object("Maximize")->Visible());
  Key(Qt::Key_F4, Qt::AltModifier);
  EXPECT_EQ(closes_, 1) << "no close icon, no Alt+F4";
  DoubleClick(Caption());
  EXPECT_EQ(frame_->WindowState(), kwsMaximized);
  DoubleClick(Caption());
  EXPECT_EQ(frame_->WindowState(), kwsNormal);
  EXPECT_EQ(form_->BoundsRect(), normal);
  Click(Centre("Minimize"));
  EXPECT_EQ(frame_->WindowState(), kwsMinimized);
}
