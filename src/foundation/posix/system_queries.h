#pragma once

#include <string_view>

#include "foundation/loopback_probe.h"

namespace mirvo {

// The lowest port a program started now may listen on, from what /proc tells: whether it runs as
// root, this process's /proc/self/status (its capability sets) and the text of
// /proc/sys/net/ipv4/ip_unprivileged_port_start (empty when unreadable: then 1024).
// CAP_NET_BIND_SERVICE reaches a started program only through the bounding set for root, and
// through the ambient set for anyone else.
int FirstBindablePortFrom(bool root, std::string_view status, std::string_view unprivilegedStart);

// The same for this process, read from /proc.
int FirstBindablePort();

// The loopback probe's socket calls on POSIX sockets.
class PosixLoopbackSocket final : public LoopbackSocket {
 public:
  bool Open() override;
  ConnectStart ConnectToLoopback(std::uint16_t port) override;
  bool WaitConnected(int timeoutMs) override;
  void Close() override;

 private:
  int fd_ = -1;
};

}  // namespace mirvo
