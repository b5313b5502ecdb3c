#pragma once
// The schedule window: the list of backup tasks kept in
// Schedule/ScheduleList.ini, a timer that runs each task when it falls due
// (a data task through the main window and the burn dialog, an audio task
// through the audio burning process), and the schedule log. It lives for the
// whole run, so tasks fall due while the program waits in the tray.

#include <QString>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/ScheduleOptions.h"
#include "app/scheduleTasks.h"
#include "platform/gui/Forms.h"

class TSeSkinForm;
class TSeSkinSListView;
class TSeSkinSpeedButton;
class TSeSkinToolBar;
class TTimer;
class TAddScheduleForm;

// The start-at-login entry that starts the program waiting in the tray.
inline const QString kScheduleRunValueName = QStringLiteral("Orvane CD DVD Burner Schedule");

class TScheduleForm : public TForm {
 public:
  explicit TScheduleForm(TComponent* owner = nullptr);
  ~TScheduleForm() override;

  TSeSkinForm* SeSkinForm1 = nullptr;
  TSeSkinSListView* ltvTask = nullptr;
  TSeSkinToolBar* tbTask = nullptr;
  TSeSkinSpeedButton *btnAdd = nullptr, *btnEdit = nullptr, *btnDelete = nullptr;
  TSeSkinSpeedButton *btnClear = nullptr, *btnRun = nullptr, *btnOption = nullptr;
  TTimer* Timer1 = nullptr;

  // AppDir/Schedule and the files in it.
  static QString ScheduleFolder();
  static QString ListFile();
  static QString LogFile();
  // The path of a task's own file: Schedule/<name>.tsk or .atf.
  static QString TaskFilePath(const QString& name, const QString& type);

  // The tasks in list order (row i shows Tasks()[i]).
  const std::vector<TScheduleTask>& Tasks() const { return tasks_; }
  // Reads the list file again and fills the list.
  void LoadList();
  // Adds a new task or replaces the task of the same name, shows it and
  // writes its section and the index at once.
  void StoreTask(const TScheduleTask& task);

  void UpdateTimerInterval();
  void Timer1Timer(TTimer* sender = nullptr);
  void RunTask(int index);
  void RunDataTask(const QString& task_file);
  void RunAudioTask(const QString& task_file);

  void btnAddClick(TControl* sender = nullptr);
  void btnEditClick(TControl* sender = nullptr);
  void btnDeleteClick(TControl* sender = nullptr);
  void btnClearClick(TControl* sender = nullptr);
  void btnRunClick(TControl* sender = nullptr);
  void btnOptionClick(TControl* sender = nullptr);

  // The options in force; the options window replaces it.
  std::function<TScheduleOptions()> ReadOptions = [] { return TScheduleOptions{}; };
  // Starts the main window's prepared burn as a scheduled one: the burn
  // dialog's module sets it (shown, or hidden with the options' boxes).
  std::function<void(const TScheduleOptions&)> StartScheduledBurn;
  // Starts the audio burning process on the exchange file's tracks; set by
  // the audio module.
  std::function<void(const QStringList& tracks, const TScheduleOptions&)> StartScheduledAudioBurn;
  // Opens the options window on its schedule page; set by the options module.
  std::function<void()> ShowScheduleOptions;

  TAddScheduleForm* Editor() const { return editor_; }

 protected:
  void DoCreate() override;
  void DoClose(TCloseAction& action) override;

 private:
  void BuildLayout();
  void ShowRow(int index);
  void WriteIndex();
  void UpdateTrayHint();
  void OpenEditor(const QString& mode);
  void ForgetRunValueWhenEmpty();
  // Asks for a disc until the drive is ready; false when the run ends.
  bool WaitUntilReady(const TScheduleOptions& options);
  // Steps shared by data and audio runs before the task file is read; false
  // when the run ends.
  bool PrepareRun(const QString& kind, const QString& task_file, const TScheduleOptions& options);
  void AnnounceStart(const QString& task_file, const TScheduleOptions& options);

  std::vector<TScheduleTask> tasks_;
  // Tasks whose problem was shown already in this run.
  std::set<std::string> reported_;
  TAddScheduleForm* editor_ = nullptr;
};
