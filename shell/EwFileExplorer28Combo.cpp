#include "shell/EwFileExplorer28Combo.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QToolButton>
#include <QTreeWidget>

#include "platform/gui/Application.h"
#include "shell/EwFileExplorer28.h"
#include "shell/EwFileExplorer28Icons.h"
#include "shell/EwFileExplorer28List.h"
#include "shell/EwFileExplorer28Nodes.h"
#include "shell/EwFileExplorer28Volumes.h"

namespace nodes = explorer_nodes;

namespace {

constexpr int kButtonWidth = 17;

// Hands the key presses of the edit and of the open tree to the combo; the
// keys it handles go no further.
class ComboKeys final : public QObject {
 public:
  ComboKeys(QObject* parent, TEwDirTreeCombo28* combo) : QObject(parent), combo_(combo) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    auto* key_event = static_cast<QKeyEvent*>(event);
    int key = VirtualKeyFromQt(key_event->key());
    switch (key) {
      case 13:
      case 27:
      case 37:
      case 38:
      case 39:
      case 40:
      case 115:
        CallGuarded(combo_, [&] { combo_->ComboKeyDown(key, ShiftOf(key_event->modifiers())); });
        return true;
      default:
        return false;
    }
  }

 private:
  TEwDirTreeCombo28* combo_;
};

// The drop-down's view: a click on a node's label picks it.
class DropTreeView final : public QTreeWidget {
 public:
  explicit DropTreeView(TEwDirTreeView* owner) : QTreeWidget(owner), owner_(owner) {
    setHeaderHidden(true);
    setColumnCount(1);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMouseTracking(true);
    setFrameShape(QFrame::Box);
    setContextMenuPolicy(Qt::NoContextMenu);
  }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    QTreeWidgetItem* node = itemAt(at);
    if (node && visualItemRect(node).contains(at)) owner_->NodeClicked(node);
  }

 private:
  TEwDirTreeView* owner_;
};

}  // namespace

// ---- TEwDirTreeView ----

TEwDirTreeView::TEwDirTreeView(TComponent* owner, TEwDirTreeCombo28* combo)
    : TWinControl(owner, Qt::Popup | Qt::FramelessWindowHint), combo_(combo) {
  view_ = new DropTreeView(this);
  QObject::connect(view_, &QTreeWidget::itemExpanded, view_,
                   [this](QTreeWidgetItem* node) { ExpandNode(node); });
  // Hot tracking: the node under the mouse is the selection.
  QObject::connect(view_, &QTreeWidget::itemEntered, view_, [this](QTreeWidgetItem* node) {
    if (view_->hasFocus()) view_->setCurrentItem(node);
  });
  SetVisible(false);
}

void TEwDirTreeView::resizeEvent(QResizeEvent* event) {
  TWinControl::resizeEvent(event);
  view_->setGeometry(rect());
}

void TEwDirTreeView::hideEvent(QHideEvent* event) { TWinControl::hideEvent(event); }

void TEwDirTreeView::SetSelectedPath(const QString& path) {
  if (path != selected_path_) selected_path_ = path;
}

void TEwDirTreeView::SetExpandRoot(bool expand) {
  expand_root_ = expand;
  if (expand)
    if (QTreeWidgetItem* computer = nodes::ComputerNode(view_)) computer->setExpanded(true);
}

void TEwDirTreeView::LoadTree() {
  nodes::LoadRoot(view_);
  nodes::LoadDrives(view_);
}

void TEwDirTreeView::ExpandNode(QTreeWidgetItem* node) {
  if (!node || node->childCount() > 0) return;
  if (nodes::NodeLevel(node) == 0) {
    nodes::LoadDrives(view_);
    return;
  }
  nodes::LoadChildren(node);
}

QString TEwDirTreeView::GetNodePath(const QTreeWidgetItem* node) const { return nodes::GetNodePath(node); }

void TEwDirTreeView::NodeClicked(QTreeWidgetItem* node) { combo_->TakeNode(node, this); }

// ---- TEwDirTreeCombo28 ----

TEwDirTreeCombo28::TEwDirTreeCombo28(TComponent* owner) : TWinControl(owner) {
  edit_ = new QLineEdit(this);
  edit_->setReadOnly(true);
  edit_->setContextMenuPolicy(Qt::NoContextMenu);
  button_ = new QToolButton(this);
  button_->setArrowType(Qt::DownArrow);
  button_->setContextMenuPolicy(Qt::NoContextMenu);
  button_->setFocusPolicy(Qt::NoFocus);
  QObject::connect(button_, &QToolButton::clicked, button_,
                   [this] { CallGuarded(this, [&] { DropDown(); }); });
  tree_ = new TEwDirTreeView(this, this);
  auto* keys = new ComboKeys(edit_, this);
  edit_->installEventFilter(keys);
  tree_->TreeView()->installEventFilter(keys);
  SetBounds(Left(), Top(), 216, 21);
}

TEwDirTreeCombo28::~TEwDirTreeCombo28() = default;

void TEwDirTreeCombo28::Init() {
  TWinControl::Init();
  tree_->LoadTree();
  tree_->SetExpandRoot(true);
  ShowComputerNode();
}

void TEwDirTreeCombo28::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == file_list_) file_list_ = nullptr;
}

void TEwDirTreeCombo28::resizeEvent(QResizeEvent* event) {
  TWinControl::resizeEvent(event);
  edit_->setGeometry(0, 0, width(), height());
  button_->setGeometry(width() - kButtonWidth - 2, 2, kButtonWidth, std::max(height() - 4, 0));
  edit_->setTextMargins(0, 0, kButtonWidth + 2, 0);
}

QString TEwDirTreeCombo28::SelectedPath() const { return tree_->SelectedPath(); }

void TEwDirTreeCombo28::SetSelectedPath(const QString& path) {
  tree_->SetSelectedPath(path);
  if (file_list_) file_list_->SetDirectory(path);
}

void TEwDirTreeCombo28::SetFileList(TEwFilelistView28* list) {
  if (list == file_list_) return;
  TEwFilelistView28* old = file_list_;
  file_list_ = list;
  if (old) {
    RemoveFreeNotification(old);
    if (old->DirTreeCombo() == this) old->SetDirTreeCombo(nullptr);
  }
  if (list) {
    FreeNotification(list);
    list->SetDirTreeCombo(this);
    if (!SelectedPath().isEmpty()) list->SetDirectory(SelectedPath());
  }
}

bool TEwDirTreeCombo28::ExpandRoot() const { return tree_->ExpandRoot(); }

void TEwDirTreeCombo28::SetExpandRoot(bool expand) { tree_->SetExpandRoot(expand); }

QString TEwDirTreeCombo28::Text() const { return edit_->text(); }

void TEwDirTreeCombo28::ShowNode(const QTreeWidgetItem* node) {
  if (!node) return;
  const int level = nodes::NodeLevel(node);
  ShellImageList& images = ShellImageList::Instance();
  if (level == 0) {
    image_index_ = kIconComputer;
  } else if (level == 1) {
    const QString root = node->data(0, nodes::kRootRole).toString();
    image_index_ = images.IndexOfVolume(nodes::DriveTypeOf(node), root == AddBackslash(QDir::homePath()));
  } else {
    image_index_ = kIconFolder;
  }
  for (QAction* action : edit_->actions()) edit_->removeAction(action);
  edit_->addAction(images.Icon(image_index_), QLineEdit::LeadingPosition);
  edit_->setText(node->text(0));
}

void TEwDirTreeCombo28::ShowComputerNode() {
  QTreeWidget* view = tree_->TreeView();
  QTreeWidgetItem* computer = nodes::ComputerNode(view);
  if (!computer) return;
  view->setCurrentItem(computer);
  tree_->SetSelectedPath(nodes::kDrivesPath);
  ShowNode(computer);
}

void TEwDirTreeCombo28::ReloadTree() {
  QTreeWidget* view = tree_->TreeView();
  view->setUpdatesEnabled(false);
  view->setCurrentItem(nullptr);
  tree_->LoadTree();
  view->setUpdatesEnabled(true);
}

void TEwDirTreeCombo28::SelectPath(const QString& path) {
  if (path.isEmpty() || !QFileInfo(path).isDir()) return;
  const QString wanted = AddBackslash(QFileInfo(path).absoluteFilePath());
  QTreeWidget* view = tree_->TreeView();
  view->setUpdatesEnabled(false);
  QTreeWidgetItem* computer = nodes::ComputerNode(view);
  if (!computer) computer = nodes::LoadRoot(view);
  if (computer->childCount() == 0) nodes::LoadDrives(view);
  view->collapseAll();
  computer->setExpanded(true);
  QTreeWidgetItem* node = nodes::FindPathNode(view, wanted, [](QTreeWidgetItem* n) { n->setExpanded(true); });
  view->setUpdatesEnabled(true);
  if (!node) return;
  view->setCurrentItem(node);
  ShowNode(node);
  tree_->SetSelectedPath(wanted);
  if (OnPathChange) CallGuarded(this, [&] { OnPathChange(this, wanted); });
}

bool TEwDirTreeCombo28::DroppedDown() const { return tree_->isVisible(); }

void TEwDirTreeCombo28::DropDown() {
  if (DroppedDown()) {
    CloseUp();
    return;
  }
  QPoint at = mapToGlobal(QPoint(0, height()));
  const QScreen* screen = this->screen();
  if (screen && at.y() + tree_height_ > screen->geometry().bottom())
    at = mapToGlobal(QPoint(0, -tree_height_));
  tree_->setGeometry(at.x(), at.y(), width(), tree_height_);
  tree_->setEnabled(true);
  tree_->show();
  tree_->raise();
  tree_->TreeView()->setFocus();
}

void TEwDirTreeCombo28::CloseUp() {
  if (!DroppedDown()) return;
  tree_->hide();
}

void TEwDirTreeCombo28::TakeNode(QTreeWidgetItem* node, TControl* sender) {
  if (!node) return;
  const int level = nodes::NodeLevel(node);
  const QString path = level == 0 ? nodes::kDrivesPath : nodes::GetNodePath(node);
  tree_->TreeView()->setCurrentItem(node);
  if (level == 1 && nodes::DriveTypeOf(node) == kDriveRemovable && !CheckDriveReady(path, true)) {
    CloseUp();
    return;
  }
  tree_->SetSelectedPath(path);
  SetSelectedPath(path);
  ShowNode(node);
  if (OnPathChange) CallGuarded(this, [&] { OnPathChange(sender, path); });
  CloseUp();
}

void TEwDirTreeCombo28::ComboKeyDown(int& key, TShiftState shift) {
  QTreeWidget* view = tree_->TreeView();
  QTreeWidgetItem* current = view->currentItem();
  QTreeWidgetItem* computer = nodes::ComputerNode(view);
  switch (key) {
    case 40:
      if (!current) {
        view->setCurrentItem(computer);
      } else if (current->isExpanded() && current->childCount() > 0) {
        view->setCurrentItem(current->child(0));
      } else if (QTreeWidgetItem* below = view->itemBelow(current)) {
        view->setCurrentItem(below);
      }
      break;
    case 38:
      if (current && current != computer) {
        if (QTreeWidgetItem* above = view->itemAbove(current)) view->setCurrentItem(above);
      }
      break;
    case 39:
      if (current) current->setExpanded(true);
      break;
    case 37:
      if (current && current->isExpanded()) {
        current->setExpanded(false);
        QTreeWidgetItem* above = view->itemAbove(current);
        if (above && above != computer && current->parent() != computer) view->setCurrentItem(above);
      }
      break;
    case 115:
      DropDown();
      break;
    case 27:
      CloseUp();
      break;
    case 13:
      if (current) TakeNode(current, this);
      break;
    default:
      break;
  }
  KeyDown(key, shift);
}
