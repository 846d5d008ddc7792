#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace mirvo::testing {

// Paths as UTF-8 text, as the program's strings are, on both builds.
inline std::filesystem::path Utf8Path(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}
inline std::string Utf8Text(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// A fresh folder under the system's temporary folder, removed with everything in it at the end of
// the test. Its path is UTF-8 text with the system's separators.
class TempFolder {
 public:
  TempFolder() {
    namespace fs = std::filesystem;
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
      fs::path candidate = fs::temp_directory_path() / ("mirvo-test-" + std::to_string(random()));
      std::error_code error;
      if (fs::create_directory(candidate, error)) {
        path_ = Utf8Text(candidate);
        return;
      }
    }
    throw std::runtime_error("no fresh temporary folder");
  }
  ~TempFolder() {
    namespace fs = std::filesystem;
    std::error_code ignored;
    // A test may have made the folder read-only to see a write fail.
    fs::permissions(Utf8Path(path_), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(Utf8Path(path_), ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const {
    return Utf8Text(Utf8Path(path_) / Utf8Path(name));
  }

  // Writes a file with the permission bits given as on POSIX (0755 makes it executable) and
  // returns its path.
  std::string Write(const std::string& name, const std::string& bytes, int mode = 0644) const {
    const std::string file = *this / name;
    std::ofstream(Utf8Path(file), std::ios::binary) << bytes;
    std::filesystem::permissions(Utf8Path(file), static_cast<std::filesystem::perms>(mode));
    return file;
  }

 private:
  std::string path_;
};

// What the file holds, or what could be read of it: a /proc file of a process that ends while it is
// read fails in the middle, which the stream turns into its bad state rather than an exception.
inline std::string ReadAll(const std::string& path) {
  std::ifstream in(Utf8Path(path), std::ios::binary);
  std::string text;
  char chunk[4096];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    text.append(chunk, static_cast<std::size_t>(in.gcount()));
  }
  return text;
}

// The permission bits of a file as POSIX writes them (0600), or 0 when it is not there.
inline unsigned ModeOf(const std::string& path) {
  std::error_code error;
  std::filesystem::file_status status = std::filesystem::status(Utf8Path(path), error);
  if (error || !std::filesystem::exists(status)) return 0;
  return static_cast<unsigned>(status.permissions() & std::filesystem::perms::mask);
}

}  // namespace mirvo::testing
