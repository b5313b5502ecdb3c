#pragma once
// TwpnBrowseDirectoryDlg: the folder picker component. Execute asks the
// dialog service for a folder, starting at Selection (or at the folder that
// Root names) and titled with Title; the answer is in Selection.
//
// Root names the host's special folders; here each maps to the XDG folder
// that plays its part (the desktop, documents, fonts, the applications
// menu, autostart, ...), the folders without one to the home folder. The
// desktop and idDrives show the whole file system; any other root is the
// top of the tree. While the browser is open, Caption, StatusText,
// FitStatusText, EnableOKButton and Selection act on it at once.

#include <QString>
#include <functional>

#include "platform/gui/Component.h"

class TFolderBrowserDialog;

enum TRootID : int {
  idDesktop = 0,
  idInternet = 1,
  idPrograms = 2,
  idControlPanel = 3,
  idPrinters = 4,
  idPersonal = 5,
  idFavorites = 6,
  idStartup = 7,
  idRecent = 8,
  idSendTo = 9,
  idRecycleBin = 10,
  idStartMenu = 11,
  idDesktopDirectory = 16,
  idDrives = 17,
  idNetwork = 18,
  idNetHood = 19,
  idFonts = 20,
  idTemplates = 21,
  idCommonStartMenu = 22,
  idCommonPrograms = 23,
  idCommonStartup = 24,
  idCommonDesktopDirectory = 25,
  idAppData = 26,
  idPrintHood = 27,
  idDesktopExpanded = 0xFEFE,
};

using TBrowseFlags = unsigned;
enum : unsigned {
  bfDirectoriesOnly = 0x1,
  bfDomainOnly = 0x2,
  bfAncestors = 0x8,
  bfEditBox = 0x10,
  bfNewDialogStyle = 0x40,
  bfIncludeURLs = 0x80,
  bfComputers = 0x1000,
  bfPrinters = 0x2000,
  bfIncludeFiles = 0x4000,
  bfShareable = 0x8000,
  bfUseNewUI = 0x50,
};

// The folder a root stands for on this machine, with a trailing "/".
QString RootFolder(TRootID root);

class TwpnBrowseDirectoryDlg : public TComponent {
 public:
  explicit TwpnBrowseDirectoryDlg(TComponent* owner = nullptr);

  QString Version() const { return QStringLiteral("TwpnBrowseDirectoryDlg v2.61"); }

  // True when the user chose a folder; Selection is then its path as the
  // dialog gave it. Cancel empties Selection.
  virtual bool Execute();

  const QString& Selection() const { return selection_; }
  // A folder that exists gets a trailing "/".
  void SetSelection(const QString& selection);
  const QString& Title() const { return title_; }
  void SetTitle(const QString& title) { title_ = title; }
  // The open browser's title, else the stored caption.
  QString Caption() const;
  void SetCaption(const QString& caption);
  TRootID Root() const { return root_; }
  void SetRoot(TRootID root) { root_ = root; }
  TBrowseFlags Options() const { return options_; }
  // Adds the flags the others need: bfIncludeURLs brings bfIncludeFiles and
  // bfUseNewUI, bfShareable brings bfUseNewUI, bfUseNewUI brings bfEditBox
  // and bfNewDialogStyle.
  void SetOptions(TBrowseFlags options);
  bool Center() const { return center_; }
  void SetCenter(bool center) { center_ = center; }
  const QString& StatusText() const { return status_text_; }
  void SetStatusText(const QString& text);
  bool FitStatusText() const { return fit_status_text_; }
  void SetFitStatusText(bool fit);
  bool EnableOKButton() const { return enable_ok_; }
  void SetEnableOKButton(bool enable);
  int ImageIndex() const { return image_index_; }
  bool ShowSelectionInStatus() const { return show_selection_in_status_; }
  void SetShowSelectionInStatus(bool show) { show_selection_in_status_ = show; }

  std::function<void(TComponent* sender, const QString& new_sel)> OnSelChanged;
  std::function<void(TComponent* sender)> OnCreate;
  std::function<void(TComponent* sender, const QString& path, bool& cancel)> OnValidateFailed;

 protected:
  // The browser's hooks, in the order it calls them.
  virtual void DoInitialized(TFolderBrowserDialog& dialog);
  virtual void DoSelChanged(const QString& path);
  virtual void DoValidateFailed(const QString& path, bool& cancel);

 private:
  void ShowStatus();

  TFolderBrowserDialog* open_ = nullptr;  // while Execute runs
  QString selection_;
  QString title_;
  QString caption_;
  TRootID root_ = idDesktop;
  TBrowseFlags options_ = 0;
  bool center_ = true;
  QString status_text_;
  bool fit_status_text_ = true;
  bool enable_ok_ = true;
  int image_index_ = -1;
  bool show_selection_in_status_ = false;
};
