// The scroll box: bars appear when its children reach past the client area,
// scrolling moves the children on screen but not their Left and Top, no
// child covers the border or the bars, and the wheel, the bars' messages and
// ScrollInView move the content.

#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <memory>

#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/ScrollBox.h"
#include "platform/gui/StdCtrls.h"

namespace {

struct ScrollBoxTest : ::testing::Test {
  void SetUp() override {
    form = CreateUnique<TForm>();
    form->SetBounds(0, 0, 400, 300);
    box = Create<TScrollBox>(form.get());
    box->SetParent(form.get());
    box->SetBounds(10, 10, 200, 150);
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }
  TPanel* Child(int left, int top, int width, int height) {
    auto* panel = Create<TPanel>(form.get());
    panel->SetParent(box);
    panel->SetBounds(left, top, width, height);
    QCoreApplication::processEvents();
    return panel;
  }
  // Where the child stands on screen, relative to the client area's corner.
  QPoint OnScreen(TControl* child) const {
    return child->mapTo(box, QPoint(0, 0)) - ClientCorner();
  }
  QPoint ClientCorner() const {
    auto* area = qobject_cast<QAbstractScrollArea*>(box->Inner());
    return area->viewport()->mapTo(box, QPoint(0, 0));
  }
  TScrollInfo Info(TScrollBarKind kind) const {
    TScrollInfo info;
    EXPECT_TRUE(box->ScrollInfo(kind, info));
    return info;
  }
  std::unique_ptr<TForm> form;
  TScrollBox* box = nullptr;
};

}  // namespace

TEST_F(ScrollBoxTest, BarsFollowTheChildrenAndTheyScrollWithoutNewPositions) {
  Child(5, 5, 50, 20);
  EXPECT_FALSE(Info(sbVertical).Visible);
  EXPECT_FALSE(Info(sbHorizontal).Visible);
  auto* area = qobject_cast<QAbstractScrollArea*>(box->Inner());
  EXPECT_EQ(box->ClientRect().Width(), box->Width() - 2 * area->frameWidth()) << "inside the border";

  TPanel* far = Child(20, 400, 60, 30);
  ASSERT_TRUE(Info(sbVertical).Visible);
  EXPECT_FALSE(Info(sbHorizontal).Visible);
  EXPECT_EQ(box->Range(sbVertical), 430);
  const TScrollInfo v = Info(sbVertical);
  EXPECT_EQ(v.PageSize, box->ClientHeight());
  EXPECT_EQ(v.Max, 429) << "the host's range counts the page: last position plus page";
  EXPECT_EQ(box->ClientWidth(), box->Width() - 2 * area->frameWidth() - area->verticalScrollBar()->width())
      << "the vertical bar takes its width from the client area";

  // The bar's own message scrolls: the child keeps its Top and moves up.
  box->Perform(WM_VSCROLL, SB_THUMBPOSITION | (200 << 16));
  EXPECT_EQ(box->ScrollPos(sbVertical), 200);
  EXPECT_EQ(far->Top(), 400);
  EXPECT_EQ(OnScreen(far), QPoint(20, 200));
  box->Perform(WM_VSCROLL, SB_LINEUP);
  EXPECT_EQ(box->ScrollPos(sbVertical), 192);
  EXPECT_EQ(OnScreen(far), QPoint(20, 208));
  box->Perform(WM_VSCROLL, SB_BOTTOM);
  EXPECT_EQ(box->ScrollPos(sbVertical), 430 - box->ClientHeight()) << "the content's end at the bottom edge";
  box->Perform(WM_VSCROLL, SB_THUMBPOSITION | (192 << 16));

  // A child placed while scrolled lands at its position in the content.
  TPanel* late = Child(0, 350, 10, 10);
  EXPECT_EQ(late->Top(), 350);
  EXPECT_EQ(OnScreen(late), QPoint(0, 158));

  // Leaving the content shrinks the range; scrolling back to the top.
  delete far;
  delete late;
  QCoreApplication::processEvents();
  EXPECT_FALSE(Info(sbVertical).Visible);
  EXPECT_EQ(box->ScrollPos(sbVertical), 0);
}

TEST_F(ScrollBoxTest, ChildrenNeverCoverTheBorderOrTheBars) {
  TPanel* wide = Child(-10, 10, 400, 30);
  TPanel* inside = Child(10, 50, 30, 30);
  ASSERT_TRUE(Info(sbHorizontal).Visible);
  const QRect client(ClientCorner(), QSize(box->ClientWidth(), box->ClientHeight()));
  // What shows of the wide child is exactly its part inside the client area.
  const QRect shown = wide->mask().isEmpty() ? wide->rect() : wide->mask().boundingRect();
  EXPECT_EQ(shown.translated(wide->pos()), client.intersected(wide->geometry()));
  EXPECT_TRUE(inside->mask().isEmpty()) << "a child wholly inside is not clipped";

  // Scrolled out of sight entirely: nothing of it shows.
  inside->SetTop(50);
  box->SetScrollPos(sbHorizontal, 100);
  EXPECT_LT(inside->x() + inside->width(), client.left());
  EXPECT_FALSE(inside->mask().boundingRect().intersects(inside->rect()));
  EXPECT_EQ(inside->Left(), 10);
}

TEST_F(ScrollBoxTest, WheelOverAChildAndScrollInView) {
  auto* label = Create<TLabel>(form.get());
  label->SetParent(box);
  label->SetBounds(10, 10, 80, 16);
  label->SetCaption("Label");
  TPanel* bottom = Child(10, 600, 40, 40);
  ASSERT_TRUE(Info(sbVertical).Visible);

  // A wheel notch down that no child took (Qt hands it to the box) scrolls
  // three lines.
  const QPointF at(50, 50);
  QWheelEvent wheel(at, box->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(box, &wheel);
  EXPECT_TRUE(wheel.isAccepted());
  EXPECT_EQ(box->ScrollPos(sbVertical), 3 * 8);

  box->ScrollInView(bottom);
  EXPECT_EQ(box->ScrollPos(sbVertical), 640 - box->ClientHeight());
  EXPECT_EQ(OnScreen(bottom).y() + bottom->Height(), box->ClientHeight());
  box->ScrollInView(label);
  EXPECT_EQ(box->ScrollPos(sbVertical), 10);
  EXPECT_EQ(OnScreen(label).y(), 0);

  // Without AutoScroll the bars go and the content stands at its origin.
  box->SetAutoScroll(false);
  EXPECT_FALSE(Info(sbVertical).Visible);
  EXPECT_EQ(OnScreen(label), QPoint(10, 10));
}
