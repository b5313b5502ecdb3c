// The schedule window and the task editor driven as a user drives them:
// tasks added and edited through the editor's controls, the timer passes
// run on a fake clock, and a due data task burns its task file to a virtual
// DVD+RW that xorriso reads back.

#include <QDateTime>
#include <QFile>
#include <filesystem>
#include <tuple>

#include "app/AddSchedule.h"
#include "app/schedule.h"
#include "app/start.h"
#include "effects/QRXTrayIcon.h"
#include "app/tests/WindowRig.h"
#include "platform/core/IniFile.h"
#include "platform/gui/Autostart.h"
#include "recorder/tests/IsoTestSupport.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_binding_edits.h"
#include "skin/se_binding_lists.h"
#include "skin/se_binding_views.h"

namespace {

namespace fs = std::filesystem;
using apptest::WindowRig;

Clock::TimePoint LocalTime(int year, int month, int day, int hour, int minute, int second) {
  const QDateTime at(QDate(year, month, day), QTime(hour, minute, second));
  return Clock::TimePoint(std::chrono::seconds(at.toSecsSinceEpoch()));
}

class ScheduleWindow : public apptest::ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    if (HasFatalFailure()) return;
    fs::create_directories(dir_ + "/app");
  }

  // The schedule window over the rig's main window, as main() makes it.
  TScheduleForm* MakeSchedule(WindowRig& rig) {
    // The start page has set the program's folder; the schedule lives in
    // the test's own.
    AppStrings().AppDir = QString::fromStdString(dir_ + "/app");
    auto* schedule = Create<TScheduleForm>(nullptr);
    schedule->Show();
    schedule->ReadOptions = [this] { return options_; };
    schedule->StartScheduledBurn = [&rig](const TScheduleOptions&) { rig.form->BurnDataDisc(); };
    return schedule;
  }

  // Fills the editor through its controls and presses OK.
  struct NewTask {
    QString name;
    bool repeated = false;
    int period = 1;
    QString unit = "Days";
    QString time;  // "" leaves "Time:" unticked
    bool exactly = false;
    QStringList folders;
  };
  void AddThroughEditor(WindowRig& rig, TScheduleForm* schedule, const NewTask& task) {
    rig.Click(schedule->btnAdd);
    TAddScheduleForm* editor = schedule->Editor();
    ASSERT_NE(editor, nullptr);
    // A control character cannot be typed into the box; it can be pasted.
    if (task.name.contains('\t'))
      editor->edtTaskName->SetText(task.name);
    else
      QTest::keyClicks(editor->edtTaskName, task.name);
    editor->cmbType->SetItemIndex(task.repeated ? 1 : 0);
    editor->cmbTypeChange();
    if (task.repeated) {
      editor->spePeriodicity->SetText(QString::number(task.period));
      editor->cmbUnit->SetItemIndex(editor->cmbUnit->Items()->IndexOf(task.unit));
      editor->tpkREndDate->SetDate(Date() + 30);
    }
    if (!task.time.isEmpty()) {
      TSeSkinCheckBox* check = task.repeated ? editor->chkRTime : editor->chkOTime;
      check->SetChecked(true);
      TSeSkinMaskEdit* box = task.repeated ? editor->mseRTime : editor->mseOTime;
      box->SetText(task.time);
    }
    (task.exactly ? editor->rdbEqual : editor->rdbEqualLater)->SetChecked(true);
    for (const QString& folder : task.folders) editor->AddFolderEntry(folder);
    rig.Click(editor->btnOK);
  }

  TScheduleOptions options_;
};

TEST_F(ScheduleWindow, DailyTaskBurnsAtItsMinuteOnceADayAndTheDiscReadsBack) {
  WindowRig rig({{'E', VirtualMedium::DvdPlusRw}});
  FakeAutostart autostart;
  ScopedService<AutostartService> scoped_autostart(autostart);
  rig.clock.Set(LocalTime(2026, 3, 20, 9, 0, 0));
  Write("src/docs/a.txt", "alpha");
  Write("src/docs/deep/b (1).txt", std::string(70000, 'b'));
  options_.Drive = rig.form->cbDrives->Text();
  options_.Inform = true;

  TScheduleForm* schedule = MakeSchedule(rig);
  AddThroughEditor(rig, schedule,
                   {.name = "Nightly", .repeated = true, .time = "10:30", .folders = {QString::fromStdString(Path("src/docs"))}});
  ASSERT_EQ(schedule->Tasks().size(), 1u);
  const TScheduleTask task = schedule->Tasks()[0];
  EXPECT_EQ(task.Scheduling, "1 Days");
  EXPECT_EQ(task.Time, "10:30");
  ASSERT_TRUE(task.LastBackup.has_value());
  EXPECT_EQ(DateOf(*task.LastBackup), Date() - 1);
  EXPECT_EQ(schedule->ltvTask->Items()->Item(0)->SubItems()->Strings(7), "10:30");
  EXPECT_EQ(schedule->ltvTask->Items()->Item(0)->SubItems()->Strings(8), "Equal or Later");
  // The index is on disk at once, and the program starts with the session.
  {
    const TIniFile ini(TScheduleForm::ListFile().toStdString());
    EXPECT_EQ(ini.ReadInteger("Count", "Value", 0), 1);
    EXPECT_EQ(ini.ReadString("Task", "Task0", ""), "Nightly");
  }
  ASSERT_TRUE(autostart.RunValue("Orvane CD DVD Burner Schedule").has_value());
  EXPECT_TRUE(autostart.RunValue("Orvane CD DVD Burner Schedule")->endsWith("\" -Schedule"));
  EXPECT_EQ(schedule->Timer1->Interval(), 10000);

  rig.clock.Set(LocalTime(2026, 3, 20, 10, 29, 55));
  schedule->Timer1Timer();
  EXPECT_TRUE(rig.burn_view.log.empty()) << "not due before its minute";

  rig.clock.Set(LocalTime(2026, 3, 20, 10, 30, 5));
  rig.dialogs.AnswerMessage(mrOk);  // "Data burning task "Nightly" is going to start."
  schedule->Timer1Timer();
  ASSERT_TRUE(rig.WaitForBurnEnd());
  EXPECT_TRUE(rig.burn_view.last_success) << rig.burn_view.All().toStdString();
  EXPECT_EQ(rig.form->Operation, "Schedule");

  const std::string image = rig.Disc('E', Path("disc.iso"));
  std::string listing;
  ASSERT_EQ(isotest::Shell("xorriso -indev " + isotest::Q(image) + " -find / -type f 2>/dev/null", &listing), 0);
  EXPECT_NE(listing.find("/docs/a.txt"), std::string::npos) << listing;
  EXPECT_NE(listing.find("/docs/deep/b (1).txt"), std::string::npos) << listing;

  std::string log = isotest::ReadAll(TScheduleForm::LogFile().toStdString());
  EXPECT_NE(log.find("Start backup task:" + TScheduleForm::TaskFilePath("Nightly", kDataTaskType).toStdString()),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Backup task done "), std::string::npos) << log;
  {
    const TIniFile ini(TScheduleForm::ListFile().toStdString());
    EXPECT_EQ(ini.ReadDate("Nightly", "Last Backup", 0), Date());
  }

  // Later that day it is not due again; the next day it is.
  const auto runs = rig.burn_view.done_calls;
  rig.clock.Set(LocalTime(2026, 3, 20, 11, 0, 0));
  schedule->Timer1Timer();
  EXPECT_EQ(rig.burn_view.done_calls, runs);
  EXPECT_TRUE(IsTaskDue(schedule->Tasks()[0], DateOf(Now()) + 1 + 10.75 / 24));
  delete schedule;
}

TEST_F(ScheduleWindow, EditorRefusesHostileAndDuplicateNamesAndKeepsPeriodAndKindOnEdit) {
  WindowRig rig({{'E', VirtualMedium::DvdPlusRw}});
  FakeAutostart autostart;
  ScopedService<AutostartService> scoped_autostart(autostart);
  TScheduleForm* schedule = MakeSchedule(rig);
  AddThroughEditor(rig, schedule, {.name = "Photos", .repeated = true, .period = 2, .unit = "Weeks"});
  ASSERT_EQ(schedule->Tasks().size(), 1u);
  EXPECT_EQ(schedule->Tasks()[0].Scheduling, "2 Weeks");
  EXPECT_EQ(DateOf(*schedule->Tasks()[0].LastBackup), Date() - 14);

  const QString bad = R"(A task name cannot hold "/", "\", ":", "]", ".." or control characters.)";
  const struct {
    QString name;
    QString message;
  } refused[] = {
      {"", "Please enter the Task Name."},
      {"a/b", bad},
      {"a\\b", bad},
      {"..", bad},
      {"x:y", bad},
      {"a]b", bad},
      {"tab\tname", bad},
      {"PHOTOS", "A task named \"Photos\" exists already."},
  };
  QString shown;
  rig.dialogs.OnMessage = [&](const MessageRequest& request) { shown = request.text; };
  for (const auto& c : refused) {
    shown.clear();
    rig.dialogs.AnswerMessage(mrOk);
    AddThroughEditor(rig, schedule, {.name = c.name});
    EXPECT_EQ(shown, c.message) << c.name.toStdString();
    EXPECT_TRUE(schedule->Editor()->Visible()) << c.name.toStdString();
    EXPECT_EQ(schedule->Tasks().size(), 1u) << c.name.toStdString();
    schedule->Editor()->Close();
  }
  rig.dialogs.OnMessage = nullptr;
  EXPECT_FALSE(fs::exists(Path("app/Schedule/a")));

  // Editing shows the stored period and the kind cannot change.
  schedule->ltvTask->SetSelected(schedule->ltvTask->Items()->Item(0));
  rig.Click(schedule->btnEdit);
  TAddScheduleForm* editor = schedule->Editor();
  EXPECT_EQ(editor->Caption(), "Edit Backup Task");
  EXPECT_EQ(editor->spePeriodicity->Text(), "2");
  EXPECT_EQ(editor->cmbUnit->Text(), "Weeks");
  EXPECT_FALSE(editor->cmbType2->Enabled());
  EXPECT_FALSE(editor->edtTaskName->Enabled());
  QTest::keyClicks(editor->edtDescription, "every other week");
  rig.Click(editor->btnOK);
  ASSERT_EQ(schedule->Tasks().size(), 1u);
  EXPECT_EQ(schedule->Tasks()[0].Scheduling, "2 Weeks");
  EXPECT_EQ(schedule->Tasks()[0].Description, "every other week");
  EXPECT_EQ(schedule->Tasks()[0].Type, kDataTaskType);

  // Delete rewrites the index at once; the start-at-login entry goes with
  // the last task; the log stays.
  Write("app/Schedule/Log.txt", "earlier run\r\n");
  rig.Click(schedule->btnDelete);
  EXPECT_TRUE(schedule->Tasks().empty());
  {
    const TIniFile ini(TScheduleForm::ListFile().toStdString());
    EXPECT_EQ(ini.ReadInteger("Count", "Value", -1), 0);
    EXPECT_FALSE(ini.SectionExists("Photos"));
  }
  EXPECT_FALSE(fs::exists(Path("app/Schedule/Photos.tsk")));
  EXPECT_FALSE(autostart.RunValue("Orvane CD DVD Burner Schedule").has_value());
  EXPECT_TRUE(fs::exists(Path("app/Schedule/Log.txt")));
  delete schedule;
}

TEST_F(ScheduleWindow, ListSurvivesARestartAndABadDateIsReportedOnceAndNeverRuns) {
  WindowRig rig({{'E', VirtualMedium::DvdPlusRw}});
  FakeAutostart autostart;
  ScopedService<AutostartService> scoped_autostart(autostart);
  TScheduleForm* schedule = MakeSchedule(rig);
  AddThroughEditor(rig, schedule, {.name = "First"});
  AddThroughEditor(rig, schedule, {.name = "Second", .time = "08:15", .exactly = true});
  EXPECT_EQ(schedule->Timer1->Interval(), 1000) << "an exact time needs a pass every second";
  delete schedule;

  // A damaged begin date must not make the task due every day.
  {
    TIniFile ini(TScheduleForm::ListFile().toStdString());
    ini.WriteString("First", "Begin Date", "not a date");
  }
  schedule = MakeSchedule(rig);
  ASSERT_EQ(schedule->Tasks().size(), 2u) << isotest::ReadAll(TScheduleForm::ListFile().toStdString());
  EXPECT_EQ(schedule->Tasks()[0].Name, "First");
  EXPECT_EQ(schedule->Tasks()[1].Name, "Second");
  EXPECT_EQ(schedule->ltvTask->Items()->Item(1)->SubItems()->Strings(8), "Equal");
  EXPECT_FALSE(schedule->Tasks()[0].Problem.empty());
  int shown = 0;
  rig.dialogs.OnMessage = [&](const MessageRequest& request) {
    if (request.text.contains("First")) ++shown;
  };
  rig.dialogs.AnswerMessage(mrOk);
  schedule->Timer1Timer();
  schedule->Timer1Timer();
  EXPECT_EQ(shown, 1);
  EXPECT_TRUE(rig.burn_view.log.empty());
  delete schedule;
}

TEST_F(ScheduleWindow, ScheduleStartWaitsInTheTrayAndRunsAOnceTaskOnceAndNeverATaskOutOfItsDates) {
  struct CommandLine {
    CommandLine() { TStartForm::SetCommandLine({"-Schedule"}); }
    ~CommandLine() { TStartForm::SetCommandLine({}); }
  } schedule_start;
  WindowRig rig({{'E', VirtualMedium::DvdPlusRw}});
  FakeAutostart autostart;
  ScopedService<AutostartService> scoped_autostart(autostart);
  rig.clock.Set(LocalTime(2026, 3, 20, 9, 0, 0));
  Write("src/once/a.txt", "once");
  options_.Drive = rig.form->cbDrives->Text();

  TScheduleForm* schedule = MakeSchedule(rig);
  AddThroughEditor(rig, schedule, {.name = "Once", .time = "10:30", .folders = {QString::fromStdString(Path("src/once"))}});
  // A daily task whose last day has passed and a once task of a later day,
  // both with a task file that would burn.
  const QString file = QString::fromStdString(schedule->Tasks()[0].TaskFile);
  for (const auto& [name, begin, end, scheduling] :
       {std::tuple{"Ended", Date() - 10, Date() - 1, "1 Days"}, std::tuple{"Later", Date() + 5, Date() + 5, "Once"}}) {
    TScheduleTask task;
    task.Name = name;
    task.Scheduling = scheduling;
    task.BeginDate = begin;
    task.EndDate = end;
    task.LastBackup = begin - 1;
    task.TaskFile = TScheduleForm::TaskFilePath(name, kDataTaskType).toStdString();
    ASSERT_TRUE(QFile::copy(file, QString::fromStdString(task.TaskFile)));
    schedule->StoreTask(task);
  }
  ASSERT_EQ(schedule->Tasks().size(), 3u);
  // The program waits in the tray, its tip counting the tasks.
  EXPECT_TRUE(rig.start->TrayIcon->Active());
  EXPECT_EQ(rig.start->TrayIcon->Hint(), "3 Backup Tasks");

  const struct {
    Clock::TimePoint at;
    int runs;
  } passes[] = {
      {LocalTime(2026, 3, 20, 10, 29, 55), 0},
      {LocalTime(2026, 3, 20, 10, 30, 5), 1},
      {LocalTime(2026, 3, 20, 10, 45, 0), 1},
      {LocalTime(2026, 3, 21, 10, 30, 5), 1},
      {LocalTime(2026, 3, 22, 10, 30, 5), 1},
  };
  for (const auto& pass : passes) {
    rig.clock.Set(pass.at);
    schedule->Timer1Timer();
    if (rig.burn_view.done_calls < pass.runs) ASSERT_TRUE(rig.WaitForBurnEnd());
    EXPECT_EQ(rig.burn_view.done_calls, pass.runs) << DateTimeToStr(Now());
  }
  EXPECT_TRUE(rig.burn_view.last_success) << rig.burn_view.All().toStdString();
  const std::string log = isotest::ReadAll(TScheduleForm::LogFile().toStdString());
  EXPECT_EQ(log.find("Start backup task:"), log.rfind("Start backup task:")) << log;
  EXPECT_NE(log.find("Once.tsk"), std::string::npos) << log;
  delete schedule;
}

}  // namespace
