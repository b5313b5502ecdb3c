// APE audio files: whatever a file holds, reading its header and tag never
// raises, and the duration is never negative.

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
  if (monkey.ReadFromFile(path) && monkey.GetDuration() < 0) std::abort();
  return 0;
}
