#pragma once
// The backup task editor: adds a task to the schedule or edits one. It
// collects the name, description, kind (data or audio), timing and the
// files to back up; OK writes the task's own file into the schedule folder,
// its section of the list file and its row, and keeps the start-at-login
// entry in step with the options.

#include <QString>

#include "platform/gui/Forms.h"

class TDateTimePicker;
class TSeSkinButton;
class TSeSkinCheckBox;
class TSeSkinComboBox;
class TSeSkinEdit;
class TSeSkinForm;
class TSeSkinGroupBox;
class TSeSkinLabel;
class TSeSkinMaskEdit;
class TSeSkinPopupMenu;
class TSeSkinRadioButton;
class TSeSkinSListView;
class TSeSkinSpeedButton;
class TSeSkinSpinEdit;
class TOpenDialog;
class TwpnBrowseDirectoryDlg;
class TScheduleForm;

class TAddScheduleForm : public TForm {
 public:
  explicit TAddScheduleForm(TComponent* owner = nullptr);
  ~TAddScheduleForm() override;

  TSeSkinForm* SeSkinForm1 = nullptr;
  TSeSkinEdit *edtTaskName = nullptr, *edtDescription = nullptr;
  TSeSkinComboBox *cmbType = nullptr, *cmbType2 = nullptr, *cmbUnit = nullptr;
  TSeSkinGroupBox *gpbTiming = nullptr, *gpbFile = nullptr, *gpbTrack = nullptr;
  TDateTimePicker *tpkODate = nullptr, *tpkRBeginDate = nullptr, *tpkREndDate = nullptr;
  TSeSkinCheckBox *chkOTime = nullptr, *chkRTime = nullptr;
  TSeSkinMaskEdit *mseOTime = nullptr, *mseRTime = nullptr;
  TSeSkinLabel *labOTime = nullptr, *labRTime = nullptr, *labODate = nullptr, *labRBegin = nullptr, *labREnd = nullptr,
         *labPeriod = nullptr, *labCarryOut = nullptr;
  // The period count, 1 to 365.
  TSeSkinSpinEdit* spePeriodicity = nullptr;
  TSeSkinRadioButton *rdbEqualLater = nullptr, *rdbEqual = nullptr;
  TSeSkinSListView *ltvFile = nullptr, *ltvTrack = nullptr;
  TSeSkinSpeedButton *btnAddFile = nullptr, *btnRemoveFile = nullptr, *btnClearFile = nullptr;
  TSeSkinSpeedButton *btnAddTrack = nullptr, *btnRemoveTrack = nullptr, *btnClearTrack = nullptr;
  TSeSkinPopupMenu *ppmFile = nullptr, *ppmTrack = nullptr;
  TSeSkinButton *btnOK = nullptr, *btnCancel = nullptr;
  TOpenDialog *OpenDialog1 = nullptr, *OpenDialog2 = nullptr;
  TwpnBrowseDirectoryDlg* openDirDialog1 = nullptr;

  // -1 while adding; the edited row of the schedule list while editing.
  int EditIndex = -1;
  TScheduleForm* Schedule = nullptr;

  void InitEditor(const QString& mode);
  void btnOKClick(TControl* sender = nullptr);
  void btnCancelClick(TControl* sender = nullptr);
  void cmbTypeChange(TControl* sender = nullptr);
  void cmbType2Change(TControl* sender = nullptr);
  void chkOTimeClick(TControl* sender = nullptr);
  void chkRTimeClick(TControl* sender = nullptr);

  void SaveDataTaskFile(const QString& path);
  void LoadDataTaskFile(const QString& path);
  void SaveAudioTaskFile(const QString& path);
  void LoadAudioTaskFile(const QString& path);
  void AddFileEntry(const QString& path);
  void AddFolderEntry(const QString& path);
  void AddTrackFile(const QString& path);
  void AddTrackFolder(const QString& path);

  // The period count shown, clamped to 1..365.
  int PeriodCount() const;

 protected:
  void DoShow() override;
  void DoClose(TCloseAction& action) override;

 private:
  void BuildLayout();
  void BuildTiming();
  void BuildLists();
  void AddFilesClick();
  void AddFolderClick(bool tracks);
  void AddTracksClick();
  void RemoveSelected(TSeSkinSListView* list);
  void ClearList(TSeSkinSListView* list);
  void UpdateRunValue();
};
