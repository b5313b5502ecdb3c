#include "skin/se_labels.h"

#include <QApplication>

#include "platform/gui/DrawText.h"
#include "skin/se_drawing.h"

// ---- TSeCustomGroupBox ----

TSeCustomGroupBox::TSeCustomGroupBox(TComponent* owner) : TSeCustomControl(owner) {
  SetTransparent(false);
  SetColor(clBtnFace);
  SetTabStop(false);
  SetBounds(0, 0, 100, 90);
}

TSeCustomGroupBox::~TSeCustomGroupBox() { delete check_box_.data(); }

void TSeCustomGroupBox::Loaded() {
  TSeCustomControl::Loaded();
  SetUseCheckBox(use_check_box_);
}

int TSeCustomGroupBox::CaptionHeight() {
  if (UsingCheckBox()) return check_box_->Height();
  return se::MeasureCanvas(*Font()).TextHeight(Caption().isEmpty() ? QStringLiteral("Pq") : Caption());
}

TRect TSeCustomGroupBox::ClientRect() const {
  TRect r = Rect(0, 0, PaintedWidth(), PaintedHeight());
  r.Top = const_cast<TSeCustomGroupBox*>(this)->CaptionHeight();
  return r;
}

TRect TSeCustomGroupBox::GetFrameRect() {
  const int h = CaptionHeight();
  return Rect(3, h / 2 + 1, Width() - 2, Height() - 2);
}

void TSeCustomGroupBox::SetCaptionMargin(int value) {
  if (value == caption_margin_) return;
  caption_margin_ = value;
  if (use_check_box_) AlignCheckBox();
  Invalidate();
}

TSeCustomCheckBox* TSeCustomGroupBox::CreateCheckBox(TComponent* owner) {
  return Create<TSeCustomCheckBox>(owner);
}

void TSeCustomGroupBox::SetUseCheckBox(bool value) {
  use_check_box_ = value;
  if (value) {
    if (!check_box_) check_box_ = CreateCheckBox(this);
    check_box_->SetParent(this);
    check_box_->OnClick = [this](TControl* sender) { CheckBoxClick(sender); };
    check_box_->SetAlignment(check_box_alignment_);
    // Set quietly: taking the group's state is no click of the user.
    const auto onClick = std::move(check_box_->OnClick);
    check_box_->OnClick = nullptr;
    check_box_->SetChecked(checked_);
    check_box_->OnClick = onClick;
    check_box_->SetTop(0);
    check_box_->SetCaption(Caption());
    AlignCheckBox();
    ApplyEnabled();
  } else if (check_box_) {
    delete check_box_.data();
    check_box_ = nullptr;
    ApplyEnabled();
  }
  Invalidate();
}

void TSeCustomGroupBox::AlignCheckBox() {
  if (!check_box_) return;
  const int natural = 13 + check_box_->Spacing() +
                      se::MeasureCanvas(*check_box_->Font()).TextWidth(check_box_->Caption()) + 6;
  check_box_->SetBounds(caption_margin_, check_box_->Top(),
                        std::max(0, std::min(Width() - caption_margin_ - 2, natural)), check_box_->Height());
  check_box_->Invalidate();
}

TSeLeftRight TSeCustomGroupBox::CheckBoxAlignment() const {
  return check_box_ ? check_box_->Alignment() : check_box_alignment_;
}

void TSeCustomGroupBox::SetCheckBoxAlignment(TSeLeftRight value) {
  check_box_alignment_ = value;
  if (check_box_) check_box_->SetAlignment(value);
}

void TSeCustomGroupBox::SetChecked(bool value) {
  if (value == checked_) return;
  SetCheckedState(value);
}

void TSeCustomGroupBox::SetCheckedState(bool value) {
  checked_ = value;
  if (!UsingCheckBox()) return;
  check_box_->SetChecked(value);
  SetEnabled(checked_);
}

void TSeCustomGroupBox::CheckBoxClick(TControl* sender) {
  QPointer<TSeCustomGroupBox> self(this);
  if (OnClick) OnClick(this);
  if (!self || !check_box_) return;
  SetCheckedState(check_box_->Checked());
  if (self && OnCheckBoxClick) OnCheckBoxClick(sender);
}

void TSeCustomGroupBox::SetEnabled(bool value) {
  group_enabled_ = value || UsingCheckBox();
  ApplyEnabled();
}

void TSeCustomGroupBox::ApplyEnabled() {
  if (TControl::Enabled() != Enabled())
    TControl::SetEnabled(Enabled());  // notifies through EnabledChanged
  else
    EnabledChanged();
}

void TSeCustomGroupBox::EnabledChanged() {
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* child = Controls(i);
    if (child == check_box_) continue;
    child->SetEnabled(UsingCheckBox() ? checked_ : Enabled());
  }
  TSeCustomControl::EnabledChanged();
}

void TSeCustomGroupBox::Resize() {
  TSeCustomControl::Resize();
  if (UsingCheckBox()) AlignCheckBox();
}

void TSeCustomGroupBox::TextChanged() {
  if (UsingCheckBox()) {
    check_box_->SetCaption(Caption());
    AlignCheckBox();
  }
  Invalidate();
}

void TSeCustomGroupBox::showEvent(QShowEvent* event) {
  TSeCustomControl::showEvent(event);
  se::WatchDialogKeys(this, this);
}

bool TSeCustomGroupBox::DialogKey(int, TShiftState shift, QChar text) {
  const QChar accel = AcceleratorOf(Caption());
  if (accel.isNull() || (shift & ssCtrl) || text.toLower() != accel || !isVisible() || !TControl::Enabled())
    return false;
  // The first child in tab order that takes the focus.
  QWidget* next = nextInFocusChain();
  while (next && next != this) {
    if (isAncestorOf(next) && next->isEnabled() && next->isVisible() && next->focusPolicy() & Qt::TabFocus) {
      next->setFocus(Qt::ShortcutFocusReason);
      return true;
    }
    next = next->nextInFocusChain();
  }
  return false;
}

void TSeCustomGroupBox::PaintBackground() {
  TSeCustomControl::PaintBackground();
  TCanvas& c = *Canvas();
  c.SetFont(PaintFont());
  const TRect f = GetFrameRect();
  TRect gap;
  if (UsingCheckBox())
    gap = Rect(caption_margin_, 0, caption_margin_ + check_box_->Width(), check_box_->Height());
  else
    gap = Rect(caption_margin_, 0, caption_margin_ + c.TextWidth(Caption()), c.TextHeight(Caption()));
  if (!Caption().isEmpty())
    InflateRect(gap, 3, 0);
  else
    gap.Right = gap.Left;  // an unbroken top edge

  const auto etch = [&](TRect r, TColor color) {
    c.Pen().SetColor(color);
    c.Pen().SetWidth(1);
    c.MoveTo(r.Left, r.Top);
    c.LineTo(gap.Left, r.Top);
    c.MoveTo(gap.Right, r.Top);
    c.LineTo(r.Right - 1, r.Top);
    c.LineTo(r.Right - 1, r.Bottom - 1);
    c.LineTo(r.Left, r.Bottom - 1);
    c.LineTo(r.Left, r.Top);
  };
  etch(f, clBtnHighlight);
  TRect shadow = f;
  OffsetRect(shadow, -1, -1);
  etch(shadow, clBtnShadow);

  if (UsingCheckBox() || Caption().isEmpty()) return;
  TRect text = gap;
  const unsigned flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if (!Enabled()) {
    TRect shifted = text;
    OffsetRect(shifted, 1, 1);
    c.Font().SetColor(clBtnHighlight);
    se::DrawWideText(c, Caption(), shifted, flags);
    c.Font().SetColor(clBtnShadow);
  }
  se::DrawWideText(c, Caption(), text, flags);
}

// ---- TSeCustomLabel ----

TSeCustomLabel::TSeCustomLabel(TComponent* owner) : TSeGraphicControl(owner) {
  SetBounds(Left(), Top(), 65, 17);
  SetTransparent(true);
}

TCanvas& TSeCustomLabel::TextCanvas() {
  if (in_paint_) return *Canvas();
  return se::MeasureCanvas(*Font());
}

void TSeCustomLabel::SetAlignment(TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  Invalidate();
}

void TSeCustomLabel::SetAutoSize(bool value) {
  auto_size_ = value;
  AdjustBounds();
}

void TSeCustomLabel::SetLayout(TTextLayout value) {
  if (value == layout_) return;
  layout_ = value;
  Invalidate();
}

void TSeCustomLabel::SetWordWrap(bool value) {
  word_wrap_ = value;
  AdjustBounds();
  Invalidate();
}

void TSeCustomLabel::SetShowAccelChar(bool value) {
  if (value == show_accel_char_) return;
  show_accel_char_ = value;
  Invalidate();
}

void TSeCustomLabel::Loaded() {
  TSeGraphicControl::Loaded();
  AdjustBounds();
}

void TSeCustomLabel::TextChanged() {
  AdjustBounds();
  Invalidate();
}

void TSeCustomLabel::FontChanged() {
  TSeGraphicControl::FontChanged();
  AdjustBounds();
}

void TSeCustomLabel::DoDrawText(TRect& rect, unsigned flags) {
  TCanvas& c = TextCanvas();
  QString text = GetLabelText();
  if ((flags & DT_CALCRECT) && (text.isEmpty() || (show_accel_char_ && text == QStringLiteral("&"))))
    text += QLatin1Char(' ');
  if (!show_accel_char_) flags |= DT_NOPREFIX;
  c.SetFont(in_paint_ ? PaintFont() : *Font());
  if (flags & DT_CALCRECT) {
    DrawText(c, text, rect, flags);
    return;
  }
  if (!TSeGraphicControl::Enabled()) {
    TRect shifted = rect;
    OffsetRect(shifted, 1, 1);
    c.Font().SetColor(clBtnHighlight);
    se::DrawWideText(c, text, shifted, flags);
    c.Font().SetColor(clBtnShadow);
  }
  se::DrawWideText(c, text, rect, flags);
}

void TSeCustomLabel::Paint() {
  in_paint_ = true;
  try {
    TSeGraphicControl::Paint();
  } catch (...) {
    in_paint_ = false;
    throw;
  }
  in_paint_ = false;
}

void TSeCustomLabel::PaintBackground() {
  TSeGraphicControl::PaintBackground();
  if (!Parent()) return;
  TRect r = ClientRect();
  unsigned flags = DT_EXPANDTABS | (word_wrap_ ? DT_WORDBREAK : 0u);
  flags |= alignment_ == taRightJustify ? DT_RIGHT : alignment_ == taCenter ? DT_CENTER : DT_LEFT;
  if (layout_ != tlTop) {
    TRect measured = r;
    DoDrawText(measured, flags | DT_CALCRECT);
    const int spare = r.Height() - measured.Bottom;
    OffsetRect(r, 0, layout_ == tlCenter ? spare / 2 : spare);
  }
  DoDrawText(r, flags);
}

void TSeCustomLabel::AdjustBounds() {
  if (Loading() || !auto_size_) return;
  TRect r = ClientRect();
  DoDrawText(r, DT_CALCRECT | DT_EXPANDTABS | (word_wrap_ ? DT_WORDBREAK : 0u));
  int left = Left();
  if (alignment_ == taRightJustify) left += Width() - r.Width();
  SetBounds(left, Top(), r.Width(), r.Height());
}

void TSeCustomLabel::showEvent(QShowEvent* event) {
  TSeGraphicControl::showEvent(event);
  se::WatchDialogKeys(this, this);
}

bool TSeCustomLabel::DialogKey(int, TShiftState shift, QChar text) {
  TWinControl* target = focus_control_;
  if (!target || !TSeGraphicControl::Enabled() || !show_accel_char_ || (shift & ssCtrl)) return false;
  const QChar accel = AcceleratorOf(Caption());
  if (accel.isNull() || text.toLower() != accel || !target->CanFocus()) return false;
  target->SetFocus();
  return true;
}
