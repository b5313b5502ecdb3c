// mkimage [--threaded] [--no-joliet] [--boot FILE] [--volume NAME] SOURCE IMAGE
//
// Builds an ISO 9660 + Joliet image of the folder SOURCE (its contents become
// the root of the disc) and prints how long each step took.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/core/Dispatcher.h"
#include "recorder/xrCDBC.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int Usage() {
  std::fprintf(stderr,
               "usage: mkimage [--threaded] [--no-joliet] [--boot FILE] [--volume NAME] SOURCE IMAGE\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  bool threaded = false, joliet = true;
  std::string boot, volume = "CDROM", source, image;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--threaded") {
      threaded = true;
    } else if (arg == "--no-joliet") {
      joliet = false;
    } else if (arg == "--boot" && i + 1 < argc) {
      boot = argv[++i];
    } else if (arg == "--volume" && i + 1 < argc) {
      volume = argv[++i];
    } else if (source.empty()) {
      source = arg;
    } else if (image.empty()) {
      image = arg;
    } else {
      return Usage();
    }
  }
  if (source.empty() || image.empty()) return Usage();

  QueueDispatcher dispatcher;
  ScopedDispatcher scoped(dispatcher);
  TQCDBurner rec;
  rec.OnDebugMessage = [](TSCSIDevice*, const std::string& message, std::uint8_t level) {
    if (level >= 3) std::fprintf(stderr, "mkimage: %s\n", message.c_str());
  };
  rec.InitCompilation(600000, 20000);
  rec.SetJolietFileSystem(joliet);
  rec.SetIdVolume(volume);
  rec.SetWritePostGap(false);
  if (!boot.empty()) {
    rec.Bootable = true;
    rec.BootImage = boot;
  }
  auto start = std::chrono::steady_clock::now();
  rec.AddDir("\\", source, "*.*", 63, true, false, false);
  std::fprintf(stderr, "mkimage: added %d entries in %d folders in %.3f s\n", rec.GetFileCount(),
               rec.GetDirCount(), Seconds(start));

  bool done = false;
  std::string error;
  rec.OnWriteDone = [&](TQCDBurner*, const std::string& e) {
    done = true;
    error = e;
  };
  start = std::chrono::steady_clock::now();
  rec.CreateImageFile(image, !threaded);
  dispatcher.RunUntil([&] { return done; }, std::chrono::hours(24));
  if (!error.empty()) {
    std::fprintf(stderr, "mkimage: %s\n", error.c_str());
    return 1;
  }
  std::fprintf(stderr, "mkimage: wrote %lld sectors in %.3f s\n", static_cast<long long>(rec.TrackSectors()),
               Seconds(start));
  return 0;
}
