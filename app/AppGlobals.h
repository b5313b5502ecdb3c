#pragma once
// What every window of the application shares: the program-wide strings set
// when the start page is made (folders, product name and version, web and
// mail addresses) and the seven long-lived forms, so that one window can
// reach another. The forms themselves live in their own modules.

#include <QString>

class TStartForm;
class TForm1;
class TSeSkinEngine;
class TScheduleForm;
class TBurningForm;
class TOptionForm;
class TAudioForm;
class TAudioBurningForm;

struct TAppStrings {
  // Folder of the executable, never ending in "/"; every data file path is
  // AppDir + "/" + a relative path.
  QString AppDir;
  // Where the audio burning process is copied before it runs.
  QString SysDir;
  QString ProductName = QStringLiteral("Vantor All to CD DVD Burner");
  QString ProductVersion = QStringLiteral("1.8");
  QString CompanyName = QStringLiteral("Tarnwick Software, Inc.");
  QString ProductURL = QStringLiteral("http://www.vantor-burner.com/");
  QString CompanyURL = QStringLiteral("http://www.tarnwick.com/");
  QString DownloadURL = QStringLiteral("http://www.vantor-burner.com/download/burnersetup.exe");
  QString SupportURL = QStringLiteral("http://www.vantor-burner.com/support.htm");
  QString ContactMail = QStringLiteral("contact@tarnwick.com");
  QString SalesMail = QStringLiteral("sales@tarnwick.com");
  QString BugReportMail = QStringLiteral("bugreport@tarnwick.com");
  QString AboutYears = QStringLiteral("2006-2009");

  // AppDir + "/" + ProductName + ".hlp": an absolute path, so help opens
  // whatever the current folder.
  QString HelpFile() const;
  // AppDir + "/" + relative.
  QString DataPath(const QString& relative) const;
};

// The strings in force (filled by SetProgramStrings).
TAppStrings& AppStrings();

// Fills AppStrings from the executable's path: AppDir is its folder without
// a trailing "/" (a program in "/" gives ""), SysDir the per-user data folder
// of the program, ProductVersion [General] "Version" of AppDir/Option.ini
// ("1.8" when missing).
void SetProgramStrings(const QString& exe_path);

// The seven forms made at start, each kept for the whole run. A form that is
// not made (a test that builds only some of them) stays null.
struct TAppForms {
  TStartForm* StartForm = nullptr;
  TForm1* Form1 = nullptr;
  TScheduleForm* ScheduleForm = nullptr;
  TBurningForm* BurningForm = nullptr;
  TOptionForm* OptionForm = nullptr;
  TAudioForm* AudioForm = nullptr;
  TAudioBurningForm* AudioBurningForm = nullptr;
  // The skin engine of windows shown without a main window (previews).
  TSeSkinEngine* StandaloneSkinEngine = nullptr;
};

TAppForms& AppForms();

// The main window's skin engine, which every skinned control names; without
// a main window, the standalone engine (null: the window is plain).
TSeSkinEngine* AppSkinEngine();
