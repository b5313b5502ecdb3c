// The audio CD window and the audio burning window for gui-preview, over a
// main window of their own with a virtual CD-R in a scratch folder; plain,
// and in each skin shipped beside the program ("audio-devoir").

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>

#include "app/AppGlobals.h"
#include "app/Audio.h"
#include "app/AudioBurning.h"
#include "app/Unit1.h"
#include "app/Unit1Views.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/ListView.h"
#include "platform/gui/Preview.h"
#include "platform/gui/RichEdit.h"
#include "platform/gui/StdCtrls.h"
#include "skin/se_binding_bars.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_binding_views.h"
#include "skin/se_engine.h"

namespace {

// `skin` (a name from the Skins folder, or none) is loaded into the main
// window's engine, which the audio windows follow.
TAudioForm* AudioWindow(const QString& skin = {}) {
  static TAudioForm* audio = nullptr;
  if (audio) return audio;
  static QTemporaryDir dir;
  QFile map(dir.filePath("DriveMap.ini"));
  if (map.open(QIODevice::WriteOnly)) map.write("[E]\nImage=preview.img\nMedium=CD-R\n");
  map.close();
  ::setenv("BURNER_DRIVE_MAP", map.fileName().toLocal8Bit().constData(), 1);
  AppStrings().AppDir = dir.path();
  AppForms().Form1 = Create<TForm1>(nullptr);
  if (!skin.isEmpty()) {
    const QString file = QCoreApplication::applicationDirPath() + "/Skins/" + skin + ".mskn";
    AppForms().Form1->SeSkinEngine1->SetSkinFile(file.toStdString());
  }
  audio = CreateAudioForms();
  const struct {
    const char* name;
    const char* length;
  } rows[] = {{"/home/me/Music/Harbour Lights/01 Morning Tide.mp3", "4:12"},
              {"/home/me/Music/Harbour Lights/02 Gulls.mp3", "3:5"},
              {"/home/me/Music/Harbour Lights/03 Rope and Sail.wav", "5:48"},
              {"/home/me/Music/Live/Encore.ape", "12:30"},
              {"/home/me/Music/Live/Crowd.ogg", ""}};
  for (const auto& r : rows) {
    TListItem* row = audio->clbox->Items()->Add();
    row->SetCaption(r.name);
    row->SubItems()->Add(r.length);
  }
  audio->RecalcTotalLength();
  return audio;
}

std::unique_ptr<TCustomForm> Borrowed(TCustomForm* form) { return std::unique_ptr<TCustomForm>(form); }

std::unique_ptr<TCustomForm> AudioPreview(const QString& skin) {
  TAudioForm* audio = AudioWindow(skin);
  AppForms().AudioForm = nullptr;
  return Borrowed(audio);
}

// The burning window in the middle of a run, as its log and figures show it.
std::unique_ptr<TCustomForm> AudioBurningPreview(const QString& skin) {
  AudioWindow(skin);
  TAudioBurningForm* b = AppForms().AudioBurningForm;
  AppForms().AudioBurningForm = nullptr;
  const TAppStrings& s = AppStrings();
  for (const QString& line : {s.ProductName + " V" + s.ProductVersion + " - Burn Audio CD", s.CompanyName,
                              s.CompanyURL, s.ProductURL})
    b->AddLogLine(">>> " + line, clLogNavy);
  b->AddLogLine(">>> 10:41:07 AM Initialize ASPI successfully.", clLogGreen);
  b->AddLogLine(">>> 10:41:07 AM Drive is ready.", clLogGreen);
  b->AddLogLine(">>> 10:41:08 AM Preparing. Please wait.", clLogBlue);
  b->AddLogLine(">>> 10:41:12 AM Processing: /home/me/Music/Harbour Lights/02 Gulls.mp3  (Track 2)", clLogBlue);
  b->AddLogLine(">>> 10:41:12 AM Writing track 2", clLogBlue);
  b->labLength->SetCaption("1535 Seconds");
  b->labFinished->SetCaption("344 Seconds");
  b->labElapse->SetCaption("0:1:12");
  b->labRemain->SetCaption("0:4:9");
  b->labFileBurning->SetCaption("/home/me/Music/Harbour Lights/02 Gulls.mp3");
  b->labStatus->SetCaption("Writing track 2");
  b->pgbCurrent->SetPosition(45);
  b->labCProgress->SetCaption("45%");
  b->pgbTotal->SetPosition(22);
  b->labTProgress->SetCaption("22%");
  b->btnEject->SetEnabled(false);
  return Borrowed(b);
}

}  // namespace

void RegisterAudioPreviews() {
  RegisterPreviewWindow("audio", [] { return AudioPreview({}); });
  RegisterPreviewWindow("audio-burning", [] { return AudioBurningPreview({}); });
  const QDir skins(QCoreApplication::applicationDirPath() + "/Skins");
  for (const QString& file : skins.entryList({"*.mskn"}, QDir::Files, QDir::Name)) {
    const QString name = file.chopped(5);
    RegisterPreviewWindow("audio-" + name, [name] { return AudioPreview(name); });
    RegisterPreviewWindow("audio-burning-" + name, [name] { return AudioBurningPreview(name); });
  }
}
