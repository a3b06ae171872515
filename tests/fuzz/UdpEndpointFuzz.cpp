// The UDP endpoint's read loop against datagrams of any size and content,
// empty ones and bursts, sent over loopback through the real socket layer,
// with handlers that close, reopen or destroy the endpoint, or send to it
// while it reads.
//
// Input: a script of operations (see Run). The sender's datagrams must
// arrive in order, each whole up to 511 bytes, an empty string with a
// "Message too long" error beyond; some may be missing only where the
// endpoint was closed or its buffer could overflow. After each input no
// socket may stay open.

#include <bit>
#include <memory>
#include <string>
#include <vector>

#include "components/net/orb_TCPIP1.h"
#include "framework/Controls.h"
#include "tests/fuzz/EventLoopFuzzing.h"
#include "tests/fuzz/FuzzInput.h"

using namespace winsock;
using namespace std::chrono_literals;

namespace {

constexpr int kLongest = TOrbSimpleUDPClient::kDatagramBufferSize - 1;  // 511

// The endpoint, with its socket's port and buffer size in reach.
class TUdpUnderTest : public TOrbSimpleUDPClient {
 public:
  using TOrbSimpleUDPClient::TOrbSimpleUDPClient;
  u_short BoundPort() const {
    sockaddr_in address{};
    int length = sizeof address;
    getsockname(FSocket, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
  }
  int ReceiveBufferSize() const {
    int size = 0;
    int length = sizeof size;
    getsockopt(FSocket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&size), &length);
    return size;
  }
};

// A blocking UDP socket on 127.0.0.1.
struct TSender {
  SOCKET socket = winsock::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  u_short port = 0;
  TSender() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
  }
  ~TSender() { closesocket(socket); }
  void SendTo(u_short to, const std::string& bytes) const {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(to);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sendto(socket, bytes.data(), static_cast<int>(bytes.size()), 0,
           reinterpret_cast<const sockaddr*>(&address), sizeof address);
  }
};

// What the kernel may charge a queued datagram of `length` bytes against the
// receive buffer, generously: its allocation rounds up to a power of two.
size_t Charge(size_t length) {
  return std::bit_ceil(length + 1024) + 512;
}

enum class THandlerAction { None, Close, Reopen, Destroy, SendToItself };

class TUdpRun {
 public:
  TUdpRun(const TSender& sender, const TSender& marker) : FSender(sender), FMarker(marker) {
    Create();
  }
  ~TUdpRun() = default;

  void Run(TFuzzInput& input) {
    for (int ops = 0; ops < 64 && !input.Empty(); ++ops) {
      switch (input.Byte() % 7) {
        case 0:
        case 1:
          Send(Datagram(input));
          break;
        case 2: {  // a burst: copies of one datagram with nothing read between
          const std::string datagram = Datagram(input);
          for (int n = 1 + input.Byte() % 100; n > 0; --n)
            Send(datagram);
          break;
        }
        case 3:
          Settle();
          break;
        case 4:
          FAction = static_cast<THandlerAction>(1 + input.Byte() % 4);
          break;
        case 5:  // opened again from outside: what waited is gone
          if (FUdp == nullptr) {
            Create();
          } else {
            FUdp->Open();
            Reopened();
          }
          break;
        default:
          Send(Repeated(input.Take(4), input.Byte() % 2 ? kLongest : kLongest + 1));
          break;
      }
    }
    Settle();
    Check();
  }

 private:
  void Create() {
    FUdp = new TUdpUnderTest(&FForm);
    FUdp->SetParent(&FForm);
    FUdp->SetPort(0);  // a port of its own, whoever else runs
    FUdp->OnError = [this](TObject*, int, int code, const std::string&) {
      FUZZ_CHECK(code == WSAEMSGSIZE, "error %d", code);
      ++FTooLong;
      FReadFailed = true;
    };
    FUdp->OnDataAvailable = [this](const TUDPEndPoint& from, const std::string& data) {
      Arrived(from, data);
    };
    FUdp->Open();
    FUZZ_CHECK(FUdp->Active(), "the endpoint does not open");
    Reopened();
  }

  // A new socket on a new port: whatever waited in the old one is gone.
  void Reopened() {
    if (FQueuedCharge > 0) FLossless = false;
    FPort = FUdp->BoundPort();
    FBufferSize = static_cast<size_t>(FUdp->ReceiveBufferSize());
    FQueuedCharge = 0;
  }

  void EnsureOpen() {
    if (FUdp == nullptr) {
      Create();
    } else if (!FUdp->Active()) {
      FUdp->Open();
      Reopened();
    }
  }

  std::string Datagram(TFuzzInput& input) {
    size_t length;
    switch (input.Byte() % 4) {
      case 0:
        length = input.Byte();
        break;
      case 1:
        length = 500 + input.Byte() % 24;  // either side of the longest readable
        break;
      case 2:
        length = input.Word() % 65508;  // up to the largest UDP allows
        break;
      default:
        length = 0;
        break;
    }
    return Repeated(input.Take(input.Byte() % 32), length);
  }

  void Send(const std::string& datagram) {
    if (FUdp == nullptr || !FUdp->Active()) return;  // nobody listens on that port now
    FQueuedCharge += Charge(datagram.size());
    if (FQueuedCharge > FBufferSize * 3 / 4) FLossless = false;
    FSent.push_back(datagram);
    FSender.SendTo(FPort, datagram);
  }

  void Arrived(const TUDPEndPoint& from, const std::string& data) {
    // A failed read leaves the sender as it was: only the error tells that
    // this was the sender's datagram too long (nothing else sends one).
    const bool failed = FReadFailed;
    FReadFailed = false;
    if (!failed && from.Port == FMarker.port) {
      // A marker sent again arrives after the first was seen: not a fault.
      FUZZ_CHECK(data.starts_with("marker "), "a datagram from the marker's port");
      FMarkerSeen = FMarkerSeen || data == FMarkerText;
      return;
    }
    if (failed || from.Port == FSender.port) {
      FReceived.push_back(data);
    } else {
      FUZZ_CHECK(from.Port == FPort, "a datagram from port %d", from.Port);
      FFromItself.push_back(data);
    }
    const THandlerAction action = FAction;
    FAction = THandlerAction::None;
    switch (action) {
      case THandlerAction::Close:
        FUdp->Close();
        FLossless = false;
        break;
      case THandlerAction::Reopen:
        FUdp->Close();
        FUdp->Open();
        Reopened();
        break;
      case THandlerAction::Destroy:
        delete FUdp;  // from inside its own event
        FUdp = nullptr;
        FLossless = false;
        break;
      case THandlerAction::SendToItself: {
        TUDPEndPoint self;
        self.IP = inet_addr("127.0.0.1");
        self.Port = FPort;
        FSelfSent.push_back(data.substr(0, 100));
        FUdp->Send(self, FSelfSent.back().data(), static_cast<int>(FSelfSent.back().size()));
        break;
      }
      case THandlerAction::None:
        break;
    }
  }

  // Lets the endpoint read everything sent so far: a marker sent last from
  // another socket arrives after all of it.
  void Settle() {
    FMarkerText = "marker " + std::to_string(++FMarkers);
    FMarkerSeen = false;
    bool seen = false;
    for (int attempt = 0; attempt < 50 && !seen; ++attempt) {
      EnsureOpen();  // a handler may have taken it away, the marker with it
      const u_short sentTo = FPort;
      FMarker.SendTo(sentTo, FMarkerText);
      const auto lost = [&] { return FUdp == nullptr || !FUdp->Active() || FPort != sentTo; };
      seen = Pump([&] { return FMarkerSeen || lost(); }, 200ms) && FMarkerSeen;
    }
    FUZZ_CHECK(seen, "the endpoint reads nothing any more");
    FQueuedCharge = 0;
  }

  // `got` holds items of `sent` in order, as read: whole up to 511 bytes, an
  // empty string beyond. With `all`, every one of them.
  static void CheckSequence(const char* what, const std::vector<std::string>& sent,
                            const std::vector<std::string>& got, bool all) {
    size_t next = 0;
    for (size_t i = 0; i < got.size(); ++i) {
      const auto expected = [&](const std::string& d) {
        return d.size() > static_cast<size_t>(kLongest) ? std::string() : d;
      };
      while (next < sent.size() && expected(sent[next]) != got[i]) {
        FUZZ_CHECK(!all, "%s: datagram %zu of %zu (%zu bytes) never arrived", what, next,
                   sent.size(), sent[next].size());
        ++next;
      }
      FUZZ_CHECK(next < sent.size(), "%s: arrival %zu (%zu bytes) was never sent or out of order",
                 what, i, got[i].size());
      ++next;
    }
    FUZZ_CHECK(!all || next == sent.size(), "%s: %zu of %zu arrived", what, got.size(),
               sent.size());
  }

  void Check() {
    CheckSequence("sender", FSent, FReceived, FLossless);
    CheckSequence("itself", FSelfSent, FFromItself, false);
    if (FLossless) {
      size_t tooLong = 0;
      for (const std::string& d : FSent)
        tooLong += d.size() > static_cast<size_t>(kLongest);
      FUZZ_CHECK(FTooLong == tooLong, "%zu errors for %zu datagrams too long", FTooLong, tooLong);
    }
  }

  const TSender& FSender;
  const TSender& FMarker;
  TCustomControl FForm{nullptr};  // owns the endpoint
  TUdpUnderTest* FUdp = nullptr;
  u_short FPort = 0;
  size_t FBufferSize = 0;
  size_t FQueuedCharge = 0;
  bool FLossless = true;
  THandlerAction FAction = THandlerAction::None;
  std::vector<std::string> FSent, FReceived, FSelfSent, FFromItself;
  size_t FTooLong = 0;
  bool FReadFailed = false;
  std::string FMarkerText;
  bool FMarkerSeen = false;
  int FMarkers = 0;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  StartEventLoop();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TSender sender, marker;
  static const int sockets = [] {
    {
      TUdpRun warmUp(sender, marker);  // what the event loop opens once, for good
      TFuzzInput nothing(nullptr, 0);
      warmUp.Run(nothing);
    }
    return OpenSockets();
  }();
  {
    TFuzzInput input(data, size);
    TUdpRun run(sender, marker);
    run.Run(input);
  }
  FUZZ_CHECK(OpenSockets() == sockets, "%d sockets open, %d before:%s", OpenSockets(), sockets,
             DescriptorList().c_str());
  return 0;
}
