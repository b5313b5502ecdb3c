#include "app/Unit1.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <chrono>
#include <future>

#include "app/About.h"
#include "app/AppGlobals.h"
#include "app/SkinnedExplorer.h"
#include "app/SkinnedScale.h"
#include "app/ToolButtons.h"
#include "app/start.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/Exceptions.h"
#include "platform/gui/Application.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Buttons.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/ListView.h"
#include "platform/gui/Menus.h"
#include "platform/gui/Shell.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/Timer.h"
#include "platform/gui/TreeView.h"
#include "recorder/xrCDBC.h"
#include "shell/EwFileExplorer28List.h"
#include "shell/EwFileExplorer28Tree.h"
#include "shell/xrExDD.h"
#include "skin/se_binding_bars.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_binding_lists.h"
#include "skin/se_binding_views.h"
#include "skin/se_engine.h"
#include "skin/se_skinform.h"
#include "skin/se_skinhints.h"
#include "skin/se_skinmenus.h"

namespace {

constexpr int kScaleWidth = 969;
constexpr int kScaleHeight = 25;
constexpr int kScaleMegabytes = 5250;

const QString kSaveQuestion = QStringLiteral("The task has been changed, save it?");

// A skinned control placed before it joins its parent: a tool bar lines its
// children up by their places, so each must arrive at its own.
template <class T>
T* Skinned(TForm1* form, TWinControl* parent, const TRect& bounds = {}) {
  auto* control = Create<T>(form);
  if (!bounds.IsEmpty()) control->SetBoundsRect(bounds);
  control->SetParent(parent);
  control->SetSkinEngine(form->SeSkinEngine1);
  return control;
}

// A bar of the tool-bar row; its buttons keep their own widths.
TSeSkinToolBar* ToolBar(TForm1* form, TWinControl* row, int left, int width) {
  auto* bar = Skinned<TSeSkinToolBar>(form, row, Bounds(left, 0, width, kToolButtonHeight));
  bar->SetButtonAutoSize(false);
  bar->SetBorderWidth(0);
  return bar;
}

TSeSkinItem* MenuEntry(TSeCustomItem* parent, const QString& caption, std::function<void()> action = {},
                       TShortCut shortcut = 0) {
  auto* item = new TSeSkinItem(nullptr);
  item->SetCaption(caption);
  item->SetShortCut(shortcut);
  if (action) item->OnClick = [action = std::move(action)](TComponent*) { action(); };
  parent->Add(item);
  return item;
}

// The scale under the capacity bar: a tick every 250 MB and a labelled
// line for the sizes of the common discs, on 969 pixels for 5250 MB.
TScaleDrawing CapacityScale() {
  TScaleDrawing scale{kScaleWidth, kScaleHeight, {}, {}};
  const auto at = [](int megabytes) { return megabytes * kScaleWidth / kScaleMegabytes; };
  for (int mb = 0; mb <= kScaleMegabytes; mb += 250) scale.Ticks.push_back(at(mb));
  // 650 MB and 700 MB sit close: the first label goes left of its line.
  scale.Marks = {{at(650), "650MB", true}, {at(700), "700MB"}, {at(1400), "1.4GB"}, {at(4482), "4.7GB"}};
  return scale;
}

// A borderless holder that takes the form's colour, so a skin's client
// colour shows through.
TPanel* Holder(TForm1* form, TWinControl* parent, TAlign align, int size) {
  auto* panel = Create<TPanel>(form);
  panel->SetParent(parent);
  panel->SetAlign(align);
  if (align == alLeft || align == alRight) panel->SetWidth(size);
  if (align == alTop || align == alBottom) panel->SetHeight(size);
  panel->SetBevelOuter(bvNone);
  panel->SetParentColor(true);
  return panel;
}

}  // namespace

TForm1::TForm1(TComponent* owner) : TForm(owner), qcdb_(std::make_unique<TQCDBurner>()) {}

TForm1::~TForm1() {
  // The windows this form owns go after this destructor, when only the
  // base form is left: those that look for the main window as they go must
  // find none.
  if (AppForms().Form1 == this) AppForms().Form1 = nullptr;
}

void TForm1::DoCreate() {
  // The program's one skin engine: every skinned window and control
  // follows it, and the options load a skin into it.
  if (!SeSkinEngine1) SeSkinEngine1 = Create<TSeSkinEngine>(this);
  SeSkinForm1 = Create<TSeSkinForm>(this);
  SeSkinForm1->SetBorderIcons(kbiClose | kbiSystemMenu | kbiMinimize | kbiMaximize);
  SeSkinForm1->SetSkinObject("Form");
  SeSkinForm1->SetSkinEngine(SeSkinEngine1);
  SeSkinHint1 = Create<TSeSkinHint>(this);
  SeSkinHint1->SetSkinEngine(SeSkinEngine1);
  BuildLayout();
  const TAppStrings& s = AppStrings();
  SetCaption(s.ProductName + " V" + s.ProductVersion);
  SeSkinForm1->SetCaption(Caption());
  Modified = false;
  InitializeDrives();
  TForm::DoCreate();
}

void TForm1::BuildLayout() {
  SetBounds(0, 0, 1000, 700);
  SetPosition(poScreenCenter);
  BuildMenu();
  BuildToolBars();
  BuildStatusBar();
  BuildEditor();
  BuildExplorer();
  BuildPopups();
  OpenDialog1 = Create<TOpenDialog>(this);
  OpenDialog1->Filter = "Data Task File (*.tsk)|*.tsk";
  SaveDialog1 = Create<TSaveDialog>(this);
  SaveDialog1->Filter = "Orvane CD DVD Burner Task File (*.tsk)|*.tsk";
  SaveDialog1->DefaultExt = "tsk";
  Timer1 = Create<TTimer>(this);
  Timer1->SetEnabled(false);
  Timer1->SetInterval(1000);
  Timer1->OnTimer = [this](TTimer* t) { Timer1Timer(t); };
}

void TForm1::BuildMenu() {
  SeSkinMenuBar1 = Create<TSeSkinMenuBar>(this);
  SeSkinMenuBar1->SetParent(this);
  SeSkinMenuBar1->SetAlign(alTop);
  SeSkinMenuBar1->SetHeight(22);
  TSeCustomItem* root = SeSkinMenuBar1->Items();
  TSeSkinItem* task = MenuEntry(root, "&Task");
  MenuEntry(task, "&New", [this] { btnNewClick(); }, ShortCut('N', ssCtrl));
  MenuEntry(task, "&Open", [this] { btnOpenClick(); }, ShortCut('O', ssCtrl));
  MenuEntry(task, "&Save", [this] { btnSaveClick(); }, ShortCut('S', ssCtrl));
  TSeSkinItem* edit = MenuEntry(root, "&Edit");
  MenuEntry(edit, "&Cut", [this] { btnCutClick(); });
  MenuEntry(edit, "C&opy", [this] { btnCopyClick(); });
  MenuEntry(edit, "Pa&ste", [this] { btnPasteClick(); });
  MenuEntry(edit, "-");
  MenuEntry(edit, "&Remove (Name List Item)", [this] { RemoveEntriesClick(); });
  MenuEntry(edit, "Remover &All (Name List Items)", [this] { RemoveAllEntriesClick(); });
  // The drive and disc windows bind their buttons; the items click them.
  TSeSkinItem* disc = MenuEntry(root, "D&isc");
  MenuEntry(disc, "D&river Information", [this] { bCaps->Click(); });
  MenuEntry(disc, "D&isk Information", [this] { bDisc->Click(); });
  TSeSkinItem* tools = MenuEntry(root, "Too&ls");
  MenuEntry(tools, "&Check the latest version", [this] { CheckLatestVersionClick(); });
  TSeSkinItem* help = MenuEntry(root, "&Help");
  MenuEntry(help, "Co&ntent", [this] { btnHelpClick(); }, ShortCut(VK_F1, {}));
  TSeSkinItem* contact = MenuEntry(help, "Con&tact Us");
  const auto mail = [](QString TAppStrings::*address) {
    return [address] { Shell().Open("mailto:" + AppStrings().*address); };
  };
  MenuEntry(contact, "Te&chnical Support", mail(&TAppStrings::ContactMail));
  MenuEntry(contact, "Sa&le Support", mail(&TAppStrings::SalesMail));
  MenuEntry(contact, "&Report Bug", mail(&TAppStrings::BugReportMail));
  MenuEntry(help, "O&ur Homepage", [] { Shell().Open(AppStrings().ProductURL); });
  MenuEntry(help, "-");
  MenuEntry(help, "&About", [this] { btnAboutClick(); });
  SeSkinMenuBar1->SetSkinEngine(SeSkinEngine1);
  SeSkinForm1->SetMenuBar(SeSkinMenuBar1);
}

TSeSkinItem* TForm1::MenuItem(const QString& path) const {
  TSeCustomItem* item = SeSkinMenuBar1->Items();
  for (const QString& caption : path.split('/')) {
    TSeCustomItem* found = nullptr;
    for (int i = 0; item && i < item->Count() && !found; ++i)
      if (item->Items(i)->Caption() == caption) found = item->Items(i);
    item = found;
  }
  return dynamic_cast<TSeSkinItem*>(item);
}

void TForm1::BuildToolBars() {
  tbTools = Skinned<TSeSkinToolBar>(this, this);
  tbTools->SetAlign(alTop);
  tbTools->SetButtonAutoSize(false);
  tbTools->SetHeight(kToolButtonHeight + 4);

  // The buttons are as narrow as their captions allow, so the row fits the
  // window with the whole drive box.
  constexpr int kButton = kToolButtonWidth, kFileButton = 38, kIsoButton = 60, kDivider = 8;
  constexpr int kDriveLabel = 52, kDriveCombo = kDriveComboWidth;
  tbFile = ToolBar(this, tbTools, 0, 6 * kFileButton + kDivider);
  TToolRow row{this, tbFile, SeSkinEngine1};
  btnNew = AddToolButton(row, "New", "Creates a new task", TToolGlyph::New, kFileButton);
  btnOpen = AddToolButton(row, "Open", "Opens an existing task", TToolGlyph::Open, kFileButton);
  btnSave = AddToolButton(row, "Save", "Saves current task", TToolGlyph::Save, kFileButton);
  AddToolDivider(row, kDivider);
  btnCut = AddToolButton(row, "Cut", "Cut", TToolGlyph::Cut, kFileButton);
  btnCopy = AddToolButton(row, "Copy", "Copy", TToolGlyph::Copy, kFileButton);
  btnPaste = AddToolButton(row, "Paste", "Paste", TToolGlyph::Paste, kFileButton);
  btnNew->OnClick = [this](TControl* c) { btnNewClick(c); };
  btnOpen->OnClick = [this](TControl* c) { btnOpenClick(c); };
  btnSave->OnClick = [this](TControl* c) { btnSaveClick(c); };
  btnCut->OnClick = [this](TControl* c) { btnCutClick(c); };
  btnCopy->OnClick = [this](TControl* c) { btnCopyClick(c); };
  btnPaste->OnClick = [this](TControl* c) { btnPasteClick(c); };

  // A gap after the combo, so its button does not touch the first tool.
  constexpr int kDriveHolder = kDriveLabel + 2 + kDriveCombo + 6;
  tbDrive = ToolBar(this, tbTools, tbFile->Left() + tbFile->Width(), kDivider + kDriveHolder + 4 * kButton + 8);
  row = {this, tbDrive, SeSkinEngine1};
  AddToolDivider(row, kDivider);
  TSeSpeedContainer* drive = AddToolHolder(row, kDriveHolder);
  lDrive = Skinned<TSeSkinLabel>(this, drive, Bounds(0, 0, kDriveLabel, kToolButtonHeight));
  lDrive->SetAutoSize(false);
  lDrive->SetLayout(tlCenter);
  lDrive->SetAlignment(taRightJustify);
  lDrive->SetCaption("Drive:");
  cbDrives = Skinned<TSeSkinComboBox>(this, drive,
                                      Bounds(kDriveLabel + 2, kToolComboTop, kDriveCombo, kToolComboHeight));
  cbDrives->SetComboStyle(kcsDropDownList);
  cbDrives->SetDropDownCount(8);
  cbDrives->SetHint("Selects a CD \\ DVD drive");
  cbDrives->SetShowHint(true);
  cbDrives->OnChange = [this](TControl* c) { cbDrivesChange(c); };
  bEject = AddToolButton(row, "Eject", "Ejects the disc", TToolGlyph::Eject, kButton);
  bCaps = AddToolButton(row, "Drive", "Displays the information of the drive", TToolGlyph::Drive, kButton);
  bDisc = AddToolButton(row, "Disc", "Displays the information of the disc", TToolGlyph::Disc, kButton);
  bAdvance = AddToolButton(row, "Options", "Options", TToolGlyph::Options, kButton + 8);
  bEject->OnClick = [this](TControl* c) { bEjectClick(c); };
  bAdvance->OnClick = [this](TControl*) {
    if (ShowOptions) ShowOptions();
  };

  tbBurn = ToolBar(this, tbTools, tbDrive->Left() + tbDrive->Width(), kDivider + 3 * kButton);
  row = {this, tbBurn, SeSkinEngine1};
  AddToolDivider(row, kDivider);
  bBurn = AddToolButton(row, "Burn", "Burns the current task", TToolGlyph::Burn, kButton);
  btnClone = AddToolButton(row, "Copy", "Creates a copy of CD \\ DVD", TToolGlyph::CopyDisc, kButton);
  btnErase = AddToolButton(row, "Erase", "Erases a CD \\ DVD", TToolGlyph::Erase, kButton);
  bBurn->OnClick = [this](TControl* c) { bBurnClick(c); };
  tbISO = ToolBar(this, tbTools, tbDrive->Left() + tbDrive->Width(), kDivider + 2 * kIsoButton);
  row = {this, tbISO, SeSkinEngine1};
  AddToolDivider(row, kDivider);
  btnBurnISO = AddToolButton(row, "Burn ISO", "Burns ISO", TToolGlyph::BurnIso, kIsoButton);
  btnBuildISO = AddToolButton(row, "Build ISO", "Builds ISO", TToolGlyph::BuildIso, kIsoButton);
  tbISO->Hide();
  tbHelp = ToolBar(this, tbTools, tbBurn->Left() + tbBurn->Width(), kDivider + 2 * kButton);
  row = {this, tbHelp, SeSkinEngine1};
  AddToolDivider(row, kDivider);
  btnAbout = AddToolButton(row, "About", "About", TToolGlyph::About, kButton);
  btnHelp = AddToolButton(row, "Help", "Help", TToolGlyph::Help, kButton);
  btnAbout->OnClick = [this](TControl* c) { btnAboutClick(c); };
  btnHelp->OnClick = [this](TControl* c) { btnHelpClick(c); };
}

void TForm1::BuildStatusBar() {
  StatusBar1 = Skinned<TSeSkinStatusBar>(this, this);
  StatusBar1->SetAlign(alBottom);
  StatusBar1->SetHeight(20);
  TSeStatusPanel* size = StatusBar1->Panels()->Add();
  size->SetText("0 MB");
  size->SetWidth(110);
  StatusBar1->Panels()->Add();  // what the window is busy with
}

void TForm1::BuildEditor() {
  TPanel* bottom = Holder(this, this, alBottom, kScaleHeight + 4);
  Image3 = Create<TImage>(this);
  Image3->SetParent(bottom);
  Image3->SetBounds(2, 2, kScaleWidth, kScaleHeight);
  ShowSkinnedScale(Image3, SeSkinEngine1, CapacityScale());
  ProgressBar1 = Skinned<TSeSkinProgressBar>(this, bottom);
  ProgressBar1->SetBounds(2, 2 + kScaleHeight - 9, 0, 9);
  ProgressBar1->SetMax(1);
  ProgressBar1->SetPosition(1);
  ProgressBar1->SetHint("0 MB");
  ProgressBar1->SetShowHint(true);

  TPanel* left = Holder(this, this, alLeft, 480);
  labDestination = Skinned<TSeSkinLabel>(this, left);
  labDestination->SetAutoSize(false);
  labDestination->SetAlign(alTop);
  labDestination->SetHeight(20);
  labDestination->SetLayout(tlCenter);
  labDestination->SetCaption(" Destination Disc");

  trvDir = Skinned<TSeSkinSTreeView>(this, left);
  trvDir->SetAlign(alTop);
  trvDir->SetHeight(230);
  trvDir->SetReadOnly(false);
  trvDir->SetRightClickSelect(true);
  trvDir->SetHideSelection(false);
  trv2 = Skinned<TSeSkinSTreeView>(this, left);
  trv2->Hide();
  clbox = Skinned<TSeSkinSListView>(this, left);
  clbox->SetAlign(alClient);
  clbox->SetViewStyle(vsReport);
  clbox->SetMultiSelect(true);
  clbox->SetReadOnly(true);
  clbox->SetGridLines(true);
  clbox->SetRowSelect(true);
  TListColumn* name = clbox->Columns()->Add();
  name->SetCaption("Name (Drop files and folders here)");
  name->SetWidth(356);
  TListColumn* size = clbox->Columns()->Add();
  size->SetCaption("Size (Byte)");
  size->SetWidth(100);
  size->SetAlignment(taRightJustify);

  editor_ = std::make_unique<TCompilationEditor>(trvDir, trv2, clbox);
  MeasureSource = [this](const QString& path, bool folder) {
    return qcdb_->GetFolderSize(path.toStdString() + (folder ? "/" : ""));
  };
  editor_->SizeOf = [this](const QString& path, bool folder) { return MeasureWhilePainting(path, folder); };
  editor_->OnChanged = [this] {
    UpdateCapacityBar();
    Modified = true;
  };
  trvDir->OnChange = [this](TControl*, TTreeNode*) { editor_->FillFileList(); };
  trvDir->OnEdited = [this](TControl*, TTreeNode* node, QString& text) { editor_->RenameFolder(node, text); };
  clbox->OnEditing = [](TControl*, TListItem*, bool& allow) { allow = false; };
  clbox->OnKeyDown = [this](TControl*, int& key, TShiftState) { clboxKeyDown(key); };
  drop_ = Create<TExDragDrop>(this);
  drop_->SetControl(clbox);
  drop_->OnDropped = [this](TComponent*, int) { AddSources(drop_->Items()); };
}

void TForm1::BuildExplorer() {
  TPanel* right = Holder(this, this, alClient, 0);
  Dirlist = Create<TEwDirTree21>(this);
  Dirlist->SetParent(right);
  Dirlist->SetAlign(alTop);
  Dirlist->SetHeight(250);
  lbFiles = Create<TEwFilelistView28>(this);
  lbFiles->SetParent(right);
  lbFiles->SetAlign(alClient);
  Dirlist->SetFileList(lbFiles);
  lbFiles->SetMask("*.*");
  SkinExplorer(Dirlist, lbFiles, SeSkinEngine1);
}

void TForm1::BuildPopups() {
  PopupMenu1 = Create<TSeSkinPopupMenu>(this);
  MenuEntry(PopupMenu1->Items(), "&Create Folder", [this] { CreateFolderClick(); });
  MenuEntry(PopupMenu1->Items(), "&Remove Folder", [this] { RemoveFolderClick(); });
  MenuEntry(PopupMenu1->Items(), "Remove &All", [this] { btnNewClick(); });
  PopupMenu1->SetSkinEngine(SeSkinEngine1);
  trvDir->SetPopupMenu(PopupMenu1);
  PopupMenu2 = Create<TSeSkinPopupMenu>(this);
  MenuEntry(PopupMenu2->Items(), "&Remove", [this] { RemoveEntriesClick(); });
  MenuEntry(PopupMenu2->Items(), "Remove &All", [this] { RemoveAllEntriesClick(); });
  PopupMenu2->SetSkinEngine(SeSkinEngine1);
  clbox->SetPopupMenu(PopupMenu2);
}

// --- Editor commands

void TForm1::UpdateCapacityBar() {
  const TCapacityBar bar = CapacityBarFor(CompilationSize());
  ProgressBar1->SetWidth(static_cast<int>(bar.Width));
  ProgressBar1->SetHint(QString::fromStdString(bar.Hint));
  StatusBar1->Panels()->Items(0)->SetText(ProgressBar1->Hint());
}

std::int64_t TForm1::MeasureWhilePainting(const QString& path, bool folder) {
  if (!folder) return MeasureSource(path, folder);
  auto measure = std::async(std::launch::async, [source = MeasureSource, path] { return source(path, true); });
  if (measure.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
    // A large folder: the window paints on, but takes no input that could
    // change the compilation under the add.
    TSeStatusPanel* activity = StatusBar1->Panels()->Items(1);
    activity->SetText("Adding " + QDir::toNativeSeparators(path) + " ...");
    while (measure.wait_for(std::chrono::milliseconds(30)) != std::future_status::ready)
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    activity->SetText(QString());
  }
  return measure.get();
}

std::int64_t TForm1::CompilationSize() const { return editor_->CompilationSize(); }

bool TForm1::QuerySave() {
  if (!Modified) return true;
  const int answer = MessageBox(kSaveQuestion, "Query", MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer == IDCANCEL) return false;
  if (answer == IDYES) return btnSaveClick();
  return true;
}

void TForm1::btnNewClick(TControl*) {
  if (!QuerySave()) return;
  FolderCounter = 0;
  const QDate today = QDate::currentDate();
  editor_->New(QString("My Disc %1_%2_%3").arg(today.month()).arg(today.day()).arg(today.year() % 100, 2, 10, QChar('0')));
  UpdateCapacityBar();
  Modified = false;
}

void TForm1::LoadTaskText(const std::string& text) {
  const TTaskNode root = ParseTaskText(text);
  editor_->Load(root);
  UpdateCapacityBar();
  Modified = false;
}

void TForm1::btnOpenClick(TControl*) {
  if (!QuerySave()) return;
  if (!OpenDialog1->Execute()) return;
  QFile file(OpenDialog1->FileName);
  if (!file.open(QIODevice::ReadOnly))
    throw EFOpenError("Cannot open file \"" + OpenDialog1->FileName.toStdString() + "\". " +
                      file.errorString().toStdString());
  const QByteArray text = file.readAll();
  if (text.trimmed().isEmpty()) return;
  LoadTaskText(text.toStdString());
}

bool TForm1::btnSaveClick(TControl*) {
  if (!SaveDialog1->Execute()) return false;
  const std::string line = SerializeTaskNode(editor_->Save()) + "\r\n";
  WriteFileAtomically(SaveDialog1->FileName.toStdString(), line);
  Modified = false;
  return true;
}

void TForm1::btnCutClick(TControl*) { editor_->Cut(); }
void TForm1::btnCopyClick(TControl*) { editor_->Copy(); }
void TForm1::btnPasteClick(TControl*) { editor_->Paste(); }
void TForm1::RemoveEntriesClick(TControl*) { editor_->RemoveSelectedEntries(); }
void TForm1::RemoveAllEntriesClick(TControl*) { editor_->RemoveAllEntries(); }

void TForm1::CreateFolderClick(TControl*) {
  if (editor_->CreateFolder("New_Folder_" + QString::number(FolderCounter))) ++FolderCounter;
}

void TForm1::RemoveFolderClick(TControl*) { editor_->RemoveSelectedFolder(); }

void TForm1::clboxKeyDown(int& key) {
  if (key == VK_DELETE) RemoveEntriesClick();
}

// --- Help menu, About and the version check

void TForm1::btnHelpClick(TControl*) { OpenHelpFile(); }
void TForm1::btnAboutClick(TControl*) { ShowAboutBox(); }
void TForm1::CheckLatestVersionClick() { CheckLatestVersion(kMenuCheckFailure); }

void TForm1::AddSources(const QStringList& paths) {
  if (paths.isEmpty()) return;
  editor_->AddSources(paths);
}

// --- Showing and closing

bool TForm1::CloseQuery() {
  if (!TForm::CloseQuery()) return false;
  if (IsClosed) return true;
  if (!QuerySave()) return false;
  Modified = false;
  return true;
}

void TForm1::DoClose(TCloseAction& action) {
  TForm::DoClose(action);
  IsClosed = true;
  if (AppForms().StartForm) AppForms().StartForm->Show();
}

void TForm1::DoShow() {
  IsClosed = false;
  TForm::DoShow();
}
