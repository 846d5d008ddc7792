#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "foundation/main_thread.h"
#include "foundation/platform.h"

namespace mirvo {

// The Linux build's operating-system layer. Paths are written with "\" as on Windows and every "\"
// is read as "/"; "cmd.exe /c" and "cmd.exe /k" lines are run directly (never through a shell),
// and "taskkill /F /im NAME" is done in-process.
class PosixPlatform : public Platform {
 public:
  // The program folder is the folder of the running executable (/proc/self/exe).
  PosixPlatform();
  // The program folder is the given one; tests use this to stage a program folder of their own.
  explicit PosixPlatform(std::string programFolder);

  // Where the watches of started commands tell their ends; until it is given, they tell nothing.
  void SetMainThread(MainThread& mainThread);

  std::string ProgramFolder() const override;
  bool FileExists(const std::string& path) const override;
  Status WriteFileBytes(const std::string& path, std::string_view bytes,
                        FileAccess access) override;
  Result<std::string> ReadFileBytes(const std::string& path) const override;
  Status AppendFileBytes(const std::string& path, std::string_view bytes) override;
  Result<std::uint64_t> FileSize(const std::string& path) const override;
  Status RenameReplacing(const std::string& from, const std::string& to) override;
  std::string LocalTimestamp() const override;
  Result<std::string> Utf8ToAnsi(std::string_view utf8) const override;
  Result<std::string> AnsiToUtf8(std::string_view ansi) const override;
  Result<std::shared_ptr<CommandWatch>> RunCommand(const std::string& commandLine,
                                                   WindowMode mode) override;
  int FirstBindablePort() const override;
  bool ImageRunning(const std::string& imageName) const override;
  bool PortAccepts(int port) const override;
  Status OpenWebAddress(const std::string& address) override;
  Status OpenFile(const std::string& path) override;

 private:
  std::string programFolder_;
  MainThread* mainThread_ = nullptr;
};

// A path as the program writes it ("/opt/mirvo\rsyncd.conf") in native form
// ("/opt/mirvo/rsyncd.conf").
std::string NativePath(std::string_view path);

// The folder that holds the given executable path, without a trailing "/" except at the root.
std::string FolderOf(std::string_view executablePath);

}  // namespace mirvo
