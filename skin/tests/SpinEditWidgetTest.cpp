// The spin edit and the edit with a button as widgets: steps by keys and
// by the spin halves, limits on leaving, notations, refused changes, one
// OnChange per change, read-only beeps; the button's click, its place and
// the ellipsis glyph.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "platform/gui/Forms.h"
#include "skin/se_buttons.h"
#include "skin/se_editbutton.h"
#include "skin/se_speedbuttons.h"
#include "skin/se_spinedit.h"

namespace {

class CountingSpinEdit : public TSeCustomSpinEdit {
 public:
  using TSeCustomSpinEdit::TSeCustomSpinEdit;
  int beeps = 0;

 protected:
  void Beep() override { ++beeps; }
};

class SeSpinWidgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form.reset(Create<TForm>(nullptr));
    form->SetBounds(100, 100, 320, 200);
    spin = Place<CountingSpinEdit>(10, 10, 120, 21);
    other = Place<TSeCustomEdit>(10, 60, 120, 21);
    spin->OnChange = [this](TControl*) { ++changes; };
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QApplication::setActiveWindow(form.get());
    spin->SetFocus();
  }
  template <class T>
  T* Place(int left, int top, int width, int height) {
    T* control = Create<T>(form.get());
    control->SetParent(form.get());
    control->SetBounds(left, top, width, height);
    return control;
  }
  void Retype(const char* text) {
    spin->SelectAll();
    QTest::keyClick(spin, Qt::Key_Delete);
    QTest::keyClicks(spin, text);
  }
  std::unique_ptr<TForm> form;
  CountingSpinEdit* spin = nullptr;
  TSeCustomEdit* other = nullptr;
  int changes = 0;
};

}  // namespace

TEST_F(SeSpinWidgetTest, TypedValuesAreLimitedOnLeaving) {
  spin->SetMinValue(1);
  spin->SetMaxValue(365);
  Retype("500");
  EXPECT_EQ(spin->Text(), "500");
  other->SetFocus();
  EXPECT_EQ(spin->Text(), "365");
  spin->SetFocus();
  Retype("");
  EXPECT_EQ(spin->Value(), 1);  // nothing to read: the lower limit

  spin->SetMinValue(0);
  spin->SetMaxValue(0);
  spin->SetFocus();
  Retype("-77");
  other->SetFocus();
  EXPECT_EQ(spin->Text(), "-77");  // no limits
}

TEST_F(SeSpinWidgetTest, KeysAndHalvesStepWithOneChangeEach) {
  spin->SetValue(5);
  changes = 0;
  QTest::keyClick(spin, Qt::Key_Up);
  QTest::keyClick(spin, Qt::Key_Up);
  QTest::keyClick(spin, Qt::Key_PageDown);
  EXPECT_EQ(spin->Text(), "-3");
  EXPECT_EQ(changes, 3);
  int ups = 0;
  spin->OnUpClick = [&](TControl*) { ++ups; };
  TSeCustomSpeedButton* up = spin->SpinButton()->UpButton();
  QTest::mouseClick(up, Qt::LeftButton, {}, QPoint(up->Width() / 2, up->Height() / 2));
  EXPECT_EQ(spin->Text(), "-2");
  EXPECT_EQ(ups, 1);
  EXPECT_EQ(changes, 4);
  // Typing after a step still reports.
  QTest::keyClick(spin, Qt::Key_End);
  QTest::keyClicks(spin, "1");
  EXPECT_EQ(changes, 5);
  // Setting the same value changes nothing.
  spin->SetValue(-21);
  EXPECT_EQ(changes, 5);
}

TEST_F(SeSpinWidgetTest, NotationsShowAndFilter) {
  spin->SetValueType(vtHex);
  spin->SetValue(255);
  EXPECT_EQ(spin->Text(), "FF");
  spin->SetCaretIndex(2);
  QTest::keyClicks(spin, "g");
  EXPECT_EQ(spin->beeps, 1);
  EXPECT_EQ(spin->Text(), "FF");
  QTest::keyClick(spin, Qt::Key_Up);
  EXPECT_EQ(spin->Text(), "100");

  spin->SetValueType(vtFloat);
  spin->SetDecimal(2);
  spin->SetIncrement(0.5);
  spin->SetValue(1);
  EXPECT_EQ(spin->Text(), "1.00");
  QTest::keyClick(spin, Qt::Key_Up);
  EXPECT_EQ(spin->Text(), "1.50");
  QTest::keyClicks(spin, ".");  // a second separator
  EXPECT_EQ(spin->beeps, 2);
}

TEST_F(SeSpinWidgetTest, RefusedAndReadOnlyStepsChangeNothing) {
  spin->SetValue(7);
  changes = 0;
  spin->OnChanging = [](TControl*, bool& allow) { allow = false; };
  QTest::keyClick(spin, Qt::Key_Up);
  EXPECT_EQ(spin->Text(), "7");
  EXPECT_EQ(changes, 1);  // the step showed, then went back without a report
  spin->OnChanging = nullptr;
  changes = 0;
  spin->SetReadOnly(true);
  QTest::keyClick(spin, Qt::Key_Up);
  QTest::keyClick(spin, Qt::Key_PageUp);
  EXPECT_EQ(spin->Text(), "7");
  EXPECT_EQ(spin->beeps, 2);
  EXPECT_EQ(changes, 0);
}

TEST_F(SeSpinWidgetTest, EditButtonClicksAndMakesRoom) {
  auto* edit = Place<TSeCustomEditButton>(10, 100, 150, 21);
  edit->SetText("some text");
  int clicks = 0;
  edit->OnButtonClick = [&](TControl*) { ++clicks; };
  TControl* button = edit->InplaceControl();
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->Width(), 21);
  EXPECT_EQ(button->Left() + button->Width(), edit->Width() - 2);  // over the border strip, inside the bevel
  EXPECT_EQ(edit->GetEditRect().Right, button->Left() - edit->BorderWidth());
  edit->SetFocus();
  edit->SetCaretIndex(3);
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(edit->CaretIndex(), 3);
  edit->SetButtonAlign(baLeft);
  EXPECT_EQ(button->Left(), 2);
  EXPECT_EQ(edit->GetEditRect().Left, 2 + 3 + 21);
  edit->SetButtonWidthProperty(1);
  EXPECT_FALSE(button->Visible());
  edit->SetButtonWidthProperty(500);  // does not fit: ignored
  EXPECT_EQ(edit->ButtonWidth(), 1);
}

TEST(SeEllipsisGlyph, ThreeDotsThreePixelsApart) {
  const std::unique_ptr<TBitmap> glyph = se::CreateEllipsisGlyph(21);
  ASSERT_EQ(glyph->Width(), 15);
  ASSERT_EQ(glyph->Height(), 4);
  std::string row;
  for (int x = 0; x < 15; ++x) row += glyph->Canvas().Pixel(x, 1) == clBlack ? '#' : '.';
  EXPECT_EQ(row, ".##...##...##..");
  EXPECT_EQ(se::CreateEllipsisGlyph(3)->Width(), 1);
}
