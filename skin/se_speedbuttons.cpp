#include "skin/se_speedbuttons.h"

#include <algorithm>
#include <climits>

#include "platform/gui/DrawText.h"
#include "platform/gui/Painters.h"
#include "skin/se_buttons.h"
#include "skin/se_drawing.h"

namespace {

constexpr int VK_SPACE = 0x20;
constexpr TColor kDesignFrame = RGB(128, 128, 128);

// The spin halves' own arrows, 9 x 6, on a key colour that the bottom-left
// pixel names.
void MakeSpinArrow(TBitmap& glyph, bool up) {
  glyph.SetSize(9, 6);
  TCanvas& c = glyph.Canvas();
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(RGB(255, 0, 255));
  c.FillRect(Rect(0, 0, 9, 6));
  c.Brush().SetColor(clBlack);
  for (int row = 0; row < 4; ++row) {
    const int y = up ? 1 + row : 4 - row;
    c.FillRect(Rect(4 - row, y, 5 + row, y + 1));
  }
}

bool InsideButtonArea(int x, int y, int width, int height) {
  return x >= 0 && x < width && y >= 0 && y <= height;
}

}  // namespace

// ---- TSeCustomSpeedButton ----

TSeCustomSpeedButton::TSeCustomSpeedButton(TComponent* owner)
    : TSeGraphicControl(owner), glyph_(std::make_unique<TBitmap>()) {
  glyph_->OnChange = [this](TGraphic*) { GlyphChanged(); };
  SetTransparent(true);
  SetBounds(Left(), Top(), 29, 29);
}

TSeCustomSpeedButton::~TSeCustomSpeedButton() {
  glyph_->OnChange = nullptr;
  if (chevron_menu_) chevron_menu_->RemoveFreeNotification(this);
}

void TSeCustomSpeedButton::GlyphChanged() {
  if (auto count = GlyphCountForSize(glyph_->Width(), glyph_->Height())) num_glyphs_ = *count;
  Invalidate();
}

void TSeCustomSpeedButton::SetShowChevron(bool value) {
  if (value == show_chevron_) return;
  show_chevron_ = value;
  if (!Loading()) SetWidth(Width() + (value ? kSeChevronWidth : -kSeChevronWidth));
  Invalidate();
}

void TSeCustomSpeedButton::SetFlat(bool value) {
  flat_ = value;
  if (value) SetTransparent(true);
  Invalidate();
}

void TSeCustomSpeedButton::SetGroupIndex(int value) {
  group_index_ = value;
  UpdateExclusive();
  if (down_) state_ = group_index_ != 0 ? kssExclusive : kssUp;
  Invalidate();
}

void TSeCustomSpeedButton::SetDown(bool value) {
  if (value == down_) return;
  down_ = value;
  if (value) {
    if (MouseInControl() && group_index_ == 0)
      state_ = kssDown;
    else if (MouseInControl() || group_index_ != 0)
      state_ = kssExclusive;
    else
      state_ = kssUp;
    UpdateExclusive();
  } else {
    state_ = kssUp;
  }
  Invalidate();
}

void TSeCustomSpeedButton::SetAllowAllUp(bool value) {
  allow_all_up_ = value;
  UpdateExclusive();
}

void TSeCustomSpeedButton::SetChevronMenu(TPopupMenu* value) {
  if (chevron_menu_) chevron_menu_->RemoveFreeNotification(this);
  chevron_menu_ = value;
  if (value) value->FreeNotification(this);
}

void TSeCustomSpeedButton::Notification(TComponent* component, TOperation operation) {
  TSeGraphicControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == chevron_menu_) chevron_menu_ = nullptr;
}

void TSeCustomSpeedButton::SetLayout(TButtonLayout value) {
  if (value == layout_) return;
  layout_ = value;
  Invalidate();
}

void TSeCustomSpeedButton::SetMargin(int value) {
  if (value == margin_) return;
  margin_ = value;
  Invalidate();
}

void TSeCustomSpeedButton::SetSpacing(int value) {
  if (value == spacing_) return;
  spacing_ = value;
  Invalidate();
}

void TSeCustomSpeedButton::SetShowCaption(bool value) {
  if (value == show_caption_) return;
  show_caption_ = value;
  Invalidate();
}

void TSeCustomSpeedButton::SetShowGlyph(bool value) {
  if (value == show_glyph_) return;
  show_glyph_ = value;
  Invalidate();
}

void TSeCustomSpeedButton::SetNumGlyphs(int value) {
  value = std::clamp(value, 1, 4);
  if (value == num_glyphs_) return;
  num_glyphs_ = value;
  Invalidate();
}

void TSeCustomSpeedButton::SetBlackAndWhiteGlyph(bool value) {
  if (value == black_and_white_) return;
  black_and_white_ = value;
  Invalidate();
}

void TSeCustomSpeedButton::UpdateExclusive() {
  TWinControl* parent = Parent();
  if (group_index_ == 0 || !parent) return;
  for (int i = 0; i < parent->ControlCount(); ++i)
    if (auto* other = dynamic_cast<TSeCustomSpeedButton*>(parent->Controls(i)))
      other->ButtonPressed(group_index_, this);
}

void TSeCustomSpeedButton::ButtonPressed(int groupIndex, TSeCustomSpeedButton* sender) {
  if (groupIndex != group_index_ || sender == this || !sender) return;
  if (sender->down_ && down_) {
    down_ = false;
    state_ = kssUp;
    Invalidate();
  }
  allow_all_up_ = sender->allow_all_up_;
}

TPoint TSeCustomSpeedButton::GetGlyphSize() const {
  if (glyph_->Empty()) return {};
  return {glyph_->Width() / std::max(1, num_glyphs_), glyph_->Height()};
}

TPoint TSeCustomSpeedButton::GetCaptionSize() const {
  if (Caption().isEmpty()) return {};
  TCanvas& c = se::MeasureCanvas(*Font());
  TRect r;
  DrawText(c, Caption(), r, DT_CALCRECT);
  return {r.Width(), c.TextHeight(QStringLiteral("Pq"))};
}

TSeSpeedButtonGeometry TSeCustomSpeedButton::Geometry() const {
  TSeSpeedButtonGeometry g;
  g.Width = Width();
  g.Height = Height();
  g.ShowChevron = show_chevron_;
  if (show_glyph_) g.Glyph = GetGlyphSize();
  if (show_caption_) g.Text = GetCaptionSize();
  g.Layout = layout_;
  g.Margin = margin_;
  g.Spacing = spacing_;
  return g;
}

void TSeCustomSpeedButton::PaintBackground() {
  TSeGraphicControl::PaintBackground();
  TCanvas& c = *Canvas();
  if (!Enabled()) state_ = kssDisabled;
  const TRect b = GetButtonRect();
  const TRect v = GetChevronAreaRect();
  const bool pushed = state_ == kssDown || state_ == kssExclusive;
  const bool exclusive = state_ == kssExclusive;
  const bool chevron = state_ == kssChevron;
  bool flat = flat_;
  if (state_ == kssUp && dynamic_cast<TSeCustomSpinButton*>(Parent())) flat = false;
  const bool hotFlat = flat && MouseInControl();

  if (flat) {
    const bool frame = pushed || (MouseInControl() && state_ != kssDisabled) ||
                       (state_ == kssUp && mouse_held_) || chevron || Designing();
    if (frame) {
      if (!Transparent()) {
        se::FillRectColor(c, b, clBtnFace);
        if (show_chevron_) se::FillRectColor(c, v, clBtnFace);
      }
      if (exclusive && !hotFlat) se::FillDitherRect(c, b, clBtnFace, clBtnHighlight);
      if (pushed)
        se::DrawBevelRect(c, b, clBtnShadow, clBtnHighlight);
      else
        se::DrawBevelRect(c, b, clBtnHighlight, clBtnShadow);
      if (show_chevron_) {
        if (exclusive || chevron || down_)
          se::DrawBevelRect(c, v, clBtnShadow, clBtnHighlight);
        else
          se::DrawBevelRect(c, v, clBtnHighlight, clBtnShadow);
      }
    }
  } else {
    TRect face = b;
    DrawFrameControl(c, face, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (pushed ? DFCS_PUSHED : 0u));
    if (show_chevron_) {
      TRect strip = v;
      DrawFrameControl(c, strip, DFC_BUTTON,
                       DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (exclusive || chevron ? DFCS_PUSHED : 0u));
    }
    if (exclusive && !hotFlat) se::FillDitherRect(c, face, clBtnFace, clBtnHighlight);
  }

  const TPoint offset = pushed ? Point(1, 1) : Point(0, 0);
  const TPoint chevronOffset = exclusive || chevron || down_ ? Point(1, 1) : Point(0, 0);
  if (show_glyph_) PaintGlyph(offset);
  if (show_caption_) PaintCaption(offset);
  if (show_chevron_) PaintChevron(chevronOffset);
}

void TSeCustomSpeedButton::PaintGlyph(TPoint offset) {
  const TPoint size = GetGlyphSize();
  if (size.X <= 0 || size.Y <= 0) return;
  TRect dest = Bounds(0, 0, size.X, size.Y);
  se::CenterRect(dest, GetGlyphRect());
  se::DrawGlyphImage(*Canvas(), *glyph_, num_glyphs_, SpeedGlyphIndex(num_glyphs_, Enabled(), state_),
                     Point(dest.Left + offset.X, dest.Top + offset.Y), black_and_white_ && !MouseInControl(),
                     num_glyphs_ == 1 && !Enabled());
}

void TSeCustomSpeedButton::PaintCaption(TPoint offset) {
  if (Caption().isEmpty()) return;
  TCanvas& c = *Canvas();
  c.SetFont(PaintFont());
  TRect r = GetCaptionRect();
  OffsetRect(r, offset.X, offset.Y);
  if (!Enabled()) {
    TRect shifted = r;
    OffsetRect(shifted, 1, 1);
    c.Font().SetColor(clBtnHighlight);
    se::DrawWideText(c, Caption(), shifted, 0);
    c.Font().SetColor(clBtnShadow);
  }
  se::DrawWideText(c, Caption(), r, 0);
}

void TSeCustomSpeedButton::PaintChevron(TPoint offset) {
  TCanvas& c = *Canvas();
  TRect r = GetChevronArrowRect();
  OffsetRect(r, offset.X, offset.Y);
  if (!Enabled()) {
    const int mid = (r.Right - 1 + r.Left) / 2;
    c.Pen().SetWidth(1);
    c.Pen().SetColor(clBtnShadow);
    c.MoveTo(mid, r.Bottom - 1);
    c.LineTo(r.Left, r.Top);
    c.LineTo(r.Right - 1, r.Top);
    c.Pen().SetColor(clBtnHighlight);
    c.LineTo(mid, r.Bottom - 1);
    return;
  }
  const TPoint points[] = {Point(r.Left, r.Top), Point(r.Right - 1, r.Top),
                           Point((r.Right - 1 + r.Left) / 2, r.Bottom - 1)};
  se::FillPolygon(c, points, clBtnText);
}

void TSeCustomSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && Enabled()) {
    mouse_held_ = true;
    if (PtInRect(GetButtonRect(), Point(x, y))) {
      state_ = kssDown;
      Invalidate();
    } else if (PtInRect(GetChevronAreaRect(), Point(x, y))) {
      state_ = kssChevron;
      QPointer<TSeCustomSpeedButton> self(this);
      ChevronClick();
      if (self) Invalidate();
      if (self) TSeGraphicControl::MouseDown(button, shift, x, y);
      return;
    }
    if (allow_timer_) {
      if (!repeat_timer_) {
        repeat_timer_ = Create<TTimer>(this);
        repeat_timer_->OnTimer = [this](TTimer*) { RepeatTick(); };
      }
      repeat_timer_->SetEnabled(false);
      repeat_timer_->SetInterval(kSeRepeatDelayMs);
      repeat_timer_->SetEnabled(true);
    }
  }
  TSeGraphicControl::MouseDown(button, shift, x, y);
}

void TSeCustomSpeedButton::RepeatTick() {
  repeat_timer_->SetInterval(kSeRepeatRateMs);
  if (state_ != kssDown || !mouse_held_) return;
  try {
    Click();
  } catch (...) {
    if (repeat_timer_) repeat_timer_->SetEnabled(false);
    throw;
  }
}

void TSeCustomSpeedButton::MouseEnter() {
  TSeGraphicControl::MouseEnter();
  if (mouse_held_ && state_ != kssChevron && Enabled()) state_ = kssDown;
  Invalidate();
}

void TSeCustomSpeedButton::MouseLeave() {
  TSeGraphicControl::MouseLeave();
  if (down_ && group_index_ != 0)
    state_ = kssExclusive;
  else if (state_ != kssChevron && Enabled())
    state_ = kssUp;
  Invalidate();
}

void TSeCustomSpeedButton::MouseMove(TShiftState shift, int x, int y) {
  if (mouse_held_ && state_ != kssChevron && Enabled()) {
    const TSeSpeedButtonState next = InsideButtonArea(x, y, ClientWidth(), ClientHeight()) ? kssDown
                                     : down_ && group_index_ != 0                          ? kssExclusive
                                                                                           : kssUp;
    if (next != state_) {
      state_ = next;
      Invalidate();
    }
  }
  TSeGraphicControl::MouseMove(shift, x, y);
}

void TSeCustomSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && mouse_held_) {
    mouse_held_ = false;
    const bool counts = InsideButtonArea(x, y, ClientWidth(), ClientHeight()) &&
                        (state_ == kssDown || state_ == kssExclusive);
    QPointer<TSeCustomSpeedButton> self(this);
    if (state_ == kssChevron) {
      state_ = kssUp;
      ShowChevronMenu();
    } else if (!down_) {
      state_ = kssUp;
    }
    if (counts) {
      if (!down_ && group_index_ != 0)
        SetDown(true);
      else if (down_ && allow_all_up_)
        SetDown(false);
      else if (group_index_ != 0)
        state_ = kssExclusive;
    }
    if (repeat_timer_) repeat_timer_->SetEnabled(false);
    Invalidate();
  }
  TSeGraphicControl::MouseUp(button, shift, x, y);
}

void TSeCustomSpeedButton::Click() {
  if (state_ == kssChevron) return;
  TSeGraphicControl::Click();
}

void TSeCustomSpeedButton::ChevronClick() {
  if (OnChevronClick) OnChevronClick(this);
}

void TSeCustomSpeedButton::DblClick() {
  if (down_) TSeGraphicControl::DblClick();
}

void TSeCustomSpeedButton::EnabledChanged() {
  if (Enabled()) state_ = down_ && group_index_ != 0 ? kssExclusive : kssUp;
  Invalidate();
}

void TSeCustomSpeedButton::FontChanged() {
  TSeGraphicControl::FontChanged();
  Invalidate();
}

TPoint TSeCustomSpeedButton::GetChevronMenuPoint() const {
  if (!chevron_menu_) return {};
  const TPopupAlignment alignment = chevron_menu_->Alignment();
  if (menu_position_ == dmpBottom) {
    if (alignment == paRight) return Point(Width() + 1, Height());
    if (alignment == paCenter) return Point(Width() / 2, Height());
    return Point(Width() - kSeChevronWidth - 1, Height());
  }
  if (alignment == paRight) return Point(-1, -1);
  if (alignment == paCenter) return Point(Width() / 2, Height());
  return Point(Width(), -1);
}

void TSeCustomSpeedButton::ShowChevronMenu() {
  if (!chevron_menu_ || Designing()) return;
  const TPoint at = ClientToScreen(GetChevronMenuPoint());
  chevron_menu_->SetPopupComponent(this);
  chevron_menu_->Popup(at.X, at.Y);
}

// ---- TSeSpeedDivider, TSeSpeedContainer ----

TSeSpeedDivider::TSeSpeedDivider(TComponent* owner) : TSeGraphicControl(owner) {
  SetTransparent(true);
  SetBounds(Left(), Top(), 8, Height());
}

void TSeSpeedDivider::PaintBackground() {
  if (Designing()) se::DrawFrameRect(*Canvas(), Rect(0, 0, Width(), Height()), kDesignFrame);
}

TSeSpeedContainer::TSeSpeedContainer(TComponent* owner) : TSeCustomControl(owner) { SetTransparent(true); }

void TSeSpeedContainer::PaintBackground() {
  if (Designing()) se::DrawFrameRect(*Canvas(), GetBorderClientRect(), kDesignFrame);
}

// ---- TSeCustomSpinButton ----

TSeCustomSpinButton::TSeCustomSpinButton(TComponent* owner) : TSeCustomControl(owner) {
  SetTransparent(true);
  SetTabStop(false);
  sync_timer_ = Create<TTimer>(this);
  sync_timer_->SetEnabled(false);
  sync_timer_->SetInterval(400);
  sync_timer_->OnTimer = [this](TTimer*) { SyncTimerTick(); };
  TSeCustomControl::SetBounds(Left(), Top(), 15, 21);
}

TSeCustomSpinButton::~TSeCustomSpinButton() = default;

void TSeCustomSpinButton::Init() {
  TSeCustomControl::Init();
  up_ = CreateButton();
  down_ = CreateButton();
  for (TSeCustomSpeedButton* half : {up_, down_}) {
    half->SetShowCaption(false);
    half->SetFlat(true);
    half->SetAllowTimer(true);
    half->SetEnabled(true);
    half->SetParent(this);
    half->OnClick = [this](TControl* sender) { HalfClick(sender); };
    half->OnMouseDown = [this](TControl* sender, TMouseButton button, TShiftState, int, int) {
      HalfMouseDown(sender, button);
    };
  }
  // The captions are never shown; painters tell the halves apart by them.
  up_->SetCaption(QStringLiteral("up"));
  down_->SetCaption(QStringLiteral("down"));
  SetUpGlyph(nullptr);
  SetDownGlyph(nullptr);
  focused_ = up_;
  LayoutHalves(Width(), Height());
  up_->Show();
  down_->Show();
}

TSeCustomSpeedButton* TSeCustomSpinButton::CreateButton() { return Create<TSeCustomSpeedButton>(this); }

void TSeCustomSpinButton::SetUpGlyph(const TBitmap* value) {
  if (!up_) return;
  if (value) {
    up_->SetGlyph(*value);
    return;
  }
  TBitmap arrow;
  MakeSpinArrow(arrow, true);
  up_->SetGlyph(arrow);
  up_->SetNumGlyphs(1);
}

void TSeCustomSpinButton::SetDownGlyph(const TBitmap* value) {
  if (!down_) return;
  if (value) {
    down_->SetGlyph(*value);
    return;
  }
  TBitmap arrow;
  MakeSpinArrow(arrow, false);
  down_->SetGlyph(arrow);
  down_->SetNumGlyphs(1);
}

void TSeCustomSpinButton::SetBounds(int left, int top, int width, int height) {
  TSeCustomControl::SetBounds(left, top, width, height);
  if (!Loading()) LayoutHalves(width, height);
}

void TSeCustomSpinButton::LayoutHalves(int width, int height) {
  if (!up_ || !down_) return;
  const TSeSpinHalves halves = LayoutSpinHalves(width, height, enabled_slider_);
  up_->SetBoundsRect(halves.Up);
  down_->SetBoundsRect(halves.Down);
}

void TSeCustomSpinButton::Loaded() {
  TSeCustomControl::Loaded();
  AlignToAssociate();
  LayoutHalves(Width(), Height());
  sync_timer_->SetEnabled(associate_ != nullptr);
  Invalidate();
}

void TSeCustomSpinButton::SetEnabledSlider(bool value) {
  if (value == enabled_slider_) return;
  enabled_slider_ = value;
  LayoutHalves(Width(), Height());
}

void TSeCustomSpinButton::SetMin(int value) {
  min_ = std::min(value, max_);
  if (position_ < min_) position_ = min_;
  UpdateAssociate();
}

void TSeCustomSpinButton::SetMax(int value) {
  max_ = std::max(value, min_);
  if (position_ > max_) position_ = max_;
  UpdateAssociate();
}

void TSeCustomSpinButton::SetPosition(int value) {
  if (value == position_) return;
  const int old = position_;
  position_ = std::clamp(value, min_, max_);
  if (OnChanging) {
    bool allow = true;
    OnChanging(this, allow);
    if (!allow) {
      position_ = old;
      return;
    }
  }
  UpdateAssociate();
}

void TSeCustomSpinButton::HalfClick(TControl* sender) {
  // In 64 bits: a step past the ends of int is clamped, not wrapped.
  const auto step = [&](long long delta) {
    const long long next = std::clamp<long long>(position_ + delta, INT_MIN, INT_MAX);
    SetPosition(static_cast<int>(next));
  };
  QPointer<TSeCustomSpinButton> self(this);
  if (sender == down_) {
    step(-static_cast<long long>(increment_));
    if (self && OnDownClick) OnDownClick(this);
  } else {
    step(increment_);
    if (self && OnUpClick) OnUpClick(this);
  }
}

void TSeCustomSpinButton::FocusHalf(TSeCustomSpeedButton* half) {
  if (!TabStop() || !CanFocus() || half == focused_) return;
  focused_ = half;
  if (Focused()) Invalidate();
}

void TSeCustomSpinButton::HalfMouseDown(TControl* sender, TMouseButton button) {
  if (button != mbLeft) return;
  FocusHalf(static_cast<TSeCustomSpeedButton*>(sender));
  if (associate_ && associate_->TabStop() && associate_->CanFocus() && !associate_->Focused())
    associate_->SetFocus();
  else if (TabStop() && CanFocus() && !Focused())
    SetFocus();
}

void TSeCustomSpinButton::KeyDown(int& key, TShiftState) {
  // Other keys are not passed on.
  if (key == VK_UP) {
    FocusHalf(up_);
    up_->Click();
  } else if (key == VK_DOWN) {
    FocusHalf(down_);
    down_->Click();
  } else if (key == VK_SPACE && focused_) {
    focused_->Click();
  }
}

void TSeCustomSpinButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && enabled_slider_ &&
      PtInRect(SpinSliderBand(PaintedWidth(), PaintedHeight()), Point(x, y))) {
    slider_dragging_ = true;
    drag_start_ = Point(x, y);
  }
  TSeCustomControl::MouseDown(button, shift, x, y);
}

void TSeCustomSpinButton::MouseMove(TShiftState shift, int x, int y) {
  if (slider_dragging_) {
    const long long next =
        static_cast<long long>(position_) + static_cast<long long>(increment_) * (drag_start_.Y - y);
    SetPosition(static_cast<int>(std::clamp<long long>(next, INT_MIN, INT_MAX)));
  } else {
    const bool overHalf = (up_ && PtInRect(up_->BoundsRect(), Point(x, y))) ||
                          (down_ && PtInRect(down_->BoundsRect(), Point(x, y)));
    SetCursor(overHalf ? crDefault : crSizeNS);
  }
  TSeCustomControl::MouseMove(shift, x, y);
}

void TSeCustomSpinButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) slider_dragging_ = false;
  TSeCustomControl::MouseUp(button, shift, x, y);
}

void TSeCustomSpinButton::MouseLeave() {
  TSeCustomControl::MouseLeave();
  if (!slider_dragging_) SetCursor(crDefault);
}

void TSeCustomSpinButton::SetAssociate(TWinControl* value) {
  associate_ = value;
  sync_timer_->SetEnabled(value != nullptr);
  if (!value) return;
  UpdateAssociate();
  AlignToAssociate();
}

void TSeCustomSpinButton::Notification(TComponent* component, TOperation operation) {
  TSeCustomControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == associate_.data()) {
    associate_ = nullptr;
    sync_timer_->SetEnabled(false);
  }
}

void TSeCustomSpinButton::SetSpinAlign(TSeSpinAlign value) {
  spin_align_ = value;
  AlignToAssociate();
}

void TSeCustomSpinButton::AlignToAssociate() {
  if (!associate_) return;
  const int left =
      spin_align_ == TSeSpinAlign::saRight ? associate_->Left() + associate_->Width() : associate_->Left() - 15;
  SetBounds(left, associate_->Top(), 15, associate_->Height());
}

void TSeCustomSpinButton::UpdateAssociate() {
  if (!associate_) return;
  updating_ = true;
  bool ok = false;
  const int shown = associate_->Text().toInt(&ok);
  if ((ok ? shown : INT_MAX) != position_) associate_->SetText(QString::number(position_));
  updating_ = false;
}

void TSeCustomSpinButton::SyncTimerTick() {
  if (!associate_) {
    sync_timer_->SetEnabled(false);
    return;
  }
  if (updating_) return;
  bool ok = false;
  const int typed = associate_->Text().toInt(&ok);
  if (ok && typed != position_) SetPosition(typed);
}

void TSeCustomSpinButton::PaintBackground() {
  if (Designing())
    se::FillRectColor(*Canvas(), GetBorderClientRect(), Parent() ? Parent()->Color() : Color());
}
