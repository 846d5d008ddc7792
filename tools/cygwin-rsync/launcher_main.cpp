// bin/rsync.exe of the Linux build: stands in for the Cygwin rsync. It maps the Cygwin paths of
// its arguments to native ones, hands the daemon a translated copy of its configuration and a
// private log file, and then becomes the system's rsync under the image name rsync.exe, so that
// "taskkill /F /im rsync.exe" ends exactly the rsync processes started through MIRVO.
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "cygwin_rsync_core.h"
#include "foundation/posix/rsync_runtime.h"

namespace {

using mirvo::cygwin_rsync::DaemonLogPath;
using mirvo::cygwin_rsync::MapArgument;
using mirvo::cygwin_rsync::NeedsDaemonLog;
using mirvo::cygwin_rsync::TranslateDaemonConfig;
using mirvo::cygwin_rsync::TranslatedConfigName;

constexpr int kNotFound = 127;
constexpr int kFailed = 1;

void Complain(const std::string& message) {
  std::string line = "rsync.exe（MIRVO 启动器）：" + message + "\n";
  ssize_t ignored = write(2, line.data(), line.size());
  (void)ignored;
}

std::string Reason(int error) { return std::strerror(error); }

std::optional<std::string> RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) == nullptr) return std::nullopt;
  return std::string(resolved);
}

// The system's rsync from PATH, never this launcher itself.
std::optional<std::string> FindSystemRsync() {
  const char* pathVariable = std::getenv("PATH");
  std::string searchPath = pathVariable != nullptr ? pathVariable : "/usr/local/bin:/usr/bin:/bin";
  std::optional<std::string> self = RealPath("/proc/self/exe");
  std::size_t begin = 0;
  while (begin <= searchPath.size()) {
    std::size_t end = searchPath.find(':', begin);
    if (end == std::string::npos) end = searchPath.size();
    std::string folder = searchPath.substr(begin, end - begin);
    begin = end + 1;
    if (folder.empty() || folder.front() != '/') continue;
    std::string candidate = folder + "/rsync";
    struct stat info;
    if (stat(candidate.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    if (access(candidate.c_str(), X_OK) != 0) continue;
    std::optional<std::string> real = RealPath(candidate);
    if (!real || (self && *real == *self)) continue;
    return real;
  }
  return std::nullopt;
}

std::optional<std::string> PrivateFolder() {
  std::string problem;
  std::optional<std::string> folder = mirvo::PrivateRuntimeFolder(problem);
  if (!folder) Complain(problem);
  return folder;
}

std::string TemporaryName(const std::string& folder, const std::string& name) {
  return folder + "/." + name + ".tmp-" + std::to_string(getpid());
}

// Writes the file under a temporary name and renames it into place, so that a daemon reading it
// for a new connection sees either the old or the new copy, never half of one.
bool WritePrivateFile(const std::string& folder, const std::string& name,
                      const std::string& bytes) {
  std::string temporary = TemporaryName(folder, name);
  unlink(temporary.c_str());
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    Complain("无法写入文件“" + temporary + "”：" + Reason(errno));
    return false;
  }
  std::size_t written = 0;
  while (written < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    written += static_cast<std::size_t>(n);
  }
  int error = written == bytes.size() ? 0 : errno;
  if (close(fd) != 0 && error == 0) error = errno;
  std::string target = folder + "/" + name;
  if (error == 0 && rename(temporary.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    unlink(temporary.c_str());
    Complain("无法写入文件“" + target + "”：" + Reason(error));
    return false;
  }
  return true;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string bytes;
  char buffer[8192];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      return std::nullopt;
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return bytes;
}

std::string Absolute(const std::string& path) {
  if (!path.empty() && path.front() == '/') return path;
  char cwd[PATH_MAX];
  if (getcwd(cwd, sizeof cwd) == nullptr) return path;
  return std::string(cwd) + "/" + path;
}

// The translated copy of the daemon configuration; nullopt when the original cannot be read, so
// that rsync reports that in its own words.
std::optional<std::string> TranslatedConfig(const std::string& folder,
                                            const std::string& original) {
  std::optional<std::string> text = ReadWholeFile(original);
  if (!text) return std::nullopt;
  std::string identity = RealPath(original).value_or(Absolute(original));
  std::string name = TranslatedConfigName(identity);
  if (!WritePrivateFile(folder, name, TranslateDaemonConfig(*text, geteuid() == 0))) {
    return std::nullopt;
  }
  return folder + "/" + name;
}

// The daemon's own log, private to this user: rsync writes there why it could not listen ("bind()
// failed: Permission denied") or why it stopped. A file named by the program is started afresh;
// the default one grows as rsync's logs do. nullopt when it cannot be made: the daemon then runs
// without it.
std::optional<std::string> DaemonLog(const std::string& folder) {
  const char* requested = std::getenv(mirvo::kDaemonLogVariable);
  std::string path = DaemonLogPath(folder, requested != nullptr ? requested : "");
  const int fresh = path == folder + "/rsyncd.log" ? O_APPEND : O_TRUNC;
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | fresh, 0600);
  if (fd < 0 || fchmod(fd, 0600) != 0) {
    Complain("无法写入文件“" + path + "”：" + Reason(errno));
    if (fd >= 0) close(fd);
    return std::nullopt;
  }
  close(fd);
  return path;
}

// A link named rsync.exe to the system's rsync; started through it, rsync's image name is
// rsync.exe. Replaced atomically, so concurrent starts never see it missing.
std::optional<std::string> RsyncLink(const std::string& folder, const std::string& systemRsync) {
  std::string link = folder + "/rsync.exe";
  char current[PATH_MAX];
  ssize_t n = readlink(link.c_str(), current, sizeof current - 1);
  if (n > 0 && std::string(current, static_cast<std::size_t>(n)) == systemRsync) return link;
  std::string temporary = TemporaryName(folder, "rsync.exe");
  unlink(temporary.c_str());
  if (symlink(systemRsync.c_str(), temporary.c_str()) != 0 ||
      rename(temporary.c_str(), link.c_str()) != 0) {
    Complain("无法创建链接“" + link + "”：" + Reason(errno));
    unlink(temporary.c_str());
    return std::nullopt;
  }
  return link;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<std::string> systemRsync = FindSystemRsync();
  if (!systemRsync) {
    Complain("找不到系统的 rsync 程序（在 PATH 中查找 rsync），请先安装 rsync");
    return kNotFound;
  }
  std::optional<std::string> folder = PrivateFolder();
  if (!folder) return kFailed;

  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(MapArgument(argv[i]));
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string* configPath = nullptr;
    std::string prefix;
    if (arguments[i].starts_with("--config=")) {
      prefix = "--config=";
      configPath = &arguments[i];
    } else if (arguments[i] == "--config" && i + 1 < arguments.size()) {
      configPath = &arguments[++i];
    }
    if (configPath == nullptr) continue;
    std::string original = configPath->substr(prefix.size());
    if (std::optional<std::string> copy = TranslatedConfig(*folder, original)) {
      *configPath = prefix + *copy;
    }
  }

  std::optional<std::string> log;
  if (NeedsDaemonLog(arguments)) log = DaemonLog(*folder);
  unsetenv(mirvo::kDaemonLogVariable);

  std::optional<std::string> link = RsyncLink(*folder, *systemRsync);
  if (!link) return kFailed;
  std::string logOption = log ? "--log-file=" + *log : "";
  std::vector<char*> rsyncArgv;
  rsyncArgv.push_back(link->data());
  if (log) rsyncArgv.push_back(logOption.data());
  for (std::string& argument : arguments) rsyncArgv.push_back(argument.data());
  rsyncArgv.push_back(nullptr);
  execv(link->c_str(), rsyncArgv.data());
  Complain("无法启动“" + *systemRsync + "”：" + Reason(errno));
  return kNotFound;
}
