#include "app/Audio.h"

#include <taglib/audioproperties.h>
#include <taglib/fileref.h>

#include <QCoreApplication>
#include <QCursor>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QRegularExpression>
#include <QTreeView>
#include <cmath>

#include "app/About.h"
#include "app/AppGlobals.h"
#include "app/AudioBurning.h"
#include "app/Monkey.h"
#include "app/SkinnedExplorer.h"
#include "app/SkinnedScale.h"
#include "app/ToolButtons.h"
#include "app/Unit1.h"
#include "app/Unit1Views.h"
#include "app/schedule.h"
#include "app/start.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/AudioExchange.h"
#include "platform/core/DirEnum.h"
#include "platform/core/Exceptions.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Buttons.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/ListView.h"
#include "platform/gui/Menus.h"
#include "platform/gui/StdCtrls.h"
#include "recorder/xrCDBC.h"
#include "shell/BrowseDr.h"
#include "shell/EwFileExplorer28List.h"
#include "shell/EwFileExplorer28Tree.h"
#include "shell/xrExDD.h"
#include "skin/se_binding_bars.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_binding_lists.h"
#include "skin/se_binding_views.h"
#include "skin/se_skinform.h"
#include "skin/se_skinmenus.h"

namespace {

constexpr int kScaleWidth = 969;
constexpr int kScaleHeight = 25;
constexpr int kSecondsPerPixel = 6;
const QString kSaveQuestion = QStringLiteral("The task has been changed, save it?");
const QString kFolderMask = QStringLiteral("*.mp3;*.wav;*.wma;*.ape");

QString MinutesSeconds(int seconds) { return QString("%1:%2").arg(seconds / 60).arg(seconds % 60); }

// The time of the last INDEX line of a cue sheet, as "mm:ss" (three digits
// of minutes and more when the disc is that long); "" when none reads.
QString CueSheetLength(const QString& cue_path) {
  QFile file(cue_path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QStringList lines = QString::fromLocal8Bit(file.readAll()).split(QRegularExpression("\r\n|\r|\n"));
  static const QRegularExpression time("(\\d+):(\\d\\d)");
  for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
    if (!line->contains("index", Qt::CaseInsensitive)) continue;
    const QRegularExpressionMatch m = time.match(*line);
    if (!m.hasMatch()) return {};
    return QString("%1:%2").arg(m.captured(1).toInt(), 2, 10, QChar('0')).arg(m.captured(2));
  }
  return {};
}

// The scale under the playing-time bar: one pixel per six seconds, a tick
// every ten minutes, and the two common disc lengths in red.
TScaleDrawing TimeScale() {
  TScaleDrawing scale{kScaleWidth, kScaleHeight, {}, {}};
  for (int minutes = 0; minutes * 60 / kSecondsPerPixel < kScaleWidth; minutes += 10)
    scale.Ticks.push_back(minutes * 60 / kSecondsPerPixel);
  for (const int minutes : {74, 80})
    scale.Marks.push_back({minutes * 60 / kSecondsPerPixel, QString("%1 min").arg(minutes), minutes == 74});
  return scale;
}

TForm1* Main() { return AppForms().Form1; }

// The track list takes its own rows' drags in its view, where a file drag
// would otherwise end unaccepted: this filter, which runs before the
// list's own, hands files and folders to the drop target.
class FileDropForwarder final : public QObject {
 public:
  FileDropForwarder(TExDragDrop* target, QObject* parent) : QObject(parent), target_(target) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
      return QObject::eventFilter(watched, event);
    auto* drag = static_cast<QDropEvent*>(event);
    if (!TExDragDrop::AcceptsData(drag->mimeData())) return QObject::eventFilter(watched, event);
    drag->acceptProposedAction();
    if (type == QEvent::Drop) target_->HandleDropFiles(drag->mimeData());
    return true;
  }

 private:
  TExDragDrop* target_;
};

}  // namespace

QString AudioLengthText(const QString& path, TMonkey& monkey) {
  if (!QFileInfo(path).isFile()) return {};
  const QString ext = QFileInfo(path).suffix().toLower();
  if (ext == "wav" || ext == "mp3" || ext == "wma" || ext == "flac") {
    const TagLib::FileRef file(QFile::encodeName(path).constData(), true, TagLib::AudioProperties::Accurate);
    if (file.isNull() || !file.audioProperties()) return {};
    return MinutesSeconds(file.audioProperties()->lengthInMilliseconds() / 1000);
  }
  if (!monkey.ReadFromFile(QFile::encodeName(path).toStdString())) return {};
  if (monkey.IsValid()) return MinutesSeconds(static_cast<int>(std::nearbyint(monkey.GetDuration())));
  return CueSheetLength(path.left(path.size() - 4) + ".cue");
}

int LengthTextSeconds(const QString& text) {
  const int colon = text.indexOf(':');
  if (colon < 0) return 0;
  bool minutes_ok = false, seconds_ok = false;
  const int minutes = text.left(colon).toInt(&minutes_ok);
  const int seconds = text.mid(colon + 1).toInt(&seconds_ok);
  if (!minutes_ok || !seconds_ok || minutes < 0 || seconds < 0 || minutes > 100000) return 0;
  return minutes * 60 + seconds;
}

TAudioForm::TAudioForm(TComponent* owner) : TForm(owner) {}

TAudioForm::~TAudioForm() = default;

void TAudioForm::DoCreate() {
  BuildLayout();
  CopyDrives();
  Monkey = std::make_unique<TMonkey>();
  TForm::DoCreate();
}

void TAudioForm::BuildLayout() {
  SetBounds(0, 0, 1016, 680);
  SetPosition(poScreenCenter);
  SeSkinForm1 = Create<TSeSkinForm>(this);
  SeSkinForm1->SetBorderIcons(kbiClose | kbiSystemMenu | kbiMinimize | kbiMaximize);
  SeSkinForm1->SetSkinEngine(AppSkinEngine());
  const TAppStrings& s = AppStrings();
  SetTitle(s.ProductName + " V" + s.ProductVersion + " - Burn Audio CD");
  BuildToolBar();

  auto* bottom = Create<TPanel>(this);
  bottom->SetParent(this);
  bottom->SetAlign(alBottom);
  bottom->SetHeight(kScaleHeight + 4);
  bottom->SetBevelOuter(bvNone);
  Image3 = Create<TImage>(this);
  Image3->SetParent(bottom);
  Image3->SetBounds(2, 2, kScaleWidth, kScaleHeight);
  ShowSkinnedScale(Image3, AppSkinEngine(), TimeScale());
  ProgressBar1 = Create<TSeSkinProgressBar>(this);
  ProgressBar1->SetSkinEngine(AppSkinEngine());
  ProgressBar1->SetParent(bottom);
  ProgressBar1->SetBounds(2, 2 + kScaleHeight - 8, 0, 8);
  ProgressBar1->SetMax(1);
  ProgressBar1->SetPosition(1);
  ProgressBar1->SetHint("00:00");

  gbList = Create<TSeSkinGroupBox>(this);
  gbList->SetSkinEngine(AppSkinEngine());
  gbList->SetParent(this);
  gbList->SetAlign(alLeft);
  gbList->SetWidth(516);
  gbList->SetCaption("Burning List");
  clbox = Create<TSeSkinSListView>(this);
  clbox->SetSkinEngine(AppSkinEngine());
  clbox->SetParent(gbList);
  clbox->SetAlign(alClient);
  clbox->SetViewStyle(vsReport);
  clbox->SetGridLines(true);
  clbox->SetMultiSelect(true);
  clbox->SetRowSelect(true);
  clbox->SetReadOnly(true);
  clbox->SetDragMode(dmAutomatic);
  TListColumn* name = clbox->Columns()->Add();
  name->SetCaption("Name (Drop files & folders here)       Drag & Drop to change the order of tracks");
  name->SetWidth(380);
  TListColumn* length = clbox->Columns()->Add();
  length->SetCaption("Length");
  length->SetWidth(120);
  clbox->OnEditing = [](TControl*, TListItem*, bool& allow) { allow = false; };
  clbox->OnKeyDown = [this](TControl*, int& key, TShiftState) {
    if (key == VK_DELETE) btnRemoveClick();
  };
  // Rows dragged within the list swap places; files and folders from the
  // explorer pane or a file manager arrive through the drop target below.
  clbox->OnDragOver = [this](TControl*, TControl* source, int, int, TDragState, bool& accept) {
    accept = source == clbox;
  };
  clbox->OnDragDrop = [this](TControl*, TControl* source, int, int) {
    if (source != clbox || !clbox->DropTarget()) return;
    SwapWithSelected(clbox->DropTarget()->Index());
  };
  drop_ = Create<TExDragDrop>(this);
  drop_->SetControl(clbox);
  drop_->OnDropped = [this](TComponent*, int) { AddDropped(drop_->Items()); };
  QWidget* view = clbox->View()->viewport();
  view->installEventFilter(new FileDropForwarder(drop_, view));

  gbSource = Create<TSeSkinGroupBox>(this);
  gbSource->SetSkinEngine(AppSkinEngine());
  gbSource->SetParent(this);
  gbSource->SetAlign(alClient);
  gbSource->SetCaption("Source List ( Drag folders and files here and drop them into Buring List )");
  Dirlist = Create<TEwDirTree21>(this);
  Dirlist->SetParent(gbSource);
  Dirlist->SetAlign(alTop);
  Dirlist->SetHeight(250);
  lbFiles = Create<TEwFilelistView28>(this);
  lbFiles->SetParent(gbSource);
  lbFiles->SetAlign(alClient);
  Dirlist->SetFileList(lbFiles);
  lbFiles->SetMask("*.MP3;*.WAV;*.APE;*.WMA");
  SkinExplorer(Dirlist, lbFiles, AppSkinEngine());

  DirDialog1 = Create<TwpnBrowseDirectoryDlg>(this);
  OpenDialog2 = Create<TOpenDialog>(this);
  OpenDialog2->AllowMultiSelect = true;
  OpenDialog2->Filter =
      "All (*.MP3; *.WAV; *.APE; *.WMA; *.OGG)|*.MP3; *.WAV; *.APE; *.WMA; *.OGG|MP3 Files (*.MP3)|*.mp3|WAV Files "
      "(*.WAV)|*.wav|APE Files (*.APE)|*.ape|WMA Files (*.WMA)|*.wma|OGG Files (*.OGG)|*.ogg|*.*|*.*";
  OpenDialog1 = Create<TOpenDialog>(this);
  OpenDialog1->Filter = "Audio Task File (*.atf)|*.atf";
  SaveDialog1 = Create<TSaveDialog>(this);
  SaveDialog1->Filter = "Audio Task File (*.atf)|*.atf";
  SaveDialog1->DefaultExt = "atf";
  BuildPopups();
}

void TAudioForm::SetTitle(const QString& title) {
  SetCaption(title);
  SeSkinForm1->SetCaption(title);
}

void TAudioForm::BuildToolBar() {
  tbAudio = Create<TSeSkinToolBar>(this);
  tbAudio->SetSkinEngine(AppSkinEngine());
  tbAudio->SetParent(this);
  tbAudio->SetAlign(alTop);
  tbAudio->SetHeight(kToolButtonHeight + 4);
  tbAudio->SetBorderWidth(2);
  tbAudio->SetButtonAutoSize(false);
  // The bar lines its children up in the order of their positions.
  TToolRow row{this, tbAudio, AppSkinEngine()};
  constexpr int kButton = kToolButtonWidth;
  btnNew = AddToolButton(row, "New", "Creates a new task", TToolGlyph::New, kButton);
  btnOpen = AddToolButton(row, "Open", "Opens an existing task", TToolGlyph::Open, kButton);
  btnSave = AddToolButton(row, "Save", "Saves current task", TToolGlyph::Save, kButton);
  AddToolDivider(row, 6);
  btnAdd = AddToolButton(row, "Add", "Add audio files / Folders", TToolGlyph::Add, kButton);
  btnRemove = AddToolButton(row, "Remove", "Remove", TToolGlyph::Remove, kButton + 8);
  btnClear = AddToolButton(row, "Clear", "Clear", TToolGlyph::Clear, kButton);
  AddToolDivider(row, 6);
  TSeSpeedContainer* drive = AddToolHolder(row, 54 + kDriveComboWidth + 4);
  lDrive = Create<TLabel>(this);
  lDrive->SetAutoSize(false);
  lDrive->SetTransparent(true);
  lDrive->SetLayout(tlCenter);
  lDrive->SetBounds(0, 0, 54, kToolButtonHeight);
  lDrive->SetCaption("  Drive :");
  lDrive->SetParent(drive);
  cbDrives = Create<TSeSkinComboBox>(this);
  cbDrives->SetSkinEngine(AppSkinEngine());
  cbDrives->SetBounds(54, kToolComboTop, kDriveComboWidth, kToolComboHeight);
  cbDrives->SetComboStyle(kcsDropDownList);
  cbDrives->SetDropDownCount(8);
  cbDrives->SetHint("Selects a CD \\ DVD drive");
  cbDrives->SetParent(drive);
  AddToolDivider(row, 6);
  bEject = AddToolButton(row, "Eject", "Ejects the disc", TToolGlyph::Eject, kButton);
  bCaps = AddToolButton(row, "Drive", "Displays the information of the drive", TToolGlyph::Drive, kButton);
  bDisc = AddToolButton(row, "Disc", "Displays the information of the disc", TToolGlyph::Disc, kButton);
  AddToolDivider(row, 6);
  bBurn = AddToolButton(row, "Burn", "Burns the current task", TToolGlyph::Burn, kButton);
  btnClone = AddToolButton(row, "Copy", "Creates a copy of CD \\ DVD", TToolGlyph::CopyDisc, kButton);
  btnErase = AddToolButton(row, "Erase", "Erases a CD \\ DVD", TToolGlyph::Erase, kButton);
  AddToolDivider(row, 6);
  bAdvance = AddToolButton(row, "Options", "Options", TToolGlyph::Options, kButton + 8);
  btnAbout = AddToolButton(row, "About", "About", TToolGlyph::About, kButton);
  btnHelp = AddToolButton(row, "Help", "Help", TToolGlyph::Help, kButton);

  btnNew->OnClick = [this](TControl* c) { btnNewClick(c); };
  btnOpen->OnClick = [this](TControl* c) { btnOpenClick(c); };
  btnSave->OnClick = [this](TControl* c) { btnSaveClick(c); };
  btnAdd->OnClick = [this](TControl* c) { btnAddClick(c); };
  btnRemove->OnClick = [this](TControl* c) { btnRemoveClick(c); };
  btnClear->OnClick = [this](TControl* c) { btnClearClick(c); };
  cbDrives->OnChange = [this](TControl* c) { cbDrivesChange(c); };
  bEject->OnClick = [this](TControl* c) { bEjectClick(c); };
  bBurn->OnClick = [this](TControl* c) { bBurnClick(c); };
  // These act on the recorder through the main window's own buttons.
  const auto forward = []<class Button>(Button* TForm1::*button) {
    return [button](TControl*) {
      if (Main() && Main()->*button) (Main()->*button)->Click();
    };
  };
  bCaps->OnClick = forward(&TForm1::bCaps);
  bDisc->OnClick = forward(&TForm1::bDisc);
  bAdvance->OnClick = forward(&TForm1::bAdvance);
  btnErase->OnClick = forward(&TForm1::btnErase);
  btnAbout->OnClick = [](TControl*) { ShowAboutBox(); };
  btnHelp->OnClick = [](TControl*) { OpenHelpFile(); };
}

void TAudioForm::BuildPopups() {
  auto item = [this](TSeSkinPopupMenu* menu, const QString& caption, std::function<void()> action) {
    auto* it = Create<TSeSkinItem>(this);
    it->SetCaption(caption);
    if (action) it->OnClick = [action](TComponent*) { action(); };
    menu->Items()->Add(it);
    return it;
  };
  ppmAdd = Create<TSeSkinPopupMenu>(this);
  ppmAdd->SetSkinEngine(AppSkinEngine());
  cmiAddFile = item(ppmAdd, "Add Files", [this] { cmiAddFileClick(); });
  item(ppmAdd, "-", nullptr);
  cmiAddFolder = item(ppmAdd, "Add Folder", [this] { cmiAddFolderClick(); });
  ppmList = Create<TSeSkinPopupMenu>(this);
  ppmList->SetSkinEngine(AppSkinEngine());
  item(ppmList, "Add Files", [this] { cmiAddFile->DoClick(); });
  item(ppmList, "Add Folder", [this] { cmiAddFolder->DoClick(); });
  item(ppmList, "-", nullptr);
  item(ppmList, "Remove", [this] { btnRemoveClick(); });
  item(ppmList, "Clear", [this] { btnClearClick(); });
  clbox->SetPopupMenu(ppmList);
}

void TAudioForm::CopyDrives() {
  cbDrives->Items()->Clear();
  if (Main()) {
    TStrings* writers = Main()->cbDrives->Items();
    for (int i = 0; i < writers->Count(); ++i) cbDrives->Items()->Add(writers->Strings(i));
  }
  if (cbDrives->Items()->Count() > 0) {
    cbDrives->SetItemIndex(0);
    cbDrivesChange();
  }
}

QString TAudioForm::GetAudioLength(const QString& file_name) {
  QCoreApplication::processEvents();
  return AudioLengthText(file_name, *Monkey);
}

void TAudioForm::AddTrack(const QString& file_name) {
  TListItem* row = clbox->Items()->Add();
  row->SetCaption(file_name);
  row->SubItems()->Add(GetAudioLength(file_name));
  Modified = true;
}

void TAudioForm::AddFolder(const QString& folder) {
  QString path = folder;
  while (path.size() > 1 && path.endsWith('/')) path.chop(1);
  TSearchRec rec;
  const std::string native = QFile::encodeName(path).toStdString();
  if (FindFirst(native + "/" + kFolderMask.toStdString(), 0, rec) != 0) return;
  QStringList names;
  do {
    names << QFile::decodeName(QByteArray::fromStdString(rec.Name));
  } while (FindNext(rec) == 0);
  FindClose(rec);
  clbox->Items()->BeginUpdate();
  for (const QString& name : names) AddTrack(path + "/" + name);
  clbox->Items()->EndUpdate();
}

void TAudioForm::AddDropped(const QStringList& paths) {
  for (const QString& path : paths) {
    if (QFileInfo(path).isDir())
      AddFolder(path);
    else
      AddTrack(path);
  }
  RecalcTotalLength();
  Modified = true;
}

void TAudioForm::SwapWithSelected(int target) {
  TListItem* selected = clbox->Selected();
  if (!selected || target < 0 || target >= clbox->Items()->Count() || target == selected->Index()) return;
  TListItem* other = clbox->Items()->Item(target);
  const QString caption = selected->Caption();
  const QString length = selected->SubItems()->Strings(0);
  selected->SetCaption(other->Caption());
  selected->SubItems()->SetStrings(0, other->SubItems()->Strings(0));
  other->SetCaption(caption);
  other->SubItems()->SetStrings(0, length);
  Modified = true;
}

QStringList TAudioForm::Tracks() const {
  QStringList tracks;
  for (int i = 0; i < clbox->Items()->Count(); ++i) tracks << clbox->Items()->Item(i)->Caption();
  return tracks;
}

int TAudioForm::TrackSeconds(int row) const {
  if (row < 0 || row >= clbox->Items()->Count()) return 0;
  const TStrings* sub = clbox->Items()->Item(row)->SubItems();
  return sub->Count() > 0 ? LengthTextSeconds(sub->Strings(0)) : 0;
}

void TAudioForm::RecalcTotalLength() {
  long long total = 0;
  for (int i = 0; i < clbox->Items()->Count(); ++i) total += TrackSeconds(i);
  TotalSeconds = static_cast<int>(std::min<long long>(total, INT32_MAX));
  ProgressBar1->SetHint(MinutesSeconds(TotalSeconds));
  ProgressBar1->SetWidth(static_cast<int>(std::nearbyint(TotalSeconds / double(kSecondsPerPixel))));
}

void TAudioForm::EmptyList() {
  clbox->Items()->Clear();
  TotalSeconds = 0;
  ProgressBar1->SetHint("00:00");
  ProgressBar1->SetWidth(0);
}

void TAudioForm::btnAddClick(TControl*) {
  const QPoint at = QCursor::pos();
  ppmAdd->Popup(at.x(), at.y());
}

void TAudioForm::cmiAddFileClick(TComponent*) {
  if (OpenDialog2->Execute())
    for (const QString& file : OpenDialog2->Files) AddTrack(file);
  RecalcTotalLength();
}

void TAudioForm::cmiAddFolderClick(TComponent*) {
  if (DirDialog1->Execute()) AddFolder(DirDialog1->Selection());
  RecalcTotalLength();
}

void TAudioForm::btnRemoveClick(TControl*) {
  if (clbox->SelCount() == 0) return;
  clbox->Items()->BeginUpdate();
  for (int i = clbox->Items()->Count() - 1; i >= 0; --i)
    if (clbox->Items()->Item(i)->Selected()) clbox->Items()->Delete(i);
  clbox->Items()->EndUpdate();
  RecalcTotalLength();
  Modified = true;
}

void TAudioForm::btnClearClick(TControl*) {
  if (clbox->Items()->Count() > 0) Modified = true;
  EmptyList();
}

bool TAudioForm::QuerySave() {
  if (!Modified) return true;
  const int answer = MessageBox(kSaveQuestion, "Query", MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer == IDCANCEL) return false;
  if (answer == IDYES) btnSaveClick();
  return true;
}

void TAudioForm::btnNewClick(TControl*) {
  if (!QuerySave()) return;
  EmptyList();
  Modified = false;
}

void TAudioForm::btnOpenClick(TControl*) {
  if (!OpenDialog1->Execute()) return;
  const std::string text = ReadWholeFile(QFile::encodeName(OpenDialog1->FileName).toStdString());
  EmptyList();
  const QStringList lines =
      QString::fromUtf8(text.data(), qsizetype(text.size())).split(QRegularExpression("\r\n|\r|\n"));
  if (!text.empty()) {
    clbox->Items()->BeginUpdate();
    for (const QString& line : lines)
      if (!line.isEmpty()) AddTrack(line);
    clbox->Items()->EndUpdate();
    Modified = false;
  }
  RecalcTotalLength();
}

bool TAudioForm::btnSaveClick(TControl*) {
  if (!SaveDialog1->Execute()) return false;
  QString text;
  for (const QString& track : Tracks()) text += track + "\r\n";
  WriteFileAtomically(QFile::encodeName(SaveDialog1->FileName).toStdString(), text.toUtf8().toStdString());
  Modified = false;
  return true;
}

void TAudioForm::bBurnClick(TControl*) {
  audio_exchange::Job job;
  job.Tracks = Tracks();
  job.Drive = cbDrives->Text();
  QString error;
  if (!audio_exchange::WriteJob(audio_exchange::ExchangeFilePath(), job, true, &error)) {
    MessageBox("The audio CD cannot be burned: " + error, "Information", MB_OK | MB_ICONINFORMATION);
    return;
  }
  TAudioBurningForm* burning = AppForms().AudioBurningForm;
  if (!burning) return;
  burning->Mode = "Burn";
  burning->ReturnToAudioForm = true;
  Hide();
  burning->Show();
}

void TAudioForm::cbDrivesChange(TControl*) {
  cbDrives->SetHint(cbDrives->Text());
  char letter = 0;
  if (Main() && !cbDrives->Text().isEmpty()) {
    TQCDBurner& r = Main()->qcdb();
    const std::string id = cbDrives->Text().toStdString();
    if (r.SelectedDeviceId != id) r.SetDeviceID(id);
    letter = r.GetDriveLetter();
  }
  lDrive->SetCaption(letter == 0 ? QString("  Drive :") : QString("Drive %1:").arg(QChar(letter)));
}

void TAudioForm::bEjectClick(TControl*) {
  if (!Main() || cbDrives->Text().isEmpty()) return;
  TQCDBurner& r = Main()->qcdb();
  const std::string id = cbDrives->Text().toStdString();
  if (r.SelectedDeviceId != id) r.SetDeviceID(id);
  r.SynchronizeCache(300000, false);
  r.PreventAllowMediumRemoval(true);
  r.StartStopUnit(true);
}

bool TAudioForm::CloseQuery() {
  if (!QuerySave()) return false;
  Modified = false;
  return TForm::CloseQuery();
}

void TAudioForm::DoClose(TCloseAction& action) {
  TForm::DoClose(action);
  if (AppForms().StartForm) AppForms().StartForm->Show();
}

TAudioForm* CreateAudioForms() {
  auto* audio = Create<TAudioForm>(nullptr);
  AppForms().AudioForm = audio;
  auto* burning = Create<TAudioBurningForm>(nullptr);
  AppForms().AudioBurningForm = burning;
  if (TStartForm* start = AppForms().StartForm) {
    start->OpenAudio = [start, audio] {
      start->Hide();
      const TAppStrings& s = AppStrings();
      audio->SetTitle(s.ProductName + " V" + s.ProductVersion + " - Burn Audio CD");
      audio->Show();
      audio->btnNew->Click();
    };
  }
  if (TScheduleForm* schedule = AppForms().ScheduleForm) {
    schedule->StartScheduledAudioBurn = [burning](const QStringList& tracks,
                                                  const TScheduleOptions& options) {
      burning->StartScheduled(tracks, options);
    };
  }
  return audio;
}
