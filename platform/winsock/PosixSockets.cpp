#include "platform/winsock/PosixSockets.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace posix_socket {

namespace {

sockaddr_in ToPosix(Address address) {
  sockaddr_in result{};
  result.sin_family = AF_INET;
  result.sin_port = address.port;
  result.sin_addr.s_addr = address.address;
  return result;
}

Address FromPosix(const sockaddr_in& address) {
  return Address{address.sin_addr.s_addr, address.sin_port};
}

bool Where(Option option, int* level, int* name) {
  *level = SOL_SOCKET;
  switch (option) {
    case Option::ReuseAddress:
      *name = SO_REUSEADDR;
      return true;
    case Option::Broadcast:
      *name = SO_BROADCAST;
      return true;
    case Option::KeepAlive:
      *name = SO_KEEPALIVE;
      return true;
    case Option::SendBuffer:
      *name = SO_SNDBUF;
      return true;
    case Option::ReceiveBuffer:
      *name = SO_RCVBUF;
      return true;
    case Option::Type:
      *name = SO_TYPE;
      return true;
    case Option::Debug:
      *name = SO_DEBUG;
      return true;
    case Option::NoDelay:
      *level = IPPROTO_TCP;
      *name = TCP_NODELAY;
      return true;
  }
  return false;
}

}  // namespace

int Create(bool stream, int protocol) {
  return ::socket(AF_INET, (stream ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC, protocol);
}

int Close(int fd) {
  return ::close(fd);
}

int SetNonBlocking(int fd, bool nonBlocking) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return -1;
  return ::fcntl(fd, F_SETFL, nonBlocking ? flags | O_NONBLOCK : flags & ~O_NONBLOCK);
}

int Bind(int fd, Address address) {
  const sockaddr_in posix = ToPosix(address);
  return ::bind(fd, reinterpret_cast<const sockaddr*>(&posix), sizeof posix);
}

int Listen(int fd, int backlog) {
  return ::listen(fd, backlog);
}

int Accept(int fd, Address* peer) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  const int accepted = ::accept4(fd, reinterpret_cast<sockaddr*>(&address), &length, SOCK_CLOEXEC);
  if (accepted >= 0 && peer != nullptr) *peer = FromPosix(address);
  return accepted;
}

int Connect(int fd, Address address) {
  const sockaddr_in posix = ToPosix(address);
  return ::connect(fd, reinterpret_cast<const sockaddr*>(&posix), sizeof posix);
}

int Shutdown(int fd, int how) {
  return ::shutdown(fd, how == 0 ? SHUT_RD : how == 1 ? SHUT_WR : SHUT_RDWR);
}

ssize_t Send(int fd, const void* bytes, size_t count, bool outOfBand) {
  // MSG_NOSIGNAL: a dropped connection is an error code, never SIGPIPE.
  return ::send(fd, bytes, count, MSG_NOSIGNAL | (outOfBand ? MSG_OOB : 0));
}

ssize_t Receive(int fd, void* bytes, size_t count, bool peek, bool outOfBand) {
  return ::recv(fd, bytes, count, (peek ? MSG_PEEK : 0) | (outOfBand ? MSG_OOB : 0));
}

ssize_t SendTo(int fd, const void* bytes, size_t count, Address to) {
  const sockaddr_in posix = ToPosix(to);
  return ::sendto(fd, bytes, count, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&posix),
                  sizeof posix);
}

ssize_t ReceiveFrom(int fd, void* bytes, size_t count, bool peek, Address* from, bool* truncated) {
  sockaddr_in address{};
  iovec vector{bytes, count};
  msghdr message{};
  message.msg_name = &address;
  message.msg_namelen = sizeof address;
  message.msg_iov = &vector;
  message.msg_iovlen = 1;
  // Linux cuts a datagram to the buffer without a word; MSG_TRUNC in the
  // answer is how we learn it happened.
  const ssize_t received = ::recvmsg(fd, &message, peek ? MSG_PEEK : 0);
  if (received < 0) return received;
  if (from != nullptr) *from = FromPosix(address);
  *truncated = (message.msg_flags & MSG_TRUNC) != 0;
  return received;
}

int BytesWaiting(int fd, int* bytes) {
  return ::ioctl(fd, FIONREAD, bytes);
}

int StreamBytesWaiting(int fd, int* bytes) {
  if (BytesWaiting(fd, bytes) != 0) return -1;
  int atMark = 0;
  if (*bytes > 0 || ::ioctl(fd, SIOCATMARK, &atMark) != 0 || atMark == 0) return 0;
  const ssize_t peeked = PeekOne(fd);
  if (peeked > 0) *bytes = 1;
  return peeked < 0 && !IsWouldBlock(errno) ? -1 : 0;
}

ssize_t PeekOne(int fd) {
  char byte = 0;
  return ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
}

bool PendingInput(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0;
}

bool UrgentWaiting(int fd) {
  pollfd p{fd, POLLPRI, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & POLLPRI) != 0;
}

bool Writable(int fd) {
  pollfd p{fd, POLLOUT, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLOUT | POLLERR | POLLHUP)) != 0;
}

int PendingError(int fd) {
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
  return error;
}

int SetOption(int fd, Option option, int value) {
  int level = 0, name = 0;
  if (!Where(option, &level, &name)) {
    errno = ENOPROTOOPT;
    return -1;
  }
  return ::setsockopt(fd, level, name, &value, sizeof value);
}

int GetOption(int fd, Option option, int* value) {
  int level = 0, name = 0;
  if (!Where(option, &level, &name)) {
    errno = ENOPROTOOPT;
    return -1;
  }
  socklen_t length = sizeof *value;
  return ::getsockopt(fd, level, name, value, &length);
}

int SetLinger(int fd, bool on, int seconds) {
  const ::linger value{on ? 1 : 0, seconds};
  return ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &value, sizeof value);
}

int GetLinger(int fd, bool* on, int* seconds) {
  ::linger value{};
  socklen_t length = sizeof value;
  if (::getsockopt(fd, SOL_SOCKET, SO_LINGER, &value, &length) != 0) return -1;
  *on = value.l_onoff != 0;
  *seconds = value.l_linger;
  return 0;
}

int LocalAddress(int fd, Address* address) {
  sockaddr_in posix{};
  socklen_t length = sizeof posix;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&posix), &length) != 0) return -1;
  *address = FromPosix(posix);
  return 0;
}

int PeerAddress(int fd, Address* address) {
  sockaddr_in posix{};
  socklen_t length = sizeof posix;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&posix), &length) != 0) return -1;
  *address = FromPosix(posix);
  return 0;
}

int HostName(char* name, size_t length) {
  return ::gethostname(name, length);
}

Lookup ResolveIPv4(const char* name, std::vector<uint32_t>* addresses) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int status = ::getaddrinfo(name, nullptr, &hints, &found);
  switch (status) {
    case 0:
      break;
    case EAI_AGAIN:
      return Lookup::TryAgain;
    case EAI_FAIL:
      return Lookup::NoRecovery;
    case EAI_NODATA:
    case EAI_ADDRFAMILY:
      return Lookup::NoData;
    default:
      return Lookup::NotFound;
  }
  for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
    addresses->push_back(address->sin_addr.s_addr);
  }
  ::freeaddrinfo(found);
  return addresses->empty() ? Lookup::NoData : Lookup::Found;
}

bool IsWouldBlock(int posixErrno) {
  return posixErrno == EAGAIN || posixErrno == EWOULDBLOCK;
}
bool IsInProgress(int posixErrno) {
  return posixErrno == EINPROGRESS;
}
bool IsInterrupted(int posixErrno) {
  return posixErrno == EINTR;
}
bool EndsConnection(int posixErrno) {
  return posixErrno == ECONNRESET || posixErrno == ECONNABORTED || posixErrno == ETIMEDOUT ||
         posixErrno == EHOSTUNREACH || posixErrno == ENETUNREACH;
}

}  // namespace posix_socket
