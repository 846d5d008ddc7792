#pragma once

#include <string>

#include "daemon/daemon_settings.h"

namespace mirvo {

// The command line that starts the daemon in the foreground of a hidden interpreter, so that the
// interpreter lives as long as the daemon. folder is ProgramFolder(). Arguments that would split or
// be read by cmd.exe as operators are quoted; every other character is as the settings hold it.
std::string BuildDaemonCommand(const DaemonSettings& settings, const std::string& folder);

}  // namespace mirvo
