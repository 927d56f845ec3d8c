#pragma once
// The survey assessment of a recording: per channel the figures a field
// engineer works out for each measurement point (extremes, means, the shift
// from the natural potential and the zone it gives, time beyond limits,
// hourly and daily means, a histogram), and for two channels how they move
// together and where the stray current comes from. No level is built in:
// every reference and limit is the user's.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "recording/log_document.h"

namespace zet::analysis {

struct Limit {
  bool above = true;  // beyond means > level; else < level
  double level = 0;
  bool operator==(const Limit&) const = default;
};

struct Inputs {
  std::array<std::optional<double>, 2> reference;  // natural potential per channel
  std::vector<Limit> limits;
  double minExcursion = 0;  // seconds; shorter runs beyond a limit do not count
  bool operator==(const Inputs&) const = default;
};

// Samples first..last inclusive, counted from 0.
struct Span {
  long long first = 0;
  long long last = -1;
  bool operator==(const Span&) const = default;
};

// What is assessed: the samples with the header that times them, in volts,
// or in amperes through a shunt when shuntOhms is usable.
struct Source {
  RecordingHeader header;
  const float* channel[2] = {nullptr, nullptr};
  long long count[2] = {0, 0};
  double shuntOhms = 0;  // 0: volts
};
// The document's samples as the chart shows them now (current when shown).
Source SourceOf(const LogDocument& doc);
// A recording's samples, in amperes when asked and its shunt resistance allows.
Source SourceOf(const Recording& rec, bool current);
// The whole recording: every sample of the longer channel.
Span WholeSpan(const Source& src);

enum class Zone { None, Anodic, Alternating, Cathodic };
const char* ZoneName(Zone z);  // "anodic", ...; "" for None

struct Shift {
  double reference = 0;
  std::optional<double> max;           // largest shift (sample − reference)
  std::optional<double> meanPositive;  // mean of the positive shifts
  double sharePositive = 0;
  Zone zone = Zone::None;
};

struct LimitFigures {
  Limit limit;
  double share = 0;  // of the valid samples, in excursions that count
  long long excursions = 0;
  double longest = 0;  // seconds
  double total = 0;
};

// One clock hour or calendar day the span touches.
struct Period {
  long long start = 0;  // local instant (time_t) of its beginning, or seconds from the start without a date
  bool clock = true;    // start is a local instant
  long long count = 0;
  std::optional<double> min, mean, max;
};

inline constexpr int kHistogramBins = 64;
inline constexpr int kRoseSectors = 16;

struct ChannelFigures {
  int channel = 1;
  long long count = 0;    // valid samples
  long long invalid = 0;  // not finite, left out
  std::optional<double> duration;  // seconds from the first to the last sample
  std::optional<double> min, max, mean, rms, std;
  long long minAt = -1, maxAt = -1;  // sample number of the first occurrence
  std::optional<double> meanPositive, meanNegative;
  double sharePositive = 0, shareNegative = 0;
  std::optional<Shift> shift;
  std::vector<LimitFigures> limits;
  std::vector<Period> hourly, daily;
  double histFrom = 0, histTo = 0;
  std::array<long long, kHistogramBins> histogram{};
};

struct PairFigures {
  long long count = 0;  // samples valid in both channels
  std::optional<double> slope, intercept, r;  // channel 2 = slope × channel 1 + intercept
  double meanEast = 0, meanNorth = 0, magnitude = 0;
  std::optional<double> azimuth;  // degrees, the diagram's rule; none for a zero vector
  std::array<double, kRoseSectors> share{}, weightedShare{};
};

struct Figures {
  Span span;
  bool current = false;  // amperes instead of volts
  std::vector<ChannelFigures> channels;  // the channels present, 1 then 2
  std::optional<PairFigures> pair;
};

// The span must lie inside the recording (see SpanError).
Figures Assess(const Source& src, Span span, const Inputs& in);
// Empty when the span is usable, else why not, naming the valid range.
std::string SpanError(const Source& src, Span span);

// How many pairs of samples of the span fall in each cell of a w × h grid
// of channel 2 (up) against channel 1 (across) between their extremes, row
// by row from the top: the density picture. Empty without both channels.
std::vector<std::uint32_t> ScatterGrid(const Source& src, const Figures& f, int w, int h);

// The rose sector of a vector (east = channel 2, north = channel 1) by the
// diagram's azimuth: sector k is centred on 22.5°·k; none for a zero vector.
std::optional<int> RoseSector(double e, double n);

}  // namespace zet::analysis
