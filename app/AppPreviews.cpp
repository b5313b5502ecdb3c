#include "app/AppPreviews.h"

#include "platform/gui/Preview.h"

void RegisterAppPreviewWindows() {}
