#include <windows.h>
// after windows.h, which it needs
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "base/wide_text.h"
#include "cli/terminal.h"

namespace zet::cli {

std::vector<std::string> StartTerminal(int, char**) {
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  // argv holds the arguments in the ANSI code page, which cannot hold every
  // file name; the wide command line can.
  std::vector<std::string> args;
  int n = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n)) {
    for (int i = 1; i < n; ++i) args.push_back(Utf8FromWide(wide[i], wcslen(wide[i])));
    LocalFree(wide);
  }
  return args;
}

}  // namespace zet::cli
