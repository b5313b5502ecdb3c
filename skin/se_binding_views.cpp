#include "skin/se_binding_views.h"

#include "skin/se_engine.h"

template <class Base>
TSeSkinOverlayControl<Base>::TSeSkinOverlayControl(TComponent* owner, const char* object)
    : TSeSkinned<Base>(owner, object) {}

template <class Base>
void TSeSkinOverlayControl<Base>::Bound() {
  TSeSkinObject* copy = this->Copy();
  // A skin that names no colour (clNone) leaves the control its own. With
  // the skin's background goes the skin's text colour, so that a dark skin
  // never leaves dark text on it.
  if (copy && copy->Color() != clNone) {
    if (!skin_color_) {
      plain_color_ = this->Color();
      plain_parent_color_ = this->ParentColor();
      plain_font_ = *this->Font();
      plain_parent_font_ = this->ParentFont();
      skin_color_ = true;
    }
    this->SetColor(copy->Color());
    TFont font = *this->Font();
    font.SetColor(this->FindOrCopy("Text")->GetFont().Color());
    this->SetFont(font);
  } else if (skin_color_) {
    skin_color_ = false;
    this->SetColor(plain_color_);
    if (plain_parent_color_) this->SetParentColor(true);
    this->SetFont(plain_font_);
    if (plain_parent_font_) this->SetParentFont(true);
  }
  if (TSeSubScrollBar* sub = this->SubScrollBar()) {
    for (TSeInplaceScrollBar* overlay : {sub->VertScrollBar(), sub->HorzScrollBar()}) {
      if (!overlay) continue;
      // The engine binds the bar again at each skin change by itself.
      if (auto* bar = dynamic_cast<TSeSkinScrollBar*>(overlay->ScrollBar()); bar && bar->SkinEngine() != this->SkinEngine())
        bar->SetSkinEngine(this->SkinEngine());
    }
  }
}

template <class Base>
void TSeSkinOverlayControl<Base>::CreateScrollBar(TSeCustomScrollBar*& bar, TComponent* owner) {
  auto* skinned = new TSeSkinScrollBar(owner);
  if (this->SkinEngine()) skinned->SetSkinEngine(this->SkinEngine());
  bar = skinned;
}

template <class Base>
void TSeSkinOverlayControl<Base>::PaintBorder(TCanvas& canvas, const TRect& rect) {
  if (!this->UseSkin()) return Base::PaintBorder(canvas, rect);
  se::DrawSkinPart(this->FindOrCopy("Frame"), canvas, rect, this->Enabled() ? osNormal : osDisabled);
}

template class TSeSkinOverlayControl<TSeCustomMaskEdit>;
template class TSeSkinOverlayControl<TSeCustomMemo>;
template class TSeSkinOverlayControl<TSeCustomScrollBox>;
template class TSeSkinOverlayControl<TSeCustomTreeView>;
template class TSeSkinOverlayControl<TSeCustomListView>;
