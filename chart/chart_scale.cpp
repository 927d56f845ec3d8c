#include "chart/chart_scale.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace zet::chart {
namespace {

using U64 = std::uint64_t;

U64 Magnitude(Coord v) { return v < 0 ? U64{0} - static_cast<U64>(v) : static_cast<U64>(v); }

// a × b as a 128-bit number hi:lo.
void Multiply(U64 a, U64 b, U64& hi, U64& lo) {
  const U64 a0 = a & 0xFFFFFFFFu, a1 = a >> 32, b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
  const U64 p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  const U64 middle = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
  lo = (middle << 32) | (p00 & 0xFFFFFFFFu);
  hi = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
}

// |a| × |b| / |c| rounded half up, saturated to the largest Coord.
U64 MulDivMagnitude(U64 a, U64 b, U64 c) {
  constexpr U64 kMax = static_cast<U64>(LLONG_MAX);
  U64 q, r;
  if ((a >> 31) == 0 && (b >> 31) == 0) {
    q = a * b / c;
    r = a * b % c;
  } else {
    U64 hi, lo;
    Multiply(a, b, hi, lo);
    if (hi >= c) return kMax;  // the quotient needs more than 64 bits
    // Long division of hi:lo by c, one bit at a time (only huge operands get here).
    q = 0;
    r = hi;
    for (int bit = 63; bit >= 0; --bit) {
      const bool carry = r >> 63;
      r = (r << 1) | ((lo >> bit) & 1);
      q <<= 1;
      if (carry || r >= c) {
        r -= c;
        q |= 1;
      }
    }
  }
  if (r >= c - r) ++q;  // halves away from zero
  return std::min(q, kMax);
}

int Saturate(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

Coord Add(Coord a, Coord b) {
  if (b > 0 && a > LLONG_MAX - b) return LLONG_MAX;
  if (b < 0 && a < LLONG_MIN - b) return LLONG_MIN;
  return a + b;
}

// Truncation toward zero of a value already known to lie within the range.
Coord Trunc(double v) { return static_cast<Coord>(v); }

constexpr double kOneOver525 = 0.0019047619047619048;

// How far beyond the canvas a value's y may go: far enough for any line to a
// far-off sample to leave the window at the right slope, near enough for sums.
constexpr Coord kFar = Coord{1} << 60;

}  // namespace

Coord MulDiv64(Coord a, Coord b, Coord c) {
  if (c == 0) return -1;
  const U64 m = MulDivMagnitude(Magnitude(a), Magnitude(b), Magnitude(c));
  const bool negative = a != 0 && b != 0 && ((a < 0) != (b < 0)) != (c < 0);
  return negative ? -static_cast<Coord>(m) : static_cast<Coord>(m);
}

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  return Saturate(MulDiv64(a, b, c));
}

Point ScrollBars::Limit() const {
  return {std::max<Coord>(0, total.cx - client.cx), std::max<Coord>(0, total.cy - client.cy)};
}

int BarShift(Coord limit) {
  int shift = 0;
  while ((limit >> shift) > kBarRange) ++shift;
  return shift;
}

int ToBar(Coord position, Coord limit) {
  return static_cast<int>(std::clamp<Coord>(position, 0, limit) >> BarShift(limit));
}

Coord FromBar(int value, Coord limit) {
  const int shift = BarShift(limit);
  if (value >= (limit >> shift)) return limit;
  return std::clamp<Coord>(static_cast<Coord>(value) << shift, 0, limit);
}

// ---- coordinates ---------------------------------------------------------------

XMap::XMap(const ChartState& s)
    : printing_(s.m_bPrinting),
      cx_(s.m_sizeTotal.cx),
      n1_(s.m_nSamples - 1),
      ox_(s.m_ptPrintOffset.x),
      a_(0),
      span_(1),
      left_(s.m_rcPlot.left),
      width_(s.m_rcPlot.Width()) {
  if (printing_) {
    const Coord cx = std::max<Coord>(cx_, 1);
    a_ = MulDiv64(n1_, s.m_ptScroll.x, cx);
    const Coord b = MulDiv64(n1_, Add(s.m_nPlotWidth, s.m_ptScroll.x), cx);
    span_ = std::max<Coord>(b - a_, 1);
  }
}

Coord XMap::operator()(int i) const {
  if (printing_) return left_ + MulDiv64(i - a_, width_, span_);
  return MulDiv64(i, cx_, n1_) - ox_;
}

YMap::YMap(const ChartState& s)
    : h_(s.m_dHalfScale),
      cy_(static_cast<double>(s.m_sizeTotal.cy)),
      twoH_(2 * s.m_dHalfScale),
      printing_(s.m_bPrinting),
      top_(s.m_rcPlot.top),
      height_(s.m_rcPlot.Height()),
      sy_(s.m_ptScroll.y),
      hp_(s.m_nPlotHeight > 0 ? s.m_nPlotHeight : 1),
      lo_(-32750),
      hi_(32500) {
  // Coordinates stay 16-bit up to the canvas the window system drew on; a
  // taller canvas needs values below its bottom row too.
  if (!printing_ && s.m_sizeTotal.cy > kSmallCanvas) {
    lo_ = -kFar;
    hi_ = kFar;
  }
}

Coord YMap::operator()(float v) const {
  double y = (h_ - v) * cy_ / twoH_;
  // Far beyond the canvas (or not a number): keep the integer conversion defined.
  if (!(y < static_cast<double>(kFar))) y = static_cast<double>(kFar);
  if (y < -static_cast<double>(kFar)) y = -static_cast<double>(kFar);
  Coord yi = Trunc(y);
  if (printing_) yi = top_ + MulDiv64(height_, yi - sy_, hp_);
  return std::clamp(yi, lo_, hi_);
}

Coord IndexToX(const ChartState& s, int i) { return XMap(s)(i); }
Coord ValueToY(const ChartState& s, float v) { return YMap(s)(v); }

double CursorValue(const ChartState& s, Coord yc) {
  const Coord cy = std::max<Coord>(s.m_sizeTotal.cy, 1);
  const Coord k = Trunc(static_cast<double>(cy / 2100 + s.m_ptScroll.y + yc) * 1050.0 / static_cast<double>(cy));
  const double H = s.m_dHalfScale;
  return H - static_cast<double>(k) * H * kOneOver525;
}

int CursorIndex(const ChartState& s, Coord xc) {
  return Saturate(MulDiv64(Add(xc, s.m_ptScroll.x), s.m_nSamples - 1, std::max<Coord>(s.m_sizeTotal.cx, 1)));
}

SampleRange VisibleRange(const ChartState& s) {
  const Coord n1 = s.m_nSamples - 1;
  const Coord cx = std::max<Coord>(s.m_sizeTotal.cx, 1);
  SampleRange r;
  r.first = Saturate(std::max<Coord>(MulDiv64(n1, s.m_ptScroll.x, cx) - 1, 0));
  r.last = Saturate(std::min(Add(MulDiv64(n1, Add(s.m_nPlotWidth, s.m_ptScroll.x), cx), 1), n1));
  return r;
}

SampleRange WindowSamples(const ChartState& s) {
  SampleRange r = VisibleRange(s);
  const XMap x(s);
  const Coord left = s.m_ptScroll.x, right = Add(s.m_ptScroll.x, s.m_nPlotWidth);
  while (r.first <= r.last && x(r.first) < left) ++r.first;
  while (r.last >= r.first && x(r.last) > right) --r.last;
  return r;
}

// ---- scroll sizes and position ---------------------------------------------------

void SetChartScrollSizes(ChartState& s, Size total) {
  if (total.cx < 1 || total.cy < 1) return;
  ScrollBars& b = s.bars;
  b.total = {std::min(total.cx, kMaxCanvas), std::min(total.cy, kMaxCanvas)};
  b.page = {Trunc(s.m_nPlotWidth * 0.9), Trunc(s.m_nPlotHeight * 0.9)};
  if (b.page.cx == 0) b.page.cx = b.total.cx / 20;
  if (b.page.cy == 0) b.page.cy = b.total.cy / 20;
  b.line = {b.page.cx / 20, b.page.cy / 20};
}

void ScrollToClamped(ChartState& s, Point p) {
  const Point limit = s.bars.Limit();
  s.bars.pos = {std::clamp<Coord>(p.x, 0, limit.x), std::clamp<Coord>(p.y, 0, limit.y)};
  // The view's copy follows the bars at once, so a second command before the
  // next drawing starts from where the window really is.
  s.m_ptScroll = s.bars.pos;
}

// ---- commands --------------------------------------------------------------------

bool CanStretchTime(const ChartState& s) {
  // W × n in 64 bits: a full recorder memory is over 10^7 samples.
  return s.m_nSamples > 1 && 2 * s.m_sizeTotal.cx <= static_cast<Coord>(s.m_nPlotWidth) * s.m_nSamples &&
         s.m_sizeTotal.cx < kMaxCanvas;
}
bool CanCompressTime(const ChartState& s) { return s.m_nSamples > 1 && s.m_sizeTotal.cx != s.m_nPlotWidth; }
// A chart row dragged shut has no value axis to stretch.
bool CanStretchValues(const ChartState& s) {
  return s.m_nSamples > 1 && s.m_sizeTotal.cy < kMaxCanvas && s.m_nPlotHeight > 0;
}
bool CanCompressValues(const ChartState& s) { return s.m_nSamples > 1 && s.m_sizeTotal.cy != s.m_nPlotHeight; }

namespace {

// Doubling and halving work the same on both axes: the time axis is x with
// the plot width, the value axis y with the plot height.
using SizeAxis = Coord Size::*;
using PointAxis = Coord Point::*;

// The canvas doubles and the position keeps the window's centre in place.
bool Stretch(ChartState& s, SizeAxis size, PointAxis pos, int plot) {
  const Coord before = std::max<Coord>(s.m_sizeTotal.*size, 1);
  const double centre = static_cast<double>(s.m_ptScroll.*pos + plot / 2);
  s.m_sizeTotal = {std::min(s.m_sizeTotal.cx, kMaxCanvas), std::min(s.m_sizeTotal.cy, kMaxCanvas)};
  const Coord after = std::min(2 * before, kMaxCanvas);
  s.m_sizeTotal.*size = after;
  Point p = s.m_ptScroll;
  p.*pos = Trunc(centre / static_cast<double>(before) * static_cast<double>(after));
  if (p.*pos > 0) p.*pos -= plot / 2;
  SetChartScrollSizes(s, s.m_sizeTotal);
  ScrollToClamped(s, p);
  return true;
}

bool Compress(ChartState& s, SizeAxis size, PointAxis pos, int plot) {
  s.m_sizeTotal.*size = std::max<Coord>(s.m_sizeTotal.*size / 2, 1);
  SetChartScrollSizes(s, s.m_sizeTotal);
  Point p = s.m_ptScroll;
  p.*pos = p.*pos / 2 - plot / 4;
  if (p.*pos <= 0) p.*pos = 0;
  ScrollToClamped(s, p);
  return true;
}

}  // namespace

bool StretchTime(ChartState& s) {
  s.m_bSupplyVoltage = false;
  if (s.m_nSamples <= 1) return false;
  // Refused when the window would show less than one sample interval.
  if (2 * s.m_sizeTotal.cx > static_cast<Coord>(s.m_nPlotWidth) * s.m_nSamples) return false;
  return Stretch(s, &Size::cx, &Point::x, s.m_nPlotWidth);
}

bool CompressTime(ChartState& s) {
  s.m_bSupplyVoltage = false;
  if (s.m_nSamples <= 1) return false;
  return Compress(s, &Size::cx, &Point::x, s.m_nPlotWidth);
}

bool StretchValues(ChartState& s) {
  s.m_bSupplyVoltage = false;
  if (s.m_nSamples <= 1 || s.m_nPlotHeight <= 0) return false;
  return Stretch(s, &Size::cy, &Point::y, s.m_nPlotHeight);
}

bool CompressValues(ChartState& s) {
  s.m_bSupplyVoltage = false;
  if (s.m_nSamples <= 1) return false;
  return Compress(s, &Size::cy, &Point::y, s.m_nPlotHeight);
}

namespace {

// A change of the time axis that keeps the time under client column xc there.
template <class Change>
bool KeepingTimeAt(ChartState& s, Coord xc, Change change) {
  const double f =
      static_cast<double>(Add(s.m_ptScroll.x, xc)) / static_cast<double>(std::max<Coord>(s.m_sizeTotal.cx, 1));
  change(s);
  // Never narrower than the window (the drawing would widen it only afterwards).
  if (s.m_sizeTotal.cx < s.m_nPlotWidth) {
    s.m_sizeTotal.cx = s.m_nPlotWidth;
    SetChartScrollSizes(s, s.m_sizeTotal);
  }
  ScrollToClamped(s, {Trunc(f * static_cast<double>(s.m_sizeTotal.cx)) - xc, s.m_ptScroll.y});
  return true;
}

}  // namespace

bool StretchTimeAt(ChartState& s, Coord xc) { return CanStretchTime(s) && KeepingTimeAt(s, xc, StretchTime); }
bool CompressTimeAt(ChartState& s, Coord xc) { return CanCompressTime(s) && KeepingTimeAt(s, xc, CompressTime); }

void FitValuesToWindow(ChartState& s) {
  s.m_sizeTotal.cy = std::max(s.m_nPlotHeight, 1);
  SetChartScrollSizes(s, s.m_sizeTotal);
  ScrollToClamped(s, {s.m_ptScroll.x, 0});
}

namespace {

// Samples i0..i1 across the window's width, the middle of the band at canvas
// x centre (of the present canvas), canvas rows top..bottom over its height.
ZoomResult ZoomToBand(ChartState& s, Coord i0, Coord i1, double centre, Coord top, Coord bottom) {
  ZoomResult r;
  const Coord n1 = s.m_nSamples - 1;
  const int W = s.m_nPlotWidth;
  const int Hp = s.m_nPlotHeight;
  const Coord cx = std::max<Coord>(s.m_sizeTotal.cx, 1);
  const Coord cy = std::max<Coord>(s.m_sizeTotal.cy, 1);
  const Point sc = s.m_ptScroll;
  if (i1 - i0 <= 1) i1 = i0 + 2;  // never fewer than two sample intervals

  // A band of no height asks for an unbounded vertical zoom: the limit.
  Coord cy2 = bottom > top ? MulDiv64(cy, Hp, bottom - top) : kMaxCanvas + 1;
  Coord sy;
  if (cy2 > kMaxCanvas) {
    cy2 = kMaxCanvas;
    sy = Trunc((Hp * 0.5 + static_cast<double>(sc.y)) * static_cast<double>(kMaxCanvas) / static_cast<double>(cy) -
               Hp * 0.5);
    r.beep = true;
  } else {
    sy = MulDiv64(top, Hp, bottom - top);
  }
  cy2 = std::max<Coord>(cy2, 1);
  s.m_bSupplyVoltage = false;
  const Coord cx2 = std::clamp<Coord>(MulDiv64(W, n1, i1 - i0), 1, kMaxCanvas);
  s.m_sizeTotal = {cx2, cy2};
  SetChartScrollSizes(s, s.m_sizeTotal);
  const double sx = static_cast<double>(cx2) / static_cast<double>(cx) * centre - W / 2;
  ScrollToClamped(s, {Trunc(std::clamp(sx, -1e18, 1e18)), sy});
  r.zoomed = true;
  return r;
}

}  // namespace

ZoomResult ZoomToRect(ChartState& s, Point p0, Point p1) {
  const Coord dx = p0.x - p1.x;
  const Coord dy = p0.y - p1.y;
  if (dx * dx + dy * dy <= 100) return {};
  if (s.m_nSamples <= 1) return {};
  const Coord n1 = s.m_nSamples - 1;
  const Coord cx = std::max<Coord>(s.m_sizeTotal.cx, 1);
  const Point sc = s.m_ptScroll;
  const Coord left = std::min(p0.x, p1.x) + sc.x;
  const Coord right = std::max(p0.x, p1.x) + sc.x;
  const Coord top = std::min(p0.y, p1.y) + sc.y;
  const Coord bottom = std::max(p0.y, p1.y) + sc.y;
  return ZoomToBand(s, MulDiv64(n1, left, cx), MulDiv64(n1, right, cx), static_cast<double>((left + right) / 2), top,
                    bottom);
}

ZoomResult ZoomToSpan(ChartState& s, int first, int last) {
  if (s.m_nSamples <= 1) return {};
  const double centre = (static_cast<double>(first) + last) / 2 *
                        static_cast<double>(std::max<Coord>(s.m_sizeTotal.cx, 1)) / (s.m_nSamples - 1);
  return ZoomToBand(s, first, last, centre, s.m_ptScroll.y, s.m_ptScroll.y + s.m_nPlotHeight);
}

void ToggleSupplyVoltage(ChartState& s) {
  s.m_bSupplyVoltage = !s.m_bSupplyVoltage;
  if (s.m_bSupplyVoltage) {
    s.m_sizeTotalSupplySaved = s.m_sizeTotal;
    s.m_ptScrollSupplySaved = s.m_ptScroll;
    s.m_sizeTotal = {std::max<Coord>(s.m_rcClient.Width(), 1), std::max<Coord>(s.m_rcClient.Height(), 1)};
    SetChartScrollSizes(s, s.m_sizeTotal);
    ScrollToClamped(s, {0, 0});
  } else {
    s.m_sizeTotal = s.m_sizeTotalSupplySaved;
    SetChartScrollSizes(s, s.m_sizeTotal);
    ScrollToClamped(s, s.m_ptScrollSupplySaved);
  }
}

// ---- view life -------------------------------------------------------------------

void SetClientSize(ChartState& s, Size client) {
  s.m_rcClient = {0, 0, client.cx, client.cy};
  s.bars.client = client;
  // On the screen the plot is the client area, before the next drawing too.
  if (!s.m_bPrinting) {
    s.m_nPlotWidth = static_cast<int>(client.cx);
    s.m_nPlotHeight = static_cast<int>(client.cy);
  }
  // A smaller window may leave the position beyond the new limit.
  const Point limit = s.bars.Limit();
  s.bars.pos = {std::min(s.bars.pos.x, limit.x), std::min(s.bars.pos.y, limit.y)};
}

void InitialUpdate(ChartState& s, Size client) {
  SetClientSize(s, client);
  s.m_sizeTotal = {10, 10};
  SetChartScrollSizes(s, s.m_sizeTotal);
}

void ResetView(ChartState& s, int nSamples) {
  s.m_nSamples = nSamples;
  // The cursor read-out waits for the first drawing of this recording.
  s.m_dHalfScale = 0;
  s.m_sizeTotal = {std::max<Coord>(s.m_rcClient.Width(), 1), std::max<Coord>(s.m_rcClient.Height(), 1)};
  SetChartScrollSizes(s, s.m_sizeTotal);
  ScrollToClamped(s, {0, 0});
}

bool UsableLimit(double limit) { return std::isfinite(limit) && limit >= 1e-30 && limit <= 1e30; }
double DrawingLimit(double limit) { return UsableLimit(limit) ? limit : kFallbackLimit; }

namespace {

// A drawing's grid marks and label places are its own: a drawing without a
// grid (switched off, hidden during a scroll gesture, no recorder) must not
// leave those of an earlier one, taken at another zoom, for the read-out.
void ForgetLastDrawing(ChartState& s) {
  for (GridMark& m : s.m_gridMarks) m = GridMark{};
  s.m_rcAxisTop.clear();
}

}  // namespace

void PrepareScreenDrawing(ChartState& s, double limit, bool shuntCurrent) {
  ForgetLastDrawing(s);
  s.m_bShowCurrent = shuntCurrent;
  s.m_dHalfScale = DrawingLimit(limit) * 1.05;
  s.m_nPlotHeight = static_cast<int>(s.m_rcClient.Height());
  s.m_nPlotWidth = static_cast<int>(s.m_rcClient.Width());
  s.m_rcPlot = s.m_rcClient;
  s.m_ptScroll = s.bars.pos;
  s.m_ptPrintOffset = {0, 0};
  if (s.m_sizeTotal.cx < s.m_nPlotWidth) {
    s.m_sizeTotal.cx = s.m_nPlotWidth;
    SetChartScrollSizes(s, s.m_sizeTotal);
  }
  if (s.m_sizeTotal.cy < s.m_nPlotHeight) {
    s.m_sizeTotal.cy = s.m_nPlotHeight;
    SetChartScrollSizes(s, s.m_sizeTotal);
  }
  // A window with no area still maps through a canvas of at least one unit.
  s.m_sizeTotal = {std::max<Coord>(s.m_sizeTotal.cx, 1), std::max<Coord>(s.m_sizeTotal.cy, 1)};
}

bool OnScroll(ChartState& s, bool vertical, ScrollCode code) {
  if (code == kEndScroll) {
    s.m_bScrollDone = true;
    return true;
  }
  if (!vertical || code == kThumbPosition || code == kThumbTrack) s.m_bScrollDone = false;
  return false;
}

// ---- printing ---------------------------------------------------------------------

Rect PrintPageRect(const Margins& m, int dpiX, int dpiY, Point off, int horzRes, int vertRes) {
  return {MulDiv(m.left, dpiX, 2540) - off.x, MulDiv(m.top, dpiY, 2540) - off.y,
          horzRes - MulDiv(m.right, dpiX, 2540), vertRes - MulDiv(m.bottom, dpiY, 2540)};
}

void BeginPrinting(ChartState& s, const Rect& page) {
  s.m_sizeTotalPrintSaved = s.m_sizeTotal;
  s.m_ptScrollPrintSaved = s.m_ptScroll;
  s.m_nPlotWidthPrintSaved = s.m_nPlotWidth;
  s.m_nPlotHeightPrintSaved = s.m_nPlotHeight;
  s.m_bPrinting = true;
  s.m_rcPage = page;
  // A window with no area prints as if it were one unit wide or high.
  const Coord W = std::max(s.m_nPlotWidth, 1);
  const Coord Hp = std::max(s.m_nPlotHeight, 1);
  const Coord pw = page.Width();
  const Coord ph = page.Height();
  s.m_sizeTotal = {MulDiv64(s.m_sizeTotal.cx, pw, W), MulDiv64(s.m_sizeTotal.cy, ph, Hp)};
  s.m_ptScroll = {MulDiv64(s.m_ptScroll.x, pw, W), MulDiv64(s.m_ptScroll.y, ph, Hp)};
  s.m_nPlotWidth = static_cast<int>(pw);
  s.m_nPlotHeight = static_cast<int>(Trunc(static_cast<double>(ph) * 0.95));
}

void PreparePrintDrawing(ChartState& s, double limit, bool shuntCurrent, int captionHeight) {
  ForgetLastDrawing(s);
  s.m_bShowCurrent = shuntCurrent;
  s.m_dHalfScale = DrawingLimit(limit) * 1.05;
  s.m_rcPlot = s.m_rcPage;
  s.m_rcPlot.bottom -= captionHeight;
  s.m_ptPrintOffset = s.m_ptScroll;
}

void EndPrinting(ChartState& s) {
  s.m_sizeTotal = s.m_sizeTotalPrintSaved;
  s.m_ptScroll = s.m_ptScrollPrintSaved;
  s.m_nPlotWidth = s.m_nPlotWidthPrintSaved;
  s.m_nPlotHeight = s.m_nPlotHeightPrintSaved;
  s.m_rcPlot = s.m_rcClient;
  s.m_ptPrintOffset = {0, 0};
  s.m_bPrinting = false;
}

int PrintStrokeWidth(int dpiY) { return static_cast<int>(Trunc(dpiY * 0.01893939393939394)); }

}  // namespace zet::chart
