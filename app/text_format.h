#pragma once
// printf-style formatting that always uses the C locale, so numbers keep a
// decimal point even after the GUI switched the process to a Russian locale.
#include <string>

namespace zet {

std::string CFormat(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace zet
