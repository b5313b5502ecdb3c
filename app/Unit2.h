#pragma once
// The drive capability window: what the recorder last read of the selected
// drive (no drive command is sent), as disabled check boxes.

#include "platform/gui/Forms.h"

class TButton;
class TCheckBox;
class TLabel;
class TPanel;
class TSCSIDevice;

class TForm2 : public TForm {
 public:
  explicit TForm2(TComponent* owner = nullptr);

  TLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr;
  TPanel* Panel2 = nullptr;
  TCheckBox *ReadCDR = nullptr, *ReadCDRW = nullptr, *ReadDVD = nullptr, *ReadDVDR = nullptr, *ReadDVDRW = nullptr,
            *ReadDVDRAM = nullptr, *ReadDVDPR = nullptr, *ReadDVDPRW = nullptr, *WriteCDR = nullptr,
            *WriteCDRW = nullptr, *WriteTest = nullptr, *WriteDVDR = nullptr, *WriteDVDRW = nullptr,
            *WriteDVDRAM = nullptr, *WriteDVDPR = nullptr, *WriteDVDPRW = nullptr, *UnderrunProtection = nullptr;
  TButton* Button1 = nullptr;

  // Fills the window from the drive object's last capability set.
  void ShowDrive(const TSCSIDevice& drive);
};

// The speed text after the capability window's labels: KB/s and the
// multiple of the drive family's base speed ("7,056 KB/s (40X)").
QString SpeedFigure(int kbps, bool dvd);
