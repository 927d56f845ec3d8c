#pragma once
// Windows speaks UTF-16 in its wide-character calls; the program keeps every
// text in UTF-8. These convert at that boundary, so no text ever passes
// through the ANSI code page.
#ifdef _WIN32
#include <string>

namespace zet {

std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const wchar_t* text, std::size_t length);
inline std::string Utf8FromWide(const std::wstring& text) { return Utf8FromWide(text.data(), text.size()); }

}  // namespace zet
#endif
