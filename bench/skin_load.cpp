// Our default skin: how long loading devoir.mskn takes and how much memory
// a load peaks at, and how long re-skinning a form of 100 skinned controls
// takes (a switch between two skins: every copy dropped, the file read,
// every copy cloned again). Run from build/bench; the skins are the ones
// the build compiled into build/bin/Skins.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <memory>
#include <string>

#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"
#include "skin/se_binding_controls.h"
#include "skin/se_engine.h"

namespace {

std::string SkinFile(const char* name) { return se::ProgramFolder() + "../bin/Skins/" + name + ".mskn"; }

double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024.0;
}

void BM_LoadDevoir(benchmark::State& state) {
  const std::string file = SkinFile("devoir");
  for (auto _ : state) {
    TSeSkinSource skin;
    skin.LoadFromFile(file);
    if (skin.Count() == 0) state.SkipWithError("devoir.mskn did not load");
    benchmark::DoNotOptimize(skin.Count());
  }
  state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(BM_LoadDevoir)->Unit(benchmark::kMillisecond);

void BM_ReskinFormOf100Controls(benchmark::State& state) {
  auto engine = CreateUnique<TSeSkinEngine>();
  engine->SetSkinFile(SkinFile("devoir"));
  auto form = CreateUnique<TForm>();
  form->SetBounds(0, 0, 800, 600);
  for (int i = 0; i < 100; ++i) {
    auto* bar = Create<TSeSkinScrollBar>(form.get());
    bar->SetParent(form.get());
    bar->SetKind(i % 2 ? sbVertical : sbHorizontal);
    bar->SetBounds((i % 10) * 80, (i / 10) * 60, i % 2 ? 16 : 70, i % 2 ? 50 : 16);
    bar->SetSkinEngine(engine.get());
  }
  bool slate = false;
  for (auto _ : state) {
    slate = !slate;
    engine->SetSkinFile(SkinFile(slate ? "slate" : "devoir"));
  }
  state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(BM_ReskinFormOf100Controls)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qt(argc, argv);
  TApplication application;
  RegisterSkinFilters();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
