#pragma once

#include <cstdint>

namespace mirvo {

// How a non-blocking TCP connect began.
enum class ConnectStart { Connected, Pending, Failed };

// The few socket calls that differ between the builds, on one socket at a time.
class LoopbackSocket {
 public:
  virtual ~LoopbackSocket() = default;
  // A non-blocking TCP socket; false when none can be had.
  virtual bool Open() = 0;
  virtual ConnectStart ConnectToLoopback(std::uint16_t port) = 0;
  // True when the pending connect completes without error within timeoutMs.
  virtual bool WaitConnected(int timeoutMs) = 0;
  virtual void Close() = 0;
};

// True when 127.0.0.1 accepts a TCP connection on the port within a quarter of a second.
bool LoopbackPortAccepts(LoopbackSocket& socket, int port);

}  // namespace mirvo
