// The schedule list file sits in the program's folder where anyone may edit
// it: any bytes must load, every task must answer the due test without a
// crash, a task with a date that does not read must never be due, and the
// list must write back and load again to the same tasks.
#include <stdlib.h>

#include <cstdint>
#include <string>

#include "app/scheduleTasks.h"
#include "fuzz/FuzzScratch.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/DateTime.h"
#include "platform/core/Exceptions.h"
#include "platform/core/IniFile.h"

namespace {

void Check(bool ok) {
  if (!ok) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = FuzzScratchFile("ScheduleList.ini");
  WriteFileAtomically(path, std::string(reinterpret_cast<const char*>(data), size));
  const TDateTime today = EncodeDate(2026, 3, 20);
  std::vector<TScheduleTask> tasks;
  {
    const TIniFile ini(path);
    tasks = LoadScheduleList(ini, today);
  }
  for (const TScheduleTask& task : tasks) {
    for (double minutes : {0.0, 630.0, 1439.0}) {
      const bool due = IsTaskDue(task, today + minutes / 1440.0);
      if (!task.Problem.empty()) Check(!due);
    }
    SchedulePeriodDays(task.Scheduling);
    TaskNameProblem(task.Name, {});
  }
  ScheduleTimerInterval(tasks);

  // What the window writes back reads back the same.
  const std::string copy = FuzzScratchFile("Copy.ini");
  WriteFileAtomically(copy, "");
  std::vector<std::string> names;
  try {
    TIniFile out(copy);
    for (const TScheduleTask& task : tasks) {
      if (!task.Problem.empty() || !TaskNameProblem(task.Name, names).empty()) continue;
      WriteScheduleTask(out, task);
      names.push_back(task.Name);
    }
    WriteScheduleIndex(out, names);
  } catch (const EWriteError&) {
    return 0;  // a name the INI format cannot hold is refused, not written
  }
  const TIniFile in(copy);
  const std::vector<TScheduleTask> again = LoadScheduleList(in, today);
  Check(again.size() == names.size());
  for (std::size_t i = 0; i < again.size(); ++i) Check(again[i].Name == names[i]);
  return 0;
}
