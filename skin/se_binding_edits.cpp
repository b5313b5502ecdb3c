#include "skin/se_binding_edits.h"

#include "skin/se_engine.h"
#include "skin/se_skinmenus.h"

template <class Base>
TSeSkinEditControl<Base>::TSeSkinEditControl(TComponent* owner) : TSeSkinned<Base>(owner, "Edit") {
  this->skin_while_loading_ = true;
}

template <class Base>
void TSeSkinEditControl<Base>::Bound() {
  se::BindSkinContextMenu(this->ContextMenu(), this->SkinEngine());
  if (this->Copy())
    this->TakeSkinFont(this->FindOrCopy("Text")->GetFont());
  else
    this->PlainFontBack();
}

template <class Base>
void TSeSkinEditControl<Base>::PaintBorder() {
  if (!this->UseSkin()) return Base::PaintBorder();
  se::DrawSkinPart(this->Find("Frame"), *this->Canvas(), Rect(0, 0, this->Width(), this->Height()), FrameState());
}

template <class Base>
void TSeSkinEditControl<Base>::PaintEditBackground(const TRect& rect, TCanvas& canvas) {
  if (!this->UseSkin()) return Base::PaintEditBackground(rect, canvas);
  TSeSkinObject* frame = this->FindOrCopy("Frame");
  TRect r = Rect(0, 0, this->Width(), this->Height());
  // Without a border only the frame's centre shows: its margins lie outside.
  if (this->GetBorderClientRect() == r)
    r = Rect(-frame->MarginLeft(), -frame->MarginTop(), r.Right + frame->MarginRight(), r.Bottom + frame->MarginBottom());
  se::DrawSkinPart(frame, canvas, r, FrameState());
}

template <class Base>
TSeCustomPopupMenu* TSeSkinEditControl<Base>::CreatePopupMenu(TComponent* owner) {
  return se::MakeSkinContextMenu(owner, this->SkinEngine());
}

template <class Base>
TSeCustomItem* TSeSkinEditControl<Base>::CreateMenuItem(TComponent* owner) {
  return new TSeSkinItem(owner);
}

template class TSeSkinEditControl<TSeCustomEdit>;
template class TSeSkinEditControl<TSeCustomEditButton>;
template class TSeSkinEditControl<TSeCustomSpinEdit>;

// The embedded controls are made before any engine is set: each bind
// passes the edit's engine on.

TControl* TSeSkinEditButton::CreateInplaceControl(TComponent* owner) {
  auto* button = Create<TSeSkinButton>(owner);
  button->SetSkinEngine(SkinEngine());
  return button;
}

void TSeSkinEditButton::Bound() {
  TSeSkinEditControl::Bound();
  if (TSeSkinButton* button = SkinButton(); button && button->SkinEngine() != SkinEngine())
    button->SetSkinEngine(SkinEngine());
}

TControl* TSeSkinSpinEdit::CreateInplaceControl(TComponent* owner) {
  auto* spin = Create<TSeSkinSpinButton>(owner);
  spin->SetSkinEngine(SkinEngine());
  return spin;
}

void TSeSkinSpinEdit::Bound() {
  TSeSkinEditControl::Bound();
  if (TSeSkinSpinButton* spin = SkinSpinButton(); spin && spin->SkinEngine() != SkinEngine())
    spin->SetSkinEngine(SkinEngine());
}
