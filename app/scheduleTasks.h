#pragma once
// The backup tasks of the schedule window without the window: how a task is
// kept in Schedule/ScheduleList.ini, when it falls due, and the lines of the
// schedule log. The window and the task editor build on these.

#include <optional>
#include <string>
#include <vector>

#include "platform/core/DateTime.h"

class TIniFile;

inline constexpr const char* kDataTaskType = "Data CD";
inline constexpr const char* kAudioTaskType = "Audio CD";
inline constexpr const char* kNoTime = "N/A";

// One task: its section of the list file.
struct TScheduleTask {
  std::string Name;
  std::string Type = kDataTaskType;
  std::string Scheduling = "Once";  // or "<count> Days|Weeks|Months"
  std::string Description;
  std::string TaskFile;
  TDateTime BeginDate = 0;
  TDateTime EndDate = 0;
  bool UseTime = false;
  std::string Time = kNoTime;  // "hh:mm" as typed
  bool Equal = false;          // exactly at Time, rather than at or after it
  std::optional<TDateTime> LastBackup;
  // Why the task cannot run ("" when it can): a date in its section that
  // does not read. Such a task is never due and the window reports it.
  std::string Problem;

  bool IsOnce() const { return Scheduling == "Once"; }
};

// The tasks in list order. Names the index lists but that are empty are
// skipped; missing keys take their defaults (dates default to `today`).
std::vector<TScheduleTask> LoadScheduleList(const TIniFile& ini, TDateTime today);
TScheduleTask ReadScheduleTask(const TIniFile& ini, const std::string& name, TDateTime today);
// The index: "Count" and the names in order, as the window writes it when it
// closes.
void WriteScheduleIndex(TIniFile& ini, const std::vector<std::string>& names);
// Every key of a task's section, as the editor writes a new task.
void WriteScheduleTask(TIniFile& ini, const TScheduleTask& task);

// A repeated task's period as the editor shows it: a count of 1 to 365 and
// "Days", "Weeks" or "Months".
struct TSchedulePeriod {
  int Count = 1;
  std::string Unit = "Days";
  int Days() const;
  std::string Text() const;  // "2 Weeks"
};
std::optional<TSchedulePeriod> ParseSchedulePeriod(const std::string& scheduling);

// Why `name` cannot name a task ("" when it can): the name is a section of
// the list file and the base name of the task's file in the schedule
// folder, so it must be a plain file name that the list does not hold yet
// (names differing only in case are the same task).
std::string TaskNameProblem(const std::string& name, const std::vector<std::string>& existing);

// The period of a repeated task in days ("2 Weeks" is 14, a month counts 30
// days); nothing when the text is not a period.
std::optional<int> SchedulePeriodDays(const std::string& scheduling);

// Whether `text` ("hh:mm" as the time box holds it) is a time of day.
bool IsScheduleTimeText(const std::string& text);

// Whether the task is to run at `now`. A task whose time text cannot be read
// is never due.
bool IsTaskDue(const TScheduleTask& task, TDateTime now);

// The schedule timer's interval: every second as soon as one task must start
// at an exact time, else every ten seconds.
int ScheduleTimerInterval(const std::vector<TScheduleTask>& tasks);

std::string ScheduleStartLogLine(const std::string& taskFile, TDateTime now);
std::string ScheduleDoneLogLine(TDateTime now);
// Adds one line to the log file, creating it when missing; lines end in CR LF.
void AppendScheduleLog(const std::string& logFile, const std::string& line);
