#include "skin/se_msgdialog.h"

#include "platform/gui/Application.h"
#include "skin/se_buttons.h"
#include "skin/se_edit.h"
#include "skin/se_form.h"
#include "skin/se_labels.h"

namespace {
TSeCustomMessage*& GlobalSlot() {
  static TSeCustomMessage* global = nullptr;
  return global;
}
}  // namespace

TSeCustomMessage::TSeCustomMessage(TComponent* owner)
    : TComponent(owner),
      blending_(std::make_unique<TSeBlending>()),
      shadow_(std::make_unique<TSeShadow>()),
      dragging_(std::make_unique<TSeDragging>()),
      animation_(std::make_unique<TSeAnimation>()),
      message_font_(std::make_unique<TFont>()),
      button_font_(std::make_unique<TFont>()) {}

TSeCustomMessage::~TSeCustomMessage() {
  if (GlobalSlot() == this) GlobalSlot() = nullptr;
}

void TSeCustomMessage::SetGlobal(bool value) {
  if (value == global_) return;
  global_ = value;
  TSeCustomMessage*& global = GlobalSlot();
  if (global == this) return;
  TSeCustomMessage* old = global;
  global = this;
  delete old;
}

TSeCustomButton* TSeCustomMessage::CreateButton(TComponent* owner) { return Create<TSeCustomButton>(owner); }
TSeCustomEdit* TSeCustomMessage::CreateEdit(TComponent* owner) { return Create<TSeCustomEdit>(owner); }
TSeCustomForm* TSeCustomMessage::CreateForm(TComponent* owner) { return Create<TSeCustomForm>(owner); }
TSeCustomLabel* TSeCustomMessage::CreateLabel(TComponent* owner) { return Create<TSeCustomLabel>(owner); }
TSeCustomCheckBox* TSeCustomMessage::CreateCheckBox(TComponent* owner) {
  return Create<TSeCustomCheckBox>(owner);
}

namespace se {

TSeCustomMessage* GlobalMessageSettings() { return GlobalSlot(); }

void CreateDefaultMessageSettings() {
  if (GlobalSlot()) return;
  GlobalSlot() = Create<TSeCustomMessage>(&Application());
}

void FreeDefaultMessageSettings() {
  TSeCustomMessage* global = GlobalSlot();
  if (global && global->Owner() == &Application()) delete global;
}

}  // namespace se
