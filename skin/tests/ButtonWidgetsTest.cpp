// The push button, check box, radio button, group box and label driven
// with real input events: clicks, drags off, keys, dialog keys, kinds,
// glyph counts, grouping and the caption check box.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"
#include "skin/se_buttons.h"
#include "skin/se_labels.h"

namespace {

struct Window {
  std::unique_ptr<TForm> form = CreateUnique<TForm>();
  Window() {
    form->SetBounds(0, 0, 400, 300);
    form->Show();
    form->activateWindow();
  }
  template <class T>
  T* Add(int left, int top, TWinControl* parent = nullptr) {
    auto* c = Create<T>(form.get());
    c->SetParent(parent ? parent : form.get());
    c->SetLeft(left);
    c->SetTop(top);
    return c;
  }
};

QPoint Centre(QWidget* w) { return QPoint(w->width() / 2, w->height() / 2); }

}  // namespace

TEST(SeButtons, ClickDragOffAndSpaceOnAPushButton) {
  Window w;
  auto* button = w.Add<TSeCustomButton>(10, 10);
  int clicks = 0;
  button->OnClick = [&](TControl*) { ++clicks; };
  QTest::mouseClick(button, Qt::LeftButton, {}, Centre(button));
  QApplication::processEvents();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(button->State(), kbsNormal);
  EXPECT_TRUE(button->Focused());

  // Dragging off a pressed button raises it; releasing outside clicks nothing.
  QTest::mousePress(button, Qt::LeftButton, {}, Centre(button));
  EXPECT_EQ(button->State(), kbsPressed);
  QMouseEvent move(QEvent::MouseMove, QPointF(200, 10), button->mapToGlobal(QPointF(200, 10)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(button, &move);
  EXPECT_EQ(button->State(), kbsNormal);
  QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(200, 10));
  EXPECT_EQ(clicks, 1);

  QTest::keyPress(button, Qt::Key_Space);
  EXPECT_EQ(button->State(), kbsPressed);
  QTest::keyRelease(button, Qt::Key_Space);
  EXPECT_EQ(button->State(), kbsNormal);
  EXPECT_EQ(clicks, 2);

  // A disabled button takes no click.
  button->SetEnabled(false);
  QTest::mouseClick(button, Qt::LeftButton, {}, Centre(button));
  EXPECT_EQ(clicks, 2);
}

TEST(SeButtons, KindsGiveCaptionResultDefaultAndGlyph) {
  Window w;
  auto* button = w.Add<TSeCustomButton>(10, 10);
  button->SetKind(bkOK);
  EXPECT_EQ(button->Caption(), "OK");
  EXPECT_EQ(button->ModalResult(), 1);
  EXPECT_TRUE(button->Default());
  EXPECT_EQ(button->NumGlyphs(), 2);
  EXPECT_EQ(button->Glyph()->Width(), 32);
  button->SetKind(bkCustom);
  EXPECT_EQ(button->Caption(), "OK");
  EXPECT_EQ(button->ModalResult(), 1);
  EXPECT_TRUE(button->Default());

  // Clicking hands the result to the form.
  QTest::mouseClick(button, Qt::LeftButton, {}, Centre(button));
  EXPECT_EQ(w.form->ModalResult(), 1);

  // A kind read from a form resource keeps the caption it was stored with.
  auto* loaded = w.Add<TSeCustomButton>(100, 10);
  loaded->SetCaption("Dismiss");
  loaded->BeginLoading();
  loaded->SetKind(bkCancel);
  loaded->EndLoading();
  EXPECT_EQ(loaded->Caption(), "Dismiss");
  EXPECT_EQ(loaded->ModalResult(), 2);

  struct Case {
    int width;
    int numGlyphs;
  } glyphs[] = {{48, 3}, {100, 1}, {96, 1}};
  for (const auto& c : glyphs) {
    auto* b = w.Add<TSeCustomButton>(10, 60);
    TBitmap strip;
    strip.SetSize(c.width, 16);
    b->SetGlyph(strip);
    EXPECT_EQ(b->NumGlyphs(), c.numGlyphs) << c.width;
  }
}

TEST(SeButtons, ReturnClicksTheDefaultOrTheFocusedButtonAndEscapeTheCancel) {
  Window w;
  auto* edit = w.Add<TSeCustomCheckBox>(10, 80);  // something else to hold the focus
  auto* ok = w.Add<TSeCustomButton>(10, 10);
  ok->SetDefault(true);
  auto* other = w.Add<TSeCustomButton>(100, 10);
  auto* cancel = w.Add<TSeCustomButton>(190, 10);
  cancel->SetCancel(true);
  int okClicks = 0, otherClicks = 0, cancelClicks = 0;
  ok->OnClick = [&](TControl*) { ++okClicks; };
  other->OnClick = [&](TControl*) { ++otherClicks; };
  cancel->OnClick = [&](TControl*) { ++cancelClicks; };

  edit->setFocus();
  QApplication::processEvents();
  EXPECT_TRUE(ok->ActiveDefault());
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(okClicks, 1);
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_EQ(cancelClicks, 1);
  QTest::keyClick(edit, Qt::Key_Return, Qt::ShiftModifier);  // not with Shift
  EXPECT_EQ(okClicks, 1);

  // Focus on another button: Return clicks that one, the default shows no frame.
  other->setFocus();
  QApplication::processEvents();
  EXPECT_FALSE(ok->ActiveDefault());
  QTest::keyClick(other, Qt::Key_Return);
  EXPECT_EQ(otherClicks, 1);
  EXPECT_EQ(okClicks, 1);

  // The accelerator focuses and clicks.
  other->SetCaption("&Verify");
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_V, Qt::AltModifier);
  EXPECT_EQ(otherClicks, 2);
  EXPECT_TRUE(other->Focused());
}

TEST(SeButtons, CheckBoxCyclesAndReportsEveryChange) {
  Window w;
  auto* box = w.Add<TSeCustomCheckBox>(10, 10);
  std::vector<TCheckBoxState> seen;
  box->OnClick = [&](TControl*) { seen.push_back(box->State()); };
  box->SetAllowGrayed(true);
  for (int i = 0; i < 3; ++i) QTest::mouseClick(box, Qt::LeftButton, {}, Centre(box));
  EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked}));
  box->SetAllowGrayed(false);
  QTest::keyClick(box, Qt::Key_Space);
  EXPECT_EQ(box->State(), cbChecked);
  // From code too; but not while reading a form resource.
  box->SetChecked(false);
  EXPECT_EQ(seen.size(), 5u);
  box->BeginLoading();
  box->SetChecked(true);
  box->EndLoading();
  EXPECT_EQ(seen.size(), 5u);
  // A release off the control does not toggle.
  QTest::mousePress(box, Qt::LeftButton, {}, Centre(box));
  QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(500, 5));
  EXPECT_TRUE(box->Checked());
  // Key-up never reaches OnKeyUp.
  int ups = 0;
  box->OnKeyUp = [&](TControl*, int&, TShiftState) { ++ups; };
  QTest::keyClick(box, Qt::Key_A);
  EXPECT_EQ(ups, 0);
}

TEST(SeButtons, RadioButtonsAreExclusivePerParentAndGroup) {
  Window w;
  auto* a = w.Add<TSeCustomRadioButton>(10, 10);
  auto* b = w.Add<TSeCustomRadioButton>(10, 30);
  auto* other = w.Add<TSeCustomRadioButton>(10, 50);
  other->SetGroupIndex(1);
  other->SetChecked(true);
  int clicks = 0;
  b->OnClick = [&](TControl*) { ++clicks; };
  a->SetChecked(true);
  EXPECT_TRUE(a->TabStop());
  EXPECT_FALSE(b->TabStop());
  QTest::mouseClick(b, Qt::LeftButton, {}, Centre(b));
  EXPECT_TRUE(b->Checked());
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(other->Checked());  // another group
  EXPECT_EQ(clicks, 1);
  QTest::mouseClick(b, Qt::LeftButton, {}, Centre(b));
  EXPECT_EQ(clicks, 1);  // already checked: no click
  EXPECT_TRUE(b->TabStop());
  EXPECT_FALSE(a->TabStop());
  // Receiving the focus checks it.
  a->setFocus();
  QApplication::processEvents();
  EXPECT_TRUE(a->Checked());
  EXPECT_FALSE(b->Checked());
}

TEST(SeGroupBox, CaptionCheckBoxEnablesTheChildren) {
  Window w;
  auto* group = w.Add<TSeCustomGroupBox>(10, 10);
  group->SetCaption("Options");
  auto* child = w.Add<TSeCustomCheckBox>(10, 30, group);
  group->SetUseCheckBox(true);
  ASSERT_NE(group->CaptionCheckBox(), nullptr);
  std::vector<std::string> events;
  group->OnClick = [&](TControl*) { events.push_back("click"); };
  group->OnCheckBoxClick = [&](TControl*) { events.push_back("check box"); };
  group->SetChecked(false);
  // Setting the state from code clicks the check box too.
  EXPECT_EQ(events, (std::vector<std::string>{"click", "check box"}));
  events.clear();
  EXPECT_FALSE(child->Enabled());
  EXPECT_TRUE(group->Enabled());
  EXPECT_TRUE(group->CaptionCheckBox()->Enabled());
  QTest::mouseClick(group->CaptionCheckBox(), Qt::LeftButton, {}, QPoint(5, 10));
  EXPECT_TRUE(group->Checked());
  EXPECT_TRUE(child->Enabled());
  EXPECT_EQ(events, (std::vector<std::string>{"click", "check box"}));
  // With the check box in use the group cannot be disabled.
  group->SetEnabled(false);
  EXPECT_TRUE(group->Enabled());

  // A long caption on a narrow group: the check box stays inside.
  group->SetWidth(60);
  group->SetCaption("A caption far too long for its group");
  EXPECT_LE(group->CaptionCheckBox()->Width(), 60 - group->CaptionMargin() - 2);
}

TEST(SeGroupBox, AcceleratorFocusesTheFirstChild) {
  Window w;
  auto* outside = w.Add<TSeCustomButton>(200, 10);
  auto* group = w.Add<TSeCustomGroupBox>(10, 10);
  group->SetCaption("&Write");
  auto* first = w.Add<TSeCustomCheckBox>(10, 30, group);
  w.Add<TSeCustomCheckBox>(10, 55, group);
  outside->setFocus();
  QApplication::processEvents();
  QTest::keyClick(outside, Qt::Key_W, Qt::AltModifier);
  EXPECT_TRUE(first->hasFocus());
}

TEST(SeLabel, AutoSizeKeepsOneLineAndGrowsLeftWhenRightJustified) {
  Window w;
  auto* label = w.Add<TSeCustomLabel>(100, 10);
  label->SetCaption("X");
  label->SetCaption("");
  const int lineHeight = label->Height();
  EXPECT_GT(lineHeight, 8);
  label->SetAlignment(taRightJustify);
  label->SetCaption("Short");
  const int right = label->Left() + label->Width();
  label->SetCaption("A much longer caption");
  EXPECT_EQ(label->Left() + label->Width(), right);
  EXPECT_EQ(label->Height(), lineHeight);

  // The accelerator focuses FocusControl; a freed one is dropped.
  auto* target = w.Add<TSeCustomCheckBox>(10, 60);
  auto* other = w.Add<TSeCustomButton>(10, 100);
  label->SetCaption("&Target");
  label->SetFocusControl(target);
  other->setFocus();
  QApplication::processEvents();
  QTest::keyClick(other, Qt::Key_T, Qt::AltModifier);
  EXPECT_TRUE(target->hasFocus());
  delete target;
  EXPECT_EQ(label->FocusControl(), nullptr);
  QTest::keyClick(other, Qt::Key_T, Qt::AltModifier);
}
