#pragma once

#include <string>
#include <vector>

#include "components/net/OrbCustomSocket.h"
#include "components/net/OrbSimpleTCPClient.h"
#include "components/net/ProofList.h"

// Listens on one TCP port, keeps every accepted connection as a
// TOrbSimpleTCPClient in its client list (which it owns), raises events for
// connections, data and disconnections, and sends to one connection or all.
class TOrbSimpleTCPServer : public TOrbCustomSocket {
 public:
  explicit TOrbSimpleTCPServer(TComponent* AOwner);
  ~TOrbSimpleTCPServer() override;

  bool Listen() const { return FActive; }
  void SetListen(bool Value) { SetActive(Value); }
  std::string LocalHostName() { return GetLocalHostName(); }
  std::string LocalIP() { return GetLocalIP(); }
  void SetNoneStr(const std::string&) {}

  int ClientCount() const { return FClientList->Count(); }
  TOrbSimpleTCPClient* Client(int index) const {
    return static_cast<TOrbSimpleTCPClient*>(FClientList->Get(index));
  }

  int Send(TOrbSimpleTCPClient* client, const char* buffer, int length) {
    return SendBufferTo(client, buffer, length);
  }
  int SendStream(TOrbSimpleTCPClient* client, TStream* stream) {
    return SendStreamTo(client, stream);
  }
  // The buffer to every connection: each one that is still connected after
  // the pass has had it exactly once. One copy at most is kept for all.
  void Broadcast(const char* buffer, int length);
  void BroadcastStream(TStream* stream);
  int Receive(TOrbSimpleTCPClient* client, char* buffer, int size, bool wait) {
    return ReceiveFrom(client, buffer, size, wait);
  }
  bool ReceiveHard(TOrbSimpleTCPClient* client, char* buffer, int size) {
    return ReceiveFrom(client, buffer, size, true) == size;
  }
  int ReceiveStream(TOrbSimpleTCPClient* client, TStream* stream, int size, bool wait) {
    return ReceiveStreamFrom(client, stream, size, wait);
  }
  bool ReceiveStreamHard(TOrbSimpleTCPClient* client, TStream* stream, int size) {
    return ReceiveStreamFrom(client, stream, size, true) == size;
  }
  int AnonBroadcast(const char* buffer, const int& length);

  void SocketError(int socket, int errorCode) override;
  void DoActivate() override;
  void DoDeactivate() override;
  void DoConnectAccept() override;
  void DoClose(int socket) override;
  void DoDataAvailable(TOrbCustomSocket* connection, int count, bool& handled) override;
  void DoRead(TOrbCustomSocket* connection, TStream* stream) override;
  void DoTimer() override;
  // Holds back the notifications of a socket still being offered to OnAccept.
  void Dispatch(TMessage& Message) override;

  fnSimpleTCPAcceptEvent OnAccept;
  fnSimpleTCPServerEvent OnClientConnected;
  fnSimpleTCPServerEvent OnClientDisconnected;
  fnSimpleTCPServerDataAvailEvent OnClientDataAvailable;
  fnSimpleTCPServerIOEvent OnClientRead;

  // How long accepting pauses when the process has run out of descriptors.
  static constexpr int kAcceptRetryInterval = 100;

 private:
  friend class TOrbSimpleTCPClient;
  TProofList* ClientList() const { return static_cast<TProofList*>(FClientList); }
  // A connection object destroyed by the program leaves the list.
  void Forget(TOrbSimpleTCPClient* connection);
  void DropConnection(TOrbSimpleTCPClient* connection);
  void PauseAccepting();
  template <typename SendOne>
  void SendToAll(SendOne sendOne);
  // The offer of `offered` to OnAccept is over: the notifications held for it.
  std::vector<TMessage> EndOffer(winsock::SOCKET offered);

  uint64_t FNextSerial = 1;
  bool FAcceptPaused = false;
  bool FAcceptFailureReported = false;
  // Sockets being offered to OnAccept, and the notifications held for them.
  std::vector<winsock::SOCKET> FOffered;
  std::vector<TMessage> FHeld;
};
