#include "platform/gui/Hints.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "platform/gui/Application.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/DrawText.h"
#include "platform/gui/Graphics.h"
#include "platform/gui/Painters.h"

namespace {

// Below the mouse pointer, where the hint does not hide what it explains.
constexpr int kBelowCursor = 20;

class HintMachine : public QObject {
 public:
  THintWindowClass window_class = nullptr;
  QPointer<THintWindow> window;
  QPointer<TControl> control;
  QMetaObject::Connection control_gone;
  TRect cursor_rect;  // screen coordinates
  QTimer hide_timer;
  int hide_pause = 2500;
  bool filtering = false;

  HintMachine() {
    hide_timer.setSingleShot(true);
    QObject::connect(&hide_timer, &QTimer::timeout, [] { hints::CancelHint(); });
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    (void)watched;
    if (!window) return false;
    if (event->type() == QEvent::MouseMove) {
      const QPoint p = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
      if (!PtInRect(cursor_rect, {p.x(), p.y()})) hints::CancelHint();
      return false;
    }
    if (window->IsHintMsg(event)) hints::CancelHint();
    return false;
  }
};

HintMachine& Machine() {
  // Lives as long as the program: the hint machinery outlasts every window.
  static HintMachine* machine = new HintMachine;
  return *machine;
}

QString ShortHint(const QString& hint) {
  const qsizetype bar = hint.indexOf(QLatin1Char('|'));
  return bar < 0 ? hint : hint.left(bar);
}

}  // namespace

// ---- THintWindow ----------------------------------------------------------

THintWindow::THintWindow(TComponent* owner) : TCustomForm(owner) {
  setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  setAttribute(Qt::WA_ShowWithoutActivating);
  // The mouse passes through to whatever lies below.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  SetColor(Application().HintColor());
  Font()->SetColor(clInfoText);
}

TRect THintWindow::CalcHintRect(int maxWidth, const QString& hint, TComponent* data) {
  (void)data;
  QImage surface(1, 1, QImage::Format_ARGB32);
  TCanvas canvas(&surface);
  canvas.SetFont(*Font());
  TRect r = Rect(0, 0, std::max(1, maxWidth), 0);
  DrawText(canvas, hint, r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  r.Right += 6;
  r.Bottom += 2;
  return r;
}

void THintWindow::ActivateHint(const TRect& rect, const QString& hint) {
  SetCaption(hint);
  const TRect r = KeepRectOnScreen(rect, ScreenBoundsAt(cursor_pos_));
  setGeometry(r.Left, r.Top, r.Width(), r.Height());
  show();
  raise();
  update();
}

void THintWindow::ActivateHintData(const TRect& rect, const QString& hint, TComponent* data) {
  (void)data;
  ActivateHint(rect, hint);
}

bool THintWindow::IsHintMsg(QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::ApplicationStateChange:
    case QEvent::ApplicationDeactivate:
      return true;
    default:
      return false;
  }
}

void THintWindow::ReleaseHandle() { hide(); }

void THintWindow::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  TCanvas canvas;
  canvas.BeginPainting(&painter);
  TRect r = Rect(0, 0, width(), height());
  canvas.Brush().SetColor(Color());
  canvas.FillRect(r);
  DrawEdge(canvas, r, BDR_RAISEDOUTER, BF_RECT);
  canvas.SetFont(*Font());
  canvas.Brush().SetStyle(bsClear);
  TRect text = Rect(3, 1, width() - 3, height() - 1);
  DrawText(canvas, Caption(), text, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

// ---- Module settings --------------------------------------------------------

THintWindowClass HintWindowClass() { return Machine().window_class; }

void SetHintWindowClass(THintWindowClass value) {
  HintMachine& m = Machine();
  if (value == m.window_class) return;
  hints::CancelHint();
  m.window_class = value;
  if (m.window) m.window->deleteLater();
  m.window = nullptr;
}

int HintHidePause() { return Machine().hide_pause; }
void SetHintHidePause(int ms) { Machine().hide_pause = std::max(0, ms); }

TRect ScreenBoundsAt(const QPoint& p) {
  QScreen* screen = QGuiApplication::screenAt(p);
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return Rect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  const QRect g = screen->geometry();
  return Bounds(g.x(), g.y(), g.width(), g.height());
}

TRect KeepRectOnScreen(TRect r, const TRect& screen) {
  const int w = r.Width();
  const int h = r.Height();
  int left = r.Left;
  int top = r.Top;
  if (left + w > screen.Right) left = screen.Right - w;
  if (top + h > screen.Bottom) top = screen.Bottom - h;
  left = std::max(left, screen.Left);
  top = std::max(top, screen.Top);
  return Bounds(left, top, w, h);
}

// ---- The machinery ----------------------------------------------------------

namespace hints {

bool ShowControlHint(TControl* control, const QPoint& globalPos) {
  HintMachine& m = Machine();
  if (!m.window_class || !control || !control->ShowHint() || control->Hint().isEmpty()) return false;
  THintInfo info;
  info.HintControl = control;
  info.CursorPos = control->mapFromGlobal(globalPos);
  info.CursorRect = Rect(0, 0, control->width(), control->height());
  info.HintPos = globalPos + QPoint(0, kBelowCursor);
  info.HintMaxWidth = ScreenBoundsAt(globalPos).Width();
  info.HintColor = Application().HintColor();
  QString text = ShortHint(control->Hint());
  bool canShow = true;
  QPointer<TControl> guard(control);
  if (Application().OnShowHint)
    CallGuarded(&Application(), [&] { Application().OnShowHint(text, canShow, info); });
  CancelHint();
  if (!guard || !canShow || text.isEmpty()) return true;
  if (!m.window) m.window = m.window_class(nullptr);
  if (!m.window) return false;
  m.window->SetCursorScreenPos(globalPos);
  m.window->SetColor(info.HintColor);
  TRect r = m.window->CalcHintRect(info.HintMaxWidth, text, info.HintData);
  OffsetRect(r, info.HintPos.x(), info.HintPos.y());
  m.window->ActivateHintData(r, text, info.HintData);
  if (!guard) {
    CancelHint();
    return true;
  }
  m.control = control;
  const QPoint origin = control->mapToGlobal(QPoint(info.CursorRect.Left, info.CursorRect.Top));
  m.cursor_rect = Bounds(origin.x(), origin.y(), info.CursorRect.Width(), info.CursorRect.Height());
  // The hint goes with its control, before anything could call into it.
  m.control_gone = QObject::connect(control, &QObject::destroyed, [] { CancelHint(); });
  if (!m.filtering && qApp) {
    qApp->installEventFilter(&m);
    m.filtering = true;
  }
  if (m.hide_pause > 0) m.hide_timer.start(m.hide_pause);
  return true;
}

void CancelHint() {
  HintMachine& m = Machine();
  m.hide_timer.stop();
  if (m.filtering && qApp) qApp->removeEventFilter(&m);
  m.filtering = false;
  QObject::disconnect(m.control_gone);
  m.control = nullptr;
  if (m.window) m.window->ReleaseHandle();
}

THintWindow* ShownHintWindow() {
  HintMachine& m = Machine();
  return m.window && m.window->isVisible() ? m.window.data() : nullptr;
}

TControl* ShownHintControl() { return ShownHintWindow() ? Machine().control.data() : nullptr; }

}  // namespace hints
