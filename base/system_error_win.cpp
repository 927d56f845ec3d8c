#include <windows.h>

#include "base/system_error.h"
#include "base/wide_text.h"

namespace zet {

std::string SystemErrorText(long code) {
  if (code == 0) return {};
  wchar_t* text = nullptr;
  // Language 0: the user's own language, falling back as the system does.
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0,
                                 nullptr);
  std::wstring w(text ? text : L"", n);
  if (text) LocalFree(text);
  while (!w.empty() && (w.back() == L'\r' || w.back() == L'\n' || w.back() == L' ')) w.pop_back();
  return Utf8FromWide(w);
}

}  // namespace zet
