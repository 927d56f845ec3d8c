#pragma once
// What one drawing of the chart puts where, independent of any painter: the
// value grid with its labels, the time lines, the supply trace and its scale,
// the print caption, and the texts of the cursor read-out.
#include <string>
#include <vector>

#include "chart/chart_scale.h"
#include "recording/recording.h"

namespace zet::chart {

// Whether the ampere labels and read-outs can be shown: the shunt display is
// on and the resistance is a positive number.
bool ShowsCurrent(const ChartState& s, double shuntResistance);

// ---- value grid -----------------------------------------------------------------

struct GridLine {
  Coord y = 0;             // canvas y (page y when printing)
  double value = 0;        // volts
  std::string label;       // " %6.3f" or " %6.4f"
  std::string ampereLabel; // "%6.2f " of value / shunt resistance; empty without current
};

struct GridLayout {
  Coord divisions = 0;  // N; 0 when no grid can be laid out
  double step = 0;    // g, volts
  std::vector<GridLine> lines;  // the lines drawn, in drawing order
};

// Lays the horizontal lines out for the current drawing (textLine and
// twoTextLines: heights of one and two lines of the label font) and records
// them in s.m_gridMarks. An unusable limit or a plot too low for a division
// gives no lines.
GridLayout LayoutGrid(ChartState& s, double limit, int textLine, int twoTextLines, double shuntResistance);

// ---- time lines -------------------------------------------------------------------

struct TimeLine {
  Coord x = 0;
  int index = 0;
  std::string label;  // may hold two lines (date over time)
};

// Vertical lines every (last − first) / 5 + 1 samples from first + 1.
std::vector<TimeLine> LayoutTimeLines(const ChartState& s, SampleRange range, const RecordingHeader& header,
                                      bool fastSampling);
// "%8.4f" seconds with fast sampling, else date and time on two lines, or the
// elapsed span "%D:%H:%M:%S   " without a start date.
std::string TimeLabel(const RecordingHeader& header, bool fastSampling, long long i);

// ---- supply voltage -----------------------------------------------------------------

inline constexpr double kSupplyFullScale = 8.0;

// The supply trace spread over the plot's width, 0 V at its bottom and 8 V at
// its top, and its scale box in the right 7.5 % of the output.
class SupplyLayout {
 public:
  SupplyLayout(const ChartState& s, int supplyCount);
  Coord X(int k) const;
  Coord Y(float volts) const;
  Rect box;  // white box, shifted with the scroll position
  Coord axisX = 0;
  struct Label {
    Point centre;
    std::string text;
  };
  std::vector<Label> labels;

 private:
  Coord left_;  // the plot's left edge: a page's margin on paper
  Coord width_;
  int last_;
  Point shift_;
  Coord bottom_, height_;
};

// ---- printing ---------------------------------------------------------------------

// Two lines: recorder and start, then the comment's first line (80 characters at most).
std::string PrintCaption(const RecordingHeader& header, const std::string& comment);

// ---- cursor read-out ----------------------------------------------------------------

// Line 1: the value (and current) under the cursor and the time of its sample.
std::string CursorText(double value, bool current, double shuntResistance, const std::string& time);
// A shown channel's value at that sample, in volts (and amperes in shunt mode).
std::string ChannelValueText(int channel, double value, bool current, double shuntResistance);
// Where a read-out block of the given size goes in the client area: at (5, 5)
// unless that covers one of the value axis' headings or top labels, then
// beside or below the first of them that leaves it clear, else below them all.
Point ReadoutOrigin(Size block, Size client, const std::vector<Rect>& keepOut);

// The value under the client row yc: a grid line's exact label when the row
// is one, else the quantised cursor value.
double CursorReading(const ChartState& s, Coord yc);

struct MeasureText {
  std::string text;
  bool forward = false;  // di > 0: drawn green, else red
};
// Line 2 of a measurement from client point start to client point p, for the
// voltage difference dv.
MeasureText MeasureLine(const ChartState& s, Point start, Point p, double dv, bool current, double shuntResistance,
                        double period, bool fastSampling);

struct SpanStats {
  int channel = 0;  // 1 or 2
  double min = 0;
  double max = 0;
  double mean = 0;
};
// Line 3: minimum, maximum and mean of each shown channel over the span.
std::string StatsLine(const std::vector<SpanStats>& stats);

}  // namespace zet::chart
