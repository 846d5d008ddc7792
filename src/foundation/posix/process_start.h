#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/main_thread.h"
#include "foundation/platform.h"

namespace mirvo {

// Where a started process's error output goes: read through a pipe as it comes and its start
// kept for ErrorOutput() (until StopCapturing()), or /dev/null.
enum class ErrorOutputTo { Kept, DevNull };

// How a process is started beyond its arguments.
struct ProcessSetup {
  ErrorOutputTo errors = ErrorOutputTo::Kept;
  // One variable of the child's environment, which is otherwise this process's: set to value, or
  // left out when value is empty. No name: this process's environment as it is.
  std::string variable;
  std::string value;
  // Runs on the follower thread with the process's id once the process has ended and all it wrote
  // has been read, just before the watch says so.
  std::function<void(pid_t)> atEnd;
  // Where the watch tells its end (CommandWatch::OnEnded); without one it is never told.
  MainThread* mainThread = nullptr;
};

// A watch that also names the process it follows.
class ProcessWatch : public CommandWatch {
 public:
  virtual pid_t Pid() const = 0;
};

// Starts argv[0] (a native path) with argv, never through a shell, without waiting. The process
// leads a session of its own, has /dev/null as standard input and output, its signals as a fresh
// program has them, and no other descriptor of this process. A thread follows it to its end and
// reaps it, so no zombie is left. A program that cannot be executed is an error value naming it.
Result<std::shared_ptr<ProcessWatch>> StartProcess(const std::vector<std::string>& argv,
                                                   const ProcessSetup& setup);

// A watch that has already ended with this status, for work done in-process.
std::shared_ptr<CommandWatch> EndedWatch(int exitStatus, MainThread* mainThread);

// Starts argv like StartProcess but leaves it to the init process: nothing keeps or waits for it.
Status StartDetached(const std::vector<std::string>& argv);

}  // namespace mirvo
