#include "base/local_time.h"

#include <time.h>

namespace zet {

bool LocalTm(std::time_t t, std::tm* out, long* utcOffsetSeconds) {
  if (localtime_s(out, &t) != 0) return false;
  if (utcOffsetSeconds) {
    // The breakdown read as UTC is the instant moved by the zone's offset.
    std::tm copy = *out;
    const std::time_t asUtc = _mkgmtime(&copy);
    if (asUtc == static_cast<std::time_t>(-1)) return false;
    *utcOffsetSeconds = static_cast<long>(asUtc - t);
  }
  return true;
}

}  // namespace zet
