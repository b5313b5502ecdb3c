#include "skin/se_engine.h"

#include <QApplication>
#include <QPointer>
#include <vector>

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

TSeSkinEngine::~TSeSkinEngine() = default;

void TSeSkinEngine::Broadcast(unsigned msg) {
  std::vector<QPointer<TCustomForm>> forms;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* form = dynamic_cast<TCustomForm*>(widget)) forms.emplace_back(form);
  for (const QPointer<TCustomForm>& form : forms) {
    if (!form) continue;  // closed by a handler of an earlier form
    se::BroadcastSkinMessage(form, msg, this);
    Application().ProcessMessages();
  }
}

void TSeSkinEngine::DoBeforeChange() {
  if (OnBeforeChange) OnBeforeChange(this);
  Broadcast(SKM_BEFORECHANGE);
}

void TSeSkinEngine::DoAfterChange() {
  Broadcast(SKM_AFTERCHANGE);
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
