#include "platform/winsock/AsyncSelection.h"

#include <QObject>
#include <QSocketNotifier>
#include <cerrno>

#include "platform/user/EventLoop.h"
#include "platform/user/Messages.h"
#include "platform/winsock/ErrorMapping.h"
#include "platform/winsock/PosixSockets.h"
#include "platform/winsock/SocketTable.h"

namespace winsock::detail {

using posix_socket::PendingInput;

AsyncSelection::AsyncSelection(SocketEntry* entry, uintptr_t socket, HWND window, unsigned message,
                               long mask)
    : entry_(entry),
      socket_(socket),
      window_(window),
      message_(message),
      mask_(mask),
      token_(std::make_shared<const int>(0)) {
  EnsureEventLoop();
  read_ = std::make_unique<QSocketNotifier>(entry->fd, QSocketNotifier::Read);
  write_ = std::make_unique<QSocketNotifier>(entry->fd, QSocketNotifier::Write);
  read_->setEnabled(false);
  write_->setEnabled(false);
  QObject::connect(read_.get(), &QSocketNotifier::activated, [this] { OnReadable(); });
  QObject::connect(write_.get(), &QSocketNotifier::activated, [this] { OnWritable(); });
  if (entry->type == SOCK_STREAM && (mask & FD_OOB) != 0) {
    urgent_ = std::make_unique<QSocketNotifier>(entry->fd, QSocketNotifier::Exception);
    urgent_->setEnabled(false);
    QObject::connect(urgent_.get(), &QSocketNotifier::activated, [this] { OnUrgent(); });
  }
}

AsyncSelection::~AsyncSelection() {
  if (ProcessEnding()) {
    // Qt's own statics may be gone already: leave the notifiers alone.
    static_cast<void>(read_.release());
    static_cast<void>(write_.release());
    static_cast<void>(urgent_.release());
    return;
  }
  read_->setEnabled(false);
  write_->setEnabled(false);
  if (urgent_) urgent_->setEnabled(false);
}

void AsyncSelection::Post(long event, int wsaError) {
  if ((mask_ & event) == 0) return;
  PostGuardedMessage(window_, message_, socket_,
                     MakeLParam(static_cast<WORD>(event), static_cast<WORD>(wsaError)), token_);
}

bool AsyncSelection::DataWaiting() const {
  if (entry_->type == SOCK_DGRAM) return PendingInput(entry_->fd);  // empty datagrams count
  int bytes = 0;
  if (posix_socket::StreamBytesWaiting(entry_->fd, &bytes) == 0) return bytes > 0;
  // A reset the look took: Linux tells it once, so keep it for recv.
  if (posix_socket::EndsConnection(errno)) entry_->connectionError = WinsockErrorFromErrno(errno);
  return false;
}

void AsyncSelection::PostCurrentConditions() {
  if (entry_->listening) {
    ListeningStarted();
    return;
  }
  if (entry_->connecting) {
    write_->setEnabled(true);
    return;
  }
  if (entry_->type == SOCK_DGRAM) {
    Post(FD_WRITE, 0);  // a datagram socket can always send
    AfterReceive();
    return;
  }
  if (entry_->connected) {
    Post(FD_WRITE, 0);
    AfterReceive();
  }
  // A stream socket neither connected nor listening has nothing to say yet.
}

void AsyncSelection::Accepted() {
  Post(FD_WRITE, 0);
  AfterReceive();
}

void AsyncSelection::ListeningStarted() {
  AfterAccept();
}

void AsyncSelection::ConnectStarted() {
  read_->setEnabled(false);
  write_->setEnabled(true);
}

void AsyncSelection::ConnectCompleted(int wsaError) {
  write_->setEnabled(false);
  Post(FD_CONNECT, wsaError);
  if (wsaError != 0) return;  // a failed connect says nothing more
  Post(FD_WRITE, 0);
  AfterReceive();
}

void AsyncSelection::AfterReceive() {
  if (closeReported_) return;
  AfterUrgentRead();
  if (DataWaiting()) {
    Post(FD_READ, 0);
    read_->setEnabled(false);
  } else {
    read_->setEnabled(true);  // new data, or the peer's close, wakes us
  }
}

void AsyncSelection::AfterUrgentRead() {
  if (!urgent_) return;
  if (posix_socket::UrgentWaiting(entry_->fd)) {
    Post(FD_OOB, 0);
    urgent_->setEnabled(false);
  } else {
    urgent_->setEnabled(true);
  }
}

void AsyncSelection::AfterAccept() {
  if (PendingInput(entry_->fd)) {
    Post(FD_ACCEPT, 0);
    read_->setEnabled(false);
  } else {
    read_->setEnabled(true);
  }
}

void AsyncSelection::AfterBlockedSend() {
  writeWanted_ = true;
  write_->setEnabled(true);
}

void AsyncSelection::OnReadable() {
  // Whatever happens, this notifier stays off until an event is re-enabled.
  read_->setEnabled(false);
  // After our own shutdown(SD_RECEIVE) Linux reads as end of stream; that is
  // no close by the peer.
  if (entry_->receiveShut) return;
  if (entry_->listening) {
    Post(FD_ACCEPT, 0);
    return;
  }
  if (entry_->type == SOCK_DGRAM) {
    Post(FD_READ, 0);
    return;
  }
  // A stream: data, the peer's orderly close, or a reset.
  const ssize_t peeked = posix_socket::PeekOne(entry_->fd);
  if (peeked > 0) {
    Post(FD_READ, 0);
  } else if (peeked == 0) {
    // A recv may have taken the reset from Linux already; it was kept.
    closeReported_ = true;
    Post(FD_CLOSE, entry_->connectionError);
  } else if (posix_socket::IsWouldBlock(errno) || posix_socket::IsInterrupted(errno)) {
    read_->setEnabled(true);  // woken for nothing
  } else {
    // Linux tells a reset once, and this peek took it: keep it for recv.
    entry_->connectionError = WinsockErrorFromErrno(errno);
    closeReported_ = true;
    Post(FD_CLOSE, entry_->connectionError);
  }
}

void AsyncSelection::OnUrgent() {
  // Off until a recv re-enables it, also when woken without an urgent byte
  // (a hang-up, or a byte the stream has read past): never a busy loop.
  urgent_->setEnabled(false);
  if (posix_socket::UrgentWaiting(entry_->fd)) Post(FD_OOB, 0);
}

void AsyncSelection::OnWritable() {
  write_->setEnabled(false);
  if (entry_->connecting) {
    const int error = posix_socket::PendingError(entry_->fd);
    entry_->connecting = false;
    entry_->connected = error == 0;
    ConnectCompleted(error == 0 ? 0 : WinsockErrorFromErrno(error));
    return;
  }
  if (writeWanted_) {
    writeWanted_ = false;
    Post(FD_WRITE, 0);
  }
}

}  // namespace winsock::detail
