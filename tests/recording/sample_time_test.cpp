// Sample word conversions, exact "%f" formatting and the time texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <random>
#include <string>

#include "recording/recording.h"
#include "support/environment.h"
#include "support/printf_reference.h"

namespace zet {
namespace {

TEST(SampleWord, ChannelVoltsAtRangeEdgesInSinglePrecision) {
  EXPECT_EQ(ChannelVolts(0x3200), 0.0f);
  EXPECT_EQ(ChannelVolts(0x33FF), static_cast<float>(double(0.1f) * 511 * double(0.002f)));
  EXPECT_NEAR(ChannelVolts(0x33FF), 0.1022f, 1e-7);
  EXPECT_EQ(ChannelVolts(0x0000), static_cast<float>(100.0 * -512 * double(0.002f)));
  EXPECT_NEAR(ChannelVolts(0x0000), -102.4f, 1e-4);
  EXPECT_EQ(RangeFactor(0x3000), 0.1f);
  EXPECT_EQ(RangeFactor(0x1000 | 0x4000), 10.0f);  // the marker bit does not touch the range
}

TEST(SampleWord, SupplyIsClampedToItsInterval) {
  EXPECT_EQ(SupplyVolts(0x8200), 4.5f);
  EXPECT_EQ(SupplyVolts(0x83FF), 6.2f);
  EXPECT_EQ(SupplyVolts(0x8000), 4.5f);
  EXPECT_EQ(SupplyVolts(0x8201), static_cast<float>(double(0.007826087f) + 4.5));
}

TEST(SampleWord, FastSamplingComparesWithSinglePrecisionHundredth) {
  EXPECT_TRUE(IsFastSampling(0.0003));
  EXPECT_FALSE(IsFastSampling(0.01));
  EXPECT_FALSE(IsFastSampling(double(0.01f)));
  EXPECT_TRUE(IsFastSampling(0.00999999));
  EXPECT_FALSE(IsFastSampling(0.5));
  EXPECT_FALSE(IsFastSampling(std::nan("")));
}

std::string Printf(const char* fmt, double v) { return testing::PrintfReference(fmt, v); }

std::string Fixed(double v, int d) {
  char buf[400];
  return std::string(buf, FormatFixed(v, d, buf));
}

TEST(FormatFixed, EqualsPrintfForEveryKindOfValue) {
  const double specials[] = {0.0, -0.0, 1.5, -0.25, -0.124, 0.0078125, -0.0078125, 2.5e-7, 5e-7,
                             -4e-7, 1e-300, 123456789.125, 1e20, -3.4028234663852886e38, 0.00005, 0.00015,
                             std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(), std::nan(""), -std::nan("")};
  for (double v : specials) {
    EXPECT_EQ(Fixed(v, 6), Printf("%f", v)) << v;
    EXPECT_EQ(Fixed(v, 4), Printf("%.4f", v)) << v;
  }
  std::mt19937 rng(7);
  std::uniform_int_distribution<std::uint32_t> bits;
  std::uniform_real_distribution<double> small(-200, 200);
  for (int k = 0; k < 200000; ++k) {
    float f = std::bit_cast<float>(bits(rng));
    ASSERT_EQ(Fixed(f, 6), Printf("%f", f)) << f;
    double d = small(rng) * std::ldexp(1.0, static_cast<int>(bits(rng) % 40) - 20);
    ASSERT_EQ(Fixed(d, 4), Printf("%.4f", d)) << d;
  }
}

RecordingHeader DatedHeader(int y, int mo, int d, int h, int mi, double period) {
  RecordingHeader hd;
  hd.nDevice = 7;
  hd.bDateKnown = 1;
  hd.nYear = y;
  hd.nMonth = mo;
  hd.nDay = d;
  hd.nHour = h;
  hd.nMinute = mi;
  hd.dPeriod = period;
  hd.nChannels = 1;
  return hd;
}

TEST(TimeText, ThreeForms) {
  testing::TimeZoneScope tz("Europe/Moscow");
  RecordingHeader fast = DatedHeader(2024, 3, 5, 10, 20, 0.0003);
  EXPECT_EQ(GetTimeText(fast, 1), "  0.0003 c   ");
  EXPECT_EQ(GetTimeText(fast, 0), "  0.0000 c   ");

  RecordingHeader span = DatedHeader(2024, 3, 5, 10, 20, 1.0);
  span.bDateKnown = 0;
  EXPECT_EQ(GetTimeText(span, 90061), "1:01:01:01   ");
  EXPECT_EQ(GetTimeText(span, 0), "0:00:00:00   ");
  span.dPeriod = 0.5;
  EXPECT_EQ(GetTimeText(span, 3), "0:00:00:01   ");  // 1.5 s truncated

  RecordingHeader date = DatedHeader(2024, 12, 31, 23, 59, 60.0);
  EXPECT_EQ(GetTimeText(date, 0), "31.12.2024 23:59:00");
  EXPECT_EQ(GetTimeText(date, 2), "01.01.2025 00:01:00");
}

TEST(TimeText, ImpossibleHeadersGiveSafeTexts) {
  testing::TimeZoneScope tz("Europe/Moscow");
  RecordingHeader h = DatedHeader(2024, 1, 1, 0, 0, std::numeric_limits<double>::infinity());
  EXPECT_EQ(GetTimeText(h, 1), kUnknownTimeText);
  h.dPeriod = std::nan("");
  EXPECT_EQ(GetTimeText(h, 1), kUnknownTimeText);
  h.dPeriod = 1e300;
  EXPECT_EQ(GetTimeText(h, 5), kUnknownTimeText);
  h.dPeriod = 1.0;
  h.nYear = 70000;  // no calendar date: elapsed time instead
  EXPECT_EQ(GetTimeText(h, 61), "0:00:01:01   ");
  h.nYear = 2024;
  h.nMonth = -3;
  EXPECT_EQ(GetTimeText(h, 61), "0:00:01:01   ");
  h.nMonth = 2;
  h.nDay = 31;  // carried into March like the calendar does
  EXPECT_EQ(GetTimeText(h, 0), "02.03.2024 00:00:00");
}

// The fast formatter of the export must give GetTimeText's text for every row.
void ExpectFormatterMatches(const RecordingHeader& h, long long rows) {
  TimeTextFormatter f(h);
  for (long long i = 0; i < rows; ++i) ASSERT_EQ(f.Text(i), GetTimeText(h, i)) << "row " << i;
}

TEST(TimeText, FormatterEqualsGetTimeTextAcrossDaylightSavingChanges) {
  testing::TimeZoneScope tz("Europe/Berlin");
  // 31.03.2024 02:00 CET -> 03:00 CEST; 27.10.2024 03:00 CEST -> 02:00 CET.
  ExpectFormatterMatches(DatedHeader(2024, 3, 31, 1, 0, 0.5), 3 * 7200);
  ExpectFormatterMatches(DatedHeader(2024, 10, 27, 1, 30, 1.0), 4 * 3600);
  ExpectFormatterMatches(DatedHeader(2024, 10, 26, 23, 0, 120.0), 200);
  ExpectFormatterMatches(DatedHeader(2024, 12, 31, 23, 0, 7.0), 2000);
  RecordingHeader span = DatedHeader(2024, 1, 1, 0, 0, 20.0);
  span.bDateKnown = 0;
  ExpectFormatterMatches(span, 10000);
  ExpectFormatterMatches(DatedHeader(2024, 1, 1, 0, 0, 0.0006), 50000);
  RecordingHeader bad = DatedHeader(2024, 1, 1, 0, 0, -1.0);  // going backwards stays consistent
  ExpectFormatterMatches(bad, 5000);
}

}  // namespace
}  // namespace zet
