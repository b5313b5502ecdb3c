#pragma once
// TWidgetHost: the base of the standard controls that show a Qt widget (an
// edit, a button, a view) inside the control. The inner widget fills the
// control and takes its focus. Its mouse and key events reach the host's
// events (OnMouseDown, OnClick, OnKeyDown, ...) after the widget has acted
// on a press, so a handler already sees the new selection or caret; a key
// handler that zeroes the key keeps it from the widget, as on the host.
//
// Drag and drop follows the host's protocol: OnDragOver decides whether a
// drop is accepted (Source is the control the drag came from, null for a
// drag from another program), OnDragDrop takes it. DragMode dmAutomatic
// starts a drag of the control itself when the mouse moves with the left
// button held.
//
// Scrolling controls answer WM_VSCROLL / WM_HSCROLL (code in the low word,
// thumb position in the high word) and report their scroll bars through
// ScrollInfo, for overlay scroll bars drawn by a skin.

#include <QPointer>
#include <cstdint>
#include <functional>

#include "platform/gui/Controls.h"
#include "platform/gui/Forms.h"

class QAbstractScrollArea;
class QMimeData;
class TPopupMenu;

enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
enum TDragMode { dmManual, dmAutomatic };
enum TScrollBarKind { sbHorizontal, sbVertical };
// A control's border: bsNone or bsSingle (the form's styles, as on the host).
using TBorderStyle = TFormBorderStyle;

constexpr unsigned WM_HSCROLL = 0x0114;
constexpr unsigned WM_VSCROLL = 0x0115;
enum : int {
  SB_LINEUP = 0,
  SB_LINELEFT = 0,
  SB_LINEDOWN = 1,
  SB_LINERIGHT = 1,
  SB_PAGEUP = 2,
  SB_PAGELEFT = 2,
  SB_PAGEDOWN = 3,
  SB_PAGERIGHT = 3,
  SB_THUMBPOSITION = 4,
  SB_THUMBTRACK = 5,
  SB_TOP = 6,
  SB_LEFT = 6,
  SB_BOTTOM = 7,
  SB_RIGHT = 7,
  SB_ENDSCROLL = 8
};

// One scroll bar of a control: range, page and position, and where the bar
// stands in the control's own coordinates.
struct TScrollInfo {
  bool Visible = false;
  int Min = 0;
  int Max = 0;
  int PageSize = 0;
  int Position = 0;
  TRect BarRect;
};

// The mime type of a drag started by a control of this program.
inline constexpr const char* kControlDragMime = "application/x-burner-control-drag";

// The control `object` belongs to (itself or its nearest control parent).
TControl* FindControlOf(QObject* object);

class TWidgetHost : public TWinControl {
  Q_OBJECT

 public:
  explicit TWidgetHost(TComponent* owner = nullptr);
  ~TWidgetHost() override;

  QWidget* Inner() const { return inner_; }

  TDragMode DragMode() const { return drag_mode_; }
  void SetDragMode(TDragMode mode) { drag_mode_ = mode; }
  // Asks OnDragOver; without a handler nothing is accepted.
  bool DragOver(TControl* source, int x, int y, TDragState state);
  void DragDrop(TControl* source, int x, int y);
  bool Dragging() const { return dragging_; }

  // The popup shown by a right click (null for none); the control does not
  // own it and forgets it when it is freed.
  TPopupMenu* PopupMenu() const { return popup_menu_; }
  void SetPopupMenu(TPopupMenu* menu);

  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle style);

  // False when the control has no scroll bars at all.
  bool ScrollInfo(TScrollBarKind kind, TScrollInfo& info) const;

  std::function<void(TControl* sender, TControl* source, int x, int y, TDragState state, bool& accept)>
      OnDragOver;
  std::function<void(TControl* sender, TControl* source, int x, int y)> OnDragDrop;
  std::function<void(TControl* sender, TControl* target, int x, int y)> OnEndDrag;
  std::function<void(TControl* sender, TPoint mouse, bool& handled)> OnContextPopup;

 protected:
  // Makes `inner` the widget shown; `area` is its scrolling part (views,
  // edits), whose viewport receives mouse and drop events.
  void SetInner(QWidget* inner, QAbstractScrollArea* area = nullptr);
  // Whether a click on the inner widget is a host click (buttons raise
  // their own from the widget's clicked signal).
  void SetForwardClicks(bool forward) { forward_clicks_ = forward; }
  // Drag hooks for the views: where the drop would land.
  virtual void DragHover(int x, int y) { (void)x, (void)y; }
  virtual void DragEnded() {}
  // The data a drag of this control carries besides the control mime type.
  virtual void FillDragData(QMimeData& data) { (void)data; }
  void Dispatch(TMessage& message) override;
  void Notification(TComponent* component, TOperation operation) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void FontChanged() override;
  void ColorChanged() override;
  void EnabledChanged() override;
  QAbstractScrollArea* ScrollArea() const { return area_; }

 private:
  bool FilterMouse(QObject* watched, QEvent* event);
  bool FilterKey(QEvent* event);
  bool FilterDrag(QEvent* event);
  void StartDrag();
  void ApplyInnerPalette();

  QWidget* inner_ = nullptr;
  QAbstractScrollArea* area_ = nullptr;
  TPopupMenu* popup_menu_ = nullptr;
  TDragMode drag_mode_ = dmManual;
  TBorderStyle border_style_ = bsSingle;
  bool forward_clicks_ = true;
  bool pressed_ = false;
  bool dragging_ = false;
  QPoint press_pos_;
  QEvent* forwarding_ = nullptr;
  // The last key event the inner widget's filter raised the key events for:
  // the same event reaching the host afterwards (the inner widget left it
  // unused) must not raise them again. The time stamp tells a new event at
  // the same address apart.
  const QKeyEvent* filtered_key_ = nullptr;
  quint64 filtered_key_time_ = 0;
};
