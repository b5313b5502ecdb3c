#pragma once
// The main window: the compilation editor (Unit1Editor) beside the file
// explorer, the drive bar, and the operation drivers (Unit1Drivers) that
// turn the compilation and the burn dialog's choices into recorder calls.
// The window owns the program's one recorder.

#include <QString>
#include <functional>
#include <memory>

#include "app/Unit1Editor.h"
#include "app/Unit1Options.h"
#include "app/Unit1Views.h"
#include "platform/gui/Forms.h"
#include "skin/se_binding_bars.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_binding_lists.h"
#include "skin/se_binding_views.h"
#include "skin/se_skinform.h"
#include "skin/se_skinhints.h"
#include "skin/se_skinmenus.h"

class TQCDBurner;
class TTreeNode;
class TImage;
class TTimer;
class TEwDirTree21;
class TEwFilelistView28;
class TExDragDrop;
class TOpenDialog;
class TSaveDialog;
class TSeSkinEngine;

class TForm1 : public TForm {

 public:
  explicit TForm1(TComponent* owner = nullptr);
  ~TForm1() override;

  // --- The skinned frame, menus and hints
  TSeSkinForm* SeSkinForm1 = nullptr;
  TSeSkinMenuBar* SeSkinMenuBar1 = nullptr;
  TSeSkinHint* SeSkinHint1 = nullptr;

  // --- The compilation editor
  TSeSkinLabel* labDestination = nullptr;
  TSeSkinSTreeView* trvDir = nullptr;
  TSeSkinSTreeView* trv2 = nullptr;
  TSeSkinSListView* clbox = nullptr;
  TSeSkinProgressBar* ProgressBar1 = nullptr;
  TImage* Image3 = nullptr;
  TSeSkinStatusBar* StatusBar1 = nullptr;
  TEwDirTree21* Dirlist = nullptr;
  TEwFilelistView28* lbFiles = nullptr;
  TSeSkinPopupMenu* PopupMenu1 = nullptr;  // folders
  TSeSkinPopupMenu* PopupMenu2 = nullptr;  // entries
  TOpenDialog* OpenDialog1 = nullptr;
  TSaveDialog* SaveDialog1 = nullptr;

  // --- Tool bars, all in one row (tbTools): the start page shows tbBurn or
  // tbISO and places tbHelp after it.
  TSeSkinToolBar* tbTools = nullptr;
  TSeSkinToolBar* tbFile = nullptr;
  TSeSkinToolBar* tbDrive = nullptr;
  TSeSkinToolBar* tbBurn = nullptr;
  TSeSkinToolBar* tbISO = nullptr;
  TSeSkinToolBar* tbHelp = nullptr;
  TSeSkinSpeedButton *btnNew = nullptr, *btnOpen = nullptr, *btnSave = nullptr;
  TSeSkinSpeedButton *btnCut = nullptr, *btnCopy = nullptr, *btnPaste = nullptr;
  TSeSkinSpeedButton *bEject = nullptr, *bCaps = nullptr, *bDisc = nullptr, *bAdvance = nullptr;
  TSeSkinSpeedButton *bBurn = nullptr, *btnClone = nullptr, *btnErase = nullptr;
  TSeSkinSpeedButton *btnBurnISO = nullptr, *btnBuildISO = nullptr;
  TSeSkinSpeedButton *btnAbout = nullptr, *btnHelp = nullptr;
  TSeSkinComboBox* cbDrives = nullptr;
  TSeSkinLabel* lDrive = nullptr;
  TTimer* Timer1 = nullptr;
  // The one skin engine every window follows (made by the options window).
  TSeSkinEngine* SeSkinEngine1 = nullptr;
  // The chosen skin's name; "None" for the plain look.
  QString SkinName = QStringLiteral("None");

  // The menu item with this caption path ("&Help/Con&tact Us/&Report Bug"),
  // or null.
  TSeSkinItem* MenuItem(const QString& path) const;

  TQCDBurner& qcdb() { return *qcdb_; }
  TCompilationEditor& Editor() { return *editor_; }

  // --- Editor state
  bool Modified = false;
  int FolderCounter = 0;
  bool IsClosed = false;

  // --- Operation state
  QString Operation;  // "Burn", "Build ISO", "Burn ISO", "Copy Dual Disc", "Schedule"
  int TickCount = 0;
  int RemainSeconds = 0;
  QString ISOSourceFile;
  // Files put at the disc's root for one operation only (the burn dialog's
  // autorun files; a folder ending in "/" gives its contents, a disc copy);
  // never part of the compilation the user edits.
  QStringList RootFiles;
  bool ASPIReady = false;

  // The windows that show a running operation; set by them.
  TBurnProgressView* BurnView = nullptr;
  TEraseProgressView* EraseView = nullptr;
  // The options in force; the options window replaces it.
  std::function<TDriverOptions()> ReadOptions = [] { return TDriverOptions{}; };

  // --- Editor commands
  void btnNewClick(TControl* sender = nullptr);
  void btnOpenClick(TControl* sender = nullptr);
  // False when the user cancelled the save dialog.
  bool btnSaveClick(TControl* sender = nullptr);
  void btnCutClick(TControl* sender = nullptr);
  void btnCopyClick(TControl* sender = nullptr);
  void btnPasteClick(TControl* sender = nullptr);
  void RemoveEntriesClick(TControl* sender = nullptr);
  void RemoveAllEntriesClick(TControl* sender = nullptr);
  void CreateFolderClick(TControl* sender = nullptr);
  void RemoveFolderClick(TControl* sender = nullptr);
  // The Delete key in the entry list removes the selected entries.
  void clboxKeyDown(int& key);
  // --- Help menu, About and the version check
  void btnHelpClick(TControl* sender = nullptr);
  void btnAboutClick(TControl* sender = nullptr);
  void CheckLatestVersionClick();
  // Replaces the compilation with a task file's text (Open and the
  // scheduler). Raises EReadError for a damaged file; the trees stay then.
  void LoadTaskText(const std::string& text);
  // Adds host files and folders to the selected folder.
  void AddSources(const QStringList& paths);
  std::int64_t CompilationSize() const;
  void UpdateCapacityBar();
  // The size of a host file, or of all files below a host folder, for a new
  // entry. A folder is measured on a worker thread while the window keeps
  // painting and its status line names what is being added.
  std::function<std::int64_t(const QString& path, bool folder)> MeasureSource;

  // --- Drive bar and operations (Unit1Drivers.cpp)
  void InitializeDrives();
  void cbDrivesChange(TControl* sender = nullptr);
  void bEjectClick(TControl* sender = nullptr);
  void bBurnClick(TControl* sender = nullptr);
  // The drive of the combo becomes the recorder's drive.
  void SelectComboDrive();
  void BurnDataDisc();
  void BuildISOImage();
  void BurnISOImage();
  void QuickErase(const QString& drive_id, const QString& speed_text);
  void CompleteErase(const QString& drive_id, const QString& speed_text);
  void AddLogLine(const QString& text, unsigned colour);
  // Walks the compilation into the recorder; false (after telling the user)
  // when nothing is to be burned or the user stops at the list of sources
  // that could not be added.
  bool AddCompilationToRecorder();
  void Timer1Timer(TTimer* sender = nullptr);
  void qcdbWriteDone(const std::string& error);
  void qcdbEraseDone(bool with_error);
  void qcdbFinalizingTrack();
  // Starts an operation's clock.
  void StartOperation(const QString& operation);

  // Runs after the burn button's checks pass: shows the burn dialog in
  // "Burn" mode (set by the burn dialog's module).
  std::function<void()> ShowBurnDialog;
  // Runs when Options is chosen (set by the options window's module).
  std::function<void()> ShowOptions;
  // Shows the prepared tree for removals before a burn (the layout dialog).
  std::function<void()> ShowLayout;
  // Appends the end line of a scheduled run to the schedule log.
  std::function<void(bool success)> ScheduleDoneLog;

  static int SpeedTextToKBps(const QString& speed_text, int disc_type);
  static QString SecondsText(int seconds);

 protected:
  void DoCreate() override;
  void DoShow() override;
  void DoClose(TCloseAction& action) override;
  bool CloseQuery() override;

 private:
  void BuildLayout();
  void BuildToolBars();
  void BuildEditor();
  void BuildExplorer();
  void BuildPopups();
  void BuildMenu();
  void BuildStatusBar();
  // Asks to save a changed compilation; false when the user cancels (at the
  // question or in the save dialog).
  bool QuerySave();
  std::int64_t MeasureWhilePainting(const QString& path, bool folder);
  void Erase(bool quick, const QString& drive_id, const QString& speed_text);

  std::unique_ptr<TQCDBurner> qcdb_;
  std::unique_ptr<TCompilationEditor> editor_;
  TExDragDrop* drop_ = nullptr;
  bool busy_ = false;
  bool syncing_drive_ = false;
};
