#pragma once
// The options window: the program's preferences. Its controls are the live
// store every other window reads; Option.ini is only their file. Made at
// start, it loads the file and applies the burn settings to the recorder,
// the skin to the skin engine and the background to the start page.

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "app/ScheduleOptions.h"
#include "app/Unit1Options.h"
#include "platform/gui/Forms.h"
// The other windows read the skinned controls' values directly.
#include "skin/se_binding_buttons.h"
#include "skin/se_binding_edits.h"
#include "skin/se_binding_lists.h"
#include "skin/se_binding_tabs.h"

class TColorDialog;
class TOpenDialog;
class TOpenPictureDialog;
class TPanel;
class TSaveDialog;
class TSeCustomTabSheet;
class TSeSkinForm;
class TSeSkinGroupBox;

// Values derived from the options that other windows read.
struct TProgramOptions {
  bool ArchiveOnly = false;
  bool ShowFiles = false;
  int ImportSessionNo = 0;  // a signed byte; 0: import nothing
  bool QuickSaveISO = false;
};
TProgramOptions& ProgramOptions();

// The name of the start-at-login entry of the backup scheduler.
inline const QString kScheduleRunValue = QStringLiteral("Orvane CD DVD Burner Schedule");

class TOptionForm : public TForm {
 public:
  explicit TOptionForm(TComponent* owner = nullptr);
  ~TOptionForm() override;

  TSeSkinForm* SeSkinForm1 = nullptr;
  TSeSkinPageControl* pgcOption = nullptr;
  TSeCustomTabSheet *tsGeneral = nullptr, *tsBurning = nullptr, *tsSchedule = nullptr, *tsSound = nullptr,
            *tsSkin = nullptr;

  // General
  TSeSkinCheckBox *chkEjectNoDisc = nullptr, *chkEjectDone = nullptr, *chkExit = nullptr, *chkClose = nullptr,
            *chkTip = nullptr, *chkDetect = nullptr;
  TSeSkinSpinEdit* edtBuffer = nullptr;
  TSeSkinTrackBar* tkbBuffer = nullptr;

  // Burning
  TSeSkinCheckBox *cJoliet = nullptr, *cCloseDisc = nullptr, *cImportSession = nullptr, *cUnderrunProtection = nullptr,
            *cTestWrite = nullptr, *cQuickSaveISO = nullptr, *cBootable = nullptr, *cShowFiles = nullptr,
            *cArchiveOnly = nullptr, *cOPC = nullptr, *cCloseTrack = nullptr;
  TSeSkinEdit* eSession = nullptr;
  TSeSkinLabel* labBootImage = nullptr;

  // Schedule
  TSeSkinCheckBox *chkAutoExe = nullptr, *chkLog = nullptr, *chkInform = nullptr;
  TSeSkinButton* btnShowLog = nullptr;
  TSeSkinComboBox* cmbDrive = nullptr;
  TSeSkinRadioButton *rdbShow = nullptr, *rdbHide = nullptr, *rdbQuery = nullptr, *rdbCancel = nullptr;

  // Sound: one row per completion event.
  struct TSoundRow {
    TSeSkinCheckBox* Check = nullptr;
    TSeSkinRadioButton* Default = nullptr;
    TSeSkinRadioButton* Custom = nullptr;
    // The sound file, its button opens the sound dialog.
    TSeSkinEditButton* File = nullptr;
  };
  TSoundRow Burning, Erasing, Copy, ISO, ScheduleStart, ScheduleDone;
  TSeSkinCheckBox *chkBurnDone = nullptr, *chkEraseDone = nullptr, *chkCopyDone = nullptr, *chkISODone = nullptr,
            *chkScheduleStart = nullptr, *chkScheduleDone = nullptr;
  TSeSkinRadioButton *rdbDB = nullptr, *rdbCB = nullptr, *rdbDE = nullptr, *rdbCE = nullptr, *rdbDC = nullptr,
               *rdbCC = nullptr, *rdbDI = nullptr, *rdbCI = nullptr, *rdbDSS = nullptr, *rdbCSS = nullptr,
               *rdbDSD = nullptr, *rdbCSD = nullptr;
  TSeSkinEditButton *edtCB = nullptr, *edtCE = nullptr, *edtCC = nullptr, *edtCI = nullptr, *edtCSS = nullptr,
        *edtCSD = nullptr;
  TSeSkinComboBox* cmbSound = nullptr;
  TSeSkinButton *btnPlay = nullptr, *btnPause = nullptr, *btnStop = nullptr;

  // Interface and skins
  TSeSkinListBox* ltbSkin = nullptr;
  TSeSkinButton *btnImport = nullptr, *btnExport = nullptr, *btnDelete = nullptr;
  TSeSkinRadioButton *rdbColor = nullptr, *rdbGradient = nullptr, *rdbImage = nullptr;
  TPanel *sctColor = nullptr, *sctTop = nullptr, *sctBottom = nullptr;
  TSeSkinButton *btnColor = nullptr, *btnTop = nullptr, *btnBottom = nullptr;
  TSeSkinEditButton* edtImage = nullptr;

  TSeSkinButton *btnOK = nullptr, *btnCancel = nullptr;

  TOpenDialog* OpenDialog1 = nullptr;  // skin to import
  TSaveDialog* SaveDialog1 = nullptr;  // skin export target
  TOpenPictureDialog* OpenDialog2 = nullptr;  // background picture
  TOpenDialog* OpenDialog3 = nullptr;  // sound file
  TColorDialog* ColorDialog1 = nullptr;

  // Option.ini beside the program.
  static QString FileName();
  void LoadOptions();
  void SaveOptions();
  void btnOKClick();
  void btnCancelClick();
  void FillSkinList();
  void tsBurningShow();
  // The main window's Options: takes the burn dialog's boxes and shows the
  // first page.
  void ShowFromMain();
  // Puts the burn settings into the main window's recorder.
  void ApplyToRecorder();

  // The values the main window's drivers follow.
  TDriverOptions DriverOptions() const;
  // The values a scheduled run follows.
  TScheduleOptions ScheduleOptions() const;

  // One key of Option.ini with the control that holds it.
  struct TOptionKey {
    enum TKind { Bool, Text, Integer };
    TKind Kind;
    const char* Section;
    const char* Key;
    std::string Default;
    std::function<std::string()> Get;
    std::function<void(const std::string&)> Set;
  };
  const std::vector<TOptionKey>& Keys() const { return keys_; }

 protected:
  void DoShow() override;
  void DoClose(TCloseAction& action) override;

 private:
  void BuildLayout();
  void BuildGeneral();
  void BuildBurning();
  void BuildSchedule();
  void BuildSound();
  void BuildSkin();
  void BindKeys();
  void ApplyProgramValues();
  void ApplySkin(const QString& name);
  // The start page's background from the swatches or the picture; false
  // when the picture could not be loaded.
  bool ApplyBackground();
  void SetWindowsEnabled(bool enabled);
  void PlayTest();
  TSoundRow* RowOf(int index);

  std::vector<TOptionKey> keys_;
  // What the window showed when it opened, put back by Cancel.
  std::vector<std::string> shown_values_;
  QString paused_file_;
};

// Makes the options window, loads Option.ini and ties the window to the
// main window and the start page (the forms must exist).
TOptionForm* CreateOptionForm();
