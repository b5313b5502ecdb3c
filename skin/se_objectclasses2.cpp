#include "skin/se_objectclasses2.h"

#include <QApplication>
#include <QToolTip>
#include <utility>

#include "platform/gui/Forms.h"
#include "skin/se_drawing.h"

namespace {

constexpr const char* kRollKindNames[] = {"rkLeft", "rkTop", "rkRight", "rkBottom"};

bool HotOrFocused(TSeObjectState s) { return s == osHot || s == osFocused; }

std::unique_ptr<TSeBitmapLink> NewLink() { return std::make_unique<TSeBitmapLink>(); }

void CopyLink(std::unique_ptr<TSeBitmapLink>& to, const TSeBitmapLink& from) {
  to = std::make_unique<TSeBitmapLink>(from);
}

// Swaps a colour and a font into the object for one drawing.
class LookSwap {
 public:
  LookSwap(TSeSkinObject& object, TColor color, const TFont& font, bool swap)
      : object_(object), swap_(swap), color_(object.Color()) {
    if (!swap_) return;
    font_.Assign(object.Font());
    object.SetColor(color);
    object.SetFont(font);
  }
  ~LookSwap() {
    if (!swap_) return;
    object_.SetColor(color_);
    object_.SetFont(font_);
  }
  LookSwap(const LookSwap&) = delete;
  LookSwap& operator=(const LookSwap&) = delete;

 private:
  TSeSkinObject& object_;
  bool swap_;
  TColor color_;
  TFont font_;
};

}  // namespace

namespace se {
std::span<const char* const> RollKindNames() { return kRollKindNames; }
}  // namespace se

void RegisterSkinObjectClasses2() {
  if (FindSkinObjectClass(TSeLinkSkinObject::kClassName)) return;
  RegisterSkinObject<TSeLinkSkinObject>();
  RegisterSkinObject<TSeBitmapSkinObject>();
  RegisterSkinObject<TSeFormBitmapSkinObject>();
  RegisterSkinObject<TSeSysButtonSkinObject>();
  RegisterSkinObject<TSeActiveSkinObject>();
  RegisterSkinObject<TSeColorButtonObject>();
  RegisterSkinObject<TSeBitmapBoxObject>();
  RegisterSkinObject<TSeActiveBitmapBoxObject>();
  RegisterSkinObject<TSeButtonBitmapBoxObject>();
  RegisterSkinObject<TSeRollPanelObject>();
}

// --- TSeLinkSkinObject -----------------------------------------------------

void TSeLinkSkinObject::DefineProperties(TSePropertyFiler& f) {
  TSeSkinObject::DefineProperties(f);
  f.Text("LinkControl", link_control_);
}

void TSeLinkSkinObject::Assign(const TSeSkinObject& source) {
  TSeSkinObject::Assign(source);
  if (auto* s = dynamic_cast<const TSeLinkSkinObject*>(&source)) link_control_ = s->link_control_;
}

// --- TSeActiveSkinObject ---------------------------------------------------

void TSeActiveSkinObject::DefineProperties(TSePropertyFiler& f) {
  TSeSkinObject::DefineProperties(f);
  f.Color("ActiveColor", active_color_);
  f.Font("ActiveFont", active_font_);
}

void TSeActiveSkinObject::Assign(const TSeSkinObject& source) {
  TSeSkinObject::Assign(source);
  if (auto* s = dynamic_cast<const TSeActiveSkinObject*>(&source)) {
    active_color_ = s->active_color_;
    active_font_.Assign(s->active_font_);
  }
}

void TSeActiveSkinObject::Draw(TCanvas& canvas) {
  if (Width() < 1 || Height() < 1) return;
  LookSwap look(*this, active_color_, active_font_, HotOrFocused(State()));
  TSeSkinObject::Draw(canvas);
}

void TSeActiveSkinObject::ChangeHue(int delta) {
  TSeSkinObject::ChangeHue(delta);
  if (active_color_ != clNone) active_color_ = se::ArgbToColor(se::ShiftArgbHue(se::ColorToArgb(active_color_), delta));
  if (active_font_.Color() != clNone)
    active_font_.SetColor(se::ArgbToColor(se::ShiftArgbHue(se::ColorToArgb(active_font_.Color()), delta)));
}

void TSeActiveSkinObject::MouseEnter() {
  SetState(osHot);
  Invalidate();
}

void TSeActiveSkinObject::MouseLeave() {
  SetState(osNormal);
  Invalidate();
}

// --- TSeBitmapSkinObject ---------------------------------------------------

TSeBitmapSkinObject::TSeBitmapSkinObject(TComponent* owner) : TSeSkinObject(owner), bitmap_(NewLink()) {}

void TSeBitmapSkinObject::DefineProperties(TSePropertyFiler& f) {
  TSeSkinObject::DefineProperties(f);
  f.Link("Bitmap", *bitmap_);
  f.Enum("TileStyle", tile_style_, se::TileStyleNames());
}

void TSeBitmapSkinObject::Assign(const TSeSkinObject& source) {
  TSeSkinObject::Assign(source);
  if (auto* s = dynamic_cast<const TSeBitmapSkinObject*>(&source)) {
    CopyLink(bitmap_, *s->bitmap_);
    tile_style_ = s->tile_style_;
  }
}

void TSeBitmapSkinObject::AfterLoad() {
  TSeSkinObject::AfterLoad();
  se::ResolveLink(bitmap_, Bitmaps());
}

void TSeBitmapSkinObject::DrawFill(TCanvas& canvas, const TSeBitmapLink& link) {
  if (!Visible() || !link.Valid() || Width() < 1 || Height() < 1) return;
  se::DrawBitmapPart(canvas, *link.Bitmap, link.Rect(), BoundsRect(), tile_style_, Masked(), BoundsRect());
  DrawText(canvas);
}

void TSeBitmapSkinObject::Draw(TCanvas& canvas) { DrawFill(canvas, *bitmap_); }

QRegion TSeBitmapSkinObject::GetRegion() {
  if (!bitmap_->Valid() || Width() < 1 || Height() < 1) return {};
  if (Kind() == skClient) return TSeSkinObject::GetRegion();
  const TRect saved = BoundsRect();
  SetBoundsRect(Rect(0, 0, saved.Width(), saved.Height()));
  TSeBitmap surface;
  surface.SetSize(saved.Width(), saved.Height());
  surface.Clear(KeyColor);
  Draw(surface.Canvas());
  const QRegion region = se::CreateRegionFromBitmap(surface, saved.Left, saved.Top);
  SetBoundsRect(saved);
  return region;
}

// --- TSeFormBitmapSkinObject -----------------------------------------------

TSeFormBitmapSkinObject::TSeFormBitmapSkinObject(TComponent* owner)
    : TSeBitmapSkinObject(owner), inactive_(NewLink()) {}

void TSeFormBitmapSkinObject::DefineProperties(TSePropertyFiler& f) {
  TSeBitmapSkinObject::DefineProperties(f);
  f.Link("InactiveBitmap", *inactive_);
}

void TSeFormBitmapSkinObject::Assign(const TSeSkinObject& source) {
  TSeBitmapSkinObject::Assign(source);
  if (auto* s = dynamic_cast<const TSeFormBitmapSkinObject*>(&source)) CopyLink(inactive_, *s->inactive_);
}

void TSeFormBitmapSkinObject::AfterLoad() {
  TSeBitmapSkinObject::AfterLoad();
  se::ResolveLink(inactive_, Bitmaps());
}

void TSeFormBitmapSkinObject::Draw(TCanvas& canvas) {
  DrawFill(canvas, !Active() && inactive_->Valid() ? *inactive_ : *bitmap_);
}

// --- TSeSysButtonSkinObject ------------------------------------------------

TSeSysButtonSkinObject::TSeSysButtonSkinObject(TComponent* owner)
    : TSeBitmapSkinObject(owner), hover_(NewLink()), down_(NewLink()) {
  SetKind(skSysButton);
}

void TSeSysButtonSkinObject::DefineProperties(TSePropertyFiler& f) {
  TSeBitmapSkinObject::DefineProperties(f);
  f.Enum("Action", action_, se::ActionNames());
  f.Link("BitmapHover", *hover_);
  f.Link("BitmapDown", *down_);
  f.Text("RollPanel", roll_panel_);
}

void TSeSysButtonSkinObject::Assign(const TSeSkinObject& source) {
  TSeBitmapSkinObject::Assign(source);
  if (auto* s = dynamic_cast<const TSeSysButtonSkinObject*>(&source)) {
    action_ = s->action_;
    CopyLink(hover_, *s->hover_);
    CopyLink(down_, *s->down_);
    roll_panel_ = s->roll_panel_;
  }
}

void TSeSysButtonSkinObject::AfterLoad() {
  TSeBitmapSkinObject::AfterLoad();
  se::ResolveLink(hover_, Bitmaps());
  se::ResolveLink(down_, Bitmaps());
}

void TSeSysButtonSkinObject::SetState(TSeObjectState state) {
  TSeBitmapSkinObject::SetState(state);
  se::ShowSystemButtonFor(*this, action_, state);
}

void TSeSysButtonSkinObject::Draw(TCanvas& canvas) {
  if (Width() < 1 || Height() < 1) return;
  if (action_ == sbaSysMenu && dynamic_cast<TCustomForm*>(Control())) {
    se::DrawWindowIcon(canvas, *this);
    return;
  }
  const TSeBitmapLink* look = bitmap_.get();
  if (button_state_ == bsHot && hover_->Valid()) look = hover_.get();
  if (button_state_ == bsPressed && down_->Valid()) look = down_.get();
  DrawFill(canvas, *look);
}

void TSeSysButtonSkinObject::MouseEnter() {
  button_state_ = (last_shift_ & ssLeft) ? bsPressed : bsHot;
  Invalidate();
}

void TSeSysButtonSkinObject::MouseLeave() {
  button_state_ = bsNormal;
  Invalidate();
}

void TSeSysButtonSkinObject::MouseDown(TMouseButton button, int, int) {
  if (button != mbLeft) return;
  button_state_ = bsPressed;
  Invalidate();
}

void TSeSysButtonSkinObject::MouseMove(TShiftState shift, int, int) {
  if (!(button_state_ == bsPressed && (shift & ssLeft)) && Control() && !Control()->Hint().isEmpty()) {
    const TPoint at = Control()->ClientToScreen(Point(Left(), Top()));
    QToolTip::showText(at.ToQPoint(), Control()->Hint(), Control());
  }
  last_shift_ = shift;
}

void TSeSysButtonSkinObject::MouseUp(TMouseButton button, int, int) {
  const bool run = button == mbLeft && button_state_ == bsPressed;
  last_shift_ = 0;
  if (!run) return;
  button_state_ = bsHot;
  Invalidate();
  DoAction();
}

void TSeSysButtonSkinObject::DblClick(TMouseButton button, int, int) {
  if (button != mbLeft || action_ != sbaSysMenu) return;
  if (TSeFrameActions* form = GetSkinForm()) form->Close();
}

void TSeSysButtonSkinObject::DoAction() {
  if (!GetSkinForm()) return;
  if (action_ != sbaRollPanel) {
    se::RunSystemButtonAction(*this, action_);
    return;
  }
  TSeSkinObject* root = this;
  while (root->Parent()) root = root->Parent();
  if (auto* panel = dynamic_cast<TSeRollPanelObject*>(root->FindObjectByName(roll_panel_))) panel->Toggle();
}

// --- TSeColorButtonObject --------------------------------------------------

void TSeColorButtonObject::DefineProperties(TSePropertyFiler& f) {
  TSeSkinObject::DefineProperties(f);
  f.Color("HotColor", hot_color_);
  f.Font("HotFont", hot_font_);
  f.Color("PressedColor", pressed_color_);
  f.Font("PressedFont", pressed_font_);
  f.Color("FocusedColor", focused_color_);
  f.Font("FocusedFont", focused_font_);
  f.Color("DisabledColor", disabled_color_);
  f.Font("DisabledFont", disabled_font_);
}

void TSeColorButtonObject::Assign(const TSeSkinObject& source) {
  TSeSkinObject::Assign(source);
  if (auto* s = dynamic_cast<const TSeColorButtonObject*>(&source)) {
    hot_color_ = s->hot_color_;
    pressed_color_ = s->pressed_color_;
    focused_color_ = s->focused_color_;
    disabled_color_ = s->disabled_color_;
    hot_font_.Assign(s->hot_font_);
    pressed_font_.Assign(s->pressed_font_);
    focused_font_.Assign(s->focused_font_);
    disabled_font_.Assign(s->disabled_font_);
  }
}

void TSeColorButtonObject::Draw(TCanvas& canvas) {
  if (Width() < 1 || Height() < 1) return;
  const TColor* color = nullptr;
  const TFont* font = nullptr;
  switch (State()) {
    case osHot:
      color = &hot_color_, font = &hot_font_;
      break;
    case osPressed:
      color = &pressed_color_, font = &pressed_font_;
      break;
    case osFocused:
      color = &focused_color_, font = &focused_font_;
      break;
    case osDisabled:
      color = &disabled_color_, font = &disabled_font_;
      break;
    default:
      break;
  }
  LookSwap look(*this, color ? *color : Color(), font ? *font : Font(), color != nullptr);
  TSeSkinObject::Draw(canvas);
}

// --- Boxes -------------------------------------------------------------------

void TSeBitmapBoxObject::DefineProperties(TSePropertyFiler& f) {
  TSeBitmapSkinObject::DefineProperties(f);
  f.Enum("BorderTileStyle", border_tile_style_, se::TileStyleNames());
}

void TSeBitmapBoxObject::Assign(const TSeSkinObject& source) {
  TSeBitmapSkinObject::Assign(source);
  if (auto* s = dynamic_cast<const TSeBitmapBoxObject*>(&source)) border_tile_style_ = s->border_tile_style_;
}

void TSeBitmapBoxObject::DrawBox(TCanvas& canvas, const TSeBitmapLink& link) {
  if (!Visible() || !link.Valid() || Width() < 1 || Height() < 1) return;
  const int ml = MarginLeft(), mt = MarginTop(), mr = MarginRight(), mb = MarginBottom();
  if (ml == 0 && mt == 0 && mr == 0 && mb == 0) {
    DrawFill(canvas, link);
    return;
  }
  TSeBitmap& bitmap = *link.Bitmap;
  const TRect object = BoundsRect();
  const int l = link.Left, t = link.Top, r = link.Right, b = link.Bottom;
  const int w = Width(), h = Height(), x = Left(), y = Top();
  const bool masked = Masked();
  auto dest = [&](int a, int bb, int c, int d) { return Rect(x + a, y + bb, x + c, y + d); };
  auto part = [&](const TRect& src, const TRect& to, TscTileStyle style) {
    if (std::int64_t(src.Width()) * src.Height() <= 0 || src.Width() <= 0) return;
    se::DrawBitmapPart(canvas, bitmap, src, to, style, masked, object);
  };
  part(Rect(l + ml, t + mt, r - mr, b - mb), dest(ml, mt, w - mr, h - mb), TileStyle());
  part(Rect(l + ml, t, r - mr, t + mt), dest(ml, 0, w - mr, mt), border_tile_style_);
  part(Rect(l + ml, b - mb, r - mr, b), dest(ml, h - mb, w - mr, h), border_tile_style_);
  part(Rect(l, t + mt, l + ml, b - mb), dest(0, mt, ml, h - mb), border_tile_style_);
  part(Rect(r - mr, t + mt, r, b - mb), dest(w - mr, mt, w, h - mb), border_tile_style_);
  auto corner = [&](const TRect& src, int cx, int cy) {
    if (src.Width() > 0 && src.Height() > 0) bitmap.DrawRect(canvas, cx, cy, src, masked);
  };
  corner(Rect(l, t, l + ml, t + mt), x, y);
  corner(Rect(r - mr, t, r, t + mt), x + w - mr, y);
  corner(Rect(l, b - mb, l + ml, b), x, y + h - mb);
  corner(Rect(r - mr, b - mb, r, b), x + w - mr, y + h - mb);
  DrawText(canvas);
}

void TSeBitmapBoxObject::Draw(TCanvas& canvas) { DrawBox(canvas, *bitmap_); }

TSeActiveBitmapBoxObject::TSeActiveBitmapBoxObject(TComponent* owner)
    : TSeBitmapBoxObject(owner), focused_(NewLink()) {}

void TSeActiveBitmapBoxObject::DefineProperties(TSePropertyFiler& f) {
  TSeBitmapBoxObject::DefineProperties(f);
  f.Link("FocusedBitmap", *focused_);
}

void TSeActiveBitmapBoxObject::Assign(const TSeSkinObject& source) {
  TSeBitmapBoxObject::Assign(source);
  if (auto* s = dynamic_cast<const TSeActiveBitmapBoxObject*>(&source)) CopyLink(focused_, *s->focused_);
}

void TSeActiveBitmapBoxObject::AfterLoad() {
  TSeBitmapBoxObject::AfterLoad();
  se::ResolveLink(focused_, Bitmaps());
}

void TSeActiveBitmapBoxObject::Draw(TCanvas& canvas) {
  DrawBox(canvas, HotOrFocused(State()) && focused_->Valid() ? *focused_ : *bitmap_);
}

TSeButtonBitmapBoxObject::TSeButtonBitmapBoxObject(TComponent* owner)
    : TSeBitmapBoxObject(owner), focused_(NewLink()), hot_(NewLink()), pressed_(NewLink()), disabled_(NewLink()) {}

void TSeButtonBitmapBoxObject::DefineProperties(TSePropertyFiler& f) {
  TSeBitmapBoxObject::DefineProperties(f);
  f.Link("FocusedBitmap", *focused_);
  f.Link("HotBitmap", *hot_);
  f.Link("PressedBitmap", *pressed_);
  f.Link("DisabledBitmap", *disabled_);
}

void TSeButtonBitmapBoxObject::Assign(const TSeSkinObject& source) {
  TSeBitmapBoxObject::Assign(source);
  if (auto* s = dynamic_cast<const TSeButtonBitmapBoxObject*>(&source)) {
    CopyLink(focused_, *s->focused_);
    CopyLink(hot_, *s->hot_);
    CopyLink(pressed_, *s->pressed_);
    CopyLink(disabled_, *s->disabled_);
  }
}

void TSeButtonBitmapBoxObject::AfterLoad() {
  TSeBitmapBoxObject::AfterLoad();
  for (auto* link : {&focused_, &hot_, &pressed_, &disabled_}) se::ResolveLink(*link, Bitmaps());
}

void TSeButtonBitmapBoxObject::Draw(TCanvas& canvas) {
  const TSeBitmapLink* look = bitmap_.get();
  if (State() == osFocused && focused_->Valid())
    look = focused_.get();
  else if (State() == osHot && hot_->Valid())
    look = hot_.get();
  else if (State() == osDisabled && disabled_->Valid())
    look = disabled_.get();
  else if (State() == osPressed && pressed_->Valid())
    look = pressed_.get();
  DrawBox(canvas, *look);
}

// --- TSeRollPanelObject --------------------------------------------------------

void TSeRollPanelObject::DefineProperties(TSePropertyFiler& f) {
  TSeSkinObject::DefineProperties(f);
  f.Enum("RollKind", roll_kind_, kRollKindNames);
  f.Extent("RollValue", roll_value_);
}

void TSeRollPanelObject::Assign(const TSeSkinObject& source) {
  TSeSkinObject::Assign(source);
  if (auto* s = dynamic_cast<const TSeRollPanelObject*>(&source)) {
    roll_kind_ = s->roll_kind_;
    roll_value_ = s->roll_value_;
  }
}

void TSeRollPanelObject::Toggle() {
  if (!Parent()) return;
  const bool horizontal = roll_kind_ == rkLeft || roll_kind_ == rkRight;
  const int size = horizontal ? Width() : Height();
  int wanted;
  if (size != roll_value_) {
    unrolled_size_ = size;
    wanted = roll_value_;
  } else {
    wanted = unrolled_size_;
  }
  // The far edge stays for a left or top roll, the near edge otherwise.
  switch (roll_kind_) {
    case rkLeft:
      SetBoundsRect(Rect(Left() + Width() - wanted, Top(), Left() + Width(), Top() + Height()));
      break;
    case rkTop:
      SetBoundsRect(Rect(Left(), Top() + Height() - wanted, Left() + Width(), Top() + Height()));
      break;
    case rkRight:
      SetWidth(wanted);
      break;
    case rkBottom:
      SetHeight(wanted);
      break;
  }
  // The frame repaints itself (and takes its new outline) on the change.
  if (GetSkinForm()) {
    TSeSkinObject* root = this;
    while (root->Parent()) root = root->Parent();
    root->Invalidate();
    QApplication::processEvents();
  }
}
