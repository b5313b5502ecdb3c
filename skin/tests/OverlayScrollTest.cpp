// Overlay scroll bars on the memo and the list view: they appear exactly
// over the real bars with the same range, hide with them, and scroll the
// host; the mask edit's alignment and single-line keys.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <memory>

#include "platform/gui/Forms.h"
#include "skin/se_overlayscroll.h"

namespace {

struct MemoFixture : ::testing::Test {
  void SetUp() override {
    form = CreateUnique<TForm>();
    form->SetBounds(0, 0, 300, 240);
    memo = Create<TSeCustomMemo>(form.get());
    memo->SetParent(form.get());
    memo->SetBounds(20, 10, 200, 120);
    memo->SetScrollBars(ssVertical);
    memo->SetWordWrap(false);
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }
  TSeInplaceScrollBar* Vert() { return memo->SubScrollBar()->VertScrollBar(); }
  void Fill(int lines) {
    QString text;
    for (int i = 0; i < lines; ++i) text += QString("line %1\n").arg(i);
    memo->SetText(text);
    QCoreApplication::processEvents();
  }

  std::unique_ptr<TForm> form;
  TSeCustomMemo* memo = nullptr;
};

TEST_F(MemoFixture, TheOverlayCoversTheRealBarWithItsRange) {
  Fill(2);
  TScrollInfo info;
  ASSERT_TRUE(memo->ScrollInfo(sbVertical, info));
  EXPECT_EQ(Vert()->Visible() && Vert()->isVisible(), info.Visible);
  Fill(200);
  ASSERT_TRUE(memo->ScrollInfo(sbVertical, info));
  ASSERT_TRUE(info.Visible);
  EXPECT_TRUE(Vert()->isVisible());
  EXPECT_EQ(Vert()->Parent(), form.get());
  EXPECT_EQ(Vert()->BoundsRect(), Bounds(memo->Left() + info.BarRect.Left, memo->Top() + info.BarRect.Top,
                                         info.BarRect.Width(), info.BarRect.Height()));
  TSeCustomScrollBar* bar = Vert()->ScrollBar();
  EXPECT_EQ(bar->Min(), info.Min);
  EXPECT_EQ(bar->Max(), info.Max);
  EXPECT_EQ(bar->PageSize(), info.PageSize);
  EXPECT_EQ(bar->Position(), info.Position);
  EXPECT_FALSE(memo->SubScrollBar()->HorzScrollBar()->isVisible());

  memo->Hide();
  QCoreApplication::processEvents();
  EXPECT_FALSE(Vert()->isVisible());
  memo->Show();
  QCoreApplication::processEvents();
  EXPECT_TRUE(Vert()->isVisible());
}

TEST_F(MemoFixture, ScrollingTheOverlayScrollsTheMemo) {
  Fill(200);
  TSeCustomScrollBar* bar = Vert()->ScrollBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->Width() / 2, bar->Height() - 3));
  TScrollInfo info;
  memo->ScrollInfo(sbVertical, info);
  EXPECT_EQ(info.Position, 1);
  EXPECT_EQ(bar->Position(), 1);

  // Drag the thumb to the middle of the track.
  const TRect thumb = bar->GetThumbRect();
  const QPoint grab(bar->Width() / 2, thumb.Top + 1);
  QTest::mousePress(bar, Qt::LeftButton, {}, grab);
  QTest::mouseMove(bar, grab + QPoint(0, 40));
  memo->ScrollInfo(sbVertical, info);
  EXPECT_GT(info.Position, 1);
  EXPECT_EQ(info.Position, bar->Position());
  QTest::mouseRelease(bar, Qt::LeftButton, {}, grab + QPoint(0, 40));
  memo->ScrollInfo(sbVertical, info);
  EXPECT_EQ(info.Position, bar->Position());

  // Scrolling the memo itself moves the overlay's thumb.
  memo->Perform(WM_VSCROLL, SB_BOTTOM);
  memo->ScrollInfo(sbVertical, info);
  EXPECT_EQ(bar->Position(), info.Position);
}

TEST(SeOverlay, ListViewScrollsByTheDifference) {
  auto form = CreateUnique<TForm>();
  form->SetBounds(0, 0, 300, 240);
  auto* list = Create<TSeCustomListView>(form.get());
  list->SetParent(form.get());
  list->SetBounds(10, 10, 200, 150);
  list->SetViewStyle(vsList);
  for (int i = 0; i < 300; ++i) list->Items()->Add()->SetCaption(QString("item %1").arg(i));
  form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  QCoreApplication::processEvents();
  TScrollInfo info;
  for (TScrollBarKind kind : {sbVertical, sbHorizontal}) {
    if (!list->ScrollInfo(kind, info) || !info.Visible) continue;
    TSeInplaceScrollBar* overlay =
        kind == sbVertical ? list->SubScrollBar()->VertScrollBar() : list->SubScrollBar()->HorzScrollBar();
    ASSERT_TRUE(overlay->isVisible());
    TSeCustomScrollBar* bar = overlay->ScrollBar();
    const TRect thumb = bar->GetThumbRect();
    const QPoint grab = kind == sbVertical ? QPoint(bar->Width() / 2, thumb.Top + 1) : QPoint(thumb.Left + 1, 5);
    const QPoint to = grab + (kind == sbVertical ? QPoint(0, 30) : QPoint(30, 0));
    QTest::mousePress(bar, Qt::LeftButton, {}, grab);
    QTest::mouseMove(bar, to);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, to);
    list->ScrollInfo(kind, info);
    EXPECT_GT(info.Position, 0);
    EXPECT_EQ(info.Position, bar->Position());
    return;
  }
  FAIL() << "the list shows no scroll bar";
}

TEST(SeMaskEdit, CentredTextAndSingleLineKeys) {
  auto form = CreateUnique<TForm>();
  auto* edit = Create<TSeCustomMaskEdit>(form.get());
  edit->SetParent(form.get());
  edit->SetBounds(10, 10, 120, 22);
  form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  edit->SetTextAlign(taCenter);
  EXPECT_TRUE(edit->LineEdit()->alignment() & Qt::AlignHCenter);
  edit->SetText("abcd");
  edit->SetFocus();
  edit->SetSelStart(2);
  QTest::keyClick(edit->LineEdit(), Qt::Key_Up);
  EXPECT_EQ(edit->SelStart(), 1);
  QTest::keyClick(edit->LineEdit(), Qt::Key_Down);
  QTest::keyClick(edit->LineEdit(), Qt::Key_Down);
  EXPECT_EQ(edit->SelStart(), 3);
  bool returned = false;
  QObject::connect(edit->LineEdit(), &QLineEdit::returnPressed, [&] { returned = true; });
  QTest::keyClick(edit->LineEdit(), Qt::Key_Return);
  EXPECT_FALSE(returned);
  EXPECT_EQ(edit->Text(), "abcd");
}

}  // namespace
