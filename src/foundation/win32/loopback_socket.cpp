#include "foundation/win32/loopback_socket.h"

#include <winsock2.h>

namespace mirvo::win32 {

bool Win32LoopbackSocket::Open() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) return false;
  socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket_ == INVALID_SOCKET) return false;
  u_long nonBlocking = 1;
  ioctlsocket(socket_, FIONBIO, &nonBlocking);
  return true;
}

ConnectStart Win32LoopbackSocket::ConnectToLoopback(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    return ConnectStart::Connected;
  }
  return WSAGetLastError() == WSAEWOULDBLOCK ? ConnectStart::Pending : ConnectStart::Failed;
}

bool Win32LoopbackSocket::WaitConnected(int timeoutMs) {
  // A refused connect shows in the exception set, not as writable.
  fd_set writable;
  fd_set failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(socket_, &writable);
  FD_SET(socket_, &failed);
  timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  return select(0, nullptr, &writable, &failed, &wait) > 0 && FD_ISSET(socket_, &writable) &&
         !FD_ISSET(socket_, &failed);
}

void Win32LoopbackSocket::Close() {
  closesocket(socket_);
  socket_ = INVALID_SOCKET;
}

}  // namespace mirvo::win32
