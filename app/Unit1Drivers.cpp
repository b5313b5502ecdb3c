// The main window's operation drivers: the drive bar, the data burn, the
// image build and burn, erase, the progress timer and the completions. They
// follow the recorder's order of calls and report through the burn dialog's
// and erase window's views.

#include <QFile>
#include <QFileInfo>
#include <QTime>
#include <cmath>

#include "app/AppGlobals.h"
#include "app/Unit1.h"
#include "app/start.h"
#include "platform/core/Formats.h"
#include <QApplication>

#include "platform/gui/Application.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Power.h"
#include "platform/gui/Sound.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/Timer.h"
#include "recorder/xrCDBC.h"
#include "skin/se_binding_bars.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_binding_lists.h"

namespace {

constexpr int kMaxFiles = 600000;
constexpr int kMaxDirs = 20000;
constexpr int kMaxFolderLevels = 8;
constexpr std::uint32_t kWriterCaps = capWriteCDR | capWriteDVDR | capWriteDVDRAM;

QString Now() { return QTime::currentTime().toString("h:mm:ss AP"); }

// A disc's folder tree holds at most eight levels, the root being the
// first: a folder deeper down is left out, with all it holds, and named in
// `problems`.
void LeaveOutTooDeepFolders(TQCDBurner& r, TDEntry* dir, int level, QStringList& problems) {
  for (TFEntry* e = dir->FirstChild; e;) {
    TFEntry* next = e->Next;
    if (TDEntry* sub = e->Dir) {
      if (level + 1 > kMaxFolderLevels) {
        problems << QString::fromStdString(sub->Path) +
                        QString(": folders nested deeper than %1 levels").arg(kMaxFolderLevels);
        r.RemoveDir(sub);
      } else {
        LeaveOutTooDeepFolders(r, sub, level + 1, problems);
      }
    }
    e = next;
  }
}

QString MegabytesText(std::int64_t bytes) {
  return QString::fromStdString(FormatFloat("#,##0.00", static_cast<double>(bytes) / 1048576.0)) + " MB";
}

}  // namespace

int TForm1::SpeedTextToKBps(const QString& speed_text, int disc_type) {
  if (speed_text.isEmpty() || speed_text == "Max") return 0;
  bool ok = false;
  const double factor = speed_text.section('X', 0, 0).trimmed().toDouble(&ok);
  if (!ok) return 0;
  return static_cast<int>(std::lround(factor * (disc_type < 4 ? 177 : 1385)));
}

QString TForm1::SecondsText(int seconds) {
  return QString("%1:%2:%3").arg(seconds / 3600).arg(seconds % 3600 / 60).arg(seconds % 60);
}

void TForm1::InitializeDrives() {
  TQCDBurner& r = *qcdb_;
  r.SetUnderrunProtection(true);
  r.SetCacheSize(4194304);
  r.SetWritePostGap(true);
  r.SetFinalizeDisc(false);
  r.SetTestWrite(false);
  r.SetReplaceFile(false);
  r.SetPerformOPC(false);
  r.SetReadSpeed(0);
  r.SetWriteSpeed(0);
  r.OnWriteDone = [this](TQCDBurner*, const std::string& error) { qcdbWriteDone(error); };
  r.OnEraseDone = [this](TSCSIDevice*, bool with_error) { qcdbEraseDone(with_error); };
  r.OnFinalizingTrack = [this](TQCDBurner*) { qcdbFinalizingTrack(); };

  ASPIReady = r.InitializeASPI(true, "");
  if (!ASPIReady) {
    SetEnabled(false);
    MessageBox("Error initializing ASPI Layer, Please visit support page, " + AppStrings().SupportURL, "Error",
               MB_OK | MB_ICONERROR);
    return;
  }
  cbDrives->Items()->Clear();
  for (const std::string& id : r.Devices) {
    r.SetDeviceID(id);
    if (r.Capabilities & kWriterCaps) cbDrives->Items()->Add(QString::fromStdString(id));
  }
  if (cbDrives->Items()->Count() > 0) {
    cbDrives->SetItemIndex(0);
    cbDrivesChange();
  }
}

void TForm1::SelectComboDrive() {
  const std::string id = cbDrives->Text().toStdString();
  if (!id.empty() && qcdb_->SelectedDeviceId != id) qcdb_->SetDeviceID(id);
}

void TForm1::cbDrivesChange(TControl*) {
  if (syncing_drive_) return;
  // The pick-only combo keeps written text apart from its items: a drive
  // named by text (the scheduler picks its drive so) becomes the current
  // item, so the drive used is the one the combo shows.
  const QString named = cbDrives->TSeCustomEdit::Text();
  if (!named.isEmpty()) {
    syncing_drive_ = true;
    cbDrives->SetText(QString());
    const int index = cbDrives->Items()->IndexOf(named);
    if (index >= 0) cbDrives->SetItemIndex(index);
    syncing_drive_ = false;
  }
  SelectComboDrive();
  cbDrives->SetHint(cbDrives->Text());
  const char letter = qcdb_->GetDriveLetter();
  lDrive->SetCaption(letter == 0 ? QString("  Drive :") : QString("Drive %1:").arg(QChar(letter)));
}

void TForm1::bEjectClick(TControl*) {
  SelectComboDrive();
  qcdb_->SynchronizeCache(300000, false);
  qcdb_->PreventAllowMediumRemoval(true);
  qcdb_->StartStopUnit(true);
}

void TForm1::bBurnClick(TControl*) {
  if (editor_->Empty()) {
    MessageBox("Please add files or folders to the Burning List.", "Informaiton", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  SelectComboDrive();
  const double megabytes = std::nearbyint(static_cast<double>(CompilationSize()) / 1048576.0);
  if (qcdb_->GetDiscCapacity() / 512.0 < megabytes) {
    MessageBox("The space of the disc in not enough, please insert another disc.", "Information",
               MB_OK | MB_ICONINFORMATION);
    return;
  }
  if (!ShowBurnDialog) {
    MessageBox("The burn dialog is not part of this build yet.", "Information", MB_OK | MB_ICONINFORMATION);
    return;
  }
  Hide();
  ShowBurnDialog();
}

void TForm1::AddLogLine(const QString& text, unsigned colour) {
  if (BurnView) BurnView->AddLogLine(text, colour);
}

void TForm1::StartOperation(const QString& operation) {
  Operation = operation;
  TickCount = 0;
  RemainSeconds = 0;
}

bool TForm1::AddCompilationToRecorder() {
  TQCDBurner& r = *qcdb_;
  const TDriverOptions options = ReadOptions();
  // A disc copy writes the source disc alone: no earlier session, none of
  // the compilation the user is editing.
  const bool copy = Operation == "Copy Dual Disc";
  if (options.ImportSessionNo != 0 && !copy) {
    r.SessionToImport = 0;
    r.ImportSession(options.ImportSessionNo, nullptr);
  }
  if ((copy || editor_->Empty()) && RootFiles.isEmpty()) {
    MessageBox("Atleast one file/directory should be selected", "Information", MB_OK | MB_ICONINFORMATION);
    return false;
  }
  // What the recorder leaves out is gathered and shown before anything is
  // written, so no file goes missing from a disc unnoticed.
  QStringList problems;
  r.OnAddFile = [&](TQCDBurner*, const std::string& path, std::string&, std::string&, Clock::TimePoint&, int,
                    std::int64_t, bool& skip, const std::string& reason) {
    if (skip && !reason.empty()) problems << QString::fromStdString(path + ": " + reason);
  };
  r.OnAddDir = [&](TQCDBurner*, std::string& name, std::string&, bool& skip, const std::string& reason) {
    if (skip && !reason.empty()) problems << QString::fromStdString(name + ": " + reason);
  };
  TCompilationEditor::Visitor visitor;
  visitor.Folder = [&](const QString& parent, const QString& name) {
    if (!r.CreateDir(parent.toStdString(), name.toStdString()))
      problems << QString("%1%2: the folder could not be made on the disc").arg(parent, name);
  };
  visitor.Entry = [&](const QString& parent, const QString& source) {
    const QFileInfo info(source);
    const std::string dest = parent.toStdString();
    if (info.isDir()) {
      const std::string name = info.fileName().toStdString();
      if (!r.CreateDir(dest, name)) {
        problems << source + ": the folder could not be made on the disc";
        return;
      }
      r.AddDir(dest + name, source.toStdString(), "*.*", 63, true, false, options.ArchiveOnly);
    } else if (!info.exists()) {
      problems << source + ": not found";
    } else if (r.AddFile(dest, source.toStdString(), false) <= 0) {
      problems << source + ": could not be added";
    }
  };
  if (!copy) editor_->Walk(visitor);
  for (const QString& file : RootFiles) {
    // A folder named with a trailing "/" gives its contents to the root.
    if (file.endsWith('/')) {
      if (r.AddDir("\\", file.toStdString(), "*.*", 63, true, false, false) < 0)
        problems << file + ": could not be added";
    } else if (r.AddFile("\\", file.toStdString(), false) <= 0) {
      problems << file + ": could not be added";
    }
  }
  r.OnAddFile = nullptr;
  r.OnAddDir = nullptr;
  LeaveOutTooDeepFolders(r, r.RootDir(), 1, problems);
  if (problems.isEmpty()) return true;
  for (const QString& p : problems) AddLogLine(">>> " + p, clLogRed);
  const int shown = std::min<int>(problems.size(), 15);
  QString text = "These files and folders cannot go on the disc:\n\n" + problems.mid(0, shown).join('\n');
  if (problems.size() > shown) text += QString("\n... and %1 more (see the log)").arg(problems.size() - shown);
  text += "\n\nBurn without them?";
  return MessageBox(text, "Information", MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}

void TForm1::BurnDataDisc() {
  TQCDBurner& r = *qcdb_;
  SelectComboDrive();
  std::uint32_t buffer = 0, blank = 0;
  r.ReadBufferCapacity(buffer, blank);
  if (BurnView) BurnView->SetDriveBufferSize(buffer);
  r.SetWriteSpeed(SpeedTextToKBps(BurnView ? BurnView->SpeedText() : QString(), r.GetDiscType()));
  r.InitCompilation(kMaxFiles, kMaxDirs);
  if (!AddCompilationToRecorder()) return;
  AddLogLine(">>> " + Now() + " Add files / dirs to CD(DVD) done.", clLogGreen);
  if (r.GetDirCount() == 0 && r.GetFileCount() == 0) return;
  if (ShowLayout && ReadOptions().ShowFiles) ShowLayout();
  if (!r.Prepare(false, nullptr)) {
    AddLogLine(">>> " + Now() + " " + QString::fromStdString(r.LastWriteResult()), clLogRed);
    return;
  }
  if (BurnView) BurnView->SetTrackSize(r.GetTrackSectors(), MegabytesText(r.GetTrackSectors() * 2048));
  Timer1->SetEnabled(true);
  AddLogLine(">>> " + Now() + " Start burning CD(DVD) on " + QString::fromStdString(r.SelectedDeviceId), clLogBlue);
  AddLogLine(">>> Smart-Burn Actived", clLogGreen);
  AddLogLine(">>> Burn-Proof Actived", clLogGreen);
  AddLogLine(">>> " + Now() + " It costs about 30 seconds to prepare and lead-in before burning. Please wait.",
             clLogBlue);
  SetEnabled(false);
  busy_ = true;
  r.BurnCompilation();
}

void TForm1::BuildISOImage() {
  TQCDBurner& r = *qcdb_;
  Timer1->SetEnabled(true);
  r.InitCompilation(kMaxFiles, kMaxDirs);
  if (!AddCompilationToRecorder() || (r.GetDirCount() == 0 && r.GetFileCount() == 0)) {
    Timer1->SetEnabled(false);
    return;
  }
  AddLogLine(">>> " + Now() + " Add files / dirs to .ISO done.", clLogGreen);
  AddLogLine(">>> " + Now() + " Start building .ISO file", clLogBlue);
  SetEnabled(false);
  busy_ = true;
  r.Prepare(true, nullptr);
  if (BurnView) BurnView->SetTrackSize(r.GetTrackSectors(), MegabytesText(r.GetTrackSectors() * 2048));
  r.CreateImageFile(r.ISOFileName(), ReadOptions().QuickSaveISO);
}

void TForm1::BurnISOImage() {
  // The burn dialog selected the drive it names for the image.
  TQCDBurner& r = *qcdb_;
  std::uint32_t buffer = 0, blank = 0;
  r.ReadBufferCapacity(buffer, blank);
  if (BurnView) BurnView->SetDriveBufferSize(buffer);
  r.SetWriteSpeed(SpeedTextToKBps(BurnView ? BurnView->SpeedText() : QString(), r.GetDiscType()));
  Timer1->SetEnabled(true);
  AddLogLine(">>> " + Now() + " Start burning .ISO Image on " + QString::fromStdString(r.SelectedDeviceId),
             clLogBlue);
  SetEnabled(false);
  busy_ = true;
  AddLogLine(">>> Smart-Burn Actived", clLogGreen);
  AddLogLine(">>> Burn-Proof Actived", clLogGreen);
  r.BurnImageFile(ISOSourceFile.toStdString());
  if (BurnView) BurnView->SetTrackSize(r.GetTrackSectors(), MegabytesText(r.GetTrackSectors() * 2048));
}

void TForm1::QuickErase(const QString& drive_id, const QString& speed_text) { Erase(true, drive_id, speed_text); }
void TForm1::CompleteErase(const QString& drive_id, const QString& speed_text) { Erase(false, drive_id, speed_text); }

void TForm1::Erase(bool quick, const QString& drive_id, const QString& speed_text) {
  TQCDBurner& r = *qcdb_;
  if (!drive_id.isEmpty()) r.SetDeviceID(drive_id.toStdString());
  if (!r.IsDiscErasable() && !(quick && r.GetDiscType() == dtDVDRAM)) {
    MessageBox("Disc is not Erasable", "Information", MB_OK | MB_ICONINFORMATION);
    if (EraseView) EraseView->EraseDeclined();
    return;
  }
  const QString caption = quick ? "Want to Quick Erase the Disc ?" : "Want to Complete Erase the Disc ? (may take 10-70 mins)";
  if (MessageBox("All Data on the CD will be lost", caption, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) != IDYES) {
    if (EraseView) EraseView->EraseDeclined();
    return;
  }
  StartOperation("Erase");
  Timer1->SetEnabled(true);
  r.SetWriteSpeed(SpeedTextToKBps(speed_text, r.GetDiscType()));
  if (!r.Erase(quick ? 1 : 0)) {
    Timer1->SetEnabled(false);
    MessageBox("Erase process done with error.\n" + QString::fromStdString(r.LastError), "Information",
               MB_OK | MB_ICONINFORMATION);
    if (EraseView) EraseView->EraseDone(true);
  }
}

void TForm1::Timer1Timer(TTimer*) {
  TQCDBurner& r = *qcdb_;
  if (TickCount == 0) AddLogLine(">>> " + Now() + " Start burning.", clLogBlue);
  ++TickCount;
  if (r.Erasing()) {
    const int p = r.GetEraseProgress();
    if (p != 0) RemainSeconds = static_cast<int>(std::lround((100 - p) * (TickCount / static_cast<double>(p))));
    if (EraseView) EraseView->ShowEraseProgress(p, SecondsText(TickCount), SecondsText(RemainSeconds));
    return;
  }
  TBurnProgressView::Figures f;
  f.CachePercent = r.GetCacheFillPercent();
  f.BytesWritten = r.BytesWritten();
  const std::int64_t sectors = r.GetTrackSectors();
  f.TrackComplete = sectors > 0 && f.BytesWritten / 2048 >= sectors;
  if (r.DeviceFreeBufferSize() <= r.DeviceBufferSize())
    f.DriveBufferFill = r.DeviceBufferSize() - r.DeviceFreeBufferSize();
  // No figure comes from a zero maximum: the bar simply stays at 0.
  f.Percent = sectors > 0 ? static_cast<int>(std::lround(std::min<double>(f.BytesWritten / 2048, sectors) * 100.0 / sectors)) : 0;
  if (f.Percent != 0) RemainSeconds = static_cast<int>(std::lround(TickCount / double(f.Percent) * (100 - f.Percent)));
  f.Elapsed = SecondsText(TickCount);
  f.Remaining = SecondsText(RemainSeconds);
  if (BurnView) BurnView->ShowFigures(f);
}

void TForm1::qcdbFinalizingTrack() {
  AddLogLine(">>> " + Now() + " Finalizing track...Please wait.", clLogBlue);
}

void PlayCompletionSound(const TCompletionSound& sound) {
  if (!sound.Enabled) return;
  if (sound.DefaultBeep) {
    QApplication::beep();
    return;
  }
  Sounds().Stop();
  Sounds().Play(sound.File);
}

void TForm1::qcdbWriteDone(const std::string& error_text) {
  TQCDBurner& r = *qcdb_;
  const TDriverOptions options = ReadOptions();
  const QString error = QString::fromStdString(error_text);
  Timer1->SetEnabled(false);
  SetEnabled(true);
  busy_ = false;
  Timer1Timer(Timer1);
  if (Operation != "Build ISO") {
    if (options.CloseDisc)
      AddLogLine(">>> Disc Closed -> This disc can not be add files or folders in next burning. (rewritable disc "
                 "should be erased before next burning)You can change this setting in Options",
                 clLogGreen);
    else
      AddLogLine(">>> Disc not Closed -> This disc can be read and burned in all CD(DVD) RW drives but maybe not in "
                 "some CD-Rom drives.You can change this setting in Options",
                 clLogGreen);
  }
  if (!error.isEmpty()) {
    AddLogLine(">>> " + Now() + " Write/Burn CD(DVD) Process done with error", clLogRed);
    AddLogLine(">>> " + Now() + " " + error, clLogRed);
  } else {
    AddLogLine(">>> " + Now() + " Write/Burn CD(DVD) Process done", clLogGreen);
    if (options.ArchiveOnly) r.ClearArchiveBits();
  }
  if (BurnView) BurnView->OperationDone(error.isEmpty());
  if (error.isEmpty() && options.EjectDone &&
      (Operation == "Burn" || Operation == "Burn ISO" || Operation == "Copy Dual Disc"))
    r.StartStopUnit(true);
  r.InitCompilation(kMaxFiles, kMaxDirs);
  if (Operation == "Burn") PlayCompletionSound(options.BurnDone);
  else if (Operation == "Build ISO") PlayCompletionSound(options.ISODone);
  else if (Operation == "Copy Dual Disc") PlayCompletionSound(options.CopyDone);
  else if (Operation == "Schedule") {
    if (options.ScheduleDone.Enabled && options.ScheduleLog && ScheduleDoneLog) ScheduleDoneLog(error.isEmpty());
    PlayCompletionSound(options.ScheduleDone);
  }
  AddLogLine("", clLogWhite);
  RootFiles.clear();
  QFile::remove(AppStrings().DataPath("temp/autorun.inf"));
  QFile::remove(AppStrings().DataPath("temp/icon.ico"));
  if (options.ExitWhenDone) {
    try {
      Close();
      if (AppForms().StartForm) AppForms().StartForm->Close();
    } catch (...) {
      if (AppForms().StartForm) AppForms().StartForm->Close();
    }
  }
  if (options.PowerOffWhenDone) Power().PowerOff();
}

void TForm1::qcdbEraseDone(bool with_error) {
  TQCDBurner& r = *qcdb_;
  const TDriverOptions options = ReadOptions();
  Timer1->SetEnabled(false);
  r.Abort();
  PlayCompletionSound(options.EraseDone);
  if (options.EjectDone) bEjectClick();
  if (EraseView && !with_error) EraseView->ShowEraseProgress(100, SecondsText(TickCount), SecondsText(0));
  MessageBox(with_error ? "Erase process done with error." : "Erase process done.", "Information",
             MB_OK | MB_ICONINFORMATION);
  if (EraseView) EraseView->EraseDone(with_error);
}
