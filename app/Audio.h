#pragma once
// The audio CD window: the track list of an audio CD (MP3, WAV, WMA and APE
// files with their playing times), its audio task file (.atf), a bar of the
// total playing time, and Burn, which writes the job into the exchange file
// and hands over to the audio burning window (AudioBurning). It burns
// nothing itself.

#include <QString>
#include <QStringList>
#include <memory>

#include "platform/gui/Forms.h"

class TLabel;
class TImage;
class TSeSkinComboBox;
class TSeSkinForm;
class TSeSkinGroupBox;
class TSeSkinItem;
class TSeSkinPopupMenu;
class TSeSkinProgressBar;
class TSeSkinSListView;
class TSeSkinSpeedButton;
class TSeSkinToolBar;
class TOpenDialog;
class TSaveDialog;
class TEwDirTree21;
class TEwFilelistView28;
class TExDragDrop;
class TwpnBrowseDirectoryDlg;
class TMonkey;

// The playing time of an audio file as "m:s" (3:5 is three minutes and five
// seconds), or "mm:ss" from a cue sheet beside an APE file whose header does
// not read; "" when no length can be found.
QString AudioLengthText(const QString& path, TMonkey& monkey);
// Seconds of a length text; an empty or unreadable text counts 0.
int LengthTextSeconds(const QString& text);

class TAudioForm : public TForm {
 public:
  explicit TAudioForm(TComponent* owner = nullptr);
  ~TAudioForm() override;

  TSeSkinForm* SeSkinForm1 = nullptr;
  TSeSkinToolBar* tbAudio = nullptr;
  TSeSkinComboBox* cbDrives = nullptr;
  TLabel* lDrive = nullptr;
  TSeSkinGroupBox *gbList = nullptr, *gbSource = nullptr;
  TSeSkinSListView* clbox = nullptr;
  TSeSkinProgressBar* ProgressBar1 = nullptr;
  TImage* Image3 = nullptr;
  TEwDirTree21* Dirlist = nullptr;
  TEwFilelistView28* lbFiles = nullptr;
  TwpnBrowseDirectoryDlg* DirDialog1 = nullptr;
  TOpenDialog* OpenDialog1 = nullptr;
  TOpenDialog* OpenDialog2 = nullptr;
  TSaveDialog* SaveDialog1 = nullptr;
  TSeSkinPopupMenu* ppmAdd = nullptr;
  TSeSkinPopupMenu* ppmList = nullptr;
  TSeSkinItem *cmiAddFile = nullptr, *cmiAddFolder = nullptr;
  TSeSkinSpeedButton *btnNew = nullptr, *btnOpen = nullptr, *btnSave = nullptr, *btnAdd = nullptr,
                     *btnRemove = nullptr, *btnClear = nullptr;
  TSeSkinSpeedButton *bEject = nullptr, *bCaps = nullptr, *bDisc = nullptr, *bBurn = nullptr,
                     *btnClone = nullptr, *btnErase = nullptr, *bAdvance = nullptr, *btnAbout = nullptr,
                     *btnHelp = nullptr;

  std::unique_ptr<TMonkey> Monkey;
  int TotalSeconds = 0;
  bool Modified = false;

  QString GetAudioLength(const QString& file_name);
  void AddTrack(const QString& file_name);
  void AddFolder(const QString& folder);
  void RecalcTotalLength();
  // The window's title, on the form and on its skinned frame.
  void SetTitle(const QString& title);
  // The tracks in burn order, and the seconds of row `row` (0 when its
  // length is unknown).
  QStringList Tracks() const;
  int TrackSeconds(int row) const;

  void btnAddClick(TControl* sender = nullptr);
  void cmiAddFileClick(TComponent* sender = nullptr);
  void cmiAddFolderClick(TComponent* sender = nullptr);
  void btnRemoveClick(TControl* sender = nullptr);
  void btnClearClick(TControl* sender = nullptr);
  void btnNewClick(TControl* sender = nullptr);
  void btnOpenClick(TControl* sender = nullptr);
  // False when the save dialog was cancelled.
  bool btnSaveClick(TControl* sender = nullptr);
  void bBurnClick(TControl* sender = nullptr);
  void cbDrivesChange(TControl* sender = nullptr);
  void bEjectClick(TControl* sender = nullptr);
  // Takes the main window's writers into the drive list.
  void CopyDrives();
  // Adds dropped files and folders, in the order given.
  void AddDropped(const QStringList& paths);
  // A drag of the list's own row dropped on row `target`: the two swap.
  void SwapWithSelected(int target);

 protected:
  void DoCreate() override;
  void DoClose(TCloseAction& action) override;
  bool CloseQuery() override;

 private:
  void BuildLayout();
  void BuildToolBar();
  void BuildPopups();
  // Asks to save a changed list; false when the user cancels.
  bool QuerySave();
  void EmptyList();

  TExDragDrop* drop_ = nullptr;
};

// Makes the audio CD window and the audio burning window, and connects the
// start page's Audio CD button and the schedule's audio runs to them.
TAudioForm* CreateAudioForms();
