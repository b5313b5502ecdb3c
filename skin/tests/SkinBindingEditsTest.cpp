// The skinned edit, edit with a button and spin edit: the skin's "Frame"
// is border and background in the state the mouse and the focus give
// (real clicks and moves), the font is the skin's "Text"; without a border
// only the frame's centre shows; without a skin the plain look and font
// come back.

#include <QApplication>
#include <QEnterEvent>
#include <QPainter>
#include <functional>

#include "skin/se_binding_edits.h"
#include "skin/tests/SkinBindingFixture.h"

namespace {

class SkinnedEdits : public SkinBindingTest {
 public:
  // Placed on the form and bound to the engine.
  template <class T>
  T* Bound(int left, int top, int width, int height) {
    T* control = Place<T>(left, top, width, height);
    control->SetSkinEngine(engine_.get());
    return control;
  }
  void ShowActive() {
    // Away from the pointer's corner of the screen: no control starts hot.
    form_->SetBounds(100, 100, 320, 240);
    Show();
    QApplication::setActiveWindow(form_.get());
    QCoreApplication::processEvents();
  }
  TSeSkinObject* Edit(const std::string& child) const {
    return engine_->Source().GetObjectByName("Edit")->FindObjectByName(child);
  }
  static QImage Painted(TSeCustomControl* control) {
    QImage image(control->Width(), control->Height(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    control->PaintTo(painter);
    return image;
  }
};

struct EditCase {
  const char* name;
  std::function<TSeCustomEdit*(SkinnedEdits&)> make;
  std::function<TSeObjectState(TSeCustomEdit*)> state;
};

template <class T>
EditCase Case(const char* name) {
  // A fixed height: the skin's font would otherwise size the edit anew.
  return {name,
          [](SkinnedEdits& t) -> TSeCustomEdit* {
            T* edit = t.Bound<T>(10, 10, 150, 21);
            edit->SetAutoSize(false);
            return edit;
          },
          [](TSeCustomEdit* e) { return static_cast<T*>(e)->FrameState(); }};
}

}  // namespace

TEST_F(SkinnedEdits, FrameAndFontComeFromTheSkinInTheMouseAndFocusStates) {
  const EditCase cases[] = {Case<TSeSkinEdit>("edit"), Case<TSeSkinEditButton>("edit with button"),
                            Case<TSeSkinSpinEdit>("spin edit")};
  ShowActive();
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.name);
    Load("");
    TSeCustomEdit* edit = c.make(*this);
    const TFont plainFont = *edit->Font();
    const QImage plainLook = Painted(edit);

    Load("devoir");
    const int w = edit->Width(), h = edit->Height();
    auto frame = [&](TSeObjectState state) { return Picture("Edit", "Frame", Rect(0, 0, w, h), w, h, state); };
    EXPECT_EQ(edit->Font()->Color(), Edit("Text")->Font().Color());
    EXPECT_EQ(c.state(edit), osNormal);
    EXPECT_EQ(Mismatches(Painted(edit), frame(osNormal), 2), 0);

    // The mouse comes in: hot. A click gives the focus; once the mouse has
    // left, the focused look stays.
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), edit->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(edit, &enter);
    EXPECT_EQ(c.state(edit), osHot);
    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(20, h / 2));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(edit, &leave);
    ASSERT_TRUE(edit->IsFocused());
    EXPECT_EQ(c.state(edit), osFocused);
    EXPECT_EQ(Mismatches(Painted(edit), frame(osFocused), 2), 0);
    EXPECT_NE(Mismatches(frame(osFocused), frame(osNormal), 2), 0)
        << "the skin draws a focused frame of its own";
    edit->SetEnabled(false);
    EXPECT_EQ(c.state(edit), osDisabled);

    // Another skin, another font; no skin, the plain font and look.
    Load("slate");
    EXPECT_EQ(edit->Font()->Color(), Edit("Text")->Font().Color());
    Load("");
    EXPECT_EQ(*edit->Font(), plainFont);
    edit->SetEnabled(true);
    form_->SetFocus();
    QCoreApplication::processEvents();
    ASSERT_FALSE(edit->IsFocused());
    EXPECT_EQ(Mismatches(Painted(edit), plainLook, 2), 0);
    delete edit;
  }
}

TEST_F(SkinnedEdits, WithoutABorderOnlyTheFramesCentreShows) {
  Load("devoir");
  auto* edit = Bound<TSeSkinEdit>(10, 10, 150, 21);
  edit->SetBorderWidth(0);
  edit->SetBevelWidth(0);
  edit->SetHeight(21);
  ASSERT_EQ(edit->GetBorderClientRect(), Rect(0, 0, edit->Width(), edit->Height()));
  const int w = edit->Width(), h = edit->Height();
  TSeSkinObject* frame = Edit("Frame");
  const TRect beyond = Rect(-frame->MarginLeft(), -frame->MarginTop(), w + frame->MarginRight(), h + frame->MarginBottom());
  // No text: the whole picture is the frame drawn past the control's edges.
  EXPECT_EQ(Mismatches(Painted(edit), Picture("Edit", "Frame", beyond, w, h, osNormal), 0), 0);
  EXPECT_NE(Mismatches(Painted(edit), Picture("Edit", "Frame", Rect(0, 0, w, h), w, h, osNormal), 2), 0);
}

TEST_F(SkinnedEdits, TheEmbeddedButtonsFollowTheEditsSkin) {
  Load("devoir");
  auto* ellipsis = Bound<TSeSkinEditButton>(10, 10, 150, 21);
  ellipsis->SetGlyphKind(gkEllipsis);
  auto* spin = Bound<TSeSkinSpinEdit>(10, 40, 80, 21);
  ShowActive();
  TSeSkinButton* button = ellipsis->SkinButton();
  TSeSkinSpinButton* arrows = spin->SkinSpinButton();
  ASSERT_NE(button, nullptr);
  ASSERT_NE(arrows, nullptr);
  EXPECT_EQ(button->SkinEngine(), engine_.get());
  EXPECT_EQ(arrows->SkinEngine(), engine_.get());
  TSeCustomSpeedButton* up = arrows->UpButton();
  for (const char* skin : {"devoir", "slate"}) {
    SCOPED_TRACE(skin);
    Load(skin);
    QCoreApplication::processEvents();
    // A corner of each face is the skin's face, not the plain look.
    EXPECT_EQ(Shown(button, 2, 2), Part("Button", "Face", Rect(0, 0, button->Width(), button->Height()), osNormal, 2, 2));
    EXPECT_EQ(Shown(up, 2, 2), Part("SpinButton", "Face", Rect(0, 0, up->Width(), up->Height()), osNormal, 2, 2));
  }
  Load("");
  EXPECT_FALSE(button->Binding().UseSkin());
}
