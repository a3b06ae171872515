#pragma once

// What the two TCP read harnesses share: up to three raw peers on 127.0.0.1,
// each the far end of one connection of the component under test, playing a
// script read from the input, and the component's data handlers reading in
// the ways the script chose.
//
// The script runs from a timer, one step per tick, so that it goes on while
// a handler waits inside a waiting receive (which runs the event loop
// itself). Operations: a peer connects, sends a piece (any bytes, any size up
// to a bound), pauses, closes, shuts down its sending side, or resets; the
// handler for a peer's connection is switched to read all it is told of,
// part of it, a stream of it, wait for a fixed count, or read some and then
// destroy the connection. At the end every peer still open closes.
//
// Checked for each peer: the bytes read are a prefix of those sent (or, once
// a read ran inside a waiting receive, which ends after it, at least bytes
// that were sent); all of them when the peer ended in order and nobody
// dropped the connection; no error unless the peer reset; one end reported
// at most. After the run no socket stays open.

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "components/net/OrbCustomSocket.h"
#include "tests/fuzz/FuzzInput.h"

class QTimer;
class TStream;

enum class TReadMode { All, Part, Stream, Wait, PartThenDrop, Stop };

struct TTcpPeer {
  winsock::SOCKET socket = winsock::INVALID_SOCKET;
  std::string outbox;    // accepted by the script, not yet by the socket
  std::string sent;      // taken by the socket
  std::string received;  // read by the component
  bool connected = false;
  bool ended = false;  // closed or shut down in order, everything sent
  bool reset = false;
  bool dropped = false;      // a handler destroyed the connection, or stopped it all
  int waits = 0;             // handlers inside a waiting receive on it
  bool interleaved = false;  // a read began inside such a wait
  int errors = 0;
  int ends = 0;  // disconnections reported
  TReadMode mode = TReadMode::All;
  int parameter = 0;
};

class TTcpReadRun {
 public:
  static constexpr int kPeers = 3;

  explicit TTcpReadRun(TFuzzInput& input);
  virtual ~TTcpReadRun();
  TTcpReadRun(const TTcpReadRun&) = delete;
  TTcpReadRun& operator=(const TTcpReadRun&) = delete;

  // Plays the script to its end and checks what the component read.
  void Run();

 protected:
  // Where the component listens or connects to.
  virtual void Start() = 0;
  // A new connection between peer `i` and the component: the peer's socket.
  virtual winsock::SOCKET Connect(int i) = 0;
  // Whether the component holds no connection any more.
  virtual bool AllGone() = 0;
  // Destroys the connection of peer `i` from inside its handler.
  virtual void Drop(int i, TOrbCustomSocket* connection) = 0;
  // Stops the component with all its connections (a server only).
  virtual void StopAll() {}
  // Destroys the component.
  virtual void Finish() = 0;

  // The handlers' common part: `owner` reads `connection`, peer i's.
  void DataAvailable(int i, TOrbCustomSocket* owner, TOrbCustomSocket* connection, int count);
  void StreamRead(int i, TStream* stream);
  void Error(int i, int code);
  void Ended(int i);

  // Whether the data handler is bound (else the component reads streams).
  bool FUseEvent = true;
  // Whether a failure of a connection is reported as its end as well.
  bool FFailureEndsToo = false;
  std::array<TTcpPeer, kPeers> FPeers;

 private:
  struct TOp {
    enum Kind { Connect, Send, Pause, Close, Shutdown, Reset, Mode } kind;
    int peer;
    std::string bytes;
    int count;  // ticks to pause; the mode; the mode's parameter
    int parameter;
  };
  void Step();
  bool Flush(TTcpPeer& peer);
  void CloseAll();
  void Check();

  std::vector<TOp> FOps;
  size_t FNext = 0;
  int FPausing = 0;
  bool FScriptDone = false;
  int FWaiting = 0;  // handlers inside a waiting receive
  std::unique_ptr<QTimer> FTicks;
};

// One fuzz input through `run` (which makes and runs a harness's run of the
// script). The first call starts the event loop and counts the sockets a
// small warm-up run leaves open for good; after every input no more may be.
int RunTcpHarnessInput(const uint8_t* data, size_t size,
                       const std::function<void(TFuzzInput&)>& run);
