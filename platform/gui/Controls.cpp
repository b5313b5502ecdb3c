#include "platform/gui/Controls.h"

#include <QCoreApplication>
#include <QCursor>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>

#include "platform/gui/Application.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Hints.h"

TShiftState ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  TShiftState shift = 0;
  if (modifiers & Qt::ShiftModifier) shift |= ssShift;
  if (modifiers & Qt::AltModifier) shift |= ssAlt;
  if (modifiers & Qt::ControlModifier) shift |= ssCtrl;
  if (buttons & Qt::LeftButton) shift |= ssLeft;
  if (buttons & Qt::RightButton) shift |= ssRight;
  if (buttons & Qt::MiddleButton) shift |= ssMiddle;
  return shift;
}

bool ButtonOf(Qt::MouseButton qt, TMouseButton& button) {
  switch (qt) {
    case Qt::LeftButton:
      button = mbLeft;
      return true;
    case Qt::RightButton:
      button = mbRight;
      return true;
    case Qt::MiddleButton:
      button = mbMiddle;
      return true;
    default:
      return false;
  }
}

namespace {

Qt::CursorShape ShapeOf(TCursor cursor) {
  switch (cursor) {
    case crNone:
      return Qt::BlankCursor;
    case crCross:
      return Qt::CrossCursor;
    case crIBeam:
      return Qt::IBeamCursor;
    case crSizeNESW:
      return Qt::SizeBDiagCursor;
    case crSizeNS:
      return Qt::SizeVerCursor;
    case crSizeNWSE:
      return Qt::SizeFDiagCursor;
    case crSizeWE:
      return Qt::SizeHorCursor;
    case crUpArrow:
      return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait:
      return Qt::WaitCursor;
    case crDrag:
    case crMultiDrag:
      return Qt::DragCopyCursor;
    case crNoDrop:
    case crNo:
      return Qt::ForbiddenCursor;
    case crHSplit:
      return Qt::SplitHCursor;
    case crVSplit:
      return Qt::SplitVCursor;
    case crAppStart:
      return Qt::BusyCursor;
    case crHelp:
      return Qt::WhatsThisCursor;
    case crHandPoint:
      return Qt::PointingHandCursor;
    case crSizeAll:
      return Qt::SizeAllCursor;
    default:
      return Qt::ArrowCursor;
  }
}

}  // namespace

QEvent::Type TMessageEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

void PostMessage(QObject* control, unsigned msg, std::intptr_t wparam, std::intptr_t lparam) {
  // Qt drops events queued for an object that is deleted before they run.
  if (control) QCoreApplication::postEvent(control, new TMessageEvent({msg, wparam, lparam, 0}));
}

// ---- TControl ----

TControl::TControl(TComponent* owner, Qt::WindowFlags flags) : QWidget(nullptr, flags), TComponent(owner) {
  setAttribute(Qt::WA_Hover, false);
  setMouseTracking(true);
  font_.OnChange = [this](TGraphicsObject*) { FontEdited(); };
}

TControl::~TControl() {
  MarkDestroying();
  // Owned parts go while this is still a whole control.
  DestroyComponents();
}

int TControl::Left() const { return x() - (parent_ ? parent_->ClientOffset().X : 0); }
int TControl::Top() const { return y() - (parent_ ? parent_->ClientOffset().Y : 0); }

void TControl::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (left == Left() && top == Top() && width == Width() && height == Height()) return;
  const TPoint offset = parent_ ? parent_->ClientOffset() : TPoint{0, 0};
  setGeometry(left + offset.X, top + offset.Y, width, height);
  // Hidden widgets get no resize event until shown; lay out now.
  if (auto* container = dynamic_cast<TWinControl*>(this)) container->Realign();
  NotifyParentLayout();
}

TPoint TControl::ClientToScreen(const TPoint& p) const {
  QPoint q = mapToGlobal(QPoint(p.X, p.Y));
  return {q.x(), q.y()};
}

TPoint TControl::ScreenToClient(const TPoint& p) const {
  QPoint q = mapFromGlobal(QPoint(p.X, p.Y));
  return {q.x(), q.y()};
}

void TControl::SetAlign(TAlign align) {
  if (align == align_) return;
  align_ = align;
  NotifyParentLayout();
}

void TControl::NotifyParentLayout() {
  if (parent_ && align_ != alNone) parent_->Realign();
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent == this) throw EComponentError("A control cannot be its own parent");
  // The bounds stay the same in client coordinates (a control leaving its
  // parent keeps its place: the parent may be on its way out).
  QRect bounds = geometry();
  if (parent) {
    bounds.moveTo(Left(), Top());
    bounds.translate(parent->ClientOffset().X, parent->ClientOffset().Y);
  }
  parent_ = parent;
  const Qt::WindowFlags flags = windowFlags();
  setParent(parent, parent ? (flags & ~Qt::Window) : flags);
  setGeometry(bounds);
  if (parent) {
    if (parent_color_) ParentColorChanged();
    if (parent_font_) ParentFontChanged();
    parent->Realign();
  }
  // Reparenting hides a widget; the Visible property decides.
  if (parent && visible_) QWidget::show();
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_ && (visible ? !isHidden() : isHidden())) return;
  const bool changed = visible != visible_;
  visible_ = visible;
  QWidget::setVisible(visible);
  if (changed) {
    VisibleChanged();
    NotifyParentLayout();
  }
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  QWidget::setEnabled(enabled);
  EnabledChanged();
}

void TControl::SetText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  TextChanged();
}

void TControl::SetColor(TColor color) {
  parent_color_ = false;
  if (color == color_) return;
  color_ = color;
  ColorChanged();
}

void TControl::SetParentColor(bool parent_color) {
  if (parent_color == parent_color_) return;
  parent_color_ = parent_color;
  if (parent_color) ParentColorChanged();
}

void TControl::ParentColorChanged() {
  if (!parent_color_ || !parent_) return;
  if (color_ != parent_->Color()) {
    color_ = parent_->Color();
    ColorChanged();
  }
  parent_color_ = true;
}

void TControl::SetFont(const TFont& font) {
  parent_font_ = false;
  if (font_ == font) return;
  AssignFont(font);
  FontChanged();
}

void TControl::AssignFont(const TFont& font) {
  assigning_font_ = true;
  font_.Assign(font);
  assigning_font_ = false;
}

void TControl::FontEdited() {
  if (assigning_font_) return;
  parent_font_ = false;
  FontChanged();
}

void TControl::SetParentFont(bool parent_font) {
  if (parent_font == parent_font_) return;
  parent_font_ = parent_font;
  if (parent_font) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!parent_font_ || !parent_) return;
  if (!(font_ == *parent_->Font())) {
    AssignFont(*parent_->Font());
    FontChanged();
  }
  parent_font_ = true;
}

void TControl::ColorChanged() {
  ApplyPalette();
  update();
}

void TControl::FontChanged() {
  QWidget::setFont(font_.ToQFont());
  ApplyPalette();
  update();
}

void TControl::SetOpaqueBackground(bool opaque) {
  opaque_ = opaque;
  ApplyPalette();
}

void TControl::ApplyPalette() {
  QPalette palette = QWidget::palette();
  palette.setColor(QPalette::Window, ColorToQColor(color_));
  palette.setColor(QPalette::WindowText, ColorToQColor(font_.Color()));
  QWidget::setPalette(palette);
  setAutoFillBackground(opaque_);
}

void TControl::SetHint(const QString& hint) {
  hint_ = hint;
  setToolTip(show_hint_ ? hint_ : QString());
}

void TControl::SetShowHint(bool show) {
  show_hint_ = show;
  setToolTip(show_hint_ ? hint_ : QString());
}

void TControl::SetCursor(TCursor cursor) {
  cursor_ = cursor;
  if (cursor == crDefault)
    unsetCursor();
  else
    setCursor(QCursor(ShapeOf(cursor)));
}

std::intptr_t TControl::Perform(unsigned msg, std::intptr_t wparam, std::intptr_t lparam) {
  TMessageEvent event({msg, wparam, lparam, 0});
  QCoreApplication::sendEvent(this, &event);
  return event.Message().Result;
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}
void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}
void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}
void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}
void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}
void TControl::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(this);
}
void TControl::MouseLeave() {
  if (OnMouseLeave) OnMouseLeave(this);
}
void TControl::Resize() {
  if (OnResize) OnResize(this);
}

bool TControl::event(QEvent* event) {
  // An exception must not unwind through Qt: it ends here, in the
  // application's exception hook, as on the host.
  try {
    // Application.ShowHint off silences every hint.
    if (event->type() == QEvent::ToolTip && !Application().ShowHint()) return true;
    // A hint window class of the program's own takes over from Qt's tooltip.
    if (event->type() == QEvent::ToolTip &&
        hints::ShowControlHint(this, static_cast<QHelpEvent*>(event)->globalPos()))
      return true;
    if (event->type() == TMessageEvent::EventType()) {
      Dispatch(static_cast<TMessageEvent*>(event)->Message());
      return true;
    }
    return QWidget::event(event);
  } catch (...) {
    Application().HandleException(this);
    return true;
  }
}

void TControl::mousePressEvent(QMouseEvent* event) {
  TMouseButton button;
  if (!ButtonOf(event->button(), button)) return;
  if (button == mbLeft) {
    pressed_ = true;
    double_pressed_ = false;
  }
  const QPoint p = event->position().toPoint();
  MouseDown(button, ShiftOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TControl::mouseDoubleClickEvent(QMouseEvent* event) {
  TMouseButton button;
  if (!ButtonOf(event->button(), button)) return;
  if (button == mbLeft) {
    pressed_ = true;
    double_pressed_ = true;
  }
  const QPoint p = event->position().toPoint();
  QPointer<TControl> self(this);
  MouseDown(button, ShiftOf(event->modifiers(), event->buttons()) | ssDouble, p.x(), p.y());
  if (self && button == mbLeft) DblClick();
}

void TControl::mouseReleaseEvent(QMouseEvent* event) {
  TMouseButton button;
  if (!ButtonOf(event->button(), button)) return;
  const QPoint p = event->position().toPoint();
  const bool click = button == mbLeft && pressed_ && !double_pressed_ && rect().contains(p);
  if (button == mbLeft) pressed_ = false;
  QPointer<TControl> self(this);
  // The host clicks before it reports the release.
  if (click) Click();
  if (self) MouseUp(button, ShiftOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TControl::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  MouseMove(ShiftOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TControl::enterEvent(QEnterEvent*) { MouseEnter(); }
void TControl::leaveEvent(QEvent*) { MouseLeave(); }

void TControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Resize();
}

void TControl::moveEvent(QMoveEvent* event) { QWidget::moveEvent(event); }

// ---- TWinControl ----

TWinControl::TWinControl(TComponent* owner, Qt::WindowFlags flags) : TControl(owner, flags) {
  setFocusPolicy(Qt::StrongFocus);
}

int TWinControl::ControlCount() const {
  int count = 0;
  for (QObject* child : children())
    if (auto* c = dynamic_cast<TControl*>(child); c && c->parent_ == this) ++count;
  return count;
}

TControl* TWinControl::Controls(int index) const {
  for (QObject* child : children())
    if (auto* c = dynamic_cast<TControl*>(child); c && c->parent_ == this && index-- == 0) return c;
  return nullptr;
}

void TWinControl::Broadcast(TMessage& message) {
  for (int i = 0; i < ControlCount(); ++i) {
    TMessageEvent event(message);
    QCoreApplication::sendEvent(Controls(i), &event);
    if (event.Message().Result != 0) {
      message.Result = event.Message().Result;
      return;
    }
  }
}

bool TWinControl::CanFocus() const { return isVisible() && isEnabled() && focusPolicy() != Qt::NoFocus; }

void TWinControl::SetFocus() {
  if (!isVisible() || !isEnabled()) throw Exception("Cannot focus a disabled or invisible window");
  setFocus(Qt::OtherFocusReason);
}

void TWinControl::Realign() {
  if (aligning_) return;
  aligning_ = true;
  TRect client = ClientRect();
  const TPoint offset = ClientOffset();
  client = Rect(client.Left + offset.X, client.Top + offset.Y, client.Right + offset.X, client.Bottom + offset.Y);
  AlignControls(client);
  aligning_ = false;
}

void TWinControl::AlignControls(TRect& client) {
  std::vector<TControl*> children;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (c->Align() != alNone && c->Visible()) children.push_back(c);
  }
  // Each side takes its controls in the order they stand from that side
  // (creation order breaks ties), as the host lays them out.
  auto take = [&](TAlign align, auto key) {
    std::vector<TControl*> these;
    for (TControl* c : children)
      if (c->Align() == align) these.push_back(c);
    std::stable_sort(these.begin(), these.end(), [&](TControl* a, TControl* b) { return key(a) < key(b); });
    for (TControl* c : these) {
      switch (align) {
        case alTop:
          c->setGeometry(client.Left, client.Top, client.Width(), c->Height());
          client.Top += c->Height();
          break;
        case alBottom:
          c->setGeometry(client.Left, client.Bottom - c->Height(), client.Width(), c->Height());
          client.Bottom -= c->Height();
          break;
        case alLeft:
          c->setGeometry(client.Left, client.Top, c->Width(), std::max(client.Height(), 0));
          client.Left += c->Width();
          break;
        case alRight:
          c->setGeometry(client.Right - c->Width(), client.Top, c->Width(), std::max(client.Height(), 0));
          client.Right -= c->Width();
          break;
        case alClient:
          c->setGeometry(client.Left, client.Top, std::max(client.Width(), 0), std::max(client.Height(), 0));
          break;
        default:
          break;
      }
    }
  };
  take(alTop, [](TControl* c) { return c->Top(); });
  take(alBottom, [](TControl* c) { return -(c->Top() + c->Height()); });
  take(alLeft, [](TControl* c) { return c->Left(); });
  take(alRight, [](TControl* c) { return -(c->Left() + c->Width()); });
  take(alClient, [](TControl*) { return 0; });
}

void TWinControl::resizeEvent(QResizeEvent* event) {
  Realign();
  TControl::resizeEvent(event);
}

void TWinControl::ColorChanged() {
  TControl::ColorChanged();
  for (int i = 0; i < ControlCount(); ++i) Controls(i)->ParentColorChanged();
}

void TWinControl::FontChanged() {
  TControl::FontChanged();
  for (int i = 0; i < ControlCount(); ++i) Controls(i)->ParentFontChanged();
}

void TWinControl::KeyDown(int& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}
void TWinControl::KeyUp(int& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}
void TWinControl::KeyPress(QChar& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}
void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}
void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::keyPressEvent(QKeyEvent* event) {
  int key = VirtualKeyFromQt(event->key());
  const int original = key;
  QPointer<TWinControl> self(this);
  KeyDown(key, ShiftOf(event->modifiers()));
  if (!self) return;
  // A handler that zeroes the key swallows it, as on the host.
  if (key == 0 && original != 0) return;
  if (!event->text().isEmpty()) {
    QChar c = event->text().at(0);
    KeyPress(c);
    if (c.isNull()) return;
  }
  event->ignore();
}

void TWinControl::keyReleaseEvent(QKeyEvent* event) {
  int key = VirtualKeyFromQt(event->key());
  KeyUp(key, ShiftOf(event->modifiers()));
  event->ignore();
}

void TWinControl::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  DoEnter();
}

void TWinControl::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  DoExit();
}

// ---- painting bases ----

TCanvasPainting::TCanvasPainting() : canvas_(std::make_unique<TCanvas>()) {}
TCanvasPainting::~TCanvasPainting() = default;

void TCanvasPainting::PaintWith(QWidget* widget, const TFont& font, TColor brush,
                                const std::function<void()>& paint) {
  QPainter painter(widget);
  canvas_->BeginPainting(&painter);
  canvas_->SetFont(font);
  canvas_->Brush().SetColor(brush);
  try {
    paint();
  } catch (...) {
    canvas_->EndPainting();
    throw;
  }
  canvas_->EndPainting();
}

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}

void TGraphicControl::paintEvent(QPaintEvent*) {
  PaintWith(this, *Font(), Color(), [this] { Paint(); });
}

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) { SetOpaqueBackground(true); }

void TCustomControl::paintEvent(QPaintEvent*) {
  PaintWith(this, *Font(), Color(), [this] { Paint(); });
}

TCustomForm* GetParentForm(const TControl* control) {
  for (const TControl* c = control; c; c = c->Parent())
    if (auto* form = dynamic_cast<const TCustomForm*>(c)) return const_cast<TCustomForm*>(form);
  return nullptr;
}

int VirtualKeyFromQt(int qt_key) {
  if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) return qt_key;  // same codes
  if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return qt_key;
  if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24) return 0x70 + (qt_key - Qt::Key_F1);
  switch (qt_key) {
    case Qt::Key_Backspace:
      return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:  // Shift+Tab: the host has one key with a shift state
      return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 0x0D;
    case Qt::Key_Shift:
      return 0x10;
    case Qt::Key_Control:
      return 0x11;
    case Qt::Key_Alt:
      return 0x12;
    case Qt::Key_Pause:
      return 0x13;
    case Qt::Key_Escape:
      return 0x1B;
    case Qt::Key_Space:
      return 0x20;
    case Qt::Key_PageUp:
      return 0x21;
    case Qt::Key_PageDown:
      return 0x22;
    case Qt::Key_End:
      return 0x23;
    case Qt::Key_Home:
      return 0x24;
    case Qt::Key_Left:
      return 0x25;
    case Qt::Key_Up:
      return 0x26;
    case Qt::Key_Right:
      return 0x27;
    case Qt::Key_Down:
      return 0x28;
    case Qt::Key_Insert:
      return 0x2D;
    case Qt::Key_Delete:
      return 0x2E;
    default:
      return 0;
  }
}
