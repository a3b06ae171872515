#pragma once

#include "components/net/OrbSimpleUDPClient.h"
#include "framework/Events.h"

// The UDP endpoint as a client uses it to find the server: bound to the
// beacon's port, it announces every datagram that is exactly a beacon, with
// the address and port it came from, and ignores all others.
//
// The endpoint's own OnDataAvailable copies a datagram only up to its first
// zero byte, and a beacon has one in its second byte, so the datagrams are
// read here whole, one per read notification, with ReceiveFrom.
class TBeaconListener : public TOrbSimpleUDPClient {
 public:
  using TOrbSimpleUDPClient::TOrbSimpleUDPClient;

  void Dispatch(TMessage& Message) override;

  TEvent<const TUDPEndPoint&> OnBeacon;
};
