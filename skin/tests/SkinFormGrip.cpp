// A status bar with its size grip for the skinned frame's tests, made here
// because the bar's header and the skin objects' cannot meet in one file.

#include "platform/gui/Forms.h"
#include "skin/se_statusbar.h"

// Adds a bottom-aligned bar with a grip to `form`; returns the grip's
// centre in window coordinates.
QPoint AddStatusBarWithGrip(TForm* form) {
  auto* bar = Create<TSeCustomStatusBar>(form);
  bar->SetParent(form);
  bar->SetAlign(alBottom);
  bar->SetSizeGrip(true);
  bar->Panels()->Add()->SetText("Ready");
  const TRect g = bar->GetSizeGripRect();
  return bar->mapTo(form, QPoint((g.Left + g.Right) / 2, (g.Top + g.Bottom) / 2));
}
