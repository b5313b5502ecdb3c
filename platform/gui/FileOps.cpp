#include "platform/gui/FileOps.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

// The canonical form of a path that may not exist yet: its nearest
// existing ancestor resolved, the rest appended.
QString Resolved(const QString& path) {
  QFileInfo info(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
  QStringList tail;
  while (!info.exists() && !info.isSymLink()) {
    tail.prepend(info.fileName());
    const QString parent = info.absolutePath();
    if (parent == info.absoluteFilePath()) break;
    info = QFileInfo(parent);
  }
  QString base = info.canonicalFilePath();
  if (base.isEmpty()) base = info.absoluteFilePath();
  for (const QString& part : tail) base += "/" + part;
  return QDir::cleanPath(base);
}

FileOpResult CopyFile(const QString& from, const QString& to, bool overwrite) {
  if (QFileInfo::exists(to)) {
    if (!overwrite) return FileOpResult::Fail("Cannot copy to " + to + ": the file exists");
    if (!QFile::remove(to)) return FileOpResult::Fail("Cannot replace " + to);
  }
  QFile source(from);
  if (!source.copy(to))
    return FileOpResult::Fail("Cannot copy " + from + " to " + to + ": " + source.errorString());
  return {};
}

FileOpResult CopyTree(const QString& from, const QString& to, bool overwrite) {
  const QFileInfo info(from);
  // A link is copied as a link: following one to an ancestor would never end.
  if (info.isSymLink()) {
    if (QFileInfo(to).exists() || QFileInfo(to).isSymLink()) {
      if (!overwrite) return FileOpResult::Fail("Cannot copy to " + to + ": the file exists");
      QFile::remove(to);
    }
    if (!QFile::link(info.symLinkTarget(), to)) return FileOpResult::Fail("Cannot copy the link " + from);
    return {};
  }
  if (!info.isDir()) return CopyFile(from, to, overwrite);
  if (QFileInfo(to).exists() && !QFileInfo(to).isDir())
    return FileOpResult::Fail("Cannot copy folder " + from + " over the file " + to);
  if (!QDir().mkpath(to)) return FileOpResult::Fail("Cannot create folder " + to);
  const QDir dir(from);
  for (const QFileInfo& entry :
       dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
    FileOpResult r = CopyTree(entry.absoluteFilePath(), to + "/" + entry.fileName(), overwrite);
    if (!r) return r;
  }
  return {};
}

}  // namespace

bool IsSameOrInside(const QString& inner, const QString& outer) {
  const QString a = Resolved(inner);
  const QString b = Resolved(outer);
  return a == b || a.startsWith(b.endsWith('/') ? b : b + "/");
}

FileOpResult RealFileOperations::Copy(const QString& from, const QString& to, bool overwrite) {
  if (!QFileInfo::exists(from)) return FileOpResult::Fail("Cannot find " + from);
  if (IsSameOrInside(to, from)) {
    if (Resolved(to) == Resolved(from)) return FileOpResult::Fail("Cannot copy " + from + " onto itself");
    return FileOpResult::Fail("Cannot copy " + from + " into a folder inside itself");
  }
  return CopyTree(from, to, overwrite);
}

FileOpResult RealFileOperations::Move(const QString& from, const QString& to, bool overwrite) {
  if (!QFileInfo::exists(from)) return FileOpResult::Fail("Cannot find " + from);
  if (Resolved(to) == Resolved(from)) return {};  // nothing to do
  if (IsSameOrInside(to, from))
    return FileOpResult::Fail("Cannot move " + from + " into a folder inside itself");
  if (QFileInfo::exists(to)) {
    if (!overwrite) return FileOpResult::Fail("Cannot move to " + to + ": it exists");
    FileOpResult r = Delete(to);
    if (!r) return r;
  }
  if (QDir().rename(from, to)) return {};
  // Another file system: copy, then remove the source only when the copy
  // is complete.
  FileOpResult r = CopyTree(from, to, false);
  if (!r) {
    Delete(to);
    return r;
  }
  return Delete(from);
}

FileOpResult RealFileOperations::MoveToTrash(const QString& path) {
  if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
    return FileOpResult::Fail("Cannot find " + path);
  QFile file(path);
  if (!file.moveToTrash())
    return FileOpResult::Fail("Cannot move " + path + " to the trash: " + file.errorString());
  return {};
}

FileOpResult RealFileOperations::Delete(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists() && !info.isSymLink()) return FileOpResult::Fail("Cannot find " + path);
  // A link to a folder goes, not the folder behind it.
  if (info.isDir() && !info.isSymLink()) {
    if (!QDir(path).removeRecursively()) return FileOpResult::Fail("Cannot delete " + path);
  } else if (!QFile::remove(path)) {
    return FileOpResult::Fail("Cannot delete " + path);
  }
  return {};
}

FileOpResult FakeFileOperations::Copy(const QString& from, const QString& to, bool) {
  calls_.push_back({"copy", from, to});
  return result;
}
FileOpResult FakeFileOperations::Move(const QString& from, const QString& to, bool) {
  calls_.push_back({"move", from, to});
  return result;
}
FileOpResult FakeFileOperations::MoveToTrash(const QString& path) {
  calls_.push_back({"trash", path, {}});
  return result;
}
FileOpResult FakeFileOperations::Delete(const QString& path) {
  calls_.push_back({"delete", path, {}});
  return result;
}
