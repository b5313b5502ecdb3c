// burn_speed SOURCE WORKDIR
//
// Burns the folder SOURCE to a virtual DVD+R DL kept in WORKDIR (no speed
// limit of its own) and builds the same compilation as an image file in
// WORKDIR through the same cache and write threads, and prints both
// throughputs and their ratio. Each is timed from the call to OnWriteDone.

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/core/Dispatcher.h"
#include "platform/devices/DriveMap.h"
#include "platform/devices/SgTarget.h"
#include "platform/devices/VirtualRecorder.h"
#include "platform/devices/WinHost.h"
#include "recorder/xrCDBC.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Runs one operation to its end; its seconds, or a negative figure on failure.
double Timed(QueueDispatcher& dispatcher, TQCDBurner& rec, const std::function<void()>& start) {
  bool done = false;
  std::string error;
  rec.OnWriteDone = [&](TQCDBurner*, const std::string& e) {
    done = true;
    error = e;
  };
  const auto t0 = std::chrono::steady_clock::now();
  start();
  dispatcher.RunUntil([&] { return done; }, std::chrono::hours(1));
  const double s = Seconds(t0);
  if (!error.empty()) {
    std::fprintf(stderr, "burn_speed: %s\n", error.c_str());
    return -1;
  }
  return s;
}

void Fill(TQCDBurner& rec, const std::string& source) {
  rec.InitCompilation(600000, 20000);
  rec.AddDir("\\", source, "*.*", 0xFF, true, false, false);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: burn_speed SOURCE WORKDIR\n");
    return 2;
  }
  const std::string source = argv[1], work = argv[2];
  QueueDispatcher dispatcher;
  ScopedDispatcher scoped_dispatcher(dispatcher);

  const std::string image = work + "/disc.img";
  ::unlink(image.c_str());
  ::unlink((image + ".state").c_str());
  const std::string map = work + "/DriveMap.ini";
  if (FILE* f = std::fopen(map.c_str(), "w")) {
    std::fprintf(f, "[E]\nImage=%s\nMedium=dvd+r-dl\n", image.c_str());
    std::fclose(f);
  }
  DriveMapOptions options;
  options.map_file = map;
  options.data_dir = work;
  options.fallback_recorder = false;
  options.root = work + "/no-sys";  // only the map's recorder, no real drives
  auto factory = [](const DriveMapEntry& entry) -> std::unique_ptr<ScsiTarget> {
    VirtualRecorderConfig config;
    config.image_path = entry.image;
    config.initial_medium = VirtualMedium::DvdPlusRDl;
    config.persist = false;
    return VirtualRecorder::Open(config);
  };
  SgKernel& kernel = SystemSgKernel();
  WinHost host(std::make_unique<DriveMap>(options, kernel, factory), "/nonexistent");
  ScopedHost scoped_host(host);

  TQCDBurner rec;
  if (!rec.InitializeASPI(true, "") || rec.Devices.empty()) {
    std::fprintf(stderr, "burn_speed: no virtual recorder\n");
    return 1;
  }
  rec.SetDeviceID(rec.Devices[0]);
  rec.SetWriteSpeed(0xFFFF);
  rec.SetCacheSize(64 << 20);

  // Each run starts with nothing waiting to be written back, so neither
  // pays for the other's dirty pages.
  Fill(rec, source);
  ::sync();
  const double t_burn = Timed(dispatcher, rec, [&] {
    rec.Prepare(false, nullptr);
    rec.BurnCompilation();
  });
  const double burned = static_cast<double>(rec.BytesWritten());
  ::unlink(image.c_str());

  Fill(rec, source);
  const std::string iso = work + "/image.iso";
  ::sync();
  const double t_image = Timed(dispatcher, rec, [&] { rec.CreateImageFile(iso, false); });
  struct stat st{};
  ::stat(iso.c_str(), &st);
  const double bytes = static_cast<double>(st.st_size);
  ::unlink(iso.c_str());
  if (t_image <= 0 || t_burn <= 0) return 1;

  const double image_mbs = bytes / t_image / 1e6, burn_mbs = burned / t_burn / 1e6;
  std::printf("image build %.0f MB in %.2f s: %.0f MB/s\n", bytes / 1e6, t_image, image_mbs);
  std::printf("burn        %.0f MB in %.2f s: %.0f MB/s\n", burned / 1e6, t_burn, burn_mbs);
  std::printf("burn/image throughput %.2f\n", burn_mbs / image_mbs);
  return 0;
}
