#pragma once
// printf's "%f" family as a reference for the program's own number writer.
// The writer gives the same bytes on every platform, as glibc prints: a NaN
// keeps its sign ("-nan"). Windows' C runtime drops that sign, so the
// reference puts it back there.
#include <cmath>
#include <cstdio>
#include <string>

namespace zet::testing {

inline std::string PrintfReference(const char* fmt, double v) {
  char buf[400];
  std::snprintf(buf, sizeof buf, fmt, v);
  std::string s = buf;
  if (std::isnan(v) && std::signbit(v) && s.find('-') == std::string::npos) {
    const auto at = s.find("nan");
    if (at != std::string::npos) s.insert(at, "-");
  }
  return s;
}

}  // namespace zet::testing
