#include "analysis/survey.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <ctime>
#include <future>

#include "base/local_time.h"
#include "diagram/diagram_geometry.h"

namespace zet::analysis {
namespace {

constexpr long long kChunk = 8192;  // samples per channel kept hot in the cache
// Beyond this a sample time means a damaged header (as the time texts judge it).
constexpr double kMaxSeconds = 1e11;
// The recorder's longest run is some 560 000 hours (2^24 samples at 120 s); a
// span of more hours comes from a header no recorder wrote and gets no table.
constexpr double kMaxHours = 1e6;

inline bool Valid(float x) { return std::fabs(x) <= FLT_MAX; }

// Running sums of one channel over some samples, taken about a pivot so a
// nearly constant channel keeps its spread exact. Counts are kept as doubles
// so the loops over a chunk run in vector registers.
struct Acc {
  double n = 0, invalid = 0;
  double sum = 0, sumSq = 0;  // of v − pivot
  double min = HUGE_VAL, max = -HUGE_VAL;
  long long minChunk = -1, maxChunk = -1;  // first chunk holding each extreme
  double nPos = 0, nNeg = 0, nRef = 0;
  double sumPos = 0, sumNeg = 0, sumRef = 0;  // sumRef: of v − reference over v > reference

  void Merge(const Acc& o) {
    n += o.n;
    invalid += o.invalid;
    sum += o.sum;
    sumSq += o.sumSq;
    if (o.min < min) min = o.min, minChunk = o.minChunk;
    if (o.max > max) max = o.max, maxChunk = o.maxChunk;
    nPos += o.nPos, nNeg += o.nNeg, nRef += o.nRef;
    sumPos += o.sumPos, sumNeg += o.sumNeg, sumRef += o.sumRef;
  }
};

// Runs of samples beyond one limit.
struct RunState {
  long long run = 0;  // samples in the open run
  long long excursions = 0, inExcursions = 0, longest = 0;
  void Close(long long minRun) {
    if (run >= minRun) ++excursions, inExcursions += run, longest = std::max(longest, run);
    run = 0;
  }
};

class Reader {
 public:
  explicit Reader(double shuntOhms) : ohms_(shuntOhms), current_(UsableShuntResistance(shuntOhms)) {}
  double operator()(float x) const { return current_ ? ShuntAmperes(x, ohms_) : static_cast<double>(x); }
  bool Current() const { return current_; }
  // Samples lo..hi-1 as values in v (invalid ones as NaN); returns how many were invalid.
  long long Fill(const float* p, long long lo, long long hi, double* v) const {
    const long long n = hi - lo;
    double bad = 0;
    if (current_) {
#pragma omp simd reduction(+ : bad)
      for (long long i = 0; i < n; ++i) {
        const float x = p[lo + i];
        bad += Valid(x) ? 0.0 : 1.0;
        v[i] = ShuntAmperes(x, ohms_);
      }
    } else {
#pragma omp simd reduction(+ : bad)
      for (long long i = 0; i < n; ++i) {
        const float x = p[lo + i];
        bad += Valid(x) ? 0.0 : 1.0;
        v[i] = x;
      }
    }
    return static_cast<long long>(bad);
  }

 private:
  double ohms_;
  bool current_;
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

// Local clock hour or calendar day that holds instant t.
long long Floor(long long t, bool day) {
  std::tm tm{};
  if (!LocalTm(static_cast<std::time_t>(t), &tm)) return t;
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
    // The estimate can be anything for a period no recorder uses: keep it in the span.
    const double estimate = std::ceil(static_cast<double>(k) / p);
    long long j = estimate > static_cast<double>(last) ? last + 1 : std::max(static_cast<long long>(estimate), i + 1);
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

std::optional<double> Ratio(double a, double n) {
  if (n == 0) return std::nullopt;
  return a / n;
}

double Share(double part, double whole) { return whole > 0 ? part / whole : 0; }

// The rose sector by the diagram's own azimuth rule.
int RuleSector(double e, double n) {
  const double az = AzimuthDegrees(static_cast<float>(e), static_cast<float>(n));
  const int k = static_cast<int>(std::floor((az + 11.25) / 22.5));
  return ((k % kRoseSectors) + kRoseSectors) % kRoseSectors;
}

// The same without a trigonometric call: within a quadrant the sector follows
// from how far the vector leans off the north-south axis (tangents of the
// sector edges at 11.25°, 33.75°, ...). -1 on an axis or next to an edge,
// where the rule must decide.
inline int QuickSector(double e, double n) {
  const double ae = std::fabs(e), an = std::fabs(n);
  const double d0 = ae - 0.19891236737965800 * an, d1 = ae - 0.66817863791929892 * an,
               d2 = ae - 1.4966057626654890 * an, d3 = ae - 5.0273394921233042 * an;
  const int q = (d0 > 0) + (d1 > 0) + (d2 > 0) + (d3 > 0);
  const double gap = std::min(std::min(std::fabs(d0), std::fabs(d1)), std::min(std::fabs(d2), std::fabs(d3)));
  const bool near = gap <= 1e-5 * (ae + an) || e == 0 || n == 0;
  // Azimuth grows towards west (negative east).
  const int k = n > 0 ? (e < 0 ? q : (kRoseSectors - q) & (kRoseSectors - 1)) : (e < 0 ? 8 - q : 8 + q);
  return near ? -1 : k;
}

// The sums of a chunk without invalid samples, in vector registers.
Acc SumClean(const double* v, long long n, double pivot, double ref) {
  double s = 0, q = 0, mn = HUGE_VAL, mx = -HUGE_VAL, np = 0, sp = 0, nn = 0, sn = 0, nr = 0, sr = 0;
#pragma omp simd reduction(+ : s, q, np, sp, nn, sn, nr, sr) reduction(min : mn) reduction(max : mx)
  for (long long i = 0; i < n; ++i) {
    const double x = v[i], d = x - pivot, r = x - ref;
    s += d;
    q += d * d;
    mn = x < mn ? x : mn;
    mx = x > mx ? x : mx;
    np += x > 0 ? 1.0 : 0.0;
    sp += x > 0 ? x : 0.0;
    nn += x < 0 ? 1.0 : 0.0;
    sn += x < 0 ? x : 0.0;
    nr += r > 0 ? 1.0 : 0.0;
    sr += r > 0 ? r : 0.0;
  }
  Acc a;
  a.n = static_cast<double>(n);
  a.sum = s, a.sumSq = q, a.min = mn, a.max = mx;
  a.nPos = np, a.sumPos = sp, a.nNeg = nn, a.sumNeg = sn, a.nRef = nr, a.sumRef = sr;
  return a;
}

// The same where invalid samples (NaN in v) are left out.
Acc SumChecked(const double* v, long long n, double pivot, double ref) {
  Acc a;
  for (long long i = 0; i < n; ++i) {
    const double x = v[i];
    if (std::isnan(x)) {
      ++a.invalid;
      continue;
    }
    const double d = x - pivot;
    ++a.n;
    a.sum += d, a.sumSq += d * d;
    a.min = std::min(a.min, x), a.max = std::max(a.max, x);
    if (x > 0) ++a.nPos, a.sumPos += x;
    if (x < 0) ++a.nNeg, a.sumNeg += x;
    if (x > ref) ++a.nRef, a.sumRef += x - ref;
  }
  return a;
}

// Runs beyond a limit through a chunk; invalid samples (NaN) neither break
// nor extend a run. Branch-free: near a limit, noise flips the state often.
template <bool kAbove, bool kChecked>
void Runs(RunState& r, const double* v, long long n, double level, long long minRun) {
  long long run = r.run, exc = r.excursions, in = r.inExcursions, longest = r.longest;
  for (long long i = 0; i < n; ++i) {
    const double x = v[i];
    const long long beyond = kAbove ? x > level : x < level;
    const long long keep = kChecked ? (beyond | std::isnan(x)) : beyond;
    const long long closing = -((keep ^ 1) & (run >= minRun));  // all ones when a counted run ends
    const long long closed = run & closing;
    exc -= closing;
    in += closed;
    longest = closed > longest ? closed : longest;
    run = (run + beyond) & -keep;
  }
  r.run = run, r.excursions = exc, r.inExcursions = in, r.longest = longest;
}

void ScanChunk(Channel& c, const Reader& read, const std::vector<Limit>& limits, long long lo, long long hi,
               long long minRun, double* v) {
  const long long n = hi - lo;
  const long long bad = read.Fill(c.p, lo, hi, v);
  const double ref = c.hasRef ? c.ref : HUGE_VAL;
  Acc a = bad ? SumChecked(v, n, c.pivot, ref) : SumClean(v, n, c.pivot, ref);
  a.minChunk = a.maxChunk = lo;
  c.bucket.Merge(a);
  for (std::size_t k = 0; k < limits.size(); ++k) {
    RunState& r = c.runs[k];
    const double level = limits[k].level;
    if (limits[k].above)
      bad ? Runs<true, true>(r, v, n, level, minRun) : Runs<true, false>(r, v, n, level, minRun);
    else
      bad ? Runs<false, true>(r, v, n, level, minRun) : Runs<false, false>(r, v, n, level, minRun);
  }
}

// The first sample from the chunk that begins at `from` that equals x.
long long FirstAt(const Channel& c, const Reader& read, long long from, double x) {
  for (long long i = from; i < c.end; ++i)
    if (Valid(c.p[i]) && read(c.p[i]) == x) return i;
  return -1;
}

struct PairAcc {
  double n = 0;
  double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;  // about the pivots
  double weight = 0;
  // Four tables in turn (a slowly turning vector stays in one sector for
  // long); the extra last sector takes zero vectors.
  double count[4][kRoseSectors + 1] = {};
  double weighted[4][kRoseSectors + 1] = {};
};

void ScanPair(PairAcc& a, const Channel& c1, const Channel& c2, const Reader& read, long long lo, long long hi) {
  const long long n = hi - lo;
  static thread_local std::vector<double> buf(3 * kChunk);
  static thread_local std::vector<int> sector(kChunk);
  double* v1 = buf.data();
  double* v2 = v1 + kChunk;
  double* mag = v2 + kChunk;
  const bool bad = read.Fill(c1.p, lo, hi, v1) + read.Fill(c2.p, lo, hi, v2) != 0;
  double cnt = 0, sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0, w = 0;
  const double p1 = c1.pivot, p2 = c2.pivot;
#pragma omp simd reduction(+ : cnt, sx, sy, sxx, syy, sxy, w)
  for (long long i = 0; i < n; ++i) {
    const bool ok = !bad || (!std::isnan(v1[i]) && !std::isnan(v2[i]));
    const double dx = ok ? v1[i] - p1 : 0, dy = ok ? v2[i] - p2 : 0;
    cnt += ok ? 1.0 : 0.0;
    sx += dx, sy += dy, sxx += dx * dx, syy += dy * dy, sxy += dx * dy;
    const double m = ok ? std::sqrt(v1[i] * v1[i] + v2[i] * v2[i]) : 0;
    mag[i] = m;
    w += m;
  }
  a.n += cnt, a.sx += sx, a.sy += sy, a.sxx += sxx, a.syy += syy, a.sxy += sxy, a.weight += w;
  int* s = sector.data();
  for (long long i = 0; i < n; ++i) s[i] = mag[i] > 0 ? QuickSector(v2[i], v1[i]) : kRoseSectors;
  for (long long i = 0; i < n; ++i) {
    const int k = s[i] >= 0 ? s[i] : RuleSector(v2[i], v1[i]);
    a.count[i & 3][k] += 1;
    a.weighted[i & 3][k] += mag[i];
  }
}

Period MakePeriod(const Bucket& b, bool clock, const Acc& a, double pivot) {
  Period p;
  p.start = b.start;
  p.clock = clock;
  p.count = static_cast<long long>(a.n);
  if (a.n) {
    p.min = a.min;
    p.max = a.max;
    p.mean = pivot + a.sum / a.n;
  }
  return p;
}

void Histogram(ChannelFigures& f, const Channel& c, const Reader& read, long long first) {
  if (!f.min) return;
  f.histFrom = *f.min;
  f.histTo = *f.max;
  const double from = f.histFrom, width = f.histTo - f.histFrom;
  const double scale = width > 0 ? kHistogramBins / width : 0;
  std::vector<double> v(kChunk);
  std::vector<int> bin(kChunk);
  // Four tables in turn, so runs of equal bins do not wait on each other;
  // the extra last bin takes the invalid samples.
  long long part[4][kHistogramBins + 1] = {};
  for (long long lo = first; lo < c.end; lo += kChunk) {
    const long long n = std::min(kChunk, c.end - lo);
    read.Fill(c.p, lo, lo + n, v.data());
#pragma omp simd
    for (long long i = 0; i < n; ++i) {
      const double b = (v[i] - from) * scale;
      bin[i] = b >= 0 ? static_cast<int>(b < kHistogramBins - 1 ? b : kHistogramBins - 1) : kHistogramBins;
    }
    for (long long i = 0; i < n; ++i) ++part[i & 3][bin[i]];
  }
  for (int k = 0; k < kHistogramBins; ++k) f.histogram[k] = part[0][k] + part[1][k] + part[2][k] + part[3][k];
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

namespace {

Source MakeSource(const RecordingHeader& h, const SampleArray& ch1, const SampleArray& ch2, double ohms) {
  Source s;
  s.header = h;
  if (ch1) s.channel[0] = ch1->data(), s.count[0] = Count(ch1);
  if (ch2) s.channel[1] = ch2->data(), s.count[1] = Count(ch2);
  s.shuntOhms = ohms;
  return s;
}

}  // namespace

Source SourceOf(const LogDocument& doc) {
  return MakeSource(doc.m_header, doc.m_pChannel1, doc.m_pChannel2, doc.m_bShuntCurrent ? doc.m_dShuntResistance : 0);
}

Source SourceOf(const Recording& rec, bool current) {
  return MakeSource(rec.header, rec.channel1, rec.channel2, current ? rec.shuntResistance : 0);
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
  const int k = QuickSector(e, n);
  return k >= 0 ? k : RuleSector(e, n);
}

namespace {

// Everything about one channel: its sums by clock hour, runs beyond the
// limits, days and histogram.
void AssessChannel(Channel& c, ChannelFigures& f, const Source& src, Span span, const Inputs& in,
                   const std::vector<Bucket>& hours, bool clock, bool timed, bool hourly, long long minRun) {
  const Reader read(src.shuntOhms);
  const double period = timed ? src.header.dPeriod : 0;
  std::vector<double> v(kChunk);
  for (std::size_t b = 0; b < hours.size() && hours[b].first < c.end; ++b) {
    const long long bucketEnd = std::min(b + 1 < hours.size() ? hours[b + 1].first : span.last + 1, c.end);
    for (long long lo = hours[b].first; lo < bucketEnd; lo += kChunk)
      ScanChunk(c, read, in.limits, lo, std::min(lo + kChunk, bucketEnd), minRun, v.data());
    if (hourly) f.hourly.push_back(MakePeriod(hours[b], clock, c.bucket, c.pivot));
    c.all.Merge(c.bucket);
    c.bucket = Acc{};
  }

  const Acc& a = c.all;
  f.count = static_cast<long long>(a.n);
  f.invalid = static_cast<long long>(a.invalid);
  if (timed) f.duration = static_cast<double>(c.end - 1 - span.first) * period;
  if (a.n) {
    const double m = a.sum / a.n;
    const double var = std::max(0.0, a.sumSq / a.n - m * m);
    f.min = a.min, f.max = a.max;
    f.minAt = FirstAt(c, read, a.minChunk, a.min);
    f.maxAt = FirstAt(c, read, a.maxChunk, a.max);
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
    r.Close(minRun);
    LimitFigures lf;
    lf.limit = in.limits[l];
    lf.share = Share(static_cast<double>(r.inExcursions), a.n);
    lf.excursions = r.excursions;
    lf.longest = static_cast<double>(r.longest) * period;
    lf.total = static_cast<double>(r.inExcursions) * period;
    f.limits.push_back(lf);
  }
  if (hourly && *f.duration >= 86400) {
    // Midnight is an hour boundary too: every hour lies in one day.
    bool dayClock = false;
    const std::vector<Bucket> days = Buckets(src.header, span.first, c.end - 1, true, &dayClock);
    std::size_t hour = 0;
    for (std::size_t d = 0; d < days.size(); ++d) {
      const long long dayEnd = d + 1 < days.size() ? days[d + 1].first : c.end;
      Period p;
      p.start = days[d].start;
      p.clock = dayClock;
      double sum = 0;
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

PairFigures AssessPair(const Channel& c1, const Channel& c2, const Source& src, Span span) {
  const Reader read(src.shuntOhms);
  PairAcc pair;
  const long long end = std::min(c1.end, c2.end);
  for (long long lo = span.first; lo < end; lo += kChunk) ScanPair(pair, c1, c2, read, lo, std::min(lo + kChunk, end));
  PairFigures p;
  p.count = static_cast<long long>(pair.n);
  if (!pair.n) return p;
  const double n = pair.n;
  const double mx = pair.sx / n, my = pair.sy / n;
  const double vxx = pair.sxx / n - mx * mx, vyy = pair.syy / n - my * my, vxy = pair.sxy / n - mx * my;
  p.meanNorth = c1.pivot + mx;
  p.meanEast = c2.pivot + my;
  if (vxx > 0) {
    p.slope = vxy / vxx;
    p.intercept = p.meanEast - *p.slope * p.meanNorth;
  }
  if (vxx > 0 && vyy > 0) p.r = std::clamp(vxy / std::sqrt(vxx * vyy), -1.0, 1.0);
  p.magnitude = std::hypot(p.meanEast, p.meanNorth);
  if (p.magnitude > 0) p.azimuth = AzimuthDegrees(static_cast<float>(p.meanEast), static_cast<float>(p.meanNorth));
  for (int k = 0; k < kRoseSectors; ++k) {
    double c = 0, w = 0;
    for (int t = 0; t < 4; ++t) c += pair.count[t][k], w += pair.weighted[t][k];
    p.share[k] = Share(c, n);
    p.weightedShare[k] = pair.weight > 0 ? w / pair.weight : 0;
  }
  return p;
}

}  // namespace

Figures Assess(const Source& src, Span span, const Inputs& in) {
  Figures out;
  out.span = span;
  const Reader read(src.shuntOhms);
  out.current = read.Current();
  if (!SpanError(src, span).empty()) return out;

  const RecordingHeader& h = src.header;
  const bool timed = UsableTime(h, span.last);
  long long minRun = 1;
  if (in.minExcursion > 0 && timed)
    minRun = std::max<long long>(1, static_cast<long long>(std::ceil(in.minExcursion / h.dPeriod - 1e-9)));

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

  bool clock = false;
  std::vector<Bucket> hours;
  const bool hourly = timed && (SampleSeconds(h, span.last) - SampleSeconds(h, span.first)) / 3600 < kMaxHours;
  if (hourly)
    hours = Buckets(h, span.first, span.last, false, &clock);
  else
    hours.push_back({span.first, 0});
  // The channels and the pair share nothing but what they read: each runs on
  // a core of its own.
  std::vector<std::future<void>> work;
  for (std::size_t k = 1; k < chans.size(); ++k)
    work.push_back(std::async(std::launch::async, [&, k] {
      AssessChannel(chans[k], out.channels[k], src, span, in, hours, clock, timed, hourly, minRun);
    }));
  std::future<PairFigures> pair;
  if (chans.size() == 2)
    pair = std::async(std::launch::async, [&] { return AssessPair(chans[0], chans[1], src, span); });
  if (!chans.empty()) AssessChannel(chans[0], out.channels[0], src, span, in, hours, clock, timed, hourly, minRun);
  for (auto& w : work) w.get();
  if (pair.valid()) out.pair = pair.get();
  return out;
}

}  // namespace zet::analysis
