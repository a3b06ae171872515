#include "bench/LoopbackReaders.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace {

[[noreturn]] void ReadAll(uint16_t port, int count, int64_t bytesEach, int doneFd) {
  std::vector<pollfd> sockets;
  for (int i = 0; i < count; ++i) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) _exit(2);
    sockets.push_back({fd, POLLIN, 0});
  }
  std::vector<int64_t> got(static_cast<size_t>(count), 0);
  std::vector<char> buffer(1 << 20);
  int finished = 0;
  while (finished < count) {
    if (::poll(sockets.data(), sockets.size(), 10000) <= 0) _exit(3);
    for (size_t i = 0; i < sockets.size(); ++i) {
      if ((sockets[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
      const ssize_t n = ::recv(sockets[i].fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
      if (n == 0) _exit(4);
      if (n < 0) continue;
      const bool before = got[i] >= bytesEach;
      got[i] += n;
      if (!before && got[i] >= bytesEach) ++finished;
    }
  }
  const char done = 1;
  if (::write(doneFd, &done, 1) != 1) _exit(5);
  // Keep the connections until the parent is done with them.
  ::pause();
  _exit(0);
}

}  // namespace

LoopbackReaders StartLoopbackReaders(uint16_t port, int count, int64_t bytesEach) {
  int fds[2];
  if (::pipe(fds) != 0) std::abort();
  LoopbackReaders readers;
  readers.pid = ::fork();
  if (readers.pid == 0) {
    ::close(fds[0]);
    ReadAll(port, count, bytesEach, fds[1]);
  }
  ::close(fds[1]);
  readers.doneFd = fds[0];
  return readers;
}

bool ReadersDone(const LoopbackReaders& readers, int milliseconds) {
  pollfd p{readers.doneFd, POLLIN, 0};
  return ::poll(&p, 1, milliseconds) > 0;
}

void StopLoopbackReaders(LoopbackReaders* readers) {
  if (readers->pid > 0) {
    ::kill(readers->pid, SIGKILL);
    ::waitpid(readers->pid, nullptr, 0);
  }
  if (readers->doneFd >= 0) ::close(readers->doneFd);
  *readers = LoopbackReaders{};
}
