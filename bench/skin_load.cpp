// Our default skin: how long loading devoir.mskn takes and how much memory
// a load peaks at (load_peak_MB: the resident set's high-water mark during
// one load above what the process held before it), and how long switching
// a shown form of 100 skinned controls of ten kinds from slate to devoir
// takes (every copy dropped, the file read, every copy cloned again, every
// control repainted). Run from build/bench; the skins are the ones the
// build compiled into build/bin/Skins.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"
#include "skin/se_binding_bars.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_binding_controls.h"
#include "skin/se_binding_edits.h"
#include "skin/se_binding_lists.h"
#include "skin/se_binding_tabs.h"
#include "skin/se_engine.h"

namespace {

std::string SkinFile(const char* name) { return se::ProgramFolder() + "../bin/Skins/" + name + ".mskn"; }

double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024.0;
}

// A line "<key>: <n> kB" of /proc/self/status, in megabytes.
double StatusMegabytes(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(key + ":", 0) == 0) return std::stod(line.substr(key.size() + 1)) / 1024.0;
  return 0;
}

// The resident set's peak during one load above the resident set before
// it (writing 5 to clear_refs resets the peak to the present size).
double LoadPeakMegabytes(const std::string& file) {
  const double before = StatusMegabytes("VmRSS");
  std::ofstream("/proc/self/clear_refs") << "5";
  {
    TSeSkinSource skin;
    skin.LoadFromFile(file);
  }
  return StatusMegabytes("VmHWM") - before;
}

void BM_LoadDevoir(benchmark::State& state) {
  const std::string file = SkinFile("devoir");
  state.counters["load_peak_MB"] = LoadPeakMegabytes(file);
  for (auto _ : state) {
    TSeSkinSource skin;
    skin.LoadFromFile(file);
    if (skin.Count() == 0) state.SkipWithError("devoir.mskn did not load");
    benchmark::DoNotOptimize(skin.Count());
  }
  state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(BM_LoadDevoir)->Unit(benchmark::kMillisecond);

template <class T>
T* Bound(TForm* form, TSeSkinEngine* engine) {
  auto* control = Create<T>(form);
  control->SetSkinEngine(engine);
  return control;
}

// Ten controls of each of ten kinds, bound to the engine.
void FillForm(TForm* form, TSeSkinEngine* e) {
  const std::function<TControl*(TForm*)> kinds[] = {
      [e](TForm* f) { auto* c = Bound<TSeSkinButton>(f, e); c->SetCaption("Burn"); return c; },
      [e](TForm* f) { auto* c = Bound<TSeSkinCheckBox>(f, e); c->SetCaption("Verify"); return c; },
      [e](TForm* f) { auto* c = Bound<TSeSkinEdit>(f, e); c->SetText("New disc"); return c; },
      [e](TForm* f) { auto* c = Bound<TSeSkinListBox>(f, e); c->SetItems({"Audio", "Data", "Video"}); return c; },
      [e](TForm* f) { auto* c = Bound<TSeSkinComboBox>(f, e); c->SetItems({"ISO 9660", "Joliet"}); return c; },
      [e](TForm* f) { auto* c = Bound<TSeSkinLabel>(f, e); c->SetCaption("A label"); return c; },
      [e](TForm* f) { auto* c = Bound<TSeSkinProgressBar>(f, e); c->SetPosition(40); return c; },
      [e](TForm* f) { auto* c = Bound<TSeSkinScrollBar>(f, e); c->SetPosition(30); return c; },
      [e](TForm* f) { return Bound<TSeSkinTrackBar>(f, e); },
      [e](TForm* f) { auto* c = Bound<TSeSkinSpeedButton>(f, e); c->SetCaption("OK"); return c; },
  };
  for (int i = 0; i < 100; ++i) {
    TControl* c = kinds[i % 10](form);
    c->SetParent(form);
    c->SetBounds((i % 10) * 80, (i / 10) * 60, 74, i % 10 == 3 || i % 10 == 8 ? 50 : 22);
  }
}

void BM_ReskinFormOf100Controls(benchmark::State& state) {
  auto engine = CreateUnique<TSeSkinEngine>();
  engine->SetSkinFile(SkinFile("devoir"));
  auto form = CreateUnique<TForm>();
  form->SetBounds(0, 0, 800, 600);
  FillForm(form.get(), engine.get());
  form->Show();
  QCoreApplication::processEvents();
  for (auto _ : state) {
    state.PauseTiming();
    engine->SetSkinFile(SkinFile("slate"));
    QCoreApplication::processEvents();
    state.ResumeTiming();
    engine->SetSkinFile(SkinFile("devoir"));
    QCoreApplication::processEvents();
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
