#pragma once
// JSON texts for the commands' --json output.
#include <string>

namespace zet::cli {

// Shortest text that reads back to the same double; null when not finite.
std::string JsonNumber(double v);
std::string JsonString(const std::string& s);

}  // namespace zet::cli
