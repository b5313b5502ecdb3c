#include "platform/devices/VirtualCommands.h"

#include <algorithm>
#include <cstring>

#include "platform/core/Clock.h"
#include "platform/devices/CdSector.h"

namespace vrec {

namespace {

constexpr ScsiDirection kNone = ScsiDirection::None;
constexpr ScsiDirection kIn = ScsiDirection::In;
constexpr ScsiDirection kOut = ScsiDirection::Out;

// Every command the drive knows, with its CDB length and data direction.
constexpr CommandRule kRules[] = {
    {0x00, 6, kNone, true, false, "TEST UNIT READY"},
    {0x01, 6, kNone, true, false, "REZERO UNIT"},
    {0x03, 6, kIn, false, true, "REQUEST SENSE"},
    {0x04, 6, kOut, true, false, "FORMAT UNIT"},
    {0x12, 6, kIn, false, true, "INQUIRY"},
    {0x15, 6, kOut, false, false, "MODE SELECT(6)"},
    {0x1A, 6, kIn, false, true, "MODE SENSE(6)"},
    {0x1B, 6, kNone, false, false, "START STOP UNIT"},
    {0x1E, 6, kNone, false, true, "PREVENT ALLOW MEDIUM REMOVAL"},
    {0x23, 10, kIn, true, false, "READ FORMAT CAPACITIES"},
    {0x25, 10, kIn, true, false, "READ CAPACITY"},
    {0x28, 10, kIn, true, false, "READ(10)"},
    {0x2A, 10, kOut, true, false, "WRITE(10)"},
    {0x35, 10, kNone, true, false, "SYNCHRONIZE CACHE"},
    {0x43, 10, kIn, true, false, "READ TOC/PMA/ATIP"},
    {0x46, 10, kIn, false, true, "GET CONFIGURATION"},
    {0x4A, 10, kIn, false, true, "GET EVENT STATUS NOTIFICATION"},
    {0x51, 10, kIn, true, false, "READ DISC INFORMATION"},
    {0x52, 10, kIn, true, false, "READ TRACK INFORMATION"},
    {0x53, 10, kNone, true, false, "RESERVE TRACK"},
    {0x54, 10, kOut, true, false, "SEND OPC INFORMATION"},
    {0x55, 10, kOut, false, false, "MODE SELECT(10)"},
    {0x5A, 10, kIn, false, true, "MODE SENSE(10)"},
    {0xBE, 12, kIn, true, false, "READ CD"},
    {0x42, 10, kIn, true, false, "READ SUB-CHANNEL"},
    {0x44, 10, kIn, true, false, "READ HEADER"},
    {0x5B, 10, kNone, true, false, "CLOSE TRACK/SESSION"},
    {0x5C, 10, kIn, false, true, "READ BUFFER CAPACITY"},
    {0x5D, 10, kOut, true, false, "SEND CUE SHEET"},
    {0xA1, 12, kNone, true, false, "BLANK"},
    {0xAC, 12, kIn, true, false, "GET PERFORMANCE"},
    {0xAD, 12, kIn, true, false, "READ DISC STRUCTURE"},
    {0xB6, 12, kOut, false, false, "SET STREAMING"},
    {0xBB, 12, kNone, false, false, "SET CD SPEED"},
    {0xBF, 12, kOut, true, false, "SEND DISC STRUCTURE"},
};

constexpr SenseError kInvalidField{0x05, 0x24, 0x00};
constexpr SenseError kParameterListLength{0x05, 0x1A, 0x00};
constexpr SenseError kInvalidParameter{0x05, 0x26, 0x00};
constexpr SenseError kIncompatibleMedium{0x05, 0x30, 0x00};
constexpr SenseError kCannotFormat{0x05, 0x30, 0x06};

// Real-drive durations in seconds.
constexpr std::uint32_t kCdRwQuickBlankSeconds = 90;
constexpr std::uint32_t kCdRwFullBlankSeconds = 1200;
constexpr std::uint32_t kDvdRwQuickBlankSeconds = 120;
constexpr std::uint32_t kDvdRwFullBlankSeconds = 1500;
constexpr std::uint32_t kDvdPlusRwFormatSeconds = 20;
constexpr std::uint32_t kDvdRwQuickFormatSeconds = 60;
constexpr std::uint32_t kDvdRwFullFormatSeconds = 1500;
constexpr std::uint32_t kDvdRwGrowSeconds = 5;
constexpr std::uint32_t kDvdRamFormatSeconds = 3600;

ScsiResult Good() { return ScsiResult{}; }

const std::uint8_t* DataOut(const ScsiCommand& command) {
  return command.direction == ScsiDirection::Out ? command.data : nullptr;
}

// A format or blank: with Immed the command ends at once and the drive
// reports NOT READY until the work is done; without it the command itself
// takes that long, or times out when its time-out is shorter.
ScsiResult LongOperation(VirtualDisc& disc, const ScsiCommand& command, VirtualOperation op,
                         std::uint32_t seconds, bool immed) {
  disc.StartOperation(op, seconds);
  if (immed || disc.operation == VirtualOperation::None) return Good();
  const std::int64_t remaining = disc.operation_end_ms - disc.operation_start_ms;
  if (remaining > static_cast<std::int64_t>(command.timeout_ms)) {
    ScsiResult result;
    result.delivered = false;
    result.timed_out = true;
    result.host_error = "command timed out";
    return result;
  }
  TheClock().SleepMs(static_cast<std::uint32_t>(remaining));
  disc.OperationRunning();
  return Good();
}

ScsiResult TestUnitReady(VirtualDisc&) { return Good(); }

ScsiResult RequestSense(VirtualDisc& disc, const ScsiCommand& command) {
  ScsiResult sense;
  if (disc.OperationRunning() || !disc.HasMedium()) {
    sense = NotReadyResult(disc);
  } else {
    sense = CheckCondition(0x00, 0x00, 0x00);
  }
  std::vector<std::uint8_t> answer(sense.sense.begin(), sense.sense.begin() + sense.sense_length);
  return DataIn(command, answer, command.cdb[4]);
}

ScsiResult FormatUnit(VirtualDisc& disc, const ScsiCommand& command, CommandEffects& effects) {
  const std::uint8_t* cdb = command.cdb.data();
  const bool fmt_data = (cdb[1] & 0x10) != 0;
  std::uint8_t type;
  std::uint32_t blocks = 0xFFFFFFFF;
  std::uint32_t parameter = 0;
  bool immed = false;
  if (fmt_data) {
    if ((cdb[1] & 0x07) != 1) return Sense(kInvalidField);
    const std::uint8_t* list = DataOut(command);
    if (list == nullptr || command.data_length < 12) return Sense(kParameterListLength);
    if (Get16(list + 2) != 8) return Sense(kInvalidParameter);
    immed = (list[1] & 0x02) != 0;
    blocks = Get32(list + 4);
    type = list[8] >> 2;
    parameter = Get24(list + 9);
  } else {
    if ((cdb[1] & 0x07) != 0) return Sense(kInvalidField);
    switch (disc.medium) {
      case VirtualMedium::DvdPlusRw:
        type = 0x26;
        break;
      case VirtualMedium::DvdRam:
        type = 0x00;
        parameter = kBlockSize;
        break;
      default:
        type = 0x10;
        parameter = 16;
        break;
    }
  }
  const bool size_ok = blocks == 0xFFFFFFFF || blocks <= disc.capacity;
  switch (disc.medium) {
    case VirtualMedium::DvdPlusRw:
      if (type != 0x26 || !size_ok) return Sense(kInvalidParameter);
      disc.Wipe();
      disc.formatted = true;
      effects.structural = true;
      return LongOperation(disc, command, VirtualOperation::Format, kDvdPlusRwFormatSeconds, immed);
    case VirtualMedium::DvdRwSequential:
    case VirtualMedium::DvdRwRestricted: {
      const bool restricted = disc.medium == VirtualMedium::DvdRwRestricted;
      if ((type == 0x13 || type == 0x11) && restricted && parameter == 16) {
        // Growing the formatted area of a fully formatted disc leaves its data alone.
        effects.structural = true;
        return LongOperation(disc, command, VirtualOperation::Format, kDvdRwGrowSeconds, immed);
      }
      const bool full = (type == 0x10 && parameter == 16) || (type == 0x00 && parameter == kBlockSize);
      const bool quick = type == 0x15 && parameter == 16;
      if (!(full || quick) || !size_ok) return Sense(kInvalidParameter);
      disc.medium = VirtualMedium::DvdRwRestricted;
      disc.capacity = disc.Spec().capacity;
      disc.Wipe();
      disc.formatted = true;
      effects.structural = true;
      return LongOperation(disc, command, VirtualOperation::Format,
                           quick ? kDvdRwQuickFormatSeconds : kDvdRwFullFormatSeconds, immed);
    }
    case VirtualMedium::DvdRam:
      if (!((type == 0x00 && parameter == kBlockSize) || type == 0x01) || !size_ok)
        return Sense(kInvalidParameter);
      disc.Wipe();
      disc.formatted = true;
      effects.structural = true;
      return LongOperation(disc, command, VirtualOperation::Format, kDvdRamFormatSeconds, immed);
    case VirtualMedium::CdRw:
      // Fixed-packet formatting of CD-RW is not something this drive does.
      return Sense(kInvalidParameter);
    default:
      return Sense(kCannotFormat);
  }
}

ScsiResult StartStopUnit(VirtualDisc& disc, const ScsiCommand& command, CommandEffects& effects) {
  const std::uint8_t flags = command.cdb[4];
  const bool load_eject = (flags & 0x02) != 0;
  const bool start = (flags & 0x01) != 0;
  if ((flags & 0xF0) != 0) return Good();  // power conditions: nothing to do
  if (load_eject) {
    if (!start) {
      if (disc.prevent_removal) return Sense(0x05, 0x53, 0x02);  // medium removal prevented
      if (!disc.tray_open) {
        disc.tray_open = true;
        effects.structural = true;
      }
    } else if (disc.tray_open) {
      disc.tray_open = false;
      disc.MediumArrived();
      effects.structural = true;
    }
    return Good();
  }
  if (start && !disc.HasMedium()) return NotReadyResult(disc);
  return Good();
}

ScsiResult PreventAllow(VirtualDisc& disc, const ScsiCommand& command) {
  disc.prevent_removal = (command.cdb[4] & 0x01) != 0;
  return Good();
}

ScsiResult Read10(VirtualDisc& disc, const ScsiCommand& command) {
  const std::uint32_t lba = Get32(&command.cdb[2]);
  const std::uint32_t count = Get16(&command.cdb[7]);
  const std::uint64_t bytes = std::uint64_t{count} * kBlockSize;
  if (count == 0) return Good();
  if (command.direction != ScsiDirection::In || command.data_length < bytes) return Sense(kInvalidField);
  if (auto error = disc.Read(lba, count, command.data)) return Sense(*error);
  ScsiResult result;
  result.transferred = static_cast<std::uint32_t>(bytes);
  return result;
}

// The Q sub-channel of an audio block in its formatted 16-byte form:
// control and ADR, track, index, relative and absolute time (binary MSF).
void PutQ(std::uint8_t* out, const VirtualTrack& track, std::uint32_t lba) {
  std::memset(out, 0, 16);
  out[0] = track.audio ? 0x01 : 0x41;
  out[1] = static_cast<std::uint8_t>(track.number);
  out[2] = lba < track.start ? 0 : 1;
  // In the pre-gap the relative time counts down to the track's start.
  const std::uint32_t relative = lba < track.start ? track.start - lba : lba - track.start;
  out[3] = static_cast<std::uint8_t>(relative / 4500);
  out[4] = static_cast<std::uint8_t>(relative / 75 % 60);
  out[5] = static_cast<std::uint8_t>(relative % 75);
  PutMsf(out + 7, lba);
}

// READ CD of the sectors this drive records: audio blocks whole (2352
// bytes, with the formatted Q sub-channel when asked), data blocks (mode 1)
// as any run of their sync pattern, header, user data and EDC/ECC, built
// from the user data the disc keeps. C2 and raw sub-channel data are not
// kept, so asking for them is refused, as is a sector type the track does
// not hold.
ScsiResult ReadCd(VirtualDisc& disc, const ScsiCommand& command) {
  const std::uint8_t expected = (command.cdb[1] >> 2) & 0x07;
  const std::uint32_t lba = Get32(&command.cdb[2]);
  const std::uint32_t count = Get24(&command.cdb[6]);
  const std::uint8_t flags = command.cdb[9];
  const std::uint8_t subchannel = command.cdb[10] & 0x07;
  if (!disc.IsCd()) return Sense(0x05, 0x30, 0x02);  // cannot read medium, incompatible format
  if (expected > 2) return Sense(0x05, 0x64, 0x00);  // illegal mode for this track
  if (count == 0) return Good();
  const VirtualTrack* first = disc.IsSequential() ? disc.TrackHolding(lba) : nullptr;
  const bool audio = first != nullptr && first->audio;
  if (first == nullptr && disc.IsSequential()) return Sense(0x05, 0x21, 0x00);  // nothing recorded there
  if ((expected == 1 && !audio) || (expected == 2 && audio)) return Sense(0x05, 0x64, 0x00);
  if ((flags & 0x06) != 0 || (subchannel != 0 && subchannel != 2)) return Sense(kInvalidField);
  const bool sync = flags & 0x80, header = flags & 0x20, user = flags & 0x10, edc = flags & 0x08;
  // A mode 1 sector has no sub-header: "all headers" is its header alone.
  // The sync pattern comes only with the header, the EDC/ECC only with the data.
  if (!audio && (subchannel != 0 || (sync && !header) || (edc && !user))) return Sense(kInvalidField);
  // The parts of the raw sector asked for, which always follow each other.
  const std::uint32_t from = sync     ? CdMode1Layout::kSync
                             : header ? CdMode1Layout::kHeader
                                      : CdMode1Layout::kUser;
  const std::uint32_t to = edc      ? kCdRawSectorSize
                           : user   ? CdMode1Layout::kEdc
                           : header ? CdMode1Layout::kUser
                                    : 0;
  // An audio sector has no sync, header or EDC: any of them asks for the whole sector.
  const std::uint32_t main_bytes =
      audio ? ((flags & 0xF8) != 0 ? kAudioBlockSize : 0) : to - std::min(from, to);
  const std::uint32_t per_sector = main_bytes + (subchannel == 2 ? 16 : 0);
  if (per_sector == 0) return Good();
  const std::uint64_t bytes = std::uint64_t{count} * per_sector;
  if (command.direction != ScsiDirection::In || command.data_length < bytes) return Sense(kInvalidField);
  const std::uint32_t block = audio ? kAudioBlockSize : kBlockSize;
  std::vector<std::uint8_t> blocks(std::size_t{count} * block);
  if (auto error = disc.Read(lba, count, blocks.data(), audio)) return Sense(*error);
  std::uint8_t* out = command.data;
  std::uint8_t raw[kCdRawSectorSize];
  for (std::uint32_t i = 0; i < count; ++i) {
    const auto source = blocks.begin() + std::ptrdiff_t{i} * block;
    if (audio) {
      if (main_bytes != 0) out = std::copy_n(source, kAudioBlockSize, out);
    } else if (main_bytes != 0) {
      EncodeCdMode1Sector(lba + i, &*source, raw);
      out = std::copy(raw + from, raw + to, out);
    }
    if (subchannel == 2) {
      PutQ(out, *disc.TrackHolding(lba + i), lba + i);
      out += 16;
    }
  }
  ScsiResult result;
  result.transferred = static_cast<std::uint32_t>(bytes);
  return result;
}

// READ HEADER: the header of a data sector (mode 1 here) and its address,
// as LBA or MSF; audio sectors have none.
ScsiResult ReadHeader(VirtualDisc& disc, const ScsiCommand& command) {
  const bool msf = (command.cdb[1] & 0x02) != 0;
  const std::uint32_t lba = Get32(&command.cdb[2]);
  if (!disc.IsCd()) return Sense(0x05, 0x30, 0x02);  // cannot read medium, incompatible format
  const VirtualTrack* track = disc.IsSequential() ? disc.TrackHolding(lba) : nullptr;
  if (disc.IsSequential() ? track == nullptr : lba >= disc.RecordedEnd()) return Sense(0x05, 0x21, 0x00);
  if (track != nullptr && track->audio) return Sense(0x05, 0x64, 0x00);  // illegal mode for this track
  std::vector<std::uint8_t> answer(8, 0);
  answer[0] = 0x01;  // mode 1
  if (msf) {
    PutMsf(&answer[5], lba);
  } else {
    Put32(&answer[4], lba);
  }
  return DataIn(command, answer, Get16(&command.cdb[7]));
}

// READ SUB-CHANNEL: the drive plays nothing, so the current position is
// the start of the first track; no catalogue number or ISRC is recorded.
ScsiResult ReadSubChannel(VirtualDisc& disc, const ScsiCommand& command) {
  const bool msf = (command.cdb[1] & 0x02) != 0;
  const bool subq = (command.cdb[2] & 0x40) != 0;
  const std::uint8_t format = command.cdb[3];
  std::vector<std::uint8_t> answer(4, 0);
  answer[1] = 0x15;  // no current audio status to return
  if (subq) {
    switch (format) {
      case 1: {
        answer.resize(16, 0);
        answer[4] = 0x01;
        const VirtualTrack* track = disc.tracks.empty() ? nullptr : &disc.tracks.front();
        answer[5] = track != nullptr && track->audio ? 0x10 : 0x14;
        answer[6] = 1;
        answer[7] = 1;
        const std::uint32_t at = track != nullptr ? track->start : 0;
        // The relative address (bytes 12-15) stays zero: the track's start.
        if (msf) {
          PutMsf(&answer[9], at);
        } else {
          Put32(&answer[8], at);
        }
        break;
      }
      case 2:
      case 3:
        answer.resize(24, 0);
        answer[4] = format;
        if (format == 3) answer[6] = command.cdb[6];
        break;
      default:
        return Sense(kInvalidField);
    }
    Put16(&answer[2], static_cast<std::uint32_t>(answer.size() - 4));
  }
  return DataIn(command, answer, Get16(&command.cdb[7]));
}

ScsiResult Write10(VirtualDisc& disc, const ScsiCommand& command, CommandEffects& effects) {
  const std::uint32_t lba = Get32(&command.cdb[2]);
  const std::uint32_t count = Get16(&command.cdb[7]);
  if (disc.cue_next) {
    // Session at once: the cue sheet says what the blocks are; addresses
    // before the program area are negative.
    const std::uint64_t bytes = std::uint64_t{count} * kBlockSize;
    if (count == 0) return Good();
    if (command.direction != ScsiDirection::Out || command.data_length < bytes) return Sense(kInvalidField);
    if (auto error = disc.WriteAtOnce(static_cast<std::int32_t>(lba), count, command.data))
      return Sense(*error);
    effects.wrote = !disc.TestWriteMode();
    ScsiResult result;
    result.transferred = static_cast<std::uint32_t>(bytes);
    return result;
  }
  const std::uint32_t block = disc.DataBlockSize();
  // The drive takes user data in 2048-byte blocks (mode 1 or mode 2 form 1)
  // and CD-DA in raw 2352-byte blocks, the latter track at once only.
  const bool audio_mode = disc.IsCd() && disc.AudioTrackMode();
  const bool audio = block == kAudioBlockSize && audio_mode && (disc.write_page[2] & 0x0F) == 1;
  if (!audio && (block != kBlockSize || audio_mode)) return Sense(0x05, 0x64, 0x00);
  const std::uint64_t bytes = std::uint64_t{count} * block;
  if (count == 0) return Good();
  if (command.direction != ScsiDirection::Out || command.data_length < bytes) return Sense(kInvalidField);
  if (auto error = disc.Write(lba, count, command.data, audio)) return Sense(*error);
  effects.wrote = !disc.TestWriteMode();
  // A new track is part of the layout: the state file must know it at once.
  if (effects.wrote && disc.OpenTrack() != nullptr && disc.OpenTrack()->recorded == count) effects.structural = true;
  disc.DrainBuffer();
  disc.buffer_fill = std::min<std::uint64_t>(VirtualDisc::kBufferSize, disc.buffer_fill + bytes);
  ScsiResult result;
  result.transferred = static_cast<std::uint32_t>(bytes);
  return result;
}

ScsiResult SynchronizeCache(VirtualDisc& disc, CommandEffects& effects) {
  disc.buffer_fill = 0;
  disc.buffer_time_ms = NowMs();
  disc.FinishDiscAtOnce();
  disc.FinishSessionAtOnce();
  effects.structural = true;
  return Good();
}

ScsiResult ReserveTrack(VirtualDisc& disc, const ScsiCommand& command, CommandEffects& effects) {
  if ((command.cdb[1] & 0x01) != 0) return Sense(kInvalidField);  // reservation by address: not supported
  if (auto error = disc.ReserveTrack(Get32(&command.cdb[5]))) return Sense(*error);
  effects.structural = true;
  return Good();
}

ScsiResult SendOpc(VirtualDisc& disc) {
  if (disc.IsReadOnly()) return Sense(kIncompatibleMedium);
  return Good();
}

ScsiResult CloseTrackSession(VirtualDisc& disc, const ScsiCommand& command, CommandEffects& effects) {
  const std::uint8_t function = command.cdb[2] & 0x07;
  const std::uint32_t number = Get16(&command.cdb[4]);
  if (disc.IsReadOnly()) return Sense(kInvalidField);
  if (disc.IsOverwrite()) {
    // Stopping a background format or closing the single session of an
    // overwritable disc leaves nothing to do for this drive.
    if (function > 3) return Sense(kInvalidField);
    return Good();
  }
  const bool plus = disc.medium == VirtualMedium::DvdPlusR || disc.medium == VirtualMedium::DvdPlusRDl;
  std::optional<SenseError> error;
  switch (function) {
    case 1:
      error = disc.CloseTrack(number);
      break;
    case 2:
      // CD and DVD-R leave the disc open only when the write parameters allow
      // a next session; a DVD+R session close always does.
      error = disc.CloseSession(!plus && !disc.NextSessionAllowed());
      break;
    case 5:
      error = disc.CloseSession(true);
      break;
    case 6:
      if (!plus) return Sense(kInvalidField);
      error = disc.CloseSession(true);
      break;
    default:
      return Sense(kInvalidField);
  }
  if (error) return Sense(*error);
  effects.structural = true;
  return Good();
}

ScsiResult ReadBufferCapacity(VirtualDisc& disc, const ScsiCommand& command) {
  disc.DrainBuffer();
  const std::uint32_t free_bytes = static_cast<std::uint32_t>(VirtualDisc::kBufferSize - disc.buffer_fill);
  std::vector<std::uint8_t> answer(12, 0);
  Put16(&answer[0], 10);
  if ((command.cdb[1] & 0x01) != 0) {
    answer[3] = 0x01;
    Put32(&answer[8], free_bytes / kBlockSize);
  } else {
    Put32(&answer[4], VirtualDisc::kBufferSize);
    Put32(&answer[8], free_bytes);
  }
  return DataIn(command, answer, Get16(&command.cdb[7]));
}

ScsiResult SendCueSheet(VirtualDisc& disc, const ScsiCommand& command, CommandEffects& effects) {
  if (!disc.IsCd() || !disc.IsSequential()) return Sense(kInvalidField);
  const std::uint32_t length = Get24(&command.cdb[6]);
  if (length % 8 != 0) return Sense(kInvalidParameter);
  if (length > command.data_length) return Sense(kParameterListLength);
  if (auto error = disc.TakeCueSheet(command.data, length)) return Sense(*error);
  effects.structural = true;
  ScsiResult result;
  result.transferred = length;
  return result;
}

ScsiResult Blank(VirtualDisc& disc, const ScsiCommand& command, CommandEffects& effects) {
  const bool immed = (command.cdb[1] & 0x10) != 0;
  const std::uint8_t type = command.cdb[1] & 0x07;
  const bool cd = disc.medium == VirtualMedium::CdRw;
  const bool dvd =
      disc.medium == VirtualMedium::DvdRwSequential || disc.medium == VirtualMedium::DvdRwRestricted;
  if (!cd && !dvd) return Sense(kIncompatibleMedium);
  if (type > 1) return Sense(kInvalidField);
  if (dvd) {
    // Blanking a restricted-overwrite disc returns it to sequential recording.
    disc.medium = VirtualMedium::DvdRwSequential;
    disc.capacity = disc.Spec().capacity;
  }
  disc.Wipe();
  disc.formatted = false;
  effects.structural = true;
  const std::uint32_t seconds = cd ? (type == 0 ? kCdRwFullBlankSeconds : kCdRwQuickBlankSeconds)
                                   : (type == 0 ? kDvdRwFullBlankSeconds : kDvdRwQuickBlankSeconds);
  return LongOperation(disc, command, VirtualOperation::Blank, seconds, immed);
}

ScsiResult SetStreaming(VirtualDisc& disc, const ScsiCommand& command) {
  const std::uint8_t type = command.cdb[8];
  const std::uint32_t length = Get16(&command.cdb[9]);
  if (type != 0) return Sense(kInvalidField);
  if (length < 28 || length > command.data_length || DataOut(command) == nullptr)
    return Sense(kParameterListLength);
  const std::uint8_t* p = command.data;
  const std::uint32_t read_size = Get32(p + 12);
  const std::uint32_t read_time = Get32(p + 16);
  const std::uint32_t write_size = Get32(p + 20);
  const std::uint32_t write_time = Get32(p + 24);
  if (read_time == 0 || write_time == 0) return Sense(kInvalidParameter);
  if ((p[0] & 0x04) != 0) {  // restore drive defaults
    disc.read_speed = disc.write_speed = 0;
    return Good();
  }
  // Sizes in kilobytes over times in milliseconds give kB/s in thousands.
  disc.read_speed = static_cast<std::uint32_t>(std::uint64_t{read_size} * 1000 / read_time);
  disc.write_speed = static_cast<std::uint32_t>(std::uint64_t{write_size} * 1000 / write_time);
  return Good();
}

ScsiResult SetCdSpeed(VirtualDisc& disc, const ScsiCommand& command) {
  const std::uint32_t read = Get16(&command.cdb[2]);
  const std::uint32_t write = Get16(&command.cdb[4]);
  disc.read_speed = read == 0xFFFF ? 0 : read;
  disc.write_speed = write == 0xFFFF ? 0 : write;
  return Good();
}

ScsiResult SendDvdStructure(VirtualDisc& disc, const ScsiCommand& command) {
  const std::uint8_t format = command.cdb[7];
  const std::uint32_t length = Get16(&command.cdb[8]);
  const bool dash = disc.medium == VirtualMedium::DvdR || disc.medium == VirtualMedium::DvdRwSequential ||
                    disc.medium == VirtualMedium::DvdRwRestricted;
  if (!dash || format != 0x0F) return Sense(kInvalidField);
  if (length < 22 || length > command.data_length || DataOut(command) == nullptr)
    return Sense(kParameterListLength);
  // The time stamp is 14 decimal digits.
  for (int i = 8; i < 22; ++i) {
    if (command.data[i] < '0' || command.data[i] > '9') return Sense(kInvalidParameter);
  }
  return Good();
}

ScsiResult GetEventStatus(VirtualDisc& disc, const ScsiCommand& command) {
  if ((command.cdb[1] & 0x01) == 0) return Sense(kInvalidField);  // only polled operation
  const std::uint8_t classes = command.cdb[4];
  const bool media = (classes & 0x10) != 0;
  std::vector<std::uint8_t> answer(media ? 8 : 4, 0);
  answer[3] = 0x10;  // media class supported
  if (!media) {
    answer[2] = 0x80;  // no event available
    Put16(&answer[0], 2);
  } else {
    answer[2] = 0x04;
    Put16(&answer[0], 6);
    answer[4] = disc.media_event ? 0x02 : 0x00;  // new media
    answer[5] =
        static_cast<std::uint8_t>((disc.medium != VirtualMedium::None ? 0x02 : 0) | (disc.tray_open ? 1 : 0));
    disc.media_event = false;
  }
  return DataIn(command, answer, Get16(&command.cdb[7]));
}

}  // namespace

const CommandRule* FindRule(std::uint8_t opcode) {
  for (const CommandRule& rule : kRules) {
    if (rule.opcode == opcode) return &rule;
  }
  return nullptr;
}

ScsiResult DataIn(const ScsiCommand& command, const std::vector<std::uint8_t>& answer,
                  std::uint32_t allocation) {
  ScsiResult result;
  std::uint32_t length = std::min<std::uint32_t>(allocation, static_cast<std::uint32_t>(answer.size()));
  if (command.direction != ScsiDirection::In || command.data == nullptr) length = 0;
  length = std::min(length, command.data_length);
  if (length != 0) std::memcpy(command.data, answer.data(), length);
  result.transferred = length;
  return result;
}

ScsiResult Sense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  return CheckCondition(key, asc, ascq);
}
ScsiResult Sense(const SenseError& error) { return CheckCondition(error.key, error.asc, error.ascq); }

void PutMsf(std::uint8_t* p, std::int64_t lba) {
  std::int64_t frames = lba + 150;
  if (frames < 0) frames += 450000;  // lead-in times wrap below zero
  p[0] = static_cast<std::uint8_t>(frames / 4500);
  p[1] = static_cast<std::uint8_t>(frames / 75 % 60);
  p[2] = static_cast<std::uint8_t>(frames % 75);
}

void PutProgress(ScsiResult& result, std::uint16_t progress) {
  result.sense[15] = 0x80;  // SKSV: the progress indication is valid
  result.sense[16] = static_cast<std::uint8_t>(progress >> 8);
  result.sense[17] = static_cast<std::uint8_t>(progress);
}

ScsiResult NotReadyResult(VirtualDisc& disc) {
  if (disc.OperationRunning()) {
    ScsiResult result = CheckCondition(0x02, 0x04, disc.operation == VirtualOperation::Format ? 0x04 : 0x07);
    PutProgress(result, disc.OperationProgress());
    return result;
  }
  if (disc.medium == VirtualMedium::None) return CheckCondition(0x02, 0x3A, disc.tray_open ? 0x02 : 0x01);
  if (disc.tray_open) return CheckCondition(0x02, 0x3A, 0x02);
  return CheckCondition(0x02, 0x04, 0x00);
}

ScsiResult RunCommand(VirtualDisc& disc, const ScsiCommand& command, CommandEffects& effects) {
  switch (command.opcode()) {
    case 0x00:
      return TestUnitReady(disc);
    case 0x01:
      return Good();
    case 0x03:
      return RequestSense(disc, command);
    case 0x04:
      return FormatUnit(disc, command, effects);
    case 0x12:
      return Inquiry(disc, command);
    case 0x1B:
      return StartStopUnit(disc, command, effects);
    case 0x1E:
      return PreventAllow(disc, command);
    case 0x23:
      return ReadFormatCapacities(disc, command);
    case 0x25:
      return ReadCapacity(disc, command);
    case 0x28:
      return Read10(disc, command);
    case 0x2A:
      return Write10(disc, command, effects);
    case 0x35:
      return SynchronizeCache(disc, effects);
    case 0x43:
      return ReadToc(disc, command);
    case 0x46:
      return GetConfiguration(disc, command);
    case 0x4A:
      return GetEventStatus(disc, command);
    case 0x51:
      return ReadDiscInformation(disc, command);
    case 0x52:
      return ReadTrackInformation(disc, command);
    case 0x53:
      return ReserveTrack(disc, command, effects);
    case 0x54:
      return SendOpc(disc);
    case 0x55:
      return ModeSelect10(disc, command);
    case 0x15:
      return ModeSelect6(disc, command);
    case 0x1A:
      return ModeSense6(disc, command);
    case 0x5A:
      return ModeSense10(disc, command);
    case 0xBE:
      return ReadCd(disc, command);
    case 0x42:
      return ReadSubChannel(disc, command);
    case 0x44:
      return ReadHeader(disc, command);
    case 0x5B:
      return CloseTrackSession(disc, command, effects);
    case 0x5C:
      return ReadBufferCapacity(disc, command);
    case 0x5D:
      return SendCueSheet(disc, command, effects);
    case 0xA1:
      return Blank(disc, command, effects);
    case 0xAC:
      return GetPerformance(disc, command);
    case 0xAD:
      return ReadDvdStructure(disc, command);
    case 0xB6:
      return SetStreaming(disc, command);
    case 0xBB:
      return SetCdSpeed(disc, command);
    case 0xBF:
      return SendDvdStructure(disc, command);
    default:
      return Sense(0x05, 0x20, 0x00);
  }
}

}  // namespace vrec
