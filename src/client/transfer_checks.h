#pragma once

#include <string>

#include "client/transfer_settings.h"
#include "foundation/result.h"

namespace mirvo {

// Refuses, before the password file is written or anything is started, inputs that would change
// the meaning of the transfer's command line or of the password file: control characters, a
// double quote or a %NAME% pair in what goes into the command, a line break in the password, and a
// command longer than cmd.exe accepts. folder is ProgramFolder(). The error names the field.
Status CheckTransferSettings(const TransferSettings& settings, const std::string& folder);

}  // namespace mirvo
