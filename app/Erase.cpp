#include "app/Erase.h"

#include <QPointer>

#include "app/AppGlobals.h"
#include "app/Burning.h"
#include "app/SkinFrame.h"
#include "app/ToolButtons.h"
#include "app/Unit1.h"
#include "app/start.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Timer.h"
#include "recorder/xrCDBC.h"
#include "skin/se_binding_bars.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_binding_lists.h"

namespace {

TSeSkinLabel* MakeLabel(TWinControl* parent, int left, int top, const QString& caption) {
  return PlaceSkinned<TSeSkinLabel>(parent, left, top, 10, 16, caption);
}

QPointer<TEraseForm>& Instance() {
  static QPointer<TEraseForm> form;
  return form;
}

}  // namespace

TEraseForm::TEraseForm(TComponent* owner) : TForm(owner) {
  SetCaption("Erase Disc");
  SetBorderStyle(bsSingle);
  SetBorderIcons(biSystemMenu);
  SetPosition(poScreenCenter);
  // The frame first: the client size set below is kept inside it.
  SeSkinForm1 = AddSkinFrame(this, kbiClose);
  // Wide enough for the drive box to show a whole drive id.
  SetClientWidth(160 + kDriveComboWidth + 16);
  SetClientHeight(300);
  Label1 = MakeLabel(this, 16, 16, "Select the drive");
  cbDrives = PlaceSkinned<TSeSkinComboBox>(this, 160, 12, kDriveComboWidth, 22);
  Label8 = MakeLabel(this, 16, 48, "Select the erase speed");
  cmbSpeed = PlaceSkinned<TSeSkinComboBox>(this, 160, 44, kDriveComboWidth, 22);
  Label2 = MakeLabel(this, 16, 80, "Select the erase method");
  cmbMethod = PlaceSkinned<TSeSkinComboBox>(this, 160, 76, kDriveComboWidth, 22);
  for (TSeSkinComboBox* list : {cbDrives, cmbSpeed, cmbMethod}) list->SetComboStyle(kcsDropDownList);
  cmbMethod->Items()->Add("Quick erase rewritable disc");
  cmbMethod->Items()->Add("Full erase rewritable disc");
  cmbMethod->SetItemIndex(0);
  cmbMethod->OnChange = [this](TControl*) { cmbMethodChange(); };
  labQuick1 = MakeLabel(this, 16, 112, "The disc appear to be empty but data is not physically");
  labQuick2 = MakeLabel(this, 16, 128, "erased. Use this option with caution if the disc contains");
  labQuick3 = MakeLabel(this, 16, 144, "confidential data.");
  labFull1 = MakeLabel(this, 16, 112, "Select this option will physically erase all data in the ");
  labFull2 = MakeLabel(this, 16, 128, "disc. Note: Physicall erasing will take more time.");
  Label9 = MakeLabel(this, 16, 178, "Progress");
  pbprogress = PlaceSkinned<TSeSkinProgressBar>(this, 80, 178, kDriveComboWidth + 26, 16);
  labProgress = PlaceSkinned<TSeSkinLabel>(this, 116 + kDriveComboWidth, 178, 44, 16);
  labProgress->SetAutoSize(false);
  MakeLabel(this, 16, 206, "Elapse Time:");
  LabElapse = PlaceSkinned<TSeSkinLabel>(this, 100, 206, 80, 16);
  MakeLabel(this, 210, 206, "Remain Time:");
  LabRemain = PlaceSkinned<TSeSkinLabel>(this, 300, 206, 80, 16);
  for (TSeSkinLabel* l : {LabElapse, LabRemain}) l->SetAutoSize(false);
  btnErase = PlaceSkinned<TSeSkinButton>(this, 157, 256, 84, 28, "&Erase");
  btnAbort = PlaceSkinned<TSeSkinButton>(this, 157, 256, 84, 28, "&Abort");
  btnCancel = PlaceSkinned<TSeSkinButton>(this, 253, 256, 84, 28, "&Cancel");
  btnAbort->Hide();
  btnErase->OnClick = [this](TControl*) { btnEraseClick(); };
  btnAbort->OnClick = [this](TControl*) { btnAbortClick(); };
  btnCancel->OnClick = [this](TControl*) { Close(); };
  cmbMethodChange();
}

TEraseForm::~TEraseForm() {
  if (TForm1* main = AppForms().Form1; main && main->EraseView == this) main->EraseView = nullptr;
}

void TEraseForm::cmbMethodChange() {
  const bool quick = cmbMethod->ItemIndex() == 0;
  for (TSeSkinLabel* l : {labQuick1, labQuick2, labQuick3}) l->SetVisible(quick);
  for (TSeSkinLabel* l : {labFull1, labFull2}) l->SetVisible(!quick);
}

void TEraseForm::ResetProgress() {
  pbprogress->SetMax(100);
  pbprogress->SetPosition(0);
  labProgress->SetCaption("0%");
}

void TEraseForm::SetMainWindowsEnabled(bool enabled) {
  if (TForm1* main = AppForms().Form1) main->SetEnabled(enabled);
  if (TStartForm* start = AppForms().StartForm) start->SetEnabled(enabled);
}

void TEraseForm::DoShow() {
  TForm1* main = AppForms().Form1;
  if (main) {
    main->EraseView = this;
    FillSpeedList(main->qcdb(), cmbSpeed);
    cbDrives->Items()->Assign(main->cbDrives->Items()->ToQStringList());
    cbDrives->SetItemIndex(0);
  }
  for (TSeSkinComboBox* list : {cbDrives, cmbMethod, cmbSpeed}) list->SetEnabled(true);
  btnAbort->Hide();
  btnErase->Show();
  btnCancel->SetCaption("&Cancel");
  btnCancel->SetEnabled(true);
  cmbMethod->SetItemIndex(0);
  cmbMethodChange();
  ResetProgress();
  SetMainWindowsEnabled(false);
  TForm::DoShow();
}

void TEraseForm::btnEraseClick() {
  TForm1* main = AppForms().Form1;
  if (!main) return;
  TQCDBurner& r = main->qcdb();
  if (!cbDrives->Text().isEmpty()) r.SetDeviceID(cbDrives->Text().toStdString());
  if (!r.TestUnitReady(5000)) {
    MessageBox(QString("Drive %1: is not ready. Please insert a rewritable disc into it first.")
                   .arg(QChar(r.GetDriveLetter())),
               "Informaiton", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  main->TickCount = 0;
  main->RemainSeconds = 0;
  for (TSeSkinComboBox* list : {cbDrives, cmbMethod, cmbSpeed}) list->SetEnabled(false);
  btnErase->Hide();
  btnCancel->SetEnabled(false);
  btnAbort->Show();
  main->EraseView = this;
  if (cmbMethod->ItemIndex() == 0)
    main->QuickErase(cbDrives->Text(), cmbSpeed->Text());
  else
    main->CompleteErase(cbDrives->Text(), cmbSpeed->Text());
}

void TEraseForm::btnAbortClick() {
  // The erase itself runs on to its end; the window can be closed meanwhile.
  if (TForm1* main = AppForms().Form1) main->qcdb().Abort();
  btnCancel->SetEnabled(true);
}

void TEraseForm::ShowEraseProgress(int percent, const QString& elapsed, const QString& remaining) {
  pbprogress->SetMax(100);
  pbprogress->SetPosition(percent);
  labProgress->SetCaption(QString::number(percent) + "%");
  LabElapse->SetCaption(elapsed);
  LabRemain->SetCaption(remaining);
}

void TEraseForm::EraseDone(bool with_error) {
  btnAbort->Hide();
  if (!with_error) btnCancel->SetCaption("&Finish");
  btnCancel->SetEnabled(true);
}

void TEraseForm::EraseDeclined() { btnCancel->SetEnabled(true); }

bool TEraseForm::CloseQuery() { return btnCancel->Enabled() && TForm::CloseQuery(); }

void TEraseForm::DoClose(TCloseAction& action) {
  ResetProgress();
  SetMainWindowsEnabled(true);
  TForm::DoClose(action);
}

TEraseForm* EraseForm() {
  QPointer<TEraseForm>& form = Instance();
  if (!form) form = Create<TEraseForm>(AppForms().Form1);
  return form;
}

void ConnectEraseWindow() {
  if (TForm1* main = AppForms().Form1)
    main->btnErase->OnClick = [](TControl*) { EraseForm()->Show(); };
  if (TStartForm* start = AppForms().StartForm)
    start->OpenEraser = [] {
      if (AppForms().Form1) AppForms().Form1->Hide();
      EraseForm()->Show();
    };
}
