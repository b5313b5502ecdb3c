#include "app/AppPreviews.h"

#include "platform/gui/Preview.h"

void RegisterMainWindowPreviews();
void RegisterSchedulePreviews();
void RegisterDialogPreviews();
void RegisterAudioPreviews();

void RegisterAppPreviewWindows() {
  RegisterMainWindowPreviews();
  RegisterSchedulePreviews();
  RegisterDialogPreviews();
  RegisterAudioPreviews();
}
