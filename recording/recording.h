#pragma once
// The recording: header, the recorder's sample word and its conversions, the
// time text of a sample, and the document-independent recording data.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zet {

struct RecordingHeader {
  std::uint16_t nDevice = 0;  // 0: no recording
  std::int32_t bDateKnown = 0;
  std::int32_t nYear = 0;
  std::int32_t nMonth = 0;
  std::int32_t nDay = 0;
  std::int32_t nHour = 0;
  std::int32_t nMinute = 0;
  double dPeriod = 0;  // seconds between two samples of one channel
  std::int32_t bFixedRange = 0;
  double dRange = 0;     // volts
  double dMaxRange = 0;  // volts
  std::int32_t nChannels = 0;
  bool operator==(const RecordingHeader&) const = default;
};

// ---- sample word ---------------------------------------------------------
inline constexpr std::uint16_t kSupplyBit = 0x8000;
inline constexpr std::uint16_t kRunMarkerBit = 0x4000;

float RangeFactor(std::uint16_t w);
float ChannelVolts(std::uint16_t w);
float SupplyVolts(std::uint16_t w);
// Continuous ("fast") sampling: a period below the single-precision 0.01 s.
bool IsFastSampling(double dPeriod);

// Time text of sample i: "%8.4f c   " for fast sampling, else the local
// date and time "%d.%m.%Y %H:%M:%S", or the span "%D:%H:%M:%S   " when the
// start date is unknown.
std::string GetTimeText(const RecordingHeader& header, long long i);

// An owned sample array. Absent and empty differ: a one-channel download keeps
// an empty channel-2 array, a file read has none.
using SampleArray = std::optional<std::vector<float>>;

inline int Count(const SampleArray& a) { return a ? static_cast<int>(a->size()) : 0; }

// One recording as a file holds it.
struct Recording {
  RecordingHeader header;
  double shuntResistance = 0;
  SampleArray channel1;
  SampleArray channel2;
  SampleArray supply;
  std::string comment;  // UTF-8, lines separated by "\r\n"
  std::string title;    // "Измерения%d" for downloaded runs
};

}  // namespace zet
