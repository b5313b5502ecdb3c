#include "platform/gui/Forms.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>

#include "platform/gui/Application.h"

// ---- The MDI client area --------------------------------------------------

// Fills the MDI parent's client area under its children. While it exists it
// watches the program's presses and focus changes for the ones that land in
// one of its children, which activate that child.
class TMDIClient : public TWinControl {
 public:
  explicit TMDIClient(TCustomForm* form) : TWinControl(form), form_(form) {
    SetOpaqueBackground(true);
    SetColor(clAppWorkSpace);
    SetAlign(alClient);
    SetParent(form);
    qApp->installEventFilter(this);
  }
  ~TMDIClient() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::FocusIn)
      return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget == this || !isAncestorOf(widget)) return false;
    while (widget->parentWidget() != this) widget = widget->parentWidget();
    auto* child = dynamic_cast<TCustomForm*>(widget);
    if (child && child->MDIParent() == form_ && form_->ActiveMDIChild() != child)
      CallGuarded(form_, [&] { form_->SetActiveMDIChild(child); });
    return false;
  }
  void Resize() override {
    TWinControl::Resize();
    for (int i = 0; i < form_->MDIChildCount(); ++i)
      if (TCustomForm* child = form_->MDIChildren(i); child->mdi_state_ != wsNormal) child->PlaceMDIChild();
  }

 private:
  TCustomForm* form_;
};

QEvent::Type TMDIActivateEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

// ---- TCustomForm ----------------------------------------------------------

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner, Qt::Window) {
  visible_ = false;
  parent_color_ = false;
  parent_font_ = false;
  SetOpaqueBackground(true);
  ApplyWindowFlags();
}

TCustomForm::~TCustomForm() {
  if (modal_loop_) modal_loop_->quit();
  // A child going away hands activation on; a parent going away has no say.
  if (TCustomForm* parent = mdi_parent_; parent && !parent->Destroying() && parent->active_mdi_child_ == this) {
    parent->active_mdi_child_ = nullptr;
    parent->SetActiveMDIChild(parent->NextMDIChild(this));
  }
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

bool TCustomForm::QueryClose(TCloseAction& action) {
  if (!CloseQuery()) return false;
  DoClose(action);
  return true;
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
  TCloseAction action = caHide;
  if (form_style_ == fsMDIChild) action = (border_icons_ & biMinimize) ? caMinimize : caNone;
  if (!QueryClose(action) || action == caNone) return;
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
  // An MDI child is a child window: the window system gives it no frame.
  if (mdi_parent_) return;
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
  if (mdi_parent_ || mdi_client_) throw EComponentError("The MDI style of a form cannot change");
  if (style == fsMDIChild) {
    BecomeMDIChild();
    form_style_ = style;
    return;
  }
  form_style_ = style;
  if (style == fsMDIForm) mdi_client_ = new TMDIClient(this);
  ApplyWindowFlags();
}

void TCustomForm::BecomeMDIChild() {
  auto* parent = dynamic_cast<TCustomForm*>(Owner());
  if (!parent || !parent->mdi_client_) parent = Application().MainForm();
  if (!parent || !parent->mdi_client_ || parent == this)
    throw EComponentError("An MDI child form needs an MDI parent form");
  mdi_parent_ = parent;
  SetParent(parent->mdi_client_);
}

bool TCustomForm::Active() const {
  if (mdi_parent_) return mdi_parent_->active_mdi_child_ == this;
  return isActiveWindow();
}

int TCustomForm::MDIChildCount() const {
  int count = 0;
  if (mdi_client_)
    for (QObject* o : mdi_client_->children())
      if (auto* child = dynamic_cast<TCustomForm*>(o); child && child->mdi_parent_ == this) ++count;
  return count;
}

TCustomForm* TCustomForm::MDIChildren(int index) const {
  // Qt keeps siblings bottom to top.
  if (mdi_client_) {
    const QObjectList& list = mdi_client_->children();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
      if (auto* child = dynamic_cast<TCustomForm*>(*it); child && child->mdi_parent_ == this && index-- == 0)
        return child;
  }
  throw EComponentError("MDI child index out of range");
}

TCustomForm* TCustomForm::NextMDIChild(const TCustomForm* except) const {
  for (int i = 0; i < MDIChildCount(); ++i)
    if (TCustomForm* child = MDIChildren(i); child != except && child->isVisible()) return child;
  return nullptr;
}

void TCustomForm::SetActiveMDIChild(TCustomForm* child) {
  if (child && child->mdi_parent_ != this) throw EComponentError("Not an MDI child of this form");
  if (child) child->raise();
  TCustomForm* old = active_mdi_child_;
  if (child == old) return;
  active_mdi_child_ = child;
  QPointer<TCustomForm> was(old), now(child);
  TMDIActivateEvent event(old, child);
  if (was) {
    QCoreApplication::sendEvent(was, &event);
    if (was && was->OnDeactivate) was->OnDeactivate(was);
  }
  if (now) {
    QCoreApplication::sendEvent(now, &event);
    if (now && now->active_control_ && now->active_control_->CanFocus()) now->active_control_->setFocus();
    if (now && now->OnActivate) now->OnActivate(now);
  }
}

void TCustomForm::PlaceMDIChild() {
  auto* client = mdi_parent_ ? mdi_parent_->mdi_client_ : nullptr;
  if (!client) return;
  switch (mdi_state_) {
    case wsMaximized:
      setGeometry(0, 0, client->width(), client->height());
      break;
    case wsMinimized: {
      const int h = GetSystemMetrics(SM_CYMINIMIZED);
      setGeometry(0, client->height() - h, GetSystemMetrics(SM_CXMINIMIZED), h);
      break;
    }
    case wsNormal:
      if (!mdi_normal_bounds_.IsEmpty()) SetBoundsRect(mdi_normal_bounds_);
      break;
  }
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
  if (mdi_parent_) {
    // An MDI child centres in its parent's client area.
    const QWidget* client = mdi_parent_->mdi_client_;
    move((client->width() - Width()) / 2, (client->height() - Height()) / 2);
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
  if (mdi_parent_) return mdi_state_;
  const Qt::WindowStates state = windowState();
  if (state & Qt::WindowMinimized) return wsMinimized;
  if (state & Qt::WindowMaximized) return wsMaximized;
  return wsNormal;
}

void TCustomForm::SetWindowState(TWindowState state) {
  if (mdi_parent_) {
    if (state == mdi_state_) return;
    if (mdi_state_ == wsNormal) mdi_normal_bounds_ = BoundsRect();
    mdi_state_ = state;
    PlaceMDIChild();
    return;
  }
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
      // An MDI child hears of its own activation, not of its window's.
      case QEvent::WindowActivate:
        if (OnActivate && !mdi_parent_) OnActivate(this);
        break;
      case QEvent::WindowDeactivate:
        if (OnDeactivate && !mdi_parent_) OnDeactivate(this);
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
  if (mdi_parent_) CallGuarded(this, [&] { mdi_parent_->SetActiveMDIChild(this); });
  CallGuarded(this, [&] { DoShow(); });
}

void TCustomForm::hideEvent(QHideEvent* event) {
  TWinControl::hideEvent(event);
  if (event->spontaneous()) return;
  if (TCustomForm* parent = mdi_parent_; parent && parent->active_mdi_child_ == this)
    CallGuarded(this, [&] { parent->SetActiveMDIChild(parent->NextMDIChild(this)); });
  CallGuarded(this, [&] { DoHide(); });
  if (modal_loop_ && modal_result_ == mrNone) modal_loop_->quit();
}

void TCustomForm::closeEvent(QCloseEvent* event) {
  // The window manager's close button: run our protocol instead of Qt's.
  event->ignore();
  CallGuarded(this, [&] { Close(); });
}
