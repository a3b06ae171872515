#include "components/net/OrbSimpleTCPClient.h"

#include <cstring>

#include "components/net/OrbSimpleTCPServer.h"

using namespace winsock;

TOrbSimpleTCPClient::TOrbSimpleTCPClient(TComponent* AOwner) : TOrbCustomSocket(AOwner) {
  SetMonitorInterval(20000);
}

TOrbSimpleTCPClient::~TOrbSimpleTCPClient() {
  Destroying();
  SetActive(false);
  // A server's connection object that the program destroys must not stay
  // listed. (While the server itself goes, it is no server any more.)
  if (FSerial != 0) {
    if (auto* server = dynamic_cast<TOrbSimpleTCPServer*>(Owner())) server->Forget(this);
  }
}

bool TOrbSimpleTCPClient::GetConnected() const {
  return ComponentState().Has(csDesigning) ? FActive : FConnected;
}

void TOrbSimpleTCPClient::SetActive(bool Value) {
  Watched({LifeToken()}, [&] {
    if (Value == FActive) return;
    FConnected = false;
    if (Value) RaiseEvent(PreAttemptConnect, this);
    TOrbCustomSocket::SetActive(Value);
  });
}

void TOrbSimpleTCPClient::DoActivate() {
  PrepareAddress();
  if (FLocalHostOnly) {
    if (!ResolveInto("localhost")) return;
  } else {
    const u_long address = inet_addr(FHost.c_str());
    if (address != INADDR_NONE) {
      FAddr.sin_addr.s_addr = static_cast<uint32_t>(address);
    } else if (!ResolveInto(FHost.c_str())) {
      return;
    }
  }

  FSocket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (FSocket == INVALID_SOCKET) {
    SocketError(-1, WSAGetLastError());
    return;
  }
  SetupBuffers();
  // FD_WRITE as well: what a send could not take goes out when there is room.
  if (WSAAsyncSelect(FSocket, FWindowHandle, UM_TCPSELECT,
                     FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE) != 0) {
    SocketError(static_cast<int>(FSocket), WSAGetLastError());
    return;
  }
  if (connect(FSocket, reinterpret_cast<const sockaddr*>(&FAddr), sizeof FAddr) != 0) {
    const int error = WSAGetLastError();
    if (error != WSAEWOULDBLOCK) SocketError(static_cast<int>(FSocket), error);
  }
}

void TOrbSimpleTCPClient::DoConnectAccept() {
  SetMonitorActive(false);
  FConnected = true;
  RaiseEvent(OnConnected, this);
}

void TOrbSimpleTCPClient::DoDeactivate() {
  SetMonitorActive(false);
  TOrbCustomSocket::DoDeactivate();
  if (!ComponentState().Has(csDestroying)) RaiseEvent(OnDisconnected, this);
}

void TOrbSimpleTCPClient::DoClose(int) {
  SetActive(false);
  if (ComponentState().Has(csDestroying)) return;
  RaiseEvent(OnDisconnected, this);
  DoConnectionLost();
}

void TOrbSimpleTCPClient::DoConnectionLost() {
  RaiseEvent(OnConnectionLost, this);
  if (FAutoReconnect) SetActive(true);
}

void TOrbSimpleTCPClient::SocketError(int socket, int errorCode) {
  Watched({LifeToken()}, [&] {
    const bool wasConnected = FConnected;
    SetActive(false);
    // A server's connection object (it has a serial) never connects by
    // itself: it would call its peer's address at the server's own port.
    if (wasConnected) {
      DoConnectionLost();
    } else if (FSerial == 0) {
      SetMonitorActive(true);  // retry after a full period
    }
    TOrbCustomSocket::SocketError(socket, errorCode);
  });
}

void TOrbSimpleTCPClient::DoTimer() {
  SetActive(true);
}

void TOrbSimpleTCPClient::DoDataAvailable(TOrbCustomSocket*, int count, bool& handled) {
  handled = OnDataAvailable.Assigned();
  RaiseEvent(OnDataAvailable, this, count);
}

void TOrbSimpleTCPClient::DoRead(TOrbCustomSocket*, TStream* stream) {
  RaiseEvent(OnRead, this, stream);
}
