#include "effects/QRXTrayIcon.h"

#include <QCloseEvent>
#include <QIcon>
#include <QPixmap>
#include <QTimer>
#include <QWindowStateChangeEvent>

#include "effects/QRXClass.h"
#include "effects/QRXCont.h"
#include "platform/gui/Application.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/gui/Tray.h"

QIcon BitmapToIcon(TBitmap& bitmap, int width, int height) {
  bitmap.SetSize(width, height);
  return QIcon(QPixmap::fromImage(bitmap.ToQImage()));
}

namespace {

QIcon IconOf(const TIcon& icon) {
  return icon.Empty() ? QIcon() : QIcon(QPixmap::fromImage(icon.Image()));
}

}  // namespace

TQRXTrayIcon::TQRXTrayIcon(TComponent* owner)
    : TQRXWndProcComponent(owner), tray_(Trays().Make()), change_link_(std::make_unique<TQRXChangeLink>()) {
  icon_.OnChange = [this](TGraphic*) { IconChanged(); };
  change_link_->OnChange = [this](TComponent*) { ListChanged(); };
  tray_->OnEvent = [this](::TrayEvent event, QPoint at) { HandleTrayEvent(int(event), at); };
}

TQRXTrayIcon::~TQRXTrayIcon() {
  StopAnimation(timer_mode_);
  change_link_->OnChange = nullptr;
  change_link_.reset();
  SetEnabled(false);
  hint_.clear();
  NotifyIcon(nimDelete);
  tray_->OnEvent = nullptr;
  tray_.reset();
  icon_.OnChange = nullptr;
}

void TQRXTrayIcon::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  if (Designing()) return;
  if (active_) {
    SetEnabled(true);
    HookOwner();
    Application().SetShowMainForm(false);
    Application().ProcessMessages();
    StartAnimation();
    NotifyIcon(nimAdd);
    EnableAnimation(true);
  } else {
    Deactivate();
    Application().SetShowMainForm(true);
    NotifyIcon(nimDelete);
    StopAnimation(timer_mode_);
  }
}

void TQRXTrayIcon::SetHint(const QString& value) {
  if (value == hint_ && !Loading()) return;
  hint_ = value;
  if (active_) NotifyIcon(nimModify);
}

void TQRXTrayIcon::SetIcon(const TIcon& value) {
  icon_.SetImage(value.Image());
}

void TQRXTrayIcon::IconChanged() {
  if (active_ && !Designing()) NotifyIcon(nimModify);
}

void TQRXTrayIcon::NotifyIcon(TNotifyCommand command) {
  if (Designing() || !tray_) return;
  if (command == nimDelete) {
    tray_->SetVisible(false);
    added_ = false;
    return;
  }
  // Changes to an icon not in the tray are lost, as the add carries them.
  if (command == nimModify && !added_) return;
  if (!showing_frame_) tray_->SetIcon(IconOf(icon_));
  tray_->SetHint(hint_.left(kMaxHint));
  if (command == nimAdd) {
    tray_->SetVisible(true);
    added_ = true;
  }
}

void TQRXTrayIcon::SetPopupMenu(TPopupMenu* value) {
  if (value == popup_menu_) return;
  popup_menu_ = value;
  if (popup_menu_) FreeNotification(popup_menu_);
}

void TQRXTrayIcon::SetImageList(TQRXCustomImageList* value) {
  if (image_list_) image_list_->UnregisterChanges(change_link_.get());
  image_list_ = value;
  if (image_list_) {
    image_list_->RegisterChanges(change_link_.get());
    FreeNotification(image_list_);
  }
  ListChanged();
}

void TQRXTrayIcon::ListChanged() { GetChange(this); }

void TQRXTrayIcon::Notification(TComponent* component, TOperation operation) {
  TQRXWndProcComponent::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == popup_menu_) popup_menu_ = nullptr;
  if (component == image_list_) {
    // The list's destructor unregisters the link itself.
    image_list_ = nullptr;
    ListChanged();
  }
}

void TQRXTrayIcon::Loaded() {
  TQRXWndProcComponent::Loaded();
  if (active_) {
    active_ = false;
    SetActive(true);
  }
}

void TQRXTrayIcon::SetTimerMode(TQRXTimerMode value) {
  if (value == timer_mode_) return;
  if (Loading()) {
    timer_mode_ = value;
    return;
  }
  StopAnimation(timer_mode_);
  timer_mode_ = value;
  StartAnimation();
}

void TQRXTrayIcon::SetAnimated(bool value) {
  if (value == animated_) return;
  animated_ = value;
  if (animated_) {
    StartAnimation();
    EnableAnimation(true);
  } else {
    StopAnimation(timer_mode_);
  }
}

void TQRXTrayIcon::StartAnimation() {
  if (!animated_) return;
  if (timer_mode_ == tmGlobalTimer) {
    if (pool_timer_ != 0) return;
    // The pool ticks every 50 ms; 65500 is the last multiple that fits.
    if (interval_ % 50 != 0) interval_ = std::uint16_t(std::min(65500, (interval_ / 50 + 1) * 50));
    pool_timer_ = QRXApplication().AllocTimer(interval_, [this](TComponent*) { NextFrame(); });
    if (pool_timer_ == 0) throw EOutOfResources("Not enough timers available");
    QRXApplication().GetTimerItem(pool_timer_)->SetEnabled(false);
  } else {
    if (hi_timer_) return;
    hi_timer_ = Create<TQRXHiTimer>(this);
    hi_timer_->SetUseThread(timer_mode_ == tmThreaded);
    hi_timer_->SetOnTimer([this](TComponent*) { NextFrame(); });
  }
}

void TQRXTrayIcon::EnableAnimation(bool enable) {
  if (!animated_) return;
  frame_ = 0;
  if (timer_mode_ == tmGlobalTimer) {
    TQRXTimerItem* item = pool_timer_ ? QRXApplication().GetTimerItem(pool_timer_) : nullptr;
    if (!item) return;
    if (enable) item->SetInterval(interval_);
    item->SetEnabled(enable);
  } else if (hi_timer_) {
    if (enable) {
      hi_timer_->SetInterval(interval_);
      hi_timer_->SetThreadPriority(thread_priority_);
    }
    hi_timer_->SetEnabled(enable);
  }
}

void TQRXTrayIcon::StopAnimation(TQRXTimerMode mode) {
  if (mode == tmGlobalTimer) {
    if (pool_timer_ != 0) QRXApplication().ReleaseTimer(pool_timer_);
    pool_timer_ = 0;
  } else {
    delete hi_timer_;
    hi_timer_ = nullptr;
  }
}

void TQRXTrayIcon::NextFrame() {
  if (!image_list_ || Designing() || !tray_ || !added_) return;
  const int count = image_list_->GetCount(list_index_);
  if (count <= 0) return;
  if (frame_ >= count) frame_ = 0;
  TBitmap frame;
  frame.SetSize(16, 16);
  image_list_->GetBitmap(list_index_, frame_, frame);
  showing_frame_ = true;
  tray_->SetIcon(BitmapToIcon(frame, 16, 16));
  tray_->SetHint(hint_.left(kMaxHint));
  if (++frame_ >= count) frame_ = 0;
}

void TQRXTrayIcon::HandleTrayEvent(int event, const QPoint& at) {
  const TPoint point{at.x(), at.y()};
  switch (::TrayEvent(event)) {
    case ::TrayEvent::Click:
      TrayMessage(kLButtonDown, point);
      TrayMessage(kLButtonUp, point);
      break;
    case ::TrayEvent::DoubleClick:
      TrayMessage(kLButtonDblClk, point);
      TrayMessage(kLButtonUp, point);
      break;
    case ::TrayEvent::RightClick:
      TrayMessage(kRButtonDown, point);
      TrayMessage(kRButtonUp, point);
      break;
    case ::TrayEvent::MiddleClick:
      TrayMessage(kMButtonDown, point);
      TrayMessage(kMButtonUp, point);
      break;
  }
}

void TQRXTrayIcon::TrayMessage(unsigned message, const TPoint& at) {
  cursor_ = at;
  const int x = at.X;
  const int y = at.Y;
  const auto down = [&](TMouseButton button, TShiftState shift) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
  };
  const auto up = [&](TMouseButton button) {
    if (OnClick) OnClick(this);
    if (OnMouseUp) OnMouseUp(this, button, 0, x, y);
  };
  const auto dblclk = [&](TMouseButton button) {
    if (OnDblClick) OnDblClick(this);
    down(button, ssDouble);
  };
  CallGuarded(this, [&] {
    switch (message) {
      case kMouseMove:
        if (OnMouseMove) OnMouseMove(this, 0, x, y);
        break;
      case kLButtonDown:
        down(mbLeft, 0);
        break;
      case kLButtonUp:
        up(mbLeft);
        break;
      case kLButtonDblClk:
        dblclk(mbLeft);
        break;
      case kRButtonDown:
        down(mbRight, 0);
        if (popup_menu_) {
          if (OnPopUp) OnPopUp(this);
          Application().ProcessMessages();
          // The handlers above may have taken the menu away.
          if (popup_menu_) {
            popup_menu_->SetPopupComponent(this);
            popup_menu_->Popup(x, y);
          }
        }
        break;
      case kRButtonUp:
        up(mbRight);
        break;
      case kRButtonDblClk:
        dblclk(mbRight);
        break;
      case kMButtonDown:
        down(mbMiddle, 0);
        break;
      case kMButtonUp:
        up(mbMiddle);
        break;
      case kMButtonDblClk:
        dblclk(mbMiddle);
        break;
      default:
        break;
    }
  });
}

void TQRXTrayIcon::HideOwner() {
  if (auto* form = dynamic_cast<TControl*>(Owner())) form->SetVisible(false);
}

bool TQRXTrayIcon::WndProc(QEvent* event) {
  switch (event->type()) {
    case QEvent::WindowStateChange: {
      // The form has minimised; its window (and so its task-bar button)
      // goes away unless the user wants the button kept.
      auto* form = dynamic_cast<QWidget*>(Owner());
      if (form && form->isMinimized() && !show_minimized_icon_) {
        // Hiding inside the state change confuses some window managers.
        QTimer::singleShot(0, form, [this] { HideOwner(); });
      }
      return false;
    }
    case QEvent::Close:
      if (no_close_ && active_) {
        event->ignore();
        HideOwner();
        return true;
      }
      return false;
    default:
      return TQRXWndProcComponent::WndProc(event);
  }
}
