// The tool bar control: sizes its buttons from its height, lines up its
// visible children by position from the border, stacks them when upright,
// and repaints its background over the whole bar.

#include <gtest/gtest.h>

#include <QTest>

#include "platform/gui/Forms.h"
#include "skin/se_speedbuttons.h"
#include "skin/se_toolbar.h"

namespace {

struct Bar {
  std::unique_ptr<TForm> form = CreateUnique<TForm>();
  TSeCustomToolBar* bar;
  Bar(int width, int height) {
    form->SetBounds(0, 0, 400, 300);
    bar = Create<TSeCustomToolBar>(form.get());
    bar->SetParent(form.get());
    bar->SetBounds(0, 0, width, height);
  }
  template <class T>
  T* Add(int left, int top, int width = 23, int height = 22) {
    auto* c = Create<T>(form.get());
    c->SetBounds(left, top, width, height);
    c->SetParent(bar);
    return c;
  }
};

}  // namespace

TEST(SeToolBar, MainWindowBarSizesButtonsAndLinesThemUpByPosition) {
  Bar b(235, 42);
  EXPECT_EQ(b.bar->BorderWidth(), 2);
  EXPECT_EQ(b.bar->ButtonWidth(), 38);
  auto* first = b.Add<TSeCustomSpeedButton>(5, 7);
  auto* divider = b.Add<TSeSpeedDivider>(60, 3, 3, 10);
  auto* second = b.Add<TSeCustomSpeedButton>(80, 0);
  auto* chevron = b.Add<TSeCustomSpeedButton>(200, 0);
  chevron->SetShowChevron(true);
  b.bar->SetDividerWidth(4);
  EXPECT_EQ(first->BoundsRect(), Rect(2, 2, 40, 40));
  EXPECT_EQ(divider->BoundsRect(), Rect(40, 2, 44, 40));
  EXPECT_EQ(second->BoundsRect(), Rect(44, 2, 82, 40));
  EXPECT_EQ(chevron->BoundsRect(), Rect(82, 2, 134, 40));  // 38 + the chevron's 14

  // Moving a button before another swaps them; a hidden one takes no room.
  first->SetLeft(50);
  b.bar->Realign();
  EXPECT_EQ(divider->Left(), 2);
  EXPECT_EQ(second->Left(), 6);
  EXPECT_EQ(first->Left(), 44);
  divider->SetVisible(false);
  EXPECT_EQ(second->Left(), 2);
  EXPECT_EQ(first->Left(), 40);

  // A taller bar gives its buttons the new height at once.
  b.bar->SetHeight(30);
  EXPECT_EQ(b.bar->ButtonWidth(), 26);
  EXPECT_EQ(first->BoundsRect(), Rect(28, 2, 54, 28));
}

TEST(SeToolBar, AnUprightBarStacksItsChildrenAcrossItsWidth) {
  Bar b(40, 200);
  EXPECT_FALSE(b.bar->IsHorizontal());
  // Sized upright in one step, the buttons take the width, not the length.
  EXPECT_EQ(b.bar->ButtonWidth(), 36);
  auto* upper = b.Add<TSeCustomSpeedButton>(0, 10);
  auto* divider = b.Add<TSeSpeedDivider>(0, 50);
  auto* lower = b.Add<TSeCustomSpeedButton>(0, 90);
  EXPECT_EQ(upper->BoundsRect(), Rect(2, 2, 38, 38));
  EXPECT_EQ(divider->BoundsRect(), Rect(2, 38, 38, 46));
  EXPECT_EQ(lower->BoundsRect(), Rect(2, 46, 38, 82));
  lower->SetTop(0);
  b.bar->Realign();
  EXPECT_EQ(lower->Top(), 2);
  EXPECT_EQ(upper->Top(), 38);
  // Aligned to the top it lines up from the left whatever its shape.
  b.bar->SetAlign(alTop);
  EXPECT_TRUE(b.bar->IsHorizontal());
}

TEST(SeToolBar, WithoutAutoSizeButtonsKeepTheirLengthButStretchAcross) {
  Bar b(235, 42);
  b.bar->SetButtonAutoSize(false);
  auto* narrow = b.Add<TSeCustomSpeedButton>(0, 0, 20, 10);
  auto* wide = b.Add<TSeCustomSpeedButton>(100, 0, 60, 10);
  EXPECT_EQ(narrow->BoundsRect(), Rect(2, 2, 22, 40));
  EXPECT_EQ(wide->BoundsRect(), Rect(22, 2, 82, 40));
  b.bar->SetBorderWidth(5);
  EXPECT_EQ(narrow->BoundsRect(), Rect(5, 5, 25, 37));
  // Switching auto size back on sizes them from the bar at once.
  b.bar->SetButtonAutoSize(true);
  b.bar->SetButtonWidth(30);
  EXPECT_EQ(wide->BoundsRect(), Rect(35, 5, 65, 37));
}

TEST(SeToolBar, PaintsItsColourOverTheWholeBarBorderIncluded) {
  Bar b(120, 30);
  b.bar->SetColor(clRed);
  b.Add<TSeSpeedDivider>(0, 0);
  b.form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(b.form.get()));
  const QImage shot = b.bar->grab().toImage();
  for (const QPoint p : {QPoint(0, 0), QPoint(1, 15), QPoint(119, 29), QPoint(60, 15)})
    EXPECT_EQ(shot.pixelColor(p), QColor(Qt::red)) << p.x() << "," << p.y();
}
