// The TCP server component against real sockets on 127.0.0.1.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/resource.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <cstdlib>

#include <QTimer>
#include <string>
#include <vector>

#include "components/net/orb_TCPIP1.h"
#include "framework/Application.h"
#include "framework/Registration.h"
#include "framework/Streams.h"
#include "tests/support/EventPump.h"
#include "tests/support/RawSockets.h"

using ::testing::ElementsAre;
using namespace std::chrono_literals;
using winsock::SOCKET;

namespace {

// A listening server whose events are written into a journal.
struct JournaledServer {
  TOrbSimpleTCPServer server{nullptr};
  std::vector<std::string> journal;

  JournaledServer() {
    server.OnClientConnected = [this](TObject*, TOrbSimpleTCPClient* c) {
      journal.push_back("connected " + c->Host());
    };
    server.OnClientDisconnected = [this](TObject*, TOrbSimpleTCPClient* c) {
      // The object is intact during the event, and no longer listed.
      journal.push_back(std::string("disconnected") +
                        (c->Host() == "127.0.0.1" ? " intact" : " damaged") +
                        (IndexOf(c) < 0 ? " unlisted" : " listed"));
    };
    server.OnError = [this](TObject*, int, int code, const std::string& text) {
      journal.push_back("error " + std::to_string(code) + " " + text);
    };
  }
  int IndexOf(TOrbSimpleTCPClient* c) const {
    for (int i = 0; i < server.ClientCount(); ++i) {
      if (server.Client(i) == c) return i;
    }
    return -1;
  }
  bool Start() {
    server.SetPort(raw::UnusedPort());
    server.SetListen(true);
    return server.Listen();
  }
  winsock::u_short Port() const { return server.Port(); }
};

TEST(TcpServer, AcceptsConnectionsIntoItsListAndSeesThemClose) {
  JournaledServer s;
  ASSERT_TRUE(s.Start());
  const SOCKET a = raw::Connect(s.Port());
  const SOCKET b = raw::Connect(s.Port());
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 2; }));
  EXPECT_EQ(s.server.Client(0)->Port(), s.Port());  // the listening port, not the peer's
  EXPECT_TRUE(s.server.Client(0)->Active());

  winsock::closesocket(a);
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 1; }));
  EXPECT_THAT(s.journal, ElementsAre("connected 127.0.0.1", "connected 127.0.0.1",
                                     "disconnected intact unlisted"));

  // A reset: an error for that connection, and no disconnected event.
  raw::Reset(b);
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 0; }));
  EXPECT_EQ(s.journal.back(), "error 10054 Connection reset by peer");
  EXPECT_EQ(std::count(s.journal.begin(), s.journal.end(), "disconnected intact unlisted"), 1);
  EXPECT_TRUE(s.server.Listen());
}

TEST(TcpServer, ARejectedConnectionIsResetAndNeverSeenAgain) {
  JournaledServer s;
  int offered = 0;
  s.server.OnAccept = [&](TObject*, TOrbSimpleTCPClient*, bool& accept) {
    accept = ++offered > 1;  // the first is turned away
  };
  ASSERT_TRUE(s.Start());
  const SOCKET rejected = raw::Connect(s.Port());
  ASSERT_TRUE(PumpUntil([&] { return offered == 1; }));
  // Switching the connection off shuts it down, then resets it: the peer
  // reads the end of the stream.
  char byte;
  EXPECT_LE(winsock::recv(rejected, &byte, 1, 0), 0);
  const SOCKET accepted = raw::Connect(s.Port());
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 1; }));
  EXPECT_THAT(s.journal, ElementsAre("connected 127.0.0.1"));
  winsock::closesocket(rejected);
  winsock::closesocket(accepted);
}

TEST(TcpServer, AnOnAcceptThatFailsOrStopsTheServerListsNoConnection) {
  const auto closedByTheServer = [](SOCKET peer) {
    raw::SetNonBlocking(peer);
    return PumpUntil([&] {
      char byte;
      return winsock::recv(peer, &byte, 1, 0) == 0 ||
             winsock::WSAGetLastError() != winsock::WSAEWOULDBLOCK;
    });
  };
  JournaledServer s;
  std::vector<std::string> shown;
  Application->OnException = [&](TObject*, const Exception& e) { shown.push_back(e.Message()); };
  s.server.OnAccept = [&](TObject*, TOrbSimpleTCPClient*, bool&) { throw Exception("refused"); };
  ASSERT_TRUE(s.Start());
  const SOCKET first = raw::Connect(s.Port());
  EXPECT_TRUE(closedByTheServer(first));  // not left open and unlisted
  EXPECT_EQ(s.server.ClientCount(), 0);

  // A handler that destroys the offered object, then fails.
  s.server.OnAccept = [&](TObject*, TOrbSimpleTCPClient* client, bool&) {
    delete client;
    throw Exception("gone");
  };
  const SOCKET third = raw::Connect(s.Port());
  EXPECT_TRUE(closedByTheServer(third));
  EXPECT_EQ(s.server.ClientCount(), 0);

  s.server.OnAccept = [&](TObject*, TOrbSimpleTCPClient*, bool&) { s.server.SetListen(false); };
  const SOCKET second = raw::Connect(s.Port());
  EXPECT_TRUE(closedByTheServer(second));
  EXPECT_FALSE(s.server.Listen());
  EXPECT_EQ(s.server.ClientCount(), 0);  // a stopped server holds no connection
  Application->OnException.Clear();
  EXPECT_THAT(shown, ElementsAre("refused", "gone"));
  EXPECT_TRUE(s.journal.empty());
  winsock::closesocket(first);
  winsock::closesocket(second);
  winsock::closesocket(third);
}

TEST(TcpServer, APortInUseIsReportedAndListenReadsFalse) {
  const SOCKET holder = raw::Listen();
  JournaledServer s;
  s.server.SetPort(raw::PortOf(holder));
  s.server.SetListen(true);
  EXPECT_FALSE(s.server.Listen());
  EXPECT_THAT(s.journal, ElementsAre("error 10048 Address already in use"));
  winsock::closesocket(holder);
}

TEST(TcpServer, DestroyingAListeningServerClosesEveryConnectionQuietly) {
  auto* s = new JournaledServer();
  ASSERT_TRUE(s->Start());
  const SOCKET a = raw::Connect(s->Port());
  ASSERT_TRUE(PumpUntil([&] { return s->server.ClientCount() == 1; }));
  std::vector<std::string> journal;
  s->server.OnClientDisconnected = [&](TObject*, TOrbSimpleTCPClient*) {
    journal.push_back("disconnected");
  };
  delete s;
  EXPECT_TRUE(journal.empty());
  char byte;
  EXPECT_LE(winsock::recv(a, &byte, 1, 0), 0);  // the connection is gone
  winsock::closesocket(a);
}

TEST(TcpServer, DataGoesToDataAvailableOrToOneReadPerNotification) {
  JournaledServer s;
  ASSERT_TRUE(s.Start());
  std::vector<std::string> reads;
  s.server.OnClientRead = [&](TObject*, TOrbSimpleTCPClient*, TStream* stream) {
    std::string bytes(static_cast<size_t>(stream->Size()), '\0');
    stream->ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    reads.push_back(bytes);
  };
  const SOCKET peer = raw::Connect(s.Port());
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 1; }));
  winsock::send(peer, "one batch", 9, 0);
  ASSERT_TRUE(PumpUntil([&] { return !reads.empty(); }));
  EXPECT_THAT(reads, ElementsAre("one batch"));

  std::string taken;
  s.server.OnClientDataAvailable = [&](TObject*, TOrbSimpleTCPClient* client, int count) {
    std::vector<char> buffer(static_cast<size_t>(count));
    const int n = s.server.Receive(client, buffer.data(), count, false);
    taken.append(buffer.data(), static_cast<size_t>(n));
  };
  winsock::send(peer, "claimed", 7, 0);
  ASSERT_TRUE(PumpUntil([&] { return taken == "claimed"; }));
  PumpFor(20ms);
  EXPECT_EQ(reads.size(), 1u);
  winsock::closesocket(peer);
}

TEST(TcpServer, AServerSideWaitingReceiveIsCompletedByLaterNotifications) {
  JournaledServer s;
  ASSERT_TRUE(s.Start());
  const SOCKET peer = raw::Connect(s.Port());
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 1; }));
  winsock::send(peer, "12", 2, 0);
  QTimer::singleShot(20, [&] { winsock::send(peer, "34", 2, 0); });
  QTimer::singleShot(40, [&] { winsock::send(peer, "56", 2, 0); });
  char buffer[6];
  EXPECT_TRUE(s.server.ReceiveHard(s.server.Client(0), buffer, 6));
  EXPECT_EQ(std::string(buffer, 6), "123456");

  // The peer goes away during a wait: the wait ends with what it had.
  winsock::send(peer, "7", 1, 0);
  QTimer::singleShot(20, [&] { raw::Reset(peer); });
  char more[4];
  EXPECT_LT(s.server.Receive(s.server.Client(0), more, 4, true), 4);
  EXPECT_EQ(s.server.ClientCount(), 0);
}

TEST(TcpServer, AWaitingReceiveStartedBeforeAnythingArrivedWaitsForIt) {
  JournaledServer s;
  ASSERT_TRUE(s.Start());
  const SOCKET peer = raw::Connect(s.Port());
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 1; }));
  QTimer::singleShot(20, [&] { winsock::send(peer, "ab", 2, 0); });
  QTimer::singleShot(40, [&] { winsock::send(peer, "cd", 2, 0); });
  char buffer[4];
  EXPECT_TRUE(s.server.ReceiveHard(s.server.Client(0), buffer, 4));
  EXPECT_EQ(std::string(buffer, 4), "abcd");
  EXPECT_EQ(s.server.ClientCount(), 1);
  EXPECT_THAT(s.journal, ElementsAre("connected 127.0.0.1"));
  winsock::closesocket(peer);
}

TEST(TcpServer, WhatArrivesWhileOnAcceptLetsMessagesRunIsReadOnceListed) {
  JournaledServer s;
  std::string read;
  s.server.OnClientRead = [&](TObject*, TOrbSimpleTCPClient*, TStream* stream) {
    std::string bytes(static_cast<size_t>(stream->Size()), '\0');
    stream->ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    read += bytes;
    s.journal.push_back("read " + bytes);
  };
  ASSERT_TRUE(s.Start());
  const SOCKET peer = raw::Connect(s.Port());
  s.server.OnAccept = [&](TObject*, TOrbSimpleTCPClient*, bool&) {
    // As a modal question would: the peer talks and leaves meanwhile.
    winsock::send(peer, "hello", 5, 0);
    winsock::shutdown(peer, winsock::SD_SEND);
    PumpFor(60ms);
    s.journal.push_back("accepted");
  };
  ASSERT_TRUE(PumpUntil([&] { return s.journal.size() >= 4; }));
  PumpFor(30ms);
  EXPECT_THAT(s.journal, ElementsAre("accepted", "connected 127.0.0.1", "read hello",
                                     "disconnected intact unlisted"));
  EXPECT_EQ(s.server.ClientCount(), 0);
  winsock::closesocket(peer);
}

TEST(TcpServer, AConnectionObjectNeverConnectsByItself) {
  JournaledServer s;
  ASSERT_TRUE(s.Start());
  const SOCKET peer = raw::Connect(s.Port());
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 1; }));
  // A failure on the object's own operation (nothing to read yet) switches
  // it off, as for any client; a client would then retry, this one must not.
  TOrbSimpleTCPClient* connection = s.server.Client(0);
  std::vector<int> errors;
  connection->OnError = [&](TObject*, int, int code, const std::string&) {
    errors.push_back(code);
  };
  connection->SetAutoReconnectInterval(20);
  char buffer[4];
  EXPECT_EQ(connection->Receive(buffer, sizeof buffer, false), -1);
  EXPECT_THAT(errors, ElementsAre(winsock::WSAEWOULDBLOCK));
  EXPECT_FALSE(PumpUntil([&] { return s.server.ClientCount() == 2; }, 300ms))
      << "the connection object called back to the server's port";
  EXPECT_THAT(s.journal, ElementsAre("connected 127.0.0.1"));
  winsock::closesocket(peer);
}

TEST(TcpServer, WhatArrivedDuringOnAcceptIsReadEvenWhenOnClientConnectedFails) {
  JournaledServer s;
  std::vector<std::string> shown;
  Application->OnException = [&](TObject*, const Exception& e) { shown.push_back(e.Message()); };
  s.server.OnClientRead = [&](TObject*, TOrbSimpleTCPClient*, TStream* stream) {
    std::string bytes(static_cast<size_t>(stream->Size()), '\0');
    stream->ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    s.journal.push_back("read " + bytes);
  };
  ASSERT_TRUE(s.Start());
  const SOCKET peer = raw::Connect(s.Port());
  s.server.OnAccept = [&](TObject*, TOrbSimpleTCPClient*, bool&) {
    winsock::send(peer, "hello", 5, 0);
    winsock::shutdown(peer, winsock::SD_SEND);
    PumpFor(60ms);
  };
  s.server.OnClientConnected = [&](TObject*, TOrbSimpleTCPClient*) { throw Exception("busy"); };
  ASSERT_TRUE(PumpUntil([&] { return s.journal.size() >= 2; }));
  Application->OnException.Clear();
  EXPECT_THAT(s.journal, ElementsAre("read hello", "disconnected intact unlisted"));
  EXPECT_THAT(shown, ElementsAre("busy"));
  EXPECT_EQ(s.server.ClientCount(), 0);
  winsock::closesocket(peer);
}

TEST(TcpServer, LocalHostOnlyListensOnTheLoopbackAddress) {
  JournaledServer s;
  s.server.SetLocalHostOnly(true);
  ASSERT_TRUE(s.Start());
  winsock::sockaddr_in bound{};
  int length = sizeof bound;
  winsock::getsockname(s.server.Socket(), reinterpret_cast<winsock::sockaddr*>(&bound), &length);
  EXPECT_EQ(bound.sin_addr.s_addr, winsock::inet_addr("127.0.0.1"));
  // Changing it while listening restarts the server on all interfaces.
  s.server.SetLocalHostOnly(false);
  EXPECT_TRUE(s.server.Listen());
  length = sizeof bound;
  winsock::getsockname(s.server.Socket(), reinterpret_cast<winsock::sockaddr*>(&bound), &length);
  EXPECT_EQ(bound.sin_addr.s_addr, 0u);
}

TEST(TcpServer, BroadcastReachesEveryConnectionAndNobodyWhenEmpty) {
  JournaledServer s;
  ASSERT_TRUE(s.Start());
  s.server.Broadcast("nobody", 6);  // an empty list: nothing happens
  std::vector<SOCKET> peers;
  for (int i = 0; i < 5; ++i)
    peers.push_back(raw::Connect(s.Port()));
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 5; }));
  s.server.Broadcast("hello", 5);
  TMemoryStream stream;
  stream.Write(" world", 6);
  s.server.BroadcastStream(&stream);
  for (SOCKET peer : peers) {
    char buffer[11];
    ASSERT_TRUE(winsock::recv(peer, buffer, 11, 0) > 0);
    std::string got(buffer, 5);
    EXPECT_EQ(got, "hello");
    winsock::closesocket(peer);
  }
  EXPECT_THAT(s.journal, ::testing::Each(::testing::StartsWith("connected")));
}

TEST(TcpServer, ASocketThatCannotBeMadeSwitchesTheServerOff) {
  JournaledServer s;
  s.server.SetPort(raw::UnusedPort());
  // Only as many descriptors as are open now: socket() must fail.
  const winsock::SOCKET probe = winsock::socket(2, 1, 6);
  rlimit original{};
  getrlimit(RLIMIT_NOFILE, &original);
  rlimit tight = original;
  tight.rlim_cur = probe;  // descriptors below the probe's number only
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
  s.server.SetListen(true);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &original), 0);
  winsock::closesocket(probe);
  EXPECT_FALSE(s.server.Listen());
  EXPECT_THAT(s.journal, ElementsAre("error 10038 Socket operation on non-socket",
                                     "error 10024 Too many open files"));
}

TEST(TcpServer, AnAnonymousBroadcastGoesThroughTheListeningSocketAndFailsThere) {
  JournaledServer s;
  EXPECT_EQ(s.server.AnonBroadcast("x", 1), 0);  // not listening: nothing
  ASSERT_TRUE(s.Start());
  // A listening TCP socket has no peer to send to: the failure concerns the
  // listening socket, so the server stops.
  EXPECT_EQ(s.server.AnonBroadcast("x", 1), 0);
  EXPECT_FALSE(s.server.Listen());
  EXPECT_THAT(s.journal, ElementsAre("error 10057 Socket is not connected"));
}

TEST(TcpServerDeathTest, AProgramEndingWithAServerStillListeningEndsCleanly) {
  // The library's clean-up at program end closes what is still open, after
  // much of the event loop's machinery has been torn down.
  EXPECT_EXIT(
      {
#if defined(__SANITIZE_ADDRESS__)
        // The server is left alive on purpose: not a leak to report.
        __lsan_disable();
#endif
        auto* server = new TOrbSimpleTCPServer(nullptr);
        server->SetPort(raw::UnusedPort());
        server->SetListen(true);
        const SOCKET peer = raw::Connect(server->Port());
        PumpUntil([&] { return server->ClientCount() == 1; });
        std::exit(server->Listen() && peer != winsock::INVALID_SOCKET ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(TcpServer, RegisteredOnTheCorvanePage) {
  orb_TCPIP1::Register();
  EXPECT_THAT(PalettePages(), ::testing::Contains("Corvane"));
  std::vector<std::string> names;
  for (const auto& entry : RegisteredComponents()) {
    if (entry.page == "Corvane") names.push_back(entry.className);
  }
  EXPECT_THAT(names, ::testing::UnorderedElementsAre("TOrbSimpleTCPServer", "TOrbSimpleTCPClient"));
  TComponent owner(nullptr);
  TComponent* made = CreateRegisteredComponent("TOrbSimpleTCPServer", &owner);
  EXPECT_NE(dynamic_cast<TOrbSimpleTCPServer*>(made), nullptr);
  EXPECT_EQ(CreateRegisteredComponent("TOrbSimpleUDPClient", &owner), nullptr);
}

}  // namespace
