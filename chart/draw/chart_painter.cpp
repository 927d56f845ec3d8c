#include "chart/draw/chart_painter.h"

#include <QPageLayout>
#include <QPaintEngine>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "chart/chart_layout.h"

namespace zet::ui {

using chart::ChartState;
using chart::Envelope;

// ---- envelopes -------------------------------------------------------------------

const Envelope& ChartEnvelopes::For(Array which, const std::vector<float>& samples) {
  Envelope& e = env_[which];
  const int n = static_cast<int>(samples.size());
  if (!e.BuiltOver(samples.data(), n)) e.Build(samples.data(), n);
  return e;
}

void ChartEnvelopes::Invalidate() {
  for (Envelope& e : env_) e.Clear();
}

// ---- fonts ---------------------------------------------------------------------------

QFont FontFromLogFont(const LogFont& lf) {
  QFont f(QString::fromStdString(lf.lfFaceName.empty() ? std::string("Arial") : lf.lfFaceName));
  // The stored height is in device pixels (negative: character height).
  if (lf.lfHeight != 0) f.setPixelSize(std::clamp(std::abs(lf.lfHeight), 1, 500));
  if (lf.lfWeight > 0) f.setWeight(static_cast<QFont::Weight>(std::clamp(lf.lfWeight, 1, 1000)));
  f.setItalic(lf.lfItalic != 0);
  return f;
}

QFont PrintFont(const QFont& display) {
  QFont f = display;
  f.setPointSizeF(10);  // points follow the printer's resolution
  return f;
}

namespace {

using chart::Coord;

// ---- samples to pixels ------------------------------------------------------------------

// Output coordinates (the window's client area, or the page) reach the painter
// as int. A stretched canvas puts samples far beyond them: what lies beyond
// this reach is cut off first. Up to it the painter gets every coordinate
// unchanged, so a canvas of 16-bit size draws exactly as it always has.
constexpr Coord kReach = Coord{1} << 20;

bool Within(Coord v) { return v >= -kReach && v <= kReach; }
int ToInt(Coord v) { return static_cast<int>(std::clamp(v, -kReach, kReach)); }

// The piece of the segment within the reach (Liang-Barsky), appended as one line.
void AddLine(std::vector<QLine>& lines, Coord x0, Coord y0, Coord x1, Coord y1) {
  if (Within(x0) && Within(y0) && Within(x1) && Within(y1)) {
    lines.emplace_back(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1), static_cast<int>(y1));
    return;
  }
  const double ax = static_cast<double>(x0), ay = static_cast<double>(y0);
  const double dx = static_cast<double>(x1) - ax, dy = static_cast<double>(y1) - ay;
  const double reach = static_cast<double>(kReach);
  double t0 = 0, t1 = 1;
  auto edge = [&](double p, double q) {  // keeps the piece where p * t <= q
    if (p == 0) return q >= 0;
    const double t = q / p;
    if (p < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
    return true;
  };
  if (!edge(-dx, ax + reach) || !edge(dx, reach - ax) || !edge(-dy, ay + reach) || !edge(dy, reach - ay)) return;
  lines.emplace_back(static_cast<int>(std::lround(ax + t0 * dx)), static_cast<int>(std::lround(ay + t0 * dy)),
                     static_cast<int>(std::lround(ax + t1 * dx)), static_cast<int>(std::lround(ay + t1 * dy)));
}

// The largest j in [i, last] whose column is still x (X grows with the index).
template <class XF>
int LastInColumn(const XF& X, int i, int last, Coord x) {
  long long lo = i, hi = i;
  for (long long step = 1;; step *= 2) {
    hi = lo + step;
    if (hi > last) {
      hi = last + 1LL;
      break;
    }
    if (X(static_cast<int>(hi)) > x) break;
    lo = hi;
  }
  while (hi - lo > 1) {
    const long long mid = (lo + hi) / 2;
    if (X(static_cast<int>(mid)) <= x)
      lo = mid;
    else
      hi = mid;
  }
  return static_cast<int>(lo);
}

// Calls f(x, i, j) for each run of samples i..j that fall on column x.
template <class XF, class F>
void ForEachColumn(const XF& X, int first, int last, F&& f) {
  for (int i = first; i <= last;) {
    const Coord x = X(i);
    const int j = LastInColumn(X, i, last, x);
    f(x, i, j);
    i = j + 1;
  }
}

// Many samples on one column: draw per column from the envelope.
template <class XF>
bool Crowded(const XF& X, int first, int last, bool everySample) {
  if (everySample || last <= first) return false;
  const Coord columns = std::abs(X(last) - X(first)) + 1;
  return static_cast<Coord>(last) - first + 1 > 2 * columns;
}

// Joined one-unit lines, as the pen draws them segment by segment. With many
// samples a column's pixels are the vertical run between its minimum and
// maximum (the segments inside a column are vertical and joined) plus the one
// segment to the next column: the same pixels from a few lines.
template <class XF, class YF>
void DrawThinLines(QPainter& p, const float* v, int first, int last, const XF& X, const YF& Y, const Envelope* env,
                   bool everySample) {
  std::vector<QLine> lines;
  if (!env || !Crowded(X, first, last, everySample)) {
    lines.reserve(static_cast<std::size_t>(last - first) + 1);
    Coord px = X(first), py = Y(v[first]);
    for (int i = first; i <= last; ++i) {
      const Coord x = X(i), y = Y(v[i]);
      AddLine(lines, px, py, x, y);
      px = x;
      py = y;
    }
  } else {
    ForEachColumn(X, first, last, [&](Coord x, int i, int j) {
      if (j > i) {
        const Envelope::MinMax m = env->Range(i, j);
        AddLine(lines, x, Y(m.max), x, Y(m.min));
      } else {
        const Coord y = Y(v[i]);
        AddLine(lines, x, y, x, y);
      }
      if (j < last) AddLine(lines, x, Y(v[j]), X(j + 1), Y(v[j + 1]));
    });
  }
  p.drawLines(lines.data(), static_cast<int>(lines.size()));
}

// Rows of one pixel column, lo..hi, as bits.
class RowSet {
 public:
  void Reset(int lo, int hi) {
    lo_ = lo;
    hi_ = hi;
    words_.assign(static_cast<std::size_t>(std::max(hi - lo + 1, 0)) / 64 + 1, 0);
  }
  // A row as the set sees it: rows more than one beyond its ends stand in for
  // all such rows (a 2 × 2 square there covers none of the set's).
  int Row(Coord y) const { return static_cast<int>(std::clamp<Coord>(y, lo_ - 2LL, hi_ + 2LL)); }
  void Set(int r) {
    if (r < lo_ || r > hi_) return;
    const int k = r - lo_;
    words_[static_cast<std::size_t>(k >> 6)] |= std::uint64_t{1} << (k & 63);
  }
  // Whether every row of a..b that lies within lo..hi is set.
  bool All(int a, int b) const {
    a = std::max(a, lo_) - lo_;
    b = std::min(b, hi_) - lo_;
    for (int k = a; k <= b;) {
      const int w = k >> 6, end = std::min(b, (w << 6) + 63);
      const int width = end - k + 1;
      const std::uint64_t mask = (width == 64 ? ~std::uint64_t{0} : ((std::uint64_t{1} << width) - 1)) << (k & 63);
      if ((words_[static_cast<std::size_t>(w)] & mask) != mask) return false;
      k = end + 1;
    }
    return true;
  }
  // Calls run(top, bottom) for each maximal run of set rows.
  template <class F>
  void Runs(F&& run) const {
    int start = -1;
    for (int k = 0; k <= hi_ - lo_ + 1; ++k) {
      const bool set = k <= hi_ - lo_ && (words_[static_cast<std::size_t>(k >> 6)] >> (k & 63) & 1);
      if (set && start < 0) start = k;
      if (!set && start >= 0) {
        run(start + lo_, k - 1 + lo_);
        start = -1;
      }
    }
  }

 private:
  int lo_ = 0, hi_ = -1;
  std::vector<std::uint64_t> words_;
};

// The rows that the 2 × 2 squares of samples i..j cover (a sample's row and
// the next), within lo..hi. The pyramid is descended only where it can add a
// row: a bucket whose samples lie on two adjacent rows at most covers exactly
// those, and a bucket whose every possible row is covered already adds nothing.
template <class YF>
void CoveredRows(const Envelope& env, int i, int j, const YF& Y, RowSet& rows) {
  auto visit = [&](auto& self, int level, long long index) -> void {
    const Envelope::MinMax m = env.NodeRange(level, index);
    const int top = rows.Row(Y(m.max)), bottom = rows.Row(Y(m.min));
    if (rows.All(top, bottom + 1)) return;
    if (bottom - top <= 1) {  // both rows hold a sample, none between
      for (int r : {top, top + 1, bottom, bottom + 1}) rows.Set(r);
      return;
    }
    for (int c = 0; c < Envelope::kFan; ++c) self(self, level - 1, index * Envelope::kFan + c);
  };
  env.ForEachNode(i, j, [&](int level, long long index) { visit(visit, level, index); });
}

// Points: 2 × 2 squares on the screen; on paper filled circles 10 units
// across, a column's circles on adjacent rows merged into one rounded bar.
// Rows rowLo..rowHi are the output's; points beyond it are not drawn.
template <class XF, class YF>
void DrawPoints(QPainter& p, const QColor& c, bool paper, const float* v, int first, int last, const XF& X,
                const YF& Y, const Envelope* env, bool everySample, int rowLo, int rowHi) {
  const int margin = paper ? 6 : 2;
  auto outside = [&](Coord y) { return y < rowLo - margin || y > rowHi + margin; };
  if (!env || !Crowded(X, first, last, everySample)) {
    for (int i = first; i <= last; ++i) {
      const Coord x = X(i), y = Y(v[i]);
      if (outside(y) || !Within(x)) continue;
      const int xi = static_cast<int>(x), yi = static_cast<int>(y);
      if (paper)
        p.drawEllipse(QRect(QPoint(xi - 5, yi - 5), QPoint(xi + 5, yi + 5)));
      else
        p.fillRect(xi, yi, 2, 2, c);
    }
    return;
  }
  RowSet rows;
  ForEachColumn(X, first, last, [&](Coord x, int i, int j) {
    if (!Within(x)) return;
    const int xi = static_cast<int>(x);
    rows.Reset(paper ? rowLo - 6 : rowLo, paper ? rowHi + 6 : rowHi);
    CoveredRows(*env, i, j, Y, rows);
    rows.Runs([&](int top, int bottom) {
      if (paper)
        p.drawRoundedRect(QRect(QPoint(xi - 5, top - 5), QPoint(xi + 5, bottom + 4)), 5, 5);
      else
        p.fillRect(xi, top, 2, bottom - top + 1, c);
    });
  });
}

// On paper: one polyline in a thick pen (the dotted pattern runs on along it);
// crowded columns contribute their first, highest, lowest and last points.
// Page coordinates: the value axis is clamped near the page, the time axis
// covers the window's samples.
template <class XF, class YF>
void DrawThickLine(QPainter& p, const float* v, int first, int last, const XF& X, const YF& Y, const Envelope* env,
                   bool everySample) {
  QPolygon line;
  auto at = [&](Coord x, Coord y) { return QPoint(ToInt(x), ToInt(y)); };
  if (!env || !Crowded(X, first, last, everySample)) {
    line.reserve(last - first + 1);
    for (int i = first; i <= last; ++i) line << at(X(i), Y(v[i]));
  } else {
    ForEachColumn(X, first, last, [&](Coord x, int i, int j) {
      line << at(x, Y(v[i]));
      if (j > i) {
        const Envelope::MinMax m = env->Range(i, j);
        line << at(x, Y(m.max)) << at(x, Y(m.min)) << at(x, Y(v[j]));
      }
    });
  }
  p.drawPolyline(line);
}

// ---- text --------------------------------------------------------------------------------

QSize TextSize(QPainter& p, int flags, const QString& text) {
  return p.fontMetrics().boundingRect(QRect(0, 0, 0, 0), flags | Qt::TextIncludeTrailingSpaces, text).size();
}

void DrawText(QPainter& p, const QRect& r, int flags, const QString& text) {
  p.drawText(r, flags | Qt::TextIncludeTrailingSpaces, text);
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

QRect ToQRect(const chart::Rect& r) {
  return QRect(QPoint(ToInt(r.left), ToInt(r.top)), QPoint(ToInt(r.right - 1), ToInt(r.bottom - 1)));
}

// ---- the drawing's parts -------------------------------------------------------------------

struct Frame {
  QPainter& p;
  ChartState& s;
  const LogDocument& doc;
  const ChartStyle& style;
  ChartEnvelopes& env;
  bool raster;     // the device can invert pixels (the grid's dotted pen)
  chart::Point shift;  // (sx − ox, sy − oy): canvas less this is output
};

void DrawGrid(Frame& f, chart::SampleRange range) {
  QPainter& p = f.p;
  ChartState& s = f.s;
  if (!s.m_bPrinting) p.setFont(f.style.font);
  const int T2 = TextSize(p, 0, QStringLiteral("A\nA")).height();
  const int T1 = T2 / 2;
  const chart::GridLayout grid = chart::LayoutGrid(s, f.doc.m_dLimit, T1, T2, f.doc.m_dShuntResistance);
  const bool current = chart::ShowsCurrent(s, f.doc.m_dShuntResistance);
  const QPen gridPen(QColor(192, 192, 192), 1, Qt::DotLine);
  const QPainter::CompositionMode notXor =
      f.raster ? QPainter::RasterOp_NotSourceXorDestination : QPainter::CompositionMode_SourceOver;
  auto line = [&](int x0, int y0, int x1, int y1) {
    p.setCompositionMode(notXor);
    p.setPen(gridPen);
    p.drawLine(x0, y0, x1, y1);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  };
  const QRect visible = ToQRect(s.m_rcPlot);
  const int left = visible.left();
  const int right = visible.right() + 1;
  QColor textColour = Qt::black;
  // The top label's place and the headings', kept free by the cursor read-out.
  std::vector<QRect> topLabel;
  int topY = 0;
  for (const chart::GridLine& g : grid.lines) {
    const int y = ToInt(g.y - f.shift.y);
    line(left, y, right, y);
    const QString label = Q(g.label);
    const QSize size = TextSize(p, Qt::TextSingleLine, label);
    std::vector<QRect> places;
    if (current) {
      textColour = f.style.crChannel1;
      p.setPen(textColour);
      places.emplace_back(QPoint(left, y - size.height() / 2), size);
      DrawText(p, places.back(), Qt::AlignHCenter | Qt::TextSingleLine, label);
      const QString amperes = Q(g.ampereLabel);
      const QSize asize = TextSize(p, Qt::TextSingleLine, amperes);
      textColour = f.style.crChannel2;
      p.setPen(textColour);
      places.emplace_back(QPoint(right - asize.width(), y - asize.height() / 2), asize);
      DrawText(p, places.back(), Qt::AlignHCenter | Qt::TextSingleLine, amperes);
    } else {
      p.setPen(Qt::black);
      const int centre = left + visible.width() / 2;
      places.emplace_back(QPoint(centre - size.width() / 2, y - size.height() / 2), size);
      DrawText(p, places.back(), Qt::AlignHCenter | Qt::TextSingleLine, label);
    }
    if (topLabel.empty() || y < topY) {
      topLabel = places;
      topY = y;
    }
  }
  auto heading = [&](int flags, const QString& text) {
    DrawText(p, visible, flags, text);
    topLabel.push_back(p.fontMetrics().boundingRect(visible, flags | Qt::TextIncludeTrailingSpaces, text));
  };
  if (current) {
    p.setPen(textColour);
    heading(Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine, QStringLiteral("A    "));
    p.setPen(f.style.crChannel1);
    heading(Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, QStringLiteral("    B"));
  } else {
    p.setPen(Qt::black);
    heading(Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, QStringLiteral("B"));
  }
  if (!s.m_bPrinting)
    for (const QRect& r : topLabel) s.m_rcAxisTop.push_back({r.left(), r.top(), r.right() + 1, r.bottom() + 1});

  const int top = visible.top();
  const int bottom = visible.bottom() + 1;
  // The seconds' unit stands in the bottom right corner.
  const QString unit = QStringLiteral("c  ");
  const int labelsRight = right - (f.doc.m_bFastSampling ? TextSize(p, Qt::TextSingleLine, unit).width() : 0);
  for (const chart::TimeLine& t :
       chart::LayoutTimeLines(s, range, f.doc.m_header, f.doc.m_bFastSampling)) {
    const int x = ToInt(t.x - f.shift.x);
    line(x, top, x, bottom);
    if (x < left || x > right) continue;  // a line beyond the plot has no label to show
    const QString label = Q(t.label);
    const QSize size = TextSize(p, 0, label);
    // Centred on its line, but whole inside the plot (and clear of the unit) at its edges.
    const int labelLeft = std::clamp(x - size.width() / 2, left, std::max(left, labelsRight - size.width()));
    p.setPen(Qt::black);
    DrawText(p, QRect(QPoint(labelLeft, bottom - size.height()), size), Qt::AlignHCenter, label);
  }
  if (f.doc.m_bFastSampling) {
    p.setPen(Qt::black);
    DrawText(p, visible, Qt::AlignRight | Qt::AlignBottom | Qt::TextSingleLine, unit);
  }
}

void DrawChannel(Frame& f, ChartEnvelopes::Array which, const std::vector<float>& samples, int first, int last,
                 const QColor& colour, bool dotted) {
  last = std::min(last, static_cast<int>(samples.size()) - 1);
  if (first > last) return;
  QPainter& p = f.p;
  const ChartState& s = f.s;
  const chart::XMap toX(s);
  const chart::YMap toY(s);
  const chart::Point shift = f.shift;
  auto X = [&](int i) { return toX(i) - shift.x; };
  auto Y = [&](float v) { return toY(v) - shift.y; };
  const Envelope* env = f.style.everySample ? nullptr : &f.env.For(which, samples);
  const float* v = samples.data();
  const bool every = f.style.everySample;
  const QRect out = ToQRect(s.m_bPrinting ? s.m_rcPlot : s.m_rcClient);
  const int rowLo = out.top();
  const int rowHi = out.bottom();
  if (!s.m_bPrinting) {
    if (f.style.bPoints) {
      DrawPoints(p, colour, false, v, first, last, X, Y, env, every, rowLo, rowHi);
    } else {
      p.setPen(QPen(colour, 1));
      DrawThinLines(p, v, first, last, X, Y, env, every);
    }
    return;
  }
  const int w = f.style.printStrokeWidth;
  if (f.style.bPoints) {
    p.setPen(QPen(colour, 1, dotted ? Qt::DotLine : Qt::SolidLine));
    p.setBrush(colour);
    DrawPoints(p, colour, true, v, first, last, X, Y, env, every, rowLo, rowHi);
    p.setBrush(Qt::NoBrush);
  } else {
    // The stroke stands 2 × (w / 2) + 1 rows high.
    p.setPen(QPen(colour, 2 * (w / 2) + 1, dotted ? Qt::DotLine : Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    DrawThickLine(p, v, first, last, X, Y, env, every);
  }
}

void DrawSupply(Frame& f) {
  QPainter& p = f.p;
  const std::vector<float>& supply = *f.doc.m_pSupply;
  const int m = static_cast<int>(supply.size());
  const chart::SupplyLayout layout(f.s, m);
  const chart::Point shift = f.shift;
  auto X = [&](int k) { return layout.X(k) - shift.x; };
  auto Y = [&](float v) { return layout.Y(v) - shift.y; };
  p.setPen(QPen(Qt::black, 1));
  const Envelope* env = f.style.everySample ? nullptr : &f.env.For(ChartEnvelopes::kSupply, supply);
  DrawThinLines(p, supply.data(), 0, m - 1, X, Y, env, f.style.everySample);

  const chart::Rect b = layout.box;
  const QRect box = ToQRect({b.left - shift.x, b.top - shift.y, b.right - shift.x, b.bottom - shift.y});
  p.fillRect(box, Qt::white);
  p.setPen(QPen(Qt::black, 1));
  const int axis = ToInt(layout.axisX - shift.x);
  p.drawLine(axis, box.top(), axis, box.bottom() + 1);
  p.setFont(QFont());
  for (const chart::SupplyLayout::Label& l : layout.labels) {
    const QString text = Q(l.text);
    const QSize size = TextSize(p, Qt::TextSingleLine, text);
    const QPoint centre(ToInt(l.centre.x - shift.x), ToInt(l.centre.y - shift.y));
    const QRect r(QPoint(centre.x() - size.width() / 2, centre.y() - size.height() / 2), size);
    p.fillRect(r, Qt::white);  // opaque text background
    DrawText(p, r, Qt::AlignHCenter | Qt::TextSingleLine, text);
  }
}

}  // namespace

void PaintChart(QPainter& p, ChartState& s, const LogDocument& doc, const ChartStyle& style,
                ChartEnvelopes& envelopes) {
  if (s.m_nSamples < 2) return;
  p.save();
  if (s.m_bPrinting) {
    // The caption band holds its two lines in the font they are drawn in.
    p.setFont(style.fontPrint);
    const int T2 = TextSize(p, 0, QStringLiteral("A\nA")).height();
    const bool device = doc.m_header.nDevice != 0;
    chart::PreparePrintDrawing(s, doc.m_dLimit, doc.m_bShuntCurrent, device ? T2 : 0);
    if (device) {
      const chart::Rect& pg = s.m_rcPage;
      p.setPen(Qt::black);
      DrawText(p, ToQRect({pg.left, pg.bottom - T2, pg.right, pg.bottom}), Qt::AlignHCenter | Qt::AlignTop,
               style.caption);
      p.setPen(QPen(Qt::black, 1));
      p.setBrush(Qt::white);
      // The outline on the rectangle's own edge rows and columns, inside the clip.
      const QRect r = ToQRect(s.m_rcPlot);
      p.drawRect(QRect(r.left(), r.top(), r.width() - 1, r.height() - 1));
      p.setBrush(Qt::NoBrush);
      p.setClipRect(r, Qt::IntersectClip);
    }
  } else {
    chart::PrepareScreenDrawing(s, doc.m_dLimit, doc.m_bShuntCurrent);
  }
  // Everything is drawn in output coordinates: the canvas shifted by the
  // scroll position on the screen, the page's own units on paper.
  Frame f{p,     s,    doc,
          style, envelopes, p.paintEngine() && p.paintEngine()->hasFeature(QPaintEngine::RasterOpModes),
          {s.m_ptScroll.x - s.m_ptPrintOffset.x, s.m_ptScroll.y - s.m_ptPrintOffset.y}};
  const chart::SampleRange range = chart::VisibleRange(s);
  if (s.m_bScrollDone && doc.m_bGrid && doc.m_header.nDevice != 0) DrawGrid(f, range);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  if (style.bShowChannel1 && doc.Channel1Count() != 0)
    DrawChannel(f, ChartEnvelopes::kChannel1, *doc.m_pChannel1, range.first, range.last, style.crChannel1, false);
  if (style.bShowChannel2 && doc.Channel2Count() != 0)
    DrawChannel(f, ChartEnvelopes::kChannel2, *doc.m_pChannel2, range.first, range.last, style.crChannel2, true);
  if (s.m_bScrollDone && s.m_bSupplyVoltage && doc.SupplyCount() > 1) DrawSupply(f);
  p.restore();
}

void PaintChartPage(QPainter& p, ChartState& s, const LogDocument& doc, ChartStyle style, const std::string& comment,
                    const chart::Rect& page, int dpi, ChartEnvelopes& envelopes) {
  chart::BeginPrinting(s, page);
  style.caption = QString::fromStdString(chart::PrintCaption(doc.m_header, comment));
  style.printStrokeWidth = chart::PrintStrokeWidth(dpi);
  PaintChart(p, s, doc, style, envelopes);
  chart::EndPrinting(s);
}

chart::Rect ChartPageRect(const QPageLayout& layout, int dpi) {
  const QRect sheet = layout.fullRectPixels(dpi);
  const QMarginsF mm = layout.margins(QPageLayout::Millimeter);
  auto hundredths = [](qreal v) { return static_cast<int>(std::lround(v * 100)); };
  const Margins margins{hundredths(mm.left()), hundredths(mm.top()), hundredths(mm.right()), hundredths(mm.bottom())};
  return chart::PrintPageRect(margins, dpi, dpi, {0, 0}, sheet.width(), sheet.height());
}

QMarginsF MarginsMm(const Margins& m) { return {m.left / 100.0, m.top / 100.0, m.right / 100.0, m.bottom / 100.0}; }

ChartState InitialView(const LogDocument& doc, QSize size) {
  ChartState s;
  chart::InitialUpdate(s, {size.width(), size.height()});
  chart::ResetView(s, doc.Channel1Count());
  return s;
}

ChartStyle WindowStyle(const QFont& font) {
  ChartStyle style;
  style.font = font;
  style.fontPrint = PrintFont(font);
  return style;
}

void PaintView(QPainter& p, ChartState s, const LogDocument& doc, QSize size, const QFont& font) {
  p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
  ChartEnvelopes envelopes;
  PaintChart(p, s, doc, WindowStyle(font), envelopes);
}

void PaintInitialView(QPainter& p, const LogDocument& doc, QSize size, const QFont& font) {
  PaintView(p, InitialView(doc, size), doc, size, font);
}

}  // namespace zet::ui
