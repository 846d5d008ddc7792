#pragma once

#include <string>
#include <string_view>

#include "foundation/platform.h"

namespace mirvo {

// Creates or truncates the file and writes value followed by CR LF, in the ANSI code page.
// Text the code page cannot hold, or a file that cannot be written, is an error naming the file.
Status WriteTextFile(Platform& platform, const std::string& path, std::string_view value,
                     FileAccess access = FileAccess::Normal);

// Checks that a field's text can be written in the ANSI code page; the error names the field.
Status CheckAnsiField(const Platform& platform, std::string_view fieldName, std::string_view text);

}  // namespace mirvo
