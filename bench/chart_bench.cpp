// Repaint time of the time chart for small, large and full-memory recordings
// (both channels of n samples each, a 1000 × 600 window), from the envelope
// and by visiting every sample, at the deepest zoom of both axes, and the
// envelope's build time against reading the same recording from a .zet file;
// the peak "Подобрать предел" takes over the whole recording.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "chart/chart_scale.h"
#include "chart/envelope.h"
#include "chart/draw/chart_painter.h"
#include "recording/log_document.h"
#include "recording/zet_file.h"
#include "drawing_bench_main.h"

namespace zet {
namespace {

constexpr int kFullMemory = 16777216;
const QSize kWindow(1000, 600);

// A slow drift with a 50 Hz ripple that the sampling aliases into noise.
Recording Survey(int n) {
  Recording r;
  r.header.nDevice = 12;
  r.header.bDateKnown = 1;
  r.header.nYear = 2024;
  r.header.nMonth = 3;
  r.header.nDay = 5;
  r.header.dPeriod = 0.5;
  r.header.nChannels = 2;
  r.header.dMaxRange = 10;
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> ripple(-0.4f, 0.4f);
  r.channel1 = std::vector<float>(static_cast<std::size_t>(n));
  r.channel2 = std::vector<float>(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const float drift = 4 * std::sin(static_cast<float>(i) * 6.0f / static_cast<float>(n));
    (*r.channel1)[static_cast<std::size_t>(i)] = drift - 1 + ripple(rng);
    (*r.channel2)[static_cast<std::size_t>(i)] = 0.5f * drift + ripple(rng);
  }
  r.supply = std::vector<float>(static_cast<std::size_t>(n / 64), 5.6f);
  return r;
}

// Recordings are large: build each size once.
const LogDocument& Document(int n) {
  static std::map<int, std::unique_ptr<LogDocument>> docs;
  std::unique_ptr<LogDocument>& d = docs[n];
  if (!d) {
    d = std::make_unique<LogDocument>();
    d->SetRecording(Survey(n));
  }
  return *d;
}

chart::ChartState InitialView(int n) {
  chart::ChartState s;
  chart::InitialUpdate(s, {kWindow.width(), kWindow.height()});
  chart::ResetView(s, n);
  return s;
}

// The time axis stretched as far as it goes, scrolled to the middle.
chart::ChartState LargestStretch(int n) {
  chart::ChartState s = InitialView(n);
  while (chart::CanStretchTime(s)) chart::StretchTime(s);
  chart::ScrollToClamped(s, {s.bars.Limit().x / 2, 0});
  return s;
}

// Both axes stretched as far as they go: single samples, lines to far-off rows cut.
chart::ChartState DeepestZoom(int n) {
  chart::ChartState s = LargestStretch(n);
  while (chart::CanStretchValues(s)) chart::StretchValues(s);
  return s;
}

void Repaint(benchmark::State& state, chart::ChartState view, bool everySample, bool points) {
  const int n = static_cast<int>(state.range(0));
  const LogDocument& doc = Document(n);
  ui::ChartStyle style;
  style.font = QFont(QStringLiteral("DejaVu Sans"));
  style.font.setPixelSize(12);
  style.everySample = everySample;
  style.bPoints = points;
  ui::ChartEnvelopes envelopes;
  QImage image(kWindow, QImage::Format_RGB32);
  {
    QPainter warm(&image);  // envelopes built before timing
    chart::ChartState s = view;
    ui::PaintChart(warm, s, doc, style, envelopes);
  }
  for (auto _ : state) {
    image.fill(Qt::white);
    QPainter p(&image);
    chart::ChartState s = view;
    ui::PaintChart(p, s, doc, style, envelopes);
  }
  state.SetItemsProcessed(state.iterations() * 2LL * n);
}

void BM_RepaintInitialView(benchmark::State& state) {
  Repaint(state, InitialView(static_cast<int>(state.range(0))), false, false);
}
void BM_RepaintLargestStretch(benchmark::State& state) {
  Repaint(state, LargestStretch(static_cast<int>(state.range(0))), false, false);
}
void BM_RepaintDeepestZoom(benchmark::State& state) {
  Repaint(state, DeepestZoom(static_cast<int>(state.range(0))), false, false);
}
void BM_RepaintInitialViewPoints(benchmark::State& state) {
  Repaint(state, InitialView(static_cast<int>(state.range(0))), false, true);
}
void BM_RepaintInitialViewEverySample(benchmark::State& state) {
  Repaint(state, InitialView(static_cast<int>(state.range(0))), true, false);
}

void BM_EnvelopeBuild(benchmark::State& state) {
  const LogDocument& doc = Document(static_cast<int>(state.range(0)));
  chart::Envelope e;
  for (auto _ : state) {
    e.Build(doc.m_pChannel1->data(), doc.Channel1Count());
    benchmark::DoNotOptimize(e);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The largest magnitude of the whole of channel 1, from the envelope; with one
// sample that is not a number among them, by a scan of every sample.
void BM_FitLimitPeak(benchmark::State& state, bool withNaN) {
  const int n = static_cast<int>(state.range(0));
  std::vector<float> samples = *Document(n).m_pChannel1;
  if (withNaN) samples[static_cast<std::size_t>(n / 2)] = NAN;
  chart::Envelope e;
  e.Build(samples.data(), n);
  for (auto _ : state) benchmark::DoNotOptimize(e.Peak(0, n - 1));
  state.SetItemsProcessed(state.iterations() * n);
}
void BM_FitLimitPeakFinite(benchmark::State& state) { BM_FitLimitPeak(state, false); }
void BM_FitLimitPeakWithNaN(benchmark::State& state) { BM_FitLimitPeak(state, true); }

// The same recording's channel 1 read back from a file (the envelope of
// channel 1 is one of the two a recording needs).
void BM_ReadZetFile(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Recording r = Survey(n);
  r.channel2.reset();
  r.supply.reset();
  char path[] = "/tmp/chart_bench_XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) {
    state.SkipWithError("no temporary file");
    return;
  }
  close(fd);
  if (!WriteZetFile(path, r).empty()) {
    state.SkipWithError("cannot write the file");
    unlink(path);
    return;
  }
  for (auto _ : state) {
    ZetReadResult read = ReadZetFile(path);
    benchmark::DoNotOptimize(read);
  }
  unlink(path);
  state.SetItemsProcessed(state.iterations() * n);
}

BENCHMARK(BM_RepaintInitialView)->Arg(10000)->Arg(1000000)->Arg(kFullMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintLargestStretch)->Arg(10000)->Arg(1000000)->Arg(kFullMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintDeepestZoom)->Arg(10000)->Arg(1000000)->Arg(kFullMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintInitialViewPoints)->Arg(10000)->Arg(1000000)->Arg(kFullMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintInitialViewEverySample)->Arg(10000)->Arg(1000000)->Arg(kFullMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnvelopeBuild)->Arg(10000)->Arg(1000000)->Arg(kFullMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitLimitPeakFinite)->Arg(kFullMemory)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FitLimitPeakWithNaN)->Arg(kFullMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadZetFile)->Arg(10000)->Arg(1000000)->Arg(kFullMemory)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zet

int main(int argc, char** argv) { return zet::RunDrawingBenchmarks(argc, argv); }
