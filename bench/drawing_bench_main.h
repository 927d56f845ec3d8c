#pragma once
// main() of the benches that draw: text needs a GUI application, and images
// need no display.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdlib>

namespace zet {

inline int RunDrawingBenchmarks(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace zet
