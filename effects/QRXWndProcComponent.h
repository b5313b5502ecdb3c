#pragma once
// TQRXWndProcComponent: a non-visual component that sees the events of the
// form that owns it before the form does, and may keep them from the form.
// The window procedure of the host becomes an event filter on the owner's
// widget: WndProc answers true for an event it consumed, false to pass it
// on. It is the base of the tray icon and of the shaped-window component.

#include <QPointer>
#include <memory>

#include "effects/QRXBase.h"

class QEvent;
class QWidget;
class TForm;

class TQRXWndProcComponent : public TQRXCustomComponent {
 public:
  explicit TQRXWndProcComponent(TComponent* owner = nullptr);
  ~TQRXWndProcComponent() override;

  bool Enabled() const { return enabled_; }
  // True installs the hook on the owner form; false only tells DoDisable
  // (Deactivate removes the hook).
  void SetEnabled(bool value);
  // 1 for an MDI child owner, 2 for an MDI frame, 0 otherwise.
  int OwnerKind() const { return owner_kind_; }
  bool Hooked() const { return hooked_; }
  // The owner form, when the owner is one.
  TForm* OwnerForm() const;

 protected:
  // The owner's event before the owner sees it; true keeps it from the
  // owner. The base passes everything on.
  virtual bool WndProc(QEvent* event);
  virtual void HookOwner();
  virtual void DoDisable() {}
  // Removes the hook and clears Enabled.
  void Deactivate();
  bool InstallHook();
  void RemoveHook();
  void Loaded() override;

 private:
  class Filter;
  std::unique_ptr<Filter> filter_;
  QPointer<QWidget> hooked_widget_;
  bool enabled_ = true;
  bool hooked_ = false;
  bool unhooking_ = false;
  int owner_kind_ = 0;
};
