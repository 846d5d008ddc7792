#pragma once

#include <string>
#include <string_view>

namespace mirvo::win32 {

// UTF-8 inside, UTF-16 at the Win32 edge.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The system's message for a Win32 error code, as UTF-8 without the trailing line break.
std::string SystemMessage(unsigned long errorCode);

}  // namespace mirvo::win32
