#pragma once

// Internal to the Winsock layer: the POSIX socket calls it makes, behind
// plain types. The C library's socket headers define macros (AF_INET,
// SOL_SOCKET, FIONREAD...) under the very names that Winsock.h declares with
// Winsock's values, so no file may include both: only PosixSockets.cpp sees
// the C library's side. Failures return -1 with errno set.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace posix_socket {

struct Address {
  uint32_t address = 0;  // network byte order
  uint16_t port = 0;     // network byte order
};

enum class Option {
  ReuseAddress,
  Broadcast,
  KeepAlive,
  SendBuffer,
  ReceiveBuffer,
  Type,
  Debug,
  NoDelay
};

int Create(bool stream, int protocol);
int Close(int fd);
int SetNonBlocking(int fd, bool nonBlocking);
int Bind(int fd, Address address);
int Listen(int fd, int backlog);
int Accept(int fd, Address* peer);
int Connect(int fd, Address address);
int Shutdown(int fd, int how);  // 0 receive, 1 send, 2 both
ssize_t Send(int fd, const void* bytes, size_t count, bool outOfBand);
ssize_t Receive(int fd, void* bytes, size_t count, bool peek, bool outOfBand);
ssize_t SendTo(int fd, const void* bytes, size_t count, Address to);
// Sets *truncated when the datagram was larger than `count` (its rest is gone).
ssize_t ReceiveFrom(int fd, void* bytes, size_t count, bool peek, Address* from, bool* truncated);
int BytesWaiting(int fd, int* bytes);
// What a recv on a stream can take now. Linux's count stops at an urgent
// byte, and is 0 right at it although recv skips the byte and reads on;
// there at least 1 is reported, since Winsock counts what recv returns.
// A failure of the look past the byte (a reset) fails the call with errno.
int StreamBytesWaiting(int fd, int* bytes);
// One byte peeked without waiting: > 0 data, 0 orderly close, -1 error.
ssize_t PeekOne(int fd);
bool PendingInput(int fd);
// An urgent (out-of-band) byte waits to be read with MSG_OOB.
bool UrgentWaiting(int fd);
// The socket can send now (a non-blocking connect has ended, either way).
bool Writable(int fd);
// The error a non-blocking connect ended with (0 for success).
int PendingError(int fd);
int SetOption(int fd, Option option, int value);
int GetOption(int fd, Option option, int* value);
int SetLinger(int fd, bool on, int seconds);
int GetLinger(int fd, bool* on, int* seconds);
int LocalAddress(int fd, Address* address);
int PeerAddress(int fd, Address* address);

int HostName(char* name, size_t length);
enum class Lookup { Found, NotFound, TryAgain, NoRecovery, NoData };
Lookup ResolveIPv4(const char* name, std::vector<uint32_t>* addresses);

bool IsWouldBlock(int posixErrno);
bool IsInProgress(int posixErrno);
bool IsInterrupted(int posixErrno);
// An error that ends an established connection (a reset, a timeout).
bool EndsConnection(int posixErrno);

}  // namespace posix_socket
