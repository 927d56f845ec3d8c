#include "analysis/survey_scan.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cfloat>
#include <cstring>
#include <type_traits>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "diagram/diagram_geometry.h"

namespace zet::analysis::scan {
namespace {

#define ZET_INLINE [[gnu::always_inline]] inline

// Not on Windows: there GCC cannot align the stack for the 32-byte vectors
// the wide loops spill, and an aligned move to a misaligned slot faults.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(_WIN32)
namespace wide {
#pragma GCC push_options
#pragma GCC target("avx2,bmi,popcnt")
#define ZET_WIDE 1
#include "analysis/survey_loops.inc"
#undef ZET_WIDE
#pragma GCC pop_options
}  // namespace wide
std::atomic<bool> wideAllowed{true};
bool UseWide() {
  static const bool wide =
      __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("popcnt");
  return wide && wideAllowed.load(std::memory_order_relaxed);
}
#define ZET_LOOPS(call) (UseWide() ? wide::call : plain::call)
#define ZET_HAS_WIDE 1
#else
#define ZET_LOOPS(call) plain::call
#endif

namespace plain {
#define ZET_WIDE 0
#include "analysis/survey_loops.inc"
#undef ZET_WIDE
}  // namespace plain

// The float nearest to, but not past, where a growing function of the sample
// crosses a level: ordered keys of the floats from -inf to +inf, bisected.
int Key(float x) {
  const std::int32_t b = std::bit_cast<std::int32_t>(x);
  return b >= 0 ? b : -(b & 0x7fffffff);
}
float FromKey(int k) {
  return k >= 0 ? std::bit_cast<float>(k) : std::bit_cast<float>(static_cast<std::int32_t>(-k | INT32_MIN));
}
template <class Pred>
float FirstFloat(Pred yes) {  // smallest float x with yes(x), yes growing; +inf when none
  int lo = Key(-HUGE_VALF), hi = Key(HUGE_VALF);
  if (yes(-HUGE_VALF)) return -HUGE_VALF;
  while (static_cast<long long>(hi) - lo > 1) {
    const int mid = static_cast<int>((static_cast<long long>(lo) + hi) / 2);
    (yes(FromKey(mid)) ? hi : lo) = mid;
  }
  return FromKey(hi);
}

}  // namespace

float Reading::Above(double level) const {
  return FirstFloat([&](float x) { return Value(x) > level; });
}

float Reading::Below(double level) const {
  // The largest float with value < level: just before the first with value >= level.
  const float first = FirstFloat([&](float x) { return !(Value(x) < level); });
  return first == -HUGE_VALF ? -HUGE_VALF : FromKey(Key(first) - 1);
}

void Acc::Merge(const Acc& o) {
  n += o.n;
  invalid += o.invalid;
  sum += o.sum;
  sumSq += o.sumSq;
  if (o.min < min) min = o.min, minPiece = o.minPiece;
  if (o.max > max) max = o.max, maxPiece = o.maxPiece;
  nPos += o.nPos, nNeg += o.nNeg, nRef += o.nRef;
  sumPos += o.sumPos, sumNeg += o.sumNeg, sumRef += o.sumRef;
}

bool AllowWideLoops(bool on) {
#ifdef ZET_HAS_WIDE
  return wideAllowed.exchange(on);
#else
  return on;
#endif
}

Acc Sums(const float* p, long long n, const Reading& rd, const Levels& lv, bool* invalid) {
  return ZET_LOOPS(Sums(p, n, rd, lv, invalid));
}

void Runs(RunPiece& r, const float* p, long long n, float level, bool above, bool checked, long long minRun) {
  ZET_LOOPS(Runs(r, p, n, level, above, checked, minRun));
}

void Pair(PairPiece& a, const float* p1, const float* p2, long long n, const Reading& rd, double pivot1,
          double pivot2, bool checked, int same, const Edge* edge, int* sector, double* magnitude) {
  ZET_LOOPS(Pair(a, p1, p2, n, rd, pivot1, pivot2, checked, same, edge, sector, magnitude));
}

void Histogram(Bins& bins, const float* p, long long n, const Reading& rd) {
  ZET_LOOPS(Histogram(bins, p, n, rd));
}

void Histogram(Bins& bins1, Bins& bins2, const float* p1, const float* p2, long long n, const Reading& rd) {
  ZET_LOOPS(Histogram(bins1, bins2, p1, p2, n, rd));
}

void Grid(std::uint32_t* grid, const GridMap& g, const float* p1, const float* p2, long long n, const Reading& rd) {
  ZET_LOOPS(Grid(grid, g, p1, p2, n, rd));
}

bool BoxEdge(double e0, double e1, double n0, double n1, Edge* edge) {
  if (e0 <= 0 && e1 >= 0 && n0 <= 0 && n1 >= 0) return false;  // it holds the origin
  // The directions of a box clear of the origin span less than a half turn,
  // from one corner's to another's: when the corners lie in two neighbouring
  // sectors, so does every vector of the box.
  int first = -1, second = -1;
  for (double e : {e0, e1})
    for (double n : {n0, n1}) {
      const int k = QuickSector(e, n);
      if (k < 0) return false;
      if (first < 0 || k == first) {
        first = k;
      } else if (second < 0 || k == second) {
        second = k;
      } else {
        return false;
      }
    }
  if (second < 0) return false;
  // k, then k + 1 towards west.
  const int k = ((second - first) & (kSectors - 1)) == 1 ? first : ((first - second) & (kSectors - 1)) == 1 ? second : -1;
  if (k < 0) return false;
  const double azimuth = 22.5 * k + 11.25;  // of the edge between them
  const auto offAxis = [](double a) {  // degrees off the north-south axis
    const double c = std::fmod(a, 180);
    return std::min(c, 180 - c);
  };
  edge->tangent = kEdgeTangent[static_cast<int>((offAxis(azimuth) - 11.25) / 22.5 + 0.5)];
  edge->east = azimuth < 180 ? -1 : 1;  // the signs of the quadrant the edge runs through
  edge->north = azimuth > 90 && azimuth < 270 ? -1 : 1;
  const int next = (k + 1) & (kSectors - 1);
  const bool nextLeans = offAxis(22.5 * next) > offAxis(22.5 * k);
  edge->beyond = nextLeans ? next : k;
  edge->within = nextLeans ? k : next;
  return true;
}

int BoxSector(double e0, double e1, double n0, double n1) {
  const bool northSide = n0 > 0 || n1 < 0, eastSide = e0 > 0 || e1 < 0;
  // Tangents of the edges next to the axes, with more room than QuickSector keeps.
  constexpr double kAxisNS = kEdgeTangent[0] * (1 - 2e-5), kAxisEW = kEdgeTangent[3] * (1 + 2e-5);
  if (northSide && eastSide) {
    const int k = QuickSector(e0, n0);
    for (double e : {e0, e1})
      for (double n : {n0, n1})
        if (QuickSector(e, n) != k) return -1;
    return k;
  }
  if (northSide && !(e0 > e1)) {  // across the north-south axis
    const double east = std::max(-e0, e1), north = n0 > 0 ? n0 : -n1;
    return east < kAxisNS * north ? (n0 > 0 ? 0 : 8) : -1;
  }
  if (eastSide && !(n0 > n1)) {  // across the east-west axis
    const double north = std::max(-n0, n1), east = e0 > 0 ? e0 : -e1;
    return east > kAxisEW * north ? (e0 > 0 ? 12 : 4) : -1;
  }
  return -1;
}

int RuleSector(double e, double n) {
  const double az = AzimuthDegrees(static_cast<float>(e), static_cast<float>(n));
  const int k = static_cast<int>(std::floor((az + 11.25) / 22.5));
  return ((k % kSectors) + kSectors) % kSectors;
}

int QuickSector(double e, double n) {
  const double ae = std::fabs(e), an = std::fabs(n);
  int q = 0;
  double gap = HUGE_VAL;
  for (double t : kEdgeTangent) {
    const double d = ae - t * an;
    q += d > 0, gap = std::min(gap, std::fabs(d));
  }
  const bool near = gap <= 1e-5 * (ae + an) || e == 0 || n == 0;
  const int k = n > 0 ? (e < 0 ? q : (kSectors - q) & (kSectors - 1)) : (e < 0 ? 8 - q : 8 + q);
  return near ? -1 : k;
}

}  // namespace zet::analysis::scan
