#include "base/local_time.h"

namespace zet {

bool LocalTm(std::time_t t, std::tm* out, long* utcOffsetSeconds) {
  if (!localtime_r(&t, out)) return false;
  if (utcOffsetSeconds) *utcOffsetSeconds = out->tm_gmtoff;
  return true;
}

}  // namespace zet
