// The library's scroll box on shown forms: its frame in the standard and
// the library's own looks, scroll bars that follow the children and scroll
// them on real wheel and click input, and the transparent mode that shows
// the parent's background behind the box and its buttons.

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "effects/QRXScrollBox.h"
#include "effects/QRXShapeButton.h"
#include "platform/gui/Color.h"
#include "platform/gui/Forms.h"

namespace {

QImage Grab(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }
QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

// A library control that offers a background: horizontal stripes, one
// colour per 10 rows, so a pixel tells where in the bitmap it came from.
class Backdrop : public TQRXCustomControl {
 public:
  explicit Backdrop(TComponent* owner) : TQRXCustomControl(owner) {
    bitmap_.SetSize(300, 200);
    for (int y = 0; y < 200; y += 10) {
      bitmap_.Canvas().Brush().SetColor(RGB(y, 255 - y, 100));
      bitmap_.Canvas().FillRect(Rect(0, y, 300, y + 10));
    }
    SetTransparent(true);
  }
  TBitmap* GetBackgroundBitmap() override { return &bitmap_; }
  bool HasBackground() const override { return true; }
  static QRgb Row(int y) { return qRgb(y / 10 * 10, 255 - y / 10 * 10, 100) & 0xFFFFFF; }

 protected:
  void Paint() override { Canvas()->Draw(0, 0, bitmap_); }

 private:
  TBitmap bitmap_;
};

struct BoxOnForm {
  std::unique_ptr<TForm> form = CreateUnique<TForm>();
  TQRXScrollBox* box = nullptr;
  BoxOnForm() {
    form->SetBounds(0, 0, 320, 240);
    box = Create<TQRXScrollBox>(form.get());
    box->SetParent(form.get());
  }
  void Show() {
    form->Show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QCoreApplication::processEvents();
  }
};

}  // namespace

TEST(QRXScrollBox, DefaultFrameAndTheLibrarysOwn) {
  BoxOnForm f;
  f.box->SetBounds(10, 10, 185, 41);
  EXPECT_EQ(f.box->Width(), 185);
  EXPECT_EQ(f.box->BorderStyle(), sbbsNone);
  EXPECT_EQ(f.box->Bevel().Mode(), TQRXBevelMode::bmWindows);
  auto* child = Create<TQRXShapeButton>(f.form.get());
  child->SetParent(f.box);
  child->SetBounds(0, 0, 20, 20);
  f.Show();
  // A client edge of two pixels: the child's origin sits inside it.
  EXPECT_EQ(f.box->FrameWidths(), Rect(2, 2, 2, 2));
  EXPECT_EQ(child->pos(), QPoint(2, 2));
  EXPECT_EQ(f.box->ClientRect(), Rect(0, 0, 181, 37));
  QImage shot = Grab(*f.box);
  EXPECT_EQ(At(shot, 0, 20), 0x808080u);  // clBtnShadow

  f.box->Bevel().SetMode(TQRXBevelMode::bmCustom);
  f.box->Bevel().SetStyleOuter(TQRXBevelStyle::bvRaised);
  f.box->Bevel().SetWidthOuter(3);
  f.box->Bevel().SetLightColor(clYellow);
  f.box->Bevel().SetShadowColor(clNavy);
  QCoreApplication::processEvents();
  const int e = f.box->Bevel().Extent();
  EXPECT_GE(e, 3);
  EXPECT_EQ(f.box->FrameWidths(), Rect(e, e, e, e));
  EXPECT_EQ(child->pos(), QPoint(e, e));
  shot = Grab(*f.box);
  EXPECT_EQ(At(shot, 0, 20), 0xFFFF00u);    // raised: light left
  EXPECT_EQ(At(shot, 184, 20), 0x000080u);  // and dark right
}

TEST(QRXScrollBox, BarsFollowTheChildrenAndScrollThem) {
  BoxOnForm f;
  f.box->SetBounds(10, 10, 150, 100);
  auto* far = Create<TQRXShapeButton>(f.form.get());
  far->SetParent(f.box);
  far->SetBounds(20, 200, 40, 30);
  f.Show();
  ASSERT_TRUE(f.box->VertBarVisible());
  EXPECT_FALSE(f.box->HorzBarVisible());
  const int clientH = f.box->ClientRect().Height();
  EXPECT_EQ(f.box->VertScrollBar()->maximum(), 230 - clientH);

  // The wheel scrolls down; the child moves up by as much.
  const QPoint at(50, 50);
  QWheelEvent wheel(at, f.box->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(f.box, &wheel);
  const int pos = f.box->ScrollPos().Y;
  EXPECT_GT(pos, 0);
  EXPECT_EQ(far->Top(), 200 - pos);

  // Dragged to the end by the mouse on the bar's lower arrow.
  QScrollBar* bar = f.box->VertScrollBar();
  for (int i = 0; i < 40; ++i) QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - 3));
  EXPECT_EQ(f.box->ScrollPos().Y, bar->maximum());
  EXPECT_EQ(far->Top() + far->Height(), clientH);

  // The child comes back within reach: the bar goes and the box scrolls home.
  far->SetTop(10 - f.box->ScrollPos().Y);
  QCoreApplication::processEvents();
  EXPECT_FALSE(f.box->VertBarVisible());
  EXPECT_EQ(f.box->ScrollPos().Y, 0);
  EXPECT_EQ(far->Top(), 10);
}

TEST(QRXScrollBox, TransparentBoxShowsTheParentsBackground) {
  BoxOnForm f;
  // Under a plain form there is no background to show: the box paints its
  // own colour.
  f.box->SetBounds(10, 10, 100, 60);
  f.box->SetColor(clRed);
  f.box->SetTransparent(true);
  EXPECT_FALSE(f.box->ParentBackgroundAvailable());

  auto* back = Create<Backdrop>(f.form.get());
  back->SetParent(f.form.get());
  back->SetBounds(0, 0, 300, 200);
  auto* inner = Create<TQRXScrollBox>(f.form.get());
  inner->SetParent(back);
  inner->SetBounds(20, 30, 120, 80);
  inner->SetColor(clRed);
  inner->SetTransparent(true);
  auto* button = Create<TQRXShapeButton>(f.form.get());
  button->SetParent(inner);
  button->SetBounds(10, 10, 60, 30);
  button->Shape().SetShape(TQRXShapeType::stEllipse);
  button->Shape().Shadow().SetDepth(0);
  button->SetTransparent(true);
  f.Show();
  EXPECT_EQ(At(Grab(*f.box), 50, 30), 0xFF0000u);

  ASSERT_TRUE(inner->ParentBackgroundAvailable());
  ASSERT_TRUE(button->BackgroundAvailable());
  // Client pixel (x, y) of the box lies at (20 + 2 + x, 30 + 2 + y) of the
  // backdrop.
  const QImage shot = Grab(*inner);
  EXPECT_EQ(At(shot, 100, 5), Backdrop::Row(30 + 5));
  EXPECT_EQ(At(shot, 100, 60), Backdrop::Row(30 + 60));
  // The button's corners, outside its ellipse, show the backdrop too.
  const QImage face = Grab(*button);
  EXPECT_EQ(At(face, 0, 0), Backdrop::Row(30 + 2 + 10));
  EXPECT_EQ(At(face, 0, 29), Backdrop::Row(30 + 2 + 10 + 29));
  EXPECT_EQ(At(face, 30, 15), 0xD4D0C8u);  // the face in clBtnFace
}
