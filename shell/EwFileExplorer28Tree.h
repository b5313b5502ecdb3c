#pragma once
// TEwDirTree21: the folder tree of the explorer pane. The computer node
// holds one node per volume (EwFileExplorer28Volumes.h), and folders load
// when their node first expands. Choosing a folder fires OnDirChange and
// shows it in a linked file list; the popup offers the folder commands
// (new, rename, delete to the trash, cut/copy/paste, tree size, folder
// contents, volume refresh, properties). Folders dragged out carry their
// file URLs.

#include <QMenu>
#include <QString>
#include <functional>

#include "platform/gui/Controls.h"

class QAction;
class QTreeWidget;
class QTreeWidgetItem;
class QMimeData;
class TEwFilelistView28;
class TEwDirTree21;

// The tree's popup: items named and tagged as the commands' table says,
// enabled by the tree's selection each time it pops up.
class TEwDirTree21PopUp final : public QMenu {
 public:
  explicit TEwDirTree21PopUp(TEwDirTree21* tree);
  void BuildItems();
  // The item of that Name, or null.
  QAction* Item(const QString& name) const;
  // Sets the items' enabled states from the tree's selection.
  void UpdateStates();
  // Updates the states and shows the menu 10 pixels right of and below the
  // point (in the tree's coordinates).
  void Popup(int x, int y);
  void ItemClick(int tag);

 private:
  TEwDirTree21* tree_;
};

class TEwDirTree21 : public TWinControl {
 public:
  explicit TEwDirTree21(TComponent* owner = nullptr);
  ~TEwDirTree21() override;

  // The view inside the control (for the form's layout and for tests).
  QTreeWidget* TreeView() const { return view_; }
  QTreeWidgetItem* Selected() const;
  void SetSelected(QTreeWidgetItem* node);
  QTreeWidgetItem* ComputerNode() const;

  TEwFilelistView28* FileList() const { return file_list_; }
  void SetFileList(TEwFilelistView28* list);
  const QString& SelectedPath() const { return selected_path_; }
  void SetSelectedPath(const QString& path);
  const QString& SelectedFile() const { return selected_file_; }
  void SetSelectedFile(const QString& file);
  bool PopUpMenuEnabled() const { return popup_enabled_; }
  void SetPopUpMenuEnabled(bool enabled);
  TEwDirTree21PopUp* PopUp() const { return popup_; }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool read_only) { read_only_ = read_only; }
  QString About() const { return QStringLiteral("Version 2.1.7.0"); }
  bool PastePending() const { return paste_pending_; }

  std::function<void(TControl* sender, const QString& selected_path)> OnDirChange;
  std::function<void(TControl* sender, const QString& selected_file)> OnFileChange;
  // Runs when a node is about to show its children; the tree installs its
  // own loader (ExpandNode), which a form may replace.
  std::function<void(TControl* sender, QTreeWidgetItem* node, bool& allow)> OnExpanding;
  std::function<void(TControl* sender, QTreeWidgetItem* node, const QString& text)> OnEdited;

  void LoadRoot();
  void LoadDrives();
  void ReloadTree();
  static bool HasSubFolders(const QString& path);
  void AddSubFolders(QTreeWidgetItem* node, const QString& path);
  void ExpandNode(TControl* sender, QTreeWidgetItem* node, bool& allow);
  QString GetNodePath(const QTreeWidgetItem* node) const;

  // Shows an existing folder, loading the nodes on the way; fires
  // OnDirChange. A folder the tree cannot reach changes nothing.
  void SelectPath(const QString& path);

  // The folder commands.
  bool MakeNewFolder(QTreeWidgetItem* node, const QString& name);
  bool DeleteFolder(QTreeWidgetItem* node);
  // FO_MOVE for cut, FO_COPY for copy.
  void CutCopyFolder(int op);
  void PasteFolder();
  double ShowTreeSize();
  void ShowFolderContents();
  void MapNetworkDrive();
  void DisconnectNetworkDrive();
  void ShowFolderProperties();

  // In-place rename: whether a node may be edited, starting the edit, and
  // the end of an edit with the typed text (true when the folder was
  // renamed).
  bool CanEdit(const QTreeWidgetItem* node) const;
  void StartEdit(QTreeWidgetItem* node);
  bool Edit(QTreeWidgetItem* node, const QString& text);

  // A click on a node, and the keys, as the view reports them.
  void NodeMouseDown(TMouseButton button, TShiftState shift, int x, int y);
  void NodeKeyUp(int key, TShiftState shift);
  // The drag data for nodes: their folders' file URLs.
  QMimeData* DragData(const QList<QTreeWidgetItem*>& items) const;

  void Init() override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Steps 2-6 of a selection by mouse or key.
  void TakeSelection(QTreeWidgetItem* node);

  QTreeWidget* view_ = nullptr;
  TEwDirTree21PopUp* popup_ = nullptr;
  TEwFilelistView28* file_list_ = nullptr;
  QString selected_path_;
  QString selected_file_;
  bool popup_enabled_ = true;
  bool read_only_ = false;
  bool skip_rename_confirmation_ = false;
  bool paste_pending_ = false;
  int paste_op_ = 0;
  QString paste_source_;
};
