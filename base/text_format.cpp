#include "base/text_format.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "base/c_locale_scope.h"

namespace zet {

std::string CFormat(const char* fmt, ...) {
  CLocaleScope scope;
  char buf[256];
  va_list ap;
  va_start(ap, fmt);
  va_list ap2;
  va_copy(ap2, ap);
  int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  std::string out;
  if (n < 0) {
    va_end(ap2);
    return out;
  }
  if (static_cast<std::size_t>(n) < sizeof buf) {
    out.assign(buf, static_cast<std::size_t>(n));
  } else {
    std::vector<char> big(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), fmt, ap2);
    out.assign(big.data(), static_cast<std::size_t>(n));
  }
  va_end(ap2);
  return out;
}

std::optional<double> ParseNumber(std::string_view text) {
  double v = 0;
  const char* end = text.data() + text.size();
  // from_chars takes no leading '+'; a user may well type one.
  const char* begin = !text.empty() && text[0] == '+' ? text.data() + 1 : text.data();
  auto [p, ec] = std::from_chars(begin, end, v);
  if (ec != std::errc() || p != end || begin == end || (begin != text.data() && *begin == '-') || !std::isfinite(v))
    return std::nullopt;
  return v;
}

}  // namespace zet
