// APE audio files: whatever a file holds, reading its header and tag never
// raises, the sample count and duration are never negative, and a valid
// header's frame size stays within what encoders write.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "fuzz/FuzzScratch.h"
#include "app/Monkey.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = FuzzScratchFile("input.ape");
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  TMonkey monkey;
  if (!monkey.ReadFromFile(path)) return 0;
  const double duration = monkey.GetDuration();
  if (duration < 0 || !std::isfinite(duration) || monkey.GetSampleCount() < 0) std::abort();
  if (monkey.IsValid() && (monkey.GetBlocksPerFrame() <= 0 || monkey.GetBlocksPerFrame() > (1 << 24))) std::abort();
  if (!monkey.IsValid() && duration != 0) std::abort();
  if (monkey.HeaderOffset < 0 || monkey.HeaderOffset > static_cast<std::int64_t>(size)) std::abort();
  return 0;
}
