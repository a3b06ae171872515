#pragma once

#include <chrono>
#include <functional>
#include <vector>

#include "framework/Messages.h"

// Runs the event loop until `done` holds or `limit` passes; returns `done()`.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
// Runs the event loop for `period`, whatever happens.
void PumpFor(std::chrono::milliseconds period);

// A message window that keeps every message it receives.
class MessageRecorder {
 public:
  MessageRecorder();
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  HWND Handle() const { return handle_; }
  std::vector<TMessage> messages;

 private:
  HWND handle_;
};
