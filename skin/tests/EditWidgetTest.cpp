// The edit as a widget, driven with Qt's own input events: keys, clicks,
// drags, double clicks, focus by Tab, the clipboard, limits and a
// megabyte of text.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include "platform/gui/Clipboard.h"
#include "platform/gui/Forms.h"
#include "skin/se_buttons.h"
#include "skin/se_edit.h"

namespace {

class SeEditWidgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form.reset(Create<TForm>(nullptr));
    form->SetBounds(100, 100, 320, 240);
  }
  template <class T>
  T* Place(int left, int top, int width, int height) {
    T* control = Create<T>(form.get());
    control->SetParent(form.get());
    control->SetBounds(left, top, width, height);
    return control;
  }
  void ShowForm() {
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QApplication::setActiveWindow(form.get());
  }
  static void Wheel(QWidget* w, int delta) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent event(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &event);
  }
  FakeClipboard clipboard;
  ScopedService<ClipboardService> clipboard_scope{clipboard};
  std::unique_ptr<TForm> form;
};

}  // namespace

TEST_F(SeEditWidgetTest, EditKeysSelectionClipboardAndUndo) {
  auto* edit = Place<TSeCustomEdit>(10, 10, 200, 21);
  ShowForm();
  edit->SetFocus();
  int changes = 0;
  edit->OnChange = [&](TControl*) { ++changes; };
  struct Step {
    const char* what;
    std::function<void()> act;
    const char* text;
    const char* selected;
  };
  const Step steps[] = {
      {"type", [&] { QTest::keyClicks(edit, "hello world"); }, "hello world", ""},
      {"undo the run", [&] { QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier); }, "", ""},
      {"type again", [&] { QTest::keyClicks(edit, "one two"); }, "one two", ""},
      {"shift+ctrl+left", [&] { QTest::keyClick(edit, Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier); }, "one two", "two"},
      {"copy", [&] { QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier); }, "one two", "two"},
      {"type over", [&] { QTest::keyClicks(edit, "six"); }, "one six", ""},
      {"undo the replacement", [&] { QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier); }, "one two", "two"},
      {"home, paste", [&] {
         QTest::keyClick(edit, Qt::Key_Home);
         QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
       }, "twoone two", ""},
      {"shift+end, cut", [&] {
         QTest::keyClick(edit, Qt::Key_End, Qt::ShiftModifier);
         QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
       }, "two", ""},
      {"backspace twice", [&] {
         QTest::keyClick(edit, Qt::Key_Backspace);
         QTest::keyClick(edit, Qt::Key_Backspace);
       }, "t", ""},
      // Backspaces just before the cut text join its record.
      {"undo the deletions", [&] { QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier); }, "twoone two", "woone two"},
  };
  for (const Step& s : steps) {
    s.act();
    EXPECT_EQ(edit->Text(), s.text) << s.what;
    EXPECT_EQ(edit->SelText(), s.selected) << s.what;
  }
  EXPECT_EQ(clipboard.Text(), "one two");
  EXPECT_GT(changes, 5);
}

TEST_F(SeEditWidgetTest, EditMouseClickDragAndDoubleClick) {
  auto* edit = Place<TSeCustomEdit>(10, 10, 200, 21);
  edit->SetText("alpha beta gamma");
  ShowForm();
  const int y = edit->Height() / 2;
  // A click left of a character's middle puts the caret before it.
  const int x3 = edit->CharToX(3);
  QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(x3 + 1, y));
  EXPECT_EQ(edit->CaretIndex(), 3);
  EXPECT_EQ(edit->SelLength(), 0);  // clicking in: no selection
  QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(edit->Width() - 30, y));
  EXPECT_EQ(edit->CaretIndex(), 16);  // past the end
  // Drag from before "beta" to after it.
  QTest::mousePress(edit, Qt::LeftButton, {}, QPoint(edit->CharToX(6) + 1, y));
  QTest::mouseMove(edit, QPoint(edit->CharToX(10) + 1, y));
  QTest::mouseRelease(edit, Qt::LeftButton, {}, QPoint(edit->CharToX(10) + 1, y));
  EXPECT_EQ(edit->SelText(), "beta");
  QTest::mouseDClick(edit, Qt::LeftButton, {}, QPoint(edit->CharToX(13), y));
  EXPECT_EQ(edit->SelText(), "gamma");
}

TEST_F(SeEditWidgetTest, EditSelectsAllWhenTabbedIntoAndShowsItsCaret) {
  auto* first = Place<TSeCustomEdit>(10, 10, 100, 21);
  auto* second = Place<TSeCustomEdit>(10, 40, 100, 21);
  second->SetText("preset");
  ShowForm();
  first->SetFocus();
  QTest::keyClick(first, Qt::Key_Tab);
  ASSERT_TRUE(second->hasFocus());
  EXPECT_EQ(second->SelText(), "preset");
  EXPECT_TRUE(second->CaretShown());
  EXPECT_FALSE(first->CaretShown());
}

TEST_F(SeEditWidgetTest, EditLimitsReadOnlyAndPasswords) {
  auto* edit = Place<TSeCustomEdit>(10, 10, 200, 21);
  ShowForm();
  edit->SetFocus();
  edit->SetMaxLength(3);
  QTest::keyClicks(edit, "abcd");
  EXPECT_EQ(edit->Text(), "abc");
  QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(edit->Text(), "");
  edit->SetMaxLength(0);
  edit->SetPasswordKind(pkCircle);
  QTest::keyClicks(edit, "pw");
  edit->SelectAll();
  clipboard.SetText("kept");
  QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(edit->Text(), "");
  EXPECT_EQ(clipboard.Text(), "kept");
  edit->SetReadOnly(true);
  QTest::keyClicks(edit, "x");
  EXPECT_EQ(edit->Text(), "");
}

TEST_F(SeEditWidgetTest, EditTakesAMegabyteOfText) {
  auto* edit = Place<TSeCustomEdit>(10, 10, 200, 21);
  ShowForm();
  edit->SetFocus();
  QString big(1 << 20, QLatin1Char('x'));
  edit->SetText(big);
  QTest::keyClick(edit, Qt::Key_End);
  QTest::keyClicks(edit, "yz");
  QTest::keyClick(edit, Qt::Key_Home, Qt::ShiftModifier);
  edit->repaint();
  EXPECT_EQ(edit->SelLength(), (1 << 20) + 2);
  QTest::keyClick(edit, Qt::Key_Delete);
  EXPECT_EQ(edit->Text(), "");
}


TEST_F(SeEditWidgetTest, LettersTypedInAnEditAreNotAButtonsAccelerator) {
  auto* edit = Place<TSeCustomEdit>(10, 10, 200, 21);
  auto* ok = Place<TSeCustomButton>(10, 40, 75, 25);
  ok->SetCaption("&OK");
  int clicks = 0;
  ok->OnClick = [&](TControl*) { ++clicks; };
  ShowForm();
  edit->SetFocus();
  QTest::keyClicks(edit, "Photos");
  EXPECT_EQ(edit->Text(), "Photos");
  EXPECT_EQ(clicks, 0);
  // Alt with the letter is still the button's.
  QTest::keyClick(edit, Qt::Key_O, Qt::AltModifier);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(edit->Text(), "Photos");
}
