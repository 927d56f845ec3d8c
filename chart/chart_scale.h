#pragma once
// The time chart's scale state and every operation on it: sample index and
// voltage to canvas coordinates and back, the visible sample range, the
// scroll sizes, the doubling and halving commands, the rubber-band zoom, the
// supply-voltage whole-record mode, scroll tracking, the initial view and the
// page geometry of a print job. Plain integers, as the window system uses,
// but 64 bits wide: a full recorder memory stretched until the window shows
// one sample interval is a canvas of some 10^10 units.
#include <array>
#include <vector>

#include "base/settings.h"

namespace zet::chart {

// Canvas, client and page coordinates.
using Coord = long long;

// The largest canvas axis. Far more than one sample interval per window of a
// full memory needs; its products with sample indices and page sizes are
// carried exactly by MulDiv64.
inline constexpr Coord kMaxCanvas = Coord{1} << 40;
// Up to this canvas height the value axis keeps the 16-bit drawing clamp.
inline constexpr Coord kSmallCanvas = 32765;

// a × b / c with a 64-bit product, rounded to the nearest integer, halves away
// from zero. A zero divisor gives −1, as the system call does; a result beyond
// int saturates (the system call's −1 would be taken for a coordinate).
int MulDiv(int a, int b, int c);
// The same over 64-bit operands with an exact 128-bit product; a result
// beyond 64 bits saturates.
Coord MulDiv64(Coord a, Coord b, Coord c);

struct Point {
  Coord x = 0;
  Coord y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  Coord cx = 0;
  Coord cy = 0;
  bool operator==(const Size&) const = default;
};

struct Rect {
  Coord left = 0;
  Coord top = 0;
  Coord right = 0;
  Coord bottom = 0;
  Coord Width() const { return right - left; }
  Coord Height() const { return bottom - top; }
  bool Intersects(const Rect& r) const { return left < r.right && r.left < right && top < r.bottom && r.top < bottom; }
  bool operator==(const Rect&) const = default;
};

// The scroll bars of the window: the canvas they scroll over, their page and
// line steps, the position and the client area they show.
struct ScrollBars {
  Size total{10, 10};
  Size page;
  Size line;
  Point pos;
  Size client;
  // The largest position of each bar (0 when the canvas fits).
  Point Limit() const;
};

// The window system's scroll bars count in int. A canvas whose scroll range
// passes kBarRange is shown on them in units of 2^shift canvas units; below
// it a bar unit is a canvas unit.
inline constexpr Coord kBarRange = Coord{1} << 30;
int BarShift(Coord limit);
// A canvas position as a bar value, and a bar value back as a canvas
// position (the bar's end is the canvas's end).
int ToBar(Coord position, Coord limit);
Coord FromBar(int value, Coord limit);

// One horizontal grid line of the last drawing: canvas y and exact value.
struct GridMark {
  Coord y = -1;  // −1: empty entry
  float value = 0;
};
inline constexpr int kGridMarks = 10;

// The chart view's scale state. Names follow the view's members.
struct ChartState {
  int m_nSamples = 0;         // n: samples along the time axis
  double m_dHalfScale = 0;    // H; 0 until a recording has been drawn
  bool m_bShowCurrent = false;
  int m_nPlotHeight = 0;      // Hp
  int m_nPlotWidth = 0;       // W
  Point m_ptPrintOffset;
  Rect m_rcPlot;
  Rect m_rcPage;
  Rect m_rcClient;
  Point m_ptScroll;           // (sx, sy)
  Size m_sizeTotal{10, 10};   // (cx, cy)
  Point m_ptScrollPrintSaved;
  Point m_ptScrollSupplySaved;
  Size m_sizeTotalPrintSaved;
  Size m_sizeTotalSupplySaved;
  // W and Hp of the screen while a print job rescales them.
  int m_nPlotWidthPrintSaved = 0;
  int m_nPlotHeightPrintSaved = 0;
  bool m_bPrinting = false;
  bool m_bSupplyVoltage = false;
  bool m_bScrollDone = true;
  std::array<GridMark, kGridMarks> m_gridMarks{};
  // The value axis' headings and top labels of the last screen drawing, in
  // client coordinates: the cursor read-out stays off them.
  std::vector<Rect> m_rcAxisTop;
  ScrollBars bars;
};

// ---- coordinates -------------------------------------------------------------

// Canvas x of sample i (printing: page x of the samples the window showed).
Coord IndexToX(const ChartState& s, int i);
// Canvas y of a voltage (printing: page y), clamped to −32750 .. 32500 (on a
// taller screen canvas to far beyond it). A value that is not a number sits
// with the lowest values.
Coord ValueToY(const ChartState& s, float v);
// The voltage under client row yc, in steps of H/525.
double CursorValue(const ChartState& s, Coord yc);
// The sample under client column xc (not limited to the recording).
int CursorIndex(const ChartState& s, Coord xc);
struct SampleRange {
  int first = 0;
  int last = -1;
};
// The samples worth drawing: one beyond each window edge.
SampleRange VisibleRange(const ChartState& s);
// The samples the window shows: those between its edges.
SampleRange WindowSamples(const ChartState& s);

// The same mappings with their per-drawing constants worked out once, for loops.
class XMap {
 public:
  explicit XMap(const ChartState& s);
  Coord operator()(int i) const;

 private:
  bool printing_;
  Coord cx_, n1_, ox_;
  Coord a_, span_, left_, width_;
};

class YMap {
 public:
  explicit YMap(const ChartState& s);
  Coord operator()(float v) const;

 private:
  double h_, cy_, twoH_;
  bool printing_;
  Coord top_, height_, sy_, hp_;
  Coord lo_, hi_;  // the clamp
};

// ---- scroll sizes and position ------------------------------------------------

// New canvas for the scroll bars; page = 0.9 of the plot, line = page / 20.
// A size below 1 in either axis is ignored; each axis is limited to kMaxCanvas.
void SetChartScrollSizes(ChartState& s, Size total);
// Scrolls to (x, y) limited to the bars' range; the view's copy follows.
void ScrollToClamped(ChartState& s, Point p);

// ---- commands ------------------------------------------------------------------

// Each returns whether the view must be repainted.
bool StretchTime(ChartState& s);
bool CompressTime(ChartState& s);
bool StretchValues(ChartState& s);
bool CompressValues(ChartState& s);
struct ZoomResult {
  bool zoomed = false;
  bool beep = false;  // the vertical zoom stopped at its limit
};
// The rubber band from client point p0 to p1.
ZoomResult ZoomToRect(ChartState& s, Point p0, Point p1);
// The same zoom for a band over samples first..last at the window's full height.
ZoomResult ZoomToSpan(ChartState& s, int first, int last);
void ToggleSupplyVoltage(ChartState& s);
// The time axis stretched or compressed as by the commands (when they are
// enabled), the time under client column xc staying under it; the commands
// themselves keep the window's centre.
bool StretchTimeAt(ChartState& s, Coord xc);
bool CompressTimeAt(ChartState& s, Coord xc);
// The value axis back to the window's height: all of ±H in view.
void FitValuesToWindow(ChartState& s);

bool CanStretchTime(const ChartState& s);
bool CanCompressTime(const ChartState& s);
bool CanStretchValues(const ChartState& s);
bool CanCompressValues(const ChartState& s);

// ---- view life -----------------------------------------------------------------

// A fresh window of the given client size: canvas 10 × 10.
void InitialUpdate(ChartState& s, Size client);
// The window's client area changed size.
void SetClientSize(ChartState& s, Size client);
// New recording (or "Первоначальный вид"): n samples, canvas = client, scroll 0.
void ResetView(ChartState& s, int nSamples);
// A display limit the scales can work with: finite, positive and not absurdly
// small or large. A header no recorder writes (or a run without channel
// samples) can give 0 or worse; the curves are then drawn at the recorder's
// largest range, without grid or labels.
bool UsableLimit(double limit);
inline constexpr double kFallbackLimit = 100;
double DrawingLimit(double limit);

// Before a screen drawing: plot = client, scroll read from the bars, half
// scale from the limit, and a canvas never smaller than the window.
void PrepareScreenDrawing(ChartState& s, double limit, bool shuntCurrent);

// Scroll-bar notifications, with the window system's codes.
enum ScrollCode {
  kLineUp = 0,
  kLineDown = 1,
  kPageUp = 2,
  kPageDown = 3,
  kThumbPosition = 4,
  kThumbTrack = 5,
  kTop = 6,
  kBottom = 7,
  kEndScroll = 8,
};
// Returns whether the view must be repainted (the end of a gesture).
bool OnScroll(ChartState& s, bool vertical, ScrollCode code);

// ---- printing -------------------------------------------------------------------

// Page rectangle in device units from the margins (hundredths of a millimetre),
// the resolution, the printable area's offset on the sheet and its size.
Rect PrintPageRect(const Margins& margins, int dpiX, int dpiY, Point printableOffset, int horzRes,
                   int vertRes);
// Rescales canvas and scroll position from the window to the page.
void BeginPrinting(ChartState& s, const Rect& page);
// Before a printed drawing: plot = page (less the caption band), half scale.
void PreparePrintDrawing(ChartState& s, double limit, bool shuntCurrent, int captionHeight);
// Back to the window's zoom and position.
void EndPrinting(ChartState& s);
// Thickness of a printed curve in device rows (about 0.48 mm).
int PrintStrokeWidth(int dpiY);

}  // namespace zet::chart
