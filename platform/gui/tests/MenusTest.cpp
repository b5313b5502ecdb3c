// Menus: captions, shortcuts, popups chosen with the mouse, and clicks that
// run after the menu has closed.

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <memory>
#include <vector>

#include "platform/core/StringList.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

TEST(MenuTextTest, ShortcutsAndAcceleratorsReadAsOnTheHost) {
  struct Case {
    TShortCut shortcut;
    const char* text;
  };
  const Case cases[] = {{ShortCut('S', ssCtrl), "Ctrl+S"}, {ShortCut(0x2E, 0), "Del"},
                        {ShortCut(0x74, 0), "F5"},         {ShortCut('A', ssCtrl | ssShift), "Shift+Ctrl+A"},
                        {ShortCut(0x70, ssAlt), "Alt+F1"}, {0, ""}};
  for (const Case& c : cases) EXPECT_EQ(ShortCutToText(c.shortcut), QString::fromLatin1(c.text)) << c.text;
  EXPECT_EQ(ShortCutToKeySequence(ShortCut('S', ssCtrl)), QKeySequence(Qt::CTRL | Qt::Key_S));
  EXPECT_EQ(ShortCutToKeySequence(ShortCut(0x2E, 0)), QKeySequence(Qt::Key_Delete));

  EXPECT_EQ(GetHotkey("&Open"), QChar('O'));
  EXPECT_EQ(GetHotkey("Pa&ste"), QChar('S'));
  EXPECT_EQ(GetHotkey("Save && Exit"), QChar());
  EXPECT_EQ(StripHotkey("Archive files only && &Clear"), "Archive files only & Clear");
}

class MenusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = CreateUnique<TForm>();
    form->SetBounds(0, 0, 300, 200);
    popup = Create<TPopupMenu>(form.get());
    remove = NewItem(form.get(), "&Delete", ShortCut(0x2E, 0),
                     [this](TComponent*) { clicks.push_back("delete"); });
    refresh = NewItem(form.get(), "&Refresh", ShortCut(0x74, 0),
                      [this](TComponent*) { clicks.push_back("refresh"); });
    hidden = NewItem(form.get(), "Hidden", 0, [this](TComponent*) { clicks.push_back("hidden"); });
    hidden->SetVisible(false);
    popup->Items()->Add(remove);
    popup->Items()->Add(NewLine(form.get()));
    popup->Items()->Add(refresh);
    popup->Items()->Add(hidden);
  }
  QAction* ActionNamed(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions())
      if (action->text().startsWith(text)) return action;
    return nullptr;
  }
  std::unique_ptr<TForm> form;
  TPopupMenu* popup = nullptr;
  TMenuItem* remove = nullptr;
  TMenuItem* refresh = nullptr;
  TMenuItem* hidden = nullptr;
  std::vector<std::string> clicks;
};

TEST_F(MenusTest, PopupShowsTheItemsAndClicksAfterClosing) {
  refresh->SetEnabled(false);
  popup->Popup(50, 60);
  QMenu* menu = popup->Shown();
  ASSERT_NE(menu, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
  const auto actions = menu->actions();
  ASSERT_EQ(actions.size(), 3);  // the hidden item is left out
  EXPECT_EQ(actions[0]->text(), "&Delete\tDel");
  EXPECT_TRUE(actions[1]->isSeparator());
  EXPECT_FALSE(actions[2]->isEnabled());

  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(actions[0]).center());
  EXPECT_TRUE(clicks.empty());  // not while the menu closes
  QCoreApplication::processEvents();
  EXPECT_EQ(clicks, std::vector<std::string>{"delete"});
  QCoreApplication::processEvents();
  EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(MenusTest, ShortcutsClickReachableItemsOnly) {
  EXPECT_TRUE(popup->IsShortCut(0x74, 0));
  EXPECT_TRUE(popup->IsShortCut(0x2E, 0));
  EXPECT_EQ(clicks, (std::vector<std::string>{"refresh", "delete"}));
  refresh->SetEnabled(false);
  EXPECT_FALSE(popup->IsShortCut(0x74, 0));
  EXPECT_FALSE(popup->IsShortCut('S', ssCtrl));

  // Through the window: the owner form takes the key.
  refresh->SetEnabled(true);
  clicks.clear();
  form->Show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  QTest::keyClick(form.get(), Qt::Key_F5);
  EXPECT_EQ(clicks, std::vector<std::string>{"refresh"});
  refresh->SetShortCut(ShortCut('R', ssCtrl));
  QTest::keyClick(form.get(), Qt::Key_F5);
  QTest::keyClick(form.get(), Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(clicks, (std::vector<std::string>{"refresh", "refresh"}));
}

TEST_F(MenusTest, ChecksGroupsAndSubmenus) {
  auto* a = NewItem(form.get(), "Color");
  auto* b = NewItem(form.get(), "Gradient");
  for (TMenuItem* item : {a, b}) {
    item->SetRadioItem(true);
    item->SetGroupIndex(1);
    item->SetAutoCheck(true);
  }
  auto* sub = NewItem(form.get(), "&Background");
  sub->Add(a);
  sub->Add(b);
  popup->Items()->Insert(0, sub);
  a->Click();
  EXPECT_TRUE(a->Checked());
  b->Click();
  EXPECT_TRUE(b->Checked());
  EXPECT_FALSE(a->Checked());
  EXPECT_EQ(popup->Items()->Find("background"), sub);
  EXPECT_EQ(b->GetParentMenu(), popup);
  EXPECT_EQ(b->MenuIndex(), 1);
  EXPECT_THROW(sub->Add(sub), EComponentError);

  popup->Popup(10, 10);
  QMenu* menu = popup->Shown();
  ASSERT_NE(menu, nullptr);
  QMenu* submenu = menu->actions()[0]->menu();
  ASSERT_NE(submenu, nullptr);
  EXPECT_EQ(submenu->title(), "&Background");
  EXPECT_TRUE(submenu->actions()[1]->isChecked());
  menu->close();

  // A freed item leaves its menu.
  delete a;
  EXPECT_EQ(sub->Count(), 1);
}

TEST_F(MenusTest, QueuedClickOfAFreedMenuIsDropped) {
  popup->Popup(50, 60);
  QMenu* menu = popup->Shown();
  ASSERT_NE(menu, nullptr);
  menu->actions()[0]->trigger();
  delete popup;
  QCoreApplication::processEvents();
  EXPECT_TRUE(clicks.empty());
}

TEST_F(MenusTest, MainMenuBarFollowsTheItems) {
  auto* main = Create<TMainMenu>(form.get());
  auto* task = NewItem(form.get(), "&Task");
  task->Add(NewItem(form.get(), "&New", ShortCut('N', ssCtrl)));
  main->Items()->Add(task);
  QMenuBar* bar = main->MenuBar(form.get());
  ASSERT_EQ(bar->actions().size(), 1);
  EXPECT_EQ(bar->actions()[0]->text(), "&Task");
  main->Items()->Add(NewItem(form.get(), "&Edit"));
  EXPECT_EQ(bar->actions().size(), 2);
  EXPECT_NE(main->FindItemByShortCut(ShortCut('N', ssCtrl)), nullptr);
}

}  // namespace
