#pragma once

#include "components/net/OrbCustomSocket.h"

// Connects to one TCP server without blocking: the connect starts, the call
// returns, and an event tells the outcome. Failed attempts are retried every
// AutoReconnectInterval; a lost connection is retried at once with
// AutoReconnect. Also the connection object of the TCP server.
class TOrbSimpleTCPClient : public TOrbCustomSocket {
 public:
  explicit TOrbSimpleTCPClient(TComponent* AOwner);
  ~TOrbSimpleTCPClient() override;

  void Connect() { SetActive(true); }
  void Disconnect() { SetActive(false); }
  bool GetConnected() const;

  int Send(const char* buffer, int length) { return SendBufferTo(this, buffer, length); }
  int SendStream(TStream* stream) { return SendStreamTo(this, stream); }
  int Receive(char* buffer, int size, bool wait) { return ReceiveFrom(this, buffer, size, wait); }
  bool ReceiveHard(char* buffer, int size) { return ReceiveFrom(this, buffer, size, true) == size; }
  int ReceiveStream(TStream* stream, int size, bool wait) {
    return ReceiveStreamFrom(this, stream, size, wait);
  }
  bool ReceiveStreamHard(TStream* stream, int size) {
    return ReceiveStreamFrom(this, stream, size, true) == size;
  }

  bool AutoReconnect() const { return FAutoReconnect; }
  void SetAutoReconnect(bool Value) { FAutoReconnect = Value; }
  int AutoReconnectInterval() const { return FMonitorInterval; }
  void SetAutoReconnectInterval(int Value) { SetMonitorInterval(Value); }

  virtual void DoConnectionLost();

  void SetActive(bool Value) override;
  void SocketError(int socket, int errorCode) override;
  void DoActivate() override;
  void DoDeactivate() override;
  void DoConnectAccept() override;
  void DoClose(int socket) override;
  void DoDataAvailable(TOrbCustomSocket* connection, int count, bool& handled) override;
  void DoRead(TOrbCustomSocket* connection, TStream* stream) override;
  void DoTimer() override;

  TNotifyEvent OnConnected;
  TNotifyEvent OnDisconnected;
  TNotifyEvent OnConnectionLost;
  TNotifyEvent PreAttemptConnect;
  fnSimpleTCPClientDataAvailEvent OnDataAvailable;
  fnSimpleTCPClientIOEvent OnRead;

 protected:
  bool FAutoReconnect = false;
  bool FConnected = false;

 private:
  friend class TOrbSimpleTCPServer;
  // Set by the server, so that a dropped connection can be told from a new
  // one at the same address.
  uint64_t FSerial = 0;
};
