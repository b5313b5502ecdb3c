#include "app/scheduleTasks.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "platform/core/FileUtils.h"
#include "platform/core/Formats.h"
#include "platform/core/IniFile.h"
#include "platform/core/StringList.h"

namespace {

constexpr const char* kTimeKey = "Time";

// Whole days from `from` to `to`.
int DaysBetween(TDateTime from, TDateTime to) {
  return static_cast<int>(std::floor(DateOf(to)) - std::floor(DateOf(from)));
}

// "hh:mm" as the editor's time box gives it; nothing when it does not read.
std::optional<TDateTime> TimeOfDay(const std::string& text) {
  const auto colon = text.find(':');
  if (colon == std::string::npos) return std::nullopt;
  const int hour = StrToIntDef(text.substr(0, colon), -1);
  const int minute = StrToIntDef(text.substr(colon + 1), -1);
  TDateTime time;
  if (!TryEncodeTime(hour, minute, 0, 0, time)) return std::nullopt;
  return time;
}

}  // namespace

bool IsScheduleTimeText(const std::string& text) { return TimeOfDay(text).has_value(); }

TScheduleTask ReadScheduleTask(const TIniFile& ini, const std::string& name, TDateTime today) {
  TScheduleTask task;
  task.Name = name;
  task.Type = ini.ReadString(name, "Type", kDataTaskType);
  task.Scheduling = ini.ReadString(name, "Scheduling", "Once");
  task.Description = ini.ReadString(name, "Description", "");
  task.TaskFile = ini.ReadString(name, "Task File", "");
  // A date that does not read must not quietly become today: a task would
  // then fall due every day.
  auto read_date = [&](const char* key) -> std::optional<TDateTime> {
    if (!ini.ValueExists(name, key)) return std::nullopt;
    TDateTime value;
    if (TryStrToDate(ini.ReadString(name, key, ""), value)) return value;
    if (task.Problem.empty())
      task.Problem = "The \"" + std::string(key) + "\" of the task \"" + name + "\" cannot be read.";
    return std::nullopt;
  };
  task.BeginDate = read_date("Begin Date").value_or(DateOf(today));
  const std::optional<TDateTime> end = read_date("End Date");
  task.EndDate = task.IsOnce() ? task.BeginDate : end.value_or(DateOf(today));
  task.UseTime = ini.ReadBool(name, "Use Time", false);
  task.Time = ini.ReadString(name, kTimeKey, kNoTime);
  task.Equal = ini.ReadBool(name, "Equal", false);
  task.LastBackup = read_date("Last Backup");
  return task;
}

std::vector<TScheduleTask> LoadScheduleList(const TIniFile& ini, TDateTime today) {
  std::vector<TScheduleTask> tasks;
  const int count = ini.ReadInteger("Count", "Value", 0);
  for (int i = 0; i < count; ++i) {
    const std::string name = ini.ReadString("Task", "Task" + IntToStr(i), "");
    if (!name.empty()) tasks.push_back(ReadScheduleTask(ini, name, today));
  }
  return tasks;
}

void WriteScheduleIndex(TIniFile& ini, const std::vector<std::string>& names) {
  ini.WriteInteger("Count", "Value", static_cast<int>(names.size()));
  for (std::size_t i = 0; i < names.size(); ++i)
    ini.WriteString("Task", "Task" + IntToStr(static_cast<int>(i)), names[i]);
}

void WriteScheduleTask(TIniFile& ini, const TScheduleTask& task) {
  const std::string& s = task.Name;
  ini.WriteString(s, "Type", task.Type);
  ini.WriteString(s, "Scheduling", task.Scheduling);
  ini.WriteString(s, "Description", task.Description);
  ini.WriteString(s, "Task File", task.TaskFile);
  ini.WriteDate(s, "Begin Date", task.BeginDate);
  ini.WriteDate(s, "End Date", task.EndDate);
  ini.WriteBool(s, "Use Time", task.UseTime);
  ini.WriteString(s, kTimeKey, task.Time);
  ini.WriteBool(s, "Equal", task.Equal);
  if (task.LastBackup) ini.WriteDate(s, "Last Backup", *task.LastBackup);
}

int TSchedulePeriod::Days() const {
  if (Unit == "Weeks") return 7 * Count;
  if (Unit == "Months") return 30 * Count;
  return Count;
}

std::string TSchedulePeriod::Text() const { return IntToStr(Count) + " " + Unit; }

std::optional<TSchedulePeriod> ParseSchedulePeriod(const std::string& scheduling) {
  const auto blank = scheduling.find(' ');
  if (blank == std::string::npos) return std::nullopt;
  TSchedulePeriod period;
  period.Count = StrToIntDef(scheduling.substr(0, blank), 0);
  period.Unit = scheduling.substr(blank + 1);
  if (period.Count <= 0) return std::nullopt;
  if (period.Unit != "Days" && period.Unit != "Weeks" && period.Unit != "Months") return std::nullopt;
  return period;
}

std::optional<int> SchedulePeriodDays(const std::string& scheduling) {
  const std::optional<TSchedulePeriod> period = ParseSchedulePeriod(scheduling);
  if (!period) return std::nullopt;
  return period->Days();
}

std::string TaskNameProblem(const std::string& name, const std::vector<std::string>& existing) {
  if (Trim(name).empty()) return "Please enter the Task Name.";
  // The list file would read the name back without them.
  if (Trim(name) != name) return "A task name cannot begin or end with a blank.";
  const bool bad_character = std::any_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F || std::string_view("/\\:]").find(c) != std::string_view::npos;
  });
  if (bad_character || name == "." || name.find("..") != std::string::npos)
    return "A task name cannot hold \"/\", \"\\\", \":\", \"]\", \"..\" or control characters.";
  for (const std::string& other : existing) {
    if (AnsiSameText(other, name)) return "A task named \"" + other + "\" exists already.";
  }
  return {};
}

bool IsTaskDue(const TScheduleTask& task, TDateTime now) {
  if (!task.Problem.empty()) return false;
  const TDateTime today = DateOf(now);
  if (today < DateOf(task.BeginDate) || today > DateOf(task.EndDate)) return false;
  if (task.IsOnce()) {
    const TDateTime last = task.LastBackup ? DateOf(*task.LastBackup) : today - 1;
    if (last == today || DateOf(task.BeginDate) != today) return false;
  } else {
    const std::optional<int> period = SchedulePeriodDays(task.Scheduling);
    if (!period) return false;
    const int days = task.LastBackup ? DaysBetween(*task.LastBackup, today) : 0;
    // A task missed on its day waits for the next whole period.
    if (days <= 0 || days < *period || days % *period != 0) return false;
  }
  if (!task.UseTime || task.Time == kNoTime) return true;
  const std::optional<TDateTime> at = TimeOfDay(task.Time);
  if (!at) return false;
  int hour, minute, second, ms;
  DecodeTime(now, hour, minute, second, ms);
  int set_hour, set_minute, set_second, set_ms;
  DecodeTime(*at, set_hour, set_minute, set_second, set_ms);
  const int now_minutes = hour * 60 + minute, set_minutes = set_hour * 60 + set_minute;
  // The timer ticks about once a second, and a message box can hold it up:
  // "exactly at" means anywhere within the set minute.
  return task.Equal ? now_minutes == set_minutes : now_minutes >= set_minutes;
}

int ScheduleTimerInterval(const std::vector<TScheduleTask>& tasks) {
  for (const TScheduleTask& task : tasks) {
    if (task.UseTime && task.Time != kNoTime && task.Equal) return 1000;
  }
  return 10000;
}

std::string ScheduleStartLogLine(const std::string& taskFile, TDateTime now) {
  return "Start backup task:" + taskFile + " " + DateToStr(now) + " " + TimeToStr(now);
}

std::string ScheduleDoneLogLine(TDateTime now) {
  return "Backup task done " + DateToStr(now) + " " + TimeToStr(now);
}

void AppendScheduleLog(const std::string& logFile, const std::string& line) {
  TStringList lines;
  if (FileExists(logFile)) lines.LoadFromFile(logFile);
  lines.Add(line);
  lines.SaveToFile(logFile);
}
