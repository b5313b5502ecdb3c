// Frames on MDI forms: a maximized child fills the parent's client area
// with no frame, the parent's caption names it and the parent's menu bar
// shows its icon and buttons; the bar's buttons restore and close it; a
// child that comes to the front while another is maximized comes up
// maximized; closing a child that can be minimized minimizes it. Plain and
// skinned, with real input events; the same tests run again under Xvfb.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/gui/Forms.h"
#include "skin/se_engine.h"
#include "skin/se_menubar.h"
#include "skin/se_menus.h"
#include "skin/se_skinform.h"
#include "skin/se_skinmenus.h"
#include "skin/se_skinobject.h"
#include "skin/se_skinsource.h"
#include "skin/tests/XvfbChild.h"

namespace {

void Settle() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// An MDI parent with a menu bar, plain or drawn from the shipped skin
// `devoir`; its children get frames of the same kind.
class MDIRig {
 public:
  explicit MDIRig(bool skinned) {
    if (skinned) {
      RegisterSkinFilters();
      skin_file_ = std::filesystem::temp_directory_path() / ("mdi-" + std::to_string(::getpid()) + ".mskn");
      TSeSkinSource source;
      source.LoadFromSourceFile(std::string(BURNER_SOURCE_DIR) + "/resources/skins/devoir/skin.txt");
      source.SaveToFile(skin_file_.string());
    }
    parent = Create<TForm>(nullptr);
    parent->SetFormStyle(fsMDIForm);
    parent->SetCaption("Burner");
    parent->SetBounds(60, 40, 520, 380);
    if (skinned) {
      engine = Create<TSeSkinEngine>(parent);
      auto* frame = Create<TSeSkinForm>(parent);
      frame->SetSkinEngine(engine);
      auto* skinBar = Create<TSeSkinMenuBar>(parent);
      skinBar->SetSkinEngine(engine);
      parentFrame = frame;
      bar = skinBar;
    } else {
      parentFrame = Create<TSeCustomForm>(parent);
      bar = Create<TSeCustomMenuBar>(parent);
    }
    parentFrame->SetMinimizeApplication(false);
    parentFrame->Gravitation()->SetEnabled(false);
    bar->SetParent(parent);
    bar->SetAlign(alTop);
    auto* file = skinned ? new TSeSkinItem(nullptr) : new TSeCustomItem(nullptr);
    file->SetCaption("&File");
    bar->Items()->Add(file);
    parentFrame->SetMenuBar(bar);
    if (engine) engine->SetSkinFile(skin_file_.string());
    parent->Show();
    Settle();
  }
  ~MDIRig() {
    delete parent;
    if (!skin_file_.empty()) std::filesystem::remove(skin_file_);
  }

  // A shown child with a frame of the rig's kind.
  TForm* Child(const QString& caption, const TRect& bounds, TSeCustomForm** frame, bool show = true) {
    auto* child = Create<TForm>(parent);
    child->SetFormStyle(fsMDIChild);
    child->SetCaption(caption);
    child->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    if (engine) {
      auto* skinFrame = Create<TSeSkinForm>(child);
      skinFrame->SetSkinEngine(engine);
      *frame = skinFrame;
    } else {
      *frame = Create<TSeCustomForm>(child);
    }
    (*frame)->SetBorderIcons(kbiClose | kbiSystemMenu | kbiMaximize);
    if (show) child->Show();
    Settle();
    return child;
  }

  // Clicks the centre of a caption button of a child's frame (a skinned
  // frame's buttons are objects of its skin).
  static void ClickIcon(TForm* child, TSeCustomForm* frame, unsigned icon) {
    TRect r = frame->GetBorderIconRect(icon);
    if (auto* skinned = dynamic_cast<TSeSkinForm*>(frame); skinned && skinned->UseSkin()) {
      const char* name = icon == kbiClose ? "Close" : (icon == kbiMaximize ? "Maximize" : "Minimize");
      TSeSkinObject* button = skinned->SkinCopy()->FindObjectByName(name);
      ASSERT_NE(button, nullptr) << name;
      r = button->BoundsRect();
    }
    ASSERT_FALSE(r.IsEmpty()) << icon;
    QTest::mouseClick(child, Qt::LeftButton, {}, QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
    Settle();
  }

  // Clicks an item of the bar: the press enters the menu loop, the release
  // (sent from inside it) runs the item.
  void ClickBar(TSeCustomItem* item) {
    const TRect r = bar->View()->GetItemRect(item);
    ASSERT_FALSE(r.IsEmpty());
    const QPoint at((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    QCursor::setPos(bar->mapToGlobal(at));
    QPointer<TSeCustomMenuBar> target(bar);
    QTimer::singleShot(0, [target, at] {
      if (target) QTest::mouseRelease(target, Qt::LeftButton, {}, at);
    });
    QTest::mousePress(bar, Qt::LeftButton, {}, at);
    Settle();
  }

  TRect ClientArea() const {
    QWidget* client = parent->MDIClient();
    return Rect(0, 0, client->width(), client->height());
  }
  bool ButtonsShown() const {
    for (TSeCustomItem* item : {bar->MDISystemItem(), bar->MDIMinimizeItem(), bar->MDIRestoreItem(), bar->MDICloseItem()})
      if (!item || !item->Visible()) return false;
    return true;
  }

  TForm* parent = nullptr;
  TSeCustomForm* parentFrame = nullptr;
  TSeCustomMenuBar* bar = nullptr;
  TSeSkinEngine* engine = nullptr;

 private:
  std::filesystem::path skin_file_;
};

class MDIFrame : public ::testing::TestWithParam<bool> {};

}  // namespace

TEST_P(MDIFrame, AMaximizedChildFillsTheClientAreaAndTheBarShowsItsButtons) {
  MDIRig rig(GetParam());
  TSeCustomForm* frame = nullptr;
  TForm* child = rig.Child("Doc 1", Bounds(20, 15, 240, 160), &frame);
  EXPECT_FALSE(rig.ButtonsShown());
  EXPECT_NE(frame->GetClientArea(), Rect(0, 0, child->Width(), child->Height()));

  MDIRig::ClickIcon(child, frame, kbiMaximize);
  EXPECT_EQ(frame->WindowState(), kwsMaximized);
  EXPECT_EQ(child->BoundsRect(), rig.ClientArea());
  EXPECT_EQ(frame->GetClientArea(), Rect(0, 0, child->Width(), child->Height()));
  EXPECT_EQ(child->ClientRect(), Rect(0, 0, child->Width(), child->Height()));
  EXPECT_EQ(rig.parent->Caption().toStdString(), "Burner - [Doc 1]");
  EXPECT_TRUE(rig.ButtonsShown());
  EXPECT_EQ(rig.bar->MDIChildForm(), frame);

  // Close at the bar's right edge, restore and minimize left of it, the
  // icon at the left before the ordinary items.
  TSeItemView* view = rig.bar->View();
  const TRect close = view->GetItemRect(rig.bar->MDICloseItem());
  const TRect restore = view->GetItemRect(rig.bar->MDIRestoreItem());
  const TRect minimize = view->GetItemRect(rig.bar->MDIMinimizeItem());
  const TRect icon = view->GetItemRect(rig.bar->MDISystemItem());
  const TRect file = view->GetItemRect(rig.bar->Items()->Items(1));
  EXPECT_EQ(close.Right - view->Origin().X, rig.bar->Width());
  EXPECT_EQ(restore.Right, close.Left);
  EXPECT_EQ(minimize.Right, restore.Left);
  EXPECT_EQ(close.Width(), close.Height());
  EXPECT_EQ(icon.Left, view->Origin().X);
  EXPECT_GE(file.Left, icon.Right);

  // The parent follows its size: the child still fills the client area.
  rig.parent->SetBounds(rig.parent->Left(), rig.parent->Top(), 600, 420);
  Settle();
  EXPECT_EQ(child->BoundsRect(), rig.ClientArea());
}

TEST_P(MDIFrame, TheBarsRestoreAndCloseActOnTheMaximizedChild) {
  MDIRig rig(GetParam());
  TSeCustomForm* frame = nullptr;
  TForm* child = rig.Child("Doc 1", Bounds(20, 15, 240, 160), &frame);
  const TRect normal = child->BoundsRect();
  frame->Maximize();
  ASSERT_TRUE(rig.ButtonsShown());

  rig.ClickBar(rig.bar->MDIRestoreItem());
  EXPECT_EQ(frame->WindowState(), kwsNormal);
  EXPECT_EQ(child->BoundsRect(), normal);
  EXPECT_FALSE(rig.ButtonsShown());
  EXPECT_EQ(rig.bar->MDIChildForm(), nullptr);
  EXPECT_EQ(rig.parent->Caption().toStdString(), "Burner");

  frame->Maximize();
  ASSERT_TRUE(rig.ButtonsShown());
  QPointer<TForm> gone(child);
  child->OnClose = [](TControl*, TCloseAction& action) { action = caFree; };
  rig.ClickBar(rig.bar->MDICloseItem());
  Settle();
  EXPECT_TRUE(gone.isNull());
  EXPECT_FALSE(rig.ButtonsShown());
  EXPECT_EQ(rig.parent->Caption().toStdString(), "Burner");
  EXPECT_EQ(rig.parent->MDIChildCount(), 0);
}

TEST_P(MDIFrame, AChildComingToTheFrontWhileOneIsMaximizedComesUpMaximized) {
  MDIRig rig(GetParam());
  TSeCustomForm* first = nullptr;
  TSeCustomForm* second = nullptr;
  TForm* one = rig.Child("Doc 1", Bounds(10, 10, 200, 150), &first);
  TForm* two = rig.Child("Doc 2", Bounds(60, 40, 220, 150), &second, false);
  const TRect oneNormal = one->BoundsRect();
  MDIRig::ClickIcon(one, first, kbiMaximize);
  ASSERT_EQ(first->WindowState(), kwsMaximized);

  two->Show();
  Settle();
  EXPECT_EQ(rig.parent->ActiveMDIChild(), two);
  EXPECT_EQ(second->WindowState(), kwsMaximized);
  EXPECT_EQ(two->BoundsRect(), rig.ClientArea());
  // One maximized child at a time: the first steps back to its place.
  EXPECT_EQ(first->WindowState(), kwsNormal);
  EXPECT_EQ(one->BoundsRect(), oneNormal);
  EXPECT_EQ(rig.bar->MDIChildForm(), second);
  EXPECT_EQ(rig.parent->Caption().toStdString(), "Burner - [Doc 2]");

  // A caption change of the maximized child reaches the parent's caption.
  two->SetCaption("Doc 2 (copy)");
  Settle();
  EXPECT_EQ(rig.parent->Caption().toStdString(), "Burner - [Doc 2 (copy)]");
}

TEST_P(MDIFrame, ClosingAChildThatCanBeMinimizedMinimizesIt) {
  MDIRig rig(GetParam());
  TSeCustomForm* frame = nullptr;
  TForm* child = rig.Child("Doc 1", Bounds(30, 20, 240, 160), &frame);
  frame->SetBorderIcons(kbiClose | kbiSystemMenu | kbiMinimize | kbiMaximize);
  EXPECT_FALSE(frame->MinimizeApplication());
  EXPECT_EQ(frame->Gravitation()->Size(), 9);

  MDIRig::ClickIcon(child, frame, kbiClose);
  EXPECT_EQ(frame->WindowState(), kwsMinimized);
  EXPECT_TRUE(child->isVisible());
  // Its caption strip lies at the bottom left of the client area.
  EXPECT_EQ(child->Left(), 0);
  EXPECT_EQ(child->Top() + child->Height(), rig.ClientArea().Bottom);

  // Without a minimize button closing does nothing unless the form says so.
  TSeCustomForm* other = nullptr;
  TForm* fixed = rig.Child("Doc 2", Bounds(50, 30, 200, 140), &other);
  MDIRig::ClickIcon(fixed, other, kbiClose);
  EXPECT_TRUE(fixed->isVisible());
  EXPECT_EQ(other->WindowState(), kwsNormal);
  fixed->OnClose = [](TControl*, TCloseAction& action) { action = caHide; };
  MDIRig::ClickIcon(fixed, other, kbiClose);
  EXPECT_FALSE(fixed->isVisible());
}

TEST_P(MDIFrame, AMaximizedChildThatGoesTakesItsButtonsAndCaptionEnding) {
  MDIRig rig(GetParam());
  TSeCustomForm* frame = nullptr;
  TForm* child = rig.Child("Doc 1", Bounds(20, 15, 240, 160), &frame);
  frame->Maximize();
  ASSERT_EQ(rig.parent->Caption().toStdString(), "Burner - [Doc 1]");
  delete child;
  Settle();
  EXPECT_FALSE(rig.ButtonsShown());
  EXPECT_EQ(rig.parent->Caption().toStdString(), "Burner");
  EXPECT_EQ(rig.parent->ActiveMDIChild(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(PlainAndSkinned, MDIFrame, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Skinned" : "Plain"; });

TEST(MDIFrameSkinned, TheBarsButtonsAreDrawnFromTheSkin) {
  QImage plainButtons, skinnedButtons;
  for (bool skinned : {false, true}) {
    MDIRig rig(skinned);
    TSeCustomForm* frame = nullptr;
    rig.Child("Doc 1", Bounds(20, 15, 240, 160), &frame);
    frame->Maximize();
    Settle();
    const TRect close = rig.bar->View()->GetItemRect(rig.bar->MDICloseItem());
    const QImage image = rig.bar->grab(QRect(close.Left, close.Top, close.Width(), close.Height())).toImage();
    (skinned ? skinnedButtons : plainButtons) = image;
    if (skinned) {
      // Square at the height of the skin's bar item.
      TSeSkinObject* item = rig.engine->Source().GetObjectByName("MenuBar")->FindObjectByName("Item");
      ASSERT_NE(item, nullptr);
      EXPECT_EQ(close.Height(), item->Height());
      EXPECT_EQ(close.Width(), close.Height());
    }
  }
  EXPECT_NE(plainButtons, skinnedButtons);
}

TEST(MDIFrameSkinned, ASkinChangeReachesTheChildFrames) {
  MDIRig rig(true);
  TSeCustomForm* frame = nullptr;
  rig.Child("Doc 1", Bounds(20, 15, 240, 160), &frame);
  auto* skinned = static_cast<TSeSkinForm*>(frame);
  ASSERT_TRUE(skinned->UseSkin());
  rig.engine->SetSkinFile({});
  EXPECT_FALSE(skinned->UseSkin());
  EXPECT_EQ(skinned->SkinCopy(), nullptr);
}

TEST(MDIFrameXvfb, Child) {
  if (!qEnvironmentVariableIsSet("BURNER_MDI_CHILD")) GTEST_SKIP() << "runs only under SameUnderXvfb";
  EXPECT_EQ(QGuiApplication::platformName(), "xcb");
}

TEST(MDIFrameXvfb, SameUnderXvfb) {
  if (qEnvironmentVariableIsSet("BURNER_MDI_CHILD")) GTEST_SKIP();
  const XvfbChild child = RunUnderXvfb("*MDIFrame*:MDIFrameXvfb.Child", {{"BURNER_MDI_CHILD", "1"}}, 180000);
  if (!child.ran) GTEST_SKIP() << "xvfb-run is not installed: the X11 run did not happen";
  EXPECT_EQ(child.exit_code, 0) << child.log.toStdString();
  EXPECT_TRUE(child.log.contains("[  PASSED  ]")) << child.log.toStdString();
}
