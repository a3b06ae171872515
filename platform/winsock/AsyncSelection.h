#pragma once

#include <memory>

#include "platform/WindowsTypes.h"

class QSocketNotifier;

namespace winsock::detail {

struct SocketEntry;

// One WSAAsyncSelect registration: which window hears about a socket, by
// which message, for which events. Destroying it withdraws everything it has
// posted that was not delivered yet, and stops watching the descriptor.
//
// Winsock posts each event once and re-enables it only when the program acts
// on it; our readiness source (Qt's socket notifiers) is level-triggered, so
// a notifier is switched off when its event is posted and on again by the
// call that re-enables the event:
//   FD_READ    posted once; re-enabled by recv/recvfrom, which post it again
//              at once if data still waits.
//   FD_ACCEPT  likewise, re-enabled by accept.
//   FD_OOB     posted once when an urgent byte arrives; re-enabled by
//              recv/recvfrom (with MSG_OOB or not), which post it again at
//              once if an urgent byte still waits.
//   FD_CONNECT once, when a connect completes, with its error code.
//   FD_CLOSE   once, when the peer closes (0) or resets (WSAECONNRESET).
//   FD_WRITE   once a connect or accept completes, and again once a send that
//              failed with WSAEWOULDBLOCK can go on.
class AsyncSelection {
 public:
  AsyncSelection(SocketEntry* entry, uintptr_t socket, HWND window, unsigned message, long mask);
  ~AsyncSelection();
  AsyncSelection(const AsyncSelection&) = delete;
  AsyncSelection& operator=(const AsyncSelection&) = delete;

  HWND Window() const { return window_; }
  unsigned Message() const { return message_; }
  long Mask() const { return mask_; }

  // Posts the events whose conditions hold now (a fresh registration).
  void PostCurrentConditions();
  // An accepted connection: it is connected and writable.
  void Accepted();
  void ListeningStarted();
  // A non-blocking connect began, or completed or failed at once.
  void ConnectStarted();
  void ConnectCompleted(int wsaError);
  void AfterReceive();
  void AfterAccept();
  void AfterBlockedSend();

 private:
  void OnReadable();
  void OnWritable();
  void OnUrgent();
  void AfterUrgentRead();
  void Post(long event, int wsaError);
  bool DataWaiting() const;

  SocketEntry* entry_;
  uintptr_t socket_;
  HWND window_;
  unsigned message_;
  long mask_;
  std::shared_ptr<const int> token_;  // queued messages die with it
  std::unique_ptr<QSocketNotifier> read_;
  std::unique_ptr<QSocketNotifier> write_;
  std::unique_ptr<QSocketNotifier> urgent_;  // only for a stream that asked for FD_OOB
  bool closeReported_ = false;
  bool writeWanted_ = false;
};

}  // namespace winsock::detail
