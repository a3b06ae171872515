#include "tests/support/EventPump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  // A heartbeat, so that waiting for events never outlasts the deadline.
  QTimer heartbeat;
  heartbeat.start(5);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  return true;
}

void PumpFor(std::chrono::milliseconds period) {
  const auto end = std::chrono::steady_clock::now() + period;
  PumpUntil([end] { return std::chrono::steady_clock::now() >= end; }, period * 2);
}

MessageRecorder::MessageRecorder()
    : handle_(AllocateHWnd([this](TMessage& message) { messages.push_back(message); })) {}

MessageRecorder::~MessageRecorder() {
  DeallocateHWnd(handle_);
}
