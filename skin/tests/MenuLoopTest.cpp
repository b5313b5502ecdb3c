// The menus: keyboard journeys through a menu bar with submenus, disabled
// items and separators; shortcuts; a click outside; a popup menu at the
// screen's corner; a selection move with nothing selectable; a command
// that frees the form that owned its menu.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <vector>

#include "platform/gui/Forms.h"
#include "skin/se_const.h"
#include "skin/se_menubar.h"
#include "skin/se_menus.h"
#include "skin/se_popupmenu.h"

namespace {

TSeCustomItem* Add(TSeCustomItem* parent, const QString& caption, QStringList* clicks = nullptr,
                   TShortCut shortcut = 0) {
  auto* item = new TSeCustomItem(nullptr);
  item->SetCaption(caption);
  item->SetShortCut(shortcut);
  if (clicks) item->OnClick = [clicks, caption](TComponent*) { clicks->append(StripHotkey(caption)); };
  parent->Add(item);
  return item;
}

// The hot items of the open levels, outermost first ("-" for none).
QString Chain() {
  TSeItemView* v = se::InnermostMenu();
  QStringList parts;
  for (; v; v = v->ParentView())
    parts.prepend(v->HotItem() ? StripHotkey(v->HotItem()->Caption()) : QStringLiteral("-"));
  return parts.join(">");
}

struct Step {
  int key = 0;
  Qt::KeyboardModifiers mods = Qt::NoModifier;
  QString text;
  bool snapshot = false;
};

Step K(int key, QString text = {}) { return {key, Qt::NoModifier, text, false}; }
Step Snap() { return {0, Qt::NoModifier, {}, true}; }
// One turn of the event loop (what a menu posted to itself runs first).
Step Idle() { return {}; }

// Where the keyboard would deliver a key for this window.
QObject* KeyTarget(QObject* to) {
  auto* window = qobject_cast<QWidget*>(to);
  QWidget* focus = QApplication::focusWidget();
  return window && focus && focus->window() == window ? focus : to;
}

void SendKey(QObject* given, int key, Qt::KeyboardModifiers mods, const QString& text) {
  QObject* to = KeyTarget(given);
  QKeyEvent press(QEvent::KeyPress, key, mods, text);
  QCoreApplication::sendEvent(to, &press);
  QKeyEvent release(QEvent::KeyRelease, key, mods, text);
  QCoreApplication::sendEvent(to, &release);
}

// Plays the steps one by one from the event loop (the menu loop is modal),
// then closes whatever is still open so that no test can hang.
void Script(QObject* to, std::vector<Step> steps, QStringList* snapshots, std::size_t i = 0) {
  QTimer::singleShot(0, [to, steps, snapshots, i] {
    if (i >= steps.size()) {
      if (snapshots) snapshots->append(QStringLiteral("end:") + Chain());
      se::CancelAllMenus();
      return;
    }
    // The next step is queued first: this key may open a menu whose loop
    // runs inside SendKey.
    Script(to, steps, snapshots, i + 1);
    const Step& s = steps[i];
    if (s.snapshot)
      snapshots->append(Chain());
    else if (s.key != 0)
      SendKey(to, s.key, s.mods, s.text);
  });
}

struct MenuRig {
  TForm* form;
  TSeCustomMenuBar* bar;
  QStringList clicks;
  TSeCustomItem *file, *edit, *undo, *more;

  MenuRig() {
    form = Create<TForm>(nullptr);
    form->SetBounds(150, 120, 400, 300);
    bar = Create<TSeCustomMenuBar>(form);
    bar->SetParent(form);
    bar->SetAlign(alTop);
    TSeCustomItem* root = bar->Items();
    file = Add(root, "&File");
    Add(file, "&New", &clicks, ShortCut('N', ssCtrl | ssShift));
    Add(file, "&Open", &clicks);
    Add(file, "-");
    Add(file, "E&xit", &clicks);
    edit = Add(root, "&Edit");
    undo = Add(edit, "&Undo", &clicks, ShortCut('Z', ssCtrl));
    undo->SetEnabled(false);
    Add(edit, "-");
    Add(edit, "&Copy", &clicks);
    more = Add(edit, "&More");
    Add(more, "&Alpha", &clicks);
    Add(more, "&Beta", &clicks);
    Add(root, "&Help");
    Add(root->Items(2), "&About", &clicks);
    form->Show();
    QCoreApplication::processEvents();
  }
  ~MenuRig() { delete form; }

  // Alt+letter (or another first key) enters the menus; the rest plays
  // inside the loop.
  QStringList Journey(Step first, std::vector<Step> rest) {
    QStringList snapshots;
    Script(form, rest, &snapshots);
    SendKey(form, first.key, first.mods, first.text);
    // The rest of the script, and the chosen item's click.
    for (int i = 0; i < 40; ++i) QCoreApplication::processEvents();
    return snapshots;
  }
};

Step Alt(int key) { return {key, Qt::AltModifier, {}, false}; }

}  // namespace

TEST(MenuLoop, KeyboardJourneys) {
  struct Case {
    const char* name;
    Step first;
    std::vector<Step> rest;
    QString clicked;
    QStringList snapshots;
  } cases[] = {
      {"accelerator opens, first item chosen", Alt(Qt::Key_F), {Snap(), K(Qt::Key_Return)}, "New", {"File>New", "end:"}},
      {"down then return", Alt(Qt::Key_F), {K(Qt::Key_Down), K(Qt::Key_Return)}, "Open", {"end:"}},
      {"separator skipped", Alt(Qt::Key_F), {K(Qt::Key_Down), K(Qt::Key_Down), Snap(), K(Qt::Key_Return)}, "Exit",
       {"File>Exit", "end:"}},
      {"up wraps to the last", Alt(Qt::Key_F), {K(Qt::Key_Up), Snap(), K(Qt::Key_Escape), K(Qt::Key_Escape)}, "",
       {"File>Exit", "end:"}},
      {"mnemonic inside a popup", Alt(Qt::Key_F), {K(Qt::Key_X, "x")}, "Exit", {"end:"}},
      {"return on a disabled item keeps the menu", Alt(Qt::Key_E),
       {K(Qt::Key_Return), Snap(), K(Qt::Key_Escape), Snap(), K(Qt::Key_Escape)}, "",
       {"Edit>Undo", "Edit", "end:"}},
      {"submenu by right, escape closes only it", Alt(Qt::Key_E),
       {K(Qt::Key_Up), K(Qt::Key_Right), Snap(), K(Qt::Key_Escape), Snap(), K(Qt::Key_Escape), K(Qt::Key_Escape)}, "",
       {"Edit>More>Alpha", "Edit>More", "end:"}},
      {"return in a submenu", Alt(Qt::Key_E), {K(Qt::Key_Up), K(Qt::Key_Right), K(Qt::Key_Down), K(Qt::Key_Return)},
       "Beta", {"end:"}},
      {"right on a leaf moves to the next bar menu", Alt(Qt::Key_F), {K(Qt::Key_Right), Idle(), Snap()}, "",
       {"Edit>Undo", "end:Edit>Undo"}},
      {"left from a submenu's parent moves back", Alt(Qt::Key_E), {K(Qt::Key_Left), Idle(), Snap()}, "",
       {"File>New", "end:File>New"}},
      {"F10 selects without opening", K(Qt::Key_F10), {Snap(), K(Qt::Key_Right), K(Qt::Key_Down), Snap()}, "",
       {"File", "Edit>Undo", "end:Edit>Undo"}},
      {"alt inside a menu closes everything", Alt(Qt::Key_H), {K(Qt::Key_Alt), Snap()}, "", {"", "end:"}},
  };
  for (const Case& k : cases) {
    MenuRig rig;
    const QStringList snapshots = rig.Journey(k.first, k.rest);
    EXPECT_EQ(rig.clicks.join(",").toStdString(), k.clicked.toStdString()) << k.name;
    EXPECT_EQ(snapshots.join(" | ").toStdString(), k.snapshots.join(" | ").toStdString()) << k.name;
    EXPECT_EQ(se::InnermostMenu(), nullptr) << k.name;
  }
}

TEST(MenuLoop, ShortcutsFireOnceAndOnlyWhenEnabled) {
  MenuRig rig;
  SendKey(rig.form, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier, {});
  QCoreApplication::processEvents();
  EXPECT_EQ(rig.clicks, QStringList{"New"});
  // The bar knows the shortcut of a disabled item: it is taken, not run.
  EXPECT_EQ(ShortCut('N', ssCtrl | ssShift), 0x604E);
  EXPECT_TRUE(rig.bar->IsShortCut('Z', ssCtrl));
  EXPECT_FALSE(rig.bar->IsShortCut('Q', ssCtrl));
  QCoreApplication::processEvents();
  EXPECT_EQ(rig.clicks, QStringList{"New"});
}

TEST(MenuLoop, AClickOutsideClosesEveryMenu) {
  MenuRig rig;
  QStringList snapshots;
  QTimer::singleShot(0, [&] {
    snapshots << Chain();
    const QPoint outside = rig.form->mapToGlobal(QPoint(300, 250));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(300, 250), QPointF(outside), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(rig.form, &press);
    snapshots << Chain();
    se::CancelAllMenus();  // in case the click did not
  });
  SendKey(rig.form, Qt::Key_E, Qt::AltModifier, {});
  EXPECT_EQ(snapshots.join(" | ").toStdString(), "Edit>Undo | ");
  EXPECT_TRUE(rig.clicks.isEmpty());
}

TEST(MenuLoop, PopupMenuAtTheScreenCornerOpensOnScreen) {
  TSeCustomPopupMenu menu;
  QStringList clicks;
  for (const char* c : {"&One", "&Two", "&Three"}) Add(menu.Items(), c, &clicks);
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  QRect shown;
  QTimer::singleShot(0, [&] {
    TSeItemView* v = se::InnermostMenu();
    if (!v) return;
    shown = v->Window()->geometry();
    SendKey(v->Window(), Qt::Key_Down, Qt::NoModifier, {});
    SendKey(v->Window(), Qt::Key_Return, Qt::NoModifier, {});
  });
  menu.Popup(screen.right(), screen.bottom());
  QCoreApplication::processEvents();
  ASSERT_FALSE(shown.isEmpty());
  EXPECT_TRUE(screen.contains(shown)) << shown.x() << "," << shown.y() << " " << shown.width() << "x"
                                      << shown.height();
  EXPECT_EQ(clicks.join(",").toStdString(), "Two");
  EXPECT_EQ(se::ActivePopupMenu(), nullptr);
}

TEST(MenuLoop, SelectionMovesEndWhenNothingIsSelectable) {
  TSeCustomItem root;
  Add(&root, "-");
  Add(&root, "Hidden")->SetVisible(false);
  Add(&root, "-");
  TSeItemView view(false, false);
  view.SetItems(&root);
  view.SelectNext();
  EXPECT_EQ(view.HotItem(), nullptr);
  view.SelectPrevious();
  EXPECT_EQ(view.HotItem(), nullptr);
  // One selectable item: both moves land on it.
  TSeCustomItem* only = Add(&root, "&Only");
  view.SelectNext();
  EXPECT_EQ(view.HotItem(), only);
  view.SelectPrevious();
  EXPECT_EQ(view.HotItem(), only);
}

TEST(MenuLoop, ItemTreeRulesAndAccelerators) {
  TSeCustomItem root;
  TSeCustomItem* task = Add(&root, "&Task");
  task->SetVisible(false);
  EXPECT_EQ(root.FindAccelItem('t'), task);
  EXPECT_EQ(root.FindAccelItem('q'), nullptr);
  TSeCustomItem other;
  EXPECT_THROW(other.Add(task), ETbItemError);
  EXPECT_EQ(root.Count(), 1);
  EXPECT_THROW(root.Delete(5), Exception);
  int changes = 0;
  root.OnChange = [&](TSeCustomItem*) { ++changes; };
  task->SetImageIndex(3);
  EXPECT_EQ(changes, 0);
  task->SetCaption("&Task list");
  EXPECT_EQ(changes, 1);
}

TEST(MenuLoop, ACommandMayFreeTheFormThatOwnedItsMenu) {
  auto* rig = new MenuRig;
  rig->file->Items(0)->OnClick = [rig](TComponent*) { delete rig; };
  rig->Journey(Alt(Qt::Key_F), {K(Qt::Key_Return)});
  QCoreApplication::processEvents();
  EXPECT_EQ(se::InnermostMenu(), nullptr);
}

TEST(MenuLoop, ALoneAltSelectsTheFirstBarItemWithoutOpeningIt) {
  // The keys arrive as QTest types them, and as a server that reports
  // Alt's own press without the Alt modifier.
  struct Case {
    const char* name;
    std::function<void(QWidget*)> keys;
    QString chain;  // inside the loop; "none" when no loop ran
  } cases[] = {
      {"press and release",
       [](QWidget* w) {
         QTest::keyPress(w, Qt::Key_Alt);
         QTest::keyRelease(w, Qt::Key_Alt);
       },
       "File"},
      {"press without the modifier",
       [](QWidget* w) {
         QKeyEvent press(QEvent::KeyPress, Qt::Key_Alt, Qt::NoModifier);
         QCoreApplication::sendEvent(w, &press);
         QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
         QCoreApplication::sendEvent(w, &release);
       },
       "File"},
      {"another key between: no menu",
       [](QWidget* w) {
         QTest::keyPress(w, Qt::Key_Alt);
         QTest::keyClick(w, Qt::Key_Q, Qt::AltModifier);
         QTest::keyRelease(w, Qt::Key_Alt);
       },
       "none"},
      {"with shift held: no menu",
       [](QWidget* w) {
         QTest::keyPress(w, Qt::Key_Shift);
         QTest::keyPress(w, Qt::Key_Alt, Qt::ShiftModifier);
         QTest::keyRelease(w, Qt::Key_Alt, Qt::ShiftModifier);
         QTest::keyRelease(w, Qt::Key_Shift);
       },
       "none"},
  };
  for (const Case& k : cases) {
    MenuRig rig;
    QString inside = "none";
    QStringList after;
    QTimer::singleShot(0, [&] {
      if (!se::InnermostMenu()) return;
      inside = Chain();
      // Arrows work in the keyboard mode; Escape leaves it.
      SendKey(rig.form, Qt::Key_Right, Qt::NoModifier, {});
      after << Chain();
      SendKey(rig.form, Qt::Key_Escape, Qt::NoModifier, {});
      se::CancelAllMenus();
    });
    k.keys(static_cast<QWidget*>(KeyTarget(rig.form)));
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(inside.toStdString(), k.chain.toStdString()) << k.name;
    if (k.chain != "none") EXPECT_EQ(after, QStringList{"Edit"}) << k.name;
    EXPECT_TRUE(rig.clicks.isEmpty()) << k.name;
    EXPECT_EQ(se::InnermostMenu(), nullptr) << k.name;
  }
}
