#pragma once
// Controls: every control is a QWidget that is also a component. TControl
// keeps the host's properties (bounds, alignment, caption, colour, font,
// hint, cursor) and raises the host's events (mouse, click, enter/leave,
// resize); TWinControl adds children, focus and keys; TGraphicControl and
// TCustomControl paint themselves through a Canvas in Paint.
//
// Library-private messages are TMessageEvents: Perform sends one at once,
// PostMessage queues it; a control answers them in Dispatch.

#include <QEvent>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/gui/Color.h"
#include "platform/gui/Component.h"
#include "platform/gui/Geometry.h"
#include "platform/gui/Graphics.h"

class TCanvas;
class TWinControl;
class TCustomForm;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TMouseButton { mbLeft, mbRight, mbMiddle };

using TShiftState = unsigned;
enum : unsigned {
  ssShift = 1,
  ssAlt = 2,
  ssCtrl = 4,
  ssLeft = 8,
  ssRight = 16,
  ssMiddle = 32,
  ssDouble = 64
};

// The host's shift state and mouse button of a Qt event.
TShiftState ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::NoButton);
// False for a button the host has no name for.
bool ButtonOf(Qt::MouseButton qt, TMouseButton& button);

using TCursor = int;
enum : int {
  crDefault = 0,
  crNone = -1,
  crArrow = -2,
  crCross = -3,
  crIBeam = -4,
  crSizeNESW = -6,
  crSizeNS = -7,
  crSizeNWSE = -8,
  crSizeWE = -9,
  crUpArrow = -10,
  crHourGlass = -11,
  crDrag = -12,
  crNoDrop = -13,
  crHSplit = -14,
  crVSplit = -15,
  crMultiDrag = -16,
  crSQLWait = -17,
  crNo = -18,
  crAppStart = -19,
  crHelp = -20,
  crHandPoint = -21,
  crSizeAll = -22,
};

// A library message and its answer.
struct TMessage {
  unsigned Msg = 0;
  std::intptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
};

// The Qt event that carries a TMessage.
class TMessageEvent final : public QEvent {
 public:
  explicit TMessageEvent(const TMessage& message) : QEvent(EventType()), message_(message) {}
  static QEvent::Type EventType();
  TMessage& Message() { return message_; }

 private:
  TMessage message_;
};

// Queues `msg` for `control`; dropped if the control is gone by then.
void PostMessage(QObject* control, unsigned msg, std::intptr_t wparam = 0, std::intptr_t lparam = 0);

class TControl : public QWidget, public TComponent {
  Q_OBJECT

 public:
  explicit TControl(TComponent* owner = nullptr, Qt::WindowFlags flags = {});
  ~TControl() override;

  // Bounds, relative to the parent (the screen for a form).
  // In the parent's client coordinates (a form whose frame is drawn by the
  // program keeps its children clear of it: see TWinControl::ClientOffset).
  int Left() const;
  int Top() const;
  int Width() const { return width(); }
  int Height() const { return height(); }
  void SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }
  void SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }
  void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
  void SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Bounds(Left(), Top(), Width(), Height()); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
  virtual TRect ClientRect() const { return Rect(0, 0, Width(), Height()); }
  int ClientWidth() const { return ClientRect().Width(); }
  int ClientHeight() const { return ClientRect().Height(); }
  void SetClientWidth(int width) { SetWidth(Width() - ClientWidth() + width); }
  void SetClientHeight(int height) { SetHeight(Height() - ClientHeight() + height); }
  TPoint ClientToScreen(const TPoint& p) const;
  TPoint ScreenToClient(const TPoint& p) const;

  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);

  // The Visible property: whether the control wants to be shown; it shows
  // once its parent does.
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Showing() const { return isVisible(); }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  // Caption and Text are the same string.
  const QString& Caption() const { return text_; }
  void SetCaption(const QString& caption) { SetText(caption); }
  const QString& Text() const { return text_; }
  void SetText(const QString& text);

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  bool ParentColor() const { return parent_color_; }
  void SetParentColor(bool parent_color);
  // The control's own font. Changing it in place (Font()->SetName(...)) is
  // the same as SetFont with the changed font.
  TFont* Font() { return &font_; }
  const TFont* Font() const { return &font_; }
  // A font of its own: ParentFont ends and the control hears of the change.
  void SetFont(const TFont& font);
  bool ParentFont() const { return parent_font_; }
  void SetParentFont(bool parent_font);

  const QString& Hint() const { return hint_; }
  void SetHint(const QString& hint);
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool show);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);

  void Invalidate() { update(); }
  void Repaint() { repaint(); }
  void Refresh() { repaint(); }
  void Update() { repaint(); }
  void BringToFront() { raise(); }
  void SendToBack() { lower(); }

  // Sends a library message to this control now; returns its Result.
  std::intptr_t Perform(unsigned msg, std::intptr_t wparam = 0, std::intptr_t lparam = 0);

  std::function<void(TControl*)> OnClick;
  std::function<void(TControl*)> OnDblClick;
  std::function<void(TControl*, TMouseButton, TShiftState, int x, int y)> OnMouseDown;
  std::function<void(TControl*, TMouseButton, TShiftState, int x, int y)> OnMouseUp;
  std::function<void(TControl*, TShiftState, int x, int y)> OnMouseMove;
  std::function<void(TControl*)> OnMouseEnter;
  std::function<void(TControl*)> OnMouseLeave;
  std::function<void(TControl*)> OnResize;

  // Fires OnClick (buttons override it to do more first).
  virtual void Click();

 protected:
  // Overridable steps of the host's event order; each default raises the
  // matching OnX event.
  virtual void DblClick();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void Resize();
  // Change notices (the host's CM_TEXTCHANGED, CM_COLORCHANGED, ...).
  virtual void TextChanged() { update(); }
  virtual void ColorChanged();
  virtual void FontChanged();
  virtual void EnabledChanged() { update(); }
  virtual void VisibleChanged() {}
  // Answers a library message; the default leaves Result 0.
  virtual void Dispatch(TMessage& message) { (void)message; }

  // A parent's colour or font changed: follow it when ParentColor/ParentFont.
  void ParentColorChanged();
  void ParentFontChanged();
  // The widget's background is painted with Color (windowed controls).
  void SetOpaqueBackground(bool opaque);

  bool event(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  friend class TWinControl;
  friend class TCustomForm;
  void ApplyPalette();
  void NotifyParentLayout();
  // The font's change notice: a caller's change makes the font the
  // control's own; the control's own assignments pass through AssignFont.
  void FontEdited();
  void AssignFont(const TFont& font);

  TWinControl* parent_ = nullptr;
  TAlign align_ = alNone;
  bool visible_ = true;
  bool enabled_ = true;
  QString text_;
  TColor color_ = clBtnFace;
  bool parent_color_ = true;
  TFont font_;
  bool parent_font_ = true;
  bool assigning_font_ = false;
  bool opaque_ = false;
  QString hint_;
  bool show_hint_ = false;
  TCursor cursor_ = crDefault;
  bool pressed_ = false;
  bool double_pressed_ = false;
};

// A control that can hold others, take the focus and receive keys.
class TWinControl : public TControl {
  Q_OBJECT

 public:
  explicit TWinControl(TComponent* owner = nullptr, Qt::WindowFlags flags = {});

  int ControlCount() const;
  TControl* Controls(int index) const;
  // Where the client area starts inside the widget: children's bounds are
  // relative to it. Zero except on a form with a self-drawn frame.
  TPoint ClientOffset() const { return client_offset_; }
  // Sends the message to every child control (not further down).
  void Broadcast(TMessage& message);
  // Lays out the aligned children again.
  void Realign();

  bool Focused() const { return hasFocus(); }
  bool CanFocus() const;
  void SetFocus();
  bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
  void SetTabStop(bool stop) { setFocusPolicy(stop ? Qt::StrongFocus : Qt::NoFocus); }

  std::function<void(TControl*, int& key, TShiftState)> OnKeyDown;
  std::function<void(TControl*, int& key, TShiftState)> OnKeyUp;
  std::function<void(TControl*, QChar& key)> OnKeyPress;
  std::function<void(TControl*)> OnEnter;
  std::function<void(TControl*)> OnExit;

 protected:
  virtual void KeyDown(int& key, TShiftState shift);
  virtual void KeyUp(int& key, TShiftState shift);
  virtual void KeyPress(QChar& key);
  // Focus arrives or leaves (the host's CM_ENTER / CM_EXIT).
  virtual void DoEnter();
  virtual void DoExit();
  virtual void AlignControls(TRect& client);

  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void ColorChanged() override;
  void FontChanged() override;

 private:
  bool aligning_ = false;

 protected:
  // Set by a form whose frame the program draws.
  TPoint client_offset_{0, 0};
};

// Shared by the two painting bases: a canvas on the widget during Paint.
class TCanvasPainting {
 public:
  TCanvasPainting();
  ~TCanvasPainting();
  TCanvas* Canvas() { return canvas_.get(); }

 protected:
  void PaintWith(QWidget* widget, const TFont& font, TColor brush, const std::function<void()>& paint);

 private:
  std::unique_ptr<TCanvas> canvas_;
};

// A control without children that paints itself (labels, images, speed
// buttons). Its background is the parent's unless it paints one.
class TGraphicControl : public TControl, public TCanvasPainting {
  Q_OBJECT

 public:
  explicit TGraphicControl(TComponent* owner = nullptr);

 protected:
  virtual void Paint() {}
  void paintEvent(QPaintEvent* event) override;
};

// A windowed control that paints itself; its background is filled with
// Color before Paint.
class TCustomControl : public TWinControl, public TCanvasPainting {
  Q_OBJECT

 public:
  explicit TCustomControl(TComponent* owner = nullptr);

 protected:
  virtual void Paint() {}
  void paintEvent(QPaintEvent* event) override;
};

// The form that holds `control` (null when it is on none).
TCustomForm* GetParentForm(const TControl* control);
// The host's key codes for Qt keys (VK_* values) and back.
int VirtualKeyFromQt(int qt_key);
// The host key codes that key handlers compare with by name.
inline constexpr int VK_DELETE = 0x2E;
inline constexpr int VK_F1 = 0x70;
inline constexpr int VK_F5 = 0x74;
