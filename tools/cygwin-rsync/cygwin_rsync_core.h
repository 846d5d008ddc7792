#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mirvo::cygwin_rsync {

// A Cygwin path in native form: "/cygdrive//abs" is the native "/abs", and "/cygdrive/<d>/rest"
// is "/mnt/<d>/rest", where Windows drives appear on Linux. Anything else is returned unchanged.
std::string MapCygwinPath(std::string_view path);

// One command-line argument with its Cygwin path mapped: a bare path, or the value after the "="
// of an option such as --config= or --password-file=.
std::string MapArgument(std::string_view argument);

// The daemon configuration as the system rsync must read it: the value of every parameter that
// names a file or folder (path =, secrets file =, log file =, …) mapped when it is a Cygwin path,
// and, when the daemon cannot change users (keepIds false), the uid and gid lines left out. Every
// other byte, line ends included, stays as it was.
std::string TranslateDaemonConfig(std::string_view config, bool keepIds);

// The file name of the translated copy of the configuration at configPath: the same original
// always gets the same name, different originals different names.
std::string TranslatedConfigName(std::string_view configPath);

// The file the daemon logs to: the one the caller named (requested, from the environment) when it
// is a plain file name directly in the private folder, else rsyncd.log there.
std::string DaemonLogPath(std::string_view privateFolder, std::string_view requested);

// True for the arguments of a daemon start (--daemon), which gets a log file of its own unless
// the arguments already name one (--log-file).
bool NeedsDaemonLog(const std::vector<std::string>& arguments);

}  // namespace mirvo::cygwin_rsync
