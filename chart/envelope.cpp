#include "chart/envelope.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zet::chart {
namespace {

constexpr float kNegInf = -std::numeric_limits<float>::infinity();

inline float Key(float v) { return v != v ? kNegInf : v; }
// Select rather than branch: survey noise makes every comparison a coin toss.
inline float Min(float a, float b) { return b < a ? b : a; }
inline float Max(float a, float b) { return b > a ? b : a; }

// A library that used the wide vector registers without clearing their upper
// halves (Qt's start-up does) makes every later SSE instruction wait on them:
// the build below ran four times slower. Clearing them first costs nothing.
inline void ClearUpperVectorHalves() {
#if defined(__x86_64__) && defined(__GNUC__)
  static const bool avx = __builtin_cpu_supports("avx");
  if (avx) asm volatile("vzeroupper");
#endif
}

}  // namespace

void Envelope::Clear() {
  data_ = nullptr;
  n_ = 0;
  min_.clear();
  max_.clear();
  sum_.clear();
}

void Envelope::Build(const float* data, int n) {
  ClearUpperVectorHalves();
  Clear();
  data_ = data;
  n_ = data ? std::max(n, 0) : 0;
  // Only whole buckets: a query never needs a partial one.
  std::size_t count = static_cast<std::size_t>(n_ / kFan);
  if (count == 0) return;
  std::vector<float> lo(count), hi(count);
  for (std::size_t b = 0; b < count; ++b) {
    const float* p = data_ + b * kFan;
    // Four independent lanes, so the compiler keeps them in vector registers.
    float l[4], h[4];
    for (int k = 0; k < 4; ++k) l[k] = h[k] = Key(p[k]);
    for (int g = 4; g < kFan; g += 4) {
      for (int k = 0; k < 4; ++k) {
        const float v = Key(p[g + k]);
        l[k] = Min(l[k], v);
        h[k] = Max(h[k], v);
      }
    }
    lo[b] = Min(Min(l[0], l[1]), Min(l[2], l[3]));
    hi[b] = Max(Max(h[0], h[1]), Max(h[2], h[3]));
  }
  while (count > 0) {
    const std::size_t up = count / kFan;
    std::vector<float> ulo(up), uhi(up);
    for (std::size_t b = 0; b < up; ++b) {
      float l = lo[b * kFan], h = hi[b * kFan];
      for (int k = 1; k < kFan; ++k) {
        l = Min(l, lo[b * kFan + k]);
        h = Max(h, hi[b * kFan + k]);
      }
      ulo[b] = l;
      uhi[b] = h;
    }
    min_.push_back(std::move(lo));
    max_.push_back(std::move(hi));
    lo = std::move(ulo);
    hi = std::move(uhi);
    count = up;
  }
}

// Sums are asked for only by the span statistics: built on the first question.
void Envelope::BuildSums() const {
  ClearUpperVectorHalves();
  sum_.resize(min_.size());
  for (std::size_t level = 0; level < min_.size(); ++level) {
    std::vector<double>& s = sum_[level];
    s.resize(min_[level].size());
    for (std::size_t b = 0; b < s.size(); ++b) {
      double t = 0;
      if (level == 0) {
        for (int k = 0; k < kFan; ++k) t += data_[b * kFan + k];
      } else {
        for (int k = 0; k < kFan; ++k) t += sum_[level - 1][b * kFan + k];
      }
      s[b] = t;
    }
  }
}

Envelope::MinMax Envelope::NodeRange(int level, long long index) const {
  if (level < 0) {
    const float v = Key(data_[index]);
    return {v, v};
  }
  return {min_[level][index], max_[level][index]};
}

Envelope::MinMax Envelope::Range(int i0, int i1) const {
  MinMax r{std::numeric_limits<float>::infinity(), kNegInf};
  ForEachNode(i0, i1, [&](int level, long long j) {
    const MinMax m = NodeRange(level, j);
    r.min = Min(r.min, m.min);
    r.max = Max(r.max, m.max);
  });
  return r;
}

float Envelope::Peak(int i0, int i1) const {
  const MinMax m = Range(i0, i1);
  if (std::isfinite(m.min) && std::isfinite(m.max)) return std::max(-m.min, m.max);
  // A sample that is not a number (or infinite) hides the finite extremes.
  float peak = 0;
  for (int i = std::max(i0, 0); i <= std::min(i1, n_ - 1); ++i)
    if (std::isfinite(data_[i])) peak = std::max(peak, std::fabs(data_[i]));
  return peak;
}

double Envelope::Sum(int i0, int i1) const {
  if (sum_.size() != min_.size()) BuildSums();
  double sum = 0;
  ForEachNode(i0, i1, [&](int level, long long j) { sum += level < 0 ? data_[j] : sum_[level][j]; });
  return sum;
}

}  // namespace zet::chart
