#pragma once
// TQRXTrayIcon: the program's icon in the desktop's notification area,
// through the platform tray service. It turns the icon's clicks into
// component events, opens its popup menu on the right button, can cycle the
// icon through the images of an image list, and while it is active hides
// its owner form instead of minimising or closing it (when asked to), so a
// program can wait in the tray with no window at all.
//
// The tray service reports whole clicks; each becomes the press and release
// the events are defined on (a double click: the double press, then the
// release). The service reports no pointer movement, so OnMouseMove only
// fires when a caller passes a move in through TrayMessage.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "effects/QRXTimer.h"
#include "effects/QRXWndProcComponent.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Icon.h"

class QIcon;
class TBitmap;
class TPopupMenu;
class TQRXChangeLink;
class TQRXCustomImageList;
class TrayIcon;

enum TQRXTimerMode { tmGlobalTimer, tmHiTimer, tmThreaded };

// An icon of the given size showing the bitmap (resized to it first).
QIcon BitmapToIcon(TBitmap& bitmap, int width = 16, int height = 16);

class TQRXTrayIcon : public TQRXWndProcComponent {
 public:
  // The mouse messages the events are defined on.
  enum : unsigned {
    kMouseMove = 0x200,
    kLButtonDown = 0x201,
    kLButtonUp = 0x202,
    kLButtonDblClk = 0x203,
    kRButtonDown = 0x204,
    kRButtonUp = 0x205,
    kRButtonDblClk = 0x206,
    kMButtonDown = 0x207,
    kMButtonUp = 0x208,
    kMButtonDblClk = 0x209,
  };
  // The tip shows at most this many characters.
  static constexpr int kMaxHint = 63;

  explicit TQRXTrayIcon(TComponent* owner = nullptr);
  ~TQRXTrayIcon() override;

  // Reads true after construction with no icon shown: the icon appears
  // when Active is set (after loading, or false and then true).
  bool Active() const { return active_; }
  void SetActive(bool value);
  const QString& Hint() const { return hint_; }
  void SetHint(const QString& value);
  TIcon& Icon() { return icon_; }
  void SetIcon(const TIcon& value);
  bool NoClose() const { return no_close_; }
  void SetNoClose(bool value) { no_close_ = value; }
  bool ShowMinimizedIcon() const { return show_minimized_icon_; }
  void SetShowMinimizedIcon(bool value) { show_minimized_icon_ = value; }
  TPopupMenu* PopupMenu() const { return popup_menu_; }
  void SetPopupMenu(TPopupMenu* value);
  TQRXCustomImageList* ImageList() const { return image_list_; }
  void SetImageList(TQRXCustomImageList* value);
  TQRXTimerMode TimerMode() const { return timer_mode_; }
  void SetTimerMode(TQRXTimerMode value);
  TThreadPriority ThreadPriority() const { return thread_priority_; }
  void SetThreadPriority(TThreadPriority value) { thread_priority_ = value; }
  // 1..65535 milliseconds.
  std::uint16_t Interval() const { return interval_; }
  void SetInterval(std::uint16_t value) { interval_ = value == 0 ? 1 : value; }
  bool Animated() const { return animated_; }
  void SetAnimated(bool value);

  // The icon in the tray (null while there is none).
  TrayIcon* Tray() const { return tray_.get(); }
  // The frame the animation shows next.
  int FrameCounter() const { return frame_; }
  // The animation's pool timer identifier (0 when none) and own timer.
  std::uint16_t PoolTimer() const { return pool_timer_; }
  TQRXHiTimer* HiTimer() const { return hi_timer_; }
  // One mouse message of the icon at the screen point `at`.
  void TrayMessage(unsigned message, const TPoint& at);
  // Shows the next frame of the animation.
  void NextFrame();

  std::function<void(TComponent* sender)> OnClick;
  std::function<void(TComponent* sender)> OnDblClick;
  std::function<void(TComponent* sender)> OnPopUp;
  std::function<void(TComponent* sender, TMouseButton, TShiftState, int x, int y)> OnMouseDown;
  std::function<void(TComponent* sender, TMouseButton, TShiftState, int x, int y)> OnMouseUp;
  std::function<void(TComponent* sender, TShiftState, int x, int y)> OnMouseMove;

 protected:
  bool WndProc(QEvent* event) override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  enum TNotifyCommand { nimAdd, nimModify, nimDelete };
  void NotifyIcon(TNotifyCommand command);
  void IconChanged();
  void ListChanged();
  void StartAnimation();
  void StopAnimation(TQRXTimerMode mode);
  void EnableAnimation(bool enable);
  void HideOwner();
  void HandleTrayEvent(int event, const QPoint& at);

  std::unique_ptr<TrayIcon> tray_;
  std::unique_ptr<TQRXChangeLink> change_link_;
  TIcon icon_;
  QString hint_;
  TPoint cursor_{};
  TPopupMenu* popup_menu_ = nullptr;
  TQRXCustomImageList* image_list_ = nullptr;
  TQRXHiTimer* hi_timer_ = nullptr;
  TQRXTimerMode timer_mode_ = tmGlobalTimer;
  TThreadPriority thread_priority_ = tpNormal;
  std::uint16_t interval_ = 200;
  std::uint16_t pool_timer_ = 0;
  int frame_ = 0;
  int list_index_ = 0;
  bool active_ = true;
  bool no_close_ = false;
  bool show_minimized_icon_ = false;
  bool animated_ = false;
  // The icon shown is the animation's frame, not Icon.
  bool showing_frame_ = false;
  bool added_ = false;
};
