// The file list's Send To commands. Links are freedesktop .desktop files:
// "Type=Link" with a file URL names a folder, "Type=Application" with Exec
// names a program. The SendTo folder holds the user's own targets, and
// "DeskTop as ShortCut" writes such a link into the XDG desktop folder.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include "platform/core/AtomicFile.h"
#include "platform/core/Exceptions.h"
#include "platform/gui/Application.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Clipboard.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Metafile.h"
#include "shell/EwFileExplorer28.h"
#include "shell/EwFileExplorer28List.h"
#include "shell/EwFileExplorer28Volumes.h"

namespace {

// The longer side of a metafile put on the clipboard as pixels.
constexpr int kMaxClipboardPictureSide = 2048;

// Keys of the [Desktop Entry] group of a .desktop file.
std::map<QString, QString> DesktopEntry(const QString& path) {
  std::map<QString, QString> keys;
  QFile file(path);
  // A link file is a few lines; anything huge is not one.
  if (file.size() > (1 << 20) || !file.open(QIODevice::ReadOnly)) return keys;
  bool in_group = false;
  for (const QByteArray& raw : file.readAll().split('\n')) {
    const QString line = QString::fromUtf8(raw).trimmed();
    if (line.startsWith('[')) {
      in_group = line == "[Desktop Entry]";
      continue;
    }
    const qsizetype eq = line.indexOf('=');
    if (!in_group || eq <= 0) continue;
    keys.emplace(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
  }
  return keys;
}

// A value for a .desktop file: no line breaks, backslashes escaped.
QString DesktopValue(QString value) {
  value.replace('\\', "\\\\");
  value.replace('\n', "\\n");
  value.replace('\r', "\\r");
  return value;
}

// The program of an Exec line: its first word, quotes removed.
QString ExecProgram(const QString& exec) {
  const QString line = exec.trimmed();
  if (line.startsWith('"')) {
    const qsizetype end = line.indexOf('"', 1);
    return end > 0 ? line.mid(1, end - 1) : QString();
  }
  return line.section(' ', 0, 0);
}

}  // namespace

QString TEwFilelistView28::SendToFolderPath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/burner/SendTo";
}

QString TEwFilelistView28::ResolveShortcut(const QString& link_file) {
  const auto keys = DesktopEntry(link_file);
  auto value = [&](const char* key) {
    auto found = keys.find(QString::fromLatin1(key));
    return found == keys.end() ? QString() : found->second;
  };
  const QString type = value("Type");
  if (type == "Link") {
    const QUrl url(value("URL"));
    return url.isLocalFile() ? url.toLocalFile() : QString();
  }
  if (type == "Application") return ExecProgram(value("Exec"));
  return {};
}

QString TEwFilelistView28::SendToAnyFolderDialog(const QString& default_folder) {
  const std::optional<QString> folder =
      Dialogs().Folder(QStringLiteral("Send to any folder"), default_folder);
  return folder ? *folder : QString();
}

void TEwFilelistView28::SendTo(int index) {
  const int selected = SelectedIndex();
  switch (index) {
    case 0: {
      if (selected < 0) return;
      const QString folder = SendToAnyFolderDialog({});
      if (!folder.isEmpty()) SendToFolder(folder);
      break;
    }
    case 1: {
      if (selected < 0 || SubItems(selected).value(kSubKind) != "file") return;
      const QString path = SubItems(selected).value(kSubPath);
      const QString ext = QFileInfo(path).suffix().toUpper();
      WaitCursor wait;
      if (ext == "BMP") {
        TBitmap bitmap;
        try {
          bitmap.LoadFromFile(path);
        } catch (const Exception& e) {
          ErrorBox(QString::fromStdString(e.what()));
          return;
        }
        Clipboard().SetImage(bitmap.ToQImage());
        return;
      }
      if (ext == "WMF" || ext == "EMF") {
        TMetafile metafile;
        try {
          metafile.LoadFromFile(path);
        } catch (const Exception& e) {
          ErrorBox(QString::fromStdString(e.what()));
          return;
        }
        // The picture as pixels for every reader, no larger than a screen
        // needs, and the metafile itself for those that take vectors.
        ClipboardContent content;
        content.image = metafile.RenderFitting(kMaxClipboardPictureSide);
        content.formats[ext == "WMF" ? QStringLiteral("image/x-wmf") : QStringLiteral("image/x-emf")] =
            metafile.SaveToBytes();
        Clipboard().SetContent(content);
        return;
      }
      QFile file(path);
      if (!file.open(QIODevice::ReadOnly)) {
        ErrorBox("Cannot read " + path);
        return;
      }
      const QByteArray bytes = file.readAll();
      if (ext == "RTF")
        Clipboard().SetData(QStringLiteral("text/rtf"), bytes);
      else
        Clipboard().SetText(QString::fromUtf8(bytes));
      break;
    }
    case 2: {
      QStringList paths;
      for (int i : SelectedIndexes()) paths.push_back(SubItems(i).value(kSubPath));
      if (!paths.isEmpty()) Clipboard().SetText(paths.join('\n'));
      break;
    }
    case 3:
      CreateDesktopShortcut();
      break;
    default:
      break;
  }
}

void TEwFilelistView28::SendToFolder(const QString& folder) {
  if (drive_view_) return;
  WaitCursor wait;
  clipboard_.clear();
  clipboard_op_ = -1;
  QStringList paths;
  for (int i : SelectedIndexes()) {
    if (Caption(i) == " Parent" || SubItems(i).value(kSubKind) == "drv") continue;
    paths.push_back(SubItems(i).value(kSubPath));
  }
  for (const QString& path : paths) {
    bool aborted = false;
    ShellFileOperation(FO_COPY, {path}, ConcatPath(folder, QFileInfo(path).fileName()), aborted);
  }
}

void TEwFilelistView28::SendToRemovable(const QString& root) {
  if (CheckDriveReady(root, true)) SendToFolder(root);
}

void TEwFilelistView28::SendToShortcut(const QString& link_file) {
  const int selected = SelectedIndex();
  if (selected < 0) return;
  if (link_file.endsWith(".desktop", Qt::CaseInsensitive)) {
    const QString target = ResolveShortcut(link_file);
    if (target.isEmpty()) return;
    const std::vector<TVolume> volumes = Volumes().Volumes();
    const TVolume* volume = VolumeOfPath(volumes, target);
    if (volume && volume->type == kDriveRemovable && AddBackslash(target) == volume->root) {
      SendToRemovable(target);
    } else if (QFileInfo(target).isDir()) {
      SendToFolder(target);
    } else {
      const QFileInfo file(SubItems(selected).value(kSubPath));
      // One argument, whatever blanks or quotes the name holds.
      QString name = file.fileName();
      name.replace('"', "\"\"\"");
      ExecuteFile("Open", target, "\"" + name + "\"", file.path(), SW_SHOW);
    }
  } else if (QFileInfo(link_file).isDir()) {
    SendToFolder(link_file);
  }
}

void TEwFilelistView28::CreateDesktopShortcut() {
  const int selected = SelectedIndex();
  if (selected < 0) {
    ErrorBox(QStringLiteral("No file selected"));
    return;
  }
  const QString path = SubItems(selected).value(kSubPath);
  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  const QFileInfo info(path);
  const QString link = desktop + "/" + FileNameWithoutExt(path) + ".desktop";
  const QString text = "[Desktop Entry]\nType=Link\nName=" + DesktopValue(info.fileName()) +
                       "\nURL=" + DesktopValue(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)) + "\n";
  try {
    if (desktop.isEmpty() || !QDir().mkpath(desktop)) throw EWriteError("no desktop folder");
    const QByteArray bytes = text.toUtf8();
    WriteFileAtomically(link.toStdString(),
                        std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  } catch (const Exception&) {
    ErrorBox(QStringLiteral("Error - PersistFile.Save failed"));
  }
}
