#include "recording/recording.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>

#include "base/local_time.h"
#include "base/text_format.h"

namespace zet {

// ---- sample word -----------------------------------------------------------

namespace {
constexpr float kRangeFactors[4] = {100.0f, 10.0f, 1.0f, 0.1f};
}

float RangeFactor(std::uint16_t w) { return kRangeFactors[(w >> 12) & 3]; }

float ChannelVolts(std::uint16_t w) {
  // The recorder's constants are single precision; the product is formed in
  // double and only the result is rounded to float.
  double v = static_cast<double>(RangeFactor(w)) * static_cast<double>((w & 0x3FF) - 512) *
             static_cast<double>(0.002f);
  return static_cast<float>(v);
}

float SupplyVolts(std::uint16_t w) {
  double v = static_cast<double>((w & 0x3FF) - 512) * static_cast<double>(0.007826087f) +
             static_cast<double>(4.5f);
  if (v < static_cast<double>(4.5f)) v = 4.5f;
  if (v > static_cast<double>(6.2f)) v = 6.2f;
  return static_cast<float>(v);
}

bool IsFastSampling(double dPeriod) { return dPeriod < static_cast<double>(0.01f); }

// ---- fixed-point text --------------------------------------------------------

namespace {

constexpr std::uint64_t kPow10[10] = {1,      10,      100,      1000,      10000,
                                      100000, 1000000, 10000000, 100000000, 1000000000};
constexpr std::uint64_t kPow5[10] = {1, 5, 25, 125, 625, 3125, 15625, 78125, 390625, 1953125};

char* FixedFallback(double v, int decimals, char* out) {
  auto res = std::to_chars(out, out + 330, v, std::chars_format::fixed, decimals);
  return res.ptr;
}

}  // namespace

char* FormatFixed(double v, int decimals, char* out) {
  if (decimals < 0 || decimals > 9 || !std::isfinite(v)) return FixedFallback(v, decimals, out);
  // v = mant * 2^e exactly; v * 10^d = mant * 5^d * 2^(e+d). When that product
  // fits 64 bits the rounding to an integer is done exactly, ties to even, as
  // printf does.
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
  const bool negative = (bits >> 63) != 0;
  const int expField = static_cast<int>((bits >> 52) & 0x7FF);
  std::uint64_t mant = bits & ((std::uint64_t{1} << 52) - 1);
  int e;
  if (expField == 0) {
    e = -1074;
  } else {
    mant |= std::uint64_t{1} << 52;
    e = expField - 1075;
  }
  std::uint64_t n = 0;
  if (mant != 0) {
    const int tz = std::countr_zero(mant);
    mant >>= tz;
    e += tz;
    const std::uint64_t p5 = kPow5[decimals];
    if (std::bit_width(mant) + std::bit_width(p5) > 64) return FixedFallback(v, decimals, out);
    const std::uint64_t prod = mant * p5;
    const int s = e + decimals;
    if (s >= 0) {
      if (s >= 64 || std::bit_width(prod) + s > 64) return FixedFallback(v, decimals, out);
      n = prod << s;
    } else {
      const int k = -s;
      if (k > 64) {
        n = 0;
      } else if (k == 64) {
        n = prod > (std::uint64_t{1} << 63) ? 1 : 0;
      } else {
        std::uint64_t q = prod >> k;
        const std::uint64_t rem = prod & ((std::uint64_t{1} << k) - 1);
        const std::uint64_t half = std::uint64_t{1} << (k - 1);
        if (rem > half || (rem == half && (q & 1))) ++q;
        n = q;
      }
    }
  }
  if (negative) *out++ = '-';
  const std::uint64_t ip = n / kPow10[decimals];
  std::uint64_t frac = n % kPow10[decimals];
  out = std::to_chars(out, out + 24, ip).ptr;
  if (decimals > 0) {
    *out++ = '.';
    for (int d = decimals - 1; d >= 0; --d) {
      out[d] = static_cast<char>('0' + frac % 10);
      frac /= 10;
    }
    out += decimals;
  }
  return out;
}

// ---- time texts ----------------------------------------------------------------

namespace {

// Beyond about 3000 years a sample time means a damaged header, not a survey.
constexpr double kMaxSeconds = 1e11;
constexpr double kMaxFastSeconds = 1e15;

bool PlausibleStart(const RecordingHeader& h) {
  return h.nYear >= 1900 && h.nYear <= 9999 && h.nMonth >= 1 && h.nMonth <= 12 && h.nDay >= 1 &&
         h.nDay <= 31 && h.nHour >= 0 && h.nHour <= 23 && h.nMinute >= 0 && h.nMinute <= 59;
}

// The start instant, or false when the header's date cannot name one; the
// caller then shows elapsed time instead.
bool StartInstant(const RecordingHeader& h, long long* start) {
  if (!PlausibleStart(h)) return false;
  std::tm tm{};
  tm.tm_year = h.nYear - 1900;
  tm.tm_mon = h.nMonth - 1;
  tm.tm_mday = h.nDay;
  tm.tm_hour = h.nHour;
  tm.tm_min = h.nMinute;
  tm.tm_sec = 0;
  tm.tm_isdst = -1;
  std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return false;
  *start = static_cast<long long>(t);
  return true;
}

char* Put2(char* out, unsigned v) {
  out[0] = static_cast<char>('0' + v / 10 % 10);
  out[1] = static_cast<char>('0' + v % 10);
  return out + 2;
}

char* WriteSpan(long long t, char* out) {
  unsigned long long u;
  if (t < 0) {
    *out++ = '-';
    u = static_cast<unsigned long long>(-t);
  } else {
    u = static_cast<unsigned long long>(t);
  }
  out = std::to_chars(out, out + 24, u / 86400).ptr;
  unsigned rest = static_cast<unsigned>(u % 86400);
  *out++ = ':';
  out = Put2(out, rest / 3600);
  *out++ = ':';
  out = Put2(out, rest / 60 % 60);
  *out++ = ':';
  out = Put2(out, rest % 60);
  std::memcpy(out, "   ", 3);
  return out + 3;
}

char* WriteSeconds(double x, char* out) {
  char num[340];
  char* end = FormatFixed(x, 4, num);
  long len = end - num;
  for (long k = len; k < 8; ++k) *out++ = ' ';
  std::memcpy(out, num, static_cast<std::size_t>(len));
  out += len;
  std::memcpy(out, " c   ", 5);
  return out + 5;
}

char* WriteUnknown(char* out) {
  std::size_t n = std::strlen(kUnknownTimeText);
  std::memcpy(out, kUnknownTimeText, n);
  return out + n;
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(long long z, long long* y, unsigned* m, unsigned* d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<long long>(yoe) + era * 400 + (*m <= 2);
}

std::string DateText(long long abs) {
  std::time_t tt = static_cast<std::time_t>(abs);
  std::tm tm{};
  if (!LocalTm(tt, &tm)) return kUnknownTimeText;
  return CFormat("%02d.%02d.%04d %02d:%02d:%02d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900, tm.tm_hour,
                 tm.tm_min, tm.tm_sec);
}

}  // namespace

std::optional<long long> RecordingStart(const RecordingHeader& header) {
  long long start = 0;
  if (header.bDateKnown && StartInstant(header, &start)) return start;
  return std::nullopt;
}

std::string GetTimeText(const RecordingHeader& header, long long i) {
  const double x = SampleSeconds(header, i);
  char buf[64];
  if (IsFastSampling(header.dPeriod)) {
    if (std::isfinite(x) && std::fabs(x) >= kMaxFastSeconds) return kUnknownTimeText;
    return std::string(buf, WriteSeconds(x, buf));
  }
  if (!std::isfinite(x) || std::fabs(x) >= kMaxSeconds) return kUnknownTimeText;
  const long long t = static_cast<long long>(x);  // truncated toward zero
  long long start = 0;
  if (header.bDateKnown && StartInstant(header, &start)) return DateText(start + t);
  return std::string(buf, WriteSpan(t, buf));
}

TimeTextFormatter::TimeTextFormatter(const RecordingHeader& header) : header_(header) {
  if (IsFastSampling(header.dPeriod))
    form_ = Form::Seconds;
  else if (header.bDateKnown && StartInstant(header, &start_))
    form_ = Form::Date;
  else
    form_ = Form::Span;
}

std::string TimeTextFormatter::Text(long long i) {
  char buf[64];
  return std::string(buf, Write(i, buf));
}

char* TimeTextFormatter::Write(long long i, char* out) {
  const double x = static_cast<double>(i) * header_.dPeriod;
  if (form_ == Form::Seconds) {
    if (std::isfinite(x) && std::fabs(x) >= kMaxFastSeconds) return WriteUnknown(out);
    return WriteSeconds(x, out);
  }
  if (!std::isfinite(x) || std::fabs(x) >= kMaxSeconds) return WriteUnknown(out);
  const long long t = static_cast<long long>(x);
  if (form_ == Form::Span) return WriteSpan(t, out);
  return WriteDate(t, out);
}

char* TimeTextFormatter::WriteDate(long long t, char* out) {
  const long long abs = start_ + t;
  if (abs < winLo_ || abs > winHi_) {
    // A new hour-long window: its local-time offset is taken as uniform when
    // both ends agree and the arithmetic reproduces the library's breakdown.
    std::time_t lo = static_cast<std::time_t>(abs), hi = static_cast<std::time_t>(abs + 3600);
    std::tm a{}, b{};
    winLo_ = abs;
    winHi_ = abs + 3600;
    winUniform_ = false;
    long offLo = 0, offHi = 0;
    if (LocalTm(lo, &a, &offLo) && LocalTm(hi, &b, &offHi) && offLo == offHi) {
      winOffset_ = offLo;
      long long local = abs + winOffset_;
      long long days = local >= 0 ? local / 86400 : -((-local + 86399) / 86400);
      long long secs = local - days * 86400;
      long long y;
      unsigned m, d;
      CivilFromDays(days, &y, &m, &d);
      winUniform_ = y == a.tm_year + 1900LL && static_cast<int>(m) == a.tm_mon + 1 &&
                    static_cast<int>(d) == a.tm_mday && secs / 3600 == a.tm_hour &&
                    secs / 60 % 60 == a.tm_min && secs % 60 == a.tm_sec;
    }
  }
  if (!winUniform_) {
    std::string s = DateText(abs);
    std::memcpy(out, s.data(), s.size());
    return out + s.size();
  }
  const long long local = abs + winOffset_;
  const long long days = local >= 0 ? local / 86400 : -((-local + 86399) / 86400);
  const unsigned secs = static_cast<unsigned>(local - days * 86400);
  long long y;
  unsigned m, d;
  CivilFromDays(days, &y, &m, &d);
  if (y < 1000 || y > 9999) {
    std::string s = DateText(abs);
    std::memcpy(out, s.data(), s.size());
    return out + s.size();
  }
  out = Put2(out, d);
  *out++ = '.';
  out = Put2(out, m);
  *out++ = '.';
  out = Put2(out, static_cast<unsigned>(y / 100));
  out = Put2(out, static_cast<unsigned>(y % 100));
  *out++ = ' ';
  out = Put2(out, secs / 3600);
  *out++ = ':';
  out = Put2(out, secs / 60 % 60);
  *out++ = ':';
  out = Put2(out, secs % 60);
  return out;
}

std::string RecordingHeading(const RecordingHeader& h) {
  return CFormat("Прибор №%d  ", h.nDevice) +
         CFormat("   Начало измерений %02d.%02d.%d в %02d:%02d", h.nDay, h.nMonth, h.nYear, h.nHour, h.nMinute);
}

}  // namespace zet
