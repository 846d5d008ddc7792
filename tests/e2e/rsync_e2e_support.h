#pragma once

// Helpers of the end-to-end tests that run the real rsync through a staged program folder.
#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/temp_folder.h"
#include "support/wait_until.h"

namespace mirvo::testing {

// A loopback port nobody listens on right now.
inline int FreeLoopbackPort() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

inline bool PortAnswers(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  bool answers = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return answers;
}

struct ProcessEntry {
  int pid = 0;
  int parent = 0;
  char state = '?';
  std::string comm;
  std::string commandLine;  // arguments joined by spaces
};

inline std::vector<ProcessEntry> Processes() {
  std::vector<ProcessEntry> entries;
  for (const auto& dir : std::filesystem::directory_iterator("/proc")) {
    std::string name = dir.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string stat = ReadAll(dir.path().string() + "/stat");
    std::size_t open = stat.find('(');
    std::size_t close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close + 4 > stat.size())
      continue;
    ProcessEntry entry;
    entry.pid = std::stoi(name);
    entry.comm = stat.substr(open + 1, close - open - 1);
    entry.state = stat[close + 2];
    entry.parent = std::atoi(stat.c_str() + close + 4);
    entry.commandLine = ReadAll(dir.path().string() + "/cmdline");
    for (char& c : entry.commandLine) {
      if (c == '\0') c = ' ';
    }
    entries.push_back(entry);
  }
  return entries;
}

// Live processes named rsync.exe whose command line holds the text.
inline int LiveRsyncExe(const std::string& holding = "") {
  int count = 0;
  for (const ProcessEntry& p : Processes()) {
    if (p.comm == "rsync.exe" && p.state != 'Z' &&
        p.commandLine.find(holding) != std::string::npos) {
      ++count;
    }
  }
  return count;
}

// Every regular file under root, by relative path, with its bytes.
inline std::map<std::string, std::string> FilesUnder(const std::string& root) {
  std::map<std::string, std::string> files;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(root, error);
       it != std::filesystem::recursive_directory_iterator(); ++it) {
    if (it->is_regular_file()) {
      files[std::filesystem::relative(it->path(), root).string()] = ReadAll(it->path().string());
    }
  }
  return files;
}

// The relative paths of the files under root, each with its size and whether its bytes equal the
// expected ones: compact enough to print when a comparison fails.
inline std::map<std::string, std::string> Compare(
    const std::map<std::string, std::string>& actual,
    const std::map<std::string, std::string>& expected) {
  std::map<std::string, std::string> summary;
  for (const auto& [name, bytes] : actual) {
    auto it = expected.find(name);
    summary[name] = std::to_string(bytes.size()) + " bytes, " +
                    (it != expected.end() && it->second == bytes ? "same" : "different");
  }
  return summary;
}

inline std::map<std::string, std::string> AllSame(const std::map<std::string, std::string>& files) {
  std::map<std::string, std::string> summary;
  for (const auto& [name, bytes] : files) {
    summary[name] = std::to_string(bytes.size()) + " bytes, same";
  }
  return summary;
}

inline std::string Bytes(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  unsigned x = seed;
  for (char& c : bytes) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 16);
  }
  return bytes;
}

}  // namespace mirvo::testing
