#include "skin/se_scrollbox.h"

TSeCustomScrollBox::TSeCustomScrollBox(TComponent* owner) : TSeOverlayHost(owner) {}
