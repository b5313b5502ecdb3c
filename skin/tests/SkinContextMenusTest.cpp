// The menus a skinned control or frame opens by itself — the edits' context
// menu, the skinned form's system menu and its tray menu — are skinned
// popups drawn from the loaded skin, plain without one, and bound again
// after a skin change.

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QTimer>
#include <functional>

#include "skin/se_binding_edits.h"
#include "skin/se_binding_lists.h"
#include "skin/se_skinform.h"
#include "skin/se_skinmenus.h"
#include "skin/tests/SkinBindingFixture.h"

namespace {

// What the innermost open menu looked like.
struct Seen {
  bool open = false;
  bool skinned_frame = false;  // a skinned popup window drawing from the skin
  bool skinned_items = false;  // every item a skinned item drawing from the skin
  QStringList captions;
  QImage image;
};

// Opens a menu with `open` (which returns when the menu has closed) and
// looks at it from inside its loop.
Seen Probe(const std::function<void()>& open) {
  Seen seen;
  QTimer::singleShot(0, [&seen] {
    if (TSeItemView* v = se::InnermostMenu()) {
      seen.open = true;
      auto* window = dynamic_cast<TSeSkinPopupWindow*>(v->Window());
      auto* frame = window ? dynamic_cast<TSeSkinPopupForm*>(window->PopupForm()) : nullptr;
      seen.skinned_frame = frame && frame->UseSkin();
      seen.skinned_items = v->Items()->Count() > 0;
      for (int i = 0; i < v->Items()->Count(); ++i) {
        auto* item = dynamic_cast<TSeSkinItem*>(v->Items()->Items(i));
        seen.skinned_items = seen.skinned_items && item && item->UseSkin();
        seen.captions << v->Items()->Items(i)->Caption();
      }
      seen.image = v->Window()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    se::CancelAllMenus();
  });
  open();
  QCoreApplication::processEvents();
  return seen;
}

void RightClick(QWidget* w) {
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), w->mapToGlobal(QPoint(5, 5)));
  QCoreApplication::sendEvent(w, &event);
}

using ContextMenus = SkinBindingTest;

TEST_F(ContextMenus, EditsFormAndTrayOpenSkinnedMenusWhileASkinIsLoaded) {
  auto* edit = Place<TSeSkinEdit>(10, 10, 120, 21);
  auto* combo = Place<TSeSkinComboBox>(10, 40, 120, 21);
  auto* spin = Place<TSeSkinSpinEdit>(10, 70, 120, 21);
  auto* frame = Create<TSeSkinForm>(form_.get());
  frame->Gravitation()->SetEnabled(false);
  frame->SetMinimizeApplication(false);
  edit->SetSkinEngine(engine_.get());
  combo->SetSkinEngine(engine_.get());
  spin->SetSkinEngine(engine_.get());
  frame->SetSkinEngine(engine_.get());
  edit->SetText("burn");
  Show();

  const QStringList editMenu = {"Undo", "-", "Cut", "Copy", "Paste", "Delete", "-", "Select All"};
  struct Case {
    const char* name;
    std::function<void()> open;
    QStringList captions;  // empty: not compared
  } cases[] = {
      {"edit", [&] { RightClick(edit); }, editMenu},
      {"combo box", [&] { RightClick(combo); }, editMenu},
      {"spin edit", [&] { RightClick(spin); }, editMenu},
      {"system menu", [&] { frame->ShowSystemMenu(); }, {}},
      {"tray menu",
       [&] {
         frame->MinimizeToTray();
         frame->ShowSystemMenu();
         frame->Restore();
       },
       {}},
  };
  // A skin, then another (the menus made under the first must follow),
  // then none.
  for (const char* skin : {"devoir", "slate", ""}) {
    Load(skin);
    for (const Case& k : cases) {
      const Seen seen = Probe(k.open);
      ASSERT_TRUE(seen.open) << k.name << " " << skin;
      const bool skinned = *skin != 0;
      EXPECT_EQ(seen.skinned_frame, skinned) << k.name << " " << skin;
      EXPECT_EQ(seen.skinned_items, skinned) << k.name << " " << skin;
      if (!k.captions.isEmpty()) EXPECT_EQ(seen.captions, k.captions) << k.name;
      if (!skinned) continue;
      // The top border is the skin's popup frame.
      const int w = seen.image.width();
      const QImage expected = Picture("PopupMenu", "Frame", Rect(0, 0, w, seen.image.height()), w,
                                      seen.image.height());
      EXPECT_EQ(seen.image.pixel(w / 2, 1), expected.pixel(w / 2, 1)) << k.name << " " << skin;
    }
  }
  EXPECT_EQ(frame->WindowState(), kwsNormal);
}

}  // namespace
