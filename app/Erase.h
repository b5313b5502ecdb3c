#pragma once
// The erase window: erases a rewritable disc quickly or fully through the
// main window's erase drivers, and shows their progress. It cannot be
// closed while an erase runs.

#include "app/Unit1Views.h"
#include "platform/gui/Forms.h"

class TSeSkinButton;
class TSeSkinComboBox;
class TSeSkinForm;
class TSeSkinLabel;
class TSeSkinProgressBar;

class TEraseForm : public TForm, public TEraseProgressView {
 public:
  explicit TEraseForm(TComponent* owner = nullptr);
  ~TEraseForm() override;

  TSeSkinForm* SeSkinForm1 = nullptr;
  TSeSkinLabel *Label1 = nullptr, *Label8 = nullptr, *Label2 = nullptr, *Label9 = nullptr;
  TSeSkinComboBox *cbDrives = nullptr, *cmbSpeed = nullptr, *cmbMethod = nullptr;
  TSeSkinLabel *labQuick1 = nullptr, *labQuick2 = nullptr, *labQuick3 = nullptr;
  TSeSkinLabel *labFull1 = nullptr, *labFull2 = nullptr;
  TSeSkinProgressBar* pbprogress = nullptr;
  TSeSkinLabel *labProgress = nullptr, *LabElapse = nullptr, *LabRemain = nullptr;
  TSeSkinButton *btnErase = nullptr, *btnCancel = nullptr, *btnAbort = nullptr;

  void btnEraseClick();
  void btnAbortClick();
  void cmbMethodChange();

  // TEraseProgressView
  void ShowEraseProgress(int percent, const QString& elapsed, const QString& remaining) override;
  void EraseDone(bool with_error) override;
  void EraseDeclined() override;

 protected:
  void DoShow() override;
  void DoClose(TCloseAction& action) override;
  bool CloseQuery() override;

 private:
  void ResetProgress();
  void SetMainWindowsEnabled(bool enabled);
};

// The erase window, made (owned by the main window) at its first opening.
TEraseForm* EraseForm();
// Ties the main window's Erase button and the start page's to the window.
void ConnectEraseWindow();
