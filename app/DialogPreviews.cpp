// The burn dialog, the options pages, the erase window, the information
// dialogs, the tips window and the about box for gui-preview. Each shows
// over a main window of its own with a virtual recorder in a scratch
// folder, which is also the program folder (no Option.ini is read or
// written elsewhere).

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

#include "app/About.h"
#include "app/AppGlobals.h"
#include "app/Burning.h"
#include "app/DiscLayout.h"
#include "app/Erase.h"
#include "app/Option.h"
#include "app/SessionTree.h"
#include "app/Sessions.h"
#include "app/Tip.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Preview.h"
#include "platform/gui/StdCtrls.h"
#include "recorder/xrCDBC.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_engine.h"

namespace {

// Loads a shipped skin into the program's engine: the main window's when
// one is made, else the engine of windows shown on their own. "None" takes
// the skin the options loaded away: the plain look.
void UseSkin(const QString& name) {
  TSeSkinEngine* engine = AppSkinEngine();
  if (!engine) engine = AppForms().StandaloneSkinEngine = Create<TSeSkinEngine>(nullptr);
  engine->SetSkinFile(
      name == "None" ? "" : (QCoreApplication::applicationDirPath() + "/Skins/" + name + ".mskn").toStdString());
}

QTemporaryDir& Scratch() {
  static QTemporaryDir dir;
  return dir;
}

void Write(const QString& relative, const QByteArray& bytes) {
  const QString path = Scratch().filePath(relative);
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

// The main window the dialogs lean on, made once per preview run.
TForm1* Main() {
  static TForm1* main = nullptr;
  if (main) return main;
  Write("DriveMap.ini", "[E]\nImage=preview.img\nMedium=DVD+R\n");
  ::setenv("BURNER_DRIVE_MAP", Scratch().filePath("DriveMap.ini").toLocal8Bit().constData(), 1);
  AppStrings().AppDir = Scratch().path();
  // The skins the build laid out beside the program, for the skins page.
  QDir skins(QCoreApplication::applicationDirPath() + "/Skins");
  for (const QString& name : skins.entryList(QDir::Files)) {
    QFile file(skins.filePath(name));
    if (file.open(QIODevice::ReadOnly)) Write("Skins/" + name, file.readAll());
  }
  main = Create<TForm1>(nullptr);
  AppForms().Form1 = main;
  main->btnNewClick();
  CreateBurningForm();
  CreateOptionForm();
  return main;
}

// Something for the file windows to show: a few host files in the
// recorder's compilation.
void FillCompilation() {
  Write("files/Readme.txt", "read me");
  Write("files/Photos/beach.jpg", QByteArray(180000, 'j'));
  Write("files/Photos/hills.jpg", QByteArray(240000, 'h'));
  Write("files/Music/song.mp3", QByteArray(3100000, 'm'));
  TQCDBurner& r = Main()->qcdb();
  r.InitCompilation(65535, 8191);
  r.AddDir("\\", Scratch().filePath("files").toStdString(), "*.*", 63, true, false, false);
}

// The preview takes the long-lived form over; the program's table forgets it.
std::unique_ptr<TCustomForm> Borrowed(TCustomForm* form) { return std::unique_ptr<TCustomForm>(form); }

void RegisterBurnDialog(const QString& name, const QString& mode, bool progress, const QString& skin) {
  RegisterPreviewWindow(name, [mode, progress, skin] {
    Main();
    UseSkin(skin);
    TBurningForm* b = AppForms().BurningForm;
    AppForms().BurningForm = nullptr;
    b->Setup(mode);
    if (progress) {
      for (TSeSkinGroupBox* g : {b->gpbPreference, b->gpbOption, b->gpbCopy, b->gpbBurnISO}) g->Hide();
      b->gpbProgress->SetCaption("Progress and Log - Burning My Disc");
      b->gpbProgress->Show();
      b->btnCancel->Hide();
      b->labNote1->Hide();
      b->labNote2->Hide();
      b->AddLogLine(">>> " + AppStrings().ProductName + " V1.8", clLogNavy);
      b->AddLogLine(">>> 10:41:07 AM Drive is ready.", clLogGreen);
      b->AddLogLine(">>> 10:41:08 AM Start burning CD(DVD) on 0:0:0,E: BURNER VIRTUAL DVD-RW 1.00", clLogBlue);
      b->AddLogLine(">>> 10:43:51 AM Write/Burn CD(DVD) Process done", clLogGreen);
      b->SetTrackSize(51200, "100.00 MB");
      TBurnProgressView::Figures f;
      f.CachePercent = 80;
      f.BytesWritten = 64 * 1048576;
      f.Percent = 64;
      f.Elapsed = "0:1:12";
      f.Remaining = "0:0:41";
      b->ShowFigures(f);
    }
    return Borrowed(b);
  });
}

void RegisterOptionsPage(const QString& name, int page) {
  RegisterPreviewWindow(name, [page] {
    Main();
    TOptionForm* o = AppForms().OptionForm;
    AppForms().OptionForm = nullptr;
    o->pgcOption->SetActivePageIndex(page);
    return Borrowed(o);
  });
}

}  // namespace

void RegisterDialogPreviews() {
  // Each window plain ("burn-dialog") and in every shipped skin
  // ("burn-dialog-devoir").
  QStringList skins{"None"};
  const QDir shipped(QCoreApplication::applicationDirPath() + "/Skins");
  for (const QString& file : shipped.entryList({"*.mskn"}, QDir::Files, QDir::Name)) skins << file.chopped(5);
  for (const QString& skin : skins) {
    const QString suffix = skin == "None" ? QString() : "-" + skin;
    RegisterBurnDialog("burn-dialog" + suffix, "Burn", false, skin);
    RegisterBurnDialog("burn-dialog-copy" + suffix, "Copy", false, skin);
    RegisterBurnDialog("burn-dialog-build-iso" + suffix, "BuildISO", false, skin);
    RegisterBurnDialog("burn-dialog-burn-iso" + suffix, "BurnISO", false, skin);
    RegisterBurnDialog("burn-dialog-progress" + suffix, "Burn", true, skin);
    RegisterPreviewWindow("erase-window" + suffix, [skin] {
      Main();
      UseSkin(skin);
      return std::unique_ptr<TCustomForm>(Create<TEraseForm>(nullptr));
    });
    RegisterPreviewWindow("tips" + suffix, [skin] {
      AppStrings().AppDir = QCoreApplication::applicationDirPath();  // the build puts Tips.ini there
      if (skin != "None") UseSkin(skin);
      return std::unique_ptr<TCustomForm>(Create<TTipForm>(nullptr));
    });
    RegisterPreviewWindow("about" + suffix, [skin] {
      if (skin != "None") UseSkin(skin);
      return std::unique_ptr<TCustomForm>(Create<TAboutForm>(nullptr));
    });
  }
  const char* pages[] = {"options-general", "options-burning", "options-schedule", "options-sound",
                         "options-skins"};
  for (int i = 0; i < 5; ++i) RegisterOptionsPage(pages[i], i);
  RegisterPreviewWindow("capabilities", [] {
    auto form = std::unique_ptr<TForm2>(Create<TForm2>(nullptr));
    form->ShowDrive(Main()->qcdb());
    return std::unique_ptr<TCustomForm>(std::move(form));
  });
  RegisterPreviewWindow("sessions", [] {
    auto form = std::unique_ptr<TfrmSessions>(Create<TfrmSessions>(nullptr));
    form->Fill(Main()->qcdb());
    return std::unique_ptr<TCustomForm>(std::move(form));
  });
  RegisterPreviewWindow("session-viewer", [] {
    FillCompilation();
    auto form = std::unique_ptr<TfrmTree>(Create<TfrmTree>(nullptr));
    form->SetRecorder(&Main()->qcdb());
    return std::unique_ptr<TCustomForm>(std::move(form));
  });
  RegisterPreviewWindow("disc-layout", [] {
    FillCompilation();
    auto form = std::unique_ptr<TfrmDiscLayout>(Create<TfrmDiscLayout>(nullptr));
    form->SetRecorder(&Main()->qcdb());
    return std::unique_ptr<TCustomForm>(std::move(form));
  });
}
