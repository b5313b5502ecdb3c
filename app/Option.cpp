#include "app/Option.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <climits>
#include <cmath>

#include "app/AppGlobals.h"
#include "app/Audio.h"
#include "app/SkinnedPlacing.h"
#include "app/StartBackground.h"
#include "app/Burning.h"
#include "app/OptionSkins.h"
#include "app/Unit1.h"
#include "app/schedule.h"
#include "app/start.h"
#include "platform/core/IniFile.h"
#include "effects/QRXFillObject.h"
#include "effects/QRXPanels.h"
#include "platform/gui/Application.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Autostart.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Picture.h"
#include "platform/gui/Shell.h"
#include "platform/gui/Sound.h"
#include "platform/gui/Spin.h"
#include "platform/gui/StdCtrls.h"
#include "recorder/xrCDBC.h"
#include "skin/se_skinform.h"
#include "skin/se_tabsheets.h"

TProgramOptions& ProgramOptions() {
  static TProgramOptions options;
  return options;
}

namespace {

std::string Bool(bool value) { return value ? "1" : "0"; }

// The session number as the program keeps it (one signed byte); nothing
// for text that is not such a number.
std::optional<int> SessionNumber(const QString& text) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok);
  if (!ok || value < -128 || value > 127) return std::nullopt;
  return value;
}

TSeSkinCheckBox* Check(TWinControl* parent, int left, int top, const QString& caption, int width = 440) {
  return PlaceSkinned<TSeSkinCheckBox>(parent, left, top, width, 19, caption);
}

}  // namespace

TOptionForm::TOptionForm(TComponent* owner) : TForm(owner) {
  SetCaption("Option");
  SetFormStyle(fsStayOnTop);
  SetBorderStyle(bsSingle);
  SetBorderIcons(biSystemMenu);
  SetPosition(poScreenCenter);
  BuildLayout();
  BindKeys();
}

TOptionForm::~TOptionForm() = default;

QString TOptionForm::FileName() { return AppStrings().DataPath("Option.ini"); }

void TOptionForm::BuildLayout() {
  // The frame first: the client size is the one inside its band.
  SeSkinForm1 = Create<TSeSkinForm>(this);
  SeSkinForm1->SetBorderIcons(kbiClose);
  SeSkinForm1->SetSkinObject("Form");
  SeSkinForm1->SetSkinEngine(AppSkinEngine());
  SetClientWidth(500);
  SetClientHeight(420);
  pgcOption = PlaceSkinned<TSeSkinPageControl>(this, 8, 8, 484, 368);
  auto sheet = [this](const QString& caption) {
    auto* page = Create<TSeCustomTabSheet>(this);
    page->SetCaption(caption);
    page->SetTabControl(pgcOption);
    return page;
  };
  tsGeneral = sheet("&General");
  tsBurning = sheet("&Burning");
  tsSchedule = sheet("&Schedule");
  tsSound = sheet("S&ound");
  tsSkin = sheet("&Interface && Skins");
  BuildGeneral();
  BuildBurning();
  BuildSchedule();
  BuildSound();
  BuildSkin();
  tsBurning->OnShow = [this](TControl*) { tsBurningShow(); };

  btnOK = PlaceSkinned<TSeSkinButton>(this, 316, 386, 80, 25, "&OK");
  btnOK->SetDefault(true);
  btnOK->OnClick = [this](TControl*) { btnOKClick(); };
  btnCancel = PlaceSkinned<TSeSkinButton>(this, 410, 386, 80, 25, "&Cancel");
  btnCancel->SetCancel(true);
  btnCancel->OnClick = [this](TControl*) { btnCancelClick(); };

  OpenDialog1 = Create<TOpenDialog>(this);
  OpenDialog1->Filter = "Skin files (*.mskn)|*.mskn";
  SaveDialog1 = Create<TSaveDialog>(this);
  SaveDialog1->Filter = "Skin files (*.mskn)|*.mskn";
  SaveDialog1->DefaultExt = "mskn";
  OpenDialog2 = Create<TOpenPictureDialog>(this);
  OpenDialog2->Filter = "Bitmap (*.bmp)|*.bmp";
  OpenDialog3 = Create<TOpenDialog>(this);
  OpenDialog3->Filter = "*.mp3 ; *.wmv ; *.wav ; *.mid|*.mp3;*.wma;*.wav;*.mid";
  ColorDialog1 = Create<TColorDialog>(this);
  pgcOption->SetActivePageIndex(0);
}

void TOptionForm::BuildGeneral() {
  TSeCustomTabSheet* p = tsGeneral;
  chkEjectNoDisc = Check(p, 12, 12, "Auto eject the drive if there is no disc in it.");
  chkEjectDone = Check(p, 12, 36, "Auto eject the drive when Burning or Erasing done. (Recommended)");
  chkEjectDone->SetChecked(true);
  chkExit = Check(p, 12, 60, "Exit program when burning is finished.");
  chkClose = Check(p, 12, 84, "Close Computer when burning is finished.");
  auto* group = PlaceSkinned<TSeSkinGroupBox>(p, 12, 112, 448, 100, "Software Buffer Size:");
  edtBuffer = PlaceSkinned<TSeSkinSpinEdit>(group, 12, 26, 64, 22);
  edtBuffer->SetMinValue(1);
  edtBuffer->SetMaxValue(50);
  edtBuffer->SetValue(6);
  PlaceSkinned<TSeSkinLabel>(group, 82, 29, 24, 16, "MB");
  tkbBuffer = PlaceSkinned<TSeSkinTrackBar>(group, 120, 20, 316, 36);
  tkbBuffer->SetMin(1);
  tkbBuffer->SetMax(50);
  tkbBuffer->SetPosition(6);
  PlaceSkinned<TSeSkinLabel>(group, 124, 64, 80, 16, "Min: 1MB");
  auto* max = PlaceSkinned<TSeSkinLabel>(group, 356, 64, 80, 16, "Max: 50MB");
  max->SetAutoSize(false);
  max->SetAlignment(taRightJustify);
  // The two show one value: the bar follows the edit's buttons and keys,
  // the edit follows the bar under the mouse.
  auto edit_to_bar = [this] { tkbBuffer->SetPosition(static_cast<int>(std::lround(edtBuffer->Value()))); };
  edtBuffer->OnUpClick = [edit_to_bar](TControl*) { edit_to_bar(); };
  edtBuffer->OnDownClick = [edit_to_bar](TControl*) { edit_to_bar(); };
  edtBuffer->OnKeyUp = [edit_to_bar](TControl*, int&, TShiftState) { edit_to_bar(); };
  edtBuffer->OnChange = [edit_to_bar](TControl*) { edit_to_bar(); };
  auto bar_to_edit = [this] {
    if (std::lround(edtBuffer->Value()) != tkbBuffer->Position()) edtBuffer->SetValue(tkbBuffer->Position());
  };
  tkbBuffer->OnMouseMove = [bar_to_edit](TControl*, TShiftState, int, int) { bar_to_edit(); };
  tkbBuffer->OnChange = [bar_to_edit](TControl*) { bar_to_edit(); };
  chkTip = Check(p, 12, 228, "Display Everyday Tips.");
  chkTip->SetChecked(true);
  chkDetect = Check(p, 12, 252, "Auto check the latest version. (Network support needed.)");
}

void TOptionForm::BuildBurning() {
  TSeCustomTabSheet* p = tsBurning;
  cJoliet = Check(p, 12, 12, "Joliet File System", 200);
  cJoliet->SetHint("Long File Name");
  cJoliet->SetChecked(true);
  cCloseDisc = Check(p, 12, 38, "Close Disc (Finalize)", 200);
  cCloseDisc->SetChecked(true);
  cImportSession = Check(p, 12, 64, "Import Session", 120);
  eSession = PlaceSkinned<TSeSkinEdit>(p, 136, 62, 60, 22);
  eSession->SetText("0");
  eSession->SetHint("Session Number to Import; for Last Session enter -1");
  cUnderrunProtection = Check(p, 12, 90, "Underrun Protection", 200);
  cUnderrunProtection->SetChecked(true);
  cTestWrite = Check(p, 12, 116, "Test Write", 200);
  cQuickSaveISO = Check(p, 12, 142, "Quick Save .ISO", 200);
  cBootable = Check(p, 240, 12, "Bootable", 200);
  labBootImage = PlaceSkinned<TSeSkinLabel>(p, 258, 34, 200, 16);
  labBootImage->SetAutoSize(false);
  cShowFiles = Check(p, 240, 64, "Show files before burning", 220);
  cArchiveOnly = Check(p, 240, 90, "Archive files only && Clear Archive Bit", 230);
  cOPC = Check(p, 240, 116, "Perform OPC", 200);
  cCloseTrack = Check(p, 240, 142, "CloseTrack", 200);
  cCloseTrack->SetChecked(true);
}

void TOptionForm::BuildSchedule() {
  TSeCustomTabSheet* p = tsSchedule;
  chkAutoExe = Check(p, 12, 12, "Auto execute when Windows startup. (Strongly recommended.)");
  chkAutoExe->SetChecked(true);
  chkLog = Check(p, 12, 38, "Record Log. (Recommended.)", 250);
  chkLog->SetChecked(true);
  btnShowLog = PlaceSkinned<TSeSkinButton>(p, 280, 34, 90, 25, "&Show Log");
  btnShowLog->OnClick = [](TControl*) {
    const QString log = AppStrings().DataPath("Schedule/Log.txt");
    if (QFileInfo::exists(log))
      Shell().Open(log);
    else
      MessageBox("No available LOG yet.", "Information", MB_OK | MB_ICONINFORMATION);
  };
  PlaceSkinned<TSeSkinLabel>(p, 12, 72, 80, 16, "Select Drive:");
  cmbDrive = PlaceSkinned<TSeSkinComboBox>(p, 100, 68, 300, 22);
  cmbDrive->SetComboStyle(kcsDropDownList);
  auto* running = PlaceSkinned<TSeSkinGroupBox>(p, 12, 102, 448, 96, "When the schedule task is running:");
  chkInform = Check(running, 12, 22, "Inform me when the schedule task starts.", 420);
  rdbShow = PlaceSkinned<TSeSkinRadioButton>(running, 12, 46, 300, 19, "Show burning window.");
  rdbHide = PlaceSkinned<TSeSkinRadioButton>(running, 12, 70, 300, 19, "Hide burning window.");
  rdbHide->SetChecked(true);
  auto* not_ready =
      PlaceSkinned<TSeSkinGroupBox>(p, 12, 208, 448, 74, "If the drive is not ready when the schedule task starts:");
  rdbQuery = PlaceSkinned<TSeSkinRadioButton>(not_ready, 12, 22, 300, 19, "Query. (Recommended.)");
  rdbQuery->SetChecked(true);
  rdbCancel = PlaceSkinned<TSeSkinRadioButton>(not_ready, 12, 46, 300, 19, "Cancel the task.");
}

void TOptionForm::BuildSound() {
  TSeCustomTabSheet* p = tsSound;
  struct SoundEvent {
    TSoundRow* row;
    const char* caption;
  } const events[] = {
      {&Burning, "Play sound when burning done."},
      {&Erasing, "Play sound when erasing done."},
      {&Copy, "Play sound when copy disc done."},
      {&ISO, "Play sound when build ISO done."},
      {&ScheduleStart, "Play sound when schedule task start."},
      {&ScheduleDone, "Play sound when schedule task done."},
  };
  int top = 6;
  int group = 1;
  for (const SoundEvent& event : events) {
    TSoundRow& row = *event.row;
    row.Check = Check(p, 12, top, event.caption, 300);
    // Each event's two radio buttons form a group of their own.
    row.Default = PlaceSkinned<TSeSkinRadioButton>(p, 32, top + 22, 70, 19, "Default");
    row.Custom = PlaceSkinned<TSeSkinRadioButton>(p, 108, top + 22, 70, 19, "Custom");
    row.Default->SetGroupIndex(group);
    row.Custom->SetGroupIndex(group);
    ++group;
    row.File = PlaceSkinned<TSeSkinEditButton>(p, 180, top + 20, 280, 22);
    row.File->SetGlyphKind(gkEllipsis);
    row.File->SetButtonHint("Select sound file");
    row.File->SetButtonShowHint(true);
    row.Check->SetChecked(true);
    row.Default->SetChecked(true);
    TSeSkinEditButton* edit = row.File;
    row.File->OnButtonClick = [this, edit](TControl*) {
      if (OpenDialog3->Execute()) edit->SetText(OpenDialog3->FileName);
    };
    top += 44;
  }
  ScheduleStart.Check->SetChecked(false);
  chkBurnDone = Burning.Check, rdbDB = Burning.Default, rdbCB = Burning.Custom, edtCB = Burning.File;
  chkEraseDone = Erasing.Check, rdbDE = Erasing.Default, rdbCE = Erasing.Custom, edtCE = Erasing.File;
  chkCopyDone = Copy.Check, rdbDC = Copy.Default, rdbCC = Copy.Custom, edtCC = Copy.File;
  chkISODone = ISO.Check, rdbDI = ISO.Default, rdbCI = ISO.Custom, edtCI = ISO.File;
  chkScheduleStart = ScheduleStart.Check, rdbDSS = ScheduleStart.Default, rdbCSS = ScheduleStart.Custom,
  edtCSS = ScheduleStart.File;
  chkScheduleDone = ScheduleDone.Check, rdbDSD = ScheduleDone.Default, rdbCSD = ScheduleDone.Custom,
  edtCSD = ScheduleDone.File;

  PlaceSkinned<TSeSkinLabel>(p, 12, top + 10, 70, 16, "Test Sound:");
  cmbSound = PlaceSkinned<TSeSkinComboBox>(p, 84, top + 6, 150, 22);
  cmbSound->SetComboStyle(kcsDropDownList);
  for (const char* item : {"Burning done", "Erasing done", "Copy disc done", "Build ISO done", "Schedule task start",
                           "Schedult task done"})
    cmbSound->Items()->Add(item);
  cmbSound->SetItemIndex(0);
  btnPlay = PlaceSkinned<TSeSkinButton>(p, 240, top + 4, 56, 25, "Play");
  btnPause = PlaceSkinned<TSeSkinButton>(p, 300, top + 4, 108, 25, "Pause \\ Resume");
  btnStop = PlaceSkinned<TSeSkinButton>(p, 412, top + 4, 52, 25, "Stop");
  btnPlay->OnClick = [this](TControl*) { PlayTest(); };
  // The player cannot hold a place in a file: Pause stops it and Resume
  // plays the paused file again.
  btnPause->OnClick = [this](TControl*) {
    if (Sounds().Playing() && !paused_file_.isEmpty()) {
      Sounds().Stop();
    } else if (!paused_file_.isEmpty()) {
      Sounds().Play(paused_file_);
    }
  };
  btnStop->OnClick = [this](TControl*) {
    if (Sounds().Playing()) Sounds().Stop();
    paused_file_.clear();
  };
}

void TOptionForm::BuildSkin() {
  TSeCustomTabSheet* p = tsSkin;
  auto* skins = PlaceSkinned<TSeSkinGroupBox>(p, 12, 8, 448, 150, "Select a skin");
  ltbSkin = PlaceSkinned<TSeSkinListBox>(skins, 12, 22, 280, 118);
  btnImport = PlaceSkinned<TSeSkinButton>(skins, 304, 22, 130, 25, "&Import Skins");
  btnExport = PlaceSkinned<TSeSkinButton>(skins, 304, 54, 130, 25, "&Export Skins");
  btnDelete = PlaceSkinned<TSeSkinButton>(skins, 304, 86, 130, 25, "&Delete Skins");
  btnImport->OnClick = [this](TControl*) {
    if (!OpenDialog1->Execute()) return;
    const QString target = AppStrings().DataPath("Skins/" + QFileInfo(OpenDialog1->FileName).fileName());
    QDir().mkpath(AppStrings().DataPath("Skins"));
    QFile::copy(OpenDialog1->FileName, target);  // an existing skin of that name is kept
    FillSkinList();
  };
  btnExport->OnClick = [this](TControl*) {
    const int index = ltbSkin->ItemIndex();
    if (index <= 0) return;  // "None" has no file
    const QString source = AppStrings().DataPath("Skins/" + ltbSkin->Items()->Strings(index) + ".mskn");
    if (!SaveDialog1->Execute()) return;
    QFile::copy(source, SaveDialog1->FileName);
  };
  btnDelete->OnClick = [this](TControl*) {
    const int index = ltbSkin->ItemIndex();
    if (index <= 0) return;
    if (MessageBox("Are you sure to delete the skin?", "Information", MB_YESNO | MB_ICONINFORMATION) != IDYES) return;
    QFile::remove(AppStrings().DataPath("Skins/" + ltbSkin->Items()->Strings(index) + ".mskn"));
    ltbSkin->Items()->Delete(index);
  };

  auto* back = PlaceSkinned<TSeSkinGroupBox>(p, 12, 168, 448, 150, "Backgound of start window");
  rdbColor = PlaceSkinned<TSeSkinRadioButton>(back, 12, 24, 120, 19, "Color");
  rdbGradient = PlaceSkinned<TSeSkinRadioButton>(back, 12, 58, 120, 19, "Color gradient");
  rdbImage = PlaceSkinned<TSeSkinRadioButton>(back, 12, 114, 80, 19, "Image");
  rdbColor->SetChecked(true);
  auto swatch = [back](int left, int top, TColor color) {
    auto* panel = Place<TPanel>(back, left, top, 40, 20);
    panel->SetBevelOuter(bvLowered);
    panel->SetColor(color);
    return panel;
  };
  auto colour_button = [this, back](int left, int top, TPanel* swatch) {
    auto* button = PlaceSkinned<TSeSkinButton>(back, left, top, 26, 22, "...");
    button->SetHint("Select color");
    button->SetShowHint(true);
    button->OnClick = [this, swatch](TControl*) {
      ColorDialog1->Color = swatch->Color();
      if (ColorDialog1->Execute()) swatch->SetColor(ColorDialog1->Color);
    };
    return button;
  };
  sctColor = swatch(150, 22, 14653050);
  btnColor = colour_button(194, 21, sctColor);
  PlaceSkinned<TSeSkinLabel>(back, 150, 60, 80, 16, "Top color:");
  sctTop = swatch(240, 56, 255);
  btnTop = colour_button(284, 55, sctTop);
  PlaceSkinned<TSeSkinLabel>(back, 150, 86, 80, 16, "Bottom color:");
  sctBottom = swatch(240, 82, 16711680);
  btnBottom = colour_button(284, 81, sctBottom);
  edtImage = PlaceSkinned<TSeSkinEditButton>(back, 100, 112, 330, 22);
  edtImage->SetGlyphKind(gkEllipsis);
  edtImage->SetButtonHint("Select image file");
  edtImage->SetButtonShowHint(true);
  edtImage->OnButtonClick = [this](TControl*) {
    if (OpenDialog2->Execute()) edtImage->SetText(OpenDialog2->FileName);
  };
}

void TOptionForm::BindKeys() {
  using K = TOptionKey;
  auto check = [](const char* section, const char* key, bool def, TSeSkinCheckBox* box) {
    return K{K::Bool, section, key, Bool(def), [box] { return Bool(box->Checked()); },
             [box](const std::string& v) { box->SetChecked(v == "1"); }};
  };
  auto radio = [](const char* section, const char* key, bool def, TSeSkinRadioButton* button) {
    return K{K::Bool, section, key, Bool(def), [button] { return Bool(button->Checked()); },
             [button](const std::string& v) { button->SetChecked(v == "1"); }};
  };
  auto edit = [](const char* section, const char* key, const std::string& def, TSeCustomEdit* e) {
    return K{K::Text, section, key, def, [e] { return e->Text().toStdString(); },
             [e](const std::string& v) { e->SetText(QString::fromStdString(v)); }};
  };
  auto colour = [](const char* section, const char* key, TColor def, TPanel* swatch) {
    return K{K::Integer, section, key, std::to_string(def), [swatch] { return std::to_string(swatch->Color()); },
             [swatch](const std::string& v) { swatch->SetColor(static_cast<TColor>(std::stol(v))); }};
  };
  keys_ = {
      check("General", "Auto Eject_No Disc", false, chkEjectNoDisc),
      check("General", "Auto Eject_Burn Erase Done", true, chkEjectDone),
      check("General", "Exit Program", false, chkExit),
      check("General", "Close Computer", false, chkClose),
      check("General", "Display Tips", true, chkTip),
      check("General", "Detect New Version", false, chkDetect),
      K{K::Text, "General", "Buffer", "6", [this] { return edtBuffer->Text().toStdString(); },
        [this](const std::string& v) {
          // A size that is no number in the edit's range falls back to 6 MB.
          bool ok = false;
          int mb = QString::fromStdString(v).trimmed().toInt(&ok);
          if (!ok || mb < 1 || mb > 50) mb = 6;
          edtBuffer->SetValue(mb);
          tkbBuffer->SetPosition(mb);
        }},
      check("Burning", "ArchiveFiles", false, cArchiveOnly),
      check("Burning", "ImportSession", false, cImportSession),
      check("Burning", "CloseTrack", true, cCloseTrack),
      check("Burning", "CloseDisc", true, cCloseDisc),
      check("Burning", "Underrun Protection", true, cUnderrunProtection),
      check("Burning", "JolietFS", true, cJoliet),
      check("Burning", "Bootable", false, cBootable),
      check("Burning", "TestWrite", false, cTestWrite),
      check("Burning", "QuickSaveISO", false, cQuickSaveISO),
      check("Burning", "ShowFiles", false, cShowFiles),
      check("Burning", "PerformOPC", false, cOPC),
      K{K::Text, "Burning", "SessionNo", "0", [this] { return eSession->Text().toStdString(); },
        [this](const std::string& v) {
          eSession->SetText(SessionNumber(QString::fromStdString(v)) ? QString::fromStdString(v) : QString("0"));
        }},
      K{K::Text, "Burning", "BootImage", "", [this] { return labBootImage->Caption().toStdString(); },
        [this](const std::string& v) { labBootImage->SetCaption(QString::fromStdString(v)); }},
      check("Schedule", "Auto Execute", true, chkAutoExe),
      check("Schedule", "Record Log", true, chkLog),
      K{K::Text, "Schedule", "Drive", "", [this] { return cmbDrive->Text().toStdString(); },
        [this](const std::string& v) {
          const QString drive = QString::fromStdString(v);
          const int index = cmbDrive->Items()->IndexOf(drive);
          if (index >= 0)
            cmbDrive->SetItemIndex(index);
          else
            cmbDrive->SetText(drive);
        }},
      check("Schedule", "Inform_Task Done", false, chkInform),
      radio("Schedule", "Diplay Window", false, rdbShow),
      radio("Schedule", "Hide Window", true, rdbHide),
      radio("Schedule", "Query", true, rdbQuery),
      radio("Schedule", "Cancel Task", false, rdbCancel),
  };
  struct SoundKeys {
    TSoundRow* row;
    const char *done, *d, *c;
    bool enabled;
  } const sounds[] = {{&Burning, "Burning Done", "DB", "CB", true},     {&Erasing, "Erasing Done", "DE", "CE", true},
                      {&Copy, "Copy Done", "DC", "CC", true},           {&ISO, "Build ISO Done", "DI", "CI", true},
                      {&ScheduleStart, "Schedule Start", "DSS", "CSS", false},
                      {&ScheduleDone, "Schedule Done", "DSD", "CSD", true}};
  for (const SoundKeys& s : sounds) {
    keys_.push_back(check("Sound", s.done, s.enabled, s.row->Check));
    keys_.push_back(radio("Sound", s.d, true, s.row->Default));
    keys_.push_back(radio("Sound", s.c, false, s.row->Custom));
  }
  const char* const files[] = {"Sound_B", "Sound_E", "Sound_C", "Sound_I", "Sound_SS", "Sound_SD"};
  for (int i = 0; i < 6; ++i) keys_.push_back(edit("Sound", files[i], "", sounds[i].row->File));
  keys_.push_back(radio("Interface", "Color", true, rdbColor));
  keys_.push_back(radio("Interface", "Gradian", false, rdbGradient));
  keys_.push_back(radio("Interface", "Image", false, rdbImage));
  keys_.push_back(colour("Interface", "BK_Color", 14653050, sctColor));
  keys_.push_back(colour("Interface", "BK_Start Color", 255, sctTop));
  keys_.push_back(colour("Interface", "BK_End Color", 16711680, sctBottom));
  keys_.push_back(edit("Interface", "BK_Image", "", edtImage));
}

void TOptionForm::LoadOptions() {
  TForm1* main = AppForms().Form1;
  const TIniFile ini(FileName().toStdString());
  for (const TOptionKey& key : keys_) {
    std::string def = key.Default;
    if (std::string(key.Key) == "Drive" && main) def = main->cbDrives->Text().toStdString();
    switch (key.Kind) {
      case TOptionKey::Bool:
        key.Set(Bool(ini.ReadBool(key.Section, key.Key, def == "1")));
        break;
      case TOptionKey::Integer:
        key.Set(std::to_string(ini.ReadInteger(key.Section, key.Key, std::stoi(def))));
        break;
      case TOptionKey::Text:
        key.Set(ini.ReadString(key.Section, key.Key, def));
        break;
    }
  }
  // This system is never the one release that starts in the plain look.
  const QString skin = QString::fromStdString(ini.ReadString("Interface", "Skin", "devoir"));
  if (main) {
    main->SkinName = skin;
    const QString drive = cmbDrive->Text();
    cmbDrive->Items()->Assign(main->cbDrives->Items()->ToQStringList());
    const int index = cmbDrive->Items()->IndexOf(drive);
    if (index >= 0) cmbDrive->SetItemIndex(index);
  }
  if (skin != "None") ApplySkin(skin);
  ApplyToRecorder();
  ApplyProgramValues();
  if (!ApplyBackground())
    MessageBox("Can not open the background image. Please click Option to check it out.", "Information",
               MB_OK | MB_ICONINFORMATION);
}

void TOptionForm::ApplyToRecorder() {
  TForm1* main = AppForms().Form1;
  if (!main) return;
  TQCDBurner& r = main->qcdb();
  r.SetJolietFileSystem(cJoliet->Checked());
  r.SetFinalizeDisc(cCloseDisc->Checked());
  r.SetFinalizeTrack(cCloseTrack->Checked());
  r.SetUnderrunProtection(cUnderrunProtection->Checked());
  r.SetTestWrite(cTestWrite->Checked());
  r.SetPerformOPC(cOPC->Checked());
  r.SetCacheSize(tkbBuffer->Position() * 1048576);
  r.Bootable = cBootable->Checked();
  r.BootImage = labBootImage->Caption().toStdString();
}

void TOptionForm::ApplyProgramValues() {
  TProgramOptions& o = ProgramOptions();
  o.ArchiveOnly = cArchiveOnly->Checked();
  o.ShowFiles = cShowFiles->Checked();
  o.QuickSaveISO = cQuickSaveISO->Checked();
  const std::optional<int> session = SessionNumber(eSession->Text());
  if (!session && !eSession->Text().trimmed().isEmpty()) eSession->SetText("0");
  o.ImportSessionNo = cImportSession->Checked() ? session.value_or(0) : 0;
}

void TOptionForm::ApplySkin(const QString& name) {
  TForm1* main = AppForms().Form1;
  if (!main) return;
  const std::string file = name == "None" ? std::string() : AppStrings().DataPath("Skins/" + name + ".mskn").toStdString();
  SetSkinFile(main, main->SeSkinEngine1, file);
}

bool TOptionForm::ApplyBackground() {
  TStartForm* start = AppForms().StartForm;
  if (!start || !start->QRXFill1) return true;
  const TStartBackground background{rdbColor->Checked()    ? TStartBackground::TKind::Colour
                                    : rdbGradient->Checked() ? TStartBackground::TKind::Gradient
                                    : rdbImage->Checked()    ? TStartBackground::TKind::Image
                                                             : TStartBackground::TKind::None,
                                    sctColor->Color(), sctTop->Color(), sctBottom->Color(), edtImage->Text()};
  return RestyleStartFill(start->QRXFill1, background);
}

void TOptionForm::SaveOptions() {
  TIniFile ini(FileName().toStdString());
  for (const TOptionKey& key : keys_) {
    if (key.Kind == TOptionKey::Bool)
      ini.WriteBool(key.Section, key.Key, key.Get() == "1");
    else
      ini.WriteString(key.Section, key.Key, key.Get());
    if (std::string(key.Key) == "BootImage" && AppForms().Form1)
      ini.WriteInteger("Burning", "CacheSize", AppForms().Form1->qcdb().CacheSize());
  }
  ini.WriteString("Interface", "Skin", AppForms().Form1 ? AppForms().Form1->SkinName.toStdString() : "None");
}

void TOptionForm::btnOKClick() {
  ApplyToRecorder();
  const std::optional<int> session = SessionNumber(eSession->Text());
  if (cImportSession->Checked() && !eSession->Text().trimmed().isEmpty() && session.value_or(0) == 0)
    MessageBox(session ? "Session to import; Zero means not to import any session"
                       : "The session number must be a whole number from -128 to 127. No session will be imported.",
               "Information", MB_OK | MB_ICONINFORMATION);
  ApplyProgramValues();

  if (ltbSkin->ItemIndex() < 0 && ltbSkin->Items()->Count() > 0) ltbSkin->SetItemIndex(0);
  const QString skin = ltbSkin->ItemIndex() >= 0 ? ltbSkin->Items()->Strings(ltbSkin->ItemIndex()) : "None";
  ApplySkin(skin);
  if (AppForms().Form1) AppForms().Form1->SkinName = skin;

  const int tasks = AppForms().StartForm ? AppForms().StartForm->ScheduledTaskCount() : 0;
  if (chkAutoExe->Checked() && tasks > 0) {
    if (!Autostart().RunValue(kScheduleRunValue))
      Autostart().SetRunValue(kScheduleRunValue, "\"" + Application().ExeName() + "\" -Schedule");
  } else if (Autostart().RunValue(kScheduleRunValue)) {
    Autostart().DeleteRunValue(kScheduleRunValue);
  }

  if (!ApplyBackground())
    MessageBox("Can not open the background image. Please click Option to check it out.", "Information",
               MB_OK | MB_ICONINFORMATION);
  SaveOptions();
  shown_values_.clear();
  Close();
}

void TOptionForm::btnCancelClick() { Close(); }

void TOptionForm::FillSkinList() {
  ltbSkin->Items()->Clear();
  ltbSkin->Items()->Add("None");
  // Only skins that load are offered: a file is named by all of its name
  // before ".mskn", the name the engine is given back.
  QDir dir(AppStrings().DataPath("Skins"));
  const QFileInfoList files = dir.entryInfoList({"*.mskn"}, QDir::Files, QDir::Name | QDir::IgnoreCase);
  for (const QFileInfo& file : files) {
    if (!file.fileName().endsWith(".mskn")) continue;
    const QString name = file.fileName().chopped(5);
    if (name.isEmpty() || name.compare("None", Qt::CaseInsensitive) == 0) continue;
    if (!SkinFileLoads(file.filePath().toStdString())) continue;
    ltbSkin->Items()->Add(name);
  }
  const QString current = AppForms().Form1 ? AppForms().Form1->SkinName : QString("None");
  int index = -1;
  for (int i = 0; i < ltbSkin->Items()->Count(); ++i)
    if (ltbSkin->Items()->Strings(i) == current) index = i;
  ltbSkin->SetItemIndex(index < 0 ? 0 : index);
  if (ltbSkin->CanFocus()) ltbSkin->SetFocus();
}

void TOptionForm::tsBurningShow() {
  TForm1* main = AppForms().Form1;
  const TProgramOptions& o = ProgramOptions();
  cQuickSaveISO->SetChecked(o.QuickSaveISO);
  cArchiveOnly->SetChecked(o.ArchiveOnly);
  // The edit keeps a number the user typed and has not confirmed yet only
  // while it says the same thing.
  if (SessionNumber(eSession->Text()).value_or(0) != o.ImportSessionNo || o.ImportSessionNo != 0)
    eSession->SetText(QString::number(o.ImportSessionNo));
  if (!main) return;
  TQCDBurner& r = main->qcdb();
  cJoliet->SetChecked(r.JolietFileSystem());
  cCloseDisc->SetChecked(r.FinalizeDisc());
  cTestWrite->SetChecked(r.TestWrite());
  cOPC->SetChecked(r.PerformOPC());
  cBootable->SetChecked(r.Bootable);
  labBootImage->SetCaption(QString::fromStdString(r.BootImage));
  cUnderrunProtection->SetChecked(r.UnderrunProtection());
  cUnderrunProtection->SetEnabled((r.Capabilities & capUnderrunProtection) != 0);
}

void TOptionForm::ShowFromMain() {
  if (TForm1* main = AppForms().Form1) cCloseDisc->SetChecked(main->qcdb().FinalizeDisc());
  if (TBurningForm* burn = AppForms().BurningForm) {
    cTestWrite->SetChecked(burn->cTestWrite->Checked());
    chkEjectDone->SetChecked(burn->cEject->Checked());
    cBootable->SetChecked(burn->cBootable->Checked());
    cShowFiles->SetChecked(burn->cShowFiles->Checked());
  }
  Show();
  pgcOption->SetActivePageIndex(0);
}

void TOptionForm::SetWindowsEnabled(bool enabled) {
  const TAppForms& forms = AppForms();
  for (TForm* form : std::initializer_list<TForm*>{forms.StartForm, forms.Form1, forms.AudioForm, forms.ScheduleForm})
    if (form) form->SetEnabled(enabled);
}

void TOptionForm::DoShow() {
  shown_values_.clear();
  for (const TOptionKey& key : keys_) shown_values_.push_back(key.Get());
  SetWindowsEnabled(false);
  FillSkinList();
  TForm::DoShow();
}

void TOptionForm::DoClose(TCloseAction& action) {
  // Closing without OK puts back every value the window showed when it
  // opened: the controls are the program's live preferences.
  if (shown_values_.size() == keys_.size())
    for (std::size_t i = 0; i < keys_.size(); ++i) keys_[i].Set(shown_values_[i]);
  shown_values_.clear();
  btnStop->Click();
  SetWindowsEnabled(true);
  TForm::DoClose(action);
}

TOptionForm::TSoundRow* TOptionForm::RowOf(int index) {
  TSoundRow* rows[] = {&Burning, &Erasing, &Copy, &ISO, &ScheduleStart, &ScheduleDone};
  return index >= 0 && index < 6 ? rows[index] : nullptr;
}

void TOptionForm::PlayTest() {
  if (Sounds().Playing()) Sounds().Stop();
  paused_file_.clear();
  TSoundRow* row = RowOf(cmbSound->ItemIndex());
  if (!row || !row->Custom->Checked()) return;
  const QString file = row->File->Text();
  if (!QFileInfo(file).isFile() || !Sounds().Play(file)) {
    MessageBox("Can not play the sound file. Please make sure the file is correct.", "Information",
               MB_OK | MB_ICONINFORMATION);
    return;
  }
  paused_file_ = file;
}

TDriverOptions TOptionForm::DriverOptions() const {
  TDriverOptions o;
  const TProgramOptions& p = ProgramOptions();
  o.CloseDisc = cCloseDisc->Checked();
  o.EjectDone = chkEjectDone->Checked();
  o.ExitWhenDone = chkExit->Checked();
  o.PowerOffWhenDone = chkClose->Checked();
  o.ArchiveOnly = p.ArchiveOnly;
  o.ShowFiles = p.ShowFiles;
  o.QuickSaveISO = p.QuickSaveISO;
  o.ScheduleLog = chkLog->Checked();
  o.ImportSessionNo = p.ImportSessionNo;
  auto sound = [](const TSoundRow& row) {
    return TCompletionSound{row.Check->Checked(), !row.Custom->Checked(), row.File->Text()};
  };
  o.BurnDone = sound(Burning);
  o.EraseDone = sound(Erasing);
  o.CopyDone = sound(Copy);
  o.ISODone = sound(ISO);
  o.ScheduleDone = sound(ScheduleDone);
  return o;
}

TScheduleOptions TOptionForm::ScheduleOptions() const {
  TScheduleOptions o;
  o.Inform = chkInform->Checked();
  o.Drive = cmbDrive->Text();
  o.QueryNotReady = rdbQuery->Checked();
  o.EjectNoDisc = chkEjectNoDisc->Checked();
  o.ShowBurningWindow = rdbShow->Checked();
  o.Log = chkLog->Checked();
  o.AutoExecute = chkAutoExe->Checked();
  o.StartSound = {ScheduleStart.Check->Checked(), !ScheduleStart.Custom->Checked(), ScheduleStart.File->Text()};
  o.CloseDisc = cCloseDisc->Checked();
  o.TestWrite = cTestWrite->Checked();
  o.EjectDone = chkEjectDone->Checked();
  o.Bootable = cBootable->Checked();
  o.ShowFiles = cShowFiles->Checked();
  return o;
}

TOptionForm* CreateOptionForm() {
  auto* form = Create<TOptionForm>(nullptr);
  AppForms().OptionForm = form;
  form->LoadOptions();
  if (TForm1* main = AppForms().Form1) {
    main->ReadOptions = [form] { return form->DriverOptions(); };
    main->ShowOptions = [form] { form->ShowFromMain(); };
  }
  if (TScheduleForm* schedule = AppForms().ScheduleForm) {
    schedule->ReadOptions = [form] { return form->ScheduleOptions(); };
    // As the main window's Options, then on the schedule page.
    schedule->ShowScheduleOptions = [form] {
      form->ShowFromMain();
      form->pgcOption->SetActivePageIndex(2);
    };
  }
  return form;
}
