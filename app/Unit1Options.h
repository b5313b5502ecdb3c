#pragma once
// The option values the main window's drivers follow. The options window
// fills them; until it does (or in a test) they hold the options' defaults.

#include <QString>

struct TCompletionSound {
  bool Enabled = true;
  bool DefaultBeep = true;
  QString File;  // played when DefaultBeep is off
};

// The default beep, or the sound file played from its start.
void PlayCompletionSound(const TCompletionSound& sound);

struct TDriverOptions {
  bool CloseDisc = true;
  bool EjectDone = true;
  bool ExitWhenDone = false;
  bool PowerOffWhenDone = false;
  bool ArchiveOnly = false;
  bool ShowFiles = false;
  bool QuickSaveISO = false;
  bool ScheduleLog = true;
  int ImportSessionNo = 0;  // 0: none
  TCompletionSound BurnDone, EraseDone, CopyDone, ISODone, ScheduleDone;
};
