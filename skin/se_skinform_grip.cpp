// Kept apart from se_skinform.cpp: the status bar's header brings the class
// library's text alignments, whose names the skin objects' alignments share.

#include "platform/gui/Forms.h"
#include "skin/se_statusbar.h"

namespace se {

TRect StatusBarGripRect(TCustomForm* form) {
  if (!form) return {};
  for (int i = 0; i < form->ControlCount(); ++i) {
    auto* bar = dynamic_cast<TSeCustomStatusBar*>(form->Controls(i));
    if (!bar || !bar->isVisible() || !bar->SizeGripActive()) continue;
    const TRect g = bar->GetSizeGripRect();
    const QPoint tl = bar->mapTo(form, QPoint(g.Left, g.Top));
    return Bounds(tl.x(), tl.y(), g.Width(), g.Height());
  }
  return {};
}

}  // namespace se
