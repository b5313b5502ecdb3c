#pragma once
// Skinned wrappers of the library's edits: the edit, the edit with a push
// button and the spin edit draw the skin's "Frame" as their border and
// background and take the font of "Text" (else of the copy); the embedded
// button or spin button and the context menu are bound to the same engine.

#include "platform/gui/Graphics.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_binding_wrapper.h"
#include "skin/se_edit.h"
#include "skin/se_editbutton.h"
#include "skin/se_spinedit.h"

template <class Base>
class TSeSkinEditControl : public TSeSkinned<Base> {
 public:
  explicit TSeSkinEditControl(TComponent* owner);

  // The state the frame is drawn in.
  TSeObjectState FrameState() const { return this->StandardState(); }

 protected:
  void Bound() override;
  void PaintBorder() override;
  void PaintEditBackground(const TRect& rect, TCanvas& canvas) override;
  // The context menu is a skinned popup menu of skinned items.
  TSeCustomPopupMenu* CreatePopupMenu(TComponent* owner) override;
  TSeCustomItem* CreateMenuItem(TComponent* owner) override;
};

// "Edit": "Frame", "Text".
class TSeSkinEdit : public TSeSkinEditControl<TSeCustomEdit> {
 public:
  explicit TSeSkinEdit(TComponent* owner = nullptr) : TSeSkinEditControl(owner) {}
};

// "Edit" for the edit; its button is a skinned button ("Button").
class TSeSkinEditButton : public TSeSkinEditControl<TSeCustomEditButton> {
 public:
  explicit TSeSkinEditButton(TComponent* owner = nullptr) : TSeSkinEditControl(owner) {}
  TSeSkinButton* SkinButton() const { return dynamic_cast<TSeSkinButton*>(InplaceControl()); }

 protected:
  TControl* CreateInplaceControl(TComponent* owner) override;
  void Bound() override;
};

// "Edit" for the edit; its spin button is a skinned one ("SpinButton").
class TSeSkinSpinEdit : public TSeSkinEditControl<TSeCustomSpinEdit> {
 public:
  explicit TSeSkinSpinEdit(TComponent* owner = nullptr) : TSeSkinEditControl(owner) {}
  TSeSkinSpinButton* SkinSpinButton() const { return dynamic_cast<TSeSkinSpinButton*>(InplaceControl()); }

 protected:
  TControl* CreateInplaceControl(TComponent* owner) override;
  void Bound() override;
};

extern template class TSeSkinEditControl<TSeCustomEdit>;
extern template class TSeSkinEditControl<TSeCustomEditButton>;
extern template class TSeSkinEditControl<TSeCustomSpinEdit>;
