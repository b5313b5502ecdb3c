#include "skin/se_combobox.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWheelEvent>
#include <algorithm>

#include "platform/gui/Canvas.h"
#include "platform/gui/Painters.h"
#include "skin/se_drawing.h"

namespace {

// The program-wide open list: one at a time.
struct DropDownState {
  QPointer<TSeCustomComboBox> active;
};

DropDownState& DropDowns() {
  static DropDownState state;
  return state;
}

}  // namespace

namespace se {

TSeCustomComboBox* ActiveDropDownCombo() { return DropDowns().active; }

void ActiveDropDownClose() {
  if (TSeCustomComboBox* combo = DropDowns().active) combo->CloseActiveDropDown();
}

}  // namespace se

// ---- the popup window ----

TSeComboWindow::TSeComboWindow(TSeCustomComboBox* combo) : TCustomForm(combo), combo_(combo) {
  SetBorderStyle(bsNone);
  setWindowFlags(Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint);
  setAttribute(Qt::WA_ShowWithoutActivating, true);
}

bool TSeComboWindow::Key(int qtKey) {
  if (!combo_) return false;
  switch (qtKey) {
    case Qt::Key_Escape:
      combo_->CloseUp();
      hide();
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      if (combo_->list_) combo_->SetItemIndex(combo_->list_->ItemIndex());
      combo_->CloseUp();
      hide();
      return true;
    default: return false;
  }
}

bool TSeComboWindow::eventFilter(QObject* watched, QEvent* event) {
  // The window sees the keys before its list does.
  if (event->type() == QEvent::KeyPress && Key(static_cast<QKeyEvent*>(event)->key())) return true;
  return TCustomForm::eventFilter(watched, event);
}

void TSeComboWindow::keyPressEvent(QKeyEvent* event) {
  if (!Key(event->key())) TCustomForm::keyPressEvent(event);
}

void TSeComboWindow::hideEvent(QHideEvent* event) {
  TCustomForm::hideEvent(event);
  // Hidden by a click elsewhere: the list goes back to its combo.
  if (combo_ && combo_->window_ == this && combo_->list_ && combo_->list_->Parent() == this) combo_->CloseUp();
}

void TSeComboWindow::closeEvent(QCloseEvent* event) {
  // Closing only hides: the window lives until the next drop-down.
  event->ignore();
  hide();
}

// ---- the combo box ----

TSeCustomComboBox::TSeCustomComboBox(TComponent* owner) : TSeCustomEdit(owner) {}

void TSeCustomComboBox::Init() {
  TSeCustomEdit::Init();
  list_ = CreateListBox(this);
  list_->SetKeyClick(false);
  list_->SetParent(this);
  list_->SetVisible(false);
  list_->SetTabStop(false);
  list_->OnClick = [this](TControl*) { ListBoxClick(); };
  timer_ = new TTimer(this);
  timer_->SetInterval(100);
  timer_->SetEnabled(false);
  timer_->OnTimer = [this](TTimer*) { DoAutoComplete(); };
}

TSeCustomComboBox::~TSeCustomComboBox() {
  if (list_) CloseUp();
  if (DropDowns().active == this) DropDowns().active = nullptr;
  if (timer_) timer_->SetEnabled(false);
  delete window_.data();
}

TSeCustomListBox* TSeCustomComboBox::CreateListBox(TComponent* owner) { return Create<TSeCustomListBox>(owner); }

void TSeCustomComboBox::Loaded() {
  busy_ = true;
  TSeCustomEdit::Loaded();
  busy_ = false;
  typed_.clear();
}

QString TSeCustomComboBox::Text() const {
  if (style_ == kcsDropDownList && list_ && item_index_ >= 0 && item_index_ < list_->Items()->Count())
    return list_->Items()->Strings(item_index_);
  return TSeCustomEdit::Text();
}

void TSeCustomComboBox::SetItems(const QStringList& items) {
  if (!list_) return;
  list_->SetItems(items);
  // The current item must still name one.
  if (item_index_ >= list_->Items()->Count()) SetItemIndex(item_index_);
}

void TSeCustomComboBox::SetFlat(bool value) {
  if (list_) list_->SetFlat(value);
}
void TSeCustomComboBox::SetShowCheckBoxes(bool value) {
  if (list_) list_->SetShowCheckBoxes(value);
}
void TSeCustomComboBox::SetSorted(bool value) {
  if (list_) list_->SetSorted(value);
}
void TSeCustomComboBox::SetWordWrap(bool value) {
  if (list_) list_->SetWordWrap(value);
}

void TSeCustomComboBox::SetListStyle(TSeListBoxStyle value) {
  if (!list_) return;
  list_->SetListStyle(value);
  if (value == lbFonts || value == lbFontSamples || value == lbColors || value == lbColorNames)
    item_height_ = list_->ItemHeight();
  Invalidate();
}

void TSeCustomComboBox::SetItemIndex(int value) {
  item_index_ = value;
  if (style_ == kcsDropDown && Loading()) return;
  const int count = list_ ? list_->Items()->Count() : 0;
  if (item_index_ < -1) item_index_ = 0;
  if (item_index_ > count - 1) item_index_ = count - 1;
  if (style_ == kcsDropDown && item_index_ >= 0) TSeCustomEdit::SetText(list_->Items()->Strings(item_index_));
  if (style_ == kcsDropDownList && !Loading()) Change();
  Invalidate();
}

void TSeCustomComboBox::SetComboStyle(TSeComboStyle value) {
  const bool changed = value != style_;
  style_ = value;
  if (value == kcsDropDown) {
    if (!Loading() && changed) SetReadOnly(saved_read_only_);
    if (IsFocused()) ShowCaret();
    saved_read_only_ = ReadOnly();
  } else {
    if (item_index_ == -1) SetItemIndex(0);
    // Only the edit's own setting is kept, not the one this style forced.
    if (changed) saved_read_only_ = ReadOnly();
    SetReadOnly(true);
    TSeCustomEdit::SetText(QString());
    HideCaret();
  }
  Invalidate();
}

void TSeCustomComboBox::SetButtonAlign(TSeComboButtonAlign value) {
  button_align_ = value;
  Invalidate();
}

TRect TSeCustomComboBox::GetEditRect() const {
  TRect r = TSeCustomEdit::GetEditRect();
  if (button_align_ == cbaLeft)
    r.Left += GetButtonWidth();
  else
    r.Right -= GetButtonWidth();
  r.Bottom = r.Top + LineHeight();
  return r;
}

TRect TSeCustomComboBox::GetButtonRect() const {
  TRect r = GetEditRect();
  if (!AutoSize()) r.Bottom = PaintedHeight() - r.Top;
  r = se::GrowRect(r, 2);
  const int w = GetButtonWidth();
  if (button_align_ == cbaRight) {
    r.Left = r.Right - w;
    OffsetRect(r, w, 0);
  } else {
    r.Right = r.Left + w;
    OffsetRect(r, -w, 0);
  }
  return r;
}

// ---- painting ----

void TSeCustomComboBox::PaintEditBackground(const TRect& rect, TCanvas& canvas) {
  TRect r = rect;
  if (button_align_ == cbaRight)
    r.Right += BorderWidth() + 1;
  else
    r.Left -= BorderWidth() + 1;
  TSeCustomEdit::PaintEditBackground(r, canvas);
  TRect button = GetButtonRect();
  unsigned state = DFCS_SCROLLCOMBOBOX;
  if (button_pressed_) state |= DFCS_PUSHED;
  if (!Enabled()) state |= DFCS_INACTIVE;
  DrawFrameControl(canvas, button, DFC_SCROLL, state);
  if (style_ == kcsDropDownList) PaintListItemText(se::GrowRect(rect, 1));
}

void TSeCustomComboBox::PaintListItemText(const TRect& rect) {
  if (!list_ || item_index_ < 0 || item_index_ >= list_->Items()->Count()) {
    if (IsFocused()) se::DrawFocusRectColor(*Canvas(), rect, clBlack);
    return;
  }
  TRect r = rect;
  r.Right = std::min(r.Right, GetEditRect().Right + 1);
  const bool was = list_->GetSelected(item_index_);
  list_->SetSelected(item_index_, IsFocused());
  list_->PaintItem(*Canvas(), item_index_, r);
  list_->SetSelected(item_index_, was);
  if (IsFocused()) se::DrawFocusRectColor(*Canvas(), r, clBlack);
}

// ---- drop-down ----

void TSeCustomComboBox::DropDown() {
  if (!list_) return;
  if (window_) {
    CloseUp();
    delete window_.data();
  }
  window_ = new TSeComboWindow(this);
  const TPoint p = ClientToScreen({0, PaintedHeight()});
  const TRect listInner = list_->GetBorderClientRect();
  const int frame = listInner.Top + (list_->PaintedHeight() - listInner.Bottom);
  const int rows = std::max(1, drop_down_count_) * std::max(1, item_height_);
  const int height = rows + frame;
  int left = p.X, top = p.Y;
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (screen) {
    const QRect area = screen->geometry();
    // Not enough room below: the list opens above the combo.
    if (area.bottom() + 1 < p.Y + height) top = p.Y - PaintedHeight() - height;
    if (area.right() + 1 < p.X + Width()) left = area.right() + 1 - Width();
    top = std::max(top, area.top());
    left = std::max(left, area.left());
  }
  window_->setGeometry(left, top, Width(), height);
  // The current item (or the first) is where the keys start.
  for (int i = 0; i < list_->Items()->Count(); ++i) list_->SetSelected(i, false);
  list_->SetItemHeight(item_height_);
  list_->SetColor(Color());
  const int count = list_->Items()->Count();
  if (item_index_ >= 0)
    list_->SetItemIndex(item_index_);
  else if (count > 0)
    list_->SetItemIndex(0);
  list_->SelectRange();
  window_->show();
  ShowList();
  list_->SetBounds(0, 0, window_->width(), window_->height());
  list_->UpdateScrollBar();
  list_->SetItemIndex(list_->ItemIndex());
  list_->setFocus(Qt::PopupFocusReason);
  list_->Invalidate();
}

void TSeCustomComboBox::ShowList() {
  if (!list_->Visible() || list_->Parent() != window_) {
    list_->SetParent(window_);
    list_->installEventFilter(window_);
    list_->SetFont(*Font());
    list_->SetVisible(true);
    DropDowns().active = this;
  }
  if (OnDropDown) OnDropDown(this);
}

void TSeCustomComboBox::CloseUp() {
  if (!list_) return;
  if (!list_->Visible() && list_->Parent() == this) {
    if (DropDowns().active == this) DropDowns().active = nullptr;
    return;
  }
  button_pressed_ = false;
  list_->SetVisible(false);
  if (window_) list_->removeEventFilter(window_);
  list_->SetParent(this);
  Invalidate();
  if (Enabled() && CanFocus()) {
    // Taking the focus back is no activation of the form.
    TCustomForm* form = GetParentForm(this);
    auto activate = form ? std::exchange(form->OnActivate, nullptr) : nullptr;
    SetFocus();
    if (form) form->OnActivate = activate;
  }
  if (OnCloseUp) OnCloseUp(this);
  if (DropDowns().active == this) DropDowns().active = nullptr;
}

void TSeCustomComboBox::CloseActiveDropDown() {
  if (!window_) return;
  CloseUp();
  window_->hide();
}

void TSeCustomComboBox::ListBoxClick() {
  if (!window_ || !list_) return;
  if (OnListBoxClick) OnListBoxClick(this);
  bool allow = true;
  const int index = list_->ItemIndex();
  if (OnAllowChange && index >= 0 && index < list_->Items()->Count())
    OnAllowChange(this, index, list_->Items()->Strings(index), allow);
  if (allow && index >= 0) SetItemIndex(index);
  CloseUp();
  if (window_) window_->hide();
}

// ---- auto-complete ----

void TSeCustomComboBox::Change() {
  TSeCustomEdit::Change();
  if (!Loading() && auto_complete_ && !busy_ && timer_) timer_->SetEnabled(true);
}

void TSeCustomComboBox::DoAutoComplete() {
  if (timer_) timer_->SetEnabled(false);
  const QString typed = Text();
  if (typed.size() < typed_.size()) {
    typed_ = typed;  // deleting never completes
    return;
  }
  if (typed == typed_ || busy_ || !list_ || typed.isEmpty()) return;
  typed_ = typed;
  busy_ = true;
  const TVexListBoxItems& items = *list_->Items();
  for (int i = 0; i < items.Count(); ++i) {
    const QString item = items.List()[i];
    if (!item.startsWith(typed, Qt::CaseInsensitive)) continue;
    TSeCustomEdit::SetText(item);
    SetSelLength(0);
    SetCaretIndex(static_cast<int>(item.size()));
    SetSelStart(static_cast<int>(typed.size()));
    SetSelLength(static_cast<int>(item.size() - typed.size()));
    break;
  }
  busy_ = false;
}

// ---- input ----

void TSeCustomComboBox::KeyDown(int& key, TShiftState shift) {
  TSeCustomEdit::KeyDown(key, shift);
  if (key == 0) return;
  const int qt = QtKeyFromVirtualKey(key);
  if (qt == Qt::Key_Down && (shift & ssAlt)) {
    DropDown();
    return;
  }
  const int count = list_ ? list_->Items()->Count() : 0;
  bool moved = true;
  switch (qt) {
    case Qt::Key_Up: SetItemIndex(item_index_ - 1); break;
    case Qt::Key_Down: SetItemIndex(item_index_ + 1); break;
    case Qt::Key_PageUp:
      if (style_ == kcsDropDownList) SetItemIndex(item_index_ - 3);
      break;
    case Qt::Key_PageDown:
      if (style_ == kcsDropDownList) SetItemIndex(item_index_ + 3);
      break;
    case Qt::Key_Home:
      if (style_ == kcsDropDownList) SetItemIndex(0);
      break;
    case Qt::Key_End:
      if (style_ == kcsDropDownList) SetItemIndex(count - 1);
      break;
    default: moved = false; break;
  }
  if (moved && item_index_ < 0 && count > 0) SetItemIndex(0);
}

void TSeCustomComboBox::UpdateCursor(int x, int y) {
  const bool arrow = style_ == kcsDropDownList || PtInRect(GetButtonRect(), {x, y});
  setCursor(arrow ? Qt::ArrowCursor : Qt::IBeamCursor);
}

void TSeCustomComboBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (PtInRect(GetButtonRect(), {x, y})) {
    if (CanFocus() && !hasFocus()) SetFocus();
    if (button == mbLeft) {
      button_pressed_ = true;
      Invalidate();
      DropDown();
    }
    return;
  }
  TSeCustomEdit::MouseDown(button, shift, x, y);
  if (style_ == kcsDropDownList && button != mbRight) DropDown();
}

void TSeCustomComboBox::MouseMove(TShiftState shift, int x, int y) {
  TSeCustomEdit::MouseMove(shift, x, y);
  const bool hot = PtInRect(GetButtonRect(), {x, y});
  if (hot != button_hot_) {
    button_hot_ = hot;
    Invalidate();
  }
  UpdateCursor(x, y);
}

void TSeCustomComboBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TSeCustomEdit::MouseUp(button, shift, x, y);
  if (button_pressed_ && !DroppedDown()) {
    button_pressed_ = false;
    Invalidate();
  }
}

void TSeCustomComboBox::MouseLeave() {
  TSeCustomEdit::MouseLeave();
  if (button_hot_) {
    button_hot_ = false;
    Invalidate();
  }
}

void TSeCustomComboBox::FocusEnter() {
  TSeCustomEdit::FocusEnter();
  if (style_ == kcsDropDownList) HideCaret();
  Invalidate();
}

void TSeCustomComboBox::FocusExit() {
  TSeCustomEdit::FocusExit();
  Invalidate();
}

void TSeCustomComboBox::contextMenuEvent(QContextMenuEvent* event) {
  if (style_ == kcsDropDownList) {
    event->accept();
    return;
  }
  TSeCustomEdit::contextMenuEvent(event);
}

void TSeCustomComboBox::wheelEvent(QWheelEvent* event) {
  // A notch is one item.
  const int delta = event->angleDelta().y();
  event->accept();
  if (delta == 0) return;
  const int d = se::WheelLines(wheel_rest_, delta, 1);
  if (d == 0) return;
  const int count = list_ ? list_->Items()->Count() : 0;
  if (count == 0) return;
  SetItemIndex(std::max(0, item_index_ - d));
  Invalidate();
}
