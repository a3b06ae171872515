// The socket calls of the Winsock layer: each checks start-up and the socket,
// makes the POSIX call, translates the result and the error, and keeps the
// WSAAsyncSelect registration informed of what re-enables its events.

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#include "platform/user/Messages.h"
#include "platform/winsock/ErrorMapping.h"
#include "platform/winsock/PosixSockets.h"
#include "platform/winsock/SocketTable.h"
#include "platform/winsock/Winsock.h"

namespace winsock {

using detail::Fail;
using detail::FailWithErrno;
using detail::FindSocket;
using detail::SocketEntry;

namespace {

// Looks up `s` for a call, or sets the error the call must fail with.
SocketEntry* Usable(SOCKET s) {
  if (!detail::Started()) {
    WSASetLastError(WSANOTINITIALISED);
    return nullptr;
  }
  SocketEntry* entry = FindSocket(s);
  if (entry == nullptr) WSASetLastError(WSAENOTSOCK);
  return entry;
}

// Reads an IPv4 address argument; false (with the error set) when it is not one.
bool ReadAddress(const sockaddr* name, int length, posix_socket::Address* out) {
  if (name == nullptr || length < static_cast<int>(sizeof(sockaddr_in))) {
    WSASetLastError(WSAEFAULT);
    return false;
  }
  sockaddr_in address;
  std::memcpy(&address, name, sizeof address);
  if (address.sin_family != AF_INET) {
    WSASetLastError(WSAEAFNOSUPPORT);
    return false;
  }
  *out = posix_socket::Address{address.sin_addr.s_addr, address.sin_port};
  return true;
}

// Writes an address result; false (with the error set) when it does not fit.
bool WriteAddress(const posix_socket::Address& address, sockaddr* name, int* length) {
  if (name == nullptr) return true;
  if (length == nullptr || *length < static_cast<int>(sizeof(sockaddr_in))) {
    WSASetLastError(WSAEFAULT);
    return false;
  }
  sockaddr_in out{};
  out.sin_family = AF_INET;
  out.sin_port = address.port;
  out.sin_addr.s_addr = address.address;
  std::memcpy(name, &out, sizeof out);
  *length = sizeof out;
  return true;
}

// How Winsock keeps an option: the form of its value, and the one socket
// type it applies to (0: any). Winsock 1.1 takes SO_BROADCAST on datagram
// sockets only, SO_KEEPALIVE and SO_LINGER on stream sockets only.
enum class Form { Bool, Int, Linger };
struct OptionRule {
  int level;
  int name;
  Form form;
  int onlyType;
  std::optional<posix_socket::Option> posix;  // none for SO_LINGER, which has its own call
};
constexpr OptionRule kOptions[] = {
    {SOL_SOCKET, SO_DEBUG, Form::Bool, 0, posix_socket::Option::Debug},
    {SOL_SOCKET, SO_REUSEADDR, Form::Bool, 0, posix_socket::Option::ReuseAddress},
    {SOL_SOCKET, SO_BROADCAST, Form::Bool, SOCK_DGRAM, posix_socket::Option::Broadcast},
    {SOL_SOCKET, SO_KEEPALIVE, Form::Bool, SOCK_STREAM, posix_socket::Option::KeepAlive},
    {SOL_SOCKET, SO_LINGER, Form::Linger, SOCK_STREAM, std::nullopt},
    {SOL_SOCKET, SO_SNDBUF, Form::Int, 0, posix_socket::Option::SendBuffer},
    {SOL_SOCKET, SO_RCVBUF, Form::Int, 0, posix_socket::Option::ReceiveBuffer},
    {IPPROTO_TCP, TCP_NODELAY, Form::Bool, SOCK_STREAM, posix_socket::Option::NoDelay},
};

// The rule for an option on this socket; null (with the error set) when
// the level is unknown, or the option is unknown or does not apply.
const OptionRule* FindOption(const SocketEntry* entry, int level, int option) {
  if (level != SOL_SOCKET && level != IPPROTO_TCP) {
    WSASetLastError(WSAEINVAL);
    return nullptr;
  }
  for (const OptionRule& rule : kOptions) {
    if (rule.level != level || rule.name != option) continue;
    if (rule.onlyType != 0 && rule.onlyType != entry->type) break;
    return &rule;
  }
  WSASetLastError(WSAENOPROTOOPT);
  return nullptr;
}

// The shortest value Winsock takes: a boolean may come as a single byte.
int ShortestLength(Form form) {
  return form == Form::Bool ? 1 : 4;
}

std::optional<int>& KeptBufferSize(SocketEntry* entry, int option) {
  return option == SO_SNDBUF ? entry->sendBuffer : entry->receiveBuffer;
}

// Whether the socket has an address of its own: Linux reports 0.0.0.0:0
// for one that has none.
bool Bound(const SocketEntry* entry) {
  posix_socket::Address address;
  return posix_socket::LocalAddress(entry->fd, &address) == 0 && address.port != 0;
}

// A non-blocking connect that no registration watches ends unseen: its
// outcome is read when the program next uses the socket.
void SettleConnect(SocketEntry* entry) {
  if (!entry->connecting || entry->selection || !posix_socket::Writable(entry->fd)) return;
  const int error = posix_socket::PendingError(entry->fd);
  entry->connecting = false;
  entry->connected = error == 0;
  entry->connectOutcome = error;
}

// Keeps a failure that ended the connection, for the calls that follow.
void NoteConnectionError(SocketEntry* entry, int posixErrno) {
  if (entry->connected && entry->type == SOCK_STREAM && posix_socket::EndsConnection(posixErrno)) {
    entry->connectionError = detail::WinsockErrorFromErrno(posixErrno);
  }
}

}  // namespace

SOCKET socket(int af, int type, int protocol) {
  if (!detail::Started()) return Fail(WSANOTINITIALISED), INVALID_SOCKET;
  if (af != AF_INET) return Fail(WSAEAFNOSUPPORT), INVALID_SOCKET;
  if (type != SOCK_STREAM && type != SOCK_DGRAM) return Fail(WSAESOCKTNOSUPPORT), INVALID_SOCKET;
  const int expected = type == SOCK_STREAM ? IPPROTO_TCP : IPPROTO_UDP;
  if (protocol != 0 && protocol != expected) return Fail(WSAEPROTONOSUPPORT), INVALID_SOCKET;
  const int fd = posix_socket::Create(type == SOCK_STREAM, expected);
  if (fd < 0) return FailWithErrno(errno), INVALID_SOCKET;
  return detail::AddSocket(fd, type);
}

int closesocket(SOCKET s) {
  if (Usable(s) == nullptr) return SOCKET_ERROR;
  detail::CloseSocket(s);
  return 0;
}

int shutdown(SOCKET s, int how) {
  SocketEntry* entry = Usable(s);
  if (entry == nullptr) return SOCKET_ERROR;
  if (how < SD_RECEIVE || how > SD_BOTH) return Fail(WSAEINVAL);
  if (posix_socket::Shutdown(entry->fd, how) != 0) return FailWithErrno(errno);
  entry->sendShut = entry->sendShut || how != SD_RECEIVE;
  entry->receiveShut = entry->receiveShut || how != SD_SEND;
  return 0;
}

int bind(SOCKET s, const sockaddr* name, int nameLength) {
  SocketEntry* entry = Usable(s);
  posix_socket::Address address;
  if (entry == nullptr || !ReadAddress(name, nameLength, &address)) return SOCKET_ERROR;
  if (posix_socket::Bind(entry->fd, address) != 0) return FailWithErrno(errno);
  return 0;
}

int listen(SOCKET s, int backlog) {
  SocketEntry* entry = Usable(s);
  if (entry == nullptr) return SOCKET_ERROR;
  if (entry->type != SOCK_STREAM) return Fail(WSAEOPNOTSUPP);
  if (entry->connected) return Fail(WSAEISCONN);
  // Linux binds an unbound socket itself here; Winsock wants bind first.
  if (!Bound(entry)) return Fail(WSAEINVAL);
  if (posix_socket::Listen(entry->fd, backlog < 0 ? 0 : backlog) != 0) return FailWithErrno(errno);
  entry->listening = true;
  if (entry->selection) entry->selection->ListeningStarted();
  return 0;
}

SOCKET accept(SOCKET s, sockaddr* address, int* addressLength) {
  SocketEntry* entry = Usable(s);
  if (entry == nullptr) return INVALID_SOCKET;
  if (!entry->listening) return Fail(WSAEINVAL), INVALID_SOCKET;
  if (address != nullptr &&
      (addressLength == nullptr || *addressLength < static_cast<int>(sizeof(sockaddr_in)))) {
    return Fail(WSAEFAULT), INVALID_SOCKET;
  }
  posix_socket::Address peer;
  const int fd = posix_socket::Accept(entry->fd, &peer);
  const int error = errno;
  // Calling accept re-enables FD_ACCEPT, whether or not it succeeded.
  if (entry->selection) entry->selection->AfterAccept();
  if (fd < 0) return FailWithErrno(error), INVALID_SOCKET;

  const SOCKET accepted = detail::AddSocket(fd, SOCK_STREAM);
  SocketEntry* created = FindSocket(accepted);
  created->connected = true;
  WriteAddress(peer, address, addressLength);
  // The new socket carries the listening socket's registration.
  entry = FindSocket(s);
  if (entry->selection) {
    posix_socket::SetNonBlocking(fd, true);
    created->selection = std::make_unique<detail::AsyncSelection>(
        created, accepted, entry->selection->Window(), entry->selection->Message(),
        entry->selection->Mask());
    created->selection->Accepted();
  }
  return accepted;
}

int connect(SOCKET s, const sockaddr* name, int nameLength) {
  SocketEntry* entry = Usable(s);
  posix_socket::Address address;
  if (entry == nullptr || !ReadAddress(name, nameLength, &address)) return SOCKET_ERROR;
  // Linux calls connecting a listener "already connected"; Winsock, invalid.
  if (entry->listening) return Fail(WSAEINVAL);
  SettleConnect(entry);
  if (entry->connecting) return Fail(WSAEALREADY);
  if (entry->connected && entry->type == SOCK_STREAM) return Fail(WSAEISCONN);

  const int result = posix_socket::Connect(entry->fd, address);
  const int error = result == 0 ? 0 : errno;
  if (!entry->selection) {
    // Non-blocking (FIONBIO): Winsock says would-block where Linux says
    // in progress, as it does under WSAAsyncSelect.
    if (result != 0 && entry->type == SOCK_STREAM && posix_socket::IsInProgress(error)) {
      entry->connecting = true;
      entry->connectOutcome = 0;
      return Fail(WSAEWOULDBLOCK);
    }
    if (result != 0) return FailWithErrno(error);
    entry->connected = true;
    return 0;
  }
  // With WSAAsyncSelect the socket is non-blocking: the outcome always comes
  // later as FD_CONNECT, even when Linux knew it at once.
  if (entry->type == SOCK_DGRAM) {
    if (result != 0) return FailWithErrno(error);
    entry->connected = true;
    return 0;
  }
  if (result == 0) {
    entry->connected = true;
    entry->selection->ConnectCompleted(0);
  } else if (posix_socket::IsInProgress(error)) {
    entry->connecting = true;
    entry->selection->ConnectStarted();
  } else {
    entry->selection->ConnectCompleted(detail::WinsockErrorFromErrno(error));
  }
  return Fail(WSAEWOULDBLOCK);
}

int send(SOCKET s, const char* buffer, int length, int flags) {
  SocketEntry* entry = Usable(s);
  if (entry == nullptr) return SOCKET_ERROR;
  if (length < 0 || (buffer == nullptr && length > 0)) return Fail(WSAEFAULT);
  // Linux answers EPIPE after our own shutdown as after a dropped peer.
  if (entry->sendShut) return Fail(WSAESHUTDOWN);
  SettleConnect(entry);
  // Linux answers EPIPE for a stream socket that never had a peer (a
  // listening one, say); Winsock says it is not connected.
  if (entry->type == SOCK_STREAM && !entry->connected) return Fail(WSAENOTCONN);
  if (entry->connectionError != 0) return Fail(entry->connectionError);
  const ssize_t sent =
      posix_socket::Send(entry->fd, buffer, static_cast<size_t>(length), (flags & MSG_OOB) != 0);
  if (sent >= 0) return static_cast<int>(sent);
  const int error = errno;
  NoteConnectionError(entry, error);
  if (posix_socket::IsWouldBlock(error) && entry->selection) entry->selection->AfterBlockedSend();
  return FailWithErrno(error);
}

int recv(SOCKET s, char* buffer, int length, int flags) {
  SocketEntry* entry = Usable(s);
  if (entry == nullptr) return SOCKET_ERROR;
  if (length < 0 || (buffer == nullptr && length > 0)) return Fail(WSAEFAULT);
  if (entry->receiveShut) return Fail(WSAESHUTDOWN);  // Linux would read end of stream
  if ((flags & MSG_OOB) != 0 && entry->type != SOCK_STREAM) return Fail(WSAEOPNOTSUPP);
  // A reset is the answer to every recv after it, not only the first.
  if (entry->connectionError != 0) return Fail(entry->connectionError);
  ssize_t received = 0;
  bool truncated = false;
  if (entry->type == SOCK_DGRAM) {
    received = posix_socket::ReceiveFrom(entry->fd, buffer, static_cast<size_t>(length),
                                         (flags & MSG_PEEK) != 0, nullptr, &truncated);
  } else {
    received = posix_socket::Receive(entry->fd, buffer, static_cast<size_t>(length),
                                     (flags & MSG_PEEK) != 0, (flags & MSG_OOB) != 0);
  }
  const int error = errno;
  if (received < 0) NoteConnectionError(entry, error);
  // Calling recv re-enables FD_READ (and posts it at once if more waits).
  if (entry->selection) entry->selection->AfterReceive();
  if (received < 0) return FailWithErrno(error);
  if (truncated) return Fail(WSAEMSGSIZE);
  return static_cast<int>(received);
}

int sendto(SOCKET s, const char* buffer, int length, int flags, const sockaddr* to, int toLength) {
  SocketEntry* entry = Usable(s);
  if (entry == nullptr) return SOCKET_ERROR;
  if (entry->type == SOCK_STREAM || to == nullptr) return send(s, buffer, length, flags);
  posix_socket::Address address;
  if (!ReadAddress(to, toLength, &address)) return SOCKET_ERROR;
  if (length < 0 || (buffer == nullptr && length > 0)) return Fail(WSAEFAULT);
  if (entry->sendShut) return Fail(WSAESHUTDOWN);
  const ssize_t sent =
      posix_socket::SendTo(entry->fd, buffer, static_cast<size_t>(length), address);
  if (sent >= 0) return static_cast<int>(sent);
  const int error = errno;
  if (posix_socket::IsWouldBlock(error) && entry->selection) entry->selection->AfterBlockedSend();
  return FailWithErrno(error);
}

int recvfrom(SOCKET s, char* buffer, int length, int flags, sockaddr* from, int* fromLength) {
  SocketEntry* entry = Usable(s);
  if (entry == nullptr) return SOCKET_ERROR;
  if (length < 0 || (buffer == nullptr && length > 0)) return Fail(WSAEFAULT);
  if (from != nullptr &&
      (fromLength == nullptr || *fromLength < static_cast<int>(sizeof(sockaddr_in)))) {
    return Fail(WSAEFAULT);
  }
  if (entry->type == SOCK_STREAM) {
    const int received = recv(s, buffer, length, flags);
    posix_socket::Address peer;
    if (received >= 0 && from != nullptr && posix_socket::PeerAddress(entry->fd, &peer) == 0) {
      WriteAddress(peer, from, fromLength);
    }
    return received;
  }
  if (entry->receiveShut) return Fail(WSAESHUTDOWN);
  if ((flags & MSG_OOB) != 0) return Fail(WSAEOPNOTSUPP);
  posix_socket::Address peer;
  bool truncated = false;
  const ssize_t received = posix_socket::ReceiveFrom(entry->fd, buffer, static_cast<size_t>(length),
                                                     (flags & MSG_PEEK) != 0, &peer, &truncated);
  const int error = errno;
  if (entry->selection) entry->selection->AfterReceive();
  if (received < 0) return FailWithErrno(error);
  WriteAddress(peer, from, fromLength);
  // The buffer holds the datagram's start; the rest is gone, as on Winsock.
  if (truncated) return Fail(WSAEMSGSIZE);
  return static_cast<int>(received);
}

int ioctlsocket(SOCKET s, long command, u_long* argument) {
  SocketEntry* entry = Usable(s);
  if (entry == nullptr) return SOCKET_ERROR;
  if (argument == nullptr) return Fail(WSAEFAULT);
  if (command == FIONREAD) {
    // For a datagram socket Linux answers with the first datagram's size.
    int bytes = 0;
    const int result = entry->type == SOCK_STREAM
                           ? posix_socket::StreamBytesWaiting(entry->fd, &bytes)
                           : posix_socket::BytesWaiting(entry->fd, &bytes);
    if (result != 0) {
      const int error = errno;
      NoteConnectionError(entry, error);
      return FailWithErrno(error);
    }
    *argument = static_cast<u_long>(bytes);
    return 0;
  }
  if (command == SIOCATMARK) {
    // Winsock's question is whether all urgent data has been read: true
    // unless an urgent byte still waits for recv with MSG_OOB.
    if (entry->type != SOCK_STREAM) return Fail(WSAEINVAL);
    *argument = posix_socket::UrgentWaiting(entry->fd) ? 0 : 1;
    return 0;
  }
  if (command == FIONBIO) {
    // A registered socket must stay non-blocking.
    if (*argument == 0 && entry->selection) return Fail(WSAEINVAL);
    if (posix_socket::SetNonBlocking(entry->fd, *argument != 0) != 0) return FailWithErrno(errno);
    return 0;
  }
  return Fail(WSAEINVAL);
}

int setsockopt(SOCKET s, int level, int option, const char* value, int length) {
  SocketEntry* entry = Usable(s);
  if (entry == nullptr) return SOCKET_ERROR;
  if (value == nullptr) return Fail(WSAEFAULT);
  const OptionRule* rule = FindOption(entry, level, option);
  if (rule == nullptr) return SOCKET_ERROR;
  if (length < ShortestLength(rule->form)) return Fail(WSAEFAULT);
  if (rule->form == Form::Linger) {
    linger setting;
    std::memcpy(&setting, value, sizeof setting);
    if (posix_socket::SetLinger(entry->fd, setting.l_onoff != 0, setting.l_linger) != 0) {
      return FailWithErrno(errno);
    }
    return 0;
  }
  int number = 0;
  if (length >= static_cast<int>(sizeof number)) {
    std::memcpy(&number, value, sizeof number);
  } else {
    number = static_cast<unsigned char>(value[0]);
  }
  if (posix_socket::SetOption(entry->fd, *rule->posix, number) != 0) return FailWithErrno(errno);
  if (option == SO_SNDBUF || option == SO_RCVBUF) KeptBufferSize(entry, option) = number;
  return 0;
}

int getsockopt(SOCKET s, int level, int option, char* value, int* length) {
  SocketEntry* entry = Usable(s);
  if (entry == nullptr) return SOCKET_ERROR;
  if (value == nullptr || length == nullptr) return Fail(WSAEFAULT);
  if (level == SOL_SOCKET && (option == SO_ERROR || option == SO_TYPE)) {
    if (*length < static_cast<int>(sizeof(int))) return Fail(WSAEFAULT);
    int number = entry->type;
    if (option == SO_ERROR) {
      SettleConnect(entry);
      int error = std::exchange(entry->connectOutcome, 0);
      if (error == 0) error = posix_socket::PendingError(entry->fd);
      NoteConnectionError(entry, error);
      number = detail::WinsockErrorFromErrno(error);
    }
    std::memcpy(value, &number, sizeof number);
    *length = sizeof number;
    return 0;
  }
  const OptionRule* rule = FindOption(entry, level, option);
  if (rule == nullptr) return SOCKET_ERROR;
  if (*length < ShortestLength(rule->form)) return Fail(WSAEFAULT);
  if (rule->form == Form::Linger) {
    bool on = false;
    int seconds = 0;
    if (posix_socket::GetLinger(entry->fd, &on, &seconds) != 0) return FailWithErrno(errno);
    const linger setting{static_cast<u_short>(on ? 1 : 0), static_cast<u_short>(seconds)};
    std::memcpy(value, &setting, sizeof setting);
    *length = sizeof setting;
    return 0;
  }
  int number = 0;
  if (posix_socket::GetOption(entry->fd, *rule->posix, &number) != 0) return FailWithErrno(errno);
  if (option == SO_SNDBUF || option == SO_RCVBUF) {
    number = KeptBufferSize(entry, option).value_or(number);
  }
  // A boolean asked for in fewer than four bytes is answered in one.
  const int written = *length < static_cast<int>(sizeof number) ? 1 : sizeof number;
  std::memcpy(value, &number, static_cast<size_t>(written));
  *length = written;
  return 0;
}

int getsockname(SOCKET s, sockaddr* name, int* nameLength) {
  SocketEntry* entry = Usable(s);
  if (entry == nullptr) return SOCKET_ERROR;
  posix_socket::Address address;
  if (!Bound(entry)) return Fail(WSAEINVAL);  // the caller's address stays untouched
  if (posix_socket::LocalAddress(entry->fd, &address) != 0) return FailWithErrno(errno);
  if (name == nullptr) return Fail(WSAEFAULT);
  return WriteAddress(address, name, nameLength) ? 0 : SOCKET_ERROR;
}

int WSAAsyncSelect(SOCKET s, HWND window, u_int message, long mask) {
  SocketEntry* entry = Usable(s);
  if (entry == nullptr) return SOCKET_ERROR;
  if (mask != 0 && !IsMessageWindow(window)) return Fail(WSAEINVAL);
  // Whatever the old registration posted and was not delivered dies with it.
  entry->selection.reset();
  if (posix_socket::SetNonBlocking(entry->fd, true) != 0) return FailWithErrno(errno);
  if (mask == 0) return 0;
  entry->selection = std::make_unique<detail::AsyncSelection>(entry, s, window, message, mask);
  entry->selection->PostCurrentConditions();
  return 0;
}

}  // namespace winsock
