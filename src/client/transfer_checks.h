#pragma once

#include <string>

#include "client/transfer_settings.h"
#include "foundation/platform.h"

namespace mirvo {

// Refuses, before the password file is written or anything is started, inputs that would change
// the meaning of the transfer's command line or of the password file: control characters, a
// double quote or a %NAME% pair in what goes into the command, a line break in the password or one
// the ANSI code page cannot hold, and a command longer than cmd.exe accepts. The error names the
// field.
Status CheckTransferSettings(const Platform& platform, const TransferSettings& settings);

}  // namespace mirvo
