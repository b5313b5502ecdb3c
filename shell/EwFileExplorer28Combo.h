#pragma once
// TEwDirTreeCombo28: a read-only edit that shows the current folder with its
// icon and, from a button at its right end, drops down a folder tree
// (TEwDirTreeView) to pick another folder, like a combo box whose list is a
// tree. It drives a linked file list, and the list moves it along.

#include <QString>
#include <functional>

#include "platform/gui/Controls.h"

class QLineEdit;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TEwFilelistView28;
class TEwDirTreeCombo28;

// The drop-down tree: a borderless top-level window that closes when the
// user clicks outside it.
class TEwDirTreeView final : public TWinControl {
 public:
  TEwDirTreeView(TComponent* owner, TEwDirTreeCombo28* combo);

  QTreeWidget* TreeView() const { return view_; }
  const QString& SelectedPath() const { return selected_path_; }
  void SetSelectedPath(const QString& path);
  bool ExpandRoot() const { return expand_root_; }
  void SetExpandRoot(bool expand);

  // Clears the tree and adds the computer node and the volumes.
  void LoadTree();
  void ExpandNode(QTreeWidgetItem* node);
  QString GetNodePath(const QTreeWidgetItem* node) const;
  // A click on a node, in the view's coordinates.
  void NodeClicked(QTreeWidgetItem* node);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  TEwDirTreeCombo28* combo_;
  QTreeWidget* view_ = nullptr;
  QString selected_path_;
  bool expand_root_ = true;
};

class TEwDirTreeCombo28 : public TWinControl {
 public:
  explicit TEwDirTreeCombo28(TComponent* owner = nullptr);
  ~TEwDirTreeCombo28() override;

  QLineEdit* EditBox() const { return edit_; }
  QToolButton* DropButton() const { return button_; }
  TEwDirTreeView* Tree() const { return tree_; }

  QString SelectedPath() const;
  void SetSelectedPath(const QString& path);
  TEwFilelistView28* FileList() const { return file_list_; }
  void SetFileList(TEwFilelistView28* list);
  bool ExpandRoot() const;
  void SetExpandRoot(bool expand);
  int TreeHeight() const { return tree_height_; }
  void SetTreeHeight(int height) { tree_height_ = height; }
  // The text and the image index shown in the edit.
  QString Text() const;
  int ImageIndex() const { return image_index_; }
  QString About() const { return QStringLiteral("Version 2.8.7.0"); }

  std::function<void(TControl* sender, const QString& selected_path)> OnPathChange;

  // Shows the folder's node in the tree and in the edit; fires OnPathChange.
  // A folder the tree cannot reach changes nothing.
  void SelectPath(const QString& path);
  void ReloadTree();
  void ShowComputerNode();
  // Opens the tree (below the edit, or above it near the bottom of the
  // screen), or closes it when open.
  void DropDown();
  void CloseUp();
  bool DroppedDown() const;

  // Takes a node chosen in the tree: its path goes to the tree, the combo
  // and a linked list; OnPathChange fires with `sender`.
  void TakeNode(QTreeWidgetItem* node, TControl* sender);
  // The combo's keys (also those pressed while the tree is open).
  void ComboKeyDown(int& key, TShiftState shift);

  void Init() override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ShowNode(const QTreeWidgetItem* node);

  QLineEdit* edit_ = nullptr;
  QToolButton* button_ = nullptr;
  TEwDirTreeView* tree_ = nullptr;
  TEwFilelistView28* file_list_ = nullptr;
  int image_index_ = -1;
  int tree_height_ = 240;
};
