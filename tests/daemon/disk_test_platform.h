#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/fake_platform.h"
#include "support/temp_folder.h"

namespace mirvo::testing {

// A FakePlatform whose files are real: program paths use "\" as on Windows and land under a fresh
// temporary folder, read back with the ordinary file functions. Commands are still only recorded.
// The folder is a base so that it exists before FakePlatform is given its path.
class DiskTestPlatform : private TempFolder, public FakePlatform {
 public:
  DiskTestPlatform() : TempFolder(), FakePlatform(TempFolder::path()) {}

  static std::string Native(const std::string& path) {
    std::string native = path;
    for (char& c : native) {
      if (c == '\\') c = '/';
    }
    return native;
  }

  bool FileExists(const std::string& path) const override {
    struct stat info {};
    return ::stat(Native(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
  }

  Status WriteFileBytes(const std::string& path, std::string_view bytes,
                        FileAccess access) override {
    events.push_back("write " + path);
    mode_t mode = access == FileAccess::Private ? 0600 : 0644;
    int fd = ::open(Native(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) return Failed(path);
    if (access == FileAccess::Private && ::fchmod(fd, 0600) != 0) return FailedClosing(fd, path);
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0) return FailedClosing(fd, path);
      done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) return Failed(path);
    return Status::Ok();
  }

  Result<std::string> ReadFileBytes(const std::string& path) const override {
    std::ifstream in(Native(path), std::ios::binary);
    if (!in) return Error{"无法读取文件“" + path + "”"};
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
  }

  // The bytes of a file under the folder, named relative to it ("rsyncd.conf").
  std::string Read(const std::string& name) const { return ReadAll(Native(folder) + "/" + name); }
  std::filesystem::perms Permissions(const std::string& name) const {
    return std::filesystem::status(Native(folder) + "/" + name).permissions() &
           std::filesystem::perms::all;
  }

 private:
  static Status Failed(const std::string& path) {
    return Error{"无法写入文件“" + path + "”：" + std::strerror(errno)};
  }
  static Status FailedClosing(int fd, const std::string& path) {
    Status failed = Failed(path);
    ::close(fd);
    return failed;
  }
};

}  // namespace mirvo::testing
