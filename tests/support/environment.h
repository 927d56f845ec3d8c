#pragma once
// What a test sets in the process's environment: variables, the local time
// zone and a Russian locale's name.
//
// The local time zone for the length of a test. Zones are named as
// the tz database names them; Windows' C runtime knows no such names, so
// there each gets the runtime's own kind of rule: its standard offset, and
// for a zone with summer time the runtime's own switching dates.
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace zet::testing {

inline void SetEnvironment(const char* name, const char* value) {
#ifdef _WIN32
  _putenv_s(name, value ? value : "");
#else
  if (value)
    setenv(name, value, 1);
  else
    unsetenv(name);
#endif
}

// A Russian locale (decimal commas) as setlocale names it here.
#ifdef _WIN32
inline constexpr const char* kRussianLocale = "Russian_Russia.1251";
#else
inline constexpr const char* kRussianLocale = "ru_RU.UTF-8";
#endif

class TimeZoneScope {
 public:
  explicit TimeZoneScope(const std::string& zone) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    SetEnvironment("TZ", RuntimeName(zone).c_str());
    Reset();
  }
  ~TimeZoneScope() {
    SetEnvironment("TZ", old_ ? old_->c_str() : nullptr);
    Reset();
  }
  TimeZoneScope(const TimeZoneScope&) = delete;
  TimeZoneScope& operator=(const TimeZoneScope&) = delete;

 private:
  static std::string RuntimeName(const std::string& zone) {
#ifdef _WIN32
    if (zone == "UTC") return "UTC0";
    if (zone == "Europe/Moscow") return "MSK-3";
    if (zone == "Europe/Berlin") return "CET-1CEST";
#endif
    return zone;
  }
  static void Reset() {
#ifdef _WIN32
    _tzset();
#else
    tzset();
#endif
  }
  std::optional<std::string> old_;
};

}  // namespace zet::testing
