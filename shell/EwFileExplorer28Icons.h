#pragma once
// The explorer's shared icon list and file type names. The host kept one
// system list of small icons that every control indexed into; here one
// list, made on first use, fills up as icons are asked for: the first
// entries are fixed (a plain file, the computer, a drive, a closed and an
// open folder, the home folder, an optical and a removable drive, a network
// volume), then one entry per file type met. Index 3 is the closed folder,
// as the file list's " Parent" item expects.

#include <QIcon>
#include <QString>
#include <map>
#include <vector>

enum : int {
  kIconFile = 0,
  kIconComputer = 1,
  kIconDrive = 2,
  kIconFolder = 3,
  kIconOpenFolder = 4,
  kIconHome = 5,
  kIconOptical = 6,
  kIconRemovable = 7,
  kIconNetwork = 8,
};

class ShellImageList {
 public:
  // The one list of the module.
  static ShellImageList& Instance();

  int Count() const { return static_cast<int>(icons_.size()); }
  // A null icon for an index out of range.
  QIcon Icon(int index) const;
  // The icon for a file or folder on disk: folders get the folder entries,
  // files one entry per type.
  int IndexOfPath(const QString& path, bool open_folder = false);
  // The icon for a volume root of the given drive type.
  int IndexOfVolume(unsigned drive_type, bool home = false) const;

 private:
  ShellImageList();
  std::vector<QIcon> icons_;
  std::map<QString, int> by_type_;
};

// The type name a file manager shows: "Folder" for folders, else the
// description of the file's MIME type ("plain text document").
QString FileTypeName(const QString& path);
