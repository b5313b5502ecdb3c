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
// Other windows read and set the dialog's boxes directly.
#include "skin/se_binding_buttons.h"

class TImage;
class TOpenDialog;
class TOpenPictureDialog;
class TPanel;
class TPrintDialog;
class TPrinterSetupDialog;
class TRichEdit;
class TSaveDialog;
class TSCSIDevice;
class TSeCustomComboBox;
class TSeSkinComboBox;
class TSeSkinEdit;
class TSeSkinEditButton;
class TSeSkinForm;
class TSeSkinProgressBar;
class TSeSkinScrollBox;
class TwpnIconListBox;

// Rebuilds a speed list for the recorder's selected drive: "Max", then one
// item per speed step the drive takes, each listed once. The item that was
// current stays current when it still exists.
void FillSpeedList(TSCSIDevice& drive, TSeCustomComboBox* list);

class TBurningForm : public TForm, public TBurnProgressView {
 public:
  explicit TBurningForm(TComponent* owner = nullptr);
  ~TBurningForm() override;

  TSeSkinForm* SeSkinForm1 = nullptr;

  // Preference; the file edits' buttons open their file dialogs.
  TSeSkinGroupBox* gpbPreference = nullptr;
  TSeSkinLabel *LabLabel = nullptr, *labISO = nullptr;
  TSeSkinEdit* edtLabel = nullptr;
  TSeSkinEditButton *edtISO = nullptr, *edtIcon = nullptr, *edtAutoRun = nullptr;
  TSeSkinCheckBox *chkQuick = nullptr, *chkAutoRun = nullptr;
  TSeSkinGroupBox *GroupBox3 = nullptr, *gpbAutoRun = nullptr;
  TSeSkinScrollBox* sbxIcon = nullptr;
  TImage* imgIcon = nullptr;
  TSeSkinRadioButton *rdbBlank = nullptr, *rdbCustom = nullptr, *rdbAutoIcon = nullptr;
  TwpnIconListBox* iconlist1 = nullptr;

  // Option
  TSeSkinGroupBox* gpbOption = nullptr;
  TSeSkinLabel* Label6 = nullptr;
  TSeSkinComboBox* cbspeed = nullptr;
  TSeSkinCheckBox *cCloseDisc = nullptr, *cTestWrite = nullptr, *cEject = nullptr, *cBootable = nullptr,
                  *cShowFiles = nullptr;
  TSeSkinButton *btnAdvance = nullptr, *btnStartBurn = nullptr;

  // Copy
  TSeSkinGroupBox* gpbCopy = nullptr;
  TSeSkinLabel *LabSource = nullptr, *LabDestination = nullptr;
  TSeSkinComboBox *cmbSource = nullptr, *cmbDestination = nullptr;

  // Burn ISO
  TSeSkinGroupBox* gpbBurnISO = nullptr;
  TSeSkinLabel *Label1 = nullptr, *Label8 = nullptr;
  TSeSkinEditButton* edtSourceISO = nullptr;
  TSeSkinComboBox* cmbDriveISO = nullptr;

  // Progress and log
  TSeSkinGroupBox* gpbProgress = nullptr;
  TSeSkinLabel *lSize = nullptr, *labFinished = nullptr, *labElapse = nullptr, *labRemain = nullptr,
               *labProgress = nullptr;
  TSeSkinProgressBar *pcd = nullptr, *pBuf = nullptr, *pHBuf = nullptr;
  TPanel *PanSoftBuff = nullptr, *PanDeviceBuff = nullptr;
  TRichEdit* memo1 = nullptr;
  TSeSkinButton *btnSave = nullptr, *btnPrint = nullptr, *btnClear = nullptr, *btnAbort = nullptr,
                *btnSaveISO = nullptr, *btnCloseTrack = nullptr, *btnEject = nullptr;

  TSeSkinButton* btnCancel = nullptr;
  TSeSkinLabel *labNote1 = nullptr, *labNote2 = nullptr;

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
