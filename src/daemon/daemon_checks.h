#pragma once

#include <string>

#include "daemon/daemon_settings.h"
#include "foundation/result.h"

namespace mirvo {

// Refuses, before anything is written or started, inputs that would change the meaning of
// rsyncd.conf, of rsyncd.secrets or of the daemon's command line: line breaks and other control
// characters in what goes into the files, a "]" in the share name, a user name ending in "\",
// and in the command line a double quote, a %NAME% pair or more than cmd.exe accepts. folder is
// ProgramFolder(). The error names the field and the reason.
Status CheckDaemonSettings(const DaemonSettings& settings, const std::string& folder);

}  // namespace mirvo
