#pragma once
// Texts of the commands' output: JSON, and text safe for a terminal.
#include <string>

namespace zet::cli {

// Shortest text that reads back to the same double; null when not finite.
std::string JsonNumber(double v);
std::string JsonString(const std::string& s);

// Control characters shown the way `cat -v` shows them (ESC as "^[", CR as
// "^M", DEL as "^?", U+0080..U+009F as "M-^@".."M-^_"), so no escape sequence
// reaches the terminal; line breaks and tabs stay.
std::string Visible(const std::string& s);

}  // namespace zet::cli
