#pragma once
// printf-style formatting that always uses the C locale, so numbers keep a
// decimal point even after the GUI switched the process to a Russian locale.
#include <optional>
#include <string>
#include <string_view>

namespace zet {

#ifdef __MINGW32__
// MinGW's own printf (C99, %zu and %lld included), which CFormat uses there.
#define ZET_PRINTF_LIKE __attribute__((format(gnu_printf, 1, 2)))
#else
#define ZET_PRINTF_LIKE __attribute__((format(printf, 1, 2)))
#endif

std::string CFormat(const char* fmt, ...) ZET_PRINTF_LIKE;

// A finite number written with a decimal point, read whatever the process
// locale says; nothing for anything else (empty, "1,5", "nan", trailing text).
std::optional<double> ParseNumber(std::string_view text);

}  // namespace zet
