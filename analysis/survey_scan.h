#pragma once
// The loops over samples behind the survey assessment: one stretch of
// samples at a time (a piece), so the assessment can hand pieces to several
// cores and merge what they found in sample order. Every loop keeps the
// same lanes on every processor, so the figures do not depend on which
// loops run or how the span was shared out.
#include <cmath>
#include <cstdint>

#include "recording/recording.h"

namespace zet::analysis::scan {

inline constexpr int kBins = 64;     // histogram bins; index kBins takes samples left out
inline constexpr int kSectors = 16;  // rose sectors; index kSectors takes zero vectors

// How raw samples become values: volts as they are, or amperes through a shunt.
struct Reading {
  bool current = false;
  double ohms = 1;
  double Value(float x) const { return current ? ShuntAmperes(x, ohms) : static_cast<double>(x); }
  // Values only grow with the sample, so "value > level" is "sample >= some
  // float": these find that float (an infinity when no finite one does).
  float Above(double level) const;  // value > level  <=>  x >= Above(level)
  float Below(double level) const;  // value < level  <=>  x <= Below(level)
};

// Running sums of one channel over some samples, taken about a pivot so a
// nearly constant channel keeps its spread exact.
struct Acc {
  double n = 0, invalid = 0;
  double sum = 0, sumSq = 0;  // of v − pivot
  double min = HUGE_VAL, max = -HUGE_VAL;
  long long minPiece = -1, maxPiece = -1;  // first sample of the first piece holding each extreme
  double nPos = 0, nNeg = 0, nRef = 0;
  double sumPos = 0, sumNeg = 0, sumRef = 0;  // sumRef: of v − reference over v > reference

  void Merge(const Acc& o);
};

// One channel's levels, as values and as the floats that decide them.
struct Levels {
  double pivot = 0;
  double ref = HUGE_VAL;  // none: nothing lies above it
  float pos = 0, neg = 0, above = 0;  // x >= pos: value > 0; x <= neg: value < 0; x >= above: value > ref
};

// Sums of samples p[0..n). `invalid` tells the caller the piece holds samples
// that are not finite (then the sums leave them out).
Acc Sums(const float* p, long long n, const Reading& rd, const Levels& lv, bool* invalid);

// Runs of samples beyond one limit through a piece. Samples not finite
// neither break nor extend a run. A piece only knows where the run it began
// inside ended, so that first run (head) is joined to the one before it when
// the pieces are merged in order.
struct RunPiece {
  bool broken = false;  // a sample within the limit occurred
  long long head = 0;   // samples beyond it before the first break
  long long run = 0;    // the run still open (before the first break: the head so far)
  long long excursions = 0, inExcursions = 0, longest = 0;  // whole runs inside, minRun and longer
};
// above: beyond means x >= level; else x <= level (levels from Reading).
void Runs(RunPiece& r, const float* p, long long n, float level, bool above, bool checked, long long minRun);

// A box that reaches into two neighbouring sectors, and the edge between
// them: the line east × e = tangent × north × n, with east and north the
// signs (±1) of the quadrant it runs through. Vectors with east × e beyond
// it lean farther off the north-south axis and lie in `beyond`, the others
// in `within`.
struct Edge {
  double tangent = 0;
  float east = 1, north = 1;
  int within = -1, beyond = -1;
};

// The channel pair over a piece: sums about the pivots, and the rose.
struct PairPiece {
  double n = 0, sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
  double weight = 0;
  long long count[kSectors + 1] = {};
  double weighted[kSectors + 1] = {};
};
// Channel 1 is north, channel 2 east. Without invalid samples (checked
// false) the caller takes n, sx, sy, sxx, syy from the channels' own sums.
// same: the sector every vector lies in when the caller knows it, else -1;
// edge: the edge between the two sectors they lie in, when it knows that.
// sector and magnitude: room for n + 8 each.
void Pair(PairPiece& a, const float* p1, const float* p2, long long n, const Reading& rd, double pivot1,
          double pivot2, bool checked, int same, const Edge* edge, int* sector, double* magnitude);

// A channel's histogram: value v falls in bin (v − from) × scale (the last
// bin takes the top, scale 0 puts all in the first); count[kBins] takes
// samples left out.
struct Bins {
  double from = 0, scale = 0;
  long long count[kBins + 1] = {};
};
// Adds samples p[0..n) of one channel, or of two side by side.
void Histogram(Bins& bins, const float* p, long long n, const Reading& rd);
void Histogram(Bins& bins1, Bins& bins2, const float* p1, const float* p2, long long n, const Reading& rd);

// Counts pairs of samples p1[i], p2[i] on a grid w cells across (channel 1)
// and h up (channel 2), row by row from the top: a value v falls in cell
// (v − x0) × sx + 0.5, cut to a whole cell inside the grid. grid has w × h + 1
// places, the last for pairs left out.
struct GridMap {
  double x0 = 0, sx = 0, y0 = 0, sy = 0;
  int w = 1, h = 1;
};
void Grid(std::uint32_t* grid, const GridMap& g, const float* p1, const float* p2, long long n, const Reading& rd);

// The loops are compiled twice, for processors with AVX2 and for any; tests
// switch the wide ones off to run the others too. Returns the last setting.
bool AllowWideLoops(bool on);

// Tangents of the sector edges at 11.25°, 33.75°, 56.25° and 78.75° off the
// north-south axis.
inline constexpr double kEdgeTangent[4] = {0.19891236737965800, 0.66817863791929892, 1.4966057626654890,
                                           5.0273394921233042};

// The rose sector by the diagram's own azimuth rule, and a quicker way to the
// same answer (-1 where only the rule can tell).
int RuleSector(double e, double n);
int QuickSector(double e, double n);
// The one sector of every vector (e, n) with e0 <= e <= e1, n0 <= n <= n1,
// or -1 when the box may reach into more than one: as the edges are
// straight lines from the origin, a box inside a quadrant lies in a sector
// when its corners do, and a box across an axis in the sector around it
// when its widest point is clear of the edges.
int BoxSector(double e0, double e1, double n0, double n1);
// The edge of a box that reaches into two neighbouring sectors (false for
// any other box).
bool BoxEdge(double e0, double e1, double n0, double n1, Edge* edge);

}  // namespace zet::analysis::scan
