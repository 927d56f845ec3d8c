#include "chart/chart_scale.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace zet::chart {
namespace {

long long MulDiv64(long long a, long long b, long long c) {
  const long long p = a * b;
  const long long q = c < 0 ? -c : c;
  const long long m = (p < 0 ? -p : p) + q / 2;
  const long long r = m / q;
  return (p < 0) != (c < 0) ? -r : r;
}

int Saturate(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

// Truncation toward zero of a value already known to lie within int.
int Trunc(double v) { return static_cast<int>(v); }

constexpr double kOneOver525 = 0.0019047619047619048;

}  // namespace

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  return Saturate(MulDiv64(a, b, c));
}

Point ScrollBars::Limit() const {
  return {std::max(0, total.cx - client.cx), std::max(0, total.cy - client.cy)};
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
    const int cx = std::max(cx_, 1);
    a_ = MulDiv(n1_, s.m_ptScroll.x, cx);
    const int b = MulDiv(n1_, s.m_nPlotWidth + s.m_ptScroll.x, cx);
    span_ = std::max(b - a_, 1);
  }
}

int XMap::operator()(int i) const {
  if (printing_) return left_ + MulDiv(i - a_, width_, span_);
  return MulDiv(i, cx_, n1_) - ox_;
}

YMap::YMap(const ChartState& s)
    : h_(s.m_dHalfScale),
      cy_(s.m_sizeTotal.cy),
      twoH_(2 * s.m_dHalfScale),
      printing_(s.m_bPrinting),
      top_(s.m_rcPlot.top),
      height_(s.m_rcPlot.Height()),
      sy_(s.m_ptScroll.y),
      hp_(s.m_nPlotHeight > 0 ? s.m_nPlotHeight : 1) {}

int YMap::operator()(float v) const {
  double y = (h_ - v) * cy_ / twoH_;
  // Far beyond the canvas (or not a number): keep the integer conversion defined.
  if (!(y < 2e9)) y = 2e9;
  if (y < -2e9) y = -2e9;
  long long yi = Trunc(y);
  if (printing_) yi = top_ + MulDiv64(height_, yi - sy_, hp_);
  return static_cast<int>(std::clamp<long long>(yi, -32750, 32500));
}

int IndexToX(const ChartState& s, int i) { return XMap(s)(i); }
int ValueToY(const ChartState& s, float v) { return YMap(s)(v); }

double CursorValue(const ChartState& s, int yc) {
  const int cy = std::max(s.m_sizeTotal.cy, 1);
  const long long k = static_cast<long long>(
      static_cast<double>(cy / 2100 + static_cast<long long>(s.m_ptScroll.y) + yc) * 1050.0 / cy);
  const double H = s.m_dHalfScale;
  return H - static_cast<double>(k) * H * kOneOver525;
}

int CursorIndex(const ChartState& s, int xc) {
  return MulDiv(Saturate(static_cast<long long>(xc) + s.m_ptScroll.x), s.m_nSamples - 1,
                std::max(s.m_sizeTotal.cx, 1));
}

SampleRange VisibleRange(const ChartState& s) {
  const int n1 = s.m_nSamples - 1;
  const int cx = std::max(s.m_sizeTotal.cx, 1);
  SampleRange r;
  r.first = std::max(MulDiv(n1, s.m_ptScroll.x, cx) - 1, 0);
  r.last = std::min(Saturate(static_cast<long long>(MulDiv(n1, Saturate(static_cast<long long>(s.m_nPlotWidth) +
                                                                            s.m_ptScroll.x),
                                                           cx)) +
                             1),
                    n1);
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
  s.bars.pos = {std::clamp(p.x, 0, limit.x), std::clamp(p.y, 0, limit.y)};
  // The view's copy follows the bars at once, so a second command before the
  // next drawing starts from where the window really is.
  s.m_ptScroll = s.bars.pos;
}

// ---- commands --------------------------------------------------------------------

bool CanStretchTime(const ChartState& s) {
  // W × n in 64 bits: a full recorder memory is over 10^7 samples.
  return s.m_nSamples > 1 &&
         2LL * s.m_sizeTotal.cx <= static_cast<long long>(s.m_nPlotWidth) * s.m_nSamples &&
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
using SizeAxis = int Size::*;
using PointAxis = int Point::*;

// The canvas doubles and the position keeps the window's centre in place.
bool Stretch(ChartState& s, SizeAxis size, PointAxis pos, int plot) {
  const int before = std::max(s.m_sizeTotal.*size, 1);
  const double centre = s.m_ptScroll.*pos + plot / 2;
  s.m_sizeTotal = {std::min(s.m_sizeTotal.cx, kMaxCanvas), std::min(s.m_sizeTotal.cy, kMaxCanvas)};
  const int after = std::min(2 * before, kMaxCanvas);
  s.m_sizeTotal.*size = after;
  Point p = s.m_ptScroll;
  p.*pos = Trunc(centre / before * after);
  if (p.*pos > 0) p.*pos -= plot / 2;
  SetChartScrollSizes(s, s.m_sizeTotal);
  ScrollToClamped(s, p);
  return true;
}

bool Compress(ChartState& s, SizeAxis size, PointAxis pos, int plot) {
  s.m_sizeTotal.*size = std::max(s.m_sizeTotal.*size / 2, 1);
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
  if (2LL * s.m_sizeTotal.cx > static_cast<long long>(s.m_nPlotWidth) * s.m_nSamples) return false;
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

// Samples i0..i1 across the window's width, the middle of the band at canvas
// x centre (of the present canvas), canvas rows top..bottom over its height.
ZoomResult ZoomToBand(ChartState& s, int i0, int i1, double centre, int top, int bottom) {
  ZoomResult r;
  const int n1 = s.m_nSamples - 1;
  const int W = s.m_nPlotWidth;
  const int Hp = s.m_nPlotHeight;
  const int cx = std::max(s.m_sizeTotal.cx, 1);
  const int cy = std::max(s.m_sizeTotal.cy, 1);
  const Point sc = s.m_ptScroll;
  if (static_cast<long long>(i1) - i0 <= 1) i1 = Saturate(static_cast<long long>(i0) + 2);

  // A band of no height asks for an unbounded vertical zoom: the limit.
  long long cy2 = bottom > top ? MulDiv64(cy, Hp, static_cast<long long>(bottom) - top) : kMaxCanvas + 1LL;
  int sy;
  if (cy2 > kMaxCanvas) {
    cy2 = kMaxCanvas;
    sy = Trunc((Hp * 0.5 + sc.y) * 32765.0 / cy - Hp * 0.5);
    r.beep = true;
  } else {
    sy = Saturate(MulDiv64(top, Hp, static_cast<long long>(bottom) - top));
  }
  cy2 = std::max<long long>(cy2, 1);
  s.m_bSupplyVoltage = false;
  const long long cx2 =
      std::clamp<long long>(MulDiv64(W, n1, static_cast<long long>(i1) - i0), 1, kMaxCanvas);
  s.m_sizeTotal = {static_cast<int>(cx2), static_cast<int>(cy2)};
  SetChartScrollSizes(s, s.m_sizeTotal);
  const double sx = static_cast<double>(cx2) / cx * centre - W / 2;
  ScrollToClamped(s, {Trunc(std::clamp(sx, -2e9, 2e9)), sy});
  r.zoomed = true;
  return r;
}

}  // namespace

ZoomResult ZoomToRect(ChartState& s, Point p0, Point p1) {
  const long long dx = static_cast<long long>(p0.x) - p1.x;
  const long long dy = static_cast<long long>(p0.y) - p1.y;
  if (dx * dx + dy * dy <= 100) return {};
  if (s.m_nSamples <= 1) return {};
  const int n1 = s.m_nSamples - 1;
  const int cx = std::max(s.m_sizeTotal.cx, 1);
  const Point sc = s.m_ptScroll;
  const int left = Saturate(static_cast<long long>(std::min(p0.x, p1.x)) + sc.x);
  const int right = Saturate(static_cast<long long>(std::max(p0.x, p1.x)) + sc.x);
  const int top = Saturate(static_cast<long long>(std::min(p0.y, p1.y)) + sc.y);
  const int bottom = Saturate(static_cast<long long>(std::max(p0.y, p1.y)) + sc.y);
  return ZoomToBand(s, MulDiv(n1, left, cx), MulDiv(n1, right, cx),
                    static_cast<double>((static_cast<long long>(left) + right) / 2), top, bottom);
}

ZoomResult ZoomToSpan(ChartState& s, int first, int last) {
  if (s.m_nSamples <= 1) return {};
  const double centre = (static_cast<double>(first) + last) / 2 * std::max(s.m_sizeTotal.cx, 1) / (s.m_nSamples - 1);
  return ZoomToBand(s, first, last, centre, s.m_ptScroll.y, s.m_ptScroll.y + s.m_nPlotHeight);
}

void ToggleSupplyVoltage(ChartState& s) {
  s.m_bSupplyVoltage = !s.m_bSupplyVoltage;
  if (s.m_bSupplyVoltage) {
    s.m_sizeTotalSupplySaved = s.m_sizeTotal;
    s.m_ptScrollSupplySaved = s.m_ptScroll;
    s.m_sizeTotal = {std::max(s.m_rcClient.Width(), 1), std::max(s.m_rcClient.Height(), 1)};
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
    s.m_nPlotWidth = client.cx;
    s.m_nPlotHeight = client.cy;
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
  s.m_sizeTotal = {std::max(s.m_rcClient.Width(), 1), std::max(s.m_rcClient.Height(), 1)};
  SetChartScrollSizes(s, s.m_sizeTotal);
  ScrollToClamped(s, {0, 0});
}

bool UsableLimit(double limit) { return std::isfinite(limit) && limit >= 1e-30 && limit <= 1e30; }
double DrawingLimit(double limit) { return UsableLimit(limit) ? limit : kFallbackLimit; }

void PrepareScreenDrawing(ChartState& s, double limit, bool shuntCurrent) {
  s.m_bShowCurrent = shuntCurrent;
  s.m_dHalfScale = DrawingLimit(limit) * 1.05;
  s.m_nPlotHeight = s.m_rcClient.Height();
  s.m_nPlotWidth = s.m_rcClient.Width();
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
  s.m_sizeTotal = {std::max(s.m_sizeTotal.cx, 1), std::max(s.m_sizeTotal.cy, 1)};
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
  const int W = std::max(s.m_nPlotWidth, 1);
  const int Hp = std::max(s.m_nPlotHeight, 1);
  const int pw = page.Width();
  const int ph = page.Height();
  s.m_sizeTotal = {MulDiv(s.m_sizeTotal.cx, pw, W), MulDiv(s.m_sizeTotal.cy, ph, Hp)};
  s.m_ptScroll = {MulDiv(s.m_ptScroll.x, pw, W), MulDiv(s.m_ptScroll.y, ph, Hp)};
  s.m_nPlotWidth = pw;
  s.m_nPlotHeight = Trunc(ph * 0.95);
}

void PreparePrintDrawing(ChartState& s, double limit, bool shuntCurrent, int captionHeight) {
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

int PrintStrokeWidth(int dpiY) { return Trunc(dpiY * 0.01893939393939394); }

}  // namespace zet::chart
