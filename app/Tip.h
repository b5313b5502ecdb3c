#pragma once
// The everyday tips window: one tip picked at random from Tips.ini beside
// the program each time it is shown.

#include "platform/gui/Forms.h"

class TSeSkinButton;
class TSeSkinCheckBox;
class TSeSkinGroupBox;
class TSeSkinForm;
class TSeSkinLabel;
class TSeSkinMemo;

class TTipForm : public TForm {
 public:
  explicit TTipForm(TComponent* owner = nullptr);

  TSeSkinForm* SeSkinForm1 = nullptr;
  TSeSkinLabel* Label1 = nullptr;
  TSeSkinGroupBox* SeSkinGroupBox1 = nullptr;
  TSeSkinMemo* memo1 = nullptr;
  TSeSkinButton* btnOK = nullptr;
  TSeSkinCheckBox* chkTip = nullptr;

  // Tips.ini beside the program.
  static QString FileName();
  void chkTipClick();

 protected:
  void DoShow() override;
  void DoClose(TCloseAction& action) override;
};

// Shows the tips window when the options say so (made at the first call).
void ShowTipsAtStart();
