#include "shell/EwFileExplorer28Nodes.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>
#include <QUrl>

#include "platform/core/DirEnum.h"
#include "shell/EwFileExplorer28.h"
#include "shell/EwFileExplorer28Icons.h"
#include "shell/EwFileExplorer28Volumes.h"

namespace explorer_nodes {

namespace {

// Folders only: hidden folders stay out of the tree, as a file manager
// leaves them out.
constexpr int kFolderAttr = faDirectory | faReadOnly | faArchive;

template <class F>
void ForEachSubFolder(const QString& path, F&& visit) {
  for (const TSearchRec& rec : DirectoryListing(AddBackslash(path).toStdString(), "*.*", kFolderAttr)) {
    if (!(rec.Attr & faDirectory) || (rec.Attr & faHidden)) continue;
    if (!visit(QString::fromStdString(rec.Name))) return;
  }
}

}  // namespace

int NodeLevel(const QTreeWidgetItem* node) {
  if (!node) return -1;
  int level = 0;
  for (const QTreeWidgetItem* p = node->parent(); p; p = p->parent()) ++level;
  return level;
}

QString GetNodePath(const QTreeWidgetItem* node) {
  const int level = NodeLevel(node);
  if (level <= 0) return {};
  if (level == 1) return node->data(0, kRootRole).toString();
  return AddBackslash(GetNodePath(node->parent())) + node->text(0);
}

const QTreeWidgetItem* VolumeNodeOf(const QTreeWidgetItem* node) {
  while (node && NodeLevel(node) > 1) node = node->parent();
  return NodeLevel(node) == 1 ? node : nullptr;
}

unsigned DriveTypeOf(const QTreeWidgetItem* node) {
  const QTreeWidgetItem* volume = VolumeNodeOf(node);
  return volume ? volume->data(0, kTypeRole).toUInt() : kDriveUnknown;
}

bool HasSubFolders(const QString& path) {
  bool found = false;
  ForEachSubFolder(path, [&](const QString&) {
    found = true;
    return false;
  });
  return found;
}

void AddSubFolders(QTreeWidgetItem* node, const QString& path) {
  ForEachSubFolder(path, [&](const QString& name) {
    auto* child = new QTreeWidgetItem(node, QStringList{name});
    const QString child_path = ConcatPath(path, name);
    ShellImageList& images = ShellImageList::Instance();
    child->setIcon(0, images.Icon(GetFolderIconIndex(child_path)));
    child->setChildIndicatorPolicy(HasSubFolders(child_path)
                                       ? QTreeWidgetItem::ShowIndicator
                                       : QTreeWidgetItem::DontShowIndicatorWhenChildless);
    child->setFlags(child->flags() | Qt::ItemIsEditable | Qt::ItemIsDragEnabled);
    return true;
  });
}

void LoadChildren(QTreeWidgetItem* node) {
  if (!node || node->childCount() > 0 || NodeLevel(node) < 1) return;
  node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
  AddSubFolders(node, GetNodePath(node));
}

QTreeWidgetItem* LoadRoot(QTreeWidget* tree) {
  tree->clear();
  auto* computer = new QTreeWidgetItem(tree, QStringList{kComputerText});
  computer->setIcon(0, ShellImageList::Instance().Icon(kIconComputer));
  computer->setFlags(computer->flags() & ~Qt::ItemIsDragEnabled);
  return computer;
}

QTreeWidgetItem* ComputerNode(QTreeWidget* tree) {
  return tree->topLevelItemCount() ? tree->topLevelItem(0) : nullptr;
}

void LoadDrives(QTreeWidget* tree) {
  QTreeWidgetItem* computer = ComputerNode(tree);
  if (!computer) computer = LoadRoot(tree);
  const QString home = AddBackslash(QFileInfo(qEnvironmentVariable("HOME")).absoluteFilePath());
  ShellImageList& images = ShellImageList::Instance();
  for (const TVolume& volume : Volumes().Volumes()) {
    auto* node = new QTreeWidgetItem(computer, QStringList{volume.name});
    node->setData(0, kRootRole, AddBackslash(volume.root));
    node->setData(0, kTypeRole, volume.type);
    node->setToolTip(0, volume.root);
    node->setIcon(0, images.Icon(images.IndexOfVolume(volume.type, AddBackslash(volume.root) == home)));
    // Every volume offers to expand; a removable one is not read until then.
    node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    node->setFlags((node->flags() | Qt::ItemIsDragEnabled) & ~Qt::ItemIsEditable);
  }
}

QTreeWidgetItem* FindPathNode(QTreeWidget* tree, const QString& path,
                              const std::function<void(QTreeWidgetItem*)>& expand) {
  QTreeWidgetItem* computer = ComputerNode(tree);
  if (!computer) return nullptr;
  const QString wanted = AddBackslash(path);
  QTreeWidgetItem* best = nullptr;
  for (int i = 0; i < computer->childCount(); ++i) {
    QTreeWidgetItem* volume = computer->child(i);
    const QString root = volume->data(0, kRootRole).toString();
    if (wanted.startsWith(root) && (!best || root.size() > best->data(0, kRootRole).toString().size()))
      best = volume;
  }
  if (!best) return nullptr;
  const QString rest = wanted.mid(best->data(0, kRootRole).toString().size());
  QTreeWidgetItem* node = best;
  for (const QString& component : rest.split('/', Qt::SkipEmptyParts)) {
    expand(node);
    QTreeWidgetItem* next = nullptr;
    // Only the node's own children: a folder of the same name deeper in the
    // tree is a different folder.
    for (int i = 0; i < node->childCount() && !next; ++i) {
      if (node->child(i)->text(0) == component) next = node->child(i);
    }
    if (!next) return nullptr;
    node = next;
  }
  return node;
}

QMimeData* MimeDataForPaths(const QStringList& paths) {
  auto* data = new QMimeData;
  QList<QUrl> urls;
  for (const QString& p : paths) urls.push_back(QUrl::fromLocalFile(p));
  data->setUrls(urls);
  data->setText(paths.join('\n'));
  return data;
}

void RenameDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                  const QModelIndex& index) const {
  (void)model;
  auto* line = qobject_cast<QLineEdit*>(editor);
  if (!line || !commit_) return;
  // The control renames on disk and may reload its items; that must not
  // happen under the editor that is closing, so it runs once the edit is over.
  const QPersistentModelIndex target(index);
  const QString text = line->text();
  const Commit commit = commit_;
  QTimer::singleShot(0, parent(), [target, text, commit] {
    if (target.isValid()) commit(target, text);
  });
}

}  // namespace explorer_nodes
