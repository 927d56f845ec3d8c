#pragma once
// The recording: header, the recorder's sample word and its conversions, the
// time text of a sample, and the document-independent recording data.
#include <cmath>
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

// Seconds from the start to sample i, as time texts and chart labels count them.
inline double SampleSeconds(const RecordingHeader& header, long long i) {
  return static_cast<double>(i) * header.dPeriod;
}
// The local start instant (time_t) when the header names a usable start date.
std::optional<long long> RecordingStart(const RecordingHeader& header);

// Shunt current: a reading in volts over the shunt's resistance, which must be
// a positive number to give one.
inline bool UsableShuntResistance(double ohms) { return std::isfinite(ohms) && ohms > 0; }
inline double ShuntAmperes(double volts, double ohms) { return volts / ohms; }

// printf("%.*f", decimals, v) in the C locale, byte for byte (including
// "-0.000000", "nan", "-inf"), without touching the process locale. decimals
// 0..9; out needs room for 330 bytes. Returns the end of the text.
char* FormatFixed(double v, int decimals, char* out);

// Time text of sample i: "%8.4f c   " for fast sampling, else the local
// date and time "%d.%m.%Y %H:%M:%S", or the span "%D:%H:%M:%S   " when the
// start date is unknown.
// Header values no recorder writes (non-finite or astronomically large
// periods, dates outside 1900..9999 or fields out of their range) never crash:
// an unusable time gives kUnknownTimeText, an unusable start date falls back
// to the elapsed-time form.
std::string GetTimeText(const RecordingHeader& header, long long i);

inline constexpr const char* kUnknownTimeText = "?";

// The recorder and the start of the recording, as printed pages head them:
// "Прибор №12     Начало измерений 05.03.2024 в 09:07".
std::string RecordingHeading(const RecordingHeader& header);

// The same texts as GetTimeText, made fast for long loops (export): the start
// instant is resolved once and the local-time offset is cached per hour.
class TimeTextFormatter {
 public:
  explicit TimeTextFormatter(const RecordingHeader& header);
  // Writes the time text of sample i at out (room for 64 bytes); returns the end.
  char* Write(long long i, char* out);
  std::string Text(long long i);

 private:
  enum class Form { Seconds, Date, Span };
  char* WriteDate(long long t, char* out);
  RecordingHeader header_;
  Form form_;
  long long start_ = 0;  // start instant (time_t) for the date form
  // Cached span of instants [winLo, winHi] known to share one UTC offset.
  long long winLo_ = 1, winHi_ = 0, winOffset_ = 0;
  bool winUniform_ = false;
};

// An owned sample array. Absent and empty differ: a one-channel download keeps
// an empty channel-2 array, a file read has none.
using SampleArray = std::optional<std::vector<float>>;

inline int Count(const SampleArray& a) { return a ? static_cast<int>(a->size()) : 0; }

// The comment of a new or freshly downloaded recording.
inline constexpr const char* kDefaultComment = "Комментарий";

// One recording as a file holds it.
struct Recording {
  RecordingHeader header;
  double shuntResistance = 0;
  SampleArray channel1;
  SampleArray channel2;
  SampleArray supply;
  std::string comment;  // UTF-8, lines separated by "\n" (the file holds "\r\n")
  // The comment exactly as a file held it; written back unchanged until the
  // comment is edited (which must reset it), since the text form cannot
  // carry every byte.
  std::optional<std::string> commentBytes;
  std::string title;    // "Измерения%d" for downloaded runs
};

}  // namespace zet
