#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "chart/chart_scale.h"
#include "chart/chart_window.h"

namespace zet::chart {
namespace {

TEST(ChartScaleTest, MulDivRoundsHalvesAwayFromZeroInSixtyFourBits) {
  struct Case {
    int a, b, c, expected;
  } cases[] = {
      {1, 1, 2, 1},          {-1, 1, 2, -1},       {3, 1, 2, 2},    {-3, 1, 2, -2},
      {1, 1, 3, 0},          {2, 1, 3, 1},         {-5, 2, -4, 3},  {5, 2, -4, -3},
      {2500, 600, 2540, 591}, {100000, 100000, 100000, 100000},   {7, 9, 0, -1},
      {INT_MAX, INT_MAX, 1, INT_MAX},              {INT_MIN, INT_MAX, 1, INT_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << " " << c.b << " " << c.c;

  // The canvas arithmetic: products past 64 bits are exact, quotients past them saturate.
  const Coord big = Coord{1} << 40;
  struct Wide {
    Coord a, b, c, expected;
  } wide[] = {
      {big, big, Coord{1} << 20, Coord{1} << 60},
      {-big, big, Coord{1} << 20, -(Coord{1} << 60)},
      {16777215, big, 16777215, big},                  // sample n − 1 of a full memory
      {LLONG_MAX, LLONG_MAX, LLONG_MAX, LLONG_MAX},
      {LLONG_MAX, 3, 2, LLONG_MAX},
      {(Coord{1} << 62) + 1, 2, 4, (Coord{1} << 61) + 1},  // 2^61 + 0.5 rounds away from zero
      {-((Coord{1} << 62) + 1), 2, 4, -((Coord{1} << 61) + 1)},
      {5, 7, 0, -1},
  };
  for (const Wide& w : wide) EXPECT_EQ(MulDiv64(w.a, w.b, w.c), w.expected) << w.a << " " << w.b << " " << w.c;
}

TEST(ChartScaleTest, CoordinatesOfSamplesValuesAndTheCursor) {
  ChartState s = Window(1000, 400, 7);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(IndexToX(s, i), MulDiv(i, 1000, 6));
  EXPECT_EQ(IndexToX(s, 6), 1000);
  // L = 10 V on a 400-row canvas.
  const std::pair<float, int> values[] = {{10.f, 9}, {5.f, 104}, {0.f, 200}, {-5.f, 295}, {-10.f, 390},
                                          {1e9f, -32750}, {-1e9f, 32500}, {NAN, 32500}, {-INFINITY, 32500}};
  for (auto [v, y] : values) EXPECT_EQ(ValueToY(s, v), y) << v;

  // The cursor falls in steps of H/525 from +H at the top row.
  EXPECT_DOUBLE_EQ(CursorValue(s, 0), 10.5);
  EXPECT_NEAR(CursorValue(s, 399), 10.5 - 1047 * 10.5 / 525, 1e-9);
  ChartState tall = Window(1000, 1050, 7);
  EXPECT_NEAR(CursorValue(tall, 100), 8.5, 1e-9);
  EXPECT_EQ(CursorIndex(s, 500), 3);

  // One sample beyond each edge of the window, within the recording.
  ChartState wide = Window(1000, 400, 101);
  EXPECT_EQ(VisibleRange(wide).first, 0);
  EXPECT_EQ(VisibleRange(wide).last, 100);
  wide.m_sizeTotal.cx = 4000;
  SetChartScrollSizes(wide, wide.m_sizeTotal);
  ScrollToClamped(wide, {1000, 0});
  EXPECT_EQ(VisibleRange(wide).first, 24);
  EXPECT_EQ(VisibleRange(wide).last, 51);
}

TEST(ChartScaleTest, ScrollSizesFollowThePlotAndStayWithinTheCanvasLimit) {
  ChartState s = Window(1000, 400, 100);
  SetChartScrollSizes(s, {kMaxCanvas + 5, 800});
  EXPECT_EQ(s.bars.total, (Size{kMaxCanvas, 800}));
  EXPECT_EQ(s.bars.page, (Size{900, 360}));
  EXPECT_EQ(s.bars.line, (Size{45, 18}));
  SetChartScrollSizes(s, {0, 900});  // ignored
  EXPECT_EQ(s.bars.total, (Size{kMaxCanvas, 800}));
  ScrollToClamped(s, {2 * kMaxCanvas, -5});
  EXPECT_EQ(s.bars.pos, (Point{kMaxCanvas - 1000, 0}));
  EXPECT_EQ(s.m_ptScroll, s.bars.pos);

  ChartState tiny = Window(1, 1, 100);  // 0.9 of one pixel: a twentieth of the canvas
  SetChartScrollSizes(tiny, {400, 200});
  EXPECT_EQ(tiny.bars.page, (Size{20, 10}));
  EXPECT_EQ(tiny.bars.line, (Size{1, 0}));

  // The window system's bars count in int: beyond 2^30 in units of a power of two.
  struct Bar {
    Coord limit, position;
    int value;
  } bars[] = {{5000, 1234, 1234}, {kBarRange, kBarRange, 1 << 30}, {kBarRange + 1, 8, 4},
              {kMaxCanvas, kMaxCanvas / 2, 1 << 29}};
  for (const Bar& b : bars) {
    EXPECT_EQ(ToBar(b.position, b.limit), b.value) << b.limit;
    EXPECT_LE(ToBar(b.limit, b.limit), 1 << 30);
    EXPECT_EQ(FromBar(ToBar(b.limit, b.limit), b.limit), b.limit);  // the bar's end is the canvas's
    EXPECT_LE(b.position - FromBar(b.value, b.limit), Coord{1} << BarShift(b.limit));
  }
}

TEST(ChartScaleTest, TimeStretchDoublesUntilOneSampleIntervalWouldFillTheWindow) {
  ChartState s = Window(1000, 400, 10);
  std::vector<int> widths;
  for (int k = 0; k < 5; ++k) {
    StretchTime(s);
    widths.push_back(s.m_sizeTotal.cx);
  }
  EXPECT_EQ(widths, (std::vector<int>{2000, 4000, 8000, 8000, 8000}));
  EXPECT_FALSE(CanStretchTime(s));

  // A full memory too stretches until the window shows one or two sample
  // intervals, sample and value coordinates staying exact.
  ChartState big = Window(1000, 400, 1 << 24);
  while (CanStretchTime(big)) StretchTime(big);
  const double intervals = 1000.0 * ((1 << 24) - 1) / static_cast<double>(big.m_sizeTotal.cx);
  EXPECT_GT(intervals, 0.99);
  EXPECT_LE(intervals, 2);
  EXPECT_EQ(IndexToX(big, (1 << 24) - 1), big.m_sizeTotal.cx);
  EXPECT_EQ(CursorIndex(big, big.m_sizeTotal.cx - big.m_ptScroll.x), (1 << 24) - 1);
  while (CanStretchValues(big)) StretchValues(big);
  EXPECT_EQ(big.m_sizeTotal.cy, kMaxCanvas);
  EXPECT_EQ(ValueToY(big, -10.5f), kMaxCanvas);

  // The time at the window's centre stays there.
  ChartState c = Window(1000, 400, 100000);
  StretchTime(c);
  ScrollToClamped(c, {300, 0});
  const double centre = (c.m_ptScroll.x + 500.0) / c.m_sizeTotal.cx;
  StretchTime(c);
  EXPECT_NEAR((c.m_ptScroll.x + 500.0) / c.m_sizeTotal.cx, centre, 1e-3);

  // Compressing below the window: the next drawing shows exactly the window.
  CompressTime(c);
  CompressTime(c);
  CompressTime(c);
  PrepareScreenDrawing(c, 10, false);
  EXPECT_EQ(c.m_sizeTotal.cx, 1000);
  EXPECT_FALSE(CanCompressTime(c));
}

TEST(ChartScaleTest, ZoomCommandsNeedTwoSamples) {
  for (int n : {0, 1}) {
    ChartState s = Window(1000, 400, n);
    EXPECT_FALSE(CanStretchTime(s) || CanCompressTime(s) || CanStretchValues(s) || CanCompressValues(s));
    EXPECT_FALSE(StretchTime(s) || CompressTime(s) || StretchValues(s) || CompressValues(s));
    EXPECT_FALSE(ZoomToRect(s, {0, 0}, {500, 300}).zoomed);
    EXPECT_EQ(s.m_sizeTotal, (Size{1000, 400}));
  }
  ChartState s = Window(1000, 400, 50);
  EXPECT_TRUE(CanStretchValues(s));
  EXPECT_FALSE(CanCompressValues(s));
  while (CanStretchValues(s)) StretchValues(s);
  EXPECT_EQ(s.m_sizeTotal.cy, kMaxCanvas);
  EXPECT_TRUE(CanCompressValues(s));
}

TEST(ChartScaleTest, RubberBandZoom) {
  // A diagonal of 10 pixels or less does nothing.
  ChartState s = Window(1000, 400, 1001);
  EXPECT_FALSE(ZoomToRect(s, {100, 100}, {108, 106}).zoomed);
  EXPECT_EQ(s.m_sizeTotal, (Size{1000, 400}));
  EXPECT_TRUE(ZoomToRect(s, {100, 100}, {108, 107}).zoomed);

  // Narrower than two sample intervals: two intervals fill the window.
  s = Window(1000, 400, 1001);
  ZoomToRect(s, {500, 100}, {500, 300});
  EXPECT_EQ(s.m_sizeTotal.cx, 500000 > kMaxCanvas ? kMaxCanvas : 500000);
  ChartState few = Window(1000, 400, 11);
  ZoomToRect(few, {300, 100}, {310, 300});
  EXPECT_EQ(few.m_sizeTotal.cx, 5000);
  EXPECT_EQ(few.m_sizeTotal.cy, MulDiv(400, 400, 200));
  // The rectangle's top goes to the window's top, its centre to the centre.
  EXPECT_EQ(few.m_ptScroll.y, MulDiv(100, 400, 200));
  EXPECT_EQ(few.m_ptScroll.x, static_cast<int>(5000.0 / 1000 * 305 - 500));

  // A band over one sample interval of a full memory still shows two.
  ChartState full = Window(1000, 400, 1 << 24);
  ZoomToRect(full, {500, 100}, {500, 300});
  EXPECT_EQ(full.m_sizeTotal.cx, MulDiv64(1000, (1 << 24) - 1, 2));
  const SampleRange shown = VisibleRange(full);
  EXPECT_LE(shown.last - shown.first, 4);  // two intervals and one sample beyond each edge

  // Too tall a canvas: held at the limit around the window's centre value, with a beep.
  for (Point corner : {Point{400, 201}, Point{400, 200}}) {
    ChartState v = Window(1000, 400, 1001);
    for (int k = 0; k < 27; ++k) StretchValues(v);  // 400 · 2^27 rows: a one-row band would pass the limit
    const double before = CursorValue(v, 200);
    const ZoomResult r = ZoomToRect(v, {100, 200}, corner);
    EXPECT_TRUE(r.zoomed && r.beep);
    EXPECT_EQ(v.m_sizeTotal.cy, kMaxCanvas);
    EXPECT_NEAR(CursorValue(v, 200), before, 2 * 10.5 / 525);
  }
}

TEST(ChartScaleTest, SpanZoomIsTheRubberBandOverSamplesAtFullHeight) {
  // One sample a pixel: a band from x to x' is the span of samples x..x'.
  ChartState band = Window(1000, 400, 1001), span = band;
  ZoomToRect(band, {100, 0}, {400, 400});
  EXPECT_TRUE(ZoomToSpan(span, 100, 400).zoomed);
  EXPECT_EQ(span.m_sizeTotal, band.m_sizeTotal);
  EXPECT_EQ(span.m_ptScroll, band.m_ptScroll);
  EXPECT_EQ(span.m_sizeTotal.cy, 400);

  // Any span the canvas can carry fills the window from its first sample to its last.
  const struct {
    int n, first, last;
  } cases[] = {{20001, 0, 999}, {20001, 5000, 5700}, {20001, 19000, 20000}, {30001, 12345, 13344}};
  for (const auto& c : cases) {
    ChartState s = Window(1000, 400, c.n);
    ZoomToSpan(s, c.first, c.last);
    EXPECT_NEAR(IndexToX(s, c.first) - s.m_ptScroll.x, 0, 1) << c.first;
    EXPECT_NEAR(IndexToX(s, c.last) - s.m_ptScroll.x, 1000, 1) << c.last;
  }
}

TEST(ChartScaleTest, SupplyModeShowsTheWholeRecordAndComesBack) {
  ChartState s = Window(1000, 400, 5000);
  StretchTime(s);
  StretchValues(s);
  ScrollToClamped(s, {700, 150});
  const Size zoom = s.m_sizeTotal;
  const Point pos = s.m_ptScroll;
  ToggleSupplyVoltage(s);
  EXPECT_TRUE(s.m_bSupplyVoltage);
  EXPECT_EQ(s.m_sizeTotal, (Size{1000, 400}));
  EXPECT_EQ(s.m_ptScroll, (Point{0, 0}));
  ToggleSupplyVoltage(s);
  EXPECT_EQ(s.m_sizeTotal, zoom);
  EXPECT_EQ(s.m_ptScroll, pos);

  // A zoom while it is on leaves the mode and keeps the new zoom.
  ToggleSupplyVoltage(s);
  StretchTime(s);
  EXPECT_FALSE(s.m_bSupplyVoltage);
  EXPECT_EQ(s.m_sizeTotal, (Size{2000, 400}));
}

TEST(ChartScaleTest, ScrollGesturesHideTheGridUntilTheyEnd) {
  struct Case {
    bool vertical;
    ScrollCode code;
    bool doneAfter;
  } cases[] = {{false, kLineUp, false},     {false, kPageDown, false}, {false, kThumbTrack, false},
               {false, kBottom, false},     {true, kLineDown, true},   {true, kPageUp, true},
               {true, kThumbPosition, false}, {true, kThumbTrack, false}, {true, kTop, true}};
  for (const Case& c : cases) {
    ChartState s = Window(1000, 400, 100);
    EXPECT_FALSE(OnScroll(s, c.vertical, c.code));
    EXPECT_EQ(s.m_bScrollDone, c.doneAfter) << c.vertical << c.code;
    EXPECT_TRUE(OnScroll(s, c.vertical, kEndScroll));
    EXPECT_TRUE(s.m_bScrollDone);
  }
}

TEST(ChartScaleTest, PrintingFillsThePageWithTheWindowsSamplesAndRestores) {
  // Default margins, 600 dpi, printable area 0.25 inch in from the sheet's edge.
  const Rect page = PrintPageRect(Margins{}, 600, 600, {150, 150}, 4800, 6300);
  EXPECT_EQ(page, (Rect{441, 204, 4800 - 354, 6300 - 354}));
  EXPECT_EQ(PrintStrokeWidth(600), 11);
  EXPECT_EQ(PrintStrokeWidth(96), 1);

  ChartState s = Window(1000, 400, 10001);
  StretchTime(s);
  StretchTime(s);
  ScrollToClamped(s, {1500, 0});
  const SampleRange screen = VisibleRange(s);
  const Size canvas = s.m_sizeTotal;
  const Point pos = s.m_ptScroll;
  BeginPrinting(s, page);
  PreparePrintDrawing(s, 10, false, 0);
  const SampleRange paper = VisibleRange(s);
  EXPECT_NEAR(paper.first, screen.first, 1);
  EXPECT_NEAR(paper.last, screen.last, 1);
  const int a = MulDiv(10000, s.m_ptScroll.x, s.m_sizeTotal.cx);
  const int b = MulDiv(10000, s.m_nPlotWidth + s.m_ptScroll.x, s.m_sizeTotal.cx);
  EXPECT_EQ(IndexToX(s, a), page.left);
  EXPECT_EQ(IndexToX(s, b), page.right);
  EXPECT_EQ(s.m_nPlotHeight, static_cast<int>(page.Height() * 0.95));
  EndPrinting(s);
  EXPECT_EQ(s.m_sizeTotal, canvas);
  EXPECT_EQ(s.m_ptScroll, pos);
  EXPECT_EQ(s.m_nPlotWidth, 1000);
  EXPECT_FALSE(s.m_bPrinting);
}

}  // namespace
}  // namespace zet::chart
