#pragma once
// The compilation model and the ISO 9660 / Joliet / El Torito file system
// built from it: the file and folder records, the tables that own them, the
// name rules, the layout that gives every structure its sector, and the
// header writer that turns the layout into bytes.
//
// A compilation holds up to 600000 files in 20000 folders, so every lookup is
// hashed and every order is sorted once per layout.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/core/Clock.h"

struct TDEntry;

// Attribute bits as the compilation records them.
inline constexpr int kAttrHidden = 2;
inline constexpr int kAttrDirectory = 16;
inline constexpr int kAttrArchive = 32;

inline constexpr std::int64_t kSectorSize = 2048;
// The largest extent one directory record describes: the 32-bit data length
// rounded down to whole sectors, so the next extent of the file starts on a
// sector boundary right after it.
inline constexpr std::int64_t kMaxExtentBytes = 0xFFFFF800LL;
// A directory record's length is one byte; a Joliet record is 34 bytes plus
// two per UTF-16 unit of its identifier.
inline constexpr int kMaxDirectoryRecord = 255;

// One entry of a directory: a file, or a subfolder (then `Dir` is its record).
struct TFEntry {
  std::string ShortName;   // ISO 9660 name, upper case, without ";1"
  std::string LongName;    // Joliet name
  std::string SourcePath;  // host file; empty for folders and imported entries
  bool Imported = false;   // the data already lies on the disc at IsoAddress
  Clock::TimePoint DateTime{};
  std::int64_t IsoSize = 0;
  std::int64_t JolietSize = 0;
  std::int64_t IsoAddress = 0;
  std::int64_t JolietAddress = 0;
  int Attr = 0;
  bool ArchiveOnly = false;
  TDEntry* Dir = nullptr;
  TFEntry* Next = nullptr;

  bool IsDirectory() const { return Dir != nullptr; }

 private:
  friend class TCompilation;
  TFEntry* prev_ = nullptr;
  std::size_t slot_ = 0;
};

// One directory of the compilation, the root included.
struct TDEntry {
  using NameIndex = std::unordered_multimap<std::size_t, TFEntry*>;
  std::string ShortName;
  std::string LongName;
  std::int64_t IsoExtentSize = 0;
  std::int64_t JolietExtentSize = 0;
  std::string Path;  // "\" for the root, "\A\b" below it, the names as they are
  std::int64_t IsoExtentOffset = 0;
  std::int64_t JolietExtentOffset = 0;
  int Level = 1;
  int Number = 0;  // position in the ISO path table
  int JolietNumber = 0;
  TDEntry* Parent = nullptr;
  TFEntry* FirstChild = nullptr;

  TFEntry* Entry() const { return entry_; }  // its record in the parent; null for the root

 private:
  friend class TCompilation;
  TFEntry* last_child_ = nullptr;
  TFEntry* entry_ = nullptr;
  std::size_t slot_ = 0;
  // Children by the hash of their long name; the names themselves are
  // compared on a hit, so no second copy of each is kept. Names are exact:
  // "Readme.txt" and "README.TXT" are two entries, as on the source disk.
  NameIndex names_;
};

// The compilation tables: every record in creation order, the two path-table
// orders, and the indexes that keep lookups constant-time. One per recorder.
class TCompilation {
 public:
  TCompilation();
  ~TCompilation();
  TCompilation(const TCompilation&) = delete;
  TCompilation& operator=(const TCompilation&) = delete;

  // Frees every record and starts again with the root alone.
  void Init(int max_files, int max_dirs);

  TDEntry* Root() const { return root_; }
  int MaxFiles() const { return max_files_; }
  int MaxDirs() const { return max_dirs_; }
  // Records in use (the directory count includes the root).
  int FileCount() const { return static_cast<int>(file_count_); }
  int DirCount() const { return static_cast<int>(dir_count_); }
  bool FilesFull() const { return file_count_ >= static_cast<std::size_t>(max_files_); }
  bool DirsFull() const { return dir_count_ >= static_cast<std::size_t>(max_dirs_); }

  // A new file record appended to `dir`'s child list; null when the table is full.
  TFEntry* AddFileRecord(TDEntry* dir);
  // A new folder below `parent`: its directory record and its entry, linked
  // and indexed; null when either table is full (nothing is left behind).
  TDEntry* AddDirRecord(TDEntry* parent, const std::string& long_name, const std::string& short_name);
  // Makes the child-name index follow a renamed entry.
  void Rename(TDEntry* dir, TFEntry* entry, const std::string& new_long_name);

  // The child of exactly that name (names differing only in case are
  // different entries).
  TFEntry* FindChild(const TDEntry* dir, std::string_view long_name) const;
  // The folder at a path without trailing backslash: the exact path first,
  // else the first folder made whose path matches ignoring case, so callers
  // that upper-case their paths still find mixed-case folders.
  TDEntry* FindDir(std::string_view path) const;

  // Unlinks and frees an entry; a folder takes its whole subtree along.
  void RemoveEntry(TDEntry* dir, TFEntry* entry);

  // The tables in creation order, without holes.
  const std::vector<std::unique_ptr<TFEntry>>& Files();
  const std::vector<std::unique_ptr<TDEntry>>& Dirs();
  // Path-table orders, made by the layout (creation order until then).
  std::vector<TDEntry*>& IsoOrder() { return iso_order_; }
  std::vector<TDEntry*>& JolietOrder() { return joliet_order_; }

 private:
  void FreeDirRecord(TDEntry* dir);
  void FreeFileRecord(TFEntry* entry);
  void Compact();

  int max_files_ = 0;
  int max_dirs_ = 0;
  std::size_t file_count_ = 0;
  std::size_t dir_count_ = 0;
  bool holes_ = false;
  TDEntry* root_ = nullptr;
  std::vector<std::unique_ptr<TFEntry>> files_;
  std::vector<std::unique_ptr<TDEntry>> dirs_;
  std::vector<TDEntry*> iso_order_;
  std::vector<TDEntry*> joliet_order_;
  std::unordered_map<std::string, TDEntry*> paths_;
  // Upper-cased paths, for lookups that ignore case; in creation order.
  std::unordered_multimap<std::string, TDEntry*> upper_paths_;
};

namespace iso {

// Text helpers for UTF-8 names.
std::string UpperCase(std::string_view utf8);
std::u16string ToUtf16(std::string_view utf8);
// The ISO 9660 name made from a long name: upper case, d-characters only,
// at most 30 characters of name and extension for a file (which always has
// its separating dot) and 31 for a folder.
std::string IsoFileName(std::string_view long_name);
std::string IsoDirName(std::string_view long_name);
// Whether a long name fits one Joliet directory record.
bool JolietNameFits(std::string_view long_name, bool is_file);
// The Joliet identifier as written: UCS-2 big-endian, the characters Joliet
// reserves replaced, ";1" after a file name.
std::string JolietIdentifier(std::string_view long_name, bool is_file);

// The seven-byte recording date of a directory record, with the offset from
// GMT in force at that moment.
std::array<std::uint8_t, 7> RecordDate(Clock::TimePoint when);
// The 17-byte date of a volume descriptor.
std::array<std::uint8_t, 17> VolumeDate(Clock::TimePoint when);

inline std::int64_t Sectors(std::int64_t bytes) { return (bytes + kSectorSize - 1) / kSectorSize; }
// Directory records a file needs: one per extent of at most kMaxExtentBytes.
inline std::int64_t ExtentCount(std::int64_t size) {
  return size <= 0 ? 1 : (size + kMaxExtentBytes - 1) / kMaxExtentBytes;
}

}  // namespace iso

// The volume identifiers the descriptors carry.
struct TVolumeIds {
  std::string System, Volume, VolumeSet, Publisher, Preparer, Application;
  std::string Copyright, Abstract, Bibliographic;
  Clock::TimePoint JolietCreation{}, JolietModification{};
};

// Where every structure lies; sectors are absolute, counts are sectors.
struct TLayoutFigures {
  std::int64_t SessionStart = 0;
  std::int64_t PvdSector = 16;
  std::int64_t IsoPathTableL = 0, IsoPathTableM = 0;
  std::int64_t JolietPathTableL = 0, JolietPathTableM = 0;
  std::int64_t IsoPathTableSize = 0, JolietPathTableSize = 0;
  std::int64_t IsoDirArea = 0, JolietDirArea = 0;
  std::int64_t IsoDirBytes = 0, JolietDirBytes = 0;
  std::int64_t BootCatalogSector = 0, BootImageSector = 0, BootImageSectors = 0;
  std::int64_t PadSectors = 0;
  std::int64_t FirstFileSector = 0;
  std::int64_t TotalFileSectors = 0;
  std::int64_t VolumeEnd = 0;
  std::int64_t TrackSectors = 0;
  // The boot image is also a file of the root, so that readers can tell
  // its size and nothing on the disc is hidden from them.
  std::string BootIsoName, BootJolietName;
};

struct TLayoutOptions {
  std::int64_t SessionStart = 0;
  bool Joliet = true;
  bool Bootable = false;
  std::int64_t BootImageBytes = 0;
  std::string BootName;  // the boot image's file name
};

namespace iso {

// Makes ISO names unique per folder, orders the path tables, sizes every
// directory extent and gives every file its address.
TLayoutFigures Layout(TCompilation& tables, const TLayoutOptions& options);

// The header from the session's first sector up to the boot image or the
// first file. `now` dates the descriptors and the "." and ".." records.
// `descriptor_copy` receives the system area and volume descriptors.
void BuildHeader(TCompilation& tables, const TLayoutFigures& layout, const TLayoutOptions& options,
                 const TVolumeIds& ids, Clock::TimePoint now, std::vector<std::uint8_t>& out,
                 std::vector<std::uint8_t>& descriptor_copy);

}  // namespace iso
