// Golden pictures of every skinned control in each of our skins, one strip
// per control and skin with a cell per state (normal, hot, pressed,
// focused, disabled, as far as the control has them), compared pixel for
// pixel offscreen and, in a child run, on a real X server under Xvfb.
//
// After a deliberate change, write them anew and look at each PNG before
// committing it:
//   BURNER_WRITE_GOLDEN=1 build/tests/burner_skin_tests --gtest_filter='SkinGolden.*'

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/Forms.h"
#include "skin/se_binding_bars.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_binding_controls.h"
#include "skin/se_binding_edits.h"
#include "skin/se_binding_lists.h"
#include "skin/se_binding_tabs.h"
#include "skin/se_engine.h"
#include "skin/se_skinmenus.h"
#include "skin/se_skinsource.h"
#include "skin/se_tabsheets.h"
#include "skin/tests/XvfbChild.h"

namespace {

const char* const kSkins[] = {"devoir", "meadow", "slate"};

enum class State { Normal, Hot, Pressed, Focused, Disabled };
const char* StateName(State s) {
  switch (s) {
    case State::Normal: return "normal";
    case State::Hot: return "hot";
    case State::Pressed: return "pressed";
    case State::Focused: return "focused";
    case State::Disabled: return "disabled";
  }
  return "?";
}

// One control: how to make it on a parent, its size, the point the mouse
// hovers and presses at, and the states it shows.
struct ControlCase {
  const char* name;
  int width;
  int height;
  std::function<TControl*(TWinControl* parent, TSeSkinEngine* engine)> make;
  QPoint at;
  std::vector<State> states;
};

// A control bound to the engine at (left, top) on its parent; the cases
// put theirs at (12, 12).
template <class T>
T* Child(TWinControl* parent, TSeSkinEngine* engine, int width, int height, int left = 12, int top = 12) {
  auto* control = Create<T>(parent);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  control->SetSkinEngine(engine);
  return control;
}

const std::vector<State> kAll = {State::Normal, State::Hot, State::Pressed, State::Focused, State::Disabled};
const std::vector<State> kNoFocus = {State::Normal, State::Hot, State::Pressed, State::Disabled};
const std::vector<State> kNoPress = {State::Normal, State::Hot, State::Focused, State::Disabled};
const std::vector<State> kPassive = {State::Normal, State::Hot, State::Disabled};

std::vector<ControlCase> Controls() {
  return {
      {"button", 90, 25,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinButton>(p, e, 90, 25);
         c->SetCaption("&Burn");
         return c;
       },
       {45, 12}, kAll},
      {"checkbox", 120, 20,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinCheckBox>(p, e, 120, 20);
         c->SetCaption("&Verify data");
         c->SetState(cbChecked);
         return c;
       },
       {8, 10}, kAll},
      {"radiobutton", 120, 20,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinRadioButton>(p, e, 120, 20);
         c->SetCaption("&Track at once");
         c->SetChecked(true);
         return c;
       },
       {8, 10}, kAll},
      {"groupbox", 150, 70,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinGroupBox>(p, e, 150, 70);
         c->SetCaption("Writing");
         return c;
       },
       {75, 35}, kPassive},
      {"label", 140, 16,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinLabel>(p, e, 140, 16);
         c->SetCaption("A label of the skin");
         return c;
       },
       {20, 8}, kPassive},
      {"speedbutton", 40, 26,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinSpeedButton>(p, e, 40, 26);
         c->SetCaption("OK");
         return c;
       },
       {20, 13}, kNoFocus},
      {"speedbutton-flat-chevron", 40, 26,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinSpeedButton>(p, e, 40, 26);
         c->SetCaption("4");
         c->SetFlat(true);
         c->SetShowChevron(true);
         return c;
       },
       {10, 13}, kNoFocus},
      {"spinbutton", 15, 22, [](TWinControl* p, TSeSkinEngine* e) { return Child<TSeSkinSpinButton>(p, e, 15, 22); },
       {7, 5}, kNoFocus},
      {"progressbar", 160, 16,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinProgressBar>(p, e, 160, 16);
         c->SetPosition(60);
         return c;
       },
       {80, 8}, kPassive},
      {"statusbar", 260, 22,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinStatusBar>(p, e, 260, 22);
         c->Panels()->Add()->SetText("Ready");
         c->Panels()->Items(0)->SetWidth(120);
         c->Panels()->Add()->SetText("700 MB");
         c->Panels()->Items(1)->SetWidth(100);
         return c;
       },
       {60, 11}, kPassive},
      {"toolbar", 200, 30,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinToolBar>(p, e, 200, 30);
         for (int i = 0; i < 3; ++i) {
           auto* b = Create<TSeSkinSpeedButton>(c);
           b->SetParent(c);
           b->SetBounds(i * 30, 0, 28, 26);
           b->SetCaption(QString::number(i + 1));
           b->SetFlat(true);
           b->SetSkinEngine(e);
         }
         return c;
       },
       {45, 13}, kNoFocus},
      {"controlbar", 260, 34,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinControlBar>(p, e, 260, 34);
         Child<TSeSkinToolBar>(c, e, 120, 26, 14, 2);
         return c;
       },
       {150, 17}, kPassive},
      {"listbox", 140, 80,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinListBox>(p, e, 140, 80);
         c->SetShowCheckBoxes(true);
         c->SetItems({"Audio CD", "Data disc", "Video DVD", "Image file", "Copy disc", "Erase", "Verify"});
         c->SetState(1, csChecked);
         c->SetItemIndex(1);
         return c;
       },
       {50, 40}, kAll},
      {"combobox", 140, 21,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinComboBox>(p, e, 140, 21);
         c->SetComboStyle(kcsDropDownList);
         c->SetItems({"ISO 9660", "Joliet"});
         c->SetItemIndex(1);
         return c;
       },
       {130, 10}, kNoPress},
      {"edit", 140, 21,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinEdit>(p, e, 140, 21);
         c->SetText("New disc");
         return c;
       },
       {100, 10}, kNoPress},
      {"editbutton", 140, 21,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinEditButton>(p, e, 140, 21);
         c->SetText("/home/disc");
         return c;
       },
       {60, 10}, kNoPress},
      {"spinedit", 80, 21,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinSpinEdit>(p, e, 80, 21);
         c->SetText("16");
         return c;
       },
       {30, 10}, kNoPress},
      {"scrollbar", 160, 17,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinScrollBar>(p, e, 160, 17);
         c->SetPosition(30);
         c->SetLargeChange(10);
         return c;
       },
       {8, 8}, kNoFocus},
      {"tabcontrol", 220, 80,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinTabControl>(p, e, 220, 80);
         c->SetTabs({"Data", "Audio", "Video"});
         c->SetTabIndex(0);
         return c;
       },
       {80, 10}, kAll},
      {"pagecontrol", 220, 80,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinPageControl>(p, e, 220, 80);
         for (const char* caption : {"&General", "&Burning"}) {
           auto* page = Create<TSeCustomTabSheet>(c);
           page->SetCaption(caption);
           page->SetTabControl(c);
         }
         c->SetActivePageIndex(1);
         return c;
       },
       {30, 10}, kAll},
      {"trackbar", 160, 45,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinTrackBar>(p, e, 160, 45);
         c->SetMin(0);
         c->SetMax(10);
         c->SetPosition(5);
         c->SetIntervalHighlightType(htLowInterval);
         return c;
       },
       {80, 15}, kAll},
      {"menubar", 200, 21,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinMenuBar>(p, e, 200, 21);
         for (const char* caption : {"&File", "&Edit", "&Help"}) {
           auto* item = new TSeSkinItem(nullptr);
           item->SetCaption(caption);
           c->Items()->Add(item);
         }
         return c;
       },
       {60, 10}, kPassive},
  };
}

// The shipped skins compiled from their sources, once per process.
struct Skins {
  Skins() {
    RegisterSkinFilters();
    dir = std::filesystem::temp_directory_path() / ("skingolden-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    for (const char* name : kSkins) {
      TSeSkinSource source;
      source.LoadFromSourceFile(std::string(BURNER_SOURCE_DIR) + "/resources/skins/" + name + "/skin.txt");
      source.SaveToFile(Path(name));
    }
  }
  ~Skins() { std::filesystem::remove_all(dir); }
  std::string Path(const char* name) const { return (dir / (std::string(name) + ".mskn")).string(); }
  std::filesystem::path dir;
};

const Skins& TheSkins() {
  static Skins skins;
  return skins;
}

// Moves the mouse and lets the control hear of it: on a real X server the
// pointer moves first and its crossing events come after (offscreen they
// come at once).
void MoveMouse(QWidget* to, QPoint at, QWidget* control, bool inside) {
  QTest::mouseMove(to, at);
  if (QGuiApplication::platformName() != QLatin1String("offscreen"))
    QTest::qWaitFor([&] { return control->underMouse() == inside; }, 1000);
  QCoreApplication::processEvents();
}

// The control alone on a form of its own, put into the state, photographed.
QImage Shoot(const ControlCase& k, TSeSkinEngine* engine, State state) {
  auto form = CreateUnique<TForm>();
  form->SetBounds(0, 0, k.width + 24, k.height + 24);
  if (TSeSkinObject* f = engine->Source().GetObjectByName("Form"))
    if (TSeSkinObject* client = f->FindObjectByName("Client"))
      if (client->Color() != clNone) form->SetColor(client->Color());
  TControl* control = k.make(form.get(), engine);
  form->Show();
  if (!QTest::qWaitForWindowExposed(form.get())) return {};
  // The form holds the focus unless the control is to have it, so that no
  // platform's activation hands it to the first control.
  QApplication::setActiveWindow(form.get());
  form->setFocus(Qt::OtherFocusReason);
  const QPoint away(k.width + 20, k.height + 20);
  MoveMouse(form.get(), away, control, false);
  switch (state) {
    case State::Normal: break;
    case State::Hot: MoveMouse(control, k.at, control, true); break;
    case State::Pressed:
      MoveMouse(control, k.at, control, true);
      QTest::mousePress(control, Qt::LeftButton, {}, k.at);
      break;
    case State::Focused: control->setFocus(Qt::OtherFocusReason); break;
    case State::Disabled: control->SetEnabled(false); break;
  }
  QImage shot = control->grab().toImage().convertToFormat(QImage::Format_RGB32);
  if (state == State::Pressed) QTest::mouseRelease(control, Qt::LeftButton, {}, k.at);
  MoveMouse(form.get(), away, control, false);
  return shot;
}

// The states side by side, two white columns between them.
QImage Strip(const ControlCase& k, TSeSkinEngine* engine) {
  std::vector<QImage> shots;
  int w = 0, h = 0;
  for (State s : k.states) {
    shots.push_back(Shoot(k, engine, s));
    w += shots.back().width() + 2;
    h = std::max(h, shots.back().height());
  }
  QImage all(std::max(1, w), std::max(1, h), QImage::Format_RGB32);
  all.fill(Qt::white);
  QPainter painter(&all);
  int x = 0;
  for (const QImage& s : shots) {
    painter.drawImage(x, 0, s);
    x += s.width() + 2;
  }
  return all;
}

QString FileName(const char* skin, const ControlCase& k) { return QString("%1/%2.png").arg(skin, k.name); }
QString GoldenPath(const char* skin, const ControlCase& k) {
  return QString(BURNER_SOURCE_DIR) + "/skin/tests/golden/skins/" + FileName(skin, k);
}

// The states whose cells differ, "size" when the strips' sizes do.
std::string Differences(const ControlCase& k, const QImage& actual, const QImage& expected) {
  if (actual.size() != expected.size()) return "size";
  std::string bad;
  const int cell = actual.width() / static_cast<int>(k.states.size());
  for (std::size_t i = 0; i < k.states.size(); ++i) {
    bool differs = false;
    for (int y = 0; y < actual.height() && !differs; ++y)
      for (int x = static_cast<int>(i) * cell; x < static_cast<int>(i + 1) * cell && !differs; ++x)
        differs = (actual.pixel(x, y) & 0xFFFFFF) != (expected.pixel(x, y) & 0xFFFFFF);
    if (differs) bad += std::string(bad.empty() ? "" : ",") + StateName(k.states[i]);
  }
  return bad;
}

// Every strip of every skin, handed to `each`.
void ForEachStrip(const std::function<void(const char* skin, const ControlCase& k, const QImage& strip)>& each) {
  for (const char* skin : kSkins) {
    auto engine = CreateUnique<TSeSkinEngine>();
    engine->SetSkinFile(TheSkins().Path(skin));
    ASSERT_FALSE(engine->Source().SkinName.empty()) << skin;
    for (const ControlCase& k : Controls()) each(skin, k, Strip(k, engine.get()));
  }
}

}  // namespace

TEST(SkinGolden, EveryControlInEveryStateMatchesItsPicture) {
  const bool write = std::getenv("BURNER_WRITE_GOLDEN") != nullptr;
  ForEachStrip([&](const char* skin, const ControlCase& k, const QImage& strip) {
    const QString path = GoldenPath(skin, k);
    if (write) {
      QDir().mkpath(QFileInfo(path).path());
      ASSERT_TRUE(strip.save(path)) << path.toStdString();
      return;
    }
    const QImage expected(path);
    ASSERT_FALSE(expected.isNull()) << "missing " << path.toStdString() << " (BURNER_WRITE_GOLDEN=1 makes it)";
    EXPECT_EQ(Differences(k, strip, expected.convertToFormat(QImage::Format_RGB32)), "") << skin << " " << k.name;
  });
}

// The child half of the next test; does nothing in a normal run.
TEST(SkinGolden, WritePicturesForParent) {
  const QString out = qEnvironmentVariable("BURNER_SKIN_GOLDEN_OUT");
  if (out.isEmpty()) GTEST_SKIP() << "runs only as the child of SameUnderXvfb";
  ForEachStrip([&](const char* skin, const ControlCase& k, const QImage& strip) {
    const QString path = out + "/" + FileName(skin, k);
    QDir().mkpath(QFileInfo(path).path());
    ASSERT_TRUE(strip.save(path)) << path.toStdString();
  });
}

TEST(SkinGolden, SameUnderXvfb) {
  QTemporaryDir dir;
  const XvfbChild child = RunUnderXvfb("SkinGolden.WritePicturesForParent", {{"BURNER_SKIN_GOLDEN_OUT", dir.path()}});
  if (!child.ran) GTEST_SKIP() << "xvfb-run is not installed: the X11 comparison did not run";
  for (const char* skin : kSkins)
    for (const ControlCase& k : Controls()) {
      const QImage x11(dir.filePath(FileName(skin, k)));
      ASSERT_FALSE(x11.isNull()) << skin << " " << k.name << "\n" << child.log.toStdString();
      const QImage expected(GoldenPath(skin, k));
      ASSERT_FALSE(expected.isNull()) << GoldenPath(skin, k).toStdString();
      EXPECT_EQ(Differences(k, x11.convertToFormat(QImage::Format_RGB32),
                            expected.convertToFormat(QImage::Format_RGB32)),
                "")
          << skin << " " << k.name << " under X11";
    }
}
