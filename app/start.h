#pragma once
// The start page: the borderless launcher that is the application's main
// form. It sets the program-wide strings when made, opens the data, MP3,
// audio, copy, ISO, erase, backup and options work, and waits behind its
// tray icon while backup tasks are listed.

#include <QStringList>
#include <functional>

#include "effects/QRXPanels.h"
#include "platform/gui/Forms.h"

class TImage;
class TLabel;
class TPanel;
class TPopupMenu;
class TQRXNImage;
class TQRXShapeButton;
class TQRXSimpleLabel;
class TQRXTrayIcon;
class TSpeedButton;
class TTimer;

// Opens the help file (by its full path) through the shell.
void OpenHelpFile();

class TStartForm : public TForm {

 public:
  explicit TStartForm(TComponent* owner = nullptr);
  ~TStartForm() override;

  // Read by the creation handler; main() passes the command line.
  static void SetCommandLine(const QStringList& arguments);

  TQRXFill* QRXFill1 = nullptr;
  TQRXNImage *QRXNImage1 = nullptr, *QRXNImage2 = nullptr;
  TImage* Image2 = nullptr;
  TQRXSimpleLabel* labTitle = nullptr;
  TLabel *labVersion = nullptr, *labSite = nullptr, *labCompany = nullptr;
  TQRXShapeButton *btnBurn = nullptr, *btnAudioCD = nullptr, *btnMP3CD = nullptr, *btnClone = nullptr,
                  *btnISO = nullptr, *btnBackup = nullptr, *btnEraser = nullptr, *btnOption = nullptr,
                  *btnHelp = nullptr;
  TSpeedButton *btnMin = nullptr, *btnClose = nullptr;
  TPanel *Panel1 = nullptr, *Panel2 = nullptr;
  TTimer* Timer1 = nullptr;
  TQRXTrayIcon* TrayIcon = nullptr;
  TPopupMenu* PopupMenu1 = nullptr;

  bool DragFlag = false;
  int DragStartX = 0, DragStartY = 0;

  // The tray icon's tip (the schedule window shows its task count there).
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
  void BuildTray();
  void OpenDataWindow(const QString& caption_suffix, const QString& mask, bool iso);
  void NotBuilt(const QString& what);
  void CloseProgram();
};
