#include "skin/se_form.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <utility>
#include <vector>

#include "platform/gui/Application.h"
#include "platform/gui/DrawText.h"
#include "platform/gui/Icon.h"
#include "platform/gui/Menus.h"
#include "platform/gui/Painters.h"
#include "platform/gui/Tray.h"
#include "skin/se_const.h"
#include "skin/se_controls.h"
#include "skin/se_drawing.h"
#include "skin/se_animation.h"
#include "skin/se_menubar.h"
#include "skin/se_menus.h"
#include "skin/se_popupmenu.h"

#include <xcb/xcb.h>
#include <dlfcn.h>

namespace se {

bool CompositorRunning() {
  // A compositing manager owns the selection _NET_WM_CM_S<screen>. The xcb
  // library is the one the platform plugin loaded; without it (another
  // platform) there is no compositor to use.
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return false;
  auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* c = x11 ? x11->connection() : nullptr;
  if (!c) return false;
  void* lib = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_NOLOAD);
  if (!lib) return false;
  using InternAtom = xcb_intern_atom_cookie_t (*)(xcb_connection_t*, uint8_t, uint16_t, const char*);
  using InternAtomReply = xcb_intern_atom_reply_t* (*)(xcb_connection_t*, xcb_intern_atom_cookie_t, xcb_generic_error_t**);
  using GetOwner = xcb_get_selection_owner_cookie_t (*)(xcb_connection_t*, xcb_atom_t);
  using GetOwnerReply =
      xcb_get_selection_owner_reply_t* (*)(xcb_connection_t*, xcb_get_selection_owner_cookie_t, xcb_generic_error_t**);
  auto internAtom = reinterpret_cast<InternAtom>(dlsym(lib, "xcb_intern_atom"));
  auto internAtomReply = reinterpret_cast<InternAtomReply>(dlsym(lib, "xcb_intern_atom_reply"));
  auto getOwner = reinterpret_cast<GetOwner>(dlsym(lib, "xcb_get_selection_owner"));
  auto getOwnerReply = reinterpret_cast<GetOwnerReply>(dlsym(lib, "xcb_get_selection_owner_reply"));
  bool running = false;
  if (internAtom && internAtomReply && getOwner && getOwnerReply) {
    const QByteArray name = "_NET_WM_CM_S0";
    if (xcb_intern_atom_reply_t* atom =
            internAtomReply(c, internAtom(c, 1, std::uint16_t(name.size()), name.constData()), nullptr)) {
      const xcb_atom_t a = atom->atom;
      free(atom);
      if (a != XCB_ATOM_NONE) {
        xcb_get_selection_owner_reply_t* owner = getOwnerReply(c, getOwner(c, a), nullptr);
        running = owner && owner->owner != XCB_WINDOW_NONE;
        free(owner);
      }
    }
  }
  dlclose(lib);
  return running;
}

TSeCustomForm* FindFormHook(TControl* control) {
  if (!control) return nullptr;
  TControl* top = control;
  while (!dynamic_cast<TCustomForm*>(top) && top->Parent()) top = top->Parent();
  auto* form = dynamic_cast<TCustomForm*>(top);
  if (!form) return nullptr;
  for (int i = 0; i < form->ComponentCount(); ++i)
    if (auto* frame = dynamic_cast<TSeCustomForm*>(form->Components(i)); frame && frame->Active()) return frame;
  return nullptr;
}

}  // namespace se

namespace {

// The shadow's grey at full strength, and its fade toward the outer edge.
constexpr TSeArgb kShadowColor = 0x803F3F3F;
constexpr std::uint8_t kShadowAlpha[4] = {8, 58, 108, 128};

// An outline drawn while a window is dragged in outline mode: a ring-shaped
// window above everything.
class DragOutline : public QWidget {
 public:
  DragOutline()
      : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                             Qt::WindowTransparentForInput) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setAutoFillBackground(true);
  }
  void Place(const TRect& r) {
    if (r.IsEmpty()) {
      hide();
      return;
    }
    setGeometry(r.Left, r.Top, r.Width(), r.Height());
    QRegion ring(0, 0, r.Width(), r.Height());
    ring -= QRegion(2, 2, std::max(0, r.Width() - 4), std::max(0, r.Height() - 4));
    setMask(ring);
    show();
  }
};

// Watches an MDI parent's client area for its frame: the frame paints its
// background there and keeps a maximized child filling it.
class MDIClientWatch : public QObject {
 public:
  MDIClientWatch(QWidget* client, std::function<void(QWidget*)> paint, std::function<void()> resized)
      : QObject(client), paint_(std::move(paint)), resized_(std::move(resized)) {
    client->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      paint_(static_cast<QWidget*>(watched));
      return true;
    }
    if (event->type() == QEvent::Resize) resized_();
    return false;
  }

 private:
  std::function<void(QWidget*)> paint_;
  std::function<void()> resized_;
};

const char* const kMDICaptionEnding = "seMDICaptionEnding";

// Gives the MDI parent's caption a new ending, cutting the one set last
// (only while the caption still ends with it: a caption the program set
// meanwhile is its own).
void SetMDIParentCaptionEnding(TCustomForm* parent, const QString& ending) {
  QString text = parent->Caption();
  const QString old = parent->property(kMDICaptionEnding).toString();
  if (!old.isEmpty() && text.endsWith(old)) text.chop(old.size());
  parent->setProperty(kMDICaptionEnding, ending);
  parent->SetCaption(text + ending);
}

QFont CaptionFont(TFont& font, bool small) {
  font.SetName("DejaVu Sans");
  font.SetHeight(small ? -11 : -12);
  font.SetStyle(fsBold);
  return {};
}

}  // namespace

// ---------------------------------------------------------------------------

TSeCustomForm::TSeCustomForm(TComponent* owner)
    : TSeHook(owner),
      blending_(std::make_unique<TSeBlending>()),
      shadow_(std::make_unique<TSeShadow>()),
      gravitation_(std::make_unique<TSeGravitation>()),
      dragging_(std::make_unique<TSeDragging>()),
      animation_(std::make_unique<TSeAnimation>()),
      system_menu_options_(std::make_unique<TSePopupMenuOptions>()),
      tray_menu_options_(std::make_unique<TSePopupMenuOptions>()) {
  blending_->OnChange = [this](TSeBlending*) {
    if (!Loading()) UpdateFrame();
  };
  shadow_->OnChange = [this](TSeShadow*) {
    if (!Loading()) UpdateFrame();
  };
  if (auto* form = dynamic_cast<TCustomForm*>(owner)) {
    caption_ = form->Caption();
    if (form->FormStyle() == fsMDIChild) {
      minimize_application_ = false;
      gravitation_->SetSize(9);
      border_icons_ &= ~kbiTray;
    }
  }
}

TSeCustomForm::~TSeCustomForm() {
  MarkDestroying();
  if (mdi_client_watch_) delete mdi_client_watch_.data();
  // A maximized child going away takes its buttons and caption ending with it.
  if (TCustomForm* parent = mdi_parent_; parent && !parent->Destroying()) {
    TSeCustomForm* parentFrame = se::FindFormHook(parent);
    TSeCustomMenuBar* bar = parentFrame ? parentFrame->MenuBar() : nullptr;
    if (bar && bar->MDIChildForm() == this) bar->HideMDIButtons();
    if (window_state_ == kwsMaximized) SetMDIParentCaptionEnding(parent, {});
  }
  if (outline_window_) delete outline_window_.data();
  ShowTrayIcon(false);
  SetControl(nullptr);
}

void TSeCustomForm::Init() {
  TSeHook::Init();
  if (!Loading()) Attach();
}

void TSeCustomForm::Loaded() {
  TSeHook::Loaded();
  Attach();
}

void TSeCustomForm::Attach() {
  auto* form = dynamic_cast<TCustomForm*>(Owner());
  if (!form || attached_ || Designing()) return;
  attached_ = true;
  if (caption_.isEmpty()) caption_ = form->Caption();
  form->SetBorderStyle(bsNone);
  mdi_parent_ = form->MDIParent();
  // A child window is drawn by its parent's window: no compositor for it.
  composited_ = !mdi_parent_ && se::CompositorRunning();
  if (composited_ && !form->testAttribute(Qt::WA_WState_Created)) {
    form->setAttribute(Qt::WA_TranslucentBackground);
    form->setAutoFillBackground(false);
  }
  if (stay_on_top_ && !mdi_parent_ && !form->MDIClient()) form->SetFormStyle(fsStayOnTop);
  if (QWidget* client = form->MDIClient()) {
    std::weak_ptr<int> alive = alive_;
    mdi_client_watch_ = new MDIClientWatch(
        client,
        [this, alive](QWidget* w) {
          if (!alive.expired()) PaintMDIClient(w);
        },
        [this, alive] {
          if (!alive.expired()) FitMaximizedMDIChildren();
        });
  }
  SetControl(form);
  SizeChanged();
  if (loaded_window_state_ != kwsNormal) {
    // Applied once the form stands: the normal bounds are the designed ones.
    normal_bounds_ = form->BoundsRect();
    const TSeWindowState state = loaded_window_state_;
    std::weak_ptr<int> alive = alive_;
    QTimer::singleShot(0, form, [this, alive, state] {
      if (alive.expired()) return;
      switch (state) {
        case kwsMaximized: Maximize(); break;
        case kwsMinimized: Minimize(); break;
        case kwsRollup: Rollup(); break;
        case kwsTray: MinimizeToTray(); break;
        default: break;
      }
    });
  } else {
    UpdateFrame();
  }
  if (OnCreate) OnCreate(this);
}

void TSeCustomForm::Notification(TComponent* component, TOperation operation) {
  TSeHook::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (menu_bar_ && component == static_cast<TComponent*>(menu_bar_)) menu_bar_ = nullptr;
  if (component == system_menu_link_) system_menu_link_ = nullptr;
  if (component == tray_menu_link_) tray_menu_link_ = nullptr;
}

// ---- Properties -----------------------------------------------------------

void TSeCustomForm::SetBorderStyle(TSeBorderStyle value) {
  border_style_ = value;
  BorderStyleChanged();
}

void TSeCustomForm::BorderStyleChanged() {
  if (!Loading()) UpdateFrame();
}

void TSeCustomForm::SetBorderIcons(TSeBorderIcons value) {
  border_icons_ = value;
  if (!Loading()) UpdateFrame();
}

void TSeCustomForm::SetConstraints(const TSeSizeConstraints& value) {
  constraints_ = value;
  if (TCustomForm* form = Form()) {
    if (value.MinWidth > 0 && value.MinWidth > form->Width()) form->SetWidth(value.MinWidth);
    if (value.MinHeight > 0 && value.MinHeight > form->Height()) form->SetHeight(value.MinHeight);
  }
  if (!Loading()) UpdateFrame();
}

void TSeCustomForm::SetWindowState(TSeWindowState value) {
  if (value == window_state_) return;
  if (Loading() || !attached_) {
    loaded_window_state_ = value;
    return;
  }
  switch (value) {
    case kwsNormal: Restore(); break;
    case kwsMaximized: Maximize(); break;
    case kwsMinimized: Minimize(); break;
    case kwsRollup: Rollup(); break;
    case kwsTray: MinimizeToTray(); break;
  }
}

void TSeCustomForm::SetStayOnTop(bool value) {
  if (value == stay_on_top_) return;
  stay_on_top_ = value;
  if (TCustomForm* form = Form(); form && attached_ && form->FormStyle() != fsMDIChild && form->FormStyle() != fsMDIForm)
    form->SetFormStyle(value ? fsStayOnTop : fsNormal);
}

void TSeCustomForm::SetCaption(const QString& value) {
  if (value == caption_) return;
  caption_ = value;
  if (TCustomForm* form = Form()) {
    // The form's own text follows; our TextChanged hook then repaints.
    if (form->Caption() != value) form->SetCaption(value);
  }
  PaintFrame();
}

void TSeCustomForm::SetMenuBar(TSeCustomMenuBar* value) {
  menu_bar_ = value;
  // The bar is a widget first: only a real conversion finds its component.
  if (value) FreeNotification(static_cast<TComponent*>(value));
}

void TSeCustomForm::SetSystemMenuLink(TPopupMenu* value) {
  system_menu_link_ = value;
  if (value) FreeNotification(value);
}

void TSeCustomForm::SetTrayMenuLink(TPopupMenu* value) {
  tray_menu_link_ = value;
  if (value) FreeNotification(value);
}

// ---- Geometry -------------------------------------------------------------

TSeFrameLayout TSeCustomForm::Layout() const {
  TSeFrameLayout l;
  l.FrameWidth = frame_width_;
  l.FrameHeight = frame_height_;
  l.BorderStyle = border_style_;
  l.BorderIcons = border_icons_;
  l.WindowState = window_state_;
  return l;
}

TRect TSeCustomForm::GetClientArea() {
  if (MDIMaximized()) return Rect(0, 0, frame_width_, frame_height_);
  return se::FrameClientArea(Layout());
}

TRect TSeCustomForm::GetClientBounds() {
  const TRect c = GetClientArea();
  return Rect(0, 0, c.Width(), c.Height());
}

TRect TSeCustomForm::GetBorderIconRect(unsigned icon) { return se::FrameBorderIconRect(Layout(), icon); }

std::uint8_t TSeCustomForm::HitTest(int x, int y) {
  if (MDIMaximized()) return kfpClient;
  TRect grip;
  // A status bar's size grip sizes the window like its corner.
  if (TCustomForm* form = Form()) {
    for (int i = 0; i < form->ControlCount(); ++i) {
      TControl* c = form->Controls(i);
      if (!c->isVisible()) continue;
      const QVariant v = c->property("seSizeGrip");
      if (!v.isValid()) continue;
      const QRect r = v.toRect();
      const QPoint tl = c->mapTo(form, r.topLeft());
      grip = Bounds(tl.x(), tl.y(), r.width(), r.height());
      break;
    }
  }
  return se::FrameHitTest(Layout(), x, y, grip);
}

TRect TSeCustomForm::GetRollupRect() {
  // The caption and bottom border as the frame draws them now: a skinned
  // frame's parts are not the desktop's.
  TCustomForm* form = Form();
  const TRect c = GetClientArea();
  return Bounds(form ? form->Left() : 0, form ? form->Top() : 0, frame_width_, c.Top + frame_height_ - c.Bottom);
}

TRect TSeCustomForm::GetMinimizedRect() {
  const TRect work = GetWorkArea();
  const TRect c = GetClientArea();
  const int h = c.Top + frame_height_ - c.Bottom;
  return Rect(work.Left, work.Bottom - h, work.Left + GetSystemMetrics(SM_CXMINIMIZED), work.Bottom);
}

TRect TSeCustomForm::GetWorkArea() const {
  TCustomForm* form = Form();
  // An MDI child lives in its parent's client area.
  if (form && form->MDIParent() && form->parentWidget())
    return Rect(0, 0, form->parentWidget()->width(), form->parentWidget()->height());
  QScreen* screen = form ? form->screen() : QGuiApplication::primaryScreen();
  if (!screen) return Rect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  const QRect a = screen->availableGeometry();
  return Bounds(a.x(), a.y(), a.width(), a.height());
}

TRect TSeCustomForm::GetMaximizedRect() {
  // A maximized MDI child covers its parent's client area, frame and all.
  if (IsMDIChild()) return GetWorkArea();
  // The screen that holds the window, not the first one: a window on a
  // second monitor maximizes there.
  TRect area = GetWorkArea();
  if (stay_on_top_) {
    TCustomForm* form = Form();
    if (QScreen* screen = form ? form->screen() : QGuiApplication::primaryScreen()) {
      const QRect g = screen->geometry();
      area = Bounds(g.x(), g.y(), g.width(), g.height());
    }
  }
  return se::FrameMaximizedRect(Layout(), area);
}

TPoint TSeCustomForm::GetMaxSize() {
  const TRect m = GetMaximizedRect();
  TPoint size{m.Width(), m.Height()};
  if (constraints_.MaxWidth) size.X = constraints_.MaxWidth;
  if (constraints_.MaxHeight) size.Y = constraints_.MaxHeight;
  return size;
}

TPoint TSeCustomForm::GetMinSize() {
  TPoint size{150, 40};
  if (constraints_.MinWidth) size.X = constraints_.MinWidth;
  if (constraints_.MinHeight) size.Y = constraints_.MinHeight;
  return size;
}

TPoint TSeCustomForm::ScreenToWindow(const TPoint& p) const {
  // Our own record of where the window is: the window system may not have
  // confirmed the last move yet.
  TCustomForm* form = Form();
  if (!form) return p;
  if (form->MDIParent()) {
    const QPoint q = form->mapFromGlobal(QPoint(p.X, p.Y));
    return {q.x(), q.y()};
  }
  return {p.X - form->x(), p.Y - form->y()};
}

QRegion TSeCustomForm::CreateFormRegion() { return QRegion(0, 0, frame_width_, frame_height_); }

void TSeCustomForm::UpdateRegion() {
  TCustomForm* form = Form();
  if (!form) return;
  DisableFramePaint();
  QRegion r = CreateFormRegion();
  const int s = shadow_->Enabled() && window_state_ != kwsMaximized ? shadow_->Size() : 0;
  if (s > 0) r += CreateFormRegion().translated(s, s);
  if (r == QRegion(0, 0, form->width(), form->height()))
    form->clearMask();
  else
    form->setMask(r);
  EnableFramePaint();
  if (OnResize) OnResize(this);
}

void TSeCustomForm::SizeChanged() {
  TCustomForm* form = Form();
  if (!form) return;
  window_width_ = form->width();
  window_height_ = form->height();
  const int s = shadow_->Enabled() && window_state_ != kwsMaximized ? shadow_->Size() : 0;
  frame_width_ = std::max(0, window_width_ - s);
  frame_height_ = std::max(0, window_height_ - s);
  ApplyInsets();
  UpdateRegion();
}

void TSeCustomForm::ApplyInsets() {
  TCustomForm* form = Form();
  if (!form) return;
  const TRect c = GetClientArea();
  const TRect insets = Rect(c.Left, c.Top, window_width_ - c.Right, window_height_ - c.Bottom);
  form->SetNonClientInsets(insets);
}

void TSeCustomForm::UpdateFrame() { UpdateFrame(GetClientBounds()); }

void TSeCustomForm::UpdateFrame(const TRect& before) {
  TCustomForm* form = Form();
  if (!form || !attached_ || !Active()) return;
  capture_suspended_ = true;
  SizeChanged();
  const TRect now = GetClientBounds();
  // The client area keeps the size it was designed with.
  TRect coming = form->BoundsRect();
  if (before.Width() > 0 && (before.Width() != now.Width() || before.Height() != now.Height()))
    coming = Bounds(form->Left(), form->Top(), form->Width() + before.Width() - now.Width(),
                    form->Height() + before.Height() - now.Height());
  capture_suspended_ = false;
  // The screen is read before the window grows: once it has, the new
  // strips show the window itself (not yet painted), not what lies behind.
  if (form->isVisible()) {
    captured_rect_ = {};
    CaptureBackground(coming);
  }
  capture_suspended_ = true;
  if (coming != form->BoundsRect()) form->SetBounds(coming.Left, coming.Top, coming.Width(), coming.Height());
  SizeChanged();
  capture_suspended_ = false;
  if (composited_ && form->windowHandle())
    form->windowHandle()->setOpacity(blending_->Enabled() ? blending_->Value() / 255.0 : 1.0);
  form->update();
}

void TSeCustomForm::SetFormBounds(int left, int top, int width, int height) {
  SetFormRect(Bounds(left, top, width, height));
}

void TSeCustomForm::SetFormRect(const TRect& given) {
  TCustomForm* form = Form();
  if (!form) return;
  TRect r = given;
  // The size clamp the window system's resize would apply.
  const TPoint maxSize = GetMaxSize();
  const TPoint minSize = GetMinSize();
  int w = std::min(r.Width(), maxSize.X);
  int h = std::min(r.Height(), maxSize.Y);
  if (window_state_ != kwsRollup && window_state_ != kwsMinimized) {
    w = std::max(w, minSize.X);
    h = std::max(h, minSize.Y);
  }
  if (w != form->width() || h != form->height() || r.Left != form->x() || r.Top != form->y())
    CaptureBackground(Bounds(r.Left, r.Top, w, h));
  form->setGeometry(r.Left, r.Top, w, h);
  SizeChanged();
  form->repaint();
}

void TSeCustomForm::UpdateForm() {
  if (TCustomForm* form = Form()) form->repaint();
}

TRect TSeCustomForm::ApplyGravitation(const TRect& r) {
  TRect result = r;
  if (!gravitation_->Enabled()) return result;
  TRect t = r;
  if (shadow_->Enabled()) {
    t.Right -= shadow_->Size();
    t.Bottom -= shadow_->Size();
  }
  const TRect w = GetWorkArea();
  const int g = gravitation_->Size();
  int dx = 0;
  int dy = 0;
  if (std::abs(t.Left - w.Left) < g)
    dx = w.Left - t.Left;
  else if (std::abs(t.Right - w.Right) < g)
    dx = w.Right - t.Right;
  if (std::abs(t.Top - w.Top) < g)
    dy = w.Top - t.Top;
  else if (std::abs(t.Bottom - w.Bottom) < g)
    dy = w.Bottom - t.Bottom;
  result = {result.Left + dx, result.Top + dy, result.Right + dx, result.Bottom + dy};
  return result;
}

// ---- Painting -------------------------------------------------------------

void TSeCustomForm::PaintFrame() {
  TCustomForm* form = Form();
  if (!form || !form->isVisible() || !frame_paint_) return;
  QRegion band(0, 0, window_width_, window_height_);
  band -= QRegion(GetClientArea().Left, GetClientArea().Top, GetClientArea().Width(), GetClientArea().Height());
  form->repaint(band);
}

void TSeCustomForm::PaintBackground(TCanvas& canvas) {
  TCustomForm* form = Form();
  if (!form) return;
  const TRect c = GetClientBounds();
  canvas.Brush().SetColor(form->Color());
  canvas.Brush().SetStyle(bsSolid);
  canvas.FillRect(c);
}

void TSeCustomForm::CaptureBackground(const TRect& r) {
  if (capture_suspended_ || composited_ || r == captured_rect_ || IsMDIChild()) return;
  if (!shadow_->Enabled() && !blending_->Enabled() && !animation_->Enabled()) return;
  if (r.IsEmpty()) return;
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  TSeBitmap next;
  next.SetSize(r.Width(), r.Height());
  next.Clear(0xFF000000);
  const QRect now(r.Left, r.Top, r.Width(), r.Height());
  const QRect old(captured_rect_.Left, captured_rect_.Top, captured_rect_.Width(), captured_rect_.Height());
  const QRect overlap = now.intersected(old);
  // Where the window stood, the screen shows the window itself: those
  // pixels come from the previous snapshot, the rest from the screen.
  QRegion fromScreen(now);
  if (!overlap.isEmpty() && !background_.Empty()) fromScreen -= overlap;
  // The offscreen platform has no desktop: its screen holds our windows
  // over pixels that are never set, so only what a window covers is read
  // and the rest stays black.
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
    QRegion windows;
    for (const QWindow* w : QGuiApplication::topLevelWindows())
      if (w->isExposed()) windows += w->geometry();
    fromScreen &= windows;
  }
  for (const QRect& part : fromScreen) {
    const QImage shot = screen->grabWindow(0, part.x(), part.y(), part.width(), part.height()).toImage();
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) {
        const int tx = part.x() - r.Left + x;
        const int ty = part.y() - r.Top + y;
        if (tx < next.Width() && ty < next.Height()) *next.PixelPtr(tx, ty) = shot.pixel(x, y) | 0xFF000000u;
      }
  }
  if (!overlap.isEmpty() && !background_.Empty())
    background_.DrawToBitmap(next, overlap.x() - r.Left, overlap.y() - r.Top,
                             Bounds(overlap.x() - old.x(), overlap.y() - old.y(), overlap.width(), overlap.height()));
  background_.SetSize(next.Width(), next.Height());
  next.DrawToBitmap(background_, 0, 0, Rect(0, 0, next.Width(), next.Height()));
  captured_rect_ = r;
}

void TSeCustomForm::PaintShadow(TSeBitmap& b) {
  const int s = shadow_->Size();
  const TRect c = GetClientArea();
  const int w = frame_width_;
  const int h = frame_height_;
  const int w2 = window_width_;
  const int h2 = window_height_;
  auto shade = [&](const TRect& strip, auto level) {
    for (int y = std::max(0, strip.Top); y < std::min(h2, strip.Bottom); ++y)
      for (int x = std::max(0, strip.Left); x < std::min(w2, strip.Right); ++x)
        *b.PixelPtr(x, y) = (kShadowColor & 0xFFFFFF) | (TSeArgb(kShadowAlpha[level(x, y)]) << 24);
  };
  auto lv = [](int a, int b) { return std::min(3, std::min(a, b)); };
  b.FillRect(Rect(c.Right, 0, w2, s), KeyColor);
  b.FillRect(Rect(0, c.Bottom, s, h2), KeyColor);
  shade(Rect(c.Right, s, w2, c.Bottom), [&](int x, int y) { return lv(w2 - 1 - x, y - s); });
  shade(Rect(s, c.Bottom, w, h2), [&](int x, int y) { return lv(h2 - 1 - y, x - s); });
  shade(Rect(c.Right, c.Bottom, w2, h2), [&](int x, int y) { return lv(w2 - 1 - x, h2 - 1 - y); });
  if (composited_) return;
  if (!background_.Empty() && background_.Width() == w2 && background_.Height() == h2) {
    b.MergeBackground(background_, c.Right, 0, Rect(c.Right, 0, w2, c.Bottom));
    b.MergeBackground(background_, 0, c.Bottom, Rect(0, c.Bottom, w2, h2));
    return;
  }
  // No snapshot of the screen yet: the band darkens black.
  for (const TRect& strip : {Rect(c.Right, s, w2, h2), Rect(s, c.Bottom, w2, h2)})
    for (int y = std::max(0, strip.Top); y < std::min(h2, strip.Bottom); ++y)
      for (int x = std::max(0, strip.Left); x < std::min(w2, strip.Right); ++x) {
        TSeArgb& p = *b.PixelPtr(x, y);
        if (p != KeyColor) p = se::BlendPixel(p, 0xFF000000u) | 0xFF000000u;
      }
}

void TSeCustomForm::PaintWindow(QPainter& painter, const QRegion& region) {
  TCustomForm* form = Form();
  if (!form) return;
  if (animation_frame_) {
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, animation_frame_->Image());
    return;
  }
  const TRect c = GetClientArea();
  // The client background.
  if (region.intersects(QRect(c.Left, c.Top, c.Width(), c.Height()))) {
    painter.save();
    painter.setClipRect(QRect(c.Left, c.Top, c.Width(), c.Height()));
    painter.translate(c.Left, c.Top);
    PaintClientBackground(painter);
    painter.restore();
  }
  if (!frame_paint_) return;
  if (c == Rect(0, 0, frame_width_, frame_height_) && !shadow_->Enabled()) return;
  if (window_width_ < 1 || window_height_ < 1) return;
  TSeBitmap buffer;
  buffer.SetSize(window_width_, window_height_);
  buffer.Clear(KeyColor);
  if (shadow_->Enabled() && window_state_ != kwsMaximized) PaintShadow(buffer);
  {
    TCanvas& canvas = buffer.Canvas();
    canvas.ExcludeClipRect(c);
    PaintNonClient(canvas);
    canvas.SelectClipRgn(nullptr);
  }
  if (blending_->Enabled() && !composited_ && !background_.Empty()) {
    const int w = frame_width_, h = frame_height_;
    const TRect parts[4] = {Rect(0, 0, w, c.Top), Rect(0, c.Bottom, w, h), Rect(0, c.Top, c.Left, c.Bottom),
                            Rect(c.Right, c.Top, w, c.Bottom)};
    for (const TRect& p : parts) {
      buffer.SetAlphaRect(std::uint8_t(blending_->Value()), p);
      buffer.MergeBackground(background_, p.Left, p.Top, p);
    }
  }
  QRegion band(0, 0, window_width_, window_height_);
  band -= QRegion(c.Left, c.Top, c.Width(), c.Height());
  painter.save();
  painter.setClipRegion(band & region);
  if (composited_) painter.setCompositionMode(QPainter::CompositionMode_Source);
  QImage image = buffer.Image();
  if (!composited_) image = image.convertToFormat(QImage::Format_RGB32);
  painter.drawImage(0, 0, image);
  painter.restore();
}

void TSeCustomForm::PaintNonClient(TCanvas& canvas) {
  if (border_style_ == kbsNone && !shadow_->Enabled()) return;
  if (border_style_ == kbsNone) return;
  TRect r = Rect(0, 0, frame_width_, frame_height_);
  const TRect c = GetClientArea();
  DrawEdge(canvas, r, EDGE_RAISED, BF_RECT);
  r = se::GrowRect(r, -2);
  se::FillRectColor(canvas, Rect(r.Left, c.Top, c.Left, r.Bottom), clBtnFace);
  se::FillRectColor(canvas, Rect(c.Right, c.Top, r.Right, r.Bottom), clBtnFace);
  se::FillRectColor(canvas, Rect(r.Left, c.Bottom, r.Right, r.Bottom), clBtnFace);
  se::FillRectColor(canvas, Rect(r.Left, r.Top, r.Right, c.Top), clBtnFace);
  PaintCaption(canvas);
}

void TSeCustomForm::PaintCaption(TCanvas& canvas) {
  const TRect c = GetClientArea();
  const TSeFrameMetrics& m = se::FrameMetrics();
  const TRect s = Rect(c.Left, m.FrameWidth, c.Right, c.Top);
  const bool tool = border_style_ == kbsToolWindow;
  CaptionFont(canvas.Font(), tool);
  int width;
  if (tool) {
    width = frame_width_ - c.Left - 2 * m.SmallCaptionHeight;
  } else {
    int icons = 1;
    for (unsigned icon : {kbiClose, kbiMaximize, kbiMinimize, kbiHelp, kbiRollup, kbiTray})
      icons += (border_icons_ & icon) ? 1 : 0;
    width = frame_width_ - c.Left - m.ButtonHeight * icons;
  }
  const QString title = se::GetEllipsisText(canvas, caption_, width);
  if (form_active_)
    se::GradientFillRect(canvas, s, clActiveCaption, clGradientActiveCaption, false);
  else
    se::GradientFillRect(canvas, s, clInactiveCaption, clGradientInactiveCaption, false);
  canvas.Font().SetColor(form_active_ ? clCaptionText : clInactiveCaptionText);
  TRect t = s;
  if (!tool && (border_icons_ & kbiSystemMenu)) t.Left += s.Height();
  t.Left += 2;
  t.Right -= 2;
  canvas.Brush().SetStyle(bsClear);
  se::DrawWideText(canvas, title, t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);

  const bool down = nc_state_ & ssLeft;
  auto button = [&](unsigned icon, std::uint8_t code) {
    if (!(border_icons_ & icon)) return;
    const bool pressed = icon != kbiSystemMenu && down && pressed_part_ == code && hot_part_ == code;
    const bool hot = icon != kbiSystemMenu && hot_part_ == code && !drag_in_progress_;
    PaintCaptionButton(canvas, GetBorderIconRect(icon), icon, pressed, hot);
  };
  button(kbiClose, kfpCloseButton);
  if (tool) return;
  button(kbiSystemMenu, kfpSystemMenuIcon);
  button(kbiMinimize, kfpMinimizeButton);
  button(kbiMaximize, kfpMaximizeButton);
  button(kbiRollup, kfpRollupButton);
  button(kbiTray, kfpTrayButton);
  button(kbiHelp, kfpHelpButton);
}

void TSeCustomForm::PaintCaptionButton(TCanvas& canvas, const TRect& rect, unsigned icon, bool pressed, bool hot) {
  (void)hot;
  if (!Form() || rect.IsEmpty()) return;
  TRect r = rect;
  const unsigned push = pressed ? DFCS_PUSHED : 0;
  switch (icon) {
    case kbiClose:
      DrawFrameControl(canvas, r, DFC_CAPTION, DFCS_CAPTIONCLOSE | push);
      break;
    case kbiSystemMenu:
      se::DrawIconCentered(canvas, r, GetFormIcon());
      break;
    case kbiMinimize:
      DrawFrameControl(canvas, r, DFC_CAPTION,
                       (window_state_ == kwsMinimized ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMIN) | push);
      break;
    case kbiMaximize:
      DrawFrameControl(canvas, r, DFC_CAPTION,
                       (window_state_ == kwsMaximized ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX) | push);
      break;
    case kbiHelp:
      DrawFrameControl(canvas, r, DFC_CAPTION, DFCS_CAPTIONHELP | push);
      break;
    case kbiRollup: {
      DrawFrameControl(canvas, r, DFC_BUTTON, DFCS_BUTTONPUSH | push);
      TRect g = Rect(rect.Left + 4, rect.Top + 5, rect.Right - 4, rect.Bottom - 5);
      const int d = pressed ? 0 : -1;
      g = Rect(g.Left + d, g.Top + d, g.Right + d, g.Bottom + d);
      const int mid = (g.Left + g.Right) / 2;
      const TPoint down[] = {{g.Left, g.Top}, {g.Right, g.Top}, {mid, g.Bottom}};
      const TPoint up[] = {{g.Left, g.Bottom}, {g.Right, g.Bottom}, {mid, g.Top}};
      if (window_state_ == kwsRollup)
        se::FillPolygon(canvas, down, clBlack);
      else
        se::FillPolygon(canvas, up, clBlack);
      break;
    }
    case kbiTray: {
      DrawFrameControl(canvas, r, DFC_BUTTON, DFCS_BUTTONPUSH | push);
      TRect g = se::GrowRect(rect, -5);
      g = Rect(g.Left, g.Top + 2, g.Right, g.Bottom + 2);
      if (pressed) g = Rect(g.Left + 1, g.Top + 1, g.Right + 1, g.Bottom + 1);
      canvas.Brush().SetStyle(bsSolid);
      canvas.Brush().SetColor(clBlack);
      canvas.Pen().SetColor(clBlack);
      canvas.Ellipse(g);
      break;
    }
    default:
      break;
  }
}

TIcon* TSeCustomForm::GetFormIcon() {
  if (form_icon_) return form_icon_.get();
  form_icon_ = std::make_unique<TIcon>();
  QIcon icon;
  if (TCustomForm* form = Form()) icon = form->windowIcon();
  if (icon.isNull()) icon = QGuiApplication::windowIcon();
  const int w = GetSystemMetrics(SM_CXSMICON) ? GetSystemMetrics(SM_CXSMICON) : GetSystemMetrics(SM_CXSIZE);
  const int h = GetSystemMetrics(SM_CYSMICON) ? GetSystemMetrics(SM_CYSMICON) : GetSystemMetrics(SM_CYSIZE);
  QImage image;
  if (!icon.isNull()) image = icon.pixmap(w, h).toImage().convertToFormat(QImage::Format_ARGB32);
  if (image.isNull()) {
    // The program's plain window sign: a small window with a blue title.
    image = QImage(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.fillRect(1, 2, w - 2, h - 4, QColor(255, 255, 255));
    p.fillRect(1, 2, w - 2, 3, QColor(0, 0, 128));
    p.setPen(QColor(0, 0, 0));
    p.drawRect(1, 2, w - 3, h - 5);
  }
  form_icon_->SetImage(image);
  return form_icon_.get();
}

void TSeCustomForm::PaintTo(TSeBitmap& target, int x, int y) {
  TCustomForm* form = Form();
  if (!form) return;
  QImage image(window_width_, window_height_, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  const bool active = form_active_;
  form_active_ = true;
  form->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
  form_active_ = active;
  for (int yy = 0; yy < image.height(); ++yy)
    for (int xx = 0; xx < image.width(); ++xx) {
      const int tx = x + xx, ty = y + yy;
      if (tx < 0 || ty < 0 || tx >= target.Width() || ty >= target.Height()) continue;
      const QRgb p = image.pixel(xx, yy);
      *target.PixelPtr(tx, ty) = qAlpha(p) == 0 ? KeyColor : (p | 0xFF000000u);
    }
}

// ---- Events ---------------------------------------------------------------

void TSeCustomForm::DoBeforeMessage(QEvent* event, bool& handled) {
  if (!attached_) return;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Leave:
      if (FrameMouseEvent(event)) handled = true;
      break;
    case QEvent::KeyPress:
      if (FrameKeyEvent(event)) handled = true;
      break;
    case QEvent::Show:
      if (loaded_window_state_ == kwsNormal) {
        captured_rect_ = {};
        if (TCustomForm* form = Form()) CaptureBackground(form->BoundsRect());
      }
      break;
    default:
      if (event->type() == TMDIActivateEvent::EventType()) {
        if (IsMDIChild()) MDIActivated(*static_cast<TMDIActivateEvent*>(event));
        break;
      }
      if (event->type() == TMessageEvent::EventType()) {
        TMessage& m = static_cast<TMessageEvent*>(event)->Message();
        if (m.Msg == SEM_ERASEBKGND && m.WParam) {
          // A transparent control asks for what lies behind it.
          auto* painter = reinterpret_cast<QPainter*>(m.WParam);
          const TRect c = GetClientArea();
          painter->save();
          painter->translate(c.Left, c.Top);
          PaintClientBackground(*painter);
          painter->restore();
          m.Result = 1;
          handled = true;
        }
      }
      break;
  }
}

void TSeCustomForm::DoAfterMessage(QEvent* event, bool& handled) {
  (void)handled;
  if (!attached_) return;
  TCustomForm* form = Form();
  if (!form) return;
  switch (event->type()) {
    case QEvent::Paint: {
      QPainter painter(form);
      PaintWindow(painter, static_cast<QPaintEvent*>(event)->region());
      break;
    }
    case QEvent::Resize:
      if (form->width() != window_width_ || form->height() != window_height_) SizeChanged();
      break;
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
      // An MDI child looks active by its parent's choice (MDIActivated).
      if (IsMDIChild()) break;
      form_active_ = event->type() == QEvent::WindowActivate;
      PaintFrame();
      break;
    case QEvent::Hide:
      // A maximized child that hides gives the parent its look back.
      if (IsMDIChild() && !event->spontaneous()) {
        if (TSeCustomMenuBar* bar = MDIParentMenuBar(); bar && bar->MDIChildForm() == this) bar->HideMDIButtons();
        if (window_state_ == kwsMaximized) UpdateMDIParentCaption();
      }
      break;
    case QEvent::Show:
      if (animation_->Enabled() && loaded_window_state_ == kwsNormal) AnimateShow();
      break;
    case QEvent::WindowTitleChange:
      if (form->Caption() != caption_) {
        caption_ = form->Caption();
        PaintFrame();
        if (MDIMaximized() && form->Visible()) UpdateMDIParentCaption();
      }
      break;
    default:
      break;
  }
}

bool TSeCustomForm::FrameMouseEvent(QEvent* event) {
  TCustomForm* form = Form();
  if (!form) return false;
  if (event->type() == QEvent::Leave) {
    if (nc_state_ == 0) form->unsetCursor();
    if (hot_part_ != 0 && nc_state_ == 0) {
      hot_part_ = 0;
      PaintFrame();
    }
    return false;
  }
  auto* me = static_cast<QMouseEvent*>(event);
  const QPoint g = me->globalPosition().toPoint();
  const TPoint p = ScreenToWindow({g.x(), g.y()});
  const std::uint8_t part = HitTest(p.X, p.Y);
  if (part == 0 && nc_state_ == 0) {
    if (event->type() == QEvent::MouseMove) {
      form->unsetCursor();
      if (hot_part_ != 0) {
        hot_part_ = 0;
        PaintFrame();
      }
    }
    return false;
  }
  std::weak_ptr<int> alive = alive_;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (me->button() == Qt::LeftButton) {
        nc_state_ = ssLeft;
        StartDrag(mbLeft, ssLeft, p.X, p.Y);
      } else if (me->button() == Qt::RightButton) {
        nc_state_ = ssRight;
        StartDrag(mbRight, ssRight, p.X, p.Y);
      }
      break;
    case QEvent::MouseButtonDblClick:
      if (me->button() == Qt::LeftButton) {
        StartDrag(mbLeft, ssLeft | ssDouble, p.X, p.Y);
        if (alive.expired()) return true;
        EndDrag(mbLeft, ssLeft | ssDouble, p.X, p.Y);
        if (alive.expired()) return true;
        nc_state_ = 0;
      }
      break;
    case QEvent::MouseButtonRelease:
      if (me->button() == Qt::LeftButton) {
        nc_state_ = 0;
        EndDrag(mbLeft, 0, p.X, p.Y);
      } else if (me->button() == Qt::RightButton) {
        nc_state_ = 0;
        EndDrag(mbRight, 0, p.X, p.Y);
      }
      break;
    case QEvent::MouseMove:
      if (nc_state_ == 0) UpdateCursor(part);
      TrackDrag(nc_state_, p.X, p.Y);
      break;
    default:
      break;
  }
  return true;
}

void TSeCustomForm::UpdateCursor(std::uint8_t part) {
  TCustomForm* form = Form();
  if (!form) return;
  const bool sizing = dragging_->Sizeable() && window_state_ != kwsMaximized && window_state_ != kwsMinimized &&
                      window_state_ != kwsRollup;
  Qt::CursorShape shape = Qt::ArrowCursor;
  if (sizing) {
    switch (part) {
      case kfpLeft:
      case kfpRight: shape = Qt::SizeHorCursor; break;
      case kfpTop:
      case kfpBottom: shape = Qt::SizeVerCursor; break;
      case kfpTopLeft:
      case kfpBottomRight: shape = Qt::SizeFDiagCursor; break;
      case kfpTopRight:
      case kfpBottomLeft: shape = Qt::SizeBDiagCursor; break;
      default: break;
    }
  }
  form->setCursor(shape);
}

bool TSeCustomForm::FrameKeyEvent(QEvent* event) {
  auto* ke = static_cast<QKeyEvent*>(event);
  if (ke->modifiers() == Qt::AltModifier && ke->key() == Qt::Key_Space) {
    ShowSystemMenu();
    return true;
  }
  if (ke->modifiers() == Qt::AltModifier && ke->key() == Qt::Key_F4 && (border_icons_ & kbiClose)) {
    Close();
    return true;
  }
  return false;
}

// ---- Dragging -------------------------------------------------------------

void TSeCustomForm::StartDrag(TMouseButton button, TShiftState shift, int x, int y) {
  (void)shift;
  if (button != mbLeft) return;
  pressed_part_ = hot_part_ = HitTest(x, y);
  drag_start_ = drag_last_ = {x, y};
  if (pressed_part_ >= kfpCaption && pressed_part_ <= kfpBottomRight) {
    drag_in_progress_ = true;
    drag_outline_ = {};
    if (dragging_->DragMode() == kfdmBorder) {
      DisableFramePaint();
      outline_drag_ = true;
    }
  }
  PaintFrame();
}

void TSeCustomForm::TrackDrag(TShiftState shift, int x, int y) {
  TCustomForm* form = Form();
  if (!form) return;
  if (!(shift & ssLeft) || !drag_in_progress_) {
    const std::uint8_t part = HitTest(x, y);
    if (part != hot_part_) {
      hot_part_ = part;
      PaintFrame();
    }
    return;
  }
  TRect b = outline_drag_ && !drag_outline_.IsEmpty() ? drag_outline_ : form->BoundsRect();
  if (outline_drag_ && drag_outline_.IsEmpty()) b = form->BoundsRect();
  const int dx0 = x - drag_start_.X;
  const int dy0 = y - drag_start_.Y;
  const int dxR = outline_drag_ ? dx0 : x - drag_last_.X;
  const int dyB = outline_drag_ ? dy0 : y - drag_last_.Y;
  const TRect base = form->BoundsRect();
  if (outline_drag_) b = base;
  const std::uint8_t part = pressed_part_;
  if (part == kfpCaption) {
    if (dragging_->Moveable() && window_state_ != kwsMaximized)
      b = ApplyGravitation(Rect(b.Left + dx0, b.Top + dy0, b.Right + dx0, b.Bottom + dy0));
  } else if (IsSizingPart(part) && dragging_->Sizeable() && window_state_ != kwsMaximized &&
             window_state_ != kwsMinimized && window_state_ != kwsRollup) {
    const TPoint minSize = GetMinSize();
    const bool left = part == kfpLeft || part == kfpTopLeft || part == kfpBottomLeft;
    const bool top = part == kfpTop || part == kfpTopLeft || part == kfpTopRight;
    const bool right = part == kfpRight || part == kfpTopRight || part == kfpBottomRight;
    const bool bottom = part == kfpBottom || part == kfpBottomLeft || part == kfpBottomRight;
    if (top) b.Top += dy0;
    if (left) b.Left += dx0;
    if (right) b.Right += dxR;
    if (bottom) b.Bottom += dyB;
    if ((left) && b.Right - minSize.X < b.Left) b.Left = b.Right - minSize.X;
    if ((top) && b.Bottom - minSize.Y < b.Top) b.Top = b.Bottom - minSize.Y;
  }
  if (!outline_drag_) {
    SetFormRect(b);
    hot_part_ = HitTest(x, y);
    PaintFrame();
    drag_last_ = {x, y};
  } else {
    if (!outline_window_) outline_window_ = new DragOutline;
    TRect onScreen = b;
    if (QWidget* parent = form->MDIParent() ? form->parentWidget() : nullptr) {
      const QPoint o = parent->mapToGlobal(QPoint(0, 0));
      OffsetRect(onScreen, o.x(), o.y());
    }
    static_cast<DragOutline*>(outline_window_.data())->Place(onScreen);
    drag_outline_ = b;
  }
}

void TSeCustomForm::EndDrag(TMouseButton button, TShiftState shift, int x, int y) {
  const std::uint8_t code = HitTest(x, y);
  std::weak_ptr<int> alive = alive_;
  if (button == mbLeft) {
    void (TSeCustomForm::*action)() = nullptr;
    if (shift & ssDouble) {
      if (code == kfpCaption && (border_icons_ & kbiMaximize))
        action = window_state_ == kwsMinimized ? &TSeCustomForm::Restore : &TSeCustomForm::Maximize;
      else if (pressed_part_ == kfpSystemMenuIcon)
        action = &TSeCustomForm::Close;
    } else if (pressed_part_ == code) {
      switch (code) {
        case kfpCloseButton: action = &TSeCustomForm::Close; break;
        case kfpHelpButton: action = &TSeCustomForm::ContextHelp; break;
        case kfpMinimizeButton: action = &TSeCustomForm::Minimize; break;
        case kfpMaximizeButton: action = &TSeCustomForm::Maximize; break;
        case kfpRollupButton: action = &TSeCustomForm::Rollup; break;
        case kfpTrayButton: action = &TSeCustomForm::MinimizeToTray; break;
        case kfpSystemMenuIcon: action = &TSeCustomForm::ShowSystemMenu; break;
        default: break;
      }
    }
    if (outline_drag_) {
      const TRect final = drag_outline_;
      if (outline_window_) outline_window_->hide();
      outline_drag_ = false;
      EnableFramePaint();
      if (!final.IsEmpty()) SetFormRect(final);
      drag_outline_ = {};
    }
    // The drag ends before the action runs: the action may free the form.
    pressed_part_ = 0;
    drag_in_progress_ = false;
    PaintFrame();
    if (action) (this->*action)();
    if (alive.expired()) return;
  } else if (button == mbRight && code == kfpCaption && Form()) {
    TCustomForm* form = Form();
    const QPoint g = form->mapToGlobal(QPoint(x, y));
    popup_point_ = form->MDIParent() ? TPoint{g.x(), g.y()} : TPoint{form->x() + x, form->y() + y};
    ShowSystemMenu();
    if (alive.expired()) return;
    popup_point_ = {};
  }
  pressed_part_ = 0;
}

// ---- Window states --------------------------------------------------------

bool TSeCustomForm::RunAction(const TSeFormActionEvent& event) {
  bool callDefault = true;
  if (event) event(this, callDefault);
  return callDefault;
}

void TSeCustomForm::SaveNormalBounds(std::initializer_list<TSeWindowState> unless) {
  TCustomForm* form = Form();
  if (!form) return;
  for (TSeWindowState s : unless)
    if (window_state_ == s) return;
  normal_bounds_ = form->BoundsRect();
}

void TSeCustomForm::Maximize() {
  if (!RunAction(OnMaximize)) return;
  hot_part_ = kfpOtherButton;
  if (window_state_ == kwsMaximized) {
    Restore();
    return;
  }
  TCustomForm* form = Form();
  if (!form) return;
  std::weak_ptr<int> alive = alive_;
  // One maximized child at a time: the one maximized before steps back.
  if (IsMDIChild()) RestoreMaximizedMDIChildren();
  if (alive.expired() || window_state_ == kwsMaximized) return;
  previous_state_ = window_state_;
  if (loaded_window_state_ == kwsNormal) SaveNormalBounds({kwsRollup, kwsMinimized});
  window_state_ = kwsMaximized;
  if (form->isMinimized()) form->showNormal();
  SizeChanged();
  SetFormRect(GetMaximizedRect());
  loaded_window_state_ = kwsNormal;
  if (IsMDIChild()) {
    form->raise();
    if (TSeCustomMenuBar* bar = MDIParentMenuBar()) bar->ShowMDIButtons(this);
    UpdateMDIParentCaption();
  }
}

void TSeCustomForm::Minimize() {
  if (!RunAction(OnMinimize)) return;
  hot_part_ = kfpOtherButton;
  if (window_state_ == kwsMinimized) {
    Restore();
    return;
  }
  TCustomForm* form = Form();
  if (!form || form->Modal()) return;
  const TSeWindowState leaving = window_state_;
  previous_state_ = leaving;
  if (loaded_window_state_ == kwsNormal) SaveNormalBounds({kwsRollup, kwsMaximized});
  window_state_ = kwsMinimized;
  if (IsMDIChild()) {
    SizeChanged();
    if (TSeCustomMenuBar* bar = MDIParentMenuBar()) bar->HideMDIButtons();
    std::weak_ptr<int> alive = alive_;
    RestoreMaximizedMDIChildren();
    if (alive.expired()) return;
  }
  if (minimize_application_)
    Application().Minimize();
  else
    SetFormRect(GetMinimizedRect());
  loaded_window_state_ = kwsNormal;
  PaintFrame();
}

void TSeCustomForm::Rollup() {
  if (!RunAction(OnRollup)) return;
  hot_part_ = kfpOtherButton;
  if (window_state_ == kwsRollup) {
    Restore();
    return;
  }
  previous_state_ = window_state_;
  SaveNormalBounds({kwsMinimized, kwsMaximized});
  window_state_ = kwsRollup;
  SizeChanged();
  SetFormRect(GetRollupRect());
  loaded_window_state_ = kwsNormal;
}

void TSeCustomForm::MinimizeToTray() {
  if (!RunAction(OnMinToTray)) return;
  hot_part_ = kfpOtherButton;
  if (window_state_ == kwsTray) {
    Restore();
    return;
  }
  TCustomForm* form = Form();
  if (!form || form->Modal()) return;
  previous_state_ = window_state_;
  if (loaded_window_state_ == kwsNormal) SaveNormalBounds({kwsMinimized, kwsMaximized, kwsRollup});
  window_state_ = kwsTray;
  ShowTrayIcon(true);
  if (minimize_application_) Application().Minimize();
  form->hide();
  loaded_window_state_ = kwsNormal;
}

void TSeCustomForm::ShowTrayIcon(bool show) {
  if (!show) {
    if (tray_) tray_->SetVisible(false);
    tray_.reset();
    return;
  }
  if (!tray_) {
    tray_ = Trays().Make();
    std::weak_ptr<int> alive = alive_;
    tray_->OnEvent = [this, alive](TrayEvent e, QPoint) {
      if (alive.expired()) return;
      if (e == TrayEvent::DoubleClick) Restore();
      if (e == TrayEvent::RightClick) ShowSystemMenu();
    };
  }
  QString tip = minimize_application_ && !Application().Title().isEmpty() ? Application().Title() : caption_;
  tray_->SetHint(tip.left(63));
  QIcon icon;
  if (TCustomForm* form = Form()) icon = form->windowIcon();
  if (icon.isNull()) icon = QIcon(QPixmap::fromImage(GetFormIcon()->Image()));
  tray_->SetIcon(icon);
  tray_->SetVisible(true);
}

void TSeCustomForm::Restore() {
  TCustomForm* form = Form();
  if (!form) return;
  hot_part_ = kfpOtherButton;
  switch (window_state_) {
    case kwsNormal:
      SetFormRect(normal_bounds_.IsEmpty() ? form->BoundsRect() : normal_bounds_);
      break;
    case kwsMaximized:
      if (previous_state_ == kwsMinimized && minimize_application_) break;
      window_state_ = kwsNormal;
      if (previous_state_ == kwsMinimized) {
        SetFormRect(normal_bounds_);
        Maximize();
      } else if (previous_state_ == kwsRollup) {
        SetFormRect(normal_bounds_);
        Rollup();
      } else {
        previous_state_ = kwsMaximized;
        SizeChanged();
        SetFormRect(normal_bounds_);
        if (IsMDIChild()) {
          if (TSeCustomMenuBar* bar = MDIParentMenuBar()) bar->HideMDIButtons();
          std::weak_ptr<int> alive = alive_;
          RestoreMaximizedMDIChildren();
          if (alive.expired()) return;
        }
      }
      break;
    case kwsMinimized:
      if (Application().IsMinimized()) Application().Restore();
      if (previous_state_ == kwsMaximized) {
        window_state_ = kwsNormal;
        Maximize();
        previous_state_ = kwsNormal;
      } else if (previous_state_ == kwsRollup) {
        window_state_ = kwsNormal;
        Rollup();
        previous_state_ = kwsNormal;
      } else {
        window_state_ = kwsNormal;
        SetFormRect(normal_bounds_);
      }
      break;
    case kwsRollup:
      if (previous_state_ == kwsMaximized || frame_width_ == GetMaximizedRect().Width()) {
        window_state_ = kwsNormal;
        // Maximizing from here must not take the rolled-up size as normal.
        const TRect keep = normal_bounds_;
        Maximize();
        normal_bounds_ = keep;
        previous_state_ = kwsNormal;
      } else {
        window_state_ = kwsNormal;
        // A rolled-up window may have been moved meanwhile.
        normal_bounds_ = Bounds(form->Left(), form->Top(), normal_bounds_.Width(), normal_bounds_.Height());
        SizeChanged();
        SetFormRect(normal_bounds_);
      }
      break;
    case kwsTray: {
      if (Application().IsMinimized()) Application().Restore();
      form->show();
      form->activateWindow();
      ShowTrayIcon(false);
      const TRect keep = normal_bounds_;
      if (previous_state_ == kwsMaximized) {
        window_state_ = kwsNormal;
        Maximize();
        normal_bounds_ = keep;
        previous_state_ = kwsNormal;
      } else if (previous_state_ == kwsRollup) {
        window_state_ = kwsNormal;
        Rollup();
        normal_bounds_ = keep;
        previous_state_ = kwsNormal;
      } else {
        window_state_ = kwsNormal;
        SetFormRect(normal_bounds_);
      }
      break;
    }
  }
  loaded_window_state_ = kwsNormal;
  PaintFrame();
}

void TSeCustomForm::Close() {
  if (!RunAction(OnClose)) return;
  TCustomForm* form = Form();
  if (!form) return;
  if (form->Modal()) {
    form->SetModalResult(mrCancel);
    return;
  }
  if (IsMDIChild()) {
    CloseMDIChild(form);
    return;
  }
  form->Close();
}

bool TSeCustomForm::CloseMDIChild(TCustomForm* form) {
  // A child window closes to its minimized caption when it can be minimized.
  TCloseAction action = (border_icons_ & kbiMinimize) ? caMinimize : caNone;
  std::weak_ptr<int> alive = alive_;
  if (!form->QueryClose(action) || alive.expired()) return false;
  switch (action) {
    case caNone:
      return false;
    case caMinimize:
      Minimize();
      return true;
    case caHide:
    case caFree: {
      if (TSeCustomMenuBar* bar = MDIParentMenuBar(); bar && bar->MDIChildForm() == this) bar->HideMDIButtons();
      RestoreMaximizedMDIChildren();
      if (alive.expired()) return true;
      if (action == caFree)
        form->Release();
      else
        form->Hide();
      return true;
    }
  }
  return false;
}

// ---- MDI ------------------------------------------------------------------

bool TSeCustomForm::IsMDIChild() const {
  TCustomForm* form = Form();
  return form && form->MDIParent();
}

bool TSeCustomForm::IsMDIParent() const {
  TCustomForm* form = Form();
  return form && form->MDIClient();
}

bool TSeCustomForm::MDIMaximized() const { return window_state_ == kwsMaximized && IsMDIChild(); }

TCustomForm* TSeCustomForm::GetMDIParent() const {
  TCustomForm* form = Form();
  return form ? form->MDIParent() : nullptr;
}

TSeCustomForm* TSeCustomForm::GetMDIParentFrame() const { return se::FindFormHook(GetMDIParent()); }

TSeCustomMenuBar* TSeCustomForm::MDIParentMenuBar() const {
  TSeCustomForm* frame = GetMDIParentFrame();
  return frame ? frame->MenuBar() : nullptr;
}

bool TSeCustomForm::HasMaximizedMDIChild() const {
  const bool child = IsMDIChild();
  TCustomForm* parent = child ? GetMDIParent() : (IsMDIParent() ? Form() : nullptr);
  if (!parent) return false;
  // Only children that are shown: a hidden one covers nothing.
  for (int i = 0; i < parent->MDIChildCount(); ++i) {
    TCustomForm* c = parent->MDIChildren(i);
    if (!c->Visible()) continue;
    if (child && c->WindowState() == wsMaximized) return true;
    if (TSeCustomForm* frame = se::FindFormHook(c); frame && frame->WindowState() == kwsMaximized) return true;
  }
  return false;
}

void TSeCustomForm::UpdateMDIParentCaption() {
  TCustomForm* parent = GetMDIParent();
  if (!parent) return;
  SetMDIParentCaptionEnding(parent, HasMaximizedMDIChild() ? " - [" + caption_ + "]" : QString());
}

void TSeCustomForm::RestoreMaximizedMDIChildren() {
  const bool child = IsMDIChild();
  TCustomForm* parent = child ? GetMDIParent() : (IsMDIParent() ? Form() : nullptr);
  if (!parent) return;
  std::vector<std::pair<TSeCustomForm*, std::weak_ptr<int>>> maximized;
  for (int i = 0; i < parent->MDIChildCount(); ++i) {
    TCustomForm* c = parent->MDIChildren(i);
    if (c == Form()) continue;
    if (TSeCustomForm* frame = se::FindFormHook(c); frame && frame->WindowState() == kwsMaximized)
      maximized.emplace_back(frame, frame->AliveToken());
  }
  std::weak_ptr<int> alive = alive_;
  for (auto& [frame, token] : maximized)
    if (!token.expired() && frame->WindowState() == kwsMaximized) frame->Restore();
  if (child && !alive.expired()) UpdateMDIParentCaption();
}

void TSeCustomForm::MDIActivated(const TMDIActivateEvent& event) {
  TCustomForm* form = Form();
  if (!form) return;
  const bool activated = event.Activated() == form;
  form_active_ = activated;
  PaintFrame();
  if (!activated || !HasMaximizedMDIChild()) return;
  UpdateMDIParentCaption();
  if (window_state_ == kwsMaximized) {
    if (TSeCustomMenuBar* bar = MDIParentMenuBar()) bar->ShowMDIButtons(this);
    return;
  }
  // The child coming to the front takes over the maximized look, once the
  // activation has run its course (and unless another child came up since).
  std::weak_ptr<int> alive = alive_;
  QTimer::singleShot(0, form, [this, alive] {
    TCustomForm* now = alive.expired() ? nullptr : Form();
    if (now && now->Active() && window_state_ != kwsMaximized) Maximize();
  });
}

void TSeCustomForm::PaintMDIClient(QWidget* client) {
  TCustomForm* form = Form();
  // A maximized child covers it all.
  if (!form || HasMaximizedMDIChild()) return;
  const TRect c = GetClientArea();
  QPainter painter(client);
  painter.translate(c.Left - client->x(), c.Top - client->y());
  PaintClientBackground(painter);
}

void TSeCustomForm::PaintClientBackground(QPainter& painter) {
  TCanvas canvas;
  canvas.BeginPainting(&painter);
  if (OnPaint)
    OnPaint(this, canvas);
  else
    PaintBackground(canvas);
  canvas.EndPainting();
}

void TSeCustomForm::FitMaximizedMDIChildren() {
  TCustomForm* form = Form();
  if (!form) return;
  for (int i = 0; i < form->MDIChildCount(); ++i)
    if (TSeCustomForm* frame = se::FindFormHook(form->MDIChildren(i)); frame && frame->WindowState() == kwsMaximized)
      frame->SetFormRect(frame->GetMaximizedRect());
}

void TSeCustomForm::ContextHelp() {}

void TSeCustomForm::CustomAction(TSeSkinObject* button) { (void)button; }

// ---- System menu ----------------------------------------------------------

TSeCustomItem* TSeCustomForm::CreateMenuItem(TComponent* owner) { return new TSeCustomItem(owner); }

void TSeCustomForm::BuildSystemMenu() {
  system_menu_.reset(CreateMenuItem(nullptr));
  TSeCustomItem* root = system_menu_.get();
  auto add = [&](const char* caption, int image, TShortCut shortcut = 0) {
    TSeCustomItem* item = CreateMenuItem(nullptr);
    item->SetCaption(QString::fromUtf8(caption));
    item->SetImageIndex(image);
    item->SetShortCut(shortcut);
    item->OnClick = [this](TComponent* sender) { SystemMenuClick(sender); };
    root->Add(item);
  };
  const TSeWindowState s = window_state_;
  if (s != kwsNormal) add(se::SRestore, 3);
  if ((border_icons_ & kbiMinimize) && (s == kwsNormal || s == kwsMaximized || s == kwsRollup))
    add(se::SMinimize, 1);
  if ((border_icons_ & kbiMaximize) && (s == kwsNormal || s == kwsRollup)) add(se::SMaximize, 2);
  if ((border_icons_ & kbiRollup) && (s == kwsNormal || s == kwsMaximized)) add(se::SRollup, 4);
  if ((border_icons_ & kbiTray) && (s == kwsNormal || s == kwsMaximized || s == kwsRollup))
    add(se::SMinimizeToTray, 5);
  if (border_icons_ & kbiClose) {
    if (root->Count() > 0) add("-", -1);
    add(se::SClose, 0, ShortCut(0x73 /* F4 */, ssAlt));
  }
  root->SetPopupOptions(system_menu_options_.get());
}

void TSeCustomForm::SystemMenuClick(TComponent* sender) {
  auto* item = dynamic_cast<TSeCustomItem*>(sender);
  if (!item) return;
  const QString c = item->Caption();
  if (c == QString::fromUtf8(se::SClose))
    Close();
  else if (c == QString::fromUtf8(se::SMaximize))
    Maximize();
  else if (c == QString::fromUtf8(se::SMinimize))
    Minimize();
  else if (c == QString::fromUtf8(se::SRollup))
    Rollup();
  else if (c == QString::fromUtf8(se::SMinimizeToTray))
    MinimizeToTray();
  else if (c == QString::fromUtf8(se::SRestore))
    Restore();
}

void TSeCustomForm::ShowSystemMenu() {
  TCustomForm* form = Form();
  hot_part_ = kfpOtherButton;
  TPoint p;
  if (window_state_ == kwsTray) {
    const QPoint c = QCursor::pos();
    p = {c.x(), c.y()};
  } else if (popup_point_.X != 0 || popup_point_.Y != 0) {
    p = popup_point_;
  } else if (form) {
    const TRect c = GetClientArea();
    if (form->MDIParent()) {
      const QPoint g = form->mapToGlobal(QPoint(c.Left, c.Top));
      p = {g.x(), g.y()};
    } else {
      p = {form->x() + c.Left, form->y() + c.Top};
    }
  }
  TPopupMenu* link = window_state_ == kwsTray ? tray_menu_link_ : system_menu_link_;
  if (link) {
    if (auto* skinned = dynamic_cast<TSeCustomPopupMenu*>(link)) {
      skinned->SetPopupMenuOptions(
          *(window_state_ == kwsTray ? tray_menu_options_.get() : system_menu_options_.get()));
      if (window_state_ == kwsTray) skinned->Items()->SetForegroundPopup(true);
    }
    link->Popup(p.X, p.Y);
    return;
  }
  BuildSystemMenu();
  if (!system_menu_) return;
  system_menu_->SetForegroundPopup(window_state_ == kwsTray);
  if (form) system_menu_->SetOwnerWindow(form);
  // The menu may outlive nothing: a command that frees the form runs only
  // after the loop has ended (the click is posted).
  system_menu_->Popup(nullptr, p.X, p.Y, TRect{});
}

void TSeCustomForm::AnimateShow() {
  TCustomForm* form = Form();
  if (!form || !animation_->Enabled() || animating_) return;
  animating_ = true;
  // The finished window, with the pixels outside its shape keyed out...
  TSeBitmap end;
  end.SetSize(window_width_, window_height_);
  end.Clear(KeyColor);
  PaintTo(end, 0, 0);
  const QRegion shape = form->mask().isEmpty() ? QRegion(0, 0, window_width_, window_height_) : form->mask();
  for (int y = 0; y < end.Height(); ++y)
    for (int x = 0; x < end.Width(); ++x)
      if (!shape.contains(QPoint(x, y))) *end.PixelPtr(x, y) = KeyColor;
  // ...comes in over what the screen showed there before.
  TSeBitmap start;
  start.SetSize(window_width_, window_height_);
  start.Clear(0xFF000000u | se::ColorToArgb(form->Color()));
  if (!background_.Empty() && background_.Width() == window_width_ && background_.Height() == window_height_)
    background_.DrawToBitmap(start, 0, 0, Rect(0, 0, window_width_, window_height_));
  TSeAnimationParams params;
  params.Effect = animation_->Effect();
  params.Direction = animation_->Direction();
  params.Time = animation_->Time();
  params.Resolution = animation_->Resolution();
  params.TileCount = animation_->TileCount();
  std::weak_ptr<int> alive = alive_;
  QPointer<TCustomForm> guard(form);
  se::RunAnimationEffect(start, end, params, [&](const TSeBitmap& frame, int step) {
    if (alive.expired() || !guard) return;
    animation_frame_ = &frame;
    form->repaint();
    if (OnAnimationStep) OnAnimationStep(this, step);
  });
  if (alive.expired()) return;
  animation_frame_ = nullptr;
  animating_ = false;
  if (guard) form->repaint();
}
