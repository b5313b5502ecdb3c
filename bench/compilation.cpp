// Building a compilation of the largest size the program allows (600000
// files in 20000 folders) and laying it out, with the peak resident size.
// The entries are described directly, as the session import does, so that
// the figure is the recorder's own work and not the file system's.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <string>

#include "recorder/xrCDBC.h"

namespace {

double PeakResidentMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void Fill(TQCDBurner& rec, int folders, int files) {
  // The file table counts folder entries too, and the folder table the root.
  rec.InitCompilation(files + folders, folders + 1);
  const int per_folder = files / folders;
  const Clock::TimePoint when{std::chrono::seconds(1700000000)};
  int made = 0;
  for (int d = 0; d < folders; ++d) {
    // Two levels: 200 folders of 100 subfolders each at full size.
    const std::string top = "Folder number " + std::to_string(d % 200);
    TDEntry* parent = rec.CreateDir("\\", top);
    TDEntry* dir = d < 200 ? parent : rec.CreateDir(parent->Path, "Subfolder " + std::to_string(d));
    if (!dir) std::abort();
    const int count = d + 1 == folders ? files - made : per_folder - (d < 200 ? 1 : 0);
    for (int f = 0; f < count; ++f, ++made) {
      const std::string name = "Document " + std::to_string(made) + " of the compilation.txt";
      rec.AddFileEntry(dir, {name, 1000 + made % 70000, kAttrArchive, when},
                       "/home/user/data/" + top + "/" + name, 0, false);
    }
  }
}

void BM_AddAndLayout(benchmark::State& state) {
  const int folders = static_cast<int>(state.range(0));
  const int files = static_cast<int>(state.range(1));
  for (auto _ : state) {
    TQCDBurner rec;
    Fill(rec, folders, files);
    rec.PrepareLayout(true, nullptr);
    benchmark::DoNotOptimize(rec.TrackSectors());
    state.counters["entries"] = rec.GetFileCount();
  }
  state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}
BENCHMARK(BM_AddAndLayout)->Args({20000, 600000})->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_AddLayoutAndHeader(benchmark::State& state) {
  for (auto _ : state) {
    TQCDBurner rec;
    Fill(rec, 20000, 600000);
    rec.PrepareLayout(true, nullptr);
    rec.BuildFileSystemHeader();
    state.counters["header_MB"] = static_cast<double>(rec.HeaderStream().size()) / 1048576.0;
  }
  state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}
BENCHMARK(BM_AddLayoutAndHeader)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
