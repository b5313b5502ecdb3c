#pragma once
// TSeCustomScrollBox: the class library's scroll box with the skin library's
// border and background and its own scroll bars laid over the real ones
// (the overlay mechanism of se_overlayscroll.h). The skinned wrapper draws
// its border from a skin and makes its overlay bars skinned scroll bars.

#include "platform/gui/ScrollBox.h"
#include "skin/se_overlayscroll.h"

class TSeCustomScrollBox : public TSeOverlayHost<TScrollBox, true> {
 public:
  explicit TSeCustomScrollBox(TComponent* owner = nullptr);
};
