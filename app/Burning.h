#pragma once
// The burn dialog: where a data burn, a disc copy, an image build and an
// image burn are set up, started and watched. Setup picks the mode's groups;
// Start waits for a disc and runs the mode's start routine, and the dialog
// turns into its progress view, which the main window's drivers fill
// through TBurnProgressView.

#include <QString>
#include <QStringList>
#include <optional>

#include "app/Unit1Views.h"
#include "platform/gui/Forms.h"

class TButton;
class TCheckBox;
class TComboBox;
class TEdit;
class TGroupBox;
class TImage;
class TLabel;
class TOpenDialog;
class TOpenPictureDialog;
class TPanel;
class TPrintDialog;
class TPrinterSetupDialog;
class TProgressBar;
class TRadioButton;
class TRichEdit;
class TSaveDialog;
class TSCSIDevice;
class TwpnIconListBox;

// Rebuilds a speed list for the recorder's selected drive: "Max", then one
// item per speed step the drive takes, each listed once. The item that was
// current stays current when it still exists.
void FillSpeedList(TSCSIDevice& drive, TComboBox* list);

class TBurningForm : public TForm, public TBurnProgressView {
 public:
  explicit TBurningForm(TComponent* owner = nullptr);
  ~TBurningForm() override;

  // Preference
  TGroupBox* gpbPreference = nullptr;
  TLabel *LabLabel = nullptr, *labISO = nullptr;
  TEdit *edtLabel = nullptr, *edtISO = nullptr, *edtIcon = nullptr, *edtAutoRun = nullptr;
  TButton *btnISOFile = nullptr, *btnIconFile = nullptr, *btnAutoRunFile = nullptr;
  TCheckBox *chkQuick = nullptr, *chkAutoRun = nullptr;
  TGroupBox* GroupBox3 = nullptr;
  TImage* imgIcon = nullptr;
  TRadioButton *rdbBlank = nullptr, *rdbCustom = nullptr, *rdbAutoIcon = nullptr;
  TwpnIconListBox* iconlist1 = nullptr;

  // Option
  TGroupBox* gpbOption = nullptr;
  TComboBox* cbspeed = nullptr;
  TCheckBox *cCloseDisc = nullptr, *cTestWrite = nullptr, *cEject = nullptr, *cBootable = nullptr,
            *cShowFiles = nullptr;
  TButton *btnAdvance = nullptr, *btnStartBurn = nullptr;

  // Copy
  TGroupBox* gpbCopy = nullptr;
  TComboBox *cmbSource = nullptr, *cmbDestination = nullptr;

  // Burn ISO
  TGroupBox* gpbBurnISO = nullptr;
  TEdit* edtSourceISO = nullptr;
  TButton* btnSourceISOFile = nullptr;
  TComboBox* cmbDriveISO = nullptr;

  // Progress and log
  TGroupBox* gpbProgress = nullptr;
  TLabel *lSize = nullptr, *labFinished = nullptr, *labElapse = nullptr, *labRemain = nullptr,
         *labProgress = nullptr;
  TProgressBar *pcd = nullptr, *pBuf = nullptr, *pHBuf = nullptr;
  TPanel *PanSoftBuff = nullptr, *PanDeviceBuff = nullptr;
  TRichEdit* memo1 = nullptr;
  TButton *btnSave = nullptr, *btnPrint = nullptr, *btnClear = nullptr, *btnAbort = nullptr,
          *btnSaveISO = nullptr, *btnCloseTrack = nullptr, *btnEject = nullptr;

  TButton* btnCancel = nullptr;
  TLabel *labNote1 = nullptr, *labNote2 = nullptr;

  TSaveDialog* SaveDialog1 = nullptr;  // the log
  TSaveDialog* SaveDialog2 = nullptr;  // image file to build
  TOpenPictureDialog* OpenDialog1 = nullptr;  // custom icon
  TOpenDialog* OpenDialog2 = nullptr;  // autorun program
  TOpenDialog* OpenDialog3 = nullptr;  // image file to burn
  TPrintDialog* PrintDialog1 = nullptr;
  TPrinterSetupDialog* PrinterSetupDialog1 = nullptr;

  bool ReturnToMain = false;

  // "Burn", "Copy", "BuildISO" or "BurnISO".
  void Setup(const QString& mode);
  void btnStartBurnClick();
  void StartDataBurn();
  void StartBuildISO();
  void StartBurnISO();
  void StartDualCopy();
  void btnSaveClick();
  void btnPrintClick();
  void btnEjectClick();
  // Adds a file to the disc root for this operation only.
  void AddFileAtRoot(const QString& path);

  // TBurnProgressView
  void AddLogLine(const QString& text, unsigned colour) override;
  QString SpeedText() override;
  void SetDriveBufferSize(std::uint32_t bytes) override;
  void SetTrackSize(std::int64_t sectors, const QString& size_text) override;
  void ShowFigures(const Figures& figures) override;
  void OperationDone(bool success) override;

 protected:
  void DoShow() override;
  void DoClose(TCloseAction& action) override;

 private:
  void BuildLayout();
  void BuildPreference();
  void BuildOption();
  void BuildCopy();
  void BuildBurnISO();
  void BuildProgress();
  // The ready-disc wait; false when the user gave up.
  bool WaitForDisc();
  // Autorun program, icon and autorun.inf into the temporary folder and
  // onto the disc root; false (after telling the user) when a named file
  // is missing.
  bool PrepareAutorun();
  void ClearTemporaryFiles();
  void ShowProgressView(const QString& caption, const QString& eject_caption, const QString& aspi_line,
                        bool hide_start);
  void LoadIconPicture(const QString& file);
  void ShowProgramIcon();
  // Drive `id` selected and ready; otherwise the not-ready message (and
  // the eject when the options say so) and false.
  bool DriveReady(const QString& id);
  void EjectSequence();
  void EndIfNothingStarted();
  QString TempPath(const QString& name) const;

  // The source disc's files while a copy runs.
  QString copy_dir_;
  // The close-disc choice a copy overrides, put back when it ends.
  std::optional<bool> restore_close_disc_;
};

// Makes the burn dialog and ties it to the main window and start page.
TBurningForm* CreateBurningForm();
