// Golden pictures of every skinned control without a skin and in each of
// our skins, one strip per control and look with a cell per state (normal, hot, pressed,
// focused, disabled, as far as the control has them), and of the windows
// that are no single control (hints, a skinned form with its menu open),
// plain and in each skin, compared pixel for pixel offscreen and, in a
// child run, on a real X server under Xvfb.
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
#include "skin/se_engine.h"
#include "skin/se_popupmenu.h"
#include "skin/se_previews.h"
#include "skin/se_skinhints.h"
#include "skin/se_skinsource.h"
#include "skin/tests/SkinnedControls.h"
#include "skin/tests/XvfbChild.h"

namespace {

using namespace skintest;

const char* const kSkins[] = {"devoir", "meadow", "slate"};

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
  const QPixmap pixmap = k.overlays ? form->grab(QRect(control->Left(), control->Top(), k.width, k.height))
                                    : control->grab();
  QImage shot = pixmap.toImage().convertToFormat(QImage::Format_RGB32);
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

// The hint window as the hint machinery shows it for a control of a form
// (the shadow is left out: it shows whatever lies behind the window).
QImage ShootHint(TSeSkinEngine* engine) {
  auto form = CreateUnique<TForm>();
  auto* hint = Create<TSeSkinHint>(form.get());
  hint->SetSkinEngine(engine);
  hint->Shadow()->SetEnabled(false);
  auto window = CreateUnique<TSeHintWindow>();
  const QString text = QStringLiteral("Writes the compilation\nto the disc in the drive");
  TRect r = window->CalcHintRect(300, text, hint);
  OffsetRect(r, 40, 40);
  window->ActivateHintData(r, text, hint);
  if (!QTest::qWaitForWindowExposed(window.get())) return {};
  return window->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The skinned frame with its File menu open: the form's picture with the
// menu window's laid over it where the screen shows it.
QImage ShootMenuForm(const std::string& skinFile) {
  TSkinMenuForm made = MakeSkinMenuForm(skinFile);
  TCustomForm* form = made.form.get();
  form->Show();
  if (!QTest::qWaitForWindowExposed(form)) return {};
  std::unique_ptr<TSePopupWindow> popup(OpenPreviewMenu(nullptr, made.bar, made.menu));
  popup->ShowPopup();
  if (!QTest::qWaitForWindowExposed(popup.get())) return {};
  QCoreApplication::processEvents();
  QImage all = form->grab().toImage().convertToFormat(QImage::Format_RGB32);
  QPainter painter(&all);
  painter.drawImage(popup->mapToGlobal(QPoint(0, 0)) - form->mapToGlobal(QPoint(0, 0)), popup->grab().toImage());
  return all;
}

// A window that is not one control, photographed whole.
struct WindowCase {
  const char* name;
  std::function<QImage(const std::string& skinFile, TSeSkinEngine* engine)> shoot;
};

std::vector<WindowCase> Windows() {
  return {
      {"hint", [](const std::string&, TSeSkinEngine* e) { return ShootHint(e); }},
      {"form-menu-open", [](const std::string& file, TSeSkinEngine*) { return ShootMenuForm(file); }},
  };
}

const std::vector<State> kWhole = {State::Normal};

// One picture: its folder (the skin, or "plain"), its name and its cells.
struct Picture {
  std::string folder;
  std::string name;
  std::vector<State> states;
  QImage image;
};

QString FileName(const Picture& p) { return QString::fromStdString(p.folder + "/" + p.name + ".png"); }
QString GoldenPath(const Picture& p) { return QString(BURNER_SOURCE_DIR) + "/skin/tests/golden/skins/" + FileName(p); }

// The states whose cells differ, "size" when the strips' sizes do.
std::string Differences(const std::vector<State>& states, const QImage& actual, const QImage& expected) {
  if (actual.size() != expected.size()) return "size";
  std::string bad;
  const int cell = actual.width() / static_cast<int>(states.size());
  for (std::size_t i = 0; i < states.size(); ++i) {
    bool differs = false;
    for (int y = 0; y < actual.height() && !differs; ++y)
      for (int x = static_cast<int>(i) * cell; x < static_cast<int>(i + 1) * cell && !differs; ++x)
        differs = (actual.pixel(x, y) & 0xFFFFFF) != (expected.pixel(x, y) & 0xFFFFFF);
    if (differs) bad += std::string(bad.empty() ? "" : ",") + StateName(states[i]);
  }
  return bad;
}

using EachPicture = std::function<void(const Picture&)>;

// No skin ("plain") and each of ours, with the engine that has it loaded
// and its file; without `load` the engine stays empty.
void ForEachLook(bool load, const std::function<void(const std::string& folder, const std::string& file,
                                                     TSeSkinEngine* engine)>& each) {
  std::vector<std::string> skins = {""};
  skins.insert(skins.end(), std::begin(kSkins), std::end(kSkins));
  for (const std::string& skin : skins) {
    const std::string file = skin.empty() ? std::string() : TheSkins().Path(skin.c_str());
    auto engine = CreateUnique<TSeSkinEngine>();
    if (load && !file.empty()) {
      engine->SetSkinFile(file);
      ASSERT_FALSE(engine->Source().SkinName.empty()) << skin;
    }
    each(skin.empty() ? "plain" : skin, file, engine.get());
  }
}

// Every strip plain and in every skin, handed to `each`; without `shoot`
// only its names, the image left empty.
void ForEachStrip(const EachPicture& each, bool shoot = true) {
  ForEachLook(shoot, [&](const std::string& folder, const std::string&, TSeSkinEngine* engine) {
    for (const ControlCase& k : Controls()) each({folder, k.name, k.states, shoot ? Strip(k, engine) : QImage()});
  });
}

// Every window plain and in every skin, handed to `each` as ForEachStrip
// hands the strips.
void ForEachWindow(const EachPicture& each, bool shoot = true) {
  ForEachLook(shoot, [&](const std::string& folder, const std::string& file, TSeSkinEngine* engine) {
    for (const WindowCase& w : Windows()) each({folder, w.name, kWhole, shoot ? w.shoot(file, engine) : QImage()});
  });
}

// Writes the picture over its golden file with BURNER_WRITE_GOLDEN set,
// else compares it with that file.
void MatchGolden(const Picture& p) {
  const QString path = GoldenPath(p);
  if (std::getenv("BURNER_WRITE_GOLDEN") != nullptr) {
    QDir().mkpath(QFileInfo(path).path());
    ASSERT_TRUE(p.image.save(path)) << path.toStdString();
    return;
  }
  const QImage expected(path);
  ASSERT_FALSE(expected.isNull()) << "missing " << path.toStdString() << " (BURNER_WRITE_GOLDEN=1 makes it)";
  EXPECT_EQ(Differences(p.states, p.image, expected.convertToFormat(QImage::Format_RGB32)), "")
      << p.folder << " " << p.name;
}

}  // namespace

TEST(SkinGolden, EveryControlInEveryStateMatchesItsPicture) { ForEachStrip(MatchGolden); }

TEST(SkinGolden, HintsAndAFormWithItsMenuOpenMatchTheirPicturesPlainAndSkinned) { ForEachWindow(MatchGolden); }

// The child half of the next test; does nothing in a normal run.
TEST(SkinGolden, WritePicturesForParent) {
  const QString out = qEnvironmentVariable("BURNER_SKIN_GOLDEN_OUT");
  if (out.isEmpty()) GTEST_SKIP() << "runs only as the child of SameUnderXvfb";
  const EachPicture write = [&](const Picture& p) {
    const QString path = out + "/" + FileName(p);
    QDir().mkpath(QFileInfo(path).path());
    ASSERT_TRUE(p.image.save(path)) << path.toStdString();
  };
  ForEachStrip(write);
  ForEachWindow(write);
}

TEST(SkinGolden, SameUnderXvfb) {
  QTemporaryDir dir;
  const XvfbChild child = RunUnderXvfb("SkinGolden.WritePicturesForParent", {{"BURNER_SKIN_GOLDEN_OUT", dir.path()}});
  if (!child.ran) GTEST_SKIP() << "xvfb-run is not installed: the X11 comparison did not run";
  const EachPicture compare = [&](const Picture& p) {
    const QImage x11(dir.filePath(FileName(p)));
    ASSERT_FALSE(x11.isNull()) << p.folder << " " << p.name << "\n" << child.log.toStdString();
    const QImage expected(GoldenPath(p));
    ASSERT_FALSE(expected.isNull()) << GoldenPath(p).toStdString();
    EXPECT_EQ(Differences(p.states, x11.convertToFormat(QImage::Format_RGB32),
                          expected.convertToFormat(QImage::Format_RGB32)),
              "")
        << p.folder << " " << p.name << " under X11";
  };
  ForEachStrip(compare, false);
  ForEachWindow(compare, false);
}
