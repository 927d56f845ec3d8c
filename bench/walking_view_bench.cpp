// The diagram view over a full memory: one step of the sweep bar, as the
// user drags it (the playback state, the picture, the texts and the bar),
// and a change of the document while the diagram is shown and while the
// chart is shown instead.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTimer>
#include <random>

#include "base/settings.h"
#include "base/settings_store.h"
#include "diagram/ui/walking_view.h"
#include "drawing_bench_main.h"
#include "quiet_host.h"
#include "recording/ui/log_doc.h"
#include "wandering.h"

namespace zet {
namespace {

using namespace ui;

constexpr int kFullMemory = 16777216;

// A document with the view attached, loaded once for every bench.
struct Bench : QuietDocument {
  CWalkingView view{doc};

  Bench() {
    doc.m_pWalkingView = &view;
    view.Timer()->stop();
    view.resize(1000, 800);
    view.show();
    doc.LoadRun(Wandering(kFullMemory));
  }
};

Bench& Shared() {
  static Bench b;
  return b;
}

void BM_SweepStep(benchmark::State& state) {
  Bench& b = Shared();
  b.view.show();
  b.view.OnSweep(SweepCode::Thumb, kFullMemory / 2);  // the first step builds the trace's map
  std::mt19937 rng(5);
  for (auto _ : state) b.view.OnSweep(SweepCode::Thumb, static_cast<int>(rng() % kFullMemory));
}

// range(0): 1 while the diagram is shown, 0 while the chart is.
void BM_DocumentChange(benchmark::State& state) {
  Bench& b = Shared();
  b.view.setVisible(state.range(0) != 0);
  b.view.OnSpeed(0);  // the whole trace
  for (auto _ : state) b.view.DocumentChanged();
  b.view.show();
}

BENCHMARK(BM_SweepStep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DocumentChange)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zet

int main(int argc, char** argv) { return zet::RunDrawingBenchmarks<QApplication>(argc, argv); }
