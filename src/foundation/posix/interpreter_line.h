#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/result.h"

namespace mirvo {

// A "cmd.exe /c REST" or "cmd.exe /k REST" line, taken apart the way cmd.exe takes it apart.
struct InterpreterCommand {
  bool keepOpen = false;           // "/k": the window stays open after the program ends
  std::vector<std::string> words;  // REST split by the Windows rules; words[0] is the program
};

// Tells whether a native path names a regular file.
using FileLookup = std::function<bool(const std::string& nativePath)>;

// Splits the line. Anything but "cmd.exe /c" or "/k" (switch in any letter case) followed by a
// program is an error. programExists decides cmd.exe's quote rule for a quoted program name.
Result<InterpreterCommand> ParseInterpreterLine(
    std::string_view commandLine, const std::function<bool(std::string_view)>& programExists);

// The native path of the program a command's first word names: every "\" read as "/", and ".exe"
// appended when no file of the bare name exists but one with ".exe" does (as Windows' PATHEXT
// search). A word without "/" is looked up in the folders of searchPath. nullopt when not found.
std::optional<std::string> ResolveProgram(std::string_view word, std::string_view searchPath,
                                          const FileLookup& fileExists);

// "taskkill /F /im NAME": switches in any letter case and order; /F asks for a forced end.
struct TaskkillRequest {
  bool force = false;
  std::string imageName;
};

// True when the words name taskkill (or taskkill.exe), whatever the letter case.
bool IsTaskkill(const std::vector<std::string>& words);
Result<TaskkillRequest> ParseTaskkill(const std::vector<std::string>& words);

}  // namespace mirvo
