#include <clocale>

#include "cli/terminal.h"

namespace zet::cli {

std::vector<std::string> StartTerminal(int argc, char** argv) {
  // The system's error texts in the user's language; numbers keep the C
  // locale's decimal point, since LC_NUMERIC is left alone.
  std::setlocale(LC_CTYPE, "");
  std::setlocale(LC_MESSAGES, "");
  return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace zet::cli
