// zet-cli stats: the survey assessment of recordings, for a person, as one
// CSV row per file (a survey's protocol table) or as JSON.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>

#include "analysis/report.h"
#include "analysis/survey.h"
#include "base/text_format.h"
#include "cli/cli.h"
#include "cli/json.h"
#include "recording/zet_file.h"

namespace zet::cli {
namespace {

using namespace analysis;

double NumberOption(const std::string& name, const std::string& text) {
  const std::optional<double> v = ParseNumber(text);
  if (!v) throw UsageError("--" + name + " must be a number with a decimal point, not '" + text + "'");
  return *v;
}

Inputs ReadInputs(const Args& args) {
  Inputs in;
  if (auto ref = args.Option("reference")) {
    const auto comma = ref->find(',');
    in.reference[0] = NumberOption("reference", ref->substr(0, comma));
    if (comma != std::string::npos) in.reference[1] = NumberOption("reference", ref->substr(comma + 1));
  }
  for (const auto& [name, value] : args.OptionsInOrder({"above", "below"}))
    in.limits.push_back({name == "above", NumberOption(name, value)});
  if (auto t = args.Option("min-excursion")) {
    in.minExcursion = NumberOption("min-excursion", *t);
    if (in.minExcursion < 0) throw UsageError("--min-excursion must not be negative");
  }
  return in;
}

std::optional<Span> ReadSpan(const Args& args) {
  auto s = args.Option("span");
  if (!s) return std::nullopt;
  Span span;
  const char* end = s->data() + s->size();
  auto [p, ec] = std::from_chars(s->data(), end, span.first);
  bool ok = ec == std::errc() && p != end && *p == ':';
  if (ok) {
    auto [q, ec2] = std::from_chars(p + 1, end, span.last);
    ok = ec2 == std::errc() && q == end && q != p + 1;
  }
  if (!ok) throw UsageError("--span must be FIRST:LAST, two sample numbers counted from 0");
  return span;
}

std::string OptJson(std::optional<double> v) { return v ? JsonNumber(*v) : "null"; }
std::string TextJson(const std::string& s) { return s.empty() ? "null" : JsonString(s); }

std::string PeriodsJson(const std::vector<Period>& periods, bool day) {
  std::string s = "[";
  for (std::size_t i = 0; i < periods.size(); ++i) {
    const Period& p = periods[i];
    s += (i ? "," : "") + std::string("{\"") + (day ? "day" : "hour") + "\":" + JsonString(PeriodIso(p, day)) +
         ",\"count\":" + std::to_string(p.count) + ",\"min\":" + OptJson(p.min) + ",\"mean\":" + OptJson(p.mean) +
         ",\"max\":" + OptJson(p.max) + "}";
  }
  return s + "]";
}

std::string ChannelJson(const ChannelFigures& c, const RecordingHeader& h) {
  auto at = [&](long long i) { return i < 0 ? std::string("null") : OptJson(SampleTime(h, i)); };
  std::string s = "{\"channel\":" + std::to_string(c.channel) + ",\"count\":" + std::to_string(c.count) +
                  ",\"invalid\":" + std::to_string(c.invalid) + ",\"duration_s\":" + OptJson(c.duration) +
                  ",\"min\":" + OptJson(c.min) + ",\"min_at\":" + at(c.minAt) + ",\"max\":" + OptJson(c.max) +
                  ",\"max_at\":" + at(c.maxAt) + ",\"mean\":" + OptJson(c.mean) + ",\"rms\":" + OptJson(c.rms) +
                  ",\"std\":" + OptJson(c.std) + ",\"mean_positive\":" + OptJson(c.meanPositive) +
                  ",\"mean_negative\":" + OptJson(c.meanNegative) + ",\"share_positive\":" +
                  JsonNumber(c.sharePositive) + ",\"share_negative\":" + JsonNumber(c.shareNegative);
  if (c.shift) {
    const Shift& sh = *c.shift;
    s += ",\"reference\":" + JsonNumber(sh.reference) + ",\"shift\":{\"max\":" + OptJson(sh.max) +
         ",\"mean_positive\":" + OptJson(sh.meanPositive) + ",\"share_positive\":" + JsonNumber(sh.sharePositive) +
         ",\"zone\":" + TextJson(ZoneName(sh.zone)) + "}";
  } else {
    s += ",\"reference\":null,\"shift\":null";
  }
  s += ",\"limits\":[";
  for (std::size_t i = 0; i < c.limits.size(); ++i) {
    const LimitFigures& l = c.limits[i];
    s += (i ? "," : "") + std::string("{\"kind\":\"") + (l.limit.above ? "above" : "below") +
         "\",\"level\":" + JsonNumber(l.limit.level) + ",\"share\":" + JsonNumber(l.share) +
         ",\"excursions\":" + std::to_string(l.excursions) + ",\"longest_s\":" + JsonNumber(l.longest) +
         ",\"total_s\":" + JsonNumber(l.total) + "}";
  }
  s += "],\"hourly\":" + PeriodsJson(c.hourly, false) + ",\"daily\":" + PeriodsJson(c.daily, true);
  s += ",\"histogram\":{\"from\":" + JsonNumber(c.histFrom) + ",\"to\":" + JsonNumber(c.histTo) + ",\"counts\":[";
  for (int k = 0; k < kHistogramBins; ++k) s += (k ? "," : "") + std::to_string(c.histogram[k]);
  return s + "]}}";
}

std::string PairJson(const std::optional<PairFigures>& pair) {
  if (!pair) return "null";
  const PairFigures& p = *pair;
  std::string s = "{\"slope\":" + OptJson(p.slope) + ",\"intercept\":" + OptJson(p.intercept) +
                  ",\"r\":" + OptJson(p.r) + ",\"mean_east\":" + JsonNumber(p.meanEast) +
                  ",\"mean_north\":" + JsonNumber(p.meanNorth) + ",\"magnitude\":" + JsonNumber(p.magnitude) +
                  ",\"azimuth_deg\":" + OptJson(p.azimuth) + ",\"rose\":[";
  for (int k = 0; k < kRoseSectors; ++k)
    s += (k ? "," : "") + std::string("{\"share\":") + JsonNumber(p.share[k]) +
         ",\"weighted_share\":" + JsonNumber(p.weightedShare[k]) + "}";
  return s + "]}";
}

std::string FileJson(const std::string& path, const Recording& r, const Figures& f) {
  const RecordingHeader& h = r.header;
  std::string s = "{\"file\":" + JsonString(path) + ",\"recorder\":" + std::to_string(h.nDevice) +
                  ",\"start\":" + TextJson(IsoTime(h, f.span.first)) + ",\"end\":" + TextJson(IsoTime(h, f.span.last)) +
                  ",\"period_s\":" + (IsFastSampling(h.dPeriod) ? "null" : JsonNumber(h.dPeriod)) +
                  ",\"unit\":" + (f.current ? "\"A\"" : "\"V\"") +
                  ",\"samples\":" + std::to_string(std::max(0LL, f.span.last - f.span.first + 1)) + ",\"channels\":[";
  for (std::size_t i = 0; i < f.channels.size(); ++i) s += (i ? "," : "") + ChannelJson(f.channels[i], h);
  return s + "],\"pair\":" + PairJson(f.pair) + "}";
}

// A CSV field, quoted when it holds a separator, a quote or a line break.
std::string Csv(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

const char* kCsvHeader =
    "file,recorder,start,end,period_s,samples,"
    "ch1_min,ch1_mean,ch1_max,ch1_share_positive,ch1_zone,"
    "ch2_min,ch2_mean,ch2_max,ch2_share_positive,ch2_zone,slope,r,azimuth_deg\n";

std::string FileCsv(const std::string& path, const Recording& r, const Figures& f) {
  const RecordingHeader& h = r.header;
  std::string s = Csv(path) + "," + std::to_string(h.nDevice) + "," + IsoTime(h, f.span.first) + "," +
                  IsoTime(h, f.span.last) + "," + (IsFastSampling(h.dPeriod) ? "" : FigureText(h.dPeriod)) + "," +
                  std::to_string(std::max(0LL, f.span.last - f.span.first + 1));
  for (int c = 1; c <= 2; ++c) {
    const ChannelFigures* ch = nullptr;
    for (const ChannelFigures& x : f.channels) ch = x.channel == c ? &x : ch;
    if (!ch) {
      s += ",,,,,";
      continue;
    }
    s += "," + FigureText(ch->min) + "," + FigureText(ch->mean) + "," + FigureText(ch->max) + "," +
         FigureText(ch->sharePositive) + "," + (ch->shift ? ZoneName(ch->shift->zone) : "");
  }
  if (f.pair)
    s += "," + FigureText(f.pair->slope) + "," + FigureText(f.pair->r) + "," + FigureText(f.pair->azimuth);
  else
    s += ",,,";
  return s + "\n";
}

// Columns padded for a terminal.
std::string Table(const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> width;
  for (const auto& r : rows)
    for (std::size_t i = 0; i < r.size(); ++i) {
      if (width.size() <= i) width.push_back(0);
      width[i] = std::max(width[i], r[i].size());
    }
  std::string s;
  for (const auto& r : rows) {
    std::string line;
    for (std::size_t i = 0; i < r.size(); ++i) {
      line += r[i];
      if (i + 1 < r.size()) line += std::string(width[i] - r[i].size() + 2, ' ');
    }
    s += "  " + line + "\n";
  }
  return s;
}

std::string FileText(const std::string& path, const Recording& r, const Figures& f) {
  const RecordingHeader& h = r.header;
  std::string s = "File:      " + Visible(path) + "\nRecorder:  " + std::to_string(h.nDevice) + "\n";
  s += "Span:      samples " + std::to_string(f.span.first) + ".." + std::to_string(f.span.last) + ", " +
       GetTimeText(h, f.span.first) + " - " + GetTimeText(h, f.span.last) + "\n";
  s += std::string("Unit:      ") + (f.current ? "A (shunt current)" : "V") + "\n";
  if (f.channels.empty()) return s + "No samples.\n\n";
  std::vector<std::vector<std::string>> rows{{""}};
  for (const ChannelFigures& c : f.channels) rows[0].push_back("channel " + std::to_string(c.channel));
  for (const Row& row : ChannelRows(f, h)) {
    rows.push_back({row.label});
    rows.back().insert(rows.back().end(), row.cells.begin(), row.cells.end());
  }
  s += Table(rows);
  if (f.pair) {
    rows.clear();
    for (const Row& row : PairRows(f)) rows.push_back({row.label, row.cells[0]});
    s += "Channel pair:\n" + Table(rows);
    rows = {{"sector centre, degrees", "share", "weighted share"}};
    for (auto& r2 : RoseRows(f)) rows.push_back(r2);
    s += "Direction rose:\n" + Table(rows);
  }
  for (bool daily : {false, true}) {
    auto periods = PeriodRows(f, daily);
    if (periods.empty()) continue;
    rows = {{daily ? "day" : "hour"}};
    for (const ChannelFigures& c : f.channels)
      for (const char* k : {"count", "min", "mean", "max"}) rows[0].push_back("ch" + std::to_string(c.channel) + " " + k);
    for (auto& p : periods) rows.push_back(p);
    s += (daily ? "Daily:\n" : "Hourly:\n") + Table(rows);
  }
  return s + "\n";
}

int Run(const Args& args) {
  args.CheckKnown({"json", "csv", "span", "reference", "above", "below", "min-excursion", "current"});
  if (args.Positional().empty()) throw UsageError("expected one or more file names");
  if (args.Flag("json") && args.Flag("csv")) throw UsageError("--json and --csv exclude each other");
  const Inputs in = ReadInputs(args);
  const std::optional<Span> span = ReadSpan(args);
  const bool json = args.Flag("json"), csv = args.Flag("csv");
  int status = kExitOk;
  bool first = true;
  if (json) std::fputs("[", stdout);
  if (csv) std::fputs(kCsvHeader, stdout);
  for (const std::string& path : args.Positional()) {
    ZetReadResult r = ReadZetFile(path);
    if (r.status != ZetStatus::Ok && r.status != ZetStatus::Empty) {
      std::fprintf(stderr, "zet-cli stats: %s: %s\n", path.c_str(), r.message.c_str());
      status = kExitFile;
      continue;
    }
    const bool current = args.Flag("current") && UsableShuntResistance(r.recording.shuntResistance);
    if (args.Flag("current") && !current)
      std::fprintf(stderr, "zet-cli stats: %s: no shunt resistance is set; the figures are in volts\n", path.c_str());
    const Source src = SourceOf(r.recording, current);
    const Span s = span.value_or(WholeSpan(src));
    if (span) {
      const std::string err = SpanError(src, s);
      if (!err.empty()) {
        std::fflush(stdout);
        throw UsageError(path + ": " + err);
      }
    }
    const Figures f = Assess(src, s, in);
    std::string out;
    if (json)
      out = (first ? "" : ",") + FileJson(path, r.recording, f);
    else if (csv)
      out = FileCsv(path, r.recording, f);
    else
      out = FileText(path, r.recording, f);
    std::fputs(out.c_str(), stdout);
    first = false;
  }
  if (json) std::fputs("]\n", stdout);
  return status;
}

const bool registered = RegisterCommand(
    {"stats", "assess recordings of a survey: extremes, means, zone, limits, hours, channel pair",
     "Usage: zet-cli stats FILE.zet... [--json | --csv] [--span FIRST:LAST]\n"
     "                  [--reference V[,V2]] [--above V]... [--below V]...\n"
     "                  [--min-excursion S] [--current]\n"
     "Assesses each recording as a survey point: per channel the sample count,\n"
     "invalid samples, duration, minimum and maximum with their times, mean, RMS,\n"
     "standard deviation, means of the positive and negative samples and their\n"
     "shares; the shift from a reference (natural) potential and the zone it\n"
     "gives (anodic: every shift positive, cathodic: every shift negative,\n"
     "alternating: both); the time beyond each limit; means per clock hour and\n"
     "per day; a 64-bin histogram; and for two channels the line channel 2 =\n"
     "a x channel 1 + b with its correlation r, the mean vector (channel 2 east,\n"
     "channel 1 north) with its azimuth as the stray-current diagram gives it,\n"
     "and a 16-sector direction rose. No level is built in: every reference and\n"
     "limit is yours. Values may start with a minus: --below -0.85.\n\n"
     "Options:\n"
     "  --json            one JSON array with an object per file (times of the\n"
     "                    extremes in seconds from the start; shares 0..1;\n"
     "                    values a span cannot give are null)\n"
     "  --csv             one row per file for a survey's protocol table, after a\n"
     "                    header row\n"
     "  --span FIRST:LAST only samples FIRST..LAST (counted from 0, inclusive)\n"
     "  --reference V[,V2]  the natural potential of channel 1 (and channel 2)\n"
     "  --above V, --below V  a limit; may be given several times\n"
     "  --min-excursion S runs beyond a limit shorter than S seconds do not count\n"
     "  --current         amperes through the file's shunt instead of volts\n"
     "\nExit codes: 0 success; 2 wrong usage or a span outside a recording;\n"
     "3 a file cannot be read or is damaged (the reason goes to stderr, the\n"
     "other files are still assessed).\n",
     {"json", "csv", "current"},
     Run});

}  // namespace
}  // namespace zet::cli
