#pragma once

#include <string>

#include "daemon/daemon_settings.h"
#include "foundation/platform.h"

namespace mirvo {

// rsyncd.conf as text: the global lines, then the one module; every line ends in CR LF. folder is
// ProgramFolder(), used only for the secrets-file line.
std::string BuildDaemonConfig(const DaemonSettings& settings, const std::string& folder);

// "user:password" when authentication is on, else empty.
std::string BuildSecretsText(const DaemonSettings& settings);

// Writes rsyncd.conf, then rsyncd.secrets, into the program folder. Nothing is written when a field
// cannot be held by the ANSI code page; the first file that cannot be written ends the writing.
Status WriteDaemonFiles(Platform& platform, const DaemonSettings& settings);

}  // namespace mirvo
