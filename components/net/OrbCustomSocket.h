#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "components/net/ComponentLifetime.h"
#include "components/net/OrbSocketTypes.h"
#include "components/net/OrbTimerComponent.h"
#include "platform/winsock/Winsock.h"

class TStream;

// Abstract base of the TCP server and client. Holds one TCP socket with its
// address and an active switch, turns the socket notifications posted to the
// hidden window into virtual calls, sends and receives on a connection (the
// component itself for a client, one connection object per accepted socket
// for a server), and reports every failure through SocketError.
class TOrbCustomSocket : public TOrbTimerComponent {
 public:
  // Unsent bytes a connection may hold before it is dropped (see SendBufferTo).
  static constexpr uint32_t kDefaultSendQueueLimit = 32u << 20;
  // Bytes one read notification takes off a connection at the least before
  // it lets other messages run; more when more waited as it began.
  static constexpr uint32_t kReadPassLimit = 4u << 20;

  explicit TOrbCustomSocket(TComponent* AOwner);
  ~TOrbCustomSocket() override;

  void Loaded() override;
  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;

  virtual void SocketError(int socket, int errorCode);
  virtual void SetActive(bool Value);
  virtual void SetHost(const std::string& Value);
  virtual void SetLocalHostOnly(bool Value);
  virtual void SetPort(uint16_t Value);
  virtual void DoActivate() = 0;
  virtual void DoDeactivate();
  virtual void DoConnectAccept() = 0;
  virtual void DoClose(int socket) = 0;
  virtual void DoDataAvailable(TOrbCustomSocket* connection, int count, bool& handled) = 0;
  virtual void DoRead(TOrbCustomSocket* connection, TStream* stream) = 0;

  // Sends the whole buffer on the connection, in order with what was sent
  // before. What the socket cannot take now is kept and sent as it becomes
  // writable; returns `length`, or -1 after a reported failure.
  int SendBufferTo(TOrbCustomSocket* connection, const char* buffer, int length);
  int SendStreamTo(TOrbCustomSocket* connection, TStream* stream);
  // Receives up to `size` bytes; with `wait`, lets the application process
  // messages until the buffer is full or the component is switched off.
  int ReceiveFrom(TOrbCustomSocket* connection, char* buffer, int size, bool wait);
  int ReceiveStreamFrom(TOrbCustomSocket* connection, TStream* stream, int size, bool wait);

  winsock::u_long GetIP();
  void SetIP(int32_t Value);
  std::string GetLocalHostName();
  std::string GetLocalIP();

  bool AllowChangeHostAndPortOnConnection() const { return FAllowChangeHostAndPortOnConnection; }
  void SetAllowChangeHostAndPortOnConnection(bool Value) {
    FAllowChangeHostAndPortOnConnection = Value;
  }
  const std::string& Host() const { return FHost; }
  uint16_t Port() const { return FPort; }
  bool LocalHostOnly() const { return FLocalHostOnly; }
  bool Active() const { return FActive; }
  winsock::SOCKET Socket() const { return FSocket; }

  uint32_t SendQueueLimit() const { return FSendQueueLimit; }
  // A server's limit holds for each of its connections, present and future.
  void SetSendQueueLimit(uint32_t Value);
  // Bytes given to SendBufferTo that the socket has not taken yet.
  size_t QueuedBytes() const { return FQueuedBytes; }

  fnSimpleTCPErrorEvent OnError;

 protected:
  // The state of a waiting receive, shared with the waiting call so that it
  // outlives a connection dropped while the call waits.
  struct TPendingReceive {
    char* FPendingBuffer = nullptr;  // null once the wait is over
    int FPendingCount = 0;
    int FPendingSize = 0;
    // A wait on the same connection that this one interrupted (started by a
    // message that the outer wait let run): it is filled again once this
    // one is over.
    std::shared_ptr<TPendingReceive> FOuter;
  };

  void UMTCPSelect(TMessage& Message);
  // Gives a new TCP socket its 12.5 MiB send and receive buffers.
  void SetupBuffers();
  // Puts the first address of `name` into FAddr; false after reporting
  // "Bad address" (socket -1) when the name does not resolve.
  bool ResolveInto(const char* name);
  // FAddr made afresh: IPv4, FPort, no address yet.
  void PrepareAddress();
  // Switched on, and neither designed nor loading: a change of address
  // takes effect only by switching off and on again.
  bool Running() const;
  // Sends what the connection keeps, as far as the socket takes it.
  void FlushSendQueue(TOrbCustomSocket* connection);
  // What watches this component (see ComponentLifetime.h).
  TLifeToken LifeToken() const { return FLifetime.Token(); }

  bool FActive = false;
  bool FAllowChangeHostAndPortOnConnection = false;
  std::string FHost;
  uint16_t FPort = 0;
  winsock::SOCKET FSocket = winsock::INVALID_SOCKET;
  bool FLocalHostOnly = false;
  std::shared_ptr<TPendingReceive> FPending;
  winsock::sockaddr_in FAddr{};
  winsock::hostent* FHostEntry = nullptr;

 private:
  template <typename T>
  void ChangeAddressPart(T& field, const T& value);
  void ReadHandling(winsock::SOCKET s);
  void ReadFrom(TOrbCustomSocket* connection, winsock::SOCKET s);
  // FIONREAD of `s` into `n`; false after reporting its failure.
  bool BytesWaiting(winsock::SOCKET s, winsock::u_long& n);
  TOrbCustomSocket* FindConnection(winsock::SOCKET s);
  int SendShared(TOrbCustomSocket* connection, const char* buffer, int length,
                 std::shared_ptr<const std::vector<char>>* sharedCopy);
  friend class TOrbSimpleTCPServer;

  // Bytes waiting to be sent, in order: each chunk shares its bytes, so one
  // broadcast copies a message once however many connections keep it.
  struct TQueuedChunk {
    std::shared_ptr<const std::vector<char>> bytes;
    size_t offset;
  };
  std::deque<TQueuedChunk> FSendQueue;
  size_t FQueuedBytes = 0;
  uint32_t FSendQueueLimit = kDefaultSendQueueLimit;
  // Every byte received on this connection: how a read pass measures itself.
  uint64_t FReceivedBytes = 0;
  TLifetime FLifetime;
};
