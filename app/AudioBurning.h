#pragma once
// The audio burning window: starts the audio burning process (burner-encode)
// on the job in the exchange file, follows its status once a second with
// progress figures and a coloured log, passes on the user's abort order,
// and runs the end-of-burn actions. It watches the process too: one that
// cannot start, dies, or stops reporting ends the run as failed.

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <vector>

#include "app/ScheduleOptions.h"
#include "platform/gui/Forms.h"

class QProcess;
class TLabel;
class TRichEdit;
class TSeSkinButton;
class TSeSkinForm;
class TSeSkinGroupBox;
class TSeSkinLabel;
class TSeSkinProgressBar;
class TTimer;

// The one argument the audio burning process accepts.
inline constexpr const char* kAudioProcessAccessCode = "pq3vtz#rw%M7@jcx5hb#";
// The process's file name, beside the program and where it is installed.
inline constexpr const char* kAudioProcessName = "burner-encode";

class TAudioBurningForm : public TForm {
 public:
  explicit TAudioBurningForm(TComponent* owner = nullptr);
  ~TAudioBurningForm() override;

  TSeSkinForm* SeSkinForm1 = nullptr;
  TSeSkinGroupBox* gbProgress = nullptr;
  TSeSkinLabel *labLength = nullptr, *labFinished = nullptr, *labElapse = nullptr, *labRemain = nullptr,
               *labFileBurning = nullptr, *labStatus = nullptr, *labCProgress = nullptr, *labTProgress = nullptr;
  TSeSkinProgressBar *pgbCurrent = nullptr, *pgbTotal = nullptr;
  TRichEdit* memo1 = nullptr;
  TSeSkinButton *btnClear = nullptr, *btnAbort = nullptr, *btnEject = nullptr, *btnSave = nullptr,
                *btnPrint = nullptr;
  TTimer *timStart = nullptr, *TimProgress = nullptr;

  int ElapsedSeconds = 0;
  int RemainSeconds = 0;
  QString LastStatusText;
  QString StatusText;
  int LastTrack = -1;
  int CurrentTrack = -1;
  QString Mode;  // "Burn" or "Schedule"
  bool ReturnToAudioForm = false;
  int TotalSeconds = 0;
  int DoneSeconds = 0;
  int TrackSeconds = 0;
  // A process that writes nothing for this long has stopped working.
  int ReportTimeoutSeconds = 180;

  // True from the start of a run until its end.
  bool Running() const;
  // The tracks of the run and their lengths in seconds: taken from the audio
  // window when a burn starts, brought along by a scheduled run.
  const QStringList& RunTracks() const { return tracks_; }

  // A scheduled audio task: writes the job (a file left by an earlier run
  // goes first), measures the tracks, and starts, showing the window when
  // the options say so. False (with the reason logged) when the job cannot
  // be written.
  bool StartScheduled(const QStringList& tracks, const TScheduleOptions& options);

  void timStartTimer(TTimer* sender = nullptr);
  void TimProgressTimer(TTimer* sender = nullptr);
  void btnAbortClick(TControl* sender = nullptr);
  void btnEjectClick(TControl* sender = nullptr);
  void FinishBurn();
  void AddLogLine(const QString& text, unsigned colour);

 protected:
  void DoShow() override;
  bool CloseQuery() override;
  void DoClose(TCloseAction& action) override;

 private:
  void BuildLayout();
  // Show steps 1-3: the log's header, the figures emptied.
  void PrepareDisplay();
  // Puts the process in the per-user folder; returns the program to run.
  QString InstallProcess();
  void Arm();
  void StartProcess();
  void ProcessEnded();
  // Ends the run as failed with `reason` in red.
  void Fail(const QString& reason);
  void UpdateTotals();
  void EjectAudioDrive();
  bool ReportedSince();

  QStringList tracks_;
  std::vector<int> lengths_;
  QString exchange_;
  QPointer<QProcess> process_;
  QElapsedTimer last_report_;
  QString report_signature_;
  bool prepared_ = false;
};

// The text "h:m:s" of a number of seconds, each part unpadded (3725 is 1:2:5).
QString HoursMinutesSeconds(int seconds);
