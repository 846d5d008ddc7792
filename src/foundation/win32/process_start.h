#pragma once

#include <memory>
#include <string>

#include "foundation/main_thread.h"
#include "foundation/platform.h"

namespace mirvo::win32 {

// Starts the command line with the system's cmd.exe, named by its absolute path in the system
// folder, so that a cmd.exe in the program's folder or the current folder never runs instead;
// the line itself reaches cmd.exe exactly as given. A Hidden start hands the child one handle,
// the writing end of a pipe for its output and error output, which a thread reads as it comes
// (the first 64 KiB kept, until StopCapturing()); a NormalFocus start inherits no handle at all.
// The watch tells its end through mainThread; without one it is never told.
Result<std::shared_ptr<CommandWatch>> StartCommand(const std::string& commandLine, WindowMode mode,
                                                   MainThread* mainThread);

// True while a process of this image name (compared without regard to letter case) runs, other
// than this one, that this user may end.
bool ImageRuns(const std::string& imageName);

}  // namespace mirvo::win32
