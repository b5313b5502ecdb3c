// The controls of the skinned frame's preview window: a label, a button
// and a status bar whose size grip lies in the window's corner.

#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"
#include "skin/se_statusbar.h"

void AddSkinFormPreviewControls(TForm* form) {
  auto* label = Create<TLabel>(form);
  label->SetParent(form);
  label->SetBounds(12, 12, 340, 20);
  label->SetCaption("The client area starts inside the skin's frame.");
  auto* button = Create<TButton>(form);
  button->SetParent(form);
  button->SetBounds(12, 44, 90, 25);
  button->SetCaption("Burn");
  auto* status = Create<TSeCustomStatusBar>(form);
  status->SetParent(form);
  status->SetAlign(alBottom);
  // A plain bar keeps the plain font: the skin's text colour may be meant
  // for a dark client.
  status->SetFont(TFont());
  status->Panels()->Add()->SetText("Ready");
}
