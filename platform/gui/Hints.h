#pragma once
// Hints drawn by the program: a THintWindow class the program may install
// in place of Qt's tooltip. With no class installed (the default) a
// control's Hint shows as Qt's tooltip. With one installed, the hint
// machinery answers the tooltip request of a control that has a hint: it
// fills a THintInfo, lets Application().OnShowHint change or cancel it, has
// a hint window of the installed class measure it (CalcHintRect) and show
// it (ActivateHintData), and hides it again on whatever IsHintMsg names, on
// leaving the control, after HintHidePause, or when the control goes. The
// window never calls into a control that has been destroyed.

#include <QPoint>
#include <QPointer>
#include <QString>

#include "platform/gui/Forms.h"
#include "platform/gui/Geometry.h"

class QEvent;

struct THintInfo {
  TControl* HintControl = nullptr;
  // Screen point of the window's top-left corner.
  QPoint HintPos;
  int HintMaxWidth = 0;
  TColor HintColor = clInfoBk;
  // The control's area (its coordinates) the mouse may roam without
  // hiding the hint.
  TRect CursorRect;
  // The mouse in the control's coordinates.
  QPoint CursorPos;
  // What the application's OnShowHint hands to the window (the program's
  // hint windows know only components).
  TComponent* HintData = nullptr;
};

// A top-level tool window (Qt::ToolTip) that never takes the focus.
class THintWindow : public TCustomForm {
  Q_OBJECT

 public:
  explicit THintWindow(TComponent* owner = nullptr);

  // The screen rectangle the hint needs, at (0, 0).
  virtual TRect CalcHintRect(int maxWidth, const QString& hint, TComponent* data);
  // Shows the hint at the screen rectangle.
  virtual void ActivateHint(const TRect& rect, const QString& hint);
  virtual void ActivateHintData(const TRect& rect, const QString& hint, TComponent* data);
  // True for an event that hides the hint.
  virtual bool IsHintMsg(QEvent* event);
  // Hides the window.
  virtual void ReleaseHandle();

  // Where the mouse was when the hint was asked for (screen point); the
  // hint stays on the screen that holds it.
  QPoint CursorScreenPos() const { return cursor_pos_; }
  void SetCursorScreenPos(const QPoint& p) { cursor_pos_ = p; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPoint cursor_pos_;
};

// Makes the hint window; null means Qt's own tooltip.
using THintWindowClass = THintWindow* (*)(TComponent* owner);

THintWindowClass HintWindowClass();
// Installs a class; the current hint window goes (the next hint makes one
// of the new class).
void SetHintWindowClass(THintWindowClass value);

// Milliseconds a hint stays.
int HintHidePause();
void SetHintHidePause(int ms);

// The bounds of the screen that holds the point (the primary screen when
// none does).
TRect ScreenBoundsAt(const QPoint& p);
// `r` moved (never resized) to lie on `screen` where it fits, its top-left
// corner kept on the screen where it does not.
TRect KeepRectOnScreen(TRect r, const TRect& screen);

// The hint machinery, for controls and tests.
namespace hints {
// Shows the hint of `control` for the mouse at `globalPos`; false when the
// control has no hint to show or no hint window class is installed.
bool ShowControlHint(TControl* control, const QPoint& globalPos);
void CancelHint();
// The window showing a hint now, else null.
THintWindow* ShownHintWindow();
// The control whose hint shows now, else null.
TControl* ShownHintControl();
}  // namespace hints
