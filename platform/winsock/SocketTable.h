#pragma once

// Internal to the Winsock layer: the sockets it has handed out. A SOCKET is
// the descriptor's number, valid only while it is in this table, so that a
// closed or never-created socket fails with WSAENOTSOCK as Winsock's does.

#include <map>
#include <memory>
#include <optional>

#include "platform/winsock/AsyncSelection.h"
#include "platform/winsock/Winsock.h"

namespace winsock::detail {

struct SocketEntry {
  int fd = -1;
  int type = SOCK_STREAM;
  bool listening = false;
  bool connecting = false;  // a non-blocking connect not yet complete
  bool connected = false;
  // Directions closed by shutdown: Winsock then fails the call with
  // WSAESHUTDOWN where Linux answers EPIPE or a silent 0.
  bool sendShut = false;
  bool receiveShut = false;
  // The reset (or other failure) that ended a connection, as a Winsock code.
  // Linux reports it once; Winsock repeats it to every later recv and send.
  int connectionError = 0;
  // The outcome of a non-blocking connect that no registration watched,
  // kept for SO_ERROR once it is known.
  int connectOutcome = 0;
  // Buffer sizes as the program set them: Winsock reads them back so,
  // where Linux doubles (and caps) them.
  std::optional<int> sendBuffer;
  std::optional<int> receiveBuffer;
  // The WSAAsyncSelect registration, if any. Destroyed before the
  // descriptor is closed, so the event loop never watches a closed one.
  std::unique_ptr<AsyncSelection> selection;
};

SocketEntry* FindSocket(SOCKET s);
// Registers a new descriptor and returns its SOCKET.
SOCKET AddSocket(int fd, int type);
// Unregisters and closes; false when the close failed.
bool CloseSocket(SOCKET s);
void CloseAllSockets();
int SocketCount();

bool Started();
bool ProcessEnding();
// Sets the last error and returns SOCKET_ERROR, for one-line failure paths.
int Fail(int wsaError);
int FailWithErrno(int posixErrno);

}  // namespace winsock::detail
