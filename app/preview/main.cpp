// gui-preview: shows a named window and saves a PNG of it. Every subsystem
// registers its windows here; scripts/screenshot runs this under Xvfb.

#include <QApplication>

#include "app/AppPreviews.h"
#include "app/ModuleInit.h"
#include "effects/QRXPreviews.h"
#include "platform/gui/Application.h"
#include "platform/gui/GuiPreviews.h"
#include "platform/gui/Preview.h"
#include "skin/se_previews.h"
#include "skin/se_skingallery.h"

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  TApplication application;
  InitializeModules();
  RegisterGuiPreviewWindows();
  RegisterEffectsPreviewWindows();
  RegisterSkinPreviewWindows();
  RegisterSkinGalleryPreviews();
  RegisterAppPreviewWindows();
  QStringList arguments = QCoreApplication::arguments();
  arguments.removeFirst();
  return RunPreview(arguments);
}
