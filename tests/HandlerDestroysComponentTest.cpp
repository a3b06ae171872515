// Event handlers that destroy the component raising the event (or the form
// that owns it), one table per component. Each row must end with the
// component gone and nothing raised after it; under the sanitizers, with no
// access to freed memory, although the destroying handler goes on using its
// own captured state after the deletion, as a form's handler would.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "components/net/orb_TCPIP1.h"
#include "framework/Application.h"
#include "framework/Controls.h"
#include "tests/support/EventPump.h"
#include "tests/support/RawSockets.h"

using namespace std::chrono_literals;
using winsock::SOCKET;

namespace {

// What a row destroys, and the journal of every event until then.
struct Doomed {
  TComponent* victim = nullptr;
  std::vector<std::string> journal;
};

// A handler for any event that destroys the victim the n-th time it runs.
auto Destroyer(Doomed& d, std::string label, int n = 1) {
  return [&d, label, n, raised = 0](auto&&...) mutable {
    d.journal.push_back(label);
    if (++raised < n) return;
    delete d.victim;
    d.victim = nullptr;
    d.journal.push_back(label + " destroyed");
  };
}

// Loopback sockets standing in for the far side.
struct FarSide {
  SOCKET listener = raw::Listen();
  std::vector<SOCKET> peers;
  ~FarSide() {
    for (SOCKET s : peers)
      winsock::closesocket(s);
    winsock::closesocket(listener);
  }
  winsock::u_short Port() const { return raw::PortOf(listener); }
  SOCKET Accept() { return peers.emplace_back(raw::Accept(listener)); }
  SOCKET Connect(winsock::u_short port) { return peers.emplace_back(raw::Connect(port)); }
  void Close(SOCKET s, bool reset = false) {
    std::erase(peers, s);
    reset ? raw::Reset(s) : static_cast<void>(winsock::closesocket(s));
  }
};

template <typename Component>
struct Row {
  const char* name;
  std::function<void(Component*, Doomed&, FarSide&)> run;
};

template <typename Component>
void PrintTo(const Row<Component>& row, std::ostream* out) {
  *out << row.name;
}

template <typename Component>
std::string RowName(const ::testing::TestParamInfo<Row<Component>>& info) {
  return info.param.name;
}

void ExpectDestroyedLast(Doomed& d) {
  ASSERT_TRUE(PumpUntil([&] { return d.victim == nullptr; }));
  PumpFor(80ms);  // room for retry ticks and late notifications
  ASSERT_FALSE(d.journal.empty());
  EXPECT_THAT(d.journal.back(), ::testing::EndsWith(" destroyed"));
}

// ---- TCP client ------------------------------------------------------------

void Journal(TOrbSimpleTCPClient* c, Doomed& d) {
  const auto note = [&d](const char* event) {
    return [&d, event](auto&&...) { d.journal.push_back(event); };
  };
  c->OnConnected = note("connected");
  c->OnDisconnected = note("disconnected");
  c->OnConnectionLost = note("lost");
  c->PreAttemptConnect = note("attempt");
  c->OnDataAvailable = note("data");
  c->OnRead = note("read");
  c->OnError = note("error");
}

void ConnectTo(TOrbSimpleTCPClient* c, FarSide& far) {
  c->SetHost("127.0.0.1");
  c->SetPort(far.Port());
  c->Connect();
}

// Connected, with the far side's end accepted.
SOCKET Connected(TOrbSimpleTCPClient* c, FarSide& far) {
  ConnectTo(c, far);
  EXPECT_TRUE(PumpUntil([&] { return c->GetConnected(); }));
  return far.Accept();
}

// Unresolvable: every attempt reports 10038 (closing the socket never made),
// OnDisconnected, then 10014, and a retry tick follows 20 ms later.
void Unresolvable(TOrbSimpleTCPClient* c) {
  c->SetHost("no such host");  // not an address, and no name that resolves
  c->SetPort(1);
  c->SetAutoReconnectInterval(20);
}

using ClientRow = Row<TOrbSimpleTCPClient>;
const ClientRow kClientRows[] = {
    {"PreAttemptConnectOfConnect",
     [](TOrbSimpleTCPClient* c, Doomed& d, FarSide& far) {
       c->PreAttemptConnect = Destroyer(d, "attempt");
       ConnectTo(c, far);
     }},
    {"PreAttemptConnectOfARetryTick",
     [](TOrbSimpleTCPClient* c, Doomed& d, FarSide&) {
       Unresolvable(c);
       c->PreAttemptConnect = Destroyer(d, "attempt", 2);
       c->Connect();
     }},
    {"PreAttemptConnectOfAReconnect",
     [](TOrbSimpleTCPClient* c, Doomed& d, FarSide& far) {
       c->SetAutoReconnect(true);
       c->PreAttemptConnect = Destroyer(d, "attempt", 2);
       far.Close(Connected(c, far));
     }},
    {"OnErrorOfTheFirstReportOfConnect",
     [](TOrbSimpleTCPClient* c, Doomed& d, FarSide&) {
       Unresolvable(c);
       c->OnError = Destroyer(d, "error");
       c->Connect();
     }},
    {"OnErrorOfTheAttemptOfARetryTick",
     [](TOrbSimpleTCPClient* c, Doomed& d, FarSide&) {
       Unresolvable(c);
       c->OnError = Destroyer(d, "error", 4);  // 10038, 10014; then the tick's
       c->Connect();
     }},
    {"OnErrorOfARefusedConnect",
     [](TOrbSimpleTCPClient* c, Doomed& d, FarSide&) {
       c->SetHost("127.0.0.1");
       c->SetPort(raw::UnusedPort());
       c->OnError = Destroyer(d, "error");
       c->Connect();
     }},
    {"OnConnected",
     [](TOrbSimpleTCPClient* c, Doomed& d, FarSide& far) {
       c->OnConnected = Destroyer(d, "connected");
       ConnectTo(c, far);
     }},
    {"OnDisconnectedOfAPeerClose",
     [](TOrbSimpleTCPClient* c, Doomed& d, FarSide& far) {
       const SOCKET peer = Connected(c, far);
       c->OnDisconnected = Destroyer(d, "disconnected");
       far.Close(peer);
     }},
    {"OnConnectionLost",
     [](TOrbSimpleTCPClient* c, Doomed& d, FarSide& far) {
       c->SetAutoReconnect(true);
       const SOCKET peer = Connected(c, far);
       c->OnConnectionLost = Destroyer(d, "lost");
       far.Close(peer);
     }},
    {"OnDataAvailable",
     [](TOrbSimpleTCPClient* c, Doomed& d, FarSide& far) {
       const SOCKET peer = Connected(c, far);
       c->OnDataAvailable = Destroyer(d, "data");
       winsock::send(peer, "bytes", 5, 0);
     }},
    {"OnRead",
     [](TOrbSimpleTCPClient* c, Doomed& d, FarSide& far) {
       const SOCKET peer = Connected(c, far);
       c->OnDataAvailable.Clear();
       c->OnRead = Destroyer(d, "read");
       winsock::send(peer, "bytes", 5, 0);
     }},
    {"OnDisconnectedDuringAWaitingReceive",
     [](TOrbSimpleTCPClient* c, Doomed& d, FarSide& far) {
       const SOCKET peer = Connected(c, far);
       c->OnDataAvailable.Clear();
       c->OnDisconnected = Destroyer(d, "disconnected");
       winsock::send(peer, "ab", 2, 0);
       QTimer::singleShot(20, [&far, peer] { far.Close(peer); });
       char buffer[8];
       EXPECT_FALSE(c->ReceiveHard(buffer, 8));  // returns, the client gone
     }},
};

class ClientDestroyedFromItsEvent : public ::testing::TestWithParam<ClientRow> {};

TEST_P(ClientDestroyedFromItsEvent, LeavesNothingBehind) {
  FarSide far;
  Doomed d;
  auto* client = new TOrbSimpleTCPClient(nullptr);
  d.victim = client;
  Journal(client, d);
  GetParam().run(client, d, far);
  ExpectDestroyedLast(d);
}

INSTANTIATE_TEST_SUITE_P(Events, ClientDestroyedFromItsEvent, ::testing::ValuesIn(kClientRows),
                         RowName<TOrbSimpleTCPClient>);

TEST(ClientDestroyedFromItsEvent, AHandlerThatDestroysAndThenThrowsIsStillReported) {
  std::vector<std::string> shown;
  Application->OnException = [&](TObject* sender, const Exception& e) {
    EXPECT_EQ(sender, nullptr);  // the component is gone: no sender to name
    shown.push_back(e.Message());
  };
  // In the program's call of Connect, then in a retry tick.
  for (int throwOn : {1, 2}) {
    Doomed d;
    auto* client = new TOrbSimpleTCPClient(nullptr);
    d.victim = client;
    Unresolvable(client);
    client->OnError = [&d, throwOn, seen = 0](TObject*, int, int code, const std::string&) mutable {
      if (code != 10014 || ++seen < throwOn) return;
      delete d.victim;
      d.victim = nullptr;
      throw Exception("handler failed " + std::to_string(throwOn));
    };
    client->Connect();
    EXPECT_TRUE(PumpUntil([&] { return d.victim == nullptr; }));
  }
  PumpFor(50ms);
  Application->OnException.Clear();
  EXPECT_THAT(shown, ::testing::ElementsAre("handler failed 1", "handler failed 2"));
}

// ---- TCP server ------------------------------------------------------------

void Journal(TOrbSimpleTCPServer* s, Doomed& d) {
  const auto note = [&d](const char* event) {
    return [&d, event](auto&&...) { d.journal.push_back(event); };
  };
  s->OnAccept = note("accept");
  s->OnClientConnected = note("connected");
  s->OnClientDisconnected = note("disconnected");
  s->OnClientRead = note("read");
  s->OnError = note("error");
}

// Listening, with one connection from the far side (unless accepting it
// destroyed the server).
SOCKET WithConnection(TOrbSimpleTCPServer* s, Doomed& d, FarSide& far) {
  s->SetPort(raw::UnusedPort());
  s->SetListen(true);
  const SOCKET peer = far.Connect(s->Port());
  EXPECT_TRUE(PumpUntil([&] { return d.victim == nullptr || s->ClientCount() == 1; }));
  return peer;
}

using ServerRow = Row<TOrbSimpleTCPServer>;
const ServerRow kServerRows[] = {
    {"OnAccept",
     [](TOrbSimpleTCPServer* s, Doomed& d, FarSide& far) {
       s->OnAccept = Destroyer(d, "accept");
       WithConnection(s, d, far);
     }},
    {"OnClientConnected",
     [](TOrbSimpleTCPServer* s, Doomed& d, FarSide& far) {
       s->OnClientConnected = Destroyer(d, "connected");
       WithConnection(s, d, far);
     }},
    {"OnClientDataAvailable",
     [](TOrbSimpleTCPServer* s, Doomed& d, FarSide& far) {
       const SOCKET peer = WithConnection(s, d, far);
       s->OnClientDataAvailable = Destroyer(d, "data");
       winsock::send(peer, "bytes", 5, 0);
     }},
    {"OnClientRead",
     [](TOrbSimpleTCPServer* s, Doomed& d, FarSide& far) {
       const SOCKET peer = WithConnection(s, d, far);
       s->OnClientRead = Destroyer(d, "read");
       winsock::send(peer, "bytes", 5, 0);
     }},
    {"OnClientDisconnected",
     [](TOrbSimpleTCPServer* s, Doomed& d, FarSide& far) {
       const SOCKET peer = WithConnection(s, d, far);
       s->OnClientDisconnected = Destroyer(d, "disconnected");
       winsock::shutdown(peer, winsock::SD_SEND);
     }},
    {"OnClientDisconnectedDuringAWaitingReceive",
     [](TOrbSimpleTCPServer* s, Doomed& d, FarSide& far) {
       const SOCKET peer = WithConnection(s, d, far);
       s->OnClientDisconnected = Destroyer(d, "disconnected");
       winsock::send(peer, "ab", 2, 0);
       QTimer::singleShot(20, [peer] { winsock::shutdown(peer, winsock::SD_SEND); });
       char buffer[8];
       EXPECT_FALSE(s->ReceiveHard(s->Client(0), buffer, 8));
     }},
    {"OnErrorOfAResetConnection",
     [](TOrbSimpleTCPServer* s, Doomed& d, FarSide& far) {
       const SOCKET peer = WithConnection(s, d, far);
       s->OnError = Destroyer(d, "error");
       far.Close(peer, true);
     }},
    {"OnErrorOfASendThatFailsInBroadcast",
     [](TOrbSimpleTCPServer* s, Doomed& d, FarSide& far) {
       const SOCKET first = WithConnection(s, d, far);
       far.Connect(s->Port());
       ASSERT_TRUE(PumpUntil([&] { return s->ClientCount() == 2; }));
       s->OnError = Destroyer(d, "error");
       far.Close(first, true);
       s->Broadcast("to all", 6);  // the first send fails; the server goes
     }},
    {"OnErrorOfAPortInUse",
     [](TOrbSimpleTCPServer* s, Doomed& d, FarSide& far) {
       s->OnError = Destroyer(d, "error");
       s->SetPort(far.Port());
       s->SetListen(true);
     }},
};

class ServerDestroyedFromItsEvent : public ::testing::TestWithParam<ServerRow> {};

TEST_P(ServerDestroyedFromItsEvent, LeavesNothingBehind) {
  FarSide far;
  Doomed d;
  auto* server = new TOrbSimpleTCPServer(nullptr);
  d.victim = server;
  Journal(server, d);
  GetParam().run(server, d, far);
  ExpectDestroyedLast(d);
}

INSTANTIATE_TEST_SUITE_P(Events, ServerDestroyedFromItsEvent, ::testing::ValuesIn(kServerRows),
                         RowName<TOrbSimpleTCPServer>);

// ---- A server's connection object ------------------------------------------

// A handler given a connection destroys it (`delete client`, as for any
// component). The server must forget it, stay up, and serve the others.
struct ConnectionRow {
  const char* name;
  // Binds the destroying handler; `peer` is the far side of the victim.
  std::function<void(TOrbSimpleTCPServer*, bool& destroyed)> bind;
  std::function<void(SOCKET peer)> provoke;
};

void PrintTo(const ConnectionRow& row, std::ostream* out) {
  *out << row.name;
}

auto DeleteClient(bool& destroyed) {
  return [&destroyed](TObject*, TOrbSimpleTCPClient* client, auto&&...) {
    delete client;
    destroyed = true;
  };
}

const ConnectionRow kConnectionRows[] = {
    {"OnAccept", [](TOrbSimpleTCPServer* s, bool& d) { s->OnAccept = DeleteClient(d); },
     [](SOCKET) {}},
    {"OnClientConnected",
     [](TOrbSimpleTCPServer* s, bool& d) { s->OnClientConnected = DeleteClient(d); },
     [](SOCKET) {}},
    {"OnClientDataAvailable",
     [](TOrbSimpleTCPServer* s, bool& d) { s->OnClientDataAvailable = DeleteClient(d); },
     [](SOCKET peer) { winsock::send(peer, "bytes", 5, 0); }},
    {"OnClientRead", [](TOrbSimpleTCPServer* s, bool& d) { s->OnClientRead = DeleteClient(d); },
     [](SOCKET peer) { winsock::send(peer, "bytes", 5, 0); }},
    {"OnClientDisconnected",
     [](TOrbSimpleTCPServer* s, bool& d) { s->OnClientDisconnected = DeleteClient(d); },
     [](SOCKET peer) { winsock::shutdown(peer, winsock::SD_SEND); }},
};

class ConnectionDestroyedFromAServerEvent : public ::testing::TestWithParam<ConnectionRow> {};

TEST_P(ConnectionDestroyedFromAServerEvent, IsForgottenAndTheOthersAreServed) {
  FarSide far;
  TOrbSimpleTCPServer server(nullptr);
  server.SetPort(raw::UnusedPort());
  server.SetListen(true);
  std::vector<int> errors;
  server.OnError = [&](TObject*, int, int code, const std::string&) { errors.push_back(code); };
  const SOCKET other = far.Connect(server.Port());
  ASSERT_TRUE(PumpUntil([&] { return server.ClientCount() == 1; }));

  bool destroyed = false;
  GetParam().bind(&server, destroyed);
  const SOCKET victim = far.Connect(server.Port());
  PumpFor(20ms);  // accepted, when the row does not destroy it there
  GetParam().provoke(victim);
  ASSERT_TRUE(PumpUntil([&] { return destroyed; }));
  PumpFor(30ms);  // late notifications for the destroyed object

  EXPECT_TRUE(server.Listen());
  ASSERT_EQ(server.ClientCount(), 1);
  server.Broadcast("still here", 10);
  char buffer[10];
  ASSERT_EQ(winsock::recv(other, buffer, 10, 0), 10);
  EXPECT_EQ(std::string(buffer, 10), "still here");
  EXPECT_LE(winsock::recv(victim, buffer, 10, 0), 0);  // its socket went with it
  EXPECT_TRUE(errors.empty());
}

INSTANTIATE_TEST_SUITE_P(Events, ConnectionDestroyedFromAServerEvent,
                         ::testing::ValuesIn(kConnectionRows),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- UDP endpoint ----------------------------------------------------------

// Datagrams from `from` to `to` on loopback.
void SendTo(TOrbSimpleUDPClient* from, TOrbSimpleUDPClient* to,
            std::initializer_list<std::string> datagrams) {
  TUDPEndPoint endPoint;
  endPoint.IP = winsock::inet_addr("127.0.0.1");
  endPoint.Port = to->Port();
  for (const std::string& data : datagrams)
    from->Send(endPoint, data.data(), static_cast<int>(data.size()));
}

// The endpoint under test, and an open one to talk to it.
struct UdpPair {
  TCustomControl* form = new TCustomControl(nullptr);
  TOrbSimpleUDPClient* udp = Opened(new TOrbSimpleUDPClient(form), form);
  TCustomControl otherForm{nullptr};
  TOrbSimpleUDPClient* other = Opened(new TOrbSimpleUDPClient(&otherForm), &otherForm);

  static TOrbSimpleUDPClient* Opened(TOrbSimpleUDPClient* udp, TCustomControl* form) {
    udp->SetParent(form);
    udp->SetPort(raw::UnusedPort());
    udp->Open();
    return udp;
  }
};

using UdpRow = Row<UdpPair>;
const UdpRow kUdpRows[] = {
    {"OnDataAvailableWithTwoDatagramsWaiting",
     [](UdpPair* p, Doomed& d, FarSide&) {
       d.victim = p->udp;
       p->udp->OnDataAvailable = Destroyer(d, "data");
       SendTo(p->other, p->udp, {"one", "two"});
     }},
    {"OnDataAvailableDestroyingTheOwnerForm",
     [](UdpPair* p, Doomed& d, FarSide&) {
       d.victim = p->form;
       p->form = nullptr;
       p->udp->OnDataAvailable = Destroyer(d, "data");
       SendTo(p->other, p->udp, {"one", "two"});
     }},
    {"OnErrorOfADatagramTooLong",
     [](UdpPair* p, Doomed& d, FarSide&) {
       d.victim = p->udp;
       p->udp->OnError = Destroyer(d, "error");
       SendTo(p->other, p->udp, {std::string(600, 'x'), "next"});
     }},
    {"OnErrorOfASendThatFails",
     [](UdpPair* p, Doomed& d, FarSide&) {
       d.victim = p->udp;
       p->udp->OnError = Destroyer(d, "error");
       SendTo(p->udp, p->other, {std::string(70000, 'x')});  // more than a datagram holds
     }},
};

class UdpDestroyedFromItsEvent : public ::testing::TestWithParam<UdpRow> {};

TEST_P(UdpDestroyedFromItsEvent, LeavesNothingBehind) {
  FarSide unused;
  Doomed d;
  UdpPair pair;
  pair.udp->OnDataAvailable = [&d](auto&&...) { d.journal.push_back("data"); };
  GetParam().run(&pair, d, unused);
  ExpectDestroyedLast(d);
  delete pair.form;
}

INSTANTIATE_TEST_SUITE_P(Events, UdpDestroyedFromItsEvent, ::testing::ValuesIn(kUdpRows),
                         RowName<UdpPair>);

}  // namespace
