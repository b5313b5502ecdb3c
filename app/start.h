#pragma once
// The start page: the borderless launcher that is the application's main
// form. It sets the program-wide strings when made, opens the data, MP3,
// audio, copy, ISO, erase, backup and options work, and waits behind its
// tray icon while backup tasks are listed.

#include <QStringList>
#include <memory>

#include "platform/gui/Forms.h"

class TPanel;
class TImage;
class TLabel;
class TTimer;
class TrayIcon;
class QMenu;
class TLaunchButton;

// Opens the help file (by its full path) through the shell.
void OpenHelpFile();

class TStartForm : public TForm {

 public:
  explicit TStartForm(TComponent* owner = nullptr);
  ~TStartForm() override;

  // Read by the creation handler; main() passes the command line.
  static void SetCommandLine(const QStringList& arguments);

  TPanel* QRXFill1 = nullptr;
  TImage *QRXNImage1 = nullptr, *QRXNImage2 = nullptr, *Image2 = nullptr;
  TLabel *labTitle = nullptr, *labVersion = nullptr, *labSite = nullptr, *labCompany = nullptr;
  TLaunchButton *btnBurn = nullptr, *btnAudioCD = nullptr, *btnMP3CD = nullptr, *btnClone = nullptr,
                *btnISO = nullptr, *btnBackup = nullptr, *btnEraser = nullptr, *btnOption = nullptr,
                *btnHelp = nullptr;
  TLaunchButton *btnMin = nullptr, *btnClose = nullptr;
  TTimer* Timer1 = nullptr;

  bool DragFlag = false;
  int DragStartX = 0, DragStartY = 0;

  bool TrayActive() const;
  void SetTrayActive(bool active);
  // The tray icon's tip (kept for when the icon is made).
  void SetTrayHint(const QString& hint);

  void btnBurnClick();
  void btnMP3CDClick();
  void btnISOClick();
  void btnCloseClick();
  void btnOptionClick();
  // Runs the version check (set by the about box's module).
  std::function<void()> CheckLatestVersion;
  // Number of backup tasks listed (set by the schedule window's module).
  std::function<int()> ScheduledTaskCount = [] { return 0; };
  // Work this build does not hold yet (audio, copy, erase, backup) opens
  // through these when their modules set them.
  std::function<void()> OpenAudio, OpenClone, OpenEraser, OpenBackup;

 protected:
  void DoCreate() override;
  void DoShow() override;

 private:
  void BuildLayout();
  void OpenDataWindow(const QString& caption_suffix, const QString& mask, bool iso);
  void NotBuilt(const QString& what);

  std::unique_ptr<TrayIcon> tray_;
  std::unique_ptr<QMenu> tray_menu_;
  QString tray_hint_;
};
