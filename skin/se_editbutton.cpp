#include "skin/se_editbutton.h"

#include <QResizeEvent>
#include <algorithm>

#include "platform/gui/Canvas.h"
#include "skin/se_drawing.h"

namespace {

TSeCustomControl* AsSeControl(TControl* c) { return dynamic_cast<TSeCustomControl*>(c); }
TSeGraphicControl* AsSeGraphic(TControl* c) { return dynamic_cast<TSeGraphicControl*>(c); }
TSeBlending* BlendingOf(TControl* c) {
  if (auto* s = AsSeControl(c)) return s->Blending();
  if (auto* g = AsSeGraphic(c)) return g->Blending();
  return nullptr;
}

}  // namespace

namespace se {

std::unique_ptr<TBitmap> CreateEllipsisGlyph(int buttonWidth) {
  const int length = std::max(1, buttonWidth - 6);
  auto glyph = std::make_unique<TBitmap>();
  glyph->SetSize(length, 4);
  TCanvas& canvas = glyph->Canvas();
  se::FillRectXY(canvas, 0, 0, length, 4, clWhite);
  const int gap = std::clamp((length - 6) / 2, 1, 3);
  const int x0 = ((length - 6) - 2 * gap) / 2;
  for (int x : {x0, x0 + gap + 2, x0 + 2 * gap + 4}) se::FillRectXY(canvas, x, 1, x + 2, 3, clBlack);
  glyph->SetPixelFormat(pf1bit);
  return glyph;
}

}  // namespace se

TSeCustomInplaceControlEdit::TSeCustomInplaceControlEdit(TComponent* owner) : TSeCustomEdit(owner) {}

void TSeCustomInplaceControlEdit::Init() {
  TSeCustomEdit::Init();
  control_ = CreateInplaceControl(this);
  if (control_) {
    control_->SetParent(this);
    if (auto* w = dynamic_cast<TWinControl*>(control_)) w->SetTabStop(false);
    control_->SetWidth(21);
    control_->OnClick = [this](TControl*) { ButtonClick(); };
  }
  UpdateControlBounds();
}

TControl* TSeCustomInplaceControlEdit::CreateInplaceControl(TComponent* owner) { return new TSeCustomControl(owner); }

int TSeCustomInplaceControlEdit::GetButtonHeight() const { return control_ ? control_->Height() : 0; }
int TSeCustomInplaceControlEdit::GetButtonWidth() const { return control_ ? control_->Width() : 0; }

void TSeCustomInplaceControlEdit::SetButtonWidth(int value) {
  if (!control_ || value == GetButtonWidth()) return;
  control_->SetWidth(value);
  UpdateControlBounds();
}

void TSeCustomInplaceControlEdit::SetButtonAlign(TSeButtonAlign value) {
  if (value == button_align_) return;
  button_align_ = value;
  UpdateControlBounds();
}

TRect TSeCustomInplaceControlEdit::GetEditRect() const {
  TRect r = TSeCustomEdit::GetEditRect();
  if (button_align_ == baLeft)
    r.Left += GetButtonWidth();
  else
    r.Right -= GetButtonWidth();
  return r;
}

void TSeCustomInplaceControlEdit::PaintEditBackground(const TRect& rect, TCanvas& canvas) {
  TRect r = rect;
  if (button_align_ == baRight)
    r.Right += GetButtonWidth();
  else
    r.Left -= GetButtonWidth();
  TSeCustomEdit::PaintEditBackground(r, canvas);
}

void TSeCustomInplaceControlEdit::UpdateControlBounds() {
  if (!control_) return;
  const TRect r = GetBorderClientRect();
  const int w = GetButtonWidth();
  TRect b = button_align_ == baRight ? Rect(r.Right - w, r.Top, r.Right, r.Bottom) : Rect(r.Left, r.Top, r.Left + w, r.Bottom);
  // Over the border strip too, keeping its width.
  b = se::GrowRect(b, BorderWidth());
  if (button_align_ == baRight)
    b.Left = b.Right - w;
  else
    b.Right = b.Left + w;
  control_->SetBoundsRect(b);
  Invalidate();
}

void TSeCustomInplaceControlEdit::SetBounds(int left, int top, int width, int height) {
  TSeCustomEdit::SetBounds(left, top, width, height);
  UpdateControlBounds();
}

void TSeCustomInplaceControlEdit::resizeEvent(QResizeEvent* event) {
  TSeCustomEdit::resizeEvent(event);
  UpdateControlBounds();
}

void TSeCustomInplaceControlEdit::BorderChanged() {
  TSeCustomEdit::BorderChanged();
  UpdateControlBounds();
}

void TSeCustomInplaceControlEdit::EnabledChanged() {
  TSeCustomEdit::EnabledChanged();
  if (control_) control_->SetEnabled(Enabled());
}

void TSeCustomInplaceControlEdit::ButtonClick() {
  if (OnButtonClick) OnButtonClick(this);
}

QString TSeCustomInplaceControlEdit::ButtonHint() const { return control_ ? control_->Hint() : QString(); }
void TSeCustomInplaceControlEdit::SetButtonHint(const QString& value) {
  if (control_) control_->SetHint(value);
}
bool TSeCustomInplaceControlEdit::ButtonShowHint() const { return control_ && control_->ShowHint(); }
void TSeCustomInplaceControlEdit::SetButtonShowHint(bool value) {
  if (control_) control_->SetShowHint(value);
}
bool TSeCustomInplaceControlEdit::ButtonTabStop() const {
  auto* w = dynamic_cast<TWinControl*>(control_);
  return w && w->TabStop();
}
void TSeCustomInplaceControlEdit::SetButtonTabStop(bool value) {
  if (auto* w = dynamic_cast<TWinControl*>(control_)) w->SetTabStop(value);
}
bool TSeCustomInplaceControlEdit::ButtonTransparent() const {
  if (auto* s = AsSeControl(control_)) return s->Transparent();
  if (auto* g = AsSeGraphic(control_)) return g->Transparent();
  return false;
}
void TSeCustomInplaceControlEdit::SetButtonTransparent(bool value) {
  if (auto* s = AsSeControl(control_)) s->SetTransparent(value);
  if (auto* g = AsSeGraphic(control_)) g->SetTransparent(value);
}
bool TSeCustomInplaceControlEdit::ButtonBlend() const {
  TSeBlending* b = BlendingOf(control_);
  return b && b->Enabled();
}
void TSeCustomInplaceControlEdit::SetButtonBlend(bool value) {
  if (TSeBlending* b = BlendingOf(control_); b && b->Enabled() != value) {
    b->SetEnabled(value);
    control_->Invalidate();
  }
}
int TSeCustomInplaceControlEdit::ButtonBlendValue() const {
  TSeBlending* b = BlendingOf(control_);
  return b ? b->Value() : 0;
}
void TSeCustomInplaceControlEdit::SetButtonBlendValue(int value) {
  if (TSeBlending* b = BlendingOf(control_); b && b->Value() != value) {
    b->SetValue(value);
    control_->Invalidate();
  }
}
QString TSeCustomInplaceControlEdit::ButtonCaption() const { return control_ ? control_->Caption() : QString(); }
void TSeCustomInplaceControlEdit::SetButtonCaption(const QString& value) {
  if (control_ && control_->Caption() != value) control_->SetCaption(value);
}

// ---- the edit with a push button ----

TSeCustomEditButton::TSeCustomEditButton(TComponent* owner) : TSeCustomInplaceControlEdit(owner) {}

TSeCustomEditButton::~TSeCustomEditButton() {
  if (TControl* c = InplaceControl()) c->OnClick = nullptr;
}

TControl* TSeCustomEditButton::CreateInplaceControl(TComponent* owner) { return Create<TSeCustomButton>(owner); }

TSeCustomButton* TSeCustomEditButton::Button() const { return dynamic_cast<TSeCustomButton*>(InplaceControl()); }

TBitmap* TSeCustomEditButton::Glyph() const { return Button() ? Button()->Glyph() : nullptr; }

void TSeCustomEditButton::SetGlyph(const TBitmap& value) {
  if (!Button()) return;
  Button()->SetGlyph(value);
  glyph_kind_ = gkCustom;
}

int TSeCustomEditButton::NumGlyphs() const { return Button() ? Button()->NumGlyphs() : 1; }

void TSeCustomEditButton::SetNumGlyphs(int value) {
  if (!Button()) return;
  if (glyph_kind_ == gkEllipsis) value = 1;
  if (glyph_kind_ == gkDefault) value = default_num_glyphs_;
  Button()->SetNumGlyphs(value);
}

TBitmap* TSeCustomEditButton::GetDefaultGlyph(bool& freeIt) {
  freeIt = false;
  return nullptr;
}

void TSeCustomEditButton::UpdateGlyph() {
  TSeCustomButton* button = Button();
  if (!button) return;
  switch (glyph_kind_) {
    case gkCustom: break;
    case gkDefault: {
      bool freeIt = false;
      TBitmap* glyph = GetDefaultGlyph(freeIt);
      button->SetGlyph(glyph ? *glyph : TBitmap());
      button->SetNumGlyphs(default_num_glyphs_);
      if (freeIt) delete glyph;
      break;
    }
    case gkEllipsis: {
      const std::unique_ptr<TBitmap> glyph = se::CreateEllipsisGlyph(ButtonWidth());
      button->SetGlyph(*glyph);
      button->SetNumGlyphs(1);
      break;
    }
  }
}

void TSeCustomEditButton::SetGlyphKind(TGlyphKind value) {
  if (value == glyph_kind_) return;
  glyph_kind_ = value;
  UpdateGlyph();
  if (value == gkDefault && Glyph() && !Glyph()->Empty()) SetButtonWidth(std::max(DefaultWidth(), ButtonWidth()));
}

int TSeCustomEditButton::DefaultWidth() const {
  const TBitmap* glyph = Glyph();
  if (!glyph) return 21;
  const int n = NumGlyphs();
  return n > 0 ? glyph->Width() / n + 6 : glyph->Width() + 6;
}

void TSeCustomEditButton::SetButtonWidth(int value) {
  TControl* button = InplaceControl();
  if (!button || value == ButtonWidth()) return;
  // Too wide for the edit: ignored.
  if (value >= ClientWidth()) return;
  button->SetVisible(value >= 2);
  button->SetWidth(value);
  UpdateGlyph();
  UpdateControlBounds();
}

bool TSeCustomEditButton::IsButtonWidthStored() const {
  if (glyph_kind_ == gkDefault && Glyph() && !Glyph()->Empty()) return ButtonWidth() != std::max(DefaultWidth(), 21);
  return ButtonWidth() != 21;
}
