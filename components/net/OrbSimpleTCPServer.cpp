#include "components/net/OrbSimpleTCPServer.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "framework/Streams.h"

using namespace winsock;

namespace {
constexpr long kListenEvents = FD_READ | FD_WRITE | FD_ACCEPT | FD_CLOSE;
}

TOrbSimpleTCPServer::TOrbSimpleTCPServer(TComponent* AOwner) : TOrbCustomSocket(AOwner) {
  FClientList = new TProofList();
}

TOrbSimpleTCPServer::~TOrbSimpleTCPServer() {
  Destroying();
  SetActive(false);
  delete FClientList;
  FClientList = nullptr;
}

void TOrbSimpleTCPServer::DoActivate() {
  FSocket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (FSocket == INVALID_SOCKET) {
    SocketError(-1, WSAGetLastError());
    return;
  }
  SetupBuffers();
  PrepareAddress();
  if (FLocalHostOnly) {
    if (!ResolveInto("localhost")) return;
  } else {
    FAddr.sin_addr.s_addr = INADDR_ANY;
  }
  if (bind(FSocket, reinterpret_cast<const sockaddr*>(&FAddr), sizeof FAddr) != 0) {
    SocketError(static_cast<int>(FSocket), WSAGetLastError());
    return;
  }
  if (listen(FSocket, 0x7FFFFFFF) != 0) {
    SocketError(static_cast<int>(FSocket), WSAGetLastError());
    return;
  }
  // FD_WRITE as well: connections inherit it, and a connection's unsent
  // bytes go out when its socket has room again.
  if (WSAAsyncSelect(FSocket, FWindowHandle, UM_TCPSELECT, kListenEvents) != 0) {
    SocketError(static_cast<int>(FSocket), WSAGetLastError());
  }
}

void TOrbSimpleTCPServer::DoConnectAccept() {
  int length = sizeof FAddr;
  const SOCKET accepted = accept(FSocket, reinterpret_cast<sockaddr*>(&FAddr), &length);
  if (accepted == INVALID_SOCKET) {
    const int error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK) return;  // another notification took it already
    if (error == WSAEMFILE || error == WSAENOBUFS) {
      // Out of descriptors or of buffer space: the connection stays in the
      // backlog, and accepting pauses rather than spinning on a socket that
      // stays readable. One report per shortage.
      PauseAccepting();
      if (FAcceptFailureReported) return;
      FAcceptFailureReported = true;
    }
    SocketError(-1, error);
    return;
  }
  FAcceptFailureReported = false;

  auto* connection = new TOrbSimpleTCPClient(this);
  connection->FSerial = FNextSerial++;
  connection->FSocket = accepted;
  connection->SetHost(inet_ntoa(FAddr.sin_addr));
  connection->SetPort(FPort);
  connection->FActive = true;
  connection->FSendQueueLimit = FSendQueueLimit;

  // A handler may destroy the object itself; this tells.
  const TLifeToken alive = connection->LifeToken();
  std::vector<TMessage> held;
  if (OnAccept) {
    bool Accept = true;
    // A handler that lets messages run (a modal question, say) must not
    // lose what the new socket reports meanwhile: it is held until the
    // connection is listed.
    FOffered.push_back(accepted);
    try {
      RaiseEvent(OnAccept, this, connection, Accept);
    } catch (const TComponentGone&) {
      throw;  // the server went, and its connections with it
    } catch (...) {
      EndOffer(accepted);
      if (!alive.expired()) TComponent::Free(connection);  // a failed handler accepted nothing
      throw;
    }
    held = EndOffer(accepted);
    if (alive.expired()) return;  // its socket went with it
    // Rejected, or the handler stopped the server: a stopped server lists none.
    if (!Accept || !FActive) {
      TComponent::Free(connection);  // closes the new socket with a reset
      return;
    }
  }
  FClientList->Add(connection);
  // Queued before OnClientConnected runs, so that a failing handler cannot
  // lose them: they are handled after it, as they would have been anyway.
  for (const TMessage& message : held) {
    PostGuardedMessage(FWindowHandle, message.Msg, message.WParam, message.LParam, alive);
  }
  RaiseEvent(OnClientConnected, this, connection);
}

std::vector<TMessage> TOrbSimpleTCPServer::EndOffer(SOCKET offered) {
  FOffered.erase(std::find(FOffered.begin(), FOffered.end(), offered));
  std::vector<TMessage> held;
  std::erase_if(FHeld, [&](const TMessage& message) {
    if (static_cast<SOCKET>(message.WParam) != offered) return false;
    held.push_back(message);
    return true;
  });
  return held;
}

void TOrbSimpleTCPServer::Dispatch(TMessage& Message) {
  if (Message.Msg == UM_TCPSELECT &&
      std::find(FOffered.begin(), FOffered.end(), static_cast<SOCKET>(Message.WParam)) !=
          FOffered.end()) {
    FHeld.push_back(Message);
    return;
  }
  TOrbCustomSocket::Dispatch(Message);
}

void TOrbSimpleTCPServer::PauseAccepting() {
  // Listen on without FD_ACCEPT; the timer resumes it.
  WSAAsyncSelect(FSocket, FWindowHandle, UM_TCPSELECT, kListenEvents & ~FD_ACCEPT);
  FAcceptPaused = true;
  SetMonitorInterval(kAcceptRetryInterval);
  SetMonitorActive(true);
}

void TOrbSimpleTCPServer::DoTimer() {
  if (!FAcceptPaused) return;
  FAcceptPaused = false;
  SetMonitorActive(false);
  // A new registration posts FD_ACCEPT at once if a connection waits.
  if (FActive && FSocket != INVALID_SOCKET) {
    WSAAsyncSelect(FSocket, FWindowHandle, UM_TCPSELECT, kListenEvents);
  }
}

void TOrbSimpleTCPServer::DoDataAvailable(TOrbCustomSocket* connection, int count, bool& handled) {
  handled = OnClientDataAvailable.Assigned();
  RaiseEvent(OnClientDataAvailable, this, static_cast<TOrbSimpleTCPClient*>(connection), count);
}

void TOrbSimpleTCPServer::DoRead(TOrbCustomSocket* connection, TStream* stream) {
  RaiseEvent(OnClientRead, this, static_cast<TOrbSimpleTCPClient*>(connection), stream);
}

void TOrbSimpleTCPServer::DoClose(int socket) {
  for (int i = 0; i < FClientList->Count(); ++i) {
    auto* connection = Client(i);
    if (connection->FSocket != static_cast<SOCKET>(socket)) continue;
    FClientList->Delete(i);
    // Unless the handler destroyed the object itself.
    Watched({connection->LifeToken()}, [&] {
      if (!ComponentState().Has(csDestroying)) {
        RaiseEvent(OnClientDisconnected, this, connection);
      }
      TComponent::Free(connection);
    });
    // Whatever was working on that connection ends here.
    ThrowIfWatchedObjectGone();
    return;
  }
}

void TOrbSimpleTCPServer::Forget(TOrbSimpleTCPClient* connection) {
  if (FClientList != nullptr) FClientList->Remove(connection);
}

void TOrbSimpleTCPServer::DropConnection(TOrbSimpleTCPClient* connection) {
  FClientList->Remove(connection);
  TComponent::Free(connection);
}

void TOrbSimpleTCPServer::DoDeactivate() {
  SetMonitorActive(false);
  FAcceptPaused = false;
  FAcceptFailureReported = false;
  for (int i = FClientList->Count() - 1; i >= 0; --i) {
    auto* connection = Client(i);
    FClientList->Delete(i);
    TComponent::Free(connection);
  }
  TOrbCustomSocket::DoDeactivate();
}

void TOrbSimpleTCPServer::SocketError(int socket, int errorCode) {
  Watched({LifeToken()}, [&] {
    // The listening socket (also -1 while there is none) stops the server;
    // a connection's socket drops that connection only.
    if (static_cast<SOCKET>(socket) == FSocket) {
      SetActive(false);
    } else if (socket != -1) {
      for (int i = 0; i < FClientList->Count(); ++i) {
        if (Client(i)->FSocket == static_cast<SOCKET>(socket)) {
          DropConnection(Client(i));
          break;
        }
      }
    }
    TOrbCustomSocket::SocketError(socket, errorCode);
  });
}

template <typename SendOne>
void TOrbSimpleTCPServer::SendToAll(SendOne sendOne) {
  // Walk a snapshot, so that a connection dropped during the pass (its send
  // failed, and an error handler ran) moves nobody else past the walk. A
  // connection is sent to only while it is still in the list, and the serial
  // tells it from a newer object at the same address.
  std::vector<std::pair<TOrbSimpleTCPClient*, uint64_t>> snapshot;
  snapshot.reserve(static_cast<size_t>(FClientList->Count()));
  for (int i = 0; i < FClientList->Count(); ++i)
    snapshot.emplace_back(Client(i), Client(i)->FSerial);
  for (const auto& [connection, serial] : snapshot) {
    if (FClientList->IndexOf(connection) < 0 || connection->FSerial != serial) continue;
    sendOne(connection);
  }
}

void TOrbSimpleTCPServer::Broadcast(const char* buffer, int length) {
  std::shared_ptr<const std::vector<char>> sharedCopy;
  Watched({LifeToken()}, [&] {
    SendToAll([&](TOrbSimpleTCPClient* connection) {
      SendShared(connection, buffer, length, &sharedCopy);
    });
  });
}

void TOrbSimpleTCPServer::BroadcastStream(TStream* stream) {
  if (auto* memory = dynamic_cast<TMemoryStream*>(stream)) {
    Broadcast(static_cast<const char*>(memory->Memory()), static_cast<int>(memory->Size()));
    return;
  }
  Watched({LifeToken()}, [&] {
    SendToAll([&](TOrbSimpleTCPClient* connection) { SendStreamTo(connection, stream); });
  });
}

int TOrbSimpleTCPServer::AnonBroadcast(const char* buffer, const int& length) {
  if (!FActive) return 0;
  sockaddr_in destination{};
  destination.sin_family = AF_INET;
  destination.sin_port = htons(FPort);
  destination.sin_addr.s_addr = static_cast<uint32_t>(INADDR_BROADCAST);
  const int sent = sendto(FSocket, buffer, length, 0,
                          reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
  if (sent == SOCKET_ERROR) {
    SocketError(static_cast<int>(FSocket), WSAGetLastError());
    return 0;
  }
  return sent;
}
