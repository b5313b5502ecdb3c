// The start page and the main window for gui-preview. The main window gets a
// virtual recorder of its own in a scratch folder, so a preview never scans
// or writes the user's drives.

#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

#include "app/AppGlobals.h"
#include "app/Unit1.h"
#include "app/start.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Preview.h"

namespace {

void UsePreviewDrives() {
  static QTemporaryDir dir;
  QFile map(dir.filePath("DriveMap.ini"));
  if (map.open(QIODevice::WriteOnly)) map.write("[E]\nImage=preview.img\nMedium=DVD+R\n");
  map.close();
  ::setenv("BURNER_DRIVE_MAP", map.fileName().toLocal8Bit().constData(), 1);
}

}  // namespace

void RegisterMainWindowPreviews() {
  RegisterPreviewWindow("start-page", [] { return std::unique_ptr<TCustomForm>(Create<TStartForm>(nullptr)); });
  RegisterPreviewWindow("main-window", [] {
    UsePreviewDrives();
    std::unique_ptr<TForm1> form(Create<TForm1>(nullptr));
    form->btnNewClick();
    form->CreateFolderClick();
    return std::unique_ptr<TCustomForm>(std::move(form));
  });
}
