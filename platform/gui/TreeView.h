#pragma once
// TTreeView: the host's tree of nodes with text, images, a data pointer,
// expansion, one selected node and in-place label editing.
//
// The nodes are ours (TTreeNode, owned by TTreeNodes) and a small item model
// shows them in a QTreeView. Every node knows its parent, its children and
// its position among them, so parent, child by index, siblings, counts and
// levels cost no search; TTreeNodes::Item(i) walks from the last node it
// returned, so a pass over all nodes in order is linear. BeginUpdate /
// EndUpdate batch changes: the view is told once, at the end, and keeps
// which nodes are expanded and which is selected.

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/WidgetHost.h"

class QModelIndex;
class QTreeView;
class TImageList;
class TTreeNodes;
class TTreeView;
class TreeItemModel;
class TreeInnerView;

enum TNodeAttachMode { naAdd, naAddFirst, naAddChild, naAddChildFirst, naInsert };

class TTreeNode {
 public:
  TTreeNode(const TTreeNode&) = delete;
  TTreeNode& operator=(const TTreeNode&) = delete;
  ~TTreeNode();

  TTreeNodes* Owner() const { return owner_; }
  TTreeView* TreeView() const;

  const QString& Text() const { return text_; }
  void SetText(const QString& text);
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int index);
  // The image shown while the node is selected.
  int SelectedIndex() const { return selected_index_; }
  void SetSelectedIndex(int index);
  void* Data() const { return data_; }
  void SetData(void* data) { data_ = data; }

  // Null for a top-level node.
  TTreeNode* Parent() const;
  // 0 for a top-level node.
  int Level() const;
  // The position among the siblings.
  int Index() const { return index_; }
  int Count() const { return static_cast<int>(children_.size()); }
  // Raises EListError for an index outside 0..Count-1.
  TTreeNode* Item(int index) const;
  TTreeNode* operator[](int index) const { return Item(index); }
  bool HasChildren() const { return !children_.empty() || has_children_; }
  // Shows the expand button before any child is there.
  void SetHasChildren(bool value);
  TTreeNode* GetFirstChild() const;
  TTreeNode* GetLastChild() const;
  TTreeNode* getFirstChild() const { return GetFirstChild(); }
  TTreeNode* getNextSibling() const;
  TTreeNode* getPrevSibling() const;
  TTreeNode* GetNextSibling() const { return getNextSibling(); }
  TTreeNode* GetPrevSibling() const { return getPrevSibling(); }
  // The next / previous node in pre-order (children before siblings).
  TTreeNode* GetNext() const;
  TTreeNode* GetPrev() const;
  // The position in pre-order over the whole tree (walks the tree).
  int AbsoluteIndex() const;
  bool HasAsParent(const TTreeNode* node) const;

  bool Expanded() const { return expanded_; }
  void SetExpanded(bool expanded);
  void Expand(bool recurse);
  void Collapse(bool recurse);
  bool Selected() const;
  void SetSelected(bool selected);
  void MakeVisible();
  // The node's row (or its text only) in the tree view's coordinates; empty
  // when the node is not shown.
  TRect DisplayRect(bool textOnly) const;

  // Frees the node and its subtree.
  void Delete();
  void DeleteChildren();
  // Starts in-place editing of the label; EndEdit stops it.
  bool EditText();
  void EndEdit(bool cancel);

 private:
  friend class TTreeNodes;
  friend class TreeItemModel;
  friend class TTreeView;
  explicit TTreeNode(TTreeNodes* owner) : owner_(owner) {}
  void Changed();

  TTreeNodes* owner_;
  TTreeNode* parent_ = nullptr;  // the hidden root for top-level nodes
  std::vector<std::unique_ptr<TTreeNode>> children_;
  int index_ = 0;
  QString text_;
  int image_index_ = 0;
  int selected_index_ = 0;
  void* data_ = nullptr;
  bool expanded_ = false;
  bool has_children_ = false;
};

class TTreeNodes {
 public:
  explicit TTreeNodes(TTreeView* owner);
  ~TTreeNodes();
  TTreeNodes(const TTreeNodes&) = delete;
  TTreeNodes& operator=(const TTreeNodes&) = delete;

  TTreeView* Owner() const { return owner_; }
  // Every node of the tree.
  int Count() const { return count_; }
  // The node at pre-order position `index`; raises EListError when there is
  // none.
  TTreeNode* Item(int index) const;
  TTreeNode* operator[](int index) const { return Item(index); }
  TTreeNode* GetFirstNode() const;

  // As on the host: Add puts the node after the last sibling of `sibling`
  // (at the top level when sibling is null), AddFirst before the first;
  // AddChild makes it the last child of `parent`, AddChildFirst the first;
  // Insert puts it just before `sibling`.
  TTreeNode* Add(TTreeNode* sibling, const QString& text);
  TTreeNode* AddObject(TTreeNode* sibling, const QString& text, void* data);
  TTreeNode* AddFirst(TTreeNode* sibling, const QString& text);
  TTreeNode* AddChild(TTreeNode* parent, const QString& text);
  TTreeNode* AddChildObject(TTreeNode* parent, const QString& text, void* data);
  TTreeNode* AddChildFirst(TTreeNode* parent, const QString& text);
  TTreeNode* Insert(TTreeNode* sibling, const QString& text);
  TTreeNode* InsertObject(TTreeNode* sibling, const QString& text, void* data);
  void Delete(TTreeNode* node);
  void Clear();

  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return update_count_ > 0; }

 private:
  friend class TTreeNode;
  friend class TTreeView;
  friend class TreeItemModel;
  TTreeNode* InsertNode(TTreeNode* parent, int position, const QString& text, void* data);
  void RemoveNode(TTreeNode* node);
  int SubtreeSize(const TTreeNode* node) const;

  TTreeView* owner_;
  std::unique_ptr<TTreeNode> root_;
  int count_ = 0;
  int update_count_ = 0;
  bool dirty_ = false;
  // Item(i) starts from the last node it found.
  mutable int cache_index_ = -1;
  mutable TTreeNode* cache_node_ = nullptr;
};

class TTreeView : public TWidgetHost {
  Q_OBJECT

 public:
  explicit TTreeView(TComponent* owner = nullptr);
  ~TTreeView() override;
  QTreeView* View() const;

  TTreeNodes* Items() { return nodes_.get(); }
  TTreeNode* Selected() const { return selected_; }
  void SetSelected(TTreeNode* node);
  TTreeNode* TopItem() const;
  TTreeNode* GetNodeAt(int x, int y) const;
  TTreeNode* DropTarget() const { return drop_target_; }
  void SetDropTarget(TTreeNode* node) { drop_target_ = node; }
  bool IsEditing() const;
  void FullExpand();
  void FullCollapse();

  TImageList* Images() const { return images_; }
  void SetImages(TImageList* images);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool readOnly);
  bool ShowRoot() const { return show_root_; }
  void SetShowRoot(bool show);
  bool ShowLines() const { return show_lines_; }
  void SetShowLines(bool show) { show_lines_ = show; }
  bool ShowButtons() const { return show_buttons_; }
  void SetShowButtons(bool show);
  bool HideSelection() const { return hide_selection_; }
  void SetHideSelection(bool hide) { hide_selection_ = hide; }
  bool RowSelect() const { return row_select_; }
  void SetRowSelect(bool rowSelect) { row_select_ = rowSelect; }
  // A right click selects the node under the mouse.
  bool RightClickSelect() const { return right_click_select_; }
  void SetRightClickSelect(bool value) { right_click_select_ = value; }

  // The selection moved to `node` (null when nothing is selected).
  std::function<void(TControl* sender, TTreeNode* node)> OnChange;
  // Label editing is about to start; clear `allow` to refuse it.
  std::function<void(TControl* sender, TTreeNode* node, bool& allow)> OnEditing;
  // Editing ended with `text`; the handler may change it. Not raised when
  // the edit is cancelled.
  std::function<void(TControl* sender, TTreeNode* node, QString& text)> OnEdited;
  std::function<void(TControl* sender, TTreeNode* node)> OnExpanded;
  std::function<void(TControl* sender, TTreeNode* node)> OnCollapsed;
  std::function<void(TControl* sender, TTreeNode* node)> OnDeletion;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  void DragHover(int x, int y) override;
  void DragEnded() override;

 private:
  friend class TTreeNode;
  friend class TTreeNodes;
  friend class TreeItemModel;
  friend class TreeInnerView;
  QModelIndex IndexOf(const TTreeNode* node) const;
  TTreeNode* NodeOf(const QModelIndex& index) const;
  void CurrentChanged(TTreeNode* node);
  void ApplyViewState();
  void NodeRemoving(TTreeNode* node);

  TreeInnerView* view_;
  std::unique_ptr<TreeItemModel> model_;
  std::unique_ptr<TTreeNodes> nodes_;
  TTreeNode* selected_ = nullptr;
  TTreeNode* drop_target_ = nullptr;
  TImageList* images_ = nullptr;
  bool read_only_ = false;
  bool show_root_ = true;
  bool show_lines_ = true;
  bool show_buttons_ = true;
  bool hide_selection_ = true;
  bool row_select_ = false;
  bool right_click_select_ = false;
  bool restoring_ = false;
};
