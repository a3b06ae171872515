#include "tests/fuzz/EventLoopFuzzing.h"

#include <stdlib.h>

#include <QCoreApplication>
#include <QEvent>
#include <filesystem>
#include <string>

#include "framework/Application.h"
#include "tests/support/EventPump.h"

void StartEventLoop() {
  static const bool started = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (getenv("XDG_RUNTIME_DIR") == nullptr) {
      char folder[] = "/tmp/scrivlo-runtime-XXXXXX";
      if (mkdtemp(folder) != nullptr) setenv("XDG_RUNTIME_DIR", folder, 1);
    }
    Application->Initialize();
    return true;
  }();
  static_cast<void>(started);
}

bool Pump(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  return PumpUntil(done, limit);
}

int OpenSockets() {
  // What waits to be deleted first: objects let go of their sockets then.
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    count += std::filesystem::read_symlink(entry.path(), error).string().starts_with("socket:");
  }
  return count;
}

std::string DescriptorList() {
  std::string list;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    list += " " + entry.path().filename().string() + ":" +
            std::filesystem::read_symlink(entry.path(), error).string();
  }
  return list;
}
