#pragma once
// The skinned frame a window carries, bound to the program's skin engine;
// without a skin it is the plain frame.

#include "app/SkinnedPlacing.h"
#include "skin/se_skinform.h"

// The frame SeSkinForm1 of `form`, drawn from the skin object "Form" with
// the given caption buttons. Add it before setting the client size, which
// the frame then keeps inside it.
inline TSeSkinForm* AddSkinFrame(TCustomForm* form, TSeBorderIcons icons) {
  auto* frame = Create<TSeSkinForm>(form);
  frame->SetBorderIcons(icons);
  frame->SetSkinObject("Form");
  frame->SetSkinEngine(AppSkinEngine());
  return frame;
}
