// Plain speed buttons, dividers and labels for the tab and tool bar
// previews (se_tabs_previews.cpp).

#include "platform/gui/Controls.h"
#include "skin/se_labels.h"
#include "skin/se_speedbuttons.h"

void AddPreviewLabel(TWinControl* parent, const TRect& bounds, const QString& caption) {
  auto* label = Create<TSeCustomLabel>(parent);
  label->SetParent(parent);
  label->SetBoundsRect(bounds);
  label->SetCaption(caption);
}

// `buttons` flat buttons, a divider after the second, a chevron on the last.
void AddPreviewButtons(TWinControl* bar, int buttons) {
  // Each new child stands past the ones already lined up.
  int at = 1000;
  for (int i = 0; i < buttons; ++i) {
    if (i == 2) {
      auto* divider = Create<TSeSpeedDivider>(bar);
      divider->SetBounds(at, at, 8, 8);
      at += 50;
      divider->SetParent(bar);
    }
    auto* button = Create<TSeCustomSpeedButton>(bar);
    button->SetBounds(at, at, 23, 22);
    at += 50;
    button->SetFlat(true);
    button->SetCaption(QString::number(i + 1));
    button->SetShowChevron(i == buttons - 1);
    button->SetParent(bar);
  }
}
