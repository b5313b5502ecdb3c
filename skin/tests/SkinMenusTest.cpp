// Skinned menus: keyboard journeys through a skinned menu bar whose popups
// are skinned windows; items drawn from the skin's objects and plain
// without a skin; the check mark, the separator without a "Separator"
// object, a skin with "PopupMenu" but no "MenuBar"; items after a reload.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/Forms.h"
#include "skin/se_bitmap.h"
#include "skin/se_drawing.h"
#include "skin/se_engine.h"
#include "skin/se_objectclasses.h"
#include "skin/se_objectclasses2.h"
#include "skin/se_skinmenus.h"
#include "skin/se_skinobject.h"
#include "skin/tests/MenuSteps.h"

namespace {

std::string SkinSource(const char* name) {
  return std::string(BURNER_SOURCE_DIR) + "/resources/skins/" + name + "/skin.txt";
}

TSeSkinItem* Add(TSeCustomItem* parent, const QString& caption, QStringList* clicks = nullptr) {
  auto* item = new TSeSkinItem(nullptr);
  item->SetCaption(caption);
  if (clicks) item->OnClick = [clicks, caption](TComponent*) { clicks->append(StripHotkey(caption)); };
  parent->Add(item);
  return item;
}

// "File>Open" for the hot items of the open levels, with "*" after a level
// shown in a skinned popup window.
QString Chain() {
  QStringList parts;
  for (TSeItemView* v = se::InnermostMenu(); v; v = v->ParentView()) {
    QString part = v->HotItem() ? StripHotkey(v->HotItem()->Caption()) : QStringLiteral("-");
    if (dynamic_cast<TSeSkinPopupWindow*>(v->Window())) part += "*";
    parts.prepend(part);
  }
  return parts.join(">");
}

struct Key {
  int key = 0;
  Qt::KeyboardModifiers mods = Qt::NoModifier;
  QString text;
  bool snapshot = false;
};
Key K(int key, QString text = {}) { return {key, Qt::NoModifier, text, false}; }
Key Alt(int key) { return {key, Qt::AltModifier, {}, false}; }
Key Snap() { return {0, Qt::NoModifier, {}, true}; }
// A turn of the event loop (what a menu posted to itself runs first).
Key Idle() { return {}; }

void SendKey(QWidget* window, const Key& k) {
  QWidget* focus = QApplication::focusWidget();
  QObject* to = focus && focus->window() == window ? focus : window;
  QKeyEvent press(QEvent::KeyPress, k.key, k.mods, k.text);
  QCoreApplication::sendEvent(to, &press);
  QKeyEvent release(QEvent::KeyRelease, k.key, k.mods, k.text);
  QCoreApplication::sendEvent(to, &release);
}

// Plays the keys one per turn of the event loop (the menu loop is modal),
// then closes whatever is still open.
void Play(QWidget* window, std::vector<Key> keys, QStringList* snaps, std::size_t i = 0) {
  QTimer::singleShot(0, [=] {
    if (i >= keys.size()) {
      snaps->append("end:" + Chain());
      se::CancelAllMenus();
      return;
    }
    Play(window, keys, snaps, i + 1);
    if (keys[i].snapshot)
      snaps->append(Chain());
    else if (keys[i].key != 0)
      SendKey(window, keys[i]);
  });
}

class SkinMenus : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterSkinObjectClasses();
    RegisterSkinObjectClasses2();
    engine_ = CreateUnique<TSeSkinEngine>();
  }
  void LoadSkin(const char* name) { engine_->Source().LoadFromSourceFile(SkinSource(name)); }
  // A skinned bar on `form`, shown: File (New, Open, a separator, Exit)
  // and Edit (More, which holds Alpha); the leaves report to `clicks`.
  TSeSkinMenuBar* ShowBar(TForm* form, QStringList* clicks) {
    form->SetBounds(150, 120, 400, 300);
    auto* bar = Create<TSeSkinMenuBar>(form);
    bar->SetParent(form);
    bar->SetAlign(alTop);
    TSeSkinItem* file = Add(bar->Items(), "&File");
    Add(file, "&New", clicks);
    Add(file, "&Open", clicks);
    Add(file, "-");
    Add(file, "E&xit", clicks);
    TSeSkinItem* more = Add(Add(bar->Items(), "&Edit"), "&More");
    Add(more, "&Alpha", clicks);
    bar->SetSkinEngine(engine_.get());
    form->Show();
    QCoreApplication::processEvents();
    return bar;
  }

  std::unique_ptr<TSeSkinEngine> engine_;
};

// Paints the item at (0, 0, w, h) on a grey bitmap, hot or not.
std::unique_ptr<TSeBitmap> PaintPopupItem(TSeSkinItem* item, bool selected, int w = 160, int h = 20) {
  auto b = std::make_unique<TSeBitmap>();
  b->SetSize(w, h);
  se::FillRectColor(b->Canvas(), Rect(0, 0, w, h), 0x808080);
  TSeItemView view(false, false);
  item->PaintItem(b->Canvas(), view, Rect(0, 0, w, h), selected, false);
  return b;
}

TColor Rgb(TColor color) { return static_cast<TColor>(ColorToRGB(color)); }

bool HasColor(TSeBitmap& b, const TRect& r, TColor color) {
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x)
      if (b.Canvas().Pixel(x, y) == color) return true;
  return false;
}

}  // namespace

TEST_F(SkinMenus, KeyboardJourneysThroughASkinnedBar) {
  LoadSkin("devoir");
  struct Case {
    const char* name;
    Key first;
    std::vector<Key> rest;
    QString clicked;
    QString snaps;
  } cases[] = {
      {"F10 selects the first menu, Down opens it, Enter chooses",
       K(Qt::Key_F10),
       {Snap(), K(Qt::Key_Down), Snap(), K(Qt::Key_Return)},
       "New",
       "File | File>New* | end:"},
      {"mnemonic opens, arrows move, separator skipped",
       Alt(Qt::Key_F),
       {K(Qt::Key_Down), K(Qt::Key_Down), Snap(), K(Qt::Key_Return)},
       "Exit",
       "File>Exit* | end:"},
      {"mnemonic inside the popup", Alt(Qt::Key_F), {K(Qt::Key_O, "o")}, "Open", "end:"},
      {"Right opens a submenu, Escape closes one level at a time",
       Alt(Qt::Key_E),
       {K(Qt::Key_Right), Snap(), K(Qt::Key_Escape), Snap(), K(Qt::Key_Escape), Snap(), K(Qt::Key_Escape)},
       "",
       "Edit>More*>Alpha* | Edit>More* | Edit | end:"},
      {"Right on a leaf goes to the next bar menu",
       Alt(Qt::Key_F),
       {K(Qt::Key_Right), Idle(), Snap()},
       "",
       "Edit>More* | end:Edit>More*"},
  };
  for (const Case& k : cases) {
    QStringList clicks;
    auto form = CreateUnique<TForm>();
    ASSERT_TRUE(ShowBar(form.get(), &clicks)->UseSkin());
    QStringList snaps;
    Play(form.get(), k.rest, &snaps);
    SendKey(form.get(), k.first);
    for (int i = 0; i < 40; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(clicks.join(",").toStdString(), k.clicked.toStdString()) << k.name;
    EXPECT_EQ(snaps.join(" | ").toStdString(), k.snaps.toStdString()) << k.name;
    EXPECT_EQ(se::InnermostMenu(), nullptr) << k.name;
  }
}

// The colour at the left end of an item as its view's window shows it.
QRgb ItemColour(TSeItemView* view, const QString& caption) {
  TSeCustomItem* item = menusteps::ItemOf(view, caption);
  if (!item) return 0;
  const TRect r = view->GetItemRect(item);
  return view->Window()->grab().toImage().pixel(r.Left + 3, (r.Top + r.Bottom) / 2) & 0xFFFFFFu;
}

QRgb Rgb32(TColor color) { return QColor(ColorToQColor(color)).rgb() & 0xFFFFFFu; }

TEST_F(SkinMenus, MouseJourneysThroughASkinnedBar) {
  using menusteps::Mouse;
  using menusteps::MouseInMenu;
  LoadSkin("devoir");
  auto activeColor = [&](const char* top) {
    auto* item = dynamic_cast<TSeActiveSkinObject*>(engine_->Source().GetObjectByName(top)->FindObjectByName("Item"));
    return item ? Rgb32(item->ActiveColor()) : 0u;
  };
  QStringList clicks;
  auto form = CreateUnique<TForm>();
  TSeSkinMenuBar* bar = ShowBar(form.get(), &clicks);
  TSeItemView* barView = bar->View();
  const QPoint file = menusteps::Middle(barView, "File");
  const QPoint edit = menusteps::Middle(barView, "Edit");

  // With no menu open the bar's item under the mouse is hot, in the skin's
  // colour, until the mouse goes.
  Mouse(bar, QEvent::MouseMove, edit);
  ASSERT_NE(barView->HotItem(), nullptr);
  EXPECT_EQ(StripHotkey(barView->HotItem()->Caption()), "Edit");
  EXPECT_EQ(ItemColour(barView, "Edit"), activeColor("MenuBar"));
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(bar, &leave);
  EXPECT_EQ(barView->HotItem(), nullptr);
  EXPECT_NE(ItemColour(barView, "Edit"), activeColor("MenuBar"));

  // Each journey starts with a press on File: its menu drops at once.
  QStringList snaps;
  auto snap = [&] { snaps << Chain(); };
  auto window = [] { return se::InnermostMenu()->Window(); };
  auto idle = [] {};
  const struct {
    const char* name;
    menusteps::Steps steps;
    const char* snaps;
    const char* clicked;
  } journeys[] = {
      {"released where pressed, the menu stays; the mouse moves the hot item, to another bar menu and back; a "
       "press chooses",
       {[&] { Mouse(bar, QEvent::MouseButtonRelease, file); }, idle, snap,
        [&] { MouseInMenu(QEvent::MouseMove, "Open"); },
        [&] {
          snap();
          if (ItemColour(se::InnermostMenu(), "Open") != activeColor("PopupMenu")) snaps << "(not the skin's colour)";
        },
        [&] { Mouse(window(), QEvent::MouseMove, edit); }, idle, idle, idle, snap,
        [&] { Mouse(window(), QEvent::MouseMove, file); }, idle, idle, idle,
        [&] { MouseInMenu(QEvent::MouseMove, "Exit"); }, snap,
        [&] { MouseInMenu(QEvent::MouseButtonPress, "Exit", Qt::LeftButton); }, idle},
       "File>New* | File>Open* | Edit>More* | File>Exit* | end:",
       "Exit"},
      {"dragged down the menu and released over an item: that item",
       {snap, [&] { MouseInMenu(QEvent::MouseMove, "Open", Qt::LeftButton); },
        [&] { MouseInMenu(QEvent::MouseButtonRelease, "Open"); }, idle},
       "File>New* | end:",
       "Open"},
      {"released where pressed, then File pressed again: the menu closes",
       {[&] { Mouse(bar, QEvent::MouseButtonRelease, file); }, snap,
        [&] { Mouse(window(), QEvent::MouseButtonPress, file, Qt::LeftButton); }, idle, idle},
       "File>New* | end:",
       ""},
  };
  for (const auto& j : journeys) {
    snaps.clear();
    clicks.clear();
    menusteps::Run(
        j.steps, [&] { Mouse(bar, QEvent::MouseButtonPress, file, Qt::LeftButton); },
        [&] { snaps << "end:" + Chain(); });
    EXPECT_EQ(snaps.join(" | ").toStdString(), j.snaps) << j.name;
    EXPECT_EQ(clicks.join(",").toStdString(), j.clicked) << j.name;
    EXPECT_EQ(se::InnermostMenu(), nullptr) << j.name;
    Mouse(bar, QEvent::MouseButtonRelease, file);
  }
}

TEST_F(SkinMenus, ItemsDrawFromTheSkinAndPlainWithoutOne) {
  auto root = std::make_unique<TSeSkinItem>();
  TSeSkinItem* open = Add(root.get(), "&Open");
  // Plain: the hot item is the desktop's highlight.
  auto plain = PaintPopupItem(open, true);
  EXPECT_EQ(plain->Canvas().Pixel(100, 10), Rgb(clHighlight));

  LoadSkin("devoir");
  root->SetSkinEngine(engine_.get());
  ASSERT_TRUE(open->UseSkin());
  auto* object = dynamic_cast<TSeActiveSkinObject*>(open->PopupItemObject());
  ASSERT_NE(object, nullptr);
  auto hot = PaintPopupItem(open, true);
  EXPECT_EQ(hot->Canvas().Pixel(100, 10), object->ActiveColor());
  // Not selected: the skin's item is see-through on the menu's face.
  auto normal = PaintPopupItem(open, false);
  EXPECT_EQ(normal->Canvas().Pixel(100, 10), 0x808080);
  int w = 0, h = 0;
  TSeItemView view(false, false);
  open->MeasureItem(normal->Canvas(), view, w, h);
  EXPECT_EQ(h, object->Height());

  // Without the engine the item is plain again.
  root->SetSkinEngine(nullptr);
  EXPECT_FALSE(open->UseSkin());
  EXPECT_EQ(PaintPopupItem(open, true)->Canvas().Pixel(100, 10), Rgb(clHighlight));
}

TEST_F(SkinMenus, CheckMarkSeparatorAndMissingMenuBar) {
  LoadSkin("devoir");
  auto root = std::make_unique<TSeSkinItem>();
  TSeSkinItem* checked = Add(root.get(), "Show &log");
  checked->SetChecked(true);
  TSeSkinItem* plain = Add(root.get(), "Hide");
  TSeSkinItem* separator = Add(root.get(), "-");
  root->SetSkinEngine(engine_.get());
  const TColor text = Rgb(plain->PopupItemObject()->Font().Color());
  const TRect imageArea = Rect(0, 0, checked->GetImageAreaWidth(), 20);
  EXPECT_TRUE(HasColor(*PaintPopupItem(checked, false), imageArea, text));
  EXPECT_FALSE(HasColor(*PaintPopupItem(plain, false), imageArea, text));

  // Without a "Separator" object: the item object's one-pixel line.
  engine_->Source().GetObjectByName("PopupMenu")->FindObjectByName("Separator")->SetName("Gone");
  ASSERT_EQ(separator->SeparatorObject(), nullptr);
  auto line = PaintPopupItem(separator, false);
  const TColor lineColor = Rgb(separator->PopupItemObject()->Font().Color());
  int rows = 0;
  for (int y = 0; y < 20; ++y) rows += line->Canvas().Pixel(80, y) == lineColor ? 1 : 0;
  EXPECT_EQ(rows, 1);

  // "PopupMenu" without "MenuBar": every item is plain.
  engine_->Source().GetObjectByName("MenuBar")->SetName("Gone");
  EXPECT_FALSE(plain->UseSkin());
  EXPECT_EQ(PaintPopupItem(plain, true)->Canvas().Pixel(100, 10), Rgb(clHighlight));
}

TEST_F(SkinMenus, ItemsFollowAReloadedSkin) {
  LoadSkin("devoir");
  auto root = std::make_unique<TSeSkinItem>();
  TSeSkinItem* open = Add(root.get(), "&Open");
  root->SetSkinEngine(engine_.get());
  PaintPopupItem(open, true);
  // The objects the item drew from are freed by the reload; it must draw
  // from the new skin's.
  LoadSkin("slate");
  auto* object = dynamic_cast<TSeActiveSkinObject*>(open->PopupItemObject());
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(PaintPopupItem(open, true)->Canvas().Pixel(100, 10), object->ActiveColor());
  // A freed engine leaves the item plain, never dangling.
  engine_.reset();
  EXPECT_EQ(open->SkinEngine(), nullptr);
  EXPECT_EQ(PaintPopupItem(open, true)->Canvas().Pixel(100, 10), Rgb(clHighlight));
}

TEST_F(SkinMenus, ABarTakesItsFramesHeightWhetherBoundBeforeOrAfterItsItems) {
  LoadSkin("devoir");
  const int frame = engine_->Source().GetObjectByName("MenuBar")->FindObjectByName("Frame")->Height();
  for (const bool bindFirst : {true, false}) {
    auto form = CreateUnique<TForm>();
    form->SetBounds(0, 0, 300, 200);
    auto* bar = Create<TSeSkinMenuBar>(form.get());
    bar->SetParent(form.get());
    bar->SetBounds(0, 0, 300, 30);
    if (bindFirst) bar->SetSkinEngine(engine_.get());
    for (const char* caption : {"&File", "&Edit"}) Add(bar->Items(), caption);
    if (!bindFirst) bar->SetSkinEngine(engine_.get());
    EXPECT_EQ(bar->Height(), frame) << (bindFirst ? "bound first" : "bound last");
    const TRect items = bar->GetItemsRect();
    EXPECT_EQ(items.Bottom, bar->Height() - 1) << "inside the frame's bottom margin";
  }
}
