#include "platform/gui/Forms.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>

#include "platform/gui/Application.h"

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner, Qt::Window) {
  visible_ = false;
  parent_color_ = false;
  parent_font_ = false;
  SetOpaqueBackground(true);
  ApplyWindowFlags();
}

TCustomForm::~TCustomForm() {
  if (modal_loop_) modal_loop_->quit();
  if (Application().MainForm() == this) Application().SetMainForm(nullptr);
  // Owned parts go while this is still a whole form: those that sit in it
  // (or in a sibling that lays itself out again as they leave) still call on
  // their parent.
  MarkDestroying();
  DestroyComponents();
}

void TCustomForm::Init() {
  TWinControl::Init();
  DoCreate();
}

void TCustomForm::DoCreate() {
  if (OnCreate) CallGuarded(this, [&] { OnCreate(this); });
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& action) {
  if (OnClose) OnClose(this, action);
}

bool TCustomForm::CloseQuery() {
  bool can_close = true;
  if (OnCloseQuery) OnCloseQuery(this, can_close);
  return can_close;
}

void TCustomForm::Close() {
  if (closing_) return;
  if (Modal()) {
    // The modal loop runs the close protocol once it sees the result.
    SetModalResult(mrCancel);
    return;
  }
  closing_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{closing_};
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  const bool main = Application().MainForm() == this;
  switch (action) {
    case caHide:
      Hide();
      break;
    case caMinimize:
      SetWindowState(wsMinimized);
      break;
    case caFree:
      Release();
      break;
    default:
      break;
  }
  if (main && action != caMinimize) Application().Terminate();
}

void TCustomForm::Release() { deleteLater(); }

void TCustomForm::SetNonClientInsets(const TRect& insets) {
  if (insets == insets_) return;
  const int dx = insets.Left - insets_.Left;
  const int dy = insets.Top - insets_.Top;
  insets_ = insets;
  client_offset_ = {insets.Left, insets.Top};
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (c->Align() == alNone) c->move(c->x() + dx, c->y() + dy);
  }
  Realign();
}

TRect TCustomForm::ClientRect() const {
  return Rect(0, 0, std::max(0, Width() - insets_.Left - insets_.Right),
              std::max(0, Height() - insets_.Top - insets_.Bottom));
}

void TCustomForm::SetModalResult(TModalResult result) {
  modal_result_ = result;
  if (modal_loop_ && result != mrNone) modal_loop_->quit();
}

TModalResult TCustomForm::ShowModal() {
  if (Modal() || Showing()) throw Exception("Cannot make a visible window modal");
  modal_result_ = mrNone;
  setWindowModality(Qt::ApplicationModal);
  QPointer<TCustomForm> self(this);
  QEventLoop loop;
  modal_loop_ = &loop;
  Show();
  TCloseAction action = caHide;
  for (;;) {
    if (modal_result_ == mrNone) Application().RunLoop(loop);
    if (!self) return mrCancel;
    if (modal_result_ == mrNone) {
      if (!Application().Terminated() && isVisible()) continue;
      modal_result_ = mrCancel;  // ended from outside: the program quit or the form was hidden
      break;
    }
    // A result ends the loop only when the form agrees to close.
    if (!CloseQuery()) {
      modal_result_ = mrNone;
      if (Application().Terminated()) break;
      continue;
    }
    action = caHide;
    DoClose(action);
    if (action != caNone) break;
    modal_result_ = mrNone;
  }
  modal_loop_ = nullptr;
  Hide();
  setWindowModality(Qt::NonModal);
  if (action == caFree) Release();
  if (modal_result_ == mrNone) modal_result_ = mrCancel;
  return modal_result_;
}

void TCustomForm::ApplyWindowFlags() {
  Qt::WindowFlags flags;
  switch (border_style_) {
    case bsNone:
      flags = Qt::Window | Qt::FramelessWindowHint;
      break;
    case bsDialog:
      flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
      break;
    case bsToolWindow:
    case bsSizeToolWin:
      flags = Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
      break;
    case bsSingle:
    case bsSizeable:
      flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
      break;
  }
  if (border_style_ != bsNone) {
    if (border_icons_ & biSystemMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    const bool dialog =
        border_style_ == bsDialog || border_style_ == bsToolWindow || border_style_ == bsSizeToolWin;
    if (!dialog && (border_icons_ & biSystemMenu)) {
      if (border_icons_ & biMinimize) flags |= Qt::WindowMinimizeButtonHint;
      if (border_icons_ & biMaximize) flags |= Qt::WindowMaximizeButtonHint;
    }
    if (border_icons_ & biHelp) flags |= Qt::WindowContextHelpButtonHint;
    if (border_style_ == bsSingle || border_style_ == bsDialog || border_style_ == bsToolWindow)
      flags |= Qt::MSWindowsFixedSizeDialogHint;
  }
  if (form_style_ == fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
  const bool shown = isVisible();
  setWindowFlags(flags);
  // Changing the flags hides a window; put it back.
  if (shown) QWidget::show();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == border_style_) return;
  border_style_ = style;
  ApplyWindowFlags();
}

void TCustomForm::SetBorderIcons(TBorderIcons icons) {
  if (icons == border_icons_) return;
  border_icons_ = icons;
  ApplyWindowFlags();
}

void TCustomForm::SetFormStyle(TFormStyle style) {
  if (style == form_style_) return;
  form_style_ = style;
  ApplyWindowFlags();
}

void TCustomForm::SetPosition(TPosition position) {
  position_ = position;
  positioned_ = false;
  if (isVisible()) ApplyPosition();
}

void TCustomForm::ApplyPosition() {
  positioned_ = true;
  QRect area;
  const TCustomForm* centre_on = nullptr;
  switch (position_) {
    case poScreenCenter:
    case poDesktopCenter:
      break;
    case poMainFormCenter:
      centre_on = Application().MainForm();
      break;
    case poOwnerFormCenter:
      centre_on = dynamic_cast<const TCustomForm*>(Owner());
      if (!centre_on) centre_on = Application().MainForm();
      break;
    default:
      return;
  }
  if (centre_on && centre_on != this && centre_on->isVisible()) {
    area = centre_on->frameGeometry();
  } else {
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    area = screen->availableGeometry();
  }
  move(area.x() + (area.width() - Width()) / 2, area.y() + (area.height() - Height()) / 2);
}

TWindowState TCustomForm::WindowState() const {
  const Qt::WindowStates state = windowState();
  if (state & Qt::WindowMinimized) return wsMinimized;
  if (state & Qt::WindowMaximized) return wsMaximized;
  return wsNormal;
}

void TCustomForm::SetWindowState(TWindowState state) {
  Qt::WindowStates qt = windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
  if (state == wsMinimized) qt |= Qt::WindowMinimized;
  if (state == wsMaximized) qt |= Qt::WindowMaximized;
  setWindowState(qt);
}

TWinControl* TCustomForm::ActiveControl() const {
  if (QWidget* focus = focusWidget())
    if (auto* control = dynamic_cast<TWinControl*>(focus)) return control;
  return active_control_;
}

void TCustomForm::SetActiveControl(TWinControl* control) {
  active_control_ = control;
  if (control && isVisible() && control->CanFocus()) control->SetFocus();
}

void TCustomForm::TextChanged() {
  setWindowTitle(Caption());
  TWinControl::TextChanged();
}

bool TCustomForm::event(QEvent* event) {
  try {
    switch (event->type()) {
      case QEvent::WindowActivate:
        if (OnActivate) OnActivate(this);
        break;
      case QEvent::WindowDeactivate:
        if (OnDeactivate) OnDeactivate(this);
        break;
      default:
        break;
    }
  } catch (...) {
    Application().HandleException(this);
  }
  return TWinControl::event(event);
}

void TCustomForm::showEvent(QShowEvent* event) {
  TWinControl::showEvent(event);
  if (event->spontaneous()) return;
  if (!positioned_) ApplyPosition();
  if (active_control_ && active_control_->CanFocus()) active_control_->setFocus();
  CallGuarded(this, [&] { DoShow(); });
}

void TCustomForm::hideEvent(QHideEvent* event) {
  TWinControl::hideEvent(event);
  if (event->spontaneous()) return;
  CallGuarded(this, [&] { DoHide(); });
  if (modal_loop_ && modal_result_ == mrNone) modal_loop_->quit();
}

void TCustomForm::closeEvent(QCloseEvent* event) {
  // The window manager's close button: run our protocol instead of Qt's.
  event->ignore();
  CallGuarded(this, [&] { Close(); });
}
