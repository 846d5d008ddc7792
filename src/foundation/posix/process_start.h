#pragma once

#include <memory>
#include <string>
#include <vector>

#include "foundation/platform.h"

namespace mirvo {

// How a started process is connected. Every process gets a session of its own, standard input
// from /dev/null and no other descriptor of this process, and is always reaped (a detached thread
// follows it), so no zombie is left.
enum class ErrorOutputTo { Kept, DevNull };

// Starts argv[0] (a native path) with argv by fork and execve, never through a shell, without
// waiting. Standard output goes to /dev/null; the error output is discarded, or read through a
// pipe as it comes and its first 64 KiB kept for ErrorOutput() (until StopCapturing()). With Kept
// and a daemonLog, the child finds that path in the environment variable kDaemonLogVariable, and
// ErrorOutput() adds the last lines the process wrote there (the file is removed once the process
// has ended). A program that cannot be executed is an error value naming it.
Result<std::shared_ptr<CommandWatch>> StartProcess(const std::vector<std::string>& argv,
                                                   ErrorOutputTo errors,
                                                   const std::string& daemonLog = {});

// A watch that has already ended with this status, for work done in-process.
std::shared_ptr<CommandWatch> EndedWatch(int exitStatus);

// Starts argv like StartProcess but leaves it to the init process: nothing keeps or waits for it.
Status StartDetached(const std::vector<std::string>& argv);

}  // namespace mirvo
