#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "foundation/ansi_code_page.h"
#include "foundation/platform.h"
#include "support/fake_watch.h"

namespace mirvo::testing {

struct StoredFile {
  std::string bytes;
  FileAccess access = FileAccess::Normal;
};

// Records files and command lines in memory, in the order they happen. Conversion uses the build's
// real ANSI code page.
class FakePlatform : public Platform {
 public:
  explicit FakePlatform(std::string programFolder = "D:\\Tools\\Sync")
      : folder(std::move(programFolder)) {}

  std::string ProgramFolder() const override { return folder; }
  bool FileExists(const std::string& path) const override {
    return files.count(path) != 0 && hidden.count(path) == 0;
  }
  Status WriteFileBytes(const std::string& path, std::string_view bytes,
                        FileAccess access) override {
    events.push_back("write " + path);
    if (unwritable.count(path) != 0) {
      return Error{"无法写入文件“" + path + "”：拒绝访问"};
    }
    if (!vanishAfterWrite.count(path)) files[path] = StoredFile{std::string(bytes), access};
    return Status::Ok();
  }
  Result<std::string> ReadFileBytes(const std::string& path) const override {
    auto it = files.find(path);
    if (it == files.end()) return Error{"无法读取文件“" + path + "”：文件不存在"};
    return it->second.bytes;
  }
  Status AppendFileBytes(const std::string& path, std::string_view bytes) override {
    events.push_back("append " + path);
    if (unwritable.count(path) != 0) {
      return Error{"无法写入文件“" + path + "”：拒绝访问"};
    }
    files[path].bytes += bytes;
    return Status::Ok();
  }
  Result<std::uint64_t> FileSize(const std::string& path) const override {
    if (unreadable.count(path) != 0) return Error{"无法读取文件“" + path + "”：拒绝访问"};
    auto it = files.find(path);
    return std::uint64_t{it == files.end() ? 0 : it->second.bytes.size()};
  }
  Status RenameReplacing(const std::string& from, const std::string& to) override {
    events.push_back("rename " + from + " " + to);
    auto it = files.find(from);
    if (it == files.end() || unwritable.count(to) != 0) {
      return Error{"无法把文件“" + from + "”改名为“" + to + "”：拒绝访问"};
    }
    files[to] = it->second;
    files.erase(from);
    return Status::Ok();
  }
  std::string LocalTimestamp() const override { return timestamp; }
  Result<std::string> Utf8ToAnsi(std::string_view utf8) const override { return EncodeAnsi(utf8); }
  Result<std::string> AnsiToUtf8(std::string_view ansi) const override { return DecodeAnsi(ansi); }
  Result<std::shared_ptr<CommandWatch>> RunCommand(const std::string& commandLine,
                                                   WindowMode mode) override {
    events.push_back(std::string(mode == WindowMode::Hidden ? "run hidden " : "run normal ") +
                     commandLine);
    commands.push_back({commandLine, mode});
    if (failCommands) return Error{"无法启动命令：测试"};
    auto watch = std::make_shared<FakeWatch>();
    watches.push_back(watch);
    return std::shared_ptr<CommandWatch>(watch);
  }
  int FirstBindablePort() const override { return firstBindablePort; }
  bool ImageRunning(const std::string& imageName) const override {
    return runningImages.count(imageName) != 0;
  }
  bool PortAccepts(int port) const override { return acceptingPorts.count(port) != 0; }
  Status OpenWebAddress(const std::string& address) override {
    events.push_back("open " + address);
    return Status::Ok();
  }
  Status OpenFile(const std::string& path) override {
    events.push_back("open file " + path);
    return Status::Ok();
  }

  struct Command {
    std::string line;
    WindowMode mode;
  };

  std::string folder;
  std::map<std::string, StoredFile> files;
  std::set<std::string> hidden;            // found by nobody, like a hidden file
  std::set<std::string> unwritable;        // writes fail, as in a read-only folder
  std::set<std::string> vanishAfterWrite;  // writes "succeed" but the file is not found after
  std::set<std::string> unreadable;        // its size cannot be read
  std::string timestamp = "2026-12-09T20:01:02+08:00";
  bool failCommands = false;
  int firstBindablePort = 0;            // as for root or on Windows
  std::set<std::string> runningImages;  // image names ImageRunning reports, e.g. "rsync.exe"
  std::set<int> acceptingPorts;         // loopback ports PortAccepts reports
  std::vector<std::string> events;      // writes, appends, renames, runs and opens, in order
  std::vector<Command> commands;
  std::vector<std::shared_ptr<FakeWatch>> watches;
};

}  // namespace mirvo::testing
