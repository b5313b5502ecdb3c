#include "recorder/xrAudio.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/core/Clock.h"
#include "recorder/xrConst.h"
#include "recorder/xrDrvLib.h"

namespace {

// Blocks per WRITE(10): just under 64 KiB, a size every transport passes.
constexpr std::uint16_t kBlocksPerWrite = 27;

std::uint16_t Be16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }

void PutBe16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 8);
  p[1] = static_cast<std::uint8_t>(v);
}

// The drive's buffer is full and it is still writing: "long write in
// progress" (2/04/08) asks the host to send the block again shortly.
bool LongWriteInProgress(const TSCSIDevice& device) {
  return (device.LastSense[2] & 0x0F) == 0x02 && device.LastSense[12] == 0x04 && device.LastSense[13] == 0x08;
}

}  // namespace

std::uint32_t TAudioWriter::TrackBlocks(std::uint64_t bytes) {
  const std::uint64_t blocks = (bytes + kCddaSectorSize - 1) / kCddaSectorSize;
  return static_cast<std::uint32_t>(std::max<std::uint64_t>(blocks, kCddaMinTrackBlocks));
}

bool TAudioWriter::PrepareDrive(std::uint32_t needed, std::string& error) {
  if (!device_.TestUnitReady(5000) && !device_.WaitForReady(30000, 1000)) {
    error = device_.LastError.empty() ? "The drive is not ready." : device_.LastError;
    return false;
  }
  const TDiscType type = device_.GetDiscType();
  if (type != dtCDR && type != dtCDRW) {
    error = "Audio CDs need a CD-R or CD-RW disc; the drive holds " +
            (type == dtUnknown ? std::string("no writable disc") : "a " + DiscTypeName(type) + " disc") + ".";
    return false;
  }
  if (!device_.ReadDiscInfoBlock()) {
    error = device_.LastError;
    return false;
  }
  if ((device_.DiscInfoBlock[2] & 0x03) >= 2) {
    error = "The disc is closed: no track can be added (erase a CD-RW first).";
    return false;
  }
  if (!SetAudioWriteParameters()) {
    error = device_.LastError;
    return false;
  }
  std::uint32_t lba = 0;
  std::uint16_t track = 0;
  if (!NextWritable(lba, track)) {
    error = device_.LastError.empty() ? "The disc takes no further track." : device_.LastError;
    return false;
  }
  const std::uint32_t free_blocks = device_.TrackInfo.FreeBlocks;
  if (needed > free_blocks) {
    error = "The tracks need " + std::to_string(needed) + " blocks; the disc has " + std::to_string(free_blocks) +
            " free.";
    return false;
  }
  // A refused speed is no reason to stop: the drive keeps its own.
  device_.SetCDSpeed(0xFFFF, WriteSpeed);
  return true;
}

bool TAudioWriter::SetAudioWriteParameters() {
  alignas(8) std::array<std::uint8_t, 256> mode{};
  if (!device_.ModeSense10(0x05, mode.data(), mode.size() - 1, static_cast<std::uint16_t>(mode.size()), false))
    return false;
  std::size_t offset = 8 + Be16(&mode[6]);
  if (offset + 2 > mode.size() || (mode[offset] & 0x3F) != 0x05 || mode[offset + 1] < 0x32) {
    device_.LastError = std::string(kTextBadDriveAnswer) + " (MODE SENSE 05h)";
    return false;
  }
  std::array<std::uint8_t, 8 + 52> list{};
  std::copy_n(mode.begin() + static_cast<std::ptrdiff_t>(offset), 52, list.begin() + 8);
  std::uint8_t* p = list.data() + 8;
  p[0] = 0x05;
  p[1] = 0x32;
  // Track at once, underrun protection when the drive has it, test write as asked.
  const bool underrun = (device_.Capabilities & capUnderrunProtection) != 0 && device_.UnderrunProtection();
  p[2] = static_cast<std::uint8_t>(0x01 | (underrun ? 0x40 : 0) | (TestWrite ? 0x10 : 0));
  // Two-channel audio without pre-emphasis; the session is closed for good
  // or left open for a next one.
  p[3] = static_cast<std::uint8_t>(CloseDisc ? 0x00 : 0xC0);
  p[4] = 0x00;  // raw 2352-byte blocks
  p[5] = 0;     // link size
  p[7] = 0;
  p[8] = 0x00;  // CD-DA / CD-ROM session
  std::fill(p + 10, p + 14, 0);
  PutBe16(p + 14, kCddaPregapBlocks);
  return device_.ModeSelect10(list.data(), static_cast<std::uint16_t>(list.size()));
}

bool TAudioWriter::NextWritable(std::uint32_t& lba, std::uint16_t& track) {
  if (!device_.ReadTrackInformation(0xFF)) return false;
  const auto& raw = device_.TrackInfo.raw;
  if ((raw[7] & 0x01) == 0) {
    device_.LastError = "The disc takes no further track.";
    return false;
  }
  lba = device_.TrackInfo.NextWritable;
  track = static_cast<std::uint16_t>((raw[32] << 8) | raw[2]);
  return true;
}

bool TAudioWriter::WriteBlocks(std::uint32_t lba, std::uint16_t count, const std::uint8_t* data) {
  for (int attempt = 0;; ++attempt) {
    if (device_.Write10(lba, count, data, std::uint32_t{count} * kCddaSectorSize)) return true;
    if (!LongWriteInProgress(device_) || attempt >= 2000) return false;
    TheClock().SleepMs(10);
  }
}

bool TAudioWriter::CloseTrack(std::uint16_t track) {
  // The drive writes what its buffer still holds before it closes the track.
  if (!device_.SynchronizeCache(300000, false)) return false;
  return device_.CloseTrackSessionEx(false, 0x01, 0, static_cast<std::uint8_t>(track >> 8),
                                     static_cast<std::uint8_t>(track));
}

bool TAudioWriter::CloseSession() { return device_.CloseTrackSessionEx(false, 0x02, 0, 0, 0); }

TAudioBurnResult TAudioWriter::Write(std::vector<TAudioSource>& sources) {
  TAudioBurnResult result;
  if (sources.empty()) {
    result.Error = "There is no track to burn.";
    return result;
  }
  std::uint64_t needed = 0;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    needed += TrackBlocks(sources[i].ExpectedBytes) + (i == 0 ? 0 : kCddaPregapBlocks);
  }
  if (sources.size() > 99) {
    result.Error = "An audio CD holds at most 99 tracks.";
    return result;
  }
  if (!PrepareDrive(static_cast<std::uint32_t>(std::min<std::uint64_t>(needed, 0xFFFFFFFFu)), result.Error))
    return result;

  std::vector<std::uint8_t> buffer(std::size_t{kBlocksPerWrite} * kCddaSectorSize);
  bool session_has_tracks = false;
  auto finish = [&](bool ok) {
    // Whatever ended the burn, the tracks already closed make a readable
    // disc once their session is closed.
    if (session_has_tracks && !CloseSession() && ok) {
      result.Error = device_.LastError;
      return false;
    }
    return ok;
  };

  for (std::size_t index = 0; index < sources.size(); ++index) {
    TAudioSource& source = sources[index];
    const int track_index = static_cast<int>(index);
    if (OnProgress) OnProgress(track_index, 0);
    std::uint32_t lba = 0;
    std::uint16_t track = 0;
    if (!NextWritable(lba, track)) {
      result.Error = device_.LastError;
      finish(false);
      return result;
    }
    std::uint64_t pcm_bytes = 0;
    std::uint32_t blocks_written = 0;
    bool source_done = false;
    int last_percent = 0;
    // A track cut short (abort, a source that failed, a write error) is
    // still closed when it holds anything, filled up to the shortest track
    // a drive closes, so the disc keeps every block that reached it.
    auto close_partial = [&] {
      if (blocks_written == 0) return;
      std::fill(buffer.begin(), buffer.end(), 0);
      while (blocks_written < kCddaMinTrackBlocks) {
        const auto count = static_cast<std::uint16_t>(std::min<std::uint32_t>(kBlocksPerWrite, kCddaMinTrackBlocks - blocks_written));
        if (!WriteBlocks(lba, count, buffer.data())) return;
        lba += count;
        blocks_written += count;
      }
      if (CloseTrack(track)) {
        ++result.TracksWritten;
        session_has_tracks = true;
      }
    };
    while (!source_done || blocks_written < kCddaMinTrackBlocks) {
      if (ShouldAbort && ShouldAbort()) {
        result.Aborted = true;
        result.Error = kTextOperationAborted;
        close_partial();
        finish(false);
        return result;
      }
      // Fill one write's worth of blocks; the source's last block is padded
      // with silence, and so is a track shorter than the shortest allowed.
      std::size_t filled = 0;
      while (!source_done && filled < buffer.size()) {
        std::string error;
        const std::int64_t got = source.Read(buffer.data() + filled, buffer.size() - filled, error);
        if (got < 0) {
          result.Error = error.empty() ? "The track could not be read." : error;
          close_partial();
          finish(false);
          return result;
        }
        if (got == 0) source_done = true;
        filled += static_cast<std::size_t>(got);
        pcm_bytes += static_cast<std::uint64_t>(got);
      }
      std::uint32_t count = static_cast<std::uint32_t>((filled + kCddaSectorSize - 1) / kCddaSectorSize);
      if (source_done && blocks_written + count < kCddaMinTrackBlocks) {
        count = std::min<std::uint32_t>(kBlocksPerWrite, kCddaMinTrackBlocks - blocks_written);
      }
      if (count == 0) break;
      std::memset(buffer.data() + filled, 0, std::size_t{count} * kCddaSectorSize - filled);
      if (!WriteBlocks(lba, static_cast<std::uint16_t>(count), buffer.data())) {
        result.Error = device_.LastError;
        close_partial();
        finish(false);
        return result;
      }
      lba += count;
      blocks_written += count;
      if (source.ExpectedBytes != 0 && OnProgress) {
        const int percent = static_cast<int>(std::min<std::uint64_t>(99, pcm_bytes * 100 / source.ExpectedBytes));
        if (percent != last_percent) {
          last_percent = percent;
          OnProgress(track_index, percent);
        }
      }
    }
    if (!CloseTrack(track)) {
      result.Error = device_.LastError;
      finish(false);
      return result;
    }
    ++result.TracksWritten;
    session_has_tracks = true;
    if (OnProgress) OnProgress(track_index, 100);
  }
  result.Ok = finish(true);
  return result;
}
