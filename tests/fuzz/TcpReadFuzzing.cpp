#include "tests/fuzz/TcpReadFuzzing.h"

#include <QTimer>
#include <algorithm>
#include <vector>

#include "framework/Streams.h"
#include "tests/fuzz/EventLoopFuzzing.h"
#include "tests/support/RawSockets.h"

using namespace winsock;
using namespace std::chrono_literals;

namespace {

// Enough to fill the loopback buffers several times over; read a byte at a
// time under the sanitizers, this already takes seconds.
constexpr size_t kMaxBytesPerRun = 1 << 18;
constexpr int kMaxOps = 48;

}  // namespace

TTcpReadRun::TTcpReadRun(TFuzzInput& input) {
  FUseEvent = input.Byte() % 4 != 0;
  size_t total = 0;
  while (FOps.size() < kMaxOps && !input.Empty()) {
    const uint8_t head = input.Byte();
    TOp op{TOp::Pause, (head >> 4) % kPeers, {}, 0, 0};
    switch (head % 8) {
      case 0:
        op.kind = TOp::Connect;
        break;
      case 1:
      case 2:
        op.kind = TOp::Send;
        switch (input.Byte() % 4) {
          case 0:
            op.bytes = input.Take(input.Byte());
            break;
          case 1:
            op.bytes = input.Take(1 + input.Byte() % 8);
            break;
          case 2:  // a large piece
            op.bytes = Repeated(input.Take(8), size_t{input.Word()} * 4);
            break;
          default:
            op.bytes = Repeated(input.Take(1), 1 + input.Byte());
            break;
        }
        op.bytes.resize(std::min(op.bytes.size(), kMaxBytesPerRun - total));
        total += op.bytes.size();
        break;
      case 3:
        op.count = 1 + input.Byte() % 8;
        break;
      case 4:
        op.kind = TOp::Close;
        break;
      case 5:
        op.kind = TOp::Shutdown;
        break;
      case 6:
        op.kind = TOp::Reset;
        break;
      default:
        op.kind = TOp::Mode;
        op.count = input.Byte() % 6;
        op.parameter = input.Word();
        break;
    }
    FOps.push_back(std::move(op));
  }
}

TTcpReadRun::~TTcpReadRun() {
  for (TTcpPeer& peer : FPeers) {
    if (peer.socket != INVALID_SOCKET) closesocket(peer.socket);
  }
}

void TTcpReadRun::Run() {
  Start();
  FTicks = std::make_unique<QTimer>();
  QObject::connect(FTicks.get(), &QTimer::timeout, [this] { Step(); });
  FTicks->start(0);
  const auto finished = [this] {
    if (!FScriptDone || FWaiting > 0 || !AllGone()) return false;
    // A peer the component has not accepted or connected yet is still to come.
    return std::all_of(FPeers.begin(), FPeers.end(), [](const TTcpPeer& peer) {
      return !peer.connected || peer.reset || peer.dropped || peer.ends > 0 || peer.errors > 0;
    });
  };
  // A run ends when it stops making progress, not at a fixed time: one
  // that reads a large piece a byte at a time is slow, more so on a loaded
  // machine, but each step reads or sends something. Twenty seconds without
  // a byte moved, a step taken or an end seen is a hang.
  const auto progress = [this] {
    size_t moved = FNext;
    for (const TTcpPeer& peer : FPeers)
      moved += peer.sent.size() + peer.received.size() + peer.ends + peer.errors;
    return moved;
  };
  bool done = false;
  for (size_t before = progress(); !(done = Pump(finished, 20s));) {
    const size_t now = progress();
    if (now == before) break;
    before = now;
  }
  FTicks.reset();
  FUZZ_CHECK(done, "the run stopped moving: script %s, %d waiting, component %s",
             FScriptDone ? "done" : "not done", FWaiting, AllGone() ? "idle" : "busy");
  Finish();
  Check();
}

bool TTcpReadRun::Flush(TTcpPeer& peer) {
  while (!peer.outbox.empty() && peer.socket != INVALID_SOCKET) {
    const int n = send(peer.socket, peer.outbox.data(),
                       static_cast<int>(std::min<size_t>(peer.outbox.size(), 1 << 16)), 0);
    if (n > 0) {
      peer.sent.append(peer.outbox, 0, static_cast<size_t>(n));
      peer.outbox.erase(0, static_cast<size_t>(n));
    } else if (WSAGetLastError() == WSAEWOULDBLOCK) {
      return false;
    } else {
      peer.outbox.clear();  // the component dropped the connection
    }
  }
  return true;
}

void TTcpReadRun::Step() {
  if (FScriptDone) return;
  for (TTcpPeer& peer : FPeers)
    Flush(peer);
  if (FPausing > 0) {
    --FPausing;
    return;
  }
  if (FNext == FOps.size()) {
    CloseAll();
    return;
  }
  const TOp& op = FOps[FNext];
  TTcpPeer& peer = FPeers[static_cast<size_t>(op.peer)];
  const bool open = peer.connected && !peer.ended && !peer.reset;
  switch (op.kind) {
    case TOp::Connect:
    case TOp::Send:
      if (!peer.connected) {
        peer.socket = Connect(op.peer);
        peer.connected = peer.socket != INVALID_SOCKET;
        if (peer.connected) raw::SetNonBlocking(peer.socket);
      }
      if (op.kind == TOp::Send && peer.connected && !peer.ended && !peer.reset) {
        peer.outbox += op.bytes;
        Flush(peer);
      }
      break;
    case TOp::Pause:
      FPausing = op.count;
      break;
    case TOp::Close:
    case TOp::Shutdown:
      if (!open) break;
      if (!Flush(peer)) return;  // in order: after every byte of the script
      if (op.kind == TOp::Close) {
        closesocket(peer.socket);
        peer.socket = INVALID_SOCKET;
      } else {
        shutdown(peer.socket, SD_SEND);
      }
      peer.ended = true;
      break;
    case TOp::Reset:
      if (!peer.connected || peer.reset || peer.socket == INVALID_SOCKET) break;
      raw::Reset(peer.socket);
      peer.socket = INVALID_SOCKET;
      peer.outbox.clear();
      peer.reset = true;
      break;
    case TOp::Mode:
      peer.mode = static_cast<TReadMode>(op.count);
      peer.parameter = op.parameter;
      break;
  }
  ++FNext;
}

void TTcpReadRun::CloseAll() {
  bool waiting = false;
  for (TTcpPeer& peer : FPeers) {
    if (!peer.connected || peer.ended || peer.reset) continue;
    if (!Flush(peer)) {
      waiting = true;
      continue;
    }
    closesocket(peer.socket);
    peer.socket = INVALID_SOCKET;
    peer.ended = true;
  }
  if (!waiting) FScriptDone = true;
}

void TTcpReadRun::DataAvailable(int i, TOrbCustomSocket* owner, TOrbCustomSocket* connection,
                                int count) {
  FUZZ_CHECK(i >= 0 && count > 0, "data for peer %d, %d bytes", i, count);
  TTcpPeer& peer = FPeers[static_cast<size_t>(i)];
  // Inside a waiting receive on the same connection, reads end in another
  // order than they took their bytes: from then on only which bytes came
  // can be checked, not their order.
  if (peer.waits > 0) peer.interleaved = true;
  const auto read = [&](int size, bool wait) {
    std::vector<char> buffer(static_cast<size_t>(size));
    const int r = owner->ReceiveFrom(connection, buffer.data(), size, wait);
    FUZZ_CHECK(r <= size, "%d bytes read into %d", r, size);
    if (r > 0) peer.received.append(buffer.data(), static_cast<size_t>(r));
    // The connection may be gone now: nothing touches it after a read.
    return r;
  };
  switch (peer.mode) {
    case TReadMode::All:
      read(count, false);
      break;
    case TReadMode::Part:
      read(std::min(count, 1 + peer.parameter % 1024), false);
      break;
    case TReadMode::Stream: {
      TMemoryStream stream;
      owner->ReceiveStreamFrom(connection, &stream, count, false);
      peer.received.append(static_cast<const char*>(stream.Memory()),
                           static_cast<size_t>(stream.Size()));
      break;
    }
    case TReadMode::Wait:
      ++FWaiting;
      ++peer.waits;
      read(1 + peer.parameter % 65536, true);
      --peer.waits;
      --FWaiting;
      break;
    case TReadMode::PartThenDrop:
      read(std::min(count, 1 + peer.parameter % 64), false);
      // Unless the read found the connection ended meanwhile.
      if (peer.ends == 0 && peer.errors == 0) {
        peer.dropped = true;
        Drop(i, connection);
      }
      break;
    case TReadMode::Stop:
      read(count, false);
      for (TTcpPeer& any : FPeers)
        any.dropped = true;
      StopAll();
      break;
  }
}

void TTcpReadRun::StreamRead(int i, TStream* stream) {
  FUZZ_CHECK(i >= 0, "a stream for no peer");
  FUZZ_CHECK(stream->Position() == 0, "a stream at %lld",
             static_cast<long long>(stream->Position()));
  std::string bytes(static_cast<size_t>(stream->Size()), '\0');
  stream->ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  FPeers[static_cast<size_t>(i)].received += bytes;
}

void TTcpReadRun::Error(int i, int code) {
  FUZZ_CHECK(i >= 0, "error %d for no peer", code);
  TTcpPeer& peer = FPeers[static_cast<size_t>(i)];
  FUZZ_CHECK(peer.reset, "error %d on peer %d, which did not reset", code, i);
  ++peer.errors;
}

void TTcpReadRun::Ended(int i) {
  FUZZ_CHECK(i >= 0, "an end for no peer");
  ++FPeers[static_cast<size_t>(i)].ends;
}

namespace {

// Whether every byte of `part` can be matched with one of `whole`.
bool WithinBytesOf(const std::string& part, const std::string& whole) {
  std::array<long, 256> count{};
  for (const char c : whole)
    ++count[static_cast<uint8_t>(c)];
  for (const char c : part) {
    if (--count[static_cast<uint8_t>(c)] < 0) return false;
  }
  return true;
}

}  // namespace

void TTcpReadRun::Check() {
  for (int i = 0; i < kPeers; ++i) {
    const TTcpPeer& peer = FPeers[static_cast<size_t>(i)];
    if (peer.interleaved) {
      FUZZ_CHECK(
          peer.received.size() <= peer.sent.size() && WithinBytesOf(peer.received, peer.sent),
          "peer %d: %zu bytes read are not among the %zu sent", i, peer.received.size(),
          peer.sent.size());
    } else {
      FUZZ_CHECK(peer.received.size() <= peer.sent.size() &&
                     peer.sent.compare(0, peer.received.size(), peer.received) == 0,
                 "peer %d: %zu bytes read are not the start of the %zu sent", i,
                 peer.received.size(), peer.sent.size());
    }
    FUZZ_CHECK(
        peer.ends <= 1 && peer.errors <= 1 && peer.ends + peer.errors <= (FFailureEndsToo ? 2 : 1),
        "peer %d: %d ends and %d errors reported", i, peer.ends, peer.errors);
    if (peer.connected && peer.ended && !peer.reset && !peer.dropped) {
      FUZZ_CHECK(peer.received.size() == peer.sent.size(), "peer %d: %zu of %zu bytes read", i,
                 peer.received.size(), peer.sent.size());
      FUZZ_CHECK(peer.ends == 1, "peer %d closed in order, %d ends reported", i, peer.ends);
    }
  }
}

int RunTcpHarnessInput(const uint8_t* data, size_t size,
                       const std::function<void(TFuzzInput&)>& run) {
  static const int sockets = [&] {
    StartEventLoop();
    const uint8_t warmUp[] = {1, 0x01, 1, 3, 'a', 'b', 'c', 0x04};
    TFuzzInput input(warmUp, sizeof warmUp);
    run(input);  // what the event loop opens once, for good
    return OpenSockets();
  }();
  {
    TFuzzInput input(data, size);
    run(input);
  }
  FUZZ_CHECK(OpenSockets() == sockets, "%d sockets open, %d before:%s", OpenSockets(), sockets,
             DescriptorList().c_str());
  return 0;
}
