#include "app/AudioBurning.h"

#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTime>
#include <cmath>

#include "app/AppGlobals.h"
#include "app/FormPlacing.h"
#include "app/Audio.h"
#include "app/Monkey.h"
#include "app/Unit1.h"
#include "app/Unit1Views.h"
#include "app/start.h"
#include "platform/core/AudioExchange.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Power.h"
#include "platform/gui/RichEdit.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/Timer.h"
#include "recorder/xrCDBC.h"
#include "skin/se_binding_bars.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_binding_lists.h"
#include "skin/se_skinform.h"

namespace {

const QString kDoneText = QStringLiteral("Write/Burn Audio CD Process done.");
const QString kAbortText = QStringLiteral("Burning is abort.");

TForm1* Main() { return AppForms().Form1; }

// A skinned control placed as Place does, following the program's skin.
template <typename T>
T* PlaceSkinned(TWinControl* parent, int left, int top, int width, int height, const QString& caption = {}) {
  T* control = Place<T>(parent, left, top, width, height, caption);
  control->SetSkinEngine(AppSkinEngine());
  return control;
}

bool IsFailure(const QString& text) { return text.contains("Error") && !text.contains("missing"); }

// Where the program was built or installed with its helpers: beside the
// executable, else the build's bin folder named by BURNER_BIN_DIR.
QString ShippedProcess() {
  const QString beside = AppStrings().AppDir + "/" + kAudioProcessName;
  if (QFileInfo(beside).isExecutable()) return beside;
  const QString bin = qEnvironmentVariable("BURNER_BIN_DIR");
  if (!bin.isEmpty() && QFileInfo(bin + "/" + kAudioProcessName).isExecutable())
    return bin + "/" + kAudioProcessName;
  return {};
}

}  // namespace

QString HoursMinutesSeconds(int seconds) {
  return QString("%1:%2:%3").arg(seconds / 3600).arg(seconds / 60 % 60).arg(seconds % 60);
}

TAudioBurningForm::TAudioBurningForm(TComponent* owner) : TForm(owner) { BuildLayout(); }

TAudioBurningForm::~TAudioBurningForm() {
  if (process_) {
    process_->disconnect();
    process_->kill();
    process_->waitForFinished(2000);
  }
}

void TAudioBurningForm::BuildLayout() {
  SetCaption("Burn audio CD");
  SetBounds(0, 0, 568, 560);
  SetPosition(poScreenCenter);
  SeSkinForm1 = Create<TSeSkinForm>(this);
  SeSkinForm1->SetBorderIcons(kbiClose | kbiSystemMenu | kbiMinimize);
  SeSkinForm1->SetSkinEngine(AppSkinEngine());
  SeSkinForm1->SetCaption(Caption());
  auto* g = gbProgress = PlaceSkinned<TSeSkinGroupBox>(this, 8, 6, 544, 456, "Progress and Log");
  auto figure = [g](int left, int top, const QString& caption) {
    PlaceSkinned<TSeSkinLabel>(g, left, top, 10, 16, caption);
    auto* value = PlaceSkinned<TSeSkinLabel>(g, left + 100, top, 150, 16);
    value->SetAutoSize(false);
    return value;
  };
  labLength = figure(12, 22, "Total length:");
  labFinished = figure(280, 22, "Finished:");
  labElapse = figure(12, 42, "Elapsed Time:");
  labRemain = figure(280, 42, "Remaining Time:");
  PlaceSkinned<TSeSkinLabel>(g, 12, 62, 10, 16, "Processing:");
  labFileBurning = PlaceSkinned<TSeSkinLabel>(g, 112, 62, 420, 16);
  labFileBurning->SetAutoSize(false);
  PlaceSkinned<TSeSkinLabel>(g, 12, 82, 10, 16, "Status:");
  labStatus = PlaceSkinned<TSeSkinLabel>(g, 112, 82, 420, 16);
  labStatus->SetAutoSize(false);
  PlaceSkinned<TSeSkinLabel>(g, 12, 104, 10, 16, "Current Progress:");
  pgbCurrent = PlaceSkinned<TSeSkinProgressBar>(g, 130, 104, 340, 16);
  labCProgress = PlaceSkinned<TSeSkinLabel>(g, 480, 104, 50, 16);
  labCProgress->SetAutoSize(false);
  PlaceSkinned<TSeSkinLabel>(g, 12, 126, 10, 16, "Total Progress:");
  pgbTotal = PlaceSkinned<TSeSkinProgressBar>(g, 130, 126, 340, 16);
  labTProgress = PlaceSkinned<TSeSkinLabel>(g, 480, 126, 50, 16);
  labTProgress->SetAutoSize(false);
  memo1 = Place<TRichEdit>(g, 12, 150, 520, 256);
  memo1->SetReadOnly(true);
  memo1->SetScrollBars(ssBoth);
  memo1->SetWordWrap(false);
  btnSave = PlaceSkinned<TSeSkinButton>(g, 12, 418, 60, 26, "S&ave");
  btnPrint = PlaceSkinned<TSeSkinButton>(g, 76, 418, 60, 26, "&Print");
  btnClear = PlaceSkinned<TSeSkinButton>(g, 140, 418, 60, 26, "&Clear");
  btnAbort = PlaceSkinned<TSeSkinButton>(g, 300, 418, 80, 26, "&Abort");
  btnEject = PlaceSkinned<TSeSkinButton>(g, 384, 418, 148, 26, "&Done and Eject");
  btnClear->OnClick = [this](TControl*) { memo1->Clear(); };
  btnAbort->OnClick = [this](TControl* c) { btnAbortClick(c); };
  btnEject->OnClick = [this](TControl* c) { btnEjectClick(c); };

  // The notes keep their own teal: a skinned label would take the skin's.
  auto note = [this](int top, const QString& text) {
    auto* label = Place<TLabel>(this, 12, top, 540, 30, text);
    label->SetAutoSize(false);
    label->SetWordWrap(true);
    label->SetTransparent(true);
    label->SetBounds(12, top, 544, 32);  // the caption sized it for one line
    label->Font()->SetColor(clTeal);
  };
  note(468,
       "Note for CD-RW (DVD+/- RW): Please make sure the CD-RW (DVD+/-RW) disc is not Closed (You can change this "
       "setting in Options.) ");
  note(502,
       "If the rewritable disc is closed, please erase (Quick Erase or Full Erase) the CD-RW (DVD+/-RW) disc before "
       "the burning.");

  timStart = Create<TTimer>(this);
  timStart->SetEnabled(false);
  timStart->SetInterval(1000);
  timStart->OnTimer = [this](TTimer* t) { timStartTimer(t); };
  TimProgress = Create<TTimer>(this);
  TimProgress->SetEnabled(false);
  TimProgress->SetInterval(1000);
  TimProgress->OnTimer = [this](TTimer* t) { TimProgressTimer(t); };
}

bool TAudioBurningForm::Running() const { return timStart->Tag() == 1; }

void TAudioBurningForm::AddLogLine(const QString& text, unsigned colour) {
  memo1->SetSelStart(static_cast<int>(memo1->Text().size()));
  memo1->SelAttributes()->SetColor(static_cast<TColor>(colour));
  memo1->Lines()->Add(text);
}

void TAudioBurningForm::PrepareDisplay() {
  const TAppStrings& s = AppStrings();
  memo1->Clear();
  const QString title = AppForms().AudioForm ? AppForms().AudioForm->Caption() : s.ProductName;
  for (const QString& line : {title, s.CompanyName, s.CompanyURL, s.ProductURL})
    AddLogLine(">>> " + line, clLogNavy);
  AddLogLine(">>> " + LogTimeText() + " Initialize ASPI successfully.", clLogGreen);
  AddLogLine(">>> " + LogTimeText() + " Drive is ready.", clLogGreen);
  pgbCurrent->SetPosition(0);
  pgbTotal->SetPosition(0);
  labCProgress->SetCaption("0%");
  labTProgress->SetCaption("0%");
  for (TSeSkinLabel* label : {labFileBurning, labStatus, labFinished, labElapse, labRemain}) label->SetCaption("");
  int total = 0;
  for (const int seconds : lengths_) total += seconds;
  labLength->SetCaption(QString::number(total));
  btnEject->SetEnabled(false);
  btnAbort->SetEnabled(true);
  btnAbort->Show();
}

void TAudioBurningForm::Arm() {
  LastStatusText = "Ready";
  StatusText.clear();
  LastTrack = -1;
  CurrentTrack = -1;
  timStart->SetTag(1);
  btnAbort->SetTag(0);
  ElapsedSeconds = 0;
  RemainSeconds = 0;
  exchange_ = audio_exchange::ExchangeFilePath();
  timStart->SetEnabled(true);
}

void TAudioBurningForm::DoShow() {
  TForm::DoShow();
  // A window shown again while its run goes on (restored from the task
  // bar) keeps its run; one shown by no caller starts nothing.
  if (Running() || (Mode != "Burn" && Mode != "Schedule")) return;
  if (Mode == "Burn") {
    tracks_.clear();
    lengths_.clear();
    if (TAudioForm* audio = AppForms().AudioForm) {
      tracks_ = audio->Tracks();
      for (int i = 0; i < tracks_.size(); ++i) lengths_.push_back(audio->TrackSeconds(i));
    }
  }
  PrepareDisplay();
  Arm();
}

bool TAudioBurningForm::StartScheduled(const QStringList& tracks, const TScheduleOptions& options) {
  Mode = "Schedule";
  ReturnToAudioForm = false;
  tracks_ = tracks;
  lengths_.clear();
  TMonkey monkey;
  for (const QString& track : tracks) lengths_.push_back(LengthTextSeconds(AudioLengthText(track, monkey)));
  audio_exchange::Job job;
  job.Tracks = tracks;
  job.Drive = options.Drive;
  if (job.Drive.isEmpty() && Main()) job.Drive = Main()->cbDrives->Text();
  QString error;
  const QString path = audio_exchange::ExchangeFilePath();
  // The scheduled run writes its job over the file; one left by a run that
  // never ended would lend it that run's status and abort order.
  audio_exchange::Remove(path);
  if (!audio_exchange::WriteJob(path, job, false, &error)) {
    AddLogLine(">>> " + LogTimeText() + " " + error, clLogRed);
    return false;
  }
  if (options.ShowBurningWindow) {
    Show();
    return true;
  }
  Arm();
  return true;
}

QString TAudioBurningForm::InstallProcess() {
  const QString shipped = ShippedProcess();
  if (shipped.isEmpty()) return {};
  const QString sys = AppStrings().SysDir;
  if (sys.isEmpty() || !QDir().mkpath(sys)) return shipped;
  const QString installed = sys + "/" + kAudioProcessName;
  const QFileInfo from(shipped), to(installed);
  // An installed copy is replaced whenever it differs from the shipped one,
  // so a newer program never runs an older process.
  if (to.exists() && (to.size() != from.size() || to.lastModified() < from.lastModified())) {
    QFile::remove(installed);
  }
  if (!QFileInfo::exists(installed)) {
    const QString part = installed + ".part";
    QFile::remove(part);
    if (!QFile::copy(shipped, part) || !QFile::rename(part, installed)) {
      QFile::remove(part);
      return shipped;
    }
    QFile::setPermissions(installed, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  return installed;
}

void TAudioBurningForm::timStartTimer(TTimer*) {
  timStart->SetEnabled(false);
  TotalSeconds = 0;
  for (const int seconds : lengths_) TotalSeconds += seconds;
  labLength->SetCaption(QString::number(TotalSeconds) + " Seconds");
  DoneSeconds = 0;
  TrackSeconds = 0;
  StartProcess();
}

void TAudioBurningForm::StartProcess() {
  if (process_) {
    process_->disconnect();
    process_->kill();
    process_->waitForFinished(2000);
    delete process_.data();
  }
  const QString program = InstallProcess();
  if (program.isEmpty()) {
    Fail(QString(" The audio burning process (%1) cannot be found.").arg(kAudioProcessName));
    return;
  }
  auto* process = new QProcess(this);
  process_ = process;
  process->setProgram(program);
  process->setArguments({kAudioProcessAccessCode});
  process->setProcessChannelMode(QProcess::ForwardedChannels);
  QObject::connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart && process == process_ && Running())
      Fail(" The audio burning process cannot be started: " + process->errorString());
  });
  QObject::connect(process, &QProcess::finished, this, [this, process](int, QProcess::ExitStatus) {
    if (process == process_) ProcessEnded();
  });
  AddLogLine(">>> " + LogTimeText() + " Preparing. Please wait.", clLogBlue);
  labStatus->SetCaption("Preparing.");
  report_signature_.clear();
  ReportedSince();
  last_report_.start();
  process->start();
  if (Running()) TimProgress->SetEnabled(true);
}

void TAudioBurningForm::ProcessEnded() {
  if (!Running()) return;
  // Its last status may have come just before it ended.
  TimProgressTimer();
  if (!Running()) return;
  const QString how = process_ && process_->exitStatus() == QProcess::CrashExit
                          ? QString("crashed")
                          : QString("ended with code %1").arg(process_ ? process_->exitCode() : -1);
  Fail(" The audio burning process " + how + " before the burn was finished.");
}

void TAudioBurningForm::Fail(const QString& reason) {
  TimProgress->SetEnabled(false);
  timStart->SetEnabled(false);
  AddLogLine(">>> " + LogTimeText() + reason, clLogRed);
  AddLogLine(">>> " + LogTimeText() + " " + kAbortText, clLogRed);
  labStatus->SetCaption(reason.trimmed());
  if (process_ && process_->state() != QProcess::NotRunning) {
    process_->disconnect();
    process_->kill();
  }
  audio_exchange::Remove(exchange_);
  FinishBurn();
}

// Whether the exchange file changed since the last look; a process rewrites
// its status while it works, and an atomic replace always changes the file.
bool TAudioBurningForm::ReportedSince() {
  struct stat info;
  QString signature;
  if (stat(QFile::encodeName(exchange_).constData(), &info) == 0)
    signature = QString("%1/%2/%3/%4")
                    .arg(info.st_ino)
                    .arg(info.st_size)
                    .arg(info.st_mtim.tv_sec)
                    .arg(info.st_mtim.tv_nsec);
  if (signature == report_signature_) return false;
  report_signature_ = signature;
  return true;
}

void TAudioBurningForm::TimProgressTimer(TTimer*) {
  if (!Running()) return;
  if (ReportedSince()) last_report_.restart();
  if (last_report_.isValid() && last_report_.elapsed() > qint64(ReportTimeoutSeconds) * 1000) {
    Fail(QString(" The audio burning process has not reported for %1 seconds.").arg(ReportTimeoutSeconds));
    return;
  }
  if (!QFileInfo::exists(exchange_)) {
    ++ElapsedSeconds;
    labElapse->SetCaption(HoursMinutesSeconds(ElapsedSeconds));
    return;
  }
  TimProgress->SetEnabled(false);
  const audio_exchange::Status status = audio_exchange::ReadStatus(exchange_);
  CurrentTrack = status.Track;
  StatusText = status.Text;

  if (IsFailure(StatusText)) {
    if (btnAbort->Tag() != 1) AddLogLine(">>> " + LogTimeText() + " " + StatusText, clLogRed);
    AddLogLine(">>> " + LogTimeText() + " " + kAbortText, clLogRed);
    labStatus->SetCaption(StatusText);
    audio_exchange::Remove(exchange_);
    FinishBurn();
    return;
  }
  if (status.Track != -1) {
    const int track = status.Track;
    const QString name = track >= 0 && track < tracks_.size() ? tracks_[track] : QString();
    if (track != LastTrack) {
      TrackSeconds = track >= 0 && track < int(lengths_.size()) ? lengths_[track] : 0;
      labFileBurning->SetCaption(name);
      AddLogLine(">>> " + LogTimeText() + " Processing: " + name + "  (Track " + QString::number(track + 1) + ")",
                 clLogBlue);
      LastTrack = track;
    }
    const int progress = std::clamp(status.Progress, 0, 100);
    long long done = 0;
    for (int i = 0; i < track && i < int(lengths_.size()); ++i) done += lengths_[i];
    done += static_cast<long long>(std::nearbyint(TrackSeconds * progress / 100.0));
    DoneSeconds = static_cast<int>(std::min<long long>(done, INT32_MAX));
    labFinished->SetCaption(QString::number(DoneSeconds) + " Seconds");
    if (StatusText != LastStatusText && !StatusText.contains("missing")) {
      const unsigned colour = StatusText == kDoneText ? clLogGreen : StatusText == kAbortText ? clLogRed : clLogBlue;
      AddLogLine(">>> " + LogTimeText() + " " + StatusText, colour);
      LastStatusText = StatusText;
    }
    pgbCurrent->SetPosition(progress);
    labCProgress->SetCaption(QString::number(progress) + "%");
    labStatus->SetCaption(StatusText);
  }
  UpdateTotals();
  if (StatusText == kDoneText || StatusText == kAbortText) {
    FinishBurn();
    return;
  }
  TimProgress->SetEnabled(true);
}

void TAudioBurningForm::UpdateTotals() {
  // The clock runs even when no track's length is known.
  ++ElapsedSeconds;
  labElapse->SetCaption(HoursMinutesSeconds(ElapsedSeconds));
  if (TotalSeconds <= 0) return;
  const int percent = std::clamp(static_cast<int>(std::nearbyint(DoneSeconds * 100.0 / TotalSeconds)), 0, 100);
  pgbTotal->SetPosition(percent);
  labTProgress->SetCaption(QString::number(percent) + "%");
  const int p = pgbTotal->Position();
  if (p != 0) {
    RemainSeconds = static_cast<int>(std::nearbyint(double(ElapsedSeconds) / p * (100 - p)));
    labRemain->SetCaption(HoursMinutesSeconds(RemainSeconds));
  }
}

void TAudioBurningForm::EjectAudioDrive() {
  TAudioForm* audio = AppForms().AudioForm;
  if (!Main() || !audio || audio->cbDrives->Text().isEmpty()) return;
  TQCDBurner& r = Main()->qcdb();
  r.SetDeviceID(audio->cbDrives->Text().toStdString());
  r.SynchronizeCache(300000, false);
  r.PreventAllowMediumRemoval(true);
  r.StartStopUnit(true);
}

void TAudioBurningForm::FinishBurn() {
  timStart->SetTag(0);
  TimProgress->SetEnabled(false);
  // The run is over: the process's own end, whenever it comes, no longer
  // concerns this window (nor the next run's).
  if (QProcess* process = process_.data()) {
    process->disconnect(this);
    process_ = nullptr;
    if (process->state() == QProcess::NotRunning) {
      process->deleteLater();
    } else {
      QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    }
  }
  btnAbort->Hide();
  btnEject->SetEnabled(true);
  audio_exchange::Remove(exchange_);
  const TDriverOptions options = Main() ? Main()->ReadOptions() : TDriverOptions{};
  if (Mode == "Burn" && options.EjectDone) EjectAudioDrive();
  if (Mode == "Burn") PlayCompletionSound(options.BurnDone);
  if (Mode == "Schedule" && options.ScheduleDone.Enabled) {
    if (options.ScheduleLog && Main() && Main()->ScheduleDoneLog) Main()->ScheduleDoneLog(StatusText == kDoneText);
    PlayCompletionSound(options.ScheduleDone);
  }
  if (options.ExitWhenDone) {
    try {
      if (AppForms().AudioForm) AppForms().AudioForm->Close();
      if (Main()) Main()->Close();
    } catch (...) {
    }
    if (AppForms().StartForm) AppForms().StartForm->Close();
  }
  if (options.PowerOffWhenDone) Power().PowerOff();
}

void TAudioBurningForm::btnAbortClick(TControl*) {
  btnAbort->SetTag(1);
  audio_exchange::WriteOrder(exchange_, "Abort");
  AddLogLine(">>> " + LogTimeText() + " Aborting. Please wait.", clLogBlue);
}

void TAudioBurningForm::btnEjectClick(TControl*) {
  const TDriverOptions options = Main() ? Main()->ReadOptions() : TDriverOptions{};
  if (!options.EjectDone) EjectAudioDrive();
  audio_exchange::Remove(exchange_);
  Close();
}

bool TAudioBurningForm::CloseQuery() {
  if (Running()) {
    SetWindowState(wsMinimized);
    return false;
  }
  return TForm::CloseQuery();
}

void TAudioBurningForm::DoClose(TCloseAction& action) {
  TForm::DoClose(action);
  if (ReturnToAudioForm && AppForms().AudioForm) AppForms().AudioForm->Show();
}
