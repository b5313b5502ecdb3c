#include "skin/se_objectclasses.h"

#include <QApplication>
#include <QIcon>
#include <QToolTip>
#include <utility>

#include "platform/gui/Forms.h"
#include "skin/se_drawing.h"
#include "skin/se_objectclasses2.h"

namespace {

constexpr const char* kTileStyleNames[] = {"tsTile", "tsStretch", "tsCenter"};
constexpr const char* kActionNames[] = {"sbaNone",     "sbaClose",   "sbaHelp",      "sbaMinimize",
                                        "sbaMaximize", "sbaRestore", "sbaRollUp",    "sbaRollDown",
                                        "sbaTray",     "sbaSysMenu", "sbaRollPanel", "sbaCustom"};

bool HotLike(TSeObjectState s) { return s == osHot || s == osPressed || s == osFocused; }

TColor Shifted(TColor color, int delta) {
  if (color == clNone) return color;
  return se::ArgbToColor(se::ShiftArgbHue(se::ColorToArgb(color, 255), delta));
}

void ShiftFont(TFont& font, int delta) { font.SetColor(Shifted(font.Color(), delta)); }

void CopyLink(std::unique_ptr<TSeBitmapLink>& to, const TSeBitmapLink& from) {
  to = std::make_unique<TSeBitmapLink>(from);
}

void DrawCorner(TCanvas& canvas, TSeBitmap& bitmap, const TRect& src, int x, int y, bool masked) {
  if (src.Width() <= 0 || src.Height() <= 0) return;
  bitmap.DrawRect(canvas, x, y, src, masked);
}

}  // namespace

namespace se {

std::span<const char* const> TileStyleNames() { return kTileStyleNames; }
std::span<const char* const> ActionNames() { return kActionNames; }

// One part of a nine-slice picture. tsCenter draws unscaled and centred in
// the whole object, whatever the part's own area.
void DrawBitmapPart(TCanvas& canvas, TSeBitmap& bitmap, const TRect& src, const TRect& dest, TscTileStyle style,
              bool masked, const TRect& object) {
  if (std::int64_t(src.Width()) * std::int64_t(src.Height()) <= 0 || src.Width() <= 0) return;
  switch (style) {
    case tsTile:
      bitmap.TileDraw(canvas, dest, src, masked);
      break;
    case tsStretch:
      bitmap.StretchDraw(canvas, dest, src, masked);
      break;
    case tsCenter:
      bitmap.DrawRect(canvas, object.Left + (object.Width() - src.Width()) / 2,
                      object.Top + (object.Height() - src.Height()) / 2, src, masked);
      break;
  }
}

void ShowSystemButtonFor(TSeSkinObject& button, TSeAction action, TSeObjectState state) {
  TSeFrameActions* form = button.GetSkinForm();
  if (!form) return;
  auto hideFor = [&](std::initializer_list<TSeAction> actions) {
    button.SetVisible(true);
    for (TSeAction a : actions)
      if (action == a) button.SetVisible(false);
  };
  switch (state) {
    case osNormal:
      hideFor({sbaRestore, sbaRollDown});
      break;
    case osMaximized:
      hideFor({sbaMaximize, sbaRollDown});
      break;
    case osMinimized:
      hideFor({sbaMinimize, sbaMaximize, sbaRollUp, sbaRollDown});
      break;
    case osRollup:
      hideFor({sbaRestore, sbaRollUp});
      break;
    default:
      break;
  }
  const TSeBorderIcons icons = form->FrameBorderIcons();
  unsigned needed = 0;
  switch (action) {
    case sbaClose:
      needed = kbiClose;
      break;
    case sbaHelp:
      needed = kbiHelp;
      break;
    case sbaMinimize:
      needed = kbiMinimize;
      break;
    case sbaMaximize:
    case sbaRestore:
      needed = kbiMaximize;
      break;
    case sbaRollUp:
    case sbaRollDown:
      needed = kbiRollup;
      break;
    case sbaTray:
      needed = kbiTray;
      break;
    case sbaSysMenu:
      needed = kbiSystemMenu;
      break;
    default:
      break;
  }
  if (needed && !(icons & needed)) button.SetVisible(false);
}

void RunSystemButtonAction(TSeSkinObject& button, TSeAction action) {
  TSeFrameActions* form = button.GetSkinForm();
  if (!form) return;
  switch (action) {
    case sbaClose:
      form->Close();
      break;
    case sbaHelp:
      form->ContextHelp();
      break;
    case sbaMinimize:
      form->Minimize();
      break;
    case sbaMaximize:
      form->Maximize();
      break;
    case sbaRestore:
    case sbaRollDown:
      form->Restore();
      break;
    case sbaRollUp:
      form->Rollup();
      break;
    case sbaTray:
      form->MinimizeToTray();
      break;
    case sbaSysMenu:
      form->ShowSystemMenu();
      break;
    case sbaCustom:
      form->CustomAction(&button);
      break;
    default:
      break;
  }
}

void DrawWindowIcon(TCanvas& canvas, TSeSkinObject& button) {
  QIcon icon = button.Control()->windowIcon();
  if (icon.isNull()) icon = QApplication::windowIcon();
  if (icon.isNull()) return;  // no system icon to fall back on here
  int w = GetSystemMetrics(SM_CXSMICON), h = GetSystemMetrics(SM_CYSMICON);
  if (w == 0) w = GetSystemMetrics(SM_CXICON);
  if (h == 0) h = GetSystemMetrics(SM_CYICON);
  const QImage image = icon.pixmap(w, h).toImage().convertToFormat(QImage::Format_ARGB32);
  canvas.DrawImage(QPoint(button.Left(), button.Top()), image, std::nullopt, true);
}

void ResolveLink(std::unique_ptr<TSeBitmapLink>& link, TSeBitmapList* bitmaps) {
  if (!bitmaps || !link) return;
  if (auto resolved = bitmaps->GetLink(link->Name, link->Rect())) link = std::move(resolved);
}

}  // namespace se

void RegisterSkinObjectClasses() {
  if (FindSkinObjectClass(TSeSkinObject::kClassName)) return;
  RegisterSkinObject<TSeSkinObject>();
  RegisterSkinObject<TSeActiveObject>();
  RegisterSkinObject<TSeBitmapObject>();
  RegisterSkinObject<TSeActiveBitmap>();
  RegisterSkinObject<TSeSystemButton>();
  RegisterSkinObject<TSeButtonObject>();
  RegisterSkinObject<TSeTextObject>();
  RegisterSkinObjectClasses2();
}

// --- TSeActiveObject -----------------------------------------------------

void TSeActiveObject::DefineProperties(TSePropertyFiler& f) {
  TSeSkinObject::DefineProperties(f);
  f.Color("ActiveColor", active_color_);
  f.Font("ActiveFont", active_font_);
}

void TSeActiveObject::Assign(const TSeSkinObject& source) {
  TSeSkinObject::Assign(source);
  if (auto* s = dynamic_cast<const TSeActiveObject*>(&source)) {
    active_color_ = s->active_color_;
    active_font_.Assign(s->active_font_);
  }
}

const TFont& TSeActiveObject::GetFont() { return HotLike(State()) ? active_font_ : TSeSkinObject::GetFont(); }

void TSeActiveObject::Draw(TCanvas& canvas) {
  if (Width() < 1 || Height() < 1) return;
  if (!Active() && !HotLike(State())) {
    TSeSkinObject::Draw(canvas);
    return;
  }
  const TColor color = Color();
  const TFont font = Font();
  SetColor(active_color_);
  ReplaceFont(active_font_);
  TSeSkinObject::Draw(canvas);
  SetColor(color);
  ReplaceFont(font);
}

void TSeActiveObject::ChangeHue(int delta) {
  TSeSkinObject::ChangeHue(delta);
  active_color_ = Shifted(active_color_, delta);
  ShiftFont(active_font_, delta);
}

void TSeActiveObject::SetCharset(int charset) {
  TSeSkinObject::SetCharset(charset);
  active_font_.SetCharset(charset);
}

// --- TSeBitmapObject -------------------------------------------------------

TSeBitmapObject::TSeBitmapObject(TComponent* owner)
    : TSeSkinObject(owner), bitmap_(std::make_unique<TSeBitmapLink>()) {}

void TSeBitmapObject::DefineProperties(TSePropertyFiler& f) {
  TSeSkinObject::DefineProperties(f);
  f.Link("Bitmap", *bitmap_);
  f.Enum("TileStyle", tile_style_, kTileStyleNames);
  f.Enum("BorderTileStyle", border_tile_style_, kTileStyleNames);
  f.Boolean("MaskedBorder", masked_border_);
  f.Boolean("MaskedAngles", masked_angles_);
}

void TSeBitmapObject::Assign(const TSeSkinObject& source) {
  TSeSkinObject::Assign(source);
  if (auto* s = dynamic_cast<const TSeBitmapObject*>(&source)) {
    CopyLink(bitmap_, *s->bitmap_);
    tile_style_ = s->tile_style_;
    border_tile_style_ = s->border_tile_style_;
    masked_border_ = s->masked_border_;
    masked_angles_ = s->masked_angles_;
  }
}

void TSeBitmapObject::AfterLoad() {
  TSeSkinObject::AfterLoad();
  se::ResolveLink(bitmap_, Bitmaps());
}

void TSeBitmapObject::DrawWithLink(TCanvas& canvas, const TSeBitmapLink& link) {
  if (!Visible() || !link.Valid() || Width() < 1 || Height() < 1) return;
  TSeBitmap& bitmap = *link.Bitmap;
  const TRect object = BoundsRect();
  const int l = link.Left, t = link.Top, r = link.Right, b = link.Bottom;
  const int ml = MarginLeft(), mt = MarginTop(), mr = MarginRight(), mb = MarginBottom();
  const int w = Width(), h = Height();
  const int x = Left(), y = Top();
  if (ml == 0 && mt == 0 && mr == 0 && mb == 0) {
    se::DrawBitmapPart(canvas, bitmap, link.Rect(), object, tile_style_, Masked(), object);
  } else {
    auto dest = [&](int a, int bb, int c, int d) { return Rect(x + a, y + bb, x + c, y + d); };
    se::DrawBitmapPart(canvas, bitmap, Rect(l + ml, t + mt, r - mr, b - mb), dest(ml, mt, w - mr, h - mb), tile_style_,
             Masked(), object);
    se::DrawBitmapPart(canvas, bitmap, Rect(l + ml, t, r - mr, t + mt), dest(ml, 0, w - mr, mt), border_tile_style_,
             masked_border_, object);
    se::DrawBitmapPart(canvas, bitmap, Rect(l + ml, b - mb, r - mr, b), dest(ml, h - mb, w - mr, h), border_tile_style_,
             masked_border_, object);
    se::DrawBitmapPart(canvas, bitmap, Rect(l, t + mt, l + ml, b - mb), dest(0, mt, ml, h - mb), border_tile_style_,
             masked_border_, object);
    se::DrawBitmapPart(canvas, bitmap, Rect(r - mr, t + mt, r, b - mb), dest(w - mr, mt, w, h - mb), border_tile_style_,
             masked_border_, object);
    DrawCorner(canvas, bitmap, Rect(l, t, l + ml, t + mt), x, y, masked_angles_);
    DrawCorner(canvas, bitmap, Rect(r - mr, t, r, t + mt), x + w - mr, y, masked_angles_);
    DrawCorner(canvas, bitmap, Rect(l, b - mb, l + ml, b), x, y + h - mb, masked_angles_);
    DrawCorner(canvas, bitmap, Rect(r - mr, b - mb, r, b), x + w - mr, y + h - mb, masked_angles_);
  }
  DrawText(canvas);
  AlignObjects();
  DrawChildren(canvas);
}

void TSeBitmapObject::Draw(TCanvas& canvas) { DrawWithLink(canvas, *bitmap_); }

QRegion TSeBitmapObject::GetRegion() {
  if (!bitmap_->Valid() || Width() < 1 || Height() < 1) return {};
  if (Kind() == skClient || !Masked()) return TSeSkinObject::GetRegion();
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

// --- TSeActiveBitmap ---------------------------------------------------------

TSeActiveBitmap::TSeActiveBitmap(TComponent* owner)
    : TSeBitmapObject(owner), active_bitmap_(std::make_unique<TSeBitmapLink>()) {}

void TSeActiveBitmap::DefineProperties(TSePropertyFiler& f) {
  TSeBitmapObject::DefineProperties(f);
  f.Link("ActiveBitmap", *active_bitmap_);
  f.Font("ActiveFont", active_font_);
}

void TSeActiveBitmap::Assign(const TSeSkinObject& source) {
  TSeBitmapObject::Assign(source);
  if (auto* s = dynamic_cast<const TSeActiveBitmap*>(&source)) {
    CopyLink(active_bitmap_, *s->active_bitmap_);
    active_font_.Assign(s->active_font_);
  }
}

void TSeActiveBitmap::AfterLoad() {
  TSeBitmapObject::AfterLoad();
  se::ResolveLink(active_bitmap_, Bitmaps());
}

const TFont& TSeActiveBitmap::GetFont() {
  return (State() == osHot || State() == osFocused) ? active_font_ : TSeBitmapObject::GetFont();
}

void TSeActiveBitmap::Draw(TCanvas& canvas) {
  const bool active = Active() || State() == osHot || State() == osFocused;
  DrawWithLink(canvas, active && active_bitmap_->Valid() ? *active_bitmap_ : *bitmap_);
}

void TSeActiveBitmap::SetCharset(int charset) {
  TSeBitmapObject::SetCharset(charset);
  active_font_.SetCharset(charset);
}

// --- TSeSystemButton ---------------------------------------------------------

TSeSystemButton::TSeSystemButton(TComponent* owner)
    : TSeActiveBitmap(owner),
      bitmap_hot_(std::make_unique<TSeBitmapLink>()),
      bitmap_pressed_(std::make_unique<TSeBitmapLink>()) {
  SetKind(skSysButton);
}

void TSeSystemButton::DefineProperties(TSePropertyFiler& f) {
  TSeActiveBitmap::DefineProperties(f);
  f.Enum("Action", action_, kActionNames);
  f.Link("BitmapHot", *bitmap_hot_);
  f.Link("BitmapPressed", *bitmap_pressed_);
}

void TSeSystemButton::Assign(const TSeSkinObject& source) {
  TSeActiveBitmap::Assign(source);
  if (auto* s = dynamic_cast<const TSeSystemButton*>(&source)) {
    action_ = s->action_;
    CopyLink(bitmap_hot_, *s->bitmap_hot_);
    CopyLink(bitmap_pressed_, *s->bitmap_pressed_);
  }
}

void TSeSystemButton::AfterLoad() {
  TSeActiveBitmap::AfterLoad();
  se::ResolveLink(bitmap_hot_, Bitmaps());
  se::ResolveLink(bitmap_pressed_, Bitmaps());
}

void TSeSystemButton::SetState(TSeObjectState state) {
  TSeActiveBitmap::SetState(state);
  se::ShowSystemButtonFor(*this, action_, state);
}

void TSeSystemButton::DrawLook(TCanvas& canvas, std::unique_ptr<TSeBitmapLink>& look,
                               TSeObjectState childState) {
  const bool swap = look->Valid();
  if (swap) std::swap(bitmap_, look);
  SetActive(false);
  for (int i = 0; i < Count(); ++i) Objects(i)->SetState(childState);
  TSeActiveBitmap::Draw(canvas);
  SetActive(true);
  for (int i = 0; i < Count(); ++i) Objects(i)->SetState(osNormal);
  if (swap) std::swap(bitmap_, look);
}

void TSeSystemButton::Draw(TCanvas& canvas) {
  if (Width() < 1 || Height() < 1) return;
  if (action_ == sbaSysMenu && dynamic_cast<TCustomForm*>(Control())) {
    se::DrawWindowIcon(canvas, *this);
    return;
  }
  if (!Active()) {
    for (int i = 0; i < Count(); ++i) Objects(i)->SetState(osDisabled);
    TSeActiveBitmap::Draw(canvas);
    for (int i = 0; i < Count(); ++i) Objects(i)->SetState(osNormal);
    return;
  }
  switch (button_state_) {
    case bsNormal:
      TSeActiveBitmap::Draw(canvas);
      break;
    case bsHot:
      DrawLook(canvas, bitmap_hot_, osHot);
      break;
    case bsPressed:
      DrawLook(canvas, bitmap_pressed_, osPressed);
      break;
  }
}

void TSeSystemButton::MouseEnter() {
  button_state_ = (last_shift_ & ssLeft) ? bsPressed : bsHot;
  Invalidate();
}

void TSeSystemButton::MouseLeave() {
  button_state_ = bsNormal;
  Invalidate();
}

void TSeSystemButton::MouseDown(TMouseButton button, int, int) {
  if (button != mbLeft) return;
  button_state_ = bsPressed;
  Invalidate();
}

void TSeSystemButton::MouseMove(TShiftState shift, int, int) {
  if (!(button_state_ == bsPressed && (shift & ssLeft)) && Control() && !Control()->Hint().isEmpty()) {
    const TPoint at = Control()->ClientToScreen(Point(Left(), Top()));
    QToolTip::showText(at.ToQPoint(), Control()->Hint(), Control());
  }
  last_shift_ = shift;
}

void TSeSystemButton::MouseUp(TMouseButton button, int, int) {
  const bool run = button == mbLeft && button_state_ == bsPressed;
  last_shift_ = 0;
  if (!run) return;
  button_state_ = bsHot;
  Invalidate();
  DoAction();
}

void TSeSystemButton::DblClick(TMouseButton button, int, int) {
  if (button != mbLeft || action_ != sbaSysMenu) return;
  if (TSeFrameActions* form = GetSkinForm()) form->Close();
}

void TSeSystemButton::DoAction() { se::RunSystemButtonAction(*this, action_); }

// --- TSeButtonObject -----------------------------------------------------------

TSeButtonObject::TSeButtonObject(TComponent* owner)
    : TSeBitmapObject(owner),
      focused_(std::make_unique<TSeBitmapLink>()),
      hot_(std::make_unique<TSeBitmapLink>()),
      pressed_(std::make_unique<TSeBitmapLink>()),
      disabled_(std::make_unique<TSeBitmapLink>()) {}

void TSeButtonObject::DefineProperties(TSePropertyFiler& f) {
  TSeBitmapObject::DefineProperties(f);
  f.Link("BitmapFocused", *focused_);
  f.Link("BitmapHot", *hot_);
  f.Link("BitmapPressed", *pressed_);
  f.Link("BitmapDisabled", *disabled_);
}

void TSeButtonObject::Assign(const TSeSkinObject& source) {
  TSeBitmapObject::Assign(source);
  if (auto* s = dynamic_cast<const TSeButtonObject*>(&source)) {
    CopyLink(focused_, *s->focused_);
    CopyLink(hot_, *s->hot_);
    CopyLink(pressed_, *s->pressed_);
    CopyLink(disabled_, *s->disabled_);
  }
}

void TSeButtonObject::AfterLoad() {
  TSeBitmapObject::AfterLoad();
  for (auto* link : {&focused_, &hot_, &pressed_, &disabled_}) se::ResolveLink(*link, Bitmaps());
}

void TSeButtonObject::Draw(TCanvas& canvas) {
  if (!bitmap_->Valid() || Width() < 1 || Height() < 1) return;
  const TSeBitmapLink* look = bitmap_.get();
  if (State() == osFocused && focused_->Valid()) look = focused_.get();
  if (State() == osHot && hot_->Valid()) look = hot_.get();
  if (State() == osDisabled && disabled_->Valid()) look = disabled_.get();
  if (State() == osPressed && pressed_->Valid()) look = pressed_.get();
  DrawWithLink(canvas, *look);
}

// --- TSeTextObject -------------------------------------------------------------

void TSeTextObject::DefineProperties(TSePropertyFiler& f) {
  TSeSkinObject::DefineProperties(f);
  f.Font("FontHot", font_hot_);
  f.Font("FontFocused", font_focused_);
  f.Font("FontPressed", font_pressed_);
  f.Font("FontDisabled", font_disabled_);
}

void TSeTextObject::Assign(const TSeSkinObject& source) {
  TSeSkinObject::Assign(source);
  if (auto* s = dynamic_cast<const TSeTextObject*>(&source)) {
    font_hot_.Assign(s->font_hot_);
    font_focused_.Assign(s->font_focused_);
    font_pressed_.Assign(s->font_pressed_);
    font_disabled_.Assign(s->font_disabled_);
  }
}

const TFont& TSeTextObject::GetFont() {
  switch (State()) {
    case osHot:
      return font_hot_;
    case osPressed:
      return font_pressed_;
    case osFocused:
      return font_focused_;
    case osDisabled:
      return font_disabled_;
    default:
      return TSeSkinObject::GetFont();
  }
}

void TSeTextObject::Draw(TCanvas& canvas) {
  if (Width() < 1 || Height() < 1) return;
  const TFont saved = Font();
  const TFont state = GetFont();
  ReplaceFont(state);
  TSeSkinObject::Draw(canvas);
  ReplaceFont(saved);
}

void TSeTextObject::ChangeHue(int delta) {
  TSeSkinObject::ChangeHue(delta);
  for (TFont* f : {&font_hot_, &font_focused_, &font_pressed_, &font_disabled_}) ShiftFont(*f, delta);
}

void TSeTextObject::SetCharset(int charset) {
  TSeSkinObject::SetCharset(charset);
  for (TFont* f : {&font_hot_, &font_focused_, &font_pressed_, &font_disabled_}) f->SetCharset(charset);
}
