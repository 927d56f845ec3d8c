// The stray-current diagram: a full repaint (grid, labels and the whole trace
// of n samples per channel on an 800 × 800 area) by a pass over the samples
// and from the trace's map, the map's one pass, what one playback tick draws
// (marker erased and drawn, one pixel, three text lines), and a full memory
// drawn into an 8000 × 8000 PDF or SVG with the process's peak memory (run it
// alone, --benchmark_filter=Vector, for a figure of its own).
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <cstdlib>
#include <random>

#include "diagram/draw/diagram_painter.h"
#include "recording/log_document.h"
#include "drawing_bench_main.h"
#include "wandering.h"

namespace zet {
namespace {

using namespace ui;

constexpr int kFullMemory = 16777216;
const QSize kArea(800, 800);

LogDocument Document(int n) {
  LogDocument doc;
  doc.SetRecording(Wandering(n));
  doc.m_dLimit = 10;
  return doc;
}

void BM_FullRepaint(benchmark::State& state) {
  const LogDocument doc = Document(static_cast<int>(state.range(0)));
  QImage image(kArea, QImage::Format_RGB32);
  const QFont font(QStringLiteral("Arial"));
  for (auto _ : state) {
    QPainter p(&image);
    PaintWholeDiagram(p, doc, kArea, font);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_TraceMapBuild(benchmark::State& state) {
  const LogDocument doc = Document(static_cast<int>(state.range(0)));
  const DiagramLayout layout = LayoutOf(doc, QRect(QPoint(0, 0), kArea), 1);
  for (auto _ : state) benchmark::DoNotOptimize(TraceMap(doc, layout, layout.Square()));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// A new position of the sweep bar: the picture drawn again, the trace up to
// a random position read from the map.
void BM_RepaintFromMap(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const LogDocument doc = Document(n);
  DiagramPicture pic;
  pic.diagram = QRect(QPoint(0, 0), kArea);
  pic.font = QFont(QStringLiteral("Arial"));
  const DiagramLayout layout = LayoutOf(doc, pic.diagram, 1);
  const TraceMap map(doc, layout, layout.Square());
  pic.traceMap = &map;
  QImage image(kArea, QImage::Format_RGB32);
  std::mt19937 rng(11);
  for (auto _ : state) {
    pic.content.trace = static_cast<int>(rng() % static_cast<unsigned>(n));
    image.fill(Qt::white);
    QPainter p(&image);
    PaintDiagram(p, doc, pic);
  }
}

void BM_PlaybackTick(benchmark::State& state) {
  const LogDocument doc = Document(static_cast<int>(state.range(0)));
  QImage image(kArea, QImage::Format_RGB32);
  const QFont font(QStringLiteral("Arial"));
  {
    QPainter p(&image);
    PaintWholeDiagram(p, doc, kArea, font);
  }
  const DiagramLayout layout = LayoutOf(doc, QRect(QPoint(0, 0), kArea), 1);
  int i = 1;
  for (auto _ : state) {
    QPainter p(&image);
    const DiagramPoint before = *SamplePoint(doc, layout, i), after = *SamplePoint(doc, layout, i + 1);
    PaintMovingMarker(p, before);
    PaintTracePixel(p, before);
    PaintMovingMarker(p, after);
    PaintSampleTexts(p, doc, i + 1, kArea.height(), font);
    i = i + 2 < doc.Channel2Count() ? i + 1 : 1;
  }
}

// A PDF (0) or SVG (1) of the whole diagram, 8000 × 8000, in memory.
void BM_FullMemoryToVector(benchmark::State& state) {
  const LogDocument doc = Document(kFullMemory);
  const QSize size(8000, 8000);
  const QFont font(QStringLiteral("Arial"));
  double bytes = 0;
  for (auto _ : state) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    QSvgGenerator svg;
    QPainter p;
    if (state.range(0) == 0) {
      pdf.setResolution(96);
      pdf.setPageSize(QPageSize(QSizeF(size) * 0.75, QPageSize::Point));
      pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
      p.begin(&pdf);
    } else {
      svg.setOutputDevice(&buffer);
      svg.setSize(size);
      p.begin(&svg);
    }
    PaintWholeDiagram(p, doc, size, font);
    p.end();
    bytes = static_cast<double>(out.size());
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024;
  state.counters["file_MB"] = bytes / 1e6;
}

BENCHMARK(BM_FullRepaint)->Arg(10000)->Arg(1000000)->Arg(kFullMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TraceMapBuild)->Arg(kFullMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintFromMap)->Arg(kFullMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlaybackTick)->Arg(10000)->Arg(kFullMemory)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullMemoryToVector)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zet

int main(int argc, char** argv) { return zet::RunDrawingBenchmarks(argc, argv); }
