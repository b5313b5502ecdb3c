#pragma once
// What the skinned wrappers' tests share: the shipped skins compiled into a
// temporary folder (also altered copies), one engine, a form to put the
// control on, and the colour a skin part shows when drawn on its own.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QTest>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/gui/Forms.h"
#include "skin/se_binding_controls.h"
#include "skin/se_engine.h"
#include "skin/se_skinsource.h"

class SkinBindingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterSkinFilters();
    dir_ = std::filesystem::temp_directory_path() /
           ("skinwrappers-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    for (const char* name : {"devoir", "slate", "meadow"}) Compile(name, name);
    engine_ = CreateUnique<TSeSkinEngine>();
    form_ = CreateUnique<TForm>();
    form_->SetBounds(0, 0, 320, 240);
  }
  void TearDown() override {
    form_.reset();
    engine_.reset();
    std::filesystem::remove_all(dir_);
  }

  std::string Path(const std::string& name) const { return (dir_ / (name + ".mskn")).string(); }
  // The shipped skin `skin`, changed by `alter`, as the skin file `name`.
  void Compile(const std::string& skin, const std::string& name,
               const std::function<void(TSeSkinSource&)>& alter = nullptr) {
    TSeSkinSource source;
    source.LoadFromSourceFile(std::string(BURNER_SOURCE_DIR) + "/resources/skins/" + skin + "/skin.txt");
    if (alter) alter(source);
    source.SaveToFile(Path(name));
  }
  // Drops the child `child` of the top-level object `top`.
  static void Drop(TSeSkinSource& source, const std::string& top, const std::string& child) {
    TSeSkinObject* object = source.GetObjectByName(top);
    ASSERT_NE(object, nullptr) << top;
    delete object->FindObjectByName(child);
  }
  void Load(const std::string& name) { engine_->SetSkinFile(name.empty() ? std::string() : Path(name)); }

  template <class T>
  T* Place(int left, int top, int width, int height) {
    auto* control = Create<T>(form_.get());
    control->SetParent(form_.get());
    control->SetBounds(left, top, width, height);
    return control;
  }
  void Show() {
    form_->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
  }

  // The top-level object's child `child` of the loaded skin, drawn alone at
  // `r` in `state`: its colour at (x, y).
  TSeArgb Part(const std::string& top, const std::string& child, const TRect& r, TSeObjectState state, int x,
               int y) const {
    TSeSkinObject* object = engine_->Source().GetObjectByName(top);
    if (object && !child.empty()) object = object->FindObjectByName(child);
    EXPECT_NE(object, nullptr) << top << "." << child;
    if (!object) return 0;
    TSeBitmap piece;
    piece.SetSize(r.Right, r.Bottom);
    piece.Clear(0xFF000000u);
    auto clone = CloneSkinObject(*object);
    se::DrawSkinPart(clone.get(), piece.Canvas(), r, state);
    return piece.GetPixel(x, y) | 0xFF000000u;
  }
  // The same part drawn alone into a black picture of `width` x `height`.
  QImage Picture(const std::string& top, const std::string& child, const TRect& r, int width, int height,
                 TSeObjectState state = osNormal) const {
    TSeSkinObject* object = engine_->Source().GetObjectByName(top);
    if (object && !child.empty()) object = object->FindObjectByName(child);
    EXPECT_NE(object, nullptr) << top << "." << child;
    TSeBitmap piece;
    piece.SetSize(width, height);
    piece.Clear(0xFF000000u);
    if (object) se::DrawSkinPart(CloneSkinObject(*object).get(), piece.Canvas(), r, state);
    return piece.Image().convertToFormat(QImage::Format_RGB32);
  }
  // How many pixels differ in the outer `ring` pixels of two pictures of
  // one size (in the whole pictures for a ring of 0).
  static int Mismatches(const QImage& a, const QImage& b, int ring) {
    int bad = 0;
    for (int y = 0; y < a.height(); ++y)
      for (int x = 0; x < a.width(); ++x) {
        const bool inRing = ring == 0 || x < ring || y < ring || x >= a.width() - ring || y >= a.height() - ring;
        if (inRing && (a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF)) ++bad;
      }
    return bad;
  }
  static QImage Shot(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  static TSeArgb Shown(QWidget* w, int x, int y) { return Shot(w).pixel(x, y) | 0xFF000000u; }

  std::filesystem::path dir_;
  std::unique_ptr<TSeSkinEngine> engine_;
  std::unique_ptr<TForm> form_;
};
