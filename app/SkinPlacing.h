#pragma once
// Skinned windows built in code: a skinned control made, parented, placed
// and bound to the program's skin engine in one call, and the skinned frame
// a window carries. Without an engine (or a skin in it) both draw plain.

#include "app/AppGlobals.h"
#include "app/FormPlacing.h"
#include "skin/se_skinform.h"

template <typename T>
T* PlaceSkinned(TWinControl* parent, int left, int top, int width, int height, const QString& caption = {}) {
  T* control = Place<T>(parent, left, top, width, height, caption);
  control->SetSkinEngine(AppSkinEngine());
  return control;
}

// The frame SeSkinForm1 of `form`, drawn from the skin object "Form" with
// the given caption buttons.
inline TSeSkinForm* AddSkinFrame(TCustomForm* form, TSeBorderIcons icons) {
  auto* frame = Create<TSeSkinForm>(form);
  frame->SetBorderIcons(icons);
  frame->SetSkinObject("Form");
  frame->SetSkinEngine(AppSkinEngine());
  return frame;
}
