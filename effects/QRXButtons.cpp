#include "effects/QRXButtons.h"

#include <QCoreApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QToolTip>
#include <algorithm>

#include "effects/QRXClass.h"
#include "effects/QRXRegion.h"
#include "effects/QRXScrollBox.h"
#include "effects/QRXText.h"
#include "effects/QRXTimer.h"
#include "platform/core/Clock.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"

TQRXBaseGraphicButton::TQRXBaseGraphicButton(TComponent* owner)
    : TQRXBaseGraphicControl(owner),
      glyph_(std::make_unique<TQRXGlyph>()),
      layout_(std::make_unique<TQRXButtonLayout>()),
      font_fx_(std::make_unique<TQRXFxCaption>()) {
  TGraphicControl::SetBounds(0, 0, 25, 25);
  SetTransparent(false);
  layout_->OnChange = [this](TQRXObject* sender) { GetChange(sender); };
  glyph_->OnChange = [this](TQRXGlyph*) { GetChange(nullptr); };
  font_fx_->OnChange = [this](TQRXObject* sender) { FontFXChanged(sender); };
}

TQRXBaseGraphicButton::~TQRXBaseGraphicButton() {
  ReleaseButtonTimer(0);
  ReleaseButtonTimer(1);
  if (watched_window_) watched_window_->removeEventFilter(this);
  layout_->OnChange = nullptr;
  glyph_->OnChange = nullptr;
  font_fx_->OnChange = nullptr;
  if (drop_down_menu_) drop_down_menu_->RemoveFreeNotification(this);
}

// --- Setters ---

void TQRXBaseGraphicButton::SetGlyph(const TBitmap* value) {
  if (!Loading()) SetImageList(nullptr);
  glyph_->SetGlyph(value);
  Invalidate();
}

void TQRXBaseGraphicButton::SetNumGlyphs(int value) {
  value = std::clamp(value, 0, 5);
  if (value == glyph_->NumGlyphs()) return;
  glyph_->SetNumGlyphs(value);
  if (isVisible()) repaint();
}

void TQRXBaseGraphicButton::SetUseCaption(bool v) {
  if (v == use_caption_) return;
  use_caption_ = v;
  GetChange(nullptr);
}

void TQRXBaseGraphicButton::SetMultiLine(bool v) {
  if (v == multi_line_) return;
  multi_line_ = v;
  GetChange(nullptr);
}

void TQRXBaseGraphicButton::SetEnterColor(TColor v) {
  if (v == enter_color_) return;
  enter_color_ = v;
  GetChange(nullptr);
}

void TQRXBaseGraphicButton::SetEnterColorChange(bool v) {
  if (v == enter_color_change_) return;
  enter_color_change_ = v;
  GetChange(nullptr);
}

void TQRXBaseGraphicButton::SetDropDownMenu(TPopupMenu* menu) {
  if (drop_down_menu_) drop_down_menu_->RemoveFreeNotification(this);
  drop_down_menu_ = menu;
  if (menu) menu->FreeNotification(this);
  GetChange(nullptr);
}

void TQRXBaseGraphicButton::SetDropDownIndent(int v) {
  if (v == drop_down_indent_) return;
  drop_down_indent_ = v;
  GetChange(nullptr);
}

void TQRXBaseGraphicButton::SetDropDownRight(bool v) {
  if (v == drop_down_right_) return;
  drop_down_right_ = v;
  GetChange(nullptr);
}

void TQRXBaseGraphicButton::SetGroupIndex(int v) {
  group_index_ = v;
  UpdateExclusive();
}

void TQRXBaseGraphicButton::SetAllowAllUp(bool v) {
  allow_all_up_ = v;
  UpdateExclusive();
}

void TQRXBaseGraphicButton::SetPressed(bool v) {
  if (group_index_ == 0) v = false;
  if (v == pressed_) return;
  // A latched button of a group that must keep one down cannot be released.
  if (pressed_ && !allow_all_up_) return;
  pressed_ = v;
  if (v) {
    state_ = 3;
    Invalidate();
    UpdateExclusive();
  } else {
    state_ = Enabled() ? 0 : 1;
    Invalidate();
  }
}

void TQRXBaseGraphicButton::SetMouseOver(bool v) {
  if (v && !mouse_over_ && state_ == 0 && allow_mouse_over_) {
    FireMouseEnter();
    SetButtonState(2);
  } else if (!v && mouse_over_) {
    FireMouseExit();
  }
  if (v == mouse_over_) return;
  mouse_over_ = v;
  if (RepaintsOnMouseOver() && isVisible()) repaint();
}

void TQRXBaseGraphicButton::FireMouseEnter() {
  if (Enabled() && OnMouseEnter) OnMouseEnter(this);
}

void TQRXBaseGraphicButton::FireMouseExit() {
  if (Enabled() && OnMouseExit) OnMouseExit(this);
}

// --- State ---

void TQRXBaseGraphicButton::SetButtonState(std::uint8_t newState) {
  if (newState == state_) return;
  const int n = glyph_->NumGlyphs();
  bool repaint = true;
  const bool enterColor = allow_mouse_over_ && enter_color_change_;
  const auto between = [&](int a, int b) {
    return (state_ == a && newState == b) || (state_ == b && newState == a);
  };
  if (between(0, 2) && !glyph_->GreyUntilHover() && n < 3 && !enterColor && !EveryStateLooks() &&
      !HasMouseOverLook())
    repaint = false;
  if (between(2, 3) && n < 3) repaint = false;

  previous_state_ = (newState == 2 && state_ != 3) ? 0 : state_;
  state_ = newState;

  if (repaint && Visible() && !Loading()) {
    if (Transparent() && !BackgroundAvailable())
      Invalidate();
    else if (isVisible())
      this->repaint();
  }
  if (allow_mouse_over_) {
    if (state_ != 2 && previous_state_ == 2) ReleaseButtonTimer(0);
    if (state_ == 2 && !pressed_ && !Designing())
      AllocButtonTimer(0, 100, [this] { CheckMouseOver(); });
  }
}

bool TQRXBaseGraphicButton::PointInButton(int x, int y) const {
  return x >= 0 && x <= Width() && y >= 0 && y <= Height();
}

void TQRXBaseGraphicButton::CheckMouseOver() {
  const QPoint p = mapFromGlobal(QCursor::pos());
  const bool outside = allow_transparency_ ? !PointInButton(p.x(), p.y())
                                           : !(p.x() >= 0 && p.x() < ClientWidth() && p.y() >= 0 &&
                                               p.y() <= ClientHeight());
  if (Enabled() && outside) SetButtonState(0);
}

bool TQRXBaseGraphicButton::InsideForRelease(int x, int y) const {
  if (allow_transparency_) return PointInButton(x, y);
  return x >= 0 && x < ClientWidth() && y >= 0 && y <= ClientHeight();
}

// --- Timers ---

void TQRXBaseGraphicButton::AllocButtonTimer(int index, std::uint16_t interval, std::function<void()> callback) {
  if (index < 0 || index > 1 || timers_[index] != 0) return;
  TQRXApplication& app = QRXApplication();
  // The pool only runs intervals that are multiples of its own.
  const std::uint16_t pace = app.TimerPool().MinInterval();
  if (pace > 0 && interval % pace != 0) interval = std::uint16_t((interval / pace + 1) * pace);
  if (interval == 0) interval = pace;
  QPointer<TQRXBaseGraphicButton> self(this);
  const std::uint16_t id = app.AllocTimer(interval, [self, callback = std::move(callback)](TComponent*) {
    if (self) callback();
  });
  if (id == 0) throw EOutOfResources("Not enough timers available");
  if (TQRXTimerItem* item = app.GetTimerItem(id)) item->SetEnabled(true);
  timers_[index] = id;
}

void TQRXBaseGraphicButton::ReleaseButtonTimer(int index) {
  if (index < 0 || index > 1 || timers_[index] == 0) return;
  TQRXApplication& app = QRXApplication();
  if (TQRXTimerItem* item = app.GetTimerItem(timers_[index])) {
    item->SetEnabled(false);
    app.ReleaseTimer(timers_[index]);
  }
  timers_[index] = 0;
}

void TQRXBaseGraphicButton::RepeatClick() {
  next_repeat_ms_ = TheClock().TickMs() + repeating_interval_;
  Click();
}

void TQRXBaseGraphicButton::RepeatTimerTick() {
  if (!mouse_over_) return;
  if (TheClock().TickMs() >= next_repeat_ms_) RepeatClick();
}

// --- Background ---

bool TQRXBaseGraphicButton::BackgroundAvailable() const {
  TWinControl* parent = Parent();
  if (!parent) return false;
  if (auto* box = dynamic_cast<TQRXCustomScrollBox*>(parent)) return box->ParentBackgroundAvailable();
  if (auto* custom = dynamic_cast<TQRXCustomControl*>(parent)) return Transparent() && custom->HasBackground();
  return FormBackgroundShape(parent) != nullptr;
}

void TQRXBaseGraphicButton::CopyParentBackground(TCanvas& canvas, const TRect& rect, const TPoint& offset) {
  TWinControl* parent = Parent();
  if (!parent) return;
  if (auto* box = dynamic_cast<TQRXCustomScrollBox*>(parent)) {
    box->PaintParentBackground(canvas, rect, offset);
  } else if (auto* custom = dynamic_cast<TQRXCustomControl*>(parent)) {
    TBitmap* back = custom->GetBackgroundBitmap();
    if (!back) return;
    const TPoint at = custom->GetBackgroundOffset(offset);
    TRect source = rect;
    OffsetRect(source, at.X, at.Y);
    canvas.CopyRect(rect, back->Canvas(), source);
  } else if (TQRXFormShape* shape = FormBackgroundShape(parent)) {
    shape->BackgroundHook(canvas, rect, offset);
  }
}

void TQRXBaseGraphicButton::ImageListChanged(TComponent*) {
  TQRXCustomImageList* list = ImageList();
  if (list && list->IsValid(ListIndex(), ImageIndex())) {
    TBitmap image;
    list->GetBitmap(ListIndex(), ImageIndex(), image);
    glyph_->SetGlyph(&image);
  } else {
    glyph_->SetGlyph(nullptr);
  }
  Invalidate();
}

// --- Drawing ---

void TQRXBaseGraphicButton::DrawCaptionAndGlyph(TCanvas& canvas, const TRect& rect) {
  canvas.Font().Assign(*Font());
  if (state_ >= 2 && state_ <= 6 && allow_mouse_over_ && enter_color_change_) canvas.Font().SetColor(enter_color_);
  canvas.Brush().SetStyle(bsClear);
  glyph_->Draw(canvas, use_caption_ ? Caption() : QString(), 0, multi_line_, Enabled(), *layout_, state_, rect,
               font_fx_.get());
}

void TQRXBaseGraphicButton::UpdateExclusive() {
  if (group_index_ == 0 || !Parent()) return;
  TMessage message{CM_QRXBUTTONPRESSED, group_index_, reinterpret_cast<std::intptr_t>(this), 0};
  Parent()->Broadcast(message);
}

void TQRXBaseGraphicButton::FontFXChanged(TQRXObject* sender) {
  if (Loading()) return;
  if (font_fx_->Angle() != 0 && !IsTrueTypeFont(*Font())) {
    if (sender)
      Font()->SetName("Arial");
    else
      font_fx_->SetAngle(0);
  }
  GetChange(sender);
}

// --- Mouse ---

void TQRXBaseGraphicButton::MouseEnter() {
  if (allow_transparency_) return;
  FireMouseEnter();
  if (state_ == 0 && allow_mouse_over_ && Enabled()) {
    SetButtonState(2);
    mouse_over_ = true;
  }
}

void TQRXBaseGraphicButton::MouseExit() {
  FireMouseExit();
  if (state_ == 2) SetButtonState(previous_state_);
  mouse_over_ = false;
  if (hide_hint_) QToolTip::hideText();
}

void TQRXBaseGraphicButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TQRXBaseGraphicControl::MouseDown(button, shift, x, y);
  if (allow_transparency_ && !PointInButton(x, y)) return;
  if (!Enabled() || button != mbLeft) return;
  if (drop_down_menu_) {
    if (state_ == 6)
      SetButtonState(2);
    else
      DoDropDown();
    return;
  }
  mouse_down_ = true;
  std::uint8_t next = state_;
  try {
    if (group_index_ != 0 && state_ == 3) {
      next = 3;
    } else if (!pressed_) {
      next = 4;
      if (repeated_click_) {
        // The mouse is on the button, whatever the enter events said.
        mouse_over_ = true;
        RepeatClick();
        next_repeat_ms_ = TheClock().TickMs() + repeating_delay_;
        ReleaseButtonTimer(1);
        AllocButtonTimer(1, QRXApplication().TimerPool().MinInterval(), [this] { RepeatTimerTick(); });
      }
    }
  } catch (...) {
    SetButtonState(next);
    throw;
  }
  SetButtonState(next);
}

void TQRXBaseGraphicButton::MouseMove(TShiftState shift, int x, int y) {
  TQRXBaseGraphicControl::MouseMove(shift, x, y);
  if (state_ == 6 || !Enabled()) return;
  bool inside;
  std::uint8_t next = state_;
  if (allow_transparency_) {
    inside = PointInButton(x, y);
    if (allow_mouse_over_ && inside) {
      if (!(group_index_ != 0 && state_ == 3)) next = 2;
    } else if (state_ == 2) {
      next = previous_state_;
    }
  } else {
    inside = x >= 0 && x <= ClientWidth() && y >= 0 && y <= ClientHeight();
  }
  if (mouse_down_) {
    if (inside)
      next = pressed_ ? 3 : 4;
    else if (!(group_index_ != 0 && state_ != 4))
      next = 0;
  }
  SetButtonState(next);
  if (inside && !mouse_over_) {
    FireMouseEnter();
    if (state_ == 0 && allow_mouse_over_) SetButtonState(2);
    mouse_over_ = true;
  }
  mouse_over_ = inside;
}

void TQRXBaseGraphicButton::mouseReleaseEvent(QMouseEvent* event) {
  // The button decides itself whether a release clicks: not the host's
  // rectangle rule, but its own shape and state.
  TMouseButton button;
  switch (event->button()) {
    case Qt::LeftButton:
      button = mbLeft;
      break;
    case Qt::RightButton:
      button = mbRight;
      break;
    case Qt::MiddleButton:
      button = mbMiddle;
      break;
    default:
      return;
  }
  TShiftState shift;
  if (event->modifiers() & Qt::ShiftModifier) shift |= ssShift;
  if (event->modifiers() & Qt::ControlModifier) shift |= ssCtrl;
  if (event->modifiers() & Qt::AltModifier) shift |= ssAlt;
  const QPoint p = event->position().toPoint();
  MouseUp(button, shift, p.x(), p.y());
}

void TQRXBaseGraphicButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (state_ == 6) return;
  TQRXBaseGraphicControl::MouseUp(button, shift, x, y);
  if (!mouse_down_) return;
  mouse_down_ = false;
  if (repeated_click_) ReleaseButtonTimer(1);
  const bool inside = InsideForRelease(x, y);
  std::uint8_t resting = (state_ == 1 || state_ == 7) ? state_ : 0;
  bool toggled_alone = false;
  if (group_index_ != 0) {
    if (inside && state_ == 3 && !allow_all_up_) return;
    if (inside) {
      SetPressed(!pressed_);
      if (allow_mouse_over_)
        resting = pressed_ ? 3 : 0;
      else
        toggled_alone = true;
    } else if (pressed_) {
      resting = 3;
    }
  } else if (inside && allow_mouse_over_ && resting != 1 && resting != 7) {
    resting = 2;
  }
  if (!inside) {
    SetButtonState(resting);
    return;
  }
  if (!toggled_alone && glyph_->NumGlyphs() < 3 && !glyph_->GreyUntilHover()) SetButtonState(resting);
  QPointer<TQRXBaseGraphicButton> self(this);
  if (!repeated_click_) Click();
  if (!self) return;
  if ((glyph_->NumGlyphs() >= 3 || glyph_->GreyUntilHover()) && !toggled_alone && resting != 1 && resting != 7)
    PostClickCheck(resting);
}

void TQRXBaseGraphicButton::PostClickCheck(std::uint8_t resting) {
  const QPoint p = mapFromGlobal(QCursor::pos());
  if (InsideForRelease(p.x(), p.y())) {
    post_click_ = true;
    SetButtonState(resting == 0 ? 2 : resting);
    post_click_ = false;
  } else {
    SetButtonState(resting);
  }
}

void TQRXBaseGraphicButton::Click() { TQRXBaseGraphicControl::Click(); }

void TQRXBaseGraphicButton::DblClick() {
  if (pressed_) TQRXBaseGraphicControl::DblClick();
}

// --- Drop-down ---

void TQRXBaseGraphicButton::DoDropDown() {
  if (!drop_down_menu_ || state_ == 6) return;
  SetButtonState(6);
  if (OnDropDown) OnDropDown(this);
  if (!drop_down_menu_) return;
  const TPoint at = drop_down_right_ ? ClientToScreen(TPoint{Width(), drop_down_indent_})
                                     : ClientToScreen(TPoint{drop_down_indent_, Height()});
  drop_down_menu_->Popup(at.X, at.Y);
  QPointer<TQRXBaseGraphicButton> self(this);
  const auto closed = [self] {
    if (!self) return;
    // The click that closed the menu must not press the button again.
    QCoreApplication::removePostedEvents(self, QEvent::MouseButtonPress);
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    self->SetButtonState(2);
  };
  if (QMenu* menu = drop_down_menu_->Shown())
    QObject::connect(menu, &QMenu::aboutToHide, this, closed, Qt::QueuedConnection);
  else
    closed();
}

// --- Keyboard, groups, changes ---

bool TQRXBaseGraphicButton::DialogChar(QChar key) {
  const QChar accel = GetHotkey(Caption());
  if (accel.isNull() || accel.toUpper() != key.toUpper()) return false;
  if (!Enabled() || !Visible() || !isVisible() || (Parent() && !Parent()->Enabled())) return false;
  ActivateFromKeyboard();
  return true;
}

void TQRXBaseGraphicButton::ActivateFromKeyboard() {
  if (drop_down_menu_) {
    if (state_ == 6)
      SetButtonState(2);
    else
      DoDropDown();
  } else if (group_index_ != 0) {
    if (allow_all_up_ || state_ != 3) {
      SetPressed(!pressed_);
      if (allow_mouse_over_) {
        if (pressed_) {
          SetButtonState(3);
          Click();
        } else {
          SetButtonState(0);
        }
      }
    }
  } else {
    QPointer<TQRXBaseGraphicButton> self(this);
    mouse_over_ = true;
    repaint();
    Click();
    if (!self) return;
    repaint();
    if (!rect().contains(mapFromGlobal(QCursor::pos()))) {
      mouse_over_ = false;
      repaint();
    }
  }
}

// A button has the keyboard only when the program gives it the focus (it
// takes none of itself): Space presses it while held and acts on release,
// Enter acts at once, both as its accelerator does.
void TQRXBaseGraphicButton::keyPressEvent(QKeyEvent* event) {
  const auto mods = event->modifiers() & ~Qt::KeypadModifier;
  const int key = event->key();
  if (mods != Qt::NoModifier || (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter)) {
    TQRXBaseGraphicControl::keyPressEvent(event);
    return;
  }
  event->accept();
  if (event->isAutoRepeat()) return;
  if (key != Qt::Key_Space) {
    ActivateFromKeyboard();
  } else if (!drop_down_menu_ && group_index_ == 0 && !mouse_down_) {
    space_down_ = true;
    SetButtonState(4);
  }
}

void TQRXBaseGraphicButton::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Space || event->isAutoRepeat()) {
    TQRXBaseGraphicControl::keyReleaseEvent(event);
    return;
  }
  event->accept();
  const bool held = space_down_;
  space_down_ = false;
  if (held) SetButtonState(mouse_over_ && allow_mouse_over_ ? 2 : 0);
  if (held || drop_down_menu_ || group_index_ != 0) ActivateFromKeyboard();
}

void TQRXBaseGraphicButton::focusOutEvent(QFocusEvent* event) {
  // Space let go elsewhere: the button comes up without acting.
  if (space_down_) {
    space_down_ = false;
    SetButtonState(mouse_over_ && allow_mouse_over_ ? 2 : 0);
  }
  TQRXBaseGraphicControl::focusOutEvent(event);
}

void TQRXBaseGraphicButton::WatchWindow() {
  QWidget* w = window();
  QObject* target = (w && w != this) ? w : nullptr;
  if (target == watched_window_) return;
  if (watched_window_) watched_window_->removeEventFilter(this);
  watched_window_ = target;
  if (target) target->installEventFilter(this);
}

bool TQRXBaseGraphicButton::event(QEvent* event) {
  if (event->type() == QEvent::ParentChange || event->type() == QEvent::Show) WatchWindow();
  return TQRXBaseGraphicControl::event(event);
}

bool TQRXBaseGraphicButton::eventFilter(QObject* watched, QEvent* event) {
  if (watched == watched_window_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const auto mods = key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    const QString text = key->text();
    QChar ch = text.isEmpty() ? QChar() : text.at(0);
    // With Alt the text may be empty: the key code names the letter.
    if ((ch.isNull() || mods & Qt::AltModifier) && key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z)
      ch = QChar('A' + (key->key() - Qt::Key_A));
    if ((mods == Qt::NoModifier || mods == Qt::AltModifier) && !ch.isNull() && ch.isLetterOrNumber() &&
        DialogChar(ch))
      return true;
  }
  return TQRXBaseGraphicControl::eventFilter(watched, event);
}

void TQRXBaseGraphicButton::Dispatch(TMessage& message) {
  if (message.Msg == CM_QRXBUTTONPRESSED) {
    auto* sender = reinterpret_cast<TQRXBaseGraphicButton*>(message.LParam);
    if (sender != this && int(message.WParam) == group_index_ && group_index_ != 0) {
      if (sender->Pressed() && pressed_) {
        pressed_ = false;
        state_ = 0;
        Invalidate();
      }
      allow_all_up_ = sender->AllowAllUp();
    }
    return;
  }
  TQRXBaseGraphicControl::Dispatch(message);
}

void TQRXBaseGraphicButton::EnabledChanged() {
  if (Enabled())
    state_ = pressed_ ? 3 : 0;
  else
    state_ = pressed_ ? 7 : 1;
  if (!Enabled()) {
    ReleaseButtonTimer(0);
    ReleaseButtonTimer(1);
    mouse_down_ = false;
  }
  Invalidate();
}

void TQRXBaseGraphicButton::TextChanged() {
  if (Transparent() && isVisible())
    repaint();
  else
    Invalidate();
}

void TQRXBaseGraphicButton::FontChanged() {
  FontFXChanged(nullptr);
  if (Transparent() && isVisible())
    repaint();
  else
    TQRXBaseGraphicControl::FontChanged();
}

void TQRXBaseGraphicButton::Loaded() {
  TQRXBaseGraphicControl::Loaded();
}

void TQRXBaseGraphicButton::Notification(TComponent* component, TOperation operation) {
  TQRXBaseGraphicControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == drop_down_menu_) drop_down_menu_ = nullptr;
}
