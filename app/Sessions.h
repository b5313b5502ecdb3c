#pragma once
// The disc and session window: the loaded disc's medium, size and used
// space, one line per session (number, start address as the drive gives it,
// size) and a line for the free space. Choosing a session imports it into
// the recorder and opens the file viewer.

#include <QStringList>
#include <functional>

#include "platform/gui/Forms.h"

class TButton;
class TLabel;
class TListBox;
class TPanel;
class TQCDBurner;
class TSpeedButton;

class TfrmSessions : public TForm {
 public:
  explicit TfrmSessions(TComponent* owner = nullptr);

  TPanel *Panel1 = nullptr, *Panel2 = nullptr;
  TLabel *lMedium = nullptr, *lDiscSize = nullptr, *lUsedSpace = nullptr;
  TSpeedButton* SpeedButton1 = nullptr;
  TListBox* lb = nullptr;
  TButton* Button1 = nullptr;

  // Reads the disc in the recorder's selected drive into the window.
  void Fill(TQCDBurner& recorder);
  void SpeedButton1Click();
  void Button1Click();

  // Runs with the window made by "Show Files" before it is shown (tests
  // drive the viewer from here); the viewer is shown modally when unset.
  std::function<void(class TfrmTree*)> ShowViewer;

 protected:
  void KeyPress(QChar& key) override;

 private:
  TQCDBurner* recorder_ = nullptr;
};

// The size column: megabytes of `blocks` 2048-byte sectors, rounded half to
// even, right-aligned in four characters and never cut.
QString SessionSizeText(std::uint32_t blocks);

// Ties the main window's drive and disc buttons to their windows.
void ConnectInformationDialogs();
