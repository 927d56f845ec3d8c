#pragma once
// The system's own description of an error code, in the user's language:
// errno texts on POSIX, FormatMessage texts for GetLastError codes on Windows.
#include <string>

namespace zet {

// Empty when the system has no text for the code (or the code is 0).
std::string SystemErrorText(long code);

}  // namespace zet
