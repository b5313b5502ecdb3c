#include "skin/se_popupmenu.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <algorithm>

#include "platform/gui/Application.h"
#include "skin/se_drawing.h"

namespace {

constexpr int kPopupBorder = 3;

TSeCustomPopupMenu*& ActiveSlot() {
  static TSeCustomPopupMenu* active = nullptr;
  return active;
}

// The bounds of the screen that holds the point.
TRect ScreenAreaAt(int x, int y) {
  QScreen* screen = QGuiApplication::screenAt(QPoint(x, y));
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return Rect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  const QRect g = screen->geometry();
  return Bounds(g.x(), g.y(), g.width(), g.height());
}

}  // namespace

namespace se {
TSeCustomPopupMenu* ActivePopupMenu() { return ActiveSlot(); }
}  // namespace se

// ---- TSePopupForm ---------------------------------------------------------

TSePopupForm::TSePopupForm(TComponent* owner) : TSeCustomForm(owner) {
  SetBorderIcons(0);
  SetBorderStyle(kbsNone);
  Dragging()->SetSizeable(false);
  Dragging()->SetMoveable(false);
  Gravitation()->SetEnabled(false);
  SetMinimizeApplication(false);
}

TRect TSePopupForm::ClientInsets() { return Rect(kPopupBorder, kPopupBorder, kPopupBorder, kPopupBorder); }

TRect TSePopupForm::GetClientArea() {
  const TRect in = ClientInsets();
  return Rect(in.Left, in.Top, FrameWidth() - in.Right, FrameHeight() - in.Bottom);
}

TPoint TSePopupForm::GetMinSize() { return {10, 10}; }

void TSePopupForm::PaintNonClient(TCanvas& canvas) {
  auto* window = dynamic_cast<TSePopupWindow*>(Form());
  if (!window || !window->View() || !window->View()->Items()) return;
  TRect r = Rect(0, 0, FrameWidth(), FrameHeight());
  se::DrawBevelRect(canvas, r, clBtnFace, clBlack);
  r = se::GrowRect(r, -1);
  se::DrawBevelRect(canvas, r, clBtnHighlight, clBtnShadow);
  r = se::GrowRect(r, -1);
  se::DrawFrameRect(canvas, r, clMenu);
}

void TSePopupForm::PaintBackground(TCanvas& canvas) {
  const TRect c = GetClientBounds();
  se::FillRectColor(canvas, c, clMenu);
  auto* window = dynamic_cast<TSePopupWindow*>(Form());
  if (window && window->View()) window->View()->PaintItems(canvas);
}

// ---- TSePopupView ---------------------------------------------------------

TSePopupView::TSePopupView(TSePopupWindow* window) : TSeItemView(false, false), popup_(window) {}

TRect TSePopupView::Insets() const {
  TSePopupForm* frame = popup_->PopupForm();
  return frame ? frame->ClientInsets() : Rect(kPopupBorder, kPopupBorder, kPopupBorder, kPopupBorder);
}

TPoint TSePopupView::ScreenToView(const QPoint& p) const {
  // Item rectangles are in client coordinates, inside the border.
  const TRect in = Insets();
  return {p.x() - popup_->x() - in.Left, p.y() - popup_->y() - in.Top};
}

void TSePopupView::SetViewSize(const TPoint& size) {
  const TRect in = Insets();
  int w = size.X + in.Left + in.Right;
  int h = size.Y + in.Top + in.Bottom;
  if (TSePopupForm* frame = popup_->PopupForm(); frame && frame->Shadow()->Enabled()) {
    w += frame->Shadow()->Size();
    h += frame->Shadow()->Size();
  }
  popup_->setGeometry(popup_->x(), popup_->y(), w, h);
}

void TSePopupView::MoveView(const TPoint& point) { popup_->move(point.X, point.Y); }

void TSePopupView::InvalidateView() { popup_->update(); }

void TSePopupView::InvalidateItem(TSeCustomItem* item) {
  const TRect r = item->ItemRect();
  const TRect in = Insets();
  popup_->update(QRect(r.Left + in.Left, r.Top + in.Top, r.Width(), r.Height()));
}

void TSePopupView::InvalidateScrollButton(int which) {
  const TRect r = GetScrollButtonRect(which);
  const TRect in = Insets();
  popup_->update(QRect(r.Left + in.Left, r.Top + in.Top, r.Width(), r.Height()));
}

// ---- TSePopupWindow -------------------------------------------------------

TSePopupWindow::TSePopupWindow(TComponent* owner) : TCustomForm(owner) {}

TSePopupWindow::~TSePopupWindow() {
  // The view goes first: the frame paints through it.
  view_.reset();
}

TSePopupForm* TSePopupWindow::CreatePopupForm() { return Create<TSePopupForm>(this); }

TSePopupWindow* TSePopupWindow::CreatePopup(TComponent* owner, TSeCustomItem* item, TSeItemView* parentView) {
  auto* window = new TSePopupWindow(owner);
  window->Init();
  window->Setup(item, parentView);
  return window;
}

void TSePopupWindow::Setup(TSeCustomItem* item, TSeItemView* parentView) {
  view_ = std::make_unique<TSePopupView>(this);
  view_->SetItems(item);
  view_->SetParentView(parentView);
  view_->SetWindow(this);
  view_->SetOwnerControl(this);
  popup_form_ = CreatePopupForm();
  popup_form_->SetStayOnTop(true);
  if (TSePopupMenuOptions* options = item->PopupOptions()) {
    popup_form_->Blending()->Assign(*options->Blending());
    popup_form_->Shadow()->Assign(*options->Shadow());
  }
  // Shown without taking the focus, above everything, never managed.
  setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  setAttribute(Qt::WA_ShowWithoutActivating);
  SetColor(clMenu);
  setCursor(Qt::ArrowCursor);
}

void TSePopupWindow::PlaceAt(int x, int y, const TRect& exclude, TSeItemView* parentView) {
  move(x, y);
  view_->UpdateLayout();
  const int w = width();
  const int h = height();
  const TRect work = exclude.Width() > 0 ? ScreenAreaAt(exclude.Left, exclude.Top) : ScreenAreaAt(x, y);
  int left = x;
  int top = y;
  if (exclude.Width() > 0) {
    if (parentView && parentView->IsMenuBar()) {
      left = exclude.Left;
      top = exclude.Bottom;
      if (left + w > work.Right) left = exclude.Right - w;
      if (top + h > work.Bottom) {
        top = exclude.Top - h;
        if (top < work.Top) top = work.Top;
      }
    } else {
      left = exclude.Right;
      top = exclude.Top;
      if (left + w > work.Right) left = exclude.Left - w;
      if (top + h > work.Bottom) top = exclude.Bottom - h;
    }
    if (left + w > work.Right) left = work.Right - w;
    if (top + h > work.Bottom) top = work.Bottom - h;
  } else {
    if (left + w > work.Right) left = x - w;
    if (top + h > work.Bottom) top = y - h;
  }
  move(left, top);
}

void TSePopupWindow::ShowPopup() {
  show();
  if (view_ && view_->Items() && view_->Items()->ForegroundPopup()) raise();
}

// ---- TSeCustomPopupMenu ---------------------------------------------------

TSeCustomPopupMenu::TSeCustomPopupMenu(TComponent* owner)
    : TPopupMenu(owner), options_(std::make_unique<TSePopupMenuOptions>()) {
  items_.reset(CreateRootItem());
  items_->SetParentComponent(this);
  items_->SetPopupOptions(options_.get());
}

TSeCustomPopupMenu::~TSeCustomPopupMenu() {
  if (ActiveSlot() == this) {
    se::CancelAllMenus();
    ActiveSlot() = nullptr;
  }
  items_->SetPopupOptions(nullptr);
}

TSeCustomItem* TSeCustomPopupMenu::CreateRootItem() { return new TSeCustomItem(nullptr); }

void TSeCustomPopupMenu::ReplaceRootItem(TSeCustomItem* item) {
  items_.reset(item);
  items_->SetParentComponent(this);
  items_->SetPopupOptions(options_.get());
}

void TSeCustomPopupMenu::SetPopupMenuOptions(const TSePopupMenuOptions& value) {
  options_->Assign(value);
  items_->SetPopupOptions(options_.get());
}

void TSeCustomPopupMenu::ClosePopup() {
  if (running_) se::CancelAllMenus();
}

void TSeCustomPopupMenu::Popup(int x, int y) {
  if (TSeCustomPopupMenu* other = ActiveSlot(); other && other != this) {
    other->ClosePopup();
    Application().ProcessMessages();
  }
  if (running_) return;
  ActiveSlot() = this;
  running_ = true;
  items_->SetPopupOptions(options_.get());
  if (auto* owner = dynamic_cast<TWinControl*>(Owner())) items_->SetOwnerWindow(owner);
  items_->SetAnimatePending(true);
  items_->SetAnimateOnce(true);
  std::weak_ptr<int> alive = items_->AliveToken();
  if (OnPopup) OnPopup(this);
  if (alive.expired()) return;
  items_->Popup(nullptr, x, y, TRect{});
  if (alive.expired()) return;
  running_ = false;
  if (ActiveSlot() == this) ActiveSlot() = nullptr;
}
