// APE audio files: whatever a file holds, reading its header and tag never
// raises, and the duration is never negative.

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/Monkey.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = [] {
    char name[] = "/tmp/fuzz-apetag-XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    return std::string(name);
  }();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  TMonkey monkey;
  if (monkey.ReadFromFile(path) && monkey.GetDuration() < 0) std::abort();
  return 0;
}
