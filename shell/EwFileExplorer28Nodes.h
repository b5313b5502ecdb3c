#pragma once
// Folder nodes shared by the folder tree and the folder combo's drop-down
// tree: the computer node, one node per volume, and folder nodes loaded when
// their parent is first expanded. Also the in-place edit delegate both
// editing views use, which lets the control decide whether a typed name is
// taken.

#include <QMimeData>
#include <QString>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <functional>

namespace explorer_nodes {

// The text of the computer node and the path the controls use for it.
inline const QString kComputerText = QStringLiteral("Computer");
inline const QString kDrivesPath = QStringLiteral("Drives");

// Data kept on a volume node: its root ("/...") and drive type.
constexpr int kRootRole = Qt::UserRole + 1;
constexpr int kTypeRole = Qt::UserRole + 2;

// 0 for the computer node, 1 for a volume, 2 and more for folders; -1 for null.
int NodeLevel(const QTreeWidgetItem* node);
// A volume node gives its root with a trailing "/", a folder node the
// folder's path without one, the computer node (and null) an empty text.
QString GetNodePath(const QTreeWidgetItem* node);
// The volume node a node lies on (itself for a volume), or null.
const QTreeWidgetItem* VolumeNodeOf(const QTreeWidgetItem* node);
unsigned DriveTypeOf(const QTreeWidgetItem* node);

// Whether `path` holds a folder that the tree lists (hidden folders are not).
bool HasSubFolders(const QString& path);
// Adds one child per listed sub-folder of `path`, in name order.
void AddSubFolders(QTreeWidgetItem* node, const QString& path);
// Loads the sub-folders of a node that has no child yet.
void LoadChildren(QTreeWidgetItem* node);

// Clears the tree and adds the computer node.
QTreeWidgetItem* LoadRoot(QTreeWidget* tree);
// Adds the volume nodes under the computer node.
void LoadDrives(QTreeWidget* tree);
QTreeWidgetItem* ComputerNode(QTreeWidget* tree);

// The node of an existing folder, reached from the volume whose root is the
// longest prefix of the path, loading folders on the way through `expand`
// (which must leave the node's sub-folders loaded). Null when a component
// has no node (a hidden folder, or one made since it was loaded).
QTreeWidgetItem* FindPathNode(QTreeWidget* tree, const QString& path,
                              const std::function<void(QTreeWidgetItem*)>& expand);

// The drag data of folders and files: their file URLs, and the paths as
// text, one per line.
QMimeData* MimeDataForPaths(const QStringList& paths);

// An item delegate whose edit ends by handing (index, typed text) to
// `commit`, which renames and updates the item itself; the model is not
// written by the delegate.
class RenameDelegate final : public QStyledItemDelegate {
 public:
  using Commit = std::function<void(const QModelIndex&, const QString&)>;
  RenameDelegate(QObject* parent, Commit commit) : QStyledItemDelegate(parent), commit_(std::move(commit)) {}
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

 private:
  Commit commit_;
};

}  // namespace explorer_nodes
