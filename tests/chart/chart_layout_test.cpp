#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "chart/chart_layout.h"
#include "chart/chart_window.h"
#include "chart/envelope.h"

namespace zet::chart {
namespace {

TEST(ChartLayoutTest, GridLinesLabelsAndMarksOfATenVoltWindow) {
  ChartState s = Window(600, 400, 100, 10);
  const GridLayout g = LayoutGrid(s, 10, 16, 32, 0);
  EXPECT_EQ(g.divisions, 4);
  EXPECT_NEAR(g.step, 5, 1e-12);
  ASSERT_EQ(g.lines.size(), 3u);  // +10 V and −10 V fall into the free bands
  const int ys[] = {200, 104, 295};
  const char* labels[] = {"  0.000", "  5.000", " -5.000"};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(g.lines[k].y, ys[k]);
    EXPECT_EQ(g.lines[k].label, labels[k]);
    EXPECT_EQ(s.m_gridMarks[k].y, ys[k]);
    EXPECT_EQ(g.lines[k].ampereLabel, "");
  }
  EXPECT_EQ(s.m_gridMarks[1].value, 5.0f);
  for (int k = 3; k < kGridMarks; ++k) EXPECT_EQ(s.m_gridMarks[k].y, -1);

  // The cursor on a grid line reads its label; elsewhere the quantised value.
  EXPECT_EQ(CursorReading(s, 104), 5.0);
  EXPECT_DOUBLE_EQ(CursorReading(s, 105), CursorValue(s, 105));

  // One and 0.1 V limits take four decimals; with the shunt display the
  // amperes stand beside them.
  ChartState one = Window(600, 400, 100, 1, true);
  const GridLayout a = LayoutGrid(one, 1, 16, 32, 0.0015);
  ASSERT_GE(a.lines.size(), 2u);
  EXPECT_EQ(a.lines[1].label, " 0.5000");
  EXPECT_EQ(a.lines[1].ampereLabel, "333.33 ");
  // A shunt resistance no rating gives: no ampere labels.
  EXPECT_EQ(LayoutGrid(one, 1, 16, 32, 0).lines[1].ampereLabel, "");
}

TEST(ChartLayoutTest, GridStepFollowsTheDivisionCount) {
  const std::pair<int, double> cases[] = {{400, 5},   {800, 2.5},   {1600, 1.26},
                                          {3200, 0.64}, {6400, 0.32}, {12800, 0.16}};
  for (auto [cy, step] : cases) {
    ChartState s = Window(600, 300, 100, 10);
    s.m_sizeTotal.cy = cy;
    const GridLayout g = LayoutGrid(s, 10, 16, 32, 0);
    EXPECT_NEAR(g.step, step, 1e-9) << cy;
    EXPECT_EQ(g.divisions, cy / 100) << cy;
  }
}

TEST(ChartLayoutTest, UnusableLimitOrPlotGivesNoGrid) {
  const double inf = std::numeric_limits<double>::infinity();
  for (double limit : {0.0, -10.0, std::nan(""), inf, 1e300}) {
    ChartState s = Window(600, 400, 100, limit);
    EXPECT_EQ(s.m_dHalfScale, kFallbackLimit * 1.05) << limit;  // the curves keep a scale
    EXPECT_TRUE(LayoutGrid(s, limit, 16, 32, 0).lines.empty()) << limit;
    EXPECT_EQ(s.m_gridMarks[0].y, -1);
  }
  ChartState flat = Window(600, 2, 100, 10);
  EXPECT_TRUE(LayoutGrid(flat, 10, 16, 32, 0).lines.empty());
  for (double limit : {1e-29, 1e29}) {
    ChartState s = Window(600, 400, 100, limit);
    EXPECT_FALSE(LayoutGrid(s, limit, 16, 32, 0).lines.empty()) << limit;
  }
}

TEST(ChartLayoutTest, TimeLinesAndTheirLabels) {
  ChartState s = Window(1000, 400, 200, 10);
  RecordingHeader h;
  h.dPeriod = 1;
  std::vector<int> at;
  for (const TimeLine& t : LayoutTimeLines(s, {0, 101}, h, false)) at.push_back(t.index);
  EXPECT_EQ(at, (std::vector<int>{1, 22, 43, 64, 85}));

  EXPECT_EQ(TimeLabel(h, false, 5400), "0:01:30:00   ");
  h.bDateKnown = 1;
  h.nYear = 2024, h.nMonth = 3, h.nDay = 5, h.nHour = 8, h.nMinute = 7;
  EXPECT_EQ(TimeLabel(h, false, 90), "05.03.2024\n08:08:30");
  h.dPeriod = 0.0003;
  EXPECT_EQ(TimeLabel(h, true, 5000), "  1.5000");
  h.dPeriod = std::nan("");
  EXPECT_EQ(TimeLabel(h, false, 5), kUnknownTimeText);
}

TEST(ChartLayoutTest, SupplyTraceSpansThePlotUnderItsScale) {
  ChartState s = Window(1000, 400, 200, 10);
  const SupplyLayout l(s, 101);
  EXPECT_EQ(l.X(0), 0);
  EXPECT_EQ(l.X(100), 1000);
  EXPECT_EQ(l.Y(8.0f), 0);
  EXPECT_EQ(l.Y(4.0f), 200);
  EXPECT_EQ(l.box, (Rect{925, 0, 1000, 400}));
  ASSERT_EQ(l.labels.size(), 9u);
  EXPECT_EQ(l.labels[0].text, " 0.8");
  EXPECT_EQ(l.labels[8].text, " 7.2");
  EXPECT_EQ(l.labels[0].centre, (Point{950, 360}));
  // Scrolled, the trace and its box move with the canvas.
  s.m_ptScroll = {300, 50};
  const SupplyLayout scrolled(s, 101);
  EXPECT_EQ(scrolled.X(100), 1300);
  EXPECT_EQ(scrolled.box.left, 1225);
}

TEST(ChartLayoutTest, PrintCaptionNamesRecorderStartAndComment) {
  RecordingHeader h;
  h.nDevice = 12;
  h.nYear = 2024, h.nMonth = 3, h.nDay = 5, h.nHour = 8, h.nMinute = 7;
  const std::string first = "Прибор №12     Начало измерений 05.03.2024 в 08:07\n";
  EXPECT_EQ(PrintCaption(h, "Участок 7\nвторая строка"), first + "Участок 7");
  EXPECT_EQ(PrintCaption(h, "\nвторая строка"), first);
  std::string longLine;
  for (int i = 0; i < 100; ++i) longLine += "ж";
  EXPECT_EQ(PrintCaption(h, longLine), first + longLine.substr(0, 160));
}

TEST(ChartLayoutTest, CursorAndMeasurementTexts) {
  EXPECT_EQ(CursorText(8.5, false, 0, "05.03.2024 08:07:00"), "  8.5000 B  05.03.2024 08:07:00 ");
  EXPECT_EQ(CursorText(0.5, true, 0.0015, "t"), "  0.5000 B  333.33 A  t ");

  const ChartState s = Window(1000, 400, 1001, 10);
  struct Case {
    int toX;
    bool fast;
    bool current;
    const char* text;
    bool forward;
  } cases[] = {
      {300, true, false, "  1.0000 B    0.0600 c   ", true},
      {50, true, false, "  1.0000 B   -0.0150 c   ", false},
      {50, false, false, "  1.0000 B  0:00:00:15   ", false},
      {300, false, true, "  1.0000 B  666.67 A  0:00:01:00    ", true},
      {100, false, false, "  1.0000 B  0:00:00:00   ", false},
  };
  for (const Case& c : cases) {
    const MeasureText m =
        MeasureLine(s, {100, 10}, {c.toX, 10}, 1.0, c.current, 0.0015, c.fast ? 0.0003 : 0.3, c.fast);
    EXPECT_EQ(m.text, c.text);
    EXPECT_EQ(m.forward, c.forward);
  }
  EXPECT_EQ(StatsLine({{1, -1, 2, 0.5}, {2, 0, 0.25, 0.125}}),
            "Канал 1: мин  -1.0000  макс   2.0000  ср   0.5000 B   "
            "Канал 2: мин   0.0000  макс   0.2500  ср   0.1250 B");
}

TEST(EnvelopeTest, RangeAndSumMatchEverySample) {
  std::mt19937 rng(7);
  for (int n : {0, 1, 15, 16, 17, 255, 256, 4097, 70000}) {
    std::vector<float> v(n);
    std::normal_distribution<float> value(0, 10);
    for (float& x : v) x = value(rng);
    if (n > 100) v[n / 3] = std::nanf("");
    Envelope e;
    e.Build(v.data(), n);
    EXPECT_TRUE(e.BuiltOver(v.data(), n));
    for (int k = 0; k < 300 && n > 0; ++k) {
      std::uniform_int_distribution<int> pick(0, n - 1);
      int i0 = pick(rng), i1 = pick(rng);
      if (i0 > i1) std::swap(i0, i1);
      float lo = INFINITY, hi = -INFINITY;
      double sum = 0;
      for (int i = i0; i <= i1; ++i) {
        const float x = std::isnan(v[i]) ? -INFINITY : v[i];
        lo = std::min(lo, x);
        hi = std::max(hi, x);
        sum += v[i];
      }
      const Envelope::MinMax m = e.Range(i0, i1);
      ASSERT_EQ(m.min, lo) << n << " " << i0 << " " << i1;
      ASSERT_EQ(m.max, hi);
      if (std::isnan(sum))
        EXPECT_TRUE(std::isnan(e.Sum(i0, i1)));
      else
        EXPECT_NEAR(e.Sum(i0, i1), sum, 1e-6 * (1 + std::fabs(sum)) + 1e-3);
    }
  }
}

}  // namespace
}  // namespace zet::chart
