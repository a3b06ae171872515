#include "components/net/OrbSimpleTCPClient.h"

#include <cstring>

using namespace winsock;

TOrbSimpleTCPClient::TOrbSimpleTCPClient(TComponent* AOwner) : TOrbCustomSocket(AOwner) {
  SetMonitorInterval(20000);
}

TOrbSimpleTCPClient::~TOrbSimpleTCPClient() {
  Destroying();
  SetActive(false);
}

bool TOrbSimpleTCPClient::GetConnected() const {
  return ComponentState().Has(csDesigning) ? FActive : FConnected;
}

void TOrbSimpleTCPClient::SetActive(bool Value) {
  if (Value == FActive) return;
  FConnected = false;
  if (Value && PreAttemptConnect) PreAttemptConnect(this);
  TOrbCustomSocket::SetActive(Value);
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
  if (OnConnected) OnConnected(this);
}

void TOrbSimpleTCPClient::DoDeactivate() {
  SetMonitorActive(false);
  TOrbCustomSocket::DoDeactivate();
  if (OnDisconnected && !ComponentState().Has(csDestroying)) OnDisconnected(this);
}

void TOrbSimpleTCPClient::DoClose(int) {
  const std::weak_ptr<const int> self = AliveToken();
  SetActive(false);
  if (self.expired() || ComponentState().Has(csDestroying)) return;
  if (OnDisconnected) OnDisconnected(this);
  if (self.expired()) return;
  DoConnectionLost();
}

void TOrbSimpleTCPClient::DoConnectionLost() {
  const std::weak_ptr<const int> self = AliveToken();
  if (OnConnectionLost) OnConnectionLost(this);
  if (!self.expired() && FAutoReconnect) SetActive(true);
}

void TOrbSimpleTCPClient::SocketError(int socket, int errorCode) {
  const std::weak_ptr<const int> self = AliveToken();
  const bool wasConnected = FConnected;
  SetActive(false);
  if (self.expired()) return;
  if (wasConnected) {
    DoConnectionLost();
  } else {
    SetMonitorActive(true);  // retry after a full period
  }
  if (self.expired()) return;
  TOrbCustomSocket::SocketError(socket, errorCode);
}

void TOrbSimpleTCPClient::DoTimer() {
  SetActive(true);
}

void TOrbSimpleTCPClient::DoDataAvailable(TOrbCustomSocket*, int count, bool& handled) {
  handled = OnDataAvailable.Assigned();
  if (handled) OnDataAvailable(this, count);
}

void TOrbSimpleTCPClient::DoRead(TOrbCustomSocket*, TStream* stream) {
  if (OnRead) OnRead(this, stream);
}
