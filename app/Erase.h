#pragma once
// The erase window: erases a rewritable disc quickly or fully through the
// main window's erase drivers, and shows their progress. It cannot be
// closed while an erase runs.

#include "app/Unit1Views.h"
#include "platform/gui/Forms.h"

class TButton;
class TComboBox;
class TLabel;
class TProgressBar;

class TEraseForm : public TForm, public TEraseProgressView {
 public:
  explicit TEraseForm(TComponent* owner = nullptr);
  ~TEraseForm() override;

  TLabel *Label1 = nullptr, *Label8 = nullptr, *Label2 = nullptr, *Label9 = nullptr;
  TComboBox *cbDrives = nullptr, *cmbSpeed = nullptr, *cmbMethod = nullptr;
  TLabel *labQuick1 = nullptr, *labQuick2 = nullptr, *labQuick3 = nullptr;
  TLabel *labFull1 = nullptr, *labFull2 = nullptr;
  TProgressBar* pbprogress = nullptr;
  TLabel *labProgress = nullptr, *LabElapse = nullptr, *LabRemain = nullptr;
  TButton *btnErase = nullptr, *btnCancel = nullptr, *btnAbort = nullptr;

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
