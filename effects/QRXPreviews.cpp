#include "effects/QRXPreviews.h"

#include "platform/gui/Preview.h"

void RegisterEffectsPreviewWindows() {}
