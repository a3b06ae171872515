// A reset as the socket components see it when they read after the Winsock
// layer has learnt of it: an error with 10054, never an orderly close.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <string>
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

  // One pass of the loop lets the layer see the reset (Linux tells it once)
  // and post its close event; the next pass would deliver that. The receive
  // comes in between.
  raw::Reset(peer);
  QCoreApplication::processEvents();
  char buffer[4];
  EXPECT_EQ(server.Receive(server.Client(0), buffer, sizeof buffer, false), -1);
  PumpFor(30ms);
  EXPECT_EQ(server.ClientCount(), 0);
  EXPECT_THAT(journal, ElementsAre("error 10054"));
}
