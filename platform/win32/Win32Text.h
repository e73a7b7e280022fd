// Text at the Win32 boundary: the program's strings are UTF-8, the W
// functions take UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace tickerloom::platform::win32 {

// UTF-8 to UTF-16 (MultiByteToWideChar, CP_UTF8); invalid bytes become U+FFFD.
std::wstring Widen(std::string_view utf8);
// UTF-16 to UTF-8 (WideCharToMultiByte, CP_UTF8).
std::string Narrow(std::wstring_view utf16);

// FormatMessageW's text for a GetLastError() code, as UTF-8 without the line
// end the system puts after it.
std::string SystemErrorText(unsigned long error_code);

}  // namespace tickerloom::platform::win32
