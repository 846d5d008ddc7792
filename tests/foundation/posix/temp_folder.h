#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace mirvo::testing {

// A fresh folder under /tmp, removed with everything in it at the end of the test.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = "/tmp/mirvo-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  // Writes a file, optionally executable, and returns its path.
  std::string Write(const std::string& name, const std::string& bytes, mode_t mode = 0644) const {
    std::string file = *this / name;
    std::ofstream(file, std::ios::binary) << bytes;
    chmod(file.c_str(), mode);
    return file;
  }

 private:
  std::string path_;
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline mode_t ModeOf(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

}  // namespace mirvo::testing
