#pragma once
// An MMC optical recorder in software. It answers SCSI commands as a real
// CD/DVD writer does, keeps its disc in a sparse image file (one 2048-byte
// block per logical block address) and the rest of the disc's state (tracks,
// sessions, format, tray, pending faults) in a small text state file beside
// it, so that a disc survives from one process to the next.
//
// It is the drive of every recorder test and the drive of machines that
// have no writer. Time (formatting, blanking, the drive buffer draining)
// runs on TheClock(), so tests drive it with a FakeClock.
//
// Thread safety: Execute and every other public method serialise on one
// lock. One recorder object per image at a time: two objects on the same
// files would overwrite each other's state.

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/devices/ScsiTarget.h"
#include "platform/devices/VirtualMedia.h"

struct VirtualRecorderConfig {
  // The disc's data. Created (sparse) when missing.
  std::string image_path;
  // The disc's state; empty means image_path + ".state".
  std::string state_path;
  // Inserted blank when the state file does not exist yet.
  VirtualMedium initial_medium = VirtualMedium::DvdPlusRw;
  // False keeps everything in memory: no state file is read or written and
  // the image file is still used for data.
  bool persist = true;
  // Looks at a drive another object or program may own: the state file is
  // read but never locked or written (listing, showing, exporting).
  bool look_only = false;
};

// A fault the recorder plays back to the caller instead of (or besides)
// doing the command. Injected through the API or listed in the state file.
struct VirtualFault {
  enum class Kind : std::uint8_t {
    Sense,          // CHECK CONDITION with key/asc/ascq
    Busy,           // status BUSY
    NotReady,       // NOT READY 04/01 (becoming ready) to readiness-checked commands
    WriteError,     // WRITE(10) touching `lba` fails with key/asc/ascq (default 03/0C/00)
    MediumRemoved,  // after `after` more commands the medium is gone (tray closed, empty)
    Timeout,        // the command is not delivered: timed_out, host_error set
  };
  Kind kind = Kind::Sense;
  int opcode = -1;  // -1: any command (Sense, Busy, Timeout)
  std::uint8_t key = 0;
  std::uint8_t asc = 0;
  std::uint8_t ascq = 0;
  std::uint32_t lba = 0;
  int count = 1;            // how many times it fires; -1: every time
  std::uint32_t after = 0;  // commands let through before it arms
};

// One command as the recorder saw it.
struct VirtualCommandRecord {
  std::array<std::uint8_t, 16> cdb{};
  std::uint8_t cdb_length = 0;
  ScsiDirection direction = ScsiDirection::None;
  std::uint32_t data_length = 0;
  // The data sent with the command, kept for parameter lists (up to 512 bytes).
  std::vector<std::uint8_t> data_out;
  ScsiResult result;

  std::uint8_t opcode() const { return cdb[0]; }
};

// What `vdrive show` prints and tests assert on.
struct VirtualTrackSummary {
  std::uint32_t number = 0;
  std::uint32_t session = 0;
  std::uint32_t start = 0;
  std::uint32_t size = 0;      // blocks the track occupies (reserved size or recorded)
  std::uint32_t recorded = 0;  // blocks written
  std::string state;           // "complete", "incomplete", "reserved", "blank"
  bool audio = false;          // CD-DA track (2352-byte blocks)
  std::uint32_t pregap = 0;    // silent blocks before `start`
};

struct VirtualDiscSummary {
  VirtualMedium medium = VirtualMedium::None;
  bool tray_open = false;
  std::string status;  // "none", "blank", "appendable", "complete", "formatting", "blanking"
  std::uint32_t capacity = 0;
  std::uint32_t used = 0;  // blocks up to the end of the last recorded data
  std::uint32_t free_blocks = 0;
  std::uint32_t next_writable = 0;  // only meaningful on sequential media
  bool formatted = false;
  std::uint32_t sessions = 0;  // closed or holding data
  std::vector<VirtualTrackSummary> tracks;
};

class VirtualDisc;
class VirtualFaults;

class VirtualRecorder final : public ScsiTarget {
 public:
  // Opens the recorder on its files: loads the state file when it exists,
  // else inserts a blank `initial_medium` and writes a new state file.
  // Raises Exception (EFOpenError, EReadError, EConvertError) with a message
  // that names the file and line when the state is unreadable or invalid.
  static std::unique_ptr<VirtualRecorder> Open(const VirtualRecorderConfig& config);
  ~VirtualRecorder() override;

  VirtualRecorder(const VirtualRecorder&) = delete;
  VirtualRecorder& operator=(const VirtualRecorder&) = delete;

  // ScsiTarget
  ScsiResult Execute(const ScsiCommand& command) override;
  std::optional<ScsiAddress> Address() const override;
  std::string Describe() const override;
  void SetAddress(std::optional<ScsiAddress> address);

  // The medium, as a person handles it.
  void InsertBlank(VirtualMedium medium);  // empties the image; closes the tray
  void RemoveMedium();                     // tray closed, no medium
  void OpenTray();                         // the medium stays in the tray
  void CloseTray();
  // Puts an ISO image on a new disc: pressed (CD-ROM, DVD-ROM) or recorded
  // on write-once or rewritable media as one closed session; `finalize`
  // closes the disc to further sessions. Raises EFOpenError / Exception.
  void ImportIso(const std::string& iso_path, VirtualMedium medium, bool finalize = true);
  // Writes the disc's recorded data (block 0 up to the end of the last
  // recorded data) to a file. Raises EFCreateError / EWriteError / Exception.
  void ExportIso(const std::string& iso_path) const;
  VirtualDiscSummary Summary() const;
  VirtualMedium Medium() const;

  // Writes the state file now (also done after every command that changes
  // the disc's layout, periodically while writing, and on destruction).
  void Save();
  const std::string& StatePath() const { return state_path_; }
  const std::string& ImagePath() const { return image_path_; }

  // Fault injection.
  void AddFault(const VirtualFault& fault);
  void ClearFaults();
  std::vector<VirtualFault> Faults() const;

  // The command log, oldest first (bounded; the oldest records are dropped).
  std::vector<VirtualCommandRecord> CommandLog() const;
  void ClearCommandLog();

  // Durations of formatting and blanking in percent of a real drive's
  // (100 by default; 0 finishes them at once). Stored in the state file.
  void SetTimingPercent(std::uint32_t percent);

 private:
  explicit VirtualRecorder(const VirtualRecorderConfig& config);
  void OpenFiles(const VirtualRecorderConfig& config);
  void LockStateFile();
  ScsiResult ExecuteLocked(const ScsiCommand& command);
  void SaveLocked();
  void MaybeSaveLocked(bool structural);

  std::string image_path_;
  std::string state_path_;
  bool persist_ = true;
  bool look_only_ = false;
  std::optional<ScsiAddress> address_;
  mutable std::mutex mutex_;
  std::unique_ptr<VirtualDisc> disc_;
  std::unique_ptr<VirtualFaults> faults_;
  std::deque<VirtualCommandRecord> log_;
  std::uint32_t unsaved_writes_ = 0;
  // Held while this object owns the state file, so that a second program
  // (or a second object) never writes over it: "<state>.lock", flock'ed.
  int lock_fd_ = -1;
};
