#pragma once
// Skinned controls made, parented, placed and bound to the program's skin
// engine in one call, as every window's form resource binds them.

#include "app/AppGlobals.h"
#include "app/FormPlacing.h"

template <typename T>
T* PlaceSkinned(TWinControl* parent, int left, int top, int width, int height, const QString& caption = {}) {
  T* control = Place<T>(parent, left, top, width, height, caption);
  control->SetSkinEngine(AppSkinEngine());
  return control;
}
