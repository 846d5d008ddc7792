#pragma once

#include <memory>
#include <string>

#include "client/transfer_settings.h"
#include "foundation/platform.h"

namespace mirvo {

// CygdrivePath(LocalFolder): the local folder as Cygwin rsync reads it.
std::string LocalOperand(const TransferSettings& settings);
// user@address::module; without authentication the module name stands in for the user.
std::string RemoteOperand(const TransferSettings& settings);

// The interpreter line of one push or pull. folder is ProgramFolder(). Arguments that would split
// or be read by cmd.exe as operators are quoted; the password itself is never part of the line.
std::string BuildTransferCommand(const TransferSettings& settings, const std::string& folder);

// One transfer: writes rsync.secrets when authentication is on, then starts the command in a
// window of its own and returns at once with the watch of the started command, whose exit status
// is rsync's. A password file that cannot be written starts nothing.
Result<std::shared_ptr<CommandWatch>> RunTransfer(Platform& platform,
                                                  const TransferSettings& settings);

}  // namespace mirvo
