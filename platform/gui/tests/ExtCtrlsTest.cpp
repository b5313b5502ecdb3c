// Panels and images: layout inside the bevels, where a picture lands.

#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "platform/gui/Bitmap.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"

namespace {

TBitmap Solid(int width, int height, TColor color) {
  TBitmap bitmap;
  bitmap.SetWidth(width);
  bitmap.SetHeight(height);
  bitmap.Canvas().Brush().SetColor(color);
  bitmap.Canvas().FillRect(Rect(0, 0, width, height));
  return bitmap;
}

TEST(ExtCtrlsTest, PanelLaysOutInsideItsBevels) {
  auto form = CreateUnique<TForm>();
  form->SetBounds(0, 0, 300, 200);
  auto* panel = Create<TPanel>(form.get());
  panel->SetParent(form.get());
  panel->SetBounds(10, 10, 200, 100);
  panel->SetBevelInner(bvLowered);
  panel->SetBorderWidth(2);
  panel->SetCaption("Status");
  auto* child = Create<TPanel>(form.get());
  child->SetParent(panel);
  child->SetAlign(alClient);
  EXPECT_EQ(child->BoundsRect(), Rect(4, 4, 196, 96));
  panel->SetBevelOuter(bvNone);
  EXPECT_EQ(child->BoundsRect(), Rect(3, 3, 197, 97));

  form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  const QImage shot = panel->grab().toImage();
  // The lowered inner bevel: shadow on top, highlight at the bottom.
  EXPECT_EQ(shot.pixelColor(50, 2), ColorToQColor(clBtnShadow));
  EXPECT_EQ(shot.pixelColor(50, 97), ColorToQColor(clBtnHighlight));
}

TEST(ExtCtrlsTest, ImagePlacesItsPicture) {
  auto form = CreateUnique<TForm>();
  form->SetBounds(0, 0, 300, 200);
  auto* image = Create<TImage>(form.get());
  image->SetParent(form.get());
  image->SetBounds(10, 10, 100, 60);
  TBitmap red = Solid(20, 10, clRed);
  image->Picture()->SetGraphic(&red);
  struct Case {
    bool stretch, center, proportional;
    TRect expected;
  };
  const Case cases[] = {
      {false, false, false, Rect(0, 0, 20, 10)}, {false, true, false, Rect(40, 25, 60, 35)},
      {true, false, false, Rect(0, 0, 100, 60)}, {true, false, true, Rect(0, 0, 100, 50)},
      {true, true, true, Rect(0, 5, 100, 55)},
  };
  for (const Case& c : cases) {
    image->SetStretch(c.stretch);
    image->SetCenter(c.center);
    image->SetProportional(c.proportional);
    EXPECT_EQ(image->DestRect(), c.expected) << c.stretch << c.center << c.proportional;
  }

  form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  image->SetStretch(false);
  image->SetProportional(false);
  const QImage centred = image->grab().toImage();
  EXPECT_EQ(centred.pixelColor(50, 30), QColor(Qt::red));
  EXPECT_NE(centred.pixelColor(5, 5), QColor(Qt::red));

  image->SetAutoSize(true);
  TBitmap blue = Solid(32, 32, clBlue);
  image->Picture()->SetGraphic(&blue);
  EXPECT_EQ(image->Width(), 32);
  EXPECT_EQ(image->Height(), 32);
  EXPECT_EQ(image->grab().toImage().pixelColor(16, 16), QColor(Qt::blue));
  image->Picture()->SetGraphic(nullptr);
  image->repaint();
}

}  // namespace
