#include "app/Burning.h"

#include <QDate>
#include <array>
#include <cstring>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTime>
#include <cmath>

#include "app/AppGlobals.h"
#include "app/SkinFrame.h"
#include "app/Option.h"
#include "app/Unit1.h"
#include "app/schedule.h"
#include "app/start.h"
#include "platform/core/Clock.h"
#include "platform/core/Formats.h"
#include "platform/core/StringList.h"
#include "platform/gui/Application.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Buttons.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Icon.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/Timer.h"
#include "recorder/xrCDBC.h"
#include "shell/IconCtls.h"
#include "skin/se_binding_bars.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_binding_edits.h"
#include "skin/se_binding_lists.h"
#include "skin/se_binding_views.h"

namespace {

TSeSkinLabel* MakeLabel(TWinControl* parent, int left, int top, const QString& caption) {
  return PlaceSkinned<TSeSkinLabel>(parent, left, top, 10, 16, caption);
}

// A file name edit whose button opens a file dialog.
TSeSkinEditButton* MakeFileEdit(TWinControl* parent, int left, int top, int width) {
  auto* edit = PlaceSkinned<TSeSkinEditButton>(parent, left, top, width, 22);
  edit->SetGlyphKind(gkEllipsis);
  return edit;
}

TSeSkinComboBox* MakeDropDownList(TWinControl* parent, int left, int top, int width) {
  auto* list = PlaceSkinned<TSeSkinComboBox>(parent, left, top, width, 22);
  list->SetComboStyle(kcsDropDownList);
  return list;
}

bool IsIconName(const QString& name) {
  const QString lower = name.toLower();
  return lower.endsWith(".ico") || lower.endsWith(".icon");
}

TForm1* Main() { return AppForms().Form1; }

}  // namespace

void FillSpeedList(TSCSIDevice& drive, TSeCustomComboBox* list) {
  const TDiscType type = drive.GetDiscType();
  const bool cd = type < 4;
  // A pressed disc takes no writing and its drive reports no write speed
  // for it (which the drive object would read as DVD single speed): Max is
  // all there is to offer.
  const bool pressed = type == dtCDROM || type == dtDVDROM;
  const double divisor = cd ? 176.4 : 1385.0;
  const int step = cd ? 176 : 700;
  const std::string factor_format = cd ? "0X " : "0.0X ";
  const int remembered = list->ItemIndex();
  list->Items()->Clear();
  list->Items()->Add("Max");
  for (int s = pressed ? 0 : drive.GetMaxWriteSpeed(); s > 0; s -= step) {
    drive.SetWriteSpeed(static_cast<std::uint16_t>(s));
    const int current = drive.GetCurrentWriteSpeed();
    const QString text = QString::fromStdString(FormatFloat(factor_format, current / divisor) +
                                                FormatFloat("(#,##0 KB/s)", current));
    bool listed = false;
    for (int i = 0; i < list->Items()->Count(); ++i) listed = listed || list->Items()->Strings(i) == text;
    if (!listed) list->Items()->Add(text);
  }
  list->SetItemIndex(remembered >= 0 && remembered < list->Items()->Count() ? remembered : 0);
}

TBurningForm::TBurningForm(TComponent* owner) : TForm(owner) {
  SetCaption("Burn data disc");
  SetBorderStyle(bsSingle);
  SetBorderIcons(biSystemMenu | biMinimize);
  SetPosition(poScreenCenter);
  SeSkinForm1 = AddSkinFrame(this, kbiClose | kbiMinimize);
  BuildLayout();
}

TBurningForm::~TBurningForm() {
  if (Main() && Main()->BurnView == this) Main()->BurnView = nullptr;
}

void TBurningForm::BuildLayout() {
  SetClientWidth(560);
  SetClientHeight(470);
  BuildPreference();
  BuildOption();
  BuildCopy();
  BuildBurnISO();
  BuildProgress();
  btnCancel = PlaceSkinned<TSeSkinButton>(this, 470, 436, 80, 25, "&Cancel");
  btnCancel->OnClick = [this](TControl*) { Close(); };
  labNote1 = MakeLabel(this, 10, 396,
                       "Note for CD-RW (DVD+/- RW): Please make sure the CD-RW (DVD+/-RW) disc is not Closed (You can "
                       "change this setting in Options.) ");
  labNote2 = MakeLabel(this, 10, 426,
                       "If the rewritable disc is closed, please erase (Quick Erase or Full Erase) the CD-RW (DVD+/-RW) "
                       "disc before the burning.");
  for (TSeSkinLabel* note : {labNote1, labNote2}) {
    note->SetAutoSize(false);
    note->SetWordWrap(true);
    note->SetBounds(note->Left(), note->Top(), 450, 28);
  }

  SaveDialog1 = Create<TSaveDialog>(this);
  SaveDialog1->Filter = "Rich Text File (*.rtf)|*.rtf|TXT File (*.txt)|*.txt";
  SaveDialog1->DefaultExt = "rtf";
  SaveDialog1->OnTypeChange = [this](TComponent*) { SaveDialog1->DefaultExt = SaveDialog1->FilterIndex == 2 ? "txt" : "rtf"; };
  SaveDialog2 = Create<TSaveDialog>(this);
  SaveDialog2->Filter = ".ISO File (*.iso)|*.iso";
  SaveDialog2->DefaultExt = "iso";
  OpenDialog1 = Create<TOpenPictureDialog>(this);
  OpenDialog1->Filter = "*.ico ; *.bmp|*.ico;*.bmp";
  OpenDialog2 = Create<TOpenDialog>(this);
  OpenDialog2->Filter = "EXE Files (*.exe)|*.exe|All Files (*.*)|*.*";
  OpenDialog3 = Create<TOpenDialog>(this);
  OpenDialog3->Filter = ".ISO File (*.iso)|*.iso";
  PrintDialog1 = Create<TPrintDialog>(this);
  PrinterSetupDialog1 = Create<TPrinterSetupDialog>(this);
}

void TBurningForm::BuildPreference() {
  gpbPreference = PlaceSkinned<TSeSkinGroupBox>(this, 8, 6, 544, 240, "Preference");
  TSeSkinGroupBox* g = gpbPreference;
  LabLabel = MakeLabel(g, 12, 24, "Volume Label of Disc");
  edtLabel = PlaceSkinned<TSeSkinEdit>(g, 150, 20, 240, 22);
  labISO = MakeLabel(g, 12, 24, ".ISO File Name:");
  edtISO = MakeFileEdit(g, 110, 20, 280);
  edtISO->OnButtonClick = [this](TControl*) {
    if (SaveDialog2->Execute()) edtISO->SetText(SaveDialog2->FileName);
  };
  chkQuick = PlaceSkinned<TSeSkinCheckBox>(g, 400, 22, 130, 19, "Quick save .ISO");
  chkQuick->OnClick = [this](TControl*) {
    ProgramOptions().QuickSaveISO = chkQuick->Checked();
    if (TOptionForm* o = AppForms().OptionForm) o->cQuickSaveISO->SetChecked(chkQuick->Checked());
  };

  GroupBox3 = PlaceSkinned<TSeSkinGroupBox>(g, 12, 50, 520, 108, "Disk Icon");
  sbxIcon = PlaceSkinned<TSeSkinScrollBox>(GroupBox3, 10, 24, 48, 48);
  imgIcon = Place<TImage>(sbxIcon, 6, 6, 32, 32);
  imgIcon->SetCenter(true);
  rdbBlank = PlaceSkinned<TSeSkinRadioButton>(GroupBox3, 70, 20, 180, 19, "Blank (Default)");
  rdbCustom = PlaceSkinned<TSeSkinRadioButton>(GroupBox3, 70, 46, 112, 19, "Custom Icon");
  rdbAutoIcon = PlaceSkinned<TSeSkinRadioButton>(GroupBox3, 70, 76, 260, 19, "Icon of Auto Run Execute File");
  edtIcon = MakeFileEdit(GroupBox3, 190, 44, 318);
  rdbBlank->SetChecked(true);
  edtIcon->SetEnabled(false);
  rdbBlank->OnClick = [this](TControl*) {
    edtIcon->SetEnabled(false);
    imgIcon->Picture()->SetGraphic(nullptr);
  };
  rdbCustom->OnClick = [this](TControl*) {
    edtIcon->SetEnabled(true);
    if (QFileInfo(edtIcon->Text()).isFile())
      LoadIconPicture(edtIcon->Text());
    else
      imgIcon->Picture()->SetGraphic(nullptr);
  };
  rdbAutoIcon->OnClick = [this](TControl*) {
    edtIcon->SetEnabled(false);
    if (chkAutoRun->Checked()) {
      ShowProgramIcon();
      return;
    }
    MessageBox("Please enter Auto-Run Execute File first.", "Information", MB_OK | MB_ICONINFORMATION);
    rdbBlank->SetChecked(true);
  };
  edtIcon->OnButtonClick = [this](TControl*) {
    if (!OpenDialog1->Execute()) return;
    edtIcon->SetText(OpenDialog1->FileName);
  };
  edtIcon->OnChange = [this](TControl*) {
    if (rdbCustom->Checked() && QFileInfo(edtIcon->Text()).isFile()) LoadIconPicture(edtIcon->Text());
  };

  gpbAutoRun = PlaceSkinned<TSeSkinGroupBox>(g, 12, 164, 520, 68, "Auto Run Execute File");
  chkAutoRun = PlaceSkinned<TSeSkinCheckBox>(gpbAutoRun, 10, 20, 240, 19, "Use Auto-Run Execute File");
  edtAutoRun = MakeFileEdit(gpbAutoRun, 10, 40, 498);
  edtAutoRun->SetEnabled(false);
  chkAutoRun->OnClick = [this](TControl*) { edtAutoRun->SetEnabled(chkAutoRun->Checked()); };
  edtAutoRun->OnButtonClick = [this](TControl*) {
    if (OpenDialog2->Execute()) edtAutoRun->SetText(OpenDialog2->FileName);
  };
  edtAutoRun->OnChange = [this](TControl*) {
    if (rdbAutoIcon->Checked()) ShowProgramIcon();
  };
  iconlist1 = Place<TwpnIconListBox>(this, 0, 0, 40, 40);
  iconlist1->Hide();
}

void TBurningForm::BuildOption() {
  gpbOption = PlaceSkinned<TSeSkinGroupBox>(this, 8, 250, 544, 140, "");
  TSeSkinGroupBox* g = gpbOption;
  Label6 = MakeLabel(g, 12, 22, "Burning Speed:");
  cbspeed = MakeDropDownList(g, 110, 18, 200);
  cCloseDisc = PlaceSkinned<TSeSkinCheckBox>(g, 12, 50, 200, 19, "Close disk (Finialize)");
  cTestWrite = PlaceSkinned<TSeSkinCheckBox>(g, 12, 74, 200, 19, "Test write");
  cEject = PlaceSkinned<TSeSkinCheckBox>(g, 12, 98, 220, 19, "Eject the disc after done");
  cBootable = PlaceSkinned<TSeSkinCheckBox>(g, 250, 50, 150, 19, "Bootable");
  cShowFiles = PlaceSkinned<TSeSkinCheckBox>(g, 250, 74, 200, 19, "Show files before buring");
  cCloseDisc->SetChecked(true);
  cEject->SetChecked(true);
  btnAdvance = PlaceSkinned<TSeSkinButton>(g, 440, 60, 90, 25, "&Advance");
  btnStartBurn = PlaceSkinned<TSeSkinButton>(g, 440, 96, 90, 30, "&Start");
  TOptionForm* (*options)() = [] { return AppForms().OptionForm; };
  cCloseDisc->OnClick = [this, options](TControl*) {
    if (Main()) Main()->qcdb().SetFinalizeDisc(cCloseDisc->Checked());
    if (options()) options()->cCloseDisc->SetChecked(cCloseDisc->Checked());
  };
  cTestWrite->OnClick = [this, options](TControl*) {
    if (Main()) Main()->qcdb().SetTestWrite(cTestWrite->Checked());
    if (options()) options()->cTestWrite->SetChecked(cTestWrite->Checked());
  };
  cBootable->OnClick = [this, options](TControl*) {
    if (Main()) {
      Main()->qcdb().Bootable = cBootable->Checked();
      if (options()) Main()->qcdb().BootImage = options()->labBootImage->Caption().toStdString();
    }
    if (options()) options()->cBootable->SetChecked(cBootable->Checked());
  };
  cShowFiles->OnClick = [this, options](TControl*) {
    ProgramOptions().ShowFiles = cShowFiles->Checked();
    if (options()) options()->cShowFiles->SetChecked(cShowFiles->Checked());
  };
  cEject->OnClick = [this, options](TControl*) {
    if (options()) options()->chkEjectDone->SetChecked(cEject->Checked());
  };
  btnAdvance->OnClick = [options](TControl*) {
    if (options()) options()->Show();
  };
  btnStartBurn->OnClick = [this](TControl*) { btnStartBurnClick(); };
}

void TBurningForm::BuildCopy() {
  gpbCopy = PlaceSkinned<TSeSkinGroupBox>(this, 8, 6, 544, 240, "Make a copy of the disc");
  TSeSkinGroupBox* g = gpbCopy;
  LabSource = MakeLabel(g, 20, 36, "Source:");
  cmbSource = MakeDropDownList(g, 110, 32, 400);
  LabDestination = MakeLabel(g, 20, 76, "Destination:");
  cmbDestination = MakeDropDownList(g, 110, 72, 400);
  MakeLabel(g, 20, 130, "Steps: 1. Insert the source disc into the dirve.");
  MakeLabel(g, 62, 154, "2. Click Start button. ");
}

void TBurningForm::BuildBurnISO() {
  gpbBurnISO = PlaceSkinned<TSeSkinGroupBox>(this, 8, 6, 544, 240, "Burn .ISO to CD \\ DVD");
  TSeSkinGroupBox* g = gpbBurnISO;
  Label1 = MakeLabel(g, 20, 36, "Source .ISO File:");
  edtSourceISO = MakeFileEdit(g, 130, 32, 388);
  edtSourceISO->SetReadOnly(true);
  edtSourceISO->OnButtonClick = [this](TControl*) {
    if (OpenDialog3->Execute()) edtSourceISO->SetText(OpenDialog3->FileName);
  };
  Label8 = MakeLabel(g, 20, 76, "Destination Drive");
  cmbDriveISO = MakeDropDownList(g, 130, 72, 388);
  cmbDriveISO->OnChange = [this](TControl*) {
    if (!Main()) return;
    Main()->qcdb().SetDeviceID(cmbDriveISO->Text().toStdString());
    FillSpeedList(Main()->qcdb(), cbspeed);
  };
}

void TBurningForm::BuildProgress() {
  gpbProgress = PlaceSkinned<TSeSkinGroupBox>(this, 8, 6, 544, 456, "Progress and Log");
  TSeSkinGroupBox* g = gpbProgress;
  auto figure = [g](int left, int top, const QString& caption) {
    MakeLabel(g, left, top, caption);
    auto* value = PlaceSkinned<TSeSkinLabel>(g, left + 112, top, 140, 16);
    value->SetAutoSize(false);
    return value;
  };
  lSize = figure(12, 22, "Total Size:");
  labFinished = figure(280, 22, "Finished:");
  labElapse = figure(12, 42, "Elapsed Time:");
  labRemain = figure(280, 42, "Remaining Time:");
  MakeLabel(g, 12, 64, "Progress:");
  pcd = PlaceSkinned<TSeSkinProgressBar>(g, 160, 64, 320, 16);
  labProgress = PlaceSkinned<TSeSkinLabel>(g, 486, 64, 48, 16);
  labProgress->SetAutoSize(false);
  MakeLabel(g, 12, 86, "Software Buffer Status:");
  PanSoftBuff = Place<TPanel>(g, 160, 86, 320, 16);
  MakeLabel(g, 12, 108, "Device Buffer Status:");
  PanDeviceBuff = Place<TPanel>(g, 160, 108, 320, 16);
  for (TPanel* panel : {PanSoftBuff, PanDeviceBuff}) {
    panel->SetBevelOuter(bvNone);
    panel->SetParentColor(true);
  }
  pBuf = PlaceSkinned<TSeSkinProgressBar>(PanSoftBuff, 0, 0, 320, 16);
  pHBuf = PlaceSkinned<TSeSkinProgressBar>(PanDeviceBuff, 0, 0, 320, 16);
  pHBuf->SetMax(1);
  MakeLabel(g, 12, 130, "Log:");
  memo1 = Place<TRichEdit>(g, 12, 148, 520, 260);
  memo1->SetReadOnly(true);
  memo1->SetScrollBars(ssBoth);
  memo1->SetWordWrap(false);
  const char* captions[] = {"S&ave", "&Print", "&Clear", "&Abort", "Save &ISO", "&Close Track", "&Done and Eject"};
  TSeSkinButton** buttons[] = {&btnSave, &btnPrint, &btnClear, &btnAbort, &btnSaveISO, &btnCloseTrack, &btnEject};
  const int widths[] = {56, 56, 56, 60, 72, 84, 112};
  int x = 12;
  for (int i = 0; i < 7; ++i) {
    *buttons[i] = PlaceSkinned<TSeSkinButton>(g, x, 418, widths[i], 26, captions[i]);
    x += widths[i] + 4;
  }
  btnSave->OnClick = [this](TControl*) { btnSaveClick(); };
  btnPrint->OnClick = [this](TControl*) { btnPrintClick(); };
  btnClear->OnClick = [this](TControl*) { memo1->Clear(); };
  btnAbort->OnClick = [](TControl*) {
    if (Main()) Main()->qcdb().Abort();
  };
  btnCloseTrack->OnClick = [](TControl*) {
    if (Main()) Main()->qcdb().CloseTrackSession(false, false, false);
  };
  btnSaveISO->OnClick = [](TControl*) {
    if (Main()) Main()->btnSaveClick();
  };
  btnEject->OnClick = [this](TControl*) { btnEjectClick(); };
}

void TBurningForm::Setup(const QString& mode) {
  rdbBlank->SetChecked(true);
  edtIcon->SetText("");
  edtAutoRun->SetText("");
  imgIcon->Picture()->SetGraphic(nullptr);
  chkAutoRun->SetChecked(false);
  for (TSeSkinButton* b : {btnAdvance, btnStartBurn, btnCancel, btnAbort}) b->Show();
  for (TSeSkinProgressBar* bar : {pcd, pBuf, pHBuf}) bar->SetPosition(0);
  auto groups = [this](bool preference, bool option, bool copy, bool burn_iso) {
    gpbPreference->SetVisible(preference);
    gpbOption->SetVisible(option);
    gpbCopy->SetVisible(copy);
    gpbBurnISO->SetVisible(burn_iso);
    gpbProgress->Hide();
    labNote1->Show();
    labNote2->Show();
  };
  TForm1* main = Main();
  if (mode == "Burn") {
    SetCaption("Burn data disc");
    labISO->Hide();
    edtISO->Hide();
    chkQuick->Hide();
    LabLabel->Show();
    edtLabel->Show();
    if (main && main->trvDir->Items()->GetFirstNode()) edtLabel->SetText(main->trvDir->Items()->GetFirstNode()->Text());
    groups(true, true, false, false);
  } else if (mode == "Copy") {
    SetCaption("Make a copy of the disc");
    edtLabel->SetText(QString::fromStdString(FormatDateTime(TheFormatSettings().ShortDateFormat, Now())));
    groups(false, true, true, false);
    cmbSource->Items()->Clear();
    cmbDestination->Items()->Clear();
    if (main)
      for (const std::string& id : main->qcdb().Devices) {
        cmbSource->Items()->Add(QString::fromStdString(id));
        cmbDestination->Items()->Add(QString::fromStdString(id));
      }
    cmbSource->SetItemIndex(0);
    cmbDestination->SetItemIndex(0);
  } else if (mode == "BuildISO") {
    SetCaption("Build .ISO");
    LabLabel->Hide();
    edtLabel->Hide();
    labISO->Show();
    edtISO->Show();
    edtISO->SetText("");
    chkQuick->Show();
    chkQuick->SetChecked(ProgramOptions().QuickSaveISO);
    groups(true, true, false, false);
  } else if (mode == "BurnISO") {
    SetCaption("Burn .ISO to CD \\ DVD");
    groups(false, true, false, true);
    edtSourceISO->SetText("");
    cmbDriveISO->Items()->Clear();
    if (main)
      for (const std::string& id : main->qcdb().Devices) cmbDriveISO->Items()->Add(QString::fromStdString(id));
    cmbDriveISO->SetItemIndex(0);
  }
}

void TBurningForm::DoShow() {
  btnStartBurn->SetEnabled(true);
  if (TForm1* main = Main()) {
    main->BurnView = this;
    // The image's drive list names the drive the speeds are for.
    if (gpbBurnISO->Visible() && cmbDriveISO->OnChange)
      cmbDriveISO->OnChange(cmbDriveISO);
    else
      FillSpeedList(main->qcdb(), cbspeed);
  }
  if (TOptionForm* o = AppForms().OptionForm) {
    cCloseDisc->SetChecked(o->cCloseDisc->Checked());
    cTestWrite->SetChecked(o->cTestWrite->Checked());
    cEject->SetChecked(o->chkEjectDone->Checked());
    cBootable->SetChecked(o->cBootable->Checked());
    cShowFiles->SetChecked(o->cShowFiles->Checked());
  }
  TForm::DoShow();
}

void TBurningForm::DoClose(TCloseAction& action) {
  TForm1* main = Main();
  if (main && main->Timer1->Enabled()) action = caMinimize;
  TForm::DoClose(action);
  if (ReturnToMain && main) main->Show();
}

void TBurningForm::EjectSequence() {
  if (!Main()) return;
  TQCDBurner& r = Main()->qcdb();
  r.SynchronizeCache(300000, false);
  r.PreventAllowMediumRemoval(true);
  r.StartStopUnit(true);
}

bool TBurningForm::WaitForDisc() {
  TQCDBurner& r = Main()->qcdb();
  btnStartBurn->SetEnabled(false);
  const char letter = r.GetDriveLetter();
  for (;;) {
    Application().ProcessMessages();
    if (r.TestUnitReady(5000)) break;
    if (TOptionForm* o = AppForms().OptionForm; o && o->chkEjectNoDisc->Checked()) EjectSequence();
    const int answer = MessageBox(
        QString("Drive %1: is not ready. Please insert a writable disc.").arg(QChar(letter)) +
            "\nIf you have inserted the disc,please be patient and wait a few seconds for your drive to detect the "
            "disc. Then click button Retry",
        "Informaiton", MB_RETRYCANCEL | MB_ICONEXCLAMATION);
    if (answer != IDRETRY) {
      MessageBox("Abort by user", "Information", MB_OK | MB_ICONINFORMATION);
      btnStartBurn->SetEnabled(true);
      return false;
    }
    TheClock().SleepMs(5000);
  }
  AddLogLine(">>> Detecting disc done", clLogGreen);
  return true;
}

void TBurningForm::btnStartBurnClick() {
  if (!Main()) return;
  const bool build_iso = gpbPreference->Visible() && !LabLabel->Visible();
  if (!build_iso && !WaitForDisc()) return;
  if (gpbPreference->Visible() && LabLabel->Visible())
    StartDataBurn();
  else if (gpbPreference->Visible())
    StartBuildISO();
  else if (gpbCopy->Visible())
    StartDualCopy();
  else if (gpbBurnISO->Visible())
    StartBurnISO();
  if (!gpbProgress->Visible()) btnStartBurn->SetEnabled(true);
}

QString TBurningForm::TempPath(const QString& name) const { return AppStrings().DataPath("temp/" + name); }

void TBurningForm::ClearTemporaryFiles() {
  QDir().mkpath(AppStrings().DataPath("temp"));
  QFile::remove(TempPath("autorun.inf"));
  QFile::remove(TempPath("icon.ico"));
}

bool TBurningForm::DriveReady(const QString& id) {
  TQCDBurner& r = Main()->qcdb();
  if (!id.isEmpty()) r.SetDeviceID(id.toStdString());
  if (r.TestUnitReady(5000)) return true;
  MessageBox(QString("Drive %1: is not ready. Please insert a writable disc into it first.").arg(QChar(r.GetDriveLetter())),
             "Informaiton", MB_OK | MB_ICONINFORMATION);
  if (TOptionForm* o = AppForms().OptionForm; o && o->chkEjectNoDisc->Checked()) EjectSequence();
  return false;
}

void TBurningForm::StartDataBurn() {
  TForm1* main = Main();
  ClearTemporaryFiles();
  main->RootFiles.clear();
  if (!DriveReady(main->cbDrives->Text())) {
    btnStartBurn->SetEnabled(true);
    return;
  }
  if (!PrepareAutorun()) return;
  main->qcdb().SetIdVolume(edtLabel->Text().toStdString());
  ShowProgressView("Progress and Log - Burning " + edtLabel->Text(), "Eject && Done", " Initialize ASPI successfully.",
                   false);
  if (main->Operation != "Schedule") main->Operation = "Burn";
  main->BurnDataDisc();
  EndIfNothingStarted();
}

void TBurningForm::ShowProgressView(const QString& caption, const QString& eject_caption, const QString& aspi_line,
                                    bool hide_start) {
  TForm1* main = Main();
  btnCancel->Hide();
  if (hide_start) {
    btnAdvance->Hide();
    btnStartBurn->Hide();
  }
  btnAbort->Show();
  btnSaveISO->SetEnabled(false);
  btnCloseTrack->SetEnabled(false);
  btnEject->SetCaption(eject_caption);
  btnEject->SetEnabled(false);
  for (TSeSkinGroupBox* g : {gpbPreference, gpbOption, gpbCopy, gpbBurnISO}) g->Hide();
  labNote1->Hide();
  labNote2->Hide();
  gpbProgress->SetCaption(caption);
  gpbProgress->Show();
  for (TSeSkinLabel* l : {lSize, labFinished, labElapse, labRemain, labProgress}) l->SetCaption("");
  memo1->Clear();
  const TAppStrings& s = AppStrings();
  for (const QString& line : {main->Caption(), s.CompanyName, s.CompanyURL, s.ProductURL})
    AddLogLine(">>> " + line, clLogNavy);
  AddLogLine(">>> " + LogTimeText() + aspi_line, clLogGreen);
  AddLogLine(">>> " + LogTimeText() + " Drive is ready.", clLogGreen);
  main->TickCount = 0;
  main->RemainSeconds = 0;
}

bool TBurningForm::PrepareAutorun() {
  TForm1* main = Main();
  QStringList lines{"[AutoRun]"};
  QStringList files;
  if (chkAutoRun->Checked()) {
    const QFileInfo program(edtAutoRun->Text());
    if (!program.isFile()) {
      MessageBox("The Auto-Run Execute File you enter does not exists.", "Information", MB_OK | MB_ICONINFORMATION);
      if (edtAutoRun->CanFocus()) edtAutoRun->SetFocus();
      return false;
    }
    lines << "OPEN=" + program.fileName();
    files << program.absoluteFilePath();
  }
  if (rdbCustom->Checked()) {
    const QFileInfo picture(edtIcon->Text());
    if (!picture.isFile()) {
      MessageBox("The icon file you enter does not exists.", "Information", MB_OK | MB_ICONINFORMATION);
      if (edtIcon->CanFocus()) edtIcon->SetFocus();
      return false;
    }
    QString used = picture.absoluteFilePath();
    if (!IsIconName(used)) {
      // Any other picture becomes a real icon file, so the disc's icon
      // line names a file a shell can show.
      TIcon icon;
      icon.SetImage(imgIcon->Picture()->Graphic() ? [&] {
        TBitmap bitmap;
        bitmap.SetSize(32, 32);
        imgIcon->Picture()->Graphic()->Draw(bitmap.Canvas(), Rect(0, 0, 32, 32));
        return bitmap.ToQImage();
      }()
                                                  : QImage());
      if (icon.Empty()) {
        MessageBox("The icon file you enter does not exists.", "Information", MB_OK | MB_ICONINFORMATION);
        return false;
      }
      used = TempPath("icon.ico");
      icon.SaveToFile(used);
    }
    lines << "ICON=" + QFileInfo(used).fileName();
    files << used;
  } else if (rdbAutoIcon->Checked()) {
    lines << "ICON=" + QFileInfo(edtAutoRun->Text()).fileName() + ", 0";
  }
  if (lines.size() > 1) {
    TStringList list;
    for (const QString& line : lines) list.Add(line.toStdString());
    list.SaveToFile(TempPath("autorun.inf").toStdString());
    files << TempPath("autorun.inf");
  }
  (void)main;
  for (const QString& file : files) AddFileAtRoot(file);
  return true;
}

void TBurningForm::AddFileAtRoot(const QString& path) {
  if (TForm1* main = Main()) main->RootFiles << path;
}

void TBurningForm::LoadIconPicture(const QString& file) {
  try {
    if (IsIconName(file)) {
      imgIcon->Picture()->LoadFromFile(file);
      return;
    }
    TPicture picture;
    picture.LoadFromFile(file);
    TBitmap bitmap;
    bitmap.SetSize(32, 32);
    bitmap.Canvas().StretchDraw(Rect(0, 0, 32, 32), *picture.Graphic());
    imgIcon->Picture()->Bitmap().Assign(bitmap);
  } catch (const std::exception&) {
    // A file the picture cannot read leaves the picture as it was.
  }
}

void TBurningForm::ShowProgramIcon() {
  iconlist1->SetFileName(edtAutoRun->Text());
  if (iconlist1->Count() > 0)
    if (TIcon* icon = iconlist1->GetIcon(0)) {
      imgIcon->Picture()->SetGraphic(icon);
      return;
    }
  imgIcon->Picture()->SetGraphic(nullptr);
}

void TBurningForm::StartBuildISO() {
  TForm1* main = Main();
  if (edtISO->Text().isEmpty()) {
    MessageBox("Please enter path and name of the destination .ISO file.", "Information", MB_OK | MB_ICONINFORMATION);
    if (edtISO->CanFocus()) edtISO->SetFocus();
    return;
  }
  ClearTemporaryFiles();
  main->RootFiles.clear();
  if (!PrepareAutorun()) return;
  main->qcdb().SetIdVolume(edtLabel->Text().toStdString());
  ShowProgressView("Progress and Log - Build .ISO", "Done", " Initialize ASPI Successfully.", true);
  main->qcdb().SetISOFileName(edtISO->Text().toStdString());
  main->Operation = "Build ISO";
  main->BuildISOImage();
  EndIfNothingStarted();
}

void TBurningForm::StartBurnISO() {
  TForm1* main = Main();
  if (!QFileInfo(edtSourceISO->Text()).isFile()) {
    MessageBox("The source .ISO file you enter does not exist.", "Information", MB_OK | MB_ICONINFORMATION);
    if (edtSourceISO->CanFocus()) edtSourceISO->SetFocus();
    return;
  }
  if (!DriveReady(cmbDriveISO->Text())) return;
  ShowProgressView("Progress and Log - Burn .ISO to CD \\ DVD", "Eject && Done", " Initialize ASPI successfully.",
                   true);
  main->ISOSourceFile = edtSourceISO->Text();
  main->Operation = "Burn ISO";
  main->BurnISOImage();
  EndIfNothingStarted();
}

namespace {

// The volume label of the newest session of the disc in the selected drive
// (its primary volume descriptor); empty when none reads.
QString SourceVolumeLabel(TQCDBurner& r) {
  TDisc disc;
  r.GetDiscInfo(disc);
  if (!disc.Present) return {};
  std::array<std::uint8_t, 248> toc{};
  for (int s = disc.LastSession; s >= disc.FirstSession && s > 0; --s) {
    toc.fill(0);
    if (!r.ReadTOC(0, toc.data(), 248, static_cast<std::uint8_t>(s), false)) continue;
    const std::uint32_t start = std::uint32_t{toc[8]} << 24 | toc[9] << 16 | toc[10] << 8 | toc[11];
    std::array<std::uint8_t, 2048> pvd{};
    if (!r.Read10(start + 16, 1, pvd.data(), 2048)) continue;
    if (pvd[0] != 1 || std::memcmp(&pvd[1], "CD001", 5) != 0) continue;
    return QString::fromLatin1(reinterpret_cast<const char*>(&pvd[40]), 32).trimmed();
  }
  return {};
}

// Copies every file of the imported tree below `dir` into the host folder
// `target`; false (with the entry's name in `failed`) at the first file
// that cannot be read.
bool ExtractTree(TQCDBurner& r, TDEntry* dir, const QString& target, QString& failed) {
  QDir().mkpath(target);
  for (TFEntry* e = dir->FirstChild; e; e = e->Next) {
    const QString path = QDir(target).filePath(QString::fromStdString(SafeFileName(e->LongName)));
    if (e->Dir) {
      if (!ExtractTree(r, e->Dir, path, failed)) return false;
    } else if (!r.ExtractFile(e, path.toStdString(), true)) {
      failed = QString::fromStdString(e->LongName);
      return false;
    }
    Application().ProcessMessages();
  }
  return true;
}

}  // namespace

void TBurningForm::StartDualCopy() {
  TForm1* main = Main();
  TQCDBurner& r = main->qcdb();
  if (cmbSource->Text() == cmbDestination->Text()) {
    MessageBox("The Source Drive and Destination Drive can not be the same.", "Information",
               MB_OK | MB_ICONINFORMATION);
    return;
  }
  const int writer = main->cbDrives->Items()->IndexOf(cmbDestination->Text());
  if (writer < 0) {
    MessageBox("The destination drive cannot write discs. Please choose a writer as the destination.",
               "Information", MB_OK | MB_ICONINFORMATION);
    return;
  }
  r.SetDeviceID(cmbSource->Text().toStdString());
  const QString label = SourceVolumeLabel(r);
  if (label.isEmpty()) {
    MessageBox("Please insert source disc into your source drive", "Information", MB_OK | MB_ICONINFORMATION);
    return;
  }
  if (!DriveReady(cmbDestination->Text())) return;

  // The source disc's files come to the hard disk first, so that the
  // destination can be written from them; the user's compilation is left
  // alone.
  ShowProgressView("Progress and Log - Making a copy of disc", "Eject && Done", " Initialize ASPI successfully.",
                   false);
  AddLogLine(">>> " + LogTimeText() + " Reading the source disc " + label + "...", clLogBlue);
  r.SetDeviceID(cmbSource->Text().toStdString());
  ClearTemporaryFiles();
  copy_dir_ = TempPath("copy");
  QDir(copy_dir_).removeRecursively();
  r.InitCompilation(65535, 8191);
  QString failed;
  const bool imported = r.ImportSession(-1, r.RootDir());
  if (!imported || !ExtractTree(r, r.RootDir(), copy_dir_, failed)) {
    AddLogLine(">>> " + LogTimeText() + " " +
                   (imported ? "The file " + failed + " of the source disc could not be read."
                             : QString("The source disc could not be read.")),
               clLogRed);
    r.InitCompilation(65535, 8191);
    QDir(copy_dir_).removeRecursively();
    OperationDone(false);
    return;
  }
  r.InitCompilation(65535, 8191);
  AddLogLine(">>> " + LogTimeText() + " Reading the source disc done.", clLogGreen);

  main->cbDrives->SetItemIndex(writer);
  main->SelectComboDrive();
  main->RootFiles = QStringList{copy_dir_ + "/"};
  r.SetIdVolume(label.toStdString());
  main->Operation = "Copy Dual Disc";
  // A copy is always closed; the user's choice comes back when it ends.
  restore_close_disc_ = r.FinalizeDisc();
  r.SetFinalizeDisc(true);
  main->BurnDataDisc();
  EndIfNothingStarted();
}

void TBurningForm::EndIfNothingStarted() {
  TForm1* main = Main();
  if (main->Timer1->Enabled()) return;
  // The driver stopped before writing (nothing to add, the user declined,
  // the layout failed): the dialog must still be closable.
  TQCDBurner& r = main->qcdb();
  if (r.GetFileCount() == 0 && r.GetDirCount() == 0 && !main->Editor().Empty())
    MessageBox("None of the files and folders of the compilation could be added. Nothing was written.", "Information",
               MB_OK | MB_ICONINFORMATION);
  AddLogLine(">>> " + LogTimeText() + " Nothing was written.", clLogRed);
  main->RootFiles.clear();
  OperationDone(false);
}

void TBurningForm::btnSaveClick() {
  if (!SaveDialog1->Execute()) return;
  const QString name = SaveDialog1->FileName;
  if (QFileInfo(name).suffix().toLower() == "txt") {
    TStringList list;
    for (int i = 0; i < memo1->Lines()->Count(); ++i) list.Add(memo1->Lines()->Strings(i).toStdString());
    list.SaveToFile(name.toStdString());
  } else {
    memo1->Lines()->SaveToFile(name);
  }
}

void TBurningForm::btnPrintClick() {
  if (!PrinterSetupDialog1->Execute()) return;
  if (!PrintDialog1->Execute()) return;
  memo1->Print("");
}

void TBurningForm::btnEjectClick() {
  if (!cEject->Checked() && Main()) Main()->bEjectClick();
  Close();
}

// --- TBurnProgressView

void TBurningForm::AddLogLine(const QString& text, unsigned colour) {
  memo1->SetSelStart(static_cast<int>(memo1->Text().size()));
  memo1->SelAttributes()->SetColor(static_cast<TColor>(colour));
  memo1->Lines()->Add(text);
}

QString TBurningForm::SpeedText() { return cbspeed->Text(); }

void TBurningForm::SetDriveBufferSize(std::uint32_t bytes) {
  // A bar with no range shows as busy: a drive that gave no size keeps 1.
  pHBuf->SetMax(static_cast<int>(std::clamp<std::uint32_t>(bytes, 1, INT32_MAX)));
}

void TBurningForm::SetTrackSize(std::int64_t sectors, const QString& size_text) {
  pcd->SetMax(static_cast<int>(std::min<std::int64_t>(sectors, INT32_MAX)));
  lSize->SetCaption(size_text);
}

void TBurningForm::ShowFigures(const Figures& f) {
  pBuf->SetPosition(f.CachePercent);
  pBuf->SetHint(QString::number(f.CachePercent) + "%");
  PanSoftBuff->SetHint(pBuf->Hint());
  if (pcd->Position() != pcd->Max()) {
    labFinished->SetCaption(QString::fromStdString(FormatFloat("#,##0.00", f.BytesWritten / 1048576.0)) + " MB");
    pcd->SetPosition(static_cast<int>(std::min<std::int64_t>(f.BytesWritten / 2048, INT32_MAX)));
  }
  labProgress->SetCaption(QString::number(f.Percent) + "%");
  if (f.DriveBufferFill >= 0) {
    pHBuf->SetPosition(static_cast<int>(f.DriveBufferFill));
    if (pHBuf->Max() != 0)
      pHBuf->SetHint(QString::number(std::lround(pHBuf->Position() * 100.0 / pHBuf->Max())) + "%");
    PanDeviceBuff->SetHint(pHBuf->Hint());
  }
  labElapse->SetCaption(f.Elapsed);
  labRemain->SetCaption(f.Remaining);
}

void TBurningForm::OperationDone(bool success) {
  if (restore_close_disc_) {
    if (TForm1* main = Main()) main->qcdb().SetFinalizeDisc(*restore_close_disc_);
    restore_close_disc_.reset();
  }
  if (!copy_dir_.isEmpty()) {
    QDir(copy_dir_).removeRecursively();
    copy_dir_.clear();
  }
  btnAbort->Hide();
  btnSaveISO->SetEnabled(success);
  btnCloseTrack->SetEnabled(success);
  if (!success) btnEject->SetCaption("Discard");
  btnEject->SetEnabled(true);
}

TBurningForm* CreateBurningForm() {
  auto* form = Create<TBurningForm>(nullptr);
  AppForms().BurningForm = form;
  if (TForm1* main = Main()) {
    main->BurnView = form;
    main->ShowBurnDialog = [form] {
      form->Setup("Burn");
      form->Show();
      form->ReturnToMain = true;
    };
    auto open = [main, form](const QString& mode) {
      main->Hide();
      form->Setup(mode);
      form->Show();
      form->ReturnToMain = true;
    };
    main->btnClone->OnClick = [open](TControl*) { open("Copy"); };
    main->btnBurnISO->OnClick = [open](TControl*) { open("BurnISO"); };
    main->btnBuildISO->OnClick = [open](TControl*) { open("BuildISO"); };
  }
  if (TScheduleForm* schedule = AppForms().ScheduleForm) {
    // A scheduled data run: the dialog shown, or hidden with the options'
    // boxes, and its Start clicked.
    schedule->StartScheduledBurn = [form](const TScheduleOptions& options) {
      form->Setup("Burn");
      if (options.ShowBurningWindow) {
        if (Main()) Main()->Hide();
        form->Show();
        form->ReturnToMain = false;
      } else {
        if (Main()) FillSpeedList(Main()->qcdb(), form->cbspeed);
        form->cCloseDisc->SetChecked(options.CloseDisc);
        form->cTestWrite->SetChecked(options.TestWrite);
        form->cEject->SetChecked(options.EjectDone);
        form->cBootable->SetChecked(options.Bootable);
        form->cShowFiles->SetChecked(options.ShowFiles);
      }
      form->btnStartBurnClick();
    };
  }
  if (TStartForm* start = AppForms().StartForm) {
    start->OpenClone = [form] {
      if (Main()) Main()->Hide();
      form->Setup("Copy");
      form->Show();
      form->ReturnToMain = false;
    };
  }
  return form;
}
