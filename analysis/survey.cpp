#include "analysis/survey.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cfloat>
#include <cmath>
#include <ctime>
#include <future>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <type_traits>

#include "analysis/survey_scan.h"
#include "base/local_time.h"
#include "diagram/diagram_geometry.h"

namespace zet::analysis {
namespace {

using scan::Acc;

// Samples per channel worked in one go: both channels' stay in the cache
// while every loop runs over them.
constexpr long long kPiece = 8192;
// Below this many samples a second core costs more than it saves.
constexpr long long kParallelFrom = 1 << 16;
// Beyond this a sample time means a damaged header (as the time texts judge it).
constexpr double kMaxSeconds = 1e11;
// The recorder's longest run is some 560 000 hours (2^24 samples at 120 s); a
// span of more hours comes from a header no recorder wrote and gets no table.
constexpr double kMaxHours = 1e6;

inline bool Valid(float x) { return std::fabs(x) <= FLT_MAX; }

// Runs of samples beyond one limit, joined piece by piece.
struct RunState {
  long long run = 0;  // samples in the open run
  long long excursions = 0, inExcursions = 0, longest = 0;
  void Close(long long minRun) {
    if (run >= minRun) ++excursions, inExcursions += run, longest = std::max(longest, run);
    run = 0;
  }
  void Add(const scan::RunPiece& p, long long minRun) {
    if (!p.broken) {
      run += p.run;
      return;
    }
    run += p.head;
    Close(minRun);
    excursions += p.excursions, inExcursions += p.inExcursions, longest = std::max(longest, p.longest);
    run = p.run;
  }
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

double Share(double some, double whole) { return whole > 0 ? some / whole : 0; }

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

void Merge(scan::PairPiece& a, const scan::PairPiece& o) {
  a.n += o.n, a.sx += o.sx, a.sy += o.sy, a.sxx += o.sxx, a.syy += o.syy, a.sxy += o.sxy, a.weight += o.weight;
  for (int k = 0; k <= kRoseSectors; ++k) a.count[k] += o.count[k], a.weighted[k] += o.weighted[k];
}

// How many cores to share n samples between.
int Workers(long long n) {
  const unsigned cores = std::thread::hardware_concurrency();
  return n < kParallelFrom ? 1 : static_cast<int>(std::clamp(cores, 1u, 8u));
}

// Runs work(0..workers-1), all but the first on cores of their own when the
// system gives threads.
template <class Work>
void OnWorkers(int workers, const Work& work) {
  std::vector<std::future<void>> more;
  for (int k = 1; k < workers; ++k) {
    try {
      more.push_back(std::async(std::launch::async, [&work, k] { work(k); }));
    } catch (const std::system_error&) {
      work(k);
    }
  }
  work(0);
  for (auto& m : more) m.get();
}

struct Channel {
  const float* p = nullptr;
  long long end = 0;  // one past the last sample of the span in this channel
  scan::Levels levels;
  bool hasRef = false;
  double ref = 0;
  std::vector<float> limits;  // each limit as the float that decides it
};

// A stretch of samples worked in one go, inside or beyond each channel, and
// its segments in each clock hour (one segment for a span without hours).
struct Segment {
  long long lo = 0, hi = 0;
  std::size_t bucket = 0;
};
struct Piece {
  long long lo = 0, hi = 0;
  std::size_t first = 0, end = 0;  // its segments
};
// What a piece finds besides its segments' sums and its runs.
struct Finds {
  bool invalid[2] = {false, false};
  scan::PairPiece pair;
};

// Room for what the pieces find, each place first written by the core that
// works its piece: the pages (some megabytes for a full memory) are then
// first touched by all cores at once rather than by one beforehand.
template <class T>
class Room {
  static_assert(std::is_trivially_destructible_v<T>);

 public:
  void Open(std::size_t n) { mem_.reset(static_cast<T*>(::operator new(std::max<std::size_t>(n, 1) * sizeof(T)))); }
  T& Make(std::size_t i) { return *::new (static_cast<void*>(mem_.get() + i)) T{}; }
  T& operator[](std::size_t i) const { return mem_.get()[i]; }

 private:
  struct Free {
    void operator()(T* p) const { ::operator delete(p); }
  };
  std::unique_ptr<T, Free> mem_;
};

class Assessor {
 public:
  Assessor(const Source& src, Span span, const Inputs& in, Figures& out)
      : src_(src), span_(span), in_(in), out_(out), read_{UsableShuntResistance(src.shuntOhms), src.shuntOhms} {
    if (!read_.current) read_.ohms = 1;
  }
  void Run();

 private:
  void MakePieces();
  void ScanPieces(std::atomic<std::size_t>& next);
  void AssessChannel(std::size_t c);
  void Days(ChannelFigures& f, const Channel& c);
  void Histograms();
  PairFigures AssessPair() const;
  long long FirstAt(const Channel& c, long long from, double x) const;

  const Source& src_;
  Span span_;
  const Inputs& in_;
  Figures& out_;
  scan::Reading read_;
  bool timed_ = false, hourly_ = false, clock_ = false;
  long long minRun_ = 1;
  std::vector<Channel> chans_;
  std::vector<Bucket> hours_;
  std::vector<Piece> pieces_;
  std::vector<Segment> segments_;
  Room<Finds> finds_;          // per piece
  Room<Acc> sums_;             // per segment and channel
  Room<scan::RunPiece> runs_;  // per piece, channel and limit
  int workers_ = 1;

  std::size_t RunAt(std::size_t piece, std::size_t c, std::size_t l) const {
    return (piece * 2 + c) * in_.limits.size() + l;
  }
  scan::RunPiece& RunOf(std::size_t piece, std::size_t c, std::size_t l) { return runs_[RunAt(piece, c, l)]; }
};

void Assessor::MakePieces() {
  long long ends[2];
  for (int k = 0; k < 2; ++k) ends[k] = k < static_cast<int>(chans_.size()) ? chans_[k].end : span_.last + 1;
  // Known counts up front: growing these vectors would copy them over and over.
  const std::size_t pieces = static_cast<std::size_t>((span_.last - span_.first) / kPiece) + 3;
  pieces_.reserve(pieces);
  segments_.reserve(pieces + hours_.size());
  std::size_t b = 0;
  for (long long lo = span_.first; lo <= span_.last;) {
    Piece pc;
    pc.lo = lo;
    pc.hi = std::min(lo + kPiece, span_.last + 1);
    for (long long e : ends)
      if (e > lo && e < pc.hi) pc.hi = e;
    pc.first = segments_.size();
    for (long long at = lo; at < pc.hi;) {
      while (b + 1 < hours_.size() && hours_[b + 1].first <= at) ++b;
      Segment sg;
      sg.lo = at;
      sg.hi = b + 1 < hours_.size() ? std::min(hours_[b + 1].first, pc.hi) : pc.hi;
      sg.bucket = b;
      segments_.push_back(sg);
      at = sg.hi;
    }
    pc.end = segments_.size();
    pieces_.push_back(pc);
    lo = pc.hi;
  }
}

void Assessor::ScanPieces(std::atomic<std::size_t>& next) {
  std::vector<int> sector(chans_.size() == 2 ? kPiece + 8 : 0);
  std::vector<double> magnitude(sector.size());
  // A piece at a time to whichever core is free: pieces differ in their
  // work (a stretch in one rose sector, or wholly beyond a limit, costs less).
  for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < pieces_.size();) {
    const Piece& pc = pieces_[i];
    Finds& fd = finds_.Make(i);
    for (std::size_t k = pc.first; k < pc.end; ++k) sums_.Make(2 * k), sums_.Make(2 * k + 1);
    for (std::size_t c = 0; c < 2; ++c)
      for (std::size_t l = 0; l < in_.limits.size(); ++l) runs_.Make(RunAt(i, c, l));
    const long long n = pc.hi - pc.lo;
    Acc whole[2];
    for (std::size_t c = 0; c < chans_.size(); ++c) {
      const Channel& ch = chans_[c];
      if (pc.lo >= ch.end) continue;
      for (std::size_t k = pc.first; k < pc.end; ++k) {
        const Segment& sg = segments_[k];
        Acc& a = sums_[2 * k + c];
        bool invalid = false;
        a = scan::Sums(ch.p + sg.lo, sg.hi - sg.lo, read_, ch.levels, &invalid);
        a.minPiece = a.maxPiece = sg.lo;
        fd.invalid[c] = fd.invalid[c] || invalid;
        whole[c].Merge(a);
      }
      for (std::size_t l = 0; l < in_.limits.size(); ++l) {
        scan::RunPiece& r = RunOf(i, c, l);
        const Limit& lim = in_.limits[l];
        // A piece wholly beyond the limit, or wholly within it, is one run or none.
        if (!fd.invalid[c]) {
          const Acc& w = whole[c];
          if (lim.above ? w.min > lim.level : w.max < lim.level) {
            r.run = n;
            continue;
          }
          if (lim.above ? !(w.max > lim.level) : !(w.min < lim.level)) {
            r.broken = true;
            continue;
          }
        }
        scan::Runs(r, ch.p + pc.lo, n, ch.limits[l], lim.above, fd.invalid[c], minRun_);
      }
    }
    if (chans_.size() == 2 && pc.lo < chans_[0].end && pc.lo < chans_[1].end) {
      const bool checked = fd.invalid[0] || fd.invalid[1];
      // Most stretches of a survey lie in one sector of the rose, or in two side by side.
      const bool box = whole[0].n && whole[1].n;
      const int same = box ? scan::BoxSector(whole[1].min, whole[1].max, whole[0].min, whole[0].max) : -1;
      scan::Edge edge;
      const bool split =
          same < 0 && box && !checked && scan::BoxEdge(whole[1].min, whole[1].max, whole[0].min, whole[0].max, &edge);
      scan::Pair(fd.pair, chans_[0].p + pc.lo, chans_[1].p + pc.lo, n, read_, chans_[0].levels.pivot,
                 chans_[1].levels.pivot, checked, same, split ? &edge : nullptr, sector.data(), magnitude.data());
      if (!checked) {
        // Every sample counts in both channels: their own sums are the pair's.
        fd.pair.n = static_cast<double>(n);
        fd.pair.sx = whole[0].sum, fd.pair.sxx = whole[0].sumSq;
        fd.pair.sy = whole[1].sum, fd.pair.syy = whole[1].sumSq;
      }
    }
  }
}

long long Assessor::FirstAt(const Channel& c, long long from, double x) const {
  for (long long i = from; i < c.end; ++i)
    if (Valid(c.p[i]) && read_.Value(c.p[i]) == x) return i;
  return -1;
}

void Assessor::AssessChannel(std::size_t k) {
  Channel& c = chans_[k];
  ChannelFigures& f = out_.channels[k];
  const double period = timed_ ? src_.header.dPeriod : 0;
  Acc all, bucket;
  std::vector<RunState> runs(in_.limits.size());
  for (std::size_t i = 0; i < pieces_.size() && pieces_[i].lo < c.end; ++i)
    for (std::size_t l = 0; l < runs.size(); ++l) runs[l].Add(RunOf(i, k, l), minRun_);
  for (std::size_t i = 0; i < segments_.size() && segments_[i].lo < c.end; ++i) {
    bucket.Merge(sums_[2 * i + k]);
    const bool last = i + 1 == segments_.size() || segments_[i + 1].lo >= c.end ||
                      segments_[i + 1].bucket != segments_[i].bucket;
    if (!last) continue;
    if (hourly_) f.hourly.push_back(MakePeriod(hours_[segments_[i].bucket], clock_, bucket, c.levels.pivot));
    all.Merge(bucket);
    bucket = Acc{};
  }

  const Acc& a = all;
  f.count = static_cast<long long>(a.n);
  f.invalid = static_cast<long long>(a.invalid);
  if (timed_) f.duration = static_cast<double>(c.end - 1 - span_.first) * period;
  if (a.n) {
    const double m = a.sum / a.n;
    const double var = std::max(0.0, a.sumSq / a.n - m * m);
    f.min = a.min, f.max = a.max;
    f.minAt = FirstAt(c, a.minPiece, a.min);
    f.maxAt = FirstAt(c, a.maxPiece, a.max);
    f.mean = c.levels.pivot + m;
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
  for (std::size_t l = 0; l < in_.limits.size(); ++l) {
    RunState& r = runs[l];
    r.Close(minRun_);
    LimitFigures lf;
    lf.limit = in_.limits[l];
    lf.share = Share(static_cast<double>(r.inExcursions), a.n);
    lf.excursions = r.excursions;
    lf.longest = static_cast<double>(r.longest) * period;
    lf.total = static_cast<double>(r.inExcursions) * period;
    f.limits.push_back(lf);
  }
  if (hourly_ && *f.duration >= 86400) Days(f, c);
}

void Assessor::Days(ChannelFigures& f, const Channel& c) {
  // Midnight is an hour boundary too: every hour lies in one day.
  bool dayClock = false;
  const std::vector<Bucket> days = Buckets(src_.header, span_.first, c.end - 1, true, &dayClock);
  std::size_t hour = 0;
  for (std::size_t d = 0; d < days.size(); ++d) {
    const long long dayEnd = d + 1 < days.size() ? days[d + 1].first : c.end;
    Period p;
    p.start = days[d].start;
    p.clock = dayClock;
    double sum = 0;
    for (; hour < f.hourly.size() && hours_[hour].first < dayEnd; ++hour) {
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

// Needs every channel's extremes, so it is a pass of its own. Where both
// channels have samples they are counted side by side.
void Assessor::Histograms() {
  const std::size_t nc = chans_.size();
  scan::Bins scale[2];
  bool some[2] = {false, false};
  for (std::size_t c = 0; c < nc; ++c) {
    const ChannelFigures& f = out_.channels[c];
    if (!f.min) continue;
    some[c] = true;
    scale[c].from = *f.min;
    scale[c].scale = *f.max > *f.min ? kHistogramBins / (*f.max - *f.min) : 0;
  }
  const long long both = nc == 2 && some[0] && some[1] ? std::min(chans_[0].end, chans_[1].end) : span_.first;
  std::vector<scan::Bins> bins(workers_ * 2);
  // Long stretches, a multiple of eight samples, to whichever core is free.
  constexpr long long kStretch = 1 << 18;
  std::atomic<long long> next{0};
  OnWorkers(workers_, [&](int worker) {
    scan::Bins* b = &bins[worker * 2];
    b[0] = scale[0], b[1] = scale[1];
    for (long long lo; (lo = span_.first + kStretch * next.fetch_add(1, std::memory_order_relaxed)) <= span_.last;) {
      const long long hi = std::min(lo + kStretch, span_.last + 1), mid = std::clamp(both, lo, hi);
      if (mid > lo) scan::Histogram(b[0], b[1], chans_[0].p + lo, chans_[1].p + lo, mid - lo, read_);
      for (std::size_t c = 0; c < nc; ++c)
        if (const long long end = std::min(hi, chans_[c].end); some[c] && end > mid)
          scan::Histogram(b[c], chans_[c].p + mid, end - mid, read_);
    }
  });
  for (std::size_t c = 0; c < nc; ++c) {
    if (!some[c]) continue;
    ChannelFigures& f = out_.channels[c];
    f.histFrom = *f.min, f.histTo = *f.max;
    for (int worker = 0; worker < workers_; ++worker)
      for (int k = 0; k < kHistogramBins; ++k) f.histogram[k] += bins[worker * 2 + c].count[k];
  }
}

PairFigures Assessor::AssessPair() const {
  scan::PairPiece pair;
  for (std::size_t i = 0; i < pieces_.size(); ++i)
    if (pieces_[i].lo < chans_[0].end && pieces_[i].lo < chans_[1].end) Merge(pair, finds_[i].pair);
  PairFigures p;
  p.count = static_cast<long long>(pair.n);
  if (!pair.n) return p;
  const double n = pair.n;
  const double mx = pair.sx / n, my = pair.sy / n;
  const double vxx = pair.sxx / n - mx * mx, vyy = pair.syy / n - my * my, vxy = pair.sxy / n - mx * my;
  p.meanNorth = chans_[0].levels.pivot + mx;
  p.meanEast = chans_[1].levels.pivot + my;
  if (vxx > 0) {
    p.slope = vxy / vxx;
    p.intercept = p.meanEast - *p.slope * p.meanNorth;
  }
  if (vxx > 0 && vyy > 0) p.r = std::clamp(vxy / std::sqrt(vxx * vyy), -1.0, 1.0);
  p.magnitude = std::hypot(p.meanEast, p.meanNorth);
  if (p.magnitude > 0) p.azimuth = AzimuthDegrees(static_cast<float>(p.meanEast), static_cast<float>(p.meanNorth));
  for (int k = 0; k < kRoseSectors; ++k) {
    p.share[k] = Share(static_cast<double>(pair.count[k]), n);
    p.weightedShare[k] = pair.weight > 0 ? pair.weighted[k] / pair.weight : 0;
  }
  return p;
}

void Assessor::Run() {
  const RecordingHeader& h = src_.header;
  timed_ = UsableTime(h, span_.last);
  if (in_.minExcursion > 0 && timed_)
    minRun_ = std::max<long long>(1, static_cast<long long>(std::ceil(in_.minExcursion / h.dPeriod - 1e-9)));

  for (int c = 0; c < 2; ++c) {
    if (src_.count[c] <= span_.first) continue;
    Channel ch;
    ch.p = src_.channel[c];
    ch.end = std::min(span_.last + 1, src_.count[c]);
    for (long long i = span_.first; i < ch.end; ++i)
      if (Valid(ch.p[i])) {
        ch.levels.pivot = read_.Value(ch.p[i]);
        break;
      }
    ch.levels.pos = read_.Above(0);
    ch.levels.neg = read_.Below(0);
    if (in_.reference[c]) {
      ch.hasRef = true, ch.ref = *in_.reference[c];
      ch.levels.ref = ch.ref;
      ch.levels.above = read_.Above(ch.ref);
    } else {
      ch.levels.above = HUGE_VALF;
    }
    for (const Limit& l : in_.limits) ch.limits.push_back(l.above ? read_.Above(l.level) : read_.Below(l.level));
    chans_.push_back(std::move(ch));
    out_.channels.push_back({});
    out_.channels.back().channel = c + 1;
  }

  hourly_ = timed_ && (SampleSeconds(h, span_.last) - SampleSeconds(h, span_.first)) / 3600 < kMaxHours;
  if (hourly_)
    hours_ = Buckets(h, span_.first, span_.last, false, &clock_);
  else
    hours_.push_back({span_.first, 0});
  MakePieces();
  finds_.Open(pieces_.size());
  sums_.Open(2 * segments_.size());
  runs_.Open(pieces_.size() * 2 * in_.limits.size());

  // Each piece keeps its own sums, merged below in sample order whatever the
  // number of cores.
  workers_ = Workers(span_.last + 1 - span_.first);
  std::atomic<std::size_t> next{0};
  OnWorkers(workers_, [&](int) { ScanPieces(next); });

  // The channels' own figures side by side when there are cores for them.
  if (workers_ > 1)
    OnWorkers(static_cast<int>(chans_.size()), [&](int c) { AssessChannel(c); });
  else
    for (std::size_t c = 0; c < chans_.size(); ++c) AssessChannel(c);
  Histograms();
  if (chans_.size() == 2) out_.pair = AssessPair();
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
  const int k = scan::QuickSector(e, n);
  return k >= 0 ? k : scan::RuleSector(e, n);
}

std::vector<std::uint32_t> ScatterGrid(const Source& src, const Figures& f, int w, int h) {
  if (f.channels.size() != 2 || !f.channels[0].min || !f.channels[1].min || w < 1 || h < 1) return {};
  const ChannelFigures &a = f.channels[0], &b = f.channels[1];
  scan::GridMap g;
  g.w = w, g.h = h;
  g.x0 = *a.min, g.y0 = *b.min;
  g.sx = *a.max > *a.min ? (w - 1) / (*a.max - *a.min) : 0;
  g.sy = *b.max > *b.min ? (h - 1) / (*b.max - *b.min) : 0;
  const scan::Reading read{f.current, f.current ? src.shuntOhms : 1};
  const long long first = f.span.first, end = std::min({f.span.last + 1, src.count[0], src.count[1]});
  const int workers = Workers(end - first);
  const std::size_t cells = static_cast<std::size_t>(w) * h + 1;
  std::vector<std::uint32_t> grid(cells * workers);
  OnWorkers(workers, [&](int k) {
    const long long lo = first + (end - first) * k / workers, hi = first + (end - first) * (k + 1) / workers;
    scan::Grid(grid.data() + cells * k, g, src.channel[0] + lo, src.channel[1] + lo, hi - lo, read);
  });
  for (int k = 1; k < workers; ++k)
    for (std::size_t i = 0; i < cells; ++i) grid[i] += grid[cells * k + i];
  grid.resize(cells - 1);
  return grid;
}

Figures Assess(const Source& src, Span span, const Inputs& in) {
  Figures out;
  out.span = span;
  out.current = UsableShuntResistance(src.shuntOhms);
  if (!SpanError(src, span).empty()) return out;
  Assessor(src, span, in, out).Run();
  return out;
}

}  // namespace zet::analysis
