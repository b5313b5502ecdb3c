#include "shell/EwFileExplorer28Icons.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStyle>

#include "shell/EwFileExplorer28Volumes.h"

namespace {

QIcon Themed(const char* name, QStyle::StandardPixmap fallback) {
  QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
  if (icon.isNull() && qApp) icon = QApplication::style()->standardIcon(fallback);
  return icon;
}

QMimeType MimeOf(const QString& path) {
  static const QMimeDatabase db;
  // The name decides; reading every file's first bytes makes a large
  // folder slow to list and touches files the user only looks at.
  return db.mimeTypeForFile(path, QMimeDatabase::MatchExtension);
}

}  // namespace

ShellImageList& ShellImageList::Instance() {
  static ShellImageList list;
  return list;
}

ShellImageList::ShellImageList() {
  icons_ = {
      Themed("text-x-generic", QStyle::SP_FileIcon),
      Themed("computer", QStyle::SP_ComputerIcon),
      Themed("drive-harddisk", QStyle::SP_DriveHDIcon),
      Themed("folder", QStyle::SP_DirClosedIcon),
      Themed("folder-open", QStyle::SP_DirOpenIcon),
      Themed("user-home", QStyle::SP_DirHomeIcon),
      Themed("drive-optical", QStyle::SP_DriveCDIcon),
      Themed("drive-removable-media", QStyle::SP_DriveFDIcon),
      Themed("folder-remote", QStyle::SP_DriveNetIcon),
  };
}

QIcon ShellImageList::Icon(int index) const {
  if (index < 0 || index >= Count()) return {};
  return icons_[static_cast<std::size_t>(index)];
}

int ShellImageList::IndexOfPath(const QString& path, bool open_folder) {
  const QFileInfo info(path);
  if (info.isDir()) return open_folder ? kIconOpenFolder : kIconFolder;
  const QMimeType mime = MimeOf(path);
  const QString key = mime.isValid() ? mime.name() : QString();
  if (key.isEmpty() || key == "application/octet-stream") return kIconFile;
  auto found = by_type_.find(key);
  if (found != by_type_.end()) return found->second;
  QIcon icon = QIcon::fromTheme(mime.iconName());
  if (icon.isNull()) icon = QIcon::fromTheme(mime.genericIconName());
  if (icon.isNull()) {
    by_type_[key] = kIconFile;
    return kIconFile;
  }
  icons_.push_back(icon);
  const int index = Count() - 1;
  by_type_[key] = index;
  return index;
}

int ShellImageList::IndexOfVolume(unsigned drive_type, bool home) const {
  if (home) return kIconHome;
  switch (drive_type) {
    case kDriveCdRom:
      return kIconOptical;
    case kDriveRemovable:
      return kIconRemovable;
    case kDriveRemote:
      return kIconNetwork;
    default:
      return kIconDrive;
  }
}

QString FileTypeName(const QString& path) {
  const QFileInfo info(path);
  if (info.isDir()) return QStringLiteral("Folder");
  const QMimeType mime = MimeOf(path);
  const bool known = mime.isValid() && !mime.isDefault();
  QString comment = known ? mime.comment() : QString();
  if (comment.isEmpty()) {
    // A type nobody describes is named by its extension, "BIN File".
    const QString suffix = info.suffix();
    comment = suffix.isEmpty() ? QStringLiteral("File") : suffix.toUpper() + " File";
  }
  if (!comment.isEmpty()) comment[0] = comment[0].toUpper();
  return comment;
}
