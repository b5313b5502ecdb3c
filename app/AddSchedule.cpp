#include "app/AddSchedule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

#include "app/SkinnedPlacing.h"
#include "app/TaskFile.h"
#include "app/ToolButtons.h"
#include "app/Unit1.h"
#include "app/schedule.h"
#include "app/scheduleTasks.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/DateTime.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FileUtils.h"
#include "platform/core/StringList.h"
#include "platform/gui/Autostart.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ListView.h"
#include "platform/gui/Mask.h"
#include "platform/gui/Menus.h"
#include "platform/gui/StdCtrls.h"
#include "recorder/xrCDBC.h"
#include "shell/BrowseDr.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_binding_edits.h"
#include "skin/se_binding_lists.h"
#include "skin/se_binding_views.h"
#include "skin/se_skinform.h"
#include "skin/se_skinmenus.h"

namespace {

const QString kTimeMask = QStringLiteral("!90:00;1;_");
const QString kAudioFilter =
    QStringLiteral("Audio Files (*.mp3;*.wav;*.wma;*.ape)|*.mp3;*.wav;*.wma;*.ape|All Files (*.*)|*.*");
constexpr int kMaxPeriod = 365;
// The list buttons are a row of text high: their glyphs are smaller than a
// tool bar's.
constexpr int kListGlyphSize = 16;

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

// Bytes of a file, or of a folder and everything under it, as the recorder
// counts them.
std::int64_t SizeOf(const QString& path, bool folder) {
  const std::string target = S(folder ? path + "/" : path);
  if (TForm1* main = AppForms().Form1) return main->qcdb().GetFolderSize(target);
  return TQCDBurner().GetFolderSize(target);
}

TListItem* AddRow(TListView* list, const QString& path, const QString& size_text, bool with_size) {
  TListItem* item = list->Items()->Add();
  item->SetCaption(path);
  if (with_size) item->SubItems()->Add(size_text);
  return item;
}

}  // namespace

TAddScheduleForm::TAddScheduleForm(TComponent* owner) : TForm(owner) { BuildLayout(); }

TAddScheduleForm::~TAddScheduleForm() = default;

void TAddScheduleForm::BuildLayout() {
  SetFormStyle(fsStayOnTop);
  SetBorderStyle(bsDialog);
  // The frame first: the client size is the one inside its band.
  SeSkinForm1 = Create<TSeSkinForm>(this);
  SeSkinForm1->SetBorderIcons(kbiClose | kbiSystemMenu);
  SeSkinForm1->SetSkinEngine(AppSkinEngine());
  SetClientWidth(528);
  SetClientHeight(560);
  SetPosition(poScreenCenter);

  PlaceSkinned<TSeSkinLabel>(this, 12, 12, 90, 16, "Task Name");
  PlaceSkinned<TSeSkinLabel>(this, 12, 28, 90, 16, "(Disc Volume)");
  edtTaskName = PlaceSkinned<TSeSkinEdit>(this, 110, 14, 220, 22);
  PlaceSkinned<TSeSkinLabel>(this, 12, 50, 90, 16, "Description:");
  edtDescription = PlaceSkinned<TSeSkinEdit>(this, 110, 46, 406, 22);

  auto combo = [this](TWinControl* parent, int x, int y, int width, std::initializer_list<const char*> items) {
    auto* c = PlaceSkinned<TSeSkinComboBox>(parent, x, y, width, 22);
    c->SetComboStyle(kcsDropDownList);
    for (const char* item : items) c->Items()->Add(item);
    return c;
  };
  cmbType = combo(this, 110, 78, 120, {"Only once", "Repeative"});
  cmbType2 = combo(this, 240, 78, 120, {"Data CD", "Audio CD"});
  cmbType->OnChange = [this](TControl* c) { cmbTypeChange(c); };
  cmbType2->OnChange = [this](TControl* c) { cmbType2Change(c); };
  PlaceSkinned<TSeSkinLabel>(this, 12, 82, 90, 16, "Task Type:");

  BuildTiming();
  BuildLists();

  btnOK = PlaceSkinned<TSeSkinButton>(this, 352, 526, 78, 26, "&OK");
  btnOK->OnClick = [this](TControl* c) { btnOKClick(c); };
  btnCancel = PlaceSkinned<TSeSkinButton>(this, 438, 526, 78, 26, "&Cancel");
  btnCancel->SetCancel(true);
  btnCancel->OnClick = [this](TControl* c) { btnCancelClick(c); };

  OpenDialog1 = Create<TOpenDialog>(this);
  OpenDialog1->AllowMultiSelect = true;
  OpenDialog1->Filter = "All Files (*.*)|*.*";
  OpenDialog2 = Create<TOpenDialog>(this);
  OpenDialog2->AllowMultiSelect = true;
  OpenDialog2->Filter = kAudioFilter;
  openDirDialog1 = Create<TwpnBrowseDirectoryDlg>(this);
}

void TAddScheduleForm::BuildTiming() {
  gpbTiming = PlaceSkinned<TSeSkinGroupBox>(this, 12, 110, 504, 198, "Timing");
  auto label = [this](const QString& caption, int x, int y, int width) {
    return PlaceSkinned<TSeSkinLabel>(gpbTiming, x, y, width, 16, caption);
  };
  // The skin has no date picker: the pickers take the colours of the skinned
  // edits beside them, enabled or not.
  auto picker = [this](int x, int y) {
    auto* p = Place<TDateTimePicker>(gpbTiming, x, y, 120, 22);
    Create<TSeSkinColourBinding>(p, "Edit")->SetSkinEngine(AppSkinEngine());
    return p;
  };
  auto time_box = [this](int x, int y) {
    auto* m = PlaceSkinned<TSeSkinMaskEdit>(gpbTiming, x, y, 56, 22);
    m->SetEditMask(kTimeMask);
    return m;
  };
  auto check = [this](int x, int y) { return PlaceSkinned<TSeSkinCheckBox>(gpbTiming, x, y, 64, 20, "Time:"); };

  // Once: a date and an optional time.
  labODate = label("Date:", 12, 18, 70);
  tpkODate = picker(90, 15);
  chkOTime = check(12, 42);
  mseOTime = time_box(90, 40);
  labOTime = label("(Hour : Minute)", 152, 44, 110);
  chkOTime->OnClick = [this](TControl* c) { chkOTimeClick(c); };

  // Repeated: dates, a period and an optional time.
  labRBegin = label("Begin date:", 12, 18, 76);
  tpkRBeginDate = picker(90, 15);
  labREnd = label("End date:", 240, 18, 66);
  tpkREndDate = picker(310, 15);
  labPeriod = label("Periodicity:", 12, 59, 76);
  spePeriodicity = PlaceSkinned<TSeSkinSpinEdit>(gpbTiming, 90, 55, 56, 22);
  spePeriodicity->SetMinValue(1);
  spePeriodicity->SetMaxValue(kMaxPeriod);
  spePeriodicity->SetValue(1);
  cmbUnit = PlaceSkinned<TSeSkinComboBox>(gpbTiming, 152, 55, 90, 22);
  cmbUnit->SetComboStyle(kcsDropDownList);
  for (const char* unit : {"Days", "Weeks", "Months"}) cmbUnit->Items()->Add(unit);
  chkRTime = check(12, 93);
  mseRTime = time_box(90, 93);
  labRTime = label("(Hour : Minute)", 152, 97, 110);
  chkRTime->OnClick = [this](TControl* c) { chkRTimeClick(c); };

  labCarryOut = label("Carry out the task when:", 12, 70, 200);
  rdbEqualLater = PlaceSkinned<TSeSkinRadioButton>(gpbTiming, 24, 89, 400, 20,
                                                   "time is equal or later than setting.  (Recommended)");
  rdbEqualLater->SetChecked(true);
  rdbEqual = PlaceSkinned<TSeSkinRadioButton>(gpbTiming, 24, 109, 400, 20, "time is exactly equal to setting.");
}

void TAddScheduleForm::BuildLists() {
  auto group = [this](const QString& caption) { return PlaceSkinned<TSeSkinGroupBox>(this, 12, 314, 504, 204, caption); };
  auto list = [](TSeSkinGroupBox* parent) {
    auto* l = PlaceSkinned<TSeSkinSListView>(parent, 10, 22, 390, 172);
    l->SetViewStyle(vsReport);
    l->SetRowSelect(true);
    l->SetReadOnly(true);
    return l;
  };
  auto button = [](TSeSkinGroupBox* parent, const QString& caption, TToolGlyph glyph, int y,
                   std::function<void()> action) {
    auto* b = PlaceSkinned<TSeSkinSpeedButton>(parent, 410, y, 84, 26, caption);
    b->SetGlyph(ToolGlyphBitmap(glyph, kListGlyphSize));
    b->SetSpacing(4);
    b->OnClick = [action](TControl*) { action(); };
    return b;
  };
  auto menu = [this](std::function<void()> add_file, std::function<void()> add_folder) {
    auto* m = Create<TSeSkinPopupMenu>(this);
    m->SetSkinEngine(AppSkinEngine());
    auto item = [this, m](const QString& caption, std::function<void()> action) {
      auto* it = Create<TSeSkinItem>(this);
      it->SetCaption(caption);
      if (action) it->OnClick = [action](TComponent*) { action(); };
      m->Items()->Add(it);
    };
    item("Add File", add_file);
    item("-", nullptr);
    item("Add Folder", add_folder);
    return m;
  };
  // "Add" opens its menu at the chevron, wherever the button is clicked.
  auto add_button = [&](TSeSkinGroupBox* parent, TToolGlyph glyph, TPopupMenu* m) {
    TSeSkinSpeedButton* b = button(parent, "&Add", glyph, 22, nullptr);
    b->SetShowChevron(true);
    b->SetWidth(84);  // the chevron widens the button; it keeps its column
    b->SetChevronMenu(m);
    b->OnClick = [b](TControl*) { b->ShowChevronMenu(); };
    return b;
  };

  gpbFile = group("Files and Folders");
  ltvFile = list(gpbFile);
  ltvFile->Columns()->Add()->SetCaption("File or Folder");
  ltvFile->Columns()->Items(0)->SetWidth(165 + 120);
  ltvFile->Columns()->Add()->SetCaption("Size (B)");
  ltvFile->Columns()->Items(1)->SetWidth(80);
  ppmFile = menu([this] { AddFilesClick(); }, [this] { AddFolderClick(false); });
  ltvFile->SetPopupMenu(ppmFile);
  btnAddFile = add_button(gpbFile, TToolGlyph::AddFile, ppmFile);
  btnRemoveFile = button(gpbFile, "&Remove", TToolGlyph::RemoveFile, 54, [this] { RemoveSelected(ltvFile); });
  btnClearFile = button(gpbFile, "C&lear", TToolGlyph::Clear, 86, [this] { ClearList(ltvFile); });

  gpbTrack = group("Audio files");
  ltvTrack = list(gpbTrack);
  ltvTrack->Columns()->Add()->SetCaption("Audio File");
  ltvTrack->Columns()->Items(0)->SetWidth(200 + 180);
  ppmTrack = menu([this] { AddTracksClick(); }, [this] { AddFolderClick(true); });
  ltvTrack->SetPopupMenu(ppmTrack);
  btnAddTrack = add_button(gpbTrack, TToolGlyph::Add, ppmTrack);
  btnRemoveTrack = button(gpbTrack, "&Remove", TToolGlyph::Remove, 54, [this] { RemoveSelected(ltvTrack); });
  btnClearTrack = button(gpbTrack, "C&lear", TToolGlyph::Clear, 86, [this] { ClearList(ltvTrack); });
}

void TAddScheduleForm::InitEditor(const QString& mode) {
  SetCaption(mode + " Backup Task");
  ltvFile->Items()->Clear();
  ltvTrack->Items()->Clear();
  cmbType->SetItemIndex(0);
  cmbTypeChange();
  cmbType2->SetItemIndex(0);
  cmbType2->SetEnabled(true);
  cmbType2Change();
  const TDateTime today = Date();
  tpkODate->SetDate(today);
  mseOTime->SetText(QString());
  chkOTime->SetChecked(false);
  tpkRBeginDate->SetDate(today);
  tpkREndDate->SetDate(today);
  spePeriodicity->SetValue(1);
  cmbUnit->SetItemIndex(0);
  mseRTime->SetText(QString());
  chkRTime->SetChecked(false);
  rdbEqualLater->SetChecked(true);
  chkOTimeClick();
  chkRTimeClick();

  TListItem* row = Schedule ? Schedule->ltvTask->Selected() : nullptr;
  if (mode != "Edit" || !row) {
    edtTaskName->SetEnabled(true);
    edtTaskName->SetText(QString());
    edtDescription->SetText(QString());
    EditIndex = -1;
    return;
  }
  const TScheduleTask& task = Schedule->Tasks()[row->Index()];
  edtTaskName->SetText(Q(task.Name));
  edtTaskName->SetEnabled(false);
  edtDescription->SetText(Q(task.Description));
  const bool timed = task.UseTime && task.Time != kNoTime;
  if (task.IsOnce()) {
    cmbType->SetItemIndex(0);
    tpkODate->SetDate(task.BeginDate);
    chkOTime->SetChecked(timed);
    if (timed) mseOTime->SetText(Q(task.Time));
  } else {
    cmbType->SetItemIndex(1);
    tpkRBeginDate->SetDate(task.BeginDate);
    tpkREndDate->SetDate(task.EndDate);
    // The stored period comes back, so OK never turns "2 Weeks" into
    // "1 Days" unasked.
    if (const auto period = ParseSchedulePeriod(task.Scheduling)) {
      spePeriodicity->SetText(QString::number(period->Count));
      cmbUnit->SetItemIndex(cmbUnit->Items()->IndexOf(Q(period->Unit)));
    }
    chkRTime->SetChecked(timed);
    if (timed) mseRTime->SetText(Q(task.Time));
  }
  cmbTypeChange();
  chkOTimeClick();
  chkRTimeClick();
  (task.Equal ? rdbEqual : rdbEqualLater)->SetChecked(true);
  EditIndex = row->Index();
  // The kind stays: the task's file and section belong to it.
  const bool data = task.Type == kDataTaskType;
  cmbType2->SetItemIndex(data ? 0 : 1);
  cmbType2->SetEnabled(false);
  cmbType2Change();
  if (data)
    LoadDataTaskFile(Q(task.TaskFile));
  else
    LoadAudioTaskFile(Q(task.TaskFile));
}

void TAddScheduleForm::cmbTypeChange(TControl*) {
  const bool once = cmbType->ItemIndex() != 1;
  for (TControl* c : std::initializer_list<TControl*>{labODate, tpkODate, chkOTime, mseOTime, labOTime})
    c->SetVisible(once);
  for (TControl* c : std::initializer_list<TControl*>{labRBegin, tpkRBeginDate, labREnd, tpkREndDate, labPeriod,
                                                      spePeriodicity, cmbUnit, chkRTime, mseRTime, labRTime})
    c->SetVisible(!once);
  labCarryOut->SetTop(once ? 70 : 131);
  rdbEqualLater->SetTop(once ? 89 : 150);
  rdbEqual->SetTop(once ? 109 : 170);
}

void TAddScheduleForm::cmbType2Change(TControl*) {
  const bool data = cmbType2->ItemIndex() != 1;
  gpbFile->SetVisible(data);
  gpbTrack->SetVisible(!data);
}

void TAddScheduleForm::chkOTimeClick(TControl*) {
  mseOTime->SetEnabled(chkOTime->Checked());
  labOTime->SetEnabled(chkOTime->Checked());
}

void TAddScheduleForm::chkRTimeClick(TControl*) {
  mseRTime->SetEnabled(chkRTime->Checked());
  labRTime->SetEnabled(chkRTime->Checked());
}

int TAddScheduleForm::PeriodCount() const {
  return std::clamp(spePeriodicity->Text().trimmed().toInt(), 1, kMaxPeriod);
}

void TAddScheduleForm::DoShow() {
  if (Schedule) Schedule->SetEnabled(false);
  TForm::DoShow();
}

void TAddScheduleForm::DoClose(TCloseAction& action) {
  if (Schedule) Schedule->SetEnabled(true);
  TForm::DoClose(action);
}

void TAddScheduleForm::btnCancelClick(TControl*) { Close(); }

void TAddScheduleForm::btnOKClick(TControl*) {
  const bool adding = EditIndex < 0;
  const QString name = edtTaskName->Text().trimmed();
  std::vector<std::string> existing;
  if (adding && Schedule)
    for (const TScheduleTask& task : Schedule->Tasks()) existing.push_back(task.Name);
  const std::string problem = TaskNameProblem(S(name), existing);
  if (!problem.empty()) {
    MessageBox(Q(problem), "Information", MB_OK | MB_ICONINFORMATION);
    if (edtTaskName->Enabled()) edtTaskName->SetFocus();
    return;
  }
  const bool once = cmbType->ItemIndex() != 1;
  const bool use_time = once ? chkOTime->Checked() : chkRTime->Checked();
  const QString time_text = (once ? mseOTime : mseRTime)->Text();
  // A ticked time that is no time of day would leave a task that never runs.
  if (use_time && !IsScheduleTimeText(S(time_text))) {
    MessageBox("Please enter the time as hours and minutes (hh:mm).", "Information", MB_OK | MB_ICONINFORMATION);
    return;
  }
  const TDateTime begin = once ? tpkODate->Date() : tpkRBeginDate->Date();
  const TDateTime end = once ? begin : tpkREndDate->Date();
  if (end < begin) {
    MessageBox("The end date is before the begin date.", "Information", MB_OK | MB_ICONINFORMATION);
    return;
  }

  TScheduleTask task;
  if (!adding && Schedule && EditIndex < static_cast<int>(Schedule->Tasks().size()))
    task = Schedule->Tasks()[EditIndex];
  TSchedulePeriod period;
  period.Count = PeriodCount();
  period.Unit = S(cmbUnit->Text().isEmpty() ? QString("Days") : cmbUnit->Text());
  if (adding) {
    task.Name = S(name);
    task.Type = cmbType2->ItemIndex() == 1 ? kAudioTaskType : kDataTaskType;
    task.TaskFile = S(TScheduleForm::TaskFilePath(name, Q(task.Type)));
    if (!once) task.LastBackup = begin - period.Days();
  }
  task.Scheduling = once ? "Once" : period.Text();
  task.Description = S(edtDescription->Text());
  task.BeginDate = begin;
  task.EndDate = end;
  task.UseTime = use_time;
  task.Time = S(time_text);
  task.Equal = rdbEqual->Checked();
  task.Problem.clear();

  try {
    ForceDirectories(S(TScheduleForm::ScheduleFolder()));
    if (task.Type == kDataTaskType)
      SaveDataTaskFile(Q(task.TaskFile));
    else
      SaveAudioTaskFile(Q(task.TaskFile));
    if (Schedule) Schedule->StoreTask(task);
  } catch (const Exception& e) {
    MessageBox(Q(e.Message()), "Error", MB_OK | MB_ICONERROR);
    return;
  }
  Close();
  if (Schedule) Schedule->UpdateTimerInterval();
  UpdateRunValue();
}

void TAddScheduleForm::UpdateRunValue() {
  const bool auto_execute = Schedule ? Schedule->ReadOptions().AutoExecute : TScheduleOptions{}.AutoExecute;
  if (auto_execute) {
    if (!Autostart().RunValue(kScheduleRunValueName))
      Autostart().SetRunValue(kScheduleRunValueName, "\"" + QCoreApplication::applicationFilePath() + "\" -Schedule");
  } else if (Autostart().RunValue(kScheduleRunValueName)) {
    Autostart().DeleteRunValue(kScheduleRunValueName);
  }
}

void TAddScheduleForm::SaveDataTaskFile(const QString& path) {
  TTaskNode root;
  root.Text = S(edtTaskName->Text().trimmed());
  for (int i = 0; i < ltvFile->Items()->Count(); ++i) {
    TListItem* row = ltvFile->Items()->Item(i);
    const QString size = row->SubItems()->Count() > 0 ? row->SubItems()->Strings(0) : QString();
    root.Children.push_back({S(row->Caption() + "*" + size), {}});
  }
  WriteFileAtomically(S(path), SerializeTaskNode(root));
}

void TAddScheduleForm::LoadDataTaskFile(const QString& path) {
  ltvFile->Items()->Clear();
  TTaskNode root;
  try {
    root = ParseTaskText(ReadWholeFile(S(path)));
  } catch (const Exception&) {
    MessageBox("The task file does not exists!", "Information", MB_OK | MB_ICONINFORMATION);
    return;
  }
  for (const TTaskNode& entry : root.Children) {
    const auto star = entry.Text.find('*');
    if (star == std::string::npos) continue;
    AddRow(ltvFile, Q(entry.Text.substr(0, star)), Q(entry.Text.substr(star + 1)), true);
  }
}

void TAddScheduleForm::SaveAudioTaskFile(const QString& path) {
  std::string text;
  for (int i = 0; i < ltvTrack->Items()->Count(); ++i) text += S(ltvTrack->Items()->Item(i)->Caption()) + "\r\n";
  WriteFileAtomically(S(path), text);
}

void TAddScheduleForm::LoadAudioTaskFile(const QString& path) {
  ltvTrack->Items()->Clear();
  std::string text;
  try {
    text = ReadWholeFile(S(path));
  } catch (const Exception&) {
    MessageBox("The task file does not exists!", "Information", MB_OK | MB_ICONINFORMATION);
    return;
  }
  for (const QString& line : Q(text).split(QRegularExpression("\r?\n"), Qt::SkipEmptyParts))
    AddRow(ltvTrack, line, {}, false);
}

void TAddScheduleForm::AddFileEntry(const QString& path) {
  AddRow(ltvFile, path, Q(TaskSizeText(SizeOf(path, false))), true);
}

void TAddScheduleForm::AddFolderEntry(const QString& path) {
  QString folder = path;
  while (folder.size() > 1 && folder.endsWith('/')) folder.chop(1);
  AddRow(ltvFile, folder, Q(TaskSizeText(SizeOf(folder, true))), true);
}

void TAddScheduleForm::AddTrackFile(const QString& path) { AddRow(ltvTrack, path, {}, false); }

void TAddScheduleForm::AddTrackFolder(const QString& path) {
  QDir folder(path);
  const QStringList names = folder.entryList({"*.mp3", "*.wav", "*.wma", "*.ape"}, QDir::Files | QDir::Hidden,
                                             QDir::Name | QDir::IgnoreCase);
  for (const QString& name : names) AddTrackFile(folder.filePath(name));
}

void TAddScheduleForm::AddFilesClick() {
  if (!OpenDialog1->Execute()) return;
  for (const QString& file : OpenDialog1->Files) AddFileEntry(file);
}

void TAddScheduleForm::AddTracksClick() {
  if (!OpenDialog2->Execute()) return;
  for (const QString& file : OpenDialog2->Files) AddTrackFile(file);
}

void TAddScheduleForm::AddFolderClick(bool tracks) {
  if (!openDirDialog1->Execute()) return;
  const QString folder = openDirDialog1->Selection();
  if (!QFileInfo(folder).isDir()) return;
  if (tracks)
    AddTrackFolder(folder);
  else
    AddFolderEntry(folder);
}

void TAddScheduleForm::RemoveSelected(TSeSkinSListView* list) {
  if (TListItem* row = list->Selected()) row->Delete();
}

void TAddScheduleForm::ClearList(TSeSkinSListView* list) {
  if (MessageBox("Are you sure to clear the list?", "Query", MB_YESNO | MB_ICONQUESTION) == IDYES)
    list->Items()->Clear();
}
