#pragma once
// The "drives" of the explorer controls. The host listed drive letters; a
// Linux user expects the places a file manager shows: the file system root,
// the home folder and every mounted removable, optical or network volume.
// Each stands for one drive: a name, a root folder (with a trailing "/") and
// the host's drive type, so the folder tree, the file list's drive view and
// the drive probe work the same way over them.
//
// The real list is read from the mount table on every call (nothing is
// watched, as the controls reload their drives only when asked); tests
// install a FakeVolumes whose roots are temporary folders.

#include <QString>
#include <vector>

#include "platform/gui/Services.h"

// The host's drive types, as GetDriveType gives them.
enum : unsigned {
  kDriveUnknown = 0,
  kDriveNoRootDir = 1,
  kDriveRemovable = 2,
  kDriveFixed = 3,
  kDriveRemote = 4,
  kDriveCdRom = 5,
  kDriveRamDisk = 6,
};

struct TVolume {
  QString name;  // what the tree shows, e.g. "Home" or the medium's label
  QString root;  // absolute, with a trailing "/"
  unsigned type = kDriveFixed;
};

class VolumeSource {
 public:
  virtual ~VolumeSource() = default;
  // The volumes in the order the controls list them.
  virtual std::vector<TVolume> Volumes() = 0;
};

// The file system root, the home folder, then the volumes mounted under the
// usual mount places (/media, /run/media, /mnt), in mount-table order.
class SystemVolumes final : public VolumeSource {
 public:
  // `mounts` is the mount table to read (tests point it at a fixture).
  explicit SystemVolumes(QString mounts = QStringLiteral("/proc/self/mounts"));
  std::vector<TVolume> Volumes() override;

 private:
  QString mounts_;
};

class FakeVolumes final : public VolumeSource {
 public:
  std::vector<TVolume> Volumes() override { return volumes; }
  std::vector<TVolume> volumes;
};

inline VolumeSource& Volumes() { return CurrentService<VolumeSource, SystemVolumes>(); }

// Parses mount-table text (the format of /proc/self/mounts) into the
// volumes that live under the mount places; `home` is left out.
std::vector<TVolume> MountedVolumes(const QString& table, const QString& home);

// The volume whose root is the longest prefix of `path`, or null.
const TVolume* VolumeOfPath(const std::vector<TVolume>& volumes, const QString& path);
// The answer points into the list: a temporary list would leave it dangling.
const TVolume* VolumeOfPath(std::vector<TVolume>&& volumes, const QString& path) = delete;
