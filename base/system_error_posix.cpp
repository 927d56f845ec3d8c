#include <cstring>

#include "base/system_error.h"

namespace zet {

std::string SystemErrorText(long code) {
  if (code == 0) return {};
  // strerror_r follows LC_MESSAGES, so the description is in the user's language.
  char buf[256] = {};
  const char* description = strerror_r(static_cast<int>(code), buf, sizeof buf);
  return description ? description : "";
}

}  // namespace zet
