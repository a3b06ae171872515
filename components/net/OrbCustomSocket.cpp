#include "components/net/OrbCustomSocket.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/Streams.h"

using namespace winsock;

namespace {
constexpr int kTcpBufferSize = 0xC80000;  // 12.5 MiB
}

TOrbCustomSocket::TOrbCustomSocket(TComponent* AOwner) : TOrbTimerComponent(AOwner) {}

// The derived destructors have switched the component off already.
TOrbCustomSocket::~TOrbCustomSocket() = default;

void TOrbCustomSocket::Loaded() {
  Watched({LifeToken()}, [&] {
    TOrbTimerComponent::Loaded();
    if (FActive && !ComponentState().Has(csDesigning)) DoActivate();
  });
}

void TOrbCustomSocket::WndProc(TMessage& Message) {
  Watched({LifeToken()}, [&] {
    TOrbTimerComponent::WndProc(Message);
    try {
      Dispatch(Message);
    } catch (const TComponentGone&) {
      throw;
    } catch (...) {
      Application->HandleException(this);
    }
  });
}

void TOrbCustomSocket::Dispatch(TMessage& Message) {
  if (Message.Msg == UM_TCPSELECT) {
    UMTCPSelect(Message);
  } else {
    TOrbTimerComponent::Dispatch(Message);
  }
}

void TOrbCustomSocket::UMTCPSelect(TMessage& Message) {
  const auto s = static_cast<SOCKET>(Message.WParam);
  const int error = WSAGETSELECTERROR(Message.LParam);
  if (error > 10000) {
    SocketError(static_cast<int>(s), error);
    return;
  }
  switch (WSAGETSELECTEVENT(Message.LParam)) {
    case FD_READ:
      ReadHandling(s);
      break;
    case FD_ACCEPT:
    case FD_CONNECT:
      DoConnectAccept();
      break;
    case FD_CLOSE:
      DoClose(static_cast<int>(s));
      break;
    case FD_WRITE:
      // The socket can take more: send what its connection keeps.
      if (TOrbCustomSocket* connection = FindConnection(s)) FlushSendQueue(connection);
      break;
    default:
      break;
  }
}

TOrbCustomSocket* TOrbCustomSocket::FindConnection(SOCKET s) {
  if (FClientList == nullptr) return this;
  for (int i = 0; i < FClientList->Count(); ++i) {
    auto* connection = static_cast<TOrbCustomSocket*>(FClientList->Get(i));
    if (connection->FSocket == s) return connection;
  }
  return nullptr;  // a notification queued before its connection was dropped
}

bool TOrbCustomSocket::BytesWaiting(SOCKET s, u_long& n) {
  if (ioctlsocket(s, FIONREAD, &n) != SOCKET_ERROR) return true;
  SocketError(static_cast<int>(s), WSAGetLastError());
  return false;
}

void TOrbCustomSocket::ReadHandling(SOCKET s) {
  u_long n = 0;
  if (!BytesWaiting(s, n) || n == 0) return;
  TOrbCustomSocket* connection = FindConnection(s);
  if (connection == nullptr) return;
  // A handler may drop the connection; its handling then ends.
  Watched({connection->LifeToken()}, [&] { ReadFrom(connection, s); });
}

void TOrbCustomSocket::ReadFrom(TOrbCustomSocket* connection, SOCKET s) {
  // Once the connection no longer holds the socket (the peer closed it and
  // a handler read that close, or a handler switched the connection off),
  // the notification has nothing left to read.
  const auto socketGone = [&] { return connection->FSocket != s; };

  u_long n = 0;
  while (connection->FPending && connection->FPending->FPendingBuffer != nullptr) {
    if (!BytesWaiting(s, n) || n == 0) return;
    std::shared_ptr<TPendingReceive> pending = connection->FPending;
    const int r = ReceiveFrom(connection, pending->FPendingBuffer + pending->FPendingCount,
                              pending->FPendingSize - pending->FPendingCount, false);
    // A zero-byte read has already been handled as the peer's close there.
    if (r > 0) pending->FPendingCount += r;
    if (socketGone()) return;
    if (pending->FPendingCount < pending->FPendingSize) return;
    // Full: the wait is over, and a wait it interrupted takes what follows.
    pending->FPendingBuffer = nullptr;
    connection->FPending = pending->FOuter;
  }

  if (!BytesWaiting(s, n) || n == 0) return;

  // One pass takes what waited as it began, or kReadPassLimit if more, and
  // then lets other messages run: the notification posted for the rest
  // continues it.
  const uint64_t passStart = connection->FReceivedBytes;
  const uint64_t passLimit = std::max<uint64_t>(n, kReadPassLimit);
  TMemoryStream stream;
  bool handled = false;
  do {
    handled = false;
    DoDataAvailable(connection, static_cast<int>(n), handled);
    if (!handled) ReceiveStreamFrom(connection, &stream, static_cast<int>(n), false);
    if (socketGone()) return;
    if (connection->FReceivedBytes - passStart >= passLimit) break;
    if (!BytesWaiting(s, n)) return;
  } while (n > 0);

  if (!handled) {
    stream.SetPosition(0);
    DoRead(connection, &stream);
  }
}

int TOrbCustomSocket::ReceiveFrom(TOrbCustomSocket* connection, char* buffer, int size, bool wait) {
  if (size <= 0) return 0;  // a zero-byte recv would look like the peer's close
  // What the caller gets if a handler destroys this component or the
  // connection meanwhile: the failure reported, or what the wait received.
  int result = 0;
  std::shared_ptr<TPendingReceive> pending;
  return Watched(
      {LifeToken(), connection->LifeToken()},
      [&] {
        const SOCKET s = connection->FSocket;
        int r = recv(s, buffer, size, 0);
        if (r == 0) {
          DoClose(static_cast<int>(s));
          return 0;
        }
        if (r == SOCKET_ERROR) {
          const int error = WSAGetLastError();
          // Nothing has arrived yet: a waiting receive waits for it.
          if (!wait || error != WSAEWOULDBLOCK) {
            result = SOCKET_ERROR;
            SocketError(static_cast<int>(s), error);
            return SOCKET_ERROR;
          }
          r = 0;
        }
        connection->FReceivedBytes += static_cast<uint64_t>(r);
        if (r == size || !wait) return r;

        // The read handling of later notifications fills the buffer. The
        // waiting state lives on the connection, where that handling looks.
        pending = std::make_shared<TPendingReceive>();
        pending->FPendingBuffer = buffer;
        pending->FPendingSize = size;
        pending->FPendingCount = r;
        pending->FOuter = connection->FPending;
        connection->FPending = pending;
        while (pending->FPendingBuffer != nullptr && FActive &&
               !ComponentState().Has(csDestroying)) {
          CallOut([] { Application->HandleMessage(); });
        }
        // No later notification may write into the caller's buffer.
        pending->FPendingBuffer = nullptr;
        if (connection->FPending == pending) connection->FPending = pending->FOuter;
        return pending->FPendingCount;
      },
      [&] {
        if (!pending) return result;
        pending->FPendingBuffer = nullptr;
        return pending->FPendingCount;
      });
}

int TOrbCustomSocket::ReceiveStreamFrom(TOrbCustomSocket* connection, TStream* stream, int size,
                                        bool wait) {
  if (size <= 0) return 0;
  std::vector<char> buffer(static_cast<size_t>(size));
  const int r = ReceiveFrom(connection, buffer.data(), size, wait);
  if (r > 0) stream->Write(buffer.data(), r);
  return r;
}

int TOrbCustomSocket::SendBufferTo(TOrbCustomSocket* connection, const char* buffer, int length) {
  std::shared_ptr<const std::vector<char>> copy;
  return Watched(
      {LifeToken()}, [&] { return SendShared(connection, buffer, length, &copy); },
      [] { return SOCKET_ERROR; });
}

void TOrbCustomSocket::SetSendQueueLimit(uint32_t Value) {
  FSendQueueLimit = Value;
  if (FClientList == nullptr) return;
  for (int i = 0; i < FClientList->Count(); ++i)
    static_cast<TOrbCustomSocket*>(FClientList->Get(i))->FSendQueueLimit = Value;
}

int TOrbCustomSocket::SendShared(TOrbCustomSocket* connection, const char* buffer, int length,
                                 std::shared_ptr<const std::vector<char>>* sharedCopy) {
  if (connection->FSocket == INVALID_SOCKET || length <= 0) return 0;
  const SOCKET s = connection->FSocket;

  // Keeps the bytes from `offset` on, sharing one copy between connections.
  const auto keep = [&](size_t offset) {
    if (connection->FQueuedBytes + (static_cast<size_t>(length) - offset) >
        connection->FSendQueueLimit) {
      return false;
    }
    if (!*sharedCopy)
      *sharedCopy = std::make_shared<const std::vector<char>>(buffer, buffer + length);
    connection->FSendQueue.push_back({*sharedCopy, offset});
    connection->FQueuedBytes += static_cast<size_t>(length) - offset;
    return true;
  };

  int sent = 0;
  if (connection->FSendQueue.empty()) {
    // Until the socket refuses: only a refusal (would block) re-arms FD_WRITE.
    while (sent < length) {
      const int n = send(s, buffer + sent, length - sent, 0);
      if (n == SOCKET_ERROR) {
        const int error = WSAGetLastError();
        if (error == WSAEWOULDBLOCK) break;
        SocketError(static_cast<int>(s), error);
        return SOCKET_ERROR;
      }
      sent += n;
    }
    if (sent == length) return length;
  }
  // What the socket did not take waits for FD_WRITE, behind what waits already.
  if (!keep(static_cast<size_t>(sent))) {
    SocketError(static_cast<int>(s), WSAENOBUFS);
    return SOCKET_ERROR;
  }
  return length;
}

void TOrbCustomSocket::FlushSendQueue(TOrbCustomSocket* connection) {
  const SOCKET s = connection->FSocket;
  while (!connection->FSendQueue.empty()) {
    TQueuedChunk& chunk = connection->FSendQueue.front();
    const size_t remaining = chunk.bytes->size() - chunk.offset;
    const int ask = static_cast<int>(std::min<size_t>(remaining, 1u << 30));
    const int sent = send(s, chunk.bytes->data() + chunk.offset, ask, 0);
    if (sent == SOCKET_ERROR) {
      const int error = WSAGetLastError();
      if (error != WSAEWOULDBLOCK) SocketError(static_cast<int>(s), error);
      return;  // would block: FD_WRITE comes again when there is room
    }
    chunk.offset += static_cast<size_t>(sent);
    connection->FQueuedBytes -= static_cast<size_t>(sent);
    if (chunk.offset == chunk.bytes->size()) connection->FSendQueue.pop_front();
  }
}

int TOrbCustomSocket::SendStreamTo(TOrbCustomSocket* connection, TStream* stream) {
  if (auto* memory = dynamic_cast<TMemoryStream*>(stream)) {
    return SendBufferTo(connection, static_cast<const char*>(memory->Memory()),
                        static_cast<int>(memory->Size()));
  }
  const int64_t position = stream->Position();
  struct RestorePosition {
    TStream* stream;
    int64_t position;
    ~RestorePosition() { stream->SetPosition(position); }
  } restore{stream, position};
  stream->SetPosition(0);
  const auto size = static_cast<int>(stream->Size());
  std::vector<char> buffer(static_cast<size_t>(std::max(size, 0)));
  stream->ReadBuffer(buffer.data(), size);
  return SendBufferTo(connection, buffer.data(), size);
}

void TOrbCustomSocket::SetupBuffers() {
  int value = 0;
  int length = 4;
  if (getsockopt(FSocket, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<char*>(&value), &length) ==
      SOCKET_ERROR) {
    throw Exception("failure get sndbuf in setsockopt()");
  }
  value = kTcpBufferSize;
  if (setsockopt(FSocket, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&value), 4) ==
      SOCKET_ERROR) {
    throw Exception("failure sndbuf in setsockopt()");
  }
  length = 4;
  if (getsockopt(FSocket, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<char*>(&value), &length) ==
      SOCKET_ERROR) {
    throw Exception("failure get sndbuf in setsockopt()");
  }
  value = kTcpBufferSize;
  if (setsockopt(FSocket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&value), 4) ==
      SOCKET_ERROR) {
    throw Exception("failure broadcast in setsockopt()");
  }
}

void TOrbCustomSocket::PrepareAddress() {
  std::memset(&FAddr, 0, sizeof FAddr);
  FAddr.sin_family = AF_INET;
  FAddr.sin_port = htons(FPort);
}

bool TOrbCustomSocket::ResolveInto(const char* name) {
  FHostEntry = gethostbyname(name);
  if (FHostEntry == nullptr) {
    SocketError(-1, WSAEFAULT);
    return false;
  }
  std::memcpy(&FAddr.sin_addr.s_addr, FHostEntry->h_addr_list[0], 4);
  return true;
}

void TOrbCustomSocket::DoDeactivate() {
  // Every waiting receive ends.
  for (TPendingReceive* pending = FPending.get(); pending; pending = pending->FOuter.get())
    pending->FPendingBuffer = nullptr;
  FSendQueue.clear();
  FQueuedBytes = 0;
  WSAAsyncSelect(FSocket, FWindowHandle, UM_TCPSELECT, 0);
  shutdown(FSocket, SD_BOTH);
  const linger reset{1, 0};
  setsockopt(FSocket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset), sizeof reset);
  if (closesocket(FSocket) == SOCKET_ERROR) {
    SocketError(static_cast<int>(FSocket), WSAGetLastError());
  } else {
    FSocket = INVALID_SOCKET;
  }
}

void TOrbCustomSocket::SocketError(int socket, int errorCode) {
  Watched({LifeToken()}, [&] {
    const std::string text = SocketErrorText(errorCode);
    if (!OnError) throw Exception(text);
    RaiseEvent(OnError, this, socket, errorCode, text);
  });
}

bool TOrbCustomSocket::Running() const {
  return FActive && !ComponentState().Has(csDesigning) && !ComponentState().Has(csLoading);
}

void TOrbCustomSocket::SetActive(bool Value) {
  Watched({LifeToken()}, [&] {
    if (Value == FActive) return;
    FActive = Value;
    if (ComponentState().Has(csDesigning) || ComponentState().Has(csLoading)) return;
    if (Value) {
      DoActivate();
    } else {
      DoDeactivate();
    }
  });
}

// Stores `value` into `field`; a running component is switched off before
// and on again after, so that it reconnects or listens with the new value.
template <typename T>
void TOrbCustomSocket::ChangeAddressPart(T& field, const T& value) {
  Watched({LifeToken()}, [&] {
    const bool restart = Running();
    if (restart) SetActive(false);
    field = value;
    if (restart) SetActive(true);
  });
}

void TOrbCustomSocket::SetHost(const std::string& Value) {
  if (Value == FHost) return;
  if (Running() && !FAllowChangeHostAndPortOnConnection) {
    throw Exception("Cannot change Host while active");
  }
  ChangeAddressPart(FHost, Value);
}

void TOrbCustomSocket::SetPort(uint16_t Value) {
  if (Value == FPort) return;
  if (Running() && !FAllowChangeHostAndPortOnConnection) {
    throw Exception("Cannot change Port while active");
  }
  ChangeAddressPart(FPort, Value);
}

void TOrbCustomSocket::SetLocalHostOnly(bool Value) {
  if (Value == FLocalHostOnly) return;
  ChangeAddressPart(FLocalHostOnly, Value);
}

u_long TOrbCustomSocket::GetIP() {
  return inet_addr(FHost.c_str());
}

void TOrbCustomSocket::SetIP(int32_t Value) {
  in_addr address{static_cast<uint32_t>(Value)};
  SetHost(inet_ntoa(address));
}

std::string TOrbCustomSocket::GetLocalHostName() {
  return LocalHostNameText();
}

std::string TOrbCustomSocket::GetLocalIP() {
  return LocalIPText();
}
