#include "skin/se_hooks.h"

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>

#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"

namespace {

std::unique_ptr<THookList>& HookListSlot() {
  static std::unique_ptr<THookList> list;
  return list;
}

}  // namespace

THookList* GetHookList() {
  auto& list = HookListSlot();
  if (!list) list = std::make_unique<THookList>();
  return list.get();
}

THookList* FindHookList() { return HookListSlot().get(); }

void FreeHookList() { HookListSlot().reset(); }

// ---- TControlHook ----

TControlHook::TControlHook(THookList* list) : list_(list) {}

TControlHook::~TControlHook() {
  destroying_ = true;
  if (list_) list_->Remove(this);
  while (!hooks_.empty()) hooks_.back()->Detach();
  UnhookWindow();
}

void TControlHook::SetControl(TWinControl* control) {
  if (control == Control()) return;
  UnhookWindow();
  control_ = control;
  component_ = control;
  object_ = static_cast<QObject*>(control);
  if (!hooks_.empty()) HookWindow();
}

void TControlHook::AddHook(TSeHook* hook) {
  if (std::find(hooks_.begin(), hooks_.end(), hook) == hooks_.end()) {
    hooks_.push_back(hook);
    hook->control_hook_ = this;
    SetControl(hook->control_);
  }
  HookWindow();
}

void TControlHook::RemoveHook(TSeHook* hook) {
  if (hook->control_hook_ == this) hook->control_hook_ = nullptr;
  hooks_.erase(std::remove(hooks_.begin(), hooks_.end(), hook), hooks_.end());
  if (hooks_.empty()) UnhookWindow();
}

void TControlHook::HookWindow() {
  if (!Control() || destroying_ || component_->Destroying() || hooked_) return;
  object_->installEventFilter(this);
  hooked_ = true;
}

void TControlHook::UnhookWindow() {
  // Filters that others installed later stay where they are.
  if (hooked_ && object_) object_->removeEventFilter(this);
  hooked_ = false;
}

bool TControlHook::eventFilter(QObject* watched, QEvent* event) {
  if (!object_ || watched != object_.data()) return false;
  bool handled = false;
  NotifyHooks(Phase::kBefore, event, handled);
  if (handled) return true;
  // The control's own handling, past the other filters (they already had
  // their turn or come after us); then the after phase.
  QPointer<TControlHook> self(this);
  QPointer<QObject> control(object_);
  control->event(event);
  if (self && control) NotifyHooks(Phase::kAfter, event, handled);
  return true;
}

void TControlHook::NotifyHooks(Phase phase, QEvent* event, bool& handled) {
  if (hooks_.empty() || !Control() || destroying_ || component_->Destroying()) return;
  // A hook may detach itself or others while it runs: walk a copy and skip
  // the ones that left.
  const std::vector<TSeHook*> hooks = hooks_;
  QPointer<TControlHook> self(this);
  for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
    if (!self) return;
    TSeHook* hook = *it;
    if (std::find(hooks_.begin(), hooks_.end(), hook) == hooks_.end()) continue;
    try {
      if (phase == Phase::kBefore)
        hook->DoBeforeMessage(event, handled);
      else
        hook->DoAfterMessage(event, handled);
    } catch (...) {
      Application().HandleException(hook);
    }
    if (handled) return;
  }
}

// ---- THookList ----

THookList::THookList() = default;

THookList::~THookList() {
  while (!items_.empty()) delete items_.back();
}

TControlHook* THookList::GetControlHook(TWinControl* control) {
  if (TControlHook* found = FindControlHook(control)) return found;
  auto hook = std::make_unique<TControlHook>(this);
  hook->SetControl(control);
  items_.push_back(hook.get());
  return hook.release();
}

TControlHook* THookList::FindControlHook(TWinControl* control) const {
  if (!control) return nullptr;
  for (TControlHook* hook : items_)
    if (hook->Control() == control) return hook;
  return nullptr;
}

bool THookList::Contains(const TControlHook* hook) const {
  return std::find(items_.begin(), items_.end(), hook) != items_.end();
}

void THookList::FreeLater(TControlHook* hook) {
  QMetaObject::invokeMethod(
      &util_,
      [this, hook] {
        if (Contains(hook) && hook->HookCount() == 0) delete hook;
      },
      Qt::QueuedConnection);
}

void THookList::Remove(TControlHook* hook) { items_.erase(std::remove(items_.begin(), items_.end(), hook), items_.end()); }

// ---- TSeHook ----

TSeHook::TSeHook(TComponent* owner) : TComponent(owner) {}

TSeHook::~TSeHook() {
  MarkDestroying();
  SetActive(false);
  SetControl(nullptr);
}

void TSeHook::SetActive(bool value) {
  if (value == active_) return;
  if (value)
    Activate();
  else
    Deactivate();
}

void TSeHook::Activate() {
  if (control_ && !Destroying()) GetHookList()->GetControlHook(control_)->AddHook(this);
  active_ = true;
}

void TSeHook::Deactivate() {
  Detach();
  active_ = false;
}

void TSeHook::Detach() {
  if (control_hook_) control_hook_->RemoveHook(this);
  control_hook_ = nullptr;
}

TWinControl* TSeHook::Control() const {
  if (control_hook_ && control_hook_->Control()) return control_hook_->Control();
  return control_;
}

TCustomForm* TSeHook::Form() const { return dynamic_cast<TCustomForm*>(Control()); }

void TSeHook::SetControl(TWinControl* value) {
  if (value == Control() && value == control_) return;
  const bool was_active = active_;
  TControlHook* former = control_hook_;
  Detach();
  if (component_ && control_ != value) RemoveFreeNotification(component_);
  control_ = value;
  component_ = value;
  if (component_) FreeNotification(component_);
  if (former && former->HookCount() == 0 && FindHookList()) FindHookList()->FreeLater(former);
  if (was_active && !Destroying()) Activate();
}

void TSeHook::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component && component == component_) {
    TControlHook* former = control_hook_;
    Detach();
    control_ = nullptr;
    component_ = nullptr;
    if (former && former->HookCount() == 0 && FindHookList()) FindHookList()->FreeLater(former);
  }
}

void TSeHook::DoBeforeMessage(QEvent* event, bool& handled) {
  handled_ = handled;
  HookEvent(event);
  handled = handled_;
}

void TSeHook::DoAfterMessage(QEvent* event, bool& handled) {
  (void)event;
  (void)handled;
}
