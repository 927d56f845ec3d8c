#pragma once
// main() of the benches that draw: text needs a GUI application (widgets a
// QApplication), and images need no display.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdlib>

namespace zet {

template <class App = QGuiApplication>
int RunDrawingBenchmarks(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  App app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace zet
