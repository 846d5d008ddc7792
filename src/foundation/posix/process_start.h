#pragma once

#include <memory>
#include <string>
#include <vector>

#include "foundation/platform.h"

namespace mirvo {

// How a started process is connected. Every process gets a session of its own and standard input
// from /dev/null, and is always reaped (a detached thread waits for it), so no zombie is left.
enum class ErrorOutputTo { Kept, DevNull };

// Starts argv[0] (a native path) with argv by fork and execv, never through a shell, without
// waiting. Standard output goes to /dev/null; the error output is kept for ErrorOutput() or
// discarded. A program that cannot be executed is an error value naming it.
Result<std::shared_ptr<CommandWatch>> StartProcess(const std::vector<std::string>& argv,
                                                   ErrorOutputTo errors);

// A watch that has already ended with this status, for work done in-process.
std::shared_ptr<CommandWatch> EndedWatch(int exitStatus);

// Starts argv like StartProcess but leaves it to the init process: nothing keeps or waits for it.
Status StartDetached(const std::vector<std::string>& argv);

}  // namespace mirvo
