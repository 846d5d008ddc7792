#pragma once

#include <cstdint>

#include "foundation/loopback_probe.h"

namespace mirvo::win32 {

// The loopback probe's socket calls on Winsock.
class Win32LoopbackSocket final : public LoopbackSocket {
 public:
  bool Open() override;
  ConnectStart ConnectToLoopback(std::uint16_t port) override;
  bool WaitConnected(int timeoutMs) override;
  void Close() override;

 private:
  std::uintptr_t socket_ = ~std::uintptr_t{0};  // a SOCKET; INVALID_SOCKET when none
};

}  // namespace mirvo::win32
