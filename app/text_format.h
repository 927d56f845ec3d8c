#pragma once
// printf-style formatting that always uses the C locale, so numbers keep a
// decimal point even after the GUI switched the process to a Russian locale.
#include <optional>
#include <string>
#include <string_view>

namespace zet {

std::string CFormat(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// A finite number written with a decimal point, read whatever the process
// locale says; nothing for anything else (empty, "1,5", "nan", trailing text).
std::optional<double> ParseNumber(std::string_view text);

}  // namespace zet
