#include "app/schedule.h"

#include <QApplication>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

#include "app/AddSchedule.h"
#include "app/AppGlobals.h"
#include "app/ToolButtons.h"
#include "app/Unit1.h"
#include "app/start.h"
#include "effects/QRXTrayIcon.h"
#include "platform/core/DateTime.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FileUtils.h"
#include "platform/core/IniFile.h"
#include "platform/gui/Autostart.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ListView.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/Timer.h"
#include "recorder/xrCDBC.h"
#include "skin/se_binding_bars.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_binding_views.h"
#include "skin/se_skinform.h"

namespace {

const char* const kColumns[] = {"Task Name", "Disc Volume", "Type",     "Scheduling",     "Description",
                                "Task File", "Begin Date",  "End Date", "Time",           "Equal or Later"};
constexpr int kColumnWidths[] = {110, 90, 70, 80, 120, 200, 80, 80, 50, 90};

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

// The task's file name without its folder and its four-character extension,
// as the start question names it.
QString TaskTitle(const QString& task_file) {
  const QString name = QFileInfo(task_file).fileName();
  return name.left(std::max<int>(0, name.size() - 4));
}

// The task file's text; empty when it cannot be read.
std::string TaskText(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll().toStdString();
}

}  // namespace

TScheduleForm::TScheduleForm(TComponent* owner) : TForm(owner) {}

TScheduleForm::~TScheduleForm() = default;

QString TScheduleForm::ScheduleFolder() { return AppStrings().DataPath("Schedule"); }
QString TScheduleForm::ListFile() { return ScheduleFolder() + "/ScheduleList.ini"; }
QString TScheduleForm::LogFile() { return ScheduleFolder() + "/Log.txt"; }

QString TScheduleForm::TaskFilePath(const QString& name, const QString& type) {
  return ScheduleFolder() + "/" + name + (type == kAudioTaskType ? ".atf" : ".tsk");
}

void TScheduleForm::DoCreate() {
  AppForms().ScheduleForm = this;
  BuildLayout();
  LoadList();
  UpdateTimerInterval();
  UpdateTrayHint();
  if (TStartForm* start = AppForms().StartForm) {
    start->OpenBackup = [this] { Show(); };
    start->ScheduledTaskCount = [this] { return static_cast<int>(tasks_.size()); };
  }
  if (TForm1* main = AppForms().Form1) {
    main->ScheduleDoneLog = [](bool) {
      ForceDirectories(S(ScheduleFolder()));
      AppendScheduleLog(S(LogFile()), ScheduleDoneLogLine(Now()));
    };
  }
  TForm::DoCreate();
}

void TScheduleForm::BuildLayout() {
  SetCaption("Schedule a backup");
  SetFormStyle(fsStayOnTop);
  SetBounds(0, 0, 760, 380);
  SetPosition(poScreenCenter);

  SeSkinForm1 = Create<TSeSkinForm>(this);
  SeSkinForm1->SetBorderIcons(kbiClose | kbiSystemMenu | kbiMinimize | kbiMaximize);
  SeSkinForm1->SetSkinEngine(AppSkinEngine());

  tbTask = Create<TSeSkinToolBar>(this);
  tbTask->SetSkinEngine(AppSkinEngine());
  tbTask->SetParent(this);
  tbTask->SetAlign(alTop);
  tbTask->SetHeight(kToolButtonHeight + 4);
  tbTask->SetBorderWidth(2);
  tbTask->SetButtonAutoSize(false);
  // The bar lines its buttons up in the order of their positions.
  TToolRow row{this, tbTask, AppSkinEngine()};
  auto button = [&](const QString& caption, TToolGlyph glyph, int width, void (TScheduleForm::*handler)(TControl*)) {
    TSeSkinSpeedButton* b = AddToolButton(row, caption, QString(), glyph, width);
    b->OnClick = [this, handler](TControl* c) { (this->*handler)(c); };
    return b;
  };
  btnAdd = button("Add", TToolGlyph::AddTask, 44, &TScheduleForm::btnAddClick);
  btnEdit = button("Edit", TToolGlyph::EditTask, 44, &TScheduleForm::btnEditClick);
  btnDelete = button("Delete", TToolGlyph::DeleteTask, 50, &TScheduleForm::btnDeleteClick);
  btnClear = button("Clear", TToolGlyph::Clear, 44, &TScheduleForm::btnClearClick);
  AddToolDivider(row, 6);
  btnRun = button("Run", TToolGlyph::Run, 44, &TScheduleForm::btnRunClick);
  AddToolDivider(row, 6);
  btnOption = button("Options", TToolGlyph::Options, 54, &TScheduleForm::btnOptionClick);

  ltvTask = Create<TSeSkinSListView>(this);
  ltvTask->SetSkinEngine(AppSkinEngine());
  ltvTask->SetParent(this);
  ltvTask->SetAlign(alClient);
  ltvTask->SetViewStyle(vsReport);
  ltvTask->SetRowSelect(true);
  ltvTask->SetReadOnly(true);
  for (int i = 0; i < 10; ++i) {
    TListColumn* column = ltvTask->Columns()->Add();
    column->SetCaption(kColumns[i]);
    column->SetWidth(kColumnWidths[i]);
  }
  ltvTask->OnDblClick = [this](TControl* c) { btnEditClick(c); };

  Timer1 = Create<TTimer>(this);
  Timer1->SetInterval(10000);
  Timer1->OnTimer = [this](TTimer* t) { Timer1Timer(t); };
  Timer1->SetEnabled(true);
}

void TScheduleForm::LoadList() {
  ltvTask->Items()->Clear();
  tasks_.clear();
  if (FileExists(S(ListFile()))) {
    const TIniFile ini(S(ListFile()));
    tasks_ = LoadScheduleList(ini, Date());
  }
  for (int i = 0; i < static_cast<int>(tasks_.size()); ++i) {
    ltvTask->Items()->Add();
    ShowRow(i);
  }
}

void TScheduleForm::ShowRow(int index) {
  const TScheduleTask& task = tasks_[index];
  TListItem* item = ltvTask->Items()->Item(index);
  item->SetCaption(Q(task.Name));
  TStrings* columns = item->SubItems();
  columns->Clear();
  const bool timed = task.UseTime && task.Time != kNoTime;
  for (const std::string& text :
       {task.Name, task.Type, task.Scheduling, task.Description, task.TaskFile, DateToStr(task.BeginDate),
        DateToStr(task.EndDate), timed ? task.Time : std::string(kNoTime),
        timed ? std::string(task.Equal ? "Equal" : "Equal or Later") : std::string(kNoTime)})
    columns->Add(Q(text));
}

void TScheduleForm::StoreTask(const TScheduleTask& task) {
  ForceDirectories(S(ScheduleFolder()));
  {
    TIniFile ini(S(ListFile()));
    WriteScheduleTask(ini, task);
  }
  auto same = std::find_if(tasks_.begin(), tasks_.end(), [&](const TScheduleTask& t) { return t.Name == task.Name; });
  int index;
  if (same == tasks_.end()) {
    tasks_.push_back(task);
    ltvTask->Items()->Add();
    index = static_cast<int>(tasks_.size()) - 1;
  } else {
    *same = task;
    index = static_cast<int>(same - tasks_.begin());
  }
  reported_.erase(task.Name);
  ShowRow(index);
  // The index goes to disk with every change: a crash must not bring back
  // a deleted task or lose a new one.
  WriteIndex();
  UpdateTrayHint();
}

void TScheduleForm::WriteIndex() {
  ForceDirectories(S(ScheduleFolder()));
  std::vector<std::string> names;
  for (const TScheduleTask& task : tasks_) names.push_back(task.Name);
  TIniFile ini(S(ListFile()));
  WriteScheduleIndex(ini, names);
}

void TScheduleForm::UpdateTrayHint() {
  if (TStartForm* start = AppForms().StartForm) start->TrayIcon->SetHint(QString::number(tasks_.size()) + " Backup Tasks");
}

void TScheduleForm::DoClose(TCloseAction& action) {
  WriteIndex();
  UpdateTrayHint();
  TForm::DoClose(action);
}

void TScheduleForm::UpdateTimerInterval() { Timer1->SetInterval(ScheduleTimerInterval(tasks_)); }

void TScheduleForm::Timer1Timer(TTimer*) {
  Timer1->SetEnabled(false);
  for (std::size_t i = 0; i < tasks_.size(); ++i) {
    TScheduleTask& task = tasks_[i];
    if (!task.Problem.empty()) {
      if (reported_.insert(task.Name).second)
        MessageBox(Q(task.Problem) + "\nThe task does not run until it is edited.", "Information",
                   MB_OK | MB_ICONINFORMATION);
      continue;
    }
    const TDateTime now = Now();
    if (!IsTaskDue(task, now)) continue;
    task.LastBackup = DateOf(now);
    {
      TIniFile ini(S(ListFile()));
      ini.WriteDate(task.Name, "Last Backup", *task.LastBackup);
    }
    RunTask(static_cast<int>(i));
  }
  Timer1->SetEnabled(true);
}

void TScheduleForm::RunTask(int index) {
  if (index < 0 || index >= static_cast<int>(tasks_.size())) return;
  const TScheduleTask& task = tasks_[index];
  const QString file = Q(task.TaskFile);
  if (!QFileInfo(file).isFile()) {
    MessageBox("The task file does not exists.", "Information", MB_OK | MB_ICONINFORMATION);
    return;
  }
  if (task.Type == kDataTaskType)
    RunDataTask(file);
  else
    RunAudioTask(file);
}

bool TScheduleForm::PrepareRun(const QString& kind, const QString& task_file, const TScheduleOptions& options) {
  if (options.Inform) {
    const QString question = kind + " burning task \"" + TaskTitle(task_file) + "\" is going to start.\n\r" +
                             "Click OK to start or click Cancel to abort.";
    if (MessageBox(question, "Information", MB_OKCANCEL | MB_ICONINFORMATION) == IDCANCEL) return false;
  }
  TForm1* main = AppForms().Form1;
  if (!main) return false;
  if (!options.Drive.isEmpty() && main->cbDrives->Text() != options.Drive) {
    main->cbDrives->SetText(options.Drive);
    main->cbDrivesChange(main->cbDrives);
  }
  return true;
}

bool TScheduleForm::WaitUntilReady(const TScheduleOptions& options) {
  TQCDBurner& recorder = AppForms().Form1->qcdb();
  while (!recorder.TestUnitReady(5000)) {
    if (!options.QueryNotReady) return false;
    if (options.EjectNoDisc) {
      recorder.SynchronizeCache(300000, false);
      recorder.PreventAllowMediumRemoval(true);
      recorder.StartStopUnit(true);
    }
    const QString text = QStringLiteral(
        "The drive is not ready. Please insert a writable disc.\n\r"
        "And Click OK to continue the task or Click Cancel to cancel.");
    if (MessageBox(text, "Informaiton", MB_OKCANCEL | MB_ICONINFORMATION) == IDCANCEL) return false;
  }
  return true;
}

void TScheduleForm::AnnounceStart(const QString& task_file, const TScheduleOptions& options) {
  if (options.Log) {
    ForceDirectories(S(ScheduleFolder()));
    AppendScheduleLog(S(LogFile()), ScheduleStartLogLine(S(task_file), Now()));
  }
  PlayCompletionSound(options.StartSound);
}

void TScheduleForm::RunDataTask(const QString& task_file) {
  const TScheduleOptions options = ReadOptions();
  if (!PrepareRun("Data", task_file, options)) return;
  TForm1* main = AppForms().Form1;
  if (!main->bBurn->Enabled()) {
    if (options.QueryNotReady)
      MessageBox("The drive you set is not a CD \\ DVD Recorder, please select another drive.", "Information",
                 MB_OK | MB_ICONINFORMATION);
    return;
  }
  if (!WaitUntilReady(options)) return;
  const std::string text = TaskText(task_file);
  if (text.empty()) return;
  try {
    main->LoadTaskText(text);
  } catch (const Exception& e) {
    MessageBox(QString("The task file cannot be read: %1").arg(Q(e.Message())), "Information",
               MB_OK | MB_ICONINFORMATION);
    return;
  }
  if (!StartScheduledBurn) {
    MessageBox("The burn dialog is not part of this build yet.", "Information", MB_OK | MB_ICONINFORMATION);
    return;
  }
  AnnounceStart(task_file, options);
  main->StartOperation("Schedule");
  StartScheduledBurn(options);
}

void TScheduleForm::RunAudioTask(const QString& task_file) {
  const TScheduleOptions options = ReadOptions();
  if (!PrepareRun("Audio", task_file, options)) return;
  if (!WaitUntilReady(options)) return;
  const QString text = QString::fromStdString(TaskText(task_file));
  if (text.isEmpty()) return;
  QStringList tracks = text.split(QRegularExpression("\r?\n"), Qt::SkipEmptyParts);
  if (!StartScheduledAudioBurn) {
    MessageBox("Audio burning is not part of this build yet.", "Information", MB_OK | MB_ICONINFORMATION);
    return;
  }
  AnnounceStart(task_file, options);
  StartScheduledAudioBurn(tracks, options);
}

void TScheduleForm::OpenEditor(const QString& mode) {
  if (!editor_) {
    editor_ = Create<TAddScheduleForm>(this);
    editor_->Schedule = this;
  }
  editor_->InitEditor(mode);
  editor_->Show();
}

void TScheduleForm::btnAddClick(TControl*) { OpenEditor("Add"); }

void TScheduleForm::btnEditClick(TControl*) {
  if (!ltvTask->Selected()) return;
  OpenEditor("Edit");
}

void TScheduleForm::btnDeleteClick(TControl*) {
  TListItem* item = ltvTask->Selected();
  if (!item) return;
  const int index = item->Index();
  const TScheduleTask task = tasks_[index];
  {
    TIniFile ini(S(ListFile()));
    if (ini.SectionExists(task.Name)) ini.EraseSection(task.Name);
  }
  const std::string data_file = S(TaskFilePath(Q(task.Name), kDataTaskType));
  if (FileExists(data_file)) DeleteFile(data_file);
  tasks_.erase(tasks_.begin() + index);
  ltvTask->Items()->Delete(index);
  WriteIndex();
  UpdateTimerInterval();
  UpdateTrayHint();
  ForgetRunValueWhenEmpty();
}

void TScheduleForm::ForgetRunValueWhenEmpty() {
  // With no task left there is nothing to wait for in the tray at login.
  if (tasks_.empty() && Autostart().RunValue(kScheduleRunValueName)) Autostart().DeleteRunValue(kScheduleRunValueName);
}

void TScheduleForm::btnClearClick(TControl*) {
  if (MessageBox("Are you sure to delete all backup tasks?", "Query", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  tasks_.clear();
  ltvTask->Items()->Clear();
  const std::string folder = S(ScheduleFolder());
  if (DirectoryExists(folder)) {
    for (const QFileInfo& file : QDir(ScheduleFolder()).entryInfoList(QDir::Files | QDir::Hidden))
      DeleteFile(S(file.filePath()));
  }
  UpdateTimerInterval();
  UpdateTrayHint();
  ForgetRunValueWhenEmpty();
}

void TScheduleForm::btnRunClick(TControl*) {
  TListItem* item = ltvTask->Selected();
  if (!item) {
    MessageBox("Please select a task first.", "Information", MB_OK | MB_ICONINFORMATION);
    return;
  }
  RunTask(item->Index());
}

void TScheduleForm::btnOptionClick(TControl*) {
  if (ShowScheduleOptions) ShowScheduleOptions();
}
