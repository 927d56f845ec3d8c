#pragma once
// zet-cli's start on the terminal, one twin per platform: the arguments as
// UTF-8 texts, and the system's messages in the user's language.
#include <string>
#include <vector>

namespace zet::cli {

// The command line after the program name, in UTF-8. Also sets up the
// terminal: on Windows the console shows UTF-8 and standard output and error
// pass bytes unchanged (no CR added before LF), so what zet-cli writes there
// is the same on both platforms.
std::vector<std::string> StartTerminal(int argc, char** argv);

}  // namespace zet::cli
