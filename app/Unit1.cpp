#include "app/Unit1.h"

#include <QDate>
#include <QFile>

#include "app/AppGlobals.h"
#include "app/start.h"
#include "platform/core/Exceptions.h"
#include "platform/core/AtomicFile.h"
#include "platform/gui/Application.h"
#include "platform/gui/Bitmap.h"
#include "skin/se_engine.h"
#include "platform/gui/Buttons.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/ListView.h"
#include "platform/gui/Menus.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/Timer.h"
#include "platform/gui/TreeView.h"
#include "recorder/xrCDBC.h"
#include "shell/EwFileExplorer28List.h"
#include "shell/EwFileExplorer28Tree.h"
#include "shell/xrExDD.h"

namespace {

constexpr int kScaleWidth = 969;
constexpr int kScaleHeight = 25;
constexpr int kScaleMegabytes = 5250;

const QString kSaveQuestion = QStringLiteral("The task has been changed, save it?");

TSpeedButton* ToolButton(TWinControl* bar, const QString& caption, const QString& hint, int& x, int width = 46) {
  auto* button = Create<TSpeedButton>(bar->Owner());
  button->SetParent(bar);
  button->SetBounds(x, 2, width, 26);
  button->SetCaption(caption);
  button->SetHint(hint);
  button->SetFlat(true);
  x += width + 2;
  return button;
}

TPanel* ToolBar(TWinControl* parent, int left, int width) {
  auto* bar = Create<TPanel>(parent->Owner() ? parent->Owner() : parent);
  bar->SetParent(parent);
  bar->SetBounds(left, 0, width, 30);
  bar->SetBevelOuter(bvNone);
  return bar;
}

// The scale under the capacity bar: a tick and a label for the sizes of the
// common discs, on 969 pixels for 5250 MB.
void DrawCapacityScale(TBitmap& bitmap) {
  bitmap.SetSize(kScaleWidth, kScaleHeight);
  TCanvas& canvas = bitmap.Canvas();
  canvas.Brush().SetColor(clWhite);
  canvas.FillRect(TRect{0, 0, kScaleWidth, kScaleHeight});
  canvas.Pen().SetColor(clGray);
  canvas.Font().SetSize(7);
  struct Mark {
    int megabytes;
    const char* label;
  } const marks[] = {{650, "650MB"}, {700, "700MB"}, {1400, "1.4GB"}, {4482, "4.7GB"}};
  for (int mb = 0; mb <= kScaleMegabytes; mb += 250) {
    const int x = mb * kScaleWidth / kScaleMegabytes;
    canvas.MoveTo(x, kScaleHeight - 5);
    canvas.LineTo(x, kScaleHeight);
  }
  canvas.Pen().SetColor(clRed);
  for (const Mark& mark : marks) {
    const int x = mark.megabytes * kScaleWidth / kScaleMegabytes;
    canvas.MoveTo(x, 0);
    canvas.LineTo(x, kScaleHeight);
    // 650 MB and 700 MB sit close: the first label goes left of its line.
    const bool left = mark.megabytes == 650;
    canvas.TextOut(left ? x - 2 - canvas.TextWidth(mark.label) : x + 2, 1, mark.label);
  }
}

}  // namespace

TForm1::TForm1(TComponent* owner) : TForm(owner), qcdb_(std::make_unique<TQCDBurner>()) {}

TForm1::~TForm1() = default;

void TForm1::DoCreate() {
  // The program's one skin engine: every skinned window and control
  // follows it, and the options load a skin into it.
  if (!SeSkinEngine1) SeSkinEngine1 = Create<TSeSkinEngine>(this);
  BuildLayout();
  const TAppStrings& s = AppStrings();
  SetCaption(s.ProductName + " V" + s.ProductVersion);
  Modified = false;
  InitializeDrives();
  TForm::DoCreate();
}

void TForm1::BuildLayout() {
  SetBounds(0, 0, 1000, 680);
  SetPosition(poScreenCenter);
  BuildToolBars();
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

void TForm1::BuildToolBars() {
  auto* top = Create<TPanel>(this);
  top->SetParent(this);
  top->SetAlign(alTop);
  top->SetHeight(30);
  top->SetBevelOuter(bvNone);

  int x = 0;
  tbFile = ToolBar(top, 0, 6 * 48);
  btnNew = ToolButton(tbFile, "New", "Creates a new task", x);
  btnOpen = ToolButton(tbFile, "Open", "Opens an existing task", x);
  btnSave = ToolButton(tbFile, "Save", "Saves current task", x);
  btnCut = ToolButton(tbFile, "Cut", "Cut", x);
  btnCopy = ToolButton(tbFile, "Copy", "Copy", x);
  btnPaste = ToolButton(tbFile, "Paste", "Paste", x);
  btnNew->OnClick = [this](TControl* c) { btnNewClick(c); };
  btnOpen->OnClick = [this](TControl* c) { btnOpenClick(c); };
  btnSave->OnClick = [this](TControl* c) { btnSaveClick(c); };
  btnCut->OnClick = [this](TControl* c) { btnCutClick(c); };
  btnCopy->OnClick = [this](TControl* c) { btnCopyClick(c); };
  btnPaste->OnClick = [this](TControl* c) { btnPasteClick(c); };

  tbDrive = ToolBar(top, tbFile->Left() + tbFile->Width(), 500);
  lDrive = Create<TLabel>(this);
  lDrive->SetParent(tbDrive);
  lDrive->SetBounds(4, 8, 56, 16);
  lDrive->SetCaption("Drive:");
  cbDrives = Create<TComboBox>(this);
  cbDrives->SetParent(tbDrive);
  cbDrives->SetBounds(60, 4, 236, 22);
  cbDrives->SetStyle(csDropDownList);
  cbDrives->SetDropDownCount(8);
  cbDrives->SetHint("Selects a CD \\ DVD drive");
  cbDrives->OnChange = [this](TControl* c) { cbDrivesChange(c); };
  x = 300;
  bEject = ToolButton(tbDrive, "Eject", "Ejects the disc", x);
  bCaps = ToolButton(tbDrive, "Drive", "Displays the information of the drive", x);
  bDisc = ToolButton(tbDrive, "Disc", "Displays the information of the disc", x);
  bAdvance = ToolButton(tbDrive, "Options", "Options", x, 50);
  bEject->OnClick = [this](TControl* c) { bEjectClick(c); };
  bAdvance->OnClick = [this](TControl*) {
    if (ShowOptions) ShowOptions();
  };

  x = 0;
  tbBurn = ToolBar(top, tbDrive->Left() + tbDrive->Width(), 3 * 50);
  bBurn = ToolButton(tbBurn, "Burn", "Burns the current task", x);
  btnClone = ToolButton(tbBurn, "Copy", "Creates a copy of CD \\ DVD", x);
  btnErase = ToolButton(tbBurn, "Erase", "Erases a CD \\ DVD", x);
  bBurn->OnClick = [this](TControl* c) { bBurnClick(c); };
  x = 0;
  tbISO = ToolBar(top, tbDrive->Left() + tbDrive->Width(), 2 * 72);
  btnBurnISO = ToolButton(tbISO, "Burn ISO", "Burns ISO", x, 70);
  btnBuildISO = ToolButton(tbISO, "Build ISO", "Builds ISO", x, 70);
  tbISO->Hide();
  x = 0;
  tbHelp = ToolBar(top, tbBurn->Left() + tbBurn->Width(), 48);
  btnHelp = ToolButton(tbHelp, "Help", "Help", x);
  btnHelp->OnClick = [](TControl*) { OpenHelpFile(); };
}

void TForm1::BuildEditor() {
  auto* bottom = Create<TPanel>(this);
  bottom->SetParent(this);
  bottom->SetAlign(alBottom);
  bottom->SetHeight(kScaleHeight + 4);
  bottom->SetBevelOuter(bvNone);
  Image3 = Create<TImage>(this);
  Image3->SetParent(bottom);
  Image3->SetBounds(2, 2, kScaleWidth, kScaleHeight);
  DrawCapacityScale(Image3->Picture()->Bitmap());
  ProgressBar1 = Create<TProgressBar>(this);
  ProgressBar1->SetParent(bottom);
  ProgressBar1->SetBounds(2, 2 + kScaleHeight - 8, 0, 8);
  ProgressBar1->SetMax(1);
  ProgressBar1->SetPosition(1);
  ProgressBar1->SetHint("0 MB");

  auto* left = Create<TPanel>(this);
  left->SetParent(this);
  left->SetAlign(alLeft);
  left->SetWidth(480);
  left->SetBevelOuter(bvNone);
  auto* caption = Create<TLabel>(this);
  caption->SetParent(left);
  caption->SetAlign(alTop);
  caption->SetCaption("Destination Disc");

  trvDir = Create<TTreeView>(this);
  trvDir->SetParent(left);
  trvDir->SetAlign(alTop);
  trvDir->SetHeight(230);
  trvDir->SetReadOnly(false);
  trvDir->SetRightClickSelect(true);
  trvDir->SetHideSelection(false);
  trv2 = Create<TTreeView>(this);
  trv2->SetParent(left);
  trv2->Hide();
  clbox = Create<TListView>(this);
  clbox->SetParent(left);
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
  editor_->SizeOf = [this](const QString& path, bool folder) {
    return qcdb_->GetFolderSize(path.toStdString() + (folder ? "/" : ""));
  };
  editor_->OnChanged = [this] {
    UpdateCapacityBar();
    Modified = true;
  };
  trvDir->OnChange = [this](TControl*, TTreeNode*) { editor_->FillFileList(); };
  trvDir->OnEdited = [this](TControl*, TTreeNode* node, QString& text) { editor_->RenameFolder(node, text); };
  clbox->OnEditing = [](TControl*, TListItem*, bool& allow) { allow = false; };
  clbox->OnKeyDown = [this](TControl*, int& key, TShiftState) {
    if (key == Qt::Key_Delete) RemoveEntriesClick();
  };
  drop_ = Create<TExDragDrop>(this);
  drop_->SetControl(clbox);
  drop_->OnDropped = [this](TComponent*, int) { AddSources(drop_->Items()); };
}

void TForm1::BuildExplorer() {
  auto* right = Create<TPanel>(this);
  right->SetParent(this);
  right->SetAlign(alClient);
  right->SetBevelOuter(bvNone);
  Dirlist = Create<TEwDirTree21>(this);
  Dirlist->SetParent(right);
  Dirlist->SetAlign(alTop);
  Dirlist->SetHeight(250);
  lbFiles = Create<TEwFilelistView28>(this);
  lbFiles->SetParent(right);
  lbFiles->SetAlign(alClient);
  Dirlist->SetFileList(lbFiles);
  lbFiles->SetMask("*.*");
}

void TForm1::BuildPopups() {
  auto item = [this](TPopupMenu* menu, const QString& caption, std::function<void()> action) {
    auto* it = Create<TMenuItem>(this);
    it->SetCaption(caption);
    it->OnClick = [action](TComponent*) { action(); };
    menu->Items()->Add(it);
  };
  PopupMenu1 = Create<TPopupMenu>(this);
  item(PopupMenu1, "&Create Folder", [this] { CreateFolderClick(); });
  item(PopupMenu1, "&Remove Folder", [this] { RemoveFolderClick(); });
  item(PopupMenu1, "Remove &All", [this] { btnNewClick(); });
  trvDir->SetPopupMenu(PopupMenu1);
  PopupMenu2 = Create<TPopupMenu>(this);
  item(PopupMenu2, "&Remove", [this] { RemoveEntriesClick(); });
  item(PopupMenu2, "Remove &All", [this] { RemoveAllEntriesClick(); });
  clbox->SetPopupMenu(PopupMenu2);
}

// --- Editor commands

void TForm1::UpdateCapacityBar() {
  const TCapacityBar bar = CapacityBarFor(CompilationSize());
  ProgressBar1->SetWidth(static_cast<int>(bar.Width));
  ProgressBar1->SetHint(QString::fromStdString(bar.Hint));
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
