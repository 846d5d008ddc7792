#pragma once

#include <string>

#include "foundation/platform.h"

namespace mirvo {

// Rewrites a file written in the ANSI code page as UTF-8 without a byte-order mark, so that names
// outside ASCII reach the daemon, which reads its configuration as UTF-8. Only ever applied to a
// file just written in the ANSI code page: applied twice it would garble every non-ASCII character.
Status RewriteAsUtf8(Platform& platform, const std::string& path);

}  // namespace mirvo
