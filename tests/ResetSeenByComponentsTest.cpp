// A reset as the socket components see it when they read after the Winsock
// layer has learnt of it: an error with 10054, never an orderly close.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <string>
#include <thread>
#include <vector>

#include "components/net/orb_TCPIP1.h"
#include "tests/support/EventPump.h"
#include "tests/support/RawSockets.h"

using ::testing::ElementsAre;
using namespace std::chrono_literals;

TEST(ResetSeenByComponents, TheServerReportsTheResetItReads) {
  TOrbSimpleTCPServer server(nullptr);
  std::vector<std::string> journal;
  server.OnClientDisconnected = [&](TObject*, TOrbSimpleTCPClient*) {
    journal.push_back("disconnected");
  };
  server.OnError = [&](TObject*, int, int code, const std::string&) {
    journal.push_back("error " + std::to_string(code));
  };
  server.SetPort(raw::UnusedPort());
  server.SetListen(true);
  ASSERT_TRUE(server.Listen());
  const winsock::SOCKET peer = raw::Connect(server.Port());
  ASSERT_TRUE(PumpUntil([&] { return server.ClientCount() == 1; }));

  // One pass of the loop at a time until the layer has seen the reset (a
  // peek tells): the close event it posts then waits for the next pass, and
  // the component's receive comes in between.
  raw::Reset(peer);
  const winsock::SOCKET s = server.Client(0)->Socket();
  char probe;
  for (int i = 0; i < 2000; ++i) {
    QCoreApplication::processEvents();
    if (winsock::recv(s, &probe, 1, winsock::MSG_PEEK) != winsock::SOCKET_ERROR ||
        winsock::WSAGetLastError() != winsock::WSAEWOULDBLOCK) {
      break;
    }
    std::this_thread::sleep_for(1ms);  // the reset is on its way
  }
  char buffer[4];
  EXPECT_EQ(server.Receive(server.Client(0), buffer, sizeof buffer, false), -1);
  PumpFor(30ms);
  EXPECT_EQ(server.ClientCount(), 0);
  EXPECT_THAT(journal, ElementsAre("error 10054"));
}
