#include "skin/se_binding_controls.h"

#include <algorithm>

#include "skin/se_drawing.h"
#include "skin/se_engine.h"

namespace se {

void DrawSkinPart(TSeSkinObject* object, TCanvas& canvas, const TRect& r, TSeObjectState state) {
  if (!object || r.IsEmpty()) return;
  object->SetBoundsRect(r);
  object->SetState(state);
  object->Draw(canvas);
}

}  // namespace se

// --- TSeSkinScrollBar ------------------------------------------------------

TSeSkinScrollBar::TSeSkinScrollBar(TComponent* owner)
    : TSeCustomScrollBar(owner), binding_(Create<TSeSkinBinding>(this, "ScrollBar")) {
  SetBorderWidth(0);
  binding_->OnBind = [this] { Bound(); };
}

void TSeSkinScrollBar::Bound() {
  if (!binding_->SkinCopy()) return;
  int thickness = 0;
  if (TSeSkinObject* own = binding_->Find(Vertical() ? "VertFrame" : "HorzFrame")) {
    thickness = Vertical() ? own->Width() : own->Height();
  } else if (TSeSkinObject* frame = binding_->Find("Frame")) {
    // One frame for both kinds is drawn for one of them and stretched
    // along the other's length: its short side is the thickness (its
    // height would make a horizontal bar as high as a vertical one is long).
    thickness = std::min(frame->Width(), frame->Height());
    if (thickness <= 0) thickness = std::max(frame->Width(), frame->Height());
  }
  if (thickness <= 0) return;
  if (Vertical())
    SetWidth(thickness);
  else
    SetHeight(thickness);
}

void TSeSkinScrollBar::Dispatch(TMessage& message) {
  if (!binding_->Dispatch(message)) TSeCustomScrollBar::Dispatch(message);
}

int TSeSkinScrollBar::GetButtonSize() const {
  if (binding_->UseSkin()) {
    if (TSeSkinObject* button = binding_->Find(Vertical() ? "TopButton" : "LeftButton")) {
      const int size = Vertical() ? button->Height() : button->Width();
      const int length = Vertical() ? Height() : Width();
      if (size > 0) return std::min(size, length / 2);
    }
  }
  return TSeCustomScrollBar::GetButtonSize();
}

TSeObjectState TSeSkinScrollBar::ButtonState(bool pressed, bool hot) const {
  if (!Enabled()) return osDisabled;
  if (pressed) return osPressed;
  return hot ? osHot : osNormal;
}

void TSeSkinScrollBar::PaintFrame() {
  if (!binding_->UseSkin()) TSeCustomScrollBar::PaintFrame();
}

void TSeSkinScrollBar::PaintTrack() {
  if (!binding_->UseSkin()) return TSeCustomScrollBar::PaintTrack();
  TSeSkinObject* frame = binding_->Find(Vertical() ? "VertFrame" : "HorzFrame");
  if (!frame) frame = binding_->Find("Frame");
  se::DrawSkinPart(frame, *Canvas(), Rect(0, 0, Width(), Height()));
}

void TSeSkinScrollBar::PaintFirstButton() {
  if (!binding_->UseSkin()) return TSeCustomScrollBar::PaintFirstButton();
  se::DrawSkinPart(binding_->Find(Vertical() ? "TopButton" : "LeftButton"), *Canvas(), GetFirstButtonRect(),
                   ButtonState(FirstButtonPressed(), FirstButtonHot()));
}

void TSeSkinScrollBar::PaintSecondButton() {
  if (!binding_->UseSkin()) return TSeCustomScrollBar::PaintSecondButton();
  se::DrawSkinPart(binding_->Find(Vertical() ? "BottomButton" : "RightButton"), *Canvas(), GetSecondButtonRect(),
                   ButtonState(SecondButtonPressed(), SecondButtonHot()));
}

void TSeSkinScrollBar::PaintThumb() {
  if (!binding_->UseSkin()) return TSeCustomScrollBar::PaintThumb();
  TSeSkinObject* slider = binding_->Find(Vertical() ? "VertSlider" : "HorzSlider");
  if (!slider) slider = binding_->Find("Slider");
  se::DrawSkinPart(slider, *Canvas(), GetThumbRect(), ButtonState(ThumbDragging(), ThumbHot()));
}

void TSeSkinScrollBar::PaintPageBefore() {
  if (!binding_->UseSkin()) return TSeCustomScrollBar::PaintPageBefore();
  se::FillRectColor(*Canvas(), GetPageBeforeRect(), clBtnShadow);
}

void TSeSkinScrollBar::PaintPageAfter() {
  if (!binding_->UseSkin()) return TSeCustomScrollBar::PaintPageAfter();
  se::FillRectColor(*Canvas(), GetPageAfterRect(), clBtnShadow);
}
