#include "foundation/posix/process_start.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <future>
#include <mutex>
#include <thread>

#include "foundation/posix/rsync_runtime.h"

extern char** environ;

namespace mirvo {
namespace {

// The most of a command's error output that is kept: the start of it, where a failing start
// says why. The rest is read and dropped, so that a chatty program never blocks on a full pipe.
constexpr std::size_t kMaxErrorOutput = 64 * 1024;
// How much of the end of a daemon log is read for its last lines, and how many lines are kept.
constexpr off_t kDaemonLogTail = 16 * 1024;
constexpr std::size_t kDaemonLogLines = 10;

std::string ReadLogTail(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return {};
  struct stat info;
  std::string bytes;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    off_t start = info.st_size > kDaemonLogTail ? info.st_size - kDaemonLogTail : 0;
    bytes.resize(static_cast<std::size_t>(info.st_size - start));
    ssize_t n;
    do {
      n = pread(fd, bytes.data(), bytes.size(), start);
    } while (n < 0 && errno == EINTR);
    bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    // A line cut by the start of the window is not the daemon's whole sentence.
    if (start > 0)
      bytes.erase(0, bytes.find('\n') == std::string::npos ? bytes.size() : bytes.find('\n') + 1);
  }
  close(fd);
  return bytes;
}

class ProcessWatch : public CommandWatch {
 public:
  explicit ProcessWatch(std::string daemonLog) : daemonLog_(std::move(daemonLog)) {}
  ProcessWatch(const ProcessWatch&) = delete;
  ProcessWatch& operator=(const ProcessWatch&) = delete;

  bool Ended() const override { return ended_.load(std::memory_order_acquire); }
  int ExitStatus() const override { return status_.load(std::memory_order_acquire); }

  std::string ErrorOutput() const override {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string text = captured_;
    std::string log = logRead_ ? finalLog_ : LogLines();
    if (!text.empty() && !log.empty() && text.back() != '\n') text.push_back('\n');
    return text + log;
  }

  void StopCapturing() override {
    std::lock_guard<std::mutex> lock(mutex_);
    capturing_ = false;
  }

  void Started(pid_t pid) {
    std::lock_guard<std::mutex> lock(mutex_);
    pid_ = pid;
  }

  void Capture(const char* bytes, std::size_t size) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!capturing_ || captured_.size() >= kMaxErrorOutput) return;
    captured_.append(bytes, std::min(size, kMaxErrorOutput - captured_.size()));
  }

  // The daemon's last words are kept in memory and its log removed, so that nothing is left in
  // the private folder once the process has ended.
  void Finish(int status) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      finalLog_ = LogLines();
      logRead_ = true;
      if (!daemonLog_.empty()) unlink(daemonLog_.c_str());
    }
    status_.store(status, std::memory_order_release);
    ended_.store(true, std::memory_order_release);
  }

 private:
  // Called with mutex_ held.
  std::string LogLines() const {
    if (daemonLog_.empty() || pid_ <= 0) return {};
    return DaemonLogLines(ReadLogTail(daemonLog_), pid_, kDaemonLogLines);
  }

  const std::string daemonLog_;
  mutable std::mutex mutex_;
  pid_t pid_ = 0;
  std::string captured_;
  bool capturing_ = true;
  std::string finalLog_;
  bool logRead_ = false;
  std::atomic<bool> ended_{false};
  std::atomic<int> status_{-1};
};

class FinishedWatch : public CommandWatch {
 public:
  explicit FinishedWatch(int status) : status_(status) {}
  bool Ended() const override { return true; }
  int ExitStatus() const override { return status_; }
  std::string ErrorOutput() const override { return {}; }

 private:
  int status_;
};

// Owns a file descriptor of the parent; every one is opened close-on-exec.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

// Moves a descriptor above 0, 1 and 2, so that placing the child's standard streams never
// overwrites another of them.
int AboveStandardStreams(int fd) {
  if (fd < 0 || fd > 2) return fd;
  int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  close(fd);
  return moved;
}

std::string Describe(int error) { return std::strerror(error); }

// Marks every descriptor above 2 close-on-exec, also those that libraries opened without it.
// Only async-signal-safe calls: it runs in the child of a threaded parent.
void CloseOnExecAboveStandardStreams() {
  if (close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0) return;
  // Kernels before 5.11: the open descriptors are listed in /proc/self/fd.
  int folder = open("/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    alignas(dirent64) char buffer[4096];
    ssize_t n;
    while ((n = getdents64(folder, buffer, sizeof buffer)) > 0) {
      for (ssize_t at = 0; at < n;) {
        const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
        at += entry->d_reclen;
        int fd = 0;
        const char* c = entry->d_name;
        for (; *c >= '0' && *c <= '9'; ++c) fd = fd * 10 + (*c - '0');
        if (*c == '\0' && c != entry->d_name && fd > 2) fcntl(fd, F_SETFD, FD_CLOEXEC);
      }
    }
    close(folder);
    if (n == 0) return;
  }
  struct rlimit limit;
  rlim_t highest = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
                       ? limit.rlim_cur
                       : 65536;
  for (rlim_t fd = 3; fd < highest; ++fd) fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
}

// Only async-signal-safe calls from here on: the child of a threaded parent.
[[noreturn]] void ExecChild(const char* path, char* const* argv, char* const* envp, int inFd,
                            int outFd, int errFd, int reportFd) {
  setsid();
  dup2(inFd, 0);
  dup2(outFd, 1);
  dup2(errFd, 2);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction standard;
  std::memset(&standard, 0, sizeof standard);
  standard.sa_handler = SIG_DFL;
  for (int sig = 1; sig < NSIG; ++sig) sigaction(sig, &standard, nullptr);
  // The program gets its standard streams and nothing else of this process.
  CloseOnExecAboveStandardStreams();
  execve(path, argv, envp);
  int error = errno;
  ssize_t ignored = write(reportFd, &error, sizeof error);
  (void)ignored;
  _exit(127);
}

int StatusOf(int waitStatus) {
  if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
  if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
  return -1;
}

// Collects the child's status; false while it still runs (only when not waiting).
bool Reap(pid_t pid, bool wait, int& status) {
  int waitStatus = 0;
  pid_t reaped;
  do {
    reaped = waitpid(pid, &waitStatus, wait ? 0 : WNOHANG);
  } while (reaped < 0 && errno == EINTR);
  if (reaped == 0) return false;
  // -1 when someone else reaped the child (SIGCHLD ignored): ended, status unknown.
  status = reaped == pid ? StatusOf(waitStatus) : -1;
  return true;
}

// Reads what is waiting in the (non-blocking) pipe. False once the pipe has no writer left.
bool Drain(ProcessWatch& watch, int fd) {
  char buffer[16384];
  while (true) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
      watch.Capture(buffer, static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
  }
}

struct Child {
  pid_t pid = -1;
  int pidFd = -1;
};

// Follows a child to its end: reads its error output as it comes, so that it never blocks on a
// full pipe, and reaps it. The watch ends only after everything the child wrote has been read.
// Without a pidfd (kernels before 5.3) the child is looked at every 100 ms instead.
void Follow(ProcessWatch& watch, Child child, int errorRead) {
  int status = -1;
  bool pipeOpen = errorRead >= 0;
  while (true) {
    if (!pipeOpen) {
      Reap(child.pid, true, status);
      break;
    }
    pollfd fds[2] = {{errorRead, POLLIN, 0}, {child.pidFd, POLLIN, 0}};
    const nfds_t count = child.pidFd >= 0 ? 2 : 1;
    if (poll(fds, count, child.pidFd >= 0 ? -1 : 100) < 0 && errno != EINTR) {
      pipeOpen = false;
      continue;
    }
    if (fds[0].revents != 0) pipeOpen = Drain(watch, errorRead);
    const bool exited = child.pidFd >= 0 ? fds[1].revents != 0 : Reap(child.pid, false, status);
    if (exited) {
      if (child.pidFd >= 0) Reap(child.pid, true, status);
      break;
    }
  }
  // Everything the child wrote is in the pipe by now.
  if (pipeOpen) pipeOpen = Drain(watch, errorRead);
  watch.Finish(status);
  if (child.pidFd >= 0) close(child.pidFd);
  if (errorRead < 0) return;
  // Processes the child left behind may still hold its error output: read until the last goes.
  if (pipeOpen) {
    fcntl(errorRead, F_SETFL, fcntl(errorRead, F_GETFL) & ~O_NONBLOCK);
    char buffer[16384];
    ssize_t n;
    while ((n = read(errorRead, buffer, sizeof buffer)) != 0) {
      if (n < 0 && errno != EINTR) break;
      if (n > 0) watch.Capture(buffer, static_cast<std::size_t>(n));
    }
  }
  close(errorRead);
}

std::vector<char*> Pointers(std::vector<std::string>& words) {
  std::vector<char*> pointers;
  for (std::string& word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  return pointers;
}

// This process's environment with the daemon log variable set to daemonLog, or removed.
std::vector<std::string> ChildEnvironment(const std::string& daemonLog) {
  const std::string prefix = std::string(kDaemonLogVariable) + "=";
  std::vector<std::string> environment;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    if (!std::string_view(*entry).starts_with(prefix)) environment.emplace_back(*entry);
  }
  if (!daemonLog.empty()) environment.push_back(prefix + daemonLog);
  return environment;
}

}  // namespace

Result<std::shared_ptr<CommandWatch>> StartProcess(const std::vector<std::string>& argv,
                                                   ErrorOutputTo errors,
                                                   const std::string& daemonLog) {
  if (argv.empty()) return Error{"无法启动程序：没有程序名"};
  const std::string& program = argv.front();
  auto failure = [&program](const std::string& reason) {
    return Error{"无法启动程序“" + program + "”：" + reason};
  };

  Fd devNull(AboveStandardStreams(open("/dev/null", O_RDWR | O_CLOEXEC)));
  if (devNull.get() < 0) return failure("无法打开 /dev/null：" + Describe(errno));
  Fd errorRead;
  Fd errorWrite;
  if (errors == ErrorOutputTo::Kept) {
    int error[2];
    if (pipe2(error, O_CLOEXEC) != 0) return failure("无法保存错误输出：" + Describe(errno));
    errorRead.Reset(AboveStandardStreams(error[0]));
    errorWrite.Reset(AboveStandardStreams(error[1]));
    if (errorRead.get() < 0 || errorWrite.get() < 0) {
      return failure("无法保存错误输出：" + Describe(errno));
    }
    fcntl(errorRead.get(), F_SETFL, fcntl(errorRead.get(), F_GETFL) | O_NONBLOCK);
  }
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return failure(Describe(errno));
  Fd reportRead(AboveStandardStreams(report[0]));
  Fd reportWrite(AboveStandardStreams(report[1]));
  if (reportRead.get() < 0 || reportWrite.get() < 0) return failure(Describe(errno));

  auto watch = std::make_shared<ProcessWatch>(errors == ErrorOutputTo::Kept ? daemonLog : "");
  const int childErrFd = errorWrite.get() >= 0 ? errorWrite.get() : devNull.get();

  // The follower exists before the child does, so a child is never left without one.
  std::promise<Child> started;
  std::future<Child> startedChild = started.get_future();
  try {
    std::thread([watch, childFuture = std::move(startedChild),
                 errorFd = errorRead.get()]() mutable {
      Child child = childFuture.get();
      if (child.pid <= 0) return;
      Follow(*watch, child, errorFd);
    }).detach();
  } catch (const std::system_error& e) {
    return failure(std::string("无法创建等待线程：") + e.what());
  }
  // From here on the follower owns the reading end (or closes nothing when the start fails).
  const int followerErrorFd = errorRead.release();

  std::vector<std::string> arguments = argv;
  std::vector<char*> argvPointers = Pointers(arguments);
  std::vector<std::string> environment =
      ChildEnvironment(errors == ErrorOutputTo::Kept ? daemonLog : "");
  std::vector<char*> envPointers = Pointers(environment);
  pid_t pid = fork();
  if (pid == 0) {
    ExecChild(program.c_str(), argvPointers.data(), envPointers.data(), devNull.get(),
              devNull.get(), childErrFd, reportWrite.get());
  }
  int forkError = errno;
  Child child;
  child.pid = pid;
  if (pid > 0) {
    watch->Started(pid);
    // Always close-on-exec. Through syscall(): the C library's declaration is not usable from C++
    // everywhere.
    child.pidFd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  }
  started.set_value(child);
  if (pid < 0) {
    if (followerErrorFd >= 0) close(followerErrorFd);
    return failure("无法创建进程：" + Describe(forkError));
  }

  errorWrite.Reset();
  reportWrite.Reset();
  int execError = 0;
  ssize_t n;
  do {
    n = read(reportRead.get(), &execError, sizeof execError);
  } while (n < 0 && errno == EINTR);
  if (n == static_cast<ssize_t>(sizeof execError)) return failure(Describe(execError));
  return std::shared_ptr<CommandWatch>(watch);
}

std::shared_ptr<CommandWatch> EndedWatch(int exitStatus) {
  return std::make_shared<FinishedWatch>(exitStatus);
}

Status StartDetached(const std::vector<std::string>& argv) {
  if (argv.empty()) return Error{"无法启动程序：没有程序名"};
  // The started process lives on in its own session; its short-lived starter is reaped by the
  // watch's thread, so nothing is left to wait for.
  std::vector<std::string> starter = {"/bin/sh", "-c", "\"$0\" \"$@\" &"};
  starter.insert(starter.end(), argv.begin(), argv.end());
  Result<std::shared_ptr<CommandWatch>> started = StartProcess(starter, ErrorOutputTo::DevNull);
  return started.status();
}

}  // namespace mirvo
