// A disc's file system is outside input: whatever a previous session holds,
// importing it into the compilation and extracting its first files must stay
// in bounds, end, and leave a compilation that lays out.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "fuzz/FuzzScratch.h"
#include "platform/core/Clock.h"
#include "platform/core/Dispatcher.h"
#include "platform/devices/DriveMap.h"
#include "platform/devices/SgTarget.h"
#include "platform/devices/VirtualRecorder.h"
#include "platform/devices/WinHost.h"
#include "recorder/xrASPI.h"
#include "recorder/xrCDBC.h"

namespace {

// One virtual CD-R drive behind the host, and a recorder selected on it; the
// disc is replaced for every input.
struct Machine {
  VirtualRecorder* drive = nullptr;
  std::unique_ptr<WinHost> host;
  std::unique_ptr<ScopedHost> scoped;
  std::unique_ptr<TQCDBurner> recorder;

  Machine() {
    const std::string map_file = FuzzScratchFile("DriveMap.ini");
    std::ofstream(map_file) << "[E]\nImage=" << FuzzScratchFile("disc.img") << "\nMedium=cd-r\n";
    DriveMapOptions options;
    options.root = FuzzScratchFolder();  // no /sys here: no real drives
    options.map_file = map_file;
    options.data_dir = FuzzScratchFolder();
    options.fallback_recorder = false;
    auto map = std::make_unique<DriveMap>(options, SystemSgKernel(), [this](const DriveMapEntry& entry) {
      VirtualRecorderConfig config;
      config.image_path = entry.image;
      config.initial_medium = VirtualMedium::CdR;
      config.persist = false;
      auto made = VirtualRecorder::Open(config);
      made->SetTimingPercent(0);
      drive = made.get();
      return std::unique_ptr<ScsiTarget>(std::move(made));
    });
    host = std::make_unique<WinHost>(std::move(map), "/nonexistent");
    scoped = std::make_unique<ScopedHost>(*host);
    recorder = std::make_unique<TQCDBurner>();
    if (!recorder->InitializeASPI(true, "") || recorder->Devices.empty()) std::abort();
    recorder->SetDeviceID(recorder->Devices[0]);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Machine machine;
  static const std::string iso = FuzzScratchFile("input.iso");
  static const std::string out = FuzzScratchFile("out/");
  {
    // Whole sectors, and at least up to the volume descriptors.
    std::string bytes(reinterpret_cast<const char*>(data), size);
    bytes.resize(std::max<std::size_t>((size + 2047) / 2048 * 2048, 18 * 2048), '\0');
    std::ofstream(iso, std::ios::binary | std::ios::trunc) << bytes;
  }
  TQCDBurner& recorder = *machine.recorder;
  if (machine.drive == nullptr) recorder.TestUnitReady();  // the recorder is made at its first command
  machine.drive->ImportIso(iso, VirtualMedium::CdR, false);
  recorder.InitCompilation(4096, 512);
  recorder.ImportSession(-1, nullptr);
  // Extract the first few files, as the session viewer does.
  std::filesystem::create_directories(out);
  int extracted = 0;
  for (TFEntry* entry = recorder.RootDir()->FirstChild; entry && extracted < 3; entry = entry->Next) {
    if (entry->IsDirectory() || entry->IsoSize > (1 << 20)) continue;
    recorder.ExtractFile(entry, out);
    ++extracted;
  }
  std::filesystem::remove_all(out);
  // Nothing a disc names may land outside the folder it is extracted to.
  for (const auto& item : std::filesystem::directory_iterator(FuzzScratchFolder())) {
    const std::string name = item.path().filename().string();
    if (name != "DriveMap.ini" && name != "input.iso" && name.rfind("disc.img", 0) != 0) std::abort();
  }
  return 0;
}
