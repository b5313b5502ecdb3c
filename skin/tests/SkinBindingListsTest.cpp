// Skinned list box and combo box: the frame's margins make the inner
// rectangle, items, separators and check marks are drawn by the skin's
// objects in the state selection and focus give them, the scroll bar and
// the drop-down list are bound to the same engine, and a skin change
// binds them all again.

#include <QTest>
#include <functional>

#include "skin/se_binding_lists.h"
#include "skin/tests/SkinBindingFixture.h"

namespace {

using ListBinding = SkinBindingTest;

TEST_F(ListBinding, ListBoxDrawsItemsSeparatorsAndMarksFromTheSkin) {
  Load("devoir");
  auto* list = Place<TSeSkinListBox>(10, 10, 160, 100);
  list->SetItems({"First", "-", "Third", "Fourth"});
  list->SetShowCheckBoxes(true);
  list->SetState(2, csChecked);
  list->SetSkinEngine(engine_.get());
  Show();
  TSeSkinObject* frame = engine_->Source().GetObjectByName("ListBox")->FindObjectByName("Frame");
  EXPECT_EQ(list->GetBorderClientRect(), Rect(frame->MarginLeft(), frame->MarginTop(), 160 - frame->MarginRight(),
                                                100 - frame->MarginBottom()));
  auto* bar = dynamic_cast<TSeSkinScrollBar*>(list->ScrollBar());
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->SkinEngine(), engine_.get()) << "the list passes its engine on";

  // A click selects and focuses the first item: the skin's focused item.
  const TRect first = list->ItemRect(0);
  QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(first.Right - 4, first.Top + 3));
  ASSERT_EQ(list->ItemIndex(), 0);
  ASSERT_TRUE(list->IsFocused());
  const TSeArgb focused = Part("ListBox", "Item", first, osFocused, first.Right - 2, first.Top + 1);
  QTest::mouseMove(form_.get(), QPoint(300, 200));
  EXPECT_EQ(Shown(list, first.Right - 2, first.Top + 1), focused);
  // Selected but not focused: the pressed look.
  form_->SetFocus();
  list->clearFocus();
  QTest::qWait(0);
  ASSERT_FALSE(list->IsFocused());
  EXPECT_EQ(Shown(list, first.Right - 2, first.Top + 1),
            Part("ListBox", "Item", first, osPressed, first.Right - 2, first.Top + 1));

  // "-" is the item's separator line in the normal look, even selected.
  list->SetItemIndex(1);
  const TRect sep = list->ItemRect(1);
  const TSeArgb edge = Shown(list, sep.Right - 2, sep.Top + 1);
  EXPECT_NE(edge, Part("ListBox", "Item", sep, osPressed, sep.Right - 2, sep.Top + 1));
  const QImage shot = Shot(list);
  bool line = false;
  for (int y = sep.Top; y < sep.Bottom; ++y) line |= shot.pixel(sep.Left + sep.Width() / 2, y) != shot.pixel(sep.Right - 2, sep.Top);
  EXPECT_TRUE(line) << "a separator line across the item";

  // The check mark of a checked item is the skin's "Checked", whole.
  const TRect third = list->ItemRect(2);
  TSeSkinObject* mark = engine_->Source().GetObjectByName("ListBox")->FindObjectByName("Checked");
  ASSERT_NE(mark, nullptr);
  TSeBitmap piece;
  piece.SetSize(mark->Width(), mark->Height());
  piece.Clear(0);
  auto clone = CloneSkinObject(*mark);
  se::DrawSkinPart(clone.get(), piece.Canvas(), Rect(0, 0, mark->Width(), mark->Height()));
  const QImage marks = Shot(list);
  bool found = false;
  for (int left = third.Left; left < third.Left + 8 && !found; ++left)
    for (int top = third.Top; top + mark->Height() <= third.Bottom && !found; ++top) {
      bool same = true;
      for (int y = 0; y < mark->Height() && same; ++y)
        for (int x = 0; x < mark->Width() && same; ++x)
          same = (piece.GetPixel(x, y) >> 24) == 0 ||
                 (marks.pixel(left + x, top + y) | 0xFF000000u) == (piece.GetPixel(x, y) | 0xFF000000u);
      found = same;
    }
  EXPECT_TRUE(found) << "the skin's checked mark beside the third item";
}

TEST_F(ListBinding, ColourNamesShowASwatchAndTheShortName) {
  Load("devoir");
  auto* list = Place<TSeSkinListBox>(10, 10, 160, 60);
  list->SetListStyle(lbColorNames);
  list->SetItems({"clRed", "clBlue"});
  list->SetSkinEngine(engine_.get());
  Show();
  const TRect r = list->ItemRect(0);
  EXPECT_EQ(Shown(list, r.Left + 2 + 10, r.Top + r.Height() / 2), qRgb(255, 0, 0) | 0xFF000000u);
  const QImage shot = Shot(list);
  int inked = 0;
  for (int x = r.Left + 26; x < r.Left + 60; ++x)
    for (int y = r.Top; y < r.Bottom; ++y) inked += shot.pixel(x, y) != shot.pixel(r.Right - 3, r.Top + 1);
  EXPECT_GT(inked, 5) << "the name beside the swatch";
}

TEST_F(ListBinding, ComboBoxButtonFollowsTheMouseAndTheSkin) {
  Load("devoir");
  auto* combo = Place<TSeSkinComboBox>(10, 10, 150, 21);
  combo->SetItems({"Fast", "Safe", "Slow"});
  combo->SetSkinEngine(engine_.get());
  Show();
  TSeSkinObject* skinButton = engine_->Source().GetObjectByName("ComboBox")->FindObjectByName("Button");
  ASSERT_NE(skinButton, nullptr);
  const TRect button = combo->GetButtonRect();
  EXPECT_EQ(button.Width(), skinButton->Width()) << "the skin gives the button its width";
  const int bx = button.Left + button.Width() / 2;
  const int by = button.Top + 3;
  EXPECT_EQ(Shown(combo, bx, by), Part("ComboBox", "Button", button, osNormal, bx, by));
  QTest::mouseMove(combo, QPoint(bx, button.Top + button.Height() / 2));
  ASSERT_TRUE(combo->ButtonHot());
  EXPECT_EQ(Shown(combo, bx, by), Part("ComboBox", "Button", button, osHot, bx, by));
  EXPECT_NE(Part("ComboBox", "Button", button, osHot, bx, by), Part("ComboBox", "Button", button, osNormal, bx, by));

  // The drop-down list is a skinned list of the same engine.
  QTest::mouseClick(combo, Qt::LeftButton, {}, QPoint(bx, button.Top + button.Height() / 2));
  ASSERT_TRUE(combo->DroppedDown());
  auto* list = dynamic_cast<TSeSkinListBox*>(combo->ListBox());
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->Binding().UseSkin());
  combo->CloseUp();

  // Slate binds both again; no skin gives the plain look and width.
  QTest::mouseMove(form_.get(), QPoint(300, 200));
  Load("slate");
  const TRect slateButton = combo->GetButtonRect();
  EXPECT_EQ(Shown(combo, slateButton.Left + slateButton.Width() / 2, by),
            Part("ComboBox", "Button", slateButton, combo->ButtonState(), slateButton.Left + slateButton.Width() / 2, by));
  EXPECT_TRUE(list->Binding().UseSkin());
  Load("");
  EXPECT_FALSE(combo->Binding().UseSkin());
  EXPECT_FALSE(list->Binding().UseSkin());
  EXPECT_EQ(combo->GetButtonRect().Width(), 15);
}

TEST_F(ListBinding, ItemsAreSixPixelsTallerWhileSkinnedUnlessTheProgramChoseTheirHeight) {
  struct Case {
    const char* name;
    std::function<void(TSeSkinListBox*)> setup;
    int plain, skinned;
  } cases[] = {
      {"default height", [](TSeSkinListBox*) {}, 16, 22},
      {"height chosen by the program", [](TSeSkinListBox* l) { l->SetItemHeight(30); }, 30, 30},
      {"colour names", [](TSeSkinListBox* l) { l->SetListStyle(lbColorNames); }, 18, 18},
  };
  for (const Case& k : cases) {
    auto* list = Place<TSeSkinListBox>(10, 10, 160, 200);
    list->SetItems({"One", "Two", "Three"});
    k.setup(list);
    list->SetSkinEngine(engine_.get());
    // No skin, a skin, another skin, no skin again.
    for (const char* skin : {"", "devoir", "slate", ""}) {
      Load(skin);
      const int expected = *skin ? k.skinned : k.plain;
      EXPECT_EQ(list->ItemHeight(), expected) << k.name << " " << skin;
      EXPECT_EQ(list->ItemRect(1).Top - list->ItemRect(0).Top, expected) << k.name << " " << skin;
    }
    delete list;
  }
}

}  // namespace
