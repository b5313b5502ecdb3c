#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/scheduleTasks.h"
#include "platform/core/DateTime.h"
#include "platform/core/IniFile.h"

namespace fs = std::filesystem;

namespace {

const TDateTime kToday = EncodeDate(2026, 3, 10);

TDateTime At(int hour, int minute, int second) { return kToday + EncodeTime(hour, minute, second, 0); }

TScheduleTask Repeated(const std::string& scheduling, int days_since_last) {
  TScheduleTask task;
  task.Scheduling = scheduling;
  task.BeginDate = kToday - 100;
  task.EndDate = kToday + 100;
  task.LastBackup = kToday - days_since_last;
  return task;
}

TEST(ScheduleDue, RepeatedTasksRunOnWholePeriodsSinceTheLastBackup) {
  struct Case {
    const char* scheduling;
    int days_since_last;
    bool due;
  } const cases[] = {
      {"1 Weeks", 7, true},        {"1 Weeks", 8, false},   {"1 Weeks", 13, false}, {"1 Weeks", 14, true},
      {"1 Weeks", 0, false},       {"1 Weeks", 6, false},   {"3 Days", 3, true},    {"3 Days", 4, false},
      {"1 Months", 30, true},      {"1 Months", 31, false}, {"2 Weeks", 14, true},  {"0 Days", 5, false},
      {"1 Fortnights", 14, false}, {"Weekly", 7, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsTaskDue(Repeated(c.scheduling, c.days_since_last), At(12, 0, 0)), c.due)
        << c.scheduling << " after " << c.days_since_last << " days";
  }
}

TEST(ScheduleDue, DatesBoundEveryTask) {
  TScheduleTask task = Repeated("1 Days", 1);
  task.BeginDate = kToday + 1;
  EXPECT_FALSE(IsTaskDue(task, At(12, 0, 0)));
  task.BeginDate = kToday - 5;
  task.EndDate = kToday - 1;
  EXPECT_FALSE(IsTaskDue(task, At(12, 0, 0)));
  task.EndDate = kToday;
  EXPECT_TRUE(IsTaskDue(task, At(12, 0, 0)));
}

TEST(ScheduleDue, OnceTasksRunOnTheirDayOnly) {
  TScheduleTask once;
  once.BeginDate = once.EndDate = kToday;
  EXPECT_TRUE(IsTaskDue(once, At(9, 0, 0)));
  once.LastBackup = kToday;  // ran already
  EXPECT_FALSE(IsTaskDue(once, At(9, 0, 0)));
  once.LastBackup.reset();
  once.BeginDate = once.EndDate = kToday - 1;
  EXPECT_FALSE(IsTaskDue(once, At(9, 0, 0)));
}

TEST(ScheduleDue, TimeOfDayEqualOrLaterAndExactlyEqual) {
  TScheduleTask task = Repeated("1 Days", 1);
  task.UseTime = true;
  task.Time = "10:30";
  EXPECT_FALSE(IsTaskDue(task, At(10, 29, 55)));
  EXPECT_TRUE(IsTaskDue(task, At(10, 30, 5)));
  EXPECT_TRUE(IsTaskDue(task, At(18, 0, 0)));
  task.Equal = true;
  EXPECT_TRUE(IsTaskDue(task, At(10, 30, 59)));
  EXPECT_FALSE(IsTaskDue(task, At(10, 31, 0)));
  EXPECT_FALSE(IsTaskDue(task, At(10, 29, 59)));
  task.Time = "__:__";  // a time box left without digits
  EXPECT_FALSE(IsTaskDue(task, At(10, 30, 0)));
  task.UseTime = false;  // the time is not used at all
  EXPECT_TRUE(IsTaskDue(task, At(10, 30, 0)));
}

TEST(ScheduleDue, TimerRunsEverySecondOnlyForExactTimes) {
  TScheduleTask later = Repeated("1 Days", 1);
  later.UseTime = true;
  later.Time = "08:00";
  TScheduleTask exact = later;
  exact.Equal = true;
  EXPECT_EQ(ScheduleTimerInterval({later}), 10000);
  EXPECT_EQ(ScheduleTimerInterval({later, exact}), 1000);
  exact.UseTime = false;
  EXPECT_EQ(ScheduleTimerInterval({later, exact}), 10000);
  EXPECT_EQ(ScheduleTimerInterval({}), 10000);
}

class ScheduleFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("schedule-test-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  fs::path dir_;
};

TEST_F(ScheduleFiles, ListSurvivesAWriteAndARead) {
  {
    TIniFile ini(Path("ScheduleList.ini"));
    TScheduleTask weekly = Repeated("2 Weeks", 14);
    weekly.Name = "Photos";
    weekly.Description = "the photo folder";
    weekly.TaskFile = "/data/Schedule/Photos.tsk";
    weekly.UseTime = true;
    weekly.Time = "21:15";
    weekly.Equal = true;
    WriteScheduleTask(ini, weekly);
    TScheduleTask once;
    once.Name = "Songs";
    once.Type = kAudioTaskType;
    once.BeginDate = once.EndDate = kToday + 2;
    WriteScheduleTask(ini, once);
    // An older, longer index leaves names beyond the count behind.
    WriteScheduleIndex(ini, {"Old0", "Old1", "Old2"});
    WriteScheduleIndex(ini, {"Photos", "", "Songs"});
  }
  TIniFile ini(Path("ScheduleList.ini"));
  const auto tasks = LoadScheduleList(ini, kToday);
  ASSERT_EQ(tasks.size(), 2u);
  EXPECT_EQ(tasks[0].Name, "Photos");
  EXPECT_EQ(tasks[0].Scheduling, "2 Weeks");
  EXPECT_EQ(tasks[0].Description, "the photo folder");
  EXPECT_EQ(tasks[0].TaskFile, "/data/Schedule/Photos.tsk");
  EXPECT_EQ(tasks[0].BeginDate, kToday - 100);
  EXPECT_EQ(tasks[0].EndDate, kToday + 100);
  EXPECT_TRUE(tasks[0].UseTime && tasks[0].Equal);
  EXPECT_EQ(tasks[0].Time, "21:15");
  ASSERT_TRUE(tasks[0].LastBackup.has_value());
  EXPECT_EQ(*tasks[0].LastBackup, kToday - 14);
  EXPECT_EQ(tasks[1].Type, kAudioTaskType);
  EXPECT_FALSE(tasks[1].LastBackup.has_value());
  EXPECT_EQ(tasks[1].Time, kNoTime);
  EXPECT_EQ(ini.ReadString("Task", "Task2", ""), "Songs");
}

TEST_F(ScheduleFiles, MissingKeysTakeTheirDefaults) {
  {
    TIniFile ini(Path("ScheduleList.ini"));
    WriteScheduleIndex(ini, {"Bare"});
  }
  TIniFile ini(Path("ScheduleList.ini"));
  const auto tasks = LoadScheduleList(ini, kToday + EncodeTime(15, 0, 0, 0));
  ASSERT_EQ(tasks.size(), 1u);
  EXPECT_EQ(tasks[0].Type, kDataTaskType);
  EXPECT_TRUE(tasks[0].IsOnce());
  EXPECT_EQ(tasks[0].BeginDate, kToday);
  EXPECT_EQ(tasks[0].EndDate, kToday);
  EXPECT_EQ(tasks[0].Time, kNoTime);
  EXPECT_FALSE(tasks[0].UseTime);
}

TEST_F(ScheduleFiles, LogLinesAreAppendedWithCrLf) {
  const std::string log = Path("Log.txt");
  const TDateTime when = kToday + EncodeTime(14, 5, 9, 0);
  AppendScheduleLog(log, ScheduleStartLogLine("/data/Schedule/Photos.tsk", when));
  AppendScheduleLog(log, ScheduleDoneLogLine(when));
  EXPECT_EQ(Read(log),
            "Start backup task:/data/Schedule/Photos.tsk 3/10/2026 2:05:09 PM\r\n"
            "Backup task done 3/10/2026 2:05:09 PM\r\n");
}

}  // namespace
