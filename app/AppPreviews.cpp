#include "app/AppPreviews.h"

#include "platform/gui/Preview.h"

void RegisterMainWindowPreviews();
void RegisterSchedulePreviews();
void RegisterDialogPreviews();

void RegisterAppPreviewWindows() {
  RegisterMainWindowPreviews();
  RegisterSchedulePreviews();
  RegisterDialogPreviews();
}
