#include "app/AppPreviews.h"

#include "platform/gui/Preview.h"

void RegisterMainWindowPreviews();

void RegisterAppPreviewWindows() {
  RegisterMainWindowPreviews();
}
