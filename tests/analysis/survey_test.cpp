// The survey figures on hand-worked recordings and on their properties.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <numeric>
#include <random>

#include "analysis/survey.h"
#include "analysis/survey_scan.h"
#include "diagram/diagram_geometry.h"
#include "support/environment.h"

namespace zet::analysis {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Rec {
  std::vector<float> ch1, ch2;
  RecordingHeader h;
  Rec(std::vector<float> a, std::vector<float> b = {}, double period = 1) : ch1(std::move(a)), ch2(std::move(b)) {
    h.dPeriod = period;
    h.nChannels = ch2.empty() ? 1 : 2;
  }
  Source Src(double ohms = 0) const {
    Source s;
    s.header = h;
    s.channel[0] = ch1.data(), s.count[0] = static_cast<long long>(ch1.size());
    s.channel[1] = ch2.data(), s.count[1] = static_cast<long long>(ch2.size());
    s.shuntOhms = ohms;
    return s;
  }
  Figures Run(const Inputs& in = {}, std::optional<Span> span = {}) const {
    return Assess(Src(), span.value_or(WholeSpan(Src())), in);
  }
};

TEST(Survey, OneChannelByHand) {
  const Rec r({-1, -0.5f, 0, kNaN, 0.5f, 1});
  Inputs in;
  in.reference[0] = -0.25;
  in.limits = {{true, 0.25}, {false, -0.75}};
  const Figures f = r.Run(in);
  ASSERT_EQ(f.channels.size(), 1u);
  EXPECT_FALSE(f.pair);
  const ChannelFigures& c = f.channels[0];
  EXPECT_EQ(c.count, 5);
  EXPECT_EQ(c.invalid, 1);
  EXPECT_EQ(*c.duration, 5);
  EXPECT_EQ(*c.min, -1);
  EXPECT_EQ(c.minAt, 0);
  EXPECT_EQ(*c.max, 1);
  EXPECT_EQ(c.maxAt, 5);
  EXPECT_DOUBLE_EQ(*c.mean, 0);
  EXPECT_DOUBLE_EQ(*c.rms, std::sqrt(0.5));
  EXPECT_DOUBLE_EQ(*c.std, std::sqrt(0.5));
  EXPECT_DOUBLE_EQ(*c.meanPositive, 0.75);
  EXPECT_DOUBLE_EQ(*c.meanNegative, -0.75);
  EXPECT_DOUBLE_EQ(c.sharePositive, 0.4);
  EXPECT_DOUBLE_EQ(c.shareNegative, 0.4);
  ASSERT_TRUE(c.shift);
  EXPECT_DOUBLE_EQ(*c.shift->max, 1.25);
  EXPECT_DOUBLE_EQ(*c.shift->meanPositive, 0.75);  // shifts 0.25, 0.75, 1.25
  EXPECT_DOUBLE_EQ(c.shift->sharePositive, 0.6);
  EXPECT_EQ(c.shift->zone, Zone::Alternating);
  ASSERT_EQ(c.limits.size(), 2u);
  // The invalid sample between 0 and 0.5 neither breaks nor extends the run.
  EXPECT_DOUBLE_EQ(c.limits[0].share, 0.4);
  EXPECT_EQ(c.limits[0].excursions, 1);
  EXPECT_EQ(c.limits[0].longest, 2);
  EXPECT_EQ(c.limits[1].excursions, 1);
  EXPECT_EQ(c.limits[1].total, 1);
  long long inBins = 0;
  for (long long n : c.histogram) inBins += n;
  EXPECT_EQ(inBins, 5);
  EXPECT_EQ(c.histogram[0], 1);
  EXPECT_EQ(c.histogram[kHistogramBins - 1], 1);
  EXPECT_EQ(c.histogram[kHistogramBins / 2], 1);  // 0 sits in the middle bin

  // A span counts its two ends and nothing beyond them.
  const ChannelFigures s = r.Run({}, Span{1, 4}).channels[0];
  EXPECT_EQ(s.count, 3);
  EXPECT_EQ(*s.min, -0.5f);
  EXPECT_EQ(s.minAt, 1);
  EXPECT_EQ(*s.max, 0.5f);
  EXPECT_EQ(s.maxAt, 4);
  EXPECT_EQ(*s.duration, 3);
}

TEST(Survey, ValuesASpanCannotGiveAreAbsent) {
  const Figures f = Rec({2, 2, 2}, {-1, -1, -1}).Run();
  const ChannelFigures& c = f.channels[0];
  EXPECT_FALSE(c.meanNegative);
  EXPECT_EQ(*c.std, 0);
  EXPECT_FALSE(f.pair->r);
  EXPECT_FALSE(f.pair->slope);
  // Periods no recorder uses: hours stay few, or are not listed at all.
  EXPECT_EQ(Rec({1, 2, 3}, {}, 1e-300).Run().channels[0].hourly.size(), 1u);
  EXPECT_TRUE(Rec(std::vector<float>(200000, 1.f), {}, 36000).Run().channels[0].hourly.empty());
  const ChannelFigures none = Rec({kNaN, kNaN}).Run().channels[0];
  EXPECT_EQ(none.count, 0);
  EXPECT_FALSE(none.min);
  EXPECT_FALSE(none.mean);
  EXPECT_EQ(none.sharePositive, 0);
}

TEST(Survey, SpansOutsideTheRecordingAreRefused) {
  const Source src = Rec({1, 2, 3}).Src();
  EXPECT_EQ(SpanError(src, {0, 2}), "");
  for (Span s : {Span{0, 3}, Span{-1, 1}, Span{2, 1}}) EXPECT_NE(SpanError(src, s).find("0..2"), std::string::npos);
  EXPECT_NE(SpanError(Rec({}).Src(), {0, 0}), "");
}

TEST(Survey, ZonesAndSharesAgreeWithTheShiftExtremes) {
  std::mt19937 gen(7);
  std::uniform_real_distribution<float> u(-2, 2);
  for (int trial = 0; trial < 200; ++trial) {
    std::vector<float> v(1 + trial % 17);
    for (float& x : v) x = trial % 3 ? u(gen) : std::round(u(gen));  // rounded: exact zeros occur
    Inputs in;
    in.reference[0] = trial % 5 ? u(gen) : std::round(u(gen));
    const ChannelFigures c = Rec(v).Run(in).channels[0];
    long long zeros = 0;
    for (float x : v) zeros += x == 0;
    EXPECT_NEAR(c.sharePositive + c.shareNegative + double(zeros) / c.count, 1, 1e-12);
    const double lo = *c.min - *in.reference[0], hi = *c.shift->max;
    const Zone want = lo < 0 && hi > 0 ? Zone::Alternating : hi > 0 ? Zone::Anodic : lo < 0 ? Zone::Cathodic : Zone::None;
    EXPECT_EQ(c.shift->zone, want) << trial;
    EXPECT_EQ(c.shift->sharePositive > 0, hi > 0);
  }
}

TEST(Survey, ShortExcursionsCountNeitherAsExcursionsNorInTheShare) {
  // Runs above 0 of 1, 3 and 2 samples at 0.5 s; the last one ends the span.
  const std::vector<float> v = {1, 0, 1, 1, 1, 0, 0, 1, 1};
  struct Case {
    double minExcursion;
    long long excursions;
    double share, longest, total;
  } cases[] = {{0, 3, 6 / 9.0, 1.5, 3}, {1, 2, 5 / 9.0, 1.5, 2.5}, {1.5, 1, 3 / 9.0, 1.5, 1.5}, {2, 0, 0, 0, 0}};
  for (const Case& k : cases) {
    Inputs in;
    in.limits = {{true, 0}};
    in.minExcursion = k.minExcursion;
    const LimitFigures l = Rec(v, {}, 0.5).Run(in).channels[0].limits[0];
    EXPECT_EQ(l.excursions, k.excursions) << k.minExcursion;
    EXPECT_DOUBLE_EQ(l.share, k.share) << k.minExcursion;
    EXPECT_DOUBLE_EQ(l.longest, k.longest) << k.minExcursion;
    EXPECT_DOUBLE_EQ(l.total, k.total) << k.minExcursion;
  }
}

TEST(Survey, ClockHoursAndDays) {
  zet::testing::TimeZoneScope tz("UTC");
  // 10-minute samples from 05.03.2024 09:07 for 50 hours, sample i = i.
  std::vector<float> v(300);
  for (int i = 0; i < 300; ++i) v[i] = static_cast<float>(i);
  Rec r(v, {}, 600);
  r.h.bDateKnown = 1, r.h.nYear = 2024, r.h.nMonth = 3, r.h.nDay = 5, r.h.nHour = 9, r.h.nMinute = 7;
  const ChannelFigures c = r.Run().channels[0];
  const long long t0 = 1709629200;  // 05.03.2024 09:00 UTC
  ASSERT_EQ(c.hourly.size(), 50u);
  EXPECT_EQ(c.hourly[0].start, t0);
  EXPECT_EQ(c.hourly[1].start, t0 + 3600);
  EXPECT_EQ(c.hourly[0].count, 6);
  EXPECT_EQ(*c.hourly[1].min, 6);
  EXPECT_EQ(*c.hourly[1].max, 11);
  EXPECT_DOUBLE_EQ(*c.hourly[1].mean, 8.5);
  ASSERT_EQ(c.daily.size(), 3u);
  EXPECT_EQ(c.daily[1].start, t0 - 9 * 3600 + 86400);
  EXPECT_EQ(c.daily[0].count, 90);  // 09:07 .. 23:57
  EXPECT_EQ(c.daily[1].count, 144);
  EXPECT_EQ(c.daily[2].count, 66);
  EXPECT_DOUBLE_EQ(*c.daily[1].mean, 90 + 143 / 2.0);
  // A span shorter than a day has no days; one that starts mid-hour still
  // reports that hour.
  const ChannelFigures s = r.Run({}, Span{8, 40}).channels[0];
  EXPECT_TRUE(s.daily.empty());
  EXPECT_EQ(s.hourly[0].start, t0 + 3600);
  EXPECT_EQ(s.hourly[0].count, 4);
}

TEST(Survey, ChannelPairLineAndShuntCurrent) {
  std::vector<float> a, b;
  for (int i = 0; i < 50; ++i) a.push_back(i * 0.1f - 2), b.push_back(2 * a.back() + 1);
  const Rec r(a, b);
  const PairFigures p = *r.Run().pair;
  EXPECT_NEAR(*p.slope, 2, 1e-6);
  EXPECT_NEAR(*p.intercept, 1, 1e-6);
  EXPECT_NEAR(*p.r, 1, 1e-9);
  // Amperes through a 0.01 Ω shunt: every level a hundred times the volts.
  const Figures amps = Assess(r.Src(0.01), WholeSpan(r.Src()), {});
  EXPECT_TRUE(amps.current);
  EXPECT_DOUBLE_EQ(*amps.channels[0].min, ShuntAmperes(a[0], 0.01));
  EXPECT_NEAR(*amps.pair->intercept, 100, 1e-4);
  // The density picture: the line runs from the bottom left to the top right.
  for (const Figures& f : {r.Run(), amps}) {
    const std::vector<std::uint32_t> grid = ScatterGrid(r.Src(f.current ? 0.01 : 0), f, 5, 5);
    ASSERT_EQ(grid.size(), 25u);
    long long onLine = 0;
    for (int k = 0; k < 5; ++k) onLine += grid[(4 - k) * 5 + k];
    EXPECT_EQ(onLine, 50);
  }
}

TEST(Survey, RoseSectorsFollowTheDiagramAzimuth) {
  const struct {
    double e, n;
    int sector;
  } cases[] = {{0, 1, 0}, {-1, 0, 4}, {0, -1, 8}, {1, 0, 12}, {-1, 1, 2}, {1, 1, 14}, {-1, -1, 6}, {1, -1, 10}};
  for (const auto& c : cases) EXPECT_EQ(RoseSector(c.e, c.n), c.sector) << c.e << " " << c.n;
  EXPECT_FALSE(RoseSector(0, 0));
  // Everywhere, also next to the sector edges, the sector is the one the
  // diagram's azimuth names.
  for (int k = 0; k < 36000; ++k) {
    const double a = k * 0.01 * 3.14159265358979 / 180 + (k % 7) * 1e-9;
    const float e = static_cast<float>(-std::sin(a) * 3), n = static_cast<float>(std::cos(a) * 3);
    const int want = ((static_cast<int>(std::floor((AzimuthDegrees(e, n) + 11.25) / 22.5)) % 16) + 16) % 16;
    ASSERT_EQ(RoseSector(e, n), want) << k;
  }
}

// A stretch whose box reaches into two neighbouring sectors is counted by
// the side of their edge each vector lies on: boxes inside a quadrant and
// across either axis.
TEST(Survey, BoxesInTwoSectorsSplitAtTheirEdge) {
  std::mt19937 gen(5);
  std::uniform_real_distribution<double> u(-1, 1);
  int split = 0, acrossNorthSouth = 0, acrossEastWest = 0;
  for (int trial = 0; trial < 20000; ++trial) {
    const double e = u(gen), n = u(gen), w = 0.4 * std::fabs(u(gen)), h = 0.4 * std::fabs(u(gen));
    scan::Edge edge;
    if (!scan::BoxEdge(e, e + w, n, n + h, &edge)) continue;
    ++split, acrossNorthSouth += e < 0 && e + w > 0, acrossEastWest += n < 0 && n + h > 0;
    for (int i = 0; i <= 8; ++i)
      for (int j = 0; j <= 8; ++j) {
        const double x = e + w * i / 8, y = n + h * j / 8, side = edge.east * x - edge.tangent * edge.north * y;
        const int k = RoseSector(x, y).value_or(-1);
        ASSERT_TRUE(k == edge.within || k == edge.beyond) << x << " " << y;
        if (std::fabs(side) > 1e-6) {
          ASSERT_EQ(k == edge.beyond, side > 0) << x << " " << y;
        }
      }
  }
  EXPECT_GT(acrossNorthSouth, 20);
  EXPECT_GT(acrossEastWest, 20);
  EXPECT_GT(split, 1000);

  // Through the whole assessment: a stretch in sectors 8 and 9 with a third
  // of its vectors within a hair of the edge between, where the rule decides.
  Rec r({}, {});
  for (int i = 0; i < 3000; ++i) {
    const double a = (191.25 + (i % 3 ? (i % 2 ? 4 : -4) : (i % 13 - 6) * 1e-7)) * 3.14159265358979 / 180;
    r.ch1.push_back(static_cast<float>(std::cos(a))), r.ch2.push_back(static_cast<float>(-std::sin(a)));
  }
  r.h.nChannels = 2;
  const PairFigures p = *r.Run().pair;
  std::array<long long, kRoseSectors> want{};
  for (std::size_t i = 0; i < r.ch1.size(); ++i) ++want[RoseSector(r.ch2[i], r.ch1[i]).value_or(0)];
  for (int k = 0; k < kRoseSectors; ++k) EXPECT_EQ(p.share[k], static_cast<double>(want[k]) / 3000) << k;
}

TEST(Survey, RotatingTheFieldTurnsTheMeanAzimuthAndTheRose) {
  std::mt19937 gen(3);
  std::normal_distribution<double> g(0, 0.3);
  std::vector<double> e0, n0;
  for (int i = 0; i < 2000; ++i) e0.push_back(-0.6 + g(gen)), n0.push_back(0.8 + g(gen));  // towards north-west
  const auto run = [&](int steps) {
    const double a = steps * 22.5 * 3.14159265358979 / 180;  // towards west
    std::vector<float> n, e;
    for (std::size_t i = 0; i < e0.size(); ++i) {
      e.push_back(static_cast<float>(e0[i] * std::cos(a) - n0[i] * std::sin(a)));
      n.push_back(static_cast<float>(n0[i] * std::cos(a) + e0[i] * std::sin(a)));
    }
    return *Rec(n, e).Run().pair;
  };
  const PairFigures base = run(0);
  EXPECT_NEAR(*base.azimuth, 36.87, 2);
  EXPECT_NEAR(base.magnitude, 1, 0.05);
  double total = 0;
  for (double s : base.share) total += s;
  EXPECT_NEAR(total, 1, 1e-12);
  for (int steps : {1, 4, 9, 15}) {
    const PairFigures p = run(steps);
    EXPECT_NEAR(std::remainder(*p.azimuth - *base.azimuth - steps * 22.5, 360), 0, 1e-3) << steps;
    EXPECT_NEAR(p.magnitude, base.magnitude, 1e-5);
    for (int k = 0; k < kRoseSectors; ++k) {
      EXPECT_NEAR(p.share[(k + steps) % kRoseSectors], base.share[k], 0.002) << steps << " " << k;
      EXPECT_NEAR(p.weightedShare[(k + steps) % kRoseSectors], base.weightedShare[k], 0.002) << steps << " " << k;
    }
  }
}

// A long two-channel recording (many stretches, several cores, hour
// boundaries, samples that are not finite, one channel shorter) against a
// plain count sample by sample, in volts and in amperes, with the loops for
// any processor giving the very same figures as the wide ones.
TEST(Survey, LongRecordingsAgreeWithASampleBySampleCount) {
  zet::testing::TimeZoneScope tz("UTC");
  std::mt19937 gen(11);
  std::normal_distribution<float> noise(0, 0.05f);
  Rec r({}, {}, 0.5);
  r.h.bDateKnown = 1, r.h.nYear = 2024, r.h.nMonth = 3, r.h.nDay = 5, r.h.nHour = 9, r.h.nMinute = 50;
  for (int i = 0; i < 150000; ++i) {
    const float drift = static_cast<float>(0.3 * std::sin(i * 1e-4));
    r.ch1.push_back(-0.9f + drift + noise(gen));
    // About south: stretches in sector 8, in 7 or 9, and across the edges and the axis between.
    if (i < 149000) r.ch2.push_back(-0.5f * drift + noise(gen));
  }
  const float odd[] = {kNaN, HUGE_VALF, -HUGE_VALF};
  // In the first half only: the stretches of the second have none.
  for (int k = 0; k < 60; ++k) (k % 2 ? r.ch2 : r.ch1)[(k * 7919) % 74000] = odd[k % 3];
  Inputs in;
  in.reference = {-0.85, 0.0};
  in.limits = {{true, -0.8}, {false, -1.1}};
  in.minExcursion = 2;
  for (const double ohms : {0.0, 0.01}) {
    const Source src = r.Src(ohms);
    const Figures f = Assess(src, WholeSpan(src), in);
    const double scale = ohms ? 1 / ohms : 1;
    for (int c = 0; c < 2; ++c) {
      const std::vector<float>& v = c ? r.ch2 : r.ch1;
      const ChannelFigures& got = f.channels[c];
      long long n = 0, above = 0, at = -1, positive = 0;
      double sum = 0, lo = HUGE_VAL, hi = -HUGE_VAL, sumPositive = 0, sumShift = 0;
      std::array<long long, kHistogramBins> bins{};
      struct Run { long long run = 0, count = 0, in = 0; } runs[2];
      for (long long i = 0; i < static_cast<long long>(v.size()); ++i) {
        if (!std::isfinite(v[i])) continue;
        const double x = ohms ? ShuntAmperes(v[i], ohms) : v[i];
        ++n, sum += x, above += x > *in.reference[c];
        if (x > 0) ++positive, sumPositive += x;
        if (x > *in.reference[c]) sumShift += x - *in.reference[c];
        if (x < lo) lo = x, at = i;
        hi = std::max(hi, x);
        for (int l = 0; l < 2; ++l) {
          Run& u = runs[l];
          if (in.limits[l].above ? x > in.limits[l].level : x < in.limits[l].level) {
            ++u.run;
          } else {
            if (u.run >= 4) ++u.count, u.in += u.run;
            u.run = 0;
          }
        }
      }
      for (float x : v)
        if (std::isfinite(x)) {
          const double b = ((ohms ? ShuntAmperes(x, ohms) : x) - lo) * kHistogramBins / (hi - lo);
          ++bins[std::min(static_cast<int>(b), kHistogramBins - 1)];
        }
      EXPECT_EQ(got.count, n) << c;
      EXPECT_EQ(got.invalid, 30) << c;
      EXPECT_EQ(*got.min, lo) << c;
      EXPECT_EQ(got.minAt, at) << c;
      EXPECT_EQ(*got.max, hi) << c;
      EXPECT_NEAR(*got.mean, sum / n, 1e-12 * scale) << c;
      EXPECT_EQ(got.shift->sharePositive, static_cast<double>(above) / n) << c;
      // Channel 1 is negative throughout.
      EXPECT_NEAR(c ? *got.meanPositive : *got.meanNegative, c ? sumPositive / positive : sum / n, 1e-12 * scale) << c;
      EXPECT_NEAR(got.shift->meanPositive.value_or(0), above ? sumShift / above : 0, 1e-12 * scale) << c;
      EXPECT_EQ(got.histogram, bins) << c;
      long long inHours = 0;
      for (const Period& p : got.hourly) inHours += p.count;
      EXPECT_EQ(got.hourly.size(), 22u) << c;
      EXPECT_EQ(inHours, n) << c;
      for (int l = 0; l < 2; ++l) {
        if (runs[l].run >= 4) ++runs[l].count, runs[l].in += runs[l].run;
        EXPECT_EQ(got.limits[l].excursions, runs[l].count) << c << l;
        EXPECT_EQ(got.limits[l].total, runs[l].in * 0.5) << c << l;
      }
    }
    std::array<long long, kRoseSectors> rose{};
    std::array<double, kRoseSectors> weighted{};
    long long pairs = 0;
    double weight = 0;
    for (std::size_t i = 0; i < r.ch2.size(); ++i) {
      if (!std::isfinite(r.ch1[i]) || !std::isfinite(r.ch2[i])) continue;
      ++pairs;
      const double m = std::hypot(r.ch2[i], r.ch1[i]);
      weight += m;
      if (const auto k = RoseSector(r.ch2[i] * scale, r.ch1[i] * scale)) ++rose[*k], weighted[*k] += m;
    }
    EXPECT_GT(rose[7] * rose[8] * rose[9], 0);
    for (int k = 0; k < kRoseSectors; ++k) {
      EXPECT_EQ(f.pair->share[k], static_cast<double>(rose[k]) / pairs) << k;
      EXPECT_NEAR(f.pair->weightedShare[k], weighted[k] / weight, 1e-9) << k;
    }
    const std::vector<std::uint32_t> grid = ScatterGrid(src, f, 7, 3);
    EXPECT_EQ(std::accumulate(grid.begin(), grid.end(), 0LL), pairs);

    scan::AllowWideLoops(false);
    const Figures plain = Assess(src, WholeSpan(src), in);
    scan::AllowWideLoops(true);
    for (int c = 0; c < 2; ++c) {
      EXPECT_EQ(plain.channels[c].mean, f.channels[c].mean);
      EXPECT_EQ(plain.channels[c].std, f.channels[c].std);
      EXPECT_EQ(plain.channels[c].hourly.back().mean, f.channels[c].hourly.back().mean);
      EXPECT_EQ(plain.channels[c].histogram, f.channels[c].histogram);
    }
    EXPECT_EQ(plain.pair->weightedShare, f.pair->weightedShare);
    EXPECT_EQ(plain.pair->r, f.pair->r);
  }
}

}  // namespace
}  // namespace zet::analysis
