// Broadcast of 1 MiB messages to 1, 10 and 100 loopback clients that read as
// fast as they can (in a process of their own): messages per second and MiB/s
// delivered by the server's Broadcast, against a plain blocking send loop
// over the same kind of sockets in the same run.

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/LargeBlockTracker.h"
#include "bench/LoopbackReaders.h"
#include "components/net/orb_TCPIP1.h"
#include "framework/Application.h"

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kMessageBytes = 1 << 20;

void Pump() {
  QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

size_t Queued(const TOrbSimpleTCPServer& server) {
  size_t queued = 0;
  for (int i = 0; i < server.ClientCount(); ++i)
    queued += server.Client(i)->QueuedBytes();
  return queued;
}

winsock::u_short FreePort() {
  const winsock::SOCKET s = winsock::socket(2, 1, 6);
  winsock::sockaddr_in address{};
  address.sin_family = 2;
  address.sin_addr.s_addr = winsock::inet_addr("127.0.0.1");
  winsock::bind(s, reinterpret_cast<winsock::sockaddr*>(&address), sizeof address);
  int length = sizeof address;
  winsock::getsockname(s, reinterpret_cast<winsock::sockaddr*>(&address), &length);
  winsock::closesocket(s);
  return winsock::ntohs(address.sin_port);
}

struct Result {
  double seconds = 0;
  int copiesPerBroadcast = 0;
  bool ok = false;
};

// One run: a listening server, `clients` readers, `messages` messages sent
// either with Broadcast or with a blocking send loop over the same sockets.
Result Run(int clients, int messages, bool baseline) {
  TOrbSimpleTCPServer server(nullptr);
  server.OnError = [](TObject*, int, int code, const std::string& text) {
    std::fprintf(stderr, "server error %d %s\n", code, text.c_str());
  };
  server.SetPort(FreePort());
  server.SetListen(true);
  LoopbackReaders readers =
      StartLoopbackReaders(server.Port(), clients, int64_t{messages} * kMessageBytes);
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (server.ClientCount() < clients && Clock::now() < deadline)
    Pump();

  const std::string message(kMessageBytes, 'm');
  Result result;
  const auto start = Clock::now();
  if (baseline) {
    std::vector<winsock::SOCKET> sockets;
    for (int i = 0; i < server.ClientCount(); ++i) {
      const winsock::SOCKET s = server.Client(i)->Socket();
      winsock::WSAAsyncSelect(s, server.WindowHandle(), UM_TCPSELECT, 0);
      winsock::u_long blocking = 0;
      winsock::ioctlsocket(s, winsock::FIONBIO, &blocking);
      sockets.push_back(s);
    }
    for (int m = 0; m < messages; ++m) {
      for (winsock::SOCKET s : sockets) {
        for (int sent = 0; sent < kMessageBytes;) {
          const int n = winsock::send(s, message.data() + sent, kMessageBytes - sent, 0);
          if (n <= 0) break;
          sent += n;
        }
      }
    }
  } else {
    for (int m = 0; m < messages; ++m) {
      // Paced as a client would pace a server: the next message once the
      // last one has mostly left.
      // Waiting sleeps until the sockets have room (FD_WRITE).
      while (Queued(server) > static_cast<size_t>(kMessageBytes) * server.ClientCount() / 2) {
        Application->HandleMessage();
      }
      large_blocks::ResetPeak();
      const int before = large_blocks::Alive();
      server.Broadcast(message.data(), kMessageBytes);
      result.copiesPerBroadcast =
          std::max(result.copiesPerBroadcast, large_blocks::Peak() - before);
    }
  }
  while (!ReadersDone(readers, Queued(server) > 0 ? 0 : 5) &&
         Clock::now() < deadline + std::chrono::seconds(40)) {
    if (Queued(server) > 0) {
      Application->HandleMessage();
    } else {
      Pump();
    }
  }
  result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  result.ok = ReadersDone(readers, 0);
  StopLoopbackReaders(&readers);
  return result;
}

}  // namespace

int main() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  Application->Initialize();
  std::printf("Broadcast of 1 MiB messages to loopback clients (ratio: ours / blocking loop)\n");
  std::printf("%8s %9s | %10s %10s | %10s %10s | %6s %s\n", "clients", "messages", "ours msg/s",
              "MiB/s", "loop msg/s", "MiB/s", "ratio", "copies/broadcast");
  for (const int clients : {1, 10, 100}) {
    const int messages = clients == 100 ? 40 : clients == 10 ? 300 : 2000;
    // Three rounds, alternating which goes first; the medians are compared.
    std::vector<double> ours, loop;
    int copies = 0;
    bool ok = true;
    for (int round = 0; round < 3; ++round) {
      const bool loopFirst = round % 2 == 1;
      Result a = Run(clients, messages, loopFirst);
      Result b = Run(clients, messages, !loopFirst);
      const Result& o = loopFirst ? b : a;
      const Result& l = loopFirst ? a : b;
      ours.push_back(o.seconds);
      loop.push_back(l.seconds);
      copies = std::max(copies, o.copiesPerBroadcast);
      ok = ok && o.ok && l.ok;
    }
    std::sort(ours.begin(), ours.end());
    std::sort(loop.begin(), loop.end());
    const double o = ours[1], l = loop[1];
    const double delivered = double(messages) * clients;  // MiB
    std::printf("%8d %9d | %10.1f %10.1f | %10.1f %10.1f | %6.3f %d%s\n", clients, messages,
                messages / o, delivered / o, messages / l, delivered / l, l / o, copies,
                ok ? "" : "  (a run did not complete)");
  }
  std::printf(
      "(medians of three rounds; target ratio >= 0.9; copies: frame-sized copies of the "
      "message made by one Broadcast)\n");
  return 0;
}
