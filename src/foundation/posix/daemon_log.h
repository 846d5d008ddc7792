#pragma once

#include <memory>
#include <string>
#include <vector>

#include "foundation/main_thread.h"
#include "foundation/platform.h"

namespace mirvo {

// Starts argv hidden, as StartProcess does with the error output kept, and gives it a log file of
// its own in the rsync launcher's private folder, named by kDaemonLogVariable: an rsync daemon
// started through bin/rsync.exe writes its reasons there, not to its error output. ErrorOutput()
// is followed by the last lines the process wrote to that log; the file is removed once the
// process has ended. Without the private folder the command runs without a log.
Result<std::shared_ptr<CommandWatch>> StartWithDaemonLog(const std::vector<std::string>& argv,
                                                         MainThread* mainThread);

}  // namespace mirvo
