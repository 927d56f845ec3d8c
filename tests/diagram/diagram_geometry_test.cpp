// Where samples land on the diagram, its grid and labels, and the texts of a sample.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>
#include <cmath>
#include <limits>
#include <set>

#include "diagram/diagram_geometry.h"
#include "diagram/trace_map.h"

namespace zet {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(DiagramGeometry, SamplesMapToTheCompassPlaneTruncatedTowardZero) {
  // A 400 x 300 area at x 100: the 300-pixel square in its middle.
  const DiagramLayout l(100, 400, 300, 10, 1);
  struct Case {
    double e, n;
    DiagramPoint p;
  } cases[] = {
      {0, 10, {300, 0}},          // north edge: top centre
      {-10, 0, {150, 150}},       // west edge: the square's left
      {10, -10, {450, 300}},      // south-east corner
      {0, 0, {300, 150}},         // centre
      {-10.1, 0, {149, 150}},     // -1.5 truncates to -1, not -2
      {2.5, 5, {337, 75}},
  };
  for (const Case& c : cases) {
    std::optional<DiagramPoint> p = l.Map(c.e, c.n);
    ASSERT_TRUE(p) << c.e << " " << c.n;
    EXPECT_EQ(*p, c.p) << c.e << " " << c.n;
  }
  // Zoom 2 halves the edge: 5 V is now the top.
  EXPECT_EQ(DiagramLayout(100, 400, 300, 10, 2).Map(0, 5), (DiagramPoint{300, 0}));
}

TEST(DiagramGeometry, OneScaleForEastAndNorthCentredInAnyArea) {
  struct Area {
    int left, width, height;
  } areas[] = {{100, 400, 300}, {0, 201, 99}, {10, 99, 201}, {0, 300, 300}};
  for (const Area& a : areas) {
    const DiagramLayout l(a.left, a.width, a.height, 10, 1);
    const std::string where = std::to_string(a.width) + "x" + std::to_string(a.height);
    EXPECT_EQ(l.side, std::min(a.width, a.height)) << where;
    EXPECT_LE(std::abs((l.left - a.left) - (a.left + a.width - l.left - l.side)), 1) << where;
    EXPECT_LE(std::abs(l.top - (a.height - l.top - l.side)), 1) << where;
    // A vector at 45 degrees is drawn at 45 degrees, and the edge is as far west as north.
    const DiagramPoint c = l.Centre(), ne = *l.Map(5, 5);
    EXPECT_EQ(ne.x - c.x, c.y - ne.y) << where;
    EXPECT_EQ(c.x - l.Map(-10, 0)->x, c.y - l.Map(0, 10)->y) << where;
    for (const DiagramBox& b : RingBoxes(l)) EXPECT_EQ(b.right - b.left, b.bottom - b.top) << where;
  }
}

TEST(DiagramGeometry, NothingIsPlacedWithoutAUsableScaleSizeOrValue) {
  const DiagramLayout unusable[] = {
      {0, 400, 300, 0, 1},   {0, 400, 300, -10, 1},   {0, 400, 300, 10, 0}, {0, 400, 300, kNaN, 1},
      {0, 400, 300, kInf, 1}, {0, 0, 300, 10, 1},     {0, 400, -5, 10, 1},
  };
  for (const DiagramLayout& l : unusable) {
    EXPECT_FALSE(l.CanMap()) << l.left << " " << l.side << " " << l.scale;
    EXPECT_FALSE(l.Map(1, 1));
  }
  const DiagramLayout l(0, 400, 300, 0.1, 16);
  for (double v : {kNaN, kInf, -kInf, 1e30, -1e12}) {
    EXPECT_FALSE(l.Map(v, 0)) << v;
    EXPECT_FALSE(l.Map(0, v)) << v;
  }
}

TEST(DiagramGeometry, TraceNeverReadsPastEitherChannelAndKeepsEachPlaceOnce) {
  LogDocument doc;
  doc.m_pChannel1 = std::vector<float>{0, 10, std::numeric_limits<float>::quiet_NaN(), -10, 0};
  doc.m_pChannel2 = std::vector<float>{0, 0, 0, 0, 0, 10, 10};
  const DiagramLayout l(0, 200, 200, 10, 1);
  const DiagramBox all{-1, -1, 201, 201};
  // Channel 1 is the shorter; the NaN sample is left out, and sample 4 lands
  // where sample 0 did.
  EXPECT_EQ(TracePoints(doc, l, 1000, all), (std::vector<DiagramPoint>{{100, 100}, {100, 0}, {100, 200}}));
  EXPECT_EQ(TracePoints(doc, l, 1000, {0, 1, 200, 200}), (std::vector<DiagramPoint>{{100, 100}}));
  EXPECT_EQ(TracePoints(doc, l, 2, all).size(), 2u);
  EXPECT_TRUE(TracePoints(doc, l, -1, all).empty());
  EXPECT_TRUE(TracePoints(doc, l, 1000, {0, 0, 0, 0}).empty());
  EXPECT_FALSE(SamplePoint(doc, l, 5));
  EXPECT_FALSE(SamplePoint(doc, l, -1));
  doc.m_pChannel2->resize(1);  // now channel 2 is the shorter
  EXPECT_EQ(TracePoints(doc, l, 1000, all).size(), 1u);
  EXPECT_FALSE(SamplePoint(doc, l, 1));
  EXPECT_TRUE(HasDiagramData(doc));
  doc.m_pChannel2->clear();
  EXPECT_FALSE(HasDiagramData(doc));
  doc.m_pChannel2.reset();
  EXPECT_TRUE(TracePoints(doc, l, 1000, all).empty());
}

TEST(DiagramGeometry, TraceMapHoldsTheTraceUpToAnyPosition) {
  LogDocument doc;
  // Samples 3 and 5 land where 1 did, 4 is outside and 6 is not a number.
  doc.m_pChannel1 = std::vector<float>{0, 5, -5, 5, 50, 5, std::numeric_limits<float>::quiet_NaN(), 1};
  doc.m_pChannel2 = std::vector<float>{0, 5, 5, 5, 0, 5, 0, -1};
  const DiagramLayout l(0, 40, 40, 10, 1);
  const DiagramBox box = l.Square();
  const TraceMap map(doc, l, box);
  ASSERT_TRUE(map.Built());
  for (int count : {0, 1, 2, 4, 6, 8}) {
    std::set<std::pair<int, int>> fromMap, fromSamples;
    for (int y = 0; y < map.Height(); ++y)
      for (int x = 0; x < map.Width(); ++x)
        if (map.Row(y)[x] < count) fromMap.insert({x, y});
    for (const DiagramPoint& p : TracePoints(doc, l, count, box)) fromSamples.insert({p.x, p.y});
    EXPECT_EQ(fromMap, fromSamples) << count;
  }
  EXPECT_EQ(map.Row(10)[30], 1);  // (5, 5) lands at (30, 10), first reached by sample 1

  EXPECT_TRUE(map.Fits(doc, l, box));
  EXPECT_FALSE(map.Fits(doc, DiagramLayout(0, 40, 40, 10, 2), box));
  EXPECT_FALSE(map.Fits(doc, l, {0, 0, 20, 20}));
  doc.m_pChannel1->pop_back();
  EXPECT_FALSE(map.Fits(doc, l, box));
  EXPECT_FALSE(TraceMap(doc, l, {0, 0, 0, 40}).Built());
  EXPECT_FALSE(TraceMap(doc, l, {0, 0, 1 << 13, 1 << 13}).Built());  // larger than any screen
}

TEST(DiagramGeometry, GridLinesAndRingsInIntegerArithmetic) {
  // The degree constant is a hair below pi/180: sin 30 and sin 90 fall short
  // of 0.5 and 1 and truncate down.
  const DiagramLayout l(0, 200, 100, 10, 1);
  const std::array<DiagramLine, 6> lines = {{
      {{200, 50}, {0, 50}},
      {{186, 99}, {14, 1}},
      {{150, 136}, {50, -36}},
      {{100, 149}, {100, -49}},
      {{51, 136}, {149, -36}},
      {{14, 100}, {186, 0}},
  }};
  EXPECT_EQ(GridLines(l), lines);

  const DiagramLayout odd(10, 99, 201, 10, 1);
  const std::array<DiagramBox, 5> rings = {{
      {14, 55, 104, 145},
      {24, 65, 94, 135},
      {34, 75, 84, 125},
      {44, 85, 74, 115},
      {54, 95, 64, 105},
  }};
  EXPECT_EQ(RingBoxes(odd), rings);
}

TEST(DiagramGeometry, RingLabelsAndSampleTextsKeepTheirDecimalPoint) {
  std::setlocale(LC_ALL, "ru_RU.UTF-8");  // a decimal comma must not creep in
  EXPECT_EQ(RingLabels(10.0 / 1), (std::array<std::string, 5>{"  9.000", "  7.000", "  5.000", "  3.000", "  1.000"}));
  EXPECT_EQ(RingLabels(1.0 / 2), (std::array<std::string, 5>{"  0.450", "  0.350", "  0.250", "  0.150", "  0.050"}));

  struct Azimuth {
    float e, n;
    const char* text;
  } azimuths[] = {
      {1, 1, "Азимут   -45 ° "},  {0, -1, "Азимут   180 ° "}, {-1, 0, "Азимут    90 ° "},
      {0, 1, "Азимут     0 ° "},  {1, 0, "Азимут   -90 ° "},  {-1, -1, "Азимут   135 ° "},
      {1, -1, "Азимут  -135 ° "}, {0, 0, "Азимут   -90 ° "},
  };
  for (const Azimuth& a : azimuths) EXPECT_EQ(AzimuthText(a.e, a.n), a.text) << a.e << " " << a.n;

  EXPECT_EQ(PotentialText(0.3f, 0.4f), "Потенциал   500.00 мВ   ");
  EXPECT_EQ(PotentialText(3, 4), "Потенциал     5.00  В      ");
  EXPECT_EQ(PotentialText(0, -1), "Потенциал     1.00  В      ");
  EXPECT_EQ(PotentialText(0, 0), "Потенциал     0.00 мВ   ");
  std::setlocale(LC_ALL, "C");
}

TEST(DiagramGeometry, HeadingOnlyForARecording) {
  RecordingHeader h;
  EXPECT_EQ(HeadingText(h), "");
  h.nDevice = 12;
  h.nDay = 5;
  h.nMonth = 3;
  h.nYear = 2024;
  h.nHour = 9;
  h.nMinute = 7;
  EXPECT_EQ(HeadingText(h), "Прибор №12     Начало измерений 05.03.2024 в 09:07");
}

}  // namespace
}  // namespace zet
