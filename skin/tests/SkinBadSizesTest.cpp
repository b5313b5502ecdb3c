// Every skinned control given negative, empty and huge sizes, plain and
// skinned: it paints, takes the mouse and keys, and comes back to a normal
// size, with no crash, no hang and no picture the size of the control.

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

#include "skin/tests/SkinBindingFixture.h"
#include "skin/tests/SkinnedControls.h"

using namespace skintest;

class SkinBadSizes : public SkinBindingTest {};

TEST_F(SkinBadSizes, EveryControlSurvivesNegativeEmptyAndHugeSizes) {
  const struct {
    const char* name;
    int width;
    int height;
  } sizes[] = {
      {"negative", -40, -30}, {"empty", 0, 0},     {"one pixel", 1, 1},    {"flat", 5000, 0},
      {"wide", 20000, 60},    {"tall", 60, 20000}, {"huge", 40000, 40000},
  };
  Show();
  for (const char* skin : {"", "devoir"}) {
    Load(skin);
    for (const ControlCase& k : Controls()) {
      TControl* control = k.make(form_.get(), engine_.get());
      for (const auto& size : sizes) {
        SCOPED_TRACE(std::string(skin) + " " + k.name + " " + size.name);
        control->SetBounds(4, 4, size.width, size.height);
        EXPECT_GE(control->Width(), 0);
        EXPECT_GE(control->Height(), 0);
        form_->repaint();
        // (A click on the menu bar would open its menu loop.)
        if (control->Width() > 0 && control->Height() > 0 && !dynamic_cast<TSeCustomMenuBar*>(control)) {
          const QPoint at(std::min(5, control->Width() - 1), std::min(5, control->Height() - 1));
          QTest::mouseClick(control, Qt::LeftButton, {}, at);
          QTest::keyClick(control, Qt::Key_End);
          QTest::keyClick(control, Qt::Key_Down);
        }
        QCoreApplication::processEvents();
      }
      control->SetBounds(4, 4, k.width, k.height);
      form_->repaint();
      EXPECT_EQ(control->Width(), k.width) << k.name;
      delete control;
    }
  }
}

// A control paints only the part being repainted, off screen where it
// buffers: that part must look as it does in the whole picture, and a part
// far inside a huge control must be painted at all.
TEST_F(SkinBadSizes, APartPaintedAloneLooksAsInTheWholePicture) {
  const QColor unpainted(255, 0, 255);
  // The control as PaintTo draws it onto a w x h picture, the painter
  // moved by `offset` and clipped to `clip` (in the control's coordinates).
  const auto paint = [&](TControl* control, int w, int h, QPoint offset, const QRect& clip) {
    QImage picture(w, h, QImage::Format_RGB32);
    picture.fill(unpainted);
    QPainter painter(&picture);
    painter.translate(-offset);
    painter.setClipRect(clip);
    if (auto* windowed = dynamic_cast<TSeCustomControl*>(control))
      windowed->PaintTo(painter);
    else if (auto* windowless = dynamic_cast<TSeGraphicControl*>(control))
      windowless->PaintTo(painter);
    return picture;
  };
  Show();
  for (const char* skin : {"", "devoir"}) {
    Load(skin);
    for (const ControlCase& k : Controls()) {
      TControl* control = k.make(form_.get(), engine_.get());
      if (!dynamic_cast<TSeCustomControl*>(control) && !dynamic_cast<TSeGraphicControl*>(control)) {
        delete control;
        continue;
      }
      SCOPED_TRACE(std::string(skin) + " " + k.name);
      const QImage whole = paint(control, k.width, k.height, {}, QRect(0, 0, k.width, k.height));
      const QRect part(k.width / 3 | 1, k.height / 3 | 1, std::max(1, k.width / 2),
                       std::max(1, k.height / 2));
      EXPECT_EQ(paint(control, k.width, k.height, {}, part).copy(part), whole.copy(part));

      // (A bar that fits its height to its bands stays low.)
      control->SetBounds(4, 4, 40000, 40000);
      const QRect far =
          QRect(control->Width() * 3 / 4 | 1, control->Height() * 3 / 4 | 1, 41, 23) & control->rect();
      const QImage shown = paint(control, far.width(), far.height(), far.topLeft(), far);
      int left_out = 0;
      for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) left_out += shown.pixelColor(x, y) == unpainted;
      EXPECT_EQ(left_out, 0);
      delete control;
    }
  }
}
