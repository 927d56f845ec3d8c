// The survey assessment over a full recorder memory (2 × 2^24 samples) beside
// one plain pass that only sums both arrays: the assessment should stay within
// twice that pass.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "analysis/survey.h"

namespace zet::analysis {
namespace {

constexpr long long kFullMemory = 1LL << 24;

// A pipe potential drifting about −0.9 V with 50 Hz ripple and noise, and a
// soil gradient that swings with it, sampled every 0.5 s from a known start.
struct Survey {
  std::vector<float> ch1, ch2;
  Source src;
  Survey() : ch1(kFullMemory), ch2(kFullMemory) {
    std::mt19937 rng(5);
    std::normal_distribution<float> noise(0, 0.02f);
    for (long long i = 0; i < kFullMemory; ++i) {
      const double drift = 0.3 * std::sin(i * 2e-5);
      ch1[i] = static_cast<float>(-0.9 + drift + 0.05 * std::sin(i * 0.7)) + noise(rng);
      ch2[i] = static_cast<float>(0.4 * drift - 0.1 + 0.03 * std::cos(i * 0.7)) + noise(rng);
    }
    src.header.nDevice = 12;
    src.header.bDateKnown = 1;
    src.header.nYear = 2024, src.header.nMonth = 3, src.header.nDay = 5, src.header.nHour = 9;
    src.header.dPeriod = 0.5;
    src.header.nChannels = 2;
    src.channel[0] = ch1.data(), src.count[0] = kFullMemory;
    src.channel[1] = ch2.data(), src.count[1] = kFullMemory;
  }
};

const Survey& Data() {
  static const Survey s;
  return s;
}

void BM_PlainSum(benchmark::State& state) {
  const Survey& s = Data();
  for (auto _ : state) {
    double a = 0, b = 0;
    for (long long i = 0; i < kFullMemory; ++i) a += s.ch1[i], b += s.ch2[i];
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
  }
}
BENCHMARK(BM_PlainSum)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_Assess(benchmark::State& state) {
  const Survey& s = Data();
  Inputs in;
  in.reference = {-0.85, 0.0};
  in.limits = {{true, -0.85}, {false, -1.1}};
  in.minExcursion = 5;
  for (auto _ : state) benchmark::DoNotOptimize(Assess(s.src, WholeSpan(s.src), in));
}
BENCHMARK(BM_Assess)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
}  // namespace zet::analysis

BENCHMARK_MAIN();
