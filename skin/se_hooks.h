#pragma once
// Window hooks: a TSeHook attaches to a windowed control (in practice a
// form) and sees each of its events before and after the control handles
// it. Every hooked control has one TControlHook, an event filter that runs
// the hooks, lets the control handle the event itself and runs the hooks
// again; the program keeps them in one THookList.
//
// The hook attached last sees an event first, in both phases. A hook that
// sets Handled before the control's turn consumes the event: the hooks
// attached before it and the control never see it. An exception thrown by
// a hook goes to the application's handler and the others still run.

#include <QObject>
#include <QPointer>
#include <memory>
#include <vector>

#include "platform/gui/Component.h"
#include "platform/gui/Controls.h"

class QEvent;
class TSeHook;
class THookList;

// The hooks of one control, installed as its event filter while any hook
// is attached.
class TControlHook : public QObject {
 public:
  explicit TControlHook(THookList* list);
  ~TControlHook() override;

  // Null once the control is gone.
  TWinControl* Control() const { return object_ ? control_ : nullptr; }
  void SetControl(TWinControl* control);
  int HookCount() const { return static_cast<int>(hooks_.size()); }
  TSeHook* Hook(int index) const { return hooks_.at(static_cast<std::size_t>(index)); }
  // Appends the hook (when it is new) and makes sure the filter is in place.
  void AddHook(TSeHook* hook);
  // The filter is removed with the last hook.
  void RemoveHook(TSeHook* hook);
  bool Hooked() const { return hooked_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  enum class Phase { kBefore, kAfter };
  void HookWindow();
  void UnhookWindow();
  void NotifyHooks(Phase phase, QEvent* event, bool& handled);

  THookList* list_;
  // The control, and a guard that tells whether it still exists (kept as a
  // QObject so that it can be read while the control is being destroyed).
  TWinControl* control_ = nullptr;
  TComponent* component_ = nullptr;
  QPointer<QObject> object_;
  std::vector<TSeHook*> hooks_;
  bool hooked_ = false;
  bool destroying_ = false;
};

// The program's hooked controls; owns their TControlHooks.
class THookList {
 public:
  THookList();
  ~THookList();
  THookList(const THookList&) = delete;
  THookList& operator=(const THookList&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  // The control's TControlHook, made on first use.
  TControlHook* GetControlHook(TWinControl* control);
  // Null when the control has none (or is null).
  TControlHook* FindControlHook(TWinControl* control) const;
  bool Contains(const TControlHook* hook) const;
  // Frees the control hook from the event loop once it is still without
  // hooks then: never inside an event of its own control.
  void FreeLater(TControlHook* hook);

 private:
  friend class TControlHook;
  void Remove(TControlHook* hook);

  std::vector<TControlHook*> items_;
  // Context of the deferred frees: they die with the list.
  QObject util_;
};

// The program-wide list, made on first use; FreeHookList frees it and
// every control hook in it (last first).
THookList* GetHookList();
THookList* FindHookList();
void FreeHookList();

// A component that hooks the events of Control while Active.
class TSeHook : public TComponent {
 public:
  explicit TSeHook(TComponent* owner = nullptr);
  ~TSeHook() override;

  bool Active() const { return active_; }
  void SetActive(bool value);
  // The hooked control: the attached control hook's, else the stored one.
  TWinControl* Control() const;
  void SetControl(TWinControl* value);
  // The control when it is a form, else null.
  TCustomForm* Form() const;
  TControlHook* ControlHook() const { return control_hook_; }

  // Meaningful while an event is dispatched to the hook: set it to consume
  // the event before the control sees it.
  bool Handled() const { return handled_; }
  void SetHandled(bool value) { handled_ = value; }

 protected:
  friend class TControlHook;
  // Before the control's own handling: copies `handled` into Handled, runs
  // HookEvent and copies Handled back.
  virtual void DoBeforeMessage(QEvent* event, bool& handled);
  // After the control's own handling; empty here.
  virtual void DoAfterMessage(QEvent* event, bool& handled);
  // A subclass's handlers of the control's events, before the control.
  virtual void HookEvent(QEvent* event) { (void)event; }

  void Activate();
  void Deactivate();
  void Detach();
  void Notification(TComponent* component, TOperation operation) override;

 private:
  bool active_ = true;
  TWinControl* control_ = nullptr;
  // The same object as a component, taken while it was whole: the control
  // may be half destroyed when it tells us it goes.
  TComponent* component_ = nullptr;
  TControlHook* control_hook_ = nullptr;
  bool handled_ = false;
};
