// Adding a folder of 100000 files in 200 folders to the main window's
// compilation and preparing it for a burn (the walk into the recorder's
// tables), against the recorder's own AddDir of the same tree in the same
// run; with the peak resident size. The window runs offscreen on a virtual
// drive of its own.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <memory>

#include "app/Unit1.h"
#include "platform/gui/Application.h"
#include "recorder/xrCDBC.h"

namespace {

constexpr int kFolders = 200;
constexpr int kFilesPerFolder = 500;

double PeakResidentMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The tree: kFolders folders of kFilesPerFolder small files each.
const QString& Tree() {
  static QTemporaryDir dir;
  static const QString root = [] {
    const QString r = dir.filePath("Photos (all)");
    for (int d = 0; d < kFolders; ++d) {
      const QString folder = QString("%1/Album %2").arg(r).arg(d);
      QDir().mkpath(folder);
      for (int f = 0; f < kFilesPerFolder; ++f) {
        QFile file(QString("%1/picture %2.jpg").arg(folder).arg(f));
        if (!file.open(QIODevice::WriteOnly)) std::abort();
        file.write(QByteArray(100 + f, 'x'));
      }
    }
    return r;
  }();
  return root;
}

void UseScratchDrive() {
  static QTemporaryDir dir;
  QFile map(dir.filePath("DriveMap.ini"));
  if (!map.open(QIODevice::WriteOnly)) std::abort();
  map.write("[E]\nImage=bench.img\nMedium=DVD+R\n");
  map.close();
  ::setenv("BURNER_DRIVE_MAP", map.fileName().toLocal8Bit().constData(), 1);
}

void BM_MainWindowAddAndPrepareVsRecorderAddDir(benchmark::State& state) {
  const QString root = Tree();
  UseScratchDrive();
  TApplication application;
  std::unique_ptr<TForm1> form(Create<TForm1>(nullptr));
  double window_seconds = 0, recorder_seconds = 0;
  for (auto _ : state) {
    // The peer: the recorder alone.
    auto start = std::chrono::steady_clock::now();
    {
      TQCDBurner rec;
      rec.InitCompilation(600000, 20000);
      rec.CreateDir("\\", "Photos (all)");
      rec.AddDir("\\Photos (all)", root.toStdString(), "*.*", 63, true, false, false);
      if (rec.GetFileCount() < kFolders * kFilesPerFolder) std::abort();
    }
    recorder_seconds = Seconds(start);

    // The window: the folder dropped on the entry list, then the walk a
    // burn starts with.
    start = std::chrono::steady_clock::now();
    form->Modified = false;
    form->btnNewClick();
    form->AddSources({root});
    form->qcdb().InitCompilation(600000, 20000);
    if (!form->AddCompilationToRecorder()) std::abort();
    if (form->qcdb().GetFileCount() < kFolders * kFilesPerFolder) std::abort();
    window_seconds = Seconds(start);
  }
  state.counters["window_s"] = window_seconds;
  state.counters["recorder_s"] = recorder_seconds;
  state.counters["ratio"] = window_seconds / recorder_seconds;
  state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}
BENCHMARK(BM_MainWindowAddAndPrepareVsRecorderAddDir)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
