#include "foundation/posix/process_start.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <system_error>
#include <thread>

#include "foundation/started_command.h"

extern char** environ;

namespace mirvo {
namespace {

// What the follower thread and the watch share; the watch's own end notice is not part of it, so
// that nothing is told once the caller has let go of the watch.
struct Followed {
  ErrorCapture errors;
  std::atomic<bool> ended{false};
  std::atomic<int> status{-1};
};

class SpawnedWatch final : public ProcessWatch {
 public:
  SpawnedWatch(pid_t pid, MainThread* mainThread) : pid_(pid), notice_(mainThread) {}

  bool Ended() const override { return followed_->ended.load(std::memory_order_acquire); }
  int ExitStatus() const override { return followed_->status.load(std::memory_order_acquire); }
  std::string ErrorOutput() const override { return followed_->errors.Text(); }
  void StopCapturing() override { followed_->errors.Stop(); }
  void OnEnded(std::function<void()> ended) override { notice_.Set(std::move(ended)); }
  pid_t Pid() const override { return pid_; }

  const std::shared_ptr<Followed>& Shared() const { return followed_; }
  std::function<void()> Teller() const { return notice_.Teller(); }

 private:
  const pid_t pid_;
  std::shared_ptr<Followed> followed_ = std::make_shared<Followed>();
  EndNotice notice_;
};

class FinishedWatch final : public CommandWatch {
 public:
  FinishedWatch(int status, MainThread* mainThread) : status_(status), notice_(mainThread) {
    notice_.Teller()();
  }
  bool Ended() const override { return true; }
  int ExitStatus() const override { return status_; }
  std::string ErrorOutput() const override { return {}; }
  void OnEnded(std::function<void()> ended) override { notice_.Set(std::move(ended)); }

 private:
  int status_;
  EndNotice notice_;
};

std::string Describe(int error) { return std::strerror(error); }

// Moves a descriptor above 0, 1 and 2, so that placing the child's standard streams never
// overwrites another of them.
int AboveStandardStreams(int fd) {
  if (fd < 0 || fd > 2) return fd;
  int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  close(fd);
  return moved;
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
bool Drain(ErrorCapture& errors, int fd) {
  char buffer[16384];
  while (true) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
      errors.Append(buffer, static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
  }
}

struct Follower {
  std::shared_ptr<Followed> followed;
  std::function<void(pid_t)> atEnd;
  std::function<void()> tell;
  pid_t pid = -1;
  int pidFd = -1;      // -1 on kernels before 5.3: the child is then looked at every 100 ms
  int errorRead = -1;  // -1 when the error output goes to /dev/null
};

// Follows a child to its end: reads its error output as it comes, so that it never blocks on a
// full pipe, and reaps it. The watch ends only after everything the child wrote has been read.
void Follow(const Follower& f) {
  int status = -1;
  bool pipeOpen = f.errorRead >= 0;
  while (true) {
    if (!pipeOpen) {
      Reap(f.pid, true, status);
      break;
    }
    pollfd fds[2] = {{f.errorRead, POLLIN, 0}, {f.pidFd, POLLIN, 0}};
    if (poll(fds, f.pidFd >= 0 ? 2 : 1, f.pidFd >= 0 ? -1 : 100) < 0 && errno != EINTR) {
      pipeOpen = false;
      continue;
    }
    if (fds[0].revents != 0) pipeOpen = Drain(f.followed->errors, f.errorRead);
    if (f.pidFd >= 0 ? fds[1].revents != 0 : Reap(f.pid, false, status)) {
      if (f.pidFd >= 0) Reap(f.pid, true, status);
      break;
    }
  }
  // Everything the child wrote is in the pipe by now.
  if (pipeOpen) pipeOpen = Drain(f.followed->errors, f.errorRead);
  if (f.atEnd) f.atEnd(f.pid);
  f.followed->status.store(status, std::memory_order_release);
  f.followed->ended.store(true, std::memory_order_release);
  f.tell();
  if (f.pidFd >= 0) close(f.pidFd);
  if (f.errorRead < 0) return;
  // Processes the child left behind may still hold its error output: read until the last goes.
  if (pipeOpen) {
    fcntl(f.errorRead, F_SETFL, fcntl(f.errorRead, F_GETFL) & ~O_NONBLOCK);
    char buffer[16384];
    ssize_t n;
    while ((n = read(f.errorRead, buffer, sizeof buffer)) != 0) {
      if (n < 0 && errno != EINTR) break;
      if (n > 0) f.followed->errors.Append(buffer, static_cast<std::size_t>(n));
    }
  }
  close(f.errorRead);
}

std::vector<char*> Pointers(std::vector<std::string>& words) {
  std::vector<char*> pointers;
  for (std::string& word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  return pointers;
}

// This process's environment with the setup's variable set, or left out.
std::vector<std::string> ChildEnvironment(const ProcessSetup& setup) {
  const std::string prefix = setup.variable + "=";
  std::vector<std::string> environment;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    if (!std::string_view(*entry).starts_with(prefix)) environment.emplace_back(*entry);
  }
  if (!setup.value.empty()) environment.push_back(prefix + setup.value);
  return environment;
}

// The file actions and attributes of one start, released with it.
struct SpawnPlan {
  SpawnPlan() {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
  }
  ~SpawnPlan() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
  SpawnPlan(const SpawnPlan&) = delete;
  SpawnPlan& operator=(const SpawnPlan&) = delete;

  // 0, or the error of the first step that failed. errorWrite < 0: the error output is dropped.
  int Prepare(int errorWrite) {
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    const short flags = POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    // The error output is placed first: the pipe may not be overwritten by the opens after it.
    int steps[] = {
        errorWrite >= 0 ? posix_spawn_file_actions_adddup2(&actions, errorWrite, 2)
                        : posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0),
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0),
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0),
        // Also the descriptors that libraries opened without close-on-exec.
        posix_spawn_file_actions_addclosefrom_np(&actions, 3),
        posix_spawnattr_setflags(&attributes, flags),
        posix_spawnattr_setsigmask(&attributes, &none),
        posix_spawnattr_setsigdefault(&attributes, &all),
    };
    for (int error : steps) {
      if (error != 0) return error;
    }
    return 0;
  }

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
};

// A close-on-exec pipe with both ends above the standard streams: 0, or the errno.
int ErrorPipe(int (&ends)[2]) {
  if (pipe2(ends, O_CLOEXEC) != 0) return errno;
  ends[0] = AboveStandardStreams(ends[0]);
  ends[1] = AboveStandardStreams(ends[1]);
  if (ends[0] >= 0 && ends[1] >= 0) return 0;
  const int error = errno;
  for (int& fd : ends) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  return error;
}

// Starts the program with its error output on errorWrite (or /dev/null when -1): 0, or the errno
// of the failed start, a program that could not be executed included.
int Spawn(const std::vector<std::string>& argv, const ProcessSetup& setup, int errorWrite,
          pid_t& pid) {
  SpawnPlan plan;
  if (int error = plan.Prepare(errorWrite); error != 0) return error;
  std::vector<std::string> arguments = argv;
  std::vector<char*> argvPointers = Pointers(arguments);
  std::vector<std::string> environment;
  if (!setup.variable.empty()) environment = ChildEnvironment(setup);
  std::vector<char*> envPointers = Pointers(environment);
  return posix_spawn(&pid, argv.front().c_str(), &plan.actions, &plan.attributes,
                     argvPointers.data(), setup.variable.empty() ? environ : envPointers.data());
}

}  // namespace

Result<std::shared_ptr<ProcessWatch>> StartProcess(const std::vector<std::string>& argv,
                                                   const ProcessSetup& setup) {
  if (argv.empty()) return Error{"无法启动程序：没有程序名"};
  const std::string& program = argv.front();
  int pipeEnds[2] = {-1, -1};
  if (setup.errors == ErrorOutputTo::Kept) {
    if (int error = ErrorPipe(pipeEnds); error != 0) {
      return StartFailure(program, "无法保存错误输出：" + Describe(error));
    }
  }
  pid_t pid = -1;
  const int error = Spawn(argv, setup, pipeEnds[1], pid);
  // The child holds its own copy: the pipe breaks once the child and its children are gone.
  if (pipeEnds[1] >= 0) close(pipeEnds[1]);
  if (error != 0) {
    if (pipeEnds[0] >= 0) close(pipeEnds[0]);
    return StartFailure(program, Describe(error));
  }

  auto watch = std::make_shared<SpawnedWatch>(pid, setup.mainThread);
  // Always close-on-exec. Through syscall(): the C library's declaration is not usable from C++
  // everywhere.
  Follower follower{watch->Shared(),
                    setup.atEnd,
                    watch->Teller(),
                    pid,
                    static_cast<int>(syscall(SYS_pidfd_open, pid, 0)),
                    pipeEnds[0]};
  if (pipeEnds[0] >= 0) fcntl(pipeEnds[0], F_SETFL, fcntl(pipeEnds[0], F_GETFL) | O_NONBLOCK);
  try {
    std::thread([follower] { Follow(follower); }).detach();
  } catch (const std::system_error& e) {
    // Nobody would reap it or read its output: the child does not outlive its failed start.
    kill(pid, SIGKILL);
    int status = 0;
    Reap(pid, true, status);
    if (follower.pidFd >= 0) close(follower.pidFd);
    if (pipeEnds[0] >= 0) close(pipeEnds[0]);
    return StartFailure(program, std::string("无法创建等待线程：") + e.what());
  }
  return std::shared_ptr<ProcessWatch>(watch);
}

std::shared_ptr<CommandWatch> EndedWatch(int exitStatus, MainThread* mainThread) {
  return std::make_shared<FinishedWatch>(exitStatus, mainThread);
}

Status StartDetached(const std::vector<std::string>& argv) {
  if (argv.empty()) return Error{"无法启动程序：没有程序名"};
  // The started process lives on in its own session; its short-lived starter is reaped by the
  // watch's thread, so nothing is left to wait for.
  std::vector<std::string> starter = {"/bin/sh", "-c", "\"$0\" \"$@\" &"};
  starter.insert(starter.end(), argv.begin(), argv.end());
  ProcessSetup setup;
  setup.errors = ErrorOutputTo::DevNull;
  return StartProcess(starter, setup).status();
}

}  // namespace mirvo
