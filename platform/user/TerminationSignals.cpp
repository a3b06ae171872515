#include "platform/user/TerminationSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

#include "platform/user/EventLoop.h"
#include "platform/user/Messages.h"

namespace {

int gPipe[2] = {-1, -1};
HWND gWindow = nullptr;
UINT gMessage = 0;

void SignalArrived(int) {
  const int saved = errno;
  const char byte = 1;
  // A full pipe already holds a request: this one may be lost.
  [[maybe_unused]] const ssize_t written = write(gPipe[1], &byte, 1);
  errno = saved;
}

void TakeRequests() {
  char bytes[64];
  while (read(gPipe[0], bytes, sizeof bytes) > 0) {
  }
  PostMessage(gWindow, gMessage, 0, 0);
}

}  // namespace

bool PostMessageOnTerminationSignals(HWND window, UINT message) {
  gWindow = window;
  gMessage = message;
  if (gPipe[0] >= 0) return true;
  if (pipe2(gPipe, O_NONBLOCK | O_CLOEXEC) != 0) return false;
  EnsureEventLoop();
  auto* watch = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(watch, &QSocketNotifier::activated, watch, [] { TakeRequests(); });
  struct sigaction action {};
  action.sa_handler = SignalArrived;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP})
    sigaction(signal, &action, nullptr);
  return true;
}
