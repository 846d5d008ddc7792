#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/result.h"

namespace mirvo {

// How a started command shows its console window.
enum class WindowMode {
  Hidden = 0,       // no window; error output kept for the caller
  NormalFocus = 1,  // a normal window that takes the focus
};

// Who may read a file the program writes. Secrets are Private (mode 0600 on POSIX), because rsync
// refuses a secrets or password file that others can read.
enum class FileAccess { Normal, Private };

// A started command, watched without waiting on it.
class CommandWatch {
 public:
  virtual ~CommandWatch() = default;
  virtual bool Ended() const = 0;
  // The exit status once Ended(); a process ended by a signal reports 128 + the signal.
  virtual int ExitStatus() const = 0;
  // What the command wrote to its error output so far: the first 64 KiB of it. A command shown in
  // a window of its own keeps none; on Linux a NormalFocus command without a display to show it
  // on runs as a Hidden one does and keeps it. For a Hidden command on Linux it is followed by the
  // last lines the rsync daemon, when the command started one, wrote to its own log, which is
  // where the daemon gives its reasons.
  virtual std::string ErrorOutput() const = 0;
  // Says that the caller needs no more of the error output: what was kept stays readable, nothing
  // more is kept. The command itself runs on undisturbed: its output is still read and dropped.
  virtual void StopCapturing() {}
  // Asks to be told once that the command has ended: `ended` runs on the main thread, through the
  // MainThread the platform was given, never inside this call (a command that has already ended is
  // told through the event loop too). A later call replaces the earlier callback; once the watch
  // itself is gone, nothing is told. Nothing is polled meanwhile: the platform waits on the
  // process itself.
  virtual void OnEnded(std::function<void()> ended) = 0;
};

// Everything the program asks of the operating system. Paths use "\" as on Windows; the POSIX
// implementation reads every "\" as a separator.
class Platform {
 public:
  virtual ~Platform() = default;

  // The folder of the running program, without a trailing separator except at a root.
  virtual std::string ProgramFolder() const = 0;
  // True for a regular file; false for a folder, a missing file, or a hidden or system file.
  virtual bool FileExists(const std::string& path) const = 0;
  // Creates or truncates the file and writes exactly these bytes.
  virtual Status WriteFileBytes(const std::string& path, std::string_view bytes,
                                FileAccess access) = 0;
  virtual Result<std::string> ReadFileBytes(const std::string& path) const = 0;
  // Adds the bytes at the end of the file, creating it when missing; never rewrites what is there.
  virtual Status AppendFileBytes(const std::string& path, std::string_view bytes) = 0;
  // The size of a file in bytes; a file that does not exist has size 0.
  virtual Result<std::uint64_t> FileSize(const std::string& path) const = 0;
  // Renames a file, replacing a file that already has the new name.
  virtual Status RenameReplacing(const std::string& from, const std::string& to) = 0;
  // The local time now as ISO 8601 with the offset from UTC: "2026-12-09T20:01:02+08:00".
  virtual std::string LocalTimestamp() const = 0;

  // The system's ANSI code page: GBK (code page 936) on the systems MIRVO is made for. A character
  // the code page cannot hold is an error, never a "?".
  virtual Result<std::string> Utf8ToAnsi(std::string_view utf8) const = 0;
  virtual Result<std::string> AnsiToUtf8(std::string_view ansi) const = 0;

  // Starts "cmd.exe /c ..." or "cmd.exe /k ..." and returns at once.
  virtual Result<std::shared_ptr<CommandWatch>> RunCommand(const std::string& commandLine,
                                                           WindowMode mode) = 0;
  // The lowest TCP port that a program started by RunCommand may listen on: 0 when it may listen
  // on any. On Linux only root (or a program holding CAP_NET_BIND_SERVICE across exec) may listen
  // below net.ipv4.ip_unprivileged_port_start, which is normally 1024.
  virtual int FirstBindablePort() const = 0;
  // True while a process of this image name runs that this user could end, as
  // "taskkill /F /im NAME" would; the names compare as Windows compares image names.
  virtual bool ImageRunning(const std::string& imageName) const = 0;
  // True when 127.0.0.1 accepts a TCP connection on the port within a quarter of a second.
  virtual bool PortAccepts(int port) const = 0;

  // Hands a web address to the user's default handler without waiting.
  virtual Status OpenWebAddress(const std::string& address) = 0;
  // Opens a file with the user's default handler for its type, without waiting. The error says
  // why, without naming the file.
  virtual Status OpenFile(const std::string& path) = 0;
};

}  // namespace mirvo
