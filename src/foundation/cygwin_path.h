#pragma once

#include <string>
#include <string_view>

namespace mirvo {

// The tail of a Windows path in Cygwin form: every ":" removed, then every "\" turned into "/".
// Nothing else: c:\test gives c/test.
std::string CygwinTail(std::string_view path);

// A Windows path as Cygwin rsync reads it: "/cygdrive/" and its CygwinTail, so c:\test gives
// /cygdrive/c/test.
std::string CygdrivePath(std::string_view path);

}  // namespace mirvo
