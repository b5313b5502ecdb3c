#pragma once
// The compilation editor of the main window: the disc's folder tree (trvDir),
// the whole compilation (trv2, never shown) and the entry list of the
// selected folder (clbox). Each trvDir folder holds its twin in trv2 and each
// list item its entry node, so folders of equal name never mix. Task files
// pass through app/TaskFile; the recorder is not touched here.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "app/TaskFile.h"

class TTreeView;
class TTreeNode;
class TListView;

class TCompilationEditor {
 public:
  TCompilationEditor(TTreeView* trvDir, TTreeView* trv2, TListView* clbox);

  // Empties both trees and starts a compilation named `disc_name`.
  void New(const QString& disc_name);
  // Replaces the compilation with a task file's tree.
  void Load(const TTaskNode& root);
  TTaskNode Save() const;

  // Appends one entry per source path (file or folder of the host) to the
  // selected folder (the root when none is selected).
  void AddSources(const QStringList& paths);
  void RemoveSelectedEntries();
  void RemoveAllEntries();
  // "New_Folder_<n>" under the selected folder; the new trvDir node.
  TTreeNode* CreateFolder(const QString& name);
  void RemoveSelectedFolder();
  void RenameFolder(TTreeNode* folder, const QString& text);
  void Cut();
  void Copy();
  // True when something was pasted.
  bool Paste();
  bool ClipboardEmpty() const { return clip_.isEmpty(); }

  // Shows the entries of the selected folder.
  void FillFileList();

  std::int64_t CompilationSize() const;
  // Both trees hold only the root.
  bool Empty() const;

  // Walks the compilation: every folder (disc path with "\" after each
  // name, starting at "\") and every entry's source path.
  struct Visitor {
    std::function<void(const QString& parent_path, const QString& name)> Folder;
    std::function<void(const QString& parent_path, const QString& source)> Entry;
  };
  void Walk(const Visitor& visitor) const;

  // The twin in trv2 of a trvDir folder.
  TTreeNode* Twin(TTreeNode* folder) const;
  TTreeNode* SelectedFolder() const;
  TTreeNode* DiscRoot() const;

  // Size of a host file, or of all files below a host folder.
  std::function<std::int64_t(const QString& path, bool folder)> SizeOf;
  // Runs after every change of the compilation.
  std::function<void()> OnChanged;

  static QString EntryText(const QString& source, std::int64_t size);
  static QString EntrySource(const QString& entry_text);

 private:
  TTreeNode* AddFolderPair(TTreeNode* dir_parent, TTreeNode* all_parent, const QString& name);
  void LoadChildren(const TTaskNode& node, TTreeNode* dir_parent, TTreeNode* all_parent);
  void SaveNode(TTreeNode* node, TTaskNode& out) const;
  void WalkNode(TTreeNode* node, const QString& path, const Visitor& visitor) const;
  TTreeNode* AppendEntry(TTreeNode* folder_twin, const QString& text);
  void Changed();
  void CopyToClipboard(bool cut);

  TTreeView* trvDir_;
  TTreeView* trv2_;
  TListView* clbox_;
  enum class ClipMode { None, Cut, Copy };
  ClipMode clip_mode_ = ClipMode::None;
  QStringList clip_;
  // The entry nodes that were cut; removed when pasted.
  std::vector<TTreeNode*> clip_nodes_;
};
