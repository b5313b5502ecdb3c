// The drive-map file is written by hand: any bytes must parse without a
// crash into recorders the rest of the device layer can trust.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "platform/devices/DriveMap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const DriveMapFile file = ParseDriveMapFile(text, "/base", "fuzz.ini");
  std::set<char> letters;
  for (const DriveMapEntry& entry : file.recorders) {
    if (entry.letter < 'D' || entry.letter > 'Z' || !letters.insert(entry.letter).second) abort();
    if (entry.kind != DriveKind::Virtual || entry.image.empty() || entry.state.empty()) abort();
    if (entry.image == entry.state || entry.medium.empty()) abort();
  }
  return 0;
}
