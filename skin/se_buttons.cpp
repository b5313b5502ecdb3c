#include "skin/se_buttons.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <array>

#include "platform/gui/Application.h"
#include "platform/gui/DrawText.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Painters.h"
#include "skin/se_drawing.h"

namespace {

constexpr int VK_RETURN = 0x0D;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr TColor kGlyphKey = RGB(255, 0, 255);

// ---- stock glyphs, drawn here: 16 x 16 marks on a magenta key ----

void DrawKindMark(TCanvas& c, TBitBtnKind kind, int x0, bool disabled) {
  const auto pen = [&](TColor color, int width) {
    c.Pen().SetColor(disabled ? RGB(128, 128, 128) : color);
    c.Pen().SetWidth(width);
    c.Brush().SetStyle(bsClear);
  };
  const auto line = [&](int x1, int y1, int x2, int y2) {
    c.MoveTo(x0 + x1, y1);
    c.LineTo(x0 + x2, y2);
  };
  const auto check = [&](int dx, TColor color) {
    pen(color, 2);
    line(dx + 2, 8, dx + 5, 11);
    line(dx + 5, 11, dx + 12, 4);
  };
  switch (kind) {
    case bkOK:
    case bkYes:
      check(1, RGB(0, 128, 0));
      break;
    case bkAll:
      check(-1, RGB(0, 128, 0));
      check(3, RGB(0, 128, 0));
      break;
    case bkCancel:
      pen(RGB(192, 0, 0), 2);
      line(4, 4, 12, 12);
      line(12, 4, 4, 12);
      break;
    case bkNo:
      pen(RGB(192, 0, 0), 2);
      c.Ellipse(x0 + 2, 2, x0 + 14, 14);
      line(4, 4, 12, 12);
      break;
    case bkAbort:
      c.Pen().SetWidth(1);
      c.Pen().SetColor(disabled ? RGB(128, 128, 128) : RGB(192, 0, 0));
      c.Brush().SetStyle(bsSolid);
      c.Brush().SetColor(disabled ? RGB(192, 192, 192) : RGB(192, 0, 0));
      c.Ellipse(x0 + 1, 1, x0 + 15, 15);
      pen(RGB(255, 255, 255), 2);
      line(5, 5, 11, 11);
      line(11, 5, 5, 11);
      break;
    case bkRetry:
      pen(RGB(0, 128, 0), 2);
      c.Arc(x0 + 2, 2, x0 + 14, 14, x0 + 14, 8, x0 + 8, 2);
      pen(RGB(0, 128, 0), 1);
      for (int i = 0; i < 4; ++i) line(9 + i, 1 + i, 9 + i, 7 - i);
      break;
    case bkIgnore:
      pen(RGB(0, 0, 160), 2);
      line(2, 8, 13, 8);
      line(9, 4, 13, 8);
      line(9, 12, 13, 8);
      pen(RGB(0, 0, 160), 1);
      line(3, 3, 3, 14);
      break;
    case bkClose:
      pen(RGB(128, 64, 0), 1);
      c.Rectangle(x0 + 3, 1, x0 + 12, 15);
      line(9, 8, 10, 8);
      break;
    case bkHelp: {
      pen(RGB(0, 0, 160), 2);
      c.Arc(x0 + 4, 2, x0 + 12, 9, x0 + 4, 5, x0 + 8, 9);
      line(8, 9, 8, 11);
      line(8, 13, 8, 15);
      break;
    }
    case bkCustom:
      break;
  }
}

struct KindGlyphs {
  std::array<std::unique_ptr<TBitmap>, 11> images;
};

KindGlyphs& Glyphs() {
  static KindGlyphs glyphs;
  return glyphs;
}

bool InsideExclusive(int x, int y, int w, int h) { return x >= 0 && x < w && y >= 0 && y < h; }

// Dialog keys seen at the window: the control's client answers them.
class DialogKeyFilter : public QObject {
 public:
  DialogKeyFilter(TControl* control, TSeDialogKeyClient* client) : QObject(control), client_(client) {}
  void Watch(QWidget* window) {
    if (window_ == window) return;
    if (window_) window_->removeEventFilter(this);
    window_ = window;
    if (window_) window_->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_ || event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const int vk = VirtualKeyFromQt(key->key());
    const QString text = key->text();
    QChar c = text.isEmpty() ? QChar() : text.at(0);
    // Alt+letter gives no text on some platforms: take the key's letter.
    if (c.isNull() && vk >= 'A' && vk <= 'Z') c = QChar(vk);
    bool taken = false;
    CallGuarded(static_cast<TControl*>(parent()),
                [&] { taken = client_->DialogKey(vk, ShiftOf(key->modifiers()), c); });
    return taken;
  }

 private:
  TSeDialogKeyClient* client_;
  QPointer<QWidget> window_;
};

// A release reported as MouseUp only.
void ReleaseWithoutClick(TControl* control, QMouseEvent* event,
                         void (*up)(TControl*, TMouseButton, TShiftState, int, int)) {
  TMouseButton button;
  if (!ButtonOf(event->button(), button)) return;
  const QPoint p = event->position().toPoint();
  up(control, button, ShiftOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

bool IsButtonControl(QWidget* w) {
  for (QWidget* p = w; p; p = p->parentWidget()) {
    if (dynamic_cast<TSeCustomButton*>(p) || dynamic_cast<TButton*>(p)) return true;
    if (p->isWindow()) break;
  }
  return false;
}

}  // namespace

TBitmap* GetKindGlyph(TBitBtnKind kind) {
  const auto index = static_cast<std::size_t>(kind);
  if (index >= Glyphs().images.size()) return nullptr;
  auto& slot = Glyphs().images[index];
  if (!slot) {
    slot = std::make_unique<TBitmap>();
    if (kind != bkCustom) {
      slot->SetSize(32, 16);
      TCanvas& c = slot->Canvas();
      c.Brush().SetStyle(bsSolid);
      c.Brush().SetColor(kGlyphKey);
      c.FillRect(Rect(0, 0, 32, 16));
      DrawKindMark(c, kind, 0, false);
      DrawKindMark(c, kind, 16, true);
    }
  }
  return slot.get();
}

void FreeKindGlyphs() {
  for (auto& slot : Glyphs().images) slot.reset();
}

TCanvas& se::MeasureCanvas(const TFont& font) {
  static TBitmap* scratch = [] {
    auto* b = new TBitmap;
    b->SetSize(1, 1);
    return b;
  }();
  scratch->Canvas().SetFont(font);
  return scratch->Canvas();
}

void se::DrawGlyphImage(TCanvas& canvas, const TBitmap& strip, int count, int index, TPoint at,
                        bool blackAndWhite, bool disabledSingle) {
  if (strip.Empty() || count < 1) return;
  const QImage source = strip.ToQImage();
  const int w = source.width() / count, h = source.height();
  if (w <= 0 || h <= 0) return;
  const QRgb key = source.pixel(0, h - 1) & 0xFFFFFF;
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int sx = index * w + x;
      if (sx >= source.width()) continue;
      const QRgb p = source.pixel(sx, y) & 0xFFFFFF;
      if (p == key) continue;
      const TColor c = GlyphPixelColor(RGB(qRed(p), qGreen(p), qBlue(p)), blackAndWhite, disabledSingle);
      image.setPixel(x, y, qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
    }
  canvas.DrawImage(QPoint(at.X, at.Y), image, std::nullopt, true);
}

void se::WatchDialogKeys(TControl* control, TSeDialogKeyClient* client) {
  // Not findChild: the filter has no meta-object of its own, so that would
  // take any child (a control inside a group box) for the filter.
  DialogKeyFilter* filter = nullptr;
  for (QObject* child : control->children())
    if ((filter = dynamic_cast<DialogKeyFilter*>(child))) break;
  if (!filter) filter = new DialogKeyFilter(control, client);
  filter->Watch(control->window() != control ? control->window() : nullptr);
}

// ---- TSeCustomButton ----

TSeCustomButton::TSeCustomButton(TComponent* owner)
    : TSeCustomControl(owner), glyph_(std::make_unique<TBitmap>()) {
  SetColor(static_cast<TColor>(ColorToRGB(clBtnFace)));
  SetPerformance(tbpDoubleBuffer);
  SetTransparent(false);
  SetTabStop(true);
  SetBounds(0, 0, 75, 25);
  glyph_->OnChange = [this](TGraphic*) { GlyphChanged(); };
  QObject::connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { FocusMoved(now); });
}

TSeCustomButton::~TSeCustomButton() {
  // The widget's own teardown moves the focus: the application must not call
  // back into a button that is half gone.
  QObject::disconnect(qApp, &QApplication::focusChanged, this, nullptr);
  glyph_->OnChange = nullptr;
}

void TSeCustomButton::Loaded() {
  TSeCustomControl::Loaded();
  Invalidate();
}

void TSeCustomButton::GlyphChanged() {
  if (auto count = GlyphCountForSize(glyph_->Width(), glyph_->Height())) num_glyphs_ = *count;
  Invalidate();
}

void TSeCustomButton::Click() {
  if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modal_result_);
  TSeCustomControl::Click();
}

void TSeCustomButton::SetDefault(bool value) {
  default_ = value;
  FocusMoved(QApplication::focusWidget());
  Invalidate();
}

void TSeCustomButton::FocusMoved(QWidget* now) {
  // Only focus inside this button's window decides whether it is the default.
  if (now && now->window() != window()) return;
  const bool active = default_ && !(now && IsButtonControl(now));
  if (active == active_default_) return;
  active_default_ = active;
  Invalidate();
}

void TSeCustomButton::SetLayout(TButtonLayout value) {
  if (value == layout_) return;
  layout_ = value;
  Invalidate();
}

void TSeCustomButton::SetNumGlyphs(int value) {
  value = std::clamp(value, 1, 4);
  if (value == num_glyphs_) return;
  num_glyphs_ = value;
  Invalidate();
}

void TSeCustomButton::SetSpacing(int value) {
  if (value == spacing_) return;
  spacing_ = value;
  Invalidate();
}

void TSeCustomButton::SetState(TSeButtonState value) {
  if (value == state_) return;
  state_ = value;
  Invalidate();
}

void TSeCustomButton::SetBlackAndWhiteGlyph(bool value) {
  if (value == black_and_white_) return;
  black_and_white_ = value;
  Invalidate();
}

void TSeCustomButton::SetWordWrap(bool value) {
  if (value == word_wrap_) return;
  word_wrap_ = value;
  Invalidate();
}

void TSeCustomButton::SetKind(TBitBtnKind value) {
  if (value == kind_) return;
  if (value != bkCustom) {
    const TSeKindInfo& info = KindInfo(value);
    SetDefault(info.Default);
    if (!Loading() || Caption().isEmpty()) SetCaption(QString::fromUtf8(info.Caption));
    modal_result_ = info.ModalResult;
    glyph_->Assign(*GetKindGlyph(value));
    num_glyphs_ = 2;
  }
  kind_ = value;
  Invalidate();
}

TPoint TSeCustomButton::GetGlyphSize() const {
  if (glyph_->Empty()) return {};
  return {glyph_->Width() / std::max(1, num_glyphs_), glyph_->Height()};
}

TSeButtonContent TSeCustomButton::Content() {
  TSeButtonContent c;
  c.PaintedWidth = PaintedWidth();
  c.PaintedHeight = PaintedHeight();
  c.Glyph = GetGlyphSize();
  c.Layout = layout_;
  c.Spacing = spacing_;
  c.WordWrap = word_wrap_;
  c.Pressed = state_ == kbsPressed;
  if (!word_wrap_) {
    TRect r;
    DrawText(se::MeasureCanvas(*Font()), Caption(), r, DT_CALCRECT | DT_SINGLELINE);
    c.Text = {r.Width(), r.Height()};
  }
  return c;
}

TRect TSeCustomButton::CalcContentSize() { return ButtonContentRect(Content()); }
TRect TSeCustomButton::GetCaptionRect() { return ButtonCaptionRect(Content()); }
TRect TSeCustomButton::GetGlyphRect() { return ButtonGlyphRect(Content()); }

void TSeCustomButton::PaintBackground() {
  TSeCustomControl::PaintBackground();
  PaintFace();
  PaintCaption();
  PaintGlyph();
}

void TSeCustomButton::PaintFace() {
  TCanvas& c = *Canvas();
  TRect r = GetBorderClientRect();
  if (IsFocused() || active_default_) {
    se::DrawFrameRect(c, r, clBlack);
    InflateRect(r, -1, -1);
  }
  se::FillRectColor(c, r, Color());
  if (state_ == kbsNormal) {
    se::DrawBevelRect(c, r, clBtnHighlight, clBlack);
    InflateRect(r, -1, -1);
    se::DrawBevelRect(c, r, Color(), clBtnShadow);
  } else {
    se::DrawFrameRect(c, r, clBtnShadow);
  }
  if (IsFocused()) {
    TRect focus = GetBorderClientRect();
    InflateRect(focus, -4, -4);
    se::DrawFocusRectColor(c, focus, clBtnShadow);
  }
}

void TSeCustomButton::PaintGlyph() {
  if (glyph_->Empty()) return;
  const TPoint size = GetGlyphSize();
  if (size.X <= 0 || size.Y <= 0) return;
  TRect dest = Bounds(0, 0, size.X, size.Y);
  se::CenterRect(dest, GetGlyphRect());
  se::DrawGlyphImage(
      *Canvas(), *glyph_, num_glyphs_, ButtonGlyphIndex(num_glyphs_, Enabled(), state_ == kbsPressed),
      Point(dest.Left, dest.Top), black_and_white_ && !MouseInControl(), num_glyphs_ == 1 && !Enabled());
}

void TSeCustomButton::PaintCaption() {
  if (Caption().isEmpty()) return;
  TCanvas& c = *Canvas();
  c.SetFont(PaintFont());
  const TRect area = GetCaptionRect();
  TRect text;
  if (word_wrap_) {
    text = Rect(0, 0, area.Width(), se::WideTextHeight(c, Caption()));
    DrawText(c, Caption(), text, DT_CALCRECT | DT_WORDBREAK);
  } else {
    DrawText(c, Caption(), text, DT_CALCRECT | DT_SINGLELINE);
  }
  se::CenterRect(text, area);
  const unsigned flags = DT_CENTER | (word_wrap_ ? DT_WORDBREAK : 0u);
  if (!Enabled()) {
    TRect shifted = text;
    OffsetRect(shifted, 1, 1);
    c.Font().SetColor(clBtnHighlight);
    se::DrawWideText(c, Caption(), shifted, flags);
    c.Font().SetColor(clBtnShadow);
  }
  se::DrawWideText(c, Caption(), text, flags);
}

void TSeCustomButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && Enabled()) {
    if (!Designing() && CanFocus()) SetFocus();
    mouse_pressed_ = true;
    SetState(kbsPressed);
  }
  TSeCustomControl::MouseDown(button, shift, x, y);
}

void TSeCustomButton::MouseMove(TShiftState shift, int x, int y) {
  if (mouse_pressed_)
    SetState(x >= 0 && x < ClientWidth() && y >= 0 && y <= ClientHeight() ? kbsPressed : kbsNormal);
  TSeCustomControl::MouseMove(shift, x, y);
}

void TSeCustomButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && mouse_pressed_) {
    mouse_pressed_ = false;
    SetState(kbsNormal);
    QPointer<TSeCustomButton> self(this);
    if (InsideExclusive(x, y, PaintedWidth(), PaintedHeight())) Click();
    if (!self) return;
  }
  TSeCustomControl::MouseUp(button, shift, x, y);
}

void TSeCustomButton::MouseEnter() {
  TSeCustomControl::MouseEnter();
  Invalidate();
}

void TSeCustomButton::MouseLeave() {
  TSeCustomControl::MouseLeave();
  Invalidate();
}

void TSeCustomButton::KeyDown(int& key, TShiftState shift) {
  if (key == VK_SPACE && !(shift & ssAlt)) SetState(kbsPressed);
  if (key == VK_RETURN && !(shift & (ssShift | ssCtrl | ssAlt))) {
    key = 0;
    Click();
    return;
  }
  TSeCustomControl::KeyDown(key, shift);
}

void TSeCustomButton::KeyUp(int& key, TShiftState shift) {
  if (key == VK_SPACE) {
    SetState(kbsNormal);
    key = 0;
    Click();
    return;
  }
  TSeCustomControl::KeyUp(key, shift);
}

bool TSeCustomButton::DialogKey(int key, TShiftState shift, QChar text) {
  if (!CanFocus()) return false;
  const bool plain = !(shift & (ssShift | ssCtrl | ssAlt));
  if (plain && ((key == VK_RETURN && (active_default_ || Focused())) || (key == VK_ESCAPE && cancel_))) {
    Click();
    return true;
  }
  const QChar accel = AcceleratorOf(Caption());
  if (!accel.isNull() && !(shift & ssCtrl) && text.toLower() == accel) {
    SetFocus();
    Click();
    return true;
  }
  return false;
}

void TSeCustomButton::TextChanged() { Invalidate(); }

void TSeCustomButton::EnabledChanged() {
  if (!Enabled()) {
    mouse_pressed_ = false;
    state_ = kbsNormal;
  }
  TSeCustomControl::EnabledChanged();
}

void TSeCustomButton::mouseReleaseEvent(QMouseEvent* event) {
  ReleaseWithoutClick(this, event, [](TControl* c, TMouseButton b, TShiftState s, int x, int y) {
    static_cast<TSeCustomButton*>(c)->MouseUp(b, s, x, y);
  });
}

void TSeCustomButton::showEvent(QShowEvent* event) {
  TSeCustomControl::showEvent(event);
  se::WatchDialogKeys(this, this);
  FocusMoved(QApplication::focusWidget());
}

// ---- TSeCheckControl ----

TSeCheckControl::TSeCheckControl(TComponent* owner) : TSeCustomControl(owner) {
  SetPerformance(tbpDoubleBuffer);
  SetBounds(0, 0, 98, 20);
  SetTransparent(true);
}

void TSeCheckControl::SetSpacing(int value) {
  if (value == spacing_) return;
  spacing_ = value;
  Invalidate();
}

void TSeCheckControl::SetAlignment(TSeLeftRight value) {
  if (value == alignment_) return;
  alignment_ = value;
  Invalidate();
}

void TSeCheckControl::SetWordWrap(bool value) {
  if (value == word_wrap_) return;
  word_wrap_ = value;
  Invalidate();
}

void TSeCheckControl::SetPressed(bool value) {
  if (value == pressed_) return;
  pressed_ = value;
  Invalidate();
}

void TSeCheckControl::Changed() {
  if (!Loading() && OnClick) OnClick(this);
}

TSize TSeCheckControl::GetCheckSize() { return {13, 13}; }

TRect TSeCheckControl::CheckRect() {
  const TSize mark = GetCheckSize();
  const int left = alignment_ == ktaLeftJustify ? 0 : PaintedWidth() - mark.cx;
  return Bounds(left, (PaintedHeight() - mark.cy) / 2, mark.cx, mark.cy);
}

void TSeCheckControl::PaintBackground() {
  TSeCustomControl::PaintBackground();
  PaintCheck();
  PaintCaption();
}

void TSeCheckControl::PaintCaption() {
  TCanvas& c = *Canvas();
  c.SetFont(PaintFont());
  const TSize mark = GetCheckSize();
  const unsigned wrap = word_wrap_ ? DT_WORDBREAK : 0u;
  const QString& caption = Caption();
  TRect text = Rect(0, 0, Width() - mark.cx - 10,
                    se::WideTextHeight(c, caption.isEmpty() ? QStringLiteral(" ") : caption));
  DrawText(c, caption, text, DT_CALCRECT | DT_EXPANDTABS | wrap);
  const int start = alignment_ == ktaLeftJustify ? mark.cx + spacing_ : 2;
  OffsetRect(text, start, (PaintedHeight() - text.Height()) / 2);
  if (!Enabled()) {
    TRect shifted = text;
    OffsetRect(shifted, 1, 1);
    c.Font().SetColor(clBtnHighlight);
    se::DrawWideText(c, caption, shifted, DT_EXPANDTABS | wrap);
    c.Font().SetColor(clBtnShadow);
  }
  se::DrawWideText(c, caption, text, DT_EXPANDTABS | wrap);
  if (IsFocused()) {
    TRect focus = text;
    InflateRect(focus, 1, 2);
    focus.Right += 2;
    se::DrawFocusRectColor(c, focus, clBtnShadow);
  }
}

bool TSeCheckControl::ReleaseInside(int x, int y) {
  return x >= 0 && x <= PaintedWidth() && y >= 0 && y <= PaintedHeight();
}

void TSeCheckControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && Enabled()) {
    if (!Designing()) setFocus(Qt::MouseFocusReason);
    SetPressed(true);
  }
  TSeCustomControl::MouseDown(button, shift, x, y);
}

void TSeCheckControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && pressed_) {
    SetPressed(false);
    QPointer<TSeCheckControl> self(this);
    if (ReleaseInside(x, y)) Activate();
    if (!self) return;
  }
  TSeCustomControl::MouseUp(button, shift, x, y);
}

void TSeCheckControl::MouseEnter() {
  TSeCustomControl::MouseEnter();
  Invalidate();
}

void TSeCheckControl::MouseLeave() {
  TSeCustomControl::MouseLeave();
  Invalidate();
}

void TSeCheckControl::KeyDown(int& key, TShiftState shift) {
  if (key == VK_SPACE) SetPressed(true);
  TSeCustomControl::KeyDown(key, shift);
}

void TSeCheckControl::KeyUp(int& key, TShiftState) {
  // The key is not passed on: OnKeyUp never fires here.
  if (key == VK_SPACE && pressed_) {
    QPointer<TSeCheckControl> self(this);
    Activate();
    if (self) SetPressed(false);
  }
}

void TSeCheckControl::keyReleaseEvent(QKeyEvent* event) {
  if (event->isAutoRepeat()) return;
  TSeCustomControl::keyReleaseEvent(event);
}

void TSeCheckControl::mouseReleaseEvent(QMouseEvent* event) {
  ReleaseWithoutClick(this, event, [](TControl* c, TMouseButton b, TShiftState s, int x, int y) {
    static_cast<TSeCheckControl*>(c)->MouseUp(b, s, x, y);
  });
}

void TSeCheckControl::EnabledChanged() {
  if (!Enabled()) pressed_ = false;
  TSeCustomControl::EnabledChanged();
}

void TSeCheckControl::showEvent(QShowEvent* event) {
  TSeCustomControl::showEvent(event);
  se::WatchDialogKeys(this, this);
}

bool TSeCheckControl::DialogKey(int, TShiftState shift, QChar text) {
  const QChar accel = AcceleratorOf(Caption());
  if (accel.isNull() || (shift & ssCtrl) || text.toLower() != accel || !isVisible() || !Enabled())
    return false;
  setFocus(Qt::ShortcutFocusReason);
  if (hasFocus()) Activate();
  return true;
}

// ---- TSeCustomCheckBox ----

TSeCustomCheckBox::TSeCustomCheckBox(TComponent* owner) : TSeCheckControl(owner) {
  SetTabStop(true);
  SetCaption(QStringLiteral("CheckBox"));
}

void TSeCustomCheckBox::SetState(TCheckBoxState value) {
  if (value == state_) return;
  state_ = value;
  QPointer<TSeCustomCheckBox> self(this);
  Changed();
  if (self) Invalidate();
}

void TSeCustomCheckBox::Toggle() { SetState(NextCheckBoxState(state_, allow_grayed_)); }

void TSeCustomCheckBox::PaintCheck() {
  TRect r = CheckRect();
  DrawFrameControl(*Canvas(), r, DFC_BUTTON, CheckBoxFrameFlags(state_, Enabled()));
}

// ---- TSeCustomRadioButton ----

TSeCustomRadioButton::TSeCustomRadioButton(TComponent* owner) : TSeCheckControl(owner) {
  SetTabStop(false);
  SetCaption(QStringLiteral("RadioButton"));
}

void TSeCustomRadioButton::SetChecked(bool value) {
  if (value == checked_) return;
  SetTabStop(value);
  checked_ = value;
  QPointer<TSeCustomRadioButton> self(this);
  if (value) {
    UncheckSiblings();
    if (!Loading()) Changed();
  }
  if (self) Invalidate();
}

void TSeCustomRadioButton::UncheckSiblings() {
  TWinControl* parent = Parent();
  if (!parent) return;
  for (int i = 0; i < parent->ControlCount(); ++i) {
    auto* other = dynamic_cast<TSeCustomRadioButton*>(parent->Controls(i));
    if (other && other != this && other->group_index_ == group_index_) other->SetChecked(false);
  }
}

void TSeCustomRadioButton::Activate() {
  if (!checked_) SetChecked(true);
}

void TSeCustomRadioButton::DoEnter() {
  TSeCheckControl::DoEnter();
  if (!checked_) SetChecked(true);
}

bool TSeCustomRadioButton::ReleaseInside(int x, int y) {
  return x >= 0 && x <= Width() && y >= 0 && y <= Height();
}

void TSeCustomRadioButton::PaintCheck() {
  TRect r = CheckRect();
  DrawFrameControl(*Canvas(), r, DFC_BUTTON, RadioFrameFlags(checked_, Enabled()));
}
