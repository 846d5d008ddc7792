#include "foundation/posix/image_kill.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <set>

namespace mirvo {
namespace {

constexpr std::size_t kCommLength = 15;
constexpr int kMaxScans = 20;

struct ProcessInfo {
  std::string comm;
  char state = '?';
};

// Reads "PID (comm) S ..." from /proc/PID/stat; comm may itself hold ")" or spaces.
bool ReadProcessInfo(pid_t pid, ProcessInfo& info) {
  std::string path = "/proc/" + std::to_string(pid) + "/stat";
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[512];
  ssize_t n = read(fd, buffer, sizeof buffer - 1);
  close(fd);
  if (n <= 0) return false;
  std::string_view stat(buffer, static_cast<std::size_t>(n));
  std::size_t openParen = stat.find('(');
  std::size_t closeParen = stat.rfind(')');
  if (openParen == std::string_view::npos || closeParen == std::string_view::npos ||
      closeParen < openParen || closeParen + 2 >= stat.size()) {
    return false;
  }
  info.comm = std::string(stat.substr(openParen + 1, closeParen - openParen - 1));
  info.state = stat[closeParen + 2];
  return true;
}

// Pid of every entry of /proc that names a process.
template <class Visit>
void ForEachProcess(DIR* proc, Visit visit) {
  while (dirent* entry = readdir(proc)) {
    char* end = nullptr;
    long number = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0' || number <= 0) continue;
    if (!visit(static_cast<pid_t>(number))) break;
  }
}

// A live (not zombie, not dying) process, other than this one, of a matching image name.
bool IsLiveProcessNamed(pid_t pid, std::string_view imageName) {
  if (pid == getpid()) return false;
  ProcessInfo info;
  if (!ReadProcessInfo(pid, info)) return false;
  // A zombie or a dying process is already ended; it must not count as a match.
  if (info.state == 'Z' || info.state == 'X' || info.state == 'x') return false;
  return ImageNamesMatch(info.comm, imageName);
}

}  // namespace

bool ImageNamesMatch(std::string_view comm, std::string_view imageName) {
  comm = comm.substr(0, std::min(comm.size(), kCommLength));
  imageName = imageName.substr(0, std::min(imageName.size(), kCommLength));
  if (comm.size() != imageName.size()) return false;
  for (std::size_t i = 0; i < comm.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(comm[i])) !=
        std::tolower(static_cast<unsigned char>(imageName[i]))) {
      return false;
    }
  }
  return true;
}

int SignalProcessesNamed(std::string_view imageName, int signal) {
  std::set<pid_t> signalled;
  for (int scan = 0; scan < kMaxScans; ++scan) {
    DIR* proc = opendir("/proc");
    if (proc == nullptr) break;
    bool foundNew = false;
    ForEachProcess(proc, [&](pid_t pid) {
      if (signalled.count(pid) == 0 && IsLiveProcessNamed(pid, imageName) &&
          kill(pid, signal) == 0) {
        signalled.insert(pid);
        foundNew = true;
      }
      return true;
    });
    closedir(proc);
    if (!foundNew) break;
  }
  return static_cast<int>(signalled.size());
}

bool ProcessNamedRuns(std::string_view imageName) {
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return false;
  bool found = false;
  ForEachProcess(proc, [&](pid_t pid) {
    found = IsLiveProcessNamed(pid, imageName) && kill(pid, 0) == 0;
    return !found;
  });
  closedir(proc);
  return found;
}

}  // namespace mirvo
