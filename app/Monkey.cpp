#include "app/Monkey.h"

#include <cstring>

#include "platform/core/Exceptions.h"
#include "platform/core/FileUtils.h"
#include "platform/core/Streams.h"

namespace {

constexpr int kOldHeaderSize = 40;
constexpr int kDescriptorSize = 52;
constexpr int kNewHeaderSize = 24;
constexpr std::uint16_t kFirstDescriptorVersion = 3980;
constexpr std::uint16_t kPeakLevelPresent = 4;
constexpr std::uint16_t kSeekElementsPresent = 16;
// Encoders use a few hundred thousand blocks per frame; a header that states
// more is damaged, and refusing it keeps the sample count far from overflow.
constexpr std::uint32_t kMaxBlocksPerFrame = 1u << 24;

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::int32_t I32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }

// The size of an ID3v2 tag at the start of a file (0 when there is none):
// ten header bytes, the synchsafe size, and ten more with a footer.
std::int64_t Id3v2Size(TFileStream& file) {
  std::uint8_t head[10];
  file.SetPosition(0);
  if (file.Read(head, sizeof head) != sizeof head || std::memcmp(head, "ID3", 3) != 0) return 0;
  std::int64_t size = 0;
  for (int i = 6; i < 10; ++i) {
    if (head[i] & 0x80) return 0;
    size = size << 7 | head[i];
  }
  return 10 + size + ((head[5] & 0x10) ? 10 : 0);
}

void ReadOldHeader(const std::uint8_t* raw, TMonkeyHeader& h) {
  h.CompressionID = U16(raw + 6);
  h.Flags = U16(raw + 8);
  h.Channels = U16(raw + 10);
  h.SampleRate = I32(raw + 12);
  h.HeaderBytes = I32(raw + 16);
  h.TerminatingBytes = I32(raw + 20);
  h.Frames = I32(raw + 24);
  h.FinalSamples = I32(raw + 28);
  h.PeakLevel = (h.Flags & kPeakLevelPresent) ? I32(raw + 32) : 0;
  h.SeekElements = (h.Flags & kSeekElementsPresent) ? I32(raw + 36) : 0;
}

// The descriptor (52 bytes) says how long it is; the header follows it.
// False when the header does not lie within the file.
bool ReadNewHeader(TFileStream& file, std::int64_t base, const std::uint8_t* descriptor, TMonkeyHeader& h) {
  const std::uint32_t descriptor_bytes = U32(descriptor + 8);
  if (descriptor_bytes < kDescriptorSize || base + descriptor_bytes + kNewHeaderSize > file.Size()) return false;
  std::uint8_t raw[kNewHeaderSize];
  file.SetPosition(base + descriptor_bytes);
  if (file.Read(raw, sizeof raw) != sizeof raw) return false;
  const std::uint32_t frames = U32(raw + 12);
  const std::uint32_t final_blocks = U32(raw + 8);
  if (frames > INT32_MAX || final_blocks > INT32_MAX) return false;
  h.HeaderBytes = static_cast<std::int32_t>(U32(descriptor + 12));
  h.TerminatingBytes = static_cast<std::int32_t>(U32(descriptor + 32));
  h.CompressionID = U16(raw + 0);
  h.Flags = U16(raw + 2);
  h.BlocksPerFrame = U32(raw + 4);
  h.FinalSamples = static_cast<std::int32_t>(final_blocks);
  h.Frames = static_cast<std::int32_t>(frames);
  h.Channels = U16(raw + 18);
  h.SampleRate = I32(raw + 20);
  return true;
}

}  // namespace

TMonkey::TMonkey() : Tag(std::make_unique<TAPEtag>()) { Clear(); }

void TMonkey::Clear() {
  HeaderOffset = 0;
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
  try {
    TFileStream file(FileName, fmOpenRead | fmShareDenyNone);
    FileLength = file.Size();
    // A file too short for a header is read as what it holds: not APE.
    std::uint8_t raw[kDescriptorSize] = {};
    const std::int64_t skip = Id3v2Size(file);
    HeaderOffset = skip > 0 && skip + kOldHeaderSize <= FileLength ? skip : 0;
    file.SetPosition(HeaderOffset);
    if (file.Read(raw, kOldHeaderSize) != kOldHeaderSize) throw EReadError("short header");
    std::memcpy(Header.ID, raw, 4);
    Header.VersionID = U16(raw + 4);
    if (Header.VersionID < kFirstDescriptorVersion) {
      ReadOldHeader(raw, Header);
    } else if (std::memcmp(raw, "MAC ", 4) == 0) {
      file.Read(raw + kOldHeaderSize, kDescriptorSize - kOldHeaderSize);
      if (!ReadNewHeader(file, HeaderOffset, raw, Header)) Header.SampleRate = 0;  // not valid
    }
  } catch (const Exception&) {
    Clear();
    return false;
  }
  return true;
}

bool TMonkey::IsValid() const {
  if (std::memcmp(Header.ID, "MAC ", 4) != 0 || Header.SampleRate <= 0 || Header.Channels == 0) return false;
  if (Header.VersionID >= kFirstDescriptorVersion)
    return Header.BlocksPerFrame > 0 && Header.BlocksPerFrame <= kMaxBlocksPerFrame;
  return true;
}

int TMonkey::GetBlocksPerFrame() const {
  if (!IsValid()) return 0;
  if (Header.VersionID >= kFirstDescriptorVersion) return static_cast<int>(Header.BlocksPerFrame);
  if (Header.VersionID >= 3950) return 73728 * 4;
  if (Header.VersionID >= 3900 || (Header.VersionID >= 3800 && Header.CompressionID == 4000)) return 73728;
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
