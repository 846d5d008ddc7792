#include "foundation/posix/daemon_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <optional>

#include "foundation/posix/process_start.h"
#include "foundation/posix/rsync_runtime.h"

namespace mirvo {
namespace {

// How much of the end of a daemon log is read for its last lines, and how many lines are kept.
constexpr off_t kDaemonLogTail = 16 * 1024;
constexpr std::size_t kDaemonLogLines = 10;

// A new empty log (mode 0600, a name nobody else has) in the launcher's private folder, or empty
// when there is no such folder.
std::string NewDaemonLogPath() {
  std::string problem;
  std::optional<std::string> folder = PrivateRuntimeFolder(problem);
  if (!folder) return {};
  std::string path = *folder + "/rsyncd-XXXXXX.log";
  int fd = mkostemps(path.data(), 4, O_CLOEXEC);
  if (fd < 0) return {};
  close(fd);
  return path;
}

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

// The log of one started process. Its last lines are kept in memory and the file removed once the
// process has ended, so that nothing is left in the private folder.
class DaemonLog {
 public:
  explicit DaemonLog(std::string path) : path_(std::move(path)) {}
  ~DaemonLog() { Finish(0); }

  void Started(pid_t pid) {
    std::lock_guard<std::mutex> lock(mutex_);
    pid_ = pid;
  }
  // The process with this id (0: none) has ended.
  void Finish(pid_t pid) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (finished_) return;
    if (pid > 0) pid_ = pid;
    final_ = LinesNow();
    finished_ = true;
    unlink(path_.c_str());
  }
  std::string Lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return finished_ ? final_ : LinesNow();
  }

 private:
  // Called with mutex_ held.
  std::string LinesNow() const {
    return pid_ > 0 ? DaemonLogLines(ReadLogTail(path_), pid_, kDaemonLogLines) : std::string();
  }

  const std::string path_;
  mutable std::mutex mutex_;
  pid_t pid_ = 0;
  bool finished_ = false;
  std::string final_;
};

class LoggedWatch final : public CommandWatch {
 public:
  LoggedWatch(std::shared_ptr<CommandWatch> process, std::shared_ptr<DaemonLog> log)
      : process_(std::move(process)), log_(std::move(log)) {}

  bool Ended() const override { return process_->Ended(); }
  int ExitStatus() const override { return process_->ExitStatus(); }
  std::string ErrorOutput() const override {
    std::string text = process_->ErrorOutput();
    std::string log = log_->Lines();
    if (!text.empty() && !log.empty() && text.back() != '\n') text.push_back('\n');
    return text + log;
  }
  void StopCapturing() override { process_->StopCapturing(); }
  void OnEnded(std::function<void()> ended) override { process_->OnEnded(std::move(ended)); }

 private:
  std::shared_ptr<CommandWatch> process_;
  std::shared_ptr<DaemonLog> log_;
};

}  // namespace

Result<std::shared_ptr<CommandWatch>> StartWithDaemonLog(const std::vector<std::string>& argv,
                                                         MainThread* mainThread) {
  ProcessSetup setup;
  setup.variable = kDaemonLogVariable;
  setup.mainThread = mainThread;
  const std::string path = NewDaemonLogPath();
  auto log = path.empty() ? nullptr : std::make_shared<DaemonLog>(path);
  if (log) {
    setup.value = path;
    setup.atEnd = [log](pid_t pid) { log->Finish(pid); };
  }
  Result<std::shared_ptr<ProcessWatch>> started = StartProcess(argv, setup);
  // A process that never ran leaves no log behind: the log's last owner removes it.
  if (!started.ok()) return started.error();
  if (!log) return std::shared_ptr<CommandWatch>(started.value());
  log->Started(started.value()->Pid());
  return std::shared_ptr<CommandWatch>(std::make_shared<LoggedWatch>(started.value(), log));
}

}  // namespace mirvo
