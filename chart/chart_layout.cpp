#include "chart/chart_layout.h"

#include <algorithm>
#include <cmath>

#include "base/settings.h"
#include "base/text_format.h"

namespace zet::chart {
namespace {

constexpr double kOneOver525 = 0.0019047619047619048;

// Seconds of a time span as the span text "%D:%H:%M:%S   ".
std::string SpanText(double seconds) {
  RecordingHeader elapsed;
  elapsed.dPeriod = 1.0;
  // Out of range spans come back as the unknown-time text.
  const double s = std::isfinite(seconds) ? std::clamp(seconds, -1e15, 1e15) : 1e15;
  return GetTimeText(elapsed, static_cast<long long>(s));
}

// printf("%8.4f", x), or the unknown-time text for a number no clock reaches.
std::string Seconds(double x, const char* fmt) {
  if (std::isfinite(x) && std::fabs(x) >= 1e15) return kUnknownTimeText;
  return CFormat(fmt, x);
}

}  // namespace

bool ShowsCurrent(const ChartState& s, double r) { return s.m_bShowCurrent && UsableShuntResistance(r); }

// ---- value grid ---------------------------------------------------------------------

GridLayout LayoutGrid(ChartState& s, double limit, int textLine, int twoTextLines, double shuntResistance) {
  GridLayout g;
  for (GridMark& m : s.m_gridMarks) m = GridMark{};
  const Coord P = s.m_rcPlot.Height() / 3;
  if (!UsableLimit(limit) || P <= 0) return g;
  const double L = limit;
  const double H = s.m_dHalfScale;
  const Coord cy = s.m_sizeTotal.cy;
  Coord N = 2;
  while (cy / N > P) N *= 2;
  const double stepV = 2 * L / static_cast<double>(N);
  const double q = H * kOneOver525;
  double step = q;
  for (int k = 1; step < stepV; ++k) step = k * q;
  g.divisions = N;
  g.step = step;

  const YMap toY(s);
  const Coord dy = s.m_ptScroll.y - s.m_ptPrintOffset.y;
  const Coord topFree = s.m_rcPlot.top + textLine + dy;
  const Coord bottomFree = s.m_rcPlot.bottom - twoTextLines + dy;
  const bool current = ShowsCurrent(s, shuntResistance);
  std::size_t marks = 0;
  auto add = [&](double v) {
    const Coord y = toY(static_cast<float>(v));
    if (y < topFree || y > bottomFree) return;
    GridLine line;
    line.y = y;
    line.value = v;
    line.label = CFormat(H > 1.1 ? " %6.3f" : " %6.4f", v);
    if (current) line.ampereLabel = CFormat("%6.2f ", ShuntAmperes(v, shuntResistance));
    if (marks < s.m_gridMarks.size()) s.m_gridMarks[marks++] = {y, static_cast<float>(v)};
    g.lines.push_back(std::move(line));
  };
  for (double v = 0; v <= H; v += step) add(v);
  for (double v = -step; v >= -H; v -= step) add(v);
  return g;
}

// ---- time lines ------------------------------------------------------------------------

std::string TimeLabel(const RecordingHeader& header, bool fastSampling, long long i) {
  if (fastSampling) return Seconds(static_cast<double>(i) * header.dPeriod, "%8.4f");
  std::string t = GetTimeText(header, i);
  // The date form "dd.mm.yyyy hh:mm:ss" is shown on two lines.
  if (t.size() == 19 && t[10] == ' ') t[10] = '\n';
  return t;
}

std::vector<TimeLine> LayoutTimeLines(const ChartState& s, SampleRange range, const RecordingHeader& header,
                                      bool fastSampling) {
  std::vector<TimeLine> lines;
  if (range.last < range.first) return lines;
  const long long step = (static_cast<long long>(range.last) - range.first) / 5 + 1;
  const XMap toX(s);
  for (long long i = range.first + 1LL; i <= range.last; i += step) {
    TimeLine t;
    t.index = static_cast<int>(i);
    t.x = toX(t.index);
    t.label = TimeLabel(header, fastSampling, i);
    lines.push_back(std::move(t));
  }
  return lines;
}

// ---- supply voltage ----------------------------------------------------------------------

SupplyLayout::SupplyLayout(const ChartState& s, int supplyCount)
    : left_(s.m_rcPlot.left),
      width_(s.m_rcPlot.Width()),
      last_(std::max(supplyCount - 1, 1)),
      // On the screen the canvas is scrolled; a page is drawn where it stands.
      shift_{s.m_ptScroll.x - s.m_ptPrintOffset.x, s.m_ptScroll.y - s.m_ptPrintOffset.y},
      bottom_(s.m_rcPlot.bottom),
      height_(s.m_rcPlot.Height()) {
  const Rect r = s.m_bPrinting ? s.m_rcPlot : s.m_rcClient;
  box = {static_cast<Coord>(static_cast<double>(r.right) * 0.925) + shift_.x, r.top + shift_.y, r.right + shift_.x,
         r.bottom + shift_.y};
  axisX = (box.left + box.right) / 2;
  const int W = s.m_nPlotWidth;
  const int Hp = s.m_nPlotHeight;
  for (int k = 1; k <= 9; ++k) {
    Label l;
    l.text = CFormat("%4.1f", k * kSupplyFullScale * 0.1);
    l.centre = {s.m_rcPlot.left + static_cast<int>(W * 0.95) + shift_.x,
                s.m_rcPlot.top + Hp - Hp * k / 10 + shift_.y};
    labels.push_back(std::move(l));
  }
}

Coord SupplyLayout::X(int k) const { return left_ + width_ * k / last_ + shift_.x; }

Coord SupplyLayout::Y(float volts) const {
  double d = static_cast<double>(height_) * static_cast<double>(volts) / kSupplyFullScale;
  if (!(d > -32750)) d = -32750;  // not a number: at the bottom
  if (d > 32750) d = 32750;
  return bottom_ - static_cast<Coord>(d) + shift_.y;
}

// ---- printing ------------------------------------------------------------------------------

std::string PrintCaption(const RecordingHeader& h, const std::string& comment) {
  // Under it the comment's first line, at most 80 characters.
  const std::string firstLine = comment.substr(0, comment.find_first_of("\r\n"));
  return RecordingHeading(h) + '\n' + Utf8Prefix(firstLine, 80);
}

// ---- cursor read-out ------------------------------------------------------------------------

std::string CursorText(double value, bool current, double r, const std::string& time) {
  if (current) return CFormat("%8.4f B  %6.2f A  %s ", value, ShuntAmperes(value, r), time.c_str());
  return CFormat("%8.4f B  %s ", value, time.c_str());
}

std::string ChannelValueText(int channel, double value, bool current, double r) {
  const std::string volts = CFormat("Канал %d: %8.4f B", channel, value);
  return current ? volts + CFormat("  %6.2f A", ShuntAmperes(value, r)) : volts;
}

Point ReadoutOrigin(Size block, Size client, const std::vector<Rect>& keepOut) {
  auto clear = [&](Point o) {
    const Rect r{o.x, o.y, o.x + block.cx, o.y + block.cy};
    return std::none_of(keepOut.begin(), keepOut.end(), [&](const Rect& k) { return r.Intersects(k); });
  };
  std::vector<Point> places{{5, 5}};
  for (const Rect& k : keepOut) places.push_back({k.right + 5, 5});
  for (const Rect& k : keepOut) places.push_back({5, k.bottom + 2});
  // Whole in the window if it can be; clear of the labels in any case.
  for (bool whole : {true, false})
    for (Point o : places)
      if ((!whole || o.x + block.cx <= client.cx) && clear(o)) return o;
  Point below{5, 5};
  for (const Rect& k : keepOut) below.y = std::max(below.y, k.bottom + 2);
  return below;
}

double CursorReading(const ChartState& s, Coord yc) {
  const Coord y = yc + s.m_ptScroll.y;
  for (const GridMark& m : s.m_gridMarks)
    if (m.y != -1 && m.y == y) return m.value;
  return CursorValue(s, yc);
}

MeasureText MeasureLine(const ChartState& s, Point start, Point p, double dv, bool current, double r, double period,
                        bool fastSampling) {
  const Coord di = MulDiv64(p.x - start.x, s.m_nSamples - 1, std::max<Coord>(s.m_sizeTotal.cx, 1));
  std::string time;
  if (fastSampling) {
    time = Seconds(static_cast<double>(di) * period, "%8.4f c   ");
  } else {
    const double t = static_cast<double>(di) * period;
    // Whole seconds first, then the sign dropped: a span is shown positive.
    time = SpanText(std::fabs(std::trunc(t)));
  }
  MeasureText m;
  m.forward = di > 0;
  m.text = current ? CFormat("%8.4f B  %6.2f A  %s ", dv, ShuntAmperes(dv, r), time.c_str())
                   : CFormat("%8.4f B  %s", dv, time.c_str());
  return m;
}

std::string StatsLine(const std::vector<SpanStats>& stats) {
  std::string line;
  for (const SpanStats& c : stats) {
    if (!line.empty()) line += "   ";
    line += CFormat("Канал %d: мин %8.4f  макс %8.4f  ср %8.4f B", c.channel, c.min, c.max, c.mean);
  }
  return line;
}

}  // namespace zet::chart
