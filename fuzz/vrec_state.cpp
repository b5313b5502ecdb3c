// The virtual recorder's state file: whatever it holds, loading it either
// succeeds or raises Exception.

#include <cstdint>
#include <fstream>
#include <string>

#include "fuzz/FuzzScratch.h"
#include "platform/core/Exceptions.h"
#include "platform/devices/VirtualDisc.h"
#include "platform/devices/VirtualFaults.h"
#include "platform/devices/VirtualStateFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = FuzzScratchFile("input.state");
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  VirtualDisc disc("");
  VirtualFaults faults;
  std::string image;
  try {
    LoadVirtualState(path, disc, faults, image);
  } catch (const Exception&) {
  }
  return 0;
}
