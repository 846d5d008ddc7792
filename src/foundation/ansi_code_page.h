#pragma once

#include <string>
#include <string_view>

#include "foundation/result.h"

namespace mirvo {

// The system's ANSI code page of this build: GBK (code page 936) through iconv on POSIX, CP_ACP on
// Windows. A character the code page cannot hold is an error that names it, never a "?".
Result<std::string> EncodeAnsi(std::string_view utf8);
Result<std::string> DecodeAnsi(std::string_view ansi);

// "“😀”(U+1F600)": a character as an error message shows it, from its UTF-8 bytes at offset.
std::string DescribeCharacterAt(std::string_view utf8, std::size_t offset);

}  // namespace mirvo

namespace mirvo {

// True when text is well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool IsValidUtf8(std::string_view text);

}  // namespace mirvo
