#pragma once
// The header of an APE audio file: enough to tell the playing
// time without decoding. Reading never raises; a file that cannot be read
// gives a false result, and a file that is not APE reads but is not valid.
//
// Two layouts exist. Files of version 3.98 and later start with a
// descriptor that says where the header lies, and the header gives the
// blocks per frame itself; older files hold one fixed header whose frame
// size follows from the version. Either may sit behind an ID3v2 tag.

#include <cstdint>
#include <memory>
#include <string>

#include "app/APEtag.h"

// The header's fields, little-endian on disk: the 40 bytes at the start of
// an older file, or gathered from the descriptor and header of a newer one.
struct TMonkeyHeader {
  char ID[4] = {};              // "MAC "
  std::uint16_t VersionID = 0;  // times 1000
  std::uint16_t CompressionID = 0;
  std::uint16_t Flags = 0;
  std::uint16_t Channels = 0;
  std::int32_t SampleRate = 0;
  std::int32_t HeaderBytes = 0;
  std::int32_t TerminatingBytes = 0;
  std::int32_t Frames = 0;
  std::int32_t FinalSamples = 0;
  std::int32_t PeakLevel = 0;
  std::int32_t SeekElements = 0;
  // Files of 3.98 and later only: the blocks per frame as the header states
  // them (0 in older files, whose version sets the frame size).
  std::uint32_t BlocksPerFrame = 0;
};

class TMonkey {
 public:
  TMonkey();
  virtual ~TMonkey() = default;

  void Clear();
  bool ReadFromFile(const std::string& FileName);
  bool IsValid() const;
  int GetBlocksPerFrame() const;
  // Samples per channel; kept in 64 bits, so hours of audio never wrap.
  std::int64_t GetSampleCount() const;
  double GetDuration() const;

  // Where the "MAC " signature starts (after an ID3v2 tag, if any).
  std::int64_t HeaderOffset = 0;
  std::int64_t FileLength = 0;
  TMonkeyHeader Header;
  std::unique_ptr<TAPEtag> Tag;
};
