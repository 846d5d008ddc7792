#pragma once

#include <sys/types.h>
#include <optional>
#include <string>
#include <string_view>

namespace mirvo {

// Where the Linux build's bin/rsync.exe launcher keeps its private files (the translated daemon
// configuration, the link named rsync.exe and the daemon's log), shared by the launcher and the
// platform that reads the daemon's log.

// Names the file the daemon's log goes to; set by the platform for every hidden start. Without
// it the launcher logs to rsyncd.log in its private folder.
inline constexpr const char* kDaemonLogVariable = "MIRVO_RSYNC_LOG";

// A folder only this user can enter: $XDG_RUNTIME_DIR/mirvo-rsync when that runtime folder is
// this user's, else /tmp/mirvo-rsync-UID. Created (mode 0700) when missing. nullopt with the
// reason in problem when it cannot be made, or when it exists but is someone else's or others can
// enter it.
std::optional<std::string> PrivateRuntimeFolder(std::string& problem);

// The lines that the process pid wrote to an rsync daemon log ("2026/12/09 20:02:28 [22163] bind()
// failed: ..."), without the time and process id, and without the "rsyncd version ... starting"
// banner, which is never a reason. At most the last maxLines of them, each ending in "\n".
std::string DaemonLogLines(std::string_view log, pid_t pid, std::size_t maxLines);

}  // namespace mirvo
