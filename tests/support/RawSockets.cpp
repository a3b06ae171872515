#include "tests/support/RawSockets.h"

#include <vector>

using namespace winsock;

namespace raw {

namespace {
sockaddr_in Loopback(u_short port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = static_cast<uint32_t>(htonl(INADDR_LOOPBACK));
  return address;
}
}  // namespace

SOCKET Listen(u_short port) {
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  const sockaddr_in address = Loopback(port);
  if (bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(s, 128) != 0) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  return s;
}

u_short PortOf(SOCKET s) {
  sockaddr_in address{};
  int length = sizeof address;
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

SOCKET Connect(u_short port) {
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  const sockaddr_in address = Loopback(port);
  if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  return s;
}

SOCKET Accept(SOCKET listener) {
  return accept(listener, nullptr, nullptr);
}

void SetNonBlocking(SOCKET s) {
  u_long on = 1;
  ioctlsocket(s, FIONBIO, &on);
}

void Reset(SOCKET s) {
  const linger abort{1, 0};
  setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
  closesocket(s);
}

std::string Drain(SOCKET s) {
  std::string received;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const int n = recv(s, buffer.data(), static_cast<int>(buffer.size()), 0);
    if (n <= 0) break;
    received.append(buffer.data(), static_cast<size_t>(n));
  }
  return received;
}

u_short UnusedPort() {
  const SOCKET s = Listen(0);
  const u_short port = PortOf(s);
  closesocket(s);
  return port;
}

}  // namespace raw
