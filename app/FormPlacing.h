#pragma once
// Building windows in code: a control made, parented and placed in one
// call, owned by the parent's owner (the form) so that the form finds it
// by name and frees it; and the time of day as the windows' logs show it.

#include <QString>
#include <QTime>

#include "platform/gui/Controls.h"

template <typename T>
T* Place(TWinControl* parent, int left, int top, int width, int height, const QString& caption = {}) {
  auto* control = Create<T>(parent->Owner() ? parent->Owner() : parent);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  if (!caption.isEmpty()) control->SetCaption(caption);
  return control;
}

// The fixed-pitch font the information windows line their columns up in,
// given as a whole font: a control's widget takes a font through SetFont,
// not when the control's font is changed in place.
inline void UseFixedPitchFont(TControl* control) {
  TFont font = *control->Font();
  font.SetName("Courier New");
  control->SetFont(font);
}

inline QString LogTimeText() { return QTime::currentTime().toString("h:mm:ss AP"); }
