// The skin engine: loading by SkinFile, the before/after broadcast to every
// form and its controls, re-binding (and the plain look when the new skin
// lacks a control's object), hue shifts and the streamed skin.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/Forms.h"
#include "skin/se_engine.h"
#include "skin/se_objectclasses.h"

namespace fs = std::filesystem;

namespace {

struct Log {
  std::vector<std::string> lines;
};

// A control that binds to a skin object the way skinned controls do: it
// drops its copy before a change and clones its object after one.
template <class Base>
class Probe : public Base {
 public:
  Probe(TComponent* owner, Log* log, TSeSkinEngine* engine, std::string object)
      : Base(owner), log_(log), engine_(engine), object_(std::move(object)) {}
  TSeSkinObject* Copy() const { return copy_.get(); }
  bool sawSkinWhileBefore = false;

 protected:
  void Dispatch(TMessage& m) override {
    if (m.LParam != reinterpret_cast<std::intptr_t>(engine_)) return;
    if (m.Msg == SKM_BEFORECHANGE) {
      log_->lines.push_back("before " + this->Name());
      sawSkinWhileBefore = engine_->Source().Loading() && engine_->Source().GetObjectByName(object_);
      copy_.reset();
    } else if (m.Msg == SKM_AFTERCHANGE) {
      log_->lines.push_back("after " + this->Name());
      TSeSkinObject* object =
          engine_->Source().Loading() ? nullptr : engine_->Source().GetObjectByName(object_);
      copy_ = object ? CloneSkinObject(*object) : nullptr;
    }
  }

 private:
  Log* log_;
  TSeSkinEngine* engine_;
  std::string object_;
  std::unique_ptr<TSeSkinObject> copy_;
};

using FormProbe = Probe<TForm>;
using PanelProbe = Probe<TWinControl>;
using LabelProbe = Probe<TGraphicControl>;

void SaveSkin(const std::string& path, const std::vector<std::string>& objects, TColor color) {
  TSeSkinSource s;
  auto bitmap = std::make_unique<TSeBitmap>();
  bitmap->SetName("P");
  bitmap->SetSize(2, 1);
  *bitmap->PixelPtr(0, 0) = 0xFFFF0000u;
  *bitmap->PixelPtr(1, 0) = KeyColor;
  s.Bitmaps().Add(std::move(bitmap));
  for (const std::string& name : objects) {
    auto o = CreateUnique<TSeSkinObject>();
    o->SetName(name);
    o->SetColor(color);
    s.AddObject(std::move(o));
  }
  s.SaveToFile(path);
}

class Engine : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterSkinFilters();
    dir_ = fs::temp_directory_path() / ("skinengine-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    engine_ = CreateUnique<TSeSkinEngine>();
    form_.reset(new FormProbe(nullptr, &log_, engine_.get(), "Form"));
    form_->SetName("Main");
    panel_ = new PanelProbe(form_.get(), &log_, engine_.get(), "Panel");
    panel_->SetName("Panel");
    panel_->SetParent(form_.get());
    button_ = new PanelProbe(form_.get(), &log_, engine_.get(), "Button");
    button_->SetName("Button");
    button_->SetParent(panel_);
    label_ = new LabelProbe(form_.get(), &log_, engine_.get(), "Label");
    label_->SetName("Label");
    label_->SetParent(panel_);
    other_ = new PanelProbe(form_.get(), &log_, engine_.get(), "Edit");
    other_->SetName("Other");
    other_->SetParent(form_.get());
  }
  void TearDown() override {
    form_.reset();
    fs::remove_all(dir_);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::vector<std::string> Lines(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& l : log_.lines)
      if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
  }

  fs::path dir_;
  Log log_;
  std::unique_ptr<TSeSkinEngine> engine_;
  std::unique_ptr<FormProbe> form_;
  PanelProbe* panel_;
  PanelProbe* button_;
  LabelProbe* label_;
  PanelProbe* other_;
};

}  // namespace

TEST_F(Engine, FirstSkinSendsOnlyTheAfterChangeToEveryControl) {
  SaveSkin(Path("a.tskn"), {"Form", "Panel", "Button", "Label"}, clRed);
  int afterEvents = 0;
  engine_->OnAfterChange = [&](TComponent* sender) {
    EXPECT_EQ(sender, engine_.get());
    ++afterEvents;
  };
  engine_->SetSkinFile(Path("a.tskn"));
  EXPECT_TRUE(Lines("before").empty());
  const std::vector<std::string> want = {"after Main", "after Panel", "after Button", "after Label",
                                         "after Other"};
  EXPECT_EQ(Lines("after"), want);
  EXPECT_EQ(afterEvents, 1);
  ASSERT_NE(button_->Copy(), nullptr);
  EXPECT_EQ(button_->Copy()->Color(), clRed);
  EXPECT_NE(label_->Copy(), nullptr);
  EXPECT_EQ(other_->Copy(), nullptr) << "the skin has no Edit: plain look";
  EXPECT_EQ(engine_->SkinFile(), Path("a.tskn"));
}

TEST_F(Engine, ChangingSkinsTellsEveryControlBeforeTheOldSkinGoes) {
  SaveSkin(Path("a.tskn"), {"Form", "Panel", "Button", "Label"}, clRed);
  SaveSkin(Path("b.xskn"), {"Form", "Label", "Edit"}, clBlue);
  engine_->SetSkinFile(Path("a.tskn"));
  log_.lines.clear();
  std::vector<std::string> order;
  engine_->OnBeforeChange = [&](TComponent*) { order.push_back("event before"); };
  engine_->OnAfterChange = [&](TComponent*) { order.push_back("event after"); };
  engine_->SetSkinFile(Path("b.xskn"));
  const std::vector<std::string> before = {"before Main", "before Panel", "before Button", "before Label",
                                           "before Other"};
  EXPECT_EQ(Lines("before"), before);
  EXPECT_TRUE(button_->sawSkinWhileBefore) << "the old skin is still there, marked as loading";
  EXPECT_EQ(log_.lines.size(), 10u);
  EXPECT_EQ(log_.lines[4], "before Other");
  EXPECT_EQ(log_.lines[5], "after Main");
  EXPECT_EQ(order, (std::vector<std::string>{"event before", "event after"}));
  EXPECT_EQ(button_->Copy(), nullptr) << "the new skin lacks Button";
  EXPECT_EQ(panel_->Copy(), nullptr);
  ASSERT_NE(label_->Copy(), nullptr);
  EXPECT_EQ(label_->Copy()->Color(), clBlue);
  ASSERT_NE(other_->Copy(), nullptr);
  EXPECT_FALSE(engine_->Source().Loading());

  // An empty name drops the skin: everyone goes plain.
  engine_->SetSkinFile("");
  EXPECT_EQ(engine_->Source().Count(), 0);
  EXPECT_EQ(label_->Copy(), nullptr);
  EXPECT_EQ(other_->Copy(), nullptr);
  EXPECT_EQ(form_->Copy(), nullptr);
}

TEST_F(Engine, DamagedFileChangesNothing) {
  SaveSkin(Path("a.tskn"), {"Form", "Label"}, clRed);
  engine_->SetSkinFile(Path("a.tskn"));
  {
    std::ofstream bad(Path("bad.tskn"), std::ios::binary);
    bad << "TBLZ" << std::string(100, 'z');
  }
  log_.lines.clear();
  EXPECT_THROW(engine_->SetSkinFile(Path("bad.tskn")), Exception);
  EXPECT_TRUE(log_.lines.empty());
  EXPECT_EQ(engine_->SkinFile(), Path("a.tskn"));
  EXPECT_EQ(engine_->Source().Count(), 2);
  EXPECT_FALSE(engine_->Source().Loading());
  ASSERT_NE(label_->Copy(), nullptr);
}

TEST_F(Engine, HueShiftsTheLoadedSkinWithABroadcast) {
  engine_->SetDeltaHue(40);  // no skin: only stored
  EXPECT_TRUE(log_.lines.empty());
  SaveSkin(Path("a.uskn"), {"Form"}, clRed);
  engine_->SetSkinFile(Path("a.uskn"));
  TSeBitmap* pic = engine_->Source().Bitmaps().GetBitmap(0);
  EXPECT_EQ(pic->GetPixel(0, 0), se::ShiftArgbHue(0xFFFF0000u, 40)) << "applied at load";
  EXPECT_EQ(pic->GetPixel(1, 0), KeyColor);
  EXPECT_EQ(form_->Copy()->Color(), se::ArgbToColor(se::ShiftArgbHue(0xFFFF0000u, 40)));
  log_.lines.clear();
  engine_->SetDeltaHue(40);
  EXPECT_TRUE(log_.lines.empty()) << "the same value does nothing";
  engine_->SetDeltaHue(60);
  EXPECT_EQ(Lines("before").size(), 5u);
  EXPECT_EQ(Lines("after").size(), 5u);
  EXPECT_EQ(pic->GetPixel(0, 0), se::ShiftArgbHue(se::ShiftArgbHue(0xFFFF0000u, 40), 20));
  EXPECT_EQ(engine_->Source().AppliedHue(), 60);
}

TEST_F(Engine, SkinStreamCarriesTheSkinOrNothing) {
  TMemoryStream empty;
  engine_->WriteSkinStream(empty);
  EXPECT_EQ(empty.Size(), 1);
  SaveSkin(Path("a.tskn"), {"Form", "Label"}, clRed);
  engine_->SetSkinFile(Path("a.tskn"));
  TMemoryStream full;
  engine_->WriteSkinStream(full);
  EXPECT_EQ(full.Memory()[0], 2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(full.Memory()) + 1, 4), "TBLZ");

  auto other = CreateUnique<TSeSkinEngine>();
  int after = 0;
  other->OnAfterChange = [&](TComponent*) { ++after; };
  empty.SetPosition(0);
  other->BeginLoading();
  other->ReadSkinStream(empty);
  other->EndLoading();
  EXPECT_EQ(other->Source().Count(), 0);
  EXPECT_EQ(after, 0);

  other->SetSkinFile(Path("missing.tskn"));
  EXPECT_EQ(other->SkinFile(), Path("missing.tskn"));
  after = 0;
  full.SetPosition(0);
  other->BeginLoading();
  other->ReadSkinStream(full);
  other->EndLoading();
  EXPECT_EQ(other->Source().Count(), 2);
  EXPECT_EQ(other->SkinFile(), "");
  EXPECT_EQ(after, 1) << "Loaded tells once the streamed skin is in";
  EXPECT_EQ(other->Version(), "3.2.0");
  EXPECT_EQ(other->SkinStore(), "(none)");
}
