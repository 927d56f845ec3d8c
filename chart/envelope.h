#pragma once
// Minimum, maximum and sum of any run of samples in logarithmic time, so that
// a pixel column over thousands of samples costs a few steps. A pyramid of
// buckets, each level 16 times coarser; a query takes whole buckets inside the
// run and the raw samples at its two ragged ends, so the answer is exact.
#include <vector>

namespace zet::chart {

class Envelope {
 public:
  // Builds over n samples at data; the samples must stay in place until the
  // next Build or Clear.
  void Build(const float* data, int n);
  void Clear();
  // Whether this envelope was built over exactly these samples.
  bool BuiltOver(const float* data, int n) const { return data_ == data && n_ == n && (n == 0 || data); }

  struct MinMax {
    float min;
    float max;
  };
  // Over samples i0..i1 (inclusive, within the samples). A sample that is
  // not a number counts as minus infinity, as the chart draws it at the bottom.
  MinMax Range(int i0, int i1) const;
  double Sum(int i0, int i1) const;
  // The largest magnitude of the finite samples among i0..i1; 0 when none is.
  float Peak(int i0, int i1) const;

  // The pyramid itself, for callers that descend it. A node is a sample
  // (level −1) or a bucket of 16^(level + 1) samples; its children are the 16
  // nodes one level down.
  static constexpr int kFan = 16;
  MinMax NodeRange(int level, long long index) const;
  // Calls take(level, index) for the nodes that make up samples i0..i1.
  template <class Take>
  void ForEachNode(int i0, int i1, Take&& take) const;

 private:
  const float* data_ = nullptr;
  int n_ = 0;
  // [k]: minima, maxima and sums of the buckets of 16^(k+1) samples.
  std::vector<std::vector<float>> min_, max_;
  mutable std::vector<std::vector<double>> sum_;  // built on first use
  void BuildSums() const;
};

template <class Take>
void Envelope::ForEachNode(int i0, int i1, Take&& take) const {
  long long lo = i0 < 0 ? 0 : i0;
  long long hi = static_cast<long long>(i1) + 1 < n_ ? static_cast<long long>(i1) + 1 : n_;
  const int levels = static_cast<int>(min_.size());
  for (int level = -1;; ++level) {
    if (lo >= hi) return;
    if (level + 1 >= levels) {
      while (lo < hi) take(level, lo++);
      return;
    }
    while (lo < hi && lo % kFan != 0) take(level, lo++);
    while (lo < hi && hi % kFan != 0) take(level, --hi);
    lo /= kFan;
    hi /= kFan;
  }
}

}  // namespace zet::chart
