// The UDP endpoint on loopback, and (inside the isolated network namespace
// only) broadcasts and a fixed address beyond loopback.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "components/net/orb_TCPIP1.h"
#include "framework/Controls.h"
#include "protocol/Beacon.h"
#include "tests/support/EventPump.h"
#include "tests/support/RawSockets.h"

using ::testing::ElementsAre;
using namespace std::chrono_literals;

namespace {

struct Received {
  TUDPEndPoint from;
  std::string data;
};

// An endpoint on a form, open on an unused port, recording what arrives.
struct Endpoint {
  TCustomControl form{nullptr};
  TOrbSimpleUDPClient* udp = new TOrbSimpleUDPClient(&form);
  std::vector<Received> received;
  std::vector<int> errors;

  explicit Endpoint(int port = raw::UnusedPort()) {
    udp->SetParent(&form);
    udp->SetPort(port);
    udp->OnError = [this](TObject*, int, int code, const std::string&) { errors.push_back(code); };
    udp->OnDataAvailable = [this](const TUDPEndPoint& from, const std::string& data) {
      received.push_back({from, data});
    };
  }
};

TUDPEndPoint Loopback(int port) {
  TUDPEndPoint endPoint;
  endPoint.IP = winsock::inet_addr("127.0.0.1");
  endPoint.Port = port;
  return endPoint;
}

bool Isolated() {
  return std::getenv("SCRIVLO_ISOLATED_NET") != nullptr;
}

TEST(UdpEndpoint, DatagramsArriveWithTheirSenderUpTo511Bytes) {
  Endpoint receiver, sender;
  receiver.udp->Open();
  sender.udp->Open();
  ASSERT_TRUE(receiver.udp->Active());
  const std::string exact(511, 'x'), tooLong(512, 'y');
  const std::string zeros("ab\0cd\0", 6);
  EXPECT_EQ(sender.udp->Send(Loopback(receiver.udp->Port()), exact.data(), 511), 511);
  EXPECT_EQ(sender.udp->Send(Loopback(receiver.udp->Port()), tooLong.data(), 512), 512);
  EXPECT_EQ(sender.udp->Send(Loopback(receiver.udp->Port()), zeros.data(), 6), 6);
  EXPECT_EQ(sender.udp->Send(Loopback(receiver.udp->Port()), "", 0), 0);
  EXPECT_EQ(sender.udp->Send(Loopback(receiver.udp->Port()), "last", 4), 4);
  ASSERT_TRUE(PumpUntil([&] { return receiver.received.size() == 5; }));

  EXPECT_EQ(receiver.received[0].data, exact);
  EXPECT_EQ(receiver.received[0].from.Port, sender.udp->Port());
  EXPECT_EQ(receiver.received[0].from.IP, winsock::inet_addr("127.0.0.1"));
  // 512 bytes cannot be read: an error, and an empty string for it.
  EXPECT_THAT(receiver.errors, ElementsAre(winsock::WSAEMSGSIZE));
  EXPECT_EQ(receiver.received[1].data, "");
  // Zero bytes inside: every byte comes, those after the first zero too.
  EXPECT_EQ(receiver.received[2].data, zeros);
  // An empty datagram is read (and announced) and does not hold back the next.
  EXPECT_EQ(receiver.received[3].data, "");
  EXPECT_EQ(receiver.received[4].data, "last");
}

TEST(UdpEndpoint, AHandlerThatClosesEndsThePass) {
  Endpoint receiver, sender;
  receiver.udp->Open();
  sender.udp->Open();
  receiver.udp->OnDataAvailable = [&](const TUDPEndPoint&, const std::string& data) {
    receiver.received.push_back({{}, data});
    receiver.udp->Close();
  };
  for (const char* text : {"one", "two", "three"}) {
    sender.udp->Send(Loopback(receiver.udp->Port()), text, 3);
  }
  PumpUntil([&] { return !receiver.received.empty(); });
  PumpFor(30ms);
  ASSERT_EQ(receiver.received.size(), 1u);
  EXPECT_FALSE(receiver.udp->Active());
}

TEST(UdpEndpoint, ClosedEndpointsDoNothingAndSetPortCloses) {
  Endpoint e;
  EXPECT_EQ(e.udp->Broadcast("x", 1), 0);
  EXPECT_EQ(e.udp->Send(Loopback(9), "x", 1), 0);
  TUDPEndPoint from;
  char buffer[8];
  EXPECT_EQ(e.udp->Receive(from, buffer, 8), 0);
  e.udp->Open();
  EXPECT_TRUE(e.udp->Active());
  e.udp->SetPort(raw::UnusedPort());
  EXPECT_FALSE(e.udp->Active());
  EXPECT_TRUE(e.errors.empty());

  TComponent designed(nullptr);
  designed.SetDesigning(true);
  auto* inDesign = new TOrbSimpleUDPClient(&designed);
  inDesign->Open();
  EXPECT_FALSE(inDesign->Active());
}

TEST(UdpEndpoint, APeerThatKeepsSendingCannotHoldUpTheProgram) {
  // The handler answers every datagram with the next one to itself, so a
  // datagram always waits; a message posted after the first must still run
  // soon, and every datagram arrive once, in order.
  Endpoint e;
  e.udp->Open();
  constexpr int kTotal = 1000;
  std::vector<int> numbers;
  int arrivedWhenTheMessageRan = -1;
  e.udp->OnDataAvailable = [&](const TUDPEndPoint&, const std::string& data) {
    numbers.push_back(std::stoi(data));
    if (numbers.size() == 1) {
      QTimer::singleShot(0, [&] { arrivedWhenTheMessageRan = static_cast<int>(numbers.size()); });
    }
    if (numbers.back() + 1 < kTotal) {
      const std::string next = std::to_string(numbers.back() + 1);
      e.udp->Send(Loopback(e.udp->Port()), next.data(), static_cast<int>(next.size()));
    }
  };
  e.udp->Send(Loopback(e.udp->Port()), "0", 1);
  ASSERT_TRUE(PumpUntil([&] { return numbers.size() == kTotal && arrivedWhenTheMessageRan > 0; }));
  EXPECT_LE(arrivedWhenTheMessageRan, TOrbSimpleUDPClient::kDatagramsPerPass);
  for (int i = 0; i < kTotal; ++i)
    ASSERT_EQ(numbers[static_cast<size_t>(i)], i);
  EXPECT_TRUE(e.errors.empty());
}

// Descriptors this process holds open.
int OpenDescriptors() {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    static_cast<void>(entry);
    ++count;
  }
  return count;
}

TEST(UdpEndpoint, AnEndpointWithoutAParentCannotOpen) {
  TOrbSimpleUDPClient orphan(nullptr);
  EXPECT_THROW(orphan.Open(), EInvalidOperation);
}

TEST(UdpEndpoint, OpeningAgainReleasesWhatTheFirstOpenHeld) {
  {
    Endpoint warmUp;  // what the event loop opens once, for good
    warmUp.udp->Open();
  }
  const int before = OpenDescriptors();
  {
    Endpoint e;
    e.udp->Open();
    e.udp->Open();  // already open
    EXPECT_TRUE(e.udp->Active());
  }
  EXPECT_EQ(OpenDescriptors(), before);
  {
    TOrbSimpleUDPClient orphan(nullptr);
    EXPECT_THROW(orphan.Open(), EInvalidOperation);
    EXPECT_THROW(orphan.Open(), EInvalidOperation);  // a retry after the error
  }
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST(UdpEndpoint, AddressesFromText) {
  TOrbSimpleUDPClient udp(nullptr);
  EXPECT_EQ(udp.IpFromString("192.0.2.7"), winsock::inet_addr("192.0.2.7"));
  for (const char* text : {"255.255.255.255", "localhost", "not an address", ""}) {
    EXPECT_EQ(udp.IpFromString(text), 0xFFFFFFFFu) << text;
  }
  EXPECT_FALSE(udp.GetLocalIP().empty());
}

TEST(UdpEndpoint, WithoutAnErrorHandlerFailuresRaise) {
  Endpoint holder;
  holder.udp->Open();
  Endpoint clash(holder.udp->Port());
  clash.udp->OnError.Clear();
  // Both bind the port (address reuse is on), so provoke another failure:
  // a datagram larger than UDP allows.
  clash.udp->Open();
  const std::string huge(70000, 'h');
  try {
    clash.udp->Send(Loopback(holder.udp->Port()), huge.data(), static_cast<int>(huge.size()));
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Message too long");
  }
}

TEST(UdpEndpoint, TheBeaconBroadcastIsHeardInsideTheIsolatedNetwork) {
  if (!Isolated()) GTEST_SKIP() << "broadcasts: run inside scripts/isolated-net";
  Endpoint beaconer;
  beaconer.udp->Open();
  Endpoint listener(beaconer.udp->Port());  // the same port, as clients listen
  listener.udp->Open();
  const TBeacon beacon = BuildBeacon();
  EXPECT_EQ(beaconer.udp->Broadcast(reinterpret_cast<const char*>(beacon.data()), 12), 12);
  ASSERT_TRUE(PumpUntil([&] { return !listener.received.empty(); }, 2s));
  // The whole beacon arrives, though its second byte is zero.
  EXPECT_EQ(listener.received[0].data,
            std::string(reinterpret_cast<const char*>(beacon.data()), beacon.size()));
}

TEST(UdpEndpoint, AFixedAddressBeyondLoopbackOnlyInsideTheIsolatedNetwork) {
  if (!Isolated()) GTEST_SKIP() << "sends beyond loopback: run inside scripts/isolated-net";
  Endpoint e;
  e.udp->Open();
  TUDPEndPoint testNet;
  testNet.IP = e.udp->IpFromString("192.0.2.1");  // TEST-NET-1: nobody is there
  testNet.Port = 40000;
  EXPECT_EQ(e.udp->Send(testNet, "wqt", 4), 4);
  EXPECT_TRUE(e.errors.empty());
}

}  // namespace
