#pragma once

#include <cstdint>
#include <string>

#include "components/net/ComponentLifetime.h"
#include "components/net/OrbSocketTypes.h"
#include "framework/Controls.h"
#include "platform/winsock/Winsock.h"

// One UDP socket bound to a local port on all interfaces, broadcasting
// allowed: sends single datagrams to an endpoint or to the broadcast address
// on its own port, and hands each received datagram, with its sender, to
// OnDataAvailable. A windowed control, whose own window hears the socket's
// notifications: give it a Parent before Open.
class TOrbSimpleUDPClient : public TCustomControl {
 public:
  static constexpr int kDatagramBufferSize = 512;
  // Datagrams one read notification takes at most before it lets other
  // messages run: a peer that keeps sending cannot hold the program up.
  static constexpr int kDatagramsPerPass = 64;

  explicit TOrbSimpleUDPClient(TComponent* AOwner);
  ~TOrbSimpleUDPClient() override;

  // Opens the endpoint, closing it first if it is open.
  void Open();
  void Close();
  bool Active() const { return FSocket != winsock::INVALID_SOCKET; }
  // Closes the endpoint and sets the port for the next Open.
  void SetPort(int Value);
  int Port() const { return FPort; }

  int SendBufferTo(const TUDPEndPoint& endPoint, const char* data, int length);
  int Send(const TUDPEndPoint& endPoint, const char* data, int length) {
    return SendBufferTo(endPoint, data, length);
  }
  int Broadcast(const char* data, int length);
  int ReceiveFrom(TUDPEndPoint& endPoint, char* buffer, int size);
  int Receive(TUDPEndPoint& endPoint, char* buffer, int size) {
    return ReceiveFrom(endPoint, buffer, size);
  }

  uint32_t IpFromString(const std::string& text) const;
  std::string GetLocalIP();

  virtual void DoDataAvailable(const TUDPEndPoint& endPoint, const std::string& data);
  virtual void SocketError(int socket, int errorCode);
  void Dispatch(TMessage& Message) override;

  fnSimpleTCPErrorEvent OnError;
  fnTUDPDataAvailableEvent OnDataAvailable;

 protected:
  void UMTCPSelect(TMessage& Message);
  bool EmptyDatagramWaits();

  winsock::SOCKET FSocket = winsock::INVALID_SOCKET;
  int FPort = 2900;

 private:
  TLifetime FLifetime;
};
