#include "foundation/posix/process_start.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <future>
#include <thread>

namespace mirvo {
namespace {

// The most of a command's error output that ErrorOutput() hands back.
constexpr std::size_t kMaxErrorOutput = 64 * 1024;

class ProcessWatch : public CommandWatch {
 public:
  explicit ProcessWatch(int errorFd) : errorFd_(errorFd) {}
  ~ProcessWatch() override {
    if (errorFd_ >= 0) close(errorFd_);
  }
  ProcessWatch(const ProcessWatch&) = delete;
  ProcessWatch& operator=(const ProcessWatch&) = delete;

  bool Ended() const override { return ended_.load(std::memory_order_acquire); }
  int ExitStatus() const override { return status_.load(std::memory_order_acquire); }
  std::string ErrorOutput() const override {
    std::string text;
    if (errorFd_ < 0) return text;
    char buffer[4096];
    off_t offset = 0;
    while (text.size() < kMaxErrorOutput) {
      ssize_t n = pread(errorFd_, buffer, sizeof buffer, offset);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      text.append(buffer, static_cast<std::size_t>(n));
      offset += n;
    }
    if (text.size() > kMaxErrorOutput) text.resize(kMaxErrorOutput);
    return text;
  }

  void Finish(int status) {
    status_.store(status, std::memory_order_release);
    ended_.store(true, std::memory_order_release);
  }

 private:
  int errorFd_;
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

// Only async-signal-safe calls from here on: the child of a threaded parent.
[[noreturn]] void ExecChild(const char* path, char* const* argv, int inFd, int outFd, int errFd,
                            int reportFd) {
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
  // Descriptors that libraries opened without close-on-exec must not reach the program either.
  close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
  execv(path, argv);
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

std::vector<char*> ArgvPointers(const std::vector<std::string>& argv) {
  std::vector<char*> pointers;
  for (const std::string& word : argv) pointers.push_back(const_cast<char*>(word.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

Result<std::shared_ptr<CommandWatch>> StartProcess(const std::vector<std::string>& argv,
                                                   ErrorOutputTo errors) {
  if (argv.empty()) return Error{"无法启动程序：没有程序名"};
  const std::string& program = argv.front();
  auto failure = [&program](const std::string& reason) {
    return Error{"无法启动程序“" + program + "”：" + reason};
  };

  Fd devNull(AboveStandardStreams(open("/dev/null", O_RDWR | O_CLOEXEC)));
  if (devNull.get() < 0) return failure("无法打开 /dev/null：" + Describe(errno));
  Fd errorFd;
  if (errors == ErrorOutputTo::Kept) {
    errorFd.Reset(AboveStandardStreams(memfd_create("mirvo-error-output", MFD_CLOEXEC)));
    if (errorFd.get() < 0) return failure("无法保存错误输出：" + Describe(errno));
  }
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return failure(Describe(errno));
  Fd reportRead(AboveStandardStreams(report[0]));
  Fd reportWrite(AboveStandardStreams(report[1]));
  if (reportRead.get() < 0 || reportWrite.get() < 0) return failure(Describe(errno));

  auto watch = std::make_shared<ProcessWatch>(errorFd.get());
  int childErrFd = errorFd.get() >= 0 ? errorFd.release() : devNull.get();

  // The reaper exists before the child does, so a child is never left without one.
  std::promise<pid_t> started;
  std::future<pid_t> startedPid = started.get_future();
  try {
    std::thread([watch, pidFuture = std::move(startedPid)]() mutable {
      pid_t pid = pidFuture.get();
      if (pid <= 0) return;
      int waitStatus = 0;
      pid_t reaped;
      do {
        reaped = waitpid(pid, &waitStatus, 0);
      } while (reaped < 0 && errno == EINTR);
      // -1 when someone else reaped the child (SIGCHLD ignored): ended, status unknown.
      watch->Finish(reaped == pid ? StatusOf(waitStatus) : -1);
    }).detach();
  } catch (const std::system_error& e) {
    return failure(std::string("无法创建等待线程：") + e.what());
  }

  std::vector<char*> argvPointers = ArgvPointers(argv);
  pid_t pid = fork();
  if (pid == 0) {
    ExecChild(program.c_str(), argvPointers.data(), devNull.get(), devNull.get(), childErrFd,
              reportWrite.get());
  }
  int forkError = errno;
  started.set_value(pid);
  if (pid < 0) return failure("无法创建进程：" + Describe(forkError));

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
