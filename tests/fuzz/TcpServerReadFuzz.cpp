// The TCP server's read handling: up to three peers connect to a listening
// TOrbSimpleTCPServer on 127.0.0.1 and play the script of the input (see
// TcpReadFuzzing.h), through the real socket layer.

#include <map>
#include <vector>

#include "components/net/orb_TCPIP1.h"
#include "tests/fuzz/EventLoopFuzzing.h"
#include "tests/fuzz/TcpReadFuzzing.h"
#include "tests/support/RawSockets.h"

using namespace winsock;

namespace {

class TServerRun : public TTcpReadRun {
 public:
  explicit TServerRun(TFuzzInput& input) : TTcpReadRun(input) {}

 protected:
  void Start() override {
    FServer = std::make_unique<TOrbSimpleTCPServer>(nullptr);
    FServer->SetLocalHostOnly(true);  // 127.0.0.1, on a port of its own
    FServer->OnClientConnected = [this](TObject*, TOrbSimpleTCPClient* connection) {
      FUZZ_CHECK(FAccepted < FConnected, "a connection nobody made");
      FBySocket[connection->Socket()] = Accepted();
    };
    FServer->OnClientDisconnected = [this](TObject*, TOrbSimpleTCPClient* connection) {
      Ended(PeerOf(connection->Socket()));
    };
    FServer->OnError = [this](TObject*, int socket, int code, const std::string&) {
      Error(PeerOf(static_cast<SOCKET>(socket)), code);
    };
    if (FUseEvent) {
      FServer->OnClientDataAvailable = [this](TObject*, TOrbSimpleTCPClient* connection,
                                              int count) {
        DataAvailable(PeerOf(connection->Socket()), FServer.get(), connection, count);
      };
    } else {
      FServer->OnClientRead = [this](TObject*, TOrbSimpleTCPClient* connection, TStream* stream) {
        StreamRead(PeerOf(connection->Socket()), stream);
      };
    }
    FServer->SetListen(true);
    FUZZ_CHECK(FServer->Listen(), "the server does not listen");
    FPort = raw::PortOf(FServer->Socket());
  }

  SOCKET Connect(int i) override {
    const SOCKET s = raw::Connect(FPort);
    if (s == INVALID_SOCKET) return s;
    FConnectOrder.push_back(i);
    ++FConnected;
    return s;
  }

  bool AllGone() override { return FServer->ClientCount() == 0 && FAccepted == FConnected; }

  void Drop(int, TOrbCustomSocket* connection) override { TComponent::Free(connection); }

  void StopAll() override {
    FServer->SetListen(false);
    FConnected = FAccepted;  // those not accepted yet never will be
  }

  void Finish() override { FServer.reset(); }

 private:
  // The peer of a connection just accepted: the server accepts in the order
  // of connecting, and a connection reset before its turn is accepted too.
  int Accepted() { return FConnectOrder[static_cast<size_t>(FAccepted++)]; }

  int PeerOf(SOCKET s) const {
    const auto found = FBySocket.find(s);
    return found == FBySocket.end() ? -1 : found->second;
  }

  std::unique_ptr<TOrbSimpleTCPServer> FServer;
  u_short FPort = 0;
  int FConnected = 0;
  int FAccepted = 0;
  std::map<SOCKET, int> FBySocket;  // each connection's socket to its peer
  std::vector<int> FConnectOrder;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  StartEventLoop();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return RunTcpHarnessInput(data, size, [](TFuzzInput& input) { TServerRun(input).Run(); });
}
