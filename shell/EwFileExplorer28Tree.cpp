#include "shell/EwFileExplorer28Tree.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/core/DirEnum.h"
#include "platform/core/Formats.h"
#include "platform/gui/Application.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "shell/EwFileExplorer28.h"
#include "shell/EwFileExplorer28Icons.h"
#include "shell/EwFileExplorer28List.h"
#include "shell/EwFileExplorer28Nodes.h"
#include "shell/EwFileExplorer28Volumes.h"

namespace nodes = explorer_nodes;

namespace {

// The tree view inside the control: reports clicks, key releases, context
// menus and drags to the control.
class DirTreeView final : public QTreeWidget {
 public:
  explicit DirTreeView(TEwDirTree21* owner) : QTreeWidget(owner), owner_(owner) {
    setHeaderHidden(true);
    setColumnCount(1);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setContextMenuPolicy(Qt::DefaultContextMenu);
  }

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    QTreeWidget::mousePressEvent(event);
    TMouseButton button = mbLeft;
    if (event->button() == Qt::RightButton) button = mbRight;
    if (event->button() == Qt::MiddleButton) button = mbMiddle;
    const QPoint p = mapTo(owner_, event->position().toPoint());
    owner_->NodeMouseDown(button, ShiftOf(event->modifiers()), p.x(), p.y());
  }
  void keyReleaseEvent(QKeyEvent* event) override {
    QTreeWidget::keyReleaseEvent(event);
    if (!event->isAutoRepeat())
      owner_->NodeKeyUp(VirtualKeyFromQt(event->key()), ShiftOf(event->modifiers()));
    // Handled here; the control itself must not see the key again.
    event->accept();
  }
  void contextMenuEvent(QContextMenuEvent* event) override {
    if (!owner_->PopUpMenuEnabled()) return;
    const QPoint p = mapTo(owner_, event->pos());
    owner_->PopUp()->Popup(p.x(), p.y());
  }
  QStringList mimeTypes() const override { return {"text/uri-list", "text/plain"}; }
  QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override { return owner_->DragData(items); }

 private:
  TEwDirTree21* owner_;
};

struct MenuEntry {
  const char* caption;
  const char* name;
  int tag;
};

constexpr MenuEntry kTreeMenu[] = {
    {"&New Folder", "AddNode", 1},
    {"&Rename Folder", "EditNode", 2},
    {"&Delete Folder", "DelNode", 3},
    {nullptr, nullptr, 0},
    {"Cu&t", "CutNode", 4},
    {"&Copy", "CopyNode", 5},
    {"&Paste", "PasteNode", 6},
    {nullptr, nullptr, 0},
    {"Tree &Size", "GetTreeSize", 7},
    {"&Folder Contents", "ShowFolderContents", 8},
    {nullptr, nullptr, 0},
    {"&Map Network Drive", "ConnectNetResource", 9},
    {"Di&sConnect Network Drive", "DisConnectNetResource", 10},
    {nullptr, nullptr, 0},
    {"&Properties", "ItemProperty", 11},
};

}  // namespace

// ---- TEwDirTree21PopUp ----

TEwDirTree21PopUp::TEwDirTree21PopUp(TEwDirTree21* tree) : QMenu(tree), tree_(tree) {}

void TEwDirTree21PopUp::BuildItems() {
  clear();
  for (const MenuEntry& entry : kTreeMenu) {
    if (!entry.caption) {
      addSeparator();
      continue;
    }
    QAction* action = addAction(QString::fromLatin1(entry.caption));
    action->setObjectName(QString::fromLatin1(entry.name));
    action->setData(entry.tag);
    const int tag = entry.tag;
    connect(action, &QAction::triggered, this, [this, tag] { CallGuarded(tree_, [&] { ItemClick(tag); }); });
  }
}

QAction* TEwDirTree21PopUp::Item(const QString& name) const {
  for (QAction* action : actions()) {
    if (action->objectName() == name) return action;
  }
  return nullptr;
}

void TEwDirTree21PopUp::UpdateStates() {
  const int level = nodes::NodeLevel(tree_->Selected());
  const bool drive_or_folder = level >= 1;
  const bool folder = level >= 2;
  const std::pair<const char*, bool> states[] = {
      {"AddNode", drive_or_folder},
      {"EditNode", folder},
      {"DelNode", folder},
      {"CutNode", folder},
      {"CopyNode", folder},
      {"PasteNode", folder && tree_->PastePending()},
      {"GetTreeSize", drive_or_folder},
      {"ShowFolderContents", drive_or_folder},
      {"ConnectNetResource", true},
      {"DisConnectNetResource", true},
      {"ItemProperty", drive_or_folder},
  };
  for (const auto& [name, enabled] : states) {
    if (QAction* action = Item(QString::fromLatin1(name))) action->setEnabled(enabled);
  }
}

void TEwDirTree21PopUp::Popup(int x, int y) {
  UpdateStates();
  popup(tree_->mapToGlobal(QPoint(x + 10, y + 10)));
}

void TEwDirTree21PopUp::ItemClick(int tag) {
  switch (tag) {
    case 1:
      tree_->MakeNewFolder(tree_->Selected(), {});
      break;
    case 2:
      tree_->StartEdit(tree_->Selected());
      break;
    case 3:
      if (tree_->Selected()) tree_->DeleteFolder(tree_->Selected());
      break;
    case 4:
      tree_->CutCopyFolder(FO_MOVE);
      break;
    case 5:
      tree_->CutCopyFolder(FO_COPY);
      break;
    case 6:
      tree_->PasteFolder();
      break;
    case 7:
      tree_->ShowTreeSize();
      break;
    case 8:
      tree_->ShowFolderContents();
      break;
    case 9:
      tree_->MapNetworkDrive();
      break;
    case 10:
      tree_->DisconnectNetworkDrive();
      break;
    case 11:
      tree_->ShowFolderProperties();
      break;
    default:
      break;
  }
}

// ---- TEwDirTree21 ----

TEwDirTree21::TEwDirTree21(TComponent* owner) : TWinControl(owner) {
  view_ = new DirTreeView(this);
  view_->setItemDelegate(
      new nodes::RenameDelegate(view_, [this](const QModelIndex& index, const QString& text) {
        CallGuarded(this, [&] { Edit(view_->itemFromIndex(index), text); });
      }));
  QObject::connect(view_, &QTreeWidget::itemExpanded, view_, [this](QTreeWidgetItem* node) {
    bool allow = true;
    if (OnExpanding) CallGuarded(this, [&] { OnExpanding(this, node, allow); });
    if (!allow) node->setExpanded(false);
  });
  popup_ = new TEwDirTree21PopUp(this);
  popup_->BuildItems();
  OnExpanding = [this](TControl* sender, QTreeWidgetItem* node, bool& allow) {
    ExpandNode(sender, node, allow);
  };
  SetBounds(Left(), Top(), 180, 120);
  LoadRoot();
}

TEwDirTree21::~TEwDirTree21() = default;

void TEwDirTree21::Init() {
  TWinControl::Init();
  // Made in code rather than loaded from a form: show the volumes at once.
  ReloadTree();
  if (QTreeWidgetItem* computer = ComputerNode()) computer->setExpanded(true);
}

void TEwDirTree21::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == file_list_) file_list_ = nullptr;
}

void TEwDirTree21::Loaded() {
  TWinControl::Loaded();
  ReloadTree();
  if (QTreeWidgetItem* computer = ComputerNode()) computer->setExpanded(true);
}

void TEwDirTree21::resizeEvent(QResizeEvent* event) {
  TWinControl::resizeEvent(event);
  view_->setGeometry(rect());
}

QTreeWidgetItem* TEwDirTree21::Selected() const { return view_->currentItem(); }

void TEwDirTree21::SetSelected(QTreeWidgetItem* node) { view_->setCurrentItem(node); }

QTreeWidgetItem* TEwDirTree21::ComputerNode() const { return nodes::ComputerNode(view_); }

void TEwDirTree21::SetFileList(TEwFilelistView28* list) {
  if (list == file_list_) return;
  TEwFilelistView28* old = file_list_;
  file_list_ = list;
  if (old) {
    RemoveFreeNotification(old);
    if (old->DirTree() == this) old->SetDirTree(nullptr);
  }
  if (list) {
    FreeNotification(list);
    // The link goes both ways, so the tree follows the list into folders.
    list->SetDirTree(this);
    if (!selected_path_.isEmpty()) list->SetDirectory(selected_path_);
  }
}

void TEwDirTree21::SetSelectedPath(const QString& path) {
  if (path.compare(selected_path_, Qt::CaseInsensitive) != 0) selected_path_ = path;
}

void TEwDirTree21::SetSelectedFile(const QString& file) {
  if (file.compare(selected_file_, Qt::CaseInsensitive) != 0) selected_file_ = file;
}

void TEwDirTree21::SetPopUpMenuEnabled(bool enabled) { popup_enabled_ = enabled; }

void TEwDirTree21::LoadRoot() { nodes::LoadRoot(view_); }

void TEwDirTree21::LoadDrives() {
  view_->setUpdatesEnabled(false);
  nodes::LoadDrives(view_);
  view_->setUpdatesEnabled(true);
}

void TEwDirTree21::ReloadTree() {
  view_->setUpdatesEnabled(false);
  nodes::LoadRoot(view_);
  nodes::LoadDrives(view_);
  view_->setUpdatesEnabled(true);
}

bool TEwDirTree21::HasSubFolders(const QString& path) { return nodes::HasSubFolders(path); }

void TEwDirTree21::AddSubFolders(QTreeWidgetItem* node, const QString& path) {
  nodes::AddSubFolders(node, path);
}

void TEwDirTree21::ExpandNode(TControl* sender, QTreeWidgetItem* node, bool& allow) {
  (void)sender;
  (void)allow;
  if (!node || node->childCount() > 0) return;
  if (nodes::NodeLevel(node) == 0) {
    LoadDrives();
    return;
  }
  nodes::LoadChildren(node);
}

QString TEwDirTree21::GetNodePath(const QTreeWidgetItem* node) const { return nodes::GetNodePath(node); }

void TEwDirTree21::NodeMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  MouseDown(button, shift, x, y);
  const QPoint at = view_->viewport()->mapFrom(this, QPoint(x, y));
  QTreeWidgetItem* node = view_->itemAt(at);
  // Only a click on the node's label or icon chooses it; the expand button
  // and the blank part of the row do not.
  if (!node || !view_->visualItemRect(node).contains(at)) return;
  view_->setCurrentItem(node);
  TakeSelection(node);
}

void TEwDirTree21::NodeKeyUp(int key, TShiftState shift) {
  if (key < 37 || key > 40) return;
  KeyUp(key, shift);
  if (QTreeWidgetItem* node = Selected()) TakeSelection(node);
}

void TEwDirTree21::TakeSelection(QTreeWidgetItem* node) {
  const int level = nodes::NodeLevel(node);
  QString path;
  if (level == 0) {
    if (node->childCount() == 0) LoadDrives();
    path = nodes::kDrivesPath;
  } else {
    path = GetNodePath(node);
  }
  // A drive without a disc keeps the folder shown before: what is dragged
  // from the list must come from the folder the tree says it does.
  if (level == 1) {
    const unsigned type = nodes::DriveTypeOf(node);
    if ((type == kDriveRemovable || type == kDriveCdRom) && !CheckDriveReady(path, true)) return;
  }
  selected_path_ = path;
  if (OnDirChange) CallGuarded(this, [&] { OnDirChange(this, selected_path_); });
  if (file_list_ && !selected_path_.isEmpty()) file_list_->SetDirectory(selected_path_);
}

void TEwDirTree21::SelectPath(const QString& path) {
  if (path.isEmpty() || !QFileInfo(path).isDir()) return;
  const QString wanted = AddBackslash(QFileInfo(path).absoluteFilePath());
  view_->setUpdatesEnabled(false);
  QTreeWidgetItem* computer = ComputerNode();
  if (!computer) computer = nodes::LoadRoot(view_);
  if (computer->childCount() == 0) LoadDrives();
  view_->collapseAll();
  computer->setExpanded(true);
  QTreeWidgetItem* node =
      nodes::FindPathNode(view_, wanted, [](QTreeWidgetItem* n) { n->setExpanded(true); });
  if (!node) {
    view_->setUpdatesEnabled(true);
    return;
  }
  view_->setCurrentItem(node);
  node->setExpanded(true);
  view_->scrollToItem(node);
  view_->setUpdatesEnabled(true);
  SetSelectedPath(wanted);
  if (OnDirChange) CallGuarded(this, [&] { OnDirChange(this, selected_path_); });
}

bool TEwDirTree21::CanEdit(const QTreeWidgetItem* node) const {
  return node && node->parent() && nodes::NodeLevel(node) >= 2 && !read_only_;
}

void TEwDirTree21::StartEdit(QTreeWidgetItem* node) {
  if (!CanEdit(node)) return;
  view_->setCurrentItem(node);
  view_->editItem(node, 0);
}

bool TEwDirTree21::Edit(QTreeWidgetItem* node, const QString& text) {
  const bool skip_confirmation = skip_rename_confirmation_;
  skip_rename_confirmation_ = false;
  if (nodes::NodeLevel(node) < 2) return false;
  if (text.isEmpty()) {
    QApplication::beep();
    return false;
  }
  if (ContainsAnyChar(kInvalidNameChars, text)) {
    QApplication::beep();
    ErrorBox("Error - Invalid Directory Name\r" + text);
    return false;
  }
  if (text == node->text(0)) return false;
  const QString old_path = RemoveBackslash(GetNodePath(node));
  const QString new_path = ConcatPath(QFileInfo(old_path).path(), text);
  WaitCursor wait;
  if (!skip_confirmation) {
    const QString question = "Do you want to rename the selected folder\r\r    From  : " + node->text(0) +
                             "\r    To     : " + text;
    if (Application().MessageBox(question, QStringLiteral("Confirm"), MB_YESNO | MB_ICONQUESTION) != IDYES)
      return false;
  }
  bool aborted = false;
  if (!ShellFileOperation(FO_RENAME, {old_path}, new_path, aborted)) return false;
  node->setText(0, text);
  if (OnEdited) CallGuarded(this, [&] { OnEdited(this, node, text); });
  QTreeWidgetItem* parent = node->parent();
  view_->setCurrentItem(parent);
  // The old path is gone: the selection and a linked list move to the parent.
  TakeSelection(parent);
  return true;
}

bool TEwDirTree21::MakeNewFolder(QTreeWidgetItem* node, const QString& name) {
  if (!node) node = Selected();
  if (nodes::NodeLevel(node) < 1) {
    ErrorBox(QStringLiteral("Can't add drives"));
    return false;
  }
  const bool default_name = name.isEmpty();
  const QString base = default_name ? QStringLiteral("New Folder") : name;
  if (ContainsAnyChar(kInvalidNameChars, base)) {
    QApplication::beep();
    ErrorBox(QStringLiteral("Folder Name contains invalid characters"));
    return false;
  }
  const QString parent = GetNodePath(node);
  QString new_path = ConcatPath(parent, base);
  // A second "New Folder" gets a number instead of failing.
  for (int n = 2; default_name && QFileInfo::exists(new_path); ++n)
    new_path = ConcatPath(parent, base + "(" + QString::number(n) + ")");
  if (!QDir().mkdir(new_path)) {
    ErrorBox("Cannot create the folder " + new_path);
    return false;
  }
  skip_rename_confirmation_ = default_name;
  ReloadTree();
  SelectPath(new_path + "/");
  if (default_name) {
    QTreeWidgetItem* created = Selected();
    if (created && GetNodePath(created) == new_path) StartEdit(created);
  }
  return true;
}

bool TEwDirTree21::DeleteFolder(QTreeWidgetItem* node) {
  if (nodes::NodeLevel(node) < 2) return false;
  WaitCursor wait;
  const QString path = GetNodePath(node);
  if (!QFileInfo(path).isDir()) {
    QApplication::beep();
    ErrorBox(path + "not found");
    return false;
  }
  bool aborted = false;
  if (!ShellFileOperation(FO_DELETE, {RemoveBackslash(path)}, {}, aborted)) return false;
  QTreeWidgetItem* parent = node->parent();
  view_->setCurrentItem(parent);
  delete node;
  TakeSelection(parent);
  return true;
}

void TEwDirTree21::CutCopyFolder(int op) {
  if (!Selected() || selected_path_.isEmpty() || selected_path_ == nodes::kDrivesPath) return;
  paste_source_ = RemoveBackslash(selected_path_);
  paste_op_ = op == FO_MOVE ? FO_MOVE : FO_COPY;
  paste_pending_ = true;
}

void TEwDirTree21::PasteFolder() {
  if (!paste_pending_) return;
  paste_pending_ = false;
  const QString dest = AddBackslash(selected_path_);
  bool aborted = false;
  if (ShellFileOperation(paste_op_, {paste_source_}, dest, aborted)) {
    ReloadTree();
    SelectPath(dest);
  } else if (!aborted) {
    ErrorBox(QStringLiteral("File operation failed"));
  }
}

double TEwDirTree21::ShowTreeSize() {
  QTreeWidgetItem* node = Selected();
  if (nodes::NodeLevel(node) < 1) return 0;
  const QString path = GetNodePath(node);
  std::int64_t total = 0;
  {
    WaitCursor wait;
    total = TreeFilesSize(path);
  }
  const QString heading = nodes::NodeLevel(node) == 1
                              ? "Drive " + path
                              : "Folder \"" + QFileInfo(RemoveBackslash(path)).fileName() + "\"";
  const double kb = (total > 0 && total < 1024) ? 1.0 : static_cast<double>(total) / 1024.0;
  const QString size = kb > 99999 ? QString::fromStdString(FormatFloat("#,##0.00", kb / 1024)) + " MB"
                                  : QString::fromStdString(FormatFloat("#,##0.00", kb)) + " KB";
  Application().MessageBox("=== TREE SIZE ===\r\r" + heading + "\rand all its Sub-Folders  =  " + size,
                           QStringLiteral("Information"), MB_OK | MB_ICONINFORMATION);
  return static_cast<double>(total);
}

void TEwDirTree21::ShowFolderContents() {
  QTreeWidgetItem* node = Selected();
  if (nodes::NodeLevel(node) < 1) return;
  const QString path = GetNodePath(node);
  const QString caption = nodes::NodeLevel(node) == 1
                              ? "\" " + path + " \""
                              : "\" ../" + QFileInfo(RemoveBackslash(path)).fileName() + " \"";
  std::unique_ptr<TForm> form(Create<TForm>(nullptr));
  form->SetBorderStyle(bsSizeToolWin);
  form->SetPosition(poScreenCenter);
  form->SetCaption("Files in " + caption);
  form->SetBounds(0, 0, 320, 260);
  auto* layout = new QVBoxLayout(form.get());
  layout->setContentsMargins(0, 0, 0, 0);
  auto* list = new QListWidget(form.get());
  list->setObjectName("FolderContentsList");
  list->setToolTip("LeftClick - Select\nDblClick  - Open");
  layout->addWidget(list);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  auto* ok = new QPushButton(QStringLiteral("&OK"), form.get());
  ok->setObjectName("FolderContentsOK");
  buttons->addWidget(ok);
  layout->addLayout(buttons);
  {
    WaitCursor wait;
    ShellImageList& images = ShellImageList::Instance();
    for (const TSearchRec& rec :
         DirectoryListing(AddBackslash(path).toStdString(), "*.*", faAnyFile & ~faDirectory)) {
      if (rec.Attr & faDirectory) continue;
      const QString name = QString::fromStdString(rec.Name);
      const QString full = ConcatPath(path, name);
      auto* item = new QListWidgetItem(images.Icon(images.IndexOfPath(full)), name, list);
      item->setData(Qt::UserRole, full);
    }
    list->sortItems();
    if (list->count()) list->setCurrentRow(0);
  }
  QObject::connect(list, &QListWidget::itemDoubleClicked, list, [this, &form, path](QListWidgetItem* item) {
    CallGuarded(this, [&] {
      form->hide();
      ExecuteFile("Open", item->text(), "", path, SW_SHOW);
      form->show();
    });
  });
  TForm* raw = form.get();
  QObject::connect(ok, &QPushButton::clicked, ok, [this, raw, list] {
    CallGuarded(this, [&] {
      QListWidgetItem* item = list->currentItem();
      SetSelectedFile(item && item->isSelected() ? item->data(Qt::UserRole).toString() : QString());
      if (OnFileChange) OnFileChange(this, selected_file_);
      raw->SetModalResult(mrOk);
    });
  });
  form->ShowModal();
  form.reset();
  SelectPath(path);
}

void TEwDirTree21::MapNetworkDrive() {
  // Shares are mounted by the desktop or the system; the tree shows every
  // mounted volume, so connecting means reading the volumes again.
  ReloadTree();
  QTreeWidgetItem* computer = ComputerNode();
  computer->setExpanded(true);
  view_->setCurrentItem(computer);
  selected_path_ = nodes::kDrivesPath;
  if (file_list_) file_list_->SetDirectory(selected_path_);
}

void TEwDirTree21::DisconnectNetworkDrive() {
  MapNetworkDrive();
  if (file_list_) file_list_->RefreshFileList();
}

void TEwDirTree21::ShowFolderProperties() {
  if (Selected() && !selected_path_.isEmpty() && selected_path_ != nodes::kDrivesPath)
    ShowFileProperties(selected_path_);
}

QMimeData* TEwDirTree21::DragData(const QList<QTreeWidgetItem*>& items) const {
  QStringList paths;
  for (const QTreeWidgetItem* node : items) {
    if (nodes::NodeLevel(node) >= 1) paths.push_back(RemoveBackslash(GetNodePath(node)));
  }
  return nodes::MimeDataForPaths(paths);
}
