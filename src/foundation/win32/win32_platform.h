#pragma once

#include <string>

#include "foundation/main_thread.h"
#include "foundation/platform.h"

namespace mirvo {

// The Windows build's platform: Unicode Win32 calls throughout, the ANSI code page (CP_ACP) only
// for the files the program writes.
class Win32Platform : public Platform {
 public:
  Win32Platform();
  // For tests: a program folder other than the running program's.
  explicit Win32Platform(std::string programFolder);

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

}  // namespace mirvo
