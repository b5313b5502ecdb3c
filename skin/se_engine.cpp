#include "skin/se_engine.h"

#include <QApplication>
#include <QPointer>
#include <algorithm>
#include <vector>

#include "skin/se_binding.h"

#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"
#include "skin/se_stream.h"

namespace se {

void BroadcastSkinMessage(TControl* control, unsigned msg, TSeSkinEngine* engine) {
  if (!control) return;
  const auto param = reinterpret_cast<std::intptr_t>(engine);
  control->Perform(msg, param, param);
  auto* windowed = dynamic_cast<TWinControl*>(control);
  if (!windowed) return;
  // A handler may add or remove controls; walk what is there now.
  std::vector<QPointer<TControl>> children;
  for (int i = 0; i < windowed->ControlCount(); ++i) children.emplace_back(windowed->Controls(i));
  for (const QPointer<TControl>& child : children)
    if (child) BroadcastSkinMessage(child, msg, engine);
}

}  // namespace se

TSeSkinEngine::TSeSkinEngine(TComponent* owner) : TComponent(owner), source_(Create<TSeSkinSource>(this)) {}

TSeSkinEngine::~TSeSkinEngine() {
  // The copies draw from this engine's skin: they go before it does.
  for (TSeSkinBinding* binding : bindings_) binding->Release();
}

void TSeSkinEngine::AttachBinding(TSeSkinBinding* binding) { bindings_.push_back(binding); }

void TSeSkinEngine::DetachBinding(TSeSkinBinding* binding) {
  bindings_.erase(std::remove(bindings_.begin(), bindings_.end(), binding), bindings_.end());
}

void TSeSkinEngine::Broadcast(unsigned msg) {
  std::vector<QPointer<TCustomForm>> forms;
  TApplication& application = Application();
  for (int i = 0; i < application.ComponentCount(); ++i)
    if (auto* form = dynamic_cast<TCustomForm*>(application.Components(i))) forms.emplace_back(form);
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* form = dynamic_cast<TCustomForm*>(widget);
    if (form && std::find(forms.begin(), forms.end(), form) == forms.end()) forms.emplace_back(form);
  }
  for (const QPointer<TCustomForm>& form : forms) {
    if (!form) continue;  // closed by a handler of an earlier form
    se::BroadcastSkinMessage(form, msg, this);
    Application().ProcessMessages();
  }
}

void TSeSkinEngine::DoBeforeChange() {
  if (OnBeforeChange) OnBeforeChange(this);
  Broadcast(SKM_BEFORECHANGE);
  // Controls the broadcast did not reach (not on a form, or on a form not
  // shown yet) lose their copies too.
  for (TSeSkinBinding* binding : std::vector<TSeSkinBinding*>(bindings_)) binding->Release();
}

void TSeSkinEngine::DoAfterChange() {
  Broadcast(SKM_AFTERCHANGE);
  for (TSeSkinBinding* binding : std::vector<TSeSkinBinding*>(bindings_))
    if (!binding->SkinCopy() && std::find(bindings_.begin(), bindings_.end(), binding) != bindings_.end())
      binding->SetSkinEngine(this);
  if (OnAfterChange) OnAfterChange(this);
}

void TSeSkinEngine::SetSkinFile(const std::string& value) {
  // Read the new skin aside first: a damaged file changes nothing.
  TSeSkinSource loaded;
  loaded.LoadFromFile(value);
  skin_file_ = value;
  if (source_->Count() == 0) {
    source_->Swap(loaded);
  } else {
    source_->SetLoading(true);
    try {
      DoBeforeChange();
    } catch (...) {
      source_->SetLoading(false);
      throw;
    }
    source_->Swap(loaded);
    loaded.Clear();
    source_->SetLoading(false);
  }
  source_->ChangeHue(delta_hue_);
  DoAfterChange();
}

void TSeSkinEngine::SetDeltaHue(int value) {
  if (value == delta_hue_ && value == source_->Hue()) return;
  delta_hue_ = value;
  if (source_->Count() == 0 || hue_changing_) return;
  hue_changing_ = true;
  try {
    DoBeforeChange();
    source_->ChangeHue(value);
    DoAfterChange();
  } catch (...) {
    hue_changing_ = false;
    throw;
  }
  hue_changing_ = false;
}

void TSeSkinEngine::WriteSkinStream(TStream& stream) {
  const std::uint8_t flag = source_->Count() > 0 ? 2 : 0;
  stream.WriteBuffer(&flag, 1);
  if (flag) source_->SaveToStream(stream);
}

void TSeSkinEngine::ReadSkinStream(TStream& stream) {
  if (se::ReadByte(stream) == 0) return;
  source_->LoadFromStream(stream);
  skin_file_.clear();
}

void TSeSkinEngine::Loaded() {
  TComponent::Loaded();
  if (OnAfterChange && source_->Count() > 0) OnAfterChange(this);
}
