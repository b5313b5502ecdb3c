// The standard controls through their host names, driven with QTest input.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/core/StringList.h"
#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

class StdCtrlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = CreateUnique<TForm>();
    form->SetBounds(0, 0, 400, 300);
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
  }
  std::unique_ptr<TForm> form;
};

TEST_F(StdCtrlsTest, EditReportsEveryChangeAndLetsKeyHandlersFilter) {
  auto* edit = Place<TEdit>(10, 10, 120, 21);
  ShowForm();
  std::vector<QString> changes;
  edit->OnChange = [&](TControl* sender) { changes.push_back(static_cast<TEdit*>(sender)->Text()); };
  edit->OnKeyDown = [](TControl*, int& key, TShiftState) {
    if (key == 'X') key = 0;  // swallowed
  };
  edit->OnKeyPress = [](TControl*, QChar& c) { c = c.toUpper(); };

  edit->SetFocus();
  QTest::keyClicks(edit->LineEdit(), "axb");
  EXPECT_EQ(edit->Text(), "AB");
  EXPECT_EQ(changes, (std::vector<QString>{"A", "AB"}));
  EXPECT_TRUE(edit->Modified());

  changes.clear();
  edit->SetText("Volume");
  edit->SetText("Volume");
  EXPECT_EQ(changes, std::vector<QString>{"Volume"});
  EXPECT_EQ(edit->LineEdit()->text(), "Volume");
  edit->SetSelStart(2);
  edit->SetSelLength(3);
  EXPECT_EQ(edit->SelText(), "lum");
  edit->SetReadOnly(true);
  QTest::keyClicks(edit->LineEdit(), "z");
  EXPECT_EQ(edit->Text(), "Volume");
}

TEST_F(StdCtrlsTest, MemoLinesFollowTheTextBothWays) {
  auto* memo = Place<TMemo>(10, 10, 200, 60);
  memo->SetScrollBars(ssVertical);
  int changes = 0;
  memo->OnChange = [&](TControl*) { ++changes; };
  TStrings* lines = memo->Lines();
  lines->Add("first");
  lines->Add("second");
  lines->Insert(1, "middle");
  EXPECT_EQ(lines->Count(), 3);
  EXPECT_EQ(lines->Strings(1), "middle");
  EXPECT_EQ(memo->Text(), "first\r\nmiddle\r\nsecond\r\n");
  EXPECT_EQ(changes, 3);
  lines->Delete(0);
  EXPECT_EQ(lines->ToQStringList(), (QStringList{"middle", "second"}));
  EXPECT_THROW(lines->Strings(2), EListError);

  memo->SetText("a\r\nb");
  EXPECT_EQ(lines->Count(), 2);
  EXPECT_EQ(lines->Strings(1), "b");
  ShowForm();
  memo->SetFocus();
  memo->TextEdit()->moveCursor(QTextCursor::End);
  QTest::keyClick(memo->TextEdit(), Qt::Key_Return);
  QTest::keyClicks(memo->TextEdit(), "c");
  EXPECT_EQ(lines->ToQStringList(), (QStringList{"a", "b", "c"}));
  EXPECT_TRUE(memo->Modified());

  // Scrolling as the host's messages ask, reported for overlay bars.
  lines->BeginUpdate();
  for (int i = 0; i < 100; ++i) lines->Add(QStringLiteral("line %1").arg(i));
  lines->EndUpdate();
  QCoreApplication::processEvents();
  TScrollInfo info;
  ASSERT_TRUE(memo->ScrollInfo(sbVertical, info));
  EXPECT_TRUE(info.Visible);
  EXPECT_GT(info.Max, info.PageSize);
  const int before = memo->TextEdit()->verticalScrollBar()->value();
  memo->Perform(WM_VSCROLL, SB_LINEDOWN);
  EXPECT_EQ(memo->TextEdit()->verticalScrollBar()->value(), before + 1);
  memo->Perform(WM_VSCROLL, SB_THUMBPOSITION | (10 << 16));
  ASSERT_TRUE(memo->ScrollInfo(sbVertical, info));
  EXPECT_EQ(info.Position, 10);
  EXPECT_GT(info.BarRect.Left, 150);
}

TEST_F(StdCtrlsTest, ButtonsClickOnceAndSetTheModalResult) {
  auto* ok = Place<TButton>(10, 10, 75, 25);
  ok->SetCaption("&OK");
  ok->SetModalResult(mrOk);
  auto* check = Place<TCheckBox>(10, 50, 150, 17);
  check->SetCaption("Test write");
  ShowForm();
  int clicks = 0;
  ok->OnClick = [&](TControl*) { ++clicks; };
  QTest::mouseClick(ok->PushButton(), Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(form->ModalResult(), mrOk);
  ok->SetFocus();
  QTest::keyClick(ok->PushButton(), Qt::Key_Space);
  EXPECT_EQ(clicks, 2);

  std::vector<bool> seen;
  check->OnClick = [&](TControl* sender) { seen.push_back(static_cast<TCheckBox*>(sender)->Checked()); };
  QTest::mouseClick(check->CheckBox(), Qt::LeftButton, {}, QPoint(6, 8));
  EXPECT_EQ(seen, std::vector<bool>{true});
  // Set in code, the host clicks too; an equal value does nothing.
  check->SetChecked(false);
  check->SetChecked(false);
  EXPECT_EQ(seen, (std::vector<bool>{true, false}));
  EXPECT_EQ(check->CheckBox()->checkState(), Qt::Unchecked);
}

TEST_F(StdCtrlsTest, RadioButtonsOfOneParentExcludeEachOther) {
  auto* blank = Place<TRadioButton>(10, 10, 120, 17);
  auto* custom = Place<TRadioButton>(10, 30, 120, 17);
  auto* other_parent = Create<TGroupBox>(form.get());
  other_parent->SetParent(form.get());
  other_parent->SetBounds(150, 10, 150, 80);
  auto* elsewhere = Create<TRadioButton>(form.get());
  elsewhere->SetParent(other_parent);
  elsewhere->SetBounds(10, 20, 120, 17);
  ShowForm();
  blank->SetChecked(true);
  elsewhere->SetChecked(true);
  int custom_clicks = 0;
  custom->OnClick = [&](TControl*) { ++custom_clicks; };
  QTest::mouseClick(custom->RadioButton(), Qt::LeftButton, {}, QPoint(6, 8));
  EXPECT_TRUE(custom->Checked());
  EXPECT_FALSE(blank->Checked());
  EXPECT_FALSE(blank->RadioButton()->isChecked());
  EXPECT_TRUE(elsewhere->Checked());
  EXPECT_EQ(custom_clicks, 1);
  // A click on the checked one keeps it checked and raises nothing.
  QTest::mouseClick(custom->RadioButton(), Qt::LeftButton, {}, QPoint(6, 8));
  EXPECT_TRUE(custom->RadioButton()->isChecked());
  EXPECT_EQ(custom_clicks, 1);
}

TEST_F(StdCtrlsTest, ComboBoxReportsOnlyTheUsersChoice) {
  auto* combo = Place<TComboBox>(10, 10, 150, 21);
  combo->SetStyle(csDropDownList);
  int item = 42;
  combo->Items()->AddObject("Max", &item);
  combo->Items()->Add("40X (7,056 KB/s)");
  combo->Items()->Add("32X (5,645 KB/s)");
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_EQ(combo->Text(), "");
  int changes = 0;
  int selects = 0;
  combo->OnChange = [&](TControl*) { ++changes; };
  combo->OnSelect = [&](TControl*) { ++selects; };
  combo->SetItemIndex(0);
  EXPECT_EQ(combo->Text(), "Max");
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(combo->Items()->Objects(0), &item);

  ShowForm();
  combo->SetFocus();
  QTest::keyClick(combo->Combo(), Qt::Key_Down);
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(combo->Text(), "40X (7,056 KB/s)");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(selects, 1);
  combo->SetText("32X (5,645 KB/s)");
  EXPECT_EQ(combo->ItemIndex(), 2);
  combo->Items()->Clear();
  EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST_F(StdCtrlsTest, ListBoxSelectionAndPositions) {
  auto* list = Place<TListBox>(10, 10, 200, 120);
  list->Items()->Add(" 001      000:02:00   200 MB");
  list->Items()->Add(" Free      079:59:74   500 MB");
  list->Items()->Add("third");
  ShowForm();
  int clicks = 0;
  list->OnClick = [&](TControl*) { ++clicks; };
  int dbl = 0;
  list->OnDblClick = [&](TControl*) { ++dbl; };
  const TRect r = list->ItemRect(1);
  ASSERT_GT(r.Height(), 0);
  const QPoint at = list->ListWidget()->viewport()->mapFrom(list, QPoint(r.Left + 5, r.Top + 2));
  QTest::mouseClick(list->ListWidget()->viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(list->ItemAtPos(TPoint{r.Left + 5, r.Top + 2}, true), 1);
  EXPECT_EQ(list->ItemAtPos(TPoint{5, 110}, true), -1);
  EXPECT_EQ(list->ItemAtPos(TPoint{5, 110}, false), 3);
  QTest::mouseDClick(list->ListWidget()->viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(dbl, 1);
  // Keyboard moves click as well; setting the index in code does not.
  const int before = clicks;
  QTest::keyClick(list->ListWidget(), Qt::Key_Down);
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_EQ(clicks, before + 1);
  list->SetItemIndex(0);
  EXPECT_EQ(clicks, before + 1);

  list->SetMultiSelect(true);
  list->SetSelected(0, true);
  list->SetSelected(2, true);
  EXPECT_TRUE(list->Selected(0));
  EXPECT_FALSE(list->Selected(1));
  EXPECT_EQ(list->SelCount(), 2);
  EXPECT_THROW(list->Selected(3), EListError);
  list->Clear();
  EXPECT_EQ(list->Items()->Count(), 0);
}

TEST_F(StdCtrlsTest, LabelSizesToItsCaptionAndGroupBoxHoldsChildren) {
  auto* label = Place<TLabel>(100, 10, 10, 10);
  label->SetCaption("Drive:");
  const int short_width = label->Width();
  label->SetCaption("Drive E: is the writer");
  EXPECT_GT(label->Width(), short_width);
  EXPECT_GT(label->Height(), 8);
  label->SetAutoSize(false);
  label->SetAlignment(taRightJustify);
  label->SetBounds(100, 10, 200, 16);
  label->SetCaption("x");
  EXPECT_EQ(label->Width(), 200);

  auto* group = Place<TGroupBox>(10, 40, 200, 120);
  group->SetCaption("Preference");
  auto* inside = Create<TEdit>(form.get());
  inside->SetParent(group);
  inside->SetAlign(alClient);
  const TRect client = group->ClientRect();
  EXPECT_EQ(inside->BoundsRect().Left, client.Left);
  EXPECT_GT(inside->Top(), 5);
  EXPECT_LT(inside->BoundsRect().Bottom, group->Height());
  ShowForm();
  form->grab().save(QStringLiteral(BURNER_BINARY_DIR "/std_controls.png"));
}

TEST_F(StdCtrlsTest, HandlerErrorsReachTheApplicationAndOwnersFreeControls) {
  std::vector<std::string> errors;
  Application().OnException = [&](TComponent*, const std::exception& e) { errors.push_back(e.what()); };
  auto* edit = Place<TEdit>(10, 10, 100, 21);
  edit->OnChange = [](TControl*) { throw std::runtime_error("bad text"); };
  edit->SetText("x");
  EXPECT_EQ(errors, std::vector<std::string>{"bad text"});
  EXPECT_EQ(edit->Text(), "x");
  Application().OnException = nullptr;

  QPointer<QWidget> inner = edit->LineEdit();
  QPointer<QWidget> list = Place<TListBox>(10, 40, 100, 50)->ListWidget();
  form.reset();
  EXPECT_TRUE(inner.isNull());
  EXPECT_TRUE(list.isNull());
}

}  // namespace
