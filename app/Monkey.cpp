#include "app/Monkey.h"

#include <cstring>

#include "platform/core/Exceptions.h"
#include "platform/core/FileUtils.h"
#include "platform/core/Streams.h"

namespace {

constexpr int kHeaderSize = 40;
constexpr std::uint16_t kPeakLevelPresent = 4;
constexpr std::uint16_t kSeekElementsPresent = 16;

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::int32_t I32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                   static_cast<std::uint32_t>(p[2]) << 16 |
                                   static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

TMonkey::TMonkey() : Tag(std::make_unique<TAPEtag>()) { Clear(); }

void TMonkey::Clear() {
  FileLength = 0;
  Header = TMonkeyHeader{};
  Tag->Clear();
}

bool TMonkey::ReadFromFile(const std::string& FileName) {
  Clear();
  if (!Tag->ReadFromFile(FileName)) {
    Clear();
    return false;
  }
  std::uint8_t raw[kHeaderSize];
  try {
    TFileStream file(FileName, fmOpenRead | fmShareDenyNone);
    FileLength = file.Size();
    file.ReadBuffer(raw, sizeof raw);
  } catch (const Exception&) {
    Clear();
    return false;
  }
  std::memcpy(Header.ID, raw, 4);
  Header.VersionID = U16(raw + 4);
  Header.CompressionID = U16(raw + 6);
  Header.Flags = U16(raw + 8);
  Header.Channels = U16(raw + 10);
  Header.SampleRate = I32(raw + 12);
  Header.HeaderBytes = I32(raw + 16);
  Header.TerminatingBytes = I32(raw + 20);
  Header.Frames = I32(raw + 24);
  Header.FinalSamples = I32(raw + 28);
  Header.PeakLevel = (Header.Flags & kPeakLevelPresent) ? I32(raw + 32) : 0;
  Header.SeekElements = (Header.Flags & kSeekElementsPresent) ? I32(raw + 36) : 0;
  return true;
}

bool TMonkey::IsValid() const {
  return std::memcmp(Header.ID, "MAC ", 4) == 0 && Header.SampleRate > 0 && Header.Channels > 0;
}

int TMonkey::GetBlocksPerFrame() const {
  if (!IsValid()) return 0;
  if (Header.VersionID >= 3900 || (Header.VersionID >= 3800 && Header.CompressionID == 4000)) return 294739;
  return 9216;
}

std::int64_t TMonkey::GetSampleCount() const {
  // A header without frames (or with a negative count) has no samples, not
  // a negative number of them.
  if (!IsValid() || Header.Frames <= 0) return 0;
  const std::int64_t samples =
      static_cast<std::int64_t>(GetBlocksPerFrame()) * (Header.Frames - 1) + Header.FinalSamples;
  return samples > 0 ? samples : 0;
}

double TMonkey::GetDuration() const {
  if (!IsValid()) return 0.0;
  return static_cast<double>(GetSampleCount()) / Header.SampleRate;
}
