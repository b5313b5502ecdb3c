// A control's font changed in place (`Font()->SetName(...)`) is the
// control's own font, exactly as if it had been given with SetFont: the
// widget draws with it, children that follow their parent get it, and the
// parent's font no longer reaches the control.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/Canvas.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

namespace {

// A label that notes ParentFont at each font notice, and its paints.
class NotingLabel : public TLabel {
 public:
  explicit NotingLabel(TComponent* owner) : TLabel(owner) {}
  std::vector<bool> notices;
  int paints = 0;

 protected:
  void FontChanged() override {
    notices.push_back(ParentFont());
    TLabel::FontChanged();
  }
  void Paint() override {
    ++paints;
    TLabel::Paint();
  }
};

TFont Courier() {
  TFont f;
  f.SetName("Courier New");
  f.SetHeight(-13);
  return f;
}

// form > panel > label, edit; everything but the form follows its parent.
struct Scene {
  std::unique_ptr<TForm> form = CreateUnique<TForm>();
  TPanel* panel = Create<TPanel>(form.get());
  NotingLabel* label = Create<NotingLabel>(form.get());
  TEdit* edit = Create<TEdit>(form.get());

  Scene() {
    form->SetBounds(0, 0, 260, 110);
    panel->SetParent(form.get());
    panel->SetBounds(4, 4, 250, 100);
    panel->SetCaption("Panel");
    label->SetParent(panel);
    label->SetBounds(6, 6, 10, 10);
    label->SetCaption("Burn the disc");
    edit->SetParent(panel);
    edit->SetBounds(6, 60, 120, 24);
    edit->SetText("Volume");
    label->notices.clear();
  }
  QImage Picture() const { return form->grab().toImage(); }
};

// The widget draws with the control's font and its colour.
void ExpectDrawsWith(const TControl* control, const TFont& font, const char* who) {
  EXPECT_EQ(*control->Font(), font) << who;
  EXPECT_EQ(control->font(), font.ToQFont()) << who;
  EXPECT_EQ(control->palette().color(QPalette::WindowText), ColorToQColor(font.Color())) << who;
}

struct FontEdit {
  const char* what;
  std::function<void(TFont&)> apply;
};

const FontEdit kEdits[] = {
    {"name", [](TFont& f) { f.SetName("Impact"); }},
    {"height", [](TFont& f) { f.SetHeight(-21); }},
    {"size", [](TFont& f) { f.SetSize(14); }},
    {"style", [](TFont& f) { f.SetStyle(fsBold); }},
    {"underline", [](TFont& f) { f.SetStyle(fsUnderline); }},
    {"colour", [](TFont& f) { f.SetColor(clRed); }},
    {"assigned", [](TFont& f) { f.Assign(Courier()); }},
    {"copied over", [](TFont& f) { f = Courier(); }},
};

TEST(ControlFont, ChangeInPlaceActsAsSetFont) {
  const QImage untouched = Scene().Picture();
  for (const FontEdit& e : kEdits) {
    SCOPED_TRACE(e.what);
    Scene in_place, given;
    e.apply(*in_place.panel->Font());
    TFont font = *given.panel->Font();
    e.apply(font);
    given.panel->SetFont(font);

    EXPECT_FALSE(in_place.panel->ParentFont());
    ExpectDrawsWith(in_place.panel, font, "panel");
    // Its children follow it and keep following it.
    EXPECT_TRUE(in_place.label->ParentFont());
    EXPECT_TRUE(in_place.edit->ParentFont());
    ExpectDrawsWith(in_place.label, font, "label");
    ExpectDrawsWith(in_place.edit, font, "edit");
    EXPECT_EQ(in_place.edit->LineEdit()->font(), font.ToQFont());
    EXPECT_EQ(in_place.label->BoundsRect(), given.label->BoundsRect());
    const QImage picture = in_place.Picture();
    EXPECT_EQ(picture, given.Picture());
    EXPECT_NE(picture, untouched);

    // The form's font no longer reaches the panel, nor its children.
    in_place.form->SetFont(Courier());
    ExpectDrawsWith(in_place.panel, font, "panel after the form's change");
    ExpectDrawsWith(in_place.label, font, "label after the form's change");
  }
}

TEST(ControlFont, AChildChangedInPlaceKeepsItsFont) {
  Scene s;
  s.label->Font()->SetStyle(fsBold);
  TFont bold = *s.panel->Font();
  bold.SetStyle(fsBold);
  EXPECT_FALSE(s.label->ParentFont());
  ExpectDrawsWith(s.label, bold, "label");

  for (const FontEdit& e : kEdits) {
    SCOPED_TRACE(e.what);
    e.apply(*s.panel->Font());
    ExpectDrawsWith(s.label, bold, "label");
    ExpectDrawsWith(s.edit, *s.panel->Font(), "edit");
  }
  // Following the parent again takes the parent's font.
  s.label->SetParentFont(true);
  ExpectDrawsWith(s.label, *s.panel->Font(), "label following again");
}

TEST(ControlFont, AChangeInPlaceRepaintsTheShownControl) {
  for (const FontEdit& e : kEdits) {
    SCOPED_TRACE(e.what);
    Scene s;
    s.form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(s.form.get()));
    QApplication::processEvents();
    s.label->paints = 0;
    e.apply(*s.label->Font());
    EXPECT_TRUE(QTest::qWaitFor([&] { return s.label->paints > 0; }, 2000));
  }
}

// What the label hears, and whether it follows its parent while it hears
// it: its own assignments (following the parent, being placed, taking the
// parent's font again) never make the font its own.
TEST(ControlFont, OnlyTheCallersChangesEndParentFont) {
  struct Case {
    const char* what;
    std::function<void(Scene&)> act;
    std::vector<bool> notices;
    bool parent_font;
  };
  const Case cases[] = {
      {"parent's font given", [](Scene& s) { s.panel->SetFont(Courier()); }, {true}, true},
      {"parent's font changed in place", [](Scene& s) { s.panel->Font()->SetHeight(-20); }, {true}, true},
      {"form's font changed in place", [](Scene& s) { s.form->Font()->SetName("Tahoma"); }, {true}, true},
      {"placed on a parent with another font",
       [](Scene& s) {
         s.label->SetParent(nullptr);
         s.panel->SetFont(Courier());
         s.label->notices.clear();
         s.label->SetParent(s.panel);
       },
       {true},
       true},
      {"parent's font taken again",
       [](Scene& s) {
         s.label->SetFont(Courier());
         s.label->notices.clear();
         s.label->SetParentFont(true);
       },
       {true},
       true},
      {"own font given", [](Scene& s) { s.label->SetFont(Courier()); }, {false}, false},
      {"own font changed in place", [](Scene& s) { s.label->Font()->SetColor(clNavy); }, {false}, false},
      {"own font set to what it is",
       [](Scene& s) { s.label->Font()->SetHeight(s.label->Font()->Height()); },
       {},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Scene s;
    c.act(s);
    EXPECT_EQ(s.label->notices, c.notices);
    EXPECT_EQ(s.label->ParentFont(), c.parent_font);
  }
}

// Copies of a control's font are plain fonts, and other controls' fonts
// are theirs: changing one never reaches the control.
TEST(ControlFont, CopiesOfAControlsFontAreNotTheControls) {
  struct Case {
    const char* what;
    std::function<void(Scene&)> act;
  };
  const Case cases[] = {
      {"copy constructed",
       [](Scene& s) {
         TFont copy(*s.label->Font());
         copy.SetName("Impact");
       }},
      {"copy assigned",
       [](Scene& s) {
         TFont copy;
         copy = *s.label->Font();
         copy.SetStyle(fsBold);
       }},
      {"another control given it",
       [](Scene& s) {
         auto* other = Create<TLabel>(s.form.get());
         other->SetParent(s.form.get());
         other->SetFont(*s.label->Font());
         other->Font()->SetColor(clRed);
       }},
      {"a sibling's font changed in place", [](Scene& s) { s.edit->Font()->SetHeight(-20); }},
      {"a canvas given it",
       [](Scene& s) {
         TCanvas canvas;
         canvas.SetFont(*s.label->Font());
         canvas.Font().SetHeight(-30);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Scene s;
    const TFont before = *s.label->Font();
    c.act(s);
    EXPECT_TRUE(s.label->notices.empty());
    EXPECT_TRUE(s.label->ParentFont());
    EXPECT_EQ(*s.label->Font(), before);
  }
}

}  // namespace
