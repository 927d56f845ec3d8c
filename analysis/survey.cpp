#include "analysis/survey.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <ctime>

#include "diagram/diagram_geometry.h"

namespace zet::analysis {
namespace {

constexpr long long kChunk = 8192;  // samples per channel kept hot in the cache
// Beyond this a sample time means a damaged header (as the time texts judge it).
constexpr double kMaxSeconds = 1e11;

inline bool Valid(float x) { return std::fabs(x) <= FLT_MAX; }

// Running sums of one channel over some samples, taken about a pivot so a
// nearly constant channel keeps its spread exact.
struct Acc {
  long long n = 0, invalid = 0;
  double sum = 0, sumSq = 0;  // of v − pivot
  double min = HUGE_VAL, max = -HUGE_VAL;
  long long minAt = -1, maxAt = -1;
  long long nPos = 0, nNeg = 0, nRef = 0;
  double sumPos = 0, sumNeg = 0, sumRef = 0;  // sumRef: of v − reference over v > reference

  void Merge(const Acc& o) {
    n += o.n;
    invalid += o.invalid;
    sum += o.sum;
    sumSq += o.sumSq;
    if (o.min < min) min = o.min, minAt = o.minAt;
    if (o.max > max) max = o.max, maxAt = o.maxAt;
    nPos += o.nPos, nNeg += o.nNeg, nRef += o.nRef;
    sumPos += o.sumPos, sumNeg += o.sumNeg, sumRef += o.sumRef;
  }
};

// A run of samples beyond one limit.
struct RunState {
  long long run = 0;  // samples in the open run
  long long excursions = 0, inExcursions = 0, longest = 0;
};

struct Channel {
  const float* p = nullptr;
  long long end = 0;  // one past the last sample of the span in this channel
  double pivot = 0;
  double ref = 0;
  bool hasRef = false;
  Acc all, bucket;
  std::vector<RunState> runs;
};

class Reader {
 public:
  explicit Reader(double shuntOhms) : ohms_(shuntOhms), current_(UsableShuntResistance(shuntOhms)) {}
  double operator()(float x) const { return current_ ? ShuntAmperes(x, ohms_) : static_cast<double>(x); }
  bool Current() const { return current_; }

 private:
  double ohms_;
  bool current_;
};

// Local clock hour or calendar day that holds instant t.
long long Floor(long long t, bool day) {
  std::time_t tt = static_cast<std::time_t>(t);
  std::tm tm{};
  if (!localtime_r(&tt, &tm)) return t;
  const long long into = tm.tm_min * 60LL + tm.tm_sec + (day ? tm.tm_hour * 3600LL : 0);
  return t - into;
}

// The bucket after the one beginning at b: a day may last 23 to 25 hours.
long long NextBoundary(long long b, bool clock, bool day) {
  if (!clock) return b + (day ? 86400 : 3600);
  return day ? Floor(b + 26 * 3600, true) : Floor(b + 3600, false);
}

struct Bucket {
  long long first = 0;  // first sample
  long long start = 0;  // instant or elapsed seconds of its beginning
};

// Clock hours (or days) that hold samples of first..last, each with its first
// sample; sample i lies at the start plus i × period truncated to seconds, as
// its time text shows it.
std::vector<Bucket> Buckets(const RecordingHeader& h, long long first, long long last, bool day, bool* clock) {
  std::vector<Bucket> out;
  const std::optional<long long> start = RecordingStart(h);
  *clock = start.has_value();
  const long long base = start.value_or(0);
  const double p = h.dPeriod;
  auto seconds = [&](long long i) { return static_cast<long long>(SampleSeconds(h, i)); };
  long long i = first;
  while (i <= last) {
    const long long t = base + seconds(i);
    const long long b = *clock ? Floor(t, day) : t - t % (day ? 86400 : 3600);
    out.push_back({i, b});
    // First sample at or past the next boundary.
    const long long k = NextBoundary(b, *clock, day) - base;
    long long j = static_cast<long long>(std::ceil(static_cast<double>(k) / p));
    while (j > i + 1 && seconds(j - 1) >= k) --j;
    while (j <= last && seconds(j) < k) ++j;
    i = std::max(j, i + 1);
  }
  return out;
}

bool UsableTime(const RecordingHeader& h, long long last) {
  const double p = h.dPeriod;
  return std::isfinite(p) && p > 0 && SampleSeconds(h, last) < kMaxSeconds;
}

std::optional<double> Ratio(double a, long long n) {
  if (n == 0) return std::nullopt;
  return a / static_cast<double>(n);
}

double Share(long long part, long long whole) { return whole ? static_cast<double>(part) / whole : 0; }

void AddSample(Acc& a, double v, long long i, const Channel& c) {
  ++a.n;
  const double d = v - c.pivot;
  a.sum += d;
  a.sumSq += d * d;
  if (v < a.min) a.min = v, a.minAt = i;
  if (v > a.max) a.max = v, a.maxAt = i;
  if (v > 0) ++a.nPos, a.sumPos += v;
  if (v < 0) ++a.nNeg, a.sumNeg += v;
  if (c.hasRef && v > c.ref) ++a.nRef, a.sumRef += v - c.ref;
}

void ScanChunk(Channel& c, const Reader& read, const std::vector<Limit>& limits, long long lo, long long hi,
               long long minRun) {
  Acc a;
  for (long long i = lo; i < hi; ++i) {
    const float x = c.p[i];
    if (!Valid(x)) {
      ++a.invalid;
      continue;
    }
    AddSample(a, read(x), i, c);
  }
  c.bucket.Merge(a);
  for (std::size_t k = 0; k < limits.size(); ++k) {
    RunState& r = c.runs[k];
    const Limit& l = limits[k];
    for (long long i = lo; i < hi; ++i) {
      const float x = c.p[i];
      if (!Valid(x)) continue;  // left out: neither breaks nor extends a run
      const double v = read(x);
      if (l.above ? v > l.level : v < l.level) {
        ++r.run;
      } else if (r.run) {
        if (r.run >= minRun) ++r.excursions, r.inExcursions += r.run, r.longest = std::max(r.longest, r.run);
        r.run = 0;
      }
    }
  }
}

struct PairAcc {
  long long n = 0;
  double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;  // about the pivots
  double weight = 0;
  std::array<long long, kRoseSectors> count{};
  std::array<double, kRoseSectors> weighted{};
};

void ScanPair(PairAcc& a, const Channel& c1, const Channel& c2, const Reader& read, long long lo, long long hi) {
  for (long long i = lo; i < hi; ++i) {
    const float x1 = c1.p[i], x2 = c2.p[i];
    if (!Valid(x1) || !Valid(x2)) continue;
    const double n = read(x1), e = read(x2);
    const double dx = n - c1.pivot, dy = e - c2.pivot;
    ++a.n;
    a.sx += dx, a.sy += dy, a.sxx += dx * dx, a.syy += dy * dy, a.sxy += dx * dy;
    if (const std::optional<int> k = RoseSector(e, n)) {
      const double m = std::sqrt(e * e + n * n);
      ++a.count[*k];
      a.weighted[*k] += m;
      a.weight += m;
    }
  }
}

Period MakePeriod(const Bucket& b, bool clock, const Acc& a, double pivot) {
  Period p;
  p.start = b.start;
  p.clock = clock;
  p.count = a.n;
  if (a.n) {
    p.min = a.min;
    p.max = a.max;
    p.mean = pivot + a.sum / static_cast<double>(a.n);
  }
  return p;
}

void Histogram(ChannelFigures& f, const Channel& c, const Reader& read, long long lo) {
  if (!f.min) return;
  f.histFrom = *f.min;
  f.histTo = *f.max;
  const double width = f.histTo - f.histFrom;
  const double scale = width > 0 ? kHistogramBins / width : 0;
  for (long long i = lo; i < c.end; ++i) {
    const float x = c.p[i];
    if (!Valid(x)) continue;
    const double bin = (read(x) - f.histFrom) * scale;
    ++f.histogram[std::min(static_cast<int>(bin), kHistogramBins - 1)];
  }
}

}  // namespace

const char* ZoneName(Zone z) {
  switch (z) {
    case Zone::Anodic: return "anodic";
    case Zone::Alternating: return "alternating";
    case Zone::Cathodic: return "cathodic";
    case Zone::None: break;
  }
  return "";
}

Source SourceOf(const LogDocument& doc) {
  Source s;
  s.header = doc.m_header;
  if (doc.m_pChannel1) s.channel[0] = doc.m_pChannel1->data(), s.count[0] = doc.Channel1Count();
  if (doc.m_pChannel2) s.channel[1] = doc.m_pChannel2->data(), s.count[1] = doc.Channel2Count();
  s.shuntOhms = doc.m_bShuntCurrent ? doc.m_dShuntResistance : 0;
  return s;
}

Span WholeSpan(const Source& src) { return {0, std::max(src.count[0], src.count[1]) - 1}; }

std::string SpanError(const Source& src, Span span) {
  const long long n = std::max(src.count[0], src.count[1]);
  if (n == 0) return "the recording holds no samples";
  if (span.first < 0 || span.last < span.first || span.last >= n)
    return "the span must lie within samples 0.." + std::to_string(n - 1) + " with FIRST <= LAST";
  return {};
}

std::optional<int> RoseSector(double e, double n) {
  if (!(e * e + n * n > 0) || !std::isfinite(e) || !std::isfinite(n)) return std::nullopt;
  // Within a quadrant the sector follows from how far the vector leans off
  // the north-south axis: tan of the sector edges at 11.25°, 33.75°, ...
  static constexpr double kTan[4] = {0.19891236737965800, 0.66817863791929892, 1.4966057626654890,
                                     5.0273394921233042};
  const double ae = std::fabs(e), an = std::fabs(n);
  int q = 0;
  bool near = e == 0 || n == 0;
  for (double t : kTan) {
    const double d = ae - t * an;
    q += d > 0;
    near = near || std::fabs(d) <= 1e-5 * (ae + an);
  }
  if (near) {
    // On or next to an edge the diagram's own rule decides.
    const double az = AzimuthDegrees(static_cast<float>(e), static_cast<float>(n));
    const int k = static_cast<int>(std::floor((az + 11.25) / 22.5));
    return ((k % kRoseSectors) + kRoseSectors) % kRoseSectors;
  }
  // Azimuth grows towards west (negative east).
  if (n > 0) return e < 0 ? q : (kRoseSectors - q) % kRoseSectors;
  return e < 0 ? 8 - q : 8 + q;
}

Figures Assess(const Source& src, Span span, const Inputs& in) {
  Figures out;
  out.span = span;
  const Reader read(src.shuntOhms);
  out.current = read.Current();
  if (!SpanError(src, span).empty()) return out;

  const RecordingHeader& h = src.header;
  const bool timed = UsableTime(h, span.last);
  const double period = timed ? h.dPeriod : 0;
  long long minRun = 1;
  if (in.minExcursion > 0 && timed) minRun = std::max<long long>(1, std::ceil(in.minExcursion / period - 1e-9));

  std::vector<Channel> chans;
  for (int c = 0; c < 2; ++c) {
    if (src.count[c] <= span.first) continue;
    Channel ch;
    ch.p = src.channel[c];
    ch.end = std::min(span.last + 1, src.count[c]);
    for (long long i = span.first; i < ch.end; ++i)
      if (Valid(ch.p[i])) {
        ch.pivot = read(ch.p[i]);
        break;
      }
    if (in.reference[c]) ch.hasRef = true, ch.ref = *in.reference[c];
    ch.runs.resize(in.limits.size());
    chans.push_back(std::move(ch));
    out.channels.push_back({});
    out.channels.back().channel = c + 1;
  }
  const bool paired = chans.size() == 2;
  PairAcc pair;

  bool clock = false;
  std::vector<Bucket> hours;
  if (timed) hours = Buckets(h, span.first, span.last, false, &clock);
  else hours.push_back({span.first, 0});
  for (std::size_t b = 0; b < hours.size(); ++b) {
    const long long bucketEnd = b + 1 < hours.size() ? hours[b + 1].first : span.last + 1;
    for (long long lo = hours[b].first; lo < bucketEnd; lo += kChunk) {
      const long long hi = std::min(lo + kChunk, bucketEnd);
      for (Channel& c : chans)
        if (lo < c.end) ScanChunk(c, read, in.limits, lo, std::min(hi, c.end), minRun);
      if (paired) ScanPair(pair, chans[0], chans[1], read, lo, std::min({hi, chans[0].end, chans[1].end}));
    }
    for (std::size_t k = 0; k < chans.size(); ++k) {
      Channel& c = chans[k];
      if (timed && hours[b].first < c.end) out.channels[k].hourly.push_back(MakePeriod(hours[b], clock, c.bucket, c.pivot));
      c.all.Merge(c.bucket);
      c.bucket = Acc{};
    }
  }

  for (std::size_t k = 0; k < chans.size(); ++k) {
    Channel& c = chans[k];
    ChannelFigures& f = out.channels[k];
    const Acc& a = c.all;
    f.count = a.n;
    f.invalid = a.invalid;
    if (timed) f.duration = static_cast<double>(c.end - 1 - span.first) * period;
    if (a.n) {
      const double n = static_cast<double>(a.n);
      const double m = a.sum / n;
      const double var = std::max(0.0, a.sumSq / n - m * m);
      f.min = a.min, f.max = a.max, f.minAt = a.minAt, f.maxAt = a.maxAt;
      f.mean = c.pivot + m;
      f.std = std::sqrt(var);
      f.rms = std::sqrt(var + *f.mean * *f.mean);
    }
    f.meanPositive = Ratio(a.sumPos, a.nPos);
    f.meanNegative = Ratio(a.sumNeg, a.nNeg);
    f.sharePositive = Share(a.nPos, a.n);
    f.shareNegative = Share(a.nNeg, a.n);
    if (c.hasRef) {
      Shift s;
      s.reference = c.ref;
      if (a.n) s.max = a.max - c.ref;
      s.meanPositive = Ratio(a.sumRef, a.nRef);
      s.sharePositive = Share(a.nRef, a.n);
      const bool pos = a.n && a.max > c.ref, neg = a.n && a.min < c.ref;
      s.zone = pos && neg ? Zone::Alternating : pos ? Zone::Anodic : neg ? Zone::Cathodic : Zone::None;
      f.shift = s;
    }
    for (std::size_t l = 0; l < in.limits.size(); ++l) {
      RunState& r = c.runs[l];
      if (r.run >= minRun) ++r.excursions, r.inExcursions += r.run, r.longest = std::max(r.longest, r.run);
      LimitFigures lf;
      lf.limit = in.limits[l];
      lf.share = Share(r.inExcursions, a.n);
      lf.excursions = r.excursions;
      lf.longest = static_cast<double>(r.longest) * period;
      lf.total = static_cast<double>(r.inExcursions) * period;
      f.limits.push_back(lf);
    }
    if (timed && f.duration && *f.duration >= 86400) {
      // Days merge the hours that begin in them.
      bool dayClock = false;
      const std::vector<Bucket> days = Buckets(h, span.first, c.end - 1, true, &dayClock);
      std::size_t hour = 0;
      for (std::size_t d = 0; d < days.size(); ++d) {
        const long long dayEnd = d + 1 < days.size() ? days[d + 1].first : c.end;
        Period p;
        p.start = days[d].start;
        p.clock = dayClock;
        double sum = 0;
        // Midnight is an hour boundary too: every hour lies in one day.
        for (; hour < f.hourly.size() && hours[hour].first < dayEnd; ++hour) {
          const Period& ph = f.hourly[hour];
          if (!ph.count) continue;
          p.count += ph.count;
          sum += *ph.mean * static_cast<double>(ph.count);
          p.min = p.min ? std::min(*p.min, *ph.min) : *ph.min;
          p.max = p.max ? std::max(*p.max, *ph.max) : *ph.max;
        }
        if (p.count) p.mean = sum / static_cast<double>(p.count);
        f.daily.push_back(p);
      }
    }
    Histogram(f, c, read, span.first);
  }

  if (paired) {
    PairFigures p;
    p.count = pair.n;
    if (pair.n) {
      const double n = static_cast<double>(pair.n);
      const double mx = pair.sx / n, my = pair.sy / n;
      const double vxx = pair.sxx / n - mx * mx, vyy = pair.syy / n - my * my, vxy = pair.sxy / n - mx * my;
      p.meanNorth = chans[0].pivot + mx;
      p.meanEast = chans[1].pivot + my;
      if (vxx > 0) {
        p.slope = vxy / vxx;
        p.intercept = p.meanEast - *p.slope * p.meanNorth;
      }
      if (vxx > 0 && vyy > 0) p.r = std::clamp(vxy / std::sqrt(vxx * vyy), -1.0, 1.0);
      p.magnitude = std::hypot(p.meanEast, p.meanNorth);
      if (p.magnitude > 0)
        p.azimuth = AzimuthDegrees(static_cast<float>(p.meanEast), static_cast<float>(p.meanNorth));
      for (int k = 0; k < kRoseSectors; ++k) {
        p.share[k] = Share(pair.count[k], pair.n);
        p.weightedShare[k] = pair.weight > 0 ? pair.weighted[k] / pair.weight : 0;
      }
    }
    out.pair = p;
  }
  return out;
}

}  // namespace zet::analysis
