// The start page and the main window for gui-preview. The main window gets a
// virtual recorder of its own in a scratch folder, so a preview never scans
// or writes the user's drives. "main-window" is plain, "main-window-<skin>"
// wears each skin shipped beside the program.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

#include "app/AppGlobals.h"
#include "app/Unit1.h"
#include "app/start.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Preview.h"
#include "skin/se_engine.h"
#include "skin/se_skinsource.h"

namespace {

void UsePreviewDrives() {
  static QTemporaryDir dir;
  QFile map(dir.filePath("DriveMap.ini"));
  if (map.open(QIODevice::WriteOnly)) map.write("[E]\nImage=preview.img\nMedium=DVD+R\n");
  map.close();
  ::setenv("BURNER_DRIVE_MAP", map.fileName().toLocal8Bit().constData(), 1);
}

std::unique_ptr<TCustomForm> MakeMainWindow(const QString& skin_file) {
  UsePreviewDrives();
  std::unique_ptr<TForm1> form(Create<TForm1>(nullptr));
  if (!skin_file.isEmpty()) form->SeSkinEngine1->SetSkinFile(skin_file.toStdString());
  form->btnNewClick();
  form->CreateFolderClick();
  return std::unique_ptr<TCustomForm>(std::move(form));
}

}  // namespace

void RegisterMainWindowPreviews() {
  RegisterPreviewWindow("start-page", [] { return std::unique_ptr<TCustomForm>(Create<TStartForm>(nullptr)); });
  RegisterPreviewWindow("main-window", [] { return MakeMainWindow({}); });
  const QDir skins(QString::fromStdString(se::ProgramFolder()) + "Skins");
  for (const QString& file : skins.entryList({"*.mskn"}, QDir::Files, QDir::Name)) {
    const QString path = skins.filePath(file);
    RegisterPreviewWindow("main-window-" + file.chopped(5), [path] { return MakeMainWindow(path); });
  }
}
