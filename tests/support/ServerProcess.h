#pragma once

#include <sys/types.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Where the server keeps its settings, as scrivlo-reg names the key.
inline constexpr char kFormKey[] = "HKCU\\Software\\Corvane Software\\Vemo\\Forms\\FormMain";

// Polls `done` every 50 ms until it holds; false when `limit` passed first.
bool Eventually(const std::function<bool()>& done,
                std::chrono::seconds limit = std::chrono::seconds(10));
// xdotool with `arguments` (for at most 10 s): the first line it printed.
std::string Xdo(std::vector<std::string> arguments);

// A program the test runs and ends as a user would, its standard output and
// error kept in files of a scratch folder.
class ProgramProcess {
 public:
  explicit ProgramProcess(const std::vector<std::string>& argv);
  ~ProgramProcess();  // kills it if it still runs
  ProgramProcess(const ProgramProcess&) = delete;
  ProgramProcess& operator=(const ProgramProcess&) = delete;

  bool Running();
  pid_t Pid() const { return pid_; }  // -1 once it has ended
  // Sends `signal` (none: 0) and waits up to 30 s for the end: the exit
  // status, or -1 when it did not exit by itself in time.
  int Stop(int signal = SIGTERM);
  std::string Out() const;
  std::string Err() const;

 private:
  pid_t pid_ = -1;
  int status_ = -1;
  std::string folder_;
};

// Whether, in this network namespace, a TCP socket listens (kind "tcp") or
// a UDP socket is bound (kind "udp") at port `port` on `address` (as
// inet_addr gives it; 0 is every interface). /proc/net says it, so asking
// sends nothing to the server.
bool SocketAt(const char* kind, int port, uint32_t address = 0);
// SocketAt polled until it is `present`, for up to 10 s.
bool WaitSocketAt(const char* kind, int port, bool present = true, uint32_t address = 0);

// A datagram heard on a UDP port, with the address it was sent to.
struct TDatagram {
  std::string bytes;
  uint32_t to = 0;  // as inet_addr gives it
  int fromPort = 0;
  std::chrono::steady_clock::time_point at;
};

// Listens on a UDP port beside whoever else is bound to it there.
class DatagramWatch {
 public:
  explicit DatagramWatch(int port);
  ~DatagramWatch();
  DatagramWatch(const DatagramWatch&) = delete;
  DatagramWatch& operator=(const DatagramWatch&) = delete;

  // The next `count` datagrams, or those that came within `limit`.
  std::vector<TDatagram> Collect(size_t count, std::chrono::milliseconds limit);

 private:
  int socket_ = -1;
};

// A client of the server on a blocking TCP socket.
class ImageClient {
 public:
  ImageClient(const char* address, int port);
  ~ImageClient();
  ImageClient(const ImageClient&) = delete;
  ImageClient& operator=(const ImageClient&) = delete;

  bool Connected() const { return connected_; }
  // The next whole message, header included; empty when none came within
  // 30 s or the connection ended.
  std::string ReadMessage();
  bool Send(const std::string& bytes);

 private:
  int socket_ = -1;
  bool connected_ = false;
};
