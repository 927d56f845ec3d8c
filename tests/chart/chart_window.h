#pragma once
// A chart window of w × h pixels showing n samples at the initial view.
#include "chart/chart_scale.h"

namespace zet::chart {

inline ChartState Window(int w, int h, int n, double limit = 10, bool current = false) {
  ChartState s;
  InitialUpdate(s, {w, h});
  ResetView(s, n);
  PrepareScreenDrawing(s, limit, current);
  return s;
}

}  // namespace zet::chart
