#pragma once
// Drive letters to devices: the real optical drives of the machine (/dev/srN)
// and the virtual recorders named by the drive-map file (DRIVEMAP.md).
//
// Real drives take the letters from D upward in the order of their kernel
// number (sr0, sr1, ...), skipping the letters that the drive-map file gives
// to virtual recorders. When the machine has no writer and the file names no
// recorder, one virtual recorder with a blank DVD+RW stands in, so the
// program always has a drive to burn to.

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/devices/ScsiTarget.h"

class SgKernel;

enum class DriveKind : std::uint8_t { Real, Virtual };

struct DriveMapEntry {
  char letter = 0;  // 'D' to 'Z'
  DriveKind kind = DriveKind::Real;

  // Real drives.
  std::string device;                         // /dev/srN
  int kernel_index = -1;                      // N of srN
  bool writer = false;                        // writes CD-R, DVD-R or DVD-RAM, as the kernel reports it
  std::optional<ScsiAddress> kernel_address;  // host:channel:target:lun from sysfs

  // Virtual recorders.
  std::string image;      // the disc's sectors (sparse file)
  std::string state;      // the drive and disc state
  std::string medium;     // medium of a recorder that has no state file yet
  bool fallback = false;  // made because the machine had no writer
};

// The drive-map file, parsed. Every section that cannot be used is left out
// and named in `problems` with its line number; the good ones still count.
struct DriveMapFile {
  std::vector<DriveMapEntry> recorders;
  std::vector<std::string> problems;
};

// Parses the text of a drive-map file. Relative paths are taken from
// `base_dir` (the file's folder); `name` labels the problems.
DriveMapFile ParseDriveMapFile(const std::string& text, const std::string& base_dir,
                               const std::string& name = "drive map");

struct DriveMapOptions {
  // Prefix of /sys, /dev and /proc; tests point it at a fixture tree.
  std::string root = "/";
  // The drive-map file; empty or missing means no virtual recorders from a file.
  std::string map_file;
  // Where the fallback virtual recorder keeps its image and state files.
  std::string data_dir;
  // Make the fallback recorder when the machine has no writer and the file names none.
  bool fallback_recorder = true;
};

// Where the program looks: $BURNER_DRIVE_MAP, else DriveMap.ini beside the
// executable; the fallback recorder lives in $XDG_DATA_HOME/burner, else
// ~/.local/share/burner, else beside the executable.
DriveMapOptions DefaultDriveMapOptions();

// The folder of the running executable.
std::string ExecutableDir();

// Makes the target of a virtual recorder entry. It may throw Exception (for
// example for a corrupt state file); the map reports that as an open error.
using VirtualRecorderFactory = std::function<std::unique_ptr<ScsiTarget>(const DriveMapEntry&)>;

// The factory of the program's own virtual recorder.
VirtualRecorderFactory DefaultVirtualRecorderFactory();

class DriveMap {
 public:
  DriveMap(const DriveMapOptions& options, SgKernel& kernel, VirtualRecorderFactory factory);
  ~DriveMap();
  DriveMap(const DriveMap&) = delete;
  DriveMap& operator=(const DriveMap&) = delete;

  // The drives in letter order.
  const std::vector<DriveMapEntry>& Entries() const { return entries_; }
  const DriveMapEntry* Find(char letter) const;
  // What went wrong while building the map (a bad drive-map file, too many
  // drives for the letters); empty when all is well.
  const std::vector<std::string>& Problems() const { return problems_; }

  // Opens a drive for commands: a real drive gets a fresh descriptor (read-
  // write or read-only); a virtual recorder's handle reaches the map's one
  // recorder object, made at its first command (a recorder that cannot be
  // made fails that command, undelivered, with the reason). Null with *error
  // set (an errno value) and *message on failure. Handles must not outlive
  // the map.
  std::unique_ptr<ScsiTarget> Open(char letter, bool writable, int* error, std::string* message);

  // The one recorder object of a virtual drive, made on first use; null with
  // *message (for example a corrupt state file) when it cannot be made.
  std::shared_ptr<ScsiTarget> Recorder(char letter, std::string* message);

  // The address the host reports for a drive: real drives' host numbers
  // renumbered 0-9 in a stable order (the kernel's order), virtual recorders
  // on one adapter after the real ones, targets in letter order. `opened`,
  // when given, is asked for the kernel address of a real drive (sysfs tells
  // it otherwise). No address
  // when the adapter number would not fit one digit.
  std::optional<ScsiAddress> AddressOf(char letter, const ScsiTarget* opened = nullptr);

 private:
  std::optional<std::uint8_t> HostNumber(std::uint8_t kernel_host);

  SgKernel& kernel_;
  VirtualRecorderFactory factory_;
  std::vector<DriveMapEntry> entries_;
  std::vector<std::string> problems_;

  std::mutex mutex_;
  // Kernel host numbers by adapter number; -1 marks the virtual recorders' adapter.
  std::vector<int> adapters_;
  std::map<char, std::shared_ptr<ScsiTarget>> recorders_;
};
