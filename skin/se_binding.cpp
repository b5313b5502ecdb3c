#include "skin/se_binding.h"

#include <utility>

#include "skin/se_engine.h"

TSeSkinBinding::TSeSkinBinding(TComponent* control, std::string defaultObject)
    : TComponent(control), control_(dynamic_cast<TControl*>(control)), object_(std::move(defaultObject)) {}

TSeSkinBinding::~TSeSkinBinding() {
  copy_.reset();
  if (engine_) engine_->DetachBinding(this);
}

void TSeSkinBinding::SetSkinEngine(TSeSkinEngine* engine) {
  if (engine != engine_) {
    if (engine_) {
      engine_->DetachBinding(this);
      RemoveFreeNotification(engine_);
    }
    engine_ = engine;
    if (engine_) {
      engine_->AttachBinding(this);
      FreeNotification(engine_);
    }
  }
  copy_.reset();
  if (engine_ && !engine_->Source().Loading() && engine_->Source().Count() > 0)
    if (TSeSkinObject* object = engine_->Source().GetObjectByName(object_)) copy_ = CloneSkinObject(*object);
  if (OnBind) OnBind();
  if (control_) control_->Invalidate();
}

bool TSeSkinBinding::UseSkin(bool whileLoading) const {
  if (!copy_ || !engine_ || Destroying() || (control_ && control_->Destroying())) return false;
  if (!whileLoading && control_ && control_->Loading()) return false;
  const TSeSkinSource& source = engine_->Source();
  return !source.Loading() && source.Count() > 0 && source.GetObjectByName(object_) != nullptr;
}

TSeSkinObject* TSeSkinBinding::Find(const std::string& name) const {
  return copy_ ? copy_->FindObjectByName(name) : nullptr;
}

TSeSkinObject* TSeSkinBinding::FindOrCopy(const std::string& name) const {
  TSeSkinObject* found = Find(name);
  return found ? found : copy_.get();
}

void TSeSkinBinding::Release() { copy_.reset(); }

bool TSeSkinBinding::Dispatch(TMessage& message) {
  const auto engine = reinterpret_cast<TSeSkinEngine*>(message.LParam);
  switch (message.Msg) {
    case SKM_BEFORECHANGE:
      if (!engine || engine != engine_) return false;
      Release();
      return true;
    case SKM_AFTERCHANGE:
      if (!engine || engine != engine_) return false;
      SetSkinEngine(engine_);
      return true;
    case SKM_SKINCHANGED:
      if (control_) control_->Invalidate();
      return true;
    default:
      return false;
  }
}

void TSeSkinBinding::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == engine_) {
    engine_ = nullptr;
    copy_.reset();
  }
}
