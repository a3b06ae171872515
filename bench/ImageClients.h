#pragma once

#include <chrono>
#include <string>
#include <vector>

// The server's clients, as many as a round needs, all in this process on
// non-blocking loopback sockets read through one poll loop. Each round is
// one broadcast: the server sends one image message to every client, and the
// round is over when every client has the whole of it.
class TImageClients {
 public:
  using Clock = std::chrono::steady_clock;

  struct TRound {
    bool ok = false;          // every client got one whole, well-framed message
    bool identical = true;    // and the same bytes as every other client
    double firstByteMs = 0;   // from the start to the first byte at any client
    double firstWholeMs = 0;  // to the first client with the whole message
    double lastWholeMs = 0;   // to the last byte at the last client
    std::string message;      // the first client's message, header included
    std::string error;
  };

  TImageClients(int port, std::chrono::seconds roundLimit) : FPort(port), FRoundLimit(roundLimit) {}
  ~TImageClients();
  TImageClients(const TImageClients&) = delete;
  TImageClients& operator=(const TImageClients&) = delete;

  // Connects one more client; the server answers the connection with a
  // message to every client, which this waits for.
  TRound Connect();
  // Client 0 sends one byte; the server answers with a message to every
  // client, which this waits for.
  TRound Trigger();
  int Count() const { return static_cast<int>(FClients.size()); }

 private:
  struct TClient {
    int fd = -1;
    std::string message;  // what has come of the message under way
    bool whole = false;
  };
  TRound Collect(Clock::time_point start);
  // Reads what client `c` has; false when its connection ended or the
  // message is malformed.
  bool Read(TClient* c, std::string* error);

  int FPort;
  std::chrono::seconds FRoundLimit;
  std::vector<TClient> FClients;
  std::vector<char> FBuffer = std::vector<char>(1 << 20);
};
