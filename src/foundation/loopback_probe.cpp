#include "foundation/loopback_probe.h"

namespace mirvo {

bool LoopbackPortAccepts(LoopbackSocket& socket, int port) {
  // Long enough for a daemon on this machine to answer, short enough for a window to wait on.
  constexpr int kTimeoutMs = 250;
  if (port <= 0 || port > 65535 || !socket.Open()) return false;
  ConnectStart start = socket.ConnectToLoopback(static_cast<std::uint16_t>(port));
  bool accepted = start == ConnectStart::Connected ||
                  (start == ConnectStart::Pending && socket.WaitConnected(kTimeoutMs));
  socket.Close();
  return accepted;
}

}  // namespace mirvo
