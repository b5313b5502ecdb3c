// The combo box and the list box as widgets, driven with Qt's own input
// events: keys, clicks, the wheel, the drop-down list and completion,
// check boxes, extended selection and a million items.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include "platform/gui/Clipboard.h"
#include "platform/gui/Forms.h"
#include "skin/se_combobox.h"
#include "skin/se_listbox.h"
#include "skin/se_scrollbar.h"

namespace {

class SeListWidgetTest : public ::testing::Test {
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

TEST_F(SeListWidgetTest, ComboKeysPickItemsInBothStyles) {
  auto* combo = Place<TSeCustomComboBox>(10, 10, 150, 21);
  combo->SetItems({"Apple", "Banana", "Cherry", "Date", "Elder"});
  ShowForm();
  combo->SetFocus();
  QTest::keyClick(combo, Qt::Key_Up);  // from none: the first item
  EXPECT_EQ(combo->ItemIndex(), 0);
  EXPECT_EQ(combo->Text(), "Apple");
  QTest::keyClick(combo, Qt::Key_Down);
  EXPECT_EQ(combo->Text(), "Banana");
  combo->SetItemIndex(-1);
  QTest::keyClick(combo, Qt::Key_Home);
  EXPECT_EQ(combo->ItemIndex(), 0);
  combo->SetItemIndex(99);
  EXPECT_EQ(combo->ItemIndex(), 4);

  combo->SetComboStyle(kcsDropDownList);
  EXPECT_TRUE(combo->ReadOnly());
  QTest::keyClick(combo, Qt::Key_PageUp);
  EXPECT_EQ(combo->ItemIndex(), 1);
  QTest::keyClick(combo, Qt::Key_End);
  EXPECT_EQ(combo->Text(), "Elder");
  Wheel(combo, 120);
  EXPECT_EQ(combo->ItemIndex(), 3);
  Wheel(combo, 60);
  Wheel(combo, 60);  // two half notches make one
  EXPECT_EQ(combo->ItemIndex(), 2);
  combo->SetComboStyle(kcsDropDown);
  EXPECT_FALSE(combo->ReadOnly());

  // An empty combo refuses every index.
  auto* empty = Place<TSeCustomComboBox>(10, 40, 150, 21);
  empty->SetItemIndex(3);
  EXPECT_EQ(empty->ItemIndex(), -1);
  empty->SetComboStyle(kcsDropDownList);
  QTest::keyClick(empty, Qt::Key_Down);
  Wheel(empty, -120);
  EXPECT_EQ(empty->ItemIndex(), -1);
  EXPECT_EQ(empty->Text(), "");
}

TEST_F(SeListWidgetTest, ComboDropDownWithKeyboardAndMouse) {
  auto* combo = Place<TSeCustomComboBox>(10, 10, 150, 21);
  combo->SetItems({"Apple", "Banana", "Cherry"});
  int drops = 0, closes = 0;
  combo->OnDropDown = [&](TControl*) { ++drops; };
  combo->OnCloseUp = [&](TControl*) { ++closes; };
  ShowForm();
  combo->SetFocus();
  QTest::keyClick(combo, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(combo->DroppedDown());
  EXPECT_EQ(se::ActiveDropDownCombo(), combo);
  EXPECT_EQ(drops, 1);
  // Below the combo, as wide as it.
  const QRect popup = combo->DropDownWindow()->geometry();
  EXPECT_EQ(popup.top(), combo->mapToGlobal(QPoint(0, combo->height())).y());
  EXPECT_EQ(popup.width(), combo->width());
  TSeCustomListBox* list = combo->ListBox();
  QTest::keyClick(list, Qt::Key_Down);
  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_FALSE(combo->DroppedDown() == false);
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->Text(), "Cherry");
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(se::ActiveDropDownCombo(), nullptr);

  // Escape closes and keeps the item.
  QTest::keyClick(combo, Qt::Key_Down, Qt::AltModifier);
  QTest::keyClick(list, Qt::Key_Up);
  QTest::keyClick(list, Qt::Key_Escape);
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->Text(), "Cherry");

  // The button opens it; a click on an item picks it, unless refused.
  const TRect button = combo->GetButtonRect();
  QTest::mouseClick(combo, Qt::LeftButton, {}, QPoint(button.Left + 3, button.Top + 3));
  ASSERT_TRUE(combo->DroppedDown());
  const TRect first = list->ItemRect(0);
  QTest::mouseMove(list, QPoint(first.Left + 5, first.Top + 3));
  QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(first.Left + 5, first.Top + 3));
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->Text(), "Apple");
  combo->OnAllowChange = [](TControl*, int, const QString&, bool& allow) { allow = false; };
  combo->DropDown();
  const TRect second = list->ItemRect(1);
  QTest::mouseMove(list, QPoint(second.Left + 5, second.Top + 3));
  QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(second.Left + 5, second.Top + 3));
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->Text(), "Apple");
}

TEST_F(SeListWidgetTest, ComboOpensAboveNearTheScreenBottom) {
  auto* combo = Place<TSeCustomComboBox>(10, 10, 150, 21);
  combo->SetItems({"a", "b"});
  ShowForm();
  const QRect screen = combo->screen()->geometry();
  form->move(form->x(), screen.bottom() - 60);
  QApplication::processEvents();
  combo->DropDown();
  ASSERT_TRUE(combo->DroppedDown());
  EXPECT_LT(combo->DropDownWindow()->geometry().bottom(), combo->mapToGlobal(QPoint(0, 0)).y() + 1);
  combo->CloseActiveDropDown();
  EXPECT_FALSE(combo->DroppedDown());
}

TEST_F(SeListWidgetTest, ComboCompletesTypedTextAndNeverOnDeleting) {
  auto* combo = Place<TSeCustomComboBox>(10, 10, 150, 21);
  combo->SetItems({"Apple", "Banana"});
  combo->SetAutoComplete(true);
  ShowForm();
  combo->SetFocus();
  QTest::keyClicks(combo, "b");
  ASSERT_TRUE(combo->AutoCompleteTimer()->Enabled());
  combo->AutoCompleteTimer()->OnTimer(combo->AutoCompleteTimer());
  EXPECT_EQ(combo->Text(), "Banana");
  EXPECT_EQ(combo->SelText(), "anana");
  QTest::keyClicks(combo, "x");
  EXPECT_EQ(combo->Text(), "Bx");
  combo->AutoCompleteTimer()->OnTimer(combo->AutoCompleteTimer());
  EXPECT_EQ(combo->Text(), "Bx");  // nothing starts so
  QTest::keyClick(combo, Qt::Key_Backspace);
  combo->AutoCompleteTimer()->OnTimer(combo->AutoCompleteTimer());
  EXPECT_EQ(combo->Text(), "B");  // deleting does not complete
}

TEST_F(SeListWidgetTest, ListBoxClicksChecksAndExtendedSelection) {
  auto* list = Place<TSeCustomListBox>(10, 10, 150, 100);
  QStringList items;
  for (int i = 0; i < 30; ++i) items << QString("Item %1").arg(i);
  list->SetItems(items);
  list->SetMultiSelect(true);
  list->SetShowCheckBoxes(true);
  ShowForm();
  auto clickAt = [&](int index, bool onCheck, Qt::KeyboardModifiers mods = {}) {
    const TRect r = list->ItemRect(index);
    const QPoint p(onCheck ? r.Left + 7 : r.Left + 40, (r.Top + r.Bottom) / 2);
    QTest::mouseMove(list, p);
    QTest::mouseClick(list, Qt::LeftButton, mods, p);
  };
  clickAt(2, false);
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_EQ(list->GetState(2), csUnchecked);
  clickAt(3, true);
  EXPECT_EQ(list->ItemIndex(), 3);
  EXPECT_EQ(list->GetState(3), csChecked);
  clickAt(5, false, Qt::ShiftModifier);
  EXPECT_EQ(list->SelCount(), 3);  // 3..5
  clickAt(0, false, Qt::ControlModifier);
  EXPECT_EQ(list->SelCount(), 4);
  EXPECT_TRUE(list->GetSelected(0));
  QTest::keyClick(list, Qt::Key_Space);
  EXPECT_EQ(list->GetState(0), csChecked);
  QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(list->SelCount(), 2);  // from the anchor 0 to 1
  // The wheel scrolls three rows a notch; the current item stays.
  Wheel(list, -120);
  EXPECT_EQ(list->ScrollBar()->Position(), 3);
  EXPECT_EQ(list->ItemIndex(), 1);
}

TEST_F(SeListWidgetTest, ListBoxTakesAMillionItems) {
  auto* list = Place<TSeCustomListBox>(10, 10, 150, 100);
  QStringList items;
  items.reserve(1000000);
  for (int i = 0; i < 1000000; ++i) items.append(QString::number(i));
  list->SetItems(items);
  ShowForm();
  list->SetFocus();
  QTest::keyClick(list, Qt::Key_End);
  EXPECT_EQ(list->ItemIndex(), 999999);
  list->repaint();
  QTest::keyClick(list, Qt::Key_PageUp);
  EXPECT_LT(list->ItemIndex(), 999999);
  list->Items()->Clear();
  EXPECT_EQ(list->ItemIndex(), -1);
  QTest::keyClick(list, Qt::Key_Down);
  list->repaint();
  EXPECT_EQ(list->ItemIndex(), -1);
}
