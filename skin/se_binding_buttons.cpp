#include "skin/se_binding_buttons.h"

#include "platform/gui/DrawText.h"
#include "skin/se_drawing.h"
#include "skin/se_engine.h"
#include "skin/se_objectclasses.h"

namespace se {

bool SkinObjectMasked(TSeSkinObject* object) {
  if (!object) return false;
  if (auto* bitmap = dynamic_cast<TSeBitmapObject*>(object))
    return bitmap->Masked() || bitmap->MaskedBorder() || bitmap->MaskedAngles();
  return object->Masked();
}

}  // namespace se

namespace {

// A masked bitmap face or frame shows the parent through its corners.
void TakeTransparency(TSeCustomControl& control, TSeSkinObject* object) {
  if (dynamic_cast<TSeBitmapObject*>(object)) control.SetTransparent(se::SkinObjectMasked(object));
}

}  // namespace

// --- TSeSkinSpeedButton ----------------------------------------------------

TSeSkinSpeedButton::TSeSkinSpeedButton(TComponent* owner) : TSeSkinned(owner, "SpeedButton") {}

TSeObjectState TSeSkinSpeedButton::FaceState() const {
  if (!Enabled()) return osDisabled;
  const bool down = ButtonState() == kssDown;
  const bool exclusive = ButtonState() == kssExclusive;
  if (Flat()) {
    if (down) return osPressed;
    if (MouseInControl()) return osHot;
    return exclusive ? osFocused : osNormal;
  }
  if (down) return osPressed;
  return exclusive ? osFocused : osNormal;
}

void TSeSkinSpeedButton::PaintBackground() {
  if (!UseSkin()) return TSeCustomSpeedButton::PaintBackground();
  TSeGraphicControl::PaintBackground();
  TCanvas& c = *Canvas();
  const TSeObjectState state = FaceState();
  if (dynamic_cast<TSeSkinSpinButton*>(Parent())) {
    se::DrawSkinPart(FindOrCopy("Face"), c, GetButtonRect(), state);
  } else {
    TSeSkinObject* face = Flat() ? Find("FlatFace") : Find("Face");
    if (!face) face = Copy();
    se::DrawSkinPart(face, c, GetButtonRect(), state);
    if (ShowChevron()) {
      TSeSkinObject* chevron = Find(Flat() ? "FlatChevron" : "Chevron");
      const bool open = Enabled() && ButtonState() == kssChevron;
      se::DrawSkinPart(chevron ? chevron : face, c, GetChevronAreaRect(), open ? osPressed : state);
    }
  }
  const bool pushed = ButtonState() == kssDown || ButtonState() == kssExclusive;
  const TPoint offset = pushed ? Point(1, 1) : Point(0, 0);
  if (ShowGlyph()) PaintGlyph(offset);
  if (ShowCaption()) {
    TSeSkinObject* text = Find("Text");
    if (text) text->SetState(state);
    if (TSeSkinObject* font = text ? text : Copy()) SetPaintFont(font->GetFont());
    PaintCaption(offset);
  }
}

// --- TSeSkinSpinButton -----------------------------------------------------

TSeSkinSpinButton::TSeSkinSpinButton(TComponent* owner) : TSeCustomSpinButton(owner) {}

TSeSkinSpinButton::~TSeSkinSpinButton() {
  if (engine_) RemoveFreeNotification(engine_);
}

TSeCustomSpeedButton* TSeSkinSpinButton::CreateButton() {
  auto* half = Create<TSeSkinSpeedButton>(this);
  half->SetSkinObject(object_);
  half->SetFlat(true);
  half->SetSkinEngine(engine_);
  return half;
}

void TSeSkinSpinButton::SetSkinEngine(TSeSkinEngine* engine) {
  if (engine != engine_) {
    if (engine_) RemoveFreeNotification(engine_);
    engine_ = engine;
    if (engine_) FreeNotification(engine_);
  }
  for (TSeCustomSpeedButton* half : {UpButton(), DownButton()})
    if (auto* skinned = dynamic_cast<TSeSkinSpeedButton*>(half)) skinned->SetSkinEngine(engine_);
  Invalidate();
}

void TSeSkinSpinButton::SetSkinObject(const std::string& name) {
  object_ = name;
  if (!UpButton() || !DownButton()) return;
  for (TSeCustomSpeedButton* half : {UpButton(), DownButton()})
    if (auto* skinned = dynamic_cast<TSeSkinSpeedButton*>(half)) skinned->SetSkinObject(name);
  SetSkinEngine(engine_);
}

void TSeSkinSpinButton::Loaded() {
  TSeCustomSpinButton::Loaded();
  SetSkinEngine(engine_);
}

void TSeSkinSpinButton::Dispatch(TMessage& message) {
  const auto engine = reinterpret_cast<TSeSkinEngine*>(message.LParam);
  switch (message.Msg) {
    case SKM_BEFORECHANGE:
    case SKM_AFTERCHANGE:
      if (!engine || engine != engine_) break;
      for (TSeCustomSpeedButton* half : {UpButton(), DownButton()})
        if (half) half->Perform(message.Msg, message.WParam, message.LParam);
      return;
    case SKM_SKINCHANGED:
      SetSkinEngine(engine_);
      return;
    default: break;
  }
  TSeCustomSpinButton::Dispatch(message);
}

void TSeSkinSpinButton::Notification(TComponent* component, TOperation operation) {
  TSeCustomSpinButton::Notification(component, operation);
  if (operation == TOperation::opRemove && component == engine_) engine_ = nullptr;
}

// --- TSeSkinButton -----------------------------------------------------------

TSeSkinButton::TSeSkinButton(TComponent* owner) : TSeSkinned(owner, "Button") {}

void TSeSkinButton::Bound() {
  if (Copy()) TakeTransparency(*this, Find("Face"));
}

TSeObjectState TSeSkinButton::FaceState() const {
  if (!Enabled()) return osDisabled;
  if (State() == kbsPressed) return osPressed;
  if (MouseInControl()) return osHot;
  if (IsFocused() || ActiveDefault()) return osFocused;
  return osNormal;
}

void TSeSkinButton::PaintFace() {
  if (!UseSkin()) return TSeCustomButton::PaintFace();
  se::DrawSkinPart(FindOrCopy("Face"), *Canvas(), Rect(0, 0, Width(), Height()), FaceState());
}

void TSeSkinButton::PaintGlyph() {
  if (UseSkin() && !show_glyph_) return;
  TSeCustomButton::PaintGlyph();
}

void TSeSkinButton::PaintCaption() {
  if (!UseSkin()) return TSeCustomButton::PaintCaption();
  if (!show_caption_ || Caption().isEmpty()) return;
  TCanvas& c = *Canvas();
  TSeSkinObject* text = Find("Text");
  if (text) text->SetState(FaceState());
  c.SetFont(text ? text->GetFont() : Copy()->GetFont());
  const unsigned flags = WordWrap() ? DT_WORDBREAK : 0u;
  const TRect area = GetCaptionRect();
  TRect r = Rect(0, 0, WordWrap() ? area.Width() : se::WideTextWidth(c, Caption()), se::WideTextHeight(c, Caption()));
  DrawText(c, Caption(), r, flags | DT_CALCRECT);
  OffsetRect(r, area.Left + (area.Width() - r.Width()) / 2, area.Top + (area.Height() - r.Height()) / 2);
  se::DrawWideText(c, Caption(), r, flags | DT_CENTER);
}

// --- check box and radio button ----------------------------------------------

namespace {

TSize SkinnedCheckSize(TSeSkinObject* checked, TSize plain) {
  return checked ? TSize{checked->Width(), checked->Height()} : plain;
}

// The mark at the control's left (right with the right alignment),
// centred vertically.
TRect MarkRect(const TSize& size, TSeLeftRight alignment, int width, int height) {
  const TRect area = alignment == ktaRightJustify ? Rect(width - size.cx, 0, width, height) : Rect(0, 0, width, height);
  TRect m = Rect(0, 0, size.cx, size.cy);
  se::CenterRectVert(m, area);
  return m;
}

}  // namespace

TSeSkinCheckBox::TSeSkinCheckBox(TComponent* owner) : TSeSkinned(owner, "CheckBox") {}

void TSeSkinCheckBox::Bound() {
  if (Copy())
    TakeSkinFont(FindOrCopy("Text")->GetFont());
  else
    PlainFontBack();
}

TSize TSeSkinCheckBox::GetCheckSize() {
  return UseSkin() ? SkinnedCheckSize(Find("Checked"), TSeCustomCheckBox::GetCheckSize())
                   : TSeCustomCheckBox::GetCheckSize();
}

void TSeSkinCheckBox::PaintCheck() {
  if (!UseSkin()) return TSeCustomCheckBox::PaintCheck();
  const TSeObjectState state = StandardState();
  TSeSkinObject* mark = Find(State() == cbChecked ? "Checked" : State() == cbGrayed ? "Mixed" : "Unchecked");
  se::DrawSkinPart(mark, *Canvas(), MarkRect(GetCheckSize(), Alignment(), Width(), Height()), state);
  if (TSeSkinObject* text = Find("Text")) {
    text->SetState(state);
    SetPaintFont(text->GetFont());
  } else if (mark) {
    SetPaintFont(mark->GetFont());
  }
}

TSeSkinRadioButton::TSeSkinRadioButton(TComponent* owner) : TSeSkinned(owner, "RadioButton") {}

void TSeSkinRadioButton::Loaded() {
  TSeCustomControl::Loaded();
  SetSkinEngine(SkinEngine());
}

TSize TSeSkinRadioButton::GetCheckSize() {
  return UseSkin() ? SkinnedCheckSize(Find("Checked"), TSeCustomRadioButton::GetCheckSize())
                   : TSeCustomRadioButton::GetCheckSize();
}

void TSeSkinRadioButton::PaintCheck() {
  if (!UseSkin()) return TSeCustomRadioButton::PaintCheck();
  const TSeObjectState state = StandardState();
  TSeSkinObject* mark = Find(Checked() ? "Checked" : "Unchecked");
  se::DrawSkinPart(mark, *Canvas(), MarkRect(GetCheckSize(), Alignment(), Width(), Height()), state);
  TSeSkinObject* text = Find("Text");
  if (text) text->SetState(state);
  SetPaintFont((text ? text : Copy())->GetFont());
}

// --- TSeSkinGroupBox -----------------------------------------------------------

TSeSkinGroupBox::TSeSkinGroupBox(TComponent* owner) : TSeSkinned(owner, "GroupBox") { SetTransparent(true); }

void TSeSkinGroupBox::Bound() {
  if (!Copy()) return;
  TakeTransparency(*this, Find("Frame"));
  if (auto* box = dynamic_cast<TSeSkinCheckBox*>(CaptionCheckBox())) {
    box->SetSkinEngine(SkinEngine());
    AlignCheckBox();
  }
}

TSeCustomCheckBox* TSeSkinGroupBox::CreateCheckBox(TComponent* owner) {
  auto* box = Create<TSeSkinCheckBox>(owner);
  box->SetSkinEngine(SkinEngine());
  return box;
}

void TSeSkinGroupBox::PaintBackground() {
  if (!UseSkin()) return TSeCustomGroupBox::PaintBackground();
  TCanvas& c = *Canvas();
  if (!Transparent()) se::FillRectColor(c, Rect(0, 0, Width(), Height()), Parent() ? Parent()->Color() : Color());
  const TRect f = GetFrameRect();
  // The caption is measured in the font it is drawn with.
  TSeSkinObject* caption = Find("Caption");
  c.SetFont(caption ? caption->GetFont() : PaintFont());
  TRect cr;
  if (UseCheckBox()) {
    cr = Rect(CaptionMargin(), 0, CaptionMargin() + CaptionCheckBox()->Width(), CaptionCheckBox()->Height());
  } else if (!Caption().isEmpty()) {
    cr = Rect(CaptionMargin(), 0, CaptionMargin() + se::WideTextWidth(c, Caption()), se::WideTextHeight(c, Caption()));
    InflateRect(cr, 3, 0);
  }
  const bool clipped = c.HasClipRegion();
  const QRegion saved = c.ClipRegion();
  if (!cr.IsEmpty()) c.ExcludeClipRect(cr);
  se::DrawSkinPart(Find("Frame"), c, f);
  c.SelectClipRgn(clipped ? &saved : nullptr);
  if (cr.IsEmpty()) return;
  if (caption) {
    caption->SetBoundsRect(cr);
    caption->Draw(c);
  }
  if (!UseCheckBox()) se::DrawWideText(c, Caption(), cr, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// --- TSeSkinLabel ------------------------------------------------------------------

TSeSkinLabel::TSeSkinLabel(TComponent* owner) : TSeSkinned(owner, "Label") { owns_copy_ = false; }

TFont TSeSkinLabel::WithOwnTraits(const TFont& skin) const {
  // Before the first bind: what a label does not take from its parent, or
  // what its own font changes of a default one.
  const TFont reference = given_ ? *given_ : ParentFont() && Parent() ? *Parent()->Font() : TFont();
  const TFont& own = *Font();
  TFont font(skin);
  font.SetStyle(skin.Style() | (own.Style() & ~reference.Style()));
  if (own.Size() != reference.Size()) font.SetSize(own.Size());
  return font;
}

void TSeSkinLabel::Bound() {
  if (!Copy()) {
    if (!given_) return;
    // The skin went: the plain font and colour come back, with the style
    // and size the label's user gave it since.
    const TFont back = KeptPlainFont() ? WithOwnTraits(*KeptPlainFont()) : *Font();
    PlainFontBack();
    if (!(back == *Font())) SetFont(back);
    given_.reset();
    SetColor(plain_color_);
    if (plain_parent_color_) SetParentColor(true);
    return;
  }
  if (!given_) {
    plain_color_ = Color();
    plain_parent_color_ = ParentColor();
  }
  SetColor(Copy()->Color());
  const TFont skin = Copy()->GetFont();
  const TFont font = WithOwnTraits(skin);
  given_ = skin;
  TakeSkinFont(font);
}

void TSeSkinLabel::PaintBackground() {
  if (UseSkin()) {
    // A skin without a hot font for labels keeps the normal one under the
    // mouse.
    Copy()->SetState(MouseInControl() ? osHot : osNormal);
    if (Copy()->GetFont() == TFont()) Copy()->SetState(osNormal);
    SetPaintFont(WithOwnTraits(Copy()->GetFont()));
  }
  TSeCustomLabel::PaintBackground();
}
