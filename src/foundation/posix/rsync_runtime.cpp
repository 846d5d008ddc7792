#include "foundation/posix/rsync_runtime.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>

namespace mirvo {
namespace {

bool IsPrivateFolder(const std::string& folder) {
  struct stat info;
  return lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
         (info.st_mode & 077) == 0;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The text of a log line written by pid, or nullopt for another process's line or one that is
// not in rsync's "DATE TIME [PID] TEXT" form.
std::optional<std::string_view> TextOf(std::string_view line, pid_t pid) {
  constexpr std::string_view kTimeForm = "0000/00/00 00:00:00 [";
  if (line.size() < kTimeForm.size()) return std::nullopt;
  for (std::size_t i = 0; i < kTimeForm.size(); ++i) {
    if (kTimeForm[i] == '0' ? !IsDigit(line[i]) : line[i] != kTimeForm[i]) return std::nullopt;
  }
  const std::size_t open = kTimeForm.size() - 2;
  std::size_t close = line.find("] ", open);
  if (close == std::string_view::npos) return std::nullopt;
  std::string_view number = line.substr(open + 2, close - open - 2);
  if (number.empty() || number.size() > 10) return std::nullopt;
  for (char c : number) {
    if (!IsDigit(c)) return std::nullopt;
  }
  if (std::strtol(std::string(number).c_str(), nullptr, 10) != pid) return std::nullopt;
  return line.substr(close + 2);
}

}  // namespace

std::optional<std::string> PrivateRuntimeFolder(std::string& problem) {
  std::string folder = "/tmp/mirvo-rsync-" + std::to_string(geteuid());
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime == '/') {
    struct stat info;
    if (stat(runtime, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid()) {
      folder = std::string(runtime) + "/mirvo-rsync";
    }
  }
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    problem = "无法创建文件夹“" + folder + "”：" + std::strerror(errno);
    return std::nullopt;
  }
  // Someone else's folder, or one others can enter, must not hold the daemon's files.
  if (!IsPrivateFolder(folder)) {
    problem = "文件夹“" + folder + "”不是当前用户的私有文件夹（须为本用户所有、权限 0700）";
    return std::nullopt;
  }
  return folder;
}

std::string DaemonLogLines(std::string_view log, pid_t pid, std::size_t maxLines) {
  std::deque<std::string_view> kept;
  std::size_t begin = 0;
  while (begin < log.size()) {
    std::size_t newline = log.find('\n', begin);
    std::size_t end = newline == std::string_view::npos ? log.size() : newline;
    std::string_view line = log.substr(begin, end - begin);
    begin = end + 1;
    if (line.ends_with('\r')) line.remove_suffix(1);
    std::optional<std::string_view> text = TextOf(line, pid);
    if (!text || text->empty() || text->starts_with("rsyncd version ")) continue;
    kept.push_back(*text);
    if (kept.size() > maxLines) kept.pop_front();
  }
  std::string lines;
  for (std::string_view text : kept) {
    lines.append(text);
    lines.push_back('\n');
  }
  return lines;
}

}  // namespace mirvo
