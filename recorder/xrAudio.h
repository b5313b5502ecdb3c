#pragma once
// Audio CDs: writes one CD-DA track per PCM source, track at once, on the
// drive a TSCSIDevice has selected, then closes the session (and the disc
// when asked). Sources are pulled block by block, so a decoder can feed the
// drive as it goes; the caller is asked between blocks whether to stop.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TSCSIDevice;

// 44.1 kHz, 16-bit little-endian, two channels: 588 frames a sector.
inline constexpr std::uint32_t kCddaSectorSize = 2352;
// Tracks shorter than four seconds are padded with silence: drives refuse
// to close a shorter audio track.
inline constexpr std::uint32_t kCddaMinTrackBlocks = 300;
inline constexpr std::uint32_t kCddaPregapBlocks = 150;

// One track's PCM. Read fills up to `length` bytes and returns how many it
// gave (0 at the end); a negative answer is a failure described in `error`.
struct TAudioSource {
  std::function<std::int64_t(std::uint8_t* buffer, std::size_t length, std::string& error)> Read;
  // The PCM bytes the source expects to give (for progress and the capacity
  // check); 0 when unknown.
  std::uint64_t ExpectedBytes = 0;
};

struct TAudioBurnResult {
  bool Ok = false;
  bool Aborted = false;
  std::string Error;       // the drive's or the source's text when not Ok
  int TracksWritten = 0;   // tracks closed on the disc
};

class TAudioWriter {
 public:
  explicit TAudioWriter(TSCSIDevice& device) : device_(device) {}

  bool TestWrite = false;
  // Close the disc after the session: no later session can be added.
  bool CloseDisc = true;
  // Write speed in kB/s for SET CD SPEED; 0xFFFF is the drive's fastest.
  std::uint16_t WriteSpeed = 0xFFFF;

  // Before a track's first block, and as its blocks go: track index from 0
  // and percent of the track (100 once the track is closed).
  std::function<void(int track, int percent)> OnProgress;
  // Asked between blocks; true stops the burn. What was written is closed,
  // so the disc stays readable.
  std::function<bool()> ShouldAbort;

  TAudioBurnResult Write(std::vector<TAudioSource>& sources);

  // Blocks a track of `bytes` PCM bytes takes on the disc (padded up to a
  // whole sector and to the shortest track).
  static std::uint32_t TrackBlocks(std::uint64_t bytes);

 private:
  bool PrepareDrive(std::uint32_t needed, std::string& error);
  bool SetAudioWriteParameters();
  bool NextWritable(std::uint32_t& lba, std::uint16_t& track);
  bool WriteBlocks(std::uint32_t lba, std::uint16_t count, const std::uint8_t* data);
  bool CloseTrack(std::uint16_t track);
  bool CloseSession();

  TSCSIDevice& device_;
};
