// The TCP client's read handling: up to three TOrbSimpleTCPClient components
// connect to a raw listener on 127.0.0.1, and the accepted ends play the
// script of the input (see TcpReadFuzzing.h), through the real socket layer.

#include <array>

#include "components/net/orb_TCPIP1.h"
#include "tests/fuzz/EventLoopFuzzing.h"
#include "tests/fuzz/TcpReadFuzzing.h"
#include "tests/support/RawSockets.h"

using namespace winsock;

namespace {

// Where every client connects; opened once per process.
SOCKET Listener() {
  static const SOCKET listener = raw::Listen(0);
  return listener;
}

class TClientRun : public TTcpReadRun {
 public:
  explicit TClientRun(TFuzzInput& input) : TTcpReadRun(input) {
    FFailureEndsToo = true;  // a connection lost by a reset: OnConnectionLost, then OnError
  }
  ~TClientRun() override { Finish(); }

 protected:
  void Start() override { FUZZ_CHECK(Listener() != INVALID_SOCKET, "no listener"); }

  SOCKET Connect(int i) override {
    auto* client = new TOrbSimpleTCPClient(nullptr);
    FClients[static_cast<size_t>(i)] = client;
    client->SetHost("127.0.0.1");
    client->SetPort(raw::PortOf(Listener()));
    client->OnConnectionLost = [this, i](TObject*) { Ended(i); };
    client->OnError = [this, i](TObject*, int, int code, const std::string&) { Error(i, code); };
    if (FUseEvent) {
      client->OnDataAvailable = [this, i, client](TObject*, int count) {
        DataAvailable(i, client, client, count);
      };
    } else {
      client->OnRead = [this, i](TObject*, TStream* stream) { StreamRead(i, stream); };
    }
    client->Connect();
    FUZZ_CHECK(client->Active(), "the client does not connect");
    // Its connect has reached the listener's queue: the next one accepted.
    sockaddr_in far{};
    int length = sizeof far;
    const SOCKET peer = accept(Listener(), reinterpret_cast<sockaddr*>(&far), &length);
    FUZZ_CHECK(peer != INVALID_SOCKET && ntohs(far.sin_port) == raw::PortOf(client->Socket()),
               "the accepted connection is not the client's");
    return peer;
  }

  bool AllGone() override {
    for (TOrbSimpleTCPClient* client : FClients) {
      if (client != nullptr && client->Active()) return false;
    }
    return true;
  }

  // The component itself, from inside its own handler.
  void Drop(int i, TOrbCustomSocket*) override {
    delete FClients[static_cast<size_t>(i)];
    FClients[static_cast<size_t>(i)] = nullptr;
  }

  void Finish() override {
    for (TOrbSimpleTCPClient*& client : FClients) {
      delete client;
      client = nullptr;
    }
  }

 private:
  std::array<TOrbSimpleTCPClient*, kPeers> FClients{};
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  StartEventLoop();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return RunTcpHarnessInput(data, size, [](TFuzzInput& input) { TClientRun(input).Run(); });
}
