#include "foundation/posix/posix_platform.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>

#include "foundation/ansi_code_page.h"
#include "foundation/file_error.h"
#include "foundation/local_time.h"
#include "foundation/posix/daemon_log.h"
#include "foundation/posix/image_kill.h"
#include "foundation/posix/interpreter_line.h"
#include "foundation/posix/process_start.h"
#include "foundation/posix/rsync_runtime.h"
#include "foundation/posix/system_queries.h"
#include "foundation/started_command.h"

namespace mirvo {
namespace {

// Windows' taskkill ends with 128 when no process matched.
constexpr int kTaskkillFoundNothing = 128;

// The reason for a failed file operation, in the words the window shows.
std::string Reason(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return "没有权限（" + std::string(std::strerror(error)) + "）";
    case EROFS:
      return "文件系统是只读的";
    case ENOSPC:
      return "磁盘空间不足";
    case EDQUOT:
      return "超出磁盘配额";
    case EISDIR:
      return "这是一个文件夹";
    case ENOENT:
      return "文件夹不存在";
    case ENOTDIR:
      return "路径中有一部分不是文件夹";
    default:
      return std::strerror(error);
  }
}

// ENOENT says that a file read or renamed is missing; for a file written, its folder (see Reason).
std::string MissingOrReason(int error) {
  return error == ENOENT ? std::string("文件不存在") : Reason(error);
}

Error WriteError(const std::string& path, int error) {
  return FileError(FileOperation::Write, path, Reason(error));
}

Error ReadError(const std::string& path, int error) {
  return FileError(FileOperation::Read, path, MissingOrReason(error));
}

// Writes every byte and closes the file; 0, or the errno of the first failure. A full disk or a
// failing network file system may only show when the file is closed.
int WriteAllAndClose(int fd, std::string_view bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;
      close(fd);
      return error;
    }
    written += static_cast<std::size_t>(n);
  }
  if (close(fd) != 0 && errno != EINTR) return errno;
  return 0;
}

bool IsRegularFile(const std::string& nativePath) {
  struct stat info;
  return stat(nativePath.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string SearchPath() {
  const char* path = std::getenv("PATH");
  return path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
}

std::optional<std::string> FindInPath(const std::string& name) {
  return ResolveProgram(name, SearchPath(), [](const std::string& candidate) {
    return IsRegularFile(candidate) && access(candidate.c_str(), X_OK) == 0;
  });
}

// A terminal window for NormalFocus commands, when there is a display to show it on.
std::optional<std::string> FindTerminal() {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') return std::nullopt;
  if (auto terminal = FindInPath("x-terminal-emulator")) return terminal;
  return FindInPath("xterm");
}

// "/c": the window closes when the program ends. "/k": it stays open at a shell prompt. The
// program and its arguments pass as positional parameters and are never parsed by the shell. A
// terminal ends with a status of its own, so the shell inside writes the program's status to a
// file.
std::vector<std::string> InTerminal(const std::string& terminal, bool keepOpen,
                                    const std::string& statusFile,
                                    const std::vector<std::string>& argv) {
  const char* script = keepOpen
                           ? "f=$1; shift; \"$@\"; echo $? > \"$f\"; exec \"${SHELL:-/bin/sh}\" -i"
                           : "f=$1; shift; \"$@\"; s=$?; echo $s > \"$f\"; exit $s";
  std::vector<std::string> line = {terminal, "-e", "/bin/sh", "-c", script, "sh", statusFile};
  line.insert(line.end(), argv.begin(), argv.end());
  return line;
}

// A start whose program finds no daemon log named in its environment, not even one this program
// was given.
ProcessSetup WithoutDaemonLog(MainThread* mainThread) {
  ProcessSetup setup;
  setup.variable = kDaemonLogVariable;
  setup.mainThread = mainThread;
  return setup;
}

// The watch of a program in a terminal window: it ends with the terminal and reports the status the
// program ended with. A program whose window was closed under it ended by SIGHUP.
class TerminalWatch : public CommandWatch {
 public:
  TerminalWatch(std::shared_ptr<CommandWatch> terminal, std::string statusFile)
      : terminal_(std::move(terminal)), statusFile_(std::move(statusFile)) {}
  ~TerminalWatch() override { unlink(statusFile_.c_str()); }
  bool Ended() const override { return terminal_->Ended(); }
  int ExitStatus() const override {
    std::ifstream in(statusFile_);
    int status = 0;
    if (in >> status) return status;
    return terminal_->Ended() ? 128 + SIGHUP : terminal_->ExitStatus();
  }
  std::string ErrorOutput() const override { return {}; }
  void OnEnded(std::function<void()> ended) override { terminal_->OnEnded(std::move(ended)); }

 private:
  std::shared_ptr<CommandWatch> terminal_;
  std::string statusFile_;
};

Result<std::shared_ptr<CommandWatch>> StartInTerminal(const std::string& terminal, bool keepOpen,
                                                      const std::vector<std::string>& argv,
                                                      MainThread* mainThread) {
  const char* temp = std::getenv("TMPDIR");
  std::string statusFile =
      std::string(temp != nullptr && *temp != '\0' ? temp : "/tmp") + "/mirvo-status-XXXXXX";
  int fd = mkstemp(statusFile.data());
  if (fd < 0) return Error{"无法创建临时文件“" + statusFile + "”：" + Reason(errno)};
  close(fd);
  ProcessSetup setup = WithoutDaemonLog(mainThread);
  setup.errors = ErrorOutputTo::DevNull;
  Result<std::shared_ptr<ProcessWatch>> started =
      StartProcess(InTerminal(terminal, keepOpen, statusFile, argv), setup);
  if (!started.ok()) {
    unlink(statusFile.c_str());
    return started.error();
  }
  return std::shared_ptr<CommandWatch>(
      std::make_shared<TerminalWatch>(std::move(started).value(), std::move(statusFile)));
}

Result<std::shared_ptr<CommandWatch>> RunTaskkill(const std::vector<std::string>& words,
                                                  MainThread* mainThread) {
  Result<TaskkillRequest> request = ParseTaskkill(words);
  if (!request.ok()) return request.error();
  int signal = request.value().force ? SIGKILL : SIGTERM;
  int ended = SignalProcessesNamed(request.value().imageName, signal);
  return EndedWatch(ended > 0 ? 0 : kTaskkillFoundNothing, mainThread);
}

}  // namespace

std::string NativePath(std::string_view path) {
  std::string native(path);
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
}

std::string FolderOf(std::string_view executablePath) {
  std::size_t slash = executablePath.rfind('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return std::string(executablePath.substr(0, slash));
}

PosixPlatform::PosixPlatform() {
  std::string buffer(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
  buffer.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  programFolder_ = FolderOf(buffer);
}

PosixPlatform::PosixPlatform(std::string programFolder)
    : programFolder_(std::move(programFolder)) {}

void PosixPlatform::SetMainThread(MainThread& mainThread) { mainThread_ = &mainThread; }

std::string PosixPlatform::ProgramFolder() const { return programFolder_; }

bool PosixPlatform::FileExists(const std::string& path) const {
  std::string native = NativePath(path);
  std::size_t slash = native.rfind('/');
  std::string_view name =
      std::string_view(native).substr(slash == std::string::npos ? 0 : slash + 1);
  // A dot-file is the POSIX counterpart of a hidden file, which the lookup does not find.
  if (!name.empty() && name.front() == '.') return false;
  return IsRegularFile(native);
}

Status PosixPlatform::WriteFileBytes(const std::string& path, std::string_view bytes,
                                     FileAccess access) {
  std::string native = NativePath(path);
  const mode_t mode = access == FileAccess::Private ? 0600 : 0666;
  int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  if (fd < 0) return WriteError(native, errno);
  // An existing file keeps its mode through open(); a secret must not stay readable by others,
  // so the mode is set before any byte of it is written.
  if (access == FileAccess::Private && fchmod(fd, 0600) != 0) {
    int error = errno;
    close(fd);
    return WriteError(native, error);
  }
  // The file is already truncated: a regular file that cannot be written whole is removed, so that
  // no cut-off configuration or secrets file is left for a daemon to read. Anything else (a device
  // such as /dev/full, a pipe) is never removed.
  struct stat opened;
  const bool regular = fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode);
  auto failed = [&native, regular](int error) {
    if (regular) unlink(native.c_str());
    return WriteError(native, error);
  };
  const int error = WriteAllAndClose(fd, bytes);
  return error == 0 ? Status::Ok() : failed(error);
}

Result<std::string> PosixPlatform::ReadFileBytes(const std::string& path) const {
  std::string native = NativePath(path);
  int fd = open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ReadError(native, errno);
  std::string bytes;
  char buffer[8192];
  while (true) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;
      close(fd);
      return ReadError(native, error);
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return bytes;
}

Status PosixPlatform::AppendFileBytes(const std::string& path, std::string_view bytes) {
  std::string native = NativePath(path);
  int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return WriteError(native, errno);
  const int error = WriteAllAndClose(fd, bytes);
  return error == 0 ? Status::Ok() : WriteError(native, error);
}

Result<std::uint64_t> PosixPlatform::FileSize(const std::string& path) const {
  std::string native = NativePath(path);
  struct stat info;
  if (stat(native.c_str(), &info) != 0) {
    if (errno == ENOENT) return std::uint64_t{0};
    return ReadError(native, errno);
  }
  if (S_ISDIR(info.st_mode)) return ReadError(native, EISDIR);
  return static_cast<std::uint64_t>(info.st_size);
}

Status PosixPlatform::RenameReplacing(const std::string& from, const std::string& to) {
  std::string nativeFrom = NativePath(from);
  std::string nativeTo = NativePath(to);
  if (rename(nativeFrom.c_str(), nativeTo.c_str()) != 0) {
    return RenameError(nativeFrom, nativeTo, MissingOrReason(errno));
  }
  return Status::Ok();
}

std::string PosixPlatform::LocalTimestamp() const {
  std::time_t now = std::time(nullptr);
  struct tm local {};
  localtime_r(&now, &local);
  return Iso8601({.year = local.tm_year + 1900,
                  .month = local.tm_mon + 1,
                  .day = local.tm_mday,
                  .hour = local.tm_hour,
                  .minute = local.tm_min,
                  .second = local.tm_sec,
                  .minutesAheadOfUtc = static_cast<int>(local.tm_gmtoff / 60)});
}

Result<std::string> PosixPlatform::Utf8ToAnsi(std::string_view utf8) const {
  return EncodeAnsi(utf8);
}

Result<std::string> PosixPlatform::AnsiToUtf8(std::string_view ansi) const {
  return DecodeAnsi(ansi);
}

Result<std::shared_ptr<CommandWatch>> PosixPlatform::RunCommand(const std::string& commandLine,
                                                                WindowMode mode) {
  const std::string searchPath = SearchPath();
  auto programExists = [&searchPath](std::string_view word) {
    return ResolveProgram(word, searchPath, IsRegularFile).has_value();
  };
  Result<InterpreterCommand> parsed = ParseInterpreterLine(commandLine, programExists);
  if (!parsed.ok()) return parsed.error();
  const InterpreterCommand& command = parsed.value();
  if (IsTaskkill(command.words)) return RunTaskkill(command.words, mainThread_);

  std::optional<std::string> program =
      ResolveProgram(command.words.front(), searchPath, IsRegularFile);
  if (!program) {
    return StartFailure(NativePath(command.words.front()), "找不到这个程序");
  }
  std::vector<std::string> argv = command.words;
  argv.front() = *program;

  if (mode == WindowMode::Hidden) return StartWithDaemonLog(argv, mainThread_);
  if (std::optional<std::string> terminal = FindTerminal()) {
    return StartInTerminal(*terminal, command.keepOpen, argv, mainThread_);
  }
  // Without a display the command runs as a hidden one does, its error output kept.
  Result<std::shared_ptr<ProcessWatch>> started = StartProcess(argv, WithoutDaemonLog(mainThread_));
  if (!started.ok()) return started.error();
  return std::shared_ptr<CommandWatch>(started.value());
}

int PosixPlatform::FirstBindablePort() const { return mirvo::FirstBindablePort(); }

bool PosixPlatform::ImageRunning(const std::string& imageName) const {
  return ProcessNamedRuns(imageName);
}

bool PosixPlatform::PortAccepts(int port) const {
  PosixLoopbackSocket socket;
  return LoopbackPortAccepts(socket, port);
}

Status PosixPlatform::OpenWebAddress(const std::string& address) {
  std::optional<std::string> opener = FindInPath("xdg-open");
  if (!opener) return Error{"无法打开网址“" + address + "”：找不到 xdg-open"};
  Status started = StartDetached({*opener, address});
  if (!started.ok()) return Error{"无法打开网址“" + address + "”：" + started.error().message};
  return Status::Ok();
}

Status PosixPlatform::OpenFile(const std::string& path) {
  // The desktop's own opener picks the program the user chose for the file's type.
  std::optional<std::string> opener = FindInPath("xdg-open");
  if (!opener) return Error{"找不到 xdg-open"};
  return StartDetached({*opener, NativePath(path)});
}

}  // namespace mirvo
