#pragma once

#include <string>
#include <string_view>

namespace mirvo {

// The tail of a Windows path in Cygwin form: every ":" removed, then every "\" turned into "/".
// Nothing else: c:\test gives c/test, and the caller puts "/cygdrive/" in front.
std::string CygwinTail(std::string_view path);

}  // namespace mirvo
