// Start-up, clean-up and the last error of the Winsock layer.

#include <cstring>

#include "platform/winsock/SocketTable.h"
#include "platform/winsock/Winsock.h"

namespace winsock {

namespace {
int gStartups = 0;
int gLastError = 0;
bool gProcessEnding = false;
}  // namespace

namespace detail {
bool Started() {
  return gStartups > 0;
}
bool ProcessEnding() {
  return gProcessEnding;
}
}  // namespace detail

void ReleaseSelectionsAtExit() {
  gProcessEnding = true;
}

int WSAStartup(WORD versionRequested, WSADATA* data) {
  const int major = versionRequested & 0xFF;
  const int minor = versionRequested >> 8;
  if (major < 1 || (major == 1 && minor < 1)) return WSAVERNOTSUPPORTED;
  if (data == nullptr) return WSAEFAULT;
  std::memset(data, 0, sizeof *data);
  // We speak 1.1 and 2.2; a request in between gets what it asked for.
  data->wVersion = (major > 2 || (major == 2 && minor > 2)) ? WORD{0x0202} : versionRequested;
  data->wHighVersion = 0x0202;
  std::strcpy(data->szDescription, "Scrivlo Winsock over POSIX sockets");
  std::strcpy(data->szSystemStatus, "Running");
  data->iMaxSockets = 32767;
  data->iMaxUdpDg = 65467;
  ++gStartups;
  return 0;
}

int WSACleanup() {
  if (gStartups == 0) return detail::Fail(WSANOTINITIALISED);
  // The last clean-up ends every socket still open, as Winsock does.
  if (--gStartups == 0) detail::CloseAllSockets();
  return 0;
}

int WSAGetLastError() {
  return gLastError;
}
void WSASetLastError(int error) {
  gLastError = error;
}

int OpenSocketCount() {
  return detail::SocketCount();
}

}  // namespace winsock
