#include "skin/se_previews.h"

#include "platform/gui/Preview.h"

void RegisterSkinPreviewWindows() {}
