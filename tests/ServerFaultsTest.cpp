// The TCP server under misbehaving clients, on 127.0.0.1: a client that
// never reads, many clients at once, clients that reset mid-message, a client
// that floods, urgent data, and a process out of descriptors. Every loop is
// bounded.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "components/net/orb_TCPIP1.h"
#include "framework/Streams.h"
#include "tests/support/EventPump.h"
#include "tests/support/FailingAccept.h"
#include "tests/support/RawSockets.h"

using namespace std::chrono_literals;
using winsock::SOCKET;

namespace {

constexpr int kMiB = 1 << 20;

// Message i is `size` bytes of the value i % 251.
std::string Message(int index, int size) {
  return std::string(static_cast<size_t>(size), static_cast<char>(index % 251));
}

// Checks that `received` is messages 0, 1, 2... of `size` bytes each.
bool IntactSequence(const std::string& received, int size) {
  for (size_t i = 0; i < received.size(); ++i) {
    if (received[i] != static_cast<char>((i / static_cast<size_t>(size)) % 251)) return false;
  }
  return true;
}

struct Server {
  TOrbSimpleTCPServer server{nullptr};
  std::vector<int> errors;
  Server() {
    server.OnError = [this](TObject*, int, int code, const std::string&) {
      errors.push_back(code);
    };
    server.SetPort(raw::UnusedPort());
    server.SetListen(true);
  }
  int Errors(int code) const {
    return static_cast<int>(std::count(errors.begin(), errors.end(), code));
  }
  size_t MostQueued() const {
    size_t most = 0;
    for (int i = 0; i < server.ClientCount(); ++i) {
      most = std::max(most, server.Client(i)->QueuedBytes());
    }
    return most;
  }
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST(ServerFaults, AClientThatNeverReadsIsDroppedAtTheCapAndTheOthersGetEverything) {
  Server s;
  ASSERT_TRUE(s.server.Listen());
  std::vector<SOCKET> fast;
  for (int i = 0; i < 3; ++i)
    fast.push_back(raw::Connect(s.server.Port()));
  const SOCKET slow = raw::Connect(s.server.Port());
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 4; }));
  for (SOCKET f : fast)
    raw::SetNonBlocking(f);

  const int messages = 60;
  std::vector<std::string> received(fast.size());
  size_t mostQueued = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int m = 0; m < messages; ++m) {
    const std::string message = Message(m, kMiB);
    s.server.Broadcast(message.data(), kMiB);
    mostQueued = std::max(mostQueued, s.MostQueued());
    const size_t wanted = static_cast<size_t>(m + 1) * kMiB;
    ASSERT_TRUE(PumpUntil(
        [&] {
          bool all = true;
          for (size_t i = 0; i < fast.size(); ++i) {
            received[i] += raw::Drain(fast[i]);
            all = all && received[i].size() >= wanted;
          }
          return all;
        },
        10s))
        << "message " << m;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  EXPECT_EQ(s.Errors(winsock::WSAENOBUFS), 1);
  EXPECT_EQ(s.server.ClientCount(), 3);
  EXPECT_LE(mostQueued, size_t{TOrbCustomSocket::kDefaultSendQueueLimit});
  for (const std::string& r : received) {
    EXPECT_EQ(r.size(), static_cast<size_t>(messages) * kMiB);
    EXPECT_TRUE(IntactSequence(r, kMiB));
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf(
      "slow reader: %d x 1 MiB to 4 clients in %.2f s, most queued %.1f MiB, "
      "peak RSS %.0f MiB\n",
      messages, seconds, mostQueued / double(kMiB), usage.ru_maxrss / 1024.0);
  winsock::closesocket(slow);
  for (SOCKET f : fast)
    winsock::closesocket(f);
}

TEST(ServerFaults, TwoHundredClientsAtOnceGetIdenticalIntactMessages) {
  Server s;
  std::vector<SOCKET> clients;
  for (int i = 0; i < 200; ++i) {
    clients.push_back(raw::Connect(s.server.Port()));
    ASSERT_NE(clients.back(), winsock::INVALID_SOCKET);
  }
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 200; }));
  for (SOCKET c : clients)
    raw::SetNonBlocking(c);

  const int size = 256 * 1024, messages = 3;
  const auto start = std::chrono::steady_clock::now();
  for (int m = 0; m < messages; ++m) {
    const std::string message = Message(m, size);
    s.server.Broadcast(message.data(), size);
  }
  std::vector<std::string> received(clients.size());
  ASSERT_TRUE(PumpUntil(
      [&] {
        bool all = true;
        for (size_t i = 0; i < clients.size(); ++i) {
          received[i] += raw::Drain(clients[i]);
          all = all && received[i].size() >= static_cast<size_t>(size) * messages;
        }
        return all;
      },
      30s));
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (const std::string& r : received) {
    ASSERT_EQ(r.size(), static_cast<size_t>(size) * messages);
    ASSERT_TRUE(IntactSequence(r, size));
  }
  EXPECT_TRUE(s.errors.empty());
  std::printf("200 clients: %d x 256 KiB each in %.2f s\n", messages, seconds);
  for (SOCKET c : clients)
    winsock::closesocket(c);
}

TEST(ServerFaults, ClientsThatResetMidMessageLeaveTheOthersIntact) {
  Server s;
  std::vector<SOCKET> clients;
  for (int i = 0; i < 10; ++i)
    clients.push_back(raw::Connect(s.server.Port()));
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 10; }));
  for (SOCKET c : clients)
    raw::SetNonBlocking(c);

  const int messages = 5;
  std::vector<std::string> received(clients.size());
  for (int m = 0; m < messages; ++m) {
    const std::string message = Message(m, kMiB);
    s.server.Broadcast(message.data(), kMiB);
    if (m == 0) {
      // Three read part of the first message, then reset.
      for (int r = 0; r < 3; ++r) {
        ASSERT_TRUE(PumpUntil([&] {
          received[r] += raw::Drain(clients[r]);
          return received[r].size() >= 100000;
        }));
        raw::Reset(clients[r]);
      }
    }
    ASSERT_TRUE(PumpUntil(
        [&] {
          bool all = true;
          for (size_t i = 3; i < clients.size(); ++i) {
            received[i] += raw::Drain(clients[i]);
            all = all && received[i].size() >= static_cast<size_t>(m + 1) * kMiB;
          }
          return all;
        },
        10s));
  }
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 7; }));
  for (size_t i = 3; i < clients.size(); ++i) {
    EXPECT_EQ(received[i].size(), static_cast<size_t>(messages) * kMiB);
    EXPECT_TRUE(IntactSequence(received[i], kMiB));
    winsock::closesocket(clients[i]);
  }
  EXPECT_EQ(s.Errors(winsock::WSAECONNRESET), 3);
}

TEST(ServerFaults, AFloodingClientIsServedWithoutStarvingTheOthers) {
  // As the image server does: every arrival is read and answered to all.
  Server s;
  long long taken = 0;
  int answers = 0;
  s.server.OnClientDataAvailable = [&](TObject*, TOrbSimpleTCPClient* client, int count) {
    std::vector<char> buffer(static_cast<size_t>(count));
    taken += s.server.Receive(client, buffer.data(), count, false);
    ++answers;
    s.server.Broadcast("answer", 6);
  };
  const SOCKET flooder = raw::Connect(s.server.Port());
  const SOCKET watcher = raw::Connect(s.server.Port());
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 2; }));
  raw::SetNonBlocking(flooder);
  raw::SetNonBlocking(watcher);

  const long long total = 20LL * kMiB;
  const std::vector<char> chunk(64 * 1024, 'f');
  long long sent = 0;
  std::string watched;
  ASSERT_TRUE(PumpUntil(
      [&] {
        while (sent < total) {
          const int ask = static_cast<int>(std::min<long long>(chunk.size(), total - sent));
          const int n = winsock::send(flooder, chunk.data(), ask, 0);
          if (n <= 0) break;
          sent += n;
        }
        raw::Drain(flooder);
        watched += raw::Drain(watcher);
        return sent == total && taken == total;
      },
      30s))
      << "sent " << sent << ", read " << taken << ", answers " << answers << ", errors "
      << s.errors.size();
  PumpUntil(
      [&] {
        watched += raw::Drain(watcher);
        return watched.size() >= 6u * answers;
      },
      5s);
  EXPECT_EQ(watched.size(), 6u * static_cast<size_t>(answers));
  EXPECT_TRUE(s.errors.empty());
  std::printf("flood: %lld bytes read in %d arrivals, watcher got every answer\n", taken, answers);
  winsock::closesocket(flooder);
  winsock::closesocket(watcher);
}

TEST(ServerFaults, RunningOutOfDescriptorsPausesAcceptingWithoutSpinning) {
  Server s;
  const SOCKET early = raw::Connect(s.server.Port());
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 1; }));

  // Sockets made now, connected once the limit is down to what is open.
  std::vector<SOCKET> waiting;
  for (int i = 0; i < 5; ++i)
    waiting.push_back(winsock::socket(2, 1, 6));
  rlimit original{};
  getrlimit(RLIMIT_NOFILE, &original);
  SOCKET highest = 0;
  for (SOCKET w : waiting)
    highest = std::max(highest, w);
  rlimit tight = original;
  tight.rlim_cur = highest + 1;  // no descriptor left for the server's accept
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);

  winsock::sockaddr_in address{};
  address.sin_family = 2;
  address.sin_port = winsock::htons(s.server.Port());
  address.sin_addr.s_addr = winsock::inet_addr("127.0.0.1");
  for (SOCKET w : waiting) {
    ASSERT_EQ(winsock::connect(w, reinterpret_cast<winsock::sockaddr*>(&address), sizeof address),
              0);
  }
  const double cpuBefore = CpuSeconds();
  PumpFor(600ms);
  const double cpu = CpuSeconds() - cpuBefore;
  EXPECT_EQ(s.Errors(winsock::WSAEMFILE), 1);
  EXPECT_EQ(s.server.ClientCount(), 1);
  EXPECT_LT(cpu, 0.3) << "the accept loop spins";

  // The connection already accepted is still served meanwhile.
  s.server.Broadcast("still here", 10);
  char buffer[10];
  EXPECT_EQ(winsock::recv(early, buffer, 10, 0), 10);

  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &original), 0);
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 6; }, 5s));
  std::printf("descriptors exhausted: %.3f s CPU in 0.6 s, %d report(s)\n", cpu,
              s.Errors(winsock::WSAEMFILE));
  for (SOCKET w : waiting)
    winsock::closesocket(w);
  winsock::closesocket(early);
}

TEST(ServerFaults, AnAcceptWithoutBufferSpacePausesAndReportsOnce) {
  Server s;
  SetAcceptRunsOutOfBuffers(true);
  const SOCKET waiting = raw::Connect(s.server.Port());
  PumpFor(400ms);
  SetAcceptRunsOutOfBuffers(false);
  EXPECT_EQ(s.Errors(winsock::WSAENOBUFS), 1);
  EXPECT_EQ(s.errors.size(), 1u);
  EXPECT_TRUE(s.server.Listen());
  // Accepting resumes by itself once buffers are there again.
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 1; }));
  winsock::closesocket(waiting);
}

TEST(ServerFaults, TheServersSendQueueLimitHoldsForEveryConnection) {
  Server s;
  const SOCKET before = raw::Connect(s.server.Port());
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 1; }));
  s.server.SetSendQueueLimit(kMiB);
  const SOCKET after = raw::Connect(s.server.Port());
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 2; }));
  EXPECT_EQ(s.server.Client(0)->SendQueueLimit(), static_cast<uint32_t>(kMiB));
  EXPECT_EQ(s.server.Client(1)->SendQueueLimit(), static_cast<uint32_t>(kMiB));

  // Neither peer reads: far past what the sockets hold, each is dropped.
  const std::string message = Message(0, kMiB);
  for (int m = 0; m < 32 && s.server.ClientCount() > 0; ++m)
    s.server.Broadcast(message.data(), kMiB);
  EXPECT_EQ(s.server.ClientCount(), 0);
  EXPECT_EQ(s.Errors(winsock::WSAENOBUFS), 2);
  winsock::closesocket(before);
  winsock::closesocket(after);
}

TEST(ServerFaults, APeerThatKeepsSendingCannotHoldUpTheOthers) {
  Server s;
  const SOCKET flooder = raw::Connect(s.server.Port());
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 1; }));
  TOrbSimpleTCPClient* flooding = s.server.Client(0);
  const SOCKET other = raw::Connect(s.server.Port());
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 2; }));
  raw::SetNonBlocking(flooder);

  // The flooder sends more each time it is read, so there is always more
  // waiting; the other peer speaks once, after the flood has begun.
  const long long total = 6LL * TOrbCustomSocket::kReadPassLimit;
  const std::vector<char> chunk(256 * 1024, 'f');
  long long flooded = 0, taken = 0, takenWhenTheOtherWasHeard = -1;
  const auto flood = [&] {
    const int ask = static_cast<int>(std::min<long long>(chunk.size(), total - flooded));
    const int n = ask > 0 ? winsock::send(flooder, chunk.data(), ask, 0) : 0;
    flooded += std::max(n, 0);
  };
  s.server.OnClientDataAvailable = [&](TObject*, TOrbSimpleTCPClient* client, int count) {
    std::vector<char> buffer(static_cast<size_t>(count));
    const int n = s.server.Receive(client, buffer.data(), count, false);
    if (client != flooding) {
      takenWhenTheOtherWasHeard = taken;
      return;
    }
    if (taken == 0) winsock::send(other, "o", 1, 0);
    taken += n;
    flood();
  };
  flood();
  ASSERT_TRUE(PumpUntil(
      [&] {
        flood();  // should the flooder's socket have been full
        return taken == total && takenWhenTheOtherWasHeard >= 0;
      },
      30s))
      << "taken " << taken << " of " << flooded;
  EXPECT_LE(takenWhenTheOtherWasHeard, TOrbCustomSocket::kReadPassLimit + kMiB);
  EXPECT_TRUE(s.errors.empty());
  winsock::closesocket(flooder);
  winsock::closesocket(other);
}

TEST(ServerFaults, AnUrgentByteNeitherStallsTheConnectionNorHidesItsClose) {
  Server s;
  std::string read;
  int disconnected = 0;
  s.server.OnClientRead = [&](TObject*, TOrbSimpleTCPClient*, TStream* stream) {
    std::string bytes(static_cast<size_t>(stream->Size()), '\0');
    stream->ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    read += bytes;
  };
  s.server.OnClientDisconnected = [&](TObject*, TOrbSimpleTCPClient*) { ++disconnected; };
  const SOCKET peer = raw::Connect(s.server.Port());
  ASSERT_TRUE(PumpUntil([&] { return s.server.ClientCount() == 1; }));
  // Normal data, an urgent byte (which the server never asked for), more
  // data, and the close: the reading must go on past the urgent byte.
  winsock::send(peer, "ab", 2, 0);
  winsock::send(peer, "!", 1, winsock::MSG_OOB);
  winsock::send(peer, "cd", 2, 0);
  winsock::closesocket(peer);
  ASSERT_TRUE(PumpUntil([&] { return disconnected == 1; })) << "read so far: " << read;
  EXPECT_EQ(read, "abcd");
  EXPECT_EQ(s.server.ClientCount(), 0);
  EXPECT_TRUE(s.errors.empty());
}

}  // namespace
