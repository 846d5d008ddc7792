#pragma once

#include <string_view>

namespace mirvo {

// Names appended to ProgramFolder() by plain concatenation. A folder at a drive root (E:\) gives a
// doubled separator, which is passed on unchanged.
inline constexpr std::string_view kRsyncExecutableName = "\\bin\\rsync.exe";  // start-up check
inline constexpr std::string_view kRsyncProgramName = "\\bin\\rsync";  // begins every rsync line
inline constexpr std::string_view kDaemonConfigName = "\\rsyncd.conf";
inline constexpr std::string_view kDaemonSecretsName = "\\rsyncd.secrets";
inline constexpr std::string_view kClientSecretsName = "\\rsync.secrets";
// One line per ended transfer; the older half is kept once under the second name.
inline constexpr std::string_view kTransferLogName = "\\mirvo-transfers.log";
inline constexpr std::string_view kTransferLogOlderName = "\\mirvo-transfers.log.1";

// Every path handed to rsync is this prefix followed by CygwinTail of a Windows path: see
// CygdrivePath.
inline constexpr std::string_view kCygdrivePrefix = "/cygdrive/";

// Ends every process whose image name is rsync.exe: the daemon, its per-connection children and
// transfers. Always started hidden; its outcome is not checked.
inline constexpr std::string_view StopDaemonCommand = "cmd.exe /c taskkill /F /im rsync.exe";
// The image name that command ends, as the stop asks whether any is left.
inline constexpr std::string_view kRsyncImageName = "rsync.exe";

}  // namespace mirvo
