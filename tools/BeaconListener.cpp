#include "tools/BeaconListener.h"

#include <cstdint>

#include "protocol/Beacon.h"

using namespace winsock;

void TBeaconListener::Dispatch(TMessage& Message) {
  const bool readable = Message.Msg == UM_TCPSELECT && WSAGETSELECTERROR(Message.LParam) == 0 &&
                        WSAGETSELECTEVENT(Message.LParam) == FD_READ;
  if (!readable || !Active()) {
    TOrbSimpleUDPClient::Dispatch(Message);  // errors and closing as the endpoint handles them
    return;
  }
  // One datagram: reading it makes the next read notification come at once
  // if more are waiting. Longer ones fail (and are dropped) unread.
  char buffer[kDatagramBufferSize];
  TUDPEndPoint from;
  const int n = ReceiveFrom(from, buffer, sizeof buffer);
  if (n > 0 && IsBeacon(reinterpret_cast<const uint8_t*>(buffer), static_cast<size_t>(n))) {
    OnBeacon(from);
  }
}
