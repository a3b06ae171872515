#include "tests/support/ServerProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/ScratchHive.h"

using namespace std::chrono_literals;

ProgramProcess::ProgramProcess(const std::vector<std::string>& argv) {
  char pattern[] = "/tmp/scrivlo-program-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return;
  folder_ = pattern;
  const std::string out = folder_ + "/out", err = folder_ + "/err";
  pid_ = fork();
  if (pid_ != 0) return;
  dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
  dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
  // The test's sockets and display connections are not the program's.
  for (int fd = 3; fd < 1024; ++fd)
    close(fd);
  std::vector<char*> args;
  for (const std::string& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  execv(args[0], args.data());
  _exit(127);
}

ProgramProcess::~ProgramProcess() {
  if (Running()) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (!folder_.empty()) std::system(("rm -rf '" + folder_ + "'").c_str());
}

bool ProgramProcess::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  pid_ = -1;
  return false;
}

int ProgramProcess::Stop(int signal) {
  if (Running() && signal != 0) kill(pid_, signal);
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (Running() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(20ms);
  if (Running()) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    return -1;
  }
  return status_;
}

std::string ProgramProcess::Out() const {
  return ReadWholeFile(folder_ + "/out");
}

std::string ProgramProcess::Err() const {
  return ReadWholeFile(folder_ + "/err");
}

bool SocketAt(const char* kind, int port, uint32_t address) {
  std::ifstream table(std::string("/proc/net/") + kind);
  std::string line;
  std::getline(table, line);  // the column names
  while (std::getline(table, line)) {
    unsigned int slot = 0, localAddress = 0, localPort = 0, state = 0;
    if (std::sscanf(line.c_str(), " %u: %x:%x %*x:%*x %x", &slot, &localAddress, &localPort,
                    &state) != 4) {
      continue;
    }
    const bool listening = std::strcmp(kind, "tcp") != 0 || state == 0x0A;
    if (listening && static_cast<int>(localPort) == port && localAddress == address) return true;
  }
  return false;
}

bool WaitSocketAt(const char* kind, int port, bool present, uint32_t address) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (SocketAt(kind, port, address) != present) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

DatagramWatch::DatagramWatch(int port) : socket_(socket(AF_INET, SOCK_DGRAM, 0)) {
  const int on = 1;
  setsockopt(socket_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  setsockopt(socket_, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<uint16_t>(port));
  bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local);
}

DatagramWatch::~DatagramWatch() {
  close(socket_);
}

std::vector<TDatagram> DatagramWatch::Collect(size_t count, std::chrono::milliseconds limit) {
  std::vector<TDatagram> heard;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (heard.size() < count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready{socket_, POLLIN, 0};
    if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) != 1) break;
    char bytes[2048];
    alignas(cmsghdr) char control[256];
    sockaddr_in from{};
    iovec buffer{bytes, sizeof bytes};
    msghdr message{&from, sizeof from, &buffer, 1, control, sizeof control, 0};
    const ssize_t n = recvmsg(socket_, &message, 0);
    if (n < 0) break;
    TDatagram datagram{std::string(bytes, static_cast<size_t>(n)), 0, ntohs(from.sin_port),
                       std::chrono::steady_clock::now()};
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
      if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
        datagram.to = reinterpret_cast<const in_pktinfo*>(CMSG_DATA(c))->ipi_addr.s_addr;
      }
    }
    heard.push_back(datagram);
  }
  return heard;
}

ImageClient::ImageClient(const char* address, int port) : socket_(socket(AF_INET, SOCK_STREAM, 0)) {
  const timeval wait{30, 0};
  setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  sockaddr_in server{};
  server.sin_family = AF_INET;
  server.sin_port = htons(static_cast<uint16_t>(port));
  server.sin_addr.s_addr = inet_addr(address);
  connected_ = connect(socket_, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0;
}

ImageClient::~ImageClient() {
  close(socket_);
}

std::string ImageClient::ReadMessage() {
  std::string message;
  auto readUpTo = [&](size_t size) {
    while (message.size() < size) {
      char bytes[65536];
      const ssize_t n = recv(socket_, bytes, std::min(sizeof bytes, size - message.size()), 0);
      if (n <= 0) return false;
      message.append(bytes, static_cast<size_t>(n));
    }
    return true;
  };
  if (!readUpTo(8)) return {};
  int32_t length = 0;
  std::memcpy(&length, message.data() + 4, 4);  // little-endian, as this machine
  if (length < 0 || !readUpTo(8 + static_cast<size_t>(length))) return {};
  return message;
}

bool ImageClient::Send(const std::string& bytes) {
  return send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
         static_cast<ssize_t>(bytes.size());
}

bool Eventually(const std::function<bool()>& done, std::chrono::seconds limit) {
  for (auto deadline = std::chrono::steady_clock::now() + limit; !done();) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

std::string Xdo(std::vector<std::string> arguments) {
  // A search dies of an X error (BadWindow) when a window goes away while it
  // walks the tree, as windows do while a window manager starts. Looking
  // again is harmless; repeating an action (a click, keys) would not be.
  const bool search = !arguments.empty() && arguments.front() == "search";
  arguments.insert(arguments.begin(), {"/usr/bin/timeout", "10", "/usr/bin/xdotool"});
  for (int attempt = 1;; ++attempt) {
    const ProgramRun run = RunProgram(arguments);
    if (search && run.out.empty() && attempt < 5 &&
        run.err.find("BadWindow") != std::string::npos) {
      continue;
    }
    return run.out.substr(0, run.out.find('\n'));
  }
}
