#pragma once

// The socket component library: the TCP server and client, the UDP endpoint
// and what they share. Winsock is started once for the whole program when
// the library is loaded, and cleaned up when the program ends.

#include "components/net/OrbCustomSocket.h"
#include "components/net/OrbSimpleTCPClient.h"
#include "components/net/OrbSimpleTCPServer.h"
#include "components/net/OrbSimpleUDPClient.h"
#include "components/net/OrbSocketTypes.h"
#include "components/net/OrbTimerComponent.h"

// Each unit of the library has its own Register, in a namespace named after
// the unit.
namespace orb_TCPIP1 {
// Places the TCP server and client on the palette page "Corvane".
void Register();
}  // namespace orb_TCPIP1
