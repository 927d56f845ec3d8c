#include "analysis/report.h"

#include <cmath>
#include <ctime>

#include "base/local_time.h"
#include "base/text_format.h"

namespace zet::analysis {
namespace {

std::string Trimmed(std::string s) {
  const auto b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

std::string Count(long long n) { return std::to_string(n); }

bool LocalTime(long long t, std::tm* tm) {
  return LocalTm(static_cast<std::time_t>(t), tm);
}

}  // namespace

std::string FigureText(std::optional<double> v) {
  if (!v || !std::isfinite(*v)) return {};
  // Long spans in seconds and sample counts read better without an exponent.
  if (std::fabs(*v) >= 1e5 && std::fabs(*v) < 1e15) return CFormat("%.1f", *v);
  return CFormat("%.6g", *v + 0.0);  // + 0.0: no "-0"
}

std::optional<double> SampleTime(const RecordingHeader& h, long long i) {
  const double t = SampleSeconds(h, i);
  if (!std::isfinite(t)) return std::nullopt;
  return t;
}

std::string IsoTime(const RecordingHeader& h, long long i) {
  const std::optional<long long> start = RecordingStart(h);
  const double x = SampleSeconds(h, i);
  std::tm tm{};
  if (!start || !std::isfinite(x) || std::fabs(x) >= 1e11 || !LocalTime(*start + static_cast<long long>(x), &tm))
    return {};
  return CFormat("%04d-%02d-%02dT%02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                 tm.tm_sec);
}

std::string PeriodIso(const Period& p, bool day) {
  std::tm tm{};
  if (!p.clock || !LocalTime(p.start, &tm)) {
    RecordingHeader elapsed;
    elapsed.dPeriod = 1;
    return Trimmed(GetTimeText(elapsed, p.start));
  }
  if (day) return CFormat("%04d-%02d-%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  return CFormat("%04d-%02d-%02dT%02d:00", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour);
}

std::string PeriodText(const Period& p, bool day) {
  std::tm tm{};
  if (!p.clock || !LocalTime(p.start, &tm)) return PeriodIso(p, day);
  if (day) return CFormat("%02d.%02d.%04d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900);
  return CFormat("%02d.%02d.%04d %02d:00", tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900, tm.tm_hour);
}

std::string LimitText(const Limit& l) { return (l.above ? "above " : "below ") + FigureText(l.level); }

std::vector<Row> ChannelRows(const Figures& f, const RecordingHeader& h) {
  std::vector<Row> rows;
  auto add = [&](const char* key, const char* label, auto cell) {
    Row r{key, label, {}};
    for (const ChannelFigures& c : f.channels) r.cells.push_back(cell(c));
    rows.push_back(std::move(r));
  };
  auto at = [&](long long i) { return i < 0 ? std::string() : Trimmed(GetTimeText(h, i)); };
  add("count", "samples", [](const ChannelFigures& c) { return Count(c.count); });
  add("invalid", "invalid samples", [](const ChannelFigures& c) { return Count(c.invalid); });
  add("duration_s", "duration, s", [](const ChannelFigures& c) { return FigureText(c.duration); });
  add("min", "minimum", [](const ChannelFigures& c) { return FigureText(c.min); });
  add("min_at", "minimum at", [&](const ChannelFigures& c) { return at(c.minAt); });
  add("max", "maximum", [](const ChannelFigures& c) { return FigureText(c.max); });
  add("max_at", "maximum at", [&](const ChannelFigures& c) { return at(c.maxAt); });
  add("mean", "mean", [](const ChannelFigures& c) { return FigureText(c.mean); });
  add("rms", "RMS", [](const ChannelFigures& c) { return FigureText(c.rms); });
  add("std", "standard deviation", [](const ChannelFigures& c) { return FigureText(c.std); });
  add("mean_positive", "mean of positive samples", [](const ChannelFigures& c) { return FigureText(c.meanPositive); });
  add("mean_negative", "mean of negative samples", [](const ChannelFigures& c) { return FigureText(c.meanNegative); });
  add("share_positive", "share > 0", [](const ChannelFigures& c) { return FigureText(c.sharePositive); });
  add("share_negative", "share < 0", [](const ChannelFigures& c) { return FigureText(c.shareNegative); });
  bool shifted = false;
  for (const ChannelFigures& c : f.channels) shifted = shifted || c.shift;
  if (shifted) {
    auto shift = [](auto get) {
      return [get](const ChannelFigures& c) { return c.shift ? get(*c.shift) : std::string(); };
    };
    add("reference", "reference", shift([](const Shift& s) { return FigureText(s.reference); }));
    add("shift_max", "largest shift", shift([](const Shift& s) { return FigureText(s.max); }));
    add("shift_mean_positive", "mean positive shift", shift([](const Shift& s) { return FigureText(s.meanPositive); }));
    add("shift_share_positive", "share of positive shift",
        shift([](const Shift& s) { return FigureText(s.sharePositive); }));
    add("zone", "zone", shift([](const Shift& s) { return std::string(ZoneName(s.zone)); }));
  }
  const std::size_t limits = f.channels.empty() ? 0 : f.channels[0].limits.size();
  for (std::size_t k = 0; k < limits; ++k) {
    const std::string name = LimitText(f.channels[0].limits[k].limit);
    auto limit = [k](auto get) { return [k, get](const ChannelFigures& c) { return get(c.limits[k]); }; };
    const std::size_t first = rows.size();
    add("limit_share", "share", limit([](const LimitFigures& l) { return FigureText(l.share); }));
    add("limit_excursions", "excursions", limit([](const LimitFigures& l) { return Count(l.excursions); }));
    add("limit_longest_s", "longest excursion, s", limit([](const LimitFigures& l) { return FigureText(l.longest); }));
    add("limit_total_s", "total excursion time, s", limit([](const LimitFigures& l) { return FigureText(l.total); }));
    for (std::size_t r = first; r < rows.size(); ++r) rows[r].label = name + ": " + rows[r].label;
  }
  return rows;
}

std::vector<Row> PairRows(const Figures& f) {
  std::vector<Row> rows;
  if (!f.pair) return rows;
  const PairFigures& p = *f.pair;
  auto add = [&](const char* key, const char* label, std::string cell) { rows.push_back({key, label, {cell}}); };
  add("slope", "slope a (channel 2 = a x channel 1 + b)", FigureText(p.slope));
  add("intercept", "intercept b", FigureText(p.intercept));
  add("r", "correlation r", FigureText(p.r));
  add("mean_east", "mean east (channel 2)", FigureText(p.meanEast));
  add("mean_north", "mean north (channel 1)", FigureText(p.meanNorth));
  add("magnitude", "mean vector magnitude", FigureText(p.magnitude));
  add("azimuth_deg", "mean vector azimuth, degrees", FigureText(p.azimuth));
  return rows;
}

std::vector<std::vector<std::string>> PeriodRows(const Figures& f, bool daily) {
  std::vector<std::vector<std::string>> rows;
  if (f.channels.empty()) return rows;
  const auto& lead = daily ? f.channels[0].daily : f.channels[0].hourly;
  for (std::size_t i = 0; i < lead.size(); ++i) {
    std::vector<std::string> row{PeriodText(lead[i], daily)};
    for (const ChannelFigures& c : f.channels) {
      const auto& periods = daily ? c.daily : c.hourly;
      if (i < periods.size()) {
        const Period& p = periods[i];
        row.insert(row.end(), {Count(p.count), FigureText(p.min), FigureText(p.mean), FigureText(p.max)});
      } else {
        row.insert(row.end(), {"0", "", "", ""});
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<std::vector<std::string>> RoseRows(const Figures& f) {
  std::vector<std::vector<std::string>> rows;
  if (!f.pair) return rows;
  for (int k = 0; k < kRoseSectors; ++k) {
    const double centre = k <= 8 ? 22.5 * k : 22.5 * k - 360;
    rows.push_back({FigureText(centre), FigureText(f.pair->share[k]), FigureText(f.pair->weightedShare[k])});
  }
  return rows;
}

}  // namespace zet::analysis
