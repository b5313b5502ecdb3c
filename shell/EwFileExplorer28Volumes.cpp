#include "shell/EwFileExplorer28Volumes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace {

QString WithSlash(QString path) {
  if (!path.endsWith('/')) path += '/';
  return path;
}

// The mount table escapes blanks, tabs, newlines and backslashes as octal.
QString Unescape(const QString& field) {
  QString out;
  for (qsizetype i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      bool ok = false;
      const int code = field.mid(i + 1, 3).toInt(&ok, 8);
      if (ok) {
        out += QChar(code);
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

unsigned TypeOfFileSystem(const QString& fs) {
  static const QStringList optical = {"iso9660", "udf"};
  static const QStringList network = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "9p", "afs"};
  if (optical.contains(fs)) return kDriveCdRom;
  if (network.contains(fs)) return kDriveRemote;
  if (fs == "tmpfs" || fs == "ramfs") return kDriveRamDisk;
  return kDriveRemovable;
}

}  // namespace

std::vector<TVolume> MountedVolumes(const QString& table, const QString& home) {
  std::vector<TVolume> volumes;
  const QString home_root = home.isEmpty() ? QString() : WithSlash(home);
  for (const QString& line : table.split('\n', Qt::SkipEmptyParts)) {
    const QStringList fields = line.split(' ', Qt::SkipEmptyParts);
    if (fields.size() < 3) continue;
    const QString dir = Unescape(fields[1]);
    const bool mount_place =
        dir.startsWith("/media/") || dir.startsWith("/run/media/") || dir.startsWith("/mnt/");
    if (!mount_place) continue;
    TVolume volume;
    volume.root = WithSlash(dir);
    if (volume.root == home_root) continue;
    volume.name = QFileInfo(dir).fileName();
    volume.type = TypeOfFileSystem(fields[2]);
    bool seen = false;
    for (const TVolume& v : volumes) seen = seen || v.root == volume.root;
    if (!seen) volumes.push_back(volume);
  }
  return volumes;
}

SystemVolumes::SystemVolumes(QString mounts) : mounts_(std::move(mounts)) {}

std::vector<TVolume> SystemVolumes::Volumes() {
  std::vector<TVolume> volumes;
  volumes.push_back({QStringLiteral("File System"), QStringLiteral("/"), kDriveFixed});
  const QString home = QDir::homePath();
  if (!home.isEmpty() && home != "/")
    volumes.push_back({QStringLiteral("Home"), WithSlash(home), kDriveFixed});
  QFile file(mounts_);
  if (file.open(QIODevice::ReadOnly)) {
    for (TVolume& v : MountedVolumes(QString::fromUtf8(file.readAll()), home))
      volumes.push_back(std::move(v));
  }
  return volumes;
}

const TVolume* VolumeOfPath(const std::vector<TVolume>& volumes, const QString& path) {
  const QString p = WithSlash(path);
  const TVolume* best = nullptr;
  for (const TVolume& v : volumes) {
    if (p.startsWith(v.root) && (!best || v.root.size() > best->root.size())) best = &v;
  }
  return best;
}
