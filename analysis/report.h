#pragma once
// The assessment as tables of texts: the window shows and copies them and
// zet-cli prints them, so both give the same figures. Labels are keys in
// English; the window puts its own words on them.
#include <string>
#include <vector>

#include "analysis/survey.h"

namespace zet::analysis {

// Six significant digits with a decimal point; empty for a value the span
// cannot give.
std::string FigureText(std::optional<double> v);
// Seconds from the start of the recording to sample i, as time texts count them.
std::optional<double> SampleTime(const RecordingHeader& h, long long i);
// The local time of sample i in ISO 8601 ("2024-03-05T09:07:00"); empty
// without a known start date.
std::string IsoTime(const RecordingHeader& h, long long i);
// A clock hour ("2024-03-05T09:00") or day ("2024-03-05") in ISO 8601, or
// the elapsed span ("0:01:00:00") without a start date.
std::string PeriodIso(const Period& p, bool day);
// The same as the window lists it: "05.03.2024 09:00", "05.03.2024".
std::string PeriodText(const Period& p, bool day);

struct Row {
  std::string key;                 // "min", "limit_share", ...
  std::string label;               // English words for the key, with its limit where it has one
  std::vector<std::string> cells;  // one per channel present
};

// The per-channel figures, one row per figure.
std::vector<Row> ChannelRows(const Figures& f, const RecordingHeader& h);
// The channel pair: one cell per row.
std::vector<Row> PairRows(const Figures& f);
// Hours or days: the period, then count, min, mean, max of each channel.
std::vector<std::vector<std::string>> PeriodRows(const Figures& f, bool daily);
// The rose: sector centre (degrees), share, weighted share.
std::vector<std::vector<std::string>> RoseRows(const Figures& f);

// "above -0.85" / "below -0.85".
std::string LimitText(const Limit& l);

}  // namespace zet::analysis
