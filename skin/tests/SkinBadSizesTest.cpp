// Every skinned control given negative, empty and huge sizes, plain and
// skinned: it paints, takes the mouse and keys, and comes back to a normal
// size, with no crash, no hang and no picture the size of the control.

#include <QCoreApplication>
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
      {"negative", -40, -30}, {"empty", 0, 0},        {"one pixel", 1, 1},
      {"flat", 5000, 0},      {"wide", 20000, 60},   {"tall", 60, 20000},
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
