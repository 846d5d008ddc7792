#pragma once

#include <string>

#include "foundation/result.h"

namespace mirvo {

// What was tried on a file that failed.
enum class FileOperation { Write, Read };

// The words a window shows when a file cannot be used: the operation, the file, and the reason
// as the platform words it. Both builds say it the same way.
Error FileError(FileOperation operation, const std::string& path, const std::string& reason);
Error RenameError(const std::string& from, const std::string& to, const std::string& reason);

}  // namespace mirvo
