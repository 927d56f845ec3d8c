#include "base/host.h"

#include <chrono>
#include <thread>

#include "base/local_time.h"
#include "base/text_format.h"

namespace zet {

LocalTime ToLocalTime(std::time_t t) {
  std::tm tm{};
  LocalTm(t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_wday};
}

std::time_t FromLocalTime(const LocalTime& lt) {
  std::tm tm{};
  tm.tm_year = lt.year - 1900;
  tm.tm_mon = lt.month - 1;
  tm.tm_mday = lt.day;
  tm.tm_hour = lt.hour;
  tm.tm_min = lt.minute;
  tm.tm_sec = lt.second;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

std::time_t SystemClock::Now() { return std::time(nullptr); }

std::int64_t SystemClock::MonotonicMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::SleepMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string ProgressPercentText(int lower, int upper, int pos) {
  if (lower == upper) return {};
  long long p = (static_cast<long long>(pos) - lower) * 100 / (static_cast<long long>(upper) - lower);
  if (p != 100) p %= 100;
  return CFormat("%lld%c", p, '%');
}

}  // namespace zet
