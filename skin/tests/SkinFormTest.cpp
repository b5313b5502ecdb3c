// The skinned window frame on a real form: it draws its caption and borders
// from the skin's "Form" object, the object's parts decide what the mouse
// hits, caption buttons act only on a release over themselves, a skin
// change or "(none)" binds again with the client size kept, and no pointer
// into a replaced or freed skin survives. A small skin made here shows a
// frame without a client part, link objects and a custom button.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/gui/Forms.h"
#include "skin/se_engine.h"
#include "skin/se_objectclasses.h"
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

  // Window coordinates of the centre of a named part of the frame's copy.
  QPoint Centre(const char* name) {
    TSeSkinObject* o = frame_->SkinCopy()->FindObjectByName(name);
    EXPECT_NE(o, nullptr) << name;
    if (!o) return {};
    return {o->Left() + o->Width() / 2, o->Top() + o->Height() / 2};
  }
  void Press(QPoint at) { QTest::mousePress(form_, Qt::LeftButton, {}, at); }
  void Move(QPoint at) { QTest::mouseMove(form_, at); }
  void Release(QPoint at) { QTest::mouseRelease(form_, Qt::LeftButton, {}, at); }

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
  TSeSkinForm* frame_ = nullptr;
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
  int closes = 0;
  frame_->OnClose = [&](TComponent*, bool& callDefault) {
    ++closes;
    callDefault = false;
  };
  const QPoint close = Centre("Close");
  const QPoint caption(frame_->FrameWidth() / 2, 12);

  // Pressed, then released over the caption: nothing.
  Press(close);
  EXPECT_EQ(frame_->CapturedObject(), frame_->SkinCopy()->FindObjectByName("Close"));
  Move(caption);
  Release(caption);
  EXPECT_EQ(closes, 0);
  EXPECT_EQ(frame_->CapturedObject(), nullptr);
  // Pressed on the caption, released over the button: nothing.
  Press(caption);
  Move(close);
  Release(close);
  EXPECT_EQ(closes, 0);
  // Out and back in before the release: it acts.
  Press(close);
  Move(caption);
  Move(close);
  Release(close);
  EXPECT_EQ(closes, 1);

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
