#pragma once
// The notification-area icon. Where the desktop has no tray, a small
// always-on-top window stands in for it (icon, hint text, the same clicks
// and menu), so a program hidden behind its tray icon is never unreachable.

#include <QIcon>
#include <QPoint>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/Services.h"

class QMenu;

enum class TrayEvent { Click, DoubleClick, RightClick, MiddleClick };

class TrayIcon {
 public:
  virtual ~TrayIcon() = default;
  virtual void SetIcon(const QIcon& icon) = 0;
  virtual void SetHint(const QString& hint) = 0;
  virtual QString Hint() const = 0;
  // The menu shown on a right click (not owned; may be null).
  virtual void SetMenu(QMenu* menu) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool Visible() const = 0;
  // A balloon message next to the icon.
  virtual void ShowMessage(const QString& title, const QString& text) = 0;
  // What the user did, with the screen position.
  std::function<void(TrayEvent, QPoint)> OnEvent;
};

class TrayFactory {
 public:
  virtual ~TrayFactory() = default;
  virtual std::unique_ptr<TrayIcon> Make() = 0;
};

// QSystemTrayIcon, or the stand-in window when there is no tray.
class QtTrayFactory final : public TrayFactory {
 public:
  std::unique_ptr<TrayIcon> Make() override;
};

class FakeTrayIcon final : public TrayIcon {
 public:
  void SetIcon(const QIcon& icon) override { this->icon = icon; }
  void SetHint(const QString& hint) override { hint_ = hint; }
  QString Hint() const override { return hint_; }
  void SetMenu(QMenu* menu) override { this->menu = menu; }
  void SetVisible(bool visible) override { visible_ = visible; }
  bool Visible() const override { return visible_; }
  void ShowMessage(const QString& title, const QString& text) override {
    messages.push_back(title + ": " + text);
  }
  // A test plays the user.
  void Fire(TrayEvent event, QPoint at = {}) {
    if (OnEvent) OnEvent(event, at);
  }
  QIcon icon;
  QMenu* menu = nullptr;
  std::vector<QString> messages;

 private:
  QString hint_;
  bool visible_ = false;
};

// Makes fake icons and keeps a pointer to each (they belong to the caller).
class FakeTrayFactory final : public TrayFactory {
 public:
  std::unique_ptr<TrayIcon> Make() override;
  std::vector<FakeTrayIcon*> made;
};

inline TrayFactory& Trays() { return CurrentService<TrayFactory, QtTrayFactory>(); }

// The stand-in window, also made directly by tests.
std::unique_ptr<TrayIcon> MakeFallbackTrayIcon();
