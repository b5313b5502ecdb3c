#include "effects/QRXWndProcComponent.h"

#include <QEvent>
#include <QObject>

#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"

class TQRXWndProcComponent::Filter final : public QObject {
 public:
  explicit Filter(TQRXWndProcComponent& component) : component_(component) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != component_.hooked_widget_) return false;
    bool consumed = false;
    // An exception must not unwind through Qt's event delivery.
    CallGuarded(&component_, [&] { consumed = component_.WndProc(event); });
    return consumed;
  }

 private:
  TQRXWndProcComponent& component_;
};

TQRXWndProcComponent::TQRXWndProcComponent(TComponent* owner) : TQRXCustomComponent(owner) {
  if (const auto* form = dynamic_cast<TCustomForm*>(owner)) {
    if (form->FormStyle() == fsMDIChild) owner_kind_ = 1;
    if (form->FormStyle() == fsMDIForm) owner_kind_ = 2;
  }
}

TQRXWndProcComponent::~TQRXWndProcComponent() { RemoveHook(); }

TForm* TQRXWndProcComponent::OwnerForm() const { return dynamic_cast<TForm*>(Owner()); }

void TQRXWndProcComponent::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  if (Designing()) return;
  // Turning off leaves an installed hook in place: Deactivate removes it.
  if (enabled_)
    HookOwner();
  else
    DoDisable();
}

void TQRXWndProcComponent::HookOwner() {
  if (enabled_ && !hooked_) InstallHook();
}

bool TQRXWndProcComponent::InstallHook() {
  auto* widget = dynamic_cast<QWidget*>(Owner());
  if (!widget || hooked_ || Designing()) return false;
  try {
    if (!filter_) filter_ = std::make_unique<Filter>(*this);
    hooked_widget_ = widget;
    widget->installEventFilter(filter_.get());
    hooked_ = true;
    return true;
  } catch (...) {
    RemoveHook();
    return false;
  }
}

void TQRXWndProcComponent::RemoveHook() {
  if (unhooking_) return;
  unhooking_ = true;
  if (hooked_widget_ && filter_) hooked_widget_->removeEventFilter(filter_.get());
  hooked_widget_ = nullptr;
  hooked_ = false;
  unhooking_ = false;
}

void TQRXWndProcComponent::Deactivate() {
  unhooking_ = false;
  RemoveHook();
  SetEnabled(false);
}

bool TQRXWndProcComponent::WndProc(QEvent* event) {
  (void)event;
  return false;
}

void TQRXWndProcComponent::Loaded() {
  TQRXCustomComponent::Loaded();
  if (enabled_ && !Designing()) HookOwner();
}
