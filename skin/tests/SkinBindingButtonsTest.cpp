// Skinned buttons, check marks, group box and label: drawn from the loaded
// skin in the state the mouse and keyboard give them, plain without a
// skin, and bound again by every skin change.

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <vector>

#include "skin/se_binding_buttons.h"
#include "skin/tests/SkinBindingFixture.h"

namespace {

using ButtonBinding = SkinBindingTest;

TEST_F(ButtonBinding, PushButtonFaceFollowsTheMouseAndTheSkin) {
  Load("devoir");
  auto* other = Place<TSeSkinButton>(10, 60, 80, 25);
  auto* button = Place<TSeSkinButton>(10, 10, 80, 25);
  button->SetCaption("Burn");
  Show();
  const TSeArgb plain = Shown(button, 40, 4);
  button->SetSkinEngine(engine_.get());
  other->SetSkinEngine(engine_.get());
  const TRect r = Rect(0, 0, 80, 25);
  const TSeArgb normal = Part("Button", "Face", r, osNormal, 40, 4);
  const TSeArgb hot = Part("Button", "Face", r, osHot, 40, 4);
  const TSeArgb pressed = Part("Button", "Face", r, osPressed, 40, 4);
  ASSERT_NE(normal, hot);
  ASSERT_NE(hot, pressed);
  EXPECT_NE(normal, plain);
  EXPECT_EQ(Shown(button, 40, 4), normal);

  QTest::mouseMove(button, QPoint(40, 12));
  EXPECT_TRUE(button->MouseInControl());
  EXPECT_EQ(Shown(button, 40, 4), hot);
  QTest::mousePress(button, Qt::LeftButton, {}, QPoint(40, 12));
  EXPECT_EQ(Shown(button, 40, 4), pressed);
  QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(40, 12));
  QTest::mouseMove(other, QPoint(40, 12));
  EXPECT_EQ(Shown(button, 40, 4), Part("Button", "Face", r, osFocused, 40, 4)) << "focused by the click";

  button->SetEnabled(false);
  EXPECT_EQ(Shown(button, 40, 4), Part("Button", "Face", r, osDisabled, 40, 4));
  button->SetEnabled(true);

  // Another skin binds it again without a call; no skin gives the plain look.
  QTest::mouseMove(form_.get(), QPoint(300, 200));
  Load("slate");
  EXPECT_EQ(Shown(other, 40, 4), Part("Button", "Face", r, osNormal, 40, 4));
  EXPECT_NE(Part("Button", "Face", r, osNormal, 40, 4), normal);
  Load("");
  EXPECT_FALSE(button->Binding().UseSkin());
  EXPECT_EQ(Shown(other, 40, 4), plain);
}

TEST_F(ButtonBinding, PushButtonWithoutCaptionOrGlyph) {
  Load("devoir");
  auto* with = Place<TSeSkinButton>(10, 10, 90, 25);
  auto* without = Place<TSeSkinButton>(10, 50, 90, 25);
  for (TSeSkinButton* b : {with, without}) {
    b->SetCaption("WWWWWW");
    b->SetSkinEngine(engine_.get());
  }
  without->SetShowCaption(false);
  Show();
  const QImage a = Shot(with);
  const QImage b = Shot(without);
  EXPECT_NE(a, b) << "the caption is drawn by one only";
  EXPECT_EQ(b.pixel(45, 12), Part("Button", "Face", Rect(0, 0, 90, 25), without->FaceState(), 45, 12) | 0xFF000000u)
      << "the face shows where the caption would be";
}

TEST_F(ButtonBinding, CheckMarksTakeTheSkinsSizeAndState) {
  Load("devoir");
  auto* box = Place<TSeSkinCheckBox>(10, 10, 120, 31);
  auto* right = Place<TSeSkinCheckBox>(10, 50, 120, 31);
  auto* radio = Place<TSeSkinRadioButton>(10, 90, 120, 31);
  for (auto* c : std::initializer_list<TSeCheckControl*>{box, right, radio}) c->SetCaption("Verify");
  box->SetSkinEngine(engine_.get());
  right->SetSkinEngine(engine_.get());
  radio->SetSkinEngine(engine_.get());
  right->SetAlignment(ktaRightJustify);
  Show();
  TSeSkinObject* checked = engine_->Source().GetObjectByName("CheckBox")->FindObjectByName("Checked");
  ASSERT_NE(checked, nullptr);
  const int w = checked->Width();
  const int h = checked->Height();
  const int top = (31 - h) / 2;
  const TRect mark = Bounds(0, top, w, h);
  const int cx = w / 2;
  const int cy = top + h / 2;
  struct Case {
    TCheckBoxState state;
    const char* object;
  };
  for (const Case& c : {Case{cbUnchecked, "Unchecked"}, Case{cbChecked, "Checked"}, Case{cbGrayed, "Mixed"}}) {
    box->SetState(c.state);
    EXPECT_EQ(Shown(box, cx, cy), Part("CheckBox", c.object, mark, osNormal, cx, cy) |
                                      0xFF000000u)
        << c.object;
  }
  right->SetChecked(true);
  const int rx = 120 - w + w / 2;
  EXPECT_EQ(Shown(right, rx, cy),
            Part("CheckBox", "Checked", Bounds(120 - w, top, w, h), osNormal, rx, cy) | 0xFF000000u)
      << "the mark at the right";

  // A click toggles through the skinned mark; the mouse makes it hot.
  box->SetState(cbUnchecked);
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(cx, cy));
  EXPECT_EQ(box->State(), cbChecked);
  EXPECT_EQ(Shown(box, cx, cy),
            Part("CheckBox", "Checked", mark, osHot, cx, cy) | 0xFF000000u);

  QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(60, 15));
  EXPECT_TRUE(radio->Checked());
  TSeSkinObject* dot = engine_->Source().GetObjectByName("RadioButton")->FindObjectByName("Checked");
  const int dy = (31 - dot->Height()) / 2 + dot->Height() / 2;
  EXPECT_EQ(Shown(radio, dot->Width() / 2, dy),
            Part("RadioButton", "Checked", Bounds(0, (31 - dot->Height()) / 2, dot->Width(), dot->Height()), osHot,
                 dot->Width() / 2, dy) |
                0xFF000000u);
}

TEST_F(ButtonBinding, CheckBoxWithoutTextTakesTheMarksFont) {
  Compile("devoir", "notext", [](TSeSkinSource& s) {
    Drop(s, "CheckBox", "Text");
    s.GetObjectByName("CheckBox")->FindObjectByName("Unchecked")->Font().SetColor(clRed);
  });
  Load("notext");
  auto* box = Place<TSeSkinCheckBox>(10, 10, 140, 21);
  box->SetCaption("WWWW");
  box->SetSkinEngine(engine_.get());
  Show();
  const QImage shot = Shot(box);
  int red = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 20; x < shot.width(); ++x) red += shot.pixel(x, y) == qRgb(255, 0, 0);
  EXPECT_GT(red, 10) << "the caption is in the unchecked mark's font";
}

TEST_F(ButtonBinding, GroupBoxFrameLeavesRoomForItsCaption) {
  Load("devoir");
  auto* group = Place<TSeSkinGroupBox>(10, 10, 200, 100);
  group->SetCaption("Writing");
  group->SetSkinEngine(engine_.get());
  auto* inside = Create<TSeSkinCheckBox>(form_.get());
  inside->SetParent(group);  // a group holding controls used to crash when shown
  inside->SetBounds(10, 30, 120, 20);
  inside->SetSkinEngine(engine_.get());
  Show();
  const QImage shot = Shot(group);
  const QRgb back = shot.pixel(100, 60);
  int line = -1;
  for (int y = 0; y < 30 && line < 0; ++y)
    if (shot.pixel(190, y) != back) line = y;
  ASSERT_GE(line, 0) << "the skin's frame along the top";
  for (int x = group->CaptionMargin() - 2; x < group->CaptionMargin() + 2; ++x)
    EXPECT_NE(shot.pixel(x, line), shot.pixel(190, line)) << "no frame line behind the caption at " << x;
  EXPECT_EQ(shot.pixel(group->CaptionMargin() - 6, line), shot.pixel(190, line));
}

// A label that keeps the font it was last painted with.
class ProbeLabel : public TSeSkinLabel {
 public:
  using TSeSkinLabel::TSeSkinLabel;
  TFont painted;

 protected:
  void PaintBackground() override {
    TSeSkinLabel::PaintBackground();
    painted.Assign(PaintFont());
  }
};

TEST_F(ButtonBinding, LabelKeepsTheStyleAndSizeItsUserGaveItOverEverySkinsFont) {
  struct Case {
    const char* name;
    bool before_bind;  // the font is set before the label binds, else after
    bool whole_font;   // a new font is given, else the label's is changed
    TFontStyles style;
    int size;  // 0: the label's size is left alone
  } const cases[] = {
      {"bold title set after binding", false, false, fsBold, 0},
      {"bold 12-point title set before binding", true, false, fsBold, 12},
      {"bold font given before binding", true, true, fsBold, 0},
      {"italic 11-point set after binding", false, false, fsItalic, 11},
      {"untouched", false, false, 0, 0},
  };
  Load("devoir");
  std::vector<ProbeLabel*> labels;
  int top = 4;
  for (const Case& c : cases) {
    auto* label = Place<ProbeLabel>(4, top, 200, 20);
    label->SetCaption("Keep an image of a disc");
    auto own = [&] {
      TFont font(*label->Font());
      TFont& target = c.whole_font ? font : *label->Font();
      if (c.style) target.SetStyle(c.style);
      if (c.size) target.SetSize(c.size);
      if (c.whole_font) label->SetFont(font);
    };
    if (c.before_bind) own();
    label->SetSkinEngine(engine_.get());
    if (!c.before_bind) own();
    labels.push_back(label);
    top += 24;
  }
  Show();
  // The labels' normal look: the mouse is over none of them.
  for (ProbeLabel* label : labels) {
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(label, &leave);
    ASSERT_FALSE(label->MouseInControl());
  }
  // The shipped skins give labels no hot font: under the mouse the first
  // label keeps the normal one.
  QEvent enter(QEvent::Enter);
  QCoreApplication::sendEvent(labels[0], &enter);
  ASSERT_TRUE(labels[0]->MouseInControl());
  for (const char* skin : {"devoir", "slate"}) {
    Load(skin);
    const TFont& given = engine_->Source().GetObjectByName("Label")->GetFont();
    for (std::size_t i = 0; i < labels.size(); ++i) {
      const Case& c = cases[i];
      QImage surface(labels[i]->Width(), labels[i]->Height(), QImage::Format_ARGB32);
      QPainter painter(&surface);
      labels[i]->PaintTo(painter);
      const TFont& painted = labels[i]->painted;
      EXPECT_EQ(painted.Name(), given.Name()) << skin << ": " << c.name;
      EXPECT_EQ(painted.Color(), given.Color()) << skin << ": " << c.name;
      EXPECT_EQ(painted.Style(), given.Style() | c.style) << skin << ": " << c.name;
      EXPECT_EQ(painted.Size(), c.size ? c.size : given.Size()) << skin << ": " << c.name;
      // What the label measures with is what it paints with.
      EXPECT_EQ(labels[i]->Font()->Style(), painted.Style()) << skin << ": " << c.name;
      EXPECT_EQ(labels[i]->Font()->Size(), painted.Size()) << skin << ": " << c.name;
    }
  }
}

}  // namespace
