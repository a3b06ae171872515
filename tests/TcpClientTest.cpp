// The TCP client component against real sockets on 127.0.0.1.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTimer>
#include <string>
#include <vector>

#include "components/net/orb_TCPIP1.h"
#include "framework/Application.h"
#include "framework/ComponentLoading.h"
#include "framework/Streams.h"
#include "tests/support/EventPump.h"
#include "tests/support/RawSockets.h"

using ::testing::ElementsAre;
using namespace std::chrono_literals;
using winsock::SOCKET;

namespace {

// A client whose every event is written into a journal.
struct JournaledClient {
  TOrbSimpleTCPClient client{nullptr};
  std::vector<std::string> journal;

  JournaledClient() {
    client.OnConnected = [this](TObject*) { journal.push_back("connected"); };
    client.OnDisconnected = [this](TObject*) { journal.push_back("disconnected"); };
    client.OnConnectionLost = [this](TObject*) { journal.push_back("lost"); };
    client.PreAttemptConnect = [this](TObject*) { journal.push_back("attempt"); };
    client.OnError = [this](TObject*, int, int code, const std::string& text) {
      journal.push_back("error " + std::to_string(code) + " " + text);
    };
  }
  size_t Count(const std::string& entry) const {
    return static_cast<size_t>(std::count(journal.begin(), journal.end(), entry));
  }
};

TEST(TcpClient, ARefusedConnectIsRetriedEveryIntervalWithoutAutoReconnect) {
  JournaledClient c;
  c.client.SetHost("127.0.0.1");
  c.client.SetPort(raw::UnusedPort());
  c.client.SetAutoReconnectInterval(150);
  c.client.Connect();
  EXPECT_FALSE(c.client.GetConnected());  // an attempt is under way, not a connection
  ASSERT_TRUE(PumpUntil([&] { return c.Count("attempt") == 3; }));
  ASSERT_GE(c.journal.size(), 7u);
  EXPECT_THAT(std::vector<std::string>(c.journal.begin(), c.journal.begin() + 7),
              ElementsAre("attempt", "disconnected", "error 10061 Connection refused", "attempt",
                          "disconnected", "error 10061 Connection refused", "attempt"));
  EXPECT_FALSE(c.client.GetConnected());
}

TEST(TcpClient, DisconnectWhileWaitingForARetryChangesNothing) {
  JournaledClient c;
  c.client.SetHost("127.0.0.1");
  c.client.SetPort(raw::UnusedPort());
  c.client.SetAutoReconnectInterval(100);
  c.client.Connect();
  ASSERT_TRUE(PumpUntil([&] { return c.Count("disconnected") == 1; }));
  c.client.Disconnect();  // already inactive: the timer goes on
  ASSERT_TRUE(PumpUntil([&] { return c.Count("attempt") == 2; }));
}

TEST(TcpClient, ASuccessfulConnectStopsTheRetries) {
  const SOCKET listener = raw::Listen();
  JournaledClient c;
  c.client.SetHost("localhost");  // a name: resolved
  c.client.SetPort(raw::PortOf(listener));
  c.client.SetAutoReconnectInterval(50);
  c.client.Connect();
  ASSERT_TRUE(PumpUntil([&] { return c.Count("connected") == 1; }));
  EXPECT_TRUE(c.client.GetConnected());
  EXPECT_FALSE(c.client.MonitorActive());
  PumpFor(120ms);
  EXPECT_THAT(c.journal, ElementsAre("attempt", "connected"));
  winsock::closesocket(listener);
}

TEST(TcpClient, APeerCloseIsDisconnectedTwiceThenLostAndAutoReconnectTriesAtOnce) {
  const SOCKET listener = raw::Listen();
  JournaledClient c;
  c.client.SetHost("127.0.0.1");
  c.client.SetPort(raw::PortOf(listener));
  c.client.SetAutoReconnect(true);
  c.client.Connect();
  ASSERT_TRUE(PumpUntil([&] { return c.Count("connected") == 1; }));
  const SOCKET peer = raw::Accept(listener);
  winsock::closesocket(peer);  // orderly close by the server side
  ASSERT_TRUE(PumpUntil([&] { return c.Count("connected") == 2; }));
  EXPECT_THAT(c.journal, ElementsAre("attempt", "connected", "disconnected", "disconnected", "lost",
                                     "attempt", "connected"));
  winsock::closesocket(raw::Accept(listener));
  winsock::closesocket(listener);
}

TEST(TcpClient, DisconnectWhileConnectedIsOneDisconnectedAndNoRetry) {
  const SOCKET listener = raw::Listen();
  JournaledClient c;
  c.client.SetHost("127.0.0.1");
  c.client.SetPort(raw::PortOf(listener));
  c.client.SetAutoReconnect(true);
  c.client.SetAutoReconnectInterval(30);
  c.client.Connect();
  ASSERT_TRUE(PumpUntil([&] { return c.client.GetConnected(); }));
  c.client.Disconnect();
  PumpFor(100ms);
  EXPECT_THAT(c.journal, ElementsAre("attempt", "connected", "disconnected"));
  EXPECT_FALSE(c.client.Active());
  winsock::closesocket(listener);
}

TEST(TcpClient, PortAndHostChangesWhileActive) {
  const SOCKET first = raw::Listen();
  const SOCKET second = raw::Listen();
  JournaledClient c;
  c.client.SetHost("127.0.0.1");
  c.client.SetPort(raw::PortOf(first));
  c.client.Connect();
  ASSERT_TRUE(PumpUntil([&] { return c.client.GetConnected(); }));
  try {
    c.client.SetPort(raw::PortOf(second));
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Cannot change Port while active");
  }
  EXPECT_EQ(c.client.Port(), raw::PortOf(first));
  EXPECT_THROW(c.client.SetHost("127.0.0.2"), Exception);
  c.client.SetPort(raw::PortOf(first));  // the same value: nothing happens

  c.client.SetAllowChangeHostAndPortOnConnection(true);
  c.journal.clear();
  c.client.SetPort(raw::PortOf(second));
  ASSERT_TRUE(PumpUntil([&] { return c.Count("connected") == 1; }));
  EXPECT_THAT(c.journal, ElementsAre("disconnected", "attempt", "connected"));
  winsock::closesocket(first);
  winsock::closesocket(second);
}

TEST(TcpClient, AnUnresolvableHostReportsTheNeverCreatedSocketFirst) {
  JournaledClient c;
  c.client.SetHost("no such host");  // not an address, and no name that resolves
  c.client.SetPort(1);
  c.client.SetAutoReconnectInterval(100000);
  c.client.Connect();
  // Switching off closes the socket that was never created (10038) before
  // OnDisconnected; the resolution failure comes last.
  EXPECT_THAT(c.journal, ElementsAre("attempt", "error 10038 Socket operation on non-socket",
                                     "disconnected", "error 10014 Bad address"));
  EXPECT_TRUE(c.client.MonitorActive());  // waits for a retry
}

TEST(TcpClient, AWaitingReceiveIsFilledByLaterNotificationsOrCutShort) {
  const SOCKET listener = raw::Listen();
  TOrbSimpleTCPClient client(nullptr);
  client.SetHost("127.0.0.1");
  client.SetPort(raw::PortOf(listener));
  client.Connect();
  ASSERT_TRUE(PumpUntil([&] { return client.GetConnected(); }));
  const SOCKET peer = raw::Accept(listener);

  winsock::send(peer, "hello", 5, 0);
  QTimer::singleShot(30, [&] { winsock::send(peer, "world", 5, 0); });
  char buffer[10] = {};
  EXPECT_TRUE(client.ReceiveHard(buffer, 10));
  EXPECT_EQ(std::string(buffer, 10), "helloworld");

  // Switched off while waiting: the bytes received so far.
  winsock::send(peer, "abc", 3, 0);
  QTimer::singleShot(30, [&] { client.Disconnect(); });
  char more[10] = {};
  EXPECT_EQ(client.Receive(more, 10, true), 3);
  EXPECT_EQ(std::string(more, 3), "abc");
  winsock::closesocket(peer);
  winsock::closesocket(listener);
}

TEST(TcpClient, AWaitingReceiveStartedBeforeAnythingArrivedWaitsForIt) {
  const SOCKET listener = raw::Listen();
  JournaledClient c;
  c.client.SetHost("127.0.0.1");
  c.client.SetPort(raw::PortOf(listener));
  c.client.Connect();
  ASSERT_TRUE(PumpUntil([&] { return c.client.GetConnected(); }));
  const SOCKET peer = raw::Accept(listener);
  QTimer::singleShot(20, [&] { winsock::send(peer, "abc", 3, 0); });
  QTimer::singleShot(40, [&] { winsock::send(peer, "def", 3, 0); });
  char buffer[6] = {};
  EXPECT_TRUE(c.client.ReceiveHard(buffer, 6));
  EXPECT_EQ(std::string(buffer, 6), "abcdef");
  EXPECT_TRUE(c.client.GetConnected());
  EXPECT_THAT(c.journal, ElementsAre("attempt", "connected"));
  winsock::closesocket(peer);
  winsock::closesocket(listener);
}

TEST(TcpClient, AWaitStartedDuringAnotherIsFilledFirstAndTheOtherThenResumes) {
  const SOCKET listener = raw::Listen();
  TOrbSimpleTCPClient client(nullptr);
  client.SetHost("127.0.0.1");
  client.SetPort(raw::PortOf(listener));
  client.Connect();
  ASSERT_TRUE(PumpUntil([&] { return client.GetConnected(); }));
  const SOCKET peer = raw::Accept(listener);
  // While the program waits for 4 bytes, a timer waits for 2 on the same
  // connection; then 6 bytes come at once.
  std::string inner;
  QTimer::singleShot(10, [&] {
    char buffer[2];
    if (client.ReceiveHard(buffer, 2)) inner.assign(buffer, 2);
  });
  QTimer::singleShot(40, [&] { winsock::send(peer, "abcdef", 6, 0); });
  QTimer::singleShot(3000, [&] { client.Disconnect(); });  // should the outer wait hang
  char outer[4] = {};
  EXPECT_EQ(client.Receive(outer, 4, true), 4);
  EXPECT_EQ(inner, "ab");
  EXPECT_EQ(std::string(outer, 4), "cdef");
  EXPECT_TRUE(client.GetConnected());
  winsock::closesocket(peer);
  winsock::closesocket(listener);
}

TEST(TcpClient, AHandlerThatReadsIntoThePeersCloseEndsQuietly) {
  const SOCKET listener = raw::Listen();
  JournaledClient c;
  c.client.SetHost("127.0.0.1");
  c.client.SetPort(raw::PortOf(listener));
  std::string taken;
  c.client.OnDataAvailable = [&](TObject*, int) {
    char buffer[4];
    for (int n; (n = c.client.Receive(buffer, sizeof buffer, false)) > 0;)
      taken.append(buffer, static_cast<size_t>(n));
  };
  c.client.Connect();
  ASSERT_TRUE(PumpUntil([&] { return c.client.GetConnected(); }));
  const SOCKET peer = raw::Accept(listener);
  winsock::send(peer, "payload", 7, 0);
  winsock::closesocket(peer);
  ASSERT_TRUE(PumpUntil([&] { return c.Count("lost") == 1; }));
  PumpFor(50ms);
  EXPECT_EQ(taken, "payload");
  EXPECT_THAT(c.journal,
              ElementsAre("attempt", "connected", "disconnected", "disconnected", "lost"));
  EXPECT_FALSE(c.client.MonitorActive());  // no retry without AutoReconnect
  winsock::closesocket(listener);
}

TEST(TcpClient, DataArrivesThroughOnReadOrOnDataAvailable) {
  const SOCKET listener = raw::Listen();
  TOrbSimpleTCPClient client(nullptr);
  client.SetHost("127.0.0.1");
  client.SetPort(raw::PortOf(listener));
  std::string read;
  int reads = 0;
  client.OnRead = [&](TObject*, TStream* stream) {
    ++reads;
    std::string bytes(static_cast<size_t>(stream->Size()), '\0');
    stream->ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    read += bytes;
  };
  client.Connect();
  ASSERT_TRUE(PumpUntil([&] { return client.GetConnected(); }));
  const SOCKET peer = raw::Accept(listener);
  const std::string payload(100000, 'p');
  winsock::send(peer, payload.data(), static_cast<int>(payload.size()), 0);
  ASSERT_TRUE(PumpUntil([&] { return read.size() == payload.size(); }));
  EXPECT_EQ(read, payload);

  // With OnDataAvailable bound, its handler reads and OnRead stays quiet.
  std::string taken;
  client.OnDataAvailable = [&](TObject*, int count) {
    std::string bytes(static_cast<size_t>(count), '\0');
    taken.append(bytes.data(), static_cast<size_t>(client.Receive(bytes.data(), count, false)));
  };
  reads = 0;
  winsock::send(peer, "xyz", 3, 0);
  ASSERT_TRUE(PumpUntil([&] { return taken == "xyz"; }));
  PumpFor(20ms);
  EXPECT_EQ(reads, 0);
  winsock::closesocket(peer);
  winsock::closesocket(listener);
}

TEST(TcpClient, DestroyingAConnectedClientRaisesNoDisconnected) {
  const SOCKET listener = raw::Listen();
  auto* c = new JournaledClient();
  c->client.SetHost("127.0.0.1");
  c->client.SetPort(raw::PortOf(listener));
  c->client.Connect();
  ASSERT_TRUE(PumpUntil([&] { return c->client.GetConnected(); }));
  std::vector<std::string>* journal = &c->journal;
  std::vector<std::string> before = *journal;
  c->client.OnDisconnected = [&](TObject*) { before.push_back("disconnected after destruction"); };
  delete c;
  EXPECT_THAT(before, ElementsAre("attempt", "connected"));
  winsock::closesocket(listener);
}

TEST(TcpClient, LoadedFromAStoredFormItConnectsWhenLoadingEnds) {
  const SOCKET listener = raw::Listen();
  TComponent form(nullptr);
  int attempts = 0;
  TOrbSimpleTCPClient* client = nullptr;
  {
    TComponentLoading loading(&form);
    // In the order a stored form keeps them: Connected before the events.
    client = loading.Create<TOrbSimpleTCPClient>(&form, "Client1");
    client->SetActive(true);
    client->PreAttemptConnect = [&](TObject*) { ++attempts; };
    client->SetHost("127.0.0.1");
    client->SetPort(raw::PortOf(listener));
    EXPECT_EQ(client->Socket(), winsock::INVALID_SOCKET);
    loading.Finish();
  }
  ASSERT_TRUE(PumpUntil([&] { return client->GetConnected(); }));
  EXPECT_EQ(attempts, 0);  // the first attempt of a loaded client is not announced
  winsock::closesocket(listener);
}

TEST(CustomSocket, ErrorsAreReportedWithTheirTableText) {
  TOrbSimpleTCPClient client(nullptr);
  std::vector<std::string> errors;
  EXPECT_STREQ(SocketErrorText(10100), "Not a WinSock error ?");
  EXPECT_STREQ(SocketErrorText(10049), "Cant assign requested address");
  EXPECT_STREQ(SocketErrorText(11004), "No Data");
  try {
    client.TOrbCustomSocket::SocketError(-1, 10100);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Not a WinSock error ?");
  }
  client.OnError = [&](TObject* sender, int socket, int code, const std::string& text) {
    EXPECT_EQ(sender, &client);
    errors.push_back(std::to_string(socket) + " " + std::to_string(code) + " " + text);
  };
  // A notification carrying an error reports it and looks no further.
  SendMessage(client.WindowHandle(), UM_TCPSELECT, 77,
              MakeLParam(static_cast<WORD>(winsock::FD_READ), 10054));
  EXPECT_THAT(errors, ElementsAre("77 10054 Connection reset by peer"));
}

TEST(CustomSocket, SendAndReceiveEdgeCases) {
  const SOCKET listener = raw::Listen();
  TOrbSimpleTCPClient client(nullptr);
  EXPECT_EQ(client.Send("x", 1), 0);  // no socket
  client.SetHost("127.0.0.1");
  client.SetPort(raw::PortOf(listener));
  client.Connect();
  ASSERT_TRUE(PumpUntil([&] { return client.GetConnected(); }));
  const SOCKET peer = raw::Accept(listener);
  raw::SetNonBlocking(peer);
  EXPECT_EQ(client.Send("x", 0), 0);
  TMemoryStream empty;
  EXPECT_EQ(client.ReceiveStream(&empty, 0, false), 0);
  EXPECT_EQ(empty.Size(), 0);

  // A memory stream in the middle: all of it is sent, its position stays.
  TMemoryStream memory;
  memory.Write("0123456789", 10);
  memory.SetPosition(4);
  EXPECT_EQ(client.SendStream(&memory), 10);
  EXPECT_EQ(memory.Position(), 4);

  // Any other stream: all of it, and its position is restored.
  class PlainStream : public TStream {
   public:
    int32_t Read(void* buffer, int32_t count) override { return inner.Read(buffer, count); }
    int32_t Write(const void* buffer, int32_t count) override { return inner.Write(buffer, count); }
    int64_t Seek(int64_t offset, int origin) override { return inner.Seek(offset, origin); }
    void SetSize(int64_t size) override { inner.SetSize(size); }
    TMemoryStream inner;
  } plain;
  plain.Write("abcdef", 6);
  plain.SetPosition(3);
  EXPECT_EQ(client.SendStream(&plain), 6);
  EXPECT_EQ(plain.Position(), 3);

  std::string got;
  ASSERT_TRUE(PumpUntil([&] {
    got += raw::Drain(peer);
    return got.size() >= 16;
  }));
  EXPECT_EQ(got, "0123456789abcdef");
  winsock::closesocket(peer);
  winsock::closesocket(listener);
}

}  // namespace
