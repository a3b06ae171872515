#pragma once

#include <string>

#include "platform/winsock/Winsock.h"

// Plain blocking sockets on 127.0.0.1, the far side of the components under
// test. Winsock is started by the component library itself.
namespace raw {

winsock::SOCKET Listen(winsock::u_short port = 0);
winsock::u_short PortOf(winsock::SOCKET s);
// A connected client; INVALID_SOCKET on failure.
winsock::SOCKET Connect(winsock::u_short port);
winsock::SOCKET Accept(winsock::SOCKET listener);
void SetNonBlocking(winsock::SOCKET s);
// Closes with a reset instead of an orderly close.
void Reset(winsock::SOCKET s);
// Reads what is there now without waiting (the socket must be non-blocking).
std::string Drain(winsock::SOCKET s);
// A closed port: bound once, then released.
winsock::u_short UnusedPort();

}  // namespace raw
