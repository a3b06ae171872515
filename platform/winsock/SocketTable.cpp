#include "platform/winsock/SocketTable.h"

#include <unistd.h>

#include "platform/winsock/ErrorMapping.h"

namespace winsock::detail {

namespace {
// Never destroyed: the library's clean-up at program end still needs it,
// whatever order the statics of other files go in.
std::map<SOCKET, SocketEntry>& gSockets = *new std::map<SOCKET, SocketEntry>();
}  // namespace

SocketEntry* FindSocket(SOCKET s) {
  const auto found = gSockets.find(s);
  return found == gSockets.end() ? nullptr : &found->second;
}

SOCKET AddSocket(int fd, int type) {
  const auto s = static_cast<SOCKET>(fd);
  SocketEntry& entry = gSockets[s];
  entry.fd = fd;
  entry.type = type;
  return s;
}

bool CloseSocket(SOCKET s) {
  const auto found = gSockets.find(s);
  if (found == gSockets.end()) return false;
  found->second.selection.reset();  // stop watching before the descriptor goes
  const int fd = found->second.fd;
  gSockets.erase(found);
  // Linux closes the descriptor even when close reports EINTR: never retry.
  ::close(fd);
  return true;
}

void CloseAllSockets() {
  while (!gSockets.empty())
    CloseSocket(gSockets.begin()->first);
}

int SocketCount() {
  return static_cast<int>(gSockets.size());
}

int Fail(int wsaError) {
  WSASetLastError(wsaError);
  return SOCKET_ERROR;
}

int FailWithErrno(int posixErrno) {
  return Fail(WinsockErrorFromErrno(posixErrno));
}

}  // namespace winsock::detail
