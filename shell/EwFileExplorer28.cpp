#include "shell/EwFileExplorer28.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include "platform/core/DateTime.h"
#include "platform/core/DirEnum.h"
#include "platform/core/FileUtils.h"
#include "platform/gui/Application.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/FileOps.h"
#include "platform/gui/Shell.h"
#include "shell/EwFileExplorer28Icons.h"

const QString kInvalidNameChars = QStringLiteral("\\*?/=\"<>|:,;+^");

namespace {

std::string Native(const QString& s) { return s.toStdString(); }

QString LastComponent(const QString& path) { return QFileInfo(RemoveBackslash(path)).fileName(); }

// The new path of `source` for a copy or move to `dest`.
QString TargetOf(const QString& source, const QString& dest) {
  if (dest.endsWith('/')) return dest + LastComponent(source);
  return dest;
}

bool Confirm(const QString& text, const QString& caption) {
  return Application().MessageBox(text, caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

}  // namespace

void ErrorBox(const QString& text) {
  Application().MessageBox(text, QStringLiteral("Error"), MB_OK | MB_ICONERROR);
}

int ExecuteFile(const QString& operation, const QString& file_name, const QString& params,
                const QString& directory, int show_cmd) {
  (void)show_cmd;
  QString file = file_name;
  if (!directory.isEmpty() && QFileInfo(file).isRelative()) file = ConcatPath(directory, file);
  if (ShellExecute(operation, file, params, directory)) return 42;
  Application().MessageBox("ERROR - Can't " + operation + " file  " + file_name, QStringLiteral("Error"),
                           MB_OK | MB_ICONERROR);
  return 2;
}

bool ShellFileOperation(int func, const QStringList& sources, const QString& dest, bool& aborted) {
  aborted = false;
  if (sources.isEmpty()) return false;
  FileOperations& ops = FileOps();
  bool all_done = true;
  if (func == FO_DELETE) {
    const QString what = sources.size() == 1 ? "\"" + LastComponent(sources.front()) + "\""
                                             : QString::number(sources.size()) + " items";
    if (!Confirm("Are you sure you want to move " + what + " to the trash?",
                 QStringLiteral("Confirm Delete"))) {
      aborted = true;
      return false;
    }
    for (const QString& source : sources) {
      if (FileOpResult r = ops.MoveToTrash(RemoveBackslash(source)); !r) {
        ErrorBox(r.error);
        all_done = false;
      }
    }
    return all_done;
  }
  if (func != FO_MOVE && func != FO_COPY && func != FO_RENAME) return false;
  if (func == FO_RENAME && sources.size() != 1) return false;
  for (const QString& raw : sources) {
    const QString source = RemoveBackslash(raw);
    const QString target = func == FO_RENAME ? dest : TargetOf(source, dest);
    bool overwrite = false;
    // A rename that only changes the letter case names the same entry on a
    // case-insensitive volume; it is not a collision.
    const bool same = QFileInfo(source).canonicalFilePath() == QFileInfo(target).canonicalFilePath();
    if (QFileInfo::exists(target) && !same) {
      if (func == FO_RENAME || !Confirm("\"" + LastComponent(target) +
                                            "\" already exists in this folder.\rDo you want to replace it?",
                                        QStringLiteral("Confirm Replace"))) {
        aborted = true;
        all_done = false;
        continue;
      }
      overwrite = true;
    }
    const FileOpResult r =
        func == FO_COPY ? ops.Copy(source, target, overwrite) : ops.Move(source, target, overwrite);
    if (!r) {
      ErrorBox(r.error);
      all_done = false;
    }
  }
  return all_done;
}

bool ContainsAnyChar(const QString& chars, const QString& s) {
  for (QChar c : chars) {
    if (s.contains(c)) return true;
  }
  return false;
}

bool BrowseForFolderPrompt(QWidget* owner, QString& folder) {
  (void)owner;
  auto answer = Dialogs().Folder(QStringLiteral("Please specify a directory"), folder);
  if (!answer || answer->isEmpty()) return false;
  folder = AddBackslash(*answer);
  return true;
}

std::int64_t DiskSizeKB(const QString& path) {
  DiskSpace space;
  if (path.isEmpty() || !GetDiskFreeSpace(Native(path), space)) return -1;
  return static_cast<std::int64_t>(space.totalBytes / 1024);
}

std::int64_t DiskFreeKB(const QString& path) {
  DiskSpace space;
  if (path.isEmpty() || !GetDiskFreeSpace(Native(path), space)) return -1;
  return static_cast<std::int64_t>(space.freeBytes / 1024);
}

bool CheckDriveReady(const QString& root, bool show_message) {
  if (root.isEmpty()) {
    ErrorBox(QStringLiteral("Not a valid Drive ID"));
    return false;
  }
  // A volume is ready when its root can be listed: an unmounted or empty
  // drive fails here without blocking.
  const QDir dir(root);
  const bool ready = dir.exists() && QFileInfo(root).isReadable() && DiskSizeKB(root) >= 0;
  if (!ready && show_message) {
    QApplication::beep();
    Application().MessageBox("There is no disk in Drive " + root + "\ror Drive " + root + " is not ready",
                             QStringLiteral("Warning"), MB_OK | MB_ICONWARNING);
  }
  return ready;
}

QString ConcatPath(const QString& dir, const QString& name) {
  if (dir.isEmpty() || name.isEmpty()) return dir + name;
  return AddBackslash(dir) + name;
}

QString AddBackslash(const QString& s) {
  if (s.isEmpty() || s.endsWith('/')) return s;
  return s + '/';
}

QString RemoveBackslash(const QString& s) {
  if (s.size() > 1 && s.endsWith('/')) return s.left(s.size() - 1);
  return s;
}

QString FileTimeToText(std::chrono::system_clock::time_point time, const QString& date_fmt,
                       const QString& time_fmt) {
  const TDateTime value = TimePointToDateTime(time);
  return QString::fromStdString(FormatDateTime(Native(date_fmt + " " + time_fmt), value));
}

bool FileAlreadyExists(const QString& path) {
  if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) return false;
  ErrorBox("\"" + LastComponent(path) + "\" already exists !");
  return true;
}

int GetFolderIconIndex(const QString& path) { return ShellImageList::Instance().IndexOfPath(path, false); }

int GetOpenFolderIconIndex(const QString& path) { return ShellImageList::Instance().IndexOfPath(path, true); }

QString SizeToKBText(std::int64_t size, const QString& kind) {
  if (kind.compare(QLatin1String("DIR"), Qt::CaseInsensitive) == 0) return QStringLiteral(" ");
  if (size > 0 && size < 1024) size = 1024;
  return QString::number(size / 1024) + " KB";
}

QString FileNameWithoutExt(const QString& path) {
  const QString name = LastComponent(path);
  const qsizetype dot = name.lastIndexOf('.');
  return dot > 0 ? name.left(dot) : name;
}

void ShowFileProperties(const QString& path) {
  const QFileInfo info(RemoveBackslash(path));
  if (!info.exists()) {
    Application().MessageBox(QStringLiteral("The specified file was not found."),
                             QStringLiteral("Properties"), MB_OK);
    return;
  }
  const int attr = FileGetAttr(Native(info.absoluteFilePath()));
  QString letters;
  if (attr >= 0) {
    if (attr & faArchive) letters += 'A';
    if (attr & faReadOnly) letters += 'R';
    if (attr & faHidden) letters += 'H';
  }
  const std::int64_t size = info.isDir() ? TreeFilesSize(info.absoluteFilePath()) : info.size();
  QString text = "Name:  " + info.fileName() + "\rType:  " + FileTypeName(info.absoluteFilePath()) +
                 "\rLocation:  " + info.absolutePath() + "\rSize:  " + QString::number(size) + " bytes" +
                 "\rModified:  " +
                 FileTimeToText(std::chrono::system_clock::time_point(
                                    std::chrono::milliseconds(info.lastModified().toMSecsSinceEpoch())),
                                QString::fromStdString(TheFormatSettings().ShortDateFormat),
                                QString::fromStdString(TheFormatSettings().LongTimeFormat)) +
                 "\rAttributes:  " + (letters.isEmpty() ? QStringLiteral("none") : letters);
  Application().MessageBox(text, info.fileName() + " Properties", MB_OK | MB_ICONINFORMATION);
}

std::int64_t FolderFilesSize(const QString& path) {
  std::int64_t total = 0;
  for (const TSearchRec& rec : DirectoryListing(Native(path), "*.*", faAnyFile & ~faDirectory)) {
    if (!(rec.Attr & faDirectory)) total += rec.Size;
  }
  return total;
}

std::int64_t TreeFilesSize(const QString& path) {
  std::int64_t total = 0;
  WalkOptions options;
  WalkDirectory(Native(RemoveBackslash(path)), options, [&](const std::string&, const TSearchRec& rec) {
    if (!(rec.Attr & faDirectory)) total += rec.Size;
    return WalkAction::Continue;
  });
  return total;
}

bool PathStartsWith(const QString& prefix, const QString& path) { return path.startsWith(prefix); }
