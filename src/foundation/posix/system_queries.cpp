#include "foundation/posix/system_queries.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <string>

namespace mirvo {
namespace {

constexpr int kCapNetBindService = 10;
constexpr int kDefaultUnprivilegedStart = 1024;

// The hexadecimal capability mask after "NAME:\t" in /proc/PID/status; 0 when missing.
std::uint64_t CapabilityMask(std::string_view status, std::string_view name) {
  std::size_t at = 0;
  while (at < status.size()) {
    std::size_t end = status.find('\n', at);
    if (end == std::string_view::npos) end = status.size();
    std::string_view line = status.substr(at, end - at);
    at = end + 1;
    if (!line.starts_with(name) || line.size() <= name.size() || line[name.size()] != ':') {
      continue;
    }
    std::string_view value = line.substr(name.size() + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
      value.remove_prefix(1);
    }
    std::uint64_t mask = 0;
    std::from_chars(value.data(), value.data() + value.size(), mask, 16);
    return mask;
  }
  return 0;
}

std::string ReadSmallFile(const char* path) {
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return text;
}

}  // namespace

int FirstBindablePortFrom(bool root, std::string_view status, std::string_view unprivilegedStart) {
  const std::uint64_t bit = std::uint64_t{1} << kCapNetBindService;
  if ((CapabilityMask(status, root ? "CapBnd" : "CapAmb") & bit) != 0) return 0;
  int start = kDefaultUnprivilegedStart;
  while (!unprivilegedStart.empty() &&
         (unprivilegedStart.back() == '\n' || unprivilegedStart.back() == ' ')) {
    unprivilegedStart.remove_suffix(1);
  }
  int value = 0;
  auto [end, error] = std::from_chars(unprivilegedStart.data(),
                                      unprivilegedStart.data() + unprivilegedStart.size(), value);
  if (error == std::errc() && end == unprivilegedStart.data() + unprivilegedStart.size() &&
      !unprivilegedStart.empty() && value >= 0) {
    start = value;
  }
  return start;
}

int FirstBindablePort() {
  return FirstBindablePortFrom(geteuid() == 0, ReadSmallFile("/proc/self/status"),
                               ReadSmallFile("/proc/sys/net/ipv4/ip_unprivileged_port_start"));
}

bool PosixLoopbackSocket::Open() {
  fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  return fd_ >= 0;
}

ConnectStart PosixLoopbackSocket::ConnectToLoopback(std::uint16_t port) {
  const sockaddr_in address{.sin_family = AF_INET,
                            .sin_port = htons(port),
                            .sin_addr = {htonl(INADDR_LOOPBACK)},
                            .sin_zero = {}};
  if (connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    return ConnectStart::Connected;
  }
  return errno == EINPROGRESS ? ConnectStart::Pending : ConnectStart::Failed;
}

bool PosixLoopbackSocket::WaitConnected(int timeoutMs) {
  pollfd writable{fd_, POLLOUT, 0};
  int error = 0;
  socklen_t length = sizeof error;
  return poll(&writable, 1, timeoutMs) == 1 &&
         getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

void PosixLoopbackSocket::Close() {
  close(fd_);
  fd_ = -1;
}

}  // namespace mirvo
