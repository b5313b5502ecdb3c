#include "platform/devices/VirtualDisc.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/core/Clock.h"
#include "platform/core/Exceptions.h"

namespace {

constexpr SenseError kInvalidAddressForWrite{0x05, 0x21, 0x02};
constexpr SenseError kLbaOutOfRange{0x05, 0x21, 0x00};
constexpr SenseError kInvalidFieldInCdb{0x05, 0x24, 0x00};
constexpr SenseError kCommandSequenceError{0x05, 0x2C, 0x00};
constexpr SenseError kProgramAreaEmpty{0x05, 0x2C, 0x04};
constexpr SenseError kCannotWriteIncompatible{0x05, 0x30, 0x05};
constexpr SenseError kMediumNotFormatted{0x05, 0x30, 0x10};
constexpr SenseError kIllegalModeForTrack{0x05, 0x64, 0x00};
constexpr SenseError kInvalidFieldInParameterList{0x05, 0x26, 0x00};

// DVD media are written in ECC blocks of 16 sectors.
constexpr std::uint32_t kEccBlock = 16;

}  // namespace

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(TheClock().Now().time_since_epoch()).count();
}

VirtualDisc::VirtualDisc(std::string image_path) : image_path_(std::move(image_path)) { ResetWritePage(); }

VirtualDisc::~VirtualDisc() {
  if (fd_ >= 0) ::close(fd_);
  if (audio_fd_ >= 0) ::close(audio_fd_);
}

void VirtualDisc::OpenAudio() const {
  if (audio_fd_ >= 0) return;
  audio_fd_ = ::open(AudioPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (audio_fd_ < 0) {
    const int error = errno;
    throw EFOpenError("Cannot open the audio image \"" + AudioPath() + "\": " + SysErrorMessage(error));
  }
}

void VirtualDisc::DropAudio() {
  if (audio_fd_ >= 0) {
    ::close(audio_fd_);
    audio_fd_ = -1;
  }
  if (image_path_.empty()) return;
  // Removing it returns its blocks; a disc without audio has no such file.
  if (::unlink(AudioPath().c_str()) != 0 && errno != ENOENT) {
    const int error = errno;
    throw EWriteError("Cannot remove the audio image \"" + AudioPath() + "\": " + SysErrorMessage(error));
  }
}

void VirtualDisc::OpenImage() {
  if (fd_ >= 0) return;
  fd_ = ::open(image_path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    const int error = errno;
    throw EFOpenError("Cannot open the disc image \"" + image_path_ + "\": " + SysErrorMessage(error));
  }
}

void VirtualDisc::ReadImage(std::uint64_t offset, std::uint8_t* data, std::size_t length) const {
  std::size_t done = 0;
  while (done < length) {
    const ssize_t got = ::pread(fd_, data + done, length - done, static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      throw EReadError("Cannot read the disc image \"" + image_path_ + "\": " + SysErrorMessage(error));
    }
    if (got == 0) {  // past the end of a short image: unwritten blocks read as zeros
      std::memset(data + done, 0, length - done);
      return;
    }
    done += static_cast<std::size_t>(got);
  }
}

void VirtualDisc::WriteImage(std::uint64_t offset, const std::uint8_t* data, std::size_t length) {
  std::size_t done = 0;
  while (done < length) {
    const ssize_t put = ::pwrite(fd_, data + done, length - done, static_cast<off_t>(offset + done));
    if (put < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      throw EWriteError("Cannot write the disc image \"" + image_path_ + "\": " + SysErrorMessage(error));
    }
    done += static_cast<std::size_t>(put);
  }
}

void VirtualDisc::ResizeImage(std::uint64_t bytes) {
  if (::ftruncate(fd_, static_cast<off_t>(bytes)) != 0) {
    const int error = errno;
    throw EWriteError("Cannot resize the disc image \"" + image_path_ + "\": " + SysErrorMessage(error));
  }
}

void VirtualDisc::ResetWritePage() {
  write_page.fill(0);
  write_page[0] = 0x05;
  write_page[1] = 0x32;
  write_page[2] = 0x01;  // track at once
  write_page[3] = 0x04;  // track mode 4: data, uninterrupted
  write_page[4] = 0x08;  // mode 1, 2048 bytes
  write_page[14] = 0x00;
  write_page[15] = 150;  // audio pause length
  test_write_next.reset();
  cue_next.reset();
}

void VirtualDisc::Wipe() {
  // Truncating to zero first returns the old blocks to the file system, so a
  // blanked disc costs no space.
  ResizeImage(0);
  ResizeImage(static_cast<std::uint64_t>(capacity) * kBlockSize);
  DropAudio();
  tracks.clear();
  closed_sessions = 0;
  finalized = false;
  written_extent = 0;
  test_write_next.reset();
  cue_next.reset();
  buffer_fill = 0;
}

void VirtualDisc::InsertBlank(VirtualMedium new_medium) {
  medium = new_medium;
  tray_open = false;
  capacity = Spec().capacity;
  operation = VirtualOperation::None;
  Wipe();
  formatted = new_medium == VirtualMedium::DvdRwRestricted || new_medium == VirtualMedium::DvdRam;
  ResetWritePage();
}

void VirtualDisc::RemoveMedium() {
  medium = VirtualMedium::None;
  capacity = 0;
  tracks.clear();
  closed_sessions = 0;
  finalized = false;
  formatted = false;
  written_extent = 0;
  operation = VirtualOperation::None;
  ResizeImage(0);
  DropAudio();
}

std::uint32_t VirtualDisc::ClosedSessionsEnd() const {
  std::uint32_t end = 0;
  for (const VirtualTrack& track : tracks) {
    if (track.session <= closed_sessions) end = std::max(end, track.End());
  }
  return end;
}

std::uint32_t VirtualDisc::OpenSessionStart() const {
  if (closed_sessions == 0) return 0;
  const std::uint32_t end = ClosedSessionsEnd();
  const MediumSpec& medium_spec = Spec();
  const std::uint64_t start = static_cast<std::uint64_t>(end) +
                              (closed_sessions == 1 ? medium_spec.first_session_gap : medium_spec.later_session_gap);
  return start > capacity ? capacity : static_cast<std::uint32_t>(start);
}

std::optional<std::uint32_t> VirtualDisc::InvisibleStart() const {
  if (!IsSequential() || finalized) return std::nullopt;
  std::uint32_t start = OpenSessionStart();
  for (const VirtualTrack& track : tracks) {
    if (track.session == OpenSession()) {
      if (!track.closed && track.reserved == 0) return std::nullopt;  // the open track is the invisible one
      start = std::max(start, track.End());
    }
  }
  if (start >= capacity) return std::nullopt;
  return start;
}

std::uint32_t VirtualDisc::PendingPregap() const {
  // Only track at once: written at once, the cue sheet places every pre-gap.
  if (!IsCd() || (write_page[2] & 0x0F) != 1) return 0;
  auto start = InvisibleStart();
  // The first track of a session has its pre-gap before the program area.
  if (!start || *start == OpenSessionStart()) return 0;
  return std::min(kAudioPregap, capacity - *start);
}

std::optional<std::uint32_t> VirtualDisc::InvisibleNextWritable() const {
  auto start = InvisibleStart();
  if (!start) return std::nullopt;
  const std::uint32_t next = *start + PendingPregap();
  if (next >= capacity) return std::nullopt;
  return next;
}

std::optional<std::uint32_t> VirtualDisc::InvisibleTrackNumber() const {
  for (const VirtualTrack& track : tracks) {
    if (!track.closed && track.reserved == 0) return track.number;
  }
  if (InvisibleStart()) return LastTrackNumber() + 1;
  return std::nullopt;
}

VirtualTrack* VirtualDisc::OpenTrack() {
  for (VirtualTrack& track : tracks) {
    if (!track.closed && track.reserved == 0) return &track;
  }
  return nullptr;
}

const VirtualTrack* VirtualDisc::FindTrack(std::uint32_t number) const {
  for (const VirtualTrack& track : tracks) {
    if (track.number == number) return &track;
  }
  return nullptr;
}

bool VirtualDisc::OpenSessionHasTracks() const {
  return std::any_of(tracks.begin(), tracks.end(),
                     [&](const VirtualTrack& track) { return track.session == OpenSession(); });
}

std::uint32_t VirtualDisc::RecordedEnd() const {
  if (IsReadOnly()) return capacity;
  if (IsOverwrite()) return written_extent;
  // Run-out blocks hold nothing to read or export.
  std::uint32_t end = 0;
  for (const VirtualTrack& track : tracks) end = std::max(end, track.NextWritable());
  return end;
}

bool VirtualDisc::IsBlank() const {
  if (IsReadOnly()) return false;
  if (IsOverwrite()) return !formatted;
  return tracks.empty() && closed_sessions == 0;
}

std::uint8_t VirtualDisc::DiscStatus() const {
  if (IsReadOnly()) return 2;
  if (IsOverwrite()) {
    if (medium == VirtualMedium::DvdRam) return 3;  // random-access medium
    return formatted ? 2 : 0;
  }
  if (finalized) return 2;
  if (IsBlank()) return 0;
  return 1;
}

std::uint8_t VirtualDisc::LastSessionState() const {
  if (IsReadOnly()) return 3;
  if (IsOverwrite()) return formatted ? 3 : 0;
  if (finalized) return 3;
  return OpenSessionHasTracks() ? 1 : 0;
}

std::uint32_t VirtualDisc::SessionCountForDiscInfo() const {
  if (!IsSequential()) return 1;
  // An appendable disc counts its empty or incomplete last session.
  return finalized ? std::max<std::uint32_t>(closed_sessions, 1) : closed_sessions + 1;
}

std::uint32_t VirtualDisc::FirstTrackOfLastSession() const {
  if (!IsSequential()) return 1;
  const std::uint32_t session = finalized ? closed_sessions : OpenSession();
  for (const VirtualTrack& track : tracks) {
    if (track.session == session) return track.number;
  }
  if (auto number = InvisibleTrackNumber()) return *number;
  return std::max<std::uint32_t>(LastTrackNumber(), 1);
}

std::uint32_t VirtualDisc::LastTrackOfLastSession() const {
  if (!IsSequential()) return 1;
  if (!finalized) {
    if (auto number = InvisibleTrackNumber()) return *number;
  }
  return std::max<std::uint32_t>(LastTrackNumber(), 1);
}

std::uint32_t VirtualDisc::FreeBlocks() const {
  if (IsReadOnly()) return 0;
  if (IsOverwrite()) return capacity > written_extent ? capacity - written_extent : 0;
  for (const VirtualTrack& track : tracks) {
    if (!track.closed && track.reserved == 0) return capacity - track.NextWritable();
  }
  if (auto start = InvisibleStart()) return capacity - *start;
  return 0;
}

std::uint32_t VirtualDisc::DataBlockSize() const {
  if (!IsCd()) return kBlockSize;
  switch (write_page[4] & 0x0F) {
    case 0:
      return 2352;
    case 1:
      return 2368;
    case 2:
    case 3:
      return 2448;
    case 8:
    case 10:
      return 2048;
    case 9:
      return 2336;
    case 11:
      return 2056;
    case 12:
      return 2324;
    case 13:
      return 2332;
    default:
      return 0;
  }
}

std::optional<SenseError> VirtualDisc::CheckWrite(std::uint32_t lba, std::uint32_t count) const {
  if (IsReadOnly()) return kCannotWriteIncompatible;
  const std::uint64_t end = static_cast<std::uint64_t>(lba) + count;
  if (IsOverwrite()) {
    if (!formatted) return kMediumNotFormatted;
    if (end > capacity) return kLbaOutOfRange;
    if (medium == VirtualMedium::DvdRwRestricted) {
      // Restricted overwrite rewrites whole ECC blocks only.
      if (lba % kEccBlock != 0) return kInvalidAddressForWrite;
      if (count % kEccBlock != 0) return kInvalidFieldInCdb;
    }
    return std::nullopt;
  }
  if (finalized) return kInvalidAddressForWrite;
  if (lba >= capacity || end > capacity) return kLbaOutOfRange;
  if (TestWriteMode() && test_write_next && lba == *test_write_next) return std::nullopt;
  for (const VirtualTrack& track : tracks) {
    if (track.closed) continue;
    if (lba != track.NextWritable()) continue;
    if (track.reserved != 0 && end > track.End()) return kInvalidAddressForWrite;
    return std::nullopt;
  }
  if (auto next = InvisibleNextWritable(); next && lba == *next) return std::nullopt;
  return kInvalidAddressForWrite;
}

std::optional<SenseError> VirtualDisc::Write(std::uint32_t lba, std::uint32_t count, const std::uint8_t* data,
                                             bool audio) {
  if (auto error = CheckWrite(lba, count)) return error;
  if (audio && !IsCd()) return kIllegalModeForTrack;
  VirtualTrack* open = nullptr;
  if (IsSequential()) {
    for (VirtualTrack& track : tracks) {
      if (!track.closed && lba == track.NextWritable()) open = &track;
    }
    // A track holds one kind of sector; a reserved track takes the kind of its first write.
    if (open != nullptr && open->recorded != 0 && open->audio != audio) return kIllegalModeForTrack;
  } else if (audio) {
    return kIllegalModeForTrack;
  }
  if (count == 0) return std::nullopt;
  const std::uint32_t pregap = open == nullptr ? PendingPregap() : 0;
  if (TestWriteMode()) {
    // A simulated write moves the laser along, and nothing else.
    test_write_next = lba + count;
    return std::nullopt;
  }
  if (audio) {
    OpenAudio();
    const std::uint64_t offset = std::uint64_t{lba} * kAudioBlockSize;
    const std::size_t length = std::size_t{count} * kAudioBlockSize;
    std::size_t done = 0;
    while (done < length) {
      const ssize_t put = ::pwrite(audio_fd_, data + done, length - done, static_cast<off_t>(offset + done));
      if (put < 0) {
        if (errno == EINTR) continue;
        const int error = errno;
        throw EWriteError("Cannot write the audio image \"" + AudioPath() + "\": " + SysErrorMessage(error));
      }
      done += static_cast<std::size_t>(put);
    }
  } else {
    WriteImage(static_cast<std::uint64_t>(lba) * kBlockSize, data, static_cast<std::size_t>(count) * kBlockSize);
  }
  if (IsOverwrite()) {
    written_extent = std::max(written_extent, lba + count);
    return std::nullopt;
  }
  if (open != nullptr) {
    if (open->recorded == 0) open->audio = audio;
    open->recorded += count;
    return std::nullopt;
  }
  VirtualTrack track;
  track.number = LastTrackNumber() + 1;
  track.session = OpenSession();
  track.start = lba;
  track.recorded = count;
  track.audio = audio;
  track.pregap = pregap;
  tracks.push_back(track);
  return std::nullopt;
}

const VirtualTrack* VirtualDisc::TrackHolding(std::uint32_t lba) const {
  for (const VirtualTrack& track : tracks) {
    if (lba >= track.Begin() && lba < track.NextWritable()) return &track;
  }
  return nullptr;
}

bool VirtualDisc::InRunOut(std::uint32_t lba) const {
  return std::any_of(tracks.begin(), tracks.end(), [&](const VirtualTrack& track) {
    return track.runout != 0 && lba >= track.NextWritable() && lba < track.End();
  });
}

std::optional<SenseError> VirtualDisc::Read(std::uint32_t lba, std::uint32_t count, std::uint8_t* data,
                                            bool audio) const {
  const std::uint64_t end = static_cast<std::uint64_t>(lba) + count;
  if (IsSequential()) {
    // Every block must lie in the recorded part of a track (pre-gaps
    // included): gaps between sessions and unwritten space cannot be read.
    std::uint64_t pos = lba;
    while (pos < end) {
      const VirtualTrack* holder = TrackHolding(static_cast<std::uint32_t>(pos));
      // A run-out block is there, but holds no user data of any mode.
      if (holder == nullptr)
        return InRunOut(static_cast<std::uint32_t>(pos)) ? kIllegalModeForTrack : kLbaOutOfRange;
      if (holder->audio != audio) return kIllegalModeForTrack;
      pos = std::min<std::uint64_t>(end, holder->NextWritable());
    }
  } else {
    if (audio) return kIllegalModeForTrack;
    if (IsOverwrite() && !formatted) return kLbaOutOfRange;
    if (end > capacity) return kLbaOutOfRange;
  }
  if (count == 0) return std::nullopt;
  if (!audio) {
    ReadImage(static_cast<std::uint64_t>(lba) * kBlockSize, data, std::size_t{count} * kBlockSize);
    return std::nullopt;
  }
  OpenAudio();
  const std::uint64_t offset = std::uint64_t{lba} * kAudioBlockSize;
  const std::size_t length = std::size_t{count} * kAudioBlockSize;
  std::size_t done = 0;
  while (done < length) {
    const ssize_t got = ::pread(audio_fd_, data + done, length - done, static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      throw EReadError("Cannot read the audio image \"" + AudioPath() + "\": " + SysErrorMessage(error));
    }
    if (got == 0) {  // pre-gaps and blocks past the end of the file are silence
      std::memset(data + done, 0, length - done);
      break;
    }
    done += static_cast<std::size_t>(got);
  }
  return std::nullopt;
}

std::optional<SenseError> VirtualDisc::ReserveTrack(std::uint32_t size) {
  if (!IsSequential()) return kCannotWriteIncompatible;
  if (size == 0) return kInvalidFieldInCdb;
  auto start = InvisibleStart();
  if (!start) return finalized ? kInvalidAddressForWrite : kCommandSequenceError;
  if (!IsCd()) size = (size + kEccBlock - 1) / kEccBlock * kEccBlock;
  if (static_cast<std::uint64_t>(*start) + size > capacity) return kLbaOutOfRange;
  if (TestWriteMode()) return std::nullopt;
  VirtualTrack track;
  track.number = LastTrackNumber() + 1;
  track.session = OpenSession();
  track.start = *start;
  track.reserved = size;
  tracks.push_back(track);
  return std::nullopt;
}

void VirtualDisc::FinishDiscAtOnce() {
  const bool dvd_minus = medium == VirtualMedium::DvdR || medium == VirtualMedium::DvdRwSequential;
  const bool disc_at_once = (write_page[2] & 0x0F) == 2;
  if (!dvd_minus || !disc_at_once || TestWriteMode() || finalized) return;
  for (const VirtualTrack& track : tracks) {
    if (track.session != OpenSession() || track.closed) continue;
    // The reservation is rounded up to whole ECC blocks; the drive pads the
    // last block of a recording that ends inside it.
    if (track.reserved == 0 || track.recorded + kEccBlock <= track.reserved) return;  // still being written
  }
  if (!OpenSessionHasTracks()) return;
  CloseSession(true);
}

std::optional<SenseError> VirtualDisc::TakeCueSheet(const std::uint8_t* sheet, std::uint32_t length) {
  if (!SessionAtOnce() || finalized) return kCommandSequenceError;
  auto start = InvisibleStart();
  if (!start || *start != OpenSessionStart() || OpenSessionHasTracks()) return kCommandSequenceError;
  // One entry of eight bytes: control/ADR, track, index, data form, SCMS,
  // then the address as minute, second, frame.
  struct Entry {
    std::uint8_t track, index, form;
    bool data;
    std::int64_t lba;
  };
  std::vector<Entry> entries;
  for (std::uint32_t at = 0; at + 8 <= length; at += 8) {
    const std::uint8_t* e = sheet + at;
    if ((e[0] & 0x0F) != 1) continue;  // catalogue number and ISRC entries
    if (e[6] > 59 || e[7] > 74) return kInvalidFieldInParameterList;
    const std::int64_t lba = (std::int64_t{e[5]} * 60 + e[6]) * 75 + e[7] - 150;
    entries.push_back({e[1], e[2], e[3], (e[0] & 0x40) != 0, lba});
  }
  if (entries.size() < 3 || entries.front().track != 0 || entries.back().track != 0xAA) {
    return kInvalidFieldInParameterList;
  }
  const std::int64_t lead_out = entries.back().lba;
  // Each track: where its pre-gap (index 0) and its data (index 1) begin.
  struct Laid {
    std::uint32_t number;
    std::optional<std::int64_t> pregap, start;
  };
  std::vector<Laid> laid;
  for (std::size_t i = 1; i + 1 < entries.size(); ++i) {
    const Entry& e = entries[i];
    // Mode 1 data, sent by the host as 2048-byte blocks, is what this drive
    // writes at once; audio and other sector forms are refused.
    if (!e.data || e.form != 0x10 || e.index > 1) return kInvalidFieldInParameterList;
    if (laid.empty() || e.track != laid.back().number) {
      if (e.track != LastTrackNumber() + 1 + laid.size()) return kInvalidFieldInParameterList;
      laid.push_back({e.track, std::nullopt, std::nullopt});
    }
    std::optional<std::int64_t>& address = e.index == 0 ? laid.back().pregap : laid.back().start;
    if (address || (e.index == 0 && laid.back().start)) return kInvalidFieldInParameterList;
    address = e.lba;
  }
  if (laid.empty()) return kInvalidFieldInParameterList;
  std::vector<VirtualTrack> layout;
  std::int64_t previous_end = laid.front().pregap.value_or(*start);
  const std::int64_t first_block = previous_end;
  for (std::size_t i = 0; i < laid.size(); ++i) {
    const Laid& l = laid[i];
    if (!l.start || *l.start < previous_end || l.pregap.value_or(previous_end) != previous_end) {
      return kInvalidFieldInParameterList;
    }
    const std::int64_t end =
        i + 1 < laid.size() ? laid[i + 1].pregap.value_or(laid[i + 1].start.value_or(-1)) : lead_out;
    if (end <= *l.start) return kInvalidFieldInParameterList;
    VirtualTrack track;
    track.number = l.number;
    track.session = OpenSession();
    track.start = static_cast<std::uint32_t>(*l.start);
    // The first track's pre-gap lies before the program area (or in the gap
    // before a later session) and is not kept.
    track.pregap = i == 0 ? 0 : static_cast<std::uint32_t>(*l.start - previous_end);
    track.reserved = static_cast<std::uint32_t>(end - *l.start);
    layout.push_back(track);
    previous_end = end;
  }
  if (layout.front().start != *start) return kInvalidFieldInParameterList;
  if (lead_out > capacity) return kLbaOutOfRange;
  cue_tracks = std::move(layout);
  cue_next = first_block;
  cue_lead_out = lead_out;
  return std::nullopt;
}

std::optional<SenseError> VirtualDisc::WriteAtOnce(std::int64_t lba, std::uint32_t count,
                                                   const std::uint8_t* data) {
  if (!cue_next) return kCommandSequenceError;
  if (lba != *cue_next) return kInvalidAddressForWrite;
  if (lba + count > cue_lead_out) return kLbaOutOfRange;
  // Blocks before the session's first track are its pre-gap's: nothing keeps them.
  const std::int64_t skip = std::clamp<std::int64_t>(std::int64_t{OpenSessionStart()} - lba, 0, count);
  const std::int64_t first = lba + skip;
  const std::uint32_t kept = count - static_cast<std::uint32_t>(skip);
  if (kept > 0 && !TestWriteMode()) {
    WriteImage(static_cast<std::uint64_t>(first) * kBlockSize, data + skip * kBlockSize,
               std::size_t{kept} * kBlockSize);
    for (VirtualTrack& track : cue_tracks) {
      const std::int64_t end = std::min<std::int64_t>(first + kept, track.End());
      if (end > track.start)
        track.recorded = std::max(track.recorded, static_cast<std::uint32_t>(end - track.start));
    }
  }
  *cue_next += count;
  return std::nullopt;
}

void VirtualDisc::FinishSessionAtOnce() {
  if (!cue_next || *cue_next != cue_lead_out) return;  // the host has not written the whole session
  cue_next.reset();
  if (TestWriteMode()) return;
  tracks.insert(tracks.end(), cue_tracks.begin(), cue_tracks.end());
  cue_tracks.clear();
  CloseSession(!NextSessionAllowed());
}

void VirtualDisc::CloseOne(VirtualTrack& track) const {
  if (track.reserved != 0) {
    // A reserved track is padded to its reserved size.
    track.recorded = track.reserved;
  } else if (IsCd() && !track.audio) {
    // A data track written track at once ends in run-out blocks, where the
    // drive leaves the track (the next track's pre-gap or the lead-out
    // comes after them).
    track.runout = std::min(kRunOutBlocks, capacity - track.NextWritable());
  }
  track.closed = true;
}

std::optional<SenseError> VirtualDisc::CloseTrack(std::uint32_t number) {
  if (!IsSequential()) return kInvalidFieldInCdb;
  if (TestWriteMode()) {
    test_write_next.reset();
    return std::nullopt;
  }
  for (VirtualTrack& track : tracks) {
    if (track.number != number) continue;
    if (track.closed) return kInvalidFieldInCdb;
    CloseOne(track);
    return std::nullopt;
  }
  // Closing the empty invisible track has nothing to do.
  if (auto invisible = InvisibleTrackNumber(); invisible && *invisible == number) return std::nullopt;
  return kInvalidFieldInCdb;
}

std::optional<SenseError> VirtualDisc::CloseSession(bool finalize) {
  if (!IsSequential()) return kInvalidFieldInCdb;
  if (TestWriteMode()) {
    test_write_next.reset();
    return std::nullopt;
  }
  if (finalized) return kCommandSequenceError;
  if (!OpenSessionHasTracks()) {
    // An appendable disc may be closed for good without a new session.
    if (finalize && closed_sessions > 0) {
      finalized = true;
      return std::nullopt;
    }
    return kProgramAreaEmpty;
  }
  for (VirtualTrack& track : tracks) {
    if (track.session != OpenSession() || track.closed) continue;
    CloseOne(track);
  }
  ++closed_sessions;
  if (finalize || OpenSessionStart() >= capacity) finalized = true;
  return std::nullopt;
}

bool VirtualDisc::OperationRunning() {
  if (operation == VirtualOperation::None) return false;
  if (NowMs() >= operation_end_ms) {
    operation = VirtualOperation::None;
    return false;
  }
  return true;
}

std::uint16_t VirtualDisc::OperationProgress() const {
  const std::int64_t span = operation_end_ms - operation_start_ms;
  if (span <= 0) return 0xFFFF;
  const std::int64_t done = std::clamp<std::int64_t>(NowMs() - operation_start_ms, 0, span);
  return static_cast<std::uint16_t>(done * 65535 / span);
}

void VirtualDisc::StartOperation(VirtualOperation op, std::uint32_t real_seconds) {
  operation = op;
  operation_start_ms = NowMs();
  operation_end_ms = operation_start_ms + std::int64_t{real_seconds} * 1000 * timing_percent / 100;
  if (operation_end_ms <= operation_start_ms) operation = VirtualOperation::None;
}

std::uint32_t VirtualDisc::MaxWriteSpeed() const {
  const MediumSpec& medium_spec = Spec();
  if (HasMedium()) {
    // A pressed disc takes no writing: the drive reports no write speed for it.
    return medium_spec.write_speeds.empty() ? 0 : medium_spec.write_speeds.front();
  }
  return 8467;  // CD 48x while no medium tells otherwise
}

std::uint32_t VirtualDisc::MaxReadSpeed() const {
  if (HasMedium()) return Spec().read_speed;
  return 8467;
}

std::uint32_t VirtualDisc::CurrentWriteSpeed() const {
  const std::uint32_t max = MaxWriteSpeed();
  if (write_speed == 0 || write_speed >= max) return max;
  const std::vector<std::uint32_t>& speeds = Spec().write_speeds;
  if (!HasMedium() || speeds.empty()) return std::max<std::uint32_t>(write_speed, 176);
  // The drive picks the fastest speed it has that is not above the request.
  for (std::uint32_t speed : speeds) {
    if (speed <= write_speed) return speed;
  }
  return speeds.back();
}

std::uint32_t VirtualDisc::CurrentReadSpeed() const {
  const std::uint32_t max = MaxReadSpeed();
  if (read_speed == 0 || read_speed >= max) return max;
  return std::max<std::uint32_t>(read_speed, IsCd() ? 176 : 1385);
}

void VirtualDisc::DrainBuffer() {
  const std::int64_t now = NowMs();
  const std::int64_t elapsed = std::max<std::int64_t>(0, now - buffer_time_ms);
  // kB/s equals bytes per millisecond.
  const std::uint64_t drained = static_cast<std::uint64_t>(elapsed) * CurrentWriteSpeed();
  buffer_fill = buffer_fill > drained ? buffer_fill - drained : 0;
  buffer_time_ms = now;
}
