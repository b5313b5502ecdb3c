// Speed buttons: clicks, groups and the glyph's transparent colour.

#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "platform/gui/Buttons.h"
#include "platform/gui/Forms.h"

namespace {

TEST(ButtonsTest, SpeedButtonClicksAndGroupsStayExclusive) {
  auto form = CreateUnique<TForm>();
  form->SetBounds(0, 0, 200, 100);
  auto* a = Create<TSpeedButton>(form.get());
  auto* b = Create<TSpeedButton>(form.get());
  for (TSpeedButton* button : {a, b}) {
    button->SetParent(form.get());
    button->SetGroupIndex(1);
  }
  a->SetBounds(10, 10, 60, 24);
  b->SetBounds(80, 10, 60, 24);
  a->SetCaption("Show Files");
  TBitmap glyph;
  glyph.SetWidth(16);
  glyph.SetHeight(16);
  glyph.Canvas().Brush().SetColor(clFuchsia);
  glyph.Canvas().FillRect(Rect(0, 0, 16, 16));
  glyph.Canvas().Brush().SetColor(clBlue);
  glyph.Canvas().FillRect(Rect(4, 4, 12, 12));
  b->SetGlyph(glyph);
  form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));

  int clicks = 0;
  a->OnClick = [&](TControl*) { ++clicks; };
  QTest::mouseClick(a, Qt::LeftButton, {}, QPoint(30, 12));
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(a->Down());
  b->Click();
  EXPECT_TRUE(b->Down());
  EXPECT_FALSE(a->Down());
  // Without AllowAllUp the last one down stays down.
  b->SetDown(false);
  EXPECT_TRUE(b->Down());

  const QImage shot = b->grab().toImage();
  // The glyph is centred and pushed one pixel while the button is down; its
  // key colour is left out.
  EXPECT_EQ(shot.pixelColor(31, 13), QColor(Qt::blue));
  EXPECT_NE(shot.pixelColor(24, 6), ColorToQColor(clFuchsia));
  form->grab().save(QStringLiteral(BURNER_BINARY_DIR "/speed_buttons.png"));
}

}  // namespace
