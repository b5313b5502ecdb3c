// Binding of skinned controls: the copy follows the engine's skin through
// changes, also in controls no broadcast reaches; a freed engine unbinds;
// a skin without the object leaves the plain look; forms hear of a change
// in the application's order.

#include <gtest/gtest.h>

#include <QTest>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"
#include "skin/se_binding.h"
#include "skin/se_binding_controls.h"
#include "skin/se_engine.h"
#include "skin/se_objectclasses.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string>* g_order = nullptr;

// A control bound the way every wrapper is.
class Bound : public TWinControl {
 public:
  explicit Bound(TComponent* owner, const std::string& object = "Button")
      : TWinControl(owner), binding(Create<TSeSkinBinding>(this, object)) {}
  TSeSkinBinding* binding;

 protected:
  void Dispatch(TMessage& m) override {
    if (m.Msg == SKM_BEFORECHANGE && g_order) g_order->push_back(Name());
    binding->Dispatch(m);
  }
};

class Binding : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterSkinFilters();
    dir_ = fs::temp_directory_path() / ("skinbinding-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    for (const char* name : {"devoir", "slate"}) {
      TSeSkinSource skin;
      skin.LoadFromSourceFile(std::string(BURNER_SOURCE_DIR) + "/resources/skins/" + name + "/skin.txt");
      skin.SaveToFile(Path(std::string(name) + ".mskn"));
    }
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

// True when every picture the copy's face draws from is one of the
// engine's current pictures.
bool FaceDrawsFromTheSkin(TSeSkinBinding& b, TSeSkinEngine& engine) {
  auto* face = dynamic_cast<TSeButtonObject*>(b.Find("Face"));
  if (!face || !face->Bitmap().Bitmap) return false;
  for (int i = 0; i < engine.Source().Bitmaps().Count(); ++i)
    if (engine.Source().Bitmaps().GetBitmap(i) == face->Bitmap().Bitmap) return true;
  return false;
}

}  // namespace

TEST_F(Binding, CopiesFollowTheSkinEvenWithoutABroadcast) {
  auto engine = CreateUnique<TSeSkinEngine>();
  engine->SetSkinFile(Path("devoir.mskn"));
  auto form = CreateUnique<TForm>();
  auto* onForm = Create<Bound>(form.get());
  onForm->SetParent(form.get());
  auto loose = CreateUnique<Bound>();  // on no form: no broadcast reaches it
  for (Bound* b : {onForm, loose.get()}) {
    EXPECT_FALSE(b->binding->UseSkin());
    b->binding->SetSkinEngine(engine.get());
    EXPECT_TRUE(b->binding->UseSkin());
    EXPECT_TRUE(FaceDrawsFromTheSkin(*b->binding, *engine));
  }
  const TColor devoirText = loose->binding->Find("Text")->Font().Color();
  for (const char* next : {"slate.mskn", "devoir.mskn", "slate.mskn"}) {
    engine->SetSkinFile(Path(next));
    for (Bound* b : {onForm, loose.get()}) {
      ASSERT_TRUE(b->binding->UseSkin()) << next;
      EXPECT_TRUE(FaceDrawsFromTheSkin(*b->binding, *engine)) << next << " " << b->Name();
    }
  }
  EXPECT_NE(loose->binding->Find("Text")->Font().Color(), devoirText) << "the slate copy";

  // "(none)": every control draws its plain look; a skin back binds again.
  engine->SetSkinFile("");
  EXPECT_FALSE(onForm->binding->UseSkin());
  EXPECT_EQ(loose->binding->SkinCopy(), nullptr);
  engine->SetSkinFile(Path("devoir.mskn"));
  EXPECT_TRUE(loose->binding->UseSkin());

  // A name the skin lacks leaves the plain look, with the fallback lookups.
  loose->binding->SetSkinObject("NoSuchObject");
  loose->binding->SetSkinEngine(engine.get());
  EXPECT_FALSE(loose->binding->UseSkin());
  EXPECT_EQ(loose->binding->FindOrCopy("Face"), nullptr);

  // A freed engine unbinds everything that pointed at it.
  engine.reset();
  EXPECT_EQ(onForm->binding->SkinEngine(), nullptr);
  EXPECT_EQ(onForm->binding->SkinCopy(), nullptr);
  EXPECT_FALSE(onForm->binding->UseSkin());
}

TEST_F(Binding, ControlsFreedBeforeTheEngineLeaveIt) {
  auto engine = CreateUnique<TSeSkinEngine>();
  engine->SetSkinFile(Path("devoir.mskn"));
  for (int i = 0; i < 3; ++i) {
    auto b = CreateUnique<Bound>();
    b->binding->SetSkinEngine(engine.get());
  }
  engine->SetSkinFile(Path("slate.mskn"));  // would reach freed bindings if they stayed
  EXPECT_EQ(engine->Source().SkinName, "Slate");
}

TEST_F(Binding, FormsHearOfAChangeInTheApplicationsOrder) {
  auto engine = CreateUnique<TSeSkinEngine>();
  engine->SetSkinFile(Path("devoir.mskn"));
  std::vector<std::string> order;
  g_order = &order;
  std::vector<TCustomForm*> forms;
  for (const char* name : {"Zeta", "Alpha", "Mid", "Beta"}) {
    TForm* form = Application().CreateForm<TForm>();
    form->SetName(std::string("Form") + name);
    auto* probe = Create<Bound>(form);
    probe->SetName(name);
    probe->SetParent(form);
    forms.push_back(form);
  }
  engine->SetSkinFile(Path("slate.mskn"));
  g_order = nullptr;
  for (TCustomForm* form : forms) delete form;  // the application's forms of this test
  EXPECT_EQ(order, (std::vector<std::string>{"Zeta", "Alpha", "Mid", "Beta"}));
}

namespace {

// The colour a picture object of the skin copy shows at its own centre
// when drawn alone at `size` in `state`.
TSeArgb PartColour(TSeSkinObject* object, const TRect& r, TSeObjectState state, int x, int y) {
  TSeBitmap piece;
  piece.SetSize(r.Right, r.Bottom);
  piece.Clear(0xFF000000u);
  auto clone = CloneSkinObject(*object);
  se::DrawSkinPart(clone.get(), piece.Canvas(), r, state);
  return piece.GetPixel(x, y) | 0xFF000000u;
}

TSeArgb Shown(QWidget* w, int x, int y) { return w->grab().toImage().pixel(x, y) | 0xFF000000u; }

}  // namespace

TEST_F(Binding, ScrollBarDrawsItsSkinAndFollowsTheMouse) {
  auto engine = CreateUnique<TSeSkinEngine>();
  engine->SetSkinFile(Path("devoir.mskn"));
  auto form = CreateUnique<TForm>();
  form->SetBounds(0, 0, 100, 240);
  auto* bar = Create<TSeSkinScrollBar>(form.get());
  bar->SetParent(form.get());
  bar->SetKind(sbVertical);
  bar->SetBounds(10, 10, 24, 200);
  bar->SetPosition(0);
  form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  const TSeArgb plain = Shown(bar, 12, 100);

  bar->SetSkinEngine(engine.get());
  EXPECT_EQ(bar->Width(), 16) << "the skin's frame gives the thickness";
  // The same frame serves a horizontal bar: its short side, not its height.
  auto* across = Create<TSeSkinScrollBar>(form.get());
  across->SetParent(form.get());
  across->SetBounds(40, 10, 50, 24);
  across->SetSkinEngine(engine.get());
  EXPECT_EQ(across->Height(), 16);
  EXPECT_EQ(across->Width(), 50);
  EXPECT_EQ(bar->GetButtonSize(), 16);
  TSeSkinObject* top = engine->Source().GetObjectByName("ScrollBar")->FindObjectByName("TopButton");
  const TRect button = bar->GetFirstButtonRect();
  const TSeArgb normal = PartColour(top, button, osNormal, 2, 8);
  const TSeArgb pressed = PartColour(top, button, osPressed, 2, 8);
  ASSERT_NE(normal, pressed);
  EXPECT_EQ(Shown(bar, 2, 8), normal);
  EXPECT_NE(Shown(bar, 8, 100), plain) << "the track is the skin's";
  QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(8, 8));
  EXPECT_EQ(Shown(bar, 2, 8), pressed);
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(8, 8));
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(8, 192));
  EXPECT_EQ(bar->Position(), 1) << "the skinned buttons still scroll";

  // Unbound again, the plain painters come back.
  engine->SetSkinFile("");
  EXPECT_FALSE(bar->Binding().UseSkin());
  EXPECT_NE(Shown(bar, 2, 8), normal);
}
