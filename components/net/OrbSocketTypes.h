#pragma once

#include <cstdint>
#include <string>

#include "framework/Events.h"
#include "framework/Messages.h"

class TStream;
class TOrbSimpleTCPClient;

// The socket notification message of every socket component.
constexpr UINT UM_TCPSELECT = WM_USER + 1;

// The error event of the whole socket library: Sender, socket (-1 when there
// is none), ErrorCode (a Winsock code), ErrorMsg (its text).
using fnSimpleTCPErrorEvent = TEvent<TObject*, int, int, const std::string&>;

// Server events.
using fnSimpleTCPAcceptEvent = TEvent<TObject*, TOrbSimpleTCPClient*, bool&>;
using fnSimpleTCPServerEvent = TEvent<TObject*, TOrbSimpleTCPClient*>;
using fnSimpleTCPServerDataAvailEvent = TEvent<TObject*, TOrbSimpleTCPClient*, int>;
using fnSimpleTCPServerIOEvent = TEvent<TObject*, TOrbSimpleTCPClient*, TStream*>;

// Client events.
using fnSimpleTCPClientDataAvailEvent = TEvent<TObject*, int>;
using fnSimpleTCPClientIOEvent = TEvent<TObject*, TStream*>;

// A UDP peer: IPv4 address in network byte order, port in host byte order.
struct TUDPEndPoint {
  uint32_t IP = 0;
  int32_t Port = 0;
};
using fnTUDPDataAvailableEvent = TEvent<const TUDPEndPoint&, const std::string&>;

// The text for a Winsock error code; "Not a WinSock error ?" for others.
const char* SocketErrorText(int errorCode);

// The local host's name (gethostname, 260 bytes), or empty.
std::string LocalHostNameText();
// Dotted text of the first address of the local host's name, or empty.
std::string LocalIPText();
