// "Анализ записи" over a full recorder memory: opening the window (the
// figures, the tables and the first picture of every pane) should take
// under half a second.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "analysis/ui/analysis_window.h"
#include "base/settings.h"
#include "base/settings_store.h"
#include "drawing_bench_main.h"
#include "quiet_host.h"
#include "recording/ui/log_doc.h"
#include "wandering.h"

namespace zet {
namespace {

using namespace ui;

constexpr int kFullMemory = 16777216;

struct Bench : QuietDocument {

  Bench() {
    Recording r = Wandering(kFullMemory);  // 97 days at 0.5 s: a long hour table
    r.header.bDateKnown = 1, r.header.nYear = 2024, r.header.nMonth = 3, r.header.nDay = 5, r.header.nHour = 9;
    doc.LoadRun(std::move(r));
    store.WriteString(kAnalysisSection, "Reference1", "-0.85");
    store.WriteString(kAnalysisSection, "Limits", "> 3; < -3");
  }
};

void BM_OpenWindow(benchmark::State& state) {
  static Bench b;
  for (auto _ : state) {
    CAnalysisWindow w(b.doc, b.store);
    w.show();
    w.DocumentChanged();
    benchmark::DoNotOptimize(w.grab());
  }
}
BENCHMARK(BM_OpenWindow)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zet

int main(int argc, char** argv) { return zet::RunDrawingBenchmarks<QApplication>(argc, argv); }
