#include "components/net/OrbSimpleUDPClient.h"

#include "framework/Exceptions.h"

using namespace winsock;

TOrbSimpleUDPClient::TOrbSimpleUDPClient(TComponent* AOwner) : TCustomControl(AOwner) {}

TOrbSimpleUDPClient::~TOrbSimpleUDPClient() {
  Destroying();
  Close();
}

void TOrbSimpleUDPClient::Open() {
  if (ComponentState().Has(csDesigning)) return;
  Close();  // an open socket would keep its port and registration for good
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<u_short>(FPort & 0xFFFF));
  local.sin_addr.s_addr = INADDR_ANY;

  FSocket = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (FSocket == INVALID_SOCKET) {
    SocketError(-1, WSAGetLastError());
    return;
  }
  const int on = 1;
  if (setsockopt(FSocket, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), 4) ==
      SOCKET_ERROR) {
    throw Exception("failure reuse in setsockopt()");
  }
  if (setsockopt(FSocket, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), 4) ==
      SOCKET_ERROR) {
    throw Exception("failure broadcast in setsockopt()");
  }
  if (WSAAsyncSelect(FSocket, Handle(), UM_TCPSELECT, FD_READ | FD_CLOSE) != 0) {
    SocketError(static_cast<int>(FSocket), WSAGetLastError());
    return;
  }
  if (bind(FSocket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    SocketError(static_cast<int>(FSocket), WSAGetLastError());
  }
}

void TOrbSimpleUDPClient::Close() {
  if (!Active()) return;
  WSAAsyncSelect(FSocket, HandleAllocated() ? Handle() : nullptr, 0, 0);
  shutdown(FSocket, SD_BOTH);
  closesocket(FSocket);
  FSocket = INVALID_SOCKET;
}

void TOrbSimpleUDPClient::SetPort(int Value) {
  Close();
  FPort = Value;
}

int TOrbSimpleUDPClient::SendBufferTo(const TUDPEndPoint& endPoint, const char* data, int length) {
  if (!Active()) return 0;
  sockaddr_in destination{};
  destination.sin_family = AF_INET;
  destination.sin_port = htons(static_cast<u_short>(endPoint.Port & 0xFFFF));
  destination.sin_addr.s_addr = endPoint.IP;
  const int sent = sendto(FSocket, data, length, 0, reinterpret_cast<const sockaddr*>(&destination),
                          sizeof destination);
  if (sent == SOCKET_ERROR) SocketError(static_cast<int>(FSocket), WSAGetLastError());
  return sent;  // a local: the endpoint may be gone by now
}

int TOrbSimpleUDPClient::Broadcast(const char* data, int length) {
  TUDPEndPoint everyone;
  everyone.IP = static_cast<uint32_t>(INADDR_BROADCAST);
  everyone.Port = FPort;
  return SendBufferTo(everyone, data, length);
}

int TOrbSimpleUDPClient::ReceiveFrom(TUDPEndPoint& endPoint, char* buffer, int size) {
  if (!Active()) return 0;
  sockaddr_in source{};
  int length = sizeof source;
  const int received =
      recvfrom(FSocket, buffer, size, 0, reinterpret_cast<sockaddr*>(&source), &length);
  if (received == SOCKET_ERROR) {
    SocketError(static_cast<int>(FSocket), WSAGetLastError());
    return 0;  // touches nothing: the endpoint may be gone by now
  }
  endPoint.Port = ntohs(source.sin_port);
  endPoint.IP = source.sin_addr.s_addr;
  return received;
}

void TOrbSimpleUDPClient::Dispatch(TMessage& Message) {
  if (Message.Msg == UM_TCPSELECT) {
    Watched({FLifetime.Token()}, [&] { UMTCPSelect(Message); });
  } else {
    TCustomControl::Dispatch(Message);
  }
}

void TOrbSimpleUDPClient::UMTCPSelect(TMessage& Message) {
  if (!Active()) return;
  const int error = WSAGETSELECTERROR(Message.LParam);
  if (error > 10000) {
    SocketError(static_cast<int>(Message.WParam), error);
    return;
  }
  const int event = WSAGETSELECTEVENT(Message.LParam);
  if (event == FD_CLOSE) {
    Close();
    return;
  }
  if (event != FD_READ) return;

  u_long pending = 0;
  if (ioctlsocket(FSocket, FIONREAD, &pending) == SOCKET_ERROR) {
    SocketError(static_cast<int>(FSocket), WSAGetLastError());
    return;
  }
  char buffer[kDatagramBufferSize];
  std::string data;
  TUDPEndPoint endPoint;
  // At most kDatagramsPerPass: the notification posted for those still
  // waiting goes on with them.
  for (int read = 0; read < kDatagramsPerPass && (pending != 0 || EmptyDatagramWaits()); ++read) {
    const int n = ReceiveFrom(endPoint, buffer, kDatagramBufferSize - 1);
    // The data string is the whole datagram, zero bytes and what follows
    // them included: a handler can tell a beacon (whose second byte is zero)
    // from any other datagram that starts the same way.
    data.assign(buffer, static_cast<size_t>(n));
    DoDataAvailable(endPoint, data);
    if (!Active()) break;
    if (ioctlsocket(FSocket, FIONREAD, &pending) == SOCKET_ERROR) {
      SocketError(static_cast<int>(FSocket), WSAGetLastError());
      return;
    }
  }
}

bool TOrbSimpleUDPClient::EmptyDatagramWaits() {
  // FIONREAD answers 0 both for no datagram and for an empty one; left
  // unread, an empty datagram would hold back every later one for good.
  char probe;
  return recvfrom(FSocket, &probe, 1, MSG_PEEK, nullptr, nullptr) == 0;
}

void TOrbSimpleUDPClient::DoDataAvailable(const TUDPEndPoint& endPoint, const std::string& data) {
  RaiseEvent(OnDataAvailable, endPoint, data);
}

void TOrbSimpleUDPClient::SocketError(int socket, int errorCode) {
  const std::string text = SocketErrorText(errorCode);
  if (!OnError) throw Exception(text);
  RaiseEvent(OnError, this, socket, errorCode, text);
}

uint32_t TOrbSimpleUDPClient::IpFromString(const std::string& text) const {
  return static_cast<uint32_t>(inet_addr(text.c_str()));
}

std::string TOrbSimpleUDPClient::GetLocalIP() {
  return LocalIPText();
}
