#include "platform/gui/TreeView.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTreeView>
#include <algorithm>
#include <vector>

#include "platform/core/StringList.h"
#include "platform/gui/Application.h"
#include "platform/gui/ImgList.h"

// ---- the model the view shows ----

class TreeItemModel final : public QAbstractItemModel {
 public:
  explicit TreeItemModel(TTreeView* tree) : tree_(tree) {}

  TTreeNode* Root() const { return tree_->nodes_->root_.get(); }
  TTreeNode* NodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<TTreeNode*>(index.internalPointer()) : Root();
  }
  QModelIndex IndexOf(const TTreeNode* node) const {
    if (!node || node == Root()) return {};
    return createIndex(node->index_, 0, const_cast<TTreeNode*>(node));
  }

  QModelIndex index(int row, int column, const QModelIndex& parent) const override {
    const TTreeNode* p = NodeOf(parent);
    if (column != 0 || row < 0 || row >= p->Count()) return {};
    return createIndex(row, 0, p->children_[static_cast<std::size_t>(row)].get());
  }
  QModelIndex parent(const QModelIndex& child) const override {
    if (!child.isValid()) return {};
    return IndexOf(NodeOf(child)->parent_);
  }
  int rowCount(const QModelIndex& parent) const override {
    if (parent.column() > 0) return 0;
    return NodeOf(parent)->Count();
  }
  int columnCount(const QModelIndex&) const override { return 1; }
  bool hasChildren(const QModelIndex& parent) const override { return NodeOf(parent)->HasChildren(); }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    const TTreeNode* node = NodeOf(index);
    switch (role) {
      case Qt::DisplayRole:
      case Qt::EditRole:
        return node->text_;
      case Qt::DecorationRole: {
        if (!tree_->images_) return {};
        const int image = node == tree_->selected_ ? node->selected_index_ : node->image_index_;
        if (image < 0 || image >= tree_->images_->Count()) return {};
        return tree_->images_->IconOf(image);
      }
      default:
        return {};
    }
  }

  Qt::ItemFlags flags(const QModelIndex& index) const override {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!tree_->read_only_) f |= Qt::ItemIsEditable;
    return f;
  }

  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (!index.isValid() || role != Qt::EditRole) return false;
    TTreeNode* node = NodeOf(index);
    QString text = value.toString();
    bool ok = true;
    CallGuarded(tree_, [&] {
      try {
        if (tree_->OnEdited) tree_->OnEdited(tree_, node, text);
      } catch (...) {
        ok = false;
        throw;
      }
    });
    if (ok) node->SetText(text);
    return ok;
  }

  void Changed(const TTreeNode* node) {
    const QModelIndex index = IndexOf(node);
    if (index.isValid()) emit dataChanged(index, index);
  }

  using QAbstractItemModel::beginInsertRows;
  using QAbstractItemModel::beginRemoveRows;
  using QAbstractItemModel::beginResetModel;
  using QAbstractItemModel::endInsertRows;
  using QAbstractItemModel::endRemoveRows;
  using QAbstractItemModel::endResetModel;

 private:
  TTreeView* tree_;
};

// The Qt view: asks OnEditing before an edit and keeps a right click from
// moving the selection unless RightClickSelect is on.
// Qt's styles keep the branch arrows they draw under the key of the
// palette they were drawn with, and a widget's palette gets a new key
// every time it is set, even to colours it had before. A tree whose colours
// change again and again (skins switched back and forth) would leave a
// new set of arrows and their key strings in Qt's picture cache at each
// change, and the strings stay even after the pictures go. The view draws
// with one shared palette for each set of colours instead, so the arrows
// of colours seen before are found again.
const QPalette& SharedPalette(const QPalette& palette) {
  static std::vector<QPalette> recent;  // the last used first
  auto it = std::find(recent.begin(), recent.end(), palette);
  if (it == recent.end()) {
    if (recent.size() == 16) recent.pop_back();
    recent.insert(recent.begin(), palette);
  } else {
    std::rotate(recent.begin(), it, it + 1);
  }
  return recent.front();
}

class TreeInnerView final : public QTreeView {
 public:
  explicit TreeInnerView(TTreeView* tree) : tree_(tree) {}
  using QTreeView::edit;

  bool Editing() const { return state() == QAbstractItemView::EditingState; }
  void FinishEdit(bool cancel) {
    // Closed editors linger until deleted later; the open one is visible.
    QLineEdit* editor = nullptr;
    for (QLineEdit* e : viewport()->findChildren<QLineEdit*>())
      if (e->isVisible()) editor = e;
    if (!editor) return;
    if (cancel) {
      closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    } else {
      commitData(editor);
      closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
  }

 protected:
  void initViewItemOption(QStyleOptionViewItem* option) const override {
    QTreeView::initViewItemOption(option);
    const QPalette::ColorGroup group = option->palette.currentColorGroup();
    option->palette = SharedPalette(option->palette);
    option->palette.setCurrentColorGroup(group);
  }
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override {
    if (!index.isValid() || tree_->read_only_) return false;
    if (state() == QAbstractItemView::EditingState) return QTreeView::edit(index, trigger, event);
    // Only the triggers that start editing ask; Qt calls edit() for every
    // click to find out.
    if (!(editTriggers() & trigger) && trigger != AllEditTriggers) return false;
    bool allow = true;
    TTreeNode* node = tree_->NodeOf(index);
    CallGuarded(tree_, [&] {
      if (tree_->OnEditing) tree_->OnEditing(tree_, node, allow);
    });
    if (!allow) return false;
    return QTreeView::edit(index, trigger, event);
  }

  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::RightButton && !tree_->right_click_select_) return;
    QTreeView::mousePressEvent(event);
  }

 private:
  TTreeView* tree_;
};

// ---- TTreeNode ----

TTreeNode::~TTreeNode() = default;

TTreeView* TTreeNode::TreeView() const { return owner_->owner_; }

void TTreeNode::Changed() {
  if (!owner_->Updating()) owner_->owner_->model_->Changed(this);
}

void TTreeNode::SetText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  Changed();
}

void TTreeNode::SetImageIndex(int index) {
  if (index == image_index_) return;
  image_index_ = index;
  Changed();
}

void TTreeNode::SetSelectedIndex(int index) {
  if (index == selected_index_) return;
  selected_index_ = index;
  Changed();
}

TTreeNode* TTreeNode::Parent() const { return parent_ == owner_->root_.get() ? nullptr : parent_; }

int TTreeNode::Level() const {
  int level = 0;
  for (const TTreeNode* p = parent_; p && p != owner_->root_.get(); p = p->parent_) ++level;
  return level;
}

TTreeNode* TTreeNode::Item(int index) const {
  if (index < 0 || index >= Count()) throw EListError("Tree node index out of bounds");
  return children_[static_cast<std::size_t>(index)].get();
}

void TTreeNode::SetHasChildren(bool value) {
  if (value == has_children_) return;
  has_children_ = value;
  Changed();
}

TTreeNode* TTreeNode::GetFirstChild() const { return children_.empty() ? nullptr : children_.front().get(); }
TTreeNode* TTreeNode::GetLastChild() const { return children_.empty() ? nullptr : children_.back().get(); }

TTreeNode* TTreeNode::getNextSibling() const {
  if (!parent_ || index_ + 1 >= parent_->Count()) return nullptr;
  return parent_->children_[static_cast<std::size_t>(index_ + 1)].get();
}

TTreeNode* TTreeNode::getPrevSibling() const {
  if (!parent_ || index_ == 0) return nullptr;
  return parent_->children_[static_cast<std::size_t>(index_ - 1)].get();
}

TTreeNode* TTreeNode::GetNext() const {
  if (!children_.empty()) return children_.front().get();
  for (const TTreeNode* n = this; n && n != owner_->root_.get(); n = n->parent_)
    if (TTreeNode* next = n->getNextSibling()) return next;
  return nullptr;
}

TTreeNode* TTreeNode::GetPrev() const {
  TTreeNode* prev = getPrevSibling();
  if (!prev) return Parent();
  while (!prev->children_.empty()) prev = prev->children_.back().get();
  return prev;
}

int TTreeNode::AbsoluteIndex() const {
  int index = 0;
  for (const TTreeNode* n = GetPrev(); n; n = n->GetPrev()) ++index;
  return index;
}

bool TTreeNode::HasAsParent(const TTreeNode* node) const {
  if (!node) return false;
  for (const TTreeNode* p = Parent(); p; p = p->Parent())
    if (p == node) return true;
  return false;
}

void TTreeNode::SetExpanded(bool expanded) {
  if (expanded == expanded_) return;
  if (expanded && !HasChildren()) return;
  expanded_ = expanded;
  TTreeView* tree = TreeView();
  if (!owner_->Updating()) {
    tree->view_->setExpanded(tree->IndexOf(this), expanded);
  }
}

void TTreeNode::Expand(bool recurse) {
  SetExpanded(true);
  if (recurse)
    for (auto& child : children_) child->Expand(true);
}

void TTreeNode::Collapse(bool recurse) {
  SetExpanded(false);
  if (recurse)
    for (auto& child : children_) child->Collapse(true);
}

bool TTreeNode::Selected() const { return TreeView()->selected_ == this; }

void TTreeNode::SetSelected(bool selected) {
  TTreeView* tree = TreeView();
  if (selected)
    tree->SetSelected(this);
  else if (tree->selected_ == this)
    tree->SetSelected(nullptr);
}

void TTreeNode::MakeVisible() {
  for (TTreeNode* p = Parent(); p; p = p->Parent()) p->SetExpanded(true);
  if (!owner_->Updating()) TreeView()->view_->scrollTo(TreeView()->IndexOf(this));
}

TRect TTreeNode::DisplayRect(bool textOnly) const {
  TTreeView* tree = TreeView();
  if (owner_->Updating()) return {};
  const QModelIndex index = tree->IndexOf(this);
  QRect r = tree->view_->visualRect(index);
  if (r.isEmpty()) return {};
  if (textOnly && tree->images_) r.setLeft(r.left() + tree->view_->iconSize().width() + 4);
  const QPoint at = tree->view_->viewport()->mapTo(tree, r.topLeft());
  return Bounds(at.x(), at.y(), r.width(), r.height());
}

void TTreeNode::Delete() { owner_->Delete(this); }

void TTreeNode::DeleteChildren() {
  while (!children_.empty()) owner_->Delete(children_.back().get());
}

bool TTreeNode::EditText() {
  TTreeView* tree = TreeView();
  if (owner_->Updating() || tree->read_only_) return false;
  tree->view_->edit(tree->IndexOf(this));
  return tree->view_->Editing();
}

void TTreeNode::EndEdit(bool cancel) { TreeView()->view_->FinishEdit(cancel); }

// ---- TTreeNodes ----

TTreeNodes::TTreeNodes(TTreeView* owner) : owner_(owner), root_(new TTreeNode(this)) {}
TTreeNodes::~TTreeNodes() = default;

TTreeNode* TTreeNodes::GetFirstNode() const { return root_->GetFirstChild(); }

TTreeNode* TTreeNodes::Item(int index) const {
  if (index < 0 || index >= count_) throw EListError("Tree index out of bounds");
  TTreeNode* node;
  int at;
  if (cache_node_ && cache_index_ <= index) {
    node = cache_node_;
    at = cache_index_;
  } else if (cache_node_ && index > cache_index_ / 2) {
    node = cache_node_;
    at = cache_index_;
    while (at > index) {
      node = node->GetPrev();
      --at;
    }
  } else {
    node = GetFirstNode();
    at = 0;
  }
  while (at < index) {
    node = node->GetNext();
    ++at;
  }
  cache_node_ = node;
  cache_index_ = index;
  return node;
}

TTreeNode* TTreeNodes::InsertNode(TTreeNode* parent, int position, const QString& text, void* data) {
  if (!parent) parent = root_.get();
  if (parent->owner_ != this) throw EListError("The node belongs to another tree");
  TreeItemModel& model = *owner_->model_;
  const bool live = !Updating();
  if (live) model.beginInsertRows(model.IndexOf(parent), position, position);
  std::unique_ptr<TTreeNode> node(new TTreeNode(this));
  TTreeNode* raw = node.get();
  raw->text_ = text;
  raw->data_ = data;
  raw->parent_ = parent;
  parent->children_.insert(parent->children_.begin() + position, std::move(node));
  for (std::size_t i = static_cast<std::size_t>(position); i < parent->children_.size(); ++i)
    parent->children_[i]->index_ = static_cast<int>(i);
  ++count_;
  cache_node_ = nullptr;
  if (live)
    model.endInsertRows();
  else
    dirty_ = true;
  return raw;
}

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, const QString& text) {
  return AddObject(sibling, text, nullptr);
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* sibling, const QString& text, void* data) {
  TTreeNode* parent = sibling ? sibling->parent_ : root_.get();
  return InsertNode(parent, parent->Count(), text, data);
}

TTreeNode* TTreeNodes::AddFirst(TTreeNode* sibling, const QString& text) {
  return InsertNode(sibling ? sibling->parent_ : root_.get(), 0, text, nullptr);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const QString& text) {
  return AddChildObject(parent, text, nullptr);
}

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* parent, const QString& text, void* data) {
  TTreeNode* p = parent ? parent : root_.get();
  return InsertNode(p, p->Count(), text, data);
}

TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* parent, const QString& text) {
  return InsertNode(parent ? parent : root_.get(), 0, text, nullptr);
}

TTreeNode* TTreeNodes::Insert(TTreeNode* sibling, const QString& text) {
  return InsertObject(sibling, text, nullptr);
}

TTreeNode* TTreeNodes::InsertObject(TTreeNode* sibling, const QString& text, void* data) {
  if (!sibling) return AddObject(nullptr, text, data);
  return InsertNode(sibling->parent_, sibling->index_, text, data);
}

int TTreeNodes::SubtreeSize(const TTreeNode* node) const {
  int size = 1;
  for (const auto& child : node->children_) size += SubtreeSize(child.get());
  return size;
}

void TTreeNodes::Delete(TTreeNode* node) {
  if (!node) return;
  if (node->owner_ != this || node == root_.get()) throw EListError("The node belongs to another tree");
  RemoveNode(node);
}

void TTreeNodes::RemoveNode(TTreeNode* node) {
  TTreeView* tree = owner_;
  if (tree->OnDeletion) {
    // Children go before their parent, as on the host.
    std::vector<TTreeNode*> order;
    std::vector<std::pair<TTreeNode*, std::size_t>> stack{{node, 0}};
    while (!stack.empty()) {
      auto& [n, next] = stack.back();
      if (next < n->children_.size()) {
        TTreeNode* child = n->children_[next++].get();
        stack.push_back({child, 0});
      } else {
        order.push_back(n);
        stack.pop_back();
      }
    }
    for (TTreeNode* n : order) CallGuarded(tree, [&] { tree->OnDeletion(tree, n); });
  }
  TTreeNode* parent = node->parent_;
  const int position = node->index_;
  const bool selected_inside =
      tree->selected_ && (tree->selected_ == node || tree->selected_->HasAsParent(node));
  if (tree->drop_target_ && (tree->drop_target_ == node || tree->drop_target_->HasAsParent(node)))
    tree->drop_target_ = nullptr;
  TreeItemModel& model = *tree->model_;
  const bool live = !Updating();
  // While the rows go, the view may move the selection to a neighbour; that
  // raises OnChange with a node that stays.
  if (live) model.beginRemoveRows(model.IndexOf(parent), position, position);
  const int size = SubtreeSize(node);
  std::unique_ptr<TTreeNode> doomed = std::move(parent->children_[static_cast<std::size_t>(position)]);
  parent->children_.erase(parent->children_.begin() + position);
  for (std::size_t i = static_cast<std::size_t>(position); i < parent->children_.size(); ++i)
    parent->children_[i]->index_ = static_cast<int>(i);
  count_ -= size;
  cache_node_ = nullptr;
  if (selected_inside && (tree->selected_ == node || (tree->selected_ && tree->selected_->HasAsParent(node))))
    tree->selected_ = nullptr;
  doomed.reset();
  if (live)
    model.endRemoveRows();
  else
    dirty_ = true;
  if (live && selected_inside && !tree->selected_)
    tree->CurrentChanged(tree->NodeOf(tree->view_->currentIndex()));
}

void TTreeNodes::Clear() {
  if (count_ == 0) return;
  BeginUpdate();
  while (!root_->children_.empty()) RemoveNode(root_->children_.back().get());
  EndUpdate();
}

void TTreeNodes::BeginUpdate() {
  if (update_count_++ > 0) return;
  // The view lets go of the model until the end: it keeps no index of a
  // node that may go meanwhile, and lays out once.
  TTreeView* tree = owner_;
  tree->view_->setUpdatesEnabled(false);
  QItemSelectionModel* old = tree->view_->selectionModel();
  tree->view_->setModel(nullptr);
  delete old;
}

void TTreeNodes::EndUpdate() {
  if (update_count_ == 0 || --update_count_ > 0) return;
  dirty_ = false;
  TTreeView* tree = owner_;
  QItemSelectionModel* empty = tree->view_->selectionModel();
  tree->view_->setModel(tree->model_.get());
  delete empty;
  tree->ApplyViewState();
  tree->view_->setUpdatesEnabled(true);
}

// ---- TTreeView ----

TTreeView::TTreeView(TComponent* owner)
    : TWidgetHost(owner),
      view_(new TreeInnerView(this)),
      model_(std::make_unique<TreeItemModel>(this)),
      nodes_(std::make_unique<TTreeNodes>(this)) {
  view_->setHeaderHidden(true);
  view_->setUniformRowHeights(true);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
  view_->setExpandsOnDoubleClick(true);
  view_->setDragDropMode(QAbstractItemView::NoDragDrop);
  SetInner(view_, view_);
  SetColor(clWindow);
  SetBounds(0, 0, 121, 97);
  view_->setModel(model_.get());
  ApplyViewState();
  QObject::connect(view_, &QTreeView::expanded, this, [this](const QModelIndex& index) {
    TTreeNode* node = NodeOf(index);
    if (!node || restoring_) return;
    node->expanded_ = true;
    CallGuarded(this, [&] {
      if (OnExpanded) OnExpanded(this, node);
    });
  });
  QObject::connect(view_, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
    TTreeNode* node = NodeOf(index);
    if (!node || restoring_) return;
    node->expanded_ = false;
    CallGuarded(this, [&] {
      if (OnCollapsed) OnCollapsed(this, node);
    });
  });
}

TTreeView::~TTreeView() {
  MarkDestroying();
  if (images_) RemoveFreeNotification(images_);
  // No selection news while the nodes go.
  QObject::disconnect(view_->selectionModel(), nullptr, this, nullptr);
  view_->setModel(nullptr);
  nodes_.reset();
}

QTreeView* TTreeView::View() const { return view_; }

QModelIndex TTreeView::IndexOf(const TTreeNode* node) const { return model_->IndexOf(node); }

TTreeNode* TTreeView::NodeOf(const QModelIndex& index) const {
  return index.isValid() ? static_cast<TTreeNode*>(index.internalPointer()) : nullptr;
}

void TTreeView::ApplyViewState() {
  // Connect the selection model the view has now (setModel makes a new one).
  QObject::connect(
      view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
      [this](const QModelIndex& current, const QModelIndex&) { CurrentChanged(NodeOf(current)); });
  restoring_ = true;
  for (TTreeNode* node = nodes_->GetFirstNode(); node; node = node->GetNext())
    if (node->expanded_) view_->setExpanded(IndexOf(node), true);
  if (selected_) view_->setCurrentIndex(IndexOf(selected_));
  restoring_ = false;
}

void TTreeView::CurrentChanged(TTreeNode* node) {
  if (restoring_ || node == selected_) return;
  TTreeNode* old = selected_;
  selected_ = node;
  if (old) model_->Changed(old);
  if (node) model_->Changed(node);
  CallGuarded(this, [&] {
    if (OnChange) OnChange(this, node);
  });
}

void TTreeView::SetSelected(TTreeNode* node) {
  if (node && node->owner_ != nodes_.get()) throw EListError("The node belongs to another tree");
  if (node)
    for (TTreeNode* p = node->Parent(); p; p = p->Parent()) p->SetExpanded(true);
  if (nodes_->Updating()) {
    CurrentChanged(node);
    return;
  }
  if (node) {
    view_->setCurrentIndex(IndexOf(node));
    view_->scrollTo(IndexOf(node));
  } else {
    view_->selectionModel()->clear();
  }
  // The view reports the change; make sure Selected follows even if it
  // did not (a node already current).
  CurrentChanged(node);
}

TTreeNode* TTreeView::TopItem() const { return NodeOf(view_->indexAt(QPoint(1, 1))); }

TTreeNode* TTreeView::GetNodeAt(int x, int y) const {
  if (nodes_->Updating()) return nullptr;
  return NodeOf(view_->indexAt(view_->viewport()->mapFrom(this, QPoint(x, y))));
}

bool TTreeView::IsEditing() const { return view_->Editing(); }

void TTreeView::FullExpand() {
  for (TTreeNode* node = nodes_->GetFirstNode(); node; node = node->getNextSibling()) node->Expand(true);
}

void TTreeView::FullCollapse() {
  for (TTreeNode* node = nodes_->GetFirstNode(); node; node = node->getNextSibling()) node->Collapse(true);
}

void TTreeView::SetImages(TImageList* images) {
  if (images == images_) return;
  if (images_) RemoveFreeNotification(images_);
  images_ = images;
  if (images) {
    FreeNotification(images);
    view_->setIconSize(QSize(images->Width(), images->Height()));
  }
  view_->viewport()->update();
}

void TTreeView::Notification(TComponent* component, TOperation operation) {
  TWidgetHost::Notification(component, operation);
  if (operation == TOperation::opRemove && component == images_) {
    images_ = nullptr;
    if (!Destroying()) view_->viewport()->update();
  }
}

void TTreeView::SetReadOnly(bool readOnly) { read_only_ = readOnly; }

void TTreeView::SetShowRoot(bool show) {
  show_root_ = show;
  view_->setRootIsDecorated(show);
}

void TTreeView::SetShowButtons(bool show) {
  show_buttons_ = show;
  view_->setItemsExpandable(true);
  view_->setRootIsDecorated(show && show_root_);
}

void TTreeView::DragHover(int x, int y) { drop_target_ = GetNodeAt(x, y); }
void TTreeView::DragEnded() { drop_target_ = nullptr; }
