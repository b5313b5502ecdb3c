#pragma once
// The virtual recorder's drive and disc state: tray, medium, tracks and
// sessions, format, the operation in progress, write parameters, speeds and
// the drive buffer, and the image file that holds the disc's blocks.
// VirtualRecorder owns one; the command handlers read and change it.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/devices/ScsiTarget.h"
#include "platform/devices/VirtualMedia.h"

inline constexpr std::uint32_t kBlockSize = 2048;
// A CD-DA sector: 588 stereo frames of 16-bit samples.
inline constexpr std::uint32_t kAudioBlockSize = 2352;
// The two seconds a track-at-once track starts with when another track of
// its session comes before it (silence on audio tracks).
inline constexpr std::uint32_t kAudioPregap = 150;
// The blocks a CD recorder writes after the last data block of a track it
// closes when written track at once: they belong to the track and hold no
// user data.
inline constexpr std::uint32_t kRunOutBlocks = 2;

// A track on sequential media. A track that is neither reserved nor closed
// is the incomplete ("invisible") track being written; at most one exists.
struct VirtualTrack {
  std::uint32_t number = 0;
  std::uint32_t session = 0;
  std::uint32_t start = 0;
  std::uint32_t reserved = 0;  // size fixed by RESERVE TRACK, 0 when not reserved
  std::uint32_t recorded = 0;  // blocks written from the start
  bool closed = false;
  bool audio = false;         // CD-DA: 2352-byte sectors, kept beside the image
  std::uint32_t pregap = 0;   // silent blocks before `start` that belong to the track
  std::uint32_t runout = 0;   // unreadable blocks after the data of a closed CD data track

  std::uint32_t Begin() const { return start - pregap; }
  std::uint32_t Size() const { return reserved != 0 ? reserved : recorded + runout; }
  std::uint32_t End() const { return start + Size(); }
  std::uint32_t NextWritable() const { return start + recorded; }
};

enum class VirtualOperation : std::uint8_t { None, Format, Blank };

// A check failed: the sense the command answers with.
struct SenseError {
  std::uint8_t key = 0;
  std::uint8_t asc = 0;
  std::uint8_t ascq = 0;
};

class VirtualDisc {
 public:
  VirtualDisc(std::string image_path);
  ~VirtualDisc();
  VirtualDisc(const VirtualDisc&) = delete;
  VirtualDisc& operator=(const VirtualDisc&) = delete;

  // --- persistent state (the state file holds these) ---
  VirtualMedium medium = VirtualMedium::None;
  bool tray_open = false;
  bool formatted = false;  // overwrite media
  bool finalized = false;  // sequential media: no further session
  std::uint32_t closed_sessions = 0;
  std::uint32_t capacity = 0;        // blocks
  std::uint32_t written_extent = 0;  // overwrite/ROM media: blocks up to the last written one
  std::vector<VirtualTrack> tracks;
  VirtualOperation operation = VirtualOperation::None;
  std::int64_t operation_start_ms = 0;  // wall-clock ms since the epoch
  std::int64_t operation_end_ms = 0;
  std::uint32_t timing_percent = 100;
  std::string vendor = "BURNER  ";
  std::string product = "VIRTUAL DVD-RW  ";
  std::string revision = "1.00";
  std::string serial = "VR0000000001";

  // --- volatile drive state (reset when a recorder opens) ---
  std::array<std::uint8_t, 52> write_page{};  // mode page 05h, page code first
  bool prevent_removal = false;
  std::uint32_t read_speed = 0;  // kB/s chosen by SET CD SPEED / SET STREAMING, 0 = maximum
  std::uint32_t write_speed = 0;
  bool media_event = false;  // a new medium to report once through GET EVENT STATUS NOTIFICATION
  // A new medium to report once as UNIT ATTENTION (6/28/00, "not ready to
  // ready change, medium may have changed"), as drives do after a change.
  bool unit_attention = false;
  // Both reports of a medium that has just arrived.
  void MediumArrived() { media_event = unit_attention = HasMedium(); }
  std::optional<std::uint32_t> test_write_next;  // simulated next writable address in test-write mode
  // Session at once on CD: the address the host writes next, from the
  // first track's pre-gap (LBA -150 on a blank disc) to the lead-out the
  // cue sheet gave. Empty when no cue sheet was taken.
  std::optional<std::int64_t> cue_next;
  std::int64_t cue_lead_out = 0;
  std::vector<VirtualTrack> cue_tracks;  // the session's tracks, reserved as the cue sheet laid them out
  std::uint64_t buffer_fill = 0;                 // bytes waiting in the drive buffer
  std::int64_t buffer_time_ms = 0;

  static constexpr std::uint32_t kBufferSize = 2 * 1024 * 1024;

  const MediumSpec& Spec() const { return SpecOf(medium); }
  bool HasMedium() const { return medium != VirtualMedium::None && !tray_open; }
  bool IsCd() const { return Spec().cd; }
  bool IsSequential() const { return Spec().recording == RecordingKind::Sequential; }
  bool IsOverwrite() const { return Spec().recording == RecordingKind::Overwrite; }
  bool IsReadOnly() const { return Spec().recording == RecordingKind::ReadOnly; }

  // Drops the image's data and puts a new blank medium in; tray closed.
  void InsertBlank(VirtualMedium new_medium);
  void RemoveMedium();
  // Empties the image and the layout of the present medium (blank, format).
  void Wipe();

  // --- sequential layout ---
  std::uint32_t OpenSession() const { return closed_sessions + 1; }
  // Where the tracks of the closed sessions end (0 while none is closed):
  // the last lead-out, or DVD-R border-out, starts there.
  std::uint32_t ClosedSessionsEnd() const;
  std::uint32_t OpenSessionStart() const;
  // Where the invisible track starts; nullopt when the disc takes no more.
  std::optional<std::uint32_t> InvisibleStart() const;
  std::uint32_t LastTrackNumber() const { return tracks.empty() ? 0 : tracks.back().number; }
  // What the drive lays down before the invisible track's first block: a
  // track-at-once track that follows another track of its session starts
  // after its pre-gap.
  std::uint32_t PendingPregap() const;
  // Where the invisible track's data begins (its start plus any pre-gap).
  std::optional<std::uint32_t> InvisibleNextWritable() const;
  // The write parameters ask for audio tracks (track mode without the data bit).
  bool AudioTrackMode() const { return (write_page[3] & 0x04) == 0; }
  // The number the invisible track has when it exists.
  std::optional<std::uint32_t> InvisibleTrackNumber() const;
  VirtualTrack* OpenTrack();  // the incomplete, unreserved track, when one is being written
  const VirtualTrack* FindTrack(std::uint32_t number) const;
  bool OpenSessionHasTracks() const;
  // Blocks up to the end of the last recorded data (READ CAPACITY, export).
  std::uint32_t RecordedEnd() const;
  bool IsBlank() const;
  // READ DISC INFORMATION byte 2 fields.
  std::uint8_t DiscStatus() const;
  std::uint8_t LastSessionState() const;
  std::uint32_t SessionCountForDiscInfo() const;
  std::uint32_t FirstTrackOfLastSession() const;
  std::uint32_t LastTrackOfLastSession() const;
  // Sessions that carry data and can be read (closed ones; on DVD the open one too).
  std::uint32_t FreeBlocks() const;

  // --- operations; each returns the sense to answer with on failure ---
  std::optional<SenseError> CheckWrite(std::uint32_t lba, std::uint32_t count) const;
  // Stores blocks (after CheckWrite passed); test-write mode stores nothing.
  // Audio blocks are 2352 bytes and make or extend an audio track; a track
  // takes one kind of block only.
  std::optional<SenseError> Write(std::uint32_t lba, std::uint32_t count, const std::uint8_t* data,
                                  bool audio = false);
  // Reads 2048-byte blocks of data tracks (or 2352-byte blocks of audio
  // tracks); a block of the other kind is an illegal mode for the track.
  std::optional<SenseError> Read(std::uint32_t lba, std::uint32_t count, std::uint8_t* data,
                                 bool audio = false) const;
  // The track whose readable blocks (pre-gap included) hold `lba`, on
  // sequential media; its run-out blocks are not among them.
  const VirtualTrack* TrackHolding(std::uint32_t lba) const;
  // Whether `lba` is a run-out block of a closed track.
  bool InRunOut(std::uint32_t lba) const;
  std::optional<SenseError> ReserveTrack(std::uint32_t size);
  // CD session at once (write type 2): SEND CUE SHEET lays out the session's
  // tracks (mode 1 data, 2048 bytes a block), the host then writes every
  // block from the first pre-gap to the lead-out in order, and the cache
  // flush after the last one closes the session (and the disc when page 05h
  // allows no next session).
  bool SessionAtOnce() const { return IsCd() && IsSequential() && (write_page[2] & 0x0F) == 2; }
  std::optional<SenseError> TakeCueSheet(const std::uint8_t* sheet, std::uint32_t length);
  std::optional<SenseError> WriteAtOnce(std::int64_t lba, std::uint32_t count, const std::uint8_t* data);
  void FinishSessionAtOnce();
  // DVD-R and sequential DVD-RW written disc at once (write type 2): the
  // cache flush that follows the last block of the reserved track closes
  // the track, the session and the disc, with no CLOSE TRACK/SESSION.
  void FinishDiscAtOnce();
  std::optional<SenseError> CloseTrack(std::uint32_t number);
  std::optional<SenseError> CloseSession(bool finalize);
  bool TestWriteMode() const { return (write_page[2] & 0x10) != 0; }
  bool NextSessionAllowed() const { return (write_page[3] & 0xC0) == 0xC0; }
  std::uint32_t DataBlockSize() const;

  // --- the operation in progress ---
  // Ends a finished format or blank; true while one still runs.
  bool OperationRunning();
  std::uint16_t OperationProgress() const;  // 0..65535
  void StartOperation(VirtualOperation op, std::uint32_t real_seconds);

  // --- speeds and buffer ---
  std::uint32_t MaxWriteSpeed() const;
  std::uint32_t MaxReadSpeed() const;
  std::uint32_t CurrentWriteSpeed() const;
  std::uint32_t CurrentReadSpeed() const;
  void DrainBuffer();

  void ResetWritePage();
  const std::string& ImagePath() const { return image_path_; }

  // Raw image access (import/export).
  void ReadImage(std::uint64_t offset, std::uint8_t* data, std::size_t length) const;
  void WriteImage(std::uint64_t offset, const std::uint8_t* data, std::size_t length);
  void ResizeImage(std::uint64_t bytes);
  void OpenImage();
  // The audio sectors live in a sparse file of their own beside the image,
  // 2352 bytes per block address.
  std::string AudioPath() const { return image_path_ + ".audio"; }

 private:
  void CloseOne(VirtualTrack& track) const;
  void DropAudio();
  void OpenAudio() const;
  std::string image_path_;
  int fd_ = -1;
  mutable int audio_fd_ = -1;
};

std::int64_t NowMs();
