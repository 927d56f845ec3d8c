#pragma once
// The diagram benches' recording: a vector that wanders slowly around a
// drifting centre, with noise, n samples in both channels, largest range 10 V.
#include <cmath>
#include <random>

#include "recording/recording.h"

namespace zet {

inline Recording Wandering(int n) {
  Recording r;
  r.header.nDevice = 12;
  r.header.dPeriod = 0.5;
  r.header.nChannels = 2;
  r.header.dMaxRange = 10;
  r.channel1.emplace(n);
  r.channel2.emplace(n);
  std::mt19937 rng(7);
  std::normal_distribution<float> noise(0, 0.2f);
  for (int i = 0; i < n; ++i) {
    const double a = i * 1e-4, m = 3 + 2 * std::sin(i * 3e-5);
    (*r.channel2)[i] = static_cast<float>(m * std::cos(a)) + noise(rng);
    (*r.channel1)[i] = static_cast<float>(m * std::sin(a)) + noise(rng);
  }
  return r;
}

}  // namespace zet
