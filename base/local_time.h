#pragma once
// The calendar breakdown of an instant in the local time zone, with the zone's
// offset from UTC at that instant. One call for every platform's library.
#include <ctime>

namespace zet {

// False when the instant has no local breakdown (out of the library's range).
bool LocalTm(std::time_t t, std::tm* out, long* utcOffsetSeconds = nullptr);

}  // namespace zet
