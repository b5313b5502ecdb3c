#pragma once
// The option values a scheduled run follows (the options window's schedule,
// burning and sound pages). The options window fills them; until it does
// (or in a test) they hold the options' defaults.

#include <QString>

#include "app/Unit1Options.h"

struct TScheduleOptions {
  bool Inform = false;           // ask before a task starts
  QString Drive;                 // the drive scheduled runs burn on ("" keeps the main window's)
  bool QueryNotReady = true;     // ask for a disc; false: cancel the task
  bool EjectNoDisc = false;      // open the tray before asking for a disc
  bool ShowBurningWindow = false;
  bool Log = true;               // write start and end lines to Schedule/Log.txt
  bool AutoExecute = true;       // start with the desktop session, waiting in the tray
  TCompletionSound StartSound{false, true, {}};
  // The burn dialog's boxes for a run with the window hidden.
  bool CloseDisc = true;
  bool TestWrite = false;
  bool EjectDone = true;
  bool Bootable = false;
  bool ShowFiles = false;
};
